// The 3D math against values worked by hand. Convention: row vectors, p' = p * M, translation in
// row 3, A * B applies A first.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "s3d/s3d_math.h"
#include "tests/s3d/s3d_test_util.h"

namespace {

using s3d_test::expectNear;

constexpr float kQuarterTurn = 1.57079637f;
// cos(pi/2) in float is -4.4e-8; the products stay within a few of those.
constexpr float kTolerance = 1e-6f;

void expectMatrixNear(const Matrix44& actual, const Matrix44& expected, const std::string& what) {
  for (int i = 0; i < 16; ++i)
    EXPECT_NEAR(actual.m[i], expected.m[i], kTolerance) << what << " element " << i;
}

TEST(S3DMath, QuarterTurnsOfTheUnitVectors) {
  struct Case {
    const char* name;
    Matrix44 matrix;
    Vec3 in;
    Vec3 out;
  };
  // rotationX: m5 = c, m6 = s, m9 = -s, m10 = c, so y = row 1 -> (0, c, s) = z and z = row 2 ->
  // (0, -s, c) = -y. rotationY: x = row 0 -> (c, 0, -s) = -z, z = row 2 -> (s, 0, c) = x.
  // rotationZ: x = row 0 -> (c, s, 0) = y, y = row 1 -> (-s, c, 0) = -x.
  const std::vector<Case> cases{
      {"X(y)", rotationX(kQuarterTurn), {0, 1, 0}, {0, 0, 1}},
      {"X(z)", rotationX(kQuarterTurn), {0, 0, 1}, {0, -1, 0}},
      {"X(x)", rotationX(kQuarterTurn), {1, 0, 0}, {1, 0, 0}},
      {"Y(x)", rotationY(kQuarterTurn), {1, 0, 0}, {0, 0, -1}},
      {"Y(z)", rotationY(kQuarterTurn), {0, 0, 1}, {1, 0, 0}},
      {"Y(y)", rotationY(kQuarterTurn), {0, 1, 0}, {0, 1, 0}},
      {"Z(x)", rotationZ(kQuarterTurn), {1, 0, 0}, {0, 1, 0}},
      {"Z(y)", rotationZ(kQuarterTurn), {0, 1, 0}, {-1, 0, 0}},
      {"Z(z)", rotationZ(kQuarterTurn), {0, 0, 1}, {0, 0, 1}},
      // euler(x, y, z) = Y(y) X(x) Z(z), applied in that order: x -Y-> -z -X-> y -Z-> -x.
      // Any other order gives another vector: Z X Y takes x to y, then z, then x.
      {"euler", euler(kQuarterTurn, kQuarterTurn, kQuarterTurn), {1, 0, 0}, {-1, 0, 0}},
      {"euler y only", euler(0, kQuarterTurn, 0), {1, 0, 0}, {0, 0, -1}},
      // A first: translate by x then double: (0,0,0) -> (1,0,0) -> (2,0,0); the other way (1,0,0).
      {"multiply order",
       multiply(translation({1, 0, 0}), scaling({2, 2, 2})),
       {0, 0, 0},
       {2, 0, 0}},
      {"multiply rotations",
       multiply(rotationZ(kQuarterTurn), rotationX(kQuarterTurn)),
       {1, 0, 0},
       {0, 0, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    expectNear(transformPoint(c.in, c.matrix), c.out);
  }
}

TEST(S3DMath, TransformPointAndVector) {
  Matrix44 m;
  for (int i = 0; i < 16; ++i)
    m.m[i] = static_cast<float>(i + 1);
  // p = (1, 2, 3) times rows (1 2 3), (5 6 7), (9 10 11), plus row (13 14 15):
  // x = 1 + 10 + 27 + 13 = 51, y = 2 + 12 + 30 + 14 = 58, z = 3 + 14 + 33 + 15 = 65.
  EXPECT_EQ(transformPoint({1, 2, 3}, m), (Vec3{51, 58, 65}));
  EXPECT_EQ(transformVector({1, 2, 3}, m), (Vec3{38, 44, 50}));
  EXPECT_EQ(transformPoint({1, 2, 3}, translation({10, 20, 30})), (Vec3{11, 22, 33}));
  EXPECT_EQ(transformVector({1, 2, 3}, translation({10, 20, 30})), (Vec3{1, 2, 3}));
  EXPECT_EQ(transformPoint({1, 2, 3}, scaling({2, 3, 4})), (Vec3{2, 6, 12}));
}

TEST(S3DMath, MultiplyKeepsTheFourthColumnAffine) {
  Matrix44 a = translation({1, 2, 3});
  a.m[3] = 5.0f;
  a.m[7] = 6.0f;
  const Matrix44 r = multiply(a, identity());
  EXPECT_EQ((std::array<float, 4>{r.m[3], r.m[7], r.m[11], r.m[15]}),
            (std::array<float, 4>{0, 0, 0, 1}));
  EXPECT_EQ((std::array<float, 3>{r.m[12], r.m[13], r.m[14]}), (std::array<float, 3>{1, 2, 3}));
}

TEST(S3DMath, InverseUndoesRotationScaleAndTranslation) {
  const Matrix44 m =
      multiply(multiply(scaling({2, 3, 4}), rotationZ(0.3f)), translation({5, -6, 7}));
  expectMatrixNear(multiply(inverse(m), m), identity(), "inverse * M");
  expectMatrixNear(multiply(m, inverse(m)), identity(), "M * inverse");
  // A translation's inverse is the opposite translation.
  expectMatrixNear(inverse(translation({1, 2, 3})), translation({-1, -2, -3}), "translation");
  // A singular 3 x 3 part gives zeros, not infinities.
  const Matrix44 flat = inverse(scaling({1, 0, 1}));
  for (float value : flat.m)
    EXPECT_TRUE(std::isfinite(value));
}

TEST(S3DMath, QuaternionToMatrixFollowsTheFormulaTable) {
  // (0.1, 0.2, 0.3, 0.9), not normalised, worked from the table:
  // m0 = 1 - 2(0.04 + 0.09) = 0.74   m1 = 0.04 - 0.54 = -0.5    m2 = 0.06 + 0.36 = 0.42
  // m4 = 0.04 + 0.54 = 0.58          m5 = 1 - 2(0.01 + 0.09) = 0.8  m6 = 0.12 - 0.18 = -0.06
  // m8 = 0.06 - 0.36 = -0.3          m9 = 0.12 + 0.18 = 0.3     m10 = 1 - 2(0.01 + 0.04) = 0.9
  const Matrix44 m = quaternionToMatrix({0.1f, 0.2f, 0.3f, 0.9f});
  const Matrix44 expected{
      {0.74f, -0.5f, 0.42f, 0, 0.58f, 0.8f, -0.06f, 0, -0.3f, 0.3f, 0.9f, 0, 0, 0, 0, 1}};
  expectMatrixNear(m, expected, "general quaternion");
}

// A quarter turn about z, q = (0, 0, sin 45, cos 45): m1 = -2zw = -1 and m4 = +1, so with row
// vectors x goes to -y. The table's matrix turns the other way from rotationZ of the same angle: it
// equals rotationZ(-angle) (the transpose of rotationZ(angle)).
TEST(S3DMath, QuaternionOfAQuarterTurnAboutZ) {
  const Matrix44 m = quaternionToMatrix(quaternionFromAngleAxis(kQuarterTurn, {0, 0, 1}));
  expectNear(transformPoint({1, 0, 0}, m), {0, -1, 0});
  expectMatrixNear(m, rotationZ(-kQuarterTurn), "rotationZ(-angle)");
  // (pi; 0, 2, 0): (0, 2 sin(pi/2), 0, cos(pi/2)) = (0, 2, 0, 0): the axis keeps its length.
  expectNear(quaternionFromAngleAxis(3.14159265f, {0, 2, 0}), {0, 2, 0, 0});
  EXPECT_EQ(quaternionFromAngleAxis(0.0f, {5, 6, 7}), (Quat{0, 0, 0, 1}));
}

}  // namespace
