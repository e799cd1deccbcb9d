#include "tools/demo_video.h"

#include <cmath>
#include <numbers>

#include "app/video_encoder.h"
#include "image/cimage32.h"

namespace DemoVideo {

namespace {

// A byte from a wave value in -1..1.
std::uint32_t level(double wave) {
  return static_cast<std::uint32_t>(std::lround(127.5 + 127.5 * wave));
}

}  // namespace

std::uint32_t pixel(int frame, int x, int y) {
  // Three sums of waves, each moving a whole number of periods over the loop, so the last frame
  // leads back into the first.
  constexpr double kTwoPi = 2.0 * std::numbers::pi;
  const double t = kTwoPi * frame / kNbFrame;
  const double u = kTwoPi * x / kSide;
  const double v = kTwoPi * y / kSide;
  const double a = std::sin(u + t) + std::sin(v - 2.0 * t);
  const double b = std::sin(u + v + t) + std::cos(2.0 * v + t);
  const double c = std::sin(2.0 * u - t) + std::cos(u - v - 2.0 * t);
  return level(0.5 * a) << 16 | level(0.5 * b) << 8 | level(0.5 * c);
}

std::optional<std::string> write(const std::string& path) {
  VideoEncoder encoder;
  VideoFormat format;
  format.containerOf = path;
  format.width = kSide;
  format.height = kSide;
  format.fps = kFps;
  if (auto failure = encoder.open(path, format)) return failure;
  CImage32Buffered image(kSide, kSide);
  for (int frame = 0; frame < kNbFrame; ++frame) {
    std::uint32_t* pPixel = image.getPixels();
    for (int y = 0; y < kSide; ++y) {
      for (int x = 0; x < kSide; ++x)
        *pPixel++ = pixel(frame, x, y);
    }
    if (auto failure = encoder.addFrame(image)) return failure;
  }
  return encoder.finish();
}

}  // namespace DemoVideo
