// Whole-image pixel operations of CImage32, checked against values worked out by hand.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

#include "base/report.h"
#include "image/cimage32.h"
#include "tests/image/image_test_util.h"

using ::testing::Each;
using ::testing::ElementsAre;

namespace {
// A one-row image holding the given pixels.
std::unique_ptr<CImage32Buffered> rowOf(std::initializer_list<uint32_t> pixels) {
  auto image = std::make_unique<CImage32Buffered>(static_cast<int32_t>(pixels.size()), 1);
  uint32_t* p = image->getPixels();
  for (uint32_t pixel : pixels)
    *p++ = pixel;
  return image;
}
}  // namespace

TEST(ImagePixelOps, EachOperationOnARowOfPixels) {
  struct Case {
    const char* what;
    std::initializer_list<uint32_t> input;
    void (*op)(CImage32&);
    std::vector<uint32_t> expected;
  };
  const Case cases[] = {
      {"doubleIntensity clamps at 255",
       {pixelOf(0, 100, 128, 200), pixelOf(127, 1, 255, 64)},
       [](CImage32& i) { i.doubleIntensity(); },
       {pixelOf(0, 200, 255, 255), pixelOf(254, 2, 255, 128)}},
      // The fourth byte takes part; a clamped byte carries nothing into the next one.
      {"addColor clamps at 255",
       {pixelOf(240, 240, 240, 0), pixelOf(10, 20, 30, 250)},
       [](CImage32& i) { i.addColor(pixelOf(48, 32, 16, 10)); },
       {pixelOf(255, 255, 255, 10), pixelOf(58, 52, 46, 255)}},
      {"subColor clamps at zero",
       {pixelOf(8, 8, 8, 0), pixelOf(100, 50, 20, 9), pixelOf(0, 5, 0, 30)},
       [](CImage32& i) {
         i.subColor(pixelOf(48, 32, 16, 0));
         i.subColor(pixelOf(0, 0, 0, 10));
       },
       {pixelOf(0, 0, 0, 0), pixelOf(52, 18, 4, 0), pixelOf(0, 0, 0, 20)}},
      {"maskPixel ands",
       {0x12345678u, 0xFFFFFFFFu},
       [](CImage32& i) { i.maskPixel(0x00FF00F0u); },
       {0x00340070u, 0x00FF00F0u}},
      {"invert complements each byte",
       {pixelOf(0, 128, 255, 0), pixelOf(120, 86, 52, 18)},
       [](CImage32& i) { i.invert(); },
       {pixelOf(255, 127, 0, 255), pixelOf(135, 169, 203, 237)}},
      // Weights 5, 16, 11 over 32: blue 255 gives 39, green 255 127, red 255 87; (10, 20, 30):
      // 50 + 320 + 330 = 700 >> 5 = 21; the fourth byte does not count.
      {"toGray",
       {pixelOf(255, 255, 255, 0), pixelOf(255, 0, 0, 0), pixelOf(0, 255, 0, 0),
        pixelOf(0, 0, 255, 0), pixelOf(10, 20, 30, 0), pixelOf(0, 0, 0, 255)},
       [](CImage32& i) { i.toGray(); },
       {0xFFFFFFFFu, 0x27272727u, 0x7F7F7F7Fu, 0x57575757u, 0x15151515u, 0x00000000u}},
      {"grayToRed",
       {pixelOf(255, 255, 255, 0), pixelOf(255, 0, 0, 77)},
       [](CImage32& i) { i.grayToRed(); },
       {pixelOf(0, 0, 255, 0), pixelOf(0, 0, 39, 0)}},
      {"grayToGreen",
       {pixelOf(255, 255, 255, 0), pixelOf(255, 0, 0, 77)},
       [](CImage32& i) { i.grayToGreen(); },
       {pixelOf(0, 255, 0, 0), pixelOf(0, 39, 0, 0)}},
      {"grayToBlue",
       {pixelOf(255, 255, 255, 0), pixelOf(255, 0, 0, 77)},
       [](CImage32& i) { i.grayToBlue(); },
       {pixelOf(255, 0, 0, 0), pixelOf(39, 0, 0, 0)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto image = rowOf(c.input);
    c.op(*image);
    EXPECT_EQ(pixelsOf(*image), c.expected);
  }
}

TEST(ImagePixelOps, MaskAndInvertOfAnOddWidthWarnAndWriteNothing) {
  const std::pair<const char*, void (*)(CImage32&)> ops[] = {
      {"maskPixel", [](CImage32& i) { i.maskPixel(0); }},
      {"invert", [](CImage32& i) { i.invert(); }},
  };
  for (const auto& [name, op] : ops) {
    CImage32Buffered image(3, 2);
    fillDistinct(image, 0x0A0B0C0Du);
    const std::vector<uint32_t> before = pixelsOf(image);
    ReportCapture capture;
    op(image);
    EXPECT_THAT(capture.lines(),
                ElementsAre(std::string("CImage32Buffered|") + name + ": width must be even"));
    EXPECT_EQ(capture.reports()[0].level, ReportLevel::Warning);
    EXPECT_EQ(pixelsOf(image), before);
  }
}

TEST(ImageEmpty, OperationsOnAnEmptyImageDoNothingAndSayNothing) {
  ReportCapture capture;
  CImage32Buffered image;
  image.fill(1);
  image.doubleIntensity();
  image.addColor(1);
  image.subColor(1);
  image.maskPixel(1);
  image.invert();
  image.toGray();
  image.grayToRed();
  image.grayToGreen();
  image.grayToBlue();
  image.setPixel(0, 0, 1);
  image.clearFirstRow();
  image.clearLastRow();
  image.clearFirstColumn();
  EXPECT_TRUE(capture.reports().empty());
  EXPECT_EQ(image.getPixels(), nullptr);
}

TEST(ImageSetPixel, OutsideCoordinatesAreIgnoredSilently) {
  InspectableImage image(3, 2);
  ReportCapture capture;
  image.setPixel(static_cast<uint32_t>(-1), 0, 5);
  image.setPixel(0, static_cast<uint32_t>(-1), 5);
  image.setPixel(3, 0, 5);
  image.setPixel(0, 2, 5);
  EXPECT_TRUE(capture.reports().empty());
  // Neither the pixels nor the guard rows around them were touched.
  for (int i = 0; i < 18; ++i)
    EXPECT_EQ(image.block()[i], 0u) << "word " << i;
}

TEST(ImageCopyWindow, TakesTheWindowWhoseTopLeftIsXYOrNothing) {
  CImage32Buffered source(4, 3);
  fillDistinct(source, 0);
  const std::vector<uint32_t> src = pixelsOf(source);
  CImage32Buffered window(2, 2);
  window.copyWindow(source, 1, 1);
  EXPECT_THAT(pixelsOf(window),
              ElementsAre(src[1 * 4 + 1], src[1 * 4 + 2], src[2 * 4 + 1], src[2 * 4 + 2]));
  window.copyWindow(source, 2, 0);
  EXPECT_THAT(pixelsOf(window), ElementsAre(src[2], src[3], src[4 + 2], src[4 + 3]));
  // A window reaching outside the source is ignored.
  window.fill(9);
  window.copyWindow(source, 3, 0);
  window.copyWindow(source, 0, 2);
  window.copyWindow(source, -1, 0);
  EXPECT_THAT(pixelsOf(window), Each(9u));
}

TEST(ImageClearBorders, ClearRowZeroTheLastRowAndColumnZero) {
  CImage32Buffered top(3, 3), bottom(3, 3), left(3, 3);
  for (CImage32Buffered* pImage : {&top, &bottom, &left})
    pImage->fill(1);
  top.clearFirstRow();
  bottom.clearLastRow();
  left.clearFirstColumn();
  EXPECT_THAT(pixelsOf(top), ElementsAre(0u, 0u, 0u, 1u, 1u, 1u, 1u, 1u, 1u));
  EXPECT_THAT(pixelsOf(bottom), ElementsAre(1u, 1u, 1u, 1u, 1u, 1u, 0u, 0u, 0u));
  EXPECT_THAT(pixelsOf(left), ElementsAre(0u, 1u, 1u, 0u, 1u, 1u, 0u, 1u, 1u));
}

// --- 256x256 tiled texture layout ---

TEST(ImageTiledLayout, TilingMovesEverySourcePixelToItsStripWord) {
  CImage32Buffered source(256, 256);
  uint32_t* p = source.getPixels();
  for (uint32_t y = 0; y < 256; ++y) {
    for (uint32_t x = 0; x < 256; ++x)
      p[y * 256 + x] = (y << 8) | x;
  }
  CImage32Buffered texture(256, 256);
  ASSERT_TRUE(texture.tile256x256From(source));
  const uint32_t* t = texture.getPixels();
  EXPECT_EQ(tiledWordIndex256(9, 1), 2057u);  // 2048 + 8 + 1
  EXPECT_EQ(t[2057], (1u << 8) | 9u);
  // Every word, from the layout: strip x / 8, 8 words per row, column x % 8 inside the strip.
  for (uint32_t y = 0; y < 256; ++y) {
    for (uint32_t x = 0; x < 256; ++x) {
      ASSERT_EQ(t[(x / 8) * 2048 + y * 8 + x % 8], (y << 8) | x) << x << "," << y;
    }
  }
}

TEST(ImageTiledLayout, TilingRefusesImagesThatAreNot256x256) {
  CImage32Buffered source(256, 128);
  source.fill(3);
  CImage32Buffered texture(256, 256);
  CImage32Buffered small(128, 256);
  EXPECT_FALSE(texture.tile256x256From(source));
  EXPECT_FALSE(small.tile256x256From(texture));
  EXPECT_FALSE(texture.tile256x256From(texture));
  EXPECT_THAT(pixelsOf(texture), Each(0u));
  EXPECT_THAT(pixelsOf(small), Each(0u));
}

TEST(ImageTiledLayout, Init256x256TiledChecksItsOwnSizeThenTheSource) {
  CImage32Buffered wrongSize(255, 256);
  CImage32Buffered texture(256, 256);
  CImage32Buffered source(16, 16);
  ReportCapture capture;
  wrongSize.init256x256Tiled(nullptr);
  wrongSize.init256x256Tiled(&source);
  texture.init256x256Tiled(nullptr);
  EXPECT_THAT(capture.lines(), ElementsAre("CImage32Buffered|init256x256Tiled: bad dimensions",
                                           "CImage32Buffered|init256x256Tiled: bad dimensions",
                                           "CImage32Buffered|init256x256Tiled: source NULL"));
  for (const Report& r : capture.reports())
    EXPECT_EQ(r.level, ReportLevel::Warning);
  EXPECT_FALSE(quitRequested().has_value());
  EXPECT_THAT(pixelsOf(texture), Each(0u));
}
