// The 2D scene: files written byte by byte from the layout in s3d/s2d_scene.h, pictures written as
// small TGA files (the BMP reader warns about odd widths), rendered into guarded screens.
//
// Unless a case says otherwise the camera's eye is at (0, 0, -64) looking at the origin (no turn
// at all), fov 90 degrees, the screen 64 x 64: scaleX = cot(45) 64 / 2 = 32, scaleY = cot(45) 64
// = 64, centre (32, 32), so a world point (x, y, 0) lands at (32 + x / 2, 32 - y). A w x h sprite
// of scale 1 covers the pixels ceil(cx - w/2) .. ceil(cx + w/2) - 1 (rows likewise): a 1 x 1
// sprite lights the one pixel nearest to its position.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "base/chunk_file_reader.h"
#include "base/report.h"
#include "s3d/s2d_scene.h"
#include "tests/fx/video_writer.h"
#include "tests/s3d/s2d_bytes.h"
#include "tests/s3d/s3d_render_util.h"
#include "tests/support/picture_files.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace s2d;
using chunk_bytes::operator+;
using s3d_render::GuardedScreen;

constexpr float kHalfPi = 1.5707964f;
constexpr float kPi = 3.1415927f;
constexpr std::uint32_t kBlack = 0x000000u;
constexpr std::uint32_t kRed = 0xFF0000u;
constexpr std::uint32_t kGreen = 0x00FF00u;
constexpr std::uint32_t kBlue = 0x0000FFu;
constexpr std::uint32_t kWhite = 0xFFFFFFu;

struct Loaded {
  std::unique_ptr<S2DScene> scene = std::make_unique<S2DScene>();
  // "caption|text" of each report.
  std::vector<std::string> reports;
};

Loaded loadBytes(const Bytes& chunks) {
  Loaded out;
  ReportCapture capture;
  const Bytes file = chunk_bytes::plainFile(chunks);
  ChunkFileReaderManager manager(std::span<const std::uint8_t>(file), StringC("test.s2d"));
  out.scene->load(manager);
  out.reports = capture.lines();
  return out;
}

Loaded load(const Scene& scene) {
  return loadBytes(sceneChunk(scene));
}

// --- Pictures ---

using Pixels = std::map<std::pair<int, int>, std::uint32_t>;

// The pixels that are not `background`.
Pixels litPixels(const GuardedScreen& screen, int width, int height, std::uint32_t background) {
  Pixels lit;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if (screen.pixel(x, y) != background) lit[{x, y}] = screen.pixel(x, y);
  return lit;
}

// `color` over the w x h rectangle at (x, y).
Pixels rect(int x, int y, int w, int h, std::uint32_t color) {
  Pixels out;
  for (int j = y; j < y + h; ++j)
    for (int i = x; i < x + w; ++i)
      out[{i, j}] = color;
  return out;
}

Pixels operator+(Pixels a, const Pixels& b) {
  a.insert(b.begin(), b.end());
  return a;
}

struct Rendered {
  Pixels lit;
  std::vector<std::string> reports;
  bool guardsIntact = false;
};

Rendered render(S2DScene& scene, float time, std::uint32_t background = kBlack, int width = 64,
                int height = 64) {
  GuardedScreen screen(width, height, background);
  ReportCapture capture;
  scene.setTime(time);
  scene.render(&screen.image());
  return {litPixels(screen, width, height, background), capture.lines(), screen.guardsIntact()};
}

class S2DSceneTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_dir.enter();
    picture("white.tga", 1, 1, [](int, int) { return kWhite; });
    picture("square.tga", 2, 2, [](int, int) { return kWhite; });
    picture("red.tga", 1, 1, [](int, int) { return kRed; });
    picture("green.tga", 1, 1, [](int, int) { return kGreen; });
    // Left half red, right half blue, both rows alike.
    picture("bar.tga", 4, 2, [](int x, int) { return x < 2 ? kRed : kBlue; });
    picture("paint.tga", 1, 1, [](int, int) { return 0xFF8001u; });
    picture("grey.tga", 1, 1, [](int, int) { return 0x808080u; });
    picture("edge.tga", 2, 1, [](int x, int) { return x == 0 ? kBlack : kWhite; });
  }

  void picture(const std::string& name, int width, int height,
               const picture_files::PixelFunction& pixel) {
    ASSERT_TRUE(picture_files::writeBytes((m_dir.path() / name).string(),
                                          picture_files::tgaBytes(width, height, pixel, false)));
  }

  TempDir m_dir;
};

