#pragma once
// Where a span filler's pixels come from: the colour sources (span colour k, shading table c,
// with the interpolated weight of the level or the vertex alpha) and the texel fetches (point,
// tiled, bilinear). Each is a small value walked one pixel at a time: next() gives the pixel's
// sample and advances every interpolated value by its gradient. The packed path calls
// startPacked() once, then next4() for four pixels at a time and next() for the last ones; the
// wide path calls startPacked() and then only next8(), the last call covering 1..8 pixels;
// usable() is false when the span has nothing to read (a null table or texture).

#include <array>
#include <cstdint>

#include "raster/config.h"
#include "raster/span_blend_p.h"
#include "raster/span_filler.h"

namespace span {
inline namespace RASTER_SPAN_ISA {

// One pixel's inputs: texel t (0 where there is none), colour c or k, interpolated weight w
// (a byte in all four bytes; 0 where there is none).
struct Sample {
  uint32_t texel = 0;
  uint32_t colour = 0;
  uint32_t weight = 0;
};

#if RASTER_HAS_SSE2
// Four pixels' inputs, one pixel per 32-bit lane.
struct Quad {
  Pixels4 texel;
  Pixels4 colour;
  Pixels4 weight;
};
// The four lanes as words, for the table and texel reads.
inline std::array<uint32_t, 4> lanesOf(Pixels4 v) {
  alignas(16) std::array<uint32_t, 4> words;
  _mm_store_si128(reinterpret_cast<__m128i*>(words.data()), v);
  return words;
}
// value, value + step, value + 2 step, value + 3 step (modulo 2^32).
inline Pixels4 ramp4(uint32_t value, uint32_t step) {
  return set4(value, value + step, value + 2 * step, value + 3 * step);
}
// (value >> 16) AND mask per lane.
inline Pixels4 integerParts4(Pixels4 values, uint32_t mask) {
  return _mm_and_si128(_mm_srli_epi32(values, 16), splat4(mask));
}
// A byte 0..255 per lane copied to the lane's four bytes: the low word becomes b * 0x0101
// (pmullw; the high word is 0), then the low word is copied to the high one.
inline Pixels4 splatBytes4(Pixels4 bytes) {
  const __m128i low = _mm_mullo_epi16(bytes, splat4(0x0101u));
  return _mm_or_si128(low, _mm_slli_epi32(low, 16));
}
// Four reads of table at the lanes' indexes.
inline Pixels4 gather4(const uint32_t* table, Pixels4 indexes) {
  const std::array<uint32_t, 4> at = lanesOf(indexes);
  return set4(table[at[0]], table[at[1]], table[at[2]], table[at[3]]);
}
#endif

#if RASTER_HAS_AVX2
// Eight pixels' inputs, one pixel per 32-bit lane.
struct Oct {
  Pixels8 texel;
  Pixels8 colour;
  Pixels8 weight;
};
inline Pixels8 splat8(uint32_t word) {
  return _mm256_set1_epi32(static_cast<int32_t>(word));
}
// 0, step, ..., 7 step (modulo 2^32): added to a splat value it gives the eight pixels' values.
inline Pixels8 steps8(uint32_t step) {
  return _mm256_mullo_epi32(splat8(step), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
}
inline Pixels8 integerParts8(Pixels8 values, uint32_t mask) {
  return _mm256_and_si256(_mm256_srli_epi32(values, 16), splat8(mask));
}
inline Pixels8 splatBytes8(Pixels8 bytes) {
  return _mm256_mullo_epi32(bytes, splat8(0x01010101u));
}
// Eight reads of table at the lanes' indexes; every index of a fetch is inside its table.
inline Pixels8 gather8(const uint32_t* table, Pixels8 indexes) {
  return _mm256_i32gather_epi32(reinterpret_cast<const int*>(table), indexes, 4);
}
// The same with eight scalar loads: faster than vpgatherdd on the AMD machine of the benchmarks
// for the shading table, whose neighbouring pixels mostly read the same word
// (bench/raster_span_bench.cpp, Gouraud), and for the point fetch (bench/raster_poly_bench.cpp:
// perspective 53 to 49 us, point texture with depth 37 to 33 us).
inline Pixels8 loadEach8(const uint32_t* table, Pixels8 indexes) {
  alignas(32) uint32_t at[8];
  _mm256_store_si256(reinterpret_cast<__m256i*>(at), indexes);
  const auto word = [table, &at](int k) { return static_cast<int32_t>(table[at[k]]); };
  return _mm256_setr_epi32(word(0), word(1), word(2), word(3), word(4), word(5), word(6), word(7));
}
#endif

// Scalar: written like the formulas; Packed: may use lanes inside a fetch; Wide: eight lanes
// (AVX2 files only). Single: the short spans of the packed and wide fillers, one pixel at a time
// without startPacked(): the scalar addressing, and lanes inside a fetch where one pixel gains.
enum class Path { kScalar, kPacked, kWide, kSingle };

// Interpolated values wrap modulo 2^32 like the depth; their integer part is (x >> 16).
inline uint32_t integerPart(uint32_t value) {
  return value >> 16;
}

// The span's colour k.
struct ColourConstant {
  uint32_t colour;
  bool usable() const { return true; }
  RASTER_STEP Sample next() { return {0, colour, 0}; }
  void startPacked() {}
#if RASTER_HAS_SSE2
  RASTER_STEP Quad next4() {
    return {_mm_setzero_si128(), splat4(colour), _mm_setzero_si128()};
  }
#endif
#if RASTER_HAS_AVX2
  RASTER_STEP Oct next8() {
    return {_mm256_setzero_si256(), splat8(colour), _mm256_setzero_si256()};
  }
#endif
};

// c = table[(l >> 16) AND 255], weight L = (l >> 16) AND 255.
struct ColourTable {
  const uint32_t* pTable;
  uint32_t level;
  uint32_t levelStep;
  bool usable() const { return pTable != nullptr; }
  RASTER_STEP Sample next() {
    const uint32_t index = integerPart(level) & 255u;
    level += levelStep;
    return {0, pTable[index], splatByte(index)};
  }
#if RASTER_HAS_SSE2
  // The packed path walks four levels at once.
  Pixels4 levels = _mm_setzero_si128();
  void startPacked() {
    levels = ramp4(level, levelStep);
#if RASTER_HAS_AVX2
    levelSteps = steps8(levelStep);
#endif
  }
  RASTER_STEP Quad next4() {
    const Pixels4 indexes = integerParts4(levels, 255u);
    levels = _mm_add_epi32(levels, splat4(4 * levelStep));
    level += 4 * levelStep;
    return {_mm_setzero_si128(), gather4(pTable, indexes), splatBytes4(indexes)};
  }
#if RASTER_HAS_AVX2
  Pixels8 levelSteps = _mm256_setzero_si256();
  RASTER_STEP Oct next8() {
    const Pixels8 indexes = integerParts8(_mm256_add_epi32(splat8(level), levelSteps), 255u);
    level += 8 * levelStep;
    return {_mm256_setzero_si256(), loadEach8(pTable, indexes), splatBytes8(indexes)};
  }
#endif
#else
  void startPacked() {}
#endif
};

// c from the level, weight A = (alpha >> 16) AND 255.
struct ColourVertexAlpha {
  ColourTable colour;
  uint32_t alpha;
  uint32_t alphaStep;
  bool usable() const { return colour.usable(); }
  RASTER_STEP Sample next() {
    Sample sample = colour.next();
    sample.weight = splatByte(integerPart(alpha));
    alpha += alphaStep;
    return sample;
  }
#if RASTER_HAS_SSE2
  Pixels4 alphas = _mm_setzero_si128();
  void startPacked() {
    colour.startPacked();
    alphas = ramp4(alpha, alphaStep);
#if RASTER_HAS_AVX2
    alphaSteps = steps8(alphaStep);
#endif
  }
  RASTER_STEP Quad next4() {
    Quad quad = colour.next4();
    quad.weight = splatBytes4(integerParts4(alphas, 255u));
    alphas = _mm_add_epi32(alphas, splat4(4 * alphaStep));
    alpha += 4 * alphaStep;
    return quad;
  }
#if RASTER_HAS_AVX2
  Pixels8 alphaSteps = _mm256_setzero_si256();
  RASTER_STEP Oct next8() {
    Oct oct = colour.next8();
    oct.weight = splatBytes8(integerParts8(_mm256_add_epi32(splat8(alpha), alphaSteps), 255u));
    alpha += 8 * alphaStep;
    return oct;
  }
#endif
#else
  void startPacked() {}
#endif
};

// u, v and their gradients, wrapping modulo 2^32.
struct Coordinates {
  uint32_t u, v, du, dv;
  Coordinates(int32_t u0, int32_t v0, int32_t du0, int32_t dv0)
      : u(static_cast<uint32_t>(u0)),
        v(static_cast<uint32_t>(v0)),
        du(static_cast<uint32_t>(du0)),
        dv(static_cast<uint32_t>(dv0)) {}
};

// The walk over the plain texture shared by the point and bilinear fetches.
struct TextureWalk : Coordinates {
  const uint32_t* pTexels;
  uint32_t columnShift;
  uint32_t columnMask;
  uint32_t rowMask;

  TextureWalk(const SpanContext& ctx, const uint32_t* texels, int32_t u0, int32_t v0, int32_t du0,
              int32_t dv0)
      : Coordinates(u0, v0, du0, dv0),
        pTexels(texels),
        columnShift(static_cast<uint32_t>(ctx.columnShift) & 31u),
        columnMask(ctx.columnMask),
        rowMask(ctx.rowMask) {}
  bool usable() const { return pTexels != nullptr; }
  // (((v >> 16) AND rowMask) << columnShift) + ((u >> 16) AND columnMask): the texture wraps
  // both ways. Then u and v advance.
  RASTER_STEP uint32_t nextIndex() {
    const uint32_t index =
        ((integerPart(v) & rowMask) << columnShift) + (integerPart(u) & columnMask);
    u += du;
    v += dv;
    return index;
  }
};

// Point fetch: texels[index(u >> 16, v >> 16)].
struct FetchPoint : TextureWalk {
  using TextureWalk::TextureWalk;
  template <Path path>
  RASTER_STEP uint32_t next() {
    return pTexels[nextIndex()];
  }
#if RASTER_HAS_SSE2
  Pixels4 us = _mm_setzero_si128();
  Pixels4 vs = _mm_setzero_si128();
  void startPacked() {
    us = ramp4(u, du);
    vs = ramp4(v, dv);
#if RASTER_HAS_AVX2
    uSteps = steps8(du);
    vSteps = steps8(dv);
#endif
  }
  RASTER_STEP Pixels4 next4() {
    const Pixels4 rows = integerParts4(vs, rowMask);
    const Pixels4 columns = integerParts4(us, columnMask);
    const Pixels4 indexes = _mm_add_epi32(
        _mm_sll_epi32(rows, _mm_cvtsi32_si128(static_cast<int32_t>(columnShift))), columns);
    us = _mm_add_epi32(us, splat4(4 * du));
    vs = _mm_add_epi32(vs, splat4(4 * dv));
    u += 4 * du;
    v += 4 * dv;
    return gather4(pTexels, indexes);
  }
#if RASTER_HAS_AVX2
  Pixels8 uSteps = _mm256_setzero_si256();
  Pixels8 vSteps = _mm256_setzero_si256();
  RASTER_STEP Pixels8 next8() {
    const Pixels8 rows = integerParts8(_mm256_add_epi32(splat8(v), vSteps), rowMask);
    const Pixels8 columns = integerParts8(_mm256_add_epi32(splat8(u), uSteps), columnMask);
    const Pixels8 indexes = _mm256_add_epi32(
        _mm256_sll_epi32(rows, _mm_cvtsi32_si128(static_cast<int32_t>(columnShift))), columns);
    u += 8 * du;
    v += 8 * dv;
    return loadEach8(pTexels, indexes);
  }
#endif
#else
  void startPacked() {}
#endif
};

// Tiled fetch from the 256 x 256 tiled copy: word ((U >> 3) << 11) + (V << 3) + (U AND 7) with
// U, V the integer parts AND 255.
//
// The packed path keeps u and v in the index's shape so that one add advances each: pu holds
// u's fraction in bits 0..15, U AND 7 in bits 16..18, U >> 3 in bits 27..31, and a gap in bits
// 19..26 where V goes; pv holds v << 3, so V sits in bits 19..26. Filling pu's gap with ones
// before the add carries bit 18 over the gap into bit 27; clearing it after leaves
// (pu >> 16) OR ((pv >> 16) AND 0x7F8) = the index. Bits above 31 fall off: U and V wrap at 256.
struct FetchTiled : Coordinates {
  static constexpr uint32_t kGap = 0x07F80000u;
  const uint32_t* pTiled;

  FetchTiled(const SpanContext& ctx, const uint32_t*, int32_t u0, int32_t v0, int32_t du0,
             int32_t dv0)
      : Coordinates(u0, v0, du0, dv0), pTiled(ctx.pTiled) {}
  bool usable() const { return pTiled != nullptr; }
  static uint32_t packU(uint32_t value) {
    return (value & 0x7FFFFu) | ((value << 8) & 0xF8000000u);
  }

  template <Path path>
  RASTER_STEP uint32_t next() {
    uint32_t index = 0;
    if constexpr (path == Path::kScalar || path == Path::kSingle) {
      const uint32_t column = integerPart(u) & 255u;
      const uint32_t row = integerPart(v) & 255u;
      index = ((column >> 3) << 11) + (row << 3) + (column & 7u);
      u += du;
      v += dv;
    } else {
      // u and v stay packed after the first call; see the constructor's caller (startPacked).
      index = (u >> 16) | ((v >> 16) & 0x7F8u);
      u = ((u | kGap) + du) & ~kGap;
      v += dv;
    }
    return pTiled[index];
  }
  // Switches u, v and their gradients to the packed form of the packed path.
  void startPacked() {
#if RASTER_HAS_SSE2
    uSteps = set4(0, packU(du), packU(2 * du), packU(3 * du));
    uStep4 = packU(4 * du);
#endif
#if RASTER_HAS_AVX2
    uSteps8 =
        _mm256_setr_epi32(0, static_cast<int32_t>(packU(du)), static_cast<int32_t>(packU(2 * du)),
                          static_cast<int32_t>(packU(3 * du)), static_cast<int32_t>(packU(4 * du)),
                          static_cast<int32_t>(packU(5 * du)), static_cast<int32_t>(packU(6 * du)),
                          static_cast<int32_t>(packU(7 * du)));
    uStep8 = packU(8 * du);
    vSteps8 = steps8(dv << 3);
#endif
    u = packU(u);
    du = packU(du);
    v <<= 3;
    dv <<= 3;
  }
#if RASTER_HAS_SSE2
  // The packed add of four steps at once; packU(k du) is k packed steps modulo 2^24.
  Pixels4 uSteps = _mm_setzero_si128();
  uint32_t uStep4 = 0;
  RASTER_STEP Pixels4 next4() {
    const Pixels4 gap = splat4(kGap);
    const Pixels4 us = _mm_andnot_si128(gap, _mm_add_epi32(_mm_or_si128(splat4(u), gap), uSteps));
    const Pixels4 vs = ramp4(v, dv);
    u = ((u | kGap) + uStep4) & ~kGap;
    v += 4 * dv;
    const Pixels4 indexes =
        _mm_or_si128(_mm_srli_epi32(us, 16), _mm_and_si128(_mm_srli_epi32(vs, 16), splat4(0x7F8u)));
    return gather4(pTiled, indexes);
  }
#endif
#if RASTER_HAS_AVX2
  Pixels8 uSteps8 = _mm256_setzero_si256();
  Pixels8 vSteps8 = _mm256_setzero_si256();
  uint32_t uStep8 = 0;
  RASTER_STEP Pixels8 next8() {
    const Pixels8 gap = splat8(kGap);
    const Pixels8 us =
        _mm256_andnot_si256(gap, _mm256_add_epi32(_mm256_or_si256(splat8(u), gap), uSteps8));
    const Pixels8 vs = _mm256_add_epi32(splat8(v), vSteps8);
    u = ((u | kGap) + uStep8) & ~kGap;
    v += 8 * dv;
    const Pixels8 indexes = _mm256_or_si256(
        _mm256_srli_epi32(us, 16), _mm256_and_si256(_mm256_srli_epi32(vs, 16), splat8(0x7F8u)));
    return gather8(pTiled, indexes);
  }
#endif
};

// Bilinear fetch: fu, fv = 12 fraction bits of u >> 4, v >> 4; the four texels at base,
// base + 1, base + width, base + width + 1 (not wrapped) weighted by 0..256, each channel's sum
// of texel * weight >> 8 (the sums stay below 65536: the weights add up to at most 256).
struct FetchBilinear : TextureWalk {
  static constexpr uint32_t kFractionMask = (1u << raster_config::kBilinearFractionBits) - 1;
  static constexpr uint32_t kOne = 1u << raster_config::kBilinearFractionBits;
  uint32_t width;

  FetchBilinear(const SpanContext& ctx, const uint32_t* texels, int32_t u0, int32_t v0, int32_t du0,
                int32_t dv0)
      : TextureWalk(ctx, texels, u0, v0, du0, dv0), width(static_cast<uint32_t>(ctx.width)) {}

  template <Path path>
  RASTER_STEP uint32_t next() {
    const uint32_t fu = (u >> 4) & kFractionMask;
    const uint32_t fv = (v >> 4) & kFractionMask;
    const uint32_t* p = pTexels + nextIndex();
    const uint32_t w00 = ((kOne - fu) * (kOne - fv)) >> 16;
    const uint32_t w10 = (fu * (kOne - fv)) >> 16;
    const uint32_t w01 = ((kOne - fu) * fv) >> 16;
    const uint32_t w11 = (fu * fv) >> 16;
#if RASTER_HAS_SSE2
    if constexpr (path == Path::kPacked || path == Path::kSingle) {
      // Two texels per register as 16-bit lanes; pmullw is exact (texel * weight <= 65280).
      const __m128i zero = _mm_setzero_si128();
      const __m128i top =
          _mm_unpacklo_epi8(_mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int32_t>(p[0])),
                                               _mm_cvtsi32_si128(static_cast<int32_t>(p[1]))),
                            zero);
      const __m128i bottom = _mm_unpacklo_epi8(
          _mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int32_t>(p[width])),
                             _mm_cvtsi32_si128(static_cast<int32_t>(p[width + 1]))),
          zero);
      const __m128i topWeights = _mm_unpacklo_epi64(_mm_set1_epi16(static_cast<int16_t>(w00)),
                                                    _mm_set1_epi16(static_cast<int16_t>(w10)));
      const __m128i bottomWeights = _mm_unpacklo_epi64(_mm_set1_epi16(static_cast<int16_t>(w01)),
                                                       _mm_set1_epi16(static_cast<int16_t>(w11)));
      const __m128i sum =
          _mm_adds_epu16(_mm_mullo_epi16(top, topWeights), _mm_mullo_epi16(bottom, bottomWeights));
      const __m128i both = _mm_adds_epu16(sum, _mm_srli_si128(sum, 8));
      const __m128i channels = _mm_srli_epi16(both, 8);
      return static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(channels, channels)));
    }
