#include "app/video_encoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libavutil/pixfmt.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <array>
#include <vector>

namespace {

constexpr int kChannels = 2;
constexpr std::int64_t kAudioBitRate = 192000;
// Sound frames per encoder frame when the encoder takes any size.
constexpr int kDefaultAudioFrameSize = 1024;

struct FormatContextDeleter {
  void operator()(AVFormatContext* pContext) const {
    if (pContext->pb && !(pContext->oformat->flags & AVFMT_NOFILE)) avio_closep(&pContext->pb);
    avformat_free_context(pContext);
  }
};
struct CodecContextDeleter {
  void operator()(AVCodecContext* pContext) const { avcodec_free_context(&pContext); }
};
struct FrameDeleter {
  void operator()(AVFrame* pFrame) const { av_frame_free(&pFrame); }
};
struct PacketDeleter {
  void operator()(AVPacket* pPacket) const { av_packet_free(&pPacket); }
};
struct ScaleDeleter {
  void operator()(SwsContext* pContext) const { sws_freeContext(pContext); }
};
struct ResampleDeleter {
  void operator()(SwrContext* pContext) const { swr_free(&pContext); }
};
struct FifoDeleter {
  void operator()(AVAudioFifo* pFifo) const { av_audio_fifo_free(pFifo); }
};

using FormatContextPtr = std::unique_ptr<AVFormatContext, FormatContextDeleter>;
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextDeleter>;
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;
using ScalePtr = std::unique_ptr<SwsContext, ScaleDeleter>;
using ResamplePtr = std::unique_ptr<SwrContext, ResampleDeleter>;
using FifoPtr = std::unique_ptr<AVAudioFifo, FifoDeleter>;

std::string errorText(int code) {
  std::array<char, AV_ERROR_MAX_STRING_SIZE> text{};
  av_strerror(code, text.data(), text.size());
  return text.data();
}

// The reason of a failed FFmpeg call: "what: FFmpeg's words".
std::string failure(const std::string& what, int code) {
  return what + ": " + errorText(code);
}

bool containerTakes(const AVOutputFormat* pFormat, AVCodecID id) {
  return id != AV_CODEC_ID_NONE && avformat_query_codec(pFormat, id, FF_COMPLIANCE_NORMAL) == 1;
}

// H.264 (libx264 first), then MPEG-4 part 2, then the container's default video codec.
const AVCodec* chooseVideoEncoder(const AVOutputFormat* pFormat) {
  const std::array<const AVCodec*, 4> candidates = {
      avcodec_find_encoder_by_name("libx264"), avcodec_find_encoder(AV_CODEC_ID_H264),
      avcodec_find_encoder(AV_CODEC_ID_MPEG4), avcodec_find_encoder(pFormat->video_codec)};
  for (const AVCodec* pCodec : candidates) {
    if (pCodec && containerTakes(pFormat, pCodec->id)) return pCodec;
  }
  return nullptr;
}

const AVCodec* chooseAudioEncoder(const AVOutputFormat* pFormat) {
  const std::array<const AVCodec*, 2> candidates = {avcodec_find_encoder(AV_CODEC_ID_AAC),
                                                    avcodec_find_encoder(pFormat->audio_codec)};
  for (const AVCodec* pCodec : candidates) {
    if (pCodec && containerTakes(pFormat, pCodec->id)) return pCodec;
  }
  return nullptr;
}

// The source rate when the encoder takes it, else 48000 or the encoder's first rate.
int chooseSampleRate(const AVCodec* pCodec, int sourceRate) {
  if (!pCodec->supported_samplerates) return sourceRate;
  bool has48000 = false;
  for (const int* pRate = pCodec->supported_samplerates; *pRate != 0; ++pRate) {
    if (*pRate == sourceRate) return sourceRate;
    has48000 = has48000 || *pRate == 48000;
  }
  return has48000 ? 48000 : pCodec->supported_samplerates[0];
}

}  // namespace

struct VideoEncoder::Streams {
  FormatContextPtr pFormat;
  bool finished = false;
  PacketPtr pPacket{av_packet_alloc()};

