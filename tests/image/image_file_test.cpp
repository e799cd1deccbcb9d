// CImage32FromData::load: file names and extensions, the BMP, TGA and JPG readers, and the reports
// of files they cannot read. Every file is built here byte by byte (the files the demo's picture
// writer makes, raw and run-length, are read back in picture_writer_test.cpp).

#include "image/cimage32.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

// After <cstddef> and <cstdio>: jpeglib.h uses size_t and FILE without including their headers.
#include <jpeglib.h>

#include "base/report.h"
#include "tests/image/image_test_util.h"
#include "tests/support/temp_dir.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::StartsWith;

namespace {

// Little-endian file bytes.
std::string u8(std::initializer_list<unsigned> values) {
  std::string s;
  for (unsigned v : values)
    s.push_back(static_cast<char>(v & 0xFF));
  return s;
}
std::string u16(unsigned v) {
  return u8({v, v >> 8});
}
std::string u32(uint32_t v) {
  return u8({v, v >> 8, v >> 16, v >> 24});
}
// Pixels 0x00RRGGBB as their blue, green, red triplets.
std::string bgr(std::initializer_list<uint32_t> pixels) {
  std::string s;
  for (uint32_t rgb : pixels)
    s += u8({rgb, rgb >> 8, rgb >> 16});
  return s;
}
std::string fill(size_t count, unsigned v) {
  return std::string(count, static_cast<char>(v));
}

// 14-byte file header and 40-byte information header; the pixels follow at offset 54.
std::string bmpHeader(uint32_t width, uint32_t height, uint32_t infoSize = 40, unsigned bits = 24,
                      uint32_t compression = 0) {
  return "BM" + u32(0) + u32(0) + u32(54) + u32(infoSize) + u32(width) + u32(height) + u16(1) +
         u16(bits) + u32(compression) + fill(20, 0);
}

struct TgaHeader {
  unsigned idLength = 0;
  unsigned type = 2;
  unsigned mapLength = 0;
  unsigned width = 1;
  unsigned height = 1;
  unsigned depth = 24;
  unsigned descriptor = 0;
};

// The 18-byte header followed by idLength identifier bytes (0x49).
std::string tgaHeader(const TgaHeader& h) {
  return u8({h.idLength, h.mapLength ? 1u : 0u, h.type}) + u16(0) + u16(h.mapLength) + u8({24}) +
         u16(0) + u16(0) + u16(h.width) + u16(h.height) + u8({h.depth, h.descriptor}) +
         fill(h.idLength, 0x49);
}

// A 256-entry palette where entry i is 0x00iiii00 + i, distinct from its neighbours.
uint32_t paletteColor(uint32_t i) {
  return i << 16 | (255 - i) << 8 | (i * 7 & 0xFF);
}
std::string withPalette(std::string b, unsigned nbEntry = 256) {
  for (uint32_t i = 0; i < nbEntry; ++i)
    b += bgr({paletteColor(i)});
  return b;
}

// Encodes width x height samples (1 or 3 per pixel, rows top first) with libjpeg, no chroma
// subsampling.
std::string encodeJpeg(int width, int height, int nbComponent, const std::vector<uint8_t>& samples,
                       int quality) {
  jpeg_compress_struct info;
  jpeg_error_mgr errors;
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* pOut = nullptr;
  unsigned long outSize = 0;
  jpeg_mem_dest(&info, &pOut, &outSize);
  info.image_width = static_cast<JDIMENSION>(width);
  info.image_height = static_cast<JDIMENSION>(height);
  info.input_components = nbComponent;
  info.in_color_space = nbComponent == 3 ? JCS_RGB : JCS_GRAYSCALE;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  for (int c = 0; c < info.num_components; ++c)
    info.comp_info[c].h_samp_factor = info.comp_info[c].v_samp_factor = 1;
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    JSAMPROW row =
        const_cast<JSAMPROW>(samples.data()) +
        static_cast<size_t>(info.next_scanline) * static_cast<size_t>(width * nbComponent);
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::string bytes(reinterpret_cast<const char*>(pOut), outSize);
  std::free(pOut);
  return bytes;
}

struct Loaded {
  int result = -1;
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint32_t> pixels;
  std::vector<std::string> texts;
  std::vector<ReportLevel> levels;
};

// Each test runs in a fresh current folder, so report texts carry the short names used here.
class ImageFile : public ::testing::Test {
 protected:
  void SetUp() override { m_dir.enter(); }

