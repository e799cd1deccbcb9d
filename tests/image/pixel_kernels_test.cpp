// Every kernel path (SSE2, AVX2 where the CPU has it, and the `packed` entry the images call)
// against the scalar twins and against the formulas written out here, on seeded random data and
// edge values, byte for byte.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <ostream>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "image/blit_kernels_p.h"
#include "image/pixel_kernels_p.h"

namespace {

using pixel_kernels::GrayChannel;
using pixel_kernels::KernelPath;
using pixel_kernels::KernelSet;

// The `packed` entry points gathered like a path, to check that each forwards to its own kernel.
// The blit spans have no such entries: the images take them from activeKernels() (`active` below).
constexpr KernelSet kPackedEntries = {
    pixel_kernels::packed::fill,
    pixel_kernels::packed::doubleIntensity,
    pixel_kernels::packed::addColor,
    pixel_kernels::packed::subColor,
    pixel_kernels::packed::maskPixel,
    pixel_kernels::packed::invert,
    pixel_kernels::packed::toGray,
    pixel_kernels::packed::grayToChannel,
    {},
    {},
};

// A path under test: where its kernels come from, nullptr when this CPU or build lacks it.
struct PathCase {
  std::string name;
  std::function<const KernelSet*()> kernels;
};

PathCase scalarPath() {
  return {"scalar", [] { return pixel_kernels::kernelsFor(KernelPath::Scalar); }};
}
PathCase sse2Path() {
  return {"sse2", [] { return pixel_kernels::kernelsFor(KernelPath::Sse2); }};
}
PathCase avx2Path() {
  return {"avx2", [] { return pixel_kernels::kernelsFor(KernelPath::Avx2); }};
}
PathCase packedPath() {
  return {"packed", [] { return &kPackedEntries; }};
}
PathCase activePath() {
  return {"active", [] { return &pixel_kernels::activeKernels(); }};
}

void PrintTo(const PathCase& path, std::ostream* os) {
  *os << path.name;
}

// The kernels of `path`, or a skip when this machine cannot run it.
#define KERNELS_OR_SKIP(pKernels, path)         \
  const KernelSet* pKernels = (path).kernels(); \
  if (!pKernels) GTEST_SKIP() << (path).name << " is not available here"

// One kernel of a set, called with a uniform signature (kernels without a colour ignore it).
using KernelCall = std::function<void(const KernelSet&, uint32_t*, size_t, uint32_t)>;

struct KernelCase {
  std::string name;
  KernelCall call;
};

void PrintTo(const KernelCase& kernel, std::ostream* os) {
  *os << kernel.name;
}

std::vector<KernelCase> allKernels() {
  auto gray = [](GrayChannel channel) {
    return [channel](const KernelSet& k, uint32_t* p, size_t n, uint32_t) {
      k.grayToChannel(p, n, channel);
    };
  };
  return {
      {"fill", [](const KernelSet& k, uint32_t* p, size_t n, uint32_t c) { k.fill(p, n, c); }},
      {"doubleIntensity",
       [](const KernelSet& k, uint32_t* p, size_t n, uint32_t) { k.doubleIntensity(p, n); }},
      {"addColor",
       [](const KernelSet& k, uint32_t* p, size_t n, uint32_t c) { k.addColor(p, n, c); }},
      {"subColor",
       [](const KernelSet& k, uint32_t* p, size_t n, uint32_t c) { k.subColor(p, n, c); }},
      {"maskPixel",
       [](const KernelSet& k, uint32_t* p, size_t n, uint32_t c) { k.maskPixel(p, n, c); }},
      {"invert", [](const KernelSet& k, uint32_t* p, size_t n, uint32_t) { k.invert(p, n); }},
      {"toGray", [](const KernelSet& k, uint32_t* p, size_t n, uint32_t) { k.toGray(p, n); }},
      {"grayToRed", gray(GrayChannel::Red)},
      {"grayToGreen", gray(GrayChannel::Green)},
      {"grayToBlue", gray(GrayChannel::Blue)},
  };
}

// Bytes drawn from the edge values and from uniform random bytes, half and half.
uint32_t edgeOrRandomPixel(std::mt19937& rng) {
  static constexpr std::array<uint32_t, 7> kEdgeBytes = {0x00, 0xFF, 0x80, 0x7F, 0x01, 0xFE, 0x81};
  uint32_t pixel = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const uint32_t draw = static_cast<uint32_t>(rng());
    const uint32_t byte =
        (draw & 1u) ? kEdgeBytes[(draw >> 1) % kEdgeBytes.size()] : (draw >> 8) & 0xFF;
    pixel |= byte << shift;
  }
  return pixel;
}

