#include "app/command_line.h"

#include <algorithm>
#include <charconv>
#include <utility>

namespace {

constexpr std::string_view kHelp =
    R"(Usage:
  showplayer [play] [SCRIPT] [--windowed] [--start MS] [--no-audio]
  showplayer --dev [SCRIPT] [--windowed] [--start MS] [--no-audio] [--loop FROM:TO]
             [--sync [HOST:PORT]] [--sync-bpm N] [--sync-rows-per-beat N]
  showplayer render SCRIPT --at MS [--at MS ...] --out PATH
  showplayer render SCRIPT --out VIDEO|FOLDER/ [--fps N] [--from MS] [--to MS]
  showplayer help | --help | -h

Commands:
  play    Plays the show SCRIPT (an .lscx file; the files it names are found from its own
          folder) full screen, in step with its music. Without SCRIPT the first .lscx file of
          the current folder is played; without any, the screen stays black until a script is
          dropped on the window. Only the first word of SCRIPT is taken (blanks, commas and
          tabs end it).
          Keys: Escape ends, F12 switches between full screen and a window, I or F9 shows
          the frame rate and the script time. Dropping an .lscx file on the window plays it
          instead. The show ends by itself after 285000 ms.

          --windowed  start in a 512 x 384 window instead of full screen
          --start MS  begin at script time MS: the music seeks there
          --no-audio  play without sound; the music still sets the time, at real speed

          --dev       authoring mode, for writing a show: the show is reloaded at the
                      current time about 100 ms after the script or a file of its folder
                      (data/, data/lcx, ...) is saved; when the new version reports errors,
                      they are shown and the old version goes on playing. More keys:
                        Space              pause / resume (music and picture together)
                        Left / Right       back / forward 1 s (with Shift: 100 ms)
                        Page Up / Down     back / forward 10 s
                        . and ,            one frame (38 ms) forward / back, pausing first
                        L                  first mark, second mark (loop between them),
                                           then no loop
                        Home               to the start of the loop, or to 0
                        I or F9            the overlay below the show: frame rate, frame
                                           time, script time, loop, last reports
                        R                  start / stop a take: the mouse controllers that
                                           name a recording file record from now on; R
                                           again writes those files (then reloaded)
                      The show does not end by itself after 285000 ms.
          --loop FROM:TO  with --dev: loop script times FROM to TO (ms), starting at FROM
                      unless --start is given
          --sync [HOST:PORT]  with --dev: connect to a sync editor (GNU Rocket protocol) at
                      HOST:PORT (default localhost:1338). Each keyframe controller of
                      data/lcx/ is a track of the editor; its keys change the show at the next
                      frame, its cursor seeks and its pause pauses the show, its save (and
                      Escape) writes the edited controllers back to data/lcx/. Without an
                      editor the show plays on and the player tries again every 3 s.
          --sync-bpm N  with --sync: the tempo of the rows, 1 to 1000 beats a minute
                      (default 120)
          --sync-rows-per-beat N  with --sync: rows per beat, 1 to 256 (default 8)

  render  Loads the show SCRIPT and draws its frames without a window. Each frame is the
          whole 512 x 384 display; the show draws into the 512 x 256 band that starts at
          row 64, its first row, last row and first column cleared to black. As in the
          player, the display memory is kept from one frame to the next: a frame in which
          the show draws nothing shows the previous one.

          With --at, single frames as 8-bit RGB PNG files:
          --at MS    script time in milliseconds, a whole number (negative allowed);
                     repeat it for several frames, rendered in the order given
          --out PATH with one --at, the PNG file to write; with several, a folder
                     (created when missing) that receives frame-MS.png for each time

          Without --at, the show is exported: frame k is drawn at script time
          FROM + k * 1000 / N, for every such time below TO.
          --out VIDEO    a video file (H.264 in .mp4 when available, else MPEG-4), with
                         the show's music, cut to the same span, as its sound track
          --out FOLDER/  a folder (ending in '/') of numbered PNG files instead
          --fps N        frames per second, 1 to 240 (default 25)
          --from MS      first script time (default 0)
          --to MS        end of the span (default: 285000 or the end of the music,
                         whichever comes first)

  help    Shows this text.

Exit status: 0 on success; 1 when the script cannot be opened or the output cannot be
written; 2 for a usage error. A show that asks to end (a fatal report) ends the program with
the code it asked for.
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

// Walks the arguments after the command word: options with a value, flags and one script.
class ArgumentWalker {
 public:
  ArgumentWalker(const std::vector<std::string>& arguments, std::size_t first)
      : m_arguments(arguments), m_index(first) {}

