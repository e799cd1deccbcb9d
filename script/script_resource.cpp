#include "script/script_resource.h"

#include "control/lecx_controller_manager.h"
#include "s3d/s2d_scene.h"
#include "s3d/s3d_scene.h"

StringC ScriptFileResource::resolvedFile() const {
  StringC path = m_file;
  path.findFile();
  return path;
}

ScriptController::ScriptController() = default;
ScriptController::~ScriptController() = default;

void ScriptController::load() {
  m_pManager = std::make_unique<LECXControllerManager>();
  m_pManager->load(resolvedFile());
}

void ScriptController::prepare(CrtRand& runtimeRand) {
  if (LECXController* pController = getFirstController()) pController->prepare(runtimeRand);
}

LECXController* ScriptController::getFirstController() const {
  return m_pManager ? m_pManager->getController() : nullptr;
}

void ScriptImage::load() {
  const StringC path = resolvedFile();
  m_pImage = std::make_unique<CImage32FromData>(path.getString());
}

CImage32* ScriptImage::getImage() const {
  if (!m_pImage || !m_pImage->getPixels()) return nullptr;
  return m_pImage.get();
}

ScriptRessource2D::ScriptRessource2D() = default;
ScriptRessource2D::~ScriptRessource2D() = default;

void ScriptRessource2D::load() {
  m_pScene = std::make_unique<S2DScene>();
  m_pScene->load(resolvedFile());
}

ScriptRessource3D::ScriptRessource3D() = default;
ScriptRessource3D::~ScriptRessource3D() = default;

void ScriptRessource3D::load() {
  m_pScene = std::make_unique<S3DScene>();
  m_pScene->load(resolvedFile());
}
