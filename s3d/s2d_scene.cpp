#include "s3d/s2d_scene.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <unordered_map>

#include "base/chunk_file_reader.h"
#include "base/report.h"
#include "fx/c_avi.h"
#include "s3d/s3d_chunk_p.h"
#include "s3d/s3d_reader_p.h"

namespace {

constexpr uint16_t kRootId = 0x2D2D;
enum : uint16_t {
  kFovTrack = 10,
  kRollTrack = 11,
  kOpacityTrack = 20,
  kObjectHeads = 30,
  kCameraHeads = 40,
  kCameraRecord = 41,
  kHead = 1,
  kTargetHead = 2,
};

constexpr float kDegreesToRadians = 0.017453292f;

}  // namespace

// --- Pictures ---

S2DPicture::S2DPicture() = default;
S2DPicture::~S2DPicture() = default;
S2DPicture::S2DPicture(S2DPicture&&) noexcept = default;
S2DPicture& S2DPicture::operator=(S2DPicture&&) noexcept = default;

void S2DPicture::load(const StringC& fileName) {
  m_pPicture.reset();
  m_pVideo.reset();
  if (fileName.isEmpty() || fileName.view() == "NULL") return;
  StringC path = fileName;
  path.findFile();
  if (isVideoName(fileName.view()))
    m_pVideo = std::make_unique<CAvi>(path.getString());
  else
    m_pPicture = std::make_unique<CImage32FromData>(path.getString());
}

void S2DPicture::setFrame(float frame) {
  // A frame beyond the int range (or NaN) shows the first one.
  m_frame = frame >= -2147483520.0f && frame <= 2147483520.0f
                ? static_cast<int32_t>(std::trunc(frame))
                : 0;
}

const CImage32* S2DPicture::image() const {
  const CImage32* pImage = m_pVideo ? m_pVideo->getFrame(m_frame) : m_pPicture.get();
  return pImage && pImage->getPixels() ? pImage : nullptr;
}

// --- Cameras ---

S2DCamera::S2DCamera() {
  m_target.m_position = {0.00001f, 0.00001f, -100.0f};
  setViewport(512, 256);
}

void S2DCamera::setViewport(int32_t width, int32_t height) {
  m_width = width;
  m_height = height;
  m_centerX = static_cast<float>(width) * 0.5f;
  m_centerY = static_cast<float>(height) * 0.5f;
  buildScales();
}

void S2DCamera::setFov(float degrees) {
  if (degrees == m_fov) return;
  m_fov = degrees;
  buildScales();
}

void S2DCamera::buildScales() {
  const float cotangent = 1.0f / std::tan(m_fov * kDegreesToRadians * 0.5f);
  m_scaleX = cotangent * static_cast<float>(m_width) * 0.5f;
  m_scaleY = cotangent * static_cast<float>(m_height);
}

void S2DCamera::animate(float time) {
  S3DNode::animate(time);
  m_target.animate(time);
  float fov = m_fov;
  if (animateTrack(m_pFovTrack, time, fov)) setFov(fov);
  animateTrack(m_pRollTrack, time, m_roll);
}

// --- Scene ---

bool S2DScene::load(const StringC& fileName) {
  ChunkFileReaderManager manager(fileName);
  return load(manager);
}

