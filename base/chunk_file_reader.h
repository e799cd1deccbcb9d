#pragma once
// Reads a chunk file. The manager loads the whole file (unpacking it when packed) into memory;
// a ChunkFileReader is one chunk of it, read field by field, with its children visited in turn.
//
//   ChunkFileReaderManager manager("scene.l3x");
//   ChunkFileReader root(&manager);
//   ChunkFileReader child;
//   while (root.nextChild(child)) { switch (child.getIdentifier()) ... }
//   if (manager.hasFailed()) ...drop what was loaded...
//
// Every read is bounded by the chunk it is made on, and every chunk by its parent and the data.
// The first broken thing (a file that cannot be loaded, a chunk header that does not fit, a field
// read past its chunk) is reported once; the manager has then failed: reads give zeros and empty
// strings and nextChild gives false, so a format's load runs out and can be dropped.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "base/string_c.h"

class ChunkFileReaderManager {
 public:
  // Reads the file whole (resolving separators and case) and unpacks it when packed.
  explicit ChunkFileReaderManager(const StringC& fileName);
  // The same from the bytes of a file already in memory; fileName only names it in reports.
  ChunkFileReaderManager(std::span<const std::uint8_t> fileBytes, const StringC& fileName);
  ChunkFileReaderManager(const ChunkFileReaderManager&) = delete;
  ChunkFileReaderManager& operator=(const ChunkFileReaderManager&) = delete;

  // True once the file could not be loaded or a chunk turned out broken.
  bool hasFailed() const { return m_failed; }
  const StringC& getFileName() const { return m_fileName; }
  // The unpacked chunk data.
  std::span<const std::uint8_t> getData() const { return {m_pData.get(), m_dataSize}; }
  std::size_t getDataSize() const { return m_dataSize; }
  std::uint32_t getOffset() const { return m_offset; }
  void setOffset(std::uint32_t offset) { m_offset = offset; }

  // Copies count bytes at the offset and advances, when [offset, offset + count) lies inside
  // [begin, end); otherwise fails the load (reported once) and leaves pOut untouched.
  bool read(void* pOut, std::size_t count, std::uint64_t begin, std::uint64_t end);
  // Fails the load: reported once under the manager's caption, later failures are not.
  void fail(std::string_view text);

 private:
  void load(std::span<const std::uint8_t> fileBytes);
  void unpack(std::span<const std::uint8_t> fileBytes);

  StringC m_fileName;
  // Not a vector: a packed file's buffer is allocated at its stated size, and left uninitialised
  // until the unpacker fills it, so a lie costs no more than address space.
  std::unique_ptr<std::uint8_t[]> m_pData;
  std::size_t m_dataSize = 0;
  std::uint32_t m_offset = 0;
  bool m_failed = false;
};

// One chunk being read: its header, and where its next child begins.
class ChunkFileReader {
 public:
  // Not attached to any data until nextChild fills it.
  ChunkFileReader() = default;
  // Reads the chunk header at the manager's offset (the top chunk at offset 0).
  explicit ChunkFileReader(ChunkFileReaderManager* pManager);

  // Fills child with the next child chunk; false after the last one (or on a broken chunk).
  // The next call resumes after the end of that child however much of it was read.
  bool nextChild(ChunkFileReader& child);

  std::uint8_t readByte();
  std::uint16_t readWord();
  std::int32_t readInt();
  std::uint32_t readUnsignedInt();
  // The 4 bytes of an int field taken as a float, bit for bit.
  float readFloat();
  // Up to the zero byte, at most 256 bytes consumed and 255 characters kept.
  StringC readString();
  void readPoint3(float& x, float& y, float& z);
  // Rows 0 to 3 of three elements each; the fourth column becomes (0, 0, 0, 1).
  void readMatrix(float (&matrix)[4][4]);
  // Stored as angle, x, y, z.
  void readAngleAxis(float& x, float& y, float& z, float& angle);

  std::uint16_t getIdentifier() const { return m_identifier; }
  std::uint32_t getLength() const { return m_length; }
  std::uint32_t getStartOffset() const { return m_startOffset; }
  std::uint64_t getEndOffset() const { return std::uint64_t{m_startOffset} + m_length; }

 private:
  // Reads a header at the manager's offset for a chunk that must end by `limit`.
  bool readHeader(ChunkFileReaderManager* pManager, std::uint64_t limit);
  bool readField(void* pOut, std::size_t count);

  ChunkFileReaderManager* m_pManager = nullptr;
  std::uint16_t m_identifier = 0;
  std::uint32_t m_length = 0;
  std::uint32_t m_startOffset = 0;
  std::uint32_t m_nextChildOffset = 0;
};
