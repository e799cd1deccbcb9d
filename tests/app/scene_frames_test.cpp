// 3D scenes drawn into the band by a 3D_DESC and rendered by `showplayer render`, each kept as a
// golden picture with pixels worked out by hand beside it: a modifier stack, a skinned arm and a
// morphing face, lines, sprites and particles, picture and video textures, and a camera flown by
// a scene controller's formulas.
//
// Every scene's camera stands at (0, 0, -256) looking along +z, fov pi/2, over the 512 x 256 band:
// (X, Y, Z) lands at x = 256 + 256 X / (256 + Z), y = 128 - 256 Y / (256 + Z). 2000 ms at 30
// frames a second from 0 is frame 60.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tests/app/app_test_util.h"
#include "tests/fx/video_writer.h"
#include "tests/s3d/l3x_bytes.h"
#include "tests/support/controller_files.h"
#include "tests/support/picture_files.h"
#include "tests/support/white_quad_scene.h"

namespace {

using namespace l3x;

constexpr float kPi = 3.14159265f;
constexpr std::uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kWhite = 0xFFFFFF;

// The scene file of `children` after the frame count and the camera, whose target has no position
// unless one is given.
std::string bandScene(std::vector<Bytes> children, std::uint16_t nbFrame = 90,
                      std::optional<Xyz> target = std::nullopt) {
  children.insert(children.begin(),
                  {wordChunk(50, nbFrame),
                   cameras({camera({.head = {.name = "cam", .position = Xyz{0, 0, -256}},
                                    .target = Head{.name = "at", .position = target}})})});
  const Bytes file = sceneFile(children);
  return std::string(file.begin(), file.end());
}

// A sub-material of one flat colour (the same at the three ramp places) after `first` (the
// sidedness) and before `more` (lines).
Bytes flat(std::string_view name, Xyz colour, std::vector<Bytes> first = {},
           std::vector<Bytes> more = {}) {
  first.insert(first.end(), {intChunk(12, 100), pointChunk(17, colour), pointChunk(18, colour),
                             pointChunk(19, colour)});
  more.insert(more.begin(), drawing(std::move(first)));
  return subMaterial(name, std::move(more));
}

// The faces of a tube of `nbRing` rings of `sides` points (ring r's point k is r * sides + k):
// between two rings two triangles a side, each turning clockwise seen from outside.
std::vector<Triple> tubeFaces(int nbRing, int sides) {
  std::vector<Triple> triangles;
  for (int ring = 0; ring + 1 < nbRing; ++ring)
    for (int k = 0; k < sides; ++k) {
      const auto a = static_cast<std::uint16_t>(ring * sides + k);
      const auto b = static_cast<std::uint16_t>(ring * sides + (k + 1) % sides);
      const auto c = static_cast<std::uint16_t>(a + sides),
                 d = static_cast<std::uint16_t>(b + sides);
      triangles.push_back({a, b, c});
      triangles.push_back({b, d, c});
    }
  return triangles;
}

// A square column 16 wide (x, z in -8..8) from y = 0 to 96 in 12 storeys, its head at
// (-60, -50, 0), one-sided: the sides at z = -8 and z = 8 red, at x = 8 and x = -8 green, so the
// turn of the section shows. Twisted by a quarter turn, then bent by a quarter turn.
std::string twistedBentColumn() {
  constexpr int kStoreys = 12;
  const Xyz corners[4] = {{-8, 0, -8}, {8, 0, -8}, {8, 0, 8}, {-8, 0, 8}};
  std::vector<Xyz> points;
  for (int ring = 0; ring <= kStoreys; ++ring)
    for (const Xyz& c : corners)
      points.push_back({c.x, 8.0f * static_cast<float>(ring), c.z});
  // Side k runs from corner k to corner k + 1: sub-material k % 2.
  const std::vector<Triple> triangles = tubeFaces(kStoreys + 1, 4);
  std::vector<std::uint16_t> paint;
  for (int side = 0; side < 4 * kStoreys; ++side)
    paint.insert(paint.end(), 2, static_cast<std::uint16_t>(side % 2));
  const std::vector<Bytes> oneSided{intChunk(11, 0)};
  const float quarterTurn = 1.5707964f;
  const Bytes column =
      mesh({head({.name = "column", .position = Xyz{-60, -50, 0}}), materialIndex(0),
            geometry({vertices(points)}), faces({faceVertices(triangles), faceSubMaterials(paint)}),
            stack({modifier(7, {parameters({floatChunk(101, quarterTurn)})}),
                   modifier(3, {parameters({floatChunk(101, quarterTurn)})})}),
            namedChannels(2010, {{.name = "0"}, {.name = "1"}})});
  return bandScene({materials({material("paint", {flat("red", Xyz{1, 0, 0}, oneSided),
                                                  flat("green", Xyz{0, 1, 0}, oneSided)})}),
                    meshes({column})});
}

}  // namespace

