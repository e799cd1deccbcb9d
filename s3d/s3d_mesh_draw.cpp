// Drawing a mesh's faces: per-vertex values for the group's drawer, the back-face rule, clipping
// of faces that leave the screen, and the drawer's call.
//
// The faces of a group share their sub-material and drawer: what depends on those alone (the
// values the drawer takes, the texture's size, the two-sided flag) is looked up once per group,
// and the face loop is compiled once per drawing mode. A face whose corners are all on screen
// goes straight to the drawer; only the others are built as clip vertices.

#include <cmath>
#include <span>
#include <utility>

#include "s3d/s3d_channel.h"
#include "s3d/s3d_clip.h"
#include "s3d/s3d_draw_manager.h"
#include "s3d/s3d_tri_object.h"

namespace {

// How many values each mode's drawer interpolates after x, y and 1/z, whether they include
// texture coordinates (first) and the shading level and vertex alpha (after them), and whether
// the drawer takes the face's one flat level.
struct ModeValues {
  int count = 0;
  bool textured = false;
  bool level = false;
  bool alpha = false;
  bool flatLevel = false;
};

constexpr ModeValues valuesOf(S3DDrawMode mode) {
  switch (mode) {
    case S3DDrawMode::kFlat:
      return {0, false, false, false, true};
    case S3DDrawMode::kGouraud:
    case S3DDrawMode::kGouraudLayer:
      return {1, false, true, false, false};
    case S3DDrawMode::kVertexAlpha:
      return {2, false, true, true, false};
    case S3DDrawMode::kTexShade:
      return {3, true, true, false, false};
    case S3DDrawMode::kTexture:
    case S3DDrawMode::kPerspective:
      return {2, true, false, false, false};
    case S3DDrawMode::kTexColor:
      return {2, true, false, false, true};
  }
  return {};
}

// What every face of one group reads besides its own corners.
struct GroupFaces {
  const S3DTriObject& mesh;
  S3DDrawManager& drawManager;
  bool twoSided = false;
  // The mesh's mapping coordinates, or environment mapping from the normals.
  bool mapped = false;
  // The texture's size in texels, 0 x 0 without texture.
  float textureWidth = 0.0f;
  float textureHeight = 0.0f;
  // The light each vertex receives (null: 0) and its opacity (null: 1).
  const float* pLight = nullptr;
  const float* pOpacity = nullptr;
  // The map layer whose coordinate transform the texture coordinates go through; null: none.
  const S3DMapLayer* pTransform = nullptr;
  // Mode 4: the second layer, a light map whose brightness at the corner's mapping coordinates
  // (through the layer's own transform) scales the shading level; null: the level as it is.
  const S3DMapLayer* pLightLayer = nullptr;
  const RasterTexture* pLightMap = nullptr;
};

GroupFaces groupFaces(const S3DTriObject& mesh, S3DDrawManager& drawManager,
                      const S3DDrawGroup& group) {
  const S3DSubMaterial& sub = *group.pSubMaterial;
  GroupFaces g{mesh, drawManager};
  g.twoSided = sub.m_twoSided != 0;
  g.mapped = mesh.hasMapping();
  if (valuesOf(group.mode).textured) {
    const RasterTexture* pTexture = sub.m_raster.pTexture;
    const CImage32* pPlain = pTexture ? pTexture->plain() : nullptr;
    g.textureWidth = pPlain ? static_cast<float>(pPlain->getWidth()) : 0.0f;
    g.textureHeight = pPlain ? static_cast<float>(pPlain->getHeight()) : 0.0f;
  }
  g.pLight = mesh.m_pLighting ? mesh.m_pLighting->values.data() : nullptr;
  g.pOpacity = mesh.m_pOpacityMap ? mesh.m_pOpacityMap->data() : nullptr;
  if (sub.m_pMapLayer && sub.m_pMapLayer->m_uvTransform != 0) g.pTransform = sub.m_pMapLayer.get();
  if (group.mode == S3DDrawMode::kGouraudLayer && g.mapped && sub.m_pLayer2 &&
      sub.m_pLayer2->m_pTexture) {
    g.pLightLayer = sub.m_pLayer2.get();
    g.pLightMap = sub.m_pLayer2->m_pTexture->getRaster();
  }
  return g;
}

// The clipper's vertices, made once for a group's faces rather than zeroed for each face.
struct ClipScratch {
  ClipVertex triangle[3];
  ClipVertex clipped[kMaxClipVertices];
};

// A face with a corner off the screen or in front of the near plane: clipped in camera space,
// then projected into `polygon` (kStride floats a vertex). A polygon with a corner still in
// front of the near plane or off the screen is dropped whole: 0.
template <int kStride>
int clipFace(const GroupFaces& g, ClipScratch& scratch, const uint16_t (&corners)[3],
             const float (*values)[kStride], float* polygon) {
  constexpr int kCount = kStride - 3;
  // The values past the drawer's stay 0, as the clipper carries all of them.
  ClipVertex* triangle = scratch.triangle;
  for (int i = 0; i < 3; ++i) {
    triangle[i].p = g.mesh.m_cameraVertices[corners[i]];
    for (int k = 0; k < kCount; ++k)
      triangle[i].values[k] = values[i][3 + k];
  }
  ClipVertex(&clipped)[kMaxClipVertices] = scratch.clipped;
  const S3DCamera& camera = *g.drawManager.getCamera();
  const int count = clipPolygon(camera, triangle, 3, clipped);
  const float width = static_cast<float>(g.drawManager.getWidth());
  const float height = static_cast<float>(g.drawManager.getHeight());
  for (int i = 0; i < count; ++i) {
    const Vec3 p = clipped[i].p;
    const float w = 1.0f / p.z;
    const float x = p.x * camera.m_scaleX * w + camera.m_centerX;
    const float y = camera.m_centerY - p.y * camera.m_scaleY * w;
    if (!(p.z >= camera.m_nearClip) || !(x >= 0.0f) || !(x < width) || !(y >= 0.0f) ||
        !(y < height))
      return 0;
    float* pOut = polygon + i * kStride;
    pOut[0] = x;
    pOut[1] = y;
    pOut[2] = w;
    for (int k = 0; k < kCount; ++k)
      pOut[3 + k] = clipped[i].values[k];
  }
  return count;
}

template <S3DDrawMode kMode>
void drawFaces(const GroupFaces& g, std::span<const uint32_t> faces) {
  constexpr ModeValues kValues = valuesOf(kMode);
  constexpr int kStride = 3 + kValues.count;
  ClipScratch scratch;
  const S3DTriObject& mesh = g.mesh;
  const S3DFace* pFaces = mesh.m_faces.data();
  const S3DScreenVertex* pScreen = mesh.m_screenVertices.data();
  for (const uint32_t faceIndex : faces) {
    const S3DFace& face = pFaces[faceIndex];
    // Back faces are skipped, or drawn reversed (first and third corners exchanged) when the
    // sub-material is two-sided, so that they run counter-clockwise on the screen too.
    uint16_t corners[3] = {face.a, face.b, face.c};
    uint16_t textureCorners[3] = {face.ta, face.tb, face.tc};
    if (!face.frontFacing) {
      if (!g.twoSided) continue;
      std::swap(corners[0], corners[2]);
      std::swap(textureCorners[0], textureCorners[2]);
    }
    // The drawer's vertices as they are on screen: x, y, 1/z, then the corner's values.
    float polygon[kMaxClipVertices * kStride];
    float lightSum = 0.0f;
    for (int i = 0; i < 3; ++i) {
      const uint16_t v = corners[i];
      const S3DScreenVertex& s = pScreen[v];
      float* pOut = polygon + i * kStride;
      pOut[0] = s.x;
      pOut[1] = s.y;
      pOut[2] = s.w;
      const float light = g.pLight ? g.pLight[v] : 0.0f;
      lightSum += light;
      [[maybe_unused]] int k = 3;
      if constexpr (kValues.textured) {
        // The mesh's mapping coordinates, or the camera-space normal mapped to 0..1
        // (environment mapping); v runs up the picture, the drawers' rows down.
        float u, vt;
        if (g.mapped) {
          const Vec3 t = mesh.m_textureVertices[textureCorners[i]];
          u = t.x;
          vt = t.y;
        } else {
          const Vec3 n = mesh.m_cameraNormals[v];
          u = (n.x + 1.0f) * 0.5f;
          vt = (n.y + 1.0f) * 0.5f;
        }
        if (g.pTransform) g.pTransform->transformUV(u, vt);
        pOut[k++] = u * g.textureWidth;
        pOut[k++] = (1.0f - vt) * g.textureHeight;
      }
      if constexpr (kMode == S3DDrawMode::kGouraudLayer) {
        if (g.pLightMap) {
          const Vec3 t = mesh.m_textureVertices[textureCorners[i]];
          float u = t.x, vt = t.y;
          g.pLightLayer->transformUV(u, vt);
          pOut[k++] = light * 255.0f * texelOpacity(*g.pLightMap, u, vt);
        } else {
          pOut[k++] = light * 255.0f;
        }
      } else if constexpr (kValues.level) {
        pOut[k++] = light * 255.0f;
      }
      if constexpr (kValues.alpha) pOut[k++] = (g.pOpacity ? g.pOpacity[v] : 1.0f) * 255.0f;
    }
    // One level for a flat face: the mean light, (l0 + l1 + l2) · 255 / 3, rounded.
    int flatLevel = 0;
    if constexpr (kValues.flatLevel) flatLevel = static_cast<int>(std::lround(lightSum * 84.9915f));
    int count = 3;
    if (pScreen[corners[0]].outside != 0.0f || pScreen[corners[1]].outside != 0.0f ||
        pScreen[corners[2]].outside != 0.0f) {
      // The corner values move to the clip vertices, the clipped polygon replaces them.
      float corner[3][kStride];
      for (int i = 0; i < 3; ++i)
        for (int k = 0; k < kStride; ++k)
          corner[i][k] = polygon[i * kStride + k];
      count = clipFace<kStride>(g, scratch, corners, corner, polygon);
      if (count < 3) continue;
    }
    g.drawManager.drawPolygon(kMode, polygon, count, flatLevel);
  }
}

void drawGroupFaces(const S3DTriObject& mesh, S3DDrawManager& drawManager,
                    const S3DDrawGroup& group, std::span<const uint32_t> faces) {
  const GroupFaces g = groupFaces(mesh, drawManager, group);
  switch (group.mode) {
    case S3DDrawMode::kGouraud:
      return drawFaces<S3DDrawMode::kGouraud>(g, faces);
    case S3DDrawMode::kVertexAlpha:
      return drawFaces<S3DDrawMode::kVertexAlpha>(g, faces);
    case S3DDrawMode::kTexShade:
      return drawFaces<S3DDrawMode::kTexShade>(g, faces);
    case S3DDrawMode::kGouraudLayer:
      return drawFaces<S3DDrawMode::kGouraudLayer>(g, faces);
    case S3DDrawMode::kTexture:
      return drawFaces<S3DDrawMode::kTexture>(g, faces);
    case S3DDrawMode::kPerspective:
      return drawFaces<S3DDrawMode::kPerspective>(g, faces);
    case S3DDrawMode::kFlat:
      return drawFaces<S3DDrawMode::kFlat>(g, faces);
    case S3DDrawMode::kTexColor:
      return drawFaces<S3DDrawMode::kTexColor>(g, faces);
  }
}

}  // namespace

void S3DTriObject::drawPass(S3DDrawManager& drawManager, Pass pass) const {
  for (const S3DDrawGroup& group : m_groups[pass]) {
    drawManager.bindMaterial(group.mode, group.pSubMaterial->m_raster);
    drawGroupFaces(*this, drawManager, group, group.faces);
  }
}

void S3DTriObject::drawFace(S3DDrawManager& drawManager, const S3DDrawGroup& group,
                            uint32_t faceIndex) const {
  drawGroupFaces(*this, drawManager, group, std::span<const uint32_t>(&faceIndex, 1));
}
