// showtool import: the test models (tests/tools/models, made by make_models.py and by hand) are
// imported and the fields the import works out read back through showtool dump. Every expected
// value is worked out here from the model text: the axis conversion negates z, a rotation about the
// z axis turns the other way round it, the frames are 30 a second.

#include <gtest/gtest.h>

#include <assimp/material.h>
#include <assimp/scene.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "base/report.h"
#include "s3d/s3d_scene.h"
#include "tests/support/temp_dir.h"
#include "tests/tools/show_tool_runner.h"
#include "tools/model_import_p.h"

namespace {

using namespace show_tool_runner;
using Names = std::vector<std::string>;

const double kPi = 3.14159265358979323846;
const double kRoot2 = std::sqrt(2.0);

// A test model by name, or a model written by the test (a full path).
std::string model(const std::string& name) {
  if (std::filesystem::path(name).is_absolute()) return name;
  return std::string(SHOWPLAYER_SOURCE_DIR) + "/tests/tools/models/" + name;
}

// The named fields of a chunk and of everything under it, the first of each name kept (so that
// of a light, the head's come before the target's).
Json fieldsOf(const Json& chunk, Json out = Json::object()) {
  for (const auto& [key, value] : chunk.items())
    if (key != "id" && key != "chunk" && key != "children" && !out.contains(key)) out[key] = value;
  for (const Json& child : childrenOf(chunk))
    out = fieldsOf(child, out);
  return out;
}

// `actual` holds every field of `expected` with the same value; numbers within a few units of the
// last float place (the file's floats are written from double arithmetic).
void expectMatch(const Json& actual, const Json& expected, const std::string& where = "") {
  if (expected.is_object()) {
    for (const auto& [key, value] : expected.items())
      expectMatch(actual.is_object() && actual.contains(key) ? actual.at(key) : Json(), value,
                  where + "." + key);
  } else if (expected.is_array()) {
    ASSERT_TRUE(actual.is_array() && actual.size() == expected.size()) << where << actual.dump();
    for (std::size_t i = 0; i < expected.size(); ++i)
      expectMatch(actual[i], expected[i], where + "[" + std::to_string(i) + "]");
  } else if (expected.is_number()) {
    ASSERT_TRUE(actual.is_number()) << where << ": " << actual.dump();
    const double e = expected.get<double>();
    EXPECT_NEAR(actual.get<double>(), e, 2e-6 * std::max(1.0, std::abs(e))) << where;
  } else {
    EXPECT_EQ(actual, expected) << where;
  }
}

// The names in the heads of the records of list `listId`, and the record of one name.
Names names(const Json& root, int listId) {
  Names out;
  for (const Json& item : childrenOf(descend(root, {listId})))
    out.push_back(descend(item, {1, 1}).value("name", ""));
  return out;
}
const Json& record(const Json& root, int listId, const std::string& name) {
  static const Json kNone = Json::object();
  for (const Json& item : childrenOf(descend(root, {listId})))
    if (descend(item, {1, 1}).value("name", "") == name) return item;
  ADD_FAILURE() << "no record " << name << " in list " << listId;
  return kNone;
}

// A head (matrix mode 1, unit scale unless given), its parent and place.
Json head(const char* pParent, Json position, Json scale = {1, 1, 1}) {
  return {{"parentName", pParent}, {"matrixMode", 1}, {"position", position}, {"scale", scale}};
}
// A material of one sub-material, enabled, normal blending.
Json material(const char* pName, int twoSided, int shadingType, double opacity, Json colours) {
  return {{"name", pName},
          {"count", 1},
          {"polygonsEnabled", 1},
          {"twoSided", twoSided},
          {"shadingType", shadingType},
          {"blendMode", 0},
          {"opacity", opacity},
          {"colour1", colours[0]},
          {"colour2", colours[1]},
          {"colour3", colours[2]}};
}
// A texture layer, disabled (an enabled one also draws its picture at every vertex), taking the
// whole of `picture`.
Json textureLayer(const char* pPicture) {
  return {{"enabled", 0}, {"file", pPicture}, {"u", 0}, {"v", 0}, {"w", 1}, {"h", 1}};
}
// A mesh: its material, vertices, texture coordinates (u, v, 0) and faces, which pick the
// texture vertices of the same numbers and sub-material 0.
Json mesh(int materialIndex, Json vertices, Json uvs, Json faces) {
  for (Json& uv : uvs)
    uv.push_back(0);
  return {{"materialIndex", materialIndex}, {"vertices", vertices},
          {"textureVertices", uvs},         {"faces", faces},
          {"textureFaces", faces},          {"subMaterials", std::vector<int>(faces.size(), 0)}};
}
Names lightNames(const Json& mesh) {
  Names out;
  for (const Json& name : childrenOf(descend(mesh, {2030})))
    out.push_back(name.at("lightName"));
  return out;
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
    const Outcome dumped = run({"dump", scene});
    EXPECT_EQ(dumped.code, 0) << dumped.err;
    m_document = Json::parse(dumped.out);
    return m_document.at("chunks")[0];
  }

