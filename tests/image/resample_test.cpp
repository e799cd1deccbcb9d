// The resampling blits (blitRotation, blitScaled) and the tiled 256 x 256 copy: placement and fill
// convention, clipping, mirroring, the blends by hand, bilinear weights by hand, every span
// routine's packed path against its scalar twin, and the reports.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "base/report.h"
#include "image/cimage32.h"
#include "image/resample_spans_p.h"
#include "tests/image/image_test_util.h"

using ::testing::AnyOf;
using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

namespace {

constexpr uint32_t kUntouched = 0x5A5A5A5Au;
constexpr float kPi = std::numbers::pi_v<float>;

// A destination filled with kUntouched, its guard rows (zero) open to inspection.
struct Destination {
  InspectableImage image;
  Destination(int32_t width, int32_t height) : image(width, height) { image.fill(kUntouched); }
  uint32_t at(int32_t x, int32_t y) const { return image.getPixels()[y * image.getWidth() + x]; }
  bool guardRowsClear() const { return image.guardRowsClear(); }
  // The written pixels as a mask: 1 where the pixel changed.
  std::vector<int> written() const {
    std::vector<int> mask;
    for (uint32_t p : pixelsOf(image))
      mask.push_back(p != kUntouched ? 1 : 0);
    return mask;
  }
};

// The mask of a destination whose pixels [x0, x1) x [y0, y1) alone are written.
std::vector<int> rectangleMask(int32_t width, int32_t height, int32_t x0, int32_t x1, int32_t y0,
                               int32_t y1) {
  std::vector<int> mask;
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x)
      mask.push_back(x >= x0 && x < x1 && y >= y0 && y < y1 ? 1 : 0);
  }
  return mask;
}

enum class Blit { kRotation, kScaled };
const Blit kBothBlits[] = {Blit::kRotation, Blit::kScaled};

// Either blit at angle 0.
void draw(Blit blit, const CImage32& source, CImage32* pDst, float cx, float cy, float zoomX,
          float zoomY, int mode = 0, const CImage32* pMap = nullptr, float alpha = 1.0f,
          int filter = CImage32::kFilterNearest) {
  if (blit == Blit::kRotation) {
    source.blitRotation(pDst, 0.0f, cx, cy, zoomX, zoomY, mode, pMap, alpha, filter);
  } else {
    source.blitScaled(pDst, cx, cy, zoomX, zoomY, mode, pMap, alpha, filter);
  }
}

const char* nameOf(Blit blit) {
  return blit == Blit::kRotation ? "blitRotation" : "blitScaled";
}

}  // namespace

// --- Placement and the fill convention ---

// x = (v - hh) + cx, y = cy - (u - hw): pixel (X, Y) samples u = 7 - Y, v = X - 3. The top row
// (v < 1) lands in column 3 alone, running upward over rows 6 .. 1: u = 6 on row 1 is the far
// edge, clamped to texel 5, and texel 0 would need row 7, which the exclusive bottom edge leaves
// out.
TEST(ImageResample, QuarterTurnMapsTheTopRowToAVerticalLine) {
  CImage32Buffered source(6, 2);
  for (uint32_t x = 0; x < 6; ++x) {
    source.getPixels()[x] = 0x100u + x;  // top row
    source.getPixels()[6 + x] = 0x200u + x;
  }
  Destination destination(8, 8);
  source.blitRotation(&destination.image, kPi / 2.0f, 4.0f, 4.0f, 1.0f, 1.0f, 0, nullptr, 1.0f,
                      CImage32::kFilterNearest);
  EXPECT_EQ(destination.written(), rectangleMask(8, 8, 3, 5, 1, 7));
  std::vector<uint32_t> column3, column4;
  for (int32_t y = 1; y < 7; ++y) {
    column3.push_back(destination.at(3, y));
    column4.push_back(destination.at(4, y));
  }
  EXPECT_THAT(column3, ElementsAre(0x105u, 0x105u, 0x104u, 0x103u, 0x102u, 0x101u));
  EXPECT_THAT(column4, ElementsAre(0x205u, 0x205u, 0x204u, 0x203u, 0x202u, 0x201u));
}

