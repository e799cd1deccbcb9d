// Box blur rows: running channel sums in unsigned 16-bit saturating lanes, so the cost per pixel
// does not depend on the window length.

#include <algorithm>
#include <cstddef>

#include "fx/fx_kernels_p.h"
#include "fx/lanes_p.h"

namespace fx_kernels {
namespace {

constexpr uint32_t kSumMax = 65535;
// Windows of up to 2 * 128 pixels never reach kSumMax (256 * 255 = 65280).
constexpr int64_t kExactHalf = 128;
static_assert(2 * kExactHalf * 255 <= kSumMax);

constexpr uint32_t byteOf(uint32_t pixel, int i) {
  return (pixel >> (8 * i)) & 0xFFu;
}

// sum >> shift, or (sum * multiplier) >> shift.
uint32_t average(uint32_t sum, BlurDivider divider) {
  if (divider.shift < 0) return 0;
  if (divider.powerOfTwo) return divider.shift >= 32 ? 0 : sum >> divider.shift;
  if (divider.shift >= 64) return 0;
  return static_cast<uint32_t>((static_cast<uint64_t>(sum) * divider.multiplier) >> divider.shift);
}

// v, min(p + v, 255) or max(p - v, 0) for one byte.
uint32_t drawByte(uint32_t p, uint32_t v, BlurDraw draw) {
  switch (draw) {
    case BlurDraw::Normal:
      return v;
    case BlurDraw::TransAdd:
      return std::min(p + v, 255u);
    case BlurDraw::TransSub:
      return p - std::min(p, v);
  }
  return p;
}

struct ChannelSums {
  uint32_t lane[4] = {0, 0, 0, 0};