  Loaded load(const std::string& name, const std::string& content) {
    m_dir.write(name, content);
    return loadOnly(name);
  }
  Loaded loadOnly(const std::string& name) {
    ReportCapture capture;
    CImage32FromData image;
    Loaded loaded;
    loaded.result = image.load(name.c_str());
    loaded.width = image.getWidth();
    loaded.height = image.getHeight();
    loaded.pixels = pixelsOf(image);
    for (const Report& report : capture.reports()) {
      EXPECT_EQ(report.caption, "CImage32FromData");
      loaded.texts.push_back(report.text);
      loaded.levels.push_back(report.level);
    }
    return loaded;
  }

  TempDir m_dir;
};

constexpr ReportLevel kWarning = ReportLevel::Warning;
constexpr ReportLevel kFatal = ReportLevel::Fatal;
const std::string kTruncated = ": truncated, missing pixels left black";

// --- Names and extensions ---

TEST_F(ImageFile, NamesThatCannotBeLoadedAreReported) {
  struct Case {
    const char* name;
    std::string text;
    ReportLevel level;
  };
  // Other endings are refused before the file is looked for.
  for (const Case& c : {Case{"pic.png", "file pic.png: extension not supported", kFatal},
                        Case{"absent.tga", "cant load file absent.tga", kWarning}}) {
    SCOPED_TRACE(c.text);
    const Loaded loaded = loadOnly(c.name);
    EXPECT_EQ(loaded.result, 0);
    EXPECT_THAT(loaded.texts, ElementsAre(c.text));
    EXPECT_THAT(loaded.levels, ElementsAre(c.level));
    EXPECT_THAT(loaded.pixels, IsEmpty());
  }
  const Loaded loaded = loadOnly(std::string(400, 'd') + "/last.png");
  ASSERT_EQ(loaded.texts.size(), 1u);
  EXPECT_EQ(loaded.texts[0].size(), 255u);
  EXPECT_THAT(loaded.texts[0], StartsWith("file ...ddd"));
  EXPECT_THAT(loaded.texts[0], testing::EndsWith("dd/last.png: extension not supported"));
}

TEST_F(ImageFile, TheConstructorLoadsAndKeepsTheName) {
  m_dir.write("Sub/Pic.Bmp", bmpHeader(1, 1) + bgr({0x010203}) + fill(1, 0));
  ReportCapture capture;
  // A '\' separator and a different case still find the file.
  CImage32FromData image("sub\\pic.bmp");
  EXPECT_STREQ(image.getName(), "sub\\pic.bmp");
  EXPECT_THAT(pixelsOf(image), ElementsAre(0x010203u));
  EXPECT_THAT(capture.lines(), ElementsAre("CImage32FromData|width uneven"));
}

// --- BMP and TGA ---

// A file that loads, with the pixels it gives and the one warning it shows ("" for none).
struct Decoded {
  const char* name;
  std::string bytes;
  std::vector<uint32_t> pixels;
  std::string warning;
  int32_t width = 0;  // checked when not 0
};

TEST_F(ImageFile, FilesDecodeToTheirPixels) {
  const std::string bmp = bmpHeader(2, 1) + bgr({0x123456, 0xABCDEF}) + fill(2, 0);
  const std::vector<Decoded> cases = {
      // The last three characters choose the reader, ignoring case.
      {"dbmp", bmp, {0x123456, 0xABCDEF}, ""},
      // The sizes are the low 16 bits of the header fields.
      {"low.bmp",
       bmpHeader(0xABCD0002u, 0xFFFF0001u) + bgr({0x112233, 0x445566}) + fill(2, 0),
       {0x112233, 0x445566},
       "",
       2},
      // Unusual headers warn and are still read as 24-bit pixels at offset 54.
      {"u.bmp",
       bmpHeader(2, 1, 108) + bgr({7, 8}),
       {7, 8},
       "file u.bmp: BMP information header of 108 bytes, not 40; pixels read from offset 54 "
       "anyway"},
      {"u.bmp",
       bmpHeader(2, 1, 40, 32) + bgr({7, 8}),
       {7, 8},
       "file u.bmp: BMP of 32 bits per pixel read as 24-bit"},
      {"u.bmp",
       bmpHeader(2, 1, 40, 24, 1) + bgr({7, 8}),
       {7, 8},
       "file u.bmp: compressed BMP (method 1) read as uncompressed"},
      // 2x2 cut inside the top row's second pixel: the size stays, missing pixels are black.
      {"cut.bmp",
       bmpHeader(2, 2) + bgr({1, 2}) + fill(2, 0) + bgr({3}) + u8({9}),
       {3, 0, 1, 2},
       "file cut.bmp" + kTruncated},
      // The colour map (2 entries of 0x77) and the identifier are skipped; rows bottom first.
      {"t.tga",
       tgaHeader({.idLength = 3, .type = 2, .mapLength = 2, .width = 2, .height = 3}) +
           fill(6, 0x77) + bgr({0x11, 0x12, 0x2100, 0x2200, 0x310000, 0x320000}),
       {0x310000, 0x320000, 0x2100, 0x2200, 0x11, 0x12},
       ""},
      // Colour-mapped: the map length says 2, yet the 256 entries after the identifier are used.
      {"map.tga",
       withPalette(tgaHeader(
           {.idLength = 5, .type = 1, .mapLength = 2, .width = 3, .height = 1, .depth = 8})) +
           u8({0, 200, 255}),
       {paletteColor(0), paletteColor(200), paletteColor(255)},
       ""},
      {"maprle.tga",
       withPalette(tgaHeader({.type = 9, .width = 3, .height = 1, .depth = 8})) +
           u8({0x81, 200, 0x00, 255}),
       {paletteColor(200), paletteColor(200), paletteColor(255)},
       ""},
      // Run-length: a raw packet of one pixel, then a run of two.
      {"rle.tga",
       tgaHeader({.type = 10, .width = 3}) + u8({0x00}) + bgr({6}) + u8({0x81}) + bgr({7}),
       {6, 7, 7},
       ""},
      {"top.tga",
       tgaHeader({.height = 2, .descriptor = 0x28}) + bgr({1, 2}),
       {2, 1},
       "file top.tga: TGA rows stored top first, the picture is loaded upside down"},
  };
  for (const Decoded& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " " + c.warning);
    const Loaded loaded = load(c.name, c.bytes);
    EXPECT_EQ(loaded.result, 1);
    EXPECT_EQ(loaded.pixels, c.pixels);
    if (c.width) {
      EXPECT_EQ(loaded.width, c.width);
    }
    if (c.warning.empty()) {
      EXPECT_THAT(loaded.texts, IsEmpty());
    } else {
      EXPECT_THAT(loaded.texts, ElementsAre(c.warning));
      EXPECT_THAT(loaded.levels, ElementsAre(kWarning));
    }
  }
}

