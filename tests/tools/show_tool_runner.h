#pragma once
// Runs showtool's commands in the test process, reads and writes the files they work on, and walks
// the chunks of a dump.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tools/show_tool.h"

namespace show_tool_runner {

using Json = nlohmann::ordered_json;

struct Outcome {
  int code;
  std::string out;
  std::string err;
};

inline Outcome run(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  const int code = runShowTool(args, out, err);
  return {code, out.str(), err.str()};
}

inline std::vector<std::uint8_t> readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)),
                                   std::istreambuf_iterator<char>());
}

inline void writeText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

inline bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// dump FILE > FILE.json, build FILE.json -o FILE.copy: the copy must hold the same bytes. Returns
// the dump.
inline std::string roundTrip(const std::string& file, bool tree = false) {
  SCOPED_TRACE(file);
  std::vector<std::string> dumpArgs{"dump", file};
  if (tree) dumpArgs.emplace_back("--tree");
  const Outcome dumped = run(dumpArgs);
  EXPECT_EQ(dumped.code, 0) << dumped.err;
  writeText(file + ".json", dumped.out);
  const Outcome built = run({"build", file + ".json", "-o", file + ".copy"});
  EXPECT_EQ(built.code, 0) << built.err;
  EXPECT_EQ(readBytes(file + ".copy"), readBytes(file));
  return dumped.out;
}

// The children of a dumped chunk; none for a chunk without.
inline const Json& childrenOf(const Json& chunk) {
  static const Json kNone = Json::array();
  return chunk.is_object() && chunk.contains("children") ? chunk.at("children") : kNone;
}

// The chunk reached from `chunk` through child identifiers (the first match at each step); an
// empty object when there is none.
inline const Json& descend(const Json& chunk, std::initializer_list<int> ids) {
  static const Json kNone = Json::object();
  const Json* pChunk = &chunk;
  for (const int id : ids) {
    const Json& children = childrenOf(*pChunk);
    const auto found = std::find_if(children.begin(), children.end(),
                                    [&](const Json& node) { return node.at("id") == id; });
    pChunk = found == children.end() ? &kNone : &*found;
  }
  return *pChunk;
}

// Calls `visit` on every chunk object of a dumped chunk list, depth first.
inline void forEachChunk(const Json& chunks, const std::function<void(const Json&)>& visit) {
  for (const Json& node : chunks) {
    visit(node);
    if (node.contains("children")) forEachChunk(node.at("children"), visit);
  }
}

}  // namespace show_tool_runner