  // min(s + b, 65535) per channel
  void add(uint32_t pixel) {
    for (int i = 0; i < 4; ++i)
      lane[i] = std::min(lane[i] + byteOf(pixel, i), kSumMax);
  }
  // max(s - b, 0) per channel
  void subtract(uint32_t pixel) {
    for (int i = 0; i < 4; ++i)
      lane[i] -= std::min(lane[i], byteOf(pixel, i));
  }
  // Each channel: v = min(average, 255) combined with the input byte.
  uint32_t draw(uint32_t input, BlurDivider divider, BlurDraw mode) const {
    uint32_t out = 0;
    for (int i = 0; i < 4; ++i) {
      const uint32_t v = std::min(average(lane[i], divider), 255u);
      out |= drawByte(byteOf(input, i), v, mode) << (8 * i);
    }
    return out;
  }
};

}  // namespace

namespace scalar {

void blurRow(const uint32_t* pSrc, uint32_t* pDst, int32_t width, int32_t half, BlurDivider divider,
             BlurDraw draw) {
  ChannelSums sums;
  const int64_t w = width;
  const int64_t h = half;
  for (int64_t x = 0; x < std::min(h, w); ++x)
    sums.add(pSrc[x]);
  for (int64_t x = 0; x < w; ++x) {
    if (x >= h) sums.subtract(pSrc[x - h]);
    if (x + h < w) sums.add(pSrc[x + h]);
    pDst[x] = sums.draw(pSrc[x], divider, draw);
  }
}

void addRowToSums(uint16_t* pSums, const uint32_t* pRow, int32_t width) {
  for (ptrdiff_t x = 0; x < width; ++x)
    for (int i = 0; i < 4; ++i) {
      uint16_t& s = pSums[4 * x + i];
      s = static_cast<uint16_t>(std::min(s + byteOf(pRow[x], i), kSumMax));
    }
}

void blurColumnsStep(uint16_t* pSums, const uint32_t* pLeaving, const uint32_t* pEntering,
                     const uint32_t* pInput, uint32_t* pDst, int32_t width, BlurDivider divider,
                     BlurDraw draw) {
  for (ptrdiff_t x = 0; x < width; ++x) {
    ChannelSums sums;
    for (int i = 0; i < 4; ++i)
      sums.lane[i] = pSums[4 * x + i];
    if (pLeaving) sums.subtract(pLeaving[x]);
    if (pEntering) sums.add(pEntering[x]);
    for (int i = 0; i < 4; ++i)
      pSums[4 * x + i] = static_cast<uint16_t>(sums.lane[i]);
    pDst[x] = sums.draw(pInput[x], divider, draw);
  }
}

}  // namespace scalar

namespace packed {

#if FX_HAS_SSE2
namespace {

// The average as one multiply-high and one shift for every divider:
//   sum >> k           = mulhi(sum, 2^(16 - k))                for k <= 16,
//   (sum m) >> k       = mulhi(sum, m 2^(16 - k))              for k <= 16,
//   (sum m) >> k       = mulhi(sum, m) >> (k - 16)             for k > 16,
// exact because a floor of a floor by powers of two is one floor. The multiplier path has
// m <= 256 and k >= 9, so m 2^(16 - k) <= 2^15 fits a lane.
struct LaneDivider {
  __m128i multiplier;
  __m128i shift;
};

bool makeLaneDivider(BlurDivider divider, LaneDivider& out) {
  const uint64_t m = divider.powerOfTwo ? 1u : divider.multiplier;
  if (divider.shift < 0 || divider.shift >= 64) return false;
  uint64_t laneMultiplier = m;
  int32_t laneShift = divider.shift - 16;
  if (divider.shift <= 16) {
    laneMultiplier = m << (16 - divider.shift);
    laneShift = 0;
  }
  if (laneMultiplier > 0xFFFFu) return false;
  out.multiplier = fx_lanes::splat16(static_cast<uint32_t>(laneMultiplier));
  out.shift = _mm_cvtsi32_si128(laneShift);
  return true;
}

inline __m128i averageLanes(__m128i sums, const LaneDivider& divider) {
  return _mm_srl_epi16(_mm_mulhi_epu16(sums, divider.multiplier), divider.shift);
}

// The combination on packed bytes v (the averages are at most 16383, so packus is exact).
template <BlurDraw kDraw>
inline __m128i drawPacked(__m128i input, __m128i v) {
  if constexpr (kDraw == BlurDraw::Normal) {
    (void)input;
    return v;
  } else if constexpr (kDraw == BlurDraw::TransAdd) {
    return _mm_adds_epu8(input, v);
  } else {
    return _mm_subs_epu8(input, v);
  }
}
template <BlurDraw kDraw>
inline __m128i drawBytes(__m128i input, __m128i average16) {
  return drawPacked<kDraw>(input, _mm_packus_epi16(average16, average16));
}

template <BlurDraw kDraw>
inline uint32_t drawPixel(uint32_t input, __m128i sums, const LaneDivider& divider) {
  const __m128i in = _mm_cvtsi32_si128(static_cast<int32_t>(input));
  return static_cast<uint32_t>(
      _mm_cvtsi128_si32(drawBytes<kDraw>(in, averageLanes(sums, divider))));
}

// The row in three runs so no test is left in the x loops: [0, e1) only adds the entering pixel,
// the middle run subtracts and adds (or, for rows not longer than the window, does neither),
// the last run only subtracts.
template <BlurDraw kDraw>
void blurRowLanes(const uint32_t* pSrc, uint32_t* pDst, int32_t width, int32_t half,
                  const LaneDivider& divider) {
  using fx_lanes::widen1;
  const int64_t w = width;
  const int64_t h = half;
  __m128i sums = _mm_setzero_si128();
  const int64_t first = std::min(h, w);
  for (int64_t x = 0; x < first; ++x)
    sums = _mm_adds_epu16(sums, widen1(pSrc[x]));
  const int64_t addOnlyEnd = std::max<int64_t>(0, std::min(h, w - h));
  for (int64_t x = 0; x < addOnlyEnd; ++x) {
    sums = _mm_adds_epu16(sums, widen1(pSrc[x + h]));
    pDst[x] = drawPixel<kDraw>(pSrc[x], sums, divider);
  }
  if (w - h > h) {
    int64_t x = h;
    if (h <= kExactHalf) {
      // No lane can saturate, so the sums are exact and wrapping 16-bit arithmetic gives the same
      // values: the differences entering - leaving of four pixels are made at once and summed
      // as a prefix, leaving one add and one shuffle per four pixels on the dependency chain.
      __m128i running = _mm_unpacklo_epi64(sums, sums);
      for (; x + 4 <= w - h; x += 4) {
        const __m128i d01 =
            _mm_sub_epi16(fx_lanes::widen2(pSrc + x + h), fx_lanes::widen2(pSrc + x - h));
        const __m128i d23 =
            _mm_sub_epi16(fx_lanes::widen2(pSrc + x + h + 2), fx_lanes::widen2(pSrc + x - h + 2));
        const __m128i p01 = _mm_add_epi16(d01, _mm_slli_si128(d01, 8));
        const __m128i p23 =
            _mm_add_epi16(_mm_add_epi16(d23, _mm_slli_si128(d23, 8)), _mm_unpackhi_epi64(p01, p01));
        const __m128i s01 = _mm_add_epi16(running, p01);
        const __m128i s23 = _mm_add_epi16(running, p23);
        running = _mm_unpackhi_epi64(s23, s23);
        const __m128i v = _mm_packus_epi16(averageLanes(s01, divider), averageLanes(s23, divider));
        const __m128i in = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pSrc + x));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(pDst + x), drawPacked<kDraw>(in, v));
      }
      sums = running;
    }
    // Two outputs per step: the sums of x and x + 1 are made one after the other (the order of
    // the saturating steps matters), then averaged, packed and drawn together.
    for (; x + 2 <= w - h; x += 2) {
      const __m128i leaving = fx_lanes::widen2(pSrc + x - h);
      const __m128i entering = fx_lanes::widen2(pSrc + x + h);
      const __m128i first = _mm_adds_epu16(_mm_subs_epu16(sums, leaving), entering);
      sums = _mm_adds_epu16(_mm_subs_epu16(first, _mm_srli_si128(leaving, 8)),
                            _mm_srli_si128(entering, 8));
      const __m128i both = _mm_unpacklo_epi64(first, sums);
      const __m128i in = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(pSrc + x));
      _mm_storel_epi64(reinterpret_cast<__m128i*>(pDst + x),
                       drawBytes<kDraw>(in, averageLanes(both, divider)));
    }
    for (; x < w - h; ++x) {
      sums = _mm_subs_epu16(sums, widen1(pSrc[x - h]));
      sums = _mm_adds_epu16(sums, widen1(pSrc[x + h]));
      pDst[x] = drawPixel<kDraw>(pSrc[x], sums, divider);
    }
  } else {
    for (int64_t x = std::max<int64_t>(0, w - h); x < first; ++x)
      pDst[x] = drawPixel<kDraw>(pSrc[x], sums, divider);
  }
  for (int64_t x = std::max(h, w - h); x < w; ++x) {
    sums = _mm_subs_epu16(sums, widen1(pSrc[x - h]));
    pDst[x] = drawPixel<kDraw>(pSrc[x], sums, divider);
  }
}

