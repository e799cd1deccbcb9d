// The 2D pipeline end to end through `showplayer render`: a BMP and a run-length TGA picture
// written here are mixed and filtered by shows whose frames are kept as golden pictures (the
// blend and effect formulas are checked in the image, fx and script tests); missing and truncated
// pictures keep the show going, their frames compared with values worked out from the pictures.
//
// SHOWPLAYER_UPDATE_GOLDEN=1 rewrites the golden pictures from the current program; look at them
// before keeping them.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

#include "tests/app/app_test_util.h"
#include "tests/support/picture_files.h"

namespace fs = std::filesystem;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace {

constexpr int kWidth = 512;
constexpr int kHeight = 256;

uint32_t rgb(int red, int green, int blue) {
  return (static_cast<uint32_t>(red) << 16) | (static_cast<uint32_t>(green) << 8) |
         static_cast<uint32_t>(blue);
}

// The pictures of the shows.
uint32_t gradient(int x, int y) {
  return rgb(x / 2, y, 255 - x / 2);
}
constexpr uint32_t kCheckA = 0xC8285Au;  // 200, 40, 90
constexpr uint32_t kCheckB = 0x1EB4FAu;  // 30, 180, 250
uint32_t checker(int x, int y) {
  return ((x / 32 + y / 32) & 1) ? kCheckB : kCheckA;
}

class PipelineShow : public ::testing::Test {
 protected:
  void SetUp() override {
    using namespace picture_files;
    ASSERT_TRUE(writeBytes(m_folder.file("gradient.bmp"), bmpBytes(kWidth, kHeight, gradient)));
    ASSERT_TRUE(writeBytes(m_folder.file("checker.tga"), tgaBytes(kWidth, kHeight, checker, true)));
  }

  // Renders the show at each time into frames/. Every show has the dimension "screen"
  // (512 x 256), the pictures grad and check, and the frame layer "frame" after any screen layers
  // of `sections`.
  ProgramRun render(std::map<std::string, std::vector<std::string>> sections,
                    const std::vector<int>& times) {
    sections["LAYER_DIMENSION"] = {"desc: screen 512 256"};
    auto& images = sections["IMAGE"];
    images.insert(images.begin(), {"file: grad gradient.bmp", "file: check checker.tga"});
    sections["SCREEN_LAYER"].push_back("desc: frame screen");
    writeTextFile(m_folder.path() / "show.lscx", scriptText(sections));
    return renderFrames("show.lscx", times, m_folder.path());
  }

  std::string file(int time) const {
    return m_folder.file("frames/frame-" + std::to_string(time) + ".png");
  }
  // The frame at `time`; a missing one is empty and fails every check.
  RgbImage frame(int time) const { return readPng(file(time)).value_or(RgbImage{}); }
  ::testing::AssertionResult golden(int time, const std::string& name) const {
    return matchesGolden(file(time), name);
  }

  TempFolder m_folder;
};

}  // namespace

// The layer: the gradient with the checkerboard mixed in at 0.5, then one effect a second: the
// relief, SHADE with factor 0.5 (the relief scaled by 127), the radial blurs and the row blur.
TEST_F(PipelineShow, EffectsMatchTheirGoldens) {
  const ProgramRun run =
      render({{"MIX", {"desc: blit BLIT"}},
              {"EFFECT",
               {"desc: relief EMBOSS screen", "desc: rays RADIAL screen", "desc: rows DEMOSPE01"}},
              {"MIX_DESC", {"desc: half blit NULL NORMAL 0.5 NULL"}},
              {"EFFECT_DESC",
               {"desc: emboss relief NULL EMBOSS 1.0", "desc: shade relief NULL SHADE 0.5",
                "desc: smooth rays NULL SMOOTH 0.9 0.05 256 128",
                "desc: fast rays NULL FAST 0.9 0.05 256 128", "desc: noisy rows NULL 0"}},
              {"LAYER_MANAGER",
               {"desc: frame 1 0 100000 w grad", "desc: frame 2 0 100000 m half check",
                "desc: frame 3 0 1000 e emboss", "desc: frame 3 1000 2000 e shade",
                "desc: frame 3 2000 3000 e smooth", "desc: frame 3 3000 4000 e fast",
                "desc: frame 3 4000 5000 e noisy"}}},
             {500, 1500, 2500, 3500, 4500});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.err, "");
  EXPECT_TRUE(golden(500, "pipeline-emboss.png"));
  EXPECT_TRUE(golden(1500, "pipeline-shade.png"));
  EXPECT_TRUE(golden(2500, "pipeline-radial-smooth.png"));
  EXPECT_TRUE(golden(3500, "pipeline-radial-fast.png"));
  EXPECT_TRUE(golden(4500, "pipeline-rowblur.png"));
}

TEST_F(PipelineShow, MissingAndTruncatedPicturesKeepTheShowGoing) {
  using namespace picture_files;
  // 100 whole rows (the bottom ones) and 300 pixels of the next.
  std::vector<uint8_t> cut = bmpBytes(kWidth, kHeight, gradient);
  cut.resize(54 + 100 * kWidth * 3 + 300 * 3);
  ASSERT_TRUE(writeBytes(m_folder.file("cut.bmp"), cut));
  const ProgramRun run = render({{"IMAGE", {"file: pic missing.bmp", "file: cut cut.bmp"}},
                                 {"EFFECT", {"desc: tint COLOR"}},
                                 {"EFFECT_DESC", {"desc: invert tint NULL INVERT 0 0 0"}},
                                 {"LAYER_MANAGER",
                                  {"desc: frame 1 0 1000 w grad", "desc: frame 1 1000 2000 w cut",
                                   "desc: frame 2 0 1000 w pic", "desc: frame 3 0 1000 e invert"}}},
                                {500, 1500});
  EXPECT_EQ(run.exitCode, 0);
  // The loads report first (the missing file by its name in the script), the write later.
  EXPECT_THAT(run.err, StartsWith("CImage32FromData cant load file missing.bmp\n"));
  EXPECT_THAT(run.err,
              HasSubstr("CImage32FromData file " + m_folder.file("cut.bmp") + ": truncated"));
  EXPECT_THAT(run.err, EndsWith("\nIMAGE pic : render using m_pBuffer NULL\n"));
  // The failed write changed nothing; the inversion after it ran.
  EXPECT_TRUE(showsLayer(frame(500), [](int x, int y) { return 0xFFFFFFu - gradient(x, y); }));
  // The bottom rows 156..255 and the first 300 pixels of row 155 were read; the rest is black.
  EXPECT_TRUE(showsLayer(frame(1500), [](int x, int y) {
    return y >= 156 || (y == 155 && x < 300) ? gradient(x, y) : 0u;
  }));
}
