#pragma once
// S3DNode: the head every scene object starts with (name, parent, animated transform), and
// S3DDummy, an object that is nothing but a head (bones, helpers).

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/string_c.h"
#include "s3d/s3d_math.h"
#include "s3d/s3d_track.h"

class S3DNode {
 public:
  // matrixMode value of a full transform; any other value is translation only.
  static constexpr uint8_t kFullTransform = 1;

  S3DNode();
  virtual ~S3DNode();
  S3DNode(S3DNode&&) noexcept;
  S3DNode& operator=(S3DNode&&) noexcept;

  void setPosition(Vec3 position) {
    m_position = position;
    m_dirty = 1;
  }
  void setScale(Vec3 scale) {
    m_scale = scale;
    m_dirty = 1;
  }
  void setRotation(Quat rotation) {
    m_rotation = rotation;
    m_dirty = 1;
  }
  void setMatrixMode(uint8_t mode) {
    m_matrixMode = mode;
    m_dirty = 1;
  }

  // Evaluates the head's own tracks at `time` (frames); every value set marks the head dirty.
  void animate(float time);
  // Rebuilds the local matrix from the fields: mode 1 scaling · rotation · translation (and
  // rotationMatrix), any other mode translation only (rotationMatrix the identity). Clears the
  // dirty flag.
  void buildMatrix();

  // The head's name and its parent's ("NULL" or empty: none).
  StringC m_name{"NULL"};
  StringC m_parentName{"NULL"};
  // A fixed offset from the file; the modifier gizmos copy it. Not part of the matrix.
  Vec3 m_pivot{};
  Quat m_rotation = kIdentityQuat;
  Vec3 m_position{};
  Vec3 m_scale{1.0f, 1.0f, 1.0f};
  PointTrack m_pPositionTrack;
  PointTrack m_pScaleTrack;
  RotationTrack m_pRotationTrack;
  // Local matrix, replaced by the world matrix each frame (object to world space).
  Matrix44 m_matrix;
  // Rotation part only, replaced by the world rotation each frame.
  Matrix44 m_rotationMatrix;
  uint8_t m_matrixMode = kFullTransform;
  uint8_t m_dirty = 1;
  // Resolved after loading; null when the object has no parent.
  S3DNode* m_pParent = nullptr;
};

// A transform-only object.
class S3DDummy final : public S3DNode {};

// True when `name` can name an object: it has text and is not "NULL".
bool isObjectName(const StringC& name);

// The heads of `candidates` (each with its m_pParent found) ordered so that a parent comes before
// its children, in one depth-first pass up each chain of parents. A chain that comes back to
// itself is a cycle: `onCycle` gets its names ("A -> B -> A"), and its heads lose their parents
// and are left out.
std::vector<S3DNode*> orderParentsFirst(const std::vector<S3DNode*>& candidates,
                                        const std::function<void(const std::string&)>& onCycle);
