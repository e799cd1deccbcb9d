#include "tools/chunk_json.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>

namespace ChunkJson {

namespace {

using Json = nlohmann::ordered_json;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kHeaderSize = 6;
// Deeper trees are kept as hex: real files nest a handful of levels.
constexpr int kMaxDepth = 64;

std::uint32_t readU32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
         std::uint32_t{p[3]} << 24;
}

void putU32(Bytes& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i)
    out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// The chunk headers of `bytes` when they tile it exactly; nullopt otherwise.
std::optional<std::vector<std::span<const std::uint8_t>>> splitChunks(
    std::span<const std::uint8_t> bytes, std::size_t* pWhole = nullptr) {
  std::vector<std::span<const std::uint8_t>> chunks;
  std::size_t at = 0;
  while (bytes.size() - at >= kHeaderSize) {
    const std::uint32_t length = readU32(bytes.data() + at + 2);
    if (length < kHeaderSize || length > bytes.size() - at) break;
    chunks.push_back(bytes.subspan(at, length));
    at += length;
  }
  if (pWhole) *pWhole = at;
  if (at != bytes.size()) return std::nullopt;
  return chunks;
}

// A float as the shortest decimal that reads back to the same bits.
Json floatJson(float value) {
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, value);
  *result.ptr = 0;
  const double shortest = std::strtod(text, nullptr);
  if (std::bit_cast<std::uint32_t>(static_cast<float>(shortest)) ==
      std::bit_cast<std::uint32_t>(value))
    return shortest;
  return static_cast<double>(value);
}

// Reads fields from a byte range; every read is bounded, a short read marks the decode failed.
class FieldReader {
 public:
  explicit FieldReader(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}

  bool ok() const { return m_ok; }
  bool atEnd() const { return m_at == m_bytes.size(); }
  std::size_t consumed() const { return m_at; }

  std::optional<Json> read(FieldKind kind) {
    switch (kind) {
      case FieldKind::Byte:
        if (!have(1)) return std::nullopt;
        return m_bytes[m_at++];
      case FieldKind::Word: {
        if (!have(2)) return std::nullopt;
        const auto v = static_cast<std::uint16_t>(m_bytes[m_at] | m_bytes[m_at + 1] << 8);
        m_at += 2;
        return v;
      }
      case FieldKind::Int:
        if (!have(4)) return std::nullopt;
        m_at += 4;
        return static_cast<std::int32_t>(readU32(m_bytes.data() + m_at - 4));
      case FieldKind::Float: {
        if (!have(4)) return std::nullopt;
        const float v = std::bit_cast<float>(readU32(m_bytes.data() + m_at));
        if (!std::isfinite(v)) return fail();
        m_at += 4;
        return floatJson(v);
      }
      case FieldKind::String: {
        const auto* pBegin = m_bytes.data() + m_at;
        const auto* pEnd =
            static_cast<const std::uint8_t*>(std::memchr(pBegin, 0, m_bytes.size() - m_at));
        if (!pEnd) return fail();
        std::string text(reinterpret_cast<const char*>(pBegin),
                         static_cast<std::size_t>(pEnd - pBegin));
        // Only text JSON can carry unchanged: valid UTF-8.
        try {
          (void)Json(text).dump();
        } catch (const Json::exception&) {
          return fail();
        }
        m_at += text.size() + 1;
        return text;
      }
      default:
        return fail();
    }
  }

 private:
  bool have(std::size_t count) {
    if (m_bytes.size() - m_at >= count) return true;
    m_ok = false;
    return false;
  }
  std::optional<Json> fail() {
    m_ok = false;
    return std::nullopt;
  }

  std::span<const std::uint8_t> m_bytes;
  std::size_t m_at = 0;
  bool m_ok = true;
};

constexpr FieldLayout kFloatEntry[] = {{nullptr, FieldKind::Float}};

bool isList(FieldKind kind) {
  return kind == FieldKind::FloatList || kind == FieldKind::KeyList ||
         kind == FieldKind::WordCountList || kind == FieldKind::IntCountList ||
         kind == FieldKind::ListToEnd;
}

