#pragma once
// The .lecx kinds whose target is a handful of float fields of an effect or mix descriptor:
// the colour effect (red, green, blue), the blit mix (opacity) and the DEMOSPE01 effect
// (intensity, phase). The descriptor hands the addresses of its fields to setTarget; update then
// writes each bound parameter's result into the field of its type (the last parameter of a type
// wins).

#include <array>
#include <cstddef>

#include "control/lecx_controller.h"

// Fields indexed by parameter type; a kind with no field set has no target.
template <size_t kNbField>
class LECXControllerFields : public LECXController {
 public:
  void update() override {
    if (!hasTarget() || m_bindings.empty()) return;
    evaluate();
    writeBindings(m_pFields.data());
  }
  bool hasTarget() const {
    for (float* pField : m_pFields)
      if (pField) return true;
    return false;
  }
  void clearTarget() { m_pFields.fill(nullptr); }

 protected:
  using LECXController::LECXController;
  std::array<float*, kNbField> m_pFields{};
};

// Type 1: "Red", "Green", "Blue".
class LECXControllerEffectColor final : public LECXControllerFields<3> {
 public:
  LECXControllerEffectColor() : LECXControllerFields(LECXControllerType::EffectColor) {}
  void setTarget(float* pRed, float* pGreen, float* pBlue) { m_pFields = {pRed, pGreen, pBlue}; }

 protected:
  std::span<const std::string_view> paramTypeNames() const override;
  std::string_view caption() const override { return "LECXControllerEffectColor"; }
};

// Type 3: "Opacity".
class LECXControllerMixBlit final : public LECXControllerFields<1> {
 public:
  LECXControllerMixBlit() : LECXControllerFields(LECXControllerType::MixBlit) {}
  void setTarget(float* pOpacity) { m_pFields = {pOpacity}; }

 protected:
  std::span<const std::string_view> paramTypeNames() const override;
  std::string_view caption() const override { return "LECXControllerMixBlit"; }
};

// Type 4: "Intensity", "Phase".
class LECXControllerEffectDemoSpe01 final : public LECXControllerFields<2> {
 public:
  LECXControllerEffectDemoSpe01() : LECXControllerFields(LECXControllerType::EffectDemoSpe01) {}
  void setTarget(float* pIntensity, float* pPhase) { m_pFields = {pIntensity, pPhase}; }

 protected:
  std::span<const std::string_view> paramTypeNames() const override;
  std::string_view caption() const override { return "LECXControllerEffectDemoSpe01"; }
};
