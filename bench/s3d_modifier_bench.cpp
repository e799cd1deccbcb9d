// The modifier stack of a mesh (step 3 of its frame): a column of 20,000 vertices (200 rings of
// 100) rebuilt from its saved copy through each deforming modifier alone and through a stack of
// three, every modifier prepared each frame as in a show. per_vertex is the CPU time of one pass
// divided by the vertex count. Run it pinned to one core: taskset -c 1 s3d_modifier_bench.
//
// runStack takes any list of modifiers: cases of other modifier families add their own list.

#include <benchmark/benchmark.h>

#include <cmath>
#include <functional>
#include <memory>
#include <vector>

#include "s3d/s3d_camera.h"
#include "s3d/s3d_modifier_deform.h"
#include "s3d/s3d_tri_object.h"

namespace {

constexpr int kNbRing = 200;
constexpr int kNbPerRing = 100;

// A column of radius 10 and height 100 around the y axis.
std::vector<Vec3> columnVertices() {
  std::vector<Vec3> vertices;
  vertices.reserve(kNbRing * kNbPerRing);
  for (int ring = 0; ring < kNbRing; ++ring)
    for (int i = 0; i < kNbPerRing; ++i) {
      const float a = 2.0f * kPi * static_cast<float>(i) / kNbPerRing;
      vertices.push_back(
          {10.0f * std::cos(a), 0.5f * static_cast<float>(ring), 10.0f * std::sin(a)});
    }
  return vertices;
}

// The mesh's step 3 through `modifiers` in list order, without channels. The gizmos get the
// column's box and pivot as a loaded mesh gives them.
void runStack(benchmark::State& state, const std::vector<S3DModifier*>& modifiers) {
  S3DMaterial material;
  material.m_subMaterials.resize(1);
  S3DTriObject mesh;
  mesh.setVertices(columnVertices());
  mesh.m_pMaterial = &material;
  mesh.prepareDrawing();
  for (S3DModifier* pModifier : modifiers) {
    if (pModifier->isGizmo())
      static_cast<S3DModifierGizmo*>(pModifier)->setBox(mesh.m_boxMin, mesh.m_boxMax);
    S3DModifierApplication application;
    application.pModifier = pModifier;
    mesh.m_applications.push_back(application);
  }
  const S3DCamera camera;
  for (auto _ : state) {
    mesh.applyModifiers(camera);
    benchmark::DoNotOptimize(mesh.m_vertices.data());
    benchmark::ClobberMemory();
  }
  // Seconds per vertex, printed with its SI prefix (3.2ns).
  state.counters["per_vertex"] = benchmark::Counter(
      static_cast<double>(mesh.getNbVertex()),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// One modifier of type T set up by `set`.
template <class T>
void runOne(benchmark::State& state, const std::function<void(T&)>& set) {
  T modifier;
  set(modifier);
  runStack(state, {&modifier});
}

void Bend(benchmark::State& state) {
  runOne<S3DModifierBend>(state, [](auto& m) {
    m.m_angle = 1.5f;
    m.m_direction = 0.3f;
  });
}
void Stretch(benchmark::State& state) {
  runOne<S3DModifierStretch>(state, [](auto& m) {
    m.m_stretch = 0.5f;
    m.m_amplify = 1.0f;
  });
}
void Noise(benchmark::State& state) {
  runOne<S3DModifierNoise>(state, [](auto& m) {
    m.setStrength(2.0f);
    m.m_noiseScale = 20.0f;
  });
}
// Argument: the octave count (1 to 6); each octave is one more noise evaluation per field.
void NoiseFractal(benchmark::State& state) {
  const auto octaves = static_cast<int>(state.range(0));
  runOne<S3DModifierNoise>(state, [octaves](auto& m) {
    m.setStrength(2.0f);
    m.m_fractal = 1;
    m.m_value104 = octaves;
  });
}
void WaveCircular(benchmark::State& state) {
  runOne<S3DModifierWave>(state, [](auto& m) {
    m.m_amp1 = 1.0f;
    m.m_amp2 = 2.0f;
    m.m_waveLength = 15.0f;
    m.m_decay = 0.01f;
  });
}
void WaveLinear(benchmark::State& state) {
  runOne<S3DModifierWave>(state, [](auto& m) {
    m.m_variant = 1;
    m.m_amp1 = 1.0f;
    m.m_amp2 = 2.0f;
    m.m_waveLength = 15.0f;
  });
}
void Twist(benchmark::State& state) {
  runOne<S3DModifierTwist>(state, [](auto& m) { m.m_angle = 2.0f; });
}
void TwistBias(benchmark::State& state) {
  runOne<S3DModifierTwist>(state, [](auto& m) {
    m.m_angle = 2.0f;
    m.m_bias = 30.0f;
  });
}
void Taper(benchmark::State& state) {
  runOne<S3DModifierTaper>(state, [](auto& m) {
    m.m_amount = 0.5f;
    m.m_curve = 1.0f;
  });
}
void Skew(benchmark::State& state) {
  runOne<S3DModifierSkew>(state, [](auto& m) {
    m.m_amount = 5.0f;
    m.m_direction = 0.5f;
  });
}
void Spherify(benchmark::State& state) {
  runOne<S3DModifierSpherify>(state, [](auto& m) { m.m_percent = 0.5f; });
}
void Melt(benchmark::State& state) {
  runOne<S3DModifierMelt>(state, [](auto& m) {
    m.m_amount = 60.0f;
    m.m_spread = 40.0f;
  });
}
void SpaceWarp(benchmark::State& state) {
  runOne<S3DModifierSpaceWarp>(state,
                               [](auto& m) { m.m_values = {1, 2, 15, 0, 0.01f, 0.1f, 0, 0}; });
}
// Twist, then bend (which receives the twisted column's box), then taper.
void StackOfThree(benchmark::State& state) {
  S3DModifierTwist twist;
  twist.m_angle = 2.0f;
  S3DModifierBend bend;
  bend.m_angle = 1.5f;
  S3DModifierTaper taper;
  taper.m_amount = 0.5f;
  runStack(state, {&twist, &bend, &taper});
}

}  // namespace

BENCHMARK(Bend);
BENCHMARK(Stretch);
BENCHMARK(Noise);
BENCHMARK(NoiseFractal)->Arg(1)->Arg(3)->Arg(6);
BENCHMARK(WaveCircular);
BENCHMARK(WaveLinear);
BENCHMARK(Twist);
BENCHMARK(TwistBias);
BENCHMARK(Taper);
BENCHMARK(Skew);
BENCHMARK(Spherify);
BENCHMARK(Melt);
BENCHMARK(SpaceWarp);
BENCHMARK(StackOfThree);
