// showtool dump and build of .l3x scenes: a scene written byte by byte here, with every record
// kind, must show every chunk it knows with named fields and build back to the same bytes.

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/base/chunk_bytes.h"
#include "tests/support/temp_dir.h"
#include "tests/tools/show_tool_runner.h"

namespace {

using chunk_bytes::Bytes;
using chunk_bytes::chunk;
using chunk_bytes::floatField;
using chunk_bytes::intField;
using chunk_bytes::le;
using chunk_bytes::stringField;
using chunk_bytes::operator+;
using show_tool_runner::readBytes;
using show_tool_runner::run;
using show_tool_runner::writeText;
using Json = nlohmann::ordered_json;

Bytes byteField(std::uint8_t value) {
  return {value};
}
Bytes wordField(std::uint16_t value) {
  return le(value, 2);
}
Bytes pointField(float x, float y, float z) {
  return floatField(x) + floatField(y) + floatField(z);
}
// Twelve floats first, first + 1, ...
Bytes matrixField(float first) {
  Bytes out;
  for (int i = 0; i < 12; ++i)
    out = out + floatField(first + static_cast<float>(i));
  return out;
}
Bytes angleAxisField(float angle, float x, float y, float z) {
  return floatField(angle) + pointField(x, y, z);
}
Bytes strings(std::uint16_t id, const char* pText) {
  return chunk(id, {stringField(pText)});
}
Bytes ints(std::uint16_t id, std::int32_t value) {
  return chunk(id, {intField(value)});
}
Bytes floats(std::uint16_t id, float value) {
  return chunk(id, {floatField(value)});
}

// A track holder `id`: track chunk 1 of `type`, key chunk 1 with `count` keys.
Bytes track(std::uint16_t id, std::uint8_t type, std::int32_t count, const Bytes& keys) {
  return chunk(id, {chunk(1, {byteField(type), chunk(1, {intField(count), keys})})});
}
Bytes floatTrack(std::uint16_t id) {
  return track(id, 1, 2, intField(0) + floatField(1.5f) + intField(30) + floatField(-2));
}

Bytes head(const char* pName, const char* pParent) {
  const Bytes tcb =
      floatField(0.25f) + floatField(0) + floatField(-0.5f) + floatField(0.125f) + floatField(0);
  return chunk(
      1,
      {strings(1, pName), strings(2, pParent),
       chunk(3,
             {chunk(100, {chunk(101, {byteField(1)}), chunk(102, {pointField(1, 2, 3)}),
                          chunk(103, {pointField(-4, 5.5f, 6)}), chunk(104, {pointField(1, 1, 2)}),
                          chunk(105, {angleAxisField(0.5f, 0, 1, 0)})}),
              chunk(200, {track(201, 3, 1, intField(10) + pointField(1, 2, 3) + tcb),
                          track(202, 2, 1, intField(0) + pointField(1, 1, 1)),
                          track(203, 1, 1, intField(5) + angleAxisField(1, 0, 0, 1)),
                          track(203, 3, 1, intField(5) + angleAxisField(7, 1, 0, 0) + tcb)})})});
}

Bytes textureLayer(std::uint16_t id) {
  return chunk(id, {chunk(1, {ints(10, 1), ints(11, 3), chunk(12, {strings(1, "spark.tga")}),
                              floats(13, 0), floats(14, 0.5f), floats(15, 0.5f), floats(16, 0.25f),
                              floats(17, 4), ints(18, 9)}),
                    chunk(100, {Bytes{9, 9, 9}})});
}

Bytes mapLayer(std::uint16_t id) {
  Bytes parameters = strings(10, "map.bmp") + ints(11, 1) + ints(12, 2) + ints(13, 1);
  for (std::uint16_t i = 14; i <= 18; ++i)
    parameters = parameters + floats(i, static_cast<float>(i) * 0.5f);
  parameters = parameters + ints(19, 1) + ints(20, 0) + floats(21, 0.75f) + ints(22, 5) +
               chunk(23, {intField(2), floatField(1), floatField(2)});
  for (std::uint16_t i = 24; i <= 29; ++i)
    parameters = parameters + floats(i, static_cast<float>(i));
  Bytes tracks;
  for (const int i : {110, 111, 112, 114, 115, 116, 117, 118})
    tracks = tracks + floatTrack(static_cast<std::uint16_t>(i));
  return chunk(id, {chunk(1, {parameters}), chunk(100, {tracks})});
}

Bytes gizmo() {
  return chunk(1, {chunk(100, {chunk(101, {matrixField(1)}), chunk(102, {pointField(0, 1, 0)}),
                               chunk(103, {pointField(0, 0, 1)}), chunk(104, {pointField(2, 2, 2)}),
                               chunk(105, {angleAxisField(0.25f, 1, 0, 0)})}),
                   chunk(200, {track(202, 1, 1, intField(0) + pointField(1, 0, 0)),
                               track(203, 1, 1, intField(0) + pointField(0, 1, 0)),
                               track(204, 1, 1, intField(0) + pointField(1, 1, 1)),
                               track(205, 1, 1, intField(0) + angleAxisField(0, 1, 0, 0))})});
}

// Modifier chunks of a gizmo type: parameters 100... (`bytes` leading byte fields, then floats)
// and float tracks from `firstTrack`.
Bytes gizmoModifier(std::uint16_t id, std::uint8_t type, int bytes, int parameters,
                    std::uint16_t firstTrack, int tracks) {
  Bytes fields;
  for (int i = 0; i < parameters; ++i) {
    const auto fieldId = static_cast<std::uint16_t>(100 + i);
    fields = fields + (i < bytes ? chunk(fieldId, {byteField(static_cast<std::uint8_t>(i + 1))})
                                 : floats(fieldId, 0.5f * static_cast<float>(i)));
  }
  Bytes trackChunks;
  for (int i = 0; i < tracks; ++i)
    trackChunks = trackChunks + floatTrack(static_cast<std::uint16_t>(firstTrack + i));
  return chunk(id, {byteField(type), gizmo(), chunk(50, {fields}), chunk(201, {trackChunks})});
}

Bytes noiseModifier(std::uint16_t id) {
  return chunk(
      id, {byteField(5), gizmo(),
           chunk(50, {chunk(100, {byteField(7)}), chunk(101, {byteField(1)}),
                      chunk(102, {byteField(0)}), floats(103, 0.5f), ints(104, -3), floats(106, 2),
                      floats(107, 0.1f), chunk(108, {pointField(1, 2, 3)})}),
           chunk(201, {floatTrack(301), floatTrack(302),
                       track(303, 1, 1, intField(0) + pointField(3, 2, 1))})});
}

Bytes skinModifier() {
  const Bytes vertices = intField(2) + wordField(2) + floatField(0.25f) + wordField(0) +
                         floatField(0.75f) + wordField(1) + wordField(0);
  return chunk(2001, {byteField(1),
                      chunk(50, {chunk(70, {matrixField(0)}),
                                 chunk(100, {wordField(2), stringField("Bone1"), matrixField(10),
                                             stringField("Bone2"), matrixField(20)}),
                                 chunk(200, {vertices})})});
}

Bytes morphModifier() {
  const Bytes bezier = intField(0) + floatField(0) + floatField(1) + floatField(2) + wordField(3) +
                       floatField(4) + floatField(5) + wordField(1);
  return chunk(
      2001,
      {byteField(2),
       chunk(50, {chunk(100, {wordField(1),
                              chunk(101, {chunk(50, {strings(101, "Smile"), floats(102, 0.5f)}),
                                          chunk(250, {track(301, 4, 1, bezier)})})})})});
}

Bytes channel(std::uint16_t id) {
  return chunk(id, {ints(1, 1), ints(2, 0), strings(3, "softSelection")});
}

// The chunks 2000 to 2070 of a mesh or shape base.
Bytes objectLists(bool withModifiers) {
  Bytes stack = wordField(withModifiers ? 4 : 0);
  if (withModifiers)
    stack = stack + skinModifier() + morphModifier() + gizmoModifier(2001, 3, 1, 3, 301, 2) +
            gizmoModifier(2001, 10, 0, 1, 301, 1);
  return chunk(2000, {stack}) +
         chunk(2010, {wordField(1), chunk(2011, {strings(2012, "1"), channel(2013)})}) +
         chunk(2020, {wordField(1), chunk(2021, {strings(2022, "Warp"), channel(2023)})}) +
         chunk(2030, {wordField(1), strings(2031, "Lamp")}) +
         chunk(2040, {wordField(1), chunk(2041, {strings(1, "mix"), strings(10, "a"),
                                                 strings(11, "b"), ints(12, 2)})}) +
         chunk(2050, {wordField(1),
                      chunk(2051, {strings(1, "ramp"), ints(2, 1),
                                   chunk(3, {intField(2), floatField(0), floatField(1)})})}) +
         chunk(2060, {wordField(1), chunk(2061, {strings(1, "lit"),
                                                 chunk(10, {intField(1), strings(11, "Lamp")})})}) +
         chunk(2070, {strings(2071, "a"), strings(2072, "b"), strings(2073, "c")});
}

Bytes mesh(float vertexX) {
  const Bytes geometry =
      chunk(502,
            {wordField(3), pointField(vertexX, 0, 0), pointField(1, 0, 0), pointField(0, 1, 0)}) +
      chunk(503, {floatField(0), floatField(0.5f), floatField(1)}) +
      chunk(504, {pointField(0, 0, 0), pointField(1, 0, 0), pointField(0, 1, 0)}) +
      chunk(505, {wordField(1), intField(0), intField(2)});
  const Bytes faces = chunk(1001, {wordField(1), wordField(0), wordField(1), wordField(2)}) +
                      chunk(1002, {wordField(0), wordField(1), wordField(2)}) +
                      chunk(1003, {wordField(1)}) + chunk(1004, {wordField(7)});
  Bytes draw;
  for (std::uint16_t i = 2100; i <= 2105; ++i)
    draw = draw + ints(i, i - 2100);
  const Bytes layer = chunk(2200, {ints(1, 1), ints(2, 4), strings(3, "Other"), textureLayer(4)}) +
                      chunk(2201, {ints(1, 0)}) + chunk(2202, {ints(1, 0)});
  return chunk(101, {head("Box", "Root"), chunk(2, {wordField(0)}), chunk(501, {geometry}),
                     chunk(1000, {faces}), objectLists(true), draw, layer,
                     chunk(3000, {Bytes{0xde, 0xad}})});
}

Bytes shapes() {
  auto base = [](const char* pName) {
    return chunk(1, {head(pName, "NULL"), chunk(2, {wordField(0)}),
                     chunk(501, {chunk(502, {wordField(1), pointField(1, 2, 3)})}),
                     objectLists(false), ints(2100, 3)});
  };
  const Bytes sprite =
      chunk(10, {floats(11, 1), floats(12, 2), ints(13, 0), ints(14, 1), ints(15, 2)});
  const Bytes particles = chunk(
      10, {chunk(20, {wordField(1), chunk(21, {floats(1, 0), floats(2, 10), floats(3, 2)})})});
  return chunk(102, {wordField(3), chunk(103, {byteField(1), base("Points")}),
                     chunk(103, {byteField(2), base("Sparks"), particles}),
                     chunk(103, {byteField(3), base("Sprite"), sprite})});
}

Bytes lights() {
  const Bytes parameters = chunk(101, {pointField(1, 0.5f, 0.25f)}) + ints(105, 2) +
                           floats(102, 1) + floats(103, 10) + floats(104, 200) + floats(107, 0.3f) +
                           floats(106, 0.6f);
  const Bytes tracks = floatTrack(201) + track(202, 1, 1, intField(0) + pointField(1, 1, 1)) +
                       floatTrack(203) + floatTrack(204) + floatTrack(206) + floatTrack(205);
  return chunk(110, {wordField(1), chunk(111, {head("Lamp", "NULL"), head("Lamp.Target", "NULL"),
                                               chunk(100, {parameters}), chunk(200, {tracks})})});
}

Bytes cameras(float fov) {
  const Bytes parameters = floats(101, fov) + floats(102, 0) + floats(103, 10) + floats(104, 1e5f);
  const Bytes tcb = intField(0) + floatField(0) + floatField(0) + floatField(0) + floatField(0) +
                    floatField(0) + floatField(0);
  const Bytes tracks = track(201, 2, 1, intField(0) + floatField(1)) + track(202, 3, 1, tcb);
  return chunk(120,
               {wordField(1), chunk(121, {head("Camera01", "NULL"), head("Camera01.Target", "NULL"),
                                          chunk(100, {parameters}), chunk(200, {tracks})})});
}

Bytes materials() {
  Bytes properties;
  for (std::uint16_t i = 10; i <= 13; ++i)
    properties = properties + ints(i, i - 10);
  properties = properties + floats(14, 0.5f) + ints(15, 1) + ints(16, 0) +
               chunk(17, {pointField(0.1f, 0, 0)}) + chunk(18, {pointField(0.5f, 0, 0)}) +
               chunk(19, {pointField(255, 128, 0)}) + floats(20, 0.25f) + ints(21, 0) +
               mapLayer(22) + mapLayer(23);
  const Bytes drawingTracks = floatTrack(110) +
                              track(111, 1, 1, intField(0) + pointField(0, 0, 0)) +
                              track(112, 1, 1, intField(0) + pointField(1, 0, 0)) +
                              track(113, 1, 1, intField(0) + pointField(1, 1, 1));
  Bytes lineProperties = ints(10, 1) + ints(11, 0x00ff8000) + ints(12, 0) + floats(13, 1) +
                         floats(14, 2) + ints(15, 1) + ints(16, 0);
  const Bytes sub = chunk(
      201, {strings(1, "Shiny"), chunk(2, {chunk(1, {properties}), chunk(100, {drawingTracks})}),
            chunk(3, {chunk(1, {lineProperties}),
                      chunk(100, {track(110, 1, 1, intField(0) + pointField(1, 1, 0))})}),
            textureLayer(4), mapLayer(5)});
  return chunk(130,
               {wordField(1), chunk(131, {strings(101, "Metal"), chunk(200, {intField(1), sub})})});
}

Bytes wsModifiers() {
  return chunk(
      140, {wordField(2), chunk(141, {head("Warp", "NULL"), gizmoModifier(100, 12, 0, 8, 300, 6)}),
            chunk(141, {head("Shake", "NULL"), noiseModifier(100)})});
}

// Every record kind the scene layout has, and unknown chunks (999 at the root, 3000 in the mesh,
// 100 of a texture layer) that must stay hex.
Bytes scene(float fov = 1.5f, float vertexX = 0) {
  return chunk(53454, {chunk(50, {wordField(100)}), ints(500, 1), ints(501, 7),
                       strings(502, "Demo"), chunk(100, {wordField(1), mesh(vertexX)}), shapes(),
                       lights(), cameras(fov), materials(), wsModifiers(),
                       chunk(150, {wordField(1), chunk(151, {head("Root", "NULL")})}),
                       chunk(999, {Bytes{1, 2, 3}})});
}

// Calls `visit` on every chunk object of a dumped document.
void forEachChunk(const Json& chunks, const std::function<void(const Json&)>& visit) {
  for (const Json& node : chunks) {
    visit(node);
    if (node.contains("children")) forEachChunk(node.at("children"), visit);
  }
}

// The first chunk reached through the identifiers `path` from the top.
const Json* findChunk(const Json& chunks, std::initializer_list<int> path) {
  const Json* pList = &chunks;
  const Json* pFound = nullptr;
  for (const int id : path) {
    pFound = nullptr;
    for (const Json& node : *pList)
      if (node.at("id") == id) {
        pFound = &node;
        break;
      }
    if (!pFound) return nullptr;
    if (pFound->contains("children")) pList = &(*pFound).at("children");
  }
  return pFound;
}

std::set<int> hexChunks(const Json& document) {
  std::set<int> ids;
  forEachChunk(document.at("chunks"), [&](const Json& node) {
    if (node.contains("hex")) ids.insert(node.at("id").get<int>());
  });
  return ids;
}

class L3xDumpTest : public ::testing::Test {
 protected:
  std::string path(const std::string& name) const { return (m_dir.path() / name).string(); }

