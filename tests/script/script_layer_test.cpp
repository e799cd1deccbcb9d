// Layer time tables: building them from LAYER_MANAGER lines and running them frame by frame.

#include "tests/script/engine_fixture.h"

using Lines = std::vector<std::string>;

namespace {

constexpr std::uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF;

// A 4 x 2 show whose last layer is the frame.
std::map<std::string, std::vector<std::string>> show(std::vector<std::string> operations,
                                                     std::vector<std::string> layers = {
                                                         "desc: screen d"}) {
  return {{"LAYER_DIMENSION", {"desc: d 4 2", "desc: other 2 2", "desc: zero 0 0"}},
          {"SCREEN_LAYER", std::move(layers)},
          {"LAYER_MANAGER", std::move(operations)}};
}

class LayerTest : public EngineTest {
 protected:
  // Renders the frame at `time` and returns its first pixel.
  std::uint32_t pixelAt(std::int32_t time) {
    m_pEngine->setFrameTime(time);
    m_pEngine->render(&m_frame);
    return m_frame.getPixels()[0];
  }

  CImage32Buffered m_frame{4, 2};
};

}  // namespace

TEST_F(LayerTest, TheFirstActiveOperationOfAPositionRuns) {
  loadSections(show({"desc: screen 1 0 100000 c 0 0 0", "desc: screen 2 0 1000 c 255 0 0",
                     "desc: screen 2 500 2000 c 0 255 0"}));
  EXPECT_TRUE(texts().empty());
  EXPECT_EQ(pixelAt(0), kRed);
  EXPECT_EQ(pixelAt(700), kRed);
  EXPECT_EQ(pixelAt(999), kRed);
  EXPECT_EQ(pixelAt(1000), kGreen);
  EXPECT_EQ(pixelAt(1999), kGreen);
  EXPECT_EQ(pixelAt(2000), 0u);
  EXPECT_EQ(pixelAt(-1), m_frame.getPixels()[0]);
  // A span whose end equals its start never runs; lines of unknown layers are ignored silently.
  loadSections(show({"desc: screen 1 0 5000 c 0 0 255", "desc: screen 2 1000 1000 c 255 0 0",
                     "desc: nowhere 3 0 5000 c 255 0 0"}));
  EXPECT_TRUE(texts().empty());
  EXPECT_EQ(pixelAt(1000), kBlue);
}

TEST_F(LayerTest, PositionsRunInIncreasingOrderWhateverTheLineOrder) {
  loadSections(show({"desc: screen 3 0 1000 c 0 0 255", "desc: screen 1 0 1000 c 255 0 0"}));
  EXPECT_EQ(pixelAt(10), kBlue);
  const ScriptLayerManager* pManager = m_pEngine->getLayerManager(0);
  EXPECT_EQ(pManager->getPositionCount(), 3);
  ASSERT_EQ(pManager->getPositions().size(), 2u);
  EXPECT_EQ(pManager->getPositions()[0].m_position, 1);
  EXPECT_EQ(pManager->getPositions()[1].m_position, 3);
}

TEST_F(LayerTest, FillColoursAreAddedNotMasked) {
  loadSections(show({"desc: screen 1 0 1000 c 255 0 255", "desc: screen 1 1000 2000 c 0 0 300",
                     "desc: screen 1 2000 3000 c 1 2"}));
  EXPECT_EQ(pixelAt(0), 0xFF00FFu);
  EXPECT_EQ(pixelAt(1000), 300u);
  // Missing numbers count as 0.
  EXPECT_EQ(pixelAt(2000), 0x010200u);
}

TEST_F(LayerTest, AnUnknownOperationFillsMagentaAndIsReported) {
  loadSections(show({"desc: screen 1 0 1000 x 1 2 3"}));
  EXPECT_EQ(m_reports.lines(), (Lines{"ScriptEngine :|desc: screen 1 0 1000 x 1 2 3",
                                      "ScriptEngine :|can t find operation"}));
  EXPECT_EQ(pixelAt(500), 0xFF00FFu);
}

TEST_F(LayerTest, PositionsBelowOneAreReportedInThePassOfEveryLayer) {
  loadSections(show({"desc: screen 0 0 1000 c 255 0 0", "desc: screen 1 0 1000 c 0 0 255"},
                    {"desc: off other", "desc: screen d"}));
  EXPECT_EQ(texts(), (Lines{"desc: screen 0 0 1000 c 255 0 0", "position must be >= 1",
                            "desc: screen 0 0 1000 c 255 0 0", "position must be >= 1"}));
  EXPECT_EQ(pixelAt(500), kBlue);
}

