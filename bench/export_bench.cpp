// Export throughput in frames per second: whole exports (load, render, convert, encode, mux) of
// a show made of fills only and of a show with pictures, a mix and effects, and the encoder
// alone on a display whose content changes at every frame.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "app/config.h"
#include "app/export_command.h"
#include "app/video_encoder.h"
#include "image/cimage32.h"
#include "tests/support/picture_files.h"
#include "tests/support/script_text.h"
#include "tests/support/temp_dir.h"

namespace {

constexpr std::int32_t kSpanMs = 4000;
constexpr std::int32_t kFps = 25;
constexpr std::int64_t kFramesPerExport = kSpanMs * kFps / 1000;

// A new colour every 100 ms.
std::string fillShow() {
  std::vector<std::string> manager;
  for (int k = 0; k < kSpanMs / 100; ++k) {
    manager.push_back("desc: frame 1 " + std::to_string(k * 100) + " " +
                      std::to_string(k * 100 + 100) + " c " + std::to_string(k * 6 % 256) +
                      " 128 " + std::to_string(255 - k * 6 % 256));
  }
  return scriptText({{"LAYER_DIMENSION", {"desc: screen 512 256"}},
                     {"SCREEN_LAYER", {"desc: frame screen"}},
                     {"LAYER_MANAGER", manager}});
}

// A picture, a half-opacity mix of a second one, then a radial blur and a box blur that change
// every second.
std::string effectsShow() {
  return scriptText(
      {{"LAYER_DIMENSION", {"desc: screen 512 256"}},
       {"IMAGE", {"file: grad gradient.bmp", "file: check checker.bmp"}},
       {"SCREEN_LAYER", {"desc: frame screen"}},
       {"MIX", {"desc: blit BLIT"}},
       {"EFFECT", {"desc: rays RADIAL screen", "desc: blur HVBLUR screen"}},
       {"MIX_DESC", {"desc: half blit NULL NORMAL 0.5 NULL"}},
       {"EFFECT_DESC",
        {"desc: smooth rays NULL SMOOTH 0.9 0.05 256 128",
         "desc: fast rays NULL FAST 0.9 0.05 200 100", "desc: soft blur NULL HORIZONTAL NORMAL 4",
         "desc: tall blur NULL VERTICAL NORMAL 8"}},
       {"LAYER_MANAGER",
        {"desc: frame 1 0 100000 w grad", "desc: frame 2 0 100000 m half check",
         "desc: frame 3 0 1000 e smooth", "desc: frame 3 1000 2000 e fast",
         "desc: frame 3 2000 3000 e smooth", "desc: frame 3 3000 4000 e fast",
         "desc: frame 4 0 2000 e soft", "desc: frame 4 2000 4000 e tall"}}});
}

void writeShow(const TempDir& folder, const std::string& script) {
  using namespace picture_files;
  folder.write("show.lscx", script);
  auto gradient = [](int x, int y) {
    return static_cast<std::uint32_t>((x / 2) << 16 | y << 8 | (255 - x / 2));
  };
  auto checker = [](int x, int y) { return ((x / 32 + y / 32) % 2) ? 0xFFFFFFu : 0x202080u; };
  writeBytes((folder.path() / "gradient.bmp").string(), bmpBytes(512, 256, gradient));
  writeBytes((folder.path() / "checker.bmp").string(), bmpBytes(512, 256, checker));
}

// One iteration = one export of kSpanMs at kFps to `out` (a video file, or a folder of PNGs).
void exportShow(benchmark::State& state, const std::string& script, const std::string& out) {
  TempDir folder;
  writeShow(folder, script);
  RenderRequest request;
  request.scriptPath = (folder.path() / "show.lscx").string();
  request.outPath = (folder.path() / out).string();
  request.fps = kFps;
  request.to = kSpanMs;
  std::FILE* pQuiet = std::fopen("/dev/null", "w");
  for (auto _ : state) {
    if (ExportCommand(request, pQuiet).run() != 0) {
      state.SkipWithError("the export failed");
      break;
    }
  }
  std::fclose(pQuiet);
  state.counters["fps"] = benchmark::Counter(
      static_cast<double>(state.iterations() * kFramesPerExport), benchmark::Counter::kIsRate);
}

void BM_ExportFillShow(benchmark::State& state) {
  exportShow(state, fillShow(), "show.mp4");
}
void BM_ExportEffectsShow(benchmark::State& state) {
  exportShow(state, effectsShow(), "show.mp4");
}
void BM_ExportEffectsShowToPng(benchmark::State& state) {
  exportShow(state, effectsShow(), "frames/");
}

// The encoder alone: every frame a different display, so nothing is free to compress.
void BM_EncodeFrame(benchmark::State& state) {
  TempDir folder;
  VideoEncoder encoder;
  VideoFormat format;
  format.containerOf = "show.mp4";
  format.width = app_config::kDisplayWidth;
  format.height = app_config::kDisplayHeight;
  format.fps = kFps;
  if (auto error = encoder.open((folder.path() / "show.mp4").string(), format)) {
    state.SkipWithError(error->c_str());
    return;
  }
  CImage32Buffered display(format.width, format.height);
  std::uint32_t frame = 0;
  for (auto _ : state) {
    state.PauseTiming();
    // A gradient that moves by 4 pixels per frame.
    std::uint32_t* pPixels = display.getPixels();
    for (int y = 0; y < format.height; ++y) {
      for (int x = 0; x < format.width; ++x) {
        const auto shifted = static_cast<std::uint32_t>(x) + frame * 4u;
        *pPixels++ = (shifted & 255u) << 16 | (static_cast<std::uint32_t>(y) & 255u) << 8 |
                     ((shifted ^ static_cast<std::uint32_t>(y)) & 255u);
      }
    }
    ++frame;
    state.ResumeTiming();
    if (auto error = encoder.addFrame(display)) {
      state.SkipWithError(error->c_str());
      break;
    }
  }
  encoder.finish();
  state.counters["fps"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  state.SetLabel(encoder.videoCodecName());
}

}  // namespace

BENCHMARK(BM_ExportFillShow)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ExportEffectsShow)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ExportEffectsShowToPng)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_EncodeFrame)->Unit(benchmark::kMillisecond)->UseRealTime();
