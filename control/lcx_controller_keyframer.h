#pragma once
// Keyframe controller (type 3): a float track that restarts at every beat position, optionally
// adding the track's last key value at each restart so repetitions continue one another.
//   10: int count, then count floats (beat positions, ms, ascending)
//   11: the float track (absent without a track)
//   12: int accumulate

#include <cstdint>
#include <vector>

#include "control/lcx_controller.h"
#include "control/track_key.h"
#include "control/track_manager.h"

// A point handed to the construction operations: a key's time and value and, for Bezier keys,
// its tangent settings.
struct LCXKeyPoint {
  float time = 0.0f;
  float value = 0.0f;
  uint16_t inType = 0;
  uint16_t outType = 0;
  float inSlope = 0.0f;
  float inLength = 0.0f;
  float outSlope = 0.0f;
  float outLength = 0.0f;
};
using LCXPointList = std::vector<LCXKeyPoint>;

class LCXControllerKeyFramer final : public LCXController {
 public:
  LCXControllerKeyFramer() : LCXController(LCXControllerType::KeyFramer) {}

  bool load(ChunkFileReader& chunk, ChunkFileReaderManager& manager) override;
  void save(ChunkFileWriterManager& manager) const override;
  // With beat j the last one at or before t (j = 0 below the second beat): track(t - beat[j]),
  // plus j times the last key value when accumulating. 0 without beats or track.
  float getValue(float time) override;

  // The beat positions become the points' times (a null list is reported).
  void createBeatPosition(const LCXPointList* pPoint);
  // The track becomes a linear, hermite or Bezier track with one key per point (a null list is
  // reported, an empty one changes nothing); its last value becomes the accumulation step.
  void createInterpolationModelLinear(const LCXPointList* pPoint);
  void createInterpolationModelHermite(const LCXPointList* pPoint);
  void createInterpolationModelBezier(const LCXPointList* pPoint);

  const std::vector<float>& getBeatPosition() const { return m_beatPosition; }
  int32_t getNbBeat() const { return static_cast<int32_t>(m_beatPosition.size()); }
  int32_t getAccumulate() const { return m_accumulate; }
  void setAccumulate(int32_t accumulate) { m_accumulate = accumulate; }
  float getLastKeyValue() const { return m_lastKeyValue; }
  TrackManagerFloat& getTrackManager() { return m_track; }
  const TrackManagerFloat& getTrackManager() const { return m_track; }

 private:
  void createInterpolationModel(const LCXPointList* pPoint, TrackType type, const char* pNullText);
  bool loadBeatPosition(ChunkFileReader& chunk, ChunkFileReaderManager& manager);
  // Takes the track's last key value as the accumulation step (0 without keys).
  void takeLastKeyValue();

  float m_value = 0.0f;
  TrackManagerFloat m_track;
  std::vector<float> m_beatPosition;
  int32_t m_accumulate = 0;
  float m_lastKeyValue = 0.0f;
};
