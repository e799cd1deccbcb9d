#include "s3d/s3d_raster_material.h"

namespace {

// Blend modes as the tables name them.
constexpr int32_t kNormal = 0;
constexpr int32_t kAdditive = 1;
constexpr int32_t kSubtractive = 3;
constexpr int32_t kOpacityWeighted = 20;

bool isHalf(float opacity) {
  return opacity == 0.5f;
}
bool isOpaque(float opacity) {
  return opacity == 1.0f;
}

// average at 0.5, replace at 1.0, alpha otherwise: the rule of every normal blend.
template <class Kind>
Kind byOpacity(float opacity, Kind average, Kind replace, Kind alpha) {
  return isHalf(opacity) ? average : isOpaque(opacity) ? replace : alpha;
}

}  // namespace

FlatSpanKind chooseFlatSpan(const SpanChoice& c) {
  const bool weighted = c.shadingType == kOpacityWeighted;
  if (c.blendMode == kNormal)
    return weighted ? FlatSpanKind::kAlpha
                    : byOpacity(c.opacity, FlatSpanKind::kAverage, FlatSpanKind::kReplace,
                                FlatSpanKind::kAlpha);
  if (c.blendMode == kSubtractive) return weighted ? FlatSpanKind::kSubScaled : FlatSpanKind::kSub;
  return weighted ? FlatSpanKind::kAddScaled : FlatSpanKind::kAdd;
}

GouraudSpanKind chooseGouraudSpan(const SpanChoice& c) {
  using K = GouraudSpanKind;
  const bool weighted = c.shadingType == kOpacityWeighted;
  if (c.blendMode == kNormal)
    return weighted ? K::kAlphaByLevel : byOpacity(c.opacity, K::kAverage, K::kReplace, K::kAlpha);
  if (c.blendMode == kSubtractive) return weighted ? K::kSubScaledByLevel : K::kSub;
  return weighted ? K::kAddScaledByLevel : K::kAdd;
}

VertexAlphaSpanKind chooseVertexAlphaSpan(const SpanChoice& c) {
  if (c.blendMode == kNormal) return VertexAlphaSpanKind::kAlphaByVertexAlpha;
  if (c.blendMode == kSubtractive) return VertexAlphaSpanKind::kSubScaledByVertexAlpha;
  return VertexAlphaSpanKind::kAddScaledByVertexAlpha;
}

TexShadeSpanKind chooseTexShadeSpan(const SpanChoice& c) {
  using K = TexShadeSpanKind;
  const bool filtered = c.textureOption != 0;
  // The texture's colour weighs the table colour (3), keys it (2), or combines with it.
  if (c.shadingType == 3) {
    if (c.blendMode == kAdditive)
      return !filtered && c.tiled ? K::kTiledAddScaledByT : K::kPointAddScaledByT;
    if (c.blendMode == kSubtractive)
      return !filtered && c.tiled ? K::kTiledSubScaledByT : K::kPointSubScaledByT;
    if (filtered) return K::kBilinearTextureAsAlphaSwapped;
    return c.tiled ? K::kTiledTextureAsAlpha : K::kPointTextureAsAlpha;
  }
  if (c.shadingType == 2) {
    if (c.blendMode == kAdditive) return c.tiled ? K::kTiledKeyedAdd : K::kPointKeyedAdd;
    if (c.blendMode == kSubtractive) return c.tiled ? K::kTiledKeyedSub : K::kPointKeyedSub;
    if (isOpaque(c.opacity)) return c.tiled ? K::kTiledKeyedReplace : K::kPointKeyedReplace;
    return isHalf(c.opacity) ? K::kPointKeyedAverage : K::kPointKeyedAlpha;
  }
  const int32_t k = c.combination;
  if (filtered) {
    if (c.blendMode == kAdditive) return k == 3 ? K::kBilinearCMinusTAdd : K::kBilinearTMinusCAdd;
    if (c.blendMode == kSubtractive) return K::kBilinearTMinusCSub;
    return byOpacity(c.opacity, K::kBilinearTMinusCAverage, K::kBilinearTMinusCReplace,
                     K::kBilinearTMinusCAlpha);
  }
  if (c.blendMode == kAdditive) {
    if (k == 0) return c.tiled ? K::kTiledTMinusCAdd : K::kPointTMinusCAdd;
    return k == 1 ? K::kPointTPlusCAdd : K::kPointCMinusTAdd;
  }
  if (c.blendMode == kSubtractive) {
    if (k == 0) return c.tiled ? K::kTiledTMinusCSub : K::kPointTMinusCSub;
    return K::kPointTPlusCSub;
  }
  if (k != 0) return k == 1 ? K::kPointTPlusCReplace : K::kPointCMinusTReplace;
  if (isOpaque(c.opacity)) return c.tiled ? K::kTiledTMinusCReplace : K::kPointTMinusCReplace;
  return isHalf(c.opacity) ? K::kPointTMinusCAverage : K::kPointTMinusCAlpha;
}

