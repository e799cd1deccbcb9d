#pragma once
// Directory helpers. Paths may be written with either separator ('/' or '\'); the ones this code
// produces use '/'. Directory listings are visited in the order of their upper-cased names, so
// every run (and every machine) sees the same first match.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/string_c.h"

namespace FileTools {

// out = current directory + separator; "Can't getCurrentDirectory !" on failure.
bool getCurrentDirectory(StringC& out);
// "Can't setCurrentDirectory !" on failure.
bool setCurrentDirectory(const StringC& path);
// out = name of the first entry of the current directory matching "*." + ext.
bool findFirstFileWithExtension(StringC& out, const StringC& ext);
// Entries of dir + "*." + ext whose names also contain ext, ignoring case.
int countFilesWithExtension(const StringC& dir, const StringC& ext);
// dir + name of the index-th of the entries counted above; "NULL" when there is none.
StringC getFileWithExtension(const StringC& dir, const StringC& ext, int index);

// A path written on either platform in this platform's form: '\' becomes '/'.
std::string normalizeSeparators(std::string_view path);
// The existing file or directory the path names: the exact name first, then a match that
// ignores case, component by component. Nothing when neither exists.
std::optional<std::string> resolveExisting(std::string_view path);
// Names of a directory's entries (without "." and ".."), in listing order.
std::vector<std::string> listDirectory(const std::string& dir);
struct DirectoryEntry {
  std::string name;
  bool isDirectory = false;  // a folder, or a link to one
};
// A directory's entries as listDirectory gives them, with their kind as the listing tells it (no
// look-up per entry on most file systems); at most `maxEntries` of them are read.
std::vector<DirectoryEntry> listEntries(const std::string& dir, std::size_t maxEntries);
bool isDirectory(const std::string& path);

// Reads a whole file; nothing when it cannot be opened or read. The path is resolved first.
std::optional<std::vector<std::uint8_t>> readFile(std::string_view path);

}  // namespace FileTools
