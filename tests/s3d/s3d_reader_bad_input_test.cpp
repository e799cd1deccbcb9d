// The .l3x reader on broken files: cut short, lying lengths and counts, names without end,
// indices out of range, NaN and infinities, parent cycles, random bytes. None may crash, hang or
// allocate what the file's bytes cannot fill; what was read before the break stays.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "image/cimage32.h"
#include "s3d/s3d_modifier_morph.h"
#include "s3d/s3d_modifier_skin.h"
#include "s3d/s3d_scene.h"
#include "s3d/viewport.h"
#include "tests/s3d/l3x_bytes.h"
#include "tests/s3d/s3d_test_util.h"

namespace {

using namespace l3x;
using namespace s3d_test;

const Bytes kMaterialList = materials({material("m", {subMaterial("s")})});

// Four lists, each a few dozen bytes: a camera, a dummy, a material, a mesh with a face.
std::vector<Bytes> smallSceneLists() {
  return {cameras({plainCamera("c")}), dummies({dummy({.name = "d", .position = Xyz{1, 2, 3}})}),
          kMaterialList,
          meshes({mesh({head({.name = "m"}), materialIndex(0),
                        geometry({vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}})}),
                        faces({faceVertices({{0, 1, 2}})})})})};
}

// Sizes of the four collections in the order of smallSceneLists.
std::array<std::size_t, 4> sizes(const S3DScene& s) {
  return {s.m_cameras.size(), s.m_dummies.size(), s.m_materials.size(), s.m_triObjects.size()};
}

TEST(L3xBroken, EveryPrefixOfAFileLoadsNothingWithoutCrashing) {
  const Bytes file = sceneFile(smallSceneLists());
  for (std::size_t n = 0; n < file.size(); ++n) {
    const LoadedScene loaded = loadScene(Bytes(file.begin(), file.begin() + static_cast<long>(n)));
    // The root's length runs past the data: nothing of it is read.
    EXPECT_FALSE(loaded.read) << n;
    EXPECT_EQ(sizes(*loaded.scene), (std::array<std::size_t, 4>{0, 0, 0, 0})) << n;
  }
  EXPECT_EQ(sizes(*loadScene(file).scene), (std::array<std::size_t, 4>{1, 1, 1, 1}));
}

// The root cut after n bytes and its length set to n: the lists that end by n load whole, the
// one that crosses the cut stops the reading, the later ones are never seen.
TEST(L3xBroken, ACutRootKeepsTheListsBeforeTheCut) {
  const std::vector<Bytes> lists = smallSceneLists();
  const Bytes data = root(lists);
  std::array<std::size_t, 4> ends{};
  std::size_t end = 6;
  for (std::size_t i = 0; i < lists.size(); ++i)
    ends[i] = end += lists[i].size();
  ASSERT_EQ(end, data.size());
  for (std::size_t n = 6; n <= data.size(); ++n) {
    const Bytes cut =
        chunk_bytes::rawChunk(kRootId, static_cast<std::uint32_t>(n),
                              Bytes(data.begin() + 6, data.begin() + static_cast<long>(n)));
    const LoadedScene loaded = loadScene(chunk_bytes::plainFile(cut));
    std::array<std::size_t, 4> expected{};
    for (std::size_t i = 0; i < 4; ++i)
      expected[i] = ends[i] <= n ? 1 : 0;
    EXPECT_EQ(sizes(*loaded.scene), expected) << n;
    if (expected[0] == 1) {
      EXPECT_EQ(loaded->m_cameras[0].m_name, "c") << n;
    }
    if (expected[1] == 1) {
      EXPECT_EQ(loaded->m_dummies[0].m_position, (Vec3{1, 2, 3})) << n;
    }
    if (expected[3] == 1) {
      EXPECT_EQ(loaded->m_triObjects[0].m_faces.size(), 1u) << n;
    }
    EXPECT_EQ(loaded.count("S3DScene warning:|no camera to render the scene !"),
              expected[0] == 1 ? 0u : 1u)
        << n;
  }
}