// The covered pixels run from ceil(cx - w/2) to ceil(cx + w/2) - 1: a half-pixel position takes
// the right pixel of each pair; a zoom of 1.5 gives the extent 1.25 .. 7.25 -> 2 .. 7; 300 *
// (256 / 300) covers 0 .. 256, columns 0 .. 255 of a wider destination.
TEST(ImageResample, CoversPixelsFromTheCeilingOfEachEnd) {
  struct Case {
    int32_t sourceWidth, sourceHeight, width, height;
    float cx, cy, zoomX;
    int32_t x0, x1, y0, y1;
  };
  const Case cases[] = {
      {4, 2, 10, 4, 4.5f, 2.5f, 1.0f, 3, 7, 2, 4},
      {4, 2, 10, 4, 4.25f, 1.5f, 1.5f, 2, 8, 1, 3},
      {300, 2, 300, 2, 128.0f, 1.0f, 256.0f / 300.0f, 0, 256, 0, 2},
  };
  for (const Case& c : cases) {
    CImage32Buffered source(c.sourceWidth, c.sourceHeight);
    source.fill(all(9));
    for (Blit blit : kBothBlits) {
      for (int filter : {CImage32::kFilterNearest, CImage32::kFilterBilinear}) {
        Destination destination(c.width, c.height);
        draw(blit, source, &destination.image, c.cx, c.cy, c.zoomX, 1.0f, 0, nullptr, 1.0f, filter);
        EXPECT_EQ(destination.written(), rectangleMask(c.width, c.height, c.x0, c.x1, c.y0, c.y1))
            << nameOf(blit) << " " << filter << " at " << c.cx;
      }
    }
  }
}

// Overhanging each edge and all four: only the pixels inside are written, with the texels that
// land there, and the guard rows around the destination stay zero.
TEST(ImageResample, ClipsAtEveryEdge) {
  CImage32Buffered source(8, 6);
  fillDistinct(source, 1);
  struct Case {
    float cx, cy, zoom;
    int32_t x0, x1, y0, y1;  // the covered destination pixels
  };
  const Case cases[] = {
      {2.0f, 6.0f, 1.0f, 0, 6, 3, 9},     // left: texel columns 2..7 show
      {14.0f, 6.0f, 1.0f, 10, 16, 3, 9},  // right
      {8.0f, 1.0f, 1.0f, 4, 12, 0, 4},    // top: texel rows 2..5
      {8.0f, 11.0f, 1.0f, 4, 12, 8, 12},  // bottom
      {8.0f, 6.0f, 3.0f, 0, 16, 0, 12},   // every edge
      {-4.0f, 6.0f, 1.0f, 0, 0, 0, 0},    // wholly outside
  };
  for (Blit blit : kBothBlits) {
    for (const Case& c : cases) {
      Destination destination(16, 12);
      draw(blit, source, &destination.image, c.cx, c.cy, c.zoom, c.zoom);
      SCOPED_TRACE(std::string(nameOf(blit)) + " at " + std::to_string(c.cx) + ", " +
                   std::to_string(c.cy));
      EXPECT_EQ(destination.written(), rectangleMask(16, 12, c.x0, c.x1, c.y0, c.y1));
      EXPECT_TRUE(destination.guardRowsClear());
      if (c.zoom != 1.0f || c.x1 == 0) continue;
      // Pixel (x, y) shows texel (x - (cx - 4), y - (cy - 3)).
      for (int32_t y = c.y0; y < c.y1; ++y) {
        for (int32_t x = c.x0; x < c.x1; ++x) {
          const auto tx = static_cast<int32_t>(static_cast<float>(x) - (c.cx - 4.0f));
          const auto ty = static_cast<int32_t>(static_cast<float>(y) - (c.cy - 3.0f));
          ASSERT_EQ(destination.at(x, y), source.getPixels()[ty * 8 + tx]) << x << "," << y;
        }
      }
    }
  }
  // Turned and much larger than the destination: every pixel written, with samples from inside
  // only (a bilinear weight sum of 253..256 gives 77 or 76; the zero guard rows would give less).
  CImage32Buffered plain(8, 6);
  plain.fill(all(77));
  for (int filter : {CImage32::kFilterNearest, CImage32::kFilterBilinear}) {
    Destination destination(16, 12);
    plain.blitRotation(&destination.image, 0.7f, 8.0f, 6.0f, 10.0f, 10.0f, 0, nullptr, 1.0f,
                       filter);
    if (filter == CImage32::kFilterNearest) {
      EXPECT_THAT(pixelsOf(destination.image), Each(all(77)));
    } else {
      EXPECT_THAT(pixelsOf(destination.image), Each(AnyOf(all(76), all(77))));
    }
    EXPECT_TRUE(destination.guardRowsClear());
  }
}