// Run lengths around the 4-pixel (SSE2) and 8-pixel (AVX2) steps and their two-vector turns.
constexpr std::array<size_t, 15> kCounts = {0, 1, 2, 3, 4, 5, 7, 8, 9, 15, 16, 17, 31, 33, 1000};
constexpr uint32_t kSentinel = 0xDEADBEEFu;
// Words of sentinel kept on each side of a run.
constexpr size_t kSlack = 9;
// Runs start 0..7 words past a 32-byte boundary: every alignment a 4- or 8-pixel load can meet.
constexpr size_t kStarts = 8;

// `pixels` copied into a run that starts `start` words past a 32-byte boundary, with at least
// kSlack sentinel words on each side.
class GuardedRun {
 public:
  GuardedRun(const std::vector<uint32_t>& pixels, size_t start)
      : m_words(pixels.size() + 2 * kSlack + 2 * kStarts, kSentinel) {
    m_first = kSlack;
    while (reinterpret_cast<uintptr_t>(m_words.data() + m_first) % 32 != 0)
      ++m_first;
    m_first += start;
    std::copy(pixels.begin(), pixels.end(), m_words.begin() + static_cast<ptrdiff_t>(m_first));
    m_count = pixels.size();
  }
  uint32_t* pixels() { return m_words.data() + m_first; }
  // Index of the first word outside the run that is no longer the sentinel, or -1.
  ptrdiff_t firstOverwrittenOutside() const {
    for (size_t i = 0; i < m_words.size(); ++i) {
      const bool inside = i >= m_first && i < m_first + m_count;
      if (!inside && m_words[i] != kSentinel) return static_cast<ptrdiff_t>(i);
    }
    return -1;
  }

 private:
  std::vector<uint32_t> m_words;
  size_t m_first = 0;
  size_t m_count = 0;
};

using PathAndKernel = std::tuple<PathCase, KernelCase>;

class PathMatchesScalar : public ::testing::TestWithParam<PathAndKernel> {};

