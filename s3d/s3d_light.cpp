#include "s3d/s3d_light.h"

void S3DLight::animate(float time) {
  if (animateTrack(m_pIntensityTrack, time, m_intensity) && m_intensity < 0.0f) m_intensity = 0.0f;
  animateTrack(m_pColorTrack, time, m_color);
  animateTrack(m_pNearTrack, time, m_nearAttenuation);
  animateTrack(m_pFarTrack, time, m_farAttenuation);
  if (m_lightType == kSpot) {
    animateTrack(m_pHotspotTrack, time, m_hotspot);
    animateTrack(m_pFalloffTrack, time, m_falloff);
  }
  S3DNode::animate(time);
  m_target.animate(time);
}
