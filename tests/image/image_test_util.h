#pragma once
// Helpers shared by the image tests.

#include <cstdint>
#include <vector>

#include "image/cimage32.h"

// A pixel from its bytes: byte 0 blue, 1 green, 2 red, 3 the fourth channel.
constexpr uint32_t pixelOf(uint32_t blue, uint32_t green, uint32_t red, uint32_t fourth) {
  return blue | (green << 8) | (red << 16) | (fourth << 24);
}

// v in all four bytes.
constexpr uint32_t all(uint32_t v) {
  return v * 0x01010101u;
}

// A buffered image that lets the tests look at its whole block, guard rows included.
class InspectableImage : public CImage32Buffered {
 public:
  using CImage32Buffered::CImage32Buffered;
  const uint32_t* block() const { return m_pBlock; }
  // The two guard rows above the pixels and the two below still hold zeros.
  bool guardRowsClear() const {
    const auto width = static_cast<size_t>(getWidth());
    const size_t below = (static_cast<size_t>(getHeight()) + 2) * width;
    for (size_t i = 0; i < 2 * width; ++i)
      if (m_pBlock[i] != 0 || m_pBlock[below + i] != 0) return false;
    return true;
  }
};

// All pixels of an image, row after row.
inline std::vector<uint32_t> pixelsOf(const CImage32& image) {
  const uint32_t* p = image.getPixels();
  if (!p) return {};
  return std::vector<uint32_t>(
      p, p + static_cast<size_t>(image.getWidth()) * static_cast<size_t>(image.getHeight()));
}

// Fills an image with pixel i = seed + i * 0x01020304, distinct and covering all bytes.
inline void fillDistinct(CImage32& image, uint32_t seed) {
  uint32_t* p = image.getPixels();
  const size_t count =
      static_cast<size_t>(image.getWidth()) * static_cast<size_t>(image.getHeight());
  for (size_t i = 0; i < count; ++i)
    p[i] = seed + static_cast<uint32_t>(i) * 0x01020304u;
}
