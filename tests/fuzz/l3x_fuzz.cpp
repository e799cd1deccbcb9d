// libFuzzer target for the .l3x scene reader. The input is a whole scene file (plain or packed);
// the scene that loads is animated, transformed and drawn at a few times into a small picture, so
// whatever the file sets (counts, tracks, NaN values, parents, materials) meets the per-frame code
// too.
// Built with clang: cmake -DSHOWPLAYER_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ ...
// Run: build-fuzz/tests/fuzz/l3x_fuzz tests/fuzz/corpus/l3x

#include <cstdint>
#include <span>

#include "base/chunk_file_reader.h"
#include "base/report.h"
#include "image/cimage32.h"
#include "s3d/s3d_scene.h"
#include "s3d/viewport.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  runInEmptyFolder(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  discardReports();
  ChunkFileReaderManager manager(std::span<const std::uint8_t>(data, size), StringC("fuzz.l3x"));
  S3DScene scene;
  scene.load(manager);
  CImage32Buffered screen(48, 24);
  ViewPort viewPort;
  for (const float time : {0.0f, 17.5f, 1e6f, -30.0f}) {
    viewPort.clear();
    viewPort.setScreen(&screen);
    scene.setViewPort(&viewPort);
    scene.setCamera(1);
    scene.setTime(time);
    scene.transform();
    scene.render();
  }
  clearQuitRequest();
  return 0;
}
