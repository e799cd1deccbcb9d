#include <cmath>

#include "image/poly_walk.h"
#include "raster/poly_drawers.h"

using poly_walk::setFixed;

namespace {

// u and v, the fourth and fifth floats of a textured vertex.
template <typename V>
bool setTexel(V& vertex, const float* pIn) {
  return setFixed(vertex, 0, pIn[3]) && setFixed(vertex, 1, pIn[4]);
}

}  // namespace

void TexturedPolyFiller::setTexture(const RasterTexture* pTexture) {
  m_pTexture = pTexture;
  m_pTexels = nullptr;
  m_pTiled = nullptr;
  const CImage32* pPlain = pTexture ? pTexture->plain() : nullptr;
  // The fillers address the plain copy by shift and masks with a row stride of its width, so
  // those must describe the image exactly; the tiled copy must be the 256x256 one.
  const CImage32* pTiled = pTexture ? pTexture->tiled() : nullptr;
  const bool usable =
      pPlain && pPlain->getPixels() && pTexture->columnShift() >= 0 &&
      pTexture->columnShift() < 16 && pPlain->getWidth() == (1 << pTexture->columnShift()) &&
      pTexture->columnMask() == static_cast<uint32_t>(pPlain->getWidth() - 1) &&
      pTexture->rowMask() == static_cast<uint32_t>(pPlain->getHeight() - 1) &&
      (pPlain->getHeight() & (pPlain->getHeight() - 1)) == 0 &&
      (!pTiled || (pTiled->getPixels() && pTiled->getWidth() == 256 && pTiled->getHeight() == 256));
  if (!usable) {
    m_enabled = 0;
    m_context.pTiled = nullptr;
    return;
  }
  m_pTexels = pPlain->getPixels();
  m_pTiled = pTiled ? pTiled->getPixels() : nullptr;
  m_textureWidth = pPlain->getWidth();
  m_textureHeight = pPlain->getHeight();
  m_columnShift = pTexture->columnShift();
  m_rowShift = pTexture->rowShift();
  m_columnMask = pTexture->columnMask();
  m_rowMask = pTexture->rowMask();
  m_context.columnShift = m_columnShift;
  m_context.columnMask = m_columnMask;
  m_context.rowMask = m_rowMask;
  m_context.pTiled = m_pTiled;
  m_context.width = m_textureWidth;
  m_enabled = m_pMaterial ? 1 : 0;
}

void TexturedPolyFiller::bindTexturedMaterial(const RasterMaterial* pMaterial) {
  bindMaterial(pMaterial, OpacityRounding::Nearest);
  setTexture(pMaterial ? pMaterial->pTexture : nullptr);
}

void TexShadePolyFiller::setMaterial(const RasterMaterial* pMaterial) {
  bindTexturedMaterial(pMaterial);
  if (pMaterial) setSpanFillers(texShadeSpanFillers(pMaterial->texShadeSpan));
}

void TexShadePolyFiller::draw(const float* pVertices, int n) {
  uint32_t* pDepth = depthWords();
  if (!canDraw(pVertices, n) || !hasFiller(pDepth)) return;
  poly_walk::drawFixed<3>(
      pVertices, n, kFloatsPerVertex, width, height, pDepth != nullptr,
      [](const float* pIn, auto& v) { return setTexel(v, pIn) && setFixed(v, 2, pIn[5]); },
      [&](const auto& s) {
        spanFiller(m_context, m_pDest + s.offset, m_pTexels, m_pColors, s.count, s.value(0),
                   s.value(1), s.value(2), s.gradient(0), s.gradient(1), s.gradient(2));
      },
      [&](const auto& s) {
        spanFillerZ(m_context, m_pDest + s.offset, pDepth + s.offset, m_pTexels, m_pColors, s.count,
                    s.value(0), s.value(1), s.value(2), s.depth(3), s.gradient(0), s.gradient(1),
                    s.gradient(2), s.gradient(3));
      });
}

