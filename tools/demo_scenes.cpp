#include "tools/demo_scenes.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "tools/demo_gltf.h"

namespace DemoScenes {

namespace {

using namespace DemoGltf;

// The city's grid (glTF units, y up): cells of kCell, a tower of kTower x kTower in the middle of
// each, so the streets between towers are kCell - kTower wide and run along the cell edges.
constexpr double kCell = 20;
constexpr double kTower = 12;
// A floor is kFloor high; the facade picture shows four floors of four windows, so it repeats
// every kTower across and every 4 floors up.
constexpr double kFloor = 3;
constexpr double kRepeatUp = 4 * kFloor;
// Walls are made of squares of one floor by one window.
constexpr double kPiece = kFloor;
// Two districts by two, each of three towers by three.
constexpr int kDistricts = 2;
constexpr int kTowersPerSide = 3;
// The ground: a square of kGround on each side of the centre in squares of kGroundStep (small
// enough that the textured squares near the camera do not bend visibly), one street picture
// every kCell.
constexpr double kGround = 120;
constexpr double kGroundStep = 10;
// Beyond it, dark land of squares of kLandStep out to kLand, a little lower so that the ground
// covers it where both are.
constexpr double kLand = 480;
constexpr double kLandStep = 60;
constexpr double kLandDepth = 0.5;
// The screen: a square of kScreenSide, its bottom edge kScreenBottom above the street, standing
// kScreenGap in front of the north wall (+z) of the tower at (10, -50), the first of district 3,
// which faces the middle street (x = 0) down which the camera comes and the crossing where it
// turns east. The gap keeps the wall's depth from showing through.
constexpr double kScreenSide = 9;
constexpr double kScreenBottom = 1.5;
constexpr double kScreenGap = 0.25;
constexpr double kScreenTowerX = 10;
constexpr double kScreenTowerZ = -50;
// Camera keys every row of the music: the importer samples them at every frame.
constexpr double kKeyStep = DemoTempo::kMsPerRow / 1000.0;

// A tower `floors` high standing on its node's origin. Each wall is cut into squares of kPiece
// (the pictures are mapped linearly across each triangle on the screen: small pieces keep the
// windows straight when the camera passes close by); the picture repeats every 4 floors, its top
// row at the top of each repeat. The roof takes one texel of the plain wall between the windows.
MeshData tower(int floors) {
  MeshData mesh;
  const double height = floors * kFloor;
  const double half = kTower / 2;
  const V3 up{0, 1, 0};
  for (const V3 outward : {V3{1, 0, 0}, V3{-1, 0, 0}, V3{0, 0, 1}, V3{0, 0, -1}}) {
    // Seen from outside, "right" runs along the wall: up x outward.
    const V3 right = cross(up, outward);
    const V3 centre = outward * half;
    // A grid of (columns + 1) x (rows + 1) corners shared by the squares, v running down from the
    // top of the highest repeat (so it stays above 0 and lands on whole numbers where the
    // picture's top row begins).
    const int columns = static_cast<int>(kTower / kPiece);
    const int rows = static_cast<int>(std::ceil(height / kPiece));
    const double vTop = std::ceil(height / kRepeatUp) * kRepeatUp;
    const auto first = static_cast<std::uint16_t>(mesh.positions.size() / 3);
    for (int row = 0; row <= rows; ++row) {
      const double y = std::min(row * kPiece, height);
      for (int column = 0; column <= columns; ++column) {
        const double along = column * kPiece;
        mesh.vertex(centre + right * (along - half) + up * y, along / kTower,
                    (vTop - y) / kRepeatUp);
      }
    }
    mesh.grid(first, columns, rows, outward);
  }
  constexpr double kWallTexel = 1.5 / 64;
  mesh.quad({V3{-half, height, -half}, V3{half, height, -half}, V3{half, height, half},
             V3{-half, height, half}},
            {{{kWallTexel, kWallTexel},
              {kWallTexel, kWallTexel},
              {kWallTexel, kWallTexel},
              {kWallTexel, kWallTexel}}},
            up);
  return mesh;
}

// The ground at y 0: squares of kGroundStep, the street picture once every kCell with its edges
// on the cell edges (the streets).
MeshData ground() {
  MeshData mesh;
  for (double x = -kGround; x < kGround; x += kGroundStep)
    for (double z = -kGround; z < kGround; z += kGroundStep) {
      const double x1 = x + kGroundStep, z1 = z + kGroundStep;
      const auto uv = [](double a, double b) {
        return std::array<double, 2>{(a + kGround) / kCell, (b + kGround) / kCell};
      };
      mesh.quad({V3{x, 0, z}, V3{x1, 0, z}, V3{x1, 0, z1}, V3{x, 0, z1}},
                {uv(x, z), uv(x1, z), uv(x1, z1), uv(x, z1)}, V3{0, 1, 0});
    }
  return mesh;
}

// The land around the ground out to kLand, of one unlit colour (a picture would shimmer so far
// away).
MeshData land() {
  MeshData mesh;
  for (double x = -kLand; x < kLand; x += kLandStep)
    for (double z = -kLand; z < kLand; z += kLandStep) {
      const double x1 = x + kLandStep, z1 = z + kLandStep;
      mesh.quad({V3{x, -kLandDepth, z}, V3{x1, -kLandDepth, z}, V3{x1, -kLandDepth, z1},
                 V3{x, -kLandDepth, z1}},
                {{{0, 0}, {0, 0}, {0, 0}, {0, 0}}}, V3{0, 1, 0});
    }
  return mesh;
}

// The screen on its node's origin, the middle of its bottom edge, facing +z: the video upright
// (glTF v 0 is the top row) and not mirrored seen from the front.
MeshData screen() {
  MeshData mesh;
  const double half = kScreenSide / 2;
  mesh.quad({V3{-half, 0, 0}, V3{half, 0, 0}, V3{half, kScreenSide, 0}, V3{-half, kScreenSide, 0}},
            {{{0, 1}, {1, 1}, {1, 0}, {0, 0}}}, V3{0, 0, 1});
  return mesh;
}

// Floors of the tower in column i, row j of the 6 x 6 grid (an integer hash, so every build
// makes the same city): 4 to 12, and up to 6 more towards the middle.
int floorsAt(int i, int j) {
  std::uint32_t h = static_cast<std::uint32_t>(i) * 0x9E3779B1u ^
                    static_cast<std::uint32_t>(j) * 0x85EBCA77u ^ 0xC2B2AE3Du;
  h ^= h >> 15;
  h *= 0x2C1B3C6Du;
  h ^= h >> 12;
  const int side = kDistricts * kTowersPerSide;
  const double middle = (side - 1) / 2.0;
  const double fromMiddle = std::max(std::fabs(i - middle), std::fabs(j - middle));
  return 4 + static_cast<int>(h % 9u) +
         static_cast<int>(std::lround(8 * (1 - fromMiddle / middle)));
}

// The camera's path: a Catmull-Rom curve through these points. It comes down from above the
// south-west corner into the street along z = 0, turns south at the middle crossing, east along
// z = -40 and climbs out over the east side, where it turns round to the city. Every street point
// is on a street's middle line.
const std::vector<V3> kWaypoints = {{-110, 80, 110}, {-85, 30, 35}, {-60, 8, 0},  {-30, 6, 0},
                                    {0, 6, 0},       {0, 6, -30},   {0, 6, -40},  {30, 7, -40},
                                    {60, 10, -40},   {90, 30, -20}, {105, 55, 30}};

V3 curveAt(double t) {
  const auto count = static_cast<int>(kWaypoints.size());
  const int segment = std::clamp(static_cast<int>(std::floor(t)), 0, count - 2);
  const double s = std::clamp(t - segment, 0.0, 1.0);
  const auto point = [&](int i) {
    return kWaypoints[static_cast<std::size_t>(std::clamp(i, 0, count - 1))];
  };
  const V3 p0 = point(segment - 1), p1 = point(segment), p2 = point(segment + 1),
           p3 = point(segment + 2);
  const V3 t1 = (p2 - p0) * 0.5, t2 = (p3 - p1) * 0.5;
  const double s2 = s * s, s3 = s2 * s;
  return p1 * (2 * s3 - 3 * s2 + 1) + t1 * (s3 - 2 * s2 + s) + p2 * (-2 * s3 + 3 * s2) +
         t2 * (s3 - s2);
}

// The curve sampled finely with its arc length, so the camera can move at an even speed.
struct Path {
  std::vector<V3> points;
  std::vector<double> lengths;  // from the start

