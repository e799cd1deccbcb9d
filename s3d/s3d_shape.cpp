#include "s3d/s3d_shape.h"

#include <cmath>

#include "base/chunk_file_reader.h"
#include "image/cimage32.h"
#include "s3d/s3d_camera.h"
#include "s3d/s3d_chunk_p.h"
#include "s3d/s3d_draw_manager.h"
#include "s3d/s3d_material.h"
#include "s3d/s3d_pipeline.h"

namespace {

enum : uint16_t {
  kEmitterList = 20,
  kEmitter = 21,
  kEmitterStart = 1,
  kEmitterPeriod = 2,
  kEmitterRate = 3,
  kSpriteValue11 = 11,
  kSpriteValue12 = 12,
  kSpriteFirstSelector = 13,
};

}  // namespace

void S3DShape::animate(float time, const S3DCamera*) {
  animateObject(time);
}

void S3DShape::prepare() {
  m_modifierScratch.assign(m_vertices.size(), Vec3{});
}

void S3DShape::transform(const S3DCamera& camera) {
  m_pCamera = &camera;
  // Object space: the stack rebuilds the vertices from the saved copy.
  if (!m_applications.empty()) applyModifiers(camera);
  transformVertices(m_vertices, multiply(m_matrix, camera.m_viewMatrix), m_cameraVertices);
  // Camera space.
  if (!m_wsModifiers.empty()) applyWSModifiers(camera, m_cameraVertices, m_modifierScratch);
  projectVertices(m_cameraVertices, camera, m_screenVertices);
}

void S3DShape::draw(S3DDrawManager& drawManager) const {
  if (m_lists.empty()) return;
  const S3DItemVertices vertices = itemVertices();
  m_lists.drawLines(drawManager, vertices);
  m_lists.drawPoints(drawManager, vertices);
}

void S3DShapePoints::prepare() {
  S3DShape::prepare();
  m_lists.build(m_pMaterial, m_edgePairs, getNbVertex());
}

void S3DShapeSprite::transform(const S3DCamera& camera) {
  m_pCamera = &camera;
  // The origin of the head: the translation row of object · view.
  const Matrix44 toCamera = multiply(m_matrix, camera.m_viewMatrix);
  const float x = toCamera.m[12];
  const float y = toCamera.m[13];
  m_z = toCamera.m[14];
  m_screenX = x * camera.m_scaleX / m_z + camera.m_centerX;
  m_screenY = camera.m_centerY - y * camera.m_scaleY / m_z;
  const auto zoom = [&](int32_t selector, float scale) {
    return selector == 1 ? m_value11 : selector == 2 ? m_value11 * scale / m_z : 1.0f;
  };
  m_zoomX = zoom(m_selectors[0], camera.m_scaleX);
  m_zoomY = zoom(m_selectors[1], camera.m_scaleY);
  if (m_selectors[2] == 1) {
    m_angle = m_value12;
  } else if (m_selectors[2] == 2) {
    // The head's x axis in camera space; camera y is up like the screen's counter-clockwise.
    const Matrix44 turn = multiply(m_rotationMatrix, camera.m_viewRotation);
    m_angle = std::atan2(turn.m[1], turn.m[0]);
  } else {
    m_angle = 0.0f;
  }
}

void S3DShapeSprite::draw(S3DDrawManager& drawManager) const {
  CImage32* pScreen = drawManager.getScreen();
  if (!pScreen || !m_pMaterial || m_pMaterial->m_subMaterials.empty() || m_z < 0.0f) return;
  const S3DSubMaterial& sub = m_pMaterial->m_subMaterials[0];
  const CImage32* pImage = sub.m_pTexture ? sub.m_pTexture->plain() : nullptr;
  if (!pImage) return;
  const S3DBlitStyle style = blitStyleOf(sub);
  if (m_angle == 0.0f)
    pImage->blitScaled(pScreen, m_screenX, m_screenY, m_zoomX, m_zoomY, style.mode, nullptr,
                       style.alpha, style.filter);
  else
    pImage->blitRotation(pScreen, m_angle, m_screenX, m_screenY, m_zoomX, m_zoomY, style.mode,
                         nullptr, style.alpha, style.filter);
}

void S3DShapeParticles::loadKindParameters(ChunkFileReader& chunk,
                                           ChunkFileReaderManager& manager) {
  ChunkFileReader list, record, field;
  while (chunk.nextChild(list)) {
    if (list.getIdentifier() != kEmitterList) continue;
    // Each emitter is a chunk of at least its header.
    const std::uint64_t count =
        std::min<std::uint64_t>(list.readWord(), s3d_chunk::remaining(list, manager) / 6);
    m_emitters.assign(count, S3DEmitter{});
    std::size_t filled = 0;
    while (filled < m_emitters.size() && list.nextChild(record)) {
      if (record.getIdentifier() != kEmitter) continue;
      S3DEmitter& emitter = m_emitters[filled++];
      while (record.nextChild(field)) {
        switch (field.getIdentifier()) {
          case kEmitterStart:
            emitter.startFrame = field.readFloat();
            break;
          case kEmitterPeriod:
            emitter.period = field.readFloat();
            break;
          case kEmitterRate:
            emitter.rate = field.readFloat();
            break;
          default:
            break;
        }
      }
    }
  }
}

void S3DShapeSprite::loadKindParameters(ChunkFileReader& chunk, ChunkFileReaderManager&) {
  ChunkFileReader field;
  while (chunk.nextChild(field)) {
    const uint16_t id = field.getIdentifier();
    if (id == kSpriteValue11) m_value11 = field.readFloat();
    if (id == kSpriteValue12) m_value12 = field.readFloat();
    if (id >= kSpriteFirstSelector && id < kSpriteFirstSelector + 3)
      m_selectors[id - kSpriteFirstSelector] = field.readInt();
  }
}

std::unique_ptr<S3DShape> createShape(int kind) {
  switch (kind) {
    case S3DShape::kPoints:
      return std::make_unique<S3DShapePoints>();
    case S3DShape::kParticles:
      return std::make_unique<S3DShapeParticles>();
    case S3DShape::kSprite:
      return std::make_unique<S3DShapeSprite>();
    default:
      return nullptr;
  }
}
