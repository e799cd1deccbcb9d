// Rendering 3D scenes at 512 x 256 with a depth buffer, built in code like Mesa's bench3d scenes:
// a closed (2,3) torus knot of 2,000, 20,000 or 200,000 triangles Gouraud-shaded by two omni
// lights (one-sided: back faces culled; or two-sided), 200 flat-shaded cubes spinning on their own
// axes, and a lit floor grid half behind the near plane (clipping runs for half its triangles).
//
// Per scene, over the same cycle of 8 animation frames:
//   Frame     clear the screen and the depth buffer, setTime, the controllers' rotations,
//             transform, render: what one frame of a show costs;
//   Transform setTime, rotations and transform (matrices, vertices, normals, projection,
//             lighting, back faces);
//   Spans     the same clear, then the projected polygons of those frames, captured once, drawn
//             straight through the flat and Gouraud drawers: the rasterizer alone.
// Clipping and set-up is Frame - Transform - Spans. Every benchmark measures memset of the
// 512 x 256 frame before and after its loop (memset_ns) and reports its time, as the median by
// the wall clock and as the mean CPU time, and both as multiples of memset. Frame counts operator
// new calls per frame (allocs, after a first frame that is counted apart). A table of the split
// is printed at the end. Run it pinned to one core: taskset -c 1 s3d_render_bench.
//
// `s3d_render_bench --dump FILE` writes a few frames of every scene (pixels, depth words and each
// mesh's camera-space vertices and normals, screen records, lighting and front flags) to FILE and
// prints a hash per scene, to check that a change of the pipeline leaves every byte as it was.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "image/cimage32.h"
#include "raster/poly_drawers.h"
#include "s3d/s3d_clip.h"
#include "s3d/s3d_scene.h"
#include "s3d/viewport.h"

namespace {

std::atomic<int64_t> g_nbAllocation{0};

}  // namespace

// Counted. Kept out of line: inlined, GCC would see free() called on a pointer from new.
[[gnu::noinline]] void* operator new(std::size_t size) {
  g_nbAllocation.fetch_add(1, std::memory_order_relaxed);
  void* p = std::malloc(size > 0 ? size : 1);
  if (!p) throw std::bad_alloc();
  return p;
}
[[gnu::noinline]] void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  operator delete(p);
}

namespace {

constexpr int32_t kWidth = 512;
constexpr int32_t kHeight = 256;
constexpr std::size_t kNbPixel = static_cast<std::size_t>(kWidth) * kHeight;
constexpr double kDegree = 3.14159265358979323846 / 180.0;

// --- The peer's geometry, in our camera space -------------------------------------------------
// bench3d's eye space looks down -z; ours looks along +z. Every point is mirrored in z (the
// mirror keeps bench3d's triangle order front-facing here), and a rotation by a about the axis
// (x, y, z) becomes one by -a about (x, y, -z). Our matrices take row vectors, p' = p · M, with M
// the usual matrix of the node's quaternion, so a node turns its vertices by the INVERSE rotation
// of its quaternion: the quaternion of the column-vector rotation C is conjugated.

Quat product(Quat a, Quat b) {
  return {
      a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y, a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x,
      a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w, a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z};
}
Quat conjugate(Quat q) {
  return {-q.x, -q.y, -q.z, q.w};
}
// The node rotation that turns points by `degrees` about `axis` (bench3d's glRotatef, mirrored).
Quat nodeRotation(double degrees, Vec3 axis) {
  const Vec3 mirrored{axis.x, axis.y, -axis.z};
  return conjugate(quaternionFromAngleAxis(static_cast<float>(-degrees * kDegree), mirrored));
}

// Knot: (2,3) torus knot, radius 2 + cos 3t, centre line stretched 1.6 along x, tube 0.9;
// 11 in front of the camera, lifted 0.3, tilted 45 degrees about x, yawing +-20 degrees about y
// with a period of 600 frames.
constexpr float kKnotStretch = 1.6f;
constexpr float kKnotTube = 0.9f;
constexpr float kKnotDistance = 11.0f;
constexpr float kKnotLift = 0.3f;
constexpr double kKnotTilt = 45.0;
constexpr double kKnotYaw = 20.0;
constexpr double kPeriod = 600.0;

Vec3 knotPoint(double t) {
  const double r = 2.0 + std::cos(3 * t);
  return {static_cast<float>(static_cast<double>(kKnotStretch) * r * std::cos(2 * t)),
          static_cast<float>(r * std::sin(2 * t)), static_cast<float>(std::sin(3 * t))};
}
Vec3 normalised(Vec3 a) {
  const float l = std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z);
  return l > 0.0f ? Vec3{a.x / l, a.y / l, a.z / l} : a;
}

struct Geometry {
  std::vector<Vec3> vertices;
  std::vector<std::array<uint32_t, 3>> triangles;
};