// One 1 x 1 sprite (a 2 x 2 one for the pivot) seen through one camera: where each case puts it.
// (Sprites in front of a plain camera: the program's golden picture of a 2D scene.)
TEST_F(S2DSceneTest, ObjectsLandWhereTheCameraProjectsThem) {
  const auto at = [](float x, float y, float z) { return Head{.position = Xyz{x, y, z}}; };
  const Head pivot{.pivot = Xyz{0.25f, 0.25f, 0}, .position = Xyz{16, 8, 0}};
  struct Case {
    const char* what;
    Camera camera;
    Head object;
    int x, y, size;  // the square of lit pixels
    std::string picture = "white.tga";
    int width = 64, height = 64;
  };
  const std::vector<Case> cases{
      // z' = 128 halves the offsets from the centre: (32 + 16 32 / 128, 32 - 8 64 / 128) =
      // (36, 28); the sprite keeps its scale at any distance: 3 x 3 pixels about it.
      {"farther, scaled", {}, {.position = Xyz{16, 8, 64}, .scale = Xyz{3, 3, 1}}, 35, 27, 3},
      // cot(30) = 1.7320508: (32 + 8 55.43 / 64, 32 - 4 110.85 / 64) = (38.93, 25.07).
      {"fov 60", {.fov = {{0, 60.0f}}}, at(8, 4, 0), 39, 25, 1},
      {"eye moved right", {.eye = at(8, 0, -64), .target = at(8, 0, 0)}, at(16, 8, 0), 36, 24, 1},
      // A roll of pi turns the picture upside down whatever its sign.
      {"roll pi", {.roll = {{0, kPi}}}, at(16, 8, 0), 24, 40, 1},
      // Looking along -z from behind: x' = -x.
      {"seen from behind", {.eye = at(0, 0, 64)}, at(16, 8, 0), 24, 24, 1},
      // z' = 0: k = 0, the centre.
      {"in the eye's plane", {}, at(16, 8, -64), 32, 32, 1},
      // The viewport follows the screen: 32 x 16 gives scales 16 and 16, centre (16, 8).
      {"other screen size", {}, at(16, 4, 0), 20, 7, 1, "white.tga", 32, 16},
      // Pivot (0.25, 0.25) of a 2 x 2 picture moves it up and left: centre (40 - 0.5, 24 - 0.5).
      {"pivot", {}, pivot, 39, 23, 2, "square.tga"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Loaded loaded = load({.objects = {{.head = c.object}},
                          .cameras = {c.camera},
                          .materials = {{.picture = c.picture}}});
    ASSERT_EQ(loaded.reports, std::vector<std::string>{});
    const Rendered out = render(*loaded.scene, 0.0f, kBlack, c.width, c.height);
    EXPECT_EQ(out.lit, rect(c.x, c.y, c.size, c.size, kWhite));
    EXPECT_TRUE(out.guardsIntact);
  }
}

TEST_F(S2DSceneTest, ObjectsWithAMaterialIndexOutOfRangeAreNeverDrawn) {
  const auto at = [](float x) { return Head{.position = Xyz{x, 0, 0}}; };
  Loaded loaded = load({.objects = {{0, at(-16)}, {1, at(0)}, {65535, at(16)}},
                        .materials = {{.picture = "white.tga"}}});
  EXPECT_EQ(loaded.reports, std::vector<std::string>{});
  ASSERT_EQ(loaded.scene->m_objects.size(), 3u);
  EXPECT_EQ(loaded.scene->m_objects[1].m_pMaterial, nullptr);
  EXPECT_EQ(loaded.scene->m_objects[2].m_pMaterial, nullptr);
  EXPECT_EQ(render(*loaded.scene, 0.0f).lit, rect(24, 32, 1, 1, kWhite));
}

// A 4 x 2 picture (red left half, blue right half) at the centre. Unturned it covers columns
// 30..33 of rows 31..32. Turned by pi/2 about z it stands 2 wide and 4 high: its corners land on
// x 31..33, y 30..34, and its left edge (u = 0) on the top row, so the red half is on top. A
// rotation about +z turns the sprite clockwise on the screen, as it turns a mesh of a 3D scene
// seen through the same camera.
//
// Which blit drew it shows also in the alpha-map check: the rotating blit warns about a map of
// another size, the scaled one draws nothing without a word.
TEST_F(S2DSceneTest, ARotationAboutZPicksTheRotatingBlit) {
  const Pixels flat = rect(30, 31, 2, 2, kRed) + rect(32, 31, 2, 2, kBlue);
  const Pixels standing = rect(31, 30, 2, 2, kRed) + rect(31, 32, 2, 2, kBlue);
  const std::string kWarning = "blitRotation src and alpha map dimensions are different";
  struct Case {
    const char* what;
    l3x::AngleAxis rotation;
    Pixels expected;
  };
  const Case cases[] = {
      {"no rotation", {0.0f, {0, 0, 1}}, flat},
      {"pi/2 about z", {kHalfPi, {0, 0, 1}}, standing},
      // Only the angle about z counts.
      {"about x", {0.5f, {1, 0, 0}}, flat},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const bool turned = c.expected == standing;
    Loaded loaded = load(
        {.objects = {{.head = {.rotation = c.rotation}}}, .materials = {{.picture = "bar.tga"}}});
    const Rendered drawn = render(*loaded.scene, 0.0f);
    EXPECT_EQ(drawn.lit, c.expected);
    EXPECT_EQ(drawn.reports, std::vector<std::string>{});

    // The same with a 1 x 1 alpha map.
    loaded = load({.objects = {{.head = {.rotation = c.rotation}}},
                   .materials = {{.picture = "bar.tga", .alphaMap = "grey.tga"}}});
    const Rendered mapped = render(*loaded.scene, 0.0f);
    EXPECT_EQ(mapped.lit, Pixels{});
    std::vector<std::string> texts;
    for (const std::string& line : mapped.reports)
      texts.push_back(line.substr(line.find('|') + 1));
    EXPECT_EQ(texts, turned ? std::vector<std::string>{kWarning} : std::vector<std::string>{});
  }
}

// The sprite (0xFF8001) over 0x204060, per byte s over d. Opacity a = round(255 alpha):
// normal (d + s) >> 1 at 0.5, else ((s a) >> 8) + ((d (255 - a)) >> 8); additive sat(d + s')
// with s' = s at 1, (s a) >> 8 otherwise. (An opacity track, the alpha map, and additive and
// subtractive at 1: the program's golden picture of a 2D scene.)
TEST_F(S2DSceneTest, TheMaterialBlendsByItsModeByteAndOpacity) {
  constexpr std::uint32_t kBackground = 0x204060u;
  struct Case {
    const char* what;
    float opacity;
    std::uint8_t mode;
    std::uint32_t expected;
  };
  const Case cases[] = {
      // (0x20 + 0xFF) >> 1, (0x40 + 0x80) >> 1, (0x60 + 0x01) >> 1.
      {"normal, 0.5", 0.5f, 0, 0x8F6030u},
      // a = 64: 63 + 23, 32 + 47, 0 + 71.
      {"normal, 0.25", 0.25f, 0, 0x564F47u},
      {"opacity 1.5 clamped to 1", 1.5f, 0, 0xFF8001u},
      {"opacity -0.5 clamped to 0", -0.5f, 0, kBackground},
      // a = 128: 0x20 + 127, 0x40 + 64, 0x60 + 0.
      {"byte 1 additive, 0.5", 0.5f, 1, 0x9F8060u},
      {"byte 255 normal, 0.5", 0.5f, 255, 0x8F6030u},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Loaded loaded = load(
        {.materials = {{.picture = "paint.tga", .mode = c.mode, .opacity = {{0, c.opacity}}}}});
    EXPECT_EQ(render(*loaded.scene, 0.0f, kBackground).lit,
              c.expected == kBackground ? Pixels{} : rect(32, 32, 1, 1, c.expected));
  }
}

// A 2 x 1 black and white picture drawn 16 x 8 over blue: nearest sampling gives the two colours
// only, bilinear (any non-zero filter byte) greys between them.
TEST_F(S2DSceneTest, ANonZeroFilterByteSamplesBilinearly) {
  for (const std::uint8_t filter : {std::uint8_t{0}, std::uint8_t{9}}) {
    SCOPED_TRACE(static_cast<int>(filter));
    Loaded loaded = load({.objects = {{.head = {.scale = Xyz{8, 8, 1}}}},
                          .materials = {{.picture = "edge.tga", .filter = filter}}});
    int greys = 0, others = 0, pure = 0;
    for (const auto& [where, color] : render(*loaded.scene, 0.0f, kBlue).lit) {
      const std::uint32_t r = color >> 16, g = (color >> 8) & 255u, b = color & 255u;
      if (color == kBlack || color == kWhite)
        ++pure;
      else if (r == g && g == b)
        ++greys;
      else
        ++others;
    }
    EXPECT_EQ(others, 0);
    EXPECT_GT(pure, 0);
    EXPECT_EQ(greys > 0, filter != 0);
  }
}

TEST_F(S2DSceneTest, ASceneWithoutCamerasReportsAndNeverRenders) {
  Loaded loaded = load({.cameras = {}});
  EXPECT_EQ(loaded.reports, std::vector<std::string>{"S2DScene :|loadCamera: no camera found"});
  EXPECT_EQ(loaded.scene->getNbCamera(), 0);
  loaded.scene->setCamera(2);
  const Rendered out = render(*loaded.scene, 1.0f, 0x123456u);
  EXPECT_EQ(out.lit, Pixels{});
  EXPECT_EQ(out.reports, std::vector<std::string>{});
}

// Camera i stands at x = 8 i looking straight ahead: the sprite at the origin lands at 32 - 4 i.
TEST_F(S2DSceneTest, SetCameraTakesTheIndexModuloTheCameraCount) {
  Scene scene;
  scene.cameras.clear();
  for (int i = 0; i < 3; ++i) {
    const float x = 8.0f * static_cast<float>(i);
    scene.cameras.push_back(
        {.eye = {.position = Xyz{x, 0, -64}}, .target = {.position = Xyz{x, 0, 0}}});
  }
  Loaded loaded = load(scene);
  ASSERT_EQ(loaded.scene->getNbCamera(), 3);
  const std::pair<std::int32_t, int> cases[] = {{4, 1}, {-1, 2}, {INT32_MIN, 1}};
  for (const auto& [index, camera] : cases) {
    SCOPED_TRACE(index);
    loaded.scene->setCamera(index);
    EXPECT_EQ(render(*loaded.scene, 0.0f).lit, rect(32 - 4 * camera, 32, 1, 1, kWhite));
  }
}

// The optional head blocks: names, parents found by name among objects and cameras, the child
// listed before its parent. The parent (green) moves from (8, 0) at frame 0 to (16, 0) at frame
// 10; the child (red) sits 8 above it.
TEST_F(S2DSceneTest, HeadsGiveNamesAndParentsAndChildrenFollow) {
  const Head child{.name = "child", .parent = "parent", .position = Xyz{0, 8, 0}};
  const Head parent{.name = "parent", .positionKeys = {{0, Xyz{8, 0, 0}}, {10, Xyz{16, 0, 0}}}};
  Scene scene{.objects = {{0, child}, {1, parent}},
              .materials = {{.picture = "red.tga"}, {.picture = "green.tga"}}};
  Loaded loaded = load(scene);
  ASSERT_EQ(loaded.reports, std::vector<std::string>{});
  const S2DScene& s = *loaded.scene;
  EXPECT_EQ(s.m_objects[0].m_name.view(), "child");
  EXPECT_EQ(s.m_objects[0].m_parentName.view(), "parent");
  EXPECT_EQ(s.m_objects[0].m_pParent, &s.m_objects[1]);
  EXPECT_EQ(s.m_objects[1].m_pParent, nullptr);
  // (8, 8) -> (36, 24), (8, 0) -> (36, 32); then (40, 24) and (40, 32).
  EXPECT_EQ(render(*loaded.scene, 0.0f).lit, rect(36, 24, 1, 1, kRed) + rect(36, 32, 1, 1, kGreen));
  EXPECT_EQ(render(*loaded.scene, 10.0f).lit,
            rect(40, 24, 1, 1, kRed) + rect(40, 32, 1, 1, kGreen));

  // A camera whose eye and target hang from the parent keeps it at the centre.
  scene.cameras[0].eye.parent = "parent";
  scene.cameras[0].target.parent = "parent";
  loaded = load(scene);
  for (const float time : {0.0f, 10.0f})
    EXPECT_EQ(render(*loaded.scene, time).lit,
              rect(32, 24, 1, 1, kRed) + rect(32, 32, 1, 1, kGreen))
        << time;

  // Parents in a ring are reported and dropped; both draw where their own heads put them.
  loaded = load({.objects = {{0, {.name = "a", .parent = "b", .position = Xyz{-16, 0, 0}}},
                             {0, {.name = "b", .parent = "a", .position = Xyz{16, 0, 0}}}},
                 .materials = {{.picture = "white.tga"}}});
  EXPECT_EQ(loaded.reports,
            std::vector<std::string>{
                "S2DScene :|parent cycle: a -> b -> a; these objects keep no parent"});
  EXPECT_EQ(render(*loaded.scene, 0.0f).lit,
            rect(24, 32, 1, 1, kWhite) + rect(40, 32, 1, 1, kWhite));
}

// Without the head blocks every head keeps its defaults: the sprite at the origin and the
// default camera at the origin looking along -z, so the sprite sits in the eye's plane (z' = 0)
// and lands on the centre.
TEST_F(S2DSceneTest, FilesWithoutHeadBlocksKeepTheDefaultHeads) {
  Loaded loaded = load({.objectHeads = false, .cameraHeads = false});
  ASSERT_EQ(loaded.reports, std::vector<std::string>{});
  EXPECT_EQ(loaded.scene->m_objects.at(0).m_name.view(), "NULL");
  EXPECT_EQ(render(*loaded.scene, 0.0f).lit, rect(32, 32, 1, 1, kWhite));
}

// A video material shows frame trunc(t) modulo the frame count.
TEST_F(S2DSceneTest, AVideoMaterialShowsFrameTruncTModuloItsLength) {
  if (fx_test::encoderName(fx_test::VideoCodec::Raw).empty()) GTEST_SKIP() << "no raw encoder";
  const std::vector<std::uint32_t> colors{kRed, kGreen, kBlue};
  std::vector<std::vector<std::uint32_t>> frames;
  for (const std::uint32_t color : colors)
    frames.emplace_back(16, color);
  const auto failed =
      fx_test::writeVideo((m_dir.path() / "clip.avi").string(),
                          {.codec = fx_test::VideoCodec::Raw, .width = 4, .height = 4}, frames);
  ASSERT_FALSE(failed) << *failed;
  Loaded loaded = load({.materials = {{.picture = "clip.avi"}}});
  ASSERT_EQ(loaded.reports, std::vector<std::string>{});
  const std::pair<float, int> cases[] = {{1.9f, 1}, {4.7f, 1}, {5.0f, 2}};
  for (const auto& [time, frame] : cases)
    EXPECT_EQ(render(*loaded.scene, time).lit,
              rect(30, 30, 4, 4, colors[static_cast<std::size_t>(frame)]))
        << time;
}

}  // namespace
