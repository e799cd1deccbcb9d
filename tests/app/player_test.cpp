// The player: which script it plays, its keys, dropped files, the frame rate, pacing, the end of
// the show and the minimised window; then authoring mode: pause, seeks, frame steps, the loop,
// the overlay and the reload on save. SDL runs on its dummy drivers (no screen, no sound), on
// ticks the test moves.

#include "app/script_player.h"

#include <SDL.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

#include "app/dev_mode.h"
#include "app/file_watcher.h"
#include "app/sound_manager.h"
#include "base/report.h"
#include "control/lcx_controller_live.h"
#include "control/lcx_controller_manager.h"
#include "tests/app/app_test_util.h"
#include "tests/support/controller_files.h"
#include "tests/support/music_files.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

constexpr std::uint32_t kRed = 0xFF0000u;
constexpr std::uint32_t kGreen = 0x00FF00u;
constexpr std::uint32_t kBlue = 0x0000FFu;

// The band `before` ("R G B") until `switchMs`, `after` from then on.
std::string twoColourShow(const std::string& before, const std::string& after, int switchMs = 10000,
                          const std::string& music = "NULL") {
  const std::string at = std::to_string(switchMs);
  return frameShow({"screen 1 0 " + at + " c " + before, "screen 1 " + at + " 300000 c " + after},
                   "file: " + music + "\noffset: 0\n");
}
std::string fillShow(const std::string& colour) {
  return twoColourShow(colour, colour);
}

// A music that plays nothing: its time is set by the test; what happens to it is logged.
class FakeMusic final : public ScriptMusic {
 public:
  FakeMusic(std::vector<std::string>& log, int id) : m_log(log), m_id(id) { say("create "); }
  ~FakeMusic() override { say("destroy "); }
  bool load(const StringC&) override { return true; }
  void setTime(std::int32_t ms) override {
    m_log.push_back("setTime " + std::to_string(time = ms));
  }
  void play() override {}
  std::int32_t getTime() override { return time; }
  std::int32_t time = 0;

 private:
  void say(const char* what) { m_log.push_back(what + std::to_string(m_id)); }
  std::vector<std::string>& m_log;
  int m_id;
};

class PlayerTest : public ::testing::Test {
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
  ScriptPlayer& make() {
    m_pPlayer.reset();
    m_pPlayer = std::make_unique<ScriptPlayer>(m_options);
    EXPECT_TRUE(m_pPlayer->init());
    return *m_pPlayer;
  }
  // Writes the script as show.lscx and plays it in a new player.
  ScriptPlayer& open(const std::string& text) {
    save(text);
    make().chooseScript(m_folder.file("show.lscx"));
    return *m_pPlayer;
  }
  void save(const std::string& text) { writeTextFile(m_folder.path() / "show.lscx", text); }
  std::int32_t time() const { return m_pPlayer->getTime(); }
  std::uint32_t at(int x, int y) const {
    return m_pPlayer->getDisplay().getPixels()[y * 512 + x] & 0xFFFFFFu;
  }
  // White pixels in rows top..bottom - 1.
  int countWhite(int top, int bottom) const {
    int nbWhite = 0;
    for (int y = top; y < bottom; ++y) {
      for (int x = 0; x < 512; ++x)
        nbWhite += at(x, y) == 0xFFFFFFu;
    }
    return nbWhite;
  }
  // A key press as SDL delivers it.
  static SDL_Event keyEvent(SDL_Keycode key, Uint16 mod = KMOD_NONE, bool repeat = false) {
    SDL_Event event{.type = SDL_KEYDOWN};
    event.key.keysym.sym = key;
    event.key.keysym.mod = mod;
    event.key.repeat = repeat ? 1 : 0;
    return event;
  }
  void press(SDL_Keycode key, Uint16 mod = KMOD_NONE, bool repeat = false) {
    m_pPlayer->handleEvent(keyEvent(key, mod, repeat));
  }
  void drop(const char* pFile) {
    SDL_Event event{.type = SDL_DROPFILE};
    event.drop.file = const_cast<char*>(pFile);
    m_pPlayer->handleEvent(event);
  }
  static SDL_Event windowEvent(SDL_WindowEventID id) {
    SDL_Event event{.type = SDL_WINDOWEVENT};
    event.window.event = static_cast<Uint8>(id);
    return event;
  }
  // A frame every 10 ms while the ticks move on by `ms`.
  void play(std::uint32_t ms) {
    for (std::uint32_t done = 0; done < ms; done += 10) {
      m_ticks.now += 10;
      ASSERT_TRUE(m_pPlayer->runFrames(1));
    }
  }

