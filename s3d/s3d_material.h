#pragma once
// Materials: S3DMaterial is a named list of S3DSubMaterial; a face paints with one sub-material.
// A sub-material carries its drawing properties (with the 256-colour shading table built from
// three colours), optional line properties, a texture layer and up to three map layers.

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "base/string_c.h"
#include "raster/raster_material.h"
#include "s3d/s3d_math.h"
#include "s3d/s3d_texture.h"
#include "s3d/s3d_track.h"

// A texture taken from a window of a picture (u, v, w, h: fractions of its size), resampled to
// 256 x 256; the points of a mesh are drawn as images of it.
//   1: 10 int enabled, 11 int flags, 12 the picture (string file name, floats u, v, w, h),
//      13 float point size, 14 to 18 kept as read.
struct S3DTextureLayer {
  int32_t m_enabled = 0;
  int32_t m_flags = 0;
  StringC m_fileName{"NULL"};
  float m_u = 0.0f;
  float m_v = 0.0f;
  float m_w = 1.0f;
  float m_h = 1.0f;
  // Size of the images drawn at points.
  float m_pointSize = 0.0f;
  std::array<int32_t, 5> m_values{};
  // Loaded after the layer is read; empty when the file names none.
  std::unique_ptr<S3DTexture32> m_pTexture;
};

// A picture mapped through an optional coordinate transform (offset, tiling, angle, wrap).
struct S3DMapLayer {
  void animate(float time);
  // The layer's coordinate transform, when m_uvTransform is set: (u, v) turned by m_angle (radians)
  // about the picture's centre (0.5, 0.5), then tiled and offset: u' = (x' + 0.5) tileU + offsetU
  // with x' = (u - 0.5) cos - (v - 0.5) sin, and v' likewise with y' = (u - 0.5) sin + (v - 0.5)
  // cos; with m_wrap set only the fractional parts are kept. Unchanged otherwise.
  void transformUV(float& u, float& v) const;

  StringC m_fileName{"NULL"};
  int32_t m_enabled = 0;
  // How the textured drawers combine texel and colour.
  int32_t m_combination = 0;
  int32_t m_uvTransform = 0;
  float m_offsetU = 0.0f;
  float m_offsetV = 0.0f;
  float m_tileU = 1.0f;
  float m_tileV = 1.0f;
  float m_angle = 0.0f;
  int32_t m_wrap = 0;
  // Non-zero: the layer feeds the mesh's "opacityMap" channel.
  int32_t m_opacityMap = 0;
  float m_amount = 1.0f;
  int32_t m_value22 = 0;
  std::vector<float> m_list23;
  // Kept as read: 24 to 29.
  std::array<float, 6> m_values{};
  FloatTrack m_pOffsetUTrack;
  FloatTrack m_pOffsetVTrack;
  FloatTrack m_pTileUTrack;
  FloatTrack m_pTileVTrack;
  FloatTrack m_pAngleTrack;
  FloatTrack m_pAmountTrack;
  FloatTrack m_pValue24Track;
  FloatTrack m_pValue25Track;
  // Loaded after the layer is read (parameter 10: a power-of-two picture, or a video); empty when
  // the file names none.
  std::unique_ptr<S3DTexture32> m_pTexture;
};

// How the mesh's edge pairs are drawn as lines.
struct S3DLineProperties {
  int32_t m_enabled = 0;
  // 0x00RRGGBB.
  int32_t m_color = 0xFFFFFF;
  int32_t m_blendMode = 0;
  float m_opacity = 1.0f;
  float m_width = 1.0f;
  int32_t m_antialias = 0;
  int32_t m_value16 = 0;
  PointTrack m_pColorTrack;
};

class S3DSubMaterial {
 public:
  // Shading types that select a drawing mode; any other value is Gouraud shading.
  enum ShadingType : int32_t {
    kShadingOpacityWeighted = 20,
    kShadingFlat = 100,
    kShadingTexture = 200,
    kShadingPerspective = 201,
  };
  enum BlendMode : int32_t { kBlendNormal = 0, kBlendSubtract = 3 };
  enum ColorIndex { kColorDark, kColorBase, kColorHighlight, kNbColor };
  static constexpr int kDefaultKnee = 191;

  S3DSubMaterial();
  ~S3DSubMaterial();
  S3DSubMaterial(S3DSubMaterial&&) noexcept;
  S3DSubMaterial& operator=(S3DSubMaterial&&) noexcept;

  // Clamped to [0, 1]; a change sets the changed flag.
  void setOpacity(float opacity);
  // RGB in 0..1, or on the 0..255 scale when a component is above 1.
  void setColor(int index, Vec3 color);
  // In (0, 1) it moves the knee of the colour ramp; other values keep 191.
  void setPaletteParam(float value);
  // Evaluates the opacity and colour tracks and the map layers' tracks; videos move to the frame
  // of `time` (scene frames) and the texture is chosen again.
  void animate(float time);
  // The texture of the textured drawers: the map layer's, else the texture layer's.
  void selectTexture();
  // The shading table: a ramp through the three colours, c1 at 0, c2 at the knee, c3 at 255.
  void buildColorTable();
  // Once a frame before drawing: when a colour, the opacity or the palette parameter changed,
  // the shading table and the drawers' choices are rebuilt and the changed flag cleared.
  void prepare();
  int getKnee() const;

  int32_t m_changed = 1;
  StringC m_name{"NULL"};
  // Drawing properties.
  int32_t m_polygonsEnabled = 1;
  int32_t m_twoSided = 0;
  int32_t m_shadingType = 0;
  int32_t m_blendMode = kBlendNormal;
  float m_opacity = 1.0f;
  int32_t m_textureOption = 0;
  int32_t m_value16 = 0;
  Vec3 m_colors[kNbColor]{};
  float m_paletteParam = 0.0f;
  int32_t m_value21 = 0;
  FloatTrack m_pOpacityTrack;
  PointTrack m_pColorTracks[kNbColor];
  // What the drawers read: the shading table (built from the three colours), the opacity, the
  // texture and each drawer's span filler member. Rebuilt by prepare when a value changed.
  RasterMaterial m_raster;
  // The texture of the textured drawers this frame, not owned: the map layer's when it has one,
  // else the texture layer's (the frame of a video for the scene's time); null without texture.
  const RasterTexture* m_pTexture = nullptr;
  // The first layer maps a per-vertex opacity; the second is applied over Gouraud shading.
  std::unique_ptr<S3DMapLayer> m_pLayer1;
  std::unique_ptr<S3DMapLayer> m_pLayer2;
  // Present when the file gives the line block.
  std::unique_ptr<S3DLineProperties> m_pLine;
  std::unique_ptr<S3DTextureLayer> m_pTextureLayer;
  // The map that textured drawing uses.
  std::unique_ptr<S3DMapLayer> m_pMapLayer;
};

class S3DMaterial {
 public:
  int32_t getNbSubMaterial() const { return static_cast<int32_t>(m_subMaterials.size()); }
  void animate(float time);

  StringC m_name{"NULL"};
  std::vector<S3DSubMaterial> m_subMaterials;
};

// A file colour in 0..1: one with a component above 1 is on the 0..255 scale.
Vec3 colorFromFile(Vec3 color);
