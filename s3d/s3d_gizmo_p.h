#pragma once
// What every deforming modifier's frame shares: the axis turn of G, the two box corners extents
// are measured on, and the loop that carries each point into gizmo space (p · G), deforms it and
// carries it back (· H). The type is chosen once per call by the virtual deform; the loop is a
// template over the type's formula, so nothing is decided per vertex.
//
// Everything here is inline and compiled once per build of the modifier loops (baseline, AVX2,
// AVX-512): it lives in an inline namespace named after the instruction set of the including file,
// so the wider copies of these functions never stand in for the baseline ones at link time.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <span>

#include "s3d/s3d_modifier.h"

#if defined(__AVX__)
#include <immintrin.h>
#elif defined(__SSE2__)
#include <emmintrin.h>
#endif

#if defined(__AVX512F__)
#define S3D_LOOP_ISA isa_avx512
#elif defined(__AVX2__)
#define S3D_LOOP_ISA isa_avx2
#else
#define S3D_LOOP_ISA isa_baseline
#endif

namespace s3d_gizmo {
inline namespace S3D_LOOP_ISA {

// Axis byte: 0 = X, 2 = Z, any other value Y (the default).
inline int axisIndex(uint8_t axis) {
  return axis == 0 ? 0 : axis == 2 ? 2 : 1;
}

// The turn that makes the chosen axis the gizmo's y axis: X by rotationZ(pi/2), Z by
// rotationX(-pi/2), Y none.
inline Matrix44 axisTurn(int axis) {
  return axis == 0 ? rotationZ(kPi * 0.5f) : axis == 2 ? rotationX(-kPi * 0.5f) : identity();
}

// The box corners in the base matrix's space: lo := (boxMin + pivot) · baseMatrix, hi likewise.
struct Corners {
  Vec3 lo;
  Vec3 hi;
};
inline Corners boxCorners(const S3DModifierGizmo& gizmo) {
  return {transformPoint(gizmo.m_boxMin + gizmo.m_pivot, gizmo.m_baseMatrix),
          transformPoint(gizmo.m_boxMax + gizmo.m_pivot, gizmo.m_baseMatrix)};
}
// hi - lo along `axis`.
inline float extent(const Corners& corners, int axis) {
  return axisComponent(corners.hi, axis) - axisComponent(corners.lo, axis);
}

inline bool allFinite(std::initializer_list<float> values) {
  return std::all_of(values.begin(), values.end(), [](float v) { return std::isfinite(v); });
}

// out := in (the modifier leaves the points as they are).
inline void passThrough(std::span<const Vec3> in, std::span<Vec3> out) {
  if (in.data() != out.data())
    std::copy_n(in.begin(), std::min(in.size(), out.size()), out.begin());
}

// Four points (12 floats) as their x, y and z lanes, and back. The three loads hold
// x0 y0 z0 x1 | y1 z1 x2 y2 | z2 x3 y3 z3.
#if defined(__SSE2__)
inline void loadPoints4(const Vec3* pPoints, __m128& x, __m128& y, __m128& z) {
  const float* pF = &pPoints[0].x;
  const __m128 a = _mm_loadu_ps(pF), b = _mm_loadu_ps(pF + 4), c = _mm_loadu_ps(pF + 8);
  const __m128 bc = _mm_shuffle_ps(b, c, _MM_SHUFFLE(1, 0, 3, 2));  // x2 y2 z2 x3
  x = _mm_shuffle_ps(a, bc, _MM_SHUFFLE(3, 0, 3, 0));
  y = _mm_shuffle_ps(_mm_shuffle_ps(a, b, _MM_SHUFFLE(0, 0, 1, 1)),
                     _mm_shuffle_ps(b, c, _MM_SHUFFLE(2, 2, 3, 3)), _MM_SHUFFLE(2, 0, 2, 0));
  z = _mm_shuffle_ps(_mm_shuffle_ps(a, b, _MM_SHUFFLE(1, 1, 2, 2)),
                     _mm_shuffle_ps(c, c, _MM_SHUFFLE(3, 3, 0, 0)), _MM_SHUFFLE(2, 0, 2, 0));
}
inline void storePoints4(Vec3* pPoints, __m128 x, __m128 y, __m128 z) {
  float* pF = &pPoints[0].x;
  const __m128 zx0 = _mm_shuffle_ps(z, x, _MM_SHUFFLE(1, 1, 0, 0));  // z0 z0 x1 x1
  const __m128 yz1 = _mm_shuffle_ps(y, z, _MM_SHUFFLE(1, 1, 1, 1));  // y1 y1 z1 z1
  const __m128 xy2 = _mm_shuffle_ps(x, y, _MM_SHUFFLE(2, 2, 2, 2));  // x2 x2 y2 y2
  const __m128 zx3 = _mm_shuffle_ps(z, x, _MM_SHUFFLE(3, 3, 2, 2));  // z2 z2 x3 x3
  const __m128 yz3 = _mm_shuffle_ps(y, z, _MM_SHUFFLE(3, 3, 3, 3));  // y3 y3 z3 z3
  _mm_storeu_ps(pF, _mm_shuffle_ps(_mm_unpacklo_ps(x, y), zx0, _MM_SHUFFLE(2, 0, 1, 0)));
  _mm_storeu_ps(pF + 4, _mm_shuffle_ps(yz1, xy2, _MM_SHUFFLE(2, 0, 2, 0)));
  _mm_storeu_ps(pF + 8, _mm_shuffle_ps(zx3, yz3, _MM_SHUFFLE(2, 0, 2, 0)));
}
#endif

static_assert(sizeof(Vec3) == 3 * sizeof(float), "points are read as packed floats");

// Gizmo space is worked in blocks of this many points, held as three arrays of coordinates.
inline constexpr std::size_t kBlock = 64;

// For each block of points: xs, ys, zs := in · G, blockFormula(xs, ys, zs, count) changes them in
// place, out := (xs, ys, zs) · H. The matrices are copied to locals so the stores cannot alias
// them; the sums run in transformPoint's order, x m0 + y m4 + z m8 + m12, four points at a time
// in packed lanes (each lane computes exactly what the scalar code would). `in` may be `out`: a
// block is read whole before it is written.
template <class BlockFormula>
void deformBlocksInGizmo(const S3DModifierGizmo& gizmo, std::span<const Vec3> in,
                         std::span<Vec3> out, BlockFormula blockFormula) {
  const float* pG = gizmo.m_g.m;
  const float* pH = gizmo.m_h.m;
  const float g0 = pG[0], g1 = pG[1], g2 = pG[2], g4 = pG[4], g5 = pG[5], g6 = pG[6];
  const float g8 = pG[8], g9 = pG[9], g10 = pG[10], g12 = pG[12], g13 = pG[13], g14 = pG[14];
  const float h0 = pH[0], h1 = pH[1], h2 = pH[2], h4 = pH[4], h5 = pH[5], h6 = pH[6];
  const float h8 = pH[8], h9 = pH[9], h10 = pH[10], h12 = pH[12], h13 = pH[13], h14 = pH[14];
  const std::size_t n = std::min(in.size(), out.size());
  alignas(32) float xs[kBlock], ys[kBlock], zs[kBlock];
  for (std::size_t first = 0; first < n; first += kBlock) {
    const std::size_t count = std::min(kBlock, n - first);
    const Vec3* pIn = in.data() + first;
    Vec3* pOut = out.data() + first;
    std::size_t i = 0;
#if defined(__AVX__)
    // Eight points a step: two groups of four turned into lanes, the sums in 256-bit registers.
    for (; i + 8 <= count; i += 8) {
      __m128 x0, y0, z0, x1, y1, z1;
      loadPoints4(pIn + i, x0, y0, z0);
      loadPoints4(pIn + i + 4, x1, y1, z1);
      const __m256 x = _mm256_set_m128(x1, x0), y = _mm256_set_m128(y1, y0);
      const __m256 z = _mm256_set_m128(z1, z0);
      const auto row = [&](float m0, float m4, float m8, float m12) {
        return _mm256_add_ps(_mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(x, _mm256_set1_ps(m0)),
                                                         _mm256_mul_ps(y, _mm256_set1_ps(m4))),
                                           _mm256_mul_ps(z, _mm256_set1_ps(m8))),
                             _mm256_set1_ps(m12));
      };
      _mm256_store_ps(xs + i, row(g0, g4, g8, g12));
      _mm256_store_ps(ys + i, row(g1, g5, g9, g13));
      _mm256_store_ps(zs + i, row(g2, g6, g10, g14));
    }
#endif
#if defined(__SSE2__)
    for (; i + 4 <= count; i += 4) {
      __m128 x, y, z;
      loadPoints4(pIn + i, x, y, z);
      const auto row = [&](float m0, float m4, float m8, float m12) {
        return _mm_add_ps(
            _mm_add_ps(_mm_add_ps(_mm_mul_ps(x, _mm_set1_ps(m0)), _mm_mul_ps(y, _mm_set1_ps(m4))),
                       _mm_mul_ps(z, _mm_set1_ps(m8))),
            _mm_set1_ps(m12));
      };
      _mm_store_ps(xs + i, row(g0, g4, g8, g12));
      _mm_store_ps(ys + i, row(g1, g5, g9, g13));
      _mm_store_ps(zs + i, row(g2, g6, g10, g14));
    }
#endif
    for (; i < count; ++i) {
      const Vec3 p = pIn[i];
      xs[i] = p.x * g0 + p.y * g4 + p.z * g8 + g12;
      ys[i] = p.x * g1 + p.y * g5 + p.z * g9 + g13;
      zs[i] = p.x * g2 + p.y * g6 + p.z * g10 + g14;
    }
    blockFormula(xs, ys, zs, count);
    i = 0;
#if defined(__AVX__)
    for (; i + 8 <= count; i += 8) {
      const __m256 x = _mm256_load_ps(xs + i), y = _mm256_load_ps(ys + i);
      const __m256 z = _mm256_load_ps(zs + i);
      const auto row = [&](float m0, float m4, float m8, float m12) {
        return _mm256_add_ps(_mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(x, _mm256_set1_ps(m0)),
                                                         _mm256_mul_ps(y, _mm256_set1_ps(m4))),
                                           _mm256_mul_ps(z, _mm256_set1_ps(m8))),
                             _mm256_set1_ps(m12));
      };
      const __m256 ox = row(h0, h4, h8, h12), oy = row(h1, h5, h9, h13);
      const __m256 oz = row(h2, h6, h10, h14);
      storePoints4(pOut + i, _mm256_castps256_ps128(ox), _mm256_castps256_ps128(oy),
                   _mm256_castps256_ps128(oz));
      storePoints4(pOut + i + 4, _mm256_extractf128_ps(ox, 1), _mm256_extractf128_ps(oy, 1),
                   _mm256_extractf128_ps(oz, 1));
    }
