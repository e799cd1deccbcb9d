// `showplayer render --out VIDEO|FOLDER/`: the exported files are read back with the FFmpeg
// libraries (demuxed and decoded here, never trusting the encoder's own counts) or compared
// byte for byte with the frames of `render --at`.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <set>

#include "app/export_command.h"
#include "app/progress_bar.h"
#include "app/render_command.h"
#include "base/report.h"
#include "tests/app/app_test_util.h"
#include "tests/support/music_files.h"

namespace fs = std::filesystem;
using ::testing::StartsWith;

namespace {

constexpr uint32_t kRed = 0xFF0000u;
constexpr uint32_t kBlue = 0x0000FFu;

// What the FFmpeg libraries find in a video file.
struct VideoProbe {
  bool opened = false;
  int width = 0;
  int height = 0;
  AVRational frameRate{0, 1};
  int64_t nbVideoPacket = 0;
  int64_t nbDecodedFrame = 0;
  bool hasAudio = false;
  int audioRate = 0;
  // The duration of the sound stream in ms, as the container gives it.
  int64_t audioStreamMs = -1;
  // Decoded sound, first channel only.
  std::vector<float> samples;
  // Decoded pictures of the frames asked for, as RGB.
  std::map<int64_t, RgbImage> frames;

  double audioMs() const { return audioRate ? 1000.0 * double(samples.size()) / audioRate : 0; }
  // Root mean square of the first channel over [fromMs, toMs).
  double rms(int fromMs, int toMs) const {
    const size_t begin = size_t(int64_t(fromMs) * audioRate / 1000);
    const size_t end = std::min(samples.size(), size_t(int64_t(toMs) * audioRate / 1000));
    double sum = 0;
    for (size_t i = begin; i < end; ++i)
      sum += double(samples[i]) * double(samples[i]);
    return end > begin ? std::sqrt(sum / double(end - begin)) : -1.0;
  }
};

RgbImage toRgb(const AVFrame& frame) {
  RgbImage image;
  image.width = frame.width;
  image.height = frame.height;
  image.bytes.resize(size_t(frame.width) * size_t(frame.height) * 3);
  SwsContext* pScale =
      sws_getContext(frame.width, frame.height, AVPixelFormat(frame.format), frame.width,
                     frame.height, AV_PIX_FMT_RGB24, SWS_BILINEAR, nullptr, nullptr, nullptr);
  uint8_t* pDst[1] = {image.bytes.data()};
  const int dstStride[1] = {frame.width * 3};
  sws_scale(pScale, frame.data, frame.linesize, 0, frame.height, pDst, dstStride);
  sws_freeContext(pScale);
  return image;
}

// Sends a packet (null: the end) and takes every frame the decoder gives back.
template <class OnFrame>
void decode(AVCodecContext* pCodec, const AVPacket* pPacket, AVFrame* pFrame, OnFrame onFrame) {
  if (avcodec_send_packet(pCodec, pPacket) < 0) return;
  while (avcodec_receive_frame(pCodec, pFrame) == 0)
    onFrame(*pFrame);
}

VideoProbe probe(const std::string& path, const std::set<int64_t>& keep = {}) {
  VideoProbe result;
  AVFormatContext* pFormat = nullptr;
  if (avformat_open_input(&pFormat, path.c_str(), nullptr, nullptr) < 0) return result;
  if (avformat_find_stream_info(pFormat, nullptr) < 0) {
    avformat_close_input(&pFormat);
    return result;
  }
  result.opened = true;
  const int video = av_find_best_stream(pFormat, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  const int audio = av_find_best_stream(pFormat, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
  std::map<int, AVCodecContext*> decoders;
  for (int index : {video, audio}) {
    if (index < 0) continue;
    const AVCodecParameters* pParameters = pFormat->streams[index]->codecpar;
    AVCodecContext* pCodec = avcodec_alloc_context3(avcodec_find_decoder(pParameters->codec_id));
    avcodec_parameters_to_context(pCodec, pParameters);
    avcodec_open2(pCodec, nullptr, nullptr);
    decoders[index] = pCodec;
  }
  if (video >= 0) {
    result.width = pFormat->streams[video]->codecpar->width;
    result.height = pFormat->streams[video]->codecpar->height;
    result.frameRate = pFormat->streams[video]->avg_frame_rate;
  }
  result.hasAudio = audio >= 0;
  if (audio >= 0) {
    const AVStream* pStream = pFormat->streams[audio];
    result.audioRate = pStream->codecpar->sample_rate;
    result.audioStreamMs = av_rescale_q(pStream->duration, pStream->time_base, AVRational{1, 1000});
  }

  AVPacket* pPacket = av_packet_alloc();
  AVFrame* pFrame = av_frame_alloc();
  auto onFrame = [&](int index) {
    return [&, index](const AVFrame& frame) {
      if (index == video) {
        if (keep.count(result.nbDecodedFrame)) result.frames[result.nbDecodedFrame] = toRgb(frame);
        ++result.nbDecodedFrame;
      } else {
        const auto* pLeft = reinterpret_cast<const float*>(frame.extended_data[0]);
        result.samples.insert(result.samples.end(), pLeft, pLeft + frame.nb_samples);
      }
    };
  };
  while (av_read_frame(pFormat, pPacket) >= 0) {
    if (pPacket->stream_index == video) ++result.nbVideoPacket;
    if (auto it = decoders.find(pPacket->stream_index); it != decoders.end())
      decode(it->second, pPacket, pFrame, onFrame(it->first));
    av_packet_unref(pPacket);
  }
  for (auto& [index, pCodec] : decoders) {
    decode(pCodec, nullptr, pFrame, onFrame(index));
    avcodec_free_context(&pCodec);
  }
  av_frame_free(&pFrame);
  av_packet_free(&pPacket);
  avformat_close_input(&pFormat);
  return result;
}

// Each channel of the pixel within `tolerance` of the colour's.
::testing::AssertionResult near(const RgbImage& image, int x, int y, uint32_t color,
                                int tolerance = 10) {
  const uint32_t got = image.at(x, y);
  for (int shift : {0, 8, 16}) {
    if (std::abs(int((got >> shift) & 255u) - int((color >> shift) & 255u)) > tolerance) {
      return ::testing::AssertionFailure() << std::hex << "pixel (" << std::dec << x << ", " << y
                                           << ") is " << std::hex << got << ", not " << color;
    }
  }
  return ::testing::AssertionSuccess();
}

// The frame layer: red from 0 to 1000 ms, blue from 1000 to 5000 ms.
std::string redThenBlue(const std::string& music = "file: NULL\noffset: 0\n") {
  return scriptText({{"LAYER_DIMENSION", {"desc: frame 512 256"}},
                     {"SCREEN_LAYER", {"desc: screen frame"}},
                     {"LAYER_MANAGER",
                      {"desc: screen 1 0 1000 c 255 0 0", "desc: screen 1 1000 5000 c 0 0 255"}}},
                    music);
}

class ExportCommandTest : public ::testing::Test {
 protected:
  // Runs the export in this process; its messages are kept in m_messages.
  int exportShow(const std::string& script, const std::string& out, std::optional<int> from = {},
                 std::optional<int> to = {}, int fps = 25) {
    writeTextFile(m_folder.path() / "show.lscx", script);
    RenderRequest request;
    request.scriptPath = m_folder.file("show.lscx");
    request.outPath = out;
    request.fps = fps;
    if (from) request.from = *from;
    request.to = to;
    return run(request);
  }
  int run(const RenderRequest& request) {
    std::FILE* pErrors = std::tmpfile();
    const int status = ExportCommand(request, pErrors).run();
    std::rewind(pErrors);
    m_messages.clear();
    for (int c; (c = std::fgetc(pErrors)) != EOF;)
      m_messages += char(c);
    std::fclose(pErrors);
    return status;
  }

  std::set<std::string> filesIn(const fs::path& folder) const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
      names.insert(entry.path().filename().string());
    return names;
  }

  TempFolder m_folder;
  std::string m_messages;
};

}  // namespace

// --- Frame times and the span ---

TEST(ExportSpan, FrameTimesAreExactWholeMillisecondsBelowTheEnd) {
  EXPECT_EQ(ExportCommand::frameCount(0, 2000, 25), 50);
  // 1000 / 3: times 0, 333, 666; 1000 is not below 1000, but it is below 1001.
  EXPECT_EQ(ExportCommand::frameCount(0, 1000, 3), 3);
  EXPECT_EQ(ExportCommand::frameTime(0, 1, 3), 333);
  EXPECT_EQ(ExportCommand::frameTime(0, 2, 3), 666);
  EXPECT_EQ(ExportCommand::frameCount(0, 1001, 3), 4);
  EXPECT_EQ(ExportCommand::frameTime(0, 3, 3), 1000);
  // No drift: frame 3000 at 30 fps is exactly 100 s in.
  EXPECT_EQ(ExportCommand::frameTime(-500, 3000, 30), 99500);
  EXPECT_EQ(ExportCommand::frameTime(-500, 1, 30), -467);
  EXPECT_EQ(ExportCommand::frameCount(5, 6, 240), 1);
  EXPECT_EQ(ExportCommand::frameCount(10, 10, 25), 0);
  EXPECT_EQ(ExportCommand::frameCount(10, 9, 25), 0);
  // The widest span does not overflow: 4294967295 ms * 240 / 1000, rounded up.
  EXPECT_EQ(ExportCommand::frameCount(INT32_MIN, INT32_MAX, 240), 1030792151);
  EXPECT_EQ(ExportCommand::frameTime(INT32_MIN, 1030792150, 240), 2147483643);
}

TEST(ExportSpan, TheShowEndsAt285000OrAtTheEndOfTheMusic) {
  EXPECT_EQ(ExportCommand::defaultEnd(-1), 285000);
  EXPECT_EQ(ExportCommand::defaultEnd(3000), 3000);
  EXPECT_EQ(ExportCommand::defaultEnd(285001), 285000);
  EXPECT_EQ(ExportCommand::numberedFramePath("out/", 7), "out/frame-000007.png");
  EXPECT_EQ(ExportCommand::numberedFramePath("out", 1234567), "out/frame-1234567.png");
  EXPECT_EQ(ExportCommand::temporaryPath("dir/show.mp4"),
            "dir/.show.mp4.partial-" + std::to_string(getpid()));
}

// --- The video file ---

TEST_F(ExportCommandTest, TwoSecondsAt25FpsGive50FramesOfTheDisplayAndTheMusicCutToTheSpan) {
  ASSERT_TRUE(test_music::writeWav(m_folder.file("music.wav"), 3000, 44100, 440.0, 0.5));
  const std::string out = m_folder.file("show.mp4");
  ASSERT_EQ(exportShow(redThenBlue("file: music.wav\noffset: 0\n"), out, 0, 2000), 0) << m_messages;
  EXPECT_EQ(m_messages, "");
  const VideoProbe video = probe(out, {12, 37});
  ASSERT_TRUE(video.opened);
  EXPECT_EQ(video.nbVideoPacket, 50);
  EXPECT_EQ(video.nbDecodedFrame, 50);
  EXPECT_EQ(video.width, 512);
  EXPECT_EQ(video.height, 384);
  EXPECT_EQ(av_cmp_q(video.frameRate, AVRational{25, 1}), 0)
      << video.frameRate.num << "/" << video.frameRate.den;
  ASSERT_TRUE(video.hasAudio);
  EXPECT_EQ(video.audioStreamMs, 2000);
  // The decoder gives whole AAC frames: within one (1024 samples, 23 ms) of the span.
  EXPECT_NEAR(video.audioMs(), 2000.0, 24.0);
  EXPECT_GT(video.rms(100, 1900), 0.3) << "the sine of amplitude 0.5 has an RMS of 0.35";

  // Frame 12 is at 480 ms (red), frame 37 at 1480 ms (blue).
  ASSERT_EQ(video.frames.size(), 2u);
  const RgbImage& red = video.frames.at(12);
  EXPECT_TRUE(near(red, 256, 192, kRed));
  EXPECT_TRUE(near(red, 500, 70, kRed));
  EXPECT_TRUE(near(red, 256, 20, 0)) << "black above the band";
  EXPECT_TRUE(near(red, 256, 360, 0)) << "black below the band";
  EXPECT_TRUE(near(video.frames.at(37), 256, 192, kBlue));
  EXPECT_TRUE(filesIn(m_folder.path()) ==
              (std::set<std::string>{"show.lscx", "music.wav", "show.mp4"}))
      << "no temporary file is left";
}

TEST_F(ExportCommandTest, TheProgramFindsTheMusicBesideTheScriptAndSaysNothingOnAPipe) {
  // Run from the parent folder: the music is named relative to the script's own folder, with
  // the other platform's separator.
  writeTextFile(m_folder.path() / "shows" / "show.lscx",
                redThenBlue("file: sound\\music.wav\noffset: 0\n"));
  fs::create_directories(m_folder.path() / "shows" / "sound");
  ASSERT_TRUE(test_music::writeWav(m_folder.file("shows/sound/music.wav"), 1000));
  const ProgramRun run = runShowPlayer(
      {"render", "shows/show.lscx", "--out", "show.mp4", "--fps", "10"}, m_folder.path());
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.err, "") << "no progress bar when stderr is no terminal";
  const VideoProbe video = probe(m_folder.file("show.mp4"));
  EXPECT_EQ(video.nbDecodedFrame, 10);
  EXPECT_EQ(video.audioStreamMs, 1000);
}

