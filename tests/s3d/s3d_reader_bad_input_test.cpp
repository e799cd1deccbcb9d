// The .l3x reader on broken files: cut short, lying lengths and counts, names without end, indices
// out of range, NaN and infinities, parent cycles, random bytes. None may crash, hang or allocate
// what the file's bytes cannot fill; what was read before the break stays.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
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
using Sizes = std::array<std::size_t, 4>;

// Four lists, each a few dozen bytes: a camera, a dummy, a material, a mesh with a face.
std::vector<Bytes> smallSceneLists() {
  return {cameras({plainCamera("c")}), dummies({dummy({.name = "d", .position = Xyz{1, 2, 3}})}),
          oneMaterial(),
          meshes({mesh({head({.name = "m"}), materialIndex(0),
                        geometry({vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}})}),
                        faces({faceVertices({{0, 1, 2}})})})})};
}

// Sizes of the four collections in the order of smallSceneLists.
Sizes sizes(const S3DScene& s) {
  return {s.m_cameras.size(), s.m_dummies.size(), s.m_materials.size(), s.m_triObjects.size()};
}

TEST(L3xBroken, EveryPrefixOfAFileLoadsNothingWithoutCrashing) {
  const Bytes file = sceneFile(smallSceneLists());
  for (std::size_t n = 0; n < file.size(); ++n) {
    const LoadedScene loaded = loadScene(Bytes(file.begin(), file.begin() + static_cast<long>(n)));
    // The root's length runs past the data: nothing of it is read.
    EXPECT_FALSE(loaded.read) << n;
    EXPECT_EQ(sizes(*loaded.scene), (Sizes{0, 0, 0, 0})) << n;
  }
  EXPECT_EQ(sizes(*loadScene(file).scene), (Sizes{1, 1, 1, 1}));
}

// The root cut after n bytes and its length set to n: the lists that end by n load whole, the one
// that crosses the cut stops the reading, the later ones are never seen.
TEST(L3xBroken, ACutRootKeepsTheListsBeforeTheCut) {
  const std::vector<Bytes> lists = smallSceneLists();
  const Bytes data = root(lists);
  Sizes ends{};
  std::size_t end = 6;
  for (std::size_t i = 0; i < lists.size(); ++i)
    ends[i] = end += lists[i].size();
  ASSERT_EQ(end, data.size());
  for (std::size_t n = 6; n <= data.size(); ++n) {
    const LoadedScene loaded = loadScene(chunk_bytes::plainFile(
        chunk_bytes::rawChunk(kRootId, static_cast<std::uint32_t>(n),
                              Bytes(data.begin() + 6, data.begin() + static_cast<long>(n)))));
    Sizes expected{};
    for (std::size_t i = 0; i < 4; ++i)
      expected[i] = ends[i] <= n ? 1 : 0;
    EXPECT_EQ(sizes(*loaded.scene), expected) << n;
    EXPECT_EQ(namesOf(loaded->m_cameras), std::vector<std::string>(expected[0], "c")) << n;
    for (const S3DDummy& d : loaded->m_dummies)
      EXPECT_EQ(d.m_position, (Vec3{1, 2, 3})) << n;
    for (const S3DTriObject& m : loaded->m_triObjects)
      EXPECT_EQ(m.m_faces.size(), 1u) << n;
    EXPECT_EQ(loaded.count(kNoCamera), 1u - expected[0]) << n;
  }
}

