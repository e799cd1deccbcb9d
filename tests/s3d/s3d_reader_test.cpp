// The .l3x reader: the scene with every record kind (l3x_every_record.h) comes back with every
// field in place; then the report texts a file can trigger, one per text.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "s3d/s3d_modifier_deform.h"
#include "s3d/s3d_modifier_morph.h"
#include "s3d/s3d_modifier_skin.h"
#include "s3d/s3d_scene.h"
#include "tests/s3d/l3x_bytes.h"
#include "tests/s3d/l3x_every_record.h"
#include "tests/s3d/s3d_test_util.h"

namespace {

using namespace l3x;
using namespace l3x::every_record;
using namespace s3d_test;
using std::tuple;
using Names = std::vector<std::string>;

// sin and cos of pi/4 in double, rounded once: the reader computes them in float.
constexpr float kSqrtHalf = 0.70710678f;

Bytes everyRecordFile(bool reversed = false) {
  return chunk_bytes::plainFile(rootChunk(reversed));
}

const LoadedScene& everyRecordScene() {
  static const LoadedScene scene = loadScene(everyRecordFile());
  return scene;
}

// The 16 elements of the matrix whose rows 0..3 start with `rows` (fourth column 0 0 0 1).
std::array<float, 16> affine(const Matrix12& rows) {
  std::array<float, 16> m{};
  for (std::size_t i = 0; i < 16; ++i)
    m[i] = i % 4 == 3 ? (i == 15 ? 1.0f : 0.0f) : rows[i / 4 * 3 + i % 4];
  return m;
}

template <class T>
const T& modifierAs(const S3DVertexObject& object, std::size_t index) {
  const auto* pModifier = dynamic_cast<const T*>(object.m_modifiers.at(index).get());
  EXPECT_NE(pModifier, nullptr) << "stack entry " << index;
  return *pModifier;
}

class EveryRecord : public ::testing::Test {
 protected:
  const S3DScene& s = *everyRecordScene().scene;
  const S3DTriObject& box = s.m_triObjects.at(0);
  S3DLight* light(std::size_t i) const { return const_cast<S3DLight*>(&s.m_lights.at(i)); }
};

// Values of each record kind back in place, and what the reader works out: the knee, colours on
// the 0..255 scale, the near clip's floor, the screen scales, rotations from angle and axis.
TEST_F(EveryRecord, RecordsAndWhatTheReaderWorksOut) {
  // Reading reports nothing. Preparing the drawing reports the pictures the scene names (none is
  // on disk) and its channel names (they name no channels): those reports aside.
  const LoadedScene& loaded = everyRecordScene();
  EXPECT_TRUE(loaded.read);
  for (const std::string& line : loaded.reports)
    EXPECT_TRUE(line.starts_with("CImage32FromData|cant load file ") ||
                line.find("vertex channel") != std::string::npos ||
                line.find("vertexChannel") != std::string::npos)
        << line;
  EXPECT_EQ(tuple(s.m_animLength, s.m_sceneName), tuple(120, "stage"));
  EXPECT_EQ(namesOf(s.m_materials), (Names{"metal", "glass"}));
  EXPECT_EQ(namesOf(s.m_materials.at(0).m_subMaterials), (Names{"shiny", "dull"}));
  const S3DSubMaterial& sub = s.m_materials[0].m_subMaterials[0];
  // paletteParam 0.5: knee round(255 * 0.5) = round(127.5) = 128.
  EXPECT_EQ(tuple(sub.m_twoSided, sub.m_shadingType, sub.m_blendMode, sub.m_opacity, sub.getKnee()),
            tuple(1, 201, 3, 0.25f, 128));
  EXPECT_EQ(sub.m_colors[0], (Vec3{0.125f, 0.25f, 0.5f}));
  expectNear(sub.m_colors[1], {1.0f, 128.0f / 255.0f, 0.0f});
  EXPECT_EQ(sub.m_colors[2], (Vec3{0.5f, 1.0f, 0.75f}));  // 1.0 is not above 1
  ASSERT_TRUE(sub.m_pLine && sub.m_pTextureLayer && sub.m_pMapLayer && sub.m_pLayer1 &&
              sub.m_pLayer2);
  EXPECT_EQ(tuple(sub.m_pLine->m_color, sub.m_pLine->m_width, sub.m_pTextureLayer->m_fileName,
                  sub.m_pTextureLayer->m_h, sub.m_pTextureLayer->m_pointSize),
            tuple(0x123456, 2.5f, "wood.tga", 0.25f, 8.0f));
  const S3DMapLayer& m = *sub.m_pMapLayer;
  EXPECT_EQ(tuple(m.m_fileName, m.m_combination, m.m_tileV, m.m_angle, m.m_wrap, m.m_amount),
            tuple("map.tga", 2, 3.0f, 0.5f, 1, 0.75f));
  EXPECT_EQ(tuple(sub.m_pLayer1->m_fileName, sub.m_pLayer2->m_combination),
            tuple("opacity.tga", 4));

  ASSERT_EQ(namesOf(s.m_lights), (Names{"omni", "spot", "directed"}));
  const S3DLight& spot = s.m_lights[1];
  EXPECT_EQ(tuple(spot.m_lightType, spot.m_color, spot.m_intensity, spot.m_nearAttenuation,
                  spot.m_farAttenuation, spot.m_hotspot, spot.m_falloff, spot.m_target.m_position),
            tuple(2, Vec3{0.2f, 0.4f, 0.6f}, 1.5f, 5.0f, 50.0f, 0.3f, 0.6f, Vec3{0, 0, 5}));
  ASSERT_EQ(namesOf(s.m_cameras), (Names{"cam", "cam2"}));
  // nearClip 0.5 is below 1: stored as 1. The second camera has the defaults, its target at
  // (0.00001, 0.00001, -100). A 512 x 256 screen: scaleX = f * 512 / 2 and scaleY = f * 256 with
  // f = 1 / tan(fov / 2); fov 1: f = 1 / 0.5463025 = 1.8304877, both scales 468.60486.
  const S3DCamera& cam = s.m_cameras[0];
  EXPECT_EQ(tuple(cam.m_position, cam.m_target.m_position, cam.m_fov, cam.m_roll, cam.m_nearClip,
                  cam.m_farClip),
            tuple(Vec3{0, 0, -50}, Vec3{1, 2, 3}, 1.0f, 0.1f, 1.0f, 5000.0f));
  EXPECT_NEAR(cam.m_scaleX, 468.60486, 1e-3);
  EXPECT_NEAR(cam.m_scaleY, 468.60486, 1e-3);
  EXPECT_EQ(tuple(s.m_cameras[1].m_target.m_position, s.m_cameras[1].m_fov),
            tuple(Vec3{0.00001f, 0.00001f, -100.0f}, 1.5707964f));

  ASSERT_EQ(namesOf(s.m_dummies), (Names{"root", "bone1", "bone2"}));
  const S3DDummy& bone1 = s.m_dummies[1];
  EXPECT_EQ(tuple(s.m_dummies[0].m_pivot, s.m_dummies[0].m_pParent, bone1.m_pParent,
                  bone1.m_matrixMode, bone1.m_scale, s.m_dummies[2].m_pParent),
            tuple(Vec3{0.5f, 0.5f, 0.5f}, nullptr, &s.m_dummies[0], 1, Vec3{2, 2, 2}, &bone1));
  // (pi/2; 0, 0, 2): (0, 0, 2 sin(pi/4), cos(pi/4)), the axis not normalised.
  expectNear(bone1.m_rotation, {0.0f, 0.0f, 2.0f * kSqrtHalf, kSqrtHalf});

  ASSERT_EQ(namesOf(s.m_wsModifiers), (Names{"wsBend", "wsWarp"}));
  const auto& wsBend = dynamic_cast<const S3DModifierBend&>(*s.m_wsModifiers[0].m_pModifier);
  EXPECT_EQ(std::to_array(wsBend.m_baseMatrix.m), affine({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
  EXPECT_EQ(tuple(wsBend.m_worldSpace, wsBend.m_centre, wsBend.m_axis, wsBend.m_angle),
            tuple(1, Vec3{2, 2, 2}, 2, 0.7f));
  // (pi; 1, 0, 0): (sin(pi/2), 0, 0, cos(pi/2)).
  expectNear(wsBend.m_rotation, {1.0f, 0.0f, 0.0f, 0.0f});
  EXPECT_EQ(dynamic_cast<const S3DModifierSpaceWarp&>(*s.m_wsModifiers[1].m_pModifier).m_values,
            (std::array<float, 8>{10, 11, 12, 13, 14, 15, 16, 17}));
}

TEST_F(EveryRecord, MeshAndItsModifierStack) {
  ASSERT_EQ(namesOf(s.m_triObjects), (Names{"box", "target", "layerMesh"}));
  EXPECT_EQ(tuple(box.m_pParent, box.m_position, box.m_pMaterial),
            tuple(&s.m_dummies.at(0), Vec3{0, 0, 10}, &s.m_materials.at(0)));
  EXPECT_EQ(box.m_vertices, (std::vector<Vec3>{{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 2}}));
  EXPECT_EQ(tuple(box.m_boxMin, box.m_boxMax), tuple(Vec3{-1, -1, 0}, Vec3{1, 1, 2}));
  ASSERT_TRUE(box.m_pSoftSelection);
  EXPECT_EQ(box.m_pSoftSelection->values, (std::vector<float>{0.0f, 0.25f, 0.5f, 1.0f}));
  EXPECT_EQ(box.m_textureVertices, (std::vector<Vec3>{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}));
  EXPECT_EQ(box.m_edgePairs, (std::vector<std::array<int32_t, 2>>{{0, 1}, {2, 3}}));
  ASSERT_EQ(box.m_faces.size(), 2u);
  const S3DFace& f = box.m_faces[1];
  EXPECT_EQ((std::array<int, 8>{f.a, f.b, f.c, f.ta, f.tb, f.tc, f.subMaterialWord, f.value}),
            (std::array<int, 8>{0, 2, 3, 1, 0, 3, 5, 41}));
  EXPECT_TRUE(box.hasMapping());

  ASSERT_EQ(box.m_modifiers.size(), 5u);
  // A stack modifier gets the mesh's box and pivot.
  const auto& bend = modifierAs<S3DModifierBend>(box, 0);
  EXPECT_EQ(tuple(bend.m_position, bend.m_angle, bend.m_boxMin, bend.m_boxMax, bend.m_pivot),
            tuple(Vec3{1, 2, 3}, 1.5f, Vec3{-1, -1, 0}, Vec3{1, 1, 2}, Vec3{1, 0, 0}));
  const auto& noise = modifierAs<S3DModifierNoise>(box, 1);
  EXPECT_EQ(tuple(noise.m_seed, noise.m_fractal, noise.m_noiseScale, noise.m_strength),
            tuple(7, 1, 50.0f, Vec3{1, 2, 3}));
  EXPECT_EQ(modifierAs<S3DModifierTaper>(box, 2).m_curve, -0.5f);
  const auto& skin = modifierAs<S3DModifierSkin>(box, 3);
  ASSERT_EQ(skin.getNbBone(), 2);
  // offset = skinBind * inverse(boneBind) = T(0, 0, 1) * T(0, -2, 0) = T(0, -2, 1).
  EXPECT_EQ(std::to_array(skin.m_bones[0].offset.m), affine({1, 0, 0, 0, 1, 0, 0, 0, 1, 0, -2, 1}));
  EXPECT_EQ(std::to_array(skin.m_inverseSkinBind.m), affine({1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, -1}));
  EXPECT_EQ(skin.m_vertexFirst, (std::vector<uint32_t>{0, 1, 3, 3, 4}));
  EXPECT_EQ(skin.m_weights, (std::vector<float>{1.0f, 0.5f, 0.5f, 0.25f}));
  EXPECT_EQ(skin.m_weightBones, (std::vector<uint16_t>{0, 0, 1, 1}));
  EXPECT_EQ(tuple(skin.m_bones[0].pWorld, skin.m_bones[1].pWorld),
            tuple(&s.m_dummies.at(1).m_matrix, &s.m_dummies.at(2).m_matrix));
  const auto& morph = modifierAs<S3DModifierMorph>(box, 4);
  ASSERT_EQ(morph.getNbTarget(), 1);
  EXPECT_EQ(tuple(morph.m_targets[0].weight, morph.m_targets[0].pVertices),
            tuple(0.5f, s.m_triObjects.at(1).m_vertices.data()));
}

// What the mesh's lists name, found: stack entries by index, world-space modifiers, lights and
// meshes by name.
TEST_F(EveryRecord, MeshListsFindWhatTheyName) {
  const auto channel = [](const auto& entry) {
    return tuple(entry.name, entry.channel.useChannel, entry.channel.invert,
                 entry.channel.channelName);
  };
  ASSERT_EQ(box.m_applications.size(), 3u);
  EXPECT_EQ(channel(box.m_applications[1]), tuple("7", 0, 1, "opacityMap"));
  // "1" -> entry 1, "7" -> 7 mod 5 = 2, "-3" -> 0.
  EXPECT_EQ(
      tuple(box.m_applications[0].pModifier, box.m_applications[1].pModifier,
            box.m_applications[2].pModifier),
      tuple(box.m_modifiers.at(1).get(), box.m_modifiers.at(2).get(), box.m_modifiers.at(0).get()));
  ASSERT_EQ(box.m_wsModifiers.size(), 1u);
  EXPECT_EQ(channel(box.m_wsModifiers[0]), tuple("wsBend", 1, 1, "softSelection"));
  EXPECT_EQ(box.m_wsModifiers[0].pWSModifier, &s.m_wsModifiers.at(0));
  EXPECT_EQ(box.m_lights, (std::vector<S3DLight*>{light(0), light(1)}));
  ASSERT_EQ(box.m_channelOperations.size(), 2u);
  const S3DChannelOperation& op = box.m_channelOperations[1];
  EXPECT_EQ(tuple(op.output, op.input1, op.input2, op.operation), tuple("o2", "a", "b", 4));
  ASSERT_EQ(box.m_generatedChannels.size(), 1u);
  EXPECT_EQ(tuple(box.m_generatedChannels[0].kind, box.m_generatedChannels[0].parameters),
            tuple(2, std::vector<float>{0.5f, 1.5f, 2.5f}));
  ASSERT_EQ(box.m_lightingChannels.size(), 1u);
  EXPECT_EQ(box.m_lightingChannels[0].lights, (std::vector<S3DLight*>{light(1), light(2)}));
  EXPECT_EQ(tuple(box.m_channelReferences[2], box.m_sorted), tuple("refC", 1));
  const auto layer = [](const S3DMeshLayer& l) {
    return tuple(l.enabled, l.value, l.pMesh,
                 l.pTextureLayer ? l.pTextureLayer->m_fileName.view() : "(none)");
  };
  EXPECT_EQ(layer(box.m_layers[0]), tuple(1, 5, &s.m_triObjects.at(2), "wood.tga"));
  EXPECT_EQ(layer(box.m_layers[1]), tuple(0, 6, nullptr, "(none)"));
  // The morph target and the layer mesh are drawn only through the box.
  EXPECT_EQ(tuple(box.m_visible, s.m_triObjects[1].m_visible, s.m_triObjects[2].m_visible),
            tuple(1, 0, 0));

  ASSERT_EQ(namesOf(s.m_shapes), (Names{"dots", "sparks", "sprite"}));
  const auto& dots = dynamic_cast<const S3DShapePoints&>(*s.m_shapes[0]);
  EXPECT_EQ(tuple(dots.m_pParent, dots.m_pMaterial, dots.m_boxMax, dots.m_lights),
            tuple(&box, &s.m_materials.at(1), Vec3{1, 5, 3}, std::vector<S3DLight*>{light(0)}));
  EXPECT_EQ(modifierAs<S3DModifierTwist>(dots, 0).m_boxMax, (Vec3{1, 5, 3}));
  const auto& sparks = dynamic_cast<const S3DShapeParticles&>(*s.m_shapes[1]);
  ASSERT_EQ(sparks.m_emitters.size(), 2u);
  EXPECT_EQ(tuple(sparks.m_emitters[1].startFrame, sparks.m_emitters[1].period,
                  sparks.m_emitters[1].rate),
            tuple(4.0f, 5.0f, 6.0f));
  const auto& sprite = dynamic_cast<const S3DShapeSprite&>(*s.m_shapes[2]);
  EXPECT_EQ(tuple(sprite.m_value11, std::to_array(sprite.m_selectors)),
            tuple(0.5f, std::array<int32_t, 3>{2, 1, 0}));
}

// Each track holds one constant key at frame 0, a different value per holder: after setTime(0)
// every value shows which holder fed it.
TEST(L3xTracks, EachTrackDrivesItsOwnField) {
  const LoadedScene loaded = loadScene(everyRecordFile());
  S3DScene& s = *loaded.scene;
  s.setTime(0.0f);

  const S3DSubMaterial& sub = s.m_materials.at(0).m_subMaterials.at(0);
  EXPECT_EQ(tuple(sub.m_opacity, sub.m_colors[0], sub.m_colors[1], sub.m_colors[2]),
            tuple(0.75f, Vec3{0.5f, 0.5f, 0.5f}, Vec3{0.0f, 0.5f, 1.0f}, Vec3{1.0f, 0.0f, 0.0f}));
  // (255, 0, 0) on the 0..255 scale: pure red.
  EXPECT_EQ(sub.m_pLine->m_color, 0xFF0000);
  const S3DMapLayer& map = *sub.m_pMapLayer;
  EXPECT_EQ((std::array<float, 8>{map.m_offsetU, map.m_offsetV, map.m_tileU, map.m_tileV,
                                  map.m_angle, map.m_amount, map.m_values[0], map.m_values[1]}),
            (std::array<float, 8>{1.1f, 1.2f, 1.3f, 1.4f, 1.5f, 1.6f, 1.7f, 1.8f}));

  const S3DLight& spot = s.m_lights.at(1);
  EXPECT_EQ(tuple(s.m_lights.at(0).m_intensity, spot.m_intensity, spot.m_color,
                  spot.m_nearAttenuation, spot.m_farAttenuation, spot.m_hotspot, spot.m_falloff),
            tuple(0.6f, 2.0f, Vec3{0.1f, 0.2f, 0.3f}, 6.0f, 60.0f, 0.35f, 0.65f));
  // Cones animate only for spots.
  EXPECT_EQ(s.m_lights.at(2).m_hotspot, 0.1f);
  EXPECT_EQ(tuple(s.m_cameras.at(0).m_fov, s.m_cameras.at(0).m_roll), tuple(1.2f, 0.2f));

  const S3DTriObject& box = s.m_triObjects.at(0);
  EXPECT_EQ(tuple(box.m_position, box.m_scale), tuple(Vec3{0, 0, 0}, Vec3{1, 2, 3}));
  expectNear(box.m_rotation, {0.0f, 0.0f, kSqrtHalf, kSqrtHalf});
  const auto& bend = static_cast<const S3DModifierBend&>(*box.m_modifiers.at(0));
  EXPECT_EQ(tuple(bend.m_angle, bend.m_direction), tuple(2.5f, 0.25f));
  EXPECT_EQ(static_cast<const S3DModifierNoise&>(*box.m_modifiers.at(1)).m_strength,
            (Vec3{4, 5, 6}));
  EXPECT_EQ(static_cast<const S3DModifierMorph&>(*box.m_modifiers.at(4)).m_targets.at(0).weight,
            0.75f);
  EXPECT_EQ(static_cast<const S3DModifierSpherify&>(*s.m_shapes.at(0)->m_modifiers.at(1)).m_percent,
            0.8f);

  const auto& wsBend = static_cast<const S3DModifierBend&>(*s.m_wsModifiers.at(0).m_pModifier);
  EXPECT_EQ(
      tuple(wsBend.m_position, wsBend.m_centre, wsBend.m_scale, wsBend.m_angle, wsBend.m_direction),
      tuple(Vec3{7, 7, 7}, Vec3{8, 8, 8}, Vec3{9, 9, 9}, 0.8f, 0.4f));
  expectNear(wsBend.m_rotation, {0.0f, kSqrtHalf, 0.0f, kSqrtHalf});
  const auto& warp = static_cast<const S3DModifierSpaceWarp&>(*s.m_wsModifiers.at(1).m_pModifier);
  EXPECT_EQ(warp.m_values, (std::array<float, 8>{20, 21, 22, 23, 24, 25, 16, 17}));
}

// --- Every report text a scene file can trigger, once each, and what the scene keeps ---

// A mesh "m" of the given chunks, beside a camera, a material and a dummy "b".
Bytes meshFile(std::vector<Bytes> chunks) {
  chunks.insert(chunks.begin(), head({.name = "m"}));
  return withCamera(
      {oneMaterial(), dummies({dummy({.name = "b"})}), meshes({mesh(std::move(chunks))})});
}

TEST(L3xReports, EachTextOnceAndWhatTheSceneKeeps) {
  using Kept = std::function<void(const LoadedScene&)>;
  struct Row {
    std::string what;
    Bytes file;
    Names texts;
    Kept kept;
  };
  const auto modifierOf = [](const LoadedScene& l) {
    return l->m_triObjects.at(0).m_modifiers.at(0).get();
  };
  const auto skinKeeps = [=](int bones, int vertices) -> Kept {
    return [=](const LoadedScene& l) {
      const auto& skin = dynamic_cast<const S3DModifierSkin&>(*modifierOf(l));
      EXPECT_EQ(tuple(skin.getNbBone(), skin.getNbVertex()), tuple(bones, vertices));
    };
  };
  std::vector<Row> rows{
      {"another root identifier",
       sceneFile({cameras({plainCamera()}), dummies({dummy({.name = "d"})})}, 53455),
       {"S3DScene warning:|not a l3x file", kNoCamera},
       [](const LoadedScene& l) {
         EXPECT_FALSE(l.read);
         EXPECT_TRUE(l->m_cameras.empty() && l->m_dummies.empty());
       }},
      {"no camera",
       sceneFile({dummies({dummy({.name = "d"})})}),
       {kNoCamera},
       [](const LoadedScene& l) { EXPECT_EQ(l->m_dummies.size(), 1u); }},
      {"unknown shape kind and modifier type",
       withCamera(
           {oneMaterial(),
            shapes({shape(7, {head({.name = "odd"})}), shape(1, {head({.name = "dots"})})}),
            wsModifiers({wsModifier({.name = "wave"}, 6, {parameters({floatChunk(101, 1.0f)})}),
                         wsModifier({.name = "bend"}, 3)})}),
       {"S3DScene warning:|unknow shape type: 7", "WSModifier: |can t find modifier with id: 6"},
       [](const LoadedScene& l) {
         EXPECT_EQ(namesOf(l->m_shapes), (Names{"(empty)", "dots"}));
         EXPECT_EQ(namesOf(l->m_wsModifiers), (Names{"wave", "bend"}));
         EXPECT_FALSE(l->m_wsModifiers.at(0).m_pModifier);
         EXPECT_EQ(l->m_wsModifiers.at(1).m_pModifier->getType(), 3);
       }},
      {"skin without bones",
       meshFile({stack({modifier(1, {skin(kIdentity12, {}, {{}, {}})})})}),
       {"S3DModifierSkin warning:|loadBoneList: m_nbBone <= 0"},
       skinKeeps(0, 2)},
      {"skin without vertices",
       meshFile({stack({modifier(1, {skin(kIdentity12, {{"b", kIdentity12}}, {})})})}),
       {"S3DModifierSkin warning:|loadVertexList: m_nbBone <= 0"},
       skinKeeps(1, 0)},
      {"morph without targets",
       meshFile({stack({modifier(2, {morph({})})})}),
       {"S3DModifierMorph|loadTargetList: m_nbTarget <= 0"},
       [=](const LoadedScene& l) {
         EXPECT_EQ(dynamic_cast<const S3DModifierMorph&>(*modifierOf(l)).getNbTarget(), 0);
       }},
      // An application list on a mesh without a stack; a material index without a material.
      {"unresolved references",
       withCamera(
           {oneMaterial(), meshes({mesh({head({.name = "plain"}), namedChannels(2010, {{"1"}})}),
                                   mesh({head({.name = "lost"}), materialIndex(1)})})}),
       {"S3DTriObject warning: plain|can t find modifier: 1",
        "S3DScene warning:|lost has NULL material !!"},
       [](const LoadedScene& l) {
         EXPECT_EQ(l->m_triObjects.at(0).m_applications.at(0).pModifier, nullptr);
         EXPECT_EQ(l->m_triObjects.at(1).m_pMaterial, nullptr);
       }},
      // Faces naming vertex 3 or 5 of 3 are dropped, so are edge pairs naming vertex 3 or -1;
      // texture vertex 7 of 3 becomes 0.
      {"indices out of range",
       meshFile({geometry({vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}),
                           arrayChunk<Xyz>(504, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}),
                           edgePairs({{0, 2}, {0, 3}, {-1, 0}})}),
                 faces({faceVertices({{0, 1, 2}, {0, 1, 3}, {5, 0, 1}, {2, 1, 0}}),
                        arrayChunk<Triple>(1002, {{0, 1, 2}, {0, 0, 0}, {0, 0, 0}, {7, 1, 0}}),
                        arrayChunk<std::uint16_t>(1003, {10, 11, 12, 13})})}),
       {"S3DTriObject warning: m|2 faces name vertices the mesh does not have; they are dropped",
        "S3DTriObject warning: m|2 edge pairs name vertices the mesh does not have; they are "
        "dropped",
        "S3DTriObject warning: m|1 texture-vertex indices are out of range; texture vertex 0 is "
        "used instead"},
       [](const LoadedScene& l) {
         std::vector<std::array<int, 7>> faces;
         for (const S3DFace& f : l->m_triObjects.at(0).m_faces)
           faces.push_back({f.a, f.b, f.c, f.ta, f.tb, f.tc, f.subMaterialWord});
         EXPECT_EQ(faces, (std::vector<std::array<int, 7>>{{0, 1, 2, 0, 1, 2, 10},
                                                           {2, 1, 0, 0, 1, 0, 13}}));
         EXPECT_EQ(l->m_triObjects.at(0).m_edgePairs,
                   (std::vector<std::array<int32_t, 2>>{{0, 2}}));
       }},
      // Counts beyond what the chunk holds: a vertex takes 12 bytes, a face 6, a bone at least
      // 49, a morph target at least 6 (the one written takes 36), a skin vertex with one weight 8.
      {"counts beyond the chunk",
       meshFile({geometry({vertices({{1, 2, 3}, {4, 5, 6}}, 0xFFFF)}),
                 faces({faceVertices({{0, 0, 1}}, 0xFFFF)})}),
       {"S3DTriObject warning: m|geometry: 65535 vertices announced, 2 in the chunk",
        "S3DTriObject warning: m|faces: 65535 faces announced, 1 in the chunk"},
       [](const LoadedScene& l) { EXPECT_EQ(l->m_triObjects.at(0).m_faces.size(), 1u); }},
      {"bones beyond the chunk",
       meshFile({stack({modifier(1, {skin(kIdentity12, {{"b"}}, {}, 0xFFFF, 0)})})}),
       {"S3DModifierSkin warning:|loadBoneList: 65535 bones announced, 1 fit in the chunk"},
       skinKeeps(1, 0)},
      {"skin vertices beyond the chunk",
       meshFile(
           {stack({modifier(1, {skin(kIdentity12, {{"b"}}, {{{1.0f, 0}}}, {}, 0x7FFFFFFF)})})}),
       {"S3DModifierSkin warning:|loadVertexList: 2147483647 vertices announced, the chunk ends "
        "at vertex 1"},
       skinKeeps(1, 1)},
      {"morph targets beyond the chunk",
       meshFile({stack({modifier(2, {morph({{"t", 1.0f}}, 0xFFFF)})})}),
       {"S3DModifierMorph|loadTargetList: 65535 targets announced, 6 fit in the chunk"},
       [](const LoadedScene&) {}},
      // The cycle's objects keep no parent; the one hanging from it keeps its own.
      {"parent cycle",
       withCamera(
           {dummies({dummy({.name = "D", .parent = "A"}), dummy({.name = "A", .parent = "B"}),
                     dummy({.name = "B", .parent = "C"}), dummy({.name = "C", .parent = "A"})})}),
       {"S3DScene warning:|parent cycle: A -> B -> C -> A; these objects keep no parent"},
       [](const LoadedScene& l) {
         const auto& d = l->m_dummies;
         EXPECT_EQ(
             tuple(d.at(0).m_pParent, d.at(1).m_pParent, d.at(2).m_pParent, d.at(3).m_pParent),
             tuple(&d.at(1), nullptr, nullptr, nullptr));
         EXPECT_EQ(l->m_links, std::vector<S3DNode*>{const_cast<S3DDummy*>(&d.at(0))});
       }},
  };
  // A list announcing 2 records that holds 3: the first two fill objects 0 and 1 in order, the
  // third is skipped. The list comes last: a second list of the same kind would replace it.
  const auto listRow = [&](const char* text, RootList list, auto record, auto names) {
    const Bytes file = sceneFile({cameras({plainCamera()}), oneMaterial(),
                                  list({record("r0"), record("r1"), record("r2")}, 2)});
    rows.push_back(
        {text, file, {std::string(kSceneCaption) + "|" + text}, [=](const LoadedScene& l) {
           EXPECT_EQ(names(*l.scene), (Names{"r0", "r1"}));
         }});
  };
  const auto named = [](const std::string& n) { return Head{.name = n}; };
  listRow(
      "loading TriObject error", meshes, [&](auto n) { return mesh({head(named(n))}); },
      [](const S3DScene& s) { return namesOf(s.m_triObjects); });
  listRow(
      "loading WSMModifier error", wsModifiers, [&](auto n) { return wsModifier(named(n), 3); },
      [](const S3DScene& s) { return namesOf(s.m_wsModifiers); });
  listRow(
      "loading Dummy error", dummies, [&](auto n) { return dummy(named(n)); },
      [](const S3DScene& s) { return namesOf(s.m_dummies); });
  listRow(
      "loading Shape error", shapes, [&](auto n) { return shape(1, {head(named(n))}); },
      [](const S3DScene& s) { return namesOf(s.m_shapes); });
  listRow(
      "loading Light error", lights, [&](auto n) { return light({.head = named(n)}); },
      [](const S3DScene& s) { return namesOf(s.m_lights); });
  listRow(
      "loading camera error", cameras, [](auto n) { return plainCamera(n); },
      [](const S3DScene& s) { return namesOf(s.m_cameras); });
  listRow(
      "loading material error", materials, [](auto n) { return material(n, {}); },
      [](const S3DScene& s) { return namesOf(s.m_materials); });
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const LoadedScene loaded = loadScene(row.file);
    for (const std::string& text : row.texts)
      EXPECT_EQ(loaded.count(text), 1u) << text;
    row.kept(loaded);
  }
}

// The mesh's box and pivot reach its stack's modifiers whatever order its chunks come in.
TEST(L3xMesh, StackModifiersTakeTheMeshBoxInAnyChunkOrder) {
  const LoadedScene reversed = loadScene(everyRecordFile(true));
  const auto& bend = modifierAs<S3DModifierBend>(reversed->m_triObjects.at(0), 0);
  EXPECT_EQ(tuple(bend.m_boxMin, bend.m_boxMax, bend.m_pivot),
            tuple(Vec3{-1, -1, 0}, Vec3{1, 1, 2}, Vec3{1, 0, 0}));
  EXPECT_EQ(modifierAs<S3DModifierTwist>(*reversed->m_shapes.at(0), 0).m_boxMax, (Vec3{1, 5, 3}));
}

}  // namespace
