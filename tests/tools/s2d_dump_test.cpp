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
using namespace show_tool_runner;

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

class S2dDumpTest : public ::testing::Test {
 protected:
  std::string path(const std::string& name) const { return (m_dir.path() / name).string(); }

  std::string writeScene(const std::string& name, const Bytes& chunks) {
    const Bytes bytes = chunk_bytes::plainFile(chunks);
    writeText(path(name), std::string(bytes.begin(), bytes.end()));
    return path(name);
  }

  // dump, build, compare; the dump.
  static Json roundTripOf(const std::string& file) { return Json::parse(roundTrip(file)); }

  TempDir m_dir;
};

TEST_F(S2dDumpTest, EveryChunkIsTypedAndBuildsBackPlainAndPacked) {
  // The extension picks the format whatever its case.
  const std::string plain = writeScene("scene.S2d", scene());
  const Json document = roundTripOf(plain);
  EXPECT_EQ(document.at("format"), "s2d");
  std::vector<int> hex;
  forEachChunk(document.at("chunks"), [&](const Json& node) {
    if (node.contains("hex")) hex.push_back(node.at("id").get<int>());
  });
  EXPECT_EQ(hex, std::vector<int>{99});

  const std::string packed = path("packed.s2d");
  ASSERT_EQ(run({"build", plain + ".json", "-o", packed, "--pack"}).code, 0);
  ASSERT_NE(readBytes(packed).at(0), 0);
  const Json packedDocument = roundTripOf(packed);
  EXPECT_EQ(packedDocument.at("packed"), true);
  EXPECT_EQ(packedDocument.at("chunks"), document.at("chunks"));
}

TEST_F(S2dDumpTest, FieldsReadAsTheLayoutNamesThem) {
  const Json root = roundTripOf(writeScene("fields.s2d", scene())).at("chunks")[0];
  const Json glow = {{"name", "glow"}, {"mixMode", 2},       {"picture", "spark.bmp"},
                     {"filter", 1},    {"alphaMap", "NULL"}, {"unused", 7}};
  const Json film = {{"name", "film"}, {"mixMode", 0},           {"picture", "clip.avi"},
                     {"filter", 0},    {"alphaMap", "mask.tga"}, {"unused", 7}};
  const struct {
    std::initializer_list<int> path;
    const char* pField;
    Json expected;
  } cases[] = {
      {{}, "objects", Json::array({{{"materialIndex", 1}}, {{"materialIndex", 0}}})},
      {{}, "materials", Json::array({glow, film})},
      {{10, 1, 1},
       "keys",
       Json::array({{{"time", 0}, {"value", 90}}, {{"time", 60}, {"value", 45}}})},
      {{40, 41, 2}, "chunk", "targetHead"},
      {{99}, "hex", "010203"},
  };
  for (const auto& item : cases) {
    const Json& chunk = descend(root, item.path);
    EXPECT_EQ(chunk.value(item.pField, Json()), item.expected) << item.pField << chunk.dump();
  }
  // The second opacity track keeps its own keys.
  EXPECT_EQ(root["children"][3]["children"][0]["children"][0]["keys"],
            Json::array({{{"time", 15}, {"value", 0.5}}}));
}

TEST_F(S2dDumpTest, EditedFieldsBuildToTheirBytes) {
  Json document = roundTripOf(writeScene("edit.s2d", scene()));
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
