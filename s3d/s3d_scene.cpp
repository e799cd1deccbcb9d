#include "s3d/s3d_scene.h"

#include <string>

#include "base/chunk_file_reader.h"
#include "base/report.h"
#include "s3d/s3d_draw_manager.h"
#include "s3d/s3d_reader_p.h"
#include "s3d/viewport.h"

namespace {

constexpr const char* kCaption = "S3DScene warning:";
// The out-of-range camera report is shown once in the program's life.
bool g_cameraReported = false;

// index modulo count, never negative (count > 0).
std::size_t wrapIndex(int32_t index, std::size_t count) {
  const auto n = static_cast<int64_t>(count);
  return static_cast<std::size_t>(((index % n) + n) % n);
}

template <class Object>
Object* findIn(std::vector<Object>& objects, const StringC& name) {
  for (Object& object : objects)
    if (object.m_name == name) return &object;
  return nullptr;
}

}  // namespace

void reportScene(std::string_view text) {
  report(kCaption, text);
}

S3DScene::S3DScene() : m_pDrawManager(std::make_unique<S3DDrawManager>()) {}
S3DScene::~S3DScene() = default;

bool S3DScene::load(const StringC& fileName) {
  ChunkFileReaderManager manager(fileName);
  return load(manager);
}

bool S3DScene::load(ChunkFileReaderManager& manager) {
  const bool read = s3d_reader::readScene(*this, manager);
  if (m_cameras.empty()) reportScene("no camera to render the scene !");
  link();
  return read;
}

void S3DScene::setViewPort(ViewPort* pViewPort) {
  if (!pViewPort) {
    reportScene("setViewPort: viewPort NULL");
    return;
  }
  CImage32* pScreen = pViewPort->getScreen();
  if (!pScreen) {
    reportScene("setViewPort: screen NULL");
    return;
  }
  // The cameras follow the screen's size; a viewport of the size they already have (another
  // viewport too, so that a scene shown by two descriptors draws into the one rendering it) only
  // replaces the viewport.
  m_pViewPort = pViewPort;
  if (pViewPort->getWidth() == m_screenWidth && pViewPort->getHeight() == m_screenHeight) return;
  m_screenWidth = pViewPort->getWidth();
  m_screenHeight = pViewPort->getHeight();
  for (S3DCamera& camera : m_cameras)
    camera.setScreen(static_cast<float>(m_screenWidth), static_cast<float>(m_screenHeight));
}

void S3DScene::setCamera(int32_t index) {
  if (index >= 0 && index < getNbCamera()) {
    m_currentCamera = index;
    m_cameraChanged = 1;
    return;
  }
  if (g_cameraReported) return;
  g_cameraReported = true;
  reportScene("setCamera: not so much camera");
}

void S3DScene::resetCameraReport() {
  g_cameraReported = false;
}

S3DCamera* S3DScene::getCurrentCamera() {
  if (m_currentCamera < 0 || m_currentCamera >= getNbCamera()) return nullptr;
  return &m_cameras[static_cast<std::size_t>(m_currentCamera)];
}

void S3DScene::setTime(float time) {
  m_time = time;
  if (m_cameras.empty()) return;
  for (S3DMaterial& material : m_materials)
    material.animate(time);
  for (S3DDummy& dummy : m_dummies)
    dummy.animate(time);
  for (WSModifier& wsModifier : m_wsModifiers)
    wsModifier.animate(time);
  for (S3DTriObject& mesh : m_triObjects)
    mesh.animateObject(time);
  for (S3DCamera& camera : m_cameras)
    camera.animate(time);
  for (S3DLight& light : m_lights)
    light.animate(time);
  const S3DCamera* pCamera = getCurrentCamera();
  for (const auto& pShape : m_shapes)
    if (pShape) pShape->animate(time, pCamera);
}

