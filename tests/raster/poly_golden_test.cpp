// Small scenes drawn by every drawer kind through real span fillers, compared byte for byte with
// the golden pictures in tests/raster/golden/ (their R, G and B bytes).
//
// SHOWPLAYER_UPDATE_GOLDEN=1 rewrites the pictures from the current code; look at them before
// keeping them.

#include <gtest/gtest.h>
#include <png.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "raster/poly_scene.h"

namespace {

constexpr int32_t kSize = 64;
const std::string kGoldenFolder = SHOWPLAYER_SOURCE_DIR "/tests/raster/golden/";

uint32_t rgb(uint32_t red, uint32_t green, uint32_t blue) {
  return (red << 16) | (green << 8) | blue;
}

// A scene: the image (cleared to a background), its depth buffer cleared to 0, and what is drawn.
struct Scene {
  CImage32Buffered image{kSize, kSize};
  std::vector<uint32_t> depth = std::vector<uint32_t>(kSize * kSize, 0u);
  ZBuffer buffer{kSize, kSize, depth.data()};

  Scene() {
    // A dark two-tone checker so blends and uncovered pixels show.
    for (int32_t y = 0; y < kSize; ++y) {
      for (int32_t x = 0; x < kSize; ++x)
        image.getPixels()[y * kSize + x] = ((x ^ y) & 8) ? rgb(40, 40, 48) : rgb(24, 24, 32);
    }
  }
};

// Table levels 0..255 from `dark` to `light`, channel by channel.
void ramp(RasterMaterial& material, uint32_t dark, uint32_t light) {
  for (uint32_t i = 0; i < 256; ++i) {
    for (uint32_t shift = 0; shift < 24; shift += 8) {
      const uint32_t a = (dark >> shift) & 255, b = (light >> shift) & 255;
      material.colors[i] |= ((a * (255 - i) + b * i) / 255) << shift;
    }
  }
}

void flatScene(Scene& scene) {
  RasterMaterial material;
  ramp(material, rgb(0, 0, 0), rgb(255, 200, 120));
  material.colors[10] = rgb(200, 40, 40);
  material.colors[20] = rgb(40, 200, 60);
  material.colors[30] = rgb(60, 90, 230);
  material.flatSpan = FlatSpanKind::kReplace;
  // A tilted triangle (near at the bottom) through a flat square and a pentagon.
  drawPolygons(scene.image, &scene.buffer, DrawerKind::kFlat, material,
               {{{6.5f, 4, 0.2f, 10, 58, 0.9f, 58, 50.5f, 0.9f}, 10},
                {{20, 14, 0.5f, 20, 44, 0.5f, 50, 44, 0.5f, 50, 14, 0.5f}, 20},
                {{32, 2, 0.7f, 12, 20, 0.7f, 20, 40, 0.7f, 44, 40, 0.7f, 52, 20, 0.7f}, 30}});
  // Blending members over the result: alpha at a = 127, add and subtract.
  material.opacity = 0.5f;
  material.flatSpan = FlatSpanKind::kAlpha;
  drawPolygons(scene.image, nullptr, DrawerKind::kFlat, material,
               {{{2, 40, 1, 2, 62, 1, 24, 62, 1}, 255}});
  material.flatSpan = FlatSpanKind::kAdd;
  drawPolygons(scene.image, nullptr, DrawerKind::kFlat, material,
               {{{40, 52, 1, 36, 62, 1, 62, 62, 1}, 10}});
  material.flatSpan = FlatSpanKind::kSub;
  drawPolygons(scene.image, nullptr, DrawerKind::kFlat, material,
               {{{56, 2, 1, 40, 10, 1, 62, 12, 1}, 20}});
}

void gouraudScene(Scene& scene) {
  RasterMaterial material;
  ramp(material, rgb(10, 20, 90), rgb(255, 230, 80));
  material.gouraudSpan = GouraudSpanKind::kReplace;
  drawPolygons(scene.image, &scene.buffer, DrawerKind::kGouraud, material,
               {{{{4, 4, 0.3f, 0, 8, 60, 0.3f, 255, 60, 30, 0.6f, 128}}},
                {{{60, 4, 0.6f, 255, 4, 36, 0.45f, 0, 60, 60, 0.3f, 200}}}});
}

void vertexAlphaScene(Scene& scene) {
  RasterMaterial material;
  ramp(material, rgb(255, 40, 0), rgb(255, 255, 255));
  material.vertexAlphaSpan = VertexAlphaSpanKind::kAlphaByVertexAlpha;
  // Opaque on the left fading to clear on the right; the level runs top to bottom.
  drawPolygons(
      scene.image, &scene.buffer, DrawerKind::kVertexAlpha, material,
      {{{4, 4, 0.5f, 0, 255, 4, 60, 0.5f, 255, 255, 60, 60, 0.5f, 255, 0, 60, 4, 0.5f, 0, 0}}});
}

void texShadeScene(Scene& scene) {
  RasterMaterial material;
  ramp(material, rgb(0, 0, 0), rgb(160, 160, 160));
  material.pTexture = &testTexture();
  material.texShadeSpan = TexShadeSpanKind::kPointTMinusCReplace;
  // Texture darkened towards the bottom right (t - c), two faces meeting in depth.
  drawPolygons(scene.image, &scene.buffer, DrawerKind::kTexShade, material,
               {{{4, 4, 0.5f, 0, 0, 0, 4, 60, 0.5f, 0, 255, 100, 60, 60, 0.5f, 255, 255, 255}},
                {{60, 10, 0.3f, 0, 0, 0, 20, 30, 0.8f, 128, 0, 50, 56, 60, 0.3f, 64, 200, 0}}});
}

void textureScene(Scene& scene) {
  RasterMaterial material;
  material.pTexture = &testTexture();
  // Bilinear: a 64-texel corner magnified onto a rotated square, so the filtering shows.
  material.textureSpan = TextureSpanKind::kBilinearReplace;
  drawPolygons(
      scene.image, &scene.buffer, DrawerKind::kTexture, material,
      {{{32, 2, 0.5f, 16, 16, 2, 32, 0.5f, 16, 48, 32, 62, 0.5f, 48, 48, 62, 32, 0.5f, 48, 16}}});
  // Tiled fetch, wrapping past 256, nearer than the square's middle.
  material.textureSpan = TextureSpanKind::kTiledReplace;
  drawPolygons(scene.image, &scene.buffer, DrawerKind::kTexture, material,
               {{{20, 20, 0.7f, 200, 0, 20, 44, 0.7f, 200, 300, 44, 44, 0.4f, 500, 300}}});
}

void texColorScene(Scene& scene) {
  RasterMaterial material;
  ramp(material, rgb(0, 0, 0), rgb(0, 120, 255));
  material.pTexture = &testTexture();
  material.texColorSpan = TexColorSpanKind::kPointTMinusKAdd;
  // (t - k) added over the checker; k is the table entry of the level.
  drawPolygons(scene.image, nullptr, DrawerKind::kTexColor, material,
               {{{4, 4, 1, 0, 0, 4, 60, 1, 0, 128, 40, 60, 1, 128, 128}, 80},
                {{60, 4, 1, 255, 0, 24, 20, 1, 0, 0, 60, 60, 1, 255, 255}, 200}});
}

void perspectiveScene(Scene& scene) {
  RasterMaterial material;
  material.pTexture = &testTexture();
  material.perspectiveSpan = PerspectiveSpanKind::kPointReplace;
  // A floor running away from the viewer: 1/z from 1 at the bottom to 1/8 at the horizon, the
  // texture repeated twice across and four times along it.
  drawPolygons(
      scene.image, &scene.buffer, DrawerKind::kPerspective, material,
      {{{24, 8, 0.125f, 0, 1024, 0, 63, 1, 0, 0, 64, 63, 1, 512, 0, 40, 8, 0.125f, 512, 1024}}});
}

struct GoldenCase {
  const char* name;
  void (*draw)(Scene&);
};

class Golden : public ::testing::TestWithParam<GoldenCase> {};

// Compares the scene's R, G and B bytes with the 8-bit RGB PNG file (libpng's simple API).
TEST_P(Golden, MatchesThePicture) {
  Scene scene;
  GetParam().draw(scene);
  std::vector<uint8_t> rgb;
  for (int32_t i = 0; i < kSize * kSize; ++i) {
    for (const int shift : {16, 8, 0})
      rgb.push_back(static_cast<uint8_t>(scene.image.getPixels()[i] >> shift));
  }
  const std::string path = kGoldenFolder + GetParam().name + ".png";
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  png.format = PNG_FORMAT_RGB;
  const char* update = std::getenv("SHOWPLAYER_UPDATE_GOLDEN");
  if (update && std::strcmp(update, "1") == 0) {
    png.width = png.height = kSize;
    ASSERT_TRUE(png_image_write_to_file(&png, path.c_str(), 0, rgb.data(), 0, nullptr)) << path;
    GTEST_SKIP() << "golden picture rewritten: " << path;
  }
  ASSERT_TRUE(png_image_begin_read_from_file(&png, path.c_str())) << "missing " << path;
  png.format = PNG_FORMAT_RGB;
  std::vector<uint8_t> golden(PNG_IMAGE_SIZE(png));
  const bool read = png_image_finish_read(&png, nullptr, golden.data(), 0, nullptr) != 0;
  png_image_free(&png);
  ASSERT_TRUE(read) << path;
  ASSERT_EQ(golden.size(), rgb.size()) << path;
  EXPECT_TRUE(golden == rgb) << "bytes differ from " << path;
}

INSTANTIATE_TEST_SUITE_P(PolyScenes, Golden,
                         ::testing::Values(GoldenCase{"poly_flat", flatScene},
                                           GoldenCase{"poly_gouraud", gouraudScene},
                                           GoldenCase{"poly_vertex_alpha", vertexAlphaScene},
                                           GoldenCase{"poly_tex_shade", texShadeScene},
                                           GoldenCase{"poly_texture", textureScene},
                                           GoldenCase{"poly_tex_color", texColorScene},
                                           GoldenCase{"poly_perspective", perspectiveScene}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
