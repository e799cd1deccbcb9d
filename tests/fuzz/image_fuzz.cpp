// libFuzzer target for the picture readers. The first byte picks the format (0: BMP, 1: TGA,
// 2: JPG, taken modulo 3); the rest is written to a file with that extension and loaded.
// Built with clang: cmake -DSHOWPLAYER_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ ...
// Run: build-fuzz/tests/fuzz/image_fuzz tests/fuzz/corpus/image

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "base/report.h"
#include "image/cimage32.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  discardReports();
  if (size == 0) return 0;
  static const char* const kExtensions[] = {".bmp", ".tga", ".jpg"};
  const std::string path = "/tmp/image_fuzz_" + std::to_string(getpid()) + kExtensions[data[0] % 3];
  if (std::FILE* file = std::fopen(path.c_str(), "wb")) {
    std::fwrite(data + 1, 1, size - 1, file);
    std::fclose(file);
  }
  CImage32FromData image(path.c_str());
  // Read the whole block, guard rows included, so ASan sees a size that does not match it.
  if (const std::uint32_t* pPixels = image.getPixels()) {
    const std::size_t width = static_cast<std::size_t>(image.getWidth());
    const std::size_t nbWord = width * (static_cast<std::size_t>(image.getHeight()) + 4);
    const std::uint32_t* pBlock = pPixels - 2 * width;
    volatile std::uint32_t sum = 0;
    for (std::size_t i = 0; i < nbWord; ++i)
      sum = sum + pBlock[i];
  }
  std::remove(path.c_str());
  clearQuitRequest();
  return 0;
}
