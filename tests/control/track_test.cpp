#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "base/chunk_file.h"
#include "base/chunk_file_reader.h"
#include "base/chunk_file_writer.h"
#include "base/report.h"
#include "control/track_bezier.h"
#include "control/track_curve.h"
#include "control/track_manager.h"
#include "control/track_rotation.h"
#include "tests/base/chunk_bytes.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace chunk_bytes;
constexpr float kPi = 3.14159265358979f;
// Single-precision formulas evaluated in a different order than by hand.
constexpr float kTolerance = 1e-5f;

template <class Track, class Key>
void setKeys(Track& track, const std::vector<Key>& keys) {
  ASSERT_TRUE(track.createKey(static_cast<int32_t>(keys.size())));
  for (std::size_t i = 0; i < keys.size(); ++i)
    track.setKey(static_cast<int32_t>(i), keys[i]);
  track.prepare();
}

void expectQuaternion(const Quaternion& q, float x, float y, float z, float w) {
  EXPECT_NEAR(q.x, x, kTolerance);
  EXPECT_NEAR(q.y, y, kTolerance);
  EXPECT_NEAR(q.z, z, kTolerance);
  EXPECT_NEAR(q.w, w, kTolerance);
}

TrackKeyTCB<float> tcbKey(float time, float value, float tension = 0, float continuity = 0,
                          float bias = 0, float easeFrom = 0, float easeTo = 0) {
  TrackKeyTCB<float> key;
  key.time = time;
  key.value = value;
  key.tension = tension;
  key.continuity = continuity;
  key.bias = bias;
  key.easeFrom = easeFrom;
  key.easeTo = easeTo;
  return key;
}

TrackKeyBezier bezierKey(float time, float value, TrackTangent in, TrackTangent out) {
  TrackKeyBezier key;
  key.time = time;
  key.value = value;
  key.inType = static_cast<uint16_t>(in);
  key.outType = static_cast<uint16_t>(out);
  return key;
}

TrackKeyRotationTCB rotationKey(float time, float angle) {
  TrackKeyRotationTCB key;
  key.time = time;
  key.axis = {0, 0, 1};
  key.angle = angle;
  return key;
}

// --- Float and point curves -------------------------------------------------------------------

TEST(TrackLinear, InterpolatesAndHoldsTheEndValues) {
  TrackFloatLinear track;
  setKeys(track, std::vector<TrackKey<float>>{{0, 0}, {100, 10}});
  EXPECT_FLOAT_EQ(track.getValue(25), 2.5f);
  EXPECT_FLOAT_EQ(track.getValue(-5), 0.0f);
  EXPECT_FLOAT_EQ(track.getValue(150), 10.0f);
  EXPECT_FLOAT_EQ(track.getValue(100), 10.0f);

  // Two keys at one time: the later one is taken at that time.
  setKeys(track, std::vector<TrackKey<float>>{{0, 0}, {50, 5}, {50, 7}, {100, 10}});
  EXPECT_FLOAT_EQ(track.getValue(50), 7.0f);

  TrackPoint3DLinear points;
  setKeys(points, std::vector<TrackKey<Point3D>>{{0, {0, 10, -4}}, {100, {10, 20, 4}}});
  EXPECT_EQ(points.getValue(25), (Point3D{2.5f, 12.5f, -2.0f}));
}

TEST(TrackLinear, OneKeyAndNoKey) {
  TrackFloatLinear track;
  ReportCapture capture;
  EXPECT_EQ(track.getValue(10), 0.0f);
  EXPECT_EQ(capture.lines(), std::vector<std::string>{"Track|getValue: no key"});
  setKeys(track, std::vector<TrackKey<float>>{{40, 3}});
  EXPECT_EQ(track.getValue(-100), 3.0f);
  EXPECT_EQ(track.getValue(1e6f), 3.0f);
}

