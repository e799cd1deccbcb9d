#pragma once
// Loads script texts into engines with their reports captured, in a scratch folder.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "base/report.h"
#include "script/script_engine.h"
#include "tests/support/script_text.h"
#include "tests/support/temp_dir.h"

// A tick counter the test moves by hand.
class ManualTicks final : public TickSource {
 public:
  std::uint32_t getTicks() override { return m_ticks; }
  std::uint32_t m_ticks = 1000;
};

class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override { m_dir.enter(); }

  // Writes `text` as show.lscx and loads it; reports of the load land in m_reports.
  ScriptEngine& load(const std::string& text, const char* name = "show.lscx") {
    m_dir.write(name, text);
    m_pEngine = std::make_unique<ScriptEngine>(ScriptEngineServices{&m_ticks, {}});
    m_pEngine->load(StringC(name));
    return *m_pEngine;
  }

  ScriptEngine& loadSections(const std::map<std::string, std::vector<std::string>>& sections) {
    return load(scriptText(sections));
  }

  std::vector<std::string> texts() const { return m_reports.texts(); }

  TempDir m_dir;
  ManualTicks m_ticks;
  ReportCapture m_reports;
  std::unique_ptr<ScriptEngine> m_pEngine;
};
