#pragma once
// Vertex channels: one float per vertex, read or computed, found by name. Besides the built-in
// ones ("lightning", "softSelection", "opacityMap") a mesh defines channels of its own (generated
// from a kind and its values), lighting channels (the light of their own list of lights) and
// operations that compute a channel from two others each frame.

#include <cstdint>
#include <span>

#include "raster/raster_material.h"
#include "s3d/s3d_math.h"

// Operation codes of channel operation records: out = f(input1, input2) per vertex.
enum class S3DChannelOperationCode : int32_t {
  kCopy = 0,      // input1
  kAdd = 1,       // input1 + input2
  kSubtract = 2,  // input1 - input2
  kMultiply = 3,  // input1 · input2
  kMinimum = 4,   // min(input1, input2)
  kMaximum = 5,   // max(input1, input2)
  kOneMinus = 6,  // 1 - input1
};

// Kinds of generated channels: constant (values[0]), or a linear gradient along the object-space
// axis values[0] (0 x, 1 y, 2 z) from values[1] at the bounding box's low side to values[2] at
// its high side.
enum class S3DGeneratedChannelKind : int32_t { kConstant = 0, kGradient = 1 };

// out[i] = the operation on a[i] and b[i]; an unknown code copies a. b may be empty for the
// operations of one input.
void applyChannelOperation(int32_t code, std::span<const float> a, std::span<const float> b,
                           std::span<float> out);

// The values of a generated channel for `vertices` in the box boxMin .. boxMax.
void generateChannel(int32_t kind, std::span<const float> parameters,
                     std::span<const Vec3> vertices, Vec3 boxMin, Vec3 boxMax,
                     std::span<float> out);

// The opacity a texel gives: (red + green + blue) / 765 (· 0.0013071896), from the texel at
// (u · width, (1 - v) · height), converted to integers and masked to the texture's size.
float texelOpacity(const RasterTexture& texture, float u, float v);
