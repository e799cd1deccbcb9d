#include "app/script_player.h"

#include <SDL.h>

#include <cstdio>
#include <thread>
#include <utility>

#include "app/config.h"
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
      m_showTicks(m_pTicks) {
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
  if (m_options.start && m_pEngine) startAt(*m_options.start);
}

bool ScriptPlayer::loadScript(StringC path) {
  if (path.view().empty()) return false;
  // The old show and its music end before the new one is read.
  m_pEngine.reset();
  m_pMusic = nullptr;
  ScriptEngineServices services;
  services.pTicks = &m_showTicks;
  services.createMusic = [this]() {
    std::unique_ptr<ScriptMusic> pMusic = m_options.createMusic();
    m_pMusic = pMusic.get();
    return pMusic;
  };
  m_pEngine = FrameStep::loadScript(path, std::move(services));
  return true;
}

void ScriptPlayer::startAt(std::int32_t ms) {
  if (m_pMusic) {
    // Our own sound manager moves a module as well as a stream.
    if (auto* pSound = dynamic_cast<SoundManager*>(m_pMusic)) {
      pSound->seek(ms);
    } else {
      m_pMusic->setTime(ms);
    }
  } else {
    m_showTicks.advance(ms);
  }
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
    case SDL_RENDER_TARGETS_RESET:
    case SDL_RENDER_DEVICE_RESET:
      m_display.restore();
      break;
    default:
      break;
  }
}

void ScriptPlayer::handleKey(const SDL_KeyboardEvent& key) {
  // A held key repeats; only the press itself counts.
  if (key.repeat) return;
  switch (key.keysym.sym) {
    case SDLK_ESCAPE:
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

  ++m_nbFrame;
  const std::uint32_t now = m_pTicks->getTicks();
  if (now - m_lastTick > kFrameRateInterval) {
    m_frameRate = static_cast<float>(m_nbFrame);
    m_lastTick = now;
    m_nbFrame = 0;
  }

  FrameStep::renderBand(pDisplay, m_screen, m_pEngine.get());
  if (m_showFrameRate && m_pEngine) m_display.drawText(frameRateLine(), kFrameRateX, kFrameRateY);
  FrameStep::clearBandEdges(m_screen);
  if (m_pEngine && m_pEngine->getTime() > kEndTime) close(CommandLine::kExitSuccess);

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
  ScriptPlayer player(std::move(options));
  if (!player.init()) return player.getExitCode().value_or(CommandLine::kExitFailure);
  player.chooseScript(request.scriptText);
  return player.run();
}
