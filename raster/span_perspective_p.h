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

// A batch of at most kSegmentBatch segments: u/z, v/z and 1/z summed to the end of each, then
// u, v and depth where each segment starts, one past the last, and each segment's pixel count.
inline constexpr int32_t kSegmentBatch = 32;
struct SegmentEnds {
  std::array<float, kSegmentBatch> uz, vz, iz;
  std::array<int32_t, kSegmentBatch + 1> u;
  std::array<int32_t, kSegmentBatch + 1> v;
  std::array<uint32_t, kSegmentBatch + 1> z;
  std::array<int32_t, kSegmentBatch> count;
};

#if RASTER_HAS_AVX2
// toFixed of eight quotients. x * 65536 is exact in float as in double, or infinite where the
// double is beyond the clamp anyway, so rounding in float gives the same integer; cvtps2dq
// gives -2^31 below the range, and the lanes at or above 2^31 and the NaN lanes are set apart.
inline __m256i toFixed8(__m256 coordinates) {
  const __m256 x = _mm256_mul_ps(coordinates, _mm256_set1_ps(65536.0f));
  const __m256i rounded =
      _mm256_cvtps_epi32(_mm256_round_ps(x, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC));
  const __m256 high = _mm256_cmp_ps(x, _mm256_set1_ps(2147483648.0f), _CMP_GE_OQ);
  const __m256 nan = _mm256_cmp_ps(x, x, _CMP_UNORD_Q);
  const __m256i clamped =
      _mm256_blendv_epi8(rounded, splat8(0x7FFFFFFFu), _mm256_castps_si256(high));
  return _mm256_andnot_si256(_mm256_castps_si256(nan), clamped);
}

