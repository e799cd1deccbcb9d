#pragma once
// Arithmetic shared by the track rules: segment search, the cubic Hermite basis, ease, TCB
// tangents (templates over float and Point3D, whose formulas are the same per component), and
// the quaternion operations of the rotation tracks. Single precision throughout.

#include <cmath>
#include <cstdint>

#include "control/track_key.h"

namespace track_math {

inline constexpr float kPi = 3.14159265358979f;
inline constexpr float kTwoPi = 6.28318530717959f;

// First i with time[i] <= t < time[i+1]; n - 2 when none holds (unordered keys, NaN). n >= 2.
template <class Key>
int32_t findSegmentHalfOpen(const Key* pKey, int32_t n, float t) {
  for (int32_t i = 0; i < n - 1; ++i)
    if (pKey[i].time <= t && t < pKey[i + 1].time) return i;
  return n - 2;
}

// First i with t <= time[i+1]; n - 2 when none holds. n >= 2.
template <class Key>
int32_t findSegmentClosed(const Key* pKey, int32_t n, float t) {
  for (int32_t i = 0; i < n - 1; ++i)
    if (t <= pKey[i + 1].time) return i;
  return n - 2;
}

// Cubic Hermite: h00 p0 + h10 m0 + h01 p1 + h11 m1 with
// h00 = 2s^3 - 3s^2 + 1, h10 = s^3 - 2s^2 + s, h01 = 3s^2 - 2s^3, h11 = s^3 - s^2.
template <class Value>
Value hermite(float s, const Value& p0, const Value& m0, const Value& p1, const Value& m1) {
  const float s2 = s * s;
  const float s3 = s2 * s;
  const float h00 = 2.0f * s3 - 3.0f * s2 + 1.0f;
  const float h10 = s3 - 2.0f * s2 + s;
  const float h01 = 3.0f * s2 - 2.0f * s3;
  const float h11 = s3 - s2;
  return h00 * p0 + h10 * m0 + h01 * p1 + h11 * m1;
}

// Ease of a segment: accelerates over the first `a`, decelerates over the last `b` of it (scaled
// to a + b = 1 when they add up to more), at constant speed k between. A side of 0 never takes
// its quadratic branch, so u = 1 with b = 0 stays at 1 instead of 0 / 0.
inline float ease(float u, float a, float b) {
  const float sum = a + b;
  if (sum == 0.0f) return u;
  if (sum > 1.0f) {
    a /= sum;
    b /= sum;
  }
  const float k = 1.0f / (2.0f - a - b);
  if (u < a) return k / a * u * u;
  if (u < 1.0f - b || b <= 0.0f) return k * (2.0f * u - a);
  const float rest = 1.0f - u;
  return 1.0f - k / b * rest * rest;
}

// The TCB weights of a key: tm = (1 - tension) / 2, cm = 1 - continuity, cp = 2 - cm,
// bm = 1 - bias, bp = 2 - bm.
struct TcbWeights {
  float tm, cm, cp, bm, bp;
};

inline TcbWeights tcbWeights(float tension, float continuity, float bias) {
  TcbWeights w{};
  w.tm = 0.5f * (1.0f - tension);
  w.cm = 1.0f - continuity;
  w.cp = 2.0f - w.cm;
  w.bm = 1.0f - bias;
  w.bp = 2.0f - w.bm;
  return w;
}

// Time factors of a key between P and N: the share of each neighbouring interval in half the
// span, pulled towards 1 by |continuity|.
inline void tcbTimeFactors(float timeP, float timeC, float timeN, float continuity, float& fp,
                           float& fn) {
  const float h = 0.5f * (timeN - timeP);
  fp = (timeC - timeP) / h;
  fn = (timeN - timeC) / h;
  const float c = std::fabs(continuity);
  fp = fp + c - c * fp;
  fn = fn + c - c * fn;
}

// Tangent at an end of a track of three keys or more: the slope of the parabola through the end
// key and its two neighbours, A spanning two intervals and D the nearest one.
template <class Value>
Value tcbEndTangent(const Value& a, const Value& d, float nearInterval, float span, float tension) {
  const float k = 0.25f - nearInterval / (2.0f * span) + 0.5f;
  return (1.0f - tension) * (k * a + 1.5f * (d - 0.5f * a));
}

// Kochanek-Bartels tangents of float and point TCB keys.
template <class Key>
void prepareTCB(Key* pKey, int32_t n) {
  if (n < 2) return;
  if (n == 2) {
    const auto d = pKey[1].value - pKey[0].value;
    pKey[0].outTangent = (1.0f - pKey[0].tension) * d;
    pKey[1].inTangent = (1.0f - pKey[1].tension) * d;
    return;
  }
  for (int32_t i = 1; i < n - 1; ++i) {
    const Key& p = pKey[i - 1];
    Key& c = pKey[i];
    const Key& nx = pKey[i + 1];
    float fp = 0.0f;
    float fn = 0.0f;
    tcbTimeFactors(p.time, c.time, nx.time, c.continuity, fp, fn);
    const TcbWeights w = tcbWeights(c.tension, c.continuity, c.bias);
    const auto dm = c.value - p.value;
    const auto dp = nx.value - c.value;
    c.inTangent = (w.tm * w.cm * w.bp * fp) * dm + (w.tm * w.cp * w.bm * fp) * dp;
    c.outTangent = (w.tm * w.cp * w.bp * fn) * dm + (w.tm * w.cm * w.bm * fn) * dp;
  }
  pKey[0].outTangent =
      tcbEndTangent(pKey[2].value - pKey[0].value, pKey[1].value - pKey[0].value,
                    pKey[1].time - pKey[0].time, pKey[2].time - pKey[0].time, pKey[0].tension);
  const int32_t l = n - 1;
  pKey[l].inTangent = tcbEndTangent(
      pKey[l].value - pKey[l - 2].value, pKey[l].value - pKey[l - 1].value,
      pKey[l].time - pKey[l - 1].time, pKey[l].time - pKey[l - 2].time, pKey[l].tension);
}

// --- Quaternions ---------------------------------------------------------------------------

// Rotation of `angle` about `axis`: (axis sin(angle/2), cos(angle/2)); the axis is used as given.
inline Quaternion fromAxisAngle(const Point3D& axis, float angle) {
  const float s = std::sin(0.5f * angle);
  return {axis.x * s, axis.y * s, axis.z * s, std::cos(0.5f * angle)};
}

// Hamilton product a b.
inline Quaternion multiply(const Quaternion& a, const Quaternion& b) {
  return {
      a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y, a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x,
      a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w, a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z};
}

inline float dot(const Quaternion& a, const Quaternion& b) {
  return a.x * b.x + a.y * b.y + a.z * b.z + a.w * b.w;
}

inline Quaternion weighted(float w0, const Quaternion& a, float w1, const Quaternion& b) {
  return {w0 * a.x + w1 * b.x, w0 * a.y + w1 * b.y, w0 * a.z + w1 * b.z, w0 * a.w + w1 * b.w};
}

// exp of a pure quaternion v: (v sin|v| / |v|, cos|v|); v unscaled when sin|v| is near 0.
inline Quaternion exp(const Point3D& v) {
  const float theta = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
  const float s = std::sin(theta);
  const float k = std::fabs(s) < 0.001f ? 1.0f : s / theta;
  return {k * v.x, k * v.y, k * v.z, std::cos(theta)};
}

// Spherical linear interpolation along the short arc (q1 is flipped when the dot product is
// negative); plain linear weights when the two are nearly equal. Not renormalised.
inline Quaternion slerp(const Quaternion& q0, const Quaternion& q1, float s) {
  float c = dot(q0, q1);
  float sign = 1.0f;
  if (c < 0.0f) {
    c = -c;
    sign = -1.0f;
  }
  float w0 = 1.0f - s;
  float w1 = s;
  if (1.0f - c >= 1e-6f) {
    const float theta = std::acos(c);
    const float sinTheta = std::sin(theta);
    w0 = std::sin((1.0f - s) * theta) / sinTheta;
    w1 = std::sin(s * theta) / sinTheta;
  }
  return weighted(w0, q0, sign * w1, q1);
}

// The same without the short-arc flip, for the quadrangle of the TCB rotation path. Opposite
// quaternions (sin theta near 0) divide by 0.0001 instead of 0.
inline Quaternion slerpNoFlip(const Quaternion& q0, const Quaternion& q1, float s) {
  const float c = dot(q0, q1);
  float w0 = 1.0f - s;
  float w1 = s;
  if (1.0f - c >= 1e-6f) {
    const float theta = std::acos(c < -1.0f ? -1.0f : c);
    float sinTheta = std::sin(theta);
    if (std::fabs(sinTheta) < 0.0001f) sinTheta = 0.0001f;
    w0 = std::sin((1.0f - s) * theta) / sinTheta;
    w1 = std::sin(s * theta) / sinTheta;
  }
  return weighted(w0, q0, w1, q1);
}

}  // namespace track_math
