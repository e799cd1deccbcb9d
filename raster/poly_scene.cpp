#include "raster/poly_scene.h"

#include "raster/poly_drawers.h"

int floatsPerVertex(DrawerKind kind) {
  switch (kind) {
    case DrawerKind::kFlat:
      return FlatPolyFiller::kFloatsPerVertex;
    case DrawerKind::kGouraud:
      return GouraudPolyFiller::kFloatsPerVertex;
    case DrawerKind::kVertexAlpha:
      return VertexAlphaPolyFiller::kFloatsPerVertex;
    case DrawerKind::kTexShade:
      return TexShadePolyFiller::kFloatsPerVertex;
    case DrawerKind::kTexture:
      return TexturePolyFiller::kFloatsPerVertex;
    case DrawerKind::kTexColor:
      return TexColorPolyFiller::kFloatsPerVertex;
    case DrawerKind::kPerspective:
      return PerspectivePolyFiller::kFloatsPerVertex;
  }
  return 0;
}

namespace {

// The vertex count of a polygon, or 0 when its floats do not make whole vertices.
int vertexCount(const ScenePolygon& polygon, int stride) {
  const auto size = static_cast<int>(polygon.vertices.size());
  return stride > 0 && size % stride == 0 ? size / stride : 0;
}

template <typename Drawer, typename Draw>
void drawAll(Drawer& drawer, CImage32& image, const ZBuffer* pZBuffer,
             const RasterMaterial& material, const std::vector<ScenePolygon>& polygons, Draw draw) {
  drawer.setDestination(&image);
  drawer.setZBuffer(pZBuffer);
  drawer.setMaterial(nullptr);
  drawer.setMaterial(&material);
  for (const ScenePolygon& polygon : polygons) {
    const int n = vertexCount(polygon, Drawer::kFloatsPerVertex);
    if (n > 0) draw(drawer, polygon, n);
  }
}

// The drawers whose draw() takes the vertices alone, and those that also take a level.
template <typename Drawer>
void drawPlain(CImage32& image, const ZBuffer* pZBuffer, const RasterMaterial& material,
               const std::vector<ScenePolygon>& polygons) {
  Drawer drawer;
  drawAll(drawer, image, pZBuffer, material, polygons,
          [](Drawer& d, const ScenePolygon& p, int n) { d.draw(p.vertices.data(), n); });
}

template <typename Drawer>
void drawLevelled(CImage32& image, const ZBuffer* pZBuffer, const RasterMaterial& material,
                  const std::vector<ScenePolygon>& polygons) {
  Drawer drawer;
  drawAll(drawer, image, pZBuffer, material, polygons,
          [](Drawer& d, const ScenePolygon& p, int n) { d.draw(p.vertices.data(), n, p.level); });
}

}  // namespace

void drawPolygons(CImage32& image, const ZBuffer* pZBuffer, DrawerKind kind,
                  const RasterMaterial& material, const std::vector<ScenePolygon>& polygons) {
  switch (kind) {
    case DrawerKind::kFlat:
      return drawLevelled<FlatPolyFiller>(image, pZBuffer, material, polygons);
    case DrawerKind::kGouraud:
      return drawPlain<GouraudPolyFiller>(image, pZBuffer, material, polygons);
    case DrawerKind::kVertexAlpha:
      return drawPlain<VertexAlphaPolyFiller>(image, pZBuffer, material, polygons);
    case DrawerKind::kTexShade:
      return drawPlain<TexShadePolyFiller>(image, pZBuffer, material, polygons);
    case DrawerKind::kTexture:
      return drawPlain<TexturePolyFiller>(image, pZBuffer, material, polygons);
    case DrawerKind::kTexColor:
      return drawLevelled<TexColorPolyFiller>(image, pZBuffer, material, polygons);
    case DrawerKind::kPerspective:
      return drawPlain<PerspectivePolyFiller>(image, pZBuffer, material, polygons);
  }
}

namespace {

void fillTestTexture(CImage32& image256) {
  uint32_t* pTexels = image256.getPixels();
  if (!pTexels || image256.getWidth() != 256 || image256.getHeight() != 256) return;
  for (uint32_t y = 0; y < 256; ++y) {
    for (uint32_t x = 0; x < 256; ++x) {
      const bool line = (x & 31) == 0 || (y & 31) == 0;
      const uint32_t red = line ? x / 4 : x;
      const uint32_t green = line ? y / 4 : y;
      const uint32_t blue = line ? 0 : 255 - ((x + y) >> 1);
      pTexels[y * 256 + x] = (red << 16) | (green << 8) | blue;
    }
  }
}

}  // namespace

const RasterTexture& testTexture() {
  static RasterTexture texture;
  if (!texture.plain()) {
    CImage32Buffered picture(256, 256);
    fillTestTexture(picture);
    texture.set256x256(picture);
  }
  return texture;
}
