#include "app/script_player.h"

#include <SDL.h>

#include <cstdio>
#include <thread>
#include <utility>

#include "app/config.h"
#include "app/dev_mode.h"
#include "app/frame_step.h"
#include "app/sound_manager.h"
#include "base/file_tools.h"
#include "base/report.h"

namespace {

constexpr const char* kCaption = "ScriptPlayer:";
constexpr const char* kScriptExtension = "lscx";
constexpr const char* kDroppedExtension = ".lscx";
// The frame-rate line, in display pixels.
constexpr int kFrameRateX = 10;
constexpr int kFrameRateY = 70;
// The frame rate is published at the first frame more than this after the last publication.
constexpr std::uint32_t kFrameRateInterval = 1000;
// The pacing sleeps until this long before the frame's end, then spins the rest: a sleep may
// oversleep by about a millisecond.
constexpr std::chrono::microseconds kSpinMargin{1500};

}  // namespace

ScriptPlayer::ScriptPlayer(PlayerOptions options)
    : m_options(std::move(options)),
      m_pTicks(m_options.pTicks ? m_options.pTicks : &m_systemTicks),
      m_clock(m_pTicks) {
  if (m_options.dev) m_pDev = std::make_unique<DevMode>(*this, *m_pTicks, m_options.loop);
  if (m_options.dev && m_options.sync)
    m_pSync = std::make_unique<SyncSession>(*this, *m_options.sync);
  if (!m_options.createMusic) {
    const bool audio = m_options.audio;
    m_options.createMusic = [audio]() -> std::unique_ptr<ScriptMusic> {
      return std::make_unique<SoundManager>(SoundOptions{audio});
    };
  }
}

ScriptPlayer::~ScriptPlayer() {
  shutDown();
}

void ScriptPlayer::shutDown() {
  m_pEngine.reset();
  m_pMusic = nullptr;
  // The cursor is shown again while the video still runs.
  if (m_cursorHidden) SDL_ShowCursor(SDL_ENABLE);
  m_cursorHidden = false;
  m_display.release();
}

bool ScriptPlayer::init() {
  using namespace app_config;
  if (!m_display.init(kWindowTitle, kDisplayWidth, kDisplayHeight, m_options.screenMode)) {
    close(CommandLine::kExitFailure);
    return false;
  }
  SDL_ShowCursor(SDL_DISABLE);
  m_cursorHidden = true;
  m_active = true;
  return true;
}

void ScriptPlayer::chooseScript(const std::string& commandLine) {
  StringC token;
  if (StringC(std::string_view(commandLine)).tokenize(&token, 1) == 1) {
    loadScript(token);
  } else {
    StringC found;
    if (FileTools::findFirstFileWithExtension(found, kScriptExtension)) loadScript(found);
  }
  if (m_options.start && m_pEngine) {
    startAt(*m_options.start);
  } else if (m_pDev && m_pEngine) {
    m_pDev->begin();
  }
}

bool ScriptPlayer::loadScript(StringC path) {
  if (path.view().empty()) return false;
  // The old show and its music end before the new one is read.
  takeShow(nullptr, nullptr);
  // A new show starts playing from its own start.
  m_clock.resume();
  ScriptMusic* pMusic = nullptr;
  std::unique_ptr<ScriptEngine> pEngine;
  {
    // In --dev what the load reports goes to the overlay as well.
    std::optional<ReportCollector> collector;
    if (m_pDev) collector.emplace();
    pEngine = FrameStep::loadScript(path, makeServices(pMusic));
    if (m_pDev) m_pDev->setReports(collector->reports());
  }
  // Set first: the sync session binds to the show's folder when it takes the show.
  m_scriptPath = path;
  takeShow(std::move(pEngine), pMusic);
  if (m_pDev) m_pDev->watch(std::string(path.view()));
  return true;
}

ScriptEngineServices ScriptPlayer::makeServices(ScriptMusic*& pMusic) {
  ScriptEngineServices services;
  services.pTicks = &m_clock;
  // The engine asks for the relative device; no window, no device.
  services.createInputDevice = [this] {
    return createInputDevice(m_display.getWindow(), m_mouse, InputDeviceKind::kRelative);
  };
  services.createMusic = [this, &pMusic]() {
    std::unique_ptr<ScriptMusic> pCreated = m_options.createMusic();
    pMusic = pCreated.get();
    // Silent until the show is in place (the clock then sets it going, or not).
    if (m_pDev) ShowClock::holdMusic(*pCreated);
    return pCreated;
  };
  return services;
}

