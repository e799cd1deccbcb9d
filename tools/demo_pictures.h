#pragma once
// The demo's pictures, drawn from code: gradients, value noise, shapes and text, each with the
// file format it is stored in.

#include <cstdint>
#include <string>
#include <vector>

#include "tools/picture_writer.h"

namespace DemoPictures {

enum class FileKind : std::uint8_t { Bmp, Tga, TgaRunLength, GrayTga, GrayTgaRunLength };

struct PictureFile {
  std::string name;  // file name with its extension
  FileKind kind;
  PictureWriter::Picture picture;
};

// 0x00RRGGBB from 0..255 components.
constexpr std::uint32_t rgb(std::uint32_t red, std::uint32_t green, std::uint32_t blue) {
  return (red << 16) | (green << 8) | blue;
}

// Component by component a + (b - a) * t, t from 0 to 1.
std::uint32_t mixColor(std::uint32_t a, std::uint32_t b, float t);

// Smooth value noise from 0 to 1: `octaves` layers of a random lattice with cells of `cellSize`
// pixels, each next octave at half the cell size and half the weight. The same seed gives the
// same picture on every machine (integer hash, no library random generator).
float valueNoise(float x, float y, float cellSize, int octaves, std::uint32_t seed);

// Every picture of the demo, in the order they are written.
std::vector<PictureFile> makeAll();

// The bytes of a picture in its file format.
std::vector<std::uint8_t> encode(const PictureFile& file);

}  // namespace DemoPictures
