#pragma once
// Reads the fields of a text line like scanf with "%s", "%d" and "%f": each field skips blanks,
// a word runs to the next blank, a number takes the longest prefix that parses. The first field
// that cannot be read stops the reading: it and every later field report false and leave their
// targets unchanged, so defaults set beforehand stay.

#include <cstdint>
#include <string>
#include <string_view>

class ScanLine {
 public:
  explicit ScanLine(std::string_view line) : m_line(line) {}

  // "%s"
  bool word(std::string& out);
  // "%d": decimal with optional sign; values beyond 32 bits are clamped.
  bool integer(std::int32_t& out);
  // "%f": decimal or exponent form, "inf", "nan".
  bool real(float& out);
  // Skips a "%s" field.
  bool skip();

  // Number of fields read so far.
  int count() const { return m_nbRead; }
  bool failed() const { return m_failed; }

 private:
  bool skipBlanks();

  std::string_view m_line;
  std::size_t m_pos = 0;
  int m_nbRead = 0;
  bool m_failed = false;
};
