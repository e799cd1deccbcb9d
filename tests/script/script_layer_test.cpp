// Layer time tables: building them from LAYER_MANAGER lines and running them frame by frame; the
// clock with and without music.

#include <algorithm>
#include <functional>
#include <optional>

#include "tests/script/engine_fixture.h"

namespace {

constexpr std::uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF;
constexpr std::uint32_t kFill = 0x123456;  // the frame before each render

struct Scenario {
  const char* what;
  const char* operations;           // LAYER_MANAGER lines without "desc: ", separated by ';'
  const char* layers = "screen d";  // the same for SCREEN_LAYER; the last one is the frame
  // Frame time and the first and last pixels of the frame; none: not looked at.
  std::vector<std::pair<std::int32_t, std::optional<std::uint32_t>>> pixels = {};
  Lines loadReports = {};    // caption|text
  Lines renderReports = {};  // over all the frames
  Sections extra = {};
  std::function<void(ScriptEngine&)> check = {};
};

// "a; b" as {"desc: a", "desc: b"}.
Lines descLines(const std::string& text) {
  Lines out;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = std::min(text.find(';', start), text.size());
    out.push_back("desc: " + text.substr(start, end - start));
    start = text.find_first_not_of(' ', end + 1);
  }
  return out;
}

}  // namespace

TEST_F(EngineTest, LayerOperationsRunFrameByFrame) {
  const std::string bad = " :|bad dimensions for creating buffer";
  const auto noLayerManager = [](ScriptEngine& engine) {
    EXPECT_EQ(engine.getLayerManagerCount(), 0);
  };
  const Scenario scenarios[] = {
      {.what = "the first active operation of a position runs",
       .operations = "screen 1 0 100000 c 0 0 0; screen 2 0 1000 c 255 0 0; "
                     "screen 2 500 2000 c 0 255 0",
       .pixels = {{0, kRed}, {999, kRed}, {1000, kGreen}, {1999, kGreen}, {2000, 0}}},
      {.what = "an empty span never runs, lines of unknown layers are ignored",
       .operations = "screen 1 0 5000 c 0 0 255; screen 2 1000 1000 c 255 0 0; "
                     "nowhere 3 0 5000 c 255 0 0",
       .pixels = {{1000, kBlue}}},
      {.what = "fill colours are added, not masked; missing numbers count as 0",
       .operations = "screen 1 0 1000 c 255 0 255; screen 1 1000 2000 c 0 0 300; "
                     "screen 1 2000 3000 c 1 2",
       .pixels = {{0, 0xFF00FF}, {1000, 300}, {2000, 0x010200}}},
      {.what = "an unknown operation fills magenta",
       .operations = "screen 1 0 1000 x 1 2 3",
       .pixels = {{500, 0xFF00FF}},
       .loadReports = {"ScriptEngine :|desc: screen 1 0 1000 x 1 2 3",
                       "ScriptEngine :|can t find operation"}},
      {.what = "positions below 1 are reported in the pass of every layer",
       .operations = "screen 0 0 1000 c 255 0 0; screen 1 0 1000 c 0 0 255",
       .layers = "off other; screen d",
       .pixels = {{500, kBlue}},
       .loadReports = {"ScriptEngine :|desc: screen 0 0 1000 c 255 0 0",
                       "ScriptEngine :|position must be >= 1",
                       "ScriptEngine :|desc: screen 0 0 1000 c 255 0 0",
                       "ScriptEngine :|position must be >= 1"}},
      {.what = "earlier layers are drawn first",
       .operations = "screen 1 0 5000 w back; back 1 0 1000 c 255 0 0; back 1 1000 5000 c 0 0 255",
       .layers = "back d; screen d",
       .pixels = {{999, kRed}, {1000, kBlue}}},
      {.what = "the frame is refused when the last layer has another size; the layer is drawn",
       .operations = "screen 1 0 1000 c 255 0 0",
       .layers = "screen other",
       .pixels = {{500, kFill}, {600, kFill}},
       .renderReports = Lines(2, "ScriptLayerManager :|setDestination: different dimensions !"),
       .check =
           [](ScriptEngine& engine) {
             EXPECT_EQ(engine.getScreenLayer(0)->getBuffer()->getPixels()[0], kRed);
           }},
      {.what = "a write of a missing source is reported at load and at every active frame",
       .operations = "screen 1 0 1000 w ghost",
       .pixels = {{0, {}}, {500, {}}, {1000, {}}},
       .loadReports = {"ScriptEngine :|Can't find "
                       "SCREEN_LAYER/SPE_LAYER/IMAGE/2D_DESC/3D_DESC/SKYBOX_DESC: ghost"},
       .renderReports = Lines(2, "ScriptLayerOperationWrite :|m_pRenderData NULL")},
      {.what = "missing effects and mixes are reported when active; their empty registries not",
       .operations = "screen 1 0 1000 e noeffect; screen 2 0 1000 m nomix screen; "
                     "screen 3 0 1000 m nomix nosource",
       .pixels = {{0, {}}},
       .loadReports = {"ScriptEngine :|Can't find IMAGE/SCREEN_LAYER Ptr: nosource"},
       .renderReports = {"ScriptLayerOperationEffect :|m_pEffect NULL",
                         "ScriptLayerOperationMix :|m_pMix NULL",
                         "ScriptLayerOperationMix :|no src buffer set"}},
      {.what = "a screen layer without size has no buffer",
       .operations = "screen 1 0 1000 w empty",
       .layers = "empty zero; screen d",
       .pixels = {{0, {}}},
       .loadReports = {"SCREEN_LAYER empty" + bad},
       .renderReports = {"SCREEN_LAYER empty :|m_pBuffer NULL"}},
      {.what = "a mix into a layer without buffer; its fill goes nowhere",
       .operations = "empty 1 0 1000 m blend screen; empty 2 0 1000 c 1 2 3",
       .layers = "empty zero; screen d",
       .pixels = {{0, {}}},
       .loadReports = {"SCREEN_LAYER empty" + bad},
       .renderReports = {"ScriptLayerOperationMix :|no destination buffer set"},
       .extra = {{"MIX", {"desc: b BLIT"}}, {"MIX_DESC", {"desc: blend b NULL NORMAL 1.0 NULL"}}}},
      {.what = "a missing picture is reported at every use, a sky box draws nothing, the show "
               "goes on",
       .operations = "screen 1 0 1000 c 0 0 255; screen 2 0 1000 w pic; screen 3 0 1000 w sky; "
                     "screen 4 0 1000 m blend pic",
       .pixels = {{0, kBlue}},
       .loadReports = {"CImage32FromData|cant load file missing.bmp"},
       .renderReports = {"IMAGE pic :|render using m_pBuffer NULL",
                         "ScriptLayerOperationMix :|no src buffer set"},
       .extra = {{"IMAGE", {"file: pic missing.bmp"}},
                 {"SKYBOX_DESC", {"desc: sky NULL d NULL 0"}},
                 {"MIX", {"desc: b BLIT"}},
                 {"MIX_DESC", {"desc: blend b NULL NORMAL 0.5 NULL"}}},
       .check = [](ScriptEngine&) { EXPECT_FALSE(quitRequested().has_value()); }},
      {.what = "nothing is built without screen layers",
       .operations = "screen 1 0 1000 c 255 0 0",
       .layers = "",
       .pixels = {{0, kFill}},
       .check = noLayerManager},
  };
  for (const Scenario& s : scenarios) {
    SCOPED_TRACE(s.what);
    Sections sections = s.extra;
    sections["LAYER_DIMENSION"] = {"desc: d 4 2", "desc: other 2 2", "desc: zero 0 0"};
    m_reports.clear();
    loadSections(show(sections, descLines(s.operations), descLines(s.layers)));
    EXPECT_EQ(m_reports.lines(), s.loadReports);
    m_reports.clear();
    for (const auto& [time, pixel] : s.pixels) {
      const std::uint32_t first = pixelAt(time, 0, kFill);
      if (!pixel) continue;
      EXPECT_EQ(first, *pixel) << time;
      EXPECT_EQ(m_frame.getPixels()[7], *pixel) << time;
    }
    EXPECT_EQ(m_reports.lines(), s.renderReports);
    if (s.check) s.check(*m_pEngine);
  }
}