// Zoom -1 is the exact mirror (the walk's first value clamped inside the far edge); -2 shows
// each texel twice, backward.
TEST(ImageResample, NegativeZoomMirrors) {
  CImage32Buffered source(4, 2);
  for (uint32_t i = 0; i < 8; ++i)
    source.getPixels()[i] = 10 * i;  // rows 0 1 2 3 / 4 5 6 7, times 10
  Destination flipped(4, 2);
  source.blitScaled(&flipped.image, 2.0f, 1.0f, -1.0f, 1.0f, 0, nullptr, 1.0f, 0);
  EXPECT_THAT(pixelsOf(flipped.image), ElementsAre(30u, 20u, 10u, 0u, 70u, 60u, 50u, 40u));
  Destination turned(4, 2);
  source.blitScaled(&turned.image, 2.0f, 1.0f, -1.0f, -1.0f, 0, nullptr, 1.0f, 0);
  EXPECT_THAT(pixelsOf(turned.image), ElementsAre(70u, 60u, 50u, 40u, 30u, 20u, 10u, 0u));
  Destination doubled(8, 1);
  source.blitScaled(&doubled.image, 4.0f, 0.5f, -2.0f, 0.5f, 0, nullptr, 1.0f, 0);
  EXPECT_THAT(pixelsOf(doubled.image), ElementsAre(30u, 30u, 20u, 20u, 10u, 10u, 0u, 0u));
  // The rotating blit mirrors too, instead of leaving the clockwise quadrilateral empty.
  Destination rotated(4, 2);
  source.blitRotation(&rotated.image, 0.0f, 2.0f, 1.0f, -1.0f, 1.0f, 0, nullptr, 1.0f, 0);
  EXPECT_EQ(pixelsOf(rotated.image), pixelsOf(flipped.image));
}

// --- The combinations by hand (s source, d destination, m map byte, a opacity weight) ---

struct BlendExample {
  const char* what;
  int mode;
  float alpha;
  int map;  // -1: none
  uint32_t s, d, expected;
};

TEST(ImageResample, EachCombinationOnAPixelWorkedByHand) {
  constexpr int kNone = -1;
  const BlendExample examples[] = {
      {"map normal: 100 + (100 * 127) >> 8", 0, 1.0f, 128, 200, 100, 100 + 49},
      {"map add: 100 + 100", 1, 0.2f, 128, 200, 100, 200},
      {"map sub: 150 - 100", 3, 0.0f, 128, 200, 150, 50},
      {"add saturates", 1, 1.0f, kNone, 200, 100, 255},
      {"add by opacity 0.25: 100 + 50", 1, 0.25f, kNone, 200, 100, 150},
      {"sub, white over white is black", 3, 1.0f, kNone, 255, 255, 0},
      {"sub by opacity 0.25: 100 - 50", 3, 0.25f, kNone, 200, 100, 50},
      {"average keeps the ninth bit", 0, 0.5f, kNone, 255, 255, 255},
      {"copy; mode 2 mixes normally", 2, 1.0f, kNone, 200, 100, 200},
      {"opacity 0.25: 50 + (100 * 191) >> 8", 0, 0.25f, kNone, 200, 100, 50 + 74},
      {"alpha 0 without a map draws nothing", 0, 0.0f, kNone, 200, 100, 100},
  };
  for (Blit blit : kBothBlits) {
    for (int filter : {CImage32::kFilterNearest, CImage32::kFilterBilinear}) {
      for (const BlendExample& e : examples) {
        CImage32Buffered source(4, 2), map(4, 2);
        source.fill(all(e.s));
        map.fill(all(static_cast<uint32_t>(e.map)));
        Destination destination(4, 2);
        destination.image.fill(all(e.d));
        draw(blit, source, &destination.image, 2.0f, 1.0f, 1.0f, 1.0f, e.mode,
             e.map < 0 ? nullptr : &map, e.alpha, filter);
        EXPECT_THAT(pixelsOf(destination.image), Each(all(e.expected)))
            << nameOf(blit) << " filter " << filter << ": " << e.what;
      }
    }
  }
}

