#pragma once
// The texel fetches of the resampling span routines (resample_spans_p.h): where a pixel's sample
// and alpha map word come from. Each fetch walks u, v (16.16 texel units, inside the source) and
// gives one pixel's sample per next(), four per next4() (packed path) and eight per next8() (wide
// path, after startWide()); all give the same samples.

#include <array>
#include <cstddef>
#include <cstdint>

#include "image/simd_p.h"

// The per-pixel steps (next, next4, next8 and what they call) are always inlined into their span
// loop: left as calls, the fetch's state lives in memory and each step reloads it.
#if defined(__GNUC__)
#define RESAMPLE_STEP [[gnu::always_inline]] inline
#else
#define RESAMPLE_STEP inline
#endif

namespace resample {

// What every span of one blit reads: the source texels (row pitch `width`), the alpha map at the
// same indexes (null without one), the opacity weight in all four bytes, and how many words are
// readable from pTexels (the guard rows below the image included) and from pMap.
struct Texture {
  const uint32_t* pTexels = nullptr;
  const uint32_t* pMap = nullptr;
  uint32_t width = 0;
  uint32_t opacity = 0;
  size_t nbTexel = 0;
  size_t nbMapWord = 0;
};

// A span's texel walk: u and v (16.16 texel units) at its first pixel, and their steps per pixel.
// Every pixel of the span must sample inside the source: 0 <= u < width << 16 and
// 0 <= v < height << 16 (keepInside in resample_spans_p.h makes it so).
struct TexelWalk {
  int32_t u = 0;
  int32_t v = 0;
  int32_t du = 0;
  int32_t dv = 0;
};

inline namespace IMAGE_KERNEL_ISA {

// One pixel's inputs: the sampled texel and the alpha map word at its index (0 without a map).
struct Sample {
  uint32_t texel = 0;
  uint32_t map = 0;
};

// Whether a fetch also reads the alpha map.
enum class MapRead { kNo, kYes };

// Integer part of a 16.16 value inside the source (never negative, see TexelWalk).
constexpr uint32_t texelOf(uint32_t q) {
  return q >> 16;
}

#if IMAGE_HAS_SSE2
// Four pixels' inputs, one pixel per 32-bit lane.
struct Samples4 {
  simd::Pixels4 texels;
  simd::Pixels4 maps;
};

RESAMPLE_STEP simd::Pixels4 words4(const uint32_t* p, uint32_t i0, uint32_t i1, uint32_t i2,
                                   uint32_t i3) {
  return _mm_setr_epi32(static_cast<int32_t>(p[i0]), static_cast<int32_t>(p[i1]),
                        static_cast<int32_t>(p[i2]), static_cast<int32_t>(p[i3]));
}
#endif

#if IMAGE_HAS_AVX2
// Eight pixels' inputs, one pixel per 32-bit lane.
struct Samples8 {
  __m256i texels;
  __m256i maps;
};

namespace wide {

// k * step in lane k.
inline __m256i ramp8(uint32_t step) {
  return _mm256_mullo_epi32(_mm256_set1_epi32(static_cast<int32_t>(step)),
                            _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
}
inline __m256i splat8(uint32_t word) {
  return _mm256_set1_epi32(static_cast<int32_t>(word));
}

// How the next eight texels of a span are read: eight pixels whose columns lie at most one texel
// apart come from one run of eight texels from the lowest column, at most two apart from a run
// of sixteen; farther apart, or where the run would leave the readable words, each is gathered.
enum class Run { kGather, kEight, kSixteen };

// The run of a span whose steps are du (16.16).
inline Run runFor(uint32_t du) {
  const auto step = static_cast<int32_t>(du);
  if (step >= -65536 && step <= 65536) return Run::kEight;
  if (step >= -131072 && step <= 131072) return Run::kSixteen;
  return Run::kGather;
}
inline size_t runLength(Run run) {
  return run == Run::kEight ? 8 : run == Run::kSixteen ? 16 : 0;
}
// The run when the words up to `last` (exclusive) are readable, else a gather.
inline Run runWithin(Run run, size_t last, size_t room) {
  return last <= room ? run : Run::kGather;
}

// The words of p at eight indexes: from the run that starts at `first` (a permute picks each
// lane's word; for sixteen the permute of each half, blended on offset > 7), or gathered.
RESAMPLE_STEP __m256i words8(const uint32_t* p, __m256i indexes, uint32_t first, Run run) {
  if (run == Run::kGather) {
    return _mm256_i32gather_epi32(reinterpret_cast<const int*>(p), indexes, 4);
  }
  const __m256i offsets = _mm256_sub_epi32(indexes, splat8(first));
  const __m256i low = _mm256_permutevar8x32_epi32(
      _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + first)), offsets);
  if (run == Run::kEight) return low;
  const __m256i high = _mm256_permutevar8x32_epi32(
      _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + first + 8)), offsets);
  return _mm256_blendv_epi8(low, high, _mm256_cmpgt_epi32(offsets, splat8(7)));
}

