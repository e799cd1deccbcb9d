#include "app/command_line.h"

#include <algorithm>
#include <charconv>

namespace {

constexpr std::string_view kHelp =
    R"(Usage:
  showplayer render SCRIPT --at MS [--at MS ...] --out PATH
  showplayer help | --help | -h

Commands:
  render  Loads the show SCRIPT (an .lscx file; the files it names are found from its own
          folder), renders the frame at each script time MS and writes the whole 512 x 384
          display as an 8-bit RGB PNG. The show draws into the 512 x 256 band that starts at
          row 64; its first row, last row and first column are cleared to black, and the rows
          above and below it stay black. As in the player, the display memory is kept from one
          frame to the next: a frame in which the show draws nothing shows the previous one.

          --at MS    script time in milliseconds, a whole number (negative allowed);
                     repeat it for several frames, rendered in the order given
          --out PATH with one --at, the PNG file to write; with several, a folder
                     (created when missing) that receives frame-MS.png for each time

  help    Shows this text.

The interactive player (window, music and keys) comes with the display work; it is not built
yet, so `showplayer` alone only shows this text.

Exit status: 0 when every frame was written; 1 when the script cannot be opened or a frame
cannot be written; 2 for a usage error. A show that asks to end (a fatal report) ends the
program with the code it asked for, after writing the frame in which it asked.
)";

bool isHelpWord(std::string_view word) {
  return word == "help" || word == "--help" || word == "-h";
}

ParsedCommand usageError(std::string message) {
  ParsedCommand out;
  out.kind = CommandKind::kUsageError;
  out.error = std::move(message);
  return out;
}

ParsedCommand parseRender(const std::vector<std::string>& arguments) {
  ParsedCommand out;
  out.kind = CommandKind::kRender;
  RenderRequest& request = out.render;
  bool hasScript = false;
  bool hasOut = false;
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (isHelpWord(argument) && argument != "help") {
      out.kind = CommandKind::kHelp;
      return out;
    }
    if (argument == "--at" || argument == "--out") {
      if (i + 1 >= arguments.size()) return usageError(argument + " needs a value");
      const std::string& value = arguments[++i];
      if (argument == "--out") {
        if (hasOut) return usageError("--out given twice");
        if (value.empty()) return usageError("--out needs a path");
        request.outPath = value;
        hasOut = true;
        continue;
      }
      const std::optional<std::int32_t> time = CommandLine::parseTime(value);
      if (!time) {
        return usageError("--at needs a whole number of milliseconds, not '" + value + "'");
      }
      if (std::find(request.times.begin(), request.times.end(), *time) != request.times.end()) {
        // Two frames of one time would go to the same file.
        return usageError("--at " + std::to_string(*time) + " given twice");
      }
      request.times.push_back(*time);
      continue;
    }
    if (argument.size() > 1 && argument[0] == '-') {
      return usageError("unknown option '" + argument + "'");
    }
    if (hasScript) return usageError("more than one script: '" + argument + "'");
    if (argument.empty()) return usageError("the script path is empty");
    request.scriptPath = argument;
    hasScript = true;
  }
  if (!hasScript) return usageError("render needs a script");
  if (request.times.empty()) return usageError("render needs at least one --at MS");
  if (!hasOut) return usageError("render needs --out PATH");
  return out;
}

}  // namespace

namespace CommandLine {

ParsedCommand parse(const std::vector<std::string>& arguments) {
  if (arguments.empty()) {
    ParsedCommand out;
    out.kind = CommandKind::kNoCommand;
    return out;
  }
  const std::string& command = arguments[0];
  if (isHelpWord(command)) {
    ParsedCommand out;
    out.kind = CommandKind::kHelp;
    return out;
  }
  if (command == "render") return parseRender(arguments);
  return usageError("unknown command '" + command + "'");
}

std::optional<std::int32_t> parseTime(std::string_view text) {
  // from_chars takes a minus sign but no plus sign.
  if (text.size() > 1 && text[0] == '+' && text[1] != '-') text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  std::int32_t value = 0;
  const char* const pEnd = text.data() + text.size();
  const auto [pStop, error] = std::from_chars(text.data(), pEnd, value);
  if (error != std::errc() || pStop != pEnd) return std::nullopt;
  return value;
}

std::string_view helpText() {
  return kHelp;
}

}  // namespace CommandLine
