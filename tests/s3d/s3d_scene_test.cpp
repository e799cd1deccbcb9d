// The scene model: lookups and their reports, the per-frame setters, animation through the tracks,
// the parent links; then the scene controllers that drive it. (What the loader binds and hides:
// the reader's and the skin and morph tests.)

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "control/lecx_controller_l3x.h"
#include "image/cimage32.h"
#include "s3d/s3d_modifier_deform.h"
#include "s3d/s3d_scene.h"
#include "s3d/s3d_scene_params.h"
#include "s3d/viewport.h"
#include "tests/s3d/l3x_bytes.h"
#include "tests/s3d/s3d_test_util.h"

namespace {

using namespace l3x;
using namespace s3d_test;
using Names = std::vector<std::string>;

TEST(S3DSceneLookup, FindNodeSearchesTheCollectionsInOrder) {
  // Names shared between collections, to see which one each lookup searches first. Camera 0's
  // target is named like camera 1: within cameras a camera's own name is tried, then its target's,
  // camera by camera.
  const LoadedScene loaded = loadScene(
      sceneFile({oneMaterial(), meshes({mesh({head({.name = "a"})})}),
                 dummies({dummy({.name = "a"}), dummy({.name = "b"})}),
                 shapes({shape(1, {head({.name = "b"})}), shape(1, {head({.name = "c"})})}),
                 lights({light({.head = {.name = "c"}}), light({.head = {.name = "d"}})}),
                 wsModifiers({wsModifier({.name = "d"}, 3), wsModifier({.name = "e"}, 3)}),
                 cameras({camera({.head = {.name = "e"}, .target = Head{.name = "t"}}),
                          camera({.head = {.name = "t"}, .target = Head{.name = "u"}})})}));
  ASSERT_EQ(loaded.reports, Names{});
  S3DScene& s = *loaded.scene;
  const std::vector<std::pair<const char*, const S3DNode*>> cases{
      {"a", &s.m_triObjects.at(0)},        // mesh before dummy
      {"b", &s.m_dummies.at(1)},           // dummy before shape
      {"c", s.m_shapes.at(1).get()},       // shape before light
      {"d", &s.m_lights.at(1)},            // light before world-space modifier
      {"e", &s.m_wsModifiers.at(1)},       // world-space modifier before camera
      {"t", &s.m_cameras.at(0).m_target},  // a target's name gives the target's head
      {"u", &s.m_cameras.at(1).m_target}, {"NULL", nullptr}, {"", nullptr}, {"zzz", nullptr},
  };
  EXPECT_EQ(reportsOf([&] {
              for (const auto& [name, pExpected] : cases)
                EXPECT_EQ(s.findNode(name), pExpected) << name;
            }),
            Names{});
  // The single-collection lookups.
  EXPECT_EQ(std::tuple(s.findCamera("t"), s.findTriObject("b"), s.findShape("c"), s.findLight("d"),
                       s.findWSModifier("e"), s.findCamera("NULL")),
            std::tuple(&s.m_cameras.at(1), nullptr, s.m_shapes.at(1).get(), &s.m_lights.at(1),
                       &s.m_wsModifiers.at(1), nullptr));
}

LoadedScene modifierScene() {
  return loadScene(withCamera(
      {oneMaterial(),
       wsModifiers({wsModifier({.name = "bender"}, 3), wsModifier({.name = "wsg"}, 7)}),
       meshes(
           {mesh({head({.name = "bender"}), stack({modifier(5), modifier(3), modifier(3)})}),
            mesh({head({.name = "twice"}), stack({modifier(8), modifier(3), modifier(3)})}),
            mesh({head({.name = "dots"}), stack({modifier(3)})}),
            mesh({head({.name = "g"}), stack({modifier(10), modifier(3),
                                              modifier(1, {skin(kIdentity12, {{"g"}}, {{}})})})}),
            mesh({head({.name = "wm"}), stack({modifier(6), modifier(11)})})}),
       shapes({shape(1, {head({.name = "dots"}), stack({modifier(7)})}),
               shape(1, {head({.name = "sg"}), stack({modifier(8)})})})}));
}

TEST(S3DSceneLookup, FindModifierAndItsGizmo) {
  const LoadedScene loaded = modifierScene();
  S3DScene& s = *loaded.scene;
  const auto entry = [&](const S3DVertexObject& object, std::size_t index) {
    return object.m_modifiers.at(index).get();
  };
  const auto mesh = [&](std::size_t i) -> const S3DTriObject& { return s.m_triObjects.at(i); };
  const std::vector<std::tuple<const char*, int, const S3DModifier*>> modifiers{
      // A world-space modifier of that name and type comes first.
      {"bender", 3, s.m_wsModifiers.at(0).m_pModifier.get()},
      // Of another type: the mesh's.
      {"bender", 5, entry(mesh(0), 0)},
      // The first of the type on the stack.
      {"twice", 3, entry(mesh(1), 1)},
      // Not on the mesh of that name: the shape of that name.
      {"dots", 7, entry(*s.m_shapes.at(0), 0)},
      {"dots", 3, entry(mesh(2), 0)},
      {"NULL", 3, nullptr},
  };
  const std::vector<std::tuple<const char*, int, const S3DModifier*>> gizmos{
      // The world-space modifier whatever the index.
      {"wsg", 5, s.m_wsModifiers.at(1).m_pModifier.get()},
      // The index modulo the stack size: 4 modulo 3 is 1.
      {"g", 1, entry(mesh(3), 1)},
      {"g", 4, entry(mesh(3), 1)},
      // Wave (6) and melt (11) have addressable gizmos.
      {"wm", 0, entry(mesh(4), 0)},
      {"wm", 3, entry(mesh(4), 1)},
      {"sg", 0, entry(*s.m_shapes.at(1), 0)},
  };
  EXPECT_EQ(reportsOf([&] {
              for (const auto& [name, type, pExpected] : modifiers)
                EXPECT_EQ(s.findModifier(name, type), pExpected) << name << " " << type;
              for (const auto& [name, index, pExpected] : gizmos)
                EXPECT_EQ(s.findModifierGizmo(name, index), pExpected) << name << " " << index;
            }),
            Names{});
  EXPECT_EQ(reportsOf([&] { EXPECT_EQ(s.findModifier("bender", 9), nullptr); }),
            Names{"S3DScene warning:|Can't find modifier type 9, of object bender"});
  // Spherify (entry 0) is not addressed through its gizmo; a skin (entry 2) has none.
  for (const int index : {0, 2, 3})
    EXPECT_EQ(reportsOf([&] { EXPECT_EQ(s.findModifierGizmo("g", index), nullptr); }),
              Names{"S3DScene warning:|Can't find modifier gizmo, object g"})
        << index;
}

TEST(S3DSceneLookup, FindMaterial) {
  const LoadedScene loaded = loadScene(
      withCamera({materials({material("m", {subMaterial("a"), subMaterial("b"), subMaterial("c")}),
                             material("m", {subMaterial("z")})})}));
  S3DScene& s = *loaded.scene;
  const std::vector<S3DSubMaterial>& subs = s.m_materials.at(0).m_subMaterials;
  // The first material of the name; the index modulo its 3 sub-materials.
  for (const auto& [index, expected] : std::vector<std::pair<int, std::size_t>>{{2, 2}, {4, 1}})
    EXPECT_EQ(s.findMaterial("m", index), &subs[expected]) << index;
  EXPECT_EQ(reportsOf([&] { EXPECT_EQ(s.findMaterial("nope", 2), nullptr); }),
            Names{"S3DScene warning:|Can't find material idx 2, called nope"});
  EXPECT_EQ(reportsOf([&] { EXPECT_EQ(s.findMaterial("NULL", 0), nullptr); }), Names{});
  EXPECT_EQ(std::tuple(s.getMaterial(1), s.getMaterial(2), s.getMaterial(-1)),
            std::tuple(&s.m_materials.at(1), nullptr, nullptr));
}

TEST(S3DSceneFrame, SetCameraAndViewPort) {
  S3DScene::resetCameraReport();
  const LoadedScene loaded =
      loadScene(sceneFile({cameras({plainCamera("c0"), plainCamera("c1")})}));
  S3DScene& s = *loaded.scene;
  EXPECT_EQ(std::tuple(s.m_currentCamera, s.m_cameraChanged), std::tuple(0, 0));
  EXPECT_EQ(reportsOf([&] { s.setCamera(1); }), Names{});
  EXPECT_EQ(std::tuple(s.m_currentCamera, s.m_cameraChanged), std::tuple(1, 1));
  // Out of range: reported once in the program's life, and nothing changes.
  EXPECT_EQ(reportsOf([&] { s.setCamera(2); }),
            Names{"S3DScene warning:|setCamera: not so much camera"});
  EXPECT_EQ(reportsOf([&] {
              s.setCamera(2);
              s.setCamera(7);
            }),
            Names{});
  EXPECT_EQ(s.m_currentCamera, 1);
  S3DScene::resetCameraReport();

  // (A viewport without a screen: S3DSceneRender.NothingWithoutCameraScreenOrSize.)
  CImage32Buffered screen(640, 480);
  ViewPort viewPort;
  viewPort.setScreen(&screen);
  s.setViewPort(&viewPort);
  EXPECT_EQ(s.m_pViewPort, &viewPort);
  // Every camera takes the screen's size (the scales from it: S3DProjection).
  for (const S3DCamera& camera : s.m_cameras)
    EXPECT_EQ(std::tuple(camera.m_width, camera.m_height), std::tuple(640.0f, 480.0f));
}

// Linear tracks from frame 0 to frame 30, looked at on frames 6 (u = 0.2) and 15 (u = 0.5).
Bytes animatedScene(bool withCameras) {
  std::vector<Bytes> lists{
      materials({material(
          "m",
          {subMaterial(
              "s", {drawing({}, {floatTrack(110, {{0, 0.2f}, {30, 2.2f}}),
                                 pointTrack(111, {{0, {0, 0, 0}}, {30, {0.3f, 0.6f, 0.9f}}}),
                                 pointTrack(112, {{0, {0, 0, 0}}, {30, {255, 255, 255}}})})})})}),
      dummies({dummy({.name = "mover",
                      .position = Xyz{5, 5, 5},
                      .positionKeys = {{0, {0, 0, 0}}, {30, {30, 60, -90}}},
                      .rotationKeys = {{0, {0, {0, 0, 1}}}, {30, {1.57079637f, {0, 0, 1}}}}})}),
      lights({light({.head = {.name = "l"},
                     .type = 1,
                     .intensity = 0.7f,
                     .intensityKeys = {{0, 1.0f}, {30, -2.0f}}})})};
  if (withCameras)
    lists.push_back(cameras({camera({.head = {.name = "c"}, .fovKeys = {{0, 1.0f}, {30, 2.0f}}})}));
  return sceneFile(lists);
}

TEST(S3DSceneFrame, SetTimeAnimatesThroughTheTracks) {
  struct Case {
    float frame;
    Vec3 position;
    float halfAngle;  // of the rotation about z
    float fov, intensity, opacity;
    Vec3 colour1;
    float colour2;
  };
  // position (30, 60, -90) u; rotation angle u pi/2 (slerp between two turns about z, so the
  // half-angle is u pi/4); fov 1 + u; intensity 1 - 3u, negative -> 0; opacity 0.2 + 2u clamped to
  // 1; colour1 (0.3, 0.6, 0.9) u; colour2 255 u on the 0..255 scale, so u in 0..1.
  const std::vector<Case> cases{
      {6.0f, {6, 12, -18}, 0.15707963f, 1.2f, 0.4f, 0.6f, {0.06f, 0.12f, 0.18f}, 0.2f},
      {15.0f, {15, 30, -45}, 0.39269908f, 1.5f, 0.0f, 1.0f, {0.15f, 0.3f, 0.45f}, 0.5f},
  };
  constexpr float kTolerance = 1e-5f;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.frame);
    const LoadedScene loaded = loadScene(animatedScene(true));
    S3DScene& s = *loaded.scene;
    EXPECT_FALSE(s.m_cameras.at(0).m_projectionDirty);
    s.m_dummies.at(0).m_dirty = 0;
    s.setTime(c.frame);
    EXPECT_EQ(s.getTime(), c.frame);
    const S3DDummy& mover = s.m_dummies.at(0);
    EXPECT_EQ(mover.m_dirty, 1);
    expectNear(mover.m_position, c.position, kTolerance);
    expectNear(mover.m_rotation, {0, 0, std::sin(c.halfAngle), std::cos(c.halfAngle)}, kTolerance);
    EXPECT_NEAR(s.m_cameras.at(0).m_fov, c.fov, kTolerance);
    EXPECT_TRUE(s.m_cameras.at(0).m_projectionDirty);
    EXPECT_NEAR(s.m_lights.at(0).m_intensity, c.intensity, kTolerance);
    EXPECT_GE(s.m_lights.at(0).m_intensity, 0.0f);
    const S3DSubMaterial& sub = s.m_materials.at(0).m_subMaterials.at(0);
    EXPECT_NEAR(sub.m_opacity, c.opacity, kTolerance);
    EXPECT_LE(sub.m_opacity, 1.0f);
    expectNear(sub.m_colors[0], c.colour1, kTolerance);
    EXPECT_NEAR(sub.m_colors[1].x, c.colour2, kTolerance);
    EXPECT_EQ(sub.m_changed, 1);
  }
}

