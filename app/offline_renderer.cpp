#include "app/offline_renderer.h"

#include <cstdio>

#include "app/config.h"
#include "app/frame_step.h"
#include "app/sound_manager.h"
#include "base/file_tools.h"

namespace {

// True when the script can be read: it exists (separators and case resolved as the engine
// resolves them), is not a folder, and opens.
bool isReadableFile(const std::string& path) {
  const std::optional<std::string> resolved = FileTools::resolveExisting(path);
  if (!resolved || FileTools::isDirectory(*resolved)) return false;
  std::FILE* pFile = std::fopen(resolved->c_str(), "rb");
  if (!pFile) return false;
  std::fclose(pFile);
  return true;
}

}  // namespace

OfflineRenderer::OfflineRenderer()
    : m_display(app_config::kDisplayWidth, app_config::kDisplayHeight) {}

OfflineRenderer::~OfflineRenderer() = default;

bool OfflineRenderer::loadScript(const std::string& path) {
  const bool readable = isReadableFile(path);
  m_pEngine.reset();
  m_pMusic = nullptr;
  ScriptEngineServices services;
  services.createMusic = [this] {
    auto pMusic = std::make_unique<SoundManager>(SoundOptions{false, &m_ticks});
    m_pMusic = pMusic.get();
    return pMusic;
  };
  // Loaded even when the file cannot be read, so that the engine reports it in its own words.
  m_pEngine = FrameStep::loadScript(StringC(std::string_view(path)), std::move(services));
  return readable;
}

void OfflineRenderer::alignMusic(std::int32_t time) {
  if (!m_pMusic || !m_pMusic->isLoaded()) return;
  const std::int32_t now = m_pMusic->getTime();
  if (time >= now) {
    m_ticks.m_now += static_cast<std::uint32_t>(time - now);
  } else {
    m_pMusic->seek(time > 0 ? time : 0);
  }
}

void OfflineRenderer::renderFrame(std::int32_t time) {
  alignMusic(time);
  if (m_pEngine) m_pEngine->setFrameTime(time);
  FrameStep::renderBand(m_display.getPixels(), m_screen, m_pEngine.get());
  FrameStep::clearBandEdges(m_screen);
}
