// The music: decoding files (a module and a stream told apart, the samples, moving in them, cut
// files ending early), the music as the show's clock (where a module and a stream start, pause
// and moves, the level heard) without an audio device, on a tick counter the tests drive, and
// the clock an audio device drives.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "app/music_clock.h"
#include "app/music_source.h"
#include "app/sound_manager.h"
#include "base/report.h"
#include "tests/app/app_test_util.h"
#include "tests/support/music_files.h"

using ::testing::ElementsAre;

namespace {

// The sample the WAV writer stores for frame i of a 440 Hz sine of amplitude 0.5, as a float.
float sineSample(std::int64_t i, int rate) {
  const double value =
      0.5 * 32767.0 * std::sin(2.0 * std::numbers::pi * 440.0 * static_cast<double>(i) / rate);
  return static_cast<float>(std::round(value) / 32768.0);
}

std::vector<float> readAll(MusicSource& source, std::size_t frames) {
  std::vector<float> out(frames * 2);
  out.resize(source.read(out.data(), frames) * 2);
  return out;
}

// A sound manager without a device, on ticks the test moves, in a folder for music files.
struct SilentMusic {
  TempDir dir;
  ManualTicks ticks{5000};
  SoundManager sound{SoundOptions{false, &ticks}};
};

}  // namespace

TEST(MusicSource, StreamsOfAnyChannelCountGiveTheirSamplesAsStereoThenEnd) {
  TempDir dir;
  for (const auto& [channels, rate] :
       std::vector<std::pair<int, int>>{{2, 44100}, {1, 22050}, {6, 22050}}) {
    SCOPED_TRACE(channels);
    const std::string path = dir.str() + "/tone" + std::to_string(channels) + ".wav";
    ASSERT_TRUE(test_music::writeWav(path, 500, rate, 440.0, 0.5, channels));
    auto pSource = openMusicSource(path);
    ASSERT_NE(pSource, nullptr);
    EXPECT_FALSE(pSource->isModule());
    EXPECT_EQ(pSource->sampleRate(), rate);
    EXPECT_EQ(pSource->lengthMs(), 500);
    const std::vector<float> samples = readAll(*pSource, 30000);
    const std::int64_t nbFrame = rate / 2;
    ASSERT_EQ(samples.size(), static_cast<std::size_t>(nbFrame) * 2);
    for (std::int64_t i : {std::int64_t{1}, nbFrame - 1}) {
      EXPECT_FLOAT_EQ(samples[static_cast<std::size_t>(2 * i)], sineSample(i, rate)) << i;
      EXPECT_FLOAT_EQ(samples[static_cast<std::size_t>(2 * i + 1)], sineSample(i, rate)) << i;
    }
    EXPECT_TRUE(readAll(*pSource, 4).empty());
    // A move goes to the frame of that time, clamped at both ends.
    pSource->seek(250);
    std::vector<float> moved = readAll(*pSource, 2);
    ASSERT_EQ(moved.size(), 4u);
    EXPECT_FLOAT_EQ(moved[2], sineSample(rate / 4 + 1, rate));
    pSource->seek(5000);
    EXPECT_TRUE(readAll(*pSource, 4).empty());
    pSource->seek(-300);
    moved = readAll(*pSource, 2);
    ASSERT_EQ(moved.size(), 4u);
    EXPECT_FLOAT_EQ(moved[2], sineSample(1, rate));
  }
}

TEST(MusicSource, AProTrackerModuleIsAModuleOfItsLayoutsLengthAndSoundsAfterAMove) {
  TempDir dir;
  const std::string path = dir.str() + "/song.mod";
  ASSERT_TRUE(test_music::writeModule(path));
  auto pSource = openMusicSource(path);
  ASSERT_NE(pSource, nullptr);
  EXPECT_TRUE(pSource->isModule());
  EXPECT_EQ(pSource->sampleRate(), 44100);
  EXPECT_EQ(pSource->lengthMs(), 7680);
  pSource->seek(3840);
  const std::vector<float> samples = readAll(*pSource, 4410);
  ASSERT_EQ(samples.size(), 4410u * 2);
  float peak = 0.0f;
  for (float sample : samples)
    peak = std::max(peak, std::fabs(sample));
  EXPECT_GT(peak, 0.05f);
}

// Files that are not music: the sound manager's report, below.
TEST(MusicSource, TruncatedFilesEndWhereTheirDataEnds) {
  TempDir dir;
  const std::vector<std::uint8_t> module = test_music::moduleBytes();
  // A module cut inside its sample headers is none.
  test_music::writeBytes(dir.str() + "/headers.mod", {module.begin(), module.begin() + 600});
  EXPECT_EQ(openMusicSource(dir.str() + "/headers.mod"), nullptr);

  // A WAV whose header promises 1 s but whose data stops after 100 ms.
  std::vector<std::uint8_t> wav = test_music::wavBytes(1000);
  wav.resize(44 + 4410 * 4);
  test_music::writeBytes(dir.str() + "/cut.wav", wav);
  auto pWav = openMusicSource(dir.str() + "/cut.wav");
  ASSERT_NE(pWav, nullptr);
  EXPECT_EQ(pWav->lengthMs(), 100);
  EXPECT_EQ(readAll(*pWav, 44100).size(), 4410u * 2);
  pWav->seek(900);
  EXPECT_TRUE(readAll(*pWav, 100).empty());
  // Cut later, the missing pattern and sample bytes are silence and the song still ends.
  test_music::writeBytes(dir.str() + "/cut.mod", {module.begin(), module.begin() + 1500});
  auto pSource = openMusicSource(dir.str() + "/cut.mod");
  ASSERT_NE(pSource, nullptr);
  EXPECT_TRUE(pSource->isModule());
  EXPECT_LT(readAll(*pSource, 44100 * 9).size(), std::size_t{44100} * 9 * 2);
}