TEST(TrackLinear, NanTimeFallsOnTheLastSegmentAndReportsItsZeroInterval) {
  TrackFloatLinear track;
  setKeys(track, std::vector<TrackKey<float>>{{0, 0}, {100, 5}, {100, 10}});
  ReportCapture capture;
  track.getValue(std::numeric_limits<float>::quiet_NaN());
  EXPECT_EQ(capture.texts(), std::vector<std::string>{"interval equal to 0"});
}

TEST(TrackHermite, UniformCatmullRomTangents) {
  TrackFloatHermite track;
  setKeys(track, std::vector<TrackKey<float>>{{0, 0}, {1, 1}, {2, 0}, {3, 1}});
  // m0 = 0.5 (the first key stands in for its neighbour), m1 = 0.
  EXPECT_FLOAT_EQ(track.getValue(0.5f), 0.5625f);
  // s = 0.25 between 1 and 0, both tangents 0: h00 = 0.84375.
  EXPECT_FLOAT_EQ(track.getValue(1.25f), 0.84375f);
  EXPECT_FLOAT_EQ(track.getValue(2.0f), 0.0f);

  TrackPoint3DHermite points;
  setKeys(points, std::vector<TrackKey<Point3D>>{
                      {0, {0, 0, 0}}, {1, {1, 2, 0}}, {2, {0, 0, 0}}, {3, {1, 2, 0}}});
  EXPECT_EQ(points.getValue(0.5f), (Point3D{0.5625f, 1.125f, 0.0f}));
}

TEST(TrackTCB, EaseShapesThePlainHermiteSegment) {
  TrackFloatTCB track;
  // Two keys: tangents (v1 - v0)(1 - tension) = 10 each, so the segment is 10 u.
  setKeys(track, std::vector<TrackKeyTCB<float>>{tcbKey(0, 0), tcbKey(100, 10)});
  EXPECT_FLOAT_EQ(track.getValue(25), 2.5f);
  setKeys(track, std::vector<TrackKeyTCB<float>>{tcbKey(0, 0, 0, 0, 0, 1, 0),
                                                 tcbKey(100, 10, 0, 0, 0, 0, 1)});
  EXPECT_FLOAT_EQ(track.getValue(25), 1.25f);  // u = 2 s^2
  EXPECT_FLOAT_EQ(track.getValue(75), 8.75f);  // u = 1 - 2 (1 - s)^2
  EXPECT_FLOAT_EQ(track.getValue(100), 10.0f);
}

TEST(TrackTCB, TangentsOfEndAndInteriorKeys) {
  TrackFloatTCB track;
  setKeys(track, std::vector<TrackKeyTCB<float>>{tcbKey(0, 0), tcbKey(100, 10), tcbKey(300, 0)});
  // Interior: dm = -dp, so both tangents are 0. First: 1.5 D = 15; last: 1.5 D = -15.
  EXPECT_FLOAT_EQ(track.getKey(0).outTangent, 15.0f);
  EXPECT_FLOAT_EQ(track.getKey(1).inTangent, 0.0f);
  EXPECT_FLOAT_EQ(track.getKey(2).inTangent, -15.0f);
  // s = 0.5: h00 = h01 = 0.5, h10 = 0.125, h11 = -0.125.
  EXPECT_FLOAT_EQ(track.getValue(50), 0.125f * 15 + 5);
  EXPECT_FLOAT_EQ(track.getValue(200), 5 + 0.125f * 15);

  // Bias 0.5 at the middle key: bm = 0.5, bp = 1.5, fp = fn = 1: 0.5 (1.5 * 10 + 0.5 * 20).
  setKeys(track, std::vector<TrackKeyTCB<float>>{tcbKey(0, 0), tcbKey(100, 10, 0, 0, 0.5f),
                                                 tcbKey(200, 30)});
  EXPECT_FLOAT_EQ(track.getKey(1).inTangent, 12.5f);
  EXPECT_FLOAT_EQ(track.getKey(1).outTangent, 12.5f);
  // Tension 1 flattens every tangent.
  setKeys(track,
          std::vector<TrackKeyTCB<float>>{tcbKey(0, 0, 1), tcbKey(100, 10, 1), tcbKey(200, 30, 1)});
  EXPECT_FLOAT_EQ(track.getKey(0).outTangent, 0.0f);
  EXPECT_FLOAT_EQ(track.getKey(1).outTangent, 0.0f);
  EXPECT_FLOAT_EQ(track.getKey(2).inTangent, 0.0f);

  TrackPoint3DTCB points;
  TrackKeyTCB<Point3D> a, b;
  a.value = {0, 0, 0};
  b.time = 100;
  b.value = {10, 20, 30};
  setKeys(points, std::vector<TrackKeyTCB<Point3D>>{a, b});
  EXPECT_EQ(points.getValue(50), (Point3D{5, 10, 15}));
}

