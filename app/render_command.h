#pragma once
// `showplayer render`: renders the frames of a show at given script times into PNG files.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "app/command_line.h"

// What the render and export commands write besides their files.
namespace CommandOutput {

// Writes "showplayer: <message>" as one line to `pErrors`, after any report still held by the
// report sink.
void fail(std::FILE* pErrors, const std::string& message);
// Writes out any report the report sink still holds (a run of repeats is held back).
void flushReports();
// The message for a show that asked to end (a fatal report) while its frame at `time` ms was
// drawn; `lastFrame` names the last frame written.
std::string showEnded(int exitCode, std::int32_t time, const std::string& lastFrame);

}  // namespace CommandOutput

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
