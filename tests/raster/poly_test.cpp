// The polygon drawers: destination and depth buffer binding with their reports, material and
// texture binding, and the edge walk (which pixels a polygon covers, the values it hands to the
// span fillers, shared edges and clipping), seen through span fillers that record or count.

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
using ::testing::IsEmpty;

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

// The texts of the reports, each checked to be a drawer warning.
std::vector<std::string> warnings(const ReportCapture& capture) {
  std::vector<std::string> texts;
  for (const Report& r : capture.reports()) {
    EXPECT_EQ(r.caption, "PolyFiller warning:");
    EXPECT_EQ(r.level, ReportLevel::Warning);
    texts.push_back(r.text);
  }
  return texts;
}

// ---- Binding ----

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

TEST(PolyFillerBinding, DestinationReports) {
  ReportCapture capture;
  FlatPolyFiller drawer;
  drawer.setDestination(nullptr);
  CImage32Buffered empty;
  drawer.setDestination(&empty);
  ImageWithoutPixels noPixels;
  drawer.setDestination(&noPixels);
  EXPECT_THAT(warnings(capture),
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
  EXPECT_THAT(warnings(capture),
              ElementsAre("setZBuffer: dimension different", "setZBuffer: m_pZBuffer NULL"));
  const RasterMaterial material = flatMaterial(0x123456);
  drawer.setMaterial(&material);
  drawer.draw(kTriangle, 3, 0);
  EXPECT_GT(countPixels(image, 0x123456), 300u);
  EXPECT_EQ(std::count(big.begin(), big.end(), 0u), static_cast<long>(big.size()));
}

TEST(PolyFillerBinding, ClearedDepthPassesTheFirstPolygonWholeAndNearerWins) {
  CImage32Buffered withDepth(32, 32), without(32, 32);
  std::vector<uint32_t> depth(32 * 32, 0u);
  const ZBuffer buffer{32, 32, depth.data()};
  const RasterMaterial near = flatMaterial(0xAA), far = flatMaterial(0xBB);
  FlatPolyFiller drawer;
  drawer.setDestination(&without);
  drawer.setMaterial(&near);
  drawer.draw(kTriangle, 3, 0);
  drawer.setDestination(&withDepth);
  drawer.setZBuffer(&buffer);
  drawer.setZBuffer(nullptr);  // keeps the previous buffer
  drawer.draw(kTriangle, 3, 0);
  ASSERT_TRUE(
      std::equal(without.getPixels(), without.getPixels() + 32 * 32, withDepth.getPixels()));
  // 1/z = 0.5 stored as 2^31 wherever the triangle was drawn.
  EXPECT_EQ(static_cast<size_t>(std::count(depth.begin(), depth.end(), 0x80000000u)),
            countPixels(without, 0xAA));
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
  EXPECT_EQ(opacityWeight(kNan, OpacityRounding::Truncate), 0u);
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
    const float first[] = {0, 0, z, 3.5f, 100.5f, 0, 32, z, 3.5f, 132.5f, 32, 32, z, 35.5f, 132.5f};
    const float second[] = {0,     0,      z,  3.5f, 100.5f, 32,    32,    z,
                            35.5f, 132.5f, 32, 0,    z,      35.5f, 100.5f};
    drawer.draw(first, 3);
    drawer.draw(second, 3);
  }

  CImage32Buffered m_image{32, 32};
  std::vector<uint32_t> m_depth = std::vector<uint32_t>(32 * 32, 0u);
  RasterTexture m_texture;
  RasterMaterial m_material;
};

TEST_F(TexturedDrawers, TextureCoordinatesReachThePointFetch) {
  TexturePolyFiller texture;
  texture.setDestination(&m_image);
  texture.setMaterial(&m_material);
  drawSquare(texture);
  expectMappedTexels();

  m_image.fill(0);
  PerspectivePolyFiller perspective;
  perspective.setDestination(&m_image);
  const ZBuffer buffer{32, 32, m_depth.data()};
  perspective.setZBuffer(&buffer);
  perspective.setMaterial(&m_material);
  drawSquare(perspective);
  expectMappedTexels();
}

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

// ---- The edge walk, through span fillers that record or count ----

constexpr int32_t kSize = 64;

struct SpanRecord {
  int32_t x = 0, y = 0, count = 0;
  int64_t value = 0;  // shading level, or depth for the depth fillers
  int64_t gradient = 0;
  bool operator==(const SpanRecord&) const = default;
};
std::vector<SpanRecord> g_spans;
const uint32_t* g_pImage = nullptr;  // locates a span from its address

