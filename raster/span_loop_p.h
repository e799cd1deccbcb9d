#pragma once
// The span loop shared by every filler: per pixel the depth test, the source (fetch and colour),
// the combination, the weight, the blend, the store, then every value advances. A member is a
// compile-time choice of these pieces; the loop has no branch on the drawing mode.

#include <array>
#include <cstddef>
#include <cstdint>

#include "raster/span_blend_p.h"
#include "raster/span_source_p.h"

namespace span {
inline namespace RASTER_SPAN_ISA {

enum class Key { kNone, kZero };
enum class DepthWrite { kNo, kYes };

// One member of a family without its fetch and colour source, which the drawer kind gives.
template <typename CombineType, typename BlendType, DepthWrite write,
          typename WeightType = WeightOpacity, Key key = Key::kNone>
struct Member {
  using Combine = CombineType;
  using Blend = BlendType;
  using Weight = WeightType;
  // Keyed: a texel of 0 leaves the pixel and the depth word alone.
  static constexpr bool kKeyed = key == Key::kZero;
  static constexpr bool kWritesDepth = write == DepthWrite::kYes;
  // A plain copy of the texel or colour: the scalar twin has no per-byte arithmetic either.
  static constexpr bool kCopies = !Combine::kPerByte && !Blend::kReadsDestination;
};

enum class Depth { kNone, kTested };

// Depth variants walk zdst and z; the others get a null zdst and ignore it.
struct DepthRun {
  uint32_t* pDepth = nullptr;
  uint32_t z = 0;
  uint32_t dz = 0;
};

// The plain loop, one pixel per step, written like the formulas.
template <Path path, typename M, Depth depth, typename Source>
void scalarSpan(uint32_t opacity, uint32_t* dst, DepthRun zrun, int32_t count, Source& source) {
  uint32_t z = zrun.z;
  for (int32_t i = 0; i < count; ++i) {
    const Sample sample = source.template next<path>();
    bool drawn = true;
    if constexpr (depth == Depth::kTested) {
      drawn = z >= zrun.pDepth[i];
    }
    if constexpr (M::kKeyed) {
      drawn = drawn && sample.texel != 0;
    }
    if (drawn) {
      const uint32_t s = M::Combine::combine(sample.texel, sample.colour);
      const uint32_t w = M::Weight::weight(sample.texel, sample.weight, opacity);
      dst[i] = M::Blend::blend(dst[i], s, w);
      if constexpr (depth == Depth::kTested && M::kWritesDepth) {
        zrun.pDepth[i] = z;
      }
    }
    z += zrun.dz;
  }
}

#if RASTER_HAS_SSE2
// Whole registers of four pixels, and one pixel in lane 0 for the last 1..3 pixels of a span, so
// that nothing outside [dst, dst + count) and [zdst, zdst + count) is read or written.
struct FourLanes {
  static constexpr int kAllLanes = 0xF;
  static constexpr bool kWhole = true;
  Pixels4 load(const uint32_t* p) const { return load4(p); }
  void store(uint32_t* p, Pixels4 v) const { store4(p, v); }
};
struct OneLane {
  static constexpr int kAllLanes = 0xF;
  static constexpr bool kWhole = false;
  Pixels4 load(const uint32_t* p) const { return _mm_cvtsi32_si128(static_cast<int32_t>(*p)); }
  void store(uint32_t* p, Pixels4 v) const { *p = static_cast<uint32_t>(_mm_cvtsi128_si32(v)); }
};

// The blended pixels of a register, reading the destination only where the blend needs it.
template <typename M, typename Lanes, typename V, typename Inputs>
inline V blendAt(const Lanes& lanes, const uint32_t* dst, V source, const Inputs& in, V opacity) {
  if constexpr (M::Blend::kReadsDestination) {
    return M::Blend::blendLanes(lanes.load(dst), source,
                                M::Weight::weightLanes(in.texel, in.weight, opacity));
  } else {
    return source;
  }
}

// One register of pixels. Unsigned z >= stored is "not (stored > z)": pcmpgtd is signed, so
// both sides get their top bit flipped first. Skipped pixels get their old value back; a
// register where every pixel or none is skipped (inside a polygon, mostly) skips the selects.
template <typename M, Depth depth, typename Lanes, typename V, typename Inputs>
inline void laneGroup(const Lanes& lanes, uint32_t* dst, uint32_t* zdst, V zs, const Inputs& in,
                      V opacity) {
  const V source = M::Combine::combineLanes(in.texel, in.colour);
  constexpr bool kWritesDepth = depth == Depth::kTested && M::kWritesDepth;
  if constexpr (depth == Depth::kNone && !M::kKeyed) {
    lanes.store(dst, blendAt<M>(lanes, dst, source, in, opacity));
  } else {
    V skipped = zeroLike(zs);
    V stored = skipped;
    if constexpr (depth == Depth::kTested) {
      const V bias = signBits(zs);
      stored = lanes.load(zdst);
      skipped = greater32(xorBits(stored, bias), xorBits(zs, bias));
    }
    if constexpr (M::kKeyed) {
      skipped = orBits(skipped, equal32(in.texel, zeroLike(zs)));
    }
    if constexpr (Lanes::kWhole) {
      const int skippedLanes = laneSigns(skipped);
      if (skippedLanes == Lanes::kAllLanes) {
        return;
      }
      if (skippedLanes == 0) {
        lanes.store(dst, blendAt<M>(lanes, dst, source, in, opacity));
        if constexpr (kWritesDepth) {
          lanes.store(zdst, zs);
        }
        return;
      }
    }
    const V d = lanes.load(dst);
    const V w = M::Weight::weightLanes(in.texel, in.weight, opacity);
    lanes.store(dst, selectBits(skipped, d, M::Blend::blendLanes(d, source, w)));
    if constexpr (kWritesDepth) {
      lanes.store(zdst, selectBits(skipped, stored, zs));
    }
  }
}
#endif

#if RASTER_HAS_AVX2
// Whole registers of eight pixels, and the last 1..7 pixels of a span in one register whose
// other lanes are neither read nor written (masked loads and stores).
struct EightLanes {
  static constexpr int kAllLanes = 0xFF;
  static constexpr bool kWhole = true;
  Pixels8 load(const uint32_t* p) const {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
  }
  void store(uint32_t* p, Pixels8 v) const {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
  }
};
struct FirstLanes {
  static constexpr int kAllLanes = 0xFF;
  static constexpr bool kWhole = false;
  Pixels8 mask;
  explicit FirstLanes(int32_t count)
      : mask(_mm256_cmpgt_epi32(_mm256_set1_epi32(count),
                                _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7))) {}
  Pixels8 load(const uint32_t* p) const {
    return _mm256_maskload_epi32(reinterpret_cast<const int*>(p), mask);
  }
  void store(uint32_t* p, Pixels8 v) const {
    _mm256_maskstore_epi32(reinterpret_cast<int*>(p), mask, v);
  }
};

// The wide loop: groups of eight pixels, the last group masked to the pixels that remain.
template <typename M, Depth depth, typename Source>
void wideSpan(uint32_t opacity, uint32_t* dst, DepthRun zrun, int32_t count, Source& source) {
  const Pixels8 opacity8 = splat8(opacity);
  constexpr bool kTested = depth == Depth::kTested;
  Pixels8 zs = _mm256_add_epi32(splat8(zrun.z), steps8(zrun.dz));
  const Pixels8 zStep = splat8(8 * zrun.dz);
  int32_t i = 0;
  for (; i + 8 <= count; i += 8) {
    laneGroup<M, depth>(EightLanes{}, dst + i, kTested ? zrun.pDepth + i : nullptr, zs,
                        source.next8(), opacity8);
    zs = _mm256_add_epi32(zs, zStep);
  }
  if (i < count) {
    laneGroup<M, depth>(FirstLanes(count - i), dst + i, kTested ? zrun.pDepth + i : nullptr, zs,
                        source.next8(), opacity8);
  }
}
#endif

#if RASTER_HAS_SSE2
// One pixel in lane 0: the last pixels of a packed span, and every pixel of a short one.
template <Path path, typename M, Depth depth, typename Source>
RASTER_STEP void lanePixel(uint32_t* pPixel, uint32_t* pDepth, uint32_t z, Pixels4 opacity4,
                           Source& source) {
  const Sample sample = source.template next<path>();
  const Quad quad = {_mm_cvtsi32_si128(static_cast<int32_t>(sample.texel)),
                     _mm_cvtsi32_si128(static_cast<int32_t>(sample.colour)),
                     _mm_cvtsi32_si128(static_cast<int32_t>(sample.weight))};
  laneGroup<M, depth>(OneLane{}, pPixel, pDepth, _mm_cvtsi32_si128(static_cast<int32_t>(z)), quad,
                      opacity4);
}
#endif

// The packed loop: groups of four pixels, then the rest one pixel at a time in lane 0.
template <Path path, typename M, Depth depth, typename Source>
void packedSpan(uint32_t opacity, uint32_t* dst, DepthRun zrun, int32_t count, Source& source) {
#if RASTER_HAS_SSE2
  const Pixels4 opacity4 = splat4(opacity);
  constexpr bool kTested = depth == Depth::kTested;
  Pixels4 zs = set4(zrun.z, zrun.z + zrun.dz, zrun.z + 2 * zrun.dz, zrun.z + 3 * zrun.dz);
  const Pixels4 zStep = splat4(4 * zrun.dz);
  int32_t i = 0;
  for (; i + 4 <= count; i += 4) {
    laneGroup<M, depth>(FourLanes{}, dst + i, kTested ? zrun.pDepth + i : nullptr, zs,
                        source.next4(), opacity4);
    zs = _mm_add_epi32(zs, zStep);
  }
  for (; i < count; ++i) {
    lanePixel<path, M, depth>(dst + i, kTested ? zrun.pDepth + i : nullptr,
                              static_cast<uint32_t>(_mm_cvtsi128_si32(zs)), opacity4, source);
    zs = _mm_add_epi32(zs, splat4(zrun.dz));
  }
#else
  scalarSpan<path, M, depth>(opacity, dst, zrun, count, source);
#endif
}

// The short spans of the packed and wide fillers: one pixel at a time with none of the lanes'
// set-up (ramps, step registers, the tiled fetch's packed form). A member that only copies takes
// the scalar twin's loop; the others blend their pixel in lane 0, a few instructions where the
// scalar bytes take a loop of four.
template <typename M, Depth depth, typename Source>
void singleSpan(uint32_t opacity, uint32_t* dst, DepthRun zrun, int32_t count, Source& source) {
#if RASTER_HAS_SSE2
  if constexpr (!M::kCopies) {
    const Pixels4 opacity4 = splat4(opacity);
    constexpr bool kTested = depth == Depth::kTested;
    uint32_t z = zrun.z;
    for (int32_t i = 0; i < count; ++i) {
      lanePixel<Path::kSingle, M, depth>(dst + i, kTested ? zrun.pDepth + i : nullptr, z, opacity4,
                                         source);
      z += zrun.dz;
    }
  } else
#endif
  {
#if defined(__GNUC__)
    // Told that at most seven pixels come, the compiler keeps this loop scalar instead of adding
    // an overlap check and a vector body that a short span never reaches.
    if (count >= raster_config::kShortSpan) __builtin_unreachable();
#endif
    scalarSpan<Path::kSingle, M, depth>(opacity, dst, zrun, count, source);
  }
}

// Runs a member over a span on the chosen path.
template <Path path, typename M, Depth depth, typename Source>
inline void runSpan(const SpanContext& ctx, uint32_t* dst, DepthRun zrun, int32_t count,
                    Source& source) {
  const uint32_t opacity = splatByte(ctx.alpha);
  if constexpr (path == Path::kScalar) {
    scalarSpan<path, M, depth>(opacity, dst, zrun, count, source);
#if RASTER_HAS_AVX2
  } else if constexpr (path == Path::kWide) {
    wideSpan<M, depth>(opacity, dst, zrun, count, source);
#endif
  } else {
    packedSpan<path, M, depth>(opacity, dst, zrun, count, source);
  }
}

// The pair of a family's kind on the chosen path: the wide pairs come from the AVX2 files and
// only when the CPU has AVX2, else the packed ones; a kind out of range gives null pointers.
template <typename Pair, std::size_t kCount, typename Kind>
Pair pickPair(const std::array<Pair, kCount>& scalar, const std::array<Pair, kCount>& packed,
              Pair (*wide)(Kind), Kind kind, SpanPath path) {
  const auto index = static_cast<std::size_t>(kind);
  if (index >= kCount) {
    return {};
  }
  if (path == SpanPath::kWide && spanPathAvailable(SpanPath::kWide)) {
    return wide(kind);
  }
  return path == SpanPath::kScalar ? scalar[index] : packed[index];
}

}  // namespace RASTER_SPAN_ISA
}  // namespace span

namespace span {
inline namespace RASTER_SPAN_ISA {

// A filler's body: a span without its table or texels draws nothing; the packed and wide paths
// draw a short span one pixel at a time, and a longer one after setting up their lanes and the
// tiled fetch's packed form.
template <Path path, typename M, Depth depth, typename Source>
inline void fill(const SpanContext& ctx, uint32_t* dst, DepthRun zrun, int32_t count,
                 Source source) {
  if (!source.usable()) {
    return;
  }
  if constexpr (path != Path::kScalar) {
    // Below one wide register the lanes' set-up and the masked loads and stores of the last
    // register cost more than they save (bench/raster_span_bench.cpp, 1-, 3- and 6-pixel spans).
    if (count < raster_config::kShortSpan) {
      singleSpan<M, depth>(splatByte(ctx.alpha), dst, zrun, count, source);
      return;
    }
    source.startPacked();
  }
  runSpan<path, M, depth>(ctx, dst, zrun, count, source);
}

inline uint32_t wrap(int32_t value) {
  return static_cast<uint32_t>(value);
}

}  // namespace RASTER_SPAN_ISA
}  // namespace span
