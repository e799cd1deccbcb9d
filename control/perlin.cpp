#include "control/perlin.h"

#include <cmath>
#include <utility>

#include "control/crt_rand.h"

namespace {

// ((rand() mod 1024) - 512) / 512: a lattice value in -1 .. 1023/512.
float drawComponent(CrtRand& rng) {
  return static_cast<float>((rng.rand() % 1024) - 512) / 512.0f;
}

// A random unit vector: components drawn until the squared length is at most 1, then normalised.
// A zero vector (every component drawn as 0) is left as it is rather than divided by 0.
template <size_t N>
std::array<float, N> drawUnitGradient(CrtRand& rng) {
  std::array<float, N> v{};
  float squared = 0.0f;
  do {
    squared = 0.0f;
    for (float& c : v) {
      c = drawComponent(rng);
      squared += c * c;
    }
  } while (squared > 1.0f);
  if (squared > 0.0f) {
    const float length = std::sqrt(squared);
    for (float& c : v)
      c = c / length;
  }
  return v;
}

// Octaves clamped to 0..kMaxOctaves; NaN counts as 0.
float clampOctaves(float octaves) {
  constexpr float kMax = static_cast<float>(control_config::kMaxOctaves);
  if (!(octaves > 0.0f)) return 0.0f;
  return octaves < kMax ? octaves : kMax;
}

// Number of integer k with k < octaves (octaves >= 0).
int32_t wholeOctaves(float octaves) {
  return static_cast<int32_t>(std::ceil(octaves));
}

}  // namespace

Perlin::Perlin() {
  CrtRand own;
  build(own);
}

Perlin::Perlin(CrtRand& runtimeRand) {
  build(runtimeRand);
}

void Perlin::build(CrtRand& rng) {
  rng.srand(kSeed);
  for (int32_t i = 0; i < kTableSize; ++i) {
    const auto k = static_cast<size_t>(i);
    m_permutation[k] = i;
    m_gradient1[k] = drawComponent(rng);
    m_gradient2[k] = drawUnitGradient<2>(rng);
    m_gradient3[k] = drawUnitGradient<3>(rng);
    m_gradient4[k] = drawUnitGradient<4>(rng);
  }
  for (int32_t i = kTableSize - 1; i > 0; --i) {
    const auto j = static_cast<size_t>(rng.rand() % kTableSize);
    std::swap(m_permutation[static_cast<size_t>(i)], m_permutation[j]);
  }
  // Entries 0..513 repeated at 512..1025, in ascending order (1024 and 1025 repeat 0 and 1).
  for (size_t i = 0; i < static_cast<size_t>(kTableSize + 2); ++i) {
    const size_t to = static_cast<size_t>(kTableSize) + i;
    m_permutation[to] = m_permutation[i];
    m_gradient1[to] = m_gradient1[i];
    m_gradient2[to] = m_gradient2[i];
    m_gradient3[to] = m_gradient3[i];
    m_gradient4[to] = m_gradient4[i];
  }
  prepareWeights(0.875f, 2.0f, 6.0f);
}

float Perlin::noise1(float x) const {
  const float t = x + 10000.0f;
  // From 2^24 on every float is an integer, so f = 0 and the noise is 0; this also keeps the
  // conversion below in range (and NaN out of it).
  if (!(std::fabs(t) < 16777216.0f)) return 0.0f;
  const auto i = static_cast<int32_t>(t);
  const float f = t - static_cast<float>(i);
  const int32_t b = i & kTableMask;
  const float u = f * m_gradient1[static_cast<size_t>(m_permutation[static_cast<size_t>(b)])];
  const float v =
      (f - 1.0f) *
      m_gradient1[static_cast<size_t>(m_permutation[static_cast<size_t>((b + 1) & kTableMask)])];
  const float s = f * f * (3.0f - 2.0f * f);
  return u + s * (v - u);
}

void Perlin::prepareWeights(float h, float lacunarity, float octaves) {
  // The weights only change with H for the system's callers (always lacunarity 2, 6 octaves);
  // they are also rebuilt when the other two change, so no caller reads weights made for another
  // lacunarity or fewer octaves.
  if (h == m_weightsH && lacunarity == m_weightsLacunarity && octaves == m_weightsOctaves) return;
  float frequency = 1.0f;
  // One weight past the whole octaves, for a fractional last octave.
  const int32_t count = wholeOctaves(octaves) + 1;
  for (int32_t k = 0; k < count; ++k) {
    m_weights[static_cast<size_t>(k)] = std::pow(frequency, -h);
    frequency *= lacunarity;
  }
  m_weightsH = h;
  m_weightsLacunarity = lacunarity;
  m_weightsOctaves = octaves;
}

float Perlin::fractalSum(float x, float h, float lacunarity, float octaves) {
  octaves = clampOctaves(octaves);
  prepareWeights(h, lacunarity, octaves);
  const int32_t whole = wholeOctaves(octaves);
  float sum = 0.0f;
  int32_t k = 0;
  for (; k < whole; ++k) {
    sum += noise1(x) * m_weights[static_cast<size_t>(k)];
    x *= lacunarity;
  }
  const float remainder = octaves - std::floor(octaves);
  if (remainder != 0.0f) sum += remainder * noise1(x) * m_weights[static_cast<size_t>(k)];
  return sum;
}
