// Skin and morph on a 20,000-vertex mesh, the way the modifier stack runs them each frame: prepare,
// then one deform over the whole vertex array. Counter ns_per_vertex: time of a frame's deform
// (prepare included) divided by the vertex count.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "s3d/s3d_camera.h"
#include "s3d/s3d_modifier_morph.h"
#include "s3d/s3d_modifier_skin.h"

namespace {

constexpr int kNbVertex = 20000;
constexpr int kNbBone = 8;
constexpr int kBonesPerVertex = 4;
constexpr int kNbTarget = 6;

// A fixed pseudo-random sequence in [0, 1): the same mesh on every machine.
class Sequence {
 public:
  float next() {
    m_state = m_state * 1664525u + 1013904223u;
    return static_cast<float>(m_state >> 8) * (1.0f / 16777216.0f);
  }

 private:
  uint32_t m_state = 12345u;
};

std::vector<Vec3> makeMesh(Sequence& random) {
  std::vector<Vec3> mesh(kNbVertex);
  for (Vec3& p : mesh)
    p = {random.next() * 200.0f - 100.0f, random.next() * 200.0f - 100.0f,
         random.next() * 200.0f - 100.0f};
  return mesh;
}

void addCounter(benchmark::State& state) {
  // A rate of vertices per 1e-9 s, inverted: nanoseconds per vertex.
  state.counters["ns_per_vertex"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * kNbVertex * 1e-9,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// Four bones per vertex among eight, each bone turned and moved, weights summing to 1. Argument:
// 0 the lane kernel that deform uses, 1 its scalar twin.
void BM_Skin4Bones(benchmark::State& state) {
  const auto kernel =
      state.range(0) == 0 ? S3DModifierSkin::Kernel::kLanes : S3DModifierSkin::Kernel::kScalar;
  Sequence random;
  const std::vector<Vec3> saved = makeMesh(random);
  std::vector<Vec3> vertices(saved.size());
  std::vector<Matrix44> worlds(kNbBone);
  S3DModifierSkin skin;
  skin.m_bones.resize(kNbBone);
  for (int b = 0; b < kNbBone; ++b) {
    const auto i = static_cast<std::size_t>(b);
    worlds[i] = multiply(euler(0.1f * static_cast<float>(b), 0.2f, 0.05f),
                         translation({static_cast<float>(b), 1.0f, -2.0f}));
    skin.m_bones[i].boneBind = translation({0.0f, 10.0f * static_cast<float>(b), 0.0f});
    skin.m_bones[i].offset = inverse(skin.m_bones[i].boneBind);
    skin.m_bones[i].pWorld = &worlds[i];
  }
  for (int v = 0; v < kNbVertex; ++v) {
    float weights[kBonesPerVertex];
    float sum = 0.0f;
    for (float& w : weights) {
      w = random.next() + 0.01f;
      sum += w;
    }
    for (int k = 0; k < kBonesPerVertex; ++k) {
      skin.m_weights.push_back(weights[k] / sum);
      skin.m_weightBones.push_back(static_cast<uint16_t>((v + 3 * k) % kNbBone));
    }
    skin.m_vertexFirst.push_back(static_cast<uint32_t>(skin.m_weights.size()));
  }
  const S3DCamera camera;
  for (auto _ : state) {
    skin.prepare(camera);
    skin.deform(saved, vertices, 0, kernel);
    benchmark::DoNotOptimize(vertices.data());
    benchmark::ClobberMemory();
  }
  addCounter(state);
}
BENCHMARK(BM_Skin4Bones)->Arg(0)->Arg(1);

// Six targets, four of them active (weights above 0.01), each a displaced copy of the mesh.
void BM_Morph4Targets(benchmark::State& state) {
  Sequence random;
  const std::vector<Vec3> saved = makeMesh(random);
  std::vector<Vec3> vertices(saved.size());
  std::vector<std::vector<Vec3>> targets(kNbTarget, saved);
  S3DModifierMorph morph;
  morph.create(kNbTarget);
  const float weights[kNbTarget] = {0.5f, 0.0f, 0.25f, 0.005f, 0.75f, 0.125f};
  for (int t = 0; t < kNbTarget; ++t) {
    const auto i = static_cast<std::size_t>(t);
    for (Vec3& p : targets[i])
      p = p + Vec3{random.next(), random.next(), random.next()};
    morph.m_targets[i].weight = weights[i];
    morph.setTargetVertex(t, targets[i]);
  }
  const S3DCamera camera;
  for (auto _ : state) {
    morph.prepare(camera);
    morph.deform(saved, vertices, 0);
    benchmark::DoNotOptimize(vertices.data());
    benchmark::ClobberMemory();
  }
  state.counters["active"] = static_cast<double>(morph.m_active.size());
  addCounter(state);
}
BENCHMARK(BM_Morph4Targets);

}  // namespace
