#include "s3d/s3d_texture.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "base/report.h"
#include "fx/c_avi.h"
#include "image/cimage32.h"

namespace {

constexpr const char* kTextureCaption = "S3DTexture32 warning !";

// The file name as found from the current folder down (the scene's folder at load).
StringC resolved(const StringC& fileName) {
  StringC path = fileName;
  path.findFile();
  return path;
}

// A 256 x 256 texture (plain and tiled) of the whole of `src`, stretched.
bool setResampled(RasterTexture& texture, const CImage32& src) {
  CImage32Buffered square;
  square.initResampled256(src);
  return texture.set256x256(square);
}

}  // namespace

bool S3DTextureAvi::load(const StringC& fileName) {
  m_frames.clear();
  const CAvi video(resolved(fileName).getString());
  if (video.getNbFrame() <= 0) {
    report("S3DTextureAvi warning: ", "no frame");
    return false;
  }
  m_frameDuration = video.getFrameDuration();
  m_frames.resize(static_cast<std::size_t>(video.getNbFrame()));
  for (int32_t i = 0; i < video.getNbFrame(); ++i)
    setResampled(m_frames[static_cast<std::size_t>(i)], *video.getFrame(i));
  return true;
}

const RasterTexture* S3DTextureAvi::frame(int32_t i) const {
  if (m_frames.empty()) return nullptr;
  const auto n = static_cast<int64_t>(m_frames.size());
  return &m_frames[static_cast<std::size_t>(((i % n) + n) % n)];
}

bool S3DTexture32::loadVideo(const StringC& fileName) {
  if (!isVideoName(fileName.view())) return false;
  m_pAvi = std::make_unique<S3DTextureAvi>();
  if (!m_pAvi->load(fileName)) m_pAvi.reset();
  m_pFrame = m_pAvi ? m_pAvi->frame(0) : nullptr;
  return true;
}

void S3DTexture32::load(const StringC& fileName, float u, float v, float w, float h) {
  m_raster.clear();
  if (fileName.isEmpty() || fileName.view() == "NULL" || loadVideo(fileName)) return;
  const CImage32FromData picture(resolved(fileName).getString());
  if (!picture.getPixels()) return;
  const float width = static_cast<float>(picture.getWidth());
  const float height = static_cast<float>(picture.getHeight());
  // The window as the formula gives it, then cut at the picture's edges.
  const auto x0 = static_cast<int64_t>(std::trunc(width * u));
  const auto y0 = static_cast<int64_t>(std::trunc(height * v));
  const auto windowWidth = static_cast<int64_t>(std::trunc(width * w));
  const auto windowHeight = static_cast<int64_t>(std::trunc(height * h));
  const int64_t left = std::clamp<int64_t>(x0, 0, picture.getWidth());
  const int64_t top = std::clamp<int64_t>(y0, 0, picture.getHeight());
  const int64_t right = std::clamp<int64_t>(x0 + windowWidth, 0, picture.getWidth());
  const int64_t bottom = std::clamp<int64_t>(y0 + windowHeight, 0, picture.getHeight());
  if (!(windowWidth >= 1) || !(windowHeight >= 1) || right - left < 1 || bottom - top < 1) {
    report(kTextureCaption, "load u v w h: bad dimension");
    return;
  }
  CImage32Buffered window(static_cast<int32_t>(right - left), static_cast<int32_t>(bottom - top));
  for (int64_t y = top; y < bottom; ++y)
    std::copy_n(picture.getPixels() + y * picture.getWidth() + left, right - left,
                window.getPixels() + (y - top) * (right - left));
  setResampled(m_raster, window);
  m_pFrame = m_raster.plain() ? &m_raster : nullptr;
}

void S3DTexture32::load(const StringC& fileName) {
  m_raster.clear();
  if (fileName.isEmpty() || fileName.view() == "NULL" || loadVideo(fileName)) return;
  const CImage32FromData picture(resolved(fileName).getString());
  if (!picture.getPixels()) return;
  const auto isPowerOfTwo = [](int32_t n) { return n > 0 && (n & (n - 1)) == 0; };
  if (!isPowerOfTwo(picture.getWidth())) {
    report(kTextureCaption, "width is not a power of 2");
    return;
  }
  if (!isPowerOfTwo(picture.getHeight())) {
    report(kTextureCaption, "height is not a power of 2");
    return;
  }
  m_raster.setPowerOfTwo(picture);
  m_pFrame = m_raster.plain() ? &m_raster : nullptr;
}

void S3DTexture32::setTime(float time) {
  if (!m_pAvi || m_pAvi->getFrameDuration() <= 0) return;
  m_pFrame =
      m_pAvi->frame(static_cast<int32_t>(time / static_cast<float>(m_pAvi->getFrameDuration())));
}

const RasterTexture* S3DTexture32::getRaster() const {
  return m_pFrame;
}
