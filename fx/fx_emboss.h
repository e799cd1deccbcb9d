#pragma once
// FxEmboss: a relief filter on the bound layer, either as a grey relief (EMBOSS) or as shading
// added to the picture (SHADE). The relief is the difference of three-row column sums one column
// to the right and one to the left.

#include <cstdint>
#include <vector>

#include "image/cimage32.h"

class FxEmboss {
 public:
  enum Mode : int32_t { EMBOSS = 0, SHADE = 1 };

  // Level 255, EMBOSS.
  FxEmboss(int32_t width, int32_t height);

  // Clamped to 0..255: how strongly SHADE lights and darkens the picture.
  void setLevel(int32_t level) { m_level = level < 0 ? 0 : (level > 255 ? 255 : level); }
  void setMode(Mode mode) { m_mode = mode; }
  // Binds the layer (null unbinds); a wrong size is reported and the old binding stays, so a
  // caller that applies anyway works on the layer bound before: check the size first and skip
  // the run, as the script's sized effects do (safer than touching another layer).
  void setScreen(CImage32* pScreen);

  // Nothing without a bound layer or with an unknown mode.
  void apply();

  int32_t getLevel() const { return m_level; }

 private:
  int32_t m_width;
  int32_t m_height;
  int32_t m_level = 255;
  Mode m_mode = EMBOSS;
  CImage32* m_pScreen = nullptr;
  // Three-row sums of the columns -1 .. width, four signed 16-bit lanes each.
  std::vector<int16_t> m_sums;
  // The input pixels; its zeroed guard rows stand for the rows above and below the layer.
  CImage32Buffered m_copy;
};
