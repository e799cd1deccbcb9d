// FxDemoSpe01: per-row window lengths from the wave (with a fixed clock) and from the noise
// curve, and the cases that leave the layer alone.

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

// Each mode's row windows worked out here from the formulas; rows of window 1 or less are left as
// they were. (The blurred rows themselves are pinned by the pipeline's and the demo's golden
// frames.)
TEST(FxDemoSpe01Modes, RowsFollowTheWaveOrTheNoiseCurve) {
  const uint32_t now = 1234567;
  Perlin noise;
  for (const int32_t mode : {FxDemoSpe01::WAVE, FxDemoSpe01::NOISE}) {
    SCOPED_TRACE(mode);
    FxDemoSpe01 effect([now] { return now; });
    effect.setMode(mode);
    effect.setOffset(37.0f);
    std::vector<int32_t> windows;
    int32_t unchanged = 0;
    for (int32_t y = 0; y < kHeight; ++y) {
      const float t = static_cast<float>(now) * 0.001f * 3.1415927f;
      const float angle = static_cast<float>(y) / 256.0f * 25.132742f + t;
      const float x = static_cast<float>(noise.permutation(0)) +
                      (static_cast<float>(y) + 37.0f) * 0.00062469003f;
      const auto n =
          mode == FxDemoSpe01::WAVE
              ? static_cast<int32_t>(std::cos(angle) * 33.0f + 14.0f)
              : static_cast<int32_t>(std::fabs(noise.fractalSum(x, 0.06746602f, 2.0f, 6.0f)) *
                                     200.0f * 1.0f);
      ASSERT_EQ(effect.rowWindow(y, kHeight, now), n) << y;
      windows.push_back(n);
      unchanged += n <= 1 ? 1 : 0;
    }
    // The wave: cos <= -13/33 over 37% of a period.
    if (mode == FxDemoSpe01::WAVE) {
      EXPECT_GT(unchanged, 80);
      EXPECT_LT(unchanged, 110);
    }
    CImage32Buffered image(kWidth, kHeight);
    const auto input = fx_test::randomPixels(kWidth * kHeight, static_cast<uint32_t>(21 + mode));
    fx_test::setPixels(image, input);
    effect.apply(&image);
    const std::vector<uint32_t> output = fx_test::pixelsOf(image);
    for (int32_t y = 0; y < kHeight; ++y) {
      const auto row = [y](const std::vector<uint32_t>& pixels) {
        return std::vector<uint32_t>(pixels.begin() + y * kWidth,
                                     pixels.begin() + (y + 1) * kWidth);
      };
      EXPECT_EQ(row(output) == row(input), windows[static_cast<size_t>(y)] <= 1) << "row " << y;
    }
  }
}

// Amplitude 0 and another mode change nothing silently; a layer of another size is refused
// (reported) and left alone, and the blur keeps no binding to it.
TEST(FxDemoSpe01Silent, NothingChangesWithoutWorkOrWithAnotherSize) {
  ReportCapture capture;
  const auto input = fx_test::randomPixels(kWidth * kHeight, 23);
  CImage32Buffered image(kWidth, kHeight);
  fx_test::setPixels(image, input);
  FxDemoSpe01 effect([] { return 0u; });
  effect.setAmplitude(0.0f);
  effect.apply(&image);
  effect.setAmplitude(1.0f);
  effect.setMode(2);
  effect.apply(&image);
  EXPECT_EQ(fx_test::pixelsOf(image), input);
  EXPECT_TRUE(capture.lines().empty());
  CImage32Buffered bound(kWidth, kHeight);
  CImage32Buffered small(64, 32);
  small.fill(0x11223344u);
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