TEST_F(ExportCommandTest, WithoutMusicTheVideoHasNoSoundTrack) {
  const std::string out = m_folder.file("show.mkv");
  ASSERT_EQ(exportShow(redThenBlue(), out, 0, 400, 10), 0) << m_messages;
  const VideoProbe video = probe(out);
  ASSERT_TRUE(video.opened);
  EXPECT_EQ(video.nbDecodedFrame, 4);
  EXPECT_FALSE(video.hasAudio);
}

TEST_F(ExportCommandTest, TheDefaultSpanEndsWithTheMusic) {
  ASSERT_TRUE(test_music::writeWav(m_folder.file("music.wav"), 3000));
  const std::string out = m_folder.file("show.mp4");
  ASSERT_EQ(exportShow(redThenBlue("file: music.wav\noffset: 0\n"), out, {}, {}, 5), 0)
      << m_messages;
  const VideoProbe video = probe(out);
  EXPECT_EQ(video.nbDecodedFrame, 15);
  EXPECT_EQ(video.audioStreamMs, 3000);
}

TEST_F(ExportCommandTest, SoundBeforeTimeZeroAndAfterTheEndOfTheMusicIsSilence) {
  ASSERT_TRUE(test_music::writeWav(m_folder.file("music.wav"), 3000));
  const std::string script = redThenBlue("file: music.wav\noffset: 0\n");
  const std::string before = m_folder.file("before.mp4");
  const std::string after = m_folder.file("after.mp4");
  ASSERT_EQ(exportShow(script, before, -1000, 1000, 5), 0) << m_messages;
  ASSERT_EQ(exportShow(script, after, 2000, 4000, 5), 0) << m_messages;
  const VideoProbe early = probe(before);
  EXPECT_NEAR(early.audioMs(), 2000.0, 24.0);
  EXPECT_LT(early.rms(50, 950), 0.01);
  EXPECT_GT(early.rms(1050, 1950), 0.3);
  const VideoProbe late = probe(after);
  EXPECT_NEAR(late.audioMs(), 2000.0, 24.0);
  EXPECT_GT(late.rms(50, 950), 0.3);
  EXPECT_LT(late.rms(1050, 1950), 0.01);
}

