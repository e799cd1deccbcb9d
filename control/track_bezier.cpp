// Bezier float tracks: tangent types, the cubic of a segment, and the (time, value) curve of a
// Custom side solved for its parameter in closed form.

#include "control/track_bezier.h"

#include <cmath>

#include "control/track_math_p.h"

namespace {

constexpr uint16_t kSmooth = static_cast<uint16_t>(TrackTangent::Smooth);
constexpr uint16_t kLinear = static_cast<uint16_t>(TrackTangent::Linear);
constexpr uint16_t kStep = static_cast<uint16_t>(TrackTangent::Step);
constexpr uint16_t kFast = static_cast<uint16_t>(TrackTangent::Fast);
constexpr uint16_t kSlow = static_cast<uint16_t>(TrackTangent::Slow);
constexpr uint16_t kCustom = static_cast<uint16_t>(TrackTangent::Custom);

// Discriminant tests of the cubic solver.
constexpr double kEpsilon = 1e-9;

float bernstein(float s, float p0, float p1, float p2, float p3) {
  const float r = 1.0f - s;
  return r * r * r * p0 + 3.0f * s * r * r * p1 + 3.0f * s * s * r * p2 + s * s * s * p3;
}

// A smooth curve end flattens the unused side of the end key; a stored Custom slope is kept.
void clearSlope(float& slope, uint16_t type) {
  if (type != kCustom) slope = 0.0f;
}

}  // namespace

double solveCubicInUnit(double a, double b, double c, double d, double fallback) {
  double roots[3];
  int nbRoot = 0;
  if (std::fabs(a) < kEpsilon) {
    if (std::fabs(b) < kEpsilon) return fallback;
    // b u^2 + c u + d = 0
    const double disc = c * c - 4.0 * b * d;
    if (disc < -kEpsilon) return fallback;
    const double root = disc > 0.0 ? std::sqrt(disc) : 0.0;
    roots[nbRoot++] = (-c + root) / (2.0 * b);
    roots[nbRoot++] = (-c - root) / (2.0 * b);
  } else {
    // u = v - A/3 turns u^3 + A u^2 + B u + C into v^3 + p v + q.
    const double A = b / a;
    const double B = c / a;
    const double C = d / a;
    const double p = B - A * A / 3.0;
    const double q = 2.0 * A * A * A / 27.0 - A * B / 3.0 + C;
    const double shift = -A / 3.0;
    const double disc = q * q / 4.0 + p * p * p / 27.0;
    if (std::fabs(disc) < kEpsilon) {
      if (std::fabs(q) < kEpsilon) {
        roots[nbRoot++] = shift;  // triple root
      } else {
        const double r = std::cbrt(-q / 2.0);
        roots[nbRoot++] = 2.0 * r + shift;
        roots[nbRoot++] = -r + shift;
      }
    } else if (disc > 0.0) {
      const double root = std::sqrt(disc);
      roots[nbRoot++] = std::cbrt(-q / 2.0 + root) + std::cbrt(-q / 2.0 - root) + shift;
    } else {
      // Three real roots: v = 2 sqrt(-p/3) cos(phi/3 - 2 pi k / 3).
      const double r = std::sqrt(-p / 3.0);
      double cosine = -q / (2.0 * r * r * r);
      cosine = cosine < -1.0 ? -1.0 : (cosine > 1.0 ? 1.0 : cosine);
      const double phi = std::acos(cosine);
      constexpr double kThird = 2.0943951023931957;  // 2 pi / 3
      for (int k = 0; k < 3; ++k)
        roots[nbRoot++] = 2.0 * r * std::cos(phi / 3.0 - kThird * k) + shift;
    }
  }
  double best = -1.0;
  for (int k = 0; k < nbRoot; ++k)
    if (roots[k] >= 0.0 && roots[k] < 1.0 && roots[k] > best) best = roots[k];
  return best >= 0.0 ? best : fallback;
}

float TrackBezier::rawDistance(int32_t a, int32_t b) const {
  const TrackKeyBezier* pKey = m_pKey.get();
  if (b > a) return pKey[b].time - pKey[a].time;
  return pKey[m_nbKey - 1].time + (pKey[b].time - pKey[0].time) - pKey[a].time;
}

float TrackBezier::distance(int32_t a, int32_t b) const {
  const float d = rawDistance(a, b);
  return d == 0.0f ? 1.0f : d;
}

float TrackBezier::smoothInSlope(int32_t i) {
  TrackKeyBezier* pKey = m_pKey.get();
  if (i == 1) {
    if (m_nbKey == 2) clearSlope(pKey[1].outSlope, pKey[1].outType);
    return (pKey[0].value - pKey[1].value) / distance(0, 1);
  }
  if (i < 1) return 0.0f;
  const float d1 = distance(i - 1, i);
  const float d0 = distance(i - 2, i - 1);
  const float k = d0 / (d1 + d0);
  clearSlope(pKey[m_nbKey - 1].outSlope, pKey[m_nbKey - 1].outType);
  return -((pKey[i - 1].value - pKey[i - 2].value) * (k - 1.0f) / d0 +
           (2.0f - k) / d1 * (pKey[i].value - pKey[i - 1].value));
}

float TrackBezier::smoothOutSlope(int32_t i) {
  TrackKeyBezier* pKey = m_pKey.get();
  if (i == m_nbKey - 2) return (pKey[i + 1].value - pKey[i].value) / distance(i, i + 1);
  if (i > m_nbKey - 2) return 0.0f;
  const float d0 = distance(i, i + 1);
  const float d1 = distance(i + 1, i + 2);
  const float k = d0 / (d0 + d1);
  if (i == 0) clearSlope(pKey[0].inSlope, pKey[0].inType);
  return (pKey[i + 1].value - pKey[i].value) * (k + 1.0f) / d0 -
         (pKey[i + 2].value - pKey[i + 1].value) * k / d1;
}

