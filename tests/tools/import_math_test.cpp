// The axis conversion of imported transforms: a source matrix (column vectors, right-handed)
// decomposed into scene position / rotation / scale must rebuild, with the scene's own formulas,
// the converted matrix transpose(S M S), S = diag(1, 1, -1).

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "tools/import_math.h"

namespace {

using ImportMath::Quat;

using Matrix = double[4][4];

const double kPi = 3.14159265358979323846;

// The usual rotation matrix of a unit quaternion for column vectors (p' = R p).
void sourceRotation(const Quat& q, Matrix& m) {
  const double x = q.x, y = q.y, z = q.z, w = q.w;
  const double r[3][3] = {{1 - 2 * (y * y + z * z), 2 * (x * y - z * w), 2 * (x * z + y * w)},
                          {2 * (x * y + z * w), 1 - 2 * (x * x + z * z), 2 * (y * z - x * w)},
                          {2 * (x * z - y * w), 2 * (y * z + x * w), 1 - 2 * (x * x + y * y)}};
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      m[i][j] = i < 3 && j < 3 ? r[i][j] : (i == j ? 1 : 0);
}

// The scene's local matrix, row vectors: scaling(s) * Q(angle, axis) * translation(t), with the
// quaternion (axis sin(a/2), cos(a/2)) and m0 = 1 - 2(y² + z²), m1 = 2xy - 2zw, m2 = 2xz + 2yw,
// m4 = 2xy + 2zw, m5 = 1 - 2(x² + z²), m6 = 2yz - 2xw, m8 = 2xz - 2yw, m9 = 2yz + 2xw,
// m10 = 1 - 2(x² + y²).
void sceneMatrix(const ImportMath::Decomposed& d, Matrix& m) {
  const double s = std::sin(d.rotation.angle / 2);
  const double x = d.rotation.axis.x * s, y = d.rotation.axis.y * s, z = d.rotation.axis.z * s;
  const double w = std::cos(d.rotation.angle / 2);
  const double q[3][3] = {{1 - 2 * (y * y + z * z), 2 * x * y - 2 * z * w, 2 * x * z + 2 * y * w},
                          {2 * x * y + 2 * z * w, 1 - 2 * (x * x + z * z), 2 * y * z - 2 * x * w},
                          {2 * x * z - 2 * y * w, 2 * y * z + 2 * x * w, 1 - 2 * (x * x + y * y)}};
  const double scale[3] = {d.scale.x, d.scale.y, d.scale.z};
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c)
      m[r][c] = scale[r] * q[r][c];
    m[r][3] = 0;
  }
  m[3][0] = d.position.x;
  m[3][1] = d.position.y;
  m[3][2] = d.position.z;
  m[3][3] = 1;
}

// transpose(S M S) with S = diag(1, 1, -1, 1).
void converted(const Matrix& source, Matrix& m) {
  const double s[4] = {1, 1, -1, 1};
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c)
      m[r][c] = s[c] * source[c][r] * s[r];
}

void expectSame(const Matrix& a, const Matrix& b) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c)
      EXPECT_NEAR(a[r][c], b[r][c], 1e-9) << r << ", " << c;
}

Quat normalised(Quat q) {
  const double n = std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w);
  return {q.x / n, q.y / n, q.z / n, q.w / n};
}

TEST(ImportMath, DecomposedTransformsRebuildTheConvertedMatrix) {
  const double c120 = std::sqrt(3.0) / 2 / std::sqrt(3.0);  // 120 degrees about (1, 1, 1)
  const struct {
    Quat rotation;
    double scale[3];
    double translation[3];
  } cases[] = {
      {{0, 0, 0, 1}, {1, 1, 1}, {0, 0, 0}},
      {{1, 0, 0, 0}, {2, 3, 4}, {0, 0, -5}},   // half a turn: w = 0
      {{0, 0, 1, 0}, {1, 1, 1}, {0.5, 0, 0}},  // half a turn about z
      {{c120, c120, c120, 0.5}, {0.5, 0.5, 0.5}, {7, 8, 9}},
      {normalised({0.1, 0.7, -0.3, 0.64}), {1, 2, 3}, {-1, 0.25, 4}},
      {normalised({-0.6, 0.2, 0.7, -0.05}), {1, -1, 2}, {0, 0, 1}},  // mirrored, near half a turn
  };
  for (const auto& item : cases) {
    SCOPED_TRACE(testing::Message() << item.rotation.x << " " << item.rotation.y << " "
                                    << item.rotation.z << " " << item.rotation.w);
    Matrix source;
    sourceRotation(item.rotation, source);
    for (int r = 0; r < 3; ++r) {
      for (int c = 0; c < 3; ++c)
        source[r][c] *= item.scale[c];
      source[r][3] = item.translation[r];
    }
    ImportMath::Decomposed parts;
    ASSERT_TRUE(ImportMath::decompose(source, parts));
    EXPECT_NEAR(std::hypot(parts.rotation.axis.x, parts.rotation.axis.y, parts.rotation.axis.z), 1,
                1e-12);
    EXPECT_GE(parts.rotation.angle, 0);
    EXPECT_LE(parts.rotation.angle, kPi + 1e-12);
    Matrix rebuilt, expected;
    sceneMatrix(parts, rebuilt);
    converted(source, expected);
    expectSame(rebuilt, expected);
  }
}

// Worked by hand: turning by 90 degrees about y takes the source x axis to -z; in the scene
// (z negated) the point (1, 0, 0) goes to (0, 0, 1), and the translation (1, 2, 3) is (1, 2, -3).
TEST(ImportMath, QuarterTurnAboutYByHand) {
  Matrix source = {{0, 0, 1, 1}, {0, 1, 0, 2}, {-1, 0, 0, 3}, {0, 0, 0, 1}};
  ImportMath::Decomposed parts;
  ASSERT_TRUE(ImportMath::decompose(source, parts));
  Matrix scene;
  sceneMatrix(parts, scene);
  const double expected[4][3] = {{0, 0, 1}, {0, 1, 0}, {-1, 0, 0}, {1, 2, -3}};
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 3; ++c)
      EXPECT_NEAR(scene[r][c], expected[r][c], 1e-12) << r << ", " << c;
  EXPECT_NEAR(parts.rotation.angle, kPi / 2, 1e-12);
  EXPECT_NEAR(parts.rotation.axis.y, 1, 1e-12);
}

TEST(ImportMath, MatricesThatAreNotFiniteGiveTheIdentity) {
  for (const double bad :
       {std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN()}) {
    Matrix source = {{1, 0, 0, bad}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
    ImportMath::Decomposed parts;
    parts.position.x = 5;
    EXPECT_FALSE(ImportMath::decompose(source, parts));
    EXPECT_EQ(parts.position.x, 0);
    EXPECT_EQ(parts.scale.x, 1);
    EXPECT_EQ(parts.rotation.angle, 0);
  }
}

}  // namespace
