#include "raster/line_drawer.h"

#include <algorithm>
#include <cmath>

#include "raster/span_blend_p.h"

namespace {

// An end's pixel: x + 0.5 floored, kept on the image.
int32_t endPixel(float v, int32_t size) {
  const float pixel = std::floor(v + 0.5f);
  if (pixel <= 0.0f) return 0;
  if (pixel >= static_cast<float>(size - 1)) return size - 1;
  return static_cast<int32_t>(pixel);
}

// 1/z in 0.32 fixed point with the line's margin of 1/64, kept below 2^32.
int64_t lineDepth(float w) {
  const double depth = static_cast<double>(w) * 4294967296.0;
  if (!(depth > 0.0)) return 0;
  const auto word = static_cast<int64_t>(std::llround(std::min(depth, 4294967295.0)));
  return std::min<int64_t>(word + (word >> 6), 0xFFFFFFFF);
}

struct LineWalk {
  int32_t x0, y0, x1, y1;
  // 0.32 depth at the first end, in 32.16 with its per-pixel step.
  int64_t depth;
  int64_t depthStep;
};

template <class Blend, bool kDepth>
int walkLine(uint32_t* pPixels, uint32_t* pDepth, int32_t width, const LineWalk& line,
             uint32_t color) {
  const int32_t dx = std::abs(line.x1 - line.x0);
  const int32_t dy = std::abs(line.y1 - line.y0);
  const int32_t stepX = line.x1 >= line.x0 ? 1 : -1;
  const int32_t stepY = line.y1 >= line.y0 ? width : -width;
  const int32_t major = std::max(dx, dy);
  const int32_t minor = std::min(dx, dy);
  // Along the major axis every pixel; the minor axis moves when the error passes half a pixel.
  const int32_t majorStep = dx >= dy ? stepX : stepY;
  const int32_t minorStep = dx >= dy ? stepY : stepX;
  int32_t offset = line.y0 * width + line.x0;
  int32_t error = 2 * minor - major;
  int64_t depth = line.depth;
  int drawn = 0;
  for (int32_t i = 0; i <= major; ++i) {
    bool visible = true;
    if constexpr (kDepth) {
      const auto word = static_cast<uint32_t>(depth >> 16);
      visible = word >= pDepth[offset];
      depth += line.depthStep;
    }
    if (visible) {
      pPixels[offset] = Blend::blend(pPixels[offset], color, 255);
      ++drawn;
    }
    offset += majorStep;
    if (error > 0) {
      offset += minorStep;
      error -= 2 * major;
    }
    error += 2 * minor;
  }
  return drawn;
}

template <class Blend>
int walkLine(uint32_t* pPixels, uint32_t* pDepth, int32_t width, const LineWalk& line,
             uint32_t color) {
  return pDepth ? walkLine<Blend, true>(pPixels, pDepth, width, line, color)
                : walkLine<Blend, false>(pPixels, pDepth, width, line, color);
}

}  // namespace

int drawLine(CImage32& dest, const ZBuffer* pZBuffer, LineEnd a, LineEnd b, uint32_t color,
             LineBlend blend) {
  const int32_t width = dest.getWidth();
  const int32_t height = dest.getHeight();
  uint32_t* pPixels = dest.getPixels();
  if (!pPixels || width < 1 || height < 1) return 0;
  for (const float v : {a.x, a.y, a.w, b.x, b.y, b.w})
    if (!std::isfinite(v)) return 0;
  // Always walk from the end with the smaller x (then smaller y): Bresenham's rounding of the
  // half-way cases then does not depend on the order of the ends.
  if (b.x < a.x || (b.x == a.x && b.y < a.y)) std::swap(a, b);
  LineWalk line{endPixel(a.x, width),
                endPixel(a.y, height),
                endPixel(b.x, width),
                endPixel(b.y, height),
                0,
                0};
  uint32_t* pDepth = nullptr;
  if (pZBuffer && pZBuffer->pData && pZBuffer->width == width && pZBuffer->height == height) {
    pDepth = pZBuffer->pData;
    const int32_t major = std::max(std::abs(line.x1 - line.x0), std::abs(line.y1 - line.y0));
    const int64_t depthA = lineDepth(a.w);
    const int64_t depthB = lineDepth(b.w);
    line.depth = depthA << 16;
    line.depthStep = major > 0 ? ((depthB - depthA) << 16) / major : 0;
  }
  switch (blend) {
    case LineBlend::kAdd:
      return walkLine<span::BlendAdd>(pPixels, pDepth, width, line, color);
    case LineBlend::kSubtract:
      return walkLine<span::BlendSub>(pPixels, pDepth, width, line, color);
    case LineBlend::kReplace:
      break;
  }
  return walkLine<span::BlendReplace>(pPixels, pDepth, width, line, color);
}
