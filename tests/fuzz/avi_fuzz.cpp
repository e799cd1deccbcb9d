// libFuzzer target for the video reader. The input is written to a file (in /dev/shm when there
// is one, so runs do not wear the disk) and opened with CAvi; every word of every frame image,
// guard rows included, is read so ASan sees a block that does not match its size.
// Built with clang: cmake -DSHOWPLAYER_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ ...
// Run: build-fuzz/tests/fuzz/avi_fuzz tests/fuzz/corpus/avi

#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "base/report.h"
#include "fx/c_avi.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // 16 MiB of frames: enough for every corpus file, small enough that a header claiming a large
  // picture is refused at once instead of having the fuzzer zero hundreds of megabytes.
  setenv("SHOWPLAYER_VIDEO_MEMORY_LIMIT", "16777216", 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  discardReports();
  static const std::string path = (std::filesystem::is_directory("/dev/shm")
                                       ? std::string("/dev/shm")
                                       : std::filesystem::temp_directory_path().string()) +
                                  "/avi_fuzz_" + std::to_string(getpid()) + ".avi";
  if (std::FILE* file = std::fopen(path.c_str(), "wb")) {
    std::fwrite(data, 1, size, file);
    std::fclose(file);
  }
  {
    const CAvi avi(path.c_str());
    volatile std::uint32_t sum = 0;
    for (std::int32_t i = 0; i < avi.getNbFrame(); ++i) {
      const CImage32* pImage = avi.getFrame(i);
      const std::size_t width = static_cast<std::size_t>(pImage->getWidth());
      const std::size_t nbWord = width * (static_cast<std::size_t>(pImage->getHeight()) + 4);
      const std::uint32_t* pBlock = pImage->getPixels() - 2 * width;
      for (std::size_t k = 0; k < nbWord; ++k)
        sum = sum + pBlock[k];
    }
    sum = sum + static_cast<std::uint32_t>(avi.getFrameDuration());
  }
  std::remove(path.c_str());
  clearQuitRequest();
  return 0;
}
