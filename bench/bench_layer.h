#pragma once
// What every pixel benchmark shares: the usual layer size (512 x 256), a fill with varied bytes so
// no pass runs on a constant image, the byte count for throughput, and memcpy of one layer onto
// another as the reference measured in the same run.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "image/cimage32.h"

namespace bench_layer {

inline constexpr int32_t kWidth = 512;
inline constexpr int32_t kHeight = 256;
inline constexpr size_t kCount = static_cast<size_t>(kWidth) * kHeight;

inline void fillVaried(CImage32& image, uint32_t seed = 0) {
  uint32_t* p = image.getPixels();
  for (size_t i = 0; i < kCount; ++i)
    p[i] = (static_cast<uint32_t>(i) + seed) * 2654435761u;
}

inline void setBytes(benchmark::State& state) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(kCount * sizeof(uint32_t)));
}

// memcpy of one layer onto another: register it in each benchmark program as BM_Memcpy.
inline void memcpyLayer(benchmark::State& state) {
  std::vector<uint32_t> source(kCount, 0x12345678u);
  std::vector<uint32_t> destination(kCount);
  for (auto _ : state) {
    std::memcpy(destination.data(), source.data(), kCount * sizeof(uint32_t));
    benchmark::ClobberMemory();
  }
  setBytes(state);
}

}  // namespace bench_layer
