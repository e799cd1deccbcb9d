// Loading a scene of about 100,000 triangles from memory: time per load, and the memory the loaded
// scene holds per triangle (every allocation the load makes and keeps, counted by a replaced
// global operator new).

#include <benchmark/benchmark.h>

#include <atomic>
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <span>
#include <vector>

#include "base/chunk_file_reader.h"
#include "s3d/s3d_scene.h"

namespace {

std::atomic<std::int64_t> g_liveBytes{0};

}  // namespace

void* operator new(std::size_t size) {
  // The size travels in front of the block so that delete can subtract it.
  auto* p = static_cast<std::size_t*>(std::malloc(size + sizeof(std::max_align_t)));
  if (!p) throw std::bad_alloc();
  *p = size;
  g_liveBytes += static_cast<std::int64_t>(size);
  return reinterpret_cast<char*>(p) + sizeof(std::max_align_t);
}
void operator delete(void* p) noexcept {
  if (!p) return;
  auto* pBlock = reinterpret_cast<std::size_t*>(static_cast<char*>(p) - sizeof(std::max_align_t));
  g_liveBytes -= static_cast<std::int64_t>(*pBlock);
  std::free(pBlock);
}
void operator delete(void* p, std::size_t) noexcept {
  operator delete(p);
}

namespace {

using Bytes = std::vector<std::uint8_t>;

void put(Bytes& out, std::uint64_t value, int size) {
  for (int i = 0; i < size; ++i)
    out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}
void putFloat(Bytes& out, float value) {
  put(out, std::bit_cast<std::uint32_t>(value), 4);
}

// Opens a chunk; close() patches its length.
std::size_t open(Bytes& out, std::uint16_t id) {
  const std::size_t at = out.size();
  put(out, id, 2);
  put(out, 0, 4);
  return at;
}
void close(Bytes& out, std::size_t at) {
  const auto length = static_cast<std::uint32_t>(out.size() - at);
  for (int i = 0; i < 4; ++i)
    out[at + 2 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(length >> (8 * i));
}

// A scene of `nbMesh` grids of side x side vertices, two triangles per cell, one camera and one
// material.
Bytes gridScene(int nbMesh, int side) {
  Bytes out{0};
  const std::size_t root = open(out, 53454);
  const std::size_t cameras = open(out, 120);
  put(out, 1, 2);
  close(out, open(out, 121));
  close(out, cameras);
  const std::size_t materials = open(out, 130);
  put(out, 1, 2);
  const std::size_t material = open(out, 131);
  const std::size_t subMaterials = open(out, 200);
  put(out, 1, 4);
  close(out, open(out, 201));
  close(out, subMaterials);
  close(out, material);
  close(out, materials);
  const std::size_t meshes = open(out, 100);
  put(out, static_cast<std::uint64_t>(nbMesh), 2);
  for (int m = 0; m < nbMesh; ++m) {
    const std::size_t mesh = open(out, 101);
    const std::size_t geometry = open(out, 501);
    const std::size_t vertices = open(out, 502);
    put(out, static_cast<std::uint64_t>(side * side), 2);
    for (int y = 0; y < side; ++y) {
      for (int x = 0; x < side; ++x) {
        putFloat(out, static_cast<float>(x));
        putFloat(out, static_cast<float>(y));
        putFloat(out, static_cast<float>(m));
      }
    }
    close(out, vertices);
    close(out, geometry);
    const std::size_t faces = open(out, 1000);
    const std::size_t corners = open(out, 1001);
    put(out, static_cast<std::uint64_t>(2 * (side - 1) * (side - 1)), 2);
    for (int y = 0; y + 1 < side; ++y) {
      for (int x = 0; x + 1 < side; ++x) {
        const auto v = static_cast<std::uint64_t>(y * side + x);
        const auto s = static_cast<std::uint64_t>(side);
        for (std::uint64_t index : {v, v + 1, v + s, v + 1, v + s + 1, v + s})
          put(out, index, 2);
      }
    }
    close(out, corners);
    close(out, faces);
    close(out, mesh);
  }
  close(out, meshes);
  close(out, root);
  return out;
}

constexpr int kNbMesh = 4;
constexpr int kSide = 113;  // 4 x 2 x 112 x 112 = 100,352 triangles

void BM_LoadScene100kTriangles(benchmark::State& state) {
  const Bytes file = gridScene(kNbMesh, kSide);
  const double nbTriangle = 2.0 * kNbMesh * (kSide - 1) * (kSide - 1);
  std::int64_t keptBytes = 0;
  for (auto _ : state) {
    ChunkFileReaderManager manager(std::span<const std::uint8_t>(file), "grid.l3x");
    const std::int64_t before = g_liveBytes;
    S3DScene scene;
    scene.load(manager);
    keptBytes = g_liveBytes - before;
    benchmark::DoNotOptimize(scene.m_triObjects.data());
  }
  state.counters["triangles"] = nbTriangle;
  state.counters["file_bytes"] = static_cast<double>(file.size());
  state.counters["bytes_per_triangle"] = static_cast<double>(keptBytes) / nbTriangle;
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(file.size()));
}
BENCHMARK(BM_LoadScene100kTriangles)->Unit(benchmark::kMillisecond);

}  // namespace
