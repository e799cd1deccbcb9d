#pragma once
// S3DCamera: a camera head looking at its target's head, with the projection to a screen of
// width x height pixels and the frustum planes the clipper uses.

#include "s3d/s3d_node.h"

// A plane (n, d): the signed distance of p is n · p - d; p is inside when it is >= 0.
struct Plane {
  Vec3 n{};
  float d = 0.0f;
};

class S3DCamera final : public S3DNode {
 public:
  enum FrustumPlane { kNear, kFar, kLeft, kRight, kTop, kBottom, kNbFrustumPlane };
  static constexpr float kDefaultFov = 1.5707964f;
  static constexpr float kMinNearClip = 1.0f;

  S3DCamera();

  // Marks the projection for rebuilding when the field of view (radians, horizontal) changes.
  void setFov(float fov);
  float getFov() const { return m_fov; }
  // Values below 1.0 are stored as 1.0.
  void setNearClip(float nearClip);
  void setFarClip(float farClip) { m_farClip = farClip; }
  void setRoll(float roll) { m_roll = roll; }
  // A new screen size rebuilds the projection at once.
  void setScreen(float width, float height);
  // scaleX = f · width / 2 and scaleY = f · height with f = 1 / tan(fov / 2); the centre is half
  // the screen; the frustum follows. Clears the dirty flag.
  void buildProjection();
  // fov track, roll track, then the camera's head and its target's head.
  void animate(float time);
  // Once a frame after the hierarchy: the projection when marked, then the view looking from
  // the camera's world origin at its target's: viewMatrix = translation(-eye) · R, R the
  // look-at rotation with the roll.
  void updateView();

  S3DNode m_target;
  float m_roll = 0.0f;
  float m_fov = kDefaultFov;
  bool m_projectionDirty = true;
  float m_nearClip = 10.0f;
  float m_farClip = 100000.0f;
  FloatTrack m_pFovTrack;
  FloatTrack m_pRollTrack;
  Plane m_frustum[kNbFrustumPlane];
  // World to camera space, and its rotation part.
  Matrix44 m_viewMatrix;
  Matrix44 m_viewRotation;
  float m_scaleX = 0.0f;
  float m_scaleY = 0.0f;
  float m_width = 512.0f;
  float m_height = 256.0f;
  float m_centerX = 256.0f;
  float m_centerY = 128.0f;
};
