#pragma once
// What every deforming modifier's frame shares: the axis turn of G, the two box corners extents
// are measured on, and the loop that carries each point into gizmo space (p · G), deforms it and
// carries it back (· H). The type is chosen once per call by the virtual deform; the loop is a
// template over the type's formula, so nothing is decided per vertex.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <span>

#include "s3d/s3d_modifier.h"

namespace s3d_gizmo {

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

// out[i] := formula(in[i] · G) · H. The points go through in blocks: into gizmo space as three
// arrays of coordinates, through the formula in place, back out through H. The formula's loop
// then runs over plain float arrays, which the compiler turns into packed lanes for every formula
// without table lookups (the lanes compute exactly what the scalar code would). The matrices are
// copied to locals so the stores cannot alias them; the sums run in transformPoint's order,
// x m0 + y m4 + z m8 + m12. `in` may be `out`: a block is read whole before it is written.
template <class Formula>
void deformInGizmo(const S3DModifierGizmo& gizmo, std::span<const Vec3> in, std::span<Vec3> out,
                   Formula formula) {
  const float* pG = gizmo.m_g.m;
  const float* pH = gizmo.m_h.m;
  const float g0 = pG[0], g1 = pG[1], g2 = pG[2], g4 = pG[4], g5 = pG[5], g6 = pG[6];
  const float g8 = pG[8], g9 = pG[9], g10 = pG[10], g12 = pG[12], g13 = pG[13], g14 = pG[14];
  const float h0 = pH[0], h1 = pH[1], h2 = pH[2], h4 = pH[4], h5 = pH[5], h6 = pH[6];
  const float h8 = pH[8], h9 = pH[9], h10 = pH[10], h12 = pH[12], h13 = pH[13], h14 = pH[14];
  const std::size_t n = std::min(in.size(), out.size());
  constexpr std::size_t kBlock = 64;
  alignas(16) float xs[kBlock], ys[kBlock], zs[kBlock];
  for (std::size_t first = 0; first < n; first += kBlock) {
    const std::size_t count = std::min(kBlock, n - first);
    const Vec3* pIn = in.data() + first;
    Vec3* pOut = out.data() + first;
    for (std::size_t i = 0; i < count; ++i) {
      const Vec3 p = pIn[i];
      xs[i] = p.x * g0 + p.y * g4 + p.z * g8 + g12;
      ys[i] = p.x * g1 + p.y * g5 + p.z * g9 + g13;
      zs[i] = p.x * g2 + p.y * g6 + p.z * g10 + g14;
    }
    for (std::size_t i = 0; i < count; ++i) {
      const Vec3 q = formula(Vec3{xs[i], ys[i], zs[i]});
      xs[i] = q.x;
      ys[i] = q.y;
      zs[i] = q.z;
    }
    for (std::size_t i = 0; i < count; ++i) {
      const float x = xs[i], y = ys[i], z = zs[i];
      pOut[i] = {x * h0 + y * h4 + z * h8 + h12, x * h1 + y * h5 + z * h9 + h13,
                 x * h2 + y * h6 + z * h10 + h14};
    }
  }
}

}  // namespace s3d_gizmo
