// The bundled shows end to end: the colour example follows its time table, chosen frames of it and
// of the demo match the reviewed golden pictures, and the demo goes on with the expected reports
// when its files are missing or broken.
//
// SHOWPLAYER_UPDATE_GOLDEN=1 rewrites the golden pictures from the current program; look at them
// before keeping them.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <optional>
#include <sstream>

#include "app/offline_renderer.h"
#include "base/report.h"
#include "tests/app/app_test_util.h"
#include "tools/demo_tempo.h"
#include "tools/demo_video.h"

namespace fs = std::filesystem;

namespace {

const fs::path kDemo = fs::path(SHOWPLAYER_BINARY_DIR) / "examples/demo";

std::string frameFile(const TempFolder& folder, int time) {
  return folder.file("frames/frame-" + std::to_string(time) + ".png");
}

}  // namespace

TEST(ExampleShow, FollowsItsTimeTableWithoutAReportAndMatchesItsGolden) {
  const auto rgb = [](std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    return r << 16 | g << 8 | b;
  };
  // Each time and its colour, read off the LAYER_MANAGER section of colors.lscx.
  const std::vector<std::pair<int, std::uint32_t>> expected = {
      {0, rgb(20, 30, 90)},      // sky, first colour
      {6200, rgb(40, 200, 90)},  // the green glint over the sky, also the golden picture
      {6499, rgb(40, 200, 90)},  // its last millisecond
      {9100, rgb(255, 0, 0)},    // the red strobe at position 2
      {21000, rgb(0, 0, 0)},     // the end: black
  };
  TempFolder folder;
  std::vector<int> times;
  for (const auto& [time, color] : expected)
    times.push_back(time);
  const ProgramRun run =
      renderFrames(SHOWPLAYER_SOURCE_DIR "/examples/colors/colors.lscx", times, folder.path());
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err, "");
  for (const auto& [time, color] : expected) {
    const std::optional<RgbImage> image = readPng(frameFile(folder, time));
    ASSERT_TRUE(image) << time << " ms";
    EXPECT_TRUE(isBandOf(*image, color)) << time << " ms";
  }
  EXPECT_TRUE(matchesGolden(frameFile(folder, 6200), "colors-6200.png"));
}

// Frames away from the wave rows, which follow the system clock: the title over the sun, the
// drop's noise rows, the city (the 3D act of the break) from above and at its video screen, the
// outro. The module variant: its level is 0 whatever the decoder.
TEST(DemoShow, ChosenFramesMatchTheReviewedPictures) {
  if (!fs::exists(kDemo / "demo_module.lscx")) GTEST_SKIP() << "the demo is not built";
  TempFolder folder;
  const std::vector<int> times = {10000, 45000, 58000, 62700, 88000};
  const ProgramRun run = renderFrames((kDemo / "demo_module.lscx").string(), times, folder.path());
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err, "");
  for (int time : times)
    EXPECT_TRUE(matchesGolden(frameFile(folder, time), "demo-" + std::to_string(time) + ".png"));

  // At 58000 ms the camera, 4240 ms into its flight, comes down over the south-west of the city:
  // the sky above the land at the top left, the land's one unlit colour below it, worked out
  // from the sources. The sky picture runs down its 256 rows through four colours (the
  // position of row y among them is y / 255 * 3), each channel rounded; the land is
  // (0.1, 0.1, 0.14) * 255 rounded.
  const std::optional<RgbImage> city = readPng(frameFile(folder, 58000));
  ASSERT_TRUE(city);
  const auto skyAt = [](int y) {
    const std::uint32_t stops[] = {0x080828, 0x5A1E78, 0xF0783C, 0xFFDC8C};
    const float position = static_cast<float>(y) / 255.0f * 3.0f;
    const int index = std::min(static_cast<int>(position), 2);
    const float t = position - static_cast<float>(index);
    std::uint32_t colour = 0;
    for (const int shift : {16, 8, 0}) {
      const auto from = static_cast<float>((stops[index] >> shift) & 0xFF);
      const auto to = static_cast<float>((stops[index + 1] >> shift) & 0xFF);
      colour |= static_cast<std::uint32_t>(std::lround(from + (to - from) * t)) << shift;
    }
    return colour;
  };
  EXPECT_EQ(skyAt(1), 0x090829u) << "row 1 by hand: 8 + 82 / 85, 8 + 22 / 85, 40 + 80 / 85";
  int wrong = 0;
  for (int y = 1; y <= 11; ++y)
    for (int x = 1; x <= 120; ++x)
      wrong += city->at(x, 64 + y) != skyAt(y) ? 1 : 0;
  for (int y = 17; y <= 39; ++y)
    for (int x = 1; x <= 100; ++x)
      wrong += city->at(x, 64 + y) != 0x1A1A24u ? 1 : 0;
  EXPECT_EQ(wrong, 0) << "pixels of the sky and the land not as worked out";

  // At 62700 ms, 8940 ms into the flight, the camera turning east faces the screen: it fills x
  // 220 to 320 of the picture, y 65 to 245. The scene is at frame 268.2 (30 a second); the video
  // shows its frame trunc(8940 / 33) mod 60 = 30 (the AVI's frames last 1000 / 30 ms, truncated
  // to 33). Pixels of the screen's middle, its top-left and its bottom-left quarter show colours
  // of that frame of make_video's plasma (within its codec's error) near the video's middle
  // (64, 64), (32, 32) and (32, 96): upright and not mirrored. Frames a quarter or half a loop
  // away do not fit.
  const std::optional<RgbImage> screen = readPng(frameFile(folder, 62700));
  ASSERT_TRUE(screen);
  const std::array<std::array<int, 4>, 3> points = {
      {{268, 157, 64, 64}, {241, 106, 32, 32}, {249, 206, 32, 96}}};
  // The smallest difference (largest of the channels) between pixel (x, y) and the video's
  // pixels within 16 of (videoX, videoY).
  const auto nearestInVideo = [&](int frame, const std::array<int, 4>& point) {
    const auto [x, y, videoX, videoY] = point;
    const std::uint32_t colour = screen->at(x, y);
    int best = 255;
    for (int v = std::max(videoY - 16, 0); v <= std::min(videoY + 16, DemoVideo::kSide - 1); ++v)
      for (int u = std::max(videoX - 16, 0); u <= std::min(videoX + 16, DemoVideo::kSide - 1);
           ++u) {
        const std::uint32_t made = DemoVideo::pixel(frame, u, v);
        int difference = 0;
        for (const int shift : {0, 8, 16})
          difference = std::max(difference, std::abs(static_cast<int>((made >> shift) & 0xFF) -
                                                     static_cast<int>((colour >> shift) & 0xFF)));
        best = std::min(best, difference);
      }
    return best;
  };
  for (const std::array<int, 4>& point : points)
    EXPECT_LE(nearestInVideo(30, point), 10) << point[0] << ", " << point[1];
  for (const int frame : {0, 15, 45}) {
    int worst = 0;
    for (const std::array<int, 4>& point : points)
      worst = std::max(worst, nearestInVideo(frame, point));
    EXPECT_GT(worst, 20) << "frame " << frame;
  }
}

