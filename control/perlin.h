#pragma once
// Perlin's classic gradient noise over a 512-entry lattice, with its tables drawn from the C
// runtime's generator seeded with 548485, and the fractal (fBm) sum of several octaves. Every
// generator builds the same tables, so two generators always give the same numbers.

#include <array>
#include <cstddef>
#include <cstdint>

#include "control/config.h"
#include "control/crt_rand.h"

class Perlin {
 public:
  // Lattice size; the tables hold it twice plus two entries so b + 1 never needs a wrap.
  static constexpr int32_t kTableSize = 512;
  static constexpr int32_t kTableMask = kTableSize - 1;
  static constexpr int32_t kTableLength = kTableSize + kTableSize + 2;
  static constexpr uint32_t kSeed = 548485;

  // Builds the tables and prepares the fractal weights for H = 0.875, lacunarity 2, 6 octaves.
  // The tables are drawn from a generator of the noise's own.
  Perlin();
  // The same, drawn from the program's runtime generator: it is reseeded with kSeed, and what
  // later draws from it (the "rand" of formulas) continues after the tables.
  explicit Perlin(CrtRand& runtimeRand);

  // One-dimensional noise: x' = x + 10000, i = trunc(x'), f = x' - i, b = i AND 511,
  // u = f G1[P[b]], v = (f - 1) G1[P[b + 1]], s = f^2 (3 - 2f), result u + s (v - u).
  // 0 at every integer x. Non-finite x gives 0.
  float noise1(float x) const;

  // Sum over octaves k < octaves of noise1(x L^k) (L^k)^-H; a fractional part r of octaves adds
  // r noise1(x L^next) (L^next)^-H. Octaves are clamped to 0..kMaxOctaves.
  float fractalSum(float x, float h, float lacunarity, float octaves);

  // Table entries, index 0..kTableLength - 1 (taken modulo kTableLength).
  int32_t permutation(int32_t i) const { return m_permutation[wrap(i)]; }
  float gradient1(int32_t i) const { return m_gradient1[wrap(i)]; }
  const std::array<float, 2>& gradient2(int32_t i) const { return m_gradient2[wrap(i)]; }
  const std::array<float, 3>& gradient3(int32_t i) const { return m_gradient3[wrap(i)]; }
  const std::array<float, 4>& gradient4(int32_t i) const { return m_gradient4[wrap(i)]; }

 private:
  static size_t wrap(int32_t i) {
    const int32_t r = i % kTableLength;
    return static_cast<size_t>(r < 0 ? r + kTableLength : r);
  }
  void build(CrtRand& rng);
  void prepareWeights(float h, float lacunarity, float octaves);

  std::array<int32_t, kTableLength> m_permutation{};
  std::array<float, kTableLength> m_gradient1{};
  std::array<std::array<float, 2>, kTableLength> m_gradient2{};
  std::array<std::array<float, 3>, kTableLength> m_gradient3{};
  std::array<std::array<float, 4>, kTableLength> m_gradient4{};

  // Octave weights (L^k)^-H and the settings they were made for.
  std::array<float, control_config::kMaxOctaves + 2> m_weights{};
  float m_weightsH = 0.0f;
  float m_weightsLacunarity = 0.0f;
  float m_weightsOctaves = -1.0f;
};
