#pragma once
// Encodes frames of 32-bit images, and optionally a stereo sound track, into a video file with
// the FFmpeg libraries: H.264 where the container takes it and an encoder exists, else MPEG-4
// part 2 (or the container's own default); AAC sound. Every FFmpeg object lives and dies here.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "image/cimage32.h"

// What the video holds.
struct VideoFormat {
  // The file name whose extension chooses the container (.mp4, .mkv, .mov, .avi ...): the final
  // name when the file is written under a temporary one.
  std::string containerOf;
  int width = 0;   // even
  int height = 0;  // even
  int fps = 25;
  // Frames per second of the interleaved stereo float sound given to addAudio; unset: no sound
  // track.
  std::optional<int> audioRate;
};

class VideoEncoder {
 public:
  VideoEncoder();
  // An encoder destroyed before finish() leaves an incomplete file: the caller removes it.
  ~VideoEncoder();
  VideoEncoder(const VideoEncoder&) = delete;
  VideoEncoder& operator=(const VideoEncoder&) = delete;

  // Every operation returns nothing on success, else the reason it failed; after a failure the
  // encoder accepts nothing more.

  // Creates `path` and sets up the streams.
  std::optional<std::string> open(const std::string& path, const VideoFormat& format);
  // Appends one frame; the image must have the size given to open. Its pixels are converted to
  // the encoder's format in one pass, straight from the image.
  std::optional<std::string> addFrame(const CImage32& image);
  // Appends `nbFrame` stereo frames (2 floats each, -1..1) to the sound track.
  std::optional<std::string> addAudio(const float* pSamples, std::size_t nbFrame);
  // Flushes the encoders and completes the file.
  std::optional<std::string> finish();

  // Name of the video encoder in use ("libx264", "mpeg4" ...); empty before open.
  std::string videoCodecName() const;
  bool hasAudio() const;
  std::int64_t frameCount() const;

 private:
  struct Streams;
  std::unique_ptr<Streams> m_pStreams;
  bool m_failed = false;
};
