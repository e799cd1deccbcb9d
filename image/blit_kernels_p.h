#pragma once
// The span loops of the two-image operators. A blend is a tiny stateless struct: `blend` on one
// byte (0..255 in a uint32_t) is the formula and the scalar reference, `blend` on four packed
// pixels is the same on 16 bytes at once. Weighted blends take a third argument, the weight of the
// same byte (0..255), which comes either from one opacity shared by every byte or from the same
// byte of an alpha map. One template walks a span for any blend (and weight fetch); the tables of
// its instantiations are indexed once per operator call, never inside the x loop.
//
// Products are exact in 16-bit lanes (at most 255 * 255 = 65025) and each one is shifted right by
// 8 on its own before anything is added, so the sum of the weights is 255, not 256: a two-term
// blend never reaches the full value.

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "image/pixel_kernels_p.h"
#include "image/simd_p.h"

namespace blit_kernels {
inline namespace IMAGE_KERNEL_ISA {

using pixel_kernels::BlendSpanFn;
using pixel_kernels::BlitOp;
using pixel_kernels::kNbBlitOp;
using pixel_kernels::kNbWeightedBlitOp;
using pixel_kernels::WeightedBlitOp;
using pixel_kernels::WeightedSpanFn;
using pixel_kernels::Weights;

// Integer weight of an opacity: alpha * 255 rounded to the nearest integer, ties to even. The
// product is taken in double, where it is exact (24-bit mantissa times 8 bits), so an opacity whose
// float product would round onto x.5 still rounds by its true value. Opacities outside 0..1 are
// clamped and NaN gives 0, so a stray controller value can never push a weight out of its byte.
inline uint32_t weightFromOpacity(float alpha) {
  const double scaled = static_cast<double>(alpha) * 255.0;
  if (!(scaled > 0.0)) return 0;  // also NaN
  if (scaled >= 255.0) return 255;
  return static_cast<uint32_t>(std::nearbyint(scaled));
}

// The same weight in all four bytes of a word: w * 0x01010101.
constexpr uint32_t weightWord(uint32_t weight) {
  return (weight & 0xFFu) * 0x01010101u;
}

#if IMAGE_HAS_SSE2
// Lane helpers of the blends: bytes widened to 16-bit lanes and back.
namespace lanes {

using simd::Pixels4;

// Bytes 0..7 and 8..15 each widened to a 16-bit lane (value v).
inline Pixels4 widenLow(Pixels4 v) {
  return _mm_unpacklo_epi8(v, _mm_setzero_si128());
}
inline Pixels4 widenHigh(Pixels4 v) {
  return _mm_unpackhi_epi8(v, _mm_setzero_si128());
}
// The same bytes placed in the high byte of each 16-bit lane (value w * 256). A weight kept in this
// form turns (v * w) >> 8 into one unsigned high multiply: (v * (w << 8)) >> 16.
inline Pixels4 widenLowShifted(Pixels4 w) {
  return _mm_unpacklo_epi8(_mm_setzero_si128(), w);
}
inline Pixels4 widenHighShifted(Pixels4 w) {
  return _mm_unpackhi_epi8(_mm_setzero_si128(), w);
}
// (v * w) >> 8 per 16-bit lane, v widened, w widened shifted. Exact: the high half of v * w * 256.
inline Pixels4 scale16(Pixels4 v16, Pixels4 wShifted16) {
  return _mm_mulhi_epu16(v16, wShifted16);
}
// (v * w) >> 8 for each of the 16 bytes, back in bytes (the results are at most 254).
inline Pixels4 scaleBytes(Pixels4 v, Pixels4 w) {
  return _mm_packus_epi16(scale16(widenLow(v), widenLowShifted(w)),
                          scale16(widenHigh(v), widenHighShifted(w)));
}
// 255 - w per byte: for a byte, 255 - w == w XOR 0xFF.
inline Pixels4 complementBytes(Pixels4 w) {
  return _mm_xor_si128(w, _mm_set1_epi32(-1));
}
// v >> 1 per byte: a 16-bit shift, then the bit that crossed over from the upper byte is masked.
inline Pixels4 halveBytes(Pixels4 v) {
  return _mm_and_si128(_mm_srli_epi16(v, 1), _mm_set1_epi8(0x7F));
}

}  // namespace lanes
#endif  // IMAGE_HAS_SSE2

// --- Unweighted blends ---

// d = s
struct BlendCopy {
  static uint32_t blend(uint32_t /*d*/, uint32_t s) { return s; }
#if IMAGE_HAS_SSE2
  static simd::Pixels4 blend(simd::Pixels4 /*d*/, simd::Pixels4 s) {
    return s;
  }
#endif
};

// d = (d >> 1) + (s >> 1); at most 127 + 127 = 254, no clamp.
struct BlendHalfAdd {
  static uint32_t blend(uint32_t d, uint32_t s) { return (d >> 1) + (s >> 1); }
#if IMAGE_HAS_SSE2
  // Not _mm_avg_epu8: that rounds up, (d + s + 1) >> 1, where this drops both low bits.
  static simd::Pixels4 blend(simd::Pixels4 d, simd::Pixels4 s) {
    return _mm_add_epi8(lanes::halveBytes(d), lanes::halveBytes(s));
  }
#endif
};

// d = (d + s) >> 1, the 9-bit sum shifted: nothing is lost before the shift, so 255 and 255
// give 255 where BlendHalfAdd gives 254.
struct BlendAverage {
  static uint32_t blend(uint32_t d, uint32_t s) { return (d + s) >> 1; }
#if IMAGE_HAS_SSE2
  // pavgb rounds up, (d + s + 1) >> 1: one too many exactly where d + s is odd, that is where the
  // low bits of d and s differ.
  static simd::Pixels4 blend(simd::Pixels4 d, simd::Pixels4 s) {
    const simd::Pixels4 oddSum = _mm_and_si128(_mm_xor_si128(d, s), _mm_set1_epi8(1));
    return _mm_sub_epi8(_mm_avg_epu8(d, s), oddSum);
  }
#endif
};

// d = sat(d + s)
struct BlendAdd {
  static uint32_t blend(uint32_t d, uint32_t s) { return d + s > 255u ? 255u : d + s; }
#if IMAGE_HAS_SSE2
  static simd::Pixels4 blend(simd::Pixels4 d, simd::Pixels4 s) {
    return simd::addSaturate(d, s);
  }
#endif
};

// d = sat(d - s)
struct BlendSub {
  static uint32_t blend(uint32_t d, uint32_t s) { return d > s ? d - s : 0u; }
#if IMAGE_HAS_SSE2
  static simd::Pixels4 blend(simd::Pixels4 d, simd::Pixels4 s) {
    return simd::subSaturate(d, s);
  }
#endif
};

// --- Weighted blends (w = weight of the byte, 0..255) ---

// d = ((d (255 - w)) >> 8) + ((s w) >> 8); at most 254, no clamp.
struct BlendAlpha {
  static uint32_t blend(uint32_t d, uint32_t s, uint32_t w) {
    return ((d * (255u - w)) >> 8) + ((s * w) >> 8);
  }
#if IMAGE_HAS_SSE2
  static simd::Pixels4 blend(simd::Pixels4 d, simd::Pixels4 s, simd::Pixels4 w) {
    using namespace lanes;
    const simd::Pixels4 rest = complementBytes(w);
    const simd::Pixels4 low = _mm_add_epi16(scale16(widenLow(d), widenLowShifted(rest)),
                                            scale16(widenLow(s), widenLowShifted(w)));
    const simd::Pixels4 high = _mm_add_epi16(scale16(widenHigh(d), widenHighShifted(rest)),
                                             scale16(widenHigh(s), widenHighShifted(w)));
    return _mm_packus_epi16(low, high);
  }
#endif
};

// d = sat(d + ((s w) >> 8))
struct BlendAlphaAdd {
  static uint32_t blend(uint32_t d, uint32_t s, uint32_t w) {
    return BlendAdd::blend(d, (s * w) >> 8);
  }
#if IMAGE_HAS_SSE2
  static simd::Pixels4 blend(simd::Pixels4 d, simd::Pixels4 s, simd::Pixels4 w) {
    return simd::addSaturate(d, lanes::scaleBytes(s, w));
  }
#endif
};

// d = sat(d - ((s w) >> 8))
struct BlendAlphaSub {
  static uint32_t blend(uint32_t d, uint32_t s, uint32_t w) {
    return BlendSub::blend(d, (s * w) >> 8);
  }
#if IMAGE_HAS_SSE2
  static simd::Pixels4 blend(simd::Pixels4 d, simd::Pixels4 s, simd::Pixels4 w) {
    return simd::subSaturate(d, lanes::scaleBytes(s, w));
  }
#endif
};

// d = sat(((s w) >> 8) - d): the weighted source minus the destination (the alpha-map subtraction).
struct BlendAlphaSubFromSource {
  static uint32_t blend(uint32_t d, uint32_t s, uint32_t w) {
    return BlendSub::blend((s * w) >> 8, d);
  }
#if IMAGE_HAS_SSE2
  static simd::Pixels4 blend(simd::Pixels4 d, simd::Pixels4 s, simd::Pixels4 w) {
    return simd::subSaturate(lanes::scaleBytes(s, w), d);
  }
#endif
};

// --- Weight fetches ---

// Every pixel weighted by weights.word.
struct FetchConstant {
  static uint32_t pixel(const Weights& weights, size_t /*i*/) { return weights.word; }
#if IMAGE_HAS_SSE2
  // Loop-invariant: hoisted out of the span loop once inlined.
  static simd::Pixels4 pixels4(const Weights& weights, size_t /*i*/) {
    return simd::splat(weights.word);
  }
#endif
};

// Pixel i weighted by map word i.
struct FetchMap {
  static uint32_t pixel(const Weights& weights, size_t i) { return weights.pMap[i]; }
#if IMAGE_HAS_SSE2
  static simd::Pixels4 pixels4(const Weights& weights, size_t i) {
    return simd::load4(weights.pMap + i);
  }
#endif
};

// --- Span loops ---

// One pixel through Blend byte by byte, written like the formula.
template <class Blend>
uint32_t blendPixel(uint32_t d, uint32_t s) {
  uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    out |= Blend::blend((d >> shift) & 0xFFu, (s >> shift) & 0xFFu) << shift;
  }
  return out;
}

// The same with the weight of each byte taken from the same byte of w.
template <class Blend>
uint32_t blendPixelWeighted(uint32_t d, uint32_t s, uint32_t w) {
  uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    out |= Blend::blend((d >> shift) & 0xFFu, (s >> shift) & 0xFFu, (w >> shift) & 0xFFu) << shift;
  }
  return out;
}

