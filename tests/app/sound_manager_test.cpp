// The music as the show's clock: where a module and a stream start, the report of a file that
// is not music, pausing and moving, the level of the sound, and the clock's own arithmetic.
// Most tests run without an audio device on a tick counter they drive; one runs SDL's dummy
// driver, which consumes samples in real time.

#include "app/sound_manager.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "app/music_clock.h"
#include "base/report.h"
#include "tests/support/music_files.h"
#include "tests/support/temp_dir.h"

using ::testing::ElementsAre;

namespace {

class ManualTicks final : public TickSource {
 public:
  std::uint32_t getTicks() override { return now; }
  std::uint32_t now = 5000;
};

// A sound manager without a device, on ticks the test moves, in a folder with music files.
struct SilentMusic {
  TempDir dir;
  ManualTicks ticks;
  SoundManager sound{SoundOptions{false, &ticks}};
};

}  // namespace

// --- Where the music starts ---

TEST(SoundManagerStart, ModuleIgnoresTheOffsetAndStartsAtZero) {
  SilentMusic m;
  test_music::writeModule(m.dir.str() + "/song.mod");
  ASSERT_TRUE(m.sound.load(StringC(m.dir.str() + "/song.mod")));
  EXPECT_TRUE(m.sound.isModule());
  m.sound.setTime(10000);
  EXPECT_EQ(m.sound.getTime(), 0);
  m.sound.play();
  EXPECT_EQ(m.sound.getTime(), 0);
  m.ticks.now += 480;
  EXPECT_EQ(m.sound.getTime(), 480);
  EXPECT_EQ(m.sound.getVU(), 0.0f);
}

TEST(SoundManagerStart, StreamStartsAtTheOffset) {
  SilentMusic m;
  test_music::writeWav(m.dir.str() + "/song.wav", 12000, 8000);
  ASSERT_TRUE(m.sound.load(StringC(m.dir.str() + "/song.wav")));
  EXPECT_FALSE(m.sound.isModule());
  m.sound.setTime(10000);
  m.sound.play();
  EXPECT_EQ(m.sound.getTime(), 10000);
  m.ticks.now += 38;
  EXPECT_EQ(m.sound.getTime(), 10038);
  // Past the end of the music the time goes on.
  m.ticks.now += 5000;
  EXPECT_EQ(m.sound.getTime(), 15038);
  EXPECT_EQ(m.sound.getVU(), 0.0f);
}

TEST(SoundManagerStart, SeekBeforePlayMovesAModuleStartToo) {
  SilentMusic m;
  test_music::writeModule(m.dir.str() + "/song.mod");
  ASSERT_TRUE(m.sound.load(StringC(m.dir.str() + "/song.mod")));
  m.sound.seek(3000);
  m.sound.play();
  m.ticks.now += 10;
  EXPECT_EQ(m.sound.getTime(), 3010);
}

// --- Loading ---

TEST(SoundManagerLoad, FileThatIsNotMusicIsReportedAndTheTimeStaysZero) {
  SilentMusic m;
  m.dir.write("notes.txt", "not a song");
  m.dir.enter();
  for (const char* name : {"notes.txt", "missing.mod"}) {
    ReportCapture capture;
    SoundManager sound{SoundOptions{false, &m.ticks}};
    EXPECT_FALSE(sound.load(name));
    EXPECT_THAT(capture.lines(), ElementsAre(std::string("SoundManager|") + name +
                                             ": load: FMod can t load file !"));
    sound.setTime(10000);
    sound.play();
    m.ticks.now += 1000;
    EXPECT_EQ(sound.getTime(), 0);
    EXPECT_EQ(sound.getVU(), 0.0f);
    EXPECT_FALSE(sound.isLoaded());
    EXPECT_TRUE(sound.getPath().empty());
  }
}

TEST(SoundManagerLoad, NameWithOtherSeparatorsAndCaseFindsTheFile) {
  SilentMusic m;
  std::filesystem::create_directories(m.dir.path() / "music");
  test_music::writeWav((m.dir.path() / "music" / "song.wav").string(), 100);
  m.dir.enter();
  ReportCapture capture;
  ASSERT_TRUE(m.sound.load("MUSIC\\Song.WAV"));
  const std::filesystem::path opened = m.sound.getPath();
  EXPECT_TRUE(opened.is_absolute());
  EXPECT_TRUE(std::filesystem::equivalent(opened, m.dir.path() / "music" / "song.wav"));
  EXPECT_EQ(opened.filename(), "song.wav");
  EXPECT_TRUE(capture.lines().empty());
  EXPECT_FALSE(m.sound.hasAudioOutput());
}

// --- Pause, resume, seek ---

TEST(SoundManagerControl, PauseFreezesResumeGoesOnSeekJumpsBothWays) {
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
  m.sound.seek(300);
  EXPECT_EQ(m.sound.getTime(), 300);
  m.sound.setTime(-40);  // a stream's setTime moves it; before the start is the start
  EXPECT_EQ(m.sound.getTime(), 0);
}

