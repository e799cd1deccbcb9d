// The scene kind: its parameter type names and its binding.

#include "control/lecx_controller_l3x.h"

#include <algorithm>
#include <array>
#include <vector>

#include "base/report.h"

namespace {
// The word syntax of scene parameters, NAME and IDX standing for an object name and an index.
// Informational: binding parses the words itself. The last four modifiers are listed without
// the T their keywords have (MODIFIERTSKEW ...).
constexpr std::array<std::string_view, 69> kSceneNames = {
    "SCENE MAINANIM",
    "SCENE CAMERA",
    "NODE NAME MAINANIM",
    "NODE NAME POSX",
    "NODE NAME POSY",
    "NODE NAME POSZ",
    "NODE NAME SCALE",
    "NODE NAME SCALEX",
    "NODE NAME SCALEY",
    "NODE NAME SCALEZ",
    "NODE NAME ROTX",
    "NODE NAME ROTY",
    "NODE NAME ROTZ",
    "TRIOBJECT NAME MAINANIM",
    "TRIOBJECT NAME MODIFIERANIM",
    "SHAPE NAME MAINANIM",
    "SHAPE NAME SPEANIM",
    "SHAPE NAME MODIFIERANIM",
    "CAMERA NAME MAINANIM",
    "CAMERA NAME FOV",
    "CAMERA NAME ROLL",
    "LIGHT NAME MAINANIM",
    "LIGHT NAME INTENSITY",
    "LIGHT NAME NEARATT",
    "LIGHT NAME FARATT",
    "LIGHT NAME HOTSPOT",
    "LIGHT NAME FALLOFF",
    "MTL NAME IDX MAINANIM",
    "MTL NAME IDX POLYOPACITY",
    "MTL NAME IDX POLYPALETTESPEPARAM",
    "MTL NAME IDX LINEOPACITY",
    "WSMODIFIER NAME MAINANIM",
    "WSMODIFIER NAME MODIFIERANIM",
    "MODIFIERGIZMO NAME IDX MAINANIM",
    "MODIFIERGIZMO NAME IDX POSX",
    "MODIFIERGIZMO NAME IDX POSY",
    "MODIFIERGIZMO NAME IDX POSZ",
    "MODIFIERGIZMO NAME IDX SCALE",
    "MODIFIERGIZMO NAME IDX SCALEX",
    "MODIFIERGIZMO NAME IDX SCALEY",
    "MODIFIERGIZMO NAME IDX SCALEZ",
    "MODIFIERGIZMO NAME IDX ROTX",
    "MODIFIERGIZMO NAME IDX ROTY",
    "MODIFIERGIZMO NAME IDX ROTZ",
    "MODIFIERTAPE NAME AMOUNT",
    "MODIFIERTAPE NAME CURVE",
    "MODIFIERSPHERY NAME PERCENT",
    "MODIFIERSTRETCH NAME STRETCH",
    "MODIFIERSTRETCH NAME AMPLIFY",
    "MODIFIERWAVE NAME AMP1",
    "MODIFIERWAVE NAME AMP2",
    "MODIFIERWAVE NAME WAVELEN",
    "MODIFIERWAVE NAME PHASE",
    "MODIFIERWAVE NAME DECAY",
    "MODIFIERTWIST NAME ANGLE",
    "MODIFIERTWIST NAME BIAS",
    "MODIFIERSKEW NAME AMOUNT",
    "MODIFIERSKEW NAME DIRECTION",
    "MODIFIERNOISE NAME SCALE",
    "MODIFIERNOISE NAME PHASE",
    "MODIFIERNOISE NAME STRENGTH",
    "MODIFIERNOISE NAME STRENGTHX",
    "MODIFIERNOISE NAME STRENGTHY",
    "MODIFIERNOISE NAME STRENGTHZ",
    "MODIFIERMELT NAME AMOUNT",
    "MODIFIERMELT NAME SPREAD",
    "MODIFIERMELT NAME SOLIDITY",
    "MODIFIERBEND NAME ANGLE",
    "MODIFIERBEND NAME DIRECTION",
};

using Words = std::array<std::string_view, 11>;
constexpr std::array<std::string_view, 2> kScene = {"MAINANIM", "CAMERA"};
constexpr Words kNode = {"MAINANIM", "POSX",  "POSY", "POSZ", "SCALEX", "SCALEY",
                         "SCALEZ",   "SCALE", "ROTX", "ROTY", "ROTZ"};
constexpr std::array<std::string_view, 2> kTriObject = {"MAINANIM", "MODIFIERANIM"};
constexpr std::array<std::string_view, 3> kShape = {"MAINANIM", "MODIFIERANIM", "SPEANIM"};
constexpr std::array<std::string_view, 3> kCamera = {"MAINANIM", "ROLL", "FOV"};
constexpr std::array<std::string_view, 6> kLight = {"MAINANIM", "INTENSITY", "NEARATT",
                                                    "FARATT",   "HOTSPOT",   "FALLOFF"};
constexpr std::array<std::string_view, 4> kMaterial = {"MAINANIM", "POLYOPACITY",
                                                       "POLYPALETTESPEPARAM", "LINEOPACITY"};
constexpr std::array<std::string_view, 2> kWSModifier = {"MAINANIM", "MODIFIERANIM"};
constexpr std::array<std::string_view, 2> kTaper = {"AMOUNT", "CURVE"};
constexpr std::array<std::string_view, 1> kSpherify = {"PERCENT"};
constexpr std::array<std::string_view, 2> kStretch = {"STRETCH", "AMPLIFY"};
constexpr std::array<std::string_view, 5> kWave = {"AMP1", "AMP2", "WAVELEN", "PHASE", "DECAY"};
constexpr std::array<std::string_view, 2> kTwist = {"ANGLE", "BIAS"};
constexpr std::array<std::string_view, 2> kSkew = {"AMOUNT", "DIRECTION"};
constexpr std::array<std::string_view, 6> kNoise = {"SCALE",     "PHASE",     "STRENGTH",
                                                    "STRENGTHX", "STRENGTHY", "STRENGTHZ"};
constexpr std::array<std::string_view, 3> kMelt = {"AMOUNT", "SPREAD", "SOLIDITY"};
constexpr std::array<std::string_view, 2> kBend = {"ANGLE", "DIRECTION"};

constexpr std::array<LECXSceneKeyword, 18> kKeywords = {{
    {"SCENE", false, kScene},
    {"NODE", false, kNode},
    {"TRIOBJECT", false, kTriObject},
    {"SHAPE", false, kShape},
    {"CAMERA", false, kCamera},
    {"LIGHT", false, kLight},
    {"MTL", true, kMaterial},
    {"WSMODIFIER", false, kWSModifier},
    {"MODIFIERGIZMO", true, kNode},
    {"MODIFIERTAPE", false, kTaper},
    {"MODIFIERSPHERY", false, kSpherify},
    {"MODIFIERSTRETCH", false, kStretch},
    {"MODIFIERWAVE", false, kWave},
    {"MODIFIERTWIST", false, kTwist},
    {"MODIFIERTSKEW", false, kSkew},
    {"MODIFIERTNOISE", false, kNoise},
    {"MODIFIERTMELT", false, kMelt},
    {"MODIFIERTBEND", false, kBend},
}};

// The words of a name, split at runs of blanks, commas, tabs and newlines.
std::vector<std::string_view> splitWords(std::string_view name) {
  constexpr std::string_view kSeparators = " ,\t\n";
  std::vector<std::string_view> words;
  size_t at = name.find_first_not_of(kSeparators);
  while (at != std::string_view::npos) {
    const size_t end = std::min(name.find_first_of(kSeparators, at), name.size());
    words.push_back(name.substr(at, end - at));
    at = name.find_first_not_of(kSeparators, end);
  }
  return words;
}

// "%d" reads a number from the word's start.
bool startsWithNumber(std::string_view word) {
  size_t at = 0;
  if (at < word.size() && (word[at] == '-' || word[at] == '+')) ++at;
  return at < word.size() && word[at] >= '0' && word[at] <= '9';
}

template <class Names>
std::string joined(const Names& names,
                   std::string_view (*pName)(const typename Names::value_type&)) {
  std::string out;
  for (const auto& name : names) {
    if (!out.empty()) out += ", ";
    out += pName(name);
  }
  return out;
}
}  // namespace

