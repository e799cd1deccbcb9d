// Drawing a scene's meshes: passes and drawing modes, the back-face rule, the whole-polygon drop
// rule after near-plane clipping, the reports a scene without camera, screen or material gives,
// and what degenerate scenes draw (the clipping itself and sorted meshes: the golden pictures);
// last, which span filler each polygon drawer installs for a sub-material.
//
// The screens are 32 x 32 with the camera at the origin looking along +z (fov pi/2): scaleX = 16,
// scaleY = 32, centre (16, 16); a camera-space point (x, y, z) lands at x' = 16 + 16 x / z,
// y' = 16 - 32 y / z. Pixel centres are at integer coordinates: a pixel is covered when
// ceil(left) <= x < ceil(right) and ceil(top) <= y < ceil(bottom).

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "base/report.h"
#include "s3d/s3d_draw_manager.h"
#include "s3d/s3d_raster_material.h"
#include "tests/s3d/s3d_render_util.h"

namespace {

using namespace s3d_render;

constexpr int32_t kSize = 32;
constexpr uint32_t kBackground = 0x203040u;
const Vec3 kRed{1, 0, 0};
const Vec3 kBlue{0, 0, 1};

// A scene with the camera, one material of one flat red sub-material (every level red) and one
// mesh of the given triangle; the viewport bound.
struct OneTriangle {
  explicit OneTriangle(const std::vector<Vec3>& corners, int32_t twoSided = 0) {
    S3DScene& scene = stage.scene();
    addCamera(scene);
    scene.m_materials.resize(1);
    S3DSubMaterial& sub = scene.m_materials[0].m_subMaterials.emplace_back();
    sub.m_shadingType = S3DSubMaterial::kShadingFlat;
    sub.m_twoSided = twoSided;
    setColor(sub, kRed);
    scene.m_triObjects.resize(1);
    setMesh(scene.m_triObjects[0], corners, {{0, 1, 2}}, &scene.m_materials[0]);
    stage.bind();
  }
  Stage stage{kSize, kSize, kBackground};
};

// Every pixel is red where `covered` says so and the background elsewhere.
void expectCoverage(const GuardedScreen& screen, const std::function<bool(int, int)>& covered,
                    const std::string& what) {
  int wrong = 0;
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x)
      wrong += screen.pixel(x, y) != (covered(x, y) ? 0xFF0000u : kBackground) ? 1 : 0;
  EXPECT_EQ(wrong, 0) << what;
  EXPECT_TRUE(screen.guardsIntact()) << what;
}

TEST(S3DMeshDraw, BackFacesAreSkippedUnlessTwoSided) {
  // At z = 64: A (-32, 16) -> (8, 8), B (-32, -16) -> (8, 24), C (32, -16) -> (24, 24). A, B, C
  // runs counter-clockwise on the screen (p0 · ((p1 - p0) × (p2 - p0)) = 64 · 2048 > 0): rows
  // 8..23, row y from x = 8 to x < y (120 pixels). A, C, B is its back face; drawn two-sided with
  // the first and third corners exchanged (B, C, A), it covers the same pixels.
  const Vec3 a{-32, 16, 64}, b{-32, -16, 64}, c{32, -16, 64};
  const auto triangle = [](int x, int y) { return y >= 8 && y < 24 && x >= 8 && x < y; };
  const auto nothing = [](int, int) { return false; };
  struct Row {
    const char* what;
    std::vector<Vec3> corners;
    int32_t twoSided;
    std::function<bool(int, int)> covered;
  };
  const std::vector<Row> rows{
      {"front face, one-sided", {a, b, c}, 0, triangle},
      {"back face, one-sided", {a, c, b}, 0, nothing},
      {"front face, two-sided", {a, b, c}, 1, triangle},
      {"back face, two-sided", {a, c, b}, 1, triangle},
  };
  for (const Row& row : rows) {
    OneTriangle scene(row.corners, row.twoSided);
    scene.stage.frame();
    EXPECT_EQ(scene.stage.scene().m_triObjects[0].m_faces[0].frontFacing,
              row.corners[1] == b ? 1 : 0)
        << row.what;
    expectCoverage(scene.stage.screen, row.covered, row.what);
  }
}

