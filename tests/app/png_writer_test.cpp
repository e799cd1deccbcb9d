// PNG files: the RGB bytes of a pixel, and files that read back to the pixels written.

#include "app/png_writer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <png.h>

#include "tests/app/app_test_util.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// --- Bytes of a pixel ---

TEST(PngRgbBytes, PixelXXRRGGBBGivesRRGGBBAndDropsTheFourthByte) {
  CImage32Buffered image(2, 1);
  image.getPixels()[0] = 0xFF123456u;
  image.getPixels()[1] = 0x00ABCDEFu;
  EXPECT_THAT(PngWriter::toRgb(image), ElementsAre(0x12, 0x34, 0x56, 0xAB, 0xCD, 0xEF));
}

TEST(PngRgbBytes, RowsFollowEachOtherTopFirst) {
  CImage32Buffered image(1, 3);
  image.setPixel(0, 0, 0x010203u);
  image.setPixel(0, 1, 0x040506u);
  image.setPixel(0, 2, 0x070809u);
  EXPECT_THAT(PngWriter::toRgb(image), ElementsAre(1, 2, 3, 4, 5, 6, 7, 8, 9));
}

TEST(PngRgbBytes, AnImageWithoutPixelsGivesNothing) {
  CImage32Buffered empty;
  EXPECT_THAT(PngWriter::toRgb(empty), IsEmpty());
}

// --- Files ---

namespace {

// Neighbouring pixels differ in all three colour bytes; the fourth byte is set, to be dropped.
void fillPattern(CImage32& image) {
  uint32_t* p = image.getPixels();
  const size_t count =
      static_cast<size_t>(image.getWidth()) * static_cast<size_t>(image.getHeight());
  for (size_t i = 0; i < count; ++i)
    p[i] = 0x80000000u | static_cast<uint32_t>(i * 0x010307u);
}

}  // namespace

class PngFile : public ::testing::TestWithParam<std::pair<int32_t, int32_t>> {};

TEST_P(PngFile, ReadsBackAs8BitRgbWithTheSamePixels) {
  const auto [width, height] = GetParam();
  TempFolder folder;
  CImage32Buffered image(width, height);
  fillPattern(image);
  const std::string path = folder.file("image.png");
  ASSERT_EQ(PngWriter::write(image, path), std::nullopt);

  const std::optional<RgbImage> back = readPng(path);
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(back->fileFormat, static_cast<uint32_t>(PNG_FORMAT_RGB));
  ASSERT_EQ(back->width, width);
  ASSERT_EQ(back->height, height);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      const uint32_t written = image.getPixels()[y * width + x] & 0xFFFFFFu;
      ASSERT_EQ(back->at(x, y), written) << "pixel (" << x << ", " << y << ")";
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Sizes, PngFile,
                         ::testing::Values(std::pair{1, 1}, std::pair{1, 5}, std::pair{7, 1},
                                           std::pair{3, 2}, std::pair{512, 384}));

TEST(PngFileErrors, AFolderThatDoesNotExistGivesAReason) {
  TempFolder folder;
  CImage32Buffered image(4, 4);
  const std::optional<std::string> reason =
      PngWriter::write(image, folder.file("missing/image.png"));
  ASSERT_TRUE(reason.has_value());
  EXPECT_FALSE(reason->empty());
}

TEST(PngFileErrors, AnImageWithoutPixelsIsRefusedAndNoFileIsMade) {
  TempFolder folder;
  CImage32Buffered empty;
  const std::string path = folder.file("empty.png");
  EXPECT_EQ(PngWriter::write(empty, path), std::optional<std::string>("the image has no pixels"));
  EXPECT_FALSE(std::filesystem::exists(path));
}
