// showtool import: the test models (tests/tools/models, made by make_models.py and by hand) are
// imported and the scene read back through showtool dump, field by field. Every expected value is
// worked out here from the model text: the axis conversion negates z, a rotation about the z axis
// turns the other way round it, the frames are 30 a second.

#include <gtest/gtest.h>

#include <assimp/material.h>

#include <cmath>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/support/temp_dir.h"
#include "tests/tools/show_tool_runner.h"
#include "tools/model_import_p.h"

namespace {

using show_tool_runner::readBytes;
using show_tool_runner::run;
using Json = nlohmann::ordered_json;

const double kPi = 3.14159265358979323846;
const double kRoot2 = std::sqrt(2.0);
// Floats written from double arithmetic: a few units of the last place.
constexpr double kTolerance = 2e-6;

std::string model(const std::string& name) {
  return std::string(SHOWPLAYER_SOURCE_DIR) + "/tests/tools/models/" + name;
}

// The first child chunk `id` of `chunk`; an empty object when there is none.
const Json& child(const Json& chunk, int id) {
  static const Json kNone = Json::object();
  if (chunk.contains("children"))
    for (const Json& node : chunk["children"])
      if (node.at("id") == id) return node;
  return kNone;
}

const Json& path(const Json& chunk, std::initializer_list<int> ids) {
  const Json* pChunk = &chunk;
  for (const int id : ids)
    pChunk = &child(*pChunk, id);
  return *pChunk;
}

// The record of list `listId` whose head (child 1) is named `name`.
const Json& record(const Json& root, int listId, const std::string& name) {
  static const Json kNone = Json::object();
  const Json& list = child(root, listId);
  if (list.contains("children"))
    for (const Json& item : list.at("children"))
      if (path(item, {1, 1}).value("name", "") == name) return item;
  ADD_FAILURE() << "no record " << name << " in list " << listId;
  return kNone;
}

std::vector<std::string> names(const Json& root, int listId) {
  std::vector<std::string> out;
  for (const Json& item : child(root, listId).value("children", Json::array()))
    out.push_back(path(item, {1, 1}).value("name", ""));
  return out;
}

void expectPoint(const Json& value, double x, double y, double z, const std::string& what) {
  ASSERT_TRUE(value.is_array() && value.size() == 3) << what << ": " << value.dump();
  EXPECT_NEAR(value[0].get<double>(), x, kTolerance) << what;
  EXPECT_NEAR(value[1].get<double>(), y, kTolerance) << what;
  EXPECT_NEAR(value[2].get<double>(), z, kTolerance) << what;
}

// The rotation {"angle", "axis"} of a head or key, as the same turn (angle, x, y, z).
void expectRotation(const Json& value, double angle, double x, double y, double z,
                    const std::string& what) {
  EXPECT_NEAR(value.at("angle").get<double>(), angle, kTolerance) << what;
  expectPoint(value.at("axis"), x, y, z, what);
}

struct Head {
  std::string parent;
  double position[3];
  double scale[3];
};

// `head`: chunk 1 of an object, or chunk 2 (the target) of a camera or light.
void expectHead(const Json& head, const Head& expected, const std::string& what) {
  SCOPED_TRACE(what);
  EXPECT_EQ(child(head, 2).at("parentName"), expected.parent);
  const Json& parameters = path(head, {3, 100});
  EXPECT_EQ(child(parameters, 101).at("matrixMode"), 1);
  const double* p = expected.position;
  const double* s = expected.scale;
  expectPoint(child(parameters, 103).at("position"), p[0], p[1], p[2], "position");
  expectPoint(child(parameters, 104).at("scale"), s[0], s[1], s[2], "scale");
}

struct SubMaterial {
  std::string name;
  int twoSided;
  int shadingType;
  double opacity;
  double colours[3][3];
};

void expectMaterial(const Json& material, const SubMaterial& expected) {
  SCOPED_TRACE(expected.name);
  EXPECT_EQ(child(material, 101).at("name"), expected.name);
  const Json& subMaterials = child(material, 200);
  EXPECT_EQ(subMaterials.at("count"), 1);
  const Json& properties = path(subMaterials, {201, 2, 1});
  EXPECT_EQ(child(properties, 10).at("polygonsEnabled"), 1);
  EXPECT_EQ(child(properties, 11).at("twoSided"), expected.twoSided);
  EXPECT_EQ(child(properties, 12).at("shadingType"), expected.shadingType);
  EXPECT_EQ(child(properties, 13).at("blendMode"), 0);
  EXPECT_NEAR(child(properties, 14).at("opacity").get<double>(), expected.opacity, kTolerance);
  for (int i = 0; i < 3; ++i) {
    const std::string name = "colour" + std::to_string(i + 1);
    const double* c = expected.colours[i];
    expectPoint(child(properties, 17 + i)[name], c[0], c[1], c[2], name);
  }
}

struct Mesh {
  std::string name;
  int materialIndex;
  std::vector<std::vector<double>> vertices;
  std::vector<std::vector<double>> uvs;
  std::vector<std::vector<int>> faces;
};

void expectMesh(const Json& root, const Mesh& expected, const Json& lightNames) {
  SCOPED_TRACE(expected.name);
  const Json& mesh = record(root, 100, expected.name);
  EXPECT_EQ(child(mesh, 2).at("materialIndex"), expected.materialIndex);
  const Json& vertices = path(mesh, {501, 502}).at("vertices");
  ASSERT_EQ(vertices.size(), expected.vertices.size());
  for (std::size_t i = 0; i < vertices.size(); ++i) {
    const auto& v = expected.vertices[i];
    expectPoint(vertices[i], v[0], v[1], v[2], "vertex " + std::to_string(i));
  }
  const Json& uvs = path(mesh, {501, 504}).at("textureVertices");
  ASSERT_EQ(uvs.size(), expected.uvs.size());
  for (std::size_t i = 0; i < uvs.size(); ++i)
    expectPoint(uvs[i], expected.uvs[i][0], expected.uvs[i][1], 0, "uv " + std::to_string(i));
  EXPECT_EQ(path(mesh, {1000, 1001}).at("faces"), Json(expected.faces));
  EXPECT_EQ(path(mesh, {1000, 1002}).at("textureFaces"), Json(expected.faces));
  EXPECT_EQ(path(mesh, {1000, 1003}).at("subMaterials"),
            Json(std::vector<int>(expected.faces.size(), 0)));
  std::vector<std::string> lights;
  for (const Json& name : child(mesh, 2030).value("children", Json::array()))
    lights.push_back(name.at("lightName"));
  EXPECT_EQ(Json(lights), lightNames);
}

class ModelImportTest : public ::testing::Test {
 protected:
  // Imports `modelName`; the root chunk of the written scene, dumped.
  Json importAndDump(const std::string& modelName, std::vector<std::string> options = {}) {
    const std::string scene = (m_dir.path() / "scene.l3x").string();
    std::vector<std::string> args{"import", model(modelName), "-o", scene};
    args.insert(args.end(), options.begin(), options.end());
    m_import = run(args);
    EXPECT_EQ(m_import.code, 0) << m_import.err;
    const auto dumped = run({"dump", scene});
    EXPECT_EQ(dumped.code, 0) << dumped.err;
    m_document = Json::parse(dumped.out);
    return m_document.at("chunks")[0];
  }

