// libFuzzer target for the sync editor's decoder: any bytes as what an editor sends, fed in
// pieces whose sizes the first byte chooses, decoded until it needs more or refuses them.
// Built with clang: cmake -DSHOWPLAYER_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ ...
// Run: build-fuzz/tests/fuzz/sync_fuzz tests/fuzz/corpus/sync

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "app/sync_protocol.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t piece = std::size_t{data[0]} % 17 + 1;
  SyncDecoder decoder;
  for (std::size_t at = 1; at < size; at += piece) {
    decoder.append({data + at, std::min(piece, size - at)});
    SyncMessage message;
    SyncDecoder::Status status;
    while ((status = decoder.next(message)) == SyncDecoder::Status::kMessage) {
      // What comes out is the protocol: finite values, known kinds, rows of 31 bits.
      if (message.row > SyncProtocol::kMaxRow) std::abort();
      if (message.command == SyncCommand::SetKey &&
          (!std::isfinite(message.value) || message.interpolation > 3)) {
        std::abort();
      }
    }
    if (status == SyncDecoder::Status::kError) break;
  }
  return 0;
}
