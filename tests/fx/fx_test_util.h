#pragma once
// Helpers shared by the effect tests: images from bytes, seeded random pictures and the plain
// box-blur reference (a direct window sum, no running sums).

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

// A window average as the blur defines it: sum >> log2(size) for a power of two, else
// (sum * multiplier) >> shift; multiplier and shift are given by the caller, worked out by hand.
struct Divider {
  int32_t size;
  int32_t shift;
  uint32_t multiplier;  // 0: power of two
};

// Output x averages the inputs x - size/2 + 1 .. x + size/2 of `line`, black outside; combined
// with the input byte by draw 0 (v), 1 (min(p + v, 255)) or 2 (max(p - v, 0)).
inline std::vector<uint32_t> referenceBlurLine(const std::vector<uint32_t>& line, Divider d,
                                               int draw) {
  const auto n = static_cast<int32_t>(line.size());
  const int32_t h = d.size / 2;
  std::vector<uint32_t> out(line.size());
  for (int32_t x = 0; x < n; ++x) {
    uint32_t pixel = 0;
    for (int i = 0; i < 4; ++i) {
      uint32_t sum = 0;
      for (int32_t k = x - h + 1; k <= x + h; ++k)
        if (k >= 0 && k < n) sum += byteOf(line[static_cast<size_t>(k)], i);
      const uint32_t avg = d.multiplier == 0
                               ? sum >> d.shift
                               : static_cast<uint32_t>((uint64_t{sum} * d.multiplier) >> d.shift);
      const uint32_t v = std::min(avg, 255u);
      const uint32_t p = byteOf(line[static_cast<size_t>(x)], i);
      const uint32_t c = draw == 0 ? v : draw == 1 ? std::min(p + v, 255u) : p - std::min(p, v);
      pixel |= c << (8 * i);
    }
    out[static_cast<size_t>(x)] = pixel;
  }
  return out;
}

}  // namespace fx_test