  TempDir m_dir;
  Outcome m_import{};
  Json m_document;
};

// The box of the glTF scene's meshes in scene space, worked out from the nodes: Base at (1, 2, 3)
// holds a red triangle at z 0 and a blue one at z -1; Arm (a child of Base) moves its 2 x 1 quad
// by (0, 1, 0) after turning it by 45 degrees about z and scaling by 2, so its corners land at
// (1, 3), (1 + 2 root2, 3 + 2 root2), (1 + root2, 3 + 3 root2), (1 - root2, 3 + root2), z 3.
// With z negated: x from 1 - root2 to 1 + 2 root2, y from 2 to 3 + 3 root2, z from -3 to -2.
double distanceToCentre(double x, double y, double z) {
  return std::hypot(x - (1 + kRoot2 / 2), y - (2.5 + 1.5 * kRoot2), z + 2.5);
}

TEST_F(ModelImportTest, GltfSceneFieldByField) {
  const Json root = importAndDump("scene.gltf");
  const std::string prefix = "showtool: " + model("scene.gltf") + ": ";
  EXPECT_EQ(m_import.err, prefix + "skipped orthographic camera 'OrthoCam'\n" + prefix +
                              "skipped animation 'Other': only the first animation is imported\n");
  EXPECT_EQ(m_import.out, "showtool: wrote " + (m_dir.path() / "scene.l3x").string() +
                              ": 3 meshes, 3 dummies, 1 cameras, 2 lights, 2 materials, "
                              "30 frames\n");
  // 1 s at 30 frames a second.
  expectMatch(fieldsOf(root), {{"animLength", 30}, {"sceneName", "scene"}});

  // Red: base (0.8, 0.2, 0.4), double-sided; Blue: base (0.2, 0.4, 1), alpha 0.5. (The colours
  // made from a base are the material table's below.)
  const Json& materials = descend(root, {130});
  ASSERT_EQ(materials.at("count"), 2);
  expectMatch(fieldsOf(materials.at("children")[0]), {{"twoSided", 1}, {"opacity", 1}});
  expectMatch(fieldsOf(materials.at("children")[1]),
              {{"twoSided", 0}, {"opacity", 0.5}, {"colour2", {0.2, 0.4, 1}}});

  // glTF texture coordinates have v down; the import library turns them to v up (1 - v).
  ASSERT_EQ(names(root, 100), (Names{"Base_0", "Base_1", "Arm"}));
  const Json& arm = record(root, 100, "Arm");
  EXPECT_EQ(fieldsOf(record(root, 100, "Base_1")).at("materialIndex"), 1);
  expectMatch(fieldsOf(arm), mesh(0, {{0, 0, 0}, {2, 0, 0}, {2, 1, 0}, {0, 1, 0}},
                                  {{0, 1}, {1, 1}, {1, 0}, {0, 0}}, {{0, 1, 2}, {0, 2, 3}}));
  EXPECT_EQ(lightNames(arm), (Names{"Lamp", "Spot"}));
  Json armHead = head("Base", {0, 1, 0}, {2, 2, 2});
  armHead["rotation"] = {{"angle", kPi / 4}, {"axis", {0, 0, -1}}};
  expectMatch(fieldsOf(descend(arm, {1})), armHead);

  // Dummies: Base (it has two meshes), the node of the skipped orthographic camera, and the
  // second node named Arm.
  ASSERT_EQ(names(root, 150), (Names{"Base", "OrthoCam", "Arm_2"}));
  expectMatch(fieldsOf(record(root, 150, "Base")), head("NULL", {1, 2, -3}));
  EXPECT_TRUE(childrenOf(descend(record(root, 150, "Base"), {1, 3, 200})).empty()) << "no tracks";

  // Arm's animation: translation (0,1,0) at 0 s, (0,2,0) at 0.5 s, (1,2,0) at 1 s; rotation
  // about z from 45 to 90 degrees over 1 s. Its scale is not animated: no scale track.
  const Json& tracks = descend(arm, {1, 3, 200});
  EXPECT_EQ(descend(tracks, {202}), Json::object());
  EXPECT_EQ(descend(tracks, {201, 1}).at("trackType"), 1);
  EXPECT_EQ(descend(tracks, {203, 1}).at("trackType"), 1);
  const Json& positionKeys = descend(tracks, {201, 1, 1}).at("keys");
  const Json& rotationKeys = descend(tracks, {203, 1, 1}).at("keys");
  ASSERT_EQ(positionKeys.size(), 31u);
  ASSERT_EQ(rotationKeys.size(), 31u);
  for (const auto& [frame, position, degrees] :
       {std::tuple{0, Json{0, 1, 0}, 45.0}, std::tuple{6, Json{0, 1.4, 0}, 54.0},
        std::tuple{24, Json{0.6, 2, 0}, 81.0}}) {
    expectMatch(positionKeys.at(frame), {{"time", frame}, {"value", position}});
    expectMatch(rotationKeys.at(frame),
                {{"time", frame}, {"angle", degrees * kPi / 180}, {"axis", {0, 0, -1}}});
  }

  // Camera at (0, 1, 5) looking along -z: at (0, 1, -5) looking along +z; yfov 2 atan(0.5) at
  // aspect 2 is a horizontal field of view of 2 atan(1). The target, a child of the camera,
  // lies as far as the centre of the scene, a thousandth of that up (off the z axis).
  ASSERT_EQ(names(root, 120), Names{"Cam"});
  const Json& camera = record(root, 120, "Cam");
  Json cameraFields = head("NULL", {0, 1, -5});
  cameraFields.update({{"fov", kPi / 2}, {"roll", 0}, {"nearClip", 0.5}, {"farClip", 100}});
  expectMatch(fieldsOf(camera), cameraFields);
  const double view = distanceToCentre(0, 1, -5);
  Json cameraTarget = head("Cam", {0, view / 1000, view});
  cameraTarget["name"] = "Cam.Target";
  expectMatch(fieldsOf(descend(camera, {2})), cameraTarget);

  // Lamp: a point light (1, 0.5, 0.25) of intensity 2 at (2, 3, -4); it fades out at twice the
  // distance to the farthest corner of the box: dx 1 + root2, dy 3 root2, dz 2.
  Json lamp = head("NULL", {2, 3, -4});
  lamp.update({{"lightType", 1},
               {"color", {1, 0.5, 0.25}},
               {"intensity", 2},
               {"nearAttenuation", 0},
               {"farAttenuation", 2 * std::hypot(1 + kRoot2, 3 * kRoot2, 2)}});
  expectMatch(fieldsOf(record(root, 110, "Lamp")), lamp);
  // Spot at (0, 4, 0) turned -90 degrees about x (shining down), cone 0.25 / 0.5 from its axis;
  // its target, a child, is along its own +z after the conversion: world down.
  const Json& spot = record(root, 110, "Spot");
  Json spotFields = head("NULL", {0, 4, 0});
  spotFields.update({{"rotation", {{"angle", kPi / 2}, {"axis", {-1, 0, 0}}}},
                     {"lightType", 2},
                     {"color", {0.5, 0.5, 1}},
                     {"intensity", 1},
                     {"hotspot", 0.25},
                     {"falloff", 0.5}});
  expectMatch(fieldsOf(spot), spotFields);
  expectMatch(fieldsOf(descend(spot, {2})), head("Spot", {0, 0, distanceToCentre(0, 4, 0)}));
}

