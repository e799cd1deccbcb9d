// The command line: what is accepted, what is a usage error, and the help.

#include "app/command_line.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <limits>

using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

ParsedCommand parse(std::vector<std::string> arguments) {
  return CommandLine::parse(arguments);
}

}  // namespace

// --- Commands ---

TEST(CommandLineCommands, NoArgumentIsItsOwnKindSoThatTheHelpGoesWithAUsageStatus) {
  EXPECT_EQ(parse({}).kind, CommandKind::kNoCommand);
}

TEST(CommandLineCommands, HelpHasThreeSpellings) {
  EXPECT_EQ(parse({"help"}).kind, CommandKind::kHelp);
  EXPECT_EQ(parse({"--help"}).kind, CommandKind::kHelp);
  EXPECT_EQ(parse({"-h"}).kind, CommandKind::kHelp);
}

TEST(CommandLineCommands, HelpAfterRenderAsksForTheHelp) {
  EXPECT_EQ(parse({"render", "show.lscx", "--help"}).kind, CommandKind::kHelp);
  EXPECT_EQ(parse({"render", "-h"}).kind, CommandKind::kHelp);
}

TEST(CommandLineCommands, UnknownCommandIsNamedInTheError) {
  const ParsedCommand command = parse({"play", "show.lscx"});
  EXPECT_EQ(command.kind, CommandKind::kUsageError);
  EXPECT_THAT(command.error, HasSubstr("'play'"));
}

TEST(CommandLineCommands, HelpTextDocumentsRenderAndThePlayerStillToCome) {
  const std::string_view text = CommandLine::helpText();
  EXPECT_THAT(std::string(text),
              HasSubstr("showplayer render SCRIPT --at MS [--at MS ...] --out PATH"));
  EXPECT_THAT(std::string(text), HasSubstr("frame-MS.png"));
  EXPECT_THAT(std::string(text), HasSubstr("interactive player"));
}

// --- render: accepted forms ---

TEST(CommandLineRender, OneTime) {
  const ParsedCommand command = parse({"render", "shows/a.lscx", "--at", "1500", "--out", "a.png"});
  ASSERT_EQ(command.kind, CommandKind::kRender) << command.error;
  EXPECT_EQ(command.render.scriptPath, "shows/a.lscx");
  EXPECT_THAT(command.render.times, ElementsAre(1500));
  EXPECT_EQ(command.render.outPath, "a.png");
}

TEST(CommandLineRender, SeveralTimesKeepTheirOrder) {
  const ParsedCommand command =
      parse({"render", "a.lscx", "--at", "3000", "--at", "0", "--at", "1500", "--out", "frames"});
  ASSERT_EQ(command.kind, CommandKind::kRender) << command.error;
  EXPECT_THAT(command.render.times, ElementsAre(3000, 0, 1500));
}

TEST(CommandLineRender, OptionsMayStandBeforeTheScript) {
  const ParsedCommand command = parse({"render", "--out", "x.png", "--at", "7", "a.lscx"});
  ASSERT_EQ(command.kind, CommandKind::kRender) << command.error;
  EXPECT_EQ(command.render.scriptPath, "a.lscx");
  EXPECT_EQ(command.render.outPath, "x.png");
  EXPECT_THAT(command.render.times, ElementsAre(7));
}

TEST(CommandLineRender, ANegativeTimeIsAValueNotAnOption) {
  const ParsedCommand command = parse({"render", "a.lscx", "--at", "-250", "--out", "x.png"});
  ASSERT_EQ(command.kind, CommandKind::kRender) << command.error;
  EXPECT_THAT(command.render.times, ElementsAre(-250));
}

TEST(CommandLineRender, AnOutPathThatLooksLikeAnOptionIsTakenAsTheValue) {
  const ParsedCommand command = parse({"render", "a.lscx", "--at", "1", "--out", "-frame.png"});
  ASSERT_EQ(command.kind, CommandKind::kRender) << command.error;
  EXPECT_EQ(command.render.outPath, "-frame.png");
}

