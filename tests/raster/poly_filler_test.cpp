// The drawers' set-up: destination and depth buffer binding with their reports, material and
// texture binding, and what reaches the real span fillers.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "base/report.h"
#include "raster/poly_drawers.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

constexpr char kCaption[] = "PolyFiller warning:";

// An image that claims a size but has no pixels.
class ImageWithoutPixels final : public CImage32 {
 public:
  ImageWithoutPixels() {
    m_width = 8;
    m_height = 8;
  }
  void error(std::string_view) const override {}
  void warning(std::string_view) const override {}
};

std::vector<std::string> captionedTexts(const ReportCapture& capture) {
  std::vector<std::string> texts;
  for (const Report& r : capture.reports()) {
    EXPECT_EQ(r.caption, kCaption);
    EXPECT_EQ(r.level, ReportLevel::Warning);
    texts.push_back(r.text);
  }
  return texts;
}

size_t countPixels(const CImage32& image, uint32_t colour) {
  size_t n = 0;
  const size_t size =
      static_cast<size_t>(image.getWidth()) * static_cast<size_t>(image.getHeight());
  for (size_t i = 0; i < size; ++i)
    n += image.getPixels()[i] == colour ? 1 : 0;
  return n;
}

RasterMaterial flatMaterial(uint32_t colour) {
  RasterMaterial material;
  material.colors.fill(colour);
  material.flatSpan = FlatSpanKind::kReplace;
  return material;
}

const float kTriangle[] = {10, 2, 0.5f, 2, 30, 0.5f, 30, 30, 0.5f};

TEST(PolyFillerBinding, DestinationReports) {
  ReportCapture capture;
  FlatPolyFiller drawer;
  drawer.setDestination(nullptr);
  CImage32Buffered empty;
  drawer.setDestination(&empty);
  ImageWithoutPixels noPixels;
  drawer.setDestination(&noPixels);
  EXPECT_THAT(captionedTexts(capture),
              ElementsAre("setDestination: pDestination NULL", "setDestination: bad dimension",
                          "setDestination: m_pDest NULL"));
  // The size stays stored, but nothing can be drawn.
  EXPECT_EQ(drawer.getWidth(), 8);
  const RasterMaterial material = flatMaterial(1);
  drawer.setMaterial(&material);
  drawer.draw(kTriangle, 3, 0);
}

TEST(PolyFillerBinding, DepthBufferOfAnotherSizeIsRefusedAndDrawingGoesOnWithout) {
  ReportCapture capture;
  CImage32Buffered image(512, 256);
  std::vector<uint32_t> big(640 * 480, 0u);
  const ZBuffer wrong{640, 480, big.data()};
  FlatPolyFiller drawer;
  drawer.setDestination(&image);
  drawer.setZBuffer(&wrong);
  drawer.setZBuffer(nullptr);  // nothing, no report
  const ZBuffer noWords{512, 256, nullptr};
  drawer.setZBuffer(&noWords);
  EXPECT_THAT(captionedTexts(capture),
              ElementsAre("setZBuffer: dimension different", "setZBuffer: m_pZBuffer NULL"));
  const RasterMaterial material = flatMaterial(0x123456);
  drawer.setMaterial(&material);
  drawer.draw(kTriangle, 3, 0);
  EXPECT_GT(countPixels(image, 0x123456), 300u);
  EXPECT_EQ(std::count(big.begin(), big.end(), 0u), static_cast<long>(big.size()));
}

TEST(PolyFillerBinding, NullDepthBufferKeepsThePreviousOne) {
  CImage32Buffered image(32, 32);
  std::vector<uint32_t> depth(32 * 32, 0u);
  const ZBuffer buffer{32, 32, depth.data()};
  FlatPolyFiller drawer;
  drawer.setDestination(&image);
  drawer.setZBuffer(&buffer);
  drawer.setZBuffer(nullptr);
  const RasterMaterial material = flatMaterial(7);
  drawer.setMaterial(&material);
  drawer.draw(kTriangle, 3, 0);
  // 1/z = 0.5 stored as 2^31 wherever the triangle was drawn.
  EXPECT_EQ(static_cast<size_t>(std::count(depth.begin(), depth.end(), 0x80000000u)),
            countPixels(image, 7));
}

TEST(PolyFillerDepth, ClearedBufferPassesEveryPixelOfTheFirstPolygonAndNearerWins) {
  CImage32Buffered withDepth(32, 32);
  CImage32Buffered without(32, 32);
  std::vector<uint32_t> depth(32 * 32, 0u);
  const ZBuffer buffer{32, 32, depth.data()};
  const RasterMaterial near = flatMaterial(0xAA);
  const RasterMaterial far = flatMaterial(0xBB);
  FlatPolyFiller drawer;
  drawer.setDestination(&without);
  drawer.setMaterial(&near);
  drawer.draw(kTriangle, 3, 0);
  drawer.setDestination(&withDepth);
  drawer.setZBuffer(&buffer);
  drawer.draw(kTriangle, 3, 0);
  for (size_t i = 0; i < depth.size(); ++i) {
    ASSERT_EQ(withDepth.getPixels()[i], without.getPixels()[i]);
  }
  // A farther square over the whole image shows only around the triangle.
  const float square[] = {0, 0, 0.25f, 0, 32, 0.25f, 32, 32, 0.25f, 32, 0, 0.25f};
  drawer.setMaterial(&far);
  drawer.draw(square, 4, 0);
  EXPECT_EQ(countPixels(withDepth, 0xAA), countPixels(without, 0xAA));
  EXPECT_EQ(countPixels(withDepth, 0xBB), 32u * 32u - countPixels(without, 0xAA));
}