// A chunk inside a mesh record whose length lies: past its parent, past the file, or below its
// own header. The reading stops there; the dummy list before it stays, the camera list after it
// is never reached.
TEST(L3xBroken, ALyingChunkLengthStopsTheReading) {
  const Bytes name = stringField("m");
  const Bytes points = wordField(1) + pointField({1, 2, 3});
  const std::vector<std::pair<const char*, Bytes>> lies{
      {"name past its head", node(1, {}, {chunk_bytes::rawChunk(1, 40, name)})},
      {"name past the file", node(1, {}, {chunk_bytes::rawChunk(1, 0x7FFFFFF0u, name)})},
      {"name length 0", node(1, {}, {chunk_bytes::rawChunk(1, 0, name)})},
      {"name length 5", node(1, {}, {chunk_bytes::rawChunk(1, 5, name)})},
      {"vertices past the geometry", node(501, {}, {chunk_bytes::rawChunk(502, 60, points)})},
      {"geometry past the mesh", chunk_bytes::rawChunk(501, 500, {})},
  };
  for (const auto& [what, lie] : lies) {
    const LoadedScene loaded =
        loadScene(sceneFile({dummies({dummy({.name = "d"})}), kMaterialList, meshes({mesh({lie})}),
                             cameras({plainCamera()})}));
    EXPECT_EQ(loaded->m_dummies.size(), 1u) << what;
    EXPECT_EQ(loaded->m_materials.size(), 1u) << what;
    EXPECT_TRUE(loaded->m_cameras.empty()) << what;
    EXPECT_EQ(loaded.count("S3DScene warning:|no camera to render the scene !"), 1u) << what;
  }
}

