#pragma once
// Mixes (MIX) and their descriptors (MIX_DESC): how a source image is combined with a layer.

#include <cstdint>
#include <memory>
#include <string>

#include "image/cimage32.h"
#include "script/script_object.h"

class LECXController;
class ScriptEngine;

class ScriptMix : public ScriptObject {
 public:
  const StringC& getTypeName() const { return m_typeName; }
  // Combines pSrc with pDst in place.
  virtual void mix(CImage32* pDst, CImage32* pSrc) = 0;

 protected:
  explicit ScriptMix(const char* typeName) : m_typeName(typeName) {}
  StringC m_typeName;
};

// "BLIT": the blit operators with a mode (0 normal, 3 subtractive, others additive), an opacity
// and an optional alpha map.
class ScriptMixBlit : public ScriptMix {
 public:
  ScriptMixBlit() : ScriptMix("BLIT") {}
  // Nothing at opacity 0; otherwise the source's blitMix onto the destination.
  void mix(CImage32* pDst, CImage32* pSrc) override;

  float m_alpha = 1.0f;
  std::int32_t m_blitMode = 1;
  CImage32* m_pAlphaMap = nullptr;
};

class ScriptMixDesc : public ScriptObject {
 public:
  virtual void setController(LECXController* pController) { (void)pController; }
  virtual void setMix(ScriptMix* pMix) { m_pMix = pMix; }
  virtual void mix(CImage32* pDst, CImage32* pSrc) = 0;

  // The time of the running mix operation and the end of its span, written before each mix.
  void setTimes(float time, float endTime) {
    m_time = time;
    m_endTime = endTime;
  }
  LECXController* getController() const { return m_pController; }
  ScriptMix* getMix() const { return m_pMix; }
  float getTime() const { return m_time; }
  float getEndTime() const { return m_endTime; }

 protected:
  LECXController* m_pController = nullptr;
  ScriptMix* m_pMix = nullptr;
  float m_time = 0.0f;
  float m_endTime = 0.0f;
};

class ScriptMixBlitDesc : public ScriptMixDesc {
 public:
  // Takes controllers of the blit kind, which write the opacity.
  void setController(LECXController* pController) override;
  // Hands its mode, alpha map and opacity (kept within 0..1) to the shared mix, then mixes.
  void mix(CImage32* pDst, CImage32* pSrc) override;

  std::int32_t m_blitMode = 1;
  float m_alpha = 1.0f;
  CImage32* m_pAlphaMap = nullptr;
};

// The object of a MIX line; an unknown type is reported and gives null.
std::unique_ptr<ScriptMix> createMix(const std::string& line, ScriptEngine& engine);
// The descriptor of a MIX_DESC line, of the kind of the mix it names; null (reported) when no
// mix has that name.
std::unique_ptr<ScriptMixDesc> createMixDesc(const std::string& line, ScriptEngine& engine);
