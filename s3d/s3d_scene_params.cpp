// The scene parameters of the scene controllers: one class per keyword, each a lookup of its
// scene object and a table of property words and their setters.

#include "s3d/s3d_scene_params.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <span>
#include <string>

#include "base/report.h"
#include "s3d/s3d_modifier_deform.h"
#include "s3d/s3d_scene.h"

namespace {

constexpr std::string_view kManagerCaption = "LECXControllerL3XParamManager";

float& component(Vec3& v, int axis) {
  return axis == 0 ? v.x : axis == 1 ? v.y : v.z;
}

// Truncation towards zero that a NaN or an enormous value cannot make undefined.
int32_t truncated(float value) {
  if (std::isnan(value)) return 0;
  if (value <= -2147483648.0f) return std::numeric_limits<int32_t>::min();
  if (value >= 2147483648.0f) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(value);
}

}  // namespace

Quat quaternionFromMatrix(const Matrix44& matrix) {
  // With quaternionToMatrix's layout: m0 + m5 + m10 = 4w² - 1, 1 + m0 - m5 - m10 = 4x², and the
  // sums and differences of the symmetric pairs give 4xy, 4xw, ... .
  const float* m = matrix.m;
  const float trace = m[0] + m[5] + m[10];
  if (trace > 0.0f) {
    const float w = std::sqrt(trace + 1.0f) * 0.5f;
    const float k = 0.25f / w;
    return {(m[9] - m[6]) * k, (m[2] - m[8]) * k, (m[4] - m[1]) * k, w};
  }
  if (m[0] >= m[5] && m[0] >= m[10]) {
    const float x = std::sqrt(1.0f + m[0] - m[5] - m[10]) * 0.5f;
    const float k = 0.25f / x;
    return {x, (m[1] + m[4]) * k, (m[2] + m[8]) * k, (m[9] - m[6]) * k};
  }
  if (m[5] >= m[10]) {
    const float y = std::sqrt(1.0f - m[0] + m[5] - m[10]) * 0.5f;
    const float k = 0.25f / y;
    return {(m[1] + m[4]) * k, y, (m[6] + m[9]) * k, (m[2] - m[8]) * k};
  }
  const float z = std::sqrt(1.0f - m[0] - m[5] + m[10]) * 0.5f;
  const float k = 0.25f / z;
  return {(m[2] + m[8]) * k, (m[6] + m[9]) * k, z, (m[4] - m[1]) * k};
}

// --- The base ---------------------------------------------------------------------------------

void LECXControllerL3XParam::readWords(const LECXControllerParam& record, S3DScene& scene) {
  m_pScene = &scene;
  m_mode = record.mode;
  m_caseSensitive = record.name.getCaseSensitive();
  constexpr std::string_view kSeparators = " ,\t\n";
  const std::string_view name = record.name.view();
  size_t at = name.find_first_not_of(kSeparators);
  for (int i = 0; i < kMaxWord && at != std::string_view::npos; ++i) {
    const size_t end = std::min(name.find_first_of(kSeparators, at), name.size());
    m_words[i] = std::string(name.substr(at, end - at));
    at = name.find_first_not_of(kSeparators, end);
  }
}

std::string_view LECXControllerL3XParam::word(int i) const {
  return i >= 0 && i < kMaxWord ? std::string_view(m_words[i]) : std::string_view();
}

bool LECXControllerL3XParam::sameWord(std::string_view a, std::string_view b) const {
  return m_caseSensitive ? a == b : lecxEqualsIgnoreCase(a, b);
}

std::optional<int32_t> LECXControllerL3XParam::indexWord(int i) const {
  const std::string_view text = word(i);
  size_t at = 0;
  bool negative = false;
  if (at < text.size() && (text[at] == '-' || text[at] == '+')) negative = text[at++] == '-';
  if (at >= text.size() || text[at] < '0' || text[at] > '9') return std::nullopt;
  int64_t value = 0;
  for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
    value = value * 10 + (text[at] - '0');
    if (value > std::numeric_limits<int32_t>::max()) return std::nullopt;
  }
  return static_cast<int32_t>(negative ? -value : value);
}

