// Reading, writing and creating the controller of an .lecx file.

#include "control/lecx_controller_manager.h"

#include <string>

#include "base/report.h"
#include "control/lecx_controller_effect.h"
#include "control/lecx_controller_l3x.h"

LECXController* LECXControllerManager::createController(int32_t type) {
  m_pController.reset();
  switch (static_cast<LECXControllerType>(type)) {
    case LECXControllerType::EffectColor:
      m_pController = std::make_unique<LECXControllerEffectColor>();
      break;
    case LECXControllerType::L3X:
      m_pController = std::make_unique<LECXControllerL3X>();
      break;
    case LECXControllerType::MixBlit:
      m_pController = std::make_unique<LECXControllerMixBlit>();
      break;
    case LECXControllerType::EffectDemoSpe01:
      m_pController = std::make_unique<LECXControllerEffectDemoSpe01>();
      break;
    default:
      report(kCaption, "unknow controller type: " + std::to_string(type), ReportLevel::Warning);
      break;
  }
  return m_pController.get();
}