TEST_F(ImageFile, HeadersThatCannotGiveAPictureAreRefused) {
  const std::string kLarge = " is too large (more than 67108864 pixels)";
  const std::string kMode = "file m.tga: mode not supported";
  struct Case {
    const char* name;
    std::string bytes;
    std::string text;
  };
  // Type and depth must match: 1 and 9 take depth 8, 2 and 10 depth 24.
  const auto mismatch = [](unsigned type, unsigned depth) {
    return withPalette(tgaHeader({.type = type, .depth = depth})) + fill(8, 1);
  };
  // A JPEG whose baseline frame header (FF C0, length (2), precision (1), height (2), width (2))
  // says 9000 x 9000 is refused before decoding.
  std::string bigJpeg = encodeJpeg(8, 8, 1, std::vector<uint8_t>(64, 0), 90);
  bigJpeg.replace(bigJpeg.find("\xFF\xC0") + 5, 4, u8({0x23, 0x28, 0x23, 0x28}));
  const std::vector<Case> cases = {
      {"big.jpg", bigJpeg, "file big.jpg: size 9000x9000" + kLarge},
      {"r.bmp", bmpHeader(4, 4).substr(0, 30), "file r.bmp: too short for a BMP header"},
      {"r.bmp", bmpHeader(0, 4), "file r.bmp: size 0x4 has no pixels"},
      {"r.bmp", bmpHeader(8193, 8192), "file r.bmp: size 8193x8192" + kLarge},
      {"r.tga", tgaHeader({}).substr(0, 17), "file r.tga: too short for a TGA header"},
      {"m.tga", mismatch(1, 24), kMode},
      {"m.tga", mismatch(3, 8), kMode},
      {"m.tga", mismatch(2, 16), kMode},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("case " + std::to_string(&c - cases.data()) + ": " + c.text);
    const Loaded loaded = load(c.name, c.bytes);
    EXPECT_EQ(loaded.result, 0);
    // One report each; "mode not supported" alone is fatal.
    EXPECT_THAT(loaded.texts, ElementsAre(c.text));
    EXPECT_THAT(loaded.levels, ElementsAre(c.text == kMode ? kFatal : kWarning));
    EXPECT_EQ(loaded.width, 0);
    EXPECT_THAT(loaded.pixels, IsEmpty());
  }
}

