// The packed (SSE2) effect kernels against their scalar twins on seeded random data and edge
// values (0, 255, 0x80, saturated sums, widths 1 and 2), byte for byte.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "fx/fx_hvblur.h"
#include "fx/fx_kernels_p.h"
#include "tests/fx/fx_test_util.h"

namespace {

namespace scalar = fx_kernels::scalar;
namespace packed = fx_kernels::packed;
using fx_kernels::BlurDivider;
using fx_kernels::BlurDraw;

const int32_t kWidths[] = {1, 2, 3, 5, 16, 67, 512};
const BlurDraw kDraws[] = {BlurDraw::Normal, BlurDraw::TransAdd, BlurDraw::TransSub};

class FxKernels : public ::testing::Test {
 protected:
  std::vector<uint32_t> pixels(size_t count) {
    return fx_test::randomPixels(count, static_cast<uint32_t>(rng()));
  }
  // The dividers of some windows, from the blur's own setup, and their forced multiplier form.
  static std::vector<std::pair<int32_t, BlurDivider>> dividers() {
    std::vector<std::pair<int32_t, BlurDivider>> out;
    FxHVBlur blur(4, 4);
    for (int32_t n : {2, 4, 6, 14, 64, 100, 256, 600, 4096, 70000}) {
      blur.setSize(n);
      const bool power = blur.isPowerOfTwo();
      out.push_back(
          {n, {power, power ? blur.getShift() : blur.getMultiplierShift(), blur.getMultiplier()}});
      out.push_back({n, {false, blur.getMultiplierShift(), blur.getMultiplier()}});
    }
    return out;
  }
  std::mt19937 rng{5};
};

TEST_F(FxKernels, BlurRowPackedEqualsScalar) {
  uint32_t seed = 1;
  for (int32_t width : {1, 2, 3, 5, 16, 67, 512, 1500})
    for (const auto& [size, divider] : dividers())
      for (BlurDraw draw : kDraws) {
        // Random rows, white rows, or white then black, so that wide windows saturate the 16-bit
        // sums and later run them down past 0.
        const auto n = static_cast<size_t>(width);
        auto src = ++seed % 3 == 2 ? pixels(n) : std::vector<uint32_t>(n, 0xFFFFFFFFu);
        if (seed % 3 == 1) std::fill(src.begin() + static_cast<ptrdiff_t>(n / 2), src.end(), 0u);
        std::vector<uint32_t> a(n), b(n);
        scalar::blurRow(src.data(), a.data(), width, size / 2, divider, draw);
        packed::blurRow(src.data(), b.data(), width, size / 2, divider, draw);
        ASSERT_EQ(a, b) << "width " << width << " size " << size;
      }
}

TEST_F(FxKernels, BlurColumnsPackedEqualsScalar) {
  for (int32_t width : kWidths)
    for (const auto& [size, divider] : dividers())
      for (int use = 0; use < 4; ++use) {
        const auto n = static_cast<size_t>(width);
        std::vector<uint16_t> sumsA(4 * n);
        // Sums anywhere in 0..65535, with the ends common.
        for (uint16_t& s : sumsA)
          s = static_cast<uint16_t>(rng() % 4 == 0 ? (rng() % 2 ? 65535u : 0u) : rng() % 65536);
        auto sumsB = sumsA;
        const auto leaving = pixels(n), entering = pixels(n), input = pixels(n);
        const BlurDraw draw = kDraws[rng() % 3];
        std::vector<uint32_t> a(n), b(n);
        const uint32_t* pLeaving = use & 1 ? leaving.data() : nullptr;
        const uint32_t* pEntering = use & 2 ? entering.data() : nullptr;
        scalar::blurColumnsStep(sumsA.data(), pLeaving, pEntering, input.data(), a.data(), width,
                                divider, draw);
        packed::blurColumnsStep(sumsB.data(), pLeaving, pEntering, input.data(), b.data(), width,
                                divider, draw);
        ASSERT_EQ(sumsA, sumsB) << "width " << width << " size " << size;
        ASSERT_EQ(a, b) << "width " << width << " size " << size;
        scalar::addRowToSums(sumsA.data(), input.data(), width);
        packed::addRowToSums(sumsB.data(), input.data(), width);
        ASSERT_EQ(sumsA, sumsB);
      }
}

// One row, and two rows side by side (the second reading the first as its previous row), against
// the scalar rows one after the other.
TEST_F(FxKernels, RadialRowPackedEqualsScalar) {
  using fx_kernels::RadialMode;
  const std::pair<RadialMode, fx_kernels::RadialWeights> weights[] = {
      {RadialMode::Smooth, {16056, 1638}}, {RadialMode::Smooth, {32768, 16384}},
      {RadialMode::Smooth, {0, 0}},        {RadialMode::Fast, {250, 25}},
      {RadialMode::Fast, {512, 256}},      {RadialMode::Fast, {0, 0}}};
  for (const auto& [mode, w] : weights)
    for (int32_t step : {1, -1})
      for (int32_t b : {1, 2, 5, 40})
        for (int32_t length : {2, 3, 9, 64}) {
          // Columns 0..2 length around a centre in the middle of a 2 * length + 1 row.
          const auto n = static_cast<size_t>(2 * length + 1);
          const auto prev = pixels(n), row = pixels(n), next = pixels(n);
          const auto weightsOf = [&] {
            std::vector<uint16_t> f(static_cast<size_t>(length) + 1);
            for (uint16_t& v : f)
              v = static_cast<uint16_t>(rng() % 3 == 0 ? (rng() % 2) * 256 : rng() % 257);
            return f;
          };
          const auto f = weightsOf(), nextF = weightsOf();
          const auto centre = static_cast<ptrdiff_t>(length);
          auto rowA = row, nextA = next, rowB = row, rowC = row, nextC = next;
          scalar::radialRow(mode, w, rowA.data() + centre, prev.data() + centre, f.data(), step, b,
                            1, length + 1);
          scalar::radialRow(mode, w, nextA.data() + centre, rowA.data() + centre, nextF.data(),
                            step, b + 1, 1, length + 1);
          packed::radialRow(mode, w, rowB.data() + centre, prev.data() + centre, f.data(), step, b,
                            1, length + 1);
          packed::radialRowPair(mode, w, rowC.data() + centre, prev.data() + centre, f.data(),
                                nextC.data() + centre, nextF.data(), step, b, 1, length + 1);
          const auto where = ::testing::Message()
                             << "step " << step << " b " << b << " length " << length;
          ASSERT_EQ(rowA, rowB) << where;
          ASSERT_EQ(rowA, rowC) << where;
          ASSERT_EQ(nextA, nextC) << where;
        }
}

TEST_F(FxKernels, EmbossPackedEqualsScalar) {
  for (int32_t width : kWidths)
    for (int32_t level : {0, 1, 128, 255}) {
      const auto n = static_cast<size_t>(width);
      std::vector<int16_t> sumsA(4 * (n + 2));
      // Realistic three-row sums (0..765) and, one time in four, values near the 16-bit limits.
      for (int16_t& s : sumsA)
        s = static_cast<int16_t>(rng() % 4 == 0 ? static_cast<int32_t>(rng() % 65536) - 32768
                                                : static_cast<int32_t>(rng() % 766));
      auto sumsB = sumsA;
      const auto words = pixels(n + 2), input = pixels(n);
      scalar::addSpanToSums(sumsA.data(), words.data(), width + 2);
      packed::addSpanToSums(sumsB.data(), words.data(), width + 2);
      ASSERT_EQ(sumsA, sumsB);
      std::vector<uint32_t> a(n), b(n);
      scalar::embossRow(sumsA.data(), a.data(), width);
      packed::embossRow(sumsB.data(), b.data(), width);
      ASSERT_EQ(a, b) << "emboss width " << width;
      scalar::shadeRow(sumsA.data(), input.data(), a.data(), width, level);
      packed::shadeRow(sumsB.data(), input.data(), b.data(), width, level);
      ASSERT_EQ(a, b) << "shade width " << width << " level " << level;
      scalar::subSpanFromSums(sumsA.data(), words.data(), width + 2);
      packed::subSpanFromSums(sumsB.data(), words.data(), width + 2);
      ASSERT_EQ(sumsA, sumsB);
    }
}

}  // namespace
