#pragma once
// S3DModifierSkin (type 1): each vertex follows a weighted set of bones, scene objects whose world
// matrices are bound after loading.
//   50: 70 matrix skin bind; 100 bone list: word count, then per bone a string name and a matrix
//       bind; 200 vertex list: int count, then per vertex a word n and n (float weight, word bone).

#include <cstdint>
#include <span>
#include <vector>

#include "s3d/s3d_modifier.h"

class S3DModifierSkin final : public S3DModifier {
 public:
  struct Bone {
    StringC name{"NULL"};
    Matrix44 boneBind = identity();
    // The world matrix of the object bound to the bone; null until bound.
    const Matrix44* pWorld = nullptr;
    // skinBind · inverse(boneBind), fixed after loading.
    Matrix44 offset = identity();
  };
  enum class Kernel { kLanes, kScalar };

  S3DModifierSkin() : S3DModifier(kSkin) {}

  void load(ChunkFileReader& chunk, ChunkFileReaderManager& manager) override;
  void animate(float) override {}
  // Every bone's skin matrix from its world matrix of this frame (after the hierarchy).
  void prepare(const S3DCamera& camera) override;
  // Object space, per vertex record: n = 0 unchanged; n = 1: p + (p · S_b - p) · w; n >= 2:
  // sum of w_i · (p · S_b_i), weights as stored. Vertices without a record pass unchanged.
  void deform(std::span<const Vec3> in, std::span<Vec3> out, int32_t firstIndex) const override {
    deform(in, out, firstIndex, Kernel::kLanes);
  }
  // kLanes sums the bones four floats at a time; kScalar is its plain twin, written like the
  // formula with transformPoint. Both give the same bits.
  void deform(std::span<const Vec3> in, std::span<Vec3> out, int32_t firstIndex,
              Kernel kernel) const;

  int32_t getNbBone() const { return static_cast<int32_t>(m_bones.size()); }
  // Binds bone `index` to a world matrix. Reports "setBoneMatrix: no bone" or
  // "setBoneMatrix: not so much bone" and changes nothing.
  void setBoneMatrix(const Matrix44* pWorld, int32_t index);
  // The bone's name; an empty name (reported) for a bone that does not exist.
  StringC getBoneName(int32_t index) const;

  int32_t getNbVertex() const { return static_cast<int32_t>(m_vertexFirst.size()) - 1; }
  // The weights of vertex i are entries m_vertexFirst[i] to m_vertexFirst[i + 1] - 1.
  int32_t getNbWeight(int32_t vertex) const {
    return static_cast<int32_t>(m_vertexFirst[static_cast<std::size_t>(vertex) + 1] -
                                m_vertexFirst[static_cast<std::size_t>(vertex)]);
  }

  Matrix44 m_skinBind = identity();
  Matrix44 m_inverseSkinBind = identity();
  std::vector<Bone> m_bones;
  std::vector<uint32_t> m_vertexFirst{0};
  std::vector<float> m_weights;
  std::vector<uint16_t> m_weightBones;
  // Per bone, offset · world · inverseSkinBind, rebuilt by prepare: carries a point of the mesh's
  // object space at bind time to where the bone has taken it. One more slot, the identity, serves
  // unbound bones and bone indices beyond the list.
  std::vector<Matrix44> m_skinMatrices{identity()};

 private:
  void loadBoneList(ChunkFileReader& chunk, ChunkFileReaderManager& manager);
  void loadVertexList(ChunkFileReader& chunk, ChunkFileReaderManager& manager);
  // After both lists: bone indices checked, the inverse bind and the offsets.
  void finishLoad();
};
