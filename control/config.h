#pragma once
// Limits of the controllers.

#include <cstdint>

namespace control_config {

// The fractal sum keeps its octave weights in a fixed array; a 2^-H falloff makes octaves past a
// few dozen invisible in a float sum, and the bound keeps bad input from asking for millions.
inline constexpr int32_t kMaxOctaves = 32;
static_assert(kMaxOctaves >= 8 && kMaxOctaves <= 64);

}  // namespace control_config