  ReportCapture m_capture;
  TempFolder m_folder;
  ManualTicks m_ticks{0};
  PlayerOptions m_options;
  std::vector<std::string> m_musicLog;
  int m_nbMusic = 0;
  FakeMusic* m_pLastMusic = nullptr;
  std::unique_ptr<ScriptPlayer> m_pPlayer;
};

// Authoring mode, with the real sound manager without an audio device, on the test's ticks.
class DevPlayerTest : public PlayerTest {
 protected:
  void SetUp() override {
    PlayerTest::SetUp();
    m_ticks.now = 1000;
    m_options.dev = true;
    m_options.createMusic = [this]() -> std::unique_ptr<ScriptMusic> {
      auto pSound = std::make_unique<SoundManager>(SoundOptions{false, &m_ticks});
      m_pSound = pSound.get();
      return pSound;
    };
  }
  DevMode& dev() const { return *m_pPlayer->getDevMode(); }

  SoundManager* m_pSound = nullptr;  // the music of the last show made
};

}  // namespace

// --- Which script, keys, drops, the clock and the end ---

TEST_F(PlayerTest, TheArgumentElseTheFirstScriptOfTheFolderIsPlayedAndABlankEndsTheName) {
  writeTextFile(m_folder.path() / "shows/show.lscx", fillShow("0 0 255"));
  writeTextFile(m_folder.path() / "b.lscx", fillShow("255 0 0"));
  writeTextFile(m_folder.path() / "a.lscx", fillShow("0 255 0"));
  writeTextFile(m_folder.path() / "my show.lscx", fillShow("0 0 255"));
  m_folder.enter();
  make().chooseScript("shows/show.lscx");
  ASSERT_TRUE(m_pPlayer->runFrames(1));
  // The band with its edges cleared, black around.
  EXPECT_TRUE(isBandOf(rgbOf(m_pPlayer->getDisplay().getPixels(), 512, 384), kBlue));
  make().chooseScript("");
  ASSERT_TRUE(m_pPlayer->runFrames(1));
  EXPECT_EQ(at(200, 200), kGreen);
  EXPECT_THAT(m_capture.lines(), IsEmpty());
  // The part before the blank fails to open; the empty show runs on and draws nothing.
  make().chooseScript("my show.lscx");
  EXPECT_THAT(m_capture.lines(), ElementsAre("ScriptEngine :|Can't open file : my"));
  ASSERT_NE(m_pPlayer->getEngine(), nullptr);
  EXPECT_TRUE(m_pPlayer->runFrames(2));
}

TEST_F(PlayerTest, WithoutAnyScriptTheBandIsBlackAndTheRestUntouched) {
  m_folder.enter();
  ScriptPlayer& player = make();
  player.chooseScript("  ");
  std::uint32_t* pPixels = player.getDisplay().lock();
  std::fill(pPixels, pPixels + 512 * 384, 0x00777777u);
  press(SDLK_F9);
  ASSERT_TRUE(player.runFrames(1));
  EXPECT_EQ(at(200, 200), 0u);
  EXPECT_EQ(at(200, 63), 0x777777u);
  EXPECT_EQ(at(200, 320), 0x777777u);
  EXPECT_EQ(countWhite(64, 320), 0) << "no frame-rate line without a show";
}

