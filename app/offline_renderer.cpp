#include "app/offline_renderer.h"

#include <cstdio>

#include "app/config.h"
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

  StringC remembered;
  const bool hasRemembered = FileTools::getCurrentDirectory(remembered);
  StringC directory, file;
  StringC(std::string_view(path)).splitPath(directory, file);
  bool changed = false;
  if (!directory.view().empty()) changed = FileTools::setCurrentDirectory(directory);

  // Loaded even when the file cannot be read, so that the engine reports it in its own words.
  m_pEngine = std::make_unique<ScriptEngine>();
  m_pEngine->load(file);

  if (changed && hasRemembered) FileTools::setCurrentDirectory(remembered);
  m_pEngine->start();
  return readable;
}

void OfflineRenderer::renderFrame(std::int32_t time) {
  using namespace app_config;
  uint32_t* pBand = m_display.getPixels() + static_cast<std::size_t>(kScreenTopRow) *
                                                static_cast<std::size_t>(kDisplayWidth);
  m_screen.setPixelData(kDisplayWidth, kScreenHeight, pBand);
  if (m_pEngine) {
    m_pEngine->setFrameTime(time);
    m_pEngine->render(&m_screen);
  } else {
    m_screen.fill(0);
  }
  m_screen.clearFirstRow();
  m_screen.clearLastRow();
  m_screen.clearFirstColumn();
}