// --- render: usage errors ---

TEST(CommandLineRenderErrors, MissingPieces) {
  EXPECT_THAT(parse({"render"}).error, HasSubstr("script"));
  EXPECT_THAT(parse({"render", "a.lscx", "--out", "x.png"}).error, HasSubstr("--at"));
  EXPECT_THAT(parse({"render", "a.lscx", "--at", "5"}).error, HasSubstr("--out"));
  for (const auto& arguments : std::vector<std::vector<std::string>>{
           {"render"}, {"render", "a.lscx", "--out", "x.png"}, {"render", "a.lscx", "--at", "5"}}) {
    EXPECT_EQ(parse(arguments).kind, CommandKind::kUsageError);
  }
}

TEST(CommandLineRenderErrors, AnOptionAtTheEndWithoutItsValue) {
  const ParsedCommand at = parse({"render", "a.lscx", "--out", "x.png", "--at"});
  EXPECT_EQ(at.kind, CommandKind::kUsageError);
  EXPECT_THAT(at.error, HasSubstr("--at needs a value"));
  const ParsedCommand out = parse({"render", "a.lscx", "--at", "1", "--out"});
  EXPECT_EQ(out.kind, CommandKind::kUsageError);
  EXPECT_THAT(out.error, HasSubstr("--out needs a value"));
}

TEST(CommandLineRenderErrors, TimesThatAreNotWholeNumbers) {
  for (const char* bad : {"abc", "", "1.5", "12a", " 12", "12 ", "0x10", "--5", "+-5", "-"}) {
    const ParsedCommand command = parse({"render", "a.lscx", "--at", bad, "--out", "x.png"});
    EXPECT_EQ(command.kind, CommandKind::kUsageError) << "'" << bad << "'";
    EXPECT_THAT(command.error, HasSubstr("whole number")) << "'" << bad << "'";
  }
}

TEST(CommandLineRenderErrors, RepeatedOrUnknownOptionsAndASecondScript) {
  EXPECT_THAT(parse({"render", "a.lscx", "--at", "1", "--out", "x", "--out", "y"}).error,
              HasSubstr("--out given twice"));
  EXPECT_THAT(parse({"render", "a.lscx", "--at", "1", "--at", "1", "--out", "x"}).error,
              HasSubstr("--at 1 given twice"));
  EXPECT_THAT(parse({"render", "a.lscx", "--at", "1", "--out", "x", "--fast"}).error,
              HasSubstr("unknown option '--fast'"));
  EXPECT_THAT(parse({"render", "a.lscx", "b.lscx", "--at", "1", "--out", "x"}).error,
              HasSubstr("more than one script"));
  EXPECT_EQ(parse({"render", "", "--at", "1", "--out", "x"}).kind, CommandKind::kUsageError);
  EXPECT_EQ(parse({"render", "a.lscx", "--at", "1", "--out", ""}).kind, CommandKind::kUsageError);
}

// --- Times ---

TEST(CommandLineTimes, SignedThirtyTwoBitRangeIsAcceptedAndNothingBeyond) {
  EXPECT_EQ(CommandLine::parseTime("0"), 0);
  EXPECT_EQ(CommandLine::parseTime("-0"), 0);
  EXPECT_EQ(CommandLine::parseTime("+42"), 42);
  EXPECT_EQ(CommandLine::parseTime("2147483647"), std::numeric_limits<std::int32_t>::max());
  EXPECT_EQ(CommandLine::parseTime("-2147483648"), std::numeric_limits<std::int32_t>::min());
  EXPECT_EQ(CommandLine::parseTime("2147483648"), std::nullopt);
  EXPECT_EQ(CommandLine::parseTime("-2147483649"), std::nullopt);
  EXPECT_EQ(CommandLine::parseTime("99999999999999999999"), std::nullopt);
  EXPECT_EQ(CommandLine::parseTime("+"), std::nullopt);
}
