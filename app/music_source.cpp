#include "app/music_source.h"

#include <libopenmpt/libopenmpt.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <vector>

namespace {

// Modules are read whole into memory; no tracker file comes near this.
constexpr std::int64_t kMaxModuleBytes = std::int64_t{128} << 20;
// Modules are rendered at the mixing rate of the sound output.
constexpr int kModuleRate = 44100;
// Anything outside these is a broken header, not music.
constexpr int kMaxStreamChannels = 64;
constexpr int kMaxStreamRate = 768000;
// Beyond these a stream's arithmetic in ms and frames would overflow; no music is that long.
constexpr std::int64_t kMaxSeekMs = INT64_MAX / kMaxStreamRate;
constexpr std::int64_t kMaxFrames = INT64_MAX / 1000;

// The first `maxBytes` bytes of a file and its size; nothing when it cannot be read.
struct FileHead {
  std::vector<std::uint8_t> bytes;
  std::int64_t size = 0;
};

std::optional<FileHead> readHead(const std::string& path, std::int64_t maxBytes) {
  std::FILE* pFile = std::fopen(path.c_str(), "rb");
  if (!pFile) return std::nullopt;
  FileHead head;
  bool ok = std::fseek(pFile, 0, SEEK_END) == 0;
  const long size = ok ? std::ftell(pFile) : -1;
  ok = ok && size >= 0 && std::fseek(pFile, 0, SEEK_SET) == 0;
  if (ok) {
    head.size = size;
    head.bytes.resize(static_cast<std::size_t>(std::min<std::int64_t>(size, maxBytes)));
    ok = std::fread(head.bytes.data(), 1, head.bytes.size(), pFile) == head.bytes.size();
  }
  std::fclose(pFile);
  if (!ok) return std::nullopt;
  return head;
}

class ModuleSource final : public MusicSource {
 public:
  explicit ModuleSource(openmpt_module* pModule) : m_pModule(pModule) {
    const double seconds = openmpt_module_get_duration_seconds(m_pModule);
    // A broken song may claim any duration; nothing real lasts a billion seconds.
    m_lengthMs = std::isfinite(seconds) && seconds >= 0.0 && seconds < 1e9
                     ? static_cast<std::int64_t>(std::llround(seconds * 1000.0))
                     : -1;
  }
  ~ModuleSource() override { openmpt_module_destroy(m_pModule); }
  ModuleSource(const ModuleSource&) = delete;
  ModuleSource& operator=(const ModuleSource&) = delete;

  bool isModule() const override { return true; }
  int sampleRate() const override { return kModuleRate; }

  std::size_t read(float* pOut, std::size_t frames) override {
    std::size_t done = 0;
    // The renderer may hand back less than asked before the end; 0 means the song is over.
    while (done < frames) {
      const std::size_t got = openmpt_module_read_interleaved_float_stereo(
          m_pModule, kModuleRate, frames - done, pOut + done * kChannels);
      if (got == 0) break;
      done += got;
    }
    return done;
  }

  void seek(std::int64_t ms) override {
    std::int64_t clamped = std::max<std::int64_t>(ms, 0);
    if (m_lengthMs >= 0) clamped = std::min(clamped, m_lengthMs);
    openmpt_module_set_position_seconds(m_pModule, static_cast<double>(clamped) / 1000.0);
  }

  std::int64_t lengthMs() const override { return m_lengthMs; }

 private:
  openmpt_module* m_pModule;
  std::int64_t m_lengthMs = -1;
};

class StreamSource final : public MusicSource {
 public:
  StreamSource(SNDFILE* pFile, const SF_INFO& info) : m_pFile(pFile), m_info(info) {}
  ~StreamSource() override { sf_close(m_pFile); }
  StreamSource(const StreamSource&) = delete;
  StreamSource& operator=(const StreamSource&) = delete;

  bool isModule() const override { return false; }
  int sampleRate() const override { return m_info.samplerate; }

  std::size_t read(float* pOut, std::size_t frames) override {
    const auto nbChannel = static_cast<std::size_t>(m_info.channels);
    if (nbChannel == 2) return readFrames(pOut, frames);
    // Other layouts go through a scratch buffer, a block at a time.
    constexpr std::size_t kBlock = 1024;
    m_scratch.resize(kBlock * nbChannel);
    std::size_t done = 0;
    while (done < frames) {
      const std::size_t got = readFrames(m_scratch.data(), std::min(kBlock, frames - done));
      if (got == 0) break;
      float* pDest = pOut + done * kChannels;
      for (std::size_t i = 0; i < got; ++i)
        foldToStereo(&m_scratch[i * nbChannel], nbChannel, pDest + i * kChannels);
      done += got;
    }
    return done;
  }

