#include "app/export_command.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>
#include <system_error>
#include <utility>
#include <vector>

#include "app/config.h"
#include "app/interrupt_guard.h"
#include "app/music_source.h"
#include "app/offline_renderer.h"
#include "app/png_writer.h"
#include "app/progress_bar.h"
#include "app/render_command.h"
#include "app/video_encoder.h"
#include "base/file_tools.h"
#include "base/report.h"

namespace fs = std::filesystem;

namespace {

// Stereo frames decoded per read.
constexpr std::size_t kAudioChunk = 4096;

// The music file the script names, as a path that works from any folder: the engine resolves it
// from inside the script's folder, so a relative result is relative to that folder. Empty when
// the script names no music.
std::string musicPath(const ScriptEngine& engine, const std::string& scriptPath) {
  const StringC& named = engine.getMusicFile();
  if (named.isEmpty() || named.view().empty()) return {};
  fs::path music = FileTools::normalizeSeparators(named.view());
  if (music.is_relative()) {
    fs::path folder = fs::path(FileTools::normalizeSeparators(scriptPath)).parent_path();
    if (!folder.empty()) {
      if (auto resolved = FileTools::resolveExisting(folder.string())) folder = *resolved;
    }
    std::error_code error;
    const fs::path absoluteFolder = fs::absolute(folder.empty() ? fs::path(".") : folder, error);
    music = (error ? folder : absoluteFolder) / music;
  }
  if (auto resolved = FileTools::resolveExisting(music.string())) return *resolved;
  return music.lexically_normal().string();
}

// Removes the file at the end of its scope unless it was kept.
class TemporaryFile {
 public:
  explicit TemporaryFile(std::string path) : m_path(std::move(path)) {}
  ~TemporaryFile() {
    if (m_keep) return;
    std::error_code ignored;
    fs::remove(m_path, ignored);
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  const std::string& path() const { return m_path; }
  void keep() { m_keep = true; }

 private:
  std::string m_path;
  bool m_keep = false;
};

}  // namespace

// The decoded music over the span: silence before time 0 and after the end of the music.
struct ExportCommand::Music {
  std::string path;
  std::unique_ptr<MusicSource> pSource;
  std::int64_t firstSample = 0;  // sample index (from time 0) of the span's start
  std::int64_t nbSampleDone = 0;
  bool ended = false;
  std::vector<float> buffer;

  int rate() const { return pSource->sampleRate(); }
  // Sample index of script time `ms`, rounded down.
  std::int64_t sampleAt(std::int64_t ms) const { return ms * rate() / 1000; }

  void start(std::int32_t from) {
    firstSample = sampleAt(from);
    nbSampleDone = 0;
    ended = false;
    pSource->seek(std::max<std::int32_t>(from, 0));
    buffer.resize(kAudioChunk * MusicSource::kChannels);
  }

