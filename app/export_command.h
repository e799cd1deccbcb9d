#pragma once
// `showplayer render SCRIPT --out VIDEO|FOLDER/`: exports a span of a show, frame after frame at
// exact script times, to a video file with the show's music as its sound track, or to a folder
// of numbered PNG files.

#include <cstdint>
#include <cstdio>
#include <string>

#include "app/command_line.h"

class OfflineRenderer;

class ExportCommand {
 public:
  // The default end of the span without music (the show ends after this time).
  static constexpr std::int32_t kShowEndMs = 285000;

  // Messages of the command and the progress bar go to `pErrors` (the bar only when it is a
  // terminal); the reports of the show go to the report sink.
  explicit ExportCommand(RenderRequest request, std::FILE* pErrors = stderr);
  // Returns the exit status.
  int run();

  // Script time of frame `index`: from + index * 1000 / fps, the division rounded down in 64
  // bits. Every time is a whole ms, and rounding never accumulates over a long export.
  static std::int64_t frameTime(std::int32_t from, std::int64_t index, std::int32_t fps);
  // How many frames have their time before `to`: ceil((to - from) * fps / 1000), 0 for an empty
  // span.
  static std::int64_t frameCount(std::int32_t from, std::int32_t to, std::int32_t fps);
  // The end of the whole show: kShowEndMs, or the end of the music when it comes first.
  // `musicLengthMs` < 0: no music, or its length is unknown.
  static std::int32_t defaultEnd(std::int64_t musicLengthMs);
  // The numbered file of frame `index` in the folder mode: FOLDER/frame-000042.png.
  static std::string numberedFramePath(const std::string& folder, std::int64_t index);
  // The temporary name a video is written under, in the same folder so that the final rename
  // does not cross file systems: FOLDER/.NAME.partial-PID.
  static std::string temporaryPath(const std::string& path);

 private:
  struct Music;
  struct Span {
    std::int32_t from = 0;
    std::int32_t to = 0;
    std::int64_t nbFrame = 0;
  };

  int exportVideo(OfflineRenderer& renderer, const Span& span, Music& music);
  int exportFrames(OfflineRenderer& renderer, const Span& span);
  void fail(const std::string& message) const;
  void warn(const std::string& message) const;

  RenderRequest m_request;
  std::FILE* m_pErrors;
};