void LECXControllerL3XParam::reportProperty(std::string_view property) const {
  report(m_className, "Can't find param: " + std::string(property));
}

float LECXControllerL3XParam::combine(float base, float result) const {
  switch (m_mode) {
    case 1:
      return base + result;
    case 2:
      return base - result;
    default:
      return result;
  }
}

std::optional<float> LECXControllerL3XParam::animationTime(float result) const {
  const float length = static_cast<float>(m_pScene->getAnimLength());
  const float time = combine(m_pScene->getTime(), result);
  // A scene without length has no frame to wrap to; an infinite time has no remainder.
  if (length <= 0.0f || !std::isfinite(time)) return std::nullopt;
  return std::fmod(time, length);
}

namespace {

// A property word of a kind of scene object and the setter that writes the formula's result.
template <class Object>
struct SceneProperty {
  std::string_view word;
  void (*setter)(LECXControllerL3XParam& param, Object& object, float result);
};

// A parameter over one kind of scene object: Kind gives the class name (the caption), the lookup
// of the object and the table of its property words.
template <class Kind>
class LECXControllerL3XParamOf final : public LECXControllerL3XParam {
 public:
  using Object = typename Kind::Object;

  LECXControllerL3XParamOf() : LECXControllerL3XParam(Kind::kClassName) {}

  void init(const LECXControllerParam& record, S3DScene& scene) override {
    readWords(record, scene);
    m_pObject = Kind::find(*this, scene);
    if (!m_pObject) return;
    const std::string_view property = word(Kind::kPropertyWord);
    for (const SceneProperty<Object>& entry : Kind::properties()) {
      if (sameWord(entry.word, property)) {
        m_pSetter = entry.setter;
        if constexpr (requires(Object & o) { Kind::bound(*this, o); })
          Kind::bound(*this, *m_pObject);
        return;
      }
    }
    reportProperty(property);
  }
  void apply(float result) override {
    if (m_pObject && m_pSetter) m_pSetter(*this, *m_pObject, result);
  }
  bool isActive() const override { return m_pObject && m_pSetter; }