TEST_F(PlayerTest, F9AndIToggleTheFrameRateLineAndAHeldKeyDoesNot) {
  ScriptPlayer& player = open(fillShow("0 0 255"));
  std::vector<bool> shown;
  for (const SDL_Keycode key : {SDLK_UNKNOWN, SDLK_F9, SDLK_F9, SDLK_i, SDLK_i}) {
    press(key);
    ASSERT_TRUE(player.runFrames(1));
    shown.push_back(countWhite(70, 78) > 0);
  }
  EXPECT_EQ(shown, std::vector<bool>({false, true, false, true, false}));
  EXPECT_EQ(at(12, 72), kBlue);
  press(SDLK_i, KMOD_NONE, true);
  EXPECT_FALSE(player.isFrameRateShown());
}

// The window's own flags are read too, so a display that only flips its note of the mode fails.
TEST_F(PlayerTest, F12PressedTwiceReturnsToTheModeThePlayerStartedIn) {
  for (const ScreenMode mode : {ScreenMode::kWindowed, ScreenMode::kFullScreen}) {
    m_options.screenMode = mode;
    const Display& display = make().getDisplay();
    for (const bool full : {mode == ScreenMode::kFullScreen, mode != ScreenMode::kFullScreen,
                            mode == ScreenMode::kFullScreen}) {
      EXPECT_EQ((SDL_GetWindowFlags(display.getWindow()) & SDL_WINDOW_FULLSCREEN) != 0, full);
      EXPECT_EQ(display.isFullScreen(), full);
      press(SDLK_F12);
    }
  }
  EXPECT_THAT(m_capture.lines(), IsEmpty());
}

TEST_F(PlayerTest, EscapeAndAWindowCloseEndWithSuccessAFatalReportWithItsCode) {
  make();
  press(SDLK_a);
  EXPECT_FALSE(m_pPlayer->hasEnded());
  press(SDLK_ESCAPE);
  EXPECT_FALSE(m_pPlayer->runOnce());
  EXPECT_EQ(m_pPlayer->getExitCode(), 0);
  make();
  SDL_Event quit{.type = SDL_QUIT};
  SDL_PushEvent(&quit);
  EXPECT_FALSE(m_pPlayer->runOnce());
  EXPECT_EQ(m_pPlayer->getExitCode(), 0);
  make();
  requestQuit(3);
  EXPECT_FALSE(m_pPlayer->runOnce());
  EXPECT_EQ(m_pPlayer->getExitCode(), 3);
}

TEST_F(PlayerTest, ADroppedScriptReplacesTheShowOnlyTheFirstOfADropCountsOtherFilesAreRefused) {
  writeTextFile(m_folder.path() / "RED.LSCX", fillShow("255 0 0"));
  writeTextFile(m_folder.path() / "green.lscx", fillShow("0 255 0"));
  writeTextFile(m_folder.path() / "notes.txt", "hello");
  ScriptPlayer& player = open(fillShow("0 0 255"));
  const std::string text = m_folder.file("notes.txt");
  drop(text.c_str());
  EXPECT_THAT(m_capture.lines(), ElementsAre("ScriptPlayer:|Can't load File: " + text));
  ASSERT_TRUE(player.runFrames(1));
  EXPECT_EQ(at(200, 200), kBlue);
  // A drop of three files through the event queue, as the window delivers it (the names are
  // SDL's to free).
  for (const auto& [type, name] :
       std::vector<std::pair<Uint32, std::string>>{{SDL_DROPBEGIN, ""},
                                                   {SDL_DROPFILE, m_folder.file("RED.LSCX")},
                                                   {SDL_DROPFILE, "/elsewhere/notes.txt"},
                                                   {SDL_DROPFILE, m_folder.file("green.lscx")},
                                                   {SDL_DROPCOMPLETE, ""}}) {
    SDL_Event event{.type = type};
    event.drop.file = name.empty() ? nullptr : SDL_strdup(name.c_str());
    ASSERT_EQ(SDL_PushEvent(&event), 1);
  }
  ASSERT_TRUE(player.runFrames(1));
  EXPECT_EQ(at(200, 200), kRed);
  EXPECT_EQ(m_capture.lines().size(), 1u);
  // The old show and its music go before the dropped one is made.
  writeTextFile(m_folder.path() / "song.ogg", "x");
  writeTextFile(m_folder.path() / "two.lscx", scriptText({}, "file: song.ogg\noffset: 700\n"));
  open(scriptText({}, "file: song.ogg\noffset: 0\n"));
  const std::string two = m_folder.file("two.lscx");
  drop(two.c_str());
  EXPECT_THAT(m_musicLog,
              ElementsAre("create 1", "setTime 0", "destroy 1", "create 2", "setTime 700"));
}

