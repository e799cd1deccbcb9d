// The bundled shows end to end: the colour example follows its time table, the author's guide's
// examples show what the guide says (worked out from the scripts and their controllers), chosen
// frames of them and of the demo match the reviewed golden pictures, and the demo goes on with the
// expected reports when its files are missing or broken.
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
#include <string>
#include <utility>
#include <vector>

#include "app/offline_renderer.h"
#include "base/report.h"
#include "tests/app/app_test_util.h"
#include "tests/support/controller_files.h"
#include "tools/demo_tempo.h"
#include "tools/demo_video.h"

namespace fs = std::filesystem;

namespace {

const fs::path kDemo = fs::path(SHOWPLAYER_BINARY_DIR) / "examples/demo";

std::string frameFile(const TempFolder& folder, int time) {
  return folder.file("frames/frame-" + std::to_string(time) + ".png");
}

// The guide's `script` rendered at `times` (as one run) into a temporary folder.
struct GuideFrames {
  GuideFrames(const std::string& script, const std::vector<int>& times)
      : run(renderFrames(SHOWPLAYER_BINARY_DIR "/examples/guide/" + script, times, folder.path())) {
  }
  std::optional<RgbImage> frame(int time) const { return readPng(frameFile(folder, time)); }

  TempFolder folder;
  ProgramRun run;
};

std::uint32_t saturatedAdd(std::uint32_t rgb, std::uint32_t amount) {
  std::uint32_t sum = 0;
  for (int shift = 0; shift < 24; shift += 8)
    sum |= std::min<std::uint32_t>(((rgb >> shift) & 255u) + amount, 255u) << shift;
  return sum;
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

TEST(GuideExamples, TheFirstShowFillsThenShowsTheSkyThenItsNegative) {
  const GuideFrames frames("first.lscx", {1000, 5000, 7000});
  ASSERT_EQ(frames.run.exitCode, 0) << frames.run.err;
  EXPECT_EQ(frames.run.err, "");
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
  ASSERT_EQ(frames.run.exitCode, 0) << frames.run.err;
  EXPECT_EQ(frames.run.err, "");
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
  ASSERT_EQ(frames.run.exitCode, 0) << frames.run.err;
  EXPECT_EQ(frames.run.err, "");
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
  EXPECT_TRUE(matchesGolden(frameFile(frames.folder, 1000), "guide-scene-1000.png"));
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

// The drop's last pattern: 48480 ms, a bar and a beat in (2400 ms into both scenes: 2D frame 72,
// the key of beat 5; emitter frame 2160), and 53280 ms in its last bar (frame 216, the key of
// beat 15; emitter frame 6480), each rendered alone so that the beat's flash, one frame late, is
// not there yet. Pixels worked out from the scenes' keys, not read back from the player.
TEST(DemoShow, TheDropsSpriteActMatchesItsGolden) {
  if (!fs::exists(kDemo / "demo_module.lscx")) GTEST_SKIP() << "the demo is not built";
  const auto darkest = [](std::uint32_t p) {
    return std::min({p >> 16, (p >> 8) & 0xFF, p & 0xFF});
  };
  // The wheel's key at beat b turns it by -b pi / 8 about z, which turns its children b 22.5
  // degrees counter-clockwise on the screen (a positive angle turns them clockwise), and scales
  // it by 1.3 on both beats. Star k, 105 out at 60k degrees, is then 136.5 out at 60k + 22.5b
  // degrees, projected at 256 / 256 = 1 pixel a unit until the last bar, then at
  // cot(fov / 2) with the field of view going 90 -> 62 over frames 173..231.
  // - 48480 ms, the fifth star: 352.5 degrees, (135.33, -17.82), pixel (391.3, 145.8); turned the
  //   other way it would be at (391.3, 110.2).
  // - 53280 ms, the fourth star: 157.5 degrees, (-126.11, 52.24); fov 90 - 28 * 43 / 58 =
  //   69.241, cot 34.621 degrees = 1.44856: pixel (73.3, 52.3); at 90 degrees it would be at
  //   (129.9, 75.8).
  // A star's white core adds up to white over anything; the turned blit puts the picture's
  // middle within 2 pixels of its place. Nothing is white at the other place.
  const struct {
    int time;
    int x, y, otherX, otherY;
  } stars[] = {{48480, 391, 146, 391, 110}, {53280, 73, 52, 130, 76}};
  for (const auto& star : stars) {
    SCOPED_TRACE(star.time);
    TempFolder folder;
    const ProgramRun run =
        renderFrames((kDemo / "demo_module.lscx").string(), {star.time}, folder.path());
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    // With one time, "frames" is the picture itself.
    EXPECT_TRUE(matchesGolden(folder.file("frames"), "demo-" + std::to_string(star.time) + ".png"));
    const std::optional<RgbImage> frame = readPng(folder.file("frames"));
    ASSERT_TRUE(frame);
    const auto at = [&](int x, int y) { return frame->at(x, 64 + y); };
    std::uint32_t brightest = 0;
    for (int y = star.y - 2; y <= star.y + 2; ++y)
      for (int x = star.x - 2; x <= star.x + 2; ++x)
        brightest = std::max(brightest, darkest(at(x, y)));
    EXPECT_GE(brightest, 0xF0u) << "the star's core";
    EXPECT_LT(darkest(at(star.otherX, star.otherY)), 0x80u) << "the star's other place";
    if (star.time != 48480) continue;

    // Emitted by 2160, trunc((2160 - start) * rate), alive those of the last period: the left
    // fountain (from 0, 0.08 a frame, period 900) 172 and 72, the right one (from the second
    // bar, 1728) 34 and 34, the middle one (from the third bar, 3456) none. Their dots are the
    // only pale blue pixels low in the band away from the orbs (within x 290..367 here), the
    // stripes being red and yellow and the halo magenta.
    const auto countBlue = [&](int x0, int x1) {
      int count = 0;
      for (int y = 170; y < 256; ++y)
        for (int x = x0; x <= x1; ++x) {
          const std::uint32_t p = at(x, y);
          const int red = static_cast<int>(p >> 16), blue = static_cast<int>(p & 0xFF);
          count += blue >= 0x80 && blue > red + 0x20 ? 1 : 0;
        }
      return count;
    };
    EXPECT_GT(countBlue(0, 170), 100) << "the left fountain";
    EXPECT_GT(countBlue(372, 511), 40) << "the right fountain";
    EXPECT_EQ(countBlue(175, 285), 0) << "the middle fountain, not started";
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

// The finale's workshop (69120 to 84480 ms): a frame of the demo as reviewed, then the scene alone
// over a plain fill, drawn with a controller of the test's own that holds the camera at its first
// frame (NODE Camera MAINANIM 0), so that only what the scene animates moves. The camera then
// stands at (18 sin -0.6, 6, 18 cos -0.6) = (-10.2, 6, 14.9), looking at (0, 2.5, 0).
TEST(DemoShow, TheWorkshopFinaleMatchesItsPictureAndMovesAsWorkedOut) {
  if (!fs::exists(kDemo / "demo_module.lscx")) GTEST_SKIP() << "the demo is not built";
  {
    TempFolder folder;
    const ProgramRun run =
        renderFrames((kDemo / "demo_module.lscx").string(), {78000}, folder.path());
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    // One time: the frame is written to "frames" itself.
    EXPECT_TRUE(matchesGolden(folder.file("frames"), "demo-78000.png"));
  }
  constexpr std::uint32_t kFill = 0x28283C;
  // The scene over the fill (40, 40, 60) at `times`, the camera held and its height set to
  // `cameraY` (empty: kept).
  const auto renderHeld = [](const TempFolder& folder, const std::string& cameraY,
                             const std::vector<int>& times) {
    fs::create_directories(folder.path() / "data");
    fs::copy_file(kDemo / "data/workshop.l3x", folder.path() / "data/workshop.l3x");
    std::vector<std::pair<std::string, std::string>> params = {{"NODE Camera MAINANIM", "0"}};
    if (!cameraY.empty()) params.emplace_back("NODE Camera POSY", cameraY);
    EXPECT_TRUE(test_controllers::writeLecx(folder.file("held.lecx"), 2, params));
    writeTextFile(
        folder.path() / "show.lscx",
        scriptText({{"LAYER_DIMENSION", {"desc: frame 512 256"}},
                    {"3D", {"file: workshop data/workshop.l3x"}},
                    {"CONTROLLER", {"file: held held.lecx"}},
                    {"SCREEN_LAYER", {"desc: screen frame"}},
                    {"3D_DESC", {"desc: view workshop frame held 0 0"}},
                    {"LAYER_MANAGER",
                     {"desc: screen 1 0 100000 c 40 40 60", "desc: screen 2 0 100000 w view"}}}));
    const ProgramRun run = renderFrames("show.lscx", times, folder.path());
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
  };

  // The arm on a beat (2880 ms, beat 6) and half a beat later. Its elbow bends 0.3 + 0.7 e^(-5 f)
  // radians a fraction f of a beat after one: 1.0, then 0.36; the shoulder leans 0.15 and 0.16.
  // The claw's foot, 4.4 past the elbow, stands at 1 + 4 cos(lean) + 4.4 cos(lean + bend): 6.75
  // on the beat, 8.78 after it, 2 units lower about 17 from the camera: some 30 rows (256 / 17
  // rows a unit). The claw is the only orange (r >= 200, g 80..200, b <= 100) left of x = 256.
  TempFolder held;
  renderHeld(held, "", {2880, 3120});
  std::array<int, 2> top{};
  std::array<std::optional<RgbImage>, 2> frames{readPng(frameFile(held, 2880)),
                                                readPng(frameFile(held, 3120))};
  for (std::size_t i = 0; i < 2; ++i) {
    ASSERT_TRUE(frames[i]) << i;
    top[i] = 1 << 30;
    for (int y = 64; y < 320; ++y)
      for (int x = 0; x < 256; ++x) {
        const std::uint32_t p = frames[i]->at(x, y);
        const std::uint32_t r = p >> 16, g = p >> 8 & 0xFF, b = p & 0xFF;
        if (r >= 200 && g >= 80 && g <= 200 && b <= 100) top[i] = std::min(top[i], y);
      }
    ASSERT_LT(top[i], 1 << 30) << "no claw in frame " << i;
    EXPECT_EQ(frames[i]->at(1, 65), kFill) << "the fill above the floor's far edge";
  }
  EXPECT_GE(top[0] - top[1], 20) << "the claw's top row on the beat and half a beat later";
  EXPECT_LE(top[0] - top[1], 40);
  // Away from the arm and the blob (the floor, the flag at rest), nothing moves.
  int moved = 0;
  for (int y = 64; y < 320; ++y)
    for (int x = 420; x < 512; ++x)
      moved += frames[0]->at(x, y) != frames[1]->at(x, y) ? 1 : 0;
  EXPECT_EQ(moved, 0);

  // The camera lowered to y = 2: the top of the amber pane (its middle at (-1.6, 0, 2.8), 4.5
  // high) stands against the fill. The pane is unlit: its colour (1, 0.8, 0.3) is (255, 204, 77)
  // and its opacity 0.4 a weight of 102, so each byte is ((d (255 - 102)) >> 8) + ((s 102) >> 8)
  // over the fill d.
  TempFolder low;
  renderHeld(low, "2", {2880});
  const std::optional<RgbImage> glass = readPng(low.file("frames"));
  ASSERT_TRUE(glass);
  const auto blend = [](int d, int s) { return ((d * (255 - 102)) >> 8) + ((s * 102) >> 8); };
  const std::array<int, 3> expected{blend(40, 255), blend(40, 204), blend(60, 77)};
  for (const auto& [x, y] : {std::pair{250, 110}, std::pair{240, 100}, std::pair{260, 120}}) {
    const std::uint32_t p = glass->at(x, y);
    const std::array<int, 3> got{static_cast<int>(p >> 16), static_cast<int>(p >> 8 & 0xFF),
                                 static_cast<int>(p & 0xFF)};
    for (std::size_t c = 0; c < 3; ++c)
      EXPECT_NEAR(got[c], expected[c], 1) << x << ", " << y << " byte " << c;
  }
  EXPECT_EQ(glass->at(1, 65), kFill);
}
