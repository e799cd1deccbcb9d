// Sync-editor tracks: rows and show time, key edits, the editor's reference values, and the
// keyframe controller that plays them, in memory and saved to its file.

#include "control/sync_track.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <string>
#include <vector>

#include "control/lcx_controller_keyframer.h"
#include "control/lcx_controller_manager.h"
#include "control/track.h"
#include "tests/control/control_test_util.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace control_test;
using Kind = SyncInterpolation;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

SyncTrack makeTrack(std::initializer_list<SyncKey> keys) {
  SyncTrack track;
  for (const SyncKey& key : keys)
    EXPECT_TRUE(track.setKey(key)) << key.row;
  return track;
}

std::vector<uint32_t> rowsOf(const SyncTrack& track) {
  std::vector<uint32_t> rows;
  for (const SyncKey& key : track.getKeys())
    rows.push_back(key.row);
  return rows;
}

// Float results of a segment lie within a few ulps of its largest value, not of the result:
// halfway between -1e6 and 1e6 the result is 0 give or take 1e6's rounding.
float toleranceOf(const SyncTrack& track) {
  float scale = 1.0f;
  for (const SyncKey& key : track.getKeys())
    scale = std::max(scale, std::fabs(key.value));
  return 1e-5f * scale;
}

// Every kind in turn, the first key off row 0 and the last one followed by nothing.
SyncTrack everyKindTrack() {
  return makeTrack({{2, 1.0f, Kind::Step},
                    {6, 9.0f, Kind::Linear},
                    {10, 1.0f, Kind::Smooth},
                    {14, 5.0f, Kind::Ramp},
                    {18, -3.0f, Kind::Linear}});
}

TEST(SyncTiming, MsPerRowFromTheTempoBadSettingsTakeTheDefaults) {
  struct Case {
    float bpm;
    int32_t rowsPerBeat;
    double msPerRow;
  };
  const Case cases[] = {
      {120, 8, 62.5},  {150, 3, 60000.0 / 450}, {0, 8, 62.5},
      {kNaN, 8, 62.5}, {120, 0, 62.5},          {1e30f, 1000, 62.5},  // rows of 6e-29 ms
  };
  for (const Case& c : cases) {
    const SyncTiming timing{c.bpm, c.rowsPerBeat};
    EXPECT_DOUBLE_EQ(timing.msPerRow(), c.msPerRow) << c.bpm << " " << c.rowsPerBeat;
    EXPECT_DOUBLE_EQ(timing.msAt(3), 3 * c.msPerRow);
  }
}

TEST(SyncTiming, RowAtRoundsDownAndStaysInRange) {
  struct Case {
    double ms;
    uint32_t row;
  };
  const Case cases[] = {
      {0, 0},
      {62.4, 0},
      {62.5, 1},
      {-1, 0},
      {std::nan(""), 0},
      {std::numeric_limits<double>::infinity(), SyncTrack::kMaxRow},
      {134217727937.5, SyncTrack::kMaxRow},  // (2^31 - 1) * 62.5
      {134217727937.4, SyncTrack::kMaxRow - 1},
  };
  const SyncTiming timing;
  EXPECT_DOUBLE_EQ(timing.msAt(SyncTrack::kMaxRow), 134217727937.5);
  for (const Case& c : cases)
    EXPECT_EQ(timing.rowAt(c.ms), c.row) << c.ms;
}

TEST(SyncTiming, EveryRowStartsExactlyAtItsTime) {
  // Tempos whose row lengths are not binary fractions: the quotient ms / msPerRow may round
  // across a row start.
  for (const SyncTiming timing : {SyncTiming{137, 6}, SyncTiming{93.7f, 3}, SyncTiming{}}) {
    std::vector<uint32_t> rows;
    for (uint32_t row = 0; row < 3000; ++row)
      rows.push_back(row);
    for (const uint32_t row : {999999u, 1u << 30, SyncTrack::kMaxRow - 1, SyncTrack::kMaxRow})
      rows.push_back(row);
    for (const uint32_t row : rows) {
      const double start = timing.msAt(row);
      ASSERT_EQ(timing.rowAt(start), row) << timing.bpm << " " << row;
      if (row > 0) {
        ASSERT_EQ(timing.rowAt(std::nextafter(start, 0.0)), row - 1) << row;
      }
    }
  }
}

