// The span fillers: every member of every family on every path the CPU runs against a plain
// per-pixel loop written here from the formulas (seeded random spans with guard words around the
// rows), the flat blends over every byte pair and opacity, and the edge cases one by one.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "raster/span_filler.h"

namespace {

// ---- The reference loop ----

enum class Fetch { kNone, kPoint, kTiled, kBilinear };
enum class Source { kTexel, kColour, kTMinusC, kCMinusT, kTPlusC };
// clang-format off
enum class Blend { kReplace, kAverage, kAlpha, kAdd, kAddScaled, kSub, kSubScaled, kSwapped,
                   kNone };
// clang-format on
enum class Weight { kOpacity, kLevel, kVertexAlpha, kTexel };

// One member: what it computes and whether its depth variant stores z.
struct Row {
  Fetch fetch;
  Source source;
  Blend blend;
  Weight weight = Weight::kOpacity;
  bool keyed = false;
  bool writesDepth = false;
};

// Everything a span reads; colours come from the table when tableColour is set, else colour.
struct Inputs {
  SpanContext ctx;
  const uint32_t* texels = nullptr;
  const uint32_t* table = nullptr;
  bool tableColour = false;
  uint32_t colour = 0;
  int32_t u = 0, v = 0, l = 0, alpha = 0, du = 0, dv = 0, dl = 0, dalpha = 0, dz = 0;
  uint32_t z = 0;
  float uz = 0, vz = 0, iz = 0, duz = 0, dvz = 0, diz = 0;
};

uint32_t byteOf(uint32_t word, int k) {
  return (word >> (8 * k)) & 255u;
}
uint32_t clampByte(int64_t value) {
  return static_cast<uint32_t>(std::clamp<int64_t>(value, 0, 255));
}

uint32_t fetchTexel(Fetch fetch, const Inputs& in, uint32_t u, uint32_t v) {
  const auto column = static_cast<uint32_t>(static_cast<int32_t>(u) >> 16);
  const auto row = static_cast<uint32_t>(static_cast<int32_t>(v) >> 16);
  const uint32_t base =
      ((row & in.ctx.rowMask) << in.ctx.columnShift) + (column & in.ctx.columnMask);
  if (fetch == Fetch::kPoint) return in.texels[base];
  if (fetch == Fetch::kTiled) {
    const uint32_t x = column & 255, y = row & 255;
    return in.ctx.pTiled[((x >> 3) << 11) + (y << 3) + (x & 7)];
  }
  const uint32_t fu = static_cast<uint32_t>(static_cast<int32_t>(u) >> 4) & 4095;
  const uint32_t fv = static_cast<uint32_t>(static_cast<int32_t>(v) >> 4) & 4095;
  const uint32_t weights[4] = {((4096 - fu) * (4096 - fv)) >> 16, (fu * (4096 - fv)) >> 16,
                               ((4096 - fu) * fv) >> 16, (fu * fv) >> 16};
  const auto width = static_cast<uint32_t>(in.ctx.width);
  const uint32_t at[4] = {base, base + 1, base + width, base + width + 1};
  uint32_t texel = 0;
  for (int k = 0; k < 4; ++k) {
    uint32_t sum = 0;
    for (int n = 0; n < 4; ++n)
      sum = std::min(sum + byteOf(in.texels[at[n]], k) * weights[n], 65535u);
    texel |= (sum >> 8) << (8 * k);
  }
  return texel;
}

uint32_t blendByte(const Row& row, uint32_t d, uint32_t t, uint32_t c, uint32_t w) {
  const uint32_t sources[] = {t, c, clampByte(int64_t(t) - c), clampByte(int64_t(c) - t),
                              clampByte(int64_t(t) + c)};
  const uint32_t s = sources[static_cast<int>(row.source)];
  const uint32_t results[] = {s,
                              (d + s) >> 1,
                              ((d * (255 - w)) >> 8) + ((s * w) >> 8),
                              clampByte(int64_t(d) + s),
                              clampByte(int64_t(d) + ((s * w) >> 8)),
                              clampByte(int64_t(d) - s),
                              clampByte(int64_t(d) - ((s * w) >> 8)),
                              ((d * t) >> 8) + ((c * (255 - t)) >> 8),
                              d};
  return results[static_cast<int>(row.blend)];
}

// The plain loop: depth test, source, combination, blend, store, then everything advances.
void referenceSpan(const Row& row, const Inputs& in, uint32_t* dst, uint32_t* zdst, int count) {
  if (row.blend == Blend::kNone) return;
  auto u = static_cast<uint32_t>(in.u), v = static_cast<uint32_t>(in.v);
  auto l = static_cast<uint32_t>(in.l), alpha = static_cast<uint32_t>(in.alpha);
  uint32_t z = in.z;
  for (int i = 0; i < count; ++i) {
    const uint32_t level = (l >> 16) & 255;
    const uint32_t t = row.fetch == Fetch::kNone ? 0 : fetchTexel(row.fetch, in, u, v);
    const uint32_t c = in.tableColour ? in.table[level] : in.colour;
    if ((zdst == nullptr || z >= zdst[i]) && !(row.keyed && t == 0)) {
      uint32_t result = 0;
      for (int k = 0; k < 4; ++k) {
        const uint32_t weights[] = {in.ctx.alpha & 255, level, (alpha >> 16) & 255, byteOf(t, k)};
        const uint32_t w = weights[static_cast<int>(row.weight)];
        result |= blendByte(row, byteOf(dst[i], k), byteOf(t, k), byteOf(c, k), w) << (8 * k);
      }
      dst[i] = result;
      if (zdst != nullptr && row.writesDepth) zdst[i] = z;
    }
    u += static_cast<uint32_t>(in.du);
    v += static_cast<uint32_t>(in.dv);
    l += static_cast<uint32_t>(in.dl);
    alpha += static_cast<uint32_t>(in.dalpha);
    z += static_cast<uint32_t>(in.dz);
  }
}

int64_t roundClamp(double x, double low, double high) {
  return std::isnan(x) ? 0 : std::llrint(std::clamp(x, low, high));
}

// Perspective: u, v and depth at the ends of 16-pixel segments, affine inside.
void referencePerspective(const Row& row, Inputs in, uint32_t* dst, uint32_t* zdst, int count) {
  auto fixedOf = [](float x) {
    return static_cast<int32_t>(roundClamp(double(x) * 65536.0, -2147483648.0, 2147483647.0));
  };
  auto depthOf = [](float x) {
    return static_cast<uint32_t>(roundClamp(double(x) * 4294967296.0, 0.0, 4294967295.0));
  };
  int32_t u = fixedOf(in.uz / in.iz), v = fixedOf(in.vz / in.iz);
  uint32_t z = depthOf(in.iz);
  for (int done = 0; done < count;) {
    const int n = std::min(count - done, 16);
    in.uz += float(n) * in.duz;
    in.vz += float(n) * in.dvz;
    in.iz += float(n) * in.diz;
    const int32_t u1 = fixedOf(in.uz / in.iz), v1 = fixedOf(in.vz / in.iz);
    const uint32_t z1 = depthOf(in.iz);
    Inputs segment = in;
    segment.u = u;
    segment.v = v;
    segment.z = z;
    segment.du = static_cast<int32_t>((int64_t(u1) - u) / n);
    segment.dv = static_cast<int32_t>((int64_t(v1) - v) / n);
    segment.dz = static_cast<int32_t>((int64_t(z1) - int64_t(z)) / n);
    referenceSpan(row, segment, dst + done, zdst ? zdst + done : nullptr, n);
    u = u1;
    v = v1;
    z = z1;
    done += n;
  }
}

// ---- The member table ----

constexpr Fetch kN = Fetch::kNone, kP = Fetch::kPoint, kT = Fetch::kTiled, kB = Fetch::kBilinear;
constexpr Source kTex = Source::kTexel, kCol = Source::kColour, kTmc = Source::kTMinusC,
                 kCmt = Source::kCMinusT, kTpc = Source::kTPlusC;
constexpr Weight kA = Weight::kOpacity, kLevel = Weight::kLevel, kVertex = Weight::kVertexAlpha,
                 kByT = Weight::kTexel;
constexpr Blend kReplace = Blend::kReplace, kAverage = Blend::kAverage, kAlpha = Blend::kAlpha,
                kAdd = Blend::kAdd, kAddScaled = Blend::kAddScaled, kSub = Blend::kSub,
                kSubScaled = Blend::kSubScaled;
constexpr bool kKey = true, kZ = true;  // keyed; writes depth

// The seven blends of the flat and perspective drawers; only replace writes depth.
std::vector<Row> sevenBlends(Fetch fetch, Source source) {
  // clang-format off
  return {{fetch, source, kReplace, kA, false, kZ}, {fetch, source, kAverage},
          {fetch, source, kAlpha}, {fetch, source, kAdd}, {fetch, source, kAddScaled},
          {fetch, source, kSub}, {fetch, source, kSubScaled}};
  // clang-format on
}

// Calls member `kind` of a family on a path, without or with depth.
using Draw = void (*)(int kind, SpanPath, bool depth, const Inputs&, uint32_t*, uint32_t*, int);

struct Family {
  const char* name;
  std::vector<Row> rows;  // in the order of the family's enum
  bool tableColour;
  bool perspective;
  Draw draw;
};

std::vector<Family> families() {
  std::vector<Row> texture;
  for (Fetch fetch : {kP, kT, kB}) {
    const std::vector<Row> blends = sevenBlends(fetch, kTex);
    texture.insert(texture.end(), blends.begin(), blends.begin() + 5);
  }
  texture.push_back({kP, kTex, Blend::kNone});
  std::vector<Row> texColor;
  for (const auto& [fetch, source, keyed] :
       {std::tuple{kP, kTmc, false}, {kB, kTmc, false}, {kP, kCol, true}}) {
    for (Blend blend : {kReplace, kAverage, kAlpha, kAdd, kSub})
      texColor.push_back({fetch, source, blend, kA, keyed, blend == kReplace});
  }
  for (Fetch fetch : {kP, kB}) {
    for (Blend blend : {kAlpha, kAddScaled, kSubScaled})
      texColor.push_back({fetch, kCol, blend, kByT});
  }
  std::vector<Row> perspective = sevenBlends(kP, kTex);
  const std::vector<Row> bilinear = sevenBlends(kB, kTex);
  perspective.insert(perspective.end(), bilinear.begin(), bilinear.end());
  // clang-format off
  const std::vector<Row> gouraud = {
      {kN, kCol, kReplace, kA, false, kZ}, {kN, kCol, kAverage}, {kN, kCol, kAlpha},
      {kN, kCol, kAlpha, kLevel}, {kN, kCol, kAdd}, {kN, kCol, kAddScaled, kLevel},
      {kN, kCol, kSub}, {kN, kCol, kSubScaled, kLevel}};
  const std::vector<Row> texShade = {
      {kP, kTmc, kReplace, kA, !kKey, kZ}, {kP, kCmt, kReplace, kA, !kKey, kZ},
      {kP, kTpc, kReplace, kA, !kKey, kZ}, {kP, kTmc, kAverage}, {kP, kTmc, kAlpha},
      {kP, kTmc, kAdd, kA, !kKey, kZ}, {kP, kTpc, kAdd, kA, !kKey, kZ},
      {kP, kCmt, kAdd, kA, !kKey, kZ}, {kP, kTmc, kSub, kA, !kKey, kZ}, {kP, kTpc, kSub},
      {kP, kCol, kReplace, kA, kKey, kZ}, {kP, kCol, kAverage, kA, kKey},
      {kP, kCol, kAlpha, kA, kKey}, {kP, kCol, kAdd, kA, kKey}, {kP, kCol, kSub, kA, kKey},
      {kP, kCol, kAlpha, kByT}, {kP, kCol, kAddScaled, kByT}, {kP, kCol, kSubScaled, kByT},
      {kT, kTmc, kReplace, kA, !kKey, kZ}, {kT, kTmc, kAdd, kA, !kKey, kZ},
      {kT, kTmc, kSub, kA, !kKey, kZ}, {kT, kCol, kReplace, kA, kKey, kZ},
      {kT, kCol, kAdd, kA, kKey}, {kT, kCol, kSub, kA, kKey}, {kT, kCol, kAlpha, kByT},
      {kT, kCol, kAddScaled, kByT}, {kT, kCol, kSubScaled, kByT},
      {kB, kTmc, kReplace, kA, !kKey, kZ}, {kB, kTmc, kAverage}, {kB, kTmc, kAlpha},
      {kB, kTmc, kAdd}, {kB, kCmt, kAdd}, {kB, kTmc, kSub}, {kB, kCol, Blend::kSwapped, kA, !kKey, kZ}};
  const std::vector<Row> vertexAlpha = {{kN, kCol, kAlpha, kVertex},
      {kN, kCol, kAddScaled, kVertex}, {kN, kCol, kSubScaled, kVertex}};
  // clang-format on
  using I = const Inputs&;
  return {
      {"Flat", sevenBlends(kN, kCol), false, false,
       [](int kind, SpanPath path, bool depth, I in, uint32_t* dst, uint32_t* zdst, int count) {
         const auto pair = flatSpanFillers(static_cast<FlatSpanKind>(kind), path);
         depth ? pair.spanFillerZ(in.ctx, dst, zdst, count, in.z, in.dz, in.colour)
               : pair.spanFiller(in.ctx, dst, count, in.colour);
       }},
      {"Gouraud", gouraud, true, false,
       [](int kind, SpanPath path, bool depth, I in, uint32_t* dst, uint32_t* zdst, int count) {
         const auto pair = gouraudSpanFillers(static_cast<GouraudSpanKind>(kind), path);
         depth ? pair.spanFillerZ(in.ctx, dst, zdst, in.table, count, in.l, in.z, in.dl, in.dz)
               : pair.spanFiller(in.ctx, dst, in.table, count, in.l, in.dl);
       }},
      {"VertexAlpha", vertexAlpha, true, false,
       [](int kind, SpanPath path, bool depth, I in, uint32_t* dst, uint32_t* zdst, int count) {
         const auto pair = vertexAlphaSpanFillers(static_cast<VertexAlphaSpanKind>(kind), path);
         depth ? pair.spanFillerZ(in.ctx, dst, zdst, in.table, count, in.l, in.alpha, in.z, in.dl,
                                  in.dalpha, in.dz)
               : pair.spanFiller(in.ctx, dst, in.table, count, in.l, in.dl, in.alpha, in.dalpha);
       }},
      {"TexShade", texShade, true, false,
       [](int kind, SpanPath path, bool depth, I in, uint32_t* dst, uint32_t* zdst, int count) {
         const auto pair = texShadeSpanFillers(static_cast<TexShadeSpanKind>(kind), path);
         depth ? pair.spanFillerZ(in.ctx, dst, zdst, in.texels, in.table, count, in.u, in.v, in.l,
                                  in.z, in.du, in.dv, in.dl, in.dz)
               : pair.spanFiller(in.ctx, dst, in.texels, in.table, count, in.u, in.v, in.l, in.du,
                                 in.dv, in.dl);
       }},
      {"Texture", texture, false, false,
       [](int kind, SpanPath path, bool depth, I in, uint32_t* dst, uint32_t* zdst, int count) {
         const auto pair = textureSpanFillers(static_cast<TextureSpanKind>(kind), path);
         depth ? pair.spanFillerZ(in.ctx, dst, zdst, in.texels, count, in.u, in.v, in.z, in.du,
                                  in.dv, in.dz)
               : pair.spanFiller(in.ctx, dst, in.texels, count, in.u, in.v, in.du, in.dv);
       }},
      {"TexColor", texColor, false, false,
       [](int kind, SpanPath path, bool depth, I in, uint32_t* dst, uint32_t* zdst, int count) {
         const auto pair = texColorSpanFillers(static_cast<TexColorSpanKind>(kind), path);
         depth
             ? pair.spanFillerZ(in.ctx, dst, zdst, in.texels, in.colour, count, in.u, in.v, in.z,
                                in.du, in.dv, in.dz)
             : pair.spanFiller(in.ctx, dst, in.texels, in.colour, count, in.u, in.v, in.du, in.dv);
       }},
      {"Perspective", perspective, false, true,
       [](int kind, SpanPath path, bool depth, I in, uint32_t* dst, uint32_t* zdst, int count) {
         const auto pair = perspectiveSpanFillers(static_cast<PerspectiveSpanKind>(kind), path);
         depth ? pair.spanFillerZ(in.ctx, dst, zdst, in.texels, count, in.uz, in.vz, in.iz, in.duz,
                                  in.dvz, in.diz)
               : pair.spanFiller(in.ctx, dst, in.texels, count, in.uz, in.vz, in.iz, in.duz, in.dvz,
                                 in.diz);
       }},
  };
}

// ---- Every member against the reference, on seeded random spans ----

const std::vector<Family> kFamilies = families();
const char* const kPathNames[] = {"Scalar", "Packed", "Wide"};

class SpanMembers : public ::testing::TestWithParam<std::tuple<size_t, SpanPath>> {
 protected:
  void SetUp() override {
    if (!spanPathAvailable(std::get<1>(GetParam()))) GTEST_SKIP() << "no AVX2 on this CPU";
    m_texels.resize(256 * 258);
    m_tiled.resize(65536);
    m_table.resize(256);
    for (auto* pWords : {&m_texels, &m_tiled})
      std::generate(pWords->begin(), pWords->end(), [&] { return word() % 4 ? word() : 0; });
    std::generate(m_table.begin(), m_table.end(), [&] { return word(); });
  }
  uint32_t word() { return static_cast<uint32_t>(m_random()); }
  int32_t around(int32_t range) {
    return std::uniform_int_distribution<int32_t>(-range, range)(m_random);
  }
  float between(float low, float high) {
    return std::uniform_real_distribution<float>(low, high)(m_random);
  }

