// EFFECT, MIX and their descriptor lines: kinds, fields, defaults and reports; then what the
// descriptors do to a frame.

#include "s3d/viewport.h"
#include "tests/script/engine_fixture.h"
#include "tests/support/controller_files.h"

namespace {

// The fields a descriptor line sets, whatever its kind; none without a descriptor.
std::vector<float> fields(const ScriptEffectDesc* p) {
  if (auto* d = dynamic_cast<const ScriptEffectHVBlurDesc*>(p))
    return {float(d->m_direction), float(d->m_drawMode), float(d->m_size)};
  if (auto* d = dynamic_cast<const ScriptEffectEmbossDesc*>(p))
    return {float(d->m_mode), d->m_factor};
  if (auto* d = dynamic_cast<const ScriptEffectRadialDesc*>(p))
    return {float(d->m_mode), d->m_intensity, d->m_step, d->m_centreX, d->m_centreY};
  if (auto* d = dynamic_cast<const ScriptEffectColorDesc*>(p))
    return {float(d->m_mode), d->m_red, d->m_green, d->m_blue};
  if (auto* d = dynamic_cast<const ScriptEffectDemoSpe01Desc*>(p)) return {float(d->m_mode)};
  return {};
}
std::vector<float> fields(const ScriptMixDesc* p) {
  if (auto* d = dynamic_cast<const ScriptMixBlitDesc*>(p))
    return {float(d->m_blitMode), d->m_alpha};
  return {};
}

struct DescCase {
  std::string line;
  std::vector<float> fields;
  Lines reports = {};        // texts reported, then the line itself
  bool lineReported = true;  // unless told so
};

// Appends the lines of the cases to `lines`; returns the texts they report, in order.
Lines addLines(const std::vector<DescCase>& cases, Lines& lines) {
  Lines reports;
  for (const DescCase& c : cases) {
    lines.push_back(c.line);
    reports.insert(reports.end(), c.reports.begin(), c.reports.end());
    if (!c.reports.empty() && c.lineReported) reports.push_back(c.line);
  }
  return reports;
}

}  // namespace

TEST_F(EngineTest, EffectDescriptorsReadTheirFieldsDefaultsAndModeWords) {
  std::vector<DescCase> cases = {
      {"desc: b1 blur NULL VERTICAL TRANSSUB 12", {1, 2, 12}},
      {"desc: b2 blur NULL HORIZONTAL NORMAL", {0, 0, 64}},
      {"desc: b3 blur NULL DIAGONAL NORMAL 8", {0, 0, 8}, {"hvBlur mode not found"}},
      {"desc: b4 blur NULL VERTICAL SOFT 8", {1, 1, 8}, {"hvBlur drawMode not found"}},
      {"desc: e1 emb NULL SHADE 0.5", {1, 0.5f}},
      {"desc: e2 emb NULL CARVE", {0, 1}, {"emboss mode not found"}},
      {"desc: r1 rad NULL SMOOTH", {0, 0.9f, 0.08f, 20, 20}},
      {"desc: r2 rad NULL FAST 0.5 0.25 100 50", {1, 0.5f, 0.25f, 100, 50}},
      {"desc: r3 rad NULL SLOW", {1, 0.9f, 0.08f, 20, 20}, {"radial mode not found"}},
      {"desc: c1 col NULL GRAY 1.0 0.5 0.25", {4, 1, 0.5f, 0.25f}},
      {"desc: c3 col NULL add 0 0 0", {3, 0, 0, 0}, {"color mode not found"}},
      {"desc: s1 spe NULL 1", {1}},
      // A descriptor of a missing effect is not created.
      {"desc: d1 nothing NULL ADD 0 0 0",
       {},
       {"Can't find Effect: nothing", "can't find EFFECT : nothing"}},
  };
  const char* colorModes[] = {"ADD", "SUB", "MASK", "INVERT", "GRAY", "RED", "GREEN", "BLUE"};
  for (int mode = 0; mode < 8; ++mode)
    cases.push_back(
        {std::string("desc: m col NULL ") + colorModes[mode] + " 0 0 0", {float(mode), 0, 0, 0}});
  Sections sections = {{"LAYER_DIMENSION", {"desc: half 256 128"}},
                       {"EFFECT",
                        {"desc: blur HVBLUR half", "desc: emb EMBOSS half", "desc: rad RADIAL half",
                         "desc: col COLOR", "desc: spe DEMOSPE01"}}};
  const Lines reports = addLines(cases, sections["EFFECT_DESC"]);
  ScriptEngine& engine = loadSections(sections);
  EXPECT_EQ(texts(), reports);
  for (std::size_t i = 0; i < cases.size(); ++i)
    EXPECT_EQ(fields(engine.effectDescs().at(static_cast<int>(i))), cases[i].fields)
        << cases[i].line;
  EXPECT_EQ(engine.findEffectDesc(StringC("d1")), nullptr);
  // Sized effects take their layer dimension; descriptors point at their effect.
  auto* pBlur = dynamic_cast<ScriptEffectHVBlur*>(engine.findEffect(StringC("blur")));
  ASSERT_NE(pBlur, nullptr);
  EXPECT_EQ(pBlur->getDimension().m_width, 256);
  EXPECT_EQ(pBlur->getDimension().m_height, 128);
  EXPECT_EQ(engine.effectDescs().at(0)->getEffect(), pBlur);
}

