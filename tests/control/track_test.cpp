// Tracks: the value curves against their formulas worked by hand, and the track chunk written and
// read back, broken, empty or cut.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
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
using TimeValues = std::vector<std::pair<float, float>>;
constexpr float kPi = 3.14159265358979f;

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
void expectValues(const Track& track, const TimeValues& expected) {
  for (const auto& [time, value] : expected)
    EXPECT_NEAR(track.getValue(time), value, kTolerance) << "at " << time;
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

  // Interior: dm = -dp, so both tangents are 0. First: 1.5 D = 15; last: 1.5 D = -15.
  setKeys(track, std::vector<Key>{{0, 0}, {100, 10}, {300, 0}});
  EXPECT_FLOAT_EQ(track.getKey(1).inTangent, 0.0f);
  EXPECT_FLOAT_EQ(track.getKey(2).inTangent, -15.0f);
  // s = 0.5: h00 = h01 = 0.5, h10 = 0.125, h11 = -0.125.
  expectValues(track, {{50, 0.125f * 15 + 5}, {200, 5 + 0.125f * 15}});
  // Bias 0.5 at the middle key: bm = 0.5, bp = 1.5, fp = fn = 1: 0.5 (1.5 * 10 + 0.5 * 20).
  setKeys(track, std::vector<Key>{{0, 0}, {100, 10, 0.5f}, {200, 30}});
  EXPECT_FLOAT_EQ(track.getKey(1).inTangent, 12.5f);
  EXPECT_FLOAT_EQ(track.getKey(1).outTangent, 12.5f);
  // Tension 1 flattens every tangent.
  setKeys(track, std::vector<Key>{{0, 0, 0, 0, 1}, {100, 10, 0, 0, 1}, {200, 30, 0, 0, 1}});
  EXPECT_FLOAT_EQ(track.getKey(0).outTangent, 0.0f);
  EXPECT_FLOAT_EQ(track.getKey(1).outTangent, 0.0f);
}

// --- Bezier -----------------------------------------------------------------------------------

