// The Perlin noise built on the rand-compatible generator: table entries, noise and fractal sums
// pinned from perlin_reference.py (kept beside this file). The generator's own sequence is pinned
// by the expression tests.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

#include "control/perlin.h"

namespace {

// Entries of the tables after srand(548485), from perlin_reference.py.
TEST(PerlinTables, HoldTheSeededDraws) {
  const Perlin noise;
  for (const auto& [index, value] : {std::pair{0, 213}, {1, 211}, {272, 325}, {273, 60}, {511, 65}})
    EXPECT_EQ(noise.permutation(index), value) << index;
  for (const auto& [index, value] :
       {std::pair{0, -0.642578125f}, {1, -0.708984375f}, {2, -0.11328125f}, {511, 0.1875f}})
    EXPECT_EQ(noise.gradient1(index), value) << index;
  // The unit gradients of two to four components consume draws between these: wrong draws
  // there would move every later entry and every noise value below.
  // Entries 0..513 repeated from 512 on.
  for (int32_t i = 0; i < Perlin::kTableSize + 2; ++i) {
    ASSERT_EQ(noise.permutation(Perlin::kTableSize + i), noise.permutation(i)) << i;
    ASSERT_EQ(noise.gradient1(Perlin::kTableSize + i), noise.gradient1(i)) << i;
  }
}

// noise1 from perlin_reference.py, which rounds every step to float as the noise does: exact.
// Zero on the lattice, and for input that has no lattice cell.
TEST(PerlinNoise, FollowsTheFormulaBetweenLatticePointsAndIsZeroOnThemAndOnBadInput) {
  const Perlin noise;
  // x = -1.5 falls in cell 9998 (b = 270), 100.1 where x + 10000 is rounded to float.
  for (const auto& [x, value] : {std::pair{0.25f, -0.00260925293f},
                                 {3.75f, 0.121856689f},
                                 {-1.5f, -0.142089844f},
                                 {100.1f, -0.00456571905f}})
    EXPECT_EQ(noise.noise1(x), value) << x;
  for (int x = -600; x <= 600; x += 7)
    EXPECT_EQ(noise.noise1(static_cast<float>(x)), 0.0f) << x;
  const float inf = std::numeric_limits<float>::infinity();
  for (float x : {std::numeric_limits<float>::quiet_NaN(), inf, 1e30f})
    EXPECT_EQ(noise.noise1(x), 0.0f) << x;
}

// The fractal sum: the octave weights (2^k)^-H come from pow, which may be an ulp off the
// script's correctly rounded one, hence EXPECT_FLOAT_EQ (4 ulps).
TEST(PerlinFractal, SumsWeightedOctaves) {
  Perlin noise;
  struct Case {
    float h, octaves, value;
  };
  // At 5.3: one octave is noise1 itself; 1.5 octaves add half of the third; another H rebuilds
  // the weights, and H = 0.875 uses those made at construction.
  for (const Case& c : {Case{0.5f, 1.0f, 0.00627489388f}, Case{0.5f, 2.0f, -0.118622169f},
                        Case{0.5f, 1.5f, -0.101036489f}, Case{1.0f, 2.0f, -0.0820406675f},
                        Case{0.875f, 6.0f, 0.00169664901f}})
    EXPECT_FLOAT_EQ(noise.fractalSum(5.3f, c.h, 2.0f, c.octaves), c.value)
        << c.h << " " << c.octaves;
  EXPECT_EQ(noise.fractalSum(5.3f, 1.0f, 2.0f, 0.0f), 0.0f);
}

}  // namespace
