#pragma once
// S3DModifierMorph (type 2): the mesh blends towards other meshes of the same vertex count
// (targets) with animated weights.
//   50: 100 target list: word count; children 101: 50 (101 string name, 102 float weight),
//       250 (301 weight track).

#include <cstdint>
#include <vector>

#include "s3d/s3d_modifier.h"

class S3DModifierMorph final : public S3DModifier {
 public:
  struct Target {
    StringC name{"NULL"};
    float weight = 0.0f;
    FloatTrack pWeightTrack;
    // The bound mesh's vertex positions, not owned; null until bound.
    const std::vector<Vec3>* pVertices = nullptr;
  };

  S3DModifierMorph() : S3DModifier(kMorph) {}

  void load(ChunkFileReader& chunk, ChunkFileReaderManager& manager) override;
  // The weight tracks (a track without curve gives 0).
  void animate(float time) override;

  // Replaces the targets with nbTarget empty ones; fewer than 1 reports "create: nbTarget <= 0".
  void create(int32_t nbTarget);
  int32_t getNbTarget() const { return static_cast<int32_t>(m_targets.size()); }
  // An empty name (reported) for a target that does not exist.
  StringC getTargetName(int32_t index) const;
  void setTargetVertex(int32_t index, const std::vector<Vec3>* pVertices);

  std::vector<Target> m_targets;
  // Targets whose weight is above 0.01 this frame, in target order.
  std::vector<int32_t> m_active;

 private:
  void loadTargetList(ChunkFileReader& chunk, ChunkFileReaderManager& manager);
};
