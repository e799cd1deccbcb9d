// The .l3x reader: the scene's root, the object heads, cameras, lights, dummies and world-space
// modifiers.

#include <string>

#include "base/report.h"
#include "s3d/s3d_reader_p.h"

namespace s3d_reader {

namespace {

using s3d_chunk::readMatrix;
using s3d_chunk::readPoint;
using s3d_chunk::readRotation;

constexpr std::uint16_t kRootId = 53454;

enum : std::uint16_t {
  kAnimLength = 50,
  kZBufferFlag = 500,
  kSceneValue2 = 501,
  kSceneName = 502,
  kMeshList = 100,
  kMesh = 101,
  kShapeList = 102,
  kShape = 103,
  kLightList = 110,
  kLight = 111,
  kCameraList = 120,
  kCamera = 121,
  kMaterialList = 130,
  kMaterial = 131,
  kWSModifierList = 140,
  kWSModifier = 141,
  kDummyList = 150,
  kDummy = 151,
};

// Children of object records.
enum : std::uint16_t {
  kHead = 1,
  kTargetHead = 2,
  kValues = 100,
  kTracks = 200,
};

// Children of a head.
enum : std::uint16_t {
  kName = 1,
  kParentName = 2,
  kTransform = 3,
  kTransformValues = 100,
  kMatrixMode = 101,
  kPivot = 102,
  kPosition = 103,
  kScale = 104,
  kRotation = 105,
  kTransformTracks = 200,
  kPositionTrack = 201,
  kScaleTrack = 202,
  kRotationTrack = 203,
};

void readTransform(S3DNode& node, ChunkFileReader& chunk, ChunkFileReaderManager& manager) {
  ChunkFileReader part, field;
  while (chunk.nextChild(part)) {
    if (part.getIdentifier() == kTransformValues) {
      while (part.nextChild(field)) {
        switch (field.getIdentifier()) {
          case kMatrixMode:
            node.setMatrixMode(field.readByte());
            break;
          case kPivot:
            node.m_pivot = readPoint(field);
            break;
          case kPosition:
            node.setPosition(readPoint(field));
            break;
          case kScale:
            node.setScale(readPoint(field));
            break;
          case kRotation:
            node.setRotation(readRotation(field));
            break;
          default:
            break;
        }
      }
    } else if (part.getIdentifier() == kTransformTracks) {
      while (part.nextChild(field)) {
        switch (field.getIdentifier()) {
          case kPositionTrack:
            node.m_pPositionTrack = readTrack<TrackManagerPoint3D>(field, manager);
            break;
          case kScaleTrack:
            node.m_pScaleTrack = readTrack<TrackManagerPoint3D>(field, manager);
            break;
          case kRotationTrack:
            node.m_pRotationTrack = readTrack<TrackManagerRotation>(field, manager);
            break;
          default:
            break;
        }
      }
    }
  }
}

void readCamera(S3DCamera& camera, ChunkFileReader& chunk, ChunkFileReaderManager& manager) {
  float nearClip = camera.m_nearClip;
  ChunkFileReader child, field;
  while (chunk.nextChild(child)) {
    switch (child.getIdentifier()) {
      case kHead:
        readHead(camera, child, manager);
        break;
      case kTargetHead:
        readHead(camera.m_target, child, manager);
        break;
      case kValues:
        while (child.nextChild(field)) {
          switch (field.getIdentifier()) {
            case 101:
              camera.m_fov = field.readFloat();
              break;
            case 102:
              camera.m_roll = field.readFloat();
              break;
            case 103:
              nearClip = field.readFloat();
              break;
            case 104:
              camera.m_farClip = field.readFloat();
              break;
            default:
              break;
          }
        }
        break;
      case kTracks:
        while (child.nextChild(field)) {
          if (field.getIdentifier() == 201)
            camera.m_pFovTrack = readTrack<TrackManagerFloat>(field, manager);
          else if (field.getIdentifier() == 202)
            camera.m_pRollTrack = readTrack<TrackManagerFloat>(field, manager);
        }
        break;
      default:
        break;
    }
  }
  // The projection of a 512 x 256 screen until a viewport gives another size.
  camera.setNearClip(nearClip);
  camera.m_width = 512.0f;
  camera.m_height = 256.0f;
  camera.buildProjection();
}

void readLight(S3DLight& light, ChunkFileReader& chunk, ChunkFileReaderManager& manager) {
  ChunkFileReader child, field;
  while (chunk.nextChild(child)) {
    switch (child.getIdentifier()) {
      case kHead:
        readHead(light, child, manager);
        break;
      case kTargetHead:
        readHead(light.m_target, child, manager);
        break;
      case kValues:
        while (child.nextChild(field)) {
          switch (field.getIdentifier()) {
            case 101:
              light.m_color = readPoint(field);
              break;
            case 102:
              light.m_intensity = field.readFloat();
              break;
            case 103:
              light.m_nearAttenuation = field.readFloat();
              break;
            case 104:
              light.m_farAttenuation = field.readFloat();
              break;
            case 105:
              light.m_lightType = field.readInt();
              break;
            case 106:
              light.m_falloff = field.readFloat();
              break;
            case 107:
              light.m_hotspot = field.readFloat();
              break;
            default:
              break;
          }
        }
        break;
      case kTracks:
        while (child.nextChild(field)) {
          switch (field.getIdentifier()) {
            case 201:
              light.m_pIntensityTrack = readTrack<TrackManagerFloat>(field, manager);
              break;
            case 202:
              light.m_pColorTrack = readTrack<TrackManagerPoint3D>(field, manager);
              break;
            case 203:
              light.m_pNearTrack = readTrack<TrackManagerFloat>(field, manager);
              break;
            case 204:
              light.m_pFarTrack = readTrack<TrackManagerFloat>(field, manager);
              break;
            case 205:
              light.m_pFalloffTrack = readTrack<TrackManagerFloat>(field, manager);
              break;
            case 206:
              light.m_pHotspotTrack = readTrack<TrackManagerFloat>(field, manager);
              break;
            default:
              break;
          }
        }
        break;
      default:
        break;
    }
  }
}

void readWSModifier(WSModifier& wsModifier, ChunkFileReader& chunk,
                    ChunkFileReaderManager& manager) {
  ChunkFileReader child;
  while (chunk.nextChild(child)) {
    if (child.getIdentifier() == kHead) {
      readHead(wsModifier, child, manager);
    } else if (child.getIdentifier() == kValues) {
      const int type = child.readByte();
      if (manager.hasFailed()) return;
      if (!WSModifier::isAllowedType(type)) {
        wsModifier.m_pModifier.reset();
        report("WSModifier: ", "can t find modifier with id: " + std::to_string(type));
        continue;
      }
      wsModifier.m_pModifier = createModifier(type);
      wsModifier.m_pModifier->load(child, manager);
      static_cast<S3DModifierGizmo&>(*wsModifier.m_pModifier).m_worldSpace = 1;
    }
  }
}

// Resizes `objects` to n default objects.
template <class Objects>
auto resizer(Objects& objects) {
  return [&objects](std::uint64_t n) {
    objects.clear();
    objects.resize(static_cast<std::size_t>(n));
  };
}

}  // namespace

void readHead(S3DNode& node, ChunkFileReader& chunk, ChunkFileReaderManager& manager) {
  ChunkFileReader child;
  while (chunk.nextChild(child)) {
    switch (child.getIdentifier()) {
      case kName:
        node.m_name = child.readString();
        break;
      case kParentName:
        node.m_parentName = child.readString();
        break;
      case kTransform:
        readTransform(node, child, manager);
        break;
      default:
        break;
    }
  }
}

bool readScene(S3DScene& scene, ChunkFileReaderManager& manager) {
  if (manager.hasFailed()) return false;
  ChunkFileReader root(&manager);
  if (manager.hasFailed()) return false;
  if (root.getIdentifier() != kRootId) {
    reportScene("not a l3x file");
    return false;
  }
  ChunkFileReader list;
  const auto at = [](auto& objects, std::uint64_t i) -> auto& {
    return objects[static_cast<std::size_t>(i)];
  };
  while (root.nextChild(list)) {
    switch (list.getIdentifier()) {
      case kAnimLength:
        scene.m_animLength = list.readWord();
        break;
      case kZBufferFlag:
        scene.m_zBufferFlag = list.readInt();
        break;
      case kSceneValue2:
        scene.m_sceneValue2 = list.readInt();
        break;
      case kSceneName:
        scene.m_sceneName = list.readString();
        break;
      case kMeshList:
        readList(list, manager, kMesh, "TriObject", "loading TriObject error",
                 resizer(scene.m_triObjects), [&](std::uint64_t i, ChunkFileReader& record) {
                   readTriObject(at(scene.m_triObjects, i), record, manager);
                 });
        break;
      case kShapeList:
        readList(list, manager, kShape, "Shape", "loading Shape error", resizer(scene.m_shapes),
                 [&](std::uint64_t i, ChunkFileReader& record) {
                   readShape(at(scene.m_shapes, i), record, manager);
                 });
        break;
      case kLightList:
        readList(list, manager, kLight, "Light", "loading Light error", resizer(scene.m_lights),
                 [&](std::uint64_t i, ChunkFileReader& record) {
                   readLight(at(scene.m_lights, i), record, manager);
                 });
        break;
      case kCameraList:
        readList(list, manager, kCamera, "Camera", "loading camera error", resizer(scene.m_cameras),
                 [&](std::uint64_t i, ChunkFileReader& record) {
                   readCamera(at(scene.m_cameras, i), record, manager);
                 });
        break;
      case kMaterialList:
        readList(list, manager, kMaterial, "Material", "loading material error",
                 resizer(scene.m_materials), [&](std::uint64_t i, ChunkFileReader& record) {
                   readMaterial(at(scene.m_materials, i), record, manager);
                 });
        break;
      case kWSModifierList:
        readList(list, manager, kWSModifier, "WSModifier", "loading WSMModifier error",
                 resizer(scene.m_wsModifiers), [&](std::uint64_t i, ChunkFileReader& record) {
                   readWSModifier(at(scene.m_wsModifiers, i), record, manager);
                 });
        break;
      case kDummyList:
        readList(list, manager, kDummy, "Dummy", "loading Dummy error", resizer(scene.m_dummies),
                 [&](std::uint64_t i, ChunkFileReader& record) {
                   ChunkFileReader child;
                   while (record.nextChild(child))
                     if (child.getIdentifier() == kHead)
                       readHead(at(scene.m_dummies, i), child, manager);
                 });
        break;
      default:
        break;
    }
  }
  return true;
}

}  // namespace s3d_reader