TEST_F(LayerTest, WritingAScreenLayerCopiesItsBuffer) {
  loadSections(show({"desc: back 1 0 1000 c 0 255 0", "desc: screen 1 0 1000 c 255 0 0",
                     "desc: screen 2 0 1000 w back"},
                    {"desc: back d", "desc: screen d"}));
  EXPECT_TRUE(texts().empty());
  EXPECT_EQ(pixelAt(500), kGreen);
  const CImage32* pBack = m_pEngine->getScreenLayer(0)->getBuffer();
  for (int i = 0; i < 8; ++i)
    EXPECT_EQ(m_frame.getPixels()[i], pBack->getPixels()[i]);
  // Earlier layers are drawn first: "back" changes colour at 1000, the screen copies it at once.
  loadSections(show({"desc: screen 1 0 5000 w back", "desc: back 1 0 1000 c 255 0 0",
                     "desc: back 1 1000 5000 c 0 0 255"},
                    {"desc: back d", "desc: screen d"}));
  EXPECT_EQ(pixelAt(999), kRed);
  EXPECT_EQ(pixelAt(1000), kBlue);
}

TEST_F(LayerTest, TheFrameIsRefusedWhenTheLastLayerHasAnotherSize) {
  loadSections(show({"desc: screen 1 0 1000 c 255 0 0"}, {"desc: screen other"}));
  m_frame.fill(0x123456);
  EXPECT_EQ(pixelAt(500), 0x123456u);
  pixelAt(600);
  EXPECT_EQ(m_reports.lines(),
            (Lines{"ScriptLayerManager :|setDestination: different dimensions !",
                   "ScriptLayerManager :|setDestination: different dimensions !"}));
  // The layer's own buffer was drawn instead.
  EXPECT_EQ(m_pEngine->getScreenLayer(0)->getBuffer()->getPixels()[0], kRed);
}

TEST_F(LayerTest, AWriteOfAMissingSourceIsReportedAtLoadAndAtEveryActiveFrame) {
  loadSections(show({"desc: screen 1 0 1000 w ghost"}));
  EXPECT_EQ(m_reports.lines(),
            Lines{"ScriptEngine :|Can't find SCREEN_LAYER/SPE_LAYER/IMAGE/2D_DESC/3D_DESC/"
                  "SKYBOX_DESC: ghost"});
  m_reports.clear();
  pixelAt(0);
  pixelAt(500);
  pixelAt(1000);
  EXPECT_EQ(m_reports.lines(), (Lines{"ScriptLayerOperationWrite :|m_pRenderData NULL",
                                      "ScriptLayerOperationWrite :|m_pRenderData NULL"}));
}

TEST_F(LayerTest, MissingEffectsAndMixesAreReportedWhenActive) {
  loadSections(show({"desc: screen 1 0 1000 e noeffect", "desc: screen 2 0 1000 m nomix screen",
                     "desc: screen 3 0 1000 m nomix nosource"}));
  // Empty effect and mix descriptor registries are searched silently.
  EXPECT_EQ(texts(), Lines{"Can't find IMAGE/SCREEN_LAYER Ptr: nosource"});
  m_reports.clear();
  pixelAt(0);
  EXPECT_EQ(m_reports.lines(), (Lines{"ScriptLayerOperationEffect :|m_pEffect NULL",
                                      "ScriptLayerOperationMix :|m_pMix NULL",
                                      "ScriptLayerOperationMix :|no src buffer set"}));
}

TEST_F(LayerTest, AScreenLayerWithoutSizeHasNoBuffer) {
  loadSections(show({"desc: screen 1 0 1000 w empty"}, {"desc: empty zero", "desc: screen d"}));
  EXPECT_EQ(m_reports.lines(), Lines{"SCREEN_LAYER empty :|bad dimensions for creating buffer"});
  m_reports.clear();
  pixelAt(0);
  EXPECT_EQ(m_reports.lines(), Lines{"SCREEN_LAYER empty :|m_pBuffer NULL"});
}

