// The 2D pipeline end to end through `showplayer render`: pictures with known content are written
// as BMP and TGA files, shows write, mix and filter them, and the frames read back are compared
// with values worked out here from the pictures and the blend and effect formulas, never from the
// program. Radial blur, emboss and row blur frames are also kept as golden pictures.
//
// SHOWPLAYER_UPDATE_GOLDEN=1 rewrites the golden pictures from the current program; look at them
// before keeping them.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <iostream>
#include <map>
#include <set>
#include <sstream>

#include "tests/app/app_test_util.h"
#include "tests/support/picture_files.h"

namespace fs = std::filesystem;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace {

constexpr int kWidth = 512;
constexpr int kHeight = 256;
constexpr int kBandTop = 64;

// 0xRRGGBB of layer pixel (x, y).
using Picture = std::function<uint32_t(int x, int y)>;

uint32_t rgb(int red, int green, int blue) {
  return (static_cast<uint32_t>(red) << 16) | (static_cast<uint32_t>(green) << 8) |
         static_cast<uint32_t>(blue);
}

// Channel c of a colour: 0 blue, 1 green, 2 red.
int byteOf(uint32_t color, int c) {
  return static_cast<int>((color >> (8 * c)) & 0xFFu);
}

// The same rule on each of the three channels.
uint32_t eachByte(const std::function<int(int c)>& rule) {
  return rgb(rule(2), rule(1), rule(0));
}

int sat(int value) {
  return std::clamp(value, 0, 255);
}

// The pictures of the shows.
uint32_t gradient(int x, int y) {
  return rgb(x / 2, y, 255 - x / 2);
}
constexpr uint32_t kCheckA = 0xC8285Au;  // 200, 40, 90
constexpr uint32_t kCheckB = 0x1EB4FAu;  // 30, 180, 250
uint32_t checker(int x, int y) {
  return ((x / 32 + y / 32) & 1) ? kCheckB : kCheckA;
}
uint32_t alphaRamp(int x, int y) {
  return rgb(255 - y, x / 2, (x + y) & 255);
}
// Varied pixels on the left half, runs of three on the right half: raw and repeat packets.
uint32_t patchwork(int x, int y) {
  if (x < 256) return rgb((x * 37 + y * 11) & 255, (x * y) & 255, (x ^ y) & 255);
  return rgb(y, (x / 3) & 255, 128);
}
// The gradient with the checkerboard mixed in at opacity 0.5: (d >> 1) + (s >> 1).
uint32_t gradientAndChecker(int x, int y) {
  return eachByte(
      [&](int c) { return (byteOf(gradient(x, y), c) >> 1) + (byteOf(checker(x, y), c) >> 1); });
}

// A whole layer worked out in the test, black outside.
struct Layer {
  std::vector<uint32_t> pixels;
  explicit Layer(const Picture& picture) : pixels(kWidth * kHeight) {
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x)
        pixels[y * kWidth + x] = picture(x, y);
    }
  }
  int at(int x, int y, int c) const {
    if (x < 0 || x >= kWidth || y < 0 || y >= kHeight) return 0;
    return byteOf(pixels[y * kWidth + x], c);
  }
};

// Box blur of an even window n: pixels x - n/2 + 1 .. x + n/2 (black outside) summed, then a
// shift when n is a power of two, else (sum * multiplier) >> shift with shift = floor(log2 n) + 8
// and multiplier = 2^shift / n rounded (a fraction of exactly 0.5 rounds down).
int boxAverage(int sum, int n, bool alwaysMultiply) {
  int log2 = 0;
  while ((2 << log2) <= n)
    ++log2;
  if (!alwaysMultiply && (1 << log2) == n) return sum >> log2;
  const int shift = log2 + 8;
  // 2^shift / n, rounded up only when the fraction is above one half.
  const int64_t multiplier = ((int64_t{2} << shift) + n - 1) / (2 * n);
  return static_cast<int>((sum * multiplier) >> shift);
}

int boxBlur(const Layer& layer, int x, int y, int c, int n, bool vertical, bool alwaysMultiply) {
  int sum = 0;
  for (int k = -n / 2 + 1; k <= n / 2; ++k)
    sum += vertical ? layer.at(x, y + k, c) : layer.at(x + k, y, c);
  return std::min(255, boxAverage(sum, n, alwaysMultiply));
}