// --- Bezier -----------------------------------------------------------------------------------

TEST(TrackBezier, TangentTypes) {
  using T = TrackTangent;
  TrackBezier track;
  setKeys(track, std::vector<TrackKeyBezier>{bezierKey(0, 0, T::Linear, T::Linear),
                                             bezierKey(100, 10, T::Linear, T::Linear)});
  EXPECT_FLOAT_EQ(track.getValue(25), 2.5f);
  EXPECT_FLOAT_EQ(track.getValue(-1), 0.0f);
  EXPECT_FLOAT_EQ(track.getValue(101), 10.0f);

  // Flat handles: 3 s^2 (1 - s) 10 + s^3 10 at s = 0.25.
  setKeys(track, std::vector<TrackKeyBezier>{bezierKey(0, 0, T::Slow, T::Slow),
                                             bezierKey(100, 10, T::Slow, T::Slow)});
  EXPECT_FLOAT_EQ(track.getValue(25), 1.5625f);

  // Fast: handles at 0 + 100/3 * 0.2 and 10 - 100/3 * 0.2.
  setKeys(track, std::vector<TrackKeyBezier>{bezierKey(0, 0, T::Fast, T::Fast),
                                             bezierKey(100, 10, T::Fast, T::Fast)});
  EXPECT_NEAR(track.getValue(25), 3.4375f, kTolerance);

  // Step holds the value, and gives the next value at the end of the segment.
  setKeys(track, std::vector<TrackKeyBezier>{bezierKey(0, 0, T::Linear, T::Step),
                                             bezierKey(100, 10, T::Linear, T::Linear),
                                             bezierKey(200, 20, T::Linear, T::Linear)});
  EXPECT_FLOAT_EQ(track.getValue(99), 0.0f);
  EXPECT_FLOAT_EQ(track.getValue(100), 10.0f);
}

TEST(TrackBezier, SmoothSlopesFollowTheParabolaThroughThreeKeys) {
  using T = TrackTangent;
  TrackBezier track;
  // v = t^2 / 6000 + t / 12 passes through (0, 0), (100, 10), (300, 40).
  setKeys(track, std::vector<TrackKeyBezier>{bezierKey(0, 0, T::Smooth, T::Smooth),
                                             bezierKey(100, 10, T::Smooth, T::Smooth),
                                             bezierKey(300, 40, T::Smooth, T::Smooth)});
  EXPECT_NEAR(track.getKey(0).outSlope, 1.0f / 12, kTolerance);
  EXPECT_NEAR(track.getKey(2).inSlope, -(0.1f + 1.0f / 12), kTolerance);
  // Interior: the time-weighted mean 30/3/200 + 10*2/3/100.
  EXPECT_NEAR(track.getKey(1).outSlope, 0.05f + 0.2f / 3, kTolerance);
  EXPECT_NEAR(track.getKey(1).inSlope, -(0.05f + 0.2f / 3), kTolerance);
}

