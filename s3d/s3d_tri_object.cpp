#include "s3d/s3d_tri_object.h"

#include <string>

void S3DTriObject::checkFaces() {
  const std::size_t nbVertex = m_vertices.size();
  const std::size_t before = m_faces.size();
  std::erase_if(m_faces, [nbVertex](const S3DFace& face) {
    return face.a >= nbVertex || face.b >= nbVertex || face.c >= nbVertex;
  });
  if (m_faces.size() != before)
    warn(std::to_string(before - m_faces.size()) +
         " faces name vertices the mesh does not have; they are dropped");
  const std::size_t nbPair = m_edgePairs.size();
  std::erase_if(m_edgePairs, [nbVertex](const std::array<int32_t, 2>& pair) {
    return pair[0] < 0 || pair[1] < 0 || static_cast<std::size_t>(pair[0]) >= nbVertex ||
           static_cast<std::size_t>(pair[1]) >= nbVertex;
  });
  if (m_edgePairs.size() != nbPair)
    warn(std::to_string(nbPair - m_edgePairs.size()) +
         " edge pairs name vertices the mesh does not have; they are dropped");
  if (!m_hasFaceMapping) return;
  const std::size_t nbTextureVertex = m_textureVertices.size();
  int nbClamped = 0;
  for (S3DFace& face : m_faces) {
    for (uint16_t* pIndex : {&face.ta, &face.tb, &face.tc}) {
      if (*pIndex < nbTextureVertex) continue;
      *pIndex = 0;
      ++nbClamped;
    }
  }
  if (nbClamped > 0)
    warn(std::to_string(nbClamped) +
         " texture-vertex indices are out of range; texture vertex 0 is used instead");
}
