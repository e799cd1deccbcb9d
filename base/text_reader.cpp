#include "base/text_reader.h"

#include <cctype>
#include <cstring>

#include "base/file_tools.h"

TextLineReader::~TextLineReader() {
  close();
}

bool TextLineReader::open(std::string_view path) {
  close();
  const std::optional<std::string> resolved = FileTools::resolveExisting(path);
  if (!resolved || FileTools::isDirectory(*resolved)) return false;
  m_pFile = std::fopen(resolved->c_str(), "rb");
  return m_pFile != nullptr;
}

void TextLineReader::close() {
  if (m_pFile) std::fclose(m_pFile);
  m_pFile = nullptr;
}

bool TextLineReader::readLine(std::string& line) {
  line.clear();
  if (!m_pFile) return false;
  char buffer[kMaxLineLength + 1];
  std::memset(buffer, 0, sizeof buffer);
  if (!std::fgets(buffer, sizeof buffer, m_pFile)) return false;
  // A zero byte ends the text as far as every reader of the line is concerned.
  std::size_t length = std::strlen(buffer);
  if (length > 0 && buffer[length - 1] == '\n') --length;
  if (length > 0 && buffer[length - 1] == '\r') --length;
  line.assign(buffer, length);
  return true;
}

std::string_view firstWord(std::string_view line) {
  auto blank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
  std::size_t begin = 0;
  while (begin < line.size() && blank(line[begin]))
    ++begin;
  std::size_t end = begin;
  while (end < line.size() && !blank(line[end]))
    ++end;
  return line.substr(begin, end - begin);
}