TEST_F(LayerTest, AMissingPictureIsReportedAndTheShowGoesOn) {
  auto sections = show({"desc: screen 1 0 1000 c 0 0 255", "desc: screen 2 0 1000 w pic",
                        "desc: screen 3 0 1000 w sky", "desc: screen 4 0 1000 m blend pic"});
  sections["IMAGE"] = {"file: pic missing.bmp"};
  sections["SKYBOX_DESC"] = {"desc: sky NULL d NULL 0"};
  sections["MIX"] = {"desc: b BLIT"};
  sections["MIX_DESC"] = {"desc: blend b NULL NORMAL 0.5 NULL"};
  loadSections(sections);
  EXPECT_EQ(m_reports.lines(), Lines{"CImage32FromData|cant load file missing.bmp"});
  EXPECT_FALSE(quitRequested().has_value());
  m_reports.clear();
  EXPECT_EQ(pixelAt(0), kBlue);
  // The sky box draws nothing, silently; the picture is reported missing at every use.
  EXPECT_EQ(m_reports.lines(), (Lines{"IMAGE pic :|render using m_pBuffer NULL",
                                      "ScriptLayerOperationMix :|no src buffer set"}));
}

TEST_F(LayerTest, NothingIsBuiltWithoutScreenLayersOrOperations) {
  loadSections(show({"desc: screen 1 0 1000 c 255 0 0"}, {}));
  EXPECT_EQ(m_pEngine->getLayerManagerCount(), 0);
  m_frame.fill(7);
  EXPECT_EQ(pixelAt(0), 7u);
  loadSections(show({}));
  EXPECT_EQ(m_pEngine->getLayerManagerCount(), 0);
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
  m_dir.write("show.lscx", scriptText({}, "file: song.ogg\noffset: 3000\n"));
  std::vector<std::string> log;
  ScriptEngine engine(
      ScriptEngineServices{&m_ticks, [&log] { return std::make_unique<FakeMusic>(log); }});
  engine.load(StringC("show.lscx"));
  engine.start();
  EXPECT_EQ(
      log, (std::vector<std::string>{"load " + m_dir.str() + "/song.ogg", "setTime 3000", "play"}));
  EXPECT_EQ(engine.getTime(), 777);
}

TEST(RenderDataSceneDesc, AnimationFramesRunAtThirtyPerSecondAndLoop) {
  RenderData3DDesc desc;
  float frame = -1.0f;
  desc.setTimes(10000, 0);
  ASSERT_TRUE(desc.animationFrame(1000, frame));
  EXPECT_EQ(frame, 0.0f);
  desc.setTimes(11000, 1000);
  desc.animationFrame(1000, frame);
  EXPECT_FLOAT_EQ(frame, 30.0f);
  desc.setTimeOffset(2000);
  desc.setTimes(10000, 0);
  desc.animationFrame(1000, frame);
  EXPECT_FLOAT_EQ(frame, 60.0f);
  desc.setTimeOffset(0);
  desc.setTimes(13500, 3500);
  desc.animationFrame(90, frame);
  // 0.001 has no exact float: 3500 ms give 105.00001 frames before the loop.
  EXPECT_NEAR(frame, 15.0f, 1e-4f);
  EXPECT_FALSE(desc.animationFrame(0, frame));
}

TEST_F(EngineTest, AbsurdLayerSizesAreRefusedNotAllocated) {
  ScriptEngine& engine = loadSections(
      {{"LAYER_DIMENSION", {"desc: wide 100000 2", "desc: negative -4 2", "desc: garbage x2 7"}},
       {"SCREEN_LAYER", {"desc: a wide", "desc: b negative", "desc: c garbage"}}});
  EXPECT_EQ(m_reports.lines(), (Lines{"SCREEN_LAYER a :|bad dimensions for creating buffer",
                                      "SCREEN_LAYER b :|bad dimensions for creating buffer",
                                      "SCREEN_LAYER c :|bad dimensions for creating buffer"}));
  for (int i = 0; i < engine.getScreenLayerCount(); ++i) {
    EXPECT_EQ(engine.getScreenLayer(i)->getBuffer(), nullptr);
  }
}

TEST_F(LayerTest, AMixIntoALayerWithoutBufferIsReported) {
  auto sections = show({"desc: empty 1 0 1000 m blend screen", "desc: empty 2 0 1000 c 1 2 3"},
                       {"desc: empty zero", "desc: screen d"});
  sections["MIX"] = {"desc: b BLIT"};
  sections["MIX_DESC"] = {"desc: blend b NULL NORMAL 1.0 NULL"};
  loadSections(sections);
  m_reports.clear();
  pixelAt(0);
  // The fill of a layer without buffer has nowhere to go and does nothing.
  EXPECT_EQ(m_reports.lines(), Lines{"ScriptLayerOperationMix :|no destination buffer set"});
}
