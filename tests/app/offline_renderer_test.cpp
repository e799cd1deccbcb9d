// The offline frame step in the program's own process: loading from the script's folder, the
// band of the display, and the names of the frame files.

#include "app/offline_renderer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/render_command.h"
#include "base/report.h"
#include "tests/app/app_test_util.h"

namespace fs = std::filesystem;
using ::testing::ElementsAre;

namespace {

// Restores the current folder at the end of a test that changes it.
class CurrentFolderGuard {
 public:
  CurrentFolderGuard() : m_saved(fs::current_path()) {}
  ~CurrentFolderGuard() { fs::current_path(m_saved); }

 private:
  fs::path m_saved;
};

// 0xRRGGBB of display pixel (x, y).
uint32_t displayAt(const OfflineRenderer& renderer, int x, int y) {
  return renderer.getDisplay().getPixels()[y * 512 + x] & 0xFFFFFFu;
}

}  // namespace

// --- Loading ---

TEST(OfflineRendererLoad, ReadsTheScriptFromItsFolderAndComesBack) {
  CurrentFolderGuard guard;
  TempFolder folder;
  writeTextFile(folder.path() / "shows" / "show.lscx",
                scriptText({{"LAYER_DIMENSION", {"desc: frame 512 256"}},
                            {"SCREEN_LAYER", {"desc: screen frame"}},
                            {"LAYER_MANAGER", {"desc: screen 1 0 1000 c 0 0 255"}}}));
  fs::current_path(folder.path());
  const fs::path before = fs::current_path();

  ReportCapture capture;
  OfflineRenderer renderer;
  EXPECT_TRUE(renderer.loadScript("shows/show.lscx"));
  EXPECT_EQ(fs::current_path(), before);
  EXPECT_THAT(capture.lines(), ElementsAre());
  renderer.renderFrame(10);
  EXPECT_EQ(displayAt(renderer, 100, 100), 0x0000FFu);
}

TEST(OfflineRendererLoad, AFolderIsNotAScript) {
  TempFolder folder;
  fs::create_directories(folder.path() / "show.lscx");
  ReportCapture capture;
  OfflineRenderer renderer;
  EXPECT_FALSE(renderer.loadScript(folder.file("show.lscx")));
  EXPECT_THAT(capture.lines(), ElementsAre("ScriptEngine :|Can't open file : show.lscx"));
}

// --- The band ---

TEST(OfflineRendererBand, AFrameLayerOfAnotherSizeIsRefusedEveryFrameAndTheBandStaysAsItWas) {
  TempFolder folder;
  writeTextFile(folder.path() / "show.lscx",
                scriptText({{"LAYER_DIMENSION", {"desc: frame 512 256", "desc: small 256 128"}},
                            {"SCREEN_LAYER", {"desc: full frame", "desc: last small"}},
                            {"LAYER_MANAGER",
                             {"desc: full 1 0 1000 c 0 255 0", "desc: last 1 0 1000 c 255 0 0"}}}));
  ReportCapture capture;
  OfflineRenderer renderer;
  ASSERT_TRUE(renderer.loadScript(folder.file("show.lscx")));
  renderer.renderFrame(100);
  renderer.renderFrame(200);
  EXPECT_THAT(capture.lines(),
              ElementsAre("ScriptLayerManager :|setDestination: different dimensions !",
                          "ScriptLayerManager :|setDestination: different dimensions !"));
  // The last layer drew into its own buffer: the display is still black everywhere.
  for (int y = 0; y < 384; y += 7) {
    for (int x = 0; x < 512; x += 5)
      ASSERT_EQ(displayAt(renderer, x, y), 0u) << x << ", " << y;
  }
}

TEST(OfflineRendererBand, NoScriptGivesABlackBand) {
  OfflineRenderer renderer;
  renderer.renderFrame(0);
  EXPECT_EQ(renderer.getDisplay().getWidth(), 512);
  EXPECT_EQ(renderer.getDisplay().getHeight(), 384);
  for (int y = 0; y < 384; y += 3) {
    for (int x = 0; x < 512; x += 3)
      ASSERT_EQ(displayAt(renderer, x, y), 0u) << x << ", " << y;
  }
}

// --- Frame files ---

TEST(RenderCommandFiles, OneTimeWritesTheOutPathSeveralWriteFramesNamedAfterTheirTime) {
  struct Case {
    std::vector<int32_t> times;
    std::string out;
    std::vector<std::string> paths;
  };
  const Case cases[] = {
      {{1500}, "out/picture.png", {"out/picture.png"}},
      {{1500, 0, -250},
       "frames",
       {"frames/frame-1500.png", "frames/frame-0.png", "frames/frame--250.png"}},
      // A folder written with backslashes or a trailing separator.
      {{1, 2}, "out\\frames\\", {"out/frames/frame-1.png", "out/frames/frame-2.png"}},
      {{1, 2}, "out/", {"out/frame-1.png", "out/frame-2.png"}},
  };
  for (const Case& c : cases) {
    RenderRequest request;
    request.scriptPath = "a.lscx";
    request.times = c.times;
    request.outPath = c.out;
    const RenderCommand command(request);
    for (std::size_t k = 0; k < c.paths.size(); ++k)
      EXPECT_EQ(command.framePath(k), c.paths[k]) << c.out;
  }
}
