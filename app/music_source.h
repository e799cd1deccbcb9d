#pragma once
// Decoded music: a tracker module (libopenmpt) or a sampled stream (libsndfile), read as
// interleaved stereo float frames from a position that can be moved.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

class MusicSource {
 public:
  static constexpr int kChannels = 2;

  virtual ~MusicSource() = default;

  // True for a tracker module, false for a sampled stream.
  virtual bool isModule() const = 0;
  // Frames per second of what read() gives.
  virtual int sampleRate() const = 0;
  // Decodes up to `frames` frames (2 floats each, -1..1) from the current position into pOut;
  // returns the frames written, fewer than asked only at the end of the music.
  virtual std::size_t read(float* pOut, std::size_t frames) = 0;
  // Moves to `ms` from the start of the music (clamped to 0..length).
  virtual void seek(std::int64_t ms) = 0;
  // Length of the music in ms; -1 when the format does not tell.
  virtual std::int64_t lengthMs() const = 0;
};

// Opens `path` as a module first, then as a stream; null when it is neither (or unreadable).
// The path is used as given: callers resolve it first.
std::unique_ptr<MusicSource> openMusicSource(const std::string& path);