TEST(PolyFillerMaterial, BindingEnablesAndSelects) {
  CImage32Buffered image(32, 32);
  RasterMaterial material = flatMaterial(0x10);
  material.colors[0] = 0x01;
  material.colors[255] = 0xFF;
  FlatPolyFiller drawer;
  drawer.setDestination(&image);
  drawer.draw(kTriangle, 3, 0);  // no material yet
  EXPECT_EQ(countPixels(image, 0), 32u * 32u);
  drawer.setMaterial(&material);
  EXPECT_TRUE(drawer.isEnabled());
  // Levels are clamped to the table.
  drawer.draw(kTriangle, 3, 300);
  EXPECT_EQ(image.getPixels()[20 * 32 + 20], 0xFFu);
  drawer.draw(kTriangle, 3, -5);
  EXPECT_EQ(image.getPixels()[20 * 32 + 20], 0x01u);
  // The flat drawer ignores the material it holds: still replacing, not adding.
  material.flatSpan = FlatSpanKind::kAdd;
  drawer.setMaterial(&material);
  drawer.draw(kTriangle, 3, -5);
  EXPECT_EQ(image.getPixels()[20 * 32 + 20], 0x01u);
  drawer.setMaterial(nullptr);
  EXPECT_FALSE(drawer.isEnabled());
  drawer.setMaterial(&material);
  drawer.draw(kTriangle, 3, -5);
  EXPECT_EQ(image.getPixels()[20 * 32 + 20], 0x02u);
}

TEST(PolyFillerMaterial, OpacityWeight) {
  EXPECT_EQ(opacityWeight(0.999f, OpacityRounding::Truncate), 254u);
  EXPECT_EQ(opacityWeight(0.999f, OpacityRounding::Nearest), 255u);
  EXPECT_EQ(opacityWeight(0.5f, OpacityRounding::Truncate), 127u);
  EXPECT_EQ(opacityWeight(0.5f, OpacityRounding::Nearest), 128u);  // 127.5, ties to even
  EXPECT_EQ(opacityWeight(2.0f, OpacityRounding::Nearest), 255u);
  EXPECT_EQ(opacityWeight(-1.0f, OpacityRounding::Nearest), 0u);
  EXPECT_EQ(opacityWeight(std::numeric_limits<float>::quiet_NaN(), OpacityRounding::Truncate), 0u);
}

// Texel (x, y) of the test textures: its coordinates in the low bytes.
uint32_t texel(uint32_t x, uint32_t y) {
  return 0x01000000u | (y << 8) | x;
}

std::unique_ptr<CImage32Buffered> texturePicture(int32_t width, int32_t height) {
  auto pPicture = std::make_unique<CImage32Buffered>(width, height);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      pPicture->getPixels()[y * width + x] =
          texel(static_cast<uint32_t>(x) & 255, static_cast<uint32_t>(y) & 255);
    }
  }
  return pPicture;
}

TEST(RasterTextureShape, PowersOfTwoOnly) {
  RasterTexture texture;
  EXPECT_FALSE(texture.set256x256(*texturePicture(128, 256)));
  EXPECT_FALSE(texture.setPowerOfTwo(*texturePicture(300, 256)));
  EXPECT_EQ(texture.plain(), nullptr);
  ASSERT_TRUE(texture.setPowerOfTwo(*texturePicture(256, 128)));
  EXPECT_EQ(texture.columnShift(), 8);
  EXPECT_EQ(texture.rowShift(), 7);
  EXPECT_EQ(texture.columnMask(), 255u);
  EXPECT_EQ(texture.rowMask(), 127u);
  EXPECT_EQ(texture.tiled(), nullptr);
  ASSERT_TRUE(texture.set256x256(*texturePicture(256, 256)));
  ASSERT_NE(texture.tiled(), nullptr);
  EXPECT_EQ(texture.tiled()->getPixels()[2057], texel(9, 1));
}

class TexturedDrawers : public ::testing::Test {
 protected:
  TexturedDrawers() : m_image(32, 32), m_depth(32 * 32, 0u) {
    m_texture.setPowerOfTwo(*texturePicture(256, 128));
    m_material.pTexture = &m_texture;
    m_material.textureSpan = TextureSpanKind::kPointReplace;
    m_material.perspectiveSpan = PerspectiveSpanKind::kPointReplace;
  }

