// The tables of the resampling span routines, scalar and packed, and the choice of path: the wide
// (AVX2) routines once the CPU reports AVX2, else the packed ones.

#include "image/pixel_kernels_p.h"
#include "image/resample_spans_p.h"

namespace resample {
namespace {

template <template <MapRead> class Fetch, class Mix>
struct ScalarLoop {
  static void run(const Texture& texture, uint32_t* pDst, int32_t count, TexelWalk walk) {
    spanScalar<Fetch, Mix>(texture, pDst, count, walk);
  }
};
template <template <MapRead> class Fetch, class Mix>
struct PackedLoop {
  static void run(const Texture& texture, uint32_t* pDst, int32_t count, TexelWalk walk) {
    spanPacked<Fetch, Mix>(texture, pDst, count, walk);
  }
};

constexpr SpanTable kScalar = spanTable<ScalarLoop>();
constexpr SpanTable kPacked = spanTable<PackedLoop>();

// The wide table when this CPU runs it; kernelsFor asks the CPU (and the OS) for AVX2.
const SpanTable* wideTableIfAvailable() {
  static const SpanTable* const pTable =
      pixel_kernels::kernelsFor(pixel_kernels::KernelPath::Avx2) ? wideSpanTable() : nullptr;
  return pTable;
}

}  // namespace

SpanFn spanFor(Sampling sampling, Combination combination, SpanPath path) {
  const auto s = static_cast<size_t>(sampling);
  const auto c = static_cast<size_t>(combination);
  if (s >= kNbSampling || c >= kNbCombination) return nullptr;
  switch (path) {
    case SpanPath::kScalar:
      return kScalar[s][c];
    case SpanPath::kPacked:
      return kPacked[s][c];
    case SpanPath::kWide: {
      const SpanTable* pWide = wideTableIfAvailable();
      return pWide ? (*pWide)[s][c] : nullptr;
    }
  }
  return nullptr;
}

SpanFn spanFor(Sampling sampling, Combination combination) {
  if (SpanFn wide = spanFor(sampling, combination, SpanPath::kWide)) return wide;
  return spanFor(sampling, combination, SpanPath::kPacked);
}

}  // namespace resample