// Files of about a hundred bytes that announce far more than they hold: what is allocated stays
// within what the bytes could fill (a record is never less than a 6-byte chunk header).
TEST(L3xBroken, CountsLargerThanTheDataAllocateOnlyWhatFits) {
  constexpr std::uint16_t kMaxWord = 0xFFFF;
  constexpr std::int32_t kMaxInt = std::numeric_limits<std::int32_t>::max();
  const auto meshWith = [](std::vector<Bytes> children) {
    children.insert(children.begin(), head({.name = "m"}));
    return withCamera({meshes({mesh(std::move(children))})});
  };
  const auto firstMesh = [](const S3DScene& s) -> const S3DTriObject& {
    return s.m_triObjects.at(0);
  };
  struct Case {
    const char* what;
    Bytes file;
    std::function<std::size_t(const S3DScene&)> size;
  };
  const std::vector<Case> cases{
      {"meshes", withCamera({meshes({mesh({head({.name = "m"})})}, kMaxWord)}),
       [](const S3DScene& s) { return s.m_triObjects.size(); }},
      {"dummies", withCamera({dummies({}, kMaxWord)}),
       [](const S3DScene& s) { return s.m_dummies.size(); }},
      {"shapes", withCamera({shapes({}, kMaxWord)}),
       [](const S3DScene& s) { return s.m_shapes.size(); }},
      {"materials", withCamera({materials({}, kMaxWord)}),
       [](const S3DScene& s) { return s.m_materials.size(); }},
      {"cameras", sceneFile({cameras({plainCamera()}, kMaxWord)}),
       [](const S3DScene& s) { return s.m_cameras.size(); }},
      {"sub-materials", withCamera({materials({material("m", {subMaterial("s")}, kMaxInt)})}),
       [](const S3DScene& s) { return s.m_materials.at(0).m_subMaterials.size(); }},
      {"vertices", meshWith({geometry({vertices({{1, 2, 3}, {4, 5, 6}}, kMaxWord)})}),
       [&](const S3DScene& s) { return firstMesh(s).m_vertices.size(); }},
      {"edge pairs",
       meshWith({geometry({vertices({{1, 2, 3}, {4, 5, 6}}), edgePairs({{0, 1}}, kMaxWord)})}),
       [&](const S3DScene& s) { return firstMesh(s).m_edgePairs.size(); }},
      {"faces",
       meshWith({geometry({vertices({{1, 2, 3}})}), faces({faceVertices({{0, 0, 0}}, kMaxWord)})}),
       [&](const S3DScene& s) { return firstMesh(s).m_faces.size(); }},
      {"stack", meshWith({stack({modifier(3, {})}, kMaxWord)}),
       [&](const S3DScene& s) { return firstMesh(s).m_modifiers.size(); }},
      {"applications", meshWith({node(2010, wordField(kMaxWord))}),
       [&](const S3DScene& s) { return firstMesh(s).m_applications.size(); }},
      {"light names", meshWith({node(2030, wordField(kMaxWord), {stringChunk(2031, "l")})}),
       [&](const S3DScene& s) { return firstMesh(s).m_lightNames.size(); }},
      {"channel operations", meshWith({node(2040, wordField(kMaxWord))}),
       [&](const S3DScene& s) { return firstMesh(s).m_channelOperations.size(); }},
      {"generated channel values",
       meshWith({node(2050, wordField(1),
                      {node(2051, {}, {node(3, intField(kMaxInt) + floatField(1))})})}),
       [&](const S3DScene& s) { return firstMesh(s).m_generatedChannels.at(0).parameters.size(); }},
      {"lighting channel lights",
       meshWith({node(2060, wordField(1),
                      {node(2061, {}, {node(10, intField(kMaxInt), {stringChunk(11, "l")})})})}),
       [&](const S3DScene& s) { return firstMesh(s).m_lightingChannels.at(0).lightNames.size(); }},
      {"skin bones",
       meshWith({stack({modifier(1, {skin(kIdentity12, {{"b"}}, {}, kMaxWord, 0)})})}),
       [&](const S3DScene& s) {
         return static_cast<std::size_t>(
             static_cast<const S3DModifierSkin&>(*firstMesh(s).m_modifiers.at(0)).getNbBone());
       }},
      {"skin vertices",
       meshWith({stack({modifier(1, {skin(kIdentity12, {{"b"}}, {{{1.0f, 0}}}, {}, kMaxInt)})})}),
       [&](const S3DScene& s) {
         return static_cast<std::size_t>(
             static_cast<const S3DModifierSkin&>(*firstMesh(s).m_modifiers.at(0)).getNbVertex());
       }},
      {"morph targets", meshWith({stack({modifier(2, {morph({{"t", 1.0f}}, kMaxWord)})})}),
       [&](const S3DScene& s) {
         return static_cast<std::size_t>(
             static_cast<const S3DModifierMorph&>(*firstMesh(s).m_modifiers.at(0)).getNbTarget());
       }},
      {"emitters",
       withCamera({shapes({shape(2, {head({.name = "p"})}, {emitters({{1, 2, 3}}, kMaxWord)})})}),
       [](const S3DScene& s) {
         return static_cast<const S3DShapeParticles&>(*s.m_shapes.at(0)).m_emitters.size();
       }},
      {"map layer list",
       withCamera({materials({material(
           "m",
           {subMaterial(
               "s", {node(5, {},
                          {node(1, {}, {node(23, intField(kMaxInt) + floatField(1.0f))})})})})})}),
       [](const S3DScene& s) {
         return s.m_materials.at(0).m_subMaterials.at(0).m_pMapLayer->m_list23.size();
       }},
      {"track keys",
       meshWith({node(
           1, {},
           {stringChunk(1, "m"),
            node(
                3, {},
                {node(200, {}, {track(201, 1, kMaxInt, intField(0) + pointField({1, 2, 3}))})})})}),
       [&](const S3DScene& s) -> std::size_t {
         const Track<Point3D>* pTrack =
             firstMesh(s).m_pPositionTrack ? firstMesh(s).m_pPositionTrack->getTrack() : nullptr;
         return pTrack ? static_cast<std::size_t>(pTrack->getNbKey()) : 0;
       }},
  };
  for (const Case& c : cases) {
    ASSERT_LE(c.file.size(), 400u) << c.what;
    const LoadedScene loaded = loadScene(c.file);
    EXPECT_LE(c.size(*loaded.scene), c.file.size() / 6) << c.what;
  }
}

TEST(L3xBroken, NamesWithoutTerminator) {
  // A name cut by the end of its chunk is broken: the reading stops, the mesh before stays.
  const LoadedScene cut = loadScene(withCamera({meshes(
      {mesh({head({.name = "first"})}), mesh({node(1, {}, {node(1, Bytes{'a', 'b', 'c'})})})})}));
  ASSERT_GE(cut->m_triObjects.size(), 1u);
  EXPECT_EQ(cut->m_triObjects[0].m_name, "first");
  EXPECT_TRUE(cut->m_cameras.empty());

  // 300 bytes without a zero inside a longer chunk: 256 are consumed, 255 characters kept, and
  // the field after them is read from the next byte on.
  const Bytes longName(300, 'x');
  const LoadedScene kept = loadScene(withCamera(
      {dummies({node(151, {}, {node(1, {}, {node(1, longName)})}), dummy({.name = "next"})})}));
  ASSERT_EQ(kept->m_dummies.size(), 2u);
  EXPECT_EQ(kept->m_dummies[0].m_name.view(), std::string(255, 'x'));
  EXPECT_EQ(kept->m_dummies[1].m_name, "next");
  EXPECT_EQ(kept->m_cameras.size(), 1u);
}

