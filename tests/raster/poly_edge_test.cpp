// The edge walk: which scanlines and pixels a polygon covers, the values handed to the span
// fillers, shared edges, and clipping of polygons that leave the image.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "raster/poly_drawers.h"
#include "tests/raster/poly_test_util.h"

using poly_test::recorder;
using poly_test::SpanRecord;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

constexpr int32_t kSize = 64;

class EdgeWalk : public ::testing::Test {
 protected:
  EdgeWalk() : m_image(kSize, kSize), m_depth(kSize * kSize, 0u) {
    m_material.colors.fill(0x00FFFFFFu);
    m_flat.setDestination(&m_image);
    m_flat.setMaterial(&m_material);
    m_flat.setSpanFillers({poly_test::recordFlat, poly_test::recordFlatZ});
    m_gouraud.setDestination(&m_image);
    m_gouraud.setMaterial(&m_material);
    m_gouraud.setSpanFillers({poly_test::recordGouraud, poly_test::recordGouraudZ});
    recorder() = {m_image.getPixels(), kSize, {}};
  }

  void useDepth() {
    const ZBuffer buffer{kSize, kSize, m_depth.data()};
    m_flat.setZBuffer(&buffer);
  }

  CImage32Buffered m_image;
  std::vector<uint32_t> m_depth;
  RasterMaterial m_material;
  FlatPolyFiller m_flat;
  GouraudPolyFiller m_gouraud;
};

TEST_F(EdgeWalk, TriangleCoversItsScanlinesFromTheLeftEdgeToBeforeTheRightOne) {
  const float vertices[] = {10, 10, 1, 5, 20, 1, 15, 20, 1};
  m_flat.draw(vertices, 3, 0);
  // Scanline 10 has 0 pixels (ceil 10 - ceil 10); row y spans [ceil(10 - d), ceil(10 + d)), d =
  // (y - 10) / 2; pixel centres on an edge belong to the left one only.
  EXPECT_THAT(recorder().spans,
              ElementsAre(SpanRecord{10, 11, 1}, SpanRecord{9, 12, 2}, SpanRecord{9, 13, 3},
                          SpanRecord{8, 14, 4}, SpanRecord{8, 15, 5}, SpanRecord{7, 16, 6},
                          SpanRecord{7, 17, 7}, SpanRecord{6, 18, 8}, SpanRecord{6, 19, 9}));
}

TEST_F(EdgeWalk, ClockwiseVerticesDrawNothing) {
  const float vertices[] = {10, 10, 1, 15, 20, 1, 5, 20, 1};
  m_flat.draw(vertices, 3, 0);
  EXPECT_THAT(recorder().spans, IsEmpty());
}

TEST_F(EdgeWalk, HalfPixelTopStartsOnTheNextScanlinePresteppedByHalfTheSlope) {
  // Edges of slope -1 and +1 pixel per row from (20, 10.5); levels 0 at the top, 100 below.
  const float vertices[] = {20, 10.5f, 1, 0, 10, 20.5f, 1, 100, 30, 20.5f, 1, 100};
  m_gouraud.draw(vertices, 3);
  ASSERT_EQ(recorder().spans.size(), 10u);  // scanlines 11..20
  // Half a row down: x 19.5 and 20.5, level 5.0; the level does not change along a row.
  EXPECT_EQ(recorder().spans.front(), (SpanRecord{20, 11, 1, 5 * 65536, 0}));
  EXPECT_EQ(recorder().spans.back(), (SpanRecord{11, 20, 19, 95 * 65536, 0}));
}

TEST_F(EdgeWalk, QuadDividesPerScanline) {
  // Level 0 on the left side, 40 on the right: 10 per pixel, from the division per span.
  const float vertices[] = {0, 0, 1, 0, 0, 4, 1, 0, 4, 4, 1, 40, 4, 0, 1, 40};
  m_gouraud.draw(vertices, 4);
  const SpanRecord row{0, 0, 4, 0, 10 * 65536};
  EXPECT_THAT(recorder().spans,
              ElementsAre(row, SpanRecord{0, 1, 4, 0, 10 * 65536},
                          SpanRecord{0, 2, 4, 0, 10 * 65536}, SpanRecord{0, 3, 4, 0, 10 * 65536}));
}

TEST_F(EdgeWalk, OnePixelSpanUsesTheReciprocalForm) {
  // A sliver quad 0.5 pixel wide: the span gradient is (dl * (2^30 / dx)) >> 14 = 2 * dl.
  const float vertices[] = {10.75f, 0, 1, 0, 10.75f, 2, 1, 0, 11.25f, 2, 1, 1, 11.25f, 0, 1, 1};
  m_gouraud.draw(vertices, 4);
  ASSERT_EQ(recorder().spans.size(), 2u);
  // (65536 * (2^30 / 32768)) >> 14 = 131072; pixel 11 is 0.25 past the left edge: level 0.5.
  EXPECT_EQ(recorder().spans[0], (SpanRecord{11, 0, 1, 32768, 131072}));
}

