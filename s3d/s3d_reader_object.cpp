// The .l3x reader: meshes and shapes, and what they share (material, vertices, modifier stack,
// name lists, channel definitions).

#include <cerrno>
#include <cstdlib>
#include <string>

#include "s3d/s3d_reader_p.h"

namespace s3d_reader {

namespace {

using s3d_chunk::readPoint;

enum : std::uint16_t {
  kHead = 1,
  kMaterialIndex = 2,
  kGeometry = 501,
  kVertices = 502,
  kSoftSelection = 503,
  kTextureVertices = 504,
  kEdgePairs = 505,
  kFaces = 1000,
  kFaceVertices = 1001,
  kFaceTextureVertices = 1002,
  kFaceSubMaterials = 1003,
  kFaceValues = 1004,
  kStack = 2000,
  kStackEntry = 2001,
  kApplications = 2010,
  kApplication = 2011,
  kWSModifiers = 2020,
  kWSModifierEntry = 2021,
  kLightNames = 2030,
  kLightName = 2031,
  kChannelOperations = 2040,
  kChannelOperation = 2041,
  kGeneratedChannels = 2050,
  kGeneratedChannel = 2051,
  kLightingChannels = 2060,
  kLightingChannel = 2061,
  kChannelReferences = 2070,
  kValue = 2100,
  kFirstDrawValue = 2101,
  kSorted = 2105,
  kFirstLayer = 2200,
  kShapeBase = 1,
  kShapeKindParameters = 10,
};

constexpr std::uint64_t kPointBytes = 12;

// A name and its channel description (2011 / 2021 records).
void readNamedChannel(StringC& name, S3DChannelDescription& channel, std::uint16_t nameId,
                      ChunkFileReader& record) {
  ChunkFileReader child, field;
  while (record.nextChild(child)) {
    if (child.getIdentifier() == nameId) {
      name = child.readString();
    } else if (child.getIdentifier() == nameId + 1) {
      while (child.nextChild(field)) {
        switch (field.getIdentifier()) {
          case 1:
            channel.useChannel = field.readInt();
            break;
          case 2:
            channel.invert = field.readInt();
            break;
          case 3:
            channel.channelName = field.readString();
            break;
          default:
            break;
        }
      }
    }
  }
}

// A list chunk (word count, then records `recordId`) into `records`, record by record.
template <class Record, class Fill>
void readRecords(std::vector<Record>& records, ChunkFileReader& list,
                 ChunkFileReaderManager& manager, std::uint16_t recordId, Fill fill) {
  const std::uint64_t count = countThatFits(list.readWord(), list, manager, kMinChunkBytes);
  records.clear();
  records.resize(static_cast<std::size_t>(count));
  std::size_t filled = 0;
  ChunkFileReader record;
  while (filled < records.size() && list.nextChild(record))
    if (record.getIdentifier() == recordId) fill(records[filled++], record);
}

void readStack(S3DVertexObject& object, ChunkFileReader& list, ChunkFileReaderManager& manager) {
  const std::uint64_t count = countThatFits(list.readWord(), list, manager, kMinChunkBytes);
  object.m_modifiers.clear();
  object.m_modifiers.resize(static_cast<std::size_t>(count));
  std::size_t filled = 0;
  ChunkFileReader entry;
  while (filled < object.m_modifiers.size() && list.nextChild(entry)) {
    if (entry.getIdentifier() != kStackEntry) continue;
    auto& slot = object.m_modifiers[filled++];
    const int type = entry.readByte();
    if (manager.hasFailed()) return;
    slot = createModifier(type);
    if (!slot) {
      object.warn("can t find modifier with id: " + std::to_string(type));
      continue;
    }
    slot->load(entry, manager);
  }
}

// The gizmo modifiers of the stack get the object's box and pivot once the whole record is read:
// the stack may come before the geometry or the head.
void giveBoxAndPivot(S3DVertexObject& object) {
  for (const auto& pModifier : object.m_modifiers) {
    if (!pModifier || !pModifier->isGizmo()) continue;
    auto& gizmo = static_cast<S3DModifierGizmo&>(*pModifier);
    gizmo.setBox(object.m_boxMin, object.m_boxMax);
    gizmo.setPivot(object.m_pivot);
  }
}

// Vertices (502) and edge pairs (505), and for meshes the soft selection and texture vertices.
void readGeometry(S3DVertexObject& object, S3DTriObject* pMesh, ChunkFileReader& chunk,
                  ChunkFileReaderManager& manager) {
  ChunkFileReader child;
  while (chunk.nextChild(child)) {
    const std::uint16_t id = child.getIdentifier();
    const auto nbVertex = static_cast<std::uint64_t>(object.getNbVertex());
    if (id == kVertices) {
      const std::uint64_t announced = child.readWord();
      const std::uint64_t count = countThatFits(announced, child, manager, kPointBytes);
      if (count < announced)
        object.warn("geometry: " + std::to_string(announced) + " vertices announced, " +
                    std::to_string(count) + " in the chunk");
      std::vector<Vec3> vertices(static_cast<std::size_t>(count));
      for (Vec3& p : vertices)
        p = readPoint(child);
      object.setVertices(std::move(vertices));
    } else if (id == kEdgePairs) {
      // Edge pairs carry their own count: they may come before the vertices.
      object.m_edgePairs.resize(
          static_cast<std::size_t>(countThatFits(child.readWord(), child, manager, 8)));
      for (auto& pair : object.m_edgePairs)
        pair = {child.readInt(), child.readInt()};
    } else if (!pMesh || nbVertex == 0) {
      // Per-vertex data before the vertices (or on a shape) creates nothing.
    } else if (id == kSoftSelection) {
      pMesh->m_pSoftSelection = std::make_unique<S3DVertexChannel>();
      pMesh->m_pSoftSelection->name = "softSelection";
      // Short data leaves the last vertices unselected.
      std::vector<float>& values = pMesh->m_pSoftSelection->values;
      values.assign(static_cast<std::size_t>(nbVertex), 0.0f);
      const std::uint64_t count = countThatFits(nbVertex, child, manager, 4);
      for (std::uint64_t i = 0; i < count; ++i)
        values[static_cast<std::size_t>(i)] = child.readFloat();
    } else if (id == kTextureVertices) {
      pMesh->m_textureVertices.resize(
          static_cast<std::size_t>(countThatFits(nbVertex, child, manager, kPointBytes)));
      for (Vec3& p : pMesh->m_textureVertices)
        p = readPoint(child);
    }
  }
}

void readFaces(S3DTriObject& mesh, ChunkFileReader& chunk, ChunkFileReaderManager& manager) {
  ChunkFileReader child;
  while (chunk.nextChild(child)) {
    const std::uint16_t id = child.getIdentifier();
    if (id == kFaceVertices) {
      const std::uint64_t announced = child.readWord();
      const std::uint64_t count = countThatFits(announced, child, manager, 6);
      if (count < announced)
        mesh.warn("faces: " + std::to_string(announced) + " faces announced, " +
                  std::to_string(count) + " in the chunk");
      mesh.m_faces.assign(static_cast<std::size_t>(count), S3DFace{});
      mesh.m_hasFaceMapping = false;
      for (S3DFace& face : mesh.m_faces) {
        face.a = child.readWord();
        face.b = child.readWord();
        face.c = child.readWord();
      }
      continue;
    }
    // The per-face chunks follow the faces; before them they are ignored. Short data leaves the
    // last faces with zeros.
    if (mesh.m_faces.empty()) continue;
    const std::uint64_t nbFace = mesh.m_faces.size();
    if (id == kFaceTextureVertices) {
      mesh.m_hasFaceMapping = true;
      const std::uint64_t count = countThatFits(nbFace, child, manager, 6);
      for (std::uint64_t i = 0; i < count; ++i) {
        S3DFace& face = mesh.m_faces[static_cast<std::size_t>(i)];
        face.ta = child.readWord();
        face.tb = child.readWord();
        face.tc = child.readWord();
      }
    } else if (id == kFaceSubMaterials || id == kFaceValues) {
      const std::uint64_t count = countThatFits(nbFace, child, manager, 2);
      for (std::uint64_t i = 0; i < count; ++i) {
        S3DFace& face = mesh.m_faces[static_cast<std::size_t>(i)];
        (id == kFaceSubMaterials ? face.subMaterialWord : face.value) = child.readWord();
      }
    }
  }
}

// The children meshes and shapes share; false for one they do not.
bool readVertexObjectChild(S3DVertexObject& object, S3DTriObject* pMesh, ChunkFileReader& child,
                           ChunkFileReaderManager& manager) {
  switch (child.getIdentifier()) {
    case kHead:
      readHead(object, child, manager);
      return true;
    case kMaterialIndex:
      object.m_materialIndex = child.readWord();
      return true;
    case kGeometry:
      readGeometry(object, pMesh, child, manager);
      return true;
    case kStack:
      readStack(object, child, manager);
      return true;
    case kApplications:
      readRecords(object.m_applications, child, manager, kApplication,
                  [](S3DModifierApplication& entry, ChunkFileReader& record) {
                    readNamedChannel(entry.name, entry.channel, 2012, record);
                  });
      return true;
    case kWSModifiers:
      readRecords(object.m_wsModifiers, child, manager, kWSModifierEntry,
                  [](S3DWSModifierBinding& entry, ChunkFileReader& record) {
                    readNamedChannel(entry.name, entry.channel, 2022, record);
                  });
      return true;
    case kLightNames:
      readRecords(object.m_lightNames, child, manager, kLightName,
                  [](StringC& name, ChunkFileReader& record) { name = record.readString(); });
      return true;
    case kChannelOperations:
      readRecords(object.m_channelOperations, child, manager, kChannelOperation,
                  [](S3DChannelOperation& operation, ChunkFileReader& record) {
                    ChunkFileReader field;
                    while (record.nextChild(field)) {
                      switch (field.getIdentifier()) {
                        case 1:
                          operation.output = field.readString();
                          break;
                        case 10:
                          operation.input1 = field.readString();
                          break;
                        case 11:
                          operation.input2 = field.readString();
                          break;
                        case 12:
                          operation.operation = field.readInt();
                          break;
                        default:
                          break;
                      }
                    }
                  });
      return true;
    case kGeneratedChannels:
      readRecords(object.m_generatedChannels, child, manager, kGeneratedChannel,
                  [&manager](S3DGeneratedChannel& generated, ChunkFileReader& record) {
                    ChunkFileReader field;
                    while (record.nextChild(field)) {
                      if (field.getIdentifier() == 1) generated.channel.name = field.readString();
                      if (field.getIdentifier() == 2) generated.kind = field.readInt();
                      if (field.getIdentifier() == 3)
                        generated.parameters = readFloatList(field, manager);
                    }
                  });
      return true;
    case kLightingChannels:
      readRecords(object.m_lightingChannels, child, manager, kLightingChannel,
                  [](S3DLightingChannel& lighting, ChunkFileReader& record) {
                    ChunkFileReader field, name;
                    while (record.nextChild(field)) {
                      if (field.getIdentifier() == 1) {
                        lighting.channel.name = field.readString();
                      } else if (field.getIdentifier() == 10) {
                        // An int count, then children 11 (a string each).
                        const std::int32_t count = field.readInt();
                        lighting.lightNames.clear();
                        while (static_cast<std::int64_t>(lighting.lightNames.size()) < count &&
                               field.nextChild(name))
                          if (name.getIdentifier() == 11)
                            lighting.lightNames.push_back(name.readString());
                      }
                    }
                  });
      return true;
    case kChannelReferences: {
      ChunkFileReader field;
      while (child.nextChild(field)) {
        const int index = field.getIdentifier() - 2071;
        if (index >= 0 && index < 3) object.m_channelReferences[index] = field.readString();
      }
      return true;
    }
    case kValue:
      object.m_value = child.readInt();
      return true;
    default:
      return false;
  }
}

// Each entry of the application list names its stack entry by the decimal text of its index: a
// negative value counts as 0, the index is taken modulo the stack size.
void resolveApplications(S3DVertexObject& object) {
  for (S3DModifierApplication& entry : object.m_applications) {
    entry.pModifier = nullptr;
    if (object.m_modifiers.empty()) {
      object.warn("can t find modifier: " + std::string(entry.name.view()));
      continue;
    }
    errno = 0;
    const long parsed = std::strtol(std::string(entry.name.view()).c_str(), nullptr, 10);
    const long index = parsed < 0 || errno == ERANGE ? 0 : parsed;
    entry.pModifier =
        object.m_modifiers[static_cast<std::size_t>(index) % object.m_modifiers.size()].get();
  }
}

void readMeshLayer(S3DMeshLayer& layer, ChunkFileReader& chunk) {
  ChunkFileReader field;
  while (chunk.nextChild(field)) {
    switch (field.getIdentifier()) {
      case 1:
        layer.enabled = field.readInt();
        break;
      case 2:
        layer.value = field.readInt();
        break;
      case 3:
        layer.meshName = field.readString();
        break;
      case 4:
        layer.pTextureLayer = std::make_unique<S3DTextureLayer>();
        readTextureLayer(*layer.pTextureLayer, field);
        break;
      default:
        break;
    }
  }
}

}  // namespace

void readTriObject(S3DTriObject& mesh, ChunkFileReader& chunk, ChunkFileReaderManager& manager) {
  ChunkFileReader child;
  while (chunk.nextChild(child)) {
    if (readVertexObjectChild(mesh, &mesh, child, manager)) continue;
    const std::uint16_t id = child.getIdentifier();
    if (id == kFaces) {
      readFaces(mesh, child, manager);
    } else if (id >= kFirstDrawValue && id < kFirstDrawValue + S3DTriObject::kNbDrawValue) {
      mesh.m_drawValues[id - kFirstDrawValue] = child.readInt();
    } else if (id == kSorted) {
      mesh.m_sorted = child.readInt();
    } else if (id >= kFirstLayer && id < kFirstLayer + S3DTriObject::kNbLayer) {
      readMeshLayer(mesh.m_layers[id - kFirstLayer], child);
    }
  }
  resolveApplications(mesh);
  giveBoxAndPivot(mesh);
  mesh.checkFaces();
}

void readShape(std::unique_ptr<S3DShape>& slot, ChunkFileReader& chunk,
               ChunkFileReaderManager& manager) {
  const int kind = chunk.readByte();
  if (manager.hasFailed()) return;
  slot = createShape(kind);
  if (!slot) {
    reportScene("unknow shape type: " + std::to_string(kind));
    return;
  }
  ChunkFileReader child, base;
  while (chunk.nextChild(child)) {
    if (child.getIdentifier() == kShapeBase) {
      while (child.nextChild(base))
        readVertexObjectChild(*slot, nullptr, base, manager);
    } else if (child.getIdentifier() == kShapeKindParameters) {
      slot->loadKindParameters(child, manager);
    }
  }
  resolveApplications(*slot);
  giveBoxAndPivot(*slot);
}

}  // namespace s3d_reader