// Emboss relief of channel c: the three-row column sums right minus left, plus 128.
int relief(const Layer& layer, int x, int y, int c) {
  int g = 0;
  for (int k = -1; k <= 1; ++k)
    g += layer.at(x + 1, y + k, c) - layer.at(x - 1, y + k, c);
  return sat(g + 128);
}

// Checks the whole 512 x 384 display: the band's inside (rows 65..318, columns 1..511) shows
// `expected` of the layer, everything else is black. Reports the wrong pixels and the first one.
::testing::AssertionResult showsLayer(const RgbImage& image, const Picture& expected,
                                      const std::function<bool(int x, int y)>& checked = {}) {
  if (image.width != kWidth || image.height != 384)
    return ::testing::AssertionFailure() << "size " << image.width << " x " << image.height;
  long nbWrong = 0;
  std::ostringstream first;
  for (int y = 0; y < 384; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const int layerY = y - kBandTop;
      const bool inside = layerY >= 1 && layerY <= kHeight - 2 && x >= 1;
      if (inside && checked && !checked(x, layerY)) continue;
      const uint32_t want = inside ? expected(x, layerY) : 0u;
      const uint32_t got = image.at(x, y);
      if (got == want) continue;
      if (nbWrong++ == 0) {
        first << "layer pixel (" << x << ", " << layerY << ") is 0x" << std::hex << got
              << ", expected 0x" << want;
      }
    }
  }
  if (nbWrong == 0) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << nbWrong << " wrong pixels; first: " << first.str();
}

class PipelineShow : public ::testing::Test {
 protected:
  void SetUp() override {
    using namespace picture_files;
    ASSERT_TRUE(writeBytes(m_folder.file("gradient.bmp"), bmpBytes(kWidth, kHeight, gradient)));
    ASSERT_TRUE(writeBytes(m_folder.file("checker.tga"), tgaBytes(kWidth, kHeight, checker, true)));
    ASSERT_TRUE(writeBytes(m_folder.file("ramp.bmp"), bmpBytes(kWidth, kHeight, alphaRamp)));
  }

  // Renders the show at each time and keeps the frames by time. Every show has the dimension
  // "screen" (512 x 256), the pictures grad, check and ramp, and the frame layer "frame" after
  // any screen layers of `sections`.
  ProgramRun render(std::map<std::string, std::vector<std::string>> sections,
                    const std::vector<int>& times) {
    sections["LAYER_DIMENSION"] = {"desc: screen 512 256"};
    auto& images = sections["IMAGE"];
    images.insert(images.begin(),
                  {"file: grad gradient.bmp", "file: check checker.tga", "file: ramp ramp.bmp"});
    sections["SCREEN_LAYER"].push_back("desc: frame screen");
    writeTextFile(m_folder.path() / "show.lscx", scriptText(sections));
    std::vector<std::string> arguments{"render", "show.lscx"};
    for (int time : times) {
      arguments.push_back("--at");
      arguments.push_back(std::to_string(time));
    }
    arguments.push_back("--out");
    arguments.push_back("frames");
    const ProgramRun run = runShowPlayer(arguments, m_folder.path());
    // A single frame is written to the out path itself.
    for (int time : times) {
      m_files[time] = m_folder.file(
          times.size() == 1 ? "frames" : "frames/frame-" + std::to_string(time) + ".png");
      std::optional<RgbImage> frame = readPng(m_files[time]);
      if (frame) m_frames[time] = std::move(*frame);
    }
    return run;
  }

  // A missing frame is a failure and reads as a black display.
  const RgbImage& frame(int time) {
    auto it = m_frames.find(time);
    if (it != m_frames.end()) return it->second;
    ADD_FAILURE() << "no frame at " << time << " ms";
    RgbImage& black = m_frames[time];
    black.width = kWidth;
    black.height = 384;
    black.bytes.assign(kWidth * 384 * 3, 0);
    return black;
  }

