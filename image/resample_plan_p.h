#pragma once
// What blitRotation and blitScaled settle once per call before they walk: whether anything is
// drawn at all, the texels to read (an owned copy where bilinear sampling would read below an
// image without guard rows), the alpha map, the opacity weight and the span routines.

#include <cstdint>

#include "image/cimage32.h"
#include "image/resample_spans_p.h"

class ResamplePlan {
 public:
  enum class Filter { kNearest, kBilinear };

  // False when nothing is to be drawn: no destination or pixels, alpha <= 0 without a map, a
  // side above CImage32::kMaxResampleSide, or a map of another size than the source.
  bool prepare(const CImage32& source, CImage32* pDst, const CImage32* pAlphaMap, int mode,
               float alpha, Filter filter);

  // Runs the chosen routine over count pixels from destination word `offset`, the walk kept
  // inside the source first. A span whose v does not change (every span of the scaled blit, and
  // of the rotating blit at angle 0) takes the row routine.
  void span(size_t offset, int32_t count, resample::TexelWalk walk) const {
    resample::keepInside(walk.u, walk.du, count, m_uLimit);
    resample::keepInside(walk.v, walk.dv, count, m_vLimit);
    (walk.dv == 0 ? m_rowSpan : m_span)(m_texture, m_pDst + offset, count, walk);
  }

  int32_t destinationWidth() const { return m_dstWidth; }
  int32_t destinationHeight() const { return m_dstHeight; }

 private:
  resample::Texture m_texture;
  resample::SpanFn m_span = nullptr;
  resample::SpanFn m_rowSpan = nullptr;
  uint32_t* m_pDst = nullptr;
  int32_t m_dstWidth = 0;
  int32_t m_dstHeight = 0;
  // The largest u and v inside the source: (width << 16) - 1, (height << 16) - 1.
  int32_t m_uLimit = 0;
  int32_t m_vLimit = 0;
  // The source with guard rows, when bilinear sampling needs one.
  CImage32Buffered m_guarded;
};
