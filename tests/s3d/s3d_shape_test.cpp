// Line and point items of meshes and shapes, sprites, the line routine and the depth sort.
//
// Drawn scenes use a 64 x 48 screen, the camera at the origin looking along +z (fov pi/2): a
// camera-space point (x, y, z) lands at x' = 32 + 32 x / z, y' = 24 - 48 y / z; the near plane is
// at z = 10. Line ends round to the nearest pixel.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "control/lecx_controller_l3x.h"
#include "raster/line_drawer.h"
#include "s3d/s3d_modifier_deform.h"
#include "s3d/s3d_scene_params.h"
#include "s3d/s3d_shape.h"
#include "s3d/s3d_sort.h"
#include "s3d/s3d_ws_modifier.h"
#include "tests/s3d/s3d_render_util.h"
#include "tests/s3d/s3d_test_util.h"
#include "tests/support/picture_files.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace s3d_render;

constexpr uint32_t kLineColor = 0xC86432;
constexpr uint32_t kQuadColor = 0x0000FF;

// A 4 x 4 picture whose texel (x, y) is 0x(x+1)0(y+1)000: each texel tells where it came from.
uint32_t texelColor(int x, int y) {
  return static_cast<uint32_t>((x + 1) << 20 | (y + 1) << 12);
}
// The picture as a map layer's texture (a sub-material's texture is chosen again every frame).
void giveTexture(S3DSubMaterial& sub) {
  const std::vector<uint8_t> bytes = picture_files::bmpBytes(4, 4, texelColor);
  TempDir dir;
  dir.enter();
  dir.write("sprite.bmp", std::string(bytes.begin(), bytes.end()));
  sub.m_pMapLayer = std::make_unique<S3DMapLayer>();
  sub.m_pMapLayer->m_pTexture = std::make_unique<S3DTexture32>();
  sub.m_pMapLayer->m_pTexture->load(StringC("sprite.bmp"));
  sub.selectTexture();
}

// Pixels of `colour` on the 64 x 48 screen.
int countColour(const GuardedScreen& screen, uint32_t colour) {
  return 64 * 48 - screen.count(colour);
}

// Material 0: flat blue faces; material 1: no faces drawn, lines in kLineColor.
struct LineStage : Stage {
  LineStage() : Stage(64, 48, 0) {
    addCamera(scene());
    scene().m_materials.resize(2);
    S3DSubMaterial& quad = scene().m_materials[0].m_subMaterials.emplace_back();
    quad.m_shadingType = S3DSubMaterial::kShadingFlat;
    setColor(quad, {0, 0, 1});
    S3DSubMaterial& line = scene().m_materials[1].m_subMaterials.emplace_back();
    line.m_polygonsEnabled = 0;
    line.m_pLine = std::make_unique<S3DLineProperties>();
    line.m_pLine->m_enabled = 1;
    line.m_pLine->m_color = static_cast<int32_t>(kLineColor);
  }
  S3DTriObject& addLine(Vec3 a, Vec3 b) {
    S3DTriObject& mesh = scene().m_triObjects.emplace_back();
    mesh.m_edgePairs = {{0, 1}};
    setMesh(mesh, {a, b}, {}, &scene().m_materials[1]);
    return mesh;
  }
  // The square x, y in [-10, 10] at z = 50: pixels 26..38 x 15..33.
  void addQuad() {
    setMesh(scene().m_triObjects.emplace_back(),
            {{-10, 10, 50}, {-10, -10, 50}, {10, -10, 50}, {10, 10, 50}}, {{0, 1, 2}, {2, 3, 0}},
            &scene().m_materials[0]);
  }
};