TEST(ModifierFrames, ATwistedAndBentColumnMatchesItsGolden) {
  TempFolder folder;
  const std::optional<SceneBand> band =
      renderSceneBand(folder, twistedBentColumn(), 500, "modifier-column.png");
  // Worked by hand. Both modifiers measure the column's height of 96 (the twist keeps y and the
  // bend keeps z, so the side facing the camera (-z) at a height is the one the twist turns
  // there). Twist: t = y (pi/2) / 96 turns (x, z) to (z sin t + x cos t, z cos t - x sin t).
  // Bend: R = 96 / (pi/2) = 61.115; with b = pi - y / R, (x, y) goes to
  // ((1 + cos b) R - x cos b, R sin b - x sin b).
  ASSERT_TRUE(band);
  const auto at = [&](int x, int y) { return band->at(x, y); };
  // Foot (y near 0, t and bend nearly 0): the red side z = -8 spans world x -68..-52, screen
  // 256 - 68 * 256 / 248 = 185.8 .. 202.3; the green side x = 8 (world x = -52) is seen from the
  // camera's right, from z = -8 to 8: screen 202.3 .. 256 - 52 * 256 / 264 = 205.6.
  EXPECT_EQ(at(196, 175), kRed) << "the foot's front";
  EXPECT_EQ(at(204, 174), kGreen) << "the foot's right side";
  // Halfway (y = 48, t = pi/4) the red-green corner (8, -8) turns to (0, -11.31): the middle of
  // the section. Bend b = 3 pi / 4: the axis lands at ((1 - 0.7071) R, 0.7071 R) = (17.90, 43.21),
  // world (-42.10, -6.79, -11.31), scale 256 / 244.69 = 1.0462: screen (211.95, 135.1). The
  // section runs along (0.707, -0.707): red (x < 0) up-left of the corner, green down-right.
  EXPECT_EQ(at(206, 135), kRed) << "left of the corner halfway up";
  EXPECT_EQ(at(218, 135), kGreen) << "right of the corner halfway up";
  // Top: the axis (y = 96, b = pi/2) lands at object (61.1, 61.1), world (1.1, 11.1); the column
  // lies along +x there. Near it (y = 88.8) the twist is 83 degrees: the green side x = 8 faces
  // the camera (its normal (cos t, -sin t) in x, z), the red one only grazes it. Object
  // x' = 54 is reached at b = pi/2 + d, sin d = 0.116, where the section spans y' 52.7..68.7:
  // screen rows 109..125 at column 250.
  EXPECT_EQ(at(250, 117), kGreen) << "inside the bent top";
  EXPECT_EQ(at(250, 100), 0x000000u) << "above the bent top";
  EXPECT_EQ(at(262, 117), 0x000000u) << "past the tip";
  EXPECT_EQ(at(196, 90), 0x000000u) << "where the unbent column would stand";
}

