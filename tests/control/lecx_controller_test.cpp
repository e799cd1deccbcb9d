#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "base/chunk_file.h"
#include "base/report.h"
#include "control/lcx_controller.h"
#include "control/lecx_controller_effect.h"
#include "control/lecx_controller_l3x.h"
#include "control/lecx_controller_manager.h"
#include "tests/base/chunk_bytes.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace chunk_bytes;
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

Bytes paramChunk(std::string_view name, std::string_view formula, int32_t mode) {
  return chunk(102, {chunk(1, {stringField(name)}), chunk(2, {stringField(formula)}),
                     chunk(3, {intField(mode)})});
}
LECXControllerManager loadBytes(const Bytes& bytes, ReportCapture& capture) {
  capture.clear();
  LECXControllerManager manager;
  manager.load(bytes, StringC("test.lecx"));
  return manager;
}

// --- Formulas and controller names ------------------------------------------------------------

TEST(LECXPrepare, TimesOnlyGiveNoControllers) {
  ReportCapture capture;
  LECXControllerMixBlit mix;
  fill(mix, {{"Opacity", "0.5 * time2"}});
  EXPECT_EQ(mix.getNbController(), 0);
  EXPECT_EQ(mix.getControllerName(0), "NULL");
  float opacity = -1.0f;
  mix.setTarget(&opacity);
  EXPECT_TRUE(mix.bind());
  mix.setTime1(40.0f);
  mix.setTime2(300.0f);
  mix.update();
  EXPECT_EQ(opacity, 150.0f);
  EXPECT_TRUE(capture.reports().empty());
}

TEST(LECXPrepare, SharedControllerIsOneEntryEvaluatedOncePerUpdate) {
  LECXControllerEffectColor color;
  fill(color, {{"Red", "beat * 2"}, {"Green", "beat + time1"}, {"Blue", "kick - beat"}});
  ASSERT_EQ(color.getNbController(), 2);
  EXPECT_EQ(color.getControllerName(0), "beat");
  EXPECT_EQ(color.getControllerName(1), "kick");
  EXPECT_EQ(color.getControllerName(2), "NULL");
  EXPECT_EQ(color.getControllerName(-1), "NULL");

  CountingLCX beat;
  color.setController(0, &beat);
  color.setController(2, &beat);   // outside the range: ignored
  color.setController(-1, &beat);  // likewise
  float red = 0.0f, green = 0.0f, blue = 0.0f;
  color.setTarget(&red, &green, &blue);
  EXPECT_TRUE(color.bind());
  color.setTime1(100.0f);
  color.update();
  // beat = 100 / 10 = 10; kick is unset and reads 0.
  EXPECT_EQ(beat.m_nbCall, 1);
  EXPECT_EQ(red, 20.0f);
  EXPECT_EQ(green, 110.0f);
  EXPECT_EQ(blue, -10.0f);
  color.setTime1(250.0f);
  color.update();
  EXPECT_EQ(beat.m_nbCall, 2);
  EXPECT_EQ(red, 50.0f);
  EXPECT_EQ(green, 275.0f);
}

TEST(LECXPrepare, NamesInOrderOfFirstUseAndTimesAreCaseSensitive) {
  LECXControllerEffectDemoSpe01 demo;
  fill(demo, {{"Intensity", "a + b * Time1"}, {"Phase", "b - c + time2 + a"}});
  ASSERT_EQ(demo.getNbController(), 4);
  EXPECT_EQ(demo.getControllerName(0), "a");
  EXPECT_EQ(demo.getControllerName(1), "b");
  EXPECT_EQ(demo.getControllerName(2), "Time1");
  EXPECT_EQ(demo.getControllerName(3), "c");
}

TEST(LECXPrepare, RandDrawsFromTheGivenGeneratorInParameterOrder) {
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
  // Two parameters of one type: the last one wins.
  EXPECT_EQ(opacity, 24801.0f);
}

TEST(LECXPrepare, BrokenFormulaReportsOnceAndGivesZero) {
  ReportCapture capture;
  LECXControllerMixBlit mix;
  fill(mix, {{"Opacity", "(beat + 2"}});
  mix.prepareExpressions();  // already done: no second report
  ASSERT_EQ(capture.reports().size(), 1u);
  EXPECT_EQ(capture.reports()[0].caption, "MathExpressionElementManager");
  EXPECT_EQ(mix.getNbController(), 1);
  float opacity = 0.7f;
  mix.setTarget(&opacity);
  mix.bind();
  mix.update();
  EXPECT_EQ(opacity, 0.0f);
}

