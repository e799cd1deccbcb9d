#pragma once
// Helpers of the app tests: temporary folders, script texts, running the built showplayer and
// reading its PNG files back.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/script_text.h"
#include "tests/support/temp_dir.h"

// A fresh temporary folder, removed with everything in it at the end.
class TempFolder : public TempDir {
 public:
  // path() / name as a string.
  std::string file(const std::string& name) const { return (path() / name).string(); }
};

// Writes `text` to `path` as it is (no line-end translation), creating the folders on the way.
void writeTextFile(const std::filesystem::path& path, const std::string& text);

// What one run of the program left.
struct ProgramRun {
  int exitCode = -1;  // the exit status, or 128 + signal when it was killed
  std::string out;
  std::string err;
};

// Runs the built showplayer with `arguments` in the folder `workingFolder`.
ProgramRun runShowPlayer(const std::vector<std::string>& arguments,
                         const std::filesystem::path& workingFolder);

// A decoded PNG file.
struct RgbImage {
  int width = 0;
  int height = 0;
  // libpng's simplified format of the file as stored (PNG_FORMAT_RGB for 8-bit RGB).
  std::uint32_t fileFormat = 0;
  // R, G, B bytes, row after row.
  std::vector<std::uint8_t> bytes;

  // 0xRRGGBB of pixel (x, y).
  std::uint32_t at(int x, int y) const;
};

// Nothing when the file is missing or not a PNG.
std::optional<RgbImage> readPng(const std::string& path);

// Checks a 512 x 384 display whose band (rows 64..319) shows `color` everywhere but on its
// cleared first row, last row and first column, and that is black outside the band. Reports
// the number of wrong pixels and the first one.
::testing::AssertionResult isBandOf(const RgbImage& image, std::uint32_t color);
