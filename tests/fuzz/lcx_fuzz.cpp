// libFuzzer target for the .lcx loader. The input is a whole controller file (plain or packed);
// a controller that loads is saved nowhere but asked for values over a few frames, so whatever a
// file sets (counts, channels, NaN settings) meets the evaluation too.
// Built with clang: cmake -DSHOWPLAYER_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ ...
// Run: build-fuzz/tests/fuzz/lcx_fuzz tests/fuzz/corpus/lcx

#include <cstdint>
#include <span>

#include "base/report.h"
#include "control/lcx_controller_manager.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  discardReports();
  LCXControllerManager manager;
  manager.load(std::span<const std::uint8_t>(data, size), StringC("fuzz.lcx"));
  if (LCXController* pController = manager.getController()) {
    for (const float time : {-500.0f, 0.0f, 250.0f, 1250.0f, 1e9f}) {
      pController->setUpdate(1);
      pController->getValue(time);
    }
  }
  clearQuitRequest();
  return 0;
}