  // Texel (x + 3, y + 100) at pixel (x, y), the coordinates wrapping at 256 and 128.
  void expectMappedTexels() const {
    for (uint32_t y = 0; y < 32; ++y) {
      for (uint32_t x = 0; x < 32; ++x) {
        ASSERT_EQ(m_image.getPixels()[y * 32 + x], texel((x + 3) & 255, (y + 100) & 127))
            << x << ", " << y;
      }
    }
  }

  // Both triangles of the image square, u = x + 3.5 and v = y + 100.5 at 1/z = inverseZ.
  template <typename Drawer>
  void drawSquare(Drawer& drawer, float inverseZ) {
    const float z = inverseZ;
    const float first[] = {0, 0, z, 3.5f, 100.5f, 0, 32, z, 3.5f, 132.5f, 32, 32, z, 35.5f, 132.5f};
    const float second[] = {0,     0,      z,  3.5f, 100.5f, 32,    32,    z,
                            35.5f, 132.5f, 32, 0,    z,      35.5f, 100.5f};
    drawer.draw(first, 3);
    drawer.draw(second, 3);
  }

  CImage32Buffered m_image;
  std::vector<uint32_t> m_depth;
  RasterTexture m_texture;
  RasterMaterial m_material;
};

TEST_F(TexturedDrawers, TextureCoordinatesReachThePointFetch) {
  TexturePolyFiller texture;
  texture.setDestination(&m_image);
  texture.setMaterial(&m_material);
  drawSquare(texture, 0.5f);
  expectMappedTexels();

  m_image.fill(0);
  PerspectivePolyFiller perspective;
  perspective.setDestination(&m_image);
  const ZBuffer buffer{32, 32, m_depth.data()};
  perspective.setZBuffer(&buffer);
  perspective.setMaterial(&m_material);
  drawSquare(perspective, 0.5f);
  expectMappedTexels();
}

TEST_F(TexturedDrawers, PerspectiveNeedsAPositiveInverseDepth) {
  PerspectivePolyFiller drawer;
  drawer.setDestination(&m_image);
  drawer.setMaterial(&m_material);
  m_image.fill(0x00808080u);
  for (const float bad : {0.0f, -0.5f, std::numeric_limits<float>::quiet_NaN(),
                          std::numeric_limits<float>::infinity()}) {
    const float triangle[] = {0, 0, 0.5f, 0, 0, 0, 32, bad, 0, 32, 32, 32, 0.5f, 32, 32};
    drawer.draw(triangle, 3);
  }
  // Texture coordinates beyond the fixed-point range drop the polygon in every textured drawer.
  const float far[] = {0, 0, 0.5f, 0, 0, 0, 32, 0.5f, 0, 1e6f, 32, 32, 0.5f, 32, 32};
  drawer.draw(far, 3);
  TexturePolyFiller texture;
  texture.setDestination(&m_image);
  texture.setMaterial(&m_material);
  texture.draw(far, 3);
  EXPECT_EQ(countPixels(m_image, 0x00808080u), 32u * 32u);
}

TEST_F(TexturedDrawers, UnusableTextureOrSubtractiveMaterialDrawsNothing) {
  TexturePolyFiller drawer;
  drawer.setDestination(&m_image);
  RasterTexture odd;
  odd.setPowerOfTwo(*texturePicture(300, 256));
  m_material.pTexture = &odd;
  drawer.setMaterial(&m_material);
  EXPECT_FALSE(drawer.isEnabled());
  m_material.pTexture = nullptr;
  drawer.setMaterial(&m_material);
  EXPECT_FALSE(drawer.isEnabled());
  // A usable texture, but the subtractive choice of this drawer draws nothing.
  m_material.pTexture = &m_texture;
  m_material.textureSpan = TextureSpanKind::kSubtractive;
  drawer.setMaterial(&m_material);
  EXPECT_TRUE(drawer.isEnabled());
  m_image.fill(0x00808080u);
  drawSquare(drawer, 0.5f);
  EXPECT_EQ(countPixels(m_image, 0x00808080u), 32u * 32u);
  // Textured drawers redo their set-up for the same material.
  m_material.textureSpan = TextureSpanKind::kPointReplace;
  drawer.setMaterial(&m_material);
  drawSquare(drawer, 0.5f);
  expectMappedTexels();
}

TEST(GouraudDrawer, LevelsIndexTheTable) {
  CImage32Buffered image(32, 8);
  RasterMaterial material;
  for (uint32_t i = 0; i < 256; ++i)
    material.colors[i] = i * 0x010101u;
  material.gouraudSpan = GouraudSpanKind::kReplace;
  GouraudPolyFiller drawer;
  drawer.setDestination(&image);
  drawer.setMaterial(&material);
  // Level x + 0.5 at pixel x.
  const float quad[] = {0, 0, 1, 0.5f, 0, 8, 1, 0.5f, 32, 8, 1, 32.5f, 32, 0, 1, 32.5f};
  drawer.draw(quad, 4);
  for (uint32_t x = 0; x < 32; ++x)
    EXPECT_EQ(image.getPixels()[5 * 32 + x], x * 0x010101u);
}

}  // namespace
