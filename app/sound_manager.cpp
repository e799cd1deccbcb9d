#include "app/sound_manager.h"

#include <SDL.h>
#include <libopenmpt/libopenmpt.h>
#include <libopenmpt/libopenmpt_version.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <optional>
#include <vector>

#include "app/music_clock.h"
#include "app/music_source.h"
#include "base/file_tools.h"
#include "base/report.h"

namespace {

constexpr const char* kCaption = "SoundManager";
// The level is the peak over this many ms of what was just heard.
constexpr int kLevelWindowMs = 20;
// Without a device, a position further than this ahead of what was decoded seeks instead of
// decoding the way there.
constexpr int kMaxDecodeAheadMs = 1000;
constexpr std::size_t kDecodeBlock = 4096;

std::int64_t msToFrame(double ms, int rate) {
  return static_cast<std::int64_t>(std::floor(ms * rate / 1000.0));
}

// The last few thousand frames decoded, as the peak of each frame's two channels, indexed by
// the frame's position in the music.
class LevelHistory {
 public:
  static constexpr std::int64_t kSize = 16384;

  void reset(std::int64_t frame) {
    m_end = frame;
    m_count = 0;
  }
  std::int64_t begin() const { return m_end - m_count; }
  std::int64_t end() const { return m_end; }

  // Appends frames that start at `frame`; a gap or an overlap starts the history afresh.
  void push(const float* pStereo, std::size_t frames, std::int64_t frame) {
    if (frame != m_end) reset(frame);
    for (std::size_t i = 0; i < frames; ++i) {
      const float left = std::fabs(pStereo[2 * i]);
      const float right = std::fabs(pStereo[2 * i + 1]);
      m_peaks[index(m_end)] = left > right ? left : right;
      ++m_end;
    }
    m_count = std::min(m_count + static_cast<std::int64_t>(frames), kSize);
  }

  // Peak of the frames [frame - window, frame) still held, clamped to 1; 0 when none is.
  float peak(std::int64_t frame, std::int64_t window) const {
    const std::int64_t first = std::max(frame - window, begin());
    const std::int64_t last = std::min(frame, m_end);
    float peak = 0.0f;
    for (std::int64_t f = first; f < last; ++f) {
      // Written so that a NaN sample is skipped.
      if (m_peaks[index(f)] > peak) peak = m_peaks[index(f)];
    }
    return std::min(peak, 1.0f);
  }

 private:
  static std::size_t index(std::int64_t frame) {
    return static_cast<std::size_t>(((frame % kSize) + kSize) % kSize);
  }

  std::array<float, kSize> m_peaks{};
  std::int64_t m_end = 0;
  std::int64_t m_count = 0;
};

bool libraryTooOld() {
  return (openmpt_get_library_version() >> 16) < (OPENMPT_API_VERSION >> 16);
}

}  // namespace

struct SoundManager::Impl {
  SoundOptions options;
  std::string path;
  std::unique_ptr<MusicSource> pSource;
  int rate = 0;
  double startMs = 0.0;  // where play() starts
  bool playing = false;
  bool paused = false;

  // The audio device; 0 when the music runs on its own clock.
  bool audioInitialised = false;
  SDL_AudioDeviceID device = 0;
  double latencyMs = 0.0;

  // Shared with the audio callback, which runs with the device locked: the main thread locks
  // the device around every use of these.
  MusicClock clock;
  std::int64_t nextFrame = 0;  // position in the music of the next frame handed to the device
  LevelHistory history;
  std::vector<float> scratch;

  // Unwrapped ticks of options.pTicks.
  std::optional<std::uint32_t> lastTicks;
  std::int64_t tickTotal = 0;

  explicit Impl(SoundOptions soundOptions) : options(soundOptions) {}
  ~Impl() { close(); }
  Impl(const Impl&) = delete;
  Impl& operator=(const Impl&) = delete;

  std::int64_t nowUs() {
    if (options.pTicks && device == 0) {
      const std::uint32_t ticks = options.pTicks->getTicks();
      if (lastTicks) tickTotal += static_cast<std::uint32_t>(ticks - *lastTicks);
      lastTicks = ticks;
      return tickTotal * 1000;
    }
    return steadyUs();
  }

