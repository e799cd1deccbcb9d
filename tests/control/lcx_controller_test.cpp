#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "base/chunk_file.h"
#include "base/report.h"
#include "control/input_device.h"
#include "control/lcx_controller_keyframer.h"
#include "control/lcx_controller_live.h"
#include "control/lcx_controller_manager.h"
#include "control/lcx_controller_noise.h"
#include "control/sound_level_source.h"
#include "control/track_bezier.h"
#include "tests/base/chunk_bytes.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace chunk_bytes;
// Single-precision formulas evaluated in another order than by hand.
constexpr float kTolerance = 1e-5f;

LCXPointList points(std::initializer_list<std::pair<float, float>> list) {
  LCXPointList out;
  for (const auto& [time, value] : list)
    out.push_back({time, value});
  return out;
}

// A keyframer with beats 0 and 1000 and a linear track from (0, 0) to (500, 10).
void makeRampKeyFramer(LCXControllerKeyFramer& keyFramer) {
  const LCXPointList beats = points({{0, 0}, {1000, 0}});
  const LCXPointList keys = points({{0, 0}, {500, 10}});
  keyFramer.createBeatPosition(&beats);
  keyFramer.createInterpolationModelLinear(&keys);
}

float valueAt(LCXController& controller, float time) {
  controller.setUpdate(1);
  return controller.getValue(time);
}

class FakeDevice final : public InputDevice {
 public:
  void poll() override {}
  int32_t getButton(int32_t index) const override {
    return index >= 0 && index < 3 ? m_button[index] : 0;
  }
  void getPosition(int32_t& x, int32_t& y, int32_t& z) const override {
    x = m_x;
    y = m_y;
    z = m_z;
  }
  int32_t m_x = 7, m_y = -3, m_z = 2;
  int32_t m_button[3] = {1, 0, 1};
};

class FakeLevel final : public SoundLevelSource {
 public:
  float getVU() override {
    ++m_nbRead;
    return m_level;
  }
  float m_level = 0.25f;
  int m_nbRead = 0;
};

// --- Keyframer --------------------------------------------------------------------------------

TEST(LCXKeyFramer, BeatsRestartTheCurveAndAccumulationAddsTheLastKey) {
  LCXControllerKeyFramer keyFramer;
  makeRampKeyFramer(keyFramer);
  EXPECT_FLOAT_EQ(valueAt(keyFramer, 250), 5.0f);
  EXPECT_FLOAT_EQ(valueAt(keyFramer, 1250), 5.0f);
  EXPECT_FLOAT_EQ(valueAt(keyFramer, 999), 10.0f);  // past the last key: its value
  EXPECT_FLOAT_EQ(valueAt(keyFramer, 1000), 0.0f);  // on a beat the curve restarts
  keyFramer.setAccumulate(1);
  EXPECT_FLOAT_EQ(keyFramer.getLastKeyValue(), 10.0f);
  EXPECT_FLOAT_EQ(valueAt(keyFramer, 250), 5.0f);
  EXPECT_FLOAT_EQ(valueAt(keyFramer, 1250), 15.0f);
  EXPECT_FLOAT_EQ(valueAt(keyFramer, 1000), 10.0f);  // on a beat: j = 1, local time 0
  EXPECT_FLOAT_EQ(valueAt(keyFramer, 9000), 20.0f);  // j stays at the last beat

  const LCXPointList threeBeats = points({{0, 0}, {1000, 0}, {2000, 0}});
  keyFramer.createBeatPosition(&threeBeats);
  EXPECT_FLOAT_EQ(valueAt(keyFramer, 2250), 25.0f);
}

TEST(LCXKeyFramer, BeforeTheFirstBeatTheFirstKeyHolds) {
  LCXControllerKeyFramer keyFramer;
  const LCXPointList beats = points({{200, 0}, {1000, 0}});
  const LCXPointList keys = points({{0, 3}, {500, 13}});
  keyFramer.createBeatPosition(&beats);
  keyFramer.createInterpolationModelLinear(&keys);
  keyFramer.setAccumulate(1);
  EXPECT_FLOAT_EQ(valueAt(keyFramer, 100), 3.0f);  // local time -100, j = 0
  EXPECT_FLOAT_EQ(valueAt(keyFramer, 450), 8.0f);  // local 250
}

