// Which span filler each polygon drawer installs for a sub-material: one table per drawer, each
// row (shading type, blend mode, opacity, texture option, tiled copy, map combination k) with the
// member the drawer's selection table names.

#include <gtest/gtest.h>

#include <vector>

#include "s3d/s3d_raster_material.h"

namespace {

template <class Kind>
struct Row {
  SpanChoice choice;
  Kind kind;
};

SpanChoice c(int32_t shadingType, int32_t blendMode, float opacity, int32_t textureOption = 0,
             bool tiled = false, int32_t combination = 0) {
  return {shadingType, blendMode, opacity, textureOption, tiled, combination};
}

template <class Kind, class Choose>
void expectTable(const std::vector<Row<Kind>>& rows, Choose choose) {
  for (std::size_t i = 0; i < rows.size(); ++i)
    EXPECT_EQ(choose(rows[i].choice), rows[i].kind)
        << "row " << i << ": shading " << rows[i].choice.shadingType << ", blend "
        << rows[i].choice.blendMode << ", opacity " << rows[i].choice.opacity << ", option "
        << rows[i].choice.textureOption << ", tiled " << rows[i].choice.tiled << ", k "
        << rows[i].choice.combination;
}

TEST(S3DSpanChoice, Flat) {
  using K = FlatSpanKind;
  expectTable<K>({{c(0, 0, 1.0f), K::kReplace},
                  {c(0, 0, 0.5f), K::kAverage},
                  {c(0, 0, 0.999f), K::kAlpha},
                  {c(100, 0, 0.0f), K::kAlpha},
                  {c(20, 0, 1.0f), K::kAlpha},
                  {c(20, 0, 0.5f), K::kAlpha},
                  {c(0, 3, 1.0f), K::kSub},
                  {c(0, 3, 0.5f), K::kSub},
                  {c(20, 3, 1.0f), K::kSubScaled},
                  {c(0, 1, 1.0f), K::kAdd},
                  {c(0, 2, 0.3f), K::kAdd},
                  {c(0, -1, 1.0f), K::kAdd},
                  {c(20, 7, 0.5f), K::kAddScaled}},
                 chooseFlatSpan);
}

TEST(S3DSpanChoice, Gouraud) {
  using K = GouraudSpanKind;
  expectTable<K>({{c(0, 0, 1.0f), K::kReplace},
                  {c(0, 0, 0.5f), K::kAverage},
                  {c(1000, 0, 0.25f), K::kAlpha},
                  {c(20, 0, 1.0f), K::kAlphaByLevel},
                  {c(20, 0, 0.5f), K::kAlphaByLevel},
                  {c(0, 3, 0.5f), K::kSub},
                  {c(20, 3, 1.0f), K::kSubScaledByLevel},
                  {c(0, 1, 1.0f), K::kAdd},
                  {c(0, 4, 0.5f), K::kAdd},
                  {c(20, 1, 1.0f), K::kAddScaledByLevel}},
                 chooseGouraudSpan);
}

TEST(S3DSpanChoice, VertexAlpha) {
  using K = VertexAlphaSpanKind;
  expectTable<K>({{c(0, 0, 1.0f), K::kAlphaByVertexAlpha},
                  {c(20, 0, 0.5f), K::kAlphaByVertexAlpha},
                  {c(0, 3, 1.0f), K::kSubScaledByVertexAlpha},
                  {c(0, 1, 1.0f), K::kAddScaledByVertexAlpha},
                  {c(100, 2, 0.5f), K::kAddScaledByVertexAlpha}},
                 chooseVertexAlphaSpan);
}

TEST(S3DSpanChoice, Texture) {
  using K = TextureSpanKind;
  // Fetch: bilinear with a texture option, else tiled with a tiled copy, else point.
  expectTable<K>({{c(200, 0, 1.0f), K::kPointReplace},
                  {c(200, 0, 0.5f), K::kPointAverage},
                  {c(200, 0, 0.7f), K::kPointAlpha},
                  {c(200, 0, 1.0f, 0, true), K::kTiledReplace},
                  {c(200, 0, 0.5f, 0, true), K::kTiledAverage},
                  {c(200, 0, 1.0f, 1, true), K::kBilinearReplace},
                  {c(200, 0, 0.2f, 2, false), K::kBilinearAlpha},
                  {c(200, 1, 1.0f), K::kPointAdd},
                  {c(200, 1, 0.5f, 0, true), K::kTiledAddScaled},
                  {c(200, 2, 1.0f, 1), K::kBilinearAdd},
                  {c(200, 2, 0.2f, 1), K::kBilinearAddScaled},
                  {c(200, 3, 1.0f), K::kSubtractive},
                  {c(200, 3, 0.5f, 1, true), K::kSubtractive}},
                 chooseTextureSpan);
}

TEST(S3DSpanChoice, Perspective) {
  using K = PerspectiveSpanKind;
  // Point without the texture option (a tiled copy is not used), bilinear with it.
  expectTable<K>({{c(201, 0, 1.0f), K::kPointReplace},
                  {c(201, 0, 1.0f, 0, true), K::kPointReplace},
                  {c(201, 0, 0.5f), K::kPointAverage},
                  {c(201, 0, 0.25f), K::kPointAlpha},
                  {c(201, 3, 1.0f), K::kPointSub},
                  {c(201, 3, 0.5f), K::kPointSubScaled},
                  {c(201, 1, 1.0f), K::kPointAdd},
                  {c(201, 1, 0.5f), K::kPointAddScaled},
                  {c(201, 0, 1.0f, 5), K::kBilinearReplace},
                  {c(201, 0, 0.5f, 1), K::kBilinearAverage},
                  {c(201, 0, 0.9f, 1), K::kBilinearAlpha},
                  {c(201, 3, 1.0f, 1), K::kBilinearSub},
                  {c(201, 3, 0.1f, 1), K::kBilinearSubScaled},
                  {c(201, 4, 1.0f, 1), K::kBilinearAdd},
                  {c(201, 4, 0.6f, 1), K::kBilinearAddScaled}},
                 choosePerspectiveSpan);
}

TEST(S3DSpanChoice, TexShade) {
  using K = TexShadeSpanKind;
  // c(shading, blend, opacity, texture option, tiled, k).
  expectTable<K>(
      {// Shading 3: the texel weighs the table colour.
       {c(3, 1, 1.0f, 1, true), K::kPointAddScaledByT},
       {c(3, 3, 1.0f, 1, true), K::kPointSubScaledByT},
       {c(3, 0, 0.5f, 1, true), K::kBilinearTextureAsAlphaSwapped},
       {c(3, 1, 1.0f, 0, true), K::kTiledAddScaledByT},
       {c(3, 1, 1.0f, 0, false), K::kPointAddScaledByT},
       {c(3, 3, 1.0f, 0, true), K::kTiledSubScaledByT},
       {c(3, 3, 0.5f, 0, false), K::kPointSubScaledByT},
       {c(3, 0, 1.0f, 0, true), K::kTiledTextureAsAlpha},
       {c(3, 2, 1.0f, 0, false), K::kPointTextureAsAlpha},
       // Shading 2: keyed, whatever the texture option.
       {c(2, 1, 1.0f, 1, true), K::kTiledKeyedAdd},
       {c(2, 1, 0.5f, 0, false), K::kPointKeyedAdd},
       {c(2, 3, 1.0f, 0, true), K::kTiledKeyedSub},
       {c(2, 3, 1.0f, 1, false), K::kPointKeyedSub},
       {c(2, 0, 0.5f, 0, true), K::kPointKeyedAverage},
       {c(2, 0, 0.3f, 0, true), K::kPointKeyedAlpha},
       {c(2, 0, 1.0f, 1, true), K::kTiledKeyedReplace},
       {c(2, 0, 1.0f, 0, false), K::kPointKeyedReplace},
       // Other shading types, filtered.
       {c(1, 1, 1.0f, 1, false, 0), K::kBilinearTMinusCAdd},
       {c(1, 1, 1.0f, 1, false, 1), K::kBilinearTMinusCAdd},
       {c(1, 1, 1.0f, 1, false, 3), K::kBilinearCMinusTAdd},
       {c(1, 3, 1.0f, 1, true, 2), K::kBilinearTMinusCSub},
       {c(1, 0, 0.5f, 1, false, 1), K::kBilinearTMinusCAverage},
       {c(1, 0, 1.0f, 1, true, 0), K::kBilinearTMinusCReplace},
       {c(1, 2, 0.4f, 1, false, 0), K::kBilinearTMinusCAlpha},
       // Other shading types, unfiltered, additive.
       {c(1, 1, 1.0f, 0, true, 0), K::kTiledTMinusCAdd},
       {c(1, 1, 1.0f, 0, false, 0), K::kPointTMinusCAdd},
       {c(1, 1, 1.0f, 0, true, 1), K::kPointTPlusCAdd},
       {c(1, 1, 1.0f, 0, true, 2), K::kPointCMinusTAdd},
       {c(1, 1, 0.5f, 0, false, -1), K::kPointCMinusTAdd},
       // ... subtractive.
       {c(1, 3, 1.0f, 0, true, 0), K::kTiledTMinusCSub},
       {c(1, 3, 1.0f, 0, false, 0), K::kPointTMinusCSub},
       {c(1, 3, 1.0f, 0, true, 1), K::kPointTPlusCSub},
       {c(1, 3, 0.5f, 0, false, 3), K::kPointTPlusCSub},
       // ... other blend modes.
       {c(1, 0, 0.5f, 0, true, 1), K::kPointTPlusCReplace},
       {c(1, 2, 1.0f, 0, false, 2), K::kPointCMinusTReplace},
       {c(1, 0, 0.5f, 0, true, 0), K::kPointTMinusCAverage},
       {c(1, 0, 0.8f, 0, true, 0), K::kPointTMinusCAlpha},
       {c(1, 0, 1.0f, 0, true, 0), K::kTiledTMinusCReplace},
       {c(1, 0, 1.0f, 0, false, 0), K::kPointTMinusCReplace}},
      chooseTexShadeSpan);
}

TEST(S3DSpanChoice, TexColor) {
  using K = TexColorSpanKind;
  expectTable<K>(
      {// 103: the texel weighs the colour k.
       {c(103, 1, 1.0f), K::kPointAddScaledByT},
       {c(103, 1, 0.5f, 1), K::kBilinearAddScaledByT},
       {c(103, 3, 1.0f), K::kPointSubScaledByT},
       {c(103, 3, 1.0f, 1), K::kBilinearSubScaledByT},
       {c(103, 0, 0.5f), K::kPointTextureAsAlpha},
       {c(103, 2, 1.0f, 1), K::kBilinearTextureAsAlpha},
       // 102: keyed, point fetch whatever the texture option.
       {c(102, 1, 1.0f, 1), K::kPointKeyedAdd},
       {c(102, 3, 0.5f, 1), K::kPointKeyedSub},
       {c(102, 0, 0.5f, 1), K::kPointKeyedAverage},
       {c(102, 0, 1.0f), K::kPointKeyedReplace},
       {c(102, 2, 0.6f), K::kPointKeyedAlpha},
       // 101 and any other: t - k.
       {c(101, 1, 1.0f), K::kPointTMinusKAdd},
       {c(101, 1, 0.5f, 1), K::kBilinearTMinusKAdd},
       {c(101, 3, 1.0f), K::kPointTMinusKSub},
       {c(0, 3, 1.0f, 1), K::kBilinearTMinusKSub},
       {c(101, 0, 0.5f), K::kPointTMinusKAverage},
       {c(101, 0, 1.0f), K::kPointTMinusKReplace},
       {c(101, 2, 0.3f), K::kPointTMinusKAlpha},
       {c(104, 0, 0.5f, 1), K::kBilinearTMinusKAverage},
       {c(101, 0, 1.0f, 1), K::kBilinearTMinusKReplace},
       {c(101, 7, 0.3f, 1), K::kBilinearTMinusKAlpha}},
      chooseTexColorSpan);
}

}  // namespace