 private:
  Object* m_pObject = nullptr;
  void (*m_pSetter)(LECXControllerL3XParam&, Object&, float) = nullptr;
};

// Setters shared by several kinds.
template <class Object, float Object::*kField>
void setField(LECXControllerL3XParam& param, Object& object, float result) {
  object.*kField = param.combine(object.*kField, result);
}

template <class Object>
void animateAt(LECXControllerL3XParam& param, Object& object, float result) {
  if (const std::optional<float> time = param.animationTime(result)) object.animate(*time);
}

// The transform words of a head and of a gizmo; a head goes through its setters (which mark it
// dirty), a gizmo's fields are read again by its prepare.
void setPositionOf(S3DNode& o, Vec3 v) {
  o.setPosition(v);
}
void setPositionOf(S3DModifierGizmo& o, Vec3 v) {
  o.m_position = v;
}
void setScaleOf(S3DNode& o, Vec3 v) {
  o.setScale(v);
}
void setScaleOf(S3DModifierGizmo& o, Vec3 v) {
  o.m_scale = v;
}
void setRotationOf(S3DNode& o, Quat q) {
  o.setRotation(q);
}
void setRotationOf(S3DModifierGizmo& o, Quat q) {
  o.m_rotation = q;
}

template <class Object, int kAxis>
void setPositionAxis(LECXControllerL3XParam& param, Object& object, float result) {
  Vec3 v = object.m_position;
  component(v, kAxis) = param.combine(component(v, kAxis), result);
  setPositionOf(object, v);
}

// kAxis 3: the three components, each combined with its own current value.
template <class Object, int kAxis>
void setScaleAxis(LECXControllerL3XParam& param, Object& object, float result) {
  Vec3 v = object.m_scale;
  for (int axis = 0; axis < 3; ++axis)
    if (kAxis == 3 || axis == kAxis) component(v, axis) = param.combine(component(v, axis), result);
  setScaleOf(object, v);
}

// The current rotation as the angles (x, y, z) of euler(x, y, z); one angle combined; the
// rotation rebuilt from the three.
template <class Object, int kAxis>
void setRotationAxis(LECXControllerL3XParam& param, Object& object, float result) {
  Vec3 angles = eulerFromMatrix(quaternionToMatrix(object.m_rotation));
  component(angles, kAxis) = param.combine(component(angles, kAxis), result);
  setRotationOf(object, quaternionFromMatrix(euler(angles.x, angles.y, angles.z)));
}

template <class Object>
constexpr std::array<SceneProperty<Object>, 11> kTransformProperties = {{
    {"MAINANIM", &animateAt<Object>},
    {"POSX", &setPositionAxis<Object, 0>},
    {"POSY", &setPositionAxis<Object, 1>},
    {"POSZ", &setPositionAxis<Object, 2>},
    {"SCALE", &setScaleAxis<Object, 3>},
    {"SCALEX", &setScaleAxis<Object, 0>},
    {"SCALEY", &setScaleAxis<Object, 1>},
    {"SCALEZ", &setScaleAxis<Object, 2>},
    {"ROTX", &setRotationAxis<Object, 0>},
    {"ROTY", &setRotationAxis<Object, 1>},
    {"ROTZ", &setRotationAxis<Object, 2>},
}};

// Finds the object named by word 1 with one of the scene's lookups; none reports `text` + name
// under the class name.
template <class Object>
Object* findNamed(LECXControllerL3XParam& param, Object* pFound, std::string_view text) {
  if (!pFound) report(param.getClassName(), std::string(text) + std::string(param.word(1)));
  return pFound;
}

// The objects of MTL and MODIFIERGIZMO, named by word 1 and numbered by word 2; an index word
// that is not a number is reported as the lookup failure, with the word as written.
template <class Object, class Lookup>
Object* findIndexed(LECXControllerL3XParam& param, std::string_view what, Lookup lookup) {
  const std::optional<int32_t> index = param.indexWord(2);
  Object* pFound = index ? lookup(param.wordString(1), *index) : nullptr;
  if (!pFound) {
    report(param.getClassName(), "can't find " + std::string(what) +
                                     " name: " + std::string(param.word(1)) +
                                     ", idx: " + std::string(param.word(2)));
  }
  return pFound;
}

// --- The keywords -----------------------------------------------------------------------------

struct SceneKind {
  using Object = S3DScene;
  static constexpr std::string_view kClassName = "LECXControllerL3XParamScene";
  static constexpr int kPropertyWord = 1;
  static S3DScene* find(LECXControllerL3XParam&, S3DScene& scene) { return &scene; }
  static void setTime(LECXControllerL3XParam& param, S3DScene& scene, float result) {
    const float base = scene.getTime();
    // Mode 2 is result - current here, where every other property has current - result.
    const float time = param.getMode() == 2 ? result - base : param.combine(base, result);
    const float length = static_cast<float>(scene.getAnimLength());
    if (length <= 0.0f || !std::isfinite(time)) return;
    scene.setTime(std::fmod(time, length));
  }
  // Whatever the mode: the result truncated towards zero.
  static void setCamera(LECXControllerL3XParam&, S3DScene& scene, float result) {
    scene.setCamera(truncated(result));
  }
  static std::span<const SceneProperty<Object>> properties() {
    static constexpr std::array<SceneProperty<Object>, 2> kProperties = {{
        {"MAINANIM", &setTime},
        {"CAMERA", &setCamera},
    }};
    return kProperties;
  }
};

struct NodeKind {
  using Object = S3DNode;
  static constexpr std::string_view kClassName = "LECXControllerL3XParamNode";
  static constexpr int kPropertyWord = 2;
  // A node that does not exist leaves the parameter inactive without a word.
  static S3DNode* find(LECXControllerL3XParam& param, S3DScene& scene) {
    return scene.findNode(param.wordString(1));
  }
  static std::span<const SceneProperty<Object>> properties() {
    return kTransformProperties<Object>;
  }
};

struct TriObjectKind {
  using Object = S3DTriObject;
  static constexpr std::string_view kClassName = "LECXControllerL3XParamTriObject";
  static constexpr int kPropertyWord = 2;
  static S3DTriObject* find(LECXControllerL3XParam& param, S3DScene& scene) {
    return findNamed(param, scene.findTriObject(param.wordString(1)), "Can't find triObject: ");
  }
  static void mainAnim(LECXControllerL3XParam& param, S3DTriObject& o, float r) {
    if (const std::optional<float> time = param.animationTime(r)) o.animateObject(*time);
  }
  static void modifierAnim(LECXControllerL3XParam& param, S3DTriObject& o, float r) {
    if (const std::optional<float> time = param.animationTime(r)) o.animateModifiers(*time);
  }
  static std::span<const SceneProperty<Object>> properties() {
    static constexpr std::array<SceneProperty<Object>, 2> kProperties = {{
        {"MAINANIM", &mainAnim},
        {"MODIFIERANIM", &modifierAnim},
    }};
    return kProperties;
  }
};

struct ShapeKind {
  using Object = S3DShape;
  static constexpr std::string_view kClassName = "LECXControllerL3XParamShape";
  static constexpr int kPropertyWord = 2;
  static S3DShape* find(LECXControllerL3XParam& param, S3DScene& scene) {
    return findNamed(param, scene.findShape(param.wordString(1)), "Can't find shape: ");
  }
  static void mainAnim(LECXControllerL3XParam& param, S3DShape& o, float r) {
    if (const std::optional<float> time = param.animationTime(r))
      o.animate(*time, param.scene().getCurrentCamera());
  }
  static void modifierAnim(LECXControllerL3XParam& param, S3DShape& o, float r) {
    if (const std::optional<float> time = param.animationTime(r)) o.animateModifiers(*time);
  }
  // The time of a particle shape's emitters (other kinds ignore it).
  static void speAnim(LECXControllerL3XParam& param, S3DShape& o, float r) {
    if (const std::optional<float> time = param.animationTime(r)) o.animateEmitters(*time);
  }
  static std::span<const SceneProperty<Object>> properties() {
    static constexpr std::array<SceneProperty<Object>, 3> kProperties = {{
        {"MAINANIM", &mainAnim},
        {"MODIFIERANIM", &modifierAnim},
        {"SPEANIM", &speAnim},
    }};
    return kProperties;
  }
};

struct CameraKind {
  using Object = S3DCamera;
  static constexpr std::string_view kClassName = "LECXControllerL3XParamCamera";
  static constexpr int kPropertyWord = 2;
  static S3DCamera* find(LECXControllerL3XParam& param, S3DScene& scene) {
    return findNamed(param, scene.findCamera(param.wordString(1)), "Can't find camera: ");
  }
  static void setFov(LECXControllerL3XParam& param, S3DCamera& camera, float r) {
    camera.setFov(param.combine(camera.getFov(), r));
  }
  static void setRoll(LECXControllerL3XParam& param, S3DCamera& camera, float r) {
    camera.setRoll(param.combine(camera.m_roll, r));
  }
  static std::span<const SceneProperty<Object>> properties() {
    static constexpr std::array<SceneProperty<Object>, 3> kProperties = {{
        {"MAINANIM", &animateAt<S3DCamera>},
        {"ROLL", &setRoll},
        {"FOV", &setFov},
    }};
    return kProperties;
  }
};

struct LightKind {
  using Object = S3DLight;
  static constexpr std::string_view kClassName = "LECXControllerL3XParamLight";
  static constexpr int kPropertyWord = 2;
  // The scene's findLight reports under the scene's caption; this lookup reports under the class.
  static S3DLight* find(LECXControllerL3XParam& param, S3DScene& scene) {
    const StringC name = param.wordString(1);
    S3DLight* pFound = nullptr;
    if (isObjectName(name)) {
      for (S3DLight& light : scene.m_lights) {
        if (light.m_name == name) {
          pFound = &light;
          break;
        }
      }
    }
    return findNamed(param, pFound, "Can't find light: ");
  }
  static std::span<const SceneProperty<Object>> properties() {
    static constexpr std::array<SceneProperty<Object>, 6> kProperties = {{
        {"MAINANIM", &animateAt<S3DLight>},
        {"INTENSITY", &setField<S3DLight, &S3DLight::m_intensity>},
        {"NEARATT", &setField<S3DLight, &S3DLight::m_nearAttenuation>},
        {"FARATT", &setField<S3DLight, &S3DLight::m_farAttenuation>},
        {"HOTSPOT", &setField<S3DLight, &S3DLight::m_hotspot>},
        {"FALLOFF", &setField<S3DLight, &S3DLight::m_falloff>},
    }};
    return kProperties;
  }
};

struct MaterialKind {
  using Object = S3DSubMaterial;
  static constexpr std::string_view kClassName = "LECXControllerL3XParamMaterial";
  static constexpr int kPropertyWord = 3;
  static S3DSubMaterial* find(LECXControllerL3XParam& param, S3DScene& scene) {
    return findIndexed<S3DSubMaterial>(param, "material", [&](const StringC& name, int32_t index) {
      return scene.findMaterial(name, index);
    });
  }
  // The line colour the material has when bound is what LINEOPACITY scales.
  static void bound(LECXControllerL3XParam& param, S3DSubMaterial& material) {
    param.m_boundValue = material.m_pLine ? material.m_pLine->m_color : 0;
  }
  static void setOpacity(LECXControllerL3XParam& param, S3DSubMaterial& material, float r) {
    material.setOpacity(param.combine(material.m_opacity, r));
  }
  static void setPalette(LECXControllerL3XParam& param, S3DSubMaterial& material, float r) {
    material.setPaletteParam(param.combine(material.m_paletteParam, r));
  }
  // Each 8-bit channel of the bound colour × trunc(value · 255) / 256, value combined with 1.0.
  // The factor is kept in [0, 256] so that a channel stays a byte.
  static void setLineOpacity(LECXControllerL3XParam& param, S3DSubMaterial& material, float r) {
    if (!material.m_pLine) return;
    const float scaled = param.combine(1.0f, r) * 255.0f;
    const int32_t factor = !(scaled > 0.0f) ? 0 : scaled >= 256.0f ? 256 : truncated(scaled);
    int32_t color = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
      const int32_t channel = (param.m_boundValue >> shift) & 0xFF;
      color |= std::min(channel * factor / 256, 255) << shift;
    }
    material.m_pLine->m_color = color;
  }
  static std::span<const SceneProperty<Object>> properties() {
    static constexpr std::array<SceneProperty<Object>, 4> kProperties = {{
        {"MAINANIM", &animateAt<S3DSubMaterial>},
        {"POLYOPACITY", &setOpacity},
        {"POLYPALETTESPEPARAM", &setPalette},
        {"LINEOPACITY", &setLineOpacity},
    }};
    return kProperties;
  }
};

