#pragma once
// One scene file with every record kind of the .l3x layout and a different value in nearly every
// field, so that a value read into the wrong place shows. Each track holds one key at frame 0 (the
// box's position track two), a different constant each, in every key type: linear, Hermite, TCB
// and Bezier. Unknown chunks (999 at the root, 3000 in the box, the texture layer's 100) are there
// to be passed over. The scene reader's tests and showtool's dump tests read it.

#include <cstdint>
#include <optional>
#include <vector>

#include "tests/s3d/l3x_bytes.h"

namespace l3x::every_record {

inline constexpr float kHalfPi = 1.57079637f;
// Skin binds: translations, so that the offsets can be worked by hand.
inline constexpr Matrix12 kSkinBind{1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 1};
inline constexpr Matrix12 kBone1Bind{1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 2, 0};

// bias, continuity, tension, easeFrom, easeTo of a TCB key.
inline Bytes tcb() {
  return field(std::vector<float>{0.25f, 0, -0.5f, 0.125f, 0});
}
inline Bytes texture() {
  return textureLayer(1, 3, "wood.tga", {0.25f, 0.5f, 0.5f, 0.25f}, 8.0f, {14, 15, 16, 17, 18});
}

inline Bytes materialList() {
  std::vector<Bytes> map{stringChunk(10, "map.tga"),
                         intChunk(11, 1),
                         intChunk(12, 2),
                         intChunk(13, 1),
                         floatChunk(14, 0.1f),
                         floatChunk(15, 0.2f),
                         floatChunk(16, 2.0f),
                         floatChunk(17, 3.0f),
                         floatChunk(18, 0.5f),
                         intChunk(19, 1),
                         intChunk(20, 1),
                         floatChunk(21, 0.75f),
                         intChunk(22, 22)};
  map.push_back(node(23, intCounted(std::vector<float>{1, 2, 3})));
  for (std::uint16_t id = 24; id <= 29; ++id)
    map.push_back(floatChunk(id, static_cast<float>(id)));
  // One constant per track holder; 113 is no holder of the table and must land nowhere.
  const std::uint16_t holders[] = {110, 111, 112, 113, 114, 115, 116, 117, 118};
  const float values[] = {1.1f, 1.2f, 1.3f, 9.9f, 1.4f, 1.5f, 1.6f, 1.7f, 1.8f};
  std::vector<Bytes> mapTracks;
  for (std::size_t i = 0; i < 9; ++i)
    mapTracks.push_back(floatTrack(holders[i], {{0, values[i]}}));
  const Bytes shiny = subMaterial(
      "shiny",
      {drawing({intChunk(10, 0), intChunk(11, 1), intChunk(12, 201), intChunk(13, 3),
                floatChunk(14, 0.25f), intChunk(15, 1), intChunk(16, 16),
                pointChunk(17, {0.125f, 0.25f, 0.5f}),
                pointChunk(18, {255.0f, 128.0f, 0.0f}),  // one component above 1: 0..255
                pointChunk(19, {0.5f, 1.0f, 0.75f}),     // 1.0 is not above 1: kept
                floatChunk(20, 0.5f), intChunk(21, 21),
                parametersAndTracks(22, {stringChunk(10, "opacity.tga"), intChunk(11, 1),
                                         intChunk(20, 1), floatChunk(21, 0.5f)}),
                parametersAndTracks(
                    23, {stringChunk(10, "over.tga"), intChunk(12, 4), floatChunk(21, 0.25f)})},
               {floatTrack(110, {{0, 0.75f}}), pointTrack(111, {{0, {0.5f, 0.5f, 0.5f}}}),
                pointTrack(112, {{0, {0.0f, 0.5f, 1.0f}}}),
                pointTrack(113, {{0, {1.0f, 0.0f, 0.0f}}})}),
       lines({intChunk(10, 1), intChunk(11, 0x123456), intChunk(12, 2), floatChunk(13, 0.5f),
              floatChunk(14, 2.5f), intChunk(15, 1), intChunk(16, 99)},
             {pointTrack(110, {{0, {255.0f, 0.0f, 0.0f}}})}),
       texture(), parametersAndTracks(5, map, mapTracks)});
  return materials(
      {material("metal", {shiny, subMaterial("dull")}), material("glass", {subMaterial("clear")})});
}

// Lights written chunk by chunk (their layout is beside l3x::Light).
inline Bytes lightList() {
  return lights(
      {block(111, {head({.name = "omni", .position = Xyz{0, 10, 0}}),
                   block(100, {pointChunk(101, {1.0f, 0.5f, 0.25f}), intChunk(105, 1),
                               floatChunk(102, 0.8f), floatChunk(103, 10), floatChunk(104, 200)}),
                   block(200, {floatTrack(201, {{0, 0.6f}})})}),
       block(111,
             {head({.name = "spot"}), head({.name = "spot.target", .position = Xyz{0, 0, 5}}, 2),
              block(100, {pointChunk(101, {0.2f, 0.4f, 0.6f}), intChunk(105, 2),
                          floatChunk(102, 1.5f), floatChunk(103, 5), floatChunk(104, 50),
                          floatChunk(107, 0.3f), floatChunk(106, 0.6f)}),
              block(200, {floatTrack(201, {{0, 2.0f}}), pointTrack(202, {{0, {0.1f, 0.2f, 0.3f}}}),
                          floatTrack(203, {{0, 6.0f}}), floatTrack(204, {{0, 60.0f}}),
                          floatTrack(206, {{0, 0.35f}}), floatTrack(205, {{0, 0.65f}})})}),
       block(111, {head({.name = "directed"}), head({.name = "directed.target"}, 2),
                   block(100, {intChunk(105, 3), floatChunk(107, 0.1f), floatChunk(106, 0.2f)}),
                   block(200, {floatTrack(206, {{0, 0.9f}})})})});
}

inline Bytes boxMesh(float firstX) {
  const auto operation = [](const char* pOut, const char* pIn1, const char* pIn2, std::int32_t op) {
    return block(2041, {stringChunk(1, pOut), stringChunk(10, pIn1), stringChunk(11, pIn2),
                        intChunk(12, op)});
  };
  const auto layer = [](std::uint16_t id, std::int32_t enabled, std::int32_t value,
                        const char* pMesh) {
    return block(id, {intChunk(1, enabled), intChunk(2, value), stringChunk(3, pMesh),
                      id == 2200 ? texture() : Bytes{}});
  };
  // Bezier: value, inSlope, inLength, word inType, outSlope, outLength, word outType.
  const Bytes bezier = field(0) + field(std::vector<float>{0.75f, 1, 2}) + field(std::uint16_t{3}) +
                       field(std::vector<float>{4, 5}) + field(std::uint16_t{1});
  const Bytes morphTarget =
      block(101, {parameters({stringChunk(101, "target"), floatChunk(102, 0.5f)}),
                  block(250, {track(301, 4, 1, bezier)})});
  return mesh(
      {block(1, {stringChunk(1, "box"), stringChunk(2, "root"),
                 block(3, {block(100, {byteChunk(101, 1), pointChunk(102, {1, 0, 0}),
                                       pointChunk(103, {0, 0, 10}), pointChunk(104, {1, 1, 1}),
                                       angleAxisChunk(105, {kHalfPi, {0, 0, 2}})}),
                           block(200, {track(201, 3, 2,
                                             field(0) + field(Xyz{0, 0, 0}) + tcb() + field(30) +
                                                 field(Xyz{30, 60, -90}) + tcb()),
                                       track(202, 2, 1, field(0) + field(Xyz{1, 2, 3})),
                                       rotationTrack(203, {{0, {kHalfPi, {0, 0, 1}}}})})})}),
       materialIndex(0),
       geometry({vertices({{firstX, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 2}}),
                 arrayChunk<float>(503, {0.0f, 0.25f, 0.5f, 1.0f}),
                 arrayChunk<Xyz>(504, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}),
                 edgePairs({{0, 1}, {2, 3}})}),
       faces({faceVertices({{0, 1, 2}, {0, 2, 3}}),
              arrayChunk<Triple>(1002, {{3, 2, 1}, {1, 0, 3}}),
              arrayChunk<std::uint16_t>(1003, {1, 5}), arrayChunk<std::uint16_t>(1004, {40, 41})}),
       stack({modifier(3, {gizmo({pointChunk(102, {1, 2, 3})}),
                           parameters(
                               {byteChunk(100, 0), floatChunk(101, 1.5f), floatChunk(102, 0.25f)}),
                           modifierTracks({floatTrack(301, {{0, 2.5f}})})}),
              modifier(
                  5, {parameters({byteChunk(100, 7), byteChunk(101, 1), byteChunk(102, 1),
                                  floatChunk(103, 0.5f), intChunk(104, 104), floatChunk(106, 50.0f),
                                  floatChunk(107, 0.125f), pointChunk(108, {1, 2, 3})}),
                      modifierTracks({pointTrack(303, {{0, {4, 5, 6}}})})}),
              modifier(8, {parameters({byteChunk(100, 0), byteChunk(101, 2), byteChunk(102, 1),
                                       floatChunk(103, 0.5f), floatChunk(104, -0.5f)})}),
              modifier(1, {skin(kSkinBind, {{"bone1", kBone1Bind}, {"bone2", kIdentity12}},
                                {{{1.0f, 0}}, {{0.5f, 0}, {0.5f, 1}}, {}, {{0.25f, 1}}})}),
              modifier(2, {parameters({list(100, {morphTarget})})})}),
       // "7" is entry 7 modulo 5 = 2; "-3" counts as 0.
       namedChannels(2010, {{"1", 1, 0, "softSelection"}, {"7", 0, 1, "opacityMap"}, {"-3"}}),
       namedChannels(2020, {{"wsBend", 1, 1, "softSelection"}}), nameList(2030, {"omni", "spot"}),
       list(2040, {operation("out", "in1", "in2", 3), operation("o2", "a", "b", 4)}),
       list(2050, {block(2051, {stringChunk(1, "gen"), intChunk(2, 2),
                                node(3, intCounted(std::vector<float>{0.5f, 1.5f, 2.5f}))})}),
       list(2060, {block(2061, {stringChunk(1, "lit"), nameList(10, {"spot", "directed"}, true)})}),
       block(2070,
             {stringChunk(2071, "refA"), stringChunk(2072, "refB"), stringChunk(2073, "refC")}),
       intChunk(2100, 2100), intChunk(2101, 11), intChunk(2102, 12), intChunk(2103, 13),
       intChunk(2104, 14), intChunk(2105, 1), layer(2200, 1, 5, "layerMesh"),
       layer(2201, 0, 6, "NULL"), layer(2202, 1, 7, ""), node(3000, {0xde, 0xad})});
}

