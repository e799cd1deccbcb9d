// FxEmboss: EMBOSS and SHADE against a plain reference over flat memory with two zero guard rows
// on each side, and the settings.

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "fx/fx_emboss.h"
#include "tests/fx/fx_test_util.h"

namespace {

using fx_test::byteOf;

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

// G = colsum(x + 1) - colsum(x - 1) per channel over rows y - 1 .. y + 1, read as flat memory:
// column -1 of row r is the last pixel of row r - 1 and column width the first of row r + 1,
// with two zero guard rows above and below the picture.
std::vector<uint32_t> referenceEmboss(const std::vector<uint32_t>& input, int32_t width,
                                      int32_t height, bool shade, int32_t level) {
  std::vector<uint32_t> flat(static_cast<size_t>(width * (height + 4)), 0);
  std::copy(input.begin(), input.end(), flat.begin() + 2 * width);
  const auto word = [&](int32_t row, int32_t column) {
    return flat[static_cast<size_t>((row + 2) * width + column)];
  };
  std::vector<uint32_t> out(input.size());
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) {
      int32_t e[4];
      for (int i = 0; i < 4; ++i) {
        int32_t g = 0;
        for (int32_t r = y - 1; r <= y + 1; ++r)
          g += static_cast<int32_t>(byteOf(word(r, x + 1), i)) -
               static_cast<int32_t>(byteOf(word(r, x - 1), i));
        e[i] = std::clamp(g + 128, 0, 255);
      }
      uint32_t pixel = 0;
      const int32_t gray8 = (5 * e[0] + 16 * e[1] + 11 * e[2]) >> 5;
      const int32_t k = ((gray8 - 128) * level) >> 8;
      for (int i = 0; i < 4; ++i) {
        const int32_t p =
            static_cast<int32_t>(byteOf(input[static_cast<size_t>(y * width + x)], i));
        pixel |= static_cast<uint32_t>(shade ? std::clamp(p + k, 0, 255) : e[i]) << (8 * i);
      }
      out[static_cast<size_t>(y * width + x)] = pixel;
    }
  return out;
}

TEST(FxEmbossRelief, MatchesTheFlatMemoryReference) {
  struct Size {
    int32_t width, height;
  };
  for (const Size s : {Size{8, 4}, Size{7, 5}, Size{1, 3}, Size{3, 1}})
    for (int32_t level : {255, 100, 1}) {
      const auto input = fx_test::randomPixels(static_cast<size_t>(s.width * s.height),
                                               static_cast<uint32_t>(s.width * 31 + level));
      EXPECT_EQ(runEmboss(input, s.width, s.height, FxEmboss::EMBOSS, level),
                referenceEmboss(input, s.width, s.height, false, level))
          << s.width << "x" << s.height;
      EXPECT_EQ(runEmboss(input, s.width, s.height, FxEmboss::SHADE, level),
                referenceEmboss(input, s.width, s.height, true, level))
          << s.width << "x" << s.height << " level " << level;
    }
}

// Levels outside 0..255 are clamped; level 0 and an unknown mode leave the picture.
TEST(FxEmbossSettings, LevelClampsAndLevelZeroLeavesThePicture) {
  const auto input = fx_test::randomPixels(16, 2);
  EXPECT_EQ(runEmboss(input, 4, 4, FxEmboss::SHADE, 300), referenceEmboss(input, 4, 4, true, 255));
  EXPECT_EQ(runEmboss(input, 4, 4, FxEmboss::SHADE, -4), input);
  EXPECT_EQ(runEmboss(input, 4, 4, FxEmboss::SHADE, 0), input);
  EXPECT_EQ(runEmboss(input, 4, 4, static_cast<FxEmboss::Mode>(2), 255), input);
}

}  // namespace
