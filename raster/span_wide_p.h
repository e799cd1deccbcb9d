#pragma once
// The wide (AVX2) members of every family, defined in the span_*_avx2.cpp files, the only span
// files built for AVX2. Call only when spanPathAvailable(SpanPath::kWide); the selection
// functions of raster/span_filler.h do.

#include "raster/span_filler.h"

namespace span_wide {

SpanFillerPair<FlatSpan, FlatSpanZ> flatPair(FlatSpanKind kind);
SpanFillerPair<GouraudSpan, GouraudSpanZ> gouraudPair(GouraudSpanKind kind);
SpanFillerPair<VertexAlphaSpan, VertexAlphaSpanZ> vertexAlphaPair(VertexAlphaSpanKind kind);
SpanFillerPair<TexShadeSpan, TexShadeSpanZ> texShadePair(TexShadeSpanKind kind);
SpanFillerPair<TextureSpan, TextureSpanZ> texturePair(TextureSpanKind kind);
SpanFillerPair<TexColorSpan, TexColorSpanZ> texColorPair(TexColorSpanKind kind);
SpanFillerPair<PerspectiveSpan, PerspectiveSpanZ> perspectivePair(PerspectiveSpanKind kind);

}  // namespace span_wide
