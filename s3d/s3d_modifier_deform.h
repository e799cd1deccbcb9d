#pragma once
// The deforming modifiers, types 3 to 12: their parameters, as read from chunk 50, and the tracks
// of chunk 201 that animate them. Axis bytes: 0 = X, 1 = Y, 2 = Z (a file without one deforms
// along Y). Derived values are computed when the modifier prepares a frame; deform then carries
// each point into gizmo space (p · G), applies the type's formula and carries it back (· H).

#include "s3d/s3d_modifier.h"

// The noise of S3DModifierNoise: two-dimensional gradient noise at (u + offset, v + offset) over a
// permutation table shuffled once with CrtRand's default seed, so every machine draws the same
// noise. C2-continuous, 0 at every integer lattice point, within [-1, 1].
float gradientNoise(float u, float v, float offset);

class S3DModifierBend final : public S3DModifierGizmo {
 public:
  S3DModifierBend() : S3DModifierGizmo(kBend) {}
  void prepare(const S3DCamera& camera) override;
  void deform(std::span<const Vec3> in, std::span<Vec3> out, int32_t firstIndex) const override;
  uint8_t m_axis = 1;
  float m_angle = 0.0f;
  float m_direction = 0.0f;
  FloatTrack m_pAngleTrack;
  FloatTrack m_pDirectionTrack;
  float m_radius = 0.0f;  // derived
  // Derived: false when the parameters leave every point unchanged (or G is singular).
  bool m_active = false;

 protected:
  SlotList<S3DModifierParameter> parameters() override;
  SlotList<S3DModifierTrack> tracks() override;
};

class S3DModifierStretch final : public S3DModifierGizmo {
 public:
  S3DModifierStretch() : S3DModifierGizmo(kStretch) {}
  void prepare(const S3DCamera& camera) override;
  void deform(std::span<const Vec3> in, std::span<Vec3> out, int32_t firstIndex) const override;
  uint8_t m_axis = 1;
  float m_stretch = 0.0f;
  float m_amplify = 0.0f;
  FloatTrack m_pStretchTrack;
  FloatTrack m_pAmplifyTrack;
  float m_lower = 0.0f;  // derived: bounds along the axis
  float m_upper = 0.0f;
  float m_k = 1.0f;  // derived: the x and z factor at mid-range, and the y factor
  float m_scaleY = 1.0f;
  // Derived: false when the parameters leave every point unchanged (or G is singular).
  bool m_active = false;

 protected:
  SlotList<S3DModifierParameter> parameters() override;
  SlotList<S3DModifierTrack> tracks() override;
};

class S3DModifierNoise final : public S3DModifierGizmo {
 public:
  S3DModifierNoise() : S3DModifierGizmo(kNoise) {}
  void prepare(const S3DCamera& camera) override;
  void deform(std::span<const Vec3> in, std::span<Vec3> out, int32_t firstIndex) const override;
  // Strengths x, y and z at once.
  void setStrength(float strength) { m_strength = {strength, strength, strength}; }

  uint8_t m_seed = 0;
  uint8_t m_fractal = 0;
  uint8_t m_animate = 0;
  float m_frequency = 0.0f;
  int32_t m_value104 = 0;
  float m_noiseScale = 100.0f;
  float m_phase = 0.0f;
  Vec3 m_strength{};
  FloatTrack m_pScaleTrack;
  FloatTrack m_pPhaseTrack;
  PointTrack m_pStrengthTrack;
  float m_reciprocalScale = 0.0f;  // derived
  float m_noiseOffset = 0.0f;      // derived
  // Derived: false when the parameters leave every point unchanged (or G is singular).
  bool m_active = false;

 protected:
  SlotList<S3DModifierParameter> parameters() override;
  SlotList<S3DModifierTrack> tracks() override;
};

class S3DModifierWave final : public S3DModifierGizmo {
 public:
  S3DModifierWave() : S3DModifierGizmo(kWave) {}
  void prepare(const S3DCamera& camera) override;
  void deform(std::span<const Vec3> in, std::span<Vec3> out, int32_t firstIndex) const override;
  // 0: circular waves around the gizmo's axis; any other value: linear waves along z.
  uint8_t m_variant = 0;
  float m_amp1 = 0.0f;
  float m_amp2 = 0.0f;
  float m_waveLength = 0.0f;
  float m_phase = 0.0f;
  float m_decay = 0.0f;
  FloatTrack m_pAmp1Track;
  FloatTrack m_pAmp2Track;
  FloatTrack m_pWaveLengthTrack;
  FloatTrack m_pPhaseTrack;
  FloatTrack m_pDecayTrack;
  float m_length = 0.0001f;  // derived: the wave length, 0 replaced by 0.0001
  // Derived: false when the parameters leave every point unchanged (or G is singular).
  bool m_active = false;

 protected:
  SlotList<S3DModifierParameter> parameters() override;
  SlotList<S3DModifierTrack> tracks() override;
};

class S3DModifierTwist final : public S3DModifierGizmo {
 public:
  S3DModifierTwist() : S3DModifierGizmo(kTwist) {}
  void prepare(const S3DCamera& camera) override;
  void deform(std::span<const Vec3> in, std::span<Vec3> out, int32_t firstIndex) const override;
  uint8_t m_axis = 1;
  float m_angle = 0.0f;
  float m_bias = 0.0f;
  FloatTrack m_pAngleTrack;
  FloatTrack m_pBiasTrack;
  float m_height = 0.0f;        // derived
  float m_anglePerUnit = 0.0f;  // derived
  float m_biasExponent = 1.0f;  // derived
  int32_t m_biasFlag = 0;       // derived
  // Derived: false when the parameters leave every point unchanged (or G is singular).
  bool m_active = false;

