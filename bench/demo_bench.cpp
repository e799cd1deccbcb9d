// The bundled demo rendered offline from start to end at 25 frames a second, without encoding:
// frames per second over the whole show, the slowest frame (in processor time, each frame's best
// of the three runs, so that a frame another program's work slowed down once does not count)
// and the section of the music it falls in, each section's mean frame time, and where the time
// goes (ms per frame for fills and writes, 2D effects, mixes, 2D scenes, 3D transform and 3D
// drawing; what is left is the engine's own work). One core, the band 512 x 256.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <time.h>

#include "app/offline_renderer.h"
#include "base/frame_profile.h"
#include "base/report.h"
#include "tools/demo_tempo.h"

namespace {

constexpr std::int32_t kFps = 25;

// The thread's processor time (ms): a frame's cost without the time other programs on a shared
// machine took from it.
double threadCpuMs() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) * 1e-6;
}

// The music's sections (tools/demo_tempo.h), by their order positions.
const char* sectionAt(std::int32_t ms) {
  struct Section {
    int position;
    const char* name;
  };
  static constexpr Section kSections[] = {
      {DemoTempo::kOutroPosition, "outro"}, {DemoTempo::kFinalePosition, "finale"},
      {DemoTempo::kBreakPosition, "break"}, {DemoTempo::kDropPosition, "drop"},
      {DemoTempo::kBuildPosition, "build"}, {DemoTempo::kIntroPosition, "intro"}};
  for (const Section& section : kSections) {
    if (ms >= DemoTempo::msAtPosition(section.position)) return section.name;
  }
  return "intro";
}

void renderDemo(benchmark::State& state, const char* script) {
  const std::string path = std::string(SHOWPLAYER_BINARY_DIR "/examples/demo/") + script;
  ReportCapture reports;
  FrameProfile profile;
  FrameProfile* const pOldProfile = FrameProfile::install(&profile);
  // Each frame's best processor time over the runs.
  std::vector<double> best;
  std::int64_t nbFrame = 0;
  std::chrono::steady_clock::duration total{};
  for (auto _ : state) {
    OfflineRenderer renderer;
    if (!renderer.loadScript(path)) {
      state.SkipWithError("the demo is not built");
      break;
    }
    for (std::int64_t k = 0; k * 1000 / kFps < DemoTempo::kDurationMs; ++k) {
      const auto time = static_cast<std::int32_t>(k * 1000 / kFps);
      const auto start = std::chrono::steady_clock::now();
      const double cpuStart = threadCpuMs();
      renderer.renderFrame(time);
      const double ms = threadCpuMs() - cpuStart;
      total += std::chrono::steady_clock::now() - start;
      const auto index = static_cast<std::size_t>(k);
      if (index == best.size()) best.push_back(ms);
      best[index] = std::min(best[index], ms);
      ++nbFrame;
    }
    benchmark::DoNotOptimize(renderer.getDisplay().getPixels());
  }
  FrameProfile::install(pOldProfile);
  if (nbFrame == 0) return;
  const auto slowest = std::max_element(best.begin(), best.end());
  const auto slowestAt = static_cast<std::int32_t>((slowest - best.begin()) * 1000 / kFps);
  state.counters["frames_per_s"] =
      benchmark::Counter(static_cast<double>(nbFrame), benchmark::Counter::kIsRate);
  state.counters["slowest_frame_ms"] = *slowest;
  state.counters["slowest_at_ms"] = slowestAt;
  state.SetLabel(std::string("slowest frame in the ") + sectionAt(slowestAt));
  // Each section's mean of the best times (ms a frame), so an act's cost shows on its own.
  std::map<std::string, std::pair<double, int>> sections;
  for (std::size_t k = 0; k < best.size(); ++k) {
    auto& [sum, count] = sections[sectionAt(static_cast<std::int32_t>(k * 1000 / kFps))];
    sum += best[k];
    ++count;
  }
  for (const auto& [name, sumCount] : sections)
    state.counters["mean_ms_" + name] = sumCount.first / sumCount.second;
  const auto perFrame = [nbFrame](std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count() / static_cast<double>(nbFrame);
  };
  std::chrono::steady_clock::duration measured{};
  for (std::size_t c = 0; c < kNbProfileCategory; ++c) {
    measured += profile.time[c];
    state.counters[std::string(profileCategoryName(static_cast<ProfileCategory>(c))) + "_ms"] =
        perFrame(profile.time[c]);
  }
  state.counters["engine_ms"] = perFrame(total - measured);
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

BENCHMARK(BM_DemoStream)->Unit(benchmark::kSecond)->Iterations(3);
BENCHMARK(BM_DemoModule)->Unit(benchmark::kSecond)->Iterations(3);

}  // namespace
