#pragma once
// The 3D engine's math: points, quaternions and 4 x 4 matrices, and the few operations every
// transform is made of.
//
// Convention: points are ROW vectors multiplied on the left, p' = p · M. A matrix is 16 floats row
// by row, so the translation is the fourth row (m[12], m[13], m[14]) and A · B applies A first.
// Matrices here are affine: the fourth column is always (0, 0, 0, 1).
// Spaces: object space (a mesh's vertices), world space (after the hierarchy), camera space
// (x right, y up, looking along +z), screen space (pixels, y down).

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
float length(Vec3 a);

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
// p · M with p = (x, y, z, 1).
Vec3 transformPoint(Vec3 p, const Matrix44& matrix);
// p · M without the translation row (directions, normals).
Vec3 transformVector(Vec3 v, const Matrix44& matrix);

// The angles (x, y, z) for which euler(x, y, z) is the rotation part of `matrix`:
// x = asin(m6), y = atan2(-m2, m10), z = atan2(-m4, m5) (m6 clamped to [-1, 1]).
Vec3 eulerFromMatrix(const Matrix44& matrix);

// The rotation that turns the direction from eye to target onto +z, then rolls by -roll about it:
// euler(pitch, yaw, -roll) with n = (target - eye) / max(|target - eye|, 0.001),
// yaw = -atan2(n.x, n.z), pitch = asin(n.y). (A target straight ahead on z gives yaw 0 and pitch 0,
// the identity, as the formula says.)
Matrix44 lookAtRotation(Vec3 eye, Vec3 target, float roll);
