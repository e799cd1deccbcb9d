#include "script/script_resource.h"

StringC ScriptFileResource::resolvedFile() const {
  StringC path = m_file;
  path.findFile();
  return path;
}

void ScriptController::load() {
  // FIXME: the .lecx controller file is read here once the controller files exist; until then
  // the entry is only named, and descriptors that name it keep their fixed values.
}

void ScriptImage::load() {
  const StringC path = resolvedFile();
  m_pImage = std::make_unique<CImage32FromData>(path.getString());
}

CImage32* ScriptImage::getImage() const {
  if (!m_pImage || !m_pImage->getPixels()) return nullptr;
  return m_pImage.get();
}

void ScriptRessource2D::load() {
  // FIXME: the 2D scene is read here once the 2D scene exists.
}

void ScriptRessource3D::load() {
  // FIXME: the .l3x scene is read here once the 3D engine exists.
}
