#pragma once
// The curves a sync editor (a tracker-like editor of keys on rows, connected over TCP) edits.
// One track is one keyframe controller of the show: the editor's keys sit on rows, and each key's
// interpolation kind shapes the segment up to the next key:
//   step   the key's value until the next key
//   linear v0 + (v1 - v0) t
//   smooth v0 + (v1 - v0) t^2 (3 - 2t)
//   ramp   v0 + (v1 - v0) t^2
// with t the fraction of the way from one key's row to the next. Before the first key the track
// holds the first value, after the last key the last one.
//
// In the show the track becomes a Bezier track whose segments are parametrised linearly in time
// (s = (time - time0) / dt), with the control values v0 + dt/3 out slope and v1 + dt/3 in slope:
//   step   Step on both sides             holds v0 (v1 at the next key itself)
//   linear Linear on both sides           slopes (v1 - v0) / dt: control values at 1/3, 2/3
//   smooth Slow (flat) on both sides      control values v0, v1: 3s^2 - 2s^3
//   ramp   out side Slow, in side Fast    in slope 2 (v0 - v1) / dt: v0, v0, v0 + (v1 - v0) / 3,
//                                         v1, whose Bernstein sum is exactly v0 + (v1 - v0) s^2
// Show times are float milliseconds: a key sits at its row's time rounded to a float (steps of
// 1/128 ms up to a minute, 1 ms from 2.3 hours on). The .lcx file stores whole milliseconds, so a
// key whose time has a fraction (odd rows at 62.5 ms per row) moves to the millisecond below when
// saved.

#include <cstdint>
#include <string>
#include <vector>

class LCXControllerKeyFramer;

enum class SyncInterpolation : uint8_t { Step = 0, Linear = 1, Smooth = 2, Ramp = 3 };
inline constexpr uint8_t kNbSyncInterpolation = 4;

struct SyncKey {
  uint32_t row = 0;
  float value = 0.0f;
  SyncInterpolation interpolation = SyncInterpolation::Step;
};

// Rows and show time: a tempo and a number of rows per beat. A tempo that is not a positive finite
// number, a row count below 1, or a pair giving rows shorter than a microsecond stands for the
// defaults (120 bpm, 8 rows per beat), so a bad setting never divides by 0.
struct SyncTiming {
  float bpm = 120.0f;
  int32_t rowsPerBeat = 8;

  // 60000 / (bpm * rowsPerBeat): 62.5 ms with the defaults.
  double msPerRow() const;
  // The row playing at `ms` (rounded down; 0 before the start or for NaN, kMaxRow at most).
  uint32_t rowAt(double ms) const;
  // The show time (ms) of `row`.
  double msAt(uint32_t row) const;
};

class SyncTrack {
 public:
  // Sets the key of `key.row` (replacing one there). A value that is not finite or beyond
  // +-kMaxValue, a kind that is not one of the four, or a row past kMaxRow is refused: false,
  // nothing changes. Keys arriving in ascending rows are appended; others cost a binary search
  // and a move of the keys after them.
  bool setKey(const SyncKey& key);
  // Removes the key of `row`; false when there is none.
  bool deleteKey(uint32_t row);
  // The keys in ascending rows.
  const std::vector<SyncKey>& getKeys() const { return m_keys; }
  bool isEmpty() const { return m_keys.empty(); }

  // The editor's own value at a (fractional) row, by the formulas above, in double precision.
  // No key: 0. NaN: the first key's value.
  float valueAt(double row) const;

  // Makes `controller` play this track at the show times of `timing`: one beat at 0, no
  // accumulation, and a track whose keys reproduce every segment's kind exactly. An empty track
  // leaves the controller without keys (it reads 0).
  void applyTo(LCXControllerKeyFramer& controller, const SyncTiming& timing) const;

  static constexpr uint32_t kMaxRow = 0x7fffffffu;
  // Keeps every slope and control value of the show's float track finite (differences of two
  // values, doubled, over a fraction of a millisecond).
  static constexpr float kMaxValue = 1e30f;

 private:
  std::vector<SyncKey> m_keys;
};

// Writes `controller` as the .lcx file `path`: into `path` + ".part" first, renamed into place
// when whole, so the file is never seen half written. False (and neither file left) on failure;
// the writer's own reports pass on, the caller reports the failure in its own words.
bool saveKeyFramerFile(const LCXControllerKeyFramer& controller, const std::string& path);
