// The command line: what is accepted, what is a usage error, and the help.

#include "app/command_line.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <limits>

using ::testing::HasSubstr;

namespace {

ParsedCommand parse(std::vector<std::string> arguments) {
  return CommandLine::parse(arguments);
}

}  // namespace

// --- Commands ---

TEST(CommandLineCommands, KindsOfCommand) {
  // No argument is its own kind so that the help goes with a usage status.
  EXPECT_EQ(parse({}).kind, CommandKind::kNoCommand);
  for (const auto& arguments : std::vector<std::vector<std::string>>{
           {"help"}, {"--help"}, {"-h"}, {"render", "show.lscx", "--help"}, {"render", "-h"}}) {
    EXPECT_EQ(parse(arguments).kind, CommandKind::kHelp) << ::testing::PrintToString(arguments);
  }
  const ParsedCommand unknown = parse({"play", "show.lscx"});
  EXPECT_EQ(unknown.kind, CommandKind::kUsageError);
  EXPECT_THAT(unknown.error, HasSubstr("'play'"));
}

TEST(CommandLineCommands, HelpTextDocumentsRenderAndThePlayerStillToCome) {
  const std::string text(CommandLine::helpText());
  EXPECT_THAT(text, HasSubstr("showplayer render SCRIPT --at MS [--at MS ...] --out PATH"));
  EXPECT_THAT(text, HasSubstr("frame-MS.png"));
  EXPECT_THAT(text, HasSubstr("interactive player"));
}

// --- render: accepted forms ---

TEST(CommandLineRender, AcceptedForms) {
  struct Case {
    std::vector<std::string> arguments;
    std::string script;
    std::vector<int32_t> times;
    std::string out;
  };
  const std::vector<Case> cases = {
      {{"render", "shows/a.lscx", "--at", "1500", "--out", "a.png"},
       "shows/a.lscx",
       {1500},
       "a.png"},
      {{"render", "a.lscx", "--at", "3000", "--at", "0", "--at", "1500", "--out", "frames"},
       "a.lscx",
       {3000, 0, 1500},
       "frames"},
      // Options may stand before the script.
      {{"render", "--out", "x.png", "--at", "7", "a.lscx"}, "a.lscx", {7}, "x.png"},
      // A negative time is a value, not an option; so is an out path that looks like one.
      {{"render", "a.lscx", "--at", "-250", "--out", "-frame.png"}, "a.lscx", {-250}, "-frame.png"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.arguments));
    const ParsedCommand command = parse(c.arguments);
    ASSERT_EQ(command.kind, CommandKind::kRender) << command.error;
    EXPECT_EQ(command.render.scriptPath, c.script);
    EXPECT_EQ(command.render.times, c.times);
    EXPECT_EQ(command.render.outPath, c.out);
  }
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
