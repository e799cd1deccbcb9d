#include "s3d/viewport.h"

#include <algorithm>

#include "base/report.h"
#include "image/cimage32.h"

namespace {
constexpr const char* kCaption = "ViewPort Warning !";
}  // namespace

ViewPort::ViewPort() {
  createZBuffer();
}

void ViewPort::setScreen(int32_t width, int32_t height) {
  if (width <= 0) {
    report(kCaption, "setScreen: width <= 0");
    return;
  }
  if (height <= 0) {
    report(kCaption, "setScreen: height <= 0");
    return;
  }
  if (width == m_width && height == m_height) return;
  m_width = width;
  m_height = height;
  if (m_zBuffer.pData) createZBuffer();
}

void ViewPort::setScreen(CImage32* pScreen) {
  if (!pScreen) return;
  setScreen(pScreen->getWidth(), pScreen->getHeight());
  // An image of no size keeps the old size: it cannot be drawn into at that size.
  const bool fits = pScreen->getWidth() == m_width && pScreen->getHeight() == m_height;
  m_pScreen = fits ? pScreen : nullptr;
}

void ViewPort::enableZBuffer(bool enabled) {
  m_zBufferEnabled = enabled;
  if (!enabled) {
    m_zCells = {};
    m_zBuffer = {};
  }
}

void ViewPort::clear() {
  if (!m_zBufferEnabled) return;
  if (m_zBuffer.pData)
    std::fill(m_zCells.begin(), m_zCells.end(), 0u);
  else
    createZBuffer();
}

void ViewPort::createZBuffer() {
  m_zCells.assign(static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_height), 0u);
  m_zBuffer = {m_width, m_height, m_zCells.data()};
}
