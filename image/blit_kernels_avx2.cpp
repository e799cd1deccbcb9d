// The AVX2 spans of the two-image operators: eight pixels per instruction, byte for byte the
// results of the scalar formulas in blit_kernels_p.h. Built with -mavx2 like
// pixel_kernels_avx2.cpp and reached only through kernelsFor(KernelPath::Avx2), which asks the CPU
// first.
//
// As there, only <immintrin.h> and declarations are included (not blit_kernels_p.h or simd_p.h):
// an inline function or template compiled here would carry AVX2 instructions, and the linker may
// keep that copy for the baseline files as well. The unaligned head and the short tail of a span go
// to the SSE2 spans through their out-of-line entries.
//
// Why the packed forms are exact: a weight w (0..255) is kept in the high byte of a 16-bit lane,
// w * 256, so one unsigned high multiply of a widened byte v gives (v * w * 256) >> 16, which is
// (v * w) >> 8 with nothing rounded. Each product is floored on its own before any add, as the
// formulas ask.

#include "image/pixel_kernels_p.h"

#if defined(__x86_64__) || defined(__i386__)

#include <immintrin.h>

namespace pixel_kernels::avx2 {
namespace {

using Pixels8 = __m256i;

constexpr size_t kStep = 8;

Pixels8 load8(const uint32_t* pSrc) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pSrc));
}
void store8(uint32_t* pDst, Pixels8 v) {
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(pDst), v);
}
Pixels8 splat8(uint32_t word) {
  return _mm256_set1_epi32(static_cast<int32_t>(word));
}

// Bytes 0..7 and 8..15 of each 128-bit half widened to 16-bit lanes (value v); packus of the two
// puts them back in order, half by half.
Pixels8 widenLow(Pixels8 v) {
  return _mm256_unpacklo_epi8(v, _mm256_setzero_si256());
}
Pixels8 widenHigh(Pixels8 v) {
  return _mm256_unpackhi_epi8(v, _mm256_setzero_si256());
}
// The same bytes in the high byte of each lane (value w * 256).
Pixels8 widenLowShifted(Pixels8 w) {
  return _mm256_unpacklo_epi8(_mm256_setzero_si256(), w);
}
Pixels8 widenHighShifted(Pixels8 w) {
  return _mm256_unpackhi_epi8(_mm256_setzero_si256(), w);
}
// (v * w) >> 8 per 16-bit lane, v widened, w widened shifted.
Pixels8 scale16(Pixels8 v16, Pixels8 wShifted16) {
  return _mm256_mulhi_epu16(v16, wShifted16);
}
// (v * w) >> 8 for each of the 32 bytes (at most 254, so the pack never clamps).
Pixels8 scaleBytes(Pixels8 v, Pixels8 w) {
  return _mm256_packus_epi16(scale16(widenLow(v), widenLowShifted(w)),
                             scale16(widenHigh(v), widenHighShifted(w)));
}

// --- Unweighted blends ---

// (d >> 1) + (s >> 1). With d = 2a + x and s = 2b + y (x, y the low bits), the rounding-up average
// (d + s + 1) >> 1 is a + b + (x | y), so the sum of the halves is avg(d, s) - ((d | s) & 1): four
// instructions where shifting and masking both bytes takes five.
struct HalfAdd {
  static Pixels8 blend(Pixels8 d, Pixels8 s) {
    const Pixels8 lowBits = _mm256_and_si256(_mm256_or_si256(d, s), _mm256_set1_epi8(1));
    return _mm256_sub_epi8(_mm256_avg_epu8(d, s), lowBits);
  }
};

// sat(d + s)
struct Add {
  static Pixels8 blend(Pixels8 d, Pixels8 s) { return _mm256_adds_epu8(d, s); }
};

// sat(d - s)
struct Sub {
  static Pixels8 blend(Pixels8 d, Pixels8 s) { return _mm256_subs_epu8(d, s); }
};

// --- Weighted blends (w: the weight of each byte) ---

