// The two-image operators on a 512x256 layer (the usual layer size) against memcpy of the same
// 512 KiB image in the same run, the floor for a pass that reads one image and writes another. Each
// operator also runs through its scalar twin (one byte at a time, written like the formula), which
// shows what the packed lanes buy, and through the SSE2 spans, which shows what the wider AVX2
// spans the images pick on an AVX2 machine buy over them. Targets: blit within 1.2x of memcpy,
// saturating add and subtract within 1.5x, opacity and alpha-map blends at most 4x. On a shared
// machine run with --benchmark_repetitions=10 --benchmark_enable_random_interleaving=true, so that
// a change of load during the run does not fall on the reference alone.

#include <benchmark/benchmark.h>

#include "bench/bench_layer.h"

#include <cstring>

#include "image/blit_kernels_p.h"
#include "image/cimage32.h"
#include "image/pixel_kernels_p.h"

namespace {

namespace bk = blit_kernels;

using namespace bench_layer;

constexpr float kOpacity = 0.3f;

// Source, destination and alpha map of one layer size; the destination keeps the results of the
// earlier iterations (the kernels have no data-dependent branches). One set serves every benchmark:
// where the allocator places three 512 KiB blocks decides how their addresses fall against each
// other within a 4 KiB page and a cache line, and a fresh set per benchmark gave the memcpy
// reference one placement and the operators another.
struct Layers {
  CImage32Buffered source{kWidth, kHeight};
  CImage32Buffered destination{kWidth, kHeight};
  CImage32Buffered map{kWidth, kHeight};
  Layers() {
    fillVaried(source, 1);
    fillVaried(destination, 7);
    fillVaried(map, 13);
  }
};

Layers& sharedLayers() {
  static Layers layers;
  return layers;
}

template <class Op>
void runBlit(benchmark::State& state, Op op) {
  Layers& layers = sharedLayers();
  for (auto _ : state) {
    op(layers);
    benchmark::ClobberMemory();
  }
  setBytes(state);
}

// The reference: the source pixels copied onto the destination with memcpy, on the same layers.
void BM_Memcpy(benchmark::State& state) {
  runBlit(state, [](Layers& l) {
    std::memcpy(l.destination.getPixels(), l.source.getPixels(), kCount * sizeof(uint32_t));
  });
}
BENCHMARK(BM_Memcpy);

void BM_Blit(benchmark::State& state) {
  runBlit(state, [](Layers& l) { l.source.blit(&l.destination); });
}
void BM_TransDiv(benchmark::State& state) {
  runBlit(state, [](Layers& l) { l.source.blitTransDiv(&l.destination); });
}
void BM_Alpha(benchmark::State& state) {
  runBlit(state, [](Layers& l) { l.source.blitAlpha(&l.destination, kOpacity); });
}
void BM_AlphaMap(benchmark::State& state) {
  runBlit(state, [](Layers& l) { l.source.blitAlpha(&l.destination, l.map); });
}
void BM_TransAdd(benchmark::State& state) {
  runBlit(state, [](Layers& l) { l.source.blitTransAdd(&l.destination); });
}
void BM_AlphaTransAdd(benchmark::State& state) {
  runBlit(state, [](Layers& l) { l.source.blitAlphaTransAdd(&l.destination, kOpacity); });
}
void BM_AlphaTransAddMap(benchmark::State& state) {
  runBlit(state, [](Layers& l) { l.source.blitAlphaTransAdd(&l.destination, l.map); });
}
void BM_TransSub(benchmark::State& state) {
  runBlit(state, [](Layers& l) { l.source.blitTransSub(&l.destination); });
}
void BM_AlphaTransSub(benchmark::State& state) {
  runBlit(state, [](Layers& l) { l.source.blitAlphaTransSub(&l.destination, kOpacity); });
}
void BM_AlphaTransSubMap(benchmark::State& state) {
  runBlit(state, [](Layers& l) { l.source.blitAlphaTransSub(&l.destination, l.map); });
}
BENCHMARK(BM_Blit);
BENCHMARK(BM_TransDiv);
BENCHMARK(BM_Alpha);
BENCHMARK(BM_AlphaMap);
BENCHMARK(BM_TransAdd);
BENCHMARK(BM_AlphaTransAdd);
BENCHMARK(BM_AlphaTransAddMap);
BENCHMARK(BM_TransSub);
BENCHMARK(BM_AlphaTransSub);
BENCHMARK(BM_AlphaTransSubMap);

// The scalar twins over the same layers.
void runScalar(benchmark::State& state, bk::BlitOp op) {
  runBlit(state, [op](Layers& l) {
    bk::blendSpanScalarFor(op)(l.destination.getPixels(), l.source.getPixels(), kCount);
  });
}
void runScalarWeighted(benchmark::State& state, bk::WeightedBlitOp op) {
  runBlit(state, [op](Layers& l) {
    const bk::Weights weights{l.map.getPixels(), bk::weightWord(bk::weightFromOpacity(kOpacity))};
    bk::weightedSpanScalarFor(op)(l.destination.getPixels(), l.source.getPixels(), weights, kCount);
  });
}

void BM_BlitScalar(benchmark::State& state) {
  runScalar(state, bk::BlitOp::Copy);
}
void BM_TransDivScalar(benchmark::State& state) {
  runScalar(state, bk::BlitOp::HalfAdd);
}
void BM_AlphaScalar(benchmark::State& state) {
  runScalarWeighted(state, bk::WeightedBlitOp::Alpha);
}
void BM_AlphaMapScalar(benchmark::State& state) {
  runScalarWeighted(state, bk::WeightedBlitOp::AlphaMap);
}
void BM_TransAddScalar(benchmark::State& state) {
  runScalar(state, bk::BlitOp::Add);
}
void BM_AlphaTransAddScalar(benchmark::State& state) {
  runScalarWeighted(state, bk::WeightedBlitOp::AlphaAdd);
}
void BM_AlphaTransAddMapScalar(benchmark::State& state) {
  runScalarWeighted(state, bk::WeightedBlitOp::AlphaAddMap);
}
void BM_TransSubScalar(benchmark::State& state) {
  runScalar(state, bk::BlitOp::Sub);
}
void BM_AlphaTransSubScalar(benchmark::State& state) {
  runScalarWeighted(state, bk::WeightedBlitOp::AlphaSub);
}
void BM_AlphaTransSubMapScalar(benchmark::State& state) {
  runScalarWeighted(state, bk::WeightedBlitOp::AlphaSubFromSource);
}
BENCHMARK(BM_BlitScalar);
BENCHMARK(BM_TransDivScalar);
BENCHMARK(BM_AlphaScalar);
BENCHMARK(BM_AlphaMapScalar);
BENCHMARK(BM_TransAddScalar);
BENCHMARK(BM_AlphaTransAddScalar);
BENCHMARK(BM_AlphaTransAddMapScalar);
BENCHMARK(BM_TransSubScalar);
BENCHMARK(BM_AlphaTransSubScalar);
BENCHMARK(BM_AlphaTransSubMapScalar);

// The SSE2 spans over the same layers (what the images ran before the AVX2 spans).
void runSse2(benchmark::State& state, bk::BlitOp op) {
  const pixel_kernels::KernelSet* pSse2 =
      pixel_kernels::kernelsFor(pixel_kernels::KernelPath::Sse2);
  if (!pSse2) {
    state.SkipWithError("no SSE2 path in this build");
    return;
  }
  runBlit(state, [pSse2, op](Layers& l) {
    pSse2->blendSpans[static_cast<size_t>(op)](l.destination.getPixels(), l.source.getPixels(),
                                               kCount);
  });
}
void runSse2Weighted(benchmark::State& state, bk::WeightedBlitOp op) {
  const pixel_kernels::KernelSet* pSse2 =
      pixel_kernels::kernelsFor(pixel_kernels::KernelPath::Sse2);
  if (!pSse2) {
    state.SkipWithError("no SSE2 path in this build");
    return;
  }
  runBlit(state, [pSse2, op](Layers& l) {
    const bk::Weights weights{bk::readsAlphaMap(op) ? l.map.getPixels() : nullptr,
                              bk::weightWord(bk::weightFromOpacity(kOpacity))};
    pSse2->weightedSpans[static_cast<size_t>(op)](l.destination.getPixels(), l.source.getPixels(),
                                                  weights, kCount);
  });
}

void BM_BlitSse2(benchmark::State& state) {
  runSse2(state, bk::BlitOp::Copy);
}
void BM_TransDivSse2(benchmark::State& state) {
  runSse2(state, bk::BlitOp::HalfAdd);
}
void BM_AlphaSse2(benchmark::State& state) {
  runSse2Weighted(state, bk::WeightedBlitOp::Alpha);
}
void BM_AlphaMapSse2(benchmark::State& state) {
  runSse2Weighted(state, bk::WeightedBlitOp::AlphaMap);
}
void BM_TransAddSse2(benchmark::State& state) {
  runSse2(state, bk::BlitOp::Add);
}
void BM_AlphaTransAddSse2(benchmark::State& state) {
  runSse2Weighted(state, bk::WeightedBlitOp::AlphaAdd);
}
void BM_AlphaTransAddMapSse2(benchmark::State& state) {
  runSse2Weighted(state, bk::WeightedBlitOp::AlphaAddMap);
}
void BM_TransSubSse2(benchmark::State& state) {
  runSse2(state, bk::BlitOp::Sub);
}
void BM_AlphaTransSubSse2(benchmark::State& state) {
  runSse2Weighted(state, bk::WeightedBlitOp::AlphaSub);
}
void BM_AlphaTransSubMapSse2(benchmark::State& state) {
  runSse2Weighted(state, bk::WeightedBlitOp::AlphaSubFromSource);
}
BENCHMARK(BM_BlitSse2);
BENCHMARK(BM_TransDivSse2);
BENCHMARK(BM_AlphaSse2);
BENCHMARK(BM_AlphaMapSse2);
BENCHMARK(BM_TransAddSse2);
BENCHMARK(BM_AlphaTransAddSse2);
BENCHMARK(BM_AlphaTransAddMapSse2);
BENCHMARK(BM_TransSubSse2);
BENCHMARK(BM_AlphaTransSubSse2);
BENCHMARK(BM_AlphaTransSubMapSse2);

}  // namespace
