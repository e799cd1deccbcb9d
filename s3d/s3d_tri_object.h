#pragma once
// S3DTriObject: a mesh: the vertices of S3DVertexObject joined into triangles, with texture
// vertices, edge pairs for lines, a soft selection, three mesh layers and its drawing values.

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "s3d/s3d_line_point.h"
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

// How a group of faces is drawn, and by which drawer.
enum class S3DDrawMode : uint8_t {
  kGouraud = 1,       // GouraudPolyFiller
  kVertexAlpha = 2,   // VertexAlphaPolyFiller: the first layer's per-vertex opacity
  kTexShade = 3,      // TexShadePolyFiller
  kGouraudLayer = 4,  // GouraudPolyFiller, with the second layer applied
  kTexture = 10,      // TexturePolyFiller
  kPerspective = 11,  // PerspectivePolyFiller
  kFlat = 20,         // FlatPolyFiller
  kTexColor = 21,     // TexColorPolyFiller
};

// The faces of one sub-material in one pass, in face order.
struct S3DDrawGroup {
  S3DSubMaterial* pSubMaterial = nullptr;
  S3DDrawMode mode = S3DDrawMode::kGouraud;
  std::vector<uint32_t> faces;
};

class S3DCamera;
class S3DDrawManager;

class S3DTriObject final : public S3DVertexObject {
 public:
  static constexpr int kNbLayer = 3;
  static constexpr int kNbDrawValue = 4;
  // The first pass draws opaque sub-materials, the second the others (after them, or sorted by
  // depth with the scene's when the mesh is sorted).
  enum Pass { kOpaquePass, kBlendPass, kNbPass };

  // True when the mesh has texture vertices and its faces pick them.
  bool hasMapping() const { return !m_textureVertices.empty() && m_hasFaceMapping; }
  // Drops the faces and edge pairs that name a vertex the mesh does not have, and clamps
  // texture-vertex indices out of range to 0, with a report each; called once the record is read.
  void checkFaces();

  std::vector<S3DFace> m_faces;
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

  // --- Drawing (s3d_mesh_prepare.cpp, s3d_mesh_transform.cpp, s3d_mesh_draw.cpp) ---

  // Once after loading: faces get their sub-materials, vertices their normals, the per-frame
  // arrays are made and the faces are grouped by sub-material and pass.
  void prepareDrawing();
  // Gives every face its sub-material: the only one, or its sub-material word modulo the count.
  // Without material: "prepareMaterial: m_pMaterial NULL" and nothing assigned.
  void prepareMaterial();
  // The frame's pipeline in camera space: vertices, normals, projection, lighting, back faces.
  void transform(const S3DCamera& camera);
  // Draws the groups of one pass.
  void drawPass(S3DDrawManager& drawManager, Pass pass) const;
  // Draws one face of a group (the group's material already bound to its drawer).
  void drawFace(S3DDrawManager& drawManager, const S3DDrawGroup& group, uint32_t face) const;
  // The sub-material's drawing mode, from its layers and shading type.
  static S3DDrawMode drawModeOf(const S3DSubMaterial& subMaterial);

  // Object-space vertex normals, fixed at preparation; camera-space ones each frame.
  std::vector<Vec3> m_normals;
  std::vector<Vec3> m_cameraNormals;
  // For deformed meshes: camera-space face normals each frame, and the faces of each vertex
  // (m_vertexFaces[m_vertexFaceFirst[v]] on) with a factor that makes their sum a unit normal.
  std::vector<Vec3> m_faceNormals;
  std::vector<uint32_t> m_vertexFaceFirst;
  std::vector<uint32_t> m_vertexFaces;
  std::vector<float> m_normalFactors;
  // The "lightning" channel: the light each vertex receives this frame.
  std::unique_ptr<S3DVertexChannel> m_pLighting;

  // --- Channels (s3d_mesh_channels.cpp) ---

  // The channel of that name: "NULL" none (silently); "lightning", "softSelection",
  // "opacityMap" the built-in ones when they exist; then the generated channels, then the
  // lighting channels (the first of that name with values). Otherwise reports "Can t find valid
  // vertex channel: NAME" and gives null.
  std::vector<float>* findChannel(const StringC& name);
  // At preparation: the opacity map (when a layer asks for it), generated and lighting channels,
  // and every channel name the modifiers and operations use resolved.
  void prepareChannels();
  // Each frame before the vertices move: the opacity map from its layer's texture.
  void updateOpacityMap();
  // Each frame after the lighting: the lighting channels, then the channel operations in order.
  void updateChannels();

  // The "opacityMap" channel: (r + g + b) / 765 of the texel at each vertex's mapping coordinates
  // in the layer's texture; null when no layer asks for it. m_pOpacityMap points at its values
  // (the per-vertex alpha the drawing reads).
  std::unique_ptr<S3DVertexChannel> m_pOpacityChannel;
  const std::vector<float>* m_pOpacityMap = nullptr;
  // The layer the opacity map reads, and the texture vertex of each vertex (that of the first face
  // corner using it).
  const S3DMapLayer* m_pOpacityLayer = nullptr;
  std::vector<uint16_t> m_vertexTextureVertex;
  std::vector<S3DDrawGroup> m_groups[kNbPass];
  // The edge pairs as lines and the vertices as points, when a sub-material asks for them (built
  // with the groups). Drawn after the second pass, or with the sorted items of a sorted mesh.
  S3DLinePointLists m_lists;
  S3DItemVertices itemVertices() const { return {m_cameraVertices, m_screenVertices}; }

 protected:
  std::string_view caption() const override { return "S3DTriObject warning: "; }
};