// ((d (255 - w)) >> 8) + ((s w) >> 8); at most 254, no clamp.
// Four products per 16 bytes, so no shuffle at all: the even bytes of d and s are masked in place
// (value v) and multiplied by their weight in the high byte (w << 8, one 16-bit shift); the odd
// bytes are masked in place (value v * 256) and multiplied by their weight in the low byte
// (w >> 8). Either way the high half of the product is (v * w) >> 8, in the low byte of the lane,
// and the odd results are shifted back up. 255 - w is w XOR 0xFF in whichever byte w sits. The
// unpack-multiply-pack form spent nine of its seventeen instructions on the two shuffle ports;
// these sixteen spread over every vector port.
struct Alpha {
  static Pixels8 blend(Pixels8 d, Pixels8 s, Pixels8 w) {
    const Pixels8 lowBytes = _mm256_set1_epi16(0x00FF);
    const Pixels8 highBytes = _mm256_set1_epi16(static_cast<int16_t>(0xFF00));
    const Pixels8 weightEven = _mm256_slli_epi16(w, 8);
    const Pixels8 weightOdd = _mm256_srli_epi16(w, 8);
    const Pixels8 restEven = _mm256_xor_si256(weightEven, highBytes);
    const Pixels8 restOdd = _mm256_xor_si256(weightOdd, lowBytes);
    const Pixels8 even =
        _mm256_add_epi16(_mm256_mulhi_epu16(_mm256_and_si256(d, lowBytes), restEven),
                         _mm256_mulhi_epu16(_mm256_and_si256(s, lowBytes), weightEven));
    const Pixels8 odd =
        _mm256_add_epi16(_mm256_mulhi_epu16(_mm256_and_si256(d, highBytes), restOdd),
                         _mm256_mulhi_epu16(_mm256_and_si256(s, highBytes), weightOdd));
    return _mm256_or_si256(even, _mm256_slli_epi16(odd, 8));
  }
};

// sat(d + ((s w) >> 8))
struct AlphaAdd {
  static Pixels8 blend(Pixels8 d, Pixels8 s, Pixels8 w) {
    return _mm256_adds_epu8(d, scaleBytes(s, w));
  }
};

// sat(d - ((s w) >> 8))
struct AlphaSub {
  static Pixels8 blend(Pixels8 d, Pixels8 s, Pixels8 w) {
    return _mm256_subs_epu8(d, scaleBytes(s, w));
  }
};

// sat(((s w) >> 8) - d)
struct AlphaSubFromSource {
  static Pixels8 blend(Pixels8 d, Pixels8 s, Pixels8 w) {
    return _mm256_subs_epu8(scaleBytes(s, w), d);
  }
};

// --- Weight fetches ---

// One weight word for every pixel: splatted once, and its widened forms hoisted out of the loop.
struct FetchConstant {
  static constexpr bool kReadsMap = false;
  static Pixels8 pixels8(const Weights& weights, size_t /*i*/) { return splat8(weights.word); }
};

// Pixel i weighted by map word i.
struct FetchMap {
  static constexpr bool kReadsMap = true;
  static Pixels8 pixels8(const Weights& weights, size_t i) { return load8(weights.pMap + i); }
};

// The weights of the span that starts `i` pixels further on.
template <class Fetch>
Weights advanced(const Weights& weights, size_t i) {
  if constexpr (Fetch::kReadsMap) {
    return Weights{weights.pMap + i, weights.word};
  } else {
    return weights;
  }
}

// --- Span loops ---

// Pixels to run before pDst reaches a 32-byte boundary, so that no store of the loop straddles a
// cache line (at most 7, never more than count). A pointer that is not even 4-byte aligned cannot
// be brought there and runs unaligned from the start.
size_t headOf(const uint32_t* pDst, size_t count) {
  const size_t misalign = static_cast<size_t>(reinterpret_cast<uintptr_t>(pDst) & 31u);
  const size_t head =
      (misalign % sizeof(uint32_t)) != 0 || misalign == 0 ? 0 : (32u - misalign) / sizeof(uint32_t);
  return head < count ? head : count;
}