// Two columns per step (eight lanes), one more for an odd width.
template <BlurDraw kDraw, bool kLeaving, bool kEntering>
void blurColumnsLanes(uint16_t* pSums, const uint32_t* pLeaving, const uint32_t* pEntering,
                      const uint32_t* pInput, uint32_t* pDst, int32_t width,
                      const LaneDivider& divider) {
  ptrdiff_t x = 0;
  for (; x + 2 <= width; x += 2) {
    __m128i sums = fx_lanes::load8x16(pSums + 4 * x);
    if constexpr (kLeaving) sums = _mm_subs_epu16(sums, fx_lanes::widen2(pLeaving + x));
    if constexpr (kEntering) sums = _mm_adds_epu16(sums, fx_lanes::widen2(pEntering + x));
    fx_lanes::store8x16(pSums + 4 * x, sums);
    const __m128i in = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(pInput + x));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(pDst + x),
                     drawBytes<kDraw>(in, averageLanes(sums, divider)));
  }
  if (x < width) {
    __m128i sums = fx_lanes::load4x16(pSums + 4 * x);
    if constexpr (kLeaving) sums = _mm_subs_epu16(sums, fx_lanes::widen1(pLeaving[x]));
    if constexpr (kEntering) sums = _mm_adds_epu16(sums, fx_lanes::widen1(pEntering[x]));
    fx_lanes::store4x16(pSums + 4 * x, sums);
    pDst[x] = drawPixel<kDraw>(pInput[x], sums, divider);
  }
}

