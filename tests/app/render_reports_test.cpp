// `showplayer render` end to end: what it says on stderr and the exit status, for shows with
// faults, scripts that cannot be read, a show that asks to end, and bad command lines.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/app/app_test_util.h"

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace {

class RenderReports : public ::testing::Test {
 protected:
  void writeShow(const std::string& script) {
    writeTextFile(m_folder.path() / "show.lscx", script);
  }
  ProgramRun run(const std::vector<std::string>& arguments) {
    return runShowPlayer(arguments, m_folder.path());
  }

  TempFolder m_folder;
};

std::string frameLayerWith(const std::vector<std::string>& managerLines) {
  return scriptText({{"LAYER_DIMENSION", {"desc: frame 512 256"}},
                     {"SCREEN_LAYER", {"desc: screen frame"}},
                     {"LAYER_MANAGER", managerLines}});
}

}  // namespace

// --- Reports of the show ---

TEST_F(RenderReports, AWriteOfAMissingSourceIsReportedAtLoadThenAtEveryFrameItRuns) {
  writeShow(frameLayerWith({"desc: screen 1 0 1000 w ghost"}));
  const ProgramRun result = run({"render", "show.lscx", "--at", "100", "--at", "200", "--at", "300",
                                 "--at", "1500", "--out", "frames"});
  EXPECT_EQ(result.exitCode, 0);
  // The stderr sink writes a run of identical reports once, then how often it repeated.
  EXPECT_EQ(result.err,
            "ScriptEngine : Can't find SCREEN_LAYER/SPE_LAYER/IMAGE/2D_DESC/3D_DESC/SKYBOX_DESC: "
            "ghost\n"
            "ScriptLayerOperationWrite : m_pRenderData NULL\n"
            "(the report above was repeated 2 more times)\n");
  EXPECT_TRUE(fs::exists(m_folder.path() / "frames" / "frame-1500.png"));
}