// --- Binding ----------------------------------------------------------------------------------

TEST(LECXBind, NamesMatchIgnoringCase) {
  for (const char* name : {"opacity", "OPACITY", "Opacity", "oPaCiTy"}) {
    LECXControllerMixBlit mix;
    fill(mix, {{name, "0.25"}});
    float opacity = 1.0f;
    mix.setTarget(&opacity);
    EXPECT_TRUE(mix.bind()) << name;
    mix.update();
    EXPECT_EQ(opacity, 0.25f) << name;
  }
  LECXControllerEffectDemoSpe01 demo;
  fill(demo, {{"PHASE", "3"}, {"intensity", "0.5"}});
  float intensity = 1.0f, phase = 0.0f;
  demo.setTarget(&intensity, &phase);
  EXPECT_TRUE(demo.bind());
  demo.update();
  EXPECT_EQ(intensity, 0.5f);
  EXPECT_EQ(phase, 3.0f);
}

TEST(LECXBind, UnknownNamesAreReportedUnderTheKindAndSkipped) {
  ReportCapture capture;
  LECXControllerEffectColor color;
  fill(color, {{"Alpha", "1"}, {"Blue", "0.5"}, {"Opacity", "2"}, {"Red ", "3"}});
  float red = 0.0f, green = 0.0f, blue = 0.0f;
  color.setTarget(&red, &green, &blue);
  EXPECT_FALSE(color.bind());
  EXPECT_EQ(capture.lines(), (Lines{"LECXControllerEffectColor|can t find param type: Alpha",
                                    "LECXControllerEffectColor|can t find param type: Opacity",
                                    "LECXControllerEffectColor|can t find param type: Red "}));
  EXPECT_EQ(color.getNbBinding(), 1);
  color.update();
  EXPECT_EQ(blue, 0.5f);
  EXPECT_EQ(red, 0.0f);

  capture.clear();
  LECXControllerMixBlit mix;
  fill(mix, {{"Red", "1"}});
  mix.bind();
  LECXControllerEffectDemoSpe01 demo;
  fill(demo, {{"Opacity", "1"}});
  demo.bind();
  EXPECT_EQ(capture.lines(),
            (Lines{"LECXControllerMixBlit|can t find param type: Red",
                   "LECXControllerEffectDemoSpe01|can t find param type: Opacity"}));
}

TEST(LECXBind, NothingHappensWithoutTargetOrBindings) {
  LECXControllerMixBlit mix;
  fill(mix, {{"Opacity", "beat"}});
  CountingLCX beat;
  mix.setController(0, &beat);
  mix.setTime1(500.0f);
  mix.bind();
  mix.update();  // no target
  EXPECT_EQ(beat.m_nbCall, 0);
  EXPECT_EQ(mix.getResult(0), 0.0f);

  LECXControllerMixBlit unbound;
  fill(unbound, {{"Alpha", "beat"}});
  unbound.setController(0, &beat);
  float opacity = 0.75f;
  unbound.setTarget(&opacity);
  ReportCapture capture;
  unbound.bind();
  unbound.update();  // no bindings
  EXPECT_EQ(beat.m_nbCall, 0);
  EXPECT_EQ(opacity, 0.75f);

  // A controller never prepared has no results; binding and updating it is harmless.
  LECXControllerMixBlit bare;
  bare.addParam({StringC("Opacity"), StringC("1"), 0});
  bare.setTarget(&opacity);
  EXPECT_TRUE(bare.bind());
  bare.update();
  EXPECT_EQ(opacity, 0.0f);
}

