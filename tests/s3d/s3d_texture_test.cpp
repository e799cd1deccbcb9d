// Textures of scenes and what reads them: picture windows and power-of-two maps with their
// reports, video textures, channel operations, the map layer's coordinate transform (on its own,
// in the opacity map and in textured drawing) and the light map of drawing mode 4.
//
// Drawn scenes use a 32 x 32 screen, the camera at the origin looking along +z (fov pi/2): a
// camera-space point (x, y, z) lands at x' = 16 + 16 x / z, y' = 16 - 32 y / z.

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "base/report.h"
#include "s3d/s3d_channel.h"
#include "s3d/s3d_texture.h"
#include "tests/fx/video_writer.h"
#include "tests/s3d/s3d_render_util.h"
#include "tests/support/picture_files.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace s3d_render;

void writeBmp(const TempDir& dir, const char* name, int width, int height,
              const picture_files::PixelFunction& pixel) {
  const std::vector<uint8_t> bytes = picture_files::bmpBytes(width, height, pixel);
  dir.write(name, std::string(bytes.begin(), bytes.end()));
}

uint32_t texel(const RasterTexture& texture, int x, int y) {
  return texture.plain()->getPixels()[y * texture.plain()->getWidth() + x] & 0xFFFFFFu;
}

TEST(S3DTexture32, PictureWindowsAndMapsWithTheirReports) {
  TempDir dir;
  dir.enter();
  // Each texel names its own position: red = x mod 256, green = y mod 256, blue = which quarter.
  const auto position = [](int x, int y) {
    return static_cast<uint32_t>((x & 0xFF) << 16 | (y & 0xFF) << 8 | (x >> 8) << 1 | (y >> 8));
  };
  writeBmp(dir, "quarters.bmp", 512, 512, position);
  writeBmp(dir, "wide.bmp", 256, 128, position);
  writeBmp(dir, "odd.bmp", 300, 256, position);
  writeBmp(dir, "short.bmp", 256, 100, position);

  // The window (0.5, 0.5, 0.5, 0.5) of a 512 x 512 picture is its 256 x 256 quarter at (256,
  // 256), taken one to one: texel (10, 20) is picture pixel (266, 276) = 0x0A1403.
  S3DTexture32 quarter;
  {
    ReportCapture capture;
    quarter.load("quarters.bmp", 0.5f, 0.5f, 0.5f, 0.5f);
    EXPECT_TRUE(capture.lines().empty());
  }
  ASSERT_NE(quarter.getRaster(), nullptr);
  EXPECT_EQ(texel(*quarter.getRaster(), 10, 20), 0x0A1403u);
  EXPECT_EQ(texel(*quarter.getRaster(), 255, 0), 0xFF0003u);
  EXPECT_NE(quarter.getRaster()->tiled(), nullptr);

  struct Row {
    const char* what;
    const char* file;
    bool map;  // a map layer's load: the picture unchanged
    float w;
    const char* report;  // empty: none
    int32_t columnShift, rowShift;
  };
  const std::vector<Row> rows{
      {"window under a texel wide", "quarters.bmp", false, 0.001f,
       "S3DTexture32 warning !|load u v w h: bad dimension", -1, -1},
      {"NULL loads nothing", "NULL", false, 0.5f, "", -1, -1},
      {"256 x 128 map", "wide.bmp", true, 0, "", 8, 7},
      {"300 x 256 map", "odd.bmp", true, 0, "S3DTexture32 warning !|width is not a power of 2", -1,
       -1},
      {"256 x 100 map", "short.bmp", true, 0, "S3DTexture32 warning !|height is not a power of 2",
       -1, -1},
  };
  for (const Row& row : rows) {
    S3DTexture32 texture;
    ReportCapture capture;
    if (row.map) {
      texture.load(row.file);
    } else {
      texture.load(row.file, 0.0f, 0.0f, row.w, 0.5f);
    }
    const std::vector<std::string> expected =
        *row.report ? std::vector<std::string>{row.report} : std::vector<std::string>{};
    EXPECT_EQ(capture.lines(), expected) << row.what;
    const RasterTexture* pRaster = texture.getRaster();
    ASSERT_EQ(pRaster != nullptr, row.columnShift >= 0) << row.what;
    if (!pRaster) continue;
    EXPECT_EQ(pRaster->columnShift(), row.columnShift) << row.what;
    EXPECT_EQ(pRaster->rowShift(), row.rowShift) << row.what;
    EXPECT_EQ(pRaster->columnMask(), 255u) << row.what;
    EXPECT_EQ(pRaster->rowMask(), 127u) << row.what;
    EXPECT_EQ(texel(*pRaster, 200, 100), 0xC86400u) << row.what;
  }
}

