#pragma once
// The timing of the demo's music, shared by the composer, the tests and whoever times the
// script. The piece is a ProTracker module at a fixed speed and tempo, so every row, beat and
// pattern lasts a whole number of milliseconds and the script can put its cuts on the beat.

namespace DemoTempo {

// Module tempo (beats per minute) and speed (ticks per row).
inline constexpr int kBpm = 125;
inline constexpr int kTicksPerRow = 6;
// A tick lasts 2.5 / tempo seconds.
inline constexpr int kMsPerTick = 2500 / kBpm;
static_assert(2500 % kBpm == 0, "a tick must last whole milliseconds");

inline constexpr int kRowsPerBeat = 4;
inline constexpr int kBeatsPerBar = 4;
inline constexpr int kRowsPerPattern = 64;

inline constexpr int kMsPerRow = kMsPerTick * kTicksPerRow;        // 120
inline constexpr int kMsPerBeat = kMsPerRow * kRowsPerBeat;        // 480
inline constexpr int kMsPerBar = kMsPerBeat * kBeatsPerBar;        // 1920
inline constexpr int kMsPerPattern = kMsPerRow * kRowsPerPattern;  // 7680
static_assert(kMsPerPattern == 4 * kMsPerBar);

// The sections, as positions in the order list; each lasts up to the next one.
inline constexpr int kIntroPosition = 0;
inline constexpr int kBuildPosition = 2;
inline constexpr int kDropPosition = 4;
inline constexpr int kBreakPosition = 7;
inline constexpr int kFinalePosition = 9;
inline constexpr int kOutroPosition = 11;
inline constexpr int kNbPosition = 12;

// Script time of an order position: the music starts at 0.
constexpr int msAtPosition(int position) {
  return position * kMsPerPattern;
}
inline constexpr int kDurationMs = msAtPosition(kNbPosition);  // 92160

}  // namespace DemoTempo
