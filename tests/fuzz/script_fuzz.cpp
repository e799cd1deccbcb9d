// libFuzzer target: any bytes as a script file, loaded and rendered at a few times.
// Built with clang: cmake -DSHOWPLAYER_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ ...
// Run: build-fuzz/tests/fuzz/script_fuzz tests/fuzz/corpus/script

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "base/report.h"
#include "script/script_engine.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  discardReports();
  const std::string path = "/tmp/script_fuzz_" + std::to_string(getpid()) + ".lscx";
  if (std::FILE* file = std::fopen(path.c_str(), "wb")) {
    std::fwrite(data, 1, size, file);
    std::fclose(file);
  }
  ScriptEngine engine;
  engine.load(StringC(path.c_str()));
  CImage32Buffered frame(512, 256);
  for (std::int32_t time : {0, 500, 1000, 5000}) {
    engine.setFrameTime(time);
    engine.render(&frame);
  }
  std::remove(path.c_str());
  clearQuitRequest();
  return 0;
}