  Inputs randomInputs(bool perspective) {
    Inputs in;
    const int columnShift = static_cast<int>(word() % 9), rowShift = static_cast<int>(word() % 9);
    in.ctx.columnShift = columnShift;
    in.ctx.width = 1 << columnShift;
    in.ctx.columnMask = (1u << columnShift) - 1;
    in.ctx.rowMask = (1u << rowShift) - 1;
    in.ctx.alpha = word() & 255;
    // Exactly the width + 1 texels after the last that the bilinear fetch may read, so that
    // the address sanitizer sees any read beyond them.
    const size_t width = size_t{1} << columnShift;
    m_texture.assign(m_texels.begin(), m_texels.begin() + static_cast<std::ptrdiff_t>(
                                                              (width << rowShift) + width + 1));
    in.ctx.pTiled = m_tiled.data();
    in.texels = m_texture.data();
    in.table = m_table.data();
    in.colour = word();
    in.u = static_cast<int32_t>(word());
    in.v = static_cast<int32_t>(word());
    in.l = static_cast<int32_t>(word());
    in.alpha = static_cast<int32_t>(word());
    in.du = around(4 << 16);
    in.dv = around(4 << 16);
    in.dl = around(16 << 16);
    in.dalpha = around(16 << 16);
    in.z = 0x40000000u + word() % 64;
    in.dz = around(4);
    if (perspective) {
      in.iz = between(0.002f, 1.0f);
      in.diz = between(-0.0001f, 0.0001f);
      in.uz = between(-400.0f, 400.0f) * in.iz;
      in.vz = between(-400.0f, 400.0f) * in.iz;
      in.duz = between(-2.0f, 2.0f) * in.iz;
      in.dvz = between(-2.0f, 2.0f) * in.iz;
      in.z = static_cast<uint32_t>(double(in.iz) * 4294967296.0);
    }
    return in;
  }

