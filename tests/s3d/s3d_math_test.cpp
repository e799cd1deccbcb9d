// What of the 3D math no scene test reaches. Convention: row vectors, p' = p * M, translation in
// row 3, A * B applies A first. The rotations, euler(), the quaternion formulas and the inverse of
// ordinary matrices are pinned by the scene tests (look-at, Euler parameters, skin binds, gizmos,
// the cube hierarchy picture).

#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "s3d/s3d_math.h"
#include "tests/s3d/s3d_test_util.h"

namespace {

TEST(S3DMath, TransformVectorLeavesOutTheTranslation) {
  Matrix44 m;
  for (int i = 0; i < 16; ++i)
    m.m[i] = static_cast<float>(i + 1);
  // (1, 2, 3) times rows (1 2 3), (5 6 7), (9 10 11): x = 1 + 10 + 27 = 38, y = 44, z = 50.
  EXPECT_EQ(transformVector({1, 2, 3}, m), (Vec3{38, 44, 50}));
  EXPECT_EQ(transformVector({1, 2, 3}, translation({10, 20, 30})), (Vec3{1, 2, 3}));
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

// A singular 3 x 3 part gives zeros, not infinities.
TEST(S3DMath, InverseOfASingularMatrixStaysFinite) {
  const Matrix44 flat = inverse(scaling({1, 0, 1}));
  for (float value : flat.m)
    EXPECT_TRUE(std::isfinite(value));
}

}  // namespace
