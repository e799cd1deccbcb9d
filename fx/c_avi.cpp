#include "fx/c_avi.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <optional>
#include <string_view>
#include <utility>

#include "base/file_tools.h"
#include "base/report.h"

namespace {

constexpr std::string_view kErrorCaption = "CAvi error";
constexpr std::string_view kWarningCaption = "CAvi warning";
constexpr const char* kMemoryLimitVariable = "SHOWPLAYER_VIDEO_MEMORY_LIMIT";
// 1 GiB: about 2000 frames of the 512 x 256 show band, far more than a show's videos need.
constexpr uint64_t kDefaultMemoryLimit = uint64_t{1} << 30;
// Rows that every owned image block holds besides the picture: two guard rows above, two below.
constexpr uint64_t kImageGuardRows = 4;
// The decoder's own picture may always be this large (1024 x 1024): its edges and alignment
// padding go beyond the frame size, by how much depends on the codec.
constexpr uint64_t kMinDecoderPixels = uint64_t{1} << 20;
// The read buffer handed to FFmpeg.
constexpr int kReadBufferSize = 1 << 16;
static_assert(kDefaultMemoryLimit > 0 && kReadBufferSize > 0);

// a * b, or the largest value when the product does not fit.
uint64_t saturatingProduct(uint64_t a, uint64_t b) {
  if (b != 0 && a > std::numeric_limits<uint64_t>::max() / b) {
    return std::numeric_limits<uint64_t>::max();
  }
  return a * b;
}

// Bytes of one decoded frame as a CImage32Buffered: (height + 4) * width words.
uint64_t frameBytes(int32_t width, int32_t height) {
  return saturatingProduct(saturatingProduct(static_cast<uint64_t>(height) + kImageGuardRows,
                                             static_cast<uint64_t>(width)),
                           sizeof(uint32_t));
}

std::string memoryRefusal(std::string_view name, std::string_view count, int32_t width,
                          int32_t height, uint64_t bytes, uint64_t limit) {
  return "file " + std::string(name) + ": " + std::string(count) + " frames of " +
         std::to_string(width) + " x " + std::to_string(height) + " take " + std::to_string(bytes) +
         " bytes, more than the video memory limit of " + std::to_string(limit) + " bytes (" +
         kMemoryLimitVariable + ")";
}

struct FileCloser {
  void operator()(std::FILE* pFile) const { std::fclose(pFile); }
};
struct IoContextDeleter {
  void operator()(AVIOContext* pIo) const {
    // FFmpeg may have replaced the buffer handed in: free the one the context holds now.
    av_freep(&pIo->buffer);
    avio_context_free(&pIo);
  }
};
struct FormatContextDeleter {
  void operator()(AVFormatContext* pFormat) const { avformat_close_input(&pFormat); }
};
struct CodecContextDeleter {
  void operator()(AVCodecContext* pCodec) const { avcodec_free_context(&pCodec); }
};
struct PacketDeleter {
  void operator()(AVPacket* pPacket) const { av_packet_free(&pPacket); }
};
struct FrameDeleter {
  void operator()(AVFrame* pFrame) const { av_frame_free(&pFrame); }
};
struct ScaleDeleter {
  void operator()(SwsContext* pScale) const { sws_freeContext(pScale); }
};

// The file under FFmpeg's reader: plain reads and seeks of this one file. No protocol layer takes
// part, so a name is only ever a file name ("concat:" or "http:" mean nothing), and demuxers that
// would open further files (playlists) are refused by refuseNestedOpen.
struct FileInput {
  std::unique_ptr<std::FILE, FileCloser> pFile;
  int64_t size = 0;
};

int readInput(void* pOpaque, uint8_t* pBuffer, int size) {
  auto* pInput = static_cast<FileInput*>(pOpaque);
  const size_t nbRead = std::fread(pBuffer, 1, static_cast<size_t>(size), pInput->pFile.get());
  if (nbRead == 0) return std::ferror(pInput->pFile.get()) ? AVERROR(EIO) : AVERROR_EOF;
  return static_cast<int>(nbRead);
}

int64_t seekInput(void* pOpaque, int64_t offset, int whence) {
  auto* pInput = static_cast<FileInput*>(pOpaque);
  if (whence & AVSEEK_SIZE) return pInput->size;
  whence &= ~AVSEEK_FORCE;
  if (whence != SEEK_SET && whence != SEEK_CUR && whence != SEEK_END) return AVERROR(EINVAL);
  if (fseeko(pInput->pFile.get(), static_cast<off_t>(offset), whence) != 0) return AVERROR(EIO);
  return static_cast<int64_t>(ftello(pInput->pFile.get()));
}

int refuseNestedOpen(AVFormatContext*, AVIOContext**, const char*, int, AVDictionary**) {
  return AVERROR(EPERM);
}

// One video being read: the file, the demuxer, the decoder of its first video stream and the
// conversion of decoded pictures to 32-bit words.
class VideoReader {
 public:
  VideoReader() = default;
  ~VideoReader() { av_freep(&m_pRgb[0]); }
  VideoReader(const VideoReader&) = delete;
  VideoReader& operator=(const VideoReader&) = delete;

