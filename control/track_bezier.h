#pragma once
// Bezier float tracks: each side of a key has a tangent type (TrackTangent) that derives its slope
// from the neighbouring keys, holds the value, or keeps a stored slope and handle length.

#include "control/track.h"

class TrackBezier final : public TrackKeyed<TrackKeyBezier, float> {
 public:
  TrackBezier() : TrackKeyed<TrackKeyBezier, float>(TrackType::Bezier) {}
  // Derives every slope that is not Custom. The neighbours wrap around: the key before the first
  // is the last one and the key after the last is the first.
  void prepare() override;
  float getValue(float time) const override;

 private:
  // Time from key a to key b, across the end of the track when b is not after a; 0 counts as 1.
  float distance(int32_t a, int32_t b) const;
  float rawDistance(int32_t a, int32_t b) const;
  // Slopes of the parabola through a key and its two neighbours on one side.
  float smoothInSlope(int32_t i);
  float smoothOutSlope(int32_t i);
};

using TrackFloatBezier = TrackBezier;

// The largest real root in [0, 1) of a u^3 + b u^2 + c u + d = 0 (closed form); `fallback` when
// the cubic and quadratic terms vanish or no root lies there.
double solveCubicInUnit(double a, double b, double c, double d, double fallback);
