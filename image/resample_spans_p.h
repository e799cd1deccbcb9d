#pragma once
// The span routines of the resampling blits (blitRotation, blitScaled): one routine per texel
// fetch and combination, chosen once per call. A routine walks the source in 16.16 texel
// coordinates (u, v stepped by du, dv per pixel), samples it, and mixes the sample into the
// destination with one of the blends of blit_kernels_p.h.
//
// Pieces, composed at compile time:
// - fetches: nearest (texel (v >> 16) * width + (u >> 16)) and bilinear (the four texels from
//   that index, weighted by the 12-bit fractions of u and v), each over a free walk or along one
//   source row (v constant over the span: the scaled blit, and the rotating blit at angle 0);
// - mixes: a blend alone, a blend weighted by the opacity, or weighted by the alpha map's word
//   at the sample's index (the top-left texel for bilinear).
// Each routine exists on three paths with the same bytes: the scalar twin written like the
// formulas, the packed path (four pixels per SSE2 register), and the wide path
// (resample_spans_avx2.cpp, built for AVX2 and chosen at start-up when the CPU has it), whose
// fetches take eight texels at once and whose blends are the packed ones, two registers at a time.

#include <array>
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "image/blit_kernels_p.h"
#include "image/resample_fetch_p.h"
#include "image/simd_p.h"

