#include "tools/model_import_p.h"

#include <assimp/scene.h>
#include <assimp/version.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "tools/import_math.h"

namespace ModelImport {

namespace {

using ImportMath::Vec3;
using L3xScene::Point;

constexpr double kPi = 3.14159265358979323846;
// Scene names are at most 255 bytes; room is left for "_NNN" and ".Target".
constexpr std::size_t kMaxNameBytes = 200;
// The scene's projection scales y by the full screen height with the horizontal focal factor, so
// its pixels are square on a screen twice as wide as high: the aspect of a camera without one.
constexpr double kScreenAspect = 2.0;
// Word counts of the layout.
constexpr unsigned kMaxCount = 65535;
// A string of the layout takes at most 256 bytes with its closing 0.
constexpr std::size_t kMaxStringBytes = 255;
// A look-at straight along the z axis is the camera's singular case (yaw and pitch undefined):
// such a target is moved off the axis by this fraction of its distance.
constexpr double kOffAxis = 0.001;
// Skin weights kept per vertex: the largest four, as most formats and exporters give.
constexpr std::size_t kMaxWeights = 4;
// The darker end of the colour ramp: the base colour times this (an ambient term).
constexpr float kAmbientFactor = 0.15f;

Point toPoint(const Vec3& v) {
  return {static_cast<float>(v.x), static_cast<float>(v.y), static_cast<float>(v.z)};
}

L3xScene::Rotation toRotation(const ImportMath::AngleAxis& r) {
  return {static_cast<float>(r.angle), toPoint(r.axis)};
}

Vec3 toVec3(const aiVector3D& v) {
  return {static_cast<double>(v.x), static_cast<double>(v.y), static_cast<double>(v.z)};
}

double length(const Vec3& v) {
  return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
}

Vec3 minus(const Vec3& a, const Vec3& b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z};
}

Vec3 plus(const Vec3& a, const Vec3& b) {
  return {a.x + b.x, a.y + b.y, a.z + b.z};
}

Vec3 scaled(const Vec3& v, double factor) {
  return {v.x * factor, v.y * factor, v.z * factor};
}

double dot(const Vec3& a, const Vec3& b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}

// v at length 1, or `fallback` when v has no length.
Vec3 unit(const Vec3& v, const Vec3& fallback) {
  const double size = length(v);
  return size > 1e-12 && std::isfinite(size) ? scaled(v, 1 / size) : fallback;
}

void toArray(const aiMatrix4x4& m, double (&out)[4][4]) {
  const float* pRows[4] = {&m.a1, &m.b1, &m.c1, &m.d1};
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c)
      out[r][c] = static_cast<double>(pRows[r][c]);
}

// The text of a name cut to kMaxNameBytes at a character boundary of UTF-8.
std::string clip(std::string name) {
  if (name.size() <= kMaxNameBytes) return name;
  std::size_t end = kMaxNameBytes;
  while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80)
    --end;
  name.resize(end);
  return name;
}

// The extension of a file name in lower case (".tga"), empty without one.
std::string lowerExtension(const std::string& file) {
  std::string extension = std::filesystem::path(file).extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension;
}

// A texture file that the player plays as a video.
bool isVideoFile(const std::string& file) {
  return lowerExtension(file) == ".avi";
}

std::optional<std::int32_t> intProperty(const aiMaterial& material, const char* pKey, unsigned type,
                                        unsigned index) {
  const aiMaterialProperty* pProperty = nullptr;
  if (aiGetMaterialProperty(&material, pKey, type, index, &pProperty) != AI_SUCCESS ||
      (pProperty->mType != aiPTI_Integer && pProperty->mType != aiPTI_Buffer))
    return std::nullopt;
  // Flags come as one byte (a bool) from some readers, as a 32-bit int from others.
  if (pProperty->mDataLength == 1) return pProperty->mData[0] != 0;
  if (pProperty->mDataLength < 4) return std::nullopt;
  std::int32_t value;
  std::memcpy(&value, pProperty->mData, sizeof value);
  return value;
}

float clampUnit(float value) {
  return std::isfinite(value) ? std::clamp(value, 0.0f, 1.0f) : 0.0f;
}

Point clampUnit(const aiColor4D& colour) {
  return {clampUnit(colour.r), clampUnit(colour.g), clampUnit(colour.b)};
}

// Linear interpolation of assimp keys at `time` (ticks), holding the end values outside; keys
// that the file meant as steps or splines are sampled as straight segments.
template <class Key, class Value, class Mix>
Value sample(const Key* pKeys, unsigned count, double time, const Value& rest, Mix mix) {
  if (count == 0) return rest;
  if (time <= pKeys[0].mTime) return pKeys[0].mValue;
  for (unsigned i = 0; i + 1 < count; ++i) {
    if (time >= pKeys[i + 1].mTime) continue;
    const double span = pKeys[i + 1].mTime - pKeys[i].mTime;
    const double s = span > 0 ? (time - pKeys[i].mTime) / span : 1.0;
    return mix(pKeys[i].mValue, pKeys[i + 1].mValue, static_cast<float>(s));
  }
  return pKeys[count - 1].mValue;
}

bool near(float a, float b) {
  return std::fabs(a - b) <= 1e-5f * std::max({1.0f, std::fabs(a), std::fabs(b)});
}
bool near(const Point& a, const Point& b) {
  return near(a.x, b.x) && near(a.y, b.y) && near(a.z, b.z);
}
// The same rotation: q and -q of the two angle-axis pairs are parallel.
bool near(const L3xScene::Rotation& a, const L3xScene::Rotation& b) {
  auto quaternion = [](const L3xScene::Rotation& r) {
    const float s = std::sin(r.angle / 2);
    return std::array<float, 4>{r.axis.x * s, r.axis.y * s, r.axis.z * s, std::cos(r.angle / 2)};
  };
  const auto p = quaternion(a), q = quaternion(b);
  const float dot = p[0] * q[0] + p[1] * q[1] + p[2] * q[2] + p[3] * q[3];
  return std::fabs(dot) >= 1 - 1e-6f;
}