// wedge.obj: a quad in Green (opacity 0.75, specular (0.5, 0.25, 0)) and a triangle in Flat (the
// picture wall.jpg), both in object Wedge; no camera, no light. Imported beside the scene, so the
// picture's name stays as the .mtl gives it.
TEST_F(ModelImportTest, ObjSceneFieldByFieldPacked) {
  for (const char* pName : {"wedge.obj", "wedge.mtl"})
    std::filesystem::copy_file(model(pName), m_dir.path() / pName);
  const Json root = importAndDump((m_dir.path() / "wedge.obj").string(), {"--pack", "--fps", "25"});
  EXPECT_EQ(m_import.err, "");
  EXPECT_EQ(m_document.at("packed"), true);
  EXPECT_EQ(descend(root, {50}).at("animLength"), 1);  // no animation: one frame
  const Json& materials = descend(root, {130});
  // Textured: shading type 1 and each colour 1 minus the untextured one ((0.15, 0.15, 0),
  // (1, 1, 0), (1, 1, 0.5)).
  Json flat = material("Flat", 0, 1, 1, {{0.85, 0.85, 1}, {0, 0, 1}, {0, 0, 0.5}});
  flat.update(textureLayer("wall.jpg"));
  expectMatch(fieldsOf(materials.at("children")[1]), flat);

  // The box runs x 0..2, y 0..3, z 0..2: the camera stands 1.1 times the larger of the half
  // width (1) and the height (3) in front of it, looking at its centre (1, 1.5, 1).
  ASSERT_EQ(names(root, 120), Names{"Camera01"});
  const Json& camera = record(root, 120, "Camera01");
  Json cameraFields = head("NULL", {1, 1.5, -3.3});
  cameraFields.update({{"fov", kPi / 2}, {"nearClip", 1}});
  expectMatch(fieldsOf(camera), cameraFields);
  expectMatch(fieldsOf(descend(camera, {2})), head("NULL", {1, 1.5 + 0.0043, 1}));
}

