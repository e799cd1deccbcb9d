#pragma once
// Chunk data <-> JSON. A chunk becomes {"id": n, ...own fields..., "children": [...]}: the own
// fields are named and typed when a schema knows the chunk, and kept as "hex" bytes otherwise, so
// the JSON mirrors the chunk tree exactly (order, unknown chunks) and builds back the same bytes.

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

namespace ChunkJson {

enum class FieldKind : std::uint8_t {
  Byte,
  Word,
  Int,
  Float,
  String,
  // int count, then count floats.
  FloatList,
  // int count, then count key records laid out by the schema for the chunk's context.
  KeyList,
  // The `parts` one after the other (a point, a matrix, an angle and an axis).
  Group,
  // A word or int count, then count entries laid out as `parts`.
  WordCountList,
  IntCountList,
  // Entries laid out as `parts` up to the end of the chunk: for a chunk whose entry count is
  // given elsewhere. Only as the last field of a chunk without children.
  ListToEnd,
};

// One field. A group, and one entry of a list, shows in JSON as the bare value of its one part when
// that part has no name, as an array when its parts have no names, as an object otherwise.
struct FieldLayout {
  const char* pName;
  FieldKind kind;
  std::span<const FieldLayout> parts = {};
};

// Where a chunk sits: a kind of parent and a number the parent passed down (a controller type or
// a track type).
struct Context {
  int kind = 0;
  std::int32_t param = 0;
};

struct ChunkLayout {
  const char* pLabel;
  std::vector<FieldLayout> fields;
  // The context of the chunk's children.
  int childKind;
  // When set, the first own field (read as an integer) becomes the children's param.
  bool paramFromFirstField;
};

class Schema {
 public:
  virtual ~Schema() = default;
  // The layout of chunk `id` in `context`, or null when the chunk is not known there.
  virtual const ChunkLayout* find(Context context, std::uint16_t id) const = 0;
  // The fields of one key of the key chunk in `context` (whose param is the track type); empty
  // when the track is not known.
  virtual std::span<const FieldLayout> keyFields(Context context) const = 0;
};

// A JSON that does not match the model; what() names the JSON path.
class ModelError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The chunks of unpacked chunk data as a JSON array. With typed set, known chunks get named
// fields; otherwise (and where typed decoding does not fit the bytes) own fields stay hex.
// Bytes after the last whole chunk go to `trailing` as hex (empty when there are none).
nlohmann::ordered_json toJson(std::span<const std::uint8_t> data, const Schema& schema, bool typed,
                              std::string& trailing);

// The chunk data of a JSON array of chunks (the inverse of toJson); throws ModelError.
std::vector<std::uint8_t> fromJson(const nlohmann::ordered_json& chunks, const Schema& schema,
                                   std::string_view trailing);

// JSON text indented by two spaces, with short values (a chunk without children, a key, a point)
// and arrays of plain values on one line each: a mesh reads one vertex a line.
std::string toText(const nlohmann::ordered_json& document);

std::string toHex(std::span<const std::uint8_t> bytes);
// Throws ModelError naming `path` when the text is not an even count of hex digits.
std::vector<std::uint8_t> fromHex(std::string_view text, const std::string& path);

}  // namespace ChunkJson