// The scalar reference loops: one pixel per step.
template <class Blend>
void blendSpanScalar(uint32_t* pDst, const uint32_t* pSrc, size_t count) {
  for (size_t i = 0; i < count; ++i)
    pDst[i] = blendPixel<Blend>(pDst[i], pSrc[i]);
}

template <class Blend, class Fetch>
void blendSpanWeightedScalar(uint32_t* pDst, const uint32_t* pSrc, Weights weights, size_t count) {
  for (size_t i = 0; i < count; ++i)
    pDst[i] = blendPixelWeighted<Blend>(pDst[i], pSrc[i], Fetch::pixel(weights, i));
}

// Four pixels per step, scalar tail.
template <class Blend>
void blendSpan(uint32_t* pDst, const uint32_t* pSrc, size_t count) {
#if IMAGE_HAS_SSE2
  size_t i = 0;
  for (; i + simd::kPixelsPerVector <= count; i += simd::kPixelsPerVector) {
    simd::store4(pDst + i, Blend::blend(simd::load4(pDst + i), simd::load4(pSrc + i)));
  }
  for (; i < count; ++i)
    pDst[i] = blendPixel<Blend>(pDst[i], pSrc[i]);
#else
  blendSpanScalar<Blend>(pDst, pSrc, count);
#endif
}

