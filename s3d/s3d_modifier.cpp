#include "s3d/s3d_modifier.h"

#include <algorithm>
#include <utility>

#include "base/chunk_file_reader.h"
#include "s3d/s3d_camera.h"
#include "s3d/s3d_chunk_p.h"
#include "s3d/s3d_modifier_deform.h"
#include "s3d/s3d_modifier_morph.h"
#include "s3d/s3d_modifier_skin.h"

namespace {

enum : uint16_t {
  kGizmo = 1,
  kGizmoValues = 100,
  kGizmoBaseMatrix = 101,
  kGizmoPosition = 102,
  kGizmoCentre = 103,
  kGizmoScale = 104,
  kGizmoRotation = 105,
  kGizmoTracks = 200,
  kGizmoPositionTrack = 202,
  kGizmoCentreTrack = 203,
  kGizmoScaleTrack = 204,
  kGizmoRotationTrack = 205,
  kParameters = 50,
  kTracks = 201,
};

}  // namespace

void S3DModifier::deform(std::span<const Vec3> in, std::span<Vec3> out, int32_t) const {
  if (in.data() != out.data()) std::copy(in.begin(), in.end(), out.begin());
}

std::unique_ptr<S3DModifier> createModifier(int type) {
  switch (type) {
    case S3DModifier::kSkin:
      return std::make_unique<S3DModifierSkin>();
    case S3DModifier::kMorph:
      return std::make_unique<S3DModifierMorph>();
    case S3DModifier::kBend:
      return std::make_unique<S3DModifierBend>();
    case S3DModifier::kStretch:
      return std::make_unique<S3DModifierStretch>();
    case S3DModifier::kNoise:
      return std::make_unique<S3DModifierNoise>();
    case S3DModifier::kWave:
      return std::make_unique<S3DModifierWave>();
    case S3DModifier::kTwist:
      return std::make_unique<S3DModifierTwist>();
    case S3DModifier::kTaper:
      return std::make_unique<S3DModifierTaper>();
    case S3DModifier::kSkew:
      return std::make_unique<S3DModifierSkew>();
    case S3DModifier::kSpherify:
      return std::make_unique<S3DModifierSpherify>();
    case S3DModifier::kMelt:
      return std::make_unique<S3DModifierMelt>();
    case S3DModifier::kSpaceWarp:
      return std::make_unique<S3DModifierSpaceWarp>();
    default:
      return nullptr;
  }
}

S3DModifierGizmo::S3DModifierGizmo(uint8_t type)
    : S3DModifier(type), m_baseMatrix(identity()), m_g(identity()), m_h(identity()) {}

void S3DModifierGizmo::load(ChunkFileReader& chunk, ChunkFileReaderManager& manager) {
  ChunkFileReader child;
  while (chunk.nextChild(child)) {
    ChunkFileReader field;
    switch (child.getIdentifier()) {
      case kGizmo:
        loadGizmo(child, manager);
        break;
      case kParameters: {
        const SlotList<S3DModifierParameter> list = parameters();
        while (child.nextChild(field)) {
          for (int i = 0; i < list.nbSlot; ++i) {
            const S3DModifierParameter& slot = list.slots[static_cast<std::size_t>(i)];
            if (slot.id != field.getIdentifier()) continue;
            if (auto* pByte = std::get_if<uint8_t*>(&slot.pValue)) **pByte = field.readByte();
            if (auto* pInt = std::get_if<int32_t*>(&slot.pValue)) **pInt = field.readInt();
            if (auto* pFloat = std::get_if<float*>(&slot.pValue)) **pFloat = field.readFloat();
            if (auto* pPoint = std::get_if<Vec3*>(&slot.pValue))
              **pPoint = s3d_chunk::readPoint(field);
          }
        }
        break;
      }
      case kTracks: {
        const SlotList<S3DModifierTrack> list = tracks();
        while (child.nextChild(field)) {
          for (int i = 0; i < list.nbSlot; ++i) {
            const S3DModifierTrack& slot = list.slots[static_cast<std::size_t>(i)];
            if (slot.id != field.getIdentifier()) continue;
            if (slot.pFloatTrack) *slot.pFloatTrack = readTrack<TrackManagerFloat>(field, manager);
            if (slot.pPointTrack)
              *slot.pPointTrack = readTrack<TrackManagerPoint3D>(field, manager);
          }
        }
        break;
      }
      default:
        break;
    }
  }
}

