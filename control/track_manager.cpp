// Track managers: creation by type number and the track chunk.

#include "control/track_manager.h"

#include "base/chunk_file_reader.h"
#include "base/chunk_file_writer.h"
#include "base/report.h"
#include "control/track_bezier.h"
#include "control/track_curve.h"
#include "control/track_rotation.h"

namespace {
constexpr std::uint16_t kTrackChunk = 1;
}  // namespace

template <class Value>
Track<Value>* TrackManager<Value>::createTrack(int32_t type) {
  m_pTrack = makeTrack(type);
  if (!m_pTrack) report(getCaption(), "unknow type", ReportLevel::Warning);
  return m_pTrack.get();
}

template <class Value>
bool TrackManager<Value>::load(ChunkFileReader& chunk, ChunkFileReaderManager& manager) {
  ChunkFileReader child;
  while (!manager.hasFailed() && chunk.nextChild(child)) {
    if (child.getIdentifier() != kTrackChunk) continue;
    const int32_t type = child.readByte();
    if (manager.hasFailed()) break;
    if (Track<Value>* pTrack = createTrack(type)) pTrack->load(child, manager);
  }
  if (manager.hasFailed()) {
    m_pTrack.reset();
    return false;
  }
  return true;
}

template <class Value>
void TrackManager<Value>::save(ChunkFileWriterManager& manager) const {
  if (!m_pTrack) return;
  ChunkFileWriter chunk(&manager);
  chunk.beginChunk(kTrackChunk);
  chunk.writeByte(static_cast<std::uint8_t>(m_pTrack->getType()));
  m_pTrack->save(manager);
  chunk.endChunk();
}

template <class Value>
Value TrackManager<Value>::getValue(float time) const {
  if (!m_pTrack) {
    reportTrack("getValue: no key");
    return Value{};
  }
  return m_pTrack->getValue(time);
}

std::unique_ptr<Track<float>> TrackManagerFloat::makeTrack(int32_t type) const {
  switch (static_cast<TrackType>(type)) {
    case TrackType::Linear:
      return std::make_unique<TrackFloatLinear>();
    case TrackType::Hermite:
      return std::make_unique<TrackFloatHermite>();
    case TrackType::TCB:
      return std::make_unique<TrackFloatTCB>();
    case TrackType::Bezier:
      return std::make_unique<TrackBezier>();
  }
  return nullptr;
}

std::unique_ptr<Track<Point3D>> TrackManagerPoint3D::makeTrack(int32_t type) const {
  switch (static_cast<TrackType>(type)) {
    case TrackType::Linear:
      return std::make_unique<TrackPoint3DLinear>();
    case TrackType::Hermite:
      return std::make_unique<TrackPoint3DHermite>();
    case TrackType::TCB:
      return std::make_unique<TrackPoint3DTCB>();
    case TrackType::Bezier:
      break;
  }
  return nullptr;
}

std::unique_ptr<Track<Quaternion>> TrackManagerRotation::makeTrack(int32_t type) const {
  switch (static_cast<TrackType>(type)) {
    case TrackType::Linear:
      return std::make_unique<TrackRotationLinear>();
    case TrackType::TCB:
      return std::make_unique<TrackRotationTCB>();
    case TrackType::Hermite:
    case TrackType::Bezier:
      break;
  }
  return nullptr;
}

template class TrackManager<float>;
template class TrackManager<Point3D>;
template class TrackManager<Quaternion>;
