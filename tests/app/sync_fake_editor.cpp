#include "tests/app/sync_fake_editor.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

namespace {

// Steps of the player a wait allows, each followed by a 1 ms look at the socket.
constexpr int kMaxSteps = 3000;

void put32(Bytes& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8)
    out.push_back(static_cast<std::uint8_t>(value >> shift));
}

bool readable(int socket, int timeoutMs) {
  pollfd entry{socket, POLLIN, 0};
  return ::poll(&entry, 1, timeoutMs) > 0;
}

}  // namespace

namespace EditorMessage {

Bytes greeting() {
  const char text[] = "hello, demo!";
  return Bytes(text, text + 12);
}

Bytes setKeyBits(std::uint32_t track, std::uint32_t row, std::uint32_t valueBits,
                 std::uint8_t interpolation) {
  Bytes out{0};
  put32(out, track);
  put32(out, row);
  put32(out, valueBits);
  out.push_back(interpolation);
  return out;
}

Bytes setKey(std::uint32_t track, std::uint32_t row, float value, std::uint8_t interpolation) {
  std::uint32_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  return setKeyBits(track, row, bits, interpolation);
}

Bytes deleteKey(std::uint32_t track, std::uint32_t row) {
  Bytes out{1};
  put32(out, track);
  put32(out, row);
  return out;
}

Bytes setRow(std::uint32_t row) {
  Bytes out{3};
  put32(out, row);
  return out;
}

Bytes pause(std::uint8_t flag) {
  return Bytes{4, flag};
}

Bytes saveTracks() {
  return Bytes{5};
}

}  // namespace EditorMessage

FakeEditor::FakeEditor() {
  m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  ::bind(m_listen, reinterpret_cast<sockaddr*>(&address), sizeof address);
  ::listen(m_listen, 4);
  socklen_t size = sizeof address;
  ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&address), &size);
  m_port = ntohs(address.sin_port);
}

FakeEditor::~FakeEditor() {
  closeConnection();
  stopListening();
}

void FakeEditor::closeConnection() {
  if (m_connection >= 0) ::close(m_connection);
  m_connection = -1;
}

void FakeEditor::stopListening() {
  if (m_listen >= 0) ::close(m_listen);
  m_listen = -1;
}

bool FakeEditor::accept(const Step& step) {
  for (int i = 0; i < kMaxSteps && m_listen >= 0; ++i) {
    step();
    if (readable(m_listen, 1)) {
      closeConnection();
      m_connection = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
      // Each message goes out at once, not held back until the last one is acknowledged.
      const int one = 1;
      setsockopt(m_connection, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
      return m_connection >= 0;
    }
  }
  return false;
}

bool FakeEditor::handshake(const Step& step) {
  if (!accept(step)) return false;
  const std::optional<Bytes> greeting = receive(19, step);
  if (!greeting || std::string(greeting->begin(), greeting->end()) != "hello, synctracker!") {
    return false;
  }
  return send(EditorMessage::greeting());
}

std::optional<Bytes> FakeEditor::receive(std::size_t count, const Step& step) {
  Bytes out;
  for (int i = 0; i < kMaxSteps && out.size() < count; ++i) {
    std::uint8_t buffer[4096];
    const std::size_t wanted = std::min(sizeof buffer, count - out.size());
    const ssize_t got = ::recv(m_connection, buffer, wanted, MSG_DONTWAIT);
    if (got > 0) {
      out.insert(out.end(), buffer, buffer + got);
      continue;
    }
    if (got == 0) return std::nullopt;
    step();
    readable(m_connection, 1);
  }
  if (out.size() < count) return std::nullopt;
  return out;
}

std::optional<PlayerMessage> FakeEditor::receiveMessage(const Step& step) {
  const std::optional<Bytes> command = receive(1, step);
  if (!command) return std::nullopt;
  const std::optional<Bytes> field = receive(4, step);
  if (!field) return std::nullopt;
  const std::uint32_t value = std::uint32_t{(*field)[0]} << 24 | std::uint32_t{(*field)[1]} << 16 |
                              std::uint32_t{(*field)[2]} << 8 | std::uint32_t{(*field)[3]};
  if ((*command)[0] == 3) return PlayerMessage{PlayerMessage::Kind::kSetRow, "", value};
  if ((*command)[0] != 2 || value > 4096) return std::nullopt;
  const std::optional<Bytes> name = receive(value, step);
  if (!name) return std::nullopt;
  return PlayerMessage{PlayerMessage::Kind::kGetTrack, std::string(name->begin(), name->end()), 0};
}

std::size_t FakeEditor::sendSome(const Bytes& bytes, std::size_t from) {
  if (from >= bytes.size()) return 0;
  const ssize_t sent =
      ::send(m_connection, bytes.data() + from, bytes.size() - from, MSG_NOSIGNAL | MSG_DONTWAIT);
  return sent > 0 ? static_cast<std::size_t>(sent) : 0;
}

bool FakeEditor::send(const Bytes& bytes) {
  return m_connection >= 0 && sendSome(bytes) == bytes.size();
}