#endif
    uint32_t texel = 0;
    for (uint32_t shift = 0; shift < 32; shift += 8) {
      uint32_t sum = ((p[0] >> shift) & 255u) * w00;
      sum = saturate16(sum + ((p[1] >> shift) & 255u) * w10);
      sum = saturate16(sum + ((p[width] >> shift) & 255u) * w01);
      sum = saturate16(sum + ((p[width + 1] >> shift) & 255u) * w11);
      texel |= (sum >> 8) << shift;
    }
    return texel;
  }
  static uint32_t saturate16(uint32_t value) {
    return value > 0xFFFFu ? 0xFFFFu : value;
  }
  void startPacked() {
#if RASTER_HAS_AVX2
    uSteps = steps8(du);
    vSteps = steps8(dv);
#endif
  }
#if RASTER_HAS_SSE2
  // Four pixels in lanes. The weights come from pmulhuw: (4096 - f) and f fit 16 bits, and
  // the high half of their product is the formula's >> 16. The four products of a channel add
  // up to at most 255 * 256, so plain 16-bit adds give the scalar's saturated sums.
  RASTER_STEP Pixels4 next4() {
    const Pixels4 us = ramp4(u, du), vs = ramp4(v, dv);
    const Pixels4 indexes =
        _mm_add_epi32(_mm_sll_epi32(integerParts4(vs, rowMask),
                                    _mm_cvtsi32_si128(static_cast<int32_t>(columnShift))),
                      integerParts4(us, columnMask));
    u += 4 * du;
    v += 4 * dv;
    const Pixels4 mask = splat4(kFractionMask), one = splat4(kOne);
    const Pixels4 fu = _mm_and_si128(_mm_srli_epi32(us, 4), mask);
    const Pixels4 fv = _mm_and_si128(_mm_srli_epi32(vs, 4), mask);
    const Pixels4 gu = _mm_sub_epi32(one, fu), gv = _mm_sub_epi32(one, fv);
    const std::array<uint32_t, 4> at = lanesOf(indexes);
    // Each pixel's weight (a 32-bit lane below 2^16) goes to both 16-bit halves, then the
    // channels of two pixels meet their weights.
    const __m128i zero = _mm_setzero_si128();
    __m128i low = zero, high = zero;
    const auto add = [&](const uint32_t* pBase, Pixels4 weight) RASTER_LAMBDA_STEP {
      const Pixels4 t = set4(pBase[at[0]], pBase[at[1]], pBase[at[2]], pBase[at[3]]);
      const __m128i pair = _mm_or_si128(weight, _mm_slli_epi32(weight, 16));
      low = _mm_add_epi16(
          low, _mm_mullo_epi16(_mm_unpacklo_epi8(t, zero), _mm_unpacklo_epi32(pair, pair)));
      high = _mm_add_epi16(
          high, _mm_mullo_epi16(_mm_unpackhi_epi8(t, zero), _mm_unpackhi_epi32(pair, pair)));
    };
    add(pTexels, _mm_mulhi_epu16(gu, gv));
    add(pTexels + 1, _mm_mulhi_epu16(fu, gv));
    add(pTexels + width, _mm_mulhi_epu16(gu, fv));
    add(pTexels + width + 1, _mm_mulhi_epu16(fu, fv));
    return _mm_packus_epi16(_mm_srli_epi16(low, 8), _mm_srli_epi16(high, 8));
  }
