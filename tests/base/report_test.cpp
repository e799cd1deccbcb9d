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

// Reports keep caption, text and level; a fatal one requests quitting with code 1 (the first
// request wins); captures nest, each restoring the sink and the quit state it found.
TEST(Report, LevelsQuitRequestsAndNestedCaptures) {
  {
    ReportCapture outer;
    {
      ReportCapture inner;
      report("ScriptEngine :", "Can't find Mix: a");
      EXPECT_FALSE(quitRequested().has_value());
      report("CImage32Buffered", "dimensions must be greater than zero", ReportLevel::Fatal);
      EXPECT_EQ(quitRequested(), 1);
      requestQuit(7);
      EXPECT_EQ(quitRequested(), 1);
      EXPECT_EQ(inner.lines(), (std::vector<std::string>{
                                   "ScriptEngine :|Can't find Mix: a",
                                   "CImage32Buffered|dimensions must be greater than zero"}));
      ASSERT_EQ(inner.reports().size(), 2u);
      EXPECT_EQ(inner.reports()[0].level, ReportLevel::Warning);
      EXPECT_EQ(inner.reports()[1].level, ReportLevel::Fatal);
    }
    report("a", "outer");
    EXPECT_EQ(outer.texts(), std::vector<std::string>{"outer"});
  }
  EXPECT_FALSE(quitRequested().has_value());
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
