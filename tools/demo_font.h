#pragma once
// Text of the demo's pictures: the built-in 8 x 8 font scaled up, capitals, digits, '.' and '!'.

#include <cstdint>
#include <string_view>

#include "image/bitmap_font.h"
#include "tools/picture_writer.h"

namespace DemoFont {

inline constexpr int kGlyphSize = BitmapFont::kGlyphWidth;

// Draws `text` with its top-left corner at (x, y), every font pixel a `scale` x `scale` square
// of `color`; the cells' background is left as it is, and so is everything outside the picture.
// Characters without a glyph are drawn as blanks.
void drawText(PictureWriter::Picture& picture, std::string_view text, int x, int y, int scale,
              std::uint32_t color);

// Width in pixels of `text` drawn at `scale`.
int textWidth(std::string_view text, int scale);

}  // namespace DemoFont