TEST(S3DLines, EndsClippingAndDepth) {
  struct Case {
    std::string name;
    Vec3 a, b;
    bool quad;
    // Pixels in the line colour, and the two end pixels (unused when nothing is drawn).
    int count;
    std::array<int, 4> ends;
  };
  const std::vector<Case> cases{
      // x' = 32 -+ 16, y' = 24: both ends drawn.
      {"flat", {-40, 0, 80}, {40, 0, 80}, false, 33, {16, 24, 48, 24}},
      {"both ends left of the screen", {-200, 0, 100}, {-150, 0, 100}, false, 0, {}},
      {"both before the near plane", {4, 0, 2}, {4, 0, 8}, false, 0, {}},
      // Cut at z = 10: x' = 32 + 32 · 4 / 10 = 44.8; the far end 32 + 3.2.
      {"crossing the near plane", {4, 0, 0}, {4, 0, 40}, false, 11, {35, 24, 45, 24}},
      // Cut by the right plane just inside x' = 64 (63.99): the end pixel is the last column.
      {"leaving the right side", {0, 0, 100}, {300, 0, 100}, false, 32, {32, 24, 63, 24}},
      // x' = 19.2 .. 44.8 behind the square at z = 50 covering 26..38: 27 - 13 pixels.
      {"behind a face", {-40, 0, 100}, {40, 0, 100}, true, 14, {19, 24, 45, 24}},
      // On a face facing the camera (28.8 .. 35.2): equal depths pass.
      {"on a face", {-5, 0, 50}, {5, 0, 50}, true, 7, {29, 24, 35, 24}},
  };
  for (const Case& c : cases) {
    LineStage stage;
    if (c.quad) stage.addQuad();
    stage.addLine(c.a, c.b);
    stage.bindAndFrame();
    const GuardedScreen& screen = stage.screen;
    EXPECT_EQ(countColour(screen, kLineColor), c.count) << c.name;
    // Nothing but the line and the face.
    EXPECT_EQ(screen.count(0), c.count + countColour(screen, kQuadColor)) << c.name;
    if (c.count > 0) {
      EXPECT_EQ(screen.pixel(c.ends[0], c.ends[1]), kLineColor) << c.name;
      EXPECT_EQ(screen.pixel(c.ends[2], c.ends[3]), kLineColor) << c.name;
    }
    EXPECT_TRUE(screen.guardsIntact()) << c.name;
  }
}

TEST(S3DLines, RoutineIsExactAndStaysOnTheImage) {
  struct Case {
    std::string name;
    LineEnd a, b;
    int count;
    std::array<int, 4> ends;
  };
  // (2.4, 3.6) rounds to (2, 4); the steps follow max(|dx|, |dy|) + 1 pixels.
  const std::vector<Case> cases{
      {"shallow", {2.4f, 3.6f, 0.1f}, {9, 5, 0.1f}, 8, {2, 4, 9, 5}},
      {"steep up", {5, 9, 0.1f}, {3, 1, 0.1f}, 9, {5, 9, 3, 1}},
      {"one pixel", {4.2f, 4.2f, 0.1f}, {3.8f, 3.9f, 0.1f}, 1, {4, 4, 4, 4}},
      {"ends off the image", {-30, -5, 0.1f}, {40, 2, 0.1f}, 16, {0, 0, 15, 2}},
  };
  for (const Case& c : cases) {
    GuardedScreen screen(16, 12, 0);
    EXPECT_EQ(drawLine(screen.image(), nullptr, c.a, c.b, 0x123456, LineBlend::kReplace), c.count)
        << c.name;
    EXPECT_EQ(screen.count(0), c.count) << c.name;
    if (c.count > 0) {
      EXPECT_EQ(screen.pixel(c.ends[0], c.ends[1]), 0x123456u) << c.name;
      EXPECT_EQ(screen.pixel(c.ends[2], c.ends[3]), 0x123456u) << c.name;
    }
    EXPECT_TRUE(screen.guardsIntact()) << c.name;
  }

  // Depth: 1/z = 0.25 is 2^30 in 0.32, raised by 1/64 to 2^30 + 2^24. A stored word up to that
  // lets the pixel through; one above hides it. The stored words do not change.
  GuardedScreen screen(3, 1, 0);
  uint32_t depth[3] = {(1u << 30) + (1u << 24), (1u << 30) + (1u << 24) + 1, 0};
  const ZBuffer zBuffer{3, 1, depth};
  EXPECT_EQ(drawLine(screen.image(), &zBuffer, {0, 0, 0.25f}, {2, 0, 0.25f}, 0xFFFFFF,
                     LineBlend::kReplace),
            2);
  EXPECT_EQ(screen.pixel(0, 0), 0xFFFFFFu);
  EXPECT_EQ(screen.pixel(1, 0), 0u);
  EXPECT_EQ(depth[2], 0u);
}

