#include "tools/controller_json.h"

#include <algorithm>
#include <cctype>

#include "control/lecx_controller_l3x.h"
#include "tools/l3x_json.h"
#include "tools/s2d_json.h"

namespace ControllerJson {

namespace {

using ChunkJson::ChunkLayout;
using ChunkJson::Context;
using ChunkJson::FieldKind;
using ChunkJson::FieldLayout;
using Json = nlohmann::ordered_json;

// Context kinds.
enum : int {
  kNone = -1,
  kTop = 0,
  kLcxFile,
  kLcxController,
  kNoise,
  kRecording,
  kInput,
  kTrackHolder,
  kTrack,
  kLecxFile,
  kLecxController,
  kParamList,
  kParamCount,
  kParam,
};

ChunkLayout field(const char* pName, FieldKind kind) {
  return {pName, {{pName, kind}}, kNone, false};
}

const FieldLayout kCurveKey[] = {{"time", FieldKind::Int}, {"value", FieldKind::Float}};
const FieldLayout kTcbKey[] = {{"time", FieldKind::Int},      {"value", FieldKind::Float},
                               {"bias", FieldKind::Float},    {"continuity", FieldKind::Float},
                               {"tension", FieldKind::Float}, {"easeFrom", FieldKind::Float},
                               {"easeTo", FieldKind::Float}};
const FieldLayout kBezierKey[] = {{"time", FieldKind::Int},        {"value", FieldKind::Float},
                                  {"inSlope", FieldKind::Float},   {"inLength", FieldKind::Float},
                                  {"inType", FieldKind::Word},     {"outSlope", FieldKind::Float},
                                  {"outLength", FieldKind::Float}, {"outType", FieldKind::Word}};

class LcxSchema final : public ChunkJson::Schema {
 public:
  const ChunkLayout* find(Context context, std::uint16_t id) const override {
    switch (context.kind) {
      case kTop:
        return id == 1 ? &m_file : nullptr;
      case kLcxFile:
        return id == 2 ? &m_controller : nullptr;
      case kLcxController:
        if (context.param == 3)
          return id == 10 ? &m_beats : id == 11 ? &m_track : id == 12 ? &m_accumulate : nullptr;
        if (context.param == 4) return id == 10 ? &m_noise : nullptr;
        if (context.param == 1 || context.param == 2)
          return id == 1000 ? &m_recording : id == 10 ? &m_input : nullptr;
        return nullptr;
      case kNoise:
        return id >= 100 && id <= 105 ? &m_noiseFields[id - 100] : nullptr;
      case kRecording:
        return id >= 1101 && id <= 1106 ? &m_recordingFields[id - 1101] : nullptr;
      case kInput:
        return id == 11 ? &m_channel : nullptr;
      case kTrackHolder:
        return id == 1 ? &m_trackChunk : nullptr;
      case kTrack:
        return id == 1 && context.param >= 1 && context.param <= 4 ? &m_keys[context.param - 1]
                                                                   : nullptr;
      default:
        return nullptr;
    }
  }
  std::span<const FieldLayout> keyFields(Context context) const override {
    return floatKeyFields(context.param);
  }

