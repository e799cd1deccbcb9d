// A show with music follows the music: the frame rendered when the music is at t shows what the
// script schedules at t, for a module (which ignores the offset) and for a stream (which starts
// at it); a sound controller reads the level of the music being heard.

#include <gtest/gtest.h>

#include <filesystem>

#include "app/sound_manager.h"
#include "script/script_engine.h"
#include "tests/support/controller_files.h"
#include "tests/support/music_files.h"
#include "tests/support/script_text.h"
#include "tests/support/temp_dir.h"

namespace {

class ManualTicks final : public TickSource {
 public:
  std::uint32_t getTicks() override { return now; }
  std::uint32_t now = 7000;
};

constexpr std::uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kGrey = 0x808080;

class MusicSync : public ::testing::Test {
 protected:
  void SetUp() override { m_dir.enter(); }

  // Red for the first second, green for the second, blue from 10 s, grey from 10.5 s.
  void load(const std::string& music, int offset) {
    const std::string text = scriptText(
        {{"LAYER_DIMENSION", {"desc: d 4 2"}},
         {"SCREEN_LAYER", {"desc: screen d"}},
         {"LAYER_MANAGER",
          {"desc: screen 1 0 1000 c 255 0 0", "desc: screen 1 1000 2000 c 0 255 0",
           "desc: screen 1 10000 10500 c 0 0 255", "desc: screen 1 10500 20000 c 128 128 128"}}},
        "file: " + music + "\noffset: " + std::to_string(offset) + "\n");
    m_dir.write("show.lscx", text);
    start();
  }

  void start() {
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

  // Lets `ms` of music play, then renders the frame; gives its first pixel.
  std::uint32_t frameAfter(std::uint32_t ms) {
    m_ticks.now += ms;
    m_pEngine->render(&m_frame);
    return m_frame.getPixels()[0];
  }

  TempDir m_dir;
  ManualTicks m_ticks;
  SoundManager* m_pSound = nullptr;
  std::unique_ptr<ScriptEngine> m_pEngine;
  CImage32Buffered m_frame{4, 2};
};

}  // namespace

TEST_F(MusicSync, AModuleStartsAtZeroWhateverTheOffset) {
  ASSERT_TRUE(test_music::writeModule("song.mod", 2));
  load("song.mod", 10000);
  ASSERT_TRUE(m_pSound && m_pSound->isModule());
  EXPECT_EQ(frameAfter(400), kRed);
  EXPECT_EQ(m_pSound->getTime(), 400);
  EXPECT_EQ(frameAfter(1000), kGreen);
  EXPECT_EQ(frameAfter(9000), kBlue);
  // Seeking the music moves the show with it.
  m_pSound->seek(600);
  EXPECT_EQ(frameAfter(0), kRed);
}

TEST_F(MusicSync, AStreamStartsAtTheOffset) {
  ASSERT_TRUE(test_music::writeWav("song.wav", 14000, 8000));
  load("song.wav", 10000);
  ASSERT_TRUE(m_pSound && !m_pSound->isModule());
  EXPECT_EQ(frameAfter(100), kBlue);
  EXPECT_EQ(m_pSound->getTime(), 10100);
  EXPECT_EQ(frameAfter(500), kGrey);
  // Past the end of the music the time runs on.
  EXPECT_EQ(frameAfter(5000), kGrey);
  EXPECT_EQ(m_pSound->getTime(), 15600);
}

TEST_F(MusicSync, ASoundControllerReadsTheLevelHeard) {
  // A sine of amplitude 0.5 lasting 1 s.
  ASSERT_TRUE(test_music::writeWav("loud.wav", 1000, 8000, 440.0, 0.5));
  std::filesystem::create_directories("data/lcx");
  ASSERT_TRUE(test_controllers::writeLive("data/lcx/level.lcx", LCXControllerType::Sound));
  ASSERT_TRUE(test_controllers::writeLecx("vu.lecx", 1, {{"Green", "level"}}));
  m_dir.write("show.lscx",
              scriptText({{"LAYER_DIMENSION", {"desc: d 4 2"}},
                          {"CONTROLLER", {"file: vu vu.lecx"}},
                          {"SCREEN_LAYER", {"desc: screen d"}},
                          {"EFFECT", {"desc: colour COLOR"}},
                          {"EFFECT_DESC", {"desc: meter colour vu ADD 0 0 0"}},
                          {"LAYER_MANAGER",
                           {"desc: screen 1 0 100000 c 0 0 0", "desc: screen 2 0 100000 e meter"}}},
                         "file: loud.wav\noffset: 0\n"));
  start();
  // Peak 16384 / 32768 = 0.5 -> trunc(0.5 * 255) = 127, give or take the rounding of the sine.
  const std::uint32_t green = (frameAfter(500) >> 8) & 0xFF;
  EXPECT_GE(green, 126u);
  EXPECT_LE(green, 127u);
  EXPECT_EQ(frameAfter(0) & 0xFF00FF, 0u);
  // After the end of the music there is nothing to hear.
  EXPECT_EQ(frameAfter(2000), 0u);
}
