#pragma once
// FxRadial: a recursive radial blur that smears the bound layer outward from a centre point. Each
// pixel mixes in its neighbours one step back toward the centre, which were updated before it.

#include <cstdint>
#include <vector>

#include "image/cimage32.h"

class FxRadial {
 public:
  enum Mode : int32_t { SMOOTH = 0, FAST = 1 };

  // Decay 0.9, strength 0.08, SMOOTH, centre (width / 2, height / 2); builds the ray table.
  FxRadial(int32_t width, int32_t height);

  // Each coordinate truncated and clamped into the layer.
  void setCentre(float x, float y);
  // Both clamped to 0..1 (NaN counts as 0).
  void setStrength(float strength);
  void setDecay(float decay);
  void setMode(Mode mode) { m_mode = mode; }
  // Binds the layer (null unbinds); a wrong size is reported and the old binding stays, so a
  // caller that applies anyway works on the layer bound before: check the size first and skip
  // the run, as the script's sized effects do (safer than touching another layer).
  void setScreen(CImage32* pScreen);

  // The four quadrant passes, lower-right first, each from the centre outward. Nothing without a
  // bound layer or with an unknown mode.
  void apply();

  int32_t getCentreX() const { return m_centreX; }
  int32_t getCentreY() const { return m_centreY; }
  float getStrength() const { return m_strength; }
  float getDecay() const { return m_decay; }
  // The weight 0..256 of the axis neighbour for the offset (x, y) from the centre, 0 <= x < width,
  // 0 <= y < height (-1 outside).
  int32_t tableAt(int32_t x, int32_t y) const;

 private:
  void runQuadrant(int32_t stepX, int32_t stepY);
  uint32_t pixelOrBlack(int32_t x, int32_t y) const;

  int32_t m_width;
  int32_t m_height;
  Mode m_mode = SMOOTH;
  CImage32* m_pScreen = nullptr;
  // Ray-interpolation fractions, row |dy|, column |dx|.
  std::vector<uint16_t> m_table;
  float m_decay = 0.9f;
  float m_strength = 0.08f;
  uint32_t m_weightA = 0;
  uint32_t m_weightB = 0;
  int32_t m_centreX;
  int32_t m_centreY;
};