// Row index times width for rows and widths below 2^15: one multiply-add of the 16-bit halves
// (the high halves are 0).
inline __m256i rowStarts8(__m256i rows, __m256i widths) {
  return _mm256_madd_epi16(rows, widths);
}

}  // namespace wide
#endif

// Bilinear: fu = (u >> 4) AND 4095, fv = (v >> 4) AND 4095 (12 fraction bits); the texels at
// index, index + 1, index + width, index + width + 1 with the weights
//   w00 = ((4096 - fu) (4096 - fv)) >> 16   w10 = (fu (4096 - fv)) >> 16
//   w01 = ((4096 - fu) fv) >> 16            w11 = (fu fv) >> 16
// (each 0..256, together at most 256), and each channel (sum of texel * weight) >> 8. The right
// and lower neighbours are read unwrapped: the last column blends with the next row's first texel
// and the last row with the guard row below the image.
namespace bilinear {

inline constexpr uint32_t kFractionMask = 4095;
inline constexpr uint32_t kOne = 4096;

constexpr uint32_t fraction(uint32_t q) {
  return (q >> 4) & kFractionMask;
}
constexpr uint32_t saturate16(uint32_t value) {
  return value > 0xFFFFu ? 0xFFFFu : value;
}

// The formula, channel by channel, with the 16-bit saturating sums (which the weights keep below
// 65536: 255 * 256 at most).
RESAMPLE_STEP uint32_t texel(const uint32_t* p, uint32_t width, uint32_t fu, uint32_t fv) {
  const uint32_t w00 = ((kOne - fu) * (kOne - fv)) >> 16;
  const uint32_t w10 = (fu * (kOne - fv)) >> 16;
  const uint32_t w01 = ((kOne - fu) * fv) >> 16;
  const uint32_t w11 = (fu * fv) >> 16;
  uint32_t result = 0;
  for (uint32_t shift = 0; shift < 32; shift += 8) {
    uint32_t sum = ((p[0] >> shift) & 255u) * w00;
    sum = saturate16(sum + ((p[1] >> shift) & 255u) * w10);
    sum = saturate16(sum + ((p[width] >> shift) & 255u) * w01);
    sum = saturate16(sum + ((p[width + 1] >> shift) & 255u) * w11);
    result |= (sum >> 8) << shift;
  }
  return result;
}

#if IMAGE_HAS_SSE2
// Four pixels at once. fus, fvs: the fractions in 32-bit lanes; pTop[k]: the top-left texel of
// pixel k. The weights come from one unsigned high multiply per pair of 16-bit lanes:
// (4096 - fu, fu) * (4096 - fv, 4096 - fv) >> 16 = (w00, w10), and against (fv, fv) = (w01, w11);
// 4096 fits a 16-bit lane and the product's high half is exact. Each pixel then multiplies its
// two texel pairs (t00, t10 and t01, t11, each one 64-bit load) widened to 16-bit lanes by the
// weights spread over their channels; products of a byte and a weight <= 256 fit the lane, and
// so do the sums (at most 255 * 256).
struct Pairs4 {
  simd::Pixels4 top;     // w00 | w10 << 16 per pixel
  simd::Pixels4 bottom;  // w01 | w11 << 16 per pixel
};

// (4096 - f) | f << 16, and (4096 - f) twice, and f twice, per 32-bit lane.
inline simd::Pixels4 acrossPair4(simd::Pixels4 f) {
  return _mm_or_si128(_mm_sub_epi32(_mm_set1_epi32(static_cast<int32_t>(kOne)), f),
                      _mm_slli_epi32(f, 16));
}
inline simd::Pixels4 twice4(simd::Pixels4 f) {
  return _mm_or_si128(f, _mm_slli_epi32(f, 16));
}

RESAMPLE_STEP Pairs4 weights4(simd::Pixels4 fus, simd::Pixels4 fvs) {
  const __m128i across = acrossPair4(fus);
  const __m128i restV = _mm_sub_epi32(_mm_set1_epi32(static_cast<int32_t>(kOne)), fvs);
  return {_mm_mulhi_epu16(across, twice4(restV)), _mm_mulhi_epu16(across, twice4(fvs))};
}

// The weighted sum of one pixel's four texels, left in 16-bit lanes: lanes 0..3 hold
// t00 w00 + t01 w01 per channel, lanes 4..7 t10 w10 + t11 w11. top and bottom are the pixel's
// weights spread as (w00 x4, w10 x4) and (w01 x4, w11 x4).
RESAMPLE_STEP __m128i products(const uint32_t* p, uint32_t width, __m128i top, __m128i bottom) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i upper =
      _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), zero);
  const __m128i lower =
      _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + width)), zero);
  return _mm_add_epi16(_mm_mullo_epi16(upper, top), _mm_mullo_epi16(lower, bottom));
}

