// One evaluation of a formula of 20 operations (three labels, two groups, a function), as every
// animated parameter costs once per frame; and the same formula's parse, paid once at load.

#include <benchmark/benchmark.h>

#include "control/crt_rand.h"
#include "control/math_expression.h"

namespace {

// 20 operators; the labels stand for two controllers and the time.
constexpr const char* kFormula =
    "a * 0.5 + b - 3 * (time1 / 1000 + a % 7 - 2) + sin(b * 0.25 + 1) * 4 - a / 3 + "
    "b * 2 - 1 + time1 % 500 * 0.01";

void bindLabels(MathExpression& expression, float* a, float* b, float* time) {
  for (int32_t i = 0; i < expression.getNbLabel(); ++i) {
    const StringC name = expression.getLabelName(i);
    expression.setLabel(i, name == "a" ? a : name == "b" ? b : time);
  }
}

void BM_EvaluateTwentyOperations(benchmark::State& state) {
  CrtRand runtimeRand;
  MathExpression expression(kFormula, runtimeRand);
  float a = 1.25f;
  float b = 7.5f;
  float time = 0.0f;
  bindLabels(expression, &a, &b, &time);
  if (!expression.prepare()) {
    state.SkipWithError("formula did not prepare");
    return;
  }
  for (auto _ : state) {
    time += 38.46154f;  // the frame period: the labels change between evaluations
    benchmark::DoNotOptimize(expression.getValue());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_EvaluateTwentyOperations);

void BM_ParseTwentyOperations(benchmark::State& state) {
  CrtRand runtimeRand;
  float a = 1.25f;
  float b = 7.5f;
  float time = 0.0f;
  for (auto _ : state) {
    MathExpression expression(kFormula, runtimeRand);
    bindLabels(expression, &a, &b, &time);
    benchmark::DoNotOptimize(expression.prepare());
  }
}
BENCHMARK(BM_ParseTwentyOperations);

}  // namespace

// getValue of every track kind with 10, 100 and 1000 keys, at random times across the track:
// the per-frame cost of one animated value (a linear key search, then the segment's formula).

#include <random>
#include <vector>

#include "control/track_bezier.h"
#include "control/track_curve.h"
#include "control/track_rotation.h"

namespace {

constexpr float kKeySpacing = 40.0f;  // ms between keys
constexpr std::size_t kNbQueryTime = 4096;

std::vector<float> queryTimes(int32_t nbKey) {
  std::mt19937 generator(1234);
  std::uniform_real_distribution<float> time(0.0f, kKeySpacing * static_cast<float>(nbKey - 1));
  std::vector<float> times(kNbQueryTime);
  for (float& t : times)
    t = time(generator);
  return times;
}

// Key i of a track: at i * spacing, with a value (or angle) that wanders.
template <class Key>
Key benchKey(int32_t i);

template <>
TrackKey<float> benchKey(int32_t i) {
  return {kKeySpacing * static_cast<float>(i), static_cast<float>((i * 37) % 11)};
}
template <>
TrackKey<Point3D> benchKey(int32_t i) {
  const float v = static_cast<float>((i * 37) % 11);
  return {kKeySpacing * static_cast<float>(i), {v, 2.0f * v, -v}};
}
template <>
TrackKeyTCB<float> benchKey(int32_t i) {
  TrackKeyTCB<float> key;
  key.time = kKeySpacing * static_cast<float>(i);
  key.value = static_cast<float>((i * 37) % 11);
  key.tension = 0.25f;
  key.easeFrom = 0.5f;
  return key;
}
template <>
TrackKeyTCB<Point3D> benchKey(int32_t i) {
  TrackKeyTCB<Point3D> key;
  key.time = kKeySpacing * static_cast<float>(i);
  const float v = static_cast<float>((i * 37) % 11);
  key.value = {v, 2.0f * v, -v};
  key.bias = 0.25f;
  return key;
}
template <>
TrackKeyBezier benchKey(int32_t i) {
  TrackKeyBezier key;
  key.time = kKeySpacing * static_cast<float>(i);
  key.value = static_cast<float>((i * 37) % 11);
  // Every third key has Custom handles, which makes its segments solve a cubic.
  const auto type = i % 3 == 0 ? TrackTangent::Custom : TrackTangent::Smooth;
  key.inType = key.outType = static_cast<uint16_t>(type);
  key.inSlope = -0.1f;
  key.outSlope = 0.1f;
  key.inLength = key.outLength = 10.0f;
  return key;
}
template <>
TrackKeyRotation benchKey(int32_t i) {
  TrackKeyRotation key;
  key.time = kKeySpacing * static_cast<float>(i);
  key.axis = {0.6f, 0.0f, 0.8f};
  key.angle = 0.3f * static_cast<float>(i % 17);
  return key;
}
template <>
TrackKeyRotationTCB benchKey(int32_t i) {
  TrackKeyRotationTCB key;
  key.time = kKeySpacing * static_cast<float>(i);
  key.axis = i % 2 ? Point3D{0.0f, 1.0f, 0.0f} : Point3D{0.6f, 0.0f, 0.8f};
  key.angle = 0.4f;
  key.continuity = 0.2f;
  return key;
}

template <class TrackClass>
void BM_TrackGetValue(benchmark::State& state) {
  const auto nbKey = static_cast<int32_t>(state.range(0));
  TrackClass track;
  track.createKey(nbKey);
  for (int32_t i = 0; i < nbKey; ++i)
    track.setKey(i, benchKey<typename TrackClass::KeyType>(i));
  track.prepare();
  const std::vector<float> times = queryTimes(nbKey);
  std::size_t next = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(track.getValue(times[next]));
    next = (next + 1) % kNbQueryTime;
  }
  state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_TrackGetValue<TrackFloatLinear>)->Arg(10)->Arg(100)->Arg(1000);
BENCHMARK(BM_TrackGetValue<TrackFloatHermite>)->Arg(10)->Arg(100)->Arg(1000);
BENCHMARK(BM_TrackGetValue<TrackFloatTCB>)->Arg(10)->Arg(100)->Arg(1000);
BENCHMARK(BM_TrackGetValue<TrackBezier>)->Arg(10)->Arg(100)->Arg(1000);
BENCHMARK(BM_TrackGetValue<TrackPoint3DLinear>)->Arg(10)->Arg(100)->Arg(1000);
BENCHMARK(BM_TrackGetValue<TrackPoint3DHermite>)->Arg(10)->Arg(100)->Arg(1000);
BENCHMARK(BM_TrackGetValue<TrackPoint3DTCB>)->Arg(10)->Arg(100)->Arg(1000);
BENCHMARK(BM_TrackGetValue<TrackRotationLinear>)->Arg(10)->Arg(100)->Arg(1000);
BENCHMARK(BM_TrackGetValue<TrackRotationTCB>)->Arg(10)->Arg(100)->Arg(1000);

}  // namespace

