#include "raster/poly_filler.h"

#include "base/report.h"

void PolyFiller::warning(const char* text) {
  report("PolyFiller warning:", text, ReportLevel::Warning);
}

void PolyFiller::setDestination(CImage32* pDestination) {
  if (!pDestination) {
    warning("setDestination: pDestination NULL");
    return;
  }
  if (pDestination->getWidth() < 1 || pDestination->getHeight() < 1) {
    warning("setDestination: bad dimension");
    return;
  }
  width = pDestination->getWidth();
  height = pDestination->getHeight();
  m_pDest = pDestination->getPixels();
  if (!m_pDest) warning("setDestination: m_pDest NULL");
}

void PolyFiller::setZBuffer(const ZBuffer* pZBuffer) {
  if (!pZBuffer) return;
  if (pZBuffer->width != width || pZBuffer->height != height) {
    warning("setZBuffer: dimension different");
    return;
  }
  m_pZBuffer = pZBuffer->pData;
  m_zBufferWidth = pZBuffer->width;
  m_zBufferHeight = pZBuffer->height;
  if (!m_pZBuffer) warning("setZBuffer: m_pZBuffer NULL");
}

void PolyFiller::bindMaterial(const RasterMaterial* pMaterial, OpacityRounding rounding) {
  m_pMaterial = pMaterial;
  m_enabled = pMaterial ? 1 : 0;
  m_pColors = pMaterial ? pMaterial->colors.data() : nullptr;
  m_context.alpha = pMaterial ? opacityWeight(pMaterial->opacity, rounding) : 255;
}

bool PolyFiller::canDraw(const float* pVertices, int n) const {
  return m_enabled != 0 && m_pDest && pVertices && n >= 1 && n <= kMaxPolygonVertices;
}
