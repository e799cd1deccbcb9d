#pragma once
// Noise controller (type 4): Perlin noise along time, plain or as a fractal sum of octaves.
//   10: 100 int seed, 101 byte fractal, 102 byte positive only, 103 float frequency,
//       104 float roughness, 105 float strength

#include <cstdint>

#include "control/lcx_controller.h"
#include "control/perlin.h"

class LCXControllerNoise final : public LCXController {
 public:
  LCXControllerNoise() : LCXController(LCXControllerType::Noise) {}
  // Draws its noise tables from the program's runtime generator (see Perlin).
  explicit LCXControllerNoise(CrtRand& runtimeRand)
      : LCXController(LCXControllerType::Noise), m_noise(runtimeRand) {}

  bool load(ChunkFileReader& chunk, ChunkFileReaderManager& manager) override;
  void save(ChunkFileWriterManager& manager) const override;
  // strength * n, with x = P[seed AND 511] + t * frequency * 0.005 and n = noise1(x), or the
  // fractal sum at x (H = 1 - roughness, lacunarity 2, 6 octaves); |n| when positive only.
  float getValue(float time) override;

  int32_t getSeed() const { return m_seed; }
  void setSeed(int32_t seed) { m_seed = seed; }
  float getStrength() const { return m_strength; }
  void setStrength(float strength) { m_strength = strength; }
  bool getFractal() const { return m_fractal; }
  void setFractal(bool fractal) { m_fractal = fractal; }
  float getFrequency() const { return m_frequency; }
  void setFrequency(float frequency) { m_frequency = frequency; }
  float getRoughness() const { return m_roughness; }
  void setRoughness(float roughness) { m_roughness = roughness; }
  bool getPositiveOnly() const { return m_positiveOnly; }
  void setPositiveOnly(bool positiveOnly) { m_positiveOnly = positiveOnly; }
  const Perlin& getNoise() const { return m_noise; }

 private:
  void loadSettings(ChunkFileReader& chunk);

  float m_value = 0.0f;
  int32_t m_seed = 0;
  float m_strength = 5.0f;
  bool m_fractal = false;
  float m_frequency = 0.55f;
  float m_roughness = 0.125f;
  bool m_positiveOnly = false;
  Perlin m_noise;
};
