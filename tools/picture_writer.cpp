#include "tools/picture_writer.h"

#include <fstream>

namespace PictureWriter {

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kBmpHeadersSize = 14 + 40;
constexpr std::uint8_t kTgaHeaderSize = 18;
// A run-length packet covers at most 128 pixels: its header keeps the count less one in 7 bits.
constexpr std::size_t kMaxPacketLength = 128;
constexpr std::uint8_t kRepeatPacketBit = 0x80;
constexpr std::size_t kGrayPaletteSize = 256;

void putLe16(Bytes& bytes, std::uint32_t value) {
  bytes.push_back(static_cast<std::uint8_t>(value & 0xFFu));
  bytes.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFFu));
}

void putLe32(Bytes& bytes, std::uint32_t value) {
  putLe16(bytes, value & 0xFFFFu);
  putLe16(bytes, value >> 16);
}

// One stored pixel: blue, green, red for true colour, the blue byte alone for grey.
void putValue(Bytes& bytes, std::uint32_t pixel, TgaColors colors) {
  bytes.push_back(static_cast<std::uint8_t>(pixel & 0xFFu));
  if (colors == TgaColors::Gray) return;
  bytes.push_back(static_cast<std::uint8_t>((pixel >> 8) & 0xFFu));
  bytes.push_back(static_cast<std::uint8_t>((pixel >> 16) & 0xFFu));
}

// The values as stored, bottom row first; grey pixels reduced to their index so runs compare
// what is written.
std::vector<std::uint32_t> bottomUpValues(const Picture& picture, TgaColors colors) {
  std::vector<std::uint32_t> values;
  values.reserve(picture.pixels.size());
  for (std::int32_t y = picture.height - 1; y >= 0; --y) {
    for (std::int32_t x = 0; x < picture.width; ++x) {
      const std::uint32_t pixel = picture.at(x, y) & 0xFFFFFFu;
      values.push_back(colors == TgaColors::Gray ? (pixel & 0xFFu) : pixel);
    }
  }
  return values;
}

std::size_t runLengthAt(const std::vector<std::uint32_t>& values, std::size_t start) {
  std::size_t length = 1;
  while (start + length < values.size() && length < kMaxPacketLength &&
         values[start + length] == values[start])
    ++length;
  return length;
}

// Repeat packets for runs of two or more, raw packets for everything between them.
void putRunLength(Bytes& bytes, const std::vector<std::uint32_t>& values, TgaColors colors) {
  std::size_t i = 0;
  while (i < values.size()) {
    const std::size_t run = runLengthAt(values, i);
    if (run >= 2) {
      bytes.push_back(static_cast<std::uint8_t>(kRepeatPacketBit | (run - 1)));
      putValue(bytes, values[i], colors);
      i += run;
      continue;
    }
    std::size_t raw = 1;
    while (i + raw < values.size() && raw < kMaxPacketLength && runLengthAt(values, i + raw) < 2)
      ++raw;
    bytes.push_back(static_cast<std::uint8_t>(raw - 1));
    for (std::size_t k = 0; k < raw; ++k)
      putValue(bytes, values[i + k], colors);
    i += raw;
  }
}

}  // namespace

Picture::Picture(std::int32_t pictureWidth, std::int32_t pictureHeight)
    : width(pictureWidth),
      height(pictureHeight),
      pixels(static_cast<std::size_t>(pictureWidth) * static_cast<std::size_t>(pictureHeight)) {}

std::vector<std::uint8_t> encodeBmp(const Picture& picture) {
  const std::uint32_t width = static_cast<std::uint32_t>(picture.width);
  const std::uint32_t height = static_cast<std::uint32_t>(picture.height);
  // 3 * width bytes padded to a multiple of 4: (width AND 3) more bytes.
  const std::uint32_t rowSize = width * 3u + (width & 3u);
  const std::uint32_t dataSize = rowSize * height;
  Bytes bytes{'B', 'M'};
  putLe32(bytes, kBmpHeadersSize + dataSize);
  putLe32(bytes, 0);  // reserved
  putLe32(bytes, kBmpHeadersSize);
  putLe32(bytes, 40);  // information header size
  putLe32(bytes, width);
  putLe32(bytes, height);
  putLe16(bytes, 1);   // planes
  putLe16(bytes, 24);  // bits per pixel
  putLe32(bytes, 0);   // no compression
  putLe32(bytes, dataSize);
  putLe32(bytes, 2835);  // 72 dots per inch, both ways
  putLe32(bytes, 2835);
  putLe32(bytes, 0);  // colours used
  putLe32(bytes, 0);  // important colours
  for (std::int32_t y = picture.height - 1; y >= 0; --y) {
    for (std::int32_t x = 0; x < picture.width; ++x)
      putValue(bytes, picture.at(x, y), TgaColors::TrueColor);
    bytes.insert(bytes.end(), width & 3u, 0);
  }
  return bytes;
}

std::vector<std::uint8_t> encodeTga(const Picture& picture, TgaColors colors,
                                    TgaEncoding encoding) {
  const bool gray = colors == TgaColors::Gray;
  const bool runLength = encoding == TgaEncoding::RunLength;
  Bytes bytes;
  bytes.reserve(kTgaHeaderSize + picture.pixels.size() * 3);
  bytes.push_back(0);             // identifier length
  bytes.push_back(gray ? 1 : 0);  // colour map type
  bytes.push_back(gray ? (runLength ? 9 : 1) : (runLength ? 10 : 2));
  putLe16(bytes, 0);  // colour map first index
  putLe16(bytes, gray ? kGrayPaletteSize : 0);
  bytes.push_back(gray ? 24 : 0);  // colour map entry size
  putLe16(bytes, 0);               // x origin
  putLe16(bytes, 0);               // y origin
  putLe16(bytes, static_cast<std::uint32_t>(picture.width));
  putLe16(bytes, static_cast<std::uint32_t>(picture.height));
  bytes.push_back(gray ? 8 : 24);  // pixel depth
  bytes.push_back(0);              // descriptor: bottom-left origin, no alpha bits
  if (gray) {
    for (std::uint32_t level = 0; level < kGrayPaletteSize; ++level)
      putValue(bytes, level * 0x010101u, TgaColors::TrueColor);
  }
  const std::vector<std::uint32_t> values = bottomUpValues(picture, colors);
  if (runLength) {
    putRunLength(bytes, values, colors);
  } else {
    for (const std::uint32_t value : values)
      putValue(bytes, value, colors);
  }
  return bytes;
}

bool writeFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
  std::ofstream stream(path, std::ios::binary | std::ios::trunc);
  stream.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(stream);
}

}  // namespace PictureWriter