template <class Blend, class Fetch>
void blendSpanWeighted(uint32_t* pDst, const uint32_t* pSrc, Weights weights, size_t count) {
#if IMAGE_HAS_SSE2
  size_t i = 0;
  for (; i + simd::kPixelsPerVector <= count; i += simd::kPixelsPerVector) {
    simd::store4(pDst + i, Blend::blend(simd::load4(pDst + i), simd::load4(pSrc + i),
                                        Fetch::pixels4(weights, i)));
  }
  for (; i < count; ++i)
    pDst[i] = blendPixelWeighted<Blend>(pDst[i], pSrc[i], Fetch::pixel(weights, i));
#else
  blendSpanWeightedScalar<Blend, Fetch>(pDst, pSrc, weights, count);
#endif
}

// A plain copy: memmove is the library's own fastest copy, and a source copied onto itself is
// left as it is.
inline void copySpan(uint32_t* pDst, const uint32_t* pSrc, size_t count) {
  if (count != 0) std::memmove(pDst, pSrc, count * sizeof(uint32_t));
}

// --- Tables: the SSE2 spans and their scalar twins. The spans the images run come from the
// kernel set chosen at start-up (pixel_kernels_p.h), indexed once per operator call. ---

inline constexpr std::array<BlendSpanFn, kNbBlitOp> kBlendSpans = {
    &copySpan,
    &blendSpan<BlendHalfAdd>,
    &blendSpan<BlendAdd>,
    &blendSpan<BlendSub>,
};
inline constexpr std::array<BlendSpanFn, kNbBlitOp> kBlendSpansScalar = {
    &blendSpanScalar<BlendCopy>,
    &blendSpanScalar<BlendHalfAdd>,
    &blendSpanScalar<BlendAdd>,
    &blendSpanScalar<BlendSub>,
};