  // dump FILE, build the dump: the same bytes. Returns the dump.
  Json roundTrip(const std::string& file) {
    SCOPED_TRACE(file);
    const auto dumped = run({"dump", file});
    EXPECT_EQ(dumped.code, 0) << dumped.err;
    writeText(file + ".json", dumped.out);
    const auto built = run({"build", file + ".json", "-o", file + ".copy"});
    EXPECT_EQ(built.code, 0) << built.err;
    EXPECT_EQ(readBytes(file + ".copy"), readBytes(file));
    return Json::parse(dumped.out);
  }

  TempDir m_dir;
};

TEST_F(L3xDumpTest, EveryRecordKindIsTypedAndBuildsBackPlainAndPacked) {
  const std::string plain = path("scene.l3x");
  writeText(
      plain, std::string(1, '\0') + [] {
        const Bytes bytes = scene();
        return std::string(bytes.begin(), bytes.end());
      }());
  const Json document = roundTrip(plain);
  EXPECT_EQ(document.at("format"), "l3x");
  EXPECT_EQ(hexChunks(document), (std::set<int>{100, 999, 3000}));
  const Json* pTextureV = findChunk(document.at("chunks"), {53454, 100, 101, 2200, 4, 1, 14});
  ASSERT_NE(pTextureV, nullptr);
  EXPECT_EQ((*pTextureV).at("v"), 0.5);
  EXPECT_EQ(findChunk(document.at("chunks"), {53454, 999})->at("hex"), "010203");

  // The same scene packed by showtool, dumped and built again.
  const std::string packed = path("packed.l3x");
  ASSERT_EQ(run({"build", plain + ".json", "-o", packed, "--pack"}).code, 0);
  ASSERT_NE(readBytes(packed).at(0), 0);
  const Json packedDocument = roundTrip(packed);
  EXPECT_EQ(packedDocument.at("packed"), true);
  EXPECT_EQ(packedDocument.at("chunks"), document.at("chunks"));
}

// The typed values come out as the layout says, whatever the chunk; spot checks of each kind of
// field.
TEST_F(L3xDumpTest, FieldsShowAsTheirKinds) {
  const std::string file = path("kinds.l3x");
  const Bytes bytes = chunk_bytes::plainFile(scene());
  writeText(file, std::string(bytes.begin(), bytes.end()));
  const Json chunks = roundTrip(file).at("chunks");
  const struct {
    std::initializer_list<int> path;
    const char* pField;
    Json expected;
  } cases[] = {
      {{53454, 50}, "animLength", 100},
      {{53454, 502}, "sceneName", "Demo"},
      {{53454, 100}, "count", 1},
      {{53454, 100, 101, 1, 3, 100, 102}, "pivot", {1, 2, 3}},
      {{53454, 100, 101, 1, 3, 100, 105}, "rotation", {{"angle", 0.5}, {"axis", {0, 1, 0}}}},
      {{53454, 100, 101, 1, 3, 200, 201, 1}, "trackType", 3},
      {{53454, 100, 101, 1, 3, 200, 201, 1, 1},
       "keys",
       Json::array({{{"time", 10},
                     {"value", {1, 2, 3}},
                     {"bias", 0.25},
                     {"continuity", 0},
                     {"tension", -0.5},
                     {"easeFrom", 0.125},
                     {"easeTo", 0}}})},
      {{53454, 100, 101, 1, 3, 200, 203, 1, 1},
       "keys",
       Json::array({{{"time", 5}, {"angle", 1}, {"axis", {0, 0, 1}}}})},
      {{53454, 100, 101, 501, 502}, "vertices", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}},
      {{53454, 100, 101, 501, 503}, "softSelection", {0, 0.5, 1}},
      {{53454, 100, 101, 501, 505}, "edges", {{0, 2}}},
      {{53454, 100, 101, 1000, 1001}, "faces", {{0, 1, 2}}},
      {{53454, 100, 101, 1000, 1003}, "subMaterials", {1}},
      {{53454, 100, 101, 2000, 2001}, "modifierType", 1},
      {{53454, 100, 101, 2000, 2001, 50, 100},
       "bones",
       Json::array(
           {{{"name", "Bone1"}, {"bind", {{10, 11, 12}, {13, 14, 15}, {16, 17, 18}, {19, 20, 21}}}},
            {{"name", "Bone2"},
             {"bind", {{20, 21, 22}, {23, 24, 25}, {26, 27, 28}, {29, 30, 31}}}}})},
      {{53454, 100, 101, 2000, 2001, 50, 200},
       "vertices",
       Json::array({Json::array({{{"weight", 0.25}, {"bone", 0}}, {{"weight", 0.75}, {"bone", 1}}}),
                    Json::array()})},
      {{53454, 100, 101, 2010, 2011, 2012}, "stackIndex", "1"},
      {{53454, 100, 101, 2050, 2051, 3}, "values", {0, 1}},
      {{53454, 102, 103}, "shapeKind", 1},
      {{53454, 110, 111, 100, 106}, "falloff", 0.6},
      {{53454, 120, 121, 200, 202, 1, 1},
       "keys",
       Json::array({{{"time", 0},
                     {"value", 0},
                     {"bias", 0},
                     {"continuity", 0},
                     {"tension", 0},
                     {"easeFrom", 0},
                     {"easeTo", 0}}})},
      {{53454, 130, 131, 200, 201, 2, 1, 19}, "colour3", {255, 128, 0}},
      {{53454, 130, 131, 200, 201, 5, 1, 23}, "values", {1, 2}},
      {{53454, 140, 141, 100}, "modifierType", 12},
      {{53454, 140, 141, 100, 50, 107}, "value7", 3.5},
  };
  for (const auto& item : cases) {
    const Json* pChunk = findChunk(chunks, item.path);
    ASSERT_NE(pChunk, nullptr) << item.pField;
    EXPECT_EQ(pChunk->value(item.pField, Json()), item.expected) << pChunk->dump();
  }
  // Bytes that the kind parameters of one shape kind use mean something else in another.
  const Json& shapeList = (*findChunk(chunks, {53454, 102})).at("children");
  EXPECT_EQ(shapeList.at(1).at("children").at(1).at("children").at(0).at("chunk"), "emitters");
  EXPECT_EQ(shapeList.at(2).at("children").at(1).at("children").at(0).at("value11"), 1);
}

