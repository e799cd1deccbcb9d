#include "app/export_command.h"

#include <utility>

// PLACEHOLDER until the exporter lands.
ExportCommand::ExportCommand(RenderRequest request, std::FILE* pErrors)
    : m_request(std::move(request)), m_pErrors(pErrors) {}

int ExportCommand::run() {
  std::fprintf(m_pErrors, "showplayer: export is not built yet\n");
  return CommandLine::kExitFailure;
}
