// blitRotation: the source drawn as a rotated, scaled quadrilateral. The four corners are placed
// in floating point, clipped to the destination (Sutherland-Hodgman), converted to 16.16 and
// filled by the polygon edge walk with u, v interpolated along the edges and across each span.

#include <algorithm>
#include <array>
#include <cmath>

#include "image/cimage32.h"
#include "image/poly_walk.h"
#include "image/resample_plan_p.h"

namespace {

// A corner or clipped vertex: destination position and texel coordinates.
struct ClipVertex {
  float x, y, u, v;
};

// Clipping a convex polygon by one line adds at most one vertex: 4 corners become at most 8.
// The buffers allow for twice that, so a polygon that float rounding made slightly non-convex is
// still clipped without overflow (and then refused by the walk if it has too many vertices).
constexpr int kClipCapacity = 16;
using ClipPolygon = std::array<ClipVertex, kClipCapacity>;

enum class Axis { kX, kY };
enum class Keep { kAbove, kBelow };  // keep coordinate >= boundary, or <= boundary

float along(const ClipVertex& vertex, Axis axis) {
  return axis == Axis::kX ? vertex.x : vertex.y;
}

// Where the edge a -> b crosses the line: x, y, u, v interpolated linearly, the clipped
// coordinate set to the boundary itself.
ClipVertex crossing(const ClipVertex& a, const ClipVertex& b, Axis axis, float boundary) {
  const float t = (boundary - along(a, axis)) / (along(b, axis) - along(a, axis));
  ClipVertex result{a.x + t * (b.x - a.x), a.y + t * (b.y - a.y), a.u + t * (b.u - a.u),
                    a.v + t * (b.v - a.v)};
  (axis == Axis::kX ? result.x : result.y) = boundary;
  return result;
}

// One Sutherland-Hodgman step; a vertex on the line is inside. Returns the output count, or -1
// when the output would not fit.
int clipBy(const ClipPolygon& in, int n, ClipPolygon& out, Axis axis, float boundary, Keep keep) {
  auto inside = [&](const ClipVertex& vertex) {
    const float value = along(vertex, axis);
    return keep == Keep::kAbove ? value >= boundary : value <= boundary;
  };
  int count = 0;
  auto add = [&](const ClipVertex& vertex) {
    if (count == kClipCapacity) return false;
    out[static_cast<size_t>(count++)] = vertex;
    return true;
  };
  for (int i = 0; i < n; ++i) {
    const ClipVertex& current = in[static_cast<size_t>(i)];
    const ClipVertex& previous = in[static_cast<size_t>(i == 0 ? n - 1 : i - 1)];
    const bool currentInside = inside(current);
    if (currentInside != inside(previous) && !add(crossing(previous, current, axis, boundary))) {
      return -1;
    }
    if (currentInside && !add(current)) return -1;
  }
  return count;
}

// The polygon clipped to 0 <= x <= width, 0 <= y <= height: left, right, top, bottom in turn.
int clipToRectangle(ClipPolygon& polygon, int n, float width, float height) {
  ClipPolygon scratch;
  n = clipBy(polygon, n, scratch, Axis::kX, 0.0f, Keep::kAbove);
  if (n > 0) n = clipBy(scratch, n, polygon, Axis::kX, width, Keep::kBelow);
  if (n > 0) n = clipBy(polygon, n, scratch, Axis::kY, 0.0f, Keep::kAbove);
  if (n > 0) n = clipBy(scratch, n, polygon, Axis::kY, height, Keep::kBelow);
  return n;
}

bool allFinite(std::initializer_list<float> values) {
  return std::all_of(values.begin(), values.end(), [](float v) { return std::isfinite(v); });
}

}  // namespace

