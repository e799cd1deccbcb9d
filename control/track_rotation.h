#pragma once
// Rotation tracks: keys given as an axis and an angle (radians), values returned as quaternions.

#include "control/track.h"

// Absolute keys, spherical linear interpolation along the short arc.
class TrackRotationLinear final : public TrackKeyed<TrackKeyRotation, Quaternion> {
 public:
  TrackRotationLinear() : TrackKeyed<TrackKeyRotation, Quaternion>(TrackType::Linear) {}
  // Makes every angle non-negative and builds the keys' quaternions.
  void prepare() override;
  Quaternion getValue(float time) const override;
};

// Relative keys (each turns on from the previous one) with TCB parameters and ease.
//
// When no key after the first has whole turns or an angle within a hair of one, the track follows
// the spherical quadrangle through the keys and their intermediate quaternions. Otherwise a
// quaternion cannot tell the turns apart, and each segment turns from the previous key about the
// next key's axis through that key's whole angle, turns included, at the eased rate: the spin is
// kept, the TCB shaping of the curve is not.
class TrackRotationTCB final : public TrackKeyed<TrackKeyRotationTCB, Quaternion> {
 public:
  TrackRotationTCB() : TrackKeyed<TrackKeyRotationTCB, Quaternion>(TrackType::TCB) {}
  // Splits off whole turns, accumulates the quaternions, chooses the path and derives the
  // intermediate quaternions. Running it again gives the same keys.
  void prepare() override;
  Quaternion getValue(float time) const override;
  // True when the quadrangle path is taken.
  bool hasQuadranglePath() const { return m_quadranglePath; }

 private:
  bool m_quadranglePath = true;
};
