#include "script/script_mix.h"

#include "base/scan_line.h"
#include "control/lecx_controller_effect.h"
#include "script/script_engine.h"
#include "script/script_words_p.h"

void ScriptMixBlit::mix(CImage32* pDst, CImage32* pSrc) {
  if (m_alpha == 0.0f || !pSrc) return;
  pSrc->blitMix(pDst, m_blitMode, m_pAlphaMap, m_alpha);
}

void ScriptMixBlitDesc::mix(CImage32* pDst, CImage32* pSrc) {
  if (!m_pMix) return;
  // Only the BLIT mix exists, and descriptors of this kind are made for it alone.
  auto& blitMix = static_cast<ScriptMixBlit&>(*m_pMix);
  blitMix.m_blitMode = m_blitMode;
  blitMix.m_pAlphaMap = m_pAlphaMap;
  // Clamped so that NaN, negative or too large opacities never reach the operators: NaN and
  // anything at or below 0 give 0, which mixes nothing.
  blitMix.m_alpha = m_alpha > 0.0f ? (m_alpha < 1.0f ? m_alpha : 1.0f) : 0.0f;
  // What the controller writes now reaches the mix at the next run.
  if (m_pController) m_pController->update();
  blitMix.mix(pDst, pSrc);
}

void ScriptMixBlitDesc::setController(LECXController* pController) {
  if (!pController) return;
  if (pController->getType() != LECXControllerType::MixBlit) {
    reportWrongController("ScriptMixBlitDesc :", *pController, "MixBlitDesc");
    return;
  }
  static_cast<LECXControllerMixBlit*>(pController)->setTarget(&m_alpha);
  m_pController = pController;
}

std::unique_ptr<ScriptMix> createMix(const std::string& line, ScriptEngine&) {
  ScanLine in(line);
  std::string name, type;
  in.skip(), in.word(name), in.word(type);
  if (type != "BLIT") {
    ScriptEngine::reportLoad("createMix (): can't find iDMix : " + type);
    return nullptr;
  }
  auto pMix = std::make_unique<ScriptMixBlit>();
  if (in.count() >= 2) pMix->setName(StringC(name));
  return pMix;
}

std::unique_ptr<ScriptMixDesc> createMixDesc(const std::string& line, ScriptEngine& engine) {
  ScanLine in(line);
  std::string name, mixName, controllerName;
  in.skip(), in.word(name), in.word(mixName), in.word(controllerName);
  ScriptMix* pMix = engine.findMix(StringC(mixName));
  if (!pMix) {
    ScriptEngine::reportLoad("can't find MIX : " + mixName);
    return nullptr;
  }
  // "BLIT" is the only mix there is: "desc:" name mix controller blitMode alpha alphaMap.
  auto pDesc = std::make_unique<ScriptMixBlitDesc>();
  if (in.count() >= 2) pDesc->setName(StringC(name));
  std::string mode, alphaMap;
  if (in.word(mode)) {
    pDesc->m_blitMode = wordValue(mode, {{"NORMAL", 0}, {"TRANSADD", 1}, {"TRANSSUB", 3}}, 1,
                                  "blit mode not found", line);
  }
  in.real(pDesc->m_alpha);
  if (in.word(alphaMap)) pDesc->m_pAlphaMap = engine.findBuffer(StringC(alphaMap));
  pDesc->setMix(pMix);
  engine.attachController(*pDesc, StringC(controllerName));
  return pDesc;
}
