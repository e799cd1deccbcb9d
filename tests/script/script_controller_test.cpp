// Controllers in a show: the .lcx folder, binding .lecx formulas to descriptors, the input
// marker, the shared random generator and recordings. (Keyframe, noise and sound controllers
// driving colour, mix and DEMOSPE01 descriptors frame by frame are pinned by the demo's golden
// frames; that a formula's value is used one run late, and a DEMOSPE01 descriptor's phase, are
// checked here.)

#include <algorithm>
#include <filesystem>
#include <utility>
#include <vector>

#include "control/lcx_controller_live.h"
#include "control/lcx_controller_manager.h"
#include "control/lecx_controller.h"
#include "control/perlin.h"
#include "tests/script/engine_fixture.h"
#include "tests/support/controller_files.h"

namespace tc = test_controllers;

namespace {

// Each poll takes the position the test left in `x`, `y`.
class FakeInput final : public InputDevice {
 public:
  void poll() override {
    ++m_nbPoll;
    m_x = x, m_y = y;
  }
  int32_t x = 0, y = 0;
  int m_nbPoll = 0;
};

class ControllerTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    std::filesystem::create_directories("data/lcx");
  }
};

// The frame cleared, then the colour effect "tint" of controller c with the fixed values `tint`.
Sections tinted(const char* controller, const char* tint = "0 0 0") {
  return show({{"CONTROLLER", {std::string("file: c ") + controller}},
               {"EFFECT", {"desc: col COLOR"}},
               {"EFFECT_DESC", {std::string("desc: tint col c ADD ") + tint}}},
              {"desc: screen 1 0 100000 c 0 0 0", "desc: screen 2 0 100000 e tint"});
}

}  // namespace

TEST_F(ControllerTest, TheLcxFolderIsLoadedAndEachControllerNamedAfterItsFile) {
  ASSERT_TRUE(tc::writeKeyframer("data/lcx/ramp.lcx", {{0, 0}, {1000, 1}}));
  ASSERT_TRUE(tc::writeKeyframer("data/lcx/Ramp.lcx", {{0, 5}}));
  m_dir.write("data/lcx/broken.lcx", "not a chunk file");
  loadSections({});
  ScriptControllerManager& manager = m_pEngine->getControllerManager();
  EXPECT_EQ(manager.getCount(), 3);
  // Names differing only in case are two controllers; a lookup matches exactly.
  ASSERT_NE(manager.findLCXController("ramp"), nullptr);
  ASSERT_NE(manager.findLCXController("Ramp"), nullptr);
  EXPECT_NE(manager.findLCXController("ramp"), manager.findLCXController("Ramp"));
  EXPECT_EQ(manager.findLCXController("RAMP"), nullptr);
  EXPECT_EQ(manager.findLCXController("broken"), nullptr);
  EXPECT_EQ(manager.findLCXController("Ramp")->getValue(0.0f), 5.0f);
  EXPECT_EQ(texts().size(), 1u);  // the broken file, reported by the chunk reader
}

TEST_F(ControllerTest, LinkingReportsNamesNoControllerHasButNotTheTimes) {
  ASSERT_TRUE(tc::writeLecx("times.lecx", 1, {{"Red", "time1 / time2"}}));
  ASSERT_TRUE(tc::writeLecx("fade.lecx", 1, {{"Red", "fade * 2"}, {"Green", "glow + time1"}}));
  loadSections({{"CONTROLLER", {"file: t times.lecx", "file: f fade.lecx"}}});
  EXPECT_EQ(m_reports.lines(), (Lines{"ScriptControllerManager: |cant find LCX controller: fade",
                                      "ScriptControllerManager: |cant find LCX controller: glow"}));
}

