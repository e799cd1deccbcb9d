// Decoding music files: a module and a stream told apart, the samples of a stream, moving in
// them, and files that are not music (or are broken) giving nothing rather than a crash.

#include "app/music_source.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "tests/support/music_files.h"
#include "tests/support/temp_dir.h"

namespace {

// The sample the WAV writer stores for frame i of a 440 Hz sine at `amplitude`, as a float.
float sineSample(std::int64_t i, int rate, double amplitude) {
  const double value = amplitude * 32767.0 *
                       std::sin(2.0 * std::numbers::pi * 440.0 * static_cast<double>(i) / rate);
  return static_cast<float>(std::round(value) / 32768.0);
}

std::vector<float> readAll(MusicSource& source, std::size_t frames) {
  std::vector<float> out(frames * 2);
  out.resize(source.read(out.data(), frames) * 2);
  return out;
}

}  // namespace

TEST(MusicSourceStream, StereoWavGivesItsSamplesThenEnds) {
  TempDir dir;
  const std::string path = dir.str() + "/tone.wav";
  ASSERT_TRUE(test_music::writeWav(path, 500));
  auto pSource = openMusicSource(path);
  ASSERT_NE(pSource, nullptr);
  EXPECT_FALSE(pSource->isModule());
  EXPECT_EQ(pSource->sampleRate(), 44100);
  EXPECT_EQ(pSource->lengthMs(), 500);
  const std::vector<float> samples = readAll(*pSource, 30000);
  ASSERT_EQ(samples.size(), 22050u * 2);
  for (std::int64_t i : {0, 1, 25, 100, 22049}) {
    EXPECT_FLOAT_EQ(samples[static_cast<std::size_t>(2 * i)], sineSample(i, 44100, 0.5)) << i;
    EXPECT_FLOAT_EQ(samples[static_cast<std::size_t>(2 * i + 1)], sineSample(i, 44100, 0.5)) << i;
  }
  float buffer[8];
  EXPECT_EQ(pSource->read(buffer, 4), 0u);
}

TEST(MusicSourceStream, MonoAndSixChannelsComeOutAsStereo) {
  TempDir dir;
  for (int channels : {1, 6}) {
    const std::string path = dir.str() + "/tone" + std::to_string(channels) + ".wav";
    ASSERT_TRUE(test_music::writeWav(path, 100, 22050, 440.0, 0.5, channels));
    auto pSource = openMusicSource(path);
    ASSERT_NE(pSource, nullptr) << channels;
    EXPECT_EQ(pSource->sampleRate(), 22050);
    const std::vector<float> samples = readAll(*pSource, 5000);
    ASSERT_EQ(samples.size(), 2205u * 2) << channels;
    for (std::int64_t i : {0, 7, 1000, 2204}) {
      const auto at = static_cast<std::size_t>(2 * i);
      EXPECT_FLOAT_EQ(samples[at], sineSample(i, 22050, 0.5)) << channels << " " << i;
      EXPECT_FLOAT_EQ(samples[at + 1], sineSample(i, 22050, 0.5)) << channels << " " << i;
    }
  }
}

TEST(MusicSourceStream, SeekMovesToTheFrameOfThatTimeAndClampsAtBothEnds) {
  TempDir dir;
  const std::string path = dir.str() + "/tone.wav";
  ASSERT_TRUE(test_music::writeWav(path, 1000));
  auto pSource = openMusicSource(path);
  ASSERT_NE(pSource, nullptr);
  pSource->seek(250);
  std::vector<float> samples = readAll(*pSource, 4);
  ASSERT_EQ(samples.size(), 8u);
  EXPECT_FLOAT_EQ(samples[0], sineSample(11025, 44100, 0.5));
  EXPECT_FLOAT_EQ(samples[2], sineSample(11026, 44100, 0.5));
  pSource->seek(5000);
  EXPECT_TRUE(readAll(*pSource, 4).empty());
  pSource->seek(-300);
  samples = readAll(*pSource, 2);
  ASSERT_EQ(samples.size(), 4u);
  EXPECT_FLOAT_EQ(samples[2], sineSample(1, 44100, 0.5));
}

TEST(MusicSourceModule, ProTrackerModuleIsAModuleOfItsLayoutsLength) {
  TempDir dir;
  const std::string path = dir.str() + "/song.mod";
  ASSERT_TRUE(test_music::writeModule(path));
  auto pSource = openMusicSource(path);
  ASSERT_NE(pSource, nullptr);
  EXPECT_TRUE(pSource->isModule());
  EXPECT_EQ(pSource->sampleRate(), 44100);
  EXPECT_EQ(pSource->lengthMs(), 7680);
  // It sounds, and keeps sounding after a move to the middle of the song.
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

TEST(MusicSourceBadInput, FilesThatAreNotMusicGiveNothing) {
  TempDir dir;
  std::mt19937 random(7);
  std::vector<std::uint8_t> noise(6000);
  for (std::uint8_t& byte : noise)
    byte = static_cast<std::uint8_t>(random() & 0xFFu);
  test_music::writeBytes(dir.str() + "/noise.bin", noise);
  dir.write("text.txt", "<MUSIC>\nfile: song.mod\n</MUSIC>\n");
  dir.write("empty.wav", "");
  dir.write("folder.wav/inside.txt", "x");
  for (const char* name : {"noise.bin", "text.txt", "empty.wav", "folder.wav", "missing.wav"})
    EXPECT_EQ(openMusicSource(dir.str() + "/" + name), nullptr) << name;
}

TEST(MusicSourceBadInput, TruncatedFilesEndWhereTheirDataEnds) {
  TempDir dir;
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
  // A module cut inside its sample headers is none; cut later, the missing pattern and sample
  // bytes are silence and the song still ends.
  const std::vector<std::uint8_t> module = test_music::moduleBytes();
  for (std::size_t size :
       {std::size_t{600}, std::size_t{1084}, std::size_t{1500}, module.size() - 10}) {
    test_music::writeBytes(dir.str() + "/cut.mod",
                           {module.begin(), module.begin() + static_cast<std::ptrdiff_t>(size)});
    auto pSource = openMusicSource(dir.str() + "/cut.mod");
    if (size == 600) {
      EXPECT_EQ(pSource, nullptr);
      continue;
    }
    ASSERT_NE(pSource, nullptr) << size;
    EXPECT_TRUE(pSource->isModule());
    EXPECT_LT(readAll(*pSource, 44100 * 9).size(), std::size_t{44100} * 9 * 2) << size;
  }
}