namespace {

// The arm: a tube of radius 8 along x from -80 to 80, rings of 8 points (x, 8 cos a, 8 sin a).
// Bones: "shoulder" at (-80, 0, 0); "elbow", its child, 80 further on, turning about (0, 0, -1)
// from 0 at frame 0 to a quarter turn at frame 90 (about -z: (1, 0) goes to (cos, sin), up).
// Rings up to x = -24 follow the shoulder alone, rings from x = 24 the elbow alone; x = -8, 0, 8
// blend them 0.75 / 0.25, 0.5 / 0.5, 0.25 / 0.75. Mesh and elbow are bound where they stand at
// frame 0 (identity), the shoulder at T(-80, 0, 0).
std::string bendingArm() {
  const float rings[] = {-80, -48, -24, -8, 0, 8, 24, 48, 80};
  constexpr int kSides = 8;
  std::vector<Xyz> points;
  std::vector<std::vector<Weight>> weights;
  for (const float x : rings) {
    const float elbow = std::clamp((x + 16) / 32, 0.0f, 1.0f);
    for (int k = 0; k < kSides; ++k) {
      const float a = 2 * kPi * static_cast<float>(k) / kSides;
      points.push_back({x, 8 * std::cos(a), 8 * std::sin(a)});
      if (elbow == 0 || elbow == 1)
        weights.push_back({{1.0f, static_cast<std::uint16_t>(elbow)}});
      else
        weights.push_back({{1 - elbow, 0}, {elbow, 1}});
    }
  }
  const Bytes arm = mesh(
      {head({.name = "arm"}), materialIndex(0), geometry({vertices(points)}),
       faces({faceVertices(tubeFaces(static_cast<int>(std::size(rings)), kSides))}),
       stack({modifier(
           1, {skin(kIdentity12,
                    {{"shoulder", {1, 0, 0, 0, 1, 0, 0, 0, 1, -80, 0, 0}}, {"elbow", kIdentity12}},
                    weights)})}),
       namedChannels(2010, {{.name = "0"}})});
  const Xyz down{0, 0, -1};
  return bandScene({materials({material("skin", {flat("white", {1, 1, 1}, {intChunk(11, 1)})})}),
                    meshes({arm}),
                    dummies({dummy({.name = "shoulder", .position = Xyz{-80, 0, 0}}),
                             dummy({.name = "elbow",
                                    .parent = "shoulder",
                                    .position = Xyz{80, 0, 0},
                                    .rotationKeys = {{0, {0, down}}, {90, {kPi / 2, down}}}})})});
}

// The face: a disc of radius 96 at z = 0, 12 rings of 24 points (ring k at radius 8k, point j at
// angle 15j degrees) around a centre: 289 vertices. The mouth, red, is the band between rings 7
// and 9 from 240 to 300 degrees. Target "open" pulls rings 1 to 7 at 255, 270 and 285 degrees to
// 0.6 of their radius; target "puff" widens every point: x (1 + 0.25 (1 - (y / 96)^2)). Weight
// keys: open 0 to 0.75, puff 0 to 0.9 over frames 0 to 90, so 0.5 and 0.6 at frame 60.
std::string morphingFace() {
  constexpr int kRings = 12, kSpokes = 24;
  const auto at = [](int ring, int spoke) {
    return static_cast<std::uint16_t>(ring == 0 ? 0 : 1 + (ring - 1) * kSpokes + spoke % kSpokes);
  };
  std::vector<Xyz> face{{0, 0, 0}}, open{{0, 0, 0}}, puff{{0, 0, 0}};
  for (int ring = 1; ring <= kRings; ++ring)
    for (int spoke = 0; spoke < kSpokes; ++spoke) {
      const float a = 2 * kPi * static_cast<float>(spoke) / kSpokes;
      const float r = 8.0f * static_cast<float>(ring);
      const Xyz p{r * std::cos(a), r * std::sin(a), 0};
      face.push_back(p);
      const bool lip = ring <= 7 && spoke >= 17 && spoke <= 19;
      open.push_back(lip ? Xyz{0.6f * p.x, 0.6f * p.y, 0} : p);
      puff.push_back({p.x * (1 + 0.25f * (1 - (p.y / 96) * (p.y / 96))), p.y, 0});
    }
  std::vector<Triple> triangles;
  std::vector<std::uint16_t> paint;
  for (int ring = 0; ring < kRings; ++ring)
    for (int spoke = 0; spoke < kSpokes; ++spoke) {
      const bool mouth = (ring == 7 || ring == 8) && spoke >= 16 && spoke <= 19;
      triangles.push_back({at(ring, spoke), at(ring + 1, spoke), at(ring + 1, spoke + 1)});
      paint.push_back(mouth ? 1 : 0);
      if (ring == 0) continue;
      triangles.push_back({at(ring, spoke), at(ring + 1, spoke + 1), at(ring, spoke + 1)});
      paint.push_back(mouth ? 1 : 0);
    }
  const auto target = [&](std::string name, const std::vector<Xyz>& points) {
    return mesh({head({.name = std::move(name)}), materialIndex(0), geometry({vertices(points)}),
                 faces({faceVertices(triangles)})});
  };
  const Bytes head_ =
      mesh({head({.name = "face"}), materialIndex(0), geometry({vertices(face)}),
            faces({faceVertices(triangles), faceSubMaterials(paint)}),
            stack({modifier(2, {morph({{.name = "open", .weightKeys = {{0, 0}, {90, 0.75f}}},
                                       {.name = "puff", .weightKeys = {{0, 0}, {90, 0.9f}}}})})}),
            namedChannels(2010, {{.name = "0"}})});
  return bandScene({materials({material("paint", {flat("yellow", {1, 1, 0}, {intChunk(11, 1)}),
                                                  flat("red", {1, 0, 0}, {intChunk(11, 1)})})}),
                    meshes({head_, target("open", open), target("puff", puff)})});
}

}  // namespace

