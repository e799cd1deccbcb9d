// The effects on a 512x256 layer (the usual layer size) against memcpy of the same 512 KiB, the
// floor for a pass that reads and writes every pixel once. The box blur also runs through its
// scalar twin, and at two window lengths to show that its cost does not depend on them.

#include <benchmark/benchmark.h>

#include "bench/bench_layer.h"

#include <cstring>
#include <vector>

#include "fx/fx_demospe01.h"
#include "fx/fx_emboss.h"
#include "fx/fx_hvblur.h"
#include "fx/fx_kernels_p.h"
#include "fx/fx_radial.h"
#include "image/cimage32.h"

namespace {

using namespace bench_layer;

BENCHMARK(memcpyLayer)->Name("BM_Memcpy");

// The layer is refilled outside the timing every iteration would cost more than the effects;
// running them again on their own output measures the same work.
template <class Effect>
void runEffect(benchmark::State& state, Effect& effect) {
  CImage32Buffered image(kWidth, kHeight);
  fillVaried(image);
  effect.setScreen(&image);
  for (auto _ : state) {
    effect.apply();
    benchmark::ClobberMemory();
  }
  setBytes(state);
}

// Arguments: window length, direction (0 horizontal, 1 vertical).
void BM_HVBlur(benchmark::State& state) {
  FxHVBlur blur(kWidth, kHeight);
  blur.setSize(static_cast<int32_t>(state.range(0)));
  blur.setDirection(static_cast<FxHVBlur::Direction>(state.range(1)));
  runEffect(state, blur);
}
BENCHMARK(BM_HVBlur)->Args({6, 0})->Args({64, 0})->Args({6, 1})->Args({64, 1});

// The scalar twin of the horizontal box blur, row by row, same formula per byte.
void BM_HVBlurScalar(benchmark::State& state) {
  FxHVBlur blur(kWidth, kHeight);
  blur.setSize(static_cast<int32_t>(state.range(0)));
  const fx_kernels::BlurDivider divider{
      blur.isPowerOfTwo(), blur.isPowerOfTwo() ? blur.getShift() : blur.getMultiplierShift(),
      blur.getMultiplier()};
  CImage32Buffered image(kWidth, kHeight);
  fillVaried(image);
  std::vector<uint32_t> saved(kWidth);
  for (auto _ : state) {
    for (int32_t y = 0; y < kHeight; ++y) {
      uint32_t* pRow = image.getPixels() + static_cast<ptrdiff_t>(y) * kWidth;
      std::memcpy(saved.data(), pRow, kWidth * sizeof(uint32_t));
      fx_kernels::scalar::blurRow(saved.data(), pRow, kWidth, blur.getSize() / 2, divider,
                                  fx_kernels::BlurDraw::Normal);
    }
    benchmark::ClobberMemory();
  }
  setBytes(state);
}
BENCHMARK(BM_HVBlurScalar)->Arg(6)->Arg(64);

// Argument: mode (0 SMOOTH, 1 FAST).
void BM_Radial(benchmark::State& state) {
  FxRadial radial(kWidth, kHeight);
  radial.setMode(static_cast<FxRadial::Mode>(state.range(0)));
  runEffect(state, radial);
}
BENCHMARK(BM_Radial)->Arg(0)->Arg(1);

// Argument: mode (0 EMBOSS, 1 SHADE).
void BM_Emboss(benchmark::State& state) {
  FxEmboss emboss(kWidth, kHeight);
  emboss.setMode(static_cast<FxEmboss::Mode>(state.range(0)));
  runEffect(state, emboss);
}
BENCHMARK(BM_Emboss)->Arg(0)->Arg(1);

// Noise rows: the fractal sum per row and the row blurs (windows 0..121 over the layer).
void BM_DemoSpe01Noise(benchmark::State& state) {
  FxDemoSpe01 effect;
  CImage32Buffered image(kWidth, kHeight);
  fillVaried(image);
  for (auto _ : state) {
    effect.apply(&image);
    benchmark::ClobberMemory();
  }
  setBytes(state);
}
BENCHMARK(BM_DemoSpe01Noise);

}  // namespace
