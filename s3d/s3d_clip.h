#pragma once
// Polygon clipping in camera space against the camera's near and four side planes, the values a
// drawer interpolates carried along.

#include "s3d/s3d_camera.h"

// A polygon vertex in camera space with the values drawn across it (shading level, texture
// coordinates, vertex alpha: as many as the drawer uses).
struct ClipVertex {
  static constexpr int kMaxValue = 4;
  Vec3 p{};
  float values[kMaxValue]{};
};

// A triangle clipped by five planes has at most 8 vertices.
inline constexpr int kMaxClipVertices = 8;

// Clips the polygon `in` (count vertices) successively by the near, left, right, top and bottom
// planes of `camera`, keeping the part where the signed distance is >= 0; an edge that changes side
// gets an intersection vertex with its position and values interpolated linearly. Returns the
// vertex count of `out` (fewer than 3: nothing is left to draw).
int clipPolygon(const S3DCamera& camera, const ClipVertex* pIn, int count,
                ClipVertex (&out)[kMaxClipVertices]);

// Clips the segment a-b by the same five planes, keeping the part where the signed distance is
// >= 0: an end outside a plane moves to a + (b - a) · da / (da - db). False when nothing is left
// (both ends outside one plane, or a NaN).
bool clipSegment(const S3DCamera& camera, Vec3& a, Vec3& b);
