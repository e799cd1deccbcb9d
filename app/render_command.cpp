#include "app/render_command.h"

#include <filesystem>
#include <optional>
#include <system_error>
#include <utility>

#include "app/offline_renderer.h"
#include "app/png_writer.h"
#include "base/file_tools.h"
#include "base/report.h"

namespace fs = std::filesystem;

RenderCommand::RenderCommand(RenderRequest request, std::FILE* pErrors)
    : m_request(std::move(request)), m_pErrors(pErrors) {
  m_request.outPath = FileTools::normalizeSeparators(m_request.outPath);
}

std::string RenderCommand::framePath(std::size_t index) const {
  if (m_request.times.size() == 1) return m_request.outPath;
  std::string path = m_request.outPath;
  if (!path.empty() && path.back() != '/') path += '/';
  return path + "frame-" + std::to_string(m_request.times[index]) + ".png";
}

void CommandOutput::flushReports() {
  // Installing the stderr sink again writes out a run of repeated reports it still holds.
  setReportSink(setReportSink(nullptr));
}

void CommandOutput::fail(std::FILE* pErrors, const std::string& message) {
  flushReports();
  std::fprintf(pErrors, "showplayer: %s\n", message.c_str());
  std::fflush(pErrors);
}

std::string CommandOutput::showEnded(int exitCode, std::int32_t time,
                                     const std::string& lastFrame) {
  return "the show asked to end (exit code " + std::to_string(exitCode) + ") at " +
         std::to_string(time) + " ms; " + lastFrame + " is its last frame";
}

void RenderCommand::fail(const std::string& message) const {
  CommandOutput::fail(m_pErrors, message);
}

int RenderCommand::run() {
  OfflineRenderer renderer;
  if (!renderer.loadScript(m_request.scriptPath)) {
    fail("cannot open script " + m_request.scriptPath);
    return CommandLine::kExitFailure;
  }
  if (m_request.times.size() > 1) {
    std::error_code error;
    fs::create_directories(m_request.outPath, error);
    if (error || !fs::is_directory(m_request.outPath, error)) {
      fail("cannot create the folder " + m_request.outPath +
           (error ? ": " + error.message() : ": a file of that name is in the way"));
      return CommandLine::kExitFailure;
    }
  }
  for (std::size_t i = 0; i < m_request.times.size(); ++i) {
    const std::int32_t time = m_request.times[i];
    renderer.renderFrame(time);
    const std::string path = framePath(i);
    if (const std::optional<std::string> reason = PngWriter::write(renderer.getDisplay(), path)) {
      fail("cannot write " + path + ": " + *reason);
      return CommandLine::kExitFailure;
    }
    // A fatal report during this frame (or while loading) ends the show after the frame, as
    // the player ends after the frame step.
    if (const std::optional<int> exitCode = quitRequested()) {
      fail(CommandOutput::showEnded(*exitCode, time, path));
      return *exitCode;
    }
  }
  CommandOutput::flushReports();
  return CommandLine::kExitSuccess;
}
