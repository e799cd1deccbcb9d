// FxDemoSpe01: per-row window lengths from the wave (with a fixed clock) and from the noise
// curve, rows blurred against the direct window sum in the multiplier form, and the cases that
// leave the layer alone.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "base/report.h"
#include "control/perlin.h"
#include "fx/fx_demospe01.h"
#include "tests/fx/fx_test_util.h"

namespace {

constexpr int32_t kWidth = 512;
constexpr int32_t kHeight = 256;

// The multiplier form of window n (n rounded up to even): shift = floor(log2 size) + 8,
// multiplier = 2^shift / size rounded to nearest.
fx_test::Divider multiplierForm(int32_t n) {
  const int32_t size = n + (n % 2);
  int32_t log2 = 0;
  while ((2 << log2) <= size)
    ++log2;
  const int32_t shift = log2 + 8;
  const uint64_t scaled = uint64_t{1} << shift;
  const auto size64 = static_cast<uint64_t>(size);
  const auto multiplier =
      static_cast<uint32_t>(scaled / size64 + (2 * (scaled % size64) > size64 ? 1 : 0));
  return {size, shift, multiplier};
}

// Every row with window n > 1 blurred, the others as they were.
std::vector<uint32_t> expectedRows(const std::vector<uint32_t>& input,
                                   const std::vector<int32_t>& windows) {
  std::vector<uint32_t> out = input;
  for (int32_t y = 0; y < kHeight; ++y) {
    const int32_t n = windows[static_cast<size_t>(y)];
    if (n <= 1) continue;
    const auto begin = input.begin() + y * kWidth;
    const auto blurred = fx_test::referenceBlurLine(std::vector<uint32_t>(begin, begin + kWidth),
                                                    multiplierForm(n), 0);
    std::copy(blurred.begin(), blurred.end(), out.begin() + y * kWidth);
  }
  return out;
}

TEST(FxDemoSpe01Wave, RowsFollowTheMovingCosine) {
  const uint32_t now = 1234567;
  FxDemoSpe01 effect([now] { return now; });
  effect.setMode(FxDemoSpe01::WAVE);
  std::vector<int32_t> windows;
  int32_t unchanged = 0;
  for (int32_t y = 0; y < kHeight; ++y) {
    const float t = static_cast<float>(now) * 0.001f * 3.1415927f;
    const float angle = static_cast<float>(y) / 256.0f * 25.132742f + t;
    const auto n = static_cast<int32_t>(std::cos(angle) * 33.0f + 14.0f);
    ASSERT_EQ(effect.rowWindow(y, kHeight, now), n) << y;
    ASSERT_GE(n, -19);
    ASSERT_LE(n, 47);
    windows.push_back(n);
    unchanged += n <= 1 ? 1 : 0;
  }
  // cos <= -13/33 over 37% of a period.
  EXPECT_GT(unchanged, 80);
  EXPECT_LT(unchanged, 110);
  CImage32Buffered image(kWidth, kHeight);
  const auto input = fx_test::randomPixels(kWidth * kHeight, 21);
  fx_test::setPixels(image, input);
  effect.apply(&image);
  EXPECT_EQ(fx_test::pixelsOf(image), expectedRows(input, windows));
}

TEST(FxDemoSpe01Noise, RowsFollowTheFractalCurve) {
  FxDemoSpe01 effect;
  effect.setOffset(37.0f);
  Perlin noise;
  std::vector<int32_t> windows;
  for (int32_t y = 0; y < kHeight; ++y) {
    const float x =
        static_cast<float>(noise.permutation(0)) + (static_cast<float>(y) + 37.0f) * 0.00062469003f;
    const float v = noise.fractalSum(x, 0.06746602f, 2.0f, 6.0f);
    const auto n = static_cast<int32_t>(std::fabs(v) * 200.0f * 1.0f);
    ASSERT_EQ(effect.rowWindow(y, kHeight, 0), n) << y;
    windows.push_back(n);
  }
  CImage32Buffered image(kWidth, kHeight);
  const auto input = fx_test::randomPixels(kWidth * kHeight, 22);
  fx_test::setPixels(image, input);
  effect.apply(&image);
  EXPECT_EQ(fx_test::pixelsOf(image), expectedRows(input, windows));
}

TEST(FxDemoSpe01Silent, AmplitudeZeroOtherModesAndNullLayerChangeNothing) {
  ReportCapture capture;
  const auto input = fx_test::randomPixels(kWidth * kHeight, 23);
  CImage32Buffered image(kWidth, kHeight);
  fx_test::setPixels(image, input);
  FxDemoSpe01 effect;
  effect.setAmplitude(0.0f);
  effect.apply(&image);
  effect.setAmplitude(1.0f);
  effect.setMode(2);
  effect.apply(&image);
  effect.apply(nullptr);
  EXPECT_EQ(fx_test::pixelsOf(image), input);
  EXPECT_TRUE(capture.lines().empty());
}

TEST(FxDemoSpe01Silent, OtherLayerSizesAreRefusedAndLeftAlone) {
  ReportCapture capture;
  const auto input = fx_test::randomPixels(kWidth * kHeight, 24);
  CImage32Buffered bound(kWidth, kHeight);
  CImage32Buffered small(64, 32);
  small.fill(0x11223344u);
  FxDemoSpe01 effect([] { return 0u; });
  effect.setMode(FxDemoSpe01::WAVE);
  effect.apply(&bound);
  fx_test::setPixels(bound, input);
  effect.apply(&small);
  EXPECT_EQ(fx_test::pixelsOf(small), std::vector<uint32_t>(64 * 32, 0x11223344u));
  EXPECT_EQ(fx_test::pixelsOf(bound), input);
  EXPECT_EQ(capture.lines(),
            std::vector<std::string>{
                "FxHVBlur : |setScreen: not same dimensions as the constructor one"});
}

}  // namespace
