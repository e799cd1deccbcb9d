#include "raster/span_filler.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace {

// Every path this CPU runs: the wide one only where it has AVX2.
std::vector<SpanPath> availablePaths() {
  std::vector<SpanPath> paths = {SpanPath::kScalar, SpanPath::kPacked};
  if (spanPathAvailable(SpanPath::kWide)) {
    paths.push_back(SpanPath::kWide);
  }
  return paths;
}
const std::vector<SpanPath> kPaths = availablePaths();

// A 256 x 256 texture with the bilinear fetch's guard rows, every texel distinct.
std::vector<uint32_t> numberedTexture() {
  std::vector<uint32_t> texels(256 * 258);
  for (size_t i = 0; i < texels.size(); ++i) {
    texels[i] = static_cast<uint32_t>(i) * 0x9E3779B1u | 1u;
  }
  return texels;
}

// ---- Depth ----

TEST(SpanDepth, EqualZIsDrawnAndOnlyTheOpaqueFillerStoresIt) {
  const SpanContext ctx;
  for (SpanPath path : kPaths) {
    // Pixel 0: stored z equal; pixel 1: stored z below (z stored by replace); pixel 2: above.
    const uint32_t z = 0x80000000u;
    std::array<uint32_t, 3> pixels = {0x01020304u, 0x01020304u, 0x01020304u};
    std::array<uint32_t, 3> depths = {z, z - 1, z + 1};
    flatSpanFillers(FlatSpanKind::kReplace, path)
        .spanFillerZ(ctx, pixels.data(), depths.data(), 3, z, 0, 0xAABBCCDDu);
    EXPECT_EQ(pixels, (std::array<uint32_t, 3>{0xAABBCCDDu, 0xAABBCCDDu, 0x01020304u}));
    EXPECT_EQ(depths, (std::array<uint32_t, 3>{z, z, z + 1}));

    pixels = {0x01020304u, 0x01020304u, 0x01020304u};
    depths = {z, z - 1, z + 1};
    flatSpanFillers(FlatSpanKind::kAdd, path)
        .spanFillerZ(ctx, pixels.data(), depths.data(), 3, z, 0, 0x10101010u);
    EXPECT_EQ(pixels, (std::array<uint32_t, 3>{0x11121314u, 0x11121314u, 0x01020304u}));
    EXPECT_EQ(depths, (std::array<uint32_t, 3>{z, z - 1, z + 1}));
  }
}

TEST(SpanDepth, TheDepthValueAdvancesOverSkippedPixelsAndWraps) {
  const SpanContext ctx;
  for (SpanPath path : kPaths) {
    std::array<uint32_t, 6> pixels{};
    // z runs 0xFFFFFFFE, 0xFFFFFFFF, 0, 1, 2, 3: the last four wrap below the stored 5.
    std::array<uint32_t, 6> depths = {0, 0xFFFFFFFFu, 5, 5, 0, 5};
    flatSpanFillers(FlatSpanKind::kReplace, path)
        .spanFillerZ(ctx, pixels.data(), depths.data(), 6, 0xFFFFFFFEu, 1, 7u);
    EXPECT_EQ(pixels, (std::array<uint32_t, 6>{7, 7, 0, 0, 7, 0}));
    EXPECT_EQ(depths, (std::array<uint32_t, 6>{0xFFFFFFFEu, 0xFFFFFFFFu, 5, 5, 2, 5}));
  }
}

// ---- Fetches ----

TEST(SpanFetch, KeyedTexelZeroLeavesPixelAndDepthAlone) {
  std::vector<uint32_t> texels(256 * 258, 0);
  texels[1] = 0x00000100u;  // column 1 of row 0 is not keyed
  const SpanContext ctx;
  const uint32_t table[256] = {0x11223344u};
  for (SpanPath path : kPaths) {
    for (TexShadeSpanKind kind :
         {TexShadeSpanKind::kPointKeyedReplace, TexShadeSpanKind::kPointKeyedAdd}) {
      std::array<uint32_t, 2> pixels = {0x55555555u, 0x55555555u};
      std::array<uint32_t, 2> depths = {1, 1};
      texShadeSpanFillers(kind, path)
          .spanFillerZ(ctx, pixels.data(), depths.data(), texels.data(), table, 2, 0, 0, 0, 9,
                       1 << 16, 0, 0, 0);
      const bool opaque = kind == TexShadeSpanKind::kPointKeyedReplace;
      EXPECT_EQ(pixels[0], 0x55555555u);
      EXPECT_EQ(depths[0], 1u);
      EXPECT_EQ(pixels[1], opaque ? 0x11223344u : 0x66778899u);
      EXPECT_EQ(depths[1], opaque ? 9u : 1u);
    }
  }
}

