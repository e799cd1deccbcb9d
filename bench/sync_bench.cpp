// The socket work of a sync editor connection, against the tests' local editor (a loopback
// listener that greets and sends keys): one frame's poll, decode and key edits with nothing
// waiting, and a burst of 10,000 SET_KEYs (ascending or random rows) taken in frame steps until
// every key is in its track and the track is put into a keyframe controller, as the session
// does once per frame. Counters: the frames the burst took and the slowest of them.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <random>
#include <vector>

#include "app/sync_client.h"
#include "base/report.h"
#include "control/lcx_controller_keyframer.h"
#include "control/sync_track.h"
#include "tests/app/sync_fake_editor.h"

namespace {

constexpr int kNbKey = 10000;

// The connection reports go nowhere while measuring.
class QuietReports final : public ReportSink {
 public:
  QuietReports() : m_pPrevious(setReportSink(this)) {}
  ~QuietReports() override { setReportSink(m_pPrevious); }
  void onReport(const Report&) override {}

 private:
  ReportSink* m_pPrevious;
};

// 10,000 SET_KEYs of track 0, linear, rows ascending or shuffled.
Bytes burst(bool randomRows) {
  std::vector<std::uint32_t> rows(kNbKey);
  for (int i = 0; i < kNbKey; ++i)
    rows[static_cast<std::size_t>(i)] = static_cast<std::uint32_t>(i) * 2;
  if (randomRows) std::shuffle(rows.begin(), rows.end(), std::mt19937(7));
  Bytes out;
  for (const std::uint32_t row : rows) {
    const Bytes key = EditorMessage::setKey(0, row, static_cast<float>(row % 97) * 0.5f, 1);
    out.insert(out.end(), key.begin(), key.end());
  }
  return out;
}

// A client connected to the local editor, and the track and controller its keys go to.
struct Connection {
  FakeEditor editor;
  SyncClient client{{"127.0.0.1", editor.port()}};
  std::vector<SyncMessage> messages;
  SyncTrack track;
  LCXControllerKeyFramer controller;
  const SyncTiming timing;

  // False when the client did not connect within the editor's bounds.
  bool connect() {
    const FakeEditor::Step step = [this] { client.poll(0, messages); };
    if (!editor.handshake(step)) return false;
    for (int i = 0; i < 1000 && !client.isConnected(); ++i)
      step();
    return client.isConnected();
  }
};

// One frame of the session's work: poll, every key into the track, the track into the
// controller when anything changed.
std::size_t frameStep(SyncClient& client, std::vector<SyncMessage>& messages, SyncTrack& track,
                      LCXControllerKeyFramer& controller, const SyncTiming& timing) {
  client.poll(0, messages);
  for (const SyncMessage& message : messages)
    track.setKey(
        {message.row, message.value, static_cast<SyncInterpolation>(message.interpolation)});
  if (!messages.empty()) track.applyTo(controller, timing);
  return messages.size();
}

void BM_SyncIdleFrame(benchmark::State& state) {
  QuietReports quiet;
  Connection c;
  if (!c.connect()) {
    state.SkipWithError("no connection");
    return;
  }
  for (auto _ : state)
    benchmark::DoNotOptimize(frameStep(c.client, c.messages, c.track, c.controller, c.timing));
}
BENCHMARK(BM_SyncIdleFrame);

// Arg 0: rows ascending (an editor sending a track's keys); 1: rows shuffled.
void BM_SyncBurstOf10000Keys(benchmark::State& state) {
  QuietReports quiet;
  const Bytes bytes = burst(state.range(0) != 0);
  double slowestMs = 0.0;
  double nbFrame = 0.0;
  for (auto _ : state) {
    state.PauseTiming();
    Connection c;
    if (!c.connect()) {
      state.SkipWithError("no connection");
      return;
    }
    std::size_t nbSent = c.editor.sendSome(bytes);
    state.ResumeTiming();
    std::size_t nbApplied = 0;
    int frames = 0;
    while (nbApplied < static_cast<std::size_t>(kNbKey) && frames < 100000) {
      const auto start = std::chrono::steady_clock::now();
      nbApplied += frameStep(c.client, c.messages, c.track, c.controller, c.timing);
      const double ms =
          std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
              .count();
      slowestMs = std::max(slowestMs, ms);
      ++frames;
      // The editor's side goes on writing what the socket did not take at once.
      if (nbSent < bytes.size()) nbSent += c.editor.sendSome(bytes, nbSent);
    }
    nbFrame += frames;
    if (c.track.getKeys().size() != static_cast<std::size_t>(kNbKey)) {
      state.SkipWithError("keys missing");
      return;
    }
  }
  state.counters["frames"] = nbFrame / static_cast<double>(state.iterations());
  state.counters["slowest_frame_ms"] = slowestMs;
}
BENCHMARK(BM_SyncBurstOf10000Keys)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