#endif
#if RASTER_HAS_AVX2
  // Eight pixels: the same weights, with the texels read as left-right pairs (two 64-bit reads
  // a pixel instead of four 32-bit ones, and pmaddwd adds each pair's products). Scalar reads
  // beat vpgatherdd on the AMD machine of bench/raster_poly_bench.cpp; the pairs took the large
  // triangle from 95 to 73 us.
  Pixels8 uSteps = _mm256_setzero_si256();
  Pixels8 vSteps = _mm256_setzero_si256();
  RASTER_STEP Pixels8 next8() {
    const Pixels8 us = _mm256_add_epi32(splat8(u), uSteps);
    const Pixels8 vs = _mm256_add_epi32(splat8(v), vSteps);
    const Pixels8 indexes =
        _mm256_add_epi32(_mm256_sll_epi32(integerParts8(vs, rowMask),
                                          _mm_cvtsi32_si128(static_cast<int32_t>(columnShift))),
                         integerParts8(us, columnMask));
    u += 8 * du;
    v += 8 * dv;
    const Pixels8 mask = splat8(kFractionMask), one = splat8(kOne);
    const Pixels8 fu = _mm256_and_si256(_mm256_srli_epi32(us, 4), mask);
    const Pixels8 fv = _mm256_and_si256(_mm256_srli_epi32(vs, 4), mask);
    const Pixels8 gu = _mm256_sub_epi32(one, fu), gv = _mm256_sub_epi32(one, fv);
    // A texel and its right neighbour are one 64-bit read. Register "a" holds the pairs of
    // pixels 0, 1 | 4, 5 and "b" those of 2, 3 | 6, 7, so that after the sums the packs put
    // the pixels back in order.
    alignas(32) uint32_t at[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(at), indexes);
    const auto pairs = [&at](const uint32_t* pRow, int k) RASTER_LAMBDA_STEP {
      const auto read = [pRow, &at](int pixel) {
        return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(pRow + at[pixel]));
      };
      return _mm256_inserti128_si256(
          _mm256_castsi128_si256(_mm_unpacklo_epi64(read(k), read(k + 1))),
          _mm_unpacklo_epi64(read(k + 4), read(k + 5)), 1);
    };
    const __m256i topA = pairs(pTexels, 0), topB = pairs(pTexels, 2);
    const __m256i bottomA = pairs(pTexels + width, 0), bottomB = pairs(pTexels + width, 2);
    // Each pixel's weights as one word pair (left texel's low, right texel's high), and each
    // pair of texels spread to the words (left, right) of every channel: pmaddwd then gives
    // left * wl + right * wr per channel, at most 255 * 256 for a row, 65280 for both.
    const __m256i top = _mm256_or_si256(_mm256_mulhi_epu16(gu, gv),
                                        _mm256_slli_epi32(_mm256_mulhi_epu16(fu, gv), 16));
    const __m256i bottom = _mm256_or_si256(_mm256_mulhi_epu16(gu, fv),
                                           _mm256_slli_epi32(_mm256_mulhi_epu16(fu, fv), 16));
    const __m256i first = _mm256_setr_epi8(0, -1, 4, -1, 1, -1, 5, -1, 2, -1, 6, -1, 3, -1, 7, -1,
                                           0, -1, 4, -1, 1, -1, 5, -1, 2, -1, 6, -1, 3, -1, 7, -1);
    const __m256i second =
        _mm256_setr_epi8(8, -1, 12, -1, 9, -1, 13, -1, 10, -1, 14, -1, 11, -1, 15, -1, 8, -1, 12,
                         -1, 9, -1, 13, -1, 10, -1, 14, -1, 11, -1, 15, -1);
    const auto sums = [](__m256i topPairs, __m256i bottomPairs, __m256i pick, __m256i topWeights,
                         __m256i bottomWeights) RASTER_LAMBDA_STEP {
      return _mm256_srli_epi32(
          _mm256_add_epi32(
              _mm256_madd_epi16(_mm256_shuffle_epi8(topPairs, pick), topWeights),
              _mm256_madd_epi16(_mm256_shuffle_epi8(bottomPairs, pick), bottomWeights)),
          8);
    };
    const __m256i pixels0 = sums(topA, bottomA, first, _mm256_shuffle_epi32(top, 0x00),
                                 _mm256_shuffle_epi32(bottom, 0x00));
    const __m256i pixels1 = sums(topA, bottomA, second, _mm256_shuffle_epi32(top, 0x55),
                                 _mm256_shuffle_epi32(bottom, 0x55));
    const __m256i pixels2 = sums(topB, bottomB, first, _mm256_shuffle_epi32(top, 0xAA),
                                 _mm256_shuffle_epi32(bottom, 0xAA));
    const __m256i pixels3 = sums(topB, bottomB, second, _mm256_shuffle_epi32(top, 0xFF),
                                 _mm256_shuffle_epi32(bottom, 0xFF));
    return _mm256_packus_epi16(_mm256_packus_epi32(pixels0, pixels1),
                               _mm256_packus_epi32(pixels2, pixels3));
  }
