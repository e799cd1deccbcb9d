#pragma once
// Watches a script and the folder tree it lies in (its data/ and data/lcx folders, the pictures
// and scenes it names below its folder) by polling the sizes and modification times, and the
// script's own bytes, so it works on any file system. A change is announced once, after the
// files have been quiet for a while: an editor's burst of writes, or its atomic save (delete,
// then create), gives one announcement. Times are milliseconds given by the caller, so tests
// drive their own clock.

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>

class FileWatcher {
 public:
  // The disk is looked at no more often than this.
  static constexpr std::uint32_t kPollInterval = 50;
  // A change is announced once nothing more changed for this long.
  static constexpr std::uint32_t kSettleTime = 100;
  // At most this many files and folders are watched, and this deep below the script's folder: a
  // script left in a huge folder must not stall the frames.
  static constexpr std::size_t kMaxEntries = 4096;
  static constexpr int kMaxDepth = 6;

  // Watches `script` and its folder tree from now on; what is there now is the reference.
  void watch(const std::filesystem::path& script, std::uint32_t nowMs);
  void stop();
  bool isWatching() const { return m_watching; }

  // True once per settled change, kSettleTime after the last change seen.
  bool poll(std::uint32_t nowMs);

 private:
  struct Stamp {
    std::int64_t modified = -1;  // -1: missing
    std::uintmax_t size = 0;
    std::uint64_t hash = 0;  // the script's bytes only: a rewrite within one clock tick
    bool operator==(const Stamp&) const = default;
  };
  using Snapshot = std::map<std::string, Stamp>;

  Snapshot scan() const;

  std::filesystem::path m_script;
  std::filesystem::path m_folder;
  Snapshot m_snapshot;
  std::uint32_t m_lastPoll = 0;
  std::uint32_t m_lastChange = 0;
  bool m_watching = false;
  bool m_pending = false;
};
