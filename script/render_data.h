#pragma once
// Render sources: what a write operation ("w") draws into a layer. Each knows its size and is
// told, before every drawing, the script time and its local time (time since the start of the
// running write operation).

#include <cstdint>
#include <memory>

#include "image/cimage32.h"
#include "script/script_object.h"

class LECXController;
class LECXControllerL3XParamManager;
class PixelBudget;
class S2DScene;
class S3DScene;
class ViewPort;

class RenderData : public ScriptObject {
 public:
  // Draws the source into pDst.
  virtual void render(CImage32* pDst) = 0;
  // Only 3D descriptors accept a controller; the others ignore it.
  virtual void setController(LECXController* pController) { (void)pController; }
  // The image of screen layers and images (mix sources and alpha maps); null for the others.
  virtual CImage32* getBuffer() { return nullptr; }

  LECXController* getController() const { return m_pController; }
  void setTimes(std::int32_t time, std::int32_t localTime) {
    m_time = time;
    m_localTime = localTime;
  }
  std::int32_t getTime() const { return m_time; }
  std::int32_t getLocalTime() const { return m_localTime; }
  const ScriptLayerDim& getDimension() const { return m_dimension; }
  // Copies the name, width and height of a layer dimension (nothing when it is null).
  void setDimension(const ScriptLayerDim* pDim);

 protected:
  std::int32_t m_time = 0;
  std::int32_t m_localTime = 0;
  LECXController* m_pController = nullptr;
  ScriptLayerDim m_dimension;
};

// SCREEN_LAYER: an off-screen image of the layer's dimension.
class RenderDataScreenLayer : public RenderData {
 public:
  void render(CImage32* pDst) override;
  CImage32* getBuffer() override { return m_pBuffer.get(); }
  // Makes the buffer of the dimension's size, taken from the script's budget; a zero (or
  // unusable) size, or one the budget cannot hold, is reported and the old buffer stays.
  void createBuffer(PixelBudget& budget);

 private:
  std::unique_ptr<CImage32Buffered> m_pBuffer;
};

// An IMAGE entry as a source: its picture, owned by the image entry.
class RenderDataImage : public RenderData {
 public:
  void render(CImage32* pDst) override;
  CImage32* getBuffer() override { return m_pBuffer; }
  void setBuffer(CImage32* pBuffer) { m_pBuffer = pBuffer; }

 private:
  CImage32* m_pBuffer = nullptr;
};

// 2D_DESC and 3D_DESC: a scene drawn at its animation frame. The frame is
// fmod((timeOffset + localTime) * 0.001 * 30, length): 30 frames a second from the start of the
// write operation, shifted by the offset, looping over the scene's length.
class RenderDataSceneDesc : public RenderData {
 public:
  // Dependencies of the LAYER_DEPENDENCY section are accepted and not kept.
  void addDependency(RenderData* pScreenLayer, const StringC& word) {
    (void)pScreenLayer;
    (void)word;
  }
  void setTimeOffset(std::int32_t ms) { m_timeOffset = ms; }
  void setCamera(std::int32_t camera) { m_camera = camera; }
  std::int32_t getTimeOffset() const { return m_timeOffset; }
  std::int32_t getCamera() const { return m_camera; }
  // The animation frame at the current local time for a scene of `length` frames; nothing for
  // a scene without length, which is not drawn.
  bool animationFrame(std::int32_t length, float& frame) const;

 protected:
  std::int32_t m_timeOffset = 0;
  std::int32_t m_camera = 0;
};

class RenderData2DDesc : public RenderDataSceneDesc {
 public:
  // Draws the scene at the animation frame of the local time, through camera number m_camera
  // modulo the scene's camera count. A scene that is missing or has no length draws nothing.
  void render(CImage32* pDst) override;
  void setScene(S2DScene* pScene) { m_pScene = pScene; }
  S2DScene* getScene() const { return m_pScene; }

 private:
  S2DScene* m_pScene = nullptr;
};

class RenderData3DDesc : public RenderDataSceneDesc {
 public:
  RenderData3DDesc();
  ~RenderData3DDesc() override;
  // Takes scene controllers (id 2) and makes this descriptor's scene their target (none when the
  // scene was not found, which their bind reports); another kind is reported under
  // "3D_DESC <name> :".
  void setController(LECXController* pController) override;
  // Draws the scene at the animation frame of the local time into pDst, through the viewport
  // (depth buffer cleared first); the controller writes its parameters before the transform. A
  // scene that is missing or has no length draws nothing.
  void render(CImage32* pDst) override;

  // The scene shown (not owned; null when the resource was not found). Its depth-buffer flag
  // switches the viewport's depth buffer.
  void setScene(S3DScene* pScene);
  S3DScene* getScene() const { return m_pScene; }
  // The viewport, sized from the layer dimension.
  ViewPort& getViewPort() { return *m_pViewPort; }
  // Gives the viewport the dimension's size (a size of 0 is reported by the viewport; one the
  // script's budget cannot hold is reported and leaves the viewport without size).
  void createViewPort(PixelBudget& budget);

 private:
  S3DScene* m_pScene = nullptr;
  std::unique_ptr<ViewPort> m_pViewPort;
  // What the scene controller resolves its parameters against: this descriptor's scene.
  std::unique_ptr<LECXControllerL3XParamManager> m_pSceneTarget;
};

// SKYBOX_DESC: linked to its resources, draws nothing.
class RenderDataSkyBoxDesc : public RenderData {
 public:
  void render(CImage32* pDst) override { (void)pDst; }
  void setNumber(std::int32_t number) { m_number = number; }
  std::int32_t getNumber() const { return m_number; }

 private:
  std::int32_t m_number = 0;
};
