#pragma once
// Shared by the fuzz targets: reports are expected by the thousand and mean nothing here.

#include "base/report.h"

class DiscardReports final : public ReportSink {
 public:
  void onReport(const Report&) override {}
};

// Sends every report of this process to nowhere.
inline void discardReports() {
  static DiscardReports sink;
  setReportSink(&sink);
}
