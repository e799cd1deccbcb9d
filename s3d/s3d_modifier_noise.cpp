// The modifiers that move points by a field: Noise (gradient noise), Wave (circular or linear
// waves along y) and SpaceWarp (a ripple that runs with time).

#include <array>
#include <cmath>
#include <cstdint>

#include "control/crt_rand.h"
#include "s3d/s3d_deform_loop_bodies_p.h"
#include "s3d/s3d_gizmo_p.h"
#include "s3d/s3d_modifier_deform.h"

using namespace s3d_gizmo;
using s3d_deform::activeLoops;

namespace {

struct NoiseTable {
  std::array<uint8_t, 512> perm{};
  NoiseTable() {
    std::array<uint8_t, 256> p{};
    for (int i = 0; i < 256; ++i)
      p[static_cast<std::size_t>(i)] = static_cast<uint8_t>(i);
    // Fisher-Yates with the portable generator: j := rand() % (i + 1) from the top down.
    CrtRand rand;
    for (int i = 255; i > 0; --i)
      std::swap(p[static_cast<std::size_t>(i)], p[static_cast<std::size_t>(rand.rand() % (i + 1))]);
    for (std::size_t i = 0; i < 512; ++i)
      perm[i] = p[i & 255u];
  }
};

}  // namespace

const std::array<uint8_t, 512>& s3d_deform::noisePermutation() {
  static const NoiseTable table;
  return table.perm;
}

float gradientNoise(float u, float v, float offset) {
  return s3d_deform::noise2(s3d_deform::noisePermutation(), u + offset, v + offset);
}

// --- Noise: each component moves by N of the other two, times its strength.

void S3DModifierNoise::prepare(const S3DCamera& camera) {
  const bool valid = buildGizmo(camera, identity());
  m_reciprocalScale = m_noiseScale == 0.0f ? 0.00001f : 1.0f / m_noiseScale;
  // The seed hash: the seed's lattice entry, times the golden ratio so neighbouring seeds land on
  // unrelated cells.
  m_noiseOffset = static_cast<float>(s3d_deform::noisePermutation()[m_seed]) * 1.618034f;
  if (m_animate) m_noiseOffset += m_frequency * m_phase * 0.19999999f;
  m_active =
      valid && !(m_strength == Vec3{}) &&
      allFinite({m_reciprocalScale, m_noiseOffset, m_strength.x, m_strength.y, m_strength.z});
}

void S3DModifierNoise::deform(std::span<const Vec3> in, std::span<Vec3> out, int32_t) const {
  if (!m_active) return passThrough(in, out);
  activeLoops().noise(*this, in, out);
}

// --- Wave: y moves by A sin(2 pi (distance / L + phase)) e^(-decay distance).

void S3DModifierWave::prepare(const S3DCamera& camera) {
  const bool valid = buildGizmo(camera, identity());
  m_length = m_waveLength == 0.0f ? 0.0001f : m_waveLength;
  m_active = valid && (m_amp1 != 0.0f || m_amp2 != 0.0f) &&
             allFinite({m_amp1, m_amp2, m_length, m_phase, m_decay});
}

void S3DModifierWave::deform(std::span<const Vec3> in, std::span<Vec3> out, int32_t) const {
  if (!m_active) return passThrough(in, out);
  if (m_variant == 0)
    return activeLoops().circularWave(*this, in, out, m_amp1, m_amp2, m_length, m_phase, m_decay);
  activeLoops().linearWave(*this, in, out);
}

// --- SpaceWarp: the circular wave, its phase advancing by `speed` turns a frame.

void S3DModifierSpaceWarp::prepare(const S3DCamera& camera) {
  const bool valid = buildGizmo(camera, identity());
  const float length = m_values[kWaveLength];
  m_length = length == 0.0f ? 0.0001f : length;
  m_wavePhase = m_values[kPhase] + m_values[kSpeed] * m_time;
  m_active = valid && (m_values[kAmp1] != 0.0f || m_values[kAmp2] != 0.0f) &&
             allFinite({m_values[kAmp1], m_values[kAmp2], m_length, m_wavePhase, m_values[kDecay]});
}

void S3DModifierSpaceWarp::deform(std::span<const Vec3> in, std::span<Vec3> out, int32_t) const {
  if (!m_active) return passThrough(in, out);
  activeLoops().circularWave(*this, in, out, m_values[kAmp1], m_values[kAmp2], m_length,
                             m_wavePhase, m_values[kDecay]);
}
