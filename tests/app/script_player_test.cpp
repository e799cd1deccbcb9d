// The player: which script it plays, its keys, dropped files, the frame rate, pacing, the end
// of the show and the minimised window. SDL runs on its dummy drivers (no screen, no sound).

#include "app/script_player.h"

#include <SDL.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

#include "base/report.h"
#include "tests/app/app_test_util.h"

using ::testing::ElementsAre;

namespace {

constexpr std::uint32_t kBlue = 0x0000FFu;
constexpr std::uint32_t kGreen = 0x00FF00u;
constexpr std::uint32_t kRed = 0xFF0000u;

// A show that fills the band with one colour.
std::string fillShow(int red, int green, int blue) {
  return scriptText({{"LAYER_DIMENSION", {"desc: frame 512 256"}},
                     {"SCREEN_LAYER", {"desc: screen frame"}},
                     {"LAYER_MANAGER",
                      {"desc: screen 1 0 300000 c " + std::to_string(red) + " " +
                       std::to_string(green) + " " + std::to_string(blue)}}});
}

class FakeTicks final : public TickSource {
 public:
  std::uint32_t getTicks() override { return now; }
  std::uint32_t now = 0;
};

// A music that plays nothing: its time is set by the test; what happens to it is logged.
class FakeMusic final : public ScriptMusic {
 public:
  FakeMusic(std::vector<std::string>& log, int id) : m_log(log), m_id(id) {
    m_log.push_back("create " + std::to_string(m_id));
  }
  ~FakeMusic() override { m_log.push_back("destroy " + std::to_string(m_id)); }
  bool load(const StringC&) override { return true; }
  void setTime(std::int32_t ms) override {
    m_log.push_back("setTime " + std::to_string(ms));
    time = ms;
  }
  void play() override {}
  std::int32_t getTime() override { return time; }
  std::int32_t time = 0;

 private:
  std::vector<std::string>& m_log;
  int m_id;
};

class ScriptPlayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    m_options.screenMode = ScreenMode::kWindowed;
    m_options.pTicks = &m_ticks;
    m_options.minFramePeriod = std::chrono::nanoseconds(0);
    m_options.createMusic = [this]() -> std::unique_ptr<ScriptMusic> {
      auto pMusic = std::make_unique<FakeMusic>(m_musicLog, ++m_nbMusic);
      m_pLastMusic = pMusic.get();
      return pMusic;
    };
  }

  // Makes the player (after the test has set its options) and opens its display.
  ScriptPlayer& open() {
    m_pPlayer = std::make_unique<ScriptPlayer>(m_options);
    EXPECT_TRUE(m_pPlayer->init());
    return *m_pPlayer;
  }
  std::uint32_t at(int x, int y) const {
    return m_pPlayer->getDisplay().getPixels()[y * 512 + x] & 0xFFFFFFu;
  }
  // True when the frame-rate line's first cells hold white pixels.
  bool hasTextLine() const {
    for (int y = 70; y < 78; ++y) {
      for (int x = 10; x < 50; ++x) {
        if (at(x, y) == 0xFFFFFFu) return true;
      }
    }
    return false;
  }
  static SDL_Event keyDown(SDL_Keycode key) {
    SDL_Event event{};
    event.type = SDL_KEYDOWN;
    event.key.keysym.sym = key;
    return event;
  }
  static SDL_Event drop(Uint32 type, const char* pFile = nullptr) {
    SDL_Event event{};
    event.type = type;
    event.drop.file = const_cast<char*>(pFile);
    return event;
  }
  static SDL_Event windowEvent(SDL_WindowEventID id) {
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.event = static_cast<Uint8>(id);
    return event;
  }

  ReportCapture m_capture;
  TempFolder m_folder;
  FakeTicks m_ticks;
  PlayerOptions m_options;
  std::vector<std::string> m_musicLog;
  int m_nbMusic = 0;
  FakeMusic* m_pLastMusic = nullptr;
  std::unique_ptr<ScriptPlayer> m_pPlayer;
};

}  // namespace

// --- Which script ---