TEST(S3DTextureAvi, FramesWrapBothWaysAndABadFileHasNone) {
  if (fx_test::encoderName(fx_test::VideoCodec::Raw).empty()) GTEST_SKIP() << "no raw encoder";
  TempDir dir;
  dir.enter();
  // Ten 8 x 8 frames, frame i all grey 20 i.
  std::vector<std::vector<uint32_t>> frames;
  for (uint32_t i = 0; i < 10; ++i)
    frames.emplace_back(64, (20 * i) * 0x010101u);
  fx_test::VideoFormat format;
  format.width = 8;
  format.height = 8;
  ASSERT_FALSE(fx_test::writeVideo((dir.path() / "grey.avi").string(), format, frames));

  S3DTexture32 video;
  video.load("grey.avi", 0, 0, 1, 1);
  ASSERT_TRUE(video.isVideo());
  const S3DTextureAvi& avi = *video.getVideo();
  ASSERT_EQ(avi.getNbFrame(), 10);
  EXPECT_EQ(avi.getFrameDuration(), 100);
  // Frame 12 is frame 2 (grey 40), frame -1 is frame 9 (grey 180); read inside the picture,
  // away from the stretched edges that the bilinear filter blends with what lies outside.
  EXPECT_EQ(texel(*avi.frame(12), 100, 100), 0x282828u);
  EXPECT_EQ(texel(*avi.frame(-1), 100, 100), 0xB4B4B4u);
  // The texture shows the frame of its time: 250 ms into 100 ms frames is frame 2.
  EXPECT_EQ(texel(*video.getRaster(), 100, 100), 0x000000u);
  video.setTime(250.0f);
  EXPECT_EQ(texel(*video.getRaster(), 100, 100), 0x282828u);

  dir.write("broken.avi", "RIFF\x10\0\0\0AVI LIST not a video at all");
  S3DTexture32 broken;
  ReportCapture capture;
  broken.load("broken.avi", 0, 0, 1, 1);
  EXPECT_EQ(broken.getRaster(), nullptr);
  ASSERT_FALSE(capture.lines().empty());
  EXPECT_EQ(capture.lines().back(), "S3DTextureAvi warning: |no frame");
}

TEST(S3DChannels, OperationsAndTexelOpacity) {
  const std::vector<float> a{0.25f, 0.75f}, b{0.5f, 0.5f};
  const struct {
    int32_t code;
    float out0, out1;
  } operations[] = {{0, 0.25f, 0.75f}, {1, 0.75f, 1.25f}, {2, -0.25f, 0.25f}, {3, 0.125f, 0.375f},
                    {4, 0.25f, 0.5f},  {5, 0.5f, 0.75f},  {6, 0.75f, 0.25f},  {99, 0.25f, 0.75f}};
  for (const auto& op : operations) {
    std::vector<float> out(2, -9.0f);
    applyChannelOperation(op.code, a, b, out);
    EXPECT_EQ(out, (std::vector<float>{op.out0, op.out1})) << "code " << op.code;
  }

  // A 4 x 4 texture: column 1 of row 2 is 0x336699, (51 + 102 + 153) / 765 = 0.4; (0, 0) white.
  CImage32Buffered picture;
  picture.init(4, 4);
  std::fill_n(picture.getPixels(), 16, 0u);
  picture.getPixels()[0] = 0xFFFFFFu;
  picture.getPixels()[2 * 4 + 1] = 0x336699u;
  RasterTexture texture;
  ASSERT_TRUE(texture.setPowerOfTwo(picture));
  // (u, v) reads texel (trunc(4 u), trunc(4 (1 - v))) masked to 0..3.
  EXPECT_NEAR(texelOpacity(texture, 0.3f, 0.3f), 0.4f, 1e-6f);
  EXPECT_NEAR(texelOpacity(texture, 1.3f, 0.3f), 0.4f, 1e-6f);  // wraps
  EXPECT_FLOAT_EQ(texelOpacity(texture, 0.1f, 0.9f), 1.0f);
  EXPECT_FLOAT_EQ(texelOpacity(texture, 0.6f, 0.9f), 0.0f);
}

