#pragma once
// The clock of the show the player runs, as the authoring keys move it: paused, moved to another
// time, started again. With music the music itself moves (our sound manager moves modules as well
// as streams, sound and picture together); without, the engine's tick counter does.

#include <cstdint>

#include "script/script_clock.h"

class ShowClock final : public TickSource {
 public:
  explicit ShowClock(TickSource* pTicks) : m_pTicks(pTicks) {}

  // The engine's ticks: the player's, shifted by every move and frozen while paused.
  std::uint32_t getTicks() override;

  // The music of the running show, or null (the show then runs on the ticks).
  void setMusic(ScriptMusic* pMusic) { m_pMusic = pMusic; }
  // Brings the music to the clock's state: paused when the clock is, else playing.
  void syncMusic() const { applyPause(m_pMusic); }
  // Keeps a music that is not the show's yet silent until setMusic() takes it.
  static void holdMusic(ScriptMusic& music);

  // Moves the show whose script time is `currentMs` now to `ms`.
  void seek(std::int32_t currentMs, std::int32_t ms);
  void pause();
  void resume();
  bool isPaused() const { return m_paused; }

 private:
  void applyPause(ScriptMusic* pMusic) const;

  TickSource* m_pTicks;
  ScriptMusic* m_pMusic = nullptr;
  // Added to the player's ticks (modulo 2^32, so a move back is a large addition).
  std::uint32_t m_offset = 0;
  // The ticks shown while paused.
  std::uint32_t m_frozen = 0;
  bool m_paused = false;
};