// Source a b / c d, one byte value in all four bytes, drawn at zoom 2: pixel x samples
// u = x / 2, so odd pixels sit halfway (fu = 2048, weights 128 or 64). The right column's
// neighbour is the next row's first texel, the bottom row's the zero guard row below.
TEST(ImageResample, BilinearWeightsWorkedByHand) {
  CImage32Buffered source(2, 2);
  const uint32_t a = 10, b = 50, c = 100, d = 200;
  source.getPixels()[0] = all(a);
  source.getPixels()[1] = all(b);
  source.getPixels()[2] = all(c);
  source.getPixels()[3] = all(d);
  // clang-format off
  const uint32_t expected[] = {
      a,           (a + b) / 2,               b,           (b + c) / 2,
      (a + c) / 2, (a + b + c + d) * 64 >> 8, (b + d) / 2, (b + c + d) * 64 >> 8,
      c,           (c + d) / 2,               d,           d / 2,
      c / 2,       (c + d) * 64 >> 8,         d / 2,       d * 64 >> 8,
  };
  // clang-format on
  std::vector<uint32_t> words;
  for (uint32_t value : expected)
    words.push_back(all(value));
  for (Blit blit : kBothBlits) {
    Destination destination(4, 4);
    draw(blit, source, &destination.image, 2.0f, 2.0f, 2.0f, 2.0f, 0, nullptr, 1.0f,
         CImage32::kFilterBilinear);
    EXPECT_THAT(pixelsOf(destination.image), ElementsAreArray(words)) << nameOf(blit);
  }
  // Memory owned by the caller has no guard rows: the bottom row reads zeros all the same.
  uint32_t memory[4] = {all(a), all(b), all(c), all(d)};
  CImage32External external;
  external.setPixelData(2, 2, memory);
  Destination fromExternal(4, 4);
  external.blitRotation(&fromExternal.image, 0.0f, 2.0f, 2.0f, 2.0f, 2.0f, 0, nullptr, 1.0f,
                        CImage32::kFilterBilinear);
  EXPECT_THAT(pixelsOf(fromExternal.image), ElementsAreArray(words));
}

// --- Reports and refusals ---

TEST(ImageResample, AlphaMapOfAnotherSizeIsRefused) {
  CImage32Buffered source(4, 2), map(4, 3);
  source.fill(all(200));
  Destination destination(4, 2);
  ReportCapture capture;
  source.blitRotation(&destination.image, 0.0f, 2.0f, 1.0f, 1.0f, 1.0f, 0, &map, 1.0f, 0);
  EXPECT_THAT(capture.lines(),
              ElementsAre("CImage32Buffered|blitRotation src and alpha map dimensions are "
                          "different"));
  EXPECT_EQ(capture.reports()[0].level, ReportLevel::Warning);
  capture.clear();
  source.blitScaled(&destination.image, 2.0f, 1.0f, 1.0f, 1.0f, 0, &map, 1.0f, 0);
  EXPECT_TRUE(capture.reports().empty());
  EXPECT_THAT(pixelsOf(destination.image), Each(kUntouched));
}

// --- The tiled 256 x 256 copy (the pivot forms and the resampling to 256 x 256 are the 2D scene's
// and the texture's: s2d_scene_test.cpp, s3d_texture_test.cpp) ---

TEST(ImageResample256, TiledCopyPutsSourcePixel9x1AtWord2057) {
  CImage32Buffered source(256, 256), tiled(256, 256);
  fillDistinct(source, 11);
  ReportCapture capture;
  tiled.init256x256Tiled(&source);
  EXPECT_TRUE(capture.reports().empty());
  // The layout itself is pinned word by word in cimage32_test.cpp.
  EXPECT_EQ(tiled.getPixels()[2057], source.getPixels()[1 * 256 + 9]);

  CImage32Buffered wrongSize(128, 256);
  wrongSize.init256x256Tiled(&source);
  tiled.init256x256Tiled(nullptr);
  EXPECT_THAT(capture.lines(), ElementsAre("CImage32Buffered|init256x256Tiled: bad dimensions",
                                           "CImage32Buffered|init256x256Tiled: source NULL"));
  EXPECT_EQ(capture.reports()[1].level, ReportLevel::Warning);
  EXPECT_THAT(pixelsOf(wrongSize), Each(0u));
}

// --- Every routine's packed and wide paths against its scalar twin ---

