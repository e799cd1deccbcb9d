// 3D sections: scenes loaded from .l3x files, found by the 3D_DESC lines that show them.

#include <gtest/gtest.h>

#include "s3d/s3d_scene.h"
#include "s3d/viewport.h"
#include "script/render_data.h"
#include "script/script_resource.h"
#include "tests/script/engine_fixture.h"

namespace {

Sections sceneShow(const char* file) {
  return show(
      {{"3D", {std::string("file: city ") + file}}, {"3D_DESC", {"desc: view city d NULL 0 0"}}},
      {"desc: screen 1 0 100000 w view"});
}

}  // namespace

TEST_F(EngineTest, SceneResourcesLoadAndDescriptorsShowThem) {
  m_dir.write("data/city.l3x", sceneFileText());
  ScriptEngine& engine = loadSections(sceneShow("data\\city.l3x"));
  EXPECT_EQ(texts(), std::vector<std::string>{});

  S3DScene* pScene = engine.findRessource3D("city")->getScene();
  ASSERT_NE(pScene, nullptr);
  EXPECT_EQ(pScene->getAnimLength(), 90);
  ASSERT_EQ(pScene->getNbCamera(), 1);
  EXPECT_EQ(pScene->m_cameras[0].m_name, "cam");

  RenderData3DDesc* pDesc = engine.find3DDesc("view");
  ASSERT_NE(pDesc, nullptr);
  EXPECT_EQ(pDesc->getScene(), pScene);
  // The viewport takes the layer dimension (4 x 2); the scene's flag 0 turns depth off.
  EXPECT_EQ(pDesc->getViewPort().getWidth(), 4);
  EXPECT_EQ(pDesc->getViewPort().getHeight(), 2);
  EXPECT_FALSE(pDesc->getViewPort().isZBufferEnabled());
  EXPECT_EQ(pixelAt(0, 0, 0x123456), 0x123456u);
  EXPECT_EQ(texts(), std::vector<std::string>{});
}