TEST(S3DMapLayer, TheCoordinateTransformTurnsTilesOffsetsAndWraps) {
  struct Row {
    const char* what;
    int32_t on;
    float angle, tileU, tileV, offsetU, offsetV;
    int32_t wrap;
    float u, v, expectU, expectV;
  };
  // The turn is about (0.5, 0.5): (1, 0.5) is (0.5, 0) from the centre; a quarter turn makes it
  // (0, 0.5); back at the centre (0.5, 1), tiled by 2 (1, 2), offset by 0.25 (1.25, 2.25).
  const std::vector<Row> rows{
      {"off", 0, 1.0f, 3, 3, 1, 1, 1, 1.3f, -0.2f, 1.3f, -0.2f},
      {"quarter turn", 1, kPi / 2, 2, 2, 0.25f, 0.25f, 0, 1.0f, 0.5f, 1.25f, 2.25f},
      {"quarter turn wrapped", 1, kPi / 2, 2, 2, 0.25f, 0.25f, 1, 1.0f, 0.5f, 0.25f, 0.25f},
      // (0.5 · 3 - 0.5, 0.25 · 1 - 0.5) = (1, -0.25), wrapped (0, 0.75).
      {"tiles and negative offset", 1, 0, 3, 1, -0.5f, -0.5f, 1, 0.5f, 0.25f, 0.0f, 0.75f},
  };
  for (const Row& row : rows) {
    S3DMapLayer layer;
    layer.m_uvTransform = row.on;
    layer.m_angle = row.angle;
    layer.m_tileU = row.tileU;
    layer.m_tileV = row.tileV;
    layer.m_offsetU = row.offsetU;
    layer.m_offsetV = row.offsetV;
    layer.m_wrap = row.wrap;
    float u = row.u, v = row.v;
    layer.transformUV(u, v);
    EXPECT_NEAR(u, row.expectU, 1e-6f) << row.what;
    EXPECT_NEAR(v, row.expectV, 1e-6f) << row.what;
  }
}

// A quad at z = 10 from x = -5 to 5 and y = -2.5 to 2.5: pixels 8..23 of rows 8..23. Its left
// corners map to u = 0.25, its right ones to u = 0.75 (v = 0.5). Lit head-on by a light at the
// camera of intensity 4 (clamped to 1), so every corner's light is 1 before any light map.
struct MappedQuad {
  explicit MappedQuad(int32_t shadingType) {
    S3DScene& scene = stage.scene();
    addCamera(scene);
    scene.m_lights.resize(1);
    S3DLight& light = scene.m_lights[0];
    light.m_intensity = 4.0f;
    light.m_nearAttenuation = 500.0f;
    light.m_farAttenuation = 1000.0f;
    scene.m_materials.resize(1);
    sub = &scene.m_materials[0].m_subMaterials.emplace_back();
    sub->m_shadingType = shadingType;
    sub->m_twoSided = 1;
    // Level 0 black, 255 white.
    setColors(*sub, {0, 0, 0}, {1, 1, 1}, {1, 1, 1});
    scene.m_triObjects.resize(1);
    mesh = &scene.m_triObjects[0];
    mesh->m_lights = {&light};
  }
  // Geometry and mapping, once the layers are in place.
  void finish() {
    {
      ReportCapture quiet;  // prepared once before the mapping is in place
      setMesh(*mesh, {{-5, -2.5f, 10}, {5, -2.5f, 10}, {5, 2.5f, 10}, {-5, 2.5f, 10}},
              {{0, 1, 2}, {0, 2, 3}}, &stage.scene().m_materials[0]);
    }
    mesh->m_textureVertices = {
        {0.25f, 0.5f, 0}, {0.75f, 0.5f, 0}, {0.75f, 0.5f, 0}, {0.25f, 0.5f, 0}};
    for (S3DFace& face : mesh->m_faces) {
      face.ta = face.a;
      face.tb = face.b;
      face.tc = face.c;
    }
    mesh->m_hasFaceMapping = true;
    mesh->prepareDrawing();
    stage.bindAndFrame();
  }
  Stage stage{32, 32, 0x203040u};
  S3DSubMaterial* sub = nullptr;
  S3DTriObject* mesh = nullptr;
};

