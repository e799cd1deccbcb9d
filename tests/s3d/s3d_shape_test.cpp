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
#include "s3d/s3d_scene_params.h"
#include "s3d/s3d_shape.h"
#include "s3d/s3d_sort.h"
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

int countColour(const GuardedScreen& screen, uint32_t colour, int32_t width, int32_t height) {
  int n = 0;
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x)
      n += screen.pixel(x, y) == colour ? 1 : 0;
  return n;
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
      // (32, 34) to (35.2, 14.4): 21 rows.
      {"steep", {0, -20, 100}, {10, 20, 100}, false, 21, {32, 34, 35, 14}},
      {"both ends left of the screen", {-200, 0, 100}, {-150, 0, 100}, false, 0, {}},
      {"both behind the camera", {0, 0, -50}, {10, 0, -100}, false, 0, {}},
      {"both before the near plane", {4, 0, 2}, {4, 0, 8}, false, 0, {}},
      // Cut at z = 10: x' = 32 + 32 · 4 / 10 = 44.8; the far end 32 + 3.2.
      {"crossing the near plane", {4, 0, 0}, {4, 0, 40}, false, 11, {35, 24, 45, 24}},
      // Cut by the right plane just inside x' = 64 (63.99): the end pixel is the last column.
      {"leaving the right side", {0, 0, 100}, {300, 0, 100}, false, 32, {32, 24, 63, 24}},
      // x' = 19.2 .. 44.8 behind the square at z = 50 covering 26..38: 27 - 13 pixels.
      {"behind a face", {-40, 0, 100}, {40, 0, 100}, true, 14, {19, 24, 45, 24}},
      {"before a face", {-20, 0, 40}, {20, 0, 40}, true, 33, {16, 24, 48, 24}},
      // On a face facing the camera (28.8 .. 35.2): equal depths pass.
      {"on a face", {-5, 0, 50}, {5, 0, 50}, true, 7, {29, 24, 35, 24}},
  };
  for (const Case& c : cases) {
    LineStage stage;
    if (c.quad) stage.addQuad();
    stage.addLine(c.a, c.b);
    stage.bindAndFrame();
    const GuardedScreen& screen = stage.screen;
    EXPECT_EQ(countColour(screen, kLineColor, 64, 48), c.count) << c.name;
    // Nothing but the line and the face.
    EXPECT_EQ(screen.count(0), c.count + countColour(screen, kQuadColor, 64, 48)) << c.name;
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
      {"shallow reversed", {9, 5, 0.1f}, {2.4f, 3.6f, 0.1f}, 8, {2, 4, 9, 5}},
      {"steep up", {5, 9, 0.1f}, {3, 1, 0.1f}, 9, {5, 9, 3, 1}},
      {"one pixel", {4.2f, 4.2f, 0.1f}, {3.8f, 3.9f, 0.1f}, 1, {4, 4, 4, 4}},
      {"ends off the image", {-30, -5, 0.1f}, {40, 2, 0.1f}, 16, {0, 0, 15, 2}},
      {"a NaN", {NAN, 2, 0.1f}, {3, 3, 0.1f}, 0, {}},
      {"an infinite end", {1, 2, 0.1f}, {INFINITY, 3, 0.1f}, 0, {}},
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

// LINEOPACITY 0.5 through a scene controller: trunc(0.5 · 255) = 127 scales each byte of
// 0xC86432 by 127 / 256: 200 -> 99, 100 -> 49, 50 -> 24, 0x633118.
TEST(S3DLines, LineOpacityScalesTheDrawnColour) {
  using namespace l3x;
  const Bytes lineSub =
      subMaterial("s0", {drawing({intChunk(10, 0)}),
                         lines({intChunk(10, 1), intChunk(11, static_cast<int32_t>(kLineColor))})});
  Stage stage(
      64, 48, 0,
      loadScene(sceneFile(
          {materials({material("m", {lineSub})}),
           meshes({mesh({head({.name = "wire"}), materialIndex(0),
                         geometry({vertices({{-40, 0, 80}, {40, 0, 80}}), edgePairs({{0, 1}})})})}),
           cameras({cameraRecord()})})));
  LECXControllerL3XParamManager manager{&stage.scene()};
  CrtRand rand;
  LECXControllerL3X controller;
  controller.addParam({StringC("MTL m 0 LINEOPACITY"), StringC("0.5"), 0});
  controller.prepare(rand);
  controller.prepareExpressions();
  controller.setScene(&manager);
  controller.bind();
  controller.update();
  stage.bindAndFrame();
  EXPECT_EQ(stage.screen.pixel(16, 24), 0x633118u);
  EXPECT_EQ(stage.screen.pixel(48, 24), 0x633118u);
  EXPECT_EQ(stage.screen.count(0), 33);
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

// A sprite at (0, 0, z) lands on the screen's centre (32, 24). The 4 x 4 texture at zoom 2 covers
// 28..35 x 20..27, texel (x, y) on pixels 28 + 2x, 29 + 2x.
TEST(S3DSprite, SelectorsPlacementAndBlits) {
  enum Material { kTextured, kUntextured, kNone };
  struct Case {
    std::string name;
    float z;
    std::array<int32_t, 3> selectors;
    float value11, value12;
    Material material;
    int count;
    // Pixels and what they hold (0: the background).
    std::vector<std::array<int, 2>> pixels;
    std::vector<uint32_t> colours;
  };
  const std::vector<Case> cases{
      {"zoom 2, angle 0: scaled blit",
       50,
       {1, 1, 1},
       2,
       0,
       kTextured,
       64,
       {{28, 20}, {30, 20}, {35, 27}, {27, 20}},
       {texelColor(0, 0), texelColor(1, 0), texelColor(3, 3), 0}},
      // Turned by 0.001 the top-left corner (-4, -4) moves 0.004 down: row 20 leaves column 28.
      {"zoom 2, angle 0.001: rotated blit",
       50,
       {1, 1, 1},
       2,
       0.001f,
       kTextured,
       -1,
       {{28, 20}, {31, 23}},
       {0, texelColor(1, 1)}},
      // Zoom 1: 30..33 x 22..25.
      {"zoom selectors 0",
       50,
       {0, 0, 0},
       2,
       0,
       kTextured,
       16,
       {{30, 22}, {33, 25}},
       {texelColor(0, 0), texelColor(3, 3)}},
      // Zooms 32 / 40 and 48 / 40: 3.2 x 4.8 pixels about the centre, 3 x 5.
      {"zooms by distance, z 40", 40, {2, 2, 0}, 1, 0, kTextured, 15, {}, {}},
      // 32 / 20 and 48 / 20: 6.4 x 9.6, 7 x 9.
      {"zooms by distance, z 20", 20, {2, 2, 0}, 1, 0, kTextured, 63, {}, {}},
      {"behind the camera", -50, {1, 1, 1}, 2, 0, kTextured, 0, {}, {}},
      {"no texture", 50, {1, 1, 1}, 2, 0, kUntextured, 0, {}, {}},
      {"no material", 50, {1, 1, 1}, 2, 0, kNone, 0, {}, {}},
  };
  for (const Case& c : cases) {
    Stage stage(64, 48, 0);
    S3DScene& scene = stage.scene();
    addCamera(scene);
    scene.m_materials.resize(1);
    S3DSubMaterial& sub = scene.m_materials[0].m_subMaterials.emplace_back();
    if (c.material == kTextured) giveTexture(sub);
    auto pSprite = std::make_unique<S3DShapeSprite>();
    pSprite->setPosition({0, 0, c.z});
    pSprite->m_selectors[0] = c.selectors[0];
    pSprite->m_selectors[1] = c.selectors[1];
    pSprite->m_selectors[2] = c.selectors[2];
    pSprite->m_value11 = c.value11;
    pSprite->m_value12 = c.value12;
    if (c.material != kNone) pSprite->m_pMaterial = &scene.m_materials[0];
    scene.m_shapes.push_back(std::move(pSprite));
    stage.bindAndFrame();
    if (c.count >= 0) {
      EXPECT_EQ(stage.screen.count(0), c.count) << c.name;
    }
    for (std::size_t i = 0; i < c.pixels.size(); ++i)
      EXPECT_EQ(stage.screen.pixel(c.pixels[i][0], c.pixels[i][1]), c.colours[i]) << c.name;
    EXPECT_TRUE(stage.screen.guardsIntact()) << c.name;
  }
}

// A mesh's points: the texture layer's picture (one colour, resampled to 256 x 256) centred on
// each vertex, pointSize · 32 / z pixels across, kept in 1..256.
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
  TempDir dir;
  dir.enter();
  const std::vector<uint8_t> bytes =
      picture_files::bmpBytes(8, 8, [](int, int) { return 0x3060C0u; });
  dir.write("point.bmp", std::string(bytes.begin(), bytes.end()));
  for (const Case& c : cases) {
    Stage stage(64, 48, 0);
    S3DScene& scene = stage.scene();
    addCamera(scene);
    scene.m_materials.resize(1);
    S3DSubMaterial& sub = scene.m_materials[0].m_subMaterials.emplace_back();
    sub.m_polygonsEnabled = 0;
    sub.m_pTextureLayer = std::make_unique<S3DTextureLayer>();
    sub.m_pTextureLayer->m_enabled = 1;
    sub.m_pTextureLayer->m_pointSize = c.pointSize;
    sub.m_pTextureLayer->m_pTexture = std::make_unique<S3DTexture32>();
    sub.m_pTextureLayer->m_pTexture->load(StringC("point.bmp"), 0, 0, 1, 1);
    setMesh(scene.m_triObjects.emplace_back(), {{0, 0, c.z}}, {}, &scene.m_materials[0]);
    stage.bindAndFrame();
    EXPECT_EQ(stage.screen.count(0), c.count) << c.name;
    if (c.count > 0) {
      EXPECT_EQ(stage.screen.pixel(32, 24), 0x3060C0u) << c.name;
    }
  }
}

// Kind 1 draws its edge pairs and ignores pairs naming no vertex; no vertex at all is fine;
// particles (kind 2) draw nothing yet.
TEST(S3DShapeLists, PointShapesDrawTheirLinesParticlesNothing) {
  struct Case {
    std::string name;
    int kind;
    std::vector<Vec3> vertices;
    std::vector<std::array<int32_t, 2>> pairs;
    int count;
  };
  const std::vector<Case> cases{
      {"two vertices, one pair", 1, {{-40, 0, 80}, {40, 0, 80}}, {{0, 1}}, 33},
      {"pairs out of range skipped", 1, {{-40, 0, 80}, {40, 0, 80}}, {{0, 1}, {1, 2}, {-1, 0}}, 33},
      {"no vertex", 1, {}, {{0, 1}}, 0},
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
  for (std::vector<float> keys : std::vector<std::vector<float>>{
           {}, {1}, {1, 2}, {3, 1, 2, 5, 4, 0, -1}, {2, 2, 2, 1, 2}, {5, 4, 3, 2, 1}, {0, 1, 2}}) {
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

}  // namespace
