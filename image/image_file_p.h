#pragma once
// Shared by the picture file readers (image_file_bmp.cpp, image_file_tga.cpp, image_file_jpg.cpp):
// a bounded little-endian view over a file held in memory, the size limit and the report texts
// that carry a file name.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace image_file {

// Largest picture a file may hold. A show's pictures and textures are far smaller; a larger size
// comes from a damaged header (a BMP's 16-bit sizes alone allow 65535x65535, 17 GB of pixels).
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
// Fuzz builds: a smaller bound keeps the fuzzer in the parsers instead of zeroing 256 MB blocks.
constexpr int64_t kMaxPixels = int64_t{1024} * 1024;
#else
constexpr int64_t kMaxPixels = int64_t{8192} * 8192;
#endif
static_assert(kMaxPixels > 0 && kMaxPixels * 4 < (int64_t{1} << 40));

// Report texts that carry a file name are kept within this many bytes, terminator included.
constexpr size_t kMessageBufferSize = 256;

// prefix + name + suffix, at most kMessageBufferSize - 1 characters. A name too long for that is
// shortened from its front ("...tail.bmp") so the end of the path and the whole sentence stay.
inline std::string fileMessage(std::string_view prefix, std::string_view name,
                               std::string_view suffix) {
  constexpr size_t kMaxLength = kMessageBufferSize - 1;
  constexpr std::string_view kEllipsis = "...";
  std::string text(prefix);
  const size_t fixedLength = prefix.size() + suffix.size();
  if (fixedLength + name.size() <= kMaxLength) {
    text.append(name);
  } else if (fixedLength + kEllipsis.size() < kMaxLength) {
    const size_t keep = kMaxLength - fixedLength - kEllipsis.size();
    text.append(kEllipsis);
    text.append(name.substr(name.size() - keep));
  }
  text.append(suffix);
  if (text.size() > kMaxLength) text.resize(kMaxLength);
  return text;
}

// "file <name><suffix>", the form of most reader reports.
inline std::string fileMessage(std::string_view name, std::string_view suffix) {
  return fileMessage("file ", name, suffix);
}

// A read-only cursor over bytes. Every read checks that the field fits; a read that does not fit
// consumes what is left, yields nothing and marks the view truncated, so a reader can go on with
// the pixels it has and say afterwards that the file was cut short.
class ByteReader {
 public:
  explicit ByteReader(std::span<const uint8_t> bytes) : m_bytes(bytes) {}

  size_t position() const { return m_position; }
  size_t remaining() const { return m_bytes.size() - m_position; }
  // A read or skip ran past the end.
  bool truncated() const { return m_truncated; }

  std::optional<uint8_t> u8() {
    if (!fits(1)) return std::nullopt;
    return m_bytes[m_position++];
  }
  std::optional<uint16_t> u16le() {
    if (!fits(2)) return std::nullopt;
    const uint16_t value =
        static_cast<uint16_t>(m_bytes[m_position] | m_bytes[m_position + 1] << 8);
    m_position += 2;
    return value;
  }
  std::optional<uint32_t> u32le() {
    if (!fits(4)) return std::nullopt;
    const uint32_t value = static_cast<uint32_t>(m_bytes[m_position]) |
                           static_cast<uint32_t>(m_bytes[m_position + 1]) << 8 |
                           static_cast<uint32_t>(m_bytes[m_position + 2]) << 16 |
                           static_cast<uint32_t>(m_bytes[m_position + 3]) << 24;
    m_position += 4;
    return value;
  }
  // A blue, green, red triplet as the pixel 0x00RRGGBB.
  std::optional<uint32_t> bgr() {
    if (!fits(3)) return std::nullopt;
    const uint32_t value = static_cast<uint32_t>(m_bytes[m_position]) |
                           static_cast<uint32_t>(m_bytes[m_position + 1]) << 8 |
                           static_cast<uint32_t>(m_bytes[m_position + 2]) << 16;
    m_position += 3;
    return value;
  }
  // Moves `count` bytes on; false (at the end, truncated) when fewer are left.
  bool skip(size_t count) {
    if (!fits(count)) return false;
    m_position += count;
    return true;
  }
  // Moves to an absolute offset; false (at the end, truncated) past the end.
  bool seek(size_t offset) {
    if (offset > m_bytes.size()) {
      m_position = m_bytes.size();
      m_truncated = true;
      return false;
    }
    m_position = offset;
    return true;
  }

 private:
  bool fits(size_t count) {
    if (count <= remaining()) return true;
    m_position = m_bytes.size();
    m_truncated = true;
    return false;
  }

  std::span<const uint8_t> m_bytes;
  size_t m_position = 0;
  bool m_truncated = false;
};

}  // namespace image_file
