#pragma once
// The demo's workshop: the 3D scene of the finale, written as a glTF 2.0 model from code and
// brought into the show by `showtool import`.

#include <string>

#include "tools/demo_tempo.h"

namespace DemoWorkshop {

// The scene's animation (the camera's orbit, the arm, the blob) lasts the finale: two patterns.
inline constexpr int kWorkshopBars = 8;
inline constexpr int kWorkshopMs = kWorkshopBars * DemoTempo::kMsPerBar;  // 15360

// The names a scene controller moves (the modifiers are the player's, put on the meshes by the
// importer from the nodes' extras): the tower's twist and bend, the flag's wave.
inline constexpr const char* kTowerName = "Tower";
inline constexpr const char* kFlagName = "Flag";

// The workshop as a glTF file (one buffer, inline), every colour flat, in a floor of 8 x 8
// checker tiles, lit by a warm directional key light and two point lights:
// - a robot arm on a pedestal at (-7, 0, 0): one skinned tube (Shoulder, Elbow and Wrist bones)
//   that sways over each pattern, snaps its elbow bent on every beat and relaxes, its wrist
//   turning a claw;
// - a blob at (7, 3.2, -1): a sphere of 273 vertices with two morph targets, "Spikes" weighted by
//   the same pulse on every beat and "Squash" breathing once a bar, turning slowly;
// - a tower at (0, 0, -7) of 24 storeys whose node extras ask for a twist and a bend (at 0:
//   formulas move them), and a flag on a pole at (1.5, 0, 6) whose extras ask for a linear wave;
// - three see-through glass panes (cyan, magenta, amber) standing round the middle;
// - a camera orbiting the middle half a turn over kWorkshopMs (the first animation), slowly
//   rising.
std::string workshopGltf();

}  // namespace DemoWorkshop
