#pragma once
// The bodies of the deforming modifiers' per-vertex loops (the table of s3d_deform_loops_p.h).
// Included by the files that build a table: everything here lives in an inline namespace named
// after the instruction set of the including file (S3D_LOOP_ISA, from s3d_gizmo_p.h), so the AVX2
// and AVX-512 files get their own copies of every inline function and template and the linker
// never hands wide code to the baseline path.
//
// The formulas are written for packed lanes: no calls, no branches on the point (selects
// instead), no table lookups in the lanes' loops (the noise lattice's lookups run in a pass of
// their own, as permutes of registers where AVX-512 VBMI has them).

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#if defined(__AVX512VBMI__)
#include <immintrin.h>
#endif

#include "s3d/s3d_deform_loops_p.h"
#include "s3d/s3d_gizmo_p.h"

namespace s3d_deform {
inline namespace S3D_LOOP_ISA {

using s3d_gizmo::deformBlocksInGizmo;
using s3d_gizmo::deformInGizmo;
using s3d_gizmo::kBlock;

// --- Bend: the y axis becomes an arc of radius R through the gizmo's origin.
// theta := pi - y / R; x' := (1 + cos theta) R - x cos theta; y' := sin theta R - x sin theta.
inline void bend(const S3DModifierBend& m, In in, Out out) {
  const float r = m.m_radius;
  deformInGizmo(m, in, out, [r](Vec3 p) {
    const float theta = kPi - p.y / r;
    float s, c;
    sinCos(theta, s, c);
    return Vec3{(1.0f + c) * r - p.x * c, s * r - p.x * s, p.z};
  });
}

// --- Stretch: t := (y - lower) / (upper - lower); x and z scaled by f := (4c t - 4c) t + 1 with
// c := 1 - k, y by ys.
inline void stretch(const S3DModifierStretch& m, In in, Out out) {
  const float lower = m.m_lower, range = m.m_upper - m.m_lower, ys = m.m_scaleY;
  const float c4 = 4.0f * (1.0f - m.m_k);
  deformInGizmo(m, in, out, [=](Vec3 p) {
    const float t = (p.y - lower) / range;
    const float f = (c4 * t - c4) * t + 1.0f;
    return Vec3{p.x * f, p.y * ys, p.z * f};
  });
}

// --- Twist: each height turns about the y axis by theta: x' := z sin theta + x cos theta;
// z' := z cos theta - x sin theta. theta := y angle / height, or with a bias
// angle |y / height| ^ e, signed like y.
inline void twist(const S3DModifierTwist& m, In in, Out out) {
  const auto turn = [](Vec3 p, float theta) {
    float s, c;
    sinCos(theta, s, c);
    return Vec3{p.z * s + p.x * c, p.y, p.z * c - p.x * s};
  };
  if (m.m_biasFlag) {
    const float angle = m.m_angle, height = m.m_height, exponent = m.m_biasExponent;
    deformInGizmo(m, in, out, [=](Vec3 p) {
      const float q = p.y / height;
      const float theta = angle * powLanes(std::fabs(q), exponent);
      return turn(p, q < 0.0f ? -theta : theta);
    });
  } else {
    const float perUnit = m.m_anglePerUnit;
    deformInGizmo(m, in, out, [=](Vec3 p) { return turn(p, p.y * perUnit); });
  }
}

// --- Taper: x and z scaled by f := t ((1 - t) curve + amount) + 1, t := y / height (|t| when
// symmetric). The symmetry and effect options pick one loop per call.
template <bool kSymmetric, bool kOnX, bool kOnZ>
void taperWith(const S3DModifierTaper& m, In in, Out out) {
  const float height = m.m_height, amount = m.m_amount, curve = m.m_curve;
  deformInGizmo(m, in, out, [=](Vec3 p) {
    float t = p.y / height;
    if constexpr (kSymmetric) t = std::fabs(t);
    const float f = t * ((1.0f - t) * curve + amount) + 1.0f;
    return Vec3{kOnX ? p.x * f : p.x, p.y, kOnZ ? p.z * f : p.z};
  });
}
inline void taper(const S3DModifierTaper& m, In in, Out out) {
  const bool onX = m.m_effectX != 0, onZ = m.m_effectZ != 0;
  if (m.m_symmetry != 0) {
    if (!onZ) return taperWith<true, true, false>(m, in, out);
    if (!onX) return taperWith<true, false, true>(m, in, out);
    return taperWith<true, true, true>(m, in, out);
  }
  if (!onZ) return taperWith<false, true, false>(m, in, out);
  if (!onX) return taperWith<false, false, true>(m, in, out);
  taperWith<false, true, true>(m, in, out);
}

// --- Skew: x' := x + y skewFactor.
inline void skew(const S3DModifierSkew& m, In in, Out out) {
  const float k = m.m_skewFactor;
  deformInGizmo(m, in, out, [k](Vec3 p) { return Vec3{p.x + p.y * k, p.y, p.z}; });
}

// --- Spherify: c' := c + (|r c| - |c|) percent sign(c), r := radius / |d|, d := p - centre
// ((1, 1, 1) at 0), the result moved back by the centre.
inline void spherify(const S3DModifierSpherify& m, In in, Out out) {
  const Vec3 centre = m.m_sphereCentre;
  const float radius = m.m_radius, percent = m.m_percent;
  const auto move = [percent](float c, float r) {
    return c + (std::fabs(r * c) - std::fabs(c)) * percent * (c < 0.0f ? -1.0f : 1.0f);
  };
  deformInGizmo(m, in, out, [=](Vec3 p) {
    Vec3 d = p - centre;
    if (d.x == 0.0f && d.y == 0.0f && d.z == 0.0f) d = {1.0f, 1.0f, 1.0f};
    const float r = radius / length(d);
    return Vec3{move(d.x, r), move(d.y, r), move(d.z, r)} + centre;
  });
}

// --- Melt: y' := y - max(y - base, 0) (1 - squash); x, z times 1 + spread / 100 (1 - squash)
// (1 - u), u := (y' - base) / height in [0, 1].
inline void melt(const S3DModifierMelt& m, In in, Out out) {
  const float base = m.m_base, height = m.m_height, fall = 1.0f - m.m_squash;
  const float spread = m.m_spread * 0.01f * fall;
  deformInGizmo(m, in, out, [=](Vec3 p) {
    const float y = p.y - std::max(p.y - base, 0.0f) * fall;
    const float u = std::clamp((y - base) / height, 0.0f, 1.0f);
    const float g = 1.0f + spread * (1.0f - u);
    return Vec3{p.x * g, y, p.z * g};
  });
}

// --- Gradient noise N(x, y) on the integer lattice.

// Far coordinates are held at +-2^22 (where floats still have a fraction), NaN at the lower
// bound, so the lattice index is always a small integer.
inline constexpr float kNoiseLimit = 4194304.0f;

// x held to [-2^22, 2^22], NaN to -2^22 (what fmin(fmax(x, -2^22), 2^22) gives, as selects).
inline float noiseClamp(float x) {
  x = x > -kNoiseLimit ? x : -kNoiseLimit;
  return x < kNoiseLimit ? x : kNoiseLimit;
}
// floor x for |x| <= 2^22: the truncation, one less where it rounded up; an integral x (-0
// included) is its own floor. Where the CPU rounds packed floats (SSE4.1 and up), std::floor
// gives the same value and lets the lattice loop run in lanes.
inline float noiseFloor(float x) {
#if defined(__SSE4_1__)
  return std::floor(x);
#else
  const float t = static_cast<float>(static_cast<int32_t>(x));
  const float f = t > x ? t - 1.0f : t;
  return x == f ? x : f;
#endif
}
// 6t^5 - 15t^4 + 10t^3: the weights' first and second derivatives vanish at the cell borders.
inline float fade(float t) {
  return t * t * t * (t * (t * 6.0f - 15.0f) + 10.0f);
}
// g · (x, y) for the gradient picked by the low three bits of `hash`: 0 (1, 1), 1 (-1, 1),
// 2 (1, -1), 3 (-1, -1), 4 (1, 0), 5 (-1, 0), 6 (0, 1), 7 (0, -1). The factors are chosen by
// selects, so the lanes need no lookup.
inline float gradientDot(uint32_t hash, float x, float y) {
  const uint32_t h = hash & 7u;
  const float sign1 = (h & 1u) != 0 ? -1.0f : 1.0f;
  const float gx = h >= 6u ? 0.0f : sign1;
  const float gy = h < 4u ? ((h & 2u) != 0 ? -1.0f : 1.0f) : h < 6u ? 0.0f : sign1;
  return gx * x + gy * y;
}

// The four corner hashes of cell (ix, iy): perm[perm[ix + i] + iy + j].
struct CellHashes {
  uint32_t h00, h10, h01, h11;
};
inline CellHashes cellHashes(const std::array<uint8_t, 512>& perm, uint32_t ix, uint32_t iy) {
  const uint32_t row0 = perm[ix], row1 = perm[ix + 1];
  return {perm[row0 + iy], perm[row1 + iy], perm[row0 + iy + 1], perm[row1 + iy + 1]};
}
// The corners' gradients at (fx, fy) in the cell, blended by the faded fractions u, v.
inline float blendCorners(const CellHashes& h, float fx, float fy, float u, float v) {
  const float n00 = gradientDot(h.h00, fx, fy);
  const float n10 = gradientDot(h.h10, fx - 1.0f, fy);
  const float n01 = gradientDot(h.h01, fx, fy - 1.0f);
  const float n11 = gradientDot(h.h11, fx - 1.0f, fy - 1.0f);
  const float bottom = n00 + (n10 - n00) * u;
  const float top = n01 + (n11 - n01) * u;
  return bottom + (top - bottom) * v;
}

// N at one point.
inline float noise2(const std::array<uint8_t, 512>& perm, float x, float y) {
  x = noiseClamp(x);
  y = noiseClamp(y);
  const float cellX = noiseFloor(x), cellY = noiseFloor(y);
  const auto ix = static_cast<uint32_t>(static_cast<int32_t>(cellX)) & 255u;
  const auto iy = static_cast<uint32_t>(static_cast<int32_t>(cellY)) & 255u;
  const float fx = x - cellX, fy = y - cellY;
  return blendCorners(cellHashes(perm, ix, iy), fx, fy, fade(fx), fade(fy));
}

// One coordinate of a block of points on the lattice: the fraction in its cell, the faded
// weight of that fraction and the cell's index on the 256-entry lattice. A point's three fields
// N(c, b), N(a, c), N(a, b) share these, so each coordinate is placed once per octave.
struct NoiseAxis {
  alignas(64) float fraction[kBlock];
  alignas(64) float weight[kBlock];
  alignas(64) uint8_t cell[kBlock];
};

// axis := the lattice place of coords[i] frequency + offset, the same operations as noise2.
inline void placeOnLattice(const float* coords, float frequency, float offset, NoiseAxis& axis,
                           std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    const float x = noiseClamp(coords[i] * frequency + offset);
    const float cell = noiseFloor(x);
    axis.fraction[i] = x - cell;
    axis.weight[i] = fade(x - cell);
    axis.cell[i] = static_cast<uint8_t>(static_cast<uint32_t>(static_cast<int32_t>(cell)) & 255u);
  }
}

// The corner hashes of a block's cells, one array per corner.
struct BlockHashes {
  alignas(64) uint8_t h00[kBlock], h10[kBlock], h01[kBlock], h11[kBlock];
};

#if defined(__AVX512VBMI__)
// perm[index] for 64 byte lanes: the 256 entries in four registers, two 128-entry permutes and
// the index's top bit choosing between them. perm is doubled, so the byte sums' wrap-around
// (row + iy + 1 past 255) picks what perm[row + iy + 1] holds.
inline __m512i latticeLookup(const __m512i (&table)[4], __m512i index) {
  const __m512i low = _mm512_permutex2var_epi8(table[0], index, table[1]);
  const __m512i high = _mm512_permutex2var_epi8(table[2], index, table[3]);
  return _mm512_mask_blend_epi8(_mm512_movepi8_mask(index), low, high);
}
#endif

// hashes := cellHashes(perm, u.cell[i], v.cell[i]) for the block.
inline void lookUpCorners(const std::array<uint8_t, 512>& perm, const NoiseAxis& u,
                          const NoiseAxis& v, BlockHashes& hashes, std::size_t count) {
#if defined(__AVX512VBMI__)
  static_assert(kBlock == 64, "a block's lattice indices fill one register");
  const __m512i table[4] = {_mm512_loadu_si512(perm.data()), _mm512_loadu_si512(perm.data() + 64),
                            _mm512_loadu_si512(perm.data() + 128),
                            _mm512_loadu_si512(perm.data() + 192)};
  const __mmask64 lanes = count >= 64 ? ~__mmask64{0} : (__mmask64{1} << count) - 1;
  const __m512i ix = _mm512_maskz_loadu_epi8(lanes, u.cell);
  const __m512i iy = _mm512_maskz_loadu_epi8(lanes, v.cell);
  const __m512i one = _mm512_set1_epi8(1);
  const __m512i row0 = _mm512_add_epi8(latticeLookup(table, ix), iy);
  const __m512i row1 = _mm512_add_epi8(latticeLookup(table, _mm512_add_epi8(ix, one)), iy);
  _mm512_store_si512(hashes.h00, latticeLookup(table, row0));
  _mm512_store_si512(hashes.h10, latticeLookup(table, row1));
  _mm512_store_si512(hashes.h01, latticeLookup(table, _mm512_add_epi8(row0, one)));
  _mm512_store_si512(hashes.h11, latticeLookup(table, _mm512_add_epi8(row1, one)));
#else
  for (std::size_t i = 0; i < count; ++i) {
    const CellHashes h = cellHashes(perm, u.cell[i], v.cell[i]);
    hashes.h00[i] = static_cast<uint8_t>(h.h00);
    hashes.h10[i] = static_cast<uint8_t>(h.h10);
    hashes.h01[i] = static_cast<uint8_t>(h.h01);
    hashes.h11[i] = static_cast<uint8_t>(h.h11);
  }
#endif
}

// sum[i] += N(u_i, v_i) amplitude for a block placed on the lattice: the lookups first, then the
// gradients and blends in lanes.
inline void addNoiseField(const std::array<uint8_t, 512>& perm, const NoiseAxis& u,
                          const NoiseAxis& v, float amplitude, float* sum, std::size_t count) {
  BlockHashes h;
  lookUpCorners(perm, u, v, h, count);
  std::size_t i = 0;
#if defined(__AVX512VBMI__)
  // Sixteen lanes at a time, the gradients' components picked by a permute of the hash's low
  // bits (gradientDot's table, repeated), then blendCorners' products and blends in its order.
  const __mmask16 all = 0xFFFF;
  const __m512 tableX = _mm512_setr_ps(1, -1, 1, -1, 1, -1, 0, 0, 1, -1, 1, -1, 1, -1, 0, 0);
  const __m512 tableY = _mm512_setr_ps(1, 1, -1, -1, 0, 0, 1, -1, 1, 1, -1, -1, 0, 0, 1, -1);
  const __m512 one = _mm512_set1_ps(1.0f), scale = _mm512_set1_ps(amplitude);
  for (; i + 16 <= count; i += 16) {
    const __m512 fx = _mm512_load_ps(u.fraction + i), fy = _mm512_load_ps(v.fraction + i);
    const __m512 fx1 = _mm512_sub_ps(fx, one), fy1 = _mm512_sub_ps(fy, one);
    const auto dot = [&](const uint8_t* hashes, __m512 x, __m512 y) {
      const __m512i hash = _mm512_maskz_cvtepu8_epi32(
          all, _mm_load_si128(reinterpret_cast<const __m128i*>(hashes + i)));
      const __m512 gx = _mm512_maskz_permutexvar_ps(all, hash, tableX);
      const __m512 gy = _mm512_maskz_permutexvar_ps(all, hash, tableY);
      return _mm512_add_ps(_mm512_mul_ps(gx, x), _mm512_mul_ps(gy, y));
    };
    const __m512 n00 = dot(h.h00, fx, fy), n10 = dot(h.h10, fx1, fy);
    const __m512 n01 = dot(h.h01, fx, fy1), n11 = dot(h.h11, fx1, fy1);
    const __m512 wu = _mm512_load_ps(u.weight + i), wv = _mm512_load_ps(v.weight + i);
    const __m512 bottom = _mm512_add_ps(n00, _mm512_mul_ps(_mm512_sub_ps(n10, n00), wu));
    const __m512 top = _mm512_add_ps(n01, _mm512_mul_ps(_mm512_sub_ps(n11, n01), wu));
    const __m512 n = _mm512_add_ps(bottom, _mm512_mul_ps(_mm512_sub_ps(top, bottom), wv));
    _mm512_storeu_ps(sum + i, _mm512_add_ps(_mm512_loadu_ps(sum + i), _mm512_mul_ps(n, scale)));
  }
#endif
  for (; i < count; ++i) {
    const float n = blendCorners({h.h00[i], h.h10[i], h.h01[i], h.h11[i]}, u.fraction[i],
                                 v.fraction[i], u.weight[i], v.weight[i]);
    sum[i] += n * amplitude;
  }
}

// --- Noise: (a, b, c) := p r + 0.5; x' := x + N(c, b) sx; y' := y + N(a, c) sy;
// z' := z + N(a, b) sz. The fractal option sums octaves of double frequency and half amplitude,
// as many as the integer parameter says (1 to 6), divided by the amplitudes' sum to stay within
// [-1, 1]: field(u, v) := sum N(u f + o, v f + o) amplitude / sum amplitude.
inline void noise(const S3DModifierNoise& m, In in, Out out) {
  const float r = m.m_reciprocalScale, o = m.m_noiseOffset;
  const Vec3 strength = m.m_strength;
  const int octaves = m.m_fractal ? std::clamp(m.m_value104, 1, 6) : 1;
  const std::array<uint8_t, 512>& perm = noisePermutation();
  deformBlocksInGizmo(m, in, out, [&](float* xs, float* ys, float* zs, std::size_t count) {
    alignas(64) float a[kBlock], b[kBlock], c[kBlock];
    alignas(64) float nx[kBlock], ny[kBlock], nz[kBlock];
    for (std::size_t i = 0; i < count; ++i) {
      a[i] = xs[i] * r + 0.5f;
      b[i] = ys[i] * r + 0.5f;
      c[i] = zs[i] * r + 0.5f;
      nx[i] = ny[i] = nz[i] = 0.0f;
    }
    NoiseAxis axisA, axisB, axisC;
    float amplitude = 1.0f, total = 0.0f, frequency = 1.0f;
    for (int octave = 0; octave < octaves; ++octave) {
      placeOnLattice(a, frequency, o, axisA, count);
      placeOnLattice(b, frequency, o, axisB, count);
      placeOnLattice(c, frequency, o, axisC, count);
      addNoiseField(perm, axisC, axisB, amplitude, nx, count);
      addNoiseField(perm, axisA, axisC, amplitude, ny, count);
      addNoiseField(perm, axisA, axisB, amplitude, nz, count);
      total += amplitude;
      amplitude *= 0.5f;
      frequency *= 2.0f;
    }
    for (std::size_t i = 0; i < count; ++i) {
      xs[i] = xs[i] + nx[i] / total * strength.x;
      ys[i] = ys[i] + ny[i] / total * strength.y;
      zs[i] = zs[i] + nz[i] / total * strength.z;
    }
  });
}

// --- Wave: y moves by A sin(2 pi (distance / L + phase)) e^(-decay distance).

inline float sine(float angle) {
  float s, c;
  sinCos(angle, s, c);
  return s;
}

// The circular variant: distance r := |(x, z)|; A blends amp1 (along +-x) into amp2 (along +-z)
// with the smoothed angle of p from the x axis.
inline void circularWave(const S3DModifierGizmo& gizmo, In in, Out out, float amp1, float amp2,
                         float length, float phase, float decay) {
  const bool even = amp1 == amp2;
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

// The linear variant: waves along z; t := (x / L)^2 blends amp1 (at x = 0) into amp2.
inline void linearWave(const S3DModifierWave& m, In in, Out out) {
  const float amp1 = m.m_amp1, amp2 = m.m_amp2, length = m.m_length, phase = m.m_phase;
  const float decay = m.m_decay;
  deformInGizmo(m, in, out, [=](Vec3 p) {
    const float t = (p.x / length) * (p.x / length);
    const float amplitude = amp2 * t + amp1 * (1.0f - t);
    return Vec3{p.x,
                p.y + amplitude * sine(2.0f * kPi * (p.z / length + phase)) *
                          expLanes(-decay * std::fabs(p.z)),
                p.z};
  });
}

// This instruction set's table.
inline constexpr Loops kLoops = {&bend,     &stretch, &twist, &taper,      &skew,
                                 &spherify, &melt,    &noise, &linearWave, &circularWave};

}  // namespace S3D_LOOP_ISA
}  // namespace s3d_deform
