#pragma once
// Internals of the model import: the conversion of what the import library read into a scene.

#include <assimp/material.h>
#include <assimp/scene.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tools/l3x_scene_writer.h"
#include "tools/model_import.h"

namespace ModelImport {

// The scene of a model the import library has read (see model_import.h for what becomes what).
// `gltf`: the model is a glTF file, whose cameras the library gives in its own way. What is
// skipped is added to `messages`, one text each. Texture pictures, named relative to
// `modelFolder`, are named relative to `sceneFolder` in the scene (both absolute, or both empty:
// the names are kept).
L3xScene::Scene convertModel(const aiScene& source, const Settings& settings, bool gltf,
                             const std::string& name, std::vector<std::string>& messages,
                             const std::filesystem::path& modelFolder = {},
                             const std::filesystem::path& sceneFolder = {});

// The sub-material of a source material: colour2 = the base (diffuse) colour, clamped to 0..1;
// colour1 = 0.15 times it (the ambient end of the ramp); colour3 = base + specular (clamped) when
// the material has a specular colour that is not black, otherwise the base halfway to white.
// An unlit material gets the base colour at all three places, so that light does not change it.
// Flat shading gives shading type 100, anything else 0 (Gouraud). Opacity is the material's
// opacity, or the base colour's alpha without one.
L3xScene::SubMaterial subMaterialOf(const aiMaterial& material);

// `sub` (from subMaterialOf) textured with `picture`. The drawer of shading type 1 shows the texel
// minus the shading table's colour, t - c per byte, so the table holds what the light takes away:
// each of the three colours becomes 1 minus itself (white at the dark end, black where the base
// colour is fully lit). An unlit material shows the texture as it is (shading type 200). A
// video (".avi") goes to the map layer, a picture to the texture layer; both are drawn the same.
void useTexture(L3xScene::SubMaterial& sub, const aiMaterial& material, const std::string& picture);

// The gizmo modifiers that a node's extras list under "modifiers" (see model_import.h), in their
// order; what cannot be used is added to `messages`. None without extras.
std::vector<L3xScene::GizmoModifier> modifiersOf(const aiMetadata* pExtras,
                                                 const std::string& nodeName,
                                                 std::vector<std::string>& messages);

}  // namespace ModelImport