TEST(L3xBroken, IndicesOutOfRange) {
  const LoadedScene loaded = loadScene(withCamera(
      {kMaterialList,
       meshes({mesh({head({.name = "m"}),
                     geometry({vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}),
                               textureVertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}),
                               edgePairs({{0, 2}, {0, 3}, {-1, 0}})}),
                     faces({faceVertices({{0, 1, 2}, {0, 1, 3}, {5, 0, 1}, {2, 1, 0}}),
                            faceTextureVertices({{0, 1, 2}, {0, 0, 0}, {0, 0, 0}, {7, 1, 0}}),
                            faceSubMaterials({10, 11, 12, 13})})})})}));
  const S3DTriObject& m = loaded->m_triObjects.at(0);
  // Faces naming vertex 3 or 5 of a 3-vertex mesh are dropped; the others keep their data.
  ASSERT_EQ(m.m_faces.size(), 2u);
  const S3DFace& f0 = m.m_faces[0];
  const S3DFace& f1 = m.m_faces[1];
  EXPECT_EQ((std::array<int, 7>{f0.a, f0.b, f0.c, f0.ta, f0.tb, f0.tc, f0.subMaterialWord}),
            (std::array<int, 7>{0, 1, 2, 0, 1, 2, 10}));
  // Texture vertex 7 of 3: clamped to 0.
  EXPECT_EQ((std::array<int, 7>{f1.a, f1.b, f1.c, f1.ta, f1.tb, f1.tc, f1.subMaterialWord}),
            (std::array<int, 7>{2, 1, 0, 0, 1, 0, 13}));
  EXPECT_EQ(m.m_edgePairs, (std::vector<std::array<int32_t, 2>>{{0, 2}}));
  // One report for the faces, one for the edge pairs, one for the texture indices, all under the
  // mesh's caption.
  std::size_t nbMeshReports = 0;
  for (const std::string& line : loaded.reports)
    nbMeshReports += line.starts_with("S3DTriObject warning: m|") ? 1 : 0;
  EXPECT_EQ(nbMeshReports, 3u);
}

TEST(L3xBroken, NaNAndInfinitiesLoadAndAnimate) {
  constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
  constexpr float kInf = std::numeric_limits<float>::infinity();
  const Bytes file = sceneFile(
      {materials({material(
           "m",
           {subMaterial("s", {drawing({floatChunk(14, kNaN), pointChunk(17, {kNaN, kInf, -kInf}),
                                       floatChunk(20, kNaN)},
                                      {floatTrack(110, {{0, kInf}, {10, kNaN}}),
                                       pointTrack(111, {{0, {kNaN, 1, kInf}}})}),
                              lines({}, {pointTrack(110, {{0, {kNaN, kInf, -kInf}}})})})})}),
       cameras({camera({.head = {.name = "c", .position = Xyz{kNaN, 0, 0}},
                        .fov = kNaN,
                        .nearClip = kInf,
                        .farClip = kNaN,
                        .fovKeys = {{0, kInf}, {5, kNaN}}})}),
       lights({light({.head = {.name = "l"},
                      .type = 2,
                      .intensity = kNaN,
                      .intensityKeys = {{0, kNaN}},
                      .hotspotKeys = {{0, kInf}}})}),
       dummies({dummy({.name = "d",
                       .rotation = AngleAxis{kNaN, {kInf, 0, 0}},
                       .positionKeys = {{0, {kInf, kNaN, 0}}, {10, {0, 0, 0}}},
                       .rotationKeys = {{0, {kNaN, {0, 0, 1}}}, {10, {kInf, {kNaN, 0, 0}}}}})}),
       meshes({mesh({head({.name = "m", .scale = Xyz{kInf, kNaN, 0}}), materialIndex(0),
                     geometry({vertices({{kNaN, 0, 0}, {kInf, -kInf, 0}, {0, 1, kNaN}}),
                               softSelection({kNaN, kInf, -kInf})}),
                     faces({faceVertices({{0, 1, 2}})}),
                     stack({modifier(3, {gizmo({.scale = Xyz{kInf, kNaN, 0}}),
                                         parameters({floatChunk(101, kNaN)}),
                                         modifierTracks({floatTrack(301, {{0, kInf}})})}),
                            modifier(1, {skin(kIdentity12, {{"d", Matrix12{kNaN, kInf}}},
                                              {{{kNaN, 0}}, {{kInf, 0}}, {}})}),
                            modifier(2, {morph({{"m", kNaN, {{0, kInf}}}})})})})})});
  const LoadedScene loaded = loadScene(file);
  EXPECT_TRUE(loaded.read);
  EXPECT_EQ(sizes(*loaded.scene), (std::array<std::size_t, 4>{1, 1, 1, 1}));
  EXPECT_EQ(loaded->m_triObjects.at(0).m_modifiers.size(), 3u);
  CImage32Buffered screen(64, 32);
  ViewPort viewPort;
  viewPort.setScreen(&screen);
  loaded->setViewPort(&viewPort);
  for (const float time : {0.0f, 5.0f, 1e9f, -1e9f, kNaN, kInf})
    loaded->setTime(time);
  EXPECT_EQ(loaded->m_cameras.at(0).m_width, 64.0f);
}

