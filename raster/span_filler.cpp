// The untextured span fillers (flat colour, shading table, shading table with vertex alpha), and
// the choice of path.

#include "raster/span_filler.h"

#include "image/cpu_features.h"
#include "raster/span_untextured_p.h"
#include "raster/span_wide_p.h"

bool spanPathAvailable(SpanPath path) {
  return path != SpanPath::kWide || cpuHasAvx2();
}

SpanPath bestSpanPath() {
  return cpuHasAvx2() ? SpanPath::kWide : SpanPath::kPacked;
}

SpanFillerPair<FlatSpan, FlatSpanZ> flatSpanFillers(FlatSpanKind kind, SpanPath path) {
  using span::kFlat, span::Path;
  return span::pickPair(kFlat<Path::kScalar>, kFlat<Path::kPacked>, &span_wide::flatPair, kind,
                        path);
}

SpanFillerPair<GouraudSpan, GouraudSpanZ> gouraudSpanFillers(GouraudSpanKind kind, SpanPath path) {
  using span::kGouraud, span::Path;
  return span::pickPair(kGouraud<Path::kScalar>, kGouraud<Path::kPacked>, &span_wide::gouraudPair,
                        kind, path);
}

SpanFillerPair<VertexAlphaSpan, VertexAlphaSpanZ> vertexAlphaSpanFillers(VertexAlphaSpanKind kind,
                                                                         SpanPath path) {
  using span::kVertexAlpha, span::Path;
  return span::pickPair(kVertexAlpha<Path::kScalar>, kVertexAlpha<Path::kPacked>,
                        &span_wide::vertexAlphaPair, kind, path);
}
