#pragma once
// Writes .l3x scene files byte by byte for the tests, from the file's chunk tables: each function
// writes one record, or one block of a record, with its identifiers and field encodings. Nothing
// comes from the scene reader; the chunk headers (and their lengths) come from chunk_bytes.h.
//
// Children whose order the format leaves free can be written in reverse, for a whole file at once
// (ReversedChildren), to check that a reader does not depend on their order. The children whose
// order carries meaning keep it: the records of a list (record i fills object i), the geometry
// (502 before the per-vertex chunks) and the faces (1001 before the per-face chunks).

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tests/base/chunk_bytes.h"

namespace l3x {

using chunk_bytes::Bytes;
using chunk_bytes::floatField;
using chunk_bytes::intField;
using chunk_bytes::le;
using chunk_bytes::stringField;
using chunk_bytes::operator+;

constexpr std::uint16_t kRootId = 53454;

struct Xyz {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;
};
struct AngleAxis {
  float angle = 0.0f;
  Xyz axis{};
};
// Rows 0 to 3, three elements each.
using Matrix12 = std::array<float, 12>;
inline constexpr Matrix12 kIdentity12{1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};

// --- Field encodings (little-endian, no padding) ---

inline Bytes byteField(std::uint8_t value) {
  return Bytes{value};
}
inline Bytes wordField(std::uint16_t value) {
  return le(value, 2);
}
inline Bytes pointField(Xyz p) {
  return floatField(p.x) + floatField(p.y) + floatField(p.z);
}
// The angle first, then the axis.
inline Bytes angleAxisField(AngleAxis r) {
  return floatField(r.angle) + pointField(r.axis);
}
inline Bytes matrixField(const Matrix12& rows) {
  Bytes out;
  for (float value : rows)
    out = out + floatField(value);
  return out;
}

// --- Chunks ---

inline bool& reverseFreeChildren() {
  static bool reversed = false;
  return reversed;
}

// While one lives, every free-order child list is written last child first.
class ReversedChildren {
 public:
  ReversedChildren() { reverseFreeChildren() = true; }
  ~ReversedChildren() { reverseFreeChildren() = false; }
  ReversedChildren(const ReversedChildren&) = delete;
  ReversedChildren& operator=(const ReversedChildren&) = delete;
};

enum class Order { kFree, kFixed };

// A chunk: its own fields, then its children.
inline Bytes node(std::uint16_t id, const Bytes& fields, std::vector<Bytes> children = {},
                  Order order = Order::kFree) {
  if (order == Order::kFree && reverseFreeChildren())
    std::reverse(children.begin(), children.end());
  Bytes body = fields;
  for (const Bytes& child : children)
    body = body + child;
  return chunk_bytes::rawChunk(id, static_cast<std::uint32_t>(body.size() + 6), body);
}

inline Bytes byteChunk(std::uint16_t id, std::uint8_t value) {
  return node(id, byteField(value));
}
inline Bytes wordChunk(std::uint16_t id, std::uint16_t value) {
  return node(id, wordField(value));
}
inline Bytes intChunk(std::uint16_t id, std::int32_t value) {
  return node(id, intField(value));
}
inline Bytes floatChunk(std::uint16_t id, float value) {
  return node(id, floatField(value));
}
inline Bytes stringChunk(std::uint16_t id, std::string_view text) {
  return node(id, stringField(text));
}
inline Bytes pointChunk(std::uint16_t id, Xyz p) {
  return node(id, pointField(p));
}
inline Bytes angleAxisChunk(std::uint16_t id, AngleAxis r) {
  return node(id, angleAxisField(r));
}
inline Bytes matrixChunk(std::uint16_t id, const Matrix12& rows) {
  return node(id, matrixField(rows));
}

// --- Tracks: holder `holderId`, child 1 the track (byte type), its child 1 the keys (int count,
// then the keys, each an int time in animation frames and the key's values) ---

struct FloatKey {
  std::int32_t frame = 0;
  float value = 0.0f;
};
struct PointKey {
  std::int32_t frame = 0;
  Xyz value{};
};
struct RotationKey {
  std::int32_t frame = 0;
  AngleAxis rotation{};
};

inline Bytes track(std::uint16_t holderId, std::uint8_t type, std::int32_t nbKey,
                   const Bytes& keys) {
  return node(holderId, {}, {node(1, byteField(type), {node(1, intField(nbKey) + keys)})});
}
// Linear (type 1) tracks.
inline Bytes floatTrack(std::uint16_t holderId, const std::vector<FloatKey>& keys) {
  Bytes data;
  for (const FloatKey& key : keys)
    data = data + intField(key.frame) + floatField(key.value);
  return track(holderId, 1, static_cast<std::int32_t>(keys.size()), data);
}
inline Bytes pointTrack(std::uint16_t holderId, const std::vector<PointKey>& keys) {
  Bytes data;
  for (const PointKey& key : keys)
    data = data + intField(key.frame) + pointField(key.value);
  return track(holderId, 1, static_cast<std::int32_t>(keys.size()), data);
}
inline Bytes rotationTrack(std::uint16_t holderId, const std::vector<RotationKey>& keys) {
  Bytes data;
  for (const RotationKey& key : keys)
    data = data + intField(key.frame) + angleAxisField(key.rotation);
  return track(holderId, 1, static_cast<std::int32_t>(keys.size()), data);
}

// --- Head: 1 name, 2 parent, 3 transform (100 values, 200 tracks) ---

struct Head {
  std::string name{};
  // Empty: no parent chunk.
  std::string parent{};
  std::optional<std::uint8_t> matrixMode{};
  std::optional<Xyz> pivot{};
  std::optional<Xyz> position{};
  std::optional<Xyz> scale{};
  std::optional<AngleAxis> rotation{};
  std::vector<PointKey> positionKeys{};
  std::vector<PointKey> scaleKeys{};
  std::vector<RotationKey> rotationKeys{};
};

// Chunk 1 of every object; 2 for the target of a camera or a light.
inline Bytes head(const Head& h, std::uint16_t id = 1) {
  std::vector<Bytes> values, tracks;
  if (h.matrixMode) values.push_back(byteChunk(101, *h.matrixMode));
  if (h.pivot) values.push_back(pointChunk(102, *h.pivot));
  if (h.position) values.push_back(pointChunk(103, *h.position));
  if (h.scale) values.push_back(pointChunk(104, *h.scale));
  if (h.rotation) values.push_back(angleAxisChunk(105, *h.rotation));
  if (!h.positionKeys.empty()) tracks.push_back(pointTrack(201, h.positionKeys));
  if (!h.scaleKeys.empty()) tracks.push_back(pointTrack(202, h.scaleKeys));
  if (!h.rotationKeys.empty()) tracks.push_back(rotationTrack(203, h.rotationKeys));
  std::vector<Bytes> children{stringChunk(1, h.name)};
  if (!h.parent.empty()) children.push_back(stringChunk(2, h.parent));
  children.push_back(node(3, {}, {node(100, {}, values), node(200, {}, tracks)}));
  return node(id, {}, children);
}

// --- Dummies, cameras, lights ---

inline Bytes dummy(const Head& h) {
  return node(151, {}, {head(h)});
}

struct Camera {
  Head head{};
  std::optional<Head> target{};
  std::optional<float> fov{};
  std::optional<float> roll{};
  std::optional<float> nearClip{};
  std::optional<float> farClip{};
  std::vector<FloatKey> fovKeys{};
  std::vector<FloatKey> rollKeys{};
};

inline Bytes camera(const Camera& c) {
  std::vector<Bytes> values, tracks;
  if (c.fov) values.push_back(floatChunk(101, *c.fov));
  if (c.roll) values.push_back(floatChunk(102, *c.roll));
  if (c.nearClip) values.push_back(floatChunk(103, *c.nearClip));
  if (c.farClip) values.push_back(floatChunk(104, *c.farClip));
  if (!c.fovKeys.empty()) tracks.push_back(floatTrack(201, c.fovKeys));
  if (!c.rollKeys.empty()) tracks.push_back(floatTrack(202, c.rollKeys));
  std::vector<Bytes> children{head(c.head)};
  if (c.target) children.push_back(head(*c.target, 2));
  children.push_back(node(100, {}, values));
  children.push_back(node(200, {}, tracks));
  return node(121, {}, children);
}

struct Light {
  Head head{};
  std::optional<Head> target{};
  std::optional<Xyz> color{};
  std::optional<std::int32_t> type{};
  std::optional<float> intensity{};
  std::optional<float> nearAttenuation{};
  std::optional<float> farAttenuation{};
  std::optional<float> hotspot{};
  std::optional<float> falloff{};
  std::vector<FloatKey> intensityKeys{};
  std::vector<PointKey> colorKeys{};
  std::vector<FloatKey> nearKeys{};
  std::vector<FloatKey> farKeys{};
  std::vector<FloatKey> hotspotKeys{};
  std::vector<FloatKey> falloffKeys{};
};

inline Bytes light(const Light& l) {
  std::vector<Bytes> values, tracks;
  if (l.color) values.push_back(pointChunk(101, *l.color));
  if (l.type) values.push_back(intChunk(105, *l.type));
  if (l.intensity) values.push_back(floatChunk(102, *l.intensity));
  if (l.nearAttenuation) values.push_back(floatChunk(103, *l.nearAttenuation));
  if (l.farAttenuation) values.push_back(floatChunk(104, *l.farAttenuation));
  if (l.hotspot) values.push_back(floatChunk(107, *l.hotspot));
  if (l.falloff) values.push_back(floatChunk(106, *l.falloff));
  if (!l.intensityKeys.empty()) tracks.push_back(floatTrack(201, l.intensityKeys));
  if (!l.colorKeys.empty()) tracks.push_back(pointTrack(202, l.colorKeys));
  if (!l.nearKeys.empty()) tracks.push_back(floatTrack(203, l.nearKeys));
  if (!l.farKeys.empty()) tracks.push_back(floatTrack(204, l.farKeys));
  if (!l.hotspotKeys.empty()) tracks.push_back(floatTrack(206, l.hotspotKeys));
  if (!l.falloffKeys.empty()) tracks.push_back(floatTrack(205, l.falloffKeys));
  std::vector<Bytes> children{head(l.head)};
  if (l.target) children.push_back(head(*l.target, 2));
  children.push_back(node(100, {}, values));
  children.push_back(node(200, {}, tracks));
  return node(111, {}, children);
}

// --- Materials ---

// Texture layer (sub-material child 4, mesh layer child 4): 1 parameters, every field written.
struct TextureLayer {
  std::int32_t enabled = 0;
  std::int32_t flags = 0;
  std::string fileName{};
  float u = 0.0f;
  float v = 0.0f;
  float w = 0.0f;
  float h = 0.0f;
  float pointSize = 0.0f;
  std::int32_t value18 = 0;
};

inline Bytes textureLayer(const TextureLayer& t, std::uint16_t id = 4) {
  return node(id, {},
              {node(1, {},
                    {intChunk(10, t.enabled), intChunk(11, t.flags),
                     node(12, {}, {stringChunk(1, t.fileName)}), floatChunk(13, t.u),
                     floatChunk(14, t.v), floatChunk(15, t.w), floatChunk(16, t.h),
                     floatChunk(17, t.pointSize), intChunk(18, t.value18)}),
               node(100, {})});
}

// Map layer (sub-material child 5, property children 22 and 23): 1 parameters, every field
// written, and 100 tracks.
struct MapLayer {
  std::string fileName{};
  std::int32_t enabled = 0;
  std::int32_t combination = 0;
  std::int32_t uvTransform = 0;
  float offsetU = 0.0f;
  float offsetV = 0.0f;
  float tileU = 0.0f;
  float tileV = 0.0f;
  float angle = 0.0f;
  std::int32_t wrap = 0;
  std::int32_t opacityMap = 0;
  float amount = 0.0f;
  std::int32_t value22 = 0;
  std::vector<float> list23{};
  std::array<float, 6> values24{};
  // Holders 110 offsetU, 111 offsetV, 112 tileU, 114 tileV, 115 angle, 116 amount, 117 value24,
  // 118 value25.
  std::vector<Bytes> tracks{};
};

inline Bytes mapLayer(std::uint16_t id, const MapLayer& m) {
  Bytes list = intField(static_cast<std::int32_t>(m.list23.size()));
  for (float value : m.list23)
    list = list + floatField(value);
  std::vector<Bytes> parameters{stringChunk(10, m.fileName), intChunk(11, m.enabled),
                                intChunk(12, m.combination), intChunk(13, m.uvTransform),
                                floatChunk(14, m.offsetU),   floatChunk(15, m.offsetV),
                                floatChunk(16, m.tileU),     floatChunk(17, m.tileV),
                                floatChunk(18, m.angle),     intChunk(19, m.wrap),
                                intChunk(20, m.opacityMap),  floatChunk(21, m.amount),
                                intChunk(22, m.value22),     node(23, list)};
  for (std::uint16_t i = 0; i < 6; ++i)
    parameters.push_back(floatChunk(static_cast<std::uint16_t>(24 + i), m.values24[i]));
  return node(id, {}, {node(1, {}, parameters), node(100, {}, m.tracks)});
}

// Sub-material child 2: 1 properties (10..23), 100 tracks (110 opacity, 111..113 colours).
inline Bytes drawing(std::vector<Bytes> properties, std::vector<Bytes> tracks = {}) {
  return node(2, {}, {node(1, {}, std::move(properties)), node(100, {}, std::move(tracks))});
}
// Sub-material child 3: 1 line properties (10..16), 100 (110 line colour track).
inline Bytes lines(std::vector<Bytes> properties, std::vector<Bytes> tracks = {}) {
  return node(3, {}, {node(1, {}, std::move(properties)), node(100, {}, std::move(tracks))});
}
// Record 201: 1 name, then the given children (2, 3, 4, 5).
inline Bytes subMaterial(std::string_view name, std::vector<Bytes> children = {}) {
  children.insert(children.begin(), stringChunk(1, name));
  return node(201, {}, std::move(children));
}
// Record 131: 101 name, 200 int count and its sub-materials.
inline Bytes material(std::string_view name, std::vector<Bytes> subMaterials,
                      std::optional<std::int32_t> count = {}) {
  const auto n = count.value_or(static_cast<std::int32_t>(subMaterials.size()));
  return node(
      131, {},
      {stringChunk(101, name), node(200, intField(n), std::move(subMaterials), Order::kFixed)});
}

// --- Meshes (record 101) and what shapes share with them ---

inline Bytes mesh(std::vector<Bytes> children) {
  return node(101, {}, std::move(children));
}
inline Bytes materialIndex(std::uint16_t index) {
  return wordChunk(2, index);
}

// 501: 502 first, then 503, 504, 505.
inline Bytes geometry(std::vector<Bytes> children) {
  return node(501, {}, std::move(children), Order::kFixed);
}
inline Bytes vertices(const std::vector<Xyz>& points, std::optional<std::uint16_t> count = {}) {
  Bytes data = wordField(count.value_or(static_cast<std::uint16_t>(points.size())));
  for (const Xyz& p : points)
    data = data + pointField(p);
  return node(502, data);
}
inline Bytes softSelection(const std::vector<float>& values) {
  Bytes data;
  for (float value : values)
    data = data + floatField(value);
  return node(503, data);
}
inline Bytes textureVertices(const std::vector<Xyz>& points) {
  Bytes data;
  for (const Xyz& p : points)
    data = data + pointField(p);
  return node(504, data);
}
inline Bytes edgePairs(const std::vector<std::array<std::int32_t, 2>>& pairs,
                       std::optional<std::uint16_t> count = {}) {
  Bytes data = wordField(count.value_or(static_cast<std::uint16_t>(pairs.size())));
  for (const auto& pair : pairs)
    data = data + intField(pair[0]) + intField(pair[1]);
  return node(505, data);
}

// 1000: 1001 first, then 1002, 1003, 1004.
inline Bytes faces(std::vector<Bytes> children) {
  return node(1000, {}, std::move(children), Order::kFixed);
}
using Triple = std::array<std::uint16_t, 3>;
inline Bytes faceVertices(const std::vector<Triple>& corners,
                          std::optional<std::uint16_t> count = {}) {
  Bytes data = wordField(count.value_or(static_cast<std::uint16_t>(corners.size())));
  for (const Triple& t : corners)
    data = data + wordField(t[0]) + wordField(t[1]) + wordField(t[2]);
  return node(1001, data);
}
inline Bytes faceTextureVertices(const std::vector<Triple>& corners) {
  Bytes data;
  for (const Triple& t : corners)
    data = data + wordField(t[0]) + wordField(t[1]) + wordField(t[2]);
  return node(1002, data);
}
inline Bytes faceWords(std::uint16_t id, const std::vector<std::uint16_t>& words) {
  Bytes data;
  for (std::uint16_t word : words)
    data = data + wordField(word);
  return node(id, data);
}
inline Bytes faceSubMaterials(const std::vector<std::uint16_t>& w) {
  return faceWords(1003, w);
}
inline Bytes faceValues(const std::vector<std::uint16_t>& w) {
  return faceWords(1004, w);
}

// 2000: word count, entries 2001 (byte type, then the modifier's chunks).
inline Bytes stack(std::vector<Bytes> entries, std::optional<std::uint16_t> count = {}) {
  const auto n = count.value_or(static_cast<std::uint16_t>(entries.size()));
  return node(2000, wordField(n), std::move(entries), Order::kFixed);
}
inline Bytes modifier(std::uint8_t type, std::vector<Bytes> chunks) {
  return node(2001, byteField(type), std::move(chunks));
}

// Channel description: 1 int useChannel, 2 int invert, 3 string channel name.
struct Channel {
  std::int32_t useChannel = 0;
  std::int32_t invert = 0;
  std::string name{};
};
struct NamedChannel {
  std::string name{};
  Channel channel{};
};

inline Bytes namedChannels(std::uint16_t listId, const std::vector<NamedChannel>& entries) {
  std::vector<Bytes> records;
  const auto recordId = static_cast<std::uint16_t>(listId + 1);
  for (const NamedChannel& entry : entries)
    records.push_back(
        node(recordId, {},
             {stringChunk(static_cast<std::uint16_t>(listId + 2), entry.name),
              node(static_cast<std::uint16_t>(listId + 3), {},
                   {intChunk(1, entry.channel.useChannel), intChunk(2, entry.channel.invert),
                    stringChunk(3, entry.channel.name)})}));
  return node(listId, wordField(static_cast<std::uint16_t>(entries.size())), records,
              Order::kFixed);
}
// 2010: entries name a stack entry by the decimal text of its index.
inline Bytes applications(const std::vector<NamedChannel>& entries) {
  return namedChannels(2010, entries);
}
// 2020: entries name world-space modifiers.
inline Bytes wsModifierBindings(const std::vector<NamedChannel>& entries) {
  return namedChannels(2020, entries);
}
// 2030: children 2031, a light name each.
inline Bytes lightNames(const std::vector<std::string>& names) {
  std::vector<Bytes> records;
  for (const std::string& name : names)
    records.push_back(stringChunk(2031, name));
  return node(2030, wordField(static_cast<std::uint16_t>(names.size())), records, Order::kFixed);
}

struct ChannelOperation {
  std::string output{};
  std::string input1{};
  std::string input2{};
  std::int32_t operation = 0;
};
// 2040: children 2041 (1 output, 10 input1, 11 input2, 12 int operation).
inline Bytes channelOperations(const std::vector<ChannelOperation>& operations) {
  std::vector<Bytes> records;
  for (const ChannelOperation& op : operations)
    records.push_back(node(2041, {},
                           {stringChunk(1, op.output), stringChunk(10, op.input1),
                            stringChunk(11, op.input2), intChunk(12, op.operation)}));
  return node(2040, wordField(static_cast<std::uint16_t>(operations.size())), records,
              Order::kFixed);
}

struct GeneratedChannel {
  std::string name{};
  std::int32_t kind = 0;
  std::vector<float> values{};
};
// 2050: children 2051 (1 name, 2 int kind, 3 int count then the floats).
inline Bytes generatedChannels(const std::vector<GeneratedChannel>& channels) {
  std::vector<Bytes> records;
  for (const GeneratedChannel& channel : channels) {
    Bytes values = intField(static_cast<std::int32_t>(channel.values.size()));
    for (float value : channel.values)
      values = values + floatField(value);
    records.push_back(
        node(2051, {}, {stringChunk(1, channel.name), intChunk(2, channel.kind), node(3, values)}));
  }
  return node(2050, wordField(static_cast<std::uint16_t>(channels.size())), records, Order::kFixed);
}

struct LightingChannel {
  std::string name{};
  std::vector<std::string> lights{};
};
// 2060: children 2061 (1 name, 10 int count and children 11, a light name each).
inline Bytes lightingChannels(const std::vector<LightingChannel>& channels) {
  std::vector<Bytes> records;
  for (const LightingChannel& channel : channels) {
    std::vector<Bytes> names;
    for (const std::string& name : channel.lights)
      names.push_back(stringChunk(11, name));
    records.push_back(
        node(2061, {},
             {stringChunk(1, channel.name),
              node(10, intField(static_cast<std::int32_t>(names.size())), names, Order::kFixed)}));
  }
  return node(2060, wordField(static_cast<std::uint16_t>(channels.size())), records, Order::kFixed);
}
// 2070: 2071, 2072, 2073 channel names.
inline Bytes channelReferences(std::string_view a, std::string_view b, std::string_view c) {
  return node(2070, {}, {stringChunk(2071, a), stringChunk(2072, b), stringChunk(2073, c)});
}
// 2200 + index: 1 enabled, 2 value, 3 mesh name, 4 texture layer.
inline Bytes meshLayer(int index, std::int32_t enabled, std::int32_t value,
                       std::string_view meshName, const std::optional<TextureLayer>& texture = {}) {
  std::vector<Bytes> children{intChunk(1, enabled), intChunk(2, value), stringChunk(3, meshName)};
  if (texture) children.push_back(textureLayer(*texture, 4));
  return node(static_cast<std::uint16_t>(2200 + index), {}, children);
}

// --- Modifier chunks (after the type byte of a stack entry or a world-space modifier) ---

// 1 gizmo: 100 (101 matrix, 102 position, 103 centre, 104 scale, 105 rotation), 200 tracks
// (202 position, 203 centre, 204 scale, 205 rotation).
struct Gizmo {
  std::optional<Matrix12> baseMatrix{};
  std::optional<Xyz> position{};
  std::optional<Xyz> centre{};
  std::optional<Xyz> scale{};
  std::optional<AngleAxis> rotation{};
  std::vector<PointKey> positionKeys{};
  std::vector<PointKey> centreKeys{};
  std::vector<PointKey> scaleKeys{};
  std::vector<RotationKey> rotationKeys{};
};

inline Bytes gizmo(const Gizmo& g) {
  std::vector<Bytes> values, tracks;
  if (g.baseMatrix) values.push_back(matrixChunk(101, *g.baseMatrix));
  if (g.position) values.push_back(pointChunk(102, *g.position));
  if (g.centre) values.push_back(pointChunk(103, *g.centre));
  if (g.scale) values.push_back(pointChunk(104, *g.scale));
  if (g.rotation) values.push_back(angleAxisChunk(105, *g.rotation));
  if (!g.positionKeys.empty()) tracks.push_back(pointTrack(202, g.positionKeys));
  if (!g.centreKeys.empty()) tracks.push_back(pointTrack(203, g.centreKeys));
  if (!g.scaleKeys.empty()) tracks.push_back(pointTrack(204, g.scaleKeys));
  if (!g.rotationKeys.empty()) tracks.push_back(rotationTrack(205, g.rotationKeys));
  return node(1, {}, {node(100, {}, values), node(200, {}, tracks)});
}
// 50: the type's parameters; 201: the type's tracks.
inline Bytes parameters(std::vector<Bytes> children) {
  return node(50, {}, std::move(children));
}
inline Bytes modifierTracks(std::vector<Bytes> children) {
  return node(201, {}, std::move(children));
}

struct Bone {
  std::string name{};
  Matrix12 bind = kIdentity12;
};
struct Weight {
  float weight = 0.0f;
  std::uint16_t bone = 0;
};
// Skin (type 1): 50 (70 skin bind, 100 bone list, 200 vertex list).
inline Bytes skin(const Matrix12& skinBind, const std::vector<Bone>& bones,
                  const std::vector<std::vector<Weight>>& weights,
                  std::optional<std::uint16_t> nbBone = {},
                  std::optional<std::int32_t> nbVertex = {}) {
  Bytes boneData = wordField(nbBone.value_or(static_cast<std::uint16_t>(bones.size())));
  for (const Bone& bone : bones)
    boneData = boneData + stringField(bone.name) + matrixField(bone.bind);
  Bytes vertexData = intField(nbVertex.value_or(static_cast<std::int32_t>(weights.size())));
  for (const auto& vertex : weights) {
    vertexData = vertexData + wordField(static_cast<std::uint16_t>(vertex.size()));
    for (const Weight& w : vertex)
      vertexData = vertexData + floatField(w.weight) + wordField(w.bone);
  }
  return node(50, {}, {matrixChunk(70, skinBind), node(100, boneData), node(200, vertexData)});
}

struct MorphTarget {
  std::string name{};
  float weight = 0.0f;
  std::vector<FloatKey> weightKeys{};
};
// Morph (type 2): 50 (100 target list: word count; children 101: 50 (101 name, 102 weight),
// 250 (301 weight track)).
inline Bytes morph(const std::vector<MorphTarget>& targets,
                   std::optional<std::uint16_t> count = {}) {
  std::vector<Bytes> records;
  for (const MorphTarget& target : targets) {
    std::vector<Bytes> tracks;
    if (!target.weightKeys.empty()) tracks.push_back(floatTrack(301, target.weightKeys));
    records.push_back(
        node(101, {},
             {node(50, {}, {stringChunk(101, target.name), floatChunk(102, target.weight)}),
              node(250, {}, tracks)}));
  }
  const auto n = count.value_or(static_cast<std::uint16_t>(targets.size()));
  return node(50, {}, {node(100, wordField(n), records, Order::kFixed)});
}

// --- World-space modifiers (141) and shapes (103) ---

inline Bytes wsModifier(const Head& h, std::uint8_t type, std::vector<Bytes> chunks) {
  return node(141, {}, {head(h), node(100, byteField(type), std::move(chunks))});
}

// Shape record: byte kind, 1 shape base (1 head, 2 material, 501, 2000..2070, 2100), 10 the kind's
// parameters.
inline Bytes shape(std::uint8_t kind, std::vector<Bytes> base,
                   std::vector<Bytes> kindParameters = {}) {
  return node(103, byteField(kind),
              {node(1, {}, std::move(base)), node(10, {}, std::move(kindParameters))});
}
struct Emitter {
  float startFrame = 0.0f;
  float period = 0.0f;
  float rate = 0.0f;
};
// Particles (kind 2): 20 word count, children 21 (1 start frame, 2 period, 3 rate).
inline Bytes emitters(const std::vector<Emitter>& list, std::optional<std::uint16_t> count = {}) {
  std::vector<Bytes> records;
  for (const Emitter& e : list)
    records.push_back(node(
        21, {}, {floatChunk(1, e.startFrame), floatChunk(2, e.period), floatChunk(3, e.rate)}));
  const auto n = count.value_or(static_cast<std::uint16_t>(list.size()));
  return node(20, wordField(n), records, Order::kFixed);
}

// --- The root ---

// A list chunk: word count, then its records in order.
inline Bytes list(std::uint16_t listId, std::vector<Bytes> records,
                  std::optional<std::uint16_t> count = {}) {
  const auto n = count.value_or(static_cast<std::uint16_t>(records.size()));
  return node(listId, wordField(n), std::move(records), Order::kFixed);
}
inline Bytes meshes(std::vector<Bytes> r, std::optional<std::uint16_t> n = {}) {
  return list(100, std::move(r), n);
}
inline Bytes shapes(std::vector<Bytes> r, std::optional<std::uint16_t> n = {}) {
  return list(102, std::move(r), n);
}
inline Bytes lights(std::vector<Bytes> r, std::optional<std::uint16_t> n = {}) {
  return list(110, std::move(r), n);
}
inline Bytes cameras(std::vector<Bytes> r, std::optional<std::uint16_t> n = {}) {
  return list(120, std::move(r), n);
}
inline Bytes materials(std::vector<Bytes> r, std::optional<std::uint16_t> n = {}) {
  return list(130, std::move(r), n);
}
inline Bytes wsModifiers(std::vector<Bytes> r, std::optional<std::uint16_t> n = {}) {
  return list(140, std::move(r), n);
}
inline Bytes dummies(std::vector<Bytes> r, std::optional<std::uint16_t> n = {}) {
  return list(150, std::move(r), n);
}

// The root chunk with its children (50 animLength, 500 zBufferFlag, 501 sceneValue2,
// 502 sceneName, the lists), and the plain file around it.
inline Bytes root(std::vector<Bytes> children, std::uint16_t rootId = kRootId) {
  return node(rootId, {}, std::move(children));
}
inline Bytes sceneFile(std::vector<Bytes> children, std::uint16_t rootId = kRootId) {
  return chunk_bytes::plainFile(root(std::move(children), rootId));
}

// The smallest camera record that makes a scene render.
inline Bytes plainCamera(std::string_view name = "camera") {
  return camera({.head = {.name = std::string(name)}});
}

}  // namespace l3x
