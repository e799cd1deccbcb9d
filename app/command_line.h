#pragma once
// The command line of showplayer: which command to run and with what.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What `showplayer render` is asked for.
struct RenderRequest {
  std::string scriptPath;
  // Script times in ms, in the order given.
  std::vector<std::int32_t> times;
  // The PNG file for one time; the folder of the frame-<MS>.png files for several.
  std::string outPath;
};

enum class CommandKind {
  kHelp,        // help, --help or -h: the help on stdout, success
  kNoCommand,   // no argument at all: the help on stderr, usage error
  kRender,      // render: see RenderRequest
  kUsageError,  // anything else: ParsedCommand::error says what is wrong
};

struct ParsedCommand {
  CommandKind kind = CommandKind::kUsageError;
  RenderRequest render;
  std::string error;
};

namespace CommandLine {

// Exit statuses of the program.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// Reads the arguments that follow the program name.
ParsedCommand parse(const std::vector<std::string>& arguments);
// A script time: a decimal integer of 32 bits, optionally signed, nothing else around it.
std::optional<std::int32_t> parseTime(std::string_view text);
// The text that --help prints.
std::string_view helpText();

}  // namespace CommandLine
