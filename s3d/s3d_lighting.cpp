#include "s3d/s3d_lighting.h"

#include <algorithm>
#include <cmath>

#include "s3d/s3d_camera.h"
#include "s3d/s3d_light.h"

namespace {

constexpr float kMinLength = 0.001f;
constexpr float kMinLight = 0.001f;

Vec3 origin(const Matrix44& matrix) {
  return {matrix.m[12], matrix.m[13], matrix.m[14]};
}

// 1 below `nearDistance`, falling linearly to 0 at `farDistance`.
float fade(float distance, float nearDistance, float farDistance) {
  if (distance < nearDistance) return 1.0f;
  return 1.0f - (distance - nearDistance) / (farDistance - nearDistance);
}

// What the light formulas read of one light, gathered once per mesh and frame instead of once
// per vertex (the spot's unit axis among them).
struct LightTerms {
  Vec3 position{};
  float nearDistance = 0.0f;
  float farDistance = 0.0f;
  float intensity = 0.0f;
  // Spot: the unit axis from the light to its target, and the cone angles.
  Vec3 direction{};
  float hotspot = 0.0f;
  float falloff = 0.0f;
  // Directed: the z column of the direction matrix, s = p · (m2, m6, m10) + m14.
  float axis[4]{};
};

LightTerms termsOf(const S3DLight& light) {
  LightTerms t;
  t.position = light.m_viewPosition;
  t.nearDistance = light.m_nearAttenuation;
  t.farDistance = light.m_farAttenuation;
  t.intensity = light.m_intensity;
  if (light.m_lightType == S3DLight::kSpot) {
    const Vec3 axis = light.m_viewTarget - light.m_viewPosition;
    t.direction = axis * (1.0f / std::max(length(axis), kMinLength));
    t.hotspot = light.m_hotspot;
    t.falloff = light.m_falloff;
  }
  const float* m = light.m_directionMatrix.m;
  t.axis[0] = m[2];
  t.axis[1] = m[6];
  t.axis[2] = m[10];
  t.axis[3] = m[14];
  return t;
}

// The light formulas by type; any type other than spot and directed lights as an omni.
enum class Formula { kOmni, kSpot, kDirected };

Formula formulaOf(const S3DLight& light) {
  if (light.m_lightType == S3DLight::kDirected) return Formula::kDirected;
  return light.m_lightType == S3DLight::kSpot ? Formula::kSpot : Formula::kOmni;
}

template <Formula kFormula>
float valueOf(const LightTerms& t, Vec3 p, Vec3 n) {
  if constexpr (kFormula == Formula::kDirected) {
    // The distance along the light's axis: the z of p in the light's look-at space.
    const float s = p.x * t.axis[0] + p.y * t.axis[1] + p.z * t.axis[2] + t.axis[3];
    if (s >= t.farDistance) return 0.0f;
    return fade(s, t.nearDistance, t.farDistance) * t.intensity;
  } else {
    const Vec3 l = p - t.position;
    // |l|, written out so that it stays in the loop (length() lives in another file).
    float d = std::sqrt(dot(l, l));
    if (d >= t.farDistance) return 0.0f;
    d = std::max(d, kMinLength);
    const Vec3 toPoint = l * (1.0f / d);
    const float facing = dot(n, toPoint);
    float v = std::max(facing, 0.0f) * fade(d, t.nearDistance, t.farDistance);
    if constexpr (kFormula == Formula::kSpot) {
      if (facing >= 0.0f) {
        const float cosine = std::clamp(dot(t.direction, toPoint), -1.0f, 1.0f);
        const float theta = std::acos(cosine);
        if (theta >= t.falloff)
          v = 0.0f;
        else if (theta >= t.hotspot)
          v *= 1.0f - (theta - t.hotspot) / (t.falloff - t.hotspot);
      }
    }
    return v * t.intensity;
  }
}

// out[i] = clamp(previous + the light's value, 0.001, 1), previous 0 for the first light: one
// light over all vertices at a time, the same sums in the same order as light after light per
// vertex.
template <Formula kFormula, bool kFirst>
void addLight(const LightTerms& t, std::span<const Vec3> positions, std::span<const Vec3> normals,
              std::span<float> out) {
  const std::size_t count = positions.size();
  const Vec3* pPosition = positions.data();
  const Vec3* pNormal = normals.data();
  float* pOut = out.data();
  for (std::size_t i = 0; i < count; ++i) {
    const float previous = kFirst ? 0.0f : pOut[i];
    pOut[i] =
        std::clamp(previous + valueOf<kFormula>(t, pPosition[i], pNormal[i]), kMinLight, 1.0f);
  }
}

// The omni light and the head-light in blocks of vertices: the block's coordinates are copied
// out into lanes, and the formula runs without branches (both sides computed, one chosen), so
// the compiler can work on several vertices at once. Every value goes through the same float
// operations in the same order as valueOf, so the results are the same bytes.
constexpr std::size_t kBlock = 64;

struct Lanes {
  alignas(32) float x[kBlock];
  alignas(32) float y[kBlock];
  alignas(32) float z[kBlock];
};

// l = p - origin and n, for the vertices first .. first + count.
void loadBlock(const Vec3* pPosition, const Vec3* pNormal, Vec3 origin, std::size_t count, Lanes& l,
               Lanes& n) {
  for (std::size_t i = 0; i < count; ++i) {
    l.x[i] = pPosition[i].x - origin.x;
    l.y[i] = pPosition[i].y - origin.y;
    l.z[i] = pPosition[i].z - origin.z;
    n.x[i] = pNormal[i].x;
    n.y[i] = pNormal[i].y;
    n.z[i] = pNormal[i].z;
  }
}

template <bool kFirst>
void addOmniLight(const LightTerms& t, std::span<const Vec3> positions,
                  std::span<const Vec3> normals, std::span<float> out) {
  const float nearDistance = t.nearDistance, farDistance = t.farDistance;
  const float intensity = t.intensity;
  Lanes l, n;
  for (std::size_t first = 0; first < positions.size(); first += kBlock) {
    const std::size_t count = std::min(kBlock, positions.size() - first);
    loadBlock(positions.data() + first, normals.data() + first, t.position, count, l, n);
    float* pOut = out.data() + first;
    for (std::size_t i = 0; i < count; ++i) {
      const float x = l.x[i], y = l.y[i], z = l.z[i];
      const float distance = std::sqrt(x * x + y * y + z * z);
      const float d = std::max(distance, kMinLength);
      const float inverse = 1.0f / d;
      const float facing = n.x[i] * (x * inverse) + n.y[i] * (y * inverse) + n.z[i] * (z * inverse);
      const float fading =
          d < nearDistance ? 1.0f : 1.0f - (d - nearDistance) / (farDistance - nearDistance);
      const float value =
          distance >= farDistance ? 0.0f : std::max(facing, 0.0f) * fading * intensity;
      const float previous = kFirst ? 0.0f : pOut[i];
      pOut[i] = std::clamp(previous + value, kMinLight, 1.0f);
    }
  }
}

template <bool kFirst>
void addLight(const S3DLight& light, std::span<const Vec3> positions, std::span<const Vec3> normals,
              std::span<float> out) {
  const LightTerms t = termsOf(light);
  switch (formulaOf(light)) {
    case Formula::kOmni:
      return addOmniLight<kFirst>(t, positions, normals, out);
    case Formula::kSpot:
      return addLight<Formula::kSpot, kFirst>(t, positions, normals, out);
    case Formula::kDirected:
      return addLight<Formula::kDirected, kFirst>(t, positions, normals, out);
  }
}

}  // namespace

