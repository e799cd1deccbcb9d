#include "base/string_c.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <new>
#include <vector>

#include "base/file_tools.h"
#include "base/report.h"

namespace {

constexpr const char* kCaption = "StringC";

char lowerChar(char c) {
  return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return lowerChar(x) == lowerChar(y);
         });
}

std::string lowered(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    c = lowerChar(c);
  return out;
}

char* duplicate(const char* text) {
  const std::size_t length = std::strlen(text);
  char* copy = new (std::nothrow) char[length + 1];
  if (copy) std::memcpy(copy, text, length + 1);
  return copy;
}

bool isSeparator(char c) {
  return c == '/' || c == '\\';
}

}  // namespace

StringC::StringC(const char* text) {
  if (text) m_pString = duplicate(text);
}

StringC::StringC(std::string_view text) {
  m_pString = new char[text.size() + 1];
  std::memcpy(m_pString, text.data(), text.size());
  m_pString[text.size()] = '\0';
}

StringC::StringC(const StringC& other) {
  *this = other;
}

StringC::StringC(StringC&& other) noexcept
    : m_pString(other.m_pString), m_caseSensitive(other.m_caseSensitive) {
  other.m_pString = nullptr;
}

StringC::~StringC() {
  clear();
}

void StringC::clear() {
  delete[] m_pString;
  m_pString = nullptr;
}

void StringC::assignText(const char* text, const char* allocFailText) {
  char* copy = duplicate(text);
  clear();
  if (!copy) {
    report(kCaption, allocFailText);
    return;
  }
  m_pString = copy;
}

StringC& StringC::operator=(const StringC& other) {
  if (!other.m_pString) {
    report(kCaption, "making NULL copy");
    return *this;
  }
  if (this == &other) return *this;
  assignText(other.m_pString, "= (StringC): can t allocate mem");
  m_caseSensitive = other.m_caseSensitive;
  return *this;
}

StringC& StringC::operator=(StringC&& other) noexcept {
  if (!other.m_pString) {
    report(kCaption, "making NULL copy");
    return *this;
  }
  if (this == &other) return *this;
  clear();
  m_pString = other.m_pString;
  m_caseSensitive = other.m_caseSensitive;
  other.m_pString = nullptr;
  return *this;
}

StringC& StringC::operator=(const char* text) {
  if (!text) {
    report(kCaption, "=: name NULL");
    return *this;
  }
  if (text == m_pString) return *this;
  assignText(text, "= (char): can t allocate mem");
  return *this;
}

StringC StringC::operator+(const StringC& right) const {
  if (!m_pString) {
    report(kCaption, "+: src1 name NULL");
    return StringC();
  }
  if (!right.m_pString) {
    report(kCaption, "+: src2 name NULL");
    return StringC();
  }
  std::string joined(m_pString);
  joined += right.m_pString;
  StringC out(std::string_view{joined});
  out.m_caseSensitive = m_caseSensitive;
  return out;
}

StringC& StringC::operator+=(const StringC& other) {
  *this = *this + other;
  return *this;
}

StringC& StringC::operator+=(const char* text) {
  return *this += StringC(text);
}

bool StringC::operator==(const StringC& other) const {
  return *this == other.m_pString;
}

bool StringC::operator==(const char* text) const {
  if (!m_pString) {
    report(kCaption, "==: src1 name NULL");
    return false;
  }
  if (!text) {
    report(kCaption, "==: src2 name NULL");
    return false;
  }
  if (m_caseSensitive == 0) return equalsIgnoringCase(m_pString, text);
  return std::strcmp(m_pString, text) == 0;
}

bool StringC::isIn(const StringC& other) const {
  if (!m_pString || !other.m_pString) return false;
  if (m_caseSensitive == 0) {
    return lowered(other.m_pString).find(lowered(m_pString)) != std::string::npos;
  }
  return std::strstr(other.m_pString, m_pString) != nullptr;
}

void StringC::toLower() {
  if (!m_pString) return;
  for (char* p = m_pString; *p; ++p)
    *p = lowerChar(*p);
}

bool StringC::getCurrentDirectory() {
  std::error_code ec;
  std::string dir = std::filesystem::current_path(ec).string();
  if (ec) {
    report(kCaption, "can t getCurrentDirectory !");
    return false;
  }
  if (dir.empty() || dir.back() != '/') dir += '/';
  *this = dir.c_str();
  return true;
}

