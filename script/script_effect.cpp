#include "script/script_effect.h"

#include <initializer_list>
#include <utility>

#include "base/scan_line.h"
#include "control/lecx_controller_effect.h"
#include "fx/fx_color.h"
#include "script/script_engine.h"
#include "script/script_words_p.h"

namespace {

// "desc:" name type dimension: the effect works on buffers of the dimension's size (0 x 0 when
// the dimension is missing, which the effect reports).
template <class Effect>
std::unique_ptr<ScriptEffect> sizedEffect(const std::string& line, ScriptEngine& engine) {
  ScanLine in(line);
  std::string dimName;
  in.skip(), in.skip(), in.skip(), in.word(dimName);
  std::int32_t width = 0, height = 0;
  if (const ScriptLayerDim* pDim = engine.findLayerDim(StringC(dimName))) {
    width = pDim->m_width;
    height = pDim->m_height;
  }
  // The effect keeps buffers of its size: one no layer could have is not made (and the effect
  // refuses every layer, as for a dimension not found).
  if (width > 0 && height > 0 && !engine.getPixelBudget().take(width, height)) {
    std::string name;
    ScanLine head(line);
    head.skip(), head.word(name);
    ScriptEngine::reportLoad("EFFECT " + name + ": bad dimensions for creating the effect");
    width = height = 0;
  }
  return std::make_unique<Effect>(width, height);
}

// The fields every descriptor line starts with: "desc:" name effect controller.
struct DescHead {
  std::string name, effect, controller;
};

DescHead readHead(ScanLine& in) {
  DescHead head;
  in.skip(), in.word(head.name), in.word(head.effect), in.word(head.controller);
  return head;
}

void bindController(ScriptEffectDesc& desc, const std::string& controllerName,
                    ScriptEngine& engine) {
  engine.attachController(desc, StringC(controllerName));
}

std::unique_ptr<ScriptEffectDesc> hvBlurDesc(const std::string& line, ScriptEngine&) {
  auto pDesc = std::make_unique<ScriptEffectHVBlurDesc>();
  ScanLine in(line);
  readHead(in);
  std::string direction, drawMode;
  if (in.word(direction)) {
    pDesc->m_direction = wordValue(direction, {{"HORIZONTAL", 0}, {"VERTICAL", 1}}, 0,
                                   "hvBlur mode not found", line);
  }
  if (in.word(drawMode)) {
    pDesc->m_drawMode = wordValue(drawMode, {{"NORMAL", 0}, {"TRANSADD", 1}, {"TRANSSUB", 2}}, 1,
                                  "hvBlur drawMode not found", line);
  }
  in.integer(pDesc->m_size);
  return pDesc;
}

std::unique_ptr<ScriptEffectDesc> embossDesc(const std::string& line, ScriptEngine&) {
  auto pDesc = std::make_unique<ScriptEffectEmbossDesc>();
  ScanLine in(line);
  readHead(in);
  std::string mode;
  if (in.word(mode)) {
    pDesc->m_mode =
        wordValue(mode, {{"EMBOSS", 0}, {"SHADE", 1}}, 0, "emboss mode not found", line);
  }
  in.real(pDesc->m_factor);
  return pDesc;
}

std::unique_ptr<ScriptEffectDesc> radialDesc(const std::string& line, ScriptEngine&) {
  auto pDesc = std::make_unique<ScriptEffectRadialDesc>();
  ScanLine in(line);
  readHead(in);
  std::string mode;
  if (in.word(mode)) {
    pDesc->m_mode = wordValue(mode, {{"SMOOTH", 0}, {"FAST", 1}}, 1, "radial mode not found", line);
  }
  in.real(pDesc->m_intensity) && in.real(pDesc->m_step) && in.real(pDesc->m_centreX) &&
      in.real(pDesc->m_centreY);
  return pDesc;
}

std::unique_ptr<ScriptEffectDesc> colorDesc(const std::string& line, ScriptEngine& engine) {
  auto pDesc = std::make_unique<ScriptEffectColorDesc>();
  ScanLine in(line);
  const DescHead head = readHead(in);
  std::string mode;
  if (in.word(mode)) {
    pDesc->m_mode = wordValue(mode,
                              {{"ADD", 0},
                               {"SUB", 1},
                               {"MASK", 2},
                               {"INVERT", 3},
                               {"GRAY", 4},
                               {"RED", 5},
                               {"GREEN", 6},
                               {"BLUE", 7}},
                              3, "color mode not found", line);
  }
  in.real(pDesc->m_red) && in.real(pDesc->m_green) && in.real(pDesc->m_blue);
  bindController(*pDesc, head.controller, engine);
  return pDesc;
}

std::unique_ptr<ScriptEffectDesc> demoSpe01Desc(const std::string& line, ScriptEngine& engine) {
  auto pDesc = std::make_unique<ScriptEffectDemoSpe01Desc>();
  ScanLine in(line);
  const DescHead head = readHead(in);
  in.integer(pDesc->m_mode);
  bindController(*pDesc, head.controller, engine);
  return pDesc;
}

// One row per effect type: how its EFFECT line makes the effect, and how an EFFECT_DESC line
// naming such an effect makes the descriptor.
struct EffectKind {
  const char* typeWord;
  std::unique_ptr<ScriptEffect> (*createEffect)(const std::string& line, ScriptEngine& engine);
  std::unique_ptr<ScriptEffectDesc> (*createDesc)(const std::string& line, ScriptEngine& engine);
};

template <class Effect>
std::unique_ptr<ScriptEffect> plainEffect(const std::string&, ScriptEngine&) {
  return std::make_unique<Effect>();
}

std::unique_ptr<ScriptEffect> demoSpe01Effect(const std::string&, ScriptEngine& engine) {
  return std::make_unique<ScriptEffectDemoSpe01>(engine.getRuntimeRand());
}

constexpr EffectKind kEffectKinds[] = {
    {"HVBLUR", sizedEffect<ScriptEffectHVBlur>, hvBlurDesc},
    {"EMBOSS", sizedEffect<ScriptEffectEmboss>, embossDesc},
    {"RADIAL", sizedEffect<ScriptEffectRadial>, radialDesc},
    {"COLOR", plainEffect<ScriptEffectColor>, colorDesc},
    {"DEMOSPE01", demoSpe01Effect, demoSpe01Desc},
};

const EffectKind* findKind(std::string_view typeWord) {
  for (const EffectKind& kind : kEffectKinds) {
    if (typeWord == kind.typeWord) return &kind;
  }
  return nullptr;
}

std::int32_t clampInt(std::int32_t value, std::int32_t low, std::int32_t high) {
  return value < low ? low : (value > high ? high : value);
}

// The integer part of value * 255, within 0..255 (NaN gives 0).
std::int32_t channelOf(float value) {
  const float scaled = value * 255.0f;
  if (!(scaled > 0.0f)) return 0;
  if (scaled >= 255.0f) return 255;
  return static_cast<std::int32_t>(scaled);
}

}  // namespace

