// FxRadial: the parameter clamps, default pictures worked out beforehand by radial_reference.py
// (its output pasted; they pin every ray weight), and whole pictures against a plain per-pixel walk
// of the four quadrants written here from the formulas.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "fx/fx_radial.h"
#include "tests/fx/fx_test_util.h"

namespace {

using fx_test::byteOf;

TEST(FxRadialSettings, ClampedIntoRange) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  FxRadial radial(16, 12);
  struct Case {
    float x, y;
    int32_t cx, cy;
  };
  for (const Case c :
       {Case{3.9f, -0.5f, 3, 0}, Case{1e20f, 11.5f, 15, 11}, Case{nan, 40.0f, 0, 11}}) {
    radial.setCentre(c.x, c.y);
    EXPECT_EQ(radial.getCentreX(), c.cx);
    EXPECT_EQ(radial.getCentreY(), c.cy);
  }
  const std::pair<float, float> clamps[] = {{2.0f, 1.0f}, {-1.0f, 0.0f}, {nan, 0.0f}};
  for (const auto& [in, out] : clamps) {
    radial.setStrength(in);
    radial.setDecay(in);
    EXPECT_EQ(radial.getStrength(), out);
    EXPECT_EQ(radial.getDecay(), out);
  }
}

// The default decay 0.9 and strength 0.08 give A = 16056, B = 1638 (SMOOTH) and A' = 250,
// B' = 25 (FAST); the pixels are radial_reference.py's, for byte c of pixel i = 4y + x being
// (75 i (c + 1) + 40 c + 20) AND 255 and the centre (1, 1). Any of the four weights moved by 1
// changes them.
TEST(FxRadialPass, TheDefaultWeightsGiveTheWorkedPixels) {
  const int32_t width = 4;
  const int32_t height = 3;
  std::vector<uint32_t> input(static_cast<size_t>(width * height));
  for (uint32_t i = 0; i < input.size(); ++i)
    for (uint32_t c = 0; c < 4; ++c)
      input[i] |= ((75 * i * (c + 1) + 40 * c + 20) & 255) << (8 * c);
  const std::vector<uint32_t> smooth = {0x005FD269u, 0x005CE171u, 0x0059D778u, 0x005FF190u,
                                        0x006CDB6Eu, 0x0057D16Au, 0x0066E07Du, 0x0071E47Du,
                                        0x0060E472u, 0x005CD97Au, 0x0059CF68u, 0x0060E579u};
  const std::vector<uint32_t> fast = {0x3E23391Eu, 0x42204826u, 0x471D3D2Du, 0x2112392Fu,
                                      0x36304223u, 0x64356A3Bu, 0x3F2A4631u, 0x31222A1Bu,
                                      0x47244A27u, 0x3321402Eu, 0x371E361Du, 0x28132F1Bu};
  for (const auto& [mode, expected] :
       {std::pair{FxRadial::SMOOTH, smooth}, {FxRadial::FAST, fast}}) {
    CImage32Buffered image(width, height);
    fx_test::setPixels(image, input);
    FxRadial radial(width, height);
    radial.setMode(mode);
    radial.setCentre(1.0f, 1.0f);
    radial.setScreen(&image);
    radial.apply();
    EXPECT_EQ(fx_test::pixelsOf(image), expected) << "mode " << mode;
  }
}

// The walk of the four quadrants, lower-right first, one pixel at a time; neighbours outside the
// picture are black.
std::vector<uint32_t> referenceRadial(std::vector<uint32_t> pixels, int32_t width, int32_t height,
                                      int32_t cx, int32_t cy, bool fast, float strength,
                                      float decay) {
  const float scale = fast ? 256.0f : 16384.0f;
  const auto a = static_cast<uint32_t>((strength + decay) * scale);
  const auto bw = static_cast<uint32_t>((1.0f - decay) * scale);
  const auto at = [&](int32_t x, int32_t y) -> uint32_t {
    if (x < 0 || y < 0 || x >= width || y >= height) return 0;
    return pixels[static_cast<size_t>(y * width + x)];
  };
  const auto weight = [](int32_t x, int32_t y) -> uint32_t {
    if (x == 0 && y == 0) return 256;
    const auto big = static_cast<float>(std::max(x, y));
    const auto small = static_cast<float>(std::min(x, y));
    const float r = std::sqrt(static_cast<float>(x * x + y * y));
    const float c = 2.0f * big * big / (r * r) - 1.0f;
    const float s = 2.0f * small * big / (r * r);
    return static_cast<uint32_t>(256.0f * c / (std::fabs(s) + std::fabs(c)));
  };
  const int quadrants[4][2] = {{1, 1}, {-1, 1}, {1, -1}, {-1, -1}};
  for (const auto& q : quadrants) {
    const int sx = q[0];
    const int sy = q[1];
    for (int32_t y = sy > 0 ? cy : cy - 1; y >= 0 && y < height; y += sy)
      for (int32_t x = sx > 0 ? cx : cx - 1; x >= 0 && x < width; x += sx) {
        const int32_t dx = std::abs(x - cx);
        const int32_t dy = std::abs(y - cy);
        const uint32_t f = weight(dx, dy);
        const uint32_t axis = dx <= dy ? at(x, y - sy) : at(x - sx, y);
        const uint32_t diag = at(x - sx, y - sy);
        const uint32_t p = at(x, y);
        uint32_t out = 0;
        for (int i = 0; i < (fast ? 4 : 3); ++i) {
          const uint32_t pa = byteOf(axis, i);
          const uint32_t pd = byteOf(diag, i);
          const uint32_t pp = byteOf(p, i);
          uint32_t c = 0;
          if (fast) {
            const uint32_t ray = (pa * f + pd * (256 - f)) >> 1;
            c = std::min(std::min(pp * bw + ((ray * a) >> 8), 65535u) >> 8, 255u);
          } else {
            c = std::min(((((pd * (256 - f) + pa * f) * a) >> 8) + pp * bw) >> 14, 255u);
          }
          out |= c << (8 * i);
        }
        pixels[static_cast<size_t>(y * width + x)] = out;
      }
  }
  return pixels;
}

TEST(FxRadialPass, MatchesThePlainQuadrantWalk) {
  const int32_t width = 9;
  const int32_t height = 7;
  const auto input = fx_test::randomPixels(width * height, 11);
  struct Case {
    int32_t cx, cy;
    float strength, decay;
  };
  const Case cases[] = {{4, 3, 0.08f, 0.9f},
                        {0, 0, 1.0f, 1.0f},
                        {8, 6, 0.5f, 0.2f},
                        {0, 6, 0.0f, 0.0f},
                        {8, 0, 0.3f, 0.7f}};
  for (const Case& c : cases)
    for (bool fast : {false, true}) {
      CImage32Buffered image(width, height);
      fx_test::setPixels(image, input);
      FxRadial radial(width, height);
      radial.setMode(fast ? FxRadial::FAST : FxRadial::SMOOTH);
      radial.setCentre(static_cast<float>(c.cx), static_cast<float>(c.cy));
      radial.setStrength(c.strength);
      radial.setDecay(c.decay);
      radial.setScreen(&image);
      radial.apply();
      EXPECT_EQ(fx_test::pixelsOf(image),
                referenceRadial(input, width, height, c.cx, c.cy, fast, c.strength, c.decay))
          << "centre " << c.cx << "," << c.cy << " fast " << fast;
    }
}

}  // namespace
