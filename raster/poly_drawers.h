#pragma once
// The drawer kinds. Each draw() takes the projected vertices, floatsPerVertex floats each: screen
// x, screen y, 1/z, then the drawer's interpolants in the order listed; the vertices run
// counter-clockwise on the screen (y down), the other order draws nothing. A drawer with depth
// bound draws through its spanFillerZ, otherwise through its spanFiller.

#include <cstdint>

#include "raster/poly_filler.h"
#include "raster/raster_material.h"
#include "raster/span_filler.h"

// A drawer's installed span filler pair.
template <typename Base, typename Span, typename SpanZ>
class SpanFillerSlot : public Base {
 public:
  // Installs a pair directly (tests, benchmarks); setMaterial installs the material's member.
  void setSpanFillers(SpanFillerPair<Span, SpanZ> pair) {
    spanFiller = pair.spanFiller;
    spanFillerZ = pair.spanFillerZ;
  }

 protected:
  // True when the filler that draws with (or without) depth is installed.
  bool hasFiller(const uint32_t* pDepth) const {
    return pDepth ? spanFillerZ != nullptr : spanFiller != nullptr;
  }

  Span spanFiller = nullptr;
  SpanZ spanFillerZ = nullptr;
};

// One colour for the whole polygon. Vertex: x, y, 1/z.
class FlatPolyFiller final : public SpanFillerSlot<PolyFiller, FlatSpan, FlatSpanZ> {
 public:
  static constexpr int kFloatsPerVertex = 3;
  // Ignores the material it already holds.
  void setMaterial(const RasterMaterial* pMaterial) override;
  // The colour is the table's entry at level, clamped to 0..255.
  void draw(const float* pVertices, int n, int level);
};

// Shading level interpolated into the colour table. Vertex: x, y, 1/z, level (0..255).
class GouraudPolyFiller final : public SpanFillerSlot<PolyFiller, GouraudSpan, GouraudSpanZ> {
 public:
  static constexpr int kFloatsPerVertex = 4;
  // Ignores the material it already holds.
  void setMaterial(const RasterMaterial* pMaterial) override;
  void draw(const float* pVertices, int n);
};

// Shading level and a weight per vertex. Vertex: x, y, 1/z, level (0..255), alpha (0..255).
class VertexAlphaPolyFiller final
    : public SpanFillerSlot<PolyFiller, VertexAlphaSpan, VertexAlphaSpanZ> {
 public:
  static constexpr int kFloatsPerVertex = 5;
  // Ignores the material it already holds.
  void setMaterial(const RasterMaterial* pMaterial) override;
  void draw(const float* pVertices, int n);
};

// The base of the textured drawers: the bound texture and its addressing.
class TexturedPolyFiller : public PolyFiller {
 public:
  // Copies the texture's texel pointers, size, shifts and masks. A null or empty texture, or one
  // whose plain copy does not match its masks, disables the drawer.
  void setTexture(const RasterTexture* pTexture);

 protected:
  // The textured drawers' common setMaterial: the material, then its texture.
  void bindTexturedMaterial(const RasterMaterial* pMaterial);

  const RasterTexture* m_pTexture = nullptr;
  const uint32_t* m_pTexels = nullptr;
  const uint32_t* m_pTiled = nullptr;
  int32_t m_textureWidth = 0;
  int32_t m_textureHeight = 0;
  int32_t m_columnShift = 8;
  int32_t m_rowShift = 8;
  uint32_t m_columnMask = 256;
  uint32_t m_rowMask = 256;
};

// Texel and shading level. Vertex: x, y, 1/z, u, v (texels), level (0..255).
class TexShadePolyFiller final
    : public SpanFillerSlot<TexturedPolyFiller, TexShadeSpan, TexShadeSpanZ> {
 public:
  static constexpr int kFloatsPerVertex = 6;
  void setMaterial(const RasterMaterial* pMaterial) override;
  void draw(const float* pVertices, int n);
};

// Texels alone. Vertex: x, y, 1/z, u, v (texels).
class TexturePolyFiller final
    : public SpanFillerSlot<TexturedPolyFiller, TextureSpan, TextureSpanZ> {
 public:
  static constexpr int kFloatsPerVertex = 5;
  void setMaterial(const RasterMaterial* pMaterial) override;
  void draw(const float* pVertices, int n);
};

// Texels with one colour k. Vertex: x, y, 1/z, u, v (texels).
class TexColorPolyFiller final
    : public SpanFillerSlot<TexturedPolyFiller, TexColorSpan, TexColorSpanZ> {
 public:
  static constexpr int kFloatsPerVertex = 5;
  void setMaterial(const RasterMaterial* pMaterial) override;
  // k is the table's entry at level, clamped to 0..255.
  void draw(const float* pVertices, int n, int level);
};

// Perspective-correct texels: u/z, v/z and 1/z are interpolated as floats and the span filler
// divides. Vertex: x, y, 1/z (> 0), u, v (texels).
class PerspectivePolyFiller final
    : public SpanFillerSlot<TexturedPolyFiller, PerspectiveSpan, PerspectiveSpanZ> {
 public:
  static constexpr int kFloatsPerVertex = 5;
  void setMaterial(const RasterMaterial* pMaterial) override;
  void draw(const float* pVertices, int n);
};
