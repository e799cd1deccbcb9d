#pragma once
// The interactive player: one window, the display, the script being played, and the loop that
// handles window events and, between them, produces paced frames.

#include <SDL_events.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/command_line.h"
#include "app/display.h"
#include "app/input_device_sdl.h"
#include "app/show_clock.h"
#include "app/sync_session.h"
#include "base/string_c.h"
#include "image/cimage32.h"
#include "script/script_clock.h"
#include "script/script_engine.h"

// How a player is set up; the defaults are those of the program.
struct PlayerOptions {
  ScreenMode screenMode = ScreenMode::kFullScreen;
  // Script time at which the first show begins.
  std::optional<std::int32_t> start;
  // False: the music never opens an audio device.
  bool audio = true;
  // Millisecond ticks of the frame rate and of a show without music; null: the system's.
  TickSource* pTicks = nullptr;
  // Makes the music of a show; unset: a SoundManager.
  std::function<std::unique_ptr<ScriptMusic>()> createMusic;
  // Frames start at least this long apart (at most 26 per second); zero: unpaced.
  std::chrono::nanoseconds minFramePeriod{38461540};
  // Authoring mode (--dev): transport keys, reload on save, the information overlay; the show
  // does not end by itself.
  bool dev = false;
  // Authoring mode: a section played over and over.
  std::optional<LoopSpan> loop;
  // Authoring mode: the sync editor to connect to, and how its rows map to show time.
  std::optional<SyncOptions> sync;
};

class DevMode;

class ScriptPlayer {
 public:
  // The show ends at the first frame whose script time is above this (ms).
  static constexpr std::int32_t kEndTime = 285000;
  static constexpr const char* kWindowTitle = "Loading : 'Brelvane' - Party Version";

  explicit ScriptPlayer(PlayerOptions options = {});
  ~ScriptPlayer();
  ScriptPlayer(const ScriptPlayer&) = delete;
  ScriptPlayer& operator=(const ScriptPlayer&) = delete;

  // Opens the window and the display and hides the cursor. False when the display failed (it
  // has reported why); the player has then ended.
  bool init();
  // Picks the show as the program does at start: the first word of `commandLine`, else the
  // first .lscx file of the current folder, else none (black frames). Then moves to the start
  // time, when one was asked for.
  void chooseScript(const std::string& commandLine);
  // Replaces the running show (its engine and music go first) by the script at `path`. False
  // when the path is empty.
  bool loadScript(StringC path);

  // Every window event goes through here, from the loop or from a test.
  void handleEvent(const SDL_Event& event);
  // One pass of the loop: the waiting events, then one frame while the window is shown, or a
  // wait for the next event while it is minimised. False once the player has ended.
  bool runOnce();
  // Loops until `nbFrame` more frames were produced; false when the player ended first.
  bool runFrames(int nbFrame);
  // Loops until the end; gives the exit status.
  int run();
  // One frame into the display: the show's band, the frame-rate line, the cleared edges.
  void frameStep();

  // --- State, for the loop and for tests ---
  bool hasEnded() const { return m_exitCode.has_value(); }
  std::optional<int> getExitCode() const { return m_exitCode; }
  bool isActive() const { return m_active; }
  bool isFrameRateShown() const { return m_showFrameRate; }
  float getFrameRate() const { return m_frameRate; }
  // Frames produced since the start.
  long getFrameCount() const { return m_nbFrameProduced; }
  ScriptEngine* getEngine() const { return m_pEngine.get(); }
  Display& getDisplay() { return m_display; }
  // The frame-rate line as it is drawn now.
  std::string frameRateLine();

  // --- Authoring (--dev) ---
  // Script time now; 0 without a show.
  std::int32_t getTime();
  // Moves the show to `ms` (0 at least): the music with its picture, or the tick clock.
  void seekTo(std::int32_t ms);
  // Stops and restarts the music and the clock together.
  void setPaused(bool paused);
  bool isPaused() const { return m_clock.isPaused(); }
  // Loads the running script again and puts the new show where the old one stood (its time,
  // paused or not). When the load reports anything, the old show goes on and the reports go to
  // the overlay; false then.
  bool reloadScript();
  // Null without --dev.
  DevMode* getDevMode() const { return m_pDev.get(); }
  // Null without --dev --sync.
  SyncSession* getSyncSession() const { return m_pSync.get(); }
  // The script of the running show as it was given; empty without one.
  const StringC& getScriptPath() const { return m_scriptPath; }

 private:
  void close(int exitCode);
  // Ends the show, shows the cursor again and closes the window.
  void shutDown();
  void dropFile(const char* pName);
  void handleKey(const SDL_KeyboardEvent& key);
  void handleWindowEvent(const SDL_WindowEvent& window);
  void startAt(std::int32_t ms);
  // What the engine of a new show is given; its music is noted in `pMusic`.
  ScriptEngineServices makeServices(ScriptMusic*& pMusic);
  // Makes the show the running one.
  // Makes the show the running one, moved to `at` first when given.
  void takeShow(std::unique_ptr<ScriptEngine> pEngine, ScriptMusic* pMusic,
                std::optional<std::int32_t> at = std::nullopt);
  void dispatch(SDL_Event& event);
  void checkQuitRequest();
  void waitForFrameEnd(std::chrono::steady_clock::time_point frameStart) const;

  PlayerOptions m_options;
  SystemTickSource m_systemTicks;
  TickSource* m_pTicks;
  // The engine's ticks and the transport of the running show.
  ShowClock m_clock;
  Display m_display;
  CImage32External m_screen;
  // The mouse as the events show it, read by the show's input device.
  MouseEventAccumulator m_mouse;
  // The music of the running show, owned by its engine.
  ScriptMusic* m_pMusic = nullptr;
  // Declared after the display and the screen image: destroyed first.
  std::unique_ptr<ScriptEngine> m_pEngine;
  std::unique_ptr<DevMode> m_pDev;
  std::unique_ptr<SyncSession> m_pSync;
  // The script of the running show, for reloads.
  StringC m_scriptPath;
  // How long the last frame step took, for the overlay.
  double m_frameMs = 0.0;

  float m_frameRate = 0.0f;
  std::uint32_t m_lastTick = 0;
  std::int32_t m_nbFrame = 0;
  long m_nbFrameProduced = 0;
  bool m_active = false;
  bool m_showFrameRate = false;
  bool m_cursorHidden = false;
  // Within a drop of several files only the first one counts.
  bool m_inDrop = false;
  bool m_dropTaken = false;
  std::optional<int> m_exitCode;
};

// Opens the window and plays; returns the exit status.
int runPlayer(const PlayRequest& request);
