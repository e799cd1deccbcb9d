#include "tests/fx/video_writer.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <memory>

namespace fx_test {
namespace {

struct OutputDeleter {
  void operator()(AVFormatContext* pFormat) const {
    if (pFormat->pb) avio_closep(&pFormat->pb);
    avformat_free_context(pFormat);
  }
};
struct CodecDeleter {
  void operator()(AVCodecContext* pCodec) const { avcodec_free_context(&pCodec); }
};
struct FrameDeleter {
  void operator()(AVFrame* pFrame) const { av_frame_free(&pFrame); }
};
struct PacketDeleter {
  void operator()(AVPacket* pPacket) const { av_packet_free(&pPacket); }
};

AVCodecID codecId(VideoCodec codec) {
  switch (codec) {
    case VideoCodec::Raw:
      return AV_CODEC_ID_RAWVIDEO;
    case VideoCodec::Mjpeg:
      return AV_CODEC_ID_MJPEG;
    case VideoCodec::Mpeg4:
      return AV_CODEC_ID_MPEG4;
  }
  return AV_CODEC_ID_NONE;
}

AVPixelFormat pixelFormat(VideoCodec codec) {
  switch (codec) {
    case VideoCodec::Raw:
      return AV_PIX_FMT_BGR24;
    case VideoCodec::Mjpeg:
      return AV_PIX_FMT_YUVJ420P;  // full-range 4:2:0, the usual MJPEG
    case VideoCodec::Mpeg4:
      return AV_PIX_FMT_YUV420P;
  }
  return AV_PIX_FMT_NONE;
}

uint8_t clampByte(double v) {
  return static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L));
}

// The words of one picture into the encoder's frame, written out here rather than by the
// library under test: BGR24 bytes for raw video; for 4:2:0, BT.601 luma per pixel and chroma from
// the mean colour of each 2 x 2 block (the pixels of it that lie in the picture, so odd sizes
// get a right chroma column too). Full range for MJPEG, 16..235 / 16..240 for MPEG-4.
void fillFrame(AVFrame& frame, const std::vector<uint32_t>& words, int32_t width, int32_t height,
               bool fullRange) {
  const auto channel = [&](int32_t x, int32_t y, int shift) {
    return static_cast<double>((words[static_cast<size_t>(y * width + x)] >> shift) & 255);
  };
  if (frame.format == AV_PIX_FMT_BGR24) {
    for (int32_t y = 0; y < height; ++y) {
      uint8_t* pRow = frame.data[0] + static_cast<ptrdiff_t>(y) * frame.linesize[0];
      for (int32_t x = 0; x < width; ++x) {
        pRow[3 * x] = static_cast<uint8_t>(channel(x, y, 0));
        pRow[3 * x + 1] = static_cast<uint8_t>(channel(x, y, 8));
        pRow[3 * x + 2] = static_cast<uint8_t>(channel(x, y, 16));
      }
    }
    return;
  }
  const double lumaScale = fullRange ? 1.0 : 219.0 / 255.0;
  const double lumaOffset = fullRange ? 0.0 : 16.0;
  const double chromaScale = fullRange ? 1.0 : 224.0 / 255.0;
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      const double luma =
          0.299 * channel(x, y, 16) + 0.587 * channel(x, y, 8) + 0.114 * channel(x, y, 0);
      frame.data[0][y * frame.linesize[0] + x] = clampByte(lumaOffset + lumaScale * luma);
    }
  }
  for (int32_t cy = 0; 2 * cy < height; ++cy) {
    for (int32_t cx = 0; 2 * cx < width; ++cx) {
      double r = 0, g = 0, b = 0;
      int count = 0;
      for (int32_t y = 2 * cy; y < std::min(2 * cy + 2, height); ++y) {
        for (int32_t x = 2 * cx; x < std::min(2 * cx + 2, width); ++x) {
          r += channel(x, y, 16);
          g += channel(x, y, 8);
          b += channel(x, y, 0);
          ++count;
        }
      }
      r /= count;
      g /= count;
      b /= count;
      const double cb = -0.168736 * r - 0.331264 * g + 0.5 * b;
      const double cr = 0.5 * r - 0.418688 * g - 0.081312 * b;
      frame.data[1][cy * frame.linesize[1] + cx] = clampByte(128.0 + chromaScale * cb);
      frame.data[2][cy * frame.linesize[2] + cx] = clampByte(128.0 + chromaScale * cr);
    }
  }
}

