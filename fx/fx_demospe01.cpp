#include "fx/fx_demospe01.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <utility>

namespace {

// Noise mode: lattice step per row and the fractal settings of the curve.
constexpr float kNoiseStep = 0.00062469003f;
constexpr float kNoiseH = 0.06746602f;
constexpr float kNoiseLacunarity = 2.0f;
constexpr float kNoiseOctaves = 6.0f;
constexpr float kNoiseScale = 200.0f;
// Wave mode: four periods down the layer (8 pi), half a period per second (t = ms 0.001 pi, in
// that order of float products), lengths -19..47.
constexpr float kWavePeriods = 25.132742f;
constexpr float kMillisecondsToSeconds = 0.001f;
constexpr float kPi = 3.1415927f;
constexpr float kWaveAmplitude = 33.0f;
constexpr float kWaveBias = 14.0f;

// trunc(v) for a window length; values past any layer width are capped so the conversion stays
// in range, NaN gives 0 (the row is left).
int32_t windowOf(float v) {
  constexpr float kCap = 1048576.0f;
  if (std::isnan(v)) return 0;
  return static_cast<int32_t>(std::clamp(v, -kCap, kCap));
}

}  // namespace

uint32_t FxDemoSpe01::systemMilliseconds() {
  const auto sinceStart = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(sinceStart).count());
}

FxDemoSpe01::FxDemoSpe01(Clock clock) : m_clock(std::move(clock)) {
  if (!m_clock) m_clock = systemMilliseconds;
}

FxDemoSpe01::FxDemoSpe01(CrtRand& runtimeRand, Clock clock)
    : m_noise(runtimeRand), m_clock(std::move(clock)) {
  if (!m_clock) m_clock = systemMilliseconds;
}

int32_t FxDemoSpe01::rowWindow(int32_t y, int32_t height, uint32_t milliseconds) {
  if (m_mode == NOISE) {
    const float x = static_cast<float>(m_noise.permutation(0)) +
                    (static_cast<float>(y) + m_offset) * kNoiseStep;
    const float v = m_noise.fractalSum(x, kNoiseH, kNoiseLacunarity, kNoiseOctaves);
    return windowOf(std::fabs(v) * kNoiseScale * m_amplitude);
  }
  if (m_mode == WAVE && height > 0) {
    const float t = static_cast<float>(milliseconds) * kMillisecondsToSeconds * kPi;
    const float angle = static_cast<float>(y) / static_cast<float>(height) * kWavePeriods + t;
    return windowOf(std::cos(angle) * kWaveAmplitude + kWaveBias);
  }
  return 0;
}

void FxDemoSpe01::apply(CImage32* pLayer) {
  if (!pLayer || (m_mode != NOISE && m_mode != WAVE)) return;
  m_blur.setScreen(pLayer);
  // A refused layer leaves the old binding in the blur: never blur that one instead.
  if (m_blur.getScreen() != pLayer) return;
  const uint32_t milliseconds = m_mode == WAVE ? m_clock() : 0;
  const int32_t height = pLayer->getHeight();
  for (int32_t y = 0; y < height; ++y) {
    const int32_t n = rowWindow(y, height, milliseconds);
    if (n <= 1) continue;
    m_blur.setSize(n);
    m_blur.blurRowMultiplied(y);
  }
}