TEST_F(EngineTest, BlitMixDescriptors) {
  const std::vector<DescCase> cases = {
      {"desc: m0 blend NULL NORMAL 0.25 mask", {0, 0.25f}},
      {"desc: m1 blend NULL TRANSSUB", {3, 1}},
      {"desc: m2 blend NULL ADD 0.5 NULL", {1, 0.5f}, {"blit mode not found"}},
      {"desc: m3 nomix NULL NORMAL 1.0 NULL",
       {},
       {"Can't find Mix: nomix", "can't find MIX : nomix"},
       false},
      {"desc: m4 blend NULL", {1, 1}},
      {"desc: m5 blend NULL TRANSADD", {1, 1}},
  };
  Sections sections = {{"LAYER_DIMENSION", {"desc: d 4 2"}},
                       {"SCREEN_LAYER", {"desc: mask d"}},
                       {"MIX", {"desc: blend BLIT"}}};
  const Lines reports = addLines(cases, sections["MIX_DESC"]);
  ScriptEngine& engine = loadSections(sections);
  EXPECT_EQ(texts(), reports);
  for (std::size_t i = 0; i < cases.size(); ++i)
    EXPECT_EQ(fields(engine.mixDescs().at(static_cast<int>(i))), cases[i].fields) << cases[i].line;
  auto* pM0 = dynamic_cast<ScriptMixBlitDesc*>(engine.findMixDesc(StringC("m0")));
  EXPECT_EQ(pM0->m_pAlphaMap, engine.getScreenLayer(0)->getBuffer());
  EXPECT_EQ(pM0->getMix(), engine.findMix(StringC("blend")));
  EXPECT_EQ(dynamic_cast<ScriptMixBlitDesc*>(engine.findMixDesc(StringC("m1")))->m_pAlphaMap,
            nullptr);
}

TEST_F(EngineTest, ControllerFieldsOfDescriptorsAreLookedUp) {
  ASSERT_TRUE(test_controllers::writeLecx("pulse.lecx", 1, {{"Red", "1"}}));
  ScriptEngine& engine =
      loadSections({{"LAYER_DIMENSION", {"desc: d 4 2"}},
                    {"CONTROLLER", {"file: pulse pulse.lecx"}},
                    {"MIX", {"desc: blend BLIT"}},
                    {"EFFECT", {"desc: blur HVBLUR d", "desc: col COLOR", "desc: spe DEMOSPE01"}},
                    {"MIX_DESC", {"desc: m blend nosuch NORMAL 1.0 NULL"}},
                    {"EFFECT_DESC",
                     {"desc: c col pulse ADD 0 0 0", "desc: s spe other 0",
                      "desc: b blur unused HORIZONTAL NORMAL 4"}}});
  // The blur kinds read the controller field and do not look it up.
  EXPECT_EQ(texts(), (Lines{"Can't find controller: nosuch", "Can't find controller: other"}));
  EXPECT_EQ(engine.findEffectDesc(StringC("c"))->getController(),
            engine.findController(StringC("pulse"))->getFirstController());
  EXPECT_NE(engine.findEffectDesc(StringC("c"))->getController(), nullptr);
}

// --- What the descriptors do to a frame -------------------------------------------------------

namespace {

// A 64 x 4 show whose frame is the last layer.
class DescRunTest : public EngineTest {
 protected:
  void loadShow(Sections sections, Lines operations) {
    sections["LAYER_DIMENSION"] = {"desc: d 64 4"};
    loadSections(show(sections, operations));
    m_frame.init(64, 4);
  }
};

}  // namespace

