// Small scenes rendered through the whole frame (transform, lighting, passes, clipping, drawers)
// and compared byte for byte with the pictures in tests/s3d/golden/ (their R, G and B bytes).
// Beside each scene, a few pixels worked out by hand from the scene data: the background, colours
// of the shading table at known levels, and pixels that geometry must cover or leave alone, so a
// picture rewritten from faulty code still fails.
//
// All screens are 128 x 64 with the camera at the origin looking along +z, fov pi/2: scaleX =
// scaleY = 64, centre (64, 32); a camera-space point (x, y, z) lands at x' = 64 + 64 x / z,
// y' = 32 - 64 y / z. Shading tables run from the dark colour (level 0) through the base colour
// (level 191) to the highlight (level 255).
//
// SHOWPLAYER_UPDATE_GOLDEN=1 rewrites the pictures from the current code; look at them before
// keeping them.

#include <gtest/gtest.h>

#include <cmath>
#include <ostream>
#include <string>
#include <vector>

#include "tests/s3d/s3d_render_util.h"
#include "tests/support/golden_png.h"

namespace {

using namespace s3d_render;

constexpr int32_t kWidth = 128;
constexpr int32_t kHeight = 64;
const std::string kGoldenFolder = SHOWPLAYER_SOURCE_DIR "/tests/s3d/golden/";

struct WorkedPixel {
  int32_t x, y;
  uint32_t rgb;
  // True: the pixel must differ from `rgb` (covered by something whose colour is not worked out).
  bool differs = false;
};

// Quad corners c0..c3 as two triangles (c0, c1, c2), (c0, c2, c3), wound so that seen from the
// `outside` direction the face is a front face: p0 · ((p1 - p0) × (p2 - p0)) > 0 seen from a point
// outside, that is (p1 - p0) × (p2 - p0) pointing inwards.
void addQuad(std::vector<Vec3>& vertices, std::vector<Face>& faces, const Vec3 (&c)[4],
             Vec3 outside) {
  const auto base = static_cast<uint16_t>(vertices.size());
  const bool reversed = dot(cross(c[1] - c[0], c[2] - c[0]), outside) > 0.0f;
  for (int i = 0; i < 4; ++i)
    vertices.push_back(c[reversed ? 3 - i : i]);
  faces.push_back({base, static_cast<uint16_t>(base + 1), static_cast<uint16_t>(base + 2)});
  faces.push_back({base, static_cast<uint16_t>(base + 2), static_cast<uint16_t>(base + 3)});
}

// A cube of half-size s around the origin, 24 vertices so that each face is lit by its own normal.
void cube(float s, std::vector<Vec3>& vertices, std::vector<Face>& faces) {
  for (int axis = 0; axis < 3; ++axis) {
    for (const float side : {-s, s}) {
      Vec3 c[4];
      const float u[4] = {-s, s, s, -s}, v[4] = {-s, -s, s, s};
      for (int i = 0; i < 4; ++i) {
        const float p[3] = {axis == 0 ? side : u[i], axis == 1 ? side : (axis == 0 ? u[i] : v[i]),
                            axis == 2 ? side : v[i]};
        c[i] = {p[0], p[1], p[2]};
      }
      Vec3 outside{};
      (axis == 0 ? outside.x : axis == 1 ? outside.y : outside.z) = side;
      addQuad(vertices, faces, c, outside);
    }
  }
}

// --- A lit sphere: Gouraud, one omni light to the right -----------------------------------------

void litSphere(Stage& stage) {
  S3DScene& scene = stage.scene();
  addCamera(scene);
  scene.m_lights.resize(1);
  S3DLight& light = scene.m_lights[0];
  light.setPosition({80, 30, 60});
  // Intensity 4 and no fading within 500: every vertex within acos(1/4) = 75.5 degrees of the
  // light is at 1.
  light.m_intensity = 4.0f;
  light.m_nearAttenuation = 500.0f;
  light.m_farAttenuation = 1000.0f;
  scene.m_materials.resize(1);
  S3DSubMaterial& sub = scene.m_materials[0].m_subMaterials.emplace_back();
  setColors(sub, {0, 0, 51}, {153, 51, 51}, {255, 204, 102});
  // Radius 20 around (0, 0, 60): 16 bands of latitude (11.25 degrees), 24 of longitude (15
  // degrees), one vertex per pole; the corners of a triangle lie within 18.75 degrees of any
  // point of it.
  constexpr int kBands = 16, kSegments = 24;
  const Vec3 centre{0, 0, 60};
  std::vector<Vec3> vertices{centre + Vec3{0, 20, 0}};
  for (int band = 1; band < kBands; ++band) {
    const float theta = kPi * static_cast<float>(band) / kBands;
    for (int segment = 0; segment < kSegments; ++segment) {
      const float phi = 2.0f * kPi * static_cast<float>(segment) / kSegments;
      vertices.push_back(centre + Vec3{20 * std::sin(theta) * std::cos(phi), 20 * std::cos(theta),
                                       20 * std::sin(theta) * std::sin(phi)});
    }
  }
  vertices.push_back(centre - Vec3{0, 20, 0});
  const auto ring = [](int band, int segment) {
    return static_cast<uint16_t>(1 + (band - 1) * kSegments + segment % kSegments);
  };
  const auto bottom = static_cast<uint16_t>(vertices.size() - 1);
  std::vector<Face> faces;
  // Each triangle wound to face outwards (see addQuad).
  const auto add = [&](uint16_t a, uint16_t b, uint16_t c) {
    const Vec3 outside = vertices[a] + vertices[b] + vertices[c] - centre * 3.0f;
    if (dot(cross(vertices[b] - vertices[a], vertices[c] - vertices[a]), outside) > 0.0f)
      std::swap(b, c);
    faces.push_back({a, b, c});
  };
  for (int s = 0; s < kSegments; ++s) {
    add(0, ring(1, s), ring(1, s + 1));
    add(bottom, ring(kBands - 1, s), ring(kBands - 1, s + 1));
    for (int band = 1; band + 1 < kBands; ++band) {
      add(ring(band, s), ring(band + 1, s), ring(band + 1, s + 1));
      add(ring(band, s), ring(band + 1, s + 1), ring(band, s + 1));
    }
  }
  scene.m_triObjects.resize(1);
  S3DTriObject& mesh = scene.m_triObjects[0];
  mesh.m_lights = {&light};
  setMesh(mesh, std::move(vertices), faces, &scene.m_materials[0]);
}

// The silhouette's radius: 64 · 20 / sqrt(60² - 20²) = 22.6 pixels around (64, 32). The light's
// direction from the centre: l = (80, 30, 0) / 85.4 = (0.937, 0.351, 0).
const std::vector<WorkedPixel> kLitSpherePixels = {
    {2, 2, 0x102030u},    // background
    {94, 32, 0x102030u},  // 30 pixels right of the centre
    {64, 57, 0x102030u},  // 25 pixels below it
    // The ray of (84, 32), (20 / 64, 0, 1), meets the sphere at (14.4, 0, 46.1), direction
    // (0.72, 0, -0.69): 47.5 degrees from l, so every corner around it is within 66.3 degrees:
    // light 1, level 255, the highlight FFCC66.
    {84, 32, 0xFFCC66u},
    // (47, 32): the point (-11.6, 0, 43.7), direction (-0.58, 0, -0.81), 123 degrees from l,
    // every corner beyond 104: light 0.001, level 0.255, the dark colour 000033.
    {47, 32, 0x000033u},
};

// --- Two cubes under a dummy turned a quarter about z: flat shading by the head-light -----------

void cubeHierarchy(Stage& stage) {
  S3DScene& scene = stage.scene();
  addCamera(scene);
  scene.m_materials.resize(2);
  setColors(scene.m_materials[0].m_subMaterials.emplace_back(), {0, 0, 40}, {40, 80, 200},
            {255, 255, 255});
  setColors(scene.m_materials[1].m_subMaterials.emplace_back(), {40, 0, 0}, {200, 90, 20},
            {255, 240, 160});
  for (S3DMaterial& material : scene.m_materials)
    material.m_subMaterials[0].m_shadingType = S3DSubMaterial::kShadingFlat;
  scene.m_dummies.resize(1);
  S3DDummy& holder = scene.m_dummies[0];
  holder.setPosition({0, 0, 80});
  holder.setRotation(quaternionFromAngleAxis(kPi / 2, {0, 0, 1}));
  std::vector<Vec3> vertices;
  std::vector<Face> faces;
  cube(8, vertices, faces);
  scene.m_triObjects.resize(2);
  S3DTriObject& plain = scene.m_triObjects[0];
  S3DTriObject& turned = scene.m_triObjects[1];
  plain.setPosition({20, 0, 0});
  turned.setPosition({-20, 0, 0});
  turned.setRotation(quaternionFromAngleAxis(0.9f, {0.6f, 0.8f, 0}));
  setMesh(plain, vertices, faces, &scene.m_materials[0]);
  setMesh(turned, vertices, faces, &scene.m_materials[1]);
  for (S3DTriObject* pMesh : {&plain, &turned}) {
    pMesh->m_pParent = &holder;
    scene.m_links.push_back(pMesh);
  }
}

// The quarter turn sends local (x, y, z) to (y, -x, z): the plain cube's centre (20, 0, 0) goes
// to (0, -20, 80), below the centre of the screen, the turned one above it.
// The plain cube's front face lies at z = 72 with corners x = +-8, y = -12 (top, y' = 42.7) and
// y = -28 (bottom, y' = 56.9); its local corners (-8, -8), (8, -8), (8, 8), (-8, 8) make the
// triangles (TL, BL, BR) and (TL, BR, TR). Head-light n · p / |p| with n = (0, 0, 1): 72 / 73.430
// = 0.980526 at the top corners, 72 / 77.666 = 0.927048 at the bottom ones. Flat levels (sum of
// three) · 84.9915: upper right 2.888100 -> 245.46 -> 245, lower left 2.834622 -> 240.92 -> 241.
// Table above 191: base + (highlight - base) (i - 191) / 64: 245 -> 40 + 215 · 54/64 = 221.4,
// 80 + 175 · 54/64 = 227.7, 200 + 55 · 54/64 = 246.4; 241 -> 208.0, 216.7, 243.0.
const std::vector<WorkedPixel> kCubeHierarchyPixels = {
    {2, 2, 0x000000u},    // background
    {80, 32, 0x000000u},  // where the cubes would be without their parent's turn
    {48, 32, 0x000000u},       {68, 45, 0xDDE4F6u},  // front face, upper-right triangle: level 245
    {59, 54, 0xD0D9F3u},                             // front face, lower-left triangle: level 241
    {64, 16, 0x000000u, true},  // the turned cube's centre (0, 20, 80) -> (64, 16): covered
};

// --- Overlapping transparent meshes, sorted farthest first --------------------------------------

// A flat quad of one colour: corners (x0, y0), (x1, y0), (x1, y1), (x0, y1) at depth z.
l3x::Bytes quadMesh(const char* name, uint16_t material, float x0, float x1, float y0, float y1,
                    float z, int32_t sorted) {
  std::vector<Vec3> vertices;
  std::vector<Face> faces;
  addQuad(vertices, faces, {{x0, y0, z}, {x1, y0, z}, {x1, y1, z}, {x0, y1, z}}, {0, 0, -1});
  return meshRecord({.name = name}, material, vertices, faces, {}, sorted);
}

// blendMode 0 normal, 1 additive.
l3x::Bytes flatMaterial(const char* name, Vec3 colour, float opacity, int32_t blendMode) {
  using namespace l3x;
  return material(
      name,
      {subMaterial("sub", {drawing({intChunk(12, 100), intChunk(13, blendMode),
                                    floatChunk(14, opacity), pointChunk(17, xyz(colour)),
                                    pointChunk(18, xyz(colour)), pointChunk(19, xyz(colour))})})});
}

std::unique_ptr<S3DScene> sortedTransparentScene() {
  using namespace l3x;
  // Screen rectangles: wall [8, 120) x [4, 60) at z 100; red [24, 72) x [12, 44) at z 80;
  // green [48, 96) x [20, 52) at z 60; blue [40, 80) x [8, 36) at z 40; yellow [56, 64) x
  // [24, 40) at z 30. Red and blue average (opacity 0.5), green adds; all three sorted and
  // stored nearest first, so mesh order would draw them the wrong way round.
  return loadScene(sceneFile({materials({flatMaterial("wall", {64, 64, 64}, 1.0f, 0),
                                         flatMaterial("red", {240, 16, 16}, 0.5f, 0),
                                         flatMaterial("green", {0, 96, 0}, 1.0f, 1),
                                         flatMaterial("blue", {16, 16, 240}, 0.5f, 0),
                                         flatMaterial("yellow", {240, 240, 0}, 1.0f, 0)}),
                              meshes({quadMesh("blue", 3, -15, 10, -2.5f, 15, 40, 1),
                                      quadMesh("green", 2, -15, 30, -18.75f, 11.25f, 60, 1),
                                      quadMesh("red", 1, -50, 10, -15, 25, 80, 1),
                                      quadMesh("wall", 0, -87.5f, 87.5f, -43.75f, 43.75f, 100, 1),
                                      quadMesh("yellow", 4, -3.75f, 0, -3.75f, 3.75f, 30, 1)}),
                              cameras({cameraRecord()})}));
}

void sortedTransparent(Stage&) {}

// Wall (64, 64, 64) drawn first (opaque); then red avg, green add, blue avg per channel.
const std::vector<WorkedPixel> kSortedTransparentPixels = {
    {2, 2, 0x102030u},    // background
    {10, 50, 0x404040u},  // wall alone
    // Red only: ((64 + 240) >> 1, (64 + 16) >> 1, (64 + 16) >> 1) = (152, 40, 40).
    {30, 15, 0x982828u},
    // All three: (152, 40, 40) + green (0, 96, 0) = (152, 136, 40); averaged with blue:
    // ((152 + 16) >> 1, (136 + 16) >> 1, (40 + 240) >> 1) = (84, 76, 140). Mesh order (blue,
    // green, red) would give (140, 76, 84).
    {50, 30, 0x544C8Cu},
    // Green and blue: (64, 160, 64) then ((64 + 16) >> 1, (160 + 16) >> 1, (64 + 240) >> 1).
    {76, 30, 0x285898u},
    // The opaque yellow quad in front hides everything behind it.
    {60, 30, 0xF0F000u},
};

// --- A floor crossing the near plane: a lit checker of two sub-materials ------------------------

// Floor corners: x from -160 to 160 in steps of 20; z at -40, then from 40 to 400 in steps of 20,
// so the first row of tiles (z -40 to 40) crosses the near plane (10) in view.
constexpr int kTilesX = 16, kTileRows = 19;
float floorZ(int row) {
  return row == 0 ? -40.0f : 20.0f + 20.0f * static_cast<float>(row);
}

void clippedFloor(Stage& stage) {
  S3DScene& scene = stage.scene();
  addCamera(scene);
  scene.m_lights.resize(1);
  S3DLight& light = scene.m_lights[0];
  light.setPosition({0, 20, 60});
  light.m_intensity = 2.0f;
  light.m_nearAttenuation = 40.0f;
  light.m_farAttenuation = 130.0f;
  scene.m_materials.resize(1);
  S3DMaterial& material = scene.m_materials[0];
  material.m_subMaterials.resize(2);
  setColors(material.m_subMaterials[0], {10, 20, 60}, {40, 120, 220}, {230, 240, 255});
  setColors(material.m_subMaterials[1], {60, 20, 10}, {220, 110, 30}, {255, 250, 200});
  std::vector<Vec3> vertices;
  for (int row = 0; row <= kTileRows; ++row)
    for (int ix = 0; ix <= kTilesX; ++ix)
      vertices.push_back({-160.0f + 20.0f * static_cast<float>(ix), -10.0f, floorZ(row)});
  std::vector<Face> faces;
  std::vector<uint16_t> words;
  const auto at = [](int ix, int row) { return static_cast<uint16_t>(row * (kTilesX + 1) + ix); };
  for (int row = 0; row < kTileRows; ++row) {
    for (int ix = 0; ix < kTilesX; ++ix) {
      // Seen from above, (x0, z0), (x1, z0), (x1, z1) has (p1 - p0) × (p2 - p0) pointing down.
      faces.push_back({at(ix, row), at(ix + 1, row), at(ix + 1, row + 1)});
      faces.push_back({at(ix, row), at(ix + 1, row + 1), at(ix, row + 1)});
      const auto word = static_cast<uint16_t>((ix + row) % 2);
      words.insert(words.end(), {word, word});
    }
  }
  scene.m_triObjects.resize(1);
  S3DTriObject& floor = scene.m_triObjects[0];
  floor.m_lights = {&light};
  setMesh(floor, std::move(vertices), faces, &material, words);
}

// The floor point under pixel (x', y') lies at z = 64 · 10 / (y' - 32), x = (x' - 64) z / 64; its
// sub-material is the parity of its tile's column plus row. The light (0, 20, 60) sees a corner at
// horizontal distance r from (0, 60) at d = sqrt(900 + r²): 2 · (30 / d) · fade, fade = 1 below
// d = 40, then 1 - (d - 40) / 90; it is >= 1 for r <= 40 (1.07 at r = 40) and 0 from d = 130,
// r = 126.5, on.
const std::vector<WorkedPixel> kClippedFloorPixels = {
    {64, 20, 0x000000u},  // above the horizon (the far edge z = 400 is at y' = 33.6)
    {10, 35, 0x000000u},  // row 35 (z = 213) spans x' 16..112 only
    // (66, 43): z = 58.2, x = 1.8: tile column 8, row 1 (z 40..60), sub-material 1; corners at
    // r = 20, 28.3, 0, 20: level 255, the highlight.
    {66, 43, 0xFFFAC8u},
    {61, 43, 0xE6F0FFu},  // x = -2.7: column 7, sub-material 0, the same corners mirrored
    // (66, 35): z = 213.3, x = 6.7: column 8, row 9 (z 200..220), sub-material 1; every corner at
    // r >= 140: light 0.001, level 0, the dark colour.
    {66, 35, 0x3C140Au},
    // The bottom row (z = 20.6) is in the first row of tiles, drawn clipped.
    {64, 63, 0x000000u, true},
};

// --- Comparison ----------------------------------------------------------------------------------

struct GoldenCase {
  const char* name;
  void (*build)(Stage&);
  std::unique_ptr<S3DScene> (*load)();
  uint32_t background;
  const std::vector<WorkedPixel>& worked;
};

void PrintTo(const GoldenCase& c, std::ostream* os) {
  *os << c.name;
}

class S3DGolden : public ::testing::TestWithParam<GoldenCase> {};

TEST_P(S3DGolden, MatchesThePicture) {
  const GoldenCase& c = GetParam();
  Stage stage(kWidth, kHeight, c.background, c.load ? c.load() : nullptr);
  c.build(stage);
  stage.bindAndFrame();
  EXPECT_TRUE(stage.screen.guardsIntact());
  for (const WorkedPixel& p : c.worked) {
    if (p.differs)
      EXPECT_NE(stage.screen.pixel(p.x, p.y), p.rgb) << c.name << " pixel " << p.x << "," << p.y;
    else
      EXPECT_EQ(stage.screen.pixel(p.x, p.y), p.rgb) << c.name << " pixel " << p.x << "," << p.y;
  }
  const std::vector<uint8_t> rgb = stage.screen.rgb();
  expectGoldenRgb(kGoldenFolder + c.name + ".png", kWidth, kHeight, rgb);
}

INSTANTIATE_TEST_SUITE_P(
    Scenes, S3DGolden,
    ::testing::Values(
        GoldenCase{"s3d_lit_sphere", litSphere, nullptr, 0x102030u, kLitSpherePixels},
        GoldenCase{"s3d_cube_hierarchy", cubeHierarchy, nullptr, 0x000000u, kCubeHierarchyPixels},
        GoldenCase{"s3d_sorted_transparent", sortedTransparent, sortedTransparentScene, 0x102030u,
                   kSortedTransparentPixels},
        GoldenCase{"s3d_clipped_floor", clippedFloor, nullptr, 0x000000u, kClippedFloorPixels}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
