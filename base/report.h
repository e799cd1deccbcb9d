#pragma once
// The one place every report of the system goes through: a caption (usually the class that
// reports), a text and a level. Operations report and go on; a fatal report also asks the shell to
// end the program with an exit code. Set a breakpoint in report() to stop on every report.

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class ReportLevel {
  Plain,    // an information box without icon
  Warning,  // the exclamation icon: the operation gave up, the program goes on
  Fatal,    // the program is asked to quit with exit code 1 once the current frame is done
};

struct Report {
  std::string caption;
  std::string text;
  ReportLevel level = ReportLevel::Warning;
};

// Receives every report. The default sink writes "caption text" lines to stderr.
class ReportSink {
 public:
  virtual ~ReportSink() = default;
  virtual void onReport(const Report& report) = 0;
};

// Reports `text` under `caption`. A Fatal report also requests the quit with exit code 1.
void report(std::string_view caption, std::string_view text,
            ReportLevel level = ReportLevel::Warning);

// Installs `sink` (nullptr: the stderr sink) and returns the one that was installed before.
ReportSink* setReportSink(ReportSink* sink);

// The quit request left by fatal reports (or by the shell itself), read by the frame loop.
void requestQuit(int exitCode);
std::optional<int> quitRequested();
void clearQuitRequest();

// Writes "caption text" lines to a stdio stream. A run of identical reports (a broken operation
// reports at every frame) is written once, followed by a line that says how often it repeated.
class StreamReportSink final : public ReportSink {
 public:
  explicit StreamReportSink(std::FILE* stream);
  ~StreamReportSink() override;
  void onReport(const Report& report) override;
  void flush();

 private:
  std::FILE* m_stream;
  Report m_last;
  long m_nbRepeat = 0;
};

// Keeps the reports made during its lifetime and passes each one on to the sink that was installed
// before it (the stderr sink when none was): what one operation reported, without hiding it from
// anyone. Scoped: collectors and captures must end in the reverse order of their start.
class ReportCollector final : public ReportSink {
 public:
  ReportCollector();
  ~ReportCollector() override;
  ReportCollector(const ReportCollector&) = delete;
  ReportCollector& operator=(const ReportCollector&) = delete;

  void onReport(const Report& report) override;
  const std::vector<Report>& reports() const { return m_reports; }

 private:
  std::vector<Report> m_reports;
  ReportSink* m_pPrevious;
};

// Collects the reports made during its lifetime (tests assert on their exact texts), and clears
// the quit request on the way in and out so one test's fatal report does not leak into the next.
class ReportCapture final : public ReportSink {
 public:
  ReportCapture();
  ~ReportCapture() override;
  ReportCapture(const ReportCapture&) = delete;
  ReportCapture& operator=(const ReportCapture&) = delete;

  void onReport(const Report& report) override;
  const std::vector<Report>& reports() const { return m_reports; }
  // The texts alone, in order.
  std::vector<std::string> texts() const;
  // "caption|text" of each report, in order.
  std::vector<std::string> lines() const;
  void clear() { m_reports.clear(); }

 private:
  std::vector<Report> m_reports;
  ReportSink* m_pPrevious;
};
