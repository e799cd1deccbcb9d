#pragma once
// S2DScene: flat sprites placed in 3D space and seen through an animated camera. Each object has
// a transform head like a 3D scene object and a material naming a picture (or a video), an
// optional alpha map, a mix mode, a filter flag and an animated opacity; rendering projects each
// object's position through the camera and draws its picture there, rotated or scaled.
//
// The file is a chunk file whose root chunk (id 0x2D2D) holds, as its own fields in this order:
//   word animation length (frames); word object count, then one word per object: its material
//   index; word camera count; word material count, then per material: string name, byte mix mode
//   (1 additive, 2 subtractive, other normal), string picture file, byte filter (non-zero:
//   bilinear), string alpha-map file ("NULL": none), one byte (kept).
// and as children, in order: per camera a field-of-view track chunk (10) and a roll track chunk
// (11); per material an opacity track chunk (20). Optional heads, after them: chunk 30 with one
// head chunk (1, as in scene files) per object in object order, and chunk 40 with one chunk 41
// per camera holding its head (1) and its target's head (2). Without them the heads keep their
// defaults.

#include <cstdint>
#include <memory>
#include <vector>

#include "base/string_c.h"
#include "image/cimage32.h"
#include "s3d/s3d_node.h"

class CAvi;
class ChunkFileReaderManager;

// A picture source: a still picture, or a video at its current frame.
class S2DPicture {
 public:
  S2DPicture();
  ~S2DPicture();
  S2DPicture(S2DPicture&&) noexcept;
  S2DPicture& operator=(S2DPicture&&) noexcept;
  // "NULL" loads nothing; a name with ".avi" loads the video.
  void load(const StringC& fileName);
  // A video shows frame trunc(frame) modulo its frame count.
  void setFrame(float frame);
  // Null when nothing is loaded.
  const CImage32* image() const;

 private:
  std::unique_ptr<CImage32FromData> m_pPicture;
  std::unique_ptr<CAvi> m_pVideo;
  int32_t m_frame = 0;
};

struct S2DMaterial {
  StringC name{"NULL"};
  // As the blits take it: 0 normal, 1 additive, 3 subtractive.
  int32_t mode = 0;
  int32_t filter = 0;
  uint8_t value = 0;
  StringC pictureFile{"NULL"};
  StringC alphaMapFile{"NULL"};
  S2DPicture picture;
  S2DPicture alphaMap;
  float opacity = 1.0f;
  FloatTrack pOpacityTrack;
};

class S2DObject final : public S3DNode {
 public:
  uint16_t m_materialIndex = 0;
  // Null when the index is out of range: the object is never drawn.
  S2DMaterial* m_pMaterial = nullptr;
};

class S2DCamera final : public S3DNode {
 public:
  static constexpr float kDefaultFov = 90.0f;
  S2DCamera();
  // The viewport's size; the centre and the scales follow: scaleX = cot(fov / 2) · width / 2,
  // scaleY = cot(fov / 2) · height.
  void setViewport(int32_t width, int32_t height);
  void setFov(float degrees);
  // Both heads, the field of view and the roll at `time` (frames).
  void animate(float time);

  S3DNode m_target;
  FloatTrack m_pFovTrack;
  FloatTrack m_pRollTrack;
  // The field of view in degrees; the roll in radians, as 3D cameras have it.
  float m_fov = kDefaultFov;
  float m_roll = 0.0f;
  int32_t m_width = 0;
  int32_t m_height = 0;
  float m_centerX = 0.0f;
  float m_centerY = 0.0f;
  float m_scaleX = 0.0f;
  float m_scaleY = 0.0f;
  Matrix44 m_viewMatrix = identity();

 private:
  void buildScales();
};

class S2DScene {
 public:
  // Reads the file and loads every picture and video; a file without cameras reports
  // "loadCamera: no camera found" (caption "S2DScene :") and never renders.
  bool load(const StringC& fileName);
  bool load(ChunkFileReaderManager& manager);

  int32_t getAnimLength() const { return m_animLength; }
  int32_t getNbCamera() const { return static_cast<int32_t>(m_cameras.size()); }
  // index modulo the camera count; nothing without cameras.
  void setCamera(int32_t index);
  // Animates heads, cameras and materials at `time` (frames).
  void setTime(float time);
  // Draws every object with a material and a picture into pDst through the current camera.
  void render(CImage32* pDst);

  int32_t m_animLength = 0;
  std::vector<S2DObject> m_objects;
  std::vector<S2DCamera> m_cameras;
  std::vector<S2DMaterial> m_materials;
  int32_t m_currentCamera = 0;

 private:
  // The heads' world matrices: local matrices, then parents (found by name among the objects
  // and cameras) before children.
  void transformHeads();
  void linkParents();

  std::vector<S3DNode*> m_links;
};
