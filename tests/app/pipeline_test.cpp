// The 2D pipeline end to end through `showplayer render`: a BMP and a run-length TGA picture
// written here are mixed and filtered by shows whose frames are kept as golden pictures (the
// blend and effect formulas are checked in the image, fx and script tests); a truncated picture
// keeps the show going, its frame compared with values worked out from the picture; and a 2D
// scene drawn into a layer by a 2D_DESC, with pixels worked out by hand beside its golden.
//
// SHOWPLAYER_UPDATE_GOLDEN=1 rewrites the golden pictures from the current program; look at them
// before keeping them.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>

#include "tests/app/app_test_util.h"
#include "tests/s3d/s2d_bytes.h"
#include "tests/support/picture_files.h"

namespace fs = std::filesystem;

namespace {

constexpr int kWidth = 512;
constexpr int kHeight = 256;

uint32_t rgb(int red, int green, int blue) {
  return (static_cast<uint32_t>(red) << 16) | (static_cast<uint32_t>(green) << 8) |
         static_cast<uint32_t>(blue);
}

// The pictures of the shows.
uint32_t gradient(int x, int y) {
  return rgb(x / 2, y, 255 - x / 2);
}
constexpr uint32_t kCheckA = 0xC8285Au;  // 200, 40, 90
constexpr uint32_t kCheckB = 0x1EB4FAu;  // 30, 180, 250
uint32_t checker(int x, int y) {
  return ((x / 32 + y / 32) & 1) ? kCheckB : kCheckA;
}

class PipelineShow : public ::testing::Test {
 protected:
  void SetUp() override {
    using namespace picture_files;
    ASSERT_TRUE(writeBytes(m_folder.file("gradient.bmp"), bmpBytes(kWidth, kHeight, gradient)));
    ASSERT_TRUE(writeBytes(m_folder.file("checker.tga"), tgaBytes(kWidth, kHeight, checker, true)));
  }

  // Renders the show at each time into frames/. Every show has the dimension "screen"
  // (512 x 256), the pictures grad and check, and the frame layer "frame" after any screen layers
  // of `sections`.
  ProgramRun render(std::map<std::string, std::vector<std::string>> sections,
                    const std::vector<int>& times) {
    sections["LAYER_DIMENSION"] = {"desc: screen 512 256"};
    auto& images = sections["IMAGE"];
    images.insert(images.begin(), {"file: grad gradient.bmp", "file: check checker.tga"});
    sections["SCREEN_LAYER"].push_back("desc: frame screen");
    writeTextFile(m_folder.path() / "show.lscx", scriptText(sections));
    return renderFrames("show.lscx", times, m_folder.path());
  }

  std::string file(int time) const {
    return m_folder.file("frames/frame-" + std::to_string(time) + ".png");
  }
  ::testing::AssertionResult golden(int time, const std::string& name) const {
    return matchesGolden(file(time), name);
  }

  TempFolder m_folder;
};

}  // namespace

// The layer: the gradient with the checkerboard mixed in at 0.5, then one effect a second: the
// relief, SHADE with factor 0.5 (the relief scaled by 127), the radial blurs and the row blur.
TEST_F(PipelineShow, EffectsMatchTheirGoldens) {
  const ProgramRun run =
      render({{"MIX", {"desc: blit BLIT"}},
              {"EFFECT",
               {"desc: relief EMBOSS screen", "desc: rays RADIAL screen", "desc: rows DEMOSPE01"}},
              {"MIX_DESC", {"desc: half blit NULL NORMAL 0.5 NULL"}},
              {"EFFECT_DESC",
               {"desc: emboss relief NULL EMBOSS 1.0", "desc: shade relief NULL SHADE 0.5",
                "desc: smooth rays NULL SMOOTH 0.9 0.05 256 128",
                "desc: fast rays NULL FAST 0.9 0.05 256 128", "desc: noisy rows NULL 0"}},
              {"LAYER_MANAGER",
               {"desc: frame 1 0 100000 w grad", "desc: frame 2 0 100000 m half check",
                "desc: frame 3 0 1000 e emboss", "desc: frame 3 1000 2000 e shade",
                "desc: frame 3 2000 3000 e smooth", "desc: frame 3 3000 4000 e fast",
                "desc: frame 3 4000 5000 e noisy"}}},
             {500, 1500, 2500, 3500, 4500});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.err, "");
  EXPECT_TRUE(golden(500, "pipeline-emboss.png"));
  EXPECT_TRUE(golden(1500, "pipeline-shade.png"));
  EXPECT_TRUE(golden(2500, "pipeline-radial-smooth.png"));
  EXPECT_TRUE(golden(3500, "pipeline-radial-fast.png"));
  EXPECT_TRUE(golden(4500, "pipeline-rowblur.png"));
}

