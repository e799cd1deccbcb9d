#pragma once
// Effects (EFFECT) and the descriptors that put them to work (EFFECT_DESC). An effect is the
// shared working object (blur, emboss and radial keep buffers of one layer size); a descriptor is
// a named set of parameters that it copies into the effect before running it on a layer, so
// several descriptors can share one effect.

#include <cstdint>
#include <memory>
#include <string>

#include "fx/fx_demospe01.h"
#include "fx/fx_emboss.h"
#include "fx/fx_hvblur.h"
#include "fx/fx_radial.h"
#include "image/cimage32.h"
#include "script/script_object.h"

class LECXController;
class ScriptEngine;

class ScriptEffect : public ScriptObject {
 public:
  // The type word of the EFFECT line ("HVBLUR", "EMBOSS", "RADIAL", "COLOR", "DEMOSPE01").
  const StringC& getTypeName() const { return m_typeName; }
  // Runs the effect in place on pDst with its current parameters; nothing for a null pDst.
  virtual void apply(CImage32* pDst) = 0;

 protected:
  explicit ScriptEffect(const char* typeName) : m_typeName(typeName) {}
  StringC m_typeName;
};

// Effects that work on buffers of a layer dimension's size.
class ScriptEffectSized : public ScriptEffect {
 public:
  const ScriptLayerDim& getDimension() const { return m_dimension; }

 protected:
  // The work object refuses (and reports) an image of another size and keeps its old binding:
  // then nothing must run, or it would work on the layer it was bound to before.
  bool fitsDimension(const CImage32& image) const {
    return image.getWidth() == m_dimension.m_width && image.getHeight() == m_dimension.m_height;
  }
  ScriptEffectSized(const char* typeName, std::int32_t width, std::int32_t height)
      : ScriptEffect(typeName), m_dimension(StringC("NULL"), width, height) {}
  ScriptLayerDim m_dimension;
};

class ScriptEffectHVBlur : public ScriptEffectSized {
 public:
  ScriptEffectHVBlur(std::int32_t width, std::int32_t height)
      : ScriptEffectSized("HVBLUR", width, height), m_fx(width, height) {}
  void apply(CImage32* pDst) override;

  std::int32_t m_size = 64;
  std::int32_t m_direction = 0;
  std::int32_t m_drawMode = 1;

 private:
  FxHVBlur m_fx;
};

class ScriptEffectEmboss : public ScriptEffectSized {
 public:
  ScriptEffectEmboss(std::int32_t width, std::int32_t height)
      : ScriptEffectSized("EMBOSS", width, height), m_fx(width, height) {}
  void apply(CImage32* pDst) override;

  std::int32_t m_strength = 255;
  std::int32_t m_mode = 0;

 private:
  FxEmboss m_fx;
};

class ScriptEffectRadial : public ScriptEffectSized {
 public:
  ScriptEffectRadial(std::int32_t width, std::int32_t height)
      : ScriptEffectSized("RADIAL", width, height), m_fx(width, height) {}
  void apply(CImage32* pDst) override;
  // The blur keeps decay, strength and centre clamped to their ranges.
  FxRadial& getFx() { return m_fx; }

  std::int32_t m_mode = 1;

 private:
  FxRadial m_fx;
};

class ScriptEffectColor : public ScriptEffect {
 public:
  ScriptEffectColor() : ScriptEffect("COLOR") {}
  void apply(CImage32* pDst) override;

  std::int32_t m_red = 0;
  std::int32_t m_green = 0;
  std::int32_t m_blue = 0;
  std::int32_t m_mode = 0;
};

class ScriptEffectDemoSpe01 : public ScriptEffect {
 public:
  ScriptEffectDemoSpe01() : ScriptEffect("DEMOSPE01") {}
  // The effect's noise tables are drawn from the program's runtime generator.
  explicit ScriptEffectDemoSpe01(CrtRand& runtimeRand)
      : ScriptEffect("DEMOSPE01"), m_fx(runtimeRand) {}
  void apply(CImage32* pDst) override;

  float m_phase = 0.0f;
  float m_intensity = 1.0f;
  std::int32_t m_mode = 0;

 private:
  FxDemoSpe01 m_fx;
};

// The descriptors. Each accepts controllers of one type id (none for the blur, emboss and
// radial kinds) and runs its effect with its own values.
class ScriptEffectDesc : public ScriptObject {
 public:
  virtual void setController(LECXController* pController) { (void)pController; }
  virtual void setEffect(ScriptEffect* pEffect) { m_pEffect = pEffect; }
  // Copies this descriptor's values into the shared effect and runs it on pDst; nothing without
  // an effect.
  virtual void apply(CImage32* pDst) = 0;

  LECXController* getController() const { return m_pController; }
  ScriptEffect* getEffect() const { return m_pEffect; }

 protected:
  LECXController* m_pController = nullptr;
  ScriptEffect* m_pEffect = nullptr;
};

class ScriptEffectHVBlurDesc : public ScriptEffectDesc {
 public:
  void apply(CImage32* pDst) override;
  std::int32_t m_size = 64;
  std::int32_t m_direction = 0;
  std::int32_t m_drawMode = 1;
};

class ScriptEffectEmbossDesc : public ScriptEffectDesc {
 public:
  void apply(CImage32* pDst) override;
  std::int32_t m_mode = 0;
  float m_factor = 1.0f;
};

class ScriptEffectRadialDesc : public ScriptEffectDesc {
 public:
  void apply(CImage32* pDst) override;
  std::int32_t m_mode = 1;
  float m_intensity = 0.9f;
  float m_step = 0.08f;
  float m_centreX = 20.0f;
  float m_centreY = 20.0f;
};

class ScriptEffectColorDesc : public ScriptEffectDesc {
 public:
  // Takes controllers of the colour kind, which write red, green and blue.
  void setController(LECXController* pController) override;
  void apply(CImage32* pDst) override;
  std::int32_t m_mode = 0;
  float m_red = 0.0f;
  float m_green = 0.0f;
  float m_blue = 0.0f;
};

class ScriptEffectDemoSpe01Desc : public ScriptEffectDesc {
 public:
  // Takes controllers of the DEMOSPE01 kind, which write intensity and phase.
  void setController(LECXController* pController) override;
  void apply(CImage32* pDst) override;
  float m_phase = 0.0f;
  float m_intensity = 1.0f;
  std::int32_t m_mode = 0;
};

// The object of an EFFECT line, by its type; an unknown type is reported and gives null.
std::unique_ptr<ScriptEffect> createEffect(const std::string& line, ScriptEngine& engine);
// The descriptor of an EFFECT_DESC line, of the kind of the effect it names; null (reported)
// when no effect has that name.
std::unique_ptr<ScriptEffectDesc> createEffectDesc(const std::string& line, ScriptEngine& engine);
