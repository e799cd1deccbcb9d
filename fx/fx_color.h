#pragma once
// FxColor: a whole-layer colour operation chosen by a mode number (the COLOR effect).

#include <cstdint>

#include "image/cimage32.h"

class FxColor {
 public:
  enum Mode : int32_t {
    ADD = 0,     // addColor with the colour; nothing when r, g and b are all 0
    SUB = 1,     // subColor with the colour; nothing when r, g and b are all 0
    MASK = 2,    // maskPixel with the colour (the layer width must be even)
    INVERT = 3,  // invert (the layer width must be even)
    GRAY = 4,    // toGray
    RED = 5,     // grayToRed
    GREEN = 6,   // grayToGreen
    BLUE = 7,    // grayToBlue
  };

  // The colour word (r << 16) + (g << 8) + b, wrapping like 32-bit integers, so a channel above 255
  // spills into the next byte (and a negative one borrows from it).
  static uint32_t colorWord(int32_t r, int32_t g, int32_t b);

  // Applies `mode` with the channels to the layer; other mode numbers and a null layer do nothing.
  static void apply(CImage32* pLayer, int32_t mode, int32_t r, int32_t g, int32_t b);
};
