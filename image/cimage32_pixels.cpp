// The whole-image pixel operations of CImage32. The per-pixel loops are in pixel_kernels.cpp.

#include <cstring>

#include "image/cimage32.h"
#include "image/pixel_kernels_p.h"

namespace kernels = pixel_kernels::packed;
using pixel_kernels::GrayChannel;

namespace {
constexpr int32_t kTextureSize = 256;
}  // namespace

void CImage32::fill(uint32_t color) {
  kernels::fill(m_pPixels, pixelCount(), color);
}

void CImage32::doubleIntensity() {
  kernels::doubleIntensity(m_pPixels, pixelCount());
}

void CImage32::addColor(uint32_t color) {
  kernels::addColor(m_pPixels, pixelCount(), color);
}

void CImage32::subColor(uint32_t color) {
  kernels::subColor(m_pPixels, pixelCount(), color);
}

// The even-width rule comes from walking two pixels per 64-bit step; the packed loop does not need
// it, but an odd width is still refused as a whole.
void CImage32::maskPixel(uint32_t color) {
  if (m_width % 2 != 0) {
    warning("maskPixel: width must be even");
    return;
  }
  kernels::maskPixel(m_pPixels, pixelCount(), color);
}

void CImage32::invert() {
  if (m_width % 2 != 0) {
    warning("invert: width must be even");
    return;
  }
  kernels::invert(m_pPixels, pixelCount());
}

void CImage32::toGray() {
  kernels::toGray(m_pPixels, pixelCount());
}

void CImage32::grayToRed() {
  kernels::grayToChannel(m_pPixels, pixelCount(), GrayChannel::Red);
}

void CImage32::grayToGreen() {
  kernels::grayToChannel(m_pPixels, pixelCount(), GrayChannel::Green);
}

void CImage32::grayToBlue() {
  kernels::grayToChannel(m_pPixels, pixelCount(), GrayChannel::Blue);
}

void CImage32::setPixel(uint32_t x, uint32_t y, uint32_t color) {
  if (pixelCount() == 0) return;
  // Unsigned compares: a negative coordinate arrives as a huge value and fails them too.
  if (x >= static_cast<uint32_t>(m_width) || y >= static_cast<uint32_t>(m_height)) return;
  m_pPixels[static_cast<size_t>(y) * static_cast<size_t>(m_width) + x] = color;
}

void CImage32::copyWindow(const CImage32& src, int32_t x, int32_t y) {
  if (pixelCount() == 0 || src.pixelCount() == 0) return;
  // Callers pass windows inside src; anything else would read outside it, so it is ignored.
  // 64-bit sums: x + width cannot overflow.
  if (x < 0 || y < 0 || int64_t{x} + m_width > src.m_width ||
      int64_t{y} + m_height > src.m_height) {
    return;
  }
  const size_t width = static_cast<size_t>(m_width);
  const size_t srcWidth = static_cast<size_t>(src.m_width);
  for (size_t row = 0; row < static_cast<size_t>(m_height); ++row) {
    const uint32_t* pFrom =
        src.m_pPixels + (static_cast<size_t>(y) + row) * srcWidth + static_cast<size_t>(x);
    std::memmove(m_pPixels + row * width, pFrom, width * sizeof(uint32_t));
  }
}

void CImage32::clearFirstRow() {
  if (pixelCount() == 0) return;
  kernels::fill(m_pPixels, static_cast<size_t>(m_width), 0);
}

void CImage32::clearLastRow() {
  if (pixelCount() == 0) return;
  const size_t width = static_cast<size_t>(m_width);
  kernels::fill(m_pPixels + static_cast<size_t>(m_height - 1) * width, width, 0);
}

void CImage32::clearFirstColumn() {
  if (pixelCount() == 0) return;
  const size_t width = static_cast<size_t>(m_width);
  for (size_t row = 0; row < static_cast<size_t>(m_height); ++row)
    m_pPixels[row * width] = 0;
}

void CImage32::init256x256Tiled(const CImage32* pSrc) {
  if (m_width != kTextureSize || m_height != kTextureSize) {
    warning("init256x256Tiled: bad dimensions");
    return;
  }
  if (!pSrc) {
    warning("init256x256Tiled: source NULL");
    return;
  }
  CImage32Buffered stretched;
  stretched.initResampled256(*pSrc);
  tile256x256From(stretched);
}

bool CImage32::tile256x256From(const CImage32& src256) {
  if (m_width != kTextureSize || m_height != kTextureSize || !m_pPixels) return false;
  if (src256.m_width != kTextureSize || src256.m_height != kTextureSize || !src256.m_pPixels) {
    return false;
  }
  if (&src256 == this) return false;
  // Each source row of a strip is 8 consecutive words in the tiled layout, so whole 8-pixel runs
  // are copied: strip k, row y goes to words k * 2048 + y * 8 .. + 7.
  constexpr uint32_t kStripWidth = 8;
  for (uint32_t y = 0; y < kTextureSize; ++y) {
    const uint32_t* pRow = src256.m_pPixels + y * kTextureSize;
    for (uint32_t x = 0; x < kTextureSize; x += kStripWidth) {
      std::memcpy(m_pPixels + tiledWordIndex256(x, y), pRow + x, kStripWidth * sizeof(uint32_t));
    }
  }
  return true;
}
