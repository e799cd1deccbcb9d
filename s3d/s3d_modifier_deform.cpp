#include "s3d/s3d_modifier_deform.h"

#include <cmath>
#include <initializer_list>

#include "image/cpu_features.h"
#include "s3d/s3d_deform_loop_bodies_p.h"
#include "s3d/s3d_gizmo_p.h"

using namespace s3d_gizmo;
using s3d_deform::activeLoops;

// The baseline table of the per-vertex loops is built here (the wider ones in
// s3d_modifier_deform_avx2.cpp and s3d_modifier_deform_avx512.cpp); each deform below runs the
// loop of the table chosen once.
namespace s3d_deform {

const Loops* loopsFor(LoopPath path) {
  switch (path) {
    case LoopPath::kBaseline:
      return &kLoops;
    case LoopPath::kAvx2:
#if defined(__x86_64__) || defined(__i386__)
      return cpuHasAvx2() ? &avx2Loops() : nullptr;
#else
      return nullptr;
#endif
    case LoopPath::kAvx512:
#if defined(__x86_64__) || defined(__i386__)
      return cpuHasAvx512Vbmi() ? &avx512Loops() : nullptr;
#else
      return nullptr;
#endif
  }
  return nullptr;
}

const Loops& activeLoops() {
  // Chosen once; a function-local static so the choice is made on first use, thread-safely.
  static const Loops* const pActive = [] {
    for (const LoopPath path : {LoopPath::kAvx512, LoopPath::kAvx2})
      if (const Loops* pLoops = loopsFor(path)) return pLoops;
    return &kLoops;
  }();
  return *pActive;
}

}  // namespace s3d_deform

namespace {

using Parameters = S3DModifierGizmo::SlotList<S3DModifierParameter>;
using Tracks = S3DModifierGizmo::SlotList<S3DModifierTrack>;

template <class Slot>
S3DModifierGizmo::SlotList<Slot> slotList(std::initializer_list<Slot> slots) {
  S3DModifierGizmo::SlotList<Slot> list;
  for (const Slot& slot : slots)
    list.slots[static_cast<std::size_t>(list.nbSlot++)] = slot;
  return list;
}

S3DModifierTrack floatTrack(uint16_t id, FloatTrack& track, float& value) {
  return {id, &track, &value, nullptr, nullptr};
}

}  // namespace

Parameters S3DModifierBend::parameters() {
  return slotList<S3DModifierParameter>({{100, &m_axis}, {101, &m_angle}, {102, &m_direction}});
}
Tracks S3DModifierBend::tracks() {
  return slotList(
      {floatTrack(301, m_pAngleTrack, m_angle), floatTrack(302, m_pDirectionTrack, m_direction)});
}

Parameters S3DModifierStretch::parameters() {
  return slotList<S3DModifierParameter>({{100, &m_axis}, {101, &m_stretch}, {102, &m_amplify}});
}
Tracks S3DModifierStretch::tracks() {
  return slotList(
      {floatTrack(301, m_pStretchTrack, m_stretch), floatTrack(302, m_pAmplifyTrack, m_amplify)});
}

Parameters S3DModifierNoise::parameters() {
  return slotList<S3DModifierParameter>({{100, &m_seed},
                                         {101, &m_fractal},
                                         {102, &m_animate},
                                         {103, &m_frequency},
                                         {104, &m_value104},
                                         {106, &m_noiseScale},
                                         {107, &m_phase},
                                         {108, &m_strength}});
}
Tracks S3DModifierNoise::tracks() {
  return slotList({floatTrack(301, m_pScaleTrack, m_noiseScale),
                   floatTrack(302, m_pPhaseTrack, m_phase),
                   S3DModifierTrack{303, nullptr, nullptr, &m_pStrengthTrack, &m_strength}});
}

Parameters S3DModifierWave::parameters() {
  return slotList<S3DModifierParameter>({{100, &m_variant},
                                         {101, &m_amp1},
                                         {102, &m_amp2},
                                         {103, &m_waveLength},
                                         {104, &m_phase},
                                         {105, &m_decay}});
}
Tracks S3DModifierWave::tracks() {
  return slotList({floatTrack(301, m_pAmp1Track, m_amp1), floatTrack(302, m_pAmp2Track, m_amp2),
                   floatTrack(303, m_pWaveLengthTrack, m_waveLength),
                   floatTrack(304, m_pPhaseTrack, m_phase),
                   floatTrack(305, m_pDecayTrack, m_decay)});
}

Parameters S3DModifierTwist::parameters() {
  return slotList<S3DModifierParameter>({{100, &m_axis}, {101, &m_angle}, {102, &m_bias}});
}
Tracks S3DModifierTwist::tracks() {
  return slotList({floatTrack(301, m_pAngleTrack, m_angle), floatTrack(302, m_pBiasTrack, m_bias)});
}

