#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "base/chunk_file.h"
#include "base/report.h"
#include "control/lcx_controller_keyframer.h"
#include "control/lcx_controller_manager.h"
#include "control/lcx_controller_noise.h"
#include "control/lecx_controller.h"
#include "control/lecx_controller_manager.h"
#include "tests/support/temp_dir.h"
#include "tests/tools/show_tool_runner.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using namespace show_tool_runner;

// Plain only: packing is checked on the .lecx kinds below.
void saveLcx(LCXControllerManager& manager, const std::string& stem, const TempDir& dir) {
  const std::string file = (dir.path() / (stem + ".lcx")).string();
  ASSERT_TRUE(manager.save(StringC(file.c_str()), ChunkFile::kPlain));
  roundTrip(file);
  roundTrip(file, true);
}

TEST(ShowToolRoundTrip, EveryLcxKind) {
  TempDir dir;
  LCXControllerManager manager;
  for (const int type : {1, 2, 4}) {
    ASSERT_NE(manager.createController(type), nullptr);
    if (type == 4) {
      auto* pNoise = static_cast<LCXControllerNoise*>(manager.getController());
      pNoise->setSeed(-7);
      pNoise->setFractal(true);
      pNoise->setFrequency(0.1f);
    }
    saveLcx(manager, "kind" + std::to_string(type) + "_", dir);
  }
  const LCXPointList points{{0.0f, 0.0f, 1, 1, 0, 0, 0, 0},
                            {12.7f, -3.25f, 5, 5, 0.5f, 4.0f, -0.5f, 3.0f},
                            {900.0f, 1e-7f, 2, 3, 0, 0, 0, 0}};
  for (int model = 0; model < 3; ++model) {
    auto* pKeys = static_cast<LCXControllerKeyFramer*>(manager.createController(3));
    pKeys->createBeatPosition(&points);
    if (model == 0) pKeys->createInterpolationModelLinear(&points);
    if (model == 1) pKeys->createInterpolationModelHermite(&points);
    if (model == 2) pKeys->createInterpolationModelBezier(&points);
    pKeys->setAccumulate(model);
    saveLcx(manager, "keys" + std::to_string(model) + "_", dir);
  }
  // A keyframer without a track has no chunk 11.
  manager.createController(3);
  saveLcx(manager, "empty_", dir);
}

TEST(ShowToolRoundTrip, EveryLecxKindPlainAndPacked) {
  TempDir dir;
  LECXControllerManager manager;
  for (const int type : {1, 2, 3, 4}) {
    LECXController* pController = manager.createController(type);
    ASSERT_NE(pController, nullptr);
    // Scene controllers (type 2) name their parameters in the scene's words.
    const bool scene = type == 2;
    pController->addParam({scene ? "NODE Box01 POSX" : "Red", "0.5 * time2 + beat", 0});
    pController->addParam(
        {scene ? "MTL \xc3\xa9t\xc3\xa9 0 POLYOPACITY" : "\xc3\xa9t\xc3\xa9", "sin(time1)", -3});
    for (const std::uint8_t flag : {ChunkFile::kPlain, ChunkFile::kPacked}) {
      const std::string file =
          (dir.path() / ("k" + std::to_string(type) + std::to_string(flag) + ".LECX")).string();
      ASSERT_TRUE(manager.save(StringC(file.c_str()), flag));
      const std::string json = roundTrip(file);
      EXPECT_TRUE(contains(json, flag ? "\"packed\": true" : "\"packed\": false"));
      EXPECT_TRUE(contains(json, "\"formula\": \"0.5 * time2 + beat\""));
      EXPECT_EQ(contains(json, "\"kind\": \"effect-colour\""), type == 1);
    }
  }
  // A name that is not UTF-8 cannot be JSON text: its chunk stays hex.
  manager.createController(3)->addParam({"\xff\xfe", "1", 0});
  const std::string latin = (dir.path() / "latin.lecx").string();
  ASSERT_TRUE(manager.save(StringC(latin.c_str())));
  EXPECT_TRUE(contains(roundTrip(latin), "\"hex\": \"fffe00\""));
}

