// The two-image operators of CImage32: this image is the source, the destination is written.
// Each checks the sizes (and, for the two-pixel operators, the width) before it writes, reports
// through the source's error(), and hands the whole run to one span loop of blit_kernels_p.h,
// picked from the table once per call.

#include <string>

#include "image/blit_kernels_p.h"
#include "image/cimage32.h"

using blit_kernels::BlitOp;
using blit_kernels::WeightedBlitOp;
using blit_kernels::Weights;

size_t CImage32::blitPixelCount(const CImage32* pDst, std::string_view name, BlitWidth rule) const {
  if (!pDst) return 0;
  if (!sameSizeAs(*pDst)) {
    error(std::string(name) + ": must be same dimensions");
    return 0;
  }
  // The packed loops were shaped for two pixels per 64-bit step, so an odd row is refused whole.
  if (rule == BlitWidth::Even && (m_width & 1) != 0) {
    error(std::string(name) + ": width must be even");
    return 0;
  }
  if (!pDst->getPixels()) return 0;
  return pixelCount();
}

size_t CImage32::blitPixelCount(const CImage32* pDst, const CImage32& alphaMap,
                                std::string_view name) const {
  const size_t count = blitPixelCount(pDst, name, BlitWidth::Even);
  if (count == 0) return 0;
  // The map is read in the source's flat order; it need not have the same shape, but it must
  // never be read past its end.
  if (alphaMap.pixelCount() < count) {
    error(std::string(name) + ": alpha map smaller than source");
    return 0;
  }
  return count;
}

namespace {

void runBlend(BlitOp op, CImage32& dst, const uint32_t* pSrc, size_t count) {
  blit_kernels::blendSpanFor(op)(dst.getPixels(), pSrc, count);
}

void runWeighted(WeightedBlitOp op, CImage32& dst, const uint32_t* pSrc, float alpha,
                 size_t count) {
  const Weights weights{nullptr, blit_kernels::weightWord(blit_kernels::weightFromOpacity(alpha))};
  blit_kernels::weightedSpanFor(op)(dst.getPixels(), pSrc, weights, count);
}

void runWeighted(WeightedBlitOp op, CImage32& dst, const uint32_t* pSrc, const CImage32& alphaMap,
                 size_t count) {
  blit_kernels::weightedSpanFor(op)(dst.getPixels(), pSrc, Weights{alphaMap.getPixels(), 0}, count);
}

}  // namespace

void CImage32::blit(CImage32* pDst) const {
  if (const size_t count = blitPixelCount(pDst, "blit", BlitWidth::Any))
    runBlend(BlitOp::Copy, *pDst, m_pPixels, count);
}

void CImage32::blitTransDiv(CImage32* pDst) const {
  if (const size_t count = blitPixelCount(pDst, "blitTransDiv", BlitWidth::Even))
    runBlend(BlitOp::HalfAdd, *pDst, m_pPixels, count);
}

void CImage32::blitAlpha(CImage32* pDst, float alpha) const {
  if (const size_t count = blitPixelCount(pDst, "blitAlpha", BlitWidth::Even))
    runWeighted(WeightedBlitOp::Alpha, *pDst, m_pPixels, alpha, count);
}

void CImage32::blitAlpha(CImage32* pDst, const CImage32& alphaMap) const {
  if (const size_t count = blitPixelCount(pDst, alphaMap, "blitAlpha"))
    runWeighted(WeightedBlitOp::AlphaMap, *pDst, m_pPixels, alphaMap, count);
}

void CImage32::blitTransAdd(CImage32* pDst) const {
  if (const size_t count = blitPixelCount(pDst, "blitTransAdd", BlitWidth::Even))
    runBlend(BlitOp::Add, *pDst, m_pPixels, count);
}

void CImage32::blitAlphaTransAdd(CImage32* pDst, float alpha) const {
  if (const size_t count = blitPixelCount(pDst, "blitAlphaTransAdd", BlitWidth::Even))
    runWeighted(WeightedBlitOp::AlphaAdd, *pDst, m_pPixels, alpha, count);
}

void CImage32::blitAlphaTransAdd(CImage32* pDst, const CImage32& alphaMap) const {
  if (const size_t count = blitPixelCount(pDst, alphaMap, "blitAlphaTransAdd"))
    runWeighted(WeightedBlitOp::AlphaAddMap, *pDst, m_pPixels, alphaMap, count);
}

void CImage32::blitTransSub(CImage32* pDst) const {
  if (const size_t count = blitPixelCount(pDst, "blitTransSub", BlitWidth::Even))
    runBlend(BlitOp::Sub, *pDst, m_pPixels, count);
}

void CImage32::blitAlphaTransSub(CImage32* pDst, float alpha) const {
  if (const size_t count = blitPixelCount(pDst, "blitAlphaTransSub", BlitWidth::Even))
    runWeighted(WeightedBlitOp::AlphaSub, *pDst, m_pPixels, alpha, count);
}

void CImage32::blitAlphaTransSub(CImage32* pDst, const CImage32& alphaMap) const {
  if (const size_t count = blitPixelCount(pDst, alphaMap, "blitAlphaTransSub"))
    runWeighted(WeightedBlitOp::AlphaSubFromSource, *pDst, m_pPixels, alphaMap, count);
}

void CImage32::blitMix(CImage32* pDst, int mode, const CImage32* pAlphaMap, float alpha) const {
  if (alpha <= 0.0f && !pAlphaMap) return;
  if (!pDst) return;
  // The exact comparisons are the dispatch itself: 0.5 and 1.0 take the cheaper exact operators.
  switch (mode) {
    case kBlitModeNormal:
      if (pAlphaMap) {
        blitAlpha(pDst, *pAlphaMap);
      } else if (alpha == 0.5f) {
        blitTransDiv(pDst);
      } else if (alpha == 1.0f) {
        blit(pDst);
      } else {
        blitAlpha(pDst, alpha);
      }
      return;
    case kBlitModeTransSub:
      if (pAlphaMap) {
        blitAlphaTransSub(pDst, *pAlphaMap);
      } else if (alpha == 1.0f) {
        blitTransSub(pDst);
      } else {
        blitAlphaTransSub(pDst, alpha);
      }
      return;
    default:  // kBlitModeTransAdd and every other value
      if (pAlphaMap) {
        blitAlphaTransAdd(pDst, *pAlphaMap);
      } else if (alpha == 1.0f) {
        blitTransAdd(pDst);
      } else {
        blitAlphaTransAdd(pDst, alpha);
      }
      return;
  }
}