struct WSModifierKind {
  using Object = WSModifier;
  static constexpr std::string_view kClassName = "LECXControllerL3XParamWSModifier";
  static constexpr int kPropertyWord = 2;
  static WSModifier* find(LECXControllerL3XParam& param, S3DScene& scene) {
    return findNamed(param, scene.findWSModifier(param.wordString(1)), "Can't find wsModifier: ");
  }
  static void modifierAnim(LECXControllerL3XParam& param, WSModifier& o, float r) {
    if (!o.m_pModifier) return;
    if (const std::optional<float> time = param.animationTime(r)) o.m_pModifier->animate(*time);
  }
  static std::span<const SceneProperty<Object>> properties() {
    static constexpr std::array<SceneProperty<Object>, 2> kProperties = {{
        {"MAINANIM", &animateAt<WSModifier>},
        {"MODIFIERANIM", &modifierAnim},
    }};
    return kProperties;
  }
};

struct GizmoKind {
  using Object = S3DModifierGizmo;
  static constexpr std::string_view kClassName = "LECXControllerL3XParamModifierGizmo";
  static constexpr int kPropertyWord = 3;
  static S3DModifierGizmo* find(LECXControllerL3XParam& param, S3DScene& scene) {
    return findIndexed<S3DModifierGizmo>(
        param, "modifierGizmo",
        [&](const StringC& name, int32_t index) { return scene.findModifierGizmo(name, index); });
  }
  static std::span<const SceneProperty<Object>> properties() {
    return kTransformProperties<Object>;
  }
};

