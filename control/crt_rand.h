#pragma once
// The C runtime's classic linear congruential generator, as a value the caller owns, so the noise
// tables come out the same on every platform and no hidden global state is touched:
//   state = state * 214013 + 2531011 (mod 2^32), rand() = (state >> 16) & 0x7FFF.

#include <cstdint>

class CrtRand {
 public:
  // A fresh runtime behaves as if srand(1) had been called.
  static constexpr uint32_t kDefaultSeed = 1;
  static constexpr int32_t kRandMax = 0x7FFF;

  explicit CrtRand(uint32_t seed = kDefaultSeed) : m_state(seed) {}

  // srand(seed): the next rand() continues from this state.
  void srand(uint32_t seed) { m_state = seed; }

  // The next value, 0..kRandMax.
  int32_t rand() {
    m_state = m_state * 214013u + 2531011u;
    return static_cast<int32_t>((m_state >> 16) & 0x7FFFu);
  }

 private:
  uint32_t m_state;
};