// Two pixels' products folded into their channels: (lanes 0..3 + lanes 4..7) >> 8.
RESAMPLE_STEP __m128i fold2(__m128i first, __m128i second) {
  const __m128i sums =
      _mm_add_epi16(_mm_unpacklo_epi64(first, second), _mm_unpackhi_epi64(first, second));
  return _mm_srli_epi16(sums, 8);
}

RESAMPLE_STEP simd::Pixels4 texels4(const std::array<const uint32_t*, 4>& pTop, uint32_t width,
                                    simd::Pixels4 fus, simd::Pixels4 fvs) {
  const Pairs4 w = weights4(fus, fvs);
  // (w00, w10) of pixels 0, 1 as 16-bit lanes w00 w00 w10 w10 | ..., then each pixel's pair
  // spread to four lanes apiece.
  const __m128i top01 = _mm_unpacklo_epi16(w.top, w.top);
  const __m128i top23 = _mm_unpackhi_epi16(w.top, w.top);
  const __m128i bottom01 = _mm_unpacklo_epi16(w.bottom, w.bottom);
  const __m128i bottom23 = _mm_unpackhi_epi16(w.bottom, w.bottom);
  const __m128i p0 = products(pTop[0], width, _mm_unpacklo_epi32(top01, top01),
                              _mm_unpacklo_epi32(bottom01, bottom01));
  const __m128i p1 = products(pTop[1], width, _mm_unpackhi_epi32(top01, top01),
                              _mm_unpackhi_epi32(bottom01, bottom01));
  const __m128i p2 = products(pTop[2], width, _mm_unpacklo_epi32(top23, top23),
                              _mm_unpacklo_epi32(bottom23, bottom23));
  const __m128i p3 = products(pTop[3], width, _mm_unpackhi_epi32(top23, top23),
                              _mm_unpackhi_epi32(bottom23, bottom23));
  return _mm_packus_epi16(fold2(p0, p1), fold2(p2, p3));
}
#endif

#if IMAGE_HAS_AVX2
// Eight pixels from their four texels t00, t10, t01, t11 (one pixel per 32-bit lane). Each texel
// is split into its blue and red bytes (AND 0x00FF00FF) and its green and fourth bytes (each
// 16-bit lane shifted right by 8): two 16-bit lanes per pixel, so that the pixel's weight doubled
// into both halves of its lane, w | w << 16, multiplies both channels, and no byte is shuffled.
// The weights are high multiplies of doubled 12-bit factors, ((4096 - fu) (4096 - fv)) >> 16 and
// so on, exact in a 16-bit lane; the sums (at most 255 * 256) fit the lanes, and the result's
// bytes are their high bytes: sumBR's moved down by a 16-bit shift, sumGA's masked in place.
struct Weights8 {
  __m256i w00, w10, w01, w11;  // each doubled
};

