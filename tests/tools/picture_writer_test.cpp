// The picture writers checked against the player's own loaders: what is written must read back
// pixel for pixel, in every format and encoding, run-length packets included.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/report.h"
#include "image/cimage32.h"
#include "tests/support/temp_dir.h"
#include "tools/picture_writer.h"

namespace {

using PictureWriter::Picture;
using PictureWriter::TgaColors;
using PictureWriter::TgaEncoding;

// Runs longer than one packet (200 equal pixels), runs of exactly two, a row end that falls
// inside a run, and from pixel 300 on no two neighbours alike (raw packets longer than 128).
Picture awkwardPicture(std::int32_t width, std::int32_t height, bool gray) {
  Picture picture(width, height);
  for (std::uint32_t i = 0; i < picture.pixels.size(); ++i) {
    const std::uint32_t level = i < 200   ? 0
                                : i < 260 ? (i % 2 == 0 ? 255 : 1)
                                : i < 300 ? (i / 2) & 0xFF
                                          : (i * 7) & 0xFF;
    picture.pixels[i] = gray ? level * 0x010101u
                             : (level << 16 | (255 - level) << 8 | (i >= 300 ? i & 0xFF : 0x40));
  }
  return picture;
}

// The picture as the loader reads it back from a file of that name.
std::vector<std::uint32_t> loadBack(const TempDir& dir, const std::string& name,
                                    const std::vector<std::uint8_t>& bytes, std::int32_t width,
                                    std::int32_t height) {
  const std::string path = (dir.path() / name).string();
  EXPECT_TRUE(PictureWriter::writeFile(path, bytes));
  CImage32FromData image;
  EXPECT_EQ(image.load(path.c_str()), 1);
  EXPECT_EQ(image.getWidth(), width);
  EXPECT_EQ(image.getHeight(), height);
  if (!image.getPixels() || image.getWidth() != width || image.getHeight() != height) return {};
  return std::vector<std::uint32_t>(image.getPixels(),
                                    image.getPixels() + static_cast<std::size_t>(width * height));
}

TEST(PictureWriterReadBack, TgaEveryTypeReadsBackExactly) {
  TempDir dir;
  ReportCapture capture;
  for (const TgaColors colors : {TgaColors::TrueColor, TgaColors::Gray}) {
    for (const TgaEncoding encoding : {TgaEncoding::Raw, TgaEncoding::RunLength}) {
      const Picture picture = awkwardPicture(61, 11, colors == TgaColors::Gray);
      const std::vector<std::uint8_t> bytes = PictureWriter::encodeTga(picture, colors, encoding);
      const int type = bytes.at(2);
      SCOPED_TRACE(type);
      EXPECT_EQ(loadBack(dir, "p.tga", bytes, 61, 11), picture.pixels);
      if (encoding == TgaEncoding::RunLength) {
        // The 200-pixel run costs two repeat packets: far less than the raw form.
        EXPECT_LT(bytes.size(), PictureWriter::encodeTga(picture, colors, TgaEncoding::Raw).size());
      }
    }
  }
  EXPECT_TRUE(capture.reports().empty());
}

TEST(PictureWriterReadBack, RunLengthPacketsAreAtMost128Pixels) {
  Picture flat(300, 1);
  const std::vector<std::uint8_t> bytes =
      PictureWriter::encodeTga(flat, TgaColors::TrueColor, TgaEncoding::RunLength);
  // Header, then 128 + 128 + 44 pixels of black: three repeat packets of one triplet.
  const std::vector<std::uint8_t> packets(bytes.begin() + 18, bytes.end());
  EXPECT_EQ(packets, (std::vector<std::uint8_t>{0xFF, 0, 0, 0, 0xFF, 0, 0, 0, 0xAB, 0, 0, 0}));
}

TEST(PictureWriterReadBack, BmpRowsPaddedForEveryWidth) {
  TempDir dir;
  for (const std::int32_t width : {2, 4, 3, 5}) {
    SCOPED_TRACE(width);
    ReportCapture capture;
    const Picture picture = awkwardPicture(width, 7, false);
    const std::vector<std::uint8_t> bytes = PictureWriter::encodeBmp(picture);
    EXPECT_EQ(loadBack(dir, "p.BMP", bytes, width, 7), picture.pixels);
    // The loader warns about odd widths and nothing else.
    EXPECT_EQ(capture.texts(), width % 2 == 1 ? std::vector<std::string>{"width uneven"}
                                              : std::vector<std::string>{});
  }
}

}  // namespace
