#pragma once
// The per-byte pieces of the span fillers: combinations of texel and colour, the weights, and
// the blends. Each is a stateless struct with a scalar form written like its formula and a
// lane form over a whole register of pixels (four in SSE2, eight in AVX2); all give the same
// bytes.
//
// Everything of the span headers lives in an inline namespace named after the instruction set
// of the file that includes them: the AVX2 files (built with -mavx2) get their own copies of
// every inline function and template, so the linker never hands AVX2 code to the baseline path.

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#define RASTER_HAS_SSE2 1
#else
#define RASTER_HAS_SSE2 0
#endif

#if defined(__AVX2__)
#include <immintrin.h>
#define RASTER_HAS_AVX2 1
#define RASTER_SPAN_ISA avx2
#else
#define RASTER_HAS_AVX2 0
#define RASTER_SPAN_ISA baseline
#endif

// The per-pixel steps of the sources (next, next4, next8) are always inlined into their loop:
// left as calls, a short span's source lives in memory and each step reloads, with a wider load
// that cannot be forwarded, the words the previous one stored.
#if defined(__GNUC__)
#define RASTER_STEP [[gnu::always_inline]] inline
#define RASTER_LAMBDA_STEP __attribute__((always_inline))
#else
#define RASTER_STEP inline
#define RASTER_LAMBDA_STEP
#endif

