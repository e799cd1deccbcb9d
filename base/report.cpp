#include "base/report.h"

#include <cstdio>

namespace {

StreamReportSink& stderrSink() {
  static StreamReportSink sink(stderr);
  return sink;
}

ReportSink* g_pSink = nullptr;
std::optional<int> g_quitCode;

}  // namespace

void report(std::string_view caption, std::string_view text, ReportLevel level) {
  Report r{std::string(caption), std::string(text), level};
  if (level == ReportLevel::Fatal) requestQuit(1);
  (g_pSink ? *g_pSink : stderrSink()).onReport(r);
}

ReportSink* setReportSink(ReportSink* sink) {
  ReportSink* previous = g_pSink;
  if (!sink) stderrSink().flush();
  g_pSink = sink;
  return previous;
}

void requestQuit(int exitCode) {
  if (!g_quitCode) g_quitCode = exitCode;
}

std::optional<int> quitRequested() {
  return g_quitCode;
}

void clearQuitRequest() {
  g_quitCode.reset();
}

StreamReportSink::StreamReportSink(std::FILE* stream) : m_stream(stream) {}

StreamReportSink::~StreamReportSink() {
  flush();
}

void StreamReportSink::onReport(const Report& report) {
  if (m_nbRepeat > 0 && report.caption == m_last.caption && report.text == m_last.text &&
      report.level == m_last.level) {
    ++m_nbRepeat;
    return;
  }
  flush();
  std::fprintf(m_stream, "%s %s\n", report.caption.c_str(), report.text.c_str());
  std::fflush(m_stream);
  m_last = report;
  m_nbRepeat = 1;
}

void StreamReportSink::flush() {
  if (m_nbRepeat > 1) {
    if (m_nbRepeat == 2) {
      std::fprintf(m_stream, "(the report above was repeated once more)\n");
    } else {
      std::fprintf(m_stream, "(the report above was repeated %ld more times)\n", m_nbRepeat - 1);
    }
    std::fflush(m_stream);
  }
  m_nbRepeat = 0;
}

ReportCollector::ReportCollector() : m_pPrevious(setReportSink(this)) {}

ReportCollector::~ReportCollector() {
  setReportSink(m_pPrevious);
}

void ReportCollector::onReport(const Report& report) {
  m_reports.push_back(report);
  (m_pPrevious ? *m_pPrevious : stderrSink()).onReport(report);
}

ReportCapture::ReportCapture() : m_pPrevious(setReportSink(this)) {
  clearQuitRequest();
}

ReportCapture::~ReportCapture() {
  setReportSink(m_pPrevious);
  clearQuitRequest();
}

void ReportCapture::onReport(const Report& report) {
  m_reports.push_back(report);
}

std::vector<std::string> ReportCapture::texts() const {
  std::vector<std::string> out;
  for (const Report& r : m_reports)
    out.push_back(r.text);
  return out;
}

std::vector<std::string> ReportCapture::lines() const {
  std::vector<std::string> out;
  for (const Report& r : m_reports)
    out.push_back(r.caption + "|" + r.text);
  return out;
}
