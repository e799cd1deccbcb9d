#pragma once
// Loads script texts into engines with their reports captured, in a scratch folder, and renders
// their frames.

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/report.h"
#include "script/script_engine.h"
#include "tests/base/chunk_bytes.h"
#include "tests/support/script_text.h"
#include "tests/support/temp_dir.h"

using Lines = std::vector<std::string>;
using Sections = std::map<std::string, Lines>;

// A tick counter the test moves by hand.
class ManualTicks final : public TickSource {
 public:
  std::uint32_t getTicks() override { return m_ticks; }
  std::uint32_t m_ticks = 1000;
};

// A show on layer dimension d (4 x 2 unless given), whose last screen layer is the frame.
inline Sections show(Sections sections, Lines operations, Lines layers = {"desc: screen d"}) {
  if (!sections.count("LAYER_DIMENSION")) sections["LAYER_DIMENSION"] = {"desc: d 4 2"};
  if (!sections.count("SCREEN_LAYER")) sections["SCREEN_LAYER"] = std::move(layers);
  sections["LAYER_MANAGER"] = std::move(operations);
  return sections;
}

// A scene file (.l3x) with one camera named "cam", 90 frames long, without depth buffer.
inline std::string sceneFileText() {
  using namespace chunk_bytes;
  const Bytes head = chunk(1, {chunk(1, {stringField("cam")})});
  const Bytes file = plainFile(chunk(53454, {chunk(50, {le(90, 2)}), chunk(500, {intField(0)}),
                                             chunk(120, {le(1, 2), chunk(121, {head})})}));
  return std::string(file.begin(), file.end());
}

// A 2D scene file (.s2d) with one camera and nothing to draw, 30 frames long.
inline std::string scene2DFileText() {
  using namespace chunk_bytes;
  const Bytes file = plainFile(
      chunk(0x2D2D, {le(30, 2), le(0, 2), le(1, 2), le(0, 2), chunk(10, {}), chunk(11, {})}));
  return std::string(file.begin(), file.end());
}

class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override { m_dir.enter(); }

  // Writes `text` as `name` and loads it; reports of the load land in m_reports.
  ScriptEngine& load(const std::string& text, ScriptEngineServices services = {},
                     const char* name = "show.lscx") {
    m_dir.write(name, text);
    services.pTicks = &m_ticks;
    m_pEngine = std::make_unique<ScriptEngine>(std::move(services));
    m_pEngine->load(StringC(name));
    return *m_pEngine;
  }
  ScriptEngine& loadSections(const Sections& sections) { return load(scriptText(sections)); }

  // The frame at `time`, filled with `fill` first; its pixel at `index`.
  std::uint32_t pixelAt(std::int32_t time, int index = 0, std::uint32_t fill = 0) {
    m_frame.fill(fill);
    m_pEngine->setFrameTime(time);
    m_pEngine->render(&m_frame);
    return m_frame.getPixels()[index];
  }

  std::vector<std::string> texts() const { return m_reports.texts(); }

  TempDir m_dir;
  ManualTicks m_ticks;
  ReportCapture m_reports;
  std::unique_ptr<ScriptEngine> m_pEngine;
  CImage32Buffered m_frame{4, 2};
};
