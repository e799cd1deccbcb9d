#include "script/script_effect.h"

#include <initializer_list>
#include <utility>

#include "base/scan_line.h"
#include "script/script_engine.h"
#include "script/script_words_p.h"

namespace {

template <class Effect>
std::unique_ptr<ScriptEffect> sizedEffect(const std::string& line, ScriptEngine& engine) {
  auto pEffect = std::make_unique<Effect>();
  ScanLine in(line);
  std::string dimName;
  in.skip(), in.skip(), in.skip(), in.word(dimName);
  if (const ScriptLayerDim* pDim = engine.findLayerDim(StringC(dimName))) {
    pEffect->setSize(pDim->m_width, pDim->m_height);
  }
  return pEffect;
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
  if (ScriptController* pEntry = engine.findController(StringC(controllerName))) {
    desc.setController(pEntry->getFirstController());
  }
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

constexpr EffectKind kEffectKinds[] = {
    {"HVBLUR", sizedEffect<ScriptEffectHVBlur>, hvBlurDesc},
    {"EMBOSS", sizedEffect<ScriptEffectEmboss>, embossDesc},
    {"RADIAL", sizedEffect<ScriptEffectRadial>, radialDesc},
    {"COLOR", plainEffect<ScriptEffectColor>, colorDesc},
    {"DEMOSPE01", plainEffect<ScriptEffectDemoSpe01>, demoSpe01Desc},
};

const EffectKind* findKind(std::string_view typeWord) {
  for (const EffectKind& kind : kEffectKinds) {
    if (typeWord == kind.typeWord) return &kind;
  }
  return nullptr;
}

}  // namespace

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
