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