  std::mt19937 m_random{20240611};
  std::vector<uint32_t> m_texels, m_texture, m_tiled, m_table;
};

// Every member without and with depth, for counts 1..40 and two long spans.
TEST_P(SpanMembers, MatchTheReference) {
  const Family& family = kFamilies[std::get<0>(GetParam())];
  const SpanPath path = std::get<1>(GetParam());
  constexpr int kGuard = 4;
  std::vector<int> counts(40);
  std::iota(counts.begin(), counts.end(), 1);
  counts.insert(counts.end(), {100, 333});
  for (size_t kind = 0; kind < family.rows.size(); ++kind) {
    for (int count : counts) {
      Inputs in = randomInputs(family.perspective);
      in.tableColour = family.tableColour;
      std::vector<uint32_t> pixels(size_t(count) + 2 * kGuard), depths(pixels.size());
      std::generate(pixels.begin(), pixels.end(), [&] { return word(); });
      std::generate(depths.begin(), depths.end(), [&] { return in.z - 40 + word() % 80; });
      for (bool depth : {false, true}) {
        std::vector<uint32_t> expected = pixels, expectedDepths = depths;
        uint32_t* zExpected = depth ? expectedDepths.data() + kGuard : nullptr;
        if (family.perspective) {
          referencePerspective(family.rows[kind], in, expected.data() + kGuard, zExpected, count);
        } else {
          referenceSpan(family.rows[kind], in, expected.data() + kGuard, zExpected, count);
        }
        std::vector<uint32_t> actual = pixels, actualDepths = depths;
        family.draw(int(kind), path, depth, in, actual.data() + kGuard,
                    actualDepths.data() + kGuard, count);
        ASSERT_EQ(actual, expected) << "kind " << kind << " count " << count << " depth " << depth;
        ASSERT_EQ(actualDepths, expectedDepths) << "kind " << kind << " count " << count;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Families, SpanMembers,
                         ::testing::Combine(::testing::Range(size_t{0}, kFamilies.size()),
                                            ::testing::Values(SpanPath::kScalar, SpanPath::kPacked,
                                                              SpanPath::kWide)),
                         [](const auto& info) {
                           return std::string(kFamilies[std::get<0>(info.param)].name) +
                                  kPathNames[static_cast<int>(std::get<1>(info.param))];
                         });

// ---- Edge cases, on every path ----

class SpanEdge : public ::testing::TestWithParam<SpanPath> {
 protected:
  void SetUp() override {
    if (!spanPathAvailable(path)) GTEST_SKIP() << "no AVX2 on this CPU";
    for (size_t i = 0; i < texels.size(); ++i)
      texels[i] = static_cast<uint32_t>(i) * 0x9E3779B1u | 1u;
  }
  const SpanPath path = GetParam();
  const SpanContext ctx;
  // A 256 x 256 texture with the bilinear fetch's guard rows, every texel distinct.
  std::vector<uint32_t> texels = std::vector<uint32_t>(256 * 258);
};

TEST_P(SpanEdge, EqualZIsDrawnAndZRunsOverSkippedPixelsAndWraps) {
  // Pixel 0: stored z equal; pixel 1: stored z below; pixel 2: above.
  const uint32_t z = 0x80000000u, old = 0x01020304u;
  std::array<uint32_t, 3> pixels = {old, old, old}, depths = {z, z - 1, z + 1};
  flatSpanFillers(FlatSpanKind::kReplace, path)
      .spanFillerZ(ctx, pixels.data(), depths.data(), 3, z, 0, 0xAABBCCDDu);
  EXPECT_EQ(pixels, (std::array<uint32_t, 3>{0xAABBCCDDu, 0xAABBCCDDu, old}));
  EXPECT_EQ(depths, (std::array<uint32_t, 3>{z, z, z + 1}));
  // z runs 0xFFFFFFFE, 0xFFFFFFFF, 0, 1, 2, 3 over skipped pixels too: the last four wrap below
  // the stored 5.
  std::array<uint32_t, 6> row{}, rowDepths = {0, 0xFFFFFFFFu, 5, 5, 0, 5};
  flatSpanFillers(FlatSpanKind::kReplace, path)
      .spanFillerZ(ctx, row.data(), rowDepths.data(), 6, 0xFFFFFFFEu, 1, 7u);
  EXPECT_EQ(row, (std::array<uint32_t, 6>{7, 7, 0, 0, 7, 0}));
  EXPECT_EQ(rowDepths, (std::array<uint32_t, 6>{0xFFFFFFFEu, 0xFFFFFFFFu, 5, 5, 2, 5}));
}

// (Keyed texels, the point and tiled addresses and equal depths: the members' random spans.)
TEST_P(SpanEdge, ATiledFetchWithoutATiledCopyDrawsNothing) {
  uint32_t pixel = 5;
  textureSpanFillers(TextureSpanKind::kTiledReplace, path)
      .spanFiller(ctx, &pixel, nullptr, 1, 9 << 16, 1 << 16, 0, 0);
  EXPECT_EQ(pixel, 5u);
}

// Spans of ten segments, whose ends the wide path converts eight at a time: ties, clamps and
// NaN at the ends, against the formula.
TEST_P(SpanEdge, PerspectiveSegmentEndsRoundAndClampLikeTheFormula) {
  const float k16 = 1.0f / 65536.0f, k32 = k16 * k16;
  struct Case {
    const char* name;
    float uz, vz, iz, duz, dvz, diz;
  };
  const Case cases[] = {
      // u at the ends -1.5, -0.5, 0.5, 1.5...: ties go to even, -0.5 to 0 (not to -1).
      {"ties", -1.5f * k16, 10.0f, 1.0f, k16 / 16, 0.0f, 0.0f},
      // 1/z crosses 0 after the first segment: u and v clamp both ways (u/z / 0 would be
      // infinite), the depth stays 0.
      {"clamps", 5e4f, -5e4f, 1e-3f, 0.0f, 0.0f, -1e-4f},
      // u/z, v/z and 1/z reach 0 together at the first end: 0/0 is NaN, which gives 0.
      {"nan", 1.0f, 1.0f, 1.0f, -1.0f / 16, -1.0f / 16, -1.0f / 16},
      // The depth value from just below 2^31 up past 2^32 - 1.
      {"deep", 3.0f, 4.0f, 0.5f - 64 * k32, 0.01f, 0.02f, 0.1f / 16},
      // Depth ties: 1/z * 2^32 at 0.5, 1.5, 2.5...
      {"depth ties", 0.0f, 0.0f, 0.5f * k32, 0.0f, 0.0f, k32 / 16},
  };
  const Row pointReplace{kP, kTex, kReplace, kA, false, kZ};
  constexpr int kCount = 160;
  for (const Case& c : cases) {
    Inputs in;
    in.texels = texels.data();
    in.uz = c.uz, in.vz = c.vz, in.iz = c.iz, in.duz = c.duz, in.dvz = c.dvz, in.diz = c.diz;
    std::array<uint32_t, kCount> expected{}, expectedDepths{}, pixels{}, depths{};
    referencePerspective(pointReplace, in, expected.data(), expectedDepths.data(), kCount);
    perspectiveSpanFillers(PerspectiveSpanKind::kPointReplace, path)
        .spanFillerZ(ctx, pixels.data(), depths.data(), texels.data(), kCount, c.uz, c.vz, c.iz,
                     c.duz, c.dvz, c.diz);
    EXPECT_EQ(pixels, expected) << c.name;
    EXPECT_EQ(depths, expectedDepths) << c.name;
  }
  // Worked by hand for the ties: the second segment starts at u = -0.5 -> 0, and ends at
  // 0.5 -> 0, so its sixteen pixels read column 0 of row 10 (rounding away would give 255).
  std::array<uint32_t, kCount> pixels{};
  perspectiveSpanFillers(PerspectiveSpanKind::kPointReplace, path)
      .spanFiller(ctx, pixels.data(), texels.data(), kCount, cases[0].uz, cases[0].vz, cases[0].iz,
                  cases[0].duz, cases[0].dvz, cases[0].diz);
  for (int i = 16; i < 32; ++i)
    EXPECT_EQ(pixels[size_t(i)], texels[10 * 256]) << i;
}

// Every (d, s) byte pair of each flat blend, at every opacity for the weighted ones. Pixel i
// holds byte i in its lowest byte, the other bytes mixed so that no channel leaks into another.
TEST_P(SpanEdge, FlatBlendsOverEveryBytePairAndOpacity) {
  const std::vector<Row> rows = sevenBlends(kN, kCol);
  Inputs in;
  std::array<uint32_t, 256> pixels{}, expected{};
  for (size_t kind = 0; kind < rows.size(); ++kind) {
    const FlatSpan filler = flatSpanFillers(static_cast<FlatSpanKind>(kind), path).spanFiller;
    const Blend blend = rows[kind].blend;
    const bool weighted = blend == kAlpha || blend == kAddScaled || blend == kSubScaled;
    for (uint32_t a = 0; a < (weighted ? 256u : 1u); ++a) {
      in.ctx.alpha = a;
      for (uint32_t s = 0; s < 256; ++s) {
        in.colour = s | ((s ^ 0x5Au) << 8) | ((255 - s) << 16) | (s << 24);
        for (uint32_t i = 0; i < 256; ++i)
          pixels[i] = expected[i] =
              i | ((255 - i) << 8) | ((i ^ 0x80u) << 16) | (((i * 7) & 255u) << 24);
        referenceSpan(rows[kind], in, expected.data(), nullptr, 256);
        filler(in.ctx, pixels.data(), 256, in.colour);
        if (pixels != expected) FAIL() << "kind " << kind << " s " << s << " a " << a;
      }
    }
  }
  // The edge value: 255 over 0 at a = 255 gives 254.
  SpanContext opaque;
  opaque.alpha = 255;
  uint32_t pixel = 0;
  flatSpanFillers(FlatSpanKind::kAlpha, path).spanFiller(opaque, &pixel, 1, 0xFFFFFFFFu);
  EXPECT_EQ(pixel, 0xFEFEFEFEu);
}

INSTANTIATE_TEST_SUITE_P(Paths, SpanEdge,
                         ::testing::Values(SpanPath::kScalar, SpanPath::kPacked, SpanPath::kWide),
                         [](const auto& info) { return kPathNames[static_cast<int>(info.param)]; });

}  // namespace
