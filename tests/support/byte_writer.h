#pragma once
// Appends integers to a byte vector in a given byte order, for tests that write files by hand.

#include <cstdint>
#include <vector>

namespace byte_writer {

inline void putLe16(std::vector<std::uint8_t>& bytes, std::uint32_t value) {
  bytes.push_back(static_cast<std::uint8_t>(value & 0xFFu));
  bytes.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFFu));
}

inline void putLe32(std::vector<std::uint8_t>& bytes, std::uint32_t value) {
  putLe16(bytes, value & 0xFFFFu);
  putLe16(bytes, value >> 16);
}

inline void putBe16(std::vector<std::uint8_t>& bytes, std::uint32_t value) {
  bytes.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFFu));
  bytes.push_back(static_cast<std::uint8_t>(value & 0xFFu));
}

}  // namespace byte_writer
