#pragma once
// Controllers of .lcx files: named sources of one animated number, asked for their value at a
// script time (ms). Four kinds: live input (1), music level (2), keyframe curve (3), noise (4).
//
// Each frame the owner sets every controller's update flag; the first getValue of the frame then
// computes and clears the flag, and later calls in the same frame return the cached value.
//
// In the file, a controller is chunk 2 holding an int type and the kind's own children (read by
// load, written by save); unknown children are passed over.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "base/string_c.h"

class ChunkFileReader;
class ChunkFileReaderManager;
class ChunkFileWriterManager;

enum class LCXControllerType : int32_t {
  Input = 1,
  Sound = 2,
  KeyFramer = 3,
  Noise = 4,
};

class LCXController {
 public:
  explicit LCXController(LCXControllerType type) : m_type(type) {}
  virtual ~LCXController() = default;
  LCXController(const LCXController&) = delete;
  LCXController& operator=(const LCXController&) = delete;

  // Reads the kind's children of the controller chunk. False when the reader manager failed on
  // the way; the caller then drops the controller.
  virtual bool load(ChunkFileReader& chunk, ChunkFileReaderManager& manager) = 0;
  // Writes the kind's children into the controller chunk being written on `manager`.
  virtual void save(ChunkFileWriterManager& manager) const = 0;
  // The value at `time` (ms), computed once per frame (see the update flag). Allocates nothing.
  virtual float getValue(float time) = 0;

  LCXControllerType getType() const { return m_type; }
  // 1 when the cached value is stale; the owner sets it at the start of every frame.
  uint8_t getUpdate() const { return m_update; }
  void setUpdate(uint8_t update) { m_update = update; }
  const StringC& getName() const { return m_name; }
  void setName(const StringC& name) { m_name = name; }

 protected:
  LCXControllerType m_type;
  uint8_t m_update = 1;
  StringC m_name{"NULL"};
};

// Base of the live kinds (input and sound): the settings of recording the value while the show
// plays, and the recording. With recording on, the owner allocates one sample per step of
// [start time, end time); the kind records its value at the times it is asked; when the
// controller goes (or saveRecording is called) the samples become a linear keyframe curve in the
// recording file, so the performance replays as an ordinary .lcx controller.
//   1000: 1101 byte recording on, 1102 string file name, 1103 int step, 1104 int start time,
//         1105 int end time, 1106 float scale.
//   10: the kind's own children (loadOwn / saveOwn).
class LCXControllerRecorded : public LCXController {
 public:
  struct RecordingSettings {
    uint8_t recording = 0;
    StringC fileName{"NULL"};
    int32_t step = 10;
    int32_t startTime = 0;
    int32_t endTime = 10000;
    float scale = 1.0f;
  };

  // What a sample holds until a value is recorded into it.
  static constexpr float kUnrecorded = -5555555.0f;
  static constexpr const char* kRecordingCaption = "StringC:";

  using LCXController::LCXController;
  // With recording on and at least one sample recorded, saves the recording (saveRecording).
  ~LCXControllerRecorded() override;

  bool load(ChunkFileReader& chunk, ChunkFileReaderManager& manager) override;
  void save(ChunkFileWriterManager& manager) const override;

  const RecordingSettings& getRecordingSettings() const { return m_recordingSettings; }
  void setRecordingSettings(const RecordingSettings& settings) { m_recordingSettings = settings; }

  // count := (end time - start time) / step in integers, every sample unrecorded. Below 1 (a
  // step of 0 or less, an end before the start) nothing is allocated.
  void allocateRecording();
  // Sample k := value x scale, with i = trunc(time), k = min((i - start) / step, count - 1);
  // nothing outside [start time, end time] or without samples.
  void record(float time, float value);
  // Writes the samples as a keyframer (one beat at the start time, a linear key k at k x step)
  // to the recording path: a temporary file in the same folder renamed into place, so a crash
  // never leaves half a file. An unrecorded sample takes the nearest earlier recorded one, else
  // the nearest later one. Reports "recording: " + file name; false, reported, when the file
  // cannot be written. Nothing (false) when no sample was recorded: a run that recorded nothing
  // (no device, the span never played) leaves an earlier recording alone.
  bool saveRecording();
  // Forgets the samples: nothing is saved when the controller goes.
  void discardRecording() { m_sample.clear(); }

  int32_t getNbSample() const { return static_cast<int32_t>(m_sample.size()); }
  const std::vector<float>& getSamples() const { return m_sample; }
  // Where saveRecording writes: the recording file name unless the owner set a path (the name
  // made absolute while the show's folder is the current one).
  std::string getRecordingPath() const;
  void setRecordingPath(std::string path) { m_recordingPath = std::move(path); }

 protected:
  // The children of chunk 10.
  virtual void loadOwn(ChunkFileReader& chunk) = 0;
  virtual void saveOwn(ChunkFileWriterManager& manager) const = 0;

 private:
  void loadRecordingSettings(ChunkFileReader& chunk);

  RecordingSettings m_recordingSettings;
  std::vector<float> m_sample;
  std::string m_recordingPath;
};