TEST(LCXKeyFramer, WithoutBeatsOrTrackTheValueIsZero) {
  ReportCapture capture;
  LCXControllerKeyFramer noTrack;
  const LCXPointList beats = points({{0, 0}});
  noTrack.createBeatPosition(&beats);
  EXPECT_EQ(valueAt(noTrack, 100), 0.0f);

  LCXControllerKeyFramer noBeat;
  const LCXPointList keys = points({{0, 4}, {10, 4}});
  noBeat.createInterpolationModelLinear(&keys);
  EXPECT_EQ(valueAt(noBeat, 5), 0.0f);
  EXPECT_TRUE(capture.reports().empty());
}

TEST(LCXKeyFramer, ValueIsComputedOncePerFrame) {
  LCXControllerKeyFramer keyFramer;
  makeRampKeyFramer(keyFramer);
  keyFramer.setAccumulate(1);
  EXPECT_EQ(keyFramer.getUpdate(), 1);  // stale from construction
  EXPECT_FLOAT_EQ(keyFramer.getValue(250), 5.0f);
  EXPECT_EQ(keyFramer.getUpdate(), 0);
  EXPECT_FLOAT_EQ(keyFramer.getValue(1250), 5.0f);  // same frame: the first result
  keyFramer.setUpdate(1);
  EXPECT_FLOAT_EQ(keyFramer.getValue(1250), 15.0f);
}

TEST(LCXKeyFramer, ConstructionFromPoints) {
  ReportCapture capture;
  LCXControllerKeyFramer keyFramer;
  keyFramer.createBeatPosition(nullptr);
  keyFramer.createInterpolationModelLinear(nullptr);
  keyFramer.createInterpolationModelHermite(nullptr);
  keyFramer.createInterpolationModelBezier(nullptr);
  EXPECT_EQ(capture.lines(),
            (std::vector<std::string>{
                "LCXControllerKeyFramer|createBeatPosition: pPoint NULL",
                "LCXControllerKeyFramer|createInterpolationModelLinear: pPoint NULL",
                "LCXControllerKeyFramer|createInterpolationModelHermite: pPoint NULL",
                "LCXControllerKeyFramer|createInterpolationModelBezier: pPoint NULL"}));
  EXPECT_EQ(keyFramer.getTrackManager().getTrack(), nullptr);

  // Hermite over (0, 0), (1, 1), (2, 0), (3, 1): at 0.5, s = 0.5, m0 = 0.5, m1 = 0:
  // 0.5 * 0 + 0.125 * 0.5 + 0.5 * 1 - 0.125 * 0 = 0.5625.
  const LCXPointList beat = points({{0, 0}});
  const LCXPointList keys = points({{0, 0}, {1, 1}, {2, 0}, {3, 1}});
  keyFramer.createBeatPosition(&beat);
  keyFramer.createInterpolationModelLinear(&keys);
  EXPECT_FLOAT_EQ(valueAt(keyFramer, 0.5f), 0.5f);
  keyFramer.createInterpolationModelHermite(&keys);
  EXPECT_EQ(keyFramer.getTrackManager().getTrack()->getType(), TrackType::Hermite);
  EXPECT_NEAR(valueAt(keyFramer, 0.5f), 0.5625f, kTolerance);

  // An empty list changes nothing.
  const LCXPointList empty;
  keyFramer.createInterpolationModelBezier(&empty);
  EXPECT_EQ(keyFramer.getTrackManager().getTrack()->getType(), TrackType::Hermite);
  EXPECT_FLOAT_EQ(keyFramer.getLastKeyValue(), 1.0f);
  // Step keys hold their value over the segment.
  LCXPointList step = points({{0, 2}, {100, 6}});
  for (LCXKeyPoint& point : step)
    point.inType = point.outType = static_cast<uint16_t>(TrackTangent::Step);
  keyFramer.createInterpolationModelBezier(&step);
  EXPECT_EQ(keyFramer.getTrackManager().getTrack()->getType(), TrackType::Bezier);
  EXPECT_FLOAT_EQ(valueAt(keyFramer, 50), 2.0f);
  EXPECT_FLOAT_EQ(keyFramer.getLastKeyValue(), 6.0f);
  EXPECT_EQ(capture.reports().size(), 4u);
}

// --- Noise ------------------------------------------------------------------------------------