  // Opens the file and finds its first video stream (a cover picture does not count).
  bool open(const std::string& path);
  AVStream* stream() const { return m_pStream; }
  AVFormatContext* format() const { return m_pFormat.get(); }
  // Starts the stream's decoder; pictures above maxPixels are refused by the decoder itself.
  bool openDecoder(int64_t maxPixels);
  // Prepares the conversion to width x height words.
  bool openConversion(int32_t width, int32_t height);

  // Decodes the next picture of the stream, skipping what does not decode; false at the end.
  bool nextFrame();
  // The picture nextFrame() gave, scaled to the stream's size, as 0x00RRGGBB words. False when
  // its format cannot be converted.
  bool convert(CImage32& image);

 private:
  FileInput m_input;
  std::unique_ptr<AVIOContext, IoContextDeleter> m_pIo;
  std::unique_ptr<AVFormatContext, FormatContextDeleter> m_pFormat;
  AVStream* m_pStream = nullptr;
  std::unique_ptr<AVCodecContext, CodecContextDeleter> m_pCodec;
  std::unique_ptr<AVPacket, PacketDeleter> m_pPacket;
  std::unique_ptr<AVFrame, FrameDeleter> m_pFrame;
  std::unique_ptr<SwsContext, ScaleDeleter> m_pScale;
  // The conversion target: FFmpeg's padded, aligned picture, copied row by row into the image.
  uint8_t* m_pRgb[4] = {};
  int m_rgbLinesize[4] = {};
  int32_t m_width = 0;
  int32_t m_height = 0;
  bool m_flushed = false;
};

bool VideoReader::open(const std::string& path) {
  const std::optional<std::string> resolved = FileTools::resolveExisting(path);
  // A regular file only: a folder has no frames, and a FIFO or a device would block or never end.
  std::error_code error;
  if (!resolved || !std::filesystem::is_regular_file(*resolved, error)) return false;
  m_input.pFile.reset(std::fopen(resolved->c_str(), "rb"));
  if (!m_input.pFile) return false;
  if (fseeko(m_input.pFile.get(), 0, SEEK_END) != 0) return false;
  m_input.size = static_cast<int64_t>(ftello(m_input.pFile.get()));
  if (m_input.size < 0 || fseeko(m_input.pFile.get(), 0, SEEK_SET) != 0) return false;

  auto* pBuffer = static_cast<uint8_t*>(av_malloc(kReadBufferSize));
  if (!pBuffer) return false;
  m_pIo.reset(
      avio_alloc_context(pBuffer, kReadBufferSize, 0, &m_input, readInput, nullptr, seekInput));
  if (!m_pIo) {
    av_free(pBuffer);
    return false;
  }
  AVFormatContext* pFormat = avformat_alloc_context();
  if (!pFormat) return false;
  pFormat->pb = m_pIo.get();
  pFormat->io_open = refuseNestedOpen;
  // On failure avformat_open_input frees the context itself.
  if (avformat_open_input(&pFormat, resolved->c_str(), nullptr, nullptr) < 0) return false;
  m_pFormat.reset(pFormat);
  // Fills in what the headers leave out (frame size, rate) by reading the first packets; a file
  // where that fails may still decode, so its result is not a verdict.
  avformat_find_stream_info(pFormat, nullptr);

  for (unsigned i = 0; i < pFormat->nb_streams; ++i) {
    AVStream* pStream = pFormat->streams[i];
    if (pStream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO &&
        !(pStream->disposition & AV_DISPOSITION_ATTACHED_PIC)) {
      m_pStream = pStream;
      break;
    }
  }
  if (!m_pStream) return false;
  // Only the video stream's packets are wanted.
  for (unsigned i = 0; i < pFormat->nb_streams; ++i) {
    if (pFormat->streams[i] != m_pStream) pFormat->streams[i]->discard = AVDISCARD_ALL;
  }
  return true;
}

bool VideoReader::openDecoder(int64_t maxPixels) {
  const AVCodec* pDecoder = avcodec_find_decoder(m_pStream->codecpar->codec_id);
  if (!pDecoder) return false;
  m_pCodec.reset(avcodec_alloc_context3(pDecoder));
  m_pPacket.reset(av_packet_alloc());
  m_pFrame.reset(av_frame_alloc());
  if (!m_pCodec || !m_pPacket || !m_pFrame) return false;
  if (avcodec_parameters_to_context(m_pCodec.get(), m_pStream->codecpar) < 0) return false;
  m_pCodec->max_pixels = maxPixels;
  // One thread: the frames come out in the same order and with the same bytes on every machine.
  m_pCodec->thread_count = 1;
  return avcodec_open2(m_pCodec.get(), pDecoder, nullptr) >= 0;
}

bool VideoReader::openConversion(int32_t width, int32_t height) {
  m_width = width;
  m_height = height;
  // AV_PIX_FMT_RGB32 is the native-endian word 0xAARRGGBB, the images' own layout.
  return av_image_alloc(m_pRgb, m_rgbLinesize, width, height, AV_PIX_FMT_RGB32, 64) >= 0;
}

bool VideoReader::nextFrame() {
  for (;;) {
    const int received = avcodec_receive_frame(m_pCodec.get(), m_pFrame.get());
    if (received >= 0) return true;
    if (received == AVERROR_EOF || m_flushed) return false;
    // The decoder wants input (EAGAIN), or a picture was lost to damaged data: either way
    // decoding goes on with the next packet. Every turn reads a packet or ends the input, so the
    // loop ends with the file.
    bool sent = false;
    while (!sent) {
      if (av_read_frame(m_pFormat.get(), m_pPacket.get()) < 0) {
        // End of file, or a read error: what the decoder still holds comes out.
        avcodec_send_packet(m_pCodec.get(), nullptr);
        m_flushed = true;
        sent = true;
      } else if (m_pPacket->stream_index == m_pStream->index) {
        // A packet that does not decode is dropped.
        avcodec_send_packet(m_pCodec.get(), m_pPacket.get());
        sent = true;
      }
      av_packet_unref(m_pPacket.get());
    }
  }
}

bool VideoReader::convert(CImage32& image) {
  const AVFrame& frame = *m_pFrame;
  m_pScale.reset(sws_getCachedContext(m_pScale.release(), frame.width, frame.height,
                                      static_cast<AVPixelFormat>(frame.format), m_width, m_height,
                                      AV_PIX_FMT_RGB32, SWS_BICUBIC | SWS_ACCURATE_RND, nullptr,
                                      nullptr, nullptr));
  if (!m_pScale) return false;
  if (sws_scale(m_pScale.get(), frame.data, frame.linesize, 0, frame.height, m_pRgb,
                m_rgbLinesize) != m_height) {
    return false;
  }
  // Rows top first; the fourth byte is 0 in every frame word.
  uint32_t* pOut = image.getPixels();
  for (int32_t y = 0; y < m_height; ++y) {
    const uint8_t* pRow = m_pRgb[0] + static_cast<ptrdiff_t>(y) * m_rgbLinesize[0];
    for (int32_t x = 0; x < m_width; ++x) {
      uint32_t word;
      std::memcpy(&word, pRow + 4 * x, sizeof word);
      *pOut++ = word & 0x00FFFFFFu;
    }
  }
  return true;
}

// Milliseconds from the first frame to the one after the last: nbFrame frame periods of the
// stream's rate (an AVI stream's rate / scale), else the duration the container gives.
int64_t videoLengthMs(AVFormatContext* pFormat, AVStream* pStream, int64_t nbFrame) {
  const AVRational rate = av_guess_frame_rate(pFormat, pStream, nullptr);
  constexpr AVRational kMillisecond = {1, 1000};
  if (rate.num > 0 && rate.den > 0) return av_rescale_q(nbFrame, av_inv_q(rate), kMillisecond);
  if (pStream->duration > 0 && pStream->time_base.num > 0 && pStream->time_base.den > 0) {
    return av_rescale_q(pStream->duration, pStream->time_base, kMillisecond);
  }
  return 0;
}

}  // namespace

