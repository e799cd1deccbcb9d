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
  // FIXME: the BMP and TGA readers fill m_pImage; until then a named image has no picture, and
  // writing it reports its missing buffer.
}

void ScriptRessource2D::load() {
  // FIXME: the 2D scene is read here once the 2D scene exists.
}

void ScriptRessource3D::load() {
  // FIXME: the .l3x scene is read here once the 3D engine exists.
}
