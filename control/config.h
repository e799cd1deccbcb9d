#pragma once
// Limits of the controllers.

#include <cstdint>

namespace control_config {

// The fractal sum keeps its octave weights in a fixed array; a 2^-H falloff makes octaves past a
// few dozen invisible in a float sum, and the bound keeps bad input from asking for millions.
inline constexpr int32_t kMaxOctaves = 32;
static_assert(kMaxOctaves >= 8 && kMaxOctaves <= 64);

// A recording keeps one float per step: 2^22 samples (16 MB) are over 11 hours at the default
// 10 ms step, and the bound keeps a broken span from asking for gigabytes.
inline constexpr int64_t kMaxRecordingSample = int64_t{1} << 22;
static_assert(kMaxRecordingSample >= 1000 && kMaxRecordingSample <= (int64_t{1} << 24));

}  // namespace control_config
