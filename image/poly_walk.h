#pragma once
// The convex polygon edge walk in 16.16 fixed point, shared by the 3D drawers and the rotating
// blit: the fill convention (pixel centres at integer coordinates, left and top edges inclusive,
// right and bottom ones exclusive), the edge slopes and presteps, and the spans handed to a
// per-span callback. It walks kInts fixed-point interpolants (16.16, and 0.32 depth as the last
// one when kDepth) and kFloats float interpolants (the perspective drawer's u/z, v/z, 1/z).
// Values are carried in 64 bits so depth differences (33 bits) and 16.16 products stay exact;
// each span is clipped to the destination and its values fitted to what a span filler carries.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>

#if defined(__x86_64__)
#include <emmintrin.h>
#endif

// The fixed-point conversions and the fill convention's ceilings.
namespace fixed {

constexpr int32_t kOne = 65536;

// x rounded to the nearest integer, ties to even (the default rounding mode), |x| < 2^62. One
// conversion instruction where there is one, instead of the library call of std::nearbyint.
inline int64_t roundToInt(double x) {
#if defined(__x86_64__)
  return _mm_cvtsd_si64(_mm_set_sd(x));
#else
  return std::llrint(x);
#endif
}

// v * 65536 rounded to nearest, ties to even; v must be finite and inside the coordinate limit.
inline int32_t from(float v) {
  // Scaling by 2^16 is exact in float, and so is the widening.
  return static_cast<int32_t>(roundToInt(static_cast<double>(v * 65536.0f)));
}

// (1/z) * 2^32 rounded to nearest, clamped to the 0.32 range (2^32 itself, z = 1, gives the
// largest word); NaN gives 0.
inline uint32_t depthFrom(float inverseZ) {
  if (!(inverseZ > 0.0f)) return 0;
  const double scaled = static_cast<double>(inverseZ) * 4294967296.0;
  if (scaled >= 4294967295.0) return 0xFFFFFFFFu;
  return static_cast<uint32_t>(roundToInt(scaled));
}

// ceil(v) of a 16.16 value, as an integer: (v + 0xFFFF) >> 16 (arithmetic shift).
constexpr int32_t ceilToInt(int64_t v) {
  return static_cast<int32_t>((v + 0xFFFF) >> 16);
}
// ceil(v) kept in 16.16: (v + 0xFFFF) AND NOT 0xFFFF.
constexpr int64_t ceil16(int64_t v) {
  return (v + 0xFFFF) & ~int64_t{0xFFFF};
}

}  // namespace fixed

namespace poly_walk {

// At most 9 vertices per polygon: a triangle clipped by the five planes of a view has 8, and so
// has a quadrilateral clipped by the four sides of a destination.
inline constexpr int kMaxVertices = 9;
// Positions and 16.16 interpolants must lie strictly inside +-kCoordinateLimit, so that every
// 16.16 value and every difference of two fits the walk's arithmetic; a polygon outside it (or
// with a NaN or an infinite value) is dropped whole.
inline constexpr float kCoordinateLimit = 16384.0f;
static_assert(kCoordinateLimit * 65536.0f <= 1073741824.0f, "16.16 values must stay below 2^30");

// One vertex in walk form. Left uninitialised by default so that a polygon's array of the
// largest vertex count costs nothing to declare; drawPolygon clears the vertices it uses.
template <int kInts, int kFloats>
struct Vertex {
  // Screen position in 16.16, and as projected (for the triangle gradients).
  int32_t x;
  int32_t y;
  float screenX;
  float screenY;
  // Fixed-point interpolants and the floats they were converted from.
  std::array<int64_t, kInts> q;
  std::array<float, kInts> source;
  std::array<float, kFloats> f;
};

// The screen position; false for a NaN, an infinity or a value outside the coordinate limit.
template <typename V>
bool setPosition(V& vertex, const float* pIn) {
  const float x = pIn[0];
  const float y = pIn[1];
  if (!(std::fabs(x) < kCoordinateLimit) || !(std::fabs(y) < kCoordinateLimit)) return false;
  vertex.x = fixed::from(x);
  vertex.y = fixed::from(y);
  vertex.screenX = x;
  vertex.screenY = y;
  return true;
}

// A 16.16 interpolant; false when it is not finite or outside the coordinate limit.
template <typename V>
bool setFixed(V& vertex, int i, float value) {
  if (!(std::fabs(value) < kCoordinateLimit)) return false;
  vertex.q[static_cast<size_t>(i)] = fixed::from(value);
  vertex.source[static_cast<size_t>(i)] = value;
  return true;
}

// The 0.32 depth from 1/z, clamped to 0..1; false for NaN.
template <typename V>
bool setDepth(V& vertex, int i, float inverseZ) {
  if (std::isnan(inverseZ)) return false;
  const float clamped = std::clamp(inverseZ, 0.0f, 1.0f);
  vertex.q[static_cast<size_t>(i)] = fixed::depthFrom(clamped);
  vertex.source[static_cast<size_t>(i)] = clamped;
  return true;
}

// One span as a filler receives it: offset of its first pixel in the image (and depth buffer),
// pixel count (>= 1), start values and per-pixel gradients.
template <int kInts, int kFloats>
struct Span {
  size_t offset = 0;
  int32_t count = 0;
  std::array<int64_t, kInts> q{};
  std::array<int64_t, kInts> dq{};
  std::array<float, kFloats> f{};
  std::array<float, kFloats> df{};

