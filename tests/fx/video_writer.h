#pragma once
// Writes small video files with FFmpeg's own encoders, so the video reader's tests make their
// input in the set-up instead of keeping binary files.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace fx_test {

enum class VideoCodec { Raw, Mjpeg, Mpeg4 };

struct VideoFormat {
  VideoCodec codec = VideoCodec::Raw;
  int32_t width = 0;
  int32_t height = 0;
  // Frames per second, rateNum / rateDen.
  int32_t rateNum = 10;
  int32_t rateDen = 1;
  // FFmpeg's name of the container: "avi", "nut", "matroska".
  std::string container = "avi";
};

// The name of this FFmpeg's encoder for the codec; empty when it has none.
std::string encoderName(VideoCodec codec);

// Encodes the frames (width * height words 0x00RRGGBB each, rows top first) into a new file.
// Raw video is stored as BGR24, so it comes back exactly; MJPEG and MPEG-4 (with B-frames, so
// the decoder reorders) at quantiser 2. Nothing on success, else the reason.
std::optional<std::string> writeVideo(const std::string& path, const VideoFormat& format,
                                      const std::vector<std::vector<uint32_t>>& frames);

}  // namespace fx_test
