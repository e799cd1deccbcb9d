// EFFECT, MIX and their descriptor lines: kinds, fields, defaults and reports.

#include "fx/fx_hvblur.h"
#include "tests/script/engine_fixture.h"
#include "tests/support/controller_files.h"

using Lines = std::vector<std::string>;

namespace {

const std::map<std::string, std::vector<std::string>> kEffects = {
    {"LAYER_DIMENSION", {"desc: half 256 128"}},
    {"EFFECT",
     {"desc: blur HVBLUR half", "desc: emb EMBOSS half", "desc: rad RADIAL half", "desc: col COLOR",
      "desc: spe DEMOSPE01"}}};

template <class Desc>
Desc* descAt(ScriptEngine& engine, int index) {
  return dynamic_cast<Desc*>(engine.effectDescs().at(index));
}

}  // namespace

TEST_F(EngineTest, EffectsAndTheirDescriptorsReadTheirFieldsAndDefaults) {
  auto sections = kEffects;
  sections["EFFECT_DESC"] = {
      "desc: b1 blur NULL VERTICAL TRANSSUB 12",
      "desc: b2 blur NULL HORIZONTAL NORMAL",
      "desc: e1 emb NULL SHADE 0.5",
      "desc: r1 rad NULL SMOOTH",
      "desc: r2 rad NULL FAST 0.5 0.25 100 50",
      "desc: c1 col NULL GRAY 1.0 0.5 0.25",
      "desc: s1 spe NULL 1",
  };
  ScriptEngine& engine = loadSections(sections);
  EXPECT_TRUE(texts().empty());
  // Sized effects take their layer dimension.
  auto* pBlur = dynamic_cast<ScriptEffectHVBlur*>(engine.findEffect(StringC("blur")));
  ASSERT_NE(pBlur, nullptr);
  EXPECT_STREQ(pBlur->getTypeName().getString(), "HVBLUR");
  EXPECT_EQ(pBlur->getDimension().m_width, 256);
  EXPECT_EQ(pBlur->getDimension().m_height, 128);
  EXPECT_NE(dynamic_cast<ScriptEffectColor*>(engine.findEffect(StringC("col"))), nullptr);
  EXPECT_NE(dynamic_cast<ScriptEffectDemoSpe01*>(engine.findEffect(StringC("spe"))), nullptr);
  auto* pB1 = descAt<ScriptEffectHVBlurDesc>(engine, 0);
  ASSERT_NE(pB1, nullptr);
  EXPECT_EQ(pB1->m_direction, 1);
  EXPECT_EQ(pB1->m_drawMode, 2);
  EXPECT_EQ(pB1->m_size, 12);
  EXPECT_EQ(pB1->getEffect(), engine.findEffect(StringC("blur")));
  auto* pB2 = descAt<ScriptEffectHVBlurDesc>(engine, 1);
  EXPECT_EQ(pB2->m_direction, 0);
  EXPECT_EQ(pB2->m_drawMode, 0);
  EXPECT_EQ(pB2->m_size, 64);
  auto* pE1 = descAt<ScriptEffectEmbossDesc>(engine, 2);
  EXPECT_EQ(pE1->m_mode, 1);
  EXPECT_EQ(pE1->m_factor, 0.5f);
  auto* pR1 = descAt<ScriptEffectRadialDesc>(engine, 3);
  EXPECT_EQ(pR1->m_mode, 0);
  EXPECT_EQ(pR1->m_intensity, 0.9f);
  EXPECT_EQ(pR1->m_step, 0.08f);
  EXPECT_EQ(pR1->m_centreX, 20.0f);
  EXPECT_EQ(pR1->m_centreY, 20.0f);
  auto* pR2 = descAt<ScriptEffectRadialDesc>(engine, 4);
  EXPECT_EQ(pR2->m_mode, 1);
  EXPECT_EQ(pR2->m_step, 0.25f);
  EXPECT_EQ(pR2->m_centreY, 50.0f);
  auto* pC1 = descAt<ScriptEffectColorDesc>(engine, 5);
  EXPECT_EQ(pC1->m_mode, 4);
  EXPECT_EQ(pC1->m_green, 0.5f);
  EXPECT_EQ(descAt<ScriptEffectDemoSpe01Desc>(engine, 6)->m_mode, 1);
  EXPECT_STREQ(engine.effectDescs().at(6)->getName().getString(), "s1");
}

