#pragma once
// Runs showtool's commands in the test process and reads and writes the files they work on.

#include <cstdint>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "tools/show_tool.h"

namespace show_tool_runner {

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

}  // namespace show_tool_runner
