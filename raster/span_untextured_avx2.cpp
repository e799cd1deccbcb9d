// The wide members of the untextured families. Built with -mavx2 (raster/CMakeLists.txt) and
// reached only through the selection functions once the CPU reports AVX2; the span headers put
// everything they define here in their own inline namespace (see raster/span_blend_p.h).

#include "raster/span_untextured_p.h"
#include "raster/span_wide_p.h"

namespace span_wide {

#if RASTER_HAS_AVX2
using span::Path;

SpanFillerPair<FlatSpan, FlatSpanZ> flatPair(FlatSpanKind kind) {
  return span::kFlat<Path::kWide>[static_cast<size_t>(kind)];
}
SpanFillerPair<GouraudSpan, GouraudSpanZ> gouraudPair(GouraudSpanKind kind) {
  return span::kGouraud<Path::kWide>[static_cast<size_t>(kind)];
}
SpanFillerPair<VertexAlphaSpan, VertexAlphaSpanZ> vertexAlphaPair(VertexAlphaSpanKind kind) {
  return span::kVertexAlpha<Path::kWide>[static_cast<size_t>(kind)];
}
#else
// Not an AVX2 target: never called, as spanPathAvailable(SpanPath::kWide) is false.
SpanFillerPair<FlatSpan, FlatSpanZ> flatPair(FlatSpanKind) {
  return {};
}
SpanFillerPair<GouraudSpan, GouraudSpanZ> gouraudPair(GouraudSpanKind) {
  return {};
}
SpanFillerPair<VertexAlphaSpan, VertexAlphaSpanZ> vertexAlphaPair(VertexAlphaSpanKind) {
  return {};
}
#endif

}  // namespace span_wide
