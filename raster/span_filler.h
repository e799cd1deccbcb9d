#pragma once
// Span fillers: the innermost loops of the polygon drawers. Each draws one run of pixels of one
// scanline from left to right; the drawer passes the start values and per-pixel gradients of its
// interpolants (16.16 fixed point unless said otherwise, depth as unsigned 0.32 = 2^32 / z).

#include <cstdint>

// What a span filler reads from its drawer besides its arguments: the material's opacity weight
// and the addressing of the bound texture.
struct SpanContext {
  // Opacity weight a, 0..255.
  uint32_t alpha = 255;
  // log2 of the texture width, and the column and row masks (width - 1, height - 1).
  int32_t columnShift = 8;
  uint32_t columnMask = 255;
  uint32_t rowMask = 255;
  // The texture's 256x256 tiled copy, or null.
  const uint32_t* pTiled = nullptr;
  // Texture row stride of the filtered fetch.
  int32_t width = 256;
};

// One function type per drawer kind, without and with depth (zdst and the depth values added).
// Gradients are signed; a depth value advances by z += dz modulo 2^32.
using FlatSpan = void (*)(const SpanContext& ctx, uint32_t* dst, int32_t count, uint32_t colour);
using FlatSpanZ = void (*)(const SpanContext& ctx, uint32_t* dst, uint32_t* zdst, int32_t count,
                           uint32_t z, int32_t dz, uint32_t colour);

using GouraudSpan = void (*)(const SpanContext& ctx, uint32_t* dst, const uint32_t* table,
                             int32_t count, int32_t l, int32_t dl);
using GouraudSpanZ = void (*)(const SpanContext& ctx, uint32_t* dst, uint32_t* zdst,
                              const uint32_t* table, int32_t count, int32_t l, uint32_t z,
                              int32_t dl, int32_t dz);

using VertexAlphaSpan = void (*)(const SpanContext& ctx, uint32_t* dst, const uint32_t* table,
                                 int32_t count, int32_t l, int32_t dl, int32_t alpha,
                                 int32_t dalpha);
using VertexAlphaSpanZ = void (*)(const SpanContext& ctx, uint32_t* dst, uint32_t* zdst,
                                  const uint32_t* table, int32_t count, int32_t l, int32_t alpha,
                                  uint32_t z, int32_t dl, int32_t dalpha, int32_t dz);

using TexShadeSpan = void (*)(const SpanContext& ctx, uint32_t* dst, const uint32_t* texels,
                              const uint32_t* table, int32_t count, int32_t u, int32_t v, int32_t l,
                              int32_t du, int32_t dv, int32_t dl);
using TexShadeSpanZ = void (*)(const SpanContext& ctx, uint32_t* dst, uint32_t* zdst,
                               const uint32_t* texels, const uint32_t* table, int32_t count,
                               int32_t u, int32_t v, int32_t l, uint32_t z, int32_t du, int32_t dv,
                               int32_t dl, int32_t dz);

using TextureSpan = void (*)(const SpanContext& ctx, uint32_t* dst, const uint32_t* texels,
                             int32_t count, int32_t u, int32_t v, int32_t du, int32_t dv);
using TextureSpanZ = void (*)(const SpanContext& ctx, uint32_t* dst, uint32_t* zdst,
                              const uint32_t* texels, int32_t count, int32_t u, int32_t v,
                              uint32_t z, int32_t du, int32_t dv, int32_t dz);

using TexColorSpan = void (*)(const SpanContext& ctx, uint32_t* dst, const uint32_t* texels,
                              uint32_t colour, int32_t count, int32_t u, int32_t v, int32_t du,
                              int32_t dv);
using TexColorSpanZ = void (*)(const SpanContext& ctx, uint32_t* dst, uint32_t* zdst,
                               const uint32_t* texels, uint32_t colour, int32_t count, int32_t u,
                               int32_t v, uint32_t z, int32_t du, int32_t dv, int32_t dz);

// Perspective: u/z, v/z and 1/z as floats and their per-pixel gradients.
using PerspectiveSpan = void (*)(const SpanContext& ctx, uint32_t* dst, const uint32_t* texels,
                                 int32_t count, float uz, float vz, float iz, float duz, float dvz,
                                 float diz);