// Seeded random texels (edge bytes 0, 0x80, 255 mixed in), walks anywhere inside the source with
// steps below, between and above one and two texels, and walks on texel rows and columns (where
// the wide bilinear fetch leaves out texels of weight 0), spans of 0 to 37 pixels, sources 1, 2
// and 13 texels wide. The
// buffers end where the readable words end (two guard rows below the texels, none below the map),
// so that a read past them shows under the address sanitizer. A row routine also matches the free
// walk's scalar twin with dv = 0.
TEST(ImageResampleSpans, PackedAndWideMatchTheScalarTwinForEveryRoutine) {
  std::mt19937 random(20240518u);
  auto word = [&] {
    const uint32_t edges[] = {0u, 0xFFFFFFFFu, 0x80808080u, 0x00FF80FFu};
    return random() % 4 == 0 ? edges[random() % 4] : static_cast<uint32_t>(random());
  };
  using resample::SpanPath;
  for (int32_t width : {1, 2, 13}) {
    const int32_t height = 5;
    const auto pixels = static_cast<size_t>(width * height);
    std::vector<uint32_t> texels(pixels + 2 * static_cast<size_t>(width)), map(pixels);
    for (size_t i = 0; i < pixels; ++i) {
      texels[i] = word();
      map[i] = word();
    }
    const resample::Texture texture{
        texels.data(),       map.data(),    static_cast<uint32_t>(width),
        all(random() % 256), texels.size(), map.size()};
    for (size_t s = 0; s < resample::kNbSampling; ++s) {
      for (size_t c = 0; c < resample::kNbCombination; ++c) {
        const auto sampling = static_cast<resample::Sampling>(s);
        const auto combination = static_cast<resample::Combination>(c);
        const bool row = sampling == resample::Sampling::kNearestRow ||
                         sampling == resample::Sampling::kBilinearRow;
        const resample::SpanFn scalar = resample::spanFor(sampling, combination, SpanPath::kScalar);
        const resample::SpanFn freeWalk = resample::spanFor(
            sampling == resample::Sampling::kNearestRow    ? resample::Sampling::kNearest
            : sampling == resample::Sampling::kBilinearRow ? resample::Sampling::kBilinear
                                                           : sampling,
            combination, SpanPath::kScalar);
        for (SpanPath path : {SpanPath::kPacked, SpanPath::kWide}) {
          const resample::SpanFn routine = resample::spanFor(sampling, combination, path);
          if (!routine) continue;  // no wide path on this CPU
          ASSERT_NE(routine, scalar);
          for (int trial = 0; trial < 40; ++trial) {
            const auto count = static_cast<int32_t>(random() % 38);
            const int32_t uLimit = (width << 16) - 1, vLimit = (height << 16) - 1;
            // Steps up to one texel (runs of eight), two (sixteen) and five (gathered).
            const uint32_t ranges[] = {2u * 65536u + 1u, 4u * 65536u + 1u, 10u * 65536u};
            const uint32_t range = ranges[trial % 3];
            resample::TexelWalk walk{
                static_cast<int32_t>(random() % static_cast<uint32_t>(uLimit + 1)),
                static_cast<int32_t>(random() % static_cast<uint32_t>(vLimit + 1)),
                static_cast<int32_t>(random() % range) - static_cast<int32_t>(range / 2),
                row ? 0 : static_cast<int32_t>(random() % 300000u) - 150000};
            if (trial % 4 == 3) {
              // On texel rows and columns (fv = 0, u without fraction), stepping whole texels
              // plus 0..15 / 65536, whose carries reach fu after a few pixels.
              walk.u &= ~0xFFF0;
              walk.v &= ~0xFFFF;
              walk.du =
                  (walk.du & ~0xFFFF) + static_cast<int32_t>(random() % 2 ? random() % 16 : 0);
            }
            resample::keepInside(walk.u, walk.du, std::max(count, 1), uLimit);
            resample::keepInside(walk.v, walk.dv, std::max(count, 1), vLimit);
            std::vector<uint32_t> expected(40), actual;
            for (uint32_t& p : expected)
              p = word();
            actual = expected;
            std::vector<uint32_t> alongFreeWalk = expected;
            scalar(texture, expected.data(), count, walk);
            routine(texture, actual.data(), count, walk);
            ASSERT_EQ(actual, expected)
                << "sampling " << s << " combination " << c << " path " << static_cast<int>(path)
                << " width " << width << " count " << count;
            freeWalk(texture, alongFreeWalk.data(), count, walk);
            ASSERT_EQ(alongFreeWalk, expected);
          }
        }
      }
    }
  }
}