void ScriptPlayer::takeShow(std::unique_ptr<ScriptEngine> pEngine, ScriptMusic* pMusic,
                            std::optional<std::int32_t> at) {
  if (m_pDev && m_pEngine) m_pDev->showEnding(*m_pEngine);
  m_pEngine = std::move(pEngine);
  m_pMusic = pMusic;
  if (m_pSync) m_pSync->showChanged();
  m_clock.setMusic(pMusic);
  // Moved before it is heard.
  if (at) seekTo(*at);
  m_clock.syncMusic();
}

void ScriptPlayer::startAt(std::int32_t ms) {
  // From the show's start: the tick clock moves by `ms`.
  m_clock.seek(0, ms);
}

std::int32_t ScriptPlayer::getTime() {
  return m_pEngine ? m_pEngine->getTime() : 0;
}

void ScriptPlayer::seekTo(std::int32_t ms) {
  if (m_pEngine) m_clock.seek(getTime(), std::max(ms, 0));
}

void ScriptPlayer::setPaused(bool paused) {
  if (paused) {
    m_clock.pause();
  } else {
    m_clock.resume();
  }
}

bool ScriptPlayer::reloadScript() {
  if (!m_pDev || m_scriptPath.view().empty()) return false;
  const std::int32_t time = getTime();
  ScriptMusic* pMusic = nullptr;
  std::unique_ptr<ScriptEngine> pEngine;
  std::vector<Report> reports;
  {
    const bool quitBefore = quitRequested().has_value();
    ReportCollector collector;
    pEngine = FrameStep::loadScript(m_scriptPath, makeServices(pMusic));
    reports = collector.reports();
    // A fatal report of a script being edited does not end the session: the old show goes on.
    if (!quitBefore && quitRequested()) clearQuitRequest();
  }
  m_pDev->setReports(reports);
  // The rejected show and its silent music go here.
  if (!reports.empty()) return false;
  takeShow(std::move(pEngine), pMusic, time);
  return true;
}

void ScriptPlayer::close(int exitCode) {
  if (!m_exitCode) m_exitCode = exitCode;
}

void ScriptPlayer::checkQuitRequest() {
  if (const std::optional<int> code = quitRequested()) close(*code);
  if (m_display.hasFailed()) close(CommandLine::kExitFailure);
}

void ScriptPlayer::handleEvent(const SDL_Event& event) {
  switch (event.type) {
    case SDL_QUIT:
      close(CommandLine::kExitSuccess);
      break;
    case SDL_KEYDOWN:
      handleKey(event.key);
      break;
    case SDL_WINDOWEVENT:
      handleWindowEvent(event.window);
      break;
    case SDL_DROPBEGIN:
      m_inDrop = true;
      m_dropTaken = false;
      break;
    case SDL_DROPCOMPLETE:
      m_inDrop = false;
      m_dropTaken = false;
      break;
    case SDL_DROPFILE:
      if (m_inDrop && m_dropTaken) break;
      m_dropTaken = m_inDrop;
      dropFile(event.drop.file);
      break;
    case SDL_MOUSEMOTION:
    case SDL_MOUSEWHEEL:
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      m_mouse.onEvent(event);
      break;
    case SDL_RENDER_TARGETS_RESET:
    case SDL_RENDER_DEVICE_RESET:
      m_display.restore();
      break;
    default:
      break;
  }
}

void ScriptPlayer::handleKey(const SDL_KeyboardEvent& key) {
  if (m_pDev && m_pDev->handleKey(key)) return;
  // A held key repeats; only the press itself counts.
  if (key.repeat) return;
  switch (key.keysym.sym) {
    case SDLK_ESCAPE:
      // The editor's unsaved edits are written before the player ends.
      if (m_pSync) m_pSync->save();
      close(CommandLine::kExitSuccess);
      break;
    case SDLK_i:
    case SDLK_F9:
      m_showFrameRate = !m_showFrameRate;
      break;
    case SDLK_F12:
      m_display.toggleFullScreen();
      break;
    default:
      break;
  }
}

void ScriptPlayer::handleWindowEvent(const SDL_WindowEvent& window) {
  switch (window.event) {
    case SDL_WINDOWEVENT_MINIMIZED:
    case SDL_WINDOWEVENT_HIDDEN:
      m_active = false;
      break;
    case SDL_WINDOWEVENT_RESTORED:
    case SDL_WINDOWEVENT_MAXIMIZED:
    case SDL_WINDOWEVENT_SHOWN:
      m_active = true;
      break;
    default:
      break;
  }
}