 private:
  ChunkLayout m_file{"file", {}, kLcxFile, false};
  ChunkLayout m_controller{"controller", {{"type", FieldKind::Int}}, kLcxController, true};
  ChunkLayout m_beats = field("beats", FieldKind::FloatList);
  ChunkLayout m_track{"track", {}, kTrackHolder, false};
  ChunkLayout m_accumulate = field("accumulate", FieldKind::Int);
  ChunkLayout m_noise{"noise", {}, kNoise, false};
  ChunkLayout m_noiseFields[6] = {
      field("seed", FieldKind::Int),          field("fractal", FieldKind::Byte),
      field("positiveOnly", FieldKind::Byte), field("frequency", FieldKind::Float),
      field("roughness", FieldKind::Float),   field("strength", FieldKind::Float)};
  ChunkLayout m_recording{"recording", {}, kRecording, false};
  ChunkLayout m_recordingFields[6] = {
      field("recordingOn", FieldKind::Byte), field("fileName", FieldKind::String),
      field("step", FieldKind::Int),         field("startTime", FieldKind::Int),
      field("endTime", FieldKind::Int),      field("scale", FieldKind::Float)};
  ChunkLayout m_input{"input", {}, kInput, false};
  ChunkLayout m_channel = field("channel", FieldKind::Word);
  ChunkLayout m_trackChunk{"track-type", {{"trackType", FieldKind::Byte}}, kTrack, true};
  ChunkLayout m_keys[4] = {{"linear-keys", {{"keys", FieldKind::KeyList}}, kNone, false},
                           {"hermite-keys", {{"keys", FieldKind::KeyList}}, kNone, false},
                           {"tcb-keys", {{"keys", FieldKind::KeyList}}, kNone, false},
                           {"bezier-keys", {{"keys", FieldKind::KeyList}}, kNone, false}};
};

class LecxSchema final : public ChunkJson::Schema {
 public:
  const ChunkLayout* find(Context context, std::uint16_t id) const override {
    switch (context.kind) {
      case kTop:
        return id == 10 ? &m_file : nullptr;
      case kLecxFile:
        return id == 12 ? &m_controller : nullptr;
      case kLecxController:
        return id == 100 ? &m_params : nullptr;
      case kParamList:
        return id == 101 ? &m_count : nullptr;
      case kParamCount:
        return id == 102 ? &m_param : nullptr;
      case kParam:
        return id >= 1 && id <= 3 ? &m_paramFields[id - 1] : nullptr;
      default:
        return nullptr;
    }
  }
  std::span<const FieldLayout> keyFields(Context) const override { return {}; }