#endif
};

// The texel fetch followed by the colour source of the drawer (nothing, k or c).
template <typename Fetch, typename Colour>
struct TexelSource {
  Fetch fetch;
  Colour colour;
  template <Path path>
  RASTER_STEP Sample next() {
    Sample sample = colour.next();
    sample.texel = fetch.template next<path>();
    return sample;
  }
  bool usable() const { return fetch.usable() && colour.usable(); }
  void startPacked() {
    fetch.startPacked();
    colour.startPacked();
  }
#if RASTER_HAS_SSE2
  RASTER_STEP Quad next4() {
    Quad quad = colour.next4();
    quad.texel = fetch.next4();
    return quad;
  }
#endif
#if RASTER_HAS_AVX2
  RASTER_STEP Oct next8() {
    Oct oct = colour.next8();
    oct.texel = fetch.next8();
    return oct;
  }
#endif
};

// No colour: the texture and perspective drawers.
struct ColourNone {
  bool usable() const { return true; }
  RASTER_STEP Sample next() { return {}; }
  void startPacked() {}
#if RASTER_HAS_SSE2
  RASTER_STEP Quad next4() {
    return {_mm_setzero_si128(), _mm_setzero_si128(), _mm_setzero_si128()};
  }
#endif
#if RASTER_HAS_AVX2
  RASTER_STEP Oct next8() {
    return {_mm256_setzero_si256(), _mm256_setzero_si256(), _mm256_setzero_si256()};
  }
#endif
};

// No texel: the flat, shaded and vertex-alpha drawers.
struct FetchNone {
  bool usable() const { return true; }
  void startPacked() {}
  template <Path path>
  RASTER_STEP uint32_t next() {
    return 0;
  }
#if RASTER_HAS_SSE2
  RASTER_STEP Pixels4 next4() {
    return _mm_setzero_si128();
  }
#endif
#if RASTER_HAS_AVX2
  RASTER_STEP Pixels8 next8() {
    return _mm256_setzero_si256();
  }
#endif
};

}  // namespace RASTER_SPAN_ISA
}  // namespace span
