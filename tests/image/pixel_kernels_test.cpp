// Every kernel path (SSE2, and AVX2 where the CPU has it) against the scalar twins on seeded random
// data and edge values. (The scalar results are pinned by hand through the colour effect's modes
// and the blits' worked examples.)

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

struct KernelCase {
  std::string name;
  KernelCall call;
  bool readsMap = false;
};

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
      {"fill", coloured(&KernelSet::fill)},
      {"doubleIntensity", plain(&KernelSet::doubleIntensity)},
      {"addColor", coloured(&KernelSet::addColor)},
      {"subColor", coloured(&KernelSet::subColor)},
      {"maskPixel", coloured(&KernelSet::maskPixel)},
      {"invert", plain(&KernelSet::invert)},
      {"toGray", plain(&KernelSet::toGray)},
      {"grayToRed", gray(GrayChannel::Red)},
      {"grayToGreen", gray(GrayChannel::Green)},
      {"grayToBlue", gray(GrayChannel::Blue)},
      {"copy", blend(BlitOp::Copy)},
      {"halfAdd", blend(BlitOp::HalfAdd)},
      {"add", blend(BlitOp::Add)},
      {"sub", blend(BlitOp::Sub)},
      {"alpha", weighted(WeightedBlitOp::Alpha)},
      {"alphaMap", weighted(WeightedBlitOp::AlphaMap), true},
      {"alphaAdd", weighted(WeightedBlitOp::AlphaAdd)},
      {"alphaAddMap", weighted(WeightedBlitOp::AlphaAddMap), true},
      {"alphaSub", weighted(WeightedBlitOp::AlphaSub)},
      {"alphaSubFromSource", weighted(WeightedBlitOp::AlphaSubFromSource), true},
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
}  // namespace