 private:
  ChunkLayout m_file{"file", {}, kLecxFile, false};
  ChunkLayout m_controller{"controller", {{"type", FieldKind::Int}}, kLecxController, true};
  ChunkLayout m_params{"params", {}, kParamList, false};
  ChunkLayout m_count{"param-count", {{"count", FieldKind::Int}}, kParamCount, false};
  ChunkLayout m_param{"param", {}, kParam, false};
  ChunkLayout m_paramFields[3] = {field("name", FieldKind::String),
                                  field("formula", FieldKind::String),
                                  field("mode", FieldKind::Int)};
};

class NoSchema final : public ChunkJson::Schema {
 public:
  const ChunkLayout* find(Context, std::uint16_t) const override { return nullptr; }
  std::span<const FieldLayout> keyFields(Context) const override { return {}; }
};

const char* formatName(Format format) {
  switch (format) {
    case Format::Lcx:
      return "lcx";
    case Format::Lecx:
      return "lecx";
    case Format::L3x:
      return "l3x";
    case Format::S2d:
      return "s2d";
    default:
      return "chunks";
  }
}

// The controller kind, as a label.
const char* kindOf(const Json& chunks, Format format) {
  static constexpr const char* kLcxKinds[] = {"input", "sound", "keyframer", "noise"};
  static constexpr const char* kLecxKinds[] = {"effect-colour", "scene", "mix-blit",
                                               "effect-demospe01"};
  if (format == Format::Chunks || format == Format::L3x || format == Format::S2d ||
      chunks.empty() || !chunks[0].contains("children"))
    return nullptr;
  // The last controller chunk is the one a load keeps.
  const char* pKind = nullptr;
  for (const Json& child : chunks[0]["children"]) {
    if (!child.contains("type") || !child["type"].is_number_integer()) continue;
    const auto type = child["type"].get<std::int64_t>();
    if (type < 1 || type > 4)
      pKind = "unknown";
    else
      pKind = format == Format::Lcx ? kLcxKinds[type - 1] : kLecxKinds[type - 1];
  }
  return pKind;
}

// The children of `chunk` with identifier `id`, each with its JSON path.
template <class Visit>
void forEachChild(const Json& chunk, const std::string& path, std::int64_t id, Visit visit) {
  if (!chunk.is_object() || !chunk.contains("children") || !chunk["children"].is_array()) return;
  const Json& children = chunk["children"];
  for (std::size_t i = 0; i < children.size(); ++i) {
    const Json& child = children[i];
    if (child.is_object() && child.contains("id") && child["id"] == id)
      visit(child, path + ".children[" + std::to_string(i) + "]");
  }
}

// Every parameter name of a scene controller (type 2) must follow the scene's word syntax, so
// that a misspelt keyword or property is caught here rather than reported by the player.
void checkSceneParamNames(const Json& chunks) {
  if (!chunks.is_array()) return;
  for (std::size_t top = 0; top < chunks.size(); ++top) {
    const Json& file = chunks[top];
    if (!file.is_object() || !file.contains("id") || file["id"] != 10) continue;
    const std::string filePath = "$.chunks[" + std::to_string(top) + "]";
    forEachChild(file, filePath, 12, [](const Json& controller, const std::string& path) {
      if (!controller.contains("type") || controller["type"] != 2) return;
      forEachChild(controller, path, 100, [](const Json& list, const std::string& path) {
        forEachChild(list, path, 101, [](const Json& counted, const std::string& path) {
          forEachChild(counted, path, 102, [](const Json& param, const std::string& path) {
            forEachChild(param, path, 1, [](const Json& name, const std::string& path) {
              // A name kept as hex is no text to check.
              if (!name.contains("name") || !name["name"].is_string()) return;
              const std::string problem = checkLECXSceneParamName(name["name"].get<std::string>());
              if (!problem.empty()) throw ChunkJson::ModelError(path + ".name: " + problem);
            });
          });
        });
      });
    });
  }
}

}  // namespace

std::span<const FieldLayout> floatKeyFields(std::int32_t trackType) {
  switch (trackType) {
    case 1:
    case 2:
      return kCurveKey;
    case 3:
      return kTcbKey;
    case 4:
      return kBezierKey;
    default:
      return {};
  }
}

Format formatOfFileName(std::string_view fileName) {
  const auto dot = fileName.rfind('.');
  if (dot == std::string_view::npos) return Format::Chunks;
  std::string extension(fileName.substr(dot + 1));
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (extension == "lcx") return Format::Lcx;
  if (extension == "lecx") return Format::Lecx;
  if (extension == "l3x") return Format::L3x;
  if (extension == "s2d") return Format::S2d;
  return Format::Chunks;
}

const ChunkJson::Schema& schemaOf(Format format) {
  static const LcxSchema kLcx;
  static const LecxSchema kLecx;
  static const NoSchema kNone;
  switch (format) {
    case Format::Lcx:
      return kLcx;
    case Format::Lecx:
      return kLecx;
    case Format::L3x:
      return L3xJson::schema();
    case Format::S2d:
      return S2dJson::schema();
    default:
      return kNone;
  }
}

Json toDocument(std::span<const std::uint8_t> data, Format format, bool packed, bool tree) {
  std::string trailing;
  Json chunks = ChunkJson::toJson(data, schemaOf(format), !tree, trailing);
  Json document = Json::object();
  document["format"] = formatName(format);
  document["packed"] = packed;
  if (const char* pKind = kindOf(chunks, format)) document["kind"] = pKind;
  document["chunks"] = std::move(chunks);
  if (!trailing.empty()) document["trailing"] = trailing;
  return document;
}

Built fromDocument(const Json& document) {
  if (!document.is_object()) throw ChunkJson::ModelError("$: expected an object");
  Format format = Format::Chunks;
  bool knownFormat = false;
  for (const Format candidate :
       {Format::Lcx, Format::Lecx, Format::L3x, Format::S2d, Format::Chunks})
    if (document.contains("format") && document["format"] == formatName(candidate)) {
      format = candidate;
      knownFormat = true;
    }
  if (!knownFormat)
    throw ChunkJson::ModelError(
        "$.format: expected \"lcx\", \"lecx\", \"l3x\", \"s2d\" or \"chunks\"");
  for (const auto& [name, value] : document.items())
    if (name != "format" && name != "packed" && name != "kind" && name != "chunks" &&
        name != "trailing")
      throw ChunkJson::ModelError("$." + name + ": unknown field");
  Built built;
  if (document.contains("packed")) {
    if (!document["packed"].is_boolean())
      throw ChunkJson::ModelError("$.packed: expected true or false");
    built.packed = document["packed"].get<bool>();
  }
  if (!document.contains("chunks")) throw ChunkJson::ModelError("$.chunks: missing");
  std::string trailing;
  if (document.contains("trailing")) {
    if (!document["trailing"].is_string())
      throw ChunkJson::ModelError("$.trailing: expected a string");
    trailing = document["trailing"].get<std::string>();
  }
  if (format == Format::Lecx) checkSceneParamNames(document["chunks"]);
  built.data = ChunkJson::fromJson(document["chunks"], schemaOf(format), trailing);
  return built;
}

}  // namespace ControllerJson