// segments x sides vertices, 2 · segments · sides triangles, closed (bench3d's make_knot), then
// mirrored into our space.
Geometry knot(int segments, int sides) {
  Geometry g;
  Vec3 firstNormal{};
  for (int i = 0; i < segments; ++i) {
    const double t = 2 * 3.14159265358979323846 * i / segments;
    const Vec3 p = knotPoint(t), pa = knotPoint(t - 1e-3), pb = knotPoint(t + 1e-3);
    const Vec3 tangent = normalised(pb - pa);
    const Vec3 bend = pb + pa - 2.0f * p;
    const Vec3 binormal = normalised(cross(tangent, bend));
    const Vec3 normal = normalised(cross(binormal, tangent));
    for (int j = 0; j < sides; ++j) {
      const double v = 2 * 3.14159265358979323846 * j / sides;
      const auto c = static_cast<float>(std::cos(v)), s = static_cast<float>(std::sin(v));
      const Vec3 n = c * normal + s * binormal;
      if (i == 0 && j == 0) firstNormal = n;
      g.vertices.push_back(p + kKnotTube * n);
    }
  }
  const auto at = [&](int i, int j) {
    return static_cast<uint32_t>((i % segments) * sides + j % sides);
  };
  for (int i = 0; i < segments; ++i) {
    for (int j = 0; j < sides; ++j) {
      g.triangles.push_back({at(i, j), at(i + 1, j), at(i + 1, j + 1)});
      g.triangles.push_back({at(i, j), at(i + 1, j + 1), at(i, j + 1)});
    }
  }
  // Counter-clockwise seen from outside, as bench3d makes it (before the mirror).
  const Vec3 a = g.vertices[g.triangles[0][0]];
  const Vec3 e = cross(g.vertices[g.triangles[0][1]] - a, g.vertices[g.triangles[0][2]] - a);
  if (dot(e, firstNormal) < 0.0f)
    for (auto& triangle : g.triangles)
      std::swap(triangle[1], triangle[2]);
  for (Vec3& p : g.vertices)
    p.z = -p.z;
  return g;
}

// Segments first .. end - 1 of a knot as a geometry of its own: rings first .. end (the last
// one shared with the next piece, so copied).
Geometry knotPiece(const Geometry& g, int segments, int sides, int first, int end) {
  Geometry piece;
  for (int ring = first; ring <= end; ++ring)
    for (int j = 0; j < sides; ++j)
      piece.vertices.push_back(g.vertices[static_cast<std::size_t>((ring % segments) * sides + j)]);
  const auto local = [&](uint32_t v) {
    int ring = static_cast<int>(v) / sides;
    if (ring < first) ring += segments;
    return static_cast<uint32_t>((ring - first) * sides + static_cast<int>(v) % sides);
  };
  for (std::size_t t = std::size_t(first) * 2 * std::size_t(sides);
       t < std::size_t(end) * 2 * std::size_t(sides); ++t)
    piece.triangles.push_back(
        {local(g.triangles[t][0]), local(g.triangles[t][1]), local(g.triangles[t][2])});
  return piece;
}

// The unit cube, 4 vertices a side so that each face is lit alone (bench3d gives every vertex its
// face's normal), two triangles a side in bench3d's order.
Geometry cube() {
  Geometry g;
  const Vec3 normals[6] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
  for (const Vec3 n : normals) {
    const Vec3 u{n.y, n.z, n.x};
    const Vec3 v = cross(n, u);
    const float su[4] = {-1, 1, 1, -1}, sv[4] = {-1, -1, 1, 1};
    const auto first = static_cast<uint32_t>(g.vertices.size());
    for (int k = 0; k < 4; ++k) {
      const Vec3 p = 0.5f * (n + su[k] * u + sv[k] * v);
      g.vertices.push_back({p.x, p.y, -p.z});
    }
    g.triangles.push_back({first, first + 1, first + 2});
    g.triangles.push_back({first, first + 2, first + 3});
  }
  return g;
}

// A floor of cells x cells squares, 80 x 80 units, centred on its origin.
Geometry floorGrid(int cells) {
  Geometry g;
  const int side = cells + 1;
  for (int z = 0; z < side; ++z)
    for (int x = 0; x < side; ++x)
      g.vertices.push_back({80.0f * static_cast<float>(x) / static_cast<float>(cells) - 40.0f, 0.0f,
                            80.0f * static_cast<float>(z) / static_cast<float>(cells) - 40.0f});
  for (int z = 0; z < cells; ++z) {
    for (int x = 0; x < cells; ++x) {
      const auto p = static_cast<uint32_t>(z * side + x);
      const auto side32 = static_cast<uint32_t>(side);
      // Seen from above, (x0, z0), (x1, z0), (x0, z1) faces the camera.
      g.triangles.push_back({p, p + 1, p + side32});
      g.triangles.push_back({p + 1, p + side32 + 1, p + side32});
    }
  }
  return g;
}