// x | x << 16, for x below 2^16.
inline __m256i twice8(__m256i x) {
  return _mm256_or_si256(x, _mm256_slli_epi32(x, 16));
}
inline __m256i fractions8(__m256i q) {
  return _mm256_and_si256(_mm256_srli_epi32(q, 4), wide::splat8(kFractionMask));
}
// 4096 - f in each 16-bit lane.
inline __m256i rest8(__m256i f2) {
  return _mm256_sub_epi16(_mm256_set1_epi16(static_cast<int16_t>(kOne)), f2);
}
// The weights from fu and fv doubled.
RESAMPLE_STEP Weights8 weights8(__m256i fu2, __m256i fv2) {
  const __m256i restU2 = rest8(fu2);
  const __m256i restV2 = rest8(fv2);
  return {_mm256_mulhi_epu16(restU2, restV2), _mm256_mulhi_epu16(fu2, restV2),
          _mm256_mulhi_epu16(restU2, fv2), _mm256_mulhi_epu16(fu2, fv2)};
}

// sumBR and sumGA of texels weighted by weight (doubled), added to the running sums.
RESAMPLE_STEP void accumulate8(__m256i texels, __m256i weight, __m256i& sumBR, __m256i& sumGA) {
  const __m256i blueRed = _mm256_and_si256(texels, wide::splat8(0x00FF00FFu));
  sumBR = _mm256_add_epi16(sumBR, _mm256_mullo_epi16(blueRed, weight));
  sumGA = _mm256_add_epi16(sumGA, _mm256_mullo_epi16(_mm256_srli_epi16(texels, 8), weight));
}
RESAMPLE_STEP __m256i channels8(__m256i sumBR, __m256i sumGA) {
  return _mm256_or_si256(_mm256_srli_epi16(sumBR, 8),
                         _mm256_andnot_si256(wide::splat8(0x00FF00FFu), sumGA));
}

inline __m256i texels8(__m256i t00, __m256i t10, __m256i t01, __m256i t11, const Weights8& w) {
  __m256i sumBR = _mm256_setzero_si256();
  __m256i sumGA = _mm256_setzero_si256();
  accumulate8(t00, w.w00, sumBR, sumGA);
  accumulate8(t10, w.w10, sumBR, sumGA);
  accumulate8(t01, w.w01, sumBR, sumGA);
  accumulate8(t11, w.w11, sumBR, sumGA);
  return channels8(sumBR, sumGA);
}
#endif

}  // namespace bilinear

// The texture and the 16.16 walk of the free (rotated or scaled) fetches.
struct FreeWalk {
  const uint32_t* pTexels;
  const uint32_t* pMap;
  uint32_t width;
  uint32_t u, v, du, dv;

  FreeWalk(const Texture& texture, TexelWalk walk)
      : pTexels(texture.pTexels),
        pMap(texture.pMap),
        width(texture.width),
        u(static_cast<uint32_t>(walk.u)),
        v(static_cast<uint32_t>(walk.v)),
        du(static_cast<uint32_t>(walk.du)),
        dv(static_cast<uint32_t>(walk.dv)) {}
};

// Nearest texel over a free walk: texel (v >> 16) * width + (u >> 16).
template <MapRead kMap>
struct FetchNearest : FreeWalk {
  using FreeWalk::FreeWalk;

  RESAMPLE_STEP uint32_t nextIndex() {
    const uint32_t index = texelOf(v) * width + texelOf(u);
    u += du;
    v += dv;
    return index;
  }
  RESAMPLE_STEP Sample next() {
    const uint32_t index = nextIndex();
    return {pTexels[index], kMap == MapRead::kYes ? pMap[index] : 0u};
  }
#if IMAGE_HAS_SSE2
  RESAMPLE_STEP Samples4 next4() {
    const uint32_t i0 = nextIndex(), i1 = nextIndex(), i2 = nextIndex(), i3 = nextIndex();
    return {words4(pTexels, i0, i1, i2, i3),
            kMap == MapRead::kYes ? words4(pMap, i0, i1, i2, i3) : _mm_setzero_si128()};
  }
#endif
#if IMAGE_HAS_AVX2
  __m256i uRamp, vRamp, widths;
  void startWide(const Texture&) {
    uRamp = wide::ramp8(du);
    vRamp = wide::ramp8(dv);
    widths = wide::splat8(width);
  }
  RESAMPLE_STEP Samples8 next8() {
    const __m256i columns = _mm256_srli_epi32(_mm256_add_epi32(wide::splat8(u), uRamp), 16);
    const __m256i rows = _mm256_srli_epi32(_mm256_add_epi32(wide::splat8(v), vRamp), 16);
    u += 8 * du;
    v += 8 * dv;
    const __m256i indexes = _mm256_add_epi32(wide::rowStarts8(rows, widths), columns);
    constexpr auto kGather = wide::Run::kGather;
    return {
        wide::words8(pTexels, indexes, 0, kGather),
        kMap == MapRead::kYes ? wide::words8(pMap, indexes, 0, kGather) : _mm256_setzero_si256()};
  }
#endif
};

