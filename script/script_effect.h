#pragma once
// Effects (EFFECT) and the descriptors that put them to work (EFFECT_DESC). An effect is the
// shared working object; a descriptor is a named set of parameters that it copies into the
// effect before running it on a layer, so several descriptors can share one effect.

#include <cstdint>
#include <memory>
#include <string>

#include "image/cimage32.h"
#include "script/script_object.h"

class LECXController;
class ScriptEngine;

class ScriptEffect : public ScriptObject {
 public:
  // The type word of the EFFECT line ("HVBLUR", "EMBOSS", "RADIAL", "COLOR", "DEMOSPE01").
  const StringC& getTypeName() const { return m_typeName; }
  // Runs the effect in place on pDst.
  // FIXME: the effects do their pixel work once the 2D effects exist; until then they hold their
  // parameters and leave the image alone.
  virtual void apply(CImage32* pDst) { (void)pDst; }

 protected:
  explicit ScriptEffect(const char* typeName) : m_typeName(typeName) {}
  StringC m_typeName;
};

// Effects that work on buffers of a layer dimension's size.
class ScriptEffectSized : public ScriptEffect {
 public:
  const ScriptLayerDim& getDimension() const { return m_dimension; }
  void setSize(std::int32_t width, std::int32_t height) {
    m_dimension.m_width = width;
    m_dimension.m_height = height;
  }

 protected:
  using ScriptEffect::ScriptEffect;
  ScriptLayerDim m_dimension;
};

class ScriptEffectHVBlur : public ScriptEffectSized {
 public:
  ScriptEffectHVBlur() : ScriptEffectSized("HVBLUR") {}
  std::int32_t m_size = 64;
  std::int32_t m_direction = 0;
  std::int32_t m_drawMode = 1;
};

class ScriptEffectEmboss : public ScriptEffectSized {
 public:
  ScriptEffectEmboss() : ScriptEffectSized("EMBOSS") {}
  std::int32_t m_strength = 255;
  std::int32_t m_mode = 0;
};

class ScriptEffectRadial : public ScriptEffectSized {
 public:
  ScriptEffectRadial() : ScriptEffectSized("RADIAL") {}
  float m_intensity = 0.9f;
  float m_step = 0.08f;
  float m_centreX = 0.0f;
  float m_centreY = 0.0f;
  std::int32_t m_mode = 1;
};

class ScriptEffectColor : public ScriptEffect {
 public:
  ScriptEffectColor() : ScriptEffect("COLOR") {}
  std::int32_t m_red = 0;
  std::int32_t m_green = 0;
  std::int32_t m_blue = 0;
  std::int32_t m_mode = 0;
};

class ScriptEffectDemoSpe01 : public ScriptEffect {
 public:
  ScriptEffectDemoSpe01() : ScriptEffect("DEMOSPE01") {}
  float m_phase = 0.0f;
  float m_intensity = 1.0f;
  std::int32_t m_mode = 0;
};

// The descriptors. Each accepts controllers of one type id (none for the blur, emboss and
// radial kinds) and runs its effect with its own values.
class ScriptEffectDesc : public ScriptObject {
 public:
  virtual void setController(LECXController* pController) { (void)pController; }
  virtual void setEffect(ScriptEffect* pEffect) { m_pEffect = pEffect; }
  // FIXME: copies the parameters into the effect and runs it once the 2D effects exist.
  virtual void apply(CImage32* pDst) { (void)pDst; }

  LECXController* getController() const { return m_pController; }
  ScriptEffect* getEffect() const { return m_pEffect; }

 protected:
  LECXController* m_pController = nullptr;
  ScriptEffect* m_pEffect = nullptr;
};

class ScriptEffectHVBlurDesc : public ScriptEffectDesc {
 public:
  std::int32_t m_size = 64;
  std::int32_t m_direction = 0;
  std::int32_t m_drawMode = 1;
};

class ScriptEffectEmbossDesc : public ScriptEffectDesc {
 public:
  std::int32_t m_mode = 0;
  float m_factor = 1.0f;
};

class ScriptEffectRadialDesc : public ScriptEffectDesc {
 public:
  std::int32_t m_mode = 1;
  float m_intensity = 0.9f;
  float m_step = 0.08f;
  float m_centreX = 20.0f;
  float m_centreY = 20.0f;
};

class ScriptEffectColorDesc : public ScriptEffectDesc {
 public:
  std::int32_t m_mode = 0;
  float m_red = 0.0f;
  float m_green = 0.0f;
  float m_blue = 0.0f;
};

class ScriptEffectDemoSpe01Desc : public ScriptEffectDesc {
 public:
  float m_phase = 0.0f;
  float m_intensity = 1.0f;
  std::int32_t m_mode = 0;
};

// The object of an EFFECT line, by its type; an unknown type is reported and gives null.
std::unique_ptr<ScriptEffect> createEffect(const std::string& line, ScriptEngine& engine);
// The descriptor of an EFFECT_DESC line, of the kind of the effect it names; null (reported)
// when no effect has that name.
std::unique_ptr<ScriptEffectDesc> createEffectDesc(const std::string& line, ScriptEngine& engine);
