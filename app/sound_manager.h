#pragma once
// The show's music and its clock. The script time of a show with music is the playing
// position of the music: the position of the sample the listener hears now, derived from the
// samples the audio device has consumed. Without an audio device (or with audio switched off)
// the music runs on a clock of its own at real speed. Past the end of the music the time keeps
// running (in silence), so a show longer than its music goes on.

#include <cstdint>
#include <memory>
#include <string>

#include "base/string_c.h"
#include "control/sound_level_source.h"
#include "script/script_clock.h"

class MusicSource;

struct SoundOptions {
  // False: never open an audio device; the music runs silently on its own clock.
  bool audioOutput = true;
  // The time base of the music's own clock when there is no audio device; null: the machine's
  // steady clock. Not used with an audio device, whose callback keeps the time.
  TickSource* pTicks = nullptr;
};

class SoundManager final : public ScriptMusic, public SoundLevelSource {
 public:
  explicit SoundManager(SoundOptions options = {});
  ~SoundManager() override;
  SoundManager(const SoundManager&) = delete;
  SoundManager& operator=(const SoundManager&) = delete;

  // Opens the file (separators and letter case fixed up as for every file of a show): a
  // module first, else a stream. On failure reports name + ": load: FMod can t load file !"
  // (caption "SoundManager"), returns false, and the time stays 0.
  bool load(const StringC& name) override;
  // Starts the music: a module from its beginning, a stream from where setTime put it (either
  // from where seek() put it).
  void play() override;
  // Position in ms of the sample heard now: monotonic and smooth between audio callbacks
  // (seek() and setTime() excepted). Before play(): where play() will start (0 for a module
  // unless seek() moved it); 0 when nothing is loaded.
  std::int32_t getTime() override;
  // Streams only: moves the stream to `ms`; a module ignores it.
  void setTime(std::int32_t ms) override;
  // Level of the playing stream now: the peak of the samples heard in the last 20 ms, 0.0 to
  // 1.0; 0.0 for a module, before play() and when nothing is loaded. Without an audio device,
  // or while paused, the samples at the clock's position are decoded on demand, so a paused
  // show shows the level of the moment it stands at.
  float getVU() override;

  // --- For the player and for authoring ---
  // Moves any music, module or stream, to `ms` (the player's --start); before play(), where
  // play() starts.
  void seek(std::int32_t ms);
  // Stops and restarts the clock and the sound where it stands. Paused before play(), the
  // music starts paused.
  void pause();
  void resume();
  bool isPaused() const;
  bool isModule() const;
  bool isLoaded() const;
  // True when the sound goes to an audio device, false when the clock runs on its own.
  bool hasAudioOutput() const;
  // The file that was opened (after the fix-ups), as an absolute path; empty when nothing
  // loaded.
  const std::string& getPath() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> m_pImpl;
};
