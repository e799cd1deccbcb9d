// libFuzzer target for the 2D scene reader. The input is a whole .s2d file (plain or packed); the
// scene that loads is animated and drawn at a few times into a small picture.
// Built with clang: cmake -DSHOWPLAYER_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ ...
// Run: build-fuzz/tests/fuzz/s2d_fuzz tests/fuzz/corpus/s2d

#include <cstdint>
#include <span>

#include "base/chunk_file_reader.h"
#include "base/report.h"
#include "image/cimage32.h"
#include "s3d/s2d_scene.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  runInEmptyFolder(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  discardReports();
  ChunkFileReaderManager manager(std::span<const std::uint8_t>(data, size), StringC("fuzz.s2d"));
  S2DScene scene;
  scene.load(manager);
  CImage32Buffered screen(48, 24);
  for (const float time : {0.0f, 7.5f, 1e6f, -3.0f}) {
    scene.setCamera(5);
    scene.setTime(time);
    scene.render(&screen);
  }
  clearQuitRequest();
  return 0;
}
