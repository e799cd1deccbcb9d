// 3D descriptors animate their scene at 30 frames a second from the start of the write operation,
// shifted by their time offset and looping over the scene's length: checked on the frames the
// program renders, through a scene whose object moves one pixel a frame.

#include <gtest/gtest.h>

#include "tests/app/app_test_util.h"
#include "tests/base/chunk_bytes.h"
#include "tests/support/white_quad_scene.h"

namespace {

using namespace chunk_bytes;
using white_quad::head;
using white_quad::point;

// 90 frames long. The camera at z = -256 looks along +z with fov pi/2: scaleX = 256, so one unit
// at z = 0 is one pixel. A white flat-shaded strip two units wide spans x = -127.5 .. -125.5 at
// frame 0 and moves +1 unit a frame (linear position keys (0, -127.5) and (256, 128.5)), so the
// first column it covers is ceil(256 + x) = 129 + frame.
std::string movingStripScene() {
  const Bytes camera = chunk(121, {head(1, "cam", 0.0f, 0.0f, -256.0f), head(2, "at", 0, 0, 0)});
  const Bytes keys = chunk(1, {intField(2), intField(0), point(-127.5f, 0.0f, 0.0f), intField(256),
                               point(128.5f, 0.0f, 0.0f)});
  const Bytes track = chunk(201, {chunk(1, {Bytes{1}, keys})});
  return white_quad::sceneFile(camera, head(1, "strip", 0, 0, 0, chunk(200, {track})), 0.0f, -50.0f,
                               2.0f, 50.0f);
}

// The first white column of the band's middle row, -1 when there is none.
int firstWhiteColumn(const RgbImage& frame) {
  for (int x = 0; x < frame.width; ++x)
    if (frame.at(x, 64 + 128) == 0xFFFFFF) return x;
  return -1;
}

}  // namespace

TEST(SceneFrames, FramesRunFromTheOperationsStartAtThirtyASecondShiftedAndLooped) {
  TempFolder folder;
  writeTextFile(folder.path() / "data/strip.l3x", movingStripScene());
  writeTextFile(
      folder.path() / "show.lscx",
      scriptText(
          {{"MUSIC", {"file: NULL", "offset: 0"}},
           {"LAYER_DIMENSION", {"desc: band 512 256"}},
           {"3D", {"file: strip data\\strip.l3x"}},
           {"SCREEN_LAYER", {"desc: screen band"}},
           {"3D_DESC", {"desc: now strip band NULL 0 0", "desc: later strip band NULL 2000 0"}},
           {"LAYER_MANAGER",
            {"desc: screen 1 10000 40000 c 0 0 0", "desc: screen 2 10000 20000 w now",
             "desc: screen 3 30000 40000 w later"}}}));
  const ProgramRun run = renderFrames("show.lscx", {10000, 11000, 13500, 30000}, folder.path());
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err, "");
  // 10000: frame 0 at the start; 11000: 30 one second later; 13500: 3.5 s give frame 105,
  // looped over 90 to 15; 30000: the offset of 2 s gives frame 60 at the start.
  for (const auto& [time, frame] :
       std::vector<std::pair<int, int>>{{10000, 0}, {11000, 30}, {13500, 15}, {30000, 60}}) {
    const std::optional<RgbImage> picture =
        readPng(folder.file("frames/frame-" + std::to_string(time) + ".png"));
    ASSERT_TRUE(picture) << time;
    EXPECT_EQ(firstWhiteColumn(*picture), 129 + frame) << time;
  }
}