TEST_F(EngineTest, UnknownModeWordsAndEffectsAreReportedWithTheLine) {
  auto sections = kEffects;
  sections["EFFECT_DESC"] = {
      "desc: b1 blur NULL DIAGONAL NORMAL 8",
      "desc: b2 blur NULL VERTICAL SOFT 8",
      "desc: e1 emb NULL CARVE",
      "desc: r1 rad NULL SLOW",
      "desc: c1 col NULL PINK 0 0 0",
      "desc: c2 col NULL add 0 0 0",
      "desc: d1 nothing NULL ADD 0 0 0",
  };
  ScriptEngine& engine = loadSections(sections);
  EXPECT_EQ(texts(),
            (Lines{"hvBlur mode not found", "desc: b1 blur NULL DIAGONAL NORMAL 8",
                   "hvBlur drawMode not found", "desc: b2 blur NULL VERTICAL SOFT 8",
                   "emboss mode not found", "desc: e1 emb NULL CARVE", "radial mode not found",
                   "desc: r1 rad NULL SLOW", "color mode not found", "desc: c1 col NULL PINK 0 0 0",
                   "color mode not found", "desc: c2 col NULL add 0 0 0",
                   // A descriptor of a missing effect is not created.
                   "Can't find Effect: nothing", "can't find EFFECT : nothing",
                   "desc: d1 nothing NULL ADD 0 0 0"}));
  EXPECT_EQ(engine.effectDescs().at(6), nullptr);
  EXPECT_EQ(engine.findEffectDesc(StringC("d1")), nullptr);
  EXPECT_EQ(descAt<ScriptEffectHVBlurDesc>(engine, 0)->m_direction, 0);
  EXPECT_EQ(descAt<ScriptEffectHVBlurDesc>(engine, 0)->m_size, 8);
  EXPECT_EQ(descAt<ScriptEffectHVBlurDesc>(engine, 1)->m_drawMode, 1);
  EXPECT_EQ(descAt<ScriptEffectEmbossDesc>(engine, 2)->m_mode, 0);
  EXPECT_EQ(descAt<ScriptEffectRadialDesc>(engine, 3)->m_mode, 1);
  EXPECT_EQ(descAt<ScriptEffectColorDesc>(engine, 4)->m_mode, 3);
}

TEST_F(EngineTest, EveryModeWordHasItsNumber) {
  auto sections = kEffects;
  const std::vector<std::pair<std::string, int>> colorModes = {
      {"ADD", 0},  {"SUB", 1}, {"MASK", 2},  {"INVERT", 3},
      {"GRAY", 4}, {"RED", 5}, {"GREEN", 6}, {"BLUE", 7}};
  for (const auto& [word, value] : colorModes) {
    sections["EFFECT_DESC"].push_back("desc: c" + word + " col NULL " + word + " 0 0 0");
  }
  sections["MIX"] = {"desc: blend BLIT"};
  sections["MIX_DESC"] = {"desc: n blend NULL NORMAL", "desc: a blend NULL TRANSADD",
                          "desc: s blend NULL TRANSSUB"};
  ScriptEngine& engine = loadSections(sections);
  EXPECT_TRUE(texts().empty());
  for (std::size_t i = 0; i < colorModes.size(); ++i) {
    EXPECT_EQ(descAt<ScriptEffectColorDesc>(engine, static_cast<int>(i))->m_mode,
              colorModes[i].second)
        << colorModes[i].first;
  }
  auto blitMode = [&engine](const char* name) {
    return dynamic_cast<ScriptMixBlitDesc*>(engine.findMixDesc(StringC(name)))->m_blitMode;
  };
  EXPECT_EQ(blitMode("n"), 0);
  EXPECT_EQ(blitMode("a"), 1);
  EXPECT_EQ(blitMode("s"), 3);
}

