#include "s3d/s3d_modifier_skin.h"

#include <string>

#include "base/chunk_file_reader.h"
#include "base/report.h"
#include "s3d/s3d_chunk_p.h"

namespace {

constexpr const char* kCaption = "S3DModifierSkin warning:";
enum : uint16_t { kValues = 50, kSkinBind = 70, kBoneList = 100, kVertexList = 200 };
// A bone record: a name of at least its terminator and a 12-float matrix.
constexpr std::uint64_t kMinBoneBytes = 1 + 48;
// A weight entry: float weight, word bone.
constexpr std::uint64_t kWeightBytes = 6;

}  // namespace

void S3DModifierSkin::load(ChunkFileReader& chunk, ChunkFileReaderManager& manager) {
  ChunkFileReader values, child;
  while (chunk.nextChild(values)) {
    if (values.getIdentifier() != kValues) continue;
    while (values.nextChild(child)) {
      switch (child.getIdentifier()) {
        case kSkinBind:
          m_skinBind = s3d_chunk::readMatrix(child);
          break;
        case kBoneList:
          loadBoneList(child, manager);
          break;
        case kVertexList:
          loadVertexList(child, manager);
          break;
        default:
          break;
      }
    }
    finishLoad();
  }
}

void S3DModifierSkin::loadBoneList(ChunkFileReader& chunk, ChunkFileReaderManager& manager) {
  m_bones.clear();
  std::uint64_t nbBone = chunk.readWord();
  if (nbBone == 0) {
    report(kCaption, "loadBoneList: m_nbBone <= 0");
    return;
  }
  const std::uint64_t fit = s3d_chunk::remaining(chunk, manager) / kMinBoneBytes;
  if (nbBone > fit) {
    report(kCaption, "loadBoneList: " + std::to_string(nbBone) + " bones announced, " +
                         std::to_string(fit) + " fit in the chunk");
    nbBone = fit;
  }
  m_bones.resize(nbBone);
  for (Bone& bone : m_bones) {
    bone.name = chunk.readString();
    bone.boneBind = s3d_chunk::readMatrix(chunk);
  }
}

void S3DModifierSkin::loadVertexList(ChunkFileReader& chunk, ChunkFileReaderManager& manager) {
  m_vertexFirst.assign(1, 0);
  m_weights.clear();
  m_weightBones.clear();
  const int32_t announced = chunk.readInt();
  if (announced <= 0) {
    report(kCaption, "loadVertexList: m_nbBone <= 0");
    return;
  }
  for (int32_t vertex = 0; vertex < announced; ++vertex) {
    const std::uint64_t left = s3d_chunk::remaining(chunk, manager);
    const std::uint64_t nbWeight = left >= 2 ? chunk.readWord() : 0;
    if (left < 2 || nbWeight * kWeightBytes > left - 2) {
      report(kCaption, "loadVertexList: " + std::to_string(announced) +
                           " vertices announced, the chunk ends at vertex " +
                           std::to_string(vertex));
      break;
    }
    for (std::uint64_t i = 0; i < nbWeight; ++i) {
      m_weights.push_back(chunk.readFloat());
      m_weightBones.push_back(chunk.readWord());
    }
    m_vertexFirst.push_back(static_cast<uint32_t>(m_weights.size()));
  }
}

void S3DModifierSkin::finishLoad() {
  // A weight on a bone the list does not have would read past the bones: it weighs nothing.
  int nbBad = 0;
  for (std::size_t i = 0; i < m_weightBones.size(); ++i) {
    if (m_weightBones[i] < m_bones.size()) continue;
    m_weightBones[i] = 0;
    m_weights[i] = 0.0f;
    ++nbBad;
  }
  if (nbBad > 0)
    report(kCaption, "loadVertexList: " + std::to_string(nbBad) +
                         " weights name a bone that does not exist; they weigh nothing");
  m_inverseSkinBind = inverse(m_skinBind);
  for (Bone& bone : m_bones)
    bone.offset = multiply(m_skinBind, inverse(bone.boneBind));
}

void S3DModifierSkin::setBoneMatrix(const Matrix44* pWorld, int32_t index) {
  if (m_bones.empty()) {
    report(kCaption, "setBoneMatrix: no bone");
    return;
  }
  if (index < 0 || index >= getNbBone()) {
    report(kCaption, "setBoneMatrix: not so much bone");
    return;
  }
  m_bones[static_cast<std::size_t>(index)].pWorld = pWorld;
}

StringC S3DModifierSkin::getBoneName(int32_t index) const {
  if (m_bones.empty()) {
    report(kCaption, "getBoneName: no bone");
    return StringC("");
  }
  if (index < 0 || index >= getNbBone()) {
    report(kCaption, "getBoneMatrix: not so much bone");
    return StringC("");
  }
  return m_bones[static_cast<std::size_t>(index)].name;
}
