#pragma once
// A scene as the importer builds it (the parts of the .l3x layout that imported models use), and
// its writer. Positions and rotations are in scene space already; key times are animation frames.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace L3xScene {

struct Point {
  float x = 0, y = 0, z = 0;
};

// An angle in radians about an axis.
struct Rotation {
  float angle = 0;
  Point axis{0, 0, 1};
};

struct PointKey {
  std::int32_t frame = 0;
  Point value;
};

struct RotationKey {
  std::int32_t frame = 0;
  Rotation value;
};

// Name, parent and transform of an object (matrixMode 1: scaling * rotation * translation).
// Empty key lists write no track; an empty parent name is written as "NULL".
struct Head {
  std::string name;
  std::string parentName;
  Point position;
  Point scale{1, 1, 1};
  Rotation rotation;
  std::vector<PointKey> positionKeys;
  std::vector<PointKey> scaleKeys;
  // Linear rotation keys: absolute rotations.
  std::vector<RotationKey> rotationKeys;
};

struct FloatKey {
  std::int32_t frame = 0;
  float value = 0;
};

// A scene matrix: rows 0 to 3 of a row-vector matrix (p' = p M), three elements each, the
// translation in row 3.
using Matrix12 = std::array<float, 12>;
inline constexpr Matrix12 kIdentity{1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};

// A bone: the object it follows (found by name) and that object's world matrix when the mesh
// was bound to it.
struct Bone {
  std::string name;
  Matrix12 bind = kIdentity;
};

struct BoneWeight {
  float weight = 0;
  std::uint16_t bone = 0;  // index into Skin::bones
};

// Skin modifier: the mesh's world matrix when bound, its bones, and per vertex its weights.
struct Skin {
  Matrix12 bind = kIdentity;
  std::vector<Bone> bones;
  std::vector<std::vector<BoneWeight>> vertices;
};

// Morph target: another mesh (found by name) of the same vertex count, and its weight.
struct MorphTarget {
  std::string name;
  float weight = 0;
  std::vector<FloatKey> weightKeys;  // linear; none for a constant weight
};

// A deforming modifier of the player's own (bend 3, wave 6, twist 7, skew 9), its gizmo the
// mesh's object space: the parameters as the type's parameter block numbers them (a byte or a
// float each), the others left at the player's defaults.
struct GizmoModifier {
  std::uint8_t type = 0;
  std::vector<std::pair<std::uint16_t, std::uint8_t>> bytes;
  std::vector<std::pair<std::uint16_t, float>> floats;
};

struct Mesh {
  Head head;
  std::uint16_t materialIndex = 0;
  std::vector<Point> vertices;
  // Empty, or one per vertex; the faces then index them as they index the vertices.
  std::vector<Point> textureVertices;
  std::vector<std::array<std::uint16_t, 3>> faces;
  // The sub-material of each face.
  std::vector<std::uint16_t> subMaterials;
  std::vector<std::string> lightNames;
  // Deformers, in the order they act: the morph (when there are targets), the skin, then the
  // gizmo modifiers in their order.
  std::vector<MorphTarget> morphTargets;
  std::optional<Skin> skin;
  std::vector<GizmoModifier> modifiers;
  // Non-zero: the mesh's see-through triangles are drawn last, farthest first, over the rest.
  std::int32_t sorted = 0;
};

struct Dummy {
  Head head;
};

struct Camera {
  Head head;
  Head target;
  float fov = 1.5707964f;  // horizontal, radians
  float nearClip = 10;
  float farClip = 100000;
};

struct Light {
  Head head;
  Head target;
  std::int32_t type = 1;  // 1 omni, 2 spot, 3 directional
  Point color{1, 1, 1};
  float intensity = 1;
  float nearAttenuation = 0;
  float farAttenuation = 1000;
  float hotspot = 0;  // radians from the axis
  float falloff = 0;
};

struct SubMaterial {
  std::string name;
  std::int32_t twoSided = 0;
  std::int32_t shadingType = 0;
  float opacity = 1;
  Point colour1, colour2, colour3;
  // The picture of the texture layer (its whole window), as the player finds it; empty: none.
  std::string texture;
  // The video of the map layer, as the player finds it; empty: none. Textured drawing takes the
  // map layer's frame before the texture layer's picture.
  std::string video;
};

struct Material {
  std::string name;
  std::vector<SubMaterial> subMaterials;
};

struct Scene {
  std::string name;
  std::uint16_t animLength = 1;
  std::vector<Mesh> meshes;
  std::vector<Dummy> dummies;
  std::vector<Camera> cameras;
  std::vector<Light> lights;
  std::vector<Material> materials;
};

// Writes `scene` as an .l3x file, packed unless packingFlag is ChunkFile::kPlain. False when the
// file cannot be opened (the writer reports why).
bool write(const Scene& scene, const std::string& fileName, std::uint8_t packingFlag);

}  // namespace L3xScene