TEST(LCXNoise, HalfwayBetweenLatticePointsByHand) {
  LCXControllerNoise noise;
  noise.setSeed(-1);  // AND 511 gives 511
  noise.setFrequency(1.0f);
  noise.setStrength(2.0f);
  const Perlin& perlin = noise.getNoise();
  // t = 100: x = P[511] + 0.5; x' = x + 10000, f = 0.5, s = 0.5,
  // noise = 0.5 * (0.5 g0) + 0.5 * (-0.5 g1) = 0.25 (g0 - g1).
  const int32_t b = (perlin.permutation(511) + 10000) & Perlin::kTableMask;
  const float g0 = perlin.gradient1(perlin.permutation(b));
  const float g1 = perlin.gradient1(perlin.permutation((b + 1) & Perlin::kTableMask));
  const float expected = 2.0f * 0.25f * (g0 - g1);
  EXPECT_NEAR(valueAt(noise, 100), expected, kTolerance);
  EXPECT_EQ(valueAt(noise, 0), 0.0f);    // on a lattice point
  EXPECT_EQ(valueAt(noise, 200), 0.0f);  // x = P + 1

  // Fractal: every octave after the first lands on a lattice point, weight 1 for the first.
  noise.setFractal(true);
  EXPECT_NEAR(valueAt(noise, 100), expected, kTolerance);
  noise.setPositiveOnly(true);
  EXPECT_NEAR(valueAt(noise, 100), std::fabs(expected), kTolerance);
}

TEST(LCXNoise, PositiveOnlyAndZeroStrength) {
  LCXControllerNoise noise;
  noise.setPositiveOnly(true);
  noise.setFractal(true);
  bool sawPositive = false;
  for (int i = 0; i < 2000; ++i) {
    const float value = valueAt(noise, static_cast<float>(i) * 37.3f);
    EXPECT_GE(value, 0.0f);
    sawPositive = sawPositive || value > 0.0f;
  }
  EXPECT_TRUE(sawPositive);
  noise.setStrength(0.0f);
  for (int i = 0; i < 100; ++i)
    EXPECT_EQ(valueAt(noise, static_cast<float>(i) * 91.7f), 0.0f);
}

// --- Live kinds -------------------------------------------------------------------------------

TEST(LCXLive, InputChannelsAndNoDevice) {
  LCXControllerInput input;
  EXPECT_EQ(input.getValue(0), -1.0f);
  FakeDevice device;
  input.setInputDevice(&device);
  const float expected[] = {7, -3, 2, 1, 0, 1};
  for (uint16_t channel = 0; channel < 6; ++channel) {
    input.setChannel(channel);
    EXPECT_EQ(valueAt(input, 0), expected[channel]) << channel;
  }
  input.setChannel(6);
  EXPECT_EQ(valueAt(input, 0), -1.0f);

  input.setChannel(0);
  EXPECT_EQ(valueAt(input, 0), 7.0f);
  device.m_x = 40;
  EXPECT_EQ(input.getValue(10), 7.0f);  // read once per frame
  EXPECT_EQ(valueAt(input, 10), 40.0f);
}

TEST(LCXLive, SoundLevelReadOncePerFrame) {
  LCXControllerSound sound;
  EXPECT_EQ(sound.getValue(0), -1.0f);
  FakeLevel level;
  sound.setSoundSource(&level);
  EXPECT_EQ(sound.getValue(0), 0.25f);
  level.m_level = 0.75f;
  EXPECT_EQ(sound.getValue(40), 0.25f);
  EXPECT_EQ(level.m_nbRead, 1);
  EXPECT_EQ(valueAt(sound, 80), 0.75f);
  EXPECT_EQ(level.m_nbRead, 2);
}

// --- Manager: create, save and load -----------------------------------------------------------

TEST(LCXManager, CreateByType) {
  ReportCapture capture;
  LCXControllerManager manager;
  for (int32_t type = 1; type <= 4; ++type) {
    ASSERT_NE(manager.createController(type), nullptr);
    EXPECT_EQ(static_cast<int32_t>(manager.getController()->getType()), type);
    EXPECT_EQ(manager.getController()->getName(), "NULL");
    EXPECT_EQ(manager.getController()->getUpdate(), 1);
  }
  EXPECT_EQ(manager.createController(5), nullptr);
  EXPECT_EQ(manager.getController(), nullptr);
  manager.createController(0);
  EXPECT_EQ(capture.lines(),
            (std::vector<std::string>{"LCXControllerManager|unknow controller type: 5",
                                      "LCXControllerManager|unknow controller type: 0"}));
}