namespace resample {

using SpanFn = void (*)(const Texture& texture, uint32_t* pDst, int32_t count, TexelWalk walk);

// How a pixel is sampled. The row forms take v as constant over the span (dv is ignored).
enum class Sampling : int { kNearest, kBilinear, kNearestRow, kBilinearRow, kCount };

// The ten combinations, in the order they are chosen (combinationFor). s = sample byte, d =
// destination byte, m = alpha map byte, a = opacity weight.
enum class Combination : int {
  kMapNormal,   // ((s m) >> 8) + ((d (255 - m)) >> 8)
  kMapAdd,      // sat(d + ((s m) >> 8))
  kMapSub,      // sat(d - ((s m) >> 8))
  kAdd,         // sat(d + s)
  kAddOpacity,  // sat(d + ((s a) >> 8))
  kSub,         // sat(d - s)
  kSubOpacity,  // sat(d - ((s a) >> 8))
  kAverage,     // (d + s) >> 1
  kCopy,        // s
  kOpacity,     // ((s a) >> 8) + ((d (255 - a)) >> 8)
  kCount
};

inline constexpr size_t kNbSampling = static_cast<size_t>(Sampling::kCount);
inline constexpr size_t kNbCombination = static_cast<size_t>(Combination::kCount);

// Indexed by Sampling, then Combination.
using SpanTable = std::array<std::array<SpanFn, kNbCombination>, kNbSampling>;

enum class SpanPath { kScalar, kPacked, kWide };

// The routine of `path`, or null when this build or this CPU cannot run it (kWide needs AVX2).
SpanFn spanFor(Sampling sampling, Combination combination, SpanPath path);
// The routine of the widest path this CPU runs, chosen on the first call.
SpanFn spanFor(Sampling sampling, Combination combination);

// The wide path's table (resample_spans_avx2.cpp); call only when the CPU has AVX2. Null where
// the build has no AVX2 file.
const SpanTable* wideSpanTable();

inline namespace IMAGE_KERNEL_ISA {

// Mode 1 mixes additively, 3 subtractively, any other value normally; an alpha map takes
// precedence over the opacity, and the exact opacities 1 and 0.5 take their own routines.
constexpr Combination combinationFor(int mode, bool hasMap, float alpha) {
  constexpr int kAdditive = 1;
  constexpr int kSubtractive = 3;
  if (hasMap) {
    return mode == kAdditive      ? Combination::kMapAdd
           : mode == kSubtractive ? Combination::kMapSub
                                  : Combination::kMapNormal;
  }
  if (mode == kAdditive) return alpha == 1.0f ? Combination::kAdd : Combination::kAddOpacity;
  if (mode == kSubtractive) return alpha == 1.0f ? Combination::kSub : Combination::kSubOpacity;
  if (alpha == 0.5f) return Combination::kAverage;
  return alpha == 1.0f ? Combination::kCopy : Combination::kOpacity;
}

// Keeps a span's walk along one axis inside 0..limit (limit = (size << 16) - 1): the first
// pixel's value is clamped, and when the last pixel, q + dq (count - 1), would still leave the
// range the step is refitted so that it ends on the border. Spans whose edges lie on the source's
// borders can step a 16.16 unit outside through rounding, and a mirrored walk starts exactly on
// the far border (size << 16); clamping that first value to limit makes a mirrored copy at zoom -1
// the exact mirror of the source.
inline void keepInside(int32_t& q, int32_t& dq, int32_t count, int32_t limit) {
  const int64_t start = q < 0 ? 0 : q > limit ? limit : q;
  const int64_t end = start + int64_t{dq} * (count - 1);
  q = static_cast<int32_t>(start);
  if (end >= 0 && end <= limit) return;
  const int64_t border = end < 0 ? 0 : limit;
  // Truncated toward zero, the refitted step never reaches past the border.
  dq = count > 1 ? static_cast<int32_t>((border - start) / (count - 1)) : 0;
}

// ---- Mixes: a blend of blit_kernels_p.h and where its weight comes from ----

// The blend alone.
template <class Blend>
struct Plain {
  static constexpr MapRead kMap = MapRead::kNo;
  // A plain copy of the sample: the destination is not read.
  static constexpr bool kCopies = std::is_same_v<Blend, blit_kernels::BlendCopy>;
  static uint32_t pixel(uint32_t d, Sample s, uint32_t /*opacity*/) {
    return blit_kernels::blendPixel<Blend>(d, s.texel);
  }
#if IMAGE_HAS_SSE2
  static simd::Pixels4 pixels4(simd::Pixels4 d, const Samples4& s, simd::Pixels4 /*opacity*/) {
    return Blend::blend(d, s.texels);
  }
#endif
};

// Weighted by the opacity in every byte.
template <class Blend>
struct ByOpacity {
  static constexpr MapRead kMap = MapRead::kNo;
  static constexpr bool kCopies = false;
  static uint32_t pixel(uint32_t d, Sample s, uint32_t opacity) {
    return blit_kernels::blendPixelWeighted<Blend>(d, s.texel, opacity);
  }
#if IMAGE_HAS_SSE2
  static simd::Pixels4 pixels4(simd::Pixels4 d, const Samples4& s, simd::Pixels4 opacity) {
    return Blend::blend(d, s.texels, opacity);
  }
#endif
};

// Weighted byte by byte by the alpha map word at the sample's index.
template <class Blend>
struct ByMap {
  static constexpr MapRead kMap = MapRead::kYes;
  static constexpr bool kCopies = false;
  static uint32_t pixel(uint32_t d, Sample s, uint32_t /*opacity*/) {
    return blit_kernels::blendPixelWeighted<Blend>(d, s.texel, s.map);
  }
#if IMAGE_HAS_SSE2
  static simd::Pixels4 pixels4(simd::Pixels4 d, const Samples4& s, simd::Pixels4 /*opacity*/) {
    return Blend::blend(d, s.texels, s.maps);
  }
#endif
};

// ---- Span loops ----

// The scalar twin: one pixel per step, the fetch and the blend written like their formulas.
template <template <MapRead> class Fetch, class Mix>
void spanScalar(const Texture& texture, uint32_t* pDst, int32_t count, TexelWalk walk) {
  Fetch<Mix::kMap> fetch(texture, walk);
  for (int32_t i = 0; i < count; ++i)
    pDst[i] = Mix::pixel(pDst[i], fetch.next(), texture.opacity);
}

#if IMAGE_HAS_SSE2
// From pixel i on: four pixels per step, then the last 0..3 one at a time.
template <class Fetch, class Mix>
void finishPacked(const Texture& texture, uint32_t* pDst, int32_t i, int32_t count, Fetch& fetch) {
  const simd::Pixels4 opacity = simd::splat(texture.opacity);
  for (; i + 4 <= count; i += 4) {
    simd::store4(pDst + i, Mix::pixels4(simd::load4(pDst + i), fetch.next4(), opacity));
  }
  for (; i < count; ++i)
    pDst[i] = Mix::pixel(pDst[i], fetch.next(), texture.opacity);
}
#endif

// The packed path.
template <template <MapRead> class Fetch, class Mix>
void spanPacked(const Texture& texture, uint32_t* pDst, int32_t count, TexelWalk walk) {
#if IMAGE_HAS_SSE2
  Fetch<Mix::kMap> fetch(texture, walk);
  finishPacked<Fetch<Mix::kMap>, Mix>(texture, pDst, 0, count, fetch);
#else
  spanScalar<Fetch, Mix>(texture, pDst, count, walk);
#endif
}

#if IMAGE_HAS_AVX2
// The wide path: eight texels per fetch, blended as two packed registers (or stored at once by a
// plain copy), then the packed path for the last 0..7 pixels.
template <template <MapRead> class Fetch, class Mix>
void spanWide(const Texture& texture, uint32_t* pDst, int32_t count, TexelWalk walk) {
  Fetch<Mix::kMap> fetch(texture, walk);
  int32_t i = 0;
  if (count >= 8) {
    fetch.startWide(texture);
    const simd::Pixels4 opacity = simd::splat(texture.opacity);
    for (; i + 8 <= count; i += 8) {
      const Samples8 samples = fetch.next8();
      if constexpr (Mix::kCopies) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(pDst + i), samples.texels);
      } else {
        const Samples4 low = {_mm256_castsi256_si128(samples.texels),
                              _mm256_castsi256_si128(samples.maps)};
        const Samples4 high = {_mm256_extracti128_si256(samples.texels, 1),
                               _mm256_extracti128_si256(samples.maps, 1)};
        simd::store4(pDst + i, Mix::pixels4(simd::load4(pDst + i), low, opacity));
        simd::store4(pDst + i + 4, Mix::pixels4(simd::load4(pDst + i + 4), high, opacity));
      }
    }
  }
  finishPacked<Fetch<Mix::kMap>, Mix>(texture, pDst, i, count, fetch);
}
#endif

