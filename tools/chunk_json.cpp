#include "tools/chunk_json.h"

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

// Decodes a layout's fields into `node`; false when they do not fit the bytes.
bool decodeFields(const ChunkLayout& layout, const Schema& schema, Context context,
                  FieldReader& reader, Json& node) {
  for (const FieldLayout& field : layout.fields) {
    if (field.kind == FieldKind::FloatList || field.kind == FieldKind::KeyList) {
      const auto count = reader.read(FieldKind::Int);
      if (!count || count->get<std::int32_t>() < 0) return false;
      std::span<const FieldLayout> key;
      if (field.kind == FieldKind::KeyList) {
        key = schema.keyFields(context.param);
        if (key.empty()) return false;
      }
      Json list = Json::array();
      for (std::int32_t i = 0; i < count->get<std::int32_t>(); ++i) {
        if (field.kind == FieldKind::FloatList) {
          auto value = reader.read(FieldKind::Float);
          if (!value) return false;
          list.push_back(std::move(*value));
          continue;
        }
        Json record = Json::object();
        for (const FieldLayout& part : key) {
          auto value = reader.read(part.kind);
          if (!value) return false;
          record[part.pName] = std::move(*value);
        }
        list.push_back(std::move(record));
      }
      node[field.pName] = std::move(list);
      continue;
    }
    auto value = reader.read(field.kind);
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

void encodeField(FieldKind kind, const Json& value, const std::string& path, Bytes& out) {
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

void encodeFields(const ChunkLayout& layout, const Schema& schema, Context context,
                  const Json& node, const std::string& path, Bytes& out) {
  for (const FieldLayout& field : layout.fields) {
    const std::string fieldPath = at(path, field.pName);
    if (!node.contains(field.pName)) bad(fieldPath, "missing");
    const Json& value = node[field.pName];
    if (field.kind != FieldKind::FloatList && field.kind != FieldKind::KeyList) {
      encodeField(field.kind, value, fieldPath, out);
      continue;
    }
    if (!value.is_array()) bad(fieldPath, "expected an array");
    if (value.size() > INT32_MAX) bad(fieldPath, "too many entries");
    putU32(out, static_cast<std::uint32_t>(value.size()));
    const auto key = schema.keyFields(context.param);
    if (field.kind == FieldKind::KeyList && key.empty())
      bad(fieldPath, "keys of track type " + std::to_string(context.param) + " are not known");
    for (std::size_t i = 0; i < value.size(); ++i) {
      const std::string itemPath = fieldPath + "[" + std::to_string(i) + "]";
      if (field.kind == FieldKind::FloatList) {
        encodeField(FieldKind::Float, value[i], itemPath, out);
        continue;
      }
      if (!value[i].is_object()) bad(itemPath, "expected an object");
      for (const auto& [name, part] : value[i].items()) {
        bool known = false;
        for (const FieldLayout& f : key)
          known = known || name == f.pName;
        if (!known) bad(at(itemPath, name), "unknown key field");
      }
      for (const FieldLayout& part : key) {
        if (!value[i].contains(part.pName)) bad(at(itemPath, part.pName), "missing");
        encodeField(part.kind, value[i][part.pName], at(itemPath, part.pName), out);
      }
    }
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

}  // namespace

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