// Scene controllers name their parameters in the scene's words; building refuses a misspelt
// keyword or property with the valid words, and writes nothing.
TEST(ShowToolErrors, SceneParameterWordsAreChecked) {
  TempDir dir;
  const std::string json = (dir.path() / "scene.json").string();
  const std::string out = (dir.path() / "scene.lecx").string();
  const auto document = [](int type, const std::string& name) {
    return R"({"format": "lecx", "chunks": [{"id": 10, "children": [{"id": 12, "type": )" +
           std::to_string(type) +
           R"(, "children": [{"id": 100, "children": [{"id": 101, "count": 1, "children": [
           {"id": 102, "children": [{"id": 1, "name": ")" +
           name + R"("}, {"id": 2, "formula": "1"}, {"id": 3, "mode": 0}]}]}]}]}]}]})";
  };
  const std::string at = "$.chunks[0].children[0].children[0].children[0].children[0]";
  const std::vector<std::pair<std::string, std::string>> refused{
      {"MODIFIERSKEW Box01 AMOUNT",
       at + ".children[0].name: unknown keyword \"MODIFIERSKEW\" (valid keywords: SCENE, NODE, "
            "TRIOBJECT, SHAPE, CAMERA, LIGHT, MTL, WSMODIFIER, MODIFIERGIZMO, MODIFIERTAPE, "
            "MODIFIERSPHERY, MODIFIERSTRETCH, MODIFIERWAVE, MODIFIERTWIST, MODIFIERTSKEW, "
            "MODIFIERTNOISE, MODIFIERTMELT, MODIFIERTBEND)"},
      {"CAMERA Cam01 ZOOM", at + ".children[0].name: unknown property \"ZOOM\" for CAMERA (valid "
                                 "properties: MAINANIM, ROLL, FOV)"},
      {"MTL paint x POLYOPACITY", at + ".children[0].name: index \"x\" is not a number"},
      {"NODE Box01", at + ".children[0].name: missing words: NODE NAME PROPERTY expected"},
  };
  for (const auto& [name, what] : refused) {
    writeText(json, document(2, name));
    const Outcome result = run({"build", json, "-o", out});
    EXPECT_EQ(result.code, 1) << name;
    EXPECT_EQ(result.err, "showtool: " + json + ": " + what + "\n");
    EXPECT_FALSE(std::filesystem::exists(out)) << name;
  }
  // Right words build; other kinds' names are not scene words.
  for (const auto& [type, name] : {std::pair{2, std::string("MTL paint 3 LINEOPACITY")},
                                   std::pair{1, std::string("CAMERA Cam01 ZOOM")}}) {
    writeText(json, document(type, name));
    EXPECT_EQ(run({"build", json, "-o", out}).code, 0) << name;
  }
}

// Chunks the typed view cannot decode (wrong counts, missing fields, infinite floats, unknown
// identifiers, bytes after the top chunk) stay hex and still build back the same bytes; so do the
// same bytes under a name that is no controller.
TEST(ShowToolRoundTrip, UndecodableChunksStayHex) {
  TempDir dir;
  // Top chunk 1 (50 bytes) holding controller 2 (44 bytes) of type 3, then 3 trailing bytes.
  const Bytes odd{
      0,    1,    0,  0x32, 0, 0, 0,    2,    0, 0x2c, 0, 0, 0,    3,    0, 0, 0,  //
      10,   0,    14, 0,    0, 0, 9,    0,    0, 0,    0, 0, 0x80, 0x7f,  // 9 beats, 1 there
      12,   0,    6,  0,    0, 0,                                         // accumulate, no int
      0x34, 0x12, 8,  0,    0, 0, 0xff, 0xfe,                             // unknown chunk
      11,   0,    6,  0,    0, 0,                                         // empty track list
      1,    2,    3};
  const std::string lcx = (dir.path() / "odd.lcx").string();
  writeText(lcx, std::string(odd.begin(), odd.end()));
  const std::string json = roundTrip(lcx);
  EXPECT_TRUE(contains(json, "\"hex\": \"090000000000807f\""));
  EXPECT_TRUE(contains(json, "\"trailing\": \"010203\""));
  const std::string other = (dir.path() / "odd.bin").string();
  writeText(other, std::string(odd.begin(), odd.end()));
  EXPECT_TRUE(contains(roundTrip(other), "\"format\": \"chunks\""));
}