  // Video: the display image (native 32-bit words, 0xXXRRGGBB) converted to YUV 4:2:0.
  AVStream* pVideoStream = nullptr;
  CodecContextPtr pVideo;
  FramePtr pVideoFrame;
  ScalePtr pScale;
  std::int64_t nbFrame = 0;

  // Sound: interleaved float stereo, resampled into the encoder's format, queued until a whole
  // encoder frame is there.
  AVStream* pAudioStream = nullptr;
  CodecContextPtr pAudio;
  FramePtr pAudioFrame;
  ResamplePtr pResample;
  FifoPtr pFifo;
  int audioFrameSize = kDefaultAudioFrameSize;
  std::int64_t nbSample = 0;
  // Reused conversion output: one plane per channel, or one interleaved plane.
  std::vector<std::vector<std::uint8_t>> planes;

  std::optional<std::string> openVideo(const VideoFormat& format);
  std::optional<std::string> openAudio(int sourceRate);
  // Sends `pFrame` (null: the end) to the encoder and writes every packet it gives back.
  std::optional<std::string> encode(AVCodecContext* pCodec, AVStream* pStream,
                                    const AVFrame* pFrame);
  // Resamples `inCount` stereo frames (null: what the resampler still holds) into the queue.
  std::optional<std::string> convert(const float* pSamples, int inCount);
  // Encodes queued sound a whole encoder frame at a time; everything left when `all`.
  std::optional<std::string> drainFifo(bool all);
};

std::optional<std::string> VideoEncoder::Streams::openVideo(const VideoFormat& format) {
  const AVCodec* pCodec = chooseVideoEncoder(pFormat->oformat);
  if (!pCodec) return "no video encoder for this file type";
  pVideoStream = avformat_new_stream(pFormat.get(), nullptr);
  pVideo.reset(avcodec_alloc_context3(pCodec));
  if (!pVideoStream || !pVideo) return "out of memory";
  AVCodecContext& codec = *pVideo;
  codec.width = format.width;
  codec.height = format.height;
  codec.time_base = AVRational{1, format.fps};
  codec.framerate = AVRational{format.fps, 1};
  codec.pix_fmt = AV_PIX_FMT_YUV420P;
  codec.gop_size = std::max(1, format.fps * 2);
  // swscale's default conversion: BT.601 coefficients, limited range; tagged so players agree.
  codec.color_range = AVCOL_RANGE_MPEG;
  codec.colorspace = AVCOL_SPC_SMPTE170M;
  codec.color_primaries = AVCOL_PRI_SMPTE170M;
  codec.color_trc = AVCOL_TRC_SMPTE170M;
  if (pCodec->id == AV_CODEC_ID_H264) {
    av_opt_set(codec.priv_data, "preset", "veryfast", 0);
    av_opt_set(codec.priv_data, "crf", "18", 0);
  } else {
    codec.flags |= AV_CODEC_FLAG_QSCALE;
    codec.global_quality = FF_QP2LAMBDA * 3;
  }
  if (pFormat->oformat->flags & AVFMT_GLOBALHEADER) codec.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  if (const int code = avcodec_open2(pVideo.get(), pCodec, nullptr); code < 0) {
    return failure(std::string("cannot start the encoder ") + pCodec->name, code);
  }
  if (const int code = avcodec_parameters_from_context(pVideoStream->codecpar, pVideo.get());
      code < 0) {
    return failure("video stream", code);
  }
  pVideoStream->time_base = codec.time_base;
  pVideoStream->avg_frame_rate = codec.framerate;

  pVideoFrame.reset(av_frame_alloc());
  if (!pVideoFrame) return "out of memory";
  pVideoFrame->format = codec.pix_fmt;
  pVideoFrame->width = codec.width;
  pVideoFrame->height = codec.height;
  if (const int code = av_frame_get_buffer(pVideoFrame.get(), 0); code < 0) {
    return failure("video frame", code);
  }
  // AV_PIX_FMT_RGB32 is the native-endian 32-bit word 0xAARRGGBB: the image's own layout. The
  // fourth byte is ignored by the conversion to YUV.
  pScale.reset(sws_getContext(format.width, format.height, AV_PIX_FMT_RGB32, format.width,
                              format.height, codec.pix_fmt, SWS_BILINEAR, nullptr, nullptr,
                              nullptr));
  if (!pScale) return "cannot set up the colour conversion";
  return std::nullopt;
}

