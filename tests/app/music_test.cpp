// The music: decoding files (a module and a stream told apart, the samples, moving in them, bad
// files giving nothing), the music as the show's clock (where a module and a stream start, pause
// and moves, the level heard), the clock's own arithmetic, and a real audio device.
// Most tests run without a device on a tick counter they drive.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <numbers>
#include <random>
#include <thread>

#include "app/music_clock.h"
#include "app/music_source.h"
#include "app/sound_manager.h"
#include "base/report.h"
#include "script/script_engine.h"
#include "tests/app/app_test_util.h"
#include "tests/support/controller_files.h"
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

// --- Decoding ---

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
    for (std::int64_t i : {std::int64_t{0}, std::int64_t{1}, std::int64_t{25}, nbFrame - 1}) {
      EXPECT_FLOAT_EQ(samples[static_cast<std::size_t>(2 * i)], sineSample(i, rate)) << i;
      EXPECT_FLOAT_EQ(samples[static_cast<std::size_t>(2 * i + 1)], sineSample(i, rate)) << i;
    }
    float buffer[8];
    EXPECT_EQ(pSource->read(buffer, 4), 0u);
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
  for (std::int64_t ms : {0, 3840}) {
    pSource->seek(ms);
    const std::vector<float> samples = readAll(*pSource, 4410);
    ASSERT_EQ(samples.size(), 4410u * 2);
    float peak = 0.0f;
    for (float sample : samples)
      peak = std::max(peak, std::fabs(sample));
    EXPECT_GT(peak, 0.05f) << ms;
  }
}

TEST(MusicSource, BadFilesGiveNothingAndTruncatedOnesEndWhereTheirDataEnds) {
  TempDir dir;
  std::mt19937 random(7);
  std::vector<std::uint8_t> noise(6000);
  for (std::uint8_t& byte : noise)
    byte = static_cast<std::uint8_t>(random() & 0xFFu);
  test_music::writeBytes(dir.str() + "/noise.bin", noise);
  dir.write("text.txt", "<MUSIC>\nfile: song.mod\n</MUSIC>\n");
  dir.write("empty.wav", "");
  dir.write("folder.wav/inside.txt", "x");
  const std::vector<std::uint8_t> module = test_music::moduleBytes();
  // A module cut inside its sample headers is none.
  test_music::writeBytes(dir.str() + "/headers.mod", {module.begin(), module.begin() + 600});
  for (const char* name :
       {"noise.bin", "text.txt", "empty.wav", "folder.wav", "missing.wav", "headers.mod"})
    EXPECT_EQ(openMusicSource(dir.str() + "/" + name), nullptr) << name;

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
  for (std::size_t size : {std::size_t{1084}, std::size_t{1500}, module.size() - 10}) {
    test_music::writeBytes(dir.str() + "/cut.mod",
                           {module.begin(), module.begin() + static_cast<std::ptrdiff_t>(size)});
    auto pSource = openMusicSource(dir.str() + "/cut.mod");
    ASSERT_NE(pSource, nullptr) << size;
    EXPECT_TRUE(pSource->isModule());
    EXPECT_LT(readAll(*pSource, 44100 * 9).size(), std::size_t{44100} * 9 * 2) << size;
  }
}

// --- The sound manager on ticks ---

