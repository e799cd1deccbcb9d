// The deforming modifiers and the modifier stack of a mesh: one hand-worked point per branch of
// each formula, the gizmo matrices, the degenerate parameters, the noise, one table comparing the
// bytes of every build of the per-vertex loops, and the stack (channel weights, box hand-over, the
// limit of 20 world-space modifiers, normals).

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "s3d/s3d_camera.h"
#include "s3d/s3d_deform_loops_p.h"
#include "s3d/s3d_modifier_deform.h"
#include "s3d/s3d_ws_modifier.h"
#include "tests/s3d/s3d_render_util.h"
#include "tests/s3d/s3d_test_util.h"

namespace {

using s3d_test::defaultCamera;
using s3d_test::expectNear;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
// Sines, cosines and products of a few float operations, against values worked in double.
constexpr float kTolerance = 2e-5f;
// R := extent / angle for an extent of 10 and an angle of pi/2: 20 / pi.
constexpr float kR = 6.3661977f;

// A modifier of type T with its parameters set by `set`, the box (-1, 0, -1)..(1, 10, 1) (an
// extent of 10 along y), prepared.
template <class T>
std::function<std::unique_ptr<S3DModifierGizmo>()> make(std::function<void(T&)> set,
                                                        Vec3 boxMin = {-1, 0, -1},
                                                        Vec3 boxMax = {1, 10, 1}) {
  return [=] {
    auto pModifier = std::make_unique<T>();
    set(*pModifier);
    pModifier->setBox(boxMin, boxMax);
    pModifier->prepare(defaultCamera());
    return pModifier;
  };
}

struct PointRow {
  const char* what;
  std::function<std::unique_ptr<S3DModifierGizmo>()> make;
  Vec3 in;
  Vec3 expected;
};

TEST(S3DModifierFormula, PointsWorkedByHand) {
  using Bend = S3DModifierBend;
  using Twist = S3DModifierTwist;
  using Taper = S3DModifierTaper;
  using Wave = S3DModifierWave;
  using Stretch = S3DModifierStretch;
  using Spherify = S3DModifierSpherify;
  using Melt = S3DModifierMelt;
  const float halfPi = kPi * 0.5f;
  const Vec3 unitMin{-1, -1, -1}, unitMax{1, 1, 1};
  const auto bend = make<Bend>([=](Bend& m) { m.m_angle = halfPi; });
  const auto twist = make<Twist>([=](Twist& m) { m.m_angle = halfPi; });
  const auto twistBias = make<Twist>([=](Twist& m) { m.m_angle = halfPi, m.m_bias = 50; });
  const auto stretch = make<Stretch>([](Stretch& m) { m.m_stretch = m.m_amplify = 1; });
  const auto spherify = make<Spherify>([](Spherify& m) { m.m_percent = 0.5f; }, unitMin, unitMax);
  const auto melt = make<Melt>([](Melt& m) { m.m_amount = m.m_spread = 100; });
  const std::vector<PointRow> rows{
      // Bend pi/2 over y in [0, 10]: R = 20/pi. At y = 5, theta = pi - 5/R = 3pi/4:
      // x' = (1 - 0.70711) R + 2 (0.70711) = 3.27883, y' = 0.70711 R - 2 (0.70711) = 3.08737.
      {"bend", bend, {2, 5, 3}, {3.2788297f, 3.0873680f, 3}},
      // Direction pi/2 turns G by rotationY(-pi/2): gizmo x = -object z, so the top bends to
      // (0, R, -R).
      {"bend direction pi/2",
       make<Bend>([=](Bend& m) { m.m_angle = m.m_direction = halfPi; }),
       {0, 10, 0},
       {0, kR, -kR}},
      // Axis X: G by rotationZ(pi/2) makes gizmo y = object x; the top (10, 0, 0) goes to gizmo
      // (R, R, 0) and back through rotationZ(-pi/2) to (R, -R, 0).
      {"bend axis x",
       make<Bend>([=](Bend& m) { m.m_angle = halfPi, m.m_axis = 0; }, {0, -1, -1}, {10, 1, 1}),
       {10, 0, 0},
       {kR, -kR, 0}},
      // Twist pi/2 over a height of 10: theta = y pi/20. (1, 10, 0) turns by pi/2:
      // x' = 0 + 1 cos = 0, z' = 0 - 1 sin = -1.
      {"twist top", twist, {1, 10, 0}, {0, 10, -1}},
      // Bias 50: b = 1 - 150 * 0.005 = 0.25, exponent log 0.25 / log 0.5 = 2; at y/h = 0.5,
      // theta = pi/2 * 0.25 = pi/8 (cos 0.92388, sin 0.38268); at y/h = -0.5, -pi/8.
      {"twist bias", twistBias, {1, 5, 0}, {0.92387953f, 5, -0.38268343f}},
      {"twist bias below", twistBias, {1, -5, 0}, {0.92387953f, -5, 0.38268343f}},
      // Taper over a height of 10, t = 0.5, curve 0.5, amount 1: f = 0.5 (0.5 * 0.5 + 1) + 1 =
      // 1.625. Effect 0: x only; 2: z only.
      {"taper",
       make<Taper>([](Taper& m) { m.m_amount = 1, m.m_curve = 0.5f; }),
       {1, 5, 1},
       {1.625f, 5, 1.625f}},
      {"taper x only",
       make<Taper>([](Taper& m) { m.m_amount = 1, m.m_effect = 0; }),
       {1, 5, 1},
       {1.5f, 5, 1}},
      {"taper z only",
       make<Taper>([](Taper& m) { m.m_amount = 1, m.m_effect = 2; }),
       {1, 5, 1},
       {1, 5, 1.5f}},
      // At y = -5 symmetric: t = |-0.5| = 0.5 and f = 1.5 (not 0.5).
      {"taper symmetric",
       make<Taper>([](Taper& m) { m.m_amount = 1, m.m_symmetry = 1; }),
       {1, -5, 1},
       {1.5f, -5, 1.5f}},
      // Skew 2 over a height of 10: factor 0.2, x' = 1 + 5 * 0.2. Direction pi/2 (gizmo x =
      // -object z): (0, 5, 0) goes to gizmo (1, 5, 0), back to (0, 5, -1).
      {"skew",
       make<S3DModifierSkew>([](S3DModifierSkew& m) { m.m_amount = 2; }),
       {1, 5, 3},
       {2, 5, 3}},
      {"skew direction pi/2",
       make<S3DModifierSkew>([=](S3DModifierSkew& m) { m.m_amount = 2, m.m_direction = halfPi; }),
       {0, 5, 0},
       {0, 5, -1}},
      // Stretch 1, amplify 1 over y in [0, 10]: a = 1, k = 1/2, ys = 2, c = 1/2: t = 0.5 scales
      // x, z by k.
      {"stretch t = 0.5", stretch, {1, 5, 1}, {0.5f, 10, 0.5f}},
      // Stretch -0.5, amplify 1: a = -0.5, k = 1 + 0.5 = 1.5, ys = -1 / -1.5 = 2/3.
      {"squash t = 0.5",
       make<Stretch>([](Stretch& m) { m.m_stretch = -0.5f, m.m_amplify = 1; }),
       {1, 5, 1},
       {1.5f, 3.3333333f, 1.5f}},
      // Spherify 50% over the box (-1, -1, -1)..(1, 1, 1): centre 0, radius 1. (1, 1, 1): r =
      // 1/sqrt 3, each c' = 1 + (0.57735 - 1) 0.5. The centre itself counts as (1, 1, 1).
      {"spherify", spherify, {1, 1, 1}, {0.78867513f, 0.78867513f, 0.78867513f}},
      {"spherify centre", spherify, {0, 0, 0}, {0.78867513f, 0.78867513f, 0.78867513f}},
      // Circular wave, L = 4: at r = 1, sin(2 pi / 4) = 1; decay ln 2 there halves the wave.
      // amp1 = 1, amp2 = 3 at 45 degrees: u = 0.25, s = 0.5, s^2 (3 - 2s) = 0.5, A = 2; there
      // r = sqrt 2, so L = 4 sqrt 2 keeps r / L = 0.25.
      {"wave circular decay",
       make<Wave>(
           [](Wave& m) { m.m_amp1 = m.m_amp2 = 1, m.m_waveLength = 4, m.m_decay = 0.69314718f; }),
       {1, 0, 0},
       {1, 0.5f, 0}},
      {"wave blend at 45 degrees",
       make<Wave>([](Wave& m) { m.m_amp1 = 1, m.m_amp2 = 3, m.m_waveLength = 5.6568542f; }),
       {1, 0, 1},
       {1, 2, 1}},
      // Linear, L = 4: sin(2 pi (z / 4)) at z = 1 is 1; t = (x / 4)^2 = 0.25 at x = 2 gives
      // A = 3 * 0.25 + 0.75 = 1.5.
      {"wave linear",
       make<Wave>([](Wave& m) { m.m_variant = 1, m.m_amp1 = 1, m.m_amp2 = 3, m.m_waveLength = 4; }),
       {2, 0, 1},
       {2, 1.5f, 1}},
      // Melt 100% with solidity 1 over y in [0, 10]: squash = 1 / (1 + 1) = 0.5; spread 100%:
      // g = 1 + 0.5 (1 - u). The top (1, 10, 0) falls to y 5 (u 0.5, g 1.25); a point below the
      // base spreads by 1.5 and keeps its height. Glass (10): squash = 1 / 1.1, the top
      // falls to 10 / 1.1 = 9.0909.
      {"melt top", melt, {1, 10, 0}, {1.25f, 5, 0}},
      {"melt below", melt, {1, -2, 0}, {1.5f, -2, 0}},
      {"melt glass",
       make<Melt>([](Melt& m) { m.m_amount = 100, m.m_solidityPreset = 2; }),
       {0, 10, 0},
       {0, 9.0909091f, 0}},
      // Space warp, a ripple with L = 4 and speed 0.25 turn a frame: at r = 1, time 1, the phase is
      // 0.25 and sin(2 pi / 4 + 2 pi 0.25) = sin(pi) = 0 (at time 0 it would lift y by 1).
      {"space warp time 1",
       make<S3DModifierSpaceWarp>([](S3DModifierSpaceWarp& m) {
         m.m_values = {1, 1, 4, 0, 0, 0.25f, 0, 0}, m.m_time = 1;
       }),
       {1, 0, 0},
       {1, 0, 0}},
  };
  for (const PointRow& row : rows) {
    SCOPED_TRACE(row.what);
    const auto pModifier = row.make();
    expectNear(pModifier->deformPoint(row.in, 0), row.expected, kTolerance);
  }
}

// Gizmo settings a test row gives; the rest keep their defaults.
struct GizmoSettings {
  Vec3 pivot{}, centre{}, scale{1, 1, 1}, position{};
  Quat rotation = kIdentityQuat;
  Matrix44 baseMatrix = identity();