TEST(LECXKinds, TypeNamesAndTheSceneKind) {
  ReportCapture capture;
  LECXControllerManager manager;
  const std::vector<std::vector<std::string>> expected = {
      {"Red", "Green", "Blue"}, {}, {"Opacity"}, {"Intensity", "Phase"}};
  for (int32_t type = 1; type <= 4; ++type) {
    LECXController* pController = manager.createController(type);
    ASSERT_NE(pController, nullptr);
    EXPECT_EQ(static_cast<int32_t>(pController->getType()), type);
    EXPECT_EQ(pController->getName(), "NULL");
    std::vector<StringC> names(static_cast<size_t>(pController->getNbParamType()));
    pController->getParamTypeNames(names.data());
    if (type == 2) {
      ASSERT_EQ(names.size(), 69u);
      EXPECT_EQ(names[0], "SCENE MAINANIM");
      EXPECT_EQ(names[33], "MODIFIERGIZMO NAME IDX MAINANIM");
      EXPECT_EQ(names[68], "MODIFIERBEND NAME DIRECTION");
      continue;
    }
    ASSERT_EQ(names.size(), expected[static_cast<size_t>(type - 1)].size());
    for (size_t i = 0; i < names.size(); ++i)
      EXPECT_EQ(names[i].view(), expected[static_cast<size_t>(type - 1)][i]);
  }
  EXPECT_TRUE(capture.reports().empty());

  EXPECT_EQ(manager.createController(0), nullptr);
  EXPECT_EQ(manager.createController(5), nullptr);
  EXPECT_EQ(manager.getController(), nullptr);
  EXPECT_EQ(capture.lines(), (Lines{"LECXControllerManager|unknow controller type: 0",
                                    "LECXControllerManager|unknow controller type: 5"}));

  capture.clear();
  LECXControllerL3X scene;
  fill(scene, {{"NODE Box01 POSX", "10"}});
  EXPECT_FALSE(scene.bind());
  scene.update();
  EXPECT_EQ(capture.lines(),
            (Lines{"LECXControllerL3X|can t prepare controller Interface: m_pScene NULL"}));
}

// --- Files ------------------------------------------------------------------------------------

TEST(LECXFile, LastControllerWinsCountIsNotTrustedUnknownChunksPassedOver) {
  ReportCapture capture;
  const Bytes first =
      chunk(12, {intField(1), chunk(100, {chunk(101, {intField(1), paramChunk("Red", "1", 0)})})});
  const Bytes second = chunk(
      12, {intField(3), chunk(7, {intField(5)}),
           chunk(100, {chunk(55, {}),
                       chunk(101, {intField(99), paramChunk("opacity", "time1 / 2", 2),
                                   chunk(103, {intField(4)}), paramChunk("Other", "x", -1)})})});
  LECXControllerManager manager =
      loadBytes(plainFile(chunk(10, {first, chunk(11, {intField(2)}), second})), capture);
  EXPECT_TRUE(capture.reports().empty());
  auto* pMix = dynamic_cast<LECXControllerMixBlit*>(manager.getController());
  ASSERT_NE(pMix, nullptr);
  ASSERT_EQ(pMix->getNbParam(), 2);
  EXPECT_EQ(pMix->getParam(0).name, "opacity");
  EXPECT_EQ(pMix->getParam(0).formula, "time1 / 2");
  EXPECT_EQ(pMix->getParam(0).mode, 2);
  EXPECT_EQ(pMix->getParam(1).name, "Other");
  EXPECT_EQ(pMix->getParam(1).mode, -1);

  // A record with missing fields keeps the defaults.
  const Bytes sparse = chunk(
      10, {chunk(12, {intField(4), chunk(100, {chunk(101, {intField(1), chunk(102, {})})})})});
  manager = loadBytes(plainFile(sparse), capture);
  ASSERT_NE(manager.getController(), nullptr);
  ASSERT_EQ(manager.getController()->getNbParam(), 1);
  EXPECT_EQ(manager.getController()->getParam(0).name, "NULL");
  EXPECT_EQ(manager.getController()->getParam(0).formula, "NULL");
  EXPECT_EQ(manager.getController()->getParam(0).mode, 0);
}

TEST(LECXFile, WrongFilesAreReportedAndNothingIsKept) {
  ReportCapture capture;
  EXPECT_EQ(loadBytes(plainFile(chunk(1, {chunk(12, {intField(1)})})), capture).getController(),
            nullptr);
  EXPECT_EQ(capture.lines(), Lines{"LECXControllerManager|not a lecx file"});

  // A good controller followed by one of an unknown type: the manager ends empty.
  const Bytes good = chunk(12, {intField(3)});
  EXPECT_EQ(
      loadBytes(plainFile(chunk(10, {good, chunk(12, {intField(9)})})), capture).getController(),
      nullptr);
  EXPECT_EQ(capture.lines(), Lines{"LECXControllerManager|unknow controller type: 9"});

  // A parameter chunk whose length runs past its parent.
  Bytes lying = paramChunk("Red", "1", 0);
  lying[2] = 200;
  const Bytes file = plainFile(
      chunk(10, {chunk(12, {intField(1), chunk(100, {chunk(101, {intField(1), lying})})})}));
  EXPECT_EQ(loadBytes(file, capture).getController(), nullptr);
  EXPECT_EQ(capture.reports().size(), 1u);

  TempDir dir;
  LECXControllerManager manager;
  manager.createController(1);
  EXPECT_FALSE(manager.load(StringC((dir.path() / "missing.lecx").string())));
  EXPECT_EQ(manager.getController(), nullptr);
  EXPECT_FALSE(manager.save(StringC((dir.path() / "empty.lecx").string())));
}

