#pragma once
// The capital letters, digits and a few signs of an 8 x 8 font, for the text of the demo's
// pictures. FIXME: the same glyphs as the player's font in app/; one shared font in image/ would
// replace this table.

#include <cstdint>
#include <string_view>

#include "tools/picture_writer.h"

namespace DemoFont {

inline constexpr int kGlyphSize = 8;

// Draws `text` with its top-left corner at (x, y), every font pixel a `scale` x `scale` square
// of `color`; the cells' background is left as it is, and so is everything outside the picture.
// Characters without a glyph are drawn as blanks.
void drawText(PictureWriter::Picture& picture, std::string_view text, int x, int y, int scale,
              std::uint32_t color);

// Width in pixels of `text` drawn at `scale`.
int textWidth(std::string_view text, int scale);

}  // namespace DemoFont