TEST_F(PlayerTest, TheFrameRateCountsTheFramesOfTheIntervalEndingPastOneSecond) {
  ScriptPlayer& player = open(fillShow("0 0 255"));
  std::vector<float> rates;
  for (std::uint32_t t :
       {100u, 200u, 300u, 400u, 500u, 600u, 700u, 800u, 900u, 1000u, 1001u, 1500u, 2001u, 2002u}) {
    m_ticks.now = t;
    ASSERT_TRUE(player.runFrames(1));
    rates.push_back(player.getFrameRate());
  }
  // 1000 ms exactly is not yet past; the 11 frames up to 1001 count until 2002.
  EXPECT_EQ(rates, std::vector<float>({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 11, 11, 11, 3}));
  // The show started at tick 0, so its time is the tick count.
  EXPECT_EQ(player.frameRateLine(), "fps: 3 2002");
}

TEST_F(PlayerTest, StartMovesTheTickClockOrTheMusicAndTheShowEndsAfter285000) {
  m_options.start = 284000;
  m_ticks.now = 50;
  ScriptPlayer& player = open(fillShow("0 0 255"));
  EXPECT_EQ(player.getEngine()->getTime(), 284000);
  m_ticks.now = 1050;
  EXPECT_TRUE(player.runOnce());
  m_ticks.now = 1051;
  EXPECT_FALSE(player.runOnce());
  EXPECT_EQ(player.getExitCode(), 0);
  EXPECT_EQ(player.getFrameCount(), 2);  // the last frame is still shown

  writeTextFile(m_folder.path() / "song.ogg", "x");
  m_options.start = 42000;
  open(scriptText({}, "file: song.ogg\noffset: 1000\n"));
  // The first show had no music.
  EXPECT_THAT(m_musicLog, ElementsAre("create 1", "setTime 1000", "setTime 42000"));
  m_ticks.now = 999999;  // the ticks do not count with music
  EXPECT_EQ(m_pPlayer->getEngine()->getTime(), 42000);
  m_pLastMusic->time = 285001;
  EXPECT_FALSE(m_pPlayer->runOnce());
}