// A chunk inside a mesh record whose length lies: past its parent, past the file, or below its own
// header. The reading stops there; the lists before it stay, the camera list after it is never
// reached.
TEST(L3xBroken, ALyingChunkLengthStopsTheReading) {
  using chunk_bytes::rawChunk;
  const Bytes name = field(std::string_view("m"));
  const Bytes points = counted(std::vector<Xyz>{{1, 2, 3}});
  const std::vector<std::pair<const char*, Bytes>> lies{
      {"name past its head", node(1, {}, {rawChunk(1, 40, name)})},
      {"name past the file", node(1, {}, {rawChunk(1, 0x7FFFFFF0u, name)})},
      {"name length 0", node(1, {}, {rawChunk(1, 0, name)})},
      {"name length 5", node(1, {}, {rawChunk(1, 5, name)})},
      {"vertices past the geometry", node(501, {}, {rawChunk(502, 60, points)})},
      {"geometry past the mesh", rawChunk(501, 500, {})},
  };
  for (const auto& [what, lie] : lies) {
    const LoadedScene loaded =
        loadScene(sceneFile({dummies({dummy({.name = "d"})}), oneMaterial(), meshes({mesh({lie})}),
                             cameras({plainCamera()})}));
    EXPECT_EQ(sizes(*loaded.scene), (Sizes{0, 1, 1, loaded->m_triObjects.size()})) << what;
    EXPECT_EQ(loaded.count(kNoCamera), 1u) << what;
  }
}

// The largest count of one kind of thing anywhere in the scene: objects of a collection,
// sub-materials, a map layer's kept list, and per object vertices, edge pairs, faces, stack
// entries, list entries, channel values and lights, skin bones and vertices, morph targets,
// emitters and position keys.
std::size_t largestCount(const S3DScene& s) {
  std::vector<std::size_t> n{s.m_triObjects.size(),  s.m_dummies.size(), s.m_shapes.size(),
                             s.m_wsModifiers.size(), s.m_cameras.size(), s.m_lights.size(),
                             s.m_materials.size()};
  for (const S3DMaterial& material : s.m_materials) {
    n.push_back(material.m_subMaterials.size());
    for (const S3DSubMaterial& sub : material.m_subMaterials)
      n.push_back(sub.m_pMapLayer ? sub.m_pMapLayer->m_list23.size() : 0);
  }
  const auto count = [&](const S3DVertexObject& o) {
    n.insert(n.end(), {o.m_vertices.size(), o.m_modifiers.size(), o.m_applications.size(),
                       o.m_lightNames.size(), o.m_channelOperations.size()});
    for (const S3DGeneratedChannel& channel : o.m_generatedChannels)
      n.push_back(channel.parameters.size());
    for (const S3DLightingChannel& channel : o.m_lightingChannels)
      n.push_back(channel.lightNames.size());
    for (const auto& pModifier : o.m_modifiers) {
      if (const auto* pSkin = dynamic_cast<const S3DModifierSkin*>(pModifier.get()))
        n.insert(n.end(), {static_cast<std::size_t>(pSkin->getNbBone()),
                           static_cast<std::size_t>(pSkin->getNbVertex())});
      if (const auto* pMorph = dynamic_cast<const S3DModifierMorph*>(pModifier.get()))
        n.push_back(static_cast<std::size_t>(pMorph->getNbTarget()));
    }
    const Track<Point3D>* pTrack = o.m_pPositionTrack ? o.m_pPositionTrack->getTrack() : nullptr;
    n.push_back(pTrack ? static_cast<std::size_t>(pTrack->getNbKey()) : 0);
  };
  for (const S3DTriObject& mesh : s.m_triObjects) {
    count(mesh);
    n.insert(n.end(), {mesh.m_edgePairs.size(), mesh.m_faces.size()});
  }
  for (const auto& pShape : s.m_shapes) {
    if (pShape) count(*pShape);
    if (const auto* pParticles = dynamic_cast<const S3DShapeParticles*>(pShape.get()))
      n.push_back(pParticles->m_emitters.size());
  }
  return *std::max_element(n.begin(), n.end());
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
  const std::pair<const char*, Bytes> cases[] = {
      {"meshes", withCamera({meshes({mesh({head({.name = "m"})})}, kMaxWord)})},
      {"dummies", withCamera({dummies({}, kMaxWord)})},
      {"shapes", withCamera({shapes({}, kMaxWord)})},
      {"materials", withCamera({materials({}, kMaxWord)})},
      {"cameras", sceneFile({cameras({plainCamera()}, kMaxWord)})},
      {"sub-materials", withCamera({materials({material("m", {subMaterial("s")}, kMaxInt)})})},
      {"vertices", meshWith({geometry({vertices({{1, 2, 3}, {4, 5, 6}}, kMaxWord)})})},
      {"edge pairs",
       meshWith({geometry({vertices({{1, 2, 3}, {4, 5, 6}}), edgePairs({{0, 1}}, kMaxWord)})})},
      {"faces",
       meshWith({geometry({vertices({{1, 2, 3}})}), faces({faceVertices({{0, 0, 0}}, kMaxWord)})})},
      {"stack", meshWith({stack({modifier(3)}, kMaxWord)})},
      {"applications", meshWith({list(2010, {}, kMaxWord)})},
      {"light names", meshWith({list(2030, {stringChunk(2031, "l")}, kMaxWord)})},
      {"channel operations", meshWith({list(2040, {}, kMaxWord)})},
      {"generated channel values",
       meshWith({list(2050, {block(2051, {node(3, field(kMaxInt) + field(1.0f))})})})},
      {"lighting channel lights",
       meshWith({list(2060, {block(2061, {node(10, field(kMaxInt), {stringChunk(11, "l")})})})})},
      {"skin bones",
       meshWith({stack({modifier(1, {skin(kIdentity12, {{"b"}}, {}, kMaxWord, 0)})})})},
      {"skin vertices",
       meshWith({stack({modifier(1, {skin(kIdentity12, {{"b"}}, {{{1.0f, 0}}}, {}, kMaxInt)})})})},
      {"morph targets", meshWith({stack({modifier(2, {morph({{"t", 1.0f}}, kMaxWord)})})})},
      {"emitters",
       withCamera({shapes({shape(2, {head({.name = "p"})}, {emitters({{1, 2, 3}}, kMaxWord)})})})},
      {"map layer list",
       withCamera({materials({material(
           "m", {subMaterial(
                    "s", {block(5, {block(1, {node(23, field(kMaxInt) + field(1.0f))})})})})})})},
      {"track keys",
       meshWith({block(1, {stringChunk(1, "m"),
                           block(3, {block(200, {track(201, 1, kMaxInt,
                                                       field(0) + field(Xyz{1, 2, 3}))})})})})},
  };
  for (const auto& [what, file] : cases) {
    ASSERT_LE(file.size(), 400u) << what;
    EXPECT_LE(largestCount(*loadScene(file).scene), file.size() / 6) << what;
  }
}