TEST(TrackBezier, TangentTypes) {
  TrackBezier track;
  setKeys(track, bezierKeys({{0, 0}, {100, 10}}, T::Linear));
  expectValues(track, {{25, 2.5f}, {-1, 0}, {101, 10}});
  // Flat handles: 3 s^2 (1 - s) 10 + s^3 10 at s = 0.25.
  setKeys(track, bezierKeys({{0, 0}, {100, 10}}, T::Slow));
  expectValues(track, {{25, 1.5625f}});
  // Fast: handles at 0 + 100/3 * 0.2 and 10 - 100/3 * 0.2.
  setKeys(track, bezierKeys({{0, 0}, {100, 10}}, T::Fast));
  expectValues(track, {{25, 3.4375f}});
  // Step holds the value, and gives the next value at the end of the segment.
  auto keys = bezierKeys({{0, 0}, {100, 10}, {200, 20}}, T::Linear);
  keys[0].outType = static_cast<uint16_t>(T::Step);
  setKeys(track, keys);
  expectValues(track, {{99, 0}, {100, 10}});

  // v = t^2 / 6000 + t / 12 passes through the three keys; smooth slopes follow it.
  setKeys(track, bezierKeys({{0, 0}, {100, 10}, {300, 40}}, T::Smooth));
  EXPECT_NEAR(track.getKey(0).outSlope, 1.0f / 12, kTolerance);
  EXPECT_NEAR(track.getKey(2).inSlope, -(0.1f + 1.0f / 12), kTolerance);
  // Interior: the time-weighted mean 30/3/200 + 10*2/3/100.
  EXPECT_NEAR(track.getKey(1).inSlope, -(0.05f + 0.2f / 3), kTolerance);

  // Custom handles of unequal lengths along value = time: the curve is the line whatever its
  // parameter, so the value at t is t only if x(u) = t is solved right.
  keys = bezierKeys({{0, 0}, {90, 90}}, T::Custom);
  keys[0].outSlope = 1;
  keys[0].outLength = 10;
  keys[1].inSlope = -1;
  keys[1].inLength = 100;
  setKeys(track, keys);
  for (float t : {0.0f, 17.0f, 89.5f, 90.0f})
    EXPECT_NEAR(track.getValue(t), t, 1e-3f) << t;
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

TEST(TrackRotation, TcbKeysAccumulateAndWholeTurnsKeepTheirSpin) {
  TrackRotationTCB track;
  setKeys(track, std::vector<TrackKeyRotationTCB>{rotationKey(0, 0.5f), rotationKey(100, 0.5f),
                                                  rotationKey(200, 0.5f)});
  EXPECT_TRUE(track.hasQuadranglePath());
  // Equal steps about one axis: the intermediates sit on the keys, the spin is uniform.
  for (int pass = 0; pass < 2; ++pass) {  // preparing again changes nothing
    for (const auto& [time, angle] :
         TimeValues{{-10, 0.5f}, {300, 1.5f}, {50, 0.75f}, {175, 1.375f}})
      expectTurnAboutZ(track.getValue(time), angle);
    track.prepare();
  }
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

TEST(TrackChunk, SaveAndLoadKeepEveryKind) {
  TrackManagerFloat floats, loadedFloats;
  setKeys(*static_cast<TrackFloatLinear*>(floats.createTrack(1)),
          std::vector<TrackKey<float>>{{12.7f, 1}, {-3.9f, 2}});
  ASSERT_TRUE(saveAndLoad(floats, loadedFloats));
  auto* pLoaded = loadedFloats.getTrackAs<TrackFloatLinear>();
  ASSERT_NE(pLoaded, nullptr);
  EXPECT_EQ(pLoaded->getKey(0).time, 12.0f);  // whole milliseconds, truncated towards zero
  EXPECT_EQ(pLoaded->getKey(1).time, -3.0f);
  EXPECT_EQ(pLoaded->getKey(1).value, 2.0f);

  TrackKeyBezier custom = bezierKey(100, 10, T::Custom, T::Fast);
  custom.inSlope = -0.5f;
  custom.inLength = 7;
  setKeys(*static_cast<TrackBezier*>(floats.createTrack(4)),
          std::vector<TrackKeyBezier>{bezierKey(0, 0, T::Slow, T::Smooth), custom});
  ASSERT_TRUE(saveAndLoad(floats, loadedFloats));
  ASSERT_NE(loadedFloats.getTrackAs<TrackBezier>(), nullptr);
  const TrackKeyBezier loadedCustom = loadedFloats.getTrackAs<TrackBezier>()->getKey(1);
  EXPECT_EQ(loadedCustom.inType, 5);
  EXPECT_EQ(loadedCustom.outType, 3);
  EXPECT_EQ(loadedCustom.inSlope, -0.5f);
  EXPECT_EQ(loadedCustom.inLength, 7.0f);
  EXPECT_EQ(loadedFloats.getValue(40), floats.getValue(40));

  TrackManagerPoint3D points, loadedPoints;
  TrackKeyTCB<Point3D> a{0, {1, 2, 3}}, b{1000, {4, 5, 6}};
  a.tension = 0.25f;
  b.easeTo = 0.5f;
  setKeys(*static_cast<TrackPoint3DTCB*>(points.createTrack(3)),
          std::vector<TrackKeyTCB<Point3D>>{a, b});
  ASSERT_TRUE(saveAndLoad(points, loadedPoints));
  EXPECT_EQ(loadedPoints.getValue(300), points.getValue(300));
  EXPECT_EQ(loadedPoints.getTrackAs<TrackPoint3DTCB>()->getKey(1).easeTo, 0.5f);

  // A whole turn split off by prepare goes back into the stored angle.
  TrackManagerRotation rotations, loadedRotations;
  setKeys(*static_cast<TrackRotationTCB*>(rotations.createTrack(3)),
          std::vector<TrackKeyRotationTCB>{rotationKey(0, 0), rotationKey(100, 2 * kPi + 1)});
  ASSERT_TRUE(saveAndLoad(rotations, loadedRotations));
  const TrackKeyRotationTCB turn = loadedRotations.getTrackAs<TrackRotationTCB>()->getKey(1);
  EXPECT_EQ(turn.nbTurn, 1);
  EXPECT_NEAR(turn.angle, 1.0f, kTolerance);
  expectTurnAboutZ(loadedRotations.getValue(50), 0.5f * (2 * kPi + 1));
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

  // A key chunk claiming more bytes than its track chunk: the reader fails, nothing is kept.
  Bytes lying = trackFile(1, intField(1) + key);
  lying[1 + 6 + 6 + 1 + 2] += 1;  // the key chunk's length
  const std::vector<std::pair<Bytes, std::string>> broken = {
      // A count that lies, a huge one, and a truncated second key.
      {trackFile(1, intField(3) + key), "the key count 3 is more than the key chunk holds!"},
      {trackFile(1, intField(0x7FFFFFFF) + key),
       "the key count 2147483647 is more than the key chunk holds!"},
      {trackFile(1, intField(2) + key + intField(200)),
       "the key count 2 is more than the key chunk holds!"},
      // A Bezier side of type 6.
      {trackFile(4, intField(1) + intField(0) + floatField(1) + Bytes(8, 0) + le(6, 2) +
                        Bytes(8, 0) + le(0, 2)),
       "unknown key type in key 0!"},
      {lying, ""}};
  for (const auto& [file, text] : broken) {
    EXPECT_FALSE(loadFloat(file, manager, capture));
    EXPECT_EQ(manager.getTrack(), nullptr);
    if (text.empty())
      EXPECT_EQ(capture.reports().size(), 1u);
    else
      EXPECT_EQ(capture.lines(),
                Lines{"ChunkFileReaderManager: |Track load: " + text + " fileName: broken.lcx"});
  }
  // Every cut of a good file.
  const Bytes good =
      trackFile(3, intField(2) + intField(0) + Bytes(24, 0) + intField(9) + Bytes(24, 0));
  for (const Bytes& cut : prefixes(good)) {
    loadFloat(cut, manager, capture);
    EXPECT_EQ(manager.getTrack(), nullptr) << cut.size();
  }
}

}  // namespace
