// `showplayer render` end to end: the pixels of the frames it writes. Every expected colour is
// read off the time table of the script the test writes.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <png.h>

#include "tests/app/app_test_util.h"

namespace fs = std::filesystem;
using ::testing::UnorderedElementsAre;

namespace {

constexpr uint32_t kRed = 0xFF0000u;
constexpr uint32_t kBlue = 0x0000FFu;
constexpr uint32_t kBlack = 0x000000u;

// One 512 x 256 layer "screen", the frame: red from 0 to 1000 ms, blue from 1000 to 2000 ms.
std::string redThenBlue() {
  return scriptText({{"LAYER_DIMENSION", {"desc: frame 512 256"}},
                     {"SCREEN_LAYER", {"desc: screen frame"}},
                     {"LAYER_MANAGER",
                      {"desc: screen 1 0 1000 c 255 0 0", "desc: screen 1 1000 2000 c 0 0 255"}}});
}

class RenderFrames : public ::testing::Test {
 protected:
  // Renders `script` (written as show.lscx) at one time into frame.png and reads it back.
  RgbImage renderOne(const std::string& script, int32_t time) {
    writeTextFile(m_folder.path() / "show.lscx", script);
    const ProgramRun run =
        runShowPlayer({"render", "show.lscx", "--at", std::to_string(time), "--out", "frame.png"},
                      m_folder.path());
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    std::optional<RgbImage> image = readPng(m_folder.file("frame.png"));
    if (!image) {
      ADD_FAILURE() << "no frame.png at " << time << " ms";
      return {};
    }
    return *image;
  }

  // Renders at several times into the folder "frames" and reads frame-<MS>.png of `time`.
  std::optional<RgbImage> frameOf(int32_t time) const {
    return readPng(m_folder.file("frames/frame-" + std::to_string(time) + ".png"));
  }
  ProgramRun renderSeveral(const std::string& script, const std::vector<int32_t>& times) {
    writeTextFile(m_folder.path() / "show.lscx", script);
    std::vector<std::string> arguments{"render", "show.lscx"};
    for (const int32_t time : times) {
      arguments.push_back("--at");
      arguments.push_back(std::to_string(time));
    }
    arguments.push_back("--out");
    arguments.push_back("frames");
    return runShowPlayer(arguments, m_folder.path());
  }

  TempFolder m_folder;
};

}  // namespace

// --- The band and its black surroundings ---

TEST_F(RenderFrames, TheDisplayIs8BitRgb512By384) {
  const RgbImage image = renderOne(redThenBlue(), 500);
  EXPECT_EQ(image.width, 512);
  EXPECT_EQ(image.height, 384);
  EXPECT_EQ(image.fileFormat, static_cast<uint32_t>(PNG_FORMAT_RGB));
}

TEST_F(RenderFrames, RedAt500InsideTheBandBlackAroundAndOnTheClearedEdges) {
  const RgbImage image = renderOne(redThenBlue(), 500);
  // Spot checks of the edges isBandOf also covers, named here for a readable failure.
  EXPECT_EQ(image.at(200, 63), kBlack) << "row above the band";
  EXPECT_EQ(image.at(200, 64), kBlack) << "first row of the band";
  EXPECT_EQ(image.at(200, 65), kRed);
  EXPECT_EQ(image.at(0, 200), kBlack) << "first column of the band";
  EXPECT_EQ(image.at(1, 200), kRed);
  EXPECT_EQ(image.at(511, 200), kRed) << "the last column is not cleared";
  EXPECT_EQ(image.at(200, 318), kRed);
  EXPECT_EQ(image.at(200, 319), kBlack) << "last row of the band";
  EXPECT_EQ(image.at(200, 320), kBlack) << "row below the band";
  EXPECT_TRUE(isBandOf(image, kRed));
}

TEST_F(RenderFrames, BlueAt1500) {
  EXPECT_TRUE(isBandOf(renderOne(redThenBlue(), 1500), kBlue));
}

TEST_F(RenderFrames, AnOperationRunsFromItsStartUpToButNotAtItsEnd) {
  EXPECT_TRUE(isBandOf(renderOne(redThenBlue(), 0), kRed));
  EXPECT_TRUE(isBandOf(renderOne(redThenBlue(), 999), kRed));
  EXPECT_TRUE(isBandOf(renderOne(redThenBlue(), 1000), kBlue));
  EXPECT_TRUE(isBandOf(renderOne(redThenBlue(), 1999), kBlue));
  // Nothing runs at 2000: a fresh display stays black.
  EXPECT_TRUE(isBandOf(renderOne(redThenBlue(), 2000), kBlack));
}

TEST_F(RenderFrames, NegativeTimesAreScriptTimesToo) {
  const std::string script =
      scriptText({{"LAYER_DIMENSION", {"desc: frame 512 256"}},
                  {"SCREEN_LAYER", {"desc: screen frame"}},
                  {"LAYER_MANAGER", {"desc: screen 1 -1000 0 c 255 255 0"}}});
  EXPECT_TRUE(isBandOf(renderOne(script, -500), 0xFFFF00u));
}

// --- Several times ---

TEST_F(RenderFrames, SeveralTimesWriteOneFileEachIntoACreatedFolder) {
  const ProgramRun run = renderSeveral(redThenBlue(), {1500, 500, -20});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(m_folder.path() / "frames")) {
    names.push_back(entry.path().filename().string());
  }
  EXPECT_THAT(names, UnorderedElementsAre("frame-1500.png", "frame-500.png", "frame--20.png"));
  ASSERT_TRUE(frameOf(1500));
  EXPECT_TRUE(isBandOf(*frameOf(1500), kBlue));
  ASSERT_TRUE(frameOf(500));
  EXPECT_TRUE(isBandOf(*frameOf(500), kRed));
  // Nothing runs at -20: the display still holds the red of 500, rendered just before.
  ASSERT_TRUE(frameOf(-20));
  EXPECT_TRUE(isBandOf(*frameOf(-20), kRed));
}