// textured.gltf copied to models/ and imported to scenes/: the picture names are taken from the
// model's folder to the scene's.
TEST_F(ModelImportTest, TexturedGltfNamesItsPicturesFromTheScenesFolder) {
  const std::filesystem::path models = m_dir.path() / "models", scenes = m_dir.path() / "scenes";
  std::filesystem::create_directories(models);
  std::filesystem::create_directories(scenes);
  const std::string gltf = (models / "textured.gltf").string();
  std::filesystem::copy_file(model("textured.gltf"), gltf);
  const std::string scene = (scenes / "poster.l3x").string();
  const Outcome imported = run({"import", gltf, "-o", scene});
  ASSERT_EQ(imported.code, 0) << imported.err;
  EXPECT_EQ(imported.err, "showtool: " + gltf +
                              ": skipped the texture of material 'Photo': 'photo.png' is not a "
                              "BMP, TGA or JPEG picture nor an AVI video\n");
  const Outcome dumped = run({"dump", scene});
  ASSERT_EQ(dumped.code, 0) << dumped.err;
  const Json root = Json::parse(dumped.out).at("chunks")[0];
  const Json& materials = descend(root, {130});
  ASSERT_EQ(materials.at("count"), 3);
  // Poster, unlit: the picture as it is (200), the white base kept. Photo keeps no texture.
  Json poster = material("Poster", 0, 200, 1, {{1, 1, 1}, {1, 1, 1}, {1, 1, 1}});
  poster.update(textureLayer("../models/pictures/poster.tga"));
  expectMatch(fieldsOf(materials.at("children")[0]), poster);
  EXPECT_EQ(descend(materials.at("children")[2], {200, 201, 4}), Json::object()) << "no texture";
}

