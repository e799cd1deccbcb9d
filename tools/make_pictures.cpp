// make_pictures OUTPUT_FOLDER: writes the demo's pictures into the folder (created when missing).

#include <filesystem>
#include <iostream>
#include <system_error>

#include "tools/demo_pictures.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: make_pictures OUTPUT_FOLDER\n";
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) {
    std::cerr << "make_pictures: cannot create " << folder.string() << ": " << error.message()
              << "\n";
    return 1;
  }
  for (const DemoPictures::PictureFile& file : DemoPictures::makeAll()) {
    const std::filesystem::path path = folder / file.name;
    if (!PictureWriter::writeFile(path, DemoPictures::encode(file))) {
      std::cerr << "make_pictures: cannot write " << path.string() << "\n";
      return 1;
    }
  }
  return 0;
}
