#pragma once
// S3DShape: objects drawn as points, lines or screen images rather than shaded triangles, in
// three kinds: points and lines (1), particles from emitters (2) and sprites (3). The kind byte of
// the shape record chooses the class; chunk 10 holds the kind's parameters.

#include <cstdint>
#include <memory>
#include <vector>

#include "s3d/s3d_vertex_object.h"

class ChunkFileReader;
class ChunkFileReaderManager;
class S3DCamera;

class S3DShape : public S3DVertexObject {
 public:
  enum Kind : uint8_t { kPoints = 1, kParticles = 2, kSprite = 3 };

  explicit S3DShape(uint8_t kind) : m_kind(kind) {}
  uint8_t getKind() const { return m_kind; }

  // The head's and the modifiers' tracks; the camera is the scene's current one.
  virtual void animate(float time, const S3DCamera* pCamera);
  // Reads the kind's parameters (chunk 10); nothing for kinds without any.
  virtual void loadKindParameters(ChunkFileReader&, ChunkFileReaderManager&) {}

 protected:
  std::string_view caption() const override { return "S3DShape warning: "; }

 private:
  uint8_t m_kind;
};

// Kind 1: the shape's vertices drawn as points, its edge pairs as lines.
class S3DShapePoints final : public S3DShape {
 public:
  S3DShapePoints() : S3DShape(kPoints) {}
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

// Kind 3: the material's texture drawn at the projected origin of the head.
//   10: 11, 12 floats; 13, 14, 15 ints: the selectors of the horizontal zoom, the vertical zoom
//       and the angle (0, 1 or 2 each).
class S3DShapeSprite final : public S3DShape {
 public:
  S3DShapeSprite() : S3DShape(kSprite) {}
  void loadKindParameters(ChunkFileReader& chunk, ChunkFileReaderManager& manager) override;

  float m_value11 = 1.0f;
  float m_value12 = 1.0f;
  int32_t m_selectors[3]{};
};

// A new shape of `kind`; null for a kind other than 1, 2 or 3.
std::unique_ptr<S3DShape> createShape(int kind);