  int32_t value(int i) const { return static_cast<int32_t>(q[static_cast<size_t>(i)]); }
  int32_t gradient(int i) const { return static_cast<int32_t>(dq[static_cast<size_t>(i)]); }
  uint32_t depth(int i) const { return static_cast<uint32_t>(q[static_cast<size_t>(i)]); }
  float floatValue(int i) const { return f[static_cast<size_t>(i)]; }
  float floatGradient(int i) const { return df[static_cast<size_t>(i)]; }
};

// The slope of q over a distance d (16.16, > 0) covering `cells` rows or pixels:
// (dq << 16) / d, or for a single cell (dq * (2^30 / d)) >> 14, which does not overflow when d is
// below one pixel. |dq| < 2^33 keeps the products inside 64 bits.
inline int64_t slope(int64_t dq, int64_t d, int32_t cells) {
  if (cells == 1) return (dq * ((int64_t{1} << 30) / d)) >> 14;
  return (dq * fixed::kOne) / d;
}

// The value at the first covered row or pixel: q + ((step * (ceil16(p) - p)) >> 16).
inline int64_t prestep(int64_t q, int64_t step, int64_t p) {
  return q + ((step * (fixed::ceil16(p) - p)) >> 16);
}

template <int kInts, int kFloats>
struct Edge {
  int vertex = 0;  // where the edge ends: the side's current vertex
  int32_t rows = 0;
  int64_t x = 0;
  int64_t dx = 0;
  std::array<int64_t, kInts> q{};
  std::array<int64_t, kInts> dq{};
  std::array<float, kFloats> f{};
  std::array<float, kFloats> df{};
};

// Per-pixel gradients of a triangle, constant over it, from its projected floats.
template <int kInts, int kFloats, bool kDepth>
struct TriangleGradients {
  std::array<int64_t, kInts> dq{};
  std::array<float, kFloats> df{};

  void compute(const Vertex<kInts, kFloats>* v) {
    // d = (x0 - x2)(y1 - y2) - (x1 - x2)(y0 - y2); dq/dx = ((q0 - q2)(y1 - y2) - (q1 - q2)(y0 -
    // y2)) / d. A zero-area triangle draws no span, its gradients stay 0.
    auto wide = [](float value) { return static_cast<double>(value); };
    const double y02 = wide(v[0].screenY) - wide(v[2].screenY);
    const double y12 = wide(v[1].screenY) - wide(v[2].screenY);
    const double d = (wide(v[0].screenX) - wide(v[2].screenX)) * y12 -
                     (wide(v[1].screenX) - wide(v[2].screenX)) * y02;
    if (d == 0.0) return;
    auto along = [&](float q0, float q1, float q2) {
      return ((wide(q0) - wide(q2)) * y12 - (wide(q1) - wide(q2)) * y02) / d;
    };
    for (size_t i = 0; i < kInts; ++i) {
      const bool isDepth = kDepth && i + 1 == kInts;
      const double scale = isDepth ? 4294967296.0 : 65536.0;
      // Sliver triangles give huge gradients: bounded here, fitted per span later.
      const double g = std::clamp(scale * along(v[0].source[i], v[1].source[i], v[2].source[i]),
                                  -kGradientLimit, kGradientLimit);
      dq[i] = fixed::roundToInt(g);
    }
    for (size_t i = 0; i < kFloats; ++i) {
      const auto g = static_cast<float>(along(v[0].f[i], v[1].f[i], v[2].f[i]));
      df[i] = std::isfinite(g) ? g : 0.0f;
    }
  }

