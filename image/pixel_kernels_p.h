#pragma once
// The per-pixel loops of the whole-image operations, over a flat run of `count` pixels in place.
// Three paths with the same results byte for byte:
// - `scalar`, one pixel per step written like the formula (the reference);
// - `sse2`, four pixels per SSE2 instruction with a scalar tail (plain scalar loops where the
//   build has no SSE2);
// - `avx2`, eight pixels per AVX2 instruction, in pixel_kernels_avx2.cpp and (the two-image spans)
//   blit_kernels_avx2.cpp, the only files built for AVX2; x86 only, and a kernel gets a version
//   there only if it measured faster than SSE2.
// The images call `packed`, which forwards to the fastest path the CPU runs, picked once.
//
// The same sets carry the span loops of the two-image operators (blit_kernels_p.h): each path has
// one span per unweighted and per weighted combination, and activeKernels() picks them with the
// rest.

#include <cstddef>
#include <cstdint>

namespace pixel_kernels {

// Where grayToRed, grayToGreen and grayToBlue put the grey level: its bit position in the pixel.
enum class GrayChannel : int { Blue = 0, Green = 8, Red = 16 };

namespace scalar {
void fill(uint32_t* pPixels, size_t count, uint32_t color);
void doubleIntensity(uint32_t* pPixels, size_t count);
void addColor(uint32_t* pPixels, size_t count, uint32_t color);
void subColor(uint32_t* pPixels, size_t count, uint32_t color);
void maskPixel(uint32_t* pPixels, size_t count, uint32_t color);
void invert(uint32_t* pPixels, size_t count);
void toGray(uint32_t* pPixels, size_t count);
void grayToChannel(uint32_t* pPixels, size_t count, GrayChannel channel);
}  // namespace scalar

namespace sse2 {
void fill(uint32_t* pPixels, size_t count, uint32_t color);
void doubleIntensity(uint32_t* pPixels, size_t count);
void addColor(uint32_t* pPixels, size_t count, uint32_t color);
void subColor(uint32_t* pPixels, size_t count, uint32_t color);
void maskPixel(uint32_t* pPixels, size_t count, uint32_t color);
void invert(uint32_t* pPixels, size_t count);
void toGray(uint32_t* pPixels, size_t count);
void grayToChannel(uint32_t* pPixels, size_t count, GrayChannel channel);
}  // namespace sse2

#if defined(__x86_64__) || defined(__i386__)
// Call only when the CPU has AVX2: kernelsFor(KernelPath::Avx2) is the checked way in.
namespace avx2 {
void fill(uint32_t* pPixels, size_t count, uint32_t color);
void doubleIntensity(uint32_t* pPixels, size_t count);
void addColor(uint32_t* pPixels, size_t count, uint32_t color);
void subColor(uint32_t* pPixels, size_t count, uint32_t color);
void maskPixel(uint32_t* pPixels, size_t count, uint32_t color);
void invert(uint32_t* pPixels, size_t count);
void toGray(uint32_t* pPixels, size_t count);
void grayToChannel(uint32_t* pPixels, size_t count, GrayChannel channel);
}  // namespace avx2
#endif

// The best path of this CPU (see activeKernels below).
namespace packed {
void fill(uint32_t* pPixels, size_t count, uint32_t color);
void doubleIntensity(uint32_t* pPixels, size_t count);
void addColor(uint32_t* pPixels, size_t count, uint32_t color);
void subColor(uint32_t* pPixels, size_t count, uint32_t color);
void maskPixel(uint32_t* pPixels, size_t count, uint32_t color);
void invert(uint32_t* pPixels, size_t count);
void toGray(uint32_t* pPixels, size_t count);
void grayToChannel(uint32_t* pPixels, size_t count, GrayChannel channel);
}  // namespace packed

// --- Two-image spans: pDst[i] = blend(pDst[i], pSrc[i]) for i < count ---

// The unweighted combinations, in table order.
enum class BlitOp : int { Copy, HalfAdd, Add, Sub, Count };

// The weighted combinations and where their weights come from, in table order.
enum class WeightedBlitOp : int {
  Alpha,               // opacity
  AlphaMap,            // alpha map
  AlphaAdd,            // opacity
  AlphaAddMap,         // alpha map
  AlphaSub,            // opacity
  AlphaSubFromSource,  // alpha map
  Count
};

inline constexpr size_t kNbBlitOp = static_cast<size_t>(BlitOp::Count);
inline constexpr size_t kNbWeightedBlitOp = static_cast<size_t>(WeightedBlitOp::Count);

// Where a weighted span takes its weights: one word for every pixel (an opacity in all four
// bytes), or the words of an alpha map read in step with the source.
struct Weights {
  const uint32_t* pMap = nullptr;
  uint32_t word = 0;
};

using BlendSpanFn = void (*)(uint32_t* pDst, const uint32_t* pSrc, size_t count);
using WeightedSpanFn = void (*)(uint32_t* pDst, const uint32_t* pSrc, Weights weights,
                                size_t count);

namespace sse2 {
// The SSE2 spans by operation; the AVX2 spans hand them their unaligned heads and short tails.
void blendSpan(BlitOp op, uint32_t* pDst, const uint32_t* pSrc, size_t count);
void weightedSpan(WeightedBlitOp op, uint32_t* pDst, const uint32_t* pSrc, Weights weights,
                  size_t count);
}  // namespace sse2

#if defined(__x86_64__) || defined(__i386__)
// The AVX2 spans (call only when the CPU has AVX2). A plain copy has none: memmove is as fast.
namespace avx2 {
void halfAddSpan(uint32_t* pDst, const uint32_t* pSrc, size_t count);
void addSpan(uint32_t* pDst, const uint32_t* pSrc, size_t count);
void subSpan(uint32_t* pDst, const uint32_t* pSrc, size_t count);
void alphaSpan(uint32_t* pDst, const uint32_t* pSrc, Weights weights, size_t count);
void alphaMapSpan(uint32_t* pDst, const uint32_t* pSrc, Weights weights, size_t count);
void alphaAddSpan(uint32_t* pDst, const uint32_t* pSrc, Weights weights, size_t count);
void alphaAddMapSpan(uint32_t* pDst, const uint32_t* pSrc, Weights weights, size_t count);
void alphaSubSpan(uint32_t* pDst, const uint32_t* pSrc, Weights weights, size_t count);
void alphaSubFromSourceSpan(uint32_t* pDst, const uint32_t* pSrc, Weights weights, size_t count);
}  // namespace avx2
#endif

// One path's kernels. A path without its own version of a kernel holds the next narrower one.
struct KernelSet {
  void (*fill)(uint32_t* pPixels, size_t count, uint32_t color);
  void (*doubleIntensity)(uint32_t* pPixels, size_t count);
  void (*addColor)(uint32_t* pPixels, size_t count, uint32_t color);
  void (*subColor)(uint32_t* pPixels, size_t count, uint32_t color);
  void (*maskPixel)(uint32_t* pPixels, size_t count, uint32_t color);
  void (*invert)(uint32_t* pPixels, size_t count);
  void (*toGray)(uint32_t* pPixels, size_t count);
  void (*grayToChannel)(uint32_t* pPixels, size_t count, GrayChannel channel);
  // Indexed by BlitOp and WeightedBlitOp.
  BlendSpanFn blendSpans[kNbBlitOp];
  WeightedSpanFn weightedSpans[kNbWeightedBlitOp];
};

enum class KernelPath { Scalar, Sse2, Avx2 };

// The kernels of `path`, or nullptr when this build or this CPU cannot run it. Tests and
// benchmarks use it to run each path explicitly.
const KernelSet* kernelsFor(KernelPath path);

// The set `packed` forwards to: the widest path kernelsFor gives, chosen on the first call.
const KernelSet& activeKernels();

}  // namespace pixel_kernels