// The deforming modifiers: the modifier of the kind's type that the scene finds on the named
// object (a world-space modifier of that name first).
template <class Modifier, uint8_t kType>
Modifier* findModifierOf(LECXControllerL3XParam& param, S3DScene& scene, std::string_view text) {
  S3DModifier* pModifier = scene.findModifier(param.wordString(1), kType);
  Modifier* pFound =
      pModifier && pModifier->getType() == kType ? dynamic_cast<Modifier*>(pModifier) : nullptr;
  return findNamed(param, pFound, text);
}

#define S3D_MODIFIER_KIND(KIND, MODIFIER, TYPE, CLASS, LOOKUP)                  \
  struct KIND {                                                                 \
    using Object = MODIFIER;                                                    \
    static constexpr std::string_view kClassName = CLASS;                       \
    static constexpr int kPropertyWord = 2;                                     \
    static Object* find(LECXControllerL3XParam& param, S3DScene& scene) {       \
      return findModifierOf<MODIFIER, S3DModifier::TYPE>(param, scene, LOOKUP); \
    }                                                                           \
    static std::span<const SceneProperty<Object>> properties();                 \
  };

S3D_MODIFIER_KIND(TaperKind, S3DModifierTaper, kTaper, "LECXControllerL3XParamModifierTape",
                  "Can't find modifierTape from object: ")
