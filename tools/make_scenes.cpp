// make_scenes OUTPUT_FOLDER PICTURE_FOLDER: writes the demo's 3D models (city.gltf and
// workshop.gltf) into the output folder, their pictures named as found in the picture folder
// (where make_pictures draws them), relative to the output folder.

#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <system_error>
#include <utility>

#include "tools/demo_scenes.h"
#include "tools/demo_workshop.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: make_scenes OUTPUT_FOLDER PICTURE_FOLDER\n";
    return 2;
  }
  namespace fs = std::filesystem;
  const fs::path folder = argv[1];
  std::error_code error;
  fs::create_directories(folder, error);
  if (error) {
    std::cerr << "make_scenes: cannot create " << folder.string() << ": " << error.message()
              << "\n";
    return 1;
  }
  const fs::path from = fs::absolute(folder, error).lexically_normal();
  const fs::path to = fs::absolute(argv[2], error).lexically_normal();
  fs::path pictures = to.lexically_relative(from);
  if (pictures.empty()) pictures = to;
  const std::pair<const char*, std::string> models[] = {
      {"city.gltf", DemoScenes::cityGltf(pictures == "." ? "" : pictures.generic_string())},
      {"workshop.gltf", DemoWorkshop::workshopGltf()}};
  for (const auto& [name, text] : models) {
    const fs::path file = folder / name;
    std::ofstream out(file, std::ios::binary);
    out << text;
    out.close();
    if (!out) {
      std::cerr << "make_scenes: cannot write " << file.string() << "\n";
      return 1;
    }
  }
  return 0;
}
