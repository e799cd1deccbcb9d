// The polygon drawers: destination and depth buffer binding with their reports, material and
// texture binding, and the edge walk (which pixels a polygon covers, the values it starts the
// spans with, shared edges and clipping).

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <memory>
#include <random>
#include <vector>

#include "base/report.h"
#include "raster/poly_drawers.h"

using ::testing::ElementsAre;

namespace {

const float kNan = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();
const float kTriangle[] = {10, 2, 0.5f, 2, 30, 0.5f, 30, 30, 0.5f};

size_t countPixels(const CImage32& image, uint32_t colour) {
  const uint32_t* pPixels = image.getPixels();
  return static_cast<size_t>(
      std::count(pPixels, pPixels + image.getWidth() * image.getHeight(), colour));
}

RasterMaterial flatMaterial(uint32_t colour) {
  RasterMaterial material;
  material.colors.fill(colour);
  material.flatSpan = FlatSpanKind::kReplace;
  return material;
}

// ---- Binding ----

TEST(PolyFillerBinding, BadDestinationOrDepthBufferIsReportedAndRefused) {
  ReportCapture capture;
  FlatPolyFiller drawer;
  const RasterMaterial material = flatMaterial(0x123456);
  drawer.setMaterial(&material);
  drawer.setDestination(nullptr);
  CImage32Buffered empty;
  drawer.setDestination(&empty);
  drawer.draw(kTriangle, 3, 0);  // nothing to draw into
  CImage32Buffered image(32, 32);
  std::vector<uint32_t> big(64 * 64, 0u);
  const ZBuffer wrong{64, 64, big.data()};
  drawer.setDestination(&image);
  drawer.setZBuffer(&wrong);
  EXPECT_THAT(capture.lines(), ElementsAre("PolyFiller warning:|setDestination: pDestination NULL",
                                           "PolyFiller warning:|setDestination: bad dimension",
                                           "PolyFiller warning:|setZBuffer: dimension different"));
  drawer.draw(kTriangle, 3, 0);
  EXPECT_GT(countPixels(image, 0x123456), 300u);
  EXPECT_EQ(std::count(big.begin(), big.end(), 0u), static_cast<long>(big.size()));
}

TEST(PolyFillerMaterial, LevelsClampToTheTable) {
  CImage32Buffered image(32, 32);
  RasterMaterial material = flatMaterial(0x10);
  material.colors[0] = 0x01;
  material.colors[255] = 0xFF;
  FlatPolyFiller drawer;
  drawer.setDestination(&image);
  drawer.draw(kTriangle, 3, 0);  // no material yet
  EXPECT_EQ(countPixels(image, 0), 32u * 32u);
  drawer.setMaterial(&material);
  drawer.draw(kTriangle, 3, 300);
  EXPECT_EQ(image.getPixels()[20 * 32 + 20], 0xFFu);
  drawer.draw(kTriangle, 3, -5);
  EXPECT_EQ(image.getPixels()[20 * 32 + 20], 0x01u);
}

TEST(PolyFillerMaterial, OpacityWeight) {
  EXPECT_EQ(opacityWeight(0.999f, OpacityRounding::Truncate), 254u);
  EXPECT_EQ(opacityWeight(0.999f, OpacityRounding::Nearest), 255u);
  EXPECT_EQ(opacityWeight(0.5f, OpacityRounding::Nearest), 128u);  // 127.5, ties to even
  EXPECT_EQ(opacityWeight(2.0f, OpacityRounding::Nearest), 255u);
  EXPECT_EQ(opacityWeight(kNan, OpacityRounding::Truncate), 0u);
}

// At opacity 0.999 (a = 254.745) the texture drawer blends like a = 255, not 254: compared with
// the same drawer at opacities both roundings agree on. (That the flat drawers truncate shows in
// a scene's second pass: tests/s3d, S3DMeshDraw.TheSecondPassFollowsEveryMeshOfTheFirst.)
TEST(PolyFillerMaterial, TexturedDrawersRoundTheOpacity) {
  CImage32Buffered picture(256, 256);
  picture.fill(0x00FFFFFFu);
  RasterTexture texture;
  ASSERT_TRUE(texture.setPowerOfTwo(picture));
  const auto drawCentre = [&](float opacity) {
    CImage32Buffered image(32, 32);
    RasterMaterial material;
    material.pTexture = &texture;
    material.textureSpan = TextureSpanKind::kPointAlpha;
    material.opacity = opacity;
    TexturePolyFiller drawer;
    drawer.setDestination(&image);
    drawer.setMaterial(&material);
    const float triangle[] = {10, 2, 0.5f, 0, 0, 2, 30, 0.5f, 0, 0, 30, 30, 0.5f, 0, 0};
    drawer.draw(triangle, 3);
    return image.getPixels()[20 * 32 + 20];
  };
  EXPECT_EQ(drawCentre(0.999f), drawCentre(1.0f));
  EXPECT_NE(drawCentre(0.999f), drawCentre(254.0f / 255.0f));
}

// Texel (x, y) of the test textures: its coordinates in the low bytes.
uint32_t texel(uint32_t x, uint32_t y) {
  return 0x01000000u | (y << 8) | x;
}

std::unique_ptr<CImage32Buffered> texturePicture(int32_t width, int32_t height) {
  auto pPicture = std::make_unique<CImage32Buffered>(width, height);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x)
      pPicture->getPixels()[y * width + x] = texel(uint32_t(x) & 255, uint32_t(y) & 255);
  }
  return pPicture;
}

