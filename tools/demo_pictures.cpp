#include "tools/demo_pictures.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <string_view>
#include <utility>

#include "tools/demo_font.h"

namespace DemoPictures {

namespace {

using PictureWriter::Picture;

// The size of the show's frame and of most of its layers.
constexpr int kWidth = 512;
constexpr int kHeight = 256;

std::uint32_t channel(std::uint32_t color, int shift) {
  return (color >> shift) & 0xFFu;
}

// Integer hash of a lattice point (a few rounds of multiply and xor-shift): 0 to 1.
float latticeValue(std::int32_t x, std::int32_t y, std::uint32_t seed) {
  std::uint32_t h = static_cast<std::uint32_t>(x) * 0x8DA6B343u ^
                    static_cast<std::uint32_t>(y) * 0xD8163841u ^ seed * 0xCB1AB31Fu;
  h ^= h >> 13;
  h *= 0x5BD1E995u;
  h ^= h >> 15;
  return static_cast<float>(h & 0xFFFFu) / 65535.0f;
}

float smooth(float t) {
  return t * t * (3.0f - 2.0f * t);
}

// Every pixel from a function of (x, y).
Picture paint(int width, int height, const std::function<std::uint32_t(int, int)>& pixel) {
  Picture picture(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x)
      picture.at(x, y) = pixel(x, y);
  }
  return picture;
}

float distanceToCentre(int x, int y, float centreX, float centreY) {
  const float dx = static_cast<float>(x) + 0.5f - centreX;
  const float dy = static_cast<float>(y) + 0.5f - centreY;
  return std::sqrt(dx * dx + dy * dy);
}

// Gradient through evenly spaced colour stops, top to bottom.
Picture verticalGradient(std::initializer_list<std::uint32_t> stops) {
  const std::vector<std::uint32_t> colors(stops);
  const float spans = static_cast<float>(colors.size() - 1);
  return paint(kWidth, kHeight, [&](int, int y) {
    const float position = static_cast<float>(y) / static_cast<float>(kHeight - 1) * spans;
    const std::size_t index = std::min(static_cast<std::size_t>(position), colors.size() - 2);
    return mixColor(colors[index], colors[index + 1], position - static_cast<float>(index));
  });
}

// Text lines centred on a black picture, each letter shaded from `top` to `bottom` colour over
// the height of its line.
Picture words(std::initializer_list<std::string_view> lines, int scale, std::uint32_t top,
              std::uint32_t bottom) {
  Picture picture(kWidth, kHeight);
  const int lineHeight = DemoFont::kGlyphSize * scale;
  const int gap = lineHeight / 4;
  const int total = static_cast<int>(lines.size()) * (lineHeight + gap) - gap;
  int y = (kHeight - total) / 2;
  for (const std::string_view line : lines) {
    DemoFont::drawText(picture, line, (kWidth - DemoFont::textWidth(line, scale)) / 2, y, scale, 1);
    for (int row = y; row < y + lineHeight; ++row) {
      const float t = static_cast<float>(row - y) / static_cast<float>(lineHeight - 1);
      const std::uint32_t color = mixColor(top, bottom, t);
      for (int x = 0; x < kWidth; ++x) {
        if (picture.at(x, row) == 1) picture.at(x, row) = color;
      }
    }
    y += lineHeight + gap;
  }
  return picture;
}

// A grey level 0..255 as a grey pixel.
std::uint32_t gray(float level) {
  const auto value = static_cast<std::uint32_t>(std::clamp(level, 0.0f, 255.0f));
  return value * 0x010101u;
}

Picture clouds() {
  return paint(kWidth, kHeight, [](int x, int y) {
    const float n = valueNoise(static_cast<float>(x), static_cast<float>(y), 64.0f, 5, 7u);
    return mixColor(rgb(8, 40, 70), rgb(150, 230, 240), smooth(n));
  });
}

// Concentric rings around the centre, their colour turning with the radius.
Picture rings() {
  constexpr std::uint32_t kPalette[] = {rgb(255, 70, 90), rgb(255, 190, 40), rgb(60, 220, 140),
                                        rgb(60, 140, 255), rgb(180, 80, 255)};
  return paint(kWidth, kHeight, [&](int x, int y) {
    const float d = distanceToCentre(x, y, kWidth / 2.0f, kHeight / 2.0f);
    const int ring = static_cast<int>(d / 14.0f);
    if (ring % 2 == 1) return rgb(10, 6, 20);
    return kPalette[static_cast<std::size_t>(ring / 2) % std::size(kPalette)];
  });
}

// A white-hot disk with twelve rays on black: what the radial blur streaks best.
Picture sun() {
  return paint(kWidth, kHeight, [](int x, int y) {
    const float d = distanceToCentre(x, y, kWidth / 2.0f, kHeight / 2.0f);
    if (d < 36.0f) return rgb(255, 250, 220);
    const float angle =
        std::atan2(static_cast<float>(y - kHeight / 2), static_cast<float>(x - kWidth / 2));
    const bool ray = std::sin(angle * 12.0f) > 0.75f && d < 120.0f;
    if (ray) return mixColor(rgb(255, 200, 60), rgb(120, 20, 0), (d - 36.0f) / 84.0f);
    return rgb(0, 0, 0);
  });
}

Picture checker() {
  return paint(kWidth, kHeight, [](int x, int y) {
    return ((x / 32 + y / 32) % 2 == 0) ? rgb(230, 230, 240) : rgb(40, 30, 90);
  });
}

Picture stripes() {
  constexpr std::uint32_t kColors[] = {rgb(255, 60, 120), rgb(30, 20, 60), rgb(255, 220, 60),
                                       rgb(30, 20, 60)};
  return paint(kWidth, kHeight,
               [&](int x, int y) { return kColors[static_cast<std::size_t>((x + y) / 24) % 4]; });
}

// Twice the width, half the height: the pixel count of a frame in another shape.
Picture strip() {
  return paint(2 * kWidth, kHeight / 2, [](int x, int y) {
    const int band = x / 64;
    const std::uint32_t level = static_cast<std::uint32_t>((band * 37) % 256);
    return (y / 16 + band) % 2 == 0 ? rgb(level, 255 - level, 200) : rgb(0, 0, 0);
  });
}

// The city's facade, 64 x 64 (it repeats on the walls): four floors of four windows in grey
// concrete, about two windows in five lit warm, the others dark glass with a paler top.
Picture facade() {
  return paint(64, 64, [](int x, int y) {
    const float grain = valueNoise(static_cast<float>(x), static_cast<float>(y), 8.0f, 2, 21u);
    const std::uint32_t wall = mixColor(rgb(96, 92, 104), rgb(136, 130, 140), grain);
    const int cx = x % 16, cy = y % 16;
    if (cx < 3 || cx > 12 || cy < 4 || cy > 12) return wall;
    if (cx == 3 || cx == 12 || cy == 4 || cy == 12) return rgb(40, 38, 46);  // the frame
    const bool lit = latticeValue(x / 16, y / 16, 5u) < 0.4f;
    const float down = static_cast<float>(cy - 5) / 6.0f;
    if (lit) return mixColor(rgb(255, 236, 160), rgb(255, 170, 70), down);
    return mixColor(rgb(70, 90, 130), rgb(16, 22, 44), down);
  });
}

// One cell of the city's ground, 64 x 64: a street along each edge (so neighbouring cells make
// one street of two halves, a dashed line where they meet), a kerb, and paving in the middle.
Picture street() {
  return paint(64, 64, [](int x, int y) {
    const int edge = std::min({x, y, 63 - x, 63 - y});
    const float grain = valueNoise(static_cast<float>(x), static_cast<float>(y), 4.0f, 2, 33u);
    if (edge >= 15) return mixColor(rgb(92, 88, 84), rgb(118, 112, 104), grain);  // paving
    if (edge >= 13) return rgb(170, 170, 165);                                    // kerb
    // The dashes along the edge this pixel is nearest, 8 pixels on, 8 off.
    const int along = (x == edge || 63 - x == edge) ? y : x;
    if (edge == 0 && (along / 8) % 2 == 0) return rgb(230, 210, 90);
    return mixColor(rgb(34, 34, 40), rgb(58, 58, 66), grain);
  });
}

// The sprites of the drop's last pattern, on black (added, black adds nothing) unless said.

// A four-pointed star, 64 x 64: a white-hot core 1 / (1 + (d / 3)²) and rays along the axes a
// pixel and a half wide, both fading to nothing at the edge; gold where faint.
Picture star() {
  return paint(64, 64, [](int x, int y) {
    const float dx = std::abs(static_cast<float>(x) + 0.5f - 32.0f);
    const float dy = std::abs(static_cast<float>(y) + 0.5f - 32.0f);
    const float d = std::sqrt(dx * dx + dy * dy);
    const float core = 1.0f / (1.0f + d * d / 9.0f);
    const float ray =
        std::max(std::max(0.0f, 1.0f - dy / 1.5f) * std::max(0.0f, 1.0f - dx / 30.0f),
                 std::max(0.0f, 1.0f - dx / 1.5f) * std::max(0.0f, 1.0f - dy / 30.0f));
    const float level = std::min(1.0f, core + 0.8f * ray) * std::max(0.0f, 1.0f - d / 32.0f);
    const std::uint32_t tone = mixColor(rgb(255, 190, 80), rgb(255, 255, 255), level);
    return mixColor(rgb(0, 0, 0), tone, level);
  });
}

// A soft dot, 32 x 32, the particles' point: (1 - d / 16)² of a pale blue, whiter inside.
Picture dot() {
  return paint(32, 32, [](int x, int y) {
    const float t = std::max(0.0f, 1.0f - distanceToCentre(x, y, 16.0f, 16.0f) / 16.0f);
    const std::uint32_t tone = mixColor(rgb(60, 150, 255), rgb(230, 250, 255), t);
    return mixColor(rgb(0, 0, 0), tone, t * t);
  });
}

// A thin magenta ring of radius 48 on 128 x 128, with a faint glow either side.
Picture halo() {
  return paint(128, 128, [](int x, int y) {
    const float off = std::abs(distanceToCentre(x, y, 64.0f, 64.0f) - 48.0f);
    const float ring = std::max(0.0f, 1.0f - off / 5.0f);
    const float glow = 0.3f * std::max(0.0f, 1.0f - off / 16.0f);
    return mixColor(rgb(0, 0, 0), rgb(255, 90, 230), std::min(1.0f, ring * ring + glow));
  });
}

// A sphere of radius 30, 64 x 64, lit from the upper left (Lambert over a deep blue ambient);
// drawn through orb_mask.tga, which is 255 inside radius 29 and falls to 0 at 31.
Picture orb() {
  return paint(64, 64, [](int x, int y) {
    const float nx = (static_cast<float>(x) + 0.5f - 32.0f) / 30.0f;
    const float ny = (32.0f - static_cast<float>(y) - 0.5f) / 30.0f;
    const float nz = std::sqrt(std::max(0.0f, 1.0f - nx * nx - ny * ny));
    // The light (-0.5, 0.5, 0.707) is of length 1.
    const float light = std::max(0.0f, -0.5f * nx + 0.5f * ny + 0.70710677f * nz);
    return mixColor(rgb(20, 24, 90), rgb(190, 245, 255), light);
  });
}

Picture orbMask() {
  return paint(64, 64, [](int x, int y) {
    const float d = distanceToCentre(x, y, 32.0f, 32.0f);
    return gray(255.0f * std::clamp((31.0f - d) / 2.0f, 0.0f, 1.0f));
  });
}

// A soft grey blob, 64 x 64, subtracted: up to 200 off each channel in the middle.
Picture shadow() {
  return paint(64, 64, [](int x, int y) {
    const float t = std::max(0.0f, 1.0f - distanceToCentre(x, y, 32.0f, 32.0f) / 32.0f);
    return gray(200.0f * t * std::sqrt(t));
  });
}

}  // namespace

