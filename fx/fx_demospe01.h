#pragma once
// FxDemoSpe01: every row of a 512x256 layer blurred horizontally by its own window length, the
// lengths following a fractal noise curve (mode 0) or a cosine wave moving down the layer with
// the system clock (mode 1).

#include <cstdint>
#include <functional>

#include "control/perlin.h"
#include "fx/fx_hvblur.h"
#include "image/cimage32.h"

class FxDemoSpe01 {
 public:
  enum Mode : int32_t { NOISE = 0, WAVE = 1 };
  static constexpr int32_t kWidth = 512;
  static constexpr int32_t kHeight = 256;

  // Milliseconds since the system started, as the 32-bit millisecond counter (wraps after 49
  // days). Tests fix it; the default reads the steady clock.
  using Clock = std::function<uint32_t()>;
  static uint32_t systemMilliseconds();

  explicit FxDemoSpe01(Clock clock = systemMilliseconds);
  // Draws the noise tables from the program's runtime generator (see Perlin).
  FxDemoSpe01(CrtRand& runtimeRand, Clock clock = systemMilliseconds);

  void setOffset(float offset) { m_offset = offset; }
  void setAmplitude(float amplitude) { m_amplitude = amplitude; }
  void setMode(int32_t mode) { m_mode = mode; }

  // Window length of row y: mode 0 trunc(|fBm(P[0] + (y + offset) 0.00062469, H 0.06746602,
  // lacunarity 2, 6 octaves)| 200 amplitude); mode 1 trunc(cos(y / height 8 pi + t) 33 + 14)
  // with t = milliseconds 0.001 pi. `milliseconds` is only read in mode 1.
  int32_t rowWindow(int32_t y, int32_t height, uint32_t milliseconds);

  // Rows whose window is above 1 are replaced by their box blur (NORMAL, multiplier form); the
  // others stay. A layer of another size is refused by the blur (reported) and left unchanged;
  // nothing for a null layer or another mode.
  void apply(CImage32* pLayer);

  float getOffset() const { return m_offset; }
  float getAmplitude() const { return m_amplitude; }
  int32_t getMode() const { return m_mode; }

 private:
  float m_offset = 0.0f;
  float m_amplitude = 1.0f;
  int32_t m_mode = NOISE;
  FxHVBlur m_blur{kWidth, kHeight};
  Perlin m_noise;
  Clock m_clock;
};
