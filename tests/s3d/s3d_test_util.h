#pragma once
// Loading a scene from bytes in the tests, with the reports it made.

#include <algorithm>
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

// A scene file with one camera and the given root children.
inline l3x::Bytes withCamera(std::vector<l3x::Bytes> children) {
  children.push_back(l3x::cameras({l3x::plainCamera()}));
  return l3x::sceneFile(std::move(children));
}

inline constexpr const char* kSceneCaption = "S3DScene warning:";

}  // namespace s3d_test

// Readable values in failure messages.
inline void PrintTo(const Point3D& p, std::ostream* os) {
  *os << "(" << p.x << ", " << p.y << ", " << p.z << ")";
}
inline void PrintTo(const Quaternion& q, std::ostream* os) {
  *os << "(" << q.x << ", " << q.y << ", " << q.z << ", " << q.w << ")";
}
