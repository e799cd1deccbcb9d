// The span fillers per pixel over a 512 x 256 frame: long spans (whole rows of 512 pixels) and
// short spans (6, 3 and 1 pixels, the rows of small triangles), each against memset of the
// same pixels in the same pattern and against a plain scalar loop of the same formula (the
// scalar twin of the fillers, and for flat, shaded and point texture a hand-written loop).
// Targets: flat without depth within 2x of memset per pixel, with depth within 4x; the point
// textured span at least 4x faster than the plain scalar loop on long spans, and every filler
// at least as fast as its plain scalar loop on short ones. Compare items_per_second; run with
// --benchmark_repetitions=5 --benchmark_enable_random_interleaving=true
// on a quiet machine.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "raster/span_filler.h"

namespace {

constexpr int32_t kWidth = 512;
constexpr int32_t kHeight = 256;
// A row of a triangle of about 30 pixels, and the tips of small triangles.
constexpr int32_t kShortSpans[] = {6, 3, 1};

struct Frame {
  std::vector<uint32_t> pixels = std::vector<uint32_t>(size_t{kWidth} * kHeight, 0x20406080u);
  std::vector<uint32_t> depths = std::vector<uint32_t>(size_t{kWidth} * kHeight, 0);
  // A 256 x 256 texture with the bilinear guard rows, its tiled copy and a shading table.
  std::vector<uint32_t> texels = std::vector<uint32_t>(256 * 258);
  std::vector<uint32_t> table = std::vector<uint32_t>(256);
  Frame() {
    for (size_t i = 0; i < texels.size(); ++i) {
      texels[i] = static_cast<uint32_t>(i) * 2654435761u;
    }
    for (size_t i = 0; i < table.size(); ++i) {
      table[i] = static_cast<uint32_t>(i) * 0x00010101u;
    }
  }
};

Frame& frame() {
  static Frame shared;
  return shared;
}

// Draws the frame as spans of state.range(0) pixels: span(dst, zdst, x, count) per span.
template <typename Span>
void runSpans(benchmark::State& state, Span span) {
  Frame& f = frame();
  const auto length = static_cast<int32_t>(state.range(0));
  // Every run starts from a far depth buffer, whatever ran before (random interleaving): the
  // depth members then draw every pixel, equal z included, on every pass.
  std::fill(f.depths.begin(), f.depths.end(), 0u);
  for (auto _ : state) {
    for (int32_t y = 0; y < kHeight; ++y) {
      uint32_t* row = f.pixels.data() + y * kWidth;
      uint32_t* zrow = f.depths.data() + y * kWidth;
      for (int32_t x = 0; x + length <= kWidth; x += length) {
        span(row + x, zrow + x, x, length);
      }
    }
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kHeight * (kWidth - kWidth % length));
}

void spanLengths(benchmark::internal::Benchmark* b) {
  b->Arg(kWidth);
  for (const int32_t length : kShortSpans) {
    b->Arg(length);
  }
}

// path: 0 the scalar twin, 1 packed (SSE2), 2 wide (AVX2, only where the CPU has it).
SpanPath pathOf(const benchmark::State& state) {
  constexpr SpanPath kPaths[] = {SpanPath::kScalar, SpanPath::kPacked, SpanPath::kWide};
  return kPaths[state.range(1)];
}
void spanLengthsAndPaths(benchmark::internal::Benchmark* b) {
  b->ArgNames({"length", "path"});
  const int64_t paths = spanPathAvailable(SpanPath::kWide) ? 3 : 2;
  for (const int64_t length : {kWidth, kShortSpans[0], kShortSpans[1], kShortSpans[2]}) {
    for (int64_t path = 0; path < paths; ++path) {
      b->Args({length, path});
    }
  }
}

constexpr uint32_t kColour = 0x11223344u;
constexpr int32_t kU = 3 << 16, kV = 5 << 16, kDu = 0x14000, kDv = 0x3000;

void BM_Memset(benchmark::State& state) {
  runSpans(state, [](uint32_t* dst, uint32_t*, int32_t, int32_t count) {
    std::memset(dst, 0x44, static_cast<size_t>(count) * sizeof(uint32_t));
  });
}
BENCHMARK(BM_Memset)->Apply(spanLengths);

// ---- Hand-written plain loops of the same formulas ----

__attribute__((noinline)) void plainFlatZ(uint32_t* dst, uint32_t* zdst, int32_t count, uint32_t z,
                                          int32_t dz, uint32_t colour) {
  for (int32_t i = 0; i < count; ++i) {
    if (z >= zdst[i]) {
      zdst[i] = z;
      dst[i] = colour;
    }
    z += static_cast<uint32_t>(dz);
  }
}
__attribute__((noinline)) void plainGouraud(uint32_t* dst, const uint32_t* table, int32_t count,
                                            uint32_t l, int32_t dl) {
  for (int32_t i = 0; i < count; ++i) {
    dst[i] = table[(l >> 16) & 255];
    l += static_cast<uint32_t>(dl);
  }
}
// The shading drawer's reference member without depth: point fetch, max(t - c, 0) per byte.
__attribute__((noinline)) void plainTexShade(uint32_t* dst, const uint32_t* texels,
                                             const uint32_t* table, int32_t count, uint32_t u,
                                             uint32_t v, uint32_t l, int32_t du, int32_t dv,
                                             int32_t dl) {
  for (int32_t i = 0; i < count; ++i) {
    const uint32_t t = texels[(((v >> 16) & 255) << 8) + ((u >> 16) & 255)];
    const uint32_t c = table[(l >> 16) & 255];
    uint32_t result = 0;
    for (uint32_t shift = 0; shift < 32; shift += 8) {
      const uint32_t tb = (t >> shift) & 255, cb = (c >> shift) & 255;
      result |= (tb > cb ? tb - cb : 0) << shift;
    }
    dst[i] = result;
    u += static_cast<uint32_t>(du);
    v += static_cast<uint32_t>(dv);
    l += static_cast<uint32_t>(dl);
  }
}

void BM_PlainFlatZ(benchmark::State& state) {
  runSpans(state, [](uint32_t* dst, uint32_t* zdst, int32_t x, int32_t count) {
    plainFlatZ(dst, zdst, count, 1000u + static_cast<uint32_t>(x), 1, kColour);
  });
}
BENCHMARK(BM_PlainFlatZ)->Apply(spanLengths);

void BM_PlainGouraud(benchmark::State& state) {
  const uint32_t* table = frame().table.data();
  runSpans(state, [table](uint32_t* dst, uint32_t*, int32_t, int32_t count) {
    plainGouraud(dst, table, count, 10u << 16, 0x3000);
  });
}
BENCHMARK(BM_PlainGouraud)->Apply(spanLengths);

void BM_PlainPointTexShade(benchmark::State& state) {
  const uint32_t* texels = frame().texels.data();
  const uint32_t* table = frame().table.data();
  runSpans(state, [=](uint32_t* dst, uint32_t*, int32_t, int32_t count) {
    plainTexShade(dst, texels, table, count, kU, kV, 10u << 16, kDu, kDv, 0x3000);
  });
}
BENCHMARK(BM_PlainPointTexShade)->Apply(spanLengths);

// ---- The fillers on each path ----

void BM_FlatReplace(benchmark::State& state) {
  const FlatSpan span = flatSpanFillers(FlatSpanKind::kReplace, pathOf(state)).spanFiller;
  const SpanContext ctx;
  runSpans(state, [&](uint32_t* dst, uint32_t*, int32_t, int32_t count) {
    span(ctx, dst, count, kColour);
  });
}
BENCHMARK(BM_FlatReplace)->Apply(spanLengthsAndPaths);

void BM_FlatReplaceZ(benchmark::State& state) {
  const FlatSpanZ span = flatSpanFillers(FlatSpanKind::kReplace, pathOf(state)).spanFillerZ;
  const SpanContext ctx;
  runSpans(state, [&](uint32_t* dst, uint32_t* zdst, int32_t x, int32_t count) {
    span(ctx, dst, zdst, count, 1000u + static_cast<uint32_t>(x), 1, kColour);
  });
}
BENCHMARK(BM_FlatReplaceZ)->Apply(spanLengthsAndPaths);

void BM_GouraudReplace(benchmark::State& state) {
  const GouraudSpan span = gouraudSpanFillers(GouraudSpanKind::kReplace, pathOf(state)).spanFiller;
  const SpanContext ctx;
  const uint32_t* table = frame().table.data();
  runSpans(state, [&](uint32_t* dst, uint32_t*, int32_t, int32_t count) {
    span(ctx, dst, table, count, 10 << 16, 0x3000);
  });
}
BENCHMARK(BM_GouraudReplace)->Apply(spanLengthsAndPaths);

void BM_VertexAlpha(benchmark::State& state) {
  const VertexAlphaSpan span =
      vertexAlphaSpanFillers(VertexAlphaSpanKind::kAlphaByVertexAlpha, pathOf(state)).spanFiller;
  const SpanContext ctx;
  const uint32_t* table = frame().table.data();
  runSpans(state, [&](uint32_t* dst, uint32_t*, int32_t, int32_t count) {
    span(ctx, dst, table, count, 10 << 16, 0x3000, 40 << 16, 0x5000);
  });
}
BENCHMARK(BM_VertexAlpha)->Apply(spanLengthsAndPaths);

void BM_PointTexShade(benchmark::State& state) {
  const TexShadeSpan span =
      texShadeSpanFillers(TexShadeSpanKind::kPointTMinusCReplace, pathOf(state)).spanFiller;
  const SpanContext ctx;
  const uint32_t* texels = frame().texels.data();
  const uint32_t* table = frame().table.data();
  runSpans(state, [&](uint32_t* dst, uint32_t*, int32_t, int32_t count) {
    span(ctx, dst, texels, table, count, kU, kV, 10 << 16, kDu, kDv, 0x3000);
  });
}
BENCHMARK(BM_PointTexShade)->Apply(spanLengthsAndPaths);

void BM_PointTexShadeZ(benchmark::State& state) {
  const TexShadeSpanZ span =
      texShadeSpanFillers(TexShadeSpanKind::kPointTMinusCReplace, pathOf(state)).spanFillerZ;
  const SpanContext ctx;
  const uint32_t* texels = frame().texels.data();
  const uint32_t* table = frame().table.data();
  runSpans(state, [&](uint32_t* dst, uint32_t* zdst, int32_t x, int32_t count) {
    span(ctx, dst, zdst, texels, table, count, kU, kV, 10 << 16, 1000u + static_cast<uint32_t>(x),
         kDu, kDv, 0x3000, 1);
  });
}
BENCHMARK(BM_PointTexShadeZ)->Apply(spanLengthsAndPaths);

void texture(benchmark::State& state, TextureSpanKind kind) {
  const TextureSpan span = textureSpanFillers(kind, pathOf(state)).spanFiller;
  SpanContext ctx;
  ctx.alpha = 100;
  const uint32_t* texels = frame().texels.data();
  // The texture's first 65,536 words stand in for its tiled copy.
  ctx.pTiled = texels;
  runSpans(state, [&](uint32_t* dst, uint32_t*, int32_t, int32_t count) {
    span(ctx, dst, texels, count, kU, kV, kDu, kDv);
  });
}
void BM_PointTexture(benchmark::State& state) {
  texture(state, TextureSpanKind::kPointReplace);
}
BENCHMARK(BM_PointTexture)->Apply(spanLengthsAndPaths);
void BM_PointTextureAlpha(benchmark::State& state) {
  texture(state, TextureSpanKind::kPointAlpha);
}
BENCHMARK(BM_PointTextureAlpha)->Apply(spanLengthsAndPaths);
void BM_TiledTextureAdd(benchmark::State& state) {
  texture(state, TextureSpanKind::kTiledAdd);
}
BENCHMARK(BM_TiledTextureAdd)->Apply(spanLengthsAndPaths);
void BM_BilinearTexture(benchmark::State& state) {
  texture(state, TextureSpanKind::kBilinearReplace);
}
BENCHMARK(BM_BilinearTexture)->Apply(spanLengthsAndPaths);

void BM_PerspectiveZ(benchmark::State& state) {
  const PerspectiveSpanZ span =
      perspectiveSpanFillers(PerspectiveSpanKind::kPointReplace, pathOf(state)).spanFillerZ;
  const SpanContext ctx;
  const uint32_t* texels = frame().texels.data();
  runSpans(state, [&](uint32_t* dst, uint32_t* zdst, int32_t x, int32_t count) {
    const float iz = 0.5f + static_cast<float>(x) * 1e-4f;
    span(ctx, dst, zdst, texels, count, 3.0f * iz, 5.0f * iz, iz, 0.4f * iz, 0.1f * iz, 1e-5f);
  });
}
BENCHMARK(BM_PerspectiveZ)->Apply(spanLengthsAndPaths);

}  // namespace