TEST(SkinMorphFrames, AnArmBendsAtItsSkinnedElbow) {
  TempFolder folder;
  const std::optional<SceneBand> band = renderSceneBand(folder, bendingArm(), 2000, "skin-arm.png");
  ASSERT_TRUE(band);
  const auto at = [&](int x, int y) { return band->at(x, y); };
  // Worked by hand. At frame 60 the elbow has turned 60 degrees (c = 0.5, s = 0.866); its world
  // matrix is R(60) T(80, 0, 0) T(-80, 0, 0) = R(60) and its bind the identity, so forearm points
  // turn about the origin: (x, y) -> (0.5 x - 0.866 y, 0.866 x + 0.5 y). The shoulder's skin
  // matrix is T(-80)^-1 T(-80): the upper arm stays.
  // Forearm axis at x = 40 -> (20, 34.6); the tube's front (z = -8) scales by 256 / 248 = 1.032:
  // screen (276.6, 92.2), far above the unbent arm's rows 120..136.
  EXPECT_NE(at(276, 92), 0x000000u) << "inside the bent forearm";
  EXPECT_EQ(at(296, 128), 0x000000u) << "where the unbent forearm would lie";
  // Upper arm axis at x = -40: (215, 128), unmoved.
  EXPECT_NE(at(215, 128), 0x000000u) << "the upper arm";
  // The tip (80, 0) -> (40, 69.3): screen (297.3, 56.5) at the front, (294.8, 60.0) at the back
  // (256 / 264); (293, 62) lies 7 and 3 pixels back from them along the forearm, (302, 48) 10
  // pixels past the front one.
  EXPECT_NE(at(293, 62), 0x000000u) << "by the tip";
  EXPECT_EQ(at(302, 48), 0x000000u) << "past the tip";
}

TEST(SkinMorphFrames, AFaceOpensItsMouthAndPuffsItsCheeks) {
  TempFolder folder;
  const std::optional<SceneBand> band =
      renderSceneBand(folder, morphingFace(), 2000, "morph-face.png");
  ASSERT_TRUE(band);
  const auto at = [&](int x, int y) { return band->at(x, y); };
  constexpr std::uint32_t kYellow = 0xFFFF00;
  // Worked by hand (z = 0: screen x = 256 + X, y = 128 - Y). p + 0.5 (open - p) + 0.6 (puff - p).
  // Cheek: the point at 0 degrees, (96, 0), puffs to 96 (1 + 0.25 * 0.6) = 110.4; its neighbours
  // at +-15 degrees, (92.7, +-24.8), to 92.7 (1 + 0.15 (1 - 0.067)) = 105.7: at Y = 0 the edge
  // runs at X = 110.4, past the unmorphed 96.
  EXPECT_EQ(at(362, 128), kYellow) << "in the puffed cheek, outside the unmorphed disc";
  EXPECT_EQ(at(370, 128), 0x000000u) << "past the puffed cheek";
  // Mouth at 270 degrees (X = 0): ring 7 (0, -56) opens to -56 + 0.5 (0.4 * 56) = -44.8, ring 6
  // to -38.4; ring 9 stays at -72. Red from Y = -44.8 to -72, yellow above it.
  EXPECT_EQ(at(256, 178), kRed) << "Y = -50: inside the opened mouth (yellow when closed)";
  EXPECT_EQ(at(256, 168), kYellow) << "Y = -40: above the opened lip";
}

// Lines, sprites and particles.

