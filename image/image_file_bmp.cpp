// BMP reader: uncompressed 24-bit pictures, bottom-up.
//
// Only the width and height of the information header are used, each reduced to its low 16 bits;
// the pixels are taken to start right after the 40-byte information header (file offset 54) and
// to be blue, green, red triplets, each row padded to a multiple of 4 bytes. Unusual headers are
// read the same way, with a warning so an author knows why such a picture looks wrong.

#include <string>

#include "image/cimage32.h"
#include "image/image_file_p.h"

namespace {
constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr size_t kPixelDataOffset = kFileHeaderSize + kInfoHeaderSize;
constexpr uint16_t kBitsPerPixel = 24;
}  // namespace

int CImage32FromData::loadBmp(std::span<const uint8_t> file) {
  image_file::ByteReader reader(file);
  reader.seek(kFileHeaderSize);
  const std::optional<uint32_t> infoSize = reader.u32le();
  const std::optional<uint32_t> fileWidth = reader.u32le();
  const std::optional<uint32_t> fileHeight = reader.u32le();
  reader.u16le();  // planes
  const std::optional<uint16_t> bitsPerPixel = reader.u16le();
  const std::optional<uint32_t> compression = reader.u32le();
  if (!compression || !reader.seek(kPixelDataOffset)) {
    warnFile(": too short for a BMP header");
    return 0;
  }

  if (*infoSize != kInfoHeaderSize)
    warnFile(": BMP information header of " + std::to_string(*infoSize) +
             " bytes, not 40; pixels read from offset 54 anyway");
  if (*bitsPerPixel != kBitsPerPixel)
    warnFile(": BMP of " + std::to_string(*bitsPerPixel) + " bits per pixel read as 24-bit");
  if (*compression != 0)
    warnFile(": compressed BMP (method " + std::to_string(*compression) + ") read as uncompressed");

  const int32_t width = static_cast<int32_t>(*fileWidth & 0xFFFFu);
  const int32_t height = static_cast<int32_t>(*fileHeight & 0xFFFFu);
  if (!allocatePicture(width, height)) return 0;
  if (width & 1) warning("width uneven");

  // 3 * width bytes of pixels plus (width AND 3) bytes make a multiple of 4. The first file row
  // is the bottom image row.
  const size_t padding = static_cast<size_t>(width & 3);
  bool missingPixels = false;
  for (int32_t row = 0; row < height && !missingPixels; ++row) {
    uint32_t* pRow = m_pPixels + static_cast<size_t>(height - 1 - row) * static_cast<size_t>(width);
    for (int32_t x = 0; x < width; ++x) {
      const std::optional<uint32_t> pixel = reader.bgr();
      if (!pixel) {
        missingPixels = true;
        break;
      }
      pRow[x] = *pixel;
    }
    // The last row's padding may be missing without losing a pixel.
    reader.skip(padding);
  }
  if (missingPixels) warnFile(": truncated, missing pixels left black");
  return 1;
}
