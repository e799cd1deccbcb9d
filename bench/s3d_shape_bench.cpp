// Line items and sprites at 512 x 256 with a depth buffer, against memset of the frame:
//   Lines5000    one mesh of 5,000 edge pairs between random vertices in view (depths 100 to
//                1,000), a whole frame: depth clear, transform, render (clip test, projection,
//                the depth-tested line routine);
//   LineRoutine  the same 5,000 segments, projected once, through drawLine alone;
//   Sprites1000  1,000 sprites of a 16 x 16 picture, zoom 2 (32 x 32 pixels each), scaled blits,
//                a whole frame;
//   SpritesTurned the same turned by 0.3 radian (blitRotation);
//   Particles/N  one particle shape keeping N particles alive (64 vertices in view, one emitter of
//                period 100 frames), 8 x 8 points about 2 pixels across, each iteration a new time:
//                a whole frame (emitters, particles in closed form, transform, projection, keys,
//                the depth sort, point blits);
//   ParticlesTransform/N the same without drawing: what the particles cost before the blits;
//   SortDescending/N the depth sort alone on keys already in order (each frame's items start
//                nearly sorted), to show it stays n log n;
//   MemsetFrame  memset of the 512 x 256 frame, the floor to compare with.
// Run it pinned to one core: taskset -c 1 s3d_shape_bench.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <vector>

#include "image/cimage32.h"
#include "raster/line_drawer.h"
#include "s3d/s3d_scene.h"
#include "s3d/s3d_shape.h"
#include "s3d/s3d_sort.h"
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

// A 24-bit 8 x 8 BMP of one colour, for the texture layer to load.
std::string writePointPicture() {
  const std::string path = (std::filesystem::temp_directory_path() / "s3d_shape_bench_point.bmp");
  std::vector<uint8_t> bmp(54 + 8 * 8 * 3, 0);
  const auto put32 = [&](std::size_t at, uint32_t v) {
    for (std::size_t i = 0; i < 4; ++i)
      bmp[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  bmp[0] = 'B';
  bmp[1] = 'M';
  put32(2, static_cast<uint32_t>(bmp.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, 8);
  put32(22, 8);
  bmp[26] = 1;
  bmp[28] = 24;
  for (std::size_t i = 54; i < bmp.size(); i += 3) {
    bmp[i] = 0x20;
    bmp[i + 1] = 0xA0;
    bmp[i + 2] = 0xFF;
  }
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bmp.data()), static_cast<std::streamsize>(bmp.size()));
  return path;
}

// N particles alive: rate N / 100 over a period of 100 frames, past the first period.
S3DShapeParticles& makeParticles(Bench& bench, int64_t count) {
  S3DScene& scene = bench.scene;
  scene.m_materials.resize(1);
  S3DSubMaterial& sub = scene.m_materials[0].m_subMaterials.emplace_back();
  sub.m_polygonsEnabled = 0;
  sub.m_pTextureLayer = std::make_unique<S3DTextureLayer>();
  sub.m_pTextureLayer->m_enabled = 1;
  sub.m_pTextureLayer->m_pointSize = 4.0f;
  sub.m_pTextureLayer->m_pTexture = std::make_unique<S3DTexture32>();
  sub.m_pTextureLayer->m_pTexture->load(StringC(writePointPicture().c_str()), 0, 0, 1, 1);
  std::mt19937 random(13);
  auto pShape = std::make_unique<S3DShapeParticles>();
  S3DShapeParticles& shape = *pShape;
  shape.setVertices(randomVertices(64, random));
  shape.m_emitters = {{0.0f, 100.0f, static_cast<float>(count) / 100.0f}};
  shape.m_pMaterial = &scene.m_materials[0];
  shape.prepare();
  scene.m_shapes.push_back(std::move(pShape));
  return shape;
}

void ParticleFrames(benchmark::State& state, bool draw) {
  Bench bench;
  S3DShapeParticles& shape = makeParticles(bench, state.range(0));
  float time = 10.0f;
  for (auto _ : state) {
    // A new time each frame: frames 300 on, every particle computed again.
    time += 1.0f / 30.0f;
    bench.scene.setTime(time);
    if (draw) {
      bench.frame();
    } else {
      bench.scene.transform();
    }
    benchmark::DoNotOptimize(bench.screen.getPixels());
  }
  state.counters["particles"] = shape.m_nbLive;
}
void Particles(benchmark::State& state) {
  ParticleFrames(state, true);
}
void ParticlesTransform(benchmark::State& state) {
  ParticleFrames(state, false);
}
BENCHMARK(Particles)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(ParticlesTransform)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

void SortDescending(benchmark::State& state) {
  struct Item {
    float key;
    int32_t index;
  };
  std::vector<Item> sorted(static_cast<std::size_t>(state.range(0)));
  for (std::size_t i = 0; i < sorted.size(); ++i)
    sorted[i] = {static_cast<float>(sorted.size() - i), static_cast<int32_t>(i)};
  std::vector<Item> items = sorted;
  for (auto _ : state) {
    sortByKeyDescending(std::span<Item>(items));
    benchmark::DoNotOptimize(items.data());
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(SortDescending)->Arg(1000)->Arg(10000)->Arg(100000)->Complexity(benchmark::oNLogN);

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
