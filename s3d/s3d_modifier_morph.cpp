#include "s3d/s3d_modifier_morph.h"

#include <algorithm>
#include <string>

#include "base/chunk_file_reader.h"
#include "base/report.h"
#include "s3d/s3d_chunk_p.h"

namespace {

constexpr const char* kCaption = "S3DModifierMorph";
// A weight at or below this is too small to see: the target is skipped for the frame.
constexpr float kMinWeight = 0.01f;
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

void S3DModifierMorph::setTargetVertex(int32_t index, std::span<const Vec3> vertices) {
  if (index < 0 || index >= getNbTarget()) {
    report(kCaption, "setTargetVertex: not so much target");
    return;
  }
  Target& target = m_targets[static_cast<std::size_t>(index)];
  target.pVertices = vertices.data();
  target.nbVertex = static_cast<int32_t>(std::min<std::size_t>(vertices.size(), INT32_MAX));
}

void S3DModifierMorph::prepare(const S3DCamera&) {
  m_active.clear();
  for (std::size_t i = 0; i < m_targets.size(); ++i) {
    const Target& target = m_targets[i];
    // A NaN weight fails the comparison and stays out.
    if (target.weight > kMinWeight && target.pVertices && target.nbVertex > 0)
      m_active.push_back(static_cast<int32_t>(i));
  }
}

void S3DModifierMorph::deform(std::span<const Vec3> in, std::span<Vec3> out,
                              int32_t firstIndex) const {
  const std::size_t count = std::min(in.size(), out.size());
  if (m_active.empty()) {
    if (in.data() != out.data()) std::copy_n(in.begin(), count, out.begin());
    return;
  }
  for (std::size_t k = 0; k < count; ++k) {
    const Vec3 p = in[k];
    const int64_t vertex = int64_t{firstIndex} + static_cast<int64_t>(k);
    Vec3 r = p;
    for (const int32_t active : m_active) {
      const Target& target = m_targets[static_cast<std::size_t>(active)];
      // A target shorter than the mesh has no term for the vertices past its end: they keep what
      // the other targets give them.
      if (vertex >= 0 && vertex < target.nbVertex)
        r = r + target.weight * (target.pVertices[static_cast<std::size_t>(vertex)] - p);
    }
    out[k] = r;
  }
}
