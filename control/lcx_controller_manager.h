#pragma once
// Holds one controller of an .lcx file and reads, writes and creates it. The file is a chunk
// file: chunk 1 holding chunk 2 (int type, then the controller's own children). Written
// unpacked; both forms are read. Reports go to the caption "LCXControllerManager".

#include <cstdint>
#include <memory>
#include <span>

#include "base/chunk_file.h"
#include "base/string_c.h"
#include "control/lcx_controller.h"

class ChunkFileReaderManager;

class LCXControllerManager {
 public:
  // Replaces the held controller with an empty one of `type` (1 to 4); any other type is
  // reported and leaves the manager empty. Returns the new controller or null.
  LCXController* createController(int32_t type);
  // Reads the file; with several controller chunks the last one is held. A file that is not an
  // .lcx file, or broken on the way, is reported and leaves the manager empty. True when a
  // controller is held afterwards.
  bool load(const StringC& fileName);
  // The same from a file's bytes already in memory; fileName only names it in reports.
  bool load(std::span<const std::uint8_t> fileBytes, const StringC& fileName);
  // Writes the held controller (nothing, reported, when empty).
  bool save(const StringC& fileName, std::uint8_t packingFlag = ChunkFile::kPlain) const;

  LCXController* getController() const { return m_pController.get(); }
  // Hands the controller over to the caller; the manager is empty afterwards.
  std::unique_ptr<LCXController> releaseController() { return std::move(m_pController); }
  void deleteController() { m_pController.reset(); }

 private:
  bool load(ChunkFileReaderManager& manager);

  std::unique_ptr<LCXController> m_pController;
};