  TempDir m_dir;
  show_tool_runner::Outcome m_import{};
  Json m_document;
};

// The box of the glTF scene's meshes in scene space, worked out from the nodes: Base at (1, 2, 3)
// holds a red triangle at z 0 and a blue one at z -1; Arm (a child of Base) moves its 2 x 1 quad
// by (0, 1, 0) after turning it by 45 degrees about z and scaling by 2, so its corners land at
// (1, 3), (1 + 2 root2, 3 + 2 root2), (1 + root2, 3 + 3 root2), (1 - root2, 3 + root2), z 3.
// With z negated: x from 1 - root2 to 1 + 2 root2, y from 2 to 3 + 3 root2, z from -3 to -2.
const double kCentre[3] = {1 + kRoot2 / 2, 2.5 + 1.5 * kRoot2, -2.5};

double distanceToCentre(double x, double y, double z) {
  return std::sqrt((x - kCentre[0]) * (x - kCentre[0]) + (y - kCentre[1]) * (y - kCentre[1]) +
                   (z - kCentre[2]) * (z - kCentre[2]));
}

TEST_F(ModelImportTest, GltfSceneFieldByField) {
  const Json root = importAndDump("scene.gltf");
  const std::string prefix = "showtool: " + model("scene.gltf") + ": ";
  EXPECT_EQ(m_import.err, prefix + "skipped orthographic camera 'OrthoCam'\n" + prefix +
                              "skipped animation 'Other': only the first animation is imported\n");
  EXPECT_EQ(m_import.out, "showtool: wrote " + (m_dir.path() / "scene.l3x").string() +
                              ": 3 meshes, 3 dummies, 1 cameras, 2 lights, 2 materials, "
                              "30 frames\n");
  EXPECT_EQ(child(root, 50).at("animLength"), 30);  // 1 s at 30 frames a second
  EXPECT_EQ(child(root, 502).at("sceneName"), "scene");

  // Red: base (0.8, 0.2, 0.4), double-sided; Blue: base (0.2, 0.4, 1), alpha 0.5. No specular
  // colour: the highlight is the base halfway to white.
  const Json& materials = child(root, 130);
  ASSERT_EQ(materials.at("count"), 2);
  expectMaterial(materials.at("children")[0],
                 {"Red", 1, 0, 1.0, {{0.12, 0.03, 0.06}, {0.8, 0.2, 0.4}, {0.9, 0.6, 0.7}}});
  expectMaterial(materials.at("children")[1],
                 {"Blue", 0, 0, 0.5, {{0.03, 0.06, 0.15}, {0.2, 0.4, 1}, {0.6, 0.7, 1}}});

  // glTF texture coordinates have v down; the import library turns them to v up (1 - v).
  const Json lights = {"Lamp", "Spot"};
  EXPECT_EQ(names(root, 100), (std::vector<std::string>{"Base_0", "Base_1", "Arm"}));
  expectMesh(
      root, {"Base_0", 0, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1}, {1, 1}, {0, 0}}, {{0, 1, 2}}},
      lights);
  expectMesh(
      root,
      {"Base_1", 1, {{0, 0, 1}, {1, 0, 1}, {1, 1, 1}}, {{0, 1}, {0.5, 1}, {0.5, 0.5}}, {{0, 1, 2}}},
      lights);
  expectMesh(root,
             {"Arm",
              0,
              {{0, 0, 0}, {2, 0, 0}, {2, 1, 0}, {0, 1, 0}},
              {{0, 1}, {1, 1}, {1, 0}, {0, 0}},
              {{0, 1, 2}, {0, 2, 3}}},
             lights);
  expectHead(child(record(root, 100, "Base_0"), 1), {"Base", {0, 0, 0}, {1, 1, 1}}, "Base_0");
  const Json& arm = record(root, 100, "Arm");
  expectHead(child(arm, 1), {"Base", {0, 1, 0}, {2, 2, 2}}, "Arm");
  expectRotation(path(arm, {1, 3, 100, 105}).at("rotation"), kPi / 4, 0, 0, -1, "Arm");

  // Dummies: Base (it has two meshes), the node of the skipped orthographic camera, and the
  // second node named Arm.
  EXPECT_EQ(names(root, 150), (std::vector<std::string>{"Base", "OrthoCam", "Arm_2"}));
  expectHead(child(record(root, 150, "Base"), 1), {"NULL", {1, 2, -3}, {1, 1, 1}}, "Base");
  expectHead(child(record(root, 150, "OrthoCam"), 1), {"NULL", {0, 0, -9}, {1, 1, 1}}, "OrthoCam");
  expectHead(child(record(root, 150, "Arm_2"), 1), {"NULL", {0, 0, 2}, {1, 1, 1}}, "Arm_2");
  EXPECT_FALSE(path(record(root, 150, "Base"), {1, 3}).contains("200")) << "no tracks";

  // Arm's animation: translation (0,1,0) at 0 s, (0,2,0) at 0.5 s, (1,2,0) at 1 s; rotation
  // about z from 45 to 90 degrees over 1 s. Its scale is not animated: no scale track.
  const Json& tracks = path(arm, {1, 3, 200});
  EXPECT_EQ(child(tracks, 202), Json::object());
  const Json& positionKeys = path(tracks, {201, 1, 1}).at("keys");
  const Json& rotationKeys = path(tracks, {203, 1, 1}).at("keys");
  EXPECT_EQ(path(tracks, {201, 1}).at("trackType"), 1);
  EXPECT_EQ(path(tracks, {203, 1}).at("trackType"), 1);
  ASSERT_EQ(positionKeys.size(), 31u);
  ASSERT_EQ(rotationKeys.size(), 31u);
  const struct {
    int frame;
    double position[3];
    double degrees;
  } keys[] = {{0, {0, 1, 0}, 45},
              {6, {0, 1.4, 0}, 54},
              {15, {0, 2, 0}, 67.5},
              {24, {0.6, 2, 0}, 81},
              {30, {1, 2, 0}, 90}};
  for (const auto& key : keys) {
    const std::string what = "frame " + std::to_string(key.frame);
    EXPECT_EQ(positionKeys.at(key.frame).at("time"), key.frame);
    expectPoint(positionKeys.at(key.frame).at("value"), key.position[0], key.position[1],
                key.position[2], what);
    EXPECT_EQ(rotationKeys.at(key.frame).at("time"), key.frame);
    expectRotation(rotationKeys.at(key.frame), key.degrees * kPi / 180, 0, 0, -1, what);
  }

  // Camera at (0, 1, 5) looking along -z: at (0, 1, -5) looking along +z; yfov 2 atan(0.5) at
  // aspect 2 is a horizontal field of view of 2 atan(1). The target, a child of the camera,
  // lies as far as the centre of the scene, a thousandth of that up (off the z axis).
  const Json& camera = child(child(root, 120), 121);
  EXPECT_EQ(child(root, 120).at("count"), 1);
  EXPECT_EQ(path(camera, {1, 1}).at("name"), "Cam");
  expectHead(child(camera, 1), {"NULL", {0, 1, -5}, {1, 1, 1}}, "Cam");
  const double view = distanceToCentre(0, 1, -5);
  EXPECT_EQ(path(camera, {2, 1}).at("name"), "Cam.Target");
  expectHead(child(camera, 2), {"Cam", {0, view / 1000, view}, {1, 1, 1}}, "Cam.Target");
  EXPECT_NEAR(path(camera, {100, 101}).at("fov").get<double>(), kPi / 2, kTolerance);
  EXPECT_EQ(path(camera, {100, 102}).at("roll"), 0);
  EXPECT_EQ(path(camera, {100, 103}).at("nearClip"), 0.5);
  EXPECT_EQ(path(camera, {100, 104}).at("farClip"), 100);

  // Lamp: a point light (1, 0.5, 0.25) of intensity 2 at (2, 3, -4); it fades out at twice the
  // distance to the farthest corner of the box: dx 1 + root2, dy 3 root2, dz 2.
  const Json& lamp = record(root, 110, "Lamp");
  expectHead(child(lamp, 1), {"NULL", {2, 3, -4}, {1, 1, 1}}, "Lamp");
  const Json& lampValues = child(lamp, 100);
  EXPECT_EQ(child(lampValues, 105).at("lightType"), 1);
  expectPoint(child(lampValues, 101).at("color"), 1, 0.5, 0.25, "colour");
  EXPECT_EQ(child(lampValues, 102).at("intensity"), 2);
  EXPECT_EQ(child(lampValues, 103).at("nearAttenuation"), 0);
  const double corner = std::sqrt((1 + kRoot2) * (1 + kRoot2) + 18 + 4);
  EXPECT_NEAR(child(lampValues, 104).at("farAttenuation").get<double>(), 2 * corner, 1e-5);

  // Spot at (0, 4, 0) turned -90 degrees about x (shining down), cone 0.25 / 0.5 from its axis;
  // its target, a child, is along its own +z after the conversion: world down.
  const Json& spot = record(root, 110, "Spot");
  expectHead(child(spot, 1), {"NULL", {0, 4, 0}, {1, 1, 1}}, "Spot");
  expectRotation(path(spot, {1, 3, 100, 105}).at("rotation"), kPi / 2, -1, 0, 0, "Spot");
  const Json& spotValues = child(spot, 100);
  EXPECT_EQ(child(spotValues, 105).at("lightType"), 2);
  expectPoint(child(spotValues, 101).at("color"), 0.5, 0.5, 1, "colour");
  EXPECT_EQ(child(spotValues, 102).at("intensity"), 1);
  EXPECT_EQ(child(spotValues, 107).at("hotspot"), 0.25);
  EXPECT_EQ(child(spotValues, 106).at("falloff"), 0.5);
  expectHead(child(spot, 2), {"Spot", {0, 0, distanceToCentre(0, 4, 0)}, {1, 1, 1}}, "Spot.Target");
}