void TexturePolyFiller::setMaterial(const RasterMaterial* pMaterial) {
  bindTexturedMaterial(pMaterial);
  if (pMaterial) setSpanFillers(textureSpanFillers(pMaterial->textureSpan));
}

void TexturePolyFiller::draw(const float* pVertices, int n) {
  uint32_t* pDepth = depthWords();
  if (!canDraw(pVertices, n) || !hasFiller(pDepth)) return;
  poly_walk::drawFixed<2>(
      pVertices, n, kFloatsPerVertex, width, height, pDepth != nullptr,
      [](const float* pIn, auto& v) { return setTexel(v, pIn); },
      [&](const auto& s) {
        spanFiller(m_context, m_pDest + s.offset, m_pTexels, s.count, s.value(0), s.value(1),
                   s.gradient(0), s.gradient(1));
      },
      [&](const auto& s) {
        spanFillerZ(m_context, m_pDest + s.offset, pDepth + s.offset, m_pTexels, s.count,
                    s.value(0), s.value(1), s.depth(2), s.gradient(0), s.gradient(1),
                    s.gradient(2));
      });
}

void TexColorPolyFiller::setMaterial(const RasterMaterial* pMaterial) {
  bindTexturedMaterial(pMaterial);
  if (pMaterial) setSpanFillers(texColorSpanFillers(pMaterial->texColorSpan));
}

void TexColorPolyFiller::draw(const float* pVertices, int n, int level) {
  uint32_t* pDepth = depthWords();
  if (!canDraw(pVertices, n) || !hasFiller(pDepth)) return;
  const uint32_t colour = tableColor(level);
  poly_walk::drawFixed<2>(
      pVertices, n, kFloatsPerVertex, width, height, pDepth != nullptr,
      [](const float* pIn, auto& v) { return setTexel(v, pIn); },
      [&](const auto& s) {
        spanFiller(m_context, m_pDest + s.offset, m_pTexels, colour, s.count, s.value(0),
                   s.value(1), s.gradient(0), s.gradient(1));
      },
      [&](const auto& s) {
        spanFillerZ(m_context, m_pDest + s.offset, pDepth + s.offset, m_pTexels, colour, s.count,
                    s.value(0), s.value(1), s.depth(2), s.gradient(0), s.gradient(1),
                    s.gradient(2));
      });
}

void PerspectivePolyFiller::setMaterial(const RasterMaterial* pMaterial) {
  bindTexturedMaterial(pMaterial);
  if (pMaterial) setSpanFillers(perspectiveSpanFillers(pMaterial->perspectiveSpan));
}

void PerspectivePolyFiller::draw(const float* pVertices, int n) {
  uint32_t* pDepth = depthWords();
  if (!canDraw(pVertices, n) || !hasFiller(pDepth)) return;
  // u/z, v/z and 1/z; the filler divides by 1/z, so it must be positive.
  auto convert = [](const float* pIn, auto& v) {
    const float inverseZ = pIn[2];
    if (!(inverseZ > 0.0f) || !(std::fabs(pIn[3]) < kCoordinateLimit) ||
        !(std::fabs(pIn[4]) < kCoordinateLimit)) {
      return false;
    }
    v.f = {pIn[3] * inverseZ, pIn[4] * inverseZ, inverseZ};
    return std::isfinite(v.f[0]) && std::isfinite(v.f[1]) && std::isfinite(inverseZ);
  };
  poly_walk::drawPolygon<0, 3, false>(
      pVertices, n, kFloatsPerVertex, width, height, convert, [&](const auto& s) {
        if (pDepth) {
          spanFillerZ(m_context, m_pDest + s.offset, pDepth + s.offset, m_pTexels, s.count,
                      s.floatValue(0), s.floatValue(1), s.floatValue(2), s.floatGradient(0),
                      s.floatGradient(1), s.floatGradient(2));
        } else {
          spanFiller(m_context, m_pDest + s.offset, m_pTexels, s.count, s.floatValue(0),
                     s.floatValue(1), s.floatValue(2), s.floatGradient(0), s.floatGradient(1),
                     s.floatGradient(2));
        }
      });
}
