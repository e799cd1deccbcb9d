#include "base/report.h"

#include <gtest/gtest.h>

#include <string>

// Reports keep caption, text and level; a fatal one requests quitting with code 1 (the first
// request wins); captures nest, each restoring the sink and the quit state it found. How the
// program's own sink writes them (and collapses repeats) is checked on its stderr in the app tests.
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
