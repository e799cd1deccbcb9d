// The AVX2 kernels: eight pixels per instruction. This is the only file built with -mavx2; its
// functions are reached only through kernelsFor(KernelPath::Avx2), which asks the CPU first, so
// the rest of the library stays baseline x86-64.
//
// Only <immintrin.h> and declarations are included here, never simd_p.h or a standard header with
// inline functions: an inline function compiled in this file carries AVX2 instructions, and the
// linker may keep that copy for the baseline files as well.

#include "image/pixel_kernels_p.h"

#if defined(__x86_64__) || defined(__i386__)

#include <immintrin.h>

namespace pixel_kernels::avx2 {
namespace {

using Pixels8 = __m256i;

constexpr size_t kPixelsPerVector = 8;

Pixels8 load8(const uint32_t* pSrc) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pSrc));
}
void store8(uint32_t* pDst, Pixels8 v) {
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(pDst), v);
}
Pixels8 splat8(uint32_t word) {
  return _mm256_set1_epi32(static_cast<int32_t>(word));
}

// 8 * (5 blue + 16 green + 11 red) in each 32-bit lane, two instructions:
// pmaddubsw multiplies the unsigned bytes (blue, green, red, fourth) by the signed bytes
// (5, 16, 11, 0), the word 0x000B1005, and adds neighbours, giving the words 5 blue + 16 green (<=
// 5355) and 11 red
// (<= 2805): no saturation. pmaddwd by (8, 8) adds the two words and scales by 8. Since
// 8 * 32 * 255 = 65280 < 65536, byte 1 of the lane is exactly the sum >> 5, the grey level, and
// bytes 2 and 3 are 0.
Pixels8 graySum8(Pixels8 p) {
  const Pixels8 weighted = _mm256_maddubs_epi16(p, splat8(0x000B1005u));
  return _mm256_madd_epi16(weighted, splat8(0x00080008u));
}

// pshufb control (the same in both 128-bit halves) that writes byte 1 of each pixel, the grey
// level, into the bytes of `byteMask` of the same pixel and 0 into the others (a control byte with
// its top bit set writes 0). Pixel i of a half starts at byte 4 i.
Pixels8 grayShuffle(uint32_t byteMask) {
  uint32_t words[4];
  for (uint32_t i = 0; i < 4; ++i)
    words[i] = (((4 * i + 1) * 0x01010101u) & byteMask) | (0x80808080u & ~byteMask);
  const __m128i half =
      _mm_setr_epi32(static_cast<int32_t>(words[0]), static_cast<int32_t>(words[1]),
                     static_cast<int32_t>(words[2]), static_cast<int32_t>(words[3]));
  return _mm256_broadcastsi128_si256(half);
}

// The operations as in pixel_kernels.cpp, with `pixels8` on eight packed pixels. The loop hands
// the fewer than eight pixels left over to the SSE2 kernel, which ends with its scalar loop.

struct Fill {
  Pixels8 color;
  Pixels8 pixels8(Pixels8) const { return color; }
};

struct DoubleIntensity {
  // min(2b, 255) per byte
  Pixels8 pixels8(Pixels8 p) const { return _mm256_adds_epu8(p, p); }
};

struct AddColor {
  Pixels8 color;
  // min(b + c, 255) per byte
  Pixels8 pixels8(Pixels8 p) const { return _mm256_adds_epu8(p, color); }
};

struct SubColor {
  Pixels8 color;
  // max(b - c, 0) per byte
  Pixels8 pixels8(Pixels8 p) const { return _mm256_subs_epu8(p, color); }
};

struct MaskPixel {
  Pixels8 color;
  Pixels8 pixels8(Pixels8 p) const { return _mm256_and_si256(p, color); }
};

struct Invert {
  // 255 - b is b XOR 0xFF for a byte.
  Pixels8 pixels8(Pixels8 p) const { return _mm256_xor_si256(p, splat8(0xFFFFFFFFu)); }
};

// Grey level into all four bytes (toGray) or into one byte with the others 0 (grayToChannel): the
// grey sum, then one byte shuffle. Three instructions per eight pixels.
struct GrayShuffled {
  Pixels8 control;
  Pixels8 pixels8(Pixels8 p) const { return _mm256_shuffle_epi8(graySum8(p), control); }
};

template <class Op, class Tail>
void apply(uint32_t* pPixels, size_t count, const Op& op, Tail tail) {
  constexpr size_t kStep = kPixelsPerVector;
  size_t i = 0;
  // Two vectors per turn: the loop counter and branch cost as much as a short kernel.
  for (; i + 2 * kStep <= count; i += 2 * kStep) {
    const Pixels8 first = op.pixels8(load8(pPixels + i));
    const Pixels8 second = op.pixels8(load8(pPixels + i + kStep));
    store8(pPixels + i, first);
    store8(pPixels + i + kStep, second);
  }
  if (i + kStep <= count) {
    store8(pPixels + i, op.pixels8(load8(pPixels + i)));
    i += kStep;
  }
  if (i < count) tail(pPixels + i, count - i);
}

}  // namespace

void fill(uint32_t* pPixels, size_t count, uint32_t color) {
  apply(pPixels, count, Fill{splat8(color)},
        [color](uint32_t* p, size_t n) { sse2::fill(p, n, color); });
}
void doubleIntensity(uint32_t* pPixels, size_t count) {
  apply(pPixels, count, DoubleIntensity{}, sse2::doubleIntensity);
}
void addColor(uint32_t* pPixels, size_t count, uint32_t color) {
  apply(pPixels, count, AddColor{splat8(color)},
        [color](uint32_t* p, size_t n) { sse2::addColor(p, n, color); });
}
void subColor(uint32_t* pPixels, size_t count, uint32_t color) {
  apply(pPixels, count, SubColor{splat8(color)},
        [color](uint32_t* p, size_t n) { sse2::subColor(p, n, color); });
}
void maskPixel(uint32_t* pPixels, size_t count, uint32_t color) {
  apply(pPixels, count, MaskPixel{splat8(color)},
        [color](uint32_t* p, size_t n) { sse2::maskPixel(p, n, color); });
}
void invert(uint32_t* pPixels, size_t count) {
  apply(pPixels, count, Invert{}, sse2::invert);
}
void toGray(uint32_t* pPixels, size_t count) {
  apply(pPixels, count, GrayShuffled{grayShuffle(0xFFFFFFFFu)}, sse2::toGray);
}
void grayToChannel(uint32_t* pPixels, size_t count, GrayChannel channel) {
  const uint32_t byteMask = 0xFFu << static_cast<int>(channel);
  apply(pPixels, count, GrayShuffled{grayShuffle(byteMask)},
        [channel](uint32_t* p, size_t n) { sse2::grayToChannel(p, n, channel); });
}

}  // namespace pixel_kernels::avx2

#endif  // x86