// The parts of one entry of a list field; empty when they are not known.
std::span<const FieldLayout> entryParts(const FieldLayout& field, const Schema& schema,
                                        Context context) {
  if (field.kind == FieldKind::FloatList) return kFloatEntry;
  if (field.kind == FieldKind::KeyList) return schema.keyFields(context);
  return field.parts;
}

enum class Shape : std::uint8_t { Bare, Array, Object };

Shape shapeOf(std::span<const FieldLayout> parts) {
  if (parts.size() == 1 && !parts[0].pName) return Shape::Bare;
  return !parts.empty() && parts[0].pName ? Shape::Object : Shape::Array;
}

std::optional<Json> decodeField(const FieldLayout& field, const Schema& schema, Context context,
                                FieldReader& reader);

std::optional<Json> decodeParts(std::span<const FieldLayout> parts, const Schema& schema,
                                Context context, FieldReader& reader) {
  const Shape shape = shapeOf(parts);
  Json out = shape == Shape::Object ? Json::object() : Json::array();
  for (const FieldLayout& part : parts) {
    auto value = decodeField(part, schema, context, reader);
    if (!value) return std::nullopt;
    if (shape == Shape::Bare) return value;
    if (shape == Shape::Array)
      out.push_back(std::move(*value));
    else
      out[part.pName] = std::move(*value);
  }
  return out;
}

std::optional<Json> decodeList(const FieldLayout& field, const Schema& schema, Context context,
                               FieldReader& reader) {
  std::int64_t count = -1;  // to the end of the chunk
  if (field.kind == FieldKind::WordCountList) {
    const auto value = reader.read(FieldKind::Word);
    if (!value) return std::nullopt;
    count = value->get<std::int64_t>();
  } else if (field.kind != FieldKind::ListToEnd) {
    const auto value = reader.read(FieldKind::Int);
    if (!value || value->get<std::int64_t>() < 0) return std::nullopt;
    count = value->get<std::int64_t>();
  }
  const auto parts = entryParts(field, schema, context);
  if (parts.empty()) return std::nullopt;
  Json list = Json::array();
  for (std::int64_t i = 0; count < 0 ? !reader.atEnd() : i < count; ++i) {
    const std::size_t before = reader.consumed();
    auto entry = decodeParts(parts, schema, context, reader);
    // An entry that reads nothing would repeat forever.
    if (!entry || reader.consumed() == before) return std::nullopt;
    list.push_back(std::move(*entry));
  }
  return list;
}

std::optional<Json> decodeField(const FieldLayout& field, const Schema& schema, Context context,
                                FieldReader& reader) {
  if (isList(field.kind)) return decodeList(field, schema, context, reader);
  if (field.kind == FieldKind::Group) return decodeParts(field.parts, schema, context, reader);
  return reader.read(field.kind);
}

// Decodes a layout's fields into `node`; false when they do not fit the bytes.
bool decodeFields(const ChunkLayout& layout, const Schema& schema, Context context,
                  FieldReader& reader, Json& node) {
  for (const FieldLayout& field : layout.fields) {
    auto value = decodeField(field, schema, context, reader);
    if (!value) return false;
    node[field.pName] = std::move(*value);
  }
  return true;
}

Context childContext(const ChunkLayout* pLayout, Context context,
                     std::span<const std::uint8_t> own) {
  if (!pLayout) return {-1, 0};
  Context child{pLayout->childKind, context.param};
  if (pLayout->paramFromFirstField) {
    child.param = own.empty() ? -1 : own[0];
    if (!pLayout->fields.empty() && pLayout->fields[0].kind == FieldKind::Int)
      child.param = own.size() >= 4 ? static_cast<std::int32_t>(readU32(own.data())) : -1;
  }
  return child;
}

