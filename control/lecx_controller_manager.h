#pragma once
// Holds the one controller of an .lecx file and reads, writes and creates it. The file is a chunk
// file: chunk 10 holding chunk 12 (int type 1 to 4, then the parameter list, see LECXController);
// with several controller chunks the last one is held. Written unpacked unless asked; both forms
// are read. Reports go to the caption "LECXControllerManager".

#include <cstdint>

#include "control/controller_file.h"
#include "control/lecx_controller.h"

class LECXControllerManager : public ControllerFileManager<LECXController, LECXControllerManager> {
 public:
  static constexpr std::uint16_t kFileChunk = 10;
  static constexpr std::uint16_t kControllerChunk = 12;
  static constexpr const char* kCaption = "LECXControllerManager";
  static constexpr const char* kNotThisKind = "not a lecx file";

  // Replaces the held controller with an empty one of `type` (1 to 4); any other type reports
  // "unknow controller type: %d" and leaves the manager empty. Returns the new controller or null.
  LECXController* createController(int32_t type);
};
