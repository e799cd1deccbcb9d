#include "raster/raster_material.h"

#include <bit>
#include <cmath>

namespace {
constexpr int32_t kTiledSize = 256;
}  // namespace

bool RasterTexture::setShape(int32_t width, int32_t height) {
  if (width < 1 || height < 1) return false;
  const auto columns = static_cast<uint32_t>(width);
  const auto rows = static_cast<uint32_t>(height);
  if (!std::has_single_bit(columns) || !std::has_single_bit(rows)) return false;
  m_columnShift = std::countr_zero(columns);
  m_rowShift = std::countr_zero(rows);
  m_columnMask = columns - 1;
  m_rowMask = rows - 1;
  return true;
}

bool RasterTexture::set256x256(const CImage32& src256) {
  clear();
  if (src256.getWidth() != kTiledSize || src256.getHeight() != kTiledSize || !src256.getPixels()) {
    return false;
  }
  m_pPlain = std::make_unique<CImage32Buffered>();
  m_pPlain->initCopy(src256);
  m_pTiled = std::make_unique<CImage32Buffered>(kTiledSize, kTiledSize);
  if (!m_pPlain->getPixels() || !m_pTiled->tile256x256From(src256) ||
      !setShape(kTiledSize, kTiledSize)) {
    clear();
    return false;
  }
  return true;
}

bool RasterTexture::setPowerOfTwo(const CImage32& src) {
  clear();
  if (!src.getPixels() || !setShape(src.getWidth(), src.getHeight())) return false;
  m_pPlain = std::make_unique<CImage32Buffered>();
  m_pPlain->initCopy(src);
  if (!m_pPlain->getPixels()) {
    clear();
    return false;
  }
  return true;
}

void RasterTexture::clear() {
  m_pPlain.reset();
  m_pTiled.reset();
  m_columnShift = 8;
  m_rowShift = 8;
  m_columnMask = 255;
  m_rowMask = 255;
}

uint32_t opacityWeight(float opacity, OpacityRounding rounding) {
  if (!(opacity > 0.0f)) return 0;  // also NaN
  const float scaled = opacity * 255.0f;
  if (scaled >= 255.0f) return 255;
  const float weight =
      rounding == OpacityRounding::Truncate ? std::trunc(scaled) : std::nearbyint(scaled);
  return static_cast<uint32_t>(weight);
}