// Two vectors per turn, both loaded before either is stored.
template <class Blend>
void blendSpan8(BlitOp op, uint32_t* pDst, const uint32_t* pSrc, size_t count) {
  const size_t head = headOf(pDst, count);
  if (head != 0) sse2::blendSpan(op, pDst, pSrc, head);
  size_t i = head;
  for (; i + 2 * kStep <= count; i += 2 * kStep) {
    const Pixels8 first = Blend::blend(load8(pDst + i), load8(pSrc + i));
    const Pixels8 second = Blend::blend(load8(pDst + i + kStep), load8(pSrc + i + kStep));
    store8(pDst + i, first);
    store8(pDst + i + kStep, second);
  }
  if (i + kStep <= count) {
    store8(pDst + i, Blend::blend(load8(pDst + i), load8(pSrc + i)));
    i += kStep;
  }
  if (i < count) sse2::blendSpan(op, pDst + i, pSrc + i, count - i);
}

template <class Blend, class Fetch>
void weightedSpan8(WeightedBlitOp op, uint32_t* pDst, const uint32_t* pSrc, Weights weights,
                   size_t count) {
  const size_t head = headOf(pDst, count);
  if (head != 0) sse2::weightedSpan(op, pDst, pSrc, weights, head);
  size_t i = head;
  for (; i + 2 * kStep <= count; i += 2 * kStep) {
    const Pixels8 first =
        Blend::blend(load8(pDst + i), load8(pSrc + i), Fetch::pixels8(weights, i));
    const Pixels8 second = Blend::blend(load8(pDst + i + kStep), load8(pSrc + i + kStep),
                                        Fetch::pixels8(weights, i + kStep));
    store8(pDst + i, first);
    store8(pDst + i + kStep, second);
  }
  if (i + kStep <= count) {
    store8(pDst + i, Blend::blend(load8(pDst + i), load8(pSrc + i), Fetch::pixels8(weights, i)));
    i += kStep;
  }
  if (i < count) sse2::weightedSpan(op, pDst + i, pSrc + i, advanced<Fetch>(weights, i), count - i);
}

}  // namespace

void halfAddSpan(uint32_t* pDst, const uint32_t* pSrc, size_t count) {
  blendSpan8<HalfAdd>(BlitOp::HalfAdd, pDst, pSrc, count);
}
void addSpan(uint32_t* pDst, const uint32_t* pSrc, size_t count) {
  blendSpan8<Add>(BlitOp::Add, pDst, pSrc, count);
}
void subSpan(uint32_t* pDst, const uint32_t* pSrc, size_t count) {
  blendSpan8<Sub>(BlitOp::Sub, pDst, pSrc, count);
}
void alphaSpan(uint32_t* pDst, const uint32_t* pSrc, Weights weights, size_t count) {
  weightedSpan8<Alpha, FetchConstant>(WeightedBlitOp::Alpha, pDst, pSrc, weights, count);
}
void alphaMapSpan(uint32_t* pDst, const uint32_t* pSrc, Weights weights, size_t count) {
  weightedSpan8<Alpha, FetchMap>(WeightedBlitOp::AlphaMap, pDst, pSrc, weights, count);
}
void alphaAddSpan(uint32_t* pDst, const uint32_t* pSrc, Weights weights, size_t count) {
  weightedSpan8<AlphaAdd, FetchConstant>(WeightedBlitOp::AlphaAdd, pDst, pSrc, weights, count);
}
void alphaAddMapSpan(uint32_t* pDst, const uint32_t* pSrc, Weights weights, size_t count) {
  weightedSpan8<AlphaAdd, FetchMap>(WeightedBlitOp::AlphaAddMap, pDst, pSrc, weights, count);
}
void alphaSubSpan(uint32_t* pDst, const uint32_t* pSrc, Weights weights, size_t count) {
  weightedSpan8<AlphaSub, FetchConstant>(WeightedBlitOp::AlphaSub, pDst, pSrc, weights, count);
}
void alphaSubFromSourceSpan(uint32_t* pDst, const uint32_t* pSrc, Weights weights, size_t count) {
  weightedSpan8<AlphaSubFromSource, FetchMap>(WeightedBlitOp::AlphaSubFromSource, pDst, pSrc,
                                              weights, count);
}

}  // namespace pixel_kernels::avx2

#endif  // x86
