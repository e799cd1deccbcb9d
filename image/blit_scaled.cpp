// blitScaled: the source drawn axis-aligned and scaled, one span per destination row, with the
// fill convention of the polygon walk (pixels ceil(left) .. ceil(right) - 1) and its prestep.

#include <algorithm>
#include <cmath>
#include <optional>

#include "image/cimage32.h"
#include "image/poly_walk.h"
#include "image/resample_plan_p.h"

namespace {

// The covered pixels along one axis and the texel walk over them (16.16).
struct ScaledAxis {
  int32_t first = 0;
  int32_t count = 0;
  int32_t q = 0;
  int32_t dq = 0;
};

// Steps are kept inside +-2^30: a factor so small that 1 / zoom exceeds it covers at most one
// pixel, whose walk keepInside clamps anyway.
constexpr double kMaxStep = 1073741824.0;

int32_t toInt32(double value) {
  return static_cast<int32_t>(std::clamp(value, -2147483647.0, 2147483647.0));
}

// The extent centre -+ size zoom / 2 along an axis of `limit` destination pixels. The texel walk
// starts on the extent's low end at texel 0, or at texel `size` stepping backward when zoom is
// negative (the ends swapped), advances over the part clipped away, and is prestepped to the
// first covered pixel: q + ((dq (ceil16(low) - low)) >> 16).
std::optional<ScaledAxis> scaledAxis(float centre, int32_t size, float zoom, int32_t limit) {
  const double extent = static_cast<double>(size) * static_cast<double>(zoom);
  const double ends[2] = {static_cast<double>(centre) - extent / 2.0,
                          static_cast<double>(centre) + extent / 2.0};
  const double low = std::min(ends[0], ends[1]);
  const double high = std::max(ends[0], ends[1]);
  if (!(high > 0.0) || !(low < static_cast<double>(limit))) return std::nullopt;
  const double clippedLow = std::max(low, 0.0);
  const double clippedHigh = std::min(high, static_cast<double>(limit));
  const int64_t low16 = fixed::roundToInt(clippedLow * fixed::kOne);
  const int64_t high16 = fixed::roundToInt(clippedHigh * fixed::kOne);
  ScaledAxis axis;
  axis.first = fixed::ceilToInt(low16);
  axis.count = fixed::ceilToInt(high16) - axis.first;
  if (axis.count <= 0) return std::nullopt;
  const int64_t dq =
      fixed::roundToInt(std::clamp(fixed::kOne / static_cast<double>(zoom), -kMaxStep, kMaxStep));
  const double origin = zoom > 0.0f ? 0.0 : static_cast<double>(size) * fixed::kOne;
  const double atEdge = std::clamp(origin + (clippedLow - low) * static_cast<double>(dq),
                                   -kMaxStep * 64.0, kMaxStep * 64.0);
  axis.q = toInt32(static_cast<double>(poly_walk::prestep(fixed::roundToInt(atEdge), dq, low16)));
  axis.dq = static_cast<int32_t>(dq);
  return axis;
}

}  // namespace

void CImage32::blitScaled(CImage32* pDst, float cx, float cy, float zoomX, float zoomY, int mode,
                          const CImage32* pAlphaMap, float alpha, int filter) const {
  if (zoomX == 0.0f || zoomY == 0.0f) return;
  if (!std::isfinite(cx) || !std::isfinite(cy) || !std::isfinite(zoomX) || !std::isfinite(zoomY)) {
    return;
  }
  // The alpha-map combinations sample the nearest texel only.
  const auto resampleFilter = filter != kFilterNearest && !pAlphaMap
                                  ? ResamplePlan::Filter::kBilinear
                                  : ResamplePlan::Filter::kNearest;
  ResamplePlan plan;
  if (!plan.prepare(*this, pDst, pAlphaMap, mode, alpha, resampleFilter)) return;
  const std::optional<ScaledAxis> columns = scaledAxis(cx, m_width, zoomX, plan.destinationWidth());
  const std::optional<ScaledAxis> rows = scaledAxis(cy, m_height, zoomY, plan.destinationHeight());
  if (!columns || !rows) return;
  // v is constant along a row: the row spans ignore dv, and keepInside sees each row's v alone.
  const auto width = static_cast<size_t>(plan.destinationWidth());
  int32_t v = rows->q;
  int32_t dv = rows->dq;
  resample::keepInside(v, dv, rows->count, (m_height << 16) - 1);
  for (int32_t row = 0; row < rows->count; ++row) {
    const size_t offset =
        static_cast<size_t>(rows->first + row) * width + static_cast<size_t>(columns->first);
    plan.span(offset, columns->count, {columns->q, v + row * dv, columns->dq, 0});
  }
}

void CImage32::blitScaledPivot(CImage32* pDst, float pivotX, float pivotY, float posX, float posY,
                               float zoomX, float zoomY, int mode, const CImage32* pAlphaMap,
                               float alpha, int filter) const {
  blitScaled(pDst, posX - static_cast<float>(m_width) * pivotX * zoomX,
             posY - static_cast<float>(m_height) * pivotY * zoomY, zoomX, zoomY, mode, pAlphaMap,
             alpha, filter);
}
