// FxEmboss: flat pictures worked by hand and the settings. Whole pictures of both modes are pinned
// by the pipeline's golden frames, the packed rows against their scalar twins in kernels_test.cpp.

#include <gtest/gtest.h>

#include <vector>

#include "fx/fx_emboss.h"
#include "tests/fx/fx_test_util.h"

namespace {

std::vector<uint32_t> runEmboss(const std::vector<uint32_t>& input, int32_t width, int32_t height,
                                FxEmboss::Mode mode, int32_t level) {
  CImage32Buffered image(width, height);
  fx_test::setPixels(image, input);
  FxEmboss emboss(width, height);
  emboss.setMode(mode);
  emboss.setLevel(level);
  emboss.setScreen(&image);
  emboss.apply();
  return fx_test::pixelsOf(image);
}

// G = colsum(x + 1) - colsum(x - 1) per channel over rows y - 1 .. y + 1, read as flat memory
// (column -1 of row r is the last pixel of row r - 1), with two zero guard rows around the
// picture; EMBOSS writes clamp(G + 128), SHADE adds k = ((grey(E) - 128) level) >> 8 to each
// byte. On a flat picture of v, inner pixels have G = 0: EMBOSS gives 128 and SHADE leaves v.
// Pixel (0, 0) sums 0 + v + v on its right (guard row, rows 0 and 1) and 0 + 0 + v on its left
// (the last words of the guard row, of the guard row, of row 0): G = v, EMBOSS 228.
TEST(FxEmbossRelief, FlatPicturesByHand) {
  const std::vector<uint32_t> flat(4 * 3, fx_test::gray(100));
  const std::vector<uint32_t> relief = runEmboss(flat, 4, 3, FxEmboss::EMBOSS, 255);
  EXPECT_EQ(relief[4 + 1], fx_test::gray(128));
  EXPECT_EQ(relief[4 + 2], fx_test::gray(128));
  EXPECT_EQ(relief[0], fx_test::gray(228));
  EXPECT_EQ(runEmboss(flat, 4, 3, FxEmboss::SHADE, 255)[4 + 1], fx_test::gray(100));
}

// Levels outside 0..255 are clamped; level 0 and an unknown mode leave the picture.
TEST(FxEmbossSettings, LevelClampsAndLevelZeroLeavesThePicture) {
  const auto input = fx_test::randomPixels(16, 2);
  EXPECT_EQ(runEmboss(input, 4, 4, FxEmboss::SHADE, 300),
            runEmboss(input, 4, 4, FxEmboss::SHADE, 255));
  EXPECT_NE(runEmboss(input, 4, 4, FxEmboss::SHADE, 255), input);
  EXPECT_EQ(runEmboss(input, 4, 4, FxEmboss::SHADE, -4), input);
  EXPECT_EQ(runEmboss(input, 4, 4, FxEmboss::SHADE, 0), input);
  EXPECT_EQ(runEmboss(input, 4, 4, static_cast<FxEmboss::Mode>(2), 255), input);
}

}  // namespace
