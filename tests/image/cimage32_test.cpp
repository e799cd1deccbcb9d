// CImage32 on its own: the block layout with guard rows, the three variants and their reports,
// and the whole-image pixel operations against values worked out by hand.

#include "image/cimage32.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "base/report.h"
#include "tests/image/image_test_util.h"

using ::testing::Each;
using ::testing::ElementsAre;

namespace {

// The 18 words of a 3 x 2 block (2 guard rows, the pixels, 2 guard rows).
void expectBlock(const InspectableImage& image, uint32_t pixels) {
  for (int i = 0; i < 18; ++i)
    EXPECT_EQ(image.block()[i], (i >= 6 && i < 12) ? pixels : 0u) << "word " << i;
}

}  // namespace

TEST(ImageBlockLayout, PixelsTwoRowsIntoAZeroBlockWhoseGuardRowsStayZero) {
  InspectableImage image(3, 2);
  ASSERT_NE(image.block(), nullptr);
  EXPECT_EQ(image.getPixels(), image.block() + 6);
  // Reading all 18 words is inside the block (ASan checks the bound); outside coordinates are
  // ignored silently.
  ReportCapture capture;
  image.setPixel(static_cast<uint32_t>(-1), 0, 5);
  image.setPixel(0, static_cast<uint32_t>(-1), 5);
  image.setPixel(3, 0, 5);
  image.setPixel(0, 2, 5);
  EXPECT_TRUE(capture.reports().empty());
  expectBlock(image, 0);
  image.fill(0xFFFFFFFFu);
  image.addColor(0x01010101u);
  image.toGray();
  expectBlock(image, 0xFFFFFFFFu);
  // Pixel (x, y) is word y * width + x.
  CImage32Buffered other(3, 2);
  other.setPixel(2, 1, 0xABCDEF01u);
  other.setPixel(1, 0, 0x12345678u);
  EXPECT_THAT(pixelsOf(other), ElementsAre(0u, 0x12345678u, 0u, 0u, 0u, 0xABCDEF01u));
}

// Every refusal is one fatal report asking to quit, and leaves the image as it was.
TEST(ImageReports, BadSizesAreFatalAndKeepTheImage) {
  CImage32Buffered resized(2, 2), copy, emptySource;
  resized.fill(7);
  std::unique_ptr<CImage32Buffered> pZero;
  const std::function<void()> refusals[] = {
      [&] { pZero = std::make_unique<CImage32Buffered>(0, 10); }, [&] { resized.init(5, 0); },
      [&] { resized.init(-1, 4); }, [&] { copy.initCopy(emptySource); }};
  for (const auto& refusal : refusals) {
    ReportCapture capture;
    refusal();
    EXPECT_THAT(capture.lines(),
                ElementsAre("CImage32Buffered|dimensions must be greater than zero"));
    EXPECT_EQ(capture.reports()[0].level, ReportLevel::Fatal);
    EXPECT_EQ(quitRequested(), std::optional<int>(1));
  }
  EXPECT_EQ(pZero->getPixels(), nullptr);
  EXPECT_EQ(copy.getPixels(), nullptr);
  EXPECT_THAT(pixelsOf(resized), ElementsAre(7u, 7u, 7u, 7u));
}

// --- Pixel operations ---
//
// Every path's kernels match the scalar ones (pixel_kernels_test), whose results the colour
// effect's tests pin through the images (add, sub, mask, invert, grey and its channels);
// doubleIntensity has no other user.

TEST(ImagePixelOps, DoubleIntensityClamps) {
  CImage32Buffered image(2, 1);
  image.getPixels()[0] = pixelOf(0, 100, 128, 200);
  image.getPixels()[1] = pixelOf(127, 1, 255, 64);
  image.doubleIntensity();
  EXPECT_THAT(pixelsOf(image), ElementsAre(pixelOf(0, 200, 255, 255), pixelOf(254, 2, 255, 128)));
}

// A warning under the variant's caption that does not ask to quit, and nothing written.
TEST(ImagePixelOps, MaskAndInvertOfAnOddWidthWarnAndWriteNothing) {
  const std::pair<const char*, void (*)(CImage32&)> ops[] = {
      {"maskPixel", [](CImage32& i) { i.maskPixel(0); }},
      {"invert", [](CImage32& i) { i.invert(); }},
  };
  uint32_t memory[6] = {};
  CImage32External external;
  external.setPixelData(3, 2, memory);
  for (const auto& [name, op] : ops) {
    fillDistinct(external, 0x0A0B0C0Du);
    const std::vector<uint32_t> before = pixelsOf(external);
    ReportCapture capture;
    op(external);
    EXPECT_THAT(capture.lines(),
                ElementsAre("CImage32External|" + std::string(name) + ": width must be even"));
    EXPECT_EQ(capture.reports()[0].level, ReportLevel::Warning);
    EXPECT_FALSE(quitRequested().has_value());
    EXPECT_EQ(pixelsOf(external), before);
  }
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
  // Every word, from the layout: strip x / 8, 8 words per row, column x % 8 inside the strip.
  for (uint32_t y = 0; y < 256; ++y) {
    for (uint32_t x = 0; x < 256; ++x) {
      ASSERT_EQ(t[(x / 8) * 2048 + y * 8 + x % 8], (y << 8) | x) << x << "," << y;
    }
  }
}

TEST(ImageTiledLayout, OtherSizesAreRefused) {
  CImage32Buffered source(256, 128), texture(256, 256), small(128, 256);
  source.fill(3);
  EXPECT_FALSE(texture.tile256x256From(source));
  EXPECT_FALSE(small.tile256x256From(texture));
  EXPECT_FALSE(texture.tile256x256From(texture));
  EXPECT_THAT(pixelsOf(texture), Each(0u));
  EXPECT_THAT(pixelsOf(small), Each(0u));
}