TEST(TrackBezier, CustomHandlesOnALineStayOnIt) {
  // Handles of unequal lengths along value = time: the curve is the line whatever its
  // parameter, so the value at t is t only if x(u) = t is solved right.
  TrackKeyBezier a = bezierKey(0, 0, TrackTangent::Custom, TrackTangent::Custom);
  TrackKeyBezier b = bezierKey(90, 90, TrackTangent::Custom, TrackTangent::Custom);
  a.outSlope = 1;
  a.outLength = 10;
  b.inSlope = -1;
  b.inLength = 100;
  TrackBezier track;
  setKeys(track, std::vector<TrackKeyBezier>{a, b});
  for (float t : {0.0f, 1.0f, 17.0f, 45.0f, 80.0f, 89.5f, 90.0f})
    EXPECT_NEAR(track.getValue(t), t, 1e-3f) << t;
}

TEST(TrackBezier, CubicSolverTakesTheLargestRootBelowOne) {
  // (u - 0.2)(u - 0.5)(u - 0.9)
  EXPECT_NEAR(solveCubicInUnit(1, -1.6, 0.73, -0.09, -1), 0.9, 1e-9);
  // (u - 1)(u - 0.5)(u + 1): 1 is outside [0, 1).
  EXPECT_NEAR(solveCubicInUnit(1, -0.5, -1, 0.5, -1), 0.5, 1e-9);
  // One real root: u^3 + u - 0.5.
  const double u = solveCubicInUnit(1, 0, 1, -0.5, -1);
  EXPECT_NEAR(u * u * u + u - 0.5, 0.0, 1e-12);
  EXPECT_NEAR(solveCubicInUnit(0, 1, 0, -0.25, -1), 0.5, 1e-12);        // a quadratic
  EXPECT_EQ(solveCubicInUnit(0, 0, 1, -0.5, 0.25), 0.25);               // degenerate: the fallback
  EXPECT_NEAR(solveCubicInUnit(1, -0.9, 0.27, -0.027, -1), 0.3, 1e-5);  // (u - 0.3)^3
}

// --- Rotations --------------------------------------------------------------------------------

TEST(TrackRotationLinear, SlerpTakesTheShortArc) {
  TrackRotationLinear track;
  TrackKeyRotation a, b;
  a.axis = b.axis = {0, 0, 1};
  b.time = 100;
  b.angle = kPi / 2;
  setKeys(track, std::vector<TrackKeyRotation>{a, b});
  expectQuaternion(track.getValue(50), 0, 0, std::sin(kPi / 8), std::cos(kPi / 8));

  // 3/2 pi is -pi/2 the long way round: the middle is at -pi/4.
  b.angle = 1.5f * kPi;
  setKeys(track, std::vector<TrackKeyRotation>{a, b});
  expectQuaternion(track.getValue(50), 0, 0, -std::sin(kPi / 8), std::cos(kPi / 8));

  // A negative angle turns about the opposite axis.
  a.angle = -kPi / 2;
  setKeys(track, std::vector<TrackKeyRotation>{a});
  expectQuaternion(track.getValue(0), 0, 0, -std::sin(kPi / 4), std::cos(kPi / 4));
  EXPECT_FLOAT_EQ(track.getKey(0).angle, kPi / 2);
}

TEST(TrackRotationTCB, RelativeKeysAccumulateAndEvenSpinStaysEven) {
  TrackRotationTCB track;
  setKeys(track, std::vector<TrackKeyRotationTCB>{rotationKey(0, 0.5f), rotationKey(100, 0.5f),
                                                  rotationKey(200, 0.5f)});
  EXPECT_TRUE(track.hasQuadranglePath());
  expectQuaternion(track.getValue(-10), 0, 0, std::sin(0.25f), std::cos(0.25f));
  expectQuaternion(track.getValue(100), 0, 0, std::sin(0.5f), std::cos(0.5f));
  expectQuaternion(track.getValue(300), 0, 0, std::sin(0.75f), std::cos(0.75f));
  // Equal steps about one axis: the intermediates sit on the keys, the spin is uniform.
  expectQuaternion(track.getValue(50), 0, 0, std::sin(0.375f), std::cos(0.375f));
  expectQuaternion(track.getValue(175), 0, 0, std::sin(0.6875f), std::cos(0.6875f));

  // Preparing again changes nothing.
  track.prepare();
  expectQuaternion(track.getValue(50), 0, 0, std::sin(0.375f), std::cos(0.375f));
}