TEST_F(ScriptPlayerTest, TheArgumentIsPlayedInTheBandWithItsEdgesClearedAndBlackAbove) {
  writeTextFile(m_folder.path() / "shows" / "show.lscx", fillShow(0, 0, 255));
  ScriptPlayer& player = open();
  player.chooseScript(m_folder.file("shows/show.lscx"));
  ASSERT_TRUE(player.runFrames(1));
  EXPECT_EQ(at(100, 100), kBlue);
  EXPECT_EQ(at(511, 318), kBlue);
  EXPECT_EQ(at(1, 65), kBlue);
  EXPECT_EQ(at(100, 64), 0u);   // first row of the band
  EXPECT_EQ(at(100, 319), 0u);  // last row
  EXPECT_EQ(at(0, 100), 0u);    // first column
  EXPECT_EQ(at(100, 63), 0u);   // above and below the band
  EXPECT_EQ(at(100, 320), 0u);
  EXPECT_THAT(m_capture.lines(), ElementsAre());
}

TEST_F(ScriptPlayerTest, ABlankInTheNameKeepsThePartBeforeItWhichFailsToOpen) {
  writeTextFile(m_folder.path() / "my show.lscx", fillShow(0, 0, 255));
  m_folder.enter();
  ScriptPlayer& player = open();
  player.chooseScript("my show.lscx");
  EXPECT_THAT(m_capture.lines(), ElementsAre("ScriptEngine :|Can't open file : my"));
  // The empty show is still there and runs on; it draws nothing.
  ASSERT_NE(player.getEngine(), nullptr);
  EXPECT_TRUE(player.runFrames(2));
}

TEST_F(ScriptPlayerTest, WithoutArgumentTheFirstScriptOfTheFolderIsPlayed) {
  writeTextFile(m_folder.path() / "b.lscx", fillShow(255, 0, 0));
  writeTextFile(m_folder.path() / "a.lscx", fillShow(0, 255, 0));
  m_folder.enter();
  ScriptPlayer& player = open();
  player.chooseScript("");
  ASSERT_TRUE(player.runFrames(1));
  EXPECT_EQ(at(200, 200), kGreen);
}

TEST_F(ScriptPlayerTest, WithoutAnyScriptTheBandIsBlackAndTheRestUntouched) {
  m_folder.enter();
  ScriptPlayer& player = open();
  player.chooseScript("  ");
  EXPECT_EQ(player.getEngine(), nullptr);
  std::uint32_t* pPixels = player.getDisplay().lock();
  std::fill(pPixels, pPixels + 512 * 384, 0x00777777u);
  player.handleEvent(keyDown(SDLK_F9));
  ASSERT_TRUE(player.runFrames(1));
  EXPECT_EQ(at(200, 200), 0u);
  EXPECT_EQ(at(200, 63), 0x777777u);
  EXPECT_EQ(at(200, 320), 0x777777u);
  // Toggled on, the frame-rate line is still not drawn without a show.
  EXPECT_TRUE(player.isFrameRateShown());
  EXPECT_FALSE(hasTextLine());
}

// --- Keys ---

TEST_F(ScriptPlayerTest, F9AndIToggleTheFrameRateLine) {
  writeTextFile(m_folder.path() / "show.lscx", fillShow(0, 0, 255));
  ScriptPlayer& player = open();
  player.chooseScript(m_folder.file("show.lscx"));
  std::vector<bool> shown;
  for (const SDL_Keycode key : {SDLK_UNKNOWN, SDLK_F9, SDLK_F9, SDLK_i, SDLK_i}) {
    player.handleEvent(keyDown(key));
    ASSERT_TRUE(player.runFrames(1));
    shown.push_back(hasTextLine());
  }
  EXPECT_EQ(shown, std::vector<bool>({false, true, false, true, false}));
  EXPECT_EQ(at(12, 72), kBlue);
  // A held key repeats without toggling again.
  SDL_Event held = keyDown(SDLK_i);
  held.key.repeat = 1;
  player.handleEvent(held);
  EXPECT_FALSE(player.isFrameRateShown());
}

TEST_F(ScriptPlayerTest, EscapeAndAWindowCloseEndWithSuccessAFatalReportWithItsCode) {
  ScriptPlayer& player = open();
  player.handleEvent(keyDown(SDLK_a));
  EXPECT_FALSE(player.hasEnded());
  player.handleEvent(keyDown(SDLK_ESCAPE));
  EXPECT_FALSE(player.runOnce());
  EXPECT_EQ(player.getExitCode(), 0);

  ScriptPlayer closed(m_options);
  ASSERT_TRUE(closed.init());
  SDL_Event quit{};
  quit.type = SDL_QUIT;
  SDL_PushEvent(&quit);
  EXPECT_FALSE(closed.runOnce());
  EXPECT_EQ(closed.getExitCode(), 0);

  ScriptPlayer failed(m_options);
  ASSERT_TRUE(failed.init());
  requestQuit(3);
  EXPECT_FALSE(failed.runOnce());
  EXPECT_EQ(failed.getExitCode(), 3);
}