TEST(LECXFile, SavedBytesAndEveryTruncationFails) {
  TempDir dir;
  LECXControllerManager manager;
  manager.createController(3)->addParam({StringC("Opacity"), StringC("b"), 1});
  const std::filesystem::path path = dir.path() / "m.lecx";
  ASSERT_TRUE(manager.save(StringC(path.string())));
  const Bytes whole = readFile(path);
  EXPECT_EQ(
      whole,
      plainFile(chunk(
          10,
          {chunk(12, {intField(3),
                      chunk(100, {chunk(101, {intField(1), paramChunk("Opacity", "b", 1)})})})})));
  ReportCapture capture;
  for (std::size_t size = 0; size < whole.size(); ++size) {
    const Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size));
    EXPECT_EQ(loadBytes(cut, capture).getController(), nullptr) << size;
    EXPECT_EQ(capture.reports().size(), 1u) << size;
  }
}

class LECXRoundTrip : public ::testing::TestWithParam<std::uint8_t> {};

TEST_P(LECXRoundTrip, ParametersComeBackInOrder) {
  TempDir dir;
  LECXControllerManager manager;
  LECXController* pController = manager.createController(2);
  // More than one growth step of the parameter list.
  for (int32_t i = 0; i < 45; ++i)
    pController->addParam({StringC(("NODE n" + std::to_string(i) + " POSX").c_str()),
                           StringC(("beat * " + std::to_string(i)).c_str()), i % 3});
  const StringC file((dir.path() / "r.lecx").string());
  ASSERT_TRUE(manager.save(file, GetParam()));
  LECXControllerManager loaded;
  ASSERT_TRUE(loaded.load(file));
  ASSERT_EQ(loaded.getController()->getType(), LECXControllerType::L3X);
  ASSERT_EQ(loaded.getController()->getNbParam(), 45);
  const LECXControllerParam& last = loaded.getController()->getParam(44);
  EXPECT_EQ(last.name, "NODE n44 POSX");
  EXPECT_EQ(last.formula, "beat * 44");
  EXPECT_EQ(last.mode, 2);
}

INSTANTIATE_TEST_SUITE_P(PlainAndPacked, LECXRoundTrip,
                         ::testing::Values(ChunkFile::kPlain, ChunkFile::kPacked));

// Seeds the fuzz corpus: LECX_WRITE_CORPUS=<folder> writes one small valid file per kind and form.
TEST(LECXCorpus, WriteWhenAsked) {
  const char* pFolder = std::getenv("LECX_WRITE_CORPUS");
  if (!pFolder) GTEST_SKIP() << "set LECX_WRITE_CORPUS to a folder to write the fuzz corpus";
  const std::filesystem::path folder(pFolder);
  std::filesystem::create_directories(folder);
  const std::vector<std::vector<LECXControllerParam>> params = {
      {{"Red", "sin ( beat * 2 )", 0}, {"green", "time1 / time2", 0}, {"Blue", "rand % 1", 0}},
      {{"NODE Box01 POSX", "beat + 10", 1}, {"SCENE CAMERA", "1.9", 0}},
      {{"Opacity", "1 - ( kick * 0.5 )", 0}},
      {{"Intensity", "cos ( time1 )", 0}, {"Phase", "pi * beat", 0}}};
  const char* kinds[] = {"color", "scene", "mix", "demospe01"};
  for (const std::uint8_t form : {ChunkFile::kPlain, ChunkFile::kPacked}) {
    const std::string suffix = form == ChunkFile::kPlain ? "_plain.lecx" : "_packed.lecx";
    for (int32_t type = 1; type <= 4; ++type) {
      LECXControllerManager manager;
      LECXController* pController = manager.createController(type);
      for (const LECXControllerParam& param : params[static_cast<size_t>(type - 1)])
        pController->addParam(param);
      const std::string name = kinds[type - 1] + suffix;
      EXPECT_TRUE(manager.save(StringC((folder / name).string()), form));
    }
  }
}

}  // namespace
