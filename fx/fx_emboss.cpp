#include "fx/fx_emboss.h"

#include <algorithm>
#include <cstring>

#include "base/report.h"
#include "fx/fx_kernels_p.h"

FxEmboss::FxEmboss(int32_t width, int32_t height) : m_width(width), m_height(height) {
  if (width < 1 || height < 1) return;
  m_sums.assign((static_cast<size_t>(width) + 2) * 4, 0);
  m_copy.init(width, height);
}

void FxEmboss::setScreen(CImage32* pScreen) {
  if (pScreen && (pScreen->getWidth() != m_width || pScreen->getHeight() != m_height)) {
    report("FxEmboss : ", "setScreen: not same dimensions as the constructor one");
    return;
  }
  m_pScreen = pScreen;
}

// Rows are read from the copy as flat memory: the span of row r from column -1 to column width
// starts one word before the row, so columns -1 and width are the neighbouring words (the last
// pixel of the row above, the first of the row below, or guard rows). Rows -1 .. height are
// read, all inside the copy's block with its two guard rows on each side.
void FxEmboss::apply() {
  if (!m_pScreen || !m_pScreen->getPixels() || !m_copy.getPixels() ||
      m_pScreen->getWidth() != m_width || m_pScreen->getHeight() != m_height)
    return;
  if (m_mode != EMBOSS && m_mode != SHADE) return;
  namespace kernels = fx_kernels::packed;
  uint32_t* pScreen = m_pScreen->getPixels();
  const uint32_t* pCopy = m_copy.getPixels();
  std::memcpy(m_copy.getPixels(), pScreen,
              static_cast<size_t>(m_width) * static_cast<size_t>(m_height) * sizeof(uint32_t));
  const auto pitch = static_cast<ptrdiff_t>(m_width);
  const int32_t spanLength = m_width + 2;
  const auto span = [&](int32_t row) { return pCopy + row * pitch - 1; };
  std::fill(m_sums.begin(), m_sums.end(), int16_t{0});
  kernels::addSpanToSums(m_sums.data(), span(-1), spanLength);
  kernels::addSpanToSums(m_sums.data(), span(0), spanLength);
  for (int32_t y = 0; y < m_height; ++y) {
    kernels::addSpanToSums(m_sums.data(), span(y + 1), spanLength);
    uint32_t* pRow = pScreen + y * pitch;
    if (m_mode == EMBOSS)
      kernels::embossRow(m_sums.data(), pRow, m_width);
    else
      kernels::shadeRow(m_sums.data(), pCopy + y * pitch, pRow, m_width, m_level);
    kernels::subSpanFromSums(m_sums.data(), span(y - 1), spanLength);
  }
}
