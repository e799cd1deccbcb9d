#pragma once
// The authoring mode of the player (--dev): keys that pause, move and loop the show, a reload of
// the show whenever its files change, and an information overlay in the display rows below the
// show's band, so it never covers the show.

#include <SDL_events.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/config.h"
#include "app/file_watcher.h"
#include "base/report.h"
#include "script/script_clock.h"

class ScriptEngine;
class ScriptPlayer;

class DevMode {
 public:
  // Moves of the keys in ms: arrows, arrows with Shift, Page Up / Page Down.
  static constexpr std::int32_t kStep = 1000;
  static constexpr std::int32_t kFineStep = 100;
  static constexpr std::int32_t kPageStep = 10000;
  // One frame at the player's highest rate (1000/26 ms, rounded).
  static constexpr std::int32_t kFrameStep = 38;
  // The overlay: text lines 10 rows apart in the display rows below the band.
  static constexpr int kOverlayTop = app_config::kScreenTopRow + app_config::kScreenHeight;
  static constexpr int kOverlayX = 8;
  static constexpr int kLineHeight = 10;
  static constexpr int kMaxLineLength = app_config::kDisplayWidth / 8 - 2;
  static constexpr std::size_t kNbReportShown = 3;
  static_assert(app_config::kDisplayHeight - kOverlayTop >= 6 * kLineHeight);

  // `ticks` is the player's real clock (not the show's, which stops while paused): it times the
  // watching of the files.
  DevMode(ScriptPlayer& player, TickSource& ticks, std::optional<LoopSpan> loop);

  // The authoring keys (held arrows repeat); false for any other key, which stays the player's.
  bool handleKey(const SDL_KeyboardEvent& key);
  // Watches the files of the script at `path` from now on (empty: nothing).
  void watch(const std::string& path);
  // Before each frame: a settled change of the watched files reloads the show, and a playing
  // show that reached the loop's end goes back to its start.
  void beforeFrame();
  // Goes to the loop's start, when there is a loop (the show's first time in --dev).
  void begin();
  // R: starts a take (the show's input controllers that name a recording file record from
  // now on) or ends it (their files are written; the reload that follows picks them up).
  void toggleTake();
  // The running show is about to be replaced or closed: a running take is saved, every other
  // recording dropped, so the reload its files cause does not write them again.
  void showEnding(ScriptEngine& engine);
  // The take's start time while one runs.
  std::optional<std::int32_t> getTakeStart() const { return m_takeStart; }

  // The reports of the last load; a clean load clears the old ones.
  void setReports(const std::vector<Report>& reports);

  // The overlay lines for the frame rate and the time the last frame took.
  std::vector<std::string> overlayLines(float frameRate, double frameMs);
  // Draws the overlay into the display (whose first pixel is pDisplay), or clears its rows once
  // after it was hidden.
  void drawOverlay(std::uint32_t* pDisplay, float frameRate, double frameMs);

  bool isOverlayShown() const { return m_overlayShown; }
  std::optional<LoopSpan> getLoop() const { return m_loop; }
  std::optional<std::int32_t> getMark() const { return m_mark; }
  // Reloads started by changed files, whether the new show loaded or not.
  int getReloadCount() const { return m_nbReload; }

 private:
  void seekBy(std::int32_t ms);
  void stepFrame(std::int32_t direction);
  void markLoop();
  void clearOverlay(std::uint32_t* pDisplay) const;

  ScriptPlayer& m_player;
  TickSource& m_ticks;
  FileWatcher m_watcher;
  std::optional<LoopSpan> m_loop;
  // The first mark of a loop being set.
  std::optional<std::int32_t> m_mark;
  std::optional<std::int32_t> m_takeStart;
  std::vector<std::string> m_reports;
  bool m_overlayShown = false;
  bool m_overlayDrawn = false;
  int m_nbReload = 0;
};
