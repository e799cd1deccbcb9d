// A mesh's frame in camera space: the steps of its pipeline, in their order.

#include <algorithm>

#include "s3d/s3d_camera.h"
#include "s3d/s3d_lighting.h"
#include "s3d/s3d_pipeline.h"
#include "s3d/s3d_tri_object.h"
#include "s3d/s3d_ws_modifier.h"

namespace {

// The per-axis minimum and maximum of `points`, each first carried through `space` (none when
// null: the stack's entries measure object space as it is).
void boxOf(std::span<const Vec3> points, const Matrix44* pSpace, Vec3& boxMin, Vec3& boxMax) {
  if (points.empty()) return;
  const auto at = [&](std::size_t i) {
    return pSpace ? transformPoint(points[i], *pSpace) : points[i];
  };
  boxMin = boxMax = at(0);
  for (std::size_t i = 1; i < points.size(); ++i) {
    const Vec3 p = at(i);
    boxMin = {std::min(boxMin.x, p.x), std::min(boxMin.y, p.y), std::min(boxMin.z, p.z)};
    boxMax = {std::max(boxMax.x, p.x), std::max(boxMax.y, p.y), std::max(boxMax.z, p.z)};
  }
}

// out := deform(in), or with a channel (1 - w) in + w deform(in), w the vertex's channel value
// or 1 minus it when inverted. `in` may be `out`: the deformed points then go through `scratch`.
// A channel named but not found (reported when the mesh was prepared) weighs nothing down: the
// entry deforms fully, as do vertices past the end of a short channel.
void deformWeighted(const S3DModifier& modifier, const S3DChannelDescription& channel,
                    std::span<const Vec3> in, std::span<Vec3> out, std::span<Vec3> scratch) {
  const std::size_t n = std::min({in.size(), out.size(), scratch.size()});
  if (channel.useChannel == 0 || !channel.pValues) {
    modifier.deform(in.first(n), out.first(n), 0);
    return;
  }
  modifier.deform(in.first(n), scratch.first(n), 0);
  const std::vector<float>& values = *channel.pValues;
  const std::size_t nbWeight = std::min(n, values.size());
  const bool invert = channel.invert != 0;
  for (std::size_t i = 0; i < nbWeight; ++i) {
    const float w = invert ? 1.0f - values[i] : values[i];
    const Vec3 p = in[i], d = scratch[i];
    out[i] = {(1.0f - w) * p.x + w * d.x, (1.0f - w) * p.y + w * d.y, (1.0f - w) * p.z + w * d.z};
  }
  std::copy(scratch.begin() + static_cast<std::ptrdiff_t>(nbWeight),
            scratch.begin() + static_cast<std::ptrdiff_t>(n),
            out.begin() + static_cast<std::ptrdiff_t>(nbWeight));
}

S3DModifierGizmo* gizmoUsingBox(S3DModifier& modifier) {
  if (!modifier.isGizmo()) return nullptr;
  auto& gizmo = static_cast<S3DModifierGizmo&>(modifier);
  return gizmo.m_usesBox ? &gizmo : nullptr;
}

}  // namespace

void S3DTriObject::applyModifiers(const S3DCamera& camera) {
  for (const S3DModifierApplication& application : m_applications)
    if (application.pModifier) application.pModifier->prepare(camera);
  // The first entry reads the saved copy, the others the vertices as the entries before left them.
  bool fromSaved = true;
  for (const S3DModifierApplication& application : m_applications) {
    if (!application.pModifier) continue;
    if (!fromSaved) {
      // What this entry receives becomes its box; its prepare of the next frame measures on it.
      if (S3DModifierGizmo* pGizmo = gizmoUsingBox(*application.pModifier))
        boxOf(m_vertices, nullptr, pGizmo->m_boxMin, pGizmo->m_boxMax);
    }
    deformWeighted(*application.pModifier, application.channel,
                   fromSaved ? m_savedVertices : m_vertices, m_vertices, m_modifierScratch);
    fromSaved = false;
  }
  if (fromSaved)
    std::copy_n(m_savedVertices.begin(), std::min(m_savedVertices.size(), m_vertices.size()),
                m_vertices.begin());
}

void S3DTriObject::applyWSModifiers(const S3DCamera& camera) {
  const std::size_t nbUsed = std::min(m_wsModifiers.size(), kMaxWSModifier);
  for (std::size_t i = 0; i < nbUsed; ++i) {
    const S3DWSModifierBinding& binding = m_wsModifiers[i];
    if (!binding.pWSModifier || !binding.pWSModifier->m_pModifier) continue;
    S3DModifier& modifier = *binding.pWSModifier->m_pModifier;
    // The gizmo measures this mesh in its head's space (camera space through the inverse of
    // head · view), so a world-space bend spans each mesh it acts on; prepared again per mesh.
    if (S3DModifierGizmo* pGizmo = gizmoUsingBox(modifier)) {
      const Matrix44 toHead = inverse(multiply(pGizmo->m_nodeMatrix, camera.m_viewMatrix));
      boxOf(m_cameraVertices, &toHead, pGizmo->m_boxMin, pGizmo->m_boxMax);
    }
    modifier.prepare(camera);
    deformWeighted(modifier, binding.channel, m_cameraVertices, m_cameraVertices,
                   m_modifierScratch);
  }
}

void S3DTriObject::transform(const S3DCamera& camera) {
  if (!m_visible) return;
  // 1. Only a mesh with a material of at least one sub-material is drawn.
  m_drawable = m_pMaterial && !m_pMaterial->m_subMaterials.empty();
  if (!m_drawable) return;
  // 2. Vertex channels: the opacity map from its layer's texture. (The lighting channels and the
  //    operations need the lit vertices: they follow step 8.)
  updateOpacityMap();
  // 3. Object-space modifiers rebuild the vertices from the saved copy.
  if (!m_applications.empty()) applyModifiers(camera);
  const bool deformed = !m_applications.empty() || !m_wsModifiers.empty();

  // 4. Object space to camera space in one matrix.
  transformVertices(m_vertices, multiply(m_matrix, camera.m_viewMatrix), m_cameraVertices);
  // 5. World-space modifiers deform the camera-space positions in place.
  if (!m_wsModifiers.empty()) applyWSModifiers(camera);

  // 6. Normals: rotated as stored, or rebuilt from the deformed faces.
  if (deformed) {
    computeFaceNormals(m_cameraVertices, m_faces, m_faceNormals);
    sumVertexNormals(m_faceNormals, m_vertexFaceFirst, m_vertexFaces, m_normalFactors,
                     m_cameraNormals);
  } else {
    transformNormals(m_normals, multiply(m_rotationMatrix, camera.m_viewRotation), m_cameraNormals);
  }
  // 7. Projection, with the outside flags.
  projectVertices(m_cameraVertices, camera, m_screenVertices);
  // 8. The light each vertex receives.
  if (m_pLighting) lightVertices(m_cameraVertices, m_cameraNormals, m_lights, m_pLighting->values);
  updateChannels();
  // 9. Front or back.
  markBackFaces(m_cameraVertices, m_faces);
  // 10. Mesh layers. FIXME: layers update with the texture work.
}
