#pragma once
// showtool import: a model file (glTF 2.0 .gltf and .glb, Wavefront OBJ with its .mtl, and the
// other formats the Open Asset Import Library reads) becomes an .l3x scene.
//
// What becomes what:
// - Every node is an object named after it (duplicates get "_2", "_3", ...), parented to its
//   parent node; the file's root node only when it carries a transform or content. A node with
//   one mesh is that mesh; a node with several is a dummy with child meshes named node name + "_"
//   + index; a node with a camera or light and no mesh is that camera or light; any other node is
//   a dummy.
// - One material per source material that a mesh uses, with one sub-material; a mesh picks its
//   material by index and all its faces use sub-material 0.
// - The first animation is sampled at every frame (--fps) into linear position, rotation and
//   scale keys; the other animations are reported and skipped.
// - A skinned mesh gets a skin modifier: its bones are the objects of the nodes they name (a bone
//   naming no node becomes a dummy where it was bound), each vertex keeps its 4 largest weights
//   scaled to sum 1; weights that are not finite or not above 0 are left out.
// - Each morph target becomes a mesh of its own under the morphed mesh (hidden by the scene),
//   and the mesh a morph modifier with the target's default weight, keyed at every frame from
//   the first animation's morph channel when it has one. The morph acts before the skin.
// - A material's base-colour texture becomes its sub-material's texture layer (the whole picture,
//   named from the scene's folder) when the player can read the picture (BMP, TGA, JPEG, outside
//   the model); an AVI video (".avi", any case) becomes its map layer instead, which the player
//   shows a frame of at a time; other textures are reported and skipped.
// - A node's extras (glTF "extras") may list gizmo modifiers for its mesh under "modifiers", each
//   an object with a "type" and the parameters of the player's modifier of that type, in the
//   scene's units (radians; the scene's z is the model's -z):
//     {"type": "bend", "axis": "y", "angle": 1.2, "direction": 0}
//     {"type": "twist", "axis": "y", "angle": 1.57, "bias": 0}
//     {"type": "skew", "axis": "y", "amount": 2, "direction": 0}
//     {"type": "wave", "form": "linear", "amp1": 0.2, "amp2": 0.2, "waveLength": 4, "phase": 0,
//      "decay": 0}
//   The axis ("x", "y" or "z") is y when left out, the wave's form ("circular" or "linear")
//   circular; a parameter left out is 0. The modifiers act in their order after the morph and
//   the skin, over the whole mesh; each names no track, so a scene controller (MODIFIERTWIST
//   NAME ANGLE, ...) is what moves them. Unknown types and keys, values that are not finite
//   numbers, and more than 16 modifiers on a node are reported and left out.
// - A mesh whose material has an opacity below 1 is sorted: its triangles are drawn after the
//   others, farthest first.
// - Orthographic cameras, area and ambient lights, lines and points are reported and skipped.

#include <ostream>
#include <string>

namespace ModelImport {

struct Settings {
  int fps = 30;
  bool pack = false;
};

// Reads `modelName` and writes the scene to `sceneName`. What cannot be converted is named on
// `err`, one line each ("showtool: MODEL: skipped ..."); a summary of the scene goes to `out`.
// Returns 0 when written, 1 when the model cannot be read or the scene cannot be written.
int importModel(const std::string& modelName, const std::string& sceneName,
                const Settings& settings, std::ostream& out, std::ostream& err);

}  // namespace ModelImport
