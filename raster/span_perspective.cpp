// The perspective-correct textured span fillers.

#include "raster/span_filler.h"
#include "raster/span_perspective_p.h"
#include "raster/span_wide_p.h"

SpanFillerPair<PerspectiveSpan, PerspectiveSpanZ> perspectiveSpanFillers(PerspectiveSpanKind kind,
                                                                         SpanPath path) {
  using span::kPerspective, span::Path;
  return span::pickPair(kPerspective<Path::kScalar>, kPerspective<Path::kPacked>,
                        &span_wide::perspectivePair, kind, path);
}
