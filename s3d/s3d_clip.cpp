#include "s3d/s3d_clip.h"

#include <algorithm>
#include <utility>

namespace {

// A clip vertex of the working buffers. Unlike ClipVertex it has no initialisers: the buffers
// are written before they are read, and zeroing them cost more than the clipping of a face.
struct Corner {
  float p[3];
  float values[ClipVertex::kMaxValue];
};

Corner cornerOf(const ClipVertex& v) {
  Corner c{{v.p.x, v.p.y, v.p.z}, {}};
  std::copy_n(v.values, ClipVertex::kMaxValue, c.values);
  return c;
}
const Corner& cornerOf(const Corner& c) {
  return c;
}

// The signed distance n · p - d of every vertex to the plane; returns how many are inside
// (distance >= 0; a NaN is outside).
int distances(const Plane& plane, const ClipVertex* pIn, int count, float* pDistance) {
  int nbInside = 0;
  for (int i = 0; i < count; ++i) {
    pDistance[i] = dot(plane.n, pIn[i].p) - plane.d;
    nbInside += pDistance[i] >= 0.0f ? 1 : 0;
  }
  return nbInside;
}
int distances(const Plane& plane, const Corner* pIn, int count, float* pDistance) {
  int nbInside = 0;
  for (int i = 0; i < count; ++i) {
    const float* p = pIn[i].p;
    pDistance[i] = plane.n.x * p[0] + plane.n.y * p[1] + plane.n.z * p[2] - plane.d;
    nbInside += pDistance[i] >= 0.0f ? 1 : 0;
  }
  return nbInside;
}

// One plane of Sutherland-Hodgman: `in` (count vertices, signed distances `distance`) to `out`,
// returning the new count. At most kMaxClipVertices are kept, the first ones.
template <class Vertex>
int clipByPlane(const float* distance, const Vertex* pIn, int count, Corner* pOut) {
  int n = 0;
  for (int i = 0; i < count; ++i) {
    const int next = i + 1 == count ? 0 : i + 1;
    const float da = distance[i];
    const float db = distance[next];
    if (da >= 0.0f) {
      if (n < kMaxClipVertices) pOut[n] = cornerOf(pIn[i]);
      ++n;
    }
    if ((da >= 0.0f) != (db >= 0.0f)) {
      // The point of the edge on the plane: a + (b - a) · da / (da - db).
      const float t = da / (da - db);
      if (n < kMaxClipVertices) {
        const Corner& a = cornerOf(pIn[i]);
        const Corner& b = cornerOf(pIn[next]);
        Corner& c = pOut[n];
        for (int k = 0; k < 3; ++k)
          c.p[k] = a.p[k] + t * (b.p[k] - a.p[k]);
        for (int k = 0; k < ClipVertex::kMaxValue; ++k)
          c.values[k] = a.values[k] + t * (b.values[k] - a.values[k]);
      }
      ++n;
    }
  }
  return std::min(n, kMaxClipVertices);
}

}  // namespace

int clipPolygon(const S3DCamera& camera, const ClipVertex* pIn, int count,
                ClipVertex (&out)[kMaxClipVertices]) {
  // Each plane adds at most one vertex to a convex polygon: 3 + 5 = 8.
  count = std::min(count, kMaxClipVertices);
  // The polygon stays the input until a plane cuts it; then it moves between the two buffers.
  Corner buffer[2][kMaxClipVertices];
  Corner* pPolygon = nullptr;
  Corner* pSpare = buffer[0];
  for (int plane : {S3DCamera::kNear, S3DCamera::kLeft, S3DCamera::kRight, S3DCamera::kTop,
                    S3DCamera::kBottom}) {
    if (count < 3) return 0;
    const Plane& by = camera.m_frustum[plane];
    float distance[kMaxClipVertices];
    const int nbInside =
        pPolygon ? distances(by, pPolygon, count, distance) : distances(by, pIn, count, distance);
    // All inside: the plane keeps every vertex and cuts no edge. None inside: nothing is left.
    if (nbInside == count) continue;
    if (nbInside == 0) return 0;
    if (pPolygon) {
      count = clipByPlane(distance, pPolygon, count, pSpare);
      std::swap(pPolygon, pSpare);
    } else {
      count = clipByPlane(distance, pIn, count, pSpare);
      pPolygon = pSpare;
      pSpare = buffer[1];
    }
  }
  if (count < 3) return 0;
  if (!pPolygon) {
    std::copy_n(pIn, count, out);
    return count;
  }
  for (int i = 0; i < count; ++i) {
    out[i].p = {pPolygon[i].p[0], pPolygon[i].p[1], pPolygon[i].p[2]};
    std::copy_n(pPolygon[i].values, ClipVertex::kMaxValue, out[i].values);
  }
  return count;
}

bool clipSegment(const S3DCamera& camera, Vec3& a, Vec3& b) {
  for (int plane : {S3DCamera::kNear, S3DCamera::kLeft, S3DCamera::kRight, S3DCamera::kTop,
                    S3DCamera::kBottom}) {
    const Plane& by = camera.m_frustum[plane];
    const float da = dot(by.n, a) - by.d;
    const float db = dot(by.n, b) - by.d;
    const bool insideA = da >= 0.0f;
    const bool insideB = db >= 0.0f;
    if (!insideA && !insideB) return false;
    if (insideA == insideB) continue;
    const Vec3 cut = a + (b - a) * (da / (da - db));
    (insideA ? b : a) = cut;
  }
  return true;
}
