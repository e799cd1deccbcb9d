// FxHVBlur: window setup, the box blur in both directions and draw modes against a direct window
// sum, the identity for empty windows, the 16-bit saturation of the sums, and the reports.

#include <gtest/gtest.h>

#include <functional>
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
  // multiplier = 2^shift / size rounded: 1024/6 = 170.67 -> 171, 2048/10 = 204.8 -> 205,
  // 2048/14 = 146.29 -> 146, 16384/100 = 163.84 -> 164, 512/2 = 256,
  // 2^38 / (2^31 - 2) = 128.0000001 -> 128.
  const Case cases[] = {
      {5, 6, false, 0, 10, 171},   {6, 6, false, 0, 10, 171},
      {64, 64, true, 6, 14, 256},  {10, 10, false, 0, 11, 205},
      {13, 14, false, 0, 11, 146}, {100, 100, false, 0, 14, 164},
      {1, 2, true, 1, 9, 256},     {0, 0, false, 0, 0, 0},
      {-3, -2, false, 0, 0, 0},    {2147483647, 2147483646, false, 0, 38, 128},
  };
  FxHVBlur blur(8, 4);
  for (const Case& c : cases) {
    blur.setSize(c.n);
    EXPECT_EQ(blur.getSize(), c.size) << c.n;
    EXPECT_EQ(blur.isPowerOfTwo(), c.powerOfTwo) << c.n;
    if (c.powerOfTwo) {
      EXPECT_EQ(blur.getShift(), c.shift) << c.n;
    }
    EXPECT_EQ(blur.getMultiplierShift(), c.multiplierShift) << c.n;
    EXPECT_EQ(blur.getMultiplier(), c.multiplier) << c.n;
  }
}

TEST(FxHVBlurRows, UniformRowWithWindowFourDarkensTheEdges) {
  CImage32Buffered image(8, 2);
  image.fill(gray(100));
  FxHVBlur blur(8, 2);
  blur.setSize(4);
  blur.setScreen(&image);
  blur.apply();
  // x = 0: pixels 0..2 (300 / 4); the last two see 3 and 2 pixels.
  const std::vector<uint32_t> row = {gray(75),  gray(100), gray(100), gray(100),
                                     gray(100), gray(100), gray(75),  gray(50)};
  std::vector<uint32_t> expected = row;
  expected.insert(expected.end(), row.begin(), row.end());
  EXPECT_EQ(fx_test::pixelsOf(image), expected);
}