TEST(TrackRotationTCB, WholeTurnsKeepTheirSpin) {
  TrackRotationTCB track;
  setKeys(track, std::vector<TrackKeyRotationTCB>{rotationKey(0, 0), rotationKey(100, 2 * kPi)});
  EXPECT_FALSE(track.hasQuadranglePath());
  EXPECT_EQ(track.getKey(1).nbTurn, 1);
  // Half of one full turn: pi about z.
  expectQuaternion(track.getValue(50), 0, 0, 1, 0);
  // An angle just short of a turn also leaves the quadrangle path.
  setKeys(track, std::vector<TrackKeyRotationTCB>{rotationKey(0, 0), rotationKey(100, 6.27f)});
  EXPECT_FALSE(track.hasQuadranglePath());
  expectQuaternion(track.getValue(50), 0, 0, std::sin(6.27f / 4), std::cos(6.27f / 4));
}

// --- Key access and reports -------------------------------------------------------------------

TEST(Track, KeyAccessReports) {
  ReportCapture capture;
  TrackFloatTCB track;
  EXPECT_FALSE(track.setKey(0, tcbKey(0, 1)));
  EXPECT_EQ(track.getKey(0).value, 0.0f);
  track.prepare();
  EXPECT_EQ(track.getValue(0), 0.0f);
  EXPECT_FALSE(track.createKey(0));
  ASSERT_TRUE(track.createKey(2));
  EXPECT_FALSE(track.createKey(-3));
  EXPECT_EQ(track.getNbKey(), 2);
  EXPECT_FALSE(track.setKey(-1, tcbKey(0, 1)));
  EXPECT_FALSE(track.setKey(2, tcbKey(0, 1)));
  track.getKey(-1);
  track.getKey(2);
  EXPECT_EQ(capture.texts(),
            (std::vector<std::string>{
                "setKey: pKey NULL", "getKey: pKey NULL", "prepare: no key", "getValue: no key",
                "createKey: nbKey <= 0", "createKey: nbKey <= 0", "setKey: index < 0",
                "setKey: not so much key", "setKey: index < 0", "getKey: not so much key"}));
  for (const Report& report : capture.reports())
    EXPECT_EQ(report.caption, "Track");

  // Setting a TCB key clears its tangents until the next prepare.
  TrackKeyTCB<float> key = tcbKey(5, 1);
  key.outTangent = 7;
  key.inTangent = 8;
  track.setKey(0, key);
  EXPECT_EQ(track.getKey(0).outTangent, 0.0f);
  EXPECT_EQ(track.getKey(0).inTangent, 0.0f);
}