struct CubePlacement {
  Vec3 position;
  Vec3 axis;
  float angle0 = 0.0f;
  float speed = 0.0f;
  Vec3 color;
};

// bench3d's make_cubes(200): a jittered 20 x 10 grid on the screen, 22 to 36 in front, from its
// generator and seed.
std::vector<CubePlacement> cubePlacements() {
  uint32_t state = 12345;
  auto random = [&state] {
    state = state * 1664525u + 1013904223u;
    return static_cast<float>(state >> 8) * (1.0f / 16777216.0f);
  };
  std::vector<CubePlacement> cubes;
  const float ty = std::tan(20.0f * 3.14159265f / 180.0f), tx = ty * 2.0f;
  for (int i = 0; i < 200; ++i) {
    CubePlacement c;
    const int ix = i % 20, iy = i / 20;
    const float sx = ((static_cast<float>(ix) + 0.2f + 0.6f * random()) / 20.0f) * 2 - 1;
    const float sy = ((static_cast<float>(iy) + 0.2f + 0.6f * random()) / 10.0f) * 2 - 1;
    const float d = 22.0f + 14.0f * random();
    c.position = {sx * tx * d * 0.92f, sy * ty * d * 0.88f, d};
    const float ax = random() - 0.5f, ay = random() - 0.5f, az = random() - 0.5f;
    c.axis = normalised({ax, ay, az});
    c.angle0 = 360.0f * random();
    c.speed = 0.5f + random();
    const float r = random(), g = random(), b = random();
    c.color = {(60.0f + 195.0f * r) / 255.0f, (60.0f + 195.0f * g) / 255.0f,
               (60.0f + 195.0f * b) / 255.0f};
    cubes.push_back(c);
  }
  return cubes;
}

// --- The scenes ---------------------------------------------------------------------------------

enum class Kind { kKnot, kCubes, kFloor, kLights };

struct SceneDef {
  const char* name;
  Kind kind;
  int segments = 0;
  int sides = 0;
  bool twoSided = false;
};

const SceneDef kScenes[] = {{"knot2k", Kind::kKnot, 100, 10},
                            {"knot20k", Kind::kKnot, 312, 32},
                            {"knot200k", Kind::kKnot, 1000, 100},
                            // Two-sided: back faces drawn too, as bench3d's knots without culling.
                            {"knot2k_2sided", Kind::kKnot, 100, 10, true},
                            {"knot20k_2sided", Kind::kKnot, 312, 32, true},
                            {"knot200k_2sided", Kind::kKnot, 1000, 100, true},
                            {"cubes", Kind::kCubes},
                            {"floor_clipped", Kind::kFloor, 100},
                            {"lights_dump_only", Kind::kLights, 100, 10}};

// The cycle of animation frames every benchmark runs through.
constexpr int kNbCycle = 8;
int cycleFrame(int64_t i) {
  return static_cast<int>(i % kNbCycle) * 75;
}

class BenchScene {
 public:
  explicit BenchScene(const SceneDef& def) : m_def(def) {
    m_viewPort.setScreen(&m_screen);
    m_viewPort.clear();
    m_scene.m_cameras.resize(1);
    S3DCamera& camera = m_scene.m_cameras[0];
    camera.setPosition({0, 0, 0});
    camera.m_target.setPosition({0, 0, 100});
    // bench3d: 40 degrees vertically; here the angle is horizontal, square pixels.
    camera.setFov(2.0f * std::atan(2.0f * std::tan(20.0f * 3.14159265f / 180.0f)));
    camera.setNearClip(1.0f);
    // bench3d's two positional lights, strong enough that neither fades over the scene.
    m_scene.m_lights.resize(def.kind == Kind::kLights ? 3 : 2);
    addOmni(0, {-6, 6, -2}, 0.75f);
    addOmni(1, {8, -4, 6}, 0.35f);
    if (def.kind == Kind::kLights) addAimedLights(camera);
    switch (def.kind) {
      case Kind::kKnot:
      case Kind::kLights:
        buildKnot();
        break;
      case Kind::kCubes:
        buildCubes();
        break;
      case Kind::kFloor:
        buildFloor();
        break;
    }
    for (S3DTriObject& mesh : m_scene.m_triObjects)
      mesh.prepareDrawing();
    m_scene.setViewPort(&m_viewPort);
  }

