#pragma once
// Tunables of the software rasterizer.

#include <cstdint>

namespace raster_config {

// The perspective fillers divide once per segment of this many pixels and step u, v and depth
// linearly inside it: 16 keeps the affine error under a texel on screen-sized polygons for one
// division per 16 pixels. A power of two so the segment count is a shift.
inline constexpr std::int32_t kPerspectiveSegmentShift = 4;
inline constexpr std::int32_t kPerspectiveSegment = 1 << kPerspectiveSegmentShift;
static_assert(kPerspectiveSegmentShift >= 0 && kPerspectiveSegmentShift <= 8);

// The bilinear fetch keeps 12 fraction bits of u and v (u >> 4): the weight products
// (4096 - f) * (4096 - g) then fit 32 bits and >> 16 gives weights 0..256.
inline constexpr std::int32_t kBilinearFractionBits = 12;
static_assert(2 * kBilinearFractionBits - 16 == 8, "bilinear weights must be 0..256");

// Rows a texture keeps readable after its last one for the bilinear fetch, whose right and
// lower neighbours are not wrapped: it reads up to width + 1 texels past the last texel.
inline constexpr std::int32_t kBilinearGuardRows = 2;
static_assert(kBilinearGuardRows * 1 >= 1 + 1, "width + 1 texels need two rows at width 1");

// The tiled texture copy: 256 x 256 texels cut into vertical strips of 8 columns.
inline constexpr std::int32_t kTiledSide = 256;
inline constexpr std::int32_t kTiledStripShift = 3;
static_assert(kTiledSide == 256 && kTiledStripShift == 3, "the tiled address packs 8-bit u, v");

// The packed and wide span fillers draw spans shorter than this one pixel at a time: for a few
// pixels the lanes' set-up and the masked stores of the last register cost more than they save.
inline constexpr std::int32_t kShortSpan = 8;

}  // namespace raster_config