  static std::int64_t steadyUs() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
  }

  // Locks out the audio callback for its lifetime.
  class DeviceLock {
   public:
    explicit DeviceLock(SDL_AudioDeviceID device) : m_device(device) {
      if (m_device) SDL_LockAudioDevice(m_device);
    }
    ~DeviceLock() {
      if (m_device) SDL_UnlockAudioDevice(m_device);
    }
    DeviceLock(const DeviceLock&) = delete;
    DeviceLock& operator=(const DeviceLock&) = delete;

   private:
    SDL_AudioDeviceID m_device;
  };

  void close() {
    if (device) SDL_CloseAudioDevice(device);
    device = 0;
    if (audioInitialised) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    audioInitialised = false;
    pSource.reset();
    path.clear();
    playing = false;
    clock = MusicClock();
    startMs = 0.0;
    nextFrame = 0;
    history.reset(0);
  }

  // Opens a device that takes float stereo at the music's rate (SDL converts to what the
  // hardware wants). Failing that, the music runs on its own clock.
  void openDevice() {
    if (!options.audioOutput) return;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return;
    audioInitialised = true;
    SDL_AudioSpec want{};
    want.freq = rate;
    want.format = AUDIO_F32SYS;
    want.channels = MusicSource::kChannels;
    want.samples = rate > 48000 ? 2048 : 1024;
    want.callback = &Impl::audioCallback;
    want.userdata = this;
    SDL_AudioSpec have{};
    device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (device == 0) {
      SDL_QuitSubSystem(SDL_INIT_AUDIO);
      audioInitialised = false;
      return;
    }
    // What the device holds besides the buffer being filled: one buffer of its own.
    latencyMs = have.freq > 0 ? 1000.0 * have.samples / have.freq : 0.0;
    scratch.resize(static_cast<std::size_t>(want.samples) * MusicSource::kChannels);
    clock = MusicClock(MusicClock::Drive::Device);
  }

  static void SDLCALL audioCallback(void* pUser, Uint8* pStream, int length) {
    static_cast<Impl*>(pUser)->fill(pStream, length);
  }

  // Audio thread, device locked: hands the next frames to the device (silence when paused,
  // not yet started or past the end) and tells the clock which sample is heard now.
  void fill(Uint8* pStream, int length) {
    const std::size_t bytesPerFrame = sizeof(float) * MusicSource::kChannels;
    const std::size_t frames = static_cast<std::size_t>(std::max(length, 0)) / bytesPerFrame;
    if (scratch.size() < frames * MusicSource::kChannels)
      scratch.resize(frames * MusicSource::kChannels);
    std::size_t got = 0;
    if (playing && !paused) got = pSource->read(scratch.data(), frames);
    std::fill(scratch.begin() + static_cast<std::ptrdiff_t>(got * MusicSource::kChannels),
              scratch.begin() + static_cast<std::ptrdiff_t>(frames * MusicSource::kChannels), 0.0f);
    std::memcpy(pStream, scratch.data(), frames * bytesPerFrame);
    std::memset(pStream + frames * bytesPerFrame, 0,
                static_cast<std::size_t>(std::max(length, 0)) - frames * bytesPerFrame);
    if (!playing || paused) return;
    history.push(scratch.data(), frames, nextFrame);
    nextFrame += static_cast<std::int64_t>(frames);
    // The device plays its own buffer before this one: the sample heard now is `latency`
    // before the end of what it has been given. Until the next callback the clock may run
    // through this buffer's length.
    clock.syncDevice(nextFrame, static_cast<std::int64_t>(frames), rate, latencyMs, steadyUs());
  }

  // Device locked: the device goes on from `ms`.
  void moveSource(double ms) {
    if (device == 0) return;
    const auto wholeMs = static_cast<std::int64_t>(std::floor(ms));
    pSource->seek(wholeMs);
    nextFrame = msToFrame(static_cast<double>(wholeMs), rate);
    history.reset(nextFrame);
  }

  // No device, or the device paused: decodes the music up to `frame` into the history,
  // seeking when the way there is backwards or long.
  void decodeTo(std::int64_t frame) {
    const std::int64_t first = std::max<std::int64_t>(frame - msToFrame(kLevelWindowMs, rate), 0);
    if (first < history.begin() || frame > history.end() + msToFrame(kMaxDecodeAheadMs, rate)) {
      const std::int64_t startMs = first * 1000 / rate;
      pSource->seek(startMs);
      history.reset(msToFrame(static_cast<double>(startMs), rate));
    }
    scratch.resize(kDecodeBlock * MusicSource::kChannels);
    while (history.end() < frame) {
      const auto wanted =
          static_cast<std::size_t>(std::min<std::int64_t>(frame - history.end(), kDecodeBlock));
      const std::size_t got = pSource->read(scratch.data(), wanted);
      // Past the end the music is silence.
      std::fill(scratch.begin() + static_cast<std::ptrdiff_t>(got * MusicSource::kChannels),
                scratch.begin() + static_cast<std::ptrdiff_t>(wanted * MusicSource::kChannels),
                0.0f);
      history.push(scratch.data(), wanted, history.end());
    }
  }
};