 protected:
  SlotList<S3DModifierParameter> parameters() override;
  SlotList<S3DModifierTrack> tracks() override;
};

class S3DModifierTaper final : public S3DModifierGizmo {
 public:
  S3DModifierTaper() : S3DModifierGizmo(kTaper) {}
  void prepare(const S3DCamera& camera) override;
  void deform(std::span<const Vec3> in, std::span<Vec3> out, int32_t firstIndex) const override;
  uint8_t m_axis = 1;
  // 0: x only, 2: z only, any other value: both.
  uint8_t m_effect = 1;
  uint8_t m_symmetry = 0;
  float m_amount = 0.0f;
  float m_curve = 0.0f;
  FloatTrack m_pAmountTrack;
  FloatTrack m_pCurveTrack;
  float m_height = 0.0f;  // derived
  int32_t m_effectX = 1;  // derived
  int32_t m_effectZ = 1;  // derived
  // Derived: false when the parameters leave every point unchanged (or G is singular).
  bool m_active = false;

 protected:
  SlotList<S3DModifierParameter> parameters() override;
  SlotList<S3DModifierTrack> tracks() override;
};

class S3DModifierSkew final : public S3DModifierGizmo {
 public:
  S3DModifierSkew() : S3DModifierGizmo(kSkew) {}
  void prepare(const S3DCamera& camera) override;
  void deform(std::span<const Vec3> in, std::span<Vec3> out, int32_t firstIndex) const override;
  uint8_t m_axis = 1;
  float m_amount = 0.0f;
  float m_direction = 0.0f;
  FloatTrack m_pAmountTrack;
  FloatTrack m_pDirectionTrack;
  float m_skewFactor = 0.0f;  // derived
  // Derived: false when the parameters leave every point unchanged (or G is singular).
  bool m_active = false;

 protected:
  SlotList<S3DModifierParameter> parameters() override;
  SlotList<S3DModifierTrack> tracks() override;
};

class S3DModifierSpherify final : public S3DModifierGizmo {
 public:
  S3DModifierSpherify() : S3DModifierGizmo(kSpherify) {}
  void prepare(const S3DCamera& camera) override;
  void deform(std::span<const Vec3> in, std::span<Vec3> out, int32_t firstIndex) const override;
  float m_percent = 0.0f;
  FloatTrack m_pPercentTrack;
  float m_radius = 0.0f;  // derived
  Vec3 m_sphereCentre{};  // derived
  // Derived: false when the parameters leave every point unchanged (or G is singular).
  bool m_active = false;

 protected:
  SlotList<S3DModifierParameter> parameters() override;
  SlotList<S3DModifierTrack> tracks() override;
};

class S3DModifierMelt final : public S3DModifierGizmo {
 public:
  S3DModifierMelt() : S3DModifierGizmo(kMelt) {}
  void prepare(const S3DCamera& camera) override;
  void deform(std::span<const Vec3> in, std::span<Vec3> out, int32_t firstIndex) const override;
  uint8_t m_axis = 1;
  uint8_t m_solidityPreset = 0;
  float m_amount = 0.0f;
  float m_spread = 0.0f;
  float m_solidity = 1.0f;
  FloatTrack m_pAmountTrack;
  FloatTrack m_pSpreadTrack;
  FloatTrack m_pSolidityTrack;
  float m_base = 0.0f;    // derived: the lower bound along the axis, where the melt rests
  float m_height = 0.0f;  // derived: the extent along the axis
  float m_squash = 1.0f;  // derived: what remains of each height above the base
  // Derived: false when the parameters leave every point unchanged (or G is singular).
  bool m_active = false;

 protected:
  SlotList<S3DModifierParameter> parameters() override;
  SlotList<S3DModifierTrack> tracks() override;
};

class S3DModifierSpaceWarp final : public S3DModifierGizmo {
 public:
  static constexpr int kNbValue = 8;
  static constexpr int kNbAnimated = 6;
  S3DModifierSpaceWarp() : S3DModifierGizmo(kSpaceWarp) {}
  void prepare(const S3DCamera& camera) override;
  void deform(std::span<const Vec3> in, std::span<Vec3> out, int32_t firstIndex) const override;
  // Remembers the time: the warp's effect depends on it.
  void animate(float time) override;

  // Chunks 100 to 107; tracks 300 to 305 drive the first six. The warp is a ripple running
  // out from the gizmo's y axis: amp1, amp2, wave length, phase, decay, speed (phase turns per
  // frame); the last two only size the gizmo in the editor.
  enum Value { kAmp1, kAmp2, kWaveLength, kPhase, kDecay, kSpeed };
  std::array<float, kNbValue> m_values{};
  std::array<FloatTrack, kNbAnimated> m_pValueTracks;
  float m_time = 0.0f;
  float m_length = 0.0001f;  // derived: the wave length, 0 replaced by 0.0001
  float m_wavePhase = 0.0f;  // derived: phase + speed · time
  // Derived: false when the parameters leave every point unchanged (or G is singular).
  bool m_active = false;

 protected:
  SlotList<S3DModifierParameter> parameters() override;
  SlotList<S3DModifierTrack> tracks() override;
};
