// `showplayer render`: the frames of `--at` (their files and names, and what the program says and
// leaves behind for shows with faults and bad paths), and the exports of `--out VIDEO|FOLDER/`:
// the files are read back with the FFmpeg libraries (demuxed and decoded here, never trusting the
// encoder's own counts) or compared byte for byte with the frames of `render --at`; failures and
// interruptions leave no stray file.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <png.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <cmath>
#include <csignal>
#include <cstdio>
#include <map>
#include <sstream>
#include <utility>

#include "app/export_command.h"
#include "app/music_source.h"
#include "app/render_command.h"
#include "base/report.h"
#include "tests/app/app_test_util.h"
#include "tests/support/music_files.h"

namespace fs = std::filesystem;
using ::testing::StartsWith;

namespace {

constexpr std::uint32_t kRed = 0xFF0000u;
constexpr std::uint32_t kBlue = 0x0000FFu;

const std::string kGhostReports =
    "ScriptEngine : Can't find SCREEN_LAYER/SPE_LAYER/IMAGE/2D_DESC/3D_DESC/SKYBOX_DESC: ghost\n"
    "ScriptLayerOperationWrite : m_pRenderData NULL\n";

const std::string kMusic = "file: music.wav\noffset: 0\n";

// What the FFmpeg libraries find in a video file.
struct VideoProbe {
  bool opened = false;
  int width = 0, height = 0;
  AVRational frameRate{0, 1};
  std::int64_t nbVideoPacket = 0, nbDecodedFrame = 0;
  bool hasAudio = false;
  int audioRate = 0;
  std::int64_t audioStreamMs = -1;          // the sound stream's duration as the container gives it
  std::vector<float> samples;               // decoded sound, first channel only
  std::map<std::int64_t, RgbImage> frames;  // the decoded pictures asked for