TEST_F(EdgeWalk, TriangleDepthGradientIsConstantAndDepthRunsOnTheLeftEdge) {
  useDepth();
  // 1/z 0.25 on the left edge, 0.75 at (8, 8): dz/dx = 0.0625 * 2^32 on every row.
  const float triangle[] = {0, 0, 0.25f, 0, 8, 0.25f, 8, 8, 0.75f};
  m_flat.draw(triangle, 3, 0);
  ASSERT_EQ(recorder().spans.size(), 7u);  // row 0 is empty
  for (const SpanRecord& span : recorder().spans) {
    EXPECT_EQ(span.x, 0);
    EXPECT_EQ(span.count, span.y);
    EXPECT_EQ(span.value, 1073741824);
    EXPECT_EQ(span.gradient, 268435456);
  }
  // The same plane as a quad: both edges interpolated, one division per span, same values.
  recorder().spans.clear();
  const float quad[] = {0, 0, 0.25f, 0, 8, 0.25f, 8, 8, 0.75f, 8, 0, 0.75f};
  m_flat.draw(quad, 4, 0);
  ASSERT_EQ(recorder().spans.size(), 8u);
  EXPECT_EQ(recorder().spans[3], (SpanRecord{0, 3, 8, 1073741824, 268435456}));
}

TEST_F(EdgeWalk, VertexCountsOutsideOneToNineDrawNothing) {
  // A nonagon around (32, 32), counter-clockwise on the screen.
  std::vector<float> polygon;
  for (int i = 0; i < 10; ++i) {
    const double angle = -2.0 * 3.14159265358979 * i / 10.0;
    polygon.insert(polygon.end(), {static_cast<float>(32 + 20 * std::cos(angle)),
                                   static_cast<float>(32 + 20 * std::sin(angle)), 1.0f});
  }
  m_flat.draw(polygon.data(), 10, 0);
  m_flat.draw(polygon.data(), 0, 0);
  m_flat.draw(polygon.data(), -3, 0);
  m_flat.draw(nullptr, 3, 0);
  EXPECT_THAT(recorder().spans, IsEmpty());
  m_flat.draw(polygon.data(), 9, 0);
  EXPECT_EQ(recorder().spans.size(), 39u);  // scanlines 13 (top y 12.98) to 51 (bottom 51.02)
}

TEST_F(EdgeWalk, BadCoordinatesDropThePolygon) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  for (const float bad : {nan, inf, -inf, 16384.0f, -1e9f}) {
    const float badX[] = {bad, 10, 1, 5, 20, 1, 15, 20, 1};
    const float badY[] = {10, 10, 1, 5, bad, 1, 15, 20, 1};
    m_flat.draw(badX, 3, 0);
    m_flat.draw(badY, 3, 0);
    const float badLevel[] = {10, 10, 1, 0, 5, 20, 1, bad, 15, 20, 1, 0};
    m_gouraud.draw(badLevel, 3);
  }
  const float collinear[] = {0, 0, 1, 10, 10, 1, 20, 20, 1};
  m_flat.draw(collinear, 3, 0);
  const float flatLine[] = {0, 5, 1, 30, 5, 1, 60, 5, 1};
  m_flat.draw(flatLine, 3, 0);
  EXPECT_THAT(recorder().spans, IsEmpty());
}

// Coverage counts with the counting fillers.
class Coverage : public ::testing::Test {
 protected:
  Coverage() : m_image(kSize, kSize) {
    m_flat.setDestination(&m_image);
    m_flat.setMaterial(&m_material);
    m_flat.setSpanFillers({poly_test::countFlat, poly_test::countFlatZ});
  }
  uint32_t count(int32_t x, int32_t y) const { return m_image.getPixels()[y * kSize + x]; }

  CImage32Buffered m_image;
  RasterMaterial m_material;
  FlatPolyFiller m_flat;
};

struct Point {
  double x;
  double y;
};
// > 0 when c lies left of a -> b on the screen (y down), scaled by |b - a|: a signed distance.
double side(Point a, Point b, Point c) {
  return ((b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x)) / std::hypot(b.x - a.x, b.y - a.y);
}

TEST_F(Coverage, TrianglesSharingAnEdgeCoverEveryPixelOnce) {
  std::mt19937 random(1234);
  std::uniform_real_distribution<float> coordinate(-12.0f, 76.0f);
  auto point = [&] {
    const float x = coordinate(random);
    return Point{static_cast<double>(x), static_cast<double>(coordinate(random))};
  };
  for (int round = 0; round < 300; ++round) {
    m_image.fill(0);
    const Point p = point();
    const Point q = point();
    Point r = point();
    Point s = point();
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
        const uint32_t n = count(x, y);
        ASSERT_LE(n, 1u) << "round " << round << " pixel " << x << ", " << y;
        if (deepInFirst || deepInSecond) {
          ASSERT_EQ(n, 1u) << "round " << round << " pixel " << x << ", " << y;
        }
      }
    }
  }
}

TEST_F(Coverage, PolygonsFarOutsideAreClippedToTheImageAndDepthBuffer) {
  // Guard words around the depth buffer, and the image's own guard rows, must stay 0.
  constexpr size_t kGuard = 3 * kSize;
  std::vector<uint32_t> depth(kSize * kSize + 2 * kGuard, 0u);
  const ZBuffer buffer{kSize, kSize, depth.data() + kGuard};
  m_flat.setZBuffer(&buffer);
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
  for (const float dy : {-200.0f, 200.0f}) {
    const float away[] = {0, 0 + dy, 1, 0, 60 + dy, 1, 60, 60 + dy, 1};
    m_flat.draw(away, 3, 0);
  }
  for (const float dx : {-200.0f, 200.0f}) {
    const float away[] = {0 + dx, 0, 1, 0 + dx, 60, 1, 60 + dx, 60, 1};
    m_flat.draw(away, 3, 0);
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
