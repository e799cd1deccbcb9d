#pragma once
// The 3D engine's math: points, quaternions and 4 x 4 matrices, and the few operations every
// transform is made of.
//
// Convention: points are ROW vectors multiplied on the left, p' = p · M. A matrix is 16 floats row
// by row, so the translation is the fourth row (m[12], m[13], m[14]) and A · B applies A first.
// Matrices here are affine: the fourth column is always (0, 0, 0, 1).
// Spaces: object space (a mesh's vertices), world space (after the hierarchy), camera space
// (x right, y up, looking along +z), screen space (pixels, y down).

#include <bit>
#include <cmath>
#include <cstdint>

#include "control/track_key.h"

using Vec3 = Point3D;
using Quat = Quaternion;

struct Matrix44 {
  float m[16];
};

inline constexpr float kPi = 3.14159265f;

inline Vec3 operator*(Vec3 a, float k) {
  return {a.x * k, a.y * k, a.z * k};
}
inline float dot(Vec3 a, Vec3 b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline Vec3 cross(Vec3 a, Vec3 b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
// Inline so that loops over points (spherify) keep their packed lanes.
inline float length(Vec3 a) {
  return std::sqrt(dot(a, a));
}

// The identity rotation.
inline constexpr Quat kIdentityQuat{0.0f, 0.0f, 0.0f, 1.0f};
// (x sin(angle/2), y sin(angle/2), z sin(angle/2), cos(angle/2)); the axis is used as given.
Quat quaternionFromAngleAxis(float angle, Vec3 axis);

Matrix44 identity();
// I with row 3 = (t, 1).
Matrix44 translation(Vec3 t);
// diag(s, 1).
Matrix44 scaling(Vec3 s);
Matrix44 rotationX(float angle);
Matrix44 rotationY(float angle);
Matrix44 rotationZ(float angle);
// rotationY(y) · rotationX(x) · rotationZ(z).
Matrix44 euler(float x, float y, float z);
// A · B of two affine matrices (the 3 x 3 part and the translation row; column 4 = 0 0 0 1).
Matrix44 multiply(const Matrix44& a, const Matrix44& b);
// Inverse of an affine matrix by cofactors of its 3 x 3 part; a singular part gives the zero
// 3 x 3 part (and the negated translation through it), never a division by zero.
Matrix44 inverse(const Matrix44& matrix);
// m0 = 1 - 2(y² + z²), m1 = 2xy - 2zw, m2 = 2xz + 2yw, m4 = 2xy + 2zw, m5 = 1 - 2(x² + z²),
// m6 = 2yz - 2xw, m8 = 2xz - 2yw, m9 = 2yz + 2xw, m10 = 1 - 2(x² + y²).
Matrix44 quaternionToMatrix(Quat q);
// p · M with p = (x, y, z, 1). Inline: the per-vertex loops (skin bones) call it several times
// a vertex.
inline Vec3 transformPoint(Vec3 p, const Matrix44& matrix) {
  const float* m = matrix.m;
  return {p.x * m[0] + p.y * m[4] + p.z * m[8] + m[12],
          p.x * m[1] + p.y * m[5] + p.z * m[9] + m[13],
          p.x * m[2] + p.y * m[6] + p.z * m[10] + m[14]};
}
// p · M without the translation row (directions, normals).
Vec3 transformVector(Vec3 v, const Matrix44& matrix);
// The determinant of the 3 x 3 part.
float determinant3(const Matrix44& matrix);
// True when all 16 elements are finite.
bool isFinite(const Matrix44& matrix);
// Sine and cosine of one float angle together, written without calls or branches so that loops
// over many angles (the modifiers' per-vertex turns) vectorise, and the same on every machine.
// The angle is reduced by the nearest multiple q of pi/2 (pi/2 in three parts, Cody-Waite), then
// the minimax polynomials of sin and cos on [-pi/4, pi/4] are swapped and negated by q mod 4.
// Within a few float ulps of sin and cos for |angle| < 10^4; far beyond the result means nothing
// (NaN gives NaN).
inline void sinCos(float angle, float& sine, float& cosine) {
  // No comparison and no float-to-int conversion (bit operations instead): loops around it
  // vectorise, and NaN or huge angles cannot reach undefined behaviour.
  const float a = angle;
  // Adding 1.5 * 2^23 rounds a * 2/pi to the nearest integer q; the float's low mantissa bits
  // are then q mod 4 (two's complement).
  const float shifted = a * 0.63661977f + 12582912.0f;
  const float q = shifted - 12582912.0f;
  const uint32_t quadrant = std::bit_cast<uint32_t>(shifted);
  const float r = ((a - q * 1.5703125f) - q * 4.8375129699707031e-4f) - q * 7.5497899548918821e-8f;
  const float r2 = r * r;
  const float s =
      r + r * r2 * (-1.6666654611e-1f + r2 * (8.3321608736e-3f + r2 * -1.9515295891e-4f));
  const float c =
      1.0f - 0.5f * r2 +
      r2 * r2 *
          (4.166664568298827e-2f + r2 * (-1.388731625493765e-3f + r2 * 2.443315711809948e-5f));
  // Odd quadrants swap sin and cos; quadrants 2, 3 negate the sine, 1, 2 the cosine.
  const uint32_t odd = 0u - (quadrant & 1u);
  const uint32_t sBits = std::bit_cast<uint32_t>(s), cBits = std::bit_cast<uint32_t>(c);
  sine = std::bit_cast<float>(((cBits & odd) | (sBits & ~odd)) ^ ((quadrant & 2u) << 30));
  cosine = std::bit_cast<float>(((sBits & odd) | (cBits & ~odd)) ^ (((quadrant + 1u) & 2u) << 30));
}

// e^x, log x, x^y and acos x in the same manner as sinCos: polynomials and bit operations only,
// so that the per-vertex loops of the wave and twist modifiers run in packed lanes and give the
// same bytes on every machine. Within a few float ulps of the library functions.

// e^x = 2^k e^r with k the nearest integer to x / ln 2 and |r| <= ln 2 / 2. x is held to
// [-87.3, 88.3], where 2^k stays a normal float (NaN gives NaN).
inline float expLanes(float x) {
  x = x < -87.3f ? -87.3f : x;
  x = x > 88.3f ? 88.3f : x;
  const float shifted = x * 1.44269504f + 12582912.0f;
  const float k = shifted - 12582912.0f;
  const float r = (x - k * 0.693359375f) - k * -2.12194440e-4f;
  const float r2 = r * r;
  // 1 + r + r^2 Q(r), Q of degree 5 evaluated in pairs (Estrin): a shorter chain of dependent
  // operations than one multiply-add after another, so that the lanes of several points overlap.
  const float r4 = r2 * r2;
  const float q =
      ((5.0000001201e-1f + 1.6666665459e-1f * r) + (4.1665795894e-2f + 8.3334519073e-3f * r) * r2) +
      (1.3981999507e-3f + 1.9875691500e-4f * r) * r4;
  const float p = (q * r2 + r) + 1.0f;
  // The low bits of `shifted` hold k (two's complement); 2^k is (k + 127) in the exponent field.
  const uint32_t scale = ((std::bit_cast<uint32_t>(shifted) + 127u) & 0xFFu) << 23;
  return p * std::bit_cast<float>(scale);
}

// log x for x > 0 (normal floats): x = m 2^e with m in [sqrt(1/2), sqrt 2), log x = log m + e ln 2.
// Zero, negative and subnormal inputs give a large negative number, never NaN from the bits.
inline float logLanes(float x) {
  const uint32_t bits = std::bit_cast<uint32_t>(x > 1.17549435e-38f ? x : 1.17549435e-38f);
  // m in [0.5, 1) from the mantissa; below sqrt(1/2) it is doubled and e lowered.
  float m = std::bit_cast<float>((bits & 0x007FFFFFu) | 0x3F000000u);
  float e = static_cast<float>(static_cast<int32_t>((bits >> 23) & 0xFFu) - 126);
  const bool low = m < 0.707106781f;
  e = low ? e - 1.0f : e;
  m = low ? m + m - 1.0f : m - 1.0f;
  const float z = m * m;
  // m z P(m), P of degree 8 evaluated in pairs (Estrin, as in expLanes).
  const float z2 = z * z;
  const float z4 = z2 * z2;
  const float lowPart =
      (3.3333331174e-1f - 2.4999993993e-1f * m) + (2.0000714765e-1f - 1.6668057665e-1f * m) * z;
  const float highPart =
      (1.4249322787e-1f - 1.2420140846e-1f * m) + (1.1676998740e-1f - 1.1514610310e-1f * m) * z;
  float y = ((lowPart + highPart * z2) + 7.0376836292e-2f * z4) * m * z;
  y += -2.12194440e-4f * e;
  y += -0.5f * z;
  return (m + y) + 0.693359375f * e;
}

// x^y for x >= 0: e^(y log x), and 0 for x = 0 (y > 0 in every use).
inline float powLanes(float x, float y) {
  const float p = expLanes(y * logLanes(x));
  return x > 0.0f ? p : 0.0f;
}

// acos x for x in [-1, 1]: pi/2 - asin x, asin by its odd polynomial in x^2 for |x| <= 1/2 and
// through asin |x| = pi/2 - 2 asin(sqrt((1 - |x|) / 2)) above.
inline float acosLanes(float x) {
  const float a = std::fabs(x);
  const bool high = a > 0.5f;
  const float z = high ? 0.5f * (1.0f - a) : a * a;
  const float s = high ? std::sqrt(z) : a;
  const float p =
      ((((4.2163199048e-2f * z + 2.4181311049e-2f) * z + 4.5470025998e-2f) * z + 7.4953002686e-2f) *
           z +
       1.6666752422e-1f) *
          z * s +
      s;
  const float asinA = high ? 1.57079633f - (p + p) : p;
  return 1.57079633f - (x < 0.0f ? -asinA : asinA);
}

// Component `axis` of p: 0 = x, 1 = y, anything else = z.
inline float axisComponent(Vec3 p, int axis) {
  return axis == 0 ? p.x : axis == 1 ? p.y : p.z;
}

// The angles (x, y, z) for which euler(x, y, z) is the rotation part of `matrix`:
// x = asin(m6), y = atan2(-m2, m10), z = atan2(-m4, m5) (m6 clamped to [-1, 1]).
Vec3 eulerFromMatrix(const Matrix44& matrix);

// The rotation that turns the direction from eye to target onto +z, then rolls by -roll about it:
// euler(pitch, yaw, -roll) with n = (target - eye) / max(|target - eye|, 0.001),
// yaw = -atan2(n.x, n.z), pitch = asin(n.y). (A target straight ahead on z gives yaw 0 and pitch 0,
// the identity, as the formula says.)
Matrix44 lookAtRotation(Vec3 eye, Vec3 target, float roll);
