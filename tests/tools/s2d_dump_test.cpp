// showtool dump and build of 2D scene files (.s2d): a scene written byte by byte here, with both
// optional head blocks, shows every chunk with named fields and builds back to the same bytes.

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/s3d/l3x_bytes.h"
#include "tests/support/temp_dir.h"
#include "tests/tools/show_tool_runner.h"

namespace {

using l3x::Bytes;
using l3x::Head;
using l3x::Xyz;
using chunk_bytes::operator+;
using chunk_bytes::stringField;
using show_tool_runner::readBytes;
using show_tool_runner::run;
using show_tool_runner::writeText;
using Json = nlohmann::ordered_json;

constexpr std::uint16_t kRootId = 0x2D2D;

Bytes material(const char* pName, std::uint8_t mode, const char* pPicture, std::uint8_t filter,
               const char* pAlphaMap) {
  return stringField(pName) + l3x::byteField(mode) + stringField(pPicture) +
         l3x::byteField(filter) + stringField(pAlphaMap) + l3x::byteField(7);
}

// Two objects (material indices 1 and `secondIndex`), one camera, two materials (the first of
// mix mode `mode`), the head blocks, and an unknown chunk 99 that stays hex.
Bytes scene(std::uint8_t mode = 2, std::uint16_t secondIndex = 0) {
  const Bytes fields = l3x::wordField(90) + l3x::wordField(2) + l3x::wordField(1) +
                       l3x::wordField(secondIndex) + l3x::wordField(1) + l3x::wordField(2) +
                       material("glow", mode, "spark.bmp", 1, "NULL") +
                       material("film", 0, "clip.avi", 0, "mask.tga");
  const Head sprite{.name = "sprite",
                    .parent = "rig",
                    .pivot = Xyz{0.5f, 0.25f, 0},
                    .position = Xyz{1, 2, 3},
                    .rotation = l3x::AngleAxis{0.5f, {0, 0, 1}},
                    .positionKeys = {{0, Xyz{0, 0, 0}}, {30, Xyz{4, 0, 0}}}};
  const Bytes heads =
      l3x::node(30, {}, {l3x::head(sprite), l3x::head({.name = "rig", .scale = Xyz{2, 2, 1}})});
  const Bytes cameraHeads =
      l3x::node(40, {},
                {l3x::node(41, {},
                           {l3x::head({.name = "eye", .position = Xyz{0, 0, -64}}),
                            l3x::head({.name = "eye.Target"}, 2)})});
  return l3x::node(kRootId, fields,
                   {l3x::floatTrack(10, {{0, 90.0f}, {60, 45.0f}}), l3x::floatTrack(11, {{0, 0}}),
                    l3x::floatTrack(20, {{0, 1.0f}}), l3x::floatTrack(20, {{15, 0.5f}}), heads,
                    cameraHeads, l3x::node(99, Bytes{1, 2, 3})},
                   l3x::Order::kFixed);
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
    if (pFound->contains("children")) pList = &pFound->at("children");
  }
  return pFound;
}

class S2dDumpTest : public ::testing::Test {
 protected:
  std::string path(const std::string& name) const { return (m_dir.path() / name).string(); }

