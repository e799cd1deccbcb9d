#include "tools/demo_workshop.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/demo_gltf.h"

namespace DemoWorkshop {

namespace {

using namespace DemoGltf;

// Keys every 40 ms: a twelfth of a beat and a third of a row, so that every beat has a key of its
// own and the elbow's snap is a key long.
constexpr double kKeyStep = 0.04;
constexpr double kBeatSeconds = DemoTempo::kMsPerBeat / 1000.0;
constexpr double kBarSeconds = DemoTempo::kMsPerBar / 1000.0;
constexpr double kPatternSeconds = 4 * kBarSeconds;
constexpr double kSeconds = kWorkshopMs / 1000.0;

// The floor: 8 x 8 tiles of kTile, centred on the origin.
constexpr int kTiles = 8;
constexpr double kTile = 4;
// The arm: its pedestal's top at kShoulderY, the elbow kUpperArm above, the wrist kForearm above
// that, the tube reaching kHandLength past the wrist; rings every kRingStep of kArmSides sides.
const V3 kArmBase{-7, 0, 0};
constexpr double kShoulderY = 1;
constexpr double kUpperArm = 4;
constexpr double kForearm = 3.2;
constexpr double kHandLength = 1.2;
constexpr double kRingStep = 0.4;
constexpr int kArmSides = 8;
constexpr double kArmRadius = 0.55;
// A vertex within kBlend of a joint shares its weight with the bone past it, so the tube bends
// round the joint instead of folding.
constexpr double kBlend = 0.4;
// The blob: a sphere of kBlobLongitudes x kBlobLatitudes squares.
const V3 kBlobCentre{7, 3.2, -1};
constexpr double kBlobRadius = 2.2;
constexpr int kBlobLongitudes = 20;
constexpr int kBlobLatitudes = 12;
// The tower: kStoreys storeys of kStorey, a square section of kTowerSide.
const V3 kTowerBase{0, 0, -7};
constexpr int kStoreys = 24;
constexpr double kStorey = 0.5;
constexpr double kTowerSide = 2.4;
// The flag: kFlagHeight along its pole, kFlagLength out from it, its top at the pole's top.
const V3 kPoleBase{1.5, 0, 6};
constexpr double kPoleHeight = 9;
constexpr double kFlagHeight = 3;
constexpr double kFlagLength = 5;
constexpr int kFlagColumns = 6;
constexpr int kFlagRows = 16;
// The panes: kPaneWidth x kPaneHeight, their middles kPaneRadius from the middle of the floor.
constexpr double kPaneRadius = 3.2;
constexpr double kPaneWidth = 3.6;
constexpr double kPaneHeight = 4.5;
// The camera's orbit round kLookAt: from angle kOrbitStart (about y, 0 on +z) half a turn, at
// kOrbitRadius, rising from kOrbitLow to kOrbitHigh.
const V3 kLookAt{0, 2.5, 0};
constexpr double kOrbitStart = -0.6;
constexpr double kOrbitRadius = 18;
constexpr double kOrbitLow = 6;
constexpr double kOrbitHigh = 9;

// The pulse on every beat: 1 on the beat, e^(-5 f) a fraction f of a beat after it.
double beatPulse(double seconds) {
  const double beats = seconds / kBeatSeconds;
  return std::exp(-5 * (beats - std::floor(beats)));
}

// The rotation (x, y, z, w) of `angle` about a unit axis, and the product a b (b first).
std::array<double, 4> turn(V3 axis, double angle) {
  const double s = std::sin(angle / 2);
  return {axis.x * s, axis.y * s, axis.z * s, std::cos(angle / 2)};
}
std::array<double, 4> multiply(const std::array<double, 4>& a, const std::array<double, 4>& b) {
  return {a[3] * b[0] + a[0] * b[3] + a[1] * b[2] - a[2] * b[1],
          a[3] * b[1] - a[0] * b[2] + a[1] * b[3] + a[2] * b[0],
          a[3] * b[2] + a[0] * b[1] - a[1] * b[0] + a[2] * b[3],
          a[3] * b[3] - a[0] * b[0] - a[1] * b[1] - a[2] * b[2]};
}

// A box of `size` round `centre`, its faces not sharing vertices (flat sides once lit).
void box(MeshData& mesh, V3 centre, V3 size) {
  const V3 half = size * 0.5;
  const std::array<std::array<double, 2>, 4> noUv{};
  for (const V3 outward :
       {V3{1, 0, 0}, V3{-1, 0, 0}, V3{0, 1, 0}, V3{0, -1, 0}, V3{0, 0, 1}, V3{0, 0, -1}}) {
    // Two directions across the face, and its middle.
    const V3 a = std::fabs(outward.y) > 0 ? V3{1, 0, 0} : V3{0, 1, 0};
    const V3 b = cross(outward, a);
    const V3 middle = centre + V3{outward.x * half.x, outward.y * half.y, outward.z * half.z};
    const auto scaledBy = [&](V3 d) { return V3{d.x * half.x, d.y * half.y, d.z * half.z}; };
    const V3 u = scaledBy(a), v = scaledBy(b);
    mesh.quad({middle - u - v, middle + u - v, middle + u + v, middle - u + v}, noUv, outward);
  }
}

// The floor's tiles of one parity (0: the light ones).
MeshData floorTiles(int parity) {
  MeshData mesh;
  const std::array<std::array<double, 2>, 4> noUv{};
  const double start = -kTiles * kTile / 2;
  for (int i = 0; i < kTiles; ++i)
    for (int j = 0; j < kTiles; ++j) {
      if ((i + j) % 2 != parity) continue;
      const double x = start + i * kTile, z = start + j * kTile;
      mesh.quad(
          {V3{x, 0, z}, V3{x + kTile, 0, z}, V3{x + kTile, 0, z + kTile}, V3{x, 0, z + kTile}},
          noUv, V3{0, 1, 0});
    }
  return mesh;
}

// The arm's tube in its base's space, from the shoulder up, with four joint slots and weights a
// vertex (Shoulder 0, Elbow 1, Wrist 2; the fourth unused).
struct ArmData {
  MeshData mesh;
  std::vector<std::uint16_t> joints;
  std::vector<float> weights;
};
ArmData armTube() {
  ArmData arm;
  const double elbow = kShoulderY + kUpperArm, wrist = elbow + kForearm;
  const double top = wrist + kHandLength;
  const int rings = static_cast<int>(std::lround((top - kShoulderY) / kRingStep)) + 1;
  const auto smooth = [](double s) {
    s = std::clamp(s, 0.0, 1.0);
    return s * s * (3 - 2 * s);
  };
  const auto addWeights = [&](double y) {
    const double toElbow = smooth((y - elbow + kBlend) / (2 * kBlend));
    const double toWrist = smooth((y - wrist + kBlend) / (2 * kBlend));
    const std::array<double, 3> w{1 - toElbow, toElbow * (1 - toWrist), toElbow * toWrist};
    for (std::uint16_t j = 0; j < 3; ++j) {
      arm.joints.push_back(j);
      arm.weights.push_back(static_cast<float>(w[j]));
    }
    arm.joints.push_back(0);
    arm.weights.push_back(0);
  };
  for (int ring = 0; ring < rings; ++ring) {
    const double y = kShoulderY + ring * kRingStep;
    for (int side = 0; side <= kArmSides; ++side) {
      const double a = 2 * kPi * side / kArmSides;
      arm.mesh.vertex(V3{kArmRadius * std::cos(a), y, -kArmRadius * std::sin(a)}, 0, 0);
      addWeights(y);
    }
  }
  // Seen from outside, counter-clockwise: the grid of (sides + 1) x rings, outward from the
  // first square.
  arm.mesh.grid(0, kArmSides, rings - 1, V3{1, 0, -0.4});
  // The top: a fan round a middle vertex.
  const auto centre = arm.mesh.vertex(V3{0, top, 0}, 0, 0);
  addWeights(top);
  const auto first = static_cast<std::uint16_t>((rings - 1) * (kArmSides + 1));
  for (int side = 0; side < kArmSides; ++side) {
    arm.mesh.indices.push_back(static_cast<std::uint16_t>(first + side));
    arm.mesh.indices.push_back(static_cast<std::uint16_t>(first + side + 1));
    arm.mesh.indices.push_back(centre);
  }
  return arm;
}

// The blob: a sphere on its node's origin, and its two targets as moves of each vertex.
struct BlobData {
  MeshData mesh;
  std::vector<float> spikes, squash;
};
BlobData blob() {
  BlobData data;
  for (int row = 0; row <= kBlobLatitudes; ++row) {
    const double polar = kPi * row / kBlobLatitudes;
    for (int column = 0; column <= kBlobLongitudes; ++column) {
      const double longitude = 2 * kPi * column / kBlobLongitudes;
      const V3 n{std::sin(polar) * std::cos(longitude), std::cos(polar),
                 -std::sin(polar) * std::sin(longitude)};
      data.mesh.vertex(n * kBlobRadius, 0, 0);
      // Spikes: out along the normal where sin(5 longitude) sin(4 polar) is positive.
      const double out = 1.1 * std::max(0.0, std::sin(5 * longitude) * std::sin(4 * polar));
      for (const double c : {n.x * out, n.y * out, n.z * out})
        data.spikes.push_back(static_cast<float>(c));
      // Squash: 0.55 as high, 1.3 times as wide.
      const V3 p = n * kBlobRadius;
      for (const double c : {0.3 * p.x, -0.45 * p.y, 0.3 * p.z})
        data.squash.push_back(static_cast<float>(c));
    }
  }
  // Square (row, column) has corners a, b along the row and d, c one row further south: a d c
  // and a c b run counter-clockwise seen from outside. The rows at the poles keep the triangle
  // that is not a point.
  const auto at = [](int row, int column) {
    return static_cast<std::uint16_t>(row * (kBlobLongitudes + 1) + column);
  };
  for (int row = 0; row < kBlobLatitudes; ++row)
    for (int column = 0; column < kBlobLongitudes; ++column) {
      const std::uint16_t a = at(row, column), b = at(row, column + 1), c = at(row + 1, column + 1),
                          d = at(row + 1, column);
      if (row + 1 < kBlobLatitudes) data.mesh.indices.insert(data.mesh.indices.end(), {a, d, c});
      if (row > 0) data.mesh.indices.insert(data.mesh.indices.end(), {a, c, b});
    }
  return data;
}

// The tower on its node's origin: each side a grid of its own (flat sides), and the roof.
MeshData tower() {
  MeshData mesh;
  const double half = kTowerSide / 2;
  const V3 up{0, 1, 0};
  for (const V3 outward : {V3{1, 0, 0}, V3{-1, 0, 0}, V3{0, 0, 1}, V3{0, 0, -1}}) {
    const V3 right = cross(up, outward);
    const auto first = static_cast<std::uint16_t>(mesh.positions.size() / 3);
    for (int row = 0; row <= kStoreys; ++row)
      for (int column = 0; column <= 1; ++column)
        mesh.vertex(outward * half + right * (column * kTowerSide - half) + up * (row * kStorey), 0,
                    0);
    mesh.grid(first, 1, kStoreys, outward);
  }
  const double height = kStoreys * kStorey;
  mesh.quad({V3{-half, height, -half}, V3{half, height, -half}, V3{half, height, half},
             V3{-half, height, half}},
            {}, up);
  return mesh;
}

// The flag flat in its node's x-z plane: x along the pole (0 at the bottom edge), z out from it;
// the wave lifts it along y.
MeshData flag() {
  MeshData mesh;
  for (int row = 0; row <= kFlagRows; ++row)
    for (int column = 0; column <= kFlagColumns; ++column)
      mesh.vertex(V3{kFlagHeight * column / kFlagColumns, 0, kFlagLength * row / kFlagRows}, 0, 0);
  mesh.grid(0, kFlagColumns, kFlagRows, V3{0, 1, 0});
  return mesh;
}

// A pane standing on the floor at `angle` round the middle, facing out.
MeshData pane(double angle) {
  MeshData mesh;
  const V3 out{std::sin(angle), 0, std::cos(angle)};
  const V3 along{std::cos(angle), 0, -std::sin(angle)};
  const V3 middle = out * kPaneRadius;
  const V3 a = middle - along * (kPaneWidth / 2), b = middle + along * (kPaneWidth / 2);
  mesh.quad({a, b, b + V3{0, kPaneHeight, 0}, a + V3{0, kPaneHeight, 0}}, {}, out);
  return mesh;
}

std::string join(const std::vector<std::string>& items) {
  std::string text;
  for (std::size_t i = 0; i < items.size(); ++i)
    text += items[i] + (i + 1 < items.size() ? ",\n" : "\n");
  return text;
}

std::string quoted(const std::string& text) {
  return "\"" + text + "\"";
}

}  // namespace

std::string workshopGltf() {
  Buffer buffer;
  std::vector<std::string> meshes, nodes;
  const auto meshOf = [&](const std::string& name, const MeshData& data, int material,
                          const std::string& more = "", const std::string& meshMore = "") {
    const int position = buffer.floats(data.positions, 3, true);
    const int index = buffer.words(data.indices);
    meshes.push_back("{\"name\": " + quoted(name) +
                     ", \"primitives\": [{\"attributes\": {\"POSITION\": " +
                     std::to_string(position) + more + "}, \"indices\": " + std::to_string(index) +
                     ", \"material\": " + std::to_string(material) + meshMore + "}]}");
    return static_cast<int>(meshes.size() - 1);
  };
  const auto node = [&](const std::string& text) {
    nodes.push_back(text);
    return static_cast<int>(nodes.size() - 1);
  };
  const auto at = [](V3 p) { return list({p.x, p.y, p.z}); };

  // Materials: flat colours, the panes see-through, unlit (glass shows no shading) and, like the
  // flag, seen from both sides.
  struct Paint {
    const char* pName;
    std::array<double, 4> colour;
    bool twoSided;
  };
  const std::vector<Paint> paints = {
      {"FloorLight", {0.42, 0.42, 0.48, 1}, false}, {"FloorDark", {0.1, 0.1, 0.13, 1}, false},
      {"Steel", {0.75, 0.78, 0.85, 1}, false},      {"Pedestal", {0.28, 0.28, 0.34, 1}, false},
      {"Claw", {1.0, 0.55, 0.1, 1}, false},         {"Blob", {0.95, 0.3, 0.6, 1}, false},
      {"Tower", {0.2, 0.8, 0.75, 1}, false},        {"FlagCloth", {0.95, 0.15, 0.1, 1}, true},
      {"GlassCyan", {0.4, 0.9, 1.0, 0.4}, true},    {"GlassMagenta", {1.0, 0.4, 0.9, 0.4}, true},
      {"GlassAmber", {1.0, 0.8, 0.3, 0.4}, true}};
  std::vector<std::string> materials;
  for (const Paint& paint : paints)
    materials.push_back(
        "{\"name\": " + quoted(paint.pName) + ", \"pbrMetallicRoughness\": {\"baseColorFactor\": " +
        list({paint.colour[0], paint.colour[1], paint.colour[2], paint.colour[3]}) + "}" +
        (paint.colour[3] < 1 ? ", \"alphaMode\": \"BLEND\", \"extensions\": "
                               "{\"KHR_materials_unlit\": {}}"
                             : "") +
        (paint.twoSided ? ", \"doubleSided\": true" : "") + "}");

  std::vector<int> sceneNodes;
  sceneNodes.push_back(node("{\"name\": \"FloorLight\", \"mesh\": " +
                            std::to_string(meshOf("FloorLight", floorTiles(0), 0)) + "}"));
  sceneNodes.push_back(node("{\"name\": \"FloorDark\", \"mesh\": " +
                            std::to_string(meshOf("FloorDark", floorTiles(1), 1)) + "}"));

  // The arm: its base holds the pedestal, the skinned tube and the bones (Shoulder > Elbow >
  // Wrist > Claw). The inverse bind matrices undo each joint's place in the base's space.
  const ArmData arm = armTube();
  const int joints = buffer.words(arm.joints, 4);
  const int weights = buffer.floats(arm.weights, 4, false);
  const double elbowY = kUpperArm, wristY = kForearm;
  std::vector<float> inverseBinds;
  for (const double y : {kShoulderY, kShoulderY + kUpperArm, kShoulderY + kUpperArm + kForearm})
    for (const double value :
         {1.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0, -y, 0.0, 1.0})
      inverseBinds.push_back(static_cast<float>(value));
  const int inverseBindAccessor = buffer.floats(inverseBinds, 16, false);
  const int armMesh = meshOf(
      "Arm", arm.mesh, 2,
      ", \"JOINTS_0\": " + std::to_string(joints) + ", \"WEIGHTS_0\": " + std::to_string(weights));
  MeshData clawData;
  box(clawData, V3{0, 0.1, 0}, V3{1.2, 0.2, 0.9});
  box(clawData, V3{-0.45, 0.7, 0}, V3{0.22, 1.1, 0.7});
  box(clawData, V3{0.45, 0.7, 0}, V3{0.22, 1.1, 0.7});
  const int clawNode =
      node("{\"name\": \"Claw\", \"mesh\": " + std::to_string(meshOf("Claw", clawData, 4)) +
           ", \"translation\": " + at(V3{0, kHandLength, 0}) + "}");
  const int wristNode = node("{\"name\": \"Wrist\", \"translation\": " + at(V3{0, wristY, 0}) +
                             ", \"children\": [" + std::to_string(clawNode) + "]}");
  const int elbowNode = node("{\"name\": \"Elbow\", \"translation\": " + at(V3{0, elbowY, 0}) +
                             ", \"children\": [" + std::to_string(wristNode) + "]}");
  const int shoulderNode =
      node("{\"name\": \"Shoulder\", \"translation\": " + at(V3{0, kShoulderY, 0}) +
           ", \"children\": [" + std::to_string(elbowNode) + "]}");
  MeshData pedestalData;
  box(pedestalData, V3{0, kShoulderY / 2, 0}, V3{2.6, kShoulderY, 2.6});
  const int pedestalNode = node("{\"name\": \"Pedestal\", \"mesh\": " +
                                std::to_string(meshOf("Pedestal", pedestalData, 3)) + "}");
  const int armNode =
      node("{\"name\": \"Arm\", \"mesh\": " + std::to_string(armMesh) + ", \"skin\": 0}");
  sceneNodes.push_back(node("{\"name\": \"ArmBase\", \"translation\": " + at(kArmBase) +
                            ", \"children\": [" + std::to_string(pedestalNode) + ", " +
                            std::to_string(armNode) + ", " + std::to_string(shoulderNode) + "]}"));
  const std::string skins =
      "[{\"name\": \"ArmSkin\", \"joints\": [" + std::to_string(shoulderNode) + ", " +
      std::to_string(elbowNode) + ", " + std::to_string(wristNode) +
      "], \"inverseBindMatrices\": " + std::to_string(inverseBindAccessor) + "}]";

  // The blob and its targets.
  const BlobData blobData = blob();
  const int spikes = buffer.floats(blobData.spikes, 3, true);
  const int squash = buffer.floats(blobData.squash, 3, true);
  const int blobMesh = meshOf("Blob", blobData.mesh, 5, "",
                              ", \"targets\": [{\"POSITION\": " + std::to_string(spikes) +
                                  "}, {\"POSITION\": " + std::to_string(squash) + "}]");
  meshes.back().insert(meshes.back().size() - 1,
                       ", \"weights\": [0, 0], \"extras\": {\"targetNames\": [\"Spikes\", "
                       "\"Squash\"]}");
  const int blobNode = node("{\"name\": \"Blob\", \"mesh\": " + std::to_string(blobMesh) +
                            ", \"translation\": " + at(kBlobCentre) + "}");
  sceneNodes.push_back(blobNode);

  // The tower and the flag, their modifiers at rest: the show's formulas move them.
  sceneNodes.push_back(
      node(std::string("{\"name\": \"") + kTowerName + "\", \"mesh\": " +
           std::to_string(meshOf(kTowerName, tower(), 6)) + ", \"translation\": " + at(kTowerBase) +
           ", \"extras\": {\"modifiers\": [{\"type\": \"twist\", \"axis\": \"y\", \"angle\": 0}, "
           "{\"type\": \"bend\", \"axis\": \"y\", \"angle\": 0, \"direction\": 0}]}}"));
  MeshData poleData;
  box(poleData, V3{0, kPoleHeight / 2, 0}, V3{0.3, kPoleHeight, 0.3});
  sceneNodes.push_back(
      node("{\"name\": \"Pole\", \"mesh\": " + std::to_string(meshOf("Pole", poleData, 2)) +
           ", \"translation\": " + at(kPoleBase) + "}"));
  // A quarter turn about z stands the flag up (its x runs up the pole, its y, the wave, along -x),
  // a quarter turn about y then points it along +x. The wave runs out along the flag (its z),
  // growing e^(0.35 z) away from the pole.
  const std::array<double, 4> upright =
      multiply(turn(V3{0, 1, 0}, kPi / 2), turn(V3{0, 0, 1}, kPi / 2));
  sceneNodes.push_back(node(
      std::string("{\"name\": \"") + kFlagName +
      "\", \"mesh\": " + std::to_string(meshOf(kFlagName, flag(), 7)) +
      ", \"translation\": " + at(kPoleBase + V3{0.15, kPoleHeight - kFlagHeight - 0.1, 0}) +
      ", \"rotation\": " + list({upright[0], upright[1], upright[2], upright[3]}) +
      ", \"extras\": {\"modifiers\": [{\"type\": \"wave\", \"form\": \"linear\", \"amp1\": 0.15, "
      "\"amp2\": 0.15, \"waveLength\": 2.5, \"phase\": 0, \"decay\": -0.35}]}}"));

  // The panes round the middle.
  const char* const kPanes[] = {"PaneCyan", "PaneMagenta", "PaneAmber"};
  for (int i = 0; i < 3; ++i)
    sceneNodes.push_back(
        node("{\"name\": " + quoted(kPanes[i]) + ", \"mesh\": " +
             std::to_string(meshOf(kPanes[i], pane(kPi / 2 + i * 2 * kPi / 3), 8 + i)) + "}"));

  // Lights: a warm key from high in front, a cold fill over the tower, an orange glow by the
  // blob.
  double keyYaw = 0;
  const std::array<double, 4> key = lookAlong(V3{-0.4, -1.0, -0.6}, keyYaw);
  sceneNodes.push_back(
      node("{\"name\": \"Key\", \"rotation\": " + list({key[0], key[1], key[2], key[3]}) +
           ", \"extensions\": {\"KHR_lights_punctual\": {\"light\": 0}}}"));
  sceneNodes.push_back(
      node("{\"name\": \"Fill\", \"translation\": [-4, 10, -9], "
           "\"extensions\": {\"KHR_lights_punctual\": {\"light\": 1}}}"));
  sceneNodes.push_back(
      node("{\"name\": \"Glow\", \"translation\": [10, 6, 3], "
           "\"extensions\": {\"KHR_lights_punctual\": {\"light\": 2}}}"));

  // The animation, keyed every kKeyStep: the camera's orbit, the arm's bones, the blob's turn
  // and its target weights.
  const auto nbKey = static_cast<int>(std::lround(kSeconds / kKeyStep)) + 1;
  std::vector<float> times, eyes, views, shoulder, elbow, wrist, blobTurn, blobWeights;
  double yaw = 0;
  const auto push = [](std::vector<float>& out, const std::array<double, 4>& q) {
    for (const double c : q)
      out.push_back(static_cast<float>(c));
  };
  for (int k = 0; k < nbKey; ++k) {
    const double t = k * kKeyStep;
    times.push_back(static_cast<float>(t));
    // Half a turn, easing in and out.
    const double s = t / kSeconds;
    const double angle = kOrbitStart + kPi * (s * s * (3 - 2 * s));
    const V3 eye{kOrbitRadius * std::sin(angle), kOrbitLow + (kOrbitHigh - kOrbitLow) * s,
                 kOrbitRadius * std::cos(angle)};
    for (const double c : {eye.x, eye.y, eye.z})
      eyes.push_back(static_cast<float>(c));
    push(views, lookAlong(kLookAt - eye, yaw));
    // The arm: the shoulder swings once a pattern and leans in and out once every two bars; the
    // elbow snaps bent on the beat and relaxes; the wrist turns steadily. Turning about -z leans
    // the arm's +y towards +x, the middle of the floor.
    const double pulse = beatPulse(t);
    const double swing = 0.9 * std::sin(2 * kPi * t / kPatternSeconds);
    const double lean = 0.25 + 0.1 * std::sin(2 * kPi * t / (2 * kBarSeconds));
    push(shoulder, multiply(turn(V3{0, 1, 0}, swing), turn(V3{0, 0, -1}, lean)));
    push(elbow, turn(V3{0, 0, -1}, 0.3 + 0.7 * pulse));
    push(wrist, turn(V3{0, 1, 0}, 1.5 * t));
    // The blob: turning, spiking on the beat, breathing once a bar.
    push(blobTurn, turn(V3{0, 1, 0}, 0.5 * t));
    blobWeights.push_back(static_cast<float>(pulse));
    blobWeights.push_back(static_cast<float>(0.5 - 0.5 * std::cos(2 * kPi * t / kBarSeconds)));
  }
  const int timeAccessor = buffer.floats(times, 1, true);
  struct Channel {
    int node;
    const char* pPath;
    int output;
  };
  const int cameraNode = node("{\"name\": \"Camera\", \"camera\": 0, \"translation\": " +
                              list({static_cast<double>(eyes[0]), static_cast<double>(eyes[1]),
                                    static_cast<double>(eyes[2])}) +
                              ", \"rotation\": " +
                              list({static_cast<double>(views[0]), static_cast<double>(views[1]),
                                    static_cast<double>(views[2]), static_cast<double>(views[3])}) +
                              "}");
  sceneNodes.push_back(cameraNode);
  const std::vector<Channel> channels = {
      {cameraNode, "translation", buffer.floats(eyes, 3, false)},
      {cameraNode, "rotation", buffer.floats(views, 4, false)},
      {shoulderNode, "rotation", buffer.floats(shoulder, 4, false)},
      {elbowNode, "rotation", buffer.floats(elbow, 4, false)},
      {wristNode, "rotation", buffer.floats(wrist, 4, false)},
      {blobNode, "rotation", buffer.floats(blobTurn, 4, false)},
      {blobNode, "weights", buffer.floats(blobWeights, 1, false)}};
  std::vector<std::string> samplers, targets;
  for (std::size_t i = 0; i < channels.size(); ++i) {
    samplers.push_back("{\"input\": " + std::to_string(timeAccessor) + ", \"output\": " +
                       std::to_string(channels[i].output) + ", \"interpolation\": \"LINEAR\"}");
    targets.push_back("{\"sampler\": " + std::to_string(i) +
                      ", \"target\": {\"node\": " + std::to_string(channels[i].node) +
                      ", \"path\": \"" + channels[i].pPath + "\"}}");
  }

  std::string sceneText;
  for (const int index : sceneNodes)
    sceneText += (sceneText.empty() ? "" : ", ") + std::to_string(index);
  // yfov 2 atan(0.5) at aspect 2: 90 degrees across, as the city's.
  return "{\n\"asset\": {\"version\": \"2.0\", \"generator\": \"make_scenes\"},\n"
         "\"extensionsUsed\": [\"KHR_lights_punctual\", \"KHR_materials_unlit\"],\n"
         "\"extensions\": {\"KHR_lights_punctual\": {\"lights\": [\n"
         "{\"type\": \"directional\", \"name\": \"Key\", \"color\": [1.0, 0.92, 0.8], "
         "\"intensity\": 0.85},\n"
         "{\"type\": \"point\", \"name\": \"Fill\", \"color\": [0.45, 0.6, 1.0], "
         "\"intensity\": 0.6},\n"
         "{\"type\": \"point\", \"name\": \"Glow\", \"color\": [1.0, 0.55, 0.25], "
         "\"intensity\": 1.0}]}},\n"
         "\"cameras\": [{\"type\": \"perspective\", \"name\": \"Camera\", \"perspective\": "
         "{\"yfov\": " +
         number(2 * std::atan(0.5)) +
         ", \"aspectRatio\": 2.0, \"znear\": 0.5, \"zfar\": 200}}],\n"
         "\"materials\": [\n" +
         join(materials) + "],\n\"meshes\": [\n" + join(meshes) + "],\n\"nodes\": [\n" +
         join(nodes) + "],\n\"skins\": " + skins + ",\n\"scenes\": [{\"name\": \"Workshop\", " +
         "\"nodes\": [" + sceneText + "]}],\n\"scene\": 0,\n" +
         "\"animations\": [{\"name\": \"Workshop\", \"samplers\": [\n" + join(samplers) +
         "], \"channels\": [\n" + join(targets) + "]}],\n" + buffer.json() + "\n}\n";
}

}  // namespace DemoWorkshop
