// The .lecx controllers at work: formulas and the controller names they use, binding parameters
// to their targets by name, and what each kind offers.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/report.h"
#include "control/lcx_controller.h"
#include "control/lecx_controller_effect.h"
#include "control/lecx_controller_l3x.h"
#include "control/lecx_controller_manager.h"

namespace {

using Lines = std::vector<std::string>;

// An .lcx controller whose value is time / 10, counting how often it is asked.
class CountingLCX final : public LCXController {
 public:
  CountingLCX() : LCXController(LCXControllerType::KeyFramer) {}
  bool load(ChunkFileReader&, ChunkFileReaderManager&) override { return true; }
  void save(ChunkFileWriterManager&) const override {}
  float getValue(float time) override {
    ++m_nbCall;
    return time / 10.0f;
  }
  int m_nbCall = 0;
};

// Gives the controller (name, formula) parameters, then prepares it with a fresh runtime
// generator and finishes its expressions.
void fill(LECXController& controller,
          std::initializer_list<std::pair<const char*, const char*>> params) {
  for (const auto& [name, formula] : params)
    controller.addParam({StringC(name), StringC(formula), 0});
  CrtRand runtimeRand;
  controller.prepare(runtimeRand);
  controller.prepareExpressions();
}

// Points the kind's targets at `fields`; returns how many it has.
int setTargets(LECXController& controller, float* fields) {
  if (auto* p = dynamic_cast<LECXControllerEffectColor*>(&controller)) {
    p->setTarget(&fields[0], &fields[1], &fields[2]);
    return 3;
  }
  if (auto* p = dynamic_cast<LECXControllerEffectDemoSpe01*>(&controller)) {
    p->setTarget(&fields[0], &fields[1]);
    return 2;
  }
  static_cast<LECXControllerMixBlit&>(controller).setTarget(&fields[0]);
  return 1;
}

// --- One table: formulas, controller names, binding by name -----------------------------------

TEST(LECXController, FormulasNamesAndBindings) {
  struct Case {
    int32_t type;  // 1 colour, 3 blit, 4 DEMOSPE01
    std::initializer_list<std::pair<const char*, const char*>> params;
    Lines names;                 // the controllers the formulas name, in order of first use
    bool bound;                  // every parameter found its target
    std::vector<float> targets;  // after one update at time1 40, time2 300; -1: not written
    Lines reports;
  };
  const std::string colour = "LECXControllerEffectColor|can t find param type: ";
  const Case cases[] = {
      {3, {{"Opacity", "0.5 * time2"}}, {}, true, {150}, {}},
      {1, {{"Red", "1"}, {"Green", "time1"}, {"Blue", "3"}}, {}, true, {1, 40, 3}, {}},
      // Time1 is not a time; unset controllers read 0. Phase = b - (c + (time2 + a)).
      {4,
       {{"Intensity", "a + b * Time1"}, {"Phase", "b - c + time2 + a"}},
       {"a", "b", "Time1", "c"},
       true,
       {0, -300},
       {}},
      // A broken formula is reported once (prepared twice here) and gives 0.
      {3,
       {{"Opacity", "(beat + 2"}},
       {"beat"},
       true,
       {0},
       {"MathExpressionElementManager|prepareGroup: bad order/number of '(' and ')'"}},
      // Names match ignoring case, only that; of two parameters of one type the last wins.
      {3, {{"opacity", "0.25"}}, {}, true, {0.25f}, {}},
      {3, {{"oPaCiTy", "0.25"}}, {}, true, {0.25f}, {}},
      {4, {{"PHASE", "3"}, {"intensity", "0.5"}}, {}, true, {0.5f, 3}, {}},
      {3, {{"Opacity", "1"}, {"OPACITY", "2"}}, {}, true, {2}, {}},
      {1,
       {{"Alpha", "1"}, {"Blue", "0.5"}, {"Opacity", "2"}, {"Red ", "3"}},
       {},
       false,
       {-1, -1, 0.5f},
       {colour + "Alpha", colour + "Opacity", colour + "Red "}},
      {3,
       {{"Red", "beat"}},
       {"beat"},
       false,
       {-1},
       {"LECXControllerMixBlit|can t find param type: Red"}},
      {4,
       {{"Opacity", "1"}},
       {},
       false,
       {-1, -1},
       {"LECXControllerEffectDemoSpe01|can t find param type: Opacity"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.params.begin()->second);
    ReportCapture capture;
    LECXControllerManager manager;
    LECXController* pController = manager.createController(c.type);
    fill(*pController, c.params);
    pController->prepareExpressions();  // already done: nothing more
    Lines names;
    for (int32_t i = 0; i < pController->getNbController(); ++i)
      names.emplace_back(pController->getControllerName(i).view());
    EXPECT_EQ(names, c.names);
    EXPECT_EQ(pController->getControllerName(pController->getNbController()), "NULL");
    EXPECT_EQ(pController->getControllerName(-1), "NULL");
    float fields[3] = {-1, -1, -1};
    const int nbField = setTargets(*pController, fields);
    EXPECT_EQ(pController->bind(), c.bound);
    pController->setTime1(40.0f);
    pController->setTime2(300.0f);
    pController->update();
    EXPECT_EQ(std::vector<float>(fields, fields + nbField), c.targets);
    EXPECT_EQ(capture.lines(), c.reports);
  }
}

TEST(LECXController, ASharedControllerIsAskedOncePerUpdateAndOnlyWhenBound) {
  LECXControllerEffectColor color;
  fill(color, {{"Red", "beat * 2"}, {"Green", "beat + time1"}, {"Blue", "kick - beat"}});
  EXPECT_EQ(color.getNbController(), 2);  // beat, kick
  CountingLCX beat;
  color.setController(0, &beat);
  color.setController(2, &beat);   // outside the range: ignored
  color.setController(-1, &beat);  // likewise
  float red = 0.0f, green = 0.0f, blue = 0.0f;
  color.setTarget(&red, &green, &blue);
  EXPECT_TRUE(color.bind());
  for (const float time : {100.0f, 250.0f}) {
    color.setTime1(time);
    color.update();
    // beat = time / 10; kick is unset and reads 0.
    EXPECT_EQ(beat.m_nbCall, time == 100.0f ? 1 : 2);
    EXPECT_EQ(red, time / 5);
    EXPECT_EQ(green, time / 10 + time);
    EXPECT_EQ(blue, -time / 10);
  }

  // Without a target, or without a bound parameter, nothing is asked or written.
  ReportCapture capture;
  for (const char* name : {"Opacity", "Alpha"}) {
    LECXControllerMixBlit mix;
    fill(mix, {{name, "beat"}});
    mix.setController(0, &beat);
    float opacity = 0.75f;
    if (name[0] == 'A') mix.setTarget(&opacity);
    mix.bind();
    mix.setTime1(500.0f);
    mix.update();
    EXPECT_EQ(beat.m_nbCall, 2);
    EXPECT_EQ(mix.getResult(0), 0.0f);
    EXPECT_EQ(opacity, 0.75f);
  }
  // A controller never prepared has no results; binding and updating it is harmless.
  LECXControllerMixBlit bare;
  bare.addParam({StringC("Opacity"), StringC("1"), 0});
  float opacity = 0.75f;
  bare.setTarget(&opacity);
  EXPECT_TRUE(bare.bind());
  bare.update();
  EXPECT_EQ(opacity, 0.0f);
}

TEST(LECXController, RandDrawsFromTheGivenGeneratorInParameterOrder) {
  LECXControllerMixBlit mix;
  mix.addParam({StringC("Opacity"), StringC("rand"), 0});
  mix.addParam({StringC("Opacity"), StringC("rand + rand"), 0});
  CrtRand runtimeRand(1);
  mix.prepare(runtimeRand);
  mix.prepareExpressions();
  float opacity = 0.0f;
  mix.setTarget(&opacity);
  mix.bind();
  mix.update();
  // The runtime's first three numbers after srand(1): 41, 18467, 6334.
  EXPECT_EQ(mix.getResult(0), 41.0f);
  EXPECT_EQ(mix.getResult(1), 18467.0f + 6334.0f);
}

TEST(LECXController, ParameterTypesOfEachKindAndTheSceneWithoutAScene) {
  ReportCapture capture;
  LECXControllerManager manager;
  // The scene kind's 69 names: three of them.
  const std::vector<std::vector<std::pair<size_t, std::string>>> expected = {
      {{0, "Red"}, {1, "Green"}, {2, "Blue"}},
      {{0, "SCENE MAINANIM"},
       {33, "MODIFIERGIZMO NAME IDX MAINANIM"},
       {68, "MODIFIERBEND NAME DIRECTION"}},
      {{0, "Opacity"}},
      {{0, "Intensity"}, {1, "Phase"}}};
  const size_t counts[] = {3, 69, 1, 2};
  for (int32_t type = 1; type <= 4; ++type) {
    LECXController* pController = manager.createController(type);
    std::vector<StringC> names(static_cast<size_t>(pController->getNbParamType()));
    pController->getParamTypeNames(names.data());
    ASSERT_EQ(names.size(), counts[type - 1]);
    for (const auto& [index, name] : expected[static_cast<size_t>(type - 1)])
      EXPECT_EQ(names[index].view(), name);
  }
  EXPECT_TRUE(capture.reports().empty());

  LECXControllerL3X scene;
  fill(scene, {{"NODE Box01 POSX", "10"}});
  EXPECT_FALSE(scene.bind());
  scene.update();
  EXPECT_EQ(capture.lines(),
            (Lines{"LECXControllerL3X|can t prepare controller Interface: m_pScene NULL"}));
}

}  // namespace