TEST(SoundManager, AFileThatIsNotMusicIsReportedAndTheTimeStaysZero) {
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

TEST(SoundManager, ANameWithOtherSeparatorsAndCaseFindsTheFile) {
  SilentMusic m;
  std::filesystem::create_directories(m.dir.path() / "music");
  test_music::writeWav((m.dir.path() / "music/song.wav").string(), 100);
  m.dir.enter();
  ReportCapture capture;
  ASSERT_TRUE(m.sound.load("MUSIC\\Song.WAV"));
  const std::filesystem::path opened = m.sound.getPath();
  EXPECT_TRUE(opened.is_absolute());
  EXPECT_TRUE(std::filesystem::equivalent(opened, m.dir.path() / "music/song.wav"));
  EXPECT_EQ(opened.filename(), "song.wav");
  EXPECT_TRUE(capture.lines().empty());
  EXPECT_FALSE(m.sound.hasAudioOutput());
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
  m.sound.seek(300);
  EXPECT_EQ(m.sound.getTime(), 300);
  m.sound.setTime(-40);  // a stream's setTime moves it; before the start is the start
  EXPECT_EQ(m.sound.getTime(), 0);

  // A seek before play moves a module's start too.
  SoundManager module{SoundOptions{false, &m.ticks}};
  test_music::writeModule(m.dir.str() + "/song.mod");
  ASSERT_TRUE(module.load(StringC(m.dir.str() + "/song.mod")));
  module.seek(3000);
  module.play();
  m.ticks.now += 10;
  EXPECT_EQ(module.getTime(), 3010);
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
  m.ticks.now += 2000;  // past the end
  EXPECT_EQ(m.sound.getVU(), 0.0f);
}

// --- A show follows its music ---

namespace {

class MusicSync : public ::testing::Test {
 protected:
  void SetUp() override { m_dir.enter(); }

  // Plays `text` (show.lscx) on a 4 x 2 screen.
  void start(const std::string& text) {
    m_dir.write("show.lscx", text);
    ScriptEngineServices services;
    services.pTicks = &m_ticks;
    services.createMusic = [this] {
      auto pSound = std::make_unique<SoundManager>(SoundOptions{false, &m_ticks});
      m_pSound = pSound.get();
      return pSound;
    };
    m_pEngine = std::make_unique<ScriptEngine>(std::move(services));
    m_pEngine->load(StringC("show.lscx"));
    m_pEngine->start();
  }
  // Red for the first second, green for the second, blue from 10 s, grey from 10.5 s.
  void startColours(const std::string& music, int offset) {
    start(scriptText(
        {{"LAYER_DIMENSION", {"desc: d 4 2"}},
         {"SCREEN_LAYER", {"desc: screen d"}},
         {"LAYER_MANAGER",
          {"desc: screen 1 0 1000 c 255 0 0", "desc: screen 1 1000 2000 c 0 255 0",
           "desc: screen 1 10000 10500 c 0 0 255", "desc: screen 1 10500 20000 c 128 128 128"}}},
        "file: " + music + "\noffset: " + std::to_string(offset) + "\n"));
  }

  // Lets `ms` of music play, then renders the frame; gives its first pixel.
  std::uint32_t frameAfter(std::uint32_t ms) {
    m_ticks.now += ms;
    m_pEngine->render(&m_frame);
    return m_frame.getPixels()[0] & 0xFFFFFFu;
  }

  TempDir m_dir;
  ManualTicks m_ticks{7000};
  SoundManager* m_pSound = nullptr;
  std::unique_ptr<ScriptEngine> m_pEngine;
  CImage32Buffered m_frame{4, 2};
};

}  // namespace

TEST_F(MusicSync, AModuleStartsAtZeroWhateverTheOffset) {
  ASSERT_TRUE(test_music::writeModule("song.mod", 2));
  startColours("song.mod", 10000);
  ASSERT_TRUE(m_pSound && m_pSound->isModule());
  EXPECT_EQ(m_pSound->getTime(), 0);
  EXPECT_EQ(frameAfter(400), 0xFF0000u);
  EXPECT_EQ(m_pSound->getTime(), 400);
  EXPECT_EQ(frameAfter(1000), 0x00FF00u);
  EXPECT_EQ(frameAfter(9000), 0x0000FFu);
  EXPECT_EQ(m_pSound->getVU(), 0.0f);
  // Seeking the music moves the show with it.
  m_pSound->seek(600);
  EXPECT_EQ(frameAfter(0), 0xFF0000u);
}

TEST_F(MusicSync, AStreamStartsAtTheOffsetAndItsTimeRunsOnPastItsEnd) {
  ASSERT_TRUE(test_music::writeWav("song.wav", 14000, 8000));
  startColours("song.wav", 10000);
  ASSERT_TRUE(m_pSound && !m_pSound->isModule());
  EXPECT_EQ(frameAfter(100), 0x0000FFu);
  EXPECT_EQ(m_pSound->getTime(), 10100);
  EXPECT_EQ(frameAfter(500), 0x808080u);
  EXPECT_EQ(frameAfter(5000), 0x808080u);
  EXPECT_EQ(m_pSound->getTime(), 15600);
  EXPECT_EQ(m_pSound->getVU(), 0.0f);
}

TEST_F(MusicSync, ASoundControllerReadsTheLevelHeard) {
  // A sine of amplitude 0.5 lasting 1 s.
  ASSERT_TRUE(test_music::writeWav("loud.wav", 1000, 8000, 440.0, 0.5));
  std::filesystem::create_directories("data/lcx");
  ASSERT_TRUE(test_controllers::writeLive("data/lcx/level.lcx", LCXControllerType::Sound));
  ASSERT_TRUE(test_controllers::writeLecx("vu.lecx", 1, {{"Green", "level"}}));
  start(scriptText(
      {{"LAYER_DIMENSION", {"desc: d 4 2"}},
       {"CONTROLLER", {"file: vu vu.lecx"}},
       {"SCREEN_LAYER", {"desc: screen d"}},
       {"EFFECT", {"desc: colour COLOR"}},
       {"EFFECT_DESC", {"desc: meter colour vu ADD 0 0 0"}},
       {"LAYER_MANAGER", {"desc: screen 1 0 100000 c 0 0 0", "desc: screen 2 0 100000 e meter"}}},
      "file: loud.wav\noffset: 0\n"));
  // Peak 16384 / 32768 = 0.5 -> trunc(0.5 * 255) = 127, give or take the rounding of the sine.
  const std::uint32_t green = (frameAfter(500) >> 8) & 0xFF;
  EXPECT_GE(green, 126u);
  EXPECT_LE(green, 127u);
  EXPECT_EQ(frameAfter(0) & 0xFF00FF, 0u);
  // After the end of the music there is nothing to hear.
  EXPECT_EQ(frameAfter(2000), 0u);
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

TEST(SoundManagerDevice, TheDummyDeviceDrivesAMonotonicClockFromTheOffset) {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  TempDir dir;
  test_music::writeWav(dir.str() + "/song.wav", 3000, 44100, 440.0, 0.5);
  SoundManager sound;
  ASSERT_TRUE(sound.load(StringC(dir.str() + "/song.wav")));
  if (!sound.hasAudioOutput()) GTEST_SKIP() << "SDL has no dummy audio driver here";
  const auto msSince = [](std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start)
        .count();
  };
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
  const auto elapsedMs = msSince(start);
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
  EXPECT_LE(afterResume - 2500, msSince(resumed) + 50);
}