TEST(SpanFetch, PointUMinusOneReadsTheLastColumn) {
  const std::vector<uint32_t> texels = numberedTexture();
  const SpanContext ctx;
  for (SpanPath path : kPaths) {
    uint32_t pixel = 0;
    textureSpanFillers(TextureSpanKind::kPointReplace, path)
        .spanFiller(ctx, &pixel, texels.data(), 1, -65536, 3 << 16, 0, 0);
    EXPECT_EQ(pixel, texels[3 * 256 + 255]);
  }
}

TEST(SpanFetch, TiledNineOneReadsWord2057) {
  std::vector<uint32_t> tiled(65536, 0);
  tiled[2057] = 0xCAFEF00Du;
  SpanContext ctx;
  ctx.pTiled = tiled.data();
  for (SpanPath path : kPaths) {
    uint32_t pixel = 0;
    textureSpanFillers(TextureSpanKind::kTiledReplace, path)
        .spanFiller(ctx, &pixel, nullptr, 1, 9 << 16, 1 << 16, 0, 0);
    EXPECT_EQ(pixel, 0xCAFEF00Du);
    // Without a tiled copy the tiled fillers draw nothing.
    ctx.pTiled = nullptr;
    pixel = 5;
    textureSpanFillers(TextureSpanKind::kTiledReplace, path)
        .spanFiller(ctx, &pixel, nullptr, 1, 9 << 16, 1 << 16, 0, 0);
    EXPECT_EQ(pixel, 5u);
    ctx.pTiled = tiled.data();
  }
}

TEST(SpanFetch, BilinearOnATexelReturnsIt) {
  const std::vector<uint32_t> texels = numberedTexture();
  const SpanContext ctx;
  for (SpanPath path : kPaths) {
    // The last texel of the texture: its unwrapped neighbours lie in the guard rows.
    uint32_t pixels[2] = {};
    textureSpanFillers(TextureSpanKind::kBilinearReplace, path)
        .spanFiller(ctx, pixels, texels.data(), 2, 255 << 16, 255 << 16, -(200 << 16), -(3 << 16));
    EXPECT_EQ(pixels[0], texels[255 * 256 + 255]);
    EXPECT_EQ(pixels[1], texels[252 * 256 + 55]);
  }
}

TEST(SpanFetch, TheTextureDrawersSubtractivePairDrawsNothing) {
  const std::vector<uint32_t> texels = numberedTexture();
  const SpanContext ctx;
  for (SpanPath path : kPaths) {
    const auto pair = textureSpanFillers(TextureSpanKind::kSubtractive, path);
    uint32_t pixels[3] = {1, 2, 3};
    uint32_t depths[3] = {0, 0, 0};
    pair.spanFiller(ctx, pixels, texels.data(), 3, 0, 0, 1 << 16, 0);
    pair.spanFillerZ(ctx, pixels, depths, texels.data(), 3, 0, 0, 100, 1 << 16, 0, 0);
    EXPECT_EQ(pixels[0] + pixels[1] * 10 + pixels[2] * 100, 321u);
    EXPECT_EQ(depths[0] | depths[1] | depths[2], 0u);
  }
}

TEST(SpanFetch, PerspectiveWithZeroInverseDepthClampsItsCoordinates) {
  const std::vector<uint32_t> texels = numberedTexture();
  const SpanContext ctx;
  for (SpanPath path : kPaths) {
    // u/z / 0 is +infinity and v/z / 0 is -infinity: u clamps to 0x7FFFFFFF (column 255), v to
    // -2^31 (row 0); the depth value is 0, which passes over a cleared buffer.
    std::array<uint32_t, 20> pixels{};
    std::array<uint32_t, 20> depths{};
    perspectiveSpanFillers(PerspectiveSpanKind::kPointReplace, path)
        .spanFillerZ(ctx, pixels.data(), depths.data(), texels.data(), 20, 1.0f, -1.0f, 0.0f, 1e30f,
                     -1e38f, 0.0f);
    for (uint32_t pixel : pixels) {
      EXPECT_EQ(pixel, texels[255]);
    }
    EXPECT_EQ(depths[19], 0u);
  }
}

TEST(SpanSelection, ANullTableDrawsNothing) {
  const SpanContext ctx;
  for (SpanPath path : kPaths) {
    uint32_t pixels[5] = {1, 2, 3, 4, 5};
    gouraudSpanFillers(GouraudSpanKind::kReplace, path).spanFiller(ctx, pixels, nullptr, 5, 0, 0);
    EXPECT_EQ(pixels[0] + pixels[4], 6u);
  }
}

TEST(SpanSelection, AnOutOfRangeKindGivesNoFillers) {
  const auto pair = flatSpanFillers(static_cast<FlatSpanKind>(7));
  EXPECT_EQ(pair.spanFiller, nullptr);
  EXPECT_EQ(pair.spanFillerZ, nullptr);
  EXPECT_EQ(perspectiveSpanFillers(static_cast<PerspectiveSpanKind>(-1)).spanFiller, nullptr);
}

// ---- Blends, every (d, s) byte pair and every opacity ----

