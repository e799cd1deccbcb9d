// Particle shapes (kind 2): emitter timing, the fountain's particles in closed form, their
// world-space deformation, depth sort and drawing.

#include <algorithm>
#include <cmath>
#include <string>

#include "control/crt_rand.h"
#include "s3d/s3d_camera.h"
#include "s3d/s3d_pipeline.h"
#include "s3d/s3d_shape.h"
#include "s3d/s3d_sort.h"

namespace {

// Animation time to emitter frames.
constexpr float kFramesPerTime = 30.0f;
// Counts past this stay at it: a float holds whole numbers exactly only to 2^24, and the window
// arithmetic below must not overflow 64 bits.
constexpr float kMaxCount = 1.0e15f;

// A 32-bit finaliser (MurmurHash3's): neighbouring particle numbers must not give neighbouring
// CrtRand states, whose first draws would be nearly equal.
uint32_t mix(uint32_t h) {
  h ^= h >> 16;
  h *= 0x85EBCA6Bu;
  h ^= h >> 13;
  h *= 0xC2B2AE35u;
  h ^= h >> 16;
  return h;
}

// FNV-1a of the shape's name: the same seed in every run, another for another shape.
uint32_t seedOfName(std::string_view name) {
  uint32_t h = 2166136261u;
  for (const char c : name) {
    h ^= static_cast<uint8_t>(c);
    h *= 16777619u;
  }
  return h;
}

// A draw in [0, 1].
float unitDraw(CrtRand& rand) {
  return static_cast<float>(rand.rand()) / static_cast<float>(CrtRand::kRandMax);
}

}  // namespace

bool S3DEmitter::emits() const {
  return period > 0.0f && rate > 0.0f && std::isfinite(period) && std::isfinite(rate);
}

int64_t S3DEmitter::maxAlive() const {
  if (!emits()) return 0;
  return static_cast<int64_t>(std::ceil(std::min(period * rate, kMaxCount))) + 1;
}

void S3DEmitter::setFrame(float frame) {
  // Written so that a NaN frame or start leaves the emitter inactive.
  active = frame >= startFrame;
  elapsed = active ? frame - startFrame : 0.0f;
  nbActive = 0;
  phase = 0.0f;
  if (!active || !emits()) return;
  const float count = std::trunc(elapsed * rate);
  if (!(count < kMaxCount)) {
    // An infinite frame: counted as far as the counts go; no cycle to be in.
    nbActive = static_cast<int64_t>(kMaxCount);
    return;
  }
  nbActive = static_cast<int64_t>(count);
  phase = std::fmod(elapsed, period) * rate;
}

void S3DShapeParticles::animate(float time, const S3DCamera* pCamera) {
  S3DShape::animate(time, pCamera);
  animateEmitters(time);
}

void S3DShapeParticles::animateEmitters(float time) {
  for (S3DEmitter& emitter : m_emitters)
    emitter.setFrame(time * kFramesPerTime);
}

