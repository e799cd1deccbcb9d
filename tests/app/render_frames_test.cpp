// `showplayer render` end to end: the pixels of the frames it writes. The time-table semantics
// themselves are tested on the classes in tests/script/script_layer_test.cpp; here only what
// needs the real program.

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
  // Runs `arguments` after "render" and expects frame.png; the script is written as `scriptPath`.
  RgbImage renderOne(const std::string& script, const std::vector<std::string>& arguments,
                     const std::string& expectedErr = "",
                     const std::string& scriptPath = "show.lscx") {
    writeTextFile(m_folder.path() / scriptPath, script);
    std::vector<std::string> all{"render"};
    all.insert(all.end(), arguments.begin(), arguments.end());
    all.insert(all.end(), {"--out", "frame.png"});
    const ProgramRun run = runShowPlayer(all, m_folder.path());
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, expectedErr);
    std::optional<RgbImage> image = readPng(m_folder.file("frame.png"));
    if (!image) {
      ADD_FAILURE() << "no frame.png";
      return {};
    }
    return *image;
  }

  // frame-<MS>.png of `time` in `folder`.
  std::optional<RgbImage> frameOf(const std::string& folder, int32_t time) const {
    return readPng(m_folder.file(folder + "/frame-" + std::to_string(time) + ".png"));
  }

  TempFolder m_folder;
};

}  // namespace

TEST_F(RenderFrames, An8BitRgb512By384DisplayWithTheBandAndItsClearedEdges) {
  const RgbImage image = renderOne(redThenBlue(), {"show.lscx", "--at", "500"});
  EXPECT_EQ(image.width, 512);
  EXPECT_EQ(image.height, 384);
  EXPECT_EQ(image.fileFormat, static_cast<uint32_t>(PNG_FORMAT_RGB));
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

TEST_F(RenderFrames, SeveralTimesWriteOneFileEachIntoAFolderCreatedWithItsParents) {
  writeTextFile(m_folder.path() / "show.lscx", redThenBlue());
  const ProgramRun run = runShowPlayer({"render", "show.lscx", "--at", "1500", "--at", "500",
                                        "--at", "-20", "--at", "2500", "--out", "out/deep"},
                                       m_folder.path());
  ASSERT_EQ(run.exitCode, 0) << run.err;
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(m_folder.path() / "out/deep")) {
    names.push_back(entry.path().filename().string());
  }
  EXPECT_THAT(names, UnorderedElementsAre("frame-1500.png", "frame-500.png", "frame--20.png",
                                          "frame-2500.png"));
  // Nothing runs at -20 nor 2500: the display keeps the frame rendered just before.
  const std::vector<std::pair<int32_t, uint32_t>> expected{
      {1500, kBlue}, {500, kRed}, {-20, kRed}, {2500, kRed}};
  for (const auto& [time, color] : expected) {
    SCOPED_TRACE(time);
    const std::optional<RgbImage> frame = frameOf("out/deep", time);
    ASSERT_TRUE(frame);
    EXPECT_TRUE(isBandOf(*frame, color));
  }
}

TEST_F(RenderFrames, AnUnknownOperationFillsMagentaAndIsReported) {
  const std::string script = scriptText({{"LAYER_DIMENSION", {"desc: frame 512 256"}},
                                         {"SCREEN_LAYER", {"desc: screen frame"}},
                                         {"LAYER_MANAGER", {"desc: screen 1 0 1000 x 1 2 3"}}});
  EXPECT_TRUE(isBandOf(renderOne(script, {"show.lscx", "--at", "500"},
                                 "ScriptEngine : desc: screen 1 0 1000 x 1 2 3\n"
                                 "ScriptEngine : can t find operation\n"),
                       0xFF00FFu));
}

TEST_F(RenderFrames, AScriptInAnotherFolderWithCrLfLinesAndABackslashedPath) {
  std::string crlf;
  for (const char c : redThenBlue()) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  const RgbImage image =
      renderOne(crlf, {"shows\\sub\\show.lscx", "--at", "1500"}, "", "shows/sub/show.lscx");
  // The out path is taken from where the program was started, not from the script's folder.
  EXPECT_FALSE(fs::exists(m_folder.path() / "shows" / "sub" / "frame.png"));
  EXPECT_TRUE(isBandOf(image, kBlue));
}

TEST_F(RenderFrames, AnAbsoluteScriptPath) {
  EXPECT_TRUE(isBandOf(renderOne(redThenBlue(), {m_folder.file("shows/show.lscx"), "--at", "0"}, "",
                                 "shows/show.lscx"),
                       kRed));
}
