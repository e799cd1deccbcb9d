// The update flag's owner protocol lives in the header; here the recording settings chunk.

#include "control/lcx_controller.h"

#include "base/chunk_file_reader.h"
#include "base/chunk_file_writer.h"

namespace {
constexpr std::uint16_t kRecordingChunk = 1000;
constexpr std::uint16_t kRecordingOnChunk = 1101;
constexpr std::uint16_t kFileNameChunk = 1102;
constexpr std::uint16_t kStepChunk = 1103;
constexpr std::uint16_t kStartTimeChunk = 1104;
constexpr std::uint16_t kEndTimeChunk = 1105;
constexpr std::uint16_t kScaleChunk = 1106;
constexpr std::uint16_t kOwnChunk = 10;
}  // namespace

bool LCXControllerRecorded::load(ChunkFileReader& chunk, ChunkFileReaderManager& manager) {
  ChunkFileReader child;
  while (!manager.hasFailed() && chunk.nextChild(child)) {
    if (child.getIdentifier() == kRecordingChunk)
      loadRecordingSettings(child);
    else if (child.getIdentifier() == kOwnChunk)
      loadOwn(child);
  }
  if (manager.hasFailed()) {
    m_recordingSettings = RecordingSettings{};
    return false;
  }
  return true;
}

void LCXControllerRecorded::loadRecordingSettings(ChunkFileReader& chunk) {
  RecordingSettings& settings = m_recordingSettings;
  ChunkFileReader child;
  while (chunk.nextChild(child)) {
    switch (child.getIdentifier()) {
      case kRecordingOnChunk:
        settings.recording = child.readByte() != 0 ? 1 : 0;
        break;
      case kFileNameChunk: {
        StringC name = child.readString();
        if (!name.isEmpty()) settings.fileName = name;
        break;
      }
      case kStepChunk:
        settings.step = child.readInt();
        break;
      case kStartTimeChunk:
        settings.startTime = child.readInt();
        break;
      case kEndTimeChunk:
        settings.endTime = child.readInt();
        break;
      case kScaleChunk:
        settings.scale = child.readFloat();
        break;
      default:
        break;
    }
  }
}

void LCXControllerRecorded::save(ChunkFileWriterManager& manager) const {
  const RecordingSettings& settings = m_recordingSettings;
  ChunkFileWriter recording(&manager);
  recording.beginChunk(kRecordingChunk);
  {
    ChunkFileWriter field(&manager);
    field.writeByteChunk(kRecordingOnChunk, settings.recording);
    field.writeStringChunk(kFileNameChunk, settings.fileName);
    field.writeIntChunk(kStepChunk, settings.step);
    field.writeIntChunk(kStartTimeChunk, settings.startTime);
    field.writeIntChunk(kEndTimeChunk, settings.endTime);
    field.writeFloatChunk(kScaleChunk, settings.scale);
  }
  recording.endChunk();

  ChunkFileWriter own(&manager);
  own.beginChunk(kOwnChunk);
  saveOwn(manager);
  own.endChunk();
}