TEST(TrackManager, UnknownTypesAreReportedUnderTheManagersCaption) {
  ReportCapture capture;
  TrackManagerFloat floats;
  TrackManagerPoint3D points;
  TrackManagerRotation rotations;
  EXPECT_NE(floats.createTrack(4), nullptr);
  EXPECT_EQ(floats.createTrack(5), nullptr);
  EXPECT_EQ(points.createTrack(4), nullptr);
  EXPECT_EQ(rotations.createTrack(2), nullptr);
  EXPECT_NE(rotations.createTrack(3), nullptr);
  EXPECT_EQ(capture.lines(), (std::vector<std::string>{"TrackManagerFloat :|unknow type",
                                                       "TrackManagerPoint3D :|unknow type",
                                                       "TrackManagerRotation :|unknow type"}));
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
  TrackManagerFloat floats;
  auto* pLinear = static_cast<TrackFloatLinear*>(floats.createTrack(1));
  setKeys(*pLinear, std::vector<TrackKey<float>>{{12.7f, 1}, {-3.9f, 2}});
  TrackManagerFloat loadedFloats;
  ASSERT_TRUE(saveAndLoad(floats, loadedFloats));
  auto* pLoaded = loadedFloats.getTrackAs<TrackFloatLinear>();
  ASSERT_NE(pLoaded, nullptr);
  EXPECT_EQ(pLoaded->getKey(0).time, 12.0f);  // whole milliseconds, truncated towards zero
  EXPECT_EQ(pLoaded->getKey(1).time, -3.0f);
  EXPECT_EQ(pLoaded->getKey(1).value, 2.0f);

  TrackKeyBezier custom = bezierKey(100, 10, TrackTangent::Custom, TrackTangent::Fast);
  custom.inSlope = -0.5f;
  custom.inLength = 7;
  auto* pBezier = static_cast<TrackBezier*>(floats.createTrack(4));
  setKeys(*pBezier, std::vector<TrackKeyBezier>{
                        bezierKey(0, 0, TrackTangent::Slow, TrackTangent::Smooth), custom});
  ASSERT_TRUE(saveAndLoad(floats, loadedFloats));
  ASSERT_NE(loadedFloats.getTrackAs<TrackBezier>(), nullptr);
  const TrackKeyBezier loadedCustom = loadedFloats.getTrackAs<TrackBezier>()->getKey(1);
  EXPECT_EQ(loadedCustom.inType, 5);
  EXPECT_EQ(loadedCustom.outType, 3);
  EXPECT_EQ(loadedCustom.inSlope, -0.5f);
  EXPECT_EQ(loadedCustom.inLength, 7.0f);
  EXPECT_EQ(loadedFloats.getValue(40), floats.getValue(40));

  TrackManagerPoint3D points;
  TrackKeyTCB<Point3D> a, b;
  a.value = {1, 2, 3};
  a.tension = 0.25f;
  b.time = 1000;
  b.value = {4, 5, 6};
  b.easeTo = 0.5f;
  setKeys(*static_cast<TrackPoint3DTCB*>(points.createTrack(3)),
          std::vector<TrackKeyTCB<Point3D>>{a, b});
  TrackManagerPoint3D loadedPoints;
  ASSERT_TRUE(saveAndLoad(points, loadedPoints));
  EXPECT_EQ(loadedPoints.getTrack()->getType(), TrackType::TCB);
  EXPECT_EQ(loadedPoints.getValue(300), points.getValue(300));
  EXPECT_EQ(loadedPoints.getTrackAs<TrackPoint3DTCB>()->getKey(1).easeTo, 0.5f);

  // A whole turn split off by prepare goes back into the stored angle.
  TrackManagerRotation rotations;
  setKeys(*static_cast<TrackRotationTCB*>(rotations.createTrack(3)),
          std::vector<TrackKeyRotationTCB>{rotationKey(0, 0), rotationKey(100, 2 * kPi + 1)});
  TrackManagerRotation loadedRotations;
  ASSERT_TRUE(saveAndLoad(rotations, loadedRotations));
  const TrackKeyRotationTCB turn = loadedRotations.getTrackAs<TrackRotationTCB>()->getKey(1);
  EXPECT_EQ(turn.nbTurn, 1);
  EXPECT_NEAR(turn.angle, 1.0f, kTolerance);
  expectQuaternion(loadedRotations.getValue(50), 0, 0, std::sin(0.25f * (2 * kPi + 1)),
                   std::cos(0.25f * (2 * kPi + 1)));
}