CAvi::CAvi(const char* fileName) {
  load(fileName);
}

CAvi::~CAvi() = default;

CImage32* CAvi::getFrame(int32_t i) {
  return const_cast<CImage32*>(std::as_const(*this).getFrame(i));
}

const CImage32* CAvi::getFrame(int32_t i) const {
  if (m_frames.empty()) return nullptr;
  const auto count = static_cast<int64_t>(m_frames.size());
  const int64_t index = ((static_cast<int64_t>(i) % count) + count) % count;
  return m_frames[static_cast<size_t>(index)].get();
}

uint64_t CAvi::memoryLimit() {
  const char* pValue = std::getenv(kMemoryLimitVariable);
  if (!pValue) return kDefaultMemoryLimit;
  // Digits only: strtoull alone would take "-1" as a huge limit and " 12" or "12k" as 12.
  const bool digits = *pValue != '\0' && std::strspn(pValue, "0123456789") == std::strlen(pValue);
  errno = 0;
  const unsigned long long limit = digits ? std::strtoull(pValue, nullptr, 10) : 0;
  if (digits && errno == 0 && limit > 0) return limit;
  report(kWarningCaption,
         std::string(kMemoryLimitVariable) + " \"" + pValue +
             "\" is not a positive number of bytes; the limit stays " +
             std::to_string(kDefaultMemoryLimit),
         ReportLevel::Warning);
  return kDefaultMemoryLimit;
}