void S3DModifierGizmo::loadGizmo(ChunkFileReader& chunk, ChunkFileReaderManager& manager) {
  ChunkFileReader part, field;
  while (chunk.nextChild(part)) {
    if (part.getIdentifier() == kGizmoValues) {
      while (part.nextChild(field)) {
        switch (field.getIdentifier()) {
          case kGizmoBaseMatrix:
            m_baseMatrix = s3d_chunk::readMatrix(field);
            break;
          case kGizmoPosition:
            m_position = s3d_chunk::readPoint(field);
            break;
          case kGizmoCentre:
            m_centre = s3d_chunk::readPoint(field);
            break;
          case kGizmoScale:
            m_scale = s3d_chunk::readPoint(field);
            break;
          case kGizmoRotation:
            m_rotation = s3d_chunk::readRotation(field);
            break;
          default:
            break;
        }
      }
    } else if (part.getIdentifier() == kGizmoTracks) {
      while (part.nextChild(field)) {
        switch (field.getIdentifier()) {
          case kGizmoPositionTrack:
            m_pPositionTrack = readTrack<TrackManagerPoint3D>(field, manager);
            break;
          case kGizmoCentreTrack:
            m_pCentreTrack = readTrack<TrackManagerPoint3D>(field, manager);
            break;
          case kGizmoScaleTrack:
            m_pScaleTrack = readTrack<TrackManagerPoint3D>(field, manager);
            break;
          case kGizmoRotationTrack:
            m_pRotationTrack = readTrack<TrackManagerRotation>(field, manager);
            break;
          default:
            break;
        }
      }
    }
  }
}

void S3DModifierGizmo::animate(float time) {
  animateTrack(m_pPositionTrack, time, m_position);
  animateTrack(m_pCentreTrack, time, m_centre);
  animateTrack(m_pScaleTrack, time, m_scale);
  animateTrack(m_pRotationTrack, time, m_rotation);
  const SlotList<S3DModifierTrack> list = tracks();
  for (int i = 0; i < list.nbSlot; ++i) {
    const S3DModifierTrack& slot = list.slots[static_cast<std::size_t>(i)];
    if (slot.pFloatTrack) animateTrack(*slot.pFloatTrack, time, *slot.pFloat);
    if (slot.pPointTrack) animateTrack(*slot.pPointTrack, time, *slot.pPoint);
  }
}

bool S3DModifierGizmo::buildGizmo(const S3DCamera& camera, const Matrix44& turn) {
  // The gizmo part M, applied in this order: -centre, 1/scale, the inverse rotation (the
  // transpose of the rotation matrix), -position.
  Matrix44 qt = quaternionToMatrix(m_rotation);
  std::swap(qt.m[1], qt.m[4]);
  std::swap(qt.m[2], qt.m[8]);
  std::swap(qt.m[6], qt.m[9]);
  const Vec3 inverseScale{1.0f / m_scale.x, 1.0f / m_scale.y, 1.0f / m_scale.z};
  const Matrix44 gizmo =
      multiply(multiply(multiply(translation(m_centre * -1.0f), scaling(inverseScale)), qt),
               translation(m_position * -1.0f));
  Matrix44 g = multiply(multiply(translation(m_pivot), m_baseMatrix), gizmo);
  // A world-space gizmo receives camera-space points: back to world space through the inverse
  // view, then into its head's space, where the gizmo lives as a stack's gizmo lives in its
  // mesh's object space: G := inverse(head · view) · G.
  if (m_worldSpace) g = multiply(inverse(multiply(m_nodeMatrix, camera.m_viewMatrix)), g);
  m_g = multiply(g, turn);
  m_h = inverse(m_g);
  const bool valid = isFinite(m_g) && determinant3(m_g) != 0.0f && isFinite(m_h);
  if (!valid) m_g = m_h = identity();
  return valid;
}