// A sorted mesh: its half-transparent square (z = 50, key 50) and a line behind it (z = 55, key
// 55 - 10 = 45) are drawn farthest key first, so the line comes after the square and, the
// blended square having stored no depth, replaces it. (Keyed 55, the line would be drawn first
// and averaged by the square: 0x643298.) The square alone averages blue with black: 0x00007F.
TEST(S3DLines, SortedMeshesDrawTheirLinesByKey) {
  using namespace l3x;
  const Bytes sub = subMaterial(
      "s0", {drawing({intChunk(12, 100), floatChunk(14, 0.5f), pointChunk(17, Xyz{0, 0, 1}),
                      pointChunk(18, Xyz{0, 0, 1}), pointChunk(19, Xyz{0, 0, 1})}),
             lines({intChunk(10, 1), intChunk(11, static_cast<int32_t>(kLineColor))})});
  const Bytes square = mesh({head({.name = "square"}), materialIndex(0),
                             geometry({vertices({{-10, 10, 50},
                                                 {-10, -10, 50},
                                                 {10, -10, 50},
                                                 {10, 10, 50},
                                                 {-20, 0, 55},
                                                 {20, 0, 55}}),
                                       edgePairs({{4, 5}})}),
                             faces({faceVertices({{0, 1, 2}, {2, 3, 0}})}), intChunk(2105, 1)});
  Stage stage(64, 48, 0,
              loadScene(sceneFile({materials({material("m", {sub})}), meshes({square}),
                                   cameras({cameraRecord()})})));
  stage.bindAndFrame();
  // The line runs over x' = 32 -+ 11.64: 20..44 on row 24.
  EXPECT_EQ(stage.screen.pixel(32, 24), kLineColor);
  EXPECT_EQ(stage.screen.pixel(27, 24), kLineColor);
  EXPECT_EQ(stage.screen.pixel(21, 24), kLineColor);
  EXPECT_EQ(stage.screen.pixel(32, 18), 0x00007Fu);
}