LECXControllerL3X::LECXControllerL3X() : LECXController(LECXControllerType::L3X) {}
LECXControllerL3X::~LECXControllerL3X() = default;

std::span<const std::string_view> LECXControllerL3X::paramTypeNames() const {
  return kSceneNames;
}

bool LECXControllerL3X::bind() {
  m_bindings.clear();
  m_pSceneParams.clear();
  if (!m_pScene) {
    report(caption(), "can t prepare controller Interface: m_pScene NULL", ReportLevel::Warning);
    return false;
  }
  bool allActive = true;
  m_pSceneParams.reserve(m_params.size());
  for (const LECXControllerParam& record : m_params) {
    m_pSceneParams.push_back(m_pScene->createParam(record));
    if (!m_pSceneParams.back() || !m_pSceneParams.back()->isActive()) allActive = false;
  }
  return allActive;
}

void LECXControllerL3X::update() {
  if (!m_pScene || m_pSceneParams.empty()) return;
  evaluate();
  // The results are read by index: a parameter whose formula was never prepared applies 0.
  for (size_t i = 0; i < m_pSceneParams.size(); ++i)
    if (m_pSceneParams[i]) m_pSceneParams[i]->apply(getResult(static_cast<int32_t>(i)));
}

const LECXSceneParam* LECXControllerL3X::getSceneParam(int32_t i) const {
  if (i < 0 || static_cast<size_t>(i) >= m_pSceneParams.size()) return nullptr;
  return m_pSceneParams[static_cast<size_t>(i)].get();
}

