// The .l3x reader: a scene with every record kind, written from the file's tables, comes back with
// every field in place, in the file's child order and in reverse; then the reader's edge cases and
// their exact reports.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "s3d/s3d_modifier_deform.h"
#include "s3d/s3d_modifier_morph.h"
#include "s3d/s3d_modifier_skin.h"
#include "s3d/s3d_scene.h"
#include "tests/s3d/l3x_bytes.h"
#include "tests/s3d/s3d_test_util.h"

namespace {

using namespace l3x;
using namespace s3d_test;

constexpr float kHalfPi = 1.57079637f;
constexpr float kPiF = 3.14159265f;
// sin and cos of pi/4 in double, rounded once: the reader computes them in float.
constexpr float kSqrtHalf = 0.70710678f;
constexpr float kAngleTolerance = 1e-6f;

const TextureLayer kTexture{.enabled = 1,
                            .flags = 3,
                            .fileName = "wood.tga",
                            .u = 0.25f,
                            .v = 0.5f,
                            .w = 0.5f,
                            .h = 0.25f,
                            .pointSize = 8.0f,
                            .value18 = 18};

MapLayer mapLayerWithTracks() {
  return {.fileName = "map.tga",
          .enabled = 1,
          .combination = 2,
          .uvTransform = 1,
          .offsetU = 0.1f,
          .offsetV = 0.2f,
          .tileU = 2.0f,
          .tileV = 3.0f,
          .angle = 0.5f,
          .wrap = 1,
          .opacityMap = 1,
          .amount = 0.75f,
          .value22 = 22,
          .list23 = {1.0f, 2.0f, 3.0f},
          .values24 = {24.0f, 25.0f, 26.0f, 27.0f, 28.0f, 29.0f},
          // One constant per holder; 113 is no holder of the table and must land nowhere.
          .tracks = {floatTrack(110, {{0, 1.1f}}), floatTrack(111, {{0, 1.2f}}),
                     floatTrack(112, {{0, 1.3f}}), floatTrack(113, {{0, 9.9f}}),
                     floatTrack(114, {{0, 1.4f}}), floatTrack(115, {{0, 1.5f}}),
                     floatTrack(116, {{0, 1.6f}}), floatTrack(117, {{0, 1.7f}}),
                     floatTrack(118, {{0, 1.8f}})}};
}

Bytes everyMaterial() {
  const Bytes shiny = subMaterial(
      "shiny",
      {drawing({intChunk(10, 0),        // polygonsEnabled
                intChunk(11, 1),        // twoSided
                intChunk(12, 201),      // shadingType
                intChunk(13, 3),        // blendMode
                floatChunk(14, 0.25f),  // opacity
                intChunk(15, 1),        // textureOption
                intChunk(16, 16),       // value16
                pointChunk(17, {0.125f, 0.25f, 0.5f}),
                pointChunk(18, {255.0f, 128.0f, 0.0f}),  // on the 0..255 scale
                pointChunk(19, {0.5f, 1.0f, 0.75f}),     // 1.0 is not above 1: kept
                floatChunk(20, 0.5f),                    // paletteParam
                intChunk(21, 21),                        // value21
                mapLayer(
                    22, {.fileName = "opacity.tga", .enabled = 1, .opacityMap = 1, .amount = 0.5f}),
                mapLayer(23, {.fileName = "over.tga", .combination = 4, .amount = 0.25f})},
               {floatTrack(110, {{0, 0.75f}}), pointTrack(111, {{0, {0.5f, 0.5f, 0.5f}}}),
                pointTrack(112, {{0, {0.0f, 0.5f, 1.0f}}}),
                pointTrack(113, {{0, {1.0f, 0.0f, 0.0f}}})}),
       lines({intChunk(10, 1), intChunk(11, 0x123456), intChunk(12, 2), floatChunk(13, 0.5f),
              floatChunk(14, 2.5f), intChunk(15, 1), intChunk(16, 99)},
             {pointTrack(110, {{0, {255.0f, 0.0f, 0.0f}}})}),
       textureLayer(kTexture), mapLayer(5, mapLayerWithTracks())});
  return materials(
      {material("metal", {shiny, subMaterial("dull")}), material("glass", {subMaterial("clear")})});
}

Bytes everyLight() {
  return lights({
      light({.head = {.name = "omni", .position = Xyz{0, 10, 0}},
             .color = Xyz{1.0f, 0.5f, 0.25f},
             .type = 1,
             .intensity = 0.8f,
             .nearAttenuation = 10.0f,
             .farAttenuation = 200.0f,
             .intensityKeys = {{0, 0.6f}}}),
      light({.head = {.name = "spot"},
             .target = Head{.name = "spot.target", .position = Xyz{0, 0, 5}},
             .color = Xyz{0.2f, 0.4f, 0.6f},
             .type = 2,
             .intensity = 1.5f,
             .nearAttenuation = 5.0f,
             .farAttenuation = 50.0f,
             .hotspot = 0.3f,
             .falloff = 0.6f,
             .intensityKeys = {{0, 2.0f}},
             .colorKeys = {{0, {0.1f, 0.2f, 0.3f}}},
             .nearKeys = {{0, 6.0f}},
             .farKeys = {{0, 60.0f}},
             .hotspotKeys = {{0, 0.35f}},
             .falloffKeys = {{0, 0.65f}}}),
      light({.head = {.name = "directed"},
             .target = Head{.name = "directed.target"},
             .type = 3,
             .hotspot = 0.1f,
             .falloff = 0.2f,
             .hotspotKeys = {{0, 0.9f}}}),
  });
}

Bytes everyCamera() {
  return cameras({camera({.head = {.name = "cam", .position = Xyz{0, 0, -50}},
                          .target = Head{.name = "cam.target", .position = Xyz{1, 2, 3}},
                          .fov = 1.0f,
                          .roll = 0.1f,
                          .nearClip = 0.5f,
                          .farClip = 5000.0f,
                          .fovKeys = {{0, 1.2f}},
                          .rollKeys = {{0, 0.2f}}}),
                  camera({.head = {.name = "cam2"}})});
}

Bytes everyDummy() {
  return dummies({dummy({.name = "root",
                         .matrixMode = 0,
                         .pivot = Xyz{0.5f, 0.5f, 0.5f},
                         .position = Xyz{1, 2, 3}}),
                  dummy({.name = "bone1",
                         .parent = "root",
                         .matrixMode = 1,
                         .position = Xyz{4, 5, 6},
                         .scale = Xyz{2, 2, 2},
                         // The axis is not normalised: the quaternion keeps its length.
                         .rotation = AngleAxis{kHalfPi, {0, 0, 2}}}),
                  dummy({.name = "bone2", .parent = "bone1"})});
}

Bytes everyWSModifier() {
  return wsModifiers(
      {wsModifier({.name = "wsBend", .position = Xyz{0, 1, 0}}, 3,
                  {gizmo({.baseMatrix = Matrix12{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12},
                          .position = Xyz{1, 1, 1},
                          .centre = Xyz{2, 2, 2},
                          .scale = Xyz{3, 3, 3},
                          .rotation = AngleAxis{kPiF, {1, 0, 0}},
                          .positionKeys = {{0, {7, 7, 7}}},
                          .centreKeys = {{0, {8, 8, 8}}},
                          .scaleKeys = {{0, {9, 9, 9}}},
                          .rotationKeys = {{0, {kHalfPi, {0, 1, 0}}}}}),
                   parameters({byteChunk(100, 2), floatChunk(101, 0.7f), floatChunk(102, 0.3f)}),
                   modifierTracks({floatTrack(301, {{0, 0.8f}}), floatTrack(302, {{0, 0.4f}})})}),
       wsModifier({.name = "wsWarp"}, 12,
                  {parameters({floatChunk(100, 10), floatChunk(101, 11), floatChunk(102, 12),
                               floatChunk(103, 13), floatChunk(104, 14), floatChunk(105, 15),
                               floatChunk(106, 16), floatChunk(107, 17)}),
                   modifierTracks({floatTrack(300, {{0, 20}}), floatTrack(301, {{0, 21}}),
                                   floatTrack(302, {{0, 22}}), floatTrack(303, {{0, 23}}),
                                   floatTrack(304, {{0, 24}}), floatTrack(305, {{0, 25}})})})});
}

// Skin binds: translations, so that the offsets can be worked by hand.
const Matrix12 kSkinBind{1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 1};
const Matrix12 kBone1Bind{1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 2, 0};

Bytes boxMesh() {
  return mesh(
      {head({.name = "box",
             .parent = "root",
             .matrixMode = 1,
             .pivot = Xyz{1, 0, 0},
             .position = Xyz{0, 0, 10},
             .scale = Xyz{1, 1, 1},
             .rotation = AngleAxis{kHalfPi, {0, 0, 2}},
             .positionKeys = {{0, {0, 0, 0}}, {30, {30, 60, -90}}},
             .scaleKeys = {{0, {1, 2, 3}}},
             .rotationKeys = {{0, {kHalfPi, {0, 0, 1}}}}}),
       materialIndex(0),
       geometry({vertices({{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 2}}),
                 softSelection({0.0f, 0.25f, 0.5f, 1.0f}),
                 textureVertices({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}),
                 edgePairs({{0, 1}, {2, 3}})}),
       faces({faceVertices({{0, 1, 2}, {0, 2, 3}}), faceTextureVertices({{3, 2, 1}, {1, 0, 3}}),
              faceSubMaterials({1, 5}), faceValues({40, 41})}),
       stack({modifier(3, {gizmo({.position = Xyz{1, 2, 3}}),
                           parameters(
                               {byteChunk(100, 0), floatChunk(101, 1.5f), floatChunk(102, 0.25f)}),
                           modifierTracks({floatTrack(301, {{0, 2.5f}})})}),
              modifier(
                  5, {parameters({byteChunk(100, 7), byteChunk(101, 1), byteChunk(102, 1),
                                  floatChunk(103, 0.5f), intChunk(104, 104), floatChunk(106, 50.0f),
                                  floatChunk(107, 0.125f), pointChunk(108, {1, 2, 3})}),
                      modifierTracks({pointTrack(303, {{0, {4, 5, 6}}})})}),
              modifier(8, {parameters({byteChunk(100, 0), byteChunk(101, 2), byteChunk(102, 1),
                                       floatChunk(103, 0.5f), floatChunk(104, -0.5f)})}),
              modifier(1, {skin(kSkinBind, {{"bone1", kBone1Bind}, {"bone2", kIdentity12}},
                                {{{1.0f, 0}}, {{0.5f, 0}, {0.5f, 1}}, {}, {{0.25f, 1}}})}),
              modifier(2, {morph({{"target", 0.5f, {{0, 0.75f}}}})})}),
       // "7" is entry 7 modulo 5 = 2; "-3" counts as 0.
       applications({{"1", {1, 0, "softSelection"}}, {"7", {0, 1, "opacityMap"}}, {"-3", {}}}),
       wsModifierBindings({{"wsBend", {1, 1, "softSelection"}}}), lightNames({"omni", "spot"}),
       channelOperations({{"out", "in1", "in2", 3}, {"o2", "a", "b", 4}}),
       generatedChannels({{"gen", 2, {0.5f, 1.5f, 2.5f}}}),
       lightingChannels({{"lit", {"spot", "directed"}}}), channelReferences("refA", "refB", "refC"),
       intChunk(2100, 2100), intChunk(2101, 11), intChunk(2102, 12), intChunk(2103, 13),
       intChunk(2104, 14), intChunk(2105, 1), meshLayer(0, 1, 5, "layerMesh", kTexture),
       meshLayer(1, 0, 6, "NULL"), meshLayer(2, 1, 7, "")});
}

Bytes everyMesh() {
  return meshes({boxMesh(),
                 mesh({head({.name = "target"}), materialIndex(1),
                       geometry({vertices({{0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}})})}),
                 mesh({head({.name = "layerMesh"}), materialIndex(0)})});
}

Bytes everyShape() {
  return shapes({shape(1, {head({.name = "dots", .parent = "box"}), materialIndex(1),
                           geometry({vertices({{0, 0, 0}, {1, 2, 3}, {-1, 5, 0}})}),
                           stack({modifier(7, {parameters({byteChunk(100, 1), floatChunk(101, 0.9f),
                                                           floatChunk(102, 0.1f)})})}),
                           lightNames({"omni"}), intChunk(2100, 42)}),
                 shape(2, {head({.name = "sparks"})}, {emitters({{1, 2, 3}, {4, 5, 6}})}),
                 shape(3, {head({.name = "sprite"})},
                       {floatChunk(11, 0.5f), floatChunk(12, 0.25f), intChunk(13, 2),
                        intChunk(14, 1), intChunk(15, 0)})});
}

Bytes everyRecordFile(bool reversed) {
  std::optional<ReversedChildren> order;
  if (reversed) order.emplace();
  return sceneFile({wordChunk(50, 120), intChunk(500, 0), intChunk(501, 7),
                    stringChunk(502, "stage"), everyMaterial(), everyLight(), everyCamera(),
                    everyDummy(), everyWSModifier(), everyMesh(), everyShape()});
}

const LoadedScene& everyRecordScene(bool reversed) {
  static const LoadedScene scenes[2] = {loadScene(everyRecordFile(false)),
                                        loadScene(everyRecordFile(true))};
  return scenes[reversed ? 1 : 0];
}

void expectMatrixRows(const Matrix44& m, const Matrix12& rows) {
  for (int row = 0; row < 4; ++row) {
    for (int col = 0; col < 3; ++col)
      EXPECT_EQ(m.m[row * 4 + col], rows[static_cast<std::size_t>(row * 3 + col)])
          << "row " << row << " column " << col;
    EXPECT_EQ(m.m[row * 4 + 3], row == 3 ? 1.0f : 0.0f);
  }
}

void expectQuat(const Quat& q, Quat expected) {
  EXPECT_NEAR(q.x, expected.x, kAngleTolerance);
  EXPECT_NEAR(q.y, expected.y, kAngleTolerance);
  EXPECT_NEAR(q.z, expected.z, kAngleTolerance);
  EXPECT_NEAR(q.w, expected.w, kAngleTolerance);
}

template <class T>
const T& modifierAs(const S3DVertexObject& object, std::size_t index) {
  const S3DModifier* pModifier = object.m_modifiers.at(index).get();
  EXPECT_NE(dynamic_cast<const T*>(pModifier), nullptr) << "stack entry " << index;
  return static_cast<const T&>(*pModifier);
}

// Every test runs on the file as written and on the file with every free child list reversed.
class EveryRecord : public ::testing::TestWithParam<bool> {
 protected:
  const S3DScene& scene() const { return *everyRecordScene(GetParam()).scene; }
};

INSTANTIATE_TEST_SUITE_P(ChildOrder, EveryRecord, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Reversed" : "AsWritten"; });

TEST(EveryRecordFile, ReversingChangesTheBytes) {
  EXPECT_NE(everyRecordFile(false), everyRecordFile(true));
  EXPECT_EQ(everyRecordFile(false).size(), everyRecordFile(true).size());
}

TEST_P(EveryRecord, LoadsWithoutReports) {
  const LoadedScene& loaded = everyRecordScene(GetParam());
  EXPECT_TRUE(loaded.read);
  EXPECT_EQ(loaded.reports, std::vector<std::string>{});
}

TEST_P(EveryRecord, RootFieldsAndCounts) {
  const S3DScene& s = scene();
  EXPECT_EQ(s.m_animLength, 120);
  EXPECT_EQ(s.m_zBufferFlag, 0);
  EXPECT_EQ(s.m_sceneValue2, 7);
  EXPECT_EQ(s.m_sceneName, "stage");
  EXPECT_EQ(s.m_materials.size(), 2u);
  EXPECT_EQ(s.m_lights.size(), 3u);
  EXPECT_EQ(s.m_cameras.size(), 2u);
  EXPECT_EQ(s.m_dummies.size(), 3u);
  EXPECT_EQ(s.m_wsModifiers.size(), 2u);
  EXPECT_EQ(s.m_triObjects.size(), 3u);
  EXPECT_EQ(s.m_shapes.size(), 3u);
}

TEST_P(EveryRecord, SubMaterialProperties) {
  const S3DScene& s = scene();
  ASSERT_EQ(s.m_materials.size(), 2u);
  const S3DMaterial& metal = s.m_materials[0];
  EXPECT_EQ(metal.m_name, "metal");
  ASSERT_EQ(metal.getNbSubMaterial(), 2);
  const S3DSubMaterial& sub = metal.m_subMaterials[0];
  EXPECT_EQ(sub.m_name, "shiny");
  EXPECT_EQ(sub.m_polygonsEnabled, 0);
  EXPECT_EQ(sub.m_twoSided, 1);
  EXPECT_EQ(sub.m_shadingType, 201);
  EXPECT_EQ(sub.m_blendMode, 3);
  EXPECT_EQ(sub.m_opacity, 0.25f);
  EXPECT_EQ(sub.m_textureOption, 1);
  EXPECT_EQ(sub.m_value16, 16);
  EXPECT_EQ(sub.m_colors[0], (Vec3{0.125f, 0.25f, 0.5f}));
  // (255, 128, 0) has a component above 1: divided by 255.
  EXPECT_FLOAT_EQ(sub.m_colors[1].x, 1.0f);
  EXPECT_FLOAT_EQ(sub.m_colors[1].y, 128.0f / 255.0f);
  EXPECT_EQ(sub.m_colors[1].z, 0.0f);
  EXPECT_EQ(sub.m_colors[2], (Vec3{0.5f, 1.0f, 0.75f}));
  EXPECT_EQ(sub.m_paletteParam, 0.5f);
  // round(255 * 0.5) = round(127.5) = 128.
  EXPECT_EQ(sub.getKnee(), 128);
  EXPECT_EQ(sub.m_value21, 21);
  EXPECT_TRUE(sub.m_pOpacityTrack && sub.m_pColorTracks[0] && sub.m_pColorTracks[1] &&
              sub.m_pColorTracks[2]);

  const S3DSubMaterial& dull = metal.m_subMaterials[1];
  EXPECT_EQ(dull.m_name, "dull");
  EXPECT_EQ(dull.m_polygonsEnabled, 1);
  EXPECT_EQ(dull.m_opacity, 1.0f);
  EXPECT_FALSE(dull.m_pLine || dull.m_pTextureLayer || dull.m_pMapLayer || dull.m_pLayer1 ||
               dull.m_pLayer2 || dull.m_pOpacityTrack);

  EXPECT_EQ(s.m_materials[1].m_name, "glass");
  ASSERT_EQ(s.m_materials[1].getNbSubMaterial(), 1);
  EXPECT_EQ(s.m_materials[1].m_subMaterials[0].m_name, "clear");
}

TEST_P(EveryRecord, SubMaterialLinesAndLayers) {
  const S3DSubMaterial& sub = scene().m_materials.at(0).m_subMaterials.at(0);
  ASSERT_TRUE(sub.m_pLine);
  const S3DLineProperties& line = *sub.m_pLine;
  EXPECT_EQ(line.m_enabled, 1);
  EXPECT_EQ(line.m_color, 0x123456);
  EXPECT_EQ(line.m_blendMode, 2);
  EXPECT_EQ(line.m_opacity, 0.5f);
  EXPECT_EQ(line.m_width, 2.5f);
  EXPECT_EQ(line.m_antialias, 1);
  EXPECT_EQ(line.m_value16, 99);
  EXPECT_TRUE(line.m_pColorTrack);

  ASSERT_TRUE(sub.m_pTextureLayer);
  const S3DTextureLayer& texture = *sub.m_pTextureLayer;
  EXPECT_EQ(texture.m_enabled, 1);
  EXPECT_EQ(texture.m_flags, 3);
  EXPECT_EQ(texture.m_fileName, "wood.tga");
  EXPECT_EQ(texture.m_u, 0.25f);
  EXPECT_EQ(texture.m_v, 0.5f);
  EXPECT_EQ(texture.m_w, 0.5f);
  EXPECT_EQ(texture.m_h, 0.25f);
  EXPECT_EQ(texture.m_pointSize, 8.0f);
  EXPECT_EQ(texture.m_value18, 18);

  ASSERT_TRUE(sub.m_pMapLayer);
  const S3DMapLayer& map = *sub.m_pMapLayer;
  EXPECT_EQ(map.m_fileName, "map.tga");
  EXPECT_EQ(map.m_enabled, 1);
  EXPECT_EQ(map.m_combination, 2);
  EXPECT_EQ(map.m_uvTransform, 1);
  EXPECT_EQ(map.m_offsetU, 0.1f);
  EXPECT_EQ(map.m_offsetV, 0.2f);
  EXPECT_EQ(map.m_tileU, 2.0f);
  EXPECT_EQ(map.m_tileV, 3.0f);
  EXPECT_EQ(map.m_angle, 0.5f);
  EXPECT_EQ(map.m_wrap, 1);
  EXPECT_EQ(map.m_opacityMap, 1);
  EXPECT_EQ(map.m_amount, 0.75f);
  EXPECT_EQ(map.m_value22, 22);
  EXPECT_EQ(map.m_list23, (std::vector<float>{1.0f, 2.0f, 3.0f}));
  EXPECT_EQ(map.m_values, (std::array<float, 6>{24, 25, 26, 27, 28, 29}));
  EXPECT_TRUE(map.m_pOffsetUTrack && map.m_pOffsetVTrack && map.m_pTileUTrack &&
              map.m_pTileVTrack && map.m_pAngleTrack && map.m_pAmountTrack && map.m_pValue24Track &&
              map.m_pValue25Track);

  ASSERT_TRUE(sub.m_pLayer1 && sub.m_pLayer2);
  EXPECT_EQ(sub.m_pLayer1->m_fileName, "opacity.tga");
  EXPECT_EQ(sub.m_pLayer1->m_enabled, 1);
  EXPECT_EQ(sub.m_pLayer1->m_opacityMap, 1);
  EXPECT_EQ(sub.m_pLayer1->m_amount, 0.5f);
  EXPECT_EQ(sub.m_pLayer2->m_fileName, "over.tga");
  EXPECT_EQ(sub.m_pLayer2->m_combination, 4);
  EXPECT_EQ(sub.m_pLayer2->m_amount, 0.25f);
}

TEST_P(EveryRecord, Lights) {
  const S3DScene& s = scene();
  ASSERT_EQ(s.m_lights.size(), 3u);
  const S3DLight& omni = s.m_lights[0];
  EXPECT_EQ(omni.m_name, "omni");
  EXPECT_EQ(omni.m_position, (Vec3{0, 10, 0}));
  EXPECT_EQ(omni.m_lightType, 1);
  EXPECT_EQ(omni.m_color, (Vec3{1.0f, 0.5f, 0.25f}));
  EXPECT_EQ(omni.m_intensity, 0.8f);
  EXPECT_EQ(omni.m_nearAttenuation, 10.0f);
  EXPECT_EQ(omni.m_farAttenuation, 200.0f);
  EXPECT_TRUE(omni.m_pIntensityTrack);
  EXPECT_FALSE(omni.m_pColorTrack || omni.m_pNearTrack || omni.m_pFarTrack ||
               omni.m_pHotspotTrack || omni.m_pFalloffTrack);

  const S3DLight& spot = s.m_lights[1];
  EXPECT_EQ(spot.m_name, "spot");
  EXPECT_EQ(spot.m_target.m_name, "spot.target");
  EXPECT_EQ(spot.m_target.m_position, (Vec3{0, 0, 5}));
  EXPECT_EQ(spot.m_lightType, 2);
  EXPECT_EQ(spot.m_color, (Vec3{0.2f, 0.4f, 0.6f}));
  EXPECT_EQ(spot.m_intensity, 1.5f);
  EXPECT_EQ(spot.m_nearAttenuation, 5.0f);
  EXPECT_EQ(spot.m_farAttenuation, 50.0f);
  EXPECT_EQ(spot.m_hotspot, 0.3f);
  EXPECT_EQ(spot.m_falloff, 0.6f);
  EXPECT_TRUE(spot.m_pIntensityTrack && spot.m_pColorTrack && spot.m_pNearTrack &&
              spot.m_pFarTrack && spot.m_pHotspotTrack && spot.m_pFalloffTrack);

  const S3DLight& directed = s.m_lights[2];
  EXPECT_EQ(directed.m_lightType, 3);
  EXPECT_EQ(directed.m_target.m_name, "directed.target");
  EXPECT_EQ(directed.m_hotspot, 0.1f);
  EXPECT_EQ(directed.m_falloff, 0.2f);
}

TEST_P(EveryRecord, CamerasAndTheirProjection) {
  const S3DScene& s = scene();
  ASSERT_EQ(s.m_cameras.size(), 2u);
  const S3DCamera& cam = s.m_cameras[0];
  EXPECT_EQ(cam.m_name, "cam");
  EXPECT_EQ(cam.m_position, (Vec3{0, 0, -50}));
  EXPECT_EQ(cam.m_target.m_name, "cam.target");
  EXPECT_EQ(cam.m_target.m_position, (Vec3{1, 2, 3}));
  EXPECT_EQ(cam.m_fov, 1.0f);
  EXPECT_EQ(cam.m_roll, 0.1f);
  // 0.5 is below 1: stored as 1.
  EXPECT_EQ(cam.m_nearClip, 1.0f);
  EXPECT_EQ(cam.m_farClip, 5000.0f);
  EXPECT_TRUE(cam.m_pFovTrack && cam.m_pRollTrack);
  // A 512 x 256 screen: scaleX = f * 512 / 2 and scaleY = f * 256 with f = 1 / tan(fov / 2);
  // tan(0.5) = 0.5463025, f = 1.8304877, both scales 468.60486.
  EXPECT_EQ(cam.m_width, 512.0f);
  EXPECT_EQ(cam.m_height, 256.0f);
  EXPECT_NEAR(cam.m_scaleX, 468.60486, 1e-3);
  EXPECT_NEAR(cam.m_scaleY, 468.60486, 1e-3);
  EXPECT_EQ(cam.m_centerX, 256.0f);
  EXPECT_EQ(cam.m_centerY, 128.0f);

  // Nothing but a name: the defaults. fov pi/2 gives f = 1, so both scales are 256.
  const S3DCamera& plain = s.m_cameras[1];
  EXPECT_EQ(plain.m_name, "cam2");
  EXPECT_EQ(plain.m_fov, 1.5707964f);
  EXPECT_EQ(plain.m_roll, 0.0f);
  EXPECT_EQ(plain.m_nearClip, 10.0f);
  EXPECT_EQ(plain.m_farClip, 100000.0f);
  EXPECT_EQ(plain.m_target.m_position, (Vec3{0.00001f, 0.00001f, -100.0f}));
  EXPECT_NEAR(plain.m_scaleX, 256.0, 1e-3);
  EXPECT_NEAR(plain.m_scaleY, 256.0, 1e-3);
  EXPECT_FALSE(plain.m_pFovTrack || plain.m_pRollTrack);
}

TEST_P(EveryRecord, DummyHeads) {
  const S3DScene& s = scene();
  ASSERT_EQ(s.m_dummies.size(), 3u);
  const S3DDummy& root = s.m_dummies[0];
  EXPECT_EQ(root.m_name, "root");
  EXPECT_EQ(root.m_parentName, "NULL");
  EXPECT_EQ(root.m_pParent, nullptr);
  EXPECT_EQ(root.m_matrixMode, 0);
  EXPECT_EQ(root.m_pivot, (Vec3{0.5f, 0.5f, 0.5f}));
  EXPECT_EQ(root.m_position, (Vec3{1, 2, 3}));
  EXPECT_EQ(root.m_scale, (Vec3{1, 1, 1}));
  EXPECT_EQ(root.m_rotation, kIdentityQuat);

  const S3DDummy& bone1 = s.m_dummies[1];
  EXPECT_EQ(bone1.m_parentName, "root");
  EXPECT_EQ(bone1.m_pParent, &root);
  EXPECT_EQ(bone1.m_matrixMode, 1);
  EXPECT_EQ(bone1.m_position, (Vec3{4, 5, 6}));
  EXPECT_EQ(bone1.m_scale, (Vec3{2, 2, 2}));
  // (pi/2; 0, 0, 2): (0, 0, 2 sin(pi/4), cos(pi/4)), the axis not normalised.
  expectQuat(bone1.m_rotation, {0.0f, 0.0f, 2.0f * kSqrtHalf, kSqrtHalf});
  EXPECT_EQ(s.m_dummies[2].m_pParent, &bone1);
}

TEST_P(EveryRecord, WorldSpaceModifiers) {
  const S3DScene& s = scene();
  ASSERT_EQ(s.m_wsModifiers.size(), 2u);
  const WSModifier& ws = s.m_wsModifiers[0];
  EXPECT_EQ(ws.m_name, "wsBend");
  EXPECT_EQ(ws.m_position, (Vec3{0, 1, 0}));
  const auto* pBend = dynamic_cast<const S3DModifierBend*>(ws.m_pModifier.get());
  ASSERT_NE(pBend, nullptr);
  EXPECT_EQ(pBend->m_worldSpace, 1);
  expectMatrixRows(pBend->m_baseMatrix, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
  EXPECT_EQ(pBend->m_position, (Vec3{1, 1, 1}));
  EXPECT_EQ(pBend->m_centre, (Vec3{2, 2, 2}));
  EXPECT_EQ(pBend->m_scale, (Vec3{3, 3, 3}));
  // (pi; 1, 0, 0): (sin(pi/2), 0, 0, cos(pi/2)).
  expectQuat(pBend->m_rotation, {1.0f, 0.0f, 0.0f, 0.0f});
  EXPECT_TRUE(pBend->m_pPositionTrack && pBend->m_pCentreTrack && pBend->m_pScaleTrack &&
              pBend->m_pRotationTrack);
  EXPECT_EQ(pBend->m_axis, 2);
  EXPECT_EQ(pBend->m_angle, 0.7f);
  EXPECT_EQ(pBend->m_direction, 0.3f);
  EXPECT_TRUE(pBend->m_pAngleTrack && pBend->m_pDirectionTrack);

  const auto* pWarp =
      dynamic_cast<const S3DModifierSpaceWarp*>(s.m_wsModifiers[1].m_pModifier.get());
  ASSERT_NE(pWarp, nullptr);
  EXPECT_EQ(pWarp->m_worldSpace, 1);
  EXPECT_EQ(pWarp->m_values, (std::array<float, 8>{10, 11, 12, 13, 14, 15, 16, 17}));
  for (const FloatTrack& track : pWarp->m_pValueTracks)
    EXPECT_TRUE(track);
}

TEST_P(EveryRecord, MeshGeometryAndFaces) {
  const S3DScene& s = scene();
  ASSERT_EQ(s.m_triObjects.size(), 3u);
  const S3DTriObject& box = s.m_triObjects[0];
  EXPECT_EQ(box.m_name, "box");
  EXPECT_EQ(box.m_pParent, &s.m_dummies.at(0));
  EXPECT_EQ(box.m_matrixMode, 1);
  EXPECT_EQ(box.m_pivot, (Vec3{1, 0, 0}));
  EXPECT_EQ(box.m_position, (Vec3{0, 0, 10}));
  expectQuat(box.m_rotation, {0.0f, 0.0f, 2.0f * kSqrtHalf, kSqrtHalf});
  EXPECT_TRUE(box.m_pPositionTrack && box.m_pScaleTrack && box.m_pRotationTrack);
  EXPECT_EQ(box.m_materialIndex, 0);
  EXPECT_EQ(box.m_pMaterial, &s.m_materials.at(0));

  const std::vector<Vec3> points{{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 2}};
  EXPECT_EQ(box.m_vertices, points);
  EXPECT_EQ(box.m_savedVertices, points);
  EXPECT_EQ(box.m_cameraVertices.size(), 4u);
  EXPECT_EQ(box.m_screenVertices.size(), 4u);
  EXPECT_EQ(box.m_boxMin, (Vec3{-1, -1, 0}));
  EXPECT_EQ(box.m_boxMax, (Vec3{1, 1, 2}));
  ASSERT_TRUE(box.m_pSoftSelection);
  EXPECT_EQ(box.m_pSoftSelection->name, "softSelection");
  EXPECT_EQ(box.m_pSoftSelection->values, (std::vector<float>{0.0f, 0.25f, 0.5f, 1.0f}));
  EXPECT_EQ(box.m_textureVertices, (std::vector<Vec3>{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}));
  EXPECT_EQ(box.m_edgePairs, (std::vector<std::array<int32_t, 2>>{{0, 1}, {2, 3}}));

  ASSERT_EQ(box.m_faces.size(), 2u);
  const S3DFace& f0 = box.m_faces[0];
  const S3DFace& f1 = box.m_faces[1];
  EXPECT_EQ((std::array<int, 6>{f0.a, f0.b, f0.c, f0.ta, f0.tb, f0.tc}),
            (std::array<int, 6>{0, 1, 2, 3, 2, 1}));
  EXPECT_EQ((std::array<int, 6>{f1.a, f1.b, f1.c, f1.ta, f1.tb, f1.tc}),
            (std::array<int, 6>{0, 2, 3, 1, 0, 3}));
  EXPECT_EQ(f0.subMaterialWord, 1);
  EXPECT_EQ(f1.subMaterialWord, 5);
  EXPECT_EQ(f0.value, 40);
  EXPECT_EQ(f1.value, 41);
  EXPECT_TRUE(box.hasMapping());
}

TEST_P(EveryRecord, MeshModifierStack) {
  const S3DScene& s = scene();
  const S3DTriObject& box = s.m_triObjects.at(0);
  ASSERT_EQ(box.m_modifiers.size(), 5u);

  const auto& bend = modifierAs<S3DModifierBend>(box, 0);
  EXPECT_EQ(bend.m_position, (Vec3{1, 2, 3}));
  EXPECT_EQ(bend.m_axis, 0);
  EXPECT_EQ(bend.m_angle, 1.5f);
  EXPECT_EQ(bend.m_direction, 0.25f);
  EXPECT_TRUE(bend.m_pAngleTrack);
  EXPECT_FALSE(bend.m_pDirectionTrack);
  EXPECT_EQ(bend.m_worldSpace, 0);
  // A stack modifier gets the mesh's box and pivot, whatever order the mesh's chunks come in.
  EXPECT_EQ(bend.m_boxMin, (Vec3{-1, -1, 0}));
  EXPECT_EQ(bend.m_boxMax, (Vec3{1, 1, 2}));
  EXPECT_EQ(bend.m_pivot, (Vec3{1, 0, 0}));

  const auto& noise = modifierAs<S3DModifierNoise>(box, 1);
  EXPECT_EQ(noise.m_seed, 7);
  EXPECT_EQ(noise.m_fractal, 1);
  EXPECT_EQ(noise.m_animate, 1);
  EXPECT_EQ(noise.m_frequency, 0.5f);
  EXPECT_EQ(noise.m_value104, 104);
  EXPECT_EQ(noise.m_noiseScale, 50.0f);
  EXPECT_EQ(noise.m_phase, 0.125f);
  EXPECT_EQ(noise.m_strength, (Vec3{1, 2, 3}));
  EXPECT_TRUE(noise.m_pStrengthTrack);

  const auto& taper = modifierAs<S3DModifierTaper>(box, 2);
  EXPECT_EQ(taper.m_axis, 0);
  EXPECT_EQ(taper.m_effect, 2);
  EXPECT_EQ(taper.m_symmetry, 1);
  EXPECT_EQ(taper.m_amount, 0.5f);
  EXPECT_EQ(taper.m_curve, -0.5f);

  const auto& skinModifier = modifierAs<S3DModifierSkin>(box, 3);
  expectMatrixRows(skinModifier.m_skinBind, kSkinBind);
  ASSERT_EQ(skinModifier.getNbBone(), 2);
  EXPECT_EQ(skinModifier.m_bones[0].name, "bone1");
  expectMatrixRows(skinModifier.m_bones[0].boneBind, kBone1Bind);
  EXPECT_EQ(skinModifier.m_bones[1].name, "bone2");
  // offset = skinBind * inverse(boneBind) = T(0, 0, 1) * T(0, -2, 0) = T(0, -2, 1).
  expectMatrixRows(skinModifier.m_bones[0].offset, {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, -2, 1});
  expectMatrixRows(skinModifier.m_inverseSkinBind, {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, -1});
  ASSERT_EQ(skinModifier.getNbVertex(), 4);
  EXPECT_EQ(skinModifier.m_vertexFirst, (std::vector<uint32_t>{0, 1, 3, 3, 4}));
  EXPECT_EQ(skinModifier.m_weights, (std::vector<float>{1.0f, 0.5f, 0.5f, 0.25f}));
  EXPECT_EQ(skinModifier.m_weightBones, (std::vector<uint16_t>{0, 0, 1, 1}));
  EXPECT_EQ(skinModifier.m_bones[0].pWorld, &s.m_dummies.at(1).m_matrix);
  EXPECT_EQ(skinModifier.m_bones[1].pWorld, &s.m_dummies.at(2).m_matrix);

  const auto& morphModifier = modifierAs<S3DModifierMorph>(box, 4);
  ASSERT_EQ(morphModifier.getNbTarget(), 1);
  EXPECT_EQ(morphModifier.m_targets[0].name, "target");
  EXPECT_EQ(morphModifier.m_targets[0].weight, 0.5f);
  EXPECT_TRUE(morphModifier.m_targets[0].pWeightTrack);
  EXPECT_EQ(morphModifier.m_targets[0].pVertices, &s.m_triObjects.at(1).m_vertices);
}

TEST_P(EveryRecord, MeshListsAndDrawValues) {
  const S3DScene& s = scene();
  const S3DTriObject& box = s.m_triObjects.at(0);
  ASSERT_EQ(box.m_applications.size(), 3u);
  EXPECT_EQ(box.m_applications[0].name, "1");
  EXPECT_EQ(box.m_applications[0].channel.useChannel, 1);
  EXPECT_EQ(box.m_applications[0].channel.invert, 0);
  EXPECT_EQ(box.m_applications[0].channel.channelName, "softSelection");
  EXPECT_EQ(box.m_applications[1].channel.invert, 1);
  EXPECT_EQ(box.m_applications[1].channel.channelName, "opacityMap");
  // "1" -> entry 1, "7" -> 7 mod 5 = 2, "-3" -> 0.
  EXPECT_EQ(box.m_applications[0].pModifier, box.m_modifiers.at(1).get());
  EXPECT_EQ(box.m_applications[1].pModifier, box.m_modifiers.at(2).get());
  EXPECT_EQ(box.m_applications[2].pModifier, box.m_modifiers.at(0).get());

  ASSERT_EQ(box.m_wsModifiers.size(), 1u);
  EXPECT_EQ(box.m_wsModifiers[0].name, "wsBend");
  EXPECT_EQ(box.m_wsModifiers[0].channel.useChannel, 1);
  EXPECT_EQ(box.m_wsModifiers[0].channel.invert, 1);
  EXPECT_EQ(box.m_wsModifiers[0].channel.channelName, "softSelection");
  EXPECT_EQ(box.m_wsModifiers[0].pWSModifier, &s.m_wsModifiers.at(0));

  EXPECT_EQ(box.m_lightNames, (std::vector<StringC>{"omni", "spot"}));
  EXPECT_EQ(box.m_lights, (std::vector<S3DLight*>{const_cast<S3DLight*>(&s.m_lights.at(0)),
                                                  const_cast<S3DLight*>(&s.m_lights.at(1))}));

  ASSERT_EQ(box.m_channelOperations.size(), 2u);
  EXPECT_EQ(box.m_channelOperations[0].output, "out");
  EXPECT_EQ(box.m_channelOperations[0].input1, "in1");
  EXPECT_EQ(box.m_channelOperations[0].input2, "in2");
  EXPECT_EQ(box.m_channelOperations[0].operation, 3);
  EXPECT_EQ(box.m_channelOperations[1].output, "o2");
  EXPECT_EQ(box.m_channelOperations[1].operation, 4);

  ASSERT_EQ(box.m_generatedChannels.size(), 1u);
  EXPECT_EQ(box.m_generatedChannels[0].channel.name, "gen");
  EXPECT_EQ(box.m_generatedChannels[0].kind, 2);
  EXPECT_EQ(box.m_generatedChannels[0].parameters, (std::vector<float>{0.5f, 1.5f, 2.5f}));

  ASSERT_EQ(box.m_lightingChannels.size(), 1u);
  EXPECT_EQ(box.m_lightingChannels[0].channel.name, "lit");
  EXPECT_EQ(box.m_lightingChannels[0].lightNames, (std::vector<StringC>{"spot", "directed"}));
  ASSERT_EQ(box.m_lightingChannels[0].lights.size(), 2u);
  EXPECT_EQ(box.m_lightingChannels[0].lights[1], &s.m_lights.at(2));

  EXPECT_EQ(box.m_channelReferences[0], "refA");
  EXPECT_EQ(box.m_channelReferences[1], "refB");
  EXPECT_EQ(box.m_channelReferences[2], "refC");
  EXPECT_EQ(box.m_value, 2100);
  EXPECT_EQ((std::array<int32_t, 4>{box.m_drawValues[0], box.m_drawValues[1], box.m_drawValues[2],
                                    box.m_drawValues[3]}),
            (std::array<int32_t, 4>{11, 12, 13, 14}));
  EXPECT_EQ(box.m_sorted, 1);
}

TEST_P(EveryRecord, MeshLayersAndVisibility) {
  const S3DScene& s = scene();
  const S3DTriObject& box = s.m_triObjects.at(0);
  EXPECT_EQ(box.m_layers[0].enabled, 1);
  EXPECT_EQ(box.m_layers[0].value, 5);
  EXPECT_EQ(box.m_layers[0].meshName, "layerMesh");
  EXPECT_EQ(box.m_layers[0].pMesh, &s.m_triObjects.at(2));
  ASSERT_TRUE(box.m_layers[0].pTextureLayer);
  EXPECT_EQ(box.m_layers[0].pTextureLayer->m_fileName, "wood.tga");
  EXPECT_EQ(box.m_layers[0].pTextureLayer->m_h, 0.25f);
  EXPECT_EQ(box.m_layers[1].value, 6);
  EXPECT_EQ(box.m_layers[1].pMesh, nullptr);
  EXPECT_FALSE(box.m_layers[1].pTextureLayer);
  EXPECT_EQ(box.m_layers[2].enabled, 1);
  EXPECT_EQ(box.m_layers[2].value, 7);
  EXPECT_EQ(box.m_layers[2].pMesh, nullptr);

  // The morph target and the layer mesh are drawn only through the box.
  EXPECT_EQ(box.m_visible, 1);
  EXPECT_EQ(s.m_triObjects.at(1).m_visible, 0);
  EXPECT_EQ(s.m_triObjects.at(2).m_visible, 0);
  EXPECT_EQ(s.m_triObjects.at(1).m_pMaterial, &s.m_materials.at(1));
}

TEST_P(EveryRecord, ShapesOfTheThreeKinds) {
  const S3DScene& s = scene();
  ASSERT_EQ(s.m_shapes.size(), 3u);
  ASSERT_TRUE(s.m_shapes[0] && s.m_shapes[1] && s.m_shapes[2]);
  const S3DShape& dots = *s.m_shapes[0];
  EXPECT_EQ(dots.getKind(), 1);
  EXPECT_NE(dynamic_cast<const S3DShapePoints*>(&dots), nullptr);
  EXPECT_EQ(dots.m_name, "dots");
  EXPECT_EQ(dots.m_pParent, &s.m_triObjects.at(0));
  EXPECT_EQ(dots.m_materialIndex, 1);
  EXPECT_EQ(dots.m_pMaterial, &s.m_materials.at(1));
  EXPECT_EQ(dots.m_vertices, (std::vector<Vec3>{{0, 0, 0}, {1, 2, 3}, {-1, 5, 0}}));
  EXPECT_EQ(dots.m_boxMin, (Vec3{-1, 0, 0}));
  EXPECT_EQ(dots.m_boxMax, (Vec3{1, 5, 3}));
  ASSERT_EQ(dots.m_modifiers.size(), 1u);
  const auto& twist = modifierAs<S3DModifierTwist>(dots, 0);
  EXPECT_EQ(twist.m_axis, 1);
  EXPECT_EQ(twist.m_angle, 0.9f);
  EXPECT_EQ(twist.m_bias, 0.1f);
  EXPECT_EQ(twist.m_boxMax, (Vec3{1, 5, 3}));
  EXPECT_EQ(dots.m_lights, (std::vector<S3DLight*>{const_cast<S3DLight*>(&s.m_lights.at(0))}));
  EXPECT_EQ(dots.m_value, 42);

  const auto* pSparks = dynamic_cast<const S3DShapeParticles*>(s.m_shapes[1].get());
  ASSERT_NE(pSparks, nullptr);
  EXPECT_EQ(pSparks->m_name, "sparks");
  ASSERT_EQ(pSparks->m_emitters.size(), 2u);
  EXPECT_EQ(pSparks->m_emitters[0].startFrame, 1.0f);
  EXPECT_EQ(pSparks->m_emitters[0].period, 2.0f);
  EXPECT_EQ(pSparks->m_emitters[0].rate, 3.0f);
  EXPECT_EQ(pSparks->m_emitters[1].rate, 6.0f);

  const auto* pSprite = dynamic_cast<const S3DShapeSprite*>(s.m_shapes[2].get());
  ASSERT_NE(pSprite, nullptr);
  EXPECT_EQ(pSprite->m_value11, 0.5f);
  EXPECT_EQ(pSprite->m_value12, 0.25f);
  EXPECT_EQ(pSprite->m_selectors[0], 2);
  EXPECT_EQ(pSprite->m_selectors[1], 1);
  EXPECT_EQ(pSprite->m_selectors[2], 0);
}

// Each track holds one constant key at frame 0, a different value per holder: after setTime(0)
// every value shows which holder fed it.
TEST(EveryRecordTracks, EachTrackDrivesItsOwnField) {
  const LoadedScene loaded = loadScene(everyRecordFile(false));
  S3DScene& s = *loaded.scene;
  s.setTime(0.0f);

  const S3DSubMaterial& sub = s.m_materials.at(0).m_subMaterials.at(0);
  EXPECT_EQ(sub.m_opacity, 0.75f);
  EXPECT_EQ(sub.m_colors[0], (Vec3{0.5f, 0.5f, 0.5f}));
  EXPECT_EQ(sub.m_colors[1], (Vec3{0.0f, 0.5f, 1.0f}));
  EXPECT_EQ(sub.m_colors[2], (Vec3{1.0f, 0.0f, 0.0f}));
  // (255, 0, 0) on the 0..255 scale: pure red.
  EXPECT_EQ(sub.m_pLine->m_color, 0xFF0000);
  const S3DMapLayer& map = *sub.m_pMapLayer;
  EXPECT_EQ((std::array<float, 8>{map.m_offsetU, map.m_offsetV, map.m_tileU, map.m_tileV,
                                  map.m_angle, map.m_amount, map.m_values[0], map.m_values[1]}),
            (std::array<float, 8>{1.1f, 1.2f, 1.3f, 1.4f, 1.5f, 1.6f, 1.7f, 1.8f}));

  const S3DLight& spot = s.m_lights.at(1);
  EXPECT_EQ(s.m_lights.at(0).m_intensity, 0.6f);
  EXPECT_EQ(spot.m_intensity, 2.0f);
  EXPECT_EQ(spot.m_color, (Vec3{0.1f, 0.2f, 0.3f}));
  EXPECT_EQ(spot.m_nearAttenuation, 6.0f);
  EXPECT_EQ(spot.m_farAttenuation, 60.0f);
  EXPECT_EQ(spot.m_hotspot, 0.35f);
  EXPECT_EQ(spot.m_falloff, 0.65f);
  // Cones animate only for spots.
  EXPECT_EQ(s.m_lights.at(2).m_hotspot, 0.1f);

  EXPECT_EQ(s.m_cameras.at(0).m_fov, 1.2f);
  EXPECT_EQ(s.m_cameras.at(0).m_roll, 0.2f);

  const S3DTriObject& box = s.m_triObjects.at(0);
  EXPECT_EQ(box.m_position, (Vec3{0, 0, 0}));
  EXPECT_EQ(box.m_scale, (Vec3{1, 2, 3}));
  expectQuat(box.m_rotation, {0.0f, 0.0f, kSqrtHalf, kSqrtHalf});
  EXPECT_EQ(static_cast<const S3DModifierBend&>(*box.m_modifiers.at(0)).m_angle, 2.5f);
  EXPECT_EQ(static_cast<const S3DModifierNoise&>(*box.m_modifiers.at(1)).m_strength,
            (Vec3{4, 5, 6}));
  EXPECT_EQ(static_cast<const S3DModifierMorph&>(*box.m_modifiers.at(4)).m_targets.at(0).weight,
            0.75f);

  const auto& wsBend = static_cast<const S3DModifierBend&>(*s.m_wsModifiers.at(0).m_pModifier);
  EXPECT_EQ(wsBend.m_position, (Vec3{7, 7, 7}));
  EXPECT_EQ(wsBend.m_centre, (Vec3{8, 8, 8}));
  EXPECT_EQ(wsBend.m_scale, (Vec3{9, 9, 9}));
  expectQuat(wsBend.m_rotation, {0.0f, kSqrtHalf, 0.0f, kSqrtHalf});
  EXPECT_EQ(wsBend.m_angle, 0.8f);
  EXPECT_EQ(wsBend.m_direction, 0.4f);
  const auto& warp = static_cast<const S3DModifierSpaceWarp&>(*s.m_wsModifiers.at(1).m_pModifier);
  EXPECT_EQ(warp.m_values, (std::array<float, 8>{20, 21, 22, 23, 24, 25, 16, 17}));
}

// --- Edge cases ---

TEST(L3xRoot, AnyOtherRootIdentifierIsRefused) {
  for (const std::uint16_t id : std::vector<std::uint16_t>{0, 1, 53453, 53455, 0xFFFF}) {
    const LoadedScene loaded =
        loadScene(sceneFile({cameras({plainCamera()}), dummies({dummy({.name = "d"})})}, id));
    EXPECT_FALSE(loaded.read) << id;
    EXPECT_EQ(loaded.reports, (std::vector<std::string>{"S3DScene warning:|not a l3x file",
                                                        "S3DScene warning:|no camera to render "
                                                        "the scene !"}))
        << id;
    EXPECT_TRUE(loaded->m_cameras.empty() && loaded->m_dummies.empty()) << id;
  }
}

TEST(L3xRoot, ASceneWithoutCameraIsReported) {
  const LoadedScene loaded = loadScene(sceneFile({dummies({dummy({.name = "d"})})}));
  EXPECT_TRUE(loaded.read);
  EXPECT_EQ(loaded.reports,
            std::vector<std::string>{"S3DScene warning:|no camera to render the scene !"});
  EXPECT_EQ(loaded->m_dummies.size(), 1u);
}

// A list announcing 2 records that holds 3: the first two fill objects 0 and 1 in order, the
// third is skipped with one report.
TEST(L3xLists, ARecordBeyondTheCountIsSkippedWithItsReport) {
  struct Case {
    const char* text;
    std::function<Bytes(const std::string&)> record;
    std::function<Bytes(std::vector<Bytes>)> list;
    std::function<std::vector<std::string>(const S3DScene&)> names;
  };
  const auto namesOf = [](const auto& objects) {
    std::vector<std::string> out;
    for (const auto& object : objects)
      out.emplace_back(object.m_name.view());
    return out;
  };
  const std::vector<Case> cases{
      {"loading TriObject error", [](const std::string& n) { return mesh({head({.name = n})}); },
       [](std::vector<Bytes> r) { return meshes(std::move(r), 2); },
       [&](const S3DScene& s) { return namesOf(s.m_triObjects); }},
      {"loading WSMModifier error",
       [](const std::string& n) { return wsModifier({.name = n}, 3, {}); },
       [](std::vector<Bytes> r) { return wsModifiers(std::move(r), 2); },
       [&](const S3DScene& s) { return namesOf(s.m_wsModifiers); }},
      {"loading Dummy error", [](const std::string& n) { return dummy({.name = n}); },
       [](std::vector<Bytes> r) { return dummies(std::move(r), 2); },
       [&](const S3DScene& s) { return namesOf(s.m_dummies); }},
      {"loading Shape error", [](const std::string& n) { return shape(1, {head({.name = n})}); },
       [](std::vector<Bytes> r) { return shapes(std::move(r), 2); },
       [](const S3DScene& s) {
         std::vector<std::string> out;
         for (const auto& pShape : s.m_shapes)
           out.emplace_back(pShape ? pShape->m_name.view() : "(empty)");
         return out;
       }},
      {"loading Light error", [](const std::string& n) { return light({.head = {.name = n}}); },
       [](std::vector<Bytes> r) { return lights(std::move(r), 2); },
       [&](const S3DScene& s) { return namesOf(s.m_lights); }},
      {"loading camera error", [](const std::string& n) { return plainCamera(n); },
       [](std::vector<Bytes> r) { return cameras(std::move(r), 2); },
       [&](const S3DScene& s) { return namesOf(s.m_cameras); }},
      {"loading material error", [](const std::string& n) { return material(n, {}); },
       [](std::vector<Bytes> r) { return materials(std::move(r), 2); },
       [&](const S3DScene& s) { return namesOf(s.m_materials); }},
  };
  for (const Case& c : cases) {
    const Bytes list = c.list({c.record("r0"), c.record("r1"), c.record("r2")});
    // The list under test comes last: a second list of the same kind would replace the first.
    const LoadedScene loaded = loadScene(sceneFile(
        {cameras({plainCamera()}), materials({material("m", {subMaterial("s")})}), list}));
    EXPECT_EQ(loaded.count(std::string(kSceneCaption) + "|" + c.text), 1u) << c.text;
    EXPECT_EQ(c.names(*loaded.scene), (std::vector<std::string>{"r0", "r1"})) << c.text;
  }
}

TEST(L3xLists, ACountOfZeroCreatesNothing) {
  const LoadedScene loaded = loadScene(
      withCamera({meshes({mesh({head({.name = "m"})})}, 0), dummies({dummy({.name = "d"})}, 0)}));
  EXPECT_TRUE(loaded->m_triObjects.empty());
  EXPECT_TRUE(loaded->m_dummies.empty());
  EXPECT_EQ(loaded.reports, std::vector<std::string>{});
}

TEST(L3xMesh, PerVertexChunksBeforeTheVerticesCreateNothing) {
  const Bytes geometryOutOfOrder =
      node(501, {},
           {softSelection({0.5f, 0.5f, 0.5f}), textureVertices({{1, 1, 1}, {2, 2, 2}, {3, 3, 3}}),
            edgePairs({{0, 2}}), vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}})},
           Order::kFixed);
  const LoadedScene loaded =
      loadScene(withCamera({materials({material("m", {subMaterial("s")})}),
                            meshes({mesh({head({.name = "m"}), geometryOutOfOrder})})}));
  const S3DTriObject& m = loaded->m_triObjects.at(0);
  EXPECT_EQ(m.getNbVertex(), 3);
  EXPECT_FALSE(m.m_pSoftSelection);
  EXPECT_TRUE(m.m_textureVertices.empty());
  // Edge pairs carry their own count: their place does not matter.
  EXPECT_EQ(m.m_edgePairs, (std::vector<std::array<int32_t, 2>>{{0, 2}}));
}

