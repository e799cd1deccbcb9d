#pragma once
// Draws a list of polygons into an image with one drawer kind and one material: the same calls the
// 3D scene makes, for tests, benchmarks and tools.

#include <cstdint>
#include <vector>

#include "image/cimage32.h"
#include "raster/poly_filler.h"
#include "raster/raster_material.h"

enum class DrawerKind {
  kFlat,
  kGouraud,
  kVertexAlpha,
  kTexShade,
  kTexture,
  kTexColor,
  kPerspective
};

// Floats per vertex of the drawer kind's draw(): x, y, 1/z and its interpolants.
int floatsPerVertex(DrawerKind kind);

// One polygon: floatsPerVertex(kind) floats per vertex, and the table level of the flat and
// texture-colour drawers.
struct ScenePolygon {
  std::vector<float> vertices;
  int level = 255;
};

// Binds a drawer of `kind` to the image, the depth buffer (may be null) and the material (whose
// span member of that kind is installed, and whose texture the textured kinds use), then draws the
// polygons in order.
void drawPolygons(CImage32& image, const ZBuffer* pZBuffer, DrawerKind kind,
                  const RasterMaterial& material, const std::vector<ScenePolygon>& polygons);

// A 256x256 test texture with its tiled copy, made once: a smooth colour ramp with a grid of darker
// lines every 32 texels, so fetch, wrap and filtering errors show.
const RasterTexture& testTexture();
