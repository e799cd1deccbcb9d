#pragma once
// Convex polygon drawers over a destination image and an optional 1/z depth buffer.
//
// Fixed point: screen x and y, shading level, texture coordinates and vertex alpha are signed 16.16
// (value * 65536 rounded to nearest, ties to even); depth is unsigned 0.32, 2^32 / z. Pixel centres
// lie at integer coordinates: scanline y is covered when ceil(yTop) <= y < ceil(yBottom), pixel x
// when ceil(xLeft) <= x < ceil(xRight), so left and top edges are inclusive, right and bottom ones
// exclusive, and polygons sharing an edge never both cover a pixel.

#include <cstdint>

#include "image/cimage32.h"
#include "raster/raster_material.h"
#include "raster/span_filler.h"

// A depth buffer: width * height words of 1/z in unsigned 0.32 (larger is nearer, 0 infinitely
// far), row-major like the image. The view port owns it and clears it to 0 before each scene.
struct ZBuffer {
  int32_t width = 0;
  int32_t height = 0;
  uint32_t* pData = nullptr;
};

// Limits of what a drawer accepts.
// At most 9 vertices per polygon (a triangle clipped by the five planes of the view has 8).
inline constexpr int kMaxPolygonVertices = 9;
// Screen coordinates and 16.16 attributes must lie strictly inside +-kCoordinateLimit, so that
// every 16.16 value and every difference of two fits the arithmetic of the edge walk; polygons
// outside it (or with a NaN or an infinite value) are dropped whole.
inline constexpr float kCoordinateLimit = 16384.0f;
static_assert(kCoordinateLimit * 65536.0f <= 1073741824.0f, "16.16 values must stay below 2^30");

// The base of the drawers: destination, depth buffer, material binding and the opacity weight.
// Each drawer kind adds its draw() (the projected vertices, x, y, 1/z and its interpolants per
// vertex) and its span filler pair.
class PolyFiller {
 public:
  PolyFiller() = default;
  virtual ~PolyFiller() = default;
  PolyFiller(const PolyFiller&) = delete;
  PolyFiller& operator=(const PolyFiller&) = delete;

  // Binds the material (null disables the drawer): colour table, opacity weight, span fillers.
  virtual void setMaterial(const RasterMaterial* pMaterial) = 0;

  // Takes the image's size and pixels. Warns on a null image, a size below 1 or null pixels.
  void setDestination(CImage32* pDestination);
  // Draws with this depth buffer from now on. Null keeps the previous one; a size that differs
  // from the destination's is refused with a warning.
  void setZBuffer(const ZBuffer* pZBuffer);
  // Draws without a depth buffer from now on (the one bound before may be gone).
  void dropZBuffer() {
    m_pZBuffer = nullptr;
    m_zBufferWidth = m_zBufferHeight = 0;
  }

  int32_t getWidth() const { return width; }
  int32_t getHeight() const { return height; }
  bool isEnabled() const { return m_enabled != 0; }

 protected:
  // Reports under the drawers' caption.
  static void warning(const char* text);
  // The part of setMaterial every drawer shares: material, enabled flag, colour table and weight.
  void bindMaterial(const RasterMaterial* pMaterial, OpacityRounding rounding);
  // True when a polygon of n vertices may be drawn now.
  bool canDraw(const float* pVertices, int n) const;
  // The colour table's entry at level clamped to 0..255 (the drawer must be enabled).
  uint32_t tableColor(int level) const {
    return m_pColors[level < 0 ? 0 : level > 255 ? 255 : level];
  }
  // The depth words to draw with, or null: a buffer bound for another destination size is not used.
  uint32_t* depthWords() const {
    return m_zBufferWidth == width && m_zBufferHeight == height ? m_pZBuffer : nullptr;
  }

  uint32_t* m_pDest = nullptr;
  const uint32_t* m_pColors = nullptr;
  uint32_t* m_pZBuffer = nullptr;
  int32_t width = 0;
  int32_t height = 0;
  const RasterMaterial* m_pMaterial = nullptr;
  int32_t m_enabled = 0;
  // What the span fillers read: the opacity weight, and the texture addressing of textured drawers.
  SpanContext m_context;

 private:
  int32_t m_zBufferWidth = 0;
  int32_t m_zBufferHeight = 0;
};