// Bytes a field cannot hold as JSON (a non-finite float), or that do not fit its layout (a count
// beyond the bytes, half an entry), keep their chunk hex; the file still builds back the same.
TEST_F(L3xDumpTest, UndecodableChunksStayHex) {
  const float infinity = std::numeric_limits<float>::infinity();
  const Bytes wrong = chunk(
      53454, {chunk(100, {wordField(1),
                          chunk(101, {chunk(501, {chunk(502, {wordField(5), pointField(1, 2, 3)}),
                                                  chunk(503, {floatField(1), Bytes{0, 0}})}),
                                      chunk(1000, {chunk(1003, {wordField(1), Bytes{7}})})})}),
              cameras(infinity), chunk(50, {Bytes{}})});
  const std::string file = path("wrong.l3x");
  const Bytes bytes = chunk_bytes::plainFile(wrong);
  writeText(file, std::string(bytes.begin(), bytes.end()));
  const Json document = roundTrip(file);
  EXPECT_EQ(hexChunks(document), (std::set<int>{50, 101, 502, 503, 1003}));
  const Json* pFov = findChunk(document.at("chunks"), {53454, 120, 121, 100, 101});
  EXPECT_EQ(pFov->at("hex"), "0000807f");
}

// Edited values build into the bytes the layout gives them.
TEST_F(L3xDumpTest, EditedFieldsBuildToTheirBytes) {
  const std::string file = path("edit.l3x");
  const Bytes bytes = chunk_bytes::plainFile(scene());
  writeText(file, std::string(bytes.begin(), bytes.end()));
  Json document = roundTrip(file);
  Json& root = document.at("chunks")[0]["children"];
  for (Json& list : root) {
    if (list.at("id") == 120) list.at("children")[0]["children"][2]["children"][0]["fov"] = 0.75;
    if (list.at("id") == 100)
      list.at("children")[0]["children"][2]["children"][0]["vertices"][0][0] = -2.5;
  }
  const std::string json = path("edited.json");
  writeText(json, document.dump());
  const std::string out = path("edited.l3x");
  ASSERT_EQ(run({"build", json, "-o", out}).code, 0);
  EXPECT_EQ(readBytes(out), chunk_bytes::plainFile(scene(0.75f, -2.5f)));
}

