#pragma once
// Track managers: each owns one track of its value kind (or none), creates it by type number and
// reads and writes it inside a chunk chosen by the owner:
//   1: track chunk: byte type, then the track's key chunk(s).

#include <cstdint>
#include <memory>
#include <string_view>

#include "control/track.h"

class ChunkFileReader;
class ChunkFileReaderManager;
class ChunkFileWriterManager;

template <class Value>
class TrackManager {
 public:
  virtual ~TrackManager() = default;

  // Replaces the held track with an empty one of `type`; an unknown type is reported ("unknow
  // type") and leaves the manager empty. Returns the new track or null.
  Track<Value>* createTrack(int32_t type);
  // Reads every track chunk of the owner's `chunk` (the last one wins). When the reader manager
  // fails on the way, nothing is kept and the result is false.
  bool load(ChunkFileReader& chunk, ChunkFileReaderManager& manager);
  // Writes the track chunk (nothing without a track) into the chunk being written on `manager`.
  void save(ChunkFileWriterManager& manager) const;

  Track<Value>* getTrack() const { return m_pTrack.get(); }
  // The held track as its concrete class (to set keys), or null when it is another one.
  template <class T>
  T* getTrackAs() const {
    return dynamic_cast<T*>(m_pTrack.get());
  }
  void deleteTrack() { m_pTrack.reset(); }
  // The track's value at `time`; the zero value, reported, without a track.
  Value getValue(float time) const;

 protected:
  // A new track of `type`, or null when the kind has no such type.
  virtual std::unique_ptr<Track<Value>> makeTrack(int32_t type) const = 0;
  virtual std::string_view getCaption() const = 0;

 private:
  std::unique_ptr<Track<Value>> m_pTrack;
};

// Float tracks: linear (1), hermite (2), TCB (3), Bezier (4).
class TrackManagerFloat final : public TrackManager<float> {
 protected:
  std::unique_ptr<Track<float>> makeTrack(int32_t type) const override;
  std::string_view getCaption() const override { return "TrackManagerFloat :"; }
};

// Point tracks: linear (1), hermite (2), TCB (3).
class TrackManagerPoint3D final : public TrackManager<Point3D> {
 protected:
  std::unique_ptr<Track<Point3D>> makeTrack(int32_t type) const override;
  std::string_view getCaption() const override { return "TrackManagerPoint3D :"; }
};

// Rotation tracks: spherical linear (1), TCB (3).
class TrackManagerRotation final : public TrackManager<Quaternion> {
 protected:
  std::unique_ptr<Track<Quaternion>> makeTrack(int32_t type) const override;
  std::string_view getCaption() const override { return "TrackManagerRotation :"; }
};

extern template class TrackManager<float>;
extern template class TrackManager<Point3D>;
extern template class TrackManager<Quaternion>;