// Nearest texel along the row v >> 16: texel (v >> 16) * width + (u >> 16) with v fixed.
template <MapRead kMap>
struct FetchNearestRow {
  const uint32_t* pRow;
  const uint32_t* pMapRow;
  uint32_t u, du;

  FetchNearestRow(const Texture& texture, TexelWalk walk)
      : pRow(texture.pTexels + rowOffset(texture, walk)),
        pMapRow(kMap == MapRead::kYes ? texture.pMap + rowOffset(texture, walk) : nullptr),
        u(static_cast<uint32_t>(walk.u)),
        du(static_cast<uint32_t>(walk.du)) {}
  static size_t rowOffset(const Texture& texture, TexelWalk walk) {
    return size_t{texelOf(static_cast<uint32_t>(walk.v))} * texture.width;
  }

  RESAMPLE_STEP Sample next() {
    const uint32_t column = texelOf(u);
    u += du;
    return {pRow[column], kMap == MapRead::kYes ? pMapRow[column] : 0u};
  }
#if IMAGE_HAS_SSE2
  RESAMPLE_STEP Samples4 next4() {
    const uint32_t c0 = texelOf(u), c1 = texelOf(u + du), c2 = texelOf(u + 2 * du);
    const uint32_t c3 = texelOf(u + 3 * du);
    u += 4 * du;
    return {words4(pRow, c0, c1, c2, c3),
            kMap == MapRead::kYes ? words4(pMapRow, c0, c1, c2, c3) : _mm_setzero_si128()};
  }
#endif
#if IMAGE_HAS_AVX2
  // The lowest column of eight pixels is the first pixel's, or the last one's when the walk
  // steps backward; the eight read the run from there (wide::Run).
  __m256i uRamp;
  wide::Run run = wide::Run::kGather;
  size_t rowRoom = 0;  // words readable from pRow and pMapRow
  size_t mapRoom = 0;
  void startWide(const Texture& texture) {
    uRamp = wide::ramp8(du);
    run = wide::runFor(du);
    const size_t offset = static_cast<size_t>(pRow - texture.pTexels);
    rowRoom = texture.nbTexel - offset;
    mapRoom = texture.nbMapWord - offset;
  }
  RESAMPLE_STEP Samples8 next8() {
    const __m256i columns = _mm256_srli_epi32(_mm256_add_epi32(wide::splat8(u), uRamp), 16);
    const uint32_t first = static_cast<int32_t>(du) >= 0 ? texelOf(u) : texelOf(u + 7 * du);
    u += 8 * du;
    const size_t last = first + wide::runLength(run);
    return {wide::words8(pRow, columns, first, wide::runWithin(run, last, rowRoom)),
            kMap == MapRead::kYes
                ? wide::words8(pMapRow, columns, first, wide::runWithin(run, last, mapRoom))
                : _mm256_setzero_si256()};
  }
#endif
};

// Bilinear over a free walk.
template <MapRead kMap>
struct FetchBilinear : FreeWalk {
  using FreeWalk::FreeWalk;