TEST_F(L3xDumpTest, JsonThatDoesNotFitTheLayoutNamesThePath) {
  const std::string json = path("bad.json");
  const std::string out = path("bad.l3x");
  const std::pair<std::string, std::string> cases[] = {
      {R"([{"id": 502, "vertices": [[1, 2]]}])",
       "$.chunks[0].children[0].children[0].children[0].children[0].vertices[0]: "
       "expected an array of 3"},
      {R"([{"id": 502, "vertices": [[1, 2, "x"]]}])",
       "$.chunks[0].children[0].children[0].children[0].children[0].vertices[0][2]: "
       "expected a number"},
      {R"([{"id": 503, "softSelection": 1}])",
       "$.chunks[0].children[0].children[0].children[0].children[0].softSelection: "
       "expected an array"},
      {R"([{"id": 502, "vertices": [[1, 2, 3]], "extra": 1}])",
       "$.chunks[0].children[0].children[0].children[0].children[0].extra: unknown field"},
  };
  auto build = [&](const std::string& geometry) {
    writeText(json, R"({"format": "l3x", "chunks": [{"id": 53454, "children": [{"id": 100,
        "count": 1, "children": [{"id": 101, "children": [{"id": 501, "children": )" +
                        geometry + "}]}]}]}]}");
    return run({"build", json, "-o", out});
  };
  for (const auto& [geometry, what] : cases) {
    const auto result = build(geometry);
    EXPECT_EQ(result.code, 1);
    EXPECT_EQ(result.err, "showtool: " + json + ": " + what + "\n");
  }
  // 65536 vertices do not fit the word count.
  std::string many = R"([{"id": 502, "vertices": [[0, 0, 0])";
  for (int i = 1; i < 65536; ++i)
    many += ", [0, 0, 0]";
  EXPECT_EQ(build(many + "]}]").err,
            "showtool: " + json +
                ": $.chunks[0].children[0].children[0].children[0].children[0].vertices: more "
                "than 65535 entries\n");
}

}  // namespace
