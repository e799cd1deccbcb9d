#pragma once
// ViewPort: where a scene renders: a screen image (not owned) and, when enabled, a depth buffer of
// the screen's size (1/z in 0.32 fixed point, 0 = far).

#include <cstdint>
#include <vector>

#include "raster/poly_filler.h"

class CImage32;

class ViewPort {
 public:
  static constexpr int32_t kDefaultWidth = 512;
  static constexpr int32_t kDefaultHeight = 256;

  ViewPort();

  // A size of 0 or less reports "setScreen: width <= 0" / "setScreen: height <= 0" and changes
  // nothing; the same size does nothing; otherwise a depth buffer already made follows.
  void setScreen(int32_t width, int32_t height);
  // setScreen(image size), then the image becomes the screen (none when its size was refused).
  void setScreen(CImage32* pScreen);
  // Off deletes the depth buffer; on makes it at the screen size at the next clear.
  void enableZBuffer(bool enabled);
  // Sets every depth cell to 0 (far), making the buffer when it is enabled and not made yet.
  void clear();

  int32_t getWidth() const { return m_width; }
  int32_t getHeight() const { return m_height; }
  CImage32* getScreen() const { return m_pScreen; }
  bool isZBufferEnabled() const { return m_zBufferEnabled; }
  // The depth buffer as the drawers take it; null when disabled or not made yet.
  const ZBuffer* getZBuffer() const {
    return m_zBufferEnabled && m_zBuffer.pData ? &m_zBuffer : nullptr;
  }

 private:
  void createZBuffer();

  int32_t m_width = kDefaultWidth;
  int32_t m_height = kDefaultHeight;
  CImage32* m_pScreen = nullptr;
  bool m_zBufferEnabled = true;
  std::vector<uint32_t> m_zCells;
  ZBuffer m_zBuffer;
};
