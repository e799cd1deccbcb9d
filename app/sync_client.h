#pragma once
// The player's end of a sync editor connection: a non-blocking TCP client that connects, greets,
// sends the player's messages and decodes the editor's, in small steps called once per frame, so
// the socket never holds a frame up. Without an editor it says so once and tries again every few
// seconds; a dropped connection is reported with its reason and tried again the same way.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/sync_protocol.h"

// Where the editor listens.
struct SyncAddress {
  std::string host = "localhost";
  std::uint16_t port = SyncProtocol::kDefaultPort;
  bool operator==(const SyncAddress&) const = default;
};

// What one frame's socket work may take; the defaults are the player's.
struct SyncClientLimits {
  // Read at most this much per frame: a burst of 10,000 keys (140,000 bytes) fits in one frame.
  std::size_t readBytesPerPoll = 256 * 1024;
  // Decode at most this many messages per frame; the rest waits for the next frame.
  std::size_t messagesPerPoll = 20000;
  // A peer that kept one of the two limits above reached this many frames in a row sends
  // without a break (64 frames: more than 16 MiB at the defaults): it is dropped.
  int busyPollsToDrop = 64;
  // Between two connection attempts, and for the connection and the greeting to complete.
  std::uint32_t retryMs = 3000;
  std::uint32_t handshakeMs = 3000;
  // An editor that leaves this much of the player's messages unread is dropped.
  std::size_t maxUnsent = 1u << 20;
};

class SyncClient {
 public:
  enum class State { kDisconnected, kConnecting, kGreeting, kConnected };

  explicit SyncClient(SyncAddress address, SyncClientLimits limits = {});
  ~SyncClient();
  SyncClient(const SyncClient&) = delete;
  SyncClient& operator=(const SyncClient&) = delete;

  // One frame's socket work at `nowMs` (a millisecond clock): connects when an attempt is due,
  // completes the connection and the greeting, sends what is queued, reads and decodes within
  // the limits. `messages` receives the editor's messages decoded now, in order (the ones before
  // an error included). Never waits.
  void poll(std::uint32_t nowMs, std::vector<SyncMessage>& messages);

  // Queue a message for the editor (sent at once when the socket takes it); nothing while not
  // connected.
  void sendGetTrack(std::string_view name);
  void sendSetRow(std::uint32_t row);

  // Ends the connection with `reason` reported; the next attempt comes after the retry delay.
  void drop(std::string_view reason);

  State getState() const { return m_state; }
  bool isConnected() const { return m_state == State::kConnected; }
  // Completed greetings so far: a new value means a new connection, whose tracks start at 0.
  std::uint32_t getConnectionCount() const { return m_nbConnection; }
  // "host:port".
  std::string describe() const;

 private:
  void startConnect(std::uint32_t nowMs);
  void finishConnect(std::uint32_t nowMs);
  // An attempt that did not reach an editor: said once until a connection succeeds.
  void failAttempt(const std::string& reason);
  void closeSocket();
  bool flush();
  // Reads what the limits allow; false when the connection ended (dropped meanwhile).
  bool readAvailable(bool& limitReached, bool& closed);

  SyncAddress m_address;
  SyncClientLimits m_limits;
  int m_socket = -1;
  State m_state = State::kDisconnected;
  std::optional<std::uint32_t> m_lastAttempt;
  std::uint32_t m_attemptStart = 0;
  SyncDecoder m_decoder;
  std::vector<std::uint8_t> m_unsent;
  std::vector<std::uint8_t> m_readBuffer;
  std::uint32_t m_nbConnection = 0;
  int m_nbBusyPoll = 0;
  bool m_saidNoEditor = false;
};
