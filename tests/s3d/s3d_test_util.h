#pragma once
// Loading a scene from bytes in the tests, with the reports it made, and readable comparisons.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "base/chunk_file_reader.h"
#include "base/report.h"
#include "s3d/s3d_scene.h"
#include "tests/s3d/l3x_bytes.h"

namespace s3d_test {

struct LoadedScene {
  std::unique_ptr<S3DScene> scene = std::make_unique<S3DScene>();
  bool read = false;
  // "caption|text" of each report, in order.
  std::vector<std::string> reports;

  std::size_t count(const std::string& line) const {
    return static_cast<std::size_t>(std::count(reports.begin(), reports.end(), line));
  }
  S3DScene* operator->() const { return scene.get(); }
};

inline LoadedScene loadScene(const l3x::Bytes& file) {
  LoadedScene out;
  ReportCapture capture;
  ChunkFileReaderManager manager(std::span<const std::uint8_t>(file), StringC("test.l3x"));
  out.read = out.scene->load(manager);
  out.reports = capture.lines();
  return out;
}

// A camera with the default view (the identity), for modifiers prepared outside a scene.
inline const S3DCamera& defaultCamera() {
  static const S3DCamera camera;
  return camera;
}

// Reports made while `action` runs, as "caption|text".
template <class Action>
std::vector<std::string> reportsOf(Action action) {
  ReportCapture capture;
  action();
  return capture.lines();
}

// A scene file with one camera and the given root children.
inline l3x::Bytes withCamera(std::vector<l3x::Bytes> children) {
  children.push_back(l3x::cameras({l3x::plainCamera()}));
  return l3x::sceneFile(std::move(children));
}
// One material "m" with one sub-material "s".
inline l3x::Bytes oneMaterial() {
  return l3x::materials({l3x::material("m", {l3x::subMaterial("s")})});
}

// The names of a collection's objects, in order; "(empty)" for an empty shape slot.
template <class Objects>
std::vector<std::string> namesOf(const Objects& objects) {
  std::vector<std::string> out;
  for (const auto& object : objects) {
    if constexpr (requires(typename Objects::value_type o) { o->m_name; })
      out.emplace_back(object ? object->m_name.view() : "(empty)");
    else
      out.emplace_back(object.m_name.view());
  }
  return out;
}

inline constexpr const char* kSceneCaption = "S3DScene warning:";
inline const std::string kNoCamera = "S3DScene warning:|no camera to render the scene !";

// Computed in float against values worked in double: a few units of the last place.
inline void expectNear(Vec3 actual, Vec3 expected, float tolerance = 1e-6f) {
  EXPECT_NEAR(actual.x, expected.x, tolerance);
  EXPECT_NEAR(actual.y, expected.y, tolerance);
  EXPECT_NEAR(actual.z, expected.z, tolerance);
}
inline void expectNear(Quat actual, Quat expected, float tolerance = 1e-6f) {
  expectNear(Vec3{actual.x, actual.y, actual.z}, Vec3{expected.x, expected.y, expected.z},
             tolerance);
  EXPECT_NEAR(actual.w, expected.w, tolerance);
}

}  // namespace s3d_test

// Readable values in failure messages.
inline void PrintTo(const Point3D& p, std::ostream* os) {
  *os << "(" << p.x << ", " << p.y << ", " << p.z << ")";
}
inline void PrintTo(const Quaternion& q, std::ostream* os) {
  *os << "(" << q.x << ", " << q.y << ", " << q.z << ", " << q.w << ")";
}
inline void PrintTo(const StringC& text, std::ostream* os) {
  *os << '"' << text.view() << '"';
}
