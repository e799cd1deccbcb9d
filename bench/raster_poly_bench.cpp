// Polygon fill rate at 512 x 256 through the drawers (edge walk and span fillers together): one
// large triangle covering half the image, and 2000 small triangles of about 30 pixels, for the
// flat, Gouraud, point-texture, bilinear-texture and perspective drawers, without and with depth.
// Items are pixels drawn, so items/s reads as pixels per second; BM_Memset/<pixels> writes the
// same pixel count with memset, the floor to compare with.

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "bench/bench_layer.h"
#include "raster/poly_drawers.h"
#include "raster/poly_scene.h"

namespace {

using bench_layer::kHeight;
using bench_layer::kWidth;

enum class Shape { kLarge, kSmall };
enum class Depth { kWithout, kWith };

// One vertex in the layout of `kind`: x, y, 1/z, then the level or u, v.
void addVertex(std::vector<float>& out, DrawerKind kind, float x, float y, float inverseZ) {
  out.insert(out.end(), {x, y, inverseZ});
  if (kind == DrawerKind::kGouraud) out.push_back(x * 0.5f);
  if (kind == DrawerKind::kTexture || kind == DrawerKind::kPerspective) {
    out.insert(out.end(), {x * 0.75f, y});
  }
}

std::vector<ScenePolygon> scene(Shape shape, DrawerKind kind) {
  std::vector<ScenePolygon> polygons;
  auto triangle = [&](float x, float y, float size, float inverseZ) {
    ScenePolygon polygon;
    addVertex(polygon.vertices, kind, x, y, inverseZ);
    addVertex(polygon.vertices, kind, x, y + size, inverseZ);
    addVertex(polygon.vertices, kind, x + size, y + size, inverseZ * 0.5f);
    polygons.push_back(std::move(polygon));
  };
  if (shape == Shape::kLarge) {
    triangle(0, 0, kHeight, 1.0f);
    // Stretched to the full width: (0, 0), (0, 256), (512, 256).
    auto& v = polygons.back().vertices;
    v[2 * static_cast<size_t>(floatsPerVertex(kind))] = kWidth;
    return polygons;
  }
  // Legs of 7.75 pixels: about 30 pixels each, spread over the layer by a fixed sequence.
  uint32_t seed = 12345;
  for (int i = 0; i < 2000; ++i) {
    seed = seed * 1664525u + 1013904223u;
    const auto x = static_cast<float>(seed >> 23) + 0.3f;         // 0..511
    const auto y = static_cast<float>((seed >> 8) & 255) + 0.6f;  // 0..255
    triangle(std::min(x, kWidth - 9.0f), std::min(y, kHeight - 9.0f), 7.75f, 0.8f);
  }
  return polygons;
}

// The flat scene of a shape walked through a given span filler, bound once.
struct FlatWalk {
  FlatWalk(Shape shape, FlatSpan filler) : polygons(scene(shape, DrawerKind::kFlat)) {
    drawer.setDestination(&image);
    drawer.setMaterial(&material);
    drawer.setSpanFillers({filler, nullptr});
  }
  void run() {
    for (const ScenePolygon& polygon : polygons)
      drawer.draw(polygon.vertices.data(), 3, 0);
  }

  CImage32Buffered image{kWidth, kHeight};
  RasterMaterial material;
  FlatPolyFiller drawer;
  std::vector<ScenePolygon> polygons;
};

// The pixels a scene covers, counted by a span filler that adds up the span lengths.
int64_t g_nbPixel = 0;
void countSpan(const SpanContext&, uint32_t*, int32_t count, uint32_t) {
  g_nbPixel += count;
}
int64_t coveredPixels(Shape shape) {
  FlatWalk walk(shape, countSpan);
  g_nbPixel = 0;
  walk.run();
  return g_nbPixel;
}

void BM_Draw(benchmark::State& state, DrawerKind kind, RasterMaterial material, Shape shape,
             Depth depth) {
  CImage32Buffered image(kWidth, kHeight);
  std::vector<uint32_t> words(static_cast<size_t>(kWidth) * kHeight, 0u);
  const ZBuffer buffer{kWidth, kHeight, words.data()};
  for (uint32_t i = 0; i < 256; ++i)
    material.colors[i] = i * 0x010101u;
  material.pTexture = &testTexture();
  const std::vector<ScenePolygon> polygons = scene(shape, kind);
  for (auto _ : state) {
    drawPolygons(image, depth == Depth::kWith ? &buffer : nullptr, kind, material, polygons);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * coveredPixels(shape));
}

// The edge walk alone: the flat drawer with a span filler that does nothing.
void skipSpan(const SpanContext&, uint32_t*, int32_t, uint32_t) {}
void BM_WalkOnly(benchmark::State& state, Shape shape) {
  FlatWalk walk(shape, skipSpan);
  for (auto _ : state) {
    walk.run();
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * coveredPixels(shape));
}

void BM_Memset(benchmark::State& state, Shape shape) {
  const int64_t count = coveredPixels(shape);
  std::vector<uint32_t> pixels(static_cast<size_t>(count));
  for (auto _ : state) {
    std::memset(pixels.data(), 0x5A, pixels.size() * sizeof(uint32_t));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * count);
}

RasterMaterial with(FlatSpanKind flat, GouraudSpanKind gouraud, TextureSpanKind texture,
                    PerspectiveSpanKind perspective) {
  RasterMaterial material;
  material.flatSpan = flat;
  material.gouraudSpan = gouraud;
  material.textureSpan = texture;
  material.perspectiveSpan = perspective;
  return material;
}

const RasterMaterial kReplace =
    with(FlatSpanKind::kReplace, GouraudSpanKind::kReplace, TextureSpanKind::kPointReplace,
         PerspectiveSpanKind::kPointReplace);
const RasterMaterial kBilinear =
    with(FlatSpanKind::kReplace, GouraudSpanKind::kReplace, TextureSpanKind::kBilinearReplace,
         PerspectiveSpanKind::kPointReplace);

void registerAll() {
  struct Case {
    const char* name;
    DrawerKind kind;
    const RasterMaterial* pMaterial;
  };
  const Case cases[] = {{"Flat", DrawerKind::kFlat, &kReplace},
                        {"Gouraud", DrawerKind::kGouraud, &kReplace},
                        {"PointTexture", DrawerKind::kTexture, &kReplace},
                        {"BilinearTexture", DrawerKind::kTexture, &kBilinear},
                        {"Perspective", DrawerKind::kPerspective, &kReplace}};
  for (const Shape shape : {Shape::kLarge, Shape::kSmall}) {
    const std::string shapeName = shape == Shape::kLarge ? "/large" : "/small2000";
    benchmark::RegisterBenchmark(("BM_Memset" + shapeName).c_str(), BM_Memset, shape);
    benchmark::RegisterBenchmark(("BM_WalkOnly" + shapeName).c_str(), BM_WalkOnly, shape);
    for (const Case& c : cases) {
      for (const Depth depth : {Depth::kWithout, Depth::kWith}) {
        const std::string name = std::string("BM_") + c.name + shapeName +
                                 (depth == Depth::kWith ? "/depth" : "/nodepth");
        benchmark::RegisterBenchmark(name.c_str(), BM_Draw, c.kind, *c.pMaterial, shape, depth);
      }
    }
  }
}

const int kRegistered = (registerAll(), 0);

}  // namespace
