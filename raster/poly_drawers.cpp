#include "raster/poly_drawers.h"

#include <algorithm>

#include "image/poly_walk.h"

using poly_walk::setFixed;

// The drawers accept what the walk can hold and convert.
static_assert(kMaxPolygonVertices <= poly_walk::kMaxVertices);
static_assert(kCoordinateLimit <= poly_walk::kCoordinateLimit);

void FlatPolyFiller::setMaterial(const RasterMaterial* pMaterial) {
  if (pMaterial && pMaterial == m_pMaterial) return;
  bindMaterial(pMaterial, OpacityRounding::Truncate);
  if (pMaterial) setSpanFillers(flatSpanFillers(pMaterial->flatSpan));
}

void FlatPolyFiller::draw(const float* pVertices, int n, int level) {
  uint32_t* pDepth = depthWords();
  if (!canDraw(pVertices, n) || !hasFiller(pDepth)) return;
  const uint32_t colour = tableColor(level);
  poly_walk::drawFixed<0>(
      pVertices, n, kFloatsPerVertex, width, height, pDepth != nullptr,
      [](const float*, auto&) { return true; },
      [&](const auto& s) { spanFiller(m_context, m_pDest + s.offset, s.count, colour); },
      [&](const auto& s) {
        spanFillerZ(m_context, m_pDest + s.offset, pDepth + s.offset, s.count, s.depth(0),
                    s.gradient(0), colour);
      });
}

void GouraudPolyFiller::setMaterial(const RasterMaterial* pMaterial) {
  if (pMaterial && pMaterial == m_pMaterial) return;
  bindMaterial(pMaterial, OpacityRounding::Truncate);
  if (pMaterial) setSpanFillers(gouraudSpanFillers(pMaterial->gouraudSpan));
}

void GouraudPolyFiller::draw(const float* pVertices, int n) {
  uint32_t* pDepth = depthWords();
  if (!canDraw(pVertices, n) || !hasFiller(pDepth)) return;
  poly_walk::drawFixed<1>(
      pVertices, n, kFloatsPerVertex, width, height, pDepth != nullptr,
      [](const float* pIn, auto& v) { return setFixed(v, 0, pIn[3]); },
      [&](const auto& s) {
        spanFiller(m_context, m_pDest + s.offset, m_pColors, s.count, s.value(0), s.gradient(0));
      },
      [&](const auto& s) {
        spanFillerZ(m_context, m_pDest + s.offset, pDepth + s.offset, m_pColors, s.count,
                    s.value(0), s.depth(1), s.gradient(0), s.gradient(1));
      });
}

void VertexAlphaPolyFiller::setMaterial(const RasterMaterial* pMaterial) {
  if (pMaterial && pMaterial == m_pMaterial) return;
  bindMaterial(pMaterial, OpacityRounding::Truncate);
  if (pMaterial) setSpanFillers(vertexAlphaSpanFillers(pMaterial->vertexAlphaSpan));
}

void VertexAlphaPolyFiller::draw(const float* pVertices, int n) {
  uint32_t* pDepth = depthWords();
  if (!canDraw(pVertices, n) || !hasFiller(pDepth)) return;
  poly_walk::drawFixed<2>(
      pVertices, n, kFloatsPerVertex, width, height, pDepth != nullptr,
      [](const float* pIn, auto& v) { return setFixed(v, 0, pIn[3]) && setFixed(v, 1, pIn[4]); },
      [&](const auto& s) {
        spanFiller(m_context, m_pDest + s.offset, m_pColors, s.count, s.value(0), s.gradient(0),
                   s.value(1), s.gradient(1));
      },
      [&](const auto& s) {
        spanFillerZ(m_context, m_pDest + s.offset, pDepth + s.offset, m_pColors, s.count,
                    s.value(0), s.value(1), s.depth(2), s.gradient(0), s.gradient(1),
                    s.gradient(2));
      });
}
