#include "base/chunk_file_reader.h"

#include <bzlib.h>

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>
#include <new>
#include <optional>
#include <string>

#include "base/chunk_file.h"
#include "base/file_tools.h"
#include "base/report.h"

namespace {

constexpr const char* kCaption = "ChunkFileReaderManager: ";

std::uint32_t getInt(const std::uint8_t* pBytes) {
  return static_cast<std::uint32_t>(pBytes[0]) | static_cast<std::uint32_t>(pBytes[1]) << 8 |
         static_cast<std::uint32_t>(pBytes[2]) << 16 | static_cast<std::uint32_t>(pBytes[3]) << 24;
}

std::uint16_t getWord(const std::uint8_t* pBytes) {
  return static_cast<std::uint16_t>(pBytes[0] | pBytes[1] << 8);
}

enum class FileStatus { Loaded, CantOpen, TooLarge };

// The whole file, refusing one larger than any chunk data the reader accepts.
FileStatus readFileBounded(const StringC& fileName, std::vector<std::uint8_t>& bytes) {
  const std::optional<std::string> path = FileTools::resolveExisting(fileName.view());
  if (!path || FileTools::isDirectory(*path)) return FileStatus::CantOpen;
  std::FILE* pFile = std::fopen(path->c_str(), "rb");
  if (!pFile) return FileStatus::CantOpen;
  FileStatus status = FileStatus::CantOpen;
  if (std::fseek(pFile, 0, SEEK_END) == 0) {
    const long size = std::ftell(pFile);
    if (size >= 0 &&
        static_cast<std::size_t>(size) > ChunkFile::kMaxDataSize + ChunkFile::kPackedPrefixSize) {
      status = FileStatus::TooLarge;
    } else if (size >= 0 && std::fseek(pFile, 0, SEEK_SET) == 0) {
      bytes.resize(static_cast<std::size_t>(size));
      if (std::fread(bytes.data(), 1, bytes.size(), pFile) == bytes.size()) {
        status = FileStatus::Loaded;
      }
    }
  }
  std::fclose(pFile);
  return status;
}

}  // namespace

ChunkFileReaderManager::ChunkFileReaderManager(const StringC& fileName) {
  if (!fileName.isEmpty()) m_fileName = fileName;  // copying no text would be reported
  std::vector<std::uint8_t> bytes;
  switch (readFileBounded(fileName, bytes)) {
    case FileStatus::Loaded:
      load(bytes);
      break;
    case FileStatus::CantOpen:
      fail("can't open file for reading!");
      break;
    case FileStatus::TooLarge:
      fail("file too large!");
      break;
  }
}

ChunkFileReaderManager::ChunkFileReaderManager(std::span<const std::uint8_t> fileBytes,
                                               const StringC& fileName) {
  if (!fileName.isEmpty()) m_fileName = fileName;
  if (fileBytes.size() > ChunkFile::kMaxDataSize + ChunkFile::kPackedPrefixSize) {
    fail("file too large!");
    return;
  }
  load(fileBytes);
}

void ChunkFileReaderManager::fail(std::string_view text) {
  if (m_failed) return;
  m_failed = true;
  std::string message(text);
  message += " fileName: ";
  message += m_fileName.view();
  report(kCaption, message);
}

void ChunkFileReaderManager::load(std::span<const std::uint8_t> fileBytes) {
  m_offset = 0;
  if (fileBytes.empty()) {
    fail("file too short!");
    return;
  }
  if (fileBytes[0] != ChunkFile::kPlain) {
    unpack(fileBytes);
    return;
  }
  m_pData.reset(new (std::nothrow) std::uint8_t[fileBytes.size() - 1]);
  if (!m_pData) {
    fail("not enough memory to load!");
    return;
  }
  m_dataSize = fileBytes.size() - 1;
  std::copy(fileBytes.begin() + 1, fileBytes.end(), m_pData.get());
}

void ChunkFileReaderManager::unpack(std::span<const std::uint8_t> fileBytes) {
  if (fileBytes.size() < ChunkFile::kPackedPrefixSize) {
    fail("file too short!");
    return;
  }
  const std::uint32_t size = getInt(fileBytes.data() + 1);
  if (size == 0) return;  // nothing packed: empty data

  // The stated size is checked before it is allocated: bzip2 packs real data a few times
  // smaller, so a size far beyond the packed bytes is a lie.
  const std::span<const std::uint8_t> stream = fileBytes.subspan(ChunkFile::kPackedPrefixSize);
  const std::size_t limit = std::min(
      ChunkFile::kMaxDataSize, ChunkFile::kPackSlack + ChunkFile::kMaxPackRatio * stream.size());
  if (size > limit) {
    fail("unpacked size too large!");
    return;
  }
  m_pData.reset(new (std::nothrow) std::uint8_t[size]);
  if (!m_pData) {
    fail("not enough memory to unpack!");
    return;
  }
  unsigned int unpackedSize = size;
  // The unpacker takes a non-const source but only reads it.
  char* pSource = const_cast<char*>(reinterpret_cast<const char*>(stream.data()));
  const int result =
      BZ2_bzBuffToBuffDecompress(reinterpret_cast<char*>(m_pData.get()), &unpackedSize, pSource,
                                 static_cast<unsigned int>(stream.size()), 0, 0);
  // A stream that holds less than the stated size is as broken as one that holds more.
  if (result != BZ_OK || unpackedSize != size) {
    m_pData.reset();
    fail("can't unpack file!");
    return;
  }
  m_dataSize = size;
}