TEST_P(PathMatchesScalar, SameBytesForEveryLengthAndStartAndNothingWrittenOutside) {
  const auto& [path, kernel] = GetParam();
  KERNELS_OR_SKIP(pKernels, path);
  const KernelSet& reference = *pixel_kernels::kernelsFor(KernelPath::Scalar);
  std::mt19937 rng(20240611u);
  for (size_t count : kCounts) {
    for (size_t start = 0; start < kStarts; ++start) {
      for (uint32_t color :
           {0u, 0xFFFFFFFFu, 0x80808080u, 0x7F0180FEu, static_cast<uint32_t>(rng())}) {
        std::vector<uint32_t> input(count);
        for (uint32_t& pixel : input)
          pixel = edgeOrRandomPixel(rng);
        GuardedRun expected(input, start);
        GuardedRun actual(input, start);
        kernel.call(reference, expected.pixels(), count, color);
        kernel.call(*pKernels, actual.pixels(), count, color);
        for (size_t i = 0; i < count; ++i) {
          ASSERT_EQ(actual.pixels()[i], expected.pixels()[i])
              << path.name << " " << kernel.name << " count " << count << " start " << start
              << " colour " << color << " pixel " << i << " input " << input[i];
        }
        ASSERT_EQ(actual.firstOverwrittenOutside(), -1)
            << path.name << " " << kernel.name << " count " << count << " start " << start;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(PixelKernels, PathMatchesScalar,
                         ::testing::Combine(::testing::Values(sse2Path(), avx2Path(), packedPath()),
                                            ::testing::ValuesIn(allKernels())),
                         [](const ::testing::TestParamInfo<PathAndKernel>& info) {
                           return std::get<0>(info.param).name + "_" + std::get<1>(info.param).name;
                         });

// --- Which paths exist, and which one the images use ---

TEST(KernelPaths, ScalarAlwaysExistsAndSse2OnEveryX86_64) {
  EXPECT_NE(pixel_kernels::kernelsFor(KernelPath::Scalar), nullptr);
#if defined(__x86_64__)
  EXPECT_NE(pixel_kernels::kernelsFor(KernelPath::Sse2), nullptr);
#endif
}

TEST(KernelPaths, Avx2IsOfferedExactlyWhenTheCpuHasIt) {
#if defined(__x86_64__) || defined(__i386__)
  const bool cpuHasAvx2 = __builtin_cpu_supports("avx2");
#else
  const bool cpuHasAvx2 = false;
#endif
  EXPECT_EQ(pixel_kernels::kernelsFor(KernelPath::Avx2) != nullptr, cpuHasAvx2);
}

TEST(KernelPaths, ImagesUseTheWidestPathAvailable) {
  const KernelSet* pWidest = nullptr;
  for (const KernelPath path : {KernelPath::Avx2, KernelPath::Sse2, KernelPath::Scalar}) {
    pWidest = pixel_kernels::kernelsFor(path);
    if (pWidest) break;
  }
  EXPECT_EQ(&pixel_kernels::activeKernels(), pWidest);
}

// --- Every byte pair against the formula, in each of the four byte positions, on every path ---

class PathFormulas : public ::testing::TestWithParam<PathCase> {};

uint32_t byteOf(uint32_t pixel, int i) {
  return (pixel >> (8 * i)) & 0xFF;
}

// 256 pixels whose bytes run through all 256 values in each position, in different orders so the
// four channels of one pixel differ.
std::vector<uint32_t> allBytePixels() {
  std::vector<uint32_t> pixels(256);
  for (uint32_t v = 0; v < 256; ++v) {
    pixels[v] = v | ((v ^ 0x5Au) << 8) | ((255u - v) << 16) | (((v * 37u) & 255u) << 24);
  }
  return pixels;
}

// Colour c for the byte-pair tests, again with different bytes per channel.
uint32_t colorFor(uint32_t c) {
  return c | ((255u - c) << 8) | ((c ^ 0xA5u) << 16) | (((c * 11u) & 255u) << 24);
}

// Runs kernel on every pixel of allBytePixels() with every colorFor(c) and compares each byte with
// the formula f(b, c_byte).
template <class Kernel, class Formula>
void expectEveryBytePair(Kernel kernel, Formula formula) {
  const std::vector<uint32_t> input = allBytePixels();
  for (uint32_t c = 0; c < 256; ++c) {
    const uint32_t color = colorFor(c);
    std::vector<uint32_t> pixels = input;
    kernel(pixels.data(), pixels.size(), color);
    for (size_t i = 0; i < pixels.size(); ++i) {
      for (int byte = 0; byte < 4; ++byte) {
        const uint32_t expected = formula(byteOf(input[i], byte), byteOf(color, byte));
        ASSERT_EQ(byteOf(pixels[i], byte), expected)
            << "pixel " << input[i] << " colour " << color << " byte " << byte;
      }
    }
  }
}

TEST_P(PathFormulas, AddColorIsPerByteSaturatingAdd) {
  KERNELS_OR_SKIP(pKernels, GetParam());
  expectEveryBytePair(pKernels->addColor,
                      [](uint32_t b, uint32_t c) { return std::min(b + c, 255u); });
}

TEST_P(PathFormulas, SubColorIsPerByteSaturatingSubtract) {
  KERNELS_OR_SKIP(pKernels, GetParam());
  expectEveryBytePair(pKernels->subColor, [](uint32_t b, uint32_t c) {
    return static_cast<uint32_t>(std::max(static_cast<int>(b) - static_cast<int>(c), 0));
  });
}

TEST_P(PathFormulas, MaskPixelIsBitwiseAnd) {
  KERNELS_OR_SKIP(pKernels, GetParam());
  expectEveryBytePair(pKernels->maskPixel, [](uint32_t b, uint32_t c) { return b & c; });
}

TEST_P(PathFormulas, FillWritesTheColour) {
  KERNELS_OR_SKIP(pKernels, GetParam());
  expectEveryBytePair(pKernels->fill, [](uint32_t, uint32_t c) { return c; });
}

TEST_P(PathFormulas, DoubleIntensityAndInvertOnEveryByte) {
  KERNELS_OR_SKIP(pKernels, GetParam());
  std::vector<uint32_t> doubled = allBytePixels();
  std::vector<uint32_t> inverted = allBytePixels();
  const std::vector<uint32_t> input = allBytePixels();
  pKernels->doubleIntensity(doubled.data(), doubled.size());
  pKernels->invert(inverted.data(), inverted.size());
  for (size_t i = 0; i < input.size(); ++i) {
    for (int byte = 0; byte < 4; ++byte) {
      const uint32_t b = byteOf(input[i], byte);
      ASSERT_EQ(byteOf(doubled[i], byte), std::min(2 * b, 255u)) << "pixel " << input[i];
      ASSERT_EQ(byteOf(inverted[i], byte), 255u - b) << "pixel " << input[i];
    }
  }
}

TEST_P(PathFormulas, GrayOnEveryColour) {
  KERNELS_OR_SKIP(pKernels, GetParam());
  // All 2^24 (blue, green, red) triples with a varying fourth byte that must not count. Each red
  // value also checks one of the three grayTo* channels, in turn.
  constexpr std::array<GrayChannel, 3> kChannels = {GrayChannel::Blue, GrayChannel::Green,
                                                    GrayChannel::Red};
  std::vector<uint32_t> gray(65536), channel(65536);
  for (uint32_t red = 0; red < 256; ++red) {
    for (uint32_t i = 0; i < 65536; ++i)
      gray[i] = i | (red << 16) | ((i * 7u + red) << 24);
    channel = gray;
    const GrayChannel target = kChannels[red % 3];
    pKernels->toGray(gray.data(), gray.size());
    pKernels->grayToChannel(channel.data(), channel.size(), target);
    for (uint32_t i = 0; i < 65536; ++i) {
      const uint32_t g = (5 * (i & 255) + 16 * (i >> 8) + 11 * red) / 32;
      ASSERT_EQ(gray[i], g * 0x01010101u) << "red " << red << " i " << i;
      ASSERT_EQ(channel[i], g << static_cast<int>(target)) << "red " << red << " i " << i;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(PixelKernels, PathFormulas,
                         ::testing::Values(scalarPath(), sse2Path(), avx2Path()),
                         [](const ::testing::TestParamInfo<PathCase>& info) {
                           return info.param.name;
                         });

// --- Blit spans: every path against the scalar twins ---

// A two-image span of a set, called with a uniform signature (unweighted spans ignore the weights).
using SpanCall = std::function<void(const KernelSet&, uint32_t*, const uint32_t*,
                                    pixel_kernels::Weights, size_t)>;

struct SpanCase {
  std::string name;
  SpanCall call;
  bool readsMap;
};

void PrintTo(const SpanCase& span, std::ostream* os) {
  *os << span.name;
}

std::vector<SpanCase> allSpans() {
  using pixel_kernels::BlitOp;
  using pixel_kernels::WeightedBlitOp;
  const auto blend = [](BlitOp op) {
    return [op](const KernelSet& k, uint32_t* d, const uint32_t* s, pixel_kernels::Weights,
                size_t n) { k.blendSpans[static_cast<size_t>(op)](d, s, n); };
  };
  const auto weighted = [](WeightedBlitOp op) {
    return [op](const KernelSet& k, uint32_t* d, const uint32_t* s, pixel_kernels::Weights w,
                size_t n) { k.weightedSpans[static_cast<size_t>(op)](d, s, w, n); };
  };
  return {
      {"copy", blend(BlitOp::Copy), false},
      {"halfAdd", blend(BlitOp::HalfAdd), false},
      {"add", blend(BlitOp::Add), false},
      {"sub", blend(BlitOp::Sub), false},
      {"alpha", weighted(WeightedBlitOp::Alpha), false},
      {"alphaMap", weighted(WeightedBlitOp::AlphaMap), true},
      {"alphaAdd", weighted(WeightedBlitOp::AlphaAdd), false},
      {"alphaAddMap", weighted(WeightedBlitOp::AlphaAddMap), true},
      {"alphaSub", weighted(WeightedBlitOp::AlphaSub), false},
      {"alphaSubFromSource", weighted(WeightedBlitOp::AlphaSubFromSource), true},
  };
}

using PathAndSpan = std::tuple<PathCase, SpanCase>;

class SpanPathMatchesScalar : public ::testing::TestWithParam<PathAndSpan> {};

// Every length around the vector steps, the destination starting at each 4-byte offset of a 32-byte
// line (which moves the aligned part of a span), and the source and map at other offsets. Only
// the map words in step with the run may be read: the map ends where the run ends, and a
// weighted span without a map gets a null map.
TEST_P(SpanPathMatchesScalar, SameBytesForEveryLengthAndStartAndNothingWrittenOutside) {
  const auto& [path, span] = GetParam();
  KERNELS_OR_SKIP(pKernels, path);
  const KernelSet& reference = *pixel_kernels::kernelsFor(KernelPath::Scalar);
  std::mt19937 rng(19937u);
  for (size_t count : kCounts) {
    for (size_t start = 0; start < kStarts; ++start) {
      for (uint32_t weight : {0u, 0xFFFFFFFFu, 0x80808080u, 0x7F0180FEu}) {
        std::vector<uint32_t> input(count), source(count + start), map(count + 3);
        for (uint32_t& pixel : input)
          pixel = edgeOrRandomPixel(rng);
        for (uint32_t& pixel : source)
          pixel = edgeOrRandomPixel(rng);
        for (uint32_t& pixel : map)
          pixel = edgeOrRandomPixel(rng);
        // The source runs `start` words into its vector, the map 3: never in step with the
        // destination's alignment.
        const uint32_t* pSource = source.data() + start;
        const pixel_kernels::Weights weights{span.readsMap ? map.data() + 3 : nullptr, weight};
        GuardedRun expected(input, start);
        GuardedRun actual(input, start);
        span.call(reference, expected.pixels(), pSource, weights, count);
        span.call(*pKernels, actual.pixels(), pSource, weights, count);
        for (size_t i = 0; i < count; ++i) {
          ASSERT_EQ(actual.pixels()[i], expected.pixels()[i])
              << path.name << " " << span.name << " count " << count << " start " << start
              << " weight " << weight << " pixel " << i << " d " << input[i] << " s " << pSource[i];
        }
        ASSERT_EQ(actual.firstOverwrittenOutside(), -1)
            << path.name << " " << span.name << " count " << count << " start " << start;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(BlitSpans, SpanPathMatchesScalar,
                         ::testing::Combine(::testing::Values(sse2Path(), avx2Path(), activePath()),
                                            ::testing::ValuesIn(allSpans())),
                         [](const ::testing::TestParamInfo<PathAndSpan>& info) {
                           return std::get<0>(info.param).name + "_" + std::get<1>(info.param).name;
                         });

TEST(BlitSpans, ImagesUseTheSpansOfTheActiveSet) {
  const KernelSet& active = pixel_kernels::activeKernels();
  for (size_t op = 0; op < pixel_kernels::kNbBlitOp; ++op)
    EXPECT_EQ(blit_kernels::blendSpanFor(static_cast<pixel_kernels::BlitOp>(op)),
              active.blendSpans[op]);
  for (size_t op = 0; op < pixel_kernels::kNbWeightedBlitOp; ++op)
    EXPECT_EQ(blit_kernels::weightedSpanFor(static_cast<pixel_kernels::WeightedBlitOp>(op)),
              active.weightedSpans[op]);
}

}  // namespace