using PerspectiveSpanZ = void (*)(const SpanContext& ctx, uint32_t* dst, uint32_t* zdst,
                                  const uint32_t* texels, int32_t count, float uz, float vz,
                                  float iz, float duz, float dvz, float diz);

// A drawer's installed pair: the filler without depth and the one with depth.
template <typename Span, typename SpanZ>
struct SpanFillerPair {
  Span spanFiller = nullptr;
  SpanZ spanFillerZ = nullptr;
};

// ---- Selection of a member of each family: declared by the span filler code below. ----

// Which member of a family a drawer installs; its setMaterial picks one per material. Every
// member exists without and with depth; after a passed depth test (z >= stored word, unsigned)
// only the members marked "writes depth" store z. Weights (opacity a, level L = l >> 16, vertex
// alpha A = alpha >> 16) are used as their low byte, like the table index (l >> 16) AND 255.
//
// Sources: k the span's colour, c = table[(l >> 16) AND 255], t the fetched texel. Combinations
// per byte with saturation: t - c, c - t, t + c, t - k. Keyed members skip a pixel (pixel and
// depth word untouched) whose texel is 0 and draw the colour (c or k) otherwise.
//
// Texels: the point and bilinear fetches read `texels` (power-of-two sizes given by
// columnShift, the masks and width), the tiled members read ctx.pTiled (65,536 words) and draw
// nothing while it is null; every fetch draws nothing for null texels, and the table members
// for a null table. The bilinear fetch reads
// its right and lower neighbours unwrapped, so a texture of width w must have w + 1 readable
// texels after its last (kBilinearGuardRows rows of raster/config.h cover it).
//
// Perspective members: u and v at the segment ends are (u/z)/(1/z) · 65536 rounded to nearest,
// clamped to the 32-bit range (NaN gives 0); the depth value is (1/z) · 2^32 rounded, clamped to
// 0..2^32 - 1.

// Pathway of the fillers: plain scalar code written like the formulas, packed lanes (SSE2 on
// x86-64, the scalar code elsewhere), or wide lanes (AVX2, eight pixels per register, only on a
// CPU that has it; asked for elsewhere it gives the packed fillers). All give the same bytes;
// drawers take the default, the best path of the CPU, decided once at start-up.
enum class SpanPath { kScalar, kPacked, kWide };

// Whether the CPU runs the path's fillers (kWide needs AVX2), and the fastest path it runs.
bool spanPathAvailable(SpanPath path);
SpanPath bestSpanPath();

// FlatPolyFiller, source k. Only kReplace writes depth.
enum class FlatSpanKind { kReplace, kAverage, kAlpha, kAdd, kAddScaled, kSub, kSubScaled };

// GouraudPolyFiller, source c. Scaled and "by level" members weigh by L. Only kReplace writes
// depth.
enum class GouraudSpanKind {
  kReplace,
  kAverage,
  kAlpha,
  kAlphaByLevel,
  kAdd,
  kAddScaledByLevel,
  kSub,
  kSubScaledByLevel
};

// VertexAlphaPolyFiller, source c weighed by A. None writes depth.
enum class VertexAlphaSpanKind {
  kAlphaByVertexAlpha,
  kAddScaledByVertexAlpha,
  kSubScaledByVertexAlpha
};

// TexShadePolyFiller: fetch, source or combination, blend. "WithT" blends weigh each channel by
// the texel's byte of that channel. Writes depth: every replace, point and tiled t - c add and
// sub, point t + c and c - t add, and kBilinearTextureAsAlphaSwapped.
// kPointTPlusCSub exists without depth only; its depth filler here is the same blend with the
// depth test and no depth write, like the other blending fillers.
enum class TexShadeSpanKind {
  kPointTMinusCReplace,
  kPointCMinusTReplace,
  kPointTPlusCReplace,
  kPointTMinusCAverage,
  kPointTMinusCAlpha,
  kPointTMinusCAdd,
  kPointTPlusCAdd,
  kPointCMinusTAdd,
  kPointTMinusCSub,
  kPointTPlusCSub,
  kPointKeyedReplace,
  kPointKeyedAverage,
  kPointKeyedAlpha,
  kPointKeyedAdd,
  kPointKeyedSub,
  kPointTextureAsAlpha,
  kPointAddScaledByT,
  kPointSubScaledByT,
  kTiledTMinusCReplace,
  kTiledTMinusCAdd,
  kTiledTMinusCSub,
  kTiledKeyedReplace,
  kTiledKeyedAdd,
  kTiledKeyedSub,
  kTiledTextureAsAlpha,
  kTiledAddScaledByT,
  kTiledSubScaledByT,
  kBilinearTMinusCReplace,
  kBilinearTMinusCAverage,
  kBilinearTMinusCAlpha,
  kBilinearTMinusCAdd,
  kBilinearCMinusTAdd,
  kBilinearTMinusCSub,
  // ((d * t) >> 8) + ((c * (255 - t)) >> 8) per channel.
  kBilinearTextureAsAlphaSwapped
};