std::uint32_t mixColor(std::uint32_t a, std::uint32_t b, float t) {
  t = std::clamp(t, 0.0f, 1.0f);
  std::uint32_t result = 0;
  for (const int shift : {16, 8, 0}) {
    const float from = static_cast<float>(channel(a, shift));
    const float to = static_cast<float>(channel(b, shift));
    result |= static_cast<std::uint32_t>(std::lround(from + (to - from) * t)) << shift;
  }
  return result;
}

float valueNoise(float x, float y, float cellSize, int octaves, std::uint32_t seed) {
  float sum = 0.0f;
  float weight = 0.5f;
  float weights = 0.0f;
  for (int octave = 0; octave < octaves; ++octave) {
    const float u = x / cellSize;
    const float v = y / cellSize;
    const auto x0 = static_cast<std::int32_t>(std::floor(u));
    const auto y0 = static_cast<std::int32_t>(std::floor(v));
    const float fx = smooth(u - static_cast<float>(x0));
    const float fy = smooth(v - static_cast<float>(y0));
    const std::uint32_t octaveSeed = seed + static_cast<std::uint32_t>(octave);
    const float top =
        std::lerp(latticeValue(x0, y0, octaveSeed), latticeValue(x0 + 1, y0, octaveSeed), fx);
    const float bottom = std::lerp(latticeValue(x0, y0 + 1, octaveSeed),
                                   latticeValue(x0 + 1, y0 + 1, octaveSeed), fx);
    sum += std::lerp(top, bottom, fy) * weight;
    weights += weight;
    weight *= 0.5f;
    cellSize *= 0.5f;
  }
  return weights > 0.0f ? sum / weights : 0.0f;
}

