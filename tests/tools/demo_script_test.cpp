// The demo's script against its music: every cut falls on a beat. (A name the script or a formula
// reads that the demo does not build is reported when the whole show is played in the app tests.)

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tools/demo_tempo.h"

namespace {

const std::filesystem::path kDemo = std::filesystem::path(SHOWPLAYER_SOURCE_DIR) / "examples/demo";

// The lines of a section of the script whose first word is `keyword`.
std::vector<std::string> sectionLines(const std::string& tag, const std::string& keyword) {
  std::ifstream in(kDemo / "demo.lscx");
  std::vector<std::string> lines;
  bool inside = false;
  for (std::string line; std::getline(in, line);) {
    std::string first;
    std::istringstream(line) >> first;
    inside = first == "<" + tag + ">" || (inside && first != "</" + tag + ">");
    if (inside && first == keyword) lines.push_back(line);
  }
  return lines;
}

TEST(DemoScript, EveryOperationStartsAndEndsOnABeat) {
  const std::vector<std::string> lines = sectionLines("LAYER_MANAGER", "desc:");
  ASSERT_GT(lines.size(), 50u);
  int latestEnd = 0;
  for (const std::string& line : lines) {
    std::istringstream fields(line);
    std::string keyword, layer;
    int position = 0, start = -1, end = -1;
    fields >> keyword >> layer >> position >> start >> end;
    SCOPED_TRACE(line);
    EXPECT_GE(position, 1);
    EXPECT_LT(start, end);
    EXPECT_EQ(start % DemoTempo::kMsPerBeat, 0);
    // The inverted flashes of the break last half a beat.
    EXPECT_EQ(end % (DemoTempo::kMsPerBeat / 2), 0);
    latestEnd = std::max(latestEnd, end);
  }
  // The show outlasts its music by a little, in black.
  EXPECT_GE(latestEnd, DemoTempo::kDurationMs);
  EXPECT_LE(latestEnd, DemoTempo::kDurationMs + DemoTempo::kMsPerPattern);
}

}  // namespace
