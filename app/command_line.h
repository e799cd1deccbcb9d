#pragma once
// The command line of showplayer: which command to run and with what.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/sync_client.h"

// What `showplayer render` is asked for: single frames (`times` given) or a video export.
struct RenderRequest {
  std::string scriptPath;
  // Script times in ms, in the order given (--at). Empty: export the span below.
  std::vector<std::int32_t> times;
  // Frames: the PNG file for one time, the folder of frame-<MS>.png files for several.
  // Export: a video file (.mp4, .mkv, ...), or a folder when it ends with '/' (numbered PNGs).
  std::string outPath;
  // Export only: frames per second, and the span [from, to) in script ms. Unset `to`: the
  // whole show (to its end time or the end of the music, whichever is first).
  std::int32_t fps = 25;
  std::int32_t from = 0;
  std::optional<std::int32_t> to;
};

// A section of a show played over and over: script times [from, to), 0 <= from < to.
struct LoopSpan {
  std::int32_t from = 0;
  std::int32_t to = 0;
  bool operator==(const LoopSpan&) const = default;
};

// What `showplayer [play] [SCRIPT]` is asked for.
struct PlayRequest {
  // The command-line text of the script; empty: the first .lscx of the current folder.
  std::string scriptText;
  bool windowed = false;
  // Begin at this script time (the music seeks there).
  std::optional<std::int32_t> start;
  bool audio = true;
  // Authoring mode (--dev): transport keys, reload on save, the information overlay.
  bool dev = false;
  // --dev only: the loop set from the start (--loop FROM:TO).
  std::optional<LoopSpan> loop;
  // --dev only: the sync editor to connect to (--sync [HOST:PORT]), and the tempo and rows per
  // beat that map its rows to show time (--sync-bpm, --sync-rows-per-beat).
  std::optional<SyncAddress> sync;
  float syncBpm = 120.0f;
  std::int32_t syncRowsPerBeat = 8;
};

enum class CommandKind {
  kHelp,        // help, --help or -h: the help on stdout, success
  kPlay,        // play, a script alone, or nothing at all: see PlayRequest
  kRender,      // render: see RenderRequest
  kUsageError,  // anything else: ParsedCommand::error says what is wrong
};

struct ParsedCommand {
  CommandKind kind = CommandKind::kUsageError;
  RenderRequest render;
  PlayRequest play;
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
// A loop: "FROM:TO", two script times with 0 <= FROM < TO.
std::optional<LoopSpan> parseLoop(std::string_view text);
// A sync editor's address: "HOST:PORT" (an IPv6 host in brackets), PORT 1 to 65535.
std::optional<SyncAddress> parseSyncAddress(std::string_view text);
// The text that --help prints.
std::string_view helpText();

}  // namespace CommandLine