TEST_F(ExportCommandTest, MusicThatCannotBeDecodedGivesAWarningAndASilentVideo) {
  writeTextFile(m_folder.path() / "music.wav", "this is not a sound file");
  const std::string out = m_folder.file("show.mp4");
  ASSERT_EQ(exportShow(redThenBlue("file: music.wav\noffset: 0\n"), out, 0, 400, 10), 0);
  EXPECT_EQ(m_messages, "showplayer: warning: cannot decode the music " +
                            m_folder.file("music.wav") + "; the video has no sound track\n");
  const VideoProbe video = probe(out);
  EXPECT_EQ(video.nbDecodedFrame, 4);
  EXPECT_FALSE(video.hasAudio);
}

TEST_F(ExportCommandTest, AFatalReportEndsAtItsFrameWithACompleteFile) {
  ReportCapture reports;
  // Writing a 256 x 128 layer into the 512 x 256 frame is a fatal size mismatch, from 150 ms.
  const std::string script = scriptText(
      {{"LAYER_DIMENSION", {"desc: frame 512 256", "desc: small 256 128"}},
       {"SCREEN_LAYER", {"desc: tile small", "desc: screen frame"}},
       {"LAYER_MANAGER", {"desc: screen 1 0 5000 c 0 0 255", "desc: screen 2 150 5000 w tile"}}});
  const std::string out = m_folder.file("show.mp4");
  EXPECT_EQ(exportShow(script, out, 0, 1000, 10), 1);
  EXPECT_EQ(m_messages, "showplayer: the show asked to end (exit code 1) at 200 ms; frame 2 of " +
                            out + " is its last frame\n");
  const VideoProbe video = probe(out);
  ASSERT_TRUE(video.opened);
  EXPECT_EQ(video.nbDecodedFrame, 3);
}