  double audioMs() const { return audioRate ? 1000.0 * double(samples.size()) / audioRate : 0; }
  // Root mean square of the first channel over [fromMs, toMs).
  double rms(int fromMs, int toMs) const {
    const auto begin = std::size_t(std::int64_t(fromMs) * audioRate / 1000);
    const auto end = std::min(samples.size(), std::size_t(std::int64_t(toMs) * audioRate / 1000));
    double sum = 0;
    for (std::size_t i = begin; i < end; ++i)
      sum += double(samples[i]) * double(samples[i]);
    return end > begin ? std::sqrt(sum / double(end - begin)) : -1.0;
  }
};

RgbImage toRgb(const AVFrame& frame) {
  RgbImage image;
  image.width = frame.width;
  image.height = frame.height;
  image.bytes.resize(std::size_t(frame.width) * std::size_t(frame.height) * 3);
  SwsContext* pScale =
      sws_getContext(frame.width, frame.height, AVPixelFormat(frame.format), frame.width,
                     frame.height, AV_PIX_FMT_RGB24, SWS_BILINEAR, nullptr, nullptr, nullptr);
  std::uint8_t* pDst[1] = {image.bytes.data()};
  const int dstStride[1] = {frame.width * 3};
  sws_scale(pScale, frame.data, frame.linesize, 0, frame.height, pDst, dstStride);
  sws_freeContext(pScale);
  return image;
}

VideoProbe probe(const std::string& path, const std::set<std::int64_t>& keep = {}) {
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
  // Sends a packet (null: the end) and takes every frame the decoder gives back.
  const auto decode = [&](int index, const AVPacket* pSent) {
    if (avcodec_send_packet(decoders[index], pSent) < 0) return;
    while (avcodec_receive_frame(decoders[index], pFrame) == 0) {
      if (index == video) {
        if (keep.count(result.nbDecodedFrame))
          result.frames[result.nbDecodedFrame] = toRgb(*pFrame);
        ++result.nbDecodedFrame;
      } else {
        const auto* pLeft = reinterpret_cast<const float*>(pFrame->extended_data[0]);
        result.samples.insert(result.samples.end(), pLeft, pLeft + pFrame->nb_samples);
      }
    }
  };
  while (av_read_frame(pFormat, pPacket) >= 0) {
    if (pPacket->stream_index == video) ++result.nbVideoPacket;
    if (decoders.count(pPacket->stream_index)) decode(pPacket->stream_index, pPacket);
    av_packet_unref(pPacket);
  }
  for (auto& [index, pCodec] : decoders) {
    decode(index, nullptr);
    avcodec_free_context(&pCodec);
  }
  av_frame_free(&pFrame);
  av_packet_free(&pPacket);
  avformat_close_input(&pFormat);
  return result;
}

// Each channel of the pixel within `tolerance` of the colour's: the video is lossy.
::testing::AssertionResult near(const RgbImage& image, int x, int y, std::uint32_t color,
                                int tolerance = 10) {
  const std::uint32_t got = image.at(x, y);
  for (int shift : {0, 8, 16}) {
    if (std::abs(int((got >> shift) & 255u) - int((color >> shift) & 255u)) > tolerance) {
      return ::testing::AssertionFailure()
             << "pixel (" << x << ", " << y << ") is " << std::hex << got << ", not " << color;
    }
  }
  return ::testing::AssertionSuccess();
}

class ExportTest : public ::testing::Test {
 protected:
  // Runs the export of `script` (written as show.lscx) in this process; its messages are kept
  // in m_messages.
  int exportShow(const std::string& script, const std::string& out, std::optional<int> from = {},
                 std::optional<int> to = {}, int fps = 25) {
    writeTextFile(m_folder.path() / "show.lscx", script);
    RenderRequest request;
    request.scriptPath = m_folder.file("show.lscx");
    request.outPath = out;
    request.fps = fps;
    request.from = from.value_or(0);
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

  TempFolder m_folder;
  std::string m_messages;
};

}  // namespace

// --- Single frames ---

TEST(RenderProgram, FramesFollowTheTimeTableAndKeepThePreviousFrameWhereNothingRuns) {
  TempFolder folder;
  writeTextFile(folder.path() / "show.lscx", redThenBlue());
  const ProgramRun run = runShowPlayer({"render", "show.lscx", "--at", "1500", "--at", "500",
                                        "--at", "-20", "--at", "2500", "--out", "out/deep"},
                                       folder.path());
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(filesIn(folder.path() / "out/deep"),
            (std::set<std::string>{"frame-1500.png", "frame-500.png", "frame--20.png",
                                   "frame-2500.png"}));
  for (const auto& [time, color] : std::vector<std::pair<int, std::uint32_t>>{
           {1500, kBlue}, {500, kRed}, {-20, kRed}, {2500, kRed}}) {
    const std::optional<RgbImage> frame =
        readPng(folder.file("out/deep/frame-" + std::to_string(time) + ".png"));
    ASSERT_TRUE(frame) << time;
    EXPECT_EQ(frame->fileFormat, static_cast<std::uint32_t>(PNG_FORMAT_RGB));
    EXPECT_TRUE(isBandOf(*frame, color)) << time;
  }
  RenderRequest request;
  request.times = {1, -250};
  request.outPath = "out\\frames\\";
  EXPECT_EQ(RenderCommand(request).framePath(1), "out/frames/frame--250.png");
}

// A script with the other platform's line ends and separators; the frame goes to the working
// folder, not the script's.
TEST(RenderProgram, ScriptPathsAreTakenInAnyFormAndTheOutPathFromTheWorkingFolder) {
  std::string crlf;
  for (const char c : redThenBlue())
    crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  TempFolder folder;
  writeTextFile(folder.path() / "shows/sub/show.lscx", crlf);
  const ProgramRun run = runShowPlayer(
      {"render", "shows\\sub\\show.lscx", "--at", "1500", "--out", "frame.png"}, folder.path());
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.err, "");
  const std::optional<RgbImage> frame = readPng(folder.file("frame.png"));
  ASSERT_TRUE(frame);
  EXPECT_TRUE(isBandOf(*frame, kBlue));
  EXPECT_FALSE(fs::exists(folder.path() / "shows/sub/frame.png"));
}