void ScriptPlayer::dropFile(const char* pName) {
  if (!pName || !*pName) return;
  const StringC name(pName);
  StringC extension(kDroppedExtension);
  extension.setCaseSensitive(0);
  if (extension.isIn(name)) {
    loadScript(name);
  } else {
    report(kCaption, std::string("Can't load File: ") + pName);
  }
}

std::string ScriptPlayer::frameRateLine() {
  char text[64];
  const int time = m_pEngine ? m_pEngine->getTime() : 0;
  std::snprintf(text, sizeof text, "fps: %d %d", static_cast<int>(m_frameRate), time);
  return text;
}

void ScriptPlayer::frameStep() {
  std::uint32_t* pDisplay = m_display.lock();
  if (pDisplay == Display::lockFailed()) {
    m_display.restore();
    return;
  }
  ++m_nbFrameProduced;
  const auto stepStart = std::chrono::steady_clock::now();
  if (m_pDev) m_pDev->beforeFrame();

  ++m_nbFrame;
  const std::uint32_t now = m_pTicks->getTicks();
  if (now - m_lastTick > kFrameRateInterval) {
    m_frameRate = static_cast<float>(m_nbFrame);
    m_lastTick = now;
    m_nbFrame = 0;
  }

  if (m_pDev) {
    // The reports of a frame go to the overlay as well.
    ReportCollector collector;
    if (m_pSync) m_pSync->beforeFrame(m_pTicks->getTicks());
    FrameStep::renderBand(pDisplay, m_screen, m_pEngine.get());
    FrameStep::clearBandEdges(m_screen);
    if (!collector.reports().empty()) m_pDev->setReports(collector.reports());
    m_pDev->drawOverlay(pDisplay, m_frameRate, m_frameMs);
    m_frameMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - stepStart)
            .count();
  } else {
    FrameStep::renderBand(pDisplay, m_screen, m_pEngine.get());
    if (m_showFrameRate && m_pEngine) {
      m_display.drawText(frameRateLine(), kFrameRateX, kFrameRateY);
    }
    FrameStep::clearBandEdges(m_screen);
    if (m_pEngine && m_pEngine->getTime() > kEndTime) close(CommandLine::kExitSuccess);
  }

  m_display.unlock();
  m_display.present();
}

void ScriptPlayer::dispatch(SDL_Event& event) {
  handleEvent(event);
  // The name of a dropped file belongs to whoever takes the event off the queue.
  if (event.type == SDL_DROPFILE) SDL_free(event.drop.file);
}

void ScriptPlayer::waitForFrameEnd(std::chrono::steady_clock::time_point frameStart) const {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point end = frameStart + m_options.minFramePeriod;
  const Clock::duration left = end - Clock::now();
  if (left > kSpinMargin) std::this_thread::sleep_for(left - kSpinMargin);
  while (Clock::now() < end)
    std::this_thread::yield();
}

bool ScriptPlayer::runOnce() {
  SDL_Event event;
  // Minimised: no frames and no spinning; the music runs on by itself meanwhile.
  if (!m_active && SDL_WaitEvent(&event)) dispatch(event);
  while (!hasEnded() && SDL_PollEvent(&event))
    dispatch(event);
  checkQuitRequest();
  if (hasEnded()) return false;
  if (!m_active) return true;

  const auto frameStart = std::chrono::steady_clock::now();
  frameStep();
  checkQuitRequest();
  if (m_options.minFramePeriod.count() > 0) waitForFrameEnd(frameStart);
  return !hasEnded();
}

bool ScriptPlayer::runFrames(int nbFrame) {
  const long target = m_nbFrameProduced + nbFrame;
  while (m_nbFrameProduced < target) {
    if (!runOnce()) return false;
  }
  return true;
}

int ScriptPlayer::run() {
  while (runOnce()) {
  }
  shutDown();
  return m_exitCode.value_or(CommandLine::kExitSuccess);
}

int runPlayer(const PlayRequest& request) {
  PlayerOptions options;
  options.screenMode = request.windowed ? ScreenMode::kWindowed : ScreenMode::kFullScreen;
  options.start = request.start;
  options.audio = request.audio;
  options.dev = request.dev;
  options.loop = request.loop;
  if (request.sync) {
    SyncOptions sync;
    sync.address = *request.sync;
    sync.timing.bpm = request.syncBpm;
    sync.timing.rowsPerBeat = request.syncRowsPerBeat;
    options.sync = sync;
  }
  ScriptPlayer player(std::move(options));
  if (!player.init()) return player.getExitCode().value_or(CommandLine::kExitFailure);
  player.chooseScript(request.scriptText);
  return player.run();
}
