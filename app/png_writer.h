#pragma once
// Writes images as PNG files: 8 bits per channel, RGB, no alpha.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "image/cimage32.h"

namespace PngWriter {

// The pixels of the image as R, G, B bytes, row after row: pixel 0xXXRRGGBB gives RR GG BB and
// its fourth byte is dropped. Empty for an image without pixels.
std::vector<std::uint8_t> toRgb(const CImage32& image);

// Writes the image to `path`. Nothing on success, else the reason (the file may then be missing
// or incomplete).
std::optional<std::string> write(const CImage32& image, const std::string& path);

}  // namespace PngWriter