TEST(RenderProgram, FaultsAreReportedWithTheirStatusAndLeaveOnlyTheFramesWritten) {
  struct Case {
    std::string name;
    std::optional<std::string> script;  // show.lscx; none: not written
    std::string inTheWay;               // made first: a folder when it ends with '/', else a file
    std::string arguments;              // after "render", split at blanks
    int exitCode;
    std::string err;              // all of stderr, or its start when it ends with "..."
    std::string present, absent;  // files, split at blanks
  };
  const std::string atThree = "show.lscx --at 100 --at 200 --at 300 --out f";
  const std::string ghost = frameShow({"screen 1 0 1000 w ghost"});
  const std::string smallFrame = scriptText(
      {{"LAYER_DIMENSION", {"desc: frame 512 256", "desc: small 256 128"}},
       {"SCREEN_LAYER", {"desc: full frame", "desc: last small"}},
       {"LAYER_MANAGER", {"desc: full 1 0 1000 c 0 255 0", "desc: last 1 0 1000 c 255 0 0"}}});
  const std::vector<Case> cases = {
      {"a write of a missing source, reported at load then once per run of frames", ghost, "",
       atThree + " --at 1500", 0, kGhostReports + "(the report above was repeated 2 more times)\n",
       "f/frame-100.png f/frame-1500.png", ""},
      {"a failure line after the count of repeated reports", ghost, "f/frame-200.png/", atThree, 1,
       kGhostReports + "(the report above was repeated once more)\n"
                       "showplayer: cannot write f/frame-200.png: Is a directory\n",
       "f/frame-100.png", "f/frame-300.png"},
      {"a fatal report ends the show after writing that frame", fatalAt150Show(), "", atThree, 1,
       "CImage32Buffered blit: must be same dimensions\nshowplayer: the show asked to end (exit "
       "code 1) at 200 ms; f/frame-200.png is its last frame\n",
       "f/frame-100.png f/frame-200.png", "f/frame-300.png"},
      {"a missing script", std::nullopt, "", "absent.lscx --at 0 --at 1 --out f", 1,
       "ScriptEngine : Can't open file : absent.lscx\nshowplayer: cannot open script absent.lscx\n",
       "", "f"},
      {"a frame layer of another size leaves the display black", smallFrame, "", atThree, 0,
       "ScriptLayerManager : setDestination: different dimensions !\n(the report above was "
       "repeated 2 more times)\n",
       "f/frame-100.png f/frame-300.png", ""},
      {"an empty script", "", "", "show.lscx --at 0 --out frame.png", 0, "ScriptEngine : ...",
       "frame.png", ""},
      {"an out file in a missing folder", redThenBlue(), "",
       "show.lscx --at 0 --out no/such/frame.png", 1,
       "showplayer: cannot write no/such/frame.png: ...", "", "no"},
      {"a file in the way of the frames folder", redThenBlue(), "f",
       "show.lscx --at 0 --at 1 --out f", 1, "showplayer: cannot create the folder f...", "", ""},
  };
  const auto words = [](const std::string& text) {
    std::vector<std::string> all;
    std::istringstream stream(text);
    for (std::string word; stream >> word;)
      all.push_back(word);
    return all;
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    if (c.script) writeTextFile(folder.path() / "show.lscx", *c.script);
    if (c.inTheWay.ends_with('/')) fs::create_directories(folder.path() / c.inTheWay);
    if (!c.inTheWay.empty() && !c.inTheWay.ends_with('/'))
      writeTextFile(folder.path() / c.inTheWay, "not a folder");
    std::vector<std::string> arguments = words("render " + c.arguments);
    const ProgramRun run = runShowPlayer(arguments, folder.path());
    EXPECT_EQ(run.exitCode, c.exitCode);
    if (c.err.ends_with("...")) {
      EXPECT_THAT(run.err, StartsWith(c.err.substr(0, c.err.size() - 3)));
    } else {
      EXPECT_EQ(run.err, c.err);
    }
    for (const std::string& name : words(c.present)) {
      const std::optional<RgbImage> frame = readPng(folder.file(name));
      ASSERT_TRUE(frame) << name;
      // The failed writes change nothing: what shows is the fill before them, or black.
      EXPECT_TRUE(isBandOf(*frame, c.script == fatalAt150Show() ? kBlue : 0u)) << name;
    }
    for (const std::string& name : words(c.absent))
      EXPECT_FALSE(fs::exists(folder.path() / name)) << name;
  }
}