TEST_F(EngineTest, BlitMixDescriptors) {
  ScriptEngine& engine =
      loadSections({{"LAYER_DIMENSION", {"desc: d 4 2"}},
                    {"SCREEN_LAYER", {"desc: mask d"}},
                    {"MIX", {"desc: blend BLIT"}},
                    {"MIX_DESC",
                     {"desc: m0 blend NULL NORMAL 0.25 mask", "desc: m1 blend NULL TRANSSUB",
                      "desc: m2 blend NULL ADD 0.5 NULL", "desc: m3 nomix NULL NORMAL 1.0 NULL",
                      "desc: m4 blend NULL"}}});
  EXPECT_EQ(texts(), (Lines{"blit mode not found", "desc: m2 blend NULL ADD 0.5 NULL",
                            "Can't find Mix: nomix", "can't find MIX : nomix"}));
  auto* pM0 = dynamic_cast<ScriptMixBlitDesc*>(engine.findMixDesc(StringC("m0")));
  ASSERT_NE(pM0, nullptr);
  EXPECT_EQ(pM0->m_blitMode, 0);
  EXPECT_EQ(pM0->m_alpha, 0.25f);
  EXPECT_EQ(pM0->m_pAlphaMap, engine.getScreenLayer(0)->getBuffer());
  EXPECT_EQ(pM0->getMix(), engine.findMix(StringC("blend")));
  auto* pM1 = dynamic_cast<ScriptMixBlitDesc*>(engine.findMixDesc(StringC("m1")));
  EXPECT_EQ(pM1->m_blitMode, 3);
  EXPECT_EQ(pM1->m_alpha, 1.0f);
  EXPECT_EQ(pM1->m_pAlphaMap, nullptr);
  auto* pM2 = dynamic_cast<ScriptMixBlitDesc*>(engine.findMixDesc(StringC("m2")));
  EXPECT_EQ(pM2->m_blitMode, 1);
  EXPECT_EQ(pM2->m_alpha, 0.5f);
  EXPECT_EQ(engine.mixDescs().at(3), nullptr);
  auto* pM4 = dynamic_cast<ScriptMixBlitDesc*>(engine.findMixDesc(StringC("m4")));
  EXPECT_EQ(pM4->m_blitMode, 1);
  EXPECT_EQ(pM4->m_alpha, 1.0f);
}

TEST_F(EngineTest, ControllerFieldsOfDescriptorsAreLookedUp) {
  ASSERT_TRUE(test_controllers::writeLecx("pulse.lecx", 1, {{"Red", "1"}}));
  auto sections = kEffects;
  sections["CONTROLLER"] = {"file: pulse pulse.lecx"};
  sections["MIX"] = {"desc: blend BLIT"};
  sections["MIX_DESC"] = {"desc: m blend nosuch NORMAL 1.0 NULL"};
  sections["EFFECT_DESC"] = {"desc: c col pulse ADD 0 0 0", "desc: s spe other 0",
                             "desc: b blur unused HORIZONTAL NORMAL 4"};
  ScriptEngine& engine = loadSections(sections);
  // The blur kinds read the controller field and do not look it up.
  EXPECT_EQ(texts(), (Lines{"Can't find controller: nosuch", "Can't find controller: other"}));
  EXPECT_EQ(engine.findEffectDesc(StringC("c"))->getController(),
            engine.findController(StringC("pulse"))->getFirstController());
  EXPECT_NE(engine.findEffectDesc(StringC("c"))->getController(), nullptr);
}

// --- What the descriptors do to a layer ---

namespace {

// A 64 x 4 show whose frame is the last layer; the frame starts as `fill` everywhere.
class DescRunTest : public EngineTest {
 protected:
  void loadShow(std::map<std::string, std::vector<std::string>> sections) {
    sections["LAYER_DIMENSION"] = {"desc: d 64 4"};
    sections["SCREEN_LAYER"] = {"desc: screen d"};
    loadSections(sections);
  }
  const std::uint32_t* frameAt(std::int32_t time, std::uint32_t fill) {
    m_frame.fill(fill);
    m_pEngine->setFrameTime(time);
    m_pEngine->render(&m_frame);
    return m_frame.getPixels();
  }
  CImage32Buffered m_frame{64, 4};
};

}  // namespace

TEST_F(DescRunTest, ColourValuesBecomeClampedChannels) {
  loadShow({{"EFFECT", {"desc: col COLOR"}},
            {"EFFECT_DESC",
             {"desc: spill col NULL ADD 2.0 -1.0 0.5", "desc: none col NULL ADD 0 0 0",
              "desc: red col NULL ADD 1.0 0 0"}},
            {"LAYER_MANAGER",
             {"desc: screen 1 0 1000 e spill", "desc: screen 1 1000 2000 e none",
              "desc: screen 1 2000 3000 e red"}}});
  EXPECT_TRUE(texts().empty());
  EXPECT_EQ(frameAt(0, 0)[5], 0xFF007Fu);
  auto* pEffect = dynamic_cast<ScriptEffectColor*>(m_pEngine->findEffect(StringC("col")));
  EXPECT_EQ(pEffect->m_red, 255);
  EXPECT_EQ(pEffect->m_green, 0);
  EXPECT_EQ(pEffect->m_blue, 127);
  EXPECT_EQ(frameAt(1500, 0x12345678)[9], 0x12345678u);
  EXPECT_EQ(frameAt(2500, 0x01204080)[0], 0x01FF4080u);
  EXPECT_TRUE(texts().empty());
}