TEST(RasterTextureShape, PowersOfTwoOnly) {
  RasterTexture texture;
  EXPECT_FALSE(texture.set256x256(*texturePicture(128, 256)));
  EXPECT_FALSE(texture.setPowerOfTwo(*texturePicture(300, 256)));
  EXPECT_EQ(texture.plain(), nullptr);
  ASSERT_TRUE(texture.setPowerOfTwo(*texturePicture(256, 128)));
  EXPECT_EQ(texture.tiled(), nullptr);
  ASSERT_TRUE(texture.set256x256(*texturePicture(256, 256)));
  ASSERT_NE(texture.tiled(), nullptr);
  EXPECT_EQ(texture.tiled()->getPixels()[2057], texel(9, 1));
}

class TexturedDrawers : public ::testing::Test {
 protected:
  TexturedDrawers() {
    m_texture.setPowerOfTwo(*texturePicture(256, 128));
    m_material.pTexture = &m_texture;
    m_material.textureSpan = TextureSpanKind::kPointReplace;
    m_material.perspectiveSpan = PerspectiveSpanKind::kPointReplace;
  }

  // Texel (x + 3, y + 100) at pixel (x, y), the coordinates wrapping at 256 and 128.
  void expectMappedTexels() const {
    for (uint32_t y = 0; y < 32; ++y) {
      for (uint32_t x = 0; x < 32; ++x)
        ASSERT_EQ(m_image.getPixels()[y * 32 + x], texel(x + 3, (y + 100) & 127)) << x << ", " << y;
    }
  }

  // Both triangles of the image square, u = x + 3.5 and v = y + 100.5, at 1/z = 0.5.
  template <typename Drawer>
  void drawSquare(Drawer& drawer) {
    const float z = 0.5f;
    const float one[] = {0, 0, z, 3.5f, 100.5f, 0, 32, z, 3.5f, 132.5f, 32, 32, z, 35.5f, 132.5f};
    const float two[] = {0, 0, z, 3.5f, 100.5f, 32, 32, z, 35.5f, 132.5f, 32, 0, z, 35.5f, 100.5f};
    drawer.draw(one, 3);
    drawer.draw(two, 3);
  }

  CImage32Buffered m_image{32, 32};
  RasterTexture m_texture;
  RasterMaterial m_material;
};

