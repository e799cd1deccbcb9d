#pragma once
// Writes small .lcx and .lecx files for tests, through the controllers' own writers.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "base/string_c.h"
#include "control/lcx_controller_keyframer.h"
#include "control/lcx_controller_live.h"
#include "control/lcx_controller_manager.h"
#include "control/lecx_controller_manager.h"

namespace test_controllers {

// A .lecx controller of `type` (1 colour, 2 scene, 3 blit, 4 DEMOSPE01) with (name, formula)
// parameters.
inline bool writeLecx(const std::string& path, int32_t type,
                      const std::vector<std::pair<std::string, std::string>>& params) {
  LECXControllerManager manager;
  LECXController* pController = manager.createController(type);
  if (!pController) return false;
  for (const auto& [name, formula] : params) {
    pController->addParam({StringC(name), StringC(formula), 0});
  }
  return manager.save(StringC(path));
}

// A linear keyframe .lcx controller through (time, value) keys, restarting at `beats` (none:
// the one at 0: a single run), accumulating when asked.
inline bool writeKeyframer(const std::string& path,
                           const std::vector<std::pair<float, float>>& keys,
                           const std::vector<float>& beats = {0.0f}, bool accumulate = false) {
  LCXControllerManager manager;
  auto* pKeyFramer = static_cast<LCXControllerKeyFramer*>(
      manager.createController(static_cast<int32_t>(LCXControllerType::KeyFramer)));
  LCXPointList points;
  for (const auto& [time, value] : keys)
    points.push_back({time, value});
  LCXPointList beatPoints;
  for (float beat : beats)
    beatPoints.push_back({beat, 0.0f});
  pKeyFramer->createBeatPosition(&beatPoints);
  pKeyFramer->createInterpolationModelLinear(&points);
  pKeyFramer->setAccumulate(accumulate ? 1 : 0);
  return manager.save(StringC(path));
}

// A live .lcx controller: type 1 (input, reading `channel`) or 2 (music level).
inline bool writeLive(const std::string& path, LCXControllerType type, uint16_t channel = 0) {
  LCXControllerManager manager;
  LCXController* pController = manager.createController(static_cast<int32_t>(type));
  if (!pController) return false;
  if (type == LCXControllerType::Input) {
    static_cast<LCXControllerInput*>(pController)->setChannel(channel);
  }
  return manager.save(StringC(path));
}

}  // namespace test_controllers