void placeLight(S3DLight& light, const S3DCamera& camera) {
  light.m_worldPosition = origin(light.m_matrix);
  light.m_viewPosition = transformPoint(light.m_worldPosition, camera.m_viewMatrix);
  if (light.m_lightType != S3DLight::kSpot && light.m_lightType != S3DLight::kDirected) return;
  light.m_worldTarget = origin(light.m_target.m_matrix);
  light.m_viewTarget = transformPoint(light.m_worldTarget, camera.m_viewMatrix);
  light.m_directionMatrix =
      multiply(translation(Vec3{} - light.m_viewPosition),
               lookAtRotation(light.m_viewPosition, light.m_viewTarget, 0.0f));
}

float lightValue(const S3DLight& light, Vec3 p, Vec3 n) {
  const LightTerms t = termsOf(light);
  switch (formulaOf(light)) {
    case Formula::kOmni:
      return valueOf<Formula::kOmni>(t, p, n);
    case Formula::kSpot:
      return valueOf<Formula::kSpot>(t, p, n);
    case Formula::kDirected:
      return valueOf<Formula::kDirected>(t, p, n);
  }
  return 0.0f;
}

void lightVertices(std::span<const Vec3> positions, std::span<const Vec3> normals,
                   std::span<S3DLight* const> lights, std::span<float> out) {
  const std::size_t count = positions.size();
  if (lights.empty()) {
    // A head-light at the camera.
    Lanes l, n;
    for (std::size_t first = 0; first < count; first += kBlock) {
      const std::size_t block = std::min(kBlock, count - first);
      loadBlock(positions.data() + first, normals.data() + first, Vec3{}, block, l, n);
      float* pOut = out.data() + first;
      for (std::size_t i = 0; i < block; ++i) {
        const float x = l.x[i], y = l.y[i], z = l.z[i];
        const float inverse = 1.0f / std::max(std::sqrt(x * x + y * y + z * z), kMinLength);
        pOut[i] = std::max(n.x[i] * (x * inverse) + n.y[i] * (y * inverse) + n.z[i] * (z * inverse),
                           kMinLight);
      }
    }
    return;
  }
  addLight<true>(*lights[0], positions, normals, out);
  for (std::size_t k = 1; k < lights.size(); ++k)
    addLight<false>(*lights[k], positions, normals, out);
}
