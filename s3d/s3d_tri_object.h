#pragma once
// S3DTriObject: a mesh: the vertices of S3DVertexObject joined into triangles, with texture
// vertices, edge pairs for lines, a soft selection, three mesh layers and its drawing values.

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "s3d/s3d_material.h"
#include "s3d/s3d_vertex_object.h"

// A triangle: its vertices, the texture vertices of its corners and the file's two words.
struct S3DFace {
  uint16_t a = 0;
  uint16_t b = 0;
  uint16_t c = 0;
  uint16_t ta = 0;
  uint16_t tb = 0;
  uint16_t tc = 0;
  // The sub-material number (taken modulo the material's count) and a word kept with the face.
  uint16_t subMaterialWord = 0;
  uint16_t value = 0;
  // Assigned when the mesh prepares its material.
  S3DSubMaterial* pSubMaterial = nullptr;
  // Object-space normal, and the front-facing flag of the current frame.
  Vec3 normal{};
  int32_t frontFacing = 0;
};

// A mesh layer: an optional texture layer, and another mesh it uses (made invisible).
struct S3DMeshLayer {
  int32_t enabled = 0;
  int32_t value = 0;
  StringC meshName{"NULL"};
  class S3DTriObject* pMesh = nullptr;
  std::unique_ptr<S3DTextureLayer> pTextureLayer;
};

class S3DTriObject final : public S3DVertexObject {
 public:
  static constexpr int kNbLayer = 3;
  static constexpr int kNbDrawValue = 4;

  // True when the mesh has texture vertices and its faces pick them.
  bool hasMapping() const { return !m_textureVertices.empty() && m_hasFaceMapping; }
  // Drops the faces and edge pairs that name a vertex the mesh does not have, and clamps
  // texture-vertex indices out of range to 0, with a report each; called once the record is read.
  void checkFaces();

  std::vector<S3DFace> m_faces;
  // Pairs of vertex indices drawn as line segments.
  std::vector<std::array<int32_t, 2>> m_edgePairs;
  // (u, v, w) per texture vertex.
  std::vector<Vec3> m_textureVertices;
  bool m_hasFaceMapping = false;
  // The stored soft selection (the "softSelection" channel); null when the file has none.
  std::unique_ptr<S3DVertexChannel> m_pSoftSelection;
  S3DMeshLayer m_layers[kNbLayer];
  int32_t m_drawValues[kNbDrawValue]{};
  // Non-zero: the mesh's transparent items are drawn last, in depth order, with the scene's.
  int32_t m_sorted = 0;
  // Recomputed each frame: the mesh has a material with at least one sub-material.
  int32_t m_drawable = 1;

 protected:
  std::string_view caption() const override { return "S3DTriObject warning: "; }
};
