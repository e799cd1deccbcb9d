#pragma once
// Field readers shared by the scene file's readers: the chunk reader's encodings as the engine's
// types.

#include <cstdint>

#include "base/chunk_file_reader.h"
#include "s3d/s3d_math.h"

namespace s3d_chunk {

inline Vec3 readPoint(ChunkFileReader& chunk) {
  Vec3 p;
  chunk.readPoint3(p.x, p.y, p.z);
  return p;
}

// An angle-axis as the quaternion of that rotation.
inline Quat readRotation(ChunkFileReader& chunk) {
  Vec3 axis;
  float angle = 0.0f;
  chunk.readAngleAxis(axis.x, axis.y, axis.z, angle);
  return quaternionFromAngleAxis(angle, axis);
}

inline Matrix44 readMatrix(ChunkFileReader& chunk) {
  float rows[4][4];
  chunk.readMatrix(rows);
  Matrix44 matrix;
  for (int row = 0; row < 4; ++row)
    for (int col = 0; col < 4; ++col)
      matrix.m[row * 4 + col] = rows[row][col];
  return matrix;
}

// Bytes left in `chunk` after what has been read of it.
inline std::uint64_t remaining(const ChunkFileReader& chunk,
                               const ChunkFileReaderManager& manager) {
  const std::uint64_t at = manager.getOffset();
  return chunk.getEndOffset() > at ? chunk.getEndOffset() - at : 0;
}

}  // namespace s3d_chunk
