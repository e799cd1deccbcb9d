// Rotation tracks: spherical linear, and TCB on quaternions (spherical quadrangle path, or the
// turn-keeping path when keys turn a full circle or more).

#include "control/track_rotation.h"

#include <cmath>

#include "control/track_math_p.h"

namespace {

using namespace track_math;

// The largest remaining angle that still lets the quadrangle path tell rotations apart.
constexpr float kMaxQuadrangleAngle = 6.265732f;
// Whole turns are counted in an int; angles beyond this many are not meaningful in a float.
constexpr float kMaxTurns = 1.0e6f;

// A negative angle turns the other way about the opposite axis.
template <class Key>
void makeAngleNonNegative(Key& key) {
  if (key.angle < 0.0f) {
    key.angle = -key.angle;
    key.axis = -1.0f * key.axis;
  }
}

// Half the key's angle folded into [-pi/2, pi/2): the logarithm's length of its rotation,
// pi/2 for a key with whole turns.
float halfAngleLog(const TrackKeyRotationTCB& key) {
  if (key.nbTurn != 0) return 0.5f * kPi;
  const float half = 0.5f * key.angle;
  return half >= 0.5f * kPi ? half - kPi : half;
}

}  // namespace

void TrackRotationLinear::prepare() {
  if (!m_pKey || m_nbKey <= 0) {
    reportTrack("prepare: no key");
    return;
  }
  for (int32_t i = 0; i < m_nbKey; ++i) {
    TrackKeyRotation& key = m_pKey.get()[i];
    makeAngleNonNegative(key);
    key.quaternion = fromAxisAngle(key.axis, key.angle);
  }
}

Quaternion TrackRotationLinear::getValue(float time) const {
  if (!hasKeysForValue()) return Quaternion{};
  const TrackKeyRotation* pKey = m_pKey.get();
  const int32_t n = m_nbKey;
  if (n == 1 || time <= pKey[0].time) return pKey[0].quaternion;
  if (time >= pKey[n - 1].time) return pKey[n - 1].quaternion;
  const int32_t i = findSegmentHalfOpen(pKey, n, time);
  float d = pKey[i + 1].time - pKey[i].time;
  if (d == 0.0f) {
    reportTrack("interval equal to 0");
    d = 1e-7f;
  }
  return slerp(pKey[i].quaternion, pKey[i + 1].quaternion, (time - pKey[i].time) / d);
}

void TrackRotationTCB::prepare() {
  if (!m_pKey || m_nbKey <= 0) {
    reportTrack("prepare: no key");
    return;
  }
  TrackKeyRotationTCB* pKey = m_pKey.get();
  const int32_t n = m_nbKey;
  m_quadranglePath = true;
  for (int32_t i = 0; i < n; ++i) {
    TrackKeyRotationTCB& key = pKey[i];
    // Whole angle first, so that preparing twice splits the same turns off again.
    key.angle += static_cast<float>(key.nbTurn) * kTwoPi;
    makeAngleNonNegative(key);
    float turns = std::floor(key.angle / kTwoPi);
    if (!(turns < kMaxTurns)) turns = turns == turns ? kMaxTurns : 0.0f;  // huge or NaN
    key.nbTurn = static_cast<int32_t>(turns);
    key.angle -= turns * kTwoPi;
    key.quaternion = fromAxisAngle(key.axis, key.angle);
    if (i > 0) {
      key.quaternion = multiply(pKey[i - 1].quaternion, key.quaternion);
      if (key.nbTurn != 0 || key.angle > kMaxQuadrangleAngle) m_quadranglePath = false;
    }
  }

  // Intermediate quaternions: the TCB tangent taken in the logarithms of the relative rotations.
  for (int32_t i = 0; i < n; ++i) {
    TrackKeyRotationTCB& c = pKey[i];
    const bool hasPrev = i > 0;
    const bool hasNext = i < n - 1;
    Point3D lp = halfAngleLog(c) * c.axis;
    Point3D ln = hasNext ? halfAngleLog(pKey[i + 1]) * pKey[i + 1].axis : lp;
    if (!hasPrev) lp = ln;
    float fp = 1.0f;
    float fn = 1.0f;
    if (hasPrev && hasNext)
      tcbTimeFactors(pKey[i - 1].time, c.time, pKey[i + 1].time, c.continuity, fp, fn);
    const TcbWeights w = tcbWeights(c.tension, c.continuity, c.bias);
    const Point3D aLog =
        0.5f * ((w.tm * w.cm * w.bm * fn - 1.0f) * ln + (w.tm * w.cp * w.bp * fn) * lp);
    const Point3D bLog =
        0.5f * ((1.0f - w.tm * w.cm * w.bp * fp) * lp - (w.tm * w.cp * w.bm * fp) * ln);
    c.outgoing = multiply(c.quaternion, track_math::exp(aLog));
    c.incoming = multiply(c.quaternion, track_math::exp(bLog));
  }
}

Quaternion TrackRotationTCB::getValue(float time) const {
  if (!hasKeysForValue()) return Quaternion{};
  const TrackKeyRotationTCB* pKey = m_pKey.get();
  const int32_t n = m_nbKey;
  if (n == 1 || time <= pKey[0].time) return pKey[0].quaternion;
  if (time >= pKey[n - 1].time) return pKey[n - 1].quaternion;
  const int32_t i = findSegmentClosed(pKey, n, time);
  const TrackKeyRotationTCB& a = pKey[i];
  const TrackKeyRotationTCB& b = pKey[i + 1];
  const float s = (time - a.time) / (b.time - a.time);
  const float u = ease(s, a.easeFrom, b.easeTo);
  if (m_quadranglePath) {
    const Quaternion keys = slerpNoFlip(a.quaternion, b.quaternion, u);
    const Quaternion handles = slerpNoFlip(a.outgoing, b.incoming, u);
    return slerpNoFlip(keys, handles, 2.0f * u * (1.0f - u));
  }
  // Turn-keeping path: from key i about key i+1's axis through u of its whole angle.
  const float angle = b.angle + static_cast<float>(b.nbTurn) * kTwoPi;
  return multiply(a.quaternion, fromAxisAngle(b.axis, u * angle));
}
