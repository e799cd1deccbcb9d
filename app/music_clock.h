#pragma once
// The playing position of the music in milliseconds, as one formula for both ways the music
// runs:
//
//   position(now) = min(anchor + (now - anchorTime), limit), never below what it returned last
//
// On its own (Drive::Steady) the limit is open and the position is real time since the anchor.
// Driven by an audio device (Drive::Device), every callback re-anchors it with sync(): the
// sample heard now, and the furthest it may go before the next callback, so the position moves
// smoothly between callbacks but never ahead of the sound. moveTo() is the only way back.
// Times are steady-clock microseconds given by the caller, so tests drive their own.

#include <cstdint>

class MusicClock {
 public:
  enum class Drive {
    Steady,  // real time from the anchor, unbounded
    Device,  // real time from the last sync, bounded by its limit
  };

  explicit MusicClock(Drive drive = Drive::Steady) : m_drive(drive) {}

  Drive drive() const { return m_drive; }

  // Starts (or restarts) the clock at `ms`; a paused clock stays paused there.
  void start(double ms, std::int64_t nowUs);
  // Jumps to `ms`, backwards too; running or paused as before. With a device the position
  // waits there until the next sync.
  void moveTo(double ms, std::int64_t nowUs);
  // Freezes the position; resume() goes on from it.
  void pause(std::int64_t nowUs);
  void resume(std::int64_t nowUs);
  bool isPaused() const { return m_paused; }
  bool isStarted() const { return m_started; }

  // From the audio device: the sample at `heardMs` is heard at `nowUs`, and until the next
  // sync the position may run up to `limitMs`. Ignored while paused or not started.
  void sync(double heardMs, double limitMs, std::int64_t nowUs);
  // sync() from an audio device callback that has just handed the device `frames` frames, the
  // last ending at frame `endFrame` of the music (`rate` frames a second), while the device
  // holds `latencyMs` of sound ahead of the sample heard now: heard = endFrame / rate - latency,
  // and until the next callback the position may run through the frames handed out.
  void syncDevice(std::int64_t endFrame, std::int64_t frames, int rate, double latencyMs,
                  std::int64_t nowUs);

  // Position at `nowUs` (0 before start()); monotonic between moveTo() calls, even when
  // nowUs goes backwards.
  double positionMs(std::int64_t nowUs);

 private:
  double rawPosition(std::int64_t nowUs) const;

  Drive m_drive;
  bool m_started = false;
  bool m_paused = false;
  double m_anchorMs = 0.0;
  std::int64_t m_anchorUs = 0;
  double m_limitMs = 0.0;
  double m_floorMs = 0.0;
};
