// The demo's sources checked against each other: the script's cuts fall on the music's beats,
// and every name a controller formula reads is a controller the demo builds.

#include <gtest/gtest.h>

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
  std::string line;
  bool inside = false;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string first;
    words >> first;
    if (first == "<" + tag + ">")
      inside = true;
    else if (first == "</" + tag + ">")
      inside = false;
    else if (inside && first == keyword)
      lines.push_back(line);
  }
  return lines;
}

// The formulas' names other than numbers, operators, functions, constants and the two times.
std::set<std::string> formulaLabels(const nlohmann::json& node) {
  std::set<std::string> labels;
  if (node.is_object() && node.contains("formula")) {
    std::string text = node["formula"].get<std::string>();
    for (char& c : text) {
      if (std::string("+-*/%()").find(c) != std::string::npos) c = ' ';
    }
    std::istringstream words(text);
    std::string word;
    static const std::set<std::string> kReserved{"time1", "time2", "sin", "cos", "pi", "rand"};
    while (words >> word) {
      if (word.find_first_not_of("0123456789.") != std::string::npos && !kReserved.contains(word))
        labels.insert(word);
    }
  }
  if (node.is_structured()) {
    for (const auto& child : node) {
      const std::set<std::string> inner = formulaLabels(child);
      labels.insert(inner.begin(), inner.end());
    }
  }
  return labels;
}

TEST(DemoScript, EveryOperationStartsAndEndsOnABeat) {
  const std::vector<std::string> lines = sectionLines("LAYER_MANAGER", "desc:");
  ASSERT_GT(lines.size(), 50u);
  int latestEnd = 0;
  for (const std::string& line : lines) {
    std::istringstream fields(line);
    std::string keyword, layer, operation;
    int position = 0, start = -1, end = -1;
    fields >> keyword >> layer >> position >> start >> end >> operation;
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
  std::set<std::string> lcxNames;
  for (const auto& entry : std::filesystem::directory_iterator(kDemo / "controllers/lcx"))
    lcxNames.insert(entry.path().stem().string());
  ASSERT_EQ(lcxNames, (std::set<std::string>{"bar", "beat", "level", "swell", "wobble"}));

  std::set<std::string> lecxFiles;
  std::set<std::string> used;
  for (const auto& entry : std::filesystem::directory_iterator(kDemo / "controllers")) {
    if (entry.path().extension() != ".json") continue;
    lecxFiles.insert("data/" + entry.path().stem().string() + ".lecx");
    std::ifstream in(entry.path());
    const nlohmann::json document = nlohmann::json::parse(in);
    EXPECT_EQ(document["format"], "lecx") << entry.path();
    for (const std::string& label : formulaLabels(document)) {
      EXPECT_TRUE(lcxNames.contains(label)) << entry.path() << " reads " << label;
      used.insert(label);
    }
  }
  // Every keyframe, noise and sound controller drives something.
  EXPECT_EQ(used, lcxNames);

  // The script names exactly the .lecx files the build makes.
  std::set<std::string> named;
  for (const std::string& line : sectionLines("CONTROLLER", "file:")) {
    std::istringstream words(line);
    std::string keyword, name, file;
    words >> keyword >> name >> file;
    named.insert(file);
  }
  EXPECT_EQ(named, lecxFiles);
}

}  // namespace