// Both directions, every draw mode, windows shorter and longer than the 8x5 picture.
TEST(FxHVBlurRows, MatchDirectWindowSums) {
  const fx_test::Divider dividers[] = {{2, 1, 0}, {4, 2, 0},     {6, 10, 171},
                                       {8, 3, 0}, {10, 11, 205}, {14, 11, 146}};
  const int32_t width = 8;
  const int32_t height = 5;
  const auto input = fx_test::randomPixels(width * height, 7);
  for (const auto& d : dividers)
    for (int draw = 0; draw < 3; ++draw)
      for (int direction = 0; direction < 2; ++direction) {
        CImage32Buffered image(width, height);
        fx_test::setPixels(image, input);
        FxHVBlur blur(width, height);
        blur.setSize(d.size);
        blur.setDirection(static_cast<FxHVBlur::Direction>(direction));
        blur.setDrawMode(static_cast<FxHVBlur::DrawMode>(draw));
        blur.setScreen(&image);
        blur.apply();
        std::vector<uint32_t> expected(input.size());
        const int32_t lines = direction == 0 ? height : width;
        const int32_t length = direction == 0 ? width : height;
        const auto at = [&](int32_t line, int32_t k) {
          return static_cast<size_t>(direction == 0 ? line * width + k : k * width + line);
        };
        for (int32_t line = 0; line < lines; ++line) {
          std::vector<uint32_t> values(static_cast<size_t>(length));
          for (int32_t k = 0; k < length; ++k)
            values[static_cast<size_t>(k)] = input[at(line, k)];
          const auto blurred = fx_test::referenceBlurLine(values, d, draw);
          for (int32_t k = 0; k < length; ++k)
            expected[at(line, k)] = blurred[static_cast<size_t>(k)];
        }
        EXPECT_EQ(fx_test::pixelsOf(image), expected)
            << "size " << d.size << " draw " << draw << " direction " << direction;
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

TEST(FxHVBlurRows, SingleRowUsesTheMultiplierForm) {
  // Window 4 as (sum * 256) >> 10 equals sum >> 2; row 1 only, row 0 untouched.
  CImage32Buffered image(8, 2);
  const auto input = fx_test::randomPixels(16, 3);
  fx_test::setPixels(image, input);
  FxHVBlur blur(8, 2);
  blur.setSize(4);
  blur.setScreen(&image);
  blur.blurRowMultiplied(1);
  blur.blurRowMultiplied(2);
  blur.blurRowMultiplied(-1);
  const std::vector<uint32_t> row1(input.begin() + 8, input.end());
  std::vector<uint32_t> expected(input.begin(), input.begin() + 8);
  const auto blurred = fx_test::referenceBlurLine(row1, {4, 10, 256}, 0);
  expected.insert(expected.end(), blurred.begin(), blurred.end());
  EXPECT_EQ(fx_test::pixelsOf(image), expected);
}

TEST(FxHVBlurReports, BadSizesAreReportedAndARefusedLayerKeepsTheOldBinding) {
  ReportCapture capture;
  FxHVBlur bad(0, -2);
  bad.apply();
  CImage32Buffered bound(8, 4);
  CImage32Buffered other(8, 5);
  FxHVBlur blur(8, 4);
  blur.setScreen(&bound);
  blur.setScreen(&other);
  EXPECT_EQ(blur.getScreen(), &bound);
  EXPECT_EQ(capture.lines(),
            (std::vector<std::string>{
                "FxHVBlur : |width <= 0", "FxHVBlur : |height <= 0", "FxHVBlur : |m_pScreen NULL",
                "FxHVBlur : |setScreen: not same dimensions as the constructor one"}));
}

// Applies an unbound 8 x 4 effect, binds it to pImage and applies it again; then applies an effect
// built with a size that is not above zero.
template <class Effect, int32_t kEmptyWidth, int32_t kEmptyHeight>
void applyUnboundThenBound(CImage32* pImage) {
  Effect effect(8, 4);
  effect.apply();
  effect.setScreen(pImage);
  effect.apply();
  Effect(kEmptyWidth, kEmptyHeight).apply();
}

// Every effect bound to a layer of another size refuses it with its own caption and leaves it
// alone; applying an unbound effect says nothing more (the blur alone reports its null screen).
TEST(FxReports, LayersOfAnotherSizeAreRefusedAndLeftAlone) {
  struct Case {
    const char* caption;
    std::function<void(CImage32*)> bindAndApply;
    const char* unbound;
  };
  const Case cases[] = {
      {"FxHVBlur : ",
       [](CImage32* pImage) {
         FxHVBlur blur(8, 4);
         blur.setScreen(pImage);
         blur.apply();
       },
       "FxHVBlur : |m_pScreen NULL"},
      {"FxRadial : ", applyUnboundThenBound<FxRadial, 0, 0>, nullptr},
      {"FxEmboss : ", applyUnboundThenBound<FxEmboss, -1, 4>, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.caption);
    CImage32Buffered image(4, 3);
    image.fill(gray(50));
    ReportCapture capture;
    c.bindAndApply(&image);
    std::vector<std::string> expected = {std::string(c.caption) +
                                         "|setScreen: not same dimensions as the constructor one"};
    if (c.unbound) expected.push_back(c.unbound);
    EXPECT_EQ(capture.lines(), expected);
    EXPECT_EQ(fx_test::pixelsOf(image), std::vector<uint32_t>(12, gray(50)));
  }
}

}  // namespace