std::optional<std::string> VideoEncoder::Streams::openAudio(int sourceRate) {
  const AVCodec* pCodec = chooseAudioEncoder(pFormat->oformat);
  if (!pCodec) return "no sound encoder for this file type";
  if (!pCodec->sample_fmts) return std::string("no sample format for ") + pCodec->name;
  pAudioStream = avformat_new_stream(pFormat.get(), nullptr);
  pAudio.reset(avcodec_alloc_context3(pCodec));
  if (!pAudioStream || !pAudio) return "out of memory";
  AVCodecContext& codec = *pAudio;
  codec.sample_fmt = pCodec->sample_fmts[0];
  codec.sample_rate = chooseSampleRate(pCodec, sourceRate);
  av_channel_layout_default(&codec.ch_layout, kChannels);
  codec.bit_rate = kAudioBitRate;
  codec.time_base = AVRational{1, codec.sample_rate};
  if (pFormat->oformat->flags & AVFMT_GLOBALHEADER) codec.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  if (const int code = avcodec_open2(pAudio.get(), pCodec, nullptr); code < 0) {
    return failure(std::string("cannot start the encoder ") + pCodec->name, code);
  }
  if (const int code = avcodec_parameters_from_context(pAudioStream->codecpar, pAudio.get());
      code < 0) {
    return failure("sound stream", code);
  }
  pAudioStream->time_base = codec.time_base;
  if (codec.frame_size > 0 && !(pCodec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE)) {
    audioFrameSize = codec.frame_size;
  }

  SwrContext* pRawResample = nullptr;
  AVChannelLayout stereo{};
  av_channel_layout_default(&stereo, kChannels);
  int code =
      swr_alloc_set_opts2(&pRawResample, &codec.ch_layout, codec.sample_fmt, codec.sample_rate,
                          &stereo, AV_SAMPLE_FMT_FLT, sourceRate, 0, nullptr);
  av_channel_layout_uninit(&stereo);
  pResample.reset(pRawResample);
  if (code < 0) return failure("sound conversion", code);
  if (code = swr_init(pResample.get()); code < 0) return failure("sound conversion", code);

  pFifo.reset(av_audio_fifo_alloc(codec.sample_fmt, kChannels, audioFrameSize));
  pAudioFrame.reset(av_frame_alloc());
  if (!pFifo || !pAudioFrame) return "out of memory";
  pAudioFrame->format = codec.sample_fmt;
  pAudioFrame->sample_rate = codec.sample_rate;
  pAudioFrame->nb_samples = audioFrameSize;
  if (code = av_channel_layout_copy(&pAudioFrame->ch_layout, &codec.ch_layout); code < 0) {
    return failure("sound frame", code);
  }
  if (code = av_frame_get_buffer(pAudioFrame.get(), 0); code < 0) {
    return failure("sound frame", code);
  }
  planes.resize(av_sample_fmt_is_planar(codec.sample_fmt) ? kChannels : 1);
  return std::nullopt;
}

std::optional<std::string> VideoEncoder::Streams::encode(AVCodecContext* pCodec, AVStream* pStream,
                                                         const AVFrame* pFrame) {
  int code = avcodec_send_frame(pCodec, pFrame);
  if (code < 0) return failure("encoding", code);
  for (;;) {
    code = avcodec_receive_packet(pCodec, pPacket.get());
    if (code == AVERROR(EAGAIN) || code == AVERROR_EOF) return std::nullopt;
    if (code < 0) return failure("encoding", code);
    av_packet_rescale_ts(pPacket.get(), pCodec->time_base, pStream->time_base);
    pPacket->stream_index = pStream->index;
    // Takes the packet's data and leaves it blank for the next one.
    code = av_interleaved_write_frame(pFormat.get(), pPacket.get());
    if (code < 0) return failure("writing", code);
  }
}

