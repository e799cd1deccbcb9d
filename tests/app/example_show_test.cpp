// The bundled example show: it loads without a report, follows its time table, and one of its
// frames matches the golden picture kept beside these tests.
//
// SHOWPLAYER_UPDATE_GOLDEN=1 rewrites the golden picture from the current program; look at it
// before keeping it.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "tests/app/app_test_util.h"

namespace fs = std::filesystem;

namespace {

const std::string kExample = SHOWPLAYER_SOURCE_DIR "/examples/colors/colors.lscx";
constexpr int32_t kGoldenTime = 6200;
const std::string kGolden = SHOWPLAYER_SOURCE_DIR "/tests/app/golden/colors-6200.png";

uint32_t rgb(uint32_t red, uint32_t green, uint32_t blue) {
  return (red << 16) | (green << 8) | blue;
}

}  // namespace

TEST(ExampleShow, FollowsItsTimeTableWithoutAReport) {
  // Each time and its colour, read off the LAYER_MANAGER section of colors.lscx.
  const std::vector<std::pair<int32_t, uint32_t>> expected = {
      {0, rgb(20, 30, 90)},        // sky, first colour
      {3200, rgb(250, 240, 220)},  // first burst of flash (warm white)
      {4000, rgb(90, 20, 110)},    // sky, second colour
      {6499, rgb(40, 200, 90)},    // the green glint over the sky
      {9100, rgb(255, 0, 0)},      // the red strobe at position 2
      {10500, rgb(150, 40, 30)},   // sky, third colour
      {11100, rgb(255, 80, 160)},  // burst of flash, pink by now
      {11300, rgb(150, 40, 30)},   // between two bursts
      {17000, rgb(200, 160, 40)},  // sky, last colour
      {21000, rgb(0, 0, 0)},       // the end: black
  };
  TempFolder folder;
  std::vector<std::string> arguments{"render", kExample};
  for (const auto& [time, color] : expected) {
    arguments.push_back("--at");
    arguments.push_back(std::to_string(time));
  }
  arguments.push_back("--out");
  arguments.push_back("frames");
  const ProgramRun run = runShowPlayer(arguments, folder.path());
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err, "");
  for (const auto& [time, color] : expected) {
    const std::optional<RgbImage> image =
        readPng(folder.file("frames/frame-" + std::to_string(time) + ".png"));
    ASSERT_TRUE(image) << time << " ms";
    EXPECT_TRUE(isBandOf(*image, color)) << time << " ms";
  }
}

TEST(ExampleShow, FrameAt6200MatchesTheGoldenPicture) {
  TempFolder folder;
  const ProgramRun run =
      runShowPlayer({"render", kExample, "--at", std::to_string(kGoldenTime), "--out", "frame.png"},
                    folder.path());
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const std::optional<RgbImage> rendered = readPng(folder.file("frame.png"));
  ASSERT_TRUE(rendered);

  const char* update = std::getenv("SHOWPLAYER_UPDATE_GOLDEN");
  if (update && std::strcmp(update, "1") == 0) {
    fs::copy_file(folder.file("frame.png"), kGolden, fs::copy_options::overwrite_existing);
    GTEST_SKIP() << "golden picture rewritten: " << kGolden;
  }

  const std::optional<RgbImage> golden = readPng(kGolden);
  ASSERT_TRUE(golden) << "missing golden picture " << kGolden;
  ASSERT_EQ(rendered->width, golden->width);
  ASSERT_EQ(rendered->height, golden->height);
  EXPECT_TRUE(rendered->bytes == golden->bytes) << "the frame differs from " << kGolden;
  // The golden picture itself is what the script says: the sky's green glint, written into the
  // frame, inside the black-edged band.
  EXPECT_TRUE(isBandOf(*golden, rgb(40, 200, 90)));
}