TEST(S3DMeshDraw, AClippedPolygonLeavingTheScreenIsDroppedWhole) {
  // Only the near plane clips here (the four side planes are opened), so the projection of the
  // near-plane vertices alone decides. Each triangle has two corners on the screen at z = 16 and
  // one at z = 4; the near plane (z = 10) cuts its two edges halfway. An intersection at x' =
  // 16 + 1.6 x = 32 (x = 10) is the width: the whole triangle goes, its on-screen part too.
  struct Row {
    const char* what;
    std::vector<Vec3> corners;
    bool openSides;
    bool drawn;
  };
  const std::vector<Row> rows{
      // (8 + 12) / 2 = 10: x' = 32.
      {"x = width", {{4, -4, 16}, {8, -4, 4}, {12, -4, 16}}, true, false},
      // (8 + 11.9) / 2 = 9.95: x' = 31.92.
      {"x just inside the width", {{4, -4, 16}, {8, -4, 4}, {11.9f, -4, 16}}, true, true},
      // (-12 - 8) / 2 = -10: x' = 0, inside.
      {"x = 0", {{-4, -4, 16}, {-12, -4, 16}, {-8, -4, 4}}, true, true},
      {"x just below 0", {{-4, -4, 16}, {-12.1f, -4, 16}, {-8, -4, 4}}, true, false},
      // y = -5 at z = 10: y' = 16 + 16 = 32, the height.
      {"y = height", {{-4, -5, 16}, {0, -5, 4}, {4, -5, 16}}, true, false},
      // With the side planes, the bottom plane (0.0001 rad inside the screen) trims it instead.
      {"y = height, side planes on", {{-4, -5, 16}, {0, -5, 4}, {4, -5, 16}}, false, true},
  };
  for (const Row& row : rows) {
    OneTriangle scene(row.corners);
    S3DCamera& camera = scene.stage.scene().m_cameras[0];
    if (row.openSides)
      for (int plane : {S3DCamera::kLeft, S3DCamera::kRight, S3DCamera::kTop, S3DCamera::kBottom})
        camera.m_frustum[plane] = Plane{};
    scene.stage.frame();
    EXPECT_EQ(scene.stage.screen.count(kBackground) > 0, row.drawn) << row.what;
    EXPECT_TRUE(scene.stage.screen.guardsIntact()) << row.what;
  }
}

