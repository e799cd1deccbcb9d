// Small scenes drawn by every drawer kind through real span fillers, compared byte for byte with
// the golden pictures in tests/raster/golden/ (their R, G and B bytes). Beside each scene, a few
// of its pixels worked out beforehand by golden_pixels.py (the scene data, the fill rules and the
// span formulas in exact arithmetic, keeping only pixels the fixed-point rounding cannot change),
// so a picture rewritten from faulty code still fails.
//
// SHOWPLAYER_UPDATE_GOLDEN=1 rewrites the pictures from the current code; look at them before
// keeping them.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "raster/poly_scene.h"
#include "tests/support/golden_png.h"

namespace {

constexpr int32_t kSize = 64;
const std::string kGoldenFolder = SHOWPLAYER_SOURCE_DIR "/tests/raster/golden/";

uint32_t rgb(uint32_t red, uint32_t green, uint32_t blue) {
  return (red << 16) | (green << 8) | blue;
}

// A pixel of a scene, 0x00RRGGBB.
struct WorkedPixel {
  int32_t x, y;
  uint32_t rgb;
};

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

// Background (x ^ y) & 8 ? 0x282830 : 0x181820; colours 10 = C82828, 20 = 28C83C, 30 = 3C5AE6.
const std::vector<WorkedPixel> kFlatPixels = {
    {49, 14, 0x28C83Cu},  // the square's top-right pixel: top edge y = 14 in, x < 50
    {50, 14, 0x282830u},  // right edge x = 50 out
    {17, 31, 0x3C5AE6u},  // pentagon's left edge x = 12 + 8 * 11 / 20 = 16.4: x = 17 in
    {16, 31, 0xC82828u},  // ... x = 16 out, the triangle behind it
    {9, 31, 0xC82828u},   // triangle's left edge x = 6.5 + 3.5 * 27 / 54 = 8.25: x = 9 in
    {8, 31, 0x181820u},   // ... x = 8 out
    {30, 30, 0x3C5AE6u},  // 1/z: pentagon 0.7 > triangle 0.58 > square 0.5
    {48, 42, 0xC82828u},  // the triangle (0.77), drawn first, hides the square (0.5)
    // Alpha a = trunc(0.5 * 255) = 127 of FFC878 over 282830: red (40 * 128 >> 8) +
    // (255 * 127 >> 8) = 20 + 126 = 0x92, green 20 + 99 = 0x77, blue 24 + 59 = 0x53.
    {3, 60, 0x927753u},
    {50, 60, 0xF05058u},  // add: 282830 + C82828
    {58, 8, 0x000000u},   // sub: 181820 - 28C83C saturates at 0
};

void gouraudScene(Scene& scene) {
  RasterMaterial material;
  ramp(material, rgb(10, 20, 90), rgb(255, 230, 80));
  material.gouraudSpan = GouraudSpanKind::kReplace;
  drawPolygons(scene.image, &scene.buffer, DrawerKind::kGouraud, material,
               {{{{4, 4, 0.3f, 0, 8, 60, 0.3f, 255, 60, 30, 0.6f, 128}}},
                {{{60, 4, 0.6f, 255, 4, 36, 0.45f, 0, 60, 60, 0.3f, 200}}}});
}

// table[i] = (dark (255 - i) + light i) / 255 per channel, at the level's integer part.
const std::vector<WorkedPixel> kGouraudPixels = {
    {5, 10, 0x232A58u},   // first triangle alone, level 27.4: (10 * 228 + 255 * 27) / 255 = 35
    {20, 30, 0x4C4C57u},  // second triangle nearer (1/z 0.48 > 0.38), level 69.8
    {8, 59, 0xFAE150u},   // left edge x = 4 + 4 * 55 / 56 = 7.93 at y = 59: x = 8 in, level 250.5
    {7, 59, 0x282830u},   // ... x = 7 out
    {60, 59, 0x181820u},  // right edge x = 60 out
};

void vertexAlphaScene(Scene& scene) {
  RasterMaterial material;
  ramp(material, rgb(255, 40, 0), rgb(255, 255, 255));
  material.vertexAlphaSpan = VertexAlphaSpanKind::kAlphaByVertexAlpha;
  // Opaque on the left fading to clear on the right; the level runs top to bottom.
  drawPolygons(
      scene.image, &scene.buffer, DrawerKind::kVertexAlpha, material,
      {{{4, 4, 0.5f, 0, 255, 4, 60, 0.5f, 255, 255, 60, 60, 0.5f, 255, 0, 60, 4, 0.5f, 0, 0}}});
}

// Level L = 255 (y - 4) / 56, alpha A = 255 (60 - x) / 56; ((d (255 - A)) >> 8) + ((c A) >> 8).
const std::vector<WorkedPixel> kVertexAlphaPixels = {
    // L 4.6, A 250.4: c = table[4] = FF2B04 over 181820: red 0 + (255 * 250 >> 8) = 0xF9.
    {5, 5, 0xF92903u},
    // L 118.4, A 136.6: c = FF8B76: red (24 * 119 >> 8) + (255 * 136 >> 8) = 11 + 135 = 0x92.
    {30, 30, 0x92544Cu},
    {59, 59, 0x1A1A22u},  // A 4.6: almost the background
    {60, 30, 0x181820u},  // right edge out
    {4, 60, 0x282830u},   // bottom edge out
};

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

// Texel (u, v) off the grid lines = (u, v, 255 - ((u + v) >> 1)); c = grey 160 * level / 255.
const std::vector<WorkedPixel> kTexShadePixels = {
    {5, 50, 0x009D61u},   // u 4.6, v 209.5, level 84.9: (4, 209, 149) - 52, red at 0
    {30, 38, 0x572098u},  // second face nearer (0.66 > 0.5): u 109.9, v 54.2, level 36.1
    {50, 52, 0x4C5500u},  // first face nearer (0.5 > 0.39): (209, 218, 42) - 133
    {20, 59, 0x00A105u},  // last scanline: (72, 250, 94) - 89
    {20, 60, 0x282830u},  // bottom edge y = 60 out
};

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

const std::vector<WorkedPixel> kTexturePixels = {
    // Bilinear, u = v = 16 + 19 * 8 / 15 = 26.13: fractions 546 / 4096, weights 192, 29, 29, 4;
    // red (26 * 221 + 27 * 33) >> 8 = 25, blue (229 * 250 + 228 * 4) >> 8 = 227.
    {32, 21, 0x1919E3u},
    // Tiled, 1/z 0.7 - 0.3 (x - 20) / 24 beats the square's 0.5; u = 200 + 12.5 (x - 20),
    // v = 12.5 (y - 20), both wrapped at 256.
    {29, 37, 0x38D479u},  // (312.5, 212.5): texel (56, 212)
    {23, 41, 0xED0686u},  // (237.5, 262.5): texel (237, 6)
    {31, 33, 0x51A286u},  // (337.5, 162.5): texel (81, 162)
};

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

// sat(d + sat(t - k)), k = table[80] = 002550 or table[200] = 005EC8.
const std::vector<WorkedPixel> kTexColorPixels = {
    {5, 30, 0x2B3EC0u},   // 282830 + ((3, 59, 224) - k80)
    {50, 30, 0xE02C30u},  // 282830 + ((184, 98, 114) - k200)
    {38, 58, 0xA07E66u},  // right edge x = 4 + 36 * 54 / 56 = 38.7: in; texel (120, 123, 134)
    {39, 58, 0x282830u},  // ... x = 39 out
};

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

// 1/z = 0.125 + 0.875 (y - 8) / 55 on each scanline; u = (u/z) / (1/z), v likewise.
const std::vector<WorkedPixel> kPerspectivePixels = {
    {31, 20, 0xEC3C6Bu},  // u 236.7, v 316.8: texel (236, 60)
    {10, 50, 0x2A26D7u},  // u 42.1, v 38.1: texel (42, 38)
    {63, 62, 0xFB0281u},  // u 507.4, v 2.4: texel (251, 2)
    {0, 62, 0x282830u},   // left edge x = 24 - 24 * 54 / 55 = 0.44: x = 0 out
    {63, 63, 0x181820u},  // bottom edge y = 63 out
};

struct GoldenCase {
  const char* name;
  void (*draw)(Scene&);
  const std::vector<WorkedPixel>& worked;
};

class Golden : public ::testing::TestWithParam<GoldenCase> {};

// Compares the scene's R, G and B bytes with the 8-bit RGB PNG file (libpng's simple API).
TEST_P(Golden, MatchesThePicture) {
  Scene scene;
  GetParam().draw(scene);
  for (const WorkedPixel& p : GetParam().worked)
    EXPECT_EQ(scene.image.getPixels()[p.y * kSize + p.x] & 0xFFFFFFu, p.rgb)
        << GetParam().name << " pixel " << p.x << "," << p.y;
  std::vector<uint8_t> rgb;
  for (int32_t i = 0; i < kSize * kSize; ++i) {
    for (const int shift : {16, 8, 0})
      rgb.push_back(static_cast<uint8_t>(scene.image.getPixels()[i] >> shift));
  }
  expectGoldenRgb(kGoldenFolder + GetParam().name + ".png", kSize, kSize, rgb);
}

INSTANTIATE_TEST_SUITE_P(
    PolyScenes, Golden,
    ::testing::Values(GoldenCase{"poly_flat", flatScene, kFlatPixels},
                      GoldenCase{"poly_gouraud", gouraudScene, kGouraudPixels},
                      GoldenCase{"poly_vertex_alpha", vertexAlphaScene, kVertexAlphaPixels},
                      GoldenCase{"poly_tex_shade", texShadeScene, kTexShadePixels},
                      GoldenCase{"poly_texture", textureScene, kTexturePixels},
                      GoldenCase{"poly_tex_color", texColorScene, kTexColorPixels},
                      GoldenCase{"poly_perspective", perspectiveScene, kPerspectivePixels}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
