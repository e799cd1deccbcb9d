#pragma once
// Writes 2D scene files byte by byte for the tests, from the layout in s3d/s2d_scene.h: the root
// chunk's own fields, the camera and opacity track chunks, and the optional head blocks, whose
// heads and tracks are those of scene files (tests/s3d/l3x_bytes.h). Nothing comes from the
// reader.
//
// The defaults make a one-sprite scene: one object at the origin with material 0, one camera at
// (0, 0, -64) looking at the origin (fov 90 degrees, roll 0), one material of the picture
// "white.tga" at opacity 1.

#include <cstdint>
#include <string>
#include <vector>

#include "tests/s3d/l3x_bytes.h"

namespace s2d {

using l3x::Bytes;
using l3x::FloatKey;
using l3x::Head;
using l3x::Xyz;
using chunk_bytes::operator+;

constexpr std::uint16_t kRootId = 0x2D2D;

struct Material {
  std::string picture = "white.tga";
  // The file byte: 1 additive, 2 subtractive, anything else normal.
  std::uint8_t mode = 0;
  std::uint8_t filter = 0;
  std::string alphaMap = "NULL";
  std::vector<FloatKey> opacity{{0, 1.0f}};
};

struct Camera {
  std::vector<FloatKey> fov{{0, 90.0f}};
  std::vector<FloatKey> roll{{0, 0.0f}};
  Head eye{.position = Xyz{0.0f, 0.0f, -64.0f}};
  Head target{.position = Xyz{0.0f, 0.0f, 0.0f}};
};

struct Object {
  std::uint16_t material = 0;
  Head head{};
};

struct Scene {
  std::uint16_t animLength = 100;
  std::vector<Object> objects{{}};
  std::vector<Camera> cameras{{}};
  std::vector<Material> materials{{}};
  // Without them, objects and cameras keep their default heads.
  bool objectHeads = true;
  bool cameraHeads = true;
};

inline Bytes countField(std::size_t value) {
  return l3x::wordField(static_cast<std::uint16_t>(value));
}

// The root chunk: its own fields, then per camera its fov (10) and roll (11) tracks, per material
// its opacity track (20), the object heads (30) and the camera records (40, each a 41 with the
// eye's head 1 and the target's head 2). Materials are named m0, m1...
inline Bytes sceneChunk(const Scene& scene) {
  Bytes fields = l3x::wordField(scene.animLength) + countField(scene.objects.size());
  for (const Object& object : scene.objects)
    fields = fields + l3x::wordField(object.material);
  fields = fields + countField(scene.cameras.size()) + countField(scene.materials.size());
  for (std::size_t i = 0; i < scene.materials.size(); ++i) {
    const Material& m = scene.materials[i];
    fields = fields + chunk_bytes::stringField("m" + std::to_string(i)) + l3x::byteField(m.mode) +
             chunk_bytes::stringField(m.picture) + l3x::byteField(m.filter) +
             chunk_bytes::stringField(m.alphaMap) + l3x::byteField(0);
  }
  std::vector<Bytes> children;
  for (const Camera& camera : scene.cameras) {
    children.push_back(l3x::floatTrack(10, camera.fov));
    children.push_back(l3x::floatTrack(11, camera.roll));
  }
  for (const Material& material : scene.materials)
    children.push_back(l3x::floatTrack(20, material.opacity));
  if (scene.objectHeads) {
    std::vector<Bytes> heads;
    for (const Object& object : scene.objects)
      heads.push_back(l3x::head(object.head));
    children.push_back(l3x::node(30, {}, heads, l3x::Order::kFixed));
  }
  if (scene.cameraHeads) {
    std::vector<Bytes> records;
    for (const Camera& camera : scene.cameras)
      records.push_back(l3x::node(41, {}, {l3x::head(camera.eye, 1), l3x::head(camera.target, 2)}));
    children.push_back(l3x::node(40, {}, records, l3x::Order::kFixed));
  }
  return l3x::node(kRootId, fields, children, l3x::Order::kFixed);
}

}  // namespace s2d
