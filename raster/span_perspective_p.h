#pragma once
// The perspective-correct members as a table of filler pairs by path: u and v are divided out at
// the ends of segments of kPerspectiveSegment pixels and stepped linearly inside each.

#include <array>
#include <cmath>

#include "raster/config.h"
#include "raster/span_filler.h"
#include "raster/span_loop_p.h"

namespace span {
inline namespace RASTER_SPAN_ISA {

// x rounded to the nearest integer (ties to even), clamped to [low, high]; NaN gives 0.
inline int64_t roundClamped(double x, double low, double high) {
  if (!(x >= low)) {
    return x != x ? 0 : static_cast<int64_t>(low);
  }
  return static_cast<int64_t>(std::nearbyint(x < high ? x : high));
}

// A texel coordinate as 16.16.
inline int32_t toFixed(float coordinate) {
  return static_cast<int32_t>(
      roundClamped(static_cast<double>(coordinate) * 65536.0, -2147483648.0, 2147483647.0));
}

// 1/z as unsigned 0.32.
inline uint32_t toDepth(float inverseZ) {
  return static_cast<uint32_t>(
      roundClamped(static_cast<double>(inverseZ) * 4294967296.0, 0.0, 4294967295.0));
}

// (end - start) / n, truncated like an integer division; the depth step wraps like the depth.
inline int32_t segmentStep(int64_t start, int64_t end, int32_t n) {
  // A whole segment divides by a constant, which the compiler turns into shifts.
  if (n == raster_config::kPerspectiveSegment) {
    return static_cast<int32_t>((end - start) / raster_config::kPerspectiveSegment);
  }
  return static_cast<int32_t>((end - start) / n);
}

template <Path path, typename M, typename Fetch, Depth depth>
void perspectiveRun(const SpanContext& ctx, uint32_t* dst, uint32_t* zdst, const uint32_t* texels,
                    int32_t count, float uz, float vz, float iz, float duz, float dvz, float diz) {
  int32_t u = toFixed(uz / iz);
  int32_t v = toFixed(vz / iz);
  uint32_t z = toDepth(iz);
  for (int32_t done = 0; done < count;) {
    const int32_t n = count - done < raster_config::kPerspectiveSegment
                          ? count - done
                          : raster_config::kPerspectiveSegment;
    const float steps = static_cast<float>(n);
    uz += steps * duz;
    vz += steps * dvz;
    iz += steps * diz;
    const int32_t uEnd = toFixed(uz / iz);
    const int32_t vEnd = toFixed(vz / iz);
    const uint32_t zEnd = toDepth(iz);
    DepthRun zrun;
    if constexpr (depth == Depth::kTested) {
      zrun = {zdst + done, z, wrap(segmentStep(z, zEnd, n))};
    }
    fill<path, M, depth>(
        ctx, dst + done, zrun, n,
        TexelSource<Fetch, ColourNone>{
            {ctx, texels, u, v, segmentStep(u, uEnd, n), segmentStep(v, vEnd, n)}, {}});
    done += n;
    u = uEnd;
    v = vEnd;
    z = zEnd;
  }
}

template <Path path, typename M, typename Fetch>
void perspectiveSpan(const SpanContext& ctx, uint32_t* dst, const uint32_t* texels, int32_t count,
                     float uz, float vz, float iz, float duz, float dvz, float diz) {
  perspectiveRun<path, M, Fetch, Depth::kNone>(ctx, dst, nullptr, texels, count, uz, vz, iz, duz,
                                               dvz, diz);
}
template <Path path, typename M, typename Fetch>
void perspectiveSpanZ(const SpanContext& ctx, uint32_t* dst, uint32_t* zdst, const uint32_t* texels,
                      int32_t count, float uz, float vz, float iz, float duz, float dvz,
                      float diz) {
  perspectiveRun<path, M, Fetch, Depth::kTested>(ctx, dst, zdst, texels, count, uz, vz, iz, duz,
                                                 dvz, diz);
}

template <Path path, typename Fetch>
constexpr std::array<SpanFillerPair<PerspectiveSpan, PerspectiveSpanZ>, 7> blendsOf() {
  using T = CombineTexel;
  constexpr DepthWrite kKeeps = DepthWrite::kNo;
  return {{
      {&perspectiveSpan<path, Member<T, BlendReplace, DepthWrite::kYes>, Fetch>,
       &perspectiveSpanZ<path, Member<T, BlendReplace, DepthWrite::kYes>, Fetch>},
      {&perspectiveSpan<path, Member<T, BlendAverage, kKeeps>, Fetch>,
       &perspectiveSpanZ<path, Member<T, BlendAverage, kKeeps>, Fetch>},
      {&perspectiveSpan<path, Member<T, BlendAlpha, kKeeps>, Fetch>,
       &perspectiveSpanZ<path, Member<T, BlendAlpha, kKeeps>, Fetch>},
      {&perspectiveSpan<path, Member<T, BlendAdd, kKeeps>, Fetch>,
       &perspectiveSpanZ<path, Member<T, BlendAdd, kKeeps>, Fetch>},
      {&perspectiveSpan<path, Member<T, BlendAddScaled, kKeeps>, Fetch>,
       &perspectiveSpanZ<path, Member<T, BlendAddScaled, kKeeps>, Fetch>},
      {&perspectiveSpan<path, Member<T, BlendSub, kKeeps>, Fetch>,
       &perspectiveSpanZ<path, Member<T, BlendSub, kKeeps>, Fetch>},
      {&perspectiveSpan<path, Member<T, BlendSubScaled, kKeeps>, Fetch>,
       &perspectiveSpanZ<path, Member<T, BlendSubScaled, kKeeps>, Fetch>},
  }};
}

// PerspectiveSpanKind order: the seven blends over the point fetch, then over the bilinear.
template <Path path>
constexpr auto kPerspective = [] {
  std::array<SpanFillerPair<PerspectiveSpan, PerspectiveSpanZ>, 14> table{};
  const auto point = blendsOf<path, FetchPoint>();
  const auto bilinear = blendsOf<path, FetchBilinear>();
  for (size_t i = 0; i < 7; ++i) {
    table[i] = point[i];
    table[i + 7] = bilinear[i];
  }
  return table;
}();
static_assert(kPerspective<Path::kScalar>.size() ==
              static_cast<size_t>(PerspectiveSpanKind::kBilinearSubScaled) + 1);

}  // namespace RASTER_SPAN_ISA
}  // namespace span