// --- Bad output paths and scripts: an error, a failure status and no file left ---

TEST_F(ExportCommandTest, AnOutputThatCannotBeWrittenFailsAndLeavesNoFile) {
  const std::string script = redThenBlue();
  fs::create_directory(m_folder.path() / "taken.mp4");
  const std::set<std::string> before = {"taken.mp4"};
  ASSERT_EQ(filesIn(m_folder.path()), before);

  EXPECT_EQ(exportShow(script, m_folder.file("no/such/show.mp4"), 0, 400), 1);
  EXPECT_THAT(m_messages,
              StartsWith("showplayer: cannot write " + m_folder.file("no/such/show.mp4") + ": "));
  EXPECT_EQ(exportShow(script, m_folder.file("taken.mp4"), 0, 400), 1);
  EXPECT_EQ(m_messages,
            "showplayer: cannot write " + m_folder.file("taken.mp4") + ": Is a directory\n");
  EXPECT_TRUE(fs::is_empty(m_folder.path() / "taken.mp4"));
  // No one creates files in /proc, not even root.
  EXPECT_EQ(exportShow(script, "/proc/show.mp4", 0, 400), 1);
  EXPECT_THAT(m_messages, StartsWith("showplayer: cannot write /proc/show.mp4: "));
  EXPECT_EQ(exportShow(script, m_folder.file("show.unknown"), 0, 400), 1);
  EXPECT_THAT(m_messages, StartsWith("showplayer: cannot write " + m_folder.file("show.unknown")));

  EXPECT_EQ(filesIn(m_folder.path()), (std::set<std::string>{"taken.mp4", "show.lscx"}));
}

