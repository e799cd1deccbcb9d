#pragma once
// The .l3x reader: fills a scene's objects from the chunk tree of the file. Split by object
// family: the scene, heads, cameras, lights, dummies and world-space modifiers here and in
// s3d_reader.cpp; meshes and shapes in s3d_reader_object.cpp; materials in
// s3d_reader_material.cpp. Children of a chunk may come in any order; identifiers a chunk does not
// know are passed over; a child given twice overwrites the first.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/chunk_file_reader.h"
#include "s3d/s3d_chunk_p.h"
#include "s3d/s3d_scene.h"

namespace s3d_reader {

// Reads the whole file into the scene; false when the root is not a scene's.
bool readScene(S3DScene& scene, ChunkFileReaderManager& manager);

void readHead(S3DNode& node, ChunkFileReader& chunk, ChunkFileReaderManager& manager);
void readTriObject(S3DTriObject& mesh, ChunkFileReader& chunk, ChunkFileReaderManager& manager);
// The kind byte, then the shape of that kind into `slot` (left empty for an unknown kind).
void readShape(std::unique_ptr<S3DShape>& slot, ChunkFileReader& chunk,
               ChunkFileReaderManager& manager);
void readMaterial(S3DMaterial& material, ChunkFileReader& chunk, ChunkFileReaderManager& manager);
void readTextureLayer(S3DTextureLayer& layer, ChunkFileReader& chunk);
void readMapLayer(S3DMapLayer& layer, ChunkFileReader& chunk, ChunkFileReaderManager& manager);

// At most `count` items can follow in `chunk` when each takes at least `minBytes`: a count the
// file announces never allocates more than its own bytes can fill.
inline std::uint64_t countThatFits(std::uint64_t count, const ChunkFileReader& chunk,
                                   const ChunkFileReaderManager& manager, std::uint64_t minBytes) {
  const std::uint64_t fit = s3d_chunk::remaining(chunk, manager) / minBytes;
  return count < fit ? count : fit;
}

// An int count, then that many floats: as many as the chunk holds.
inline std::vector<float> readFloatList(ChunkFileReader& chunk, ChunkFileReaderManager& manager) {
  const std::int32_t count = chunk.readInt();
  std::vector<float> values(static_cast<std::size_t>(
      countThatFits(count > 0 ? static_cast<std::uint64_t>(count) : 0, chunk, manager, 4)));
  for (float& value : values)
    value = chunk.readFloat();
  return values;
}

// The smallest chunk: its header alone.
constexpr std::uint64_t kMinChunkBytes = 6;

// Reads a list chunk of `records`: the children `recordId` fill records 0, 1, ... in order (each
// through `fill`); one beyond the announced count reports `overflowText` and is skipped, other
// identifiers are passed over. Records that are announced but missing keep their defaults and are
// reported with `what`. `resize(n)` makes the n records (n never more than the chunk can hold).
template <class Resize, class Fill>
void readList(ChunkFileReader& list, ChunkFileReaderManager& manager, std::uint16_t recordId,
              std::string_view what, std::string_view overflowText, Resize resize, Fill fill) {
  const std::uint64_t announced = list.readWord();
  if (announced == 0) return;
  const std::uint64_t count = countThatFits(announced, list, manager, kMinChunkBytes);
  resize(count);
  std::uint64_t filled = 0;
  ChunkFileReader record;
  while (list.nextChild(record)) {
    if (record.getIdentifier() != recordId) continue;
    if (filled == count) {
      if (filled == announced) reportScene(overflowText);
      continue;
    }
    fill(filled++, record);
  }
  if (filled < announced && !manager.hasFailed())
    reportScene(std::string(what) + " list: " + std::to_string(announced) + " announced, " +
                std::to_string(filled) + " read");
}

}  // namespace s3d_reader