TEST(L3xBroken, NamesWithoutTerminator) {
  // A name cut by the end of its chunk is broken: the reading stops, the mesh before stays.
  const LoadedScene cut = loadScene(withCamera({meshes(
      {mesh({head({.name = "first"})}), mesh({node(1, {}, {node(1, {'a', 'b', 'c'})})})})}));
  EXPECT_EQ(namesOf(cut->m_triObjects).at(0), "first");
  EXPECT_TRUE(cut->m_cameras.empty());

  // 300 bytes without a zero inside a longer chunk: 256 are consumed, 255 characters kept, and the
  // field after them is read from the next byte on.
  const LoadedScene kept = loadScene(withCamera({dummies(
      {node(151, {}, {node(1, {}, {node(1, Bytes(300, 'x'))})}), dummy({.name = "next"})})}));
  EXPECT_EQ(namesOf(kept->m_dummies), (std::vector<std::string>{std::string(255, 'x'), "next"}));
  EXPECT_EQ(kept->m_cameras.size(), 1u);
}

TEST(L3xBroken, IndicesOutOfRange) {
  const LoadedScene loaded = loadScene(withCamera(
      {oneMaterial(),
       meshes({mesh({head({.name = "m"}),
                     geometry({vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}),
                               arrayChunk<Xyz>(504, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}),
                               edgePairs({{0, 2}, {0, 3}, {-1, 0}})}),
                     faces({faceVertices({{0, 1, 2}, {0, 1, 3}, {5, 0, 1}, {2, 1, 0}}),
                            arrayChunk<Triple>(1002, {{0, 1, 2}, {0, 0, 0}, {0, 0, 0}, {7, 1, 0}}),
                            arrayChunk<std::uint16_t>(1003, {10, 11, 12, 13})})})})}));
  const S3DTriObject& m = loaded->m_triObjects.at(0);
  // Faces naming vertex 3 or 5 of a 3-vertex mesh are dropped; the others keep their data. Texture
  // vertex 7 of 3 is clamped to 0.
  std::vector<std::array<int, 7>> faces;
  for (const S3DFace& f : m.m_faces)
    faces.push_back({f.a, f.b, f.c, f.ta, f.tb, f.tc, f.subMaterialWord});
  EXPECT_EQ(faces,
            (std::vector<std::array<int, 7>>{{0, 1, 2, 0, 1, 2, 10}, {2, 1, 0, 0, 1, 0, 13}}));
  EXPECT_EQ(m.m_edgePairs, (std::vector<std::array<int32_t, 2>>{{0, 2}}));
  // One report for the faces, one for the edge pairs, one for the texture indices, all under the
  // mesh's caption.
  EXPECT_EQ(std::count_if(loaded.reports.begin(), loaded.reports.end(),
                          [](const std::string& line) {
                            return line.starts_with("S3DTriObject warning: m|");
                          }),
            3);
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
                               arrayChunk<float>(503, {kNaN, kInf, -kInf})}),
                     faces({faceVertices({{0, 1, 2}})}),
                     stack({modifier(3, {gizmo({pointChunk(104, {kInf, kNaN, 0})}),
                                         parameters({floatChunk(101, kNaN)}),
                                         modifierTracks({floatTrack(301, {{0, kInf}})})}),
                            modifier(1, {skin(kIdentity12, {{"d", Matrix12{kNaN, kInf}}},
                                              {{{kNaN, 0}}, {{kInf, 0}}, {}})}),
                            modifier(2, {morph({{"m", kNaN, {{0, kInf}}}})})})})})});
  const LoadedScene loaded = loadScene(file);
  EXPECT_TRUE(loaded.read);
  EXPECT_EQ(sizes(*loaded.scene), (Sizes{1, 1, 1, 1}));
  EXPECT_EQ(loaded->m_triObjects.at(0).m_modifiers.size(), 3u);
  CImage32Buffered screen(64, 32);
  ViewPort viewPort;
  viewPort.setScreen(&screen);
  loaded->setViewPort(&viewPort);
  for (const float time : {0.0f, 5.0f, 1e9f, -1e9f, kNaN, kInf})
    loaded->setTime(time);
  EXPECT_EQ(loaded->m_cameras.at(0).m_width, 64.0f);
}

