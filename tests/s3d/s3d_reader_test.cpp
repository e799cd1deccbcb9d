// The .l3x reader: the scene with every record kind (l3x_every_record.h) comes back with every
// field in place, in the file's child order and in reverse; then the reader's edge cases and their
// exact reports, and what broken files leave behind.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
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
using Sizes = std::array<std::size_t, 4>;

// sin and cos of pi/4 in double, rounded once: the reader computes them in float.
constexpr float kSqrtHalf = 0.70710678f;

Bytes everyRecordFile(bool reversed) {
  return chunk_bytes::plainFile(rootChunk(reversed));
}

const LoadedScene& everyRecordScene(bool reversed) {
  static const LoadedScene scenes[2] = {loadScene(everyRecordFile(false)),
                                        loadScene(everyRecordFile(true))};
  return scenes[reversed ? 1 : 0];
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

// Every test runs on the file as written and on the file with every free child list reversed.
class EveryRecord : public ::testing::TestWithParam<bool> {
 protected:
  const S3DScene& scene() const { return *everyRecordScene(GetParam()).scene; }
};

INSTANTIATE_TEST_SUITE_P(ChildOrder, EveryRecord, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Reversed" : "AsWritten"; });

TEST_P(EveryRecord, RootAndMaterials) {
  // Reading reports nothing. Preparing the drawing reports the pictures the scene names (none is
  // on disk) and its channel names (they name no channels): those reports aside.
  const LoadedScene& loaded = everyRecordScene(GetParam());
  EXPECT_TRUE(loaded.read);
  for (const std::string& line : loaded.reports)
    EXPECT_TRUE(line.starts_with("CImage32FromData|cant load file ") ||
                line.find("vertex channel") != std::string::npos ||
                line.find("vertexChannel") != std::string::npos)
        << line;
  const S3DScene& s = scene();
  EXPECT_EQ(tuple(s.m_animLength, s.m_zBufferFlag, s.m_sceneValue2, s.m_sceneName),
            tuple(120, 0, 7, "stage"));
  EXPECT_EQ(namesOf(s.m_materials), (Names{"metal", "glass"}));
  EXPECT_EQ(namesOf(s.m_materials.at(0).m_subMaterials), (Names{"shiny", "dull"}));
  EXPECT_EQ(namesOf(s.m_materials.at(1).m_subMaterials), Names{"clear"});

  const S3DSubMaterial& sub = s.m_materials[0].m_subMaterials[0];
  // paletteParam 0.5: knee round(255 * 0.5) = round(127.5) = 128.
  EXPECT_EQ(tuple(sub.m_polygonsEnabled, sub.m_twoSided, sub.m_shadingType, sub.m_blendMode,
                  sub.m_opacity, sub.m_textureOption, sub.m_value16, sub.m_paletteParam,
                  sub.getKnee(), sub.m_value21),
            tuple(0, 1, 201, 3, 0.25f, 1, 16, 0.5f, 128, 21));
  EXPECT_EQ(sub.m_colors[0], (Vec3{0.125f, 0.25f, 0.5f}));
  expectNear(sub.m_colors[1], {1.0f, 128.0f / 255.0f, 0.0f});
  EXPECT_EQ(sub.m_colors[2], (Vec3{0.5f, 1.0f, 0.75f}));
  const S3DSubMaterial& dull = s.m_materials[0].m_subMaterials[1];
  EXPECT_FALSE(dull.m_pLine || dull.m_pTextureLayer || dull.m_pMapLayer || dull.m_pLayer1 ||
               dull.m_pLayer2 || dull.m_pOpacityTrack);

  ASSERT_TRUE(sub.m_pLine && sub.m_pTextureLayer && sub.m_pMapLayer);
  const S3DLineProperties& line = *sub.m_pLine;
  EXPECT_EQ(tuple(line.m_enabled, line.m_color, line.m_blendMode, line.m_opacity, line.m_width,
                  line.m_antialias, line.m_value16),
            tuple(1, 0x123456, 2, 0.5f, 2.5f, 1, 99));
  const S3DTextureLayer& t = *sub.m_pTextureLayer;
  EXPECT_EQ(tuple(t.m_enabled, t.m_flags, t.m_fileName, t.m_u, t.m_v, t.m_w, t.m_h, t.m_pointSize,
                  t.m_values),
            tuple(1, 3, "wood.tga", 0.25f, 0.5f, 0.5f, 0.25f, 8.0f,
                  std::array<int32_t, 5>{14, 15, 16, 17, 18}));
  const S3DMapLayer& m = *sub.m_pMapLayer;
  EXPECT_EQ(
      tuple(m.m_fileName, m.m_enabled, m.m_combination, m.m_uvTransform, m.m_offsetU, m.m_offsetV,
            m.m_tileU, m.m_tileV, m.m_angle, m.m_wrap, m.m_opacityMap, m.m_amount, m.m_value22),
      tuple("map.tga", 1, 2, 1, 0.1f, 0.2f, 2.0f, 3.0f, 0.5f, 1, 1, 0.75f, 22));
  EXPECT_EQ(m.m_list23, (std::vector<float>{1.0f, 2.0f, 3.0f}));
  EXPECT_EQ(m.m_values, (std::array<float, 6>{24, 25, 26, 27, 28, 29}));
  ASSERT_TRUE(sub.m_pLayer1 && sub.m_pLayer2);
  const S3DMapLayer& l1 = *sub.m_pLayer1;
  const S3DMapLayer& l2 = *sub.m_pLayer2;
  EXPECT_EQ(tuple(l1.m_fileName, l1.m_enabled, l1.m_opacityMap, l1.m_amount),
            tuple("opacity.tga", 1, 1, 0.5f));
  EXPECT_EQ(tuple(l2.m_fileName, l2.m_combination, l2.m_amount), tuple("over.tga", 4, 0.25f));
}

TEST_P(EveryRecord, LightsAndCameras) {
  const S3DScene& s = scene();
  ASSERT_EQ(namesOf(s.m_lights), (Names{"omni", "spot", "directed"}));
  const auto values = [](const S3DLight& l) {
    return tuple(l.m_position, l.m_lightType, l.m_color, l.m_intensity, l.m_nearAttenuation,
                 l.m_farAttenuation, l.m_hotspot, l.m_falloff);
  };
  EXPECT_EQ(values(s.m_lights[0]),
            tuple(Vec3{0, 10, 0}, 1, Vec3{1.0f, 0.5f, 0.25f}, 0.8f, 10.0f, 200.0f, 0.0f, 0.0f));
  EXPECT_EQ(values(s.m_lights[1]),
            tuple(Vec3{}, 2, Vec3{0.2f, 0.4f, 0.6f}, 1.5f, 5.0f, 50.0f, 0.3f, 0.6f));
  EXPECT_EQ(values(s.m_lights[2]), tuple(Vec3{}, 3, Vec3{1, 1, 1}, 1.0f, 0.0f, 0.0f, 0.1f, 0.2f));
  EXPECT_EQ(tuple(s.m_lights[1].m_target.m_name, s.m_lights[1].m_target.m_position,
                  s.m_lights[2].m_target.m_name),
            tuple("spot.target", Vec3{0, 0, 5}, "directed.target"));

  ASSERT_EQ(namesOf(s.m_cameras), (Names{"cam", "cam2"}));
  const auto cameraValues = [](const S3DCamera& c) {
    return tuple(c.m_position, c.m_target.m_position, c.m_fov, c.m_roll, c.m_nearClip, c.m_farClip,
                 c.m_width, c.m_height, c.m_centerX, c.m_centerY);
  };
  // nearClip 0.5 is below 1: stored as 1. The second camera has the defaults, its target at
  // (0.00001, 0.00001, -100).
  EXPECT_EQ(cameraValues(s.m_cameras[0]), tuple(Vec3{0, 0, -50}, Vec3{1, 2, 3}, 1.0f, 0.1f, 1.0f,
                                                5000.0f, 512.0f, 256.0f, 256.0f, 128.0f));
  EXPECT_EQ(cameraValues(s.m_cameras[1]),
            tuple(Vec3{}, Vec3{0.00001f, 0.00001f, -100.0f}, 1.5707964f, 0.0f, 10.0f, 100000.0f,
                  512.0f, 256.0f, 256.0f, 128.0f));
  EXPECT_EQ(s.m_cameras[0].m_target.m_name, "cam.target");
  // A 512 x 256 screen: scaleX = f * 512 / 2 and scaleY = f * 256 with f = 1 / tan(fov / 2); fov 1:
  // tan(0.5) = 0.5463025, f = 1.8304877, both scales 468.60486. fov pi/2: f = 1, 256.
  for (const auto& [index, scale] : {std::pair{0u, 468.60486}, std::pair{1u, 256.0}}) {
    EXPECT_NEAR(s.m_cameras.at(index).m_scaleX, scale, 1e-3) << index;
    EXPECT_NEAR(s.m_cameras.at(index).m_scaleY, scale, 1e-3) << index;
  }
}

TEST_P(EveryRecord, DummiesAndWorldSpaceModifiers) {
  const S3DScene& s = scene();
  ASSERT_EQ(namesOf(s.m_dummies), (Names{"root", "bone1", "bone2"}));
  const S3DDummy& root = s.m_dummies[0];
  const S3DDummy& bone1 = s.m_dummies[1];
  EXPECT_EQ(tuple(root.m_parentName, root.m_pParent, root.m_matrixMode, root.m_pivot,
                  root.m_position, root.m_scale, root.m_rotation),
            tuple("NULL", nullptr, 0, Vec3{0.5f, 0.5f, 0.5f}, Vec3{1, 2, 3}, Vec3{1, 1, 1},
                  kIdentityQuat));
  EXPECT_EQ(tuple(bone1.m_parentName, bone1.m_pParent, bone1.m_matrixMode, bone1.m_position,
                  bone1.m_scale, s.m_dummies[2].m_pParent),
            tuple("root", &root, 1, Vec3{4, 5, 6}, Vec3{2, 2, 2}, &bone1));
  // (pi/2; 0, 0, 2): (0, 0, 2 sin(pi/4), cos(pi/4)), the axis not normalised.
  expectNear(bone1.m_rotation, {0.0f, 0.0f, 2.0f * kSqrtHalf, kSqrtHalf});

  ASSERT_EQ(namesOf(s.m_wsModifiers), (Names{"wsBend", "wsWarp"}));
  EXPECT_EQ(s.m_wsModifiers[0].m_position, (Vec3{0, 1, 0}));
  const auto* pBend = dynamic_cast<const S3DModifierBend*>(s.m_wsModifiers[0].m_pModifier.get());
  ASSERT_NE(pBend, nullptr);
  EXPECT_EQ(std::to_array(pBend->m_baseMatrix.m), affine({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
  EXPECT_EQ(tuple(pBend->m_worldSpace, pBend->m_position, pBend->m_centre, pBend->m_scale,
                  pBend->m_axis, pBend->m_angle, pBend->m_direction),
            tuple(1, Vec3{1, 1, 1}, Vec3{2, 2, 2}, Vec3{3, 3, 3}, 2, 0.7f, 0.3f));
  // (pi; 1, 0, 0): (sin(pi/2), 0, 0, cos(pi/2)).
  expectNear(pBend->m_rotation, {1.0f, 0.0f, 0.0f, 0.0f});
  const auto* pWarp =
      dynamic_cast<const S3DModifierSpaceWarp*>(s.m_wsModifiers[1].m_pModifier.get());
  ASSERT_NE(pWarp, nullptr);
  EXPECT_EQ(pWarp->m_worldSpace, 1);
  EXPECT_EQ(pWarp->m_values, (std::array<float, 8>{10, 11, 12, 13, 14, 15, 16, 17}));
}

TEST_P(EveryRecord, MeshGeometryAndFaces) {
  const S3DScene& s = scene();
  ASSERT_EQ(namesOf(s.m_triObjects), (Names{"box", "target", "layerMesh"}));
  const S3DTriObject& box = s.m_triObjects[0];
  EXPECT_EQ(tuple(box.m_pParent, box.m_matrixMode, box.m_pivot, box.m_position, box.m_materialIndex,
                  box.m_pMaterial),
            tuple(&s.m_dummies.at(0), 1, Vec3{1, 0, 0}, Vec3{0, 0, 10}, 0, &s.m_materials.at(0)));
  expectNear(box.m_rotation, {0.0f, 0.0f, 2.0f * kSqrtHalf, kSqrtHalf});
  EXPECT_EQ(box.m_vertices, (std::vector<Vec3>{{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 2}}));
  EXPECT_EQ(tuple(box.m_boxMin, box.m_boxMax), tuple(Vec3{-1, -1, 0}, Vec3{1, 1, 2}));
  ASSERT_TRUE(box.m_pSoftSelection);
  EXPECT_EQ(box.m_pSoftSelection->name, "softSelection");
  EXPECT_EQ(box.m_pSoftSelection->values, (std::vector<float>{0.0f, 0.25f, 0.5f, 1.0f}));
  EXPECT_EQ(box.m_textureVertices, (std::vector<Vec3>{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}));
  EXPECT_EQ(box.m_edgePairs, (std::vector<std::array<int32_t, 2>>{{0, 1}, {2, 3}}));
  ASSERT_EQ(box.m_faces.size(), 2u);
  for (const auto& [index, expected] :
       {std::pair{0, std::array<int, 8>{0, 1, 2, 3, 2, 1, 1, 40}},
        std::pair{1, std::array<int, 8>{0, 2, 3, 1, 0, 3, 5, 41}}}) {
    const S3DFace& f = box.m_faces.at(static_cast<std::size_t>(index));
    EXPECT_EQ((std::array<int, 8>{f.a, f.b, f.c, f.ta, f.tb, f.tc, f.subMaterialWord, f.value}),
              expected);
  }
  EXPECT_TRUE(box.hasMapping());
}

TEST_P(EveryRecord, MeshModifierStack) {
  const S3DScene& s = scene();
  const S3DTriObject& box = s.m_triObjects.at(0);
  ASSERT_EQ(box.m_modifiers.size(), 5u);
  // A stack modifier gets the mesh's box and pivot, whatever order the mesh's chunks come in.
  const auto& bend = modifierAs<S3DModifierBend>(box, 0);
  EXPECT_EQ(tuple(bend.m_position, bend.m_axis, bend.m_angle, bend.m_direction, bend.m_worldSpace,
                  bend.m_boxMin, bend.m_boxMax, bend.m_pivot),
            tuple(Vec3{1, 2, 3}, 0, 1.5f, 0.25f, 0, Vec3{-1, -1, 0}, Vec3{1, 1, 2}, Vec3{1, 0, 0}));
  const auto& noise = modifierAs<S3DModifierNoise>(box, 1);
  EXPECT_EQ(tuple(noise.m_seed, noise.m_fractal, noise.m_animate, noise.m_frequency,
                  noise.m_value104, noise.m_noiseScale, noise.m_phase, noise.m_strength),
            tuple(7, 1, 1, 0.5f, 104, 50.0f, 0.125f, Vec3{1, 2, 3}));
  const auto& taper = modifierAs<S3DModifierTaper>(box, 2);
  EXPECT_EQ(tuple(taper.m_axis, taper.m_effect, taper.m_symmetry, taper.m_amount, taper.m_curve),
            tuple(0, 2, 1, 0.5f, -0.5f));

  const auto& skin = modifierAs<S3DModifierSkin>(box, 3);
  EXPECT_EQ(std::to_array(skin.m_skinBind.m), affine(kSkinBind));
  ASSERT_EQ(skin.getNbBone(), 2);
  EXPECT_EQ(tuple(skin.m_bones[0].name, skin.m_bones[1].name), tuple("bone1", "bone2"));
  EXPECT_EQ(std::to_array(skin.m_bones[0].boneBind.m), affine(kBone1Bind));
  // offset = skinBind * inverse(boneBind) = T(0, 0, 1) * T(0, -2, 0) = T(0, -2, 1).
  EXPECT_EQ(std::to_array(skin.m_bones[0].offset.m), affine({1, 0, 0, 0, 1, 0, 0, 0, 1, 0, -2, 1}));
  EXPECT_EQ(std::to_array(skin.m_inverseSkinBind.m), affine({1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, -1}));
  ASSERT_EQ(skin.getNbVertex(), 4);
  EXPECT_EQ(skin.m_vertexFirst, (std::vector<uint32_t>{0, 1, 3, 3, 4}));
  EXPECT_EQ(skin.m_weights, (std::vector<float>{1.0f, 0.5f, 0.5f, 0.25f}));
  EXPECT_EQ(skin.m_weightBones, (std::vector<uint16_t>{0, 0, 1, 1}));
  EXPECT_EQ(tuple(skin.m_bones[0].pWorld, skin.m_bones[1].pWorld),
            tuple(&s.m_dummies.at(1).m_matrix, &s.m_dummies.at(2).m_matrix));

  const auto& morph = modifierAs<S3DModifierMorph>(box, 4);
  ASSERT_EQ(morph.getNbTarget(), 1);
  EXPECT_EQ(tuple(morph.m_targets[0].name, morph.m_targets[0].weight, morph.m_targets[0].pVertices),
            tuple("target", 0.5f, s.m_triObjects.at(1).m_vertices.data()));
}

TEST_P(EveryRecord, MeshListsLayersAndVisibility) {
  const S3DScene& s = scene();
  const S3DTriObject& box = s.m_triObjects.at(0);
  const auto light = [&](std::size_t i) { return const_cast<S3DLight*>(&s.m_lights.at(i)); };
  const auto channel = [](const auto& entry) {
    return tuple(entry.name, entry.channel.useChannel, entry.channel.invert,
                 entry.channel.channelName);
  };
  ASSERT_EQ(box.m_applications.size(), 3u);
  EXPECT_EQ(channel(box.m_applications[0]), tuple("1", 1, 0, "softSelection"));
  EXPECT_EQ(channel(box.m_applications[1]), tuple("7", 0, 1, "opacityMap"));
  // "1" -> entry 1, "7" -> 7 mod 5 = 2, "-3" -> 0.
  EXPECT_EQ(
      tuple(box.m_applications[0].pModifier, box.m_applications[1].pModifier,
            box.m_applications[2].pModifier),
      tuple(box.m_modifiers.at(1).get(), box.m_modifiers.at(2).get(), box.m_modifiers.at(0).get()));
  ASSERT_EQ(box.m_wsModifiers.size(), 1u);
  EXPECT_EQ(channel(box.m_wsModifiers[0]), tuple("wsBend", 1, 1, "softSelection"));
  EXPECT_EQ(box.m_wsModifiers[0].pWSModifier, &s.m_wsModifiers.at(0));

  EXPECT_EQ(box.m_lightNames, (std::vector<StringC>{"omni", "spot"}));
  EXPECT_EQ(box.m_lights, (std::vector<S3DLight*>{light(0), light(1)}));
  ASSERT_EQ(box.m_channelOperations.size(), 2u);
  for (const auto& [index, expected] :
       {std::pair{0, tuple("out", "in1", "in2", 3)}, std::pair{1, tuple("o2", "a", "b", 4)}}) {
    const S3DChannelOperation& op = box.m_channelOperations.at(static_cast<std::size_t>(index));
    EXPECT_EQ(tuple(op.output, op.input1, op.input2, op.operation), expected);
  }
  ASSERT_EQ(box.m_generatedChannels.size(), 1u);
  const S3DGeneratedChannel& generated = box.m_generatedChannels[0];
  EXPECT_EQ(tuple(generated.channel.name, generated.kind, generated.parameters),
            tuple("gen", 2, std::vector<float>{0.5f, 1.5f, 2.5f}));
  ASSERT_EQ(box.m_lightingChannels.size(), 1u);
  const S3DLightingChannel& lighting = box.m_lightingChannels[0];
  EXPECT_EQ(tuple(lighting.channel.name, lighting.lightNames, lighting.lights),
            tuple("lit", std::vector<StringC>{"spot", "directed"},
                  std::vector<S3DLight*>{light(1), light(2)}));
  EXPECT_EQ(tuple(box.m_channelReferences[0], box.m_channelReferences[1],
                  box.m_channelReferences[2], box.m_value, box.m_sorted),
            tuple("refA", "refB", "refC", 2100, 1));
  EXPECT_EQ(std::to_array(box.m_drawValues), (std::array<int32_t, 4>{11, 12, 13, 14}));

  const auto layer = [](const S3DMeshLayer& l) {
    return tuple(l.enabled, l.value, l.pMesh,
                 l.pTextureLayer ? l.pTextureLayer->m_fileName.view() : "(none)");
  };
  EXPECT_EQ(layer(box.m_layers[0]), tuple(1, 5, &s.m_triObjects.at(2), "wood.tga"));
  EXPECT_EQ(layer(box.m_layers[1]), tuple(0, 6, nullptr, "(none)"));
  EXPECT_EQ(layer(box.m_layers[2]), tuple(1, 7, nullptr, "(none)"));
  EXPECT_EQ(box.m_layers[0].pTextureLayer->m_h, 0.25f);
  // The morph target and the layer mesh are drawn only through the box.
  EXPECT_EQ(tuple(box.m_visible, s.m_triObjects[1].m_visible, s.m_triObjects[2].m_visible),
            tuple(1, 0, 0));
  EXPECT_EQ(s.m_triObjects[1].m_pMaterial, &s.m_materials.at(1));
}

TEST_P(EveryRecord, ShapesOfTheThreeKinds) {
  const S3DScene& s = scene();
  ASSERT_EQ(namesOf(s.m_shapes), (Names{"dots", "sparks", "sprite"}));
  const auto* pDots = dynamic_cast<const S3DShapePoints*>(s.m_shapes[0].get());
  ASSERT_NE(pDots, nullptr);
  EXPECT_EQ(
      tuple(pDots->getKind(), pDots->m_pParent, pDots->m_materialIndex, pDots->m_pMaterial,
            pDots->m_boxMin, pDots->m_boxMax, pDots->m_value),
      tuple(1, &s.m_triObjects.at(0), 1, &s.m_materials.at(1), Vec3{-1, 0, 0}, Vec3{1, 5, 3}, 42));
  EXPECT_EQ(pDots->m_vertices, (std::vector<Vec3>{{0, 0, 0}, {1, 2, 3}, {-1, 5, 0}}));
  EXPECT_EQ(pDots->m_lights, std::vector<S3DLight*>{const_cast<S3DLight*>(&s.m_lights.at(0))});
  ASSERT_EQ(pDots->m_modifiers.size(), 2u);
  const auto& twist = modifierAs<S3DModifierTwist>(*pDots, 0);
  EXPECT_EQ(tuple(twist.m_axis, twist.m_angle, twist.m_bias, twist.m_boxMax),
            tuple(1, 0.9f, 0.1f, Vec3{1, 5, 3}));
  EXPECT_EQ(modifierAs<S3DModifierSpherify>(*pDots, 1).m_percent, 0.6f);

  const auto* pSparks = dynamic_cast<const S3DShapeParticles*>(s.m_shapes[1].get());
  ASSERT_NE(pSparks, nullptr);
  ASSERT_EQ(pSparks->m_emitters.size(), 2u);
  const auto emitter = [&](std::size_t i) {
    const S3DEmitter& e = pSparks->m_emitters[i];
    return tuple(e.startFrame, e.period, e.rate);
  };
  EXPECT_EQ(tuple(emitter(0), emitter(1)), tuple(tuple(1.0f, 2.0f, 3.0f), tuple(4.0f, 5.0f, 6.0f)));
  const auto* pSprite = dynamic_cast<const S3DShapeSprite*>(s.m_shapes[2].get());
  ASSERT_NE(pSprite, nullptr);
  EXPECT_EQ(tuple(pSprite->m_value11, pSprite->m_value12, std::to_array(pSprite->m_selectors)),
            tuple(0.5f, 0.25f, std::array<int32_t, 3>{2, 1, 0}));
}

// Each track holds one constant key at frame 0, a different value per holder: after setTime(0)
// every value shows which holder fed it.
TEST_P(EveryRecord, EachTrackDrivesItsOwnField) {
  const LoadedScene loaded = loadScene(everyRecordFile(GetParam()));
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

// --- Edge cases ---

TEST(L3xRoot, AnyOtherRootIdentifierIsRefused) {
  for (const std::uint16_t id : std::vector<std::uint16_t>{0, 53453, 53455}) {
    const LoadedScene loaded =
        loadScene(sceneFile({cameras({plainCamera()}), dummies({dummy({.name = "d"})})}, id));
    EXPECT_FALSE(loaded.read) << id;
    EXPECT_EQ(loaded.reports, (Names{"S3DScene warning:|not a l3x file", kNoCamera})) << id;
    EXPECT_TRUE(loaded->m_cameras.empty() && loaded->m_dummies.empty()) << id;
  }
  const LoadedScene noCamera = loadScene(sceneFile({dummies({dummy({.name = "d"})})}));
  EXPECT_TRUE(noCamera.read);
  EXPECT_EQ(noCamera.reports, Names{kNoCamera});
  EXPECT_EQ(noCamera->m_dummies.size(), 1u);
}

// A list announcing 2 records that holds 3: the first two fill objects 0 and 1 in order, the third
// is skipped with one report. A count of 0 creates nothing, silently.
TEST(L3xLists, ARecordBeyondTheCountIsSkippedWithItsReport) {
  struct Case {
    const char* text;
    RootList list;
    std::function<Bytes(const std::string&)> record;
    std::function<Names(const S3DScene&)> names;
  };
  const std::vector<Case> cases{
      {"loading TriObject error", meshes, [](const auto& n) { return mesh({head({.name = n})}); },
       [](const S3DScene& s) { return namesOf(s.m_triObjects); }},
      {"loading WSMModifier error", wsModifiers,
       [](const auto& n) { return wsModifier({.name = n}, 3); },
       [](const S3DScene& s) { return namesOf(s.m_wsModifiers); }},
      {"loading Dummy error", dummies, [](const auto& n) { return dummy({.name = n}); },
       [](const S3DScene& s) { return namesOf(s.m_dummies); }},
      {"loading Shape error", shapes, [](const auto& n) { return shape(1, {head({.name = n})}); },
       [](const S3DScene& s) { return namesOf(s.m_shapes); }},
      {"loading Light error", lights, [](const auto& n) { return light({.head = {.name = n}}); },
       [](const S3DScene& s) { return namesOf(s.m_lights); }},
      {"loading camera error", cameras, [](const auto& n) { return plainCamera(n); },
       [](const S3DScene& s) { return namesOf(s.m_cameras); }},
      {"loading material error", materials, [](const auto& n) { return material(n, {}); },
       [](const S3DScene& s) { return namesOf(s.m_materials); }},
  };
  for (const Case& c : cases) {
    const Bytes list = c.list({c.record("r0"), c.record("r1"), c.record("r2")}, 2);
    // The list under test comes last: a second list of the same kind would replace the first.
    const LoadedScene loaded =
        loadScene(sceneFile({cameras({plainCamera()}), oneMaterial(), list}));
    EXPECT_EQ(loaded.count(std::string(kSceneCaption) + "|" + c.text), 1u) << c.text;
    EXPECT_EQ(c.names(*loaded.scene), (Names{"r0", "r1"})) << c.text;
  }
  const LoadedScene empty = loadScene(
      withCamera({meshes({mesh({head({.name = "m"})})}, 0), dummies({dummy({.name = "d"})}, 0)}));
  EXPECT_TRUE(empty->m_triObjects.empty() && empty->m_dummies.empty());
  EXPECT_EQ(empty.reports, Names{});
}

// Per-vertex chunks before 502 create nothing (edge pairs carry their own count: their place does
// not matter); per-face chunks before 1001 are ignored.
TEST(L3xMesh, ChunksBeforeTheirCountsAreIgnored) {
  const Bytes geometryOutOfOrder =
      node(501, {},
           {arrayChunk<float>(503, {0.5f, 0.5f, 0.5f}),
            arrayChunk<Xyz>(504, {{1, 1, 1}, {2, 2, 2}, {3, 3, 3}}), edgePairs({{0, 2}}),
            vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}})},
           Order::kFixed);
  const Bytes facesOutOfOrder =
      node(1000, {},
           {arrayChunk<Triple>(1002, {{1, 1, 1}}), arrayChunk<std::uint16_t>(1003, {3}),
            arrayChunk<std::uint16_t>(1004, {4}), faceVertices({{0, 1, 2}})},
           Order::kFixed);
  const LoadedScene loaded = loadScene(withCamera(
      {oneMaterial(), meshes({mesh({head({.name = "m"}), geometryOutOfOrder, facesOutOfOrder})})}));
  const S3DTriObject& m = loaded->m_triObjects.at(0);
  EXPECT_EQ(m.getNbVertex(), 3);
  EXPECT_FALSE(m.m_pSoftSelection);
  EXPECT_TRUE(m.m_textureVertices.empty());
  EXPECT_EQ(m.m_edgePairs, (std::vector<std::array<int32_t, 2>>{{0, 2}}));
  ASSERT_EQ(m.m_faces.size(), 1u);
  const S3DFace& f = m.m_faces[0];
  EXPECT_EQ((std::array<int, 8>{f.a, f.b, f.c, f.ta, f.tb, f.tc, f.subMaterialWord, f.value}),
            (std::array<int, 8>{0, 1, 2, 0, 0, 0, 0, 0}));
  EXPECT_FALSE(m.hasMapping());
}

TEST(L3xObjects, UnknownKindsAndTypesKeepAnEmptySlot) {
  const LoadedScene loaded = loadScene(withCamera(
      {oneMaterial(),
       shapes({shape(7, {head({.name = "odd"})}), shape(1, {head({.name = "dots"})})}),
       wsModifiers({wsModifier({.name = "wave"}, 6, {parameters({floatChunk(101, 1.0f)})}),
                    wsModifier({.name = "bend"}, 3)})}));
  EXPECT_EQ(loaded.count("S3DScene warning:|unknow shape type: 7"), 1u);
  EXPECT_EQ(namesOf(loaded->m_shapes), (Names{"(empty)", "dots"}));
  EXPECT_EQ(loaded.count("WSModifier: |can t find modifier with id: 6"), 1u);
  ASSERT_EQ(namesOf(loaded->m_wsModifiers), (Names{"wave", "bend"}));
  EXPECT_FALSE(loaded->m_wsModifiers[0].m_pModifier);
  ASSERT_TRUE(loaded->m_wsModifiers[1].m_pModifier);
  EXPECT_EQ(loaded->m_wsModifiers[1].m_pModifier->getType(), 3);
}

TEST(L3xModifiers, EmptySkinAndMorphListsAreReported) {
  struct Case {
    Bytes modifierChunks;
    std::string line;
    // What the modifier keeps: bones and vertex records (skin) or targets (morph).
    std::vector<int> kept;
  };
  const std::vector<Case> cases{
      {modifier(1, {skin(kIdentity12, {}, {{}, {}})}),
       "S3DModifierSkin warning:|loadBoneList: m_nbBone <= 0",
       {0, 2}},
      {modifier(1, {skin(kIdentity12, {{"b", kIdentity12}}, {})}),
       "S3DModifierSkin warning:|loadVertexList: m_nbBone <= 0",
       {1, 0}},
      {modifier(2, {morph({})}), "S3DModifierMorph|loadTargetList: m_nbTarget <= 0", {0}},
  };
  for (const Case& c : cases) {
    const LoadedScene loaded =
        loadScene(withCamera({oneMaterial(), dummies({dummy({.name = "b"})}),
                              meshes({mesh({head({.name = "m"}), stack({c.modifierChunks})})})}));
    EXPECT_EQ(loaded.count(c.line), 1u) << c.line;
    const S3DModifier* pModifier = loaded->m_triObjects.at(0).m_modifiers.at(0).get();
    std::vector<int> kept;
    if (const auto* pSkin = dynamic_cast<const S3DModifierSkin*>(pModifier))
      kept = {pSkin->getNbBone(), pSkin->getNbVertex()};
    else if (const auto* pMorph = dynamic_cast<const S3DModifierMorph*>(pModifier))
      kept = {pMorph->getNbTarget()};
    EXPECT_EQ(kept, c.kept) << c.line;
  }
}

// An application list on a mesh without a stack; a material index without a material.
TEST(L3xMesh, UnresolvedReferencesAreReported) {
  const LoadedScene loaded = loadScene(withCamera(
      {oneMaterial(), meshes({mesh({head({.name = "plain"}), namedChannels(2010, {{"1"}})}),
                              mesh({head({.name = "good"}), materialIndex(0)}),
                              mesh({head({.name = "lost"}), materialIndex(1)})})}));
  EXPECT_EQ(loaded.count("S3DTriObject warning: plain|can t find modifier: 1"), 1u);
  EXPECT_EQ(loaded.count("S3DScene warning:|lost has NULL material !!"), 1u);
  ASSERT_EQ(loaded->m_triObjects.at(0).m_applications.size(), 1u);
  EXPECT_EQ(loaded->m_triObjects.at(0).m_applications[0].pModifier, nullptr);
  EXPECT_EQ(tuple(loaded->m_triObjects.at(1).m_pMaterial, loaded->m_triObjects.at(2).m_pMaterial),
            tuple(&loaded->m_materials.at(0), nullptr));
}

// --- Broken files (the fuzz target covers crashes; these check what a user gets back) ---

// Four lists, each a few dozen bytes: a camera, a dummy, a material, a mesh with a face.
std::vector<Bytes> smallSceneLists() {
  return {cameras({plainCamera("c")}), dummies({dummy({.name = "d", .position = Xyz{1, 2, 3}})}),
          oneMaterial(),
          meshes({mesh({head({.name = "m"}), materialIndex(0),
                        geometry({vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}})}),
                        faces({faceVertices({{0, 1, 2}})})})})};
}

