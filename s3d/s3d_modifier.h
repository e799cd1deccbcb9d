#pragma once
// Modifiers: what deforms a mesh's (or a shape's) vertices each frame. S3DModifier is the base of
// every type; S3DModifierGizmo, the base of the deforming types 3 to 12, carries the gizmo (its
// own transform) in whose space the deformation works, and the bounding box of what it deforms.
//
// A modifier's chunks (after its type byte):
//   1 gizmo: 100 (101 matrix base, 102 point position, 103 point centre, 104 point scale,
//            105 angle-axis rotation), 200 (202, 203, 204 point tracks, 205 rotation track)
//   50 parameters and 201 tracks: per type, as each type's slot list says.

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <variant>

#include "base/string_c.h"
#include "s3d/s3d_math.h"
#include "s3d/s3d_track.h"

class ChunkFileReader;
class ChunkFileReaderManager;
class S3DCamera;

class S3DModifier {
 public:
  enum Type : uint8_t {
    kSkin = 1,
    kMorph = 2,
    kBend = 3,
    kStretch = 4,
    kNoise = 5,
    kWave = 6,
    kTwist = 7,
    kTaper = 8,
    kSkew = 9,
    kSpherify = 10,
    kMelt = 11,
    kSpaceWarp = 12,
  };

  explicit S3DModifier(uint8_t type) : m_type(type) {}
  virtual ~S3DModifier() = default;
  S3DModifier(const S3DModifier&) = delete;
  S3DModifier& operator=(const S3DModifier&) = delete;

  uint8_t getType() const { return m_type; }
  // True for the types with a gizmo (3 to 12).
  bool isGizmo() const { return m_type >= kBend && m_type <= kSpaceWarp; }

  // Reads the modifier's chunks: the children of `chunk`.
  virtual void load(ChunkFileReader& chunk, ChunkFileReaderManager& manager) = 0;
  // Evaluates the modifier's tracks at `time` (frames).
  virtual void animate(float time) = 0;
  // Builds what this frame's deformations need from the animated values (gizmo matrices and
  // derived values, skin matrices, the active morph targets). Runs after the hierarchy, once per
  // frame and list entry, before deform. The camera is what world-space gizmos work in.
  virtual void prepare(const S3DCamera& camera) { (void)camera; }
  // Deforms the points `in` of vertices firstIndex, firstIndex + 1, ... into `out` (the same size;
  // it may be `in` itself). A modifier with nothing to do copies.
  virtual void deform(std::span<const Vec3> in, std::span<Vec3> out, int32_t firstIndex) const;
  // One point of vertex `index`.
  Vec3 deformPoint(Vec3 p, int32_t index) const {
    Vec3 out = p;
    deform({&p, 1}, {&out, 1}, index);
    return out;
  }

 private:
  uint8_t m_type;
};

// A new modifier of `type`; null for a type that does not exist.
std::unique_ptr<S3DModifier> createModifier(int type);

// One parameter of a gizmo modifier: the child of chunk 50 that holds it and where it goes.
struct S3DModifierParameter {
  uint16_t id = 0;
  std::variant<std::monostate, uint8_t*, int32_t*, float*, Vec3*> pValue;
};

// One track of a gizmo modifier: the child of chunk 201 that holds it, and the parameter it drives.
struct S3DModifierTrack {
  uint16_t id = 0;
  FloatTrack* pFloatTrack = nullptr;
  float* pFloat = nullptr;
  PointTrack* pPointTrack = nullptr;
  Vec3* pPoint = nullptr;
};

class S3DModifierGizmo : public S3DModifier {
 public:
  static constexpr int kMaxSlot = 8;
  template <class Slot>
  struct SlotList {
    std::array<Slot, kMaxSlot> slots{};
    int nbSlot = 0;
  };

  explicit S3DModifierGizmo(uint8_t type);

  void load(ChunkFileReader& chunk, ChunkFileReaderManager& manager) override;
  // The gizmo's tracks (position, centre, scale, rotation), then the type's own.
  void animate(float time) override;

  // What a mesh hands the modifier when it is put on its stack.
  void setBox(Vec3 boxMin, Vec3 boxMax) {
    m_boxMin = boxMin;
    m_boxMax = boxMax;
  }
  void setPivot(Vec3 pivot) { m_pivot = pivot; }

  // When set, the stack hands the modifier the bounding box of the vertices it receives.
  int32_t m_usesBox = 1;
  Vec3 m_boxMin{};
  Vec3 m_boxMax{};
  Vec3 m_pivot{};
  PointTrack m_pPositionTrack;
  PointTrack m_pCentreTrack;
  PointTrack m_pScaleTrack;
  RotationTrack m_pRotationTrack;
  Matrix44 m_baseMatrix;
  Vec3 m_position{};
  Vec3 m_centre{};
  Vec3 m_scale{1.0f, 1.0f, 1.0f};
  Quat m_rotation = kIdentityQuat;
  // Object (or, world-space, camera) space to gizmo space, and back.
  Matrix44 m_g;
  Matrix44 m_h;
  // 1 for the modifier of a world-space modifier.
  uint8_t m_worldSpace = 0;
  // World-space modifiers: the world matrix of the WSModifier's head, set each frame before
  // prepare (the gizmo lives in that head's space).
  Matrix44 m_nodeMatrix = identity();

 protected:
  // This frame's G and H, with `turn` (the axis turn of the type) applied last. False when G is
  // singular or not finite (a zero gizmo scale, a NaN from a track): points then pass unchanged.
  bool buildGizmo(const S3DCamera& camera, const Matrix44& turn);
  // The type's parameters (children of chunk 50) and tracks (children of chunk 201).
  virtual SlotList<S3DModifierParameter> parameters() = 0;
  virtual SlotList<S3DModifierTrack> tracks() = 0;

 private:
  void loadGizmo(ChunkFileReader& chunk, ChunkFileReaderManager& manager);
};
