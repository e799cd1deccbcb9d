// Finding the objects of a script by name.

#include "tests/script/engine_fixture.h"
#include "tests/support/controller_files.h"

namespace {

template <auto Find>
const void* find(const ScriptEngine& engine, const char* name) {
  return (engine.*Find)(StringC(name));
}

}  // namespace

TEST_F(EngineTest, LookupsReportMissesExceptOfNullAndInEmptyRegistries) {
  struct Case {
    const void* (*find)(const ScriptEngine&, const char*);
    const char* hit;        // a name the filled script has
    const char* missing;    // what a miss of "x" reports
    bool reportsWhenEmpty;  // the combined lookups search on in empty registries
  };
  const Case cases[] = {
      {find<&ScriptEngine::findLayerDim>, "d", "layerDim", false},
      {find<&ScriptEngine::findController>, "c", "controller", false},
      {find<&ScriptEngine::findRessource2D>, "r2", "ressource2D", false},
      {find<&ScriptEngine::findRessource3D>, "r3", "ressource3D", false},
      {find<&ScriptEngine::findRessourceSkyBox>, "sb", "ressourceSkyBox", false},
      {find<&ScriptEngine::findScreenLayer>, "s", "SCREEN_LAYER", false},
      {find<&ScriptEngine::find3DDesc>, "d3", "3D_DESC", false},
      {find<&ScriptEngine::findRenderDesc>, "d3", "2D_DESC/3D_DESC", true},
      {find<&ScriptEngine::findBuffer>, "s", "IMAGE/SCREEN_LAYER Ptr", true},
      {find<&ScriptEngine::findMix>, "m", "Mix", false},
      {find<&ScriptEngine::findMixDesc>, "md", "MixDesc", false},
      {find<&ScriptEngine::findEffect>, "e", "Effect", false},
      {find<&ScriptEngine::findEffectDesc>, "ed", "EffectDesc", false},
      {find<&ScriptEngine::findRenderData>, "s",
       "SCREEN_LAYER/SPE_LAYER/IMAGE/2D_DESC/3D_DESC/SKYBOX_DESC", true},
  };
  ASSERT_TRUE(test_controllers::writeLecx("c.lecx", 1, {}));
  m_dir.write("a.l3x", sceneFileText());
  m_dir.write("a.s2d", scene2DFileText());
  const Sections filled = {{"LAYER_DIMENSION", {"desc: d 2 2"}},
                           {"CONTROLLER", {"file: c c.lecx"}},
                           {"2D", {"file: r2 a.s2d"}},
                           {"3D", {"file: r3 a.l3x"}},
                           {"SKYBOX", {"file: sb a b"}},
                           {"SCREEN_LAYER", {"desc: s d"}},
                           {"3D_DESC", {"desc: d3 r3 d NULL 0 0"}},
                           {"MIX", {"desc: m BLIT"}},
                           {"EFFECT", {"desc: e COLOR"}},
                           {"MIX_DESC", {"desc: md m NULL NORMAL 1.0 NULL"}},
                           {"EFFECT_DESC", {"desc: ed e NULL ADD 0 0 0"}}};
  for (const bool isFilled : {true, false}) {
    m_reports.clear();
    const ScriptEngine& engine = loadSections(isFilled ? filled : Sections{});
    ASSERT_TRUE(texts().empty());
    for (const Case& c : cases) {
      SCOPED_TRACE(c.missing);
      m_reports.clear();
      EXPECT_EQ(c.find(engine, "NULL"), nullptr);
      EXPECT_EQ(c.find(engine, "x"), nullptr);
      const Lines miss = {"ScriptEngine :|Can't find " + std::string(c.missing) + ": x"};
      EXPECT_EQ(m_reports.lines(), isFilled || c.reportsWhenEmpty ? miss : Lines{});
      if (isFilled) {
        EXPECT_NE(c.find(engine, c.hit), nullptr);
      }
    }
  }
  m_reports.clear();
  loadSections(filled);
  EXPECT_EQ(m_pEngine->find3DDesc(StringC("d3")), m_pEngine->findRenderDesc(StringC("d3")));
  EXPECT_EQ(m_pEngine->findBuffer(StringC("s")), m_pEngine->getScreenLayer(0)->getBuffer());
  EXPECT_EQ(m_pEngine->findRenderData(StringC("s")), m_pEngine->getScreenLayer(0));
}