// A sprite at (0, 0, 50) lands on the screen's centre (32, 24). The 4 x 4 texture at zoom 2
// covers 28..35 x 20..27; zoom 1 (selectors 0) 30..33 x 22..25. Placement, the turned blit, the
// zoom by distance and a sprite behind the camera are in the program's golden picture of shapes.
TEST(S3DSprite, SelectorsAndBlits) {
  enum Material { kTextured, kUntextured, kNone };
  struct Case {
    std::string name;
    std::array<int32_t, 3> selectors;
    float angle;
    Material material;
    int count;                               // -1: not checked
    std::vector<std::array<int, 3>> pixels;  // x, y, colour (0: the background)
  };
  const auto t00 = static_cast<int>(texelColor(0, 0)), t11 = static_cast<int>(texelColor(1, 1)),
             t33 = static_cast<int>(texelColor(3, 3));
  const std::vector<Case> cases{
      // Any angle but 0 takes the rotated blit: turned by 0.001 the top-left corner (-4, -4)
      // moves 0.004 down, so row 20 leaves column 28.
      {"angle 0.001: rotated blit", {1, 1, 1}, 0.001f, kTextured, -1, {{28, 20, 0}, {31, 23, t11}}},
      {"zoom selectors 0", {0, 0, 0}, 0, kTextured, 16, {{30, 22, t00}, {33, 25, t33}}},
      {"no texture", {1, 1, 1}, 0, kUntextured, 0, {}},
      {"no material", {1, 1, 1}, 0, kNone, 0, {}},
  };
  for (const Case& c : cases) {
    Stage stage(64, 48, 0);
    S3DScene& scene = stage.scene();
    addCamera(scene);
    scene.m_materials.resize(1);
    S3DSubMaterial& sub = scene.m_materials[0].m_subMaterials.emplace_back();
    if (c.material == kTextured) giveTexture(sub);
    auto pSprite = std::make_unique<S3DShapeSprite>();
    pSprite->setPosition({0, 0, 50});
    std::copy(c.selectors.begin(), c.selectors.end(), pSprite->m_selectors);
    pSprite->m_value11 = 2;
    pSprite->m_value12 = c.angle;
    if (c.material != kNone) pSprite->m_pMaterial = &scene.m_materials[0];
    scene.m_shapes.push_back(std::move(pSprite));
    stage.bindAndFrame();
    if (c.count >= 0) {
      EXPECT_EQ(stage.screen.count(0), c.count) << c.name;
    }
    for (const auto& [x, y, colour] : c.pixels)
      EXPECT_EQ(stage.screen.pixel(x, y), static_cast<uint32_t>(colour)) << c.name;
    EXPECT_TRUE(stage.screen.guardsIntact()) << c.name;
  }
}

// Kind 1 draws its edge pairs and ignores pairs naming no vertex; particles (kind 2) without
// emitters draw nothing.
TEST(S3DShapeLists, PointShapesDrawTheirLinesParticlesWithoutEmittersNothing) {
  struct Case {
    std::string name;
    int kind;
    std::vector<Vec3> vertices;
    std::vector<std::array<int32_t, 2>> pairs;
    int count;
  };
  const std::vector<Case> cases{
      {"pairs out of range skipped", 1, {{-40, 0, 80}, {40, 0, 80}}, {{0, 1}, {1, 2}, {-1, 0}}, 33},
      {"particles", 2, {{-40, 0, 80}, {40, 0, 80}}, {{0, 1}}, 0},
  };
  for (const Case& c : cases) {
    LineStage stage;
    std::unique_ptr<S3DShape> pShape = createShape(c.kind);
    pShape->setVertices(c.vertices);
    pShape->m_edgePairs = c.pairs;
    pShape->m_pMaterial = &stage.scene().m_materials[1];
    pShape->prepare();
    stage.scene().m_shapes.push_back(std::move(pShape));
    stage.bindAndFrame();
    EXPECT_EQ(stage.screen.count(0), c.count) << c.name;
    EXPECT_EQ(stage.screen.pixel(16, 24), c.count ? kLineColor : 0u) << c.name;
  }
}

TEST(S3DSort, QuicksortPutsTheFarthestFirst) {
  struct Item {
    float key;
  };
  for (std::vector<float> keys :
       std::vector<std::vector<float>>{{}, {1}, {3, 1, 2, 5, 4, 0, -1}, {2, 2, 2, 1, 2}}) {
    std::vector<Item> items;
    for (const float key : keys)
      items.push_back({key});
    sortByKeyDescending(std::span<Item>(items));
    std::vector<float> sorted;
    for (const Item& item : items)
      sorted.push_back(item.key);
    std::sort(keys.begin(), keys.end(), std::greater<>());
    EXPECT_EQ(sorted, keys);
  }
}

// --- Particles (kind 2) ---
//
// Emitter frames are the animation time · 30. Particle k of an emitter is born at frame
// start + (k + 1) / rate from vertex k mod nbVertex and lives one period; the live ones are k in
// [trunc((elapsed - period) · rate), trunc(elapsed · rate)).