// TexturePolyFiller, source t; scaled members weigh by a. Only the replace members write depth.
// kSubtractive is the pair that draws nothing (both fillers return at once), whatever the fetch.
enum class TextureSpanKind {
  kPointReplace,
  kPointAverage,
  kPointAlpha,
  kPointAdd,
  kPointAddScaled,
  kTiledReplace,
  kTiledAverage,
  kTiledAlpha,
  kTiledAdd,
  kTiledAddScaled,
  kBilinearReplace,
  kBilinearAverage,
  kBilinearAlpha,
  kBilinearAdd,
  kBilinearAddScaled,
  kSubtractive
};

// TexColorPolyFiller (t and the span's colour k). Only the replace members write depth.
enum class TexColorSpanKind {
  kPointTMinusKReplace,
  kPointTMinusKAverage,
  kPointTMinusKAlpha,
  kPointTMinusKAdd,
  kPointTMinusKSub,
  kBilinearTMinusKReplace,
  kBilinearTMinusKAverage,
  kBilinearTMinusKAlpha,
  kBilinearTMinusKAdd,
  kBilinearTMinusKSub,
  kPointKeyedReplace,
  kPointKeyedAverage,
  kPointKeyedAlpha,
  kPointKeyedAdd,
  kPointKeyedSub,
  kPointTextureAsAlpha,
  kPointAddScaledByT,
  kPointSubScaledByT,
  kBilinearTextureAsAlpha,
  kBilinearAddScaledByT,
  kBilinearSubScaledByT
};

// PerspectivePolyFiller, source t; scaled members weigh by a. Only the replace members write
// depth. The filler divides once per segment of kPerspectiveSegment pixels (raster/config.h);
// its depth value is 1/z in 0.32, computed at the segment ends like u and v and stepped
// linearly between them.
enum class PerspectiveSpanKind {
  kPointReplace,
  kPointAverage,
  kPointAlpha,
  kPointAdd,
  kPointAddScaled,
  kPointSub,
  kPointSubScaled,
  kBilinearReplace,
  kBilinearAverage,
  kBilinearAlpha,
  kBilinearAdd,
  kBilinearAddScaled,
  kBilinearSub,
  kBilinearSubScaled
};

// The installed pair of each member; an enum value out of range gives a pair of null pointers.
SpanFillerPair<FlatSpan, FlatSpanZ> flatSpanFillers(FlatSpanKind kind,
                                                    SpanPath path = bestSpanPath());
SpanFillerPair<GouraudSpan, GouraudSpanZ> gouraudSpanFillers(GouraudSpanKind kind,
                                                             SpanPath path = bestSpanPath());
SpanFillerPair<VertexAlphaSpan, VertexAlphaSpanZ> vertexAlphaSpanFillers(
    VertexAlphaSpanKind kind, SpanPath path = bestSpanPath());
SpanFillerPair<TexShadeSpan, TexShadeSpanZ> texShadeSpanFillers(TexShadeSpanKind kind,
                                                                SpanPath path = bestSpanPath());
SpanFillerPair<TextureSpan, TextureSpanZ> textureSpanFillers(TextureSpanKind kind,
                                                             SpanPath path = bestSpanPath());
SpanFillerPair<TexColorSpan, TexColorSpanZ> texColorSpanFillers(TexColorSpanKind kind,
                                                                SpanPath path = bestSpanPath());
SpanFillerPair<PerspectiveSpan, PerspectiveSpanZ> perspectiveSpanFillers(
    PerspectiveSpanKind kind, SpanPath path = bestSpanPath());
