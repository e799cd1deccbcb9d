// libFuzzer target for showtool build. The input is a JSON document of any format (lcx, lecx, l3x,
// chunks); one that builds must give, dumped typed and as a tree, documents that build the same
// bytes again.
// Built with clang: cmake -DSHOWPLAYER_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ ...
// Run: build-fuzz/tests/fuzz/showtool_build_fuzz tests/fuzz/corpus/showtool_build

#include <cstdint>
#include <cstdlib>
#include <string>

#include <nlohmann/json.hpp>

#include "tools/controller_json.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto document = nlohmann::ordered_json::parse(data, data + size, nullptr, false);
  if (document.is_discarded()) return 0;
  ControllerJson::Built built;
  try {
    built = ControllerJson::fromDocument(document);
  } catch (const ChunkJson::ModelError&) {
    return 0;
  } catch (const nlohmann::ordered_json::exception&) {
    return 0;
  }
  const auto format =
      ControllerJson::formatOfFileName("fuzz." + document["format"].get<std::string>());
  for (const bool tree : {false, true}) {
    const auto again = ControllerJson::fromDocument(
        ControllerJson::toDocument(built.data, format, built.packed, tree));
    if (again.data != built.data || again.packed != built.packed) std::abort();
  }
  return 0;
}