// --- JPG ---

// A 16x8 picture of two flat 8x8 blocks, one per JPEG block, so the lossy coding has no edge
// inside a block to smear.
std::vector<uint8_t> twoBlockSamples() {
  std::vector<uint8_t> rgb;
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 16; ++x)
      rgb.insert(rgb.end(), {uint8_t(x < 8 ? 200 : 30), uint8_t(x < 8 ? 40 : 160), 90});
  return rgb;
}

// JPEG is lossy: even at quality 100 the colour conversion and quantisation move a channel by a
// few levels, so decoded channels are compared within this tolerance.
constexpr int kJpegTolerance = 4;

void expectNear(uint32_t pixel, int red, int green, int blue) {
  EXPECT_EQ(pixel >> 24, 0u);
  EXPECT_NEAR(static_cast<int>(pixel >> 16 & 0xFF), red, kJpegTolerance);
  EXPECT_NEAR(static_cast<int>(pixel >> 8 & 0xFF), green, kJpegTolerance);
  EXPECT_NEAR(static_cast<int>(pixel & 0xFF), blue, kJpegTolerance);
}

// Colour: two flat blocks, rows top first; grey (rows of 16 * row + 8) gives all three channels.
TEST_F(ImageFile, JpgColourAndGreyDecodeToRgbRowsTopFirst) {
  std::vector<uint8_t> grey;
  for (int y = 0; y < 8; ++y)
    grey.insert(grey.end(), 16, uint8_t(16 * y + 8));
  const Loaded colour = load("c.jpg", encodeJpeg(16, 8, 3, twoBlockSamples(), 100));
  const Loaded gray = load("g.JPG", encodeJpeg(16, 8, 1, grey, 100));
  for (const Loaded* pLoaded : {&colour, &gray}) {
    EXPECT_EQ(pLoaded->result, 1);
    EXPECT_THAT(pLoaded->texts, IsEmpty());
    ASSERT_EQ(pLoaded->width, 16);
    ASSERT_EQ(pLoaded->height, 8);
  }
  for (size_t i = 0; i < 128; ++i) {
    SCOPED_TRACE(i);
    const bool left = i % 16 < 8;
    expectNear(colour.pixels[i], left ? 200 : 30, left ? 40 : 160, 90);
    const int level = 16 * static_cast<int>(i / 16) + 8;
    EXPECT_EQ(gray.pixels[i], (gray.pixels[i] & 0xFF) * 0x010101u);
    expectNear(gray.pixels[i], level, level, level);
  }
}

TEST_F(ImageFile, AJpgThatIsNotJpegDataIsAWarningAndNoPicture) {
  const Loaded loaded = load("bad.jpg", bmpHeader(2, 2));
  EXPECT_EQ(loaded.result, 0);
  ASSERT_EQ(loaded.texts.size(), 1u);
  EXPECT_THAT(loaded.texts[0], StartsWith("file bad.jpg: JPEG data not readable ("));
  EXPECT_THAT(loaded.levels, ElementsAre(kWarning));
  EXPECT_THAT(loaded.pixels, IsEmpty());
}

TEST_F(ImageFile, ATruncatedJpgLoadsWithADamageWarning) {
  const std::string whole = encodeJpeg(16, 8, 3, twoBlockSamples(), 100);
  // Keep the headers, the start-of-scan segment (FF DA, then its length) and 4 bytes of data.
  const size_t sos = whole.find("\xFF\xDA");
  ASSERT_NE(sos, std::string::npos);
  const size_t sosLength =
      static_cast<uint8_t>(whole[sos + 2]) << 8 | static_cast<uint8_t>(whole[sos + 3]);
  const Loaded loaded = load("cut.jpg", whole.substr(0, sos + 2 + sosLength + 4));
  EXPECT_EQ(loaded.result, 1);
  EXPECT_EQ(loaded.width, 16);
  ASSERT_EQ(loaded.texts.size(), 1u);
  EXPECT_THAT(loaded.texts[0], StartsWith("file cut.jpg: damaged JPEG data ("));
  EXPECT_THAT(loaded.levels, ElementsAre(kWarning));
}

}  // namespace
