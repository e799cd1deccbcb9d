// The demo's video: it loops seamlessly, and the file make_video writes decodes, through the
// player's video reader, to its 60 frames of 128 x 128 at 30 a second, close to the pictures made
// (the codec is lossy).

#include "tools/demo_video.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>

#include "base/report.h"
#include "fx/c_avi.h"

namespace {

int channelDifference(std::uint32_t a, std::uint32_t b, int shift) {
  return std::abs(static_cast<int>((a >> shift) & 255u) - static_cast<int>((b >> shift) & 255u));
}

TEST(DemoVideo, TheLastFrameLeadsBackIntoTheFirst) {
  // Frame 60 would be frame 0: every wave moves whole periods over the loop.
  for (int y = 0; y < DemoVideo::kSide; y += 7) {
    for (int x = 0; x < DemoVideo::kSide; x += 5) {
      const std::uint32_t first = DemoVideo::pixel(0, x, y);
      const std::uint32_t wrapped = DemoVideo::pixel(DemoVideo::kNbFrame, x, y);
      for (int shift : {0, 8, 16})
        EXPECT_LE(channelDifference(first, wrapped, shift), 1) << x << "," << y;
    }
  }
  // And it moves: consecutive frames differ.
  EXPECT_NE(DemoVideo::pixel(0, 10, 10), DemoVideo::pixel(5, 10, 10));
}

TEST(DemoVideo, TheWrittenFileDecodesToTheFramesMade) {
  const std::filesystem::path path = std::filesystem::temp_directory_path() /
                                     ("demo_video_test_" + std::to_string(::getpid()) + ".avi");
  ASSERT_EQ(DemoVideo::write(path.string()), std::nullopt);
  ReportCapture reports;
  const CAvi video(path.string().c_str());
  std::filesystem::remove(path);
  ASSERT_TRUE(reports.texts().empty()) << reports.texts().front();
  ASSERT_EQ(video.getNbFrame(), DemoVideo::kNbFrame);
  ASSERT_EQ(video.getWidth(), DemoVideo::kSide);
  EXPECT_EQ(video.getFrameDuration(), 1000 / DemoVideo::kFps);
  for (int frame : {0, 17, 59}) {
    const CImage32* pFrame = video.getFrame(frame);
    ASSERT_NE(pFrame, nullptr);
    ASSERT_EQ(pFrame->getHeight(), DemoVideo::kSide);
    long total = 0;
    int worst = 0;
    for (int y = 0; y < DemoVideo::kSide; ++y) {
      for (int x = 0; x < DemoVideo::kSide; ++x) {
        const std::uint32_t made = DemoVideo::pixel(frame, x, y);
        const std::uint32_t read = pFrame->getPixels()[y * DemoVideo::kSide + x];
        for (int shift : {0, 8, 16}) {
          const int difference = channelDifference(made, read, shift);
          total += difference;
          worst = std::max(worst, difference);
        }
      }
    }
    const double mean = static_cast<double>(total) / (3.0 * DemoVideo::kSide * DemoVideo::kSide);
    EXPECT_LT(mean, 4.0) << "frame " << frame;
    EXPECT_LT(worst, 64) << "frame " << frame;
  }
}

}  // namespace