  // Compares the frame at `time` with the golden picture tests/app/golden/<name>.
  ::testing::AssertionResult matchesGolden(int time, const std::string& name) {
    const std::string golden = SHOWPLAYER_SOURCE_DIR "/tests/app/golden/" + name;
    const std::string& rendered = m_files[time];
    const char* update = std::getenv("SHOWPLAYER_UPDATE_GOLDEN");
    if (update && std::strcmp(update, "1") == 0) {
      fs::copy_file(rendered, golden, fs::copy_options::overwrite_existing);
      std::cout << "golden picture rewritten: " << golden << "\n";
    }
    const std::optional<RgbImage> expected = readPng(golden);
    if (!expected) return ::testing::AssertionFailure() << "missing golden picture " << golden;
    if (frame(time).bytes != expected->bytes)
      return ::testing::AssertionFailure() << "the frame differs from " << golden;
    return ::testing::AssertionSuccess();
  }

  TempFolder m_folder;
  std::map<int, std::string> m_files;
  std::map<int, RgbImage> m_frames;
};

// One operation per second on top of a base: line k of `lines` runs from k s to k + 1 s.
std::vector<std::string> oneEachSecond(const std::string& layerAndPosition,
                                       const std::string& operation,
                                       const std::vector<std::string>& names) {
  std::vector<std::string> lines;
  for (std::size_t k = 0; k < names.size(); ++k) {
    lines.push_back("desc: " + layerAndPosition + " " + std::to_string(k * 1000) + " " +
                    std::to_string(k * 1000 + 1000) + " " + operation + " " + names[k]);
  }
  return lines;
}

int middleOfSecond(std::size_t k) {
  return static_cast<int>(k) * 1000 + 500;
}

}  // namespace

// --- Picture files ---

TEST_F(PipelineShow, WritesBmpAndTgaPicturesPixelForPixel) {
  using namespace picture_files;
  ASSERT_TRUE(writeBytes(m_folder.file("raw.tga"), tgaBytes(kWidth, kHeight, patchwork, false)));
  ASSERT_TRUE(writeBytes(m_folder.file("packed.tga"), tgaBytes(kWidth, kHeight, patchwork, true)));
  const std::vector<std::string> sources{"grad", "check", "raw", "packed"};
  const ProgramRun run =
      render({{"IMAGE", {"file: raw raw.tga", "file: packed packed.tga"}},
              {"LAYER_MANAGER", oneEachSecond("frame 1", "w", sources)}},
             {middleOfSecond(0), middleOfSecond(1), middleOfSecond(2), middleOfSecond(3)});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_TRUE(showsLayer(frame(500), gradient));
  EXPECT_TRUE(showsLayer(frame(1500), checker));
  EXPECT_TRUE(showsLayer(frame(2500), patchwork));
  EXPECT_TRUE(showsLayer(frame(3500), patchwork));
  // Spot values read off the pictures' definitions.
  EXPECT_EQ(frame(500).at(300, kBandTop + 100), rgb(150, 100, 105));
  EXPECT_EQ(frame(1500).at(40, kBandTop + 10), rgb(30, 180, 250));
  EXPECT_EQ(frame(1500).at(70, kBandTop + 10), rgb(200, 40, 90));
}

// --- Mixes ---