void S3DShapeParticles::prepare() {
  S3DShape::prepare();
  m_seed = seedOfName(m_name.view());
  // Only the sub-materials are chosen here: the items are made per frame from the live particles.
  m_lists.build(m_pMaterial, {}, 0);
  const auto nbVertex = static_cast<int64_t>(m_vertices.size());
  // Pairs naming no vertex are dropped once here, not looked at every generation of every frame.
  m_particlePairs.clear();
  if (m_lists.m_pLineMaterial)
    for (const auto& [first, second] : m_edgePairs)
      if (first >= 0 && first < nbVertex && second >= 0 && second < nbVertex)
        m_particlePairs.push_back({first, second});
  int64_t wanted = 0;
  int64_t wantedLines = 0;
  for (const S3DEmitter& emitter : m_emitters) {
    const int64_t alive = std::min(emitter.maxAlive(), kMaxParticle + 1);
    wanted = std::min(wanted + alive, kMaxParticle + 1);
    // A generation is nbVertex particles; the live window spans whole ones plus two partial.
    if (nbVertex > 0)
      wantedLines = std::min(
          wantedLines + static_cast<int64_t>(m_particlePairs.size()) * (alive / nbVertex + 2),
          kMaxParticle);
  }
  if (nbVertex == 0) wanted = wantedLines = 0;
  if (wanted > kMaxParticle) {
    warn("the emitters keep more than " + std::to_string(kMaxParticle) +
         " particles alive: only the first " + std::to_string(kMaxParticle) + " are drawn");
    wanted = kMaxParticle;
  }
  m_capacity = static_cast<std::size_t>(wanted);
  m_lineCapacity = static_cast<std::size_t>(wantedLines);
  m_particleObject.assign(m_capacity, Vec3{});
  m_particleCamera.assign(m_capacity, Vec3{});
  m_particleScreen.assign(m_capacity, S3DScreenVertex{});
  m_particleVertex.assign(m_capacity, 0);
  m_particleLife.assign(m_capacity, 0.0f);
  m_particleScratch.assign(m_capacity, Vec3{});
  m_particleLines.assign(m_lineCapacity, S3DLineItem{});
  m_items.assign(m_capacity + m_lineCapacity, Item{});
  m_nbLive = m_nbLine = m_nbItem = 0;
}

Vec3 S3DShapeParticles::particleVelocity(std::size_t emitter, int64_t k) const {
  CrtRand rand(
      mix(m_seed ^ mix(static_cast<uint32_t>(emitter) * 0x9E3779B9u ^ static_cast<uint32_t>(k) ^
                       static_cast<uint32_t>(static_cast<uint64_t>(k) >> 32))));
  const float sideX = 2.0f * unitDraw(rand) - 1.0f;
  const float sideZ = 2.0f * unitDraw(rand) - 1.0f;
  const float slow = unitDraw(rand);
  return {kSpread * kSpeed * sideX, kSpeed * (1.0f - kSpeedJitter * slow),
          kSpread * kSpeed * sideZ};
}

Vec3 S3DShapeParticles::particlePosition(std::size_t emitter, int64_t k, float age) const {
  if (m_vertices.empty() || emitter >= m_emitters.size() || k < 0) return {};
  const Vec3 origin =
      m_vertices[static_cast<std::size_t>(k % static_cast<int64_t>(m_vertices.size()))];
  const Vec3 v = particleVelocity(emitter, k);
  // Gravity g = 2 v.y / period: y = v.y · age - g age² / 2 = v.y · age · (1 - age / period), back
  // at the birth height when the particle dies.
  const float period = m_emitters[emitter].period;
  const float rise = period > 0.0f ? 1.0f - age / period : 1.0f;
  return {origin.x + v.x * age, origin.y + v.y * age * rise, origin.z + v.z * age};
}

