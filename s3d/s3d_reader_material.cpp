// The .l3x reader: materials, sub-materials and their layers.

#include "s3d/s3d_reader_p.h"

namespace s3d_reader {

namespace {

using s3d_chunk::readPoint;

enum : std::uint16_t {
  kMaterialName = 101,
  kSubMaterials = 200,
  kSubMaterial = 201,
  kSubName = 1,
  kDrawing = 2,
  kLines = 3,
  kTextureLayer = 4,
  kMapLayer = 5,
  kProperties = 1,
  kTracks = 100,
};

void readProperties(S3DSubMaterial& sub, ChunkFileReader& chunk, ChunkFileReaderManager& manager) {
  ChunkFileReader field;
  while (chunk.nextChild(field)) {
    switch (field.getIdentifier()) {
      case 10:
        sub.m_polygonsEnabled = field.readInt();
        break;
      case 11:
        sub.m_twoSided = field.readInt();
        break;
      case 12:
        sub.m_shadingType = field.readInt();
        break;
      case 13:
        sub.m_blendMode = field.readInt();
        break;
      case 14:
        sub.setOpacity(field.readFloat());
        break;
      case 15:
        sub.m_textureOption = field.readInt();
        break;
      case 16:
        sub.m_value16 = field.readInt();
        break;
      case 17:
      case 18:
      case 19:
        sub.setColor(field.getIdentifier() - 17, readPoint(field));
        break;
      case 20:
        sub.setPaletteParam(field.readFloat());
        break;
      case 21:
        sub.m_value21 = field.readInt();
        break;
      case 22:
        sub.m_pLayer1 = std::make_unique<S3DMapLayer>();
        readMapLayer(*sub.m_pLayer1, field, manager);
        break;
      case 23:
        sub.m_pLayer2 = std::make_unique<S3DMapLayer>();
        readMapLayer(*sub.m_pLayer2, field, manager);
        break;
      default:
        break;
    }
  }
}

void readDrawing(S3DSubMaterial& sub, ChunkFileReader& chunk, ChunkFileReaderManager& manager) {
  ChunkFileReader part, field;
  while (chunk.nextChild(part)) {
    if (part.getIdentifier() == kProperties) {
      readProperties(sub, part, manager);
    } else if (part.getIdentifier() == kTracks) {
      while (part.nextChild(field)) {
        const std::uint16_t id = field.getIdentifier();
        if (id == 110) sub.m_pOpacityTrack = readTrack<TrackManagerFloat>(field, manager);
        if (id >= 111 && id <= 113)
          sub.m_pColorTracks[id - 111] = readTrack<TrackManagerPoint3D>(field, manager);
      }
    }
  }
}

void readLines(S3DLineProperties& line, ChunkFileReader& chunk, ChunkFileReaderManager& manager) {
  ChunkFileReader part, field;
  while (chunk.nextChild(part)) {
    if (part.getIdentifier() == kProperties) {
      while (part.nextChild(field)) {
        switch (field.getIdentifier()) {
          case 10:
            line.m_enabled = field.readInt();
            break;
          case 11:
            line.m_color = field.readInt();
            break;
          case 12:
            line.m_blendMode = field.readInt();
            break;
          case 13:
            line.m_opacity = field.readFloat();
            break;
          case 14:
            line.m_width = field.readFloat();
            break;
          case 15:
            line.m_antialias = field.readInt();
            break;
          case 16:
            line.m_value16 = field.readInt();
            break;
          default:
            break;
        }
      }
    } else if (part.getIdentifier() == kTracks) {
      while (part.nextChild(field))
        if (field.getIdentifier() == 110)
          line.m_pColorTrack = readTrack<TrackManagerPoint3D>(field, manager);
    }
  }
}

void readSubMaterial(S3DSubMaterial& sub, ChunkFileReader& chunk, ChunkFileReaderManager& manager) {
  ChunkFileReader child;
  while (chunk.nextChild(child)) {
    switch (child.getIdentifier()) {
      case kSubName:
        sub.m_name = child.readString();
        break;
      case kDrawing:
        readDrawing(sub, child, manager);
        break;
      case kLines:
        sub.m_pLine = std::make_unique<S3DLineProperties>();
        readLines(*sub.m_pLine, child, manager);
        break;
      case kTextureLayer:
        sub.m_pTextureLayer = std::make_unique<S3DTextureLayer>();
        readTextureLayer(*sub.m_pTextureLayer, child);
        break;
      case kMapLayer:
        sub.m_pMapLayer = std::make_unique<S3DMapLayer>();
        readMapLayer(*sub.m_pMapLayer, child, manager);
        break;
      default:
        break;
    }
  }
  sub.buildColorTable();
  sub.selectTexture();
}

}  // namespace

void readMaterial(S3DMaterial& material, ChunkFileReader& chunk, ChunkFileReaderManager& manager) {
  ChunkFileReader child, record;
  while (chunk.nextChild(child)) {
    if (child.getIdentifier() == kMaterialName) {
      material.m_name = child.readString();
    } else if (child.getIdentifier() == kSubMaterials) {
      // An int count; each 201 child fills the next sub-material while fewer than count are.
      const std::int32_t announced = child.readInt();
      const std::uint64_t count =
          countThatFits(announced > 0 ? static_cast<std::uint64_t>(announced) : 0, child, manager,
                        kMinChunkBytes);
      material.m_subMaterials.clear();
      material.m_subMaterials.resize(static_cast<std::size_t>(count));
      std::size_t filled = 0;
      while (filled < material.m_subMaterials.size() && child.nextChild(record))
        if (record.getIdentifier() == kSubMaterial)
          readSubMaterial(material.m_subMaterials[filled++], record, manager);
    }
  }
}

void readTextureLayer(S3DTextureLayer& layer, ChunkFileReader& chunk) {
  ChunkFileReader part, field;
  while (chunk.nextChild(part)) {
    if (part.getIdentifier() != kProperties) continue;
    while (part.nextChild(field)) {
      switch (field.getIdentifier()) {
        case 10:
          layer.m_enabled = field.readInt();
          break;
        case 11:
          layer.m_flags = field.readInt();
          break;
        case 12:
          // The picture: its file name, then the window u, v, w, h.
          layer.m_fileName = field.readString();
          layer.m_u = field.readFloat();
          layer.m_v = field.readFloat();
          layer.m_w = field.readFloat();
          layer.m_h = field.readFloat();
          break;
        case 13:
          layer.m_pointSize = field.readFloat();
          break;
        default:
          if (field.getIdentifier() >= 14 && field.getIdentifier() <= 18)
            layer.m_values[field.getIdentifier() - 14u] = field.readInt();
          break;
      }
    }
  }
  layer.m_pTexture = std::make_unique<S3DTexture32>();
  layer.m_pTexture->load(layer.m_fileName, layer.m_u, layer.m_v, layer.m_w, layer.m_h);
}

void readMapLayer(S3DMapLayer& layer, ChunkFileReader& chunk, ChunkFileReaderManager& manager) {
  ChunkFileReader part, field;
  while (chunk.nextChild(part)) {
    if (part.getIdentifier() == kProperties) {
      while (part.nextChild(field)) {
        const std::uint16_t id = field.getIdentifier();
        switch (id) {
          case 10:
            layer.m_fileName = field.readString();
            break;
          case 11:
            layer.m_enabled = field.readInt();
            break;
          case 12:
            layer.m_combination = field.readInt();
            break;
          case 13:
            layer.m_uvTransform = field.readInt();
            break;
          case 14:
            layer.m_offsetU = field.readFloat();
            break;
          case 15:
            layer.m_offsetV = field.readFloat();
            break;
          case 16:
            layer.m_tileU = field.readFloat();
            break;
          case 17:
            layer.m_tileV = field.readFloat();
            break;
          case 18:
            layer.m_angle = field.readFloat();
            break;
          case 19:
            layer.m_wrap = field.readInt();
            break;
          case 20:
            layer.m_opacityMap = field.readInt();
            break;
          case 21:
            layer.m_amount = field.readFloat();
            break;
          case 22:
            layer.m_value22 = field.readInt();
            break;
          case 23:
            layer.m_list23 = readFloatList(field, manager);
            break;
          default:
            if (id >= 24 && id <= 29) layer.m_values[id - 24u] = field.readFloat();
            break;
        }
      }
    } else if (part.getIdentifier() == kTracks) {
      FloatTrack* const tracks[] = {&layer.m_pOffsetUTrack, &layer.m_pOffsetVTrack,
                                    &layer.m_pTileUTrack,   nullptr,
                                    &layer.m_pTileVTrack,   &layer.m_pAngleTrack,
                                    &layer.m_pAmountTrack,  &layer.m_pValue24Track,
                                    &layer.m_pValue25Track};
      while (part.nextChild(field)) {
        const int slot = field.getIdentifier() - 110;
        if (slot >= 0 && slot < 9 && tracks[slot])
          *tracks[slot] = readTrack<TrackManagerFloat>(field, manager);
      }
    }
  }
  layer.m_pTexture = std::make_unique<S3DTexture32>();
  layer.m_pTexture->load(layer.m_fileName);
}

}  // namespace s3d_reader