std::span<const LECXSceneKeyword> lecxSceneKeywords() {
  return kKeywords;
}

std::string checkLECXSceneParamName(std::string_view name) {
  const std::vector<std::string_view> words = splitWords(name);
  if (words.empty()) return "empty scene parameter name";
  const LECXSceneKeyword* pKeyword = nullptr;
  for (const LECXSceneKeyword& keyword : kKeywords)
    if (keyword.keyword == words[0]) pKeyword = &keyword;
  if (!pKeyword) {
    return "unknown keyword \"" + std::string(words[0]) + "\" (valid keywords: " +
           joined(
               kKeywords, +[](const LECXSceneKeyword& k) { return k.keyword; }) +
           ")";
  }
  const size_t nbWord = pKeyword->keyword == "SCENE" ? 2 : pKeyword->hasIndex ? 4 : 3;
  const std::string form = std::string(pKeyword->keyword) + (nbWord == 2 ? "" : " NAME") +
                           (pKeyword->hasIndex ? " IDX" : "") + " PROPERTY";
  if (words.size() < nbWord) return "missing words: " + form + " expected";
  if (words.size() > nbWord) return "too many words: " + form + " expected";
  if (pKeyword->hasIndex && !startsWithNumber(words[2]))
    return "index \"" + std::string(words[2]) + "\" is not a number";
  const std::string_view property = words[nbWord - 1];
  for (const std::string_view valid : pKeyword->properties)
    if (valid == property) return {};
  return "unknown property \"" + std::string(property) + "\" for " +
         std::string(pKeyword->keyword) + " (valid properties: " +
         joined(
             pKeyword->properties, +[](const std::string_view& p) { return p; }) +
         ")";
}