  void clear() {
    std::fill_n(m_screen.getPixels(), kNbPixel, 0u);
    m_viewPort.clear();
  }
  // setTime, then what the controllers write: every mesh's rotation.
  void animate(int frame) {
    m_scene.setTime(static_cast<float>(frame));
    const double yaw = kKnotYaw * std::sin(2 * 3.14159265358979323846 * frame / kPeriod);
    for (std::size_t i = 0; i < m_scene.m_triObjects.size(); ++i) {
      S3DTriObject& mesh = m_scene.m_triObjects[i];
      switch (m_motions[i]) {
        case Motion::kKnot:
          // bench3d: glRotatef(yaw, 0, 1, 0), then glRotatef(-tilt, 1, 0, 0).
          mesh.setRotation(
              product(nodeRotation(yaw, {0, 1, 0}), nodeRotation(-kKnotTilt, {1, 0, 0})));
          break;
        case Motion::kCube: {
          const CubePlacement& c = m_cubes[i];
          mesh.setRotation(nodeRotation(c.angle0 + c.speed * static_cast<float>(frame), c.axis));
          break;
        }
        case Motion::kFloor:
          mesh.setRotation(nodeRotation(yaw * 0.5, {0, 1, 0}));
          break;
        case Motion::kStill:
          break;
      }
    }
  }
  void frame(int frame) {
    clear();
    animate(frame);
    m_scene.transform();
    m_scene.render();
  }
  int64_t nbTriangle() const {
    int64_t n = 0;
    for (const S3DTriObject& mesh : m_scene.m_triObjects)
      n += static_cast<int64_t>(mesh.m_faces.size());
    return n;
  }
  // Pixels the last frame covered (depth written).
  int64_t coveredPixels() const {
    const uint32_t* p = m_viewPort.getZBuffer()->pData;
    return std::count_if(p, p + kNbPixel, [](uint32_t w) { return w != 0; });
  }

  const SceneDef& m_def;
  S3DScene m_scene;
  CImage32Buffered m_screen{kWidth, kHeight};
  ViewPort m_viewPort;
  std::vector<CubePlacement> m_cubes;

 private:
  // How each mesh turns from frame to frame.
  enum class Motion { kKnot, kCube, kFloor, kStill };
  std::vector<Motion> m_motions;

  void addOmni(int index, Vec3 position, float intensity) {
    S3DLight& light = m_scene.m_lights[static_cast<std::size_t>(index)];
    light.setPosition(position);
    light.m_intensity = intensity;
    light.m_nearAttenuation = 100.0f;
    light.m_farAttenuation = 200.0f;
  }
  // The lights scene checks the other formulas: the first light fades with distance, a spot
  // with its cones, and the camera looks from aside with a roll.
  void addAimedLights(S3DCamera& camera) {
    camera.setPosition({1.0f, 2.0f, -2.0f});
    camera.m_target.setPosition({0.0f, 0.3f, 11.0f});
    camera.setRoll(0.1f);
    m_scene.m_lights[0].m_nearAttenuation = 8.0f;
    m_scene.m_lights[0].m_farAttenuation = 22.0f;
    S3DLight& spot = m_scene.m_lights[1];
    spot.m_lightType = S3DLight::kSpot;
    spot.setPosition({4.0f, 5.0f, 0.0f});
    spot.m_target.setPosition({0.0f, 0.3f, 11.0f});
    spot.m_hotspot = 0.15f;
    spot.m_falloff = 0.35f;
    S3DLight& directed = m_scene.m_lights[2];
    directed.m_lightType = S3DLight::kDirected;
    directed.setPosition({0.0f, -6.0f, 2.0f});
    directed.m_target.setPosition({0.0f, 0.3f, 11.0f});
    directed.m_nearAttenuation = 6.0f;
    directed.m_farAttenuation = 16.0f;
    directed.m_intensity = 0.4f;
  }

  S3DSubMaterial& addMaterial(Vec3 base, int32_t shading, bool twoSided) {
    S3DMaterial& material = m_scene.m_materials.emplace_back();
    S3DSubMaterial& sub = material.m_subMaterials.emplace_back();
    sub.setColor(S3DSubMaterial::kColorDark, 0.12f * base);
    sub.setColor(S3DSubMaterial::kColorBase, base);
    sub.setColor(S3DSubMaterial::kColorHighlight, {1.0f, 1.0f, 1.0f});
    sub.m_shadingType = shading;
    sub.m_twoSided = twoSided ? 1 : 0;
    return sub;
  }

  // A mesh of the geometry (at most 65,536 vertices: face corners are 16-bit).
  void addMesh(const Geometry& g, int materialIndex, Vec3 position, bool lit, Motion motion) {
    m_motions.push_back(motion);
    S3DTriObject& mesh = m_scene.m_triObjects.emplace_back();
    mesh.setVertices(g.vertices);
    for (const auto& triangle : g.triangles) {
      S3DFace face;
      face.a = static_cast<uint16_t>(triangle[0]);
      face.b = static_cast<uint16_t>(triangle[1]);
      face.c = static_cast<uint16_t>(triangle[2]);
      mesh.m_faces.push_back(face);
    }
    mesh.m_materialIndex = static_cast<uint16_t>(materialIndex);
    mesh.setPosition(position);
    if (lit)
      for (S3DLight& light : m_scene.m_lights)
        mesh.m_lights.push_back(&light);
  }

