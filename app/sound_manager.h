#pragma once
// The show's music and its clock. The script time of a show with music is the playing
// position of the music: the position of the sample the listener hears now, derived from the
// samples the audio device has consumed. Without an audio device (or with audio switched off)
// the music runs on a clock of its own at real speed.

#include <cstdint>
#include <memory>
#include <string>

#include "base/string_c.h"
#include "script/script_clock.h"

class MusicSource;

struct SoundOptions {
  // False: never open an audio device; the music runs silently on its own clock.
  bool audioOutput = true;
};

class SoundManager final : public ScriptMusic {
 public:
  explicit SoundManager(SoundOptions options = {});
  ~SoundManager() override;
  SoundManager(const SoundManager&) = delete;
  SoundManager& operator=(const SoundManager&) = delete;

  // Opens the file (separators and letter case fixed up as for every file of a show): a
  // module first, else a stream. On failure reports name + ": load: FMod can t load file !"
  // (caption "SoundManager"), returns false, and the time stays 0.
  bool load(const StringC& name) override;
  // Starts the music: a module from its beginning, a stream from where setTime put it.
  void play() override;
  // Position in ms of the sample heard now: monotonic and smooth between audio callbacks;
  // 0 before play() and when nothing is loaded.
  std::int32_t getTime() override;
  // Streams only: moves the stream to `ms`; a module ignores it.
  void setTime(std::int32_t ms) override;
  // Level of the playing stream now, 0.0 to 1.0; 0.0 for a module or when nothing plays.
  float getVU();

  // --- For the player and for authoring ---
  // Moves any music, module or stream, to `ms` (the player's --start).
  void seek(std::int32_t ms);
  // Stops and restarts the clock and the sound where it stands.
  void pause();
  void resume();
  bool isPaused() const;
  bool isModule() const;
  bool isLoaded() const;
  // True when the sound goes to an audio device, false when the clock runs on its own.
  bool hasAudioOutput() const;
  // The file that was opened (after the fix-ups); empty when nothing loaded.
  const std::string& getPath() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> m_pImpl;
};
