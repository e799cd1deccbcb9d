// FxColor: each mode on a small layer (the colour word's channels spilling), and the silent cases.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/report.h"
#include "fx/fx_color.h"
#include "tests/fx/fx_test_util.h"

namespace {

using fx_test::gray;

TEST(FxColorModes, EachModeOnTwoPixels) {
  // Pixels (blue, green, red, fourth) = (10, 20, 30, 40) and (250, 128, 0, 255);
  // grey levels (5 b + 16 g + 11 r) >> 5: (50 + 320 + 330) >> 5 = 21, (1250 + 2048) >> 5 = 103.
  const uint32_t p0 = 0x281E140Au;
  const uint32_t p1 = 0xFF0080FAu;
  struct Case {
    int32_t mode, r, g, b;
    uint32_t out0, out1;
  };
  const Case cases[] = {
      {FxColor::ADD, 1, 2, 3, 0x281F160Du, 0xFF0182FDu},
      {FxColor::ADD, 0, 0, 300, 0x281E1536u, 0xFF0081FFu},  // 300 = 0x12C: blue + 0x2C, green + 1
      {FxColor::SUB, 1, 2, 3, 0x281D1207u, 0xFF007EF7u},
      {FxColor::MASK, 0xFF, 0, 0xFF, 0x001E000Au, 0x000000FAu},
      {FxColor::INVERT, 0, 0, 0, 0xD7E1EBF5u, 0x00FF7F05u},
      {FxColor::GRAY, 0, 0, 0, gray(21), gray(103)},
      {FxColor::RED, 0, 0, 0, 21u << 16, 103u << 16},
      {FxColor::GREEN, 0, 0, 0, 21u << 8, 103u << 8},
      {FxColor::BLUE, 0, 0, 0, 21u, 103u},
      {8, 50, 50, 50, p0, p1}};
  for (const Case& c : cases) {
    CImage32Buffered image(2, 1);
    fx_test::setPixels(image, {p0, p1});
    FxColor::apply(&image, c.mode, c.r, c.g, c.b);
    EXPECT_EQ(fx_test::pixelsOf(image), (std::vector<uint32_t>{c.out0, c.out1}))
        << "mode " << c.mode << " " << c.r << " " << c.g << " " << c.b;
  }
}

TEST(FxColorReports, AddOfBlackIsSilentAndMaskNeedsAnEvenWidth) {
  ReportCapture capture;
  CImage32Buffered odd(3, 2);
  odd.fill(0x80808080u);
  FxColor::apply(&odd, FxColor::ADD, 0, 0, 0);
  FxColor::apply(nullptr, FxColor::GRAY, 0, 0, 0);
  EXPECT_TRUE(capture.lines().empty());
  FxColor::apply(&odd, FxColor::MASK, 0, 0, 0);
  EXPECT_EQ(capture.texts(), std::vector<std::string>{"maskPixel: width must be even"});
  EXPECT_EQ(fx_test::pixelsOf(odd), std::vector<uint32_t>(6, 0x80808080u));
}

}  // namespace
