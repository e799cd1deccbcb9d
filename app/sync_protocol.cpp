#include "app/sync_protocol.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace {

void appendU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  out.push_back(static_cast<std::uint8_t>(value >> 24));
  out.push_back(static_cast<std::uint8_t>(value >> 16));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
  out.push_back(static_cast<std::uint8_t>(value));
}

std::uint32_t readU32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 |
         std::uint32_t{p[3]};
}

// Bytes of the command and its fields; 0 for a byte that is no command of the editor's.
std::size_t messageSize(std::uint8_t command) {
  switch (static_cast<SyncCommand>(command)) {
    case SyncCommand::SetKey:
      return 1 + 4 + 4 + 4 + 1;
    case SyncCommand::DeleteKey:
      return 1 + 4 + 4;
    case SyncCommand::SetRow:
      return 1 + 4;
    case SyncCommand::Pause:
      return 1 + 1;
    case SyncCommand::SaveTracks:
      return 1;
    case SyncCommand::GetTrack:  // only the player asks for tracks
      break;
  }
  return 0;
}

// The bytes as text for a report: printable ASCII kept, anything else as '?'.
std::string printable(std::span<const std::uint8_t> bytes) {
  std::string text;
  for (const std::uint8_t byte : bytes)
    text += (byte >= 0x20 && byte < 0x7f) ? static_cast<char>(byte) : '?';
  return text;
}

}  // namespace

namespace SyncProtocol {

void appendGetTrack(std::vector<std::uint8_t>& out, std::string_view name) {
  out.push_back(static_cast<std::uint8_t>(SyncCommand::GetTrack));
  appendU32(out, static_cast<std::uint32_t>(name.size()));
  out.insert(out.end(), name.begin(), name.end());
}

void appendSetRow(std::vector<std::uint8_t>& out, std::uint32_t row) {
  out.push_back(static_cast<std::uint8_t>(SyncCommand::SetRow));
  appendU32(out, row);
}

}  // namespace SyncProtocol

void SyncDecoder::append(std::span<const std::uint8_t> bytes) {
  if (hasFailed()) return;
  // The decoded bytes go first, so the buffer holds at most one read plus one partial message.
  m_bytes.erase(m_bytes.begin(), m_bytes.begin() + static_cast<std::ptrdiff_t>(m_read));
  m_read = 0;
  m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
}

SyncDecoder::Status SyncDecoder::fail(std::string text) {
  m_error = std::move(text);
  return Status::kError;
}

SyncDecoder::Status SyncDecoder::next(SyncMessage& message) {
  using SyncProtocol::kServerGreeting;
  if (hasFailed()) return Status::kError;
  const std::uint8_t* const p = m_bytes.data() + m_read;
  const std::size_t available = getPending();
  if (!m_greeted) {
    // Compared as the bytes arrive: a peer that is not an editor is known at its first byte.
    const std::size_t nbCompared = std::min(available, kServerGreeting.size());
    if (!std::equal(p, p + nbCompared, kServerGreeting.begin())) {
      return fail("not a sync editor: it greeted with '" +
                  printable({p, std::min(available, std::size_t{32})}) + "'");
    }
    if (available < kServerGreeting.size()) return Status::kNeedMore;
    m_read += kServerGreeting.size();
    m_greeted = true;
    return next(message);
  }
  if (available == 0) return Status::kNeedMore;
  const std::size_t size = messageSize(p[0]);
  if (size == 0) return fail("unknown command " + std::to_string(p[0]) + " from the sync editor");
  if (available < size) return Status::kNeedMore;
  message = SyncMessage{};
  message.command = static_cast<SyncCommand>(p[0]);
  switch (message.command) {
    case SyncCommand::SetKey:
      message.track = readU32(p + 1);
      message.row = readU32(p + 5);
      message.value = std::bit_cast<float>(readU32(p + 9));
      message.interpolation = p[13];
      if (!std::isfinite(message.value)) {
        return fail("the value of the key at row " + std::to_string(message.row) + " of track " +
                    std::to_string(message.track) + " is not a finite number");
      }
      if (message.interpolation > 3) {
        return fail("unknown interpolation " + std::to_string(message.interpolation) +
                    " of the key at row " + std::to_string(message.row));
      }
      break;
    case SyncCommand::DeleteKey:
      message.track = readU32(p + 1);
      message.row = readU32(p + 5);
      break;
    case SyncCommand::SetRow:
      message.row = readU32(p + 1);
      break;
    case SyncCommand::Pause:
      message.paused = p[1] != 0;
      break;
    case SyncCommand::SaveTracks:
    case SyncCommand::GetTrack:
      break;
  }
  if (message.row > SyncProtocol::kMaxRow) {
    return fail("row " + std::to_string(message.row) + " is past the last row " +
                std::to_string(SyncProtocol::kMaxRow));
  }
  m_read += size;
  return Status::kMessage;
}