TEST_F(TexturedDrawers, PerspectiveNeedsAPositiveInverseDepth) {
  PerspectivePolyFiller drawer;
  drawer.setDestination(&m_image);
  drawer.setMaterial(&m_material);
  m_image.fill(0x00808080u);
  for (const float bad : {0.0f, -0.5f, kNan, kInf}) {
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
  for (const RasterTexture* pTexture : std::array<const RasterTexture*, 2>{&odd, nullptr}) {
    m_material.pTexture = pTexture;
    drawer.setMaterial(&m_material);
    EXPECT_FALSE(drawer.isEnabled());
  }
  // A usable texture, but the subtractive choice of this drawer draws nothing.
  m_material.pTexture = &m_texture;
  m_material.textureSpan = TextureSpanKind::kSubtractive;
  drawer.setMaterial(&m_material);
  EXPECT_TRUE(drawer.isEnabled());
  m_image.fill(0x00808080u);
  drawSquare(drawer);
  EXPECT_EQ(countPixels(m_image, 0x00808080u), 32u * 32u);
  // Textured drawers redo their set-up for the same material.
  m_material.textureSpan = TextureSpanKind::kPointReplace;
  drawer.setMaterial(&m_material);
  drawSquare(drawer);
  expectMappedTexels();
}

// ---- The edge walk ----

constexpr int32_t kSize = 64;
constexpr uint32_t kMark = 0x01000000u;  // in every table colour, so that level 0 shows too

using PixelRun = std::array<int32_t, 3>;  // x, y, count

class EdgeWalk : public ::testing::Test {
 protected:
  EdgeWalk() {
    for (uint32_t i = 0; i < 256; ++i)
      m_material.colors[i] = kMark | i;
    for (PolyFiller* pDrawer : std::array<PolyFiller*, 2>{&m_flat, &m_gouraud})
      pDrawer->setDestination(&m_image);
    m_flat.setMaterial(&m_material);
    m_gouraud.setMaterial(&m_material);
  }

  void useDepth(uint32_t* pDepth) {
    const ZBuffer buffer{kSize, kSize, pDepth};
    m_flat.setZBuffer(&buffer);
  }
  // From now on the flat drawer adds 1 to every pixel and depth word it covers.
  void countCoverage() {
    m_flat.setSpanFillers({[](const SpanContext&, uint32_t* dst, int32_t count, uint32_t) {
                             for (int32_t i = 0; i < count; ++i)
                               ++dst[i];
                           },
                           [](const SpanContext&, uint32_t* dst, uint32_t* zdst, int32_t count,
                              uint32_t, int32_t, uint32_t) {
                             for (int32_t i = 0; i < count; ++i) {
                               ++dst[i];
                               ++zdst[i];
                             }
                           }});
  }
  uint32_t count(int32_t x, int32_t y) const { return m_image.getPixels()[y * kSize + x]; }
  // The runs of drawn (non-zero) pixels, row by row.
  std::vector<PixelRun> runs() const {
    std::vector<PixelRun> found;
    for (int32_t y = 0; y < kSize; ++y) {
      for (int32_t x = 0; x < kSize; ++x) {
        if (count(x, y) == 0) continue;
        if (x == 0 || count(x - 1, y) == 0) found.push_back({x, y, 0});
        ++found.back()[2];
      }
    }
    return found;
  }

  CImage32Buffered m_image{kSize, kSize};
  RasterMaterial m_material;
  FlatPolyFiller m_flat;
  GouraudPolyFiller m_gouraud;
};

TEST_F(EdgeWalk, TriangleCoversItsScanlinesFromTheLeftEdgeToBeforeTheRightOne) {
  const float vertices[] = {10, 10, 1, 5, 20, 1, 15, 20, 1};
  m_flat.draw(vertices, 3, 0);
  // Scanline 10 has 0 pixels (ceil 10 - ceil 10); row y spans [ceil(10 - d), ceil(10 + d)), d =
  // (y - 10) / 2; pixel centres on an edge belong to the left one only.
  EXPECT_THAT(runs(), ElementsAre(PixelRun{10, 11, 1}, PixelRun{9, 12, 2}, PixelRun{9, 13, 3},
                                  PixelRun{8, 14, 4}, PixelRun{8, 15, 5}, PixelRun{7, 16, 6},
                                  PixelRun{7, 17, 7}, PixelRun{6, 18, 8}, PixelRun{6, 19, 9}));
}

TEST_F(EdgeWalk, LevelsArePresteppedDownTheEdgesAndAlongTheSpans) {
  // A top half a row above scanline 11, edges of slope -1 and +1 pixel per row, level 0 there and
  // 100 on row 20.5; a sliver 0.5 pixel wide from level 0 to 255, 510 per pixel.
  const float triangle[] = {20, 10.5f, 1, 0, 10, 20.5f, 1, 100, 30, 20.5f, 1, 100};
  const float sliver[] = {10.75f, 0, 1, 0, 10.75f, 2, 1, 0, 11.25f, 2, 1, 255, 11.25f, 0, 1, 255};
  m_gouraud.draw(triangle, 3);
  m_gouraud.draw(sliver, 4);
  const std::vector<PixelRun> drawn = runs();
  ASSERT_EQ(drawn.size(), 12u);  // the sliver on rows 0 and 1, the triangle on rows 11..20
  EXPECT_EQ(drawn[1], (PixelRun{11, 1, 1}));
  EXPECT_EQ(drawn[2], (PixelRun{20, 11, 1}));
  EXPECT_EQ(drawn.back(), (PixelRun{11, 20, 19}));
  EXPECT_EQ(count(11, 0), kMark | 127u);  // 0.25 past the sliver's left edge
  EXPECT_EQ(count(20, 11), kMark | 5u);   // half a row down
  EXPECT_EQ(count(29, 20), kMark | 95u);  // the level does not change along a row
}

TEST_F(EdgeWalk, DepthRunsFromTheLeftEdgeWithAConstantGradient) {
  std::vector<uint32_t> depth(kSize * kSize);
  useDepth(depth.data());
  // 1/z 0.25 on the left edge, 0.75 at x = 8: 2^30 + x * 2^28 at every pixel covered, by the
  // triangle (rows 1..7, x < y) and by the quad of the same plane (one division per span).
  const float triangle[] = {0, 0, 0.25f, 0, 8, 0.25f, 8, 8, 0.75f};
  const float quad[] = {0, 0, 0.25f, 0, 8, 0.25f, 8, 8, 0.75f, 8, 0, 0.75f};
  for (const int n : {3, 4}) {
    std::fill(depth.begin(), depth.end(), 0u);
    m_flat.draw(n == 3 ? triangle : quad, n, 0);
    for (int32_t i = 0; i < kSize * kSize; ++i) {
      const int32_t x = i % kSize, y = i / kSize;
      const bool covered = y < 8 && x < (n == 3 ? y : 8);
      ASSERT_EQ(depth[size_t(i)], covered ? 0x40000000u + uint32_t(x) * 0x10000000u : 0u)
          << n << " vertices, pixel " << x << ", " << y;
    }
  }
}

TEST_F(EdgeWalk, BadPolygonsDrawNothing) {
  // A nonagon around (32, 32), counter-clockwise on the screen, with a tenth vertex.
  std::vector<float> polygon;
  for (int i = 0; i < 10; ++i) {
    const double angle = -2.0 * 3.14159265358979 * i / 10.0;
    polygon.insert(polygon.end(), {static_cast<float>(32 + 20 * std::cos(angle)),
                                   static_cast<float>(32 + 20 * std::sin(angle)), 1.0f});
  }
  for (const int n : {10, 0, -3})
    m_flat.draw(polygon.data(), n, 0);
  m_flat.draw(nullptr, 3, 0);
  for (const float bad : {kNan, kInf, -kInf, 16384.0f, -1e9f}) {
    const float badX[] = {bad, 10, 1, 5, 20, 1, 15, 20, 1};
    const float badY[] = {10, 10, 1, 5, bad, 1, 15, 20, 1};
    m_flat.draw(badX, 3, 0);
    m_flat.draw(badY, 3, 0);
    const float badLevel[] = {10, 10, 1, 0, 5, 20, 1, bad, 15, 20, 1, 0};
    m_gouraud.draw(badLevel, 3);
  }
  const float clockwise[] = {10, 10, 1, 15, 20, 1, 5, 20, 1};
  const float collinear[] = {0, 0, 1, 10, 10, 1, 20, 20, 1};
  const float flatLine[] = {0, 5, 1, 30, 5, 1, 60, 5, 1};
  for (const float* pVertices : {clockwise, collinear, flatLine})
    m_flat.draw(pVertices, 3, 0);
  EXPECT_TRUE(runs().empty());
  m_flat.draw(polygon.data(), 9, 0);
  EXPECT_EQ(runs().size(), 39u);  // scanlines 13 (top y 12.98) to 51 (bottom 51.02)
}

struct Point {
  float x, y;
};
// > 0 when c lies left of a -> b on the screen (y down), scaled by |b - a|: a signed distance.
double side(Point a, Point b, Point c) {
  const double x = double(b.x) - double(a.x), y = double(b.y) - double(a.y);
  return (x * (double(c.y) - double(a.y)) - y * (double(c.x) - double(a.x))) / std::hypot(x, y);
}

TEST_F(EdgeWalk, TrianglesSharingAnEdgeCoverEveryPixelOnce) {
  countCoverage();
  std::mt19937 random(1234);
  std::uniform_real_distribution<float> coordinate(-12.0f, 76.0f);
  auto point = [&] { return Point{coordinate(random), coordinate(random)}; };
  for (int round = 0; round < 300; ++round) {
    m_image.fill(0);
    const Point p = point(), q = point();
    Point r = point(), s = point();
    // r and s well off the line pq, on opposite sides; each triangle wound so that it fills.
    if (std::fabs(side(p, q, r)) < 2 || std::fabs(side(p, q, s)) < 2 ||
        (side(p, q, r) > 0) == (side(p, q, s) > 0)) {
      --round;
      continue;
    }
    if (side(p, q, r) > 0) std::swap(r, s);
    // side(p, q, r) < 0: (p, q, r) and (q, p, s) both run the way the walk fills.
    const float first[] = {p.x, p.y, 1, q.x, q.y, 1, r.x, r.y, 1};
    const float second[] = {q.x, q.y, 1, p.x, p.y, 1, s.x, s.y, 1};
    m_flat.draw(first, 3, 0);
    m_flat.draw(second, 3, 0);
    for (int32_t y = 0; y < kSize; ++y) {
      for (int32_t x = 0; x < kSize; ++x) {
        const Point c{float(x), float(y)};
        // Inside a triangle and at least a pixel away from its two outer edges: on the shared
        // edge too, exactly one of the triangles covers the pixel.
        const bool deepInFirst = side(p, q, c) <= 0 && side(q, r, c) <= -1 && side(r, p, c) <= -1;
        const bool deepInSecond = side(q, p, c) <= 0 && side(p, s, c) <= -1 && side(s, q, c) <= -1;
        const uint32_t n = count(x, y);
        ASSERT_TRUE(n == 1 || (n == 0 && !deepInFirst && !deepInSecond))
            << "round " << round << ": pixel " << x << ", " << y << " drawn " << n << " times";
      }
    }
  }
}

TEST_F(EdgeWalk, PolygonsFarOutsideAreClippedToTheImageAndDepthBuffer) {
  countCoverage();
  // Guard words around the depth buffer, and the image's own guard rows, must stay 0.
  constexpr size_t kGuard = 3 * kSize;
  std::vector<uint32_t> depth(kSize * kSize + 2 * kGuard, 0u);
  useDepth(depth.data() + kGuard);
  const float huge[] = {-16000, -16000, 1, -16000, 16000, 1, 16000, 0, 1};
  m_flat.draw(huge, 3, 0);
  for (int32_t y = 0; y < kSize; ++y) {
    for (int32_t x = 0; x < kSize; ++x)
      ASSERT_EQ(count(x, y), 1u) << x << ", " << y;
  }
  // Above, below, left and right of it.
  for (const float d : {-200.0f, 200.0f}) {
    const float above[] = {0, 0 + d, 1, 0, 60 + d, 1, 60, 60 + d, 1};
    const float aside[] = {0 + d, 0, 1, 0 + d, 60, 1, 60 + d, 60, 1};
    m_flat.draw(above, 3, 0);
    m_flat.draw(aside, 3, 0);
  }
  const uint32_t* pPixels = m_image.getPixels();
  for (int32_t i = 1; i <= 2 * kSize; ++i)
    ASSERT_TRUE(pPixels[-i] == 0 && pPixels[kSize * kSize - 1 + i] == 0) << i;
  for (size_t i = 0; i < kGuard; ++i)
    ASSERT_TRUE(depth[i] == 0 && depth[depth.size() - 1 - i] == 0) << i;
  EXPECT_EQ(depth[kGuard], 1u);
  EXPECT_EQ(depth[kGuard + kSize * kSize - 1], 1u);
}

}  // namespace
