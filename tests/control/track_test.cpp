// Tracks: the value curves against their formulas worked by hand, and the track chunk written and
// read back, broken, empty or cut.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "base/chunk_file.h"
#include "base/chunk_file_reader.h"
#include "base/chunk_file_writer.h"
#include "control/track_bezier.h"
#include "control/track_curve.h"
#include "control/track_manager.h"
#include "control/track_rotation.h"
#include "tests/control/control_test_util.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace control_test;
using T = TrackTangent;
using std::tuple;
using TimeValues = std::vector<std::pair<float, float>>;
constexpr float kPi = 3.14159265358979f;
// The numbers of track_reference.py are worked in double; the tracks compute in float, 6e-8
// relative per step. Values and tangents up to 25 came within 2e-6 (two ulps at 16), rotation
// components (at most 1, through acos and sin) within 1.2e-7. Ten times that; the faults these
// cases are made for (a swapped time factor, a dropped weight) move some number by 0.02 or more.
constexpr float kTcbTolerance = 2e-5f;
constexpr float kRotationTolerance = 2e-6f;

template <class Track, class Key>
Track& setKeys(Track& track, const std::vector<Key>& keys) {
  EXPECT_TRUE(track.createKey(static_cast<int32_t>(keys.size())));
  for (std::size_t i = 0; i < keys.size(); ++i)
    track.setKey(static_cast<int32_t>(i), keys[i]);
  track.prepare();
  return track;
}

// The value of `track` at each time.
template <class Track>
void expectValues(const Track& track, const TimeValues& expected, float tolerance = kTolerance) {
  for (const auto& [time, value] : expected)
    EXPECT_NEAR(track.getValue(time), value, tolerance) << "at " << time;
}

// A rotation of `angle` about z, as x, y, z, w.
void expectTurnAboutZ(const Quaternion& q, float angle) {
  EXPECT_NEAR(q.x, 0.0f, kTolerance);
  EXPECT_NEAR(q.y, 0.0f, kTolerance);
  EXPECT_NEAR(q.z, std::sin(angle / 2), kTolerance);
  EXPECT_NEAR(q.w, std::cos(angle / 2), kTolerance);
}

TrackKeyBezier bezierKey(float time, float value, T in, T out) {
  return {time, value, static_cast<uint16_t>(in), static_cast<uint16_t>(out)};
}
// Both sides of every key of one type.
std::vector<TrackKeyBezier> bezierKeys(const TimeValues& keys, T type) {
  std::vector<TrackKeyBezier> out;
  for (const auto& [time, value] : keys)
    out.push_back(bezierKey(time, value, type, type));
  return out;
}
TrackKeyRotationTCB rotationKey(float time, float angle) {
  return {time, {0, 0, 1}, angle};
}

// --- Float and point curves -------------------------------------------------------------------

TEST(TrackCurve, LinearInterpolatesAndHoldsTheEnds) {
  TrackFloatLinear track;
  setKeys(track, std::vector<TrackKey<float>>{{0, 0}, {100, 10}});
  expectValues(track, {{25, 2.5f}, {-5, 0}, {150, 10}, {100, 10}});
  // Two keys at one time: the later one is taken at that time.
  setKeys(track, std::vector<TrackKey<float>>{{0, 0}, {50, 5}, {50, 7}, {100, 10}});
  expectValues(track, {{50, 7}});
  TrackPoint3DLinear points;
  setKeys(points, std::vector<TrackKey<Point3D>>{{0, {0, 10, -4}}, {100, {10, 20, 4}}});
  EXPECT_EQ(points.getValue(25), (Point3D{2.5f, 12.5f, -2.0f}));

  ReportCapture capture;
  setKeys(track, std::vector<TrackKey<float>>{{40, 3}});
  expectValues(track, {{-100, 3}, {1e6f, 3}});
  // A NaN time falls on the last segment, whose interval is 0 here.
  setKeys(track, std::vector<TrackKey<float>>{{0, 0}, {100, 5}, {100, 10}});
  track.getValue(std::numeric_limits<float>::quiet_NaN());
  EXPECT_EQ(capture.lines(), Lines{"Track|interval equal to 0"});
}

