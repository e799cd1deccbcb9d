#include "script/render_data.h"

#include <cmath>
#include <new>

#include "base/frame_profile.h"
#include "base/report.h"
#include "control/lecx_controller_l3x.h"
#include "s3d/s2d_scene.h"
#include "s3d/s3d_scene.h"
#include "s3d/s3d_scene_params.h"
#include "s3d/viewport.h"
#include "script/config.h"
#include "script/script_words_p.h"

namespace {

std::string captionOf(const char* kind, const StringC& name) {
  std::string caption(kind);
  caption += name.view();
  caption += " :";
  return caption;
}

}  // namespace

void RenderData::setDimension(const ScriptLayerDim* pDim) {
  if (!pDim) return;
  m_dimension.setName(pDim->getName());
  m_dimension.m_width = pDim->m_width;
  m_dimension.m_height = pDim->m_height;
}

void RenderDataScreenLayer::createBuffer(PixelBudget& budget) {
  const std::int32_t width = m_dimension.m_width;
  const std::int32_t height = m_dimension.m_height;
  // Zero is the size of a layer whose dimension was not found; negative and enormous sizes are
  // typing mistakes, refused the same way rather than ending the program.
  if (!budget.take(width, height)) {
    report(captionOf("SCREEN_LAYER ", m_name), "bad dimensions for creating buffer");
    return;
  }
  m_pBuffer = std::make_unique<CImage32Buffered>(width, height);
}

void RenderDataScreenLayer::render(CImage32* pDst) {
  if (!m_pBuffer) {
    report(captionOf("SCREEN_LAYER ", m_name), "m_pBuffer NULL");
    return;
  }
  m_pBuffer->blit(pDst);
}

void RenderDataImage::render(CImage32* pDst) {
  if (!m_pBuffer) {
    report(captionOf("IMAGE ", m_name), "render using m_pBuffer NULL");
    return;
  }
  m_pBuffer->blit(pDst);
}

bool RenderDataSceneDesc::animationFrame(std::int32_t length, float& frame) const {
  if (length <= 0) return false;
  const float seconds = static_cast<float>(std::int64_t{m_timeOffset} + m_localTime) * 0.001f;
  frame = std::fmod(seconds * 30.0f, static_cast<float>(length));
  return true;
}

void RenderData2DDesc::render(CImage32* pDst) {
  float frame = 0.0f;
  if (!m_pScene || !animationFrame(m_pScene->getAnimLength(), frame)) return;
  const ProfileScope scope(ProfileCategory::kScene2D);
  m_pScene->setCamera(m_camera);
  m_pScene->setTime(frame);
  m_pScene->render(pDst);
}

RenderData3DDesc::RenderData3DDesc() : m_pViewPort(std::make_unique<ViewPort>()) {}
RenderData3DDesc::~RenderData3DDesc() = default;

void RenderData3DDesc::createViewPort(PixelBudget& budget) {
  const std::int32_t width = m_dimension.m_width;
  const std::int32_t height = m_dimension.m_height;
  // A size of 0 is the viewport's to report; a depth buffer too large for any layer is not made.
  if (width > 0 && height > 0 && !budget.take(width, height)) {
    report(captionOf("3D_DESC ", m_name), "bad dimensions for creating viewport");
    return;
  }
  m_pViewPort->setScreen(width, height);
}

void RenderData3DDesc::setScene(S3DScene* pScene) {
  m_pScene = pScene;
  if (m_pSceneTarget) m_pSceneTarget->setScene(pScene);
  if (pScene) m_pViewPort->enableZBuffer(pScene->m_zBufferFlag != 0);
}

void RenderData3DDesc::render(CImage32* pDst) {
  float frame = 0.0f;
  if (!m_pScene || !animationFrame(m_pScene->getAnimLength(), frame)) return;
  {
    const ProfileScope scope(ProfileCategory::kTransform3D);
    m_pViewPort->clear();
    m_pViewPort->setScreen(pDst);
    m_pScene->setViewPort(m_pViewPort.get());
    m_pScene->setCamera(m_camera);
    m_pScene->setTime(frame);
    if (m_pController) m_pController->update();
    m_pScene->transform();
  }
  const ProfileScope scope(ProfileCategory::kDraw3D);
  m_pScene->render();
}

void RenderData3DDesc::setController(LECXController* pController) {
  if (!pController) return;
  if (pController->getType() != LECXControllerType::L3X) {
    reportWrongController("3D_DESC " + std::string(m_name.view()) + " :", *pController,
                          "RenderData3DDesc");
    return;
  }
  if (!m_pSceneTarget) m_pSceneTarget = std::make_unique<LECXControllerL3XParamManager>(m_pScene);
  m_pSceneTarget->setScene(m_pScene);
  static_cast<LECXControllerL3X*>(pController)->setScene(m_pScene ? m_pSceneTarget.get() : nullptr);
  m_pController = pController;
}