class LCXRoundTrip : public ::testing::TestWithParam<std::uint8_t> {
 protected:
  // Saves the manager's controller in the parameter's form and loads it into a new manager.
  LCXController* roundTrip(const LCXControllerManager& manager) {
    const StringC file((m_dir.path() / "c.lcx").string());
    EXPECT_TRUE(manager.save(file, GetParam()));
    EXPECT_EQ(readFile(m_dir.path() / "c.lcx").at(0), GetParam());
    EXPECT_TRUE(m_loaded.load(file));
    return m_loaded.getController();
  }
  TempDir m_dir;
  LCXControllerManager m_loaded;
};

TEST_P(LCXRoundTrip, KeyFramer) {
  ReportCapture capture;
  LCXControllerManager manager;
  auto* pSaved = static_cast<LCXControllerKeyFramer*>(manager.createController(3));
  makeRampKeyFramer(*pSaved);
  pSaved->setAccumulate(1);
  auto* pLoaded = dynamic_cast<LCXControllerKeyFramer*>(roundTrip(manager));
  ASSERT_NE(pLoaded, nullptr);
  EXPECT_EQ(pLoaded->getBeatPosition(), (std::vector<float>{0, 1000}));
  EXPECT_EQ(pLoaded->getAccumulate(), 1);
  EXPECT_FLOAT_EQ(pLoaded->getLastKeyValue(), 10.0f);
  EXPECT_FLOAT_EQ(valueAt(*pLoaded, 1250), 15.0f);

  // Bezier keys keep their tangent types; a keyframer without a track has no track chunk.
  LCXPointList keys = points({{0, 1}, {100, 5}});
  keys[0].outType = keys[1].inType = static_cast<uint16_t>(TrackTangent::Step);
  pSaved->createInterpolationModelBezier(&keys);
  pLoaded = dynamic_cast<LCXControllerKeyFramer*>(roundTrip(manager));
  ASSERT_NE(pLoaded, nullptr);
  const auto* pBezier = pLoaded->getTrackManager().getTrackAs<TrackBezier>();
  ASSERT_NE(pBezier, nullptr);
  EXPECT_EQ(pBezier->getKey(1).inType, static_cast<uint16_t>(TrackTangent::Step));
  EXPECT_FLOAT_EQ(valueAt(*pLoaded, 1050), 1.0f + 5.0f);

  pSaved->getTrackManager().deleteTrack();
  pLoaded = dynamic_cast<LCXControllerKeyFramer*>(roundTrip(manager));
  ASSERT_NE(pLoaded, nullptr);
  EXPECT_EQ(pLoaded->getTrackManager().getTrack(), nullptr);
  EXPECT_EQ(pLoaded->getLastKeyValue(), 0.0f);
  EXPECT_TRUE(capture.reports().empty());
}

TEST_P(LCXRoundTrip, Noise) {
  LCXControllerManager manager;
  auto* pSaved = static_cast<LCXControllerNoise*>(manager.createController(4));
  pSaved->setSeed(-42);
  pSaved->setFractal(true);
  pSaved->setPositiveOnly(true);
  pSaved->setFrequency(1.5f);
  pSaved->setRoughness(0.25f);
  pSaved->setStrength(-2.0f);
  auto* pLoaded = dynamic_cast<LCXControllerNoise*>(roundTrip(manager));
  ASSERT_NE(pLoaded, nullptr);
  EXPECT_EQ(pLoaded->getSeed(), -42);
  EXPECT_TRUE(pLoaded->getFractal());
  EXPECT_TRUE(pLoaded->getPositiveOnly());
  EXPECT_EQ(pLoaded->getFrequency(), 1.5f);
  EXPECT_EQ(pLoaded->getRoughness(), 0.25f);
  EXPECT_EQ(pLoaded->getStrength(), -2.0f);
}

