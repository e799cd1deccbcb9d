// showtool dump and build of .l3x scenes: a scene written byte by byte from the layout, with every
// record kind, must show every chunk it knows with named fields and build back to the same bytes.

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/s3d/l3x_bytes.h"
#include "tests/s3d/l3x_every_record.h"
#include "tests/support/temp_dir.h"
#include "tests/tools/show_tool_runner.h"

namespace {

using namespace l3x;
using namespace show_tool_runner;

std::set<int> hexChunks(const Json& document) {
  std::set<int> ids;
  forEachChunk(document.at("chunks"), [&](const Json& node) {
    if (node.contains("hex")) ids.insert(node.at("id").get<int>());
  });
  return ids;
}

const Json& nth(const Json& chunk, std::size_t index) {
  return childrenOf(chunk).at(index);
}

class L3xDumpTest : public ::testing::Test {
 protected:
  std::string path(const std::string& name) const { return (m_dir.path() / name).string(); }
  // Writes the chunks as a plain file; dump, build, compare. Returns the dump.
  Json roundTripOf(const Bytes& chunks, const std::string& name) {
    const Bytes file = chunk_bytes::plainFile(chunks);
    writeText(path(name), std::string(file.begin(), file.end()));
    return Json::parse(roundTrip(path(name)));
  }

  TempDir m_dir;
};

// The texture layer's chunk 100, chunks 999 and 3000 and the track under map track holder 113 are
// not in the layout: they stay hex.
TEST_F(L3xDumpTest, EveryRecordKindIsTypedAndBuildsBackPlainAndPacked) {
  const Json document = roundTripOf(every_record::rootChunk(), "scene.l3x");
  EXPECT_EQ(document.at("format"), "l3x");
  EXPECT_EQ(hexChunks(document), (std::set<int>{1, 100, 999, 3000}));
  EXPECT_EQ(descend(document.at("chunks")[0], {999}).at("hex"), "010203");

  // The same scene packed by showtool, dumped and built again.
  const std::string packed = path("packed.l3x");
  ASSERT_EQ(run({"build", path("scene.l3x.json"), "-o", packed, "--pack"}).code, 0);
  ASSERT_NE(readBytes(packed).at(0), 0);
  const Json packedDocument = Json::parse(roundTrip(packed));
  EXPECT_EQ(packedDocument.at("packed"), true);
  EXPECT_EQ(packedDocument.at("chunks"), document.at("chunks"));
}

// The fields whose bytes mean more than one number: angle and axis, key records, bind matrices,
// weight lists. Floats show as the shortest text that reads back as the same float.
TEST_F(L3xDumpTest, FieldsShowAsTheirKinds) {
  const Json scene = roundTripOf(every_record::rootChunk(), "kinds.l3x").at("chunks")[0];
  const Json& box = descend(scene, {100, 101});
  const Json& stack = descend(box, {2000});
  const auto tcb = [](Json key) {
    key.update(
        {{"bias", 0.25}, {"continuity", 0}, {"tension", -0.5}, {"easeFrom", 0.125}, {"easeTo", 0}});
    return key;
  };
  const Json identity = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0, 0, 0}};
  const struct {
    const Json& chunk;
    const char* pField;
    Json expected;
  } cases[] = {
      {descend(box, {1, 3, 100, 105}), "rotation", {{"angle", 1.5707964}, {"axis", {0, 0, 2}}}},
      {descend(box, {1, 3, 200, 201, 1, 1}),
       "keys",
       {tcb({{"time", 0}, {"value", {0, 0, 0}}}), tcb({{"time", 30}, {"value", {30, 60, -90}}})}},
      {descend(scene, {150, 151, 1, 3, 200, 203, 1, 1}),
       "keys",
       {tcb({{"time", 5}, {"angle", 7}, {"axis", {1, 0, 0}}})}},
      {descend(nth(stack, 3), {50, 100}),
       "bones",
       {{{"name", "bone1"}, {"bind", {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0, 2, 0}}}},
        {{"name", "bone2"}, {"bind", identity}}}},
      {descend(nth(stack, 3), {50, 200}), "vertices",
       Json::array({Json::array({{{"weight", 1}, {"bone", 0}}}),
                    Json::array({{{"weight", 0.5}, {"bone", 0}}, {{"weight", 0.5}, {"bone", 1}}}),
                    Json::array(), Json::array({{{"weight", 0.25}, {"bone", 1}}})})},
      {descend(nth(stack, 4), {50, 100, 101, 250, 301, 1, 1}),
       "keys",
       {{{"time", 0},
         {"value", 0.75},
         {"inSlope", 1},
         {"inLength", 2},
         {"inType", 3},
         {"outSlope", 4},
         {"outLength", 5},
         {"outType", 1}}}},
      {descend(nth(descend(scene, {110}), 1), {100, 106}), "falloff", 0.6},
  };
  for (const auto& item : cases)
    EXPECT_EQ(item.chunk.value(item.pField, Json()), item.expected)
        << item.pField << " in " << item.chunk.dump();
  // Bytes that the kind parameters of one shape kind use mean something else in another.
  EXPECT_EQ(nth(descend(nth(descend(scene, {102}), 1), {10}), 0).at("chunk"), "emitters");
  EXPECT_EQ(nth(descend(nth(descend(scene, {102}), 2), {10}), 0).at("value11"), 0.5);
}

