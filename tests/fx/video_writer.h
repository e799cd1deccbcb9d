#pragma once
// Writes small video files with FFmpeg's own encoders, so the video reader's tests make their
// input in the set-up instead of keeping binary files.

#include <cstddef>
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

// --- Frames to encode ---

using Frames = std::vector<std::vector<uint32_t>>;

// Quadrant q of frame i (0 top-left, 1 top-right, 2 bottom-left, 3 bottom-right). Red steps by 16
// a frame, so the 12 frames of a video are told apart far beyond any codec's error; green and
// blue tell the quadrants apart, so a picture upside down or mirrored fails.
uint32_t quadrantColour(int32_t i, int32_t q);
int32_t quadrantOf(int32_t x, int32_t y, int32_t width, int32_t height);
// Flat quadrants, for the lossy codecs.
Frames quadrantFrames(int32_t width, int32_t height, int32_t nbFrame);
// For the exact codec: every channel moves with x, y and the frame, so a swapped channel, a row
// read with the wrong stride or a frame out of order changes the words.
Frames rampFrames(int32_t width, int32_t height, int32_t nbFrame);

// --- Editing the bytes of a written file ---

using Bytes = std::vector<char>;
Bytes readBytes(const std::string& path);
void writeBytes(const std::string& path, const Bytes& bytes);
// Offset of the data of the first RIFF chunk with this id (its 8-byte head skipped); nullopt
// when the file has none.
std::optional<size_t> riffChunkData(const Bytes& file, const char (&id)[5]);
// Writes a little-endian word; throws std::out_of_range past the end.
void putU32(Bytes& file, size_t offset, uint32_t value);
// A copy of an AVI file whose main and stream headers claim `count` frames.
Bytes claimingFrameCount(Bytes file, uint32_t count);
// A copy of an AVI file whose bitmap header claims frames of width x height pixels.
Bytes claimingFrameSize(Bytes file, uint32_t width, uint32_t height);

}  // namespace fx_test