// One aiScene converted.
class SceneConverter {
 public:
  SceneConverter(const aiScene& source, const Settings& settings, bool gltf,
                 std::vector<std::string>& messages, std::filesystem::path modelFolder,
                 std::filesystem::path sceneFolder)
      : m_source(source),
        m_settings(settings),
        m_gltf(gltf),
        m_messages(messages),
        m_modelFolder(std::move(modelFolder)),
        m_sceneFolder(std::move(sceneFolder)) {}

  L3xScene::Scene convert(const std::string& name) {
    m_scene.name = clip(name);
    m_names.insert("NULL");  // a lookup of "NULL" finds nothing
    checkMeshes();
    checkCamerasAndLights();
    checkAnimations();
    measure(*m_source.mRootNode, aiMatrix4x4());
    visit(*m_source.mRootNode, "", aiMatrix4x4());
    nameBones();
    if (m_scene.cameras.empty()) addFramingCamera();
    std::vector<std::string> lightNames;
    for (const L3xScene::Light& light : m_scene.lights)
      lightNames.push_back(light.head.name);
    // A mesh lights itself with the lights it lists (a head-light without any).
    for (L3xScene::Mesh& mesh : m_scene.meshes)
      mesh.lightNames = lightNames;
    return std::move(m_scene);
  }

 private:
  void message(const std::string& text) { m_messages.push_back(text); }

  std::string uniqueName(const std::string& wanted) {
    std::string base = clip(wanted);
    if (base.empty()) base = "Object";
    if (m_names.insert(base).second) return base;
    for (int n = 2;; ++n) {
      std::string candidate = base + "_" + std::to_string(n);
      if (m_names.insert(candidate).second) return candidate;
    }
  }

  // Which meshes can be written, which materials they use.
  void checkMeshes() {
    m_usable.assign(m_source.mNumMeshes, false);
    for (unsigned i = 0; i < m_source.mNumMeshes; ++i) {
      const aiMesh& mesh = *m_source.mMeshes[i];
      const std::string name = "mesh '" + std::string(mesh.mName.C_Str()) + "'";
      if (!(mesh.mPrimitiveTypes & aiPrimitiveType_TRIANGLE)) {
        message("skipped lines and points of " + name);
        continue;
      }
      if (mesh.mMaterialIndex >= m_source.mNumMaterials) {
        message("skipped " + name + ": its material is missing");
        continue;
      }
      if (mesh.mNumVertices > kMaxCount || mesh.mNumFaces > kMaxCount) {
        message("skipped " + name + ": more than 65535 vertices or faces");
        continue;
      }
      m_usable[i] = true;
      if (!m_materialIndex.count(mesh.mMaterialIndex)) m_materialIndex[mesh.mMaterialIndex] = 0;
    }
    // Materials in the order of the file.
    for (auto& [source, index] : m_materialIndex) {
      index = static_cast<std::uint16_t>(m_scene.materials.size());
      const aiMaterial& material = *m_source.mMaterials[source];
      L3xScene::SubMaterial sub = subMaterialOf(material);
      if (sub.name.empty()) sub.name = "Material" + std::to_string(source);
      sub.name = clip(sub.name);
      if (const std::optional<std::string> picture = pictureOf(material, sub.name))
        useTexture(sub, material, *picture);
      m_scene.materials.push_back({sub.name, {sub}});
    }
  }

  // The picture or video of a material's base-colour texture as the player will look for it: the
  // file's name (relative to the model's folder) taken to the scene's folder. None (and a message)
  // when the picture is inside the model or of a kind the player does not read.
  std::optional<std::string> pictureOf(const aiMaterial& material, const std::string& name) {
    aiString path;
    if (material.GetTexture(aiTextureType_BASE_COLOR, 0, &path) != AI_SUCCESS &&
        material.GetTexture(aiTextureType_DIFFUSE, 0, &path) != AI_SUCCESS)
      return std::nullopt;
    std::string file = path.C_Str();
    if (file.empty()) return std::nullopt;
    const std::string what = "skipped the texture of material '" + name + "': ";
    if (file[0] == '*') {
      message(what + "its picture is inside the model");
      return std::nullopt;
    }
    std::replace(file.begin(), file.end(), '\\', '/');
    const std::string extension = lowerExtension(file);
    if (extension != ".bmp" && extension != ".tga" && extension != ".jpg" && extension != ".jpeg" &&
        extension != ".avi") {
      message(what + "'" + file + "' is not a BMP, TGA or JPEG picture nor an AVI video");
      return std::nullopt;
    }
    const std::filesystem::path full = (m_modelFolder / file).lexically_normal();
    const std::filesystem::path relative =
        m_sceneFolder.empty() ? full : full.lexically_relative(m_sceneFolder);
    const std::string picture = (relative.empty() ? full : relative).generic_string();
    if (picture.size() > kMaxStringBytes) {
      message(what + "its name is longer than " + std::to_string(kMaxStringBytes) + " bytes");
      return std::nullopt;
    }
    return picture;
  }

