#pragma once
// Builds script texts for tests: every section present, in order, empty unless given lines;
// MUSIC holds "file: NULL" and "offset: 0" unless told otherwise.

#include <map>
#include <string>
#include <vector>

inline const std::vector<std::string>& sectionNames() {
  static const std::vector<std::string> names = {
      "LAYER_DIMENSION", "CONTROLLER",       "IMAGE",   "2D",      "3D",
      "SKYBOX",          "SCREEN_LAYER",     "2D_DESC", "3D_DESC", "SKYBOX_DESC",
      "SPE_LAYER",       "LAYER_DEPENDENCY", "MIX",     "EFFECT",  "MIX_DESC",
      "EFFECT_DESC",     "LAYER_MANAGER"};
  return names;
}

// sections: section name -> its lines (written between the tags as they are).
inline std::string scriptText(const std::map<std::string, std::vector<std::string>>& sections,
                              const std::string& music = "file: NULL\noffset: 0\n") {
  std::string text = "<MUSIC>\n" + music + "</MUSIC>\n";
  for (const std::string& name : sectionNames()) {
    text += "<" + name + ">\n";
    if (auto it = sections.find(name); it != sections.end()) {
      for (const std::string& line : it->second)
        text += line + "\n";
    }
    text += "</" + name + ">\n";
  }
  return text;
}
