// The wide (AVX2) resampling span routines: built with -mavx2, reached only through
// resample::spanFor once the CPU reports AVX2. Every inline piece of the headers it includes is
// compiled here into the AVX2 inline namespace (image/simd_p.h), apart from the baseline copies.

#include "image/resample_spans_p.h"

namespace resample {

#if IMAGE_HAS_AVX2

namespace {

template <template <MapRead> class Fetch, class Mix>
struct WideLoop {
  static void run(const Texture& texture, uint32_t* pDst, int32_t count, TexelWalk walk) {
    spanWide<Fetch, Mix>(texture, pDst, count, walk);
  }
};

constexpr SpanTable kWide = spanTable<WideLoop>();

}  // namespace

const SpanTable* wideSpanTable() {
  return &kWide;
}

#else

const SpanTable* wideSpanTable() {
  return nullptr;
}

#endif

}  // namespace resample