TEST(L3xMesh, PerFaceChunksBeforeTheFacesAreIgnored) {
  const Bytes facesOutOfOrder = node(1000, {},
                                     {faceTextureVertices({{1, 1, 1}}), faceSubMaterials({3}),
                                      faceValues({4}), faceVertices({{0, 1, 2}})},
                                     Order::kFixed);
  const LoadedScene loaded = loadScene(withCamera(
      {materials({material("m", {subMaterial("s")})}),
       meshes({mesh({head({.name = "m"}), geometry({vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}})}),
                     facesOutOfOrder})})}));
  const S3DTriObject& m = loaded->m_triObjects.at(0);
  ASSERT_EQ(m.m_faces.size(), 1u);
  const S3DFace& f = m.m_faces[0];
  EXPECT_EQ((std::array<int, 8>{f.a, f.b, f.c, f.ta, f.tb, f.tc, f.subMaterialWord, f.value}),
            (std::array<int, 8>{0, 1, 2, 0, 0, 0, 0, 0}));
  EXPECT_FALSE(m.hasMapping());
}

TEST(L3xShape, AnUnknownKindLeavesAnEmptySlot) {
  const LoadedScene loaded = loadScene(withCamera(
      {materials({material("m", {subMaterial("s")})}),
       shapes({shape(7, {head({.name = "odd"})}), shape(1, {head({.name = "dots"})})})}));
  EXPECT_EQ(loaded.count("S3DScene warning:|unknow shape type: 7"), 1u);
  ASSERT_EQ(loaded->m_shapes.size(), 2u);
  EXPECT_FALSE(loaded->m_shapes[0]);
  ASSERT_TRUE(loaded->m_shapes[1]);
  EXPECT_EQ(loaded->m_shapes[1]->m_name, "dots");
}

