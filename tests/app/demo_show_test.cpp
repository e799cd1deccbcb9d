// The bundled demo end to end: reviewed frames of it, and the show going on, with the specified
// reports, when one of its files is missing or broken.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "tests/app/app_test_util.h"

namespace fs = std::filesystem;

namespace {

const fs::path kDemo = fs::path(SHOWPLAYER_BINARY_DIR) / "examples/demo";
const fs::path kGolden = fs::path(SHOWPLAYER_SOURCE_DIR) / "tests/app/golden";

// Frames away from the wave rows, which follow the system clock: the title over the sun, the
// drop's noise rows, the outro. The module variant: its level is 0 whatever the decoder.
const std::vector<int32_t> kGoldenTimes = {10000, 45000, 88000};

// The first pixel that differs, or success.
::testing::AssertionResult sameImage(const RgbImage& actual, const RgbImage& expected) {
  if (actual.width != expected.width || actual.height != expected.height) {
    return ::testing::AssertionFailure() << "size " << actual.width << "x" << actual.height;
  }
  for (int y = 0; y < actual.height; ++y) {
    for (int x = 0; x < actual.width; ++x) {
      if (actual.at(x, y) != expected.at(x, y)) {
        return ::testing::AssertionFailure()
               << "pixel (" << x << ", " << y << ") is " << std::hex << actual.at(x, y)
               << " instead of " << expected.at(x, y);
      }
    }
  }
  return ::testing::AssertionSuccess();
}

class DemoShow : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(kDemo / "demo.lscx")) GTEST_SKIP() << "the demo is not built";
    fs::copy(kDemo, m_folder.path(), fs::copy_options::recursive);
  }

  // Renders the frame at `time` of demo.lscx in the copy; gives stderr.
  std::string renderFrame(int32_t time) {
    const ProgramRun run =
        runShowPlayer({"render", "demo.lscx", "--at", std::to_string(time), "--out", "frame.png"},
                      m_folder.path());
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(readPng(m_folder.file("frame.png"))) << "no frame";
    return run.err;
  }

  TempFolder m_folder;
};

}  // namespace

TEST_F(DemoShow, ChosenFramesMatchTheReviewedPictures) {
  std::vector<std::string> arguments = {"render", "demo_module.lscx"};
  for (int32_t time : kGoldenTimes)
    arguments.insert(arguments.end(), {"--at", std::to_string(time)});
  arguments.insert(arguments.end(), {"--out", "frames"});
  const ProgramRun run = runShowPlayer(arguments, m_folder.path());
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err, "");
  const bool update = std::getenv("SHOWPLAYER_UPDATE_GOLDEN") != nullptr;
  for (int32_t time : kGoldenTimes) {
    SCOPED_TRACE(time);
    const std::string name = "demo-" + std::to_string(time) + ".png";
    const fs::path frame = m_folder.path() / "frames" / ("frame-" + std::to_string(time) + ".png");
    if (update) fs::copy_file(frame, kGolden / name, fs::copy_options::overwrite_existing);
    const std::optional<RgbImage> actual = readPng(frame.string());
    const std::optional<RgbImage> expected = readPng((kGolden / name).string());
    ASSERT_TRUE(actual && expected);
    EXPECT_TRUE(sameImage(*actual, *expected));
  }
}

TEST_F(DemoShow, AMissingPictureIsReportedAndTheShowGoesOn) {
  fs::remove(m_folder.path() / "data/sun.bmp");
  const std::string err = renderFrame(10000);
  EXPECT_NE(err.find("CImage32FromData cant load file data/sun.bmp\n"), std::string::npos) << err;
  EXPECT_NE(err.find("IMAGE sun : render using m_pBuffer NULL\n"), std::string::npos) << err;
}

TEST_F(DemoShow, ABrokenControllerIsReportedAndItsNameReadsZero) {
  const fs::path beat = m_folder.path() / "data/lcx/beat.lcx";
  fs::resize_file(beat, 40);
  const std::string err = renderFrame(10000);
  EXPECT_NE(err.find("broken chunk at offset 0! fileName: "), std::string::npos) << err;
  EXPECT_NE(err.find("ScriptControllerManager:  cant find LCX controller: beat\n"),
            std::string::npos)
      << err;
}

TEST_F(DemoShow, MissingMusicIsReportedAndTheFramesStillFollowTheScript) {
  fs::remove(m_folder.path() / "music.ogg");
  const std::string err = renderFrame(10000);
  EXPECT_EQ(err, "SoundManager music.ogg: load: FMod can t load file !\n");
}
