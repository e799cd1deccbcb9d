#pragma once
// A one-line progress bar for long exports: frames done, speed and time left, redrawn in place
// on a terminal and silent anywhere else (a file, a pipe).

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

class ProgressBar {
 public:
  enum class Output { kWhenTerminal, kAlways, kNever };

  // `total` frames are expected; with kWhenTerminal the bar is drawn only when `pStream` is a
  // terminal.
  ProgressBar(std::int64_t total, std::FILE* pStream, Output output = Output::kWhenTerminal);
  ~ProgressBar();
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;

  bool isShown() const { return m_shown; }
  // `done` frames are finished. Redrawn at most ten times a second, and always at the last one.
  void update(std::int64_t done);
  // Ends the line of the bar (nothing when nothing was drawn); also done by the destructor.
  void finish();

  // The text of the bar after `done` of `total` frames in `seconds`:
  // "[#####.....]  done/total frames  F.F fps  M:SS left"; speed and time left read "--" until
  // a frame is done.
  static std::string format(std::int64_t done, std::int64_t total, double seconds);

 private:
  std::int64_t m_total;
  std::FILE* m_pStream;
  bool m_shown;
  bool m_drawn = false;
  std::size_t m_lastLength = 0;
  std::chrono::steady_clock::time_point m_start;
  std::chrono::steady_clock::time_point m_lastDraw;
};