TEST_F(ModelImportTest, LinesAndPointsAreNamedAndSkipped) {
  const Json root = importAndDump("unsupported.gltf");
  const std::string prefix = "showtool: " + model("unsupported.gltf") + ": ";
  EXPECT_EQ(m_import.err, prefix + "skipped lines and points of mesh 'Wire'\n");
  // The skin and the morph target are imported.
  EXPECT_EQ(names(root, 100), (Names{"Body", "Body_morph0"}));
  EXPECT_EQ(names(root, 150), (Names{"Bone", "Wire"}));
}

// A glTF file written here, with its buffer NAME.bin: the float blocks, then the words, one
// buffer view each.
std::string writeGltf(const std::filesystem::path& folder, const std::string& name, Json gltf,
                      const std::vector<std::vector<float>>& floats,
                      const std::vector<std::uint16_t>& words) {
  std::string bytes;
  Json views = Json::array();
  const auto add = [&](const void* pData, std::size_t size) {
    views.push_back({{"buffer", 0}, {"byteOffset", bytes.size()}, {"byteLength", size}});
    bytes.append(static_cast<const char*>(pData), size);
  };
  for (const std::vector<float>& block : floats)
    add(block.data(), block.size() * sizeof(float));
  add(words.data(), words.size() * sizeof(std::uint16_t));
  writeText((folder / (name + ".bin")).string(), bytes);
  gltf["asset"] = {{"version", "2.0"}};
  gltf["buffers"] = {{{"uri", name + ".bin"}, {"byteLength", bytes.size()}}};
  gltf["bufferViews"] = views;
  const std::string file = (folder / (name + ".gltf")).string();
  writeText(file, gltf.dump());
  return file;
}
// Float (5126) or word (5123) values of a buffer view, from `offset` bytes in.
Json accessor(int view, int type, int count, const char* pKind, int offset = 0) {
  return {{"bufferView", view},
          {"byteOffset", offset},
          {"componentType", type},
          {"count", count},
          {"type", pKind}};
}
// Broken skins and morphs, as the import library could hand them over: a bone naming no node,
// weights that are NaN or 0, a vertex with five weights, a target of the wrong size. Root (left
// out, an identity without content) holds "Face" (the mesh) and "Arm".
TEST(ModelImportSkinAndMorph, BadDataIsReportedAndLeftOut) {
  aiScene source;
  source.mRootNode = new aiNode("Root");
  aiNode* pChildren[2] = {new aiNode("Face"), new aiNode("Arm")};
  source.mRootNode->addChildren(2, pChildren);
  pChildren[0]->mNumMeshes = 1;
  pChildren[0]->mMeshes = new unsigned[1]{0};
  source.mNumMaterials = 1;
  source.mMaterials = new aiMaterial* [1] { new aiMaterial };
  aiMesh* pMesh = new aiMesh;
  source.mNumMeshes = 1;
  source.mMeshes = new aiMesh* [1] { pMesh };
  pMesh->mName = "Face";
  pMesh->mPrimitiveTypes = aiPrimitiveType_TRIANGLE;
  pMesh->mNumVertices = 3;
  pMesh->mVertices = new aiVector3D[3]{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
  pMesh->mNumFaces = 1;
  pMesh->mFaces = new aiFace[1];
  pMesh->mFaces[0].mNumIndices = 3;
  pMesh->mFaces[0].mIndices = new unsigned[3]{0, 1, 2};
  // Bone 0 "Ghost", bound at (2, 0, 0) (offset T(-2, 0, 0)): vertex 0. Bones 1 to 5 "Arm":
  // vertex 1 NaN and 0; vertex 2 0.5, 0.1, 0.2, 0.3, 0.4.
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const std::vector<std::vector<aiVertexWeight>> weights = {
      {{0, 1}}, {{1, nan}, {2, 0.5f}}, {{1, 0}, {2, 0.1f}}, {{2, 0.2f}}, {{2, 0.3f}}, {{2, 0.4f}}};
  pMesh->mNumBones = 6;
  pMesh->mBones = new aiBone*[6];
  for (unsigned b = 0; b < 6; ++b) {
    aiBone* pBone = pMesh->mBones[b] = new aiBone;
    pBone->mName = b == 0 ? "Ghost" : "Arm";
    if (b == 0) aiMatrix4x4::Translation(aiVector3D(-2, 0, 0), pBone->mOffsetMatrix);
    pBone->mNumWeights = static_cast<unsigned>(weights[b].size());
    pBone->mWeights = new aiVertexWeight[pBone->mNumWeights];
    std::copy(weights[b].begin(), weights[b].end(), pBone->mWeights);
  }
  pMesh->mNumAnimMeshes = 1;
  pMesh->mAnimMeshes = new aiAnimMesh* [1] { new aiAnimMesh };
  pMesh->mAnimMeshes[0]->mNumVertices = 2;
  pMesh->mAnimMeshes[0]->mVertices = new aiVector3D[2];

  std::vector<std::string> messages;
  const L3xScene::Scene scene =
      ModelImport::convertModel(source, ModelImport::Settings{}, true, "bad", messages);
  EXPECT_EQ(messages,
            (Names{"the skin of mesh 'Face': 2 weights that are not finite or not above 0 left "
                   "out (a vertex without weight stays in the bind pose)",
                   "the skin of mesh 'Face': 1 vertices with more than 4 weights keep the "
                   "largest 4",
                   "skipped morph target 0 of mesh 'Face': it has 2 positions, the mesh 3",
                   "bone 'Ghost' names no node: it holds still where bound"}));
  ASSERT_EQ(scene.meshes.size(), 1u) << "no target mesh";
  const L3xScene::Mesh& mesh = scene.meshes[0];
  ASSERT_TRUE(mesh.skin);
  Names bones;
  for (const L3xScene::Bone& bone : mesh.skin->bones)
    bones.push_back(bone.name);
  EXPECT_EQ(bones, (Names{"Ghost", "Arm", "Arm", "Arm", "Arm", "Arm"}));
  // Ghost: a dummy where it was bound, (2, 0, 0), its bind matrix's translation row.
  ASSERT_EQ(scene.dummies.size(), 2u);
  EXPECT_EQ(scene.dummies[1].head.name, "Ghost");
  EXPECT_EQ(scene.dummies[1].head.position.x, 2);
  // (bone, weight) per vertex: 0 Ghost alone; 1 nothing left; 2 keeps 0.5, 0.4, 0.3, 0.2 (bones
  // 1, 5, 4, 3) over their sum 1.4.
  const std::vector<std::vector<std::pair<int, double>>> expected = {
      {{0, 1}}, {}, {{1, 0.5 / 1.4}, {5, 0.4 / 1.4}, {4, 0.3 / 1.4}, {3, 0.2 / 1.4}}};
  ASSERT_EQ(mesh.skin->vertices.size(), expected.size());
  for (std::size_t v = 0; v < expected.size(); ++v) {
    ASSERT_EQ(mesh.skin->vertices[v].size(), expected[v].size()) << v;
    for (std::size_t i = 0; i < expected[v].size(); ++i) {
      EXPECT_EQ(mesh.skin->vertices[v][i].bone, expected[v][i].first) << v;
      EXPECT_NEAR(mesh.skin->vertices[v][i].weight, expected[v][i].second, 1e-6) << v;
    }
  }
}
// Modifiers from node extras and a see-through material. "Column" (x, z in -1..1, y 0..2) is
// twisted a quarter turn about y: t = y (pi/2) / 2 turns (x, z) to (z sin t + x cos t,
// z cos t - x sin t), so at y = 2 (x, z) -> (z, -x) and y = 0 stays. "Sheet" (y 0, x 0..2, z 0..1
// in the model, z 0..-1 in the scene) waves in the linear form with amp1 = amp2 = 0.5 and wave
// length 4: y' = 0.5 sin(2 pi z / 4), -0.5 at scene z = -1. "Pane" takes a material of alpha 0.5
// and is sorted. What cannot be used is named, one line each.
TEST_F(ModelImportTest, NodeExtrasBecomeModifiersAndSeeThroughMeshesAreSorted) {
  const std::vector<float> column{-1, 0, -1, 1, 0, -1, 1, 0, 1, -1, 0, 1,
                                  -1, 2, -1, 1, 2, -1, 1, 2, 1, -1, 2, 1};
  const std::vector<float> sheet{0, 0, 0, 2, 0, 0, 0, 0, 1, 2, 0, 1};
  const std::vector<float> pane{0, 0, 0, 1, 0, 0, 0, 1, 0};
  const std::vector<std::uint16_t> words{0, 1, 4, 1, 5, 4, 0, 1, 2, 1, 3, 2, 0, 1, 2};
  const auto primitive = [](int position, int indices, int material) {
    const Json one = {
        {"attributes", {{"POSITION", position}}}, {"indices", indices}, {"material", material}};
    return Json{{"primitives", Json::array({one})}};
  };
  const Json gltf = {
      {"scene", 0},
      {"scenes", {{{"nodes", {0, 1, 2, 3}}}}},
      {"nodes",
       {{{"name", "Column"},
         {"mesh", 0},
         {"extras",
          {{"modifiers",
            {{{"type", "twist"}, {"axis", "y"}, {"angle", kPi / 2}}, {{"type", "melt"}}}}}}},
        {{"name", "Sheet"},
         {"mesh", 1},
         {"extras",
          {{"modifiers",
            {{{"type", "wave"},
              {"form", "linear"},
              {"amp1", 0.5},
              {"amp2", 0.5},
              {"waveLength", 4},
              {"decay", 1e300},
              {"axis", "x"}}}}}}},
        {{"name", "Pane"}, {"mesh", 2}},
        {{"name", "Lamp"}, {"extras", {{"modifiers", {{{"type", "bend"}, {"angle", 1}}}}}}}}},
      {"materials",
       {{{"name", "Steel"}},
        {{"name", "Glass"},
         {"alphaMode", "BLEND"},
         {"pbrMetallicRoughness", {{"baseColorFactor", {0.5, 0.75, 1, 0.5}}}}}}},
      {"meshes", {primitive(0, 3, 0), primitive(1, 4, 0), primitive(2, 5, 1)}},
      {"accessors",
       {accessor(0, 5126, 8, "VEC3"), accessor(1, 5126, 4, "VEC3"), accessor(2, 5126, 3, "VEC3"),
        accessor(3, 5123, 6, "SCALAR"), accessor(3, 5123, 6, "SCALAR", 12),
        accessor(3, 5123, 3, "SCALAR", 24)}}};
  const std::string file = writeGltf(m_dir.path(), "workshop", gltf, {column, sheet, pane}, words);
  const Json root = importAndDump(file);
  const std::string prefix = "showtool: " + file + ": ";
  std::string messages;
  for (const char* pLine :
       {"skipped modifier 1 of node 'Column': its type 'melt' is none of bend, skew, twist, wave",
        "modifier 0 of node 'Sheet': skipped 'decay', which is not a finite number",
        "modifier 0 of node 'Sheet': skipped 'axis', which is not a parameter of wave",
        "skipped the modifiers of node 'Lamp': it has no mesh"})
    messages += prefix + pLine + "\n";
  EXPECT_EQ(m_import.err, messages);
  EXPECT_EQ(fieldsOf(record(root, 100, "Pane")).value("sorted", 0), 1);
  EXPECT_EQ(fieldsOf(record(root, 100, "Column")).value("sorted", 0), 0);

  S3DScene scene;
  ReportCapture reports;
  ASSERT_TRUE(scene.load(StringC(std::string_view((m_dir.path() / "scene.l3x").string()))));
  EXPECT_EQ(reports.lines(), std::vector<std::string>{});
  scene.setTime(0);
  scene.transform();
  ASSERT_EQ(scene.m_triObjects.size(), 3u);
  const auto expectMoved = [](const S3DTriObject& mesh, auto&& where) {
    for (std::size_t v = 0; v < mesh.m_vertices.size(); ++v) {
      const Vec3 from = mesh.m_savedVertices[v], to = mesh.m_vertices[v];
      const Vec3 want = where(from);
      EXPECT_NEAR(std::hypot(to.x - want.x, to.y - want.y, to.z - want.z), 0, 1e-5f)
          << from.x << ", " << from.y << ", " << from.z;
    }
  };
  expectMoved(scene.m_triObjects[0], [](Vec3 p) { return p.y == 0 ? p : Vec3{p.z, p.y, -p.x}; });
  expectMoved(scene.m_triObjects[1], [](Vec3 p) {
    return Vec3{p.x, p.z == 0 ? 0.0f : -0.5f, p.z};
  });
}

TEST_F(ModelImportTest, BadFilesAreReportedWithExitCodeOne) {
  const std::string scene = (m_dir.path() / "out.l3x").string();
  const std::string junk = (m_dir.path() / "junk.glb").string();
  writeText(junk, "glTF\x02\0\0\0garbage");
  const std::string missing = (m_dir.path() / "none.gltf").string();
  for (const auto& [file, why] : {std::pair{missing, "Unable to open file \"" + missing + "\"."},
                                  std::pair{junk, std::string()}}) {
    const Outcome result = run({"import", file, "-o", scene});
    EXPECT_EQ(result.code, 1);
    EXPECT_TRUE(result.err.starts_with("showtool: " + file + ": " + why)) << result.err;
    EXPECT_FALSE(std::filesystem::exists(scene));
  }
  const std::pair<std::vector<std::string>, std::string> usage[] = {
      {{"import", "a.obj"}, "import takes one model file and -o OUT"},
      {{"import", "a.obj", "-o", "x", "--fps", "0"}, "--fps needs one whole number from 1 to 1000"},
      {{"dump", "a.l3x", "--fps", "5"}, "unknown option --fps"}};
  for (const auto& [args, what] : usage) {
    const Outcome outcome = run(args);
    EXPECT_EQ(outcome.code, 2);
    EXPECT_TRUE(outcome.err.starts_with("showtool: " + what + "\n")) << outcome.err;
  }
}

// Flat and unlit shading come from formats other than glTF and OBJ: a material made here.
TEST(ModelImportMaterial, ShadingModelsAndColours) {
  const struct {
    int shading;
    aiColor4D base, specular;
    int shadingType;
    std::array<float, 9> colours;  // colour1, colour2, colour3
  } cases[] = {
      // Base clamped to 0..1; colour1 0.15 base; no specular: colour3 the base halfway to white.
      {aiShadingMode_Flat,
       {0.4f, 0.2f, 1.5f, 1},
       {0, 0, 0, 1},
       100,
       {0.06f, 0.03f, 0.15f, 0.4f, 0.2f, 1, 0.7f, 0.6f, 1}},
      // colour3 = base + specular, clamped.
      {aiShadingMode_Phong,
       {0.4f, 0.2f, 0, 1},
       {0.8f, 0.1f, 0.2f, 1},
       0,
       {0.06f, 0.03f, 0, 0.4f, 0.2f, 0, 1, 0.3f, 0.2f}},
      // Unlit: the base everywhere.
      {aiShadingMode_Unlit,
       {0.4f, 0.2f, 0, 1},
       {0.8f, 0.1f, 0.2f, 1},
       0,
       {0.4f, 0.2f, 0, 0.4f, 0.2f, 0, 0.4f, 0.2f, 0}},
  };
  for (const auto& item : cases) {
    aiMaterial material;
    material.AddProperty(&item.shading, 1, AI_MATKEY_SHADING_MODEL);
    material.AddProperty(&item.base, 1, AI_MATKEY_COLOR_DIFFUSE);
    material.AddProperty(&item.specular, 1, AI_MATKEY_COLOR_SPECULAR);
    const L3xScene::SubMaterial sub = ModelImport::subMaterialOf(material);
    SCOPED_TRACE(item.shading);
    EXPECT_EQ(sub.shadingType, item.shadingType);
    EXPECT_FLOAT_EQ(sub.opacity, 1);
    const L3xScene::Point colours[] = {sub.colour1, sub.colour2, sub.colour3};
    for (std::size_t i = 0; i < 9; ++i) {
      const L3xScene::Point& c = colours[i / 3];
      EXPECT_FLOAT_EQ(i % 3 == 0 ? c.x : i % 3 == 1 ? c.y : c.z, item.colours[i]) << i;
    }
  }
}

}  // namespace
