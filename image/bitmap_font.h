#pragma once
// A small built-in 8 x 8 font for the printable ASCII characters, kept as data in the code, and
// the text drawing of the display: opaque cells, so each glyph sits on its own background.

#include <array>
#include <cstdint>
#include <string_view>

namespace BitmapFont {

inline constexpr int kGlyphWidth = 8;
inline constexpr int kGlyphHeight = 8;

// The rows of a glyph, top first; bit 0 of a row is its leftmost pixel. A character outside
// ' '..'~' gets the glyph of '?'.
const std::array<std::uint8_t, kGlyphHeight>& glyph(char character);

// Where the text goes: 32-bit pixels, `pitch` pixels from one row to the next.
struct Target {
  std::uint32_t* pPixels = nullptr;
  int width = 0;
  int height = 0;
  int pitch = 0;
};

// Draws `text` with its top-left corner at (x, y), one 8 x 8 cell per character: set bits in
// `foreground`, the rest of each cell in `background`. Whatever falls outside the target is
// left out.
void drawText(const Target& target, std::string_view text, int x, int y, std::uint32_t foreground,
              std::uint32_t background);

}  // namespace BitmapFont