std::vector<PictureFile> makeAll() {
  std::vector<PictureFile> files;
  auto add = [&](std::string name, FileKind kind, Picture picture) {
    files.push_back({std::move(name), kind, std::move(picture)});
  };
  add("sky.bmp", FileKind::Bmp,
      verticalGradient({rgb(8, 8, 40), rgb(90, 30, 120), rgb(240, 120, 60), rgb(255, 220, 140)}));
  add("clouds.tga", FileKind::Tga, clouds());
  add("rings.bmp", FileKind::Bmp, rings());
  add("sun.bmp", FileKind::Bmp, sun());
  add("checker.tga", FileKind::TgaRunLength, checker());
  add("stripes.tga", FileKind::TgaRunLength, stripes());
  add("strip.tga", FileKind::TgaRunLength, strip());
  add("title.tga", FileKind::TgaRunLength,
      words({"EVERY PIXEL", "IN SOFTWARE"}, 5, rgb(255, 255, 255), rgb(80, 200, 255)));
  add("build.tga", FileKind::TgaRunLength,
      words({"BUILD"}, 8, rgb(255, 240, 120), rgb(255, 80, 40)));
  add("drop.tga", FileKind::TgaRunLength,
      words({"DROP!"}, 8, rgb(255, 255, 255), rgb(255, 40, 160)));
  add("break.tga", FileKind::TgaRunLength,
      words({"BREAK"}, 8, rgb(120, 255, 220), rgb(40, 80, 255)));
  add("finale.tga", FileKind::TgaRunLength,
      words({"FINALE"}, 8, rgb(255, 220, 80), rgb(255, 255, 255)));
  add("end.bmp", FileKind::Bmp, words({"THE END"}, 6, rgb(200, 200, 220), rgb(90, 90, 140)));
  // Textures of the city (3D): powers of two on each side.
  add("facade.tga", FileKind::Tga, facade());
  add("street.tga", FileKind::TgaRunLength, street());
  // Sprites of the drop's last pattern (2D and 3D): powers of two on each side.
  add("star.tga", FileKind::Tga, star());
  add("dot.tga", FileKind::Tga, dot());
  add("halo.tga", FileKind::TgaRunLength, halo());
  add("orb.tga", FileKind::Tga, orb());
  add("orb_mask.tga", FileKind::GrayTga, orbMask());
  add("shadow.tga", FileKind::Tga, shadow());
  // Alpha maps: grey levels weight each byte of a mix.
  add("mask_bars.tga", FileKind::GrayTgaRunLength,
      paint(kWidth, kHeight, [](int x, int) { return gray((x / 32) % 2 == 0 ? 255.0f : 0.0f); }));
  add("mask_wipe.tga", FileKind::GrayTga,
      paint(kWidth, kHeight, [](int x, int) { return gray(static_cast<float>(x) / 2.0f); }));
  return files;
}

std::vector<std::uint8_t> encode(const PictureFile& file) {
  using PictureWriter::TgaColors;
  using PictureWriter::TgaEncoding;
  switch (file.kind) {
    case FileKind::Bmp:
      return PictureWriter::encodeBmp(file.picture);
    case FileKind::Tga:
      return PictureWriter::encodeTga(file.picture, TgaColors::TrueColor, TgaEncoding::Raw);
    case FileKind::TgaRunLength:
      return PictureWriter::encodeTga(file.picture, TgaColors::TrueColor, TgaEncoding::RunLength);
    case FileKind::GrayTga:
      return PictureWriter::encodeTga(file.picture, TgaColors::Gray, TgaEncoding::Raw);
    case FileKind::GrayTgaRunLength:
      return PictureWriter::encodeTga(file.picture, TgaColors::Gray, TgaEncoding::RunLength);
  }
  return {};
}

}  // namespace DemoPictures
