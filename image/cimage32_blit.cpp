// The two-image operators of CImage32: this image is the source, the destination is written.
// Each checks the sizes (and, for the two-pixel operators, the width) before it writes, reports
// through the source's error(), and hands the whole run to one span loop of blit_kernels_p.h.

#include "image/blit_kernels_p.h"
#include "image/cimage32.h"

using blit_kernels::BlitOp;

void CImage32::blit(CImage32* pDst) const {
  if (!pDst) return;
  if (!sameSizeAs(*pDst)) {
    error("blit: must be same dimensions");
    return;
  }
  const size_t count = pixelCount();
  if (count == 0 || !pDst->getPixels()) return;
  blit_kernels::blendSpanFor(BlitOp::Copy)(pDst->getPixels(), m_pPixels, count);
}
