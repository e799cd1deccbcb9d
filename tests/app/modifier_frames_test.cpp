// A mesh's modifier stack through the program: a square column twisted by a quarter turn, then
// bent by a quarter turn, rendered by `showplayer render` and kept as a golden picture, with a
// few pixels of the twist and the bend worked out by hand beside it.

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tests/app/app_test_util.h"
#include "tests/s3d/l3x_bytes.h"

namespace {

// Column: a square 16 wide (x, z in -8..8) from y = 0 to 96 in 12 storeys, its head at
// (-60, -50, 0), one-sided, flat colours: the sides at z = -8 and z = 8 red, the sides at x = 8
// and x = -8 green, so the turn of the section shows. Camera at z = -256 looking along +z, fov
// pi/2, on a 512 x 256 band: a point (X, Y, Z) lands at screen x = 256 + 256 X / (256 + Z),
// y = 128 - 256 Y / (256 + Z).
std::string twistedBentColumn() {
  using namespace l3x;
  constexpr int kStoreys = 12;
  const Xyz corners[4] = {{-8, 0, -8}, {8, 0, -8}, {8, 0, 8}, {-8, 0, 8}};
  std::vector<Xyz> points;
  for (int ring = 0; ring <= kStoreys; ++ring)
    for (const Xyz& c : corners)
      points.push_back({c.x, 8.0f * static_cast<float>(ring), c.z});
  // Seen from outside, each side's triangles turn clockwise (front faces, whose
  // (p1 - p0) x (p2 - p0) points away from a camera in front of them). Side k runs from corner k
  // to corner k + 1: sub-material k % 2.
  std::vector<Triple> triangles;
  std::vector<std::uint16_t> paint;
  for (int ring = 0; ring < kStoreys; ++ring)
    for (int k = 0; k < 4; ++k) {
      const auto a = static_cast<std::uint16_t>(ring * 4 + k);
      const auto b = static_cast<std::uint16_t>(ring * 4 + (k + 1) % 4);
      const auto c = static_cast<std::uint16_t>(a + 4), d = static_cast<std::uint16_t>(b + 4);
      triangles.push_back({a, b, c});
      triangles.push_back({b, d, c});
      paint.insert(paint.end(), 2, static_cast<std::uint16_t>(k % 2));
    }
  const auto flat = [](std::string_view name, Xyz colour) {
    return subMaterial(name, {drawing({intChunk(11, 0), intChunk(12, 100), pointChunk(17, colour),
                                       pointChunk(18, colour), pointChunk(19, colour)})});
  };
  const Bytes material =
      l3x::material("paint", {flat("red", Xyz{1, 0, 0}), flat("green", Xyz{0, 1, 0})});
  const float quarterTurn = 1.5707964f;
  const Bytes column =
      mesh({head({.name = "column", .position = Xyz{-60, -50, 0}}), materialIndex(0),
            geometry({vertices(points)}), faces({faceVertices(triangles), faceSubMaterials(paint)}),
            stack({modifier(7, {parameters({floatChunk(101, quarterTurn)})}),
                   modifier(3, {parameters({floatChunk(101, quarterTurn)})})}),
            namedChannels(2010, {{.name = "0"}, {.name = "1"}})});
  const Bytes camera = l3x::camera(
      {.head = {.name = "cam", .position = Xyz{0, 0, -256}}, .target = Head{.name = "at"}});
  const Bytes file =
      sceneFile({wordChunk(50, 90), cameras({camera}), materials({material}), meshes({column})});
  return std::string(file.begin(), file.end());
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
  constexpr std::uint32_t kRed = 0xFF0000, kGreen = 0x00FF00;
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