TEST_F(ModelImportTest, GlbGivesTheSameSceneAsGltf) {
  const std::string gltf = (m_dir.path() / "a.l3x").string();
  const std::string glb = (m_dir.path() / "b.l3x").string();
  ASSERT_EQ(run({"import", model("scene.gltf"), "-o", gltf}).code, 0);
  ASSERT_EQ(run({"import", model("scene.glb"), "-o", glb}).code, 0);
  EXPECT_EQ(readBytes(gltf), readBytes(glb));
}

// wedge.obj: a quad in Green (opacity 0.75, specular (0.5, 0.25, 0)) and a triangle in Flat, both
// in object Wedge; no camera, no light.
TEST_F(ModelImportTest, ObjSceneFieldByFieldPacked) {
  const Json root = importAndDump("wedge.obj", {"--pack", "--fps", "25"});
  EXPECT_EQ(m_import.err, "");
  EXPECT_EQ(m_document.at("packed"), true);
  EXPECT_EQ(child(root, 50).at("animLength"), 1);  // no animation: one frame
  const Json& materials = child(root, 130);
  ASSERT_EQ(materials.at("count"), 2);
  expectMaterial(materials.at("children")[0],
                 {"Green", 0, 0, 0.75, {{0.03, 0.09, 0.06}, {0.2, 0.6, 0.4}, {0.7, 0.85, 0.4}}});
  expectMaterial(materials.at("children")[1],
                 {"Flat", 0, 0, 1, {{0.15, 0.15, 0}, {1, 1, 0}, {1, 1, 0.5}}});
  EXPECT_EQ(names(root, 150), std::vector<std::string>{"Wedge"});
  // The quad is split along its diagonal 1-3 as the file lists its corners; the triangle
  // 4 3 5 keeps its order with its own vertex list.
  expectMesh(root,
             {"Wedge_0",
              0,
              {{0, 0, 0}, {2, 0, 0}, {2, 1, 0}, {0, 1, 1}},
              {{0, 0}, {1, 0}, {1, 1}, {0, 1}},
              {{0, 1, 2}, {0, 2, 3}}},
             Json::array());
  expectMesh(
      root,
      {"Wedge_1", 1, {{0, 1, 1}, {2, 1, 0}, {1, 3, 2}}, {{0, 1}, {1, 1}, {0.5, 0.25}}, {{0, 1, 2}}},
      Json::array());
  expectHead(child(record(root, 100, "Wedge_1"), 1), {"Wedge", {0, 0, 0}, {1, 1, 1}}, "Wedge_1");
  EXPECT_EQ(child(root, 110), Json::object()) << "no lights";

  // The box runs x 0..2, y 0..3, z 0..2: the camera stands 1.1 times the larger of the half
  // width (1) and the height (3) in front of it, looking at its centre (1, 1.5, 1).
  const Json& camera = child(child(root, 120), 121);
  EXPECT_EQ(path(camera, {1, 1}).at("name"), "Camera01");
  expectHead(child(camera, 1), {"NULL", {1, 1.5, -3.3}, {1, 1, 1}}, "Camera01");
  expectHead(child(camera, 2), {"NULL", {1, 1.5 + 0.0043, 1}, {1, 1, 1}}, "Camera01.Target");
  EXPECT_NEAR(path(camera, {100, 101}).at("fov").get<double>(), kPi / 2, kTolerance);
  EXPECT_EQ(path(camera, {100, 103}).at("nearClip"), 1);
}

