#include "base/scan_line.h"

#include <cctype>
#include <charconv>
#include <cstdlib>
#include <limits>

namespace {

bool isBlank(char c) {
  return std::isspace(static_cast<unsigned char>(c)) != 0;
}
bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

}  // namespace

bool ScanLine::skipBlanks() {
  while (m_pos < m_line.size() && isBlank(m_line[m_pos]))
    ++m_pos;
  return m_pos < m_line.size();
}

bool ScanLine::word(std::string& out) {
  if (m_failed || !skipBlanks()) return m_failed = true, false;
  const std::size_t begin = m_pos;
  while (m_pos < m_line.size() && !isBlank(m_line[m_pos]))
    ++m_pos;
  out.assign(m_line.substr(begin, m_pos - begin));
  ++m_nbRead;
  return true;
}

bool ScanLine::skip() {
  std::string ignored;
  return word(ignored);
}

bool ScanLine::integer(std::int32_t& out) {
  if (m_failed || !skipBlanks()) return m_failed = true, false;
  std::size_t pos = m_pos;
  bool negative = false;
  if (m_line[pos] == '+' || m_line[pos] == '-') negative = m_line[pos++] == '-';
  if (pos >= m_line.size() || !isDigit(m_line[pos])) return m_failed = true, false;
  // Accumulate with a clamp: a number too long for 32 bits gives the nearest 32-bit value.
  std::int64_t value = 0;
  constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
  while (pos < m_line.size() && isDigit(m_line[pos])) {
    value = value * 10 + (m_line[pos++] - '0');
    if (value > kLimit) value = kLimit;
  }
  if (negative) value = -value;
  if (value > std::numeric_limits<std::int32_t>::max()) {
    value = std::numeric_limits<std::int32_t>::max();
  }
  out = static_cast<std::int32_t>(value);
  m_pos = pos;
  ++m_nbRead;
  return true;
}

bool ScanLine::real(float& out) {
  if (m_failed || !skipBlanks()) return m_failed = true, false;
  std::size_t pos = m_pos;
  bool negative = false;
  if (m_line[pos] == '+' || m_line[pos] == '-') negative = m_line[pos++] == '-';
  if (pos < m_line.size() && (m_line[pos] == '+' || m_line[pos] == '-')) {
    return m_failed = true, false;
  }
  const char* begin = m_line.data() + pos;
  const char* end = m_line.data() + m_line.size();
  float value = 0.0f;
  const auto [stop, error] = std::from_chars(begin, end, value, std::chars_format::general);
  if (stop == begin) return m_failed = true, false;
  if (error == std::errc::result_out_of_range) {
    // Too large: the infinity a C reader gives; too small: zero.
    const bool huge = std::abs(std::strtod(std::string(begin, stop).c_str(), nullptr)) > 1.0;
    value = huge ? std::numeric_limits<float>::infinity() : 0.0f;
  }
  out = negative ? -value : value;
  m_pos = static_cast<std::size_t>(stop - m_line.data());
  ++m_nbRead;
  return true;
}
