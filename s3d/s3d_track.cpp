#include "s3d/s3d_track.h"

namespace {

template <class Value, class Manager>
bool animate(const std::unique_ptr<Manager>& track, float time, Value& value, Value missing) {
  if (!track) return false;
  const Track<Value>* pCurve = track->getTrack();
  value = pCurve && pCurve->getNbKey() > 0 ? pCurve->getValue(time) : missing;
  return true;
}

}  // namespace

bool animateTrack(const FloatTrack& track, float time, float& value) {
  return animate(track, time, value, 0.0f);
}

bool animateTrack(const PointTrack& track, float time, Vec3& value) {
  return animate(track, time, value, Vec3{});
}

bool animateTrack(const RotationTrack& track, float time, Quat& value) {
  return animate(track, time, value, kIdentityQuat);
}
