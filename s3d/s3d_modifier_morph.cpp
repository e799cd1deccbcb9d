#include "s3d/s3d_modifier_morph.h"

#include <string>

#include "base/chunk_file_reader.h"
#include "base/report.h"
#include "s3d/s3d_chunk_p.h"

namespace {

constexpr const char* kCaption = "S3DModifierMorph";
enum : uint16_t {
  kValues = 50,
  kTargetList = 100,
  kTarget = 101,
  kTargetValues = 50,
  kTargetName = 101,
  kTargetWeight = 102,
  kTargetTracks = 250,
  kTargetWeightTrack = 301,
};

}  // namespace

void S3DModifierMorph::load(ChunkFileReader& chunk, ChunkFileReaderManager& manager) {
  ChunkFileReader values, child;
  while (chunk.nextChild(values)) {
    if (values.getIdentifier() != kValues) continue;
    while (values.nextChild(child))
      if (child.getIdentifier() == kTargetList) loadTargetList(child, manager);
  }
}

void S3DModifierMorph::loadTargetList(ChunkFileReader& chunk, ChunkFileReaderManager& manager) {
  std::uint64_t nbTarget = chunk.readWord();
  if (nbTarget == 0) {
    report(kCaption, "loadTargetList: m_nbTarget <= 0");
    return;
  }
  // Each target is a chunk of at least its header.
  const std::uint64_t fit = s3d_chunk::remaining(chunk, manager) / 6;
  if (nbTarget > fit) {
    report(kCaption, "loadTargetList: " + std::to_string(nbTarget) + " targets announced, " +
                         std::to_string(fit) + " fit in the chunk");
    nbTarget = fit;
    if (nbTarget == 0) return;
  }
  create(static_cast<int32_t>(nbTarget));
  std::size_t filled = 0;
  ChunkFileReader record, part, field;
  while (filled < m_targets.size() && chunk.nextChild(record)) {
    if (record.getIdentifier() != kTarget) continue;
    Target& target = m_targets[filled++];
    while (record.nextChild(part)) {
      while (part.nextChild(field)) {
        if (part.getIdentifier() == kTargetValues && field.getIdentifier() == kTargetName)
          target.name = field.readString();
        else if (part.getIdentifier() == kTargetValues && field.getIdentifier() == kTargetWeight)
          target.weight = field.readFloat();
        else if (part.getIdentifier() == kTargetTracks &&
                 field.getIdentifier() == kTargetWeightTrack)
          target.pWeightTrack = readTrack<TrackManagerFloat>(field, manager);
      }
    }
  }
}

void S3DModifierMorph::animate(float time) {
  for (Target& target : m_targets)
    animateTrack(target.pWeightTrack, time, target.weight);
}

void S3DModifierMorph::create(int32_t nbTarget) {
  if (nbTarget < 1) {
    report(kCaption, "create: nbTarget <= 0");
    return;
  }
  m_targets.clear();
  m_targets.resize(static_cast<std::size_t>(nbTarget));
  m_active.clear();
  m_active.reserve(static_cast<std::size_t>(nbTarget));
}

StringC S3DModifierMorph::getTargetName(int32_t index) const {
  if (index < 0 || index >= getNbTarget()) {
    report(kCaption, "getTargetName: not so much target");
    return StringC("");
  }
  return m_targets[static_cast<std::size_t>(index)].name;
}

void S3DModifierMorph::setTargetVertex(int32_t index, const std::vector<Vec3>* pVertices) {
  if (index < 0 || index >= getNbTarget()) {
    report(kCaption, "setTargetVertex: not so much target");
    return;
  }
  m_targets[static_cast<std::size_t>(index)].pVertices = pVertices;
}
