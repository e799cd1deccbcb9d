// The bundled demo rendered offline from start to end at 25 frames a second, without encoding:
// frames per second over the whole show and the slowest frame. One core, the band 512 x 256.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <string>

#include "app/offline_renderer.h"
#include "base/report.h"

namespace {

constexpr std::int32_t kDemoLengthMs = 92160;
constexpr std::int32_t kFps = 25;

void renderDemo(benchmark::State& state, const char* script) {
  const std::string path = std::string(SHOWPLAYER_BINARY_DIR "/examples/demo/") + script;
  ReportCapture reports;
  double slowest = 0.0;
  std::int64_t nbFrame = 0;
  for (auto _ : state) {
    OfflineRenderer renderer;
    if (!renderer.loadScript(path)) {
      state.SkipWithError("the demo is not built");
      return;
    }
    for (std::int64_t k = 0; k * 1000 / kFps < kDemoLengthMs; ++k) {
      const auto start = std::chrono::steady_clock::now();
      renderer.renderFrame(static_cast<std::int32_t>(k * 1000 / kFps));
      const std::chrono::duration<double, std::milli> took =
          std::chrono::steady_clock::now() - start;
      slowest = std::max(slowest, took.count());
      ++nbFrame;
    }
    benchmark::DoNotOptimize(renderer.getDisplay().getPixels());
  }
  state.counters["frames_per_s"] =
      benchmark::Counter(static_cast<double>(nbFrame), benchmark::Counter::kIsRate);
  state.counters["slowest_frame_ms"] = slowest;
  state.counters["reports"] = static_cast<double>(reports.texts().size());
}

// The show as played with its OGG stream (the level controller decodes the music heard).
void BM_DemoStream(benchmark::State& state) {
  renderDemo(state, "demo.lscx");
}
// The same show on the module, whose level is always 0.
void BM_DemoModule(benchmark::State& state) {
  renderDemo(state, "demo_module.lscx");
}

BENCHMARK(BM_DemoStream)->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK(BM_DemoModule)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace
