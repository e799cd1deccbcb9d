#pragma once
// The script fuzz target's surroundings: every input runs in one scratch folder made per
// process, holding a small file of each kind the corpus scripts name (a colour controller, a
// keyframe curve in data/lcx/, a picture). Names then resolve among a few entries instead of by a
// search of the whole tree the fuzzer was started in, and runs do not depend on that tree.

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "tests/fuzz/fuzz_support.h"
#include "tests/support/controller_files.h"

namespace script_fuzz {

// A 2 x 2 picture as a 24-bit BMP: 54 header bytes, then the rows bottom-up, each padded to 4
// bytes.
inline std::vector<std::uint8_t> tinyBmp() {
  // Signature, file size, reserved, pixel offset; header size, width, height, planes, depth.
  std::vector<std::uint8_t> bytes = {'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,  40,
                                     0,   0,   0,  2, 0, 0, 0, 2, 0, 0, 0,  1, 0, 24, 0};
  bytes.resize(54, 0);
  // Bottom row red, green; top row blue, white; each pixel blue, green, red.
  bytes.insert(bytes.end(), {0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 255, 255, 255, 0, 0});
  return bytes;
}

// A folder made per process and removed at its end; in memory (/dev/shm) where there is one, as
// the input is written anew for every run.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::error_code ec;
    const std::filesystem::path base = std::filesystem::is_directory("/dev/shm", ec)
                                           ? std::filesystem::path("/dev/shm")
                                           : std::filesystem::temp_directory_path();
    std::string pattern = (base / "script_fuzz-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    m_path = pattern;
    std::filesystem::create_directories(m_path / "data" / "lcx");
    const std::vector<std::uint8_t> picture = tinyBmp();
    if (std::FILE* file = std::fopen((m_path / "logo.bmp").c_str(), "wb")) {
      std::fwrite(picture.data(), 1, picture.size(), file);
      std::fclose(file);
    }
    test_controllers::writeKeyframer((m_path / "data/lcx/ramp.lcx").string(),
                                     {{0.0f, 0.0f}, {1000.0f, 1.0f}});
    test_controllers::writeLecx((m_path / "pulse.lecx").string(), 1,
                                {{"Red", "ramp"}, {"Blue", "1 - ramp"}});
  }
  ~ScratchFolder() {
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::filesystem::path& path() const { return m_path; }

 private:
  std::filesystem::path m_path;
};

inline const ScratchFolder& scratchFolder() {
  static const ScratchFolder folder;
  return folder;
}

// The input written as "fuzz.lscx" in the scratch folder, which is the current directory while
// this lives.
class ScratchScript {
 public:
  ScratchScript(const std::uint8_t* data, std::size_t size)
      : m_home(open(".", O_RDONLY | O_DIRECTORY)) {
    if (chdir(scratchFolder().path().c_str()) != 0) return;
    // A new file each time: rewriting one in place makes some file systems flush it to disk.
    std::remove(name());
    if (std::FILE* file = std::fopen(name(), "wb")) {
      std::fwrite(data, 1, size, file);
      std::fclose(file);
    }
  }
  ~ScratchScript() {
    if (m_home < 0) return;
    if (fchdir(m_home) != 0) std::perror("fchdir");
    close(m_home);
  }
  ScratchScript(const ScratchScript&) = delete;
  ScratchScript& operator=(const ScratchScript&) = delete;

  static const char* name() { return "fuzz.lscx"; }

 private:
  int m_home;
};

}  // namespace script_fuzz
