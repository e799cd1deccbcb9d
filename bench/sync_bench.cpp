// The socket work of a sync editor connection, against a local editor made here (a loopback
// listener that greets and sends keys): one frame's poll, decode and key edits with nothing
// waiting, and a burst of 10,000 SET_KEYs (ascending or random rows) taken in frame steps until
// every key is in its track and the track is put into a keyframe controller, as the session
// does once per frame. Counters: the frames the burst took and the slowest of them.

#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "app/sync_client.h"
#include "base/report.h"
#include "control/lcx_controller_keyframer.h"
#include "control/sync_track.h"

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

void put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8)
    out.push_back(static_cast<std::uint8_t>(value >> shift));
}

// The editor's end: listens, accepts the client, answers its greeting, sends bytes.
class LocalEditor {
 public:
  LocalEditor() {
    m_listen = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(m_listen, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(m_listen, 1);
    socklen_t size = sizeof address;
    ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&address), &size);
    m_port = ntohs(address.sin_port);
  }
  ~LocalEditor() {
    if (m_connection >= 0) ::close(m_connection);
    ::close(m_listen);
  }
  std::uint16_t port() const { return m_port; }

  // Steps the client until it is connected; false when it did not within the bound.
  bool connect(SyncClient& client, std::vector<SyncMessage>& messages) {
    for (int i = 0; i < 1000 && m_connection < 0; ++i) {
      client.poll(0, messages);
      pollfd entry{m_listen, POLLIN, 0};
      if (::poll(&entry, 1, 1) > 0)
        m_connection = ::accept4(m_listen, nullptr, nullptr, SOCK_NONBLOCK);
    }
    if (m_connection < 0) return false;
    const int one = 1;
    setsockopt(m_connection, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    char greeting[19];
    std::size_t nbRead = 0;
    for (int i = 0; i < 1000 && nbRead < sizeof greeting; ++i) {
      client.poll(0, messages);
      const ssize_t got = ::recv(m_connection, greeting + nbRead, sizeof greeting - nbRead, 0);
      if (got > 0) nbRead += static_cast<std::size_t>(got);
    }
    sendSome({'h', 'e', 'l', 'l', 'o', ',', ' ', 'd', 'e', 'm', 'o', '!'});
    for (int i = 0; i < 1000 && !client.isConnected(); ++i)
      client.poll(0, messages);
    return client.isConnected();
  }
  // What the socket takes now.
  std::size_t sendSome(const std::vector<std::uint8_t>& bytes, std::size_t from = 0) {
    const ssize_t sent =
        ::send(m_connection, bytes.data() + from, bytes.size() - from, MSG_NOSIGNAL | MSG_DONTWAIT);
    return sent > 0 ? static_cast<std::size_t>(sent) : 0;
  }

 private:
  int m_listen = -1;
  int m_connection = -1;
  std::uint16_t m_port = 0;
};

// 10,000 SET_KEYs of track 0, linear, rows ascending or shuffled.
std::vector<std::uint8_t> burst(bool randomRows) {
  std::vector<std::uint32_t> rows(kNbKey);
  for (int i = 0; i < kNbKey; ++i)
    rows[static_cast<std::size_t>(i)] = static_cast<std::uint32_t>(i) * 2;
  if (randomRows) std::shuffle(rows.begin(), rows.end(), std::mt19937(7));
  std::vector<std::uint8_t> out;
  for (const std::uint32_t row : rows) {
    out.push_back(0);
    put32(out, 0);
    put32(out, row);
    float value = static_cast<float>(row % 97) * 0.5f;
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    put32(out, bits);
    out.push_back(1);
  }
  return out;
}

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
  LocalEditor editor;
  SyncClient client({"127.0.0.1", editor.port()});
  std::vector<SyncMessage> messages;
  if (!editor.connect(client, messages)) {
    state.SkipWithError("no connection");
    return;
  }
  SyncTrack track;
  LCXControllerKeyFramer controller;
  const SyncTiming timing;
  for (auto _ : state)
    benchmark::DoNotOptimize(frameStep(client, messages, track, controller, timing));
}
BENCHMARK(BM_SyncIdleFrame);

// Arg 0: rows ascending (an editor sending a track's keys); 1: rows shuffled.
void BM_SyncBurstOf10000Keys(benchmark::State& state) {
  QuietReports quiet;
  const std::vector<std::uint8_t> bytes = burst(state.range(0) != 0);
  double slowestMs = 0.0;
  double nbFrame = 0.0;
  for (auto _ : state) {
    state.PauseTiming();
    LocalEditor editor;
    SyncClient client({"127.0.0.1", editor.port()});
    std::vector<SyncMessage> messages;
    if (!editor.connect(client, messages)) {
      state.SkipWithError("no connection");
      return;
    }
    SyncTrack track;
    LCXControllerKeyFramer controller;
    const SyncTiming timing;
    std::size_t nbSent = editor.sendSome(bytes);
    state.ResumeTiming();
    std::size_t nbApplied = 0;
    int frames = 0;
    while (nbApplied < static_cast<std::size_t>(kNbKey) && frames < 100000) {
      const auto start = std::chrono::steady_clock::now();
      nbApplied += frameStep(client, messages, track, controller, timing);
      const double ms =
          std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
              .count();
      slowestMs = std::max(slowestMs, ms);
      ++frames;
      // The editor's side goes on writing what the socket did not take at once.
      if (nbSent < bytes.size()) nbSent += editor.sendSome(bytes, nbSent);
    }
    nbFrame += frames;
    if (track.getKeys().size() != static_cast<std::size_t>(kNbKey)) {
      state.SkipWithError("keys missing");
      return;
    }
  }
  state.counters["frames"] = nbFrame / static_cast<double>(state.iterations());
  state.counters["slowest_frame_ms"] = slowestMs;
}
BENCHMARK(BM_SyncBurstOf10000Keys)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