void CImage32::blitRotation(CImage32* pDst, float angle, float cx, float cy, float zoomX,
                            float zoomY, int mode, const CImage32* pAlphaMap, float alpha,
                            int filter) const {
  if (pAlphaMap && (pAlphaMap->getWidth() != m_width || pAlphaMap->getHeight() != m_height)) {
    warning("blitRotation src and alpha map dimensions are different");
    return;
  }
  ResamplePlan plan;
  const auto resampleFilter =
      filter != kFilterNearest ? ResamplePlan::Filter::kBilinear : ResamplePlan::Filter::kNearest;
  if (!plan.prepare(*this, pDst, pAlphaMap, mode, alpha, resampleFilter)) return;
  if (!allFinite({angle, cx, cy, zoomX, zoomY})) return;

  // Corners at the local offsets (-hw, +hh), (+hw, +hh), (+hw, -hh), (-hw, -hh), turned by
  // (c, s) = (cos -angle, sin -angle): x = lx c - ly s + cx, y = lx s + ly c + cy, with the
  // texel coordinates (0, height), (width, height), (width, 0), (0, 0).
  const auto width = static_cast<float>(m_width);
  const auto height = static_cast<float>(m_height);
  const float hw = width * zoomX / 2.0f;
  const float hh = height * zoomY / 2.0f;
  const float c = std::cos(-angle);
  const float s = std::sin(-angle);
  const std::array<std::array<float, 4>, 4> local = {{
      {-hw, hh, 0.0f, height},
      {hw, hh, width, height},
      {hw, -hh, width, 0.0f},
      {-hw, -hh, 0.0f, 0.0f},
  }};
  ClipPolygon polygon;
  for (size_t i = 0; i < local.size(); ++i) {
    const auto& [lx, ly, u, v] = local[i];
    polygon[i] = {lx * c - ly * s + cx, lx * s + ly * c + cy, u, v};
  }
  // One negative factor turns the corners clockwise, which the walk leaves empty; taken the other
  // way round they give the mirrored picture.
  if ((zoomX < 0.0f) != (zoomY < 0.0f)) std::reverse(polygon.begin(), polygon.begin() + 4);

  const int n = clipToRectangle(polygon, 4, static_cast<float>(plan.destinationWidth()),
                                static_cast<float>(plan.destinationHeight()));
  if (n < 3 || n > poly_walk::kMaxVertices) return;

  // The walk reads x, y, u, v as four floats per vertex, and carries u, v in 16.16.
  std::array<float, 4 * poly_walk::kMaxVertices> vertices;
  for (size_t i = 0; i < static_cast<size_t>(n); ++i) {
    const ClipVertex& vertex = polygon[i];
    vertices[4 * i] = vertex.x;
    vertices[4 * i + 1] = vertex.y;
    vertices[4 * i + 2] = vertex.u;
    vertices[4 * i + 3] = vertex.v;
  }
  poly_walk::drawPolygon<2, 0, false>(
      vertices.data(), n, 4, plan.destinationWidth(), plan.destinationHeight(),
      [](const float* pIn, auto& vertex) {
        return poly_walk::setFixed(vertex, 0, pIn[2]) && poly_walk::setFixed(vertex, 1, pIn[3]);
      },
      [&](const auto& span) {
        plan.span(span.offset, span.count,
                  {span.value(0), span.value(1), span.gradient(0), span.gradient(1)});
      });
}

void CImage32::blitRotationPivot(CImage32* pDst, float angle, float pivotX, float pivotY,
                                 float posX, float posY, float zoomX, float zoomY, int mode,
                                 const CImage32* pAlphaMap, float alpha, int filter) const {
  const float px = -pivotX * static_cast<float>(m_width) * zoomX;
  const float py = pivotY * static_cast<float>(m_height) * zoomY;
  const float c = std::cos(angle);
  const float s = std::sin(angle);
  blitRotation(pDst, angle, px * c - s * py + posX, posY - (px * s + py * c), zoomX, zoomY, mode,
               pAlphaMap, alpha, filter);
}

void CImage32Buffered::initResampled256(const CImage32& src) {
  constexpr int32_t kSide = 256;
  if (&src == this) {
    // init would free the pixels to be read: resample a copy.
    CImage32Buffered copy;
    if (src.getPixels()) copy.initCopy(src);
    initResampled256(copy);
    return;
  }
  init(kSide, kSide);
  if (!getPixels() || !src.getPixels()) return;
  src.blitRotation(this, 0.0f, kSide / 2.0f, kSide / 2.0f,
                   static_cast<float>(kSide) / static_cast<float>(src.getWidth()),
                   static_cast<float>(kSide) / static_cast<float>(src.getHeight()), kBlitModeNormal,
                   nullptr, 1.0f, kFilterBilinear);
}
