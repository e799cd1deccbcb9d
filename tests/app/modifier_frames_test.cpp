// A mesh's modifier stack through the program: a square column twisted by a quarter turn, then
// bent by a quarter turn, rendered by `showplayer render` and kept as a golden picture, with a
// few pixels of the bend worked out by hand beside it.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/app/app_test_util.h"
#include "tests/s3d/l3x_bytes.h"

namespace {

// Column: a square 16 wide (x, z in -8..8) from y = 0 to 96 in 12 storeys, its head at
// (-60, -50, 0), flat white, one-sided. Camera at z = -256 looking along +z, fov pi/2, on a
// 512 x 256 band: one unit at z = 0 is one pixel, screen x = 256 + world x, y = 128 - world y.
std::string twistedBentColumn() {
  using namespace l3x;
  constexpr int kStoreys = 12;
  const Xyz corners[4] = {{-8, 0, -8}, {8, 0, -8}, {8, 0, 8}, {-8, 0, 8}};
  std::vector<Xyz> points;
  for (int ring = 0; ring <= kStoreys; ++ring)
    for (const Xyz& c : corners)
      points.push_back({c.x, 8.0f * static_cast<float>(ring), c.z});
  // Seen from outside, each side's triangles turn clockwise (front faces, whose
  // (p1 - p0) x (p2 - p0) points away from a camera in front of them).
  std::vector<Triple> triangles;
  for (int ring = 0; ring < kStoreys; ++ring)
    for (int k = 0; k < 4; ++k) {
      const auto a = static_cast<std::uint16_t>(ring * 4 + k);
      const auto b = static_cast<std::uint16_t>(ring * 4 + (k + 1) % 4);
      const auto c = static_cast<std::uint16_t>(a + 4), d = static_cast<std::uint16_t>(b + 4);
      triangles.push_back({a, b, c});
      triangles.push_back({b, d, c});
    }
  const Xyz white{1, 1, 1};
  const Bytes material = l3x::material(
      "paint",
      {subMaterial("flat", {drawing({intChunk(11, 0), intChunk(12, 100), pointChunk(17, white),
                                     pointChunk(18, white), pointChunk(19, white)})})});
  const float quarterTurn = 1.5707964f;
  const Bytes column =
      mesh({head({.name = "column", .position = Xyz{-60, -50, 0}}), materialIndex(0),
            geometry({vertices(points)}), faces({faceVertices(triangles)}),
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
  writeTextFile(folder.path() / "data/column.l3x", twistedBentColumn());
  writeTextFile(folder.path() / "show.lscx",
                scriptText({{"MUSIC", {"file: NULL", "offset: 0"}},
                            {"LAYER_DIMENSION", {"desc: band 512 256"}},
                            {"3D", {"file: column data\\column.l3x"}},
                            {"SCREEN_LAYER", {"desc: screen band"}},
                            {"3D_DESC", {"desc: now column band NULL 0 0"}},
                            {"LAYER_MANAGER",
                             {"desc: screen 1 0 1000 c 0 0 0", "desc: screen 2 0 1000 w now"}}}));
  // With a single --at, --out names the PNG file itself.
  const ProgramRun run =
      runShowPlayer({"render", "show.lscx", "--at", "500", "--out", "column.png"}, folder.path());
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err, "");
  const std::string file = folder.file("column.png");
  EXPECT_TRUE(matchesGolden(file, "modifier-column.png"));

  // Worked by hand. Both modifiers measure the column's height of 96 (the twist keeps y). Bend:
  // R = 96 / (pi/2) = 61.115; the axis (x = z = 0) goes to x' = (1 + cos t) R, y' = R sin t with
  // t = pi - y / R, so the top (y = 96, t = pi/2) lands at object (61.1, 61.1), world
  // (1.1, 11.1), screen (257.1, 116.9), the column lying along +x there. Near it, object
  // x' = (1 - sin d) R = 54 is reached at t = pi/2 + d, sin d = 0.116, where the axis is at
  // y' = R cos d = 60.7 and the section spans y' 52.7..68.7: screen rows 109..125 at column 250.
  // Unbent, the column would stand at screen x 188..204 up to row 178 - 96 = 82. (Flat white
  // shows the outline only: the twist turns the square section inside it.)
  const std::optional<RgbImage> picture = readPng(file);
  ASSERT_TRUE(picture);
  // The band starts at row 64 of the 512 x 384 frame.
  const auto at = [&](int x, int y) { return picture->at(x, 64 + y); };
  EXPECT_NE(at(250, 117), 0x000000u) << "inside the bent top";
  EXPECT_EQ(at(250, 100), 0x000000u) << "above the bent top";
  EXPECT_EQ(at(250, 135), 0x000000u) << "below the bent top";
  EXPECT_EQ(at(262, 117), 0x000000u) << "past the tip";
  EXPECT_NE(at(196, 175), 0x000000u) << "the foot, barely bent";
  EXPECT_EQ(at(196, 90), 0x000000u) << "where the unbent column would stand";
}
