#pragma once
// The fixed display of the player: the show draws into a band of the display memory.

#include <cstdint>

namespace app_config {

// The display the player opens: 512 x 384 pixels of 32 bits, rows 512 words apart.
inline constexpr std::int32_t kDisplayWidth = 512;
inline constexpr std::int32_t kDisplayHeight = 384;
// The show's frame is 512 x 256; the last screen layer of a script must have that size.
inline constexpr std::int32_t kScreenHeight = 256;
// The frame starts 64 rows down, so 64 rows stay black above it and 64 below.
inline constexpr std::int32_t kScreenTopRow = 64;
static_assert(kScreenTopRow >= 0 && kScreenTopRow + kScreenHeight <= kDisplayHeight);

}  // namespace app_config