// Pixel i of the span holds the byte i in its lowest byte, so one span covers every d against
// one source byte; the other bytes are mixed so that no channel leaks into another.
uint32_t destination(uint32_t i) {
  return i | ((255 - i) << 8) | ((i ^ 0x80u) << 16) | (((i * 7) & 255u) << 24);
}
uint32_t sourceColour(uint32_t s) {
  return s | ((s ^ 0x5Au) << 8) | ((255 - s) << 16) | (s << 24);
}

using ByteFormula = std::function<uint32_t(uint32_t d, uint32_t s, uint32_t a)>;

void expectFlatBlend(FlatSpanKind kind, const ByteFormula& formula, bool weighted) {
  SpanContext ctx;
  std::array<uint32_t, 256> pixels{};
  for (SpanPath path : kPaths) {
    const FlatSpan filler = flatSpanFillers(kind, path).spanFiller;
    for (uint32_t a = 0; a < (weighted ? 256u : 1u); ++a) {
      ctx.alpha = a;
      for (uint32_t s = 0; s < 256; ++s) {
        for (uint32_t i = 0; i < 256; ++i) {
          pixels[i] = destination(i);
        }
        const uint32_t colour = sourceColour(s);
        filler(ctx, pixels.data(), 256, colour);
        for (uint32_t i = 0; i < 256; ++i) {
          uint32_t expected = 0;
          for (uint32_t shift = 0; shift < 32; shift += 8) {
            expected |= formula((destination(i) >> shift) & 255, (colour >> shift) & 255, a)
                        << shift;
          }
          if (pixels[i] != expected) {
            FAIL() << "kind " << static_cast<int>(kind) << " d " << i << " s " << s << " a " << a
                   << " path " << static_cast<int>(path);
          }
        }
      }
    }
  }
}

uint32_t clampByte(int value) {
  return static_cast<uint32_t>(value < 0 ? 0 : (value > 255 ? 255 : value));
}

TEST(SpanBlend, FixedEdgeValues) {
  SpanContext ctx;
  ctx.alpha = 255;
  for (SpanPath path : kPaths) {
    uint32_t pixel = 0;
    flatSpanFillers(FlatSpanKind::kAlpha, path).spanFiller(ctx, &pixel, 1, 0xFFFFFFFFu);
    EXPECT_EQ(pixel, 0xFEFEFEFEu);
    pixel = 0xFFFFFFFFu;
    flatSpanFillers(FlatSpanKind::kAverage, path).spanFiller(ctx, &pixel, 1, 0xFFFFFFFFu);
    EXPECT_EQ(pixel, 0xFFFFFFFFu);
  }
}

TEST(SpanBlend, UnweightedBlendsOverEveryPair) {
  expectFlatBlend(
      FlatSpanKind::kReplace, [](uint32_t, uint32_t s, uint32_t) { return s; }, false);
  expectFlatBlend(
      FlatSpanKind::kAverage, [](uint32_t d, uint32_t s, uint32_t) { return (d + s) / 2; }, false);
  expectFlatBlend(
      FlatSpanKind::kAdd,
      [](uint32_t d, uint32_t s, uint32_t) { return clampByte(static_cast<int>(d + s)); }, false);
  expectFlatBlend(
      FlatSpanKind::kSub,
      [](uint32_t d, uint32_t s, uint32_t) { return clampByte(int(d) - int(s)); }, false);
}

TEST(SpanBlend, WeightedBlendsOverEveryPairAndOpacity) {
  expectFlatBlend(
      FlatSpanKind::kAlpha,
      [](uint32_t d, uint32_t s, uint32_t a) { return (d * (255 - a)) / 256 + (s * a) / 256; },
      true);
  expectFlatBlend(
      FlatSpanKind::kAddScaled,
      [](uint32_t d, uint32_t s, uint32_t a) { return clampByte(int(d + (s * a) / 256)); }, true);
  expectFlatBlend(
      FlatSpanKind::kSubScaled,
      [](uint32_t d, uint32_t s, uint32_t a) { return clampByte(int(d) - int((s * a) / 256)); },
      true);
}

// ---- Paths ----

TEST(SpanPaths, DefaultIsTheBestAvailableAndWideFallsBackToPacked) {
  const bool wide = spanPathAvailable(SpanPath::kWide);
  EXPECT_EQ(bestSpanPath(), wide ? SpanPath::kWide : SpanPath::kPacked);
  EXPECT_TRUE(spanPathAvailable(SpanPath::kScalar) && spanPathAvailable(SpanPath::kPacked));
  const auto packed = flatSpanFillers(FlatSpanKind::kReplace, SpanPath::kPacked);
  const auto widest = flatSpanFillers(FlatSpanKind::kReplace, SpanPath::kWide);
  EXPECT_EQ(widest.spanFillerZ == packed.spanFillerZ, !wide);
  EXPECT_EQ(flatSpanFillers(FlatSpanKind::kReplace).spanFiller, widest.spanFiller);
  EXPECT_EQ(textureSpanFillers(static_cast<TextureSpanKind>(99), SpanPath::kWide).spanFiller,
            nullptr);
}

}  // namespace