// The soak run: every frame of the whole show at 25 frames a second, in one renderer as the
// player would draw them, without a report (under the sanitizer build: without a finding).
TEST(DemoShow, EveryFrameOfTheWholeShowRendersWithoutAReport) {
  if (!fs::exists(kDemo / "demo.lscx")) GTEST_SKIP() << "the demo is not built";
  ReportCapture reports;
  OfflineRenderer renderer;
  ASSERT_TRUE(renderer.loadScript((kDemo / "demo.lscx").string()));
  int nbFrame = 0;
  for (int time = 0; time <= DemoTempo::kDurationMs; time += 40, ++nbFrame)
    renderer.renderFrame(time);
  EXPECT_EQ(nbFrame, DemoTempo::kDurationMs / 40 + 1);
  EXPECT_TRUE(reports.texts().empty()) << reports.texts().front();
  // The last frame is the black of "c 0 0 0" from the end of the music.
  const CImage32& display = renderer.getDisplay();
  const std::uint32_t* pBand = display.getPixels() + 64 * display.getWidth();
  EXPECT_TRUE(
      std::all_of(pBand, pBand + 512 * 256, [](std::uint32_t p) { return (p & 0xFFFFFFu) == 0; }));
}

TEST(DemoShow, MissingAndBrokenFilesAreReportedAndTheShowGoesOn) {
  if (!fs::exists(kDemo / "demo.lscx")) GTEST_SKIP() << "the demo is not built";
  TempFolder folder;
  fs::copy(kDemo, folder.path(), fs::copy_options::recursive);
  fs::remove(folder.path() / "data/sun.bmp");
  fs::resize_file(folder.path() / "data/lcx/beat.lcx", 40);
  fs::remove(folder.path() / "music.ogg");
  const ProgramRun run = renderFrames("demo.lscx", {10000}, folder.path());
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_TRUE(readPng(folder.file("frames")));
  // The broken controller's name reads zero; the missing picture is not drawn.
  const std::vector<std::string> reports = {
      "CImage32FromData cant load file data/sun.bmp\n",
      "IMAGE sun : render using m_pBuffer NULL\n",
      "broken chunk at offset 0! fileName: ",
      "ScriptControllerManager:  cant find LCX controller: beat\n",
      "SoundManager music.ogg: load: FMod can t load file !\n",
  };
  for (const std::string& report : reports)
    EXPECT_NE(run.err.find(report), std::string::npos) << report << "\nnot in\n" << run.err;
  // Nothing else is said; a run of one report is counted.
  std::istringstream lines(run.err);
  for (std::string line; std::getline(lines, line);) {
    const auto isReport = [&](const std::string& report) {
      return (line + "\n").find(report) != std::string::npos;
    };
    EXPECT_TRUE(line.starts_with("(the report above was repeated ") ||
                std::any_of(reports.begin(), reports.end(), isReport))
        << "unexpected report: " << line;
  }
}
