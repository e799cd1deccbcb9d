// The gizmo modifiers a model asks for in a node's extras (glTF "extras", which the import
// library hands over as the node's metadata): see model_import.h.

#include <assimp/scene.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "tools/model_import_p.h"

namespace ModelImport {

namespace {

// More than this many modifiers on one node are left out: each costs a pass over the vertices
// every frame.
constexpr std::size_t kMaxModifiers = 16;

// A float parameter: its name in the extras and its chunk in the type's parameter block.
struct FloatName {
  const char* pName;
  std::uint16_t chunk;
};

// A modifier type the extras may name: its number in the player, whether it has an axis (byte
// 100: "x", "y" or "z"), and its float parameters. The wave's byte 100 is its form instead:
// "circular" (0) or "linear" (1).
struct ModifierKind {
  const char* pName;
  std::uint8_t type;
  bool hasAxis;
  std::array<FloatName, 5> floats;
};

constexpr std::array<ModifierKind, 4> kKinds{{
    {"bend", 3, true, {{{"angle", 101}, {"direction", 102}}}},
    {"wave",
     6,
     false,
     {{{"amp1", 101}, {"amp2", 102}, {"waveLength", 103}, {"phase", 104}, {"decay", 105}}}},
    {"twist", 7, true, {{{"angle", 101}, {"bias", 102}}}},
    {"skew", 9, true, {{{"amount", 101}, {"direction", 102}}}},
}};

std::optional<double> numberOf(const aiMetadataEntry& entry) {
  if (!entry.mData) return std::nullopt;
  switch (entry.mType) {
    case AI_INT32: {
      std::int32_t value;
      std::memcpy(&value, entry.mData, sizeof value);
      return value;
    }
    case AI_UINT64: {
      std::uint64_t value;
      std::memcpy(&value, entry.mData, sizeof value);
      return static_cast<double>(value);
    }
    case AI_FLOAT: {
      float value;
      std::memcpy(&value, entry.mData, sizeof value);
      return static_cast<double>(value);
    }
    case AI_DOUBLE: {
      double value;
      std::memcpy(&value, entry.mData, sizeof value);
      return value;
    }
    default:
      return std::nullopt;
  }
}

std::optional<std::string> textOf(const aiMetadataEntry& entry) {
  if (entry.mType != AI_AISTRING || !entry.mData) return std::nullopt;
  return std::string(static_cast<const aiString*>(entry.mData)->C_Str());
}

const aiMetadata* objectOf(const aiMetadataEntry& entry) {
  return entry.mType == AI_AIMETADATA ? static_cast<const aiMetadata*>(entry.mData) : nullptr;
}

// One modifier object of the list; none (and a message) when its type is unknown.
std::optional<L3xScene::GizmoModifier> modifierOf(const aiMetadata& object, const std::string& what,
                                                  std::vector<std::string>& messages) {
  const ModifierKind* pKind = nullptr;
  std::string typeName;
  for (unsigned i = 0; i < object.mNumProperties; ++i)
    if (std::strcmp(object.mKeys[i].C_Str(), "type") == 0)
      typeName = textOf(object.mValues[i]).value_or("");
  for (const ModifierKind& kind : kKinds)
    if (typeName == kind.pName) pKind = &kind;
  if (!pKind) {
    messages.push_back("skipped " + what + ": its type '" + typeName +
                       "' is none of bend, skew, twist, wave");
    return std::nullopt;
  }
  L3xScene::GizmoModifier modifier;
  modifier.type = pKind->type;
  std::uint8_t byte = pKind->hasAxis ? 1 : 0;  // the y axis; a circular wave
  for (unsigned i = 0; i < object.mNumProperties; ++i) {
    const std::string key = object.mKeys[i].C_Str();
    const aiMetadataEntry& value = object.mValues[i];
    if (key == "type") continue;
    const auto skip = [&](const std::string& why) {
      messages.push_back(what + ": skipped '" + key + "', " + why);
    };
    if (key == (pKind->hasAxis ? "axis" : "form")) {
      const std::string text = textOf(value).value_or("");
      const std::array<const char*, 3> words =
          pKind->hasAxis ? std::array<const char*, 3>{"x", "y", "z"}
                         : std::array<const char*, 3>{"circular", "linear", ""};
      const auto found = std::find_if(words.begin(), words.end(), [&](const char* pWord) {
        return *pWord != '\0' && text == pWord;
      });
      if (found == words.end())
        skip(pKind->hasAxis ? "which is not \"x\", \"y\" or \"z\""
                            : "which is not \"circular\" or \"linear\"");
      else
        byte = static_cast<std::uint8_t>(found - words.begin());
      continue;
    }
    const auto slot = std::find_if(pKind->floats.begin(), pKind->floats.end(),
                                   [&](const FloatName& f) { return f.pName && key == f.pName; });
    if (slot == pKind->floats.end()) {
      skip(std::string("which is not a parameter of ") + pKind->pName);
      continue;
    }
    // A number past the float range (or NaN) has no float: it is refused before the conversion.
    const std::optional<double> number = numberOf(value);
    if (!number ||
        !(std::fabs(*number) <= static_cast<double>(std::numeric_limits<float>::max()))) {
      skip("which is not a finite number");
      continue;
    }
    modifier.floats.emplace_back(slot->chunk, static_cast<float>(*number));
  }
  modifier.bytes.emplace_back(std::uint16_t{100}, byte);
  return modifier;
}

}  // namespace

std::vector<L3xScene::GizmoModifier> modifiersOf(const aiMetadata* pExtras,
                                                 const std::string& nodeName,
                                                 std::vector<std::string>& messages) {
  std::vector<L3xScene::GizmoModifier> modifiers;
  if (!pExtras) return modifiers;
  const aiMetadata* pList = nullptr;
  bool found = false;
  for (unsigned i = 0; i < pExtras->mNumProperties; ++i)
    if (std::strcmp(pExtras->mKeys[i].C_Str(), "modifiers") == 0) {
      found = true;
      pList = objectOf(pExtras->mValues[i]);
    }
  if (!found) return modifiers;
  const std::string where = "the modifiers of node '" + nodeName + "'";
  // A list comes as an object whose entries are the items; a list of objects has only objects.
  bool allObjects = pList != nullptr;
  for (unsigned i = 0; pList && i < pList->mNumProperties; ++i)
    allObjects = allObjects && objectOf(pList->mValues[i]) != nullptr;
  if (!allObjects) {
    messages.push_back("skipped " + where + ": \"modifiers\" is not a list of objects");
    return modifiers;
  }
  for (unsigned i = 0; i < pList->mNumProperties; ++i) {
    const std::string what = "modifier " + std::to_string(i) + " of node '" + nodeName + "'";
    if (modifiers.size() == kMaxModifiers) {
      messages.push_back("skipped " + where + " after the first " + std::to_string(kMaxModifiers));
      break;
    }
    if (auto modifier = modifierOf(*objectOf(pList->mValues[i]), what, messages))
      modifiers.push_back(std::move(*modifier));
  }
  return modifiers;
}

}  // namespace ModelImport