// A 256 x 256 map: the left half `left`, the right half `right`.
std::unique_ptr<S3DMapLayer> halvesLayer(const TempDir& dir, uint32_t left, uint32_t right) {
  writeBmp(dir, "halves.bmp", 256, 256, [=](int x, int) { return x < 128 ? left : right; });
  auto pLayer = std::make_unique<S3DMapLayer>();
  pLayer->m_enabled = 1;
  pLayer->m_pTexture = std::make_unique<S3DTexture32>();
  pLayer->m_pTexture->load("halves.bmp");
  return pLayer;
}

TEST(S3DMapLayer, TheTransformMovesTexturesAndTheOpacityMap) {
  TempDir dir;
  dir.enter();
  for (const bool shifted : {false, true}) {
    // Textured drawing: u runs from 0.25 at pixel 8 to 0.75 at pixel 24, u(x) = 0.25 + (x - 8) /
    // 32: pixel 9 reads texel 72 (red), pixel 22 texel 176 (blue). Offset by 0.5, they read
    // texels 200 (blue) and 304 masked to 48 (red).
    MappedQuad textured(200);
    textured.sub->m_pMapLayer = halvesLayer(dir, 0xFF0000u, 0x0000FFu);
    textured.sub->m_pMapLayer->m_uvTransform = shifted ? 1 : 0;
    textured.sub->m_pMapLayer->m_offsetU = 0.5f;
    textured.sub->selectTexture();
    textured.finish();
    const GuardedScreen& screen = textured.stage.screen;
    EXPECT_EQ(screen.pixel(9, 16), shifted ? 0x0000FFu : 0xFF0000u);
    EXPECT_EQ(screen.pixel(22, 16), shifted ? 0xFF0000u : 0x0000FFu);
    EXPECT_TRUE(screen.guardsIntact());

    // The opacity map: a white left half and a black right one, read at each vertex's u.
    MappedQuad faded(100);
    faded.sub->m_pLayer1 = halvesLayer(dir, 0xFFFFFFu, 0x000000u);
    faded.sub->m_pLayer1->m_uvTransform = shifted ? 1 : 0;
    faded.sub->m_pLayer1->m_offsetU = 0.5f;
    faded.finish();
    const std::vector<float>* pValues = faded.mesh->findChannel("opacityMap");
    ASSERT_NE(pValues, nullptr);
    const float left = shifted ? 0.0f : 1.0f;
    EXPECT_EQ(*pValues, (std::vector<float>{left, 1 - left, 1 - left, left}));
  }
}

TEST(S3DMeshDraw, ModeFourScalesTheLevelsByTheSecondLayer) {
  TempDir dir;
  dir.enter();
  // Shading 200 with a second layer draws in mode 4: Gouraud levels, each corner's level 255
  // times the brightness of the layer's texel at its mapping. With a white left half and a black
  // right half: 255 at the left corners, 0 at the right ones, a falling ramp between.
  MappedQuad lightMapped(200);
  lightMapped.sub->m_pLayer2 = halvesLayer(dir, 0xFFFFFFu, 0x000000u);
  lightMapped.finish();
  ASSERT_EQ(lightMapped.mesh->m_groups[S3DTriObject::kOpaquePass].at(0).mode,
            S3DDrawMode::kGouraudLayer);
  const GuardedScreen& screen = lightMapped.stage.screen;
  EXPECT_GE(screen.pixel(8, 16) & 0xFF, 0xF0u);
  EXPECT_LE(screen.pixel(23, 16) & 0xFF, 0x30u);
  for (int x = 9; x < 24; ++x)
    EXPECT_LE(screen.pixel(x, 16), screen.pixel(x - 1, 16)) << x;
  EXPECT_EQ(screen.count(0x203040u), 16 * 16);

  // Without a texture on the second layer the levels stay as lit: white everywhere.
  MappedQuad plain(200);
  plain.sub->m_pLayer2 = std::make_unique<S3DMapLayer>();
  plain.sub->m_pLayer2->m_enabled = 1;
  plain.finish();
  EXPECT_EQ(plain.stage.screen.pixel(8, 16), 0xFFFFFFu);
  EXPECT_EQ(plain.stage.screen.pixel(23, 16), 0xFFFFFFu);
}

}  // namespace
