// Recording a live controller: the sample grid, the index rules and the file a recording leaves.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "control/lcx_controller_live.h"
#include "control/lcx_controller_manager.h"
#include "tests/control/control_test_util.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace control_test;
using Settings = LCXControllerRecorded::RecordingSettings;
constexpr float kMarker = -5555555.0f;

Settings recording(int32_t start, int32_t end, int32_t step, float scale = 1.0f,
                   const std::string& file = "NULL") {
  Settings settings;
  settings.recording = 1;
  settings.fileName = StringC(std::string_view(file));
  settings.startTime = start;
  settings.endTime = end;
  settings.step = step;
  settings.scale = scale;
  return settings;
}

TEST(LCXRecording, OneSampleForEachWholeStepNoneForAnEmptySpan) {
  struct Case {
    int32_t start, end, step, nbSample;
  };
  const Case cases[] = {
      {0, 10000, 10, 1000},
      {100, 135, 10, 3},  // 35 / 10
      {0, 9, 10, 0},      // less than one step
      {0, 10000, 0, 0},   // step 0: no division
      {500, 100, 10, 0},  // end before start
      {std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(), 1, 0},
  };
  for (const Case& c : cases) {
    ReportCapture capture;
    LCXControllerSound sound;
    sound.setRecordingSettings(recording(c.start, c.end, c.step));
    sound.allocateRecording();
    sound.record(static_cast<float>(c.start), 1.0f);
    ASSERT_EQ(sound.getNbSample(), c.nbSample) << c.start << " " << c.end << " " << c.step;
    for (int32_t k = 1; k < c.nbSample; ++k)
      EXPECT_EQ(sound.getSamples()[static_cast<std::size_t>(k)], kMarker);
    // 2^32 samples are refused aloud; the empty spans are silent.
    EXPECT_EQ(capture.texts().size(), c.step == 1 ? 1u : 0u);
    sound.discardRecording();
  }
}

TEST(LCXRecording, ATimeGoesToTheSampleOfItsWholeMillisecondScaled) {
  struct Case {
    float time, value;
    int sample;  // -1: dropped
  };
  const Case cases[] = {
      {9999.7f, 1, 999}, {10000, 2, 999},  // the end itself: the last sample
      {10001, 3, -1},    {0, 4, 0},
      {-0.5f, 5, 0},  // truncated to 0
      {-1, 6, -1},       {std::nanf(""), 8, -1},
      {3e9f, 10, -1},
  };
  LCXControllerSound sound;
  sound.setRecordingSettings(recording(0, 10000, 10, -2.5f));
  sound.allocateRecording();
  ASSERT_EQ(sound.getNbSample(), 1000);
  for (const Case& c : cases) {
    std::vector<float> expected = sound.getSamples();
    if (c.sample >= 0) expected[static_cast<std::size_t>(c.sample)] = c.value * -2.5f;
    sound.record(c.time, c.value);
    EXPECT_EQ(sound.getSamples(), expected) << c.time;
  }
  sound.discardRecording();
}

TEST(LCXRecording, TheInputsRecordingReplaysFromItsFileWithTheGapsFilled) {
  TempDir dir;
  const std::string file = (dir.path() / "take.lcx").string();
  ReportCapture capture;
  {
    FakeDevice device;
    LCXControllerInput input;
    input.setInputDevice(&device);
    // 20 samples of 10 ms from 1000 ms; values stored twice as large.
    input.setRecordingSettings(recording(1000, 1200, 10, 2.0f, file));
    input.allocateRecording();
    device.setX(3);
    EXPECT_EQ(valueAt(input, 1050), 3.0f);  // sample 5 := 6
    device.setX(-4);
    EXPECT_EQ(valueAt(input, 1093.5f), -4.0f);  // sample 9 := -8
    // A recording that never recorded leaves no file.
    LCXControllerInput silent;
    silent.setRecordingSettings(recording(0, 100, 10, 1.0f, (dir.path() / "none.lcx").string()));
    silent.allocateRecording();
  }
  EXPECT_EQ(capture.lines(), Lines{"StringC:|recording: " + file});
  EXPECT_EQ(folderEntries(dir.path()), Lines{"take.lcx"});

  LCXControllerManager manager;
  ASSERT_TRUE(manager.load(StringC(std::string_view(file))));
  ASSERT_EQ(manager.getController()->getType(), LCXControllerType::KeyFramer);
  // Samples 0 to 8 hold sample 5's 6, samples 9 to 19 sample 9's -8; 1085 lies halfway from 6
  // to -8; before the start the first key holds.
  const std::vector<std::pair<float, float>> expected = {
      {1000, 6},  {1040, 6},  {1050, 6},  {1080, 6}, {1085, -1},
      {1090, -8}, {1100, -8}, {1190, -8}, {900, 6},  {5000, -8}};
  for (const auto& [time, value] : expected)
    EXPECT_EQ(valueAt(*manager.getController(), time), value) << time;
}

TEST(LCXRecording, AFileThatCannotBeWrittenIsReportedAndLeavesNothing) {
  TempDir dir;
  // A name a folder already has, so the final rename fails.
  std::filesystem::create_directory(dir.path() / "taken.lcx");
  const std::string file = (dir.path() / "taken.lcx").string();
  ReportCapture capture;
  LCXControllerSound sound;
  sound.setRecordingSettings(recording(0, 100, 10, 1.0f, file));
  sound.allocateRecording();
  sound.record(50, 1.0f);
  EXPECT_FALSE(sound.saveRecording());
  ASSERT_FALSE(capture.lines().empty());
  EXPECT_EQ(capture.lines().back(), "LCXControllerRecorded|can't write recording: " + file);
  EXPECT_EQ(folderEntries(dir.path()), Lines{"taken.lcx"});
  EXPECT_TRUE(std::filesystem::is_empty(dir.path() / "taken.lcx"));
  sound.discardRecording();
}

}  // namespace
