// showplayer: plays scripted shows in a window, renders their frames, exports them to video.

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "app/command_line.h"
#include "app/export_command.h"
#include "app/render_command.h"
#include "app/script_player.h"

namespace {

void printHelp(std::FILE* pStream) {
  const std::string_view text = CommandLine::helpText();
  std::fwrite(text.data(), 1, text.size(), pStream);
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  const ParsedCommand command = CommandLine::parse(arguments);
  switch (command.kind) {
    case CommandKind::kHelp:
      printHelp(stdout);
      return CommandLine::kExitSuccess;
    case CommandKind::kPlay:
      return runPlayer(command.play);
    case CommandKind::kRender:
      if (command.render.times.empty()) return ExportCommand(command.render).run();
      return RenderCommand(command.render).run();
    case CommandKind::kUsageError:
      break;
  }
  std::fprintf(stderr, "showplayer: %s\nTry 'showplayer --help'.\n", command.error.c_str());
  return CommandLine::kExitUsage;
}
