#pragma once
// What each polygon drawer installs for a sub-material: the span filler member chosen from its
// shading type, blend mode, opacity and texture option (and, for textured drawers, whether the
// texture has a tiled copy and the map layer's combination selector k).

#include <cstdint>

#include "raster/raster_material.h"
#include "raster/span_filler.h"

class S3DSubMaterial;

// The sub-material's values the choice depends on.
struct SpanChoice {
  int32_t shadingType = 0;
  int32_t blendMode = 0;
  float opacity = 1.0f;
  int32_t textureOption = 0;
  // The texture has a 256 x 256 tiled copy.
  bool tiled = false;
  // The map layer's combination selector.
  int32_t combination = 0;
};

FlatSpanKind chooseFlatSpan(const SpanChoice& choice);
GouraudSpanKind chooseGouraudSpan(const SpanChoice& choice);
VertexAlphaSpanKind chooseVertexAlphaSpan(const SpanChoice& choice);
TexShadeSpanKind chooseTexShadeSpan(const SpanChoice& choice);
TextureSpanKind chooseTextureSpan(const SpanChoice& choice);
TexColorSpanKind chooseTexColorSpan(const SpanChoice& choice);
PerspectiveSpanKind choosePerspectiveSpan(const SpanChoice& choice);

// Fills every drawer's member and the opacity of `out`.
void chooseSpans(const SpanChoice& choice, RasterMaterial& out);
