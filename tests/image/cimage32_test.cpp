// CImage32 buffers: the block layout with guard rows, the three variants and their reports.

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

TEST(ImageBlockLayout, PixelsTwoRowsIntoAZeroBlockWhoseGuardRowsStayZero) {
  InspectableImage image(3, 2);
  ASSERT_NE(image.block(), nullptr);
  EXPECT_EQ(image.getPixels(), image.block() + 6);
  // 3 * (2 + 4) = 18 words; reading all of them is inside the block (ASan checks the bound).
  for (int i = 0; i < 18; ++i)
    EXPECT_EQ(image.block()[i], 0u) << "word " << i;
  image.fill(0xFFFFFFFFu);
  image.addColor(0x01010101u);
  image.toGray();
  for (int i = 0; i < 18; ++i)
    EXPECT_EQ(image.block()[i], (i >= 6 && i < 12) ? 0xFFFFFFFFu : 0u) << "word " << i;
  // Pixel (x, y) is word y * width + x; outside coordinates touch nothing.
  CImage32Buffered other(3, 2);
  other.setPixel(2, 1, 0xABCDEF01u);
  other.setPixel(1, 0, 0x12345678u);
  EXPECT_THAT(pixelsOf(other), ElementsAre(0u, 0x12345678u, 0u, 0u, 0u, 0xABCDEF01u));
}

// Every refusal is a fatal report under the variant's caption and leaves the image as it was.
TEST(ImageReports, BadSizesAndNullDataAreFatalAndKeepTheImage) {
  uint32_t memory[4] = {};
  struct Case {
    const char* line;
    std::function<CImage32*()> run;  // returns the image to inspect
    int32_t width;                   // its width afterwards, 0 when empty
  };
  std::unique_ptr<CImage32Buffered> pZero, pNegative;
  CImage32Buffered resized(2, 2), copy, emptySource;
  CImage32External externalBad, externalNull;
  externalNull.setPixelData(2, 1, memory);
  resized.fill(7);
  const Case cases[] = {
      {"CImage32Buffered|dimensions must be greater than zero",
       [&] { return (pZero = std::make_unique<CImage32Buffered>(0, 10)).get(); }, 0},
      {"CImage32Buffered|dimensions must be greater than zero",
       [&] { return (pNegative = std::make_unique<CImage32Buffered>(4, -1)).get(); }, 0},
      {"CImage32Buffered|dimensions must be greater than zero",
       [&] {
         resized.init(5, 0);
         return &resized;
       },
       2},
      {"CImage32Buffered|dimensions must be greater than zero",
       [&] {
         copy.initCopy(emptySource);
         return &copy;
       },
       0},
      {"CImage32External|dimensions must be greater than zero",
       [&] {
         externalBad.setPixelData(-2, 2, memory);
         externalBad.setPixelData(2, 0, memory);
         return &externalBad;
       },
       0},
      // The null pointer is named even when the size is bad too.
      {"CImage32External|pixelData NULL",
       [&] {
         externalNull.setPixelData(0, 0, nullptr);
         return &externalNull;
       },
       2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    ReportCapture capture;
    const CImage32* pImage = c.run();
    ASSERT_FALSE(capture.reports().empty());
    EXPECT_THAT(capture.lines(), Each(c.line));
    EXPECT_EQ(capture.reports()[0].level, ReportLevel::Fatal);
    EXPECT_EQ(quitRequested(), std::optional<int>(1));
    EXPECT_EQ(pImage->getWidth(), c.width);
    EXPECT_EQ(pImage->getPixels() == nullptr, c.width == 0);
  }
  EXPECT_THAT(pixelsOf(resized), ElementsAre(7u, 7u, 7u, 7u));
  EXPECT_EQ(externalNull.getPixels(), memory);

  CImage32FromData named;
  named.setName("a.bmp");
  ReportCapture capture;
  named.setName(nullptr);
  EXPECT_THAT(capture.lines(), ElementsAre("CImage32FromData|setName: NULL"));
  EXPECT_EQ(capture.reports()[0].level, ReportLevel::Fatal);
  EXPECT_STREQ(named.getName(), "a.bmp");
}

TEST(ImageBuffered, InitAndInitCopySizeTheBlock) {
  ReportCapture capture;
  CImage32Buffered image;
  image.init(4, 3);
  EXPECT_EQ(image.getHeight(), 3);
  EXPECT_THAT(pixelsOf(image), Each(0u));
  EXPECT_EQ(pixelsOf(image).size(), 12u);
  uint32_t memory[3] = {0x01020304u, 0xFFFFFFFFu, 0x80808080u};
  CImage32External source;
  source.setPixelData(3, 1, memory);
  source.setPixel(1, 0, 42);  // the caller's memory, not a copy
  EXPECT_EQ(memory[1], 42u);
  CImage32Buffered copy;
  copy.initCopy(source);
  EXPECT_NE(copy.getPixels(), memory);
  EXPECT_THAT(pixelsOf(copy), ElementsAre(0x01020304u, 42u, 0x80808080u));
  EXPECT_TRUE(capture.reports().empty());
  EXPECT_FALSE(quitRequested().has_value());
}

TEST(ImageFromData, SetNameKeepsItsOwnCopy) {
  char name[] = "pictures/logo.tga";
  CImage32FromData image;
  EXPECT_EQ(image.getName(), nullptr);
  image.setName(name);
  name[0] = 'X';
  EXPECT_STREQ(image.getName(), "pictures/logo.tga");
}

TEST(ImageReports, WarningsAreCaptionedWithTheVariantAndDoNotAskToQuit) {
  uint32_t memory[3] = {};
  CImage32External external;
  external.setPixelData(3, 1, memory);
  CImage32Buffered buffered(3, 1);
  ReportCapture capture;
  external.invert();
  buffered.maskPixel(0);
  EXPECT_THAT(capture.lines(), ElementsAre("CImage32External|invert: width must be even",
                                           "CImage32Buffered|maskPixel: width must be even"));
  for (const Report& r : capture.reports())
    EXPECT_EQ(r.level, ReportLevel::Warning);
  EXPECT_FALSE(quitRequested().has_value());
}