  // Gives the encoder the sound up to sample `end` (counted from the span's start).
  std::optional<std::string> feed(VideoEncoder& encoder, std::int64_t end) {
    while (nbSampleDone < end) {
      std::size_t count = static_cast<std::size_t>(
          std::min<std::int64_t>(end - nbSampleDone, static_cast<std::int64_t>(kAudioChunk)));
      const std::int64_t position = firstSample + nbSampleDone;
      std::size_t got = 0;
      if (position < 0) {
        count = static_cast<std::size_t>(
            std::min<std::int64_t>(static_cast<std::int64_t>(count), -position));
      } else if (!ended) {
        got = pSource->read(buffer.data(), count);
        ended = got < count;
      }
      std::fill(buffer.begin() + static_cast<std::ptrdiff_t>(got * MusicSource::kChannels),
                buffer.begin() + static_cast<std::ptrdiff_t>(count * MusicSource::kChannels), 0.0f);
      if (auto error = encoder.addAudio(buffer.data(), count)) return error;
      nbSampleDone += static_cast<std::int64_t>(count);
    }
    return std::nullopt;
  }
};

ExportCommand::ExportCommand(RenderRequest request, std::FILE* pErrors)
    : m_request(std::move(request)), m_pErrors(pErrors) {
  m_request.outPath = FileTools::normalizeSeparators(m_request.outPath);
}

std::int64_t ExportCommand::frameTime(std::int32_t from, std::int64_t index, std::int32_t fps) {
  return from + index * 1000 / fps;
}

std::int64_t ExportCommand::frameCount(std::int32_t from, std::int32_t to, std::int32_t fps) {
  const std::int64_t span = static_cast<std::int64_t>(to) - from;
  if (span <= 0 || fps <= 0) return 0;
  // floor(k * 1000 / fps) < span  <=>  k * 1000 < span * fps, for a whole span.
  return (span * fps + 999) / 1000;
}

std::int32_t ExportCommand::defaultEnd(std::int64_t musicLengthMs) {
  if (musicLengthMs < 0) return kShowEndMs;
  return static_cast<std::int32_t>(std::min<std::int64_t>(musicLengthMs, kShowEndMs));
}

std::string ExportCommand::numberedFramePath(const std::string& folder, std::int64_t index) {
  char name[48];
  std::snprintf(name, sizeof name, "frame-%06lld.png", static_cast<long long>(index));
  if (folder.empty() || folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

std::string ExportCommand::temporaryPath(const std::string& path) {
  const fs::path target(path);
  // A hidden name beside the target.
  const std::string name =
      "." + target.filename().string() + ".partial-" + std::to_string(getpid());
  return (target.parent_path() / name).string();
}

void ExportCommand::fail(const std::string& message) const {
  CommandOutput::fail(m_pErrors, message);
}

void ExportCommand::warn(const std::string& message) const {
  CommandOutput::fail(m_pErrors, "warning: " + message);
}

int ExportCommand::run() {
  OfflineRenderer renderer;
  if (!renderer.loadScript(m_request.scriptPath)) {
    fail("cannot open script " + m_request.scriptPath);
    return CommandLine::kExitFailure;
  }
  const bool folderMode = !m_request.outPath.empty() && m_request.outPath.back() == '/';

  Music music;
  if (const ScriptEngine* pEngine = renderer.getEngine()) {
    music.path = musicPath(*pEngine, m_request.scriptPath);
  }
  if (!music.path.empty()) {
    music.pSource = openMusicSource(music.path);
    if (!music.pSource || music.pSource->sampleRate() <= 0) {
      music.pSource.reset();
      warn("cannot decode the music " + music.path +
           (folderMode ? "" : "; the video has no sound track"));
    }
  }

  Span span;
  span.from = m_request.from;
  span.to =
      m_request.to ? *m_request.to : defaultEnd(music.pSource ? music.pSource->lengthMs() : -1);
  span.nbFrame = frameCount(span.from, span.to, m_request.fps);
  if (span.nbFrame <= 0) {
    fail("nothing to export: the show ends at " + std::to_string(span.to) + " ms, before --from " +
         std::to_string(span.from));
    return CommandLine::kExitFailure;
  }
  return folderMode ? exportFrames(renderer, span) : exportVideo(renderer, span, music);
}

int ExportCommand::exportFrames(OfflineRenderer& renderer, const Span& span) {
  const std::string& folder = m_request.outPath;
  std::error_code error;
  fs::create_directories(folder, error);
  if (error || !fs::is_directory(folder, error)) {
    fail("cannot create the folder " + folder +
         (error ? ": " + error.message() : ": a file of that name is in the way"));
    return CommandLine::kExitFailure;
  }
  InterruptGuard interrupt;
  ProgressBar progress(span.nbFrame, m_pErrors);
  for (std::int64_t k = 0; k < span.nbFrame; ++k) {
    const auto time = static_cast<std::int32_t>(frameTime(span.from, k, m_request.fps));
    renderer.renderFrame(time);
    const std::string path = numberedFramePath(folder, k);
    if (const std::optional<std::string> reason = PngWriter::write(renderer.getDisplay(), path)) {
      progress.finish();
      fs::remove(path, error);
      fail("cannot write " + path + ": " + *reason);
      return CommandLine::kExitFailure;
    }
    progress.update(k + 1);
    if (const int signal = InterruptGuard::signalReceived()) {
      progress.finish();
      fail("interrupted: " + std::to_string(k + 1) + " of " + std::to_string(span.nbFrame) +
           " frames written to " + folder);
      return InterruptGuard::exitStatus(signal);
    }
    if (const std::optional<int> exitCode = quitRequested()) {
      progress.finish();
      fail(CommandOutput::showEnded(*exitCode, time, path));
      return *exitCode;
    }
  }
  progress.finish();
  CommandOutput::flushReports();
  return CommandLine::kExitSuccess;
}

int ExportCommand::exportVideo(OfflineRenderer& renderer, const Span& span, Music& music) {
  const std::string& outPath = m_request.outPath;
  std::error_code error;
  if (fs::is_directory(outPath, error)) {
    fail("cannot write " + outPath + ": Is a directory");
    return CommandLine::kExitFailure;
  }
  // From here on Ctrl-C must not leave the temporary file behind.
  InterruptGuard interrupt;
  // Declared before the encoder: the file is closed before it is removed.
  TemporaryFile temporary(temporaryPath(outPath));
  VideoEncoder encoder;
  VideoFormat format;
  format.containerOf = outPath;
  format.width = app_config::kDisplayWidth;
  format.height = app_config::kDisplayHeight;
  format.fps = m_request.fps;
  if (music.pSource) format.audioRate = music.rate();
  if (auto reason = encoder.open(temporary.path(), format)) {
    fail("cannot write " + outPath + ": " + *reason);
    return CommandLine::kExitFailure;
  }
  if (music.pSource) music.start(span.from);

  ProgressBar progress(span.nbFrame, m_pErrors);
  std::optional<int> exitCode;
  std::int32_t lastTime = span.from;
  std::int64_t nbFrameDone = 0;
  std::optional<std::string> reason;
  int signal = 0;
  while (nbFrameDone < span.nbFrame && !exitCode && !reason && !signal) {
    lastTime = static_cast<std::int32_t>(frameTime(span.from, nbFrameDone, m_request.fps));
    renderer.renderFrame(lastTime);
    reason = encoder.addFrame(renderer.getDisplay());
    ++nbFrameDone;
    // The sound up to the start of the next frame, never past the end of the span.
    const std::int64_t soundEnd =
        std::min<std::int64_t>(frameTime(span.from, nbFrameDone, m_request.fps), span.to);
    if (!reason && music.pSource) {
      reason = music.feed(encoder, music.sampleAt(soundEnd - span.from));
    }
    progress.update(nbFrameDone);
    // A fatal report ends the show after its frame, as in the player.
    exitCode = quitRequested();
    signal = InterruptGuard::signalReceived();
  }
  if (signal) {
    // The temporary file goes with the encoder; an earlier video of that name stays.
    progress.finish();
    fail("interrupted after " + std::to_string(nbFrameDone) + " of " +
         std::to_string(span.nbFrame) + " frames: " + outPath + " not written");
    return InterruptGuard::exitStatus(signal);
  }
  if (!reason) reason = encoder.finish();
  if (!reason) {
    fs::rename(temporary.path(), outPath, error);
    if (error) reason = error.message();
  }
  progress.finish();
  if (reason) {
    fail("cannot write " + outPath + ": " + *reason);
    return CommandLine::kExitFailure;
  }
  temporary.keep();
  if (exitCode) {
    fail(CommandOutput::showEnded(*exitCode, lastTime,
                                  "frame " + std::to_string(nbFrameDone - 1) + " of " + outPath));
    return *exitCode;
  }
  CommandOutput::flushReports();
  return CommandLine::kExitSuccess;
}