// Sends pFrame (null: the end) and writes every packet the encoder gives back.
bool encode(AVFormatContext* pFormat, AVCodecContext* pCodec, AVStream* pStream,
            const AVFrame* pFrame, AVPacket* pPacket) {
  if (avcodec_send_frame(pCodec, pFrame) < 0) return false;
  for (;;) {
    const int code = avcodec_receive_packet(pCodec, pPacket);
    if (code == AVERROR(EAGAIN) || code == AVERROR_EOF) return true;
    if (code < 0) return false;
    av_packet_rescale_ts(pPacket, pCodec->time_base, pStream->time_base);
    pPacket->stream_index = pStream->index;
    if (av_interleaved_write_frame(pFormat, pPacket) < 0) return false;
  }
}

}  // namespace

std::string encoderName(VideoCodec codec) {
  const AVCodec* pEncoder = avcodec_find_encoder(codecId(codec));
  return pEncoder ? pEncoder->name : "";
}

std::optional<std::string> writeVideo(const std::string& path, const VideoFormat& format,
                                      const std::vector<std::vector<uint32_t>>& frames) {
  av_log_set_level(AV_LOG_QUIET);
  const AVCodec* pEncoder = avcodec_find_encoder(codecId(format.codec));
  if (!pEncoder) return "no encoder";
  AVFormatContext* pRawFormat = nullptr;
  if (avformat_alloc_output_context2(&pRawFormat, nullptr, format.container.c_str(), path.c_str()) <
      0) {
    return "no muxer " + format.container;
  }
  std::unique_ptr<AVFormatContext, OutputDeleter> pFormat(pRawFormat);
  AVStream* pStream = avformat_new_stream(pFormat.get(), nullptr);
  std::unique_ptr<AVCodecContext, CodecDeleter> pCodec(avcodec_alloc_context3(pEncoder));
  if (!pStream || !pCodec) return "out of memory";

  AVCodecContext& codec = *pCodec;
  codec.width = format.width;
  codec.height = format.height;
  codec.time_base = AVRational{format.rateDen, format.rateNum};
  codec.framerate = AVRational{format.rateNum, format.rateDen};
  codec.pix_fmt = pixelFormat(format.codec);
  if (format.codec != VideoCodec::Raw) {
    codec.flags |= AV_CODEC_FLAG_QSCALE;
    codec.global_quality = FF_QP2LAMBDA * 2;
  }
  if (format.codec == VideoCodec::Mpeg4) {
    codec.gop_size = 6;
    codec.max_b_frames = 2;
  }
  if (pFormat->oformat->flags & AVFMT_GLOBALHEADER) codec.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  if (avcodec_open2(pCodec.get(), pEncoder, nullptr) < 0) return "encoder refused the format";
  if (avcodec_parameters_from_context(pStream->codecpar, pCodec.get()) < 0) return "parameters";
  pStream->time_base = codec.time_base;
  pStream->avg_frame_rate = codec.framerate;
  if (avio_open(&pFormat->pb, path.c_str(), AVIO_FLAG_WRITE) < 0) return "cannot create " + path;
  if (avformat_write_header(pFormat.get(), nullptr) < 0) return "header";

  std::unique_ptr<AVFrame, FrameDeleter> pFrame(av_frame_alloc());
  std::unique_ptr<AVPacket, PacketDeleter> pPacket(av_packet_alloc());
  if (!pFrame || !pPacket) return "out of memory";
  pFrame->format = codec.pix_fmt;
  pFrame->width = format.width;
  pFrame->height = format.height;
  if (av_frame_get_buffer(pFrame.get(), 0) < 0) return "frame buffer";

  for (size_t i = 0; i < frames.size(); ++i) {
    if (frames[i].size() !=
        static_cast<size_t>(format.width) * static_cast<size_t>(format.height)) {
      return "frame " + std::to_string(i) + " has the wrong size";
    }
    if (av_frame_make_writable(pFrame.get()) < 0) return "frame not writable";
    fillFrame(*pFrame, frames[i], format.width, format.height, format.codec == VideoCodec::Mjpeg);
    pFrame->pts = static_cast<int64_t>(i);
    if (!encode(pFormat.get(), pCodec.get(), pStream, pFrame.get(), pPacket.get())) {
      return "encoding frame " + std::to_string(i);
    }
  }
  if (!encode(pFormat.get(), pCodec.get(), pStream, nullptr, pPacket.get())) return "flush";
  if (av_write_trailer(pFormat.get()) < 0) return "trailer";
  return std::nullopt;
}

