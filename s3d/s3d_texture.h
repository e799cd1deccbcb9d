#pragma once
// Textures of scenes: S3DTexture32, a picture (a window of it resampled to 256 x 256 with its
// tiled copy, or a power-of-two picture unchanged) or a video, and S3DTextureAvi, a video's frames
// decoded once at load and kept as 256 x 256 textures, so that a frame switch costs nothing.

#include <cstdint>
#include <memory>
#include <vector>

#include "base/string_c.h"
#include "raster/raster_material.h"

class S3DTextureAvi {
 public:
  // Decodes the video; a video without frames reports "no frame" (caption
  // "S3DTextureAvi warning: ") and loads nothing. False when nothing was loaded.
  bool load(const StringC& fileName);
  int32_t getNbFrame() const { return static_cast<int32_t>(m_frames.size()); }
  // Milliseconds a frame.
  int32_t getFrameDuration() const { return m_frameDuration; }
  // Frame i modulo the frame count (a negative i counts back); null without frames.
  const RasterTexture* frame(int32_t i) const;

 private:
  std::vector<RasterTexture> m_frames;
  int32_t m_frameDuration = 0;
};

class S3DTexture32 {
 public:
  // A window of a picture: it starts at (trunc(W u), trunc(H v)) and is trunc(W w) x trunc(H h)
  // texels of the W x H picture, resampled to 256 x 256 with its tiled copy. "NULL" loads
  // nothing; a name with ".avi" loads the video (frame 0 at first). A window of width or height
  // below 1 reports "load u v w h: bad dimension" (caption "S3DTexture32 warning !"); a window
  // reaching past the picture is cut at its edges.
  void load(const StringC& fileName, float u, float v, float w, float h);
  // A map layer's picture, unchanged: both sizes must be powers of two ("width is not a power of
  // 2", then "height is not a power of 2"), else the texture stays empty. A video is loaded as a
  // video texture.
  void load(const StringC& fileName);
  // The frame of a video texture for `time` (milliseconds); nothing for a picture.
  void setTime(float time);

  // What the drawers read; null while the texture is empty.
  const RasterTexture* getRaster() const;
  bool isVideo() const { return m_pAvi != nullptr; }
  const S3DTextureAvi* getVideo() const { return m_pAvi.get(); }

 private:
  // Loads the video of `fileName` when the name is one; true when it was one.
  bool loadVideo(const StringC& fileName);

  RasterTexture m_raster;
  std::unique_ptr<S3DTextureAvi> m_pAvi;
  const RasterTexture* m_pFrame = nullptr;
};
