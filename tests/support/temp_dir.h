#pragma once
// A scratch folder for one test: made fresh, removed with everything in it afterwards. While
// one is "entered", it is the current directory.

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "showplayer-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    m_path = pattern;
  }
  ~TempDir() {
    if (m_entered) std::filesystem::current_path(m_previous);
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return m_path; }
  std::string str() const { return m_path.string(); }

  // Makes this folder the current directory until the end of the test.
  void enter() {
    if (!m_entered) m_previous = std::filesystem::current_path();
    std::filesystem::current_path(m_path);
    m_entered = true;
  }

  // Writes `content` to the relative path, making its folders.
  std::filesystem::path write(std::string_view relative, std::string_view content) const {
    const std::filesystem::path file = m_path / relative;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    return file;
  }

 private:
  std::filesystem::path m_path;
  std::filesystem::path m_previous;
  bool m_entered = false;
};