namespace {

// The sprite picture's quadrants.
constexpr std::uint32_t kTopLeft = 0xFF8000, kTopRight = 0x00C0FF, kBottomLeft = 0xFFFF00,
                        kBottomRight = 0xFF00FF;

// 16 x 16, one colour a quadrant.
std::uint32_t quadrants(int x, int y) {
  if (y < 8) return x < 8 ? kTopLeft : kTopRight;
  return x < 8 ? kBottomLeft : kBottomRight;
}

// A sprite kind 3 record: head position, 11 zoom, 12 angle, 13..15 selectors, material 1.
Bytes sprite(const char* name, Xyz position, float zoom, float angle,
             std::array<std::int32_t, 3> selectors) {
  return shape(3, {head({.name = name, .position = position}), materialIndex(1)},
               {floatChunk(11, zoom), floatChunk(12, angle), intChunk(13, selectors[0]),
                intChunk(14, selectors[1]), intChunk(15, selectors[2])});
}

// The box x -140..-60, y -40..40, z 0..80: its front (z = 0, red) and right side (x = -60,
// green) are the faces the camera sees; sub-material 0 also draws the twelve edges in white.
std::string shapesScene() {
  const std::vector<Xyz> corners{{-140, 40, 0},  {-140, -40, 0},  {-60, -40, 0},  {-60, 40, 0},
                                 {-140, 40, 80}, {-140, -40, 80}, {-60, -40, 80}, {-60, 40, 80}};
  // Front faces run counter-clockwise on the screen: upper left, lower left, lower right.
  const std::vector<Triple> faceCorners{{0, 1, 2}, {2, 3, 0}, {3, 2, 6}, {6, 7, 3}};
  const std::vector<std::array<std::int32_t, 2>> edges{{0, 1}, {1, 2}, {2, 3}, {3, 0},
                                                       {4, 5}, {5, 6}, {6, 7}, {7, 4},
                                                       {0, 4}, {1, 5}, {2, 6}, {3, 7}};
  const Bytes box = mesh({head({.name = "box"}), materialIndex(0),
                          geometry({vertices(corners), edgePairs(edges)}),
                          faces({faceVertices(faceCorners), faceSubMaterials({0, 0, 1, 1})})});
  const Bytes paint = material(
      "paint", {flat("front", Xyz{1, 0, 0}, {}, {lines({intChunk(10, 1), intChunk(11, 0xFFFFFF)})}),
                flat("side", Xyz{0, 1, 0})});
  const Bytes picture = material(
      "picture",
      {subMaterial("quadrants",
                   {parametersAndTracks(5, {stringChunk(10, "quads.bmp"), intChunk(11, 1)})})});
  return bandScene({materials({paint, picture}), meshes({box}),
                    shapes({sprite("fixed", {150, 60, 0}, 2, 0, {1, 1, 1}),
                            sprite("turned", {150, -60, 0}, 2, 1.5707964f, {1, 1, 1}),
                            sprite("behind", {0, 0, -300}, 2, 0, {1, 1, 1}),
                            sprite("far", {300, 0, 256}, 2, 0, {2, 2, 0})})},
                   90, Xyz{0, 0, 0});
}

constexpr std::uint32_t kSpark = 0xFFA020;

// A fountain at (0, -100, 0) leaving from its two vertices x = -20 and 20, each generation of two
// particles joined by a white line; one emitter from frame 0, period 400, 0.1 a frame; points of
// size 8 with the 256 x 256 picture spark.bmp (256 so that the layer keeps it as it is).
std::string fountainScene() {
  const Bytes sub =
      subMaterial("spark", {drawing({intChunk(12, 100), floatChunk(14, 1.0f)}),
                            lines({intChunk(10, 1), intChunk(11, 0xFFFFFF)}),
                            textureLayer(1, 0, "spark.bmp", {0, 0, 1, 1}, 8.0f, {0, 0, 0, 0, 0})});
  const Bytes fountain =
      shape(2,
            {head({.name = "fountain", .position = Xyz{0, -100, 0}}), materialIndex(0),
             geometry({vertices({{-20, 0, 0}, {20, 0, 0}}), edgePairs({{0, 1}})})},
            {emitters({{0, 400, 0.1f}})});
  return bandScene({materials({material("sparks", {sub})}), shapes({fountain})}, 300, Xyz{0, 0, 0});
}

}  // namespace