// --- The exports ---

TEST(ExportSpan, FrameTimesAreExactWholeMillisecondsBelowTheEnd) {
  struct Case {
    std::int32_t from, to, fps;
    std::int64_t nbFrame, lastIndex, lastTime;
  };
  const std::vector<Case> cases = {
      // 1000 / 3: times 0, 333, 666; 1000 is not below 1000, but it is below 1001.
      {0, 1000, 3, 3, 2, 666},
      {0, 1001, 3, 4, 3, 1000},
      {-500, 99501, 30, 3001, 3000, 99500},  // no drift over 100 s
      {10, 10, 25, 0, 0, 10},
      // The widest span does not overflow: 4294967295 ms * 240 / 1000, rounded up.
      {INT32_MIN, INT32_MAX, 240, 1030792151, 1030792150, 2147483643},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.from << ".." << c.to << " at " << c.fps);
    EXPECT_EQ(ExportCommand::frameCount(c.from, c.to, c.fps), c.nbFrame);
    EXPECT_EQ(ExportCommand::frameTime(c.from, c.lastIndex, c.fps), c.lastTime);
  }
  EXPECT_EQ(ExportCommand::defaultEnd(285001), 285000);
  EXPECT_EQ(ExportCommand::numberedFramePath("out", 1234567), "out/frame-1234567.png");
}

// --- The video file ---

TEST_F(ExportTest, TwoSecondsAt25FpsGive50FramesOfTheDisplayAndTheMusicCutToTheSpan) {
  ASSERT_TRUE(test_music::writeWav(m_folder.file("music.wav"), 3000, 44100, 440.0, 0.5));
  const std::string out = m_folder.file("show.mp4");
  ASSERT_EQ(exportShow(redThenBlue(5000, kMusic), out, 0, 2000), 0) << m_messages;
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
  EXPECT_TRUE(near(red, 256, 192, 0xFF0000u) && near(red, 500, 70, 0xFF0000u));
  EXPECT_TRUE(near(red, 256, 20, 0) && near(red, 256, 360, 0)) << "black above and below the band";
  EXPECT_TRUE(near(video.frames.at(37), 256, 192, 0x0000FFu));
  EXPECT_EQ(filesIn(m_folder.path()), (std::set<std::string>{"show.lscx", "music.wav", "show.mp4"}))
      << "no temporary file is left";
}

// The music is named relative to the script's folder, with the other platform's separator.
TEST_F(ExportTest, WithMusicThatCannotBeDecodedTheVideoHasNoSoundTrack) {
  writeTextFile(m_folder.path() / "sound/music.wav", "this is not a sound file");
  ASSERT_EQ(exportShow(redThenBlue(5000, "file: sound\\music.wav\noffset: 0\n"),
                       m_folder.file("show.mp4"), 0, 400, 10),
            0);
  EXPECT_EQ(m_messages, "showplayer: warning: cannot decode the music " +
                            m_folder.file("sound/music.wav") + "; the video has no sound track\n");
  const VideoProbe video = probe(m_folder.file("show.mp4"));
  EXPECT_EQ(video.nbDecodedFrame, 4);
  EXPECT_FALSE(video.hasAudio);
}

TEST_F(ExportTest, SoundBeforeOrAfterTheMusicIsSilence) {
  ASSERT_TRUE(test_music::writeWav(m_folder.file("music.wav"), 3000));
  const std::string script = redThenBlue(5000, kMusic);
  ASSERT_EQ(exportShow(script, m_folder.file("before.mp4"), -1000, 1000, 5), 0) << m_messages;
  ASSERT_EQ(exportShow(script, m_folder.file("after.mp4"), 2000, 4000, 5), 0) << m_messages;
  const VideoProbe early = probe(m_folder.file("before.mp4"));
  EXPECT_NEAR(early.audioMs(), 2000.0, 24.0);
  EXPECT_LT(early.rms(50, 950), 0.01);
  EXPECT_GT(early.rms(1050, 1950), 0.3);
  const VideoProbe late = probe(m_folder.file("after.mp4"));
  EXPECT_NEAR(late.audioMs(), 2000.0, 24.0);
  EXPECT_GT(late.rms(50, 950), 0.3);
  EXPECT_LT(late.rms(1050, 1950), 0.01);
}