TEST(L3xWSModifier, ATypeNotAllowedKeepsNoModifier) {
  const LoadedScene loaded = loadScene(withCamera(
      {wsModifiers({wsModifier({.name = "wave"}, 6, {parameters({floatChunk(101, 1.0f)})}),
                    wsModifier({.name = "bend"}, 3, {})})}));
  EXPECT_EQ(loaded.count("WSModifier: |can t find modifier with id: 6"), 1u);
  ASSERT_EQ(loaded->m_wsModifiers.size(), 2u);
  EXPECT_EQ(loaded->m_wsModifiers[0].m_name, "wave");
  EXPECT_FALSE(loaded->m_wsModifiers[0].m_pModifier);
  ASSERT_TRUE(loaded->m_wsModifiers[1].m_pModifier);
  EXPECT_EQ(loaded->m_wsModifiers[1].m_pModifier->getType(), 3);
}

TEST(L3xModifiers, EmptySkinAndMorphListsAreReported) {
  struct Case {
    Bytes modifierChunks;
    std::string line;
    // What the modifier keeps: bones, vertex records (skin) or targets (morph).
    int nbBone, nbVertex, nbTarget;
  };
  const std::vector<Case> cases{
      {modifier(1, {skin(kIdentity12, {}, {{}, {}})}),
       "S3DModifierSkin warning:|loadBoneList: m_nbBone <= 0", 0, 2, 0},
      {modifier(1, {skin(kIdentity12, {{"b", kIdentity12}}, {})}),
       "S3DModifierSkin warning:|loadVertexList: m_nbBone <= 0", 1, 0, 0},
      {modifier(2, {morph({})}), "S3DModifierMorph|loadTargetList: m_nbTarget <= 0", 0, 0, 0},
  };
  for (const Case& c : cases) {
    const LoadedScene loaded = loadScene(
        withCamera({materials({material("m", {subMaterial("s")})}), dummies({dummy({.name = "b"})}),
                    meshes({mesh({head({.name = "m"}), stack({c.modifierChunks})})})}));
    EXPECT_EQ(loaded.count(c.line), 1u) << c.line;
    const S3DModifier* pModifier = loaded->m_triObjects.at(0).m_modifiers.at(0).get();
    if (const auto* pSkin = dynamic_cast<const S3DModifierSkin*>(pModifier)) {
      EXPECT_EQ(pSkin->getNbBone(), c.nbBone) << c.line;
      EXPECT_EQ(pSkin->getNbVertex(), c.nbVertex) << c.line;
    } else if (const auto* pMorph = dynamic_cast<const S3DModifierMorph*>(pModifier)) {
      EXPECT_EQ(pMorph->getNbTarget(), c.nbTarget) << c.line;
    } else {
      ADD_FAILURE() << "no skin or morph for " << c.line;
    }
  }
}