// --- The effects ---

void ScriptEffectHVBlur::apply(CImage32* pDst) {
  if (!pDst) return;
  m_fx.setScreen(pDst);
  if (!fitsDimension(*pDst)) return;
  m_fx.setSize(m_size);
  m_fx.setDirection(m_direction == 0 ? FxHVBlur::HORIZONTAL : FxHVBlur::VERTICAL);
  // Draw modes 0 and 2 are taken as they are, every other value as 1.
  m_fx.setDrawMode(m_drawMode == 0   ? FxHVBlur::NORMAL
                   : m_drawMode == 2 ? FxHVBlur::TRANSSUB
                                     : FxHVBlur::TRANSADD);
  m_fx.apply();
}

void ScriptEffectEmboss::apply(CImage32* pDst) {
  if (!pDst) return;
  m_fx.setScreen(pDst);
  if (!fitsDimension(*pDst)) return;
  m_fx.setLevel(m_strength);
  m_fx.setMode(static_cast<FxEmboss::Mode>(m_mode));
  m_fx.apply();
}

void ScriptEffectRadial::apply(CImage32* pDst) {
  if (!pDst) return;
  m_fx.setScreen(pDst);
  if (!fitsDimension(*pDst)) return;
  m_fx.setMode(m_mode == 0 ? FxRadial::SMOOTH : FxRadial::FAST);
  m_fx.apply();
}

void ScriptEffectColor::apply(CImage32* pDst) {
  FxColor::apply(pDst, m_mode, m_red, m_green, m_blue);
}

void ScriptEffectDemoSpe01::apply(CImage32* pDst) {
  m_fx.setOffset(m_phase);
  m_fx.setAmplitude(m_intensity);
  m_fx.setMode(m_mode);
  m_fx.apply(pDst);
}

// --- The descriptors: each hands its values to its effect, then runs it ---

