// Finding the objects of a script by name.

#include "tests/script/engine_fixture.h"
#include "tests/support/controller_files.h"

using Lines = std::vector<std::string>;

TEST_F(EngineTest, MissesInFilledRegistriesAreReportedAndTheNameNullIsSilent) {
  ASSERT_TRUE(test_controllers::writeLecx("c.lecx", 1, {}));
  ScriptEngine& engine = loadSections({{"LAYER_DIMENSION", {"desc: d 2 2"}},
                                       {"CONTROLLER", {"file: c c.lecx"}},
                                       {"2D", {"file: r2 a.s2d"}},
                                       {"3D", {"file: r3 a.l3x"}},
                                       {"SKYBOX", {"file: sb a b"}},
                                       {"SCREEN_LAYER", {"desc: s d"}},
                                       {"3D_DESC", {"desc: d3 r3 d NULL 0 0"}},
                                       {"MIX", {"desc: m BLIT"}},
                                       {"EFFECT", {"desc: e COLOR"}},
                                       {"MIX_DESC", {"desc: md m NULL NORMAL 1.0 NULL"}},
                                       {"EFFECT_DESC", {"desc: ed e NULL ADD 0 0 0"}}});
  ASSERT_TRUE(texts().empty());
  // The name "NULL" is looked up silently.
  const StringC none("NULL");
  EXPECT_EQ(engine.findController(none), nullptr);
  EXPECT_EQ(engine.findRenderDesc(none), nullptr);
  EXPECT_EQ(engine.findBuffer(none), nullptr);
  EXPECT_EQ(engine.findRenderData(none), nullptr);
  EXPECT_TRUE(texts().empty());
  const StringC x("x");
  EXPECT_EQ(engine.findLayerDim(x), nullptr);
  EXPECT_EQ(engine.findController(x), nullptr);
  EXPECT_EQ(engine.findRessource2D(x), nullptr);
  EXPECT_EQ(engine.findRessource3D(x), nullptr);
  EXPECT_EQ(engine.findRessourceSkyBox(x), nullptr);
  EXPECT_EQ(engine.findScreenLayer(x), nullptr);
  EXPECT_EQ(engine.find3DDesc(x), nullptr);
  EXPECT_EQ(engine.findRenderDesc(x), nullptr);
  EXPECT_EQ(engine.findBuffer(x), nullptr);
  EXPECT_EQ(engine.findMix(x), nullptr);
  EXPECT_EQ(engine.findMixDesc(x), nullptr);
  EXPECT_EQ(engine.findEffect(x), nullptr);
  EXPECT_EQ(engine.findEffectDesc(x), nullptr);
  EXPECT_EQ(engine.findRenderData(x), nullptr);
  const Lines expected = {"Can't find layerDim: x",
                          "Can't find controller: x",
                          "Can't find ressource2D: x",
                          "Can't find ressource3D: x",
                          "Can't find ressourceSkyBox: x",
                          "Can't find SCREEN_LAYER: x",
                          "Can't find 3D_DESC: x",
                          "Can't find 2D_DESC/3D_DESC: x",
                          "Can't find IMAGE/SCREEN_LAYER Ptr: x",
                          "Can't find Mix: x",
                          "Can't find MixDesc: x",
                          "Can't find Effect: x",
                          "Can't find EffectDesc: x",
                          "Can't find SCREEN_LAYER/SPE_LAYER/IMAGE/2D_DESC/3D_DESC/SKYBOX_DESC: x"};
  EXPECT_EQ(texts(), expected);
  for (const Report& r : m_reports.reports())
    EXPECT_EQ(r.caption, "ScriptEngine :");

  // And hits.
  EXPECT_NE(engine.findLayerDim(StringC("d")), nullptr);
  EXPECT_NE(engine.findController(StringC("c")), nullptr);
  EXPECT_NE(engine.findRessource2D(StringC("r2")), nullptr);
  EXPECT_NE(engine.findRessource3D(StringC("r3")), nullptr);
  EXPECT_NE(engine.findRessourceSkyBox(StringC("sb")), nullptr);
  EXPECT_EQ(engine.find3DDesc(StringC("d3")), engine.findRenderDesc(StringC("d3")));
  EXPECT_NE(engine.findMixDesc(StringC("md")), nullptr);
  EXPECT_NE(engine.findEffectDesc(StringC("ed")), nullptr);
  EXPECT_EQ(engine.findBuffer(StringC("s")), engine.getScreenLayer(0)->getBuffer());
}