TEST_F(ModelImportTest, UnsupportedContentIsNamedAndSkipped) {
  const Json root = importAndDump("unsupported.gltf");
  const std::string prefix = "showtool: " + model("unsupported.gltf") + ": ";
  EXPECT_EQ(m_import.err, prefix +
                              "skipped skin of mesh 'Body' (1 bones): written in its bind pose\n" +
                              prefix + "skipped 1 morph targets of mesh 'Body'\n" + prefix +
                              "skipped lines and points of mesh 'Wire'\n");
  EXPECT_EQ(names(root, 100), std::vector<std::string>{"Body"});
  EXPECT_EQ(names(root, 150), (std::vector<std::string>{"Bone", "Wire"}));
}

TEST_F(ModelImportTest, BadFilesAreReportedWithExitCodeOne) {
  const std::string scene = (m_dir.path() / "out.l3x").string();
  const std::string junk = (m_dir.path() / "junk.glb").string();
  show_tool_runner::writeText(junk, "glTF\x02\0\0\0garbage");
  const std::string missing = (m_dir.path() / "none.gltf").string();
  const std::pair<std::string, std::string> cases[] = {
      {missing, "Unable to open file \"" + missing + "\"."},
      {junk, ""},
  };
  for (const auto& [file, why] : cases) {
    const auto result = run({"import", file, "-o", scene});
    EXPECT_EQ(result.code, 1);
    EXPECT_EQ(result.err.rfind("showtool: " + file + ": " + why, 0), 0u) << result.err;
    EXPECT_FALSE(std::filesystem::exists(scene));
  }
  // A valid skin without inverse bind matrices stops the glTF reader of the import library's 5.2
  // series; later ones may read it. Either way showtool goes on and says what happened.
  const auto result = run({"import", model("bad-skin.gltf"), "-o", scene});
  if (result.code == 1)
    EXPECT_EQ(
        result.err.rfind(
            "showtool: " + model("bad-skin.gltf") + ": the import library stopped on this file", 0),
        0u)
        << result.err;
  else
    EXPECT_EQ(result.code, 0) << result.err;
  const std::pair<std::vector<std::string>, std::string> usage[] = {
      {{"import", "a.obj"}, "import takes one model file and -o OUT"},
      {{"import", "a.obj", "-o", "x", "--fps", "0"}, "--fps needs one whole number from 1 to 1000"},
      {{"import", "a.obj", "-o", "x", "--fps", "3x"},
       "--fps needs one whole number from 1 to 1000"},
      {{"import", "a.obj", "-o", "x", "--fps"}, "--fps needs one whole number from 1 to 1000"},
      {{"dump", "a.l3x", "--fps", "5"}, "unknown option --fps"}};
  for (const auto& [args, what] : usage) {
    const auto outcome = run(args);
    EXPECT_EQ(outcome.code, 2);
    EXPECT_EQ(outcome.err.rfind("showtool: " + what + "\n", 0), 0u) << outcome.err;
  }
}

