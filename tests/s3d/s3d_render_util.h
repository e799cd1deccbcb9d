#pragma once
// Scenes for the rendering tests: a camera at the origin looking along +z (so camera space is
// world space), meshes from vertex and face lists, sub-materials with one-colour or three-colour
// shading tables, and a screen with guard words around its pixels so a write outside the picture
// shows.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "base/chunk_file_reader.h"
#include "image/cimage32.h"
#include "s3d/s3d_scene.h"
#include "s3d/viewport.h"
#include "tests/s3d/l3x_bytes.h"

namespace s3d_render {

using Face = std::array<uint16_t, 3>;

// width x height pixels (row pitch = width) between two runs of guard words.
class GuardedScreen {
 public:
  static constexpr uint32_t kGuard = 0xA5C3E1F7u;
  static constexpr std::size_t kGuardWords = 256;

  GuardedScreen(int32_t width, int32_t height, uint32_t background)
      : m_size(static_cast<std::size_t>(width) * static_cast<std::size_t>(height)),
        m_block(m_size + 2 * kGuardWords, kGuard) {
    std::fill_n(m_block.begin() + kGuardWords, m_size, background);
    m_image.setPixelData(width, height, m_block.data() + kGuardWords);
  }

  CImage32& image() { return m_image; }
  uint32_t pixel(int32_t x, int32_t y) const {
    return m_block[kGuardWords + static_cast<std::size_t>(y * m_image.getWidth() + x)] & 0xFFFFFFu;
  }
  bool guardsIntact() const {
    for (std::size_t i = 0; i < kGuardWords; ++i)
      if (m_block[i] != kGuard || m_block[kGuardWords + m_size + i] != kGuard) return false;
    return true;
  }
  // Pixels whose colour is not `background`.
  int count(uint32_t background) const {
    int n = 0;
    for (std::size_t i = 0; i < m_size; ++i)
      n += (m_block[kGuardWords + i] & 0xFFFFFFu) != background ? 1 : 0;
    return n;
  }
  // The R, G, B bytes, row after row.
  std::vector<uint8_t> rgb() const {
    std::vector<uint8_t> out;
    for (std::size_t i = 0; i < m_size; ++i)
      for (const int shift : {16, 8, 0})
        out.push_back(static_cast<uint8_t>(m_block[kGuardWords + i] >> shift));
    return out;
  }

 private:
  std::size_t m_size;
  std::vector<uint32_t> m_block;
  CImage32External m_image;
};

// A camera at `eye` looking at `target`, fov pi/2: from the origin along +z by default.
inline S3DCamera& addCamera(S3DScene& scene, Vec3 eye = {}, Vec3 target = {0.0f, 0.0f, 1000.0f}) {
  scene.m_cameras.resize(1);
  S3DCamera& camera = scene.m_cameras[0];
  camera.setPosition(eye);
  camera.m_target.setPosition(target);
  return camera;
}

// A shading table from three colours (RGB in 0..1); one colour for all three makes every level
// that colour.
inline void setColors(S3DSubMaterial& sub, Vec3 dark, Vec3 base, Vec3 highlight) {
  sub.setColor(S3DSubMaterial::kColorDark, dark);
  sub.setColor(S3DSubMaterial::kColorBase, base);
  sub.setColor(S3DSubMaterial::kColorHighlight, highlight);
}
inline void setColor(S3DSubMaterial& sub, Vec3 colour) {
  setColors(sub, colour, colour, colour);
}

// Gives the mesh its geometry and material and prepares it for drawing (normals, groups).
inline void setMesh(S3DTriObject& mesh, std::vector<Vec3> vertices, const std::vector<Face>& faces,
                    S3DMaterial* pMaterial, const std::vector<uint16_t>& subMaterialWords = {}) {
  mesh.setVertices(std::move(vertices));
  mesh.m_faces.resize(faces.size());
  for (std::size_t f = 0; f < faces.size(); ++f) {
    mesh.m_faces[f].a = faces[f][0];
    mesh.m_faces[f].b = faces[f][1];
    mesh.m_faces[f].c = faces[f][2];
    if (f < subMaterialWords.size()) mesh.m_faces[f].subMaterialWord = subMaterialWords[f];
  }
  mesh.m_pMaterial = pMaterial;
  mesh.prepareDrawing();
}

// A scene with its screen and viewport (depth buffer on).
struct Stage {
  Stage(int32_t width, int32_t height, uint32_t background,
        std::unique_ptr<S3DScene> pLoaded = nullptr)
      : pScene(pLoaded ? std::move(pLoaded) : std::make_unique<S3DScene>()),
        screen(width, height, background) {}

  S3DScene& scene() { return *pScene; }
  // Binds the viewport: the cameras take the screen's size (and rebuild their projection).
  void bind() {
    viewPort.setScreen(&screen.image());
    scene().setViewPort(&viewPort);
  }
  // One frame at `time`: depth cleared, animation, transform, render.
  void frame(float time = 0.0f) {
    viewPort.clear();
    scene().setTime(time);
    scene().transform();
    scene().render();
  }
  void bindAndFrame() {
    bind();
    frame();
  }

  std::unique_ptr<S3DScene> pScene;
  GuardedScreen screen;
  ViewPort viewPort;
};

// --- The load path, for what only loading builds (the parent links, the sorted lists) ---

inline l3x::Xyz xyz(Vec3 p) {
  return {p.x, p.y, p.z};
}

// A mesh record: head, material index, vertices, faces, sub-material words, sorted flag.
inline l3x::Bytes meshRecord(const l3x::Head& head, uint16_t material,
                             const std::vector<Vec3>& vertices, const std::vector<Face>& faces,
                             const std::vector<uint16_t>& subMaterialWords = {},
                             int32_t sorted = 0) {
  std::vector<l3x::Xyz> points;
  for (const Vec3& p : vertices)
    points.push_back(xyz(p));
  std::vector<l3x::Bytes> faceChunks{l3x::faceVertices({faces.begin(), faces.end()})};
  if (!subMaterialWords.empty()) faceChunks.push_back(l3x::faceSubMaterials(subMaterialWords));
  return l3x::mesh({l3x::head(head), l3x::materialIndex(material),
                    l3x::geometry({l3x::vertices(points)}), l3x::faces(std::move(faceChunks)),
                    l3x::intChunk(2105, sorted)});
}

// A sub-material record with the drawing properties shadingType (12), opacity (14) and one
// colour for the dark, base and highlight colours (17, 18, 19).
inline l3x::Bytes subMaterialRecord(int32_t shadingType, float opacity, Vec3 colour) {
  return l3x::subMaterial(
      "sub", {l3x::drawing({l3x::intChunk(12, shadingType), l3x::floatChunk(14, opacity),
                            l3x::pointChunk(17, xyz(colour)), l3x::pointChunk(18, xyz(colour)),
                            l3x::pointChunk(19, xyz(colour))})});
}

// A camera record at the origin looking along +z.
inline l3x::Bytes cameraRecord() {
  return l3x::camera(
      {.head = {.name = "camera"},
       .target = l3x::Head{.name = "camera.target", .position = l3x::Xyz{0, 0, 1000}}});
}

inline std::unique_ptr<S3DScene> loadScene(const l3x::Bytes& file) {
  auto pScene = std::make_unique<S3DScene>();
  ChunkFileReaderManager manager(std::span<const uint8_t>(file), StringC("test.l3x"));
  pScene->load(manager);
  return pScene;
}

}  // namespace s3d_render