Parameters S3DModifierTaper::parameters() {
  return slotList<S3DModifierParameter>(
      {{100, &m_axis}, {101, &m_effect}, {102, &m_symmetry}, {103, &m_amount}, {104, &m_curve}});
}
Tracks S3DModifierTaper::tracks() {
  return slotList(
      {floatTrack(301, m_pAmountTrack, m_amount), floatTrack(302, m_pCurveTrack, m_curve)});
}

Parameters S3DModifierSkew::parameters() {
  return slotList<S3DModifierParameter>({{100, &m_axis}, {101, &m_amount}, {102, &m_direction}});
}
Tracks S3DModifierSkew::tracks() {
  return slotList(
      {floatTrack(301, m_pAmountTrack, m_amount), floatTrack(302, m_pDirectionTrack, m_direction)});
}

Parameters S3DModifierSpherify::parameters() {
  return slotList<S3DModifierParameter>({{100, &m_percent}});
}
Tracks S3DModifierSpherify::tracks() {
  return slotList({floatTrack(301, m_pPercentTrack, m_percent)});
}

Parameters S3DModifierMelt::parameters() {
  return slotList<S3DModifierParameter>({{100, &m_axis},
                                         {101, &m_solidityPreset},
                                         {102, &m_amount},
                                         {103, &m_spread},
                                         {104, &m_solidity}});
}
Tracks S3DModifierMelt::tracks() {
  return slotList({floatTrack(301, m_pAmountTrack, m_amount),
                   floatTrack(302, m_pSpreadTrack, m_spread),
                   floatTrack(303, m_pSolidityTrack, m_solidity)});
}

void S3DModifierSpaceWarp::animate(float time) {
  m_time = time;
  S3DModifierGizmo::animate(time);
}
Parameters S3DModifierSpaceWarp::parameters() {
  Parameters list;
  for (int i = 0; i < kNbValue; ++i)
    list.slots[static_cast<std::size_t>(list.nbSlot++)] = {static_cast<uint16_t>(100 + i),
                                                           &m_values[static_cast<std::size_t>(i)]};
  return list;
}
Tracks S3DModifierSpaceWarp::tracks() {
  Tracks list;
  for (int i = 0; i < kNbAnimated; ++i)
    list.slots[static_cast<std::size_t>(list.nbSlot++)] =
        floatTrack(static_cast<uint16_t>(300 + i), m_pValueTracks[static_cast<std::size_t>(i)],
                   m_values[static_cast<std::size_t>(i)]);
  return list;
}

// --- Bend: the y axis becomes an arc of radius R := extent / angle through the gizmo's origin.

void S3DModifierBend::prepare(const S3DCamera& camera) {
  const int axis = axisIndex(m_axis);
  const bool valid = buildGizmo(camera, multiply(axisTurn(axis), rotationY(-m_direction)));
  m_radius = std::fabs(m_angle) < 0.0001f ? 0.0f : extent(boxCorners(*this), axis) / m_angle;
  m_active = valid && m_radius != 0.0f && std::isfinite(m_radius);
}

void S3DModifierBend::deform(std::span<const Vec3> in, std::span<Vec3> out, int32_t) const {
  if (!m_active) return passThrough(in, out);
  activeLoops().bend(*this, in, out);
}

// --- Stretch: y scaled by ys, x and z by a parabola in t that is k at mid-range, 1 at the ends.

void S3DModifierStretch::prepare(const S3DCamera& camera) {
  const int axis = axisIndex(m_axis);
  const bool valid = buildGizmo(camera, axisTurn(axis));
  const Corners corners = boxCorners(*this);
  m_lower = axisComponent(corners.lo, axis);
  m_upper = axisComponent(corners.hi, axis);
  const float a = m_amplify * m_stretch;
  if (m_stretch < 0.0f) {
    m_k = 1.0f - a;
    m_scaleY = -1.0f / (m_stretch - 1.0f);
  } else {
    m_k = 1.0f / (a + 1.0f);
    m_scaleY = m_stretch + 1.0f;
  }
  m_active = valid && m_stretch != 0.0f && m_upper != m_lower &&
             allFinite({m_k, m_scaleY, m_lower, m_upper});
}

void S3DModifierStretch::deform(std::span<const Vec3> in, std::span<Vec3> out, int32_t) const {
  if (!m_active) return passThrough(in, out);
  activeLoops().stretch(*this, in, out);
}

// --- Twist: each height turns about the y axis by theta.

void S3DModifierTwist::prepare(const S3DCamera& camera) {
  const int axis = axisIndex(m_axis);
  const bool valid = buildGizmo(camera, axisTurn(axis));
  m_height = extent(boxCorners(*this), axis);
  m_anglePerUnit = m_angle / m_height;
  // The bias bends the angle's growth: theta := angle |y / height| ^ e with
  // e := log(b) / log(0.5), b := 1 - (bias + 100) 0.005 in [0.00001, 0.99999] (bias 0: e = 1).
  const float b = std::clamp(1.0f - (m_bias + 100.0f) * 0.005f, 0.00001f, 0.99999f);
  m_biasExponent = std::log(b) / std::log(0.5f);
  m_biasFlag = m_bias != 0.0f ? 1 : 0;
  // A zero height would spread any angle over no length: like a zero angle, nothing turns.
  m_active = valid && m_angle != 0.0f && m_height != 0.0f &&
             allFinite({m_angle, m_anglePerUnit, m_biasExponent});
}