  RESAMPLE_STEP Sample next() {
    const uint32_t index = texelOf(v) * width + texelOf(u);
    const uint32_t texel =
        bilinear::texel(pTexels + index, width, bilinear::fraction(u), bilinear::fraction(v));
    u += du;
    v += dv;
    return {texel, kMap == MapRead::kYes ? pMap[index] : 0u};
  }
#if IMAGE_HAS_SSE2
  RESAMPLE_STEP Samples4 next4() {
    const std::array<uint32_t, 4> us = {u, u + du, u + 2 * du, u + 3 * du};
    const std::array<uint32_t, 4> vs = {v, v + dv, v + 2 * dv, v + 3 * dv};
    u += 4 * du;
    v += 4 * dv;
    std::array<uint32_t, 4> index;
    std::array<const uint32_t*, 4> pTop;
    for (size_t k = 0; k < 4; ++k) {
      index[k] = texelOf(vs[k]) * width + texelOf(us[k]);
      pTop[k] = pTexels + index[k];
    }
    const __m128i mask = _mm_set1_epi32(static_cast<int32_t>(bilinear::kFractionMask));
    const __m128i fus = _mm_and_si128(_mm_srli_epi32(load(us), 4), mask);
    const __m128i fvs = _mm_and_si128(_mm_srli_epi32(load(vs), 4), mask);
    return {bilinear::texels4(pTop, width, fus, fvs),
            kMap == MapRead::kYes ? words4(pMap, index[0], index[1], index[2], index[3])
                                  : _mm_setzero_si128()};
  }
  static __m128i load(const std::array<uint32_t, 4>& words) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(words.data()));
  }
#endif
#if IMAGE_HAS_AVX2
  __m256i uRamp, vRamp, widths;
  void startWide(const Texture&) {
    uRamp = wide::ramp8(du);
    vRamp = wide::ramp8(dv);
    widths = wide::splat8(width);
  }
  RESAMPLE_STEP Samples8 next8() {
    const __m256i us = _mm256_add_epi32(wide::splat8(u), uRamp);
    const __m256i vs = _mm256_add_epi32(wide::splat8(v), vRamp);
    u += 8 * du;
    v += 8 * dv;
    const __m256i indexes = _mm256_add_epi32(wide::rowStarts8(_mm256_srli_epi32(vs, 16), widths),
                                             _mm256_srli_epi32(us, 16));
    constexpr auto kGather = wide::Run::kGather;
    const __m256i texels = bilinear::texels8(
        wide::words8(pTexels, indexes, 0, kGather), wide::words8(pTexels + 1, indexes, 0, kGather),
        wide::words8(pTexels + width, indexes, 0, kGather),
        wide::words8(pTexels + width + 1, indexes, 0, kGather),
        bilinear::weights8(bilinear::twice8(bilinear::fractions8(us)),
                           bilinear::twice8(bilinear::fractions8(vs))));
    return {texels, kMap == MapRead::kYes ? wide::words8(pMap, indexes, 0, kGather)
                                          : _mm256_setzero_si256()};
  }
#endif
};

// Bilinear along the row v >> 16: fv and both source rows are fixed for the span.
template <MapRead kMap>
struct FetchBilinearRow {
  const uint32_t* pRow;
  const uint32_t* pMapRow;
  uint32_t width;
  uint32_t fv;
  uint32_t u, du;

  FetchBilinearRow(const Texture& texture, TexelWalk walk)
      : pRow(texture.pTexels + FetchNearestRow<kMap>::rowOffset(texture, walk)),
        pMapRow(kMap == MapRead::kYes
                    ? texture.pMap + FetchNearestRow<kMap>::rowOffset(texture, walk)
                    : nullptr),
        width(texture.width),
        fv(bilinear::fraction(static_cast<uint32_t>(walk.v))),
        u(static_cast<uint32_t>(walk.u)),
        du(static_cast<uint32_t>(walk.du)) {}