// Sizes of the four collections in the order of smallSceneLists.
Sizes sizes(const S3DScene& s) {
  return {s.m_cameras.size(), s.m_dummies.size(), s.m_materials.size(), s.m_triObjects.size()};
}

// The root cut after n bytes and its length set to n: the lists that end by n load whole, the one
// that crosses the cut stops the reading, the later ones are never seen.
TEST(L3xBroken, ACutRootKeepsTheListsBeforeTheCut) {
  const std::vector<Bytes> lists = smallSceneLists();
  const Bytes data = root(lists);
  Sizes ends{};
  std::size_t end = 6;
  for (std::size_t i = 0; i < lists.size(); ++i)
    ends[i] = end += lists[i].size();
  ASSERT_EQ(end, data.size());
  for (std::size_t n = 6; n <= data.size(); ++n) {
    const LoadedScene loaded = loadScene(chunk_bytes::plainFile(
        chunk_bytes::rawChunk(kRootId, static_cast<std::uint32_t>(n),
                              Bytes(data.begin() + 6, data.begin() + static_cast<long>(n)))));
    Sizes expected{};
    for (std::size_t i = 0; i < 4; ++i)
      expected[i] = ends[i] <= n ? 1 : 0;
    EXPECT_EQ(sizes(*loaded.scene), expected) << n;
    EXPECT_EQ(namesOf(loaded->m_cameras), std::vector<std::string>(expected[0], "c")) << n;
    for (const S3DDummy& d : loaded->m_dummies)
      EXPECT_EQ(d.m_position, (Vec3{1, 2, 3})) << n;
    for (const S3DTriObject& m : loaded->m_triObjects)
      EXPECT_EQ(m.m_faces.size(), 1u) << n;
    EXPECT_EQ(loaded.count(kNoCamera), 1u - expected[0]) << n;
  }
}

