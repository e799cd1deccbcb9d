#pragma once
// The affine textured members (texture with shading table, texture alone, texture with the span
// colour) as tables of filler pairs by path, in the order of their kind enums.

#include <array>

#include "raster/span_filler.h"
#include "raster/span_loop_p.h"

namespace span {
inline namespace RASTER_SPAN_ISA {

template <Path path, typename M, typename Fetch>
void texShadeSpan(const SpanContext& ctx, uint32_t* dst, const uint32_t* texels,
                  const uint32_t* table, int32_t count, int32_t u, int32_t v, int32_t l, int32_t du,
                  int32_t dv, int32_t dl) {
  fill<path, M, Depth::kNone>(
      ctx, dst, {}, count,
      TexelSource<Fetch, ColourTable>{{ctx, texels, u, v, du, dv}, {table, wrap(l), wrap(dl)}});
}
template <Path path, typename M, typename Fetch>
void texShadeSpanZ(const SpanContext& ctx, uint32_t* dst, uint32_t* zdst, const uint32_t* texels,
                   const uint32_t* table, int32_t count, int32_t u, int32_t v, int32_t l,
                   uint32_t z, int32_t du, int32_t dv, int32_t dl, int32_t dz) {
  fill<path, M, Depth::kTested>(
      ctx, dst, {zdst, z, wrap(dz)}, count,
      TexelSource<Fetch, ColourTable>{{ctx, texels, u, v, du, dv}, {table, wrap(l), wrap(dl)}});
}

template <Path path, typename M, typename Fetch>
void textureSpan(const SpanContext& ctx, uint32_t* dst, const uint32_t* texels, int32_t count,
                 int32_t u, int32_t v, int32_t du, int32_t dv) {
  fill<path, M, Depth::kNone>(ctx, dst, {}, count,
                              TexelSource<Fetch, ColourNone>{{ctx, texels, u, v, du, dv}, {}});
}
template <Path path, typename M, typename Fetch>
void textureSpanZ(const SpanContext& ctx, uint32_t* dst, uint32_t* zdst, const uint32_t* texels,
                  int32_t count, int32_t u, int32_t v, uint32_t z, int32_t du, int32_t dv,
                  int32_t dz) {
  fill<path, M, Depth::kTested>(ctx, dst, {zdst, z, wrap(dz)}, count,
                                TexelSource<Fetch, ColourNone>{{ctx, texels, u, v, du, dv}, {}});
}

// The subtractive choice of the texture drawer: both fillers return at once.
inline void textureNothing(const SpanContext&, uint32_t*, const uint32_t*, int32_t, int32_t,
                           int32_t, int32_t, int32_t) {}
inline void textureNothingZ(const SpanContext&, uint32_t*, uint32_t*, const uint32_t*, int32_t,
                            int32_t, int32_t, uint32_t, int32_t, int32_t, int32_t) {}

template <Path path, typename M, typename Fetch>
void texColorSpan(const SpanContext& ctx, uint32_t* dst, const uint32_t* texels, uint32_t colour,
                  int32_t count, int32_t u, int32_t v, int32_t du, int32_t dv) {
  fill<path, M, Depth::kNone>(
      ctx, dst, {}, count,
      TexelSource<Fetch, ColourConstant>{{ctx, texels, u, v, du, dv}, {colour}});
}
template <Path path, typename M, typename Fetch>
void texColorSpanZ(const SpanContext& ctx, uint32_t* dst, uint32_t* zdst, const uint32_t* texels,
                   uint32_t colour, int32_t count, int32_t u, int32_t v, uint32_t z, int32_t du,
                   int32_t dv, int32_t dz) {
  fill<path, M, Depth::kTested>(
      ctx, dst, {zdst, z, wrap(dz)}, count,
      TexelSource<Fetch, ColourConstant>{{ctx, texels, u, v, du, dv}, {colour}});
}

// A table row: the fetch and the member.
template <typename FetchType, typename MemberType>
struct Row {
  using Fetch = FetchType;
  using M = MemberType;
};

using Point = FetchPoint;
using Tiled = FetchTiled;
using Bilinear = FetchBilinear;
using TMinusC = CombineTMinusC;
using CMinusT = CombineCMinusT;
using TPlusC = CombineTPlusC;
using Colour = CombineColour;
using Texel = CombineTexel;
constexpr DepthWrite kWrites = DepthWrite::kYes;
constexpr DepthWrite kKeeps = DepthWrite::kNo;
constexpr Key kKeyed = Key::kZero;

template <typename Fetch, typename Combine, typename Blend, DepthWrite write>
using R = Row<Fetch, Member<Combine, Blend, write>>;
// Colour source with the texel as per-channel weight.
template <typename Fetch, typename Blend, typename Weight = WeightTexel>
using ByTexel = Row<Fetch, Member<Colour, Blend, kKeeps, Weight>>;
template <typename Fetch, typename Blend, DepthWrite write>
using Keyed = Row<Fetch, Member<Colour, Blend, write, WeightOpacity, kKeyed>>;

template <Path path, typename... Rows>
constexpr std::array<SpanFillerPair<TexShadeSpan, TexShadeSpanZ>, sizeof...(Rows)> texShadeTable() {
  return {{{&texShadeSpan<path, typename Rows::M, typename Rows::Fetch>,
            &texShadeSpanZ<path, typename Rows::M, typename Rows::Fetch>}...}};
}
template <Path path>
constexpr auto kTexShade = texShadeTable<
    path,  // in TexShadeSpanKind order
    R<Point, TMinusC, BlendReplace, kWrites>, R<Point, CMinusT, BlendReplace, kWrites>,
    R<Point, TPlusC, BlendReplace, kWrites>, R<Point, TMinusC, BlendAverage, kKeeps>,
    R<Point, TMinusC, BlendAlpha, kKeeps>, R<Point, TMinusC, BlendAdd, kWrites>,
    R<Point, TPlusC, BlendAdd, kWrites>, R<Point, CMinusT, BlendAdd, kWrites>,
    R<Point, TMinusC, BlendSub, kWrites>, R<Point, TPlusC, BlendSub, kKeeps>,
    Keyed<Point, BlendReplace, kWrites>, Keyed<Point, BlendAverage, kKeeps>,
    Keyed<Point, BlendAlpha, kKeeps>, Keyed<Point, BlendAdd, kKeeps>,
    Keyed<Point, BlendSub, kKeeps>, ByTexel<Point, BlendAlpha>, ByTexel<Point, BlendAddScaled>,
    ByTexel<Point, BlendSubScaled>, R<Tiled, TMinusC, BlendReplace, kWrites>,
    R<Tiled, TMinusC, BlendAdd, kWrites>, R<Tiled, TMinusC, BlendSub, kWrites>,
    Keyed<Tiled, BlendReplace, kWrites>, Keyed<Tiled, BlendAdd, kKeeps>,
    Keyed<Tiled, BlendSub, kKeeps>, ByTexel<Tiled, BlendAlpha>, ByTexel<Tiled, BlendAddScaled>,
    ByTexel<Tiled, BlendSubScaled>, R<Bilinear, TMinusC, BlendReplace, kWrites>,
    R<Bilinear, TMinusC, BlendAverage, kKeeps>, R<Bilinear, TMinusC, BlendAlpha, kKeeps>,
    R<Bilinear, TMinusC, BlendAdd, kKeeps>, R<Bilinear, CMinusT, BlendAdd, kKeeps>,
    R<Bilinear, TMinusC, BlendSub, kKeeps>,
    // The alpha blend weighted by 255 - t swaps the roles.
    Row<Bilinear, Member<Colour, BlendAlpha, kWrites, WeightTexelInverse>>>();
static_assert(kTexShade<Path::kScalar>.size() ==
              static_cast<size_t>(TexShadeSpanKind::kBilinearTextureAsAlphaSwapped) + 1);

template <Path path, typename... Rows>
constexpr std::array<SpanFillerPair<TextureSpan, TextureSpanZ>, sizeof...(Rows) + 1>
textureTable() {
  return {{{&textureSpan<path, typename Rows::M, typename Rows::Fetch>,
            &textureSpanZ<path, typename Rows::M, typename Rows::Fetch>}...,
           {&textureNothing, &textureNothingZ}}};
}
template <Path path>
constexpr auto kTexture = textureTable<
    path,  // in TextureSpanKind order; kSubtractive last
    R<Point, Texel, BlendReplace, kWrites>, R<Point, Texel, BlendAverage, kKeeps>,
    R<Point, Texel, BlendAlpha, kKeeps>, R<Point, Texel, BlendAdd, kKeeps>,
    R<Point, Texel, BlendAddScaled, kKeeps>, R<Tiled, Texel, BlendReplace, kWrites>,
    R<Tiled, Texel, BlendAverage, kKeeps>, R<Tiled, Texel, BlendAlpha, kKeeps>,
    R<Tiled, Texel, BlendAdd, kKeeps>, R<Tiled, Texel, BlendAddScaled, kKeeps>,
    R<Bilinear, Texel, BlendReplace, kWrites>, R<Bilinear, Texel, BlendAverage, kKeeps>,
    R<Bilinear, Texel, BlendAlpha, kKeeps>, R<Bilinear, Texel, BlendAdd, kKeeps>,
    R<Bilinear, Texel, BlendAddScaled, kKeeps>>();
static_assert(kTexture<Path::kScalar>.size() ==
              static_cast<size_t>(TextureSpanKind::kSubtractive) + 1);

template <Path path, typename... Rows>
constexpr std::array<SpanFillerPair<TexColorSpan, TexColorSpanZ>, sizeof...(Rows)> texColorTable() {
  return {{{&texColorSpan<path, typename Rows::M, typename Rows::Fetch>,
            &texColorSpanZ<path, typename Rows::M, typename Rows::Fetch>}...}};
}
template <Path path>
constexpr auto kTexColor = texColorTable<
    path,  // in TexColorSpanKind order; t - k is t - c with the span's colour
    R<Point, TMinusC, BlendReplace, kWrites>, R<Point, TMinusC, BlendAverage, kKeeps>,
    R<Point, TMinusC, BlendAlpha, kKeeps>, R<Point, TMinusC, BlendAdd, kKeeps>,
    R<Point, TMinusC, BlendSub, kKeeps>, R<Bilinear, TMinusC, BlendReplace, kWrites>,
    R<Bilinear, TMinusC, BlendAverage, kKeeps>, R<Bilinear, TMinusC, BlendAlpha, kKeeps>,
    R<Bilinear, TMinusC, BlendAdd, kKeeps>, R<Bilinear, TMinusC, BlendSub, kKeeps>,
    Keyed<Point, BlendReplace, kWrites>, Keyed<Point, BlendAverage, kKeeps>,
    Keyed<Point, BlendAlpha, kKeeps>, Keyed<Point, BlendAdd, kKeeps>,
    Keyed<Point, BlendSub, kKeeps>, ByTexel<Point, BlendAlpha>, ByTexel<Point, BlendAddScaled>,
    ByTexel<Point, BlendSubScaled>, ByTexel<Bilinear, BlendAlpha>,
    ByTexel<Bilinear, BlendAddScaled>, ByTexel<Bilinear, BlendSubScaled>>();
static_assert(kTexColor<Path::kScalar>.size() ==
              static_cast<size_t>(TexColorSpanKind::kBilinearSubScaledByT) + 1);

}  // namespace RASTER_SPAN_ISA
}  // namespace span
