// What a mesh makes once after loading for its drawing: sub-materials of the faces, normals,
// the per-frame arrays, and the groups of faces per sub-material and pass.

#include <cmath>
#include <string>

#include "s3d/s3d_pipeline.h"
#include "s3d/s3d_tri_object.h"

namespace {

// The first pass takes the sub-materials drawn opaque: polygons on, no opacity-weighted
// shading, normal blend, opacity exactly 1.
bool isOpaque(const S3DSubMaterial& sub) {
  return sub.m_shadingType != S3DSubMaterial::kShadingOpacityWeighted &&
         sub.m_blendMode == S3DSubMaterial::kBlendNormal && sub.m_opacity == 1.0f;
}

bool layerEnabled(const std::unique_ptr<S3DMapLayer>& pLayer) {
  return pLayer && pLayer->m_enabled != 0;
}

}  // namespace

S3DDrawMode S3DTriObject::drawModeOf(const S3DSubMaterial& sub) {
  if (layerEnabled(sub.m_pLayer1)) return S3DDrawMode::kVertexAlpha;
  if (layerEnabled(sub.m_pLayer2)) return S3DDrawMode::kGouraudLayer;
  switch (sub.m_shadingType) {
    case S3DSubMaterial::kShadingTexture:
      return S3DDrawMode::kTexture;
    case S3DSubMaterial::kShadingPerspective:
      return S3DDrawMode::kPerspective;
    case S3DSubMaterial::kShadingFlat:
      return S3DDrawMode::kFlat;
    case 1:
    case 2:
    case 3:
      return S3DDrawMode::kTexShade;
    case 101:
    case 102:
    case 103:
      return S3DDrawMode::kTexColor;
    default:
      return S3DDrawMode::kGouraud;
  }
}

void S3DTriObject::prepareMaterial() {
  if (!m_pMaterial) {
    warn("prepareMaterial: m_pMaterial NULL");
    return;
  }
  std::vector<S3DSubMaterial>& subs = m_pMaterial->m_subMaterials;
  if (subs.empty()) return;
  for (S3DFace& face : m_faces)
    face.pSubMaterial = &subs[subs.size() == 1 ? 0 : face.subMaterialWord % subs.size()];
}

void S3DTriObject::prepareDrawing() {
  prepareMaterial();
  const std::size_t nbVertex = m_vertices.size();
  const std::size_t nbFace = m_faces.size();

  // Vertex normals: the normalised sum of the unit normals of the faces around each vertex. The
  // same factor makes the sum of deformed face normals about unit length each frame.
  m_faceNormals.assign(nbFace, Vec3{});
  computeFaceNormals(m_vertices, m_faces, m_faceNormals);
  m_vertexFaceFirst.assign(nbVertex + 1, 0);
  for (const S3DFace& face : m_faces)
    for (uint16_t v : {face.a, face.b, face.c})
      ++m_vertexFaceFirst[v + 1u];
  for (std::size_t v = 0; v < nbVertex; ++v)
    m_vertexFaceFirst[v + 1] += m_vertexFaceFirst[v];
  m_vertexFaces.assign(m_vertexFaceFirst[nbVertex], 0);
  std::vector<uint32_t> fill(m_vertexFaceFirst.begin(), m_vertexFaceFirst.end() - 1);
  for (std::size_t f = 0; f < nbFace; ++f)
    for (uint16_t v : {m_faces[f].a, m_faces[f].b, m_faces[f].c})
      m_vertexFaces[fill[v]++] = static_cast<uint32_t>(f);
  m_normalFactors.assign(nbVertex, 1.0f);
  m_normals.assign(nbVertex, Vec3{});
  sumVertexNormals(m_faceNormals, m_vertexFaceFirst, m_vertexFaces, m_normalFactors, m_normals);
  for (std::size_t v = 0; v < nbVertex; ++v) {
    const float len = length(m_normals[v]);
    m_normalFactors[v] = len > 0.0f ? 1.0f / len : 0.0f;
    m_normals[v] = m_normals[v] * m_normalFactors[v];
  }
  m_cameraNormals.assign(nbVertex, Vec3{});
  m_modifierScratch.assign(nbVertex, Vec3{});
  // An application entry whose stack slot holds no modifier (a type that does not exist) is
  // skipped every frame; say so once. (A mesh without a stack was reported when it was read.)
  if (!m_modifiers.empty())
    for (const S3DModifierApplication& application : m_applications)
      if (!application.pModifier)
        warn("modifier list entry " + std::string(application.name.view()) +
             " names no modifier: it is skipped");
  if (nbVertex > 0) {
    m_pLighting = std::make_unique<S3DVertexChannel>();
    m_pLighting->name = "lightning";
    m_pLighting->values.assign(nbVertex, 0.0f);
  }
  prepareChannels();

  // Groups: per sub-material in order, per pass, the faces using it in face order.
  for (auto& groups : m_groups)
    groups.clear();
  m_lists.build(m_pMaterial, m_edgePairs, static_cast<int32_t>(nbVertex));
  if (!m_pMaterial) return;
  for (S3DSubMaterial& sub : m_pMaterial->m_subMaterials) {
    if (sub.m_polygonsEnabled == 0) continue;
    S3DDrawGroup group;
    group.pSubMaterial = &sub;
    group.mode = drawModeOf(sub);
    for (std::size_t f = 0; f < nbFace; ++f)
      if (m_faces[f].pSubMaterial == &sub) group.faces.push_back(static_cast<uint32_t>(f));
    if (group.faces.empty()) continue;
    m_groups[isOpaque(sub) ? kOpaquePass : kBlendPass].push_back(std::move(group));
  }
}