TEST(SoundManager, AFileThatIsNotMusicIsReportedAndTheTimeStaysZero) {
  SilentMusic m;
  m.dir.write("notes.txt", "not a song");
  m.dir.enter();
  ReportCapture capture;
  EXPECT_FALSE(m.sound.load("notes.txt"));
  EXPECT_THAT(capture.lines(), ElementsAre("SoundManager|notes.txt: load: FMod can t load file !"));
  m.sound.setTime(10000);
  m.sound.play();
  m.ticks.now += 1000;
  EXPECT_EQ(m.sound.getTime(), 0);
  EXPECT_EQ(m.sound.getVU(), 0.0f);
}

TEST(SoundManager, PauseFreezesResumeGoesOnSeekJumpsBothWaysEvenForAModule) {
  SilentMusic m;
  test_music::writeWav(m.dir.str() + "/song.wav", 5000, 8000);
  ASSERT_TRUE(m.sound.load(StringC(m.dir.str() + "/song.wav")));
  m.sound.play();
  m.ticks.now += 100;
  EXPECT_EQ(m.sound.getTime(), 100);
  m.sound.pause();
  EXPECT_TRUE(m.sound.isPaused());
  m.ticks.now += 500;
  EXPECT_EQ(m.sound.getTime(), 100);
  m.sound.seek(2000);
  EXPECT_EQ(m.sound.getTime(), 2000);
  m.sound.resume();
  m.ticks.now += 50;
  EXPECT_EQ(m.sound.getTime(), 2050);
  m.sound.setTime(300);  // a stream's setTime (the show's offset) moves it
  EXPECT_EQ(m.sound.getTime(), 300);
  m.sound.setTime(-40);  // before the start is the start
  EXPECT_EQ(m.sound.getTime(), 0);

  // A seek before play moves a module's start too; the show's offset (setTime) does not.
  SoundManager module{SoundOptions{false, &m.ticks}};
  test_music::writeModule(m.dir.str() + "/song.mod");
  ASSERT_TRUE(module.load(StringC(m.dir.str() + "/song.mod")));
  module.seek(3000);
  module.setTime(10000);
  module.play();
  m.ticks.now += 10;
  EXPECT_EQ(module.getTime(), 3010);
  // A module has no level, though it sounds from 3840 ms (see above).
  m.ticks.now += 840;
  EXPECT_EQ(module.getVU(), 0.0f);
}

TEST(SoundManager, TheLevelFollowsTheSoundAtTheClocksPosition) {
  SilentMusic m;
  // 1 s at 0.8, the first half silenced: 500 ms of silence, then loud.
  std::vector<std::uint8_t> wav = test_music::wavBytes(1000, 8000, 440.0, 0.8);
  std::fill(wav.begin() + 44, wav.begin() + 44 + 4000 * 4, 0);
  test_music::writeBytes(m.dir.str() + "/half.wav", wav);
  ASSERT_TRUE(m.sound.load(StringC(m.dir.str() + "/half.wav")));
  EXPECT_EQ(m.sound.getVU(), 0.0f);  // not playing yet
  m.sound.play();
  m.ticks.now += 200;
  EXPECT_EQ(m.sound.getVU(), 0.0f);
  m.ticks.now += 500;  // 700 ms: loud, the peak of a 0.8 sine over 20 ms
  EXPECT_NEAR(m.sound.getVU(), 0.8f, 0.01f);
  m.sound.pause();
  EXPECT_NEAR(m.sound.getVU(), 0.8f, 0.01f);
  m.sound.resume();
  m.sound.seek(100);  // backwards: silent again
  EXPECT_EQ(m.sound.getVU(), 0.0f);
  m.sound.seek(950);  // far ahead
  EXPECT_NEAR(m.sound.getVU(), 0.8f, 0.01f);
  m.ticks.now += 2000;  // past the end: silent, and the time runs on
  EXPECT_EQ(m.sound.getVU(), 0.0f);
  EXPECT_EQ(m.sound.getTime(), 2950);
}

namespace {

// The music clock driven by an audio device as the player drives it: each callback hands it the
// next `frames` frames of the music and syncs the clock; the device plays what it holds at `rate`
// frames a second and goes silent when it runs dry. A callback on time finds it holding `latency`
// frames ahead of the sample heard, the ones it is handed included.
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
  for (const Device d : {Device{48000, 480, 720}, Device{44100, 1024, 1024}}) {
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
