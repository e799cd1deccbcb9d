// The command line: what each form asks for, every usage error word for word, and how the program
// answers help and usage errors.

#include "app/command_line.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/app/app_test_util.h"

using ::testing::HasSubstr;
using Arguments = std::vector<std::string>;

TEST(CommandLine, PlayAndHelpForms) {
  for (const Arguments& arguments : std::vector<Arguments>{{}, {"show.lscx"}, {"--windowed"}}) {
    EXPECT_EQ(CommandLine::parse(arguments).kind, CommandKind::kPlay)
        << ::testing::PrintToString(arguments);
  }
  for (const Arguments& arguments : std::vector<Arguments>{
           {"help"}, {"-h"}, {"play", "--help"}, {"render", "a", "--help"}, {"render", "-h"}}) {
    EXPECT_EQ(CommandLine::parse(arguments).kind, CommandKind::kHelp)
        << ::testing::PrintToString(arguments);
  }
  const ParsedCommand all =
      CommandLine::parse({"play", "--windowed", "shows/a.lscx", "--start", "-5", "--no-audio",
                          "--dev", "--loop", "1000:4000"});
  ASSERT_EQ(all.kind, CommandKind::kPlay) << all.error;
  EXPECT_EQ(all.play.scriptText, "shows/a.lscx");
  EXPECT_TRUE(all.play.windowed && all.play.dev);
  EXPECT_FALSE(all.play.audio);
  EXPECT_EQ(all.play.start, -5);
  EXPECT_EQ(all.play.loop, (LoopSpan{1000, 4000}));
  EXPECT_EQ(CommandLine::parse({"--dev", "--loop", "0:1"}).play.loop, (LoopSpan{0, 1}));
}

TEST(CommandLine, SyncForms) {
  struct Case {
    Arguments arguments;
    std::string address;  // host:port
    std::string script;
    float bpm = 120.0f;
    std::int32_t rowsPerBeat = 8;
  };
  const std::vector<Case> cases = {
      // The address is optional: a script after --sync stays the script.
      {{"--dev", "--sync"}, "localhost:1338", ""},
      {{"--dev", "--sync", "a.lscx"}, "localhost:1338", "a.lscx"},
      {{"--dev", "a.lscx", "--sync", "10.0.0.2:4000"}, "10.0.0.2:4000", "a.lscx"},
      {{"--sync", "[::1]:1", "--dev"}, "::1:1", ""},
      {{"--dev", "--sync", "studio:65535", "--sync-rows-per-beat", "256", "--sync-bpm", "87.5"},
       "studio:65535",
       "",
       87.5f,
       256},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.arguments));
    const ParsedCommand command = CommandLine::parse(c.arguments);
    ASSERT_EQ(command.kind, CommandKind::kPlay) << command.error;
    ASSERT_TRUE(command.play.sync);
    EXPECT_EQ(command.play.sync->host + ":" + std::to_string(command.play.sync->port), c.address);
    EXPECT_EQ(command.play.scriptText, c.script);
    EXPECT_EQ(command.play.syncBpm, c.bpm);
    EXPECT_EQ(command.play.syncRowsPerBeat, c.rowsPerBeat);
  }
  EXPECT_EQ(CommandLine::parse({"--dev"}).play.sync, std::nullopt);
}

TEST(CommandLine, RenderForms) {
  struct Case {
    Arguments arguments;
    std::string script;
    std::vector<std::int32_t> times;
    std::string out;
    std::int32_t fps = 25, from = 0;
    std::optional<std::int32_t> to = std::nullopt;
  };
  const std::vector<Case> cases = {
      {{"render", "a", "--at", "3000", "--at", "0", "--out", "f"}, "a", {3000, 0}, "f"},
      // Options may stand before the script; a negative time and an out path that looks like an
      // option are values.
      {{"render", "--out", "-frame.png", "--at", "-250", "a"}, "a", {-250}, "-frame.png"},
      {{"render", "a", "--out", "show.mp4"}, "a", {}, "show.mp4"},
      {{"render", "a", "--from", "-1", "--to", "3", "--out", "f"}, "a", {}, "f", 25, -1, 3},
      {{"render", "a", "--fps", "240", "--out", "v.mp4"}, "a", {}, "v.mp4", 240},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.arguments));
    const ParsedCommand command = CommandLine::parse(c.arguments);
    ASSERT_EQ(command.kind, CommandKind::kRender) << command.error;
    EXPECT_EQ(command.render.scriptPath, c.script);
    EXPECT_EQ(command.render.times, c.times);
    EXPECT_EQ(command.render.outPath, c.out);
    EXPECT_EQ(command.render.fps, c.fps);
    EXPECT_EQ(command.render.from, c.from);
    EXPECT_EQ(command.render.to, c.to);
  }
}