TEST(S3DSceneFrame, ASceneWithoutCameraStaysStill) {
  const LoadedScene loaded = loadScene(animatedScene(false));
  S3DScene& s = *loaded.scene;
  s.setTime(15.0f);
  EXPECT_EQ(s.getTime(), 15.0f);
  EXPECT_EQ(
      std::tuple(s.m_dummies.at(0).m_position, s.m_dummies.at(0).m_rotation,
                 s.m_lights.at(0).m_intensity, s.m_materials.at(0).m_subMaterials.at(0).m_opacity),
      std::tuple(Vec3{5, 5, 5}, kIdentityQuat, 0.7f, 1.0f));
}

// Every head with a parent is in the links once, after its parent when the parent is there too.
TEST(S3DSceneLinks, ParentsComeBeforeChildren) {
  struct Case {
    const char* what;
    std::vector<Bytes> lists;
    std::size_t nbWithParent;
  };
  const std::vector<Case> cases{
      {"chain given in reverse",
       {dummies({dummy({.name = "d", .parent = "c"}), dummy({.name = "c", .parent = "b"}),
                 dummy({.name = "b", .parent = "a"}), dummy({.name = "a"})})},
       3},
      {"chain across kinds",
       {lights({light({.head = {.name = "l", .parent = "cam"},
                       .target = Head{.name = "lt", .parent = "l"}})}),
        meshes({mesh({head({.name = "m2", .parent = "s"})})}),
        shapes({shape(1, {head({.name = "s", .parent = "d"})})}),
        dummies({dummy({.name = "d", .parent = "w"})}),
        wsModifiers({wsModifier({.name = "w"}, 3)})},
       5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<Bytes> lists = c.lists;
    lists.push_back(oneMaterial());
    lists.push_back(cameras({camera({.head = {.name = "cam", .parent = "m2"},
                                     .target = Head{.name = "ct", .parent = "cam"}})}));
    const LoadedScene loaded = loadScene(sceneFile(lists));
    S3DScene& s = *loaded.scene;
    // The camera's own parent exists only in the third case; its target's always.
    const bool cameraLinked = std::string(c.what) == "chain across kinds";
    EXPECT_EQ(s.m_links.size(), c.nbWithParent + (cameraLinked ? 2 : 1));
    EXPECT_EQ(std::set<S3DNode*>(s.m_links.begin(), s.m_links.end()).size(), s.m_links.size());
    for (std::size_t i = 0; i < s.m_links.size(); ++i) {
      const S3DNode* pNode = s.m_links[i];
      ASSERT_NE(pNode->m_pParent, nullptr);
      EXPECT_EQ(s.findNode(pNode->m_parentName), pNode->m_pParent);
      const auto parent = std::find(s.m_links.begin(), s.m_links.end(), pNode->m_pParent);
      EXPECT_TRUE(parent == s.m_links.end() || parent - s.m_links.begin() < static_cast<long>(i))
          << pNode->m_name.view() << " before its parent";
    }
  }
}

// --- Scene controllers (.lecx kind 2) driving a loaded scene: the combine modes, the Euler
// rotations, the modifier keywords, the scene's own words and every lookup failure ---

struct Param {
  std::string name;
  std::string formula;
  int32_t mode = 0;
};

// Box01 at (1, 2, 3) with a skew, a noise and a bend; a dummy whose x follows its frame (linear
// keys 0 -> 0, 100 -> 100); cameras Cam01 and Cam02; light Omni01; material m with two
// sub-materials. 100 frames long, at frame 90.
struct Fixture {
  LoadedScene loaded = loadScene(sceneFile(
      {materials({material("m", {subMaterial("s0"), subMaterial("s1")})}),
       meshes({mesh({head({.name = "Box01", .position = Xyz{1, 2, 3}}),
                     stack({modifier(9), modifier(5), modifier(3)})})}),
       dummies({dummy({.name = "Anim", .positionKeys = {{0, {0, 0, 0}}, {100, {100, 0, 0}}}})}),
       lights({light({.head = {.name = "Omni01"}, .intensity = 2.0f})}),
       cameras({plainCamera("Cam01"), plainCamera("Cam02")})}));
  S3DScene& scene = *loaded.scene;
  LECXControllerL3XParamManager manager{&scene};
  CrtRand rand;
  LECXControllerL3X controller;
  std::vector<std::string> bindReports;

  Fixture() {
    scene.m_animLength = 100;
    scene.setTime(90.0f);
  }
  S3DTriObject& box() { return scene.m_triObjects.at(0); }
  template <class Modifier>
  Modifier& boxModifier(std::size_t i) {
    return dynamic_cast<Modifier&>(*box().m_modifiers.at(i));
  }
  // Binds the parameters (the reports are kept) and runs one update.
  void run(const std::vector<Param>& params) {
    for (const Param& p : params)
      controller.addParam({StringC(p.name), StringC(p.formula), p.mode});
    controller.prepare(rand);
    controller.prepareExpressions();
    controller.setScene(&manager);
    bindReports = reportsOf([&] { controller.bind(); });
    controller.update();
  }
};

// One keyword, its field after one update. Mode 1 adds, mode 2 is current - result, any other
// mode (0, 7) sets. Box01 starts at (1, 2, 3) with scale (1, 1, 1), its noise strength (1, 1, 1).
TEST(SceneParams, EachKeywordSetsItsFieldByMode) {
  using Field = std::function<float(Fixture&)>;
  const Field posX = [](Fixture& f) { return f.box().m_position.x; };
  const Field scaleX = [](Fixture& f) { return f.box().m_scale.x; };
  const Field scaleZ = [](Fixture& f) { return f.box().m_scale.z; };
  const Field skew = [](Fixture& f) { return f.boxModifier<S3DModifierSkew>(0).m_direction; };
  const std::vector<Param> strength{{"MODIFIERTNOISE Box01 STRENGTH", "3", 1},
                                    {"MODIFIERTNOISE Box01 STRENGTHY", "0.5", 2}};
  struct Row {
    std::vector<Param> params;
    Field field;
    float expected;
  };
  const std::vector<Row> rows{
      {{{"NODE Box01 POSX", "10", 0}}, posX, 10},
      {{{"NODE Box01 POSX", "10", 1}}, posX, 11},
      {{{"NODE Box01 POSX", "10", 2}}, posX, -9},
      {{{"NODE Box01 POSX", "10", 7}}, posX, 10},
      {{{"NODE Box01 POSY", "0.5", 1}}, [](Fixture& f) { return f.box().m_position.y; }, 2.5f},
      {{{"NODE,Box01\tPOSZ", "4", 2}}, [](Fixture& f) { return f.box().m_position.z; }, -1},
      {{{"NODE Box01 SCALE", "2", 1}}, scaleZ, 3},
      {{{"NODE Box01 SCALEZ", "4", 0}}, scaleZ, 4},
      {{{"NODE Box01 SCALEX", "0.25", 2}}, scaleX, 0.75f},
      {{{"MODIFIERTSKEW Box01 AMOUNT", "0.5", 0}},
       [](Fixture& f) { return f.boxModifier<S3DModifierSkew>(0).m_amount; },
       0.5f},
      {{{"MODIFIERTSKEW Box01 DIRECTION", "0.25", 1}}, skew, 0.25f},
      // STRENGTH ignores the mode (1 + 3 would be 4); STRENGTHY comes after it: 3 - 0.5.
      {strength, [](Fixture& f) { return f.boxModifier<S3DModifierNoise>(1).m_strength.x; }, 3},
      {strength, [](Fixture& f) { return f.boxModifier<S3DModifierNoise>(1).m_strength.y; }, 2.5f},
      {{{"MODIFIERTNOISE Box01 PHASE", "2", 0}},
       [](Fixture& f) { return f.boxModifier<S3DModifierNoise>(1).m_phase; },
       2},
      {{{"MODIFIERTBEND Box01 ANGLE", "1", 1}},
       [](Fixture& f) { return f.boxModifier<S3DModifierBend>(2).m_angle; },
       1},
      {{{"CAMERA Cam02 FOV", "0.5", 1}},
       [](Fixture& f) { return f.scene.m_cameras.at(1).getFov(); },
       S3DCamera::kDefaultFov + 0.5f},
      {{{"CAMERA Cam02 ROLL", "0.25", 2}},
       [](Fixture& f) { return f.scene.m_cameras.at(1).m_roll; },
       -0.25f},
      {{{"LIGHT Omni01 INTENSITY", "0.5", 2}},
       [](Fixture& f) { return f.scene.m_lights.at(0).m_intensity; },
       1.5f},
      {{{"LIGHT Omni01 FALLOFF", "0.75", 0}},
       [](Fixture& f) { return f.scene.m_lights.at(0).m_falloff; },
       0.75f},
  };
  for (const Row& row : rows) {
    const std::string& name = row.params[0].name;
    Fixture f;
    f.boxModifier<S3DModifierNoise>(1).m_strength = {1, 1, 1};
    f.box().m_dirty = 0;
    f.run(row.params);
    EXPECT_EQ(f.bindReports, Names{}) << name;
    EXPECT_FLOAT_EQ(row.field(f), row.expected) << name;
    EXPECT_EQ(f.box().m_dirty, name.starts_with("NODE") ? 1 : 0) << name;
  }
}

TEST(SceneParams, RotationsGoThroughEulerAngles) {
  // euler(x, y, z) = rotationY(y) · rotationX(x) · rotationZ(z); rotationX(a) has m6 = sin a,
  // which quaternionToMatrix writes as -2xw: from the identity, ROTX a gives
  // (-sin(a/2), 0, 0, cos(a/2)), and likewise for y (m2 = -sin a = 2yw) and z (m1 = sin a = -2zw).
  const float s = std::sin(0.15f), c = std::cos(0.15f);
  const float s3 = std::sin(1.5f), c3 = std::cos(1.5f);
  struct Case {
    Param param;
    Quat start, expected;
  };
  const Quat general{0.1f, 0.2f, 0.3f, std::sqrt(1.0f - 0.14f)};
  const std::vector<Case> cases{
      {{"NODE Box01 ROTX", "0.3", 0}, kIdentityQuat, {-s, 0, 0, c}},
      {{"NODE Box01 ROTY", "0.3", 0}, kIdentityQuat, {0, -s, 0, c}},
      {{"NODE Box01 ROTZ", "0.3", 0}, kIdentityQuat, {0, 0, -s, c}},
      // Past 2 pi / 3 the trace is negative: x, y or z is the largest part.
      {{"NODE Box01 ROTX", "3", 0}, kIdentityQuat, {-s3, 0, 0, c3}},
      {{"NODE Box01 ROTY", "3", 0}, kIdentityQuat, {0, -s3, 0, c3}},
      {{"NODE Box01 ROTZ", "3", 0}, kIdentityQuat, {0, 0, -s3, c3}},
      // About z by 0.5, plus 0.25: about z by 0.75.
      {{"NODE Box01 ROTZ", "0.25", 1},
       {0, 0, -std::sin(0.25f), std::cos(0.25f)},
       {0, 0, -std::sin(0.375f), std::cos(0.375f)}},
      // Adding 0 to an angle gives the rotation back (all three angles are taken out and put in).
      {{"NODE Box01 ROTX", "0", 1}, general, general},
  };
  for (const Case& k : cases) {
    Fixture f;
    f.box().setRotation(k.start);
    f.run({k.param});
    Quat q = f.box().m_rotation;
    if (q.w < 0) q = {-q.x, -q.y, -q.z, -q.w};  // q and -q are the same rotation
    expectNear(q, k.expected, 2e-6f);
  }
}

TEST(SceneParams, SceneCameraTruncatesAndIgnoresTheMode) {
  struct Case {
    std::string formula;
    int32_t mode;
    int32_t camera;
    Names reports;
  };
  const std::vector<Case> cases{
      {"1.9", 1, 1, {}},      // not current (0) + 1.9
      {"0 - 0.9", 0, 0, {}},  // towards zero: floor would ask for camera -1
      {"2", 0, 0, {"S3DScene warning:|setCamera: not so much camera"}},
  };
  for (const Case& c : cases) {
    S3DScene::resetCameraReport();
    Fixture f;
    const Names reports = reportsOf([&] { f.run({{"SCENE CAMERA", c.formula, c.mode}}); });
    EXPECT_EQ(f.scene.m_currentCamera, c.camera) << c.formula;
    EXPECT_EQ(reports, c.reports) << c.formula;
  }
}

TEST(SceneParams, AnimationTimesWrapByTheLength) {
  // The scene is at frame 90 of 100. Objects: 1 is 90 + r, 2 is 90 - r. The scene's own time in
  // mode 2 is r - 90. Remainders keep the sign (fmod).
  struct Case {
    Param param;
    float sceneTime, animX;
  };
  const std::vector<Case> cases{
      {{"SCENE MAINANIM", "250", 0}, 50, 50},     {{"SCENE MAINANIM", "25", 1}, 15, 15},
      {{"SCENE MAINANIM", "25", 2}, -65, 0},  // a negative time: the track holds its first key
      {{"NODE Anim MAINANIM", "25", 1}, 90, 15},  {{"NODE Anim MAINANIM", "25", 2}, 90, 65},
      {{"NODE Anim MAINANIM", "130", 0}, 90, 30},
  };
  for (const Case& c : cases) {
    Fixture f;
    f.run({c.param});
    EXPECT_FLOAT_EQ(f.scene.getTime(), c.sceneTime) << c.param.name << " " << c.param.mode;
    EXPECT_FLOAT_EQ(f.scene.m_dummies.at(0).m_position.x, c.animX) << c.param.name;
  }
  // A scene without length leaves every time as it was.
  Fixture f;
  f.scene.m_animLength = 0;
  f.run({{"SCENE MAINANIM", "25", 0}, {"NODE Anim MAINANIM", "25", 0}});
  EXPECT_EQ(f.scene.getTime(), 90.0f);
  EXPECT_EQ(f.scene.m_dummies.at(0).m_position.x, 90.0f);
}

TEST(SceneParams, LineOpacityScalesTheBoundColour) {
  // 0x804020 scaled by trunc(v · 255) / 256 per channel. v = 0.5: 127 -> 0x3F1F0F (128 · 127 /
  // 256 = 63.5). v = 0.75 (1.0 - 0.25: the base is 1.0): 191 -> 0x5F2F17.
  struct Case {
    std::string formula;
    int32_t mode;
    int32_t color;
  };
  const std::vector<Case> cases{
      {"0.5", 0, 0x3F1F0F}, {"0 - 0.5", 1, 0x3F1F0F}, {"0.25", 2, 0x5F2F17},
      {"0 - 3", 0, 0},      {"40", 0, 0x804020},
  };
  for (const Case& c : cases) {
    Fixture f;
    S3DSubMaterial& sub = f.scene.m_materials.at(0).m_subMaterials.at(1);
    sub.m_pLine = std::make_unique<S3DLineProperties>();
    sub.m_pLine->m_color = 0x804020;
    f.run({{"MTL m 1 LINEOPACITY", c.formula, c.mode}});
    EXPECT_EQ(sub.m_pLine->m_color, c.color) << c.formula;
    // The bound colour is scaled again, not the last result.
    f.controller.update();
    EXPECT_EQ(sub.m_pLine->m_color, c.color) << c.formula;
  }
  // Index 3 of two sub-materials is sub-material 1; opacity is clamped by the material.
  Fixture f;
  f.run({{"MTL m 3 POLYOPACITY", "0.25", 2}, {"MTL m 0 POLYOPACITY", "5", 0}});
  EXPECT_EQ(f.scene.m_materials.at(0).m_subMaterials.at(1).m_opacity, 0.75f);
  EXPECT_EQ(f.scene.m_materials.at(0).m_subMaterials.at(0).m_opacity, 1.0f);
}

TEST(SceneParams, FailuresAreReportedAndDoNothing) {
  const std::string modifierType = "S3DScene warning:|Can't find modifier type ";
  struct Case {
    std::string name;
    Names reports;
  };
  const std::vector<Case> cases{
      {"NODE nope POSX", {}},
      {"NODE Box01", {"LECXControllerL3XParamNode|Can't find param: "}},
      {"BOGUS Box01 POSX", {"LECXControllerL3XParamManager|create param not found: BOGUS"}},
      {"SCENE", {"LECXControllerL3XParamScene|Can't find param: "}},
      {"TRIOBJECT nope MAINANIM", {"LECXControllerL3XParamTriObject|Can't find triObject: nope"}},
      {"SHAPE nope MAINANIM", {"LECXControllerL3XParamShape|Can't find shape: nope"}},
      {"CAMERA nope FOV", {"LECXControllerL3XParamCamera|Can't find camera: nope"}},
      {"LIGHT nope FALLOFF", {"LECXControllerL3XParamLight|Can't find light: nope"}},
      {"WSMODIFIER nope MAINANIM",
       {"LECXControllerL3XParamWSModifier|Can't find wsModifier: nope"}},
      {"MTL nope 0 POLYOPACITY",
       {"S3DScene warning:|Can't find material idx 0, called nope",
        "LECXControllerL3XParamMaterial|can't find material name: nope, idx: 0"}},
      {"MTL m", {"LECXControllerL3XParamMaterial|can't find material name: m, idx: "}},
      {"MODIFIERGIZMO nope 0 POSX",
       {"S3DScene warning:|Can't find modifier gizmo, object nope",
        "LECXControllerL3XParamModifierGizmo|can't find modifierGizmo name: nope, idx: 0"}},
      {"MODIFIERTAPE Box01 AMOUNT",
       {modifierType + "8, of object Box01",
        "LECXControllerL3XParamModifierTape|Can't find modifierTape from object: Box01"}},
      {"MODIFIERSPHERY Box01 PERCENT",
       {modifierType + "10, of object Box01",
        "LECXControllerL3XParamModifierSphery|Can't find modifierSphery from object: Box01"}},
      {"MODIFIERSTRETCH Box01 STRETCH",
       {modifierType + "4, of object Box01",
        "LECXControllerL3XParamModifierStretch|Can't find modifierStretch from object: Box01"}},
      {"MODIFIERWAVE Box01 AMP1",
       {modifierType + "6, of object Box01",
        "LECXControllerL3XParamModifierWave|Can't find modifierWave from object: Box01"}},
      {"MODIFIERTWIST Box01 ANGLE",
       {modifierType + "7, of object Box01",
        "LECXControllerL3XParamModifierTwist|Can't find modifierTwist from object: Box01"}},
      {"MODIFIERTMELT Box01 AMOUNT",
       {modifierType + "11, of object Box01",
        "LECXControllerL3XParamModifierMelt|Can't find modifierMelt from object: Box01"}},
      {"MODIFIERTSKEW nope AMOUNT",
       {modifierType + "9, of object nope",
        "LECXControllerL3XParamModifierSkew|Can't find modifierSkew from object: nope"}},
      {"MODIFIERTNOISE nope SCALE",
       {modifierType + "5, of object nope",
        "LECXControllerL3XParamModifierNoise|Can't find modifierNoise from object: nope"}},
      {"MODIFIERTBEND nope ANGLE",
       {modifierType + "3, of object nope",
        "LECXControllerL3XParamModifierBend|Can't find modifierBend from object: nope"}},
      {"MODIFIERTBEND Box01 ANGEL", {"LECXControllerL3XParamModifierBend|Can't find param: ANGEL"}},
  };
  for (const Case& c : cases) {
    // Each failing parameter sits before a working one, which still works.
    Fixture f;
    f.run({{c.name, "5", 0}, {"NODE Box01 POSX", "7", 0}});
    EXPECT_EQ(f.bindReports, c.reports) << c.name;
    EXPECT_TRUE(f.controller.getSceneParam(0) == nullptr ||
                !f.controller.getSceneParam(0)->isActive())
        << c.name;
    expectNear(f.box().m_position, {7, 2, 3});
    EXPECT_EQ(f.scene.getTime(), 90.0f) << c.name;
  }
}

TEST(SceneParams, EveryWordOfTheSyntaxBinds) {
  // One object of every kind named "o" (the world-space modifier is a bend, so MODIFIERTBEND
  // finds it first); the mesh carries one modifier of each other type.
  LoadedScene loaded = loadScene(sceneFile(
      {materials({material("o", {subMaterial("s")})}), wsModifiers({wsModifier({.name = "o"}, 3)}),
       meshes({mesh(
           {head({.name = "o"}), stack({modifier(8), modifier(10), modifier(4), modifier(6),
                                        modifier(7), modifier(9), modifier(5), modifier(11)})})}),
       shapes({shape(1, {head({.name = "o"})})}), lights({light({.head = {.name = "o"}})}),
       cameras({plainCamera("o")})}));
  loaded->m_animLength = 10;
  LECXControllerL3XParamManager manager(loaded.scene.get());
  int nbWord = 0;
  for (const LECXSceneKeyword& keyword : lecxSceneKeywords()) {
    for (const std::string_view property : keyword.properties) {
      std::string name(keyword.keyword);
      if (name != "SCENE") name += keyword.hasIndex ? " o 0" : " o";
      name += " " + std::string(property);
      ASSERT_EQ(checkLECXSceneParamName(name), "");
      std::unique_ptr<LECXSceneParam> pParam;
      EXPECT_EQ(reportsOf([&] {
                  pParam = manager.createParam({StringC(name), "1", 1});
                }),
                Names{})
          << name;
      ASSERT_NE(pParam, nullptr) << name;
      EXPECT_TRUE(pParam->isActive()) << name;
      pParam->apply(0.5f);
      ++nbWord;
    }
  }
  EXPECT_EQ(nbWord, 69);
}

}  // namespace
