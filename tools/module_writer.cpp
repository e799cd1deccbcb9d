#include "tools/module_writer.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

#include <libopenmpt/libopenmpt.h>
#include <sndfile.h>

namespace ModuleWriter {

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kTitleSize = 20;
constexpr std::size_t kSampleNameSize = 22;
constexpr std::uint8_t kRestartPosition = 127;  // the customary value: no restart
// Octave 1, C to B; octaves 2 and 3 halve the period each (rounded as the tracker's table is).
constexpr std::uint16_t kPeriods[3][12] = {
    {856, 808, 762, 720, 678, 640, 604, 570, 538, 508, 480, 453},
    {428, 404, 381, 360, 339, 320, 302, 285, 269, 254, 240, 226},
    {214, 202, 190, 180, 170, 160, 151, 143, 135, 127, 120, 113},
};
constexpr std::size_t kRenderBlock = 4096;

void putBe16(Bytes& bytes, std::uint32_t value) {
  bytes.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFFu));
  bytes.push_back(static_cast<std::uint8_t>(value & 0xFFu));
}

void putText(Bytes& bytes, const std::string& text, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i)
    bytes.push_back(i < text.size() ? static_cast<std::uint8_t>(text[i]) : 0);
}

// Lengths are stored in 16-bit words.
std::uint32_t words(std::size_t nbByte) {
  return static_cast<std::uint32_t>(std::min<std::size_t>((nbByte + 1) / 2, 0xFFFF));
}

void putSampleHeader(Bytes& bytes, const Sample* pSample) {
  if (!pSample) {
    putText(bytes, "", kSampleNameSize);
    putBe16(bytes, 0);
    bytes.push_back(0);  // fine tune
    bytes.push_back(0);  // volume
    putBe16(bytes, 0);   // loop start
    putBe16(bytes, 1);   // loop length: one word means no loop
    return;
  }
  putText(bytes, pSample->name, kSampleNameSize);
  putBe16(bytes, words(pSample->data.size()));
  bytes.push_back(0);
  bytes.push_back(std::min<std::uint8_t>(pSample->volume, 64));
  const bool loops = pSample->loopLength >= 2;
  putBe16(bytes, loops ? pSample->loopStart / 2 : 0);
  putBe16(bytes, loops ? words(pSample->loopLength) : 1);
}

void putNote(Bytes& bytes, const Note& note) {
  const std::uint32_t period = note.period & 0xFFFu;
  bytes.push_back(static_cast<std::uint8_t>((note.sample & 0xF0u) | (period >> 8)));
  bytes.push_back(static_cast<std::uint8_t>(period & 0xFFu));
  bytes.push_back(static_cast<std::uint8_t>(((note.sample & 0x0Fu) << 4) | (note.effect & 0xFu)));
  bytes.push_back(note.param);
}

struct ModuleDeleter {
  void operator()(openmpt_module* pModule) const { openmpt_module_destroy(pModule); }
};
struct SoundFileCloser {
  void operator()(SNDFILE* pFile) const { sf_close(pFile); }
};

}  // namespace

std::uint16_t periodOf(int octave, int semitone) {
  const int note = std::clamp((octave - 1) * 12 + semitone, 0, 35);
  return kPeriods[note / 12][note % 12];
}

std::vector<std::uint8_t> encodeMod(const Module& module) {
  const std::size_t nbSample = std::min<std::size_t>(module.samples.size(), kMaxSample);
  const std::size_t nbPattern = std::min<std::size_t>(module.patterns.size(), kMaxPattern);
  const std::size_t nbOrder = std::min<std::size_t>(module.order.size(), kMaxOrder);
  Bytes bytes;
  putText(bytes, module.title, kTitleSize);
  for (std::size_t i = 0; i < kMaxSample; ++i)
    putSampleHeader(bytes, i < nbSample ? &module.samples[i] : nullptr);
  bytes.push_back(static_cast<std::uint8_t>(nbOrder));
  bytes.push_back(kRestartPosition);
  // The format stores as many patterns as the highest pattern number of the whole order table.
  for (std::size_t i = 0; i < kMaxOrder; ++i)
    bytes.push_back(i < nbOrder ? module.order[i] : 0);
  putText(bytes, "M.K.", 4);
  for (std::size_t i = 0; i < nbPattern; ++i) {
    for (const Row& row : module.patterns[i]) {
      for (const Note& note : row)
        putNote(bytes, note);
    }
  }
  for (std::size_t i = 0; i < nbSample; ++i) {
    const std::vector<std::int8_t>& data = module.samples[i].data;
    const std::size_t nbByte = std::size_t{words(data.size())} * 2;
    for (std::size_t k = 0; k < nbByte; ++k)
      bytes.push_back(k < data.size() ? static_cast<std::uint8_t>(data[k]) : 0);
  }
  return bytes;
}

RenderResult renderToOgg(std::span<const std::uint8_t> moduleBytes,
                         const std::filesystem::path& path, int sampleRate) {
  RenderResult result;
  int error = 0;
  std::unique_ptr<openmpt_module, ModuleDeleter> pModule(openmpt_module_create_from_memory2(
      moduleBytes.data(), moduleBytes.size(), openmpt_log_func_silent, nullptr,
      openmpt_error_func_ignore, nullptr, &error, nullptr, nullptr));
  if (!pModule) {
    result.error = "libopenmpt cannot read the module (error " + std::to_string(error) + ")";
    return result;
  }
  // Amiga panning puts channels hard left and right; keep some of each side in the other.
  openmpt_module_set_render_param(pModule.get(), OPENMPT_MODULE_RENDER_STEREOSEPARATION_PERCENT,
                                  60);

  SF_INFO info{};
  info.samplerate = sampleRate;
  info.channels = 2;
  info.format = SF_FORMAT_OGG | SF_FORMAT_VORBIS;
  std::unique_ptr<SNDFILE, SoundFileCloser> pFile(sf_open(path.string().c_str(), SFM_WRITE, &info));
  if (!pFile) {
    result.error =
        std::string("libsndfile cannot write ") + path.string() + ": " + sf_strerror(nullptr);
    return result;
  }
  // libopenmpt plays a short tail after the last row; the stream stops where the module's
  // duration ends, so that the two files of one piece last equally long.
  const auto nbFrameTotal = static_cast<std::int64_t>(
      std::llround(openmpt_module_get_duration_seconds(pModule.get()) * sampleRate));
  std::vector<float> block(kRenderBlock * 2);
  while (result.nbFrame < nbFrameTotal) {
    const std::size_t nbWanted =
        std::min(kRenderBlock, static_cast<std::size_t>(nbFrameTotal - result.nbFrame));
    const std::size_t nbRead = openmpt_module_read_interleaved_float_stereo(
        pModule.get(), sampleRate, nbWanted, block.data());
    if (nbRead == 0) break;
    const sf_count_t nbWritten =
        sf_writef_float(pFile.get(), block.data(), static_cast<sf_count_t>(nbRead));
    if (nbWritten != static_cast<sf_count_t>(nbRead)) {
      result.error = std::string("libsndfile: ") + sf_strerror(pFile.get());
      return result;
    }
    result.nbFrame += nbWritten;
  }
  result.ok = sf_close(pFile.release()) == 0;
  if (!result.ok) result.error = "libsndfile cannot finish " + path.string();
  return result;
}

}  // namespace ModuleWriter
