// libFuzzer target for the .lecx loader. The input is a whole controller file (plain or packed);
// a controller that loads is taken through the owner's whole sequence (prepare, controllers set,
// target, bind) and updated over a few frames, so whatever formulas and names a file holds meet
// the parser and the evaluation too.
// Built with clang: cmake -DSHOWPLAYER_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ ...
// Run: build-fuzz/tests/fuzz/lecx_fuzz tests/fuzz/corpus/lecx

#include <cstdint>
#include <span>

#include "base/report.h"
#include "control/crt_rand.h"
#include "control/lcx_controller_manager.h"
#include "control/lecx_controller_effect.h"
#include "control/lecx_controller_manager.h"
#include "tests/fuzz/fuzz_support.h"

namespace {
// Every target field of every kind, with a guard on each side a stray write would hit.
struct Fields {
  float guardBefore = 0.0f;
  float values[3] = {};
  float guardAfter = 0.0f;
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  discardReports();
  LECXControllerManager manager;
  manager.load(std::span<const std::uint8_t>(data, size), StringC("fuzz.lecx"));
  if (LECXController* pController = manager.getController()) {
    CrtRand runtimeRand;
    pController->prepare(runtimeRand);
    // Every name resolves to one empty keyframe controller (value 0), except the odd ones.
    LCXControllerManager source;
    LCXController* pSource = source.createController(3);
    for (int32_t i = 0; i < pController->getNbController(); i += 2)
      pController->setController(i, pSource);
    pController->prepareExpressions();
    Fields fields;
    float* pValue = fields.values;
    if (auto* pColor = dynamic_cast<LECXControllerEffectColor*>(pController))
      pColor->setTarget(pValue, pValue + 1, pValue + 2);
    else if (auto* pMix = dynamic_cast<LECXControllerMixBlit*>(pController))
      pMix->setTarget(pValue);
    else if (auto* pDemo = dynamic_cast<LECXControllerEffectDemoSpe01*>(pController))
      pDemo->setTarget(pValue, pValue + 1);
    pController->bind();
    for (const float time : {-500.0f, 0.0f, 250.0f, 1e9f}) {
      pSource->setUpdate(1);
      pController->setTime1(time);
      pController->setTime2(time + 1000.0f);
      pController->update();
    }
    if (fields.guardBefore != 0.0f || fields.guardAfter != 0.0f) __builtin_trap();
  }
  clearQuitRequest();
  return 0;
}