namespace span {
inline namespace RASTER_SPAN_ISA {

// Applies f(d, s, w) to each of the four bytes of the words.
template <typename F>
inline uint32_t perByte(uint32_t d, uint32_t s, uint32_t w, F f) {
  uint32_t result = 0;
  for (uint32_t shift = 0; shift < 32; shift += 8) {
    result |= (f((d >> shift) & 255u, (s >> shift) & 255u, (w >> shift) & 255u) & 255u) << shift;
  }
  return result;
}

inline uint32_t saturate(uint32_t value) {
  return value > 255u ? 255u : value;
}
inline uint32_t subFloor(uint32_t a, uint32_t b) {
  return a > b ? a - b : 0u;
}
// A byte 0..255 in all four bytes.
inline uint32_t splatByte(uint32_t value) {
  return (value & 255u) * 0x01010101u;
}

#if RASTER_HAS_SSE2
using Pixels4 = __m128i;

inline Pixels4 load4(const uint32_t* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
inline void store4(uint32_t* p, Pixels4 v) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}
inline Pixels4 splat4(uint32_t word) {
  return _mm_set1_epi32(static_cast<int32_t>(word));
}
inline Pixels4 set4(uint32_t w0, uint32_t w1, uint32_t w2, uint32_t w3) {
  return _mm_setr_epi32(static_cast<int32_t>(w0), static_cast<int32_t>(w1),
                        static_cast<int32_t>(w2), static_cast<int32_t>(w3));
}

// The lane operations by register width, so that each piece below is written once.
inline __m128i zeroLike(__m128i) {
  return _mm_setzero_si128();
}
inline __m128i onesLike(__m128i x) {
  return _mm_cmpeq_epi32(x, x);
}
inline __m128i andBits(__m128i a, __m128i b) {
  return _mm_and_si128(a, b);
}
inline __m128i orBits(__m128i a, __m128i b) {
  return _mm_or_si128(a, b);
}
inline __m128i xorBits(__m128i a, __m128i b) {
  return _mm_xor_si128(a, b);
}
inline __m128i andNotBits(__m128i a, __m128i b) {
  return _mm_andnot_si128(a, b);
}
inline __m128i addsU8(__m128i a, __m128i b) {
  return _mm_adds_epu8(a, b);
}
inline __m128i subsU8(__m128i a, __m128i b) {
  return _mm_subs_epu8(a, b);
}
inline __m128i avgU8(__m128i a, __m128i b) {
  return _mm_avg_epu8(a, b);
}
inline __m128i sub8(__m128i a, __m128i b) {
  return _mm_sub_epi8(a, b);
}
inline __m128i add32(__m128i a, __m128i b) {
  return _mm_add_epi32(a, b);
}
inline __m128i greater32(__m128i a, __m128i b) {
  return _mm_cmpgt_epi32(a, b);
}
inline __m128i equal32(__m128i a, __m128i b) {
  return _mm_cmpeq_epi32(a, b);
}
inline __m128i signBits(__m128i) {
  return _mm_set1_epi32(static_cast<int32_t>(0x80000000u));
}
inline int laneSigns(__m128i x) {
  return _mm_movemask_ps(_mm_castsi128_ps(x));
}
inline __m128i bytesLow16(__m128i x) {
  return _mm_unpacklo_epi8(x, _mm_setzero_si128());
}
inline __m128i bytesHigh16(__m128i x) {
  return _mm_unpackhi_epi8(x, _mm_setzero_si128());
}
inline __m128i add16(__m128i a, __m128i b) {
  return _mm_add_epi16(a, b);
}
// (x * w) >> 8 per 16-bit lane: products of bytes fit 16 bits, so the low half is exact.
inline __m128i mulShift8(__m128i x16, __m128i w16) {
  return _mm_srli_epi16(_mm_mullo_epi16(x16, w16), 8);
}
inline __m128i packBytes(__m128i low, __m128i high) {
  return _mm_packus_epi16(low, high);
}
#endif

#if RASTER_HAS_AVX2
using Pixels8 = __m256i;

inline __m256i zeroLike(__m256i) {
  return _mm256_setzero_si256();
}
inline __m256i onesLike(__m256i x) {
  return _mm256_cmpeq_epi32(x, x);
}
inline __m256i andBits(__m256i a, __m256i b) {
  return _mm256_and_si256(a, b);
}
inline __m256i orBits(__m256i a, __m256i b) {
  return _mm256_or_si256(a, b);
}
inline __m256i xorBits(__m256i a, __m256i b) {
  return _mm256_xor_si256(a, b);
}
inline __m256i andNotBits(__m256i a, __m256i b) {
  return _mm256_andnot_si256(a, b);
}
inline __m256i addsU8(__m256i a, __m256i b) {
  return _mm256_adds_epu8(a, b);
}
inline __m256i subsU8(__m256i a, __m256i b) {
  return _mm256_subs_epu8(a, b);
}
inline __m256i avgU8(__m256i a, __m256i b) {
  return _mm256_avg_epu8(a, b);
}
inline __m256i sub8(__m256i a, __m256i b) {
  return _mm256_sub_epi8(a, b);
}
inline __m256i add32(__m256i a, __m256i b) {
  return _mm256_add_epi32(a, b);
}
inline __m256i greater32(__m256i a, __m256i b) {
  return _mm256_cmpgt_epi32(a, b);
}
inline __m256i equal32(__m256i a, __m256i b) {
  return _mm256_cmpeq_epi32(a, b);
}
inline __m256i signBits(__m256i) {
  return _mm256_set1_epi32(static_cast<int32_t>(0x80000000u));
}
inline int laneSigns(__m256i x) {
  return _mm256_movemask_ps(_mm256_castsi256_ps(x));
}
// The unpacks and the pack work inside each 128-bit half; used in pairs they keep the order.
inline __m256i bytesLow16(__m256i x) {
  return _mm256_unpacklo_epi8(x, _mm256_setzero_si256());
}
inline __m256i bytesHigh16(__m256i x) {
  return _mm256_unpackhi_epi8(x, _mm256_setzero_si256());
}
inline __m256i add16(__m256i a, __m256i b) {
  return _mm256_add_epi16(a, b);
}
inline __m256i mulShift8(__m256i x16, __m256i w16) {
  return _mm256_srli_epi16(_mm256_mullo_epi16(x16, w16), 8);
}
inline __m256i packBytes(__m256i low, __m256i high) {
  return _mm256_packus_epi16(low, high);
}
#endif

#if RASTER_HAS_SSE2
// mask ? a : b, bit by bit.
template <typename V>
inline V selectBits(V mask, V a, V b) {
  return orBits(andBits(mask, a), andNotBits(mask, b));
}
// ((x * w) >> 8) + ((y * v) >> 8) per byte, the sum at most 254 for v = 255 - w.
template <typename V>
inline V weightedSum(V x, V w, V y, V v) {
  const V low =
      add16(mulShift8(bytesLow16(x), bytesLow16(w)), mulShift8(bytesLow16(y), bytesLow16(v)));
  const V high =
      add16(mulShift8(bytesHigh16(x), bytesHigh16(w)), mulShift8(bytesHigh16(y), bytesHigh16(v)));
  return packBytes(low, high);
}
// (s * w) >> 8 per byte.
template <typename V>
inline V scaleBytes(V s, V w) {
  return packBytes(mulShift8(bytesLow16(s), bytesLow16(w)),
                   mulShift8(bytesHigh16(s), bytesHigh16(w)));
}
// 255 - w per byte.
template <typename V>
inline V invertBytes(V w) {
  return xorBits(w, onesLike(w));
}
#endif

// ---- Combinations of texel t and colour c (or k) into the source s ----

// s = t
struct CombineTexel {
  static constexpr bool kPerByte = false;
  static uint32_t combine(uint32_t t, uint32_t) { return t; }
#if RASTER_HAS_SSE2
  template <typename V>
  static V combineLanes(V t, V) {
    return t;
  }
#endif
};
// s = c
struct CombineColour {
  static constexpr bool kPerByte = false;
  static uint32_t combine(uint32_t, uint32_t c) { return c; }
#if RASTER_HAS_SSE2
  template <typename V>
  static V combineLanes(V, V c) {
    return c;
  }
#endif
};
// s = max(t - c, 0) per byte
struct CombineTMinusC {
  static constexpr bool kPerByte = true;
  static uint32_t combine(uint32_t t, uint32_t c) {
    return perByte(t, c, 0, [](uint32_t x, uint32_t y, uint32_t) { return subFloor(x, y); });
  }
#if RASTER_HAS_SSE2
  template <typename V>
  static V combineLanes(V t, V c) {
    return subsU8(t, c);
  }
#endif
};
// s = max(c - t, 0) per byte
struct CombineCMinusT {
  static constexpr bool kPerByte = true;
  static uint32_t combine(uint32_t t, uint32_t c) { return CombineTMinusC::combine(c, t); }
#if RASTER_HAS_SSE2
  template <typename V>
  static V combineLanes(V t, V c) {
    return subsU8(c, t);
  }
#endif
};
// s = min(t + c, 255) per byte
struct CombineTPlusC {
  static constexpr bool kPerByte = true;
  static uint32_t combine(uint32_t t, uint32_t c) {
    return perByte(t, c, 0, [](uint32_t x, uint32_t y, uint32_t) { return saturate(x + y); });
  }
#if RASTER_HAS_SSE2
  template <typename V>
  static V combineLanes(V t, V c) {
    return addsU8(t, c);
  }
#endif
};

// ---- Weights: w per byte, from the opacity a (in all four bytes), the interpolated level or
// vertex alpha of the pixel (in all four bytes), or the texel ----

struct WeightOpacity {
  static uint32_t weight(uint32_t, uint32_t, uint32_t opacity) { return opacity; }
#if RASTER_HAS_SSE2
  template <typename V>
  static V weightLanes(V, V, V opacity) {
    return opacity;
  }
#endif
};
struct WeightInterpolated {
  static uint32_t weight(uint32_t, uint32_t interpolated, uint32_t) { return interpolated; }
#if RASTER_HAS_SSE2
  template <typename V>
  static V weightLanes(V, V interpolated, V) {
    return interpolated;
  }
#endif
};
struct WeightTexel {
  static uint32_t weight(uint32_t t, uint32_t, uint32_t) { return t; }
#if RASTER_HAS_SSE2
  template <typename V>
  static V weightLanes(V t, V, V) {
    return t;
  }
#endif
};
// 255 - t per byte: the swapped texture-as-alpha is the alpha blend weighted by it.
struct WeightTexelInverse {
  static uint32_t weight(uint32_t t, uint32_t, uint32_t) { return ~t; }
#if RASTER_HAS_SSE2
  template <typename V>
  static V weightLanes(V t, V, V) {
    return invertBytes(t);
  }
#endif
};

// ---- Blends of source s over destination d with weight w, per byte ----

// s
struct BlendReplace {
  static constexpr bool kReadsDestination = false;
  static uint32_t blend(uint32_t, uint32_t s, uint32_t) { return s; }
#if RASTER_HAS_SSE2
  template <typename V>
  static V blendLanes(V, V s, V) {
    return s;
  }
#endif
};
// (d + s) >> 1, nothing lost before the shift
struct BlendAverage {
  static constexpr bool kReadsDestination = true;
  static uint32_t blend(uint32_t d, uint32_t s, uint32_t) {
    return perByte(d, s, 0, [](uint32_t x, uint32_t y, uint32_t) { return (x + y) >> 1; });
  }
#if RASTER_HAS_SSE2
  // pavgb rounds up: (d + s + 1) >> 1, one too many where d + s is odd.
  template <typename V>
  static V blendLanes(V d, V s, V) {
    const V oneBytes = sub8(zeroLike(d), onesLike(d));
    return sub8(avgU8(d, s), andBits(xorBits(d, s), oneBytes));
  }
#endif
};
// ((d * (255 - w)) >> 8) + ((s * w) >> 8)
struct BlendAlpha {
  static constexpr bool kReadsDestination = true;
  static uint32_t blend(uint32_t d, uint32_t s, uint32_t w) {
    return perByte(d, s, w, [](uint32_t x, uint32_t y, uint32_t a) {
      return ((x * (255 - a)) >> 8) + ((y * a) >> 8);
    });
  }
#if RASTER_HAS_SSE2
  template <typename V>
  static V blendLanes(V d, V s, V w) {
    return weightedSum(d, invertBytes(w), s, w);
  }
#endif
};
// min(d + s, 255)
struct BlendAdd {
  static constexpr bool kReadsDestination = true;
  static uint32_t blend(uint32_t d, uint32_t s, uint32_t) {
    return perByte(d, s, 0, [](uint32_t x, uint32_t y, uint32_t) { return saturate(x + y); });
  }
#if RASTER_HAS_SSE2
  template <typename V>
  static V blendLanes(V d, V s, V) {
    return addsU8(d, s);
  }
#endif
};
// min(d + ((s * w) >> 8), 255)
struct BlendAddScaled {
  static constexpr bool kReadsDestination = true;
  static uint32_t blend(uint32_t d, uint32_t s, uint32_t w) {
    return perByte(d, s, w,
                   [](uint32_t x, uint32_t y, uint32_t a) { return saturate(x + ((y * a) >> 8)); });
  }
#if RASTER_HAS_SSE2
  template <typename V>
  static V blendLanes(V d, V s, V w) {
    return addsU8(d, scaleBytes(s, w));
  }
#endif
};
// max(d - s, 0)
struct BlendSub {
  static constexpr bool kReadsDestination = true;
  static uint32_t blend(uint32_t d, uint32_t s, uint32_t) {
    return perByte(d, s, 0, [](uint32_t x, uint32_t y, uint32_t) { return subFloor(x, y); });
  }
#if RASTER_HAS_SSE2
  template <typename V>
  static V blendLanes(V d, V s, V) {
    return subsU8(d, s);
  }
#endif
};
// max(d - ((s * w) >> 8), 0)
struct BlendSubScaled {
  static constexpr bool kReadsDestination = true;
  static uint32_t blend(uint32_t d, uint32_t s, uint32_t w) {
    return perByte(d, s, w,
                   [](uint32_t x, uint32_t y, uint32_t a) { return subFloor(x, (y * a) >> 8); });
  }
#if RASTER_HAS_SSE2
  template <typename V>
  static V blendLanes(V d, V s, V w) {
    return subsU8(d, scaleBytes(s, w));
  }
#endif
};

}  // namespace RASTER_SPAN_ISA
}  // namespace span
