// The .lecx controllers at work: formulas and the controller names they use, and binding
// parameters to their targets by name.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/report.h"
#include "control/lcx_controller.h"
#include "control/lecx_controller_effect.h"
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

// Gives the controller the parameters of "name=formula;name=formula", then prepares it with a
// fresh runtime generator and finishes its expressions.
void fill(LECXController& controller, const std::string& params) {
  for (std::size_t start = 0; start < params.size();) {
    const std::size_t end = std::min(params.find(';', start), params.size());
    const std::size_t equal = params.find('=', start);
    controller.addParam({StringC(params.substr(start, equal - start).c_str()),
                         StringC(params.substr(equal + 1, end - equal - 1).c_str()), 0});
    start = end + 1;
  }
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
    int32_t type;                // 1 colour, 3 blit, 4 DEMOSPE01
    const char* params;          // name=formula;...
    Lines names;                 // the controllers the formulas name, in order of first use
    bool bound;                  // every parameter found its target
    std::vector<float> targets;  // after one update at time1 40, time2 300; -1: not written
    Lines reports;
  };
  const std::string find = "|can t find param type: ";
  const std::string col = "LECXControllerEffectColor" + find;
  const std::string badGroup =
      "MathExpressionElementManager|prepareGroup: bad order/number of '(' and ')'";
  const Case cases[] = {
      {3, "Opacity=0.5 * time2", {}, true, {150}, {}},
      {1, "Red=1;Green=time1;Blue=3", {}, true, {1, 40, 3}, {}},
      // Time1 is not a time; unset controllers read 0. Phase = b - (c + (time2 + a)).
      {4, "Intensity=a+b*Time1;Phase=b-c+time2+a", {"a", "b", "Time1", "c"}, true, {0, -300}, {}},
      // A broken formula is reported once (prepared twice here) and gives 0.
      {3, "Opacity=(beat + 2", {"beat"}, true, {0}, {badGroup}},
      // Names match ignoring case, only that; of two parameters of one type the last wins.
      {4, "PHASE=3;intensity=0.5", {}, true, {0.5f, 3}, {}},
      {3, "Opacity=1;OPACITY=2", {}, true, {2}, {}},
      {1, "Alpha=1;Blue=0.5;Red =3", {}, false, {-1, -1, 0.5f}, {col + "Alpha", col + "Red "}},
      {3, "Red=beat", {"beat"}, false, {-1}, {"LECXControllerMixBlit" + find + "Red"}},
      {4, "Opacity=1", {}, false, {-1, -1}, {"LECXControllerEffectDemoSpe01" + find + "Opacity"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.params);
    ReportCapture capture;
    LECXControllerManager manager;
    LECXController* pController = manager.createController(c.type);
    fill(*pController, c.params);
    pController->prepareExpressions();  // already done: nothing more
    Lines names;
    for (int32_t i = 0; i < pController->getNbController(); ++i)
      names.emplace_back(pController->getControllerName(i).view());
    EXPECT_EQ(names, c.names);
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
  fill(color, "Red=beat * 2;Green=beat + time1;Blue=kick - beat");
  EXPECT_EQ(color.getNbController(), 2);  // beat, kick
  CountingLCX beat;
  color.setController(0, &beat);
  color.setController(2, &beat);  // outside the range: ignored
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
    fill(mix, std::string(name) + "=beat");
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
}

}  // namespace
