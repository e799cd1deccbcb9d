// TGA reader: 24-bit true-colour (types 2 and 10) and 8-bit colour-mapped (types 1 and 9)
// pictures, raw or run-length encoded.
//
// The origin is always taken as bottom-left: the first decoded row becomes the last image row.
// An 8-bit picture always carries 256 palette entries of blue, green, red right after the
// identifier, whatever the colour map length says.

#include <array>

#include "image/cimage32.h"
#include "image/image_file_p.h"

namespace {

enum TgaType : uint8_t {
  kColorMapped = 1,
  kTrueColor = 2,
  kColorMappedRunLength = 9,
  kTrueColorRunLength = 10,
};

constexpr size_t kPaletteSize = 256;
// Descriptor bit 5: rows stored top first. Not followed (see above), only reported.
constexpr uint8_t kTopOriginBit = 0x20;
// A run-length packet header h >= 128 repeats one value h - 127 times; h < 128 is followed by
// h + 1 raw values.
constexpr uint8_t kRepeatPacketBit = 0x80;

// Writes decoded pixels in file order into an image upside down: decoded row 0 is image row
// height - 1.
class FlippedRowWriter {
 public:
  FlippedRowWriter(uint32_t* pPixels, int32_t width, int32_t height)
      : m_width(static_cast<size_t>(width)),
        m_nbLeft(static_cast<size_t>(width) * static_cast<size_t>(height)),
        m_pRow(pPixels + static_cast<size_t>(height - 1) * m_width) {}

  bool done() const { return m_nbLeft == 0; }
  void put(uint32_t pixel) {
    m_pRow[m_x] = pixel;
    --m_nbLeft;
    if (++m_x == m_width && m_nbLeft != 0) {
      m_x = 0;
      m_pRow -= m_width;
    }
  }

 private:
  size_t m_width;
  size_t m_nbLeft;
  uint32_t* m_pRow;
  size_t m_x = 0;
};

}  // namespace

int CImage32FromData::loadTga(std::span<const uint8_t> file) {
  image_file::ByteReader reader(file);
  const std::optional<uint8_t> idLength = reader.u8();
  reader.u8();  // colour map type
  const std::optional<uint8_t> type = reader.u8();
  reader.u16le();  // colour map first index
  const std::optional<uint16_t> mapLength = reader.u16le();
  reader.u8();     // colour map entry size
  reader.u16le();  // x origin
  reader.u16le();  // y origin
  const std::optional<uint16_t> width = reader.u16le();
  const std::optional<uint16_t> height = reader.u16le();
  const std::optional<uint8_t> depth = reader.u8();
  const std::optional<uint8_t> descriptor = reader.u8();
  if (!descriptor) {
    warnFile(": too short for a TGA header");
    return 0;
  }

  // A depth or type that cannot be read is the "mode not supported" error alone: the error ends
  // the program, and a warning before it would be a second message box for the same fault.
  if (*depth != 8 && *depth != 24) {
    errorFile(": mode not supported");
    return 0;
  }
  const bool indexed = *depth == 8;
  const bool runLength = *type == kColorMappedRunLength || *type == kTrueColorRunLength;
  const bool supported = indexed ? (*type == kColorMapped || *type == kColorMappedRunLength)
                                 : (*type == kTrueColor || *type == kTrueColorRunLength);
  if (!supported) {
    // Includes the mismatched pairs (types 1 and 9 with 24-bit pixels, 2 and 10 with 8-bit
    // indices): there are no pixels to decode, so the image is left empty.
    errorFile(": mode not supported");
    return 0;
  }
  if (*descriptor & kTopOriginBit)
    warnFile(": TGA rows stored top first, the picture is loaded upside down");

  // Palette entries missing from a short file stay black.
  std::array<uint32_t, kPaletteSize> palette{};
  reader.skip(*idLength);
  if (indexed) {
    for (uint32_t& entry : palette) {
      const std::optional<uint32_t> color = reader.bgr();
      if (!color) break;
      entry = *color;
    }
  } else {
    reader.skip(static_cast<size_t>(*mapLength) * 3);
  }

  if (!allocatePicture(*width, *height)) return 0;

  auto readValue = [&]() -> std::optional<uint32_t> {
    if (!indexed) return reader.bgr();
    const std::optional<uint8_t> index = reader.u8();
    if (!index) return std::nullopt;
    return palette[*index];
  };

  // Every pass produces at least one pixel or meets the end of the file, so this ends.
  FlippedRowWriter writer(m_pPixels, *width, *height);
  while (!writer.done()) {
    if (!runLength) {
      const std::optional<uint32_t> value = readValue();
      if (!value) break;
      writer.put(*value);
      continue;
    }
    const std::optional<uint8_t> packet = reader.u8();
    if (!packet) break;
    if (*packet & kRepeatPacketBit) {
      const std::optional<uint32_t> value = readValue();
      if (!value) break;
      for (int n = *packet - 127; n > 0 && !writer.done(); --n)
        writer.put(*value);
    } else {
      for (int n = *packet + 1; n > 0 && !writer.done(); --n) {
        const std::optional<uint32_t> value = readValue();
        if (!value) break;
        writer.put(*value);
      }
    }
  }
  if (!writer.done()) warnFile(": truncated, missing pixels left black");
  return 1;
}
