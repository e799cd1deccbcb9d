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
