#pragma once
// The animation tracks scene objects own: one track manager per animated value, null when the file
// has none. Keys of scene tracks are in animation frames (30 per second of show time).

#include <memory>

#include "control/track_manager.h"
#include "s3d/s3d_math.h"

class ChunkFileReader;
class ChunkFileReaderManager;

using FloatTrack = std::unique_ptr<TrackManagerFloat>;
using PointTrack = std::unique_ptr<TrackManagerPoint3D>;
using RotationTrack = std::unique_ptr<TrackManagerRotation>;

// Each sets `value` from the track at `time` and returns true when there is a track. A track whose
// curve is missing (an unknown type, no keys) gives the zero value, or the identity rotation.
bool animateTrack(const FloatTrack& track, float time, float& value);
bool animateTrack(const PointTrack& track, float time, Vec3& value);
bool animateTrack(const RotationTrack& track, float time, Quat& value);

// Creates the manager and reads the track chunk of `holder` into it.
template <class Manager>
std::unique_ptr<Manager> readTrack(ChunkFileReader& holder, ChunkFileReaderManager& manager) {
  auto pTrack = std::make_unique<Manager>();
  pTrack->load(holder, manager);
  return pTrack;
}
