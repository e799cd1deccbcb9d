// The two-image operators and the mix dispatcher: size and width refusals, the formulas over every
// byte pair, and every kernel path's spans over every input.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <limits>
#include <memory>
#include <ostream>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "base/report.h"
#include "image/blit_kernels_p.h"
#include "image/cimage32.h"
#include "image/pixel_kernels_p.h"
#include "tests/image/image_test_util.h"

using ::testing::Each;
using ::testing::ElementsAre;

TEST(ImageBlit, CopiesEveryPixelIncludingOddWidths) {
  for (int32_t width : {1, 2, 3, 5, 7, 9}) {
    CImage32Buffered source(width, 3);
    CImage32Buffered destination(width, 3);
    fillDistinct(source, 0x80FF0100u);
    destination.fill(0x55555555u);
    ReportCapture capture;
    source.blit(&destination);
    EXPECT_TRUE(capture.reports().empty());
    EXPECT_EQ(pixelsOf(destination), pixelsOf(source)) << "width " << width;
  }
}

TEST(ImageBlit, SizeMismatchIsReportedByTheSourceAndChangesNothing) {
  uint32_t memory[4 * 2] = {};
  CImage32External source;
  source.setPixelData(4, 2, memory);
  CImage32Buffered narrower(2, 2);
  CImage32Buffered shorter(4, 1);
  narrower.fill(6);
  shorter.fill(6);
  ReportCapture capture;
  source.blit(&narrower);
  source.blit(&shorter);
  EXPECT_THAT(capture.lines(), ElementsAre("CImage32External|blit: must be same dimensions",
                                           "CImage32External|blit: must be same dimensions"));
  EXPECT_EQ(capture.reports()[0].level, ReportLevel::Fatal);
  EXPECT_EQ(quitRequested(), std::optional<int>(1));
  EXPECT_THAT(pixelsOf(narrower), Each(6u));
  EXPECT_THAT(pixelsOf(shorter), Each(6u));
}

TEST(ImageBlit, WritesOnlyTheDestinationPixels) {
  InspectableImage source(3, 1);
  InspectableImage destination(3, 1);
  source.fill(0xFFFFFFFFu);
  source.blit(&destination);
  // block: 2 guard rows, the pixel row, 2 guard rows
  for (int i = 0; i < 15; ++i) {
    EXPECT_EQ(destination.block()[i], (i >= 6 && i < 9) ? 0xFFFFFFFFu : 0u) << "word " << i;
  }
}

TEST(ImageBlit, NullOrEmptyDestinationsAreHarmless) {
  ReportCapture capture;
  CImage32Buffered source(2, 2);
  source.blit(nullptr);
  CImage32Buffered emptySource;
  CImage32Buffered emptyDestination;
  emptySource.blit(&emptyDestination);
  EXPECT_TRUE(capture.reports().empty());
  EXPECT_EQ(emptyDestination.getPixels(), nullptr);
}

// --- The blending operators and blitMix ---