TEST_F(PlayerTest, NoFramesWhileMinimisedAndTheyResumeOnRestore) {
  ScriptPlayer& player = open(fillShow("0 0 255"));
  ASSERT_TRUE(player.runFrames(1));
  player.handleEvent(windowEvent(SDL_WINDOWEVENT_MINIMIZED));
  EXPECT_FALSE(player.isActive());
  // Events are still handled, one wait at a time; no frame is made.
  SDL_Event key = keyEvent(SDLK_F9);
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

TEST_F(PlayerTest, FramesComeAtMost26PerSecond) {
  m_options.minFramePeriod = PlayerOptions{}.minFramePeriod;
  m_options.pTicks = nullptr;
  m_folder.enter();
  make().chooseScript("");
  const auto begin = std::chrono::steady_clock::now();
  ASSERT_TRUE(m_pPlayer->runFrames(50));
  // A lower bound only: 50 periods of 1000/26 ms.
  EXPECT_GE(std::chrono::steady_clock::now() - begin, std::chrono::microseconds(1923077));
}

// --- Authoring mode: transport ---

TEST_F(DevPlayerTest, PauseSeeksAndFrameStepsMoveTheTickClock) {
  open(twoColourShow("255 0 0", "0 0 255"));
  play(500);
  press(SDLK_SPACE);
  play(2000);
  EXPECT_EQ(time(), 500);
  // Each key and the time it leads to.
  const std::vector<std::tuple<SDL_Keycode, Uint16, std::int32_t>> steps = {
      {SDLK_RIGHT, KMOD_NONE, 1500},     {SDLK_RIGHT, KMOD_LSHIFT, 1600},
      {SDLK_PAGEDOWN, KMOD_NONE, 11600}, {SDLK_LEFT, KMOD_NONE, 10600},
      {SDLK_LEFT, KMOD_RSHIFT, 10500},   {SDLK_PAGEUP, KMOD_NONE, 500},
      {SDLK_LEFT, KMOD_SHIFT, 400},      {SDLK_PERIOD, KMOD_NONE, 400 + DevMode::kFrameStep},
      {SDLK_COMMA, KMOD_NONE, 400},      {SDLK_COMMA, KMOD_NONE, 400 - 38}};
  for (std::size_t k = 0; k < steps.size(); ++k) {
    press(std::get<0>(steps[k]), std::get<1>(steps[k]));
    EXPECT_EQ(time(), std::get<2>(steps[k])) << "step " << k;
  }
  press(SDLK_PAGEUP);
  EXPECT_EQ(time(), 0);                   // never below 0
  press(SDLK_PAGEDOWN, KMOD_NONE, true);  // held: moves again
  play(100);
  EXPECT_EQ(at(200, 200), kBlue);
  press(SDLK_SPACE);
  press(SDLK_SPACE, KMOD_NONE, true);  // held: no second toggle
  play(100);
  EXPECT_EQ(time(), 10100);
  // A frame step pauses a playing show first.
  press(SDLK_PERIOD);
  EXPECT_TRUE(m_pPlayer->isPaused());
  EXPECT_EQ(time(), 10100 + DevMode::kFrameStep);
}

TEST_F(DevPlayerTest, TheMusicPausesSeeksAndLoopsWithThePicture) {
  test_music::writeWav(m_folder.file("song.wav"), 30000, 8000);
  m_options.loop = LoopSpan{9000, 10500};
  open(twoColourShow("255 0 0", "0 0 255", 10000, "song.wav"));
  EXPECT_EQ(m_pSound->getTime(), 9000);  // the loop's start
  play(990);
  press(SDLK_SPACE);
  EXPECT_TRUE(m_pSound->isPaused());
  play(300);
  EXPECT_EQ(m_pSound->getTime(), 9990);
  EXPECT_EQ(at(200, 200), kRed);
  press(SDLK_RIGHT, KMOD_SHIFT);
  press(SDLK_SPACE);
  play(400);
  EXPECT_EQ(at(200, 200), kBlue);
  EXPECT_EQ(time(), 10500 - 10);
  play(10);  // the loop's end: back to its start
  EXPECT_EQ(m_pSound->getTime(), 9000);
  EXPECT_EQ(at(200, 200), kRed);
}

TEST_F(DevPlayerTest, LMarksALoopThenClearsItAndHomeGoesToItsStartOrZero) {
  open(twoColourShow("255 0 0", "0 0 255"));
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
  open(twoColourShow("255 0 0", "0 0 255"));
  press(SDLK_RIGHT);
  press(SDLK_l);
  press(SDLK_SPACE);
  press(SDLK_F9);
  EXPECT_THAT(dev().overlayLines(26.0f, 4.0),
              ElementsAre("PAUSED  time 1000 ms", "fps 26  frame 4.0 ms", "loop mark 1000 ms"));
  ASSERT_TRUE(m_pPlayer->runFrames(1));
  EXPECT_EQ(countWhite(0, 320), 0);
  EXPECT_EQ(at(200, 200), kRed);
  EXPECT_GT(countWhite(320, 384), 100);
  press(SDLK_i);  // hidden: its rows are black again
  ASSERT_TRUE(m_pPlayer->runFrames(1));
  EXPECT_EQ(countWhite(320, 384), 0);

  m_options.dev = false;
  open(twoColourShow("255 0 0", "0 0 255"));
  for (const SDL_Keycode key : {SDLK_SPACE, SDLK_RIGHT, SDLK_PAGEDOWN, SDLK_PERIOD, SDLK_HOME})
    press(key);
  play(100);
  EXPECT_EQ(time(), 100);
}

// --- Authoring mode: reload on save ---

TEST(FileWatcher, AChangeIsAnnouncedOnceAfterItSettled) {
  TempFolder folder;
  const std::filesystem::path script = folder.write("show.lscx", "one");
  folder.write("data/lcx/a.lcx", "1");
  FileWatcher watcher;
  watcher.watch(script, 0);
  folder.write("data/lcx/a.lcx", "22");
  EXPECT_FALSE(watcher.poll(49));  // not looked at before 50 ms
  EXPECT_FALSE(watcher.poll(50));  // seen
  folder.write("data/lcx/a.lcx", "333");
  EXPECT_FALSE(watcher.poll(100));  // seen again: settling starts over
  EXPECT_FALSE(watcher.poll(199));
  EXPECT_TRUE(watcher.poll(200));
  EXPECT_FALSE(watcher.poll(400));
  folder.write("show.lscx", "two");  // same size, maybe the same time: the bytes tell
  folder.write(".show.lscx.swp", "x");
  folder.write("show.lscx~", "x");
  EXPECT_FALSE(watcher.poll(450));
  EXPECT_TRUE(watcher.poll(550));
  folder.write(".show.lscx.swp", "xy");  // an editor's swap file and backups do not count
  folder.write("show.lscx~", "xy");
  EXPECT_FALSE(watcher.poll(600));
  EXPECT_FALSE(watcher.poll(800));
}

TEST_F(DevPlayerTest, ASavedChangeIsShownAtTheSameTimePausedOrPlayingWithItsMusic) {
  test_music::writeWav(m_folder.file("song.wav"), 30000, 8000);
  open(twoColourShow("255 0 0", "0 0 255", 10000, "song.wav"));
  play(2000);
  press(SDLK_SPACE);
  save(twoColourShow("0 255 0", "0 0 255", 10000, "song.wav"));
  play(40);
  EXPECT_EQ(at(200, 200), kRed);
  play(160);
  EXPECT_EQ(dev().getReloadCount(), 1);
  EXPECT_EQ(at(200, 200), kGreen);
  EXPECT_EQ(time(), 2000);
  EXPECT_TRUE(m_pSound->isPaused());
  press(SDLK_SPACE);
  save(twoColourShow("255 0 0", "0 255 0", 2100, "song.wav"));
  play(200);
  EXPECT_EQ(dev().getReloadCount(), 2);
  EXPECT_EQ(m_pSound->getTime(), 2200);
  EXPECT_FALSE(m_pSound->isPaused());
  EXPECT_EQ(at(200, 200), kGreen);
  EXPECT_THAT(m_capture.lines(), IsEmpty());
}

TEST_F(DevPlayerTest, AHalfWrittenOrDeletedScriptKeepsTheOldShowAndItsReportsAreShown) {
  const std::string good = twoColourShow("0 255 0", "0 0 255");
  open(twoColourShow("255 0 0", "0 0 255"));
  const ScriptEngine* pOld = m_pPlayer->getEngine();
  save(good.substr(0, good.size() / 2));
  play(200);
  EXPECT_EQ(dev().getReloadCount(), 1);
  EXPECT_EQ(m_pPlayer->getEngine(), pOld);
  ASSERT_FALSE(m_capture.reports().empty());
  const Report& first = m_capture.reports().front();
  const std::vector<std::string> lines = dev().overlayLines(0.0f, 0.0);
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[3], (first.caption + " " + first.text).substr(0, DevMode::kMaxLineLength));
  // The rest of the save arrives: the new show plays on, the reports are gone.
  save(good);
  play(200);
  EXPECT_EQ(dev().getReloadCount(), 2);
  EXPECT_EQ(at(200, 200), kGreen);
  EXPECT_EQ(time(), 400);
  EXPECT_EQ(dev().overlayLines(0.0f, 0.0).size(), 3u);
  // Deleted and created again at once, as most editors save: one reload.
  const std::filesystem::path script = m_folder.path() / "show.lscx";
  std::filesystem::remove(script);
  play(30);
  save(twoColourShow("0 0 255", "255 0 0"));
  play(200);
  EXPECT_EQ(dev().getReloadCount(), 3);
  EXPECT_EQ(at(200, 200), kBlue);
  // Gone long enough to be reloaded: the show goes on and says why.
  m_capture.clear();
  const ScriptEngine* pShown = m_pPlayer->getEngine();
  std::filesystem::remove(script);
  play(200);
  EXPECT_EQ(dev().getReloadCount(), 4);
  EXPECT_EQ(m_pPlayer->getEngine(), pShown);
  EXPECT_THAT(m_capture.texts(), ElementsAre("Can't open file : show.lscx"));
}