void S3DModifierTwist::deform(std::span<const Vec3> in, std::span<Vec3> out, int32_t) const {
  if (!m_active) return passThrough(in, out);
  activeLoops().twist(*this, in, out);
}

// --- Taper: x and z scaled by f := t ((1 - t) curve + amount) + 1, t := y / height.

void S3DModifierTaper::prepare(const S3DCamera& camera) {
  const int axis = axisIndex(m_axis);
  const bool valid = buildGizmo(camera, axisTurn(axis));
  m_height = extent(boxCorners(*this), axis);
  m_effectX = m_effect != 2 ? 1 : 0;
  m_effectZ = m_effect != 0 ? 1 : 0;
  m_active = valid && m_height != 0.0f && (m_amount != 0.0f || m_curve != 0.0f) &&
             allFinite({m_height, m_amount, m_curve});
}

void S3DModifierTaper::deform(std::span<const Vec3> in, std::span<Vec3> out, int32_t) const {
  if (!m_active) return passThrough(in, out);
  activeLoops().taper(*this, in, out);
}

// --- Skew: x' := x + y skewFactor, the factor making the top of the box move by `amount`.

void S3DModifierSkew::prepare(const S3DCamera& camera) {
  const int axis = axisIndex(m_axis);
  // The direction turns the skew about the axis the same way Bend's direction turns the bend.
  const bool valid = buildGizmo(camera, multiply(axisTurn(axis), rotationY(-m_direction)));
  const float height = extent(boxCorners(*this), axis);
  m_skewFactor = height != 0.0f ? m_amount / height : 0.0f;
  m_active = valid && m_skewFactor != 0.0f && std::isfinite(m_skewFactor);
}

void S3DModifierSkew::deform(std::span<const Vec3> in, std::span<Vec3> out, int32_t) const {
  if (!m_active) return passThrough(in, out);
  activeLoops().skew(*this, in, out);
}

// --- Spherify: each point moves toward the sphere about the box centre by `percent`.

void S3DModifierSpherify::prepare(const S3DCamera& camera) {
  const bool valid = buildGizmo(camera, identity());
  // The sphere fits the box: its centre (in gizmo space) and half its largest extent.
  const Corners corners = boxCorners(*this);
  m_sphereCentre = transformPoint((m_boxMin + m_boxMax) * 0.5f, m_g);
  m_radius = 0.5f * std::max({std::fabs(extent(corners, 0)), std::fabs(extent(corners, 1)),
                              std::fabs(extent(corners, 2))});
  m_active = valid && m_percent != 0.0f && allFinite({m_percent, m_radius});
}

void S3DModifierSpherify::deform(std::span<const Vec3> in, std::span<Vec3> out, int32_t) const {
  if (!m_active) return passThrough(in, out);
  activeLoops().spherify(*this, in, out);
}

// --- Melt: heights above the base sink to `squash` of themselves and the fallen matter spreads
// sideways, most at the base. With m := amount / 100 (amount in percent, 1000 a puddle):
// squash := 1 / (1 + m / solidity); y' := y - max(y - base, 0) (1 - squash);
// x', z' := x, z times 1 + spread / 100 (1 - squash) (1 - u), u := (y' - base) / height in [0, 1].
// The second byte picks a solidity: 1 ice 2, 2 glass 10, 3 jelly 0.4, 4 plastic 1, any other
// value the solidity parameter (at least 0.01).

void S3DModifierMelt::prepare(const S3DCamera& camera) {
  const int axis = axisIndex(m_axis);
  const bool valid = buildGizmo(camera, axisTurn(axis));
  const Corners corners = boxCorners(*this);
  m_base = std::min(axisComponent(corners.lo, axis), axisComponent(corners.hi, axis));
  m_height = std::fabs(extent(corners, axis));
  constexpr float kPresets[] = {2.0f, 10.0f, 0.4f, 1.0f};
  const float solidity = m_solidityPreset >= 1 && m_solidityPreset <= 4
                             ? kPresets[m_solidityPreset - 1]
                             : std::max(m_solidity, 0.01f);
  m_squash = 1.0f / (1.0f + std::max(m_amount, 0.0f) * 0.01f / solidity);
  m_active = valid && m_amount > 0.0f && m_height != 0.0f &&
             allFinite({m_base, m_height, m_squash, m_spread});
}

void S3DModifierMelt::deform(std::span<const Vec3> in, std::span<Vec3> out, int32_t) const {
  if (!m_active) return passThrough(in, out);
  activeLoops().melt(*this, in, out);
}
