// Reading, writing and creating the controller of an .lecx file.

#include "control/lecx_controller_manager.h"

#include <string>

#include "base/chunk_file_reader.h"
#include "base/chunk_file_writer.h"
#include "base/report.h"
#include "control/lecx_controller_effect.h"
#include "control/lecx_controller_l3x.h"

namespace {
constexpr std::uint16_t kFileChunk = 10;
constexpr std::uint16_t kControllerChunk = 12;
constexpr const char* kCaption = "LECXControllerManager";
}  // namespace

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

bool LECXControllerManager::load(const StringC& fileName) {
  ChunkFileReaderManager manager(fileName);
  return load(manager);
}

bool LECXControllerManager::load(std::span<const std::uint8_t> fileBytes, const StringC& fileName) {
  ChunkFileReaderManager manager(fileBytes, fileName);
  return load(manager);
}

bool LECXControllerManager::load(ChunkFileReaderManager& manager) {
  m_pController.reset();
  // A file that cannot be read is reported by the reader.
  if (manager.hasFailed()) return false;
  ChunkFileReader root(&manager);
  if (manager.hasFailed()) return false;
  if (root.getIdentifier() != kFileChunk) {
    report(kCaption, "not a lecx file", ReportLevel::Warning);
    return false;
  }
  ChunkFileReader child;
  while (!manager.hasFailed() && root.nextChild(child)) {
    if (child.getIdentifier() != kControllerChunk) continue;
    const int32_t type = child.readInt();
    if (manager.hasFailed()) break;
    if (LECXController* pController = createController(type)) pController->load(child, manager);
  }
  // Nothing of a broken file is kept.
  if (manager.hasFailed()) m_pController.reset();
  return m_pController != nullptr;
}

bool LECXControllerManager::save(const StringC& fileName, std::uint8_t packingFlag) const {
  if (!m_pController) {
    report(kCaption, "save: no controller", ReportLevel::Warning);
    return false;
  }
  ChunkFileWriterManager manager(fileName, packingFlag);
  if (!manager.isOpen()) return false;
  ChunkFileWriter file(&manager);
  file.beginChunk(kFileChunk);
  ChunkFileWriter controller(&manager);
  controller.beginChunk(kControllerChunk);
  controller.writeInt(static_cast<int32_t>(m_pController->getType()));
  m_pController->save(manager);
  controller.endChunk();
  file.endChunk();
  manager.close();
  return true;
}
