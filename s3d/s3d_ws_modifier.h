#pragma once
// WSModifier: a world-space modifier: a head (the gizmo's place in the scene) and one deforming
// modifier of type 3, 4, 5, 7, 8, 9 or 12, which works on camera-space points.

#include <memory>

#include "s3d/s3d_modifier.h"
#include "s3d/s3d_node.h"

class WSModifier final : public S3DNode {
 public:
  // True for the modifier types a world-space modifier may hold.
  static bool isAllowedType(int type);
  // The head's tracks and the modifier's.
  void animate(float time);

  // Null when the file's type is not allowed.
  std::unique_ptr<S3DModifier> m_pModifier;
};