TEST_F(EngineTest, EmptyRegistriesAreSilentExceptTheCombinedLookups) {
  ScriptEngine& engine = loadSections({});
  const StringC x("x");
  EXPECT_EQ(engine.findLayerDim(x), nullptr);
  EXPECT_EQ(engine.findController(x), nullptr);
  EXPECT_EQ(engine.findScreenLayer(x), nullptr);
  EXPECT_EQ(engine.findMix(x), nullptr);
  EXPECT_EQ(engine.findEffectDesc(x), nullptr);
  EXPECT_TRUE(texts().empty());
  EXPECT_EQ(engine.findRenderDesc(x), nullptr);
  EXPECT_EQ(engine.findBuffer(x), nullptr);
  EXPECT_EQ(engine.findRenderData(x), nullptr);
  EXPECT_EQ(texts(),
            (Lines{"Can't find 2D_DESC/3D_DESC: x", "Can't find IMAGE/SCREEN_LAYER Ptr: x",
                   "Can't find SCREEN_LAYER/SPE_LAYER/IMAGE/2D_DESC/3D_DESC/SKYBOX_DESC: x"}));
}

TEST_F(EngineTest, NamesAreCaseSensitiveAndTheFirstMatchWins) {
  ScriptEngine& engine =
      loadSections({{"LAYER_DIMENSION", {"desc: d 2 2", "desc: d 4 4", "desc: D 8 8"}}});
  EXPECT_EQ(engine.findLayerDim(StringC("d"))->m_width, 2);
  EXPECT_EQ(engine.findLayerDim(StringC("D"))->m_width, 8);
  // A name with case rule 0 ignores case.
  StringC loose("D");
  loose.setCaseSensitive(0);
  EXPECT_EQ(engine.findLayerDim(loose)->m_width, 2);
}

TEST_F(EngineTest, AnImageAndAScreenLayerOfTheSameName) {
  ScriptEngine& engine = loadSections({{"LAYER_DIMENSION", {"desc: d 2 2"}},
                                       {"IMAGE", {"file: same pic.bmp"}},
                                       {"SCREEN_LAYER", {"desc: same d"}}});
  ASSERT_EQ(engine.imageSources().count(), 1);
  // findBuffer searches images first: the image's picture (none until it is loaded).
  EXPECT_EQ(engine.findBuffer(StringC("same")), engine.imageSources().at(0)->getBuffer());
  // findRenderData searches screen layers first.
  EXPECT_EQ(engine.findRenderData(StringC("same")), engine.getScreenLayer(0));
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

TEST_F(EngineTest, ResourcesKeepTheirNamesAndFiles) {
  ScriptEngine& engine = loadSections(
      {{"CONTROLLER", {"file: pulse data\\pulse.lecx"}}, {"SKYBOX", {"file: sky a.bmp b.bmp"}}});
  EXPECT_STREQ(engine.controllers().at(0)->getFile().getString(), "data\\pulse.lecx");
  EXPECT_STREQ(engine.ressourcesSkyBox().at(0)->getSecondFile().getString(), "b.bmp");
}

TEST_F(EngineTest, DescriptorLinesLookUpWhatTheyName) {
  ScriptEngine& engine = loadSections(
      {{"LAYER_DIMENSION", {"desc: d 2 2"}},
       {"3D", {"file: scene a.l3x"}},
       {"SCREEN_LAYER", {"desc: s d"}},
       {"2D_DESC", {"desc: two missing2D d unused 100 5"}},
       {"3D_DESC", {"desc: three scene nodim ctrl 2000 1"}},
       {"SKYBOX_DESC", {"desc: box nosky d nodesc 7"}},
       {"SPE_LAYER", {"desc: a b c"}},
       {"LAYER_DEPENDENCY", {"desc: s x three", "desc: nolayer x three", "desc: s x none"}}});
  EXPECT_EQ(texts(),
            (Lines{"Can't find layerDim: nodim", "Can't find 3D_DESC: nodesc",
                   "Can't find SCREEN_LAYER: nolayer", "Can't find 2D_DESC/3D_DESC: none"}));
  const RenderData3DDesc* pThree = engine.find3DDesc(StringC("three"));
  ASSERT_NE(pThree, nullptr);
  EXPECT_EQ(pThree->getTimeOffset(), 2000);
  EXPECT_EQ(pThree->getCamera(), 1);
  EXPECT_EQ(pThree->getDimension().m_width, 0);
  EXPECT_EQ(engine.descsSkyBox().at(0)->getNumber(), 7);
  EXPECT_EQ(engine.descsSkyBox().at(0)->getDimension().m_width, 2);
  EXPECT_EQ(engine.descs2D().at(0)->getCamera(), 5);
}
