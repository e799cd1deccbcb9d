#pragma once
// FxHVBlur: a one-directional box blur of a bound layer, in place, with three ways of combining
// the average with the picture. Running sums make its cost independent of the window length.

#include <cstdint>
#include <vector>

#include "image/cimage32.h"

class FxHVBlur {
 public:
  enum Direction : int32_t { HORIZONTAL = 0, VERTICAL = 1 };
  enum DrawMode : int32_t { NORMAL = 0, TRANSADD = 1, TRANSSUB = 2 };

  // Built for one layer size; a size below 1 is reported and the object stays inert. Window 64.
  FxHVBlur(int32_t width, int32_t height);

  // Window length: n, or n + 1 when n is odd. A power of two averages by a shift, other lengths by
  // (sum * multiplier) >> shift with shift = floor(log2 size) + 8 and multiplier = 2^shift / size
  // rounded to nearest (a fraction of exactly one half rounds down).
  void setSize(int32_t n);
  void setDirection(Direction direction) { m_direction = direction; }
  void setDrawMode(DrawMode drawMode) { m_drawMode = drawMode; }
  // Binds the layer to blur (null unbinds); it must have the constructor's size, else a report and
  // the old binding stays, so a caller that applies anyway blurs the layer bound before: check
  // the size first and skip the run, as the script's sized effects do.
  void setScreen(CImage32* pScreen);

  // Blurs the bound layer in the set direction and draw mode. Windows below 1 are the identity:
  // TRANSADD doubles every byte, TRANSSUB clears the layer, NORMAL leaves it.
  void apply();
  // Row y of the bound layer blurred horizontally in NORMAL mode with the multiplier form of the
  // window, also for powers of two (the per-row blur of the special effects).
  void blurRowMultiplied(int32_t y);

  int32_t getSize() const { return m_size; }
  CImage32* getScreen() const { return m_pScreen; }
  bool isPowerOfTwo() const { return m_isPowerOfTwo; }
  // log2(size) for a power of two.
  int32_t getShift() const { return m_shift; }
  int32_t getMultiplierShift() const { return m_multiplierShift; }
  uint32_t getMultiplier() const { return m_multiplier; }

 private:
  bool screenReady() const;
  void blurHorizontal();
  void blurVertical();

  int32_t m_width;
  int32_t m_height;
  int32_t m_size = 0;
  Direction m_direction = HORIZONTAL;
  DrawMode m_drawMode = NORMAL;
  CImage32* m_pScreen = nullptr;
  bool m_isPowerOfTwo = false;
  int32_t m_shift = 0;
  int32_t m_multiplierShift = 0;
  uint32_t m_multiplier = 0;
  // Vertical running sums: four 16-bit channel sums per column.
  std::vector<uint16_t> m_sums;
  // The input pixels of the rows being processed (rows already overwritten in the layer).
  CImage32Buffered m_copy;
};