TEST(S3DMeshDraw, SubMaterialsDecideThePassAndTheDrawingMode) {
  using Mode = S3DDrawMode;
  struct Row {
    const char* what;
    int32_t polygonsEnabled, shadingType, blendMode;
    float opacity;
    int layers;  // bit 0: the first map layer enabled, bit 1: the second
    int pass;    // -1: no group
    Mode mode;
  };
  const std::vector<Row> rows{
      {"opaque Gouraud", 1, 0, 0, 1.0f, 0, S3DTriObject::kOpaquePass, Mode::kGouraud},
      {"opacity 0.999", 1, 100, 0, 0.999f, 0, S3DTriObject::kBlendPass, Mode::kFlat},
      {"opacity-weighted", 1, 20, 0, 1.0f, 0, S3DTriObject::kBlendPass, Mode::kGouraud},
      {"additive", 1, 0, 1, 1.0f, 0, S3DTriObject::kBlendPass, Mode::kGouraud},
      {"polygons disabled", 0, 0, 0, 1.0f, 0, -1, Mode::kGouraud},
      {"texture", 1, 200, 0, 1.0f, 0, S3DTriObject::kOpaquePass, Mode::kTexture},
      {"perspective", 1, 201, 0, 1.0f, 0, S3DTriObject::kOpaquePass, Mode::kPerspective},
      {"tex-shade 1", 1, 1, 0, 1.0f, 0, S3DTriObject::kOpaquePass, Mode::kTexShade},
      {"tex-colour 101", 1, 101, 0, 1.0f, 0, S3DTriObject::kOpaquePass, Mode::kTexColor},
      {"other shading type", 1, 1000, 0, 1.0f, 0, S3DTriObject::kOpaquePass, Mode::kGouraud},
      {"first layer over flat", 1, 100, 0, 1.0f, 1, S3DTriObject::kOpaquePass, Mode::kVertexAlpha},
      {"second layer over texture", 1, 200, 0, 1.0f, 2, S3DTriObject::kOpaquePass,
       Mode::kGouraudLayer},
      {"both layers", 1, 0, 0, 1.0f, 3, S3DTriObject::kOpaquePass, Mode::kVertexAlpha},
  };
  for (const Row& row : rows) {
    S3DMaterial material;
    S3DSubMaterial& sub = material.m_subMaterials.emplace_back();
    sub.m_polygonsEnabled = row.polygonsEnabled;
    sub.m_shadingType = row.shadingType;
    sub.m_blendMode = row.blendMode;
    sub.setOpacity(row.opacity);
    for (int bit : {0, 1}) {
      if ((row.layers >> bit & 1) == 0) continue;
      std::unique_ptr<S3DMapLayer>& pLayer = bit == 0 ? sub.m_pLayer1 : sub.m_pLayer2;
      pLayer = std::make_unique<S3DMapLayer>();
      pLayer->m_enabled = 1;
    }
    S3DTriObject mesh;
    setMesh(mesh, {{0, 0, 10}, {1, 0, 10}, {0, 1, 10}}, {{0, 1, 2}}, &material);
    for (int pass : {S3DTriObject::kOpaquePass, S3DTriObject::kBlendPass}) {
      const auto& groups = mesh.m_groups[pass];
      ASSERT_EQ(groups.size(), pass == row.pass ? 1u : 0u) << row.what;
      if (pass != row.pass) continue;
      EXPECT_EQ(groups[0].mode, row.mode) << row.what;
      EXPECT_EQ(groups[0].faces, std::vector<uint32_t>{0}) << row.what;
    }
  }
}

TEST(S3DMeshDraw, TheSecondPassFollowsEveryMeshOfTheFirst) {
  // Mesh 0 (red, z = 32) in front of mesh 1 (blue, z = 64), both covering the pixel (16, 16).
  // At opacity 0.999 mesh 0 is drawn after mesh 1, alpha a = trunc(0.999 · 255) = 254:
  // red (0 · 1 >> 8) + (255 · 254 >> 8) = 253, blue (255 · 1 >> 8) + 0 = 0. Opaque, it is drawn
  // first and mesh 1 fails the depth test.
  for (const float opacity : {0.999f, 1.0f}) {
    Stage stage(kSize, kSize, kBackground);
    S3DScene& scene = stage.scene();
    addCamera(scene);
    scene.m_materials.resize(2);
    for (std::size_t i = 0; i < 2; ++i) {
      S3DSubMaterial& sub = scene.m_materials[i].m_subMaterials.emplace_back();
      sub.m_shadingType = S3DSubMaterial::kShadingFlat;
      setColor(sub, i == 0 ? kRed : kBlue);
      if (i == 0) sub.setOpacity(opacity);
    }
    scene.m_triObjects.resize(2);
    for (std::size_t i = 0; i < 2; ++i) {
      const float z = i == 0 ? 32.0f : 64.0f;
      setMesh(scene.m_triObjects[i], {{-z, z, z}, {-z, -z, z}, {z, -z, z}}, {{0, 1, 2}},
              &scene.m_materials[i]);
    }
    stage.bindAndFrame();
    EXPECT_EQ(stage.screen.pixel(12, 16), opacity == 1.0f ? 0xFF0000u : 0xFD0000u) << opacity;
  }
}