// The largest count of one kind of thing anywhere in the scene: objects of a collection,
// sub-materials, a map layer's kept list, and per object vertices, edge pairs, faces, stack
// entries, list entries, channel values and lights, skin bones and vertices, morph targets,
// emitters and position keys.
std::size_t largestCount(const S3DScene& s) {
  std::vector<std::size_t> n{s.m_triObjects.size(),  s.m_dummies.size(), s.m_shapes.size(),
                             s.m_wsModifiers.size(), s.m_cameras.size(), s.m_lights.size(),
                             s.m_materials.size()};
  for (const S3DMaterial& material : s.m_materials) {
    n.push_back(material.m_subMaterials.size());
    for (const S3DSubMaterial& sub : material.m_subMaterials)
      n.push_back(sub.m_pMapLayer ? sub.m_pMapLayer->m_list23.size() : 0);
  }
  const auto count = [&](const S3DVertexObject& o) {
    n.insert(n.end(), {o.m_vertices.size(), o.m_modifiers.size(), o.m_applications.size(),
                       o.m_lightNames.size(), o.m_channelOperations.size()});
    for (const S3DGeneratedChannel& channel : o.m_generatedChannels)
      n.push_back(channel.parameters.size());
    for (const S3DLightingChannel& channel : o.m_lightingChannels)
      n.push_back(channel.lightNames.size());
    for (const auto& pModifier : o.m_modifiers) {
      if (const auto* pSkin = dynamic_cast<const S3DModifierSkin*>(pModifier.get()))
        n.insert(n.end(), {static_cast<std::size_t>(pSkin->getNbBone()),
                           static_cast<std::size_t>(pSkin->getNbVertex())});
      if (const auto* pMorph = dynamic_cast<const S3DModifierMorph*>(pModifier.get()))
        n.push_back(static_cast<std::size_t>(pMorph->getNbTarget()));
    }
    const Track<Point3D>* pTrack = o.m_pPositionTrack ? o.m_pPositionTrack->getTrack() : nullptr;
    n.push_back(pTrack ? static_cast<std::size_t>(pTrack->getNbKey()) : 0);
  };
  for (const S3DTriObject& mesh : s.m_triObjects) {
    count(mesh);
    n.insert(n.end(), {mesh.m_edgePairs.size(), mesh.m_faces.size()});
  }
  for (const auto& pShape : s.m_shapes) {
    if (pShape) count(*pShape);
    if (const auto* pParticles = dynamic_cast<const S3DShapeParticles*>(pShape.get()))
      n.push_back(pParticles->m_emitters.size());
  }
  return *std::max_element(n.begin(), n.end());
}

