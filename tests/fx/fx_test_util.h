#pragma once
// Helpers shared by the effect tests: images from bytes and seeded random pictures.

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "image/cimage32.h"
#include "tests/image/image_test_util.h"

namespace fx_test {

using ::pixelsOf;
constexpr uint32_t gray(uint32_t v) {
  return all(v);
}
constexpr uint32_t byteOf(uint32_t pixel, int i) {
  return (pixel >> (8 * i)) & 0xFFu;
}

inline void setPixels(CImage32& image, const std::vector<uint32_t>& pixels) {
  std::copy(pixels.begin(), pixels.end(), image.getPixels());
}

// Random bytes with the edge values 0, 255 and 0x80 mixed in.
inline std::vector<uint32_t> randomPixels(size_t count, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<uint32_t> pixels(count);
  for (uint32_t& p : pixels) {
    p = 0;
    for (int i = 0; i < 4; ++i) {
      const uint32_t pick = rng() % 8;
      const uint32_t b = pick == 0 ? 0u : pick == 1 ? 255u : pick == 2 ? 0x80u : rng() % 256;
      p |= b << (8 * i);
    }
  }
  return pixels;
}

}  // namespace fx_test
