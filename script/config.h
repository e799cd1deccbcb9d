#pragma once
// Limits of the script reader and builder.

#include <cstdint>

namespace script_config {

// Lines read while searching a start tag or a key before every further line is reported as a
// probable endless search.
inline constexpr int kSearchLinesBeforeWarning = 10000;

// Largest side of a screen layer, and the pixels all screen layers of a script may hold together
// (1 GiB): a layer is an image in memory, so a mistyped dimension or a script of thousands of
// huge layers is refused instead of exhausting the machine. Shows use layers of about 512 x 256.
inline constexpr std::int32_t kMaxLayerSide = 8192;
inline constexpr std::int64_t kMaxLayerPixels = std::int64_t{1} << 28;
static_assert(std::int64_t{kMaxLayerSide} * kMaxLayerSide <= kMaxLayerPixels);

}  // namespace script_config