TEST(TrackCurve, HermiteTakesUniformCatmullRomTangents) {
  TrackFloatHermite track;
  // m0 = 0.5 (the first key stands in for its neighbour), m1 = 0: 0.125 * 0.5 + 0.5 = 0.5625;
  // at 1.25, s = 0.25 between 1 and 0, both tangents 0: h00 = 0.84375.
  setKeys(track, std::vector<TrackKey<float>>{{0, 0}, {1, 1}, {2, 0}, {3, 1}});
  expectValues(track, {{0.5f, 0.5625f}, {1.25f, 0.84375f}, {2, 0}});
}

TEST(TrackCurve, TcbTangentsAndEase) {
  using Key = TrackKeyTCB<float>;  // time, value, bias, continuity, tension, ease from, ease to
  TrackFloatTCB track;
  // Two keys: tangents (v1 - v0)(1 - tension) = 10 each, so the segment is 10 u.
  setKeys(track, std::vector<Key>{{0, 0}, {100, 10}});
  expectValues(track, {{25, 2.5f}});
  setKeys(track, std::vector<Key>{{0, 0, 0, 0, 0, 1, 0}, {100, 10, 0, 0, 0, 0, 1}});
  expectValues(track, {{25, 1.25f}, {75, 8.75f}, {100, 10}});  // u = 2 s^2, 1 - 2 (1 - s)^2

  // Uneven intervals (100, 300, 100), so each interior key's two time factors differ; continuity,
  // tension and bias on both interior keys; end tangents whose time term 0.25 - 100 / 800 is not
  // 0.5 - 0.25 and whose spans A are not 0. Ease: none on the first segment, 0.3 + 0.5 on the
  // second, 0.8 + 0.6 (scaled to 1) on the last. Numbers from track_reference.py.
  setKeys(track, std::vector<Key>{{0, 0, 0, 0, 0.2f},
                                  {100, 10, -0.25f, 0.3f, 0.2f, 0.3f},
                                  {400, -5, 0.6f, -0.4f, -0.3f, 0.8f, 0.5f},
                                  {500, 20, 0, 0, 0.5f, 0, 0.6f}});
  const float outIn[4][2] = {{12.5f, 0}, {-1.8225f, -4.9725f}, {-0.182f, -23.322f}, {0, 18.125f}};
  for (int32_t i = 0; i < 4; ++i) {
    EXPECT_NEAR(track.getKey(i).outTangent, outIn[i][0], kTcbTolerance) << i;
    EXPECT_NEAR(track.getKey(i).inTangent, outIn[i][1], kTcbTolerance) << i;
  }
  expectValues(track, {{70, 9.3584575f}, {250, 3.7644401f}, {480, 17.9952559f}}, kTcbTolerance);
}

// --- Bezier -----------------------------------------------------------------------------------

TEST(TrackBezier, TangentTypes) {
  TrackBezier track;
  // Slow: flat handles, 3 s^2 (1 - s) 10 + s^3 10 at s = 0.25; fast: handles at 0 + 100/3 * 0.2
  // and 10 - 100/3 * 0.2.
  for (const auto& [type, at25] :
       {std::pair{T::Linear, 2.5f}, {T::Slow, 1.5625f}, {T::Fast, 3.4375f}}) {
    setKeys(track, bezierKeys({{0, 0}, {100, 10}}, type));
    expectValues(track, {{25, at25}, {-1, 0}, {101, 10}});
  }

  // v = t^2 / 6000 + t / 12 passes through the three keys; smooth slopes follow it.
  setKeys(track, bezierKeys({{0, 0}, {100, 10}, {300, 40}}, T::Smooth));
  EXPECT_NEAR(track.getKey(0).outSlope, 1.0f / 12, kTolerance);
  EXPECT_NEAR(track.getKey(2).inSlope, -(0.1f + 1.0f / 12), kTolerance);
  // Interior: the time-weighted mean 30/3/200 + 10*2/3/100.
  EXPECT_NEAR(track.getKey(1).inSlope, -(0.05f + 0.2f / 3), kTolerance);

  // Custom handles of unequal lengths along value = time: the curve is the line whatever its
  // parameter, so the value at t is t only if x(u) = t is solved right.
  auto keys = bezierKeys({{0, 0}, {90, 90}}, T::Custom);
  keys[0].outSlope = 1;
  keys[0].outLength = 10;
  keys[1].inSlope = -1;
  keys[1].inLength = 100;
  setKeys(track, keys);
  for (float t : {0.0f, 17.0f, 89.5f, 90.0f})
    EXPECT_NEAR(track.getValue(t), t, 1e-3f) << t;
}

