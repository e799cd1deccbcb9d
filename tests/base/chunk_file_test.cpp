#include <bzlib.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/chunk_file.h"
#include "base/chunk_file_reader.h"
#include "base/chunk_file_writer.h"
#include "base/report.h"
#include "tests/base/chunk_bytes.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace chunk_bytes;

// A packed file made with the library directly: flag 1, the stated size, the stream.
Bytes packedFile(const Bytes& data, std::uint32_t statedSize) {
  std::vector<char> stream(data.size() + 600);
  auto size = static_cast<unsigned int>(stream.size());
  std::vector<char> source(data.begin(), data.end());
  EXPECT_EQ(BZ2_bzBuffToBuffCompress(stream.data(), &size, source.data(),
                                     static_cast<unsigned int>(source.size()), 1, 0, 30),
            BZ_OK);
  return Bytes{1} + le(statedSize, 4) + Bytes(stream.begin(), stream.begin() + size);
}

const float kMatrix[4][4] = {{0, 1, 2, 9}, {10, 11, 12, 9}, {20, 21, 22, 9}, {30, 31, 32, 9}};
const std::string kLongText(255, 'x');

// Every field kind, nesting, an empty chunk unknown to the reader and a child read only in part.
void writeSample(const std::string& path, std::uint8_t flag) {
  ChunkFileWriterManager manager(StringC(path.c_str()), flag);
  ChunkFileWriter root(&manager), child(&manager), grandChild(&manager);
  root.beginChunk(1);
  child.beginChunk(10);
  child.writeByte(255);
  child.writeWord(0x1234);
  child.writeInt(INT32_MIN);
  child.writeInt(0xFFFFFFFFu);
  child.writeFloat(-3.25f);
  child.endChunk();
  child.beginChunk(11);
  child.writeString(StringC(""));
  child.writeString(StringC(kLongText.c_str()));
  child.writePoint3(1.5f, -2.0f, 3.0f);
  child.writeMatrix(kMatrix);
  child.writeAngleAxis(0.25f, 0.5f, 0.75f, 1.0f);
  child.endChunk();
  child.beginChunk(99);
  child.endChunk();
  child.beginChunk(13);
  child.writeInt(42);
  grandChild.beginChunk(14);
  grandChild.writeInt(7);
  grandChild.writeInt(8);
  grandChild.endChunk();
  child.endChunk();
  root.endChunk();
}

// The chunk data of the sample: the matrix as rows of three, the angle before the axis.
Bytes sampleData() {
  Bytes matrix;
  for (const auto& row : kMatrix)
    matrix = matrix + floatField(row[0]) + floatField(row[1]) + floatField(row[2]);
  return chunk(
      1,
      {chunk(10, {Bytes{255, 0x34, 0x12}, intField(INT32_MIN), intField(-1), floatField(-3.25f)}),
       chunk(11, {stringField(""), stringField(kLongText), floatField(1.5f), floatField(-2.0f),
                  floatField(3.0f), matrix, floatField(1.0f), floatField(0.25f), floatField(0.5f),
                  floatField(0.75f)}),
       chunk(99, {}), chunk(13, {intField(42), chunk(14, {intField(7), intField(8)})})});
}

// Reads the sample back, checking every value; false when anything differs.
bool readSample(ChunkFileReaderManager& manager) {
  ChunkFileReader root(&manager), child, grandChild;
  bool ok = root.getIdentifier() == 1;
  int nbChild = 0;
  while (root.nextChild(child)) {
    ++nbChild;
    if (child.getIdentifier() == 10) {
      ok &= child.readByte() == 255 && child.readWord() == 0x1234 && child.readInt() == INT32_MIN;
      ok &= child.readUnsignedInt() == 0xFFFFFFFFu && child.readFloat() == -3.25f;
      ok &= !child.nextChild(grandChild);  // its own fields fill it
    } else if (child.getIdentifier() == 11) {
      ok &= child.readString() == "" && child.readString() == kLongText.c_str();
      float x = 0, y = 0, z = 0, angle = 0, matrix[4][4] = {};
      child.readPoint3(x, y, z);
      ok &= x == 1.5f && y == -2.0f && z == 3.0f;
      child.readMatrix(matrix);
      for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
          ok &= matrix[r][c] == (c < 3 ? kMatrix[r][c] : r == 3 ? 1.0f : 0.0f);
      child.readAngleAxis(x, y, z, angle);
      ok &= x == 0.25f && y == 0.5f && z == 0.75f && angle == 1.0f;
    } else if (child.getIdentifier() == 13) {
      ok &= child.readInt() == 42;
      ok &= child.nextChild(grandChild) && grandChild.getIdentifier() == 14;
      ok &= grandChild.readInt() == 7 && !child.nextChild(grandChild);  // 8 is left unread
    } else {
      ok &= child.getIdentifier() == 99;
    }
  }
  return ok && nbChild == 4 && !manager.hasFailed();
}

