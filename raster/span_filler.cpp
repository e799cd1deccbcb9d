// The untextured span fillers (flat colour, shading table, shading table with vertex alpha), and
// the choice of path.

#include "raster/span_filler.h"

#include "raster/span_untextured_p.h"
#include "raster/span_wide_p.h"

namespace {

// The CPU is asked once: __builtin_cpu_supports("avx2") also checks that the OS saves the
// 256-bit registers.
bool cpuHasAvx2() {
#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
  static const bool kHasAvx2 = __builtin_cpu_supports("avx2");
  return kHasAvx2;
#else
  return false;
#endif
}

}  // namespace

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