  static constexpr double kGradientLimit = 1099511627776.0;  // 2^40
};

// Keeps a span's start value inside [low, high] and its gradient inside int32 such that the
// filler, which advances the value count times, never leaves the range. Only polygons beyond the
// fill arithmetic's precision (slivers, clipped spans far from their vertices) are changed.
inline void fitToRange(int64_t& q, int64_t& dq, int32_t count, int64_t low, int64_t high) {
  dq = std::clamp<int64_t>(dq, std::numeric_limits<int32_t>::min(),
                           std::numeric_limits<int32_t>::max());
  q = std::clamp(q, low, high);
  const int64_t end = q + dq * count;
  if (end > high) dq = (high - q) / count;
  if (end < low) dq = (low - q) / count;
}

// Emits the span of scanline y between the two edges, clipped to columns 0..width - 1. Start
// values at the first covered pixel: q + ((gradient * (ceil16(xLeft) - xLeft)) >> 16), then
// advanced over the clipped pixels.
template <int kInts, int kFloats, bool kDepth, typename Emit>
void emitSpan(const Edge<kInts, kFloats>& left, const Edge<kInts, kFloats>& right,
              const TriangleGradients<kInts, kFloats, kDepth>* pConstant, int32_t y, int32_t width,
              Emit& emit) {
  const int32_t xLeft = fixed::ceilToInt(left.x);
  const int32_t xRight = fixed::ceilToInt(right.x);
  if (xRight <= xLeft) return;
  const int32_t first = std::max(xLeft, 0);
  const int32_t end = std::min(xRight, width);
  if (end <= first) return;
  const int32_t count = xRight - xLeft;
  const int64_t skipped = first - xLeft;
  const int64_t spanX = right.x - left.x;

  Span<kInts, kFloats> span;
  span.offset = static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(first);
  span.count = end - first;
  for (size_t i = 0; i < kInts; ++i) {
    int64_t g = pConstant ? pConstant->dq[i] : slope(right.q[i] - left.q[i], spanX, count);
    int64_t q = prestep(left.q[i], g, left.x);
    g = std::clamp<int64_t>(g, std::numeric_limits<int32_t>::min(),
                            std::numeric_limits<int32_t>::max());
    q += g * skipped;
    const bool isDepth = kDepth && i + 1 == kInts;
    fitToRange(
        q, g, span.count, isDepth ? 0 : std::numeric_limits<int32_t>::min(),
        isDepth ? std::numeric_limits<uint32_t>::max() : std::numeric_limits<int32_t>::max());
    span.q[i] = q;
    span.dq[i] = g;
  }
  const float pixels = static_cast<float>(spanX) / fixed::kOne;
  const float firstFraction = static_cast<float>(fixed::ceil16(left.x) - left.x) / fixed::kOne;
  for (size_t i = 0; i < kFloats; ++i) {
    const float g = pConstant ? pConstant->df[i] : (right.f[i] - left.f[i]) / pixels;
    span.f[i] = left.f[i] + g * firstFraction + g * static_cast<float>(skipped);
    span.df[i] = g;
  }
  emit(span);
}

// Walks the polygon's left edge (forward through the vertices from the top one) and right edge
// (backward), and calls emit(span) for every non-empty span clipped to width x height. Scanlines
// run from ceil(top y) down; the walk ends when either side reaches the bottom vertex.
template <int kInts, int kFloats, bool kDepth, typename Emit>
void walk(const Vertex<kInts, kFloats>* v, int n, int32_t width, int32_t height, Emit&& emit) {
  using E = Edge<kInts, kFloats>;
  int top = 0;
  int bottom = 0;
  for (int i = 1; i < n; ++i) {
    if (v[i].y < v[top].y) top = i;
    if (v[i].y > v[bottom].y) bottom = i;
  }
  // A triangle's per-pixel gradients are constant, and its right edge needs x alone.
  const bool triangle = n == 3;
  TriangleGradients<kInts, kFloats, kDepth> constant;
  if (triangle) constant.compute(v);

  // Starts the side's next edge that covers a row; false when the side reached the bottom.
  auto startEdge = [&](E& edge, int direction, bool withValues) {
    while (edge.vertex != bottom) {
      const Vertex<kInts, kFloats>& a = v[edge.vertex];
      edge.vertex += direction;
      if (edge.vertex == n) edge.vertex = 0;
      if (edge.vertex < 0) edge.vertex = n - 1;
      const Vertex<kInts, kFloats>& b = v[edge.vertex];
      edge.rows = fixed::ceilToInt(b.y) - fixed::ceilToInt(a.y);
      if (edge.rows <= 0) continue;
      const int64_t dy = int64_t{b.y} - a.y;
      edge.dx = slope(int64_t{b.x} - a.x, dy, edge.rows);
      edge.x = prestep(a.x, edge.dx, a.y);
      if (!withValues) return true;
      for (size_t i = 0; i < kInts; ++i) {
        edge.dq[i] = slope(b.q[i] - a.q[i], dy, edge.rows);
        edge.q[i] = prestep(a.q[i], edge.dq[i], a.y);
      }
      const float rowsSpanned = static_cast<float>(dy) / fixed::kOne;
      const float first = static_cast<float>(fixed::ceil16(a.y) - a.y) / fixed::kOne;
      for (size_t i = 0; i < kFloats; ++i) {
        edge.df[i] = (b.f[i] - a.f[i]) / rowsSpanned;
        edge.f[i] = a.f[i] + edge.df[i] * first;
      }
      return true;
    }
    return false;
  };
  auto advance = [](E& edge, bool withValues) {
    edge.x += edge.dx;
    if (!withValues) return;
    for (size_t i = 0; i < kInts; ++i)
      edge.q[i] += edge.dq[i];
    for (size_t i = 0; i < kFloats; ++i)
      edge.f[i] += edge.df[i];
  };

  E left;
  E right;
  left.vertex = top;
  right.vertex = top;
  if (!startEdge(left, 1, true) || !startEdge(right, -1, !triangle)) return;
  for (int32_t y = fixed::ceilToInt(v[top].y); y < height; ++y) {
    if (y >= 0)
      emitSpan<kInts, kFloats, kDepth>(left, right, triangle ? &constant : nullptr, y, width, emit);
    advance(left, true);
    advance(right, !triangle);
    if (--left.rows == 0 && !startEdge(left, 1, true)) return;
    if (--right.rows == 0 && !startEdge(right, -1, !triangle)) return;
  }
}

}  // namespace poly_walk

