// Every kernel path (SSE2, and AVX2 where the CPU has it) against the scalar twins on seeded random
// data and edge values, and the scalar kernels against the formulas written out here.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
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

// A path under test: where its kernels come from, nullptr when this CPU or build lacks it.
struct PathCase {
  std::string name;
  const KernelSet* (*kernels)();
};

const PathCase kSse2{"sse2", [] { return pixel_kernels::kernelsFor(KernelPath::Sse2); }};
const PathCase kAvx2{"avx2", [] { return pixel_kernels::kernelsFor(KernelPath::Avx2); }};

// The kernels of `path`, or a skip when this machine cannot run it.
#define KERNELS_OR_SKIP(pKernels, path)         \
  const KernelSet* pKernels = (path).kernels(); \
  if (!pKernels) GTEST_SKIP() << (path).name << " is not available here"

// One kernel or blit span of a set, called with a uniform signature: single-image kernels work on
// the destination and take the weight word as their colour; unweighted spans ignore the weights.
using KernelCall = std::function<void(const KernelSet&, uint32_t*, const uint32_t*,
                                      pixel_kernels::Weights, size_t)>;

// A byte of the result from the destination byte d, the source byte s and the weight w: the
// colour's byte for the single-image kernels, the opacity or the map's byte for the spans.
using ByteFormula = uint32_t (*)(int d, int s, int w);

struct KernelCase {
  std::string name;
  KernelCall call;
  ByteFormula byte;  // nullptr: the grey kernels, checked on their own
  bool isSpan = false;
  bool readsMap = false;
};

uint32_t clampByte(int v) {
  return static_cast<uint32_t>(std::clamp(v, 0, 255));
}

