// Input and sound controllers: read their source once per frame.

#include "control/lcx_controller_live.h"

#include "base/chunk_file_reader.h"
#include "base/chunk_file_writer.h"
#include "control/input_device.h"
#include "control/sound_level_source.h"

namespace {
constexpr std::uint16_t kChannelChunk = 11;
constexpr float kNoSource = -1.0f;
}  // namespace

float LCXControllerInput::getValue(float time) {
  if (!m_pInputDevice) return kNoSource;
  if (m_update) {
    int32_t x = 0;
    int32_t y = 0;
    int32_t z = 0;
    m_pInputDevice->getPosition(x, y, z);
    m_channelValue[0] = static_cast<float>(x);
    m_channelValue[1] = static_cast<float>(y);
    m_channelValue[2] = static_cast<float>(z);
    for (int32_t button = 0; button < 3; ++button)
      m_channelValue[static_cast<std::size_t>(3 + button)] =
          static_cast<float>(m_pInputDevice->getButton(button));
    m_update = 0;
  }
  const float value = m_channel < kNbChannel ? m_channelValue[m_channel] : kNoSource;
  // Without a device nothing is recorded: an offline run leaves an earlier recording alone.
  if (getRecordingSettings().recording) record(time, value);
  return value;
}

void LCXControllerInput::loadOwn(ChunkFileReader& chunk) {
  ChunkFileReader child;
  while (chunk.nextChild(child)) {
    if (child.getIdentifier() == kChannelChunk) m_channel = child.readWord();
  }
}

void LCXControllerInput::saveOwn(ChunkFileWriterManager& manager) const {
  ChunkFileWriter channel(&manager);
  channel.beginChunk(kChannelChunk);
  channel.writeWord(m_channel);
  channel.endChunk();
}

float LCXControllerSound::getValue(float /*time*/) {
  if (!m_pSoundSource) return kNoSource;
  if (m_update) {
    m_level = m_pSoundSource->getVU();
    m_update = 0;
  }
  return m_level;
}