// A missing picture (the script tests) is reported and leaves the layer as it was; a truncated one
// keeps the rows it has.
TEST_F(PipelineShow, ATruncatedPictureKeepsTheRowsItHas) {
  using namespace picture_files;
  // 100 whole rows (the bottom ones) and 300 pixels of the next.
  std::vector<uint8_t> cut = bmpBytes(kWidth, kHeight, gradient);
  cut.resize(54 + 100 * kWidth * 3 + 300 * 3);
  ASSERT_TRUE(writeBytes(m_folder.file("cut.bmp"), cut));
  const ProgramRun run = render(
      {{"IMAGE", {"file: cut cut.bmp"}}, {"LAYER_MANAGER", {"desc: frame 1 0 1000 w cut"}}}, {500});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.err, "CImage32FromData file " + m_folder.file("cut.bmp") +
                         ": truncated, missing pixels left black\n");
  // The bottom rows 156..255 and the first 300 pixels of row 155 were read; the rest is black.
  // With one time, "frames" is the picture itself.
  EXPECT_TRUE(showsLayer(readPng(m_folder.file("frames")).value_or(RgbImage{}), [](int x, int y) {
    return y >= 156 || (y == 155 && x < 300) ? gradient(x, y) : 0u;
  }));
}

// The camera stands at (0, 0, -256) looking at the origin, fov 90 degrees, over the 512 x 256
// layer: scaleX = 256, scaleY = 256, centre (256, 128), so a world point (x, y, 0) lands on the
// layer pixel (256 + x, 128 - y) and a sprite of scale 1 covers its picture's size about it.

namespace {

constexpr std::uint32_t kBackground = 0x204060u;
constexpr std::uint32_t kYellow = 0xFFFF00u;
constexpr std::uint32_t kMagenta = 0xFF00FFu;
constexpr std::uint32_t kGreen = 0x00FF00u;

// Grey 255 within 12 texels of the centre, 0 from 16 on, a ramp between.
std::uint32_t discMask(int x, int y) {
  const double d = std::hypot(x - 15.5, y - 15.5);
  const auto g =
      static_cast<std::uint32_t>(std::lround(255.0 * std::clamp((16.0 - d) / 4.0, 0.0, 1.0)));
  return g * 0x010101u;
}

void writePictures(const TempFolder& folder) {
  using picture_files::tgaBytes;
  std::filesystem::create_directories(folder.path() / "data");
  const auto write = [&](const std::string& name, int width, int height,
                         const picture_files::PixelFunction& pixel) {
    ASSERT_TRUE(picture_files::writeBytes(folder.file("data/" + name),
                                          tgaBytes(width, height, pixel, false)));
  };
  write("disc.tga", 32, 32, [](int, int) { return 0xFFC040u; });
  write("discmask.tga", 32, 32, discMask);
  // Stripes of 16 columns: red, green, blue, white.
  write("bars.tga", 64, 32, [](int x, int) {
    const std::uint32_t colors[] = {0xFF0000u, 0x00FF00u, 0x0000FFu, 0xFFFFFFu};
    return colors[x / 16];
  });
  write("ghost.tga", 48, 48, [](int, int) { return 0x808080u; });
  write("shade.tga", 16, 16, [](int, int) { return 0x101010u; });
  write("grid.tga", 8, 8,
        [](int x, int y) { return ((x / 2 + y / 2) & 1) != 0 ? 0xE0E0E0u : 0x303030u; });
  write("arrow.tga", 32, 16, [](int x, int) { return x < 16 ? kYellow : kMagenta; });
  write("tail.tga", 8, 8, [](int, int) { return kGreen; });
}

// 60 frames. At frame 30 (1000 ms into the write): the disc with its soft alpha map at
// (-160, 48); the bars, additive, moving from x = -64 to 64 over the 60 frames, at (0, 64); the
// ghost at (160, 48), its opacity going 0 -> 1, at 0.5; the shade, subtractive, 32 x 32 at
// (-160, -48); the 8 x 8 grid enlarged 6 times with bilinear sampling at (0, -48); the arrow
// turned by pi/2 about z at (160, -48), and its tail, a child 40 along the arrow's x axis.
std::string spriteScene() {
  using namespace s2d;
  const auto at = [](float x, float y) { return Head{.position = Xyz{x, y, 0.0f}}; };
  Scene scene{.animLength = 60,
              .objects = {{0, at(-160, 48)},
                          {1, {.positionKeys = {{0, Xyz{-64, 64, 0}}, {60, Xyz{64, 64, 0}}}}},
                          {2, at(160, 48)},
                          {3, {.position = Xyz{-160, -48, 0}, .scale = Xyz{2, 2, 1}}},
                          {4, {.position = Xyz{0, -48, 0}, .scale = Xyz{6, 6, 1}}},
                          {5,
                           {.name = "arrow",
                            .position = Xyz{160, -48, 0},
                            .rotation = l3x::AngleAxis{1.5707964f, {0, 0, 1}}}},
                          {6, {.name = "tail", .parent = "arrow", .position = Xyz{40, 0, 0}}}},
              .cameras = {{.eye = {.position = Xyz{0, 0, -256}}}},
              .materials = {{.picture = "disc.tga", .alphaMap = "discmask.tga"},
                            {.picture = "bars.tga", .mode = 1},
                            {.picture = "ghost.tga", .opacity = {{0, 0.0f}, {60, 1.0f}}},
                            {.picture = "shade.tga", .mode = 2},
                            {.picture = "grid.tga", .filter = 1},
                            {.picture = "arrow.tga"},
                            {.picture = "tail.tga"}}};
  const Bytes file = chunk_bytes::plainFile(sceneChunk(scene));
  return std::string(file.begin(), file.end());
}

}  // namespace