std::vector<KernelCase> allKernels() {
  using pixel_kernels::BlitOp;
  using pixel_kernels::WeightedBlitOp;
  using pixel_kernels::Weights;
  using Coloured = void (*)(uint32_t*, size_t, uint32_t);
  using Plain = void (*)(uint32_t*, size_t);
  const auto coloured = [](Coloured KernelSet::*member) {
    return [member](const KernelSet& k, uint32_t* p, const uint32_t*, Weights w, size_t n) {
      (k.*member)(p, n, w.word);
    };
  };
  const auto plain = [](Plain KernelSet::*member) {
    return [member](const KernelSet& k, uint32_t* p, const uint32_t*, Weights, size_t n) {
      (k.*member)(p, n);
    };
  };
  const auto gray = [](GrayChannel channel) {
    return [channel](const KernelSet& k, uint32_t* p, const uint32_t*, Weights, size_t n) {
      k.grayToChannel(p, n, channel);
    };
  };
  const auto blend = [](BlitOp op) {
    return [op](const KernelSet& k, uint32_t* d, const uint32_t* s, Weights, size_t n) {
      k.blendSpans[static_cast<size_t>(op)](d, s, n);
    };
  };
  const auto weighted = [](WeightedBlitOp op) {
    return [op](const KernelSet& k, uint32_t* d, const uint32_t* s, Weights w, size_t n) {
      k.weightedSpans[static_cast<size_t>(op)](d, s, w, n);
    };
  };
  return {
      {"fill", coloured(&KernelSet::fill),
       [](int, int, int w) { return static_cast<uint32_t>(w); }},
      {"doubleIntensity", plain(&KernelSet::doubleIntensity),
       [](int d, int, int) { return clampByte(2 * d); }},
      {"addColor", coloured(&KernelSet::addColor),
       [](int d, int, int w) { return clampByte(d + w); }},
      {"subColor", coloured(&KernelSet::subColor),
       [](int d, int, int w) { return clampByte(d - w); }},
      {"maskPixel", coloured(&KernelSet::maskPixel),
       [](int d, int, int w) { return static_cast<uint32_t>(d & w); }},
      {"invert", plain(&KernelSet::invert),
       [](int d, int, int) { return static_cast<uint32_t>(255 - d); }},
      {"toGray", plain(&KernelSet::toGray), nullptr},
      {"grayToRed", gray(GrayChannel::Red), nullptr},
      {"grayToGreen", gray(GrayChannel::Green), nullptr},
      {"grayToBlue", gray(GrayChannel::Blue), nullptr},
      {"copy", blend(BlitOp::Copy), [](int, int s, int) { return static_cast<uint32_t>(s); }, true},
      {"halfAdd", blend(BlitOp::HalfAdd),
       [](int d, int s, int) { return static_cast<uint32_t>(d / 2 + s / 2); }, true},
      {"add", blend(BlitOp::Add), [](int d, int s, int) { return clampByte(d + s); }, true},
      {"sub", blend(BlitOp::Sub), [](int d, int s, int) { return clampByte(d - s); }, true},
      {"alpha", weighted(WeightedBlitOp::Alpha),
       [](int d, int s, int a) { return static_cast<uint32_t>(d * (255 - a) / 256 + s * a / 256); },
       true},
      {"alphaMap", weighted(WeightedBlitOp::AlphaMap),
       [](int d, int s, int m) { return static_cast<uint32_t>(s * m / 256 + d * (255 - m) / 256); },
       true, true},
      {"alphaAdd", weighted(WeightedBlitOp::AlphaAdd),
       [](int d, int s, int a) { return clampByte(d + s * a / 256); }, true},
      {"alphaAddMap", weighted(WeightedBlitOp::AlphaAddMap),
       [](int d, int s, int m) { return clampByte(d + s * m / 256); }, true, true},
      {"alphaSub", weighted(WeightedBlitOp::AlphaSub),
       [](int d, int s, int a) { return clampByte(d - s * a / 256); }, true},
      {"alphaSubFromSource", weighted(WeightedBlitOp::AlphaSubFromSource),
       [](int d, int s, int m) { return clampByte(s * m / 256 - d); }, true, true},
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
struct GuardedRun {
  GuardedRun(const std::vector<uint32_t>& pixels, size_t start)
      : words(pixels.size() + 2 * kSlack + 2 * kStarts, kSentinel), count(pixels.size()) {
    while (reinterpret_cast<uintptr_t>(words.data() + first) % 32 != 0)
      ++first;
    first += start;
    std::copy(pixels.begin(), pixels.end(), words.begin() + static_cast<ptrdiff_t>(first));
  }
  uint32_t* pixels() { return words.data() + first; }
  std::vector<uint32_t> run() const {
    return {words.begin() + static_cast<ptrdiff_t>(first),
            words.begin() + static_cast<ptrdiff_t>(first + count)};
  }
  bool untouchedOutside() const {
    const auto isSentinel = [](uint32_t word) { return word == kSentinel; };
    return std::all_of(words.begin(), words.begin() + static_cast<ptrdiff_t>(first), isSentinel) &&
           std::all_of(words.begin() + static_cast<ptrdiff_t>(first + count), words.end(),
                       isSentinel);
  }

  std::vector<uint32_t> words;
  size_t count;
  size_t first = kSlack;
};

using PathAndKernel = std::tuple<PathCase, KernelCase>;

class PathMatchesScalar : public ::testing::TestWithParam<PathAndKernel> {};

// Every length around the vector steps, the destination starting at each 4-byte offset of a 32-byte
// line (which moves the aligned part of a run), and the source and map at other offsets. Only
// the map words in step with the run may be read: the map ends where the run ends, and a
// weighted span without a map gets a null map.
TEST_P(PathMatchesScalar, SameBytesForEveryLengthAndStartAndNothingWrittenOutside) {
  const auto& [path, kernel] = GetParam();
  KERNELS_OR_SKIP(pKernels, path);
  const KernelSet& reference = *pixel_kernels::kernelsFor(KernelPath::Scalar);
  std::mt19937 rng(20240611u);
  for (size_t count : kCounts) {
    for (size_t start = 0; start < kStarts; ++start) {
      for (uint32_t word :
           {0u, 0xFFFFFFFFu, 0x80808080u, 0x7F0180FEu, static_cast<uint32_t>(rng())}) {
        std::vector<uint32_t> input(count), source(count + start), map(count + 3);
        for (std::vector<uint32_t>* pWords : {&input, &source, &map})
          for (uint32_t& pixel : *pWords)
            pixel = edgeOrRandomPixel(rng);
        // The source runs `start` words into its vector, the map 3: never in step with the
        // destination's alignment.
        const uint32_t* pSource = source.data() + start;
        const pixel_kernels::Weights weights{kernel.readsMap ? map.data() + 3 : nullptr, word};
        GuardedRun expected(input, start);
        GuardedRun actual(input, start);
        kernel.call(reference, expected.pixels(), pSource, weights, count);
        kernel.call(*pKernels, actual.pixels(), pSource, weights, count);
        ASSERT_EQ(actual.run(), expected.run()) << path.name << " " << kernel.name << " count "
                                                << count << " start " << start << " word " << word;
        ASSERT_TRUE(actual.untouchedOutside()) << path.name << " " << kernel.name << " " << count;
      }
    }
  }
}

std::string pathAndKernelName(const ::testing::TestParamInfo<PathAndKernel>& info) {
  return std::get<0>(info.param).name + "_" + std::get<1>(info.param).name;
}

INSTANTIATE_TEST_SUITE_P(PixelKernels, PathMatchesScalar,
                         ::testing::Combine(::testing::Values(kSse2, kAvx2),
                                            ::testing::ValuesIn(allKernels())),
                         pathAndKernelName);
// --- Every byte pair against the formula, in each of the four byte positions ---
// (on the scalar path; the others match it byte for byte above)

uint32_t byteOf(uint32_t pixel, int i) {
  return (pixel >> (8 * i)) & 0xFF;
}

// Colour c for the byte-pair tests, again with different bytes per channel.
uint32_t colorFor(uint32_t c) {
  return c | ((255u - c) << 8) | ((c ^ 0xA5u) << 16) | (((c * 11u) & 255u) << 24);
}

// Every kernel with a byte formula, on every (d, s) pair and every weight w in each byte position:
// byte k of pixel i holds the pair p = i + 16384 k as (p >> 8, p & 255) in d and s. A colour has
// different bytes per channel, an opacity weights all four alike, a map gives each byte of each
// pixel its own weight, running through all 256 values as w does.
TEST(ScalarFormulas, EveryKernelOnEveryBytePairAndWeight) {
  const KernelSet* pKernels = pixel_kernels::kernelsFor(KernelPath::Scalar);
  constexpr size_t kPixels = 16384;
  std::vector<uint32_t> start(kPixels), source(kPixels), map(kPixels), destination;
  for (size_t i = 0; i < kPixels; ++i) {
    for (uint32_t k = 0; k < 4; ++k) {
      const size_t p = i + kPixels * k;
      start[i] |= static_cast<uint32_t>(p >> 8) << (8 * k);
      source[i] |= static_cast<uint32_t>(p & 255u) << (8 * k);
    }
  }
  for (const KernelCase& kernel : allKernels()) {
    if (!kernel.byte) continue;
    // Kernels whose formula ignores the weight run once.
    bool usesWeight = false;
    for (const auto& [d, sb] : {std::pair{0, 255}, std::pair{255, 255}, std::pair{255, 0}})
      usesWeight = usesWeight || kernel.byte(d, sb, 0) != kernel.byte(d, sb, 255);
    for (uint32_t w = 0; w < (usesWeight ? 256u : 1u); ++w) {
      for (size_t i = 0; i < kPixels; ++i) {
        map[i] = 0;
        for (uint32_t k = 0; k < 4; ++k)
          map[i] |= ((w + 77u * k + static_cast<uint32_t>(i)) & 255u) << (8 * k);
      }
      const uint32_t word = kernel.isSpan ? w * 0x01010101u : colorFor(w);
      destination = start;
      kernel.call(*pKernels, destination.data(), source.data(),
                  {kernel.readsMap ? map.data() : nullptr, word}, kPixels);
      for (size_t i = 0; i < kPixels; ++i) {
        for (int k = 0; k < 4; ++k) {
          const uint32_t weight = byteOf(kernel.readsMap ? map[i] : word, k);
          ASSERT_EQ(byteOf(destination[i], k),
                    kernel.byte(static_cast<int>(byteOf(start[i], k)),
                                static_cast<int>(byteOf(source[i], k)), static_cast<int>(weight)))
              << kernel.name << " w " << w << " pixel " << i << " byte " << k;
        }
      }
    }
  }
}

}  // namespace
