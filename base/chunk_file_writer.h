#pragma once
// Writes a chunk file. Chunks go to a temporary file (the file name + "_tmp") as they are
// written; each chunk's length is patched in when it ends. Closing the manager writes the final
// file, with its flag byte (and, packed, the unpacked size and bzip2 stream), in one pass and
// deletes the temporary file.
//
//   ChunkFileWriterManager manager("scene.l3x", ChunkFile::kPacked);
//   ChunkFileWriter root(&manager);
//   root.beginChunk(1);
//   ...fields and child chunks...
//   root.endChunk();
//   manager.close();  // or let the destructor do it

#include <cstdint>
#include <cstdio>

#include "base/string_c.h"

class ChunkFileWriterManager {
 public:
  // Opens fileName + "_tmp" for writing; reported when it cannot be opened.
  ChunkFileWriterManager(const StringC& fileName, std::uint8_t packingFlag);
  // Closes (see close).
  ~ChunkFileWriterManager();
  ChunkFileWriterManager(const ChunkFileWriterManager&) = delete;
  ChunkFileWriterManager& operator=(const ChunkFileWriterManager&) = delete;

  // Produces the final file from the temporary one and deletes the temporary file. Does nothing
  // when the temporary file is not open (never opened, or already closed).
  void close();

  bool isOpen() const { return m_pTempFile != nullptr; }
  // Bytes written so far to the temporary file.
  std::uint32_t getOffset() const { return m_offset; }
  const StringC& getFileName() const { return m_fileName; }

  // Appends bytes to the temporary file and counts them.
  void write(const void* pBytes, std::size_t count);
  // Patches a chunk's length: writes `length` at `position` and returns to where the file was.
  void patchLength(std::uint32_t position, std::uint32_t length);

 private:
  StringC m_fileName;
  std::uint8_t m_packingFlag;
  std::FILE* m_pTempFile = nullptr;
  std::uint32_t m_offset = 0;
};

// One chunk being written. Made without a manager (reported), every operation does nothing.
class ChunkFileWriter {
 public:
  explicit ChunkFileWriter(ChunkFileWriterManager* pManager);

  // Writes the header with a provisional length; the chunk starts at the manager's offset.
  void beginChunk(std::uint16_t identifier);
  // The chunk's length is now known: patched into its header.
  void endChunk();

  void writeByte(std::uint8_t value);
  void writeWord(std::uint16_t value);
  void writeInt(std::uint32_t value);
  void writeInt(std::int32_t value);
  void writeFloat(float value);
  // Characters and a zero byte. A string without text is reported and written as a zero byte.
  void writeString(const StringC& text);
  void writePoint3(float x, float y, float z);
  // Rows 0 to 3, the first three elements of each; the fourth column is not stored.
  void writeMatrix(const float (&matrix)[4][4]);
  // Stored as angle, x, y, z.
  void writeAngleAxis(float x, float y, float z, float angle);

  // A whole chunk holding one field, through this writer.
  void writeByteChunk(std::uint16_t identifier, std::uint8_t value) {
    beginChunk(identifier);
    writeByte(value);
    endChunk();
  }
  void writeIntChunk(std::uint16_t identifier, std::int32_t value) {
    beginChunk(identifier);
    writeInt(value);
    endChunk();
  }
  void writeFloatChunk(std::uint16_t identifier, float value) {
    beginChunk(identifier);
    writeFloat(value);
    endChunk();
  }
  void writeStringChunk(std::uint16_t identifier, const StringC& text) {
    beginChunk(identifier);
    writeString(text);
    endChunk();
  }

  std::uint16_t getIdentifier() const { return m_identifier; }
  std::uint32_t getLength() const { return m_length; }
  std::uint32_t getStartOffset() const { return m_startOffset; }

 private:
  ChunkFileWriterManager* m_pManager;
  std::uint16_t m_identifier = 0;
  std::uint32_t m_length = 2;
  std::uint32_t m_startOffset = 0;
};