bool ChunkFileReaderManager::read(void* pOut, std::size_t count, std::uint64_t begin,
                                  std::uint64_t end) {
  if (m_failed) return false;
  const std::uint64_t last = std::uint64_t{m_offset} + count;
  if (m_offset < begin || last > end || last > m_dataSize) {
    fail("read past the end of a chunk at offset " + std::to_string(m_offset) + "!");
    return false;
  }
  if (count > 0) std::memcpy(pOut, m_pData.get() + m_offset, count);
  m_offset = static_cast<std::uint32_t>(last);
  return true;
}

ChunkFileReader::ChunkFileReader(ChunkFileReaderManager* pManager) {
  if (pManager) readHeader(pManager, pManager->getDataSize());
}

bool ChunkFileReader::readHeader(ChunkFileReaderManager* pManager, std::uint64_t limit) {
  m_pManager = pManager;
  m_identifier = 0;
  m_length = 0;
  m_startOffset = pManager->getOffset();
  m_nextChildOffset = 0;
  if (pManager->hasFailed()) return false;

  const std::uint64_t start = m_startOffset;
  limit = std::min<std::uint64_t>(limit, pManager->getDataSize());
  const bool fits = start + ChunkFile::kHeaderSize <= limit;
  const std::uint8_t* pHeader = fits ? pManager->getData().data() + start : nullptr;
  const std::uint32_t length = fits ? getInt(pHeader + 2) : 0;
  // A length below the header's own size would make the next child start where this one does.
  if (!fits || length < ChunkFile::kHeaderSize || start + length > limit) {
    pManager->fail("broken chunk at offset " + std::to_string(start) + "!");
    return false;
  }
  m_identifier = getWord(pHeader);
  m_length = length;
  pManager->setOffset(static_cast<std::uint32_t>(start + ChunkFile::kHeaderSize));
  return true;
}

bool ChunkFileReader::nextChild(ChunkFileReader& child) {
  if (!m_pManager || m_pManager->hasFailed()) return false;
  if (m_nextChildOffset != 0) m_pManager->setOffset(m_nextChildOffset);
  const std::uint32_t position = m_pManager->getOffset();
  if (position < m_startOffset || position - m_startOffset >= m_length) return false;
  if (!child.readHeader(m_pManager, getEndOffset())) return false;
  m_nextChildOffset = position + child.m_length;
  return true;
}

bool ChunkFileReader::readField(void* pOut, std::size_t count) {
  return m_pManager &&
         m_pManager->read(pOut, count, m_startOffset + ChunkFile::kHeaderSize, getEndOffset());
}

std::uint8_t ChunkFileReader::readByte() {
  std::uint8_t value = 0;
  readField(&value, 1);
  return value;
}

std::uint16_t ChunkFileReader::readWord() {
  std::uint8_t bytes[2] = {};
  readField(bytes, sizeof bytes);
  return getWord(bytes);
}

std::uint32_t ChunkFileReader::readUnsignedInt() {
  std::uint8_t bytes[4] = {};
  readField(bytes, sizeof bytes);
  return getInt(bytes);
}

std::int32_t ChunkFileReader::readInt() {
  return static_cast<std::int32_t>(readUnsignedInt());
}

float ChunkFileReader::readFloat() {
  return std::bit_cast<float>(readUnsignedInt());
}

StringC ChunkFileReader::readString() {
  if (!m_pManager || m_pManager->hasFailed()) return StringC("");
  const std::uint64_t position = m_pManager->getOffset();
  const std::uint64_t end = std::min<std::uint64_t>(getEndOffset(), m_pManager->getDataSize());
  const std::uint64_t available = position < end ? end - position : 0;
  const std::size_t window =
      static_cast<std::size_t>(std::min<std::uint64_t>(available, ChunkFile::kMaxStringBytes));
  const std::uint8_t* pStart = m_pManager->getData().data() + (position < end ? position : 0);
  const std::uint8_t* pZero = std::find(pStart, pStart + window, std::uint8_t{0});

  // Up to and with the terminator; a field without one among 256 bytes is taken whole and
  // keeps 255 characters; one cut short by the chunk's end is broken.
  std::size_t consumed = static_cast<std::size_t>(pZero - pStart) + 1;
  if (pZero == pStart + window) consumed = ChunkFile::kMaxStringBytes;
  char area[ChunkFile::kMaxStringBytes] = {};
  if (!readField(area, consumed)) return StringC("");
  area[ChunkFile::kMaxStringBytes - 1] = '\0';
  return StringC(area);
}

void ChunkFileReader::readPoint3(float& x, float& y, float& z) {
  x = readFloat();
  y = readFloat();
  z = readFloat();
}

void ChunkFileReader::readMatrix(float (&matrix)[4][4]) {
  for (auto& row : matrix) {
    for (int column = 0; column < 3; ++column)
      row[column] = readFloat();
    row[3] = 0.0f;
  }
  matrix[3][3] = 1.0f;
}

void ChunkFileReader::readAngleAxis(float& x, float& y, float& z, float& angle) {
  angle = readFloat();
  readPoint3(x, y, z);
}
