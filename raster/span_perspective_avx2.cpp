// The wide members of the perspective family. Built with -mavx2 (raster/CMakeLists.txt) and
// reached only through the selection functions once the CPU reports AVX2.

#include "raster/span_perspective_p.h"
#include "raster/span_wide_p.h"

namespace span_wide {

#if RASTER_HAS_AVX2
SpanFillerPair<PerspectiveSpan, PerspectiveSpanZ> perspectivePair(PerspectiveSpanKind kind) {
  return span::kPerspective<span::Path::kWide>[static_cast<size_t>(kind)];
}
#else
// Not an AVX2 target: never called, as spanPathAvailable(SpanPath::kWide) is false.
SpanFillerPair<PerspectiveSpan, PerspectiveSpanZ> perspectivePair(PerspectiveSpanKind) {
  return {};
}
#endif

}  // namespace span_wide