// Also a show without music in another container: a video without a sound track.
TEST_F(ExportTest, AFatalReportEndsAtItsFrameWithACompleteFile) {
  ReportCapture reports;
  const std::string out = m_folder.file("show.mkv");
  EXPECT_EQ(exportShow(fatalAt150Show(), out, 0, 1000, 10), 1);
  EXPECT_EQ(m_messages, "showplayer: the show asked to end (exit code 1) at 200 ms; frame 2 of " +
                            out + " is its last frame\n");
  const VideoProbe video = probe(out);
  ASSERT_TRUE(video.opened);
  EXPECT_EQ(video.nbDecodedFrame, 3);
  EXPECT_FALSE(video.hasAudio);
}

// --- Failures: a message, status 1 and no file left ---

TEST_F(ExportTest, FailuresSayWhyAndLeaveNoFile) {
  ReportCapture reports;
  fs::create_directory(m_folder.path() / "taken.mp4");
  ASSERT_TRUE(test_music::writeWav(m_folder.file("music.wav"), 1000));
  writeTextFile(m_folder.path() / "show.lscx", redThenBlue(5000, kMusic));
  m_folder.enter();
  struct Case {
    std::string scriptPath, out;
    std::int32_t from;
    std::optional<std::int32_t> to;
    std::string message;  // all of it, or its start when it ends with "..."
  };
  const std::string nothing = "nothing to export: the show ends at 1000 ms, before --from 1000\n";
  const std::vector<Case> cases = {
      {"show.lscx", "taken.mp4", 0, 400, "cannot write taken.mp4: Is a directory\n"},
      {"show.lscx", "show.unknown", 0, 400, "cannot write show.unknown..."},
      {"absent.lscx", "show.mp4", 0, 400, "cannot open script absent.lscx\n"},
      {"show.lscx", "show.mp4", 1000, std::nullopt, nothing},
      {"show.lscx", "music.wav/", 0, 400, "cannot create the folder music.wav/..."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.out);
    RenderRequest request;
    request.scriptPath = c.scriptPath;
    request.outPath = c.out;
    request.from = c.from;
    request.to = c.to;
    EXPECT_EQ(run(request), 1);
    if (c.message.ends_with("...")) {
      EXPECT_THAT(m_messages,
                  StartsWith("showplayer: " + c.message.substr(0, c.message.size() - 3)));
    } else {
      EXPECT_EQ(m_messages, "showplayer: " + c.message);
    }
    EXPECT_EQ(filesIn(m_folder.path()),
              (std::set<std::string>{"taken.mp4", "show.lscx", "music.wav"}));
    EXPECT_TRUE(fs::is_empty(m_folder.path() / "taken.mp4"));
  }
}

// --- The folder of numbered PNG files ---

TEST_F(ExportTest, AFolderGetsNumberedFramesWithTheBytesOfRenderAt) {
  ASSERT_EQ(exportShow(redThenBlue(), m_folder.file("frames/"), 900, 1100, 10), 0) << m_messages;
  EXPECT_EQ(m_messages, "");
  EXPECT_EQ(filesIn(m_folder.path() / "frames"),
            (std::set<std::string>{"frame-000000.png", "frame-000001.png"}));
  RenderRequest request;
  request.scriptPath = m_folder.file("show.lscx");
  request.times = {900, 1000};
  request.outPath = m_folder.file("reference");
  ASSERT_EQ(RenderCommand(request).run(), 0);
  const std::string first = readFile(m_folder.file("reference/frame-900.png"));
  ASSERT_FALSE(first.empty());
  EXPECT_EQ(readFile(m_folder.file("frames/frame-000000.png")), first);
  EXPECT_EQ(readFile(m_folder.file("frames/frame-000001.png")),
            readFile(m_folder.file("reference/frame-1000.png")));
  EXPECT_NE(first, readFile(m_folder.file("reference/frame-1000.png"))) << "red, then blue";
}

// --- Ctrl-C and SIGTERM: a clean stop ---