  void linkMaterials() {
    for (S3DTriObject& mesh : m_scene.m_triObjects)
      mesh.m_pMaterial = m_scene.getMaterial(mesh.m_materialIndex);
  }

  void buildKnot() {
    const int segments = m_def.segments, sides = m_def.sides;
    const Geometry g = knot(segments, sides);
    m_scene.m_materials.reserve(3);
    addMaterial({0.8f, 0.45f, 0.2f}, 0, m_def.twoSided);
    const Vec3 place{0.0f, kKnotLift, kKnotDistance};
    if (g.vertices.size() <= 65536u) {
      addMesh(g, 0, place, true, Motion::kKnot);
    } else {
      // Cut along its length into pieces of at most 60,000 vertices.
      const int pieces = (segments * sides + 59999) / 60000;
      const int perPiece = (segments + pieces - 1) / pieces;
      for (int first = 0; first < segments; first += perPiece)
        addMesh(knotPiece(g, segments, sides, first, std::min(first + perPiece, segments)), 0,
                place, true, Motion::kKnot);
    }
    if (m_def.kind == Kind::kLights) {
      // A second knot, flat, two-sided and without lights of its own (the head-light).
      addMaterial({0.3f, 0.6f, 0.9f}, S3DSubMaterial::kShadingFlat, true);
      addMesh(g, 1, {3.5f, -1.0f, 16.0f}, false, Motion::kKnot);
      // A two-sided ceiling seen from below (every face reversed), cut by the near plane.
      addMaterial({0.9f, 0.9f, 0.3f}, 0, true);
      addMesh(floorGrid(10), 2, {0.0f, 4.0f, 0.0f}, true, Motion::kStill);
    }
    linkMaterials();
  }

  void buildCubes() {
    m_cubes = cubePlacements();
    const Geometry g = cube();
    m_scene.m_materials.reserve(m_cubes.size());
    m_scene.m_triObjects.reserve(m_cubes.size());
    for (std::size_t i = 0; i < m_cubes.size(); ++i) {
      addMaterial(m_cubes[i].color, S3DSubMaterial::kShadingFlat, false);
      addMesh(g, static_cast<int>(i), m_cubes[i].position, true, Motion::kCube);
    }
    linkMaterials();
  }

  void buildFloor() {
    const Geometry g = floorGrid(m_def.segments);
    addMaterial({0.4f, 0.7f, 0.3f}, 0, false);
    addMesh(g, 0, {0.0f, -3.0f, 0.0f}, true, Motion::kFloor);
    linkMaterials();
  }
};

std::map<const SceneDef*, std::unique_ptr<BenchScene>>& sceneCache() {
  static std::map<const SceneDef*, std::unique_ptr<BenchScene>> cache;
  return cache;
}
BenchScene& sceneOf(const SceneDef& def) {
  std::unique_ptr<BenchScene>& p = sceneCache()[&def];
  if (!p) p = std::make_unique<BenchScene>(def);
  return *p;
}

}  // namespace