TEST_F(DescRunTest, ColourValuesBecomeClampedChannels) {
  loadShow({{"EFFECT", {"desc: col COLOR"}},
            {"EFFECT_DESC",
             {"desc: spill col NULL ADD 2.0 -1.0 0.5", "desc: none col NULL ADD 0 0 0",
              "desc: red col NULL ADD 1.0 0 0"}}},
           {"desc: screen 1 0 1000 e spill", "desc: screen 1 1000 2000 e none",
            "desc: screen 1 2000 3000 e red"});
  EXPECT_EQ(pixelAt(0, 5), 0xFF007Fu);
  EXPECT_EQ(pixelAt(1500, 9, 0x12345678), 0x12345678u);
  EXPECT_EQ(pixelAt(2500, 0, 0x01204080), 0x01FF4080u);
  EXPECT_TRUE(texts().empty());
}

TEST_F(DescRunTest, BlurSizeAndEmbossFactorAreConvertedForTheirEffects) {
  loadShow({{"EFFECT", {"desc: blur HVBLUR d", "desc: emb EMBOSS d"}},
            {"EFFECT_DESC",
             {"desc: wide blur NULL HORIZONTAL NORMAL 300", "desc: half emb NULL SHADE 0.5"}}},
           {"desc: screen 1 0 1000 e wide", "desc: screen 2 0 1000 e half"});
  pixelAt(0, 0, 0x808080);
  EXPECT_EQ(dynamic_cast<ScriptEffectHVBlur*>(m_pEngine->findEffect(StringC("blur")))->m_size, 255);
  EXPECT_EQ(dynamic_cast<ScriptEffectEmboss*>(m_pEngine->findEffect(StringC("emb")))->m_strength,
            127);
}

TEST_F(DescRunTest, BlitOpacityIsClampedAndZeroMixesNothing) {
  // A white alpha map, a source layer, and the frame last.
  loadShow({{"SCREEN_LAYER", {"desc: map d", "desc: src d", "desc: screen d"}},
            {"MIX", {"desc: b BLIT"}},
            {"MIX_DESC",
             {"desc: over b NULL NORMAL 1.7 NULL", "desc: zero b NULL NORMAL 0 map",
              "desc: below b NULL TRANSADD -0.3 map", "desc: half b NULL NORMAL 0.5 NULL"}}},
           {"desc: map 1 0 9000 c 255 255 255", "desc: src 1 0 9000 c 200 100 50",
            "desc: screen 1 0 1000 m over src", "desc: screen 1 1000 2000 m zero src",
            "desc: screen 1 2000 3000 m below src", "desc: screen 1 3000 4000 m half src"});
  EXPECT_TRUE(texts().empty());
  EXPECT_EQ(pixelAt(0, 3, 0x10101010), 0x00C86432u);
  EXPECT_EQ(pixelAt(1500, 3, 0x10101010), 0x10101010u);
  EXPECT_EQ(pixelAt(2500, 3, 0x10101010), 0x10101010u);
  // 0.5 exactly averages: (d >> 1) + (s >> 1) in every byte.
  EXPECT_EQ(pixelAt(3500, 3, 0x10101010), 0x086C3A21u);
}

TEST_F(EngineTest, SizesNoLayerCouldHaveMakeNeitherEffectBuffersNorDepthBuffers) {
  // 9000 is above the largest layer side (8192): the effect is made without size, so it refuses
  // every layer, and the viewport keeps no depth buffer of that size.
  m_dir.write("a.l3x", sceneFileText());
  ScriptEngine& engine =
      loadSections(show({{"LAYER_DIMENSION", {"desc: d 4 2", "desc: huge 9000 9000"}},
                         {"EFFECT", {"desc: fx RADIAL huge"}},
                         {"3D", {"file: scene a.l3x"}},
                         {"3D_DESC", {"desc: three scene huge NULL 0 0"}}},
                        {"desc: screen 1 0 1000 c 10 20 30"}));
  EXPECT_EQ(m_reports.lines(),
            (Lines{"3D_DESC three :|bad dimensions for creating viewport",
                   "ScriptEngine :|EFFECT fx: bad dimensions for creating the effect"}));
  EXPECT_EQ(engine.find3DDesc("three")->getViewPort().getWidth(), ViewPort::kDefaultWidth);
}