namespace {

const fs::path kDemo = fs::path(SHOWPLAYER_BINARY_DIR) / "examples/demo";

// The frames of the whole demo at 25 fps: its music is shorter than the show.
std::int64_t demoFrameCount() {
  const std::unique_ptr<MusicSource> pMusic = openMusicSource((kDemo / "music.ogg").string());
  if (!pMusic) return -1;
  return (std::min<std::int64_t>(pMusic->lengthMs(), 285000) * 25 + 999) / 1000;
}

// The two frame counts at the start of an interrupted export's message, -1 where it differs.
std::pair<long long, long long> frameCounts(const std::string& message, const char* format) {
  long long done = -1, total = -1;
  std::sscanf(message.c_str(), format, &done, &total);
  return {done, total};
}

}  // namespace

TEST(ExportInterrupt, CtrlCStopsAVideoExportAndAnEarlierVideoOfThatNameStays) {
  if (!fs::exists(kDemo / "demo.lscx")) GTEST_SKIP() << "the demo is not built";
  TempFolder folder;
  writeTextFile(folder.path() / "show.mp4", "old contents");
  ShowPlayerProcess program({"render", (kDemo / "demo.lscx").string(), "--out", "show.mp4"},
                            folder.path());
  const fs::path partial = folder.path() / (".show.mp4.partial-" + std::to_string(program.pid()));
  // The file and its header are written before the export loop starts: wait for encoded frames.
  std::error_code error;
  ASSERT_TRUE(waitUntil([&] { return fs::file_size(partial, error) > 4096 && !error; })) << partial;
  ASSERT_EQ(kill(program.pid(), SIGINT), 0);
  const ProgramRun run = program.wait(std::chrono::seconds(60));
  EXPECT_EQ(run.killedBy, 0);
  EXPECT_EQ(run.exitCode, 130);
  const auto [done, total] = frameCounts(run.err, "showplayer: interrupted after %lld of %lld");
  EXPECT_EQ(run.err, "showplayer: interrupted after " + std::to_string(done) + " of " +
                         std::to_string(total) + " frames: show.mp4 not written\n");
  EXPECT_GE(done, 1);
  EXPECT_LT(done, total);
  EXPECT_EQ(total, demoFrameCount());
  EXPECT_EQ(readFile(folder.path() / "show.mp4"), "old contents");
  EXPECT_EQ(filesIn(folder.path()), std::set<std::string>{"show.mp4"});
}

TEST(ExportInterrupt, SigtermStopsAFramesExportAfterAWholeFrame) {
  if (!fs::exists(kDemo / "demo.lscx")) GTEST_SKIP() << "the demo is not built";
  TempFolder folder;
  ShowPlayerProcess program({"render", (kDemo / "demo.lscx").string(), "--out", "frames/"},
                            folder.path());
  ASSERT_TRUE(waitUntil([&] { return filesIn(folder.path() / "frames").size() >= 3; }));
  ASSERT_EQ(kill(program.pid(), SIGTERM), 0);
  const ProgramRun run = program.wait(std::chrono::seconds(60));
  EXPECT_EQ(run.killedBy, 0);
  EXPECT_EQ(run.exitCode, 143);
  const auto [written, total] = frameCounts(run.err, "showplayer: interrupted: %lld of %lld");
  EXPECT_EQ(run.err, "showplayer: interrupted: " + std::to_string(written) + " of " +
                         std::to_string(total) + " frames written to frames/\n");
  EXPECT_GE(written, 3);
  EXPECT_LT(written, total);
  EXPECT_EQ(total, demoFrameCount());
  std::set<std::string> expected;
  for (std::int64_t k = 0; k < written; ++k) {
    char name[32];
    std::snprintf(name, sizeof name, "frame-%06d.png", static_cast<int>(k));
    expected.insert(name);
  }
  EXPECT_EQ(filesIn(folder.path() / "frames"), expected);
  for (const std::string& name : expected) {
    const std::optional<RgbImage> frame = readPng(folder.file("frames/" + name));
    ASSERT_TRUE(frame) << name << " is not a whole PNG file";
    EXPECT_EQ(frame->width * frame->height, 512 * 384) << name;
  }
}