// --- Dropped files ---

TEST_F(ScriptPlayerTest, ADroppedScriptInCapitalsReplacesTheShowAndAnotherFileIsRefused) {
  writeTextFile(m_folder.path() / "show.lscx", fillShow(0, 0, 255));
  writeTextFile(m_folder.path() / "SHOW.LSCX", fillShow(0, 255, 0));
  writeTextFile(m_folder.path() / "notes.txt", "hello");
  ScriptPlayer& player = open();
  player.chooseScript(m_folder.file("show.lscx"));
  ASSERT_TRUE(player.runFrames(1));
  ASSERT_EQ(at(200, 200), kBlue);

  const std::string text = m_folder.file("notes.txt");
  player.handleEvent(drop(SDL_DROPFILE, text.c_str()));
  EXPECT_THAT(m_capture.lines(), ElementsAre("ScriptPlayer:|Can't load File: " + text));
  ASSERT_TRUE(player.runFrames(1));
  EXPECT_EQ(at(200, 200), kBlue);

  // Through the event queue, as the window delivers it (the name is SDL's to free).
  SDL_Event event = drop(SDL_DROPFILE);
  event.drop.file = SDL_strdup(m_folder.file("SHOW.LSCX").c_str());
  ASSERT_EQ(SDL_PushEvent(&event), 1);
  ASSERT_TRUE(player.runFrames(1));
  EXPECT_EQ(at(200, 200), kGreen);
  EXPECT_EQ(m_capture.lines().size(), 1u);
}

TEST_F(ScriptPlayerTest, OnlyTheFirstFileOfADropCountsAndAnEmptyNameNothing) {
  writeTextFile(m_folder.path() / "red.lscx", fillShow(255, 0, 0));
  writeTextFile(m_folder.path() / "green.lscx", fillShow(0, 255, 0));
  ScriptPlayer& player = open();
  const std::string red = m_folder.file("red.lscx"), green = m_folder.file("green.lscx");
  player.handleEvent(drop(SDL_DROPFILE, ""));
  player.handleEvent(drop(SDL_DROPFILE, nullptr));
  EXPECT_EQ(player.getEngine(), nullptr);
  player.handleEvent(drop(SDL_DROPBEGIN));
  player.handleEvent(drop(SDL_DROPFILE, red.c_str()));
  player.handleEvent(drop(SDL_DROPFILE, "/elsewhere/notes.txt"));
  player.handleEvent(drop(SDL_DROPFILE, green.c_str()));
  player.handleEvent(drop(SDL_DROPCOMPLETE));
  ASSERT_TRUE(player.runFrames(1));
  EXPECT_EQ(at(200, 200), kRed);
  EXPECT_THAT(m_capture.lines(), ElementsAre());
}

TEST_F(ScriptPlayerTest, TheOldShowAndItsMusicGoBeforeTheDroppedOneIsMade) {
  writeTextFile(m_folder.path() / "song.ogg", "x");
  writeTextFile(m_folder.path() / "one.lscx", scriptText({}, "file: song.ogg\noffset: 0\n"));
  writeTextFile(m_folder.path() / "two.lscx", scriptText({}, "file: song.ogg\noffset: 700\n"));
  ScriptPlayer& player = open();
  player.chooseScript(m_folder.file("one.lscx"));
  const std::string two = m_folder.file("two.lscx");
  player.handleEvent(drop(SDL_DROPFILE, two.c_str()));
  EXPECT_THAT(m_musicLog,
              ElementsAre("create 1", "setTime 0", "destroy 1", "create 2", "setTime 700"));
}

// --- Clock, frame rate and end ---

TEST_F(ScriptPlayerTest, TheFrameRateCountsTheFramesOfTheIntervalEndingPastOneSecond) {
  writeTextFile(m_folder.path() / "show.lscx", fillShow(0, 0, 255));
  ScriptPlayer& player = open();
  player.chooseScript(m_folder.file("show.lscx"));
  for (std::uint32_t t = 100; t <= 1000; t += 100) {
    m_ticks.now = t;
    ASSERT_TRUE(player.runFrames(1));
  }
  EXPECT_EQ(player.getFrameRate(), 0.0f);  // 1000 ms exactly is not yet past
  m_ticks.now = 1001;
  ASSERT_TRUE(player.runFrames(1));
  EXPECT_EQ(player.getFrameRate(), 11.0f);
  m_ticks.now = 1500;
  ASSERT_TRUE(player.runFrames(1));
  m_ticks.now = 2001;
  ASSERT_TRUE(player.runFrames(1));
  EXPECT_EQ(player.getFrameRate(), 11.0f);
  m_ticks.now = 2002;
  ASSERT_TRUE(player.runFrames(1));
  EXPECT_EQ(player.getFrameRate(), 3.0f);
  // The show started at tick 0, so its time is the tick count.
  EXPECT_EQ(player.frameRateLine(), "fps: 3 2002");
}

