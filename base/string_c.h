#pragma once
// StringC: the string of every name, file name and script word. It owns a zero-terminated copy
// of its text or holds none (the unset string), and carries its own case rule: rule 1 compares
// exactly, rule 0 ignores case in comparisons and searches.

#include <cstddef>
#include <string>
#include <string_view>

// The folders one findFile looks through at most, and the entries of those folders it reads at
// most (a name given with the root of the disk as its folder must not walk all of it).
inline constexpr int kMaxFindFileFolders = 512;
inline constexpr std::size_t kMaxFindFileEntries = 8192;

class StringC {
 public:
  StringC() = default;
  StringC(const char* text);  // NOLINT: implicit, as names are passed as literals everywhere
  explicit StringC(std::string_view text);
  StringC(const StringC& other);
  StringC(StringC&& other) noexcept;
  ~StringC();

  // Copies text and case rule. A source without text is reported ("making NULL copy") and the
  // target keeps what it had.
  StringC& operator=(const StringC& other);
  StringC& operator=(StringC&& other) noexcept;
  // Copies the text only; the target keeps its case rule. A null source is reported.
  StringC& operator=(const char* text);

  // Left then right; either side without text is reported and gives the empty string.
  StringC operator+(const StringC& right) const;
  StringC& operator+=(const StringC& other);
  StringC& operator+=(const char* text);

  // Compares with this string's case rule; a side without text is reported and compares false.
  bool operator==(const StringC& other) const;
  bool operator==(const char* text) const;

  // The text, or null for the unset string.
  const char* getString() const { return m_pString; }
  // The text, or "" for the unset string.
  std::string_view view() const { return m_pString ? std::string_view(m_pString) : ""; }
  bool isEmpty() const { return m_pString == nullptr; }

  int getCaseSensitive() const { return m_caseSensitive; }
  void setCaseSensitive(int caseSensitive) { m_caseSensitive = caseSensitive; }

  // True when this text occurs in other's text (both lower-cased first under case rule 0).
  bool isIn(const StringC& other) const;
  void toLower();
  // Frees the text: the string becomes unset.
  void clear();

  // this = current directory followed by a separator.
  bool getCurrentDirectory();
  // dirOut = directory with its trailing separator (empty when none), fileOut = name.ext.
  void splitPath(StringC& dirOut, StringC& fileOut) const;
  // this = the file name alone, without directory and extension.
  void keepFileName();
  // Searches the file this string names in its directory, then depth-first below it (at most
  // kMaxFindFileFolders folders and kMaxFindFileEntries entries), the exact name first in each
  // folder, then one that differs in case; on success this string becomes the path found.
  bool findFile();

  // Splits a copy of the text at runs of " ,\t\n"; stores at most `max` tokens.
  int tokenize(StringC* array, int max) const;
  // Token n (from 0); "NULL" for n < 0; the unset string past the last token.
  StringC getToken(int n) const;

  // Shows the text as a plain report with caption "StringC:".
  void showMessage() const;

 private:
  void assignText(const char* text, const char* allocFailText);

  char* m_pString = nullptr;
  int m_caseSensitive = 1;
};