bool S2DScene::load(ChunkFileReaderManager& manager) {
  if (manager.hasFailed()) return false;
  ChunkFileReader root(&manager);
  if (manager.hasFailed() || root.getIdentifier() != kRootId) {
    if (!manager.hasFailed()) report("S2DScene :", "not a 2D scene file");
    return false;
  }
  m_animLength = root.readWord();
  // Every count is bounded by what the chunk can hold: two bytes an object, eight a material.
  const std::uint64_t nbObject =
      std::min<std::uint64_t>(root.readWord(), s3d_chunk::remaining(root, manager) / 2);
  m_objects.resize(static_cast<std::size_t>(nbObject));
  for (S2DObject& object : m_objects)
    object.m_materialIndex = root.readWord();
  const std::uint64_t nbCamera = root.readWord();
  if (nbCamera == 0) report("S2DScene :", "loadCamera: no camera found");
  const std::uint64_t nbMaterial =
      std::min<std::uint64_t>(root.readWord(), s3d_chunk::remaining(root, manager) / 8);
  m_materials.resize(static_cast<std::size_t>(nbMaterial));
  for (S2DMaterial& material : m_materials) {
    material.name = root.readString();
    const uint8_t mode = root.readByte();
    material.mode = mode == 1 ? 1 : mode == 2 ? 3 : 0;
    material.pictureFile = root.readString();
    material.filter = root.readByte() != 0 ? 1 : 0;
    material.alphaMapFile = root.readString();
    material.value = root.readByte();
  }
  if (manager.hasFailed()) return false;
  // A camera exists for each pair of tracks the file holds, at most as many as announced.
  const std::uint64_t fit = s3d_chunk::remaining(root, manager) / 12;
  if (nbCamera > fit)
    report("S2DScene :", "loadCamera: " + std::to_string(nbCamera) + " cameras announced, " +
                             std::to_string(fit) + " with their tracks");
  m_cameras.resize(static_cast<std::size_t>(std::min(nbCamera, fit)));
  std::size_t fovs = 0, rolls = 0, opacities = 0;
  ChunkFileReader child, record, head;
  while (root.nextChild(child)) {
    switch (child.getIdentifier()) {
      case kFovTrack:
        if (fovs < m_cameras.size())
          m_cameras[fovs++].m_pFovTrack = readTrack<TrackManagerFloat>(child, manager);
        break;
      case kRollTrack:
        if (rolls < m_cameras.size())
          m_cameras[rolls++].m_pRollTrack = readTrack<TrackManagerFloat>(child, manager);
        break;
      case kOpacityTrack:
        if (opacities < m_materials.size())
          m_materials[opacities++].pOpacityTrack = readTrack<TrackManagerFloat>(child, manager);
        break;
      case kObjectHeads: {
        std::size_t next = 0;
        while (next < m_objects.size() && child.nextChild(record))
          if (record.getIdentifier() == kHead)
            s3d_reader::readHead(m_objects[next++], record, manager);
        break;
      }
      case kCameraHeads: {
        std::size_t next = 0;
        while (next < m_cameras.size() && child.nextChild(record)) {
          if (record.getIdentifier() != kCameraRecord) continue;
          S2DCamera& camera = m_cameras[next++];
          while (record.nextChild(head)) {
            if (head.getIdentifier() == kHead) s3d_reader::readHead(camera, head, manager);
            if (head.getIdentifier() == kTargetHead)
              s3d_reader::readHead(camera.m_target, head, manager);
          }
        }
        break;
      }
      default:
        break;
    }
  }
  for (S2DObject& object : m_objects)
    object.m_pMaterial = object.m_materialIndex < m_materials.size()
                             ? &m_materials[object.m_materialIndex]
                             : nullptr;
  for (S2DMaterial& material : m_materials) {
    material.picture.load(material.pictureFile);
    material.alphaMap.load(material.alphaMapFile);
  }
  linkParents();
  return true;
}

void S2DScene::linkParents() {
  // Parents are found by name among the objects and the cameras (and their targets).
  std::unordered_map<std::string, S3DNode*> byName;
  const auto name = [&](S3DNode& node) {
    if (isObjectName(node.m_name)) byName.emplace(std::string(node.m_name.view()), &node);
  };
  for (S2DObject& object : m_objects)
    name(object);
  for (S2DCamera& camera : m_cameras) {
    name(camera);
    name(camera.m_target);
  }
  std::vector<S3DNode*> heads;
  for (S2DObject& object : m_objects)
    heads.push_back(&object);
  for (S2DCamera& camera : m_cameras) {
    heads.push_back(&camera);
    heads.push_back(&camera.m_target);
  }
  for (S3DNode* pNode : heads) {
    const auto found = byName.find(std::string(pNode->m_parentName.view()));
    pNode->m_pParent = found != byName.end() && found->second != pNode ? found->second : nullptr;
  }
  std::vector<S3DNode*> candidates;
  for (S3DNode* pNode : heads)
    if (pNode->m_pParent) candidates.push_back(pNode);
  m_links = orderParentsFirst(candidates, [](const std::string& names) {
    report("S2DScene :", "parent cycle: " + names + "; these objects keep no parent");
  });
}

