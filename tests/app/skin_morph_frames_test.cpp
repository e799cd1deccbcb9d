// Skin and morph through the program: an arm bending at its elbow and a face opening its mouth
// and puffing its cheeks, each rendered by `showplayer render` at frame 60 and kept as a golden
// picture, with a few pixels worked out by hand beside it.
//
// Both: camera at z = -256 looking along +z, fov pi/2, on a 512 x 256 band at row 64 of the
// picture: (X, Y, Z) lands at x = 256 + 256 X / (256 + Z), y = 128 - 256 Y / (256 + Z). 2000 ms
// at 30 frames a second from 0 is frame 60 of 90.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "tests/app/app_test_util.h"
#include "tests/s3d/l3x_bytes.h"

namespace {

using namespace l3x;

constexpr float kPi = 3.14159265f;

// A two-sided sub-material of one flat colour (the same at the three ramp places).
Bytes flatColour(std::string_view name, Xyz colour) {
  return subMaterial(name, {drawing({intChunk(11, 1), intChunk(12, 100), pointChunk(17, colour),
                                     pointChunk(18, colour), pointChunk(19, colour)})});
}

std::string sceneOf(const std::vector<Bytes>& lists) {
  std::vector<Bytes> children{wordChunk(50, 90),
                              cameras({camera({.head = {.name = "cam", .position = Xyz{0, 0, -256}},
                                               .target = Head{.name = "at"}})})};
  children.insert(children.end(), lists.begin(), lists.end());
  const Bytes file = sceneFile(children);
  return std::string(file.begin(), file.end());
}

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
  std::vector<Triple> triangles;
  const int nbRing = static_cast<int>(std::size(rings));
  for (int ring = 0; ring + 1 < nbRing; ++ring)
    for (int k = 0; k < kSides; ++k) {
      const auto a = static_cast<std::uint16_t>(ring * kSides + k);
      const auto b = static_cast<std::uint16_t>(ring * kSides + (k + 1) % kSides);
      triangles.push_back({a, b, static_cast<std::uint16_t>(a + kSides)});
      triangles.push_back(
          {b, static_cast<std::uint16_t>(b + kSides), static_cast<std::uint16_t>(a + kSides)});
    }
  const Bytes arm = mesh(
      {head({.name = "arm"}), materialIndex(0), geometry({vertices(points)}),
       faces({faceVertices(triangles)}),
       stack({modifier(
           1, {skin(kIdentity12,
                    {{"shoulder", {1, 0, 0, 0, 1, 0, 0, 0, 1, -80, 0, 0}}, {"elbow", kIdentity12}},
                    weights)})}),
       namedChannels(2010, {{.name = "0"}})});
  const Xyz down{0, 0, -1};
  return sceneOf({materials({material("skin", {flatColour("white", {1, 1, 1})})}), meshes({arm}),
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
  return sceneOf({materials({material(
                      "paint", {flatColour("yellow", {1, 1, 0}), flatColour("red", {1, 0, 0})})}),
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
  constexpr std::uint32_t kYellow = 0xFFFF00, kRed = 0xFF0000;
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