  void checkCamerasAndLights() {
    for (unsigned i = 0; i < m_source.mNumCameras; ++i) {
      const aiCamera& camera = *m_source.mCameras[i];
      const std::string name = camera.mName.C_Str();
      if (camera.mOrthographicWidth > 0) {
        message("skipped orthographic camera '" + name + "'");
        continue;
      }
      if (const aiNode* pNode = m_source.mRootNode->FindNode(camera.mName))
        m_cameraOf.emplace(pNode, &camera);
      else
        message("skipped camera '" + name + "': no node of that name");
    }
    for (unsigned i = 0; i < m_source.mNumLights; ++i) {
      const aiLight& light = *m_source.mLights[i];
      const std::string name = light.mName.C_Str();
      if (light.mType != aiLightSource_POINT && light.mType != aiLightSource_SPOT &&
          light.mType != aiLightSource_DIRECTIONAL) {
        message(std::string("skipped ") +
                (light.mType == aiLightSource_AREA      ? "area"
                 : light.mType == aiLightSource_AMBIENT ? "ambient"
                                                        : "unknown") +
                " light '" + name + "'");
        continue;
      }
      if (const aiNode* pNode = m_source.mRootNode->FindNode(light.mName))
        m_lightOf.emplace(pNode, &light);
      else
        message("skipped light '" + name + "': no node of that name");
    }
  }

  // The first animation only: a scene plays one animation over animLength frames.
  void checkAnimations() {
    if (m_source.mNumAnimations == 0) return;
    for (unsigned i = 1; i < m_source.mNumAnimations; ++i)
      message("skipped animation '" + std::string(m_source.mAnimations[i]->mName.C_Str()) +
              "': only the first animation is imported");
    m_pAnimation = m_source.mAnimations[0];
    m_ticksPerSecond = m_pAnimation->mTicksPerSecond > 0 ? m_pAnimation->mTicksPerSecond : 25.0;
    const double frames = std::round(m_pAnimation->mDuration / m_ticksPerSecond * m_settings.fps);
    if (!(frames <= kMaxCount))
      message("animation '" + std::string(m_pAnimation->mName.C_Str()) + "' cut to 65535 frames");
    m_scene.animLength = static_cast<std::uint16_t>(std::clamp(frames, 1.0, double{kMaxCount}));
    for (unsigned i = 0; i < m_pAnimation->mNumChannels; ++i) {
      const aiNodeAnim& channel = *m_pAnimation->mChannels[i];
      const aiNode* pNode = m_source.mRootNode->FindNode(channel.mNodeName);
      if (!pNode)
        message("skipped the animation of node '" + std::string(channel.mNodeName.C_Str()) +
                "': no node of that name");
      else
        m_channelOf.emplace(pNode, &channel);
    }
  }

  std::vector<unsigned> usableMeshes(const aiNode& node) const {
    std::vector<unsigned> meshes;
    for (unsigned i = 0; i < node.mNumMeshes; ++i)
      if (node.mMeshes[i] < m_usable.size() && m_usable[node.mMeshes[i]])
        meshes.push_back(node.mMeshes[i]);
    return meshes;
  }

