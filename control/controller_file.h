#pragma once
// What the two controller files (.lcx and .lecx) share: a chunk file whose top chunk holds
// controller chunks, each an int type followed by the controller's own children. The manager
// holds one controller; with several controller chunks the last one is held. A file that is not
// of the kind, or broken on the way, is reported and leaves the manager empty.
//
// `Derived` gives the chunk identifiers, the caption of its reports, the "not a ... file" text
// and createController(type).

#include <cstdint>
#include <memory>
#include <span>
#include <utility>

#include "base/chunk_file.h"
#include "base/chunk_file_reader.h"
#include "base/chunk_file_writer.h"
#include "base/report.h"
#include "base/string_c.h"

template <class Controller, class Derived>
class ControllerFileManager {
 public:
  // Reads the file. True when a controller is held afterwards.
  bool load(const StringC& fileName) {
    ChunkFileReaderManager manager(fileName);
    return load(manager);
  }
  // The same from a file's bytes already in memory; fileName only names it in reports.
  bool load(std::span<const std::uint8_t> fileBytes, const StringC& fileName) {
    ChunkFileReaderManager manager(fileBytes, fileName);
    return load(manager);
  }
  // Writes the held controller (nothing, reported, when empty).
  bool save(const StringC& fileName, std::uint8_t packingFlag = ChunkFile::kPlain) const {
    if (!m_pController) {
      report(Derived::kCaption, "save: no controller", ReportLevel::Warning);
      return false;
    }
    return saveController(*m_pController, fileName, packingFlag);
  }
  // Writes `controller` as the one controller of the file, whoever holds it. False when the
  // file cannot be opened; later write failures are reported by the writer.
  static bool saveController(const Controller& controller, const StringC& fileName,
                             std::uint8_t packingFlag = ChunkFile::kPlain) {
    ChunkFileWriterManager manager(fileName, packingFlag);
    if (!manager.isOpen()) return false;
    ChunkFileWriter file(&manager);
    file.beginChunk(Derived::kFileChunk);
    ChunkFileWriter chunk(&manager);
    chunk.beginChunk(Derived::kControllerChunk);
    chunk.writeInt(static_cast<std::int32_t>(controller.getType()));
    controller.save(manager);
    chunk.endChunk();
    file.endChunk();
    manager.close();
    return true;
  }

  Controller* getController() const { return m_pController.get(); }
  // Hands the controller over to the caller; the manager is empty afterwards.
  std::unique_ptr<Controller> releaseController() { return std::move(m_pController); }
  void deleteController() { m_pController.reset(); }

 protected:
  std::unique_ptr<Controller> m_pController;

 private:
  bool load(ChunkFileReaderManager& manager) {
    m_pController.reset();
    // A file that cannot be read is reported by the reader.
    if (manager.hasFailed()) return false;
    ChunkFileReader root(&manager);
    if (manager.hasFailed()) return false;
    if (root.getIdentifier() != Derived::kFileChunk) {
      report(Derived::kCaption, Derived::kNotThisKind, ReportLevel::Warning);
      return false;
    }
    ChunkFileReader child;
    while (!manager.hasFailed() && root.nextChild(child)) {
      if (child.getIdentifier() != Derived::kControllerChunk) continue;
      const std::int32_t type = child.readInt();
      if (manager.hasFailed()) break;
      if (Controller* pController = static_cast<Derived*>(this)->createController(type)) {
        pController->load(child, manager);
      }
    }
    // Nothing of a broken file is kept.
    if (manager.hasFailed()) m_pController.reset();
    return m_pController != nullptr;
  }
};