// Bytes a field cannot hold as JSON (a non-finite float), or that do not fit its layout (a count
// beyond the bytes), keep their chunk hex; the file still builds back the same.
TEST_F(L3xDumpTest, UndecodableChunksStayHex) {
  const Bytes wrong =
      root({meshes({mesh({geometry({node(502, field(std::uint16_t{5}) + field(Xyz{1, 2, 3}))})})}),
            cameras({block(
                121, {block(100, {floatChunk(101, std::numeric_limits<float>::infinity())})})})});
  const Json document = roundTripOf(wrong, "wrong.l3x");
  EXPECT_EQ(hexChunks(document), (std::set<int>{101, 502}));
  EXPECT_EQ(descend(document.at("chunks")[0], {120, 121, 100, 101}).at("hex"), "0000807f");
}

// Edited values build into the bytes the layout gives them.
TEST_F(L3xDumpTest, EditedFieldsBuildToTheirBytes) {
  Json document = roundTripOf(every_record::rootChunk(), "edit.l3x");
  for (Json& list : document.at("chunks")[0]["children"]) {
    if (list.at("id") == 120) list.at("children")[0]["children"][2]["children"][0]["fov"] = 0.75;
    if (list.at("id") == 100)
      list.at("children")[0]["children"][2]["children"][0]["vertices"][0][0] = -2.5;
  }
  writeText(path("edited.json"), document.dump());
  ASSERT_EQ(run({"build", path("edited.json"), "-o", path("edited.l3x")}).code, 0);
  EXPECT_EQ(readBytes(path("edited.l3x")),
            chunk_bytes::plainFile(every_record::rootChunk(false, 0.75f, -2.5f)));
}

TEST_F(L3xDumpTest, JsonThatDoesNotFitTheLayoutNamesThePath) {
  const std::string json = path("bad.json");
  const auto build = [&](const std::string& geometry) {
    writeText(json, R"({"format": "l3x", "chunks": [{"id": 53454, "children": [{"id": 100,
        "count": 1, "children": [{"id": 101, "children": [{"id": 501, "children": )" +
                        geometry + "}]}]}]}]}");
    return run({"build", json, "-o", path("bad.l3x")});
  };
  const std::string at = "$.chunks[0].children[0].children[0].children[0].children[0].";
  // 65536 vertices do not fit the word count.
  std::string many = R"([{"id": 502, "vertices": [[0, 0, 0])";
  for (int i = 1; i < 65536; ++i)
    many += ", [0, 0, 0]";
  const std::pair<std::string, std::string> cases[] = {
      {R"([{"id": 502, "vertices": [[1, 2]]}])", "vertices[0]: expected an array of 3"},
      {R"([{"id": 502, "vertices": [[1, 2, "x"]]}])", "vertices[0][2]: expected a number"},
      {R"([{"id": 503, "softSelection": 1}])", "softSelection: expected an array"},
      {R"([{"id": 502, "vertices": [[1, 2, 3]], "extra": 1}])", "extra: unknown field"},
      {many + "]}]", "vertices: more than 65535 entries"},
  };
  for (const auto& [geometry, what] : cases) {
    const Outcome result = build(geometry);
    EXPECT_EQ(result.code, 1);
    EXPECT_EQ(result.err, "showtool: " + json + ": " + at + what + "\n");
  }
}

}  // namespace
