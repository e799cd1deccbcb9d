#pragma once
// S3DModifierMorph (type 2): the mesh blends towards other meshes of the same vertex count
// (targets) with animated weights.
//   50: 100 target list: word count; children 101: 50 (101 string name, 102 float weight),
//       250 (301 weight track).

#include <cstdint>
#include <span>
#include <vector>

#include "s3d/s3d_modifier.h"

class S3DModifierMorph final : public S3DModifier {
 public:
  struct Target {
    StringC name{"NULL"};
    float weight = 0.0f;
    FloatTrack pWeightTrack;
    // The bound mesh's vertex positions (object space), not owned; null until bound. The count
    // travels with the pointer so that a target shorter than the mesh is never read past its end.
    const Vec3* pVertices = nullptr;
    int32_t nbVertex = 0;
  };

  S3DModifierMorph() : S3DModifier(kMorph) {}

  void load(ChunkFileReader& chunk, ChunkFileReaderManager& manager) override;
  // The weight tracks (a track without curve gives 0).
  void animate(float time) override;
  // The active list: every target with vertices whose weight is above 0.01, in target order.
  void prepare(const S3DCamera& camera) override;
  // Object space: p + sum over the active targets of weight · (target[i] - p), every term from the
  // same incoming p.
  void deform(std::span<const Vec3> in, std::span<Vec3> out, int32_t firstIndex) const override;

  // Replaces the targets with nbTarget empty ones; fewer than 1 reports "create: nbTarget <= 0".
  void create(int32_t nbTarget);
  int32_t getNbTarget() const { return static_cast<int32_t>(m_targets.size()); }
  // An empty name (reported) for a target that does not exist.
  StringC getTargetName(int32_t index) const;
  // Binds target `index` to a mesh's vertex positions; reports "setTargetVertex: not so much
  // target" for a target that does not exist.
  void setTargetVertex(int32_t index, std::span<const Vec3> vertices);

  std::vector<Target> m_targets;
  // Targets whose weight is above 0.01 this frame, in target order; its capacity is the target
  // count, so prepare never allocates.
  std::vector<int32_t> m_active;

 private:
  void loadTargetList(ChunkFileReader& chunk, ChunkFileReaderManager& manager);
};
