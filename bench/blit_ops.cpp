// The two-image operators on a 512x256 layer (the usual layer size) against memcpy of the same
// 512 KiB image in the same run, the floor for a pass that reads one image and writes another. Each
// operator also runs through its scalar twin (one byte at a time, written like the formula), which
// shows what the packed lanes buy. Targets: blit within 1.2x of memcpy, saturating add and subtract
// within 1.5x, opacity and alpha-map blends at most 4x.

#include <benchmark/benchmark.h>

#include "bench/bench_layer.h"

#include <cstring>

#include "image/blit_kernels_p.h"
#include "image/cimage32.h"

namespace {

namespace bk = blit_kernels;

using namespace bench_layer;

constexpr float kOpacity = 0.3f;

// Source, destination and alpha map of one layer size; the destination keeps the results of the
// earlier iterations (the kernels have no data-dependent branches).
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

template <class Op>
void runBlit(benchmark::State& state, Op op) {
  Layers layers;
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

}  // namespace