namespace {

// --- The rasterizer alone ---------------------------------------------------------------------

// One projected polygon as the mesh drawing hands it to a drawer: x, y, 1/z (and the level for
// Gouraud) per vertex, from `first` in the frame's floats.
struct CapturedPolygon {
  const RasterMaterial* pMaterial = nullptr;
  bool flat = false;
  int level = 0;
  int count = 0;
  std::size_t first = 0;
};
struct CapturedFrame {
  std::vector<CapturedPolygon> polygons;
  std::vector<float> floats;
};

// The polygons of the current frame of one pass of a mesh, worked out again from its per-frame
// arrays: front faces (back faces reversed when two-sided), projected as they are when their
// corners are on screen, else clipped in camera space. Flat and Gouraud groups only.
void capturePass(const S3DTriObject& mesh, S3DTriObject::Pass pass, const S3DCamera& camera,
                 CapturedFrame& out) {
  for (const S3DDrawGroup& group : mesh.m_groups[pass]) {
    const bool flat = group.mode == S3DDrawMode::kFlat;
    if (!flat && group.mode != S3DDrawMode::kGouraud) continue;
    for (const uint32_t faceIndex : group.faces) {
      const S3DFace& face = mesh.m_faces[faceIndex];
      uint16_t corners[3] = {face.a, face.b, face.c};
      if (!face.frontFacing) {
        if (group.pSubMaterial->m_twoSided == 0) continue;
        std::swap(corners[0], corners[2]);
      }
      ClipVertex triangle[3];
      float lightSum = 0.0f;
      bool inside = true;
      for (int i = 0; i < 3; ++i) {
        const float light = mesh.m_pLighting->values[corners[i]];
        lightSum += light;
        triangle[i].p = mesh.m_cameraVertices[corners[i]];
        triangle[i].values[0] = light * 255.0f;
        inside = inside && mesh.m_screenVertices[corners[i]].outside == 0.0f;
      }
      CapturedPolygon polygon;
      polygon.pMaterial = &group.pSubMaterial->m_raster;
      polygon.flat = flat;
      polygon.level = static_cast<int>(std::lround(lightSum * 84.9915f));
      polygon.first = out.floats.size();
      const auto push = [&](float x, float y, float w, float level) {
        out.floats.insert(out.floats.end(), {x, y, w});
        if (!flat) out.floats.push_back(level);
      };
      if (inside) {
        for (int i = 0; i < 3; ++i) {
          const S3DScreenVertex& s = mesh.m_screenVertices[corners[i]];
          push(s.x, s.y, s.w, triangle[i].values[0]);
        }
        polygon.count = 3;
      } else {
        ClipVertex clipped[kMaxClipVertices];
        polygon.count = clipPolygon(camera, triangle, 3, clipped);
        for (int i = 0; i < polygon.count; ++i) {
          const Vec3 p = clipped[i].p;
          const float w = 1.0f / p.z;
          const float x = p.x * camera.m_scaleX * w + camera.m_centerX;
          const float y = camera.m_centerY - p.y * camera.m_scaleY * w;
          if (!(p.z >= camera.m_nearClip) || !(x >= 0.0f) || !(x < camera.m_width) ||
              !(y >= 0.0f) || !(y < camera.m_height))
            polygon.count = 0;
          else
            push(x, y, w, clipped[i].values[0]);
        }
      }
      if (polygon.count < 3) {
        out.floats.resize(polygon.first);
        continue;
      }
      out.polygons.push_back(polygon);
    }
  }
}

CapturedFrame capture(S3DScene& scene) {
  CapturedFrame frame;
  for (const S3DTriObject::Pass pass : {S3DTriObject::kOpaquePass, S3DTriObject::kBlendPass})
    for (const S3DTriObject& mesh : scene.m_triObjects)
      if (mesh.m_visible && mesh.m_drawable)
        capturePass(mesh, pass, *scene.getCurrentCamera(), frame);
  return frame;
}

// The two drawers the scenes use, bound to a screen and depth buffer.
struct Rasterizer {
  void bind(CImage32& screen, const ZBuffer* pZBuffer) {
    for (PolyFiller* pDrawer :
         {static_cast<PolyFiller*>(&flat), static_cast<PolyFiller*>(&gouraud)}) {
      pDrawer->setDestination(&screen);
      pDrawer->setZBuffer(pZBuffer);
      pDrawer->setMaterial(nullptr);
    }
  }
  void draw(const CapturedFrame& frame) {
    for (const CapturedPolygon& polygon : frame.polygons) {
      const float* pVertices = frame.floats.data() + polygon.first;
      if (polygon.flat) {
        flat.setMaterial(polygon.pMaterial);
        flat.draw(pVertices, polygon.count, polygon.level);
      } else {
        gouraud.setMaterial(polygon.pMaterial);
        gouraud.draw(pVertices, polygon.count);
      }
    }
  }
  FlatPolyFiller flat;
  GouraudPolyFiller gouraud;
};

// What the benchmarks of a scene share, made once: the captured frames of the cycle (checked to
// draw the very bytes the scene renders), the allocations of the first frame, the coverage.
struct Prepared {
  CapturedFrame frames[kNbCycle];
  bool same = true;
  int64_t firstFrameAllocations = 0;
  double coveredPixels = 0.0;
  int64_t polygons = 0;
};

Prepared& preparedOf(const SceneDef& def) {
  static std::map<const SceneDef*, std::unique_ptr<Prepared>> cache;
  std::unique_ptr<Prepared>& p = cache[&def];
  if (p) return *p;
  p = std::make_unique<Prepared>();
  BenchScene& bench = sceneOf(def);
  const int64_t before = g_nbAllocation.load();
  bench.frame(cycleFrame(0));
  p->firstFrameAllocations = g_nbAllocation.load() - before;
  std::vector<uint32_t> pixels(kNbPixel), depth(kNbPixel);
  Rasterizer rasterizer;
  rasterizer.bind(bench.m_screen, bench.m_viewPort.getZBuffer());
  for (int i = 0; i < kNbCycle; ++i) {
    bench.frame(cycleFrame(i));
    p->coveredPixels += static_cast<double>(bench.coveredPixels()) / kNbCycle;
    std::copy_n(bench.m_screen.getPixels(), kNbPixel, pixels.data());
    std::copy_n(bench.m_viewPort.getZBuffer()->pData, kNbPixel, depth.data());
    p->frames[i] = capture(bench.m_scene);
    p->polygons += static_cast<int64_t>(p->frames[i].polygons.size());
    bench.clear();
    rasterizer.draw(p->frames[i]);
    p->same = p->same && std::equal(pixels.begin(), pixels.end(), bench.m_screen.getPixels()) &&
              std::equal(depth.begin(), depth.end(), bench.m_viewPort.getZBuffer()->pData);
  }
  p->polygons /= kNbCycle;
  return *p;
}

// --- Timing -------------------------------------------------------------------------------------

using Clock = std::chrono::steady_clock;

// Median of 201 memsets of the 512 x 256 frame, in nanoseconds.
double memsetNanoseconds() {
  static std::vector<uint32_t> buffer(kNbPixel);
  std::vector<double> times(201);
  for (std::size_t i = 0; i < times.size(); ++i) {
    const auto start = Clock::now();
    std::memset(buffer.data(), static_cast<int>(i & 255), kNbPixel * sizeof(uint32_t));
    benchmark::DoNotOptimize(buffer.data());
    benchmark::ClobberMemory();
    times[i] = std::chrono::duration<double, std::nano>(Clock::now() - start).count();
  }
  std::nth_element(times.begin(), times.begin() + 100, times.end());
  return times[100];
}

// Per scene and measure, the nanoseconds per frame of the last run, and memset's.
std::map<std::string, std::map<std::string, double>>& results() {
  static std::map<std::string, std::map<std::string, double>> table;
  return table;
}

// The CPU time of this process, in nanoseconds: unlike the wall clock, it does not count the
// time other processes hold the core.
double cpuNanoseconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e9 + static_cast<double>(now.tv_nsec);
}