  RESAMPLE_STEP Sample next() {
    const uint32_t column = texelOf(u);
    const uint32_t texel = bilinear::texel(pRow + column, width, bilinear::fraction(u), fv);
    u += du;
    return {texel, kMap == MapRead::kYes ? pMapRow[column] : 0u};
  }
#if IMAGE_HAS_SSE2
  RESAMPLE_STEP Samples4 next4() {
    const __m128i us = _mm_add_epi32(
        simd::splat(u), _mm_setr_epi32(0, static_cast<int32_t>(du), static_cast<int32_t>(2 * du),
                                       static_cast<int32_t>(3 * du)));
    const std::array<uint32_t, 4> columns = {texelOf(u), texelOf(u + du), texelOf(u + 2 * du),
                                             texelOf(u + 3 * du)};
    u += 4 * du;
    const std::array<const uint32_t*, 4> pTop = {pRow + columns[0], pRow + columns[1],
                                                 pRow + columns[2], pRow + columns[3]};
    const __m128i mask = _mm_set1_epi32(static_cast<int32_t>(bilinear::kFractionMask));
    const __m128i fus = _mm_and_si128(_mm_srli_epi32(us, 4), mask);
    return {bilinear::texels4(pTop, width, fus, simd::splat(fv)),
            kMap == MapRead::kYes ? words4(pMapRow, columns[0], columns[1], columns[2], columns[3])
                                  : _mm_setzero_si128()};
  }
#endif
#if IMAGE_HAS_AVX2
  // As FetchNearestRow, each of the four texels of eight pixels from one run: from the lowest
  // column, one texel right, one row down, and both. A texel whose weight is 0 for the whole span
  // is not read: the lower ones when fv is 0 (a span on a texel row), the right-hand ones when fu
  // is 0 at every pixel (whole-texel steps, as in pictures resampled by a power of two).
  __m256i uRamp, fv2;
  wide::Run run = wide::Run::kGather;
  bool lower = true;
  bool right = true;
  size_t rowRoom = 0;
  size_t mapRoom = 0;
  void startWide(const Texture& texture) {
    uRamp = wide::ramp8(du);
    fv2 = bilinear::twice8(wide::splat8(fv));
    run = wide::runFor(du);
    lower = fv != 0;
    // fu = ((u + k du) >> 4) AND 4095 stays 0 when du is whole texels and u's fraction is below
    // 16 (its low four bits never carry into fu then).
    right = (u & 0xFFF0u) != 0 || (du & 0xFFFFu) != 0;
    const size_t offset = static_cast<size_t>(pRow - texture.pTexels);
    rowRoom = texture.nbTexel - offset;
    mapRoom = texture.nbMapWord - offset;
  }
  RESAMPLE_STEP Samples8 next8() {
    const __m256i us = _mm256_add_epi32(wide::splat8(u), uRamp);
    const __m256i columns = _mm256_srli_epi32(us, 16);
    const uint32_t first = static_cast<int32_t>(du) >= 0 ? texelOf(u) : texelOf(u + 7 * du);
    u += 8 * du;
    // The farthest run read is the lower-right one, from first + width + 1.
    const size_t length = wide::runLength(run);
    const wide::Run texelRun = wide::runWithin(run, first + width + 1 + length, rowRoom);
    const bilinear::Weights8 w =
        bilinear::weights8(bilinear::twice8(bilinear::fractions8(us)), fv2);
    __m256i texels;
    if (right && lower) {
      texels = sample8<true, true>(columns, first, texelRun, w);
    } else if (lower) {
      texels = sample8<false, true>(columns, first, texelRun, w);
    } else if (right) {
      texels = sample8<true, false>(columns, first, texelRun, w);
    } else {
      texels = sample8<false, false>(columns, first, texelRun, w);
    }
    return {texels, kMap == MapRead::kYes
                        ? wide::words8(pMapRow, columns, first,
                                       wide::runWithin(run, first + length, mapRoom))
                        : _mm256_setzero_si256()};
  }
  // The weighted texels, reading the right-hand and lower ones only where asked (straight-line
  // code for each of the four choices).
  template <bool kRight, bool kLower>
  RESAMPLE_STEP __m256i sample8(__m256i columns, uint32_t first, wide::Run texelRun,
                                const bilinear::Weights8& w) const {
    __m256i sumBR = _mm256_setzero_si256();
    __m256i sumGA = _mm256_setzero_si256();
    bilinear::accumulate8(wide::words8(pRow, columns, first, texelRun), w.w00, sumBR, sumGA);
    if constexpr (kRight) {
      bilinear::accumulate8(wide::words8(pRow + 1, columns, first, texelRun), w.w10, sumBR, sumGA);
    }
    if constexpr (kLower) {
      bilinear::accumulate8(wide::words8(pRow + width, columns, first, texelRun), w.w01, sumBR,
                            sumGA);
    }
    if constexpr (kRight && kLower) {
      bilinear::accumulate8(wide::words8(pRow + width + 1, columns, first, texelRun), w.w11, sumBR,
                            sumGA);
    }
    return bilinear::channels8(sumBR, sumGA);
  }
#endif
};

}  // namespace IMAGE_KERNEL_ISA
}  // namespace resample