namespace {

constexpr uint32_t rgb(uint32_t r, uint32_t g, uint32_t b) {
  return r << 16 | g << 8 | b;
}

Frames makeFrames(int32_t width, int32_t height, int32_t nbFrame, bool ramp) {
  Frames frames(static_cast<size_t>(nbFrame));
  for (int32_t i = 0; i < nbFrame; ++i)
    for (int32_t y = 0; y < height; ++y)
      for (int32_t x = 0; x < width; ++x) {
        const auto ux = static_cast<uint32_t>(x), uy = static_cast<uint32_t>(y);
        const auto ui = static_cast<uint32_t>(i);
        frames[ui].push_back(ramp ? rgb((ux * 5 + ui * 3) & 255, (uy * 9 + ui * 7) & 255,
                                        (ux * 3 + uy * 11 + ui * 17) & 255)
                                  : quadrantColour(i, quadrantOf(x, y, width, height)));
      }
  return frames;
}

}  // namespace

uint32_t quadrantColour(int32_t i, int32_t q) {
  return rgb(static_cast<uint32_t>(32 + 16 * (i % 12)), static_cast<uint32_t>(40 + 50 * q),
             static_cast<uint32_t>(210 - 45 * q));
}

int32_t quadrantOf(int32_t x, int32_t y, int32_t width, int32_t height) {
  return (y >= height / 2 ? 2 : 0) + (x >= width / 2 ? 1 : 0);
}

Frames quadrantFrames(int32_t width, int32_t height, int32_t nbFrame) {
  return makeFrames(width, height, nbFrame, false);
}

Frames rampFrames(int32_t width, int32_t height, int32_t nbFrame) {
  return makeFrames(width, height, nbFrame, true);
}

Bytes readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeBytes(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::optional<size_t> riffChunkData(const Bytes& file, const char (&id)[5]) {
  const auto it = std::search(file.begin(), file.end(), id, id + 4);
  if (it == file.end()) return std::nullopt;
  return static_cast<size_t>(it - file.begin()) + 8;
}

void putU32(Bytes& file, size_t offset, uint32_t value) {
  for (size_t k = 0; k < 4; ++k)
    file.at(offset + k) = static_cast<char>((value >> (8 * k)) & 255);
}

Bytes claimingFrameCount(Bytes file, uint32_t count) {
  putU32(file, riffChunkData(file, "avih").value() + 16, count);
  putU32(file, riffChunkData(file, "strh").value() + 32, count);
  return file;
}

Bytes claimingFrameSize(Bytes file, uint32_t width, uint32_t height) {
  putU32(file, riffChunkData(file, "strf").value() + 4, width);
  putU32(file, riffChunkData(file, "strf").value() + 8, height);
  return file;
}

}  // namespace fx_test
