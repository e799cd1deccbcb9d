#pragma once
// The wire format of a sync editor connection (the GNU Rocket protocol): the player is the TCP
// client, the editor the server. The player greets with the 19 bytes "hello, synctracker!", the
// editor answers with the 12 bytes "hello, demo!"; then each message is one command byte and its
// fields, integers as big-endian uint32, floats as the big-endian bits of an IEEE single.
//   SET_KEY      0  editor -> player  track, row, value (float), interpolation (1 byte, 0..3)
//   DELETE_KEY   1  editor -> player  track, row
//   GET_TRACK    2  player -> editor  name length, name bytes; the n-th request is track n
//   SET_ROW      3  both ways         row
//   PAUSE        4  editor -> player  flag (1 byte: 1 pause, 0 play)
//   SAVE_TRACKS  5  editor -> player  nothing

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

enum class SyncCommand : std::uint8_t {
  SetKey = 0,
  DeleteKey = 1,
  GetTrack = 2,
  SetRow = 3,
  Pause = 4,
  SaveTracks = 5,
};

// One message from the editor; only the fields of its command are meaningful.
struct SyncMessage {
  SyncCommand command = SyncCommand::SaveTracks;
  std::uint32_t track = 0;
  std::uint32_t row = 0;
  float value = 0.0f;
  std::uint8_t interpolation = 0;
  bool paused = false;
};

namespace SyncProtocol {

inline constexpr std::string_view kClientGreeting = "hello, synctracker!";
inline constexpr std::string_view kServerGreeting = "hello, demo!";
inline constexpr std::uint16_t kDefaultPort = 1338;
// Rows are signed 32-bit numbers in the editors; anything above is refused.
inline constexpr std::uint32_t kMaxRow = 0x7fffffffu;
// A track name longer than this is not asked for (file names are far shorter).
inline constexpr std::size_t kMaxNameLength = 255;

// Appends the player's messages to `out`.
void appendGetTrack(std::vector<std::uint8_t>& out, std::string_view name);
void appendSetRow(std::vector<std::uint8_t>& out, std::uint32_t row);

}  // namespace SyncProtocol

// Turns the bytes of the editor's side, as they arrive in pieces, into messages: first the
// greeting, then one message per complete command. Anything that is not the protocol (a wrong
// greeting, an unknown command, a row past kMaxRow, a value that is not finite, an unknown
// interpolation kind) is an error that stays: the connection has to go.
class SyncDecoder {
 public:
  enum class Status { kMessage, kNeedMore, kError };

  // Keeps the bytes after the ones not decoded yet.
  void append(std::span<const std::uint8_t> bytes);
  // The next message into `message`; kNeedMore until enough bytes arrived; kError (getError
  // says why) from the first byte that is not the protocol on.
  Status next(SyncMessage& message);

  bool isGreeted() const { return m_greeted; }
  bool hasFailed() const { return !m_error.empty(); }
  const std::string& getError() const { return m_error; }
  // Bytes received and not decoded yet (part of a message, or not looked at).
  std::size_t getPending() const { return m_bytes.size() - m_read; }

 private:
  Status fail(std::string text);

  std::vector<std::uint8_t> m_bytes;
  std::size_t m_read = 0;
  bool m_greeted = false;
  std::string m_error;
};
