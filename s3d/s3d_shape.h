#pragma once
// S3DShape: objects drawn as points, lines or screen images rather than shaded triangles, in
// three kinds: points and lines (1), particles from emitters (2) and sprites (3). The kind byte of
// the shape record chooses the class; chunk 10 holds the kind's parameters.

#include <cstdint>
#include <memory>
#include <vector>

#include "s3d/s3d_line_point.h"
#include "s3d/s3d_vertex_object.h"

class ChunkFileReader;
class ChunkFileReaderManager;
class S3DCamera;
class S3DDrawManager;

class S3DShape : public S3DVertexObject {
 public:
  enum Kind : uint8_t { kPoints = 1, kParticles = 2, kSprite = 3 };

  explicit S3DShape(uint8_t kind) : m_kind(kind) {}
  uint8_t getKind() const { return m_kind; }

  // The head's and the modifiers' tracks; the camera is the scene's current one.
  virtual void animate(float time, const S3DCamera* pCamera);
  // Reads the kind's parameters (chunk 10); nothing for kinds without any.
  virtual void loadKindParameters(ChunkFileReader&, ChunkFileReaderManager&) {}
  // Each frame, for a visible shape: its vertices to camera space (object · view in one matrix)
  // and projected, as a mesh's are.
  virtual void transform(const S3DCamera& camera);
  // Once after loading: the kind's line and point lists (none in the base).
  virtual void prepare() {}
  // Draws the shape into the draw manager's screen: the base draws its lines, then its points.
  virtual void draw(S3DDrawManager& drawManager) const;

  // What the line and point items index this frame: the shape's own vertices here; a particle
  // shape hands over its particles instead.
  virtual S3DItemVertices itemVertices() const { return {m_cameraVertices, m_screenVertices}; }

  S3DLinePointLists m_lists;
  // The camera of the current frame (set by transform).
  const S3DCamera* m_pCamera = nullptr;

 protected:
  std::string_view caption() const override { return "S3DShape warning: "; }

 private:
  uint8_t m_kind;
};

// Kind 1: the shape's vertices drawn as points, its edge pairs as lines.
class S3DShapePoints final : public S3DShape {
 public:
  S3DShapePoints() : S3DShape(kPoints) {}
  // A line per edge pair when a sub-material draws lines, a point per vertex when one has a
  // texture layer.
  void prepare() override;
};

// An emitter of a particle shape: from its start frame on, it emits `rate` particles per frame,
// in cycles of `period` frames.
struct S3DEmitter {
  float startFrame = 0.0f;
  float period = 0.0f;
  float rate = 0.0f;
};

// Kind 2: particles from emitters.
//   10: 20 word count, children 21 (1 float start frame, 2 float period, 3 float rate)
class S3DShapeParticles final : public S3DShape {
 public:
  S3DShapeParticles() : S3DShape(kParticles) {}
  void loadKindParameters(ChunkFileReader& chunk, ChunkFileReaderManager& manager) override;

  std::vector<S3DEmitter> m_emitters;
};

// Kind 3: the texture of the material's first sub-material drawn at the projected origin of the
// head.
//   10: 11, 12 floats; 13, 14, 15 ints: the selectors of the horizontal zoom, the vertical zoom
//       and the angle (0, 1 or 2 each).
// 11 is the sprite's zoom and 12 its angle (radians). A zoom selector picks 0: 1 (the texture's
// own size in pixels), 1: value 11, 2: value 11 · scale / z (value 11 at a distance of `scale`,
// scaleX horizontally and scaleY vertically, smaller farther away). The angle selector picks
// 0: 0, 1: value 12, 2: the head's turn about the view axis as the camera sees it (the angle of
// its x axis on the screen). Any other selector value picks as 0.
class S3DShapeSprite final : public S3DShape {
 public:
  S3DShapeSprite() : S3DShape(kSprite) {}
  void loadKindParameters(ChunkFileReader& chunk, ChunkFileReaderManager& manager) override;
  // The head's origin in camera space, projected: sx = x · scaleX / z + centerX,
  // sy = centerY - y · scaleY / z (z = 0 divides by 0 all the same: the sprite is then not drawn);
  // then the zooms and the angle.
  void transform(const S3DCamera& camera) override;
  // Nothing without material, sub-material or texture, or with z < 0. Angle 0: the scaled blit
  // about the screen position; any other angle: blitRotation; both with the sub-material's
  // blendMode, opacity and textureOption.
  void draw(S3DDrawManager& drawManager) const override;

  float m_value11 = 1.0f;
  float m_value12 = 1.0f;
  int32_t m_selectors[3]{};
  // This frame's.
  float m_screenX = 0.0f;
  float m_screenY = 0.0f;
  float m_z = -1.0f;
  float m_zoomX = 1.0f;
  float m_zoomY = 1.0f;
  float m_angle = 0.0f;
};

// A new shape of `kind`; null for a kind other than 1, 2 or 3.
std::unique_ptr<S3DShape> createShape(int kind);
