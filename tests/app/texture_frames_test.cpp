// A textured 3D scene drawn into a layer by a 3D_DESC, rendered by the program and compared with
// its golden picture, with pixels worked out by hand beside it: a picture texture (a window of a
// checkerboard resampled to 256 x 256) and a video texture showing the frame of the scene's time.
//
// The camera stands at (0, 0, -256) looking along +z, fov pi/2, over the 512 x 256 layer:
// scaleX = 256, so a point (x, y, 0) lands on the layer pixel (256 + x, 128 - y).

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "tests/app/app_test_util.h"
#include "tests/fx/video_writer.h"
#include "tests/s3d/l3x_bytes.h"
#include "tests/support/picture_files.h"

namespace {

using namespace l3x;

constexpr std::uint32_t kRed = 0xE02020u;
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
  const Bytes file = sceneFile(
      {wordChunk(50, 90),
       cameras({camera({.head = {.name = "camera", .position = Xyz{0, 0, -256}},
                        .target = Head{.name = "camera.target", .position = Xyz{0, 0, 0}}})}),
       materials({material("paint", {picture, video})}), meshes({quads})});
  return std::string(file.begin(), file.end());
}

// A 64 x 64 checkerboard of 16-texel squares, red where (column + row) is even.
std::uint32_t checker(int x, int y) {
  return ((x / 16 + y / 16) & 1) == 0 ? kRed : kCream;
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
      {76, 68, kRed, "square (0, 0)"},
      {116, 68, kCream, "square (1, 0)"},
      {116, 108, kRed, "square (1, 1)"},
      {196, 148, kCream, "square (3, 2)"},
      {196, 188, kRed, "square (3, 3)"},
      {376, 128, kFrameColours[2], "video frame 2"},
      {256, 128, 0x204060u, "between the quads"},
  };
  for (const auto& p : pixels)
    EXPECT_EQ(frame->at(p.x, p.y), p.expected) << p.what;
}