void TrackBezier::prepare() {
  if (!m_pKey || m_nbKey <= 0) {
    reportTrack("prepare: no key");
    return;
  }
  TrackKeyBezier* pKey = m_pKey.get();
  const int32_t n = m_nbKey;
  const int32_t last = n - 1;
  for (int32_t i = 0; i < n; ++i) {
    const int32_t prev = i == 0 ? last : i - 1;
    const int32_t next = i == last ? 0 : i + 1;
    TrackKeyBezier& key = pKey[i];
    // The slope towards a neighbour, as the in and out sides measure it.
    const float linearIn = (pKey[prev].value - key.value) / distance(prev, i);
    const float linearOut = (pKey[next].value - key.value) / distance(i, next);

    switch (key.inType) {
      case kLinear:
        key.inSlope = (i == 0 || pKey[prev].outType == kLinear) ? linearIn : smoothInSlope(i);
        break;
      case kStep:
      case kSlow:
        key.inSlope = 0.0f;
        break;
      case kFast:
        key.inSlope = 2.0f * linearIn;
        break;
      default:
        break;  // Smooth below, Custom as stored
    }
    switch (key.outType) {
      case kLinear:
        key.outSlope = (i == last || pKey[next].inType == kLinear) ? linearOut : smoothOutSlope(i);
        break;
      case kStep:
      case kSlow:
        key.outSlope = 0.0f;
        break;
      case kFast:
        key.outSlope = 2.0f * linearOut;
        break;
      default:
        break;
    }

    if (key.inType != kSmooth && key.outType != kSmooth) continue;
    const float dp = rawDistance(prev, i);
    const float dn = rawDistance(i, next);
    const bool interior = i > 0 && i < last && dp != 0.0f && dn != 0.0f;
    if (interior) {
      if (key.inType == kSmooth && key.outType == kSmooth) {
        // Both sides smooth: the time-weighted mean of the two neighbouring slopes.
        const float k = dp / (dn + dp);
        const float g = (pKey[next].value - key.value) * k / dn +
                        (key.value - pKey[prev].value) * (1.0f - k) / dp;
        key.inSlope = -g;
        key.outSlope = g;
      } else if (key.outType == kSmooth) {
        key.outSlope = key.inType == kStep ? 0.0f : -key.inSlope;
      } else {
        key.inSlope = key.outType == kStep ? 0.0f : -key.outSlope;
      }
    } else {
      if (key.outType == kSmooth) key.outSlope = i == 0 ? smoothOutSlope(0) : 0.0f;
      if (key.inType == kSmooth) key.inSlope = i == last ? smoothInSlope(last) : 0.0f;
    }
  }
}

float TrackBezier::getValue(float time) const {
  if (!hasKeysForValue()) return 0.0f;
  const TrackKeyBezier* pKey = m_pKey.get();
  const int32_t n = m_nbKey;
  if (n == 1 || time <= pKey[0].time) return pKey[0].value;
  if (time >= pKey[n - 1].time) return pKey[n - 1].value;
  const int32_t i = track_math::findSegmentClosed(pKey, n, time);
  const TrackKeyBezier& a = pKey[i];
  const TrackKeyBezier& b = pKey[i + 1];
  const float s = (time - a.time) / (b.time - a.time);

  if (b.inType == kStep || a.outType == kStep) return s == 1.0f ? b.value : a.value;

  const float dt = distance(i, i + 1);
  if (a.outType != kCustom && b.inType != kCustom) {
    const float c0 = a.value + dt / 3.0f * a.outSlope;
    const float c1 = b.value + dt / 3.0f * b.inSlope;
    return bernstein(s, a.value, c0, c1, b.value);
  }

  // A curve in (time, value): handles at the angles of the slopes, Custom sides with their stored
  // lengths, others a third of the interval. The in handle points back in time.
  const float outAngle = std::atan(a.outSlope);
  const float inAngle = std::atan(b.inSlope);
  const float outLength = a.outType == kCustom ? a.outLength : dt / 3.0f;
  const float inLength = b.inType == kCustom ? b.inLength : dt / 3.0f;
  const float x1 = a.time + outLength * std::cos(outAngle);
  const float y1 = a.value + outLength * std::sin(outAngle);
  const float x2 = b.time - inLength * std::cos(inAngle);
  const float y2 = b.value + inLength * std::sin(inAngle);

  float u = 0.0f;
  if (time == a.time) {
    u = 0.0f;
  } else if (time == b.time) {
    u = 1.0f;
  } else {
    // x(u) - time in the Bernstein form's power basis, relative to the segment start.
    const double x0 = 0.0;
    const double p1 = static_cast<double>(x1 - a.time);
    const double p2 = static_cast<double>(x2 - a.time);
    const double p3 = static_cast<double>(b.time - a.time);
    const double ca = -x0 + 3.0 * p1 - 3.0 * p2 + p3;
    const double cb = 3.0 * x0 - 6.0 * p1 + 3.0 * p2;
    const double cc = -3.0 * x0 + 3.0 * p1;
    const double cd = x0 - static_cast<double>(time - a.time);
    u = static_cast<float>(solveCubicInUnit(ca, cb, cc, cd, static_cast<double>(s)));
  }
  return bernstein(u, a.value, y1, y2, b.value);
}