// Before its start frame an emitter is inactive; then count = trunc(elapsed · rate) and
// phase = (elapsed mod period) · rate.
TEST(S3DParticles, EmitterTiming) {
  struct Case {
    std::string name;
    S3DEmitter emitter;
    float time;
    bool active;
    int64_t count;
    float phase;
  };
  const std::vector<Case> cases{
      {"frame 29.7 before start 30", {30, 10, 2}, 0.99f, false, 0, 0},
      {"frame 30: active, none yet", {30, 10, 2}, 1.0f, true, 0, 0},
      // Elapsed 15: 30 emitted, 5 frames into the second cycle: 10.
      {"frame 45", {30, 10, 2}, 1.5f, true, 30, 10},
      {"frame 60, a cycle ends", {30, 10, 2}, 2.0f, true, 60, 0},
      // Elapsed 15: trunc(7.5) = 7; 15 mod 4 = 3, · 0.5.
      {"half a particle a frame", {0, 4, 0.5f}, 0.5f, true, 7, 1.5f},
  };
  for (const Case& c : cases) {
    S3DShapeParticles shape;
    shape.m_emitters = {c.emitter};
    shape.animate(c.time, nullptr);
    const S3DEmitter& e = shape.m_emitters[0];
    EXPECT_EQ(e.active, c.active) << c.name;
    EXPECT_EQ(e.nbActive, c.count) << c.name;
    EXPECT_FLOAT_EQ(e.phase, c.phase) << c.name;
  }
}

// SPEANIM sets the emitters' time: the result combined with the scene time (0.5), wrapped by
// the length (100), then · 30. 1.5 -> frame 45 (30 emitted); the point shape ignores it.
TEST(S3DParticles, SpeAnimSetsTheEmitterTime) {
  using namespace l3x;
  struct Case {
    std::string formula;
    int32_t mode;
    int64_t count;
  };
  const std::vector<Case> cases{{"1.5", 0, 30}, {"101.5", 0, 30}, {"1", 1, 30}};
  for (const Case& c : cases) {
    Stage stage(64, 48, 0,
                loadScene(sceneFile(
                    {wordChunk(50, 100), cameras({cameraRecord()}),
                     shapes({shape(2, {head({.name = "sparks"})}, {emitters({{30, 10, 2}})}),
                             shape(1, {head({.name = "dots"})})})})));
    stage.scene().setTime(0.5f);
    LECXControllerL3XParamManager manager{&stage.scene()};
    CrtRand rand;
    LECXControllerL3X controller;
    controller.addParam({StringC("SHAPE sparks SPEANIM"), StringC(c.formula.c_str()), c.mode});
    controller.addParam({StringC("SHAPE dots SPEANIM"), StringC(c.formula.c_str()), c.mode});
    controller.prepare(rand);
    controller.prepareExpressions();
    controller.setScene(&manager);
    controller.bind();
    controller.update();
    const auto& sparks = dynamic_cast<const S3DShapeParticles&>(*stage.scene().m_shapes.at(0));
    EXPECT_EQ(sparks.m_emitters.at(0).nbActive, c.count) << c.formula << " " << c.mode;
  }
}

