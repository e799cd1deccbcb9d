// make_sprites OUTPUT_FOLDER: writes the drop's last-pattern scenes as JSON into the folder
// (created when missing), pulse.json (a 2D scene) and fountain.json (a 3D scene), for
// `showtool build` to make the .s2d and .l3x of.

#include <filesystem>
#include <fstream>
#include <iostream>
#include <system_error>

#include "tools/demo_sprites.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: make_sprites OUTPUT_FOLDER\n";
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) {
    std::cerr << "make_sprites: cannot create " << folder.string() << ": " << error.message()
              << "\n";
    return 1;
  }
  const struct {
    const char* pName;
    nlohmann::json document;
  } files[] = {{"pulse.json", DemoSprites::pulseScene()},
               {"fountain.json", DemoSprites::fountainScene()}};
  for (const auto& file : files) {
    const std::filesystem::path path = folder / file.pName;
    std::ofstream out(path);
    out << file.document.dump(1) << "\n";
    if (!out) {
      std::cerr << "make_sprites: cannot write " << path.string() << "\n";
      return 1;
    }
  }
  return 0;
}