TEST_P(LCXRoundTrip, InputAndSoundWithRecordingSettings) {
  LCXControllerManager manager;
  auto* pInput = static_cast<LCXControllerInput*>(manager.createController(1));
  pInput->setChannel(4);
  LCXControllerRecorded::RecordingSettings settings;
  settings.recording = 1;
  settings.fileName = "data\\lcx\\take.lcx";
  settings.step = 20;
  settings.startTime = 100;
  settings.endTime = 5000;
  settings.scale = 2.5f;
  pInput->setRecordingSettings(settings);
  auto* pLoadedInput = dynamic_cast<LCXControllerInput*>(roundTrip(manager));
  ASSERT_NE(pLoadedInput, nullptr);
  EXPECT_EQ(pLoadedInput->getChannel(), 4);
  const auto& loaded = pLoadedInput->getRecordingSettings();
  EXPECT_EQ(loaded.recording, 1);
  EXPECT_EQ(loaded.fileName, "data\\lcx\\take.lcx");
  EXPECT_EQ(loaded.step, 20);
  EXPECT_EQ(loaded.startTime, 100);
  EXPECT_EQ(loaded.endTime, 5000);
  EXPECT_EQ(loaded.scale, 2.5f);

  manager.createController(2);
  auto* pLoadedSound = dynamic_cast<LCXControllerSound*>(roundTrip(manager));
  ASSERT_NE(pLoadedSound, nullptr);
  const auto& defaults = pLoadedSound->getRecordingSettings();
  EXPECT_EQ(defaults.recording, 0);
  EXPECT_EQ(defaults.fileName, "NULL");
  EXPECT_EQ(defaults.step, 10);
  EXPECT_EQ(defaults.startTime, 0);
  EXPECT_EQ(defaults.endTime, 10000);
  EXPECT_EQ(defaults.scale, 1.0f);
}

INSTANTIATE_TEST_SUITE_P(PlainAndPacked, LCXRoundTrip,
                         ::testing::Values(ChunkFile::kPlain, ChunkFile::kPacked));

TEST(LCXManager, SavedKeyFramerBytes) {
  TempDir dir;
  LCXControllerManager manager;
  auto* pKeyFramer = static_cast<LCXControllerKeyFramer*>(manager.createController(3));
  const LCXPointList beats = points({{0, 0}, {1000, 0}});
  pKeyFramer->createBeatPosition(&beats);
  const StringC file((dir.path() / "k.lcx").string());
  ASSERT_TRUE(manager.save(file));
  const Bytes expected = plainFile(
      chunk(1, {chunk(2, {intField(3), chunk(10, {intField(2), floatField(0), floatField(1000)}),
                          chunk(12, {intField(0)})})}));
  EXPECT_EQ(readFile(dir.path() / "k.lcx"), expected);
}

// --- Broken and unusual files -----------------------------------------------------------------

LCXControllerManager loadBytes(const Bytes& bytes, ReportCapture& capture) {
  capture.clear();
  LCXControllerManager manager;
  manager.load(bytes, StringC("test.lcx"));
  return manager;
}

TEST(LCXManagerLoad, ChildrenInAnyOrderUnknownOnesPassedOverLastControllerWins) {
  ReportCapture capture;
  const Bytes noiseChunk =
      chunk(2, {intField(4), chunk(10, {chunk(105, {floatField(3.0f)}), chunk(999, {intField(1)}),
                                        chunk(102, {Bytes{2}}), chunk(100, {intField(77)})})});
  const Bytes keyFramerChunk = chunk(2, {intField(3), chunk(12, {intField(1)})});
  LCXControllerManager manager =
      loadBytes(plainFile(chunk(1, {keyFramerChunk, chunk(7, {}), noiseChunk})), capture);
  auto* pNoise = dynamic_cast<LCXControllerNoise*>(manager.getController());
  ASSERT_NE(pNoise, nullptr);
  EXPECT_EQ(pNoise->getStrength(), 3.0f);
  EXPECT_TRUE(pNoise->getPositiveOnly());  // any byte but 0
  EXPECT_EQ(pNoise->getSeed(), 77);
  EXPECT_EQ(pNoise->getFrequency(), 0.55f);  // not in the file: the default
  EXPECT_TRUE(capture.reports().empty());
}

