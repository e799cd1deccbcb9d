// The demo's sources checked against each other: the script's cuts fall on the music's beats,
// and every name a controller formula reads is a controller the demo builds.

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

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

// The names the formulas read, other than functions, constants and the two times.
void collectLabels(const nlohmann::json& node, std::set<std::string>& labels) {
  static const std::set<std::string> kReserved{"time1", "time2", "sin", "cos", "pi", "rand"};
  const auto isNameChar = [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
  };
  if (node.is_object() && node.contains("formula")) {
    const std::string text = node["formula"];
    for (size_t i = 0; i < text.size();) {
      size_t end = i;
      while (end < text.size() && isNameChar(text[end]))
        ++end;
      if (end == i) {
        ++i;
        continue;
      }
      // A run that starts with a digit is a number.
      const std::string name = text.substr(i, end - i);
      if (!std::isdigit(static_cast<unsigned char>(name[0])) && !kReserved.contains(name))
        labels.insert(name);
      i = end;
    }
  }
  if (node.is_structured())
    for (const auto& child : node)
      collectLabels(child, labels);
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

TEST(DemoScript, ControllersReadOnlyControllersTheDemoBuilds) {
  std::set<std::string> lcxNames, lecxFiles, used, named;
  for (const auto& entry : std::filesystem::directory_iterator(kDemo / "controllers/lcx"))
    lcxNames.insert(entry.path().stem().string());
  ASSERT_EQ(lcxNames, (std::set<std::string>{"bar", "beat", "level", "swell", "wobble"}));
  for (const auto& entry : std::filesystem::directory_iterator(kDemo / "controllers")) {
    if (entry.path().extension() != ".json") continue;
    lecxFiles.insert("data/" + entry.path().stem().string() + ".lecx");
    std::ifstream in(entry.path());
    const nlohmann::json document = nlohmann::json::parse(in);
    EXPECT_EQ(document["format"], "lecx") << entry.path();
    collectLabels(document, used);
  }
  // Every keyframe, noise and sound controller drives something, and nothing else is read.
  EXPECT_EQ(used, lcxNames);
  // The script names exactly the .lecx files the build makes.
  for (const std::string& line : sectionLines("CONTROLLER", "file:")) {
    std::string keyword, name, file;
    std::istringstream(line) >> keyword >> name >> file;
    named.insert(file);
  }
  EXPECT_EQ(named, lecxFiles);
}

}  // namespace
