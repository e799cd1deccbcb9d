#pragma once
// The line and point items of a vertex object (a mesh's or a point-and-line shape's edge pairs and
// vertices, or what a particle shape makes of its particles) and the routines that draw them.
//
// Lines: one-pixel segments in the line colour of their sub-material (which LINEOPACITY scales),
// clipped in camera space by the near and four side planes, depth-tested (raster/line_drawer.h).
// Points: the texture layer's picture drawn at the projected vertex with the scaled blit, about
// size := pointSize · scaleX / z pixels across, the size kept in [kMinPointSize, kMaxPointSize]
// (so that far points stay visible and points nearing the camera do not fill the screen); points
// at or in front of the near plane are not drawn, and points have no depth test.

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "s3d/s3d_vertex_object.h"

class S3DDrawManager;
class S3DMaterial;
class S3DSubMaterial;

// A segment between two vertices of the object.
struct S3DLineItem {
  int32_t a = 0;
  int32_t b = 0;
};

// What the items are drawn from this frame: the object's camera-space positions and screen
// records, one per vertex.
struct S3DItemVertices {
  std::span<const Vec3> camera;
  std::span<const S3DScreenVertex> screen;

  const Vec3& cameraAt(int32_t i) const { return camera[static_cast<std::size_t>(i)]; }
  const S3DScreenVertex& screenAt(int32_t i) const { return screen[static_cast<std::size_t>(i)]; }
};

class S3DLinePointLists {
 public:
  static constexpr float kMinPointSize = 1.0f;
  static constexpr float kMaxPointSize = 256.0f;
  // A line's sort key is the mean z of its ends less this, so that a line is drawn after the
  // faces it lies on.
  static constexpr float kLineKeyOffset = 10.0f;

  // Lines (one per edge pair whose two indices name vertices) when a sub-material of the material
  // has its line properties enabled: the first such one draws them. Points (one per vertex) when a
  // sub-material has its texture layer enabled: the first such one draws them. Nothing without
  // material.
  void build(const S3DMaterial* pMaterial, std::span<const std::array<int32_t, 2>> edgePairs,
             int32_t nbVertex);
  bool empty() const { return m_lines.empty() && m_points.empty(); }

  // Sort keys of the current frame.
  static float lineKey(const S3DItemVertices& v, const S3DLineItem& line);
  static float pointKey(const S3DItemVertices& v, int32_t vertex) { return v.cameraAt(vertex).z; }

  void drawLines(S3DDrawManager& drawManager, const S3DItemVertices& v) const;
  void drawPoints(S3DDrawManager& drawManager, const S3DItemVertices& v) const;
  void drawLine(S3DDrawManager& drawManager, const S3DItemVertices& v,
                const S3DLineItem& line) const;
  // sizeFactor scales pointSize before the clamp; opacityFactor scales the sub-material's opacity
  // (particles shrink and fade over their life).
  void drawPoint(S3DDrawManager& drawManager, const S3DItemVertices& v, int32_t vertex,
                 float sizeFactor = 1.0f, float opacityFactor = 1.0f) const;

  std::vector<S3DLineItem> m_lines;
  // Vertex indices.
  std::vector<int32_t> m_points;
  const S3DSubMaterial* m_pLineMaterial = nullptr;
  const S3DSubMaterial* m_pPointMaterial = nullptr;
};

// The blit mode, opacity and filter of a sub-material's pictures (sprites and points): blendMode
// 1 adds, 3 subtracts, any other mixes by the opacity; a non-zero textureOption filters.
struct S3DBlitStyle {
  int mode = 0;
  float alpha = 1.0f;
  int filter = 0;
};
S3DBlitStyle blitStyleOf(const S3DSubMaterial& sub);