// --- Authoring mode: takes ---

TEST_F(DevPlayerTest, RRecordsTheMouseIntoATakeWhoseFileTheReloadPicksUp) {
  // The mouse's x turns the band red; a take of it goes to data/lcx/take.lcx.
  LCXControllerManager mouse;
  auto* pInput = static_cast<LCXControllerInput*>(
      mouse.createController(static_cast<int32_t>(LCXControllerType::Input)));
  LCXControllerRecorded::RecordingSettings settings;
  settings.fileName = "data/lcx/take.lcx";
  pInput->setRecordingSettings(settings);
  std::filesystem::create_directories(m_folder.path() / "data/lcx");
  ASSERT_TRUE(mouse.save(StringC(std::string_view(m_folder.file("data/lcx/mouse.lcx")))));
  ASSERT_TRUE(test_controllers::writeLecx(m_folder.file("col.lecx"), 1, {{"Red", "mouse / 255"}}));
  open(scriptText(
      {{"LAYER_DIMENSION", {"desc: frame 512 256"}},
       {"CONTROLLER", {"file: c col.lecx"}},
       {"EFFECT", {"desc: col COLOR"}},
       {"EFFECT_DESC", {"desc: tint col c ADD 0 0 0"}},
       {"SCREEN_LAYER", {"desc: screen frame"}},
       {"LAYER_MANAGER", {"desc: screen 1 0 100000 c 0 0 0", "desc: screen 2 0 100000 e tint"}}}));
  play(100);
  press(SDLK_r);
  ASSERT_EQ(dev().getTakeStart(), 100);
  SDL_Event motion{.type = SDL_MOUSEMOTION};
  motion.motion.xrel = 51;
  m_pPlayer->handleEvent(motion);
  play(50);
  EXPECT_EQ(at(200, 200), 0x330000u);  // 51 / 255 of full red
  m_pPlayer->handleEvent(motion);
  play(50);
  press(SDLK_r);
  EXPECT_FALSE(dev().getTakeStart());
  // Stopped: nothing more is recorded, nothing written when the show goes.
  const LCXController* pMouse =
      m_pPlayer->getEngine()->getControllerManager().findLCXController("mouse");
  EXPECT_EQ(static_cast<const LCXControllerRecorded*>(pMouse)->getNbSample(), 0);
  EXPECT_THAT(m_capture.lines(), ElementsAre("StringC:|recording: data/lcx/take.lcx"));
  // From the take's start at 100 ms: the frames at 110 to 150 ms saw x = 51 (sample 0, never
  // recorded, takes sample 1's), those at 160 to 200 ms x = 102, which the rest keeps.
  LCXControllerManager take;
  ASSERT_TRUE(take.load(StringC(std::string_view(m_folder.file("data/lcx/take.lcx")))));
  for (const auto& [time, value] : std::vector<std::pair<float, float>>{
           {100, 51}, {150, 51}, {155, 76.5f}, {160, 102}, {5000, 102}}) {
    take.getController()->setUpdate(1);
    EXPECT_EQ(take.getController()->getValue(time), value) << time;
  }
  play(200);
  EXPECT_EQ(dev().getReloadCount(), 1);
  EXPECT_NE(m_pPlayer->getEngine()->getControllerManager().findLCXController("take"), nullptr);
  // The replaced show wrote nothing more, which would have reloaded again.
  play(200);
  EXPECT_EQ(dev().getReloadCount(), 1);
}
