#pragma once
// The chunk container shared by the binary data files: one flag byte (0 = the chunk data as is,
// anything else = a 4-byte unpacked size and one bzip2 stream), then a tree of chunks, each a
// 16-bit identifier, a 32-bit length that counts its own 6 header bytes, its fields and its
// children. Little-endian throughout, no padding, no end marker.

#include <cstddef>
#include <cstdint>

namespace ChunkFile {

// Packing flags as the writer takes them; a reader treats every non-zero flag as packed.
constexpr std::uint8_t kPlain = 0;
constexpr std::uint8_t kPacked = 1;

// Identifier (2 bytes) and length (4 bytes).
constexpr std::uint32_t kHeaderSize = 6;
// Flag byte and unpacked size in front of a bzip2 stream.
constexpr std::size_t kPackedPrefixSize = 5;
// A string field is at most this many bytes, its terminator included.
constexpr std::size_t kMaxStringBytes = 256;

// bzip2 settings of the packed form: 100 k blocks, work factor 30, silent.
constexpr int kBzBlockSize100k = 1;
constexpr int kBzWorkFactor = 30;

// The largest chunk data (file or unpacked) a reader accepts. The show's files are far below it;
// it keeps a lying size from asking for gigabytes.
constexpr std::size_t kMaxDataSize = std::size_t{256} << 20;
// A stored unpacked size may exceed the packed bytes by this factor (plus kPackSlack) at most.
// Real data packs a few times smaller; only long runs of one byte pack better than this.
constexpr std::size_t kMaxPackRatio = 4096;
constexpr std::size_t kPackSlack = std::size_t{1} << 20;
static_assert(kMaxDataSize <= 0xFFFFFFFFu, "offsets in the chunk data are 32-bit");
static_assert(kPackSlack <= kMaxDataSize);

}  // namespace ChunkFile
