#pragma once
// The lane helpers of the image kernels: four packed pixels in one SSE2 register (always there on
// x86-64). Kernels test IMAGE_HAS_SSE2 and keep a scalar path for other targets.

#include <cstddef>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#define IMAGE_HAS_SSE2 1
#else
#define IMAGE_HAS_SSE2 0
#endif

// Everything inline in the image kernel headers lives in an inline namespace named after the
// instruction set of the file that includes them: a file built with -mavx2 gets its own copies of
// every inline function and template, so the linker never hands AVX2 code to the baseline path.
#if defined(__AVX2__)
#include <immintrin.h>
#define IMAGE_HAS_AVX2 1
#define IMAGE_KERNEL_ISA isa_avx2
#else
#define IMAGE_HAS_AVX2 0
#define IMAGE_KERNEL_ISA isa_baseline
#endif

namespace simd {
inline namespace IMAGE_KERNEL_ISA {

// Pixels handled per vector step.
inline constexpr size_t kPixelsPerVector = 4;

#if IMAGE_HAS_SSE2

using Pixels4 = __m128i;

inline Pixels4 load4(const uint32_t* pSrc) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(pSrc));
}
inline void store4(uint32_t* pDst, Pixels4 v) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(pDst), v);
}
// The same 32-bit word in the four lanes.
inline Pixels4 splat(uint32_t word) {
  return _mm_set1_epi32(static_cast<int32_t>(word));
}

// Per byte min(a + b, 255) and max(a - b, 0): unsigned saturation, no carry between bytes.
inline Pixels4 addSaturate(Pixels4 a, Pixels4 b) {
  return _mm_adds_epu8(a, b);
}
inline Pixels4 subSaturate(Pixels4 a, Pixels4 b) {
  return _mm_subs_epu8(a, b);
}
inline Pixels4 bitAnd(Pixels4 a, Pixels4 b) {
  return _mm_and_si128(a, b);
}
inline Pixels4 bitXor(Pixels4 a, Pixels4 b) {
  return _mm_xor_si128(a, b);
}

// Grey level of each pixel in its 32-bit lane: (5 blue + 16 green + 11 red) >> 5, taken as
// (16 * sum) >> 9 so that green needs no shift: 16 * sum = 80 blue + 256 green + 176 red, and
// 256 green is the pixel masked with 0x0000FF00. Masking with 0x00FF00FF leaves two 16-bit lanes
// (blue, red) per pixel; one multiply-add against (80, 176) gives 80 blue + 176 red in the 32-bit
// lane. 16 * sum <= 16 * 32 * 255 = 130560 fits the lane. Five instructions (and, and, pmaddwd,
// add, shift) where (sum >> 5) with green shifted down from its byte takes six.
inline Pixels4 gray(Pixels4 p) {
  const __m128i blueRed = _mm_and_si128(p, _mm_set1_epi32(0x00FF00FF));
  const __m128i green256 = _mm_and_si128(p, _mm_set1_epi32(0x0000FF00));
  const __m128i sum16 =
      _mm_add_epi32(_mm_madd_epi16(blueRed, _mm_set1_epi32((176 << 16) | 80)), green256);
  return _mm_srli_epi32(sum16, 9);
}

// A byte value 0..255 in each 32-bit lane copied into all four bytes of the lane: v * 0x01010101.
// A multiply-add against the words (0x0101, 0) makes the low word v v (the high word of v is 0, so
// the lane is v * 0x0101); the two word shuffles then copy word 0 of each lane over word 1. Three
// instructions. pmaddwd rather than pmullw: GCC rewrites pmullw by 0x0101 as shift plus add.
inline Pixels4 broadcastByte(Pixels4 v) {
  const __m128i low = _mm_madd_epi16(v, _mm_set1_epi32(0x0101));
  return _mm_shufflehi_epi16(_mm_shufflelo_epi16(low, _MM_SHUFFLE(2, 2, 0, 0)),
                             _MM_SHUFFLE(2, 2, 0, 0));
}

// Shifts every 32-bit lane left by a run-time count (0..31).
inline Pixels4 shiftLeft32(Pixels4 v, int count) {
  return _mm_sll_epi32(v, _mm_cvtsi32_si128(count));
}

#endif  // IMAGE_HAS_SSE2

}  // namespace IMAGE_KERNEL_ISA
}  // namespace simd