// A 64 x 48 stage whose material 0 draws points (a plain 0x3060C0 picture, point size 10) and
// lines in kLineColor. The picture is 256 x 256, the size a texture layer keeps, so that it is not
// resampled (a resampled one darkens at its bottom rows).
struct ParticleStage : Stage {
  static constexpr uint32_t kPointColor = 0x3060C0;
  ParticleStage() : Stage(64, 48, 0) {
    addCamera(scene());
    scene().m_materials.resize(1);
    S3DSubMaterial& sub = scene().m_materials[0].m_subMaterials.emplace_back();
    sub.m_polygonsEnabled = 0;
    sub.m_pLine = std::make_unique<S3DLineProperties>();
    sub.m_pLine->m_enabled = 1;
    sub.m_pLine->m_color = static_cast<int32_t>(kLineColor);
    TempDir dir;
    dir.enter();
    const std::vector<uint8_t> bytes =
        picture_files::bmpBytes(256, 256, [](int, int) { return kPointColor; });
    dir.write("point.bmp", std::string(bytes.begin(), bytes.end()));
    sub.m_pTextureLayer = std::make_unique<S3DTextureLayer>();
    sub.m_pTextureLayer->m_enabled = 1;
    sub.m_pTextureLayer->m_pointSize = 10;
    sub.m_pTextureLayer->m_pTexture = std::make_unique<S3DTexture32>();
    sub.m_pTextureLayer->m_pTexture->load(StringC("point.bmp"), 0, 0, 1, 1);
  }
  S3DShapeParticles& add(std::vector<Vec3> vertices, std::vector<S3DEmitter> emitters,
                         std::vector<std::array<int32_t, 2>> pairs = {}) {
    auto pShape = std::make_unique<S3DShapeParticles>();
    S3DShapeParticles& shape = *pShape;
    shape.m_name = StringC("sparks");
    shape.setVertices(std::move(vertices));
    shape.m_emitters = std::move(emitters);
    shape.m_edgePairs = std::move(pairs);
    shape.m_pMaterial = &scene().m_materials[0];
    scene().m_shapes.push_back(std::move(pShape));
    return shape;
  }
};

// A mesh's points: the texture layer's picture centred on each vertex, pointSize · 32 / z pixels
// across, kept in 1..256.
TEST(S3DPoints, SizedByDistanceAndClamped) {
  struct Case {
    std::string name;
    float pointSize, z;
    int count;
  };
  const std::vector<Case> cases{
      // 10 · 32 / 80 = 4: 30..33 x 22..25.
      {"4 pixels across", 10, 80, 16},
      // 0.32, kept at 1: the extent 31.5..32.5 covers pixel 32 alone.
      {"far, one pixel", 10, 1000, 1},
      // 1,600, kept at 256: more than the screen.
      {"near, the whole screen", 1000, 20, 64 * 48},
      {"before the near plane", 10, 5, 0},
  };
  for (const Case& c : cases) {
    ParticleStage stage;
    S3DMaterial& material = stage.scene().m_materials[0];
    material.m_subMaterials[0].m_pTextureLayer->m_pointSize = c.pointSize;
    setMesh(stage.scene().m_triObjects.emplace_back(), {{0, 0, c.z}}, {}, &material);
    stage.bindAndFrame();
    EXPECT_EQ(stage.screen.count(0), c.count) << c.name;
    if (c.count > 0) {
      EXPECT_EQ(stage.screen.pixel(32, 24), ParticleStage::kPointColor) << c.name;
    }
  }
}

