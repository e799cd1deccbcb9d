#include "s3d/s3d_draw_manager.h"

#include "base/report.h"
#include "image/cimage32.h"
#include "s3d/viewport.h"

namespace {
constexpr const char* kCaption = "S3DDrawManager warning:";
}  // namespace

bool S3DDrawManager::begin(const S3DCamera* pCamera, ViewPort* pViewPort) {
  end();
  if (!pCamera) {
    report(kCaption, "pCamera NULL");
    return false;
  }
  if (!pViewPort) {
    report(kCaption, "pViewPort NULL");
    return false;
  }
  if (!pViewPort->getScreen()) {
    report(kCaption, "pScreen NULL");
    return false;
  }
  m_pCamera = pCamera;
  m_pViewPort = pViewPort;
  m_pScreen = pViewPort->getScreen();
  m_width = m_pScreen->getWidth();
  m_height = m_pScreen->getHeight();
  PolyFiller* const drawers[] = {&m_flat,    &m_gouraud,  &m_vertexAlpha, &m_texShade,
                                 &m_texture, &m_texColor, &m_perspective};
  for (PolyFiller* pDrawer : drawers) {
    pDrawer->setDestination(m_pScreen);
    // A viewport without depth buffer must not leave an older one bound.
    if (const ZBuffer* pZBuffer = pViewPort->getZBuffer())
      pDrawer->setZBuffer(pZBuffer);
    else
      pDrawer->dropZBuffer();
    pDrawer->setMaterial(nullptr);
  }
  return true;
}

void S3DDrawManager::bindMaterial(S3DDrawMode mode, const RasterMaterial& material) {
  switch (mode) {
    case S3DDrawMode::kFlat:
      m_flat.setMaterial(&material);
      break;
    case S3DDrawMode::kGouraud:
    case S3DDrawMode::kGouraudLayer:
      m_gouraud.setMaterial(&material);
      break;
    case S3DDrawMode::kVertexAlpha:
      m_vertexAlpha.setMaterial(&material);
      break;
    case S3DDrawMode::kTexShade:
      m_texShade.setMaterial(&material);
      break;
    case S3DDrawMode::kTexture:
      m_texture.setMaterial(&material);
      break;
    case S3DDrawMode::kTexColor:
      m_texColor.setMaterial(&material);
      break;
    case S3DDrawMode::kPerspective:
      m_perspective.setMaterial(&material);
      break;
  }
}

void S3DDrawManager::drawPolygon(S3DDrawMode mode, const float* pVertices, int count, int level) {
  switch (mode) {
    case S3DDrawMode::kFlat:
      m_flat.draw(pVertices, count, level);
      break;
    case S3DDrawMode::kGouraud:
    case S3DDrawMode::kGouraudLayer:
      // Mode 4's light map is in the levels the mesh hands over.
      m_gouraud.draw(pVertices, count);
      break;
    case S3DDrawMode::kVertexAlpha:
      m_vertexAlpha.draw(pVertices, count);
      break;
    case S3DDrawMode::kTexShade:
      m_texShade.draw(pVertices, count);
      break;
    case S3DDrawMode::kTexture:
      m_texture.draw(pVertices, count);
      break;
    case S3DDrawMode::kTexColor:
      m_texColor.draw(pVertices, count, level);
      break;
    case S3DDrawMode::kPerspective:
      m_perspective.draw(pVertices, count);
      break;
  }
}

const ZBuffer* S3DDrawManager::getZBuffer() const {
  return m_pViewPort ? m_pViewPort->getZBuffer() : nullptr;
}

void S3DDrawManager::end() {
  m_pCamera = nullptr;
  m_pViewPort = nullptr;
  m_pScreen = nullptr;
}
