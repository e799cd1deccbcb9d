// The demo's video loops seamlessly (the file make_video writes plays in the demo's golden frames).

#include "tools/demo_video.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>

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

}  // namespace
