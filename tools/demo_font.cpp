#include "tools/demo_font.h"

#include "image/bitmap_font.h"

namespace DemoFont {

int textWidth(std::string_view text, int scale) {
  return static_cast<int>(text.size()) * kGlyphSize * scale;
}

void drawText(PictureWriter::Picture& picture, std::string_view text, int x, int y, int scale,
              std::uint32_t color) {
  int cellX = x;
  for (const char character : text) {
    // Only the letters of the pictures' texts are drawn; anything else leaves a blank cell.
    const bool drawn = (character >= 'A' && character <= 'Z') ||
                       (character >= '0' && character <= '9') || character == '.' ||
                       character == '!';
    const auto& rows = BitmapFont::glyph(drawn ? character : ' ');
    for (int row = 0; row < kGlyphSize * scale; ++row) {
      const int py = y + row;
      if (py < 0 || py >= picture.height) continue;
      const unsigned bits = rows[static_cast<std::size_t>(row / scale)];
      for (int column = 0; column < kGlyphSize * scale; ++column) {
        const int px = cellX + column;
        if (px >= 0 && px < picture.width && ((bits >> (column / scale)) & 1u) != 0)
          picture.at(px, py) = color;
      }
    }
    cellX += kGlyphSize * scale;
  }
}

}  // namespace DemoFont