// The ten combinations' routines of one fetch on one path, in Combination order. Loop is a
// class template whose run() calls the path's loop.
template <template <template <MapRead> class, class> class Loop, template <MapRead> class Fetch>
constexpr std::array<SpanFn, kNbCombination> combinationSpans() {
  namespace bk = blit_kernels;
  // clang-format off
  return {
      &Loop<Fetch, ByMap<bk::BlendAlpha>>::run,          // kMapNormal
      &Loop<Fetch, ByMap<bk::BlendAlphaAdd>>::run,       // kMapAdd
      &Loop<Fetch, ByMap<bk::BlendAlphaSub>>::run,       // kMapSub
      &Loop<Fetch, Plain<bk::BlendAdd>>::run,            // kAdd
      &Loop<Fetch, ByOpacity<bk::BlendAlphaAdd>>::run,   // kAddOpacity
      &Loop<Fetch, Plain<bk::BlendSub>>::run,            // kSub
      &Loop<Fetch, ByOpacity<bk::BlendAlphaSub>>::run,   // kSubOpacity
      &Loop<Fetch, Plain<bk::BlendAverage>>::run,        // kAverage
      &Loop<Fetch, Plain<bk::BlendCopy>>::run,           // kCopy
      &Loop<Fetch, ByOpacity<bk::BlendAlpha>>::run,      // kOpacity
  };
  // clang-format on
}

// Every fetch's routines on one path, in Sampling order.
template <template <template <MapRead> class, class> class Loop>
constexpr SpanTable spanTable() {
  return {combinationSpans<Loop, FetchNearest>(), combinationSpans<Loop, FetchBilinear>(),
          combinationSpans<Loop, FetchNearestRow>(), combinationSpans<Loop, FetchBilinearRow>()};
}

}  // namespace IMAGE_KERNEL_ISA
}  // namespace resample
