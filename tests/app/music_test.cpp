// The music: decoding files (a module and a stream told apart, the samples, moving in them, bad
// files giving nothing), the music as the show's clock (where a module and a stream start, pause
// and moves, the level heard). The tests run without an audio device, on a tick counter they
// drive.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

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

TEST(MusicSource, BadFilesGiveNothingAndTruncatedOnesEndWhereTheirDataEnds) {
  TempDir dir;
  std::mt19937 random(7);
  std::vector<std::uint8_t> noise(6000);
  std::generate(noise.begin(), noise.end(), [&] { return static_cast<std::uint8_t>(random()); });
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
  }
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

  // A seek before play moves a module's start too; the show's offset (setTime) does not.
  SoundManager module{SoundOptions{false, &m.ticks}};
  test_music::writeModule(m.dir.str() + "/song.mod");
  ASSERT_TRUE(module.load(StringC(m.dir.str() + "/song.mod")));
  module.seek(3000);
  module.setTime(10000);
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
  m.ticks.now += 2000;  // past the end: silent, and the time runs on
  EXPECT_EQ(m.sound.getVU(), 0.0f);
  EXPECT_EQ(m.sound.getTime(), 2950);
}

// The real sound manager, played by a show from the MUSIC section's offset, drives its sound
// controller with the level heard: a stream starts at the offset, a module at its beginning and
// has no level.
TEST(MusicInAShow, ASoundControllerReadsTheLevelHeardFromWhereTheMusicStarts) {
  TempDir dir;
  dir.enter();
  // Sines of amplitude 0.5: 1 s; 10.5 s silent for its first 10 s; a module.
  ASSERT_TRUE(test_music::writeWav("loud.wav", 1000, 8000, 440.0, 0.5));
  std::vector<std::uint8_t> late = test_music::wavBytes(10500, 8000, 440.0, 0.5, 1);
  std::fill(late.begin() + 44, late.begin() + 44 + 80000 * 2, 0);
  ASSERT_TRUE(test_music::writeBytes("late.wav", late));
  ASSERT_TRUE(test_music::writeModule("song.mod"));
  std::filesystem::create_directories("data/lcx");
  ASSERT_TRUE(test_controllers::writeLive("data/lcx/level.lcx", LCXControllerType::Sound));
  ASSERT_TRUE(test_controllers::writeLecx("vu.lecx", 1, {{"Green", "level"}}));
  struct Case {
    const char* music;
    std::int32_t offset, startMs;
    std::uint32_t playMs;
    std::uint32_t greenLow, greenHigh;
  };
  // Peak 16384 / 32768 = 0.5 -> trunc(0.5 * 255) = 127, give or take the rounding of the sine.
  // The module sounds 3840 ms in (see above), yet its level is 0.
  for (const Case& c :
       {Case{"loud.wav", 0, 0, 500, 126, 127}, Case{"late.wav", 10000, 10000, 40, 126, 127},
        Case{"song.mod", 10000, 0, 3840, 0, 0}}) {
    SCOPED_TRACE(c.music);
    dir.write("show.lscx",
              scriptText({{"LAYER_DIMENSION", {"desc: d 4 2"}},
                          {"CONTROLLER", {"file: vu vu.lecx"}},
                          {"SCREEN_LAYER", {"desc: screen d"}},
                          {"EFFECT", {"desc: colour COLOR"}},
                          {"EFFECT_DESC", {"desc: meter colour vu ADD 0 0 0"}},
                          {"LAYER_MANAGER",
                           {"desc: screen 1 0 100000 c 0 0 0", "desc: screen 2 0 100000 e meter"}}},
                         std::string("file: ") + c.music + "\noffset: " + std::to_string(c.offset) +
                             "\n"));
    ManualTicks ticks{7000};
    ScriptEngine engine(
        ScriptEngineServices{&ticks, [&ticks] {
                               return std::make_unique<SoundManager>(SoundOptions{false, &ticks});
                             }});
    engine.load(StringC("show.lscx"));
    engine.start();
    EXPECT_EQ(engine.getTime(), c.startMs);
    CImage32Buffered frame{4, 2};
    // Lets `ms` of music play, then renders the frame; gives its first pixel.
    const auto frameAfter = [&](std::uint32_t ms) {
      ticks.now += ms;
      engine.render(&frame);
      return frame.getPixels()[0] & 0xFFFFFFu;
    };
    const std::uint32_t green = (frameAfter(c.playMs) >> 8) & 0xFF;
    EXPECT_EQ(engine.getTime(), c.startMs + static_cast<std::int32_t>(c.playMs));
    EXPECT_GE(green, c.greenLow);
    EXPECT_LE(green, c.greenHigh);
    // After the end of the streams there is nothing to hear.
    EXPECT_EQ(frameAfter(2000), 0u);
  }
}