std::optional<std::string> VideoEncoder::Streams::convert(const float* pSamples, int inCount) {
  const int outCapacity = swr_get_out_samples(pResample.get(), inCount);
  if (outCapacity < 0) return failure("sound conversion", outCapacity);
  if (outCapacity == 0) return std::nullopt;
  const int bytesPerPlane = av_samples_get_buffer_size(nullptr, planes.size() == 1 ? kChannels : 1,
                                                       outCapacity, pAudio->sample_fmt, 1);
  if (bytesPerPlane < 0) return failure("sound conversion", bytesPerPlane);
  std::array<std::uint8_t*, kChannels> out{};
  for (std::size_t i = 0; i < planes.size(); ++i) {
    if (planes[i].size() < static_cast<std::size_t>(bytesPerPlane)) {
      planes[i].resize(static_cast<std::size_t>(bytesPerPlane));
    }
    out[i] = planes[i].data();
  }
  std::array<const std::uint8_t*, 1> in = {reinterpret_cast<const std::uint8_t*>(pSamples)};
  const int converted = swr_convert(pResample.get(), out.data(), outCapacity,
                                    pSamples ? in.data() : nullptr, pSamples ? inCount : 0);
  if (converted < 0) return failure("sound conversion", converted);
  if (av_audio_fifo_write(pFifo.get(), reinterpret_cast<void**>(out.data()), converted) <
      converted) {
    return "sound queue";
  }
  return std::nullopt;
}

std::optional<std::string> VideoEncoder::Streams::drainFifo(bool all) {
  while (av_audio_fifo_size(pFifo.get()) >= audioFrameSize ||
         (all && av_audio_fifo_size(pFifo.get()) > 0)) {
    if (const int code = av_frame_make_writable(pAudioFrame.get()); code < 0) {
      return failure("sound frame", code);
    }
    // The last frame of the track may be short.
    const int count = std::min(audioFrameSize, av_audio_fifo_size(pFifo.get()));
    pAudioFrame->nb_samples = count;
    if (av_audio_fifo_read(pFifo.get(), reinterpret_cast<void**>(pAudioFrame->data), count) !=
        count) {
      return "sound queue";
    }
    pAudioFrame->pts = nbSample;
    nbSample += count;
    if (auto error = encode(pAudio.get(), pAudioStream, pAudioFrame.get())) return error;
  }
  return std::nullopt;
}

VideoEncoder::VideoEncoder() = default;
VideoEncoder::~VideoEncoder() = default;

std::optional<std::string> VideoEncoder::open(const std::string& path, const VideoFormat& format) {
  m_pStreams.reset();
  m_failed = true;
  if (format.width <= 0 || format.height <= 0 || format.width % 2 != 0 || format.height % 2 != 0 ||
      format.fps <= 0) {
    return "the frame size must be even and the frame rate positive";
  }
  if (format.audioRate && *format.audioRate <= 0) return "the sound rate must be positive";
  // The encoders' own chatter (x264's statistics) stays off the terminal; failures come back as
  // reasons.
  av_log_set_level(AV_LOG_FATAL);

  const AVOutputFormat* pOutputFormat =
      av_guess_format(nullptr, format.containerOf.c_str(), nullptr);
  if (!pOutputFormat) return "no video file type is known for the name " + format.containerOf;
  auto pStreams = std::make_unique<Streams>();
  AVFormatContext* pRawFormat = nullptr;
  if (const int code =
          avformat_alloc_output_context2(&pRawFormat, pOutputFormat, nullptr, path.c_str());
      code < 0 || !pRawFormat) {
    return failure("output", code);
  }
  pStreams->pFormat.reset(pRawFormat);
  if (!pStreams->pPacket) return "out of memory";
  if (auto error = pStreams->openVideo(format)) return error;
  if (format.audioRate) {
    if (auto error = pStreams->openAudio(*format.audioRate)) return error;
  }
  if (!(pOutputFormat->flags & AVFMT_NOFILE)) {
    if (const int code = avio_open(&pStreams->pFormat->pb, path.c_str(), AVIO_FLAG_WRITE);
        code < 0) {
      return errorText(code);
    }
  }
  AVDictionary* pOptions = nullptr;
  // MP4 and MOV: the index at the front, so the file plays while it downloads.
  av_dict_set(&pOptions, "movflags", "+faststart", 0);
  const int code = avformat_write_header(pStreams->pFormat.get(), &pOptions);
  av_dict_free(&pOptions);
  if (code < 0) return failure("header", code);
  m_pStreams = std::move(pStreams);
  m_failed = false;
  return std::nullopt;
}

