// The per-frame mathematics of a scene at its boundaries: the projection's outside flags, the
// camera's look-at and roll, each light type's value at its near, far, hotspot and falloff limits
// with the clamps, many vertices at once (and the head-light) against the one-vertex formula, and
// a hierarchy stored child first. The screen scales are checked with the cameras the reader loads.
// Every expected value is worked out by hand in the comment beside it. Last, what of the 3D math
// no scene test reaches.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <random>
#include <vector>

#include "s3d/s3d_camera.h"
#include "s3d/s3d_light.h"
#include "s3d/s3d_lighting.h"
#include "s3d/s3d_pipeline.h"
#include "tests/s3d/s3d_render_util.h"
#include "tests/s3d/s3d_test_util.h"

namespace {

using namespace s3d_render;

// Tolerance where sines and cosines of float angles enter.
constexpr float kTrig = 1e-4f;

TEST(S3DProjection, OutsideFlagsAtTheNearPlaneAndTheBorders) {
  // 64 x 32, fov pi/2: scaleX = scaleY = 32, centre (32, 16), nearClip 10. At z = 64 (w = 1/64
  // exactly) x = px / 2 + 32 and y = 16 - py / 2. Inside: z >= 10, 1 <= x <= 62, 1 <= y <= 30.
  S3DCamera camera;
  camera.setScreen(64, 32);
  ASSERT_EQ(camera.m_scaleX, 32.0f);
  ASSERT_EQ(camera.m_scaleY, 32.0f);
  struct Row {
    const char* what;
    Vec3 p;
    bool outside;
  };
  const std::vector<Row> rows{
      {"z exactly nearClip", {0, 0, 10}, false},
      {"z just in front of nearClip", {0, 0, 9.999f}, true},
      {"x = 1.0", {-62, 0, 64}, false},
      {"x = 0.99", {-62.02f, 0, 64}, true},
      {"x = width - 2", {60, 0, 64}, false},
      {"x = width - 1.99", {60.02f, 0, 64}, true},
      {"y = 1.0", {0, 30, 64}, false},
      {"y = 0.99", {0, 30.02f, 64}, true},
      {"y = height - 2", {0, -28, 64}, false},
      {"y = height - 1.99", {0, -28.02f, 64}, true},
  };
  std::vector<Vec3> positions;
  for (const Row& row : rows)
    positions.push_back(row.p);
  std::vector<S3DScreenVertex> screen(rows.size());
  projectVertices(positions, camera, screen);
  for (std::size_t i = 0; i < rows.size(); ++i)
    EXPECT_EQ(screen[i].outside, rows[i].outside ? 1.0f : 0.0f) << rows[i].what;
  EXPECT_EQ(screen[2].x, 1.0f);
  EXPECT_EQ(screen[4].x, 62.0f);
  EXPECT_EQ(screen[8].y, 30.0f);
  // w is computed for a vertex in front of the near plane too.
  EXPECT_FLOAT_EQ(screen[1].w, 1.0f / 9.999f);
}

TEST(S3DCameraView, LookAtTurnsTheTargetOntoPlusZ) {
  struct Row {
    const char* what;
    Vec3 eye, target;
    float roll;
    Vec3 world, camera;
  };
  // yaw = -atan2(n.x, n.z), pitch = asin(n.y), R = rotationY(yaw) · rotationX(pitch) ·
  // rotationZ(-roll), view = translation(-eye) · R.
  const std::vector<Row> rows{
      // Along +x: yaw -pi/2, so (x, y, z) -> (-z, y, x).
      {"target along +x", {0, 0, 0}, {100, 0, 0}, 0, {100, 0, 0}, {0, 0, 100}},
      // Straight up: pitch pi/2, (x, y, z) -> (x, -z, y).
      {"target straight up", {0, 0, 0}, {0, 100, 0}, 0, {0, 100, 0}, {0, 0, 100}},
      {"eye moved", {10, 20, 30}, {10, 20, 130}, 0, {15, 20, 30}, {5, 0, 0}},
      // roll pi/2: rotationZ(-pi/2) sends +x to -y.
      {"roll", {0, 0, 0}, {0, 0, 100}, kPi / 2, {100, 0, 100}, {0, -100, 100}},
      // No direction: length 0.001 and n = 0, so yaw = pitch = 0: only the translation.
      {"camera at its target", {5, 5, 5}, {5, 5, 5}, 0, {6, 7, 8}, {1, 2, 3}},
  };
  for (const Row& row : rows) {
    S3DCamera camera;
    camera.setRoll(row.roll);
    camera.setPosition(row.eye);
    camera.m_target.setPosition(row.target);
    camera.buildMatrix();
    camera.m_target.buildMatrix();
    camera.updateView();
    SCOPED_TRACE(row.what);
    s3d_test::expectNear(transformPoint(row.world, camera.m_viewMatrix), row.camera, kTrig);
  }
}

S3DLight makeLight(S3DLight::Type type, Vec3 position, float nearDistance, float farDistance,
                   float intensity = 1.0f) {
  S3DLight light;
  light.m_lightType = type;
  light.setPosition(position);
  light.m_target.setPosition({0, 0, 100});
  light.m_nearAttenuation = nearDistance;
  light.m_farAttenuation = farDistance;
  light.m_intensity = intensity;
  light.buildMatrix();
  light.m_target.buildMatrix();
  // A default camera's view is the identity: camera space = world space.
  placeLight(light, S3DCamera());
  return light;
}

S3DLight makeSpot(float hotspot, float falloff) {
  // Far attenuation well beyond the vertices: no fading by distance.
  S3DLight light = makeLight(S3DLight::kSpot, {}, 1000, 2000);
  light.m_hotspot = hotspot;
  light.m_falloff = falloff;
  return light;
}

TEST(S3DLighting, EachLightAtItsLimitsAndTheClamps) {
  // Lights at the origin; the spot and the directed light aim along +z. v = n · (p - P) / |p - P|
  // (0 when negative), faded from near to far: 1 - (d - near) / (far - near).
  const S3DLight omni = makeLight(S3DLight::kOmni, {}, 10, 20);
  const S3DLight atHotspot = makeSpot(0.0f, 1.0f);
  // acos(0) in float is 1.5707964: a vertex at right angles to the axis is exactly at the falloff.
  const S3DLight atFalloff = makeSpot(0.5f, 1.5707964f);
  const S3DLight wideSpot = makeSpot(0.5f, 2.5f);
  const S3DLight directed = makeLight(S3DLight::kDirected, {}, 10, 30);
  const S3DLight behind = makeLight(S3DLight::kOmni, {0, 0, -100}, 10, 20);
  struct Row {
    const char* what;
    std::vector<const S3DLight*> lights;
    Vec3 p, n;
    float expected;
  };
  const Vec3 plusZ{0, 0, 1};
  const std::vector<Row> rows{
      {"omni at exactly far: 0, clamped to 0.001", {&omni}, {0, 0, 20}, plusZ, 0.001f},
      {"omni at exactly near: factor 1", {&omni}, {0, 0, 10}, plusZ, 1.0f},
      {"omni nearer than near", {&omni}, {0, 0, 5}, plusZ, 1.0f},
      {"omni, normal at 0.8 to the ray, halfway", {&omni}, {0, 0, 15}, {0.6f, 0, 0.8f}, 0.4f},
      {"omni behind the face", {&omni}, {0, 0, 15}, {0, 0, -1}, 0.001f},
      {"vertex at the light: length 0.001, no NaN", {&omni}, {0, 0, 0}, plusZ, 0.001f},
      {"spot at exactly the hotspot (0 rad)", {&atHotspot}, {0, 0, 64}, plusZ, 1.0f},
      {"spot at exactly the falloff", {&atFalloff}, {64, 0, 0}, {1, 0, 0}, 0.001f},
      // theta = pi/2 between hotspot 0.5 and falloff 2.5: 1 - (1.5707964 - 0.5) / 2.
      {"spot between hotspot and falloff", {&wideSpot}, {64, 0, 0}, {1, 0, 0}, 0.4646018f},
      // Distance along the axis s = 20: 1 - (20 - 10) / 20; the normal is not used.
      {"directed halfway", {&directed}, {7, 3, 20}, {0, 0, -1}, 0.5f},
      {"directed at exactly far", {&directed}, {0, 0, 30}, plusZ, 0.001f},
      {"two lights head-on: 1 + 1 clamped to 1", {&omni, &omni}, {0, 0, 10}, plusZ, 1.0f},
      // The clamp applies after every light: the first gives 0 (115 away, beyond far), stored
      // as 0.001, then the second adds 0.5.
      {"a dark light, then half", {&behind, &omni}, {0, 0, 15}, plusZ, 0.501f},
  };
  for (const Row& row : rows) {
    std::vector<S3DLight*> lights;
    for (const S3DLight* pLight : row.lights)
      lights.push_back(const_cast<S3DLight*>(pLight));
    float out = -1.0f;
    lightVertices(std::span<const Vec3>(&row.p, 1), std::span<const Vec3>(&row.n, 1), lights,
                  std::span<float>(&out, 1));
    EXPECT_NEAR(out, row.expected, 1e-6f) << row.what;
  }
}

TEST(S3DLighting, ManyVerticesGiveTheOneVertexValuesBitForBit) {
  // 300 vertices (several blocks and a partial one) around two omni lights and a spot: each value
  // equals the one-vertex formula of lightValue, clamped after each light, to the bit. Without
  // lights the head-light gives n · p / max(|p|, 0.001), at least 0.001, no upper clamp.
  std::mt19937 random(5);
  std::uniform_real_distribution<float> coordinate(-40.0f, 40.0f);
  std::vector<Vec3> positions(300), normals(300);
  for (std::size_t i = 0; i < positions.size(); ++i) {
    positions[i] = {coordinate(random), coordinate(random), coordinate(random)};
    normals[i] = {coordinate(random) / 40.0f, coordinate(random) / 40.0f, 1.0f};
  }
  positions[7] = {3, -2, 5};  // at the first light: the 0.001 length
  positions[8] = {0, 0, 0};   // at the camera: the head-light's 0.001 length
  S3DLight near = makeLight(S3DLight::kOmni, {3, -2, 5}, 10, 45, 0.7f);
  S3DLight far = makeLight(S3DLight::kOmni, {-20, 10, 0}, 5, 30);
  S3DLight spot = makeSpot(0.2f, 0.9f);
  std::vector<S3DLight*> lights{&near, &far, &spot};
  std::vector<float> out(positions.size());
  lightVertices(positions, normals, lights, out);
  std::vector<float> head(positions.size());
  lightVertices(positions, normals, {}, head);
  for (std::size_t i = 0; i < positions.size(); ++i) {
    float expected = 0.0f;
    for (const S3DLight* pLight : lights)
      expected = std::clamp(expected + lightValue(*pLight, positions[i], normals[i]), 0.001f, 1.0f);
    ASSERT_EQ(std::bit_cast<uint32_t>(out[i]), std::bit_cast<uint32_t>(expected)) << i;
    const Vec3 p = positions[i];
    const float headExpected =
        std::max(dot(normals[i], p * (1.0f / std::max(std::sqrt(dot(p, p)), 0.001f))), 0.001f);
    ASSERT_EQ(std::bit_cast<uint32_t>(head[i]), std::bit_cast<uint32_t>(headExpected)) << i;
  }
}

TEST(S3DHierarchy, AMeshUnderADummyStoredLaterTransformsThroughBothParents) {
  // mesh "m" (position (0, 5, 0)) under dummy "a" (position (10, 0, 0)) under dummy "b"
  // (a quarter turn about y, then (0, 0, 100)); "a" is stored after "m" and before "b". The
  // vertex (1, 0, 0): + m -> (1, 5, 0), + a -> (11, 5, 0), the turn (x, y, z) -> (-z, y, x)
  // -> (0, 5, 11), + b -> (0, 5, 111). Taking a's matrix before its own parent gives (11, 5, 0).
  using namespace l3x;
  const auto pScene = loadScene(
      sceneFile({meshes({meshRecord({.name = "m", .parent = "a", .position = Xyz{0, 5, 0}}, 0,
                                    {{1, 0, 0}, {2, 0, 0}, {1, 1, 0}}, {{0, 1, 2}})}),
                 dummies({dummy({.name = "a", .parent = "b", .position = Xyz{10, 0, 0}}),
                          dummy({.name = "b",
                                 .position = Xyz{0, 0, 100},
                                 .rotation = AngleAxis{kPi / 2, {0, 1, 0}}})}),
                 materials({material("grey", {subMaterialRecord(0, 1.0f, {0.5f, 0.5f, 0.5f})})}),
                 cameras({cameraRecord()})}));
  pScene->setTime(0);
  pScene->transform();
  s3d_test::expectNear(transformPoint({1, 0, 0}, pScene->m_triObjects.at(0).m_matrix), {0, 5, 111},
                       kTrig);
}

// --- The math. Convention: row vectors, p' = p * M, translation in row 3, A * B applies A
// first. The rotations, euler(), the quaternion formulas and the inverse of ordinary matrices are
// pinned by the scene tests (look-at, Euler parameters, skin binds, gizmos, the cube hierarchy
// picture) ---

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
