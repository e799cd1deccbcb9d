#include "app/sync_client.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "base/report.h"

namespace {

constexpr const char* kCaption = "SyncClient:";
// One recv asks for at most this much.
constexpr std::size_t kReadChunk = 64 * 1024;

std::string systemError(int error) {
  return std::strerror(error);
}

}  // namespace

SyncClient::SyncClient(SyncAddress address, SyncClientLimits limits)
    : m_address(std::move(address)), m_limits(limits) {}

SyncClient::~SyncClient() {
  closeSocket();
}

std::string SyncClient::describe() const {
  return m_address.host + ":" + std::to_string(m_address.port);
}

void SyncClient::closeSocket() {
  if (m_socket >= 0) ::close(m_socket);
  m_socket = -1;
  m_state = State::kDisconnected;
  m_unsent.clear();
  m_decoder = SyncDecoder{};
  m_nbBusyPoll = 0;
}

void SyncClient::failAttempt(const std::string& reason) {
  closeSocket();
  if (m_saidNoEditor) return;
  m_saidNoEditor = true;
  report(kCaption, "no sync editor at " + describe() + " (" + reason +
                       "); the show plays on, trying again every " +
                       std::to_string(m_limits.retryMs / 1000) + " s");
}

void SyncClient::drop(std::string_view reason) {
  if (m_state == State::kDisconnected) return;
  // Copied first: the reason may be the decoder's error, which the close clears.
  const std::string text(reason);
  closeSocket();
  // The attempts that follow fail silently until an editor answers again.
  m_saidNoEditor = true;
  report(kCaption, "sync editor connection dropped: " + text +
                       "; the show plays on with the edited values, trying again every " +
                       std::to_string(m_limits.retryMs / 1000) + " s");
}