TEST_F(ExportCommandTest, AReadOnlyFolderFailsAndLeavesNoFile) {
  const fs::path locked = m_folder.path() / "locked";
  fs::create_directory(locked);
  fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
  if (access(locked.c_str(), W_OK) == 0) {
    fs::permissions(locked, fs::perms::owner_all);
    GTEST_SKIP() << "this user writes into read-only folders (root)";
  }
  EXPECT_EQ(exportShow(redThenBlue(), (locked / "show.mp4").string(), 0, 400), 1);
  EXPECT_THAT(m_messages, StartsWith("showplayer: cannot write "));
  fs::permissions(locked, fs::perms::owner_all);
  EXPECT_TRUE(fs::is_empty(locked));
}

TEST_F(ExportCommandTest, AScriptThatCannotBeOpenedFailsLikeRender) {
  ReportCapture reports;
  RenderRequest request;
  request.scriptPath = m_folder.file("absent.lscx");
  request.outPath = m_folder.file("show.mp4");
  EXPECT_EQ(run(request), 1);
  EXPECT_EQ(m_messages, "showplayer: cannot open script " + request.scriptPath + "\n");
  EXPECT_TRUE(fs::is_empty(m_folder.path()));
}

TEST_F(ExportCommandTest, ASpanThatStartsAfterTheEndOfTheShowIsRefused) {
  ASSERT_TRUE(test_music::writeWav(m_folder.file("music.wav"), 1000));
  EXPECT_EQ(
      exportShow(redThenBlue("file: music.wav\noffset: 0\n"), m_folder.file("show.mp4"), 1000), 1);
  EXPECT_EQ(m_messages,
            "showplayer: nothing to export: the show ends at 1000 ms, before --from 1000\n");
  EXPECT_FALSE(fs::exists(m_folder.path() / "show.mp4"));
}