// One frame of the controllers of a show: 200 .lcx controllers (180 keyframers with 20 keys and
// four beats, 20 noise controllers, half of them fractal) are marked stale and each asked for its
// value, as the engine does at every frame. Allocations during the frames are counted: there must
// be none.

#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>

#include "control/lcx_controller_keyframer.h"
#include "control/lcx_controller_noise.h"

namespace {
std::atomic<long> g_nbAllocation{0};
}  // namespace

void* operator new(std::size_t size) {
  g_nbAllocation.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
// The pair of the replaced operator new; gcc sees only free() meeting a new-expression.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

namespace {

constexpr int32_t kNbController = 200;
constexpr int32_t kNbNoise = 20;
constexpr int32_t kNbFrameKey = 20;
constexpr float kFramePeriod = 38.46154f;

std::vector<std::unique_ptr<LCXController>> showControllers() {
  std::vector<std::unique_ptr<LCXController>> controllers;
  for (int32_t c = 0; c < kNbController - kNbNoise; ++c) {
    auto pKeyFramer = std::make_unique<LCXControllerKeyFramer>();
    LCXPointList beats;
    for (int32_t b = 0; b < 4; ++b)
      beats.push_back({static_cast<float>(b) * 4000.0f, 0.0f});
    LCXPointList keys;
    for (int32_t k = 0; k < kNbFrameKey; ++k)
      keys.push_back({static_cast<float>(k) * 200.0f, static_cast<float>((k * 37 + c) % 11)});
    pKeyFramer->createBeatPosition(&beats);
    if (c % 2)
      pKeyFramer->createInterpolationModelLinear(&keys);
    else
      pKeyFramer->createInterpolationModelHermite(&keys);
    pKeyFramer->setAccumulate(c % 3 == 0);
    controllers.push_back(std::move(pKeyFramer));
  }
  for (int32_t n = 0; n < kNbNoise; ++n) {
    auto pNoise = std::make_unique<LCXControllerNoise>();
    pNoise->setSeed(n * 17);
    pNoise->setFractal(n % 2 == 0);
    controllers.push_back(std::move(pNoise));
  }
  return controllers;
}

void BM_LCXControllerFrame(benchmark::State& state) {
  const std::vector<std::unique_ptr<LCXController>> controllers = showControllers();
  float time = 0.0f;
  float sum = 0.0f;
  const long nbAllocationBefore = g_nbAllocation.load();
  for (auto _ : state) {
    for (const auto& pController : controllers)
      pController->setUpdate(1);
    for (const auto& pController : controllers)
      sum += pController->getValue(time);
    time = time < 20000.0f ? time + kFramePeriod : 0.0f;
  }
  benchmark::DoNotOptimize(sum);
  const long nbAllocation = g_nbAllocation.load() - nbAllocationBefore;
  state.counters["allocations"] = static_cast<double>(nbAllocation);
  if (nbAllocation != 0) state.SkipWithError("the frame allocated");
  state.SetItemsProcessed(state.iterations() * kNbController);
}
BENCHMARK(BM_LCXControllerFrame);

}  // namespace
