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
  // SPEANIM: the time of the shape's own animation (the emitters of a particle shape); nothing
  // for the other kinds.
  virtual void animateEmitters(float time) { (void)time; }
  // Reads the kind's parameters (chunk 10); nothing for kinds without any.
  virtual void loadKindParameters(ChunkFileReader&, ChunkFileReaderManager&) {}
  // Each frame, for a visible shape, as a mesh's: the modifier stack in object space, the
  // vertices to camera space (object · view in one matrix), the world-space modifiers, projection.
  virtual void transform(const S3DCamera& camera);
  // Once after loading: the modifier scratch; the kinds add their line and point lists.
  virtual void prepare();
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

  // This frame's, set by setFrame: active from the start frame on; elapsed := frame - start;
  // nbActive := trunc(elapsed · rate), the particles emitted so far; phase := (elapsed modulo
  // period) · rate, those of the current cycle. A period or rate that is not positive and finite
  // emits nothing (count and phase 0) and divides by nothing.
  bool active = false;
  float elapsed = 0.0f;
  int64_t nbActive = 0;
  float phase = 0.0f;
  void setFrame(float frame);
  // Whether the period and rate make particles at all.
  bool emits() const;
  // At most this many of its particles are alive at once: ceil(period · rate) + 1 (one more for
  // the rounding of the window ends); 0 for an emitter that emits nothing.
  int64_t maxAlive() const;
};

// Kind 2: particles from emitters.
//   10: 20 word count, children 21 (1 float start frame, 2 float period, 3 float rate)
//
// A fountain laid out in the shape's own (object) space, which the head places, turns and scales:
// - Particle k of an emitter (k = 0, 1, ...) is born at frame start + (k + 1) / rate, from the
//   shape's vertex k mod nbVertex as the modifier stack leaves it this frame, and lives one period:
//   the particles alive are k in [trunc((elapsed - period) · rate), nbActive).
// - Its velocity is kSpeed object units per frame along the object's +y, spread sideways by up to
//   kSpread of that along x and z and slowed by up to kSpeedJitter, the three draws coming from
//   CrtRand seeded by (the shape's seed, emitter, k): the same particle always flies the same way.
//   The seed is a hash of the shape's name, so two fountains of one scene differ but every run is
//   the same. Gravity g := 2 v.y / period along -y brings a particle back to its birth height as
//   it dies: p(age) = origin + v · age - (0, g age² / 2, 0), y rising v.y · age · (1 - age /
//   period).
// - Every particle is computed from the frame alone (closed form, never integrated), so a frame
//   rendered alone equals the same frame in a run.
// - World-space modifiers bound to the shape (the space warp among them) then deform the particles
//   in camera space, each weighted as the vertex it came from.
// - Over its life u := age / period a particle's point shrinks to half its size (size factor
//   1 - u / 2) and fades out in its last quarter (opacity factor min(1, 4 (1 - u))).
// - Points: one per live particle, with the texture of the first sub-material whose texture layer
//   is enabled. Lines: for each edge pair (a, b) of the shape, a segment between the particles of
//   vertices a and b of the same generation (k / nbVertex) of an emitter, when both are alive;
//   drawn in the line colour of the first sub-material with lines enabled.
// - Points and lines are sorted together by key (z; the mean z of a line less 10), farthest
//   first, and drawn in that order.
// - The arrays are made at prepare for the most particles the emitters can keep alive, at most
//   kMaxParticle (more is reported once; the first emitters keep theirs); frames allocate nothing.
class S3DShapeParticles final : public S3DShape {
 public:
  static constexpr int64_t kMaxParticle = 100000;
  // Object units per emitter frame along +y; the head's scale sizes the fountain.
  static constexpr float kSpeed = 1.0f;
  // Sideways speed, at most this fraction of kSpeed along x and along z.
  static constexpr float kSpread = 0.25f;
  // A particle's speed is kSpeed · (1 - kSpeedJitter · a draw in [0, 1]).
  static constexpr float kSpeedJitter = 0.25f;

  S3DShapeParticles() : S3DShape(kParticles) {}
  void loadKindParameters(ChunkFileReader& chunk, ChunkFileReaderManager& manager) override;
  // The head's and modifiers' tracks, and every emitter at frame time · 30.
  void animate(float time, const S3DCamera* pCamera) override;
  void animateEmitters(float time) override;
  // The arrays for the most particles alive, the seed and the draw materials.
  void prepare() override;
  // Modifier stack, live particles in object space, to camera space, world-space modifiers,
  // projection, keys and the depth sort.
  void transform(const S3DCamera& camera) override;
  // The sorted points and lines.
  void draw(S3DDrawManager& drawManager) const override;
  S3DItemVertices itemVertices() const override;

  // The object-space position of particle k of emitter `emitter` at its age (frames), and its
  // velocity; the emitter's period gives the gravity.
  Vec3 particlePosition(std::size_t emitter, int64_t k, float age) const;
  Vec3 particleVelocity(std::size_t emitter, int64_t k) const;

  std::vector<S3DEmitter> m_emitters;
  uint32_t m_seed = 0;

  // A point (index >= 0: the live particle) or a line (index < 0: line ~index) with its key.
  struct Item {
    float key = 0.0f;
    int32_t index = 0;
  };
  // This frame's live particles: m_nbLive of each array (capacity m_capacity), and their items
  // sorted farthest first.
  int32_t m_nbLive = 0;
  int32_t m_nbLine = 0;
  int32_t m_nbItem = 0;
  std::vector<Vec3> m_particleObject;
  std::vector<Vec3> m_particleCamera;
  std::vector<S3DScreenVertex> m_particleScreen;
  std::vector<int32_t> m_particleVertex;
  std::vector<float> m_particleLife;
  std::vector<Vec3> m_particleScratch;
  std::vector<S3DLineItem> m_particleLines;
  // The edge pairs that name vertices, when a sub-material draws lines (made at prepare).
  std::vector<std::array<int32_t, 2>> m_particlePairs;
  std::vector<Item> m_items;

 private:
  // The live particles of every emitter into the arrays, and their lines.
  void emitParticles();
  std::size_t m_capacity = 0;
  std::size_t m_lineCapacity = 0;
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
