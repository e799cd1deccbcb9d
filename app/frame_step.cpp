#include "app/frame_step.h"

#include <cstddef>
#include <utility>

#include "app/config.h"
#include "base/file_tools.h"

namespace FrameStep {

std::unique_ptr<ScriptEngine> loadScript(const StringC& path, ScriptEngineServices services) {
  StringC remembered;
  const bool hasRemembered = FileTools::getCurrentDirectory(remembered);
  StringC directory, file;
  path.splitPath(directory, file);
  bool changed = false;
  if (!directory.view().empty()) changed = FileTools::setCurrentDirectory(directory);

  auto pEngine = std::make_unique<ScriptEngine>(std::move(services));
  pEngine->load(file);

  if (changed && hasRemembered) FileTools::setCurrentDirectory(remembered);
  pEngine->start();
  return pEngine;
}

void renderBand(std::uint32_t* pDisplay, CImage32External& screen, ScriptEngine* pEngine) {
  using namespace app_config;
  std::uint32_t* pBand =
      pDisplay + static_cast<std::size_t>(kScreenTopRow) * static_cast<std::size_t>(kDisplayWidth);
  screen.setPixelData(kDisplayWidth, kScreenHeight, pBand);
  if (pEngine) {
    pEngine->render(&screen);
  } else {
    screen.fill(0);
  }
}

void clearBandEdges(CImage32External& screen) {
  screen.clearFirstRow();
  screen.clearLastRow();
  screen.clearFirstColumn();
}

}  // namespace FrameStep