  void applyTo(S3DModifierGizmo& g) const {
    g.m_pivot = pivot;
    g.m_centre = centre;
    g.m_scale = scale;
    g.m_position = position;
    g.m_rotation = rotation;
    g.m_baseMatrix = baseMatrix;
  }
};

TEST(S3DModifierGizmo, MatricesCarryObjectPointsIntoGizmoSpace) {
  // G: + pivot, the base matrix, - centre, / scale, the transposed rotation Qt, - position. A
  // quarter turn about z, (0, 0, sin 45, cos 45), has m1 = -2zw = -1 and m4 = 1, so
  // (x, y, z) · Qt = (-y, x, z). (1, 2, -5) + (0, 0, 5) = (1, 2, 0); + (10, 0, 0) = (11, 2, 0);
  // - (1, 0, 0) = (10, 2, 0); / (2, 4, 2) = (5, 0.5, 0); · Qt = (-0.5, 5, 0); - (0, 3, 0).
  const GizmoSettings set{.pivot = {0, 0, 5},
                          .centre = {1, 0, 0},
                          .scale = {2, 4, 2},
                          .position = {0, 3, 0},
                          .rotation = {0, 0, 0.70710678f, 0.70710678f},
                          .baseMatrix = translation({10, 0, 0})};
  S3DModifierSkew skew;  // no axis turn with axis Y and direction 0
  set.applyTo(skew);
  skew.prepare(defaultCamera());
  expectNear(transformPoint({1, 2, -5}, skew.m_g), {-0.5f, 2, 0}, kTolerance);
  expectNear(transformPoint({-0.5f, 2, 0}, skew.m_h), {1, 2, -5}, kTolerance);
}

TEST(S3DModifierGizmo, WorldSpaceGizmosReceiveCameraSpacePoints) {
  // The view moves world points by (0, 20, 10); the modifier's head sits at x = 5. Camera point
  // (5, 10, 10) is world (5, -10, 0), head-space (0, -10, 0). Bent by pi/2 over a height of 10
  // (R = 20/pi): theta = pi + 10 / R = 3pi/2 (cos 0, sin -1), so (R, -R, 0) in head space,
  // world (R + 5, -R, 0), camera (R + 5, 20 - R, 10).
  S3DCamera camera;
  camera.m_viewMatrix = translation({0, 20, 10});
  S3DModifierBend bend;
  bend.m_worldSpace = 1;
  bend.m_nodeMatrix = translation({5, 0, 0});
  bend.m_angle = kPi * 0.5f;
  bend.setBox({-1, 0, -1}, {1, 10, 1});
  bend.prepare(camera);
  expectNear(bend.deformPoint({5, 10, 10}, 0), {kR + 5, 20 - kR, 10}, kTolerance);
  // The foot of the bend, head (0, 0, 0), that is camera (5, 20, 10), stays.
  expectNear(bend.deformPoint({5, 20, 10}, 0), {5, 20, 10}, kTolerance);
}

// A NaN in G and a singular G: the two ways buildGizmo refuses a gizmo.
TEST(S3DModifierDegenerate, SingularOrNaNGizmosLeavePointsExactlyAsTheyAre) {
  const auto bend = [](const GizmoSettings& set) {
    return make<S3DModifierBend>([=](S3DModifierBend& m) { m.m_angle = 1, set.applyTo(m); })();
  };
  const Vec3 points[] = {{0.3f, 4.0f, -0.7f}, {0, 0, 0}, {1, 10, 1}};
  // Unspoilt, the bend moves the point (so "unchanged" below means something).
  EXPECT_NE(bend({})->deformPoint(points[0], 0), points[0]);
  for (const GizmoSettings& spoil :
       {GizmoSettings{.position = {kNaN, 0, 0}}, GizmoSettings{.baseMatrix = scaling({1, 0, 1})}})
    for (const Vec3& p : points)
      EXPECT_EQ(bend(spoil)->deformPoint(p, 0), p);
}

// Each type's parameters that make it move nothing; a NaN parameter (bend's angle stands for all)
// makes it inactive too.
TEST(S3DModifierDegenerate, ZeroAndNaNParametersLeavePointsExactlyAsTheyAre) {
  struct Row {
    const char* what;
    std::function<std::unique_ptr<S3DModifierGizmo>()> make;
  };
  const std::vector<Row> rows{
      {"bend angle 0", make<S3DModifierBend>([](auto& m) { m.m_angle = 0; })},
      {"bend angle 0.00009", make<S3DModifierBend>([](auto& m) { m.m_angle = 0.00009f; })},
      {"bend angle NaN", make<S3DModifierBend>([](auto& m) { m.m_angle = kNaN; })},
      {"bend empty box", make<S3DModifierBend>([](auto& m) { m.m_angle = 1; }, {}, {})},
      {"stretch 0", make<S3DModifierStretch>([](auto& m) { m.m_amplify = 1; })},
      {"stretch empty range",
       make<S3DModifierStretch>([](auto& m) { m.m_stretch = 1; }, {0, 5, 0}, {1, 5, 1})},
      {"twist angle 0", make<S3DModifierTwist>([](auto& m) { m.m_bias = 30; })},
      {"twist zero height",
       make<S3DModifierTwist>([](auto& m) { m.m_angle = 1; }, {0, 5, 0}, {1, 5, 1})},
      {"taper zero height",
       make<S3DModifierTaper>([](auto& m) { m.m_amount = 1; }, {0, 5, 0}, {1, 5, 1})},
      {"skew 0", make<S3DModifierSkew>([](auto&) {})},
      {"spherify 0", make<S3DModifierSpherify>([](auto&) {})},
      {"noise no strength", make<S3DModifierNoise>([](auto& m) { m.m_noiseScale = 3; })},
      {"wave no amplitude", make<S3DModifierWave>([](auto& m) { m.m_waveLength = 2; })},
      {"melt 0", make<S3DModifierMelt>([](auto& m) { m.m_spread = 50; })},
      {"space warp no amplitude", make<S3DModifierSpaceWarp>([](auto& m) { m.m_values[2] = 4; })},
  };
  const Vec3 points[] = {{0.3f, 4.0f, -0.7f}, {0, 0, 0}, {1, 10, 1}, {-3, -2, 8}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const auto pModifier = row.make();
    for (const Vec3& p : points)
      EXPECT_EQ(pModifier->deformPoint(p, 0), p);
  }
}

TEST(S3DModifierNoise, GradientNoiseIsBoundedContinuousAndZeroOnTheLattice) {
  float largest = 0.0f;
  for (int i = 0; i < 64 * 16; ++i) {
    for (int j = 0; j < 64 * 16; j += 7) {
      const float u = static_cast<float>(i) / 64.0f - 8.0f, v = static_cast<float>(j) / 64.0f;
      const float n = gradientNoise(u, v, 0.0f);
      ASSERT_LE(std::fabs(n), 1.0f) << u << ", " << v;
      largest = std::max(largest, std::fabs(n));
      // Steps of 1/1000 (across cell borders too): the slope of the noise stays below 3.
      EXPECT_LE(std::fabs(gradientNoise(u + 0.001f, v, 0.0f) - n), 0.003f) << u << ", " << v;
    }
  }
  EXPECT_GT(largest, 0.4f);  // not a flat field
  // Zero at every lattice point, for any offset that lands on one; the lattice repeats every
  // 256 cells.
  for (const float u : {0.0f, 3.0f, -5.0f, 255.0f, 256.0f, 1000.0f})
    EXPECT_EQ(gradientNoise(u, 7.0f, 0.0f), 0.0f) << u;
  EXPECT_EQ(gradientNoise(0.5f, 1.5f, 2.5f), 0.0f);
  EXPECT_EQ(gradientNoise(0.25f, 0.625f, 0.0f), gradientNoise(256.25f, 0.625f, 0.0f));
}

TEST(S3DModifierNoise, TheSeedHashAndTheAnimationOffsetTheNoise) {
  // The seed hash: CrtRand from seed 1 starts 41, 18467; the shuffle swaps entry 255 with entry
  // 41 % 256 = 41, then 254 with 18467 % 255 = 107, and never touches them again. Seed 255
  // offsets the noise by 41 * 1.618034 = 66.339394, seed 254 by 107 * 1.618034 = 173.12964.
  S3DModifierNoise noise;
  noise.m_seed = 255;
  noise.setStrength(1);
  noise.prepare(defaultCamera());
  EXPECT_FLOAT_EQ(noise.m_noiseOffset, 66.339394f);
  noise.m_seed = 254;
  noise.prepare(defaultCamera());
  EXPECT_FLOAT_EQ(noise.m_noiseOffset, 173.12964f);
  // Animated: + frequency * phase * 0.19999999.
  noise.m_animate = 1;
  noise.m_frequency = 2;
  noise.m_phase = 5;
  noise.prepare(defaultCamera());
  EXPECT_FLOAT_EQ(noise.m_noiseOffset, 173.12964f + 2.0f);
}

// The turns of Bend and Twist use sinCos, the waves and the twist bias exp, log, pow and acos
// lane functions (they vectorise): against double, a few float ulps at most.
TEST(S3DModifierFormula, LaneMathFollowsTheLibrary) {
  const auto relative = [](double got, double want) {
    return std::fabs(got - want) / std::max(std::fabs(want), 1e-30);
  };
  for (int i = -200000; i <= 200000; i += 7) {
    const float angle = static_cast<float>(i) * 0.005f;
    float s = 0.0f, c = 0.0f;
    sinCos(angle, s, c);
    ASSERT_NEAR(s, std::sin(static_cast<double>(angle)), 3e-7) << angle;
    ASSERT_NEAR(c, std::cos(static_cast<double>(angle)), 3e-7) << angle;
  }
  for (int i = -8730; i <= 8830; i += 3) {
    const float x = static_cast<float>(i) * 0.01f;
    ASSERT_LE(relative(static_cast<double>(expLanes(x)), std::exp(static_cast<double>(x))), 4e-7)
        << x;
  }
  for (float x = 1e-30f; x < 1e30f; x *= 1.37f)
    ASSERT_NEAR(logLanes(x), std::log(static_cast<double>(x)),
                4e-7 * std::fabs(std::log(static_cast<double>(x))) + 1e-7)
        << x;
  for (int i = -1000; i <= 1000; ++i) {
    const float x = static_cast<float>(i) * 0.001f;
    ASSERT_NEAR(acosLanes(x), std::acos(static_cast<double>(x)), 5e-7) << x;
  }
  for (float x : {0.001f, 0.25f, 0.5f, 0.9f, 1.0f, 3.0f})
    for (float y : {0.1f, 0.5f, 1.0f, 2.5f, 7.0f})
      ASSERT_LE(relative(static_cast<double>(powLanes(x, y)), std::pow(static_cast<double>(x), y)),
                2e-6)
          << x << y;
  // The ends: e^0 and 0^y exactly, far arguments held to finite values.
  EXPECT_EQ(expLanes(0.0f), 1.0f);
  EXPECT_EQ(powLanes(0.0f, 0.5f), 0.0f);
  EXPECT_TRUE(std::isfinite(expLanes(1000.0f)) && expLanes(-1000.0f) >= 0.0f);
}

// --- The baseline and AVX2 builds of the loops ---

using s3d_deform::Loops;
using LoopIn = std::span<const Vec3>;
using LoopOut = std::span<Vec3>;

// One prepared modifier and the call of its loop in a given table.
struct LoopRow {
  const char* what;
  std::shared_ptr<S3DModifierGizmo> pModifier;
  std::function<void(const Loops&, LoopIn, LoopOut)> run;
};

// A modifier of type T on the box (-1, 0, -1)..(1, 10, 1), its gizmo turned, moved and scaled
// so that G and H mix the axes, set up by `set` and prepared; `call` runs its loop of a table as
// its deform does once prepare found it active.
template <class T, class Call>
LoopRow loopRow(const char* what, const std::function<void(T&)>& set, Call call) {
  auto pModifier = std::make_shared<T>();
  pModifier->m_rotation = {0.1f, 0.2f, 0.3f, 0.927f};
  pModifier->m_position = {0.5f, 1, -0.25f};
  pModifier->m_scale = {1.1f, 0.9f, 1.3f};
  set(*pModifier);
  pModifier->setBox({-1, 0, -1}, {1, 10, 1});
  pModifier->prepare(defaultCamera());
  EXPECT_TRUE(pModifier->m_active) << what;
  return {what, pModifier, [pModifier, call](const Loops& loops, LoopIn in, LoopOut out) {
            call(*pModifier, loops, in, out);
          }};
}
template <class T>
LoopRow loopRow(const char* what, const std::function<void(T&)>& set,
                void (*Loops::*entry)(const T&, LoopIn, LoopOut)) {
  return loopRow<T>(what, set, [entry](const T& m, const Loops& loops, LoopIn in, LoopOut out) {
    (loops.*entry)(m, in, out);
  });
}

// Equal bytes, or both NaN: a NaN's sign bit follows the operand order the compiler picks for
// additions and products, which the formulas do not fix.
bool sameBytes(float a, float b) {
  return std::bit_cast<uint32_t>(a) == std::bit_cast<uint32_t>(b) ||
         (std::isnan(a) && std::isnan(b));
}

// 301 points: four blocks of 64 and a tail that is no multiple of the lane width, spread over the
// box and beyond it, then zeros of both signs, far, infinite and NaN coordinates.
std::vector<Vec3> loopPoints() {
  std::vector<Vec3> points;
  uint32_t seed = 7u;
  const auto next = [&seed](float lo, float hi) {
    seed = seed * 1664525u + 1013904223u;
    return lo + (hi - lo) * static_cast<float>(seed >> 8) / 16777216.0f;
  };
  for (int i = 0; i < 290; ++i)
    points.push_back({next(-3, 3), next(-2, 12), next(-3, 3)});
  const float inf = std::numeric_limits<float>::infinity();
  for (const Vec3 p : {Vec3{0, 0, 0}, Vec3{-0.0f, -0.0f, -0.0f}, Vec3{1e30f, 2, 0},
                       Vec3{1, -1e30f, 0}, Vec3{inf, 1, 2}, Vec3{kNaN, 1, 2}, Vec3{1, kNaN, 2},
                       Vec3{3, 4, -inf}, Vec3{0, 5, 0}, Vec3{1e-40f, 0, -1e-40f}, Vec3{5, 5e6f, 7}})
    points.push_back(p);
  return points;
}

TEST(S3DModifierPaths, BaselineAndWideLoopsGiveTheSameBytesForEveryType) {
  const auto circular = [](const auto& m, const Loops& loops, LoopIn in, LoopOut out) {
    loops.circularWave(m, in, out, m.m_amp1, m.m_amp2, m.m_length, m.m_phase, m.m_decay);
  };
  const std::vector<LoopRow> rows = {
      loopRow<S3DModifierBend>(
          "bend", [](auto& m) { m.m_angle = 1.5f, m.m_direction = 0.3f; }, &Loops::bend),
      loopRow<S3DModifierStretch>(
          "stretch", [](auto& m) { m.m_axis = 0, m.m_stretch = -0.4f, m.m_amplify = 2.0f; },
          &Loops::stretch),
      loopRow<S3DModifierTwist>(
          "twist", [](auto& m) { m.m_angle = 2.0f; }, &Loops::twist),
      loopRow<S3DModifierTwist>(
          "twist with bias", [](auto& m) { m.m_axis = 2, m.m_angle = 2.0f, m.m_bias = 30.0f; },
          &Loops::twist),
      loopRow<S3DModifierTaper>(
          "taper", [](auto& m) { m.m_amount = 0.5f, m.m_curve = 1.0f; }, &Loops::taper),
      loopRow<S3DModifierTaper>(
          "symmetric taper on z",
          [](auto& m) { m.m_effect = 2, m.m_symmetry = 1, m.m_amount = -0.5f, m.m_curve = 2.0f; },
          &Loops::taper),
      loopRow<S3DModifierSkew>(
          "skew", [](auto& m) { m.m_amount = 5.0f, m.m_direction = 0.5f; }, &Loops::skew),
      loopRow<S3DModifierSpherify>(
          "spherify", [](auto& m) { m.m_percent = 0.5f; }, &Loops::spherify),
      loopRow<S3DModifierMelt>(
          "melt", [](auto& m) { m.m_amount = 60.0f, m.m_spread = 40.0f; }, &Loops::melt),
      loopRow<S3DModifierNoise>(
          "noise",
          [](auto& m) {
            m.m_strength = Vec3{2.0f, -1.5f, 0.5f}, m.m_noiseScale = 3.0f;
          },
          &Loops::noise),
      loopRow<S3DModifierNoise>(
          "fractal noise",
          [](auto& m) {
            m.setStrength(2.0f), m.m_noiseScale = 0.7f, m.m_fractal = 1, m.m_value104 = 6;
          },
          &Loops::noise),
      loopRow<S3DModifierWave>(
          "circular wave",
          [](auto& m) {
            m.m_amp1 = 1.0f, m.m_amp2 = 2.0f, m.m_waveLength = 3.0f, m.m_decay = 0.1f,
            m.m_phase = 0.25f;
          },
          circular),
      loopRow<S3DModifierWave>(
          "linear wave",
          [](auto& m) {
            m.m_variant = 1, m.m_amp1 = 1.0f, m.m_amp2 = 2.0f, m.m_waveLength = 3.0f,
            m.m_decay = 0.1f;
          },
          &Loops::linearWave),
      loopRow<S3DModifierSpaceWarp>(
          "space warp",
          [](auto& m) { m.m_values = {1, 2, 3, 0.1f, 0.05f, 0.1f, 0, 0}, m.animate(2.5f); },
          [](const S3DModifierSpaceWarp& m, const Loops& loops, LoopIn in, LoopOut out) {
            using W = S3DModifierSpaceWarp;
            loops.circularWave(m, in, out, m.m_values[W::kAmp1], m.m_values[W::kAmp2], m.m_length,
                               m.m_wavePhase, m.m_values[W::kDecay]);
          }),
  };
  const Loops* pBaseline = s3d_deform::loopsFor(s3d_deform::LoopPath::kBaseline);
  const Loops* pAvx2 = s3d_deform::loopsFor(s3d_deform::LoopPath::kAvx2);
  const Loops* pAvx512 = s3d_deform::loopsFor(s3d_deform::LoopPath::kAvx512);
  ASSERT_NE(pBaseline, nullptr);
  // The modifiers' deform runs the widest table there is.
  EXPECT_EQ(&s3d_deform::activeLoops(), pAvx512 ? pAvx512 : pAvx2 ? pAvx2 : pBaseline);
  if (!pAvx2) GTEST_SKIP() << "this CPU has no AVX2";
  const std::vector<Vec3> points = loopPoints();
  for (const LoopRow& row : rows) {
    SCOPED_TRACE(row.what);
    std::vector<Vec3> baseline(points.size()), viaDeform(points.size());
    row.run(*pBaseline, points, baseline);
    row.pModifier->deform(points, viaDeform, 0);
    // The wide loops in place: a block is read whole before it is written.
    std::vector<Vec3> avx2 = points, avx512 = points;
    row.run(*pAvx2, avx2, avx2);
    if (pAvx512) row.run(*pAvx512, avx512, avx512);
    int moved = 0;
    for (std::size_t i = 0; i < points.size(); ++i) {
      moved += points[i] == baseline[i] ? 0 : 1;
      // One point alone goes through the loops' scalar tails, not the packed lanes.
      const Vec3 alone = row.pModifier->deformPoint(points[i], 0);
      EXPECT_TRUE(sameBytes(alone.x, baseline[i].x) && sameBytes(alone.y, baseline[i].y) &&
                  sameBytes(alone.z, baseline[i].z))
          << i;
      for (int k = 0; k < 3; ++k) {
        const auto component = [k](const Vec3& p) { return k == 0 ? p.x : k == 1 ? p.y : p.z; };
        const float b = component(baseline[i]);
        EXPECT_TRUE(sameBytes(b, component(avx2[i]))) << i << ": " << b << " (AVX2)";
        EXPECT_TRUE(!pAvx512 || sameBytes(b, component(avx512[i])))
            << i << ": " << b << " (AVX-512)";
        EXPECT_TRUE(sameBytes(b, component(viaDeform[i]))) << i << ": " << b << " (deform)";
      }
    }
    // Not a modifier that leaves the points alone.
    EXPECT_GT(moved, 250);
  }
}

TEST(S3DModifierPaths, NoiseLoopsComputeTheGradientNoiseOfEachPoint) {
  // With the identity gizmo p · G = p exactly and one octave sums N once with weight 1, so
  // x' = x + N(z r + 1/2 + o, y r + 1/2 + o) sx to the bit (and likewise y', z'). (The other
  // builds give the baseline's bytes: BaselineAndWideLoopsGiveTheSameBytesForEveryType.)
  S3DModifierNoise noise;
  noise.m_strength = {2.0f, -1.5f, 0.5f};
  noise.m_noiseScale = 0.8f;
  noise.m_seed = 9;
  noise.setBox({-1, 0, -1}, {1, 10, 1});
  noise.prepare(defaultCamera());
  ASSERT_TRUE(noise.m_active);
  const float r = noise.m_reciprocalScale, o = noise.m_noiseOffset;
  std::vector<Vec3> points = loopPoints();
  points.resize(290);  // the finite ones
  std::vector<Vec3> out(points.size());
  s3d_deform::loopsFor(s3d_deform::LoopPath::kBaseline)->noise(noise, points, out);
  for (std::size_t i = 0; i < points.size(); ++i) {
    const Vec3 p = points[i];
    const float a = p.x * r + 0.5f, b = p.y * r + 0.5f, c = p.z * r + 0.5f;
    EXPECT_EQ(out[i].x, p.x + gradientNoise(c, b, o) * 2.0f) << i;
    EXPECT_EQ(out[i].y, p.y + gradientNoise(a, c, o) * -1.5f) << i;
    EXPECT_EQ(out[i].z, p.z + gradientNoise(a, b, o) * 0.5f) << i;
  }
}

// --- The stack on a mesh ---

// A mesh with the given vertices and one triangle (0, 1, 2), prepared for drawing.
struct StackMesh {
  explicit StackMesh(std::vector<Vec3> vertices) {
    material.m_subMaterials.resize(1);
    s3d_render::setMesh(mesh, std::move(vertices), {{0, 1, 2}}, &material);
  }
  S3DMaterial material;
  S3DTriObject mesh;
  S3DCamera camera;
};

TEST(S3DModifierStack, ChannelWeightsBlendSourceAndDeformedPoints) {
  // Skew 2 over a box height of 10 moves each vertex at y = 10 by 2 along x; the weights 0, 0.5
  // and 1 move them by 0, 1 and 2, inverted by 2, 1 and 0. Without a channel, all by 2.
  struct Row {
    const char* what;
    int32_t useChannel;
    int32_t invert;
    std::vector<float> expectedX;
  };
  const std::vector<Row> rows{
      {"no channel", 0, 0, {2, 2, 2}},
      {"weights", 1, 0, {0, 1, 2}},
      {"inverted", 1, 1, {2, 1, 0}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    StackMesh m({{0, 10, 0}, {0, 10, 1}, {0, 10, 2}});
    S3DModifierSkew skew;
    skew.m_amount = 2;
    skew.setBox({-1, 0, -1}, {1, 10, 1});
    const std::vector<float> weights{0, 0.5f, 1};
    S3DModifierApplication application;
    application.pModifier = &skew;
    application.channel.useChannel = row.useChannel;
    application.channel.invert = row.invert;
    application.channel.pValues = &weights;
    m.mesh.m_applications.push_back(application);
    for (int frame = 0; frame < 2; ++frame) {  // the saved copy is the source every frame
      m.mesh.transform(m.camera);
      for (std::size_t v = 0; v < 3; ++v)
        EXPECT_FLOAT_EQ(m.mesh.m_vertices[v].x, row.expectedX[v]) << "vertex " << v;
    }
  }
}

TEST(S3DModifierStack, ALaterEntryReceivesTheBoxOfWhatItDeformsAtItsNextPrepare) {
  // Entry 0 stretches by 1 with amplify 0: k = 1 (x, z unchanged) and y doubles, so the mesh's
  // y range [0, 10] leaves it as [0, 20]. Entry 1 bends by pi/2: its first frame measures the
  // mesh's box (R = 10 / (pi/2) = 6.3662), then the box it received (R = 20 / (pi/2) = 12.7324).
  StackMesh m({{-1, 0, 0}, {1, 10, 0}, {0, 5, 1}});
  S3DModifierStretch stretch;
  stretch.m_stretch = 1;
  S3DModifierBend bend;
  bend.m_angle = kPi * 0.5f;
  for (S3DModifierGizmo* pGizmo :
       {static_cast<S3DModifierGizmo*>(&stretch), static_cast<S3DModifierGizmo*>(&bend)})
    pGizmo->setBox(m.mesh.m_boxMin, m.mesh.m_boxMax);
  m.mesh.m_applications.resize(2);
  m.mesh.m_applications[0].pModifier = &stretch;
  m.mesh.m_applications[1].pModifier = &bend;
  m.mesh.transform(m.camera);
  EXPECT_NEAR(bend.m_radius, 6.3661977f, kTolerance);
  EXPECT_EQ(bend.m_boxMin, (Vec3{-1, 0, 0}));
  EXPECT_EQ(bend.m_boxMax, (Vec3{1, 20, 1}));
  // The first entry keeps the mesh's box.
  EXPECT_EQ(stretch.m_boxMax, (Vec3{1, 10, 1}));
  m.mesh.transform(m.camera);
  EXPECT_NEAR(bend.m_radius, 12.732395f, 2 * kTolerance);
  // Vertex 1 is stretched to (1, 20, 0), then bent with theta = pi - 20 / R = pi/2:
  // x' = R - 1 * 0 = R, y' = R - 1 = 11.7324.
  expectNear(m.mesh.m_vertices[1], {12.732395f, 11.732395f, 0}, 4 * kTolerance);
}

TEST(S3DModifierStack, TheHandedOverBoxTakesPointsInOrderLikeMinAndMax) {
  // Two entries that leave the points alone (skews of 0); the second receives the box of the six
  // points. Per axis, lo := p < lo ? p : lo and hi := hi < p ? p : hi from the first point on: a
  // NaN is passed over, and of equal zeros the first stays. x: 1, then -0 < 1, then neither
  // 0 nor -0 is below -0: min -0, max 2. y: min -3, max 7 (the NaN skipped). z: 0, then the
  // NaN, 4 and -0 are not below 0: min +0, max 4. The last point is the one read alone.
  const float negZero = -0.0f;
  StackMesh m({{1, 5, 0},
               {negZero, 2, kNaN},
               {0, -3, 4},
               {2, 7, negZero},
               {0.5f, kNaN, 1},
               {negZero, 1, 3}});
  S3DModifierSkew first, second;
  m.mesh.m_applications.resize(2);
  m.mesh.m_applications[0].pModifier = &first;
  m.mesh.m_applications[1].pModifier = &second;
  m.mesh.transform(m.camera);
  EXPECT_EQ(second.m_boxMin, (Vec3{0, -3, 0}));
  EXPECT_EQ(second.m_boxMax, (Vec3{2, 7, 4}));
  EXPECT_TRUE(std::signbit(second.m_boxMin.x));
  EXPECT_FALSE(std::signbit(second.m_boxMin.z));
}

TEST(S3DModifierStack, EntriesWithoutAModifierAreSkippedAndReportedOnce) {
  StackMesh m({{0, 10, 0}, {0, 10, 1}, {1, 10, 0}});
  m.mesh.m_name = "box";
  m.mesh.m_modifiers.push_back(nullptr);  // a stack slot of a type that does not exist
  S3DModifierSkew skew;
  skew.m_amount = 2;
  skew.setBox({-1, 0, -1}, {1, 10, 1});
  m.mesh.m_applications.resize(3);
  m.mesh.m_applications[0].name = "0";
  m.mesh.m_applications[1].name = "1";
  m.mesh.m_applications[1].pModifier = &skew;
  m.mesh.m_applications[2].name = "0";
  const auto reports = s3d_test::reportsOf([&] {
    m.mesh.prepareDrawing();
    for (int frame = 0; frame < 3; ++frame)
      m.mesh.transform(m.camera);
  });
  const std::string line =
      "S3DTriObject warning: box|modifier list entry 0 names no modifier: "
      "it is skipped";
  EXPECT_EQ(reports, (std::vector<std::string>{line, line}));
  // The skew, the only entry acting, reads the saved copy: x + 10 * 0.2, every frame the same.
  EXPECT_FLOAT_EQ(m.mesh.m_vertices[2].x, 3.0f);
}

TEST(S3DModifierStack, OnlyTheFirstTwentyWorldSpaceModifiersAct) {
  // Each world-space skew moves x by y * amount / height = 10 * 0.1 / 10 = 0.1 (the skew keeps
  // y, so each one measures the same height of 10). The camera is the identity view.
  StackMesh m({{0, 0, 50}, {0, 10, 50}, {1, 10, 50}});
  std::vector<WSModifier> wsModifiers(21);
  for (WSModifier& ws : wsModifiers) {
    auto pSkew = std::make_unique<S3DModifierSkew>();
    pSkew->m_worldSpace = 1;
    pSkew->m_amount = 0.1f;
    ws.m_pModifier = std::move(pSkew);
    S3DWSModifierBinding binding;
    binding.pWSModifier = &ws;
    m.mesh.m_wsModifiers.push_back(binding);
  }
  m.mesh.transform(m.camera);
  // 20 * 0.1 = 2 (21 would give 2.1); the object-space vertices are untouched.
  EXPECT_NEAR(m.mesh.m_cameraVertices[1].x, 2.0f, 1e-5f);
  EXPECT_NEAR(m.mesh.m_cameraVertices[2].x, 3.0f, 1e-5f);
  EXPECT_EQ(m.mesh.m_cameraVertices[0], (Vec3{0, 0, 50}));
  EXPECT_EQ(m.mesh.m_vertices[1], (Vec3{0, 10, 50}));
}

TEST(S3DModifierStack, NormalsComeFromTheDeformedFaces) {
  // The face (0,0,0), (0,1,0), (0,0,1) has the normal (0,1,0) x (0,0,1) = (1, 0, 0). Skew 10
  // over a height of 10 (factor 1) moves (0,1,0) to (1,1,0): (1,1,0) x (0,0,1) = (1, -1, 0),
  // unit (0.70711, -0.70711, 0), which every vertex takes (one face, factor 1).
  StackMesh m({{0, 0, 0}, {0, 1, 0}, {0, 0, 1}});
  m.mesh.transform(m.camera);
  expectNear(m.mesh.m_cameraNormals[1], {1, 0, 0}, kTolerance);
  S3DModifierSkew skew;
  skew.m_amount = 10;
  skew.setBox({0, 0, 0}, {0, 10, 0});
  m.mesh.m_applications.resize(1);
  m.mesh.m_applications[0].pModifier = &skew;
  m.mesh.transform(m.camera);
  for (int v = 0; v < 3; ++v)
    expectNear(m.mesh.m_cameraNormals[static_cast<std::size_t>(v)], {0.70710678f, -0.70710678f, 0},
               kTolerance);
}

}  // namespace
