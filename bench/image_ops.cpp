// Whole-image operations on a 512x256 layer (the usual layer size) against memcpy of the same
// 512 KiB, the floor for a pass that reads and writes every pixel once. The scalar twins show what
// the packed lanes buy.

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "image/cimage32.h"
#include "image/pixel_kernels_p.h"

namespace {

constexpr int32_t kWidth = 512;
constexpr int32_t kHeight = 256;
constexpr size_t kCount = static_cast<size_t>(kWidth) * kHeight;

// A layer with varied bytes, so no operation runs on a constant image.
void fillVaried(CImage32& image) {
  uint32_t* p = image.getPixels();
  for (size_t i = 0; i < kCount; ++i)
    p[i] = static_cast<uint32_t>(i) * 2654435761u;
}

void setBytes(benchmark::State& state) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(kCount * sizeof(uint32_t)));
}

void BM_Memcpy(benchmark::State& state) {
  std::vector<uint32_t> source(kCount, 0x12345678u);
  std::vector<uint32_t> destination(kCount);
  for (auto _ : state) {
    std::memcpy(destination.data(), source.data(), kCount * sizeof(uint32_t));
    benchmark::ClobberMemory();
  }
  setBytes(state);
}
BENCHMARK(BM_Memcpy);

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

void BM_Fill(benchmark::State& state) {
  runImageOp(state, [](CImage32& image) { image.fill(0x00336699u); });
}
void BM_AddColor(benchmark::State& state) {
  runImageOp(state, [](CImage32& image) { image.addColor(0x00010203u); });
}
void BM_SubColor(benchmark::State& state) {
  runImageOp(state, [](CImage32& image) { image.subColor(0x00010203u); });
}
void BM_Invert(benchmark::State& state) {
  runImageOp(state, [](CImage32& image) { image.invert(); });
}
void BM_ToGray(benchmark::State& state) {
  runImageOp(state, [](CImage32& image) { image.toGray(); });
}
BENCHMARK(BM_Fill);
BENCHMARK(BM_AddColor);
BENCHMARK(BM_SubColor);
BENCHMARK(BM_Invert);
BENCHMARK(BM_ToGray);

namespace scalar = pixel_kernels::scalar;

void BM_FillScalar(benchmark::State& state) {
  runImageOp(state, [](CImage32& image) { scalar::fill(image.getPixels(), kCount, 0x00336699u); });
}
void BM_AddColorScalar(benchmark::State& state) {
  runImageOp(state,
             [](CImage32& image) { scalar::addColor(image.getPixels(), kCount, 0x00010203u); });
}
void BM_SubColorScalar(benchmark::State& state) {
  runImageOp(state,
             [](CImage32& image) { scalar::subColor(image.getPixels(), kCount, 0x00010203u); });
}
void BM_InvertScalar(benchmark::State& state) {
  runImageOp(state, [](CImage32& image) { scalar::invert(image.getPixels(), kCount); });
}
void BM_ToGrayScalar(benchmark::State& state) {
  runImageOp(state, [](CImage32& image) { scalar::toGray(image.getPixels(), kCount); });
}
BENCHMARK(BM_FillScalar);
BENCHMARK(BM_AddColorScalar);
BENCHMARK(BM_SubColorScalar);
BENCHMARK(BM_InvertScalar);
BENCHMARK(BM_ToGrayScalar);

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
