// `showplayer render` of a show whose colour effect and blit mix are driven by a keyframe
// curve through .lecx formulas: the frames at chosen times, worked out by hand.

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/app/app_test_util.h"
#include "tests/support/controller_files.h"

namespace tc = test_controllers;

namespace {

// "ramp" rises from 0 at 0 ms to 1 at 1000 ms and stays there. The frame is cleared to black,
// tinted red by ramp (COLOR ADD), then mixed (NORMAL) with the white layer at the
// opacity the "fade" formula wrote at the previous run of the mix (0 at the first, from the
// line), during the first second only.
class AnimatedShow : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::filesystem::path root = m_folder.path();
    std::filesystem::create_directories(root / "data" / "lcx");
    ASSERT_TRUE(tc::writeKeyframer((root / "data/lcx/ramp.lcx").string(), {{0, 0}, {1000, 1}}));
    ASSERT_TRUE(tc::writeLecx(m_folder.file("tint.lecx"), 1, {{"Red", "ramp"}}));
    ASSERT_TRUE(tc::writeLecx(m_folder.file("fade.lecx"), 3, {{"Opacity", "ramp"}}));
    writeTextFile(
        root / "show.lscx",
        scriptText({{"LAYER_DIMENSION", {"desc: frame 512 256"}},
                    {"CONTROLLER", {"file: tint tint.lecx", "file: fade fade.lecx"}},
                    {"SCREEN_LAYER", {"desc: white frame", "desc: screen frame"}},
                    {"MIX", {"desc: blend BLIT"}},
                    {"EFFECT", {"desc: colour COLOR"}},
                    {"MIX_DESC", {"desc: in blend fade NORMAL 0 NULL"}},
                    {"EFFECT_DESC", {"desc: red colour tint ADD 0 0 0"}},
                    {"LAYER_MANAGER",
                     {"desc: white 1 0 100000 c 255 255 255", "desc: screen 1 0 100000 c 0 0 0",
                      "desc: screen 2 0 100000 e red", "desc: screen 3 0 1000 m in white"}}}));
  }

  std::optional<RgbImage> frameOf(int32_t time) const {
    return readPng(m_folder.file("out/frame-" + std::to_string(time) + ".png"));
  }

  TempFolder m_folder;
};

}  // namespace

TEST_F(AnimatedShow, FramesFollowTheCurveAndTheMixTakesTheOpacityOfItsPreviousRun) {
  const ProgramRun run = runShowPlayer(
      {"render", "show.lscx", "--at", "500", "--at", "750", "--at", "1500", "--out", "out"},
      m_folder.path());
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err, "");
  const std::vector<std::pair<int32_t, uint32_t>> expected{
      // red trunc(0.5 * 255) = 127; the mix runs at the line's opacity 0 and writes 0.5.
      {500, 0x7F0000},
      // red trunc(0.75 * 255) = 191, then the half and half mix with white of the opacity 0.5
      // written at 500 ms: (191 >> 1) + (255 >> 1) = 222, (0 >> 1) + (255 >> 1) = 127.
      {750, 0xDE7F7F},
      // the curve holds 1; the mix is over.
      {1500, 0xFF0000}};
  for (const auto& [time, colour] : expected) {
    SCOPED_TRACE(time);
    const std::optional<RgbImage> frame = frameOf(time);
    ASSERT_TRUE(frame);
    EXPECT_TRUE(isBandOf(*frame, colour));
  }
}

TEST_F(AnimatedShow, AFrameRenderedAloneStartsFromTheLinesValues) {
  const ProgramRun run =
      runShowPlayer({"render", "show.lscx", "--at", "750", "--out", "frame.png"}, m_folder.path());
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const std::optional<RgbImage> frame = readPng(m_folder.file("frame.png"));
  ASSERT_TRUE(frame);
  // The mix runs for the first time, at opacity 0: only the tint shows.
  EXPECT_TRUE(isBandOf(*frame, 0xBF0000));
}

TEST_F(AnimatedShow, AMissingCurveIsReportedAndItsFormulaReadsZero) {
  std::filesystem::remove(m_folder.path() / "data/lcx/ramp.lcx");
  const ProgramRun run =
      runShowPlayer({"render", "show.lscx", "--at", "750", "--out", "frame.png"}, m_folder.path());
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.err.find("cant find LCX controller: ramp"), std::string::npos) << run.err;
  const std::optional<RgbImage> frame = readPng(m_folder.file("frame.png"));
  ASSERT_TRUE(frame);
  EXPECT_TRUE(isBandOf(*frame, 0x000000));
}
