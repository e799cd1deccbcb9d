// The parameter type names of the effect and mix kinds.

#include "control/lecx_controller_effect.h"

namespace {
constexpr std::array<std::string_view, 3> kColorNames = {"Red", "Green", "Blue"};
constexpr std::array<std::string_view, 1> kMixBlitNames = {"Opacity"};
constexpr std::array<std::string_view, 2> kDemoSpe01Names = {"Intensity", "Phase"};
}  // namespace

std::span<const std::string_view> LECXControllerEffectColor::paramTypeNames() const {
  return kColorNames;
}

std::span<const std::string_view> LECXControllerMixBlit::paramTypeNames() const {
  return kMixBlitNames;
}

std::span<const std::string_view> LECXControllerEffectDemoSpe01::paramTypeNames() const {
  return kDemoSpe01Names;
}
