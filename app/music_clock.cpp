#include "app/music_clock.h"

#include <algorithm>
#include <limits>

namespace {
constexpr double kOpen = std::numeric_limits<double>::infinity();
}  // namespace

void MusicClock::start(double ms, std::int64_t nowUs) {
  m_started = true;
  moveTo(ms, nowUs);
}

void MusicClock::moveTo(double ms, std::int64_t nowUs) {
  m_anchorMs = ms;
  m_anchorUs = nowUs;
  m_floorMs = ms;
  // A device has delivered nothing from the new place yet.
  m_limitMs = m_drive == Drive::Device ? ms : kOpen;
}

void MusicClock::pause(std::int64_t nowUs) {
  if (m_paused) return;
  const double ms = m_started ? positionMs(nowUs) : m_anchorMs;
  m_paused = true;
  m_anchorMs = ms;
  m_anchorUs = nowUs;
  // The device is stopped and restarts from here: nothing ahead of it is delivered.
  if (m_drive == Drive::Device) m_limitMs = ms;
}

void MusicClock::resume(std::int64_t nowUs) {
  if (!m_paused) return;
  m_paused = false;
  m_anchorUs = nowUs;
}

void MusicClock::sync(double heardMs, double limitMs, std::int64_t nowUs) {
  if (!m_started || m_paused) return;
  m_anchorMs = heardMs;
  m_anchorUs = nowUs;
  m_limitMs = std::max(limitMs, heardMs);
}

void MusicClock::syncDevice(std::int64_t endFrame, std::int64_t frames, int rate, double latencyMs,
                            std::int64_t nowUs) {
  if (rate <= 0) return;
  const double deliveredMs = static_cast<double>(endFrame) * 1000.0 / rate;
  const double heardMs = deliveredMs - latencyMs;
  const double bufferMs = static_cast<double>(frames) * 1000.0 / rate;
  sync(heardMs, heardMs + bufferMs, nowUs);
}

double MusicClock::rawPosition(std::int64_t nowUs) const {
  if (m_paused) return m_anchorMs;
  const double elapsedMs =
      static_cast<double>(std::max<std::int64_t>(nowUs - m_anchorUs, 0)) / 1000.0;
  return std::min(m_anchorMs + elapsedMs, m_limitMs);
}

double MusicClock::positionMs(std::int64_t nowUs) {
  if (!m_started) return 0.0;
  m_floorMs = std::max(rawPosition(nowUs), m_floorMs);
  return m_floorMs;
}