TEST_F(PipelineShow, MixesFollowTheBlendFormulasOfTheirModeOpacityAndAlphaMap) {
  // d: the checkerboard written at position 1; s: the gradient mixed at position 2; m: the alpha
  // map, either the ramp picture or the layer "mapLayer" filled with 64, 192, 255.
  struct Case {
    std::string modeAlphaMap;
    std::function<int(int d, int s, int m)> result;
  };
  const std::vector<Case> cases = {
      {"NORMAL 1.0 NULL", [](int, int s, int) { return s; }},
      {"NORMAL 0.5 NULL", [](int d, int s, int) { return (d >> 1) + (s >> 1); }},
      {"NORMAL 0.25 NULL",
       [](int d, int s, int) { return ((d * (255 - 64)) >> 8) + ((s * 64) >> 8); }},
      {"TRANSADD 1.0 NULL", [](int d, int s, int) { return sat(d + s); }},
      {"TRANSADD 0.5 NULL", [](int d, int s, int) { return sat(d + ((s * 128) >> 8)); }},
      {"TRANSSUB 1.0 NULL", [](int d, int s, int) { return sat(d - s); }},
      {"TRANSSUB 0.75 NULL", [](int d, int s, int) { return sat(d - ((s * 191) >> 8)); }},
      {"NORMAL 1.0 ramp",
       [](int d, int s, int m) { return ((s * m) >> 8) + ((d * (255 - m)) >> 8); }},
      {"TRANSADD 0.5 mapLayer", [](int d, int s, int m) { return sat(d + ((s * m) >> 8)); }},
      // With a map the subtraction is source minus destination.
      {"TRANSSUB 1.0 ramp", [](int d, int s, int m) { return sat(((s * m) >> 8) - d); }},
      // Opacities of 0 or below leave the layer as it is, even with a map.
      {"NORMAL 0 ramp", [](int d, int, int) { return d; }},
      {"TRANSADD -0.3 ramp", [](int d, int, int) { return d; }},
      // Opacities above 1 mix as 1.0.
      {"NORMAL 1.7 NULL", [](int, int s, int) { return s; }},
      {"TRANSSUB 1.7 NULL", [](int d, int s, int) { return sat(d - s); }},
  };
  std::vector<std::string> descriptors, names;
  std::vector<int> times;
  for (std::size_t k = 0; k < cases.size(); ++k) {
    names.push_back("mix" + std::to_string(k) + " grad");
    descriptors.push_back("desc: mix" + std::to_string(k) + " blit NULL " + cases[k].modeAlphaMap);
    times.push_back(middleOfSecond(k));
  }
  std::vector<std::string> manager = oneEachSecond("frame 2", "m", names);
  manager.push_back("desc: frame 1 0 100000 w check");
  manager.push_back("desc: mapLayer 1 0 100000 c 64 192 255");
  const ProgramRun run = render({{"SCREEN_LAYER", {"desc: mapLayer screen"}},
                                 {"MIX", {"desc: blit BLIT"}},
                                 {"MIX_DESC", descriptors},
                                 {"LAYER_MANAGER", manager}},
                                times);
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err, "");
  for (std::size_t k = 0; k < cases.size(); ++k) {
    const bool layerMap = cases[k].modeAlphaMap.ends_with("mapLayer");
    EXPECT_TRUE(showsLayer(frame(times[k]), [&](int x, int y) {
      const uint32_t map = layerMap ? rgb(64, 192, 255) : alphaRamp(x, y);
      return eachByte([&](int c) {
        return cases[k].result(byteOf(checker(x, y), c), byteOf(gradient(x, y), c), byteOf(map, c));
      });
    })) << cases[k].modeAlphaMap;
  }
  // Worked examples: at layer (300, 100) d = (200, 40, 90) and s = (150, 100, 105).
  EXPECT_EQ(frame(middleOfSecond(1)).at(300, kBandTop + 100), rgb(175, 70, 97));
  EXPECT_EQ(frame(middleOfSecond(3)).at(300, kBandTop + 100), rgb(255, 140, 195));
  EXPECT_EQ(frame(middleOfSecond(5)).at(300, kBandTop + 100), rgb(50, 0, 0));
}

// --- Effects ---

TEST_F(PipelineShow, ColorEffectsChangeEveryPixelByTheirFormula) {
  struct Case {
    std::string modeAndNumbers;
    std::function<uint32_t(int r, int g, int b)> result;
  };
  // The numbers become integer parts of value x 255: 0.25 -> 63, 0.5 -> 127, 0.75 -> 191.
  const auto gray = [](int r, int g, int b) { return (5 * b + 16 * g + 11 * r) >> 5; };
  const std::vector<Case> cases = {
      {"ADD 1.0 0 0", [](int, int g, int b) { return rgb(255, g, b); }},
      {"ADD 0.25 0.5 0.75",
       [](int r, int g, int b) { return rgb(sat(r + 63), sat(g + 127), sat(b + 191)); }},
      {"SUB 0.5 0.25 1.0",
       [](int r, int g, int b) { return rgb(sat(r - 127), sat(g - 63), sat(b - 255)); }},
      {"MASK 0.5 1.0 0.25", [](int r, int g, int b) { return rgb(r & 127, g, b & 63); }},
      {"INVERT 0 0 0", [](int r, int g, int b) { return rgb(255 - r, 255 - g, 255 - b); }},
      {"GRAY 0 0 0",
       [&](int r, int g, int b) {
         const int v = gray(r, g, b);
         return rgb(v, v, v);
       }},
      {"RED 0 0 0", [&](int r, int g, int b) { return rgb(gray(r, g, b), 0, 0); }},
      {"GREEN 0 0 0", [&](int r, int g, int b) { return rgb(0, gray(r, g, b), 0); }},
      {"BLUE 0 0 0", [&](int r, int g, int b) { return rgb(0, 0, gray(r, g, b)); }},
  };
  std::vector<std::string> descriptors, names;
  std::vector<int> times;
  for (std::size_t k = 0; k < cases.size(); ++k) {
    names.push_back("color" + std::to_string(k));
    descriptors.push_back("desc: color" + std::to_string(k) + " tint NULL " +
                          cases[k].modeAndNumbers);
    times.push_back(middleOfSecond(k));
  }
  std::vector<std::string> manager = oneEachSecond("frame 2", "e", names);
  manager.push_back("desc: frame 1 0 100000 w grad");
  const ProgramRun run = render(
      {{"EFFECT", {"desc: tint COLOR"}}, {"EFFECT_DESC", descriptors}, {"LAYER_MANAGER", manager}},
      times);
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err, "");
  for (std::size_t k = 0; k < cases.size(); ++k) {
    EXPECT_TRUE(showsLayer(frame(times[k]), [&](int x, int y) {
      const uint32_t p = gradient(x, y);
      return cases[k].result(byteOf(p, 2), byteOf(p, 1), byteOf(p, 0));
    })) << cases[k].modeAndNumbers;
  }
  // Worked example, gradient (150, 100, 105) at layer (300, 100): grey (525 + 1600 + 1650) >> 5.
  EXPECT_EQ(frame(middleOfSecond(5)).at(300, kBandTop + 100), rgb(117, 117, 117));
}