TEST_F(ScriptPlayerTest, TheShowGoesOnAt285000AndEndsAt285001) {
  writeTextFile(m_folder.path() / "show.lscx", fillShow(0, 0, 255));
  ScriptPlayer& player = open();
  player.chooseScript(m_folder.file("show.lscx"));
  m_ticks.now = 285000;
  EXPECT_TRUE(player.runOnce());
  EXPECT_FALSE(player.hasEnded());
  m_ticks.now = 285001;
  EXPECT_FALSE(player.runOnce());
  EXPECT_EQ(player.getExitCode(), 0);
  // The last frame is still shown.
  EXPECT_EQ(player.getFrameCount(), 2);
}

TEST_F(ScriptPlayerTest, StartWithoutMusicMovesTheTickClock) {
  writeTextFile(m_folder.path() / "show.lscx", fillShow(0, 0, 255));
  m_options.start = 284000;
  m_ticks.now = 50;
  ScriptPlayer& player = open();
  player.chooseScript(m_folder.file("show.lscx"));
  EXPECT_EQ(player.getEngine()->getTime(), 284000);
  m_ticks.now = 1050;
  EXPECT_TRUE(player.runOnce());
  m_ticks.now = 1051;
  EXPECT_FALSE(player.runOnce());
}

TEST_F(ScriptPlayerTest, StartWithMusicMovesTheMusicAndItsTimeIsTheClock) {
  writeTextFile(m_folder.path() / "song.ogg", "x");
  writeTextFile(m_folder.path() / "show.lscx", scriptText({}, "file: song.ogg\noffset: 1000\n"));
  m_options.start = 42000;
  ScriptPlayer& player = open();
  player.chooseScript(m_folder.file("show.lscx"));
  EXPECT_THAT(m_musicLog, ElementsAre("create 1", "setTime 1000", "setTime 42000"));
  m_ticks.now = 999999;  // the ticks do not count with music
  EXPECT_EQ(player.getEngine()->getTime(), 42000);
  m_pLastMusic->time = 285001;
  EXPECT_FALSE(player.runOnce());
}

// --- Minimised window ---

TEST_F(ScriptPlayerTest, NoFramesWhileMinimisedAndTheyResumeOnRestore) {
  writeTextFile(m_folder.path() / "show.lscx", fillShow(0, 0, 255));
  ScriptPlayer& player = open();
  player.chooseScript(m_folder.file("show.lscx"));
  ASSERT_TRUE(player.runFrames(1));
  player.handleEvent(windowEvent(SDL_WINDOWEVENT_MINIMIZED));
  EXPECT_FALSE(player.isActive());
  // Events are still handled, one wait at a time; no frame is made.
  SDL_Event key = keyDown(SDLK_F9);
  SDL_PushEvent(&key);
  EXPECT_TRUE(player.runOnce());
  EXPECT_TRUE(player.isFrameRateShown());
  EXPECT_EQ(player.getFrameCount(), 1);
  SDL_Event restored = windowEvent(SDL_WINDOWEVENT_RESTORED);
  SDL_PushEvent(&restored);
  EXPECT_TRUE(player.runOnce());
  EXPECT_TRUE(player.isActive());
  EXPECT_EQ(player.getFrameCount(), 2);
}

// --- Pacing ---

TEST_F(ScriptPlayerTest, FramesComeAtMost26PerSecond) {
  m_options.minFramePeriod = PlayerOptions{}.minFramePeriod;
  m_options.pTicks = nullptr;
  m_folder.enter();
  ScriptPlayer& player = open();
  player.chooseScript("");
  const auto begin = std::chrono::steady_clock::now();
  ASSERT_TRUE(player.runFrames(100));
  const auto elapsed = std::chrono::steady_clock::now() - begin;
  // A lower bound only: 100 periods of 1000/26 ms.
  EXPECT_GE(elapsed, std::chrono::microseconds(3846154));
}