Json chunkToJson(std::span<const std::uint8_t> chunk, const Schema& schema, Context context,
                 bool typed, int depth) {
  const auto id = static_cast<std::uint16_t>(chunk[0] | chunk[1] << 8);
  const auto payload = chunk.subspan(kHeaderSize);
  const ChunkLayout* pLayout = schema.find(context, id);
  Json node = Json::object();
  node["id"] = id;
  if (pLayout) node["chunk"] = pLayout->pLabel;
  if (depth < kMaxDepth) {
    std::optional<std::size_t> ownSize;
    Json fields = Json::object();
    if (pLayout) {
      FieldReader reader(payload);
      if (decodeFields(*pLayout, schema, context, reader, fields) && reader.ok())
        ownSize = reader.consumed();
    } else if (splitChunks(payload) && !payload.empty()) {
      // An unknown chunk whose bytes are exactly a list of chunks is shown as one.
      ownSize = 0;
    }
    const auto own = payload.first(ownSize.value_or(0));
    const auto children = ownSize ? splitChunks(payload.subspan(*ownSize)) : std::nullopt;
    if (children) {
      if (typed && pLayout)
        node.update(fields);
      else if (!own.empty() || pLayout)
        node["hex"] = toHex(own);
      if (!children->empty()) {
        const Context inner = childContext(pLayout, context, own);
        Json list = Json::array();
        for (const auto& child : *children)
          list.push_back(chunkToJson(child, schema, inner, typed, depth + 1));
        node["children"] = std::move(list);
      }
      return node;
    }
  }
  node["hex"] = toHex(payload);
  return node;
}

std::string at(const std::string& path, std::string_view key) {
  return path + "." + std::string(key);
}

[[noreturn]] void bad(const std::string& path, std::string_view what) {
  throw ModelError(path + ": " + std::string(what));
}

std::int64_t integer(const Json& value, const std::string& path, std::int64_t low,
                     std::int64_t high) {
  if (!value.is_number_integer()) bad(path, "expected an integer");
  if (value.is_number_unsigned() && value.get<std::uint64_t>() > std::uint64_t{INT64_MAX})
    bad(path, "out of range");
  const auto v = value.get<std::int64_t>();
  if (v < low || v > high)
    bad(path, "out of range " + std::to_string(low) + " to " + std::to_string(high));
  return v;
}

void encodeScalar(FieldKind kind, const Json& value, const std::string& path, Bytes& out) {
  switch (kind) {
    case FieldKind::Byte:
      out.push_back(static_cast<std::uint8_t>(integer(value, path, 0, 255)));
      break;
    case FieldKind::Word: {
      const auto v = static_cast<std::uint32_t>(integer(value, path, 0, 65535));
      out.push_back(static_cast<std::uint8_t>(v));
      out.push_back(static_cast<std::uint8_t>(v >> 8));
      break;
    }
    case FieldKind::Int:
      putU32(out, static_cast<std::uint32_t>(integer(value, path, INT32_MIN, INT32_MAX)));
      break;
    case FieldKind::Float: {
      if (!value.is_number()) bad(path, "expected a number");
      const double d = value.get<double>();
      if (!(std::fabs(d) <= static_cast<double>(std::numeric_limits<float>::max())))
        bad(path, "not a finite float");
      const auto v = static_cast<float>(d);
      putU32(out, std::bit_cast<std::uint32_t>(v));
      break;
    }
    case FieldKind::String: {
      if (!value.is_string()) bad(path, "expected a string");
      const auto& text = value.get_ref<const std::string&>();
      if (text.find('\0') != std::string::npos) bad(path, "contains a zero character");
      out.insert(out.end(), text.begin(), text.end());
      out.push_back(0);
      break;
    }
    default:
      bad(path, "unsupported field");
  }
}

void encodeField(const FieldLayout& field, const Schema& schema, Context context, const Json& value,
                 const std::string& path, Bytes& out);

void encodeParts(std::span<const FieldLayout> parts, const Schema& schema, Context context,
                 const Json& value, const std::string& path, Bytes& out) {
  switch (shapeOf(parts)) {
    case Shape::Bare:
      encodeField(parts[0], schema, context, value, path, out);
      return;
    case Shape::Array:
      if (!value.is_array() || value.size() != parts.size())
        bad(path, "expected an array of " + std::to_string(parts.size()));
      for (std::size_t i = 0; i < parts.size(); ++i)
        encodeField(parts[i], schema, context, value[i], path + "[" + std::to_string(i) + "]", out);
      return;
    case Shape::Object:
      if (!value.is_object()) bad(path, "expected an object");
      for (const auto& [name, part] : value.items()) {
        bool known = false;
        for (const FieldLayout& f : parts)
          known = known || name == f.pName;
        if (!known) bad(at(path, name), "unknown field");
      }
      for (const FieldLayout& part : parts) {
        if (!value.contains(part.pName)) bad(at(path, part.pName), "missing");
        encodeField(part, schema, context, value[part.pName], at(path, part.pName), out);
      }
      return;
  }
}

