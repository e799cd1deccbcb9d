// Every member of every span filler family, on every path the CPU runs, against a plain per-pixel
// loop written here from the formulas, on seeded random spans with guard words around the rows.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <numeric>
#include <random>
#include <vector>

#include "raster/span_filler.h"

namespace {

enum class Fetch { kNone, kPoint, kTiled, kBilinear };
enum class Source { kTexel, kColour, kTMinusC, kCMinusT, kTPlusC };
// clang-format off
enum class Blend { kReplace, kAverage, kAlpha, kAdd, kAddScaled, kSub, kSubScaled, kSwapped,
                   kNone };
// clang-format on
enum class Weight { kOpacity, kLevel, kVertexAlpha, kTexel };

// One table row: what the member computes and whether its depth variant stores z.
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
  if (fetch == Fetch::kPoint) {
    return in.texels[base];
  }
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
    for (int n = 0; n < 4; ++n) {
      sum = std::min(sum + byteOf(in.texels[at[n]], k) * weights[n], 65535u);
    }
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
  if (row.blend == Blend::kNone) {
    return;
  }
  auto u = static_cast<uint32_t>(in.u), v = static_cast<uint32_t>(in.v);
  auto l = static_cast<uint32_t>(in.l), alpha = static_cast<uint32_t>(in.alpha);
  uint32_t z = in.z;
  for (int i = 0; i < count; ++i) {
    const uint32_t level = (l >> 16) & 255;
    const uint32_t t = row.fetch == Fetch::kNone ? 0 : fetchTexel(row.fetch, in, u, v);
    const uint32_t c = in.tableColour ? in.table[level] : in.colour;
    const bool drawn = (zdst == nullptr || z >= zdst[i]) && !(row.keyed && t == 0);
    if (drawn) {
      uint32_t result = 0;
      for (int k = 0; k < 4; ++k) {
        const uint32_t weights[] = {in.ctx.alpha & 255, level, (alpha >> 16) & 255, byteOf(t, k)};
        const uint32_t w = weights[static_cast<int>(row.weight)];
        result |= blendByte(row, byteOf(dst[i], k), byteOf(t, k), byteOf(c, k), w) << (8 * k);
      }
      dst[i] = result;
      if (zdst != nullptr && row.writesDepth) {
        zdst[i] = z;
      }
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

// Calls a member's filler: path, with depth or not, inputs, rows, count.
using Draw =
    std::function<void(int kind, SpanPath, bool depth, const Inputs&, uint32_t*, uint32_t*, int)>;

class SpanMembers : public ::testing::Test {
 protected:
  std::mt19937 m_random{20240611};
  std::vector<uint32_t> m_texels, m_texture, m_tiled, m_table;
  // The wide path only where the CPU has AVX2.
  std::vector<SpanPath> m_paths = {SpanPath::kScalar, SpanPath::kPacked};

  void SetUp() override {
    if (spanPathAvailable(SpanPath::kWide)) {
      m_paths.push_back(SpanPath::kWide);
    } else {
      std::printf("no AVX2: the wide path is not tested\n");
    }
    m_texels.resize(256 * 258);
    m_tiled.resize(65536);
    m_table.resize(256);
    for (auto* pWords : {&m_texels, &m_tiled}) {
      std::generate(pWords->begin(), pWords->end(), [&] { return texelWord(); });
    }
    std::generate(m_table.begin(), m_table.end(), [&] { return word(); });
  }
  uint32_t word() { return static_cast<uint32_t>(m_random()); }
  int32_t around(int32_t range) {
    return std::uniform_int_distribution<int32_t>(-range, range)(m_random);
  }
  // A random texel word, a quarter of them 0 for the keyed members.
  uint32_t texelWord() { return word() % 4 == 0 ? 0 : word(); }

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
      in.iz = std::uniform_real_distribution<float>(0.002f, 1.0f)(m_random);
      in.diz = std::uniform_real_distribution<float>(-0.0001f, 0.0001f)(m_random);
      in.uz = std::uniform_real_distribution<float>(-400.0f, 400.0f)(m_random) * in.iz;
      in.vz = std::uniform_real_distribution<float>(-400.0f, 400.0f)(m_random) * in.iz;
      in.duz = std::uniform_real_distribution<float>(-2.0f, 2.0f)(m_random) * in.iz;
      in.dvz = std::uniform_real_distribution<float>(-2.0f, 2.0f)(m_random) * in.iz;
      in.z = static_cast<uint32_t>(double(in.iz) * 4294967296.0);
    }
    return in;
  }

  // Every row on both paths, without and with depth, for counts 1..40 and two long spans.
  void checkFamily(const std::vector<Row>& rows, bool tableColour, bool perspective,
                   const Draw& draw) {
    constexpr int kGuard = 4;
    std::vector<int> counts(40);
    std::iota(counts.begin(), counts.end(), 1);
    counts.insert(counts.end(), {100, 333});
    for (size_t kind = 0; kind < rows.size(); ++kind) {
      for (int count : counts) {
        Inputs in = randomInputs(perspective);
        in.tableColour = tableColour;
        std::vector<uint32_t> pixels(size_t(count) + 2 * kGuard), depths(pixels.size());
        std::generate(pixels.begin(), pixels.end(), [&] { return word(); });
        std::generate(depths.begin(), depths.end(), [&] { return in.z - 40 + word() % 80; });
        for (bool depth : {false, true}) {
          std::vector<uint32_t> expected = pixels, expectedDepths = depths;
          uint32_t* zExpected = depth ? expectedDepths.data() + kGuard : nullptr;
          if (perspective) {
            referencePerspective(rows[kind], in, expected.data() + kGuard, zExpected, count);
          } else {
            referenceSpan(rows[kind], in, expected.data() + kGuard, zExpected, count);
          }
          for (SpanPath path : m_paths) {
            std::vector<uint32_t> actual = pixels, actualDepths = depths;
            draw(int(kind), path, depth, in, actual.data() + kGuard, actualDepths.data() + kGuard,
                 count);
            ASSERT_EQ(actual, expected) << "kind " << kind << " count " << count << " depth "
                                        << depth << " path " << int(path);
            ASSERT_EQ(actualDepths, expectedDepths) << "kind " << kind << " count " << count;
          }
        }
      }
    }
  }
};

constexpr Fetch kN = Fetch::kNone, kP = Fetch::kPoint, kT = Fetch::kTiled, kB = Fetch::kBilinear;
constexpr Source kTex = Source::kTexel, kCol = Source::kColour, kTmc = Source::kTMinusC,
                 kCmt = Source::kCMinusT, kTpc = Source::kTPlusC;
constexpr Weight kA = Weight::kOpacity, kLevel = Weight::kLevel, kVertex = Weight::kVertexAlpha,
                 kByT = Weight::kTexel;
constexpr Blend kReplace = Blend::kReplace, kAverage = Blend::kAverage, kAlpha = Blend::kAlpha,
                kAdd = Blend::kAdd, kAddScaled = Blend::kAddScaled, kSub = Blend::kSub,
                kSubScaled = Blend::kSubScaled, kSwapped = Blend::kSwapped;

// The seven blends of the flat and perspective drawers; only replace writes depth.
std::vector<Row> sevenBlends(Fetch fetch, Source source) {
  // clang-format off
  return {{fetch, source, kReplace, kA, false, true}, {fetch, source, kAverage},
          {fetch, source, kAlpha}, {fetch, source, kAdd}, {fetch, source, kAddScaled},
          {fetch, source, kSub}, {fetch, source, kSubScaled}};
  // clang-format on
}

TEST_F(SpanMembers, Flat) {
  checkFamily(sevenBlends(kN, kCol), false, false,
              [](int kind, SpanPath path, bool depth, const Inputs& in, uint32_t* dst,
                 uint32_t* zdst, int count) {
                const auto pair = flatSpanFillers(static_cast<FlatSpanKind>(kind), path);
                depth ? pair.spanFillerZ(in.ctx, dst, zdst, count, in.z, in.dz, in.colour)
                      : pair.spanFiller(in.ctx, dst, count, in.colour);
              });
}

TEST_F(SpanMembers, GouraudAndVertexAlpha) {
  // clang-format off
  const std::vector<Row> gouraud = {
      {kN, kCol, kReplace, kA, false, true}, {kN, kCol, kAverage}, {kN, kCol, kAlpha},
      {kN, kCol, kAlpha, kLevel}, {kN, kCol, kAdd}, {kN, kCol, kAddScaled, kLevel},
      {kN, kCol, kSub}, {kN, kCol, kSubScaled, kLevel}};
  // clang-format on
  checkFamily(gouraud, true, false,
              [](int kind, SpanPath path, bool depth, const Inputs& in, uint32_t* dst,
                 uint32_t* zdst, int count) {
                const auto pair = gouraudSpanFillers(static_cast<GouraudSpanKind>(kind), path);
                depth
                    ? pair.spanFillerZ(in.ctx, dst, zdst, in.table, count, in.l, in.z, in.dl, in.dz)
                    : pair.spanFiller(in.ctx, dst, in.table, count, in.l, in.dl);
              });
  const std::vector<Row> vertexAlpha = {{kN, kCol, Blend::kAlpha, kVertex},
                                        {kN, kCol, Blend::kAddScaled, kVertex},
                                        {kN, kCol, Blend::kSubScaled, kVertex}};
  checkFamily(
      vertexAlpha, true, false,
      [](int kind, SpanPath path, bool depth, const Inputs& in, uint32_t* dst, uint32_t* zdst,
         int count) {
        const auto pair = vertexAlphaSpanFillers(static_cast<VertexAlphaSpanKind>(kind), path);
        depth ? pair.spanFillerZ(in.ctx, dst, zdst, in.table, count, in.l, in.alpha, in.z, in.dl,
                                 in.dalpha, in.dz)
              : pair.spanFiller(in.ctx, dst, in.table, count, in.l, in.dl, in.alpha, in.dalpha);
      });
}

TEST_F(SpanMembers, TexShade) {
  const bool kKey = true, kZ = true;  // keyed; writes depth
  // clang-format off
  const std::vector<Row> rows = {
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
      {kB, kTmc, kAdd}, {kB, kCmt, kAdd}, {kB, kTmc, kSub}, {kB, kCol, kSwapped, kA, !kKey, kZ}};
  // clang-format on
  checkFamily(rows, true, false,
              [](int kind, SpanPath path, bool depth, const Inputs& in, uint32_t* dst,
                 uint32_t* zdst, int count) {
                const auto pair = texShadeSpanFillers(static_cast<TexShadeSpanKind>(kind), path);
                depth ? pair.spanFillerZ(in.ctx, dst, zdst, in.texels, in.table, count, in.u, in.v,
                                         in.l, in.z, in.du, in.dv, in.dl, in.dz)
                      : pair.spanFiller(in.ctx, dst, in.texels, in.table, count, in.u, in.v, in.l,
                                        in.du, in.dv, in.dl);
              });
}

TEST_F(SpanMembers, TextureAndTexColor) {
  std::vector<Row> texture;
  for (Fetch fetch : {kP, kT, kB}) {
    const std::vector<Row> blends = sevenBlends(fetch, kTex);
    texture.insert(texture.end(), blends.begin(), blends.begin() + 5);
  }
  texture.push_back({kP, kTex, Blend::kNone});
  checkFamily(texture, false, false,
              [](int kind, SpanPath path, bool depth, const Inputs& in, uint32_t* dst,
                 uint32_t* zdst, int count) {
                const auto pair = textureSpanFillers(static_cast<TextureSpanKind>(kind), path);
                depth ? pair.spanFillerZ(in.ctx, dst, zdst, in.texels, count, in.u, in.v, in.z,
                                         in.du, in.dv, in.dz)
                      : pair.spanFiller(in.ctx, dst, in.texels, count, in.u, in.v, in.du, in.dv);
              });
  std::vector<Row> texColor;
  for (Fetch fetch : {kP, kB}) {
    for (Blend blend :
         {Blend::kReplace, Blend::kAverage, Blend::kAlpha, Blend::kAdd, Blend::kSub}) {
      texColor.push_back({fetch, kTmc, blend, Weight::kOpacity, false, blend == Blend::kReplace});
    }
  }
  for (Blend blend : {Blend::kReplace, Blend::kAverage, Blend::kAlpha, Blend::kAdd, Blend::kSub}) {
    texColor.push_back({kP, kCol, blend, Weight::kOpacity, true, blend == Blend::kReplace});
  }
  for (Fetch fetch : {kP, kB}) {
    for (Blend blend : {Blend::kAlpha, Blend::kAddScaled, Blend::kSubScaled}) {
      texColor.push_back({fetch, kCol, blend, kByT});
    }
  }
  checkFamily(texColor, false, false,
              [](int kind, SpanPath path, bool depth, const Inputs& in, uint32_t* dst,
                 uint32_t* zdst, int count) {
                const auto pair = texColorSpanFillers(static_cast<TexColorSpanKind>(kind), path);
                depth ? pair.spanFillerZ(in.ctx, dst, zdst, in.texels, in.colour, count, in.u, in.v,
                                         in.z, in.du, in.dv, in.dz)
                      : pair.spanFiller(in.ctx, dst, in.texels, in.colour, count, in.u, in.v, in.du,
                                        in.dv);
              });
}

TEST_F(SpanMembers, Perspective) {
  std::vector<Row> rows = sevenBlends(kP, kTex);
  const std::vector<Row> bilinear = sevenBlends(kB, kTex);
  rows.insert(rows.end(), bilinear.begin(), bilinear.end());
  checkFamily(rows, false, true,
              [](int kind, SpanPath path, bool depth, const Inputs& in, uint32_t* dst,
                 uint32_t* zdst, int count) {
                const auto pair =
                    perspectiveSpanFillers(static_cast<PerspectiveSpanKind>(kind), path);
                depth ? pair.spanFillerZ(in.ctx, dst, zdst, in.texels, count, in.uz, in.vz, in.iz,
                                         in.duz, in.dvz, in.diz)
                      : pair.spanFiller(in.ctx, dst, in.texels, count, in.uz, in.vz, in.iz, in.duz,
                                        in.dvz, in.diz);
              });
}

}  // namespace