#endif
#if defined(__SSE2__)
    for (; i + 4 <= count; i += 4) {
      const __m128 x = _mm_load_ps(xs + i), y = _mm_load_ps(ys + i), z = _mm_load_ps(zs + i);
      const auto row = [&](float m0, float m4, float m8, float m12) {
        return _mm_add_ps(
            _mm_add_ps(_mm_add_ps(_mm_mul_ps(x, _mm_set1_ps(m0)), _mm_mul_ps(y, _mm_set1_ps(m4))),
                       _mm_mul_ps(z, _mm_set1_ps(m8))),
            _mm_set1_ps(m12));
      };
      storePoints4(pOut + i, row(h0, h4, h8, h12), row(h1, h5, h9, h13), row(h2, h6, h10, h14));
    }
#endif
    for (; i < count; ++i) {
      const float x = xs[i], y = ys[i], z = zs[i];
      pOut[i] = {x * h0 + y * h4 + z * h8 + h12, x * h1 + y * h5 + z * h9 + h13,
                 x * h2 + y * h6 + z * h10 + h14};
    }
  }
}

// out[i] := formula(in[i] · G) · H, the formula applied point by point over each block's arrays.
// That loop runs over plain float arrays, which the compiler turns into packed lanes for every
// formula without table lookups.
template <class Formula>
void deformInGizmo(const S3DModifierGizmo& gizmo, std::span<const Vec3> in, std::span<Vec3> out,
                   Formula formula) {
  deformBlocksInGizmo(gizmo, in, out,
                      [formula](float* xs, float* ys, float* zs, std::size_t count) {
                        for (std::size_t i = 0; i < count; ++i) {
                          const Vec3 q = formula(Vec3{xs[i], ys[i], zs[i]});
                          xs[i] = q.x;
                          ys[i] = q.y;
                          zs[i] = q.z;
                        }
                      });
}

}  // namespace S3D_LOOP_ISA
}  // namespace s3d_gizmo