TEST(S3DMeshDraw, FacesTakeTheirSubMaterialWordModuloTheCount) {
  S3DMaterial three;
  three.m_subMaterials.resize(3);
  S3DTriObject mesh;
  const std::vector<Vec3> corners{{0, 0, 10}, {1, 0, 10}, {0, 1, 10}};
  setMesh(mesh, corners, std::vector<Face>(6, Face{0, 1, 2}), &three, {0, 1, 2, 3, 7, 65535});
  std::vector<S3DSubMaterial*> taken;
  for (const S3DFace& face : mesh.m_faces)
    taken.push_back(face.pSubMaterial);
  S3DSubMaterial* s = three.m_subMaterials.data();
  // 3 % 3 = 0, 7 % 3 = 1, 65535 = 3 · 21845.
  EXPECT_EQ(taken, (std::vector<S3DSubMaterial*>{s, s + 1, s + 2, s, s + 1, s}));
  ASSERT_EQ(mesh.m_groups[S3DTriObject::kOpaquePass].size(), 3u);
  EXPECT_EQ(mesh.m_groups[S3DTriObject::kOpaquePass][0].faces, (std::vector<uint32_t>{0, 3, 5}));

  S3DMaterial one;
  one.m_subMaterials.resize(1);
  setMesh(mesh, corners, {{0, 1, 2}}, &one, {9});
  EXPECT_EQ(mesh.m_faces[0].pSubMaterial, one.m_subMaterials.data());
}

TEST(S3DMeshDraw, MeshesWithoutMaterialOrSubMaterialsDrawNothing) {
  Stage stage(kSize, kSize, kBackground);
  S3DScene& scene = stage.scene();
  addCamera(scene);
  scene.m_materials.resize(2);
  // Material 1: two sub-materials with polygons disabled.
  for (int i = 0; i < 2; ++i)
    scene.m_materials[1].m_subMaterials.emplace_back().m_polygonsEnabled = 0;
  scene.m_triObjects.resize(3);
  const std::vector<Vec3> big{{-64, 64, 64}, {-64, -64, 64}, {64, -64, 64}};
  ReportCapture capture;
  scene.m_triObjects[0].m_name = "bare";
  setMesh(scene.m_triObjects[0], big, {{0, 1, 2}}, nullptr);
  EXPECT_EQ(capture.lines(), std::vector<std::string>{
                                 "S3DTriObject warning: bare|prepareMaterial: m_pMaterial NULL"});
  setMesh(scene.m_triObjects[1], big, {{0, 1, 2}}, &scene.m_materials[0]);
  setMesh(scene.m_triObjects[2], big, {{0, 1, 2}}, &scene.m_materials[1]);
  stage.bindAndFrame();
  EXPECT_EQ(stage.screen.count(kBackground), 0);
  for (const S3DTriObject& mesh : scene.m_triObjects)
    EXPECT_TRUE(mesh.m_groups[0].empty() && mesh.m_groups[1].empty());
  EXPECT_EQ(capture.lines().size(), 1u);
}

TEST(S3DSceneRender, NothingWithoutCameraScreenOrSize) {
  // No camera: transform and render leave the mesh and the screen alone, silently.
  {
    Stage stage(kSize, kSize, kBackground);
    S3DScene& scene = stage.scene();
    scene.m_materials.resize(1);
    scene.m_materials[0].m_subMaterials.resize(1);
    scene.m_triObjects.resize(1);
    setMesh(scene.m_triObjects[0], {{-64, 64, 64}, {-64, -64, 64}, {64, -64, 64}}, {{0, 1, 2}},
            &scene.m_materials[0]);
    ReportCapture capture;
    stage.viewPort.setScreen(&stage.screen.image());
    scene.setViewPort(&stage.viewPort);
    stage.frame();
    EXPECT_EQ(scene.m_triObjects[0].m_cameraVertices[0], (Vec3{}));
    EXPECT_EQ(stage.screen.count(kBackground), 0);
    EXPECT_TRUE(capture.lines().empty());
  }
  // A 0 x 0 viewport is refused and keeps its size; a scene given no screen draws nothing.
  ReportCapture capture;
  ViewPort viewPort;
  viewPort.setScreen(0, 0);
  viewPort.setScreen(16, 0);
  EXPECT_EQ(viewPort.getWidth(), ViewPort::kDefaultWidth);
  EXPECT_EQ(viewPort.getHeight(), ViewPort::kDefaultHeight);
  S3DScene scene;
  addCamera(scene);
  scene.setViewPort(&viewPort);
  scene.transform();
  scene.render();
  EXPECT_EQ(capture.lines(), (std::vector<std::string>{"ViewPort Warning !|setScreen: width <= 0",
                                                       "ViewPort Warning !|setScreen: height <= 0",
                                                       "S3DScene warning:|setViewPort: screen NULL",
                                                       "S3DDrawManager warning:|pViewPort NULL"}));
}

