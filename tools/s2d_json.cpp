#include "tools/s2d_json.h"

#include "tools/l3x_json.h"

namespace S2dJson {

namespace {

using ChunkJson::ChunkLayout;
using ChunkJson::Context;
using ChunkJson::FieldKind;
using ChunkJson::FieldLayout;

// Context kinds of this format, above those of the scene schema it hands heads and tracks to.
enum : int {
  kTop = 0,
  kRoot = L3xJson::kFirstFreeKind,
  kObjectHeads,
  kCameraHeads,
  kCamera,
};

constexpr FieldLayout kObject[] = {{"materialIndex", FieldKind::Word}};
constexpr FieldLayout kMaterial[] = {{"name", FieldKind::String},     {"mixMode", FieldKind::Byte},
                                     {"picture", FieldKind::String},  {"filter", FieldKind::Byte},
                                     {"alphaMap", FieldKind::String}, {"unused", FieldKind::Byte}};

class S2dSchema final : public ChunkJson::Schema {
 public:
  const ChunkLayout* find(Context context, std::uint16_t id) const override {
    switch (context.kind) {
      case kTop:
        return id == 0x2D2D ? &m_root : nullptr;
      case kRoot:
        return id == 10   ? &m_fovTrack
               : id == 11 ? &m_rollTrack
               : id == 20 ? &m_opacityTrack
               : id == 30 ? &m_objectHeads
               : id == 40 ? &m_cameraHeads
                          : nullptr;
      case kObjectHeads:
        return id == 1 ? &m_head : nullptr;
      case kCameraHeads:
        return id == 41 ? &m_camera : nullptr;
      case kCamera:
        return id == 1 ? &m_head : id == 2 ? &m_targetHead : nullptr;
      default:
        return L3xJson::schema().find(context, id);
    }
  }
  std::span<const FieldLayout> keyFields(Context context) const override {
    return L3xJson::schema().keyFields(context);
  }

 private:
  ChunkLayout m_root{"s2dScene",
                     {{"animLength", FieldKind::Word},
                      {"objects", FieldKind::WordCountList, kObject},
                      {"cameraCount", FieldKind::Word},
                      {"materials", FieldKind::WordCountList, kMaterial}},
                     kRoot,
                     false};
  ChunkLayout m_fovTrack{"fovTrack", {}, L3xJson::floatTrackHolderKind(), false};
  ChunkLayout m_rollTrack{"rollTrack", {}, L3xJson::floatTrackHolderKind(), false};
  ChunkLayout m_opacityTrack{"opacityTrack", {}, L3xJson::floatTrackHolderKind(), false};
  ChunkLayout m_objectHeads{"objectHeads", {}, kObjectHeads, false};
  ChunkLayout m_cameraHeads{"cameraHeads", {}, kCameraHeads, false};
  ChunkLayout m_camera{"camera", {}, kCamera, false};
  ChunkLayout m_head{"head", {}, L3xJson::headKind(), false};
  ChunkLayout m_targetHead{"targetHead", {}, L3xJson::headKind(), false};
};

}  // namespace

const ChunkJson::Schema& schema() {
  static const S2dSchema kSchema;
  return kSchema;
}

}  // namespace S2dJson
