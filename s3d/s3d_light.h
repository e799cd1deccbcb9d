#pragma once
// S3DLight: a light head with a target head and the light's values.

#include <cstdint>

#include "s3d/s3d_node.h"

class S3DLight final : public S3DNode {
 public:
  enum Type : int32_t {
    kOmni = 1,      // a point light without target
    kSpot = 2,      // aimed at its target, with hotspot and falloff cones
    kDirected = 3,  // aimed at its target, lighting by the distance along its axis
  };

  // Light tracks (hotspot and falloff only for spots), then the light's head and its target's.
  // A negative intensity becomes 0.
  void animate(float time);

  S3DNode m_target;
  int32_t m_lightType = kOmni;
  Vec3 m_color{1.0f, 1.0f, 1.0f};
  float m_intensity = 1.0f;
  float m_nearAttenuation = 0.0f;
  float m_farAttenuation = 0.0f;
  // Cone angles (radians).
  float m_hotspot = 0.0f;
  float m_falloff = 0.0f;
  FloatTrack m_pIntensityTrack;
  PointTrack m_pColorTrack;
  FloatTrack m_pNearTrack;
  FloatTrack m_pFarTrack;
  FloatTrack m_pHotspotTrack;
  FloatTrack m_pFalloffTrack;
  // Placed each frame.
  Vec3 m_worldPosition{};
  Vec3 m_viewPosition{};
  Vec3 m_worldTarget{};
  Vec3 m_viewTarget{};
  // Look-at from the light to its target in camera space (aimed types).
  Matrix44 m_directionMatrix = identity();
};
