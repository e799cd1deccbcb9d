#include "tools/import_math.h"

#include <cmath>

namespace ImportMath {

AngleAxis toAngleAxis(const Quat& q) {
  const double length = std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w);
  if (!(length > 0) || !std::isfinite(length)) return {};
  // q and -q are the same rotation: the one with w >= 0 turns by at most half a turn.
  const double sign = q.w < 0 ? -1.0 : 1.0;
  const Vec3 v{sign * q.x / length, sign * q.y / length, sign * q.z / length};
  const double w = sign * q.w / length;
  const double sine = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
  if (sine < 1e-12) return {};
  // atan2 keeps the angle exact near 0 and near half a turn, where acos(w) would not.
  return {2 * std::atan2(sine, w), {v.x / sine, v.y / sine, v.z / sine}};
}

Quat quaternionOf(const double (&r)[3][3]) {
  // The scene formula: m0 = 1 - 2(y² + z²), m1 = 2xy - 2zw, m2 = 2xz + 2yw, m4 = 2xy + 2zw,
  // m5 = 1 - 2(x² + z²), m6 = 2yz - 2xw, m8 = 2xz - 2yw, m9 = 2yz + 2xw, m10 = 1 - 2(x² + y²).
  // So m9 - m6 = 4xw, m2 - m8 = 4yw, m4 - m1 = 4zw, trace = 4w² - 1, and the largest of w, x, y,
  // z is taken from the diagonal first (Shepperd), the others from the sums and differences.
  const double trace = r[0][0] + r[1][1] + r[2][2];
  Quat q;
  if (trace > 0) {
    q.w = std::sqrt(1 + trace) / 2;
    q.x = (r[2][1] - r[1][2]) / (4 * q.w);
    q.y = (r[0][2] - r[2][0]) / (4 * q.w);
    q.z = (r[1][0] - r[0][1]) / (4 * q.w);
  } else if (r[0][0] >= r[1][1] && r[0][0] >= r[2][2]) {
    q.x = std::sqrt(std::fmax(0.0, 1 + r[0][0] - r[1][1] - r[2][2])) / 2;
    q.w = (r[2][1] - r[1][2]) / (4 * q.x);
    q.y = (r[0][1] + r[1][0]) / (4 * q.x);
    q.z = (r[0][2] + r[2][0]) / (4 * q.x);
  } else if (r[1][1] >= r[2][2]) {
    q.y = std::sqrt(std::fmax(0.0, 1 - r[0][0] + r[1][1] - r[2][2])) / 2;
    q.w = (r[0][2] - r[2][0]) / (4 * q.y);
    q.x = (r[0][1] + r[1][0]) / (4 * q.y);
    q.z = (r[1][2] + r[2][1]) / (4 * q.y);
  } else {
    q.z = std::sqrt(std::fmax(0.0, 1 - r[0][0] - r[1][1] + r[2][2])) / 2;
    q.w = (r[1][0] - r[0][1]) / (4 * q.z);
    q.x = (r[0][2] + r[2][0]) / (4 * q.z);
    q.y = (r[1][2] + r[2][1]) / (4 * q.z);
  }
  return q;
}

bool decompose(const double (&m)[4][4], Decomposed& out) {
  out = {};
  for (const auto& row : m)
    for (const double value : row)
      if (!std::isfinite(value)) return false;
  // Scene matrix = transpose(S M S): element [r][c] = s_c M[c][r] s_r with s = (1, 1, -1).
  const double s[3] = {1, 1, -1};
  double rows[3][3];
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c)
      rows[r][c] = s[c] * m[c][r] * s[r];
  // Row r of scaling(scale) * Q is scale_r times row r of Q.
  double scale[3];
  for (int r = 0; r < 3; ++r) {
    scale[r] =
        std::sqrt(rows[r][0] * rows[r][0] + rows[r][1] * rows[r][1] + rows[r][2] * rows[r][2]);
    if (scale[r] < 1e-30) {
      // A flattened axis keeps its unit row: the rotation stays a rotation.
      scale[r] = 0;
      for (int c = 0; c < 3; ++c)
        rows[r][c] = r == c ? 1 : 0;
    } else {
      for (int c = 0; c < 3; ++c)
        rows[r][c] /= scale[r];
    }
  }
  const double determinant = rows[0][0] * (rows[1][1] * rows[2][2] - rows[1][2] * rows[2][1]) -
                             rows[0][1] * (rows[1][0] * rows[2][2] - rows[1][2] * rows[2][0]) +
                             rows[0][2] * (rows[1][0] * rows[2][1] - rows[1][1] * rows[2][0]);
  if (determinant < 0) {
    scale[0] = -scale[0];
    for (int c = 0; c < 3; ++c)
      rows[0][c] = -rows[0][c];
  }
  out.scale = {scale[0], scale[1], scale[2]};
  out.rotation = toAngleAxis(quaternionOf(rows));
  out.position = toScene(Vec3{m[0][3], m[1][3], m[2][3]});
  return true;
}

bool toSceneMatrix(const double (&m)[4][4], double (&out)[12]) {
  // Element [r][c] of transpose(S M S) is s_c M[c][r] s_r, s = (1, 1, -1, 1).
  const double s[4] = {1, 1, -1, 1};
  bool finite = true;
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 3; ++c) {
      out[r * 3 + c] = s[c] * m[c][r] * s[r];
      finite = finite && std::isfinite(out[r * 3 + c]);
    }
  return finite;
}

}  // namespace ImportMath
