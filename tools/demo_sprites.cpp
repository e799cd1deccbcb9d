#include "tools/demo_sprites.h"

#include <array>
#include <numbers>
#include <string>
#include <vector>

namespace DemoSprites {

namespace {

using Json = nlohmann::json;
using Xyz = std::array<float, 3>;

constexpr float kPi = std::numbers::pi_v<float>;

Json chunk(int id, const char* pName, Json children = Json::array()) {
  Json node = {{"id", id}, {"chunk", pName}};
  if (!children.empty()) node["children"] = std::move(children);
  return node;
}

Json value(int id, const char* pName, Json field) {
  return {{"id", id}, {"chunk", pName}, {pName, std::move(field)}};
}

// A track holder `holder` with one linear track of `keys` ({"time", "value"} or, for rotations,
// {"time", "angle", "axis"}).
Json linearTrack(int id, const char* pHolder, Json keys) {
  Json linear = {{"id", 1}, {"chunk", "linear-keys"}, {"keys", std::move(keys)}};
  Json type = {
      {"id", 1}, {"chunk", "track-type"}, {"trackType", 1}, {"children", Json::array({linear})}};
  return chunk(id, pHolder, Json::array({type}));
}

Json floatKey(int time, float value) {
  return {{"time", time}, {"value", value}};
}
Json pointKey(int time, Xyz value) {
  return {{"time", time}, {"value", value}};
}
// A turn of `angle` radians about z (linear rotation keys are absolute).
Json turnKey(int time, float angle) {
  return {{"time", time}, {"angle", angle}, {"axis", Xyz{0.0f, 0.0f, 1.0f}}};
}

struct Head {
  std::string name = {};
  std::string parent = {};
  Xyz position{};
  Xyz scale{1.0f, 1.0f, 1.0f};
  Json positionKeys = Json::array();
  Json scaleKeys = Json::array();
  Json rotationKeys = Json::array();
};

Json head(const Head& h, int id = 1, const char* pChunk = "head") {
  Json parameters =
      Json::array({value(103, "position", h.position), value(104, "scale", h.scale),
                   value(105, "rotation", {{"angle", 0.0f}, {"axis", Xyz{0.0f, 0.0f, 1.0f}}})});
  Json tracks = Json::array();
  if (!h.positionKeys.empty()) tracks.push_back(linearTrack(201, "positionTrack", h.positionKeys));
  if (!h.scaleKeys.empty()) tracks.push_back(linearTrack(202, "scaleTrack", h.scaleKeys));
  if (!h.rotationKeys.empty()) tracks.push_back(linearTrack(203, "rotationTrack", h.rotationKeys));
  Json children = Json::array({value(1, "name", h.name)});
  if (!h.parent.empty()) children.push_back(value(2, "parentName", h.parent));
  children.push_back(chunk(3, "transform",
                           Json::array({chunk(100, "parameters", std::move(parameters)),
                                        chunk(200, "tracks", std::move(tracks))})));
  return chunk(id, pChunk, std::move(children));
}

// A uniform scale of `rest` that jumps to `peak` on every beat from `firstBeat` on (`downbeat` on
// the first beat of a bar) and falls back over `fall` frames: three keys a beat, so the jump is
// sharp.
Json beatPulse(float rest, float peak, float downbeat, int fall, int firstBeat = 0) {
  Json keys = Json::array();
  const auto uniform = [](float s) { return Xyz{s, s, 1.0f}; };
  keys.push_back(pointKey(0, uniform(rest)));
  for (int beat = firstBeat; beat < kBeats; ++beat) {
    const int frame = beatFrame(static_cast<float>(beat));
    if (frame > 0) keys.push_back(pointKey(frame - 1, uniform(rest)));
    keys.push_back(pointKey(frame, uniform(beat % DemoTempo::kBeatsPerBar == 0 ? downbeat : peak)));
    keys.push_back(pointKey(frame + fall, uniform(rest)));
  }
  return keys;
}

// Keys every beat of a turn about z at `radiansPerBeat` (a step under pi, so the interpolation
// takes the intended way round).
Json spin(float radiansPerBeat) {
  Json keys = Json::array();
  for (int beat = 0; beat <= kBeats; ++beat)
    keys.push_back(
        turnKey(beatFrame(static_cast<float>(beat)), radiansPerBeat * static_cast<float>(beat)));
  return keys;
}

Json s2dMaterial(const char* pName, int mixMode, const char* pPicture, int filter,
                 const char* pAlphaMap) {
  return {{"name", pName},    {"mixMode", mixMode},    {"picture", pPicture},
          {"filter", filter}, {"alphaMap", pAlphaMap}, {"unused", 0}};
}

// The material index that names no material: the object is a pivot, not drawn.
constexpr int kHidden = 255;

}  // namespace

Json pulseScene() {
  enum Material { kOrb, kShadow, kHalo, kStar };
  const Json materials = Json::array({s2dMaterial("orb", 0, kOrbPicture, 0, kOrbMask),
                                      s2dMaterial("shadow", 2, kShadowPicture, 1, "NULL"),
                                      s2dMaterial("halo", 1, kHaloPicture, 1, "NULL"),
                                      s2dMaterial("star", 1, kStarPicture, 0, "NULL")});
  Json objects = Json::array();
  Json heads = Json::array();
  const auto add = [&](int material, const Head& h) {
    objects.push_back({{"materialIndex", material}});
    heads.push_back(head(h));
  };

  // The orbs go round an ellipse of 190 x 70 once in the pattern, keyed every beat, growing as
  // they come down (nearer) and shrinking at the top.
  for (const float phase : {0.0f, kPi}) {
    Head orb{.name = phase == 0.0f ? "orbA" : "orbB"};
    for (int beat = 0; beat <= kBeats; ++beat) {
      const float angle = phase + 2.0f * kPi * static_cast<float>(beat) / kBeats;
      const int frame = beatFrame(static_cast<float>(beat));
      orb.positionKeys.push_back(
          pointKey(frame, {190.0f * std::cos(angle), 70.0f * std::sin(angle), 0.0f}));
      const float scale = 1.0f - 0.3f * std::sin(angle);
      orb.scaleKeys.push_back(pointKey(frame, {scale, scale, 1.0f}));
    }
    add(kOrb, orb);
  }
  // The shadow, three times its picture, sweeps right to left low over two bars, then back high.
  add(kShadow, {.name = "shadow",
                .scale = {3.0f, 3.0f, 1.0f},
                .positionKeys = Json::array({pointKey(0, {330.0f, -40.0f, 0.0f}),
                                             pointKey(beatFrame(8), {-330.0f, -40.0f, 0.0f}),
                                             pointKey(beatFrame(8) + 1, {-330.0f, 40.0f, 0.0f}),
                                             pointKey(beatFrame(16), {330.0f, 40.0f, 0.0f})})});
  add(kHalo, {.name = "halo", .scaleKeys = beatPulse(1.0f, 1.4f, 1.8f, 10)});
  // The wheel turns a quarter a bar and kicks its stars out by a third on each beat. A positive
  // angle about z turns children clockwise on the screen, so keys of -pi/8 a beat turn it
  // counter-clockwise.
  add(kHidden, {.name = "wheel",
                .scaleKeys = beatPulse(1.0f, 1.3f, 1.3f, 8),
                .rotationKeys = spin(-kPi / 8)});
  for (int k = 0; k < 6; ++k) {
    const float angle = static_cast<float>(k) * kPi / 3.0f;
    const float size = k % 2 == 0 ? 1.0f : 0.7f;
    add(kStar, {.name = "star" + std::to_string(k + 1),
                .parent = "wheel",
                .position = {105.0f * std::cos(angle), 105.0f * std::sin(angle), 0.0f},
                .scale = {size, size, 1.0f},
                .rotationKeys = spin(k % 2 == 0 ? kPi / 4 : -kPi / 4)});
  }
  add(kStar, {.name = "core", .scale = {1.5f, 1.5f, 1.0f}, .rotationKeys = spin(kPi / 16)});

  // The stars full on the beat, half on the half beats; the orbs fade in over the first two beats.
  Json flicker = Json::array();
  for (int half = 0; half <= 2 * kBeats; ++half)
    flicker.push_back(
        floatKey(beatFrame(static_cast<float>(half) / 2.0f), half % 2 == 0 ? 1.0f : 0.5f));
  const Json opacity[] = {Json::array({floatKey(0, 0.0f), floatKey(beatFrame(2), 1.0f)}),
                          Json::array({floatKey(0, 1.0f)}), Json::array({floatKey(0, 1.0f)}),
                          flicker};

  Json children = Json::array();
  const int lastBar = beatFrame(static_cast<float>(kBeats - DemoTempo::kBeatsPerBar));
  children.push_back(linearTrack(
      10, "fovTrack",
      Json::array({floatKey(0, 90.0f), floatKey(lastBar, 90.0f), floatKey(kAnimLength, 62.0f)})));
  children.push_back(linearTrack(11, "rollTrack", Json::array({floatKey(0, 0.0f)})));
  for (const Json& keys : opacity)
    children.push_back(linearTrack(20, "opacityTrack", keys));
  children.push_back(chunk(30, "objectHeads", heads));
  const Json eye = head({.name = "eye", .position = {0.0f, 0.0f, -256.0f}});
  const Json target = head({.name = "eye.target"}, 2, "targetHead");
  children.push_back(
      chunk(40, "cameraHeads", Json::array({chunk(41, "camera", Json::array({eye, target}))})));

  Json root = chunk(0x2D2D, "s2dScene", std::move(children));
  root["animLength"] = kAnimLength;
  root["objects"] = objects;
  root["cameraCount"] = 1;
  root["materials"] = materials;
  return {{"format", "s2d"}, {"packed", false}, {"chunks", Json::array({root})}};
}

namespace {

// A sub-material drawn added (blend mode 1), bilinear (texture option 1), and its layer.
Json addedSubMaterial(const char* pName, Json layer) {
  const Json properties =
      chunk(1, "properties",
            Json::array({value(12, "shadingType", 100), value(13, "blendMode", 1),
                         value(14, "opacity", 1.0f), value(15, "textureOption", 1)}));
  return chunk(201, "subMaterial",
               Json::array({value(1, "name", pName), chunk(2, "drawing", Json::array({properties})),
                            layer}));
}

Json material(const char* pName, Json subMaterial) {
  Json list = chunk(200, "subMaterials", Json::array({std::move(subMaterial)}));
  list["count"] = 1;
  return chunk(131, "material", Json::array({value(101, "name", pName), list}));
}

Json shape(int kind, Json base, Json kindParameters) {
  Json node = chunk(103, "shape",
                    Json::array({chunk(1, "shapeBase", std::move(base)),
                                 chunk(10, "kindParameters", std::move(kindParameters))}));
  node["shapeKind"] = kind;
  return node;
}

// Emitters count 30 frames per frame of the scene's animation (SPEANIM aside): 900 a second.
constexpr float kEmitterFramesPerSecond = 900.0f;
constexpr float kEmitterFramesPerBar =
    kEmitterFramesPerSecond * static_cast<float>(DemoTempo::kMsPerBar) / 1000.0f;  // 1728

struct Emitter {
  float start = 0.0f, period = 0.0f, rate = 0.0f;
};

// Particles leave three vertices 30 units apart along x, at `rate` a frame each living `period`
// frames; the head's scale sizes the fountain (a particle rises v.y · period / 4 units at most).
Json fountain(const Head& h, std::vector<Emitter> emitters) {
  Json list = Json::array();
  for (const Emitter& e : emitters)
    list.push_back(chunk(21, "emitter",
                         Json::array({value(1, "startFrame", e.start), value(2, "period", e.period),
                                      value(3, "rate", e.rate)})));
  Json emitterList = chunk(20, "emitters", list);
  emitterList["count"] = list.size();
  const Json vertices =
      Json::array({Xyz{-30.0f, 0.0f, 0.0f}, Xyz{0.0f, 0.0f, 0.0f}, Xyz{30.0f, 0.0f, 0.0f}});
  return shape(
      2,
      Json::array({head(h), value(2, "materialIndex", 0),
                   chunk(501, "geometry", Json::array({value(502, "vertices", vertices)}))}),
      Json::array({emitterList}));
}

// A sprite of material 1: zoom selector 2 (value 11 at the camera's scale distance, smaller
// farther away) and the head's own turn as its angle (selector 2).
Json sprite(const Head& h, float zoom) {
  return shape(3, Json::array({head(h), value(2, "materialIndex", 1)}),
               Json::array({value(11, "value11", zoom), value(12, "value12", 0.0f),
                            value(13, "zoomXSelector", 2), value(14, "zoomYSelector", 2),
                            value(15, "angleSelector", 2)}));
}

}  // namespace

Json fountainScene() {
  const Json dotLayer = chunk(4, "textureLayer",
                              Json::array({chunk(1, "parameters",
                                                 Json::array({value(10, "enabled", 1),
                                                              value(11, "textureFlags", 0),
                                                              {{"id", 12},
                                                               {"chunk", "picture"},
                                                               {"file", kDotPicture},
                                                               {"u", 0.0f},
                                                               {"v", 0.0f},
                                                               {"w", 1.0f},
                                                               {"h", 1.0f}},
                                                              value(13, "pointSize", 12.0f)}))}));
  const Json starLayer = chunk(
      5, "mapLayer",
      Json::array(
          {chunk(1, "parameters",
                 Json::array({value(10, "picture", kStarPicture), value(11, "enabled", 1)}))}));
  Json materials = chunk(130, "materials",
                         Json::array({material("sparks", addedSubMaterial("dot", dotLayer)),
                                      material("flare", addedSubMaterial("star", starLayer))}));
  materials["count"] = 2;

  const float bar = kEmitterFramesPerBar;
  // A fountain of period p and scale s rises p / 4 · s pixels at most (one unit an emitter frame,
  // less up to a quarter) and spreads up to p / 4 · s either side: a second (900) at 0.3 rises
  // 67 pixels, the middle's 1.2 and 1.5 seconds at 0.4, 108 and 135.
  const auto sized = [](float s) { return Xyz{s, s, s}; };
  const auto pulse = [](float rest, float peak, float downbeat) {
    Json keys = beatPulse(rest, peak, downbeat, 8, 8);
    for (Json& key : keys)
      key["value"][2] = key["value"][0];
    return keys;
  };
  Json shapes = Json::array(
      {fountain(
           {.name = "fountainLeft", .position = {-170.0f, -128.0f, 0.0f}, .scale = sized(0.3f)},
           {{0.0f, 900.0f, 0.08f}}),
       fountain(
           {.name = "fountainRight", .position = {170.0f, -128.0f, 0.0f}, .scale = sized(0.3f)},
           {{bar, 900.0f, 0.08f}}),
       fountain({.name = "fountainMiddle",
                 .position = {0.0f, -128.0f, 0.0f},
                 .scale = sized(0.4f),
                 .scaleKeys = pulse(0.4f, 0.45f, 0.48f)},
                {{2.0f * bar, 1080.0f, 0.1f}, {3.0f * bar, 1350.0f, 0.2f}})});
  // The flare waits far behind (z = 900) until the last bar, then comes to z = -150 (106 from
  // the camera), turning a full turn a bar all along.
  const int lastBar = beatFrame(12);
  shapes.push_back(sprite(
      {.name = "flare",
       .position = {0.0f, 0.0f, 900.0f},
       .positionKeys =
           Json::array({pointKey(0, {0.0f, 0.0f, 900.0f}), pointKey(lastBar, {0.0f, 0.0f, 900.0f}),
                        pointKey(kAnimLength, {0.0f, 0.0f, -150.0f})}),
       .rotationKeys = spin(kPi / 2)},
      2.0f));
  shapes.push_back(sprite(
      {.name = "twinkle", .position = {170.0f, -60.0f, 0.0f}, .rotationKeys = spin(-kPi / 4)},
      0.8f));
  Json shapeList = chunk(102, "shapes", shapes);
  shapeList["count"] = shapes.size();

  const Json eye = head({.name = "camera", .position = {0.0f, 0.0f, -256.0f}});
  const Json target = head({.name = "camera.target"}, 2, "targetHead");
  Json cameras =
      chunk(120, "cameras", Json::array({chunk(121, "camera", Json::array({eye, target}))}));
  cameras["count"] = 1;

  const Json root =
      chunk(0xD0CE, "scene",
            Json::array({value(50, "animLength", kAnimLength), cameras, materials, shapeList}));
  return {{"format", "l3x"}, {"packed", false}, {"chunks", Json::array({root})}};
}

}  // namespace DemoSprites
