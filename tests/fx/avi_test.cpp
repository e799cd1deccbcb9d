// CAvi over videos that FFmpeg's own encoders write in the set-up: raw BGR24 (exact), MJPEG and
// MPEG-4 Visual (within a tolerance), their cut copies, and the memory guard.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "base/report.h"
#include "fx/c_avi.h"
#include "tests/fx/fx_test_util.h"
#include "tests/fx/video_writer.h"
#include "tests/support/temp_dir.h"

namespace {

using fx_test::Bytes;
using fx_test::Frames;
using fx_test::putU32;
using fx_test::quadrantFrames;
using fx_test::rampFrames;
using fx_test::readBytes;
using fx_test::VideoCodec;
using fx_test::VideoFormat;
using fx_test::writeBytes;

std::string codecName(VideoCodec codec) {
  return codec == VideoCodec::Raw ? "Raw" : codec == VideoCodec::Mjpeg ? "Mjpeg" : "Mpeg4";
}

int channelDistance(uint32_t a, uint32_t b) {
  int distance = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const int da = static_cast<int>((a >> shift) & 255), db = static_cast<int>((b >> shift) & 255);
    distance = std::max(distance, std::abs(da - db));
  }
  return distance;
}

// Flat 4:2:0 colour through quantiser 2 comes back within a few steps; pixels within kMargin of a
// quadrant border are left out, since the DCT blocks that straddle a border ring.
constexpr int32_t kMargin = 4;

// The largest channel difference between a decoded frame and the frame encoded, away from the
// quadrant borders; a fourth byte other than 0 counts as 256.
int worstDistance(const std::vector<uint32_t>& pixels, const std::vector<uint32_t>& expected,
                  int32_t width, int32_t height) {
  if (pixels.size() != expected.size()) return 256;
  int worst = 0;
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) {
      const auto k = static_cast<size_t>(y * width + x);
      if (pixels[k] >> 24 != 0) return 256;
      if (std::abs(x - width / 2) < kMargin || std::abs(y - height / 2) < kMargin) continue;
      worst = std::max(worst, channelDistance(pixels[k], expected[k]));
    }
  return worst;
}

// Offset of the data of the first RIFF chunk with this id (its 8-byte head skipped).
size_t chunkData(const Bytes& file, const char (&id)[5]) {
  const std::optional<size_t> offset = fx_test::riffChunkData(file, id);
  EXPECT_TRUE(offset) << "no chunk " << id;
  return offset.value_or(0);
}

class AviTest : public ::testing::Test {
 protected:
  std::string path(const std::string& name) const { return (m_dir.path() / name).string(); }
  TempDir m_dir;
};

#define SKIP_WITHOUT_ENCODER(codec)        \
  if (fx_test::encoderName(codec).empty()) \
  GTEST_SKIP() << "this FFmpeg has no " << codecName(codec) << " encoder"

// --- Decoding back what the encoders wrote ---

struct DecodeCase {
  const char* name;
  VideoCodec codec;
  int32_t width;
  int32_t height;
  // Largest channel difference allowed; 0 compares every word exactly.
  int tolerance;
  const char* container = "avi";
};

class AviDecodeTest : public AviTest, public ::testing::WithParamInterface<DecodeCase> {};

