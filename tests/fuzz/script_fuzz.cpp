// libFuzzer target for the script reader and everything it builds: any bytes as a script,
// loaded in a scratch folder, then one frame when all its screen layers together are small, so
// the time goes to the load. The corpus scripts use small layers for the same reason.
// Built with clang: cmake -DSHOWPLAYER_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ ...
// Run: build-fuzz/tests/fuzz/script_fuzz tests/fuzz/corpus/script

#include <cstdint>

#include "base/report.h"
#include "script/script_engine.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/fuzz/script_fuzz_support.h"

namespace {

// A frame is drawn only when the screen layers hold at most this many pixels in all: it then
// costs microseconds. The corpus scripts use layers of 16 x 8 and smaller.
constexpr std::int64_t kSmallLayerPixels = 64 * 64;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  keepArtifactsInStartFolder(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  discardReports();
  const script_fuzz::ScratchScript script(data, size);
  ScriptEngine engine;
  engine.load(StringC(script.name()));
  std::int64_t pixels = 0;
  const CImage32* pLast = nullptr;
  for (int i = 0; i < engine.getScreenLayerCount(); ++i) {
    pLast = engine.getScreenLayer(i)->getBuffer();
    if (pLast) pixels += std::int64_t{pLast->getWidth()} * pLast->getHeight();
  }
  // The frame has the size of the last screen layer, whose operations draw into it.
  if (pLast && pixels <= kSmallLayerPixels) {
    CImage32Buffered frame(pLast->getWidth(), pLast->getHeight());
    engine.setFrameTime(1000);
    engine.render(&frame);
  }
  clearQuitRequest();
  return 0;
}
