// A 3D descriptor's scene controller (.lecx kind 2) moves the scene's objects on the frames the
// show renders: its formulas are written after the scene's time is set and before the transform.

#include <gtest/gtest.h>

#include <string>

#include "tests/base/chunk_bytes.h"
#include "tests/script/engine_fixture.h"
#include "tests/support/controller_files.h"
#include "tests/support/white_quad_scene.h"

namespace tc = test_controllers;

namespace {

using namespace chunk_bytes;

using white_quad::head;

// 90 frames. On the 4 x 2 frame the camera (z = -20, looking along +z, fov pi/2) has
// scaleX = width / 2 = 2 and scaleY = height = 2: a point (x, y, 0) lands on column 2 + x / 10,
// row 1 - y / 10. The white flat strip "strip" spans x = 0 .. 10 from its head's position and
// y = -9 .. 11 (rows -0.1 .. 1.9, row 1 drawn), so with the head at x it covers the one column
// ceil(2 + x / 10) (x = -15: column 1).
std::string stripScene() {
  const Bytes camera =
      chunk(121, {head(1, "cam", 0.0f, 0.0f, -20.0f), head(2, "at", 0.0f, 0.0f, 100.0f)});
  return white_quad::sceneFile(camera, head(1, "strip", -15.0f, 0.0f, 0.0f), 0.0f, -9.0f, 10.0f,
                               11.0f);
}

Sections stripShow(const char* controller) {
  return show({{"3D", {"file: strip strip.l3x"}},
               {"CONTROLLER", {"file: move move.lecx"}},
               {"3D_DESC", {std::string("desc: view strip d ") + controller + " 0 0"}}},
              {"desc: screen 1 0 100000 c 0 0 0", "desc: screen 2 0 100000 w view"});
}

// The columns of the frame's second row that are white, as a string of '#' and '.'.
std::string whiteColumns(ScriptEngine& engine, CImage32Buffered& frame, std::int32_t time) {
  frame.fill(0);
  engine.setFrameTime(time);
  engine.render(&frame);
  std::string out;
  for (int x = 0; x < 4; ++x)
    out += (frame.getPixels()[4 + x] & 0xFFFFFFu) == 0xFFFFFFu ? '#' : '.';
  return out;
}

}  // namespace

TEST_F(EngineTest, WithoutItsControllerTheObjectStaysAndBadParametersAreReported) {
  m_dir.write("strip.l3x", stripScene());
  ASSERT_TRUE(tc::writeLecx("move.lecx", 2,
                            {{"NODE strip POSY", "1000"},
                             {"CAMERA cam ZOOM", "3"},
                             {"MODIFIERSKEW strip AMOUNT", "1"},
                             {"NODE strip POSX", "5"}}));
  // Without the controller the strip stays at x = -15.
  loadSections(stripShow("NULL"));
  EXPECT_EQ(whiteColumns(*m_pEngine, m_frame, 1000), ".#..");
  // With it, the bad parameters are reported once at load and the others still work, written
  // after the scene's time is set: y = 1000 moves the strip above the picture (rows -100 .. -98).
  // (Formulas of the time moving objects frame by frame are pinned by the demo's workshop finale.)
  m_reports.clear();
  loadSections(stripShow("move"));
  EXPECT_EQ(m_reports.lines(),
            (Lines{"LECXControllerL3XParamCamera|Can't find param: ZOOM",
                   "LECXControllerL3XParamManager|create param not found: MODIFIERSKEW"}));
  EXPECT_EQ(whiteColumns(*m_pEngine, m_frame, 1000), "....");
}

TEST_F(EngineTest, ASceneControllerOnADescriptorWithoutSceneIsReported) {
  ASSERT_TRUE(tc::writeLecx("move.lecx", 2, {{"NODE strip POSX", "5"}}));
  loadSections(show({{"3D", {"file: strip nowhere.l3x"}},
                     {"CONTROLLER", {"file: move move.lecx"}},
                     {"3D_DESC", {"desc: view missing d move 0 0"}}},
                    {"desc: screen 2 0 100000 w view"}));
  EXPECT_EQ(m_reports.lines(),
            (Lines{"ChunkFileReaderManager: |can't open file for reading! fileName: nowhere.l3x",
                   "S3DScene warning:|no camera to render the scene !",
                   "ScriptEngine :|Can't find ressource3D: missing",
                   "LECXControllerL3X|can t prepare controller Interface: m_pScene NULL"}));
  EXPECT_EQ(pixelAt(0, 0, 0x123456), 0x123456u);
}