TEST_F(RenderFrames, TheDisplayKeepsTheLastFrameWhereTheShowDrawsNothing) {
  // 500 draws red; nothing runs at 2500, so the display still holds the red frame; 1500 is blue.
  const ProgramRun run = renderSeveral(redThenBlue(), {500, 2500, 1500, 3000});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  ASSERT_TRUE(frameOf(2500));
  EXPECT_TRUE(isBandOf(*frameOf(2500), kRed));
  ASSERT_TRUE(frameOf(3000));
  EXPECT_TRUE(isBandOf(*frameOf(3000), kBlue));
}

TEST_F(RenderFrames, AFolderOutPathIsCreatedWithItsParents) {
  writeTextFile(m_folder.path() / "show.lscx", redThenBlue());
  const ProgramRun run =
      runShowPlayer({"render", "show.lscx", "--at", "1", "--at", "2", "--out", "out/deep/frames"},
                    m_folder.path());
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_TRUE(fs::exists(m_folder.path() / "out/deep/frames/frame-1.png"));
  EXPECT_TRUE(fs::exists(m_folder.path() / "out/deep/frames/frame-2.png"));
}

// --- Operations ---

TEST_F(RenderFrames, AWriteCopiesOneScreenLayerIntoAnother) {
  // a is green; b copies a; the frame is red at position 1, and copies b at position 2 from
  // 1000 to 2000 ms. The layers run in the order a, b, screen, so each copy sees this frame's a.
  const std::string script =
      scriptText({{"LAYER_DIMENSION", {"desc: frame 512 256"}},
                  {"SCREEN_LAYER", {"desc: a frame", "desc: b frame", "desc: screen frame"}},
                  {"LAYER_MANAGER",
                   {"desc: a 1 0 3000 c 0 200 0", "desc: b 1 0 3000 w a",
                    "desc: screen 1 0 3000 c 255 0 0", "desc: screen 2 1000 2000 w b"}}});
  EXPECT_TRUE(isBandOf(renderOne(script, 500), kRed));
  EXPECT_TRUE(isBandOf(renderOne(script, 1500), 0x00C800u));
}

TEST_F(RenderFrames, AtOnePositionTheFirstActiveLineRuns) {
  // Position 1: grey all along. Position 2: red 0-1000, then blue 500-2000.
  const std::string script =
      scriptText({{"LAYER_DIMENSION", {"desc: frame 512 256"}},
                  {"SCREEN_LAYER", {"desc: screen frame"}},
                  {"LAYER_MANAGER",
                   {"desc: screen 1 0 5000 c 64 64 64", "desc: screen 2 0 1000 c 255 0 0",
                    "desc: screen 2 500 2000 c 0 0 255"}}});
  const ProgramRun run = renderSeveral(script, {700, 1200, 2000});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  ASSERT_TRUE(frameOf(700) && frameOf(1200) && frameOf(2000));
  EXPECT_TRUE(isBandOf(*frameOf(700), kRed)) << "both lines are active: the first wins";
  EXPECT_TRUE(isBandOf(*frameOf(1200), kBlue)) << "only the second is active";
  EXPECT_TRUE(isBandOf(*frameOf(2000), 0x404040u)) << "neither: position 1 shows";
}

TEST_F(RenderFrames, AnUnknownOperationFillsMagentaAndIsReported) {
  const std::string script = scriptText({{"LAYER_DIMENSION", {"desc: frame 512 256"}},
                                         {"SCREEN_LAYER", {"desc: screen frame"}},
                                         {"LAYER_MANAGER", {"desc: screen 1 0 1000 x 1 2 3"}}});
  writeTextFile(m_folder.path() / "show.lscx", script);
  const ProgramRun run =
      runShowPlayer({"render", "show.lscx", "--at", "500", "--out", "frame.png"}, m_folder.path());
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.err,
            "ScriptEngine : desc: screen 1 0 1000 x 1 2 3\n"
            "ScriptEngine : can t find operation\n");
  const std::optional<RgbImage> image = readPng(m_folder.file("frame.png"));
  ASSERT_TRUE(image);
  EXPECT_TRUE(isBandOf(*image, 0xFF00FFu));
}

// --- Where the script is ---

TEST_F(RenderFrames, AScriptInAnotherFolderWithCrLfLinesAndABackslashedPath) {
  std::string script = redThenBlue();
  std::string crlf;
  for (const char c : script) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  writeTextFile(m_folder.path() / "shows" / "sub" / "show.lscx", crlf);
  const ProgramRun run = runShowPlayer(
      {"render", "shows\\sub\\show.lscx", "--at", "1500", "--out", "frame.png"}, m_folder.path());
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err, "");
  // The out path is taken from where the program was started, not from the script's folder.
  EXPECT_FALSE(fs::exists(m_folder.path() / "shows" / "sub" / "frame.png"));
  const std::optional<RgbImage> image = readPng(m_folder.file("frame.png"));
  ASSERT_TRUE(image);
  EXPECT_TRUE(isBandOf(*image, kBlue));
}

TEST_F(RenderFrames, AnAbsoluteScriptPath) {
  writeTextFile(m_folder.path() / "shows" / "show.lscx", redThenBlue());
  const ProgramRun run = runShowPlayer(
      {"render", m_folder.file("shows/show.lscx"), "--at", "500", "--out", "frame.png"},
      m_folder.path());
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err, "");
  const std::optional<RgbImage> image = readPng(m_folder.file("frame.png"));
  ASSERT_TRUE(image);
  EXPECT_TRUE(isBandOf(*image, kRed));
}