TEST(Scene2DShow, SpritesRenderIntoTheLayerAsTheGoldenShows) {
  TempFolder folder;
  writePictures(folder);
  writeTextFile(folder.path() / "data/sprites.s2d", spriteScene());
  writeTextFile(
      folder.path() / "show.lscx",
      scriptText({{"LAYER_DIMENSION", {"desc: band 512 256"}},
                  {"2D", {"file: sprites data\\sprites.s2d"}},
                  {"SCREEN_LAYER", {"desc: screen band"}},
                  {"2D_DESC", {"desc: view sprites band NULL 0 0"}},
                  {"LAYER_MANAGER",
                   {"desc: screen 1 0 100000 c 32 64 96", "desc: screen 2 0 100000 w view"}}}));
  const ProgramRun run =
      runShowPlayer({"render", "show.lscx", "--at", "1000", "--out", "frame.png"}, folder.path());
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err, "");
  const std::string rendered = folder.file("frame.png");
  EXPECT_TRUE(matchesGolden(rendered, "scene2d-1000.png"));

  const std::optional<RgbImage> frame = readPng(rendered);
  ASSERT_TRUE(frame);
  // Per byte, s the sprite, d = 0x20, 0x40, 0x60 the cleared layer.
  const struct {
    int x, y;
    std::uint32_t expected;
    const char* what;
  } pixels[] = {
      {10, 10, kBackground, "nothing drawn"},
      // Map byte m = 255: (s 255) >> 8 + (d 0) >> 8 of 0xFF, 0xC0, 0x40.
      {96, 80, 0xFEBF3Fu, "disc centre"},
      // m = 0 in the corner: (d 255) >> 8.
      {83, 67, 0x1F3F5Fu, "disc corner"},
      {230, 64, 0xFF4060u, "red bar, sat(d + s)"},
      {245, 64, 0x20FF60u, "green bar"},
      {260, 64, 0x2040FFu, "blue bar"},
      {280, 64, 0xFFFFFFu, "white bar"},
      // Opacity 0.5: (d + 0x80) >> 1.
      {416, 80, 0x506070u, "ghost"},
      // sat(d - 0x10).
      {96, 176, 0x103050u, "shade"},
      // The arrow stands 16 wide, x 408..423, y 160..191: its left half (yellow) on top.
      {416, 165, kYellow, "arrow top"},
      {416, 185, kMagenta, "arrow bottom"},
      // The tail: (160, -48) + (40, 0) turned by pi/2 = (160, -88).
      {416, 216, kGreen, "tail"},
      {456, 176, kBackground, "where the tail would be without the turn"},
  };
  for (const auto& p : pixels)
    EXPECT_EQ(frame->at(p.x, p.y + 64), p.expected) << p.what;
}
