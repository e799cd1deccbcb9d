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
  // Nothing, a script alone, or "play": the player.
  for (const auto& arguments : std::vector<std::vector<std::string>>{
           {}, {"show.lscx"}, {"play"}, {"play", "show.lscx"}, {"--windowed"}}) {
    EXPECT_EQ(parse(arguments).kind, CommandKind::kPlay) << ::testing::PrintToString(arguments);
  }
  for (const auto& arguments : std::vector<std::vector<std::string>>{
           {"help"}, {"--help"}, {"-h"}, {"render", "show.lscx", "--help"}, {"render", "-h"}}) {
    EXPECT_EQ(parse(arguments).kind, CommandKind::kHelp) << ::testing::PrintToString(arguments);
  }
}

TEST(CommandLineCommands, HelpTextDocumentsEveryForm) {
  const std::string text(CommandLine::helpText());
  EXPECT_THAT(text, HasSubstr("showplayer [play] [SCRIPT] [--windowed] [--start MS] [--no-audio]"));
  EXPECT_THAT(text, HasSubstr("showplayer render SCRIPT --at MS [--at MS ...] --out PATH"));
  EXPECT_THAT(
      text,
      HasSubstr("showplayer render SCRIPT --out VIDEO|FOLDER/ [--fps N] [--from MS] [--to MS]"));
  EXPECT_THAT(text, HasSubstr("frame-MS.png"));
}

// --- play ---

TEST(CommandLinePlay, OptionsAndScript) {
  const ParsedCommand none = parse({});
  EXPECT_EQ(none.play.scriptText, "");
  EXPECT_FALSE(none.play.windowed);
  EXPECT_TRUE(none.play.audio);
  EXPECT_EQ(none.play.start, std::nullopt);

  const ParsedCommand all =
      parse({"play", "--windowed", "shows/a.lscx", "--start", "12000", "--no-audio"});
  ASSERT_EQ(all.kind, CommandKind::kPlay) << all.error;
  EXPECT_EQ(all.play.scriptText, "shows/a.lscx");
  EXPECT_TRUE(all.play.windowed);
  EXPECT_FALSE(all.play.audio);
  EXPECT_EQ(all.play.start, 12000);

  EXPECT_EQ(parse({"a.lscx", "--start", "-5"}).play.start, -5);
  EXPECT_THAT(parse({"a.lscx", "--start", "soon"}).error, HasSubstr("'soon'"));
  EXPECT_THAT(parse({"a.lscx", "--start"}).error, HasSubstr("--start needs a value"));
  EXPECT_THAT(parse({"a.lscx", "b.lscx"}).error, HasSubstr("more than one script"));
  EXPECT_THAT(parse({"play", "--fullscreen"}).error, HasSubstr("unknown option '--fullscreen'"));
  EXPECT_EQ(parse({"play", "--help"}).kind, CommandKind::kHelp);
}

TEST(CommandLinePlay, DevModeAndItsLoop) {
  const ParsedCommand dev = parse({"--dev", "a.lscx", "--loop", "1000:+4000", "--start", "5"});
  ASSERT_EQ(dev.kind, CommandKind::kPlay) << dev.error;
  EXPECT_TRUE(dev.play.dev);
  EXPECT_EQ(dev.play.scriptText, "a.lscx");
  EXPECT_EQ(dev.play.loop, (LoopSpan{1000, 4000}));
  EXPECT_EQ(dev.play.start, 5);
  EXPECT_FALSE(parse({"a.lscx"}).play.dev);
  EXPECT_EQ(parse({"--dev", "--loop", "0:1"}).play.loop, (LoopSpan{0, 1}));
  for (const std::string bad : {"", "1000", "1000:", ":2000", "2000:1000", "1000:1000", "-1:5",
                                "1:2:3", "1000 : 2000", "0:99999999999"}) {
    EXPECT_THAT(parse({"--dev", "--loop", bad}).error,
                HasSubstr("--loop needs FROM:TO in whole milliseconds with 0 <= FROM < TO, not '" +
                          bad + "'"));
  }
  EXPECT_THAT(parse({"--dev", "--loop"}).error, HasSubstr("--loop needs a value"));
  EXPECT_THAT(parse({"a.lscx", "--loop", "0:1000"}).error, HasSubstr("--loop needs --dev"));
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
  EXPECT_THAT(parse({"render", "a.lscx", "--at", "5"}).error, HasSubstr("--out"));
  for (const auto& arguments :
       std::vector<std::vector<std::string>>{{"render"}, {"render", "a.lscx", "--at", "5"}}) {
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

// --- render: export ---

TEST(CommandLineExport, DefaultsAndSpan) {
  const ParsedCommand plain = parse({"render", "a.lscx", "--out", "show.mp4"});
  ASSERT_EQ(plain.kind, CommandKind::kRender) << plain.error;
  EXPECT_TRUE(plain.render.times.empty());
  EXPECT_EQ(plain.render.fps, 25);
  EXPECT_EQ(plain.render.from, 0);
  EXPECT_EQ(plain.render.to, std::nullopt);

  const ParsedCommand span =
      parse({"render", "a.lscx", "--fps", "50", "--from", "1000", "--to", "3000", "--out", "f/"});
  ASSERT_EQ(span.kind, CommandKind::kRender) << span.error;
  EXPECT_EQ(span.render.fps, 50);
  EXPECT_EQ(span.render.from, 1000);
  EXPECT_EQ(span.render.to, 3000);
  EXPECT_EQ(span.render.outPath, "f/");
}

TEST(CommandLineExport, Errors) {
  for (const char* fps : {"0", "241", "-3", "25.5", "x"}) {
    EXPECT_THAT(parse({"render", "a.lscx", "--fps", fps, "--out", "v.mp4"}).error,
                HasSubstr("--fps needs a whole number from 1 to 240"))
        << fps;
  }
  EXPECT_THAT(parse({"render", "a.lscx", "--from", "2000", "--to", "2000", "--out", "v.mp4"}).error,
              HasSubstr("--to must be later than --from"));
  EXPECT_THAT(parse({"render", "a.lscx", "--at", "5", "--fps", "30", "--out", "v"}).error,
              HasSubstr("--at draws single frames"));
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
