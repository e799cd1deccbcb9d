#include "base/report.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

std::string readAll(std::FILE* file) {
  std::rewind(file);
  std::string out;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, file))
    out += buffer;
  return out;
}

}  // namespace

TEST(Report, CaptureReceivesCaptionTextAndLevel) {
  ReportCapture capture;
  report("ScriptEngine :", "Can't find Mix: a");
  report("CImage32Buffered", "dimensions must be greater than zero", ReportLevel::Fatal);
  ASSERT_EQ(capture.reports().size(), 2u);
  EXPECT_EQ(capture.reports()[0].level, ReportLevel::Warning);
  EXPECT_EQ(capture.reports()[1].level, ReportLevel::Fatal);
  EXPECT_EQ(capture.lines()[0], "ScriptEngine :|Can't find Mix: a");
  EXPECT_EQ(capture.texts()[1], "dimensions must be greater than zero");
}

TEST(Report, FatalRequestsQuitWithCodeOneAndCaptureClearsIt) {
  {
    ReportCapture capture;
    EXPECT_FALSE(quitRequested().has_value());
    report("x", "warning only");
    EXPECT_FALSE(quitRequested().has_value());
    report("x", "fatal", ReportLevel::Fatal);
    ASSERT_TRUE(quitRequested().has_value());
    EXPECT_EQ(*quitRequested(), 1);
    // The first request wins.
    requestQuit(7);
    EXPECT_EQ(*quitRequested(), 1);
  }
  EXPECT_FALSE(quitRequested().has_value());
}

TEST(Report, CapturesNestAndRestoreThePreviousSink) {
  ReportCapture outer;
  {
    ReportCapture inner;
    report("a", "inner");
    EXPECT_EQ(inner.texts().size(), 1u);
  }
  report("a", "outer");
  ASSERT_EQ(outer.texts().size(), 1u);
  EXPECT_EQ(outer.texts()[0], "outer");
}

TEST(StreamReportSink, WritesCaptionSpaceTextAndCollapsesRepeats) {
  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  {
    StreamReportSink sink(file);
    ReportSink* previous = setReportSink(&sink);
    report("ScriptLayerOperationWrite :", "m_pRenderData NULL");
    report("ScriptLayerOperationWrite :", "m_pRenderData NULL");
    report("ScriptLayerOperationWrite :", "m_pRenderData NULL");
    report("StringC", "making NULL copy");
    report("StringC", "making NULL copy");
    setReportSink(previous);
  }
  EXPECT_EQ(readAll(file),
            "ScriptLayerOperationWrite : m_pRenderData NULL\n"
            "(the report above was repeated 2 more times)\n"
            "StringC making NULL copy\n"
            "(the report above was repeated once more)\n");
  std::fclose(file);
}