template <bool kLeaving, bool kEntering>
void blurColumnsForDraw(uint16_t* pSums, const uint32_t* pLeaving, const uint32_t* pEntering,
                        const uint32_t* pInput, uint32_t* pDst, int32_t width,
                        const LaneDivider& divider, BlurDraw draw) {
  switch (draw) {
    case BlurDraw::Normal:
      return blurColumnsLanes<BlurDraw::Normal, kLeaving, kEntering>(pSums, pLeaving, pEntering,
                                                                     pInput, pDst, width, divider);
    case BlurDraw::TransAdd:
      return blurColumnsLanes<BlurDraw::TransAdd, kLeaving, kEntering>(
          pSums, pLeaving, pEntering, pInput, pDst, width, divider);
    case BlurDraw::TransSub:
      return blurColumnsLanes<BlurDraw::TransSub, kLeaving, kEntering>(
          pSums, pLeaving, pEntering, pInput, pDst, width, divider);
  }
}

}  // namespace
#endif  // FX_HAS_SSE2

void blurRow(const uint32_t* pSrc, uint32_t* pDst, int32_t width, int32_t half, BlurDivider divider,
             BlurDraw draw) {
#if FX_HAS_SSE2
  LaneDivider lanes{};
  if (makeLaneDivider(divider, lanes)) {
    switch (draw) {
      case BlurDraw::Normal:
        return blurRowLanes<BlurDraw::Normal>(pSrc, pDst, width, half, lanes);
      case BlurDraw::TransAdd:
        return blurRowLanes<BlurDraw::TransAdd>(pSrc, pDst, width, half, lanes);
      case BlurDraw::TransSub:
        return blurRowLanes<BlurDraw::TransSub>(pSrc, pDst, width, half, lanes);
    }
  }
#endif
  scalar::blurRow(pSrc, pDst, width, half, divider, draw);
}

void addRowToSums(uint16_t* pSums, const uint32_t* pRow, int32_t width) {
#if FX_HAS_SSE2
  ptrdiff_t x = 0;
  for (; x + 2 <= width; x += 2)
    fx_lanes::store8x16(pSums + 4 * x, _mm_adds_epu16(fx_lanes::load8x16(pSums + 4 * x),
                                                      fx_lanes::widen2(pRow + x)));
  if (x < width)
    fx_lanes::store4x16(pSums + 4 * x, _mm_adds_epu16(fx_lanes::load4x16(pSums + 4 * x),
                                                      fx_lanes::widen1(pRow[x])));
#else
  scalar::addRowToSums(pSums, pRow, width);
#endif
}

void blurColumnsStep(uint16_t* pSums, const uint32_t* pLeaving, const uint32_t* pEntering,
                     const uint32_t* pInput, uint32_t* pDst, int32_t width, BlurDivider divider,
                     BlurDraw draw) {
#if FX_HAS_SSE2
  LaneDivider lanes{};
  const bool knownDraw =
      draw == BlurDraw::Normal || draw == BlurDraw::TransAdd || draw == BlurDraw::TransSub;
  if (knownDraw && makeLaneDivider(divider, lanes)) {
    if (pLeaving && pEntering)
      return blurColumnsForDraw<true, true>(pSums, pLeaving, pEntering, pInput, pDst, width, lanes,
                                            draw);
    if (pLeaving)
      return blurColumnsForDraw<true, false>(pSums, pLeaving, pEntering, pInput, pDst, width, lanes,
                                             draw);
    if (pEntering)
      return blurColumnsForDraw<false, true>(pSums, pLeaving, pEntering, pInput, pDst, width, lanes,
                                             draw);
    return blurColumnsForDraw<false, false>(pSums, pLeaving, pEntering, pInput, pDst, width, lanes,
                                            draw);
  }
#endif
  scalar::blurColumnsStep(pSums, pLeaving, pEntering, pInput, pDst, width, divider, draw);
}

}  // namespace packed
}  // namespace fx_kernels
