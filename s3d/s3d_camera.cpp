#include "s3d/s3d_camera.h"

#include <cmath>

S3DCamera::S3DCamera() : m_viewMatrix(identity()), m_viewRotation(identity()) {
  // Slightly off the z axis, so that the default camera never looks straight along it.
  m_target.m_position = {0.00001f, 0.00001f, -100.0f};
  buildProjection();
}

void S3DCamera::setFov(float fov) {
  if (fov == m_fov) return;
  m_fov = fov;
  m_projectionDirty = true;
}

void S3DCamera::setNearClip(float nearClip) {
  m_nearClip = nearClip < kMinNearClip ? kMinNearClip : nearClip;
}

void S3DCamera::setScreen(float width, float height) {
  m_width = width;
  m_height = height;
  buildProjection();
}

void S3DCamera::buildProjection() {
  m_projectionDirty = false;
  const float f = 1.0f / std::tan(m_fov * 0.5f);
  m_scaleX = f * m_width * 0.5f;
  m_scaleY = f * m_height;
  m_centerX = m_width * 0.5f;
  m_centerY = m_height * 0.5f;
  // The side planes pass through the eye; 0.0001 radian inside keeps clipped polygons on screen.
  const float a = std::atan2(m_width * 0.5f, m_scaleX) - 0.0001f;
  const float b = std::atan2(m_height * 0.5f, m_scaleY) - 0.0001f;
  m_frustum[kNear] = {{0.0f, 0.0f, 1.0f}, m_nearClip};
  m_frustum[kFar] = {{0.0f, 0.0f, -1.0f}, m_farClip};
  m_frustum[kLeft] = {{std::cos(a), 0.0f, std::sin(a)}, 0.0f};
  m_frustum[kRight] = {{-std::cos(a), 0.0f, std::sin(a)}, 0.0f};
  m_frustum[kTop] = {{0.0f, std::cos(b), std::sin(b)}, 0.0f};
  m_frustum[kBottom] = {{0.0f, -std::cos(b), std::sin(b)}, 0.0f};
}

void S3DCamera::animate(float time) {
  float fov = m_fov;
  if (animateTrack(m_pFovTrack, time, fov)) setFov(fov);
  animateTrack(m_pRollTrack, time, m_roll);
  S3DNode::animate(time);
  m_target.animate(time);
}

void S3DCamera::updateView() {
  if (m_projectionDirty) buildProjection();
  const Vec3 eye{m_matrix.m[12], m_matrix.m[13], m_matrix.m[14]};
  const Vec3 target{m_target.m_matrix.m[12], m_target.m_matrix.m[13], m_target.m_matrix.m[14]};
  m_viewRotation = lookAtRotation(eye, target, m_roll);
  m_viewMatrix = multiply(translation(Vec3{} - eye), m_viewRotation);
}
