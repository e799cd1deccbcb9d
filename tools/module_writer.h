#pragma once
// A 4-channel ProTracker module ("M.K.") written from a small model: 31 sample slots of signed
// 8-bit sound, patterns of 64 rows and an order list; and the rendering of a module into an
// OGG Vorbis stream through libopenmpt and libsndfile.

#include <array>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace ModuleWriter {

inline constexpr int kNbChannel = 4;
inline constexpr int kNbRow = 64;
inline constexpr int kMaxSample = 31;
inline constexpr int kMaxPattern = 64;
inline constexpr int kMaxOrder = 128;

struct Sample {
  std::string name;               // at most 22 characters are kept
  std::vector<std::int8_t> data;  // an odd length gets one zero byte more
  std::uint8_t volume = 64;       // 0 to 64
  // The loop, in bytes from the start; none when loopLength is below 2.
  std::uint32_t loopStart = 0;
  std::uint32_t loopLength = 0;
};

// One cell of a pattern. sample 0 and period 0 leave the channel's sample and note as they are.
struct Note {
  std::uint8_t sample = 0;  // 1 to 31
  std::uint16_t period = 0;
  std::uint8_t effect = 0;  // 0x0 to 0xF
  std::uint8_t param = 0;
};

using Row = std::array<Note, kNbChannel>;
using Pattern = std::array<Row, kNbRow>;

struct Module {
  std::string title;  // at most 20 characters are kept
  std::vector<Sample> samples;
  std::vector<Pattern> patterns;
  std::vector<std::uint8_t> order;
};

// Effect numbers used by the composer.
inline constexpr std::uint8_t kEffectSetVolume = 0xC;
inline constexpr std::uint8_t kEffectExtended = 0xE;  // param 0xCx: cut the note after x ticks
inline constexpr std::uint8_t kEffectSetSpeed = 0xF;  // param below 32: ticks per row, else tempo

// The Amiga period of a note without fine tune, octaves 1 to 3 of the tracker (C-1 is 856);
// semitone 0 is C. Notes outside those octaves are clamped into them.
std::uint16_t periodOf(int octave, int semitone);

// The module file's bytes. Too many samples, patterns or orders are cut to the format's limits.
std::vector<std::uint8_t> encodeMod(const Module& module);

struct RenderResult {
  bool ok = false;
  std::int64_t nbFrame = 0;  // frames written
  std::string error;         // why it failed
};

// Plays the module through libopenmpt from start to end and writes the sound as a stereo
// OGG Vorbis file at `sampleRate`.
RenderResult renderToOgg(std::span<const std::uint8_t> moduleBytes,
                         const std::filesystem::path& path, int sampleRate = 44100);

}  // namespace ModuleWriter
