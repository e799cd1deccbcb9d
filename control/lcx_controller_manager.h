#pragma once
// Holds one controller of an .lcx file and reads, writes and creates it. The file is a chunk
// file: chunk 1 holding chunk 2 (int type, then the controller's own children). Written
// unpacked; both forms are read. Reports go to the caption "LCXControllerManager".

#include <cstdint>

#include "control/controller_file.h"
#include "control/crt_rand.h"
#include "control/lcx_controller.h"

class LCXControllerManager : public ControllerFileManager<LCXController, LCXControllerManager> {
 public:
  static constexpr std::uint16_t kFileChunk = 1;
  static constexpr std::uint16_t kControllerChunk = 2;
  static constexpr const char* kCaption = "LCXControllerManager";
  static constexpr const char* kNotThisKind = "not a lcx file";

  // Replaces the held controller with an empty one of `type` (1 to 4); any other type reports
  // "unknow controller type: %d" and leaves the manager empty. Returns the new controller or null.
  LCXController* createController(int32_t type);
  // The program's runtime generator, from which noise controllers created afterwards draw their
  // tables; null: each draws from its own.
  void setRuntimeRand(CrtRand* pRuntimeRand) { m_pRuntimeRand = pRuntimeRand; }

 private:
  CrtRand* m_pRuntimeRand = nullptr;
};
