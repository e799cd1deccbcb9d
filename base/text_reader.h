#pragma once
// Reads a text file the way a line reader with a 512-byte buffer does: a line gives at most 511
// characters, and the rest of a longer line comes back as the following line(s). The line end
// and a CR before it are dropped; a line stops at a zero byte as a C string would.

#include <cstdio>
#include <string>
#include <string_view>

class TextLineReader {
 public:
  static constexpr int kMaxLineLength = 511;

  TextLineReader() = default;
  ~TextLineReader();
  TextLineReader(const TextLineReader&) = delete;
  TextLineReader& operator=(const TextLineReader&) = delete;

  // Opens the file (resolving separators and case). False when it cannot be opened.
  bool open(std::string_view path);
  void close();
  bool isOpen() const { return m_pFile != nullptr; }
  // Next line into `line`; false at the end of the file.
  bool readLine(std::string& line);

 private:
  std::FILE* m_pFile = nullptr;
};

// The first run of non-blank characters of a line ("" when the line is blank).
std::string_view firstWord(std::string_view line);