std::optional<std::string> VideoEncoder::addFrame(const CImage32& image) {
  if (m_failed || !m_pStreams || m_pStreams->finished) return "the video is not open";
  Streams& streams = *m_pStreams;
  if (image.getWidth() != streams.pVideo->width || image.getHeight() != streams.pVideo->height ||
      !image.getPixels()) {
    return "a frame of the wrong size";
  }
  m_failed = true;
  AVFrame& frame = *streams.pVideoFrame;
  // The encoder may still hold the previous frame's buffer.
  if (const int code = av_frame_make_writable(&frame); code < 0) return failure("frame", code);
  const std::array<const std::uint8_t*, 1> source = {
      reinterpret_cast<const std::uint8_t*>(image.getPixels())};
  const std::array<int, 1> sourceStride = {image.getWidth() * 4};
  sws_scale(streams.pScale.get(), source.data(), sourceStride.data(), 0, image.getHeight(),
            frame.data, frame.linesize);
  frame.pts = streams.nbFrame;
  if (auto error = streams.encode(streams.pVideo.get(), streams.pVideoStream, &frame)) {
    return error;
  }
  ++streams.nbFrame;
  m_failed = false;
  return std::nullopt;
}

std::optional<std::string> VideoEncoder::addAudio(const float* pSamples, std::size_t nbFrame) {
  if (m_failed || !m_pStreams || m_pStreams->finished) return "the video is not open";
  Streams& streams = *m_pStreams;
  if (!streams.pAudio) return "the video has no sound track";
  if (nbFrame == 0) return std::nullopt;
  if (!pSamples || nbFrame > static_cast<std::size_t>(INT32_MAX / kChannels)) {
    return "a block of sound that cannot be taken";
  }
  m_failed = true;
  if (auto error = streams.convert(pSamples, static_cast<int>(nbFrame))) return error;
  if (auto error = streams.drainFifo(false)) return error;
  m_failed = false;
  return std::nullopt;
}

std::optional<std::string> VideoEncoder::finish() {
  if (m_failed || !m_pStreams || m_pStreams->finished) return "the video is not open";
  Streams& streams = *m_pStreams;
  m_failed = true;
  if (streams.pAudio) {
    // What the resampler still holds, then the last short frame, then the encoder's tail.
    if (auto error = streams.convert(nullptr, 0)) return error;
    if (auto error = streams.drainFifo(true)) return error;
    if (auto error = streams.encode(streams.pAudio.get(), streams.pAudioStream, nullptr)) {
      return error;
    }
  }
  if (auto error = streams.encode(streams.pVideo.get(), streams.pVideoStream, nullptr)) {
    return error;
  }
  if (const int code = av_write_trailer(streams.pFormat.get()); code < 0) {
    return failure("trailer", code);
  }
  if (!(streams.pFormat->oformat->flags & AVFMT_NOFILE)) {
    if (const int code = avio_closep(&streams.pFormat->pb); code < 0) {
      return failure("closing", code);
    }
  }
  streams.finished = true;
  m_failed = false;
  return std::nullopt;
}

std::string VideoEncoder::videoCodecName() const {
  return m_pStreams && m_pStreams->pVideo ? m_pStreams->pVideo->codec->name : "";
}

bool VideoEncoder::hasAudio() const {
  return m_pStreams && m_pStreams->pAudio != nullptr;
}

std::int64_t VideoEncoder::frameCount() const {
  return m_pStreams ? m_pStreams->nbFrame : 0;
}