TEST_F(RenderReports, AFatalReportEndsTheShowAfterWritingThatFrame) {
  // Writing a 256 x 128 layer into the 512 x 256 frame is a fatal size mismatch of the blit.
  writeShow(scriptText(
      {{"LAYER_DIMENSION", {"desc: frame 512 256", "desc: small 256 128"}},
       {"SCREEN_LAYER", {"desc: tile small", "desc: screen frame"}},
       {"LAYER_MANAGER", {"desc: screen 1 0 5000 c 0 0 255", "desc: screen 2 150 5000 w tile"}}}));
  const ProgramRun result =
      run({"render", "show.lscx", "--at", "100", "--at", "200", "--at", "300", "--out", "frames"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err,
            "CImage32Buffered blit: must be same dimensions\n"
            "showplayer: the show asked to end (exit code 1) at 200 ms; frames/frame-200.png is "
            "its last frame\n");
  EXPECT_TRUE(fs::exists(m_folder.path() / "frames" / "frame-100.png"));
  const std::optional<RgbImage> last = readPng(m_folder.file("frames/frame-200.png"));
  ASSERT_TRUE(last);
  // The failed write left the blue of position 1.
  EXPECT_TRUE(isBandOf(*last, 0x0000FFu));
  EXPECT_FALSE(fs::exists(m_folder.path() / "frames" / "frame-300.png"));
}

// --- Scripts that cannot be read ---

TEST_F(RenderReports, AMissingScriptIsAFailureAndWritesNothing) {
  const ProgramRun result =
      run({"render", m_folder.file("absent.lscx"), "--at", "0", "--out", "frame.png"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err,
            "ScriptEngine : Can't open file : absent.lscx\nshowplayer: cannot open script " +
                m_folder.file("absent.lscx") + "\n");
  EXPECT_FALSE(fs::exists(m_folder.path() / "frame.png"));
}

TEST_F(RenderReports, AMissingScriptDoesNotCreateTheFramesFolder) {
  const ProgramRun result =
      run({"render", "absent.lscx", "--at", "0", "--at", "1", "--out", "frames"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_THAT(result.err, HasSubstr("showplayer: cannot open script absent.lscx\n"));
  EXPECT_FALSE(fs::exists(m_folder.path() / "frames"));
}

TEST_F(RenderReports, AnEmptyFileIsAScriptWithNothingInIt) {
  writeShow("");
  const ProgramRun result = run({"render", "show.lscx", "--at", "0", "--out", "frame.png"});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_THAT(result.err, StartsWith("ScriptEngine : "));
  const std::optional<RgbImage> image = readPng(m_folder.file("frame.png"));
  ASSERT_TRUE(image);
  EXPECT_TRUE(isBandOf(*image, 0u));
}

// --- Files that cannot be written ---

TEST_F(RenderReports, AnOutFileInAMissingFolderIsAFailure) {
  writeShow(frameLayerWith({"desc: screen 1 0 1000 c 255 0 0"}));
  const ProgramRun result = run({"render", "show.lscx", "--at", "0", "--out", "no/such/frame.png"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_THAT(result.err, StartsWith("showplayer: cannot write no/such/frame.png: "));
}

TEST_F(RenderReports, AFileInTheWayOfTheFramesFolderIsAFailure) {
  writeShow(frameLayerWith({"desc: screen 1 0 1000 c 255 0 0"}));
  writeTextFile(m_folder.path() / "frames", "not a folder");
  const ProgramRun result =
      run({"render", "show.lscx", "--at", "0", "--at", "1", "--out", "frames"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_THAT(result.err, StartsWith("showplayer: cannot create the folder frames"));
}

TEST_F(RenderReports, TheFailureLineComesAfterTheCountOfRepeatedReports) {
  writeShow(frameLayerWith({"desc: screen 1 0 1000 w ghost"}));
  // A folder where the second frame's file should go makes that write fail.
  fs::create_directories(m_folder.path() / "frames" / "frame-200.png");
  const ProgramRun result =
      run({"render", "show.lscx", "--at", "100", "--at", "200", "--at", "300", "--out", "frames"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err,
            "ScriptEngine : Can't find SCREEN_LAYER/SPE_LAYER/IMAGE/2D_DESC/3D_DESC/SKYBOX_DESC: "
            "ghost\n"
            "ScriptLayerOperationWrite : m_pRenderData NULL\n"
            "(the report above was repeated once more)\n"
            "showplayer: cannot write frames/frame-200.png: Is a directory\n");
  EXPECT_FALSE(fs::exists(m_folder.path() / "frames" / "frame-300.png"));
}

// --- The command line ---

TEST_F(RenderReports, UsageErrorsExitWith2AndSayWhatIsWrong) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"render"}, "render needs a script"},
      {{"render", "show.lscx", "--at", "1"}, "--out"},
      {{"render", "show.lscx", "--at", "soon", "--out", "x.png"}, "'soon'"},
      {{"render", "show.lscx", "--at"}, "--at needs a value"},
      {{"render", "show.lscx", "--at", "1", "--fps", "5", "--out", "x"}, "--at draws single"},
      {{"--loud"}, "unknown option '--loud'"},
  };
  for (const auto& [arguments, message] : cases) {
    const ProgramRun result = run(arguments);
    EXPECT_EQ(result.exitCode, 2) << message;
    EXPECT_THAT(result.err, StartsWith("showplayer: ")) << message;
    EXPECT_THAT(result.err, HasSubstr(message));
    EXPECT_THAT(result.err, HasSubstr("Try 'showplayer --help'."));
  }
}

TEST_F(RenderReports, HelpGoesToStdoutWithSuccess) {
  for (const char* word : {"--help", "-h", "help"}) {
    const ProgramRun result = run({word});
    EXPECT_EQ(result.exitCode, 0) << word;
    EXPECT_THAT(result.out, HasSubstr("showplayer render SCRIPT --at MS")) << word;
    EXPECT_THAT(result.out, HasSubstr("showplayer [play] [SCRIPT]")) << word;
    EXPECT_EQ(result.err, "") << word;
  }
}
