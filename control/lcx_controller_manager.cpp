// Reading, writing and creating the controller of an .lcx file.

#include "control/lcx_controller_manager.h"

#include <string>

#include "base/report.h"
#include "control/lcx_controller_keyframer.h"
#include "control/lcx_controller_live.h"
#include "control/lcx_controller_noise.h"

LCXController* LCXControllerManager::createController(int32_t type) {
  m_pController.reset();
  switch (static_cast<LCXControllerType>(type)) {
    case LCXControllerType::Input:
      m_pController = std::make_unique<LCXControllerInput>();
      break;
    case LCXControllerType::Sound:
      m_pController = std::make_unique<LCXControllerSound>();
      break;
    case LCXControllerType::KeyFramer:
      m_pController = std::make_unique<LCXControllerKeyFramer>();
      break;
    case LCXControllerType::Noise:
      m_pController = m_pRuntimeRand ? std::make_unique<LCXControllerNoise>(*m_pRuntimeRand)
                                     : std::make_unique<LCXControllerNoise>();
      break;
    default:
      report(kCaption, "unknow controller type: " + std::to_string(type), ReportLevel::Warning);
      break;
  }
  return m_pController.get();
}
