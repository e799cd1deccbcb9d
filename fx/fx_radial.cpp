#include "fx/fx_radial.h"

#include <algorithm>
#include <cmath>

#include "base/report.h"
#include "fx/fx_kernels_p.h"

namespace {

constexpr const char* kCaption = "FxRadial : ";

// Clamped to 0..1; NaN gives 0.
float clampUnit(float v) {
  if (!(v > 0.0f)) return 0.0f;
  return v < 1.0f ? v : 1.0f;
}

// trunc(v) clamped to 0..last; NaN gives 0. Clamping first keeps the conversion in range.
int32_t truncateInto(float v, int32_t last) {
  if (!(v > 0.0f)) return 0;
  if (v >= static_cast<float>(last)) return std::max(last, 0);
  return static_cast<int32_t>(v);
}

// The axis weight for a ray through offset (x, y): with r^2 = x^2 + y^2, M = max, m = min,
// c = 2 M^2 / r^2 - 1 = cos 2a and s = 2 m M / r^2 = sin 2a of the ray angle a to the major axis,
// the entry is trunc(256 c / (|s| + |c|)): 256 on the axes, 0 on the diagonals.
uint16_t rayWeight(int32_t x, int32_t y) {
  if (x == 0 && y == 0) return 256;
  const auto major = static_cast<float>(std::max(x, y));
  const auto minor = static_cast<float>(std::min(x, y));
  const float r = std::sqrt(static_cast<float>(x) * static_cast<float>(x) +
                            static_cast<float>(y) * static_cast<float>(y));
  const float r2 = r * r;
  const float c = 2.0f * major * major / r2 - 1.0f;
  const float s = 2.0f * minor * major / r2;
  const float w = 256.0f * c / (std::fabs(s) + std::fabs(c));
  return static_cast<uint16_t>(std::clamp(w, 0.0f, 256.0f));
}

}  // namespace

FxRadial::FxRadial(int32_t width, int32_t height)
    : m_width(width), m_height(height), m_centreX(width / 2), m_centreY(height / 2) {
  if (width < 1 || height < 1) return;
  m_table.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x)
      m_table[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] =
          rayWeight(x, y);
}

void FxRadial::setCentre(float x, float y) {
  m_centreX = truncateInto(x, m_width - 1);
  m_centreY = truncateInto(y, m_height - 1);
}

void FxRadial::setStrength(float strength) {
  m_strength = clampUnit(strength);
}

void FxRadial::setDecay(float decay) {
  m_decay = clampUnit(decay);
}

void FxRadial::setScreen(CImage32* pScreen) {
  if (pScreen && (pScreen->getWidth() != m_width || pScreen->getHeight() != m_height)) {
    report(kCaption, "setScreen: not same dimensions as the constructor one");
    return;
  }
  m_pScreen = pScreen;
}

int32_t FxRadial::tableAt(int32_t x, int32_t y) const {
  if (x < 0 || y < 0 || x >= m_width || y >= m_height || m_table.empty()) return -1;
  return m_table[static_cast<size_t>(y) * static_cast<size_t>(m_width) + static_cast<size_t>(x)];
}

void FxRadial::apply() {
  if (!m_pScreen || !m_pScreen->getPixels() || m_table.empty() ||
      m_pScreen->getWidth() != m_width || m_pScreen->getHeight() != m_height)
    return;
  // Weights on a 16384 (SMOOTH) or 256 (FAST) scale, truncated.
  const float scale = m_mode == SMOOTH ? 16384.0f : 256.0f;
  m_weightA = static_cast<uint32_t>((m_strength + m_decay) * scale);
  m_weightB = static_cast<uint32_t>((1.0f - m_decay) * scale);
  if (m_mode != SMOOTH && m_mode != FAST) return;
  runQuadrant(+1, +1);
  runQuadrant(-1, +1);
  runQuadrant(+1, -1);
  runQuadrant(-1, -1);
}

uint32_t FxRadial::pixelOrBlack(int32_t x, int32_t y) const {
  if (x < 0 || y < 0 || x >= m_width || y >= m_height) return 0;
  return m_pScreen->getPixels()[static_cast<ptrdiff_t>(y) * m_width + x];
}

// One quadrant: stepX / stepY = +1 walks right / down from the centre. The right passes own the
// centre column and the lower passes the centre row, so every pixel is updated once. Pixel (a, b)
// steps from the centre is at (cx + stepX a, cy + stepY b); for a <= b its axis neighbour is one
// row toward the centre, otherwise one column; the diagonal neighbour is one of each.
void FxRadial::runQuadrant(int32_t stepX, int32_t stepY) {
  const auto mode = static_cast<fx_kernels::RadialMode>(m_mode);
  const fx_kernels::RadialWeights weights{m_weightA, m_weightB};
  const int32_t aBegin = stepX > 0 ? 0 : 1;
  const int32_t aEnd = stepX > 0 ? m_width - m_centreX : m_centreX + 1;
  const int32_t bBegin = stepY > 0 ? 0 : 1;
  const int32_t bEnd = stepY > 0 ? m_height - m_centreY : m_centreY + 1;
  uint32_t* pPixels = m_pScreen->getPixels();
  const auto rowAt = [&](int32_t b) {
    return pPixels + static_cast<ptrdiff_t>(m_centreY + stepY * b) * m_width + m_centreX;
  };
  const auto tableAt = [&](int32_t b) {
    return m_table.data() + static_cast<ptrdiff_t>(b) * m_width;
  };
  // The centre row and column: a neighbour may lie outside the layer (it reads as black). Their
  // table entries are 256, so only the axis neighbour counts, and that one is inside except for
  // the centre pixel on the top row.
  const auto edgePixel = [&](int32_t a, int32_t b) {
    const int32_t x = m_centreX + stepX * a;
    const int32_t y = m_centreY + stepY * b;
    const int32_t backX = x - stepX;
    const int32_t backY = y - stepY;
    const uint32_t axis = a <= b ? pixelOrBlack(x, backY) : pixelOrBlack(backX, y);
    uint32_t& p = pPixels[static_cast<ptrdiff_t>(y) * m_width + x];
    p = fx_kernels::scalar::radialPixel(mode, weights, p, axis, pixelOrBlack(backX, backY),
                                        tableAt(b)[a]);
  };
  int32_t b = bBegin;
  if (b == 0) {
    for (int32_t a = aBegin; a < aEnd; ++a)
      edgePixel(a, 0);
    ++b;
  }
  const int32_t first = std::max(aBegin, 1);
  // Two rows at a time (their pixels on the centre column first, in order), the last one alone.
  for (; b + 1 < bEnd; b += 2) {
    if (aBegin == 0 && aEnd > 0) {
      edgePixel(0, b);
      edgePixel(0, b + 1);
    }
    fx_kernels::packed::radialRowPair(mode, weights, rowAt(b), rowAt(b - 1), tableAt(b),
                                      rowAt(b + 1), tableAt(b + 1), stepX, b, first, aEnd);
  }
  if (b < bEnd) {
    if (aBegin == 0 && aEnd > 0) edgePixel(0, b);
    fx_kernels::packed::radialRow(mode, weights, rowAt(b), rowAt(b - 1), tableAt(b), stepX, b,
                                  first, aEnd);
  }
}
