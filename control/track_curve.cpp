// Linear, hermite and TCB rules of float and point tracks.

#include "control/track_curve.h"

#include <algorithm>

#include "control/track_math_p.h"

namespace {

// Segment parameter of a linear or hermite segment: a zero-length interval (only unordered keys
// give one) is reported and taken as 1e-7 ms.
template <class Key>
float segmentParameter(const Key* pKey, int32_t i, float time) {
  float d = pKey[i + 1].time - pKey[i].time;
  if (d == 0.0f) {
    reportTrack("interval equal to 0");
    d = 1e-7f;
  }
  return (time - pKey[i].time) / d;
}

// The first and last keys hold their values outside the track; -1 when inside.
template <class Key>
int32_t clampedKey(const Key* pKey, int32_t n, float time) {
  if (n == 1 || time <= pKey[0].time) return 0;
  if (time >= pKey[n - 1].time) return n - 1;
  return -1;
}

}  // namespace

template <class Value>
Value TrackLinear<Value>::getValue(float time) const {
  if (!this->hasKeysForValue()) return Value{};
  const TrackKey<Value>* pKey = this->m_pKey.get();
  const int32_t n = this->m_nbKey;
  if (const int32_t k = clampedKey(pKey, n, time); k >= 0) return pKey[k].value;
  const int32_t i = track_math::findSegmentHalfOpen(pKey, n, time);
  const float s = segmentParameter(pKey, i, time);
  return (1.0f - s) * pKey[i].value + s * pKey[i + 1].value;
}

template <class Value>
Value TrackHermite<Value>::getValue(float time) const {
  if (!this->hasKeysForValue()) return Value{};
  const TrackKey<Value>* pKey = this->m_pKey.get();
  const int32_t n = this->m_nbKey;
  if (const int32_t k = clampedKey(pKey, n, time); k >= 0) return pKey[k].value;
  const int32_t i = track_math::findSegmentHalfOpen(pKey, n, time);
  const float s = segmentParameter(pKey, i, time);
  const Value& p0 = pKey[i].value;
  const Value& p1 = pKey[i + 1].value;
  const Value m0 = 0.5f * (p1 - pKey[std::max(i - 1, 0)].value);
  const Value m1 = 0.5f * (pKey[std::min(i + 2, n - 1)].value - p0);
  return track_math::hermite(s, p0, m0, p1, m1);
}

template <class Value>
void TrackTCB<Value>::prepare() {
  if (!this->m_pKey || this->m_nbKey <= 0) {
    reportTrack("prepare: no key");
    return;
  }
  track_math::prepareTCB(this->m_pKey.get(), this->m_nbKey);
}

template <class Value>
Value TrackTCB<Value>::getValue(float time) const {
  if (!this->hasKeysForValue()) return Value{};
  const TrackKeyTCB<Value>* pKey = this->m_pKey.get();
  const int32_t n = this->m_nbKey;
  if (const int32_t k = clampedKey(pKey, n, time); k >= 0) return pKey[k].value;
  const int32_t i = track_math::findSegmentClosed(pKey, n, time);
  const TrackKeyTCB<Value>& a = pKey[i];
  const TrackKeyTCB<Value>& b = pKey[i + 1];
  const float s = (time - a.time) / (b.time - a.time);
  const float u = track_math::ease(s, a.easeFrom, b.easeTo);
  return track_math::hermite(u, a.value, a.outTangent, b.value, b.inTangent);
}

template class TrackLinear<float>;
template class TrackLinear<Point3D>;
template class TrackHermite<float>;
template class TrackHermite<Point3D>;
template class TrackTCB<float>;
template class TrackTCB<Point3D>;
