#pragma once
// Test-only writers of the picture files a show loads: 24-bit BMP (54-byte header, bottom-up,
// rows padded to 4 bytes) and 24-bit TGA, raw (type 2) or run-length encoded (type 10), with the
// bottom-left origin. A picture is given as a function of (x, y) -> 0xRRGGBB, row 0 on top.

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/byte_writer.h"

namespace picture_files {

using byte_writer::putLe16;
using byte_writer::putLe32;

using PixelFunction = std::function<std::uint32_t(int x, int y)>;

// Blue, green, red.
inline void putBgr(std::vector<std::uint8_t>& bytes, std::uint32_t rgb) {
  bytes.push_back(static_cast<std::uint8_t>(rgb & 0xFFu));
  bytes.push_back(static_cast<std::uint8_t>((rgb >> 8) & 0xFFu));
  bytes.push_back(static_cast<std::uint8_t>((rgb >> 16) & 0xFFu));
}

inline std::vector<std::uint8_t> bmpBytes(int width, int height, const PixelFunction& pixel) {
  const std::uint32_t rowSize = static_cast<std::uint32_t>(width) * 3u + (width & 3u);
  const std::uint32_t dataSize = rowSize * static_cast<std::uint32_t>(height);
  std::vector<std::uint8_t> bytes;
  bytes.push_back('B');
  bytes.push_back('M');
  putLe32(bytes, 54u + dataSize);  // file size
  putLe32(bytes, 0);               // reserved
  putLe32(bytes, 54);              // pixel data offset
  putLe32(bytes, 40);              // information header size
  putLe32(bytes, static_cast<std::uint32_t>(width));
  putLe32(bytes, static_cast<std::uint32_t>(height));
  putLe16(bytes, 1);   // planes
  putLe16(bytes, 24);  // bits per pixel
  putLe32(bytes, 0);   // no compression
  putLe32(bytes, dataSize);
  putLe32(bytes, 2835);  // 72 dpi
  putLe32(bytes, 2835);
  putLe32(bytes, 0);  // colours used
  putLe32(bytes, 0);  // important colours
  for (int y = height - 1; y >= 0; --y) {
    for (int x = 0; x < width; ++x)
      putBgr(bytes, pixel(x, y));
    for (int i = 0; i < (width & 3); ++i)
      bytes.push_back(0);
  }
  return bytes;
}

// Type 2 (raw) or 10 (run-length encoded), 24 bits per pixel, no identifier, no colour map.
inline std::vector<std::uint8_t> tgaBytes(int width, int height, const PixelFunction& pixel,
                                          bool runLength) {
  std::vector<std::uint8_t> bytes;
  bytes.push_back(0);                   // identifier length
  bytes.push_back(0);                   // colour map type
  bytes.push_back(runLength ? 10 : 2);  // image type
  putLe16(bytes, 0);                    // colour map first index
  putLe16(bytes, 0);                    // colour map length
  bytes.push_back(0);                   // colour map entry size
  putLe16(bytes, 0);                    // x origin
  putLe16(bytes, 0);                    // y origin
  putLe16(bytes, static_cast<std::uint32_t>(width));
  putLe16(bytes, static_cast<std::uint32_t>(height));
  bytes.push_back(24);  // pixel depth
  bytes.push_back(0);   // descriptor: bottom-left origin
  // Bottom row first.
  std::vector<std::uint32_t> pixels;
  for (int y = height - 1; y >= 0; --y) {
    for (int x = 0; x < width; ++x)
      pixels.push_back(pixel(x, y));
  }
  if (!runLength) {
    for (std::uint32_t rgb : pixels)
      putBgr(bytes, rgb);
    return bytes;
  }
  // Packets of at most 128 pixels: runs of two or more equal pixels as one repeated triplet,
  // everything else as raw triplets.
  std::size_t i = 0;
  while (i < pixels.size()) {
    std::size_t run = 1;
    while (i + run < pixels.size() && run < 128 && pixels[i + run] == pixels[i])
      ++run;
    if (run >= 2) {
      bytes.push_back(static_cast<std::uint8_t>(127 + run));
      putBgr(bytes, pixels[i]);
      i += run;
      continue;
    }
    std::size_t raw = 1;
    while (i + raw < pixels.size() && raw < 128 &&
           !(i + raw + 1 < pixels.size() && pixels[i + raw + 1] == pixels[i + raw]))
      ++raw;
    bytes.push_back(static_cast<std::uint8_t>(raw - 1));
    for (std::size_t k = 0; k < raw; ++k)
      putBgr(bytes, pixels[i + k]);
    i += raw;
  }
  return bytes;
}

inline bool writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream stream(path, std::ios::binary);
  stream.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  return stream.good();
}

}  // namespace picture_files