TEST_F(PipelineShow, BoxBlursAverageTheirWindowInBothDirectionsAndDrawModes) {
  struct Case {
    std::string directionModeSize;
    bool vertical;
    int drawMode;  // 0 normal, 1 add, 2 subtract
    int window;    // the size made even
  };
  const std::vector<Case> cases = {
      {"HORIZONTAL NORMAL 4", false, 0, 4},   {"HORIZONTAL TRANSADD 5", false, 1, 6},
      {"HORIZONTAL TRANSSUB 4", false, 2, 4}, {"VERTICAL NORMAL 4", true, 0, 4},
      {"VERTICAL TRANSADD 8", true, 1, 8},    {"VERTICAL TRANSSUB 6", true, 2, 6},
  };
  std::vector<std::string> descriptors, names;
  std::vector<int> times;
  for (std::size_t k = 0; k < cases.size(); ++k) {
    names.push_back("blur" + std::to_string(k));
    descriptors.push_back("desc: blur" + std::to_string(k) + " blur NULL " +
                          cases[k].directionModeSize);
    times.push_back(middleOfSecond(k));
  }
  std::vector<std::string> manager = oneEachSecond("frame 2", "e", names);
  manager.push_back("desc: frame 1 0 100000 w grad");
  const ProgramRun run = render({{"EFFECT", {"desc: blur HVBLUR screen"}},
                                 {"EFFECT_DESC", descriptors},
                                 {"LAYER_MANAGER", manager}},
                                times);
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err, "");
  const Layer input(gradient);
  for (std::size_t k = 0; k < cases.size(); ++k) {
    const Case& blur = cases[k];
    EXPECT_TRUE(showsLayer(frame(times[k]), [&](int x, int y) {
      return eachByte([&](int c) {
        const int v = boxBlur(input, x, y, c, blur.window, blur.vertical, false);
        const int p = input.at(x, y, c);
        return blur.drawMode == 0 ? v : blur.drawMode == 1 ? sat(p + v) : sat(p - v);
      });
    })) << blur.directionModeSize;
  }
  // A uniform stretch stays as it is: green along a row, red and blue along a column.
  EXPECT_EQ(byteOf(frame(500).at(200, kBandTop + 77), 1), 77);
  EXPECT_EQ(frame(3500).at(200, kBandTop + 100) & 0xFF00FFu, rgb(100, 0, 155));
  // Inside the ramp, 4 pixels around x = 301 (reds 150, 150, 151, 151) average to 150.
  EXPECT_EQ(byteOf(frame(500).at(301, kBandTop + 100), 2), 150);
}