TEST(CommandLine, UsageErrors) {
  const std::string loop = "--loop needs FROM:TO in whole milliseconds with 0 <= FROM < TO, not '";
  const std::vector<std::pair<Arguments, std::string>> cases = {
      {{"a.lscx", "--start", "soon"}, "--start needs a whole number of milliseconds, not 'soon'"},
      {{"a.lscx", "--start"}, "--start needs a value"},
      {{"a.lscx", "b.lscx"}, "more than one script: 'b.lscx'"},
      {{"play", "--fullscreen"}, "unknown option '--fullscreen'"},
      {{"--dev", "--loop"}, "--loop needs a value"},
      {{"a.lscx", "--loop", "0:1000"}, "--loop needs --dev"},
      {{"a.lscx", "--sync"}, "--sync needs --dev"},
      {{"--dev", "--sync-bpm", "130"}, "--sync-bpm and --sync-rows-per-beat need --sync"},
      {{"--dev", "--sync", "--sync-bpm"}, "--sync-bpm needs a value"},
      {{"--dev", "--sync", "--sync-rows-per-beat"}, "--sync-rows-per-beat needs a value"},
      {{"render"}, "render needs a script"},
      {{"render", "a.lscx", "--at", "5"}, "render needs --out PATH"},
      {{"render", "a.lscx", "--at", "1", "--out"}, "--out needs a value"},
      {{"render", "a.lscx", "--at", "1", "--out", ""}, "--out needs a path"},
      {{"render", "", "--at", "1", "--out", "x"}, "the script path is empty"},
      {{"render", "a.lscx", "--at", "1", "--out", "x", "--out", "y"}, "--out given twice"},
      {{"render", "a.lscx", "--at", "1", "--at", "1", "--out", "x"}, "--at 1 given twice"},
      {{"render", "a.lscx", "--at", "1", "--out", "x", "--fast"}, "unknown option '--fast'"},
      {{"render", "a.lscx", "--out", "v", "--fps"}, "--fps needs a value"},
      {{"render", "a.lscx", "--from", "2000", "--to", "2000", "--out", "v"},
       "--to must be later than --from"},
      {{"render", "a.lscx", "--at", "5", "--to", "30", "--out", "v"},
       "--at draws single frames; --fps, --from and --to are for an export"},
  };
  for (const auto& [arguments, error] : cases) {
    const ParsedCommand command = CommandLine::parse(arguments);
    EXPECT_EQ(command.kind, CommandKind::kUsageError) << ::testing::PrintToString(arguments);
    EXPECT_EQ(command.error, error) << ::testing::PrintToString(arguments);
  }
  for (const std::string bad : {"1000", "1000:1000", "-1:5", "0:99999999999"}) {
    EXPECT_EQ(CommandLine::parse({"--dev", "--loop", bad}).error, loop + bad + "'");
  }
  for (const std::string address : {"host:0", "host:65536", ":1338"}) {
    EXPECT_EQ(CommandLine::parse({"--dev", "--sync", address}).error,
              "--sync needs HOST:PORT with a port from 1 to 65535, not '" + address + "'");
  }
  for (const std::string bpm : {"0.5", "1001", "nan"}) {
    EXPECT_EQ(CommandLine::parse({"--dev", "--sync", "--sync-bpm", bpm}).error,
              "--sync-bpm needs a tempo from 1 to 1000, not '" + bpm + "'");
  }
  for (const std::string rows : {"257", "4.5"}) {
    EXPECT_EQ(CommandLine::parse({"--dev", "--sync", "--sync-rows-per-beat", rows}).error,
              "--sync-rows-per-beat needs a whole number from 1 to 256, not '" + rows + "'");
  }
  for (const std::string fps : {"0", "241"}) {
    EXPECT_EQ(CommandLine::parse({"render", "a.lscx", "--fps", fps, "--out", "v.mp4"}).error,
              "--fps needs a whole number from 1 to 240, not '" + fps + "'");
  }
}

TEST(CommandLine, TimesAreSigned32BitDecimalsAndNothingElse) {
  const std::vector<std::pair<std::string, std::optional<std::int32_t>>> cases = {
      {"0", 0},
      {"+42", 42},
      {"2147483647", INT32_MAX},
      {"-2147483648", INT32_MIN},
      {"2147483648", std::nullopt},
      {"-2147483649", std::nullopt},
      {"99999999999999999999", std::nullopt},
  };
  for (const auto& [text, time] : cases)
    EXPECT_EQ(CommandLine::parseTime(text), time) << text;
  for (const char* bad : {"", "1.5", " 12", "+-5", "-"})
    EXPECT_EQ(CommandLine::parseTime(bad), std::nullopt) << "'" << bad << "'";
}

TEST(CommandLine, TheProgramPrintsHelpOnStdoutAndUsageErrorsOnStderr) {
  TempFolder folder;
  const ProgramRun help = runShowPlayer({"--help"}, folder.path());
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_EQ(help.out, CommandLine::helpText());
  EXPECT_EQ(help.err, "");
  EXPECT_THAT(help.out, HasSubstr("showplayer render SCRIPT --at MS [--at MS ...] --out PATH"));
  const ProgramRun usage = runShowPlayer({"render", "show.lscx", "--at", "soon"}, folder.path());
  EXPECT_EQ(usage.exitCode, 2);
  EXPECT_EQ(usage.out, "");
  EXPECT_EQ(usage.err,
            "showplayer: --at needs a whole number of milliseconds, not 'soon'\n"
            "Try 'showplayer --help'.\n");
  EXPECT_TRUE(filesIn(folder.path()).empty());
}
