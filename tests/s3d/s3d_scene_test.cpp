// The scene model: lookups and their reports, the per-frame setters, animation through the tracks,
// the parent links and what the loader binds and hides.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "image/cimage32.h"
#include "s3d/s3d_modifier_morph.h"
#include "s3d/s3d_modifier_skin.h"
#include "s3d/s3d_scene.h"
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
  for (const auto& [index, expected] :
       std::vector<std::pair<int, std::size_t>>{{0, 0}, {2, 2}, {3, 0}, {4, 1}, {7, 1}})
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

  EXPECT_EQ(reportsOf([&] { s.setViewPort(nullptr); }),
            Names{"S3DScene warning:|setViewPort: viewPort NULL"});
  ViewPort noScreen;
  EXPECT_EQ(reportsOf([&] { s.setViewPort(&noScreen); }),
            Names{"S3DScene warning:|setViewPort: screen NULL"});
  EXPECT_EQ(s.m_pViewPort, nullptr);
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
      {"mesh under a dummy stored later",
       {meshes({mesh({head({.name = "child", .parent = "holder"})})}),
        dummies({dummy({.name = "holder"})})},
       1},
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

// Bones, morph targets and layer meshes shape or paint other meshes and are not drawn themselves;
// skin bones follow the bone object's matrix, morph targets read the target's vertex array.
TEST(S3DSceneLinks, BonesTargetsAndLayersAreBoundAndHidden) {
  const LoadedScene loaded = loadScene(withCamera(
      {oneMaterial(), dummies({dummy({.name = "boneDummy"})}),
       meshes(
           {mesh({head({.name = "skinned"}),
                  stack({modifier(1,
                                  {skin(kIdentity12, {{"boneMesh"}, {"boneDummy"}, {"missingBone"}},
                                        {{{1.0f, 0}}})}),
                         modifier(2, {morph({{"morphTarget", 1.0f}, {"missingTarget", 1.0f}})})}),
                  block(2200, {intChunk(1, 1), stringChunk(3, "layerMesh")})}),
            mesh({head({.name = "boneMesh"})}),
            mesh({head({.name = "morphTarget"}), geometry({vertices({{1, 2, 3}})})}),
            mesh({head({.name = "layerMesh"})}), mesh({head({.name = "plain"})})})}));
  const S3DScene& s = *loaded.scene;
  EXPECT_EQ(loaded.count("S3DScene warning:|cant find bone"), 1u);
  EXPECT_EQ(loaded.count("S3DScene warning:|cant find morph target"), 1u);
  const auto& skin = static_cast<const S3DModifierSkin&>(*s.m_triObjects[0].m_modifiers.at(0));
  ASSERT_EQ(skin.getNbBone(), 3);
  EXPECT_EQ(std::tuple(skin.m_bones[0].pWorld, skin.m_bones[1].pWorld, skin.m_bones[2].pWorld),
            std::tuple(&s.m_triObjects.at(1).m_matrix, &s.m_dummies.at(0).m_matrix, nullptr));
  const auto& morph = static_cast<const S3DModifierMorph&>(*s.m_triObjects[0].m_modifiers.at(1));
  ASSERT_EQ(morph.getNbTarget(), 2);
  EXPECT_EQ(std::tuple(morph.m_targets[0].pVertices, morph.m_targets[1].pVertices),
            std::tuple(s.m_triObjects.at(2).m_vertices.data(), nullptr));
  std::vector<int32_t> visible;
  for (const S3DTriObject& mesh : s.m_triObjects)
    visible.push_back(mesh.m_visible);
  // skinned, boneMesh, morphTarget, layerMesh, plain.
  EXPECT_EQ(visible, (std::vector<int32_t>{1, 0, 0, 0, 1}));
}

}  // namespace
