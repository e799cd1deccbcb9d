// The two-image operators and the mix dispatcher: size and width refusals, the formulas over every
// byte pair, and every kernel path's spans over every input.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/report.h"
#include "image/blit_kernels_p.h"
#include "image/cimage32.h"
#include "tests/image/image_test_util.h"

using ::testing::Each;
using ::testing::ElementsAre;

// Other widths are refused by every operator (see PicksTheOperatorWhoseMessagesItReports).
TEST(ImageBlit, AnotherHeightIsReportedByTheSourceAndChangesNothing) {
  uint32_t memory[4 * 2] = {};
  CImage32External source;
  source.setPixelData(4, 2, memory);
  CImage32Buffered shorter(4, 1);
  shorter.fill(6);
  ReportCapture capture;
  source.blit(&shorter);
  EXPECT_THAT(capture.lines(), ElementsAre("CImage32External|blit: must be same dimensions"));
  EXPECT_EQ(capture.reports()[0].level, ReportLevel::Fatal);
  EXPECT_EQ(quitRequested(), std::optional<int>(1));
  EXPECT_THAT(pixelsOf(shorter), Each(6u));
  // A null or empty destination is harmless and silent.
  capture.clear();
  CImage32Buffered(2, 2).blit(nullptr);
  CImage32Buffered emptySource, emptyDestination;
  emptySource.blit(&emptyDestination);
  EXPECT_TRUE(capture.reports().empty());
  EXPECT_EQ(emptyDestination.getPixels(), nullptr);
}

// --- The blending operators and blitMix ---

namespace {

namespace bk = blit_kernels;

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
      {"normal 0.75 (a = 191): 63 + 190", 0, 0.75f, kNoMap, 2, all(255), all(255), all(253)},
      {"normal 1.0 copies, odd width", 0, 1.0f, kNoMap, 3, 0x80FF0137u, 0x55555555u, 0x80FF0137u},
      {"normal with map 255 and alpha 0: 254 + 0", 0, 0.0f, 255, 2, all(255), all(9), all(254)},
      {"transadd 1.0 saturates", 1, 1.0f, kNoMap, 2, all(100), all(200), all(255)},
      {"mode -1 is additive, 0.5: 10 + 100", -1, 0.5f, kNoMap, 2, all(200), all(10), all(110)},
      {"transadd with map 128, alpha -1: 10 + 100", 1, -1.0f, 128, 2, all(200), all(10), all(110)},
      {"transsub 0.5: 200 - 100", 3, 0.5f, kNoMap, 2, all(200), all(200), all(100)},
      {"transsub map 255: source minus destination", 3, 0.0f, 255, 2, all(200), all(10), all(189)},
      {"alpha 0 without map does nothing", 0, 0.0f, kNoMap, 2, all(255), all(7), all(7)},
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
      {0, 1.5f, false, "blitAlpha"},          {0, 1.0f, true, "blitAlpha"},
      {3, 1.0f, false, "blitTransSub"},       {3, -1.0f, true, "blitAlphaTransSub"},
      {1, 1.0f, false, "blitTransAdd"},       {1, 0.5f, false, "blitAlphaTransAdd"},
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
  CImage32Buffered source(4, 2), shortMap(4, 1), emptyMap;
  source.fill(all(255));
  const std::pair<int, std::string> ops[] = {
      {0, "blitAlpha"}, {1, "blitAlphaTransAdd"}, {3, "blitAlphaTransSub"}};
  for (const auto& [mode, name] : ops) {
    for (const CImage32Buffered* pMap : {&shortMap, &emptyMap}) {
      const auto destination = imageOf(4, 2, 6);
      ReportCapture capture;
      source.blitMix(destination.get(), mode, pMap, 0.5f);
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
  // 0.25: 63.75; 0.5: 127.5, a tie, to even; 0x1.414142p-7: the float product rounds to exactly
  // 2.5 (which would give 2), the true product is 2.50000009, so 3. Outside 0..1 the weight is
  // clamped; NaN weighs nothing.
  const std::pair<float, uint32_t> cases[] = {{0.25f, 64},         {0.5f, 128}, {1.0f / 255.0f, 1},
                                              {0x1.414142p-7f, 3}, {-0.5f, 0},  {1.5f, 255},
                                              {infinity, 255},     {nan, 0}};
  for (const auto& [alpha, weight] : cases)
    EXPECT_EQ(bk::weightFromOpacity(alpha), weight) << "alpha " << alpha;
}

}  // namespace