// Files of about a hundred bytes that announce far more than they hold: what is allocated stays
// within what the bytes could fill (a record is never less than a 6-byte chunk header). One row
// per place that sizes an array from a count (the root lists share one, the mesh lists another).
TEST(L3xBroken, CountsLargerThanTheDataAllocateOnlyWhatFits) {
  constexpr std::uint16_t kMaxWord = 0xFFFF;
  constexpr std::int32_t kMaxInt = std::numeric_limits<std::int32_t>::max();
  const auto meshWith = [](std::vector<Bytes> children) {
    children.insert(children.begin(), head({.name = "m"}));
    return withCamera({meshes({mesh(std::move(children))})});
  };
  const std::pair<const char*, Bytes> cases[] = {
      {"meshes", withCamera({meshes({mesh({head({.name = "m"})})}, kMaxWord)})},
      {"sub-materials", withCamera({materials({material("m", {subMaterial("s")}, kMaxInt)})})},
      {"vertices", meshWith({geometry({vertices({{1, 2, 3}, {4, 5, 6}}, kMaxWord)})})},
      {"edge pairs",
       meshWith({geometry({vertices({{1, 2, 3}, {4, 5, 6}}), edgePairs({{0, 1}}, kMaxWord)})})},
      {"faces",
       meshWith({geometry({vertices({{1, 2, 3}})}), faces({faceVertices({{0, 0, 0}}, kMaxWord)})})},
      {"stack", meshWith({stack({modifier(3)}, kMaxWord)})},
      {"applications", meshWith({list(2010, {}, kMaxWord)})},
      {"generated channel values",
       meshWith({list(2050, {block(2051, {node(3, field(kMaxInt) + field(1.0f))})})})},
      {"lighting channel lights",
       meshWith({list(2060, {block(2061, {node(10, field(kMaxInt), {stringChunk(11, "l")})})})})},
      {"skin bones",
       meshWith({stack({modifier(1, {skin(kIdentity12, {{"b"}}, {}, kMaxWord, 0)})})})},
      {"skin vertices",
       meshWith({stack({modifier(1, {skin(kIdentity12, {{"b"}}, {{{1.0f, 0}}}, {}, kMaxInt)})})})},
      {"morph targets", meshWith({stack({modifier(2, {morph({{"t", 1.0f}}, kMaxWord)})})})},
      {"emitters",
       withCamera({shapes({shape(2, {head({.name = "p"})}, {emitters({{1, 2, 3}}, kMaxWord)})})})},
      {"map layer list",
       withCamera({materials({material(
           "m", {subMaterial(
                    "s", {block(5, {block(1, {node(23, field(kMaxInt) + field(1.0f))})})})})})})},
      {"track keys",
       meshWith({block(1, {stringChunk(1, "m"),
                           block(3, {block(200, {track(201, 1, kMaxInt,
                                                       field(0) + field(Xyz{1, 2, 3}))})})})})},
  };
  for (const auto& [what, file] : cases) {
    ASSERT_LE(file.size(), 400u) << what;
    EXPECT_LE(largestCount(*loadScene(file).scene), file.size() / 6) << what;
  }
}

