#include "s3d/s3d_node.h"

S3DNode::S3DNode() : m_matrix(identity()), m_rotationMatrix(identity()) {}
S3DNode::~S3DNode() = default;
S3DNode::S3DNode(S3DNode&&) noexcept = default;
S3DNode& S3DNode::operator=(S3DNode&&) noexcept = default;

void S3DNode::animate(float time) {
  if (animateTrack(m_pPositionTrack, time, m_position)) m_dirty = 1;
  if (animateTrack(m_pScaleTrack, time, m_scale)) m_dirty = 1;
  if (animateTrack(m_pRotationTrack, time, m_rotation)) m_dirty = 1;
}

void S3DNode::buildMatrix() {
  if (m_matrixMode == kFullTransform) {
    m_rotationMatrix = quaternionToMatrix(m_rotation);
    m_matrix = multiply(multiply(scaling(m_scale), m_rotationMatrix), translation(m_position));
  } else {
    // Reset rather than kept: the hierarchy multiplies it by the parent's rotation every frame,
    // and a kept one would spin further at each frame.
    m_rotationMatrix = identity();
    m_matrix = translation(m_position);
  }
  m_dirty = 0;
}

bool isObjectName(const StringC& name) {
  return !name.isEmpty() && !name.view().empty() && name.view() != "NULL";
}
