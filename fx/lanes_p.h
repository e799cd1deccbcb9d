#pragma once
// The lane helpers of the effect kernels: one pixel's four bytes widened to four 16-bit lanes
// (two pixels per SSE2 register). SSE2 is always there on x86-64; every kernel keeps a scalar path.

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#define FX_HAS_SSE2 1
#else
#define FX_HAS_SSE2 0
#endif

#if FX_HAS_SSE2
namespace fx_lanes {

inline __m128i zero() {
  return _mm_setzero_si128();
}
// One pixel in lanes 0..3 (blue, green, red, fourth), lanes 4..7 zero.
inline __m128i widen1(uint32_t pixel) {
  return _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int32_t>(pixel)), zero());
}
// Two consecutive pixels in lanes 0..3 and 4..7.
inline __m128i widen2(const uint32_t* pPixels) {
  return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(pPixels)), zero());
}
// Lanes 0..3 packed back to one pixel with unsigned saturation (lanes read as signed 16-bit).
inline uint32_t narrow1(__m128i lanes) {
  return static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(lanes, lanes)));
}
// Lanes 0..7 packed back to two pixels with unsigned saturation.
inline void narrow2(uint32_t* pPixels, __m128i lanes) {
  _mm_storel_epi64(reinterpret_cast<__m128i*>(pPixels), _mm_packus_epi16(lanes, lanes));
}
// Four or eight 16-bit lanes from memory and back.
inline __m128i load4x16(const void* p) {
  return _mm_loadl_epi64(static_cast<const __m128i*>(p));
}
inline void store4x16(void* p, __m128i v) {
  _mm_storel_epi64(static_cast<__m128i*>(p), v);
}
inline __m128i load8x16(const void* p) {
  return _mm_loadu_si128(static_cast<const __m128i*>(p));
}
inline void store8x16(void* p, __m128i v) {
  _mm_storeu_si128(static_cast<__m128i*>(p), v);
}
// The same 16-bit value (0..65535) in the eight lanes.
inline __m128i splat16(uint32_t value) {
  return _mm_set1_epi16(static_cast<int16_t>(static_cast<uint16_t>(value)));
}

}  // namespace fx_lanes
#endif
