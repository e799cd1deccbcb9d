#pragma once
// The untextured members (flat colour, shading table, shading table with vertex alpha) as tables
// of filler pairs by path, in the order of their kind enums.

#include <array>

#include "raster/span_filler.h"
#include "raster/span_loop_p.h"

namespace span {
inline namespace RASTER_SPAN_ISA {

using FlatSource = TexelSource<FetchNone, ColourConstant>;
using TableSource = TexelSource<FetchNone, ColourTable>;
using VertexAlphaSource = TexelSource<FetchNone, ColourVertexAlpha>;

template <Path path, typename M>
void flatSpan(const SpanContext& ctx, uint32_t* dst, int32_t count, uint32_t colour) {
  fill<path, M, Depth::kNone>(ctx, dst, {}, count, FlatSource{{}, {colour}});
}
template <Path path, typename M>
void flatSpanZ(const SpanContext& ctx, uint32_t* dst, uint32_t* zdst, int32_t count, uint32_t z,
               int32_t dz, uint32_t colour) {
  fill<path, M, Depth::kTested>(ctx, dst, {zdst, z, wrap(dz)}, count, FlatSource{{}, {colour}});
}

template <Path path, typename M>
void gouraudSpan(const SpanContext& ctx, uint32_t* dst, const uint32_t* table, int32_t count,
                 int32_t l, int32_t dl) {
  fill<path, M, Depth::kNone>(ctx, dst, {}, count, TableSource{{}, {table, wrap(l), wrap(dl)}});
}
template <Path path, typename M>
void gouraudSpanZ(const SpanContext& ctx, uint32_t* dst, uint32_t* zdst, const uint32_t* table,
                  int32_t count, int32_t l, uint32_t z, int32_t dl, int32_t dz) {
  fill<path, M, Depth::kTested>(ctx, dst, {zdst, z, wrap(dz)}, count,
                                TableSource{{}, {table, wrap(l), wrap(dl)}});
}

template <Path path, typename M>
void vertexAlphaSpan(const SpanContext& ctx, uint32_t* dst, const uint32_t* table, int32_t count,
                     int32_t l, int32_t dl, int32_t alpha, int32_t dalpha) {
  fill<path, M, Depth::kNone>(
      ctx, dst, {}, count,
      VertexAlphaSource{{}, {{table, wrap(l), wrap(dl)}, wrap(alpha), wrap(dalpha)}});
}
template <Path path, typename M>
void vertexAlphaSpanZ(const SpanContext& ctx, uint32_t* dst, uint32_t* zdst, const uint32_t* table,
                      int32_t count, int32_t l, int32_t alpha, uint32_t z, int32_t dl,
                      int32_t dalpha, int32_t dz) {
  fill<path, M, Depth::kTested>(
      ctx, dst, {zdst, z, wrap(dz)}, count,
      VertexAlphaSource{{}, {{table, wrap(l), wrap(dl)}, wrap(alpha), wrap(dalpha)}});
}

using Colour = CombineColour;
constexpr DepthWrite kWrites = DepthWrite::kYes;
constexpr DepthWrite kKeeps = DepthWrite::kNo;

template <Path path, typename... M>
constexpr std::array<SpanFillerPair<FlatSpan, FlatSpanZ>, sizeof...(M)> flatTable() {
  return {{{&flatSpan<path, M>, &flatSpanZ<path, M>}...}};
}
template <Path path>
constexpr auto kFlat =
    flatTable<path,  // in FlatSpanKind order
              Member<Colour, BlendReplace, kWrites>, Member<Colour, BlendAverage, kKeeps>,
              Member<Colour, BlendAlpha, kKeeps>, Member<Colour, BlendAdd, kKeeps>,
              Member<Colour, BlendAddScaled, kKeeps>, Member<Colour, BlendSub, kKeeps>,
              Member<Colour, BlendSubScaled, kKeeps>>();
static_assert(kFlat<Path::kScalar>.size() == static_cast<size_t>(FlatSpanKind::kSubScaled) + 1);

template <Path path, typename... M>
constexpr std::array<SpanFillerPair<GouraudSpan, GouraudSpanZ>, sizeof...(M)> gouraudTable() {
  return {{{&gouraudSpan<path, M>, &gouraudSpanZ<path, M>}...}};
}
template <Path path>
constexpr auto kGouraud = gouraudTable<
    path,  // in GouraudSpanKind order
    Member<Colour, BlendReplace, kWrites>, Member<Colour, BlendAverage, kKeeps>,
    Member<Colour, BlendAlpha, kKeeps>, Member<Colour, BlendAlpha, kKeeps, WeightInterpolated>,
    Member<Colour, BlendAdd, kKeeps>, Member<Colour, BlendAddScaled, kKeeps, WeightInterpolated>,
    Member<Colour, BlendSub, kKeeps>, Member<Colour, BlendSubScaled, kKeeps, WeightInterpolated>>();
static_assert(kGouraud<Path::kScalar>.size() ==
              static_cast<size_t>(GouraudSpanKind::kSubScaledByLevel) + 1);

template <Path path, typename... M>
constexpr std::array<SpanFillerPair<VertexAlphaSpan, VertexAlphaSpanZ>, sizeof...(M)>
vertexAlphaTable() {
  return {{{&vertexAlphaSpan<path, M>, &vertexAlphaSpanZ<path, M>}...}};
}
template <Path path>
constexpr auto kVertexAlpha =
    vertexAlphaTable<path,  // in VertexAlphaSpanKind order
                     Member<Colour, BlendAlpha, kKeeps, WeightInterpolated>,
                     Member<Colour, BlendAddScaled, kKeeps, WeightInterpolated>,
                     Member<Colour, BlendSubScaled, kKeeps, WeightInterpolated>>();
static_assert(kVertexAlpha<Path::kScalar>.size() ==
              static_cast<size_t>(VertexAlphaSpanKind::kSubScaledByVertexAlpha) + 1);

}  // namespace RASTER_SPAN_ISA
}  // namespace span
