#pragma once
// The live controller kinds: a channel of an input device (the mouse) and the music's level. Both
// carry the recording settings; the device and the level source are given by the owner and not
// owned. Without them the value is -1.

#include <array>
#include <cstdint>

#include "control/lcx_controller.h"

class InputDevice;
class SoundLevelSource;

// Type 1. Chunk 10 holds 11: word channel.
class LCXControllerInput final : public LCXControllerRecorded {
 public:
  // Channels 0, 1, 2 are the positions x, y, z; 3, 4, 5 the buttons 0, 1, 2.
  static constexpr int32_t kNbChannel = 6;

  LCXControllerInput() : LCXControllerRecorded(LCXControllerType::Input) {}

  // The device's channel as read at the first call of the frame; -1 without a device or for a
  // channel above 5. With recording on (and a device) the result is also recorded at `time`.
  float getValue(float time) override;

  void setInputDevice(InputDevice* pDevice) { m_pInputDevice = pDevice; }
  InputDevice* getInputDevice() const { return m_pInputDevice; }
  uint16_t getChannel() const { return m_channel; }
  void setChannel(uint16_t channel) { m_channel = channel; }

 protected:
  void loadOwn(ChunkFileReader& chunk) override;
  void saveOwn(ChunkFileWriterManager& manager) const override;

 private:
  InputDevice* m_pInputDevice = nullptr;
  uint16_t m_channel = 0;
  std::array<float, kNbChannel> m_channelValue{};
};

// Type 2. Chunk 10 is empty.
class LCXControllerSound final : public LCXControllerRecorded {
 public:
  LCXControllerSound() : LCXControllerRecorded(LCXControllerType::Sound) {}

  // The level read at the first call of the frame; -1 without a level source. Its recording
  // samples are allocated like the input's, but the level is never recorded into them.
  float getValue(float time) override;

  void setSoundSource(SoundLevelSource* pSource) { m_pSoundSource = pSource; }
  SoundLevelSource* getSoundSource() const { return m_pSoundSource; }

 protected:
  void loadOwn(ChunkFileReader&) override {}
  void saveOwn(ChunkFileWriterManager&) const override {}

 private:
  SoundLevelSource* m_pSoundSource = nullptr;
  float m_level = 1.0f;
};
