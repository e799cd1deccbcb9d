// FxRadial: the parameter clamps, and pictures worked out beforehand by radial_reference.py (its
// output pasted; they pin every ray weight and the walk of the four quadrants). The packed rows
// are checked against their scalar twins in kernels_test.cpp.

#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "fx/fx_radial.h"
#include "tests/fx/fx_test_util.h"

namespace {

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

}  // namespace
