#pragma once
// Reads the sections of a script file one after another: each search starts where the previous
// section ended, so sections must stand in their reading order.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/text_reader.h"

// One section: its tags, the first word of the lines it keeps and its line limit.
struct ScriptSection {
  const char* startTag;
  const char* endTag;
  const char* keyword;
  int limit;
  const char* limitMessage;
};

class ScriptReader {
 public:
  bool open(std::string_view path) { return m_file.open(path); }
  void close() { m_file.close(); }

  // The next line whose first word is `key` (a tag or a MUSIC key). After 10000 lines every
  // further line read is reported as a probable endless search; at the end of the file the
  // missing key is reported once and nothing is returned.
  std::optional<std::string> find(std::string_view key);

  // The kept lines of the next section. A section that reaches its limit is reported and
  // dropped whole; a section that is never found, or never ended, is reported once.
  std::vector<std::string> readSection(const ScriptSection& section);

 private:
  void reportEndOfFile(std::string_view awaited);

  TextLineReader m_file;
  bool m_atEnd = false;
};
