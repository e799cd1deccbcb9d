#pragma once
// S3DDrawManager: what a scene draws with during one render: the camera, the viewport's screen and
// depth buffer, and one polygon drawer per drawing routine.

#include "raster/poly_drawers.h"
#include "s3d/s3d_tri_object.h"

class CImage32;
class S3DCamera;
class ViewPort;

class S3DDrawManager {
 public:
  // Binds the frame's camera and viewport and resets every drawer (no material). A missing camera
  // ("pCamera NULL"), viewport ("pViewPort NULL") or screen ("pScreen NULL") is reported and the
  // frame draws nothing: false.
  bool begin(const S3DCamera* pCamera, ViewPort* pViewPort);
  // Drops the frame's bindings (nothing is drawn until the next begin).
  void end();
  bool isDrawing() const { return m_pCamera != nullptr; }

  // setMaterial on the drawer of `mode` (the textured drawers take the material's texture).
  void bindMaterial(S3DDrawMode mode, const RasterMaterial& material);
  // Draws a projected polygon with the drawer of `mode`: per vertex x, y, 1/z and the mode's
  // values; `level` is the flat shading level of the flat and texture-colour drawers.
  void drawPolygon(S3DDrawMode mode, const float* pVertices, int count, int level);

  const S3DCamera* getCamera() const { return m_pCamera; }
  int32_t getWidth() const { return m_width; }
  int32_t getHeight() const { return m_height; }
  // The frame's screen and the view port's depth buffer (null when it draws without one); null
  // outside begin ... end.
  CImage32* getScreen() const { return m_pScreen; }
  const ZBuffer* getZBuffer() const;

  FlatPolyFiller m_flat;
  GouraudPolyFiller m_gouraud;
  VertexAlphaPolyFiller m_vertexAlpha;
  TexShadePolyFiller m_texShade;
  TexturePolyFiller m_texture;
  TexColorPolyFiller m_texColor;
  PerspectivePolyFiller m_perspective;

 private:
  const S3DCamera* m_pCamera = nullptr;
  ViewPort* m_pViewPort = nullptr;
  CImage32* m_pScreen = nullptr;
  int32_t m_width = 0;
  int32_t m_height = 0;
};