void encodeList(const FieldLayout& field, const Schema& schema, Context context, const Json& value,
                const std::string& path, Bytes& out) {
  if (!value.is_array()) bad(path, "expected an array");
  if (field.kind == FieldKind::WordCountList) {
    if (value.size() > 0xFFFF) bad(path, "more than 65535 entries");
    out.push_back(static_cast<std::uint8_t>(value.size()));
    out.push_back(static_cast<std::uint8_t>(value.size() >> 8));
  } else if (field.kind != FieldKind::ListToEnd) {
    if (value.size() > INT32_MAX) bad(path, "too many entries");
    putU32(out, static_cast<std::uint32_t>(value.size()));
  }
  const auto parts = entryParts(field, schema, context);
  if (parts.empty())
    bad(path, "keys of track type " + std::to_string(context.param) + " are not known");
  for (std::size_t i = 0; i < value.size(); ++i)
    encodeParts(parts, schema, context, value[i], path + "[" + std::to_string(i) + "]", out);
}

void encodeField(const FieldLayout& field, const Schema& schema, Context context, const Json& value,
                 const std::string& path, Bytes& out) {
  if (isList(field.kind))
    encodeList(field, schema, context, value, path, out);
  else if (field.kind == FieldKind::Group)
    encodeParts(field.parts, schema, context, value, path, out);
  else
    encodeScalar(field.kind, value, path, out);
}

void encodeFields(const ChunkLayout& layout, const Schema& schema, Context context,
                  const Json& node, const std::string& path, Bytes& out) {
  for (const FieldLayout& field : layout.fields) {
    const std::string fieldPath = at(path, field.pName);
    if (!node.contains(field.pName)) bad(fieldPath, "missing");
    encodeField(field, schema, context, node[field.pName], fieldPath, out);
  }
}

void chunkFromJson(const Json& node, const Schema& schema, Context context, const std::string& path,
                   int depth, Bytes& out) {
  if (depth > kMaxDepth) bad(path, "chunks nested too deeply");
  if (!node.is_object()) bad(path, "expected a chunk object");
  if (!node.contains("id")) bad(at(path, "id"), "missing");
  const auto id = static_cast<std::uint16_t>(integer(node["id"], at(path, "id"), 0, 65535));
  const ChunkLayout* pLayout = schema.find(context, id);
  const bool hasHex = node.contains("hex");
  for (const auto& [name, value] : node.items()) {
    if (name == "id" || name == "chunk" || name == "hex" || name == "children") continue;
    bool known = false;
    if (pLayout && !hasHex)
      for (const FieldLayout& field : pLayout->fields)
        known = known || name == field.pName;
    if (!known) bad(at(path, name), "unknown field");
  }
  const std::size_t start = out.size();
  out.push_back(static_cast<std::uint8_t>(id));
  out.push_back(static_cast<std::uint8_t>(id >> 8));
  putU32(out, 0);  // the length, patched in at the end
  const std::size_t ownStart = out.size();
  if (hasHex) {
    if (!node["hex"].is_string()) bad(at(path, "hex"), "expected a string");
    const Bytes own = fromHex(node["hex"].get<std::string>(), at(path, "hex"));
    out.insert(out.end(), own.begin(), own.end());
  } else if (pLayout) {
    encodeFields(*pLayout, schema, context, node, path, out);
  }
  if (node.contains("children")) {
    const Json& children = node["children"];
    const std::string childrenPath = at(path, "children");
    if (!children.is_array()) bad(childrenPath, "expected an array");
    const Bytes own(out.begin() + static_cast<std::ptrdiff_t>(ownStart), out.end());
    const Context inner = childContext(pLayout, context, own);
    for (std::size_t i = 0; i < children.size(); ++i)
      chunkFromJson(children[i], schema, inner, childrenPath + "[" + std::to_string(i) + "]",
                    depth + 1, out);
  }
  const std::size_t length = out.size() - start;
  if (length > 0xFFFFFFFFu) bad(path, "chunk too large");
  for (int i = 0; i < 4; ++i)
    out[start + 2 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(length >> (8 * i));
}

bool isScalar(const Json& value) {
  return !value.is_object() && !value.is_array();
}

// Short values go on one line.
constexpr std::size_t kLineLimit = 100;

// Appends `value` on one line; false (and `out` partly written) once `out` passes `limit`.
bool appendOneLine(const Json& value, std::string& out, std::size_t limit) {
  if (value.is_object()) {
    out += "{";
    bool first = true;
    for (const auto& [name, item] : value.items()) {
      out += (first ? "" : ", ") + Json(name).dump() + ": ";
      first = false;
      if (!appendOneLine(item, out, limit)) return false;
    }
    out += "}";
  } else if (value.is_array()) {
    out += "[";
    for (std::size_t i = 0; i < value.size(); ++i) {
      out += i ? ", " : "";
      if (!appendOneLine(value[i], out, limit)) return false;
    }
    out += "]";
  } else {
    out += value.dump();
  }
  return out.size() <= limit;
}

void writeText(const Json& value, int depth, std::string& out) {
  const std::string indent(static_cast<std::size_t>(2 * (depth + 1)), ' ');
  const std::size_t start = out.size();
  // Plain values, and arrays of them, stay on one line however long they are.
  if (isScalar(value) || (value.is_array() && std::all_of(value.begin(), value.end(), isScalar))) {
    appendOneLine(value, out, std::string::npos);
    return;
  }
  if (appendOneLine(value, out, start + kLineLimit - indent.size())) return;
  out.resize(start);
  const bool object = value.is_object();
  out += object ? "{\n" : "[\n";
  bool first = true;
  for (const auto& [name, item] : value.items()) {
    out += (first ? "" : ",\n") + indent;
    first = false;
    if (object) out += Json(name).dump() + ": ";
    writeText(item, depth + 1, out);
  }
  out += "\n" + indent.substr(2) + (object ? "}" : "]");
}

}  // namespace

