// Radial blur rows: each pixel mixes itself with its axis and diagonal neighbours toward the
// centre, weighted by the ray table; the neighbours were updated before it, so the blur carries
// along the rays.

#include <algorithm>
#include <cstddef>

#include "fx/fx_kernels_p.h"
#include "fx/lanes_p.h"

namespace fx_kernels {
namespace {

constexpr uint32_t byteOf(uint32_t pixel, int i) {
  return (pixel >> (8 * i)) & 0xFFu;
}

}  // namespace

namespace scalar {

uint32_t radialPixel(RadialMode mode, RadialWeights weights, uint32_t p, uint32_t axis,
                     uint32_t diag, uint32_t f) {
  uint32_t out = 0;
  if (mode == RadialMode::Smooth) {
    for (int i = 0; i < 3; ++i) {
      const uint32_t ray = byteOf(diag, i) * (256u - f) + byteOf(axis, i) * f;
      const uint32_t c = (((ray * weights.a) >> 8) + byteOf(p, i) * weights.b) >> 14;
      out |= std::min(c, 255u) << (8 * i);
    }
  } else {
    for (int i = 0; i < 4; ++i) {
      const uint32_t ray = (byteOf(axis, i) * f + byteOf(diag, i) * (256u - f)) >> 1;
      const uint32_t sum = std::min(byteOf(p, i) * weights.b + ((ray * weights.a) >> 8), 65535u);
      out |= std::min(sum >> 8, 255u) << (8 * i);
    }
  }
  return out;
}

void radialRow(RadialMode mode, RadialWeights weights, uint32_t* pRow0, const uint32_t* pPrev0,
               const uint16_t* pF, int32_t step, int32_t b, int32_t aBegin, int32_t aEnd) {
  for (ptrdiff_t a = aBegin; a < aEnd; ++a) {
    const ptrdiff_t at = step * a;
    const ptrdiff_t toward = step * (a - 1);
    const uint32_t axis = a <= b ? pPrev0[at] : pRow0[toward];
    pRow0[at] = radialPixel(mode, weights, pRow0[at], axis, pPrev0[toward], pF[a]);
  }
}

}  // namespace scalar

namespace packed {

#if FX_HAS_SSE2
namespace {

// The blends below work on two pixels at once, one in lanes 0..3 and one in lanes 4..7, each with
// its own axis weight: f holds each pixel's f in its four lanes, rest 256 - f.

// SMOOTH. diag (256 - f) + axis f <= 255 * 256 fits a 16-bit lane; its product with a <= 32768
// and p b are rebuilt as 32-bit lanes from the low and high halves of the 16-bit multiplies. The
// fourth lane of each pixel is cleared.
struct SmoothLanes {
  __m128i a;
  __m128i b;
  __m128i keepColour;
  explicit SmoothLanes(RadialWeights weights)
      : a(fx_lanes::splat16(weights.a)),
        b(fx_lanes::splat16(weights.b)),
        keepColour(_mm_set_epi16(0, -1, -1, -1, 0, -1, -1, -1)) {}

  __m128i operator()(__m128i p, __m128i axis, __m128i diag, __m128i f, __m128i rest) const {
    const __m128i ray = _mm_add_epi16(_mm_mullo_epi16(diag, rest), _mm_mullo_epi16(axis, f));
    const __m128i rayLow = _mm_mullo_epi16(ray, a), rayHigh = _mm_mulhi_epu16(ray, a);
    const __m128i pLow = _mm_mullo_epi16(p, b), pHigh = _mm_mulhi_epu16(p, b);
    const auto sum = [](__m128i rayA, __m128i pB) {
      return _mm_srli_epi32(_mm_add_epi32(_mm_srli_epi32(rayA, 8), pB), 14);
    };
    const __m128i first = sum(_mm_unpacklo_epi16(rayLow, rayHigh), _mm_unpacklo_epi16(pLow, pHigh));
    const __m128i second =
        sum(_mm_unpackhi_epi16(rayLow, rayHigh), _mm_unpackhi_epi16(pLow, pHigh));
    const __m128i c = _mm_min_epi16(_mm_packs_epi32(first, second), _mm_set1_epi16(255));
    return _mm_and_si128(c, keepColour);
  }
};

// FAST. i <= 32640 and a <= 512, so i a < 2^24 and (i a) >> 8 = (high half << 8) | (low half >>
// 8) fits a lane; p b <= 65280.
struct FastLanes {
  __m128i a;
  __m128i b;
  explicit FastLanes(RadialWeights weights)
      : a(fx_lanes::splat16(weights.a)), b(fx_lanes::splat16(weights.b)) {}

