// A mesh's frame in camera space: the steps of its pipeline, in their order.

#include "s3d/s3d_camera.h"
#include "s3d/s3d_lighting.h"
#include "s3d/s3d_pipeline.h"
#include "s3d/s3d_tri_object.h"

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
  if (!m_wsModifiers.empty()) applyWSModifiers(camera, m_cameraVertices, m_modifierScratch);

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
