// make_video OUTPUT_FILE: writes the demo's video (tools/demo_video.h).

#include <iostream>

#include "tools/demo_video.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: make_video OUTPUT_FILE\n";
    return 2;
  }
  if (const auto failure = DemoVideo::write(argv[1])) {
    std::cerr << "make_video: " << argv[1] << ": " << *failure << "\n";
    return 1;
  }
  return 0;
}