// toDepth of eight 1/z values: below 0 and NaN give 0, from 2^32 up 2^32 - 1; between 2^31 and
// 2^32 the rounded value less 2^31 is exact (the two are within a factor of two) and converts.
inline __m256i toDepth8(__m256 inverseZ) {
  const __m256 x = _mm256_mul_ps(inverseZ, _mm256_set1_ps(4294967296.0f));
  const __m256 rounded = _mm256_round_ps(x, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
  const __m256 half = _mm256_set1_ps(2147483648.0f);
  const __m256 upper = _mm256_cmp_ps(rounded, half, _CMP_GE_OQ);
  const __m256i low = _mm256_cvtps_epi32(_mm256_sub_ps(rounded, _mm256_and_ps(upper, half)));
  const __m256i value =
      _mm256_xor_si256(low, _mm256_and_si256(_mm256_castps_si256(upper), splat8(0x80000000u)));
  const __m256 top = _mm256_cmp_ps(rounded, _mm256_set1_ps(4294967296.0f), _CMP_GE_OQ);
  const __m256 valid = _mm256_cmp_ps(x, _mm256_setzero_ps(), _CMP_GE_OQ);
  return _mm256_and_si256(_mm256_or_si256(value, _mm256_castps_si256(top)),
                          _mm256_castps_si256(valid));
}
#endif

// Entries 1..segments of u, v and z from the sums: eight at a time on the wide path.
template <Path path>
void convertEnds(SegmentEnds& ends, int32_t segments) {
  int32_t s = 0;
#if RASTER_HAS_AVX2
  if constexpr (path == Path::kWide) {
    for (; s + 8 <= segments; s += 8) {
      const auto at = static_cast<size_t>(s);
      const __m256 iz = _mm256_loadu_ps(&ends.iz[at]);
      const auto store = [](void* p, __m256i v) {
        _mm256_storeu_si256(static_cast<__m256i*>(p), v);
      };
      store(&ends.u[at + 1], toFixed8(_mm256_div_ps(_mm256_loadu_ps(&ends.uz[at]), iz)));
      store(&ends.v[at + 1], toFixed8(_mm256_div_ps(_mm256_loadu_ps(&ends.vz[at]), iz)));
      store(&ends.z[at + 1], toDepth8(iz));
    }
  }
#endif
  for (; s < segments; ++s) {
    const auto at = static_cast<size_t>(s);
    ends.u[at + 1] = toFixed(ends.uz[at] / ends.iz[at]);
    ends.v[at + 1] = toFixed(ends.vz[at] / ends.iz[at]);
    ends.z[at + 1] = toDepth(ends.iz[at]);
  }
}

#if RASTER_HAS_AVX2
// The sixteen pixels of a whole segment on the wide path.
template <typename M, Depth depth, typename Source>
RASTER_STEP void wideSegment(Pixels8 opacity8, uint32_t* dst, DepthRun zrun, Source& source) {
  static_assert(raster_config::kPerspectiveSegment == 16);
  constexpr bool kTested = depth == Depth::kTested;
  source.startPacked();
  const Pixels8 zs = _mm256_add_epi32(splat8(zrun.z), steps8(zrun.dz));
  laneGroup<M, depth>(EightLanes{}, dst, kTested ? zrun.pDepth : nullptr, zs, source.next8(),
                      opacity8);
  laneGroup<M, depth>(EightLanes{}, dst + 8, kTested ? zrun.pDepth + 8 : nullptr,
                      _mm256_add_epi32(zs, splat8(8 * zrun.dz)), source.next8(), opacity8);
}
#endif

template <Path path, typename M, typename Fetch, Depth depth>
void perspectiveRun(const SpanContext& ctx, uint32_t* dst, uint32_t* zdst, const uint32_t* texels,
                    int32_t count, float uz, float vz, float iz, float duz, float dvz, float diz) {
  // Both fetches draw nothing without texels: asked once here instead of per segment.
  if (texels == nullptr) {
    return;
  }
  if (count <= raster_config::kPerspectiveSegment) {
    // One segment (the spans of small polygons): its two ends, without the batch.
    const auto steps = static_cast<float>(count);
    const int32_t u = toFixed(uz / iz), v = toFixed(vz / iz);
    const uint32_t z = toDepth(iz);
    uz += steps * duz;
    vz += steps * dvz;
    iz += steps * diz;
    DepthRun zrun;
    if constexpr (depth == Depth::kTested) {
      zrun = {zdst, z, wrap(segmentStep(z, toDepth(iz), count))};
    }
    fill<path, M, depth>(
        ctx, dst, zrun, count,
        TexelSource<Fetch, ColourNone>{{ctx, texels, u, v, segmentStep(u, toFixed(uz / iz), count),
                                        segmentStep(v, toFixed(vz / iz), count)},
                                       {}});
    return;
  }
#if RASTER_HAS_AVX2
  const Pixels8 opacity8 = splat8(splatByte(ctx.alpha));
#endif
  SegmentEnds ends;
  ends.u[0] = toFixed(uz / iz);
  ends.v[0] = toFixed(vz / iz);
  ends.z[0] = toDepth(iz);
  for (int32_t done = 0; done < count;) {
    // The divisions of a batch of segments come first, so that no texel read of a segment
    // waits for the division that ends it.
    int32_t segments = 0;
    for (int32_t at = done; segments < kSegmentBatch && at < count; ++segments) {
      const int32_t n = count - at < raster_config::kPerspectiveSegment
                            ? count - at
                            : raster_config::kPerspectiveSegment;
      const float steps = static_cast<float>(n);
      uz += steps * duz;
      vz += steps * dvz;
      iz += steps * diz;
      const auto s = static_cast<size_t>(segments);
      ends.uz[s] = uz;
      ends.vz[s] = vz;
      ends.iz[s] = iz;
      ends.count[s] = n;
      at += n;
    }
    convertEnds<path>(ends, segments);
    for (size_t s = 0; s < static_cast<size_t>(segments); ++s) {
      const int32_t n = ends.count[s];
      DepthRun zrun;
      if constexpr (depth == Depth::kTested) {
        zrun = {zdst + done, ends.z[s], wrap(segmentStep(ends.z[s], ends.z[s + 1], n))};
      }
      TexelSource<Fetch, ColourNone> source{
          {ctx, texels, ends.u[s], ends.v[s], segmentStep(ends.u[s], ends.u[s + 1], n),
           segmentStep(ends.v[s], ends.v[s + 1], n)},
          {}};
#if RASTER_HAS_AVX2
      if constexpr (path == Path::kWide) {
        // A whole segment is two registers: no loop, no last masked register.
        if (n == raster_config::kPerspectiveSegment) {
          wideSegment<M, depth>(opacity8, dst + done, zrun, source);
          done += n;
          continue;
        }
      }
#endif
      fill<path, M, depth>(ctx, dst + done, zrun, n, source);
      done += n;
    }
    const auto last = static_cast<size_t>(segments);
    ends.u[0] = ends.u[last];
    ends.v[0] = ends.v[last];
    ends.z[0] = ends.z[last];
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