void S2DScene::setCamera(int32_t index) {
  if (m_cameras.empty()) return;
  const auto n = static_cast<int32_t>(m_cameras.size());
  m_currentCamera = ((index % n) + n) % n;
}

void S2DScene::setTime(float time) {
  for (S2DObject& object : m_objects)
    object.animate(time);
  for (S2DCamera& camera : m_cameras)
    camera.animate(time);
  for (S2DMaterial& material : m_materials) {
    if (animateTrack(material.pOpacityTrack, time, material.opacity))
      material.opacity = std::clamp(material.opacity, 0.0f, 1.0f);
    material.picture.setFrame(time);
    material.alphaMap.setFrame(time);
  }
}

void S2DScene::transformHeads() {
  for (S2DObject& object : m_objects)
    object.buildMatrix();
  for (S2DCamera& camera : m_cameras) {
    camera.buildMatrix();
    camera.m_target.buildMatrix();
  }
  for (S3DNode* pNode : m_links) {
    pNode->m_matrix = multiply(pNode->m_matrix, pNode->m_pParent->m_matrix);
    pNode->m_rotationMatrix = multiply(pNode->m_rotationMatrix, pNode->m_pParent->m_rotationMatrix);
  }
}

void S2DScene::render(CImage32* pDst) {
  if (!pDst || !pDst->getPixels() || m_cameras.empty()) return;
  S2DCamera& camera = m_cameras[static_cast<std::size_t>(m_currentCamera)];
  if (pDst->getWidth() != camera.m_width || pDst->getHeight() != camera.m_height)
    camera.setViewport(pDst->getWidth(), pDst->getHeight());
  transformHeads();
  const auto origin = [](const Matrix44& m) { return Vec3{m.m[12], m.m[13], m.m[14]}; };
  const Vec3 eye = origin(camera.m_matrix);
  camera.m_viewMatrix =
      multiply(translation(Vec3{} - eye),
               lookAtRotation(eye, origin(camera.m_target.m_matrix), camera.m_roll));
  for (const S2DObject& object : m_objects) {
    const S2DMaterial* pMaterial = object.m_pMaterial;
    const CImage32* pPicture = pMaterial ? pMaterial->picture.image() : nullptr;
    if (!pPicture) continue;
    // Only the position is projected; the sprite keeps the head's scale at any distance.
    const Vec3 p = transformPoint(origin(object.m_matrix), camera.m_viewMatrix);
    const float k = p.z != 0.0f ? 1.0f / p.z : 0.0f;
    const float x = p.x * camera.m_scaleX * k + camera.m_centerX;
    const float y = camera.m_centerY - p.y * camera.m_scaleY * k;
    const float angle = eulerFromMatrix(quaternionToMatrix(object.m_rotation)).z;
    const CImage32* pAlphaMap = pMaterial->alphaMap.image();
    if (angle != 0.0f)
      pPicture->blitRotationPivot(pDst, angle, object.m_pivot.x, object.m_pivot.y, x, y,
                                  object.m_scale.x, object.m_scale.y, pMaterial->mode, pAlphaMap,
                                  pMaterial->opacity, pMaterial->filter);
    else
      pPicture->blitScaledPivot(pDst, object.m_pivot.x, object.m_pivot.y, x, y, object.m_scale.x,
                                object.m_scale.y, pMaterial->mode, pAlphaMap, pMaterial->opacity,
                                pMaterial->filter);
  }
}
