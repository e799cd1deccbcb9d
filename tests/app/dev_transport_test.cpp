// Authoring mode: pause, seeks, frame steps, the loop and the overlay, through the event path
// SDL feeds, on the tick clock and with music (a stream and a module).

#include <gmock/gmock.h>

#include "tests/app/dev_player_fixture.h"

using ::testing::ElementsAre;

namespace {
const std::string kRed = "255 0 0";
const std::string kBlue = "0 0 255";
}  // namespace

TEST_F(DevPlayerTest, PauseSeeksAndFrameStepsMoveTheTickClock) {
  open(twoColourShow(kRed, kBlue));
  play(500);
  press(SDLK_SPACE);
  play(2000);
  EXPECT_EQ(time(), 500);
  std::vector<std::int32_t> times;
  for (const auto& [key, mod] :
       std::vector<std::pair<SDL_Keycode, Uint16>>{{SDLK_RIGHT, KMOD_NONE},
                                                   {SDLK_RIGHT, KMOD_LSHIFT},
                                                   {SDLK_PAGEDOWN, KMOD_NONE},
                                                   {SDLK_LEFT, KMOD_NONE},
                                                   {SDLK_LEFT, KMOD_RSHIFT},
                                                   {SDLK_PAGEUP, KMOD_NONE},
                                                   {SDLK_LEFT, KMOD_SHIFT},
                                                   {SDLK_PERIOD, KMOD_NONE},
                                                   {SDLK_COMMA, KMOD_NONE},
                                                   {SDLK_COMMA, KMOD_NONE}}) {
    press(key, mod);
    times.push_back(time());
  }
  EXPECT_EQ(times, std::vector<std::int32_t>({1500, 1600, 11600, 10600, 10500, 500, 400,
                                              400 + DevMode::kFrameStep, 400, 400 - 38}));
  press(SDLK_PAGEUP);
  EXPECT_EQ(time(), 0);                   // never below 0
  press(SDLK_PAGEDOWN, KMOD_NONE, true);  // held: moves again
  play(100);
  EXPECT_EQ(at(200, 200), kDevBlue);
  press(SDLK_SPACE);
  press(SDLK_SPACE, KMOD_NONE, true);  // held: no second toggle
  play(100);
  EXPECT_EQ(time(), 10100);
  // A frame step pauses a playing show first.
  press(SDLK_PERIOD);
  EXPECT_TRUE(m_pPlayer->isPaused());
  EXPECT_EQ(time(), 10100 + DevMode::kFrameStep);
}

TEST_F(DevPlayerTest, AStreamAndAModulePauseSeekAndLoopWithThePicture) {
  test_music::writeWav(m_folder.file("song.wav"), 30000, 8000);
  test_music::writeModule(m_folder.file("song.mod"), 4);  // 30.72 s
  m_options.loop = LoopSpan{9000, 10500};
  for (const std::string file : {"song.wav", "song.mod"}) {
    SCOPED_TRACE(file);
    open(twoColourShow(kRed, kBlue, 10000, file));
    EXPECT_EQ(m_pSound->getTime(), 9000);  // the loop's start
    play(990);
    press(SDLK_SPACE);
    EXPECT_TRUE(m_pSound->isPaused());
    play(300);
    EXPECT_EQ(m_pSound->getTime(), 9990);
    EXPECT_EQ(at(200, 200), kDevRed);
    press(SDLK_RIGHT, KMOD_SHIFT);
    press(SDLK_SPACE);
    play(400);
    EXPECT_EQ(at(200, 200), kDevBlue);
    EXPECT_EQ(time(), 10500 - 10);
    play(10);  // the loop's end: back to its start
    EXPECT_EQ(m_pSound->getTime(), 9000);
    EXPECT_EQ(at(200, 200), kDevRed);
  }
}

TEST_F(DevPlayerTest, LMarksALoopThenClearsItAndHomeGoesToItsStartOrZero) {
  open(twoColourShow(kRed, kBlue));
  press(SDLK_PAGEDOWN);
  press(SDLK_l);
  press(SDLK_PAGEUP);
  press(SDLK_l, KMOD_NONE, true);  // held: no second mark
  EXPECT_EQ(dev().getMark(), 10000);
  press(SDLK_RIGHT);
  press(SDLK_l);
  EXPECT_EQ(dev().getLoop(), (LoopSpan{1000, 10000}));
  play(9000);
  EXPECT_EQ(time(), 1000);
  // Paused past its end, the show stays where it was put.
  press(SDLK_SPACE);
  press(SDLK_PAGEDOWN);
  play(100);
  EXPECT_EQ(time(), 11000);
  press(SDLK_HOME);
  EXPECT_EQ(time(), 1000);
  press(SDLK_l);
  EXPECT_EQ(dev().getLoop(), std::nullopt);
  press(SDLK_HOME);
  EXPECT_EQ(time(), 0);
}

TEST_F(DevPlayerTest, TheOverlayIsBelowTheBandAndWithoutDevTheKeysAreThePlainOnes) {
  open(twoColourShow(kRed, kBlue));
  press(SDLK_RIGHT);
  press(SDLK_l);
  press(SDLK_SPACE);
  press(SDLK_F9);
  EXPECT_THAT(dev().overlayLines(26.0f, 4.0),
              ElementsAre("PAUSED  time 1000 ms", "fps 26  frame 4.0 ms", "loop mark 1000 ms"));
  const auto countWhite = [this](int top, int bottom) {
    int nbWhite = 0;
    for (int y = top; y < bottom; ++y) {
      for (int x = 0; x < 512; ++x)
        nbWhite += at(x, y) == 0xFFFFFFu;
    }
    return nbWhite;
  };
  ASSERT_TRUE(m_pPlayer->runFrames(1));
  EXPECT_EQ(countWhite(0, 320), 0);
  EXPECT_EQ(at(200, 200), kDevRed);
  EXPECT_GT(countWhite(320, 384), 100);
  press(SDLK_i);  // hidden: its rows are black again
  ASSERT_TRUE(m_pPlayer->runFrames(1));
  EXPECT_EQ(countWhite(320, 384), 0);

  m_options.dev = false;
  open(twoColourShow(kRed, kBlue));
  EXPECT_EQ(m_pPlayer->getDevMode(), nullptr);
  for (const SDL_Keycode key : {SDLK_SPACE, SDLK_RIGHT, SDLK_PAGEDOWN, SDLK_PERIOD, SDLK_HOME})
    press(key);
  play(100);
  EXPECT_EQ(time(), 100);
  press(SDLK_F9);
  EXPECT_TRUE(m_pPlayer->isFrameRateShown());
}