TEST_F(ControllerTest, AControllerOfAnotherKindIsReportedAndTheFixedValuesStay) {
  ASSERT_TRUE(tc::writeLecx("blit.lecx", 3, {{"Opacity", "0.5"}}));
  ASSERT_TRUE(tc::writeLecx("col.lecx", 1, {{"Red", "1"}}));
  ScriptEngine& engine =
      loadSections(show({{"CONTROLLER", {"file: b blit.lecx", "file: c col.lecx"}},
                         {"EFFECT", {"desc: col COLOR", "desc: spe DEMOSPE01"}},
                         {"EFFECT_DESC", {"desc: tint col b ADD 0 0.2 0", "desc: w spe c 0"}},
                         {"MIX", {"desc: blend BLIT"}},
                         {"MIX_DESC", {"desc: m blend c NORMAL 1.0 NULL"}},
                         {"3D_DESC", {"desc: d3 NULL d c 0 0"}}},
                        {"desc: screen 1 0 100000 c 0 0 0", "desc: screen 2 0 100000 e tint"}));
  const Lines lines = m_reports.lines();
  const Lines expected = {
      "ScriptEffectColorDesc: |can t set pController with id: 3 to EffectColorDesc",
      "ScriptEffectDemoSpe01Desc: |can t set pController with id: 1 to EffectDemoSpe01Desc",
      "ScriptMixBlitDesc :|can t set pController with id: 1 to MixBlitDesc",
      "3D_DESC d3 :|can t set pController with id: 1 to RenderData3DDesc"};
  for (const std::string& line : expected)
    EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << line;
  EXPECT_EQ(engine.findEffectDesc(StringC("tint"))->getController(), nullptr);
  EXPECT_EQ(pixelAt(0), 0x003300u);
}

TEST_F(ControllerTest, TheInputMarkerFollowsTheDeviceAndIsClipped) {
  ASSERT_TRUE(tc::writeLive("data/lcx/mouse.lcx", LCXControllerType::Input, 0));
  FakeInput* pInput = nullptr;
  ScriptEngineServices services;
  services.createInputDevice = [&pInput] {
    auto p = std::make_unique<FakeInput>();
    pInput = p.get();
    return p;
  };
  load(scriptText(
           show({{"LAYER_DIMENSION", {"desc: d 40 40"}}}, {"desc: screen 1 0 100000 c 0 0 0"})),
       std::move(services));
  ASSERT_NE(pInput, nullptr);
  m_frame.init(40, 40);
  const auto nbWhite = [this] {
    return std::count(m_frame.getPixels(), m_frame.getPixels() + 40 * 40, 0xFFFFFFu);
  };
  pInput->x = 20, pInput->y = 20;
  pixelAt(0);
  EXPECT_EQ(pInput->m_nbPoll, 1);
  EXPECT_EQ(nbWhite(), 81);
  for (int cy : {5, 20, 35})
    for (int cx : {5, 20, 35})
      EXPECT_EQ(m_frame.getPixels()[(cy - 1) * 40 + cx + 1], 0xFFFFFFu) << cx << "," << cy;
  EXPECT_EQ(m_frame.getPixels()[5 * 40 + 7], 0u);
  // At the corner only the squares around (0, 0), (15, 0), (0, 15), (15, 15) remain, in part.
  pInput->x = 0, pInput->y = 0;
  pixelAt(0);
  EXPECT_EQ(nbWhite(), 4 + 6 + 6 + 9);
}

TEST_F(ControllerTest, FormulaRandDrawsFromTheShowsOneGenerator) {
  ASSERT_TRUE(tc::writeLecx("r.lecx", 1, {{"Red", "rand"}, {"Green", "rand"}}));
  auto resultsAfterLoad = [&] {
    loadSections(tinted("r.lecx"));
    pixelAt(0);
    LECXController* pController = m_pEngine->findController(StringC("c"))->getFirstController();
    return std::pair{pController->getResult(0), pController->getResult(1)};
  };
  // A fresh C runtime behaves as after srand(1): 41, then 18467.
  EXPECT_EQ(resultsAfterLoad(), (std::pair{41.0f, 18467.0f}));

  // A noise controller reseeds the runtime generator for its tables; the formulas, read later,
  // continue from there.
  LCXControllerManager noise;
  noise.createController(static_cast<int32_t>(LCXControllerType::Noise));
  ASSERT_TRUE(noise.save(StringC("data/lcx/wobble.lcx")));
  CrtRand runtime;
  const Perlin tables(runtime);
  const float first = static_cast<float>(runtime.rand());
  const float second = static_cast<float>(runtime.rand());
  EXPECT_EQ(resultsAfterLoad(), (std::pair{first, second}));
  EXPECT_NE(first, 41.0f);
}