// Flat and unlit shading come from formats other than glTF and OBJ: a material made here.
TEST(ModelImportMaterial, ShadingModelsAndColours) {
  const struct {
    int shading;
    aiColor4D base;
    aiColor4D specular;
    int shadingType;
    L3xScene::Point colour1, colour3;
  } cases[] = {
      {aiShadingMode_Flat,
       {0.4f, 0.2f, 1.5f, 1},
       {0, 0, 0, 1},
       100,
       {0.06f, 0.03f, 0.15f},
       {0.7f, 0.6f, 1}},
      {aiShadingMode_Phong,
       {0.4f, 0.2f, 0, 1},
       {0.8f, 0.1f, 0.2f, 1},
       0,
       {0.06f, 0.03f, 0},
       {1, 0.3f, 0.2f}},
      {aiShadingMode_Unlit,
       {0.4f, 0.2f, 0, 1},
       {0.8f, 0.1f, 0.2f, 1},
       0,
       {0.4f, 0.2f, 0},
       {0.4f, 0.2f, 0}},
  };
  for (const auto& item : cases) {
    aiMaterial material;
    material.AddProperty(&item.shading, 1, AI_MATKEY_SHADING_MODEL);
    material.AddProperty(&item.base, 1, AI_MATKEY_COLOR_DIFFUSE);
    material.AddProperty(&item.specular, 1, AI_MATKEY_COLOR_SPECULAR);
    const L3xScene::SubMaterial sub = ModelImport::subMaterialOf(material);
    SCOPED_TRACE(item.shading);
    EXPECT_EQ(sub.shadingType, item.shadingType);
    EXPECT_FLOAT_EQ(sub.colour2.z, item.base.b > 1 ? 1 : item.base.b);  // clamped to 0..1
    EXPECT_FLOAT_EQ(sub.colour1.x, item.colour1.x);
    EXPECT_FLOAT_EQ(sub.colour1.y, item.colour1.y);
    EXPECT_FLOAT_EQ(sub.colour1.z, item.colour1.z);
    EXPECT_FLOAT_EQ(sub.colour3.x, item.colour3.x);
    EXPECT_FLOAT_EQ(sub.colour3.y, item.colour3.y);
    EXPECT_FLOAT_EQ(sub.colour3.z, item.colour3.z);
    EXPECT_FLOAT_EQ(sub.opacity, 1);
  }
}

}  // namespace