TEST_F(PipelineShow, EmbossAndShadeMatchTheReliefFormulaAndTheirGoldens) {
  // The layer: the gradient with the checkerboard mixed in at 0.5, then the relief; SHADE with
  // factor 0.5 scales it by 127.
  const ProgramRun run =
      render({{"MIX", {"desc: blit BLIT"}},
              {"EFFECT", {"desc: relief EMBOSS screen"}},
              {"MIX_DESC", {"desc: half blit NULL NORMAL 0.5 NULL"}},
              {"EFFECT_DESC",
               {"desc: emboss relief NULL EMBOSS 1.0", "desc: shade relief NULL SHADE 0.5"}},
              {"LAYER_MANAGER",
               {"desc: frame 1 0 100000 w grad", "desc: frame 2 0 100000 m half check",
                "desc: frame 3 0 1000 e emboss", "desc: frame 3 1000 2000 e shade"}}},
             {500, 1500});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err, "");
  const Layer input(gradientAndChecker);
  // Column 511's right neighbour is the next row's first pixel: left out.
  const auto notLastColumn = [](int x, int) { return x < kWidth - 1; };
  EXPECT_TRUE(showsLayer(
      frame(500),
      [&](int x, int y) { return eachByte([&](int c) { return relief(input, x, y, c); }); },
      notLastColumn));
  EXPECT_TRUE(showsLayer(
      frame(1500),
      [&](int x, int y) {
        const int e = (5 * relief(input, x, y, 0) + 16 * relief(input, x, y, 1) +
                       11 * relief(input, x, y, 2)) >>
                      5;
        const int k = ((e - 128) * 127) >> 8;
        return eachByte([&](int c) { return sat(input.at(x, y, c) + k); });
      },
      notLastColumn));
  // Inside a square only the gradient's red and blue slopes show: the red halves go up by one
  // every 4 columns, so x = 103 sees 3 * (26 - 25) = 3 on red and -3 on blue.
  EXPECT_EQ(frame(500).at(103, kBandTop + 100), rgb(131, 128, 125));
  EXPECT_TRUE(matchesGolden(500, "pipeline-emboss.png"));
  EXPECT_TRUE(matchesGolden(1500, "pipeline-shade.png"));
}

TEST_F(PipelineShow, RadialBlursSmearFromTheCentreAndMatchTheirGoldens) {
  const ProgramRun run = render(
      {{"MIX", {"desc: blit BLIT"}},
       {"EFFECT", {"desc: rays RADIAL screen"}},
       {"MIX_DESC", {"desc: half blit NULL NORMAL 0.5 NULL"}},
       {"EFFECT_DESC",
        {"desc: smooth rays NULL SMOOTH 0.9 0.05 256 128",
         "desc: fast rays NULL FAST 0.9 0.05 256 128",
         // Decay 1 and no strength: every pixel takes its neighbours toward the centre.
         "desc: spread rays NULL SMOOTH 1.0 0.0 48 48", "desc: fade rays NULL FAST 1.0 0.0 48 48"}},
       {"LAYER_MANAGER",
        {"desc: frame 1 0 2000 w grad", "desc: frame 1 2000 4000 w check",
         "desc: frame 2 0 2000 m half check", "desc: frame 3 0 1000 e smooth",
         "desc: frame 3 1000 2000 e fast", "desc: frame 3 2000 3000 e spread",
         "desc: frame 3 3000 4000 e fade"}}},
      {500, 1500, 2500, 3500});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_TRUE(matchesGolden(500, "pipeline-radial-smooth.png"));
  EXPECT_TRUE(matchesGolden(1500, "pipeline-radial-fast.png"));
  // Chosen pixels, followed by hand along their rays from the centre (256, 128) with the table
  // weights, A = 15564, B = 1638 for SMOOTH and A' = 243, B' = 25 for FAST. SMOOTH gains about
  // 5 % per step and brightens outward; FAST halves the neighbour term and darkens.
  EXPECT_EQ(frame(500).at(400, kBandTop + 200), rgb(255, 231, 162));
  EXPECT_EQ(frame(500).at(100, kBandTop + 50), rgb(231, 104, 255));
  EXPECT_EQ(frame(500).at(300, kBandTop + 30), rgb(247, 112, 220));
  EXPECT_EQ(frame(1500).at(400, kBandTop + 200), rgb(36, 21, 13));
  EXPECT_EQ(frame(1500).at(10, kBandTop + 10), rgb(18, 4, 30));
  EXPECT_EQ(frame(1500).at(100, kBandTop + 200), rgb(7, 34, 41));
  // SMOOTH with decay 1 (A = 16384, B = 0) copies the interpolated neighbours: the colour of the
  // square around the centre spreads over the whole layer.
  EXPECT_TRUE(showsLayer(frame(2500), [](int, int) { return kCheckA; }));
  // FAST halves the neighbour term: at least one halving per step away from the centre, so
  // everything 8 or more steps away is black, and the centre keeps a dim spot.
  EXPECT_TRUE(showsLayer(
      frame(3500), [](int, int) { return 0u; },
      [](int x, int y) { return std::max(std::abs(x - 48), std::abs(y - 48)) >= 8; }));
  EXPECT_NE(frame(3500).at(48, kBandTop + 48), 0u);
}

