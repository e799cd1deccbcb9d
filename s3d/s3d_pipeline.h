#pragma once
// The per-frame steps of a mesh, each a function over the mesh's flat arrays (made at load, so no
// step allocates). A frame of a mesh reads as the list of these steps (S3DTriObject::transform).

#include <cstdint>
#include <span>

#include "s3d/s3d_math.h"

class S3DCamera;
struct S3DFace;
struct S3DScreenVertex;

// out[i] = in[i] · m: object to camera space with the combined object · view matrix, 9 multiplies
// and 9 adds a vertex.
void transformVertices(std::span<const Vec3> in, const Matrix44& m, std::span<Vec3> out);
// out[i] = in[i] · m without translation (normals through the rotation part).
void transformNormals(std::span<const Vec3> in, const Matrix44& m, std::span<Vec3> out);
// The unit normal (p1 - p0) × (p2 - p0) of every face (the zero vector for a degenerate face).
// With the camera at the origin, a front face's normal points away from the camera.
void computeFaceNormals(std::span<const Vec3> positions, std::span<const S3DFace> faces,
                        std::span<Vec3> out);
// out[v] = factors[v] · the sum of the normals of the faces that use vertex v, the faces of v
// being faces[first[v]] .. faces[first[v + 1] - 1].
void sumVertexNormals(std::span<const Vec3> faceNormals, std::span<const uint32_t> first,
                      std::span<const uint32_t> faces, std::span<const float> factors,
                      std::span<Vec3> out);
// Camera space to screen: w = 1/z, x = px · scaleX · w + centerX, y = centerY - py · scaleY · w;
// outside when z < nearClip, x < 1, x > width - 2, y < 1 or y > height - 2.
void projectVertices(std::span<const Vec3> positions, const S3DCamera& camera,
                     std::span<S3DScreenVertex> out);
// The front-facing flag of every face: p0 · ((p1 - p0) × (p2 - p0)) > 0 in camera space.
void markBackFaces(std::span<const Vec3> positions, std::span<S3DFace> faces);
