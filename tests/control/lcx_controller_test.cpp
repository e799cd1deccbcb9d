// The .lcx controller kinds at work: keyframe curves over beats, noise and the live sources
// read once per frame.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "control/lcx_controller_live.h"
#include "control/lcx_controller_noise.h"
#include "control/sound_level_source.h"
#include "control/track_bezier.h"
#include "tests/control/control_test_util.h"

namespace {

using namespace control_test;

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
  struct Case {
    LCXPointList beats;
    int32_t accumulate;
    float time, value;
  };
  const LCXPointList two = {{0, 0}, {1000, 0}}, none;
  // Keys (0, 2) and (500, 12).
  const Case cases[] = {
      {two, 0, 250, 7},
      {two, 0, 1250, 7},
      {two, 0, 999, 12},  // past the last key: its value
      {two, 0, 1000, 2},  // on a beat the curve restarts
      {two, 1, 1250, 19},
      {two, 1, 1000, 14},                  // j = 1, local time 0
      {two, 1, 9000, 24},                  // j stays at the last beat
      {{{200, 0}, {1000, 0}}, 1, 100, 2},  // before the first beat: local -100, j = 0
      {none, 0, 5, 0},                     // no beat: 0
  };
  for (const Case& c : cases) {
    LCXControllerKeyFramer keyFramer;
    const LCXPointList keys = {{0, 2}, {500, 12}};
    if (!c.beats.empty()) keyFramer.createBeatPosition(&c.beats);
    keyFramer.createInterpolationModelLinear(&keys);
    keyFramer.setAccumulate(c.accumulate);
    EXPECT_FLOAT_EQ(valueAt(keyFramer, c.time), c.value) << c.time << " " << c.accumulate;
  }
  // No track: 0.
  LCXControllerKeyFramer noTrack;
  const LCXPointList beats = {{0, 0}};
  noTrack.createBeatPosition(&beats);
  EXPECT_EQ(valueAt(noTrack, 100), 0.0f);
}

TEST(LCXKeyFramer, ValueIsComputedOncePerFrame) {
  LCXControllerKeyFramer keyFramer;
  makeRampKeyFramer(keyFramer);
  keyFramer.setAccumulate(1);
  EXPECT_FLOAT_EQ(keyFramer.getValue(250), 5.0f);   // stale from construction
  EXPECT_FLOAT_EQ(keyFramer.getValue(1250), 5.0f);  // same frame: the first result
  keyFramer.setUpdate(1);
  EXPECT_FLOAT_EQ(keyFramer.getValue(1250), 15.0f);
}

TEST(LCXKeyFramer, ConstructionFromPoints) {
  ReportCapture capture;
  LCXControllerKeyFramer keyFramer;
  const LCXPointList beat = {{0, 0}};
  // The Hermite curve through these keys is pinned in the track tests: 0.5625 at 0.5.
  const LCXPointList keys = {{0, 0}, {1, 1}, {2, 0}, {3, 1}};
  LCXPointList step = {{0, 2}, {100, 6}};
  for (LCXKeyPoint& point : step)
    point.inType = point.outType = static_cast<uint16_t>(TrackTangent::Step);
  keyFramer.createBeatPosition(&beat);
  const auto track = [&] { return keyFramer.getTrackManager().getTrack()->getType(); };
  keyFramer.createInterpolationModelLinear(&keys);
  EXPECT_FLOAT_EQ(valueAt(keyFramer, 0.5f), 0.5f);
  keyFramer.createInterpolationModelHermite(&keys);
  EXPECT_EQ(track(), TrackType::Hermite);
  EXPECT_NEAR(valueAt(keyFramer, 0.5f), 0.5625f, kTolerance);
  // Step keys hold their value over the segment.
  keyFramer.createInterpolationModelBezier(&step);
  EXPECT_EQ(std::pair(track(), keyFramer.getLastKeyValue()), std::pair(TrackType::Bezier, 6.0f));
  EXPECT_FLOAT_EQ(valueAt(keyFramer, 50), 2.0f);
  EXPECT_TRUE(capture.reports().empty());
}

// --- Noise ------------------------------------------------------------------------------------

// x = P[seed AND 511] + t frequency 0.005, then noise1 or the fractal sum with H = 1 - roughness;
// values from perlin_reference.py, which rounds each step to float as the controller does (the
// octave weights' pow may be an ulp off: EXPECT_FLOAT_EQ allows 4).
TEST(LCXNoise, ReadsTheNoiseAtTheSeedsTableEntryPlusScaledTime) {
  struct Case {
    int32_t seed;
    float time, frequency, strength;
    bool fractal;
    float roughness, value;
  };
  const Case cases[] = {
      // AND 511 gives 511, P[511] = 65: x = 65.5, and 66 (a lattice point) at 200 ms.
      {-1, 100, 1, 2, false, 0.125f, -0.40625f},
      {-1, 200, 1, 2, false, 0.125f, 0},
      // x = P[37] + 3.3935 = 170.3935: no octave falls on a lattice point, so the weights count
      // (with H = roughness the two would swap).
      {37, 1234, 0.55f, 3, true, 0.3f, -1.25913393f},
      {37, 1234, 0.55f, 3, true, 0.7f, -1.02701902f},
      {300, 777, 0.9f, 1.5f, true, 0.125f, 0.267155439f},  // H = 0.875, the default weights
  };
  for (const Case& c : cases) {
    LCXControllerNoise noise;
    noise.setSeed(c.seed);
    noise.setFrequency(c.frequency);
    noise.setStrength(c.strength);
    noise.setFractal(c.fractal);
    noise.setRoughness(c.roughness);
    EXPECT_FLOAT_EQ(valueAt(noise, c.time), c.value) << c.seed << " " << c.time;
    noise.setPositiveOnly(true);
    EXPECT_FLOAT_EQ(valueAt(noise, c.time), std::fabs(c.value)) << c.seed << " " << c.time;
  }
}

// --- Live kinds: -1 without a source, the source read once per frame --------------------------

TEST(LCXLive, InputChannelsAndSoundLevel) {
  LCXControllerInput input;
  LCXControllerSound sound;
  EXPECT_EQ(std::pair(input.getValue(0), sound.getValue(0)), std::pair(-1.0f, -1.0f));
  FakeDevice device;
  input.setInputDevice(&device);
  const float expected[] = {7, -3, 2, 1, 0, 1, -1};  // x, y, z, three buttons, nothing
  for (uint16_t channel = 0; channel < 7; ++channel) {
    input.setChannel(channel);
    EXPECT_EQ(valueAt(input, 0), expected[channel]) << channel;
  }
  input.setChannel(0);
  EXPECT_EQ(valueAt(input, 0), 7.0f);
  device.setX(40);
  EXPECT_EQ((std::pair{input.getValue(10), valueAt(input, 10)}), std::pair(7.0f, 40.0f));

  FakeLevel level;
  sound.setSoundSource(&level);
  EXPECT_EQ(sound.getValue(0), 0.25f);
  level.m_level = 0.75f;
  EXPECT_EQ((std::pair{sound.getValue(40), level.m_nbRead}), std::pair(0.25f, 1));
  EXPECT_EQ((std::pair{valueAt(sound, 80), level.m_nbRead}), std::pair(0.75f, 2));
}

}  // namespace
