// The demo's workshop model through showtool import: every part of it is converted without a
// message (the extras name only parameters the importer knows), and the scene holds what the
// show's controller and script use.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"
#include "tests/tools/show_tool_runner.h"
#include "tools/demo_workshop.h"

namespace {

using namespace show_tool_runner;

TEST(WorkshopModel, ImportsWithoutAMessageIntoTheObjectsTheShowMoves) {
  TempDir dir;
  const std::string model = (dir.path() / "workshop.gltf").string();
  const std::string scene = (dir.path() / "workshop.l3x").string();
  writeText(model, DemoWorkshop::workshopGltf());
  const Outcome imported = run({"import", model, "-o", scene});
  ASSERT_EQ(imported.code, 0) << imported.err;
  EXPECT_EQ(imported.err, "");
  // 15360 ms at 30 frames a second: 460.8, rounded.
  EXPECT_TRUE(contains(imported.out, "461 frames")) << imported.out;
  const Outcome dumped = run({"dump", scene});
  ASSERT_EQ(dumped.code, 0) << dumped.err;
  const Json root = Json::parse(dumped.out).at("chunks")[0];
  // Per mesh: its modifier types in stack order, and whether it is sorted.
  std::map<std::string, std::vector<int>> stacks;
  std::map<std::string, int> sorted;
  for (const Json& mesh : childrenOf(descend(root, {100}))) {
    const std::string name = descend(mesh, {1, 1}).value("name", "");
    for (const Json& modifier : childrenOf(descend(mesh, {2000})))
      stacks[name].push_back(modifier.at("modifierType"));
    sorted[name] = descend(mesh, {2105}).value("sorted", 0);
  }
  // The skin (1) of the arm, the morph (2) of the blob, the twist (7) and bend (3) of the tower
  // and the wave (6) of the flag that workshop_motion.lecx drives.
  EXPECT_EQ(stacks, (std::map<std::string, std::vector<int>>{{"Arm", {1}},
                                                             {"Blob", {2}},
                                                             {DemoWorkshop::kTowerName, {7, 3}},
                                                             {DemoWorkshop::kFlagName, {6}}}));
  for (const char* pPane : {"PaneCyan", "PaneMagenta", "PaneAmber"})
    EXPECT_EQ(sorted[pPane], 1) << pPane;
  EXPECT_EQ(sorted[DemoWorkshop::kTowerName], 0);
}

}  // namespace