S3DNode* S3DScene::findNode(const StringC& name) {
  if (!isObjectName(name)) return nullptr;
  if (S3DNode* pFound = findIn(m_triObjects, name)) return pFound;
  if (S3DNode* pFound = findIn(m_dummies, name)) return pFound;
  if (S3DNode* pFound = findShape(name)) return pFound;
  if (S3DNode* pFound = findIn(m_lights, name)) return pFound;
  if (S3DNode* pFound = findIn(m_wsModifiers, name)) return pFound;
  for (S3DCamera& camera : m_cameras) {
    if (camera.m_name == name) return &camera;
    if (camera.m_target.m_name == name) return &camera.m_target;
  }
  return nullptr;
}

S3DTriObject* S3DScene::findTriObject(const StringC& name) {
  return isObjectName(name) ? findIn(m_triObjects, name) : nullptr;
}

S3DShape* S3DScene::findShape(const StringC& name) {
  if (!isObjectName(name)) return nullptr;
  for (const auto& pShape : m_shapes)
    if (pShape && pShape->m_name == name) return pShape.get();
  return nullptr;
}

S3DCamera* S3DScene::findCamera(const StringC& name) {
  return isObjectName(name) ? findIn(m_cameras, name) : nullptr;
}

WSModifier* S3DScene::findWSModifier(const StringC& name) {
  return isObjectName(name) ? findIn(m_wsModifiers, name) : nullptr;
}

S3DLight* S3DScene::findLight(const StringC& name) {
  return isObjectName(name) ? findIn(m_lights, name) : nullptr;
}

S3DModifier* S3DScene::findModifier(const StringC& objectName, int type) {
  if (!isObjectName(objectName)) return nullptr;
  if (WSModifier* pWS = findWSModifier(objectName))
    if (pWS->m_pModifier && pWS->m_pModifier->getType() == type) return pWS->m_pModifier.get();
  for (S3DVertexObject* pObject : {static_cast<S3DVertexObject*>(findTriObject(objectName)),
                                   static_cast<S3DVertexObject*>(findShape(objectName))}) {
    if (!pObject) continue;
    for (const auto& pModifier : pObject->m_modifiers)
      if (pModifier && pModifier->getType() == type) return pModifier.get();
  }
  report(kCaption, "Can't find modifier type " + std::to_string(type) + ", of object " +
                       std::string(objectName.view()));
  return nullptr;
}

S3DModifierGizmo* S3DScene::findModifierGizmo(const StringC& objectName, int32_t index) {
  if (!isObjectName(objectName)) return nullptr;
  // Spherify has a gizmo in the file but is not addressed through it.
  const auto gizmo = [](S3DModifier* pModifier) -> S3DModifierGizmo* {
    if (!pModifier || !pModifier->isGizmo() || pModifier->getType() == S3DModifier::kSpherify)
      return nullptr;
    return static_cast<S3DModifierGizmo*>(pModifier);
  };
  if (WSModifier* pWS = findWSModifier(objectName))
    if (S3DModifierGizmo* pFound = gizmo(pWS->m_pModifier.get())) return pFound;
  for (S3DVertexObject* pObject : {static_cast<S3DVertexObject*>(findTriObject(objectName)),
                                   static_cast<S3DVertexObject*>(findShape(objectName))}) {
    if (!pObject || pObject->m_modifiers.empty()) continue;
    const std::size_t entry = wrapIndex(index, pObject->m_modifiers.size());
    if (S3DModifierGizmo* pFound = gizmo(pObject->m_modifiers[entry].get())) return pFound;
  }
  report(kCaption, "Can't find modifier gizmo, object " + std::string(objectName.view()));
  return nullptr;
}

S3DSubMaterial* S3DScene::findMaterial(const StringC& name, int32_t index) {
  if (!isObjectName(name)) return nullptr;
  if (S3DMaterial* pMaterial = findIn(m_materials, name)) {
    if (pMaterial->m_subMaterials.empty()) return nullptr;
    return &pMaterial->m_subMaterials[wrapIndex(index, pMaterial->m_subMaterials.size())];
  }
  report(kCaption, "Can't find material idx " + std::to_string(index) + ", called " +
                       std::string(name.view()));
  return nullptr;
}

S3DMaterial* S3DScene::getMaterial(int32_t index) {
  if (index < 0 || index >= static_cast<int32_t>(m_materials.size())) return nullptr;
  return &m_materials[static_cast<std::size_t>(index)];
}