// What a user sees of degenerate faces and cameras (that nothing is drawn outside the picture
// is the fuzz target's).
TEST(S3DSceneRender, BadGeometryAndCamerasDrawNothingOutsideThePicture) {
  const std::vector<Vec3> visible{{-32, 16, 64}, {-32, -16, 64}, {32, -16, 64}};
  struct Row {
    const char* what;
    std::vector<Vec3> corners;
    std::function<void(S3DCamera&)> camera;
    int drawn;
  };
  const auto none = [](S3DCamera&) {};
  const std::vector<Row> rows{
      {"corners on a line", {{0, 0, 20}, {1, 1, 20}, {2, 2, 20}}, none, 0},
      // No direction: the view is the identity, as for the default target along +z.
      {"camera at its target", visible, [](S3DCamera& c) { c.m_target.setPosition({}); }, 120},
      {"far nearer than near", visible, [](S3DCamera& c) { c.setFarClip(1.0f); }, 120},
      {"fov 0", visible, [](S3DCamera& c) { c.setFov(0.0f); }, 0},
  };
  for (const Row& row : rows) {
    // Two-sided, so that a face flagged back by overflow still goes through the clipper.
    OneTriangle scene(row.corners, 1);
    row.camera(scene.stage.scene().m_cameras[0]);
    scene.stage.frame();
    EXPECT_EQ(scene.stage.screen.count(kBackground), row.drawn) << row.what;
    EXPECT_TRUE(scene.stage.screen.guardsIntact()) << row.what;
  }
}

// --- Span choice: one table per drawer, each row (shading type, blend mode, opacity, texture
// option, tiled copy, map combination k) with the member the drawer's selection table names; one
// row per member and per branch of the choice ---

template <class Kind>
struct Row {
  SpanChoice choice;
  Kind kind;
};

SpanChoice c(int32_t shadingType, int32_t blendMode, float opacity, int32_t textureOption = 0,
             bool tiled = false, int32_t combination = 0) {
  return {shadingType, blendMode, opacity, textureOption, tiled, combination};
}

template <class Kind, class Choose>
void expectTable(const std::vector<Row<Kind>>& rows, Choose choose) {
  for (std::size_t i = 0; i < rows.size(); ++i)
    EXPECT_EQ(choose(rows[i].choice), rows[i].kind)
        << "row " << i << ": shading " << rows[i].choice.shadingType << ", blend "
        << rows[i].choice.blendMode << ", opacity " << rows[i].choice.opacity << ", option "
        << rows[i].choice.textureOption << ", tiled " << rows[i].choice.tiled << ", k "
        << rows[i].choice.combination;
}

TEST(S3DSpanChoice, Flat) {
  using K = FlatSpanKind;
  expectTable<K>({{c(0, 0, 1.0f), K::kReplace},
                  {c(0, 0, 0.5f), K::kAverage},
                  {c(0, 0, 0.999f), K::kAlpha},
                  {c(20, 0, 1.0f), K::kAlpha},
                  {c(0, 3, 1.0f), K::kSub},
                  {c(20, 3, 1.0f), K::kSubScaled},
                  {c(0, 1, 1.0f), K::kAdd},
                  {c(0, 2, 0.3f), K::kAdd},
                  {c(20, 7, 0.5f), K::kAddScaled}},
                 chooseFlatSpan);
}

TEST(S3DSpanChoice, Gouraud) {
  using K = GouraudSpanKind;
  expectTable<K>({{c(0, 0, 1.0f), K::kReplace},
                  {c(0, 0, 0.5f), K::kAverage},
                  {c(1000, 0, 0.25f), K::kAlpha},
                  {c(20, 0, 1.0f), K::kAlphaByLevel},
                  {c(0, 3, 0.5f), K::kSub},
                  {c(20, 3, 1.0f), K::kSubScaledByLevel},
                  {c(0, 1, 1.0f), K::kAdd},
                  {c(20, 1, 1.0f), K::kAddScaledByLevel}},
                 chooseGouraudSpan);
}

