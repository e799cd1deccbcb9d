// The textured span fillers with affine u, v: texture with shading table, texture alone, and
// texture with the span's colour, each over the point, tiled or bilinear fetch.

#include "raster/span_filler.h"
#include "raster/span_textured_p.h"
#include "raster/span_wide_p.h"

SpanFillerPair<TexShadeSpan, TexShadeSpanZ> texShadeSpanFillers(TexShadeSpanKind kind,
                                                                SpanPath path) {
  using span::kTexShade, span::Path;
  return span::pickPair(kTexShade<Path::kScalar>, kTexShade<Path::kPacked>,
                        &span_wide::texShadePair, kind, path);
}

SpanFillerPair<TextureSpan, TextureSpanZ> textureSpanFillers(TextureSpanKind kind, SpanPath path) {
  using span::kTexture, span::Path;
  return span::pickPair(kTexture<Path::kScalar>, kTexture<Path::kPacked>, &span_wide::texturePair,
                        kind, path);
}

SpanFillerPair<TexColorSpan, TexColorSpanZ> texColorSpanFillers(TexColorSpanKind kind,
                                                                SpanPath path) {
  using span::kTexColor, span::Path;
  return span::pickPair(kTexColor<Path::kScalar>, kTexColor<Path::kPacked>,
                        &span_wide::texColorPair, kind, path);
}
