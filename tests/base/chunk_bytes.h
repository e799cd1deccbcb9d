#pragma once
// Builders for chunk files written by hand in the tests: little-endian fields, chunks whose length
// is worked out (or given, so that it can lie) and whole plain files.

#include <bit>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string_view>
#include <vector>

#include "base/chunk_file.h"

namespace chunk_bytes {

using Bytes = std::vector<std::uint8_t>;

inline Bytes le(std::uint64_t value, int size) {
  Bytes out;
  for (int i = 0; i < size; ++i)
    out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
  return out;
}

inline Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

inline Bytes intField(int32_t value) {
  return le(static_cast<uint32_t>(value), 4);
}
inline Bytes floatField(float value) {
  return le(std::bit_cast<std::uint32_t>(value), 4);
}
inline Bytes stringField(std::string_view text) {
  return Bytes(text.begin(), text.end()) + Bytes{0};
}

// A chunk whose stated length is `length`, true or not.
inline Bytes rawChunk(std::uint16_t id, std::uint32_t length, const Bytes& payload = {}) {
  return le(id, 2) + le(length, 4) + payload;
}
// A chunk holding `parts` one after the other, with its true length.
inline Bytes chunk(std::uint16_t id, std::initializer_list<Bytes> parts) {
  Bytes body;
  for (const Bytes& part : parts)
    body = body + part;
  return rawChunk(id, static_cast<std::uint32_t>(body.size() + ChunkFile::kHeaderSize), body);
}

inline Bytes plainFile(const Bytes& chunks) {
  // Sized first: GCC 12 at -O3 warns falsely about inserting into a one-byte vector.
  Bytes out(chunks.size() + 1);
  out[0] = ChunkFile::kPlain;
  std::copy(chunks.begin(), chunks.end(), out.begin() + 1);
  return out;
}

inline Bytes readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

}  // namespace chunk_bytes
