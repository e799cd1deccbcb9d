#pragma once
// The smallest .l3x scenes of the program-level tests: 90 frames, one camera, one flat white
// material ("paint", shading 100, every colour white) and one mesh of a single quad at z = 0,
// written chunk by chunk so the scene reader is not used to make its own input.

#include <cstdint>
#include <string>

#include "tests/base/chunk_bytes.h"

namespace white_quad {

using chunk_bytes::Bytes;

inline Bytes point(float x, float y, float z) {
  using namespace chunk_bytes;
  return floatField(x) + floatField(y) + floatField(z);
}

// A head chunk (1 for an object, 2 for a camera's target): name and, under 3/100, a position.
// `transform` extra children of chunk 3 (a 200 block of tracks, say).
inline Bytes head(std::uint16_t id, const char* name, float x, float y, float z,
                  Bytes transform = {}) {
  using namespace chunk_bytes;
  return chunk(id, {chunk(1, {stringField(name)}),
                    chunk(3, {chunk(100, {chunk(103, {point(x, y, z)})}), transform})});
}

// The scene file: a mesh with `meshHead` whose quad spans (x0, y0) .. (x1, y1) in its object
// space, two triangles counter-clockwise on the screen, seen by `camera`.
inline std::string sceneFile(const Bytes& camera, const Bytes& meshHead, float x0, float y0,
                             float x1, float y1) {
  using namespace chunk_bytes;
  const Bytes white = point(1.0f, 1.0f, 1.0f);
  const Bytes material = chunk(
      131,
      {chunk(101, {stringField("paint")}),
       chunk(200, {intField(1),
                   chunk(201, {chunk(2, {chunk(1, {chunk(12, {intField(100)}), chunk(17, {white}),
                                                   chunk(18, {white}), chunk(19, {white})})})})})});
  const Bytes vertices = le(4, 2) + point(x0, y0, 0.0f) + point(x1, y0, 0.0f) +
                         point(x1, y1, 0.0f) + point(x0, y1, 0.0f);
  const Bytes faces = le(2, 2) + le(0, 2) + le(1, 2) + le(2, 2) + le(0, 2) + le(2, 2) + le(3, 2);
  const Bytes mesh =
      chunk(101, {meshHead, chunk(2, {le(0, 2)}), chunk(501, {chunk(502, {vertices})}),
                  chunk(1000, {chunk(1001, {faces})})});
  const Bytes file =
      plainFile(chunk(53454, {chunk(50, {le(90, 2)}), chunk(120, {le(1, 2), camera}),
                              chunk(130, {le(1, 2), material}), chunk(100, {le(1, 2), mesh})}));
  return std::string(file.begin(), file.end());
}

}  // namespace white_quad
