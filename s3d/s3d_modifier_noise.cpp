// The modifiers that move points by a field: Noise (gradient noise), Wave (circular or linear
// waves along y) and SpaceWarp (a ripple that runs with time).

#include <array>
#include <cmath>
#include <cstdint>

#include "control/crt_rand.h"
#include "s3d/s3d_gizmo_p.h"
#include "s3d/s3d_modifier_deform.h"

using namespace s3d_gizmo;

namespace {

// The lattice: 256 entries shuffled once, doubled so perm[perm[i] + j] needs no wrap.
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

const NoiseTable& noiseTable() {
  static const NoiseTable table;
  return table;
}

// g · (x, y) for the gradient picked by `hash`: one of (±1, ±1), (±1, 0), (0, ±1). Read from
// two small tables rather than a switch: the hashes are random, so a jump per corner would be
// mispredicted half the time.
inline float gradientDot(uint32_t hash, float x, float y) {
  static constexpr float kX[8] = {1.0f, -1.0f, 1.0f, -1.0f, 1.0f, -1.0f, 0.0f, 0.0f};
  static constexpr float kY[8] = {1.0f, 1.0f, -1.0f, -1.0f, 0.0f, 0.0f, 1.0f, -1.0f};
  return kX[hash & 7u] * x + kY[hash & 7u] * y;
}

// 6t^5 - 15t^4 + 10t^3: the weights' first and second derivatives vanish at the cell borders.
inline float fade(float t) {
  return t * t * t * (t * (t * 6.0f - 15.0f) + 10.0f);
}

// Far coordinates are held at +-2^22 (where floats still have a fraction), NaN at the lower
// bound (fmax returns the number), so the lattice index is always a small integer.
constexpr float kNoiseLimit = 4194304.0f;

float noise2(const std::array<uint8_t, 512>& perm, float x, float y) {
  x = std::fmin(std::fmax(x, -kNoiseLimit), kNoiseLimit);
  y = std::fmin(std::fmax(y, -kNoiseLimit), kNoiseLimit);
  const float cellX = std::floor(x), cellY = std::floor(y);
  const float fx = x - cellX, fy = y - cellY;
  const auto ix = static_cast<uint32_t>(static_cast<int32_t>(cellX)) & 255u;
  const auto iy = static_cast<uint32_t>(static_cast<int32_t>(cellY)) & 255u;
  const uint32_t row0 = perm[ix], row1 = perm[ix + 1];
  const float n00 = gradientDot(perm[row0 + iy], fx, fy);
  const float n10 = gradientDot(perm[row1 + iy], fx - 1.0f, fy);
  const float n01 = gradientDot(perm[row0 + iy + 1], fx, fy - 1.0f);
  const float n11 = gradientDot(perm[row1 + iy + 1], fx - 1.0f, fy - 1.0f);
  const float u = fade(fx), v = fade(fy);
  const float bottom = n00 + (n10 - n00) * u;
  const float top = n01 + (n11 - n01) * u;
  return bottom + (top - bottom) * v;
}

}  // namespace

float gradientNoise(float u, float v, float offset) {
  return noise2(noiseTable().perm, u + offset, v + offset);
}

// --- Noise: each component moves by N of the other two, times its strength.

void S3DModifierNoise::prepare(const S3DCamera& camera) {
  const bool valid = buildGizmo(camera, identity());
  m_reciprocalScale = m_noiseScale == 0.0f ? 0.00001f : 1.0f / m_noiseScale;
  // The seed hash: the seed's lattice entry, times the golden ratio so neighbouring seeds land on
  // unrelated cells.
  m_noiseOffset = static_cast<float>(noiseTable().perm[m_seed]) * 1.618034f;
  if (m_animate) m_noiseOffset += m_frequency * m_phase * 0.19999999f;
  m_active =
      valid && !(m_strength == Vec3{}) &&
      allFinite({m_reciprocalScale, m_noiseOffset, m_strength.x, m_strength.y, m_strength.z});
}

