// CAvi over videos that FFmpeg's own encoders write in the set-up: raw BGR24 (exact), MJPEG and
// MPEG-4 Visual (within a tolerance), a cut copy, the reports and the memory guard.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
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
};

class AviDecodeTest : public AviTest, public ::testing::WithParamInterface<DecodeCase> {};

TEST_P(AviDecodeTest, EveryFrameComesBackInOrder) {
  const DecodeCase& c = GetParam();
  SKIP_WITHOUT_ENCODER(c.codec);
  constexpr int32_t kNbFrame = 12;
  const Frames frames = c.tolerance == 0 ? rampFrames(c.width, c.height, kNbFrame)
                                         : quadrantFrames(c.width, c.height, kNbFrame);
  const std::string file = path("clip.avi");
  ASSERT_EQ(fx_test::writeVideo(file, {c.codec, c.width, c.height}, frames), std::nullopt);

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
    // Odd widths: BGR24 rows of 99 bytes are padded to 100 in the file.
    ::testing::Values(DecodeCase{"RawOddWidth", VideoCodec::Raw, 33, 7, 0},
                      DecodeCase{"Mjpeg", VideoCodec::Mjpeg, 64, 32, 6},
                      DecodeCase{"Mpeg4OddWidth", VideoCodec::Mpeg4, 33, 16, 6}),
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
  for (const Case c :
       {Case{10, 0}, Case{2 * 10 + 3, 3}, Case{-1, 9}, Case{INT32_MAX, 7}, Case{INT32_MIN, 2}}) {
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
           Case{30000, 1001, 30, 33},  // 30 * 1001 / 30000 s = 1001 ms, / 30
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
  // Opening a FIFO for reading would wait for a writer forever.
  ASSERT_EQ(mkfifo(path("pipe.avi").c_str(), 0600), 0);
  // An unknown FourCC in the stream header and the bitmap header: no decoder for it.
  Bytes unknown = readBytes(path("raw.avi"));
  putU32(unknown, chunkData(unknown, "strh") + 4, 0x5A5A5A5Au);
  putU32(unknown, chunkData(unknown, "strf") + 16, 0x5A5A5A5Au);
  writeBytes(path("unknown.avi"), unknown);

  for (const std::string name : {"missing.avi", "pipe.avi", "empty.avi", "unknown.avi"}) {
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
  // The bitmap header claims 20000 x 10000 pixels a frame.
  writeBytes(path("huge.avi"),
             fx_test::claimingFrameSize(readBytes(path("counted.avi")), 20000, 10000));

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
  for (const auto& [name, count] :
       {std::pair{"counted.avi", "10"}, {"uncounted.nut", "at least 10"}}) {
    expectLoad(name, "25600", 10, {});
    expectLoad(name, "25599", 0, {refusal(name, count, "32 x 16", "25600", "25599")});
  }
  // (10000 + 4) * 20000 * 4 * 10 bytes against the default of 1 GiB
  expectLoad("huge.avi", nullptr, 0,
             {refusal("huge.avi", "10", "20000 x 10000", "8003200000", "1073741824")});
  expectLoad("counted.avi", "12k", 10, {badLimit("12k")});
  unsetenv("SHOWPLAYER_VIDEO_MEMORY_LIMIT");
}

// --- A cut file ---

// Raw video cut halfway through its frame list: the frames before the cut are kept, whole, and
// the loss is reported.
TEST_F(AviTest, ACutCopyKeepsTheFramesBeforeTheCut) {
  const Frames frames = rampFrames(32, 32, 6);
  const std::string file = path("cut.avi");
  ASSERT_EQ(fx_test::writeVideo(file, {VideoCodec::Raw, 32, 32}, frames), std::nullopt);
  const Bytes whole = readBytes(file);
  const size_t movi = chunkData(whole, "movi") - 4, index = chunkData(whole, "idx1") - 8;
  writeBytes(file,
             Bytes(whole.begin(), whole.begin() + static_cast<ptrdiff_t>((movi + index) / 2)));
  ReportCapture capture;
  const CAvi avi(file.c_str());
  ASSERT_GE(avi.getNbFrame(), 1);
  ASSERT_LT(avi.getNbFrame(), 6);
  EXPECT_EQ(capture.lines(),
            std::vector<std::string>{"CAvi warning|file " + file + ": " +
                                     std::to_string(avi.getNbFrame()) + " of 6 frames decoded"});
  for (int32_t i = 0; i < avi.getNbFrame(); ++i)
    EXPECT_EQ(pixelsOf(*avi.getFrame(i)), frames[static_cast<size_t>(i)]) << i;
}

}  // namespace