void StringC::splitPath(StringC& dirOut, StringC& fileOut) const {
  const std::string_view text = view();
  std::size_t cut = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (isSeparator(text[i]) || (i == 1 && text[1] == ':')) cut = i + 1;
  }
  dirOut = StringC(text.substr(0, cut)).getString();
  fileOut = StringC(text.substr(cut)).getString();
}

void StringC::keepFileName() {
  StringC dir, file;
  splitPath(dir, file);
  std::string_view name = file.view();
  if (const std::size_t dot = name.rfind('.'); dot != std::string_view::npos) {
    name = name.substr(0, dot);
  }
  *this = StringC(name).getString();
}

namespace {

// What one findFile may still read.
struct SearchBudget {
  int folders = kMaxFindFileFolders;
  std::size_t entries = kMaxFindFileEntries;
};

// Depth-first search of `file` in `dir` and below; `dir` ends with a separator. Each folder is
// listed once: its entries give the match that ignores case and the folders to go down into.
bool findFileIn(const std::string& dir, const std::string& file, std::string& found, int depth,
                SearchBudget& budget) {
  // Directory cycles through links would recurse forever: no show nests its data this deep. A
  // show's tree holds a few dozen folders.
  constexpr int kMaxDepth = 64;
  if (depth > kMaxDepth || budget.folders <= 0 || budget.entries == 0) return false;
  --budget.folders;
  if (std::error_code ec; std::filesystem::is_regular_file(dir + file, ec)) {
    found = dir + file;
    return true;
  }
  const std::vector<FileTools::DirectoryEntry> entries =
      FileTools::listEntries(dir, budget.entries);
  budget.entries -= entries.size();
  const auto sameIgnoringCase = [&file](const std::string& name) {
    return std::equal(name.begin(), name.end(), file.begin(), file.end(), [](char a, char b) {
      return std::tolower(static_cast<unsigned char>(a)) ==
             std::tolower(static_cast<unsigned char>(b));
    });
  };
  for (const FileTools::DirectoryEntry& entry : entries) {
    if (!entry.isDirectory && sameIgnoringCase(entry.name)) {
      found = dir + entry.name;
      return true;
    }
  }
  for (const FileTools::DirectoryEntry& entry : entries) {
    if (entry.isDirectory && findFileIn(dir + entry.name + "/", file, found, depth + 1, budget)) {
      return true;
    }
  }
  return false;
}

}  // namespace

bool StringC::findFile() {
  if (!m_pString) return false;
  StringC dir, file;
  splitPath(dir, file);
  std::string dirPath = FileTools::normalizeSeparators(dir.view());
  if (dirPath.empty()) {
    StringC current;
    if (!FileTools::getCurrentDirectory(current)) return false;
    dirPath = current.view();
  } else if (auto resolved = FileTools::resolveExisting(dirPath)) {
    dirPath = *resolved;
    if (dirPath.back() != '/') dirPath += '/';
  }
  std::string found;
  if (file.isEmpty() || file.view().empty()) return false;
  SearchBudget budget;
  if (!findFileIn(dirPath, std::string(file.view()), found, 0, budget)) return false;
  *this = found.c_str();
  return true;
}

int StringC::tokenize(StringC* array, int max) const {
  if (!m_pString || !array || max <= 0) return 0;
  const std::string_view text = m_pString;
  auto separator = [](char c) { return c == ' ' || c == ',' || c == '\t' || c == '\n'; };
  int count = 0;
  std::size_t pos = 0;
  while (count < max) {
    while (pos < text.size() && separator(text[pos]))
      ++pos;
    if (pos >= text.size()) break;
    std::size_t end = pos;
    while (end < text.size() && !separator(text[end]))
      ++end;
    array[count++] = StringC(text.substr(pos, end - pos)).getString();
    pos = end;
  }
  return count;
}

StringC StringC::getToken(int n) const {
  if (n < 0) return StringC("NULL");
  // Every token a line can hold: a token takes at least two characters with its separator.
  const int capacity = static_cast<int>(view().size() / 2 + 1);
  std::vector<StringC> tokens(static_cast<std::size_t>(capacity));
  const int count = n < capacity ? tokenize(tokens.data(), capacity) : 0;
  if (n < count) return std::move(tokens[static_cast<std::size_t>(n)]);
  // Past the last token: the copy of the empty token is reported, as every copy of one is.
  const StringC none;
  StringC copy(none);
  return copy;
}

void StringC::showMessage() const {
  report("StringC:", view(), ReportLevel::Plain);
}