void S3DModifierNoise::deform(std::span<const Vec3> in, std::span<Vec3> out, int32_t) const {
  if (!m_active) return passThrough(in, out);
  const float r = m_reciprocalScale, o = m_noiseOffset;
  const Vec3 strength = m_strength;
  // The fractal option sums octaves of double frequency and half amplitude, as many as the
  // integer parameter says (1 to 6), divided by the amplitudes' sum to stay within [-1, 1].
  const int octaves = m_fractal ? std::clamp(m_value104, 1, 6) : 1;
  const std::array<uint8_t, 512>& perm = noiseTable().perm;
  const auto field = [octaves, o, &perm](float u, float v) {
    float sum = 0.0f, amplitude = 1.0f, total = 0.0f, frequency = 1.0f;
    for (int i = 0; i < octaves; ++i) {
      sum += noise2(perm, u * frequency + o, v * frequency + o) * amplitude;
      total += amplitude;
      amplitude *= 0.5f;
      frequency *= 2.0f;
    }
    return sum / total;
  };
  // (a, b, c) := p r + 0.5; x' := x + N(c, b) sx; y' := y + N(a, c) sy; z' := z + N(a, b) sz.
  deformInGizmo(*this, in, out, [=](Vec3 p) {
    const float a = p.x * r + 0.5f, b = p.y * r + 0.5f, c = p.z * r + 0.5f;
    return Vec3{p.x + field(c, b) * strength.x, p.y + field(a, c) * strength.y,
                p.z + field(a, b) * strength.z};
  });
}

// --- Wave: y moves by A sin(2 pi (distance / L + phase)) e^(-decay distance).

namespace {

inline float sine(float angle) {
  float s, c;
  sinCos(angle, s, c);
  return s;
}

// The circular variant: distance r := |(x, z)|; A blends amp1 (along +-x) into amp2 (along +-z)
// with the smoothed angle of p from the x axis.
void circularWave(const S3DModifierGizmo& gizmo, std::span<const Vec3> in, std::span<Vec3> out,
                  float amp1, float amp2, float length, float phase, float decay) {
  const bool even = amp1 == amp2;
  // Written as selects rather than branches, so the loop runs in packed lanes.
  deformInGizmo(gizmo, in, out, [=](Vec3 p) {
    const float r = std::sqrt(p.x * p.x + p.z * p.z);
    const float norm = std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z);
    // acos of a ratio rounded just past 1 would be NaN.
    const float ratio = std::min(std::max(p.x / norm, -1.0f), 1.0f);
    float u = acosLanes(ratio) / kPi;
    u = u > 0.5f ? 1.0f - u : u;
    float s = 2.0f * u;
    s = s <= 0.0f ? 0.0f : s >= 1.0f ? 1.0f : s * s * (3.0f - 2.0f * s);
    const float amplitude = even || norm == 0.0f ? amp1 : amp2 * s + amp1 * (1.0f - s);
    return Vec3{
        p.x, p.y + amplitude * sine(2.0f * kPi * (r / length + phase)) * expLanes(-decay * r), p.z};
  });
}

}  // namespace

void S3DModifierWave::prepare(const S3DCamera& camera) {
  const bool valid = buildGizmo(camera, identity());
  m_length = m_waveLength == 0.0f ? 0.0001f : m_waveLength;
  m_active = valid && (m_amp1 != 0.0f || m_amp2 != 0.0f) &&
             allFinite({m_amp1, m_amp2, m_length, m_phase, m_decay});
}

void S3DModifierWave::deform(std::span<const Vec3> in, std::span<Vec3> out, int32_t) const {
  if (!m_active) return passThrough(in, out);
  if (m_variant == 0)
    return circularWave(*this, in, out, m_amp1, m_amp2, m_length, m_phase, m_decay);
  // Linear: waves along z; t := (x / L)^2 blends amp1 (at x = 0) into amp2.
  const float amp1 = m_amp1, amp2 = m_amp2, length = m_length, phase = m_phase, decay = m_decay;
  deformInGizmo(*this, in, out, [=](Vec3 p) {
    const float t = (p.x / length) * (p.x / length);
    const float amplitude = amp2 * t + amp1 * (1.0f - t);
    return Vec3{p.x,
                p.y + amplitude * sine(2.0f * kPi * (p.z / length + phase)) *
                          expLanes(-decay * std::fabs(p.z)),
                p.z};
  });
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
  circularWave(*this, in, out, m_values[kAmp1], m_values[kAmp2], m_length, m_wavePhase,
               m_values[kDecay]);
}