// Times every pass of the loop (lap() at its end) and sets the counters, as bench3d measures its
// frames: ms and fps of the median pass by the wall clock; cpu_ms, the mean CPU time of a pass;
// memset_ns, the median memset of the frame before and after the loop; x_memset and
// cpu_x_memset, the pass as a multiple of it.
class Timing {
 public:
  Timing() : m_memsetBefore(memsetNanoseconds()) {
    laps().clear();
    m_cpuStart = cpuNanoseconds();
    m_last = Clock::now();
  }
  void lap() {
    const Clock::time_point now = Clock::now();
    // Within the capacity reserved once: no allocation in the loop.
    if (laps().size() < laps().capacity())
      laps().push_back(std::chrono::duration<double, std::nano>(now - m_last).count());
    m_last = now;
  }
  void finish(benchmark::State& state, const std::string& scene, const std::string& measure) {
    std::vector<double>& times = laps();
    if (times.empty()) return;
    const double cpu = (cpuNanoseconds() - m_cpuStart) / static_cast<double>(times.size());
    const auto middle = times.begin() + static_cast<std::ptrdiff_t>(times.size() / 2);
    std::nth_element(times.begin(), middle, times.end());
    const double wall = *middle;
    const double memset = 0.5 * (m_memsetBefore + memsetNanoseconds());
    state.counters["ms"] = wall * 1e-6;
    state.counters["fps"] = 1e9 / wall;
    state.counters["cpu_ms"] = cpu * 1e-6;
    state.counters["memset_ns"] = memset;
    state.counters["x_memset"] = wall / memset;
    state.counters["cpu_x_memset"] = cpu / memset;
    std::map<std::string, double>& row = results()[scene];
    row[measure] = wall;
    row[measure + "_cpu"] = cpu;
    row["memset"] = memset;
  }

 private:
  static std::vector<double>& laps() {
    static std::vector<double> times = [] {
      std::vector<double> reserved;
      reserved.reserve(std::size_t{1} << 20);
      return reserved;
    }();
    return times;
  }

  double m_memsetBefore;
  double m_cpuStart = 0.0;
  Clock::time_point m_last;
};

void BM_Frame(benchmark::State& state, const SceneDef* pDef) {
  BenchScene& bench = sceneOf(*pDef);
  const Prepared& prepared = preparedOf(*pDef);
  int64_t i = 0;
  Timing timing;
  const int64_t before = g_nbAllocation.load();
  for (auto _ : state) {
    bench.frame(cycleFrame(i++));
    benchmark::ClobberMemory();
    timing.lap();
  }
  const int64_t allocations = g_nbAllocation.load() - before;
  timing.finish(state, pDef->name, "frame");
  state.counters["allocs"] = static_cast<double>(allocations) / static_cast<double>(i);
  state.counters["first_allocs"] = static_cast<double>(prepared.firstFrameAllocations);
  state.counters["tris"] = static_cast<double>(bench.nbTriangle());
  state.counters["drawn"] = static_cast<double>(prepared.polygons);
  state.counters["px"] = prepared.coveredPixels;
}

void BM_Transform(benchmark::State& state, const SceneDef* pDef) {
  BenchScene& bench = sceneOf(*pDef);
  preparedOf(*pDef);
  int64_t i = 0;
  Timing timing;
  for (auto _ : state) {
    bench.animate(cycleFrame(i++));
    bench.m_scene.transform();
    benchmark::ClobberMemory();
    timing.lap();
  }
  timing.finish(state, pDef->name, "transform");
}