TEST_F(DescRunTest, BlurSizeAndEmbossFactorAreConvertedForTheirEffects) {
  loadShow({{"EFFECT", {"desc: blur HVBLUR d", "desc: emb EMBOSS d"}},
            {"EFFECT_DESC",
             {"desc: wide blur NULL HORIZONTAL NORMAL 300", "desc: half emb NULL SHADE 0.5"}},
            {"LAYER_MANAGER", {"desc: screen 1 0 1000 e wide", "desc: screen 2 0 1000 e half"}}});
  frameAt(0, 0x808080);
  EXPECT_EQ(dynamic_cast<ScriptEffectHVBlur*>(m_pEngine->findEffect(StringC("blur")))->m_size, 255);
  EXPECT_EQ(dynamic_cast<ScriptEffectEmboss*>(m_pEngine->findEffect(StringC("emb")))->m_strength,
            127);
}

TEST_F(DescRunTest, DescriptorsSharingAnEffectEachSetItBeforeRunning) {
  // A 64 x 4 BMP, black with one white column at x = 31: 54 header bytes, then bottom-up rows
  // of 64 blue-green-red triplets.
  std::string bmp(54 + 64 * 4 * 3, '\0');
  bmp[0] = 'B', bmp[1] = 'M', bmp[14] = 40, bmp[18] = 64, bmp[22] = 4, bmp[26] = 1, bmp[28] = 24;
  for (int y = 0; y < 4; ++y)
    bmp.replace(54 + (y * 64 + 31) * 3, 3, "\xFF\xFF\xFF");
  m_dir.write("pic.bmp", bmp);
  loadShow({{"IMAGE", {"file: pic pic.bmp"}},
            {"EFFECT", {"desc: blur HVBLUR d"}},
            {"EFFECT_DESC",
             {"desc: small blur NULL HORIZONTAL NORMAL 4",
              "desc: large blur NULL HORIZONTAL NORMAL 16"}},
            {"LAYER_MANAGER",
             {"desc: screen 1 0 1000 c 0 0 0", "desc: screen 2 0 1000 w pic",
              "desc: screen 3 0 1000 e small", "desc: screen 4 0 1000 e large"}}});
  // The frame: one white column at x = 31 over black, blurred with 4 then with 16.
  m_pEngine->setFrameTime(0);
  CImage32Buffered frame(64, 4);
  m_pEngine->render(&frame);
  CImage32Buffered expected(64, 4);
  for (std::uint32_t y = 0; y < 4; ++y)
    expected.setPixel(31, y, 0xFFFFFF);
  FxHVBlur reference(64, 4);
  reference.setScreen(&expected);
  reference.setSize(4);
  reference.apply();
  reference.setSize(16);
  reference.apply();
  EXPECT_TRUE(texts().empty());
  EXPECT_NE(frame.getPixels()[36], 0u);
  for (int i = 0; i < 64 * 4; ++i)
    ASSERT_EQ(frame.getPixels()[i], expected.getPixels()[i]) << i;
  EXPECT_EQ(dynamic_cast<ScriptEffectHVBlur*>(m_pEngine->findEffect(StringC("blur")))->m_size, 16);
}

TEST_F(DescRunTest, BlitOpacityIsClampedAndZeroMixesNothing) {
  // A white alpha map, a source layer, and the frame last.
  loadSections({{"LAYER_DIMENSION", {"desc: d 64 4"}},
                {"SCREEN_LAYER", {"desc: map d", "desc: src d", "desc: screen d"}},
                {"MIX", {"desc: b BLIT"}},
                {"MIX_DESC",
                 {"desc: over b NULL NORMAL 1.7 NULL", "desc: zero b NULL NORMAL 0 map",
                  "desc: below b NULL TRANSADD -0.3 map", "desc: half b NULL NORMAL 0.5 NULL"}},
                {"LAYER_MANAGER",
                 {"desc: map 1 0 9000 c 255 255 255", "desc: src 1 0 9000 c 200 100 50",
                  "desc: screen 1 0 1000 m over src", "desc: screen 1 1000 2000 m zero src",
                  "desc: screen 1 2000 3000 m below src", "desc: screen 1 3000 4000 m half src"}}});
  EXPECT_TRUE(texts().empty());
  EXPECT_EQ(frameAt(0, 0x10101010)[3], 0x00C86432u);
  EXPECT_EQ(frameAt(1500, 0x10101010)[3], 0x10101010u);
  EXPECT_EQ(frameAt(2500, 0x10101010)[3], 0x10101010u);
  // 0.5 exactly averages: (d >> 1) + (s >> 1) in every byte.
  EXPECT_EQ(frameAt(3500, 0x10101010)[3], 0x086C3A21u);
}