// Parent cycles: each is reported once with the names of its objects, which keep no parent; the
// objects hanging from a cycle keep theirs; the links hold no cycle member.
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
    ASSERT_EQ(loaded.reports.size(), 1u) << c.what;
    EXPECT_TRUE(loaded.reports[0].starts_with(kSceneCaption)) << c.what;
    for (const std::string& name : c.cycle)
      EXPECT_NE(loaded.reports[0].find(name), std::string::npos) << c.what << ": " << name;
    for (const S3DDummy& d : loaded->m_dummies) {
      const std::string name(d.m_name.view());
      const bool inCycle = std::find(c.cycle.begin(), c.cycle.end(), name) != c.cycle.end();
      const auto& links = loaded->m_links;
      EXPECT_EQ(d.m_pParent == nullptr, inCycle) << c.what << ": " << name;
      EXPECT_EQ(std::find(links.begin(), links.end(), &d) != links.end(), !inCycle)
          << c.what << ": " << name;
    }
  }
}

TEST(L3xBroken, RandomBytes) {
  std::mt19937 random(20240611);
  const Bytes valid = sceneFile(smallSceneLists());
  for (int i = 0; i < 200; ++i) {
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
    // Everything stays within what the bytes could hold.
    EXPECT_LE(largestCount(*loaded.scene), data.size() / 6) << i;
  }
}

}  // namespace
