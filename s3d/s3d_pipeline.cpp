#include "s3d/s3d_pipeline.h"

#include <cmath>

#include "s3d/s3d_camera.h"
#include "s3d/s3d_tri_object.h"

// Both write p · M out with the matrix in locals: transformPoint and transformVector live in
// another file (a call per vertex), and stores to `out` could otherwise alias the matrix. The
// sums run in the same order: x m0 + y m4 + z m8 (+ m12).
void transformVertices(std::span<const Vec3> in, const Matrix44& m, std::span<Vec3> out) {
  const float m0 = m.m[0], m1 = m.m[1], m2 = m.m[2];
  const float m4 = m.m[4], m5 = m.m[5], m6 = m.m[6];
  const float m8 = m.m[8], m9 = m.m[9], m10 = m.m[10];
  const float m12 = m.m[12], m13 = m.m[13], m14 = m.m[14];
  const Vec3* pIn = in.data();
  Vec3* pOut = out.data();
  for (std::size_t i = 0; i < in.size(); ++i) {
    const Vec3 p = pIn[i];
    pOut[i] = {p.x * m0 + p.y * m4 + p.z * m8 + m12, p.x * m1 + p.y * m5 + p.z * m9 + m13,
               p.x * m2 + p.y * m6 + p.z * m10 + m14};
  }
}

void transformNormals(std::span<const Vec3> in, const Matrix44& m, std::span<Vec3> out) {
  const float m0 = m.m[0], m1 = m.m[1], m2 = m.m[2];
  const float m4 = m.m[4], m5 = m.m[5], m6 = m.m[6];
  const float m8 = m.m[8], m9 = m.m[9], m10 = m.m[10];
  const Vec3* pIn = in.data();
  Vec3* pOut = out.data();
  for (std::size_t i = 0; i < in.size(); ++i) {
    const Vec3 v = pIn[i];
    pOut[i] = {v.x * m0 + v.y * m4 + v.z * m8, v.x * m1 + v.y * m5 + v.z * m9,
               v.x * m2 + v.y * m6 + v.z * m10};
  }
}

void computeFaceNormals(std::span<const Vec3> positions, std::span<const S3DFace> faces,
                        std::span<Vec3> out) {
  for (std::size_t f = 0; f < faces.size(); ++f) {
    const S3DFace& face = faces[f];
    const Vec3 p0 = positions[face.a];
    const Vec3 n = cross(positions[face.b] - p0, positions[face.c] - p0);
    const float len = length(n);
    out[f] = len > 0.0f ? n * (1.0f / len) : Vec3{};
  }
}

void sumVertexNormals(std::span<const Vec3> faceNormals, std::span<const uint32_t> first,
                      std::span<const uint32_t> faces, std::span<const float> factors,
                      std::span<Vec3> out) {
  for (std::size_t v = 0; v < out.size(); ++v) {
    Vec3 sum{};
    for (uint32_t i = first[v]; i < first[v + 1]; ++i)
      sum = sum + faceNormals[faces[i]];
    out[v] = sum * factors[v];
  }
}

void projectVertices(std::span<const Vec3> positions, const S3DCamera& camera,
                     std::span<S3DScreenVertex> out) {
  // The camera's values in locals: the float stores below could alias them.
  const float right = camera.m_width - 2.0f;
  const float bottom = camera.m_height - 2.0f;
  const float nearClip = camera.m_nearClip;
  const float scaleX = camera.m_scaleX, scaleY = camera.m_scaleY;
  const float centerX = camera.m_centerX, centerY = camera.m_centerY;
  const Vec3* pIn = positions.data();
  S3DScreenVertex* pOut = out.data();
  for (std::size_t i = 0; i < positions.size(); ++i) {
    const Vec3 p = pIn[i];
    // Flagged in front of the near plane first; w is computed for those vertices too.
    const float w = 1.0f / p.z;
    const float x = p.x * scaleX * w + centerX;
    const float y = centerY - p.y * scaleY * w;
    // Written so that a NaN coordinate is outside too.
    const bool outside =
        p.z < nearClip || !(x >= 1.0f) || !(x <= right) || !(y >= 1.0f) || !(y <= bottom);
    pOut[i] = {x, y, w, outside ? 1.0f : 0.0f};
  }
}

void markBackFaces(std::span<const Vec3> positions, std::span<S3DFace> faces) {
  for (S3DFace& face : faces) {
    const Vec3 p0 = positions[face.a];
    face.frontFacing = dot(p0, cross(positions[face.b] - p0, positions[face.c] - p0)) > 0.0f;
  }
}
