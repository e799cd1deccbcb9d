#pragma once
// The typed view of 2D scene files (.s2d): the root's own fields (animLength, objects with their
// material indices, cameraCount, materials with name, mixMode 1 additive / 2 subtractive / other
// normal, picture, filter, alphaMap, unused), the cameras' fovTrack and rollTrack, the materials'
// opacityTrack, and the optional head blocks (objectHeads of "head" chunks, cameraHeads of
// "camera" chunks with "head" and "targetHead"), whose heads and tracks read as in .l3x scenes.

#include "tools/chunk_json.h"

namespace S2dJson {

const ChunkJson::Schema& schema();

}  // namespace S2dJson