namespace poly_walk {

// Converts the n projected vertices (floatsPerVertex floats each: x, y, 1/z, then the drawer's
// own) and walks the polygon. convert(pIn, vertex) fills the interpolants; a polygon with any
// vertex refused by setPosition or convert is dropped whole.
template <int kInts, int kFloats, bool kDepth, typename Convert, typename Emit>
void drawPolygon(const float* pVertices, int n, int floatsPerVertex, int32_t width, int32_t height,
                 Convert&& convert, Emit&& emit) {
  if (n < 1 || n > kMaxVertices) return;
  std::array<Vertex<kInts, kFloats>, kMaxVertices> vertices;
  for (int i = 0; i < n; ++i) {
    const float* pIn = pVertices + static_cast<ptrdiff_t>(i) * floatsPerVertex;
    auto& vertex = vertices[static_cast<size_t>(i)];
    vertex = {};
    if (!setPosition(vertex, pIn) || !convert(pIn, vertex)) return;
  }
  walk<kInts, kFloats, kDepth>(vertices.data(), n, width, height, emit);
}

// The same with the kInts interpolants of convert, plus the depth from each vertex's 1/z (its
// third float) as the last one when withDepth: emitZ then receives the spans, else emit.
template <int kInts, typename Convert, typename Emit, typename EmitZ>
void drawFixed(const float* pVertices, int n, int floatsPerVertex, int32_t width, int32_t height,
               bool withDepth, Convert&& convert, Emit&& emit, EmitZ&& emitZ) {
  if (withDepth) {
    drawPolygon<kInts + 1, 0, true>(
        pVertices, n, floatsPerVertex, width, height,
        [&](const float* pIn, auto& vertex) {
          return convert(pIn, vertex) && setDepth(vertex, kInts, pIn[2]);
        },
        emitZ);
  } else {
    drawPolygon<kInts, 0, false>(pVertices, n, floatsPerVertex, width, height, convert, emit);
  }
}

}  // namespace poly_walk