TEST_F(PipelineShow, RowBlurBlursEachRowByItsOwnWindowAndMatchesItsGolden) {
  const ProgramRun run =
      render({{"MIX", {"desc: blit BLIT"}},
              {"EFFECT", {"desc: rows DEMOSPE01"}},
              {"MIX_DESC", {"desc: half blit NULL NORMAL 0.5 NULL"}},
              {"EFFECT_DESC", {"desc: noisy rows NULL 0"}},
              {"LAYER_MANAGER",
               {"desc: frame 1 0 100000 w grad", "desc: frame 2 0 100000 m half check",
                "desc: frame 3 0 100000 e noisy"}}},
             {500});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_TRUE(matchesGolden(500, "pipeline-rowblur.png"));
  // Each row must be its input unchanged or box-blurred horizontally (multiplier form) with one
  // even window; find that window row by row.
  const Layer input(gradientAndChecker);
  const RgbImage& shown = frame(500);
  ASSERT_EQ(shown.width, kWidth);
  std::set<int> windows;
  for (int y = 1; y < kHeight - 1; ++y) {
    int found = -1;
    for (int n = 0; n < kWidth && found < 0; n += 2) {
      bool same = true;
      for (int x = 1; x < kWidth && same; ++x) {
        const uint32_t want =
            n == 0 ? gradientAndChecker(x, y)
                   : eachByte([&](int c) { return boxBlur(input, x, y, c, n, false, true); });
        same = shown.at(x, kBandTop + y) == want;
      }
      if (same) found = n;
    }
    EXPECT_GE(found, 0) << "row " << y << " is no box blur of its input";
    windows.insert(found);
  }
  // The noise gives the rows different windows.
  EXPECT_GT(windows.size(), 5u);
}

// --- Bad pictures ---

TEST_F(PipelineShow, MissingAndTruncatedPicturesKeepTheShowGoing) {
  using namespace picture_files;
  // 100 whole rows (the bottom ones) and 300 pixels of the next.
  std::vector<uint8_t> cut = bmpBytes(kWidth, kHeight, gradient);
  cut.resize(54 + 100 * kWidth * 3 + 300 * 3);
  ASSERT_TRUE(writeBytes(m_folder.file("cut.bmp"), cut));
  const ProgramRun run = render({{"IMAGE", {"file: pic missing.bmp", "file: cut cut.bmp"}},
                                 {"EFFECT", {"desc: tint COLOR"}},
                                 {"EFFECT_DESC", {"desc: invert tint NULL INVERT 0 0 0"}},
                                 {"LAYER_MANAGER",
                                  {"desc: frame 1 0 1000 w grad", "desc: frame 1 1000 2000 w cut",
                                   "desc: frame 2 0 1000 w pic", "desc: frame 3 0 1000 e invert"}}},
                                {500, 1500});
  EXPECT_EQ(run.exitCode, 0);
  // The loads report first (the missing file by its name in the script), the write later.
  EXPECT_THAT(run.err, StartsWith("CImage32FromData cant load file missing.bmp\n"));
  EXPECT_THAT(run.err,
              HasSubstr("CImage32FromData file " + m_folder.file("cut.bmp") + ": truncated"));
  EXPECT_THAT(run.err, EndsWith("\nIMAGE pic : render using m_pBuffer NULL\n"));
  // The failed write changed nothing; the inversion after it ran.
  EXPECT_TRUE(showsLayer(frame(500), [](int x, int y) { return 0xFFFFFFu - gradient(x, y); }));
  // The bottom rows 156..255 and the first 300 pixels of row 155 were read; the rest is black.
  EXPECT_TRUE(showsLayer(frame(1500), [](int x, int y) {
    return y >= 156 || (y == 155 && x < 300) ? gradient(x, y) : 0u;
  }));
}
