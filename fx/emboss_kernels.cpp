// Emboss rows: per column the sum of three rows (signed 16-bit saturating lanes), and per pixel
// the difference of the sums one column to the right and one to the left.

#include <algorithm>
#include <cstddef>

#include "fx/fx_kernels_p.h"
#include "fx/lanes_p.h"

namespace fx_kernels {
namespace {

constexpr int32_t byteOf(uint32_t pixel, int i) {
  return static_cast<int32_t>((pixel >> (8 * i)) & 0xFFu);
}

int16_t saturate16(int32_t v) {
  return static_cast<int16_t>(std::clamp(v, -32768, 32767));
}

// clamp(G + 128, 0, 255) with G = sums[x + 2] - sums[x] taken as saturating 16-bit steps.
int32_t reliefByte(const int16_t* pSums, ptrdiff_t x, int i) {
  const int32_t g = saturate16(pSums[4 * (x + 2) + i] - pSums[4 * x + i]);
  return std::clamp(static_cast<int32_t>(saturate16(g + 128)), 0, 255);
}

}  // namespace

namespace scalar {

void addSpanToSums(int16_t* pSums, const uint32_t* pWords, int32_t count) {
  for (ptrdiff_t j = 0; j < count; ++j)
    for (int i = 0; i < 4; ++i)
      pSums[4 * j + i] = saturate16(pSums[4 * j + i] + byteOf(pWords[j], i));
}

void subSpanFromSums(int16_t* pSums, const uint32_t* pWords, int32_t count) {
  for (ptrdiff_t j = 0; j < count; ++j)
    for (int i = 0; i < 4; ++i)
      pSums[4 * j + i] = saturate16(pSums[4 * j + i] - byteOf(pWords[j], i));
}

void embossRow(const int16_t* pSums, uint32_t* pDst, int32_t width) {
  for (ptrdiff_t x = 0; x < width; ++x) {
    uint32_t out = 0;
    for (int i = 0; i < 4; ++i)
      out |= static_cast<uint32_t>(reliefByte(pSums, x, i)) << (8 * i);
    pDst[x] = out;
  }
}

void shadeRow(const int16_t* pSums, const uint32_t* pInput, uint32_t* pDst, int32_t width,
              int32_t level) {
  for (ptrdiff_t x = 0; x < width; ++x) {
    const int32_t e = (5 * reliefByte(pSums, x, 0) + 16 * reliefByte(pSums, x, 1) +
                       11 * reliefByte(pSums, x, 2)) >>
                      5;
    const int32_t k = ((e - 128) * level) >> 8;  // arithmetic shift: rounds toward -infinity
    uint32_t out = 0;
    for (int i = 0; i < 4; ++i)
      out |= static_cast<uint32_t>(std::clamp(byteOf(pInput[x], i) + k, 0, 255)) << (8 * i);
    pDst[x] = out;
  }
}

}  // namespace scalar

namespace packed {

#if FX_HAS_SSE2
namespace {

// Relief lanes of two pixels: G + 128 with signed saturation (packus later clamps to 0..255).
inline __m128i relief2(const int16_t* pSums, ptrdiff_t x) {
  const __m128i g =
      _mm_subs_epi16(fx_lanes::load8x16(pSums + 4 * (x + 2)), fx_lanes::load8x16(pSums + 4 * x));
  return _mm_adds_epi16(g, _mm_set1_epi16(128));
}
inline __m128i relief1(const int16_t* pSums, ptrdiff_t x) {
  const __m128i g =
      _mm_subs_epi16(fx_lanes::load4x16(pSums + 4 * (x + 2)), fx_lanes::load4x16(pSums + 4 * x));
  return _mm_adds_epi16(g, _mm_set1_epi16(128));
}

// k of two pixels, each broadcast to its four lanes. E is clamped to 0..255 in 16-bit lanes; one
// multiply-add against (5, 16, 11, 0) gives 5 blue + 16 green and 11 red in two 32-bit lanes per
// pixel, swapped and added to make e; (e - 128) level fits 16 bits (-32640..32385).
inline __m128i shadeTerm2(__m128i relief, __m128i level) {
  const __m128i e16 =
      _mm_min_epi16(_mm_max_epi16(relief, _mm_setzero_si128()), _mm_set1_epi16(255));
  const __m128i products = _mm_madd_epi16(e16, _mm_set_epi16(0, 11, 16, 5, 0, 11, 16, 5));
  const __m128i sums =
      _mm_add_epi32(products, _mm_shuffle_epi32(products, _MM_SHUFFLE(2, 3, 0, 1)));
  const __m128i e = _mm_srli_epi32(sums, 5);       // e0 e0 e1 e1
  const __m128i e16Pairs = _mm_packs_epi32(e, e);  // e0 e0 e1 e1 ...
  const __m128i eLanes = _mm_shufflehi_epi16(_mm_shufflelo_epi16(e16Pairs, 0), 0xAA);
  const __m128i centred = _mm_sub_epi16(eLanes, _mm_set1_epi16(128));
  return _mm_srai_epi16(_mm_mullo_epi16(centred, level), 8);
}

}  // namespace
#endif  // FX_HAS_SSE2

void addSpanToSums(int16_t* pSums, const uint32_t* pWords, int32_t count) {
#if FX_HAS_SSE2
  ptrdiff_t j = 0;
  for (; j + 2 <= count; j += 2)
    fx_lanes::store8x16(pSums + 4 * j, _mm_adds_epi16(fx_lanes::load8x16(pSums + 4 * j),
                                                      fx_lanes::widen2(pWords + j)));
  if (j < count)
    fx_lanes::store4x16(pSums + 4 * j, _mm_adds_epi16(fx_lanes::load4x16(pSums + 4 * j),
                                                      fx_lanes::widen1(pWords[j])));
#else
  scalar::addSpanToSums(pSums, pWords, count);
#endif
}

void subSpanFromSums(int16_t* pSums, const uint32_t* pWords, int32_t count) {
#if FX_HAS_SSE2
  ptrdiff_t j = 0;
  for (; j + 2 <= count; j += 2)
    fx_lanes::store8x16(pSums + 4 * j, _mm_subs_epi16(fx_lanes::load8x16(pSums + 4 * j),
                                                      fx_lanes::widen2(pWords + j)));
  if (j < count)
    fx_lanes::store4x16(pSums + 4 * j, _mm_subs_epi16(fx_lanes::load4x16(pSums + 4 * j),
                                                      fx_lanes::widen1(pWords[j])));
#else
  scalar::subSpanFromSums(pSums, pWords, count);
#endif
}

void embossRow(const int16_t* pSums, uint32_t* pDst, int32_t width) {
#if FX_HAS_SSE2
  ptrdiff_t x = 0;
  for (; x + 2 <= width; x += 2)
    fx_lanes::narrow2(pDst + x, relief2(pSums, x));
  if (x < width) pDst[x] = fx_lanes::narrow1(relief1(pSums, x));
#else
  scalar::embossRow(pSums, pDst, width);
#endif
}

void shadeRow(const int16_t* pSums, const uint32_t* pInput, uint32_t* pDst, int32_t width,
              int32_t level) {
#if FX_HAS_SSE2
  if (level < 0 || level > 255) return scalar::shadeRow(pSums, pInput, pDst, width, level);
  const __m128i levelLanes = _mm_set1_epi16(static_cast<int16_t>(level));
  ptrdiff_t x = 0;
  for (; x + 2 <= width; x += 2) {
    const __m128i k = shadeTerm2(relief2(pSums, x), levelLanes);
    fx_lanes::narrow2(pDst + x, _mm_add_epi16(fx_lanes::widen2(pInput + x), k));
  }
  if (x < width) {
    const __m128i k = shadeTerm2(relief1(pSums, x), levelLanes);
    pDst[x] = fx_lanes::narrow1(_mm_add_epi16(fx_lanes::widen1(pInput[x]), k));
  }
#else
  scalar::shadeRow(pSums, pInput, pDst, width, level);
#endif
}

}  // namespace packed
}  // namespace fx_kernels