void S3DShapeParticles::emitParticles() {
  m_nbLive = 0;
  m_nbLine = 0;
  const auto nbVertex = static_cast<int64_t>(m_vertices.size());
  if (nbVertex == 0) return;
  for (std::size_t e = 0; e < m_emitters.size(); ++e) {
    const S3DEmitter& emitter = m_emitters[e];
    if (!emitter.active || !emitter.emits() || emitter.nbActive <= 0) continue;
    // Alive: born within the last period, k in [trunc((elapsed - period) · rate), nbActive).
    const int64_t kEnd = emitter.nbActive;
    const float dead = (emitter.elapsed - emitter.period) * emitter.rate;
    int64_t kFirst = dead > 0.0f ? static_cast<int64_t>(std::min(dead, kMaxCount)) : 0;
    kFirst = std::max(kFirst, kEnd - emitter.maxAlive());
    const int64_t room = static_cast<int64_t>(m_capacity) - m_nbLive;
    const int64_t count = std::min(kEnd - kFirst, room);
    if (count <= 0) continue;
    const int32_t base = m_nbLive;
    for (int64_t k = kFirst; k < kFirst + count; ++k) {
      // Birth frames of particle numbers past 2^24 need more than a float's digits.
      const double birth = static_cast<double>(k + 1) / static_cast<double>(emitter.rate);
      const float age = std::clamp(static_cast<float>(static_cast<double>(emitter.elapsed) - birth),
                                   0.0f, emitter.period);
      const auto slot = static_cast<std::size_t>(m_nbLive++);
      m_particleObject[slot] = particlePosition(e, k, age);
      m_particleVertex[slot] = static_cast<int32_t>(k % nbVertex);
      m_particleLife[slot] = age / emitter.period;
    }
    // Lines join particles of one generation g (particles g · nbVertex + vertex); the pairs are
    // valid, so a whole generation adds every pair, and the lines stop when the array is full.
    const int64_t kLast = kFirst + count;
    for (int64_t g = kFirst / nbVertex;
         g * nbVertex < kLast && static_cast<std::size_t>(m_nbLine) < m_lineCapacity; ++g) {
      for (const auto& [a, b] : m_particlePairs) {
        const int64_t ka = g * nbVertex + a;
        const int64_t kb = g * nbVertex + b;
        if (ka < kFirst || ka >= kLast || kb < kFirst || kb >= kLast) continue;
        if (static_cast<std::size_t>(m_nbLine) >= m_lineCapacity) break;
        m_particleLines[static_cast<std::size_t>(m_nbLine++)] = {
            base + static_cast<int32_t>(ka - kFirst), base + static_cast<int32_t>(kb - kFirst)};
      }
    }
  }
}

void S3DShapeParticles::transform(const S3DCamera& camera) {
  m_pCamera = &camera;
  // Object space: the stack moves the vertices the particles leave from.
  if (!m_applications.empty()) applyModifiers(camera);
  emitParticles();
  const auto n = static_cast<std::size_t>(m_nbLive);
  const std::span<Vec3> cameraPoints(m_particleCamera.data(), n);
  transformVertices({m_particleObject.data(), n}, multiply(m_matrix, camera.m_viewMatrix),
                    cameraPoints);
  // Camera space.
  if (!m_wsModifiers.empty())
    applyWSModifiers(camera, cameraPoints, {m_particleScratch.data(), n},
                     {m_particleVertex.data(), n});
  projectVertices(cameraPoints, camera, {m_particleScreen.data(), n});
  // Keys, then farthest first.
  const S3DItemVertices vertices = itemVertices();
  std::size_t nbItem = 0;
  if (m_lists.m_pPointMaterial)
    for (std::size_t i = 0; i < n; ++i)
      m_items[nbItem++] = {S3DLinePointLists::pointKey(vertices, static_cast<int32_t>(i)),
                           static_cast<int32_t>(i)};
  for (int32_t j = 0; j < m_nbLine; ++j)
    m_items[nbItem++] = {
        S3DLinePointLists::lineKey(vertices, m_particleLines[static_cast<std::size_t>(j)]), ~j};
  m_nbItem = static_cast<int32_t>(nbItem);
  sortByKeyDescending(std::span<Item>(m_items.data(), nbItem));
}

S3DItemVertices S3DShapeParticles::itemVertices() const {
  const auto n = static_cast<std::size_t>(m_nbLive);
  return {{m_particleCamera.data(), n}, {m_particleScreen.data(), n}};
}

void S3DShapeParticles::draw(S3DDrawManager& drawManager) const {
  const S3DItemVertices vertices = itemVertices();
  for (std::size_t i = 0; i < static_cast<std::size_t>(m_nbItem); ++i) {
    const Item& item = m_items[i];
    if (item.index < 0) {
      m_lists.drawLine(drawManager, vertices,
                       m_particleLines[static_cast<std::size_t>(~item.index)]);
      continue;
    }
    // Half the size at death; the last quarter of the life fades out.
    const float life = m_particleLife[static_cast<std::size_t>(item.index)];
    m_lists.drawPoint(drawManager, vertices, item.index, 1.0f - 0.5f * life,
                      std::min(1.0f, 4.0f * (1.0f - life)));
  }
}
