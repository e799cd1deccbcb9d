// The packed (SSE2) kernels against their scalar twins and against the formulas written out here,
// on seeded random data and edge values, byte for byte.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "image/blit_kernels_p.h"
#include "image/pixel_kernels_p.h"

namespace {

namespace scalar = pixel_kernels::scalar;
namespace packed = pixel_kernels::packed;
using pixel_kernels::GrayChannel;

using Kernel = std::function<void(uint32_t*, size_t, uint32_t color)>;

struct KernelPair {
  std::string name;
  Kernel scalar;
  Kernel packed;
};

// Names the kernel in failure messages instead of dumping its bytes.
void PrintTo(const KernelPair& kernel, std::ostream* os) {
  *os << kernel.name;
}

std::vector<KernelPair> allKernels() {
  return {
      {"fill", scalar::fill, packed::fill},
      {"doubleIntensity", [](uint32_t* p, size_t n, uint32_t) { scalar::doubleIntensity(p, n); },
       [](uint32_t* p, size_t n, uint32_t) { packed::doubleIntensity(p, n); }},
      {"addColor", scalar::addColor, packed::addColor},
      {"subColor", scalar::subColor, packed::subColor},
      {"maskPixel", scalar::maskPixel, packed::maskPixel},
      {"invert", [](uint32_t* p, size_t n, uint32_t) { scalar::invert(p, n); },
       [](uint32_t* p, size_t n, uint32_t) { packed::invert(p, n); }},
      {"toGray", [](uint32_t* p, size_t n, uint32_t) { scalar::toGray(p, n); },
       [](uint32_t* p, size_t n, uint32_t) { packed::toGray(p, n); }},
      {"grayToRed",
       [](uint32_t* p, size_t n, uint32_t) { scalar::grayToChannel(p, n, GrayChannel::Red); },
       [](uint32_t* p, size_t n, uint32_t) { packed::grayToChannel(p, n, GrayChannel::Red); }},
      {"grayToGreen",
       [](uint32_t* p, size_t n, uint32_t) { scalar::grayToChannel(p, n, GrayChannel::Green); },
       [](uint32_t* p, size_t n, uint32_t) { packed::grayToChannel(p, n, GrayChannel::Green); }},
      {"grayToBlue",
       [](uint32_t* p, size_t n, uint32_t) { scalar::grayToChannel(p, n, GrayChannel::Blue); },
       [](uint32_t* p, size_t n, uint32_t) { packed::grayToChannel(p, n, GrayChannel::Blue); }},
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

constexpr std::array<size_t, 12> kCounts = {0, 1, 2, 3, 4, 5, 7, 8, 9, 16, 31, 1000};
constexpr uint32_t kSentinel = 0xDEADBEEFu;
// Pixels of slack kept on each side of a run; the run starts one word in, so it is not 16-aligned.
constexpr size_t kSlack = 5;

class PackedMatchesScalar : public ::testing::TestWithParam<KernelPair> {};

TEST_P(PackedMatchesScalar, SameBytesOnRandomAndEdgeDataForEveryRunLength) {
  const KernelPair& kernel = GetParam();
  std::mt19937 rng(20240611u);
  for (size_t count : kCounts) {
    for (uint32_t color :
         {0u, 0xFFFFFFFFu, 0x80808080u, 0x7F0180FEu, static_cast<uint32_t>(rng())}) {
      std::vector<uint32_t> viaScalar(count + 2 * kSlack, kSentinel);
      for (size_t i = kSlack; i < kSlack + count; ++i)
        viaScalar[i] = edgeOrRandomPixel(rng);
      std::vector<uint32_t> viaPacked = viaScalar;
      kernel.scalar(viaScalar.data() + kSlack, count, color);
      kernel.packed(viaPacked.data() + kSlack, count, color);
      ASSERT_EQ(viaPacked, viaScalar) << kernel.name << " count " << count << " colour " << color;
      for (size_t i = 0; i < kSlack; ++i) {
        ASSERT_EQ(viaPacked[i], kSentinel) << "written before the run";
        ASSERT_EQ(viaPacked[kSlack + count + i], kSentinel) << "written after the run";
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(PixelKernels, PackedMatchesScalar, ::testing::ValuesIn(allKernels()),
                         [](const ::testing::TestParamInfo<KernelPair>& info) {
                           return info.param.name;
                         });

// --- Every byte pair against the formula, in each of the four byte positions ---

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
template <class Formula>
void expectEveryBytePair(const Kernel& kernel, Formula formula) {
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

TEST(PixelKernelFormulas, AddColorIsPerByteSaturatingAdd) {
  auto formula = [](uint32_t b, uint32_t c) { return std::min(b + c, 255u); };
  expectEveryBytePair(scalar::addColor, formula);
  expectEveryBytePair(packed::addColor, formula);
}

TEST(PixelKernelFormulas, SubColorIsPerByteSaturatingSubtract) {
  auto formula = [](uint32_t b, uint32_t c) {
    return static_cast<uint32_t>(std::max(static_cast<int>(b) - static_cast<int>(c), 0));
  };
  expectEveryBytePair(scalar::subColor, formula);
  expectEveryBytePair(packed::subColor, formula);
}

TEST(PixelKernelFormulas, MaskPixelIsBitwiseAnd) {
  auto formula = [](uint32_t b, uint32_t c) { return b & c; };
  expectEveryBytePair(scalar::maskPixel, formula);
  expectEveryBytePair(packed::maskPixel, formula);
}

TEST(PixelKernelFormulas, DoubleIntensityAndInvertOnEveryByte) {
  for (const bool usePacked : {false, true}) {
    std::vector<uint32_t> doubled = allBytePixels();
    std::vector<uint32_t> inverted = allBytePixels();
    const std::vector<uint32_t> input = allBytePixels();
    if (usePacked) {
      packed::doubleIntensity(doubled.data(), doubled.size());
      packed::invert(inverted.data(), inverted.size());
    } else {
      scalar::doubleIntensity(doubled.data(), doubled.size());
      scalar::invert(inverted.data(), inverted.size());
    }
    for (size_t i = 0; i < input.size(); ++i) {
      for (int byte = 0; byte < 4; ++byte) {
        const uint32_t b = byteOf(input[i], byte);
        ASSERT_EQ(byteOf(doubled[i], byte), std::min(2 * b, 255u)) << usePacked;
        ASSERT_EQ(byteOf(inverted[i], byte), 255u - b) << usePacked;
      }
    }
  }
}

TEST(PixelKernelFormulas, GrayOnEveryColour) {
  // All 2^24 (blue, green, red) triples, a varying fourth byte that must not count.
  std::vector<uint32_t> gray(65536), green(65536);
  for (uint32_t red = 0; red < 256; ++red) {
    for (const bool usePacked : {false, true}) {
      for (uint32_t i = 0; i < 65536; ++i)
        gray[i] = i | (red << 16) | ((i * 7u + red) << 24);
      green = gray;
      if (usePacked) {
        packed::toGray(gray.data(), gray.size());
        packed::grayToChannel(green.data(), green.size(), GrayChannel::Green);
      } else {
        scalar::toGray(gray.data(), gray.size());
        scalar::grayToChannel(green.data(), green.size(), GrayChannel::Green);
      }
      for (uint32_t i = 0; i < 65536; ++i) {
        const uint32_t g = (5 * (i & 255) + 16 * (i >> 8) + 11 * red) / 32;
        ASSERT_EQ(gray[i], g * 0x01010101u)
            << "packed " << usePacked << " red " << red << " i " << i;
        ASSERT_EQ(green[i], g << 8) << "packed " << usePacked << " red " << red << " i " << i;
      }
    }
  }
}

// --- Blit spans ---

TEST(BlitSpans, CopySpanMatchesTheSourceAndStaysInsideTheRun) {
  using blit_kernels::BlitOp;
  std::mt19937 rng(77u);
  for (size_t count : kCounts) {
    std::vector<uint32_t> source(count + 2 * kSlack);
    for (uint32_t& p : source)
      p = edgeOrRandomPixel(rng);
    for (const bool usePacked : {false, true}) {
      std::vector<uint32_t> destination(count + 2 * kSlack, kSentinel);
      const blit_kernels::BlendSpanFn span = usePacked
                                                 ? blit_kernels::blendSpanFor(BlitOp::Copy)
                                                 : blit_kernels::blendSpanScalarFor(BlitOp::Copy);
      span(destination.data() + kSlack, source.data() + kSlack, count);
      for (size_t i = 0; i < destination.size(); ++i) {
        const bool inside = i >= kSlack && i < kSlack + count;
        ASSERT_EQ(destination[i], inside ? source[i] : kSentinel)
            << "packed " << usePacked << " count " << count << " word " << i;
      }
    }
  }
}

}  // namespace
