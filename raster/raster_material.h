#pragma once
// What the polygon drawers read from a material and its texture. The 3D scene fills these records;
// the drawers only read them.

#include <array>
#include <cstdint>
#include <memory>

#include "image/cimage32.h"
#include "raster/span_filler.h"

// A texture as the textured drawers address it: a plain copy (row stride = width, a power of two)
// and, for 256x256 textures, the tiled copy. Both are CImage32Buffered, whose two zeroed guard rows
// below the last row cover the unwrapped right and lower neighbours of the bilinear fetch (it may
// read up to width + 1 texels past the last one).
class RasterTexture {
 public:
  // Takes a 256x256 image: plain copy and tiled copy. False (texture emptied) for another size or
  // an image without pixels.
  bool set256x256(const CImage32& src256);
  // Takes an image whose width and height are powers of two, unchanged, without tiled copy. False
  // (texture emptied) otherwise.
  bool setPowerOfTwo(const CImage32& src);
  // Drops the images.
  void clear();

  // The plain copy, or null while the texture is empty.
  const CImage32* plain() const { return m_pPlain.get(); }
  // The tiled copy, or null.
  const CImage32* tiled() const { return m_pTiled.get(); }
  int32_t columnShift() const { return m_columnShift; }
  int32_t rowShift() const { return m_rowShift; }
  uint32_t columnMask() const { return m_columnMask; }
  uint32_t rowMask() const { return m_rowMask; }

 private:
  bool setShape(int32_t width, int32_t height);

  std::unique_ptr<CImage32Buffered> m_pPlain;
  std::unique_ptr<CImage32Buffered> m_pTiled;
  int32_t m_columnShift = 8;
  int32_t m_rowShift = 8;
  uint32_t m_columnMask = 255;
  uint32_t m_rowMask = 255;
};

// The drawing properties of a material that the drawers read: its shading table, opacity and
// texture, and the span filler member each drawer kind installs for it. (The choice of member from
// the shading type, blend mode and texture option is made by the 3D scene code.)
struct RasterMaterial {
  // The shading table: colour of level 0..255.
  std::array<uint32_t, 256> colors{};
  // 1.0 opaque; the blending fillers weigh by a = opacity * 255.
  float opacity = 1.0f;
  // The texture of the textured drawers, or null.
  const RasterTexture* pTexture = nullptr;

  FlatSpanKind flatSpan{};
  GouraudSpanKind gouraudSpan{};
  VertexAlphaSpanKind vertexAlphaSpan{};
  TexShadeSpanKind texShadeSpan{};
  TextureSpanKind textureSpan{};
  TexColorSpanKind texColorSpan{};
  PerspectiveSpanKind perspectiveSpan{};
};

// How the opacity becomes the weight a: truncated (flat, Gouraud, vertex alpha) or rounded to the
// nearest (the other drawers).
enum class OpacityRounding { Truncate, Nearest };

// opacity * 255 clamped to 0..255, NaN giving 0.
uint32_t opacityWeight(float opacity, OpacityRounding rounding);
