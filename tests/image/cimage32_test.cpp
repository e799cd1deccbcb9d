// CImage32 buffers: the block layout with guard rows, the three variants and their reports.

#include "image/cimage32.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "base/report.h"
#include "tests/image/image_test_util.h"

using ::testing::Each;
using ::testing::ElementsAre;

// --- Block layout ---

TEST(ImageBlockLayout, PixelsTwoRowsIntoAZeroBlockWhoseGuardRowsStayZero) {
  InspectableImage image(3, 2);
  ASSERT_NE(image.block(), nullptr);
  EXPECT_EQ(image.getWidth(), 3);
  EXPECT_EQ(image.getHeight(), 2);
  EXPECT_EQ(image.getPixels(), image.block() + 6);
  // 3 * (2 + 4) = 18 words; reading all of them is inside the block (ASan checks the bound).
  for (int i = 0; i < 18; ++i)
    EXPECT_EQ(image.block()[i], 0u) << "word " << i;
  image.fill(0xFFFFFFFFu);
  image.addColor(0x01010101u);
  image.toGray();
  for (int i = 0; i < 18; ++i)
    EXPECT_EQ(image.block()[i], (i >= 6 && i < 12) ? 0xFFFFFFFFu : 0u) << "word " << i;
}

TEST(ImageBlockLayout, PixelXYIsWordYTimesWidthPlusX) {
  CImage32Buffered image(3, 2);
  image.setPixel(2, 1, 0xABCDEF01u);
  image.setPixel(1, 0, 0x12345678u);
  EXPECT_THAT(pixelsOf(image), ElementsAre(0u, 0x12345678u, 0u, 0u, 0u, 0xABCDEF01u));
}

// --- CImage32Buffered ---

TEST(ImageBuffered, ZeroOrNegativeSizeIsAFatalReportAndLeavesTheImageEmpty) {
  ReportCapture capture;
  CImage32Buffered image(0, 10);
  CImage32Buffered negative(4, -1);
  EXPECT_THAT(capture.lines(),
              ElementsAre("CImage32Buffered|dimensions must be greater than zero",
                          "CImage32Buffered|dimensions must be greater than zero"));
  EXPECT_EQ(capture.reports()[0].level, ReportLevel::Fatal);
  EXPECT_EQ(quitRequested(), std::optional<int>(1));
  EXPECT_EQ(image.getWidth(), 0);
  EXPECT_EQ(image.getHeight(), 0);
  EXPECT_EQ(image.getPixels(), nullptr);
  EXPECT_EQ(negative.getPixels(), nullptr);
  EXPECT_EQ(negative.getWidth(), 0);
}

TEST(ImageBuffered, DefaultIsEmptyAndInitSizesWithZeroPixels) {
  ReportCapture capture;
  CImage32Buffered image;
  EXPECT_EQ(image.getPixels(), nullptr);
  EXPECT_EQ(image.getWidth(), 0);
  image.init(4, 3);
  EXPECT_EQ(image.getWidth(), 4);
  EXPECT_EQ(image.getHeight(), 3);
  EXPECT_THAT(pixelsOf(image), Each(0u));
  EXPECT_EQ(pixelsOf(image).size(), 12u);
  EXPECT_TRUE(capture.reports().empty());
  EXPECT_FALSE(quitRequested().has_value());
}

TEST(ImageBuffered, InitWithBadSizeReportsAndKeepsThePreviousImage) {
  CImage32Buffered image(2, 2);
  image.fill(7);
  ReportCapture capture;
  image.init(5, 0);
  EXPECT_THAT(capture.lines(),
              ElementsAre("CImage32Buffered|dimensions must be greater than zero"));
  EXPECT_EQ(quitRequested(), std::optional<int>(1));
  EXPECT_EQ(image.getWidth(), 2);
  EXPECT_EQ(image.getHeight(), 2);
  EXPECT_THAT(pixelsOf(image), ElementsAre(7u, 7u, 7u, 7u));
}

