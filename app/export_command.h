#pragma once
// `showplayer render SCRIPT --out VIDEO|FOLDER/`: exports a span of a show.

#include <cstdio>

#include "app/command_line.h"

class ExportCommand {
 public:
  explicit ExportCommand(RenderRequest request, std::FILE* pErrors = stderr);
  // Returns the exit status.
  int run();

 private:
  RenderRequest m_request;
  std::FILE* m_pErrors;
};