  bool done() const { return m_index >= m_arguments.size(); }
  const std::string& next() { return m_arguments[m_index++]; }
  // The argument that comes next, without taking it; null when the line ends.
  const std::string* peek() const { return done() ? nullptr : &m_arguments[m_index]; }
  // The value of the option just read; nullopt when the line ends.
  std::optional<std::string> value() {
    if (done()) return std::nullopt;
    return next();
  }

 private:
  const std::vector<std::string>& m_arguments;
  std::size_t m_index;
};

bool looksLikeOption(const std::string& argument) {
  return argument.size() > 1 && argument[0] == '-';
}

// Reads a time option's value into `target`; an error message when it is not a time.
std::optional<std::string> readTime(ArgumentWalker& walker, const std::string& option,
                                    std::int32_t& target) {
  const std::optional<std::string> value = walker.value();
  if (!value) return option + " needs a value";
  const std::optional<std::int32_t> time = CommandLine::parseTime(*value);
  if (!time) return option + " needs a whole number of milliseconds, not '" + *value + "'";
  target = *time;
  return std::nullopt;
}

ParsedCommand parsePlay(const std::vector<std::string>& arguments, std::size_t first) {
  ParsedCommand out;
  out.kind = CommandKind::kPlay;
  PlayRequest& request = out.play;
  bool hasScript = false;
  bool hasSyncTiming = false;  // --sync-bpm or --sync-rows-per-beat given
  ArgumentWalker walker(arguments, first);
  while (!walker.done()) {
    const std::string& argument = walker.next();
    if (argument == "--help" || argument == "-h") {
      out.kind = CommandKind::kHelp;
      return out;
    }
    if (argument == "--windowed") {
      request.windowed = true;
    } else if (argument == "--no-audio") {
      request.audio = false;
    } else if (argument == "--dev") {
      request.dev = true;
    } else if (argument == "--loop") {
      const std::optional<std::string> value = walker.value();
      if (!value) return usageError("--loop needs a value");
      request.loop = CommandLine::parseLoop(*value);
      if (!request.loop) {
        return usageError("--loop needs FROM:TO in whole milliseconds with 0 <= FROM < TO, not '" +
                          *value + "'");
      }
    } else if (argument == "--sync") {
      request.sync = SyncAddress{};
      // The address is optional: the next argument is it only when it reads as one.
      const std::string* pNext = walker.peek();
      if (pNext && !looksLikeOption(*pNext)) {
        if (const auto address = CommandLine::parseSyncAddress(*pNext)) {
          request.sync = address;
          walker.next();
        } else if (pNext->find(':') != std::string::npos && !pNext->ends_with(".lscx")) {
          return usageError("--sync needs HOST:PORT with a port from 1 to 65535, not '" + *pNext +
                            "'");
        }
      }
    } else if (argument == "--sync-bpm") {
      const std::optional<std::string> value = walker.value();
      if (!value) return usageError("--sync-bpm needs a value");
      float bpm = 0.0f;
      const char* const pEnd = value->data() + value->size();
      const auto [pStop, error] = std::from_chars(value->data(), pEnd, bpm);
      if (value->empty() || error != std::errc() || pStop != pEnd || !(bpm >= 1.0f) ||
          bpm > 1000.0f) {
        return usageError("--sync-bpm needs a tempo from 1 to 1000, not '" + *value + "'");
      }
      request.syncBpm = bpm;
      hasSyncTiming = true;
    } else if (argument == "--sync-rows-per-beat") {
      const std::optional<std::string> value = walker.value();
      if (!value) return usageError("--sync-rows-per-beat needs a value");
      const std::optional<std::int32_t> rows = CommandLine::parseTime(*value);
      if (!rows || *rows < 1 || *rows > 256) {
        return usageError("--sync-rows-per-beat needs a whole number from 1 to 256, not '" +
                          *value + "'");
      }
      request.syncRowsPerBeat = *rows;
      hasSyncTiming = true;
    } else if (argument == "--start") {
      std::int32_t start = 0;
      if (const auto error = readTime(walker, argument, start)) return usageError(*error);
      request.start = start;
    } else if (looksLikeOption(argument)) {
      return usageError("unknown option '" + argument + "'");
    } else {
      if (hasScript) return usageError("more than one script: '" + argument + "'");
      request.scriptText = argument;
      hasScript = true;
    }
  }
  if (request.loop && !request.dev) return usageError("--loop needs --dev");
  if (request.sync && !request.dev) return usageError("--sync needs --dev");
  if (hasSyncTiming && !request.sync) {
    return usageError("--sync-bpm and --sync-rows-per-beat need --sync");
  }
  return out;
}

ParsedCommand parseRender(const std::vector<std::string>& arguments) {
  ParsedCommand out;
  out.kind = CommandKind::kRender;
  RenderRequest& request = out.render;
  bool hasScript = false;
  bool hasOut = false;
  bool hasSpan = false;  // --fps, --from or --to given
  ArgumentWalker walker(arguments, 1);
  while (!walker.done()) {
    const std::string& argument = walker.next();
    if (argument == "--help" || argument == "-h") {
      out.kind = CommandKind::kHelp;
      return out;
    }
    if (argument == "--out") {
      const std::optional<std::string> value = walker.value();
      if (!value) return usageError("--out needs a value");
      if (hasOut) return usageError("--out given twice");
      if (value->empty()) return usageError("--out needs a path");
      request.outPath = *value;
      hasOut = true;
    } else if (argument == "--at") {
      std::int32_t time = 0;
      if (const auto error = readTime(walker, argument, time)) return usageError(*error);
      if (std::find(request.times.begin(), request.times.end(), time) != request.times.end()) {
        // Two frames of one time would go to the same file.
        return usageError("--at " + std::to_string(time) + " given twice");
      }
      request.times.push_back(time);
    } else if (argument == "--from") {
      if (const auto error = readTime(walker, argument, request.from)) return usageError(*error);
      hasSpan = true;
    } else if (argument == "--to") {
      std::int32_t to = 0;
      if (const auto error = readTime(walker, argument, to)) return usageError(*error);
      request.to = to;
      hasSpan = true;
    } else if (argument == "--fps") {
      const std::optional<std::string> value = walker.value();
      if (!value) return usageError("--fps needs a value");
      const std::optional<std::int32_t> fps = CommandLine::parseTime(*value);
      if (!fps || *fps < 1 || *fps > 240) {
        return usageError("--fps needs a whole number from 1 to 240, not '" + *value + "'");
      }
      request.fps = *fps;
      hasSpan = true;
    } else if (looksLikeOption(argument)) {
      return usageError("unknown option '" + argument + "'");
    } else {
      if (hasScript) return usageError("more than one script: '" + argument + "'");
      if (argument.empty()) return usageError("the script path is empty");
      request.scriptPath = argument;
      hasScript = true;
    }
  }
  if (!hasScript) return usageError("render needs a script");
  if (!hasOut) return usageError("render needs --out PATH");
  if (!request.times.empty() && hasSpan) {
    return usageError("--at draws single frames; --fps, --from and --to are for an export");
  }
  if (request.to && *request.to <= request.from) {
    return usageError("--to must be later than --from");
  }
  return out;
}

}  // namespace