// Slopes of every key (in, out) and values, from track_reference.py.
void expectBezier(const TrackBezier& track, const std::vector<std::pair<float, float>>& slopes,
                  const TimeValues& values) {
  for (std::size_t i = 0; i < slopes.size(); ++i) {
    const TrackKeyBezier key = track.getKey(static_cast<int32_t>(i));
    EXPECT_NEAR(key.inSlope, slopes[i].first, kTolerance) << i;
    EXPECT_NEAR(key.outSlope, slopes[i].second, kTolerance) << i;
  }
  expectValues(track, values, kTcbTolerance);
}

TEST(TrackBezier, MixedTangentRules) {
  TrackBezier track;
  // A linear in side after a step takes the smooth in slope of the parabola through the key and
  // the two before it, and a linear out side before a fast one the smooth out slope; a smooth
  // side across from them mirrors them, and is flat across from a step. Step segments hold
  // their first value, and give the next one at their end (250, 470).
  setKeys(track, std::vector<TrackKeyBezier>{
                     bezierKey(0, 0, T::Linear, T::Linear), bezierKey(100, 10, T::Linear, T::Step),
                     bezierKey(250, 4, T::Linear, T::Smooth),
                     bezierKey(300, 9, T::Smooth, T::Linear), bezierKey(420, 2, T::Fast, T::Step),
                     bezierKey(470, 6, T::Step, T::Smooth), bezierKey(600, 1, T::Smooth, T::Slow)});
  expectBezier(track,
               {{1, 0.1f},
                {-0.1f, 0},
                {0.124f, -0.124f},
                {0.155980392f, -0.155980392f},
                {0.116666667f, 0},
                {0, 0},
                {0.124017094f, 0}},
               {{50, 5},
                {150, 10},
                {250, 4},
                {270, 5.61590588f},
                {330, 5.93033088f},
                {450, 2},
                {470, 6},
                {500, 5.98452435f}});

  // The smooth end slopes clear the other side of their key (the fast in slope of the first key,
  // the fast out slope of the last), except the first key's of a two-key track.
  setKeys(track, std::vector<TrackKeyBezier>{bezierKey(0, 2, T::Fast, T::Smooth),
                                             bezierKey(80, 6, T::Smooth, T::Fast)});
  expectBezier(track, {{8, 0.05f}, {-0.05f, 0}}, {{20, 3}});
  setKeys(track, std::vector<TrackKeyBezier>{bezierKey(0, 2, T::Fast, T::Smooth),
                                             bezierKey(80, 6, T::Linear, T::Linear),
                                             bezierKey(200, 3, T::Smooth, T::Fast)});
  expectBezier(track, {{0, 0.08f}, {-0.05f, -0.025f}, {0.07f, 0}},
               {{30, 3.8515625f}, {150, 5.015625f}});
}

// --- Rotations --------------------------------------------------------------------------------

TEST(TrackRotation, LinearSlerpTakesTheShortArc) {
  TrackRotationLinear track;
  TrackKeyRotation a{0, {0, 0, 1}, 0}, b{100, {0, 0, 1}, kPi / 2};
  setKeys(track, std::vector<TrackKeyRotation>{a, b});
  expectTurnAboutZ(track.getValue(50), kPi / 4);
  // 3/2 pi is -pi/2 the long way round: the middle is at -pi/4.
  b.angle = 1.5f * kPi;
  setKeys(track, std::vector<TrackKeyRotation>{a, b});
  expectTurnAboutZ(track.getValue(50), -kPi / 4);
  // A negative angle turns about the opposite axis.
  a.angle = -kPi / 2;
  setKeys(track, std::vector<TrackKeyRotation>{a});
  expectTurnAboutZ(track.getValue(0), -kPi / 2);
  EXPECT_FLOAT_EQ(track.getKey(0).angle, kPi / 2);
}

