// Whole-image operations on a 512x256 layer (the usual layer size) against memcpy of the same
// 512 KiB, the reference for a pass that reads and writes every pixel once (memcpy walks two
// buffers where the operations work in place, so a fast pass can come in under it). Each operation
// runs as /image, the CImage32 method on the path chosen at start-up, and as /scalar, /sse2 and
// /avx2, one path named.

#include <benchmark/benchmark.h>

#include "bench/bench_layer.h"

#include <cstring>
#include <vector>

#include "image/cimage32.h"
#include "image/pixel_kernels_p.h"

namespace {

using namespace bench_layer;

BENCHMARK(memcpyLayer)->Name("BM_Memcpy");

// Runs one image operation per iteration on the same layer.
template <class Op>
void runImageOp(benchmark::State& state, Op op) {
  CImage32Buffered image(kWidth, kHeight);
  fillVaried(image);
  for (auto _ : state) {
    op(image);
    benchmark::ClobberMemory();
  }
  setBytes(state);
}

using pixel_kernels::KernelPath;
using pixel_kernels::KernelSet;

// Where a kernel comes from: the image method (the path chosen at start-up) or one path named.
enum class Via { Image, Scalar, Sse2, Avx2 };

// Runs `imageOp` on the layer, or `kernel` of the named path over all its pixels; a path this CPU
// cannot run is reported as skipped.
template <class ImageOp, class Kernel>
void runVia(benchmark::State& state, Via via, ImageOp imageOp, Kernel kernel) {
  if (via == Via::Image) {
    runImageOp(state, imageOp);
    return;
  }
  const KernelPath path = via == Via::Scalar ? KernelPath::Scalar
                          : via == Via::Sse2 ? KernelPath::Sse2
                                             : KernelPath::Avx2;
  const KernelSet* pKernels = pixel_kernels::kernelsFor(path);
  if (!pKernels) {
    state.SkipWithError("this CPU cannot run the path");
    return;
  }
  runImageOp(state, [&](CImage32& image) { kernel(*pKernels, image.getPixels()); });
}

void BM_Fill(benchmark::State& state, Via via) {
  runVia(
      state, via, [](CImage32& image) { image.fill(0x00336699u); },
      [](const KernelSet& k, uint32_t* p) { k.fill(p, kCount, 0x00336699u); });
}
void BM_AddColor(benchmark::State& state, Via via) {
  runVia(
      state, via, [](CImage32& image) { image.addColor(0x00010203u); },
      [](const KernelSet& k, uint32_t* p) { k.addColor(p, kCount, 0x00010203u); });
}
void BM_SubColor(benchmark::State& state, Via via) {
  runVia(
      state, via, [](CImage32& image) { image.subColor(0x00010203u); },
      [](const KernelSet& k, uint32_t* p) { k.subColor(p, kCount, 0x00010203u); });
}
void BM_DoubleIntensity(benchmark::State& state, Via via) {
  runVia(
      state, via, [](CImage32& image) { image.doubleIntensity(); },
      [](const KernelSet& k, uint32_t* p) { k.doubleIntensity(p, kCount); });
}
void BM_MaskPixel(benchmark::State& state, Via via) {
  runVia(
      state, via, [](CImage32& image) { image.maskPixel(0x00FF00FFu); },
      [](const KernelSet& k, uint32_t* p) { k.maskPixel(p, kCount, 0x00FF00FFu); });
}
void BM_Invert(benchmark::State& state, Via via) {
  runVia(
      state, via, [](CImage32& image) { image.invert(); },
      [](const KernelSet& k, uint32_t* p) { k.invert(p, kCount); });
}
void BM_ToGray(benchmark::State& state, Via via) {
  runVia(
      state, via, [](CImage32& image) { image.toGray(); },
      [](const KernelSet& k, uint32_t* p) { k.toGray(p, kCount); });
}
void BM_GrayToRed(benchmark::State& state, Via via) {
  runVia(
      state, via, [](CImage32& image) { image.grayToRed(); },
      [](const KernelSet& k, uint32_t* p) {
        k.grayToChannel(p, kCount, pixel_kernels::GrayChannel::Red);
      });
}

#define IMAGE_OP_BENCHMARKS(fn)               \
  BENCHMARK_CAPTURE(fn, image, Via::Image);   \
  BENCHMARK_CAPTURE(fn, scalar, Via::Scalar); \
  BENCHMARK_CAPTURE(fn, sse2, Via::Sse2);     \
  BENCHMARK_CAPTURE(fn, avx2, Via::Avx2)

IMAGE_OP_BENCHMARKS(BM_Fill);
IMAGE_OP_BENCHMARKS(BM_AddColor);
IMAGE_OP_BENCHMARKS(BM_SubColor);
IMAGE_OP_BENCHMARKS(BM_DoubleIntensity);
IMAGE_OP_BENCHMARKS(BM_MaskPixel);
IMAGE_OP_BENCHMARKS(BM_Invert);
IMAGE_OP_BENCHMARKS(BM_ToGray);
IMAGE_OP_BENCHMARKS(BM_GrayToRed);

// blit is a copy through the blend span loop: it should sit on memcpy.
void BM_Blit(benchmark::State& state) {
  CImage32Buffered source(kWidth, kHeight);
  CImage32Buffered destination(kWidth, kHeight);
  fillVaried(source);
  for (auto _ : state) {
    source.blit(&destination);
    benchmark::ClobberMemory();
  }
  setBytes(state);
}
BENCHMARK(BM_Blit);

}  // namespace
