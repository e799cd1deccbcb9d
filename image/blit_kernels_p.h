#pragma once
// The span loops of the two-image operators. A blend is a tiny stateless struct: `blend` on one
// byte (0..255 in a uint32_t) is the formula and the scalar reference, `blend` on four packed
// pixels is the same on 16 bytes at once. One template walks a span for any blend; the table of its
// instantiations is indexed once per operator call, never inside the x loop.
//
// The operators still to come slot in as one more blend each (a weighted form takes the weight as a
// third argument): (d >> 1) + (s >> 1), ((d (255 - a)) >> 8) + ((s a) >> 8), sat(d + s), ...

#include <array>
#include <cstddef>
#include <cstdint>

#include "image/simd_p.h"

namespace blit_kernels {

// d = s
struct BlendCopy {
  static uint32_t blend(uint32_t /*d*/, uint32_t s) { return s; }
#if IMAGE_HAS_SSE2
  static simd::Pixels4 blend(simd::Pixels4 /*d*/, simd::Pixels4 s) {
    return s;
  }
#endif
};

// One pixel through Blend byte by byte, written like the formula.
template <class Blend>
uint32_t blendPixel(uint32_t d, uint32_t s) {
  uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    out |= Blend::blend((d >> shift) & 0xFFu, (s >> shift) & 0xFFu) << shift;
  }
  return out;
}

// The scalar reference loop: one pixel per step.
template <class Blend>
void blendSpanScalar(uint32_t* pDst, const uint32_t* pSrc, size_t count) {
  for (size_t i = 0; i < count; ++i)
    pDst[i] = blendPixel<Blend>(pDst[i], pSrc[i]);
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

// The operators' combinations, in table order.
enum class BlitOp : int { Copy, Count };

using BlendSpanFn = void (*)(uint32_t* pDst, const uint32_t* pSrc, size_t count);

inline constexpr std::array<BlendSpanFn, static_cast<size_t>(BlitOp::Count)> kBlendSpans = {
    &blendSpan<BlendCopy>,
};
inline constexpr std::array<BlendSpanFn, static_cast<size_t>(BlitOp::Count)> kBlendSpansScalar = {
    &blendSpanScalar<BlendCopy>,
};

inline BlendSpanFn blendSpanFor(BlitOp op) {
  return kBlendSpans[static_cast<size_t>(op)];
}
inline BlendSpanFn blendSpanScalarFor(BlitOp op) {
  return kBlendSpansScalar[static_cast<size_t>(op)];
}

}  // namespace blit_kernels