TEST(L3xBroken, IndicesOutOfRange) {
  const LoadedScene loaded = loadScene(withCamera(
      {oneMaterial(),
       meshes({mesh({head({.name = "m"}),
                     geometry({vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}),
                               arrayChunk<Xyz>(504, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}),
                               edgePairs({{0, 2}, {0, 3}, {-1, 0}})}),
                     faces({faceVertices({{0, 1, 2}, {0, 1, 3}, {5, 0, 1}, {2, 1, 0}}),
                            arrayChunk<Triple>(1002, {{0, 1, 2}, {0, 0, 0}, {0, 0, 0}, {7, 1, 0}}),
                            arrayChunk<std::uint16_t>(1003, {10, 11, 12, 13})})})})}));
  const S3DTriObject& m = loaded->m_triObjects.at(0);
  // Faces naming vertex 3 or 5 of a 3-vertex mesh are dropped; the others keep their data. Texture
  // vertex 7 of 3 is clamped to 0.
  std::vector<std::array<int, 7>> faces;
  for (const S3DFace& f : m.m_faces)
    faces.push_back({f.a, f.b, f.c, f.ta, f.tb, f.tc, f.subMaterialWord});
  EXPECT_EQ(faces,
            (std::vector<std::array<int, 7>>{{0, 1, 2, 0, 1, 2, 10}, {2, 1, 0, 0, 1, 0, 13}}));
  EXPECT_EQ(m.m_edgePairs, (std::vector<std::array<int32_t, 2>>{{0, 2}}));
  // One report for the faces, one for the edge pairs, one for the texture indices, all under the
  // mesh's caption.
  EXPECT_EQ(std::count_if(loaded.reports.begin(), loaded.reports.end(),
                          [](const std::string& line) {
                            return line.starts_with("S3DTriObject warning: m|");
                          }),
            3);
}