namespace {

namespace bk = blit_kernels;

// v in all four bytes.
constexpr uint32_t all(uint32_t v) {
  return v * 0x01010101u;
}
uint32_t byteOf(uint32_t word, int k) {
  return (word >> (8 * k)) & 0xFFu;
}
uint32_t clampByte(int v) {
  return static_cast<uint32_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

// One image of width x height filled with `word`.
std::unique_ptr<CImage32Buffered> imageOf(int32_t width, int32_t height, uint32_t word) {
  auto image = std::make_unique<CImage32Buffered>(width, height);
  image->fill(word);
  return image;
}

// blitMix on one-colour images: (mode, alpha, map byte or none) applied to source byte s over
// destination byte d gives `expected` in every byte of every pixel.
struct MixExample {
  const char* what;
  int mode;
  float alpha;
  int mapByte;  // -1: no alpha map
  int32_t width;
  uint32_t source, destination, expected;
};

TEST(ImageBlitMix, WorkedExamples) {
  constexpr int kNoMap = -1;
  const MixExample examples[] = {
      {"normal 0.5 averages", 0, 0.5f, kNoMap, 2, all(255), all(0), all(127)},
      {"normal 0.5 never reaches 255", 0, 0.5f, kNoMap, 2, all(255), all(255), all(254)},
      {"normal 0.25 (a = 64), white on black", 0, 0.25f, kNoMap, 4, all(255), all(0), all(63)},
      {"normal 0.25, white on white: 190 + 63", 0, 0.25f, kNoMap, 4, all(255), all(255), all(253)},
      {"normal 0.75 (a = 191): 63 + 190", 0, 0.75f, kNoMap, 2, all(255), all(255), all(253)},
      {"normal 1.0 copies, odd width", 0, 1.0f, kNoMap, 3, 0x80FF0137u, 0x55555555u, 0x80FF0137u},
      {"normal with map 255 and alpha 0: 254 + 0", 0, 0.0f, 255, 2, all(255), all(9), all(254)},
      {"transadd 1.0 saturates", 1, 1.0f, kNoMap, 2, all(100), all(200), all(255)},
      {"transadd 1.0 adds", 1, 1.0f, kNoMap, 2, all(100), all(20), all(120)},
      {"mode 2 is additive", 2, 1.0f, kNoMap, 2, all(100), all(200), all(255)},
      {"mode -1 is additive, 0.5: 10 + 100", -1, 0.5f, kNoMap, 2, all(200), all(10), all(110)},
      {"transadd with map 128, alpha -1: 10 + 100", 1, -1.0f, 128, 2, all(200), all(10), all(110)},
      {"transsub 1.0 floors at 0", 3, 1.0f, kNoMap, 2, all(200), all(100), all(0)},
      {"transsub 1.0 subtracts", 3, 1.0f, kNoMap, 2, all(100), all(200), all(100)},
      {"transsub 0.5: 200 - 100", 3, 0.5f, kNoMap, 2, all(200), all(200), all(100)},
      {"transsub map 255: source minus destination", 3, 0.0f, 255, 2, all(200), all(10), all(189)},
      {"alpha 0 without map does nothing", 0, 0.0f, kNoMap, 2, all(255), all(7), all(7)},
      {"negative alpha without map does nothing", 1, -0.5f, kNoMap, 2, all(255), all(7), all(7)},
  };
  for (const MixExample& example : examples) {
    const auto source = imageOf(example.width, 2, example.source);
    const auto destination = imageOf(example.width, 2, example.destination);
    const auto map = imageOf(example.width, 2, all(static_cast<uint32_t>(example.mapByte)));
    ReportCapture capture;
    source->blitMix(destination.get(), example.mode, example.mapByte < 0 ? nullptr : map.get(),
                    example.alpha);
    EXPECT_TRUE(capture.reports().empty()) << example.what;
    EXPECT_THAT(pixelsOf(*destination), Each(example.expected)) << example.what;
  }
}

TEST(ImageBlitMix, ZeroAlphaWithoutMapIgnoresNullAndMismatchedDestinations) {
  CImage32Buffered source(4, 2);
  CImage32Buffered narrower(2, 2);
  narrower.fill(6);
  ReportCapture capture;
  for (float alpha : {0.0f, -0.0f, -1.0f}) {
    source.blitMix(nullptr, 0, nullptr, alpha);
    source.blitMix(&narrower, 1, nullptr, alpha);
  }
  source.blitMix(nullptr, 3, nullptr, 1.0f);
  source.blitMix(nullptr, 0, &source, 0.0f);
  EXPECT_TRUE(capture.reports().empty());
  EXPECT_FALSE(quitRequested().has_value());
  EXPECT_THAT(pixelsOf(narrower), Each(6u));
}

// Which operator blitMix picks shows in the messages it reports.
struct Dispatch {
  int mode;
  float alpha;
  bool withMap;
  std::string op;
};

TEST(ImageBlitMix, PicksTheOperatorWhoseMessagesItReports) {
  const Dispatch cases[] = {
      {0, 0.5f, false, "blitTransDiv"},       {0, 1.0f, false, "blit"},
      {0, 0.3f, false, "blitAlpha"},          {0, 1.5f, false, "blitAlpha"},
      {0, 0.0f, true, "blitAlpha"},           {0, 0.5f, true, "blitAlpha"},
      {0, 1.0f, true, "blitAlpha"},           {3, 1.0f, false, "blitTransSub"},
      {3, 0.5f, false, "blitAlphaTransSub"},  {3, -1.0f, true, "blitAlphaTransSub"},
      {1, 1.0f, false, "blitTransAdd"},       {1, 0.5f, false, "blitAlphaTransAdd"},
      {1, 0.0f, true, "blitAlphaTransAdd"},   {2, 1.0f, false, "blitTransAdd"},
      {-7, 0.4f, false, "blitAlphaTransAdd"}, {4, 0.3f, true, "blitAlphaTransAdd"},
  };
  for (const Dispatch& c : cases) {
    SCOPED_TRACE(c.op + " mode " + std::to_string(c.mode) + " alpha " + std::to_string(c.alpha));
    for (int32_t width : {4, 3}) {
      uint32_t memory[4 * 2] = {1, 2, 3, 4, 5, 6, 7, 8};
      CImage32External source;
      source.setPixelData(width, 2, memory);
      const auto map = imageOf(width, 2, all(200));
      const CImage32* pMap = c.withMap ? map.get() : nullptr;
      // Two pixels narrower: the size message comes first, also when the width is odd.
      const auto narrower = imageOf(width - 2, 2, 6);
      ReportCapture capture;
      source.blitMix(narrower.get(), c.mode, pMap, c.alpha);
      EXPECT_THAT(capture.lines(),
                  ElementsAre("CImage32External|" + c.op + ": must be same dimensions"));
      EXPECT_EQ(capture.reports()[0].level, ReportLevel::Fatal);
      EXPECT_THAT(pixelsOf(*narrower), Each(6u));
      if (width % 2 == 0) continue;
      // Odd width: every operator but blit refuses the whole image.
      capture.clear();
      const auto same = imageOf(width, 2, 6);
      source.blitMix(same.get(), c.mode, pMap, c.alpha);
      if (c.op == "blit") {
        EXPECT_TRUE(capture.reports().empty());
        EXPECT_EQ(pixelsOf(*same), pixelsOf(source));
      } else {
        EXPECT_THAT(capture.lines(),
                    ElementsAre("CImage32External|" + c.op + ": width must be even"));
        EXPECT_THAT(pixelsOf(*same), Each(6u));
      }
    }
  }
}

TEST(ImageBlitOperators, AlphaMapWithFewerPixelsIsReportedAndNeverRead) {
  CImage32Buffered source(4, 2);
  source.fill(all(255));
  CImage32Buffered shortMap(4, 1);
  CImage32Buffered emptyMap;
  const std::pair<std::string, void (*)(const CImage32&, CImage32*, const CImage32&)> ops[] = {
      {"blitAlpha", [](const CImage32& s, CImage32* d, const CImage32& m) { s.blitAlpha(d, m); }},
      {"blitAlphaTransAdd",
       [](const CImage32& s, CImage32* d, const CImage32& m) { s.blitAlphaTransAdd(d, m); }},
      {"blitAlphaTransSub",
       [](const CImage32& s, CImage32* d, const CImage32& m) { s.blitAlphaTransSub(d, m); }},
  };
  for (const auto& [name, op] : ops) {
    for (const CImage32* pMap :
         {static_cast<const CImage32*>(&shortMap), static_cast<const CImage32*>(&emptyMap)}) {
      const auto destination = imageOf(4, 2, 6);
      ReportCapture capture;
      op(source, destination.get(), *pMap);
      EXPECT_THAT(capture.lines(),
                  ElementsAre("CImage32Buffered|" + name + ": alpha map smaller than source"));
      EXPECT_THAT(pixelsOf(*destination), Each(6u));
    }
  }
  // A larger map is read in the source's flat order: its first 8 words weight the 8 pixels.
  CImage32Buffered wideMap(8, 2);
  wideMap.fill(0);
  for (int i = 0; i < 8; ++i)
    wideMap.getPixels()[i] = all(255);
  const auto destination = imageOf(4, 2, all(9));
  source.blitAlpha(destination.get(), wideMap);
  EXPECT_THAT(pixelsOf(*destination), Each(all(254)));
}

TEST(ImageBlitOperators, OpacityBecomesAWeightRoundedToNearestEven) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float infinity = std::numeric_limits<float>::infinity();
  const std::pair<float, uint32_t> cases[] = {
      {0.25f, 64},   // 63.75
      {0.75f, 191},  // 191.25
      {0.5f, 128},   // 127.5, a tie: to even
      {0.0f, 0},
      {1.0f, 255},
      {1.0f / 255.0f, 1},
      // The float product rounds to exactly 2.5 (which would give 2); the true product is
      // 2.50000009, so 3.
      {0x1.414142p-7f, 3},
      // Outside 0..1 the weight is clamped; NaN weighs nothing.
      {-0.5f, 0},
      {1.5f, 255},
      {infinity, 255},
      {-infinity, 0},
      {nan, 0},
  };
  for (const auto& [alpha, weight] : cases)
    EXPECT_EQ(bk::weightFromOpacity(alpha), weight) << "alpha " << alpha;

  // Through an operator: a weight of 255 adds the whole source, NaN adds nothing.
  CImage32Buffered source(2, 1);
  source.fill(all(100));
  const auto overbright = imageOf(2, 1, all(20));
  const auto notANumber = imageOf(2, 1, all(20));
  source.blitAlphaTransAdd(overbright.get(), 3.0f);
  source.blitAlphaTransAdd(notANumber.get(), nan);
  EXPECT_THAT(pixelsOf(*overbright), Each(all(20 + 99)));
  EXPECT_THAT(pixelsOf(*notANumber), Each(all(20)));
}

// --- Every byte pair against the formula ---

enum class WeightFrom { None, Opacity, Map };

struct Formula {
  const char* name;
  WeightFrom weightFrom;
  void (*run)(const CImage32& source, CImage32* pDst, const CImage32& map, float alpha);
  // d, s and the weight w (a or m), each 0..255.
  uint32_t (*byte)(int d, int s, int w);
};

const Formula kFormulas[] = {
    {"blit", WeightFrom::None,
     [](const CImage32& s, CImage32* d, const CImage32&, float) { s.blit(d); },
     [](int, int s, int) { return static_cast<uint32_t>(s); }},
    {"blitTransDiv", WeightFrom::None,
     [](const CImage32& s, CImage32* d, const CImage32&, float) { s.blitTransDiv(d); },
     [](int d, int s, int) { return static_cast<uint32_t>(d / 2 + s / 2); }},
    {"blitAlpha(alpha)", WeightFrom::Opacity,
     [](const CImage32& s, CImage32* d, const CImage32&, float a) { s.blitAlpha(d, a); },
     [](int d, int s, int a) { return static_cast<uint32_t>(d * (255 - a) / 256 + s * a / 256); }},
    {"blitAlpha(map)", WeightFrom::Map,
     [](const CImage32& s, CImage32* d, const CImage32& m, float) { s.blitAlpha(d, m); },
     [](int d, int s, int m) { return static_cast<uint32_t>(s * m / 256 + d * (255 - m) / 256); }},
    {"blitTransAdd", WeightFrom::None,
     [](const CImage32& s, CImage32* d, const CImage32&, float) { s.blitTransAdd(d); },
     [](int d, int s, int) { return clampByte(d + s); }},
    {"blitAlphaTransAdd(alpha)", WeightFrom::Opacity,
     [](const CImage32& s, CImage32* d, const CImage32&, float a) { s.blitAlphaTransAdd(d, a); },
     [](int d, int s, int a) { return clampByte(d + s * a / 256); }},
    {"blitAlphaTransAdd(map)", WeightFrom::Map,
     [](const CImage32& s, CImage32* d, const CImage32& m, float) { s.blitAlphaTransAdd(d, m); },
     [](int d, int s, int m) { return clampByte(d + s * m / 256); }},
    {"blitTransSub", WeightFrom::None,
     [](const CImage32& s, CImage32* d, const CImage32&, float) { s.blitTransSub(d); },
     [](int d, int s, int) { return clampByte(d - s); }},
    {"blitAlphaTransSub(alpha)", WeightFrom::Opacity,
     [](const CImage32& s, CImage32* d, const CImage32&, float a) { s.blitAlphaTransSub(d, a); },
     [](int d, int s, int a) { return clampByte(d - s * a / 256); }},
    {"blitAlphaTransSub(map)", WeightFrom::Map,
     [](const CImage32& s, CImage32* d, const CImage32& m, float) { s.blitAlphaTransSub(d, m); },
     [](int d, int s, int m) { return clampByte(s * m / 256 - d); }},
};

// Opacities and their weights, worked out by hand: alpha * 255 to the nearest integer. 0.9f is
// 0.899999976, so 229.499994 rounds down.
const std::pair<float, int> kOpacities[] = {{0.0f, 0},    {0.25f, 64}, {0.5f, 128},
                                            {0.75f, 191}, {0.9f, 229}, {1.0f, 255}};

// 65536 pixels in which byte k of pixel i holds the pair p = (i + k * 0x4001) mod 65536 split
// into (p >> 8, p & 255): every byte position sees every pair once, and the four bytes of a pixel
// hold different pairs. The third value is a scrambled byte of p and k.
struct PairPlanes {
  std::vector<uint32_t> first, second, third;
};
PairPlanes pairPlanes() {
  PairPlanes planes{std::vector<uint32_t>(65536), std::vector<uint32_t>(65536),
                    std::vector<uint32_t>(65536)};
  for (uint32_t i = 0; i < 65536; ++i) {
    for (uint32_t k = 0; k < 4; ++k) {
      const uint32_t p = (i + k * 0x4001u) & 0xFFFFu;
      planes.first[i] |= (p >> 8) << (8 * k);
      planes.second[i] |= (p & 255u) << (8 * k);
      planes.third[i] |= ((p * 2654435761u) >> 24) << (8 * k);
    }
  }
  return planes;
}

class ImageBlitFormula : public ::testing::TestWithParam<Formula> {};

void PrintTo(const Formula& formula, std::ostream* os) {
  *os << formula.name;
}

TEST_P(ImageBlitFormula, EveryBytePairMatchesTheFormula) {
  const Formula& formula = GetParam();
  const PairPlanes planes = pairPlanes();
  // Which of the three values is exhaustive with which: (d, s) always; for a map also (s, m).
  struct Layout {
    const std::vector<uint32_t>* d;
    const std::vector<uint32_t>* s;
    const std::vector<uint32_t>* m;
  };
  std::vector<Layout> layouts = {{&planes.first, &planes.second, &planes.third}};
  if (formula.weightFrom == WeightFrom::Map)
    layouts.push_back({&planes.third, &planes.first, &planes.second});
  std::vector<std::pair<float, int>> opacities = {{1.0f, -1}};
  if (formula.weightFrom == WeightFrom::Opacity)
    opacities.assign(std::begin(kOpacities), std::end(kOpacities));

  CImage32Buffered source(256, 256), destination(256, 256), map(256, 256);
  for (const Layout& layout : layouts) {
    for (const auto& [alpha, weight] : opacities) {
      std::copy(layout.s->begin(), layout.s->end(), source.getPixels());
      std::copy(layout.d->begin(), layout.d->end(), destination.getPixels());
      std::copy(layout.m->begin(), layout.m->end(), map.getPixels());
      formula.run(source, &destination, map, alpha);
      int nbWrong = 0;
      for (size_t i = 0; i < 65536 && nbWrong < 5; ++i) {
        uint32_t expected = 0;
        for (int k = 0; k < 4; ++k) {
          const int d = static_cast<int>(byteOf((*layout.d)[i], k));
          const int s = static_cast<int>(byteOf((*layout.s)[i], k));
          const int w = formula.weightFrom == WeightFrom::Map
                            ? static_cast<int>(byteOf((*layout.m)[i], k))
                            : weight;
          expected |= formula.byte(d, s, w) << (8 * k);
        }
        const uint32_t got = destination.getPixels()[i];
        if (got != expected) {
          ++nbWrong;
          ADD_FAILURE() << formula.name << " alpha " << alpha << " pixel " << i << std::hex << " d "
                        << (*layout.d)[i] << " s " << (*layout.s)[i] << " m " << (*layout.m)[i]
                        << ": got " << got << ", expected " << expected;
        }
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(AllOperators, ImageBlitFormula, ::testing::ValuesIn(kFormulas));

// --- Every path's spans against the formulas, over every input ---
// The images run only the path chosen at start-up; these run each path's spans directly, so a
// wrong lane on a path this machine does not pick by default still shows. Every (d, s) pair for
// the unweighted spans, every (d, s, w) triple for the weighted ones, each in every byte position.

using pixel_kernels::KernelPath;
using pixel_kernels::KernelSet;

struct SpanFormula {
  const char* name;
  bk::WeightedBlitOp op;
  uint32_t (*byte)(int d, int s, int w);
};

const SpanFormula kSpanFormulas[] = {
    {"alpha", bk::WeightedBlitOp::Alpha,
     [](int d, int s, int a) { return static_cast<uint32_t>(d * (255 - a) / 256 + s * a / 256); }},
    {"alphaMap", bk::WeightedBlitOp::AlphaMap,
     [](int d, int s, int m) { return static_cast<uint32_t>(s * m / 256 + d * (255 - m) / 256); }},
    {"alphaAdd", bk::WeightedBlitOp::AlphaAdd,
     [](int d, int s, int a) { return clampByte(d + s * a / 256); }},
    {"alphaAddMap", bk::WeightedBlitOp::AlphaAddMap,
     [](int d, int s, int m) { return clampByte(d + s * m / 256); }},
    {"alphaSub", bk::WeightedBlitOp::AlphaSub,
     [](int d, int s, int a) { return clampByte(d - s * a / 256); }},
    {"alphaSubFromSource", bk::WeightedBlitOp::AlphaSubFromSource,
     [](int d, int s, int m) { return clampByte(s * m / 256 - d); }},
};

// 16384 pixels whose byte k holds the pair p = i + 16384 k as (p >> 8, p & 255) in d and s: the
// 65536 pairs once each, spread over the four byte positions.
constexpr size_t kPairPixels = 16384;
uint32_t pairByte(size_t i, int k, bool high) {
  const size_t p = i + kPairPixels * static_cast<size_t>(k);
  return static_cast<uint32_t>(high ? p >> 8 : p & 255u);
}

class SpanPathFormulas : public ::testing::TestWithParam<KernelPath> {
 protected:
  const KernelSet* kernels() const { return pixel_kernels::kernelsFor(GetParam()); }
};

TEST_P(SpanPathFormulas, UnweightedSpansOnEveryBytePair) {
  const KernelSet* pKernels = kernels();
  if (!pKernels) GTEST_SKIP() << "path not available here";
  const std::pair<bk::BlitOp, uint32_t (*)(int, int)> spans[] = {
      {bk::BlitOp::Copy, [](int, int s) { return static_cast<uint32_t>(s); }},
      {bk::BlitOp::HalfAdd, [](int d, int s) { return static_cast<uint32_t>(d / 2 + s / 2); }},
      {bk::BlitOp::Add, [](int d, int s) { return clampByte(d + s); }},
      {bk::BlitOp::Sub, [](int d, int s) { return clampByte(d - s); }},
  };
  std::vector<uint32_t> source(kPairPixels), start(kPairPixels);
  for (size_t i = 0; i < kPairPixels; ++i) {
    for (int k = 0; k < 4; ++k) {
      start[i] |= pairByte(i, k, true) << (8 * k);
      source[i] |= pairByte(i, k, false) << (8 * k);
    }
  }
  for (const auto& [op, formula] : spans) {
    std::vector<uint32_t> destination = start;
    pKernels->blendSpans[static_cast<size_t>(op)](destination.data(), source.data(), kPairPixels);
    for (size_t i = 0; i < kPairPixels; ++i) {
      for (int k = 0; k < 4; ++k) {
        ASSERT_EQ(byteOf(destination[i], k), formula(static_cast<int>(byteOf(start[i], k)),
                                                     static_cast<int>(byteOf(source[i], k))))
            << "op " << static_cast<int>(op) << " pixel " << i << " byte " << k;
      }
    }
  }
}

TEST_P(SpanPathFormulas, WeightedSpansOnEveryByteTriple) {
  const KernelSet* pKernels = kernels();
  if (!pKernels) GTEST_SKIP() << "path not available here";
  std::vector<uint32_t> source(kPairPixels), start(kPairPixels), map(kPairPixels);
  for (size_t i = 0; i < kPairPixels; ++i) {
    for (int k = 0; k < 4; ++k) {
      start[i] |= pairByte(i, k, true) << (8 * k);
      source[i] |= pairByte(i, k, false) << (8 * k);
    }
  }
  std::vector<uint32_t> destination(kPairPixels);
  for (const SpanFormula& formula : kSpanFormulas) {
    const bool readsMap = bk::readsAlphaMap(formula.op);
    for (uint32_t w = 0; w < 256; ++w) {
      // An opacity weights every byte alike; a map gives the four bytes of a pixel different
      // weights, and each runs through all 256 values as w does.
      for (size_t i = 0; i < kPairPixels; ++i) {
        map[i] = 0;
        for (uint32_t k = 0; k < 4; ++k)
          map[i] |= ((w + 77u * k + static_cast<uint32_t>(i)) & 255u) << (8 * k);
      }
      const bk::Weights weights{readsMap ? map.data() : nullptr, all(w)};
      destination = start;
      pKernels->weightedSpans[static_cast<size_t>(formula.op)](destination.data(), source.data(),
                                                               weights, kPairPixels);
      for (size_t i = 0; i < kPairPixels; ++i) {
        for (int k = 0; k < 4; ++k) {
          const int weight = readsMap ? static_cast<int>(byteOf(map[i], k)) : static_cast<int>(w);
          const uint32_t expected = formula.byte(static_cast<int>(byteOf(start[i], k)),
                                                 static_cast<int>(byteOf(source[i], k)), weight);
          ASSERT_EQ(byteOf(destination[i], k), expected)
              << formula.name << " w " << w << " pixel " << i << " byte " << k;
        }
      }
    }
  }
}

std::string pathName(const ::testing::TestParamInfo<KernelPath>& info) {
  switch (info.param) {
    case KernelPath::Scalar:
      return "scalar";
    case KernelPath::Sse2:
      return "sse2";
    case KernelPath::Avx2:
      return "avx2";
  }
  return "unknown";
}

INSTANTIATE_TEST_SUITE_P(AllPaths, SpanPathFormulas,
                         ::testing::Values(KernelPath::Scalar, KernelPath::Sse2, KernelPath::Avx2),
                         pathName);

}  // namespace
