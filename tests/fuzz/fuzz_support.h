#pragma once
// Shared by the fuzz targets: reports are expected by the thousand and mean nothing here.

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "base/report.h"

class DiscardReports final : public ReportSink {
 public:
  void onReport(const Report&) override {}
};

// Sends every report of this process to nowhere.
inline void discardReports() {
  static DiscardReports sink;
  setReportSink(&sink);
}

// libFuzzer writes crash files relative to the current directory: unless told otherwise, they go
// to the folder the fuzzer was started in, whatever folder the inputs run in.
inline void keepArtifactsInStartFolder(int* argc, char*** argv) {
  for (int i = 1; i < *argc; ++i) {
    if (std::string_view((*argv)[i]).starts_with("-artifact_prefix=")) return;
  }
  static std::string prefix = "-artifact_prefix=" + std::filesystem::current_path().string() + "/";
  static std::vector<char*> args;
  args.assign(*argv, *argv + *argc);
  args.push_back(prefix.data());
  args.push_back(nullptr);
  *argc += 1;
  *argv = args.data();
}

// Runs every input in an empty folder made for the process (in memory where /dev/shm exists): the
// file names a scene gives (pictures, videos) are then looked for among no files, not through
// the tree the fuzzer was started in. Call from LLVMFuzzerInitialize.
inline void runInEmptyFolder(int* argc, char*** argv) {
  keepArtifactsInStartFolder(argc, argv);
  std::error_code ec;
  const std::filesystem::path base = std::filesystem::is_directory("/dev/shm", ec)
                                         ? std::filesystem::path("/dev/shm")
                                         : std::filesystem::temp_directory_path();
  static std::string folder = (base / "fuzz-XXXXXX").string();
  if (!mkdtemp(folder.data()) || chdir(folder.c_str()) != 0) std::abort();
  // Removed at the end of the run.
  std::atexit([] {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  });
}
