#include "image/pixel_kernels_p.h"

#include <algorithm>

#include "image/blit_kernels_p.h"
#include "image/cpu_features.h"
#include "image/simd_p.h"

namespace pixel_kernels {
namespace {

// Byte i (0 blue, 1 green, 2 red, 3 fourth) of a pixel, and the way back.
constexpr uint32_t byteOf(uint32_t pixel, int i) {
  return (pixel >> (8 * i)) & 0xFFu;
}
constexpr uint32_t atByte(uint32_t value, int i) {
  return value << (8 * i);
}

// g = (5 blue + 16 green + 11 red) >> 5; the weights add up to 32, so g <= 255.
constexpr uint32_t grayOf(uint32_t p) {
  return (5u * byteOf(p, 0) + 16u * byteOf(p, 1) + 11u * byteOf(p, 2)) >> 5;
}

// Each operation is a small struct: `pixel` is the formula on one pixel, `pixels4` the same on four
// packed pixels. The two loops below are the only places that walk the pixels.

struct Fill {
  uint32_t color;
  uint32_t pixel(uint32_t) const { return color; }
#if IMAGE_HAS_SSE2
  simd::Pixels4 pixels4(simd::Pixels4) const {
    return simd::splat(color);
  }
#endif
};

struct DoubleIntensity {
  // min(2b, 255) per byte
  uint32_t pixel(uint32_t p) const {
    uint32_t out = 0;
    for (int i = 0; i < 4; ++i)
      out |= atByte(std::min(2u * byteOf(p, i), 255u), i);
    return out;
  }
#if IMAGE_HAS_SSE2
  simd::Pixels4 pixels4(simd::Pixels4 p) const {
    return simd::addSaturate(p, p);
  }
#endif
};

struct AddColor {
  uint32_t color;
  // min(b + c, 255) per byte
  uint32_t pixel(uint32_t p) const {
    uint32_t out = 0;
    for (int i = 0; i < 4; ++i)
      out |= atByte(std::min(byteOf(p, i) + byteOf(color, i), 255u), i);
    return out;
  }
#if IMAGE_HAS_SSE2
  simd::Pixels4 pixels4(simd::Pixels4 p) const {
    return simd::addSaturate(p, simd::splat(color));
  }
#endif
};

struct SubColor {
  uint32_t color;
  // max(b - c, 0) per byte, written as b - min(b, c) to stay unsigned
  uint32_t pixel(uint32_t p) const {
    uint32_t out = 0;
    for (int i = 0; i < 4; ++i) {
      const uint32_t b = byteOf(p, i);
      out |= atByte(b - std::min(b, byteOf(color, i)), i);
    }
    return out;
  }
#if IMAGE_HAS_SSE2
  simd::Pixels4 pixels4(simd::Pixels4 p) const {
    return simd::subSaturate(p, simd::splat(color));
  }
#endif
};

struct MaskPixel {
  uint32_t color;
  uint32_t pixel(uint32_t p) const { return p & color; }
#if IMAGE_HAS_SSE2
  simd::Pixels4 pixels4(simd::Pixels4 p) const {
    return simd::bitAnd(p, simd::splat(color));
  }
#endif
};

struct Invert {
  // 255 - b per byte
  uint32_t pixel(uint32_t p) const {
    uint32_t out = 0;
    for (int i = 0; i < 4; ++i)
      out |= atByte(255u - byteOf(p, i), i);
    return out;
  }
  // 255 - b is b XOR 0xFF for a byte.
#if IMAGE_HAS_SSE2
  simd::Pixels4 pixels4(simd::Pixels4 p) const {
    return simd::bitXor(p, simd::splat(0xFFFFFFFFu));
  }
#endif
};

struct ToGray {
  uint32_t pixel(uint32_t p) const {
    const uint32_t g = grayOf(p);
    return atByte(g, 0) | atByte(g, 1) | atByte(g, 2) | atByte(g, 3);
  }
#if IMAGE_HAS_SSE2
  simd::Pixels4 pixels4(simd::Pixels4 p) const {
    return simd::broadcastByte(simd::gray(p));
  }
#endif
};

struct GrayToChannel {
  int shift;
  uint32_t pixel(uint32_t p) const { return grayOf(p) << shift; }
#if IMAGE_HAS_SSE2
  simd::Pixels4 pixels4(simd::Pixels4 p) const {
    return simd::shiftLeft32(simd::gray(p), shift);
  }
#endif
};

template <class Op>
void applyScalar(uint32_t* pPixels, size_t count, const Op& op) {
  for (size_t i = 0; i < count; ++i)
    pPixels[i] = op.pixel(pPixels[i]);
}

template <class Op>
void applyPacked(uint32_t* pPixels, size_t count, const Op& op) {
#if IMAGE_HAS_SSE2
  constexpr size_t kStep = simd::kPixelsPerVector;
  size_t i = 0;
  // Two vectors per turn: the loop counter and branch cost as much as a short kernel.
  for (; i + 2 * kStep <= count; i += 2 * kStep) {
    const simd::Pixels4 first = op.pixels4(simd::load4(pPixels + i));
    const simd::Pixels4 second = op.pixels4(simd::load4(pPixels + i + kStep));
    simd::store4(pPixels + i, first);
    simd::store4(pPixels + i + kStep, second);
  }
  if (i + kStep <= count) {
    simd::store4(pPixels + i, op.pixels4(simd::load4(pPixels + i)));
    i += kStep;
  }
  for (; i < count; ++i)
    pPixels[i] = op.pixel(pPixels[i]);
#else
  applyScalar(pPixels, count, op);
#endif
}

}  // namespace

namespace scalar {
void fill(uint32_t* pPixels, size_t count, uint32_t color) {
  applyScalar(pPixels, count, Fill{color});
}
void doubleIntensity(uint32_t* pPixels, size_t count) {
  applyScalar(pPixels, count, DoubleIntensity{});
}
void addColor(uint32_t* pPixels, size_t count, uint32_t color) {
  applyScalar(pPixels, count, AddColor{color});
}
void subColor(uint32_t* pPixels, size_t count, uint32_t color) {
  applyScalar(pPixels, count, SubColor{color});
}
void maskPixel(uint32_t* pPixels, size_t count, uint32_t color) {
  applyScalar(pPixels, count, MaskPixel{color});
}
void invert(uint32_t* pPixels, size_t count) {
  applyScalar(pPixels, count, Invert{});
}
void toGray(uint32_t* pPixels, size_t count) {
  applyScalar(pPixels, count, ToGray{});
}
void grayToChannel(uint32_t* pPixels, size_t count, GrayChannel channel) {
  applyScalar(pPixels, count, GrayToChannel{static_cast<int>(channel)});
}
}  // namespace scalar

namespace sse2 {
void fill(uint32_t* pPixels, size_t count, uint32_t color) {
  applyPacked(pPixels, count, Fill{color});
}
void doubleIntensity(uint32_t* pPixels, size_t count) {
  applyPacked(pPixels, count, DoubleIntensity{});
}
void addColor(uint32_t* pPixels, size_t count, uint32_t color) {
  applyPacked(pPixels, count, AddColor{color});
}
void subColor(uint32_t* pPixels, size_t count, uint32_t color) {
  applyPacked(pPixels, count, SubColor{color});
}
void maskPixel(uint32_t* pPixels, size_t count, uint32_t color) {
  applyPacked(pPixels, count, MaskPixel{color});
}
void invert(uint32_t* pPixels, size_t count) {
  applyPacked(pPixels, count, Invert{});
}
void toGray(uint32_t* pPixels, size_t count) {
  applyPacked(pPixels, count, ToGray{});
}
void grayToChannel(uint32_t* pPixels, size_t count, GrayChannel channel) {
  applyPacked(pPixels, count, GrayToChannel{static_cast<int>(channel)});
}
void blendSpan(BlitOp op, uint32_t* pDst, const uint32_t* pSrc, size_t count) {
  blit_kernels::kBlendSpans[static_cast<size_t>(op)](pDst, pSrc, count);
}
void weightedSpan(WeightedBlitOp op, uint32_t* pDst, const uint32_t* pSrc, Weights weights,
                  size_t count) {
  blit_kernels::kWeightedSpans[static_cast<size_t>(op)](pDst, pSrc, weights, count);
}
}  // namespace sse2

namespace {

namespace bk = blit_kernels;

constexpr KernelSet kScalarKernels = {
    scalar::fill,
    scalar::doubleIntensity,
    scalar::addColor,
    scalar::subColor,
    scalar::maskPixel,
    scalar::invert,
    scalar::toGray,
    scalar::grayToChannel,
    {bk::kBlendSpansScalar[0], bk::kBlendSpansScalar[1], bk::kBlendSpansScalar[2],
     bk::kBlendSpansScalar[3]},
    {bk::kWeightedSpansScalar[0], bk::kWeightedSpansScalar[1], bk::kWeightedSpansScalar[2],
     bk::kWeightedSpansScalar[3], bk::kWeightedSpansScalar[4], bk::kWeightedSpansScalar[5]},
};

constexpr KernelSet kSse2Kernels = {
    sse2::fill,
    sse2::doubleIntensity,
    sse2::addColor,
    sse2::subColor,
    sse2::maskPixel,
    sse2::invert,
    sse2::toGray,
    sse2::grayToChannel,
    {bk::kBlendSpans[0], bk::kBlendSpans[1], bk::kBlendSpans[2], bk::kBlendSpans[3]},
    {bk::kWeightedSpans[0], bk::kWeightedSpans[1], bk::kWeightedSpans[2], bk::kWeightedSpans[3],
     bk::kWeightedSpans[4], bk::kWeightedSpans[5]},
};

#if defined(__x86_64__) || defined(__i386__)
// Every kernel has an AVX2 version: on a 512x256 layer (bench/image_ops.cpp) even the
// one-instruction ones (fill, addColor, invert...) took about half the SSE2 time, and the grey
// family, arithmetic-bound in SSE2, about a third.
// The two-image spans are in blit_kernels_avx2.cpp (bench/blit_ops.cpp: about 40 to 60 % of the
// SSE2 time for the weighted ones, 50 to 75 % for the others); the copy stays memmove, which no
// loop of ours beat.
constexpr KernelSet kAvx2Kernels = {
    avx2::fill,
    avx2::doubleIntensity,
    avx2::addColor,
    avx2::subColor,
    avx2::maskPixel,
    avx2::invert,
    avx2::toGray,
    avx2::grayToChannel,
    {bk::kBlendSpans[0], avx2::halfAddSpan, avx2::addSpan, avx2::subSpan},
    {avx2::alphaSpan, avx2::alphaMapSpan, avx2::alphaAddSpan, avx2::alphaAddMapSpan,
     avx2::alphaSubSpan, avx2::alphaSubFromSourceSpan},
};
#endif

const KernelSet* chooseKernels() {
  for (const KernelPath path : {KernelPath::Avx2, KernelPath::Sse2}) {
    if (const KernelSet* pSet = kernelsFor(path)) return pSet;
  }
  return &kScalarKernels;
}

}  // namespace

const KernelSet* kernelsFor(KernelPath path) {
  switch (path) {
    case KernelPath::Scalar:
      return &kScalarKernels;
    case KernelPath::Sse2:
      return IMAGE_HAS_SSE2 ? &kSse2Kernels : nullptr;
    case KernelPath::Avx2:
#if defined(__x86_64__) || defined(__i386__)
      return cpuHasAvx2() ? &kAvx2Kernels : nullptr;
#else
      return nullptr;
#endif
  }
  return nullptr;
}

const KernelSet& activeKernels() {
  // Chosen once; a function-local static so the choice is made on first use, thread-safely.
  static const KernelSet* const pActive = chooseKernels();
  return *pActive;
}

namespace packed {
void fill(uint32_t* pPixels, size_t count, uint32_t color) {
  activeKernels().fill(pPixels, count, color);
}
void doubleIntensity(uint32_t* pPixels, size_t count) {
  activeKernels().doubleIntensity(pPixels, count);
}
void addColor(uint32_t* pPixels, size_t count, uint32_t color) {
  activeKernels().addColor(pPixels, count, color);
}
void subColor(uint32_t* pPixels, size_t count, uint32_t color) {
  activeKernels().subColor(pPixels, count, color);
}
void maskPixel(uint32_t* pPixels, size_t count, uint32_t color) {
  activeKernels().maskPixel(pPixels, count, color);
}
void invert(uint32_t* pPixels, size_t count) {
  activeKernels().invert(pPixels, count);
}
void toGray(uint32_t* pPixels, size_t count) {
  activeKernels().toGray(pPixels, count);
}
void grayToChannel(uint32_t* pPixels, size_t count, GrayChannel channel) {
  activeKernels().grayToChannel(pPixels, count, channel);
}
}  // namespace packed

}  // namespace pixel_kernels

// __builtin_cpu_supports("avx2") also checks that the OS saves the 256-bit registers (OSXSAVE and
// XCR0), so a true answer means the instructions can run. __builtin_cpu_init makes the answer
// right even when this runs from a static initialiser, before the runtime's own set-up.
bool cpuHasAvx2() {
#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
  static const bool kHasAvx2 = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
  }();
  return kHasAvx2;
#else
  return false;
#endif
}

bool cpuHasAvx512Vbmi() {
#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
  static const bool kHas = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512f") != 0 && __builtin_cpu_supports("avx512bw") != 0 &&
           __builtin_cpu_supports("avx512vbmi") != 0;
  }();
  return kHas;
#else
  return false;
#endif
}