void SyncClient::startConnect(std::uint32_t nowMs) {
  m_lastAttempt = nowMs;
  m_attemptStart = nowMs;
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICSERV;
  addrinfo* pFound = nullptr;
  // The name is looked up at each attempt (every few seconds): "localhost" or a numeric address
  // need no name server and answer at once.
  const std::string port = std::to_string(m_address.port);
  const int lookup = getaddrinfo(m_address.host.c_str(), port.c_str(), &hints, &pFound);
  if (lookup != 0 || !pFound) {
    failAttempt(std::string("unknown host: ") + gai_strerror(lookup));
    return;
  }
  // The first address only: localhost is tried as the system lists it.
  m_socket = ::socket(pFound->ai_family, pFound->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                      pFound->ai_protocol);
  if (m_socket < 0) {
    const int error = errno;
    freeaddrinfo(pFound);
    failAttempt(systemError(error));
    return;
  }
  const int connected = ::connect(m_socket, pFound->ai_addr, pFound->ai_addrlen);
  const int error = errno;
  freeaddrinfo(pFound);
  if (connected != 0 && error != EINPROGRESS) {
    failAttempt(systemError(error));
    return;
  }
  // Small messages (a row per frame) go out at once.
  const int one = 1;
  setsockopt(m_socket, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  m_state = State::kConnecting;
  finishConnect(nowMs);
}

void SyncClient::finishConnect(std::uint32_t nowMs) {
  pollfd entry{m_socket, POLLOUT, 0};
  if (::poll(&entry, 1, 0) <= 0) {
    if (nowMs - m_attemptStart >= m_limits.handshakeMs) failAttempt("no answer");
    return;
  }
  int error = 0;
  socklen_t size = sizeof error;
  if (getsockopt(m_socket, SOL_SOCKET, SO_ERROR, &error, &size) != 0) error = errno;
  if (error != 0) {
    failAttempt(systemError(error));
    return;
  }
  m_state = State::kGreeting;
  m_unsent.assign(SyncProtocol::kClientGreeting.begin(), SyncProtocol::kClientGreeting.end());
}

bool SyncClient::flush() {
  while (!m_unsent.empty()) {
    const ssize_t nbSent =
        ::send(m_socket, m_unsent.data(), m_unsent.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (nbSent < 0) {
      if (errno == EAGAIN || errno == EWOULDBLOCK) break;
      if (errno == EINTR) continue;
      drop("cannot send: " + systemError(errno));
      return false;
    }
    m_unsent.erase(m_unsent.begin(), m_unsent.begin() + nbSent);
  }
  if (m_unsent.size() > m_limits.maxUnsent) {
    drop("the editor does not read what the player sends");
    return false;
  }
  return true;
}

void SyncClient::sendGetTrack(std::string_view name) {
  if (!isConnected()) return;
  SyncProtocol::appendGetTrack(m_unsent, name);
  flush();
}

void SyncClient::sendSetRow(std::uint32_t row) {
  if (!isConnected()) return;
  SyncProtocol::appendSetRow(m_unsent, row);
  flush();
}

bool SyncClient::readAvailable(bool& limitReached, bool& closed) {
  std::size_t nbRead = 0;
  m_readBuffer.resize(kReadChunk);
  // Input already waiting to be decoded counts against the limit: it never grows unbounded.
  while (nbRead < m_limits.readBytesPerPoll && m_decoder.getPending() < m_limits.readBytesPerPoll) {
    const std::size_t wanted = std::min(kReadChunk, m_limits.readBytesPerPoll - nbRead);
    const ssize_t got = ::recv(m_socket, m_readBuffer.data(), wanted, MSG_DONTWAIT);
    if (got > 0) {
      const auto size = static_cast<std::size_t>(got);
      m_decoder.append({m_readBuffer.data(), size});
      nbRead += size;
      continue;
    }
    if (got == 0) {
      closed = true;
      return true;
    }
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return true;
    drop("cannot read: " + systemError(errno));
    return false;
  }
  limitReached = true;
  return true;
}

void SyncClient::poll(std::uint32_t nowMs, std::vector<SyncMessage>& messages) {
  messages.clear();
  if (m_state == State::kDisconnected) {
    if (m_lastAttempt && nowMs - *m_lastAttempt < m_limits.retryMs) return;
    startConnect(nowMs);
  } else if (m_state == State::kConnecting) {
    finishConnect(nowMs);
  }
  if (m_state != State::kGreeting && m_state != State::kConnected) return;
  if (!flush()) return;

  bool limitReached = false;
  bool closed = false;
  if (!readAvailable(limitReached, closed)) return;
  while (messages.size() < m_limits.messagesPerPoll) {
    SyncMessage message;
    const SyncDecoder::Status status = m_decoder.next(message);
    if (m_state == State::kGreeting && m_decoder.isGreeted()) {
      m_state = State::kConnected;
      ++m_nbConnection;
      m_saidNoEditor = false;
      report(kCaption, "connected to the sync editor at " + describe(), ReportLevel::Plain);
    }
    if (status == SyncDecoder::Status::kMessage) {
      messages.push_back(message);
    } else if (status == SyncDecoder::Status::kError) {
      drop(m_decoder.getError());
      return;
    } else {
      break;
    }
  }
  if (messages.size() >= m_limits.messagesPerPoll) limitReached = true;
  if (closed) {
    // What came before the end is kept; a message cut short is not.
    drop(m_decoder.getPending() > 0 ? "the editor closed the connection in the middle of a message"
                                    : "the editor closed the connection");
    return;
  }
  if (m_state == State::kGreeting && nowMs - m_attemptStart >= m_limits.handshakeMs) {
    drop("no greeting from " + describe());
    return;
  }
  m_nbBusyPoll = limitReached ? m_nbBusyPoll + 1 : 0;
  if (m_nbBusyPoll >= m_limits.busyPollsToDrop) {
    drop("the editor sends without a break (more than " +
         std::to_string(m_limits.readBytesPerPoll * static_cast<std::size_t>(m_nbBusyPoll)) +
         " bytes)");
  }
}