inline constexpr std::array<WeightedSpanFn, kNbWeightedBlitOp> kWeightedSpans = {
    &blendSpanWeighted<BlendAlpha, FetchConstant>,
    &blendSpanWeighted<BlendAlpha, FetchMap>,
    &blendSpanWeighted<BlendAlphaAdd, FetchConstant>,
    &blendSpanWeighted<BlendAlphaAdd, FetchMap>,
    &blendSpanWeighted<BlendAlphaSub, FetchConstant>,
    &blendSpanWeighted<BlendAlphaSubFromSource, FetchMap>,
};
inline constexpr std::array<WeightedSpanFn, kNbWeightedBlitOp> kWeightedSpansScalar = {
    &blendSpanWeightedScalar<BlendAlpha, FetchConstant>,
    &blendSpanWeightedScalar<BlendAlpha, FetchMap>,
    &blendSpanWeightedScalar<BlendAlphaAdd, FetchConstant>,
    &blendSpanWeightedScalar<BlendAlphaAdd, FetchMap>,
    &blendSpanWeightedScalar<BlendAlphaSub, FetchConstant>,
    &blendSpanWeightedScalar<BlendAlphaSubFromSource, FetchMap>,
};

// Whether a weighted combination reads an alpha map (Weights::pMap) or one word (Weights::word).
constexpr bool readsAlphaMap(WeightedBlitOp op) {
  return op == WeightedBlitOp::AlphaMap || op == WeightedBlitOp::AlphaAddMap ||
         op == WeightedBlitOp::AlphaSubFromSource;
}

// The spans of the path activeKernels() chose.
inline BlendSpanFn blendSpanFor(BlitOp op) {
  return pixel_kernels::activeKernels().blendSpans[static_cast<size_t>(op)];
}
inline BlendSpanFn blendSpanScalarFor(BlitOp op) {
  return kBlendSpansScalar[static_cast<size_t>(op)];
}
inline WeightedSpanFn weightedSpanFor(WeightedBlitOp op) {
  return pixel_kernels::activeKernels().weightedSpans[static_cast<size_t>(op)];
}
inline WeightedSpanFn weightedSpanScalarFor(WeightedBlitOp op) {
  return kWeightedSpansScalar[static_cast<size_t>(op)];
}

}  // namespace IMAGE_KERNEL_ISA
}  // namespace blit_kernels