  // The bounding box of every mesh in its place, in scene space.
  void measure(const aiNode& node, const aiMatrix4x4& parentWorld) {
    const aiMatrix4x4 world = parentWorld * node.mTransformation;
    for (const unsigned index : usableMeshes(node)) {
      const aiMesh& mesh = *m_source.mMeshes[index];
      for (unsigned v = 0; v < mesh.mNumVertices; ++v) {
        const Vec3 p = ImportMath::toScene(toVec3(world * mesh.mVertices[v]));
        if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) continue;
        m_boxMin = {std::min(m_boxMin.x, p.x), std::min(m_boxMin.y, p.y),
                    std::min(m_boxMin.z, p.z)};
        m_boxMax = {std::max(m_boxMax.x, p.x), std::max(m_boxMax.y, p.y),
                    std::max(m_boxMax.z, p.z)};
      }
    }
    for (unsigned i = 0; i < node.mNumChildren; ++i)
      measure(*node.mChildren[i], world);
  }

  bool hasBox() const { return m_boxMin.x <= m_boxMax.x; }
  Vec3 boxCentre() const {
    if (!hasBox()) return {};
    return {(m_boxMin.x + m_boxMax.x) / 2, (m_boxMin.y + m_boxMax.y) / 2,
            (m_boxMin.z + m_boxMax.z) / 2};
  }
  // The distance from `p` to the farthest corner of the box (of a 2-unit cube without meshes).
  double reach(const Vec3& p) const {
    const Vec3 low = hasBox() ? m_boxMin : Vec3{-1, -1, -1};
    const Vec3 high = hasBox() ? m_boxMax : Vec3{1, 1, 1};
    const Vec3 far{std::max(std::fabs(p.x - low.x), std::fabs(p.x - high.x)),
                   std::max(std::fabs(p.y - low.y), std::fabs(p.y - high.y)),
                   std::max(std::fabs(p.z - low.z), std::fabs(p.z - high.z))};
    return length(far);
  }

  // Creates the objects of `node` and of its children.
  void visit(const aiNode& node, const std::string& parentName, const aiMatrix4x4& parentWorld) {
    const aiMatrix4x4 world = parentWorld * node.mTransformation;
    const auto meshes = usableMeshes(node);
    const auto camera = m_cameraOf.find(&node);
    const auto light = m_lightOf.find(&node);
    const bool hasCamera = camera != m_cameraOf.end();
    const bool hasLight = light != m_lightOf.end();
    std::string name = parentName;
    const bool skipRoot = &node == m_source.mRootNode && meshes.empty() && !hasCamera &&
                          !hasLight && node.mTransformation.IsIdentity() &&
                          !m_channelOf.count(&node);
    if (!skipRoot) {
      name = uniqueName(node.mName.C_Str());
      m_objectName[&node] = name;
      const std::vector<L3xScene::GizmoModifier> modifiers =
          modifiersOf(node.mMetaData, name, m_messages);
      if (!modifiers.empty() && meshes.empty())
        message("skipped the modifiers of node '" + name + "': it has no mesh");
      if (meshes.empty() && hasCamera) {
        addCamera(name, parentName, &node, world, *camera->second);
      } else if (meshes.empty() && hasLight) {
        addLight(name, parentName, &node, world, *light->second);
      } else if (meshes.size() == 1) {
        addMesh(name, parentName, &node, world, *m_source.mMeshes[meshes[0]], modifiers);
      } else {
        L3xScene::Dummy dummy;
        makeHead(dummy.head, name, parentName, &node, aiMatrix4x4());
        m_scene.dummies.push_back(std::move(dummy));
        for (std::size_t i = 0; i < meshes.size(); ++i)
          addMesh(uniqueName(name + "_" + std::to_string(i)), name, nullptr, world,
                  *m_source.mMeshes[meshes[i]], modifiers);
      }
      // A camera or light on a node that is a mesh: an object of its own under it.
      if (!meshes.empty() && hasCamera)
        addCamera(uniqueName(name + "_camera"), name, nullptr, world, *camera->second);
      if (!meshes.empty() && hasLight)
        addLight(uniqueName(name + "_light"), name, nullptr, world, *light->second);
    }
    for (unsigned i = 0; i < node.mNumChildren; ++i)
      visit(*node.mChildren[i], name, world);
  }

  // A head with the local transform of `pNode` (identity without a node) times `offset`, and
  // the node's animation.
  void makeHead(L3xScene::Head& head, const std::string& name, const std::string& parentName,
                const aiNode* pNode, const aiMatrix4x4& offset) {
    head.name = name;
    head.parentName = parentName;
    aiMatrix4x4 local = pNode ? pNode->mTransformation * offset : offset;
    double m[4][4];
    toArray(local, m);
    ImportMath::Decomposed parts;
    if (!ImportMath::decompose(m, parts))
      message("node '" + name + "' has a transform that is not finite: the identity is used");
    head.position = toPoint(parts.position);
    head.scale = toPoint(parts.scale);
    head.rotation = toRotation(parts.rotation);
    if (pNode) animate(head, *pNode, offset);
  }

  // Keys at every frame 0 to animLength from the node's channel; a track whose keys all hold the
  // head's own value is left out (the import library fills channels with the node's value).
  void animate(L3xScene::Head& head, const aiNode& node, const aiMatrix4x4& offset) {
    const auto found = m_channelOf.find(&node);
    if (found == m_channelOf.end()) return;
    const aiNodeAnim& channel = *found->second;
    aiVector3D restScale, restPosition;
    aiQuaternion restRotation;
    node.mTransformation.Decompose(restScale, restRotation, restPosition);
    auto mixVector = [](const aiVector3D& a, const aiVector3D& b, float s) {
      return a + (b - a) * s;
    };
    auto mixRotation = [](const aiQuaternion& a, const aiQuaternion& b, float s) {
      aiQuaternion out;
      aiQuaternion::Interpolate(out, a, b, s);
      return out.Normalize();
    };
    bool moves = false, scales = false, turns = false;
    for (std::int32_t frame = 0; frame <= m_scene.animLength; ++frame) {
      const double time = frame * m_ticksPerSecond / m_settings.fps;
      const aiVector3D position =
          sample(channel.mPositionKeys, channel.mNumPositionKeys, time, restPosition, mixVector);
      const aiQuaternion rotation =
          sample(channel.mRotationKeys, channel.mNumRotationKeys, time, restRotation, mixRotation);
      const aiVector3D scale =
          sample(channel.mScalingKeys, channel.mNumScalingKeys, time, restScale, mixVector);
      double m[4][4];
      toArray(aiMatrix4x4(scale, rotation, position) * offset, m);
      ImportMath::Decomposed parts;
      (void)ImportMath::decompose(m, parts);
      head.positionKeys.push_back({frame, toPoint(parts.position)});
      head.scaleKeys.push_back({frame, toPoint(parts.scale)});
      head.rotationKeys.push_back({frame, toRotation(parts.rotation)});
      moves = moves || !near(head.positionKeys.back().value, head.position);
      scales = scales || !near(head.scaleKeys.back().value, head.scale);
      turns = turns || !near(head.rotationKeys.back().value, head.rotation);
    }
    if (!moves) head.positionKeys.clear();
    if (!scales) head.scaleKeys.clear();
    if (!turns) head.rotationKeys.clear();
  }

  // A see-through material sorts its mesh, so that its triangles are drawn over the rest.
  void addMesh(const std::string& name, const std::string& parentName, const aiNode* pNode,
               const aiMatrix4x4& world, const aiMesh& source,
               const std::vector<L3xScene::GizmoModifier>& modifiers) {
    L3xScene::Mesh mesh;
    makeHead(mesh.head, name, parentName, pNode, aiMatrix4x4());
    mesh.materialIndex = m_materialIndex.at(source.mMaterialIndex);
    mesh.sorted = m_scene.materials[mesh.materialIndex].subMaterials[0].opacity < 1 ? 1 : 0;
    mesh.modifiers = modifiers;
    for (unsigned v = 0; v < source.mNumVertices; ++v)
      mesh.vertices.push_back(toPoint(ImportMath::toScene(toVec3(source.mVertices[v]))));
    // Texture coordinates are not positions: they keep their sign.
    if (source.HasTextureCoords(0)) {
      const bool hasW = source.mNumUVComponents[0] >= 3;
      for (unsigned v = 0; v < source.mNumVertices; ++v) {
        const aiVector3D& uv = source.mTextureCoords[0][v];
        mesh.textureVertices.push_back({uv.x, uv.y, hasW ? uv.z : 0.0f});
      }
    }
    // The vertex order of each triangle is kept: counter-clockwise on the screen in the source
    // stays counter-clockwise after z is negated, and that is the scene's front side.
    unsigned dropped = 0;
    for (unsigned f = 0; f < source.mNumFaces; ++f) {
      const aiFace& face = source.mFaces[f];
      if (face.mNumIndices != 3 || face.mIndices[0] >= source.mNumVertices ||
          face.mIndices[1] >= source.mNumVertices || face.mIndices[2] >= source.mNumVertices) {
        ++dropped;
        continue;
      }
      mesh.faces.push_back({static_cast<std::uint16_t>(face.mIndices[0]),
                            static_cast<std::uint16_t>(face.mIndices[1]),
                            static_cast<std::uint16_t>(face.mIndices[2])});
    }
    if (dropped > 0)
      message("skipped " + std::to_string(dropped) + " faces that are not triangles of mesh '" +
              std::string(source.mName.C_Str()) + "'");
    mesh.subMaterials.assign(mesh.faces.size(), 0);
    if (source.mNumBones > 0) addSkin(mesh, world, source);
    std::vector<L3xScene::Mesh> targets;
    for (unsigned t = 0; t < source.mNumAnimMeshes; ++t)
      addMorphTarget(mesh, source, t, pNode, targets);
    m_scene.meshes.push_back(std::move(mesh));
    for (L3xScene::Mesh& target : targets)
      m_scene.meshes.push_back(std::move(target));
  }

  // The skin of a mesh whose world matrix is `world` when bound. A bone's offset matrix takes
  // mesh space to bone space in the bind pose, so the bone's world matrix then was
  // world * inverse(offset). Per vertex the kMaxWeights largest finite positive weights are kept
  // and scaled to sum 1; a vertex left without weight stays in the bind pose.
  void addSkin(L3xScene::Mesh& mesh, const aiMatrix4x4& world, const aiMesh& source) {
    const std::string what = "the skin of mesh '" + std::string(source.mName.C_Str()) + "'";
    if (source.mNumBones > kMaxCount) {
      message("skipped " + what + ": more than 65535 bones");
      return;
    }
    L3xScene::Skin skin;
    if (!sceneMatrix(world, skin.bind)) {
      message("skipped " + what + ": its bind matrix is not finite");
      return;
    }
    struct Entry {
      float weight;
      std::uint16_t bone;
    };
    std::vector<std::vector<Entry>> entries(source.mNumVertices);
    std::vector<PendingBone> pending;
    unsigned dropped = 0, outside = 0;
    for (unsigned b = 0; b < source.mNumBones; ++b) {
      const aiBone& bone = *source.mBones[b];
      aiMatrix4x4 offset = bone.mOffsetMatrix;
      const aiMatrix4x4 bind = world * offset.Inverse();
      L3xScene::Bone out;
      if (!sceneMatrix(bind, out.bind)) {
        message("skipped " + what + ": bone '" + bone.mName.C_Str() +
                "' has an offset matrix that cannot be inverted");
        return;
      }
      pending.push_back({m_scene.meshes.size(), b, m_source.mRootNode->FindNode(bone.mName),
                         bone.mName.C_Str(), bind});
      skin.bones.push_back(out);
      for (unsigned w = 0; w < bone.mNumWeights; ++w) {
        const aiVertexWeight& weight = bone.mWeights[w];
        if (weight.mVertexId >= source.mNumVertices)
          ++outside;
        else if (!(weight.mWeight > 0) || !std::isfinite(weight.mWeight))
          ++dropped;
        else
          entries[weight.mVertexId].push_back({weight.mWeight, static_cast<std::uint16_t>(b)});
      }
    }
    unsigned many = 0;
    for (std::vector<Entry>& vertex : entries) {
      std::stable_sort(vertex.begin(), vertex.end(),
                       [](const Entry& a, const Entry& b) { return a.weight > b.weight; });
      if (vertex.size() > kMaxWeights) {
        ++many;
        vertex.resize(kMaxWeights);
      }
      double sum = 0;
      for (const Entry& e : vertex)
        sum += static_cast<double>(e.weight);
      // At most four finite floats above 0: a finite sum above 0.
      std::vector<L3xScene::BoneWeight>& weights = skin.vertices.emplace_back();
      for (const Entry& e : vertex)
        weights.push_back({static_cast<float>(static_cast<double>(e.weight) / sum), e.bone});
    }
    if (dropped > 0)
      message(what + ": " + std::to_string(dropped) +
              " weights that are not finite or not above 0 left out (a vertex without weight "
              "stays in the bind pose)");
    if (outside > 0)
      message(what + ": " + std::to_string(outside) +
              " weights of vertices it does not have "
              "left out");
    if (many > 0)
      message(what + ": " + std::to_string(many) + " vertices with more than " +
              std::to_string(kMaxWeights) + " weights keep the largest " +
              std::to_string(kMaxWeights));
    mesh.skin = std::move(skin);
    m_pendingBones.insert(m_pendingBones.end(), pending.begin(), pending.end());
  }

  // Morph target `index` of `source`: a mesh of its own (hidden by the scene once bound), under
  // the morphed mesh, with the morphed mesh's faces. Its weight: the file's default, animated by
  // the first animation's morph channel of the node (or of the mesh's name) when there is one.
  void addMorphTarget(L3xScene::Mesh& mesh, const aiMesh& source, unsigned index,
                      const aiNode* pNode, std::vector<L3xScene::Mesh>& targets) {
    const aiAnimMesh& target = *source.mAnimMeshes[index];
    const std::string what = "morph target " + std::to_string(index) + " of mesh '" +
                             std::string(source.mName.C_Str()) + "'";
    if (!target.HasPositions() || target.mNumVertices != source.mNumVertices) {
      message("skipped " + what + ": it has " + std::to_string(target.mNumVertices) +
              " positions, the mesh " + std::to_string(source.mNumVertices));
      return;
    }
    L3xScene::Mesh out;
    for (unsigned v = 0; v < target.mNumVertices; ++v) {
      const Vec3 p = ImportMath::toScene(toVec3(target.mVertices[v]));
      if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) {
        message("skipped " + what + ": its positions are not all finite");
        return;
      }
      out.vertices.push_back(toPoint(p));
    }
    const std::string wanted = target.mName.length > 0
                                   ? std::string(target.mName.C_Str())
                                   : mesh.head.name + "_morph" + std::to_string(index);
    out.head.name = uniqueName(wanted);
    out.head.parentName = mesh.head.name;
    out.materialIndex = mesh.materialIndex;
    out.faces = mesh.faces;
    out.subMaterials = mesh.subMaterials;
    L3xScene::MorphTarget morph;
    morph.name = out.head.name;
    morph.weight = std::isfinite(target.mWeight) ? target.mWeight : 0.0f;
    morph.weightKeys = morphKeys(source, pNode, index, morph.weight);
    mesh.morphTargets.push_back(std::move(morph));
    targets.push_back(std::move(out));
  }

  // Keys at every frame 0 to animLength for target `index`, from the morph channel of the node's
  // (or the mesh's) name; none when there is no channel or every key holds `rest`. Between two
  // keys the weights mix linearly; a target a key does not list has weight 0 there.
  std::vector<L3xScene::FloatKey> morphKeys(const aiMesh& source, const aiNode* pNode,
                                            unsigned index, float rest) const {
    if (!m_pAnimation) return {};
    const aiMeshMorphAnim* pChannel = nullptr;
    for (const aiString& name : {pNode ? pNode->mName : source.mName, source.mName})
      for (unsigned i = 0; i < m_pAnimation->mNumMorphMeshChannels && !pChannel; ++i)
        if (m_pAnimation->mMorphMeshChannels[i]->mName == name &&
            m_pAnimation->mMorphMeshChannels[i]->mNumKeys > 0)
          pChannel = m_pAnimation->mMorphMeshChannels[i];
    if (!pChannel) return {};
    const auto weightAt = [&](const aiMeshMorphKey& key) {
      for (unsigned i = 0; i < key.mNumValuesAndWeights; ++i)
        if (key.mValues[i] == index && std::isfinite(key.mWeights[i])) return key.mWeights[i];
      return 0.0;
    };
    std::vector<L3xScene::FloatKey> keys;
    bool changes = false;
    const aiMeshMorphKey* pKeys = pChannel->mKeys;
    const unsigned count = pChannel->mNumKeys;
    for (std::int32_t frame = 0; frame <= m_scene.animLength; ++frame) {
      const double time = frame * m_ticksPerSecond / m_settings.fps;
      unsigned next = 0;
      while (next < count && pKeys[next].mTime <= time)
        ++next;
      double weight = 0;
      if (next == 0 || next == count) {
        weight = weightAt(pKeys[next == 0 ? 0 : count - 1]);
      } else {
        const aiMeshMorphKey& a = pKeys[next - 1];
        const aiMeshMorphKey& b = pKeys[next];
        const double span = b.mTime - a.mTime;
        const double s = span > 0 ? (time - a.mTime) / span : 0;
        weight = weightAt(a) + (weightAt(b) - weightAt(a)) * s;
      }
      keys.push_back({frame, static_cast<float>(weight)});
      changes = changes || !near(keys.back().value, rest);
    }
    if (!changes) keys.clear();
    return keys;
  }

  // The object each bone follows: the object of its node; a bone whose node has no object (the
  // file's root, when it is left out) or that names no node gets a dummy where it was bound, so
  // its vertices hold still.
  void nameBones() {
    std::map<std::string, std::string> stillBones;
    for (const PendingBone& pending : m_pendingBones) {
      std::string name;
      const auto found = m_objectName.find(pending.pNode);
      if (pending.pNode && found != m_objectName.end()) {
        name = found->second;
      } else if (const auto still = stillBones.find(pending.sourceName);
                 still != stillBones.end()) {
        name = still->second;
      } else {
        if (!pending.pNode)
          message("bone '" + pending.sourceName + "' names no node: it holds still where bound");
        L3xScene::Dummy dummy;
        makeHead(dummy.head, uniqueName(pending.sourceName), "", nullptr, pending.bind);
        name = stillBones[pending.sourceName] = dummy.head.name;
        m_scene.dummies.push_back(std::move(dummy));
      }
      m_scene.meshes[pending.mesh].skin->bones[pending.bone].name = name;
    }
  }

  // The scene matrix of a source matrix; false when it is not finite.
  static bool sceneMatrix(const aiMatrix4x4& source, L3xScene::Matrix12& out) {
    double m[4][4], rows[12];
    toArray(source, m);
    const bool finite = ImportMath::toSceneMatrix(m, rows);
    for (std::size_t i = 0; i < out.size(); ++i)
      out[i] = static_cast<float>(rows[i]);
    return finite;
  }

  // The local position of a target at `distance` along `direction` (source space, object-local),
  // moved off the z axis when the world direction runs along it.
  Vec3 targetPosition(const aiVector3D& direction, const aiVector3D& up, const aiMatrix4x4& world,
                      double distance) const {
    const Vec3 along = unit(toVec3(direction), {0, 0, -1});
    Vec3 target = scaled(along, distance);
    const aiVector3D alongFloat(static_cast<float>(along.x), static_cast<float>(along.y),
                                static_cast<float>(along.z));
    const Vec3 worldAlong = toVec3(aiMatrix3x3(world) * alongFloat);
    if (length(worldAlong) > 0 && std::fabs(worldAlong.z) / length(worldAlong) > 0.9999995) {
      // Up (or any direction) without its part along the view.
      Vec3 side = unit(toVec3(up), {0, 1, 0});
      side = minus(side, scaled(along, dot(side, along)));
      side = unit(side, std::fabs(along.x) < 0.5 ? Vec3{1, 0, 0} : Vec3{0, 1, 0});
      target = plus(target, scaled(side, distance * kOffAxis));
    }
    return ImportMath::toScene(target);
  }

  // assimp's mHorizontalFOV is documented as half the horizontal angle, but the readers of the
  // 5.2 series give the full angle, and the glTF reader gives yfov * aspect before 5.3 and
  // 2 atan(aspect tan(yfov / 2)) from 5.3 on. The scene wants the full horizontal angle; a camera
  // without aspect gets the screen's.
  double horizontalFov(const aiCamera& camera) const {
    double fov = static_cast<double>(camera.mHorizontalFOV);
    if (m_gltf) {
      const bool before53 =
          aiGetVersionMajor() < 5 || (aiGetVersionMajor() == 5 && aiGetVersionMinor() < 3);
      const auto aspect = static_cast<double>(camera.mAspect);
      double vertical = fov;
      if (aspect > 0)
        vertical = before53 ? fov / aspect : 2 * std::atan(std::tan(fov / 2) / aspect);
      fov = 2 * std::atan(std::tan(vertical / 2) * (aspect > 0 ? aspect : kScreenAspect));
    }
    return std::isfinite(fov) ? std::clamp(fov, 0.01, kPi - 0.01) : kPi / 2;
  }

  // The eye of a camera or light in scene space.
  static Vec3 origin(const aiMatrix4x4& world) {
    return ImportMath::toScene(toVec3(world * aiVector3D(0, 0, 0)));
  }

  // A camera looks from its head to its target: the target is a child of the head, along the
  // view direction as far as the centre of the scene (at least 1).
  void addCamera(const std::string& name, const std::string& parentName, const aiNode* pNode,
                 const aiMatrix4x4& nodeWorld, const aiCamera& source) {
    L3xScene::Camera camera;
    // A glTF camera sits at the origin of its node; the glTF reader of the 5.2 series copies the
    // node's translation into mPosition as well, which would count it twice.
    aiMatrix4x4 offset;
    if (!m_gltf) aiMatrix4x4::Translation(source.mPosition, offset);
    makeHead(camera.head, name, parentName, pNode, offset);
    const aiMatrix4x4 world = nodeWorld * offset;
    const double distance = std::max(1.0, length(minus(boxCentre(), origin(world))));
    camera.target.name = uniqueName(name + ".Target");
    camera.target.parentName = name;
    camera.target.position = toPoint(targetPosition(source.mLookAt, source.mUp, world, distance));
    camera.fov = static_cast<float>(horizontalFov(source));
    camera.nearClip = source.mClipPlaneNear;
    camera.farClip = source.mClipPlaneFar;
    m_scene.cameras.push_back(std::move(camera));
  }

  // Colour normalised so that its largest component is 1, that component the intensity. A
  // point or spot light fades linearly from full at the light (near 0) to nothing at twice the
  // distance to the farthest corner of the scene; a directional light lights the whole scene
  // fully (its near distance lies past the farthest corner). The import library gives the
  // glTF cone angles as they are, from the axis: hotspot and falloff.
  void addLight(const std::string& name, const std::string& parentName, const aiNode* pNode,
                const aiMatrix4x4& nodeWorld, const aiLight& source) {
    L3xScene::Light light;
    aiMatrix4x4 offset;
    aiMatrix4x4::Translation(source.mPosition, offset);
    makeHead(light.head, name, parentName, pNode, offset);
    const aiMatrix4x4 world = nodeWorld * offset;
    light.type = source.mType == aiLightSource_POINT  ? 1
                 : source.mType == aiLightSource_SPOT ? 2
                                                      : 3;
    const aiColor3D& colour = source.mColorDiffuse;
    const float strongest = std::max({colour.r, colour.g, colour.b});
    if (strongest > 0 && std::isfinite(strongest)) {
      light.color = {colour.r / strongest, colour.g / strongest, colour.b / strongest};
      light.intensity = strongest;
    } else {
      light.intensity = 0;
    }
    const auto reachOfScene = static_cast<float>(std::max(1.0, 2 * reach(origin(world))));
    light.nearAttenuation = light.type == 3 ? reachOfScene : 0.0f;
    light.farAttenuation = light.type == 3 ? 2 * reachOfScene : reachOfScene;
    if (light.type == 2) {
      const auto pi = static_cast<float>(kPi);
      light.hotspot = std::isfinite(source.mAngleInnerCone)
                          ? std::clamp(source.mAngleInnerCone, 0.0f, pi)
                          : 0.0f;
      light.falloff = std::isfinite(source.mAngleOuterCone)
                          ? std::clamp(source.mAngleOuterCone, light.hotspot, pi)
                          : light.hotspot;
    }
    const double distance = std::max(1.0, length(minus(boxCentre(), origin(world))));
    light.target.name = uniqueName(name + ".Target");
    light.target.parentName = name;
    light.target.position = toPoint(targetPosition(source.mDirection, source.mUp, world, distance));
    m_scene.lights.push_back(std::move(light));
  }

  // A model without a (perspective) camera gets one in front of it, looking along +z at the
  // centre of its box, far enough that the box's front face fits a 90-degree field of view on
  // a screen twice as wide as high: at depth z the screen spans x in [-z, z], y in [-z/2, z/2].
  void addFramingCamera() {
    const Vec3 low = hasBox() ? m_boxMin : Vec3{-1, -1, -1};
    const Vec3 high = hasBox() ? m_boxMax : Vec3{1, 1, 1};
    const Vec3 centre = boxCentre();
    const double fit = std::max(2.0, 1.1 * std::max((high.x - low.x) / 2, high.y - low.y));
    L3xScene::Camera camera;
    camera.head.name = uniqueName("Camera01");
    camera.head.position = toPoint({centre.x, centre.y, low.z - fit});
    camera.target.name = uniqueName("Camera01.Target");
    const double distance = centre.z - (low.z - fit);
    // Straight along z is the look-at's singular case: a thousandth of the distance up.
    camera.target.position = toPoint({centre.x, centre.y + distance * kOffAxis, centre.z});
    camera.fov = static_cast<float>(kPi / 2);
    camera.nearClip = 1;
    camera.farClip = static_cast<float>(std::max(100000.0, 10 * (fit + high.z - low.z)));
    m_scene.cameras.push_back(std::move(camera));
  }

  const aiScene& m_source;
  const Settings& m_settings;
  bool m_gltf;
  std::vector<std::string>& m_messages;
  std::filesystem::path m_modelFolder;
  std::filesystem::path m_sceneFolder;
  L3xScene::Scene m_scene;
  std::set<std::string> m_names;
  std::vector<bool> m_usable;
  std::map<unsigned, std::uint16_t> m_materialIndex;
  std::map<const aiNode*, const aiCamera*> m_cameraOf;
  std::map<const aiNode*, const aiLight*> m_lightOf;
  std::map<const aiNode*, const aiNodeAnim*> m_channelOf;
  // The object made for each node.
  std::map<const aiNode*, std::string> m_objectName;
  // Bone `bone` of the skin of m_scene.meshes[mesh], named once every node has its object.
  struct PendingBone {
    std::size_t mesh;
    unsigned bone;
    const aiNode* pNode;  // null when no node has the bone's name
    std::string sourceName;
    aiMatrix4x4 bind;  // the bone's world matrix when bound
  };
  std::vector<PendingBone> m_pendingBones;
  const aiAnimation* m_pAnimation = nullptr;
  double m_ticksPerSecond = 25;
  Vec3 m_boxMin{HUGE_VAL, HUGE_VAL, HUGE_VAL};
  Vec3 m_boxMax{-HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
};

}  // namespace

