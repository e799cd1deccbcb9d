#pragma once
// The per-pixel loops of the whole-image operations, over a flat run of `count` pixels in place.
// Three paths with the same results byte for byte:
// - `scalar`, one pixel per step written like the formula (the reference);
// - `sse2`, four pixels per SSE2 instruction with a scalar tail (plain scalar loops where the
//   build has no SSE2);
// - `avx2`, eight pixels per AVX2 instruction, in pixel_kernels_avx2.cpp, the only file built for
//   AVX2; x86 only, and a kernel gets a version there only if it measured faster than SSE2.
// The images call `packed`, which forwards to the fastest path the CPU runs, picked once.

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
};

enum class KernelPath { Scalar, Sse2, Avx2 };

// The kernels of `path`, or nullptr when this build or this CPU cannot run it. Tests and
// benchmarks use it to run each path explicitly.
const KernelSet* kernelsFor(KernelPath path);

// The set `packed` forwards to: the widest path kernelsFor gives, chosen on the first call.
const KernelSet& activeKernels();

}  // namespace pixel_kernels