TEST(TrackRotation, TcbKeysAccumulateAndFollowTheQuadrangle) {
  // Relative keys about four axes at steps of 100, 250 and 50 ms, with bias, continuity, tension
  // and ease, one of them 4 rad (more than half a turn: its logarithm folds to 2 - pi). Before
  // the first key and after the last the keys' accumulated rotations; numbers from
  // track_reference.py.
  constexpr float kHalfRoot2 = 0.707106781f;
  // time, axis, angle, rotation, bias, continuity, tension, ease from, ease to
  const std::vector<TrackKeyRotationTCB> keys = {
      {0, {0, 0, 1}, 0.3f, {}, 0.2f, 0.1f, 0.4f, 0.25f, 0},
      {100, {kHalfRoot2, 0, kHalfRoot2}, 1.1f, {}, -0.3f, 0.2f, 0.1f, 0.2f, 0.3f},
      {350, {0, 1, 0}, 4.0f, {}, 0.5f, -0.3f, -0.2f, 0, 0.4f},
      {400, {1.0f / 3, 2.0f / 3, 2.0f / 3}, 0.8f, {}, 0, 0.4f, 0.3f, 0, 0.5f}};
  const std::pair<float, Quaternion> expected[] = {
      {-10, {0, 0, 0.149438132f, 0.988771078f}},
      {500, {-0.454948993f, 0.712755414f, -0.226797399f, -0.483284671f}},
      {80, {0.334385306f, 0.0857167311f, 0.498066009f, 0.795468013f}},
      {150, {0.199814892f, 0.317987119f, 0.609594984f, 0.698106121f}},
      {300, {-0.586340414f, 0.722449813f, 0.189748838f, -0.313474983f}},
      {375, {-0.513184257f, 0.733970589f, -0.0882156133f, -0.436058595f}}};
  TrackRotationTCB track;
  setKeys(track, keys);
  EXPECT_TRUE(track.hasQuadranglePath());
  for (int pass = 0; pass < 2; ++pass) {  // preparing again changes nothing
    for (const auto& [time, q] : expected) {
      const Quaternion got = track.getValue(time);
      EXPECT_NEAR(got.x, q.x, kRotationTolerance) << time;
      EXPECT_NEAR(got.y, q.y, kRotationTolerance) << time;
      EXPECT_NEAR(got.z, q.z, kRotationTolerance) << time;
      EXPECT_NEAR(got.w, q.w, kRotationTolerance) << time;
    }
    track.prepare();
  }
}

TEST(TrackRotation, TcbWholeTurnsKeepTheirSpin) {
  TrackRotationTCB track;
  setKeys(track, std::vector<TrackKeyRotationTCB>{rotationKey(0, 0), rotationKey(100, 2 * kPi)});
  EXPECT_FALSE(track.hasQuadranglePath());
  EXPECT_EQ(track.getKey(1).nbTurn, 1);
  expectTurnAboutZ(track.getValue(50), kPi);  // half of one full turn
  // An angle just short of a turn also leaves the quadrangle path.
  setKeys(track, std::vector<TrackKeyRotationTCB>{rotationKey(0, 0), rotationKey(100, 6.27f)});
  EXPECT_FALSE(track.hasQuadranglePath());
  expectTurnAboutZ(track.getValue(50), 6.27f / 2);
}

// --- Chunks -----------------------------------------------------------------------------------

// Saves `in` inside an owner chunk 11 and loads that chunk into `out`.
template <class Manager>
bool saveAndLoad(const Manager& in, Manager& out) {
  TempDir dir;
  const std::string path = dir.str() + "/track.lcx";
  {
    ChunkFileWriterManager writer(StringC(path.c_str()), ChunkFile::kPlain);
    ChunkFileWriter owner(&writer);
    owner.beginChunk(11);
    in.save(writer);
    owner.endChunk();
  }
  ChunkFileReaderManager reader(StringC(path.c_str()));
  ChunkFileReader owner(&reader);
  return out.load(owner, reader);
}

