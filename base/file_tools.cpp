#include "base/file_tools.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <system_error>

#include "base/report.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kCaption = "FileTools:";

char lowerChar(char c) {
  return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

std::string lowered(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    c = lowerChar(c);
  return out;
}

// The order the file systems shows were written on keep their folders in: names compared byte
// by byte after upper-casing. Upper, not lower: '_' (0x5F) lies between 'Z' and 'a', so
// "DEMOA.LSCX" comes before "DEMO_B.LSCX" where a lower-cased compare puts "demo_b" first. Exact
// order breaks ties, so the result never depends on the file system.
bool listsBefore(const std::string& a, const std::string& b) {
  const auto upperLess = [](char x, char y) {
    return std::toupper(static_cast<unsigned char>(x)) <
           std::toupper(static_cast<unsigned char>(y));
  };
  if (std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), upperLess)) return true;
  if (std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(), upperLess)) return false;
  return a < b;
}

bool existsNoThrow(const std::string& path) {
  std::error_code ec;
  return fs::exists(fs::path(path), ec);
}

// The name matches "*." + ext: it holds a dot followed by the extension, ignoring case.
bool matchesExtensionPattern(const std::string& name, std::string_view ext) {
  const std::string lowerName = lowered(name);
  std::string suffix(1, '.');
  suffix += lowered(ext);
  return lowerName.size() >= suffix.size() &&
         lowerName.compare(lowerName.size() - suffix.size(), suffix.size(), suffix) == 0;
}

std::vector<std::string> entriesWithExtension(const StringC& dir, const StringC& ext) {
  std::vector<std::string> out;
  std::string directory = FileTools::normalizeSeparators(dir.view());
  if (directory.empty()) directory = "./";
  if (auto resolved = FileTools::resolveExisting(directory)) directory = *resolved;
  const std::string lowerExt = lowered(ext.view());
  for (const std::string& name : FileTools::listDirectory(directory)) {
    if (matchesExtensionPattern(name, ext.view()) &&
        lowered(name).find(lowerExt) != std::string::npos) {
      out.push_back(name);
    }
  }
  return out;
}

}  // namespace

namespace FileTools {

bool getCurrentDirectory(StringC& out) {
  std::error_code ec;
  const fs::path current = fs::current_path(ec);
  if (ec) {
    report(kCaption, "Can't getCurrentDirectory !");
    return false;
  }
  std::string text = current.string();
  if (text.empty() || text.back() != '/') text += '/';
  out = text.c_str();
  return true;
}

bool setCurrentDirectory(const StringC& path) {
  std::error_code ec;
  std::string target = normalizeSeparators(path.view());
  if (auto resolved = resolveExisting(target)) target = *resolved;
  if (!target.empty()) fs::current_path(fs::path(target), ec);
  if (target.empty() || ec) {
    report(kCaption, "Can't setCurrentDirectory !");
    return false;
  }
  return true;
}

bool findFirstFileWithExtension(StringC& out, const StringC& ext) {
  for (const std::string& name : listDirectory(".")) {
    if (matchesExtensionPattern(name, ext.view())) {
      out = name.c_str();
      return true;
    }
  }
  return false;
}

int countFilesWithExtension(const StringC& dir, const StringC& ext) {
  return static_cast<int>(entriesWithExtension(dir, ext).size());
}

StringC getFileWithExtension(const StringC& dir, const StringC& ext, int index) {
  const std::vector<std::string> entries = entriesWithExtension(dir, ext);
  if (index < 0 || static_cast<std::size_t>(index) >= entries.size()) return StringC("NULL");
  std::string path(dir.view());
  path += entries[static_cast<std::size_t>(index)];
  return StringC(std::string_view{path});
}

std::string normalizeSeparators(std::string_view path) {
  std::string out(path);
  std::replace(out.begin(), out.end(), '\\', '/');
  return out;
}

std::optional<std::string> resolveExisting(std::string_view rawPath) {
  const std::string path = normalizeSeparators(rawPath);
  if (path.empty()) return std::nullopt;
  if (existsNoThrow(path)) return path;

  // Walk the components, taking each one as written when it exists and otherwise the first
  // entry of its directory whose name matches it ignoring case.
  std::string resolved;
  std::size_t pos = 0;
  if (path[0] == '/') {
    resolved = "/";
    pos = 1;
  }
  while (pos <= path.size()) {
    std::size_t next = path.find('/', pos);
    if (next == std::string::npos) next = path.size();
    const std::string component = path.substr(pos, next - pos);
    pos = next + 1;
    if (component.empty() || component == ".") continue;
    const std::string parent = resolved.empty() ? std::string(".") : resolved;
    std::string candidate = resolved + component;
    if (component != ".." && !existsNoThrow(candidate)) {
      const std::string wanted = lowered(component);
      bool matched = false;
      for (const std::string& entry : listDirectory(parent)) {
        if (lowered(entry) == wanted) {
          candidate = resolved + entry;
          matched = true;
          break;
        }
      }
      if (!matched) return std::nullopt;
    }
    resolved = candidate;
    if (pos <= path.size()) resolved += '/';
  }
  if (resolved.size() > 1 && resolved.back() == '/' && path.back() != '/') resolved.pop_back();
  if (!existsNoThrow(resolved)) return std::nullopt;
  return resolved;
}

std::vector<DirectoryEntry> listEntries(const std::string& dir, std::size_t maxEntries) {
  std::vector<DirectoryEntry> entries;
  std::error_code ec;
  fs::directory_iterator it(fs::path(dir.empty() ? std::string(".") : dir), ec);
  for (; !ec && it != fs::directory_iterator() && entries.size() < maxEntries; it.increment(ec)) {
    std::error_code kindError;
    entries.push_back({it->path().filename().string(), it->is_directory(kindError)});
  }
  std::sort(entries.begin(), entries.end(), [](const DirectoryEntry& a, const DirectoryEntry& b) {
    return listsBefore(a.name, b.name);
  });
  return entries;
}

std::vector<std::string> listDirectory(const std::string& dir) {
  std::vector<std::string> names;
  for (DirectoryEntry& entry : listEntries(dir, std::numeric_limits<std::size_t>::max()))
    names.push_back(std::move(entry.name));
  return names;
}

bool isDirectory(const std::string& path) {
  std::error_code ec;
  return fs::is_directory(fs::path(path), ec);
}

std::optional<std::vector<std::uint8_t>> readFile(std::string_view path) {
  const std::optional<std::string> resolved = resolveExisting(path);
  if (!resolved || isDirectory(*resolved)) return std::nullopt;
  std::FILE* file = std::fopen(resolved->c_str(), "rb");
  if (!file) return std::nullopt;
  std::vector<std::uint8_t> data;
  std::uint8_t buffer[65536];
  std::size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
    data.insert(data.end(), buffer, buffer + got);
  }
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) return std::nullopt;
  return data;
}

}  // namespace FileTools