TEST(ImageBuffered, InitCopyTakesTheSizeAndPixelsOfAnyVariant) {
  uint32_t memory[3] = {0x01020304u, 0xFFFFFFFFu, 0x80808080u};
  CImage32External source;
  source.setPixelData(3, 1, memory);
  CImage32Buffered copy;
  copy.initCopy(source);
  EXPECT_EQ(copy.getWidth(), 3);
  EXPECT_EQ(copy.getHeight(), 1);
  EXPECT_NE(copy.getPixels(), memory);
  EXPECT_THAT(pixelsOf(copy), ElementsAre(0x01020304u, 0xFFFFFFFFu, 0x80808080u));
}

TEST(ImageBuffered, InitCopyOfAnEmptyImageReportsTheSize) {
  ReportCapture capture;
  CImage32Buffered empty;
  CImage32Buffered copy;
  copy.initCopy(empty);
  EXPECT_THAT(capture.lines(),
              ElementsAre("CImage32Buffered|dimensions must be greater than zero"));
  EXPECT_EQ(copy.getPixels(), nullptr);
}

// --- CImage32External ---

TEST(ImageExternal, SetPixelDataAttachesTheCallersMemoryWithoutCopying) {
  uint32_t memory[6] = {};
  CImage32External image;
  EXPECT_EQ(image.getPixels(), nullptr);
  image.setPixelData(3, 2, memory);
  EXPECT_EQ(image.getPixels(), memory);
  EXPECT_EQ(image.getWidth(), 3);
  EXPECT_EQ(image.getHeight(), 2);
  image.setPixel(1, 1, 42);
  EXPECT_EQ(memory[4], 42u);
}

TEST(ImageExternal, NullPixelDataIsAFatalReportAndKeepsTheOldAttachment) {
  uint32_t memory[2] = {};
  CImage32External image;
  image.setPixelData(2, 1, memory);
  ReportCapture capture;
  image.setPixelData(4, 4, nullptr);
  // The null pointer is named even when the size is bad too.
  image.setPixelData(0, 0, nullptr);
  EXPECT_THAT(capture.lines(),
              ElementsAre("CImage32External|pixelData NULL", "CImage32External|pixelData NULL"));
  EXPECT_EQ(capture.reports()[0].level, ReportLevel::Fatal);
  EXPECT_EQ(quitRequested(), std::optional<int>(1));
  EXPECT_EQ(image.getPixels(), memory);
  EXPECT_EQ(image.getWidth(), 2);
  EXPECT_EQ(image.getHeight(), 1);
}

TEST(ImageExternal, SizeNotAboveZeroIsAFatalReport) {
  uint32_t memory[4] = {};
  CImage32External image;
  ReportCapture capture;
  image.setPixelData(-2, 2, memory);
  image.setPixelData(2, 0, memory);
  EXPECT_THAT(capture.lines(),
              ElementsAre("CImage32External|dimensions must be greater than zero",
                          "CImage32External|dimensions must be greater than zero"));
  EXPECT_EQ(quitRequested(), std::optional<int>(1));
  EXPECT_EQ(image.getPixels(), nullptr);
  EXPECT_EQ(image.getWidth(), 0);
}

// --- CImage32FromData ---

TEST(ImageFromData, DefaultIsEmptyWithoutName) {
  CImage32FromData image;
  EXPECT_EQ(image.getPixels(), nullptr);
  EXPECT_EQ(image.getWidth(), 0);
  EXPECT_EQ(image.getName(), nullptr);
}

TEST(ImageFromData, SetNameKeepsItsOwnCopy) {
  char name[] = "pictures/logo.tga";
  CImage32FromData image;
  image.setName(name);
  name[0] = 'X';
  ASSERT_NE(image.getName(), nullptr);
  EXPECT_STREQ(image.getName(), "pictures/logo.tga");
  image.setName("");
  EXPECT_STREQ(image.getName(), "");
}

TEST(ImageFromData, NullNameIsAFatalReportAndKeepsTheOldName) {
  CImage32FromData image;
  image.setName("a.bmp");
  ReportCapture capture;
  image.setName(nullptr);
  EXPECT_THAT(capture.lines(), ElementsAre("CImage32FromData|setName: NULL"));
  EXPECT_EQ(capture.reports()[0].level, ReportLevel::Fatal);
  EXPECT_EQ(quitRequested(), std::optional<int>(1));
  EXPECT_STREQ(image.getName(), "a.bmp");
}

// --- Report captions and levels ---

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
