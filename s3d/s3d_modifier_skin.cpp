#include "s3d/s3d_modifier_skin.h"

#include <algorithm>
#include <cmath>
#include <cstring>
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
  // A weight on a bone the list does not have keeps its weight and pulls toward the bind pose, as
  // an unbound bone does (deform gives both the identity).
  const auto nbBad = std::count_if(m_weightBones.begin(), m_weightBones.end(),
                                   [&](uint16_t bone) { return bone >= m_bones.size(); });
  if (nbBad > 0)
    report(kCaption, "loadVertexList: " + std::to_string(nbBad) +
                         " weights name a bone that does not exist; those bones do not move");
  m_inverseSkinBind = inverse(m_skinBind);
  for (Bone& bone : m_bones)
    bone.offset = multiply(m_skinBind, inverse(bone.boneBind));
  m_skinMatrices.assign(m_bones.size() + 1, identity());
}

void S3DModifierSkin::prepare(const S3DCamera&) {
  // Sized here only when the bone list changed (the first frame): no allocation per frame.
  if (m_skinMatrices.size() != m_bones.size() + 1) m_skinMatrices.assign(m_bones.size() + 1, {});
  // An unbound bone (no object of its name, or the skinned object itself) gets the identity: it
  // holds its vertices where they were bound, as a bone that never moved would.
  for (std::size_t i = 0; i < m_bones.size(); ++i) {
    const Bone& bone = m_bones[i];
    m_skinMatrices[i] =
        bone.pWorld ? multiply(multiply(bone.offset, *bone.pWorld), m_inverseSkinBind) : identity();
  }
  m_skinMatrices.back() = identity();
}

namespace {

// Four floats in one register (GCC and Clang vector extension; SSE on x86-64).
using Lanes = float __attribute__((vector_size(16)));

Lanes rowOf(const Matrix44& matrix, int row) {
  Lanes lanes;
  std::memcpy(&lanes, matrix.m + 4 * row, sizeof(lanes));
  return lanes;
}

}  // namespace

void S3DModifierSkin::deform(std::span<const Vec3> in, std::span<Vec3> out, int32_t firstIndex,
                             Kernel kernel) const {
  const std::size_t count = std::min(in.size(), out.size());
  // Slot nbBone holds the identity: bone indices beyond the list read it, like unbound bones.
  const uint32_t nbBone = static_cast<uint32_t>(m_skinMatrices.size()) - 1;
  // Records usable only when the offsets agree with the weight arrays and prepare has run on
  // this bone list; without bones every vertex passes unchanged.
  const std::size_t nbWeight = std::min(m_weights.size(), m_weightBones.size());
  const bool usable = nbBone > 0 && nbBone == m_bones.size() && m_vertexFirst.back() <= nbWeight;
  const int64_t nbRecord = usable ? getNbVertex() : 0;
  const Matrix44* pSkin = m_skinMatrices.data();
  for (std::size_t k = 0; k < count; ++k) {
    const Vec3 p = in[k];
    const int64_t vertex = int64_t{firstIndex} + static_cast<int64_t>(k);
    if (vertex < 0 || vertex >= nbRecord) {
      out[k] = p;
      continue;
    }
    const uint32_t first = m_vertexFirst[static_cast<std::size_t>(vertex)];
    const uint32_t last = std::max(first, m_vertexFirst[static_cast<std::size_t>(vertex) + 1]);
    const auto skinOf = [&](uint32_t i) -> const Matrix44& {
      return pSkin[std::min<uint32_t>(m_weightBones[i], nbBone)];
    };
    Vec3 r = p;
    if (last - first == 1) {
      r = p + m_weights[first] * (transformPoint(p, skinOf(first)) - p);
    } else if (last - first >= 2 && kernel == Kernel::kScalar) {
      r = {0.0f, 0.0f, 0.0f};
      for (uint32_t i = first; i < last; ++i)
        r = r + m_weights[i] * transformPoint(p, skinOf(i));
    } else if (last - first >= 2) {
      // Lane c of p · M is ((x m[c] + y m[4 + c]) + z m[8 + c]) + m[12 + c]: transformPoint's
      // sums in its order, so both kernels give the same bits.
      const Lanes x = {p.x, p.x, p.x, p.x}, y = {p.y, p.y, p.y, p.y}, z = {p.z, p.z, p.z, p.z};
      Lanes sum = {0.0f, 0.0f, 0.0f, 0.0f};
      for (uint32_t i = first; i < last; ++i) {
        const Matrix44& m = skinOf(i);
        sum += m_weights[i] * (x * rowOf(m, 0) + y * rowOf(m, 1) + z * rowOf(m, 2) + rowOf(m, 3));
      }
      r = {sum[0], sum[1], sum[2]};
    }
    // A NaN (or infinite) weight or bone matrix leaves the vertex where it was rather than
    // poisoning the mesh.
    const bool finite = std::isfinite(r.x) && std::isfinite(r.y) && std::isfinite(r.z);
    out[k] = finite ? r : p;
  }
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
