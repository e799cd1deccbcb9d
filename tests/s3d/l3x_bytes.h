#pragma once
// Writes .l3x scene files byte by byte for the tests, from the file's chunk tables: each function
// writes one record, or one block of a record, with its identifiers and field encodings. Nothing
// comes from the scene reader; the chunk headers (and their lengths) come from chunk_bytes.h.
// In the records' builders an unset optional value or an empty key list writes no chunk at all.
//
// Children whose order the format leaves free can be written in reverse, for a whole file at once
// (ReversedChildren), to check that a reader does not depend on their order. The children whose
// order carries meaning keep it: the records of a list (record i fills object i), the geometry
// (502 before the per-vertex chunks) and the faces (1001 before the per-face chunks).

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "tests/base/chunk_bytes.h"

namespace l3x {

using chunk_bytes::Bytes;
using chunk_bytes::operator+;
using Count = std::optional<std::uint16_t>;

constexpr std::uint16_t kRootId = 53454;

struct Xyz {
  float x = 0, y = 0, z = 0;
};
struct AngleAxis {
  float angle = 0;
  Xyz axis{};
};
// Rows 0 to 3, three elements each.
using Matrix12 = std::array<float, 12>;
inline constexpr Matrix12 kIdentity12{1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};

// One field, little-endian, no padding: byte, word and int by their width, float as IEEE single,
// string with its 0, point x y z, angle-axis angle first; arrays and lists element by element.
template <class T>
Bytes field(const T& value) {
  if constexpr (std::is_same_v<T, Xyz>) {
    return field(value.x) + field(value.y) + field(value.z);
  } else if constexpr (std::is_same_v<T, AngleAxis>) {
    return field(value.angle) + field(value.axis);
  } else if constexpr (std::is_same_v<T, float>) {
    return chunk_bytes::le(std::bit_cast<std::uint32_t>(value), 4);
  } else if constexpr (std::is_integral_v<T>) {
    return chunk_bytes::le(static_cast<std::make_unsigned_t<T>>(value),
                           static_cast<int>(sizeof(T)));
  } else if constexpr (std::is_convertible_v<T, std::string_view>) {
    return chunk_bytes::stringField(value);
  } else {
    Bytes out;
    for (const auto& element : value)
      out = out + field(element);
    return out;
  }
}
// The encodings by name, for records written field by field.
using chunk_bytes::floatField;
using chunk_bytes::intField;
using chunk_bytes::stringField;
inline Bytes byteField(std::uint8_t value) {
  return field(value);
}
inline Bytes wordField(std::uint16_t value) {
  return field(value);
}
// A word count (`count`, or the number of values), then the values.
template <class T>
Bytes counted(const std::vector<T>& values, Count count = {}) {
  return field(count.value_or(static_cast<std::uint16_t>(values.size()))) + field(values);
}
// An int count, then the values.
template <class T>
Bytes intCounted(const std::vector<T>& values) {
  return field(static_cast<std::int32_t>(values.size())) + field(values);
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
// A chunk without fields of its own.
inline Bytes block(std::uint16_t id, std::vector<Bytes> children) {
  return node(id, {}, std::move(children));
}

// byteChunk(id, value) and its kin: a chunk holding one field; nothing for an unset optional.
template <class T>
struct ValueChunk {
  Bytes operator()(std::uint16_t id, const T& value) const { return node(id, field(value)); }
  template <class U>
  Bytes operator()(std::uint16_t id, const std::optional<U>& value) const {
    return value ? (*this)(id, *value) : Bytes{};
  }
};
inline constexpr ValueChunk<std::uint8_t> byteChunk;
inline constexpr ValueChunk<std::uint16_t> wordChunk;
inline constexpr ValueChunk<std::int32_t> intChunk;
inline constexpr ValueChunk<float> floatChunk;
inline constexpr ValueChunk<std::string_view> stringChunk;
inline constexpr ValueChunk<Xyz> pointChunk;
inline constexpr ValueChunk<AngleAxis> angleAxisChunk;
inline constexpr ValueChunk<Matrix12> matrixChunk;

// A chunk holding nothing but the values: arrayChunk<float>(503, {0.5f, 1}).
template <class T>
Bytes arrayChunk(std::uint16_t id, const std::vector<T>& values) {
  return node(id, field(values));
}
// A list: word count (`count`, or the number of records), then the records in order.
inline Bytes list(std::uint16_t id, std::vector<Bytes> records, Count count = {}) {
  const auto n = count.value_or(static_cast<std::uint16_t>(records.size()));
  return node(id, field(n), std::move(records), Order::kFixed);
}

// --- Tracks: holder `holderId`, child 1 the track (byte type), its child 1 the keys (int count,
// then the keys, each an int time in animation frames and the key's values) ---

template <class Value>
struct Key {
  std::int32_t frame = 0;
  Value value{};
};
using FloatKey = Key<float>;
using PointKey = Key<Xyz>;
using RotationKey = Key<AngleAxis>;

inline Bytes track(std::uint16_t holderId, std::uint8_t type, std::int32_t nbKey,
                   const Bytes& keys) {
  return block(holderId, {node(1, field(type), {node(1, field(nbKey) + keys)})});
}
// A linear (type 1) track.
template <class Value>
struct LinearTrack {
  Bytes operator()(std::uint16_t holderId, const std::vector<Key<Value>>& keys) const {
    Bytes data;
    for (const Key<Value>& key : keys)
      data = data + field(key.frame) + field(key.value);
    return track(holderId, 1, static_cast<std::int32_t>(keys.size()), data);
  }
};
inline constexpr LinearTrack<float> floatTrack;
inline constexpr LinearTrack<Xyz> pointTrack;
inline constexpr LinearTrack<AngleAxis> rotationTrack;
// The linear track of `keys`, or nothing when there are none.
template <class Value>
Bytes tracked(std::uint16_t holderId, const std::vector<Key<Value>>& keys) {
  return keys.empty() ? Bytes{} : LinearTrack<Value>{}(holderId, keys);
}

// --- Objects ---

// Head: 1 name, 2 parent (none when empty), 3 transform (100: 101 matrixMode, 102 pivot,
// 103 position, 104 scale, 105 rotation; 200: 201 position, 202 scale, 203 rotation tracks).
struct Head {
  std::string name{}, parent{};
  std::optional<std::uint8_t> matrixMode{};
  std::optional<Xyz> pivot{}, position{}, scale{};
  std::optional<AngleAxis> rotation{};
  std::vector<PointKey> positionKeys{}, scaleKeys{};
  std::vector<RotationKey> rotationKeys{};
};
// Chunk 1 of every object; 2 for the target of a camera or a light.
inline Bytes head(const Head& h, std::uint16_t id = 1) {
  return block(id, {stringChunk(1, h.name), h.parent.empty() ? Bytes{} : stringChunk(2, h.parent),
                    block(3, {block(100, {byteChunk(101, h.matrixMode), pointChunk(102, h.pivot),
                                          pointChunk(103, h.position), pointChunk(104, h.scale),
                                          angleAxisChunk(105, h.rotation)}),
                              block(200, {tracked(201, h.positionKeys), tracked(202, h.scaleKeys),
                                          tracked(203, h.rotationKeys)})})});
}
inline Bytes dummy(const Head& h) {
  return block(151, {head(h)});
}

// Camera: 1 head, 2 target, 100 (101 fov, 102 roll, 103 near, 104 far), 200 (201 fov, 202 roll).
struct Camera {
  Head head{};
  std::optional<Head> target{};
  std::optional<float> fov{}, roll{}, nearClip{}, farClip{};
  std::vector<FloatKey> fovKeys{}, rollKeys{};
};
inline Bytes camera(const Camera& c) {
  return block(121, {head(c.head), c.target ? head(*c.target, 2) : Bytes{},
                     block(100, {floatChunk(101, c.fov), floatChunk(102, c.roll),
                                 floatChunk(103, c.nearClip), floatChunk(104, c.farClip)}),
                     block(200, {tracked(201, c.fovKeys), tracked(202, c.rollKeys)})});
}
// The smallest camera record that makes a scene render.
inline Bytes plainCamera(std::string_view name = "camera") {
  return camera({.head = {.name = std::string(name)}});
}

// Light: 1 head, 2 target, 100 (101 colour, 105 type, 102 intensity, 103 near, 104 far,
// 107 hotspot, 106 falloff), 200 (201 intensity, 202 colour, 203 near, 204 far, 206 hotspot,
// 205 falloff).
struct Light {
  Head head{};
  std::optional<Head> target{};
  std::optional<Xyz> color{};
  std::optional<std::int32_t> type{};
  std::optional<float> intensity{}, nearAttenuation{}, farAttenuation{}, hotspot{}, falloff{};
  std::vector<FloatKey> intensityKeys{};
  std::vector<PointKey> colorKeys{};
  std::vector<FloatKey> nearKeys{}, farKeys{}, hotspotKeys{}, falloffKeys{};
};
inline Bytes light(const Light& l) {
  return block(111, {head(l.head), l.target ? head(*l.target, 2) : Bytes{},
                     block(100, {pointChunk(101, l.color), intChunk(105, l.type),
                                 floatChunk(102, l.intensity), floatChunk(103, l.nearAttenuation),
                                 floatChunk(104, l.farAttenuation), floatChunk(107, l.hotspot),
                                 floatChunk(106, l.falloff)}),
                     block(200, {tracked(201, l.intensityKeys), tracked(202, l.colorKeys),
                                 tracked(203, l.nearKeys), tracked(204, l.farKeys),
                                 tracked(206, l.hotspotKeys), tracked(205, l.falloffKeys)})});
}

// --- Materials ---

// Texture layer (sub-material child 4, mesh layer child 4): 1 parameters (10 enabled, 11 flags,
// 12 the picture: file name and window u, v, w, h; 13 point size; 14..18 kept), 100 passed over
// (three bytes here).
inline Bytes textureLayer(std::int32_t enabled, std::int32_t flags, std::string_view fileName,
                          std::array<float, 4> uvwh, float pointSize,
                          std::array<std::int32_t, 5> kept) {
  std::vector<Bytes> parameters{intChunk(10, enabled), intChunk(11, flags),
                                node(12, field(fileName) + field(uvwh)), floatChunk(13, pointSize)};
  for (std::uint16_t i = 0; i < 5; ++i)
    parameters.push_back(intChunk(static_cast<std::uint16_t>(14 + i), kept[i]));
  return block(4, {block(1, parameters), node(100, {9, 9, 9})});
}
// A map layer (sub-material child 5, property children 22 and 23) and the two blocks of a
// sub-material, drawing (2: properties 10..23, tracks 110 opacity, 111..113 colours) and lines
// (3: properties 10..16, track 110 colour): 1 parameters or properties, 100 tracks.
inline Bytes parametersAndTracks(std::uint16_t id, std::vector<Bytes> parameters,
                                 std::vector<Bytes> tracks = {}) {
  return block(id, {block(1, std::move(parameters)), block(100, std::move(tracks))});
}
inline Bytes drawing(std::vector<Bytes> properties, std::vector<Bytes> tracks = {}) {
  return parametersAndTracks(2, std::move(properties), std::move(tracks));
}
inline Bytes lines(std::vector<Bytes> properties, std::vector<Bytes> tracks = {}) {
  return parametersAndTracks(3, std::move(properties), std::move(tracks));
}
// Record 201: 1 name, then the given children (2, 3, 4, 5).
inline Bytes subMaterial(std::string_view name, std::vector<Bytes> children = {}) {
  children.insert(children.begin(), stringChunk(1, name));
  return block(201, std::move(children));
}
// Record 131: 101 name, 200 int count and its sub-materials.
inline Bytes material(std::string_view name, std::vector<Bytes> subMaterials,
                      std::optional<std::int32_t> count = {}) {
  const auto n = count.value_or(static_cast<std::int32_t>(subMaterials.size()));
  return block(
      131, {stringChunk(101, name), node(200, field(n), std::move(subMaterials), Order::kFixed)});
}

// --- Meshes (record 101) and what shapes share with them ---

inline Bytes mesh(std::vector<Bytes> children) {
  return block(101, std::move(children));
}
inline Bytes materialIndex(std::uint16_t index) {
  return wordChunk(2, index);
}
// 501: 502 first, then 503 soft selection, 504 texture vertices, 505 edge pairs.
inline Bytes geometry(std::vector<Bytes> children) {
  return node(501, {}, std::move(children), Order::kFixed);
}
inline Bytes vertices(const std::vector<Xyz>& points, Count count = {}) {
  return node(502, counted(points, count));
}
inline Bytes edgePairs(const std::vector<std::array<std::int32_t, 2>>& pairs, Count count = {}) {
  return node(505, counted(pairs, count));
}
// 1000: 1001 first, then 1002 texture corners, 1003 sub-material words, 1004 kept words.
inline Bytes faces(std::vector<Bytes> children) {
  return node(1000, {}, std::move(children), Order::kFixed);
}
using Triple = std::array<std::uint16_t, 3>;
inline Bytes faceVertices(const std::vector<Triple>& corners, Count count = {}) {
  return node(1001, counted(corners, count));
}

inline Bytes faceSubMaterials(const std::vector<std::uint16_t>& words) {
  return arrayChunk(1003, words);
}

// 2000: word count, entries 2001 (byte type, then the modifier's chunks).
inline Bytes stack(std::vector<Bytes> entries, Count count = {}) {
  return list(2000, std::move(entries), count);
}
inline Bytes modifier(std::uint8_t type, std::vector<Bytes> chunks = {}) {
  return node(2001, field(type), std::move(chunks));
}
// 2010 applications (naming a stack entry by the decimal text of its index) or 2020 world-space
// modifier bindings: records listId + 1 of (listId + 2 name, listId + 3 channel description:
// 1 useChannel, 2 invert, 3 channel name).
struct NamedChannel {
  std::string name{};
  std::int32_t useChannel = 0, invert = 0;
  std::string channelName{};
};
inline Bytes namedChannels(std::uint16_t listId, const std::vector<NamedChannel>& entries) {
  const auto id = [&](int offset) { return static_cast<std::uint16_t>(listId + offset); };
  std::vector<Bytes> records;
  for (const NamedChannel& e : entries)
    records.push_back(block(id(1), {stringChunk(id(2), e.name),
                                    block(id(3), {intChunk(1, e.useChannel), intChunk(2, e.invert),
                                                  stringChunk(3, e.channelName)})}));
  return list(listId, records);
}
// A list of strings, one record `listId + 1` each: 2030 light names, 10 in a lighting channel.
inline Bytes nameList(std::uint16_t listId, const std::vector<std::string>& names,
                      bool intCount = false) {
  std::vector<Bytes> records;
  for (const std::string& name : names)
    records.push_back(stringChunk(static_cast<std::uint16_t>(listId + 1), name));
  if (!intCount) return list(listId, records);
  return node(listId, field(static_cast<std::int32_t>(names.size())), records, Order::kFixed);
}

// --- Modifier chunks (after the type byte of a stack entry or a world-space modifier) ---

// 1 gizmo: 100 (101 matrix, 102 position, 103 centre, 104 scale, 105 rotation), 200 tracks
// (202 position, 203 centre, 204 scale, 205 rotation); 50 the type's parameters; 201 its tracks.
inline Bytes gizmo(std::vector<Bytes> values, std::vector<Bytes> tracks = {}) {
  return block(1, {block(100, std::move(values)), block(200, std::move(tracks))});
}
inline Bytes parameters(std::vector<Bytes> children) {
  return block(50, std::move(children));
}
inline Bytes modifierTracks(std::vector<Bytes> children) {
  return block(201, std::move(children));
}

struct Bone {
  std::string name{};
  Matrix12 bind = kIdentity12;
};
struct Weight {
  float weight = 0;
  std::uint16_t bone = 0;
};
// Skin (type 1): 50 (70 skin bind, 100 bone list: word count, then per bone name and bind;
// 200 vertex list: int count, then per vertex word n and n (weight, bone)).
inline Bytes skin(const Matrix12& skinBind, const std::vector<Bone>& bones,
                  const std::vector<std::vector<Weight>>& weights, Count nbBone = {},
                  std::optional<std::int32_t> nbVertex = {}) {
  Bytes boneData = field(nbBone.value_or(static_cast<std::uint16_t>(bones.size())));
  for (const Bone& bone : bones)
    boneData = boneData + field(bone.name) + field(bone.bind);
  Bytes vertexData = field(nbVertex.value_or(static_cast<std::int32_t>(weights.size())));
  for (const auto& vertex : weights) {
    vertexData = vertexData + field(static_cast<std::uint16_t>(vertex.size()));
    for (const Weight& w : vertex)
      vertexData = vertexData + field(w.weight) + field(w.bone);
  }
  return parameters({matrixChunk(70, skinBind), node(100, boneData), node(200, vertexData)});
}

struct MorphTarget {
  std::string name{};
  float weight = 0;
  std::vector<FloatKey> weightKeys{};
};
// Morph (type 2): 50 (100 target list: word count; children 101: 50 (101 name, 102 weight),
// 250 (301 weight track)).
inline Bytes morph(const std::vector<MorphTarget>& targets, Count count = {}) {
  std::vector<Bytes> records;
  for (const MorphTarget& t : targets)
    records.push_back(block(101, {parameters({stringChunk(101, t.name), floatChunk(102, t.weight)}),
                                  block(250, {tracked(301, t.weightKeys)})}));
  return parameters({list(100, records, count)});
}

// --- World-space modifiers (141), shapes (103) and the root ---

inline Bytes wsModifier(const Head& h, std::uint8_t type, std::vector<Bytes> chunks = {}) {
  return block(141, {head(h), node(100, field(type), std::move(chunks))});
}
// Shape record: byte kind, 1 shape base (1 head, 2 material, 501, 2000..2070, 2100), 10 the kind's
// parameters (none for kind 1).
inline Bytes shape(std::uint8_t kind, std::vector<Bytes> base,
                   std::vector<Bytes> kindParameters = {}) {
  return node(103, field(kind),
              {block(1, std::move(base)),
               kindParameters.empty() ? Bytes{} : block(10, std::move(kindParameters))});
}
// Particles (kind 2): 20 word count, children 21 (1 start frame, 2 period, 3 rate).
inline Bytes emitters(const std::vector<Xyz>& startPeriodRate, Count count = {}) {
  std::vector<Bytes> records;
  for (const Xyz& e : startPeriodRate)
    records.push_back(block(21, {floatChunk(1, e.x), floatChunk(2, e.y), floatChunk(3, e.z)}));
  return list(20, records, count);
}

// The root's lists: meshes(records), or meshes(records, count) for a count that lies.
struct RootList {
  std::uint16_t id;
  Bytes operator()(std::vector<Bytes> records, Count count = {}) const {
    return list(id, std::move(records), count);
  }
};
inline constexpr RootList meshes{100}, shapes{102}, lights{110}, cameras{120}, materials{130},
    wsModifiers{140}, dummies{150};

// The root chunk with its children (50 animLength, 500 zBufferFlag, 501 sceneValue2,
// 502 sceneName, the lists), and the plain file around it.
inline Bytes root(std::vector<Bytes> children, std::uint16_t rootId = kRootId) {
  return block(rootId, std::move(children));
}
inline Bytes sceneFile(std::vector<Bytes> children, std::uint16_t rootId = kRootId) {
  return chunk_bytes::plainFile(root(std::move(children), rootId));
}

}  // namespace l3x
