#pragma once
// The demo's video: a two-second loop of moving colour bands (a plasma), made from code and
// encoded through FFmpeg, for a video texture of a 3D scene. 128 x 128 (a power of two, as map
// layers want), 30 frames a second, 60 frames; frame 60 would be frame 0 again.

#include <cstdint>
#include <optional>
#include <string>

namespace DemoVideo {

inline constexpr int kSide = 128;
inline constexpr int kFps = 30;
inline constexpr int kNbFrame = 60;

// Pixel (x, y) of frame `frame` as 0x00RRGGBB.
std::uint32_t pixel(int frame, int x, int y);

// Encodes the frames into `path` (the extension picks the container, .avi for the demo).
// Nothing on success, else the reason.
std::optional<std::string> write(const std::string& path);

}  // namespace DemoVideo
