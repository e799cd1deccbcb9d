#include "app/file_watcher.h"

#include <fstream>
#include <system_error>

namespace {

namespace fs = std::filesystem;

// Scripts are small; a bigger file is not read at every poll.
constexpr std::uintmax_t kMaxHashedSize = 1u << 20;

// FNV-1a over the file's bytes; 0 when it cannot be read.
std::uint64_t hashFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return 0;
  std::uint64_t hash = 14695981039346656037ull;
  char buffer[4096];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    const std::streamsize nbRead = in.gcount();
    for (std::streamsize i = 0; i < nbRead; ++i) {
      hash ^= static_cast<unsigned char>(buffer[i]);
      hash *= 1099511628211ull;
    }
  }
  return hash;
}

}  // namespace

void FileWatcher::watch(const fs::path& script, std::uint32_t nowMs) {
  std::error_code error;
  fs::path absolute = fs::absolute(script, error);
  m_script = error ? script : absolute.lexically_normal();
  m_folder = m_script.parent_path();
  m_watching = true;
  m_pending = false;
  m_lastPoll = nowMs;
  m_snapshot = scan();
}

void FileWatcher::stop() {
  m_watching = false;
  m_pending = false;
  m_snapshot.clear();
}

bool FileWatcher::poll(std::uint32_t nowMs) {
  if (!m_watching) return false;
  if (nowMs - m_lastPoll >= kPollInterval) {
    m_lastPoll = nowMs;
    Snapshot now = scan();
    if (now != m_snapshot) {
      m_snapshot = std::move(now);
      m_pending = true;
      m_lastChange = nowMs;
    }
  }
  if (!m_pending || nowMs - m_lastChange < kSettleTime) return false;
  m_pending = false;
  return true;
}

FileWatcher::Snapshot FileWatcher::scan() const {
  Snapshot snapshot;
  std::error_code error;
  // The script first, so a missing script is seen even when its folder is gone.
  Stamp script;
  if (fs::is_regular_file(m_script, error)) {
    script.size = fs::file_size(m_script, error);
    const auto time = fs::last_write_time(m_script, error);
    if (!error) script.modified = time.time_since_epoch().count();
    if (script.size <= kMaxHashedSize) script.hash = hashFile(m_script);
  }
  snapshot[m_script.string()] = script;

  if (m_folder.empty()) return snapshot;
  fs::recursive_directory_iterator it(m_folder, fs::directory_options::skip_permission_denied,
                                      error);
  for (const fs::recursive_directory_iterator end; !error && it != end; it.increment(error)) {
    if (snapshot.size() >= kMaxEntries) break;
    const fs::directory_entry& entry = *it;
    const std::string name = entry.path().filename().string();
    std::error_code entryError;
    if (entry.is_directory(entryError)) {
      // Hidden folders (.git and the like) are an editor's or a tool's business.
      if (name.starts_with(".") || it.depth() >= kMaxDepth) it.disable_recursion_pending();
      continue;
    }
    // An editor's swap and backup files come and go while nothing of the show changed.
    if (name.starts_with(".") || name.ends_with("~")) continue;
    if (entry.path() == m_script || !entry.is_regular_file(entryError)) continue;
    Stamp stamp;
    stamp.size = entry.file_size(entryError);
    const auto time = entry.last_write_time(entryError);
    if (!entryError) stamp.modified = time.time_since_epoch().count();
    snapshot[entry.path().string()] = stamp;
  }
  return snapshot;
}
