#include "fx/fx_hvblur.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstring>

#include "base/report.h"
#include "fx/fx_kernels_p.h"

namespace {

constexpr const char* kCaption = "FxHVBlur : ";
constexpr const char* kDimensionsMessage = "setScreen: not same dimensions as the constructor one";

size_t rowBytes(int32_t width) {
  return static_cast<size_t>(width) * sizeof(uint32_t);
}

}  // namespace

FxHVBlur::FxHVBlur(int32_t width, int32_t height) : m_width(width), m_height(height) {
  if (width < 1) report(kCaption, "width <= 0");
  if (height < 1) report(kCaption, "height <= 0");
  if (width >= 1 && height >= 1) {
    m_sums.assign(static_cast<size_t>(width) * 4, 0);
    m_copy.init(width, height);
  }
  setSize(64);
}

void FxHVBlur::setSize(int32_t n) {
  // n + 1 for odd n; INT_MAX (odd) stays in range as INT_MAX - 1.
  if (n % 2 != 0) n = n == INT_MAX ? INT_MAX - 1 : n + 1;
  m_size = n;
  m_isPowerOfTwo = false;
  m_shift = 0;
  m_multiplierShift = 0;
  m_multiplier = 0;
  if (n < 1) return;
  const auto size = static_cast<uint32_t>(n);
  const int32_t log2Floor = static_cast<int32_t>(std::bit_width(size)) - 1;
  m_isPowerOfTwo = std::has_single_bit(size);
  if (m_isPowerOfTwo) m_shift = log2Floor;
  // The multiplier form is kept for every window (the per-row blur uses it for all of them).
  m_multiplierShift = log2Floor + 8;
  const uint64_t scaled = uint64_t{1} << m_multiplierShift;
  const uint64_t quotient = scaled / size;
  const uint64_t remainder = scaled % size;
  // Round down when the fraction remainder / size is at most one half.
  m_multiplier = static_cast<uint32_t>(quotient + (2 * remainder > size ? 1 : 0));
}

void FxHVBlur::setScreen(CImage32* pScreen) {
  if (pScreen && (pScreen->getWidth() != m_width || pScreen->getHeight() != m_height)) {
    report(kCaption, kDimensionsMessage);
    return;
  }
  m_pScreen = pScreen;
}

bool FxHVBlur::screenReady() const {
  // The layer may have been resized since it was bound; then nothing is touched.
  return m_pScreen && m_pScreen->getPixels() && m_pScreen->getWidth() == m_width &&
         m_pScreen->getHeight() == m_height && m_copy.getPixels();
}

void FxHVBlur::apply() {
  if (!m_pScreen) {
    report(kCaption, "m_pScreen NULL");
    return;
  }
  if (!screenReady()) return;
  if (m_size < 1) {
    if (m_drawMode == TRANSADD) m_pScreen->doubleIntensity();
    if (m_drawMode == TRANSSUB) m_pScreen->fill(0);
    return;
  }
  if (m_drawMode != NORMAL && m_drawMode != TRANSADD && m_drawMode != TRANSSUB) return;
  if (m_direction == HORIZONTAL) blurHorizontal();
  if (m_direction == VERTICAL) blurVertical();
}

void FxHVBlur::blurHorizontal() {
  const fx_kernels::BlurDivider divider{m_isPowerOfTwo,
                                        m_isPowerOfTwo ? m_shift : m_multiplierShift, m_multiplier};
  const auto draw = static_cast<fx_kernels::BlurDraw>(m_drawMode);
  uint32_t* pRow = m_pScreen->getPixels();
  uint32_t* pSaved = m_copy.getPixels();
  for (int32_t y = 0; y < m_height; ++y, pRow += m_width) {
    std::memcpy(pSaved, pRow, rowBytes(m_width));
    fx_kernels::packed::blurRow(pSaved, pRow, m_width, m_size / 2, divider, draw);
  }
}

// Row by row down the layer, one running sum per column: row y + h enters the window (still the
// input, rows below y are not written yet) and row y - h leaves it (taken from the copy).
void FxHVBlur::blurVertical() {
  const fx_kernels::BlurDivider divider{m_isPowerOfTwo,
                                        m_isPowerOfTwo ? m_shift : m_multiplierShift, m_multiplier};
  const auto draw = static_cast<fx_kernels::BlurDraw>(m_drawMode);
  const int32_t half = m_size / 2;
  const auto pitch = static_cast<ptrdiff_t>(m_width);
  uint32_t* pPixels = m_pScreen->getPixels();
  uint32_t* pSaved = m_copy.getPixels();
  std::fill(m_sums.begin(), m_sums.end(), uint16_t{0});
  for (int32_t y = 0; y < std::min(half, m_height); ++y)
    fx_kernels::packed::addRowToSums(m_sums.data(), pPixels + y * pitch, m_width);
  for (int32_t y = 0; y < m_height; ++y) {
    uint32_t* pRow = pPixels + y * pitch;
    uint32_t* pInput = pSaved + y * pitch;
    std::memcpy(pInput, pRow, rowBytes(m_width));
    const uint32_t* pLeaving = y >= half ? pSaved + (y - half) * pitch : nullptr;
    const uint32_t* pEntering = half < m_height - y ? pPixels + (y + half) * pitch : nullptr;
    fx_kernels::packed::blurColumnsStep(m_sums.data(), pLeaving, pEntering, pInput, pRow, m_width,
                                        divider, draw);
  }
}

void FxHVBlur::blurRowMultiplied(int32_t y) {
  if (!screenReady() || y < 0 || y >= m_height || m_size < 1) return;
  const fx_kernels::BlurDivider divider{false, m_multiplierShift, m_multiplier};
  uint32_t* pRow = m_pScreen->getPixels() + static_cast<ptrdiff_t>(y) * m_width;
  uint32_t* pSaved = m_copy.getPixels();
  std::memcpy(pSaved, pRow, rowBytes(m_width));
  fx_kernels::packed::blurRow(pSaved, pRow, m_width, m_size / 2, divider,
                              fx_kernels::BlurDraw::Normal);
}
