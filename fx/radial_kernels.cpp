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

// SMOOTH on the four lanes of one pixel. diag (256 - f) + axis f <= 255 * 256 fits a 16-bit lane;
// its product with a <= 32768 and p b are rebuilt as 32-bit lanes from the low and high halves
// of the 16-bit multiplies. The fourth lane is cleared.
struct SmoothLanes {
  __m128i a;
  __m128i b;
  __m128i keepColour;
  explicit SmoothLanes(RadialWeights weights)
      : a(fx_lanes::splat16(weights.a)),
        b(fx_lanes::splat16(weights.b)),
        keepColour(_mm_set_epi16(0, 0, 0, 0, 0, -1, -1, -1)) {}

  __m128i operator()(__m128i p, __m128i axis, __m128i diag, uint32_t f) const {
    const __m128i ray = _mm_add_epi16(_mm_mullo_epi16(diag, fx_lanes::splat16(256u - f)),
                                      _mm_mullo_epi16(axis, fx_lanes::splat16(f)));
    const __m128i rayA = _mm_unpacklo_epi16(_mm_mullo_epi16(ray, a), _mm_mulhi_epu16(ray, a));
    const __m128i pB = _mm_unpacklo_epi16(_mm_mullo_epi16(p, b), _mm_mulhi_epu16(p, b));
    const __m128i sum = _mm_srli_epi32(_mm_add_epi32(_mm_srli_epi32(rayA, 8), pB), 14);
    const __m128i c = _mm_min_epi16(_mm_packs_epi32(sum, sum), _mm_set1_epi16(255));
    return _mm_and_si128(c, keepColour);
  }
};

// FAST on the four lanes of one pixel. i <= 32640 and a <= 512, so i a < 2^24 and
// (i a) >> 8 = (high half << 8) | (low half >> 8) fits a lane; p b <= 65280.
struct FastLanes {
  __m128i a;
  __m128i b;
  explicit FastLanes(RadialWeights weights)
      : a(fx_lanes::splat16(weights.a)), b(fx_lanes::splat16(weights.b)) {}

  __m128i operator()(__m128i p, __m128i axis, __m128i diag, uint32_t f) const {
    const __m128i ray =
        _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(axis, fx_lanes::splat16(f)),
                                     _mm_mullo_epi16(diag, fx_lanes::splat16(256u - f))),
                       1);
    const __m128i rayA = _mm_or_si128(_mm_slli_epi16(_mm_mulhi_epu16(ray, a), 8),
                                      _mm_srli_epi16(_mm_mullo_epi16(ray, a), 8));
    const __m128i sum = _mm_adds_epu16(_mm_mullo_epi16(p, b), rayA);
    return _mm_srli_epi16(sum, 8);
  }
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
    const __m128i c =
        blend(widen1(pRow0[at]), widen1(pPrev0[at]), widen1(pPrev0[at - step]), pF[a]);
    pRow0[at] = fx_lanes::narrow1(c);
  }
  if (a >= aEnd) return;
  __m128i axis = widen1(pRow0[step * (a - 1)]);
  for (; a < aEnd; ++a) {
    const ptrdiff_t at = step * a;
    axis = blend(widen1(pRow0[at]), axis, widen1(pPrev0[at - step]), pF[a]);
    pRow0[at] = fx_lanes::narrow1(axis);
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

}  // namespace packed
}  // namespace fx_kernels