SoundManager::SoundManager(SoundOptions options) : m_pImpl(std::make_unique<Impl>(options)) {}

SoundManager::~SoundManager() = default;

bool SoundManager::load(const StringC& name) {
  Impl& s = *m_pImpl;
  s.close();
  const std::string given(name.view());
  if (libraryTooOld()) {
    report(kCaption, given + ": load: You are using the wrong DLL version!");
    return false;
  }
  const std::optional<std::string> resolved = FileTools::resolveExisting(given);
  if (resolved) s.pSource = openMusicSource(*resolved);
  if (!s.pSource) {
    report(kCaption, given + ": load: FMod can t load file !");
    return false;
  }
  // Absolute, as the current directory is the script's only while it loads.
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(*resolved, error);
  s.path = error ? *resolved : absolute.string();
  s.rate = s.pSource->sampleRate();
  s.openDevice();
  return true;
}

void SoundManager::play() {
  Impl& s = *m_pImpl;
  if (!s.pSource) return;
  {
    Impl::DeviceLock lock(s.device);
    s.moveSource(s.startMs);
    s.clock.start(s.startMs, s.nowUs());
    if (s.paused) s.clock.pause(s.nowUs());
    s.playing = true;
  }
  if (s.device && !s.paused) SDL_PauseAudioDevice(s.device, 0);
}

std::int32_t SoundManager::getTime() {
  Impl& s = *m_pImpl;
  if (!s.pSource) return 0;
  double ms = s.startMs;
  if (s.playing) {
    Impl::DeviceLock lock(s.device);
    ms = s.clock.positionMs(s.nowUs());
  }
  return static_cast<std::int32_t>(
      std::clamp(std::floor(ms), 0.0, double{std::numeric_limits<std::int32_t>::max()}));
}

void SoundManager::setTime(std::int32_t ms) {
  if (m_pImpl->pSource && !m_pImpl->pSource->isModule()) seek(ms);
}

float SoundManager::getVU() {
  Impl& s = *m_pImpl;
  if (!s.pSource || s.pSource->isModule() || !s.playing) return 0.0f;
  Impl::DeviceLock lock(s.device);
  const std::int64_t frame = msToFrame(s.clock.positionMs(s.nowUs()), s.rate);
  // A paused device does not touch the music: the level is decoded here, as without one.
  if (s.device == 0 || s.paused) s.decodeTo(frame);
  return s.history.peak(frame, msToFrame(kLevelWindowMs, s.rate));
}

void SoundManager::seek(std::int32_t ms) {
  Impl& s = *m_pImpl;
  if (!s.pSource) return;
  const double target = std::max(ms, 0);
  if (!s.playing) {
    s.startMs = target;
    return;
  }
  Impl::DeviceLock lock(s.device);
  s.moveSource(target);
  s.clock.moveTo(target, s.nowUs());
}

void SoundManager::pause() {
  Impl& s = *m_pImpl;
  if (s.paused) return;
  // Stopped first, so no callback runs past the moment the clock freezes.
  if (s.device && s.playing) SDL_PauseAudioDevice(s.device, 1);
  Impl::DeviceLock lock(s.device);
  s.paused = true;
  if (!s.playing) return;
  s.clock.pause(s.nowUs());
  // The sound resumes from what was heard, not from what the device had been given.
  s.moveSource(s.clock.positionMs(s.nowUs()));
}

void SoundManager::resume() {
  Impl& s = *m_pImpl;
  if (!s.paused) return;
  {
    Impl::DeviceLock lock(s.device);
    s.paused = false;
    if (s.playing) {
      // The level may have moved the music while paused.
      s.moveSource(s.clock.positionMs(s.nowUs()));
      s.clock.resume(s.nowUs());
    }
  }
  if (s.device && s.playing) SDL_PauseAudioDevice(s.device, 0);
}

bool SoundManager::isPaused() const {
  return m_pImpl->paused;
}

bool SoundManager::isModule() const {
  return m_pImpl->pSource && m_pImpl->pSource->isModule();
}

bool SoundManager::isLoaded() const {
  return m_pImpl->pSource != nullptr;
}

bool SoundManager::hasAudioOutput() const {
  return m_pImpl->device != 0;
}

const std::string& SoundManager::getPath() const {
  return m_pImpl->path;
}
