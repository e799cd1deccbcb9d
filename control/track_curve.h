#pragma once
// Linear, hermite and TCB tracks of floats and points. The point tracks apply the float formulas
// per component; one template serves both.

#include "control/track.h"

// Straight segments: (1 - s) v[i] + s v[i+1].
template <class Value>
class TrackLinear final : public TrackKeyed<TrackKey<Value>, Value> {
 public:
  TrackLinear() : TrackKeyed<TrackKey<Value>, Value>(TrackType::Linear) {}
  void prepare() override {}
  Value getValue(float time) const override;
};

// Uniform Catmull-Rom: the tangent at a key is half the difference of its neighbours (an end
// key stands in for its missing neighbour), not scaled by the interval lengths.
template <class Value>
class TrackHermite final : public TrackKeyed<TrackKey<Value>, Value> {
 public:
  TrackHermite() : TrackKeyed<TrackKey<Value>, Value>(TrackType::Hermite) {}
  void prepare() override {}
  Value getValue(float time) const override;
};

// Kochanek-Bartels tangents from tension, continuity and bias, with ease in and out of keys.
template <class Value>
class TrackTCB final : public TrackKeyed<TrackKeyTCB<Value>, Value> {
 public:
  TrackTCB() : TrackKeyed<TrackKeyTCB<Value>, Value>(TrackType::TCB) {}
  void prepare() override;
  Value getValue(float time) const override;
};

using TrackFloatLinear = TrackLinear<float>;
using TrackFloatHermite = TrackHermite<float>;
using TrackFloatTCB = TrackTCB<float>;
using TrackPoint3DLinear = TrackLinear<Point3D>;
using TrackPoint3DHermite = TrackHermite<Point3D>;
using TrackPoint3DTCB = TrackTCB<Point3D>;

extern template class TrackLinear<float>;
extern template class TrackLinear<Point3D>;
extern template class TrackHermite<float>;
extern template class TrackHermite<Point3D>;
extern template class TrackTCB<float>;
extern template class TrackTCB<Point3D>;