// --- Level ---

TEST(SoundManagerLevel, LevelFollowsTheSoundAtTheClocksPosition) {
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
  m.ticks.now += 2000;  // past the end
  EXPECT_EQ(m.sound.getVU(), 0.0f);
}

// --- The clock's arithmetic ---

TEST(MusicClock, SteadyDriveCountsRealTimeAndNeverGoesBack) {
  MusicClock clock;
  EXPECT_EQ(clock.positionMs(1'000'000), 0.0);  // not started
  clock.start(250.0, 1'000'000);
  EXPECT_DOUBLE_EQ(clock.positionMs(1'001'500), 251.5);
  EXPECT_DOUBLE_EQ(clock.positionMs(1'000'000), 251.5);  // the steady clock stepped back
  clock.pause(1'002'000);
  EXPECT_DOUBLE_EQ(clock.positionMs(9'000'000), 252.0);
  clock.sync(900.0, 950.0, 9'000'000);  // a late callback while paused changes nothing
  clock.resume(10'000'000);
  EXPECT_DOUBLE_EQ(clock.positionMs(10'004'000), 256.0);
  clock.moveTo(10.0, 10'004'000);
  EXPECT_DOUBLE_EQ(clock.positionMs(10'005'000), 11.0);
}

TEST(MusicClock, DeviceDriveInterpolatesBetweenCallbacksWithoutRunningAhead) {
  MusicClock clock(MusicClock::Drive::Device);
  clock.start(1000.0, 0);
  EXPECT_DOUBLE_EQ(clock.positionMs(50'000), 1000.0);  // nothing delivered yet
  clock.sync(1000.0, 1023.0, 50'000);
  EXPECT_DOUBLE_EQ(clock.positionMs(60'000), 1010.0);
  EXPECT_DOUBLE_EQ(clock.positionMs(200'000), 1023.0);  // late callback: waits at the limit
  clock.sync(1015.0, 1038.0, 210'000);                  // a heard position behind what was shown
  EXPECT_DOUBLE_EQ(clock.positionMs(211'000), 1023.0);
  EXPECT_DOUBLE_EQ(clock.positionMs(220'000), 1025.0);
  clock.pause(220'000);
  clock.resume(500'000);  // the device restarts from the frozen place
  EXPECT_DOUBLE_EQ(clock.positionMs(600'000), 1025.0);
  clock.sync(1025.0, 1048.0, 600'000);
  EXPECT_DOUBLE_EQ(clock.positionMs(605'000), 1030.0);
}

// --- With an audio device ---

TEST(SoundManagerDevice, DummyDeviceDrivesAMonotonicClockFromTheOffset) {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  TempDir dir;
  test_music::writeWav(dir.str() + "/song.wav", 3000, 44100, 440.0, 0.5);
  SoundManager sound;
  ASSERT_TRUE(sound.load(StringC(dir.str() + "/song.wav")));
  if (!sound.hasAudioOutput()) GTEST_SKIP() << "SDL has no dummy audio driver here";
  sound.setTime(1000);
  const auto start = std::chrono::steady_clock::now();
  sound.play();
  std::int32_t last = sound.getTime();
  EXPECT_GE(last, 1000);
  for (int i = 0; i < 40; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const std::int32_t now = sound.getTime();
    EXPECT_GE(now, last);
    last = now;
  }
  // The device consumes in real time: the clock has moved, but never ahead of the real time
  // gone by (give or take the two 23 ms buffers a device may take at once).
  const auto elapsedMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                             std::chrono::steady_clock::now() - start)
                             .count();
  EXPECT_GT(last - 1000, elapsedMs / 2 - 50);
  EXPECT_LE(last - 1000, elapsedMs + 50);
  EXPECT_NEAR(sound.getVU(), 0.5f, 0.01f);
  // Paused, the clock stands and the level is still that of the place it stands at.
  sound.pause();
  const std::int32_t paused = sound.getTime();
  std::this_thread::sleep_for(std::chrono::milliseconds(60));
  EXPECT_EQ(sound.getTime(), paused);
  EXPECT_NEAR(sound.getVU(), 0.5f, 0.01f);
  sound.seek(2500);
  EXPECT_EQ(sound.getTime(), 2500);
  const auto resumed = std::chrono::steady_clock::now();
  sound.resume();
  std::this_thread::sleep_for(std::chrono::milliseconds(60));
  const std::int32_t afterResume = sound.getTime();
  EXPECT_GT(afterResume, 2500);
  EXPECT_LE(afterResume - 2500, std::chrono::duration_cast<std::chrono::milliseconds>(
                                    std::chrono::steady_clock::now() - resumed)
                                        .count() +
                                    50);
}