void record(const uint32_t* dst, int32_t count, int64_t value, int64_t gradient) {
  const auto offset = static_cast<int32_t>(dst - g_pImage);
  g_spans.push_back({offset % kSize, offset / kSize, count, value, gradient});
}

class EdgeWalk : public ::testing::Test {
 protected:
  EdgeWalk() {
    m_flat.setDestination(&m_image);
    m_flat.setMaterial(&m_material);
    m_flat.setSpanFillers({[](const SpanContext&, uint32_t* dst, int32_t count, uint32_t) {
                             record(dst, count, 0, 0);
                           },
                           [](const SpanContext&, uint32_t* dst, uint32_t*, int32_t count,
                              uint32_t z, int32_t dz, uint32_t) { record(dst, count, z, dz); }});
    m_gouraud.setDestination(&m_image);
    m_gouraud.setMaterial(&m_material);
    m_gouraud.setSpanFillers(
        {[](const SpanContext&, uint32_t* dst, const uint32_t*, int32_t count, int32_t l,
            int32_t dl) { record(dst, count, l, dl); },
         [](const SpanContext&, uint32_t* dst, uint32_t*, const uint32_t*, int32_t count, int32_t l,
            uint32_t, int32_t dl, int32_t) { record(dst, count, l, dl); }});
    g_spans.clear();
    g_pImage = m_image.getPixels();
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
  EXPECT_THAT(g_spans,
              ElementsAre(SpanRecord{10, 11, 1}, SpanRecord{9, 12, 2}, SpanRecord{9, 13, 3},
                          SpanRecord{8, 14, 4}, SpanRecord{8, 15, 5}, SpanRecord{7, 16, 6},
                          SpanRecord{7, 17, 7}, SpanRecord{6, 18, 8}, SpanRecord{6, 19, 9}));
}

TEST_F(EdgeWalk, HalfPixelTopStartsOnTheNextScanlinePresteppedByHalfTheSlope) {
  // Edges of slope -1 and +1 pixel per row from (20, 10.5); levels 0 at the top, 100 below.
  const float vertices[] = {20, 10.5f, 1, 0, 10, 20.5f, 1, 100, 30, 20.5f, 1, 100};
  m_gouraud.draw(vertices, 3);
  ASSERT_EQ(g_spans.size(), 10u);  // scanlines 11..20
  // Half a row down: x 19.5 and 20.5, level 5.0; the level does not change along a row.
  EXPECT_EQ(g_spans.front(), (SpanRecord{20, 11, 1, 5 * 65536, 0}));
  EXPECT_EQ(g_spans.back(), (SpanRecord{11, 20, 19, 95 * 65536, 0}));
}

TEST_F(EdgeWalk, QuadsDividePerScanline) {
  // Level 0 on the left side, 40 on the right: 10 per pixel, from the division per span.
  const float quad[] = {0, 0, 1, 0, 0, 4, 1, 0, 4, 4, 1, 40, 4, 0, 1, 40};
  m_gouraud.draw(quad, 4);
  EXPECT_THAT(g_spans,
              ElementsAre(SpanRecord{0, 0, 4, 0, 10 * 65536}, SpanRecord{0, 1, 4, 0, 10 * 65536},
                          SpanRecord{0, 2, 4, 0, 10 * 65536}, SpanRecord{0, 3, 4, 0, 10 * 65536}));
  // A sliver 0.5 pixel wide: the span gradient is (dl * (2^30 / dx)) >> 14 = 2 * dl, that is
  // (65536 * (2^30 / 32768)) >> 14 = 131072; pixel 11 is 0.25 past the left edge: level 0.5.
  g_spans.clear();
  const float sliver[] = {10.75f, 0, 1, 0, 10.75f, 2, 1, 0, 11.25f, 2, 1, 1, 11.25f, 0, 1, 1};
  m_gouraud.draw(sliver, 4);
  ASSERT_EQ(g_spans.size(), 2u);
  EXPECT_EQ(g_spans[0], (SpanRecord{11, 0, 1, 32768, 131072}));
}

TEST_F(EdgeWalk, TriangleDepthGradientIsConstantAndDepthRunsOnTheLeftEdge) {
  std::vector<uint32_t> depth(kSize * kSize, 0u);
  useDepth(depth.data());
  // 1/z 0.25 on the left edge, 0.75 at (8, 8): dz/dx = 0.0625 * 2^32 on every row.
  const float triangle[] = {0, 0, 0.25f, 0, 8, 0.25f, 8, 8, 0.75f};
  m_flat.draw(triangle, 3, 0);
  ASSERT_EQ(g_spans.size(), 7u);  // row 0 is empty
  for (const SpanRecord& span : g_spans)
    EXPECT_EQ(span, (SpanRecord{0, span.y, span.y, 1073741824, 268435456}));
  // The same plane as a quad: both edges interpolated, one division per span, same values.
  g_spans.clear();
  const float quad[] = {0, 0, 0.25f, 0, 8, 0.25f, 8, 8, 0.75f, 8, 0, 0.75f};
  m_flat.draw(quad, 4, 0);
  ASSERT_EQ(g_spans.size(), 8u);
  EXPECT_EQ(g_spans[3], (SpanRecord{0, 3, 8, 1073741824, 268435456}));
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
  EXPECT_THAT(g_spans, IsEmpty());
  m_flat.draw(polygon.data(), 9, 0);
  EXPECT_EQ(g_spans.size(), 39u);  // scanlines 13 (top y 12.98) to 51 (bottom 51.02)
}

struct Point {
  double x, y;
};
// > 0 when c lies left of a -> b on the screen (y down), scaled by |b - a|: a signed distance.
double side(Point a, Point b, Point c) {
  return ((b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x)) / std::hypot(b.x - a.x, b.y - a.y);
}

TEST_F(EdgeWalk, TrianglesSharingAnEdgeCoverEveryPixelOnce) {
  countCoverage();
  std::mt19937 random(1234);
  std::uniform_real_distribution<float> coordinate(-12.0f, 76.0f);
  auto point = [&] {
    const float x = coordinate(random);
    return Point{static_cast<double>(x), static_cast<double>(coordinate(random))};
  };
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
    const float first[] = {float(p.x), float(p.y), 1,          float(q.x), float(q.y),
                           1,          float(r.x), float(r.y), 1};
    const float second[] = {float(q.x), float(q.y), 1,          float(p.x), float(p.y),
                            1,          float(s.x), float(s.y), 1};
    m_flat.draw(first, 3, 0);
    m_flat.draw(second, 3, 0);
    for (int32_t y = 0; y < kSize; ++y) {
      for (int32_t x = 0; x < kSize; ++x) {
        const Point c{double(x), double(y)};
        // Inside a triangle and at least a pixel away from its two outer edges: on the shared
        // edge too, exactly one of the triangles covers the pixel.
        const bool deepInFirst = side(p, q, c) <= 0 && side(q, r, c) <= -1 && side(r, p, c) <= -1;
        const bool deepInSecond = side(q, p, c) <= 0 && side(p, s, c) <= -1 && side(s, q, c) <= -1;
        ASSERT_LE(count(x, y), 1u) << "round " << round << " pixel " << x << ", " << y;
        if (deepInFirst || deepInSecond) {
          ASSERT_EQ(count(x, y), 1u) << "round " << round << " pixel " << x << ", " << y;
        }
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
  // Wider than the image only, then above, below, left and right of it.
  const float wide[] = {-9000, 10, 1, -9000, 12, 1, 9000, 12, 1, 9000, 10, 1};
  m_flat.draw(wide, 4, 0);
  EXPECT_EQ(count(0, 10), 2u);
  EXPECT_EQ(count(63, 11), 2u);
  for (const float d : {-200.0f, 200.0f}) {
    const float above[] = {0, 0 + d, 1, 0, 60 + d, 1, 60, 60 + d, 1};
    const float aside[] = {0 + d, 0, 1, 0 + d, 60, 1, 60 + d, 60, 1};
    m_flat.draw(above, 3, 0);
    m_flat.draw(aside, 3, 0);
  }
  const uint32_t* pPixels = m_image.getPixels();
  for (int32_t i = 1; i <= 2 * kSize; ++i) {
    ASSERT_EQ(pPixels[-i], 0u);
    ASSERT_EQ(pPixels[kSize * kSize - 1 + i], 0u);
  }
  for (size_t i = 0; i < kGuard; ++i) {
    ASSERT_EQ(depth[i], 0u);
    ASSERT_EQ(depth[depth.size() - 1 - i], 0u);
  }
  EXPECT_EQ(depth[kGuard], 1u);
  EXPECT_EQ(depth[kGuard + 11 * kSize], 2u);
}

}  // namespace
