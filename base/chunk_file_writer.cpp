#include "base/chunk_file_writer.h"

#include <bzlib.h>

#include <bit>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "base/chunk_file.h"
#include "base/file_tools.h"
#include "base/report.h"

namespace {

constexpr const char* kManagerCaption = "ChunkFileWriterManager: ";
constexpr const char* kWriterCaption = "ChunkFileWriter: ";

void putWord(std::uint8_t* pOut, std::uint16_t value) {
  pOut[0] = static_cast<std::uint8_t>(value);
  pOut[1] = static_cast<std::uint8_t>(value >> 8);
}

void putInt(std::uint8_t* pOut, std::uint32_t value) {
  for (int i = 0; i < 4; ++i)
    pOut[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::string fileText(const StringC& fileName) {
  return std::string(fileName.view());
}

// The whole temporary file, or nothing when it cannot be read back.
bool readWhole(std::FILE* pFile, std::vector<std::uint8_t>& data) {
  if (std::fseek(pFile, 0, SEEK_END) != 0) return false;
  const long size = std::ftell(pFile);
  if (size < 0 || std::fseek(pFile, 0, SEEK_SET) != 0) return false;
  data.resize(static_cast<std::size_t>(size));
  return std::fread(data.data(), 1, data.size(), pFile) == data.size();
}

// flag, size, bzip2 stream. The output buffer has bzip2's documented worst case (1 % more than
// the input plus 600 bytes), so data that does not pack still gives a complete stream and the
// size always agrees with the stream. Nothing when the compressor fails.
bool pack(const std::vector<std::uint8_t>& data, std::uint8_t flag,
          std::vector<std::uint8_t>& out) {
  if (data.size() > std::numeric_limits<unsigned int>::max() / 2) return false;
  const auto size = static_cast<unsigned int>(data.size());
  unsigned int packedSize = size + size / 100 + 600;
  out.assign(ChunkFile::kPackedPrefixSize + packedSize, 0);
  out[0] = flag;
  putInt(out.data() + 1, size);
  // The compressor takes non-const pointers but does not write to its source.
  char* pSource = const_cast<char*>(reinterpret_cast<const char*>(data.data()));
  const int result = BZ2_bzBuffToBuffCompress(
      reinterpret_cast<char*>(out.data() + ChunkFile::kPackedPrefixSize), &packedSize, pSource,
      size, ChunkFile::kBzBlockSize100k, 0, ChunkFile::kBzWorkFactor);
  if (result != BZ_OK) return false;
  out.resize(ChunkFile::kPackedPrefixSize + packedSize);
  return true;
}

}  // namespace

ChunkFileWriterManager::ChunkFileWriterManager(const StringC& fileName, std::uint8_t packingFlag)
    : m_packingFlag(packingFlag) {
  if (!fileName.isEmpty()) m_fileName = fileName;  // copying no text would be reported
  const std::string tempName = FileTools::normalizeSeparators(fileName.view()) + "_tmp";
  // A name without text would leave a stray "_tmp" behind and no file to write to.
  if (!fileName.view().empty()) m_pTempFile = std::fopen(tempName.c_str(), "w+b");
  if (!m_pTempFile) {
    report(kManagerCaption, "can't open file for writing! fileName: " + fileText(fileName));
  }
}

ChunkFileWriterManager::~ChunkFileWriterManager() {
  close();
}

void ChunkFileWriterManager::write(const void* pBytes, std::size_t count) {
  if (!m_pTempFile) return;
  std::fwrite(pBytes, 1, count, m_pTempFile);
  m_offset += static_cast<std::uint32_t>(count);
}

void ChunkFileWriterManager::patchLength(std::uint32_t position, std::uint32_t length) {
  if (!m_pTempFile) return;
  const long current = std::ftell(m_pTempFile);
  if (current != static_cast<long>(m_offset)) {
    report(kManagerCaption, "blem ftell & manager offset");
  }
  std::uint8_t bytes[4];
  putInt(bytes, length);
  std::fseek(m_pTempFile, static_cast<long>(position), SEEK_SET);
  std::fwrite(bytes, 1, sizeof bytes, m_pTempFile);
  std::fseek(m_pTempFile, current, SEEK_SET);
}

void ChunkFileWriterManager::close() {
  if (!m_pTempFile) return;
  const std::string finalName = FileTools::normalizeSeparators(m_fileName.view());
  const std::string tempName = finalName + "_tmp";

  std::vector<std::uint8_t> data;
  const bool readBack = readWhole(m_pTempFile, data);
  std::fclose(m_pTempFile);
  m_pTempFile = nullptr;
  std::remove(tempName.c_str());
  if (!readBack) {
    report(kManagerCaption, "can't read back temporary file! fileName: " + tempName);
    return;
  }

  // The final file is composed in memory first, so its flag, size and stream always agree.
  std::vector<std::uint8_t> out;
  if (m_packingFlag != ChunkFile::kPlain && !pack(data, m_packingFlag, out)) {
    report(kManagerCaption, "can't pack data, written unpacked! fileName: " + finalName);
    m_packingFlag = ChunkFile::kPlain;
  }
  if (m_packingFlag == ChunkFile::kPlain) {
    out.assign(1, ChunkFile::kPlain);
    out.insert(out.end(), data.begin(), data.end());
  }

  std::FILE* pFinal = std::fopen(finalName.c_str(), "w+b");
  if (!pFinal) {
    report(kManagerCaption, "can't open file for writing! fileName: " + finalName);
    return;
  }
  const bool written = std::fwrite(out.data(), 1, out.size(), pFinal) == out.size();
  if (std::fclose(pFinal) != 0 || !written) {
    report(kManagerCaption, "can't write file! fileName: " + finalName);
  }
}

ChunkFileWriter::ChunkFileWriter(ChunkFileWriterManager* pManager) : m_pManager(pManager) {
  if (!m_pManager) report(kWriterCaption, "::ChunkFileWriter: pManager NULL !");
}

void ChunkFileWriter::beginChunk(std::uint16_t identifier) {
  if (!m_pManager) return;
  m_identifier = identifier;
  m_length = 2;
  m_startOffset = m_pManager->getOffset();
  writeWord(identifier);
  writeInt(m_length);
}

void ChunkFileWriter::endChunk() {
  if (!m_pManager) return;
  m_length = m_pManager->getOffset() - m_startOffset;
  m_pManager->patchLength(m_startOffset + 2, m_length);
}

void ChunkFileWriter::writeByte(std::uint8_t value) {
  if (m_pManager) m_pManager->write(&value, 1);
}

void ChunkFileWriter::writeWord(std::uint16_t value) {
  if (!m_pManager) return;
  std::uint8_t bytes[2];
  putWord(bytes, value);
  m_pManager->write(bytes, sizeof bytes);
}

void ChunkFileWriter::writeInt(std::uint32_t value) {
  if (!m_pManager) return;
  std::uint8_t bytes[4];
  putInt(bytes, value);
  m_pManager->write(bytes, sizeof bytes);
}

void ChunkFileWriter::writeInt(std::int32_t value) {
  writeInt(static_cast<std::uint32_t>(value));
}

void ChunkFileWriter::writeFloat(float value) {
  writeInt(std::bit_cast<std::uint32_t>(value));
}

void ChunkFileWriter::writeString(const StringC& text) {
  if (!m_pManager) return;
  if (text.isEmpty()) {
    report(kManagerCaption, "found NULL string");
    writeByte(0);
    return;
  }
  const std::string_view view = text.view();
  m_pManager->write(view.data(), view.size());
  writeByte(0);
}

void ChunkFileWriter::writePoint3(float x, float y, float z) {
  writeFloat(x);
  writeFloat(y);
  writeFloat(z);
}

void ChunkFileWriter::writeMatrix(const float (&matrix)[4][4]) {
  for (const auto& row : matrix) {
    for (int column = 0; column < 3; ++column)
      writeFloat(row[column]);
  }
}

void ChunkFileWriter::writeAngleAxis(float x, float y, float z, float angle) {
  writeFloat(angle);
  writePoint3(x, y, z);
}
