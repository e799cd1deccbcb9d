// libFuzzer target for the .l3x scene reader. The input is a whole scene file (plain or packed);
// the scene that loads is animated at a few times, so whatever the file sets (counts, tracks, NaN
// values, parents) meets the per-frame code too.
// Built with clang: cmake -DSHOWPLAYER_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ ...
// Run: build-fuzz/tests/fuzz/l3x_fuzz tests/fuzz/corpus/l3x

#include <cstdint>
#include <span>

#include "base/chunk_file_reader.h"
#include "base/report.h"
#include "s3d/s3d_scene.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  discardReports();
  ChunkFileReaderManager manager(std::span<const std::uint8_t>(data, size), StringC("fuzz.l3x"));
  S3DScene scene;
  scene.load(manager);
  for (const float time : {0.0f, 17.5f, 1e6f, -30.0f}) {
    scene.setCamera(1);
    scene.setTime(time);
  }
  clearQuitRequest();
  return 0;
}