TEST(S3DSpanChoice, VertexAlpha) {
  using K = VertexAlphaSpanKind;
  expectTable<K>({{c(0, 0, 1.0f), K::kAlphaByVertexAlpha},
                  {c(0, 3, 1.0f), K::kSubScaledByVertexAlpha},
                  {c(100, 2, 0.5f), K::kAddScaledByVertexAlpha}},
                 chooseVertexAlphaSpan);
}

TEST(S3DSpanChoice, Texture) {
  using K = TextureSpanKind;
  // Fetch: bilinear with a texture option, else tiled with a tiled copy, else point.
  expectTable<K>({{c(200, 0, 1.0f), K::kPointReplace},
                  {c(200, 0, 0.5f), K::kPointAverage},
                  {c(200, 0, 0.7f), K::kPointAlpha},
                  {c(200, 0, 1.0f, 0, true), K::kTiledReplace},
                  {c(200, 0, 1.0f, 1, true), K::kBilinearReplace},
                  {c(200, 0, 0.2f, 2, false), K::kBilinearAlpha},
                  {c(200, 1, 1.0f), K::kPointAdd},
                  {c(200, 1, 0.5f, 0, true), K::kTiledAddScaled},
                  {c(200, 2, 1.0f, 1), K::kBilinearAdd},
                  {c(200, 2, 0.2f, 1), K::kBilinearAddScaled},
                  {c(200, 3, 0.5f, 1, true), K::kSubtractive}},
                 chooseTextureSpan);
}

TEST(S3DSpanChoice, Perspective) {
  using K = PerspectiveSpanKind;
  // Point without the texture option (a tiled copy is not used), bilinear with it.
  expectTable<K>({{c(201, 0, 1.0f), K::kPointReplace},
                  {c(201, 0, 1.0f, 0, true), K::kPointReplace},
                  {c(201, 0, 0.5f), K::kPointAverage},
                  {c(201, 0, 0.25f), K::kPointAlpha},
                  {c(201, 3, 1.0f), K::kPointSub},
                  {c(201, 3, 0.5f), K::kPointSubScaled},
                  {c(201, 1, 1.0f), K::kPointAdd},
                  {c(201, 1, 0.5f), K::kPointAddScaled},
                  {c(201, 0, 1.0f, 5), K::kBilinearReplace},
                  {c(201, 3, 1.0f, 1), K::kBilinearSub},
                  {c(201, 4, 1.0f, 1), K::kBilinearAdd},
                  {c(201, 4, 0.6f, 1), K::kBilinearAddScaled}},
                 choosePerspectiveSpan);
}