S3D_MODIFIER_KIND(SpherifyKind, S3DModifierSpherify, kSpherify,
                  "LECXControllerL3XParamModifierSphery", "Can't find modifierSphery from object: ")
S3D_MODIFIER_KIND(StretchKind, S3DModifierStretch, kStretch,
                  "LECXControllerL3XParamModifierStretch",
                  "Can't find modifierStretch from object: ")
S3D_MODIFIER_KIND(WaveKind, S3DModifierWave, kWave, "LECXControllerL3XParamModifierWave",
                  "Can't find modifierWave from object: ")
S3D_MODIFIER_KIND(TwistKind, S3DModifierTwist, kTwist, "LECXControllerL3XParamModifierTwist",
                  "Can't find modifierTwist from object: ")
S3D_MODIFIER_KIND(SkewKind, S3DModifierSkew, kSkew, "LECXControllerL3XParamModifierSkew",
                  "Can't find modifierSkew from object: ")
S3D_MODIFIER_KIND(NoiseKind, S3DModifierNoise, kNoise, "LECXControllerL3XParamModifierNoise",
                  "Can't find modifierNoise from object: ")
S3D_MODIFIER_KIND(MeltKind, S3DModifierMelt, kMelt, "LECXControllerL3XParamModifierMelt",
                  "Can't find modifierMelt from object: ")