TEST_F(EngineTest, NamesAreCaseSensitiveTheFirstMatchWinsAndEachLookupHasItsOrder) {
  ScriptEngine& engine =
      loadSections({{"LAYER_DIMENSION", {"desc: d 2 2", "desc: d 4 4", "desc: D 8 8"}},
                    {"CONTROLLER", {"file: pulse data\\pulse.lecx"}},
                    {"IMAGE", {"file: same pic.bmp"}},
                    {"SKYBOX", {"file: sky a.bmp b.bmp"}},
                    {"SCREEN_LAYER", {"desc: same d"}}});
  EXPECT_EQ(engine.findLayerDim(StringC("d"))->m_width, 2);
  EXPECT_EQ(engine.findLayerDim(StringC("D"))->m_width, 8);
  // findBuffer searches images first: the image's picture (none until it is loaded);
  // findRenderData searches screen layers first.
  ASSERT_EQ(engine.imageSources().count(), 1);
  EXPECT_EQ(engine.findBuffer(StringC("same")), engine.imageSources().at(0)->getBuffer());
  EXPECT_EQ(engine.findRenderData(StringC("same")), engine.getScreenLayer(0));
  // Resources keep their files as written.
  EXPECT_STREQ(engine.controllers().at(0)->getFile().getString(), "data\\pulse.lecx");
}

TEST_F(EngineTest, UnknownEffectTypesLeaveEmptyEntriesThatLookupsPassOver) {
  ScriptEngine& engine =
      loadSections({{"EFFECT", {"desc: a WOBBLE", "desc: b COLOR", "desc: a COLOR"}},
                    {"MIX", {"desc: m1 FADE", "desc: m2 BLIT"}}});
  EXPECT_EQ(texts(), (Lines{"createMix (): can't find iDMix : FADE",
                            "createEffect (): can't find IdEffect : WOBBLE"}));
  ASSERT_EQ(engine.effects().count(), 3);
  EXPECT_EQ(engine.effects().at(0), nullptr);
  EXPECT_EQ(engine.findEffect(StringC("a")), engine.effects().at(2));
  EXPECT_EQ(engine.findEffect(StringC("b")), engine.effects().at(1));
  EXPECT_EQ(engine.mixes().at(0), nullptr);
  EXPECT_EQ(engine.findMix(StringC("m2")), engine.mixes().at(1));
}

TEST_F(EngineTest, DescriptorLinesLookUpWhatTheyName) {
  m_dir.write("a.l3x", sceneFileText());
  ScriptEngine& engine = loadSections(
      {{"LAYER_DIMENSION", {"desc: d 2 2"}},
       {"3D", {"file: scene a.l3x"}},
       {"SCREEN_LAYER", {"desc: s d"}},
       {"2D_DESC", {"desc: two missing2D d unused 100 5"}},
       {"3D_DESC", {"desc: three scene nodim ctrl 2000 1"}},
       {"SKYBOX_DESC", {"desc: box nosky d nodesc 7"}},
       {"SPE_LAYER", {"desc: a b c"}},
       {"LAYER_DEPENDENCY", {"desc: s x three", "desc: nolayer x three", "desc: s x none"}}});
  EXPECT_EQ(texts(), (Lines{"Can't find layerDim: nodim", "setScreen: width <= 0",
                            "Can't find 3D_DESC: nodesc", "Can't find SCREEN_LAYER: nolayer",
                            "Can't find 2D_DESC/3D_DESC: none"}));
  const RenderData3DDesc* pThree = engine.find3DDesc(StringC("three"));
  ASSERT_NE(pThree, nullptr);
  EXPECT_EQ(pThree->getTimeOffset(), 2000);
  EXPECT_EQ(pThree->getCamera(), 1);
  EXPECT_EQ(pThree->getDimension().m_width, 0);
  EXPECT_EQ(engine.descsSkyBox().at(0)->getNumber(), 7);
  EXPECT_EQ(engine.descsSkyBox().at(0)->getDimension().m_width, 2);
  EXPECT_EQ(engine.descs2D().at(0)->getCamera(), 5);
}
