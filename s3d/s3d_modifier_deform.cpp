#include "s3d/s3d_modifier_deform.h"

#include <initializer_list>

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
