#include "app/show_clock.h"

#include "app/sound_manager.h"

namespace {

// Our own sound manager pauses and moves modules as well as streams; any other music only
// knows setTime().
SoundManager* asSoundManager(ScriptMusic* pMusic) {
  return dynamic_cast<SoundManager*>(pMusic);
}

}  // namespace

std::uint32_t ShowClock::getTicks() {
  return m_paused ? m_frozen : m_pTicks->getTicks() + m_offset;
}

void ShowClock::holdMusic(ScriptMusic& music) {
  if (SoundManager* pSound = asSoundManager(&music)) pSound->pause();
}

void ShowClock::seek(std::int32_t currentMs, std::int32_t ms) {
  if (m_pMusic) {
    if (SoundManager* pSound = asSoundManager(m_pMusic)) {
      pSound->seek(ms);
    } else {
      m_pMusic->setTime(ms);
    }
    return;
  }
  const std::uint32_t delta =
      static_cast<std::uint32_t>(ms) - static_cast<std::uint32_t>(currentMs);
  if (m_paused) {
    m_frozen += delta;
  } else {
    m_offset += delta;
  }
}

void ShowClock::pause() {
  if (m_paused) return;
  m_frozen = getTicks();
  m_paused = true;
  applyPause(m_pMusic);
}

void ShowClock::resume() {
  if (!m_paused) return;
  // Goes on from the frozen ticks.
  m_offset = m_frozen - m_pTicks->getTicks();
  m_paused = false;
  applyPause(m_pMusic);
}

void ShowClock::applyPause(ScriptMusic* pMusic) const {
  SoundManager* pSound = asSoundManager(pMusic);
  if (!pSound) return;
  if (m_paused) {
    pSound->pause();
  } else {
    pSound->resume();
  }
}
