#include "app/dev_mode.h"

#include <SDL_keyboard.h>

#include <algorithm>
#include <cstdio>
#include <limits>

#include "app/script_player.h"
#include "image/bitmap_font.h"
#include "script/script_engine.h"

namespace {

constexpr const char* kCaption = "DevMode:";
constexpr std::uint32_t kTextColor = 0xFFFFFFu;
constexpr std::uint32_t kBackground = 0u;

std::string fitted(std::string text) {
  if (text.size() > static_cast<std::size_t>(DevMode::kMaxLineLength)) {
    text.resize(static_cast<std::size_t>(DevMode::kMaxLineLength) - 3);
    text += "...";
  }
  return text;
}

}  // namespace

DevMode::DevMode(ScriptPlayer& player, TickSource& ticks, std::optional<LoopSpan> loop)
    : m_player(player), m_ticks(ticks), m_loop(loop) {}

bool DevMode::handleKey(const SDL_KeyboardEvent& key) {
  const bool shift = (key.keysym.mod & KMOD_SHIFT) != 0;
  // Moves repeat while their key is held; toggles do not.
  switch (key.keysym.sym) {
    case SDLK_LEFT:
      seekBy(shift ? -kFineStep : -kStep);
      return true;
    case SDLK_RIGHT:
      seekBy(shift ? kFineStep : kStep);
      return true;
    case SDLK_PAGEUP:
      seekBy(-kPageStep);
      return true;
    case SDLK_PAGEDOWN:
      seekBy(kPageStep);
      return true;
    case SDLK_PERIOD:
      stepFrame(1);
      return true;
    case SDLK_COMMA:
      stepFrame(-1);
      return true;
    default:
      break;
  }
  if (key.repeat) {
    switch (key.keysym.sym) {
      case SDLK_SPACE:
      case SDLK_l:
      case SDLK_HOME:
      case SDLK_i:
      case SDLK_F9:
      case SDLK_r:
        return true;
      default:
        return false;
    }
  }
  switch (key.keysym.sym) {
    case SDLK_SPACE:
      m_player.setPaused(!m_player.isPaused());
      return true;
    case SDLK_l:
      markLoop();
      return true;
    case SDLK_HOME:
      m_player.seekTo(m_loop ? m_loop->from : 0);
      return true;
    case SDLK_i:
    case SDLK_F9:
      m_overlayShown = !m_overlayShown;
      return true;
    case SDLK_r:
      toggleTake();
      return true;
    default:
      return false;
  }
}

void DevMode::toggleTake() {
  ScriptEngine* pEngine = m_player.getEngine();
  if (!pEngine) return;
  ScriptControllerManager& controllers = pEngine->getControllerManager();
  // What the take reports ("recording: " and the file, or why not) goes to the overlay too.
  ReportCollector collector;
  if (m_takeStart) {
    // A controller that no formula read during the take recorded nothing and writes nothing.
    if (controllers.stopTake() == 0) report(kCaption, "the take wrote no recording file");
    m_takeStart.reset();
  } else {
    const std::int32_t now = m_player.getTime();
    if (controllers.startTake(now) > 0) {
      m_takeStart = now;
    } else {
      report(kCaption, "no input controller names a recording file");
    }
  }
  if (!collector.reports().empty()) setReports(collector.reports());
}

void DevMode::showEnding(ScriptEngine& engine) {
  ScriptControllerManager& controllers = engine.getControllerManager();
  if (m_takeStart) {
    controllers.stopTake();
    m_takeStart.reset();
  }
  controllers.discardRecordings();
}

void DevMode::seekBy(std::int32_t ms) {
  const std::int64_t target = std::int64_t{m_player.getTime()} + ms;
  m_player.seekTo(static_cast<std::int32_t>(
      std::clamp<std::int64_t>(target, 0, std::numeric_limits<std::int32_t>::max())));
}

void DevMode::stepFrame(std::int32_t direction) {
  // Stepping is for a still picture: a playing show stops first.
  if (!m_player.isPaused()) m_player.setPaused(true);
  seekBy(direction * kFrameStep);
}

