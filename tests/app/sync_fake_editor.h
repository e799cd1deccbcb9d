#pragma once
// A sync editor for the tests, written from the protocol's description: it listens on the
// loopback interface (a free port), and the test drives it step by step between the player's
// frames. Its messages are built here byte by byte (big-endian fields), independently of the
// player's codec. Every wait is bounded, so no test can hang.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

namespace EditorMessage {
Bytes greeting();  // "hello, demo!"
Bytes setKey(std::uint32_t track, std::uint32_t row, float value, std::uint8_t interpolation);
// A key whose value field holds `valueBits` as they are (NaN, infinities).
Bytes setKeyBits(std::uint32_t track, std::uint32_t row, std::uint32_t valueBits,
                 std::uint8_t interpolation);
Bytes deleteKey(std::uint32_t track, std::uint32_t row);
Bytes setRow(std::uint32_t row);
Bytes pause(std::uint8_t flag);
Bytes saveTracks();
}  // namespace EditorMessage

// What the player sent: a GET_TRACK (its name) or a SET_ROW (its row).
struct PlayerMessage {
  enum class Kind { kGetTrack, kSetRow } kind;
  std::string name;
  std::uint32_t row = 0;
};

class FakeEditor {
 public:
  // One frame of the player, run while the editor waits.
  using Step = std::function<void()>;

  FakeEditor();
  ~FakeEditor();
  FakeEditor(const FakeEditor&) = delete;
  FakeEditor& operator=(const FakeEditor&) = delete;

  std::uint16_t port() const { return m_port; }
  // Waits (stepping the player) for its connection; false after the bound.
  bool accept(const Step& step);
  // Accepts, checks the player's 19-byte greeting and answers "hello, demo!".
  bool handshake(const Step& step);
  // Exactly `count` bytes from the player (stepping it meanwhile); nothing after the bound or
  // when the player closed.
  std::optional<Bytes> receive(std::size_t count, const Step& step);
  // The player's next message, decoded from the description.
  std::optional<PlayerMessage> receiveMessage(const Step& step);
  // Sends all of `bytes` (the test's messages are small: the socket takes them at once).
  bool send(const Bytes& bytes);
  // Sends what the socket takes now of bytes[from...] without waiting; the bytes sent.
  std::size_t sendSome(const Bytes& bytes, std::size_t from = 0);
  // Closes the accepted connection (the listening socket stays).
  void closeConnection();
  // Stops listening: connections are refused from now on.
  void stopListening();

 private:
  int m_listen = -1;
  int m_connection = -1;
  std::uint16_t m_port = 0;
};