void CAvi::error(const std::string& text) const {
  report(kErrorCaption, text, ReportLevel::Fatal);
}

void CAvi::load(const char* fileName) {
  // FFmpeg writes its own complaints to stderr; the report sink is the one voice of the program.
  av_log_set_level(AV_LOG_QUIET);
  const std::string name = fileName ? fileName : "";
  VideoReader reader;
  if (!fileName || !reader.open(name)) {
    error("can't open file " + name);
    return;
  }
  AVStream* pStream = reader.stream();
  const int32_t width = pStream->codecpar->width;
  const int32_t height = pStream->codecpar->height;
  const uint64_t limit = memoryLimit();
  const uint64_t bytesPerFrame = frameBytes(width, height);
  // First check, before anything is decoded: the frame count the file announces.
  const int64_t nbAnnounced = pStream->nb_frames;
  if (width > 0 && height > 0) {
    const uint64_t nbCounted = static_cast<uint64_t>(std::max<int64_t>(nbAnnounced, 1));
    const uint64_t bytes = saturatingProduct(bytesPerFrame, nbCounted);
    if (bytes > limit) {
      error(memoryRefusal(name, std::to_string(nbCounted), width, height, bytes, limit));
      return;
    }
  }
  // A picture that could not be kept even once within the limit is refused by the decoder itself,
  // before it allocates it (the container's size may lie, the bitstream's wins in the decoder).
  // The decoder counts its own padded picture, so a small limit still lets small videos through.
  const auto maxPixels = static_cast<int64_t>(std::clamp<uint64_t>(
      limit / sizeof(uint32_t), kMinDecoderPixels, std::numeric_limits<int32_t>::max()));
  if (width <= 0 || height <= 0 || !reader.openDecoder(maxPixels) ||
      !reader.openConversion(width, height)) {
    error("can't get Frame");
    return;
  }

  std::vector<std::unique_ptr<CImage32Buffered>> frames;
  while (reader.nextFrame()) {
    // Second check, before every frame is kept: the running total.
    const uint64_t nbKept = frames.size() + 1;
    const uint64_t bytes = saturatingProduct(bytesPerFrame, nbKept);
    if (bytes > limit || nbKept > static_cast<uint64_t>(std::numeric_limits<int32_t>::max())) {
      error(memoryRefusal(name, "at least " + std::to_string(nbKept), width, height, bytes, limit));
      return;
    }
    auto pImage = std::make_unique<CImage32Buffered>(width, height);
    if (!pImage->getPixels()) return;  // reported by the image ("not enough memory")
    if (!reader.convert(*pImage)) {
      error("can't get Frame");
      return;
    }
    frames.push_back(std::move(pImage));
  }
  if (frames.empty()) {
    error("no frame");
    return;
  }
  const auto nbFrame = static_cast<int64_t>(frames.size());
  if (nbAnnounced > nbFrame) {
    report(kWarningCaption,
           "file " + name + ": " + std::to_string(nbFrame) + " of " + std::to_string(nbAnnounced) +
               " frames decoded",
           ReportLevel::Warning);
  }
  const int64_t lengthMs = videoLengthMs(reader.format(), pStream, nbFrame);
  m_frameDuration = static_cast<int32_t>(
      std::clamp<int64_t>(lengthMs / nbFrame, 1, std::numeric_limits<int32_t>::max()));
  m_width = width;
  m_height = height;
  m_frames = std::move(frames);
}

bool isVideoName(std::string_view fileName) {
  std::string name(fileName);
  std::transform(name.begin(), name.end(), name.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return name.find(".avi") != std::string::npos;
}
