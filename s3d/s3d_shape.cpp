#include "s3d/s3d_shape.h"

#include "base/chunk_file_reader.h"
#include "s3d/s3d_chunk_p.h"

namespace {

enum : uint16_t {
  kEmitterList = 20,
  kEmitter = 21,
  kEmitterStart = 1,
  kEmitterPeriod = 2,
  kEmitterRate = 3,
  kSpriteValue11 = 11,
  kSpriteValue12 = 12,
  kSpriteFirstSelector = 13,
};

}  // namespace

void S3DShape::animate(float time, const S3DCamera*) {
  animateObject(time);
}

void S3DShapeParticles::loadKindParameters(ChunkFileReader& chunk,
                                           ChunkFileReaderManager& manager) {
  ChunkFileReader list, record, field;
  while (chunk.nextChild(list)) {
    if (list.getIdentifier() != kEmitterList) continue;
    // Each emitter is a chunk of at least its header.
    const std::uint64_t count =
        std::min<std::uint64_t>(list.readWord(), s3d_chunk::remaining(list, manager) / 6);
    m_emitters.assign(count, S3DEmitter{});
    std::size_t filled = 0;
    while (filled < m_emitters.size() && list.nextChild(record)) {
      if (record.getIdentifier() != kEmitter) continue;
      S3DEmitter& emitter = m_emitters[filled++];
      while (record.nextChild(field)) {
        switch (field.getIdentifier()) {
          case kEmitterStart:
            emitter.startFrame = field.readFloat();
            break;
          case kEmitterPeriod:
            emitter.period = field.readFloat();
            break;
          case kEmitterRate:
            emitter.rate = field.readFloat();
            break;
          default:
            break;
        }
      }
    }
  }
}

void S3DShapeSprite::loadKindParameters(ChunkFileReader& chunk, ChunkFileReaderManager&) {
  ChunkFileReader field;
  while (chunk.nextChild(field)) {
    const uint16_t id = field.getIdentifier();
    if (id == kSpriteValue11) m_value11 = field.readFloat();
    if (id == kSpriteValue12) m_value12 = field.readFloat();
    if (id >= kSpriteFirstSelector && id < kSpriteFirstSelector + 3)
      m_selectors[id - kSpriteFirstSelector] = field.readInt();
  }
}

std::unique_ptr<S3DShape> createShape(int kind) {
  switch (kind) {
    case S3DShape::kPoints:
      return std::make_unique<S3DShapePoints>();
    case S3DShape::kParticles:
      return std::make_unique<S3DShapeParticles>();
    case S3DShape::kSprite:
      return std::make_unique<S3DShapeSprite>();
    default:
      return nullptr;
  }
}
