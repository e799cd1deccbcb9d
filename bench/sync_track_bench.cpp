// Sync-editor tracks at the size of a long show (10,000 keys): the burst of keys an editor sends
// when it connects, in row order and scattered; the rebuild of the keyframe controller after an
// edit; and the per-frame value of the rebuilt controller.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "control/lcx_controller_keyframer.h"
#include "control/sync_track.h"

namespace {

constexpr int32_t kNbKey = 10000;
constexpr uint32_t kRowRange = 200000;  // about 3.5 hours of rows at 62.5 ms

// kNbKey keys on distinct rows, every kind in turn, in ascending or scattered order.
std::vector<SyncKey> benchKeys(bool scattered) {
  std::mt19937 generator(1234);
  std::vector<SyncKey> keys;
  std::vector<bool> taken(kRowRange, false);
  std::uniform_int_distribution<uint32_t> row(0, kRowRange - 1);
  while (keys.size() < kNbKey) {
    const uint32_t r = row(generator);
    if (taken[r]) continue;
    taken[r] = true;
    const auto kind = static_cast<SyncInterpolation>(keys.size() % kNbSyncInterpolation);
    keys.push_back({r, static_cast<float>(r % 97) - 48.0f, kind});
  }
  if (!scattered) {
    std::vector<SyncKey> sorted;
    for (uint32_t r = 0; r < kRowRange; ++r)
      if (taken[r])
        sorted.push_back({r, static_cast<float>(r % 97) - 48.0f, SyncInterpolation::Linear});
    return sorted;
  }
  return keys;
}

void setKeys(benchmark::State& state, bool scattered) {
  const std::vector<SyncKey> keys = benchKeys(scattered);
  for (auto _ : state) {
    SyncTrack track;
    for (const SyncKey& key : keys)
      track.setKey(key);
    benchmark::DoNotOptimize(track.getKeys().data());
  }
  state.SetItemsProcessed(state.iterations() * kNbKey);
}

void BM_SetKeyTenThousandScatteredRows(benchmark::State& state) {
  setKeys(state, true);
}
BENCHMARK(BM_SetKeyTenThousandScatteredRows)->Unit(benchmark::kMillisecond);

void BM_SetKeyTenThousandAscendingRows(benchmark::State& state) {
  setKeys(state, false);
}
BENCHMARK(BM_SetKeyTenThousandAscendingRows)->Unit(benchmark::kMicrosecond);

SyncTrack benchTrack() {
  SyncTrack track;
  for (const SyncKey& key : benchKeys(true))
    track.setKey(key);
  return track;
}

void BM_ApplyToTenThousandKeys(benchmark::State& state) {
  const SyncTrack track = benchTrack();
  LCXControllerKeyFramer controller;
  for (auto _ : state) {
    track.applyTo(controller, SyncTiming{});
    benchmark::DoNotOptimize(controller.getTrackManager().getTrack());
  }
}
BENCHMARK(BM_ApplyToTenThousandKeys)->Unit(benchmark::kMicrosecond);

// One frame's value: the track's key search is linear, so a late time walks most of the keys.
void BM_ValueOfTenThousandKeys(benchmark::State& state) {
  const SyncTrack track = benchTrack();
  LCXControllerKeyFramer controller;
  track.applyTo(controller, SyncTiming{});
  std::mt19937 generator(99);
  std::uniform_real_distribution<float> time(0.0f, static_cast<float>(kRowRange) * 62.5f);
  std::vector<float> times(4096);
  for (float& t : times)
    t = time(generator);
  std::size_t k = 0;
  for (auto _ : state) {
    controller.setUpdate(1);
    benchmark::DoNotOptimize(controller.getValue(times[k++ & 4095]));
  }
}
BENCHMARK(BM_ValueOfTenThousandKeys)->Unit(benchmark::kMicrosecond);

}  // namespace