TEST(S3DSpanChoice, TexShade) {
  using K = TexShadeSpanKind;
  // c(shading, blend, opacity, texture option, tiled, k).
  expectTable<K>(
      {// Shading 3: the texel weighs the table colour.
       {c(3, 1, 1.0f, 1, true), K::kPointAddScaledByT},
       {c(3, 3, 1.0f, 1, true), K::kPointSubScaledByT},
       {c(3, 0, 0.5f, 1, true), K::kBilinearTextureAsAlphaSwapped},
       {c(3, 1, 1.0f, 0, true), K::kTiledAddScaledByT},
       {c(3, 1, 1.0f, 0, false), K::kPointAddScaledByT},
       {c(3, 3, 1.0f, 0, true), K::kTiledSubScaledByT},
       {c(3, 0, 1.0f, 0, true), K::kTiledTextureAsAlpha},
       {c(3, 2, 1.0f, 0, false), K::kPointTextureAsAlpha},
       // Shading 2: keyed, whatever the texture option.
       {c(2, 1, 1.0f, 1, true), K::kTiledKeyedAdd},
       {c(2, 1, 0.5f, 0, false), K::kPointKeyedAdd},
       {c(2, 3, 1.0f, 0, true), K::kTiledKeyedSub},
       {c(2, 3, 1.0f, 1, false), K::kPointKeyedSub},
       {c(2, 0, 0.5f, 0, true), K::kPointKeyedAverage},
       {c(2, 0, 0.3f, 0, true), K::kPointKeyedAlpha},
       {c(2, 0, 1.0f, 1, true), K::kTiledKeyedReplace},
       {c(2, 0, 1.0f, 0, false), K::kPointKeyedReplace},
       // Other shading types, filtered.
       {c(1, 1, 1.0f, 1, false, 0), K::kBilinearTMinusCAdd},
       {c(1, 1, 1.0f, 1, false, 3), K::kBilinearCMinusTAdd},
       {c(1, 3, 1.0f, 1, true, 2), K::kBilinearTMinusCSub},
       {c(1, 0, 0.5f, 1, false, 1), K::kBilinearTMinusCAverage},
       {c(1, 0, 1.0f, 1, true, 0), K::kBilinearTMinusCReplace},
       {c(1, 2, 0.4f, 1, false, 0), K::kBilinearTMinusCAlpha},
       // Other shading types, unfiltered, additive.
       {c(1, 1, 1.0f, 0, true, 0), K::kTiledTMinusCAdd},
       {c(1, 1, 1.0f, 0, false, 0), K::kPointTMinusCAdd},
       {c(1, 1, 1.0f, 0, true, 1), K::kPointTPlusCAdd},
       {c(1, 1, 1.0f, 0, true, 2), K::kPointCMinusTAdd},
       // ... subtractive.
       {c(1, 3, 1.0f, 0, true, 0), K::kTiledTMinusCSub},
       {c(1, 3, 1.0f, 0, false, 0), K::kPointTMinusCSub},
       {c(1, 3, 1.0f, 0, true, 1), K::kPointTPlusCSub},
       // ... other blend modes.
       {c(1, 0, 0.5f, 0, true, 1), K::kPointTPlusCReplace},
       {c(1, 2, 1.0f, 0, false, 2), K::kPointCMinusTReplace},
       {c(1, 0, 0.5f, 0, true, 0), K::kPointTMinusCAverage},
       {c(1, 0, 0.8f, 0, true, 0), K::kPointTMinusCAlpha},
       {c(1, 0, 1.0f, 0, true, 0), K::kTiledTMinusCReplace},
       {c(1, 0, 1.0f, 0, false, 0), K::kPointTMinusCReplace}},
      chooseTexShadeSpan);
}

TEST(S3DSpanChoice, TexColor) {
  using K = TexColorSpanKind;
  expectTable<K>(
      {// 103: the texel weighs the colour k.
       {c(103, 1, 1.0f), K::kPointAddScaledByT},
       {c(103, 1, 0.5f, 1), K::kBilinearAddScaledByT},
       {c(103, 3, 1.0f), K::kPointSubScaledByT},
       {c(103, 3, 1.0f, 1), K::kBilinearSubScaledByT},
       {c(103, 0, 0.5f), K::kPointTextureAsAlpha},
       {c(103, 2, 1.0f, 1), K::kBilinearTextureAsAlpha},
       // 102: keyed, point fetch whatever the texture option.
       {c(102, 1, 1.0f, 1), K::kPointKeyedAdd},
       {c(102, 3, 0.5f, 1), K::kPointKeyedSub},
       {c(102, 0, 0.5f, 1), K::kPointKeyedAverage},
       {c(102, 0, 1.0f), K::kPointKeyedReplace},
       {c(102, 2, 0.6f), K::kPointKeyedAlpha},
       // 101 and any other: t - k.
       {c(101, 1, 1.0f), K::kPointTMinusKAdd},
       {c(101, 1, 0.5f, 1), K::kBilinearTMinusKAdd},
       {c(101, 3, 1.0f), K::kPointTMinusKSub},
       {c(0, 3, 1.0f, 1), K::kBilinearTMinusKSub},
       {c(101, 0, 0.5f), K::kPointTMinusKAverage},
       {c(101, 0, 1.0f), K::kPointTMinusKReplace},
       {c(101, 2, 0.3f), K::kPointTMinusKAlpha},
       {c(104, 0, 0.5f, 1), K::kBilinearTMinusKAverage},
       {c(101, 0, 1.0f, 1), K::kBilinearTMinusKReplace},
       {c(101, 7, 0.3f, 1), K::kBilinearTMinusKAlpha}},
      chooseTexColorSpan);
}

}  // namespace
