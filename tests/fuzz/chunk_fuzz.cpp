// libFuzzer target for the chunk reader. The input is a whole chunk file (plain or packed); the
// tree is walked to the end, each chunk reading the fields its identifier picks, so every read
// kind meets every kind of broken length.
// Built with clang: cmake -DSHOWPLAYER_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ ...
// Run: build-fuzz/tests/fuzz/chunk_fuzz tests/fuzz/corpus/chunk

#include <cstdint>
#include <cstdlib>
#include <span>

#include "base/chunk_file_reader.h"
#include "base/report.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

constexpr int kMaxDepth = 64;

void readFields(ChunkFileReader& chunk) {
  float x = 0, y = 0, z = 0, angle = 0, matrix[4][4];
  switch (chunk.getIdentifier() % 9) {
    case 0:
      chunk.readByte();
      break;
    case 1:
      chunk.readWord();
      break;
    case 2:
      chunk.readInt();
      break;
    case 3:
      chunk.readFloat();
      break;
    case 4:
      chunk.readString();
      break;
    case 5:
      chunk.readPoint3(x, y, z);
      break;
    case 6:
      chunk.readMatrix(matrix);
      break;
    case 7:
      chunk.readAngleAxis(x, y, z, angle);
      break;
    default:
      break;  // children only
  }
}

void walk(ChunkFileReaderManager& manager, ChunkFileReader& parent, int depth) {
  readFields(parent);
  ChunkFileReader child;
  while (parent.nextChild(child)) {
    // A child the reader accepts lies inside its parent, which lies inside the data.
    if (child.getStartOffset() < parent.getStartOffset() ||
        child.getEndOffset() > parent.getEndOffset() ||
        parent.getEndOffset() > manager.getDataSize()) {
      std::abort();
    }
    if (depth < kMaxDepth) walk(manager, child, depth + 1);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  discardReports();
  ChunkFileReaderManager manager(std::span<const std::uint8_t>(data, size), StringC("fuzz"));
  ChunkFileReader root(&manager);
  walk(manager, root, 0);
  clearQuitRequest();
  return 0;
}
