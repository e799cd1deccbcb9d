#pragma once
// The typed views of controller files: the chunks of .lcx (keyframer, noise, input, sound) and
// .lecx (effect, mix and scene parameter bindings) files with named fields (and of .l3x scenes,
// tools/l3x_json.h, and .s2d 2D scenes, tools/s2d_json.h), and the document that wraps a chunk
// list:
//
//   {"format": "lcx" | "lecx" | "l3x" | "s2d" | "chunks", "packed": false, "kind": "keyframer",
//    "chunks": [{"id": 1, "chunk": "file", "children": [...]}], "trailing": "00ff"}
//
// "kind" and every chunk's "chunk" are labels for the reader; building ignores them. "trailing"
// (hex bytes after the last whole chunk) is present only when there are any.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "tools/chunk_json.h"

namespace ControllerJson {

enum class Format : std::uint8_t { Lcx, Lecx, L3x, S2d, Chunks };

// The format a file name's extension implies (.lcx, .lecx, .l3x, .s2d, ignoring case; anything
// else Chunks).
Format formatOfFileName(std::string_view fileName);
const ChunkJson::Schema& schemaOf(Format format);

// The key records of float tracks of `trackType` (1 linear, 2 hermite, 3 TCB, 4 Bezier); empty
// for other types.
std::span<const ChunkJson::FieldLayout> floatKeyFields(std::int32_t trackType);

// The document of unpacked chunk data. With tree set, no chunk gets named fields.
nlohmann::ordered_json toDocument(std::span<const std::uint8_t> data, Format format, bool packed,
                                  bool tree);

struct Built {
  std::vector<std::uint8_t> data;
  bool packed = false;
};
// The chunk data a document describes; throws ChunkJson::ModelError naming the JSON path. A
// scene controller's (.lecx type 2) parameter name that does not follow the scene's word syntax
// ("NODE Box01 POSX") is refused the same way, with the valid words.
Built fromDocument(const nlohmann::ordered_json& document);

}  // namespace ControllerJson
