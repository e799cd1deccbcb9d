// libFuzzer target for the expression parser: any bytes as a formula, every label bound, prepared
// and evaluated twice (the second time after the bound values changed).
// Built with clang: cmake -DSHOWPLAYER_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ ...
// Run: build-fuzz/tests/fuzz/expression_fuzz tests/fuzz/corpus/expression

#include <cstdint>
#include <string>
#include <vector>

#include "base/report.h"
#include "control/crt_rand.h"
#include "control/math_expression.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  discardReports();
  const std::string text(reinterpret_cast<const char*>(data), size);
  CrtRand runtimeRand;
  MathExpression expression(StringC(text.c_str()), runtimeRand);
  // Every other label stays unbound, when the first byte is odd, to reach that report too.
  const bool bindAll = size == 0 || (data[0] & 1) == 0;
  std::vector<float> values(static_cast<std::size_t>(expression.getNbLabel()), 0.5f);
  for (int32_t i = 0; i < expression.getNbLabel(); ++i)
    if (bindAll || i % 2 == 0) expression.setLabel(i, &values[static_cast<std::size_t>(i)]);
  expression.prepare();
  volatile float sink = expression.getValue();
  for (float& value : values)
    value = -3.0f;
  sink = expression.getValue();
  (void)sink;
  clearQuitRequest();
  return 0;
}