// --- The folder of numbered PNG files ---

TEST_F(ExportCommandTest, AFolderGetsNumberedFramesWithTheBytesOfRenderAt) {
  const std::string script = redThenBlue();
  ASSERT_EQ(exportShow(script, m_folder.file("frames/"), 900, 1100, 10), 0) << m_messages;
  EXPECT_EQ(filesIn(m_folder.path() / "frames"),
            (std::set<std::string>{"frame-000000.png", "frame-000001.png"}));

  RenderRequest request;
  request.scriptPath = m_folder.file("show.lscx");
  request.times = {900, 1000};
  request.outPath = m_folder.file("reference");
  ASSERT_EQ(RenderCommand(request).run(), 0);
  auto bytesOf = [](const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  const std::string first = bytesOf(m_folder.file("reference/frame-900.png"));
  ASSERT_FALSE(first.empty());
  EXPECT_EQ(bytesOf(m_folder.file("frames/frame-000000.png")), first);
  EXPECT_EQ(bytesOf(m_folder.file("frames/frame-000001.png")),
            bytesOf(m_folder.file("reference/frame-1000.png")));
  EXPECT_NE(first, bytesOf(m_folder.file("reference/frame-1000.png"))) << "red, then blue";
}

// --- The progress bar ---

TEST(ProgressBarText, SaysFramesSpeedAndTimeLeft) {
  const std::string empty(30, '.'), full(30, '#');
  EXPECT_EQ(ProgressBar::format(0, 100, 0.0), "[" + empty + "]  0/100 frames  -- fps  -- left");
  EXPECT_EQ(ProgressBar::format(50, 100, 2.0), "[" + std::string(15, '#') + std::string(15, '.') +
                                                   "]  50/100 frames  25.0 fps  0:02 left");
  // 7200 frames left at 1 fps, and a bar that has not moved yet.
  EXPECT_EQ(ProgressBar::format(1, 7201, 1.0),
            "[" + empty + "]  1/7201 frames  1.0 fps  2:00:00 left");
  EXPECT_EQ(ProgressBar::format(9, 3, 0.5), "[" + full + "]  3/3 frames  6.0 fps  0:00 left");
  EXPECT_EQ(ProgressBar::format(0, 0, 1.0), "[" + full + "]  0/0 frames  -- fps  -- left");
}

TEST(ProgressBarText, IsDrawnInPlaceOnATerminalOnly) {
  auto written = [](ProgressBar::Output output) {
    std::FILE* pStream = std::tmpfile();
    {
      ProgressBar bar(2, pStream, output);
      bar.update(1);
      bar.update(2);
    }
    std::rewind(pStream);
    std::string text;
    for (int c; (c = std::fgetc(pStream)) != EOF;)
      text += char(c);
    std::fclose(pStream);
    return text;
  };
  // A temporary file is no terminal.
  EXPECT_EQ(written(ProgressBar::Output::kWhenTerminal), "");
  EXPECT_EQ(written(ProgressBar::Output::kNever), "");
  const std::string drawn = written(ProgressBar::Output::kAlways);
  // The last frame is always drawn, over the first, and the line is ended once.
  EXPECT_THAT(drawn,
              StartsWith("\r[" + std::string(15, '#') + std::string(15, '.') + "]  1/2 frames"));
  EXPECT_THAT(drawn, ::testing::HasSubstr("\r[" + std::string(30, '#') + "]  2/2 frames  "));
  // Spaces may follow where the first line was longer.
  EXPECT_THAT(drawn, ::testing::MatchesRegex(".* left *\n"));
  EXPECT_EQ(std::count(drawn.begin(), drawn.end(), '\n'), 1);
}