TEST(SyncTrack, KeysStaySortedASetReplacesADeleteRemoves) {
  SyncTrack track = makeTrack({{5, 1.0f, Kind::Linear},
                               {1, 2.0f, Kind::Step},
                               {9, 3.0f, Kind::Ramp},
                               {SyncTrack::kMaxRow, -SyncTrack::kMaxValue, Kind::Step},
                               {3, 4.0f, Kind::Smooth},
                               {5, -6.0f, Kind::Ramp}});
  EXPECT_EQ(rowsOf(track), (std::vector<uint32_t>{1, 3, 5, 9, SyncTrack::kMaxRow}));
  EXPECT_EQ(track.getKeys()[2].value, -6.0f);
  EXPECT_EQ(track.getKeys()[2].interpolation, Kind::Ramp);

  struct Delete {
    uint32_t row;
    bool removed;
  };
  for (const Delete d : {Delete{3, true}, Delete{3, false}, Delete{SyncTrack::kMaxRow, true}})
    EXPECT_EQ(track.deleteKey(d.row), d.removed) << d.row;
  EXPECT_EQ(rowsOf(track), (std::vector<uint32_t>{1, 5, 9}));
}

TEST(SyncTrack, RefusedKeysChangeNothing) {
  const SyncKey refused[] = {
      {7, kNaN, Kind::Linear},         {7, 2e30f, Kind::Linear},  // beyond kMaxValue
      {7, 1.0f, static_cast<Kind>(4)}, {0x80000000u, 1.0f, Kind::Linear},
      {4, kNaN, Kind::Step},  // would replace the key of row 4
  };
  SyncTrack track = makeTrack({{4, 1.5f, Kind::Smooth}, {12, 2.0f, Kind::Step}});
  for (const SyncKey& key : refused) {
    EXPECT_FALSE(track.setKey(key)) << key.row << " " << key.value;
    ASSERT_EQ(rowsOf(track), (std::vector<uint32_t>{4, 12}));
    EXPECT_EQ(track.getKeys()[0].value, 1.5f);
    EXPECT_EQ(track.getKeys()[0].interpolation, Kind::Smooth);
  }
}

// The same hand-computed numbers from the editor's reference and from the controller playing the
// track at the rows' times (62.5 ms per row).
TEST(SyncTrack, EditorFormulasAndTheControllerGiveTheHandComputedValues) {
  struct Case {
    double row;
    float value;
  };
  const Case cases[] = {
      {0, 1},      {5.875, 1},       {6, 9},  // before the first key; step: held, then the next key
      {7.5, 6},                               // linear 9 -> 1 over 4 rows: 9 - 8 t
      {11, 1.625}, {12.5, 3.734375},          // smooth 1 -> 5: 1 + 4 t^2 (3 - 2t)
      {15, 4.5},   {16.5, 1.875},             // ramp 5 -> -3: 5 - 8 t^2
      {18.5, -3},                             // the last key holds
  };
  const SyncTrack track = everyKindTrack();
  const SyncTiming timing;
  LCXControllerKeyFramer controller;
  track.applyTo(controller, timing);
  for (const Case& c : cases) {
    EXPECT_FLOAT_EQ(track.valueAt(c.row), c.value) << c.row;
    EXPECT_NEAR(valueAt(controller, static_cast<float>(c.row * 62.5)), c.value, kTolerance)
        << c.row;
  }
  EXPECT_EQ(track.valueAt(std::nan("")), 1.0f);
}