// The root's children; `fov` of the first camera and `firstX` of the box's first vertex can be
// changed, to compare with a file edited elsewhere.
inline std::vector<Bytes> rootChildren(float fov, float firstX) {
  std::vector<Bytes> warpValues, warpTracks;
  for (std::uint16_t i = 0; i < 8; ++i)
    warpValues.push_back(
        floatChunk(static_cast<std::uint16_t>(100 + i), 10.0f + static_cast<float>(i)));
  for (std::uint16_t i = 0; i < 6; ++i)
    warpTracks.push_back(
        floatTrack(static_cast<std::uint16_t>(300 + i), {{0, 20.0f + static_cast<float>(i)}}));
  const Bytes bendGizmo =
      gizmo({matrixChunk(101, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}), pointChunk(102, {1, 1, 1}),
             pointChunk(103, {2, 2, 2}), pointChunk(104, {3, 3, 3}),
             angleAxisChunk(105, {3.14159265f, {1, 0, 0}})},
            {pointTrack(202, {{0, {7, 7, 7}}}), pointTrack(203, {{0, {8, 8, 8}}}),
             pointTrack(204, {{0, {9, 9, 9}}}), rotationTrack(205, {{0, {kHalfPi, {0, 1, 0}}}})});
  const Bytes rootRotation =
      block(200, {track(203, 3, 1, field(5) + field(AngleAxis{7, {1, 0, 0}}) + tcb())});
  return {
      wordChunk(50, 120),
      intChunk(500, 0),
      intChunk(501, 7),
      stringChunk(502, "stage"),
      materialList(),
      lightList(),
      cameras({block(121, {head({.name = "cam", .position = Xyz{0, 0, -50}}),
                           head({.name = "cam.target", .position = Xyz{1, 2, 3}}, 2),
                           block(100, {floatChunk(101, fov), floatChunk(102, 0.1f),
                                       floatChunk(103, 0.5f), floatChunk(104, 5000)}),
                           block(200, {floatTrack(201, {{0, 1.2f}}),
                                       track(202, 3, 1, field(0) + field(0.2f) + tcb())})}),
               plainCamera("cam2")}),
      dummies({block(151, {block(1, {stringChunk(1, "root"),
                                     block(3, {block(100, {byteChunk(101, 0),
                                                           pointChunk(102, {0.5f, 0.5f, 0.5f}),
                                                           pointChunk(103, {1, 2, 3})}),
                                               rootRotation})})}),
               // The axis is not normalised: the quaternion keeps its length.
               dummy({.name = "bone1",
                      .parent = "root",
                      .matrixMode = 1,
                      .position = Xyz{4, 5, 6},
                      .scale = Xyz{2, 2, 2},
                      .rotation = AngleAxis{kHalfPi, {0, 0, 2}}}),
               dummy({.name = "bone2", .parent = "bone1"})}),
      wsModifiers(
          {wsModifier(
               {.name = "wsBend", .position = Xyz{0, 1, 0}}, 3,
               {bendGizmo,
                parameters({byteChunk(100, 2), floatChunk(101, 0.7f), floatChunk(102, 0.3f)}),
                modifierTracks({floatTrack(301, {{0, 0.8f}}), floatTrack(302, {{0, 0.4f}})})}),
           wsModifier({.name = "wsWarp"}, 12,
                      {parameters(warpValues), modifierTracks(warpTracks)})}),
      meshes({boxMesh(firstX),
              mesh({head({.name = "target"}), materialIndex(1),
                    geometry({vertices({{0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}})})}),
              mesh({head({.name = "layerMesh"}), materialIndex(0)})}),
      shapes({shape(1, {head({.name = "dots", .parent = "box"}), materialIndex(1),
                        geometry({vertices({{0, 0, 0}, {1, 2, 3}, {-1, 5, 0}})}),
                        stack({modifier(7, {parameters({byteChunk(100, 1), floatChunk(101, 0.9f),
                                                        floatChunk(102, 0.1f)})}),
                               modifier(10, {parameters({floatChunk(100, 0.6f)}),
                                             modifierTracks({floatTrack(301, {{0, 0.8f}})})})}),
                        nameList(2030, {"omni"}), intChunk(2100, 42)}),
              shape(2, {head({.name = "sparks"})}, {emitters({{1, 2, 3}, {4, 5, 6}})}),
              shape(3, {head({.name = "sprite"})},
                    {floatChunk(11, 0.5f), floatChunk(12, 0.25f), intChunk(13, 2), intChunk(14, 1),
                     intChunk(15, 0)})}),
      node(999, {1, 2, 3})};
}

// The root chunk, its free child lists written as they are or reversed.
inline Bytes rootChunk(bool reversed = false, float fov = 1.0f, float firstX = -1.0f) {
  std::optional<ReversedChildren> order;
  if (reversed) order.emplace();
  return root(rootChildren(fov, firstX));
}

}  // namespace l3x::every_record
