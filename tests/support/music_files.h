#pragma once
// Test-only writers of music files: a 16-bit PCM WAV holding a sine, and a minimal 4-channel
// ProTracker module ("M.K.") whose duration follows from its layout. Both are written by hand,
// so the tests do not depend on the decoders they exercise to make their input.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

#include "tests/support/byte_writer.h"

namespace test_music {

using byte_writer::putBe16;
using byte_writer::putLe16;
using byte_writer::putLe32;

inline bool writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

// The bytes of a 16-bit PCM WAV of `ms` milliseconds: a sine of `hz` at `amplitude` (0..1) on
// every channel. Frame count = ms * rate / 1000, rounded down.
inline std::vector<std::uint8_t> wavBytes(int ms, int rate = 44100, double hz = 440.0,
                                          double amplitude = 0.5, int channels = 2) {
  const std::uint32_t nbFrame =
      static_cast<std::uint32_t>(static_cast<std::int64_t>(ms) * rate / 1000);
  const std::uint32_t blockAlign = static_cast<std::uint32_t>(channels) * 2u;
  const std::uint32_t dataSize = nbFrame * blockAlign;
  std::vector<std::uint8_t> bytes = {'R', 'I', 'F', 'F'};
  putLe32(bytes, 36u + dataSize);
  for (char c : std::string("WAVEfmt "))
    bytes.push_back(static_cast<std::uint8_t>(c));
  putLe32(bytes, 16);  // format chunk size
  putLe16(bytes, 1);   // PCM
  putLe16(bytes, static_cast<std::uint32_t>(channels));
  putLe32(bytes, static_cast<std::uint32_t>(rate));
  putLe32(bytes, static_cast<std::uint32_t>(rate) * blockAlign);
  putLe16(bytes, blockAlign);
  putLe16(bytes, 16);  // bits per sample
  for (char c : std::string("data"))
    bytes.push_back(static_cast<std::uint8_t>(c));
  putLe32(bytes, dataSize);
  for (std::uint32_t i = 0; i < nbFrame; ++i) {
    const double phase = 2.0 * std::numbers::pi * hz * static_cast<double>(i) / rate;
    const auto sample =
        static_cast<std::int32_t>(std::lround(amplitude * 32767.0 * std::sin(phase)));
    for (int c = 0; c < channels; ++c)
      putLe16(bytes, static_cast<std::uint32_t>(sample) & 0xFFFFu);
  }
  return bytes;
}

inline bool writeWav(const std::string& path, int ms, int rate = 44100, double hz = 440.0,
                     double amplitude = 0.5, int channels = 2) {
  return writeBytes(path, wavBytes(ms, rate, hz, amplitude, channels));
}

// Duration of the module below: 64 rows per position, `speed` ticks per row, a tick lasting
// 2.5 / 125 s = 20 ms at the default tempo of 125 BPM.
inline constexpr int moduleDurationMs(int nbPosition = 1, int speed = 6) {
  return nbPosition * 64 * speed * 20;
}

// The bytes of a 4-channel ProTracker module: one pattern played `nbPosition` times (1..128),
// speed `speed` (1..31) set on its first row, one note of a looping 32-byte triangle sample on
// channel 1. With the defaults it lasts 64 rows * 6 ticks * 20 ms = 7.68 s.
inline std::vector<std::uint8_t> moduleBytes(int nbPosition = 1, int speed = 6) {
  std::vector<std::uint8_t> bytes;
  const std::string title = "test module";
  for (std::size_t i = 0; i < 20; ++i)
    bytes.push_back(i < title.size() ? static_cast<std::uint8_t>(title[i]) : 0);
  constexpr std::uint32_t kSampleWords = 16;
  for (int sample = 0; sample < 31; ++sample) {
    for (int i = 0; i < 22; ++i)
      bytes.push_back(0);  // name
    const bool used = sample == 0;
    putBe16(bytes, used ? kSampleWords : 0);  // length in words
    bytes.push_back(0);                       // finetune
    bytes.push_back(used ? 64 : 0);           // volume
    putBe16(bytes, 0);                        // loop start in words
    putBe16(bytes, used ? kSampleWords : 1);  // loop length in words (1: no loop)
  }
  bytes.push_back(static_cast<std::uint8_t>(nbPosition));  // song length
  bytes.push_back(127);                                    // restart position (unused)
  for (int i = 0; i < 128; ++i)
    bytes.push_back(0);  // every position plays pattern 0
  for (char c : std::string("M.K."))
    bytes.push_back(static_cast<std::uint8_t>(c));
  // Pattern 0: 64 rows x 4 channels x 4 bytes. Row 0, channel 1: sample 1 at period 428 (C-2)
  // with effect F (set speed); the rest is empty.
  const std::size_t patternStart = bytes.size();
  bytes.resize(patternStart + 64 * 4 * 4, 0);
  constexpr std::uint32_t kPeriod = 428;
  bytes[patternStart + 0] = static_cast<std::uint8_t>((kPeriod >> 8) & 0x0Fu);
  bytes[patternStart + 1] = static_cast<std::uint8_t>(kPeriod & 0xFFu);
  bytes[patternStart + 2] = 0x1F;  // sample 1 (low nibble in the high half), effect F
  bytes[patternStart + 3] = static_cast<std::uint8_t>(speed);
  // Sample data: signed 8-bit triangle.
  for (std::uint32_t i = 0; i < kSampleWords * 2; ++i) {
    const int value =
        i < 16 ? -120 + static_cast<int>(i) * 15 : 120 - static_cast<int>(i - 16) * 15;
    bytes.push_back(static_cast<std::uint8_t>(static_cast<std::int8_t>(value)));
  }
  return bytes;
}

inline bool writeModule(const std::string& path, int nbPosition = 1, int speed = 6) {
  return writeBytes(path, moduleBytes(nbPosition, speed));
}

}  // namespace test_music