  std::string writeScene(const std::string& name, const Bytes& chunks) {
    const Bytes bytes = chunk_bytes::plainFile(chunks);
    writeText(path(name), std::string(bytes.begin(), bytes.end()));
    return path(name);
  }

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

TEST_F(S2dDumpTest, EveryChunkIsTypedAndBuildsBackPlainAndPacked) {
  // The extension picks the format whatever its case.
  const std::string plain = writeScene("scene.S2d", scene());
  const Json document = roundTrip(plain);
  EXPECT_EQ(document.at("format"), "s2d");
  std::vector<int> hex;
  const auto visit = [&](const Json& chunks, const auto& self) -> void {
    for (const Json& node : chunks) {
      if (node.contains("hex")) hex.push_back(node.at("id").get<int>());
      if (node.contains("children")) self(node.at("children"), self);
    }
  };
  visit(document.at("chunks"), visit);
  EXPECT_EQ(hex, std::vector<int>{99});

  const std::string packed = path("packed.s2d");
  ASSERT_EQ(run({"build", plain + ".json", "-o", packed, "--pack"}).code, 0);
  ASSERT_NE(readBytes(packed).at(0), 0);
  const Json packedDocument = roundTrip(packed);
  EXPECT_EQ(packedDocument.at("packed"), true);
  EXPECT_EQ(packedDocument.at("chunks"), document.at("chunks"));
}

TEST_F(S2dDumpTest, FieldsReadAsTheLayoutNamesThem) {
  const Json chunks = roundTrip(writeScene("fields.s2d", scene())).at("chunks");
  const Json glow = {{"name", "glow"}, {"mixMode", 2},       {"picture", "spark.bmp"},
                     {"filter", 1},    {"alphaMap", "NULL"}, {"unused", 7}};
  const Json film = {{"name", "film"}, {"mixMode", 0},           {"picture", "clip.avi"},
                     {"filter", 0},    {"alphaMap", "mask.tga"}, {"unused", 7}};
  const struct {
    std::initializer_list<int> path;
    const char* pField;
    Json expected;
  } cases[] = {
      {{kRootId}, "chunk", "s2dScene"},
      {{kRootId}, "animLength", 90},
      {{kRootId}, "objects", Json::array({{{"materialIndex", 1}}, {{"materialIndex", 0}}})},
      {{kRootId}, "cameraCount", 1},
      {{kRootId}, "materials", Json::array({glow, film})},
      {{kRootId, 10}, "chunk", "fovTrack"},
      {{kRootId, 10, 1}, "trackType", 1},
      {{kRootId, 10, 1, 1},
       "keys",
       Json::array({{{"time", 0}, {"value", 90}}, {{"time", 60}, {"value", 45}}})},
      {{kRootId, 11}, "chunk", "rollTrack"},
      {{kRootId, 20}, "chunk", "opacityTrack"},
      {{kRootId, 30}, "chunk", "objectHeads"},
      {{kRootId, 30, 1}, "chunk", "head"},
      {{kRootId, 30, 1, 1}, "name", "sprite"},
      {{kRootId, 30, 1, 2}, "parentName", "rig"},
      {{kRootId, 30, 1, 3, 100, 102}, "pivot", {0.5, 0.25, 0}},
      {{kRootId, 30, 1, 3, 100, 105}, "rotation", {{"angle", 0.5}, {"axis", {0, 0, 1}}}},
      {{kRootId, 30, 1, 3, 200, 201, 1, 1},
       "keys",
       Json::array({{{"time", 0}, {"value", {0, 0, 0}}}, {{"time", 30}, {"value", {4, 0, 0}}}})},
      {{kRootId, 40}, "chunk", "cameraHeads"},
      {{kRootId, 40, 41}, "chunk", "camera"},
      {{kRootId, 40, 41, 1, 3, 100, 103}, "position", {0, 0, -64}},
      {{kRootId, 40, 41, 2}, "chunk", "targetHead"},
      {{kRootId, 99}, "hex", "010203"},
  };
  for (const auto& item : cases) {
    const Json* pChunk = findChunk(chunks, item.path);
    ASSERT_NE(pChunk, nullptr) << item.pField;
    EXPECT_EQ(pChunk->value(item.pField, Json()), item.expected) << pChunk->dump();
  }
  // The second opacity track keeps its own keys.
  EXPECT_EQ(chunks[0]["children"][3]["children"][0]["children"][0]["keys"],
            Json::array({{{"time", 15}, {"value", 0.5}}}));
}

TEST_F(S2dDumpTest, EditedFieldsBuildToTheirBytes) {
  Json document = roundTrip(writeScene("edit.s2d", scene()));
  Json& root = document.at("chunks")[0];
  root["materials"][0]["mixMode"] = 1;
  root["objects"][1]["materialIndex"] = 65535;
  const std::string json = path("edited.json");
  writeText(json, document.dump());
  ASSERT_EQ(run({"build", json, "-o", path("edited.s2d")}).code, 0);
  EXPECT_EQ(readBytes(path("edited.s2d")), chunk_bytes::plainFile(scene(1, 65535)));

  // A material record missing a field is refused with its path.
  root["materials"][1].erase("alphaMap");
  writeText(json, document.dump());
  const auto refused = run({"build", json, "-o", path("refused.s2d")});
  EXPECT_EQ(refused.code, 1);
  EXPECT_EQ(refused.err, "showtool: " + json + ": $.chunks[0].materials[1].alphaMap: missing\n");
}

}  // namespace