TEST(TrackChunk, SaveAndLoadKeepLinearAndBezierKeys) {
  TrackManagerFloat floats, loadedFloats;
  setKeys(*static_cast<TrackFloatLinear*>(floats.createTrack(1)),
          std::vector<TrackKey<float>>{{12.7f, 1}, {-3.9f, 2}});
  ASSERT_TRUE(saveAndLoad(floats, loadedFloats));
  const auto* pLinear = loadedFloats.getTrackAs<TrackFloatLinear>();
  ASSERT_NE(pLinear, nullptr);
  // Whole milliseconds, truncated towards zero.
  EXPECT_EQ(tuple(pLinear->getKey(0).time, pLinear->getKey(1).time, pLinear->getKey(1).value),
            tuple(12.0f, -3.0f, 2.0f));

  TrackKeyBezier custom = bezierKey(100, 10, T::Custom, T::Fast);
  custom.inSlope = -0.5f;
  custom.inLength = 7;
  setKeys(*static_cast<TrackBezier*>(floats.createTrack(4)),
          std::vector<TrackKeyBezier>{bezierKey(0, 0, T::Slow, T::Smooth), custom});
  ASSERT_TRUE(saveAndLoad(floats, loadedFloats));
  ASSERT_NE(loadedFloats.getTrackAs<TrackBezier>(), nullptr);
  const TrackKeyBezier k = loadedFloats.getTrackAs<TrackBezier>()->getKey(1);
  EXPECT_EQ(tuple(k.inType, k.outType, k.inSlope, k.inLength), tuple(5, 3, -0.5f, 7.0f));
  EXPECT_EQ(loadedFloats.getValue(40), floats.getValue(40));
}

// An owner chunk holding one track chunk of `type` with one key chunk of `keyPayload`.
Bytes trackFile(std::uint8_t type, const Bytes& keyPayload) {
  return Bytes{0} + chunk(11, {chunk(1, {Bytes{type}, chunk(1, {keyPayload})})});
}

// Loads `file` into `manager`; the reports are left in `capture`.
bool loadFloat(const Bytes& file, TrackManagerFloat& manager, ReportCapture& capture) {
  capture.clear();
  ChunkFileReaderManager reader(file, StringC("broken.lcx"));
  ChunkFileReader owner(&reader);
  const bool loaded = manager.load(owner, reader);
  EXPECT_EQ(loaded, !reader.hasFailed());
  return loaded;
}

TEST(TrackChunk, BrokenChunksLoadNothingOddOnesAreReportedAndLoadingGoesOn) {
  const Bytes key = intField(100) + floatField(2.5f);
  TrackManagerFloat manager;
  ReportCapture capture;
  ASSERT_TRUE(loadFloat(trackFile(1, intField(1) + key), manager, capture));
  EXPECT_EQ(manager.getValue(0), 2.5f);
  EXPECT_TRUE(capture.lines().empty());
  // An unknown type and an empty key chunk are reported; the load goes on.
  EXPECT_TRUE(loadFloat(trackFile(9, intField(1)), manager, capture));
  EXPECT_EQ(manager.getTrack(), nullptr);
  EXPECT_EQ(capture.lines(), Lines{"TrackManagerFloat :|unknow type"});
  EXPECT_TRUE(loadFloat(trackFile(3, intField(0)), manager, capture));
  ASSERT_NE(manager.getTrack(), nullptr);
  EXPECT_EQ(manager.getValue(0), 0.0f);
  EXPECT_EQ(capture.lines(), (Lines{"Track|createKey: nbKey <= 0", "Track|prepare: no key",
                                    "Track|getValue: no key"}));

  // A count that lies, and a Bezier side of type 6: the reader fails, nothing is kept.
  const std::pair<Bytes, std::string> broken[] = {
      {trackFile(1, intField(3) + key), "the key count 3 is more than the key chunk holds!"},
      {trackFile(4, intField(1) + intField(0) + floatField(1) + Bytes(8, 0) + le(6, 2) +
                        Bytes(8, 0) + le(0, 2)),
       "unknown key type in key 0!"}};
  for (const auto& [file, text] : broken) {
    EXPECT_FALSE(loadFloat(file, manager, capture));
    EXPECT_EQ(manager.getTrack(), nullptr);
    EXPECT_EQ(capture.lines(),
              Lines{"ChunkFileReaderManager: |Track load: " + text + " fileName: broken.lcx"});
  }
}

}  // namespace
