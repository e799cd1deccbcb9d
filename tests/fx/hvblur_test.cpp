// FxHVBlur: window setup, the identity for empty windows, the 16-bit saturation of the sums; and
// the reports of every effect for bad sizes and layers of another size. Both directions and draw
// modes with power-of-two and multiplied windows are pinned by the demo's golden frames, the
// packed rows and columns against their scalar twins in kernels_test.cpp.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/report.h"
#include "fx/fx_emboss.h"
#include "fx/fx_hvblur.h"
#include "fx/fx_radial.h"
#include "tests/fx/fx_test_util.h"

namespace {

using fx_test::gray;

TEST(FxHVBlurSize, EvenWindowsWithShiftOrMultiplier) {
  struct Case {
    int32_t n, size;
    bool powerOfTwo;
    int32_t shift, multiplierShift;
    uint32_t multiplier;
  };
  // Odd sizes round up; multiplier = 2^shift / size rounded: 1024/6 = 170.67 -> 171, 512/2 = 256,
  // 2^38 / (2^31 - 2) = 128.0000001 -> 128. The other windows are pinned by the demo's golden
  // frames.
  const Case cases[] = {{5, 6, false, 0, 10, 171},
                        {1, 2, true, 1, 9, 256},
                        {-3, -2, false, 0, 0, 0},
                        {2147483647, 2147483646, false, 0, 38, 128}};
  FxHVBlur blur(8, 4);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.n);
    blur.setSize(c.n);
    EXPECT_EQ(blur.getSize(), c.size);
    EXPECT_EQ(blur.isPowerOfTwo(), c.powerOfTwo);
    EXPECT_EQ(blur.getShift(), c.shift);
    EXPECT_EQ(blur.getMultiplierShift(), c.multiplierShift);
    EXPECT_EQ(blur.getMultiplier(), c.multiplier);
  }
}

TEST(FxHVBlurRows, SumsSaturateAt16Bits) {
  // Window 600 over white: the sum stops at 65535 after 257 pixels, so the middle averages
  // (65535 * 218) >> 17 = 108 (2^17 / 600 = 218.45 -> 218), and the run-out at the end subtracts
  // from the saturated sum: x = 724 + k holds max(65535 - 255 (k + 1), 0).
  CImage32Buffered image(1024, 1);
  image.fill(gray(255));
  FxHVBlur blur(1024, 1);
  blur.setSize(600);
  blur.setScreen(&image);
  blur.apply();
  const uint32_t* p = image.getPixels();
  EXPECT_EQ(p[0], gray(108));
  EXPECT_EQ(p[500], gray(108));
  EXPECT_EQ(p[724], gray((65280u * 218u) >> 17));
  EXPECT_EQ(p[800], gray(((65535u - 255u * 77u) * 218u) >> 17));
  EXPECT_EQ(p[1023], gray(0));
}

TEST(FxHVBlurIdentity, EmptyWindowDependsOnTheDrawMode) {
  struct Case {
    FxHVBlur::DrawMode mode;
    uint32_t from200, from100;
  };
  for (const Case c : {Case{FxHVBlur::TRANSADD, 255, 200}, Case{FxHVBlur::TRANSSUB, 0, 0},
                       Case{FxHVBlur::NORMAL, 200, 100}}) {
    CImage32Buffered image(4, 1);
    fx_test::setPixels(image, {gray(200), gray(100), gray(200), gray(100)});
    FxHVBlur blur(4, 1);
    blur.setSize(0);
    blur.setDrawMode(c.mode);
    blur.setScreen(&image);
    blur.apply();
    EXPECT_EQ(fx_test::pixelsOf(image), (std::vector<uint32_t>{gray(c.from200), gray(c.from100),
                                                               gray(c.from200), gray(c.from100)}))
        << c.mode;
  }
}

// Bad sizes are reported by the blur alone; every effect refuses a layer of another size with its
// own caption, leaves it alone and keeps working on its old layer; an unbound blur reports it.
TEST(FxReports, BadSizesAndLayersOfAnotherSize) {
  ReportCapture capture;
  CImage32Buffered image(4, 3);
  image.fill(gray(50));
  FxHVBlur(0, -2).apply();
  FxRadial(0, 0).apply();
  FxEmboss(-1, 4).apply();
  FxHVBlur blur(8, 4);
  FxRadial radial(8, 4);
  FxEmboss emboss(8, 4);
  radial.apply();
  emboss.apply();
  CImage32Buffered bound(8, 4);
  fx_test::setPixels(bound, fx_test::randomPixels(32, 5));
  const auto before = fx_test::pixelsOf(bound);
  blur.setScreen(&bound);
  radial.setScreen(&bound);
  emboss.setScreen(&bound);
  blur.setScreen(&image);
  radial.setScreen(&image);
  emboss.setScreen(&image);
  radial.apply();
  EXPECT_NE(fx_test::pixelsOf(bound), before);
  const auto afterRadial = fx_test::pixelsOf(bound);
  emboss.apply();
  EXPECT_NE(fx_test::pixelsOf(bound), afterRadial);
  blur.setScreen(nullptr);
  blur.apply();
  const std::string wrongSize = "|setScreen: not same dimensions as the constructor one";
  EXPECT_EQ(capture.lines(),
            (std::vector<std::string>{"FxHVBlur : |width <= 0", "FxHVBlur : |height <= 0",
                                      "FxHVBlur : |m_pScreen NULL", "FxHVBlur : " + wrongSize,
                                      "FxRadial : " + wrongSize, "FxEmboss : " + wrongSize,
                                      "FxHVBlur : |m_pScreen NULL"}));
  EXPECT_EQ(fx_test::pixelsOf(image), std::vector<uint32_t>(12, gray(50)));
}

}  // namespace