// Live counts and lives at time 0.5 (frame 15) worked out by hand, and where the particles are:
// the newest (age 0) sits on its vertex; the oldest has risen v.y · age · (1 - age / period)
// with v.y in [0.75, 1] and drifted by at most 0.25 · age sideways.
TEST(S3DParticles, LiveParticlesByHand) {
  struct Case {
    std::string name;
    std::vector<Vec3> vertices;
    std::vector<S3DEmitter> emitters;
    std::vector<float> lives;
  };
  const std::vector<Vec3> two{{-10, 0, 100}, {10, 0, 100}};
  const std::vector<Case> cases{
      // k 5..14 born at frames 6..15: ages 9..0.
      {"k 5 to 14", two, {{0, 10, 1}}, {0.9f, 0.8f, 0.7f, 0.6f, 0.5f, 0.4f, 0.3f, 0.2f, 0.1f, 0}},
      // 7 emitted, k from trunc(11 · 0.5) = 5: k 5 and 6 born at 12 and 14.
      {"every other frame", two, {{0, 4, 0.5f}}, {0.75f, 0.25f}},
      {"two emitters", two, {{0, 4, 0.5f}, {12, 8, 1}}, {0.75f, 0.25f, 0.25f, 0.125f, 0}},
  };
  for (const Case& c : cases) {
    ParticleStage stage;
    S3DShapeParticles& shape = stage.add(c.vertices, c.emitters);
    shape.prepare();
    stage.bind();
    stage.frame(0.5f);
    ASSERT_EQ(shape.m_nbLive, static_cast<int32_t>(c.lives.size())) << c.name;
    for (std::size_t i = 0; i < c.lives.size(); ++i)
      EXPECT_FLOAT_EQ(shape.m_particleLife[i], c.lives[i]) << c.name << " " << i;
    EXPECT_EQ(stage.screen.count(0) > 0, !c.lives.empty()) << c.name;
    EXPECT_TRUE(stage.screen.guardsIntact()) << c.name;
    if (&c != &cases[0]) continue;
    // k 14 of vertex 0 at age 0; k 5 of vertex 1 at age 9.
    const Vec3 newest = shape.m_particleCamera[9], oldest = shape.m_particleCamera[0];
    s3d_test::expectNear(newest, {-10, 0, 100}, 1e-4f);
    EXPECT_GE(oldest.y, 0.75f * 9 * 0.1f - 1e-4f);
    EXPECT_LE(oldest.y, 9 * 0.1f + 1e-4f);
    EXPECT_LE(std::abs(oldest.x - 10), 0.25f * 9 + 1e-4f);
    EXPECT_LE(std::abs(oldest.z - 100), 0.25f * 9 + 1e-4f);
    // The newest point, size 10 · 32 / 100 = 3.2 about (28.8, 24).
    EXPECT_EQ(stage.screen.pixel(29, 24), ParticleStage::kPointColor);
  }
}

// Emitters keeping more than 100,000 alive are reported once at prepare and the arrays stop
// there: 200 a frame for 1,000 frames, at frame 600 (120,000 emitted) 100,000 are drawn.
TEST(S3DParticles, TheCountIsCappedAndReported) {
  ParticleStage stage;
  S3DShapeParticles& shape = stage.add({{0, 0, 100}}, {{0, 1000, 200}});
  const std::vector<std::string> reports = s3d_test::reportsOf([&] { shape.prepare(); });
  EXPECT_EQ(reports, (std::vector<std::string>{
                         "S3DShape warning: sparks|the emitters keep more than 100000 particles "
                         "alive: only the first 100000 are drawn"}));
  stage.bind();
  stage.frame(20.0f);
  EXPECT_EQ(shape.m_nbLive, 100000);
  EXPECT_TRUE(stage.screen.guardsIntact());
}

// Each frame is computed from its time alone: after a run of other frames it is the same.
TEST(S3DParticles, AFrameAloneEqualsTheSameFrameInARun) {
  const auto stageAt = [](std::vector<float> times) {
    auto pStage = std::make_unique<ParticleStage>();
    pStage
        ->add({{-20, -10, 80}, {20, -10, 90}, {0, -15, 70}}, {{0, 20, 0.8f}, {5, 8, 2}},
              {{0, 1}, {1, 2}})
        .prepare();
    pStage->bind();
    for (const float t : times) {
      pStage->screen.image().fill(0);
      pStage->frame(t);
    }
    return pStage;
  };
  const auto alone = stageAt({0.9f});
  const auto run = stageAt({0.1f, 0.4f, 1.3f, 0.2f, 0.9f});
  EXPECT_GT(alone->screen.count(0), 50);
  EXPECT_EQ(alone->screen.rgb(), run->screen.rgb());
}

