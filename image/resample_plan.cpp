#include "image/resample_plan_p.h"

namespace {

bool resamplable(const CImage32& image) {
  return image.getPixels() && image.getWidth() >= 1 && image.getHeight() >= 1 &&
         image.getWidth() <= CImage32::kMaxResampleSide &&
         image.getHeight() <= CImage32::kMaxResampleSide;
}

size_t pixelsOf(const CImage32& image) {
  return static_cast<size_t>(image.getWidth()) * static_cast<size_t>(image.getHeight());
}

}  // namespace

bool ResamplePlan::prepare(const CImage32& source, CImage32* pDst, const CImage32* pAlphaMap,
                           int mode, float alpha, Filter filter) {
  if (!pDst || !resamplable(source) || !resamplable(*pDst)) return false;
  if (!(alpha > 0.0f) && !pAlphaMap) return false;
  if (pAlphaMap && (!pAlphaMap->getPixels() || pAlphaMap->getWidth() != source.getWidth() ||
                    pAlphaMap->getHeight() != source.getHeight())) {
    return false;
  }
  const CImage32* pTexels = &source;
  if (filter == Filter::kBilinear && !source.hasGuardRows()) {
    // Memory owned by the caller ends with the last row; the copy reads zeros below it, as every
    // owned image does.
    m_guarded.initCopy(source);
    if (!m_guarded.getPixels()) return false;
    pTexels = &m_guarded;
  }
  using resample::Sampling;
  const bool bilinear = filter == Filter::kBilinear;
  const resample::Combination combination =
      resample::combinationFor(mode, pAlphaMap != nullptr, alpha);
  m_span = resample::spanFor(bilinear ? Sampling::kBilinear : Sampling::kNearest, combination);
  m_rowSpan =
      resample::spanFor(bilinear ? Sampling::kBilinearRow : Sampling::kNearestRow, combination);
  if (!m_span || !m_rowSpan) return false;
  m_texture.pTexels = pTexels->getPixels();
  m_texture.pMap = pAlphaMap ? pAlphaMap->getPixels() : nullptr;
  m_texture.width = static_cast<uint32_t>(source.getWidth());
  m_texture.opacity = blit_kernels::weightWord(blit_kernels::weightFromOpacity(alpha));
  // The guard rows (two below the image) are readable too.
  m_texture.nbTexel = pixelsOf(source) + (pTexels->hasGuardRows() ? 2 * m_texture.width : 0);
  m_texture.nbMapWord = pAlphaMap ? pixelsOf(source) : 0;
  m_pDst = pDst->getPixels();
  m_dstWidth = pDst->getWidth();
  m_dstHeight = pDst->getHeight();
  m_uLimit = (source.getWidth() << 16) - 1;
  m_vLimit = (source.getHeight() << 16) - 1;
  return true;
}