  __m128i operator()(__m128i p, __m128i axis, __m128i diag, __m128i f, __m128i rest) const {
    const __m128i ray =
        _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(axis, f), _mm_mullo_epi16(diag, rest)), 1);
    const __m128i rayA = _mm_or_si128(_mm_slli_epi16(_mm_mulhi_epu16(ray, a), 8),
                                      _mm_srli_epi16(_mm_mullo_epi16(ray, a), 8));
    const __m128i sum = _mm_adds_epu16(_mm_mullo_epi16(p, b), rayA);
    return _mm_srli_epi16(sum, 8);
  }
};

// f in the four lanes of one pixel (the others hold it too, unused), and 256 - f.
struct Weight {
  __m128i f;
  __m128i rest;
  explicit Weight(uint32_t value)
      : f(fx_lanes::splat16(value)), rest(fx_lanes::splat16(256u - value)) {}
  // The first pixel's weight in lanes 0..3, the second's in lanes 4..7.
  Weight(uint32_t first, uint32_t second)
      : f(_mm_unpacklo_epi64(fx_lanes::splat16(first), fx_lanes::splat16(second))),
        rest(_mm_sub_epi16(fx_lanes::splat16(256), f)) {}
};

// The pixels with a <= b read the previous row only; the others chain along the row, so the last
// result stays in a register as the next axis neighbour.
template <class Blend>
void radialRowLanes(const Blend& blend, uint32_t* pRow0, const uint32_t* pPrev0, const uint16_t* pF,
                    int32_t step, int32_t b, int32_t aBegin, int32_t aEnd) {
  using fx_lanes::widen1;
  const ptrdiff_t splitAt = std::min<ptrdiff_t>(static_cast<ptrdiff_t>(b) + 1, aEnd);
  ptrdiff_t a = aBegin;
  for (; a < splitAt; ++a) {
    const ptrdiff_t at = step * a;
    const Weight w(pF[a]);
    const __m128i c =
        blend(widen1(pRow0[at]), widen1(pPrev0[at]), widen1(pPrev0[at - step]), w.f, w.rest);
    pRow0[at] = fx_lanes::narrow1(c);
  }
  if (a >= aEnd) return;
  __m128i axis = widen1(pRow0[step * (a - 1)]);
  for (; a < aEnd; ++a) {
    const ptrdiff_t at = step * a;
    const Weight w(pF[a]);
    axis = blend(widen1(pRow0[at]), axis, widen1(pPrev0[at - step]), w.f, w.rest);
    pRow0[at] = fx_lanes::narrow1(axis);
  }
}

// Rows b and b + 1 (pNext0, whose previous row is pRow0). Up to a = b + 1 and b + 2 they are
// done one after the other as single rows: there each pixel reads the row before it, finished.
// From a = b + 2 on both chain along their rows, and pixel a of row b + 1 needs, besides its own
// row, only pixel a - 1 of row b: the two rows go on side by side, one pixel each per step in the
// two halves of a register, so that two chains of multiplies overlap.
template <class Blend>
void radialRowPairLanes(const Blend& blend, uint32_t* pRow0, const uint32_t* pPrev0,
                        const uint16_t* pF, uint32_t* pNext0, const uint16_t* pNextF, int32_t step,
                        int32_t b, int32_t aBegin, int32_t aEnd) {
  const ptrdiff_t pairFrom =
      std::clamp<ptrdiff_t>(static_cast<ptrdiff_t>(b) + 2, aBegin, std::max(aBegin, aEnd));
  radialRowLanes(blend, pRow0, pPrev0, pF, step, b, aBegin, static_cast<int32_t>(pairFrom));
  radialRowLanes(blend, pNext0, pRow0, pNextF, step, b + 1, aBegin, static_cast<int32_t>(pairFrom));
  const auto both = [](uint32_t first, uint32_t second) {
    return _mm_unpacklo_epi8(_mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int32_t>(first)),
                                                _mm_cvtsi32_si128(static_cast<int32_t>(second))),
                             fx_lanes::zero());
  };
  ptrdiff_t a = pairFrom;
  if (a >= aEnd) return;
  // Pixel a - 1 of both rows: each one's axis neighbour, and row b's the diagonal one of row
  // b + 1.
  __m128i axis = both(pRow0[step * (a - 1)], pNext0[step * (a - 1)]);
  for (; a < aEnd; ++a) {
    const ptrdiff_t at = step * a;
    const __m128i diag = _mm_unpacklo_epi64(fx_lanes::widen1(pPrev0[at - step]), axis);
    const Weight w(pF[a], pNextF[a]);
    axis = blend(both(pRow0[at], pNext0[at]), axis, diag, w.f, w.rest);
    const __m128i packed = _mm_packus_epi16(axis, axis);
    pRow0[at] = static_cast<uint32_t>(_mm_cvtsi128_si32(packed));
    pNext0[at] = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(packed, 4)));
  }
}

}  // namespace
#endif  // FX_HAS_SSE2

void radialRow(RadialMode mode, RadialWeights weights, uint32_t* pRow0, const uint32_t* pPrev0,
               const uint16_t* pF, int32_t step, int32_t b, int32_t aBegin, int32_t aEnd) {
#if FX_HAS_SSE2
  if (mode == RadialMode::Smooth)
    return radialRowLanes(SmoothLanes(weights), pRow0, pPrev0, pF, step, b, aBegin, aEnd);
  if (mode == RadialMode::Fast)
    return radialRowLanes(FastLanes(weights), pRow0, pPrev0, pF, step, b, aBegin, aEnd);
#endif
  scalar::radialRow(mode, weights, pRow0, pPrev0, pF, step, b, aBegin, aEnd);
}

void radialRowPair(RadialMode mode, RadialWeights weights, uint32_t* pRow0, const uint32_t* pPrev0,
                   const uint16_t* pF, uint32_t* pNext0, const uint16_t* pNextF, int32_t step,
                   int32_t b, int32_t aBegin, int32_t aEnd) {
#if FX_HAS_SSE2
  if (mode == RadialMode::Smooth) {
    return radialRowPairLanes(SmoothLanes(weights), pRow0, pPrev0, pF, pNext0, pNextF, step, b,
                              aBegin, aEnd);
  }
  if (mode == RadialMode::Fast) {
    return radialRowPairLanes(FastLanes(weights), pRow0, pPrev0, pF, pNext0, pNextF, step, b,
                              aBegin, aEnd);
  }
#endif
  scalar::radialRow(mode, weights, pRow0, pPrev0, pF, step, b, aBegin, aEnd);
  scalar::radialRow(mode, weights, pNext0, pRow0, pNextF, step, b + 1, aBegin, aEnd);
}

}  // namespace packed
}  // namespace fx_kernels
