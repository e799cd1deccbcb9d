// The recording of the live controllers: samples taken while the show plays, saved as a keyframe
// controller file when the controller goes.

#include <algorithm>
#include <cmath>
#include <exception>
#include <string>

#include "base/file_tools.h"
#include "base/report.h"
#include "control/config.h"
#include "control/lcx_controller.h"
#include "control/lcx_controller_keyframer.h"
#include "control/sync_track.h"

namespace {

constexpr const char* kFailureCaption = "LCXControllerRecorded";

// Every unrecorded sample takes the nearest earlier recorded one, the ones before the first
// recorded sample take that first one. Filling in order makes "nearest earlier" the previous
// sample. False when nothing was recorded.
bool fillUnrecorded(std::vector<float>& samples) {
  const auto first = std::find_if(samples.begin(), samples.end(), [](float sample) {
    return sample != LCXControllerRecorded::kUnrecorded;
  });
  if (first == samples.end()) return false;
  float previous = *first;
  for (float& sample : samples) {
    if (sample == LCXControllerRecorded::kUnrecorded)
      sample = previous;
    else
      previous = sample;
  }
  return true;
}

}  // namespace

LCXControllerRecorded::~LCXControllerRecorded() {
  if (!m_recordingSettings.recording || m_sample.empty()) return;
  // A destructor lets nothing escape: a recording that cannot be built is reported and lost.
  try {
    saveRecording();
  } catch (const std::exception& error) {
    report(kFailureCaption, std::string("can't save recording: ") + error.what());
  }
}

std::string LCXControllerRecorded::getRecordingPath() const {
  if (!m_recordingPath.empty()) return m_recordingPath;
  return FileTools::normalizeSeparators(m_recordingSettings.fileName.view());
}

void LCXControllerRecorded::allocateRecording() {
  const RecordingSettings& settings = m_recordingSettings;
  m_sample.clear();
  if (settings.step <= 0) return;
  // In 64 bits: the span of two extreme 32-bit times does not fit 32.
  const int64_t count = (int64_t{settings.endTime} - settings.startTime) / settings.step;
  if (count < 1) return;
  if (count > control_config::kMaxRecordingSample) {
    report(kFailureCaption, "recording too long: " + std::to_string(count) + " samples in " +
                                std::string(settings.fileName.view()));
    return;
  }
  m_sample.assign(static_cast<std::size_t>(count), kUnrecorded);
}

void LCXControllerRecorded::record(float time, float value) {
  if (m_sample.empty()) return;
  const RecordingSettings& settings = m_recordingSettings;
  const double truncated = std::trunc(static_cast<double>(time));
  // Written so that NaN falls outside too.
  if (!(truncated >= settings.startTime && truncated <= settings.endTime)) return;
  // Samples exist, so step > 0.
  const auto offset = static_cast<int64_t>(truncated) - settings.startTime;
  const int64_t k = std::min<int64_t>(offset / settings.step, getNbSample() - 1);
  m_sample[static_cast<std::size_t>(k)] = value * settings.scale;
}

bool LCXControllerRecorded::saveRecording() {
  std::vector<float> samples = m_sample;
  if (!fillUnrecorded(samples)) return false;
  const RecordingSettings& settings = m_recordingSettings;

  LCXControllerKeyFramer keyFramer;
  const LCXPointList beat = {{static_cast<float>(settings.startTime), 0.0f}};
  keyFramer.createBeatPosition(&beat);
  LCXPointList keys(samples.size());
  for (std::size_t k = 0; k < samples.size(); ++k) {
    keys[k].time = static_cast<float>(static_cast<int64_t>(k) * settings.step);
    keys[k].value = samples[k];
  }
  keyFramer.createInterpolationModelLinear(&keys);

  const std::string path = getRecordingPath();
  if (!saveKeyFramerFile(keyFramer, path)) {
    report(kFailureCaption, "can't write recording: " + path);
    return false;
  }
  report(kRecordingCaption, "recording: " + std::string(settings.fileName.view()),
         ReportLevel::Plain);
  return true;
}