// Parent cycles: each is reported once with the names of its objects, which keep no parent; the
// objects hanging from a cycle keep theirs; the links hold no cycle member.
TEST(L3xBroken, ParentCyclesAreBrokenAndReported) {
  struct Case {
    const char* what;
    std::vector<std::pair<std::string, std::string>> dummies;  // name, parent
    std::vector<std::string> cycle;
  };
  const std::vector<Case> cases{
      {"A->A", {{"A", "A"}}, {"A"}},
      {"tail into a cycle", {{"D", "A"}, {"A", "B"}, {"B", "C"}, {"C", "A"}}, {"A", "B", "C"}},
      {"cycle then tail", {{"A", "B"}, {"B", "A"}, {"D", "A"}, {"E", "D"}}, {"A", "B"}},
  };
  for (const Case& c : cases) {
    std::vector<Bytes> records;
    for (const auto& [name, parent] : c.dummies)
      records.push_back(dummy({.name = name, .parent = parent}));
    const LoadedScene loaded = loadScene(withCamera({dummies(records)}));
    ASSERT_EQ(loaded->m_dummies.size(), c.dummies.size()) << c.what;
    ASSERT_EQ(loaded.reports.size(), 1u) << c.what;
    EXPECT_TRUE(loaded.reports[0].starts_with(kSceneCaption)) << c.what;
    for (const std::string& name : c.cycle)
      EXPECT_NE(loaded.reports[0].find(name), std::string::npos) << c.what << ": " << name;
    for (const S3DDummy& d : loaded->m_dummies) {
      const std::string name(d.m_name.view());
      const bool inCycle = std::find(c.cycle.begin(), c.cycle.end(), name) != c.cycle.end();
      const auto& links = loaded->m_links;
      EXPECT_EQ(d.m_pParent == nullptr, inCycle) << c.what << ": " << name;
      EXPECT_EQ(std::find(links.begin(), links.end(), &d) != links.end(), !inCycle)
          << c.what << ": " << name;
    }
  }
}

}  // namespace
