// Line items and sprites at 512 x 256 with a depth buffer, against memset of the frame:
//   Lines5000    one mesh of 5,000 edge pairs between random vertices in view (depths 100 to
//                1,000), a whole frame: depth clear, transform, render (clip test, projection,
//                the depth-tested line routine);
//   LineRoutine  the same 5,000 segments, projected once, through drawLine alone;
//   Sprites1000  1,000 sprites of a 16 x 16 picture, zoom 2 (32 x 32 pixels each), scaled blits,
//                a whole frame;
//   SpritesTurned the same turned by 0.3 radian (blitRotation);
//   MemsetFrame  memset of the 512 x 256 frame, the floor to compare with.
// Run it pinned to one core: taskset -c 1 s3d_shape_bench.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "image/cimage32.h"
#include "raster/line_drawer.h"
#include "s3d/s3d_scene.h"
#include "s3d/viewport.h"

namespace {

constexpr int32_t kWidth = 512;
constexpr int32_t kHeight = 256;

// A scene with a camera at the origin looking along +z and its own screen and viewport.
struct Bench {
  Bench() {
    screen.init(kWidth, kHeight);
    scene.m_cameras.resize(1);
    scene.m_cameras[0].m_target.setPosition({0, 0, 1000});
    viewPort.setScreen(&screen);
    scene.setViewPort(&viewPort);
  }
  void frame() {
    viewPort.clear();
    scene.transform();
    scene.render();
  }
  CImage32Buffered screen;
  S3DScene scene;
  ViewPort viewPort;
};

// Vertices whose projections stay on the 512 x 256 screen: |x| < z, |y| < z / 2.
std::vector<Vec3> randomVertices(int count, std::mt19937& random) {
  std::uniform_real_distribution<float> unit(-0.95f, 0.95f), depth(100.0f, 1000.0f);
  std::vector<Vec3> out;
  for (int i = 0; i < count; ++i) {
    const float z = depth(random);
    out.push_back({unit(random) * z, unit(random) * z * 0.5f, z});
  }
  return out;
}

void makeLines(Bench& bench) {
  std::mt19937 random(7);
  S3DScene& scene = bench.scene;
  scene.m_materials.resize(1);
  S3DSubMaterial& sub = scene.m_materials[0].m_subMaterials.emplace_back();
  sub.m_polygonsEnabled = 0;
  sub.m_pLine = std::make_unique<S3DLineProperties>();
  sub.m_pLine->m_enabled = 1;
  S3DTriObject& mesh = scene.m_triObjects.emplace_back();
  mesh.setVertices(randomVertices(10000, random));
  for (int32_t i = 0; i < 5000; ++i)
    mesh.m_edgePairs.push_back({2 * i, 2 * i + 1});
  mesh.m_pMaterial = &scene.m_materials[0];
  mesh.prepareDrawing();
}

void Lines5000(benchmark::State& state) {
  Bench bench;
  makeLines(bench);
  for (auto _ : state) {
    bench.frame();
    benchmark::DoNotOptimize(bench.screen.getPixels());
  }
  state.counters["segments"] = 5000;
}
BENCHMARK(Lines5000);

void LineRoutine(benchmark::State& state) {
  Bench bench;
  makeLines(bench);
  bench.frame();
  const S3DTriObject& mesh = bench.scene.m_triObjects[0];
  std::vector<LineEnd> ends;
  for (const S3DScreenVertex& s : mesh.m_screenVertices)
    ends.push_back({s.x, s.y, s.w});
  for (auto _ : state) {
    bench.viewPort.clear();
    for (std::size_t i = 0; i + 1 < ends.size(); i += 2)
      drawLine(bench.screen, bench.viewPort.getZBuffer(), ends[i], ends[i + 1], 0xFFFFFF,
               LineBlend::kReplace);
    benchmark::DoNotOptimize(bench.screen.getPixels());
  }
}
BENCHMARK(LineRoutine);

void Sprites(benchmark::State& state, float angle) {
  Bench bench;
  CImage32Buffered picture;
  picture.init(16, 16);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x)
      picture.setPixel(static_cast<uint32_t>(x), static_cast<uint32_t>(y),
                       static_cast<uint32_t>(x * 0x100010 + y * 0x1000));
  RasterTexture texture;
  texture.setPowerOfTwo(picture);
  S3DScene& scene = bench.scene;
  scene.m_materials.resize(1);
  scene.m_materials[0].m_subMaterials.emplace_back().m_pTexture = &texture;
  std::mt19937 random(11);
  for (const Vec3& p : randomVertices(1000, random)) {
    auto pSprite = std::make_unique<S3DShapeSprite>();
    pSprite->setPosition(p);
    pSprite->m_value11 = 2.0f;
    pSprite->m_value12 = angle;
    pSprite->m_selectors[0] = pSprite->m_selectors[1] = pSprite->m_selectors[2] = 1;
    pSprite->m_pMaterial = &scene.m_materials[0];
    scene.m_shapes.push_back(std::move(pSprite));
  }
  for (auto _ : state) {
    bench.frame();
    benchmark::DoNotOptimize(bench.screen.getPixels());
  }
  state.counters["sprites"] = 1000;
}
void Sprites1000(benchmark::State& state) {
  Sprites(state, 0.0f);
}
void SpritesTurned(benchmark::State& state) {
  Sprites(state, 0.3f);
}
BENCHMARK(Sprites1000);
BENCHMARK(SpritesTurned);

void MemsetFrame(benchmark::State& state) {
  std::vector<uint32_t> pixels(static_cast<std::size_t>(kWidth) * kHeight);
  for (auto _ : state) {
    std::memset(pixels.data(), 0x5A, pixels.size() * sizeof(uint32_t));
    benchmark::DoNotOptimize(pixels.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(MemsetFrame);

}  // namespace