// Points and lines are drawn farthest first. Vertices at z 50, 150 and 100, pair (0, 1): at
// frame 15, k 5..14 live; generations 2, 3 and 4 have both of k = 3g and 3g + 1: 3 lines.
TEST(S3DParticles, SortedFarthestFirst) {
  ParticleStage stage;
  S3DShapeParticles& shape =
      stage.add({{0, 0, 50}, {0, 0, 150}, {5, 0, 100}}, {{0, 10, 1}}, {{0, 1}});
  shape.prepare();
  stage.bind();
  stage.frame(0.5f);
  ASSERT_EQ(shape.m_nbLive, 10);
  EXPECT_EQ(shape.m_nbLine, 3);
  ASSERT_EQ(shape.m_nbItem, 13);
  float farthest = -INFINITY;
  for (int32_t i = 0; i < shape.m_nbLive; ++i)
    farthest = std::max(farthest, shape.m_particleCamera[static_cast<std::size_t>(i)].z);
  EXPECT_GT(farthest, 140.0f);
  EXPECT_EQ(shape.m_items[0].key, farthest);
  for (int32_t i = 1; i < shape.m_nbItem; ++i)
    EXPECT_GE(shape.m_items[static_cast<std::size_t>(i - 1)].key,
              shape.m_items[static_cast<std::size_t>(i)].key)
        << i;
}

// Shapes run the modifier stack. An object-space skew of 10 over the height 10 moves (0, 10) to
// (10, 10): a point shape's vertex, and where a particle shape's newest particle leaves. A
// world-space space warp (amplitude 1, wave length 4, no motion) at r = 101 from its axis lifts
// y by sin(2 pi · 101 / 4) = 1.
TEST(S3DParticles, ModifiersMoveVerticesAndParticles) {
  for (const int kind : {1, 2}) {
    ParticleStage stage;
    std::unique_ptr<S3DShape> pShape = createShape(kind);
    S3DShape& shape = *pShape;
    shape.setVertices({{0, 0, 50}, {0, 10, 50}});
    shape.m_pMaterial = &stage.scene().m_materials[0];
    if (kind == 2) static_cast<S3DShapeParticles&>(shape).m_emitters = {{0, 10, 1}};
    auto pSkew = std::make_unique<S3DModifierSkew>();
    pSkew->m_amount = 10;
    pSkew->setBox({0, 0, 0}, {0, 10, 0});
    shape.m_applications.resize(1);
    shape.m_applications[0].pModifier = pSkew.get();
    shape.m_modifiers.push_back(std::move(pSkew));
    shape.prepare();
    stage.scene().m_shapes.push_back(std::move(pShape));
    stage.bind();
    stage.frame(0.5f);
    // Kind 2: k 14 is of vertex 0 (age 0), k 13 of vertex 1 (age 1).
    const Vec3 moved = kind == 1 ? shape.m_cameraVertices[1] : shape.itemVertices().camera[8];
    EXPECT_NEAR(moved.x, 10, 0.3f) << kind;
    EXPECT_NEAR(shape.m_vertices[1].x, 10, 1e-4f) << kind;
  }
  ParticleStage stage;
  WSModifier& warpHead = stage.scene().m_wsModifiers.emplace_back();
  auto pWarp = std::make_unique<S3DModifierSpaceWarp>();
  pWarp->m_worldSpace = 1;
  pWarp->m_values = {1, 1, 4, 0, 0, 0, 0, 0};
  warpHead.m_pModifier = std::move(pWarp);
  S3DShapeParticles& shape = stage.add({{0, 0, 101}}, {{0, 10, 1}});
  shape.m_wsModifiers.resize(1);
  shape.m_wsModifiers[0].pWSModifier = &warpHead;
  shape.prepare();
  stage.bind();
  stage.frame(0.5f);
  const Vec3 newest = shape.m_particleCamera[9];
  EXPECT_NEAR(newest.y, 1, 1e-3f);
  EXPECT_NEAR(newest.x, 0, 1e-3f);
  EXPECT_EQ(shape.m_particleObject[9].y, 0.0f);
}

}  // namespace