void DevMode::markLoop() {
  if (m_loop) {
    m_loop.reset();
    m_mark.reset();
    return;
  }
  const std::int32_t now = m_player.getTime();
  if (!m_mark) {
    m_mark = now;
    return;
  }
  // A loop needs two different times; the same time again keeps the first mark.
  if (*m_mark == now) return;
  m_loop = LoopSpan{std::min(*m_mark, now), std::max(*m_mark, now)};
  m_mark.reset();
}

void DevMode::watch(const std::string& path) {
  if (path.empty()) {
    m_watcher.stop();
    return;
  }
  m_watcher.watch(path, m_ticks.getTicks());
}

void DevMode::begin() {
  if (m_loop) m_player.seekTo(m_loop->from);
}

void DevMode::beforeFrame() {
  if (m_watcher.poll(m_ticks.getTicks())) {
    ++m_nbReload;
    m_player.reloadScript();
  }
  if (m_loop && !m_player.isPaused() && m_player.getTime() >= m_loop->to) {
    m_player.seekTo(m_loop->from);
  }
}

void DevMode::setReports(const std::vector<Report>& reports) {
  m_reports.clear();
  // The first ones: the first report of a load is usually the cause, the others follow from it.
  const std::size_t nbShown = std::min(reports.size(), kNbReportShown);
  for (std::size_t i = 0; i < nbShown; ++i) {
    const Report& report = reports[i];
    m_reports.push_back(fitted(report.caption + " " + report.text));
  }
  if (reports.size() > nbShown) {
    m_reports.back() =
        fitted("... and " + std::to_string(reports.size() - nbShown + 1) + " more reports");
  }
}

std::vector<std::string> DevMode::overlayLines(float frameRate, double frameMs) {
  char text[96];
  std::vector<std::string> lines;
  std::snprintf(text, sizeof text, "%s time %d ms", m_player.isPaused() ? "PAUSED " : "PLAYING",
                m_player.getTime());
  lines.emplace_back(text);
  // The take shares the first line: the overlay has room for six.
  if (m_takeStart) lines.back() += "  TAKE from " + std::to_string(*m_takeStart) + " ms";
  std::snprintf(text, sizeof text, "fps %d  frame %.1f ms", static_cast<int>(frameRate), frameMs);
  lines.emplace_back(text);
  if (m_loop) {
    std::snprintf(text, sizeof text, "loop %d - %d ms", m_loop->from, m_loop->to);
  } else if (m_mark) {
    std::snprintf(text, sizeof text, "loop mark %d ms", *m_mark);
  } else {
    std::snprintf(text, sizeof text, "no loop");
  }
  lines.emplace_back(text);
  lines.insert(lines.end(), m_reports.begin(), m_reports.end());
  return lines;
}

void DevMode::clearOverlay(std::uint32_t* pDisplay) const {
  using namespace app_config;
  std::uint32_t* pFirst = pDisplay + std::ptrdiff_t{kOverlayTop} * kDisplayWidth;
  std::fill(pFirst, pDisplay + std::ptrdiff_t{kDisplayHeight} * kDisplayWidth, kBackground);
}

void DevMode::drawOverlay(std::uint32_t* pDisplay, float frameRate, double frameMs) {
  using namespace app_config;
  if (!m_overlayShown) {
    if (m_overlayDrawn) clearOverlay(pDisplay);
    m_overlayDrawn = false;
    return;
  }
  clearOverlay(pDisplay);
  const BitmapFont::Target target{pDisplay, kDisplayWidth, kDisplayHeight, kDisplayWidth};
  int y = kOverlayTop + (kLineHeight - BitmapFont::kGlyphHeight) / 2;
  for (const std::string& line : overlayLines(frameRate, frameMs)) {
    BitmapFont::drawText(target, line, kOverlayX, y, kTextColor, kBackground);
    y += kLineHeight;
  }
  m_overlayDrawn = true;
}
