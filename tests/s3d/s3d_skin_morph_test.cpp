// Skin and morph: the per-vertex formulas against hand-worked points, what unbound bones, short
// targets and broken weights give, and the binding of bones and targets after loading with its
// reports. (The index checks of the bone and target setters guard the program's own calls, which
// the binding makes with indices in range.)

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "s3d/s3d_camera.h"
#include "s3d/s3d_modifier_morph.h"
#include "s3d/s3d_modifier_skin.h"
#include "tests/s3d/s3d_test_util.h"

namespace {

using namespace s3d_test;
using namespace l3x;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
struct Entry {
  float weight;
  uint16_t bone;
};

// A skin of identity binds (offset and inverseSkinBind are the identity, so the skin matrix is
// the bone's world matrix) over `worlds`; a null world leaves the bone unbound.
std::unique_ptr<S3DModifierSkin> makeSkin(const std::vector<const Matrix44*>& worlds,
                                          const std::vector<std::vector<Entry>>& vertices) {
  auto pSkin = std::make_unique<S3DModifierSkin>();
  S3DModifierSkin& skin = *pSkin;
  skin.m_bones.resize(worlds.size());
  for (std::size_t i = 0; i < worlds.size(); ++i)
    skin.m_bones[i].pWorld = worlds[i];
  for (const auto& vertex : vertices) {
    for (const Entry& e : vertex) {
      skin.m_weights.push_back(e.weight);
      skin.m_weightBones.push_back(e.bone);
    }
    skin.m_vertexFirst.push_back(static_cast<uint32_t>(skin.m_weights.size()));
  }
  skin.prepare(defaultCamera());
  return pSkin;
}

// The bone moves by (2, 0, 0). From p = (1, 1, 1): p · S0 = (3, 1, 1).
TEST(S3DModifierSkin, WeightsAsStored) {
  const Matrix44 right = translation({2, 0, 0});
  struct Case {
    const char* what;
    std::vector<Entry> entries;
    Vec3 expected;
  };
  const std::vector<Case> cases = {
      {"no weight", {}, {1, 1, 1}},
      // p + (q - p) · 0.5 = (1, 1, 1) + (1, 0, 0).
      {"one bone, weight 0.5: halfway", {{0.5f, 0}}, {2, 1, 1}},
      // 0.3 (3, 1, 1) + 0.3 (3, 1, 1) = 0.6 (3, 1, 1): no normalisation.
      {"0.3 + 0.3: toward the origin", {{0.3f, 0}, {0.3f, 0}}, {1.8f, 0.6f, 0.6f}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    expectNear(makeSkin({&right}, {c.entries})->deformPoint({1, 1, 1}, 0), c.expected, 1e-6f);
  }
}

// skin matrix = offset · world · inverseSkinBind, with the binds read from a file: the mesh was
// bound at z = 1 (skinBind T(0, 0, 1)), the bone at y = 2 (boneBind T(0, 2, 0)); the bone now
// turns a quarter about z where it stands: world = Rz(90°) · T(0, 2, 0), Rz taking (x, y) to
// (-y, x). Object point (0, 0, 0) -> bind world (0, 0, 1) -> bone space (0, -2, 1) -> turned
// (2, 0, 1) -> world (2, 2, 1) -> object space (2, 2, 0). (1, 0, 0): bone space (1, -2, 1) ->
// (2, 1, 1) -> (2, 3, 1) -> (2, 3, 0).
TEST(S3DModifierSkin, BindsFromTheFileAndTheBoundBone) {
  LoadedScene loaded = loadScene(withCamera(
      {oneMaterial(), dummies({dummy({.name = "bone"})}),
       meshes({mesh({head({.name = "arm"}), geometry({vertices({{0, 0, 0}, {0, 0, 0}})}),
                     stack({modifier(1, {skin({1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 1},
                                              {{"bone", {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 2, 0}},
                                               {"arm"},
                                               {"ghost"},
                                               {"boneMesh"}},
                                              {{{1.0f, 0}}, {{0.5f, 0}, {0.5f, 1}}})})})}),
               mesh({head({.name = "boneMesh"})})})}));
  S3DScene& s = *loaded.scene;
  // Each unbound bone says why; the skinned mesh, its own bone, stays visible; a mesh that is
  // only a bone is bound through its matrix and hidden.
  EXPECT_EQ(loaded.count("S3DScene warning:|cant find bone"), 1u);
  EXPECT_EQ(loaded.count("S3DScene warning:|skin bone arm is the skinned object itself; the bone "
                         "stays unbound"),
            1u);
  EXPECT_EQ(std::tuple(s.m_triObjects[0].m_visible, s.m_triObjects[1].m_visible), std::tuple(1, 0));
  auto& skin = static_cast<S3DModifierSkin&>(*s.m_triObjects[0].m_modifiers.at(0));
  EXPECT_EQ(skin.m_bones.at(3).pWorld, &s.m_triObjects[1].m_matrix);
  s.m_dummies[0].m_matrix = multiply(rotationZ(kPi / 2), translation({0, 2, 0}));
  skin.prepare(defaultCamera());
  expectNear(skin.deformPoint({0, 0, 0}, 0), {2, 2, 0});
  // Half on the bone, half on the unbound self-bone (the identity): 0.5 (2, 3, 0) + 0.5 (1, 0, 0).
  expectNear(skin.deformPoint({1, 0, 0}, 1), {1.5f, 1.5f, 0});
}

// A NaN weight or an unbound bone leave the point or its share where it was.
TEST(S3DModifierSkin, BadInputPassesOrHoldsStill) {
  const Matrix44 right = translation({2, 0, 0});
  struct Case {
    const char* what;
    std::vector<const Matrix44*> worlds;
    std::vector<Entry> entries;
    Vec3 expected;
  };
  // p = (1, 1, 1); bone 0 gives (3, 1, 1); an unbound or missing bone gives p itself.
  const std::vector<Case> cases = {
      {"NaN weight, one bone", {&right}, {{kNaN, 0}}, {1, 1, 1}},
      // 0.5 (3, 1, 1) + 0.5 (1, 1, 1).
      {"unbound bone: as if it never moved", {&right, nullptr}, {{0.5f, 0}, {0.5f, 1}}, {2, 1, 1}},
      // Without bones nothing moves, whatever the weights say.
      {"no bones", {}, {{0.3f, 0}, {0.3f, 1}}, {1, 1, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(makeSkin(c.worlds, {c.entries})->deformPoint({1, 1, 1}, 0), c.expected);
  }
}

// The lane kernel against its scalar twin on seeded random skins: 0 to 6 bones a vertex, weights
// from -2 to 2 plus 0 and 1, bone indices beyond the list, coordinates up to 1000. Same bytes.
TEST(S3DModifierSkin, LaneKernelMatchesItsScalarTwin) {
  uint32_t state = 2024u;
  const auto next = [&] {
    state = state * 1664525u + 1013904223u;
    return static_cast<float>(state >> 8) * (1.0f / 16777216.0f);
  };
  std::vector<Matrix44> worlds(5);
  for (Matrix44& world : worlds)
    world = multiply(euler(next() * 6.0f, next() * 6.0f, next() * 6.0f),
                     multiply(scaling({next() + 0.5f, next() + 0.5f, 1.0f}),
                              translation({next() * 100.0f, next() * 100.0f, -50.0f})));
  std::vector<std::vector<Entry>> vertices(2000);
  for (auto& entries : vertices) {
    entries.resize(static_cast<std::size_t>(next() * 7.0f));
    for (Entry& e : entries) {
      const float pick = next();
      e = {pick < 0.1f   ? 0.0f
           : pick < 0.2f ? 1.0f
                         : next() * 4.0f - 2.0f,
           static_cast<uint16_t>(next() * 6.5f)};
    }
  }
  const auto pSkin = makeSkin({&worlds[0], &worlds[1], &worlds[2], nullptr, &worlds[4]}, vertices);
  std::vector<Vec3> points(vertices.size());
  for (Vec3& p : points)
    p = {next() * 2000.0f - 1000.0f, next() * 2.0f - 1.0f, next() * 2000.0f - 1000.0f};
  std::vector<Vec3> lanes(points.size()), scalar(points.size());
  pSkin->deform(points, lanes, 0, S3DModifierSkin::Kernel::kLanes);
  pSkin->deform(points, scalar, 0, S3DModifierSkin::Kernel::kScalar);
  EXPECT_EQ(std::memcmp(lanes.data(), scalar.data(), lanes.size() * sizeof(Vec3)), 0);
  EXPECT_NE(lanes, points);
}

// Morph targets of one to three vertices for a mesh of three.
struct MorphCase {
  const char* what;
  std::vector<float> weights;
  std::vector<std::vector<Vec3>> targets;
  std::vector<Vec3> mesh;
  std::vector<Vec3> expected;
};

TEST(S3DModifierMorph, ActiveTargetsBlendFromTheSamePoint) {
  const std::vector<MorphCase> cases = {
      // 0.01 is not above 0.01; 0.011 is, and moves (0, 0, 0) by 0.011 (1, 0, 0).
      {"weight 0.01 ignored", {0.01f}, {{{1, 0, 0}}}, {{0, 0, 0}}, {{0, 0, 0}}},
      {"weight 0.011 acts", {0.011f}, {{{1, 0, 0}}}, {{0, 0, 0}}, {{0.011f, 0, 0}}},
      // 0.5 (4, 0, 0) + 0.25 (0, 8, 0), both from p = 0; blending one after the other would give
      // (2, 0, 0) + 0.25 ((0, 8, 0) - (2, 0, 0)) = (1.5, 2, 0).
      {"terms from the incoming point",
       {0.5f, 0.25f},
       {{{4, 0, 0}}, {{0, 8, 0}}},
       {{0, 0, 0}},
       {{2, 2, 0}}},
      {"unbound target", {1}, {{}}, {{5, 5, 5}}, {{5, 5, 5}}},
      // Target 0 has one vertex: vertices 1 and 2 only get target 1's (0, 0, 3) - p.
      {"short target",
       {1, 0.5f},
       {{{1, 0, 0}}, {{0, 0, 3}, {0, 0, 3}, {0, 0, 3}}},
       {{0, 0, 0}, {1, 1, 1}, {2, 2, 2}},
       {{1, 0, 1.5f}, {0.5f, 0.5f, 2}, {1, 1, 2.5f}}},
  };
  for (const MorphCase& c : cases) {
    SCOPED_TRACE(c.what);
    S3DModifierMorph morph;
    morph.create(static_cast<int32_t>(c.weights.size()));
    for (std::size_t t = 0; t < c.weights.size(); ++t) {
      morph.m_targets[t].weight = c.weights[t];
      if (!c.targets[t].empty()) morph.setTargetVertex(static_cast<int32_t>(t), c.targets[t]);
    }
    morph.prepare(defaultCamera());
    std::vector<Vec3> out(c.mesh.size());
    morph.deform(c.mesh, out, 0);
    ASSERT_EQ(out.size(), c.expected.size());
    for (std::size_t i = 0; i < out.size(); ++i)
      expectNear(out[i], c.expected[i]);
  }
}

// The active list keeps target order and lives in storage made with the targets.
TEST(S3DModifierMorph, ActiveListInTargetOrderWithoutAllocating) {
  S3DModifierMorph morph;
  morph.create(4);
  const std::vector<Vec3> target(1);
  const float weights[] = {0.0f, 0.5f, 0.01f, 0.02f};
  for (int32_t t = 0; t < 4; ++t) {
    morph.m_targets[static_cast<std::size_t>(t)].weight = weights[t];
    morph.setTargetVertex(t, target);
  }
  const int32_t* pStorage = morph.m_active.data();
  morph.prepare(defaultCamera());
  EXPECT_EQ(morph.m_active, (std::vector<int32_t>{1, 3}));
  for (auto& t : morph.m_targets)
    t.weight = 1.0f;
  morph.prepare(defaultCamera());
  EXPECT_EQ(morph.m_active, (std::vector<int32_t>{0, 1, 2, 3}));
  EXPECT_EQ(morph.m_active.data(), pStorage);
}

// A morph target found by name blends toward that mesh's vertices and is hidden; the mesh cannot
// be its own target, and a name that finds nothing is reported.
TEST(S3DModifierMorph, TargetsBoundAfterLoading) {
  LoadedScene loaded = loadScene(withCamera(
      {oneMaterial(),
       meshes({mesh({head({.name = "face"}), geometry({vertices({{0, 0, 0}, {1, 0, 0}})}),
                     stack({modifier(
                         2, {morph({{"smile", 0.5f}, {"face", 1.0f}, {"missing", 1.0f}})})})}),
               mesh({head({.name = "smile"}), geometry({vertices({{0, 2, 0}})})})})}));
  S3DScene& s = *loaded.scene;
  EXPECT_EQ(loaded.count("S3DScene warning:|morph target face is the morphed object itself; the "
                         "target stays unbound"),
            1u);
  EXPECT_EQ(loaded.count("S3DScene warning:|cant find morph target"), 1u);
  EXPECT_EQ(std::tuple(s.m_triObjects[0].m_visible, s.m_triObjects[1].m_visible), std::tuple(1, 0));
  auto& morph = static_cast<S3DModifierMorph&>(*s.m_triObjects[0].m_modifiers.at(0));
  morph.prepare(defaultCamera());
  // Vertex 0: (0, 0, 0) + 0.5 (0, 2, 0); vertex 1 is past the one-vertex target: unchanged.
  std::vector<Vec3> out(2);
  morph.deform(s.m_triObjects[0].m_vertices, out, 0);
  EXPECT_EQ(out, (std::vector<Vec3>{{0, 1, 0}, {1, 0, 0}}));
}

}  // namespace