void ScriptEffectHVBlurDesc::apply(CImage32* pDst) {
  auto* pEffect = static_cast<ScriptEffectHVBlur*>(m_pEffect);
  if (!pEffect) return;
  pEffect->m_size = clampInt(m_size, 0, 255);
  pEffect->m_direction = m_direction;
  pEffect->m_drawMode = m_drawMode;
  pEffect->apply(pDst);
}

void ScriptEffectEmbossDesc::apply(CImage32* pDst) {
  auto* pEffect = static_cast<ScriptEffectEmboss*>(m_pEffect);
  if (!pEffect) return;
  // The integer part of factor * 255; the emboss keeps its level within 0..255.
  const float level = m_factor * 255.0f;
  pEffect->m_strength =
      level > 0.0f ? (level < 255.0f ? static_cast<std::int32_t>(level) : 255) : 0;
  pEffect->m_mode = m_mode;
  pEffect->apply(pDst);
}

void ScriptEffectRadialDesc::apply(CImage32* pDst) {
  auto* pEffect = static_cast<ScriptEffectRadial*>(m_pEffect);
  if (!pEffect) return;
  FxRadial& fx = pEffect->getFx();
  fx.setDecay(m_intensity);
  fx.setStrength(m_step);
  fx.setCentre(m_centreX, m_centreY);
  pEffect->m_mode = m_mode;
  pEffect->apply(pDst);
}

void ScriptEffectColorDesc::apply(CImage32* pDst) {
  auto* pEffect = static_cast<ScriptEffectColor*>(m_pEffect);
  if (!pEffect) return;
  // The controller rewrites red, green and blue for the operation's times first.
  if (m_pController) m_pController->update();
  pEffect->m_red = channelOf(m_red);
  pEffect->m_green = channelOf(m_green);
  pEffect->m_blue = channelOf(m_blue);
  pEffect->m_mode = m_mode;
  pEffect->apply(pDst);
}

void ScriptEffectDemoSpe01Desc::apply(CImage32* pDst) {
  auto* pEffect = static_cast<ScriptEffectDemoSpe01*>(m_pEffect);
  if (!pEffect) return;
  pEffect->m_mode = m_mode;
  pEffect->m_phase = m_phase;
  pEffect->m_intensity = m_intensity;
  // What the controller writes now reaches the effect at the next run.
  if (m_pController) m_pController->update();
  pEffect->apply(pDst);
}

void ScriptEffectColorDesc::setController(LECXController* pController) {
  if (!pController) return;
  if (pController->getType() != LECXControllerType::EffectColor) {
    reportWrongController("ScriptEffectColorDesc: ", *pController, "EffectColorDesc");
    return;
  }
  static_cast<LECXControllerEffectColor*>(pController)->setTarget(&m_red, &m_green, &m_blue);
  m_pController = pController;
}

void ScriptEffectDemoSpe01Desc::setController(LECXController* pController) {
  if (!pController) return;
  if (pController->getType() != LECXControllerType::EffectDemoSpe01) {
    reportWrongController("ScriptEffectDemoSpe01Desc: ", *pController, "EffectDemoSpe01Desc");
    return;
  }
  static_cast<LECXControllerEffectDemoSpe01*>(pController)->setTarget(&m_intensity, &m_phase);
  m_pController = pController;
}

std::unique_ptr<ScriptEffect> createEffect(const std::string& line, ScriptEngine& engine) {
  ScanLine in(line);
  std::string name, type;
  in.skip(), in.word(name), in.word(type);
  const EffectKind* pKind = findKind(type);
  if (!pKind) {
    ScriptEngine::reportLoad("createEffect (): can't find IdEffect : " + type);
    return nullptr;
  }
  std::unique_ptr<ScriptEffect> pEffect = pKind->createEffect(line, engine);
  if (in.count() >= 2) pEffect->setName(StringC(name));
  return pEffect;
}

std::unique_ptr<ScriptEffectDesc> createEffectDesc(const std::string& line, ScriptEngine& engine) {
  ScanLine in(line);
  const DescHead head = readHead(in);
  ScriptEffect* pEffect = engine.findEffect(StringC(head.effect));
  if (!pEffect) {
    ScriptEngine::reportLoad("can't find EFFECT : " + head.effect);
    ScriptEngine::reportLoad(line);
    return nullptr;
  }
  const EffectKind* pKind = findKind(pEffect->getTypeName().view());
  std::unique_ptr<ScriptEffectDesc> pDesc = pKind->createDesc(line, engine);
  if (in.count() >= 2) pDesc->setName(StringC(head.name));
  pDesc->setEffect(pEffect);
  return pDesc;
}