TEST_F(EngineTest, WithoutMusicTheClockCountsTicksSinceStart) {
  ScriptEngine& engine = loadSections({});
  m_ticks.m_ticks = 5000;
  engine.start();
  EXPECT_EQ(engine.getTime(), 0);
  m_ticks.m_ticks = 6234;
  EXPECT_EQ(engine.getTime(), 1234);
  engine.setFrameTime(42);
  EXPECT_EQ(engine.getTime(), 42);
  engine.setFrameTime(std::nullopt);
  EXPECT_EQ(engine.getTime(), 1234);
}

namespace {

class FakeMusic final : public ScriptMusic {
 public:
  explicit FakeMusic(std::vector<std::string>& log) : m_log(log) {}
  bool load(const StringC& file) override {
    m_log.push_back(std::string("load ") + file.getString());
    return true;
  }
  void setTime(std::int32_t ms) override { m_log.push_back("setTime " + std::to_string(ms)); }
  void play() override { m_log.push_back("play"); }
  std::int32_t getTime() override { return 777; }

 private:
  std::vector<std::string>& m_log;
};

}  // namespace

TEST_F(EngineTest, WithMusicTheClockIsTheMusicPosition) {
  m_dir.write("song.ogg", "x");
  std::vector<std::string> log;
  ScriptEngine& engine = load(scriptText({}, "file: song.ogg\noffset: 3000\n"),
                              {nullptr, [&log] { return std::make_unique<FakeMusic>(log); }});
  engine.start();
  EXPECT_EQ(
      log, (std::vector<std::string>{"load " + m_dir.str() + "/song.ogg", "setTime 3000", "play"}));
  EXPECT_EQ(engine.getTime(), 777);
}

TEST(RenderDataSceneDesc, AnimationFramesRunAtThirtyPerSecondAndLoop) {
  struct Case {
    std::int32_t localTime, offset, length;
    float frame;
  };
  // 0.001 has no exact float: 3500 ms give 105.00001 frames before the loop.
  for (const Case c : {Case{0, 0, 1000, 0}, Case{1000, 0, 1000, 30}, Case{0, 2000, 1000, 60},
                       Case{3500, 0, 90, 15}}) {
    RenderData3DDesc desc;
    desc.setTimeOffset(c.offset);
    desc.setTimes(10000 + c.localTime, c.localTime);
    float frame = -1.0f;
    ASSERT_TRUE(desc.animationFrame(c.length, frame));
    EXPECT_NEAR(frame, c.frame, 1e-4f) << c.localTime;
    EXPECT_FALSE(desc.animationFrame(0, frame));
  }
}