TEST(ShowToolErrors, FilesThatCannotBeReadOrWritten) {
  TempDir dir;
  const std::string in = (dir.path() / "in.lcx").string();
  {
    ReportCapture capture;
    const Outcome result = run({"dump", in});
    EXPECT_EQ(result.code, 1);
    EXPECT_EQ(result.err, "showtool: cannot read " + in + "\n");
  }
  const std::string json = (dir.path() / "none.json").string();
  EXPECT_EQ(run({"build", json, "-o", in}).err, "showtool: cannot read " + json + "\n");
  writeText(json, R"({"format": "lcx", "chunks": []})");
  ReportCapture capture;  // the writer's own report, checked in the chunk file tests
  const std::string out = (dir.path() / "no" / "out.lcx").string();
  const Outcome result = run({"build", json, "-o", out});
  EXPECT_EQ(result.code, 1);
  EXPECT_EQ(result.err, "showtool: cannot write " + out + "\n");
}

TEST(ShowToolErrors, JsonThatDoesNotMatchTheModelNamesThePath) {
  TempDir dir;
  const std::string json = (dir.path() / "bad.json").string();
  const std::string out = (dir.path() / "out.lcx").string();
  const std::vector<std::pair<std::string, std::string>> cases{
      {R"({"format": "lcx", "chunks": [{"id": 1, "children": [{"id": 2, "type": "x"}]}]})",
       "$.chunks[0].children[0].type: expected an integer"},
      {R"({"format": "lcx", "chunks": [{"id": 70000}]})",
       "$.chunks[0].id: out of range 0 to 65535"},
      {R"({"format": "lcx", "chunks": [{"id": 1, "hex": "abc"}]})",
       "$.chunks[0].hex: odd number of hex digits"},
      {R"({"format": "lcx", "chunks": [{"id": 1, "children": [{"id": 2, "type": 3,
          "children": [{"id": 10, "beats": [1e300]}]}]}]})",
       "$.chunks[0].children[0].children[0].beats[0]: not a finite float"},
      {R"({"format": "lecx", "chunks": [{"id": 5, "seed": 1}]})",
       "$.chunks[0].seed: unknown field"},
      {R"({"format": "xml", "chunks": []})",
       R"($.format: expected "lcx", "lecx", "l3x", "s2d" or "chunks")"},
      {R"({"format": "lcx", "packed": 1, "chunks": []})", "$.packed: expected true or false"},
      {R"({"format": "lcx"})", "$.chunks: missing"},
  };
  for (const auto& [text, what] : cases) {
    writeText(json, text);
    const Outcome result = run({"build", json, "-o", out});
    EXPECT_EQ(result.code, 1);
    EXPECT_EQ(result.err, "showtool: " + json + ": " + what + "\n") << text;
  }
  writeText(json, "{\"format\": ");
  const Outcome syntax = run({"build", json, "-o", out});
  EXPECT_EQ(syntax.code, 1);
  EXPECT_EQ(syntax.err.rfind("showtool: " + json + ": [json.exception.parse_error", 0), 0u)
      << syntax.err;
}

TEST(ShowToolErrors, UsageErrorsExitWithTwoAndHelp) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{}, "no command"},
      {{"dump", "a", "b"}, "dump takes one file"},
      {{"build", "a.json"}, "build takes one JSON file and -o OUT"},
      {{"build", "a.json", "-o", "x", "-o", "y"}, "-o needs one file name"},
      {{"dump", "a", "--pack"}, "unknown option --pack"},
      {{"frobnicate", "a"}, "unknown command frobnicate"}};
  const Outcome help = run({"--help"});
  EXPECT_EQ(help.code, 0);
  EXPECT_EQ(help.out.rfind("usage: showtool dump FILE", 0), 0u);
  for (const auto& [args, what] : cases) {
    const Outcome result = run(args);
    EXPECT_EQ(result.code, 2);
    EXPECT_EQ(result.err, "showtool: " + what + "\n" + help.out);
  }
}

}  // namespace
