// The author's guide's example shows, rendered from the build folder as a reader would render
// them: each loads without a report and shows what the guide says it shows. The expected colours
// are worked out from the scripts and their controllers.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tests/app/app_test_util.h"

namespace {

const std::string kGuide = SHOWPLAYER_BINARY_DIR "/examples/guide/";

// Renders `script` of the guide at `times` (in that order, as one run) into a temporary folder.
class GuideFrames {
 public:
  GuideFrames(const std::string& script, const std::vector<int>& times) {
    std::vector<std::string> arguments{"render", kGuide + script};
    for (int time : times)
      arguments.insert(arguments.end(), {"--at", std::to_string(time)});
    arguments.insert(arguments.end(), {"--out", (m_folder.path() / "frames/").string()});
    m_run = runShowPlayer(arguments, m_folder.path());
  }
  const ProgramRun& run() const { return m_run; }
  std::string path(int time) const {
    return m_folder.file("frames/frame-" + std::to_string(time) + ".png");
  }
  std::optional<RgbImage> frame(int time) const { return readPng(path(time)); }

 private:
  TempFolder m_folder;
  ProgramRun m_run;
};

std::uint32_t saturatedAdd(std::uint32_t rgb, std::uint32_t amount) {
  std::uint32_t sum = 0;
  for (int shift = 0; shift < 24; shift += 8)
    sum |= std::min<std::uint32_t>(((rgb >> shift) & 255u) + amount, 255u) << shift;
  return sum;
}

TEST(GuideExamples, TheFirstShowFillsThenShowsTheSkyThenItsNegative) {
  const GuideFrames frames("first.lscx", {1000, 5000, 7000});
  ASSERT_EQ(frames.run().exitCode, 0) << frames.run().err;
  EXPECT_EQ(frames.run().err, "");
  const std::optional<RgbImage> fill = frames.frame(1000), sky = frames.frame(5000),
                                negative = frames.frame(7000);
  ASSERT_TRUE(fill && sky && negative);
  // "c 32 64 128".
  EXPECT_TRUE(isBandOf(*fill, 0x204080u));
  // INVERT: every byte 255 - byte of the plain sky shown from 4000 to 6000.
  EXPECT_TRUE(showsLayer(*negative, [&](int x, int y) { return 0xFFFFFFu ^ sky->at(x, 64 + y); }));
  EXPECT_NE(sky->at(10, 100), sky->at(10, 300)) << "the sky is a gradient, not a fill";
}

TEST(GuideExamples, FormulasTintByTheCurveAndFlashOnTheBeat) {
  const GuideFrames frames("formulas.lscx", {1000, 3000, 4100, 5000});
  ASSERT_EQ(frames.run().exitCode, 0) << frames.run().err;
  EXPECT_EQ(frames.run().err, "");
  const std::optional<RgbImage> early = frames.frame(1000), late = frames.frame(3000),
                                sky = frames.frame(4100), flash = frames.frame(5000);
  ASSERT_TRUE(early && late && sky && flash);
  // rise = t / 4000: red trunc(255 rise), blue trunc(255 (1 - rise)) added to black.
  EXPECT_TRUE(isBandOf(*early, 0x3F00BFu));  // 63.75 and 191.25
  EXPECT_TRUE(isBandOf(*late, 0xBF003Fu));
  // The mix uses what its controller wrote at its previous run: at 4100 nothing yet (the sky
  // alone); at 5000 the opacity of the 4100 run, 0.5 * (1 - 100 / 250) = 0.3, so white adds
  // trunc(255 * 0.3) = 76 to each byte.
  EXPECT_TRUE(
      showsLayer(*flash, [&](int x, int y) { return saturatedAdd(sky->at(x, 64 + y), 76); }));
}

TEST(GuideExamples, TheCubeTurnsInFrontOfTheCamera) {
  const GuideFrames frames("scene.lscx", {1000, 2000});
  ASSERT_EQ(frames.run().exitCode, 0) << frames.run().err;
  EXPECT_EQ(frames.run().err, "");
  const std::optional<RgbImage> first = frames.frame(1000), second = frames.frame(2000);
  ASSERT_TRUE(first && second);
  const auto band = [](const RgbImage& frame, int x, int y) { return frame.at(x, 64 + y); };
  // The corners keep the "c 16 24 48" background; the middle is the orange cube, lit.
  for (const auto& [x, y] : {std::pair{1, 1}, std::pair{510, 1}, std::pair{1, 254}})
    EXPECT_EQ(band(*first, x, y), 0x101830u) << x << "," << y;
  const std::uint32_t middle = band(*first, 256, 128);
  EXPECT_GT(middle >> 16, (middle >> 8) & 255u) << std::hex << middle;
  EXPECT_GT((middle >> 8) & 255u, middle & 255u) << std::hex << middle;
  EXPECT_NE(first->bytes, second->bytes) << "the cube turns";
  EXPECT_TRUE(matchesGolden(frames.path(1000), "guide-scene-1000.png"));
}

}  // namespace