  Path() {
    const int steps = 4000;
    const double end = static_cast<double>(kWaypoints.size() - 1);
    for (int k = 0; k <= steps; ++k) {
      points.push_back(curveAt(end * k / steps));
      lengths.push_back(
          k == 0 ? 0 : lengths.back() + length(points.back() - points[points.size() - 2]));
    }
  }
  // The point `distance` along the path; past the end, on along the last direction.
  V3 at(double distance) const {
    if (distance >= lengths.back()) {
      const V3 last = points.back() - points[points.size() - 2];
      return points.back() + last * ((distance - lengths.back()) / length(last));
    }
    const auto next = std::upper_bound(lengths.begin(), lengths.end(), std::max(distance, 0.0));
    const auto i = static_cast<std::size_t>(next - lengths.begin());
    if (i == 0) return points.front();
    const double span = lengths[i] - lengths[i - 1];
    const double s = span > 0 ? (distance - lengths[i - 1]) / span : 0;
    return points[i - 1] + (points[i] - points[i - 1]) * s;
  }
};

}  // namespace

std::string cityGltf(const std::string& pictureFolder) {
  Buffer buffer;
  std::vector<std::string> meshes, nodes;
  std::vector<int> sceneNodes;
  const auto addMesh = [&](const std::string& name, const MeshData& data, int material) {
    const int position = buffer.floats(data.positions, 3, true);
    const int uv = buffer.floats(data.uvs, 2, false);
    const int index = buffer.words(data.indices);
    meshes.push_back(
        "{\"name\": \"" + name +
        "\", \"primitives\": [{\"attributes\": {\"POSITION\": " + std::to_string(position) +
        ", \"TEXCOORD_0\": " + std::to_string(uv) + "}, \"indices\": " + std::to_string(index) +
        ", \"material\": " + std::to_string(material) + "}]}");
    return static_cast<int>(meshes.size() - 1);
  };

  // Materials 0 to 3: the facade in each district's tint; 4: the street; 5: the land; 6: the
  // screen, unlit (the video as it is).
  const std::array<std::array<double, 3>, 4> tints = {
      {{1.0, 0.92, 0.8}, {0.85, 0.92, 1.0}, {1.0, 0.85, 0.85}, {0.9, 1.0, 0.9}}};
  std::string materials;
  for (std::size_t d = 0; d < tints.size(); ++d)
    materials += "{\"name\": \"Facade" + std::to_string(d + 1) +
                 "\", \"pbrMetallicRoughness\": {\"baseColorFactor\": " +
                 list({tints[d][0], tints[d][1], tints[d][2], 1.0}) +
                 ", \"baseColorTexture\": {\"index\": 0}}},\n";
  materials +=
      "{\"name\": \"Street\", \"pbrMetallicRoughness\": {\"baseColorTexture\": "
      "{\"index\": 1}}},\n"
      "{\"name\": \"Land\", \"pbrMetallicRoughness\": {\"baseColorFactor\": "
      "[0.1, 0.1, 0.14, 1]}, \"extensions\": {\"KHR_materials_unlit\": {}}},\n"
      "{\"name\": \"Screen\", \"pbrMetallicRoughness\": {\"baseColorTexture\": "
      "{\"index\": 2}}, \"extensions\": {\"KHR_materials_unlit\": {}}}";

  // The districts: dummies at their centres, the towers their children.
  for (int a = 0; a < kDistricts; ++a)
    for (int b = 0; b < kDistricts; ++b) {
      const int district = a * kDistricts + b;
      const double span = kTowersPerSide * kCell;
      const V3 centre{(a - 0.5) * span, 0, (b - 0.5) * span};
      std::string children;
      for (int i = 0; i < kTowersPerSide; ++i)
        for (int j = 0; j < kTowersPerSide; ++j) {
          const std::string name =
              "Tower" + std::to_string(district + 1) + std::to_string(i) + std::to_string(j);
          const int mesh = addMesh(
              name, tower(floorsAt(a * kTowersPerSide + i, b * kTowersPerSide + j)), district);
          nodes.push_back("{\"name\": \"" + name + "\", \"mesh\": " + std::to_string(mesh) +
                          ", \"translation\": " + list({(i - 1) * kCell, 0, (j - 1) * kCell}) +
                          "}");
          children += (children.empty() ? "" : ", ") + std::to_string(nodes.size() - 1);
        }
      nodes.push_back("{\"name\": \"District" + std::to_string(district + 1) +
                      "\", \"translation\": " + list({centre.x, centre.y, centre.z}) +
                      ", \"children\": [" + children + "]}");
      sceneNodes.push_back(static_cast<int>(nodes.size() - 1));
    }
  const int groundMesh = addMesh("Ground", ground(), 4);
  nodes.push_back("{\"name\": \"Ground\", \"mesh\": " + std::to_string(groundMesh) + "}");
  sceneNodes.push_back(static_cast<int>(nodes.size() - 1));
  const int landMesh = addMesh("Land", land(), 5);
  nodes.push_back("{\"name\": \"Land\", \"mesh\": " + std::to_string(landMesh) + "}");
  sceneNodes.push_back(static_cast<int>(nodes.size() - 1));
  const int screenMesh = addMesh("Screen", screen(), 6);
  nodes.push_back(
      "{\"name\": \"Screen\", \"mesh\": " + std::to_string(screenMesh) + ", \"translation\": " +
      list({kScreenTowerX, kScreenBottom, kScreenTowerZ + kTower / 2 + kScreenGap}) + "}");
  sceneNodes.push_back(static_cast<int>(nodes.size() - 1));

  // Lights: a cold moon from high in the south-west, a warm glow above the middle crossing.
  double moonYaw = 0;
  const std::array<double, 4> moon = lookAlong(V3{0.6, -1.0, -0.45}, moonYaw);
  nodes.push_back(
      "{\"name\": \"Moon\", \"rotation\": " + list({moon[0], moon[1], moon[2], moon[3]}) +
      ", \"extensions\": {\"KHR_lights_punctual\": {\"light\": 0}}}");
  sceneNodes.push_back(static_cast<int>(nodes.size() - 1));
  nodes.push_back(
      "{\"name\": \"Glow\", \"translation\": [0, 30, 0], "
      "\"extensions\": {\"KHR_lights_punctual\": {\"light\": 1}}}");
  sceneNodes.push_back(static_cast<int>(nodes.size() - 1));

  // The camera's flight: keys every row at an even speed along the path, looking at the point
  // 15 units further on (never up), then back at the city.
  const Path path;
  const double seconds = kCityMs / 1000.0;
  const auto nbKey = static_cast<int>(std::lround(seconds / kKeyStep)) + 1;
  std::vector<float> times, translations, rotations;
  double yaw = 0;
  for (int k = 0; k < nbKey; ++k) {
    const double time = k * kKeyStep;
    const double distance = path.lengths.back() * time / seconds;
    const V3 eye = path.at(distance);
    // The view never rises above 1 in 8 down (climbing, it keeps the city in sight), and over
    // the last third it turns from the way ahead to the middle of the city.
    V3 ahead = path.at(distance + 15) - eye;
    ahead.y = std::min(ahead.y, -std::hypot(ahead.x, ahead.z) / 8);
    const V3 middle = V3{0, 10, 0} - eye;
    const double u = std::clamp((time / seconds - 2.0 / 3) * 3, 0.0, 1.0);
    const double w = u * u * (3 - 2 * u);
    const V3 view = ahead * ((1 - w) / length(ahead)) + middle * (w / length(middle));
    const std::array<double, 4> q = lookAlong(view, yaw);
    times.push_back(static_cast<float>(time));
    for (const double c : {eye.x, eye.y, eye.z})
      translations.push_back(static_cast<float>(c));
    for (const double c : q)
      rotations.push_back(static_cast<float>(c));
  }
  const int timeAccessor = buffer.floats(times, 1, true);
  const int translationAccessor = buffer.floats(translations, 3, false);
  const int rotationAccessor = buffer.floats(rotations, 4, false);
  nodes.push_back("{\"name\": \"Camera\", \"camera\": 0, \"translation\": " +
                  list({static_cast<double>(translations[0]), static_cast<double>(translations[1]),
                        static_cast<double>(translations[2])}) +
                  ", \"rotation\": " +
                  list({static_cast<double>(rotations[0]), static_cast<double>(rotations[1]),
                        static_cast<double>(rotations[2]), static_cast<double>(rotations[3])}) +
                  "}");
  const auto cameraNode = nodes.size() - 1;
  sceneNodes.push_back(static_cast<int>(cameraNode));

  const std::string prefix = pictureFolder.empty() ? "" : pictureFolder + "/";
  std::string nodeText, meshText, sceneText;
  for (std::size_t i = 0; i < nodes.size(); ++i)
    nodeText += nodes[i] + (i + 1 < nodes.size() ? ",\n" : "\n");
  for (std::size_t i = 0; i < meshes.size(); ++i)
    meshText += meshes[i] + (i + 1 < meshes.size() ? ",\n" : "\n");
  for (const int node : sceneNodes)
    sceneText += (sceneText.empty() ? "" : ", ") + std::to_string(node);
  // yfov 2 atan(0.5) at aspect 2: 90 degrees across.
  return "{\n\"asset\": {\"version\": \"2.0\", \"generator\": \"make_scenes\"},\n"
         "\"extensionsUsed\": [\"KHR_lights_punctual\", \"KHR_materials_unlit\"],\n"
         "\"extensions\": {\"KHR_lights_punctual\": {\"lights\": [\n"
         "{\"type\": \"directional\", \"name\": \"Moon\", \"color\": [0.75, 0.8, 1.0], "
         "\"intensity\": 1.0},\n"
         "{\"type\": \"point\", \"name\": \"Glow\", \"color\": [1.0, 0.7, 0.4], "
         "\"intensity\": 1.0}]}},\n"
         "\"cameras\": [{\"type\": \"perspective\", \"name\": \"Camera\", \"perspective\": "
         "{\"yfov\": " +
         number(2 * std::atan(0.5)) +
         ", \"aspectRatio\": 2.0, \"znear\": 0.5, \"zfar\": 600}}],\n"
         "\"images\": [{\"uri\": \"" +
         prefix + kFacadePicture + "\"}, {\"uri\": \"" + prefix + kStreetPicture +
         "\"}, {\"uri\": \"" + prefix + kScreenVideo +
         "\"}],\n"
         "\"textures\": [{\"source\": 0}, {\"source\": 1}, {\"source\": 2}],\n"
         "\"materials\": [\n" +
         materials + "],\n\"meshes\": [\n" + meshText + "],\n\"nodes\": [\n" + nodeText +
         "],\n\"scenes\": [{\"name\": \"City\", \"nodes\": [" + sceneText +
         "]}],\n\"scene\": 0,\n"
         "\"animations\": [{\"name\": \"Flight\", \"samplers\": [{\"input\": " +
         std::to_string(timeAccessor) + ", \"output\": " + std::to_string(translationAccessor) +
         ", \"interpolation\": \"LINEAR\"}, {\"input\": " + std::to_string(timeAccessor) +
         ", \"output\": " + std::to_string(rotationAccessor) +
         ", \"interpolation\": \"LINEAR\"}], \"channels\": [{\"sampler\": 0, \"target\": "
         "{\"node\": " +
         std::to_string(cameraNode) +
         ", \"path\": \"translation\"}}, {\"sampler\": 1, \"target\": {\"node\": " +
         std::to_string(cameraNode) + ", \"path\": \"rotation\"}}]}],\n" + buffer.json() + "\n}\n";
}

}  // namespace DemoScenes