void BM_Spans(benchmark::State& state, const SceneDef* pDef) {
  BenchScene& bench = sceneOf(*pDef);
  const Prepared& prepared = preparedOf(*pDef);
  if (!prepared.same) {
    state.SkipWithError("the captured polygons do not draw the frame the scene renders");
    return;
  }
  Rasterizer rasterizer;
  rasterizer.bind(bench.m_screen, bench.m_viewPort.getZBuffer());
  int64_t i = 0;
  Timing timing;
  for (auto _ : state) {
    bench.clear();
    rasterizer.draw(prepared.frames[i++ % kNbCycle]);
    benchmark::ClobberMemory();
    timing.lap();
  }
  timing.finish(state, pDef->name, "spans");
}

void BM_Clear(benchmark::State& state, const SceneDef* pDef) {
  BenchScene& bench = sceneOf(*pDef);
  Timing timing;
  for (auto _ : state) {
    bench.clear();
    benchmark::ClobberMemory();
    timing.lap();
  }
  timing.finish(state, "clear", "frame");
}

void registerAll() {
  benchmark::RegisterBenchmark("Clear", BM_Clear, &kScenes[0])->Unit(benchmark::kMillisecond);
  for (const SceneDef& def : kScenes) {
    if (def.kind == Kind::kLights) continue;
    const std::string name = def.name;
    benchmark::RegisterBenchmark(("Frame/" + name).c_str(), BM_Frame, &def)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("Transform/" + name).c_str(), BM_Transform, &def)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("Spans/" + name).c_str(), BM_Spans, &def)
        ->Unit(benchmark::kMillisecond);
  }
}

// The split of every scene measured in full, from the mean CPU times (the wall-clock medians
// agree on a quiet machine): transform and lighting, clipping and set-up (what is left of the
// frame), spans with the clears. wall_ms is the frame's median by the wall clock.
void printSummary() {
  std::map<std::string, std::map<std::string, double>>& table = results();
  std::printf("\n%-16s %8s %8s %9s %8s %9s %10s %8s %11s\n", "scene", "cpu_fps", "cpu_ms",
              "x_memset", "wall_ms", "transform", "clip+setup", "spans", "frame/spans");
  for (const SceneDef& def : kScenes) {
    const auto it = table.find(def.name);
    if (it == table.end() || !it->second.count("frame") || !it->second.count("transform") ||
        !it->second.count("spans"))
      continue;
    std::map<std::string, double>& r = it->second;
    const double frame = r["frame_cpu"], transform = r["transform_cpu"], spans = r["spans_cpu"];
    std::printf("%-16s %8.1f %8.3f %9.1f %8.3f %9.3f %10.3f %8.3f %11.2f\n", def.name, 1e9 / frame,
                frame * 1e-6, frame / r["memset"], r["frame"] * 1e-6, transform * 1e-6,
                (frame - transform - spans) * 1e-6, spans * 1e-6, frame / spans);
  }
}

// --- Same output check --------------------------------------------------------------------------

struct Dump {
  template <class T>
  void write(const T* p, std::size_t count) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(p);
    const std::size_t size = count * sizeof(T);
    for (std::size_t i = 0; i < size; ++i)
      hash = (hash ^ bytes[i]) * 1099511628211ull;
    std::fwrite(p, 1, size, pFile);
  }
  std::FILE* pFile = nullptr;
  uint64_t hash = 14695981039346656037ull;
};

int dump(const char* path) {
  std::FILE* pFile = std::fopen(path, "wb");
  if (!pFile) {
    std::fprintf(stderr, "cannot write %s\n", path);
    return 1;
  }
  for (const SceneDef& def : kScenes) {
    BenchScene& bench = sceneOf(def);
    Dump out{pFile};
    for (const int frame : {0, 75, 300}) {
      bench.frame(frame);
      out.write(bench.m_screen.getPixels(), kNbPixel);
      out.write(bench.m_viewPort.getZBuffer()->pData, kNbPixel);
      for (const S3DTriObject& mesh : bench.m_scene.m_triObjects) {
        out.write(mesh.m_cameraVertices.data(), mesh.m_cameraVertices.size());
        out.write(mesh.m_cameraNormals.data(), mesh.m_cameraNormals.size());
        out.write(mesh.m_screenVertices.data(), mesh.m_screenVertices.size());
        out.write(mesh.m_pLighting->values.data(), mesh.m_pLighting->values.size());
        for (const S3DFace& face : mesh.m_faces)
          out.write(&face.frontFacing, 1);
      }
    }
    std::printf("%-16s %016llx  covered %lld\n", def.name,
                static_cast<unsigned long long>(out.hash),
                static_cast<long long>(bench.coveredPixels()));
  }
  std::fclose(pFile);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--dump") == 0) return dump(argv[2]);
  registerAll();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  printSummary();
  benchmark::Shutdown();
  return 0;
}
