// showtool: makes and reads controller files (.lcx, .lecx), scenes (.l3x) and other chunk files
// as JSON, and makes scenes of 3D models.

#include <iostream>
#include <string>
#include <vector>

#include "tools/show_tool.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  return runShowTool(args, std::cout, std::cerr);
}