TEST(L3xMesh, AnApplicationListWithoutStackIsReported) {
  const LoadedScene loaded =
      loadScene(withCamera({materials({material("m", {subMaterial("s")})}),
                            meshes({mesh({head({.name = "plain"}), applications({{"1", {}}})})})}));
  EXPECT_EQ(loaded.count("S3DTriObject warning: plain|can t find modifier: 1"), 1u);
  ASSERT_EQ(loaded->m_triObjects.at(0).m_applications.size(), 1u);
  EXPECT_EQ(loaded->m_triObjects.at(0).m_applications[0].pModifier, nullptr);
}

TEST(L3xMesh, AMaterialIndexWithoutMaterialIsReported) {
  const LoadedScene loaded =
      loadScene(withCamera({materials({material("m", {subMaterial("s")})}),
                            meshes({mesh({head({.name = "good"}), materialIndex(0)}),
                                    mesh({head({.name = "lost"}), materialIndex(1)})})}));
  EXPECT_EQ(loaded.reports,
            std::vector<std::string>{"S3DScene warning:|lost has NULL material !!"});
  EXPECT_EQ(loaded->m_triObjects.at(0).m_pMaterial, &loaded->m_materials.at(0));
  EXPECT_EQ(loaded->m_triObjects.at(1).m_pMaterial, nullptr);
}

TEST(L3xCamera, NearClipBelowOneIsStoredAsOne) {
  for (const auto& [file, stored] : std::vector<std::pair<float, float>>{
           {0.5f, 1.0f}, {0.0f, 1.0f}, {-3.0f, 1.0f}, {1.0f, 1.0f}, {3.0f, 3.0f}}) {
    const LoadedScene loaded =
        loadScene(sceneFile({cameras({camera({.head = {.name = "c"}, .nearClip = file})})}));
    EXPECT_EQ(loaded->m_cameras.at(0).m_nearClip, stored) << file;
  }
}

}  // namespace