TextureSpanKind chooseTextureSpan(const SpanChoice& c) {
  using K = TextureSpanKind;
  if (c.blendMode == kSubtractive) return K::kSubtractive;
  // Members come in runs of five per fetch: replace, average, alpha, add, add scaled.
  const int fetch = c.textureOption != 0 ? static_cast<int>(K::kBilinearReplace)
                    : c.tiled            ? static_cast<int>(K::kTiledReplace)
                                         : static_cast<int>(K::kPointReplace);
  int member;
  if (c.blendMode == kNormal)
    member = isHalf(c.opacity) ? 1 : isOpaque(c.opacity) ? 0 : 2;
  else
    member = isOpaque(c.opacity) ? 3 : 4;
  return static_cast<K>(fetch + member);
}

TexColorSpanKind chooseTexColorSpan(const SpanChoice& c) {
  using K = TexColorSpanKind;
  const bool filtered = c.textureOption != 0;
  if (c.shadingType == 103) {
    if (c.blendMode == kAdditive)
      return filtered ? K::kBilinearAddScaledByT : K::kPointAddScaledByT;
    if (c.blendMode == kSubtractive)
      return filtered ? K::kBilinearSubScaledByT : K::kPointSubScaledByT;
    return filtered ? K::kBilinearTextureAsAlpha : K::kPointTextureAsAlpha;
  }
  if (c.shadingType == 102) {
    if (c.blendMode == kAdditive) return K::kPointKeyedAdd;
    if (c.blendMode == kSubtractive) return K::kPointKeyedSub;
    return byOpacity(c.opacity, K::kPointKeyedAverage, K::kPointKeyedReplace, K::kPointKeyedAlpha);
  }
  if (c.blendMode == kAdditive) return filtered ? K::kBilinearTMinusKAdd : K::kPointTMinusKAdd;
  if (c.blendMode == kSubtractive) return filtered ? K::kBilinearTMinusKSub : K::kPointTMinusKSub;
  return filtered ? byOpacity(c.opacity, K::kBilinearTMinusKAverage, K::kBilinearTMinusKReplace,
                              K::kBilinearTMinusKAlpha)
                  : byOpacity(c.opacity, K::kPointTMinusKAverage, K::kPointTMinusKReplace,
                              K::kPointTMinusKAlpha);
}

PerspectiveSpanKind choosePerspectiveSpan(const SpanChoice& c) {
  using K = PerspectiveSpanKind;
  // Members come in runs of seven per fetch: replace, average, alpha, add, add scaled, sub,
  // sub scaled.
  const int fetch = c.textureOption != 0 ? static_cast<int>(K::kBilinearReplace)
                                         : static_cast<int>(K::kPointReplace);
  int member;
  if (c.blendMode == kNormal)
    member = isHalf(c.opacity) ? 1 : isOpaque(c.opacity) ? 0 : 2;
  else if (c.blendMode == kSubtractive)
    member = isOpaque(c.opacity) ? 5 : 6;
  else
    member = isOpaque(c.opacity) ? 3 : 4;
  return static_cast<K>(fetch + member);
}

void chooseSpans(const SpanChoice& choice, RasterMaterial& out) {
  out.opacity = choice.opacity;
  out.flatSpan = chooseFlatSpan(choice);
  out.gouraudSpan = chooseGouraudSpan(choice);
  out.vertexAlphaSpan = chooseVertexAlphaSpan(choice);
  out.texShadeSpan = chooseTexShadeSpan(choice);
  out.textureSpan = chooseTextureSpan(choice);
  out.texColorSpan = chooseTexColorSpan(choice);
  out.perspectiveSpan = choosePerspectiveSpan(choice);
}