TEST_P(AviDecodeTest, EveryFrameComesBackInOrder) {
  const DecodeCase& c = GetParam();
  SKIP_WITHOUT_ENCODER(c.codec);
  constexpr int32_t kNbFrame = 12;
  const Frames frames = c.tolerance == 0 ? rampFrames(c.width, c.height, kNbFrame)
                                         : quadrantFrames(c.width, c.height, kNbFrame);
  const std::string file = path("clip.avi");
  ASSERT_EQ(fx_test::writeVideo(file, {c.codec, c.width, c.height, 10, 1, c.container}, frames),
            std::nullopt);

  ReportCapture capture;
  const CAvi avi(file.c_str());
  EXPECT_TRUE(capture.lines().empty());
  ASSERT_EQ(avi.getNbFrame(), kNbFrame);
  EXPECT_EQ(avi.getWidth(), c.width);
  EXPECT_EQ(avi.getHeight(), c.height);
  EXPECT_EQ(avi.getFrameDuration(), 100);  // 10 frames a second
  for (int32_t i = 0; i < kNbFrame; ++i) {
    const CImage32& image = *avi.getFrame(i);
    ASSERT_EQ(image.getWidth(), c.width);
    ASSERT_EQ(image.getHeight(), c.height);
    const std::vector<uint32_t>& frame = frames[static_cast<size_t>(i)];
    if (c.tolerance == 0) {
      ASSERT_EQ(pixelsOf(image), frame) << "frame " << i;
    } else {
      EXPECT_LE(worstDistance(pixelsOf(image), frame, c.width, c.height), c.tolerance) << i;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Codecs, AviDecodeTest,
    ::testing::Values(DecodeCase{"Raw", VideoCodec::Raw, 40, 24, 0},
                      DecodeCase{"RawOddWidth", VideoCodec::Raw, 33, 7, 0},
                      DecodeCase{"Mjpeg", VideoCodec::Mjpeg, 64, 32, 6},
                      DecodeCase{"Mpeg4OddWidth", VideoCodec::Mpeg4, 33, 16, 6},
                      // any container FFmpeg reads, whatever the name says
                      DecodeCase{"Mpeg4InMatroska", VideoCodec::Mpeg4, 64, 32, 6, "matroska"}),
    [](const ::testing::TestParamInfo<DecodeCase>& info) { return info.param.name; });

// --- Frame index and frame duration ---

TEST_F(AviTest, FrameIndexWrapsModuloTheCount) {
  const Frames frames = rampFrames(8, 4, 10);
  const std::string file = path("ten.avi");
  ASSERT_EQ(fx_test::writeVideo(file, {VideoCodec::Raw, 8, 4}, frames), std::nullopt);
  const CAvi avi(file.c_str());
  ASSERT_EQ(avi.getNbFrame(), 10);
  struct Case {
    int32_t index;
    size_t frame;
  };
  for (const Case c : {Case{0, 0}, Case{9, 9}, Case{10, 0}, Case{2 * 10 + 3, 3}, Case{-1, 9},
                       Case{-10, 0}, Case{INT32_MAX, 7}, Case{INT32_MIN, 2}}) {
    const CImage32* pImage = avi.getFrame(c.index);
    ASSERT_NE(pImage, nullptr) << c.index;
    EXPECT_EQ(pixelsOf(*pImage), frames[c.frame]) << "index " << c.index;
  }
}

TEST_F(AviTest, FrameDurationIsTheLengthOverTheCount) {
  // The stream header's rate and scale are set in the file itself (rate / scale frames a second),
  // as an AVI writer would have stored them.
  struct Case {
    uint32_t rate;
    uint32_t scale;
    int32_t nbFrame;
    int32_t duration;  // worked out by hand
  };
  for (const Case c : {
           Case{10, 1, 10, 100},       // 1000 ms / 10
           Case{30000, 1001, 30, 33},  // 30 * 1001 / 30000 s = 1001 ms, / 30
           Case{3, 1, 4, 333},         // 1333 ms / 4
           Case{4000, 1, 3, 1},        // 0.75 ms, 1 rounded, / 3 is 0: a duration is never 0
       }) {
    const std::string file = path("rate.avi");
    ASSERT_EQ(fx_test::writeVideo(file, {VideoCodec::Raw, 4, 2}, rampFrames(4, 2, c.nbFrame)),
              std::nullopt);
    Bytes bytes = readBytes(file);
    putU32(bytes, chunkData(bytes, "strh") + 20, c.scale);
    putU32(bytes, chunkData(bytes, "strh") + 24, c.rate);
    writeBytes(file, bytes);
    const CAvi avi(file.c_str());
    EXPECT_EQ(avi.getNbFrame(), c.nbFrame);
    EXPECT_EQ(avi.getFrameDuration(), c.duration) << c.rate << "/" << c.scale;
  }
}

// --- The three errors ---

TEST_F(AviTest, FailuresAreFatalReportsAndLeaveNoFrame) {
  ASSERT_EQ(fx_test::writeVideo(path("raw.avi"), {VideoCodec::Raw, 16, 8}, rampFrames(16, 8, 4)),
            std::nullopt);

  ASSERT_EQ(fx_test::writeVideo(path("empty.avi"), {VideoCodec::Raw, 16, 8}, {}), std::nullopt);
  writeBytes(path("text.avi"), Bytes{'n', 'o', 't', ' ', 'a', ' ', 'v', 'i', 'd', 'e', 'o'});
  std::filesystem::create_directory(m_dir.path() / "folder.avi");
  // Opening a FIFO for reading would wait for a writer forever.
  ASSERT_EQ(mkfifo(path("pipe.avi").c_str(), 0600), 0);
  // An unknown FourCC in the stream header and the bitmap header: no decoder for it.
  Bytes unknown = readBytes(path("raw.avi"));
  putU32(unknown, chunkData(unknown, "strh") + 4, 0x5A5A5A5Au);
  putU32(unknown, chunkData(unknown, "strf") + 16, 0x5A5A5A5Au);
  writeBytes(path("unknown.avi"), unknown);

  for (const std::string name :
       {"missing.avi", "text.avi", "folder.avi", "pipe.avi", "empty.avi", "unknown.avi"}) {
    const std::string text = name == "empty.avi"     ? "no frame"
                             : name == "unknown.avi" ? "can't get Frame"
                                                     : "can't open file " + path(name);
    ReportCapture capture;
    const CAvi avi(path(name).c_str());
    ASSERT_EQ(capture.reports().size(), 1u) << name;
    EXPECT_EQ(capture.lines()[0], "CAvi error|" + text);
    EXPECT_EQ(capture.reports()[0].level, ReportLevel::Fatal);
    EXPECT_EQ(quitRequested(), std::optional<int>(1));
    EXPECT_EQ(avi.getNbFrame(), 0);
    EXPECT_EQ(avi.getFrame(0), nullptr);
    EXPECT_EQ(avi.getFrameDuration(), 0);
  }
  ReportCapture capture;
  const CAvi avi(nullptr);
  EXPECT_EQ(capture.lines(), std::vector<std::string>{"CAvi error|can't open file "});
}

// --- The memory guard ---

TEST_F(AviTest, MemoryGuardRefusesBeforeAndWhileDecoding) {
  // 10 frames of 32 x 16 take (16 + 4) * 32 * 4 = 2560 bytes each with the guard rows, 25600 in
  // all.
  const Frames frames = rampFrames(32, 16, 10);
  ASSERT_EQ(fx_test::writeVideo(path("counted.avi"), {VideoCodec::Raw, 32, 16}, frames),
            std::nullopt);
  // NUT headers do not give a frame count: only the running total can refuse.
  ASSERT_EQ(
      fx_test::writeVideo(path("uncounted.nut"), {VideoCodec::Raw, 32, 16, 10, 1, "nut"}, frames),
      std::nullopt);
  const Bytes counted = readBytes(path("counted.avi"));
  // The headers claim 1 frame, the file holds 10.
  writeBytes(path("lying.avi"), fx_test::claimingFrameCount(counted, 1));
  // The bitmap header claims 20000 x 10000 pixels a frame.
  writeBytes(path("huge.avi"), fx_test::claimingFrameSize(counted, 20000, 10000));

  const auto refusal = [&](const char* name, const std::string& count, const std::string& size,
                           const std::string& bytes, const std::string& limit) {
    return "CAvi error|file " + path(name) + ": " + count + " frames of " + size + " take " +
           bytes + " bytes, more than the video memory limit of " + limit +
           " bytes (SHOWPLAYER_VIDEO_MEMORY_LIMIT)";
  };
  const auto badLimit = [](const std::string& value) {
    return "CAvi warning|SHOWPLAYER_VIDEO_MEMORY_LIMIT \"" + value +
           "\" is not a positive number of bytes; the limit stays 1073741824";
  };
  // A null limit: not set.
  const auto expectLoad = [&](const std::string& name, const char* limit, int32_t nbFrame,
                              const std::vector<std::string>& reports) {
    if (limit) {
      setenv("SHOWPLAYER_VIDEO_MEMORY_LIMIT", limit, 1);
    } else {
      unsetenv("SHOWPLAYER_VIDEO_MEMORY_LIMIT");
    }
    ReportCapture capture;
    const CAvi avi(path(name).c_str());
    EXPECT_EQ(avi.getNbFrame(), nbFrame) << name << " " << (limit ? limit : "unset");
    EXPECT_EQ(capture.lines(), reports);
  };
  // At the limit every file loads; one byte below it is refused, before decoding when the
  // headers give the count, else once the running total passes it.
  for (const auto& [name, count] : {std::pair{"counted.avi", "10"},
                                    {"uncounted.nut", "at least 10"},
                                    {"lying.avi", "at least 10"}}) {
    expectLoad(name, "25600", 10, {});
    expectLoad(name, "25599", 0, {refusal(name, count, "32 x 16", "25600", "25599")});
  }
  // (10000 + 4) * 20000 * 4 * 10 bytes against the default of 1 GiB
  expectLoad("huge.avi", nullptr, 0,
             {refusal("huge.avi", "10", "20000 x 10000", "8003200000", "1073741824")});
  for (const char* bad : {"12k", "-1", "0"})
    expectLoad("counted.avi", bad, 10, {badLimit(bad)});
  unsetenv("SHOWPLAYER_VIDEO_MEMORY_LIMIT");
}

// --- Damaged files ---

// How many leading frames of a cut copy are sure to be whole: raw video drops the cut frame
// (its packet is short), MJPEG may show it half decoded, and MPEG-4 with B-frames may hand out a
// later frame early when the frames between are lost, so only its count is checked.
int32_t wholeLeadingFrames(VideoCodec codec, int32_t nbFrame) {
  switch (codec) {
    case VideoCodec::Raw:
      return nbFrame;
    case VideoCodec::Mjpeg:
      return std::max(nbFrame - 1, 0);
    case VideoCodec::Mpeg4:
      return 0;
  }
  return 0;
}

class AviDamageTest : public AviTest, public ::testing::WithParamInterface<VideoCodec> {
 protected:
  static constexpr int32_t kWidth = 32, kHeight = 32, kNbFrame = 6;
  void SetUp() override {
    m_frames = quadrantFrames(kWidth, kHeight, kNbFrame);
    const std::string file = path("whole.avi");
    if (fx_test::encoderName(GetParam()).empty()) return;
    ASSERT_EQ(fx_test::writeVideo(file, {GetParam(), kWidth, kHeight}, m_frames), std::nullopt);
    m_whole = readBytes(file);
  }
  int tolerance() const { return GetParam() == VideoCodec::Raw ? 0 : 6; }
  Frames m_frames;
  Bytes m_whole;
};

TEST_P(AviDamageTest, TruncatedCopiesKeepTheFramesBeforeTheCut) {
  SKIP_WITHOUT_ENCODER(GetParam());
  // The headers end where the frame list begins; after the frames comes the index.
  const size_t movi = chunkData(m_whole, "movi") - 4;
  const size_t index = chunkData(m_whole, "idx1") - 8;
  enum class Outcome { CantOpen, SomeFrames, AllFrames };
  struct Case {
    size_t size;
    Outcome outcome;
  };
  for (const Case c :
       {Case{0, Outcome::CantOpen}, Case{12, Outcome::CantOpen}, Case{movi / 2, Outcome::CantOpen},
        Case{movi + (index - movi) / 2, Outcome::SomeFrames},
        Case{movi + (index - movi) * 5 / 6, Outcome::SomeFrames},
        Case{m_whole.size() - 1, Outcome::AllFrames}}) {
    const std::string file = path("cut.avi");
    writeBytes(file, Bytes(m_whole.begin(), m_whole.begin() + static_cast<ptrdiff_t>(c.size)));
    ReportCapture capture;
    const CAvi avi(file.c_str());
    const int32_t nbFrame = avi.getNbFrame();
    switch (c.outcome) {
      case Outcome::CantOpen:
        EXPECT_EQ(capture.lines(), std::vector<std::string>{"CAvi error|can't open file " + file})
            << "cut at " << c.size;
        break;
      case Outcome::SomeFrames:
        EXPECT_GE(nbFrame, 1) << "cut at " << c.size;
        EXPECT_LT(nbFrame, kNbFrame) << "cut at " << c.size;
        EXPECT_EQ(capture.lines(),
                  std::vector<std::string>{"CAvi warning|file " + file + ": " +
                                           std::to_string(nbFrame) + " of 6 frames decoded"});
        break;
      case Outcome::AllFrames:
        EXPECT_EQ(nbFrame, kNbFrame);
        EXPECT_TRUE(capture.lines().empty());
        break;
    }
    // The frames kept are the first frames of the video, each within the codec's error.
    const int32_t nbChecked =
        c.outcome == Outcome::AllFrames ? nbFrame : wholeLeadingFrames(GetParam(), nbFrame);
    for (int32_t i = 0; i < nbChecked; ++i)
      EXPECT_LE(worstDistance(pixelsOf(*avi.getFrame(i)), m_frames[static_cast<size_t>(i)], kWidth,
                              kHeight),
                tolerance())
          << "cut at " << c.size << " frame " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Codecs, AviDamageTest,
                         ::testing::Values(VideoCodec::Raw, VideoCodec::Mjpeg, VideoCodec::Mpeg4),
                         [](const ::testing::TestParamInfo<VideoCodec>& info) {
                           return codecName(info.param);
                         });

}  // namespace
