#include "script/script_mix.h"

#include "base/scan_line.h"
#include "script/script_engine.h"
#include "script/script_words_p.h"

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
  if (ScriptController* pEntry = engine.findController(StringC(controllerName))) {
    pDesc->setController(pEntry->getFirstController());
  }
  return pDesc;
}