TEST(LCXManagerLoad, WrongFilesAreReportedAndNothingIsKept) {
  ReportCapture capture;
  EXPECT_EQ(loadBytes(plainFile(chunk(3, {chunk(2, {intField(4)})})), capture).getController(),
            nullptr);
  EXPECT_EQ(capture.lines(), std::vector<std::string>{"LCXControllerManager|not a lcx file"});

  EXPECT_EQ(loadBytes(plainFile(chunk(1, {chunk(2, {intField(9)})})), capture).getController(),
            nullptr);
  EXPECT_EQ(capture.lines(),
            std::vector<std::string>{"LCXControllerManager|unknow controller type: 9"});

  // Beat counts that the chunk cannot hold.
  for (const int32_t count : {1000000, -1, 2}) {
    const Bytes file =
        plainFile(chunk(1, {chunk(2, {intField(3), chunk(10, {intField(count), floatField(1)})})}));
    EXPECT_EQ(loadBytes(file, capture).getController(), nullptr) << count;
    EXPECT_EQ(capture.lines(),
              std::vector<std::string>{"ChunkFileReaderManager: |LCXControllerKeyFramer load: the "
                                       "beat count " +
                                       std::to_string(count) +
                                       " is more than the beat chunk holds! fileName: test.lcx"});
  }

  // A field read past its chunk: the type int in a 2-byte chunk.
  const Bytes shortType = plainFile(chunk(1, {chunk(2, {Bytes{3, 0}})}));
  EXPECT_EQ(loadBytes(shortType, capture).getController(), nullptr);
  EXPECT_EQ(capture.reports().size(), 1u);

  TempDir dir;
  LCXControllerManager manager;
  manager.createController(4);
  EXPECT_FALSE(manager.load(StringC((dir.path() / "missing.lcx").string())));
  EXPECT_EQ(manager.getController(), nullptr);
}

TEST(LCXManagerLoad, EveryTruncationOfEveryKindFails) {
  TempDir dir;
  for (int32_t type = 1; type <= 4; ++type) {
    LCXControllerManager manager;
    LCXController* pController = manager.createController(type);
    if (auto* pKeyFramer = dynamic_cast<LCXControllerKeyFramer*>(pController))
      makeRampKeyFramer(*pKeyFramer);
    const std::filesystem::path path = dir.path() / "t.lcx";
    ASSERT_TRUE(manager.save(StringC(path.string())));
    const Bytes whole = readFile(path);
    ReportCapture capture;
    ASSERT_NE(loadBytes(whole, capture).getController(), nullptr);
    for (std::size_t size = 0; size < whole.size(); ++size) {
      const Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size));
      EXPECT_EQ(loadBytes(cut, capture).getController(), nullptr) << type << " " << size;
      EXPECT_EQ(capture.reports().size(), 1u) << type << " " << size;
    }
  }
}

// Seeds the fuzz corpus: LCX_WRITE_CORPUS=<folder> writes one small valid file per kind and form.
TEST(LCXCorpus, WriteWhenAsked) {
  const char* pFolder = std::getenv("LCX_WRITE_CORPUS");
  if (!pFolder) GTEST_SKIP() << "set LCX_WRITE_CORPUS to a folder to write the fuzz corpus";
  const std::filesystem::path folder(pFolder);
  std::filesystem::create_directories(folder);
  for (const std::uint8_t form : {ChunkFile::kPlain, ChunkFile::kPacked}) {
    const std::string suffix = form == ChunkFile::kPlain ? "_plain.lcx" : "_packed.lcx";
    LCXControllerManager manager;
    auto* pKeyFramer = static_cast<LCXControllerKeyFramer*>(manager.createController(3));
    makeRampKeyFramer(*pKeyFramer);
    pKeyFramer->setAccumulate(1);
    EXPECT_TRUE(manager.save(StringC((folder / ("keyframer_linear" + suffix)).string()), form));
    const LCXPointList keys = points({{0, 1}, {250, -2}, {600, 4}});
    pKeyFramer->createInterpolationModelBezier(&keys);
    EXPECT_TRUE(manager.save(StringC((folder / ("keyframer_bezier" + suffix)).string()), form));
    auto* pNoise = static_cast<LCXControllerNoise*>(manager.createController(4));
    pNoise->setFractal(true);
    EXPECT_TRUE(manager.save(StringC((folder / ("noise" + suffix)).string()), form));
    auto* pInput = static_cast<LCXControllerInput*>(manager.createController(1));
    pInput->setChannel(3);
    EXPECT_TRUE(manager.save(StringC((folder / ("input" + suffix)).string()), form));
    manager.createController(2);
    EXPECT_TRUE(manager.save(StringC((folder / ("sound" + suffix)).string()), form));
  }
}

}  // namespace
