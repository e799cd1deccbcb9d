#pragma once
// Holds the one controller of an .lecx file and reads, writes and creates it. The file is a chunk
// file: chunk 10 holding chunk 12 (int type 1 to 4, then the parameter list, see LECXController);
// with several controller chunks the last one is held. Written unpacked unless asked; both forms
// are read. Reports go to the caption "LECXControllerManager".

#include <cstdint>
#include <memory>
#include <span>

#include "base/chunk_file.h"
#include "base/string_c.h"
#include "control/lecx_controller.h"

class ChunkFileReaderManager;

class LECXControllerManager {
 public:
  // Replaces the held controller with an empty one of `type` (1 to 4); any other type reports
  // "unknow controller type: %d" and leaves the manager empty. Returns the new controller or null.
  LECXController* createController(int32_t type);
  // Reads the file. A file that is not an .lecx file ("not a lecx file"), or broken on the way
  // (reported by the reader), leaves the manager empty. True when a controller is held afterwards.
  bool load(const StringC& fileName);
  // The same from a file's bytes already in memory; fileName only names it in reports.
  bool load(std::span<const std::uint8_t> fileBytes, const StringC& fileName);
  // Writes the held controller (nothing, reported, when empty).
  bool save(const StringC& fileName, std::uint8_t packingFlag = ChunkFile::kPlain) const;

  LECXController* getController() const { return m_pController.get(); }
  // Hands the controller over to the caller; the manager is empty afterwards.
  std::unique_ptr<LECXController> releaseController() { return std::move(m_pController); }
  void deleteController() { m_pController.reset(); }

 private:
  bool load(ChunkFileReaderManager& manager);

  std::unique_ptr<LECXController> m_pController;
};