TEST(ShapeFrames, AWireBoxAndSpritesMatchTheirGolden) {
  TempFolder folder;
  std::filesystem::create_directories(folder.path() / "data");
  ASSERT_TRUE(picture_files::writeBytes(folder.file("data/quads.bmp"),
                                        picture_files::bmpBytes(16, 16, quadrants)));
  const std::optional<SceneBand> band =
      renderSceneBand(folder, shapesScene(), 500, "shapes-500.png");
  ASSERT_TRUE(band);
  const auto at = [&](int x, int y) { return band->at(x, y); };
  // The front face (z = 0) spans x 116..196, y 88..168; the back face (z = 80, scale 256 / 336)
  // x 149.33..210.29, y 97.52..158.48.
  EXPECT_EQ(at(130, 110), kRed) << "inside the front";
  EXPECT_EQ(at(116, 128), kWhite) << "the front's left edge";
  EXPECT_EQ(at(149, 128), kRed) << "the back's left edge, behind the front";
  EXPECT_EQ(at(203, 128), kGreen) << "inside the right side";
  EXPECT_EQ(at(210, 128), kWhite) << "the back's right edge, the side's far end";
  EXPECT_EQ(at(220, 128), 0u) << "right of the box";
  // "fixed" at (406, 68), zoom 2: 32 x 32 pixels over 390..421 x 52..83, the scaled blit.
  EXPECT_EQ(at(390, 52), kTopLeft);
  EXPECT_EQ(at(421, 52), kTopRight);
  EXPECT_EQ(at(390, 83), kBottomLeft);
  EXPECT_EQ(at(421, 83), kBottomRight);
  EXPECT_EQ(at(389, 68), 0u);
  EXPECT_EQ(at(422, 68), 0u);
  // "turned" at (406, 188) a quarter turn counter-clockwise: the top right comes to the top left,
  // the top left to the bottom left.
  EXPECT_EQ(at(394, 176), kTopRight);
  EXPECT_EQ(at(394, 200), kTopLeft);
  EXPECT_EQ(at(418, 200), kBottomLeft);
  EXPECT_EQ(at(418, 176), kBottomRight);
  // "behind" (z = -44 from the camera) would land on (256, 128).
  EXPECT_EQ(at(256, 128), 0u);
  // "far" at z = 512 from the camera: (406, 128), zoom 2 · 256 / 512 = 1: 398..413 x 120..135.
  EXPECT_EQ(at(398, 120), kTopLeft);
  EXPECT_EQ(at(413, 135), kBottomRight);
  EXPECT_EQ(at(397, 128), 0u);
  EXPECT_EQ(at(414, 128), 0u);
}

TEST(ShapeFrames, AParticleFountainMatchesItsGolden) {
  TempFolder folder;
  std::filesystem::create_directories(folder.path() / "data");
  ASSERT_TRUE(picture_files::writeBytes(
      folder.file("data/spark.bmp"),
      picture_files::bmpBytes(256, 256, [](int, int) { return kSpark; })));
  // 1,000 ms: scene frame 30, emitter frame 900. 90 emitted, k 50..89 alive (born within the
  // last 400 frames); k = 89, of vertex 1, born at frame 90 / 0.1 = 900, sits on (20, -100, 0).
  const std::optional<SceneBand> band =
      renderSceneBand(folder, fountainScene(), 1000, "particles-1000.png");
  ASSERT_TRUE(band);
  const auto at = [&](int x, int y) { return band->at(x, y); };
  // z = 256 from the camera: (256 + 20, 128 + 100) = (276, 228); 8 · 256 / 256 = 8 pixels across,
  // 272..279 x 224..231. The line from k = 88 (about 10 frames old, up and left of it, rising
  // 0.225 a pixel) comes in to the centre from the left, missing these corners.
  EXPECT_EQ(at(272, 224), kSpark);
  EXPECT_EQ(at(279, 224), kSpark);
  EXPECT_EQ(at(272, 231), kSpark);
  EXPECT_EQ(at(279, 231), kSpark);
  EXPECT_EQ(at(280, 228), 0u);
  EXPECT_EQ(at(276, 232), 0u);
  // A particle rises v.y · age · (1 - age / 400), at most 1 · 400 / 4 = 100 at half its life: up
  // to y = 0, the camera's height, which lands on row 128 whatever its depth (z >= 156 after a
  // drift of at most 0.25 · 400 towards the camera: points under 8 · 256 / 156 = 13.1 pixels).
  // Rows 0..120 stay black; the lines join particles, so they stay below as well.
  int nbAbove = 0;
  for (int y = 0; y <= 120; ++y)
    for (int x = 0; x < 512; ++x)
      nbAbove += at(x, y) != 0u ? 1 : 0;
  EXPECT_EQ(nbAbove, 0);
}

// Picture and video textures: a window of a checkerboard resampled to 256 x 256, and a video
// showing the frame of the scene's time.

