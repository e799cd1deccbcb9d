#include "fx/fx_color.h"

uint32_t FxColor::colorWord(int32_t r, int32_t g, int32_t b) {
  return (static_cast<uint32_t>(r) << 16) + (static_cast<uint32_t>(g) << 8) +
         static_cast<uint32_t>(b);
}

void FxColor::apply(CImage32* pLayer, int32_t mode, int32_t r, int32_t g, int32_t b) {
  if (!pLayer) return;
  const bool black = r == 0 && g == 0 && b == 0;
  switch (mode) {
    case ADD:
      if (!black) pLayer->addColor(colorWord(r, g, b));
      break;
    case SUB:
      if (!black) pLayer->subColor(colorWord(r, g, b));
      break;
    case MASK:
      pLayer->maskPixel(colorWord(r, g, b));
      break;
    case INVERT:
      pLayer->invert();
      break;
    case GRAY:
      pLayer->toGray();
      break;
    case RED:
      pLayer->grayToRed();
      break;
    case GREEN:
      pLayer->grayToGreen();
      break;
    case BLUE:
      pLayer->grayToBlue();
      break;
    default:
      break;
  }
}
