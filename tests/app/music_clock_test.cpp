// The music clock driven by an audio device: a simulated device whose callbacks hand out frames,
// hold some latency, come late or run the device dry, while the player moves the music.

#include "app/music_clock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

// An audio device as the player drives it: each callback hands it the next `frames` frames of
// the music and syncs the clock; the device plays what it holds at `rate` frames a second and
// goes silent when it runs dry. A callback on time finds it holding `latency` frames ahead of
// the sample heard, the ones it is handed included.
class FakeDevice {
 public:
  FakeDevice(int rate, std::int64_t frames, std::int64_t latency)
      : m_rate(rate), m_frames(frames), m_latency(latency) {}

  void start(double ms, std::int64_t nowUs) {
    m_startFrame = m_end = frameOf(ms);
    // Silence queued ahead of the music's first frame.
    m_heard = static_cast<double>(m_end - (m_latency - m_frames));
    m_atUs = nowUs;
    m_clock.start(ms, nowUs);
  }
  void callback(std::int64_t nowUs) {
    m_heard = heardAt(nowUs);
    m_atUs = nowUs;
    m_end += m_frames;
    m_clock.syncDevice(m_end, m_frames, m_rate, 1000.0 * static_cast<double>(m_latency) / m_rate,
                       nowUs);
  }
  // The player moves the music: what the device still holds is sound from before the move.
  void seek(double ms, std::int64_t nowUs) {
    const double held = static_cast<double>(m_end) - heardAt(nowUs);
    m_startFrame = m_end = frameOf(ms);
    m_heard = static_cast<double>(m_end) - held;
    m_atUs = nowUs;
    m_clock.moveTo(ms, nowUs);
  }
  // Position in ms of the sample of the music heard at `nowUs`; its start while nothing of it
  // has been heard since the start or the last move.
  double playedMs(std::int64_t nowUs) const {
    return std::max(heardAt(nowUs), static_cast<double>(m_startFrame)) * 1000.0 / m_rate;
  }
  double clockMs(std::int64_t nowUs) { return m_clock.positionMs(nowUs); }

 private:
  std::int64_t frameOf(double ms) const { return std::llround(ms * m_rate / 1000.0); }
  double heardAt(std::int64_t nowUs) const {
    const double played = static_cast<double>(nowUs - m_atUs) * m_rate / 1e6;
    return std::min(m_heard + played, static_cast<double>(m_end));
  }

  int m_rate;
  std::int64_t m_frames;
  std::int64_t m_latency;
  MusicClock m_clock{MusicClock::Drive::Device};
  std::int64_t m_startFrame = 0;
  std::int64_t m_end = 0;
  double m_heard = 0.0;
  std::int64_t m_atUs = 0;
};

}  // namespace

// Callback k is due after k buffers. Callback 10 comes 0.6 buffer late, and from callback 20 on
// every one is 4 buffers late (the device ran dry once). After 38.5 buffers the music moves back
// to 100 ms, after 52.5 forward to 5000 ms. Sampled every 0.25 ms the position never goes back
// except at a move (and then not below where it moved), and stays within one buffer of the sample
// heard. A latency above one buffer tells a clock that ignores it; running dry tells one that
// runs on past the frames handed out.
TEST(MusicClock, ADeviceClockFollowsTheSoundHeardWithinOneBuffer) {
  struct Device {
    int rate;
    std::int64_t frames, latency;
  };
  for (const Device d :
       {Device{48000, 480, 720}, Device{44100, 1024, 1024}, Device{22050, 256, 448}}) {
    SCOPED_TRACE(d.rate);
    const double bufferMs = 1000.0 * static_cast<double>(d.frames) / d.rate;
    const auto atBuffers = [&](double n) { return std::llround(n * bufferMs * 1000.0); };
    struct Event {
      std::int64_t atUs;
      double seekMs;  // < 0: a callback
    };
    std::vector<Event> events;
    for (int k = 0; k < 60; ++k)
      events.push_back({atBuffers(k + (k == 10 ? 0.6 : 0.0) + (k >= 20 ? 4.0 : 0.0)), -1.0});
    events.push_back({atBuffers(38.5), 100.0});
    events.push_back({atBuffers(52.5), 5000.0});
    std::stable_sort(events.begin(), events.end(),
                     [](const Event& a, const Event& b) { return a.atUs < b.atUs; });

    FakeDevice device(d.rate, d.frames, d.latency);
    device.start(1000.0, 0);
    double last = device.clockMs(0);
    EXPECT_EQ(last, 1000.0);
    auto next = events.begin();
    for (std::int64_t t = 0; t < atBuffers(64.0); t += 250) {
      double floorMs = last;
      for (; next != events.end() && next->atUs <= t; ++next) {
        if (next->seekMs < 0.0) {
          device.callback(next->atUs);
        } else {
          device.seek(next->seekMs, next->atUs);
          floorMs = next->seekMs;
        }
      }
      const double position = device.clockMs(t);
      ASSERT_GE(position, floorMs) << "at " << t << " us";
      ASSERT_NEAR(position, device.playedMs(t), bufferMs + 1e-9) << "at " << t << " us";
      last = position;
    }
  }
}
