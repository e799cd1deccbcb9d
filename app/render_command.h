#pragma once
// `showplayer render`: renders the frames of a show at given script times into PNG files.

#include <cstddef>
#include <cstdio>
#include <string>

#include "app/command_line.h"

class RenderCommand {
 public:
  // Messages of the command go to `pErrors` (the reports of the show go to the report sink).
  explicit RenderCommand(RenderRequest request, std::FILE* pErrors = stderr);

  // Loads the script, renders and writes every frame; returns the exit status.
  int run();

  // The file of the index-th frame: the out path itself for a single frame, else
  // out/frame-<MS>.png.
  std::string framePath(std::size_t index) const;

 private:
  // Writes "showplayer: <message>" as one line, after any report still held by the sink.
  void fail(const std::string& message) const;

  RenderRequest m_request;
  std::FILE* m_pErrors;
};