std::string readerLine(const std::string& text, const std::string& name) {
  return "ChunkFileReaderManager: |" + text + " fileName: " + name;
}

}  // namespace

TEST(ChunkFile, WritesTheLayoutAndReadsItBackPlainAndPacked) {
  TempDir dir;
  const Bytes data = sampleData();
  for (const std::uint8_t flag : {ChunkFile::kPlain, ChunkFile::kPacked, std::uint8_t{7}}) {
    SCOPED_TRACE(int{flag});
    ReportCapture capture;
    const std::string path = (dir.path() / ("sample" + std::to_string(flag))).string();
    writeSample(path, flag);
    // Packed: the size, then what the library makes of the data with block size 1, work factor 30.
    Bytes expected = flag == ChunkFile::kPlain
                         ? plainFile(data)
                         : packedFile(data, static_cast<std::uint32_t>(data.size()));
    expected[0] = flag;
    EXPECT_EQ(readFile(path), expected);
    ChunkFileReaderManager manager(StringC(path.c_str()));
    EXPECT_EQ(Bytes(manager.getData().begin(), manager.getData().end()), data);
    EXPECT_TRUE(readSample(manager));
    EXPECT_TRUE(capture.reports().empty());
  }
}

// The temporary file is there while writing, renamed at the end.
TEST(ChunkFile, ReportsOfTheWriter) {
  TempDir dir;
  ReportCapture capture;
  const std::string path = (dir.path() / "w.bin").string();
  {
    ChunkFileWriterManager manager(StringC(path.c_str()), ChunkFile::kPlain);
    ChunkFileWriter chunkWriter(&manager);
    chunkWriter.beginChunk(1);
    chunkWriter.writeString(StringC());
    chunkWriter.endChunk();
    EXPECT_TRUE(std::filesystem::exists(path + "_tmp"));
  }
  EXPECT_FALSE(std::filesystem::exists(path + "_tmp"));
  EXPECT_EQ(readFile(path), Bytes{0} + rawChunk(1, 7, {0}));
  const std::string missing = (dir.path() / "no" / "x.bin").string();
  { ChunkFileWriterManager manager(StringC(missing.c_str()), ChunkFile::kPacked); }
  dir.enter();
  { ChunkFileWriterManager unnamed{StringC(), ChunkFile::kPlain}; }
  EXPECT_FALSE(std::filesystem::exists("_tmp"));
  ChunkFileReaderManager reader(StringC(missing.c_str()));
  EXPECT_TRUE(reader.hasFailed());
  EXPECT_EQ(capture.lines(),
            (std::vector<std::string>{
                "ChunkFileWriterManager: |found NULL string",
                "ChunkFileWriterManager: |can't open file for writing! fileName: " + missing,
                "ChunkFileWriterManager: |can't open file for writing! fileName: ",
                readerLine("can't open file for reading!", missing)}));
  EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST(ChunkFileReader, BrokenFilesAreReportedOnceAndReadNothing) {
  const Bytes good = rawChunk(1, 22, rawChunk(2, 8, {1, 0}) + rawChunk(3, 8, {2, 0}));
  const struct {
    const char* what;
    Bytes file;
    std::string text;
  } kCases[] = {
      {"empty file", {}, "file too short!"},
      {"top past the end", Bytes{0} + rawChunk(1, 7), "broken chunk at offset 0!"},
      {"child past its parent", Bytes{0} + rawChunk(1, 12, rawChunk(2, 7)) + Bytes{0},
       "broken chunk at offset 6!"},
      // 1 byte left in the child, though 3 are left in the parent
      {"field past its chunk", Bytes{0} + rawChunk(1, 15, rawChunk(2, 7, {5}) + Bytes{9, 9}),
       "read past the end of a chunk at offset 12!"},
      {"size says more", packedFile(good, 23), "can't unpack file!"},
      {"size beyond any limit", packedFile(good, 0xFFFFFFFFu), "unpacked size too large!"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    ReportCapture capture;
    ChunkFileReaderManager manager(c.file, StringC("bad"));
    ChunkFileReader root(&manager), child;
    while (root.nextChild(child))
      child.readWord();
    EXPECT_EQ(root.readInt(), 0);
    EXPECT_TRUE(manager.hasFailed());
    EXPECT_EQ(capture.lines(), std::vector<std::string>{readerLine(c.text, "bad")});
  }
}
