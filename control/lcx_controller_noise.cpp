// Noise controller: the settings chunk and the value along time.

#include "control/lcx_controller_noise.h"

#include "base/chunk_file_reader.h"
#include "base/chunk_file_writer.h"

namespace {
constexpr std::uint16_t kSettingsChunk = 10;
constexpr std::uint16_t kSeedChunk = 100;
constexpr std::uint16_t kFractalChunk = 101;
constexpr std::uint16_t kPositiveOnlyChunk = 102;
constexpr std::uint16_t kFrequencyChunk = 103;
constexpr std::uint16_t kRoughnessChunk = 104;
constexpr std::uint16_t kStrengthChunk = 105;
// Time (ms) times frequency is scaled to noise lattice units.
constexpr float kTimeScale = 0.005f;
constexpr float kLacunarity = 2.0f;
constexpr float kOctaves = 6.0f;
}  // namespace

float LCXControllerNoise::getValue(float time) {
  if (!m_update) return m_value;
  m_value = 0.0f;
  m_update = 0;
  const float x = static_cast<float>(m_noise.permutation(m_seed & Perlin::kTableMask)) +
                  time * m_frequency * kTimeScale;
  float n = m_fractal ? m_noise.fractalSum(x, 1.0f - m_roughness, kLacunarity, kOctaves)
                      : m_noise.noise1(x);
  if (m_positiveOnly && n < 0.0f) n = -n;
  m_value = m_strength * n;
  return m_value;
}

bool LCXControllerNoise::load(ChunkFileReader& chunk, ChunkFileReaderManager& manager) {
  ChunkFileReader child;
  while (!manager.hasFailed() && chunk.nextChild(child)) {
    if (child.getIdentifier() == kSettingsChunk) loadSettings(child);
  }
  return !manager.hasFailed();
}

void LCXControllerNoise::loadSettings(ChunkFileReader& chunk) {
  ChunkFileReader child;
  while (chunk.nextChild(child)) {
    switch (child.getIdentifier()) {
      case kSeedChunk:
        m_seed = child.readInt();
        break;
      case kFractalChunk:
        m_fractal = child.readByte() != 0;
        break;
      case kPositiveOnlyChunk:
        m_positiveOnly = child.readByte() != 0;
        break;
      case kFrequencyChunk:
        m_frequency = child.readFloat();
        break;
      case kRoughnessChunk:
        m_roughness = child.readFloat();
        break;
      case kStrengthChunk:
        m_strength = child.readFloat();
        break;
      default:
        break;
    }
  }
}

void LCXControllerNoise::save(ChunkFileWriterManager& manager) const {
  ChunkFileWriter settings(&manager);
  settings.beginChunk(kSettingsChunk);
  ChunkFileWriter field(&manager);
  field.writeIntChunk(kSeedChunk, m_seed);
  field.writeByteChunk(kFractalChunk, m_fractal ? 1 : 0);
  field.writeByteChunk(kPositiveOnlyChunk, m_positiveOnly ? 1 : 0);
  field.writeFloatChunk(kFrequencyChunk, m_frequency);
  field.writeFloatChunk(kRoughnessChunk, m_roughness);
  field.writeFloatChunk(kStrengthChunk, m_strength);
  settings.endChunk();
}