namespace CommandLine {

ParsedCommand parse(const std::vector<std::string>& arguments) {
  if (arguments.empty()) return parsePlay(arguments, 0);
  const std::string& command = arguments[0];
  if (isHelpWord(command)) {
    ParsedCommand out;
    out.kind = CommandKind::kHelp;
    return out;
  }
  if (command == "render") return parseRender(arguments);
  if (command == "play") return parsePlay(arguments, 1);
  // Anything else is the player's script or one of its options.
  return parsePlay(arguments, 0);
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

std::optional<LoopSpan> parseLoop(std::string_view text) {
  const std::size_t colon = text.find(':');
  if (colon == std::string_view::npos) return std::nullopt;
  const std::optional<std::int32_t> from = parseTime(text.substr(0, colon));
  const std::optional<std::int32_t> to = parseTime(text.substr(colon + 1));
  if (!from || !to || *from < 0 || *to <= *from) return std::nullopt;
  return LoopSpan{*from, *to};
}

std::optional<SyncAddress> parseSyncAddress(std::string_view text) {
  const std::size_t colon = text.rfind(':');
  if (colon == std::string_view::npos) return std::nullopt;
  std::string_view host = text.substr(0, colon);
  const std::string_view port = text.substr(colon + 1);
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']') {
    host = host.substr(1, host.size() - 2);
  }
  std::int32_t number = 0;
  const char* const pEnd = port.data() + port.size();
  const auto [pStop, error] = std::from_chars(port.data(), pEnd, number);
  if (host.empty() || port.empty() || error != std::errc() || pStop != pEnd || number < 1 ||
      number > 65535) {
    return std::nullopt;
  }
  return SyncAddress{std::string(host), static_cast<std::uint16_t>(number)};
}

std::string_view helpText() {
  return kHelp;
}

}  // namespace CommandLine
