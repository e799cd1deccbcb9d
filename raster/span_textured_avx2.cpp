// The wide members of the affine textured families. Built with -mavx2 (raster/CMakeLists.txt)
// and reached only through the selection functions once the CPU reports AVX2.

#include "raster/span_textured_p.h"
#include "raster/span_wide_p.h"

namespace span_wide {

#if RASTER_HAS_AVX2
using span::Path;

SpanFillerPair<TexShadeSpan, TexShadeSpanZ> texShadePair(TexShadeSpanKind kind) {
  return span::kTexShade<Path::kWide>[static_cast<size_t>(kind)];
}
SpanFillerPair<TextureSpan, TextureSpanZ> texturePair(TextureSpanKind kind) {
  return span::kTexture<Path::kWide>[static_cast<size_t>(kind)];
}
SpanFillerPair<TexColorSpan, TexColorSpanZ> texColorPair(TexColorSpanKind kind) {
  return span::kTexColor<Path::kWide>[static_cast<size_t>(kind)];
}
#else
// Not an AVX2 target: never called, as spanPathAvailable(SpanPath::kWide) is false.
SpanFillerPair<TexShadeSpan, TexShadeSpanZ> texShadePair(TexShadeSpanKind) {
  return {};
}
SpanFillerPair<TextureSpan, TextureSpanZ> texturePair(TextureSpanKind) {
  return {};
}
SpanFillerPair<TexColorSpan, TexColorSpanZ> texColorPair(TexColorSpanKind) {
  return {};
}
#endif

}  // namespace span_wide
