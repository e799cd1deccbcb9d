// A camera flown by a scene controller's formulas: the program renders the frames of a show
// whose 3D descriptor moves its camera (and the camera's target) with the script time.

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "tests/app/app_test_util.h"
#include "tests/base/chunk_bytes.h"
#include "tests/support/controller_files.h"
#include "tests/support/white_quad_scene.h"

namespace {

using namespace chunk_bytes;

using white_quad::head;

// 90 frames. The camera "cam" at z = -256 looks at its target "at" along +z with fov pi/2 on the
// 512 x 256 frame: scaleX = scaleY = 256, so a point (x, y, 0) lands at column 256 + x - cx, row
// 128 - y + cy, (cx, cy) the camera's x and y. A white flat square spans x = 0 .. 16,
// y = 0 .. 8: columns ceil(256 - cx) .. + 15, rows ceil(120 + cy) .. + 7, 128 pixels.
std::string squareScene() {
  const Bytes camera =
      chunk(121, {head(1, "cam", 0.0f, 0.0f, -256.0f), head(2, "at", 0.0f, 0.0f, 100.0f)});
  return white_quad::sceneFile(camera, head(1, "square", 0, 0, 0), 0.0f, 0.0f, 16.0f, 8.0f);
}

// The white pixels of a frame: their count and the bounding box.
struct WhiteBox {
  int count = 0, left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
};
WhiteBox whiteBox(const RgbImage& frame) {
  WhiteBox box;
  for (int y = 0; y < frame.height; ++y) {
    for (int x = 0; x < frame.width; ++x) {
      if (frame.at(x, y) != 0xFFFFFF) continue;
      ++box.count;
      box.left = std::min(box.left, x), box.right = std::max(box.right, x);
      box.top = std::min(box.top, y), box.bottom = std::max(box.bottom, y);
    }
  }
  return box;
}

}  // namespace

TEST(CameraFormula, TheControllerFliesTheCameraAcrossTheSquare) {
  TempFolder folder;
  writeTextFile(folder.path() / "data/square.l3x", squareScene());
  // cx = time1 / 10 - 100 and cy = time1 / 100 (formulas chain from the right: the brackets),
  // the target moved alike so the camera keeps looking along +z.
  const std::string cx = "(time1 / 10) - 100", cy = "time1 / 100";
  ASSERT_TRUE(test_controllers::writeLecx(
      folder.file("fly.lecx"), 2,
      {{"NODE cam POSX", cx}, {"NODE cam POSY", cy}, {"NODE at POSX", cx}, {"NODE at POSY", cy}}));
  writeTextFile(
      folder.path() / "show.lscx",
      scriptText({{"MUSIC", {"file: NULL", "offset: 0"}},
                  {"LAYER_DIMENSION", {"desc: frame 512 256"}},
                  {"3D", {"file: square data\\square.l3x"}},
                  {"CONTROLLER", {"file: fly fly.lecx"}},
                  {"SCREEN_LAYER", {"desc: screen frame"}},
                  {"3D_DESC", {"desc: view square frame fly 0 0"}},
                  {"LAYER_MANAGER",
                   {"desc: screen 1 0 100000 c 0 0 0", "desc: screen 2 0 100000 w view"}}}));
  const ProgramRun run = renderFrames("show.lscx", {0, 1000, 2000}, folder.path());
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err, "");
  // (cx, cy) = (-100, 0), (0, 10), (100, 20); the 512 x 256 band sits 64 rows down the
  // 512 x 384 picture.
  struct Expected {
    int time, left, top;
  };
  for (const Expected& e :
       {Expected{0, 356, 64 + 120}, Expected{1000, 256, 64 + 130}, Expected{2000, 156, 64 + 140}}) {
    const std::optional<RgbImage> picture =
        readPng(folder.file("frames/frame-" + std::to_string(e.time) + ".png"));
    ASSERT_TRUE(picture) << e.time;
    const WhiteBox box = whiteBox(*picture);
    EXPECT_EQ(box.count, 128) << e.time;
    EXPECT_EQ(std::vector<int>({box.left, box.top, box.right, box.bottom}),
              std::vector<int>({e.left, e.top, e.left + 15, e.top + 7}))
        << e.time;
  }
  EXPECT_TRUE(matchesGolden(folder.file("frames/frame-2000.png"), "camera-formula-2000.png"));
}
