#pragma once
// Limits of the script reader and builder.

#include <cstdint>

namespace script_config {

// Lines read while searching a start tag or a key before every further line is reported as a
// probable endless search.
inline constexpr int kSearchLinesBeforeWarning = 10000;

// Largest side of a layer, and the pixels all the images a script makes may hold together (1 GiB
// of screen layers, effect buffers and depth buffers). Shows use layers of about 512 x 256.
inline constexpr std::int32_t kMaxLayerSide = 8192;
inline constexpr std::int64_t kMaxLayerPixels = std::int64_t{1} << 28;
static_assert(std::int64_t{kMaxLayerSide} * kMaxLayerSide <= kMaxLayerPixels);

}  // namespace script_config

// What the images a script makes at load (screen layers, fixed-size effects, depth buffers) may
// hold together, so that a mistyped dimension is refused instead of exhausting the machine.
class PixelBudget {
 public:
  // True, and the pixels taken, when width x height is a usable size (each side 1 to
  // kMaxLayerSide) that fits in what is left.
  bool take(std::int32_t width, std::int32_t height) {
    if (width <= 0 || height <= 0 || width > script_config::kMaxLayerSide ||
        height > script_config::kMaxLayerSide || std::int64_t{width} * height > m_left)
      return false;
    m_left -= std::int64_t{width} * height;
    return true;
  }

 private:
  std::int64_t m_left = script_config::kMaxLayerPixels;
};