TEST_F(ControllerTest, ADemoSpe01ControllerWritesIntensityAndPhaseForTheNextRun) {
  ASSERT_TRUE(tc::writeLecx("spe.lecx", 4, {{"intensity", "time1 / 1000"}, {"PHASE", "7"}}));
  ScriptEngine& engine = loadSections(show({{"CONTROLLER", {"file: w spe.lecx"}},
                                            {"EFFECT", {"desc: spe DEMOSPE01"}},
                                            {"EFFECT_DESC", {"desc: wave spe w 0"}}},
                                           {"desc: screen 1 0 100000 e wave"}));
  EXPECT_TRUE(texts().empty());
  auto* pEffect = dynamic_cast<ScriptEffectDemoSpe01*>(engine.findEffect(StringC("spe")));
  ASSERT_NE(pEffect, nullptr);
  // Each run uses the values the controller wrote at the previous one (first intensity 1, phase 0).
  pixelAt(500);
  EXPECT_EQ(pEffect->m_intensity, 1.0f);
  EXPECT_EQ(pEffect->m_phase, 0.0f);
  pixelAt(600);
  EXPECT_EQ(pEffect->m_intensity, 0.5f);
  EXPECT_EQ(pEffect->m_phase, 7.0f);
}

TEST_F(ControllerTest, ARecordingOnInItsFileIsWrittenInTheShowsFolderWhenTheShowEnds) {
  // Five 10 ms samples of x from 0 ms, named as the show's folder sees it.
  LCXControllerManager mouse;
  auto* pMouse = static_cast<LCXControllerRecorded*>(mouse.createController(1));
  LCXControllerRecorded::RecordingSettings settings;
  settings.recording = 1, settings.fileName = "data\\lcx\\rec.lcx", settings.endTime = 50;
  pMouse->setRecordingSettings(settings);
  ASSERT_TRUE(mouse.save(StringC("data/lcx/mouse.lcx")));
  ASSERT_TRUE(tc::writeLecx("col.lecx", 1, {{"Red", "mouse / 255"}}));
  FakeInput* pInput = nullptr;
  ScriptEngineServices services;
  services.createInputDevice = [&pInput] {
    auto p = std::make_unique<FakeInput>();
    pInput = p.get();
    return p;
  };
  load(scriptText(tinted("col.lecx")), std::move(services));
  ASSERT_NE(pInput, nullptr);
  LCXController* pLoaded = m_pEngine->getControllerManager().findLCXController("mouse");
  EXPECT_EQ(static_cast<LCXControllerRecorded*>(pLoaded)->getNbSample(), 5);
  for (const auto& [time, x] : std::vector<std::pair<int, int>>{{10, 40}, {30, 80}}) {
    pInput->x = x;
    pixelAt(time);
  }
  // Ends while another folder is the current one.
  const std::filesystem::path showFolder = std::filesystem::current_path();
  std::filesystem::current_path(std::filesystem::temp_directory_path());
  m_pEngine.reset();
  std::filesystem::current_path(showFolder);
  EXPECT_EQ(m_reports.lines(), Lines{"StringC:|recording: data\\lcx\\rec.lcx"});
  // Samples 40, 40 (at 10 ms), 40, 80 (at 30 ms), 80.
  LCXControllerManager recorded;
  ASSERT_TRUE(recorded.load(StringC("data/lcx/rec.lcx")));
  for (const auto& [time, value] : {std::pair{0.0f, 40.0f}, {25.0f, 60.0f}, {40.0f, 80.0f}}) {
    recorded.getController()->setUpdate(1);
    EXPECT_EQ(recorded.getController()->getValue(time), value) << time;
  }
}