namespace {

constexpr std::uint32_t kBrick = 0xE02020u;
constexpr std::uint32_t kCream = 0xF0E0C0u;
// The video's four frames.
constexpr std::uint32_t kFrameColours[4] = {0x0000C0u, 0x00C000u, 0xC0C000u, 0xC000C0u};

// Two quads at z = 0, 160 x 160 each: the left one from x = -200 to -40, the right one from 40 to
// 200, y from -80 to 80, mapped (0, 0) at the lower left to (1, 1) at the upper right. Faces 0, 1
// take sub-material 0 (the picture texture), faces 2, 3 sub-material 1 (the video map).
std::string texturedScene() {
  const std::vector<Xyz> corners{{-200, -80, 0}, {-40, -80, 0}, {-40, 80, 0}, {-200, 80, 0},
                                 {40, -80, 0},   {200, -80, 0}, {200, 80, 0}, {40, 80, 0}};
  const std::vector<Xyz> mapping{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
  // Counter-clockwise on the screen (y down): lower left, lower right, upper right.
  const std::vector<Triple> faceCorners{{0, 1, 2}, {0, 2, 3}, {4, 5, 6}, {4, 6, 7}};
  const std::vector<Triple> faceMapping{{0, 1, 2}, {0, 2, 3}, {0, 1, 2}, {0, 2, 3}};
  Bytes mappingChunk = node(504, field(mapping));
  const Bytes quads =
      mesh({head({.name = "quads"}), materialIndex(0), geometry({vertices(corners), mappingChunk}),
            faces({faceVertices(faceCorners), node(1002, field(faceMapping)),
                   faceSubMaterials({0, 0, 1, 1})})});
  // Shading 200: the texture as it is. The left one's texture layer takes the whole
  // checkerboard; the right one's map layer (parameter 10) is the video.
  const Bytes picture = subMaterial(
      "picture", {drawing({intChunk(12, 200)}),
                  textureLayer(1, 0, "checker.bmp", {0, 0, 1, 1}, 1.0f, {0, 0, 0, 0, 0})});
  const Bytes video = subMaterial(
      "video", {drawing({intChunk(12, 200)}),
                parametersAndTracks(5, {stringChunk(10, "movie.avi"), intChunk(11, 1)})});
  return bandScene({materials({material("paint", {picture, video})}), meshes({quads})}, 90,
                   Xyz{0, 0, 0});
}

// A 64 x 64 checkerboard of 16-texel squares, red where (column + row) is even.
std::uint32_t checker(int x, int y) {
  return ((x / 16 + y / 16) & 1) == 0 ? kBrick : kCream;
}

}  // namespace

TEST(TextureFrames, PictureAndVideoTexturesRenderAsTheGoldenShows) {
  if (fx_test::encoderName(fx_test::VideoCodec::Raw).empty()) GTEST_SKIP() << "no raw encoder";
  TempFolder folder;
  std::filesystem::create_directories(folder.path() / "data");
  ASSERT_TRUE(picture_files::writeBytes(folder.file("data/checker.bmp"),
                                        picture_files::bmpBytes(64, 64, checker)));
  // Four 16 x 16 frames at 10 a second, one colour each.
  std::vector<std::vector<std::uint32_t>> frames;
  for (const std::uint32_t colour : kFrameColours)
    frames.emplace_back(16 * 16, colour);
  fx_test::VideoFormat format;
  format.width = 16;
  format.height = 16;
  ASSERT_FALSE(fx_test::writeVideo(folder.file("data/movie.avi"), format, frames));
  const std::optional<SceneBand> frame =
      renderSceneBand(folder, texturedScene(), 1000, "textures-1000.png", "32 64 96");
  ASSERT_TRUE(frame);
  // The checkerboard stretched over 160 pixels: a square is 40 pixels, so layer pixel (x, y) of
  // the left quad shows square ((x - 56) / 40, (y - 48) / 40). At 1000 ms the scene is at frame
  // 30, 1000 ms into the video: frame 10 of 100 ms, 10 mod 4 = 2.
  const struct {
    int x, y;
    std::uint32_t expected;
    const char* what;
  } pixels[] = {
      {10, 10, 0x204060u, "nothing drawn"},
      {76, 68, kBrick, "square (0, 0)"},
      {116, 68, kCream, "square (1, 0)"},
      {116, 108, kBrick, "square (1, 1)"},
      {196, 148, kCream, "square (3, 2)"},
      {196, 188, kBrick, "square (3, 3)"},
      {376, 128, kFrameColours[2], "video frame 2"},
      {256, 128, 0x204060u, "between the quads"},
  };
  for (const auto& p : pixels)
    EXPECT_EQ(frame->at(p.x, p.y), p.expected) << p.what;
}

// A camera flown by a scene controller's formulas: the show's 3D descriptor moves the camera (and
// its target) with the script time.

namespace {

// 90 frames. The camera "cam" at z = -256 looks at its target "at" along +z with fov pi/2 on the
// 512 x 256 frame: scaleX = scaleY = 256, so a point (x, y, 0) lands at column 256 + x - cx, row
// 128 - y + cy, (cx, cy) the camera's x and y. A white flat square spans x = 0 .. 16,
// y = 0 .. 8: columns ceil(256 - cx) .. + 15, rows ceil(120 + cy) .. + 7, 128 pixels.
std::string squareScene() {
  using white_quad::head;
  const Bytes camera = chunk_bytes::chunk(
      121, {head(1, "cam", 0.0f, 0.0f, -256.0f), head(2, "at", 0.0f, 0.0f, 100.0f)});
  return white_quad::sceneFile(camera, head(1, "square", 0, 0, 0), 0.0f, 0.0f, 16.0f, 8.0f);
}

// The white pixels of a frame: their count and the bounding box.
struct WhiteBox {
  int count = 0, left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
};
WhiteBox whiteBox(const RgbImage& frame) {
  WhiteBox box;
  for (int y = 0; y < frame.height; ++y) {
    for (int x = 0; x < frame.width; ++x) {
      if (frame.at(x, y) != 0xFFFFFF) continue;
      ++box.count;
      box.left = std::min(box.left, x), box.right = std::max(box.right, x);
      box.top = std::min(box.top, y), box.bottom = std::max(box.bottom, y);
    }
  }
  return box;
}

}  // namespace

TEST(CameraFormula, TheControllerFliesTheCameraAcrossTheSquare) {
  TempFolder folder;
  writeTextFile(folder.path() / "data/square.l3x", squareScene());
  // cx = time1 / 10 - 100 and cy = time1 / 100 (formulas chain from the right: the brackets),
  // the target moved alike so the camera keeps looking along +z.
  const std::string cx = "(time1 / 10) - 100", cy = "time1 / 100";
  ASSERT_TRUE(test_controllers::writeLecx(
      folder.file("fly.lecx"), 2,
      {{"NODE cam POSX", cx}, {"NODE cam POSY", cy}, {"NODE at POSX", cx}, {"NODE at POSY", cy}}));
  writeTextFile(
      folder.path() / "show.lscx",
      scriptText({{"MUSIC", {"file: NULL", "offset: 0"}},
                  {"LAYER_DIMENSION", {"desc: frame 512 256"}},
                  {"3D", {"file: square data\\square.l3x"}},
                  {"CONTROLLER", {"file: fly fly.lecx"}},
                  {"SCREEN_LAYER", {"desc: screen frame"}},
                  {"3D_DESC", {"desc: view square frame fly 0 0"}},
                  {"LAYER_MANAGER",
                   {"desc: screen 1 0 100000 c 0 0 0", "desc: screen 2 0 100000 w view"}}}));
  const ProgramRun run = renderFrames("show.lscx", {0, 1000, 2000}, folder.path());
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err, "");
  // (cx, cy) = (-100, 0), (0, 10), (100, 20); the 512 x 256 band sits 64 rows down the
  // 512 x 384 picture.
  struct Expected {
    int time, left, top;
  };
  for (const Expected& e :
       {Expected{0, 356, 64 + 120}, Expected{1000, 256, 64 + 130}, Expected{2000, 156, 64 + 140}}) {
    const std::optional<RgbImage> picture =
        readPng(folder.file("frames/frame-" + std::to_string(e.time) + ".png"));
    ASSERT_TRUE(picture) << e.time;
    const WhiteBox box = whiteBox(*picture);
    EXPECT_EQ(box.count, 128) << e.time;
    EXPECT_EQ(std::vector<int>({box.left, box.top, box.right, box.bottom}),
              std::vector<int>({e.left, e.top, e.left + 15, e.top + 7}))
        << e.time;
  }
  EXPECT_TRUE(matchesGolden(folder.file("frames/frame-2000.png"), "camera-formula-2000.png"));
}