// Parent cycles: each is reported once with the names of its objects, which keep no parent;
// the objects hanging from a cycle keep theirs; the links hold no cycle member.
TEST(L3xBroken, ParentCyclesAreBrokenAndReported) {
  struct Case {
    const char* what;
    std::vector<std::pair<std::string, std::string>> dummies;  // name, parent
    std::vector<std::string> cycle;
  };
  const std::vector<Case> cases{
      {"A->A", {{"A", "A"}}, {"A"}},
      {"A->B->A", {{"A", "B"}, {"B", "A"}}, {"A", "B"}},
      {"tail into a cycle", {{"D", "A"}, {"A", "B"}, {"B", "C"}, {"C", "A"}}, {"A", "B", "C"}},
      {"cycle then tail", {{"A", "B"}, {"B", "A"}, {"D", "A"}, {"E", "D"}}, {"A", "B"}},
  };
  for (const Case& c : cases) {
    std::vector<Bytes> records;
    for (const auto& [name, parent] : c.dummies)
      records.push_back(dummy({.name = name, .parent = parent}));
    const LoadedScene loaded = loadScene(withCamera({dummies(records)}));
    ASSERT_EQ(loaded->m_dummies.size(), c.dummies.size()) << c.what;
    std::vector<std::string> cycleReports;
    for (const std::string& line : loaded.reports)
      if (line.starts_with(kSceneCaption)) cycleReports.push_back(line);
    ASSERT_EQ(cycleReports.size(), 1u) << c.what;
    for (const std::string& name : c.cycle)
      EXPECT_NE(cycleReports[0].find(name), std::string::npos) << c.what << ": " << name;
    for (const S3DDummy& d : loaded->m_dummies) {
      const std::string name(d.m_name.view());
      const bool inCycle = std::find(c.cycle.begin(), c.cycle.end(), name) != c.cycle.end();
      EXPECT_EQ(d.m_pParent == nullptr, inCycle) << c.what << ": " << name;
      EXPECT_EQ(
          std::find(loaded->m_links.begin(), loaded->m_links.end(), &d) != loaded->m_links.end(),
          !inCycle)
          << c.what << ": " << name;
    }
  }
}

TEST(L3xBroken, RandomBytes) {
  std::mt19937 random(20240611);
  const Bytes valid = sceneFile(smallSceneLists());
  for (int i = 0; i < 300; ++i) {
    Bytes data;
    if (i < 40) {
      // Noise behind a plain flag, then behind a root header that fits.
      data.resize(1 + random() % 600);
      for (std::uint8_t& byte : data)
        byte = static_cast<std::uint8_t>(random());
      data[0] = 0;
      if (i % 2 == 1 && data.size() > 7) {
        const Bytes header =
            chunk_bytes::rawChunk(kRootId, static_cast<std::uint32_t>(data.size() - 1));
        std::copy(header.begin(), header.end(), data.begin() + 1);
      }
    } else {
      // The valid scene with one to four bytes changed.
      data = valid;
      for (unsigned k = 0; k <= random() % 4; ++k)
        data[1 + random() % (data.size() - 1)] = static_cast<std::uint8_t>(random());
    }
    const LoadedScene loaded = loadScene(data);
    loaded->setTime(0.0f);
    loaded->setTime(30.0f);
    // Every collection stays within what the bytes could hold.
    for (std::size_t size : sizes(*loaded.scene))
      EXPECT_LE(size, data.size() / 6) << i;
  }
}

}  // namespace
