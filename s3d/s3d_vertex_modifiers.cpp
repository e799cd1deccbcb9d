// The modifier stack of a vertex object (mesh or shape): the application list in object space,
// then the world-space modifiers in camera space.

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "s3d/s3d_camera.h"
#include "s3d/s3d_vertex_object.h"
#include "s3d/s3d_ws_modifier.h"

namespace {

// The per-axis minimum and maximum of `points`, each first carried through `space` (none when
// null: the stack's entries measure object space as it is).
void boxOf(std::span<const Vec3> points, const Matrix44* pSpace, Vec3& boxMin, Vec3& boxMax) {
  if (points.empty()) return;
  const auto at = [&](std::size_t i) {
    return pSpace ? transformPoint(points[i], *pSpace) : points[i];
  };
  // Kept in locals: written through the references on every point, the bounds went through
  // memory (they might have been among the points), which took longer than the deforming.
  Vec3 lo = at(0), hi = lo;
  std::size_t i = 1;
#if defined(__SSE2__)
  // Without a space, one point a step in packed lanes: min(p, lo) is p < lo ? p : lo lane by lane,
  // what std::min(lo, p) gives, NaN and signed zeros included, and the points go in order. The
  // fourth lane (the next point's x) is ignored; the last point is read by the scalar loop, so
  // no load passes the end.
  if (!pSpace) {
    __m128 lo4 = _mm_setr_ps(lo.x, lo.y, lo.z, 0.0f), hi4 = lo4;
    const float* pFloats = &points[0].x;
    for (; i + 1 < points.size(); ++i) {
      const __m128 p = _mm_loadu_ps(pFloats + 3 * i);
      lo4 = _mm_min_ps(p, lo4);
      hi4 = _mm_max_ps(p, hi4);
    }
    alignas(16) float l[4], h[4];
    _mm_store_ps(l, lo4);
    _mm_store_ps(h, hi4);
    lo = {l[0], l[1], l[2]};
    hi = {h[0], h[1], h[2]};
  }
#endif
  for (; i < points.size(); ++i) {
    const Vec3 p = at(i);
    lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
    hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
  }
  boxMin = lo;
  boxMax = hi;
}

// out := deform(in), or with a channel (1 - w) in + w deform(in), w the channel value of the
// point's vertex (vertexOf[i], or i when vertexOf is empty) or 1 minus it when inverted. `in` may
// be `out`: the deformed points then go through `scratch`. A channel named but not found (reported
// when the object was prepared) weighs nothing down: the entry deforms fully, as do points whose
// vertex lies past the end of a short channel.
void deformWeighted(const S3DModifier& modifier, const S3DChannelDescription& channel,
                    std::span<const Vec3> in, std::span<Vec3> out, std::span<Vec3> scratch,
                    std::span<const int32_t> vertexOf) {
  const std::size_t n = std::min({in.size(), out.size(), scratch.size()});
  if (channel.useChannel == 0 || !channel.pValues) {
    modifier.deform(in.first(n), out.first(n), 0);
    return;
  }
  modifier.deform(in.first(n), scratch.first(n), 0);
  const std::vector<float>& values = *channel.pValues;
  const bool invert = channel.invert != 0;
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t vertex =
        vertexOf.empty() ? i : static_cast<std::size_t>(i < vertexOf.size() ? vertexOf[i] : -1);
    if (vertex >= values.size()) {
      out[i] = scratch[i];
      continue;
    }
    const float w = invert ? 1.0f - values[vertex] : values[vertex];
    const Vec3 p = in[i], d = scratch[i];
    out[i] = {(1.0f - w) * p.x + w * d.x, (1.0f - w) * p.y + w * d.y, (1.0f - w) * p.z + w * d.z};
  }
}

S3DModifierGizmo* gizmoUsingBox(S3DModifier& modifier) {
  if (!modifier.isGizmo()) return nullptr;
  auto& gizmo = static_cast<S3DModifierGizmo&>(modifier);
  return gizmo.m_usesBox ? &gizmo : nullptr;
}

}  // namespace

void S3DVertexObject::applyModifiers(const S3DCamera& camera) {
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
                   fromSaved ? m_savedVertices : m_vertices, m_vertices, m_modifierScratch, {});
    fromSaved = false;
  }
  if (fromSaved)
    std::copy_n(m_savedVertices.begin(), std::min(m_savedVertices.size(), m_vertices.size()),
                m_vertices.begin());
}

void S3DVertexObject::applyWSModifiers(const S3DCamera& camera, std::span<Vec3> points,
                                       std::span<Vec3> scratch, std::span<const int32_t> vertexOf) {
  const std::size_t nbUsed = std::min(m_wsModifiers.size(), kMaxWSModifier);
  for (std::size_t i = 0; i < nbUsed; ++i) {
    const S3DWSModifierBinding& binding = m_wsModifiers[i];
    if (!binding.pWSModifier || !binding.pWSModifier->m_pModifier) continue;
    S3DModifier& modifier = *binding.pWSModifier->m_pModifier;
    // The gizmo measures these points in the object's head space (camera space through the
    // inverse of head · view), so a world-space bend spans each object it acts on; prepared again
    // per object.
    if (S3DModifierGizmo* pGizmo = gizmoUsingBox(modifier)) {
      const Matrix44 toHead = inverse(multiply(pGizmo->m_nodeMatrix, camera.m_viewMatrix));
      boxOf(points, &toHead, pGizmo->m_boxMin, pGizmo->m_boxMax);
    }
    modifier.prepare(camera);
    deformWeighted(modifier, binding.channel, points, points, scratch, vertexOf);
  }
}
