#include "script/script_controller_manager.h"

#include <algorithm>
#include <filesystem>
#include <limits>
#include <system_error>

#include "base/file_tools.h"
#include "base/report.h"
#include "control/lcx_controller_live.h"
#include "control/lecx_controller.h"
#include "image/cimage32.h"

ScriptControllerManager::~ScriptControllerManager() = default;

void ScriptControllerManager::load(const StringC& directory) {
  m_take.clear();
  m_managers.clear();
  const int count = FileTools::countFilesWithExtension(directory, StringC("lcx"));
  for (int i = 0; i < count; ++i) {
    auto pManager = std::make_unique<LCXControllerManager>();
    pManager->setRuntimeRand(m_pRuntimeRand);
    const StringC path = FileTools::getFileWithExtension(directory, StringC("lcx"), i);
    if (pManager->load(path)) {
      StringC name = path;
      name.keepFileName();
      pManager->getController()->setName(name);
    }
    m_managers.push_back(std::move(pManager));
  }
  for (const auto& pManager : m_managers) {
    LCXController* pController = pManager->getController();
    if (!pController) continue;
    switch (pController->getType()) {
      case LCXControllerType::Input:
        if (!m_pInputDevice && m_createInputDevice) m_pInputDevice = m_createInputDevice();
        static_cast<LCXControllerInput*>(pController)->setInputDevice(m_pInputDevice.get());
        break;
      case LCXControllerType::Sound:
        static_cast<LCXControllerSound*>(pController)->setSoundSource(m_pMusic);
        break;
      default:
        break;
    }
    if (pController->getType() == LCXControllerType::Input ||
        pController->getType() == LCXControllerType::Sound) {
      prepareRecording(*static_cast<LCXControllerRecorded*>(pController));
    }
  }
}

void ScriptControllerManager::prepareRecording(LCXControllerRecorded& controller) {
  // The file is written when the show ends, from whatever folder is current then: its name is
  // fixed now, while the show's folder is the current one.
  std::error_code error;
  const std::filesystem::path path =
      std::filesystem::absolute(controller.getRecordingPath(), error);
  if (!error) controller.setRecordingPath(path.string());
  if (controller.getRecordingSettings().recording) controller.allocateRecording();
}

int ScriptControllerManager::startTake(int32_t time) {
  m_take.clear();
  for (const auto& pManager : m_managers) {
    LCXController* pController = pManager->getController();
    if (!pController || pController->getType() != LCXControllerType::Input) continue;
    auto* pInput = static_cast<LCXControllerInput*>(pController);
    LCXControllerRecorded::RecordingSettings settings = pInput->getRecordingSettings();
    if (settings.fileName.view() == "NULL") continue;
    // The take keeps the controller's span and step, from now on.
    const int64_t span = int64_t{settings.endTime} - settings.startTime;
    settings.recording = 1;
    settings.startTime = time;
    settings.endTime = static_cast<int32_t>(
        std::min<int64_t>(int64_t{time} + span, std::numeric_limits<int32_t>::max()));
    pInput->setRecordingSettings(settings);
    pInput->allocateRecording();
    if (pInput->getNbSample() > 0) m_take.push_back(pInput);
  }
  return static_cast<int>(m_take.size());
}

int ScriptControllerManager::stopTake() {
  int nbWritten = 0;
  for (LCXControllerRecorded* pController : m_take) {
    if (pController->saveRecording()) ++nbWritten;
    pController->discardRecording();
    LCXControllerRecorded::RecordingSettings settings = pController->getRecordingSettings();
    settings.recording = 0;
    pController->setRecordingSettings(settings);
  }
  m_take.clear();
  return nbWritten;
}

void ScriptControllerManager::discardRecordings() {
  m_take.clear();
  for (const auto& pManager : m_managers) {
    LCXController* pController = pManager->getController();
    if (pController && (pController->getType() == LCXControllerType::Input ||
                        pController->getType() == LCXControllerType::Sound)) {
      static_cast<LCXControllerRecorded*>(pController)->discardRecording();
    }
  }
}

LCXController* ScriptControllerManager::findLCXController(std::string_view name) const {
  for (const auto& pManager : m_managers) {
    LCXController* pController = pManager->getController();
    if (pController && pController->getName().view() == name) return pController;
  }
  return nullptr;
}

LCXController* ScriptControllerManager::getController(int index) const {
  if (index < 0 || index >= getCount()) return nullptr;
  return m_managers[static_cast<size_t>(index)]->getController();
}

void ScriptControllerManager::link(LECXController* pController) {
  if (!pController) return;
  for (int32_t i = 0; i < pController->getNbController(); ++i) {
    const StringC name = pController->getControllerName(i);
    if (LCXController* pFound = findLCXController(name.view())) {
      pController->setController(i, pFound);
    } else if (name.view() != "time1" && name.view() != "time2") {
      report("ScriptControllerManager: ", "cant find LCX controller: " + std::string(name.view()));
    }
  }
  pController->prepareExpressions();
}

void ScriptControllerManager::prepareFrame() {
  for (const auto& pManager : m_managers) {
    if (LCXController* pController = pManager->getController()) pController->setUpdate(1);
  }
  if (m_pInputDevice) m_pInputDevice->poll();
}

void ScriptControllerManager::drawMarker(CImage32* pDst) const {
  if (!pDst || !m_pInputDevice) return;
  int32_t x = 0, y = 0, z = 0;
  m_pInputDevice->getPosition(x, y, z);
  constexpr uint32_t kWhite = 0xFFFFFF;
  constexpr int32_t kSpacing = 15;
  for (int32_t j = -1; j <= 1; ++j) {
    for (int32_t i = -1; i <= 1; ++i) {
      const int64_t cx = int64_t{x} + kSpacing * i;
      const int64_t cy = int64_t{y} + kSpacing * j;
      for (int64_t dy = -1; dy <= 1; ++dy) {
        for (int64_t dx = -1; dx <= 1; ++dx) {
          // Negative coordinates wrap to huge ones, which setPixel ignores like any outside one.
          pDst->setPixel(static_cast<uint32_t>(cx + dx), static_cast<uint32_t>(cy + dy), kWhite);
        }
      }
    }
  }
}
