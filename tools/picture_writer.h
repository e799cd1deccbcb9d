#pragma once
// Writers of the picture files a show loads: 24-bit BMP, and TGA either 24-bit true colour or
// 8-bit grey through a colour map, each raw or run-length encoded. Rows are written bottom-up,
// the order the loaders expect.

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

namespace PictureWriter {

// Pixels 0x00RRGGBB, row 0 on top, `width` pixels from one row to the next.
struct Picture {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<std::uint32_t> pixels;

  Picture(std::int32_t pictureWidth, std::int32_t pictureHeight);
  std::uint32_t& at(std::int32_t x, std::int32_t y) {
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                  static_cast<std::size_t>(x)];
  }
  std::uint32_t at(std::int32_t x, std::int32_t y) const {
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                  static_cast<std::size_t>(x)];
  }
};

enum class TgaEncoding : std::uint8_t { Raw, RunLength };
enum class TgaColors : std::uint8_t {
  // Image types 2 and 10: blue, green, red triplets.
  TrueColor,
  // Image types 1 and 9: one byte per pixel into a grey ramp of 256 entries; the picture's blue
  // byte is the index, so a grey picture is stored exactly.
  Gray,
};

// Uncompressed 24-bit BMP with a 40-byte information header; rows padded to 4 bytes.
std::vector<std::uint8_t> encodeBmp(const Picture& picture);
std::vector<std::uint8_t> encodeTga(const Picture& picture, TgaColors colors, TgaEncoding encoding);

// False when the file cannot be written completely.
bool writeFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

}  // namespace PictureWriter
