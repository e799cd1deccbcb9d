#include "s3d/s3d_vertex_object.h"

#include <algorithm>
#include <string>

#include "base/report.h"

S3DVertexObject::S3DVertexObject() = default;
S3DVertexObject::~S3DVertexObject() = default;
S3DVertexObject::S3DVertexObject(S3DVertexObject&&) noexcept = default;
S3DVertexObject& S3DVertexObject::operator=(S3DVertexObject&&) noexcept = default;

void S3DVertexObject::warn(std::string_view text) const {
  report(std::string(caption()) + std::string(m_name.view()), text);
}

void S3DVertexObject::setVertices(std::vector<Vec3> vertices) {
  m_vertices = std::move(vertices);
  m_savedVertices = m_vertices;
  m_cameraVertices.assign(m_vertices.size(), Vec3{});
  m_screenVertices.assign(m_vertices.size(), {});
  if (m_vertices.empty()) return;
  m_boxMin = m_boxMax = m_vertices[0];
  for (const Vec3& p : m_vertices) {
    m_boxMin = {std::min(m_boxMin.x, p.x), std::min(m_boxMin.y, p.y), std::min(m_boxMin.z, p.z)};
    m_boxMax = {std::max(m_boxMax.x, p.x), std::max(m_boxMax.y, p.y), std::max(m_boxMax.z, p.z)};
  }
}

void S3DVertexObject::animateObject(float time) {
  animate(time);
  animateModifiers(time);
}

void S3DVertexObject::animateModifiers(float time) {
  for (const auto& pModifier : m_modifiers)
    if (pModifier) pModifier->animate(time);
}