TEST(SyncTrack, NoKeyReadsZeroOneKeyItsValueEverywhere) {
  LCXControllerKeyFramer controller;
  // A track played before, with repetition and accumulation, is replaced entirely.
  makeRampKeyFramer(controller);
  controller.setAccumulate(1);

  const SyncTrack single = makeTrack({{7, -2.5f, Kind::Ramp}});
  single.applyTo(controller, SyncTiming{});
  EXPECT_EQ(controller.getBeatPosition(), std::vector<float>{0.0f});
  EXPECT_EQ(controller.getAccumulate(), 0);
  for (const double row : {0.0, 6.5, 7.0, 7.25, 1e6}) {
    EXPECT_EQ(single.valueAt(row), -2.5f) << row;
    EXPECT_EQ(valueAt(controller, static_cast<float>(row * 62.5)), -2.5f) << row;
  }

  const SyncTrack empty;
  EXPECT_EQ(empty.valueAt(3.0), 0.0f);
  empty.applyTo(controller, SyncTiming{});
  EXPECT_EQ(controller.getTrackManager().getTrack(), nullptr);
  EXPECT_EQ(valueAt(controller, 1250.0f), 0.0f);
}

// The controller against the reference at every eighth of a row, the key rows included, from
// before the first key to after the last.
TEST(SyncTrack, TheControllerReproducesEveryKindAtEveryFraction) {
  struct Case {
    const char* name;
    SyncTrack track;
    SyncTiming timing;
  };
  const Case cases[] = {
      {"every kind, 60 ms", everyKindTrack(), SyncTiming{125, 8}},
      {"far rows",  // 6.25e6 ms: times step by 0.5 ms
       makeTrack({{100000, -7, Kind::Smooth}, {100064, 9, Kind::Ramp}, {100070, 2, Kind::Linear}}),
       SyncTiming{}},
  };
  for (const Case& c : cases) {
    LCXControllerKeyFramer controller;
    c.track.applyTo(controller, c.timing);
    const auto* pTrack = controller.getTrackManager().getTrack();
    ASSERT_NE(pTrack, nullptr) << c.name;
    EXPECT_EQ(pTrack->getType(), TrackType::Bezier) << c.name;
    EXPECT_EQ(pTrack->getNbKey(), static_cast<int32_t>(c.track.getKeys().size())) << c.name;

    const double msPerRow = c.timing.msPerRow();
    const auto first = static_cast<int64_t>(c.track.getKeys().front().row) - 3;
    const auto last = static_cast<int64_t>(c.track.getKeys().back().row) + 3;
    const float tolerance = toleranceOf(c.track);
    float worst = 0.0f;
    double worstRow = 0.0;
    for (int64_t eighth = first * 8; eighth <= last * 8; ++eighth) {
      const double row = static_cast<double>(eighth) / 8.0;
      // The show asks at float times: the reference goes to the row of the time actually asked.
      const auto ms = static_cast<float>(row * msPerRow);
      const double askedRow = static_cast<double>(ms) / msPerRow;
      const float diff = std::fabs(valueAt(controller, ms) - c.track.valueAt(askedRow));
      if (!(diff <= worst)) {
        worst = diff;
        worstRow = row;
      }
    }
    EXPECT_LE(worst, tolerance) << c.name << " at row " << worstRow;
  }
}

// Saved and loaded back, every kind plays the same values (the app's sync session tests, by hand);
// the file keeps whole milliseconds: at 62.5 ms per row the odd rows' keys move 0.5 ms earlier.
TEST(SyncTrack, ASavedTrackKeepsWholeMilliseconds) {
  TempDir dir;
  const std::string path = (dir.path() / "sync.lcx").string();
  LCXControllerKeyFramer played;
  LCXControllerManager manager;
  makeTrack({{1, 0, Kind::Linear}, {3, 1, Kind::Linear}, {4, 2, Kind::Step}})
      .applyTo(played, SyncTiming{});
  ASSERT_TRUE(saveKeyFramerFile(played, path));
  ASSERT_TRUE(manager.load(StringC(std::string_view(path))));
  const auto* pTrack =
      static_cast<LCXControllerKeyFramer&>(*manager.getController()).getTrackManager().getTrack();
  ASSERT_NE(pTrack, nullptr);
  std::vector<float> times;
  for (int32_t i = 0; i < pTrack->getNbKey(); ++i)
    times.push_back(pTrack->getKeyTime(i));
  EXPECT_EQ(times, (std::vector<float>{62, 187, 250}));
}

}  // namespace
