#pragma once
// PNG files of the golden pictures: 8-bit RGB, the fourth byte of each pixel dropped.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "image/cimage32.h"

namespace poly_png {

struct Picture {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> rgb;  // R, G, B per pixel, row after row
};

// The image's pixels as a picture.
Picture fromImage(const CImage32& image);
// Reads a PNG file as RGB; nothing when it cannot be read.
std::optional<Picture> read(const std::string& path);
// Writes the picture; false on failure.
bool write(const Picture& picture, const std::string& path);

}  // namespace poly_png
