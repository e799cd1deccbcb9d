#pragma once
// The typed view of .l3x scenes: every chunk of the scene layout (objects and their heads, tracks,
// cameras, lights, materials and their layers, meshes with their geometry, faces, name and channel
// lists, modifiers by type, skins, morph targets, shapes by kind) with named fields. Points are
// [x, y, z], matrices four rows of three, rotations {"angle", "axis"}.

#include "tools/chunk_json.h"

namespace L3xJson {

const ChunkJson::Schema& schema();

// The context kinds of a head chunk's children (name, parent, transform) and of a float track
// holder's children, for formats that embed these chunks. Every kind of this schema is below
// kFirstFreeKind.
int headKind();
int floatTrackHolderKind();
inline constexpr int kFirstFreeKind = 1000;

}  // namespace L3xJson
