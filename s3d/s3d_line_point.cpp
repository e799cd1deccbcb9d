#include "s3d/s3d_line_point.h"

#include <algorithm>

#include "image/cimage32.h"
#include "raster/line_drawer.h"
#include "s3d/s3d_clip.h"
#include "s3d/s3d_draw_manager.h"
#include "s3d/s3d_material.h"

void S3DLinePointLists::build(const S3DMaterial* pMaterial,
                              std::span<const std::array<int32_t, 2>> edgePairs, int32_t nbVertex) {
  m_lines.clear();
  m_points.clear();
  m_pLineMaterial = nullptr;
  m_pPointMaterial = nullptr;
  if (!pMaterial) return;
  for (const S3DSubMaterial& sub : pMaterial->m_subMaterials) {
    if (!m_pLineMaterial && sub.m_pLine && sub.m_pLine->m_enabled) m_pLineMaterial = &sub;
    if (!m_pPointMaterial && sub.m_pTextureLayer && sub.m_pTextureLayer->m_enabled)
      m_pPointMaterial = &sub;
  }
  if (m_pLineMaterial)
    for (const auto& [a, b] : edgePairs)
      if (a >= 0 && a < nbVertex && b >= 0 && b < nbVertex) m_lines.push_back({a, b});
  if (m_pPointMaterial)
    for (int32_t v = 0; v < nbVertex; ++v)
      m_points.push_back(v);
}

float S3DLinePointLists::lineKey(const S3DItemVertices& v, const S3DLineItem& line) {
  return (v.cameraAt(line.a).z + v.cameraAt(line.b).z) * 0.5f - kLineKeyOffset;
}

void S3DLinePointLists::drawLines(S3DDrawManager& drawManager, const S3DItemVertices& v) const {
  for (const S3DLineItem& line : m_lines)
    drawLine(drawManager, v, line);
}

void S3DLinePointLists::drawPoints(S3DDrawManager& drawManager, const S3DItemVertices& v) const {
  for (const int32_t vertex : m_points)
    drawPoint(drawManager, v, vertex);
}

void S3DLinePointLists::drawLine(S3DDrawManager& drawManager, const S3DItemVertices& v,
                                 const S3DLineItem& line) const {
  CImage32* pScreen = drawManager.getScreen();
  if (!m_pLineMaterial || !pScreen) return;
  const S3DLineProperties& properties = *m_pLineMaterial->m_pLine;
  const auto color = static_cast<uint32_t>(properties.m_color) & 0xFFFFFFu;
  const LineBlend blend = properties.m_blendMode == 1   ? LineBlend::kAdd
                          : properties.m_blendMode == 3 ? LineBlend::kSubtract
                                                        : LineBlend::kReplace;
  const S3DScreenVertex& sa = v.screenAt(line.a);
  const S3DScreenVertex& sb = v.screenAt(line.b);
  if (sa.outside == 0.0f && sb.outside == 0.0f) {
    ::drawLine(*pScreen, drawManager.getZBuffer(), {sa.x, sa.y, sa.w}, {sb.x, sb.y, sb.w}, color,
               blend);
    return;
  }
  // An end off the screen or in front of the near plane: the segment is clipped in camera space
  // and dropped, like a polygon, when an end still projects off the screen.
  Vec3 a = v.cameraAt(line.a);
  Vec3 b = v.cameraAt(line.b);
  const S3DCamera& camera = *drawManager.getCamera();
  if (!clipSegment(camera, a, b)) return;
  LineEnd ends[2];
  const float width = static_cast<float>(drawManager.getWidth());
  const float height = static_cast<float>(drawManager.getHeight());
  for (int i = 0; i < 2; ++i) {
    const Vec3 p = i == 0 ? a : b;
    const float w = 1.0f / p.z;
    const float x = p.x * camera.m_scaleX * w + camera.m_centerX;
    const float y = camera.m_centerY - p.y * camera.m_scaleY * w;
    if (!(p.z >= camera.m_nearClip) || !(x >= 0.0f) || !(x < width) || !(y >= 0.0f) ||
        !(y < height))
      return;
    ends[i] = {x, y, w};
  }
  ::drawLine(*pScreen, drawManager.getZBuffer(), ends[0], ends[1], color, blend);
}

void S3DLinePointLists::drawPoint(S3DDrawManager& drawManager, const S3DItemVertices& v,
                                  int32_t vertex, float sizeFactor, float opacityFactor) const {
  CImage32* pScreen = drawManager.getScreen();
  if (!m_pPointMaterial || !pScreen) return;
  const S3DTextureLayer& layer = *m_pPointMaterial->m_pTextureLayer;
  const RasterTexture* pTexture = layer.m_pTexture ? layer.m_pTexture->getRaster() : nullptr;
  const CImage32* pImage = pTexture ? pTexture->plain() : nullptr;
  if (!pImage || pImage->getWidth() < 1 || pImage->getHeight() < 1) return;
  const S3DCamera& camera = *drawManager.getCamera();
  const float z = v.cameraAt(vertex).z;
  if (!(z > camera.m_nearClip)) return;
  const float size = std::clamp(layer.m_pointSize * sizeFactor * camera.m_scaleX / z, kMinPointSize,
                                kMaxPointSize);
  if (!(size >= kMinPointSize)) return;
  const S3DScreenVertex& s = v.screenAt(vertex);
  const S3DBlitStyle style = blitStyleOf(*m_pPointMaterial);
  pImage->blitScaled(pScreen, s.x, s.y, size / static_cast<float>(pImage->getWidth()),
                     size / static_cast<float>(pImage->getHeight()), style.mode, nullptr,
                     style.alpha * opacityFactor, style.filter);
}

S3DBlitStyle blitStyleOf(const S3DSubMaterial& sub) {
  S3DBlitStyle style;
  style.mode = sub.m_blendMode == 1   ? CImage32::kBlitModeTransAdd
               : sub.m_blendMode == 3 ? CImage32::kBlitModeTransSub
                                      : CImage32::kBlitModeNormal;
  style.alpha = sub.m_opacity;
  style.filter = sub.m_textureOption != 0 ? CImage32::kFilterBilinear : CImage32::kFilterNearest;
  return style;
}
