#pragma once
// Span fillers that record or count what a drawer hands them, for the drawer tests.

#include <cstdint>
#include <vector>

#include "raster/span_filler.h"

namespace poly_test {

struct SpanRecord {
  int32_t x = 0;
  int32_t y = 0;
  int32_t count = 0;
  int64_t value = 0;  // shading level, or depth for the depth fillers
  int64_t gradient = 0;

  bool operator==(const SpanRecord&) const = default;
};

// What the recording fillers saw; they locate a span from its address in the image.
struct Recorder {
  const uint32_t* pImage = nullptr;
  int32_t width = 1;
  std::vector<SpanRecord> spans;

  SpanRecord at(const uint32_t* dst, int32_t count, int64_t value, int64_t gradient) const {
    const auto offset = static_cast<int32_t>(dst - pImage);
    return {offset % width, offset / width, count, value, gradient};
  }
};

inline Recorder& recorder() {
  static Recorder theRecorder;
  return theRecorder;
}

inline void recordFlat(const SpanContext&, uint32_t* dst, int32_t count, uint32_t) {
  recorder().spans.push_back(recorder().at(dst, count, 0, 0));
}
inline void recordFlatZ(const SpanContext&, uint32_t* dst, uint32_t*, int32_t count, uint32_t z,
                        int32_t dz, uint32_t) {
  recorder().spans.push_back(recorder().at(dst, count, z, dz));
}
inline void recordGouraud(const SpanContext&, uint32_t* dst, const uint32_t*, int32_t count,
                          int32_t l, int32_t dl) {
  recorder().spans.push_back(recorder().at(dst, count, l, dl));
}
inline void recordGouraudZ(const SpanContext&, uint32_t* dst, uint32_t*, const uint32_t*,
                           int32_t count, int32_t l, uint32_t, int32_t dl, int32_t) {
  recorder().spans.push_back(recorder().at(dst, count, l, dl));
}

// Adds 1 to every pixel (and depth word) of the span: coverage counts.
inline void countFlat(const SpanContext&, uint32_t* dst, int32_t count, uint32_t) {
  for (int32_t i = 0; i < count; ++i)
    ++dst[i];
}
inline void countFlatZ(const SpanContext&, uint32_t* dst, uint32_t* zdst, int32_t count, uint32_t,
                       int32_t, uint32_t) {
  for (int32_t i = 0; i < count; ++i) {
    ++dst[i];
    ++zdst[i];
  }
}

}  // namespace poly_test