std::string toText(const Json& document) {
  std::string text;
  writeText(document, 0, text);
  return text;
}

std::string toHex(std::span<const std::uint8_t> bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(bytes.size() * 2);
  for (const std::uint8_t b : bytes) {
    text.push_back(kDigits[b >> 4]);
    text.push_back(kDigits[b & 15]);
  }
  return text;
}

Bytes fromHex(std::string_view text, const std::string& path) {
  if (text.size() % 2 != 0) bad(path, "odd number of hex digits");
  auto digit = [&](char c) -> std::uint8_t {
    if (c >= '0' && c <= '9') return static_cast<std::uint8_t>(c - '0');
    if (c >= 'a' && c <= 'f') return static_cast<std::uint8_t>(c - 'a' + 10);
    if (c >= 'A' && c <= 'F') return static_cast<std::uint8_t>(c - 'A' + 10);
    bad(path, "not a hex digit");
  };
  Bytes bytes;
  bytes.reserve(text.size() / 2);
  for (std::size_t i = 0; i < text.size(); i += 2)
    bytes.push_back(static_cast<std::uint8_t>(digit(text[i]) << 4 | digit(text[i + 1])));
  return bytes;
}

Json toJson(std::span<const std::uint8_t> data, const Schema& schema, bool typed,
            std::string& trailing) {
  std::size_t whole = 0;
  (void)splitChunks(data, &whole);
  Json list = Json::array();
  const auto chunks = splitChunks(data.first(whole));
  for (const auto& chunk : *chunks)
    list.push_back(chunkToJson(chunk, schema, Context{}, typed, 0));
  trailing = toHex(data.subspan(whole));
  return list;
}

Bytes fromJson(const Json& chunks, const Schema& schema, std::string_view trailing) {
  if (!chunks.is_array()) bad("$.chunks", "expected an array");
  Bytes out;
  for (std::size_t i = 0; i < chunks.size(); ++i)
    chunkFromJson(chunks[i], schema, Context{}, "$.chunks[" + std::to_string(i) + "]", 0, out);
  const Bytes tail = fromHex(trailing, "$.trailing");
  out.insert(out.end(), tail.begin(), tail.end());
  return out;
}

}  // namespace ChunkJson
