// Keyframe controller: beats, accumulation and the construction from point lists.

#include "control/lcx_controller_keyframer.h"

#include <string>

#include "base/chunk_file.h"
#include "base/chunk_file_reader.h"
#include "base/chunk_file_writer.h"
#include "base/report.h"
#include "control/track_bezier.h"
#include "control/track_curve.h"

namespace {
constexpr std::uint16_t kBeatChunk = 10;
constexpr std::uint16_t kTrackChunk = 11;
constexpr std::uint16_t kAccumulateChunk = 12;
constexpr std::uint32_t kCountSize = 4;
constexpr std::uint32_t kBeatSize = 4;
constexpr const char* kCaption = "LCXControllerKeyFramer";
}  // namespace

float LCXControllerKeyFramer::getValue(float time) {
  if (!m_update) return m_value;
  m_value = 0.0f;
  m_update = 0;
  const Track<float>* pTrack = m_track.getTrack();
  if (m_beatPosition.empty() || !pTrack) return m_value;

  std::size_t j = 0;
  for (std::size_t i = 1; i < m_beatPosition.size() && m_beatPosition[i] <= time; ++i)
    j = i;
  m_value = pTrack->getValue(time - m_beatPosition[j]);
  if (m_accumulate) m_value += static_cast<float>(j) * m_lastKeyValue;
  return m_value;
}

bool LCXControllerKeyFramer::load(ChunkFileReader& chunk, ChunkFileReaderManager& manager) {
  ChunkFileReader child;
  while (!manager.hasFailed() && chunk.nextChild(child)) {
    switch (child.getIdentifier()) {
      case kBeatChunk:
        loadBeatPosition(child, manager);
        break;
      case kTrackChunk:
        if (m_track.load(child, manager)) takeLastKeyValue();
        break;
      case kAccumulateChunk:
        m_accumulate = child.readInt();
        break;
      default:
        break;
    }
  }
  if (manager.hasFailed()) {
    m_track.deleteTrack();
    m_beatPosition.clear();
    m_accumulate = 0;
    m_lastKeyValue = 0.0f;
    return false;
  }
  return true;
}

bool LCXControllerKeyFramer::loadBeatPosition(ChunkFileReader& chunk,
                                              ChunkFileReaderManager& manager) {
  const int32_t nbBeat = chunk.readInt();
  if (manager.hasFailed()) return false;
  // A count is believed only when its positions fit in what is left of the chunk.
  const std::uint32_t length = chunk.getLength();
  const std::uint32_t room = length >= ChunkFile::kHeaderSize + kCountSize
                                 ? length - ChunkFile::kHeaderSize - kCountSize
                                 : 0;
  if (nbBeat < 0 || std::uint64_t{static_cast<std::uint32_t>(nbBeat)} * kBeatSize > room) {
    manager.fail("LCXControllerKeyFramer load: the beat count " + std::to_string(nbBeat) +
                 " is more than the beat chunk holds!");
    return false;
  }
  m_beatPosition.resize(static_cast<std::size_t>(nbBeat));
  for (float& position : m_beatPosition)
    position = chunk.readFloat();
  return !manager.hasFailed();
}

void LCXControllerKeyFramer::save(ChunkFileWriterManager& manager) const {
  ChunkFileWriter beat(&manager);
  beat.beginChunk(kBeatChunk);
  beat.writeInt(static_cast<int32_t>(m_beatPosition.size()));
  for (const float position : m_beatPosition)
    beat.writeFloat(position);
  beat.endChunk();

  if (m_track.getTrack()) {
    ChunkFileWriter track(&manager);
    track.beginChunk(kTrackChunk);
    m_track.save(manager);
    track.endChunk();
  }

  ChunkFileWriter accumulate(&manager);
  accumulate.writeIntChunk(kAccumulateChunk, m_accumulate);
}

void LCXControllerKeyFramer::takeLastKeyValue() {
  m_lastKeyValue = 0.0f;
  const Track<float>* pTrack = m_track.getTrack();
  if (!pTrack || pTrack->getNbKey() <= 0) return;
  // Every float rule gives the last key's value at or after its time.
  m_lastKeyValue = pTrack->getValue(pTrack->getKeyTime(pTrack->getNbKey() - 1));
}

void LCXControllerKeyFramer::createBeatPosition(const LCXPointList* pPoint) {
  if (!pPoint) {
    report(kCaption, "createBeatPosition: pPoint NULL", ReportLevel::Warning);
    return;
  }
  m_beatPosition.resize(pPoint->size());
  for (std::size_t i = 0; i < pPoint->size(); ++i)
    m_beatPosition[i] = (*pPoint)[i].time;
}

void LCXControllerKeyFramer::createInterpolationModelLinear(const LCXPointList* pPoint) {
  createInterpolationModel(pPoint, TrackType::Linear,
                           "createInterpolationModelLinear: pPoint NULL");
}

void LCXControllerKeyFramer::createInterpolationModelHermite(const LCXPointList* pPoint) {
  createInterpolationModel(pPoint, TrackType::Hermite,
                           "createInterpolationModelHermite: pPoint NULL");
}

void LCXControllerKeyFramer::createInterpolationModelBezier(const LCXPointList* pPoint) {
  createInterpolationModel(pPoint, TrackType::Bezier,
                           "createInterpolationModelBezier: pPoint NULL");
}

void LCXControllerKeyFramer::createInterpolationModel(const LCXPointList* pPoint, TrackType type,
                                                      const char* pNullText) {
  if (!pPoint) {
    report(kCaption, pNullText, ReportLevel::Warning);
    return;
  }
  if (pPoint->empty()) return;
  if (!m_track.getTrack() || m_track.getTrack()->getType() != type)
    m_track.createTrack(static_cast<int32_t>(type));
  const auto nbKey = static_cast<int32_t>(pPoint->size());
  if (type == TrackType::Bezier) {
    auto* pTrack = m_track.getTrackAs<TrackBezier>();
    if (!pTrack || !pTrack->createKey(nbKey)) return;
    for (int32_t i = 0; i < nbKey; ++i) {
      const LCXKeyPoint& point = (*pPoint)[static_cast<std::size_t>(i)];
      TrackKeyBezier key;
      key.time = point.time;
      key.value = point.value;
      key.inType = point.inType;
      key.outType = point.outType;
      key.inSlope = point.inSlope;
      key.inLength = point.inLength;
      key.outSlope = point.outSlope;
      key.outLength = point.outLength;
      pTrack->setKey(i, key);
    }
    pTrack->prepare();
  } else {
    auto* pTrack = dynamic_cast<TrackKeyed<TrackKey<float>, float>*>(m_track.getTrack());
    if (!pTrack || !pTrack->createKey(nbKey)) return;
    for (int32_t i = 0; i < nbKey; ++i) {
      const LCXKeyPoint& point = (*pPoint)[static_cast<std::size_t>(i)];
      pTrack->setKey(i, TrackKey<float>{point.time, point.value});
    }
    pTrack->prepare();
  }
  m_lastKeyValue = pPoint->back().value;
}