  void seek(std::int64_t ms) override {
    if (!m_info.seekable) return;
    // Clamped first so that the product below cannot overflow.
    const std::int64_t safeMs = std::clamp<std::int64_t>(ms, 0, kMaxSeekMs);
    std::int64_t frame = safeMs * m_info.samplerate / 1000;
    if (m_info.frames > 0) frame = std::min<std::int64_t>(frame, m_info.frames);
    if (sf_seek(m_pFile, static_cast<sf_count_t>(frame), SEEK_SET) < 0) {
      // A frame count in the header beyond the data: the end is where the data ends.
      sf_seek(m_pFile, 0, SEEK_END);
    }
  }

  std::int64_t lengthMs() const override {
    if (m_info.frames <= 0 || m_info.frames > kMaxFrames) return -1;
    return static_cast<std::int64_t>(m_info.frames) * 1000 / m_info.samplerate;
  }

 private:
  std::size_t readFrames(float* pOut, std::size_t frames) {
    const sf_count_t got = sf_readf_float(m_pFile, pOut, static_cast<sf_count_t>(frames));
    return got > 0 ? static_cast<std::size_t>(got) : 0;
  }

  // Mono goes to both sides; with more channels the even ones are averaged into the left and
  // the odd ones into the right (L R C LFE Ls Rs: left = L, C, Ls; right = R, LFE, Rs).
  static void foldToStereo(const float* pIn, std::size_t nbChannel, float* pOut) {
    if (nbChannel == 1) {
      pOut[0] = pIn[0];
      pOut[1] = pIn[0];
      return;
    }
    float sum[2] = {0.0f, 0.0f};
    std::size_t count[2] = {0, 0};
    for (std::size_t c = 0; c < nbChannel; ++c) {
      sum[c & 1u] += pIn[c];
      ++count[c & 1u];
    }
    pOut[0] = sum[0] / static_cast<float>(count[0]);
    pOut[1] = sum[1] / static_cast<float>(count[1]);
  }

  SNDFILE* m_pFile;
  SF_INFO m_info;
  std::vector<float> m_scratch;
};

std::unique_ptr<MusicSource> openModule(const std::string& path) {
  // The header decides first, so a large sampled file is not read whole for nothing.
  const auto probeSize =
      static_cast<std::int64_t>(openmpt_probe_file_header_get_recommended_size());
  std::optional<FileHead> head = readHead(path, probeSize);
  if (!head || head->size == 0 || head->size > kMaxModuleBytes) return nullptr;
  int error = 0;
  const int probe = openmpt_probe_file_header(
      OPENMPT_PROBE_FILE_HEADER_FLAGS_DEFAULT, head->bytes.data(), head->bytes.size(),
      static_cast<std::uint64_t>(head->size), openmpt_log_func_silent, nullptr,
      openmpt_error_func_ignore, nullptr, &error, nullptr);
  if (probe != OPENMPT_PROBE_FILE_HEADER_RESULT_SUCCESS) return nullptr;
  if (head->size > probeSize) {
    head = readHead(path, kMaxModuleBytes);
    if (!head) return nullptr;
  }
  openmpt_module* pModule = openmpt_module_create_from_memory2(
      head->bytes.data(), head->bytes.size(), openmpt_log_func_silent, nullptr,
      openmpt_error_func_ignore, nullptr, &error, nullptr, nullptr);
  if (!pModule) return nullptr;
  // A move into the middle of the song keeps the notes that were playing there.
  openmpt_module_ctl_set_boolean(pModule, "seek.sync_samples", 1);
  return std::make_unique<ModuleSource>(pModule);
}

std::unique_ptr<MusicSource> openStream(const std::string& path) {
  SF_INFO info{};
  SNDFILE* pFile = sf_open(path.c_str(), SFM_READ, &info);
  if (!pFile) return nullptr;
  if (info.channels < 1 || info.channels > kMaxStreamChannels || info.samplerate < 1 ||
      info.samplerate > kMaxStreamRate || info.frames < 0) {
    sf_close(pFile);
    return nullptr;
  }
  return std::make_unique<StreamSource>(pFile, info);
}

}  // namespace

std::unique_ptr<MusicSource> openMusicSource(const std::string& path) {
  // A directory or a pipe is not music (and reading a pipe could wait forever).
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return nullptr;
  if (std::unique_ptr<MusicSource> pModule = openModule(path)) return pModule;
  return openStream(path);
}