L3xScene::SubMaterial subMaterialOf(const aiMaterial& material) {
  L3xScene::SubMaterial sub;
  sub.name = material.GetName().C_Str();
  sub.twoSided = intProperty(material, AI_MATKEY_TWOSIDED).value_or(0) != 0 ? 1 : 0;
  const std::int32_t shading = intProperty(material, AI_MATKEY_SHADING_MODEL).value_or(0);
  sub.shadingType = shading == aiShadingMode_Flat ? 100 : 0;
  aiColor4D base(1, 1, 1, 1);
  if (material.Get(AI_MATKEY_BASE_COLOR, base) != AI_SUCCESS)
    material.Get(AI_MATKEY_COLOR_DIFFUSE, base);
  float opacity = base.a;
  material.Get(AI_MATKEY_OPACITY, opacity);
  sub.opacity = clampUnit(opacity);
  sub.colour2 = clampUnit(base);
  const Point& c = sub.colour2;
  sub.colour1 = {c.x * kAmbientFactor, c.y * kAmbientFactor, c.z * kAmbientFactor};
  aiColor4D specular(0, 0, 0, 1);
  if (shading == aiShadingMode_NoShading) {
    sub.colour1 = sub.colour3 = c;
  } else if (material.Get(AI_MATKEY_COLOR_SPECULAR, specular) == AI_SUCCESS &&
             (specular.r > 0 || specular.g > 0 || specular.b > 0)) {
    sub.colour3 = clampUnit(aiColor4D(c.x + specular.r, c.y + specular.g, c.z + specular.b, 1));
  } else {
    sub.colour3 = {c.x + (1 - c.x) / 2, c.y + (1 - c.y) / 2, c.z + (1 - c.z) / 2};
  }
  return sub;
}

void useTexture(L3xScene::SubMaterial& sub, const aiMaterial& material,
                const std::string& picture) {
  (isVideoFile(picture) ? sub.video : sub.texture) = picture;
  if (intProperty(material, AI_MATKEY_SHADING_MODEL).value_or(0) == aiShadingMode_NoShading) {
    sub.shadingType = 200;
    return;
  }
  sub.shadingType = 1;
  for (Point* pColour : {&sub.colour1, &sub.colour2, &sub.colour3})
    *pColour = {1 - pColour->x, 1 - pColour->y, 1 - pColour->z};
}

L3xScene::Scene convertModel(const aiScene& source, const Settings& settings, bool gltf,
                             const std::string& name, std::vector<std::string>& messages,
                             const std::filesystem::path& modelFolder,
                             const std::filesystem::path& sceneFolder) {
  return SceneConverter(source, settings, gltf, messages, modelFolder, sceneFolder).convert(name);
}

}  // namespace ModelImport