// An owner chunk holding one track chunk of `type` with one key chunk of `keyPayload`.
Bytes trackFile(std::uint8_t type, const Bytes& keyPayload) {
  return Bytes{0} + chunk(11, {chunk(1, {Bytes{type}, chunk(1, {keyPayload})})});
}

// Loads `file` into a float track manager; the reports are left in `capture`.
bool loadFloat(const Bytes& file, TrackManagerFloat& manager) {
  ChunkFileReaderManager reader(file, StringC("broken.lcx"));
  ChunkFileReader owner(&reader);
  const bool loaded = manager.load(owner, reader);
  EXPECT_EQ(loaded, !reader.hasFailed());
  return loaded;
}

TEST(TrackChunk, BrokenChunksLoadNothing) {
  const Bytes key = le(100, 4) + floatField(2.5f);
  TrackManagerFloat manager;
  {
    ReportCapture capture;
    ASSERT_TRUE(loadFloat(trackFile(1, le(1, 4) + key), manager));  // the sound file
    EXPECT_EQ(manager.getValue(0), 2.5f);
    EXPECT_TRUE(capture.lines().empty());
  }
  const std::vector<std::pair<Bytes, std::string>> broken = {
      // A count that lies, a huge one, and a truncated second key.
      {trackFile(1, le(3, 4) + key), "the key count 3 is more than the key chunk holds!"},
      {trackFile(1, le(0x7FFFFFFF, 4) + key),
       "the key count 2147483647 is more than the key chunk holds!"},
      {trackFile(1, le(2, 4) + key + le(200, 4)),
       "the key count 2 is more than the key chunk holds!"},
      // A Bezier side of type 6.
      {trackFile(4, le(1, 4) + le(0, 4) + floatField(1) + Bytes(8, 0) + le(6, 2) + Bytes(8, 0) +
                        le(0, 2)),
       "unknown key type in key 0!"},
  };
  for (const auto& [file, text] : broken) {
    ReportCapture capture;
    EXPECT_FALSE(loadFloat(file, manager));
    EXPECT_EQ(manager.getTrack(), nullptr);
    EXPECT_EQ(capture.lines(), std::vector<std::string>{"ChunkFileReaderManager: |Track load: " +
                                                        text + " fileName: broken.lcx"});
  }
  // A key chunk claiming more bytes than its track chunk: the reader fails, nothing is kept.
  {
    Bytes file = trackFile(1, le(1, 4) + key);
    file[1 + 6 + 6 + 1 + 2] += 1;  // the key chunk's length
    ReportCapture capture;
    EXPECT_FALSE(loadFloat(file, manager));
    EXPECT_EQ(manager.getTrack(), nullptr);
    EXPECT_EQ(capture.reports().size(), 1u);
  }
  // Every truncation of a good file.
  const Bytes good = trackFile(3, le(2, 4) + le(0, 4) + Bytes(24, 0) + le(9, 4) + Bytes(24, 0));
  for (std::size_t size = 1; size < good.size(); ++size) {
    ReportCapture capture;
    loadFloat(Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(size)), manager);
    EXPECT_EQ(manager.getTrack(), nullptr) << size;
  }
}

TEST(TrackChunk, UnknownTypeAndEmptyKeyChunkAreReportedAndLoadingGoesOn) {
  TrackManagerFloat manager;
  ReportCapture capture;
  EXPECT_TRUE(loadFloat(trackFile(9, le(1, 4)), manager));
  EXPECT_EQ(manager.getTrack(), nullptr);
  EXPECT_TRUE(loadFloat(trackFile(3, le(0, 4)), manager));
  ASSERT_NE(manager.getTrack(), nullptr);
  EXPECT_EQ(manager.getTrack()->getNbKey(), 0);
  EXPECT_EQ(capture.lines(),
            (std::vector<std::string>{"TrackManagerFloat :|unknow type",
                                      "Track|createKey: nbKey <= 0", "Track|prepare: no key"}));
}

}  // namespace
