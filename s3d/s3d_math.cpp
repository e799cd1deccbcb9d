#include "s3d/s3d_math.h"

#include <algorithm>
#include <cmath>
#include <iterator>

Quat quaternionFromAngleAxis(float angle, Vec3 axis) {
  const float s = std::sin(angle * 0.5f);
  return {axis.x * s, axis.y * s, axis.z * s, std::cos(angle * 0.5f)};
}

Matrix44 identity() {
  return {{1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f,
           1.0f}};
}

Matrix44 translation(Vec3 t) {
  Matrix44 r = identity();
  r.m[12] = t.x;
  r.m[13] = t.y;
  r.m[14] = t.z;
  return r;
}

Matrix44 scaling(Vec3 s) {
  Matrix44 r = identity();
  r.m[0] = s.x;
  r.m[5] = s.y;
  r.m[10] = s.z;
  return r;
}

Matrix44 rotationX(float angle) {
  Matrix44 r = identity();
  const float c = std::cos(angle), s = std::sin(angle);
  r.m[5] = c;
  r.m[6] = s;
  r.m[9] = -s;
  r.m[10] = c;
  return r;
}

Matrix44 rotationY(float angle) {
  Matrix44 r = identity();
  const float c = std::cos(angle), s = std::sin(angle);
  r.m[0] = c;
  r.m[2] = -s;
  r.m[8] = s;
  r.m[10] = c;
  return r;
}

Matrix44 rotationZ(float angle) {
  Matrix44 r = identity();
  const float c = std::cos(angle), s = std::sin(angle);
  r.m[0] = c;
  r.m[1] = s;
  r.m[4] = -s;
  r.m[5] = c;
  return r;
}

Matrix44 euler(float x, float y, float z) {
  return multiply(multiply(rotationY(y), rotationX(x)), rotationZ(z));
}

Matrix44 multiply(const Matrix44& a, const Matrix44& b) {
  Matrix44 r;
  for (int row = 0; row < 4; ++row) {
    const float* pA = &a.m[row * 4];
    for (int col = 0; col < 3; ++col) {
      float sum = pA[0] * b.m[col] + pA[1] * b.m[4 + col] + pA[2] * b.m[8 + col];
      if (row == 3) sum += b.m[12 + col];
      r.m[row * 4 + col] = sum;
    }
    r.m[row * 4 + 3] = row == 3 ? 1.0f : 0.0f;
  }
  return r;
}

Matrix44 inverse(const Matrix44& matrix) {
  const float* m = matrix.m;
  // Cofactors of the 3 x 3 part, transposed: the adjugate.
  const float c0 = m[5] * m[10] - m[6] * m[9];
  const float c1 = m[2] * m[9] - m[1] * m[10];
  const float c2 = m[1] * m[6] - m[2] * m[5];
  const float c4 = m[6] * m[8] - m[4] * m[10];
  const float c5 = m[0] * m[10] - m[2] * m[8];
  const float c6 = m[2] * m[4] - m[0] * m[6];
  const float c8 = m[4] * m[9] - m[5] * m[8];
  const float c9 = m[1] * m[8] - m[0] * m[9];
  const float c10 = m[0] * m[5] - m[1] * m[4];
  const float det = m[0] * c0 + m[1] * c4 + m[2] * c8;
  const float k = det != 0.0f ? 1.0f / det : 0.0f;
  Matrix44 r = identity();
  const float adj[9] = {c0, c1, c2, c4, c5, c6, c8, c9, c10};
  for (int row = 0; row < 3; ++row)
    for (int col = 0; col < 3; ++col)
      r.m[row * 4 + col] = adj[row * 3 + col] * k;
  // The translation row: -t · inverse(3 x 3).
  for (int col = 0; col < 3; ++col)
    r.m[12 + col] = -(m[12] * r.m[col] + m[13] * r.m[4 + col] + m[14] * r.m[8 + col]);
  return r;
}

Matrix44 quaternionToMatrix(Quat q) {
  const float x = q.x, y = q.y, z = q.z, w = q.w;
  Matrix44 r = identity();
  r.m[0] = 1.0f - 2.0f * (y * y + z * z);
  r.m[1] = 2.0f * x * y - 2.0f * z * w;
  r.m[2] = 2.0f * x * z + 2.0f * y * w;
  r.m[4] = 2.0f * x * y + 2.0f * z * w;
  r.m[5] = 1.0f - 2.0f * (x * x + z * z);
  r.m[6] = 2.0f * y * z - 2.0f * x * w;
  r.m[8] = 2.0f * x * z - 2.0f * y * w;
  r.m[9] = 2.0f * y * z + 2.0f * x * w;
  r.m[10] = 1.0f - 2.0f * (x * x + y * y);
  return r;
}

Vec3 transformVector(Vec3 v, const Matrix44& matrix) {
  const float* m = matrix.m;
  return {v.x * m[0] + v.y * m[4] + v.z * m[8], v.x * m[1] + v.y * m[5] + v.z * m[9],
          v.x * m[2] + v.y * m[6] + v.z * m[10]};
}

float determinant3(const Matrix44& matrix) {
  const float* m = matrix.m;
  return m[0] * (m[5] * m[10] - m[6] * m[9]) + m[1] * (m[6] * m[8] - m[4] * m[10]) +
         m[2] * (m[4] * m[9] - m[5] * m[8]);
}

bool isFinite(const Matrix44& matrix) {
  return std::all_of(std::begin(matrix.m), std::end(matrix.m),
                     [](float v) { return std::isfinite(v); });
}

Matrix44 lookAtRotation(Vec3 eye, Vec3 target, float roll) {
  const Vec3 d = target - eye;
  const float len = std::max(length(d), 0.001f);
  const Vec3 n = d * (1.0f / len);
  // asin of a component rounded just past 1 would be NaN.
  const float ny = n.y > 1.0f ? 1.0f : n.y < -1.0f ? -1.0f : n.y;
  return euler(std::asin(ny), -std::atan2(n.x, n.z), -roll);
}

Vec3 eulerFromMatrix(const Matrix44& matrix) {
  const float* m = matrix.m;
  const float sinX = m[6] > 1.0f ? 1.0f : m[6] < -1.0f ? -1.0f : m[6];
  return {std::asin(sinX), std::atan2(-m[2], m[10]), std::atan2(-m[4], m[5])};
}
