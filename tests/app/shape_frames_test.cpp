// Lines, sprites and particles through the program: a box drawn solid with its twelve edges as
// lines over it (the hidden ones lost to the depth test), sprites placed, zoomed and turned by
// their selectors, and a particle fountain, rendered by `showplayer render` and kept as golden
// pictures with pixels worked out by hand beside them.
//
// The camera stands at (0, 0, -256) looking along +z, fov pi/2, over the 512 x 256 band: a point
// (X, Y, Z) lands at x = 256 + 256 X / (256 + Z), y = 128 - 256 Y / (256 + Z).

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "tests/app/app_test_util.h"
#include "tests/s3d/l3x_bytes.h"
#include "tests/support/picture_files.h"

namespace {

using namespace l3x;

constexpr std::uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kWhite = 0xFFFFFF;
// The sprite picture's quadrants.
constexpr std::uint32_t kTopLeft = 0xFF8000, kTopRight = 0x00C0FF, kBottomLeft = 0xFFFF00,
                        kBottomRight = 0xFF00FF;

// 16 x 16, one colour a quadrant.
std::uint32_t quadrants(int x, int y) {
  if (y < 8) return x < 8 ? kTopLeft : kTopRight;
  return x < 8 ? kBottomLeft : kBottomRight;
}

// The box x -140..-60, y -40..40, z 0..80: its front (z = 0, red) and right side (x = -60,
// green) are the faces the camera sees; sub-material 0 also draws the twelve edges in white.
// A sprite kind 3 record: head position, 11 zoom, 12 angle, 13..15 selectors, material 1.
Bytes sprite(const char* name, Xyz position, float zoom, float angle,
             std::array<std::int32_t, 3> selectors) {
  return shape(3, {head({.name = name, .position = position}), materialIndex(1)},
               {floatChunk(11, zoom), floatChunk(12, angle), intChunk(13, selectors[0]),
                intChunk(14, selectors[1]), intChunk(15, selectors[2])});
}

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
  const auto flat = [](const char* name, Xyz colour, std::vector<Bytes> more) {
    more.insert(more.begin(), drawing({intChunk(12, 100), pointChunk(17, colour),
                                       pointChunk(18, colour), pointChunk(19, colour)}));
    return subMaterial(name, std::move(more));
  };
  const Bytes paint = material(
      "paint", {flat("front", Xyz{1, 0, 0}, {lines({intChunk(10, 1), intChunk(11, 0xFFFFFF)})}),
                flat("side", Xyz{0, 1, 0}, {})});
  const Bytes picture = material(
      "picture",
      {subMaterial("quadrants",
                   {parametersAndTracks(5, {stringChunk(10, "quads.bmp"), intChunk(11, 1)})})});
  const Bytes file = sceneFile(
      {wordChunk(50, 90),
       cameras({camera({.head = {.name = "camera", .position = Xyz{0, 0, -256}},
                        .target = Head{.name = "camera.target", .position = Xyz{0, 0, 0}}})}),
       materials({paint, picture}), meshes({box}),
       shapes({sprite("fixed", {150, 60, 0}, 2, 0, {1, 1, 1}),
               sprite("turned", {150, -60, 0}, 2, 1.5707964f, {1, 1, 1}),
               sprite("behind", {0, 0, -300}, 2, 0, {1, 1, 1}),
               sprite("far", {300, 0, 256}, 2, 0, {2, 2, 0})})});
  return std::string(file.begin(), file.end());
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

namespace {

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
  const Bytes file = sceneFile(
      {wordChunk(50, 300),
       cameras({camera({.head = {.name = "camera", .position = Xyz{0, 0, -256}},
                        .target = Head{.name = "camera.target", .position = Xyz{0, 0, 0}}})}),
       materials({material("sparks", {sub})}), shapes({fountain})});
  return std::string(file.begin(), file.end());
}

}  // namespace

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