S3D_MODIFIER_KIND(BendKind, S3DModifierBend, kBend, "LECXControllerL3XParamModifierBend",
                  "Can't find modifierBend from object: ")
#undef S3D_MODIFIER_KIND

template <class Object, size_t kNb>
using Properties = std::array<SceneProperty<Object>, kNb>;

std::span<const SceneProperty<S3DModifierTaper>> TaperKind::properties() {
  static constexpr Properties<S3DModifierTaper, 2> kProperties = {{
      {"AMOUNT", &setField<S3DModifierTaper, &S3DModifierTaper::m_amount>},
      {"CURVE", &setField<S3DModifierTaper, &S3DModifierTaper::m_curve>},
  }};
  return kProperties;
}
std::span<const SceneProperty<S3DModifierSpherify>> SpherifyKind::properties() {
  static constexpr Properties<S3DModifierSpherify, 1> kProperties = {{
      {"PERCENT", &setField<S3DModifierSpherify, &S3DModifierSpherify::m_percent>},
  }};
  return kProperties;
}
std::span<const SceneProperty<S3DModifierStretch>> StretchKind::properties() {
  static constexpr Properties<S3DModifierStretch, 2> kProperties = {{
      {"STRETCH", &setField<S3DModifierStretch, &S3DModifierStretch::m_stretch>},
      {"AMPLIFY", &setField<S3DModifierStretch, &S3DModifierStretch::m_amplify>},
  }};
  return kProperties;
}
std::span<const SceneProperty<S3DModifierWave>> WaveKind::properties() {
  static constexpr Properties<S3DModifierWave, 5> kProperties = {{
      {"AMP1", &setField<S3DModifierWave, &S3DModifierWave::m_amp1>},
      {"AMP2", &setField<S3DModifierWave, &S3DModifierWave::m_amp2>},
      {"WAVELEN", &setField<S3DModifierWave, &S3DModifierWave::m_waveLength>},
      {"PHASE", &setField<S3DModifierWave, &S3DModifierWave::m_phase>},
      {"DECAY", &setField<S3DModifierWave, &S3DModifierWave::m_decay>},
  }};
  return kProperties;
}
std::span<const SceneProperty<S3DModifierTwist>> TwistKind::properties() {
  static constexpr Properties<S3DModifierTwist, 2> kProperties = {{
      {"ANGLE", &setField<S3DModifierTwist, &S3DModifierTwist::m_angle>},
      {"BIAS", &setField<S3DModifierTwist, &S3DModifierTwist::m_bias>},
  }};
  return kProperties;
}
std::span<const SceneProperty<S3DModifierSkew>> SkewKind::properties() {
  static constexpr Properties<S3DModifierSkew, 2> kProperties = {{
      {"AMOUNT", &setField<S3DModifierSkew, &S3DModifierSkew::m_amount>},
      {"DIRECTION", &setField<S3DModifierSkew, &S3DModifierSkew::m_direction>},
  }};
  return kProperties;
}

