// The rand-compatible generator and the Perlin noise built from it: the known rand sequence, the
// tables against a plain rebuild written here from the construction rules, and the noise and
// fractal sum against their formulas.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "control/crt_rand.h"
#include "control/perlin.h"

namespace {

TEST(CrtRand, SeedOneGivesTheClassicSequenceAndTheStateWraps) {
  CrtRand fresh;
  CrtRand seeded(12345);
  seeded.srand(1);
  for (int32_t value : {41, 18467, 6334, 26500, 19169}) {
    EXPECT_EQ(fresh.rand(), value);
    EXPECT_EQ(seeded.rand(), value);
  }
  CrtRand rng(0xFFFFFFFFu);
  // state 0xFFFFFFFF * 214013 + 2531011 = 2316998 (mod 2^32), and 2316998 >> 16 = 35.
  EXPECT_EQ(rng.rand(), 35);
}

// The tables rebuilt from the construction rules with the generator written out again.
struct ReferenceTables {
  std::vector<int32_t> permutation = std::vector<int32_t>(1026);
  std::vector<float> gradient1 = std::vector<float>(1026);
};

ReferenceTables buildReference() {
  uint32_t state = 548485;
  const auto draw = [&] {
    state = state * 214013u + 2531011u;
    return static_cast<int32_t>((state >> 16) & 0x7FFF);
  };
  const auto component = [&] { return static_cast<float>(draw() % 1024 - 512) / 512.0f; };
  // The unit gradients are only drawn here: they use up numbers of the sequence.
  const auto skipGradient = [&](int n) {
    float squared = 0.0f;
    do {
      squared = 0.0f;
      for (int j = 0; j < n; ++j) {
        const float c = component();
        squared += c * c;
      }
    } while (squared > 1.0f);
  };
  ReferenceTables t;
  for (int32_t i = 0; i < 512; ++i) {
    t.permutation[static_cast<size_t>(i)] = i;
    t.gradient1[static_cast<size_t>(i)] = component();
    skipGradient(2);
    skipGradient(3);
    skipGradient(4);
  }
  for (int32_t i = 511; i > 0; --i)
    std::swap(t.permutation[static_cast<size_t>(i)],
              t.permutation[static_cast<size_t>(draw() % 512)]);
  for (size_t i = 0; i < 514; ++i) {
    t.permutation[512 + i] = t.permutation[i];
    t.gradient1[512 + i] = t.gradient1[i];
  }
  return t;
}

TEST(PerlinTables, MatchARebuildFromTheSeededGenerator) {
  const Perlin noise;
  const ReferenceTables expected = buildReference();
  for (int32_t i = 0; i < Perlin::kTableLength; ++i) {
    ASSERT_EQ(noise.permutation(i), expected.permutation[static_cast<size_t>(i)]) << i;
    ASSERT_EQ(noise.gradient1(i), expected.gradient1[static_cast<size_t>(i)]) << i;
  }
}

// Zero on the lattice, and for input that has no lattice cell.
TEST(PerlinNoise, IsZeroOnTheLatticeAndOnBadInput) {
  const Perlin noise;
  for (int x = -600; x <= 600; x += 7)
    EXPECT_EQ(noise.noise1(static_cast<float>(x)), 0.0f) << x;
  const float inf = std::numeric_limits<float>::infinity();
  for (float x : {std::numeric_limits<float>::quiet_NaN(), inf, -inf, 1e30f, -1e30f, 3e9f})
    EXPECT_EQ(noise.noise1(x), 0.0f) << x;
}

TEST(PerlinNoise, FollowsTheFormulaBetweenLatticePoints) {
  const Perlin noise;
  // x' = x + 10000, i = trunc(x'), f = x' - i, b = i AND 511 (10000 AND 511 = 272).
  struct Case {
    float x;
    int32_t b;
    float f;
  };
  for (const Case c : {Case{0.25f, 272, 0.25f}, Case{3.75f, 275, 0.75f}, Case{-1.5f, 270, 0.5f}}) {
    const float u = c.f * noise.gradient1(noise.permutation(c.b));
    const float v = (c.f - 1.0f) * noise.gradient1(noise.permutation((c.b + 1) & 511));
    const float s = c.f * c.f * (3.0f - 2.0f * c.f);
    EXPECT_EQ(noise.noise1(c.x), u + s * (v - u)) << c.x;
  }
}

TEST(PerlinFractal, SumsWeightedOctaves) {
  Perlin noise;
  const float x = 5.3f;
  const float n0 = noise.noise1(x);
  const float n1 = noise.noise1(x * 2.0f);
  const float n2 = noise.noise1(x * 4.0f);
  const float w1 = std::pow(2.0f, -0.5f);
  const float w2 = std::pow(4.0f, -0.5f);
  EXPECT_EQ(noise.fractalSum(x, 0.5f, 2.0f, 1.0f), n0);
  EXPECT_EQ(noise.fractalSum(x, 0.5f, 2.0f, 2.0f), n0 + n1 * w1);
  // Octave 1.5: every k < 1.5 (k = 0, 1), then half of the next octave.
  EXPECT_EQ(noise.fractalSum(x, 0.5f, 2.0f, 1.5f), n0 + n1 * w1 + 0.5f * n2 * w2);
  // Another H rebuilds the weights: (2^k)^-1.
  EXPECT_EQ(noise.fractalSum(x, 1.0f, 2.0f, 2.0f), n0 + n1 * 0.5f);
  EXPECT_EQ(noise.fractalSum(x, 1.0f, 2.0f, 0.0f), 0.0f);
}

TEST(PerlinFractal, BadSettingsStayBounded) {
  Perlin noise;
  const float nan = std::numeric_limits<float>::quiet_NaN();
  EXPECT_EQ(noise.fractalSum(1.3f, 0.5f, 2.0f, -3.0f), 0.0f);
  EXPECT_EQ(noise.fractalSum(1.3f, 0.5f, 2.0f, nan), 0.0f);
  EXPECT_EQ(noise.fractalSum(nan, 0.5f, 2.0f, 6.0f), 0.0f);
  EXPECT_TRUE(std::isfinite(noise.fractalSum(1.3f, 0.5f, 2.0f, 1e9f)));
}

}  // namespace
