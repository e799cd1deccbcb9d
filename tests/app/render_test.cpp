// `showplayer render --at`: the PNG files it writes and their names, and what the program says and
// leaves behind for shows with faults and bad paths.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <png.h>

#include <sstream>

#include "app/render_command.h"
#include "tests/app/app_test_util.h"

namespace fs = std::filesystem;
using ::testing::StartsWith;

namespace {

constexpr std::uint32_t kRed = 0xFF0000u;
constexpr std::uint32_t kBlue = 0x0000FFu;

const std::string kGhostReports =
    "ScriptEngine : Can't find SCREEN_LAYER/SPE_LAYER/IMAGE/2D_DESC/3D_DESC/SKYBOX_DESC: ghost\n"
    "ScriptLayerOperationWrite : m_pRenderData NULL\n";

}  // namespace

TEST(RenderCommand, SeveralTimesWriteFramesNamedAfterTheirTimeInTheOutFolderAnySeparator) {
  RenderRequest request;
  request.times = {1, -250};
  request.outPath = "out\\frames\\";
  EXPECT_EQ(RenderCommand(request).framePath(1), "out/frames/frame--250.png");
}

TEST(RenderProgram, FramesFollowTheTimeTableAndKeepThePreviousFrameWhereNothingRuns) {
  TempFolder folder;
  writeTextFile(folder.path() / "show.lscx", redThenBlue());
  const ProgramRun run = runShowPlayer({"render", "show.lscx", "--at", "1500", "--at", "500",
                                        "--at", "-20", "--at", "2500", "--out", "out/deep"},
                                       folder.path());
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(filesIn(folder.path() / "out/deep"),
            (std::set<std::string>{"frame-1500.png", "frame-500.png", "frame--20.png",
                                   "frame-2500.png"}));
  for (const auto& [time, color] : std::vector<std::pair<int, std::uint32_t>>{
           {1500, kBlue}, {500, kRed}, {-20, kRed}, {2500, kRed}}) {
    const std::optional<RgbImage> frame =
        readPng(folder.file("out/deep/frame-" + std::to_string(time) + ".png"));
    ASSERT_TRUE(frame) << time;
    EXPECT_TRUE(isBandOf(*frame, color)) << time;
  }
}

TEST(RenderProgram, ScriptPathsAreTakenInAnyFormAndTheOutPathFromTheWorkingFolder) {
  std::string crlf;
  for (const char c : redThenBlue())
    crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  struct Case {
    std::string file, text, argument, err;
    std::uint32_t color;  // at 1500 ms
  };
  TempFolder folder;
  const std::vector<Case> cases = {
      {"shows/sub/show.lscx", crlf, "shows\\sub\\show.lscx", "", kBlue},
      {"odd.lscx", frameShow({"screen 1 0 2000 x 1 2 3"}), "odd.lscx",
       "ScriptEngine : desc: screen 1 0 2000 x 1 2 3\nScriptEngine : can t find operation\n",
       0xFF00FFu},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.argument);
    writeTextFile(folder.path() / c.file, c.text);
    const ProgramRun run =
        runShowPlayer({"render", c.argument, "--at", "1500", "--out", "frame.png"}, folder.path());
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, c.err);
    const std::optional<RgbImage> frame = readPng(folder.file("frame.png"));
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->fileFormat, static_cast<std::uint32_t>(PNG_FORMAT_RGB));
    EXPECT_TRUE(isBandOf(*frame, c.color));
    fs::remove(folder.path() / "frame.png");
  }
  EXPECT_FALSE(fs::exists(folder.path() / "shows/sub/frame.png"));
}