// STRENGTH sets the three strengths to the result whatever the mode.
void setNoiseStrength(LECXControllerL3XParam&, S3DModifierNoise& noise, float r) {
  noise.setStrength(r);
}
template <int kAxis>
void setNoiseStrengthAxis(LECXControllerL3XParam& param, S3DModifierNoise& noise, float r) {
  float& strength = component(noise.m_strength, kAxis);
  strength = param.combine(strength, r);
}
std::span<const SceneProperty<S3DModifierNoise>> NoiseKind::properties() {
  static constexpr Properties<S3DModifierNoise, 6> kProperties = {{
      {"SCALE", &setField<S3DModifierNoise, &S3DModifierNoise::m_noiseScale>},
      {"PHASE", &setField<S3DModifierNoise, &S3DModifierNoise::m_phase>},
      {"STRENGTH", &setNoiseStrength},
      {"STRENGTHX", &setNoiseStrengthAxis<0>},
      {"STRENGTHY", &setNoiseStrengthAxis<1>},
      {"STRENGTHZ", &setNoiseStrengthAxis<2>},
  }};
  return kProperties;
}
std::span<const SceneProperty<S3DModifierMelt>> MeltKind::properties() {
  static constexpr Properties<S3DModifierMelt, 3> kProperties = {{
      {"AMOUNT", &setField<S3DModifierMelt, &S3DModifierMelt::m_amount>},
      {"SPREAD", &setField<S3DModifierMelt, &S3DModifierMelt::m_spread>},
      {"SOLIDITY", &setField<S3DModifierMelt, &S3DModifierMelt::m_solidity>},
  }};
  return kProperties;
}
std::span<const SceneProperty<S3DModifierBend>> BendKind::properties() {
  static constexpr Properties<S3DModifierBend, 2> kProperties = {{
      {"ANGLE", &setField<S3DModifierBend, &S3DModifierBend::m_angle>},
      {"DIRECTION", &setField<S3DModifierBend, &S3DModifierBend::m_direction>},
  }};
  return kProperties;
}

template <class Kind>
std::unique_ptr<LECXControllerL3XParam> make() {
  return std::make_unique<LECXControllerL3XParamOf<Kind>>();
}

struct KeywordEntry {
  std::string_view keyword;
  std::unique_ptr<LECXControllerL3XParam> (*create)();
};

constexpr std::array<KeywordEntry, 18> kKeywordClasses = {{
    {"SCENE", &make<SceneKind>},
    {"NODE", &make<NodeKind>},
    {"TRIOBJECT", &make<TriObjectKind>},
    {"SHAPE", &make<ShapeKind>},
    {"CAMERA", &make<CameraKind>},
    {"LIGHT", &make<LightKind>},
    {"MTL", &make<MaterialKind>},
    {"WSMODIFIER", &make<WSModifierKind>},
    {"MODIFIERGIZMO", &make<GizmoKind>},
    {"MODIFIERTAPE", &make<TaperKind>},
    {"MODIFIERSPHERY", &make<SpherifyKind>},
    {"MODIFIERSTRETCH", &make<StretchKind>},
    {"MODIFIERWAVE", &make<WaveKind>},
    {"MODIFIERTWIST", &make<TwistKind>},
    {"MODIFIERTSKEW", &make<SkewKind>},
    {"MODIFIERTNOISE", &make<NoiseKind>},
    {"MODIFIERTMELT", &make<MeltKind>},
    {"MODIFIERTBEND", &make<BendKind>},
}};

}  // namespace

std::unique_ptr<LECXControllerL3XParam> LECXControllerL3XParamManager::create(
    std::string_view keyword, int32_t caseSensitive) {
  for (const KeywordEntry& entry : kKeywordClasses) {
    const bool same =
        caseSensitive ? entry.keyword == keyword : lecxEqualsIgnoreCase(entry.keyword, keyword);
    if (same) return entry.create();
  }
  return nullptr;
}

std::unique_ptr<LECXSceneParam> LECXControllerL3XParamManager::createParam(
    const LECXControllerParam& record) {
  if (!m_pScene) return nullptr;
  constexpr std::string_view kSeparators = " ,\t\n";
  const std::string_view name = record.name.view();
  const size_t at = std::min(name.find_first_not_of(kSeparators), name.size());
  const std::string_view keyword =
      name.substr(at, std::min(name.find_first_of(kSeparators, at), name.size()) - at);
  std::unique_ptr<LECXControllerL3XParam> pParam = create(keyword, record.name.getCaseSensitive());
  if (!pParam) {
    report(kManagerCaption, "create param not found: " + std::string(keyword));
    return nullptr;
  }
  pParam->init(record, *m_pScene);
  return pParam;
}
