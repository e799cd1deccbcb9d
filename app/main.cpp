// showplayer: plays scripted shows. For now it renders frames offline (`showplayer render`).

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "app/command_line.h"
#include "app/render_command.h"

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
    case CommandKind::kNoCommand:
      printHelp(stderr);
      return CommandLine::kExitUsage;
    case CommandKind::kRender:
      return RenderCommand(command.render).run();
    case CommandKind::kUsageError:
      break;
  }
  std::fprintf(stderr, "showplayer: %s\nTry 'showplayer --help'.\n", command.error.c_str());
  return CommandLine::kExitUsage;
}