TEST(RenderProgram, FaultsAreReportedWithTheirStatusAndLeaveOnlyTheFramesWritten) {
  struct Case {
    std::string name;
    std::optional<std::string> script;  // show.lscx; none: not written
    std::string inTheWay;               // made first: a folder when it ends with '/', else a file
    std::string arguments;              // after "render", split at blanks
    int exitCode;
    std::string err;              // all of stderr, or its start when it ends with "..."
    std::string present, absent;  // files, split at blanks
  };
  const std::string atThree = "show.lscx --at 100 --at 200 --at 300 --out f";
  const std::string ghost = frameShow({"screen 1 0 1000 w ghost"});
  const std::string smallFrame = scriptText(
      {{"LAYER_DIMENSION", {"desc: frame 512 256", "desc: small 256 128"}},
       {"SCREEN_LAYER", {"desc: full frame", "desc: last small"}},
       {"LAYER_MANAGER", {"desc: full 1 0 1000 c 0 255 0", "desc: last 1 0 1000 c 255 0 0"}}});
  const std::vector<Case> cases = {
      {"a write of a missing source, reported at load then once per run of frames", ghost, "",
       atThree + " --at 1500", 0, kGhostReports + "(the report above was repeated 2 more times)\n",
       "f/frame-100.png f/frame-1500.png", ""},
      {"a failure line after the count of repeated reports", ghost, "f/frame-200.png/", atThree, 1,
       kGhostReports + "(the report above was repeated once more)\n"
                       "showplayer: cannot write f/frame-200.png: Is a directory\n",
       "f/frame-100.png", "f/frame-300.png"},
      {"a fatal report ends the show after writing that frame", fatalAt150Show(), "", atThree, 1,
       "CImage32Buffered blit: must be same dimensions\nshowplayer: the show asked to end (exit "
       "code 1) at 200 ms; f/frame-200.png is its last frame\n",
       "f/frame-100.png f/frame-200.png", "f/frame-300.png"},
      {"a missing script", std::nullopt, "", "absent.lscx --at 0 --at 1 --out f", 1,
       "ScriptEngine : Can't open file : absent.lscx\nshowplayer: cannot open script absent.lscx\n",
       "", "f"},
      {"a folder for a script", std::nullopt, "show.lscx/", "show.lscx --at 0 --out f", 1,
       "ScriptEngine : Can't open file : show.lscx\nshowplayer: cannot open script show.lscx\n", "",
       "f"},
      {"a frame layer of another size leaves the display black", smallFrame, "", atThree, 0,
       "ScriptLayerManager : setDestination: different dimensions !\n(the report above was "
       "repeated 2 more times)\n",
       "f/frame-100.png f/frame-300.png", ""},
      {"an empty script", "", "", "show.lscx --at 0 --out frame.png", 0, "ScriptEngine : ...",
       "frame.png", ""},
      {"an out file in a missing folder", redThenBlue(), "",
       "show.lscx --at 0 --out no/such/frame.png", 1,
       "showplayer: cannot write no/such/frame.png: ...", "", "no"},
      {"a file in the way of the frames folder", redThenBlue(), "f",
       "show.lscx --at 0 --at 1 --out f", 1, "showplayer: cannot create the folder f...", "", ""},
  };
  const auto words = [](const std::string& text) {
    std::vector<std::string> all;
    std::istringstream stream(text);
    for (std::string word; stream >> word;)
      all.push_back(word);
    return all;
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    if (c.script) writeTextFile(folder.path() / "show.lscx", *c.script);
    if (c.inTheWay.ends_with('/')) fs::create_directories(folder.path() / c.inTheWay);
    if (!c.inTheWay.empty() && !c.inTheWay.ends_with('/'))
      writeTextFile(folder.path() / c.inTheWay, "not a folder");
    std::vector<std::string> arguments = words("render " + c.arguments);
    const ProgramRun run = runShowPlayer(arguments, folder.path());
    EXPECT_EQ(run.exitCode, c.exitCode);
    if (c.err.ends_with("...")) {
      EXPECT_THAT(run.err, StartsWith(c.err.substr(0, c.err.size() - 3)));
    } else {
      EXPECT_EQ(run.err, c.err);
    }
    for (const std::string& name : words(c.present)) {
      const std::optional<RgbImage> frame = readPng(folder.file(name));
      ASSERT_TRUE(frame) << name;
      // The failed writes change nothing: what shows is the fill before them, or black.
      EXPECT_TRUE(isBandOf(*frame, c.script == fatalAt150Show() ? kBlue : 0u)) << name;
    }
    for (const std::string& name : words(c.absent))
      EXPECT_FALSE(fs::exists(folder.path() / name)) << name;
  }
}
