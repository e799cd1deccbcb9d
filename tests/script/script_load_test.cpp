// Reading a script: sections in their fixed order, kept lines, limits and what is reported.

#include <algorithm>

#include "tests/script/engine_fixture.h"
#include "tests/support/controller_files.h"

TEST_F(EngineTest, ReadsAWholeScriptWithCommentsBlankLinesAndEitherLineEnd) {
  const std::string text =
      "A show for the tests.\n"
      "<MUSIC> tag lines may carry text\n"
      "file: NULL\n"
      "offset: 1500\n"
      "</MUSIC>\n"
      "anything between sections is skipped\n"
      "<LAYER_DIMENSION>\n"
      "// a comment line\n"
      "\n"
      "desc: screen 512 256\n"
      "Desc: ignored 1 1\n"
      "   desc:   small 16 8\n"
      "</LAYER_DIMENSION>\n" +
      scriptText({{"SCREEN_LAYER", {"desc: main screen"}}})
          .substr(scriptText({}).find("<CONTROLLER>"));
  std::string crlf;
  for (char c : text)
    crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  for (const std::string& script : {text, crlf}) {
    ScriptEngine& engine = load(script);
    EXPECT_TRUE(texts().empty());
    EXPECT_EQ(engine.getMusicOffset(), 1500);
    EXPECT_FALSE(engine.hasMusic());
    ASSERT_EQ(engine.layerDims().count(), 2);
    EXPECT_STREQ(engine.layerDims().at(0)->getName().getString(), "screen");
    EXPECT_EQ(engine.layerDims().at(1)->m_height, 8);
    ASSERT_EQ(engine.getScreenLayerCount(), 1);
    EXPECT_STREQ(engine.getScreenLayer(0)->getName().getString(), "main");
    EXPECT_EQ(engine.getScreenLayer(0)->getBuffer()->getWidth(), 512);
  }
}

TEST_F(EngineTest, AScriptThatCannotBeOpenedIsReportedOnceAndLeavesTheEngineEmpty) {
  m_pEngine = std::make_unique<ScriptEngine>(ScriptEngineServices{&m_ticks, {}});
  m_pEngine->load(StringC("missing.lscx"));
  EXPECT_EQ(m_reports.lines(), Lines{"ScriptEngine :|Can't open file : missing.lscx"});
  EXPECT_EQ(pixelAt(0, 0, 0x123456), 0x123456u);
  m_pEngine->setFrameTime(std::nullopt);
  m_pEngine->start();
  m_ticks.m_ticks += 250;
  EXPECT_EQ(m_pEngine->getTime(), 250);
}

TEST_F(EngineTest, FileNamesAreFoundInAnotherCase) {
  m_dir.write("sound/Tune.MOD", "not really a module");
  m_dir.write("Show.LSCX",
              scriptText({{"LAYER_DIMENSION", {"desc: a 2 2"}}}, "file: tune.mod\noffset: 2000\n"));
  ScriptEngine engine(ScriptEngineServices{&m_ticks, {}});
  engine.load(StringC("show.lscx"));
  EXPECT_TRUE(texts().empty());
  EXPECT_EQ(engine.layerDims().count(), 1);
  EXPECT_EQ(engine.getMusicOffset(), 2000);
  EXPECT_EQ(std::string(engine.getMusicFile().getString()),
            m_dir.path().string() + "/sound/Tune.MOD");
}

TEST_F(EngineTest, EverySectionHoldsOneLineLessThanItsLimit) {
  struct Limit {
    const char* section;
    int limit;
    const char* message;
    const char* keyword = "desc:";
  };
  const Limit limits[] = {{"LAYER_DIMENSION", 1000, "LAYER_DIM"},
                          {"IMAGE", 2000, "IMAGE", "file:"},
                          {"2D", 1000, "RES2D", "file:"},
                          {"3D", 1000, "RES3D", "file:"},
                          {"SKYBOX", 1000, "SKYBOX", "file:"},
                          {"SCREEN_LAYER", 2000, "SCREEN_LAYER"},
                          {"2D_DESC", 2000, "2D_DESC"},
                          {"3D_DESC", 2000, "3D_DESC"},
                          {"SKYBOX_DESC", 2000, "SKYBOX_DESC"},
                          {"SPE_LAYER", 2000, "SPE_LAYER"},
                          {"LAYER_DEPENDENCY", 2000, "LAYER_DEP"},
                          {"MIX", 2000, "MIX"},
                          {"EFFECT", 2000, "EFFECT"},
                          {"MIX_DESC", 2000, "MIX_DESC"},
                          {"EFFECT_DESC", 2000, "EFFECT_DESC"},
                          {"LAYER_MANAGER", 2000, "LAYER_OPERATION"}};
  for (const Limit& l : limits) {
    // At the limit the lines create nothing that would report on its own; one line fewer may.
    for (const int count : {l.limit - 1, l.limit}) {
      SCOPED_TRACE(std::string(l.section) + " " + std::to_string(count));
      m_reports.clear();
      loadSections(
          {{l.section, Lines(static_cast<std::size_t>(count), l.keyword + std::string(" x"))}});
      const Lines lines = m_reports.lines();
      const std::string limit = "ScriptEngine :|nb >= MAX_NB_" + std::string(l.message);
      if (count == l.limit) {
        EXPECT_EQ(lines, Lines{limit});
      } else {
        EXPECT_EQ(std::count(lines.begin(), lines.end(), limit), 0);
      }
    }
  }
  // 1999 controllers are all built; at the limit the whole section is dropped. The following
  // sections are read normally either way.
  ASSERT_TRUE(test_controllers::writeLecx("x.lecx", 1, {{"Red", "1"}}));
  for (const int count : {1999, 2000}) {
    m_reports.clear();
    ScriptEngine& engine =
        loadSections({{"CONTROLLER", Lines(static_cast<std::size_t>(count), "file: c x.lecx")},
                      {"MIX", {"desc: m BLIT"}}});
    EXPECT_EQ(m_reports.lines(),
              count == 2000 ? Lines{"ScriptEngine :|nb >= MAX_NB_CONTROLLER"} : Lines{});
    EXPECT_EQ(engine.controllers().count(), count == 2000 ? 0 : 1999);
    EXPECT_EQ(engine.mixes().count(), 1);
  }
}

TEST_F(EngineTest, SearchesThatFailAreReportedAndKeepWhatWasRead) {
  const std::string dims = scriptText({{"LAYER_DIMENSION", {"desc: a 2 2"}}});
  // SCREEN_LAYER before LAYER_DIMENSION: the search for <LAYER_DIMENSION> skips it, and every
  // later search then runs into the end of the file.
  std::string outOfOrder = dims;
  const std::string emptyScreen = "<SCREEN_LAYER>\n</SCREEN_LAYER>\n";
  outOfOrder.replace(outOfOrder.find(emptyScreen), emptyScreen.size(), "");
  outOfOrder.insert(outOfOrder.find("<LAYER_DIMENSION>"),
                    "<SCREEN_LAYER>\ndesc: s a\n</SCREEN_LAYER>\n");
  const std::string eof = "ScriptEngine :|end of file while searching ";
  const struct {
    std::string text;
    Lines reports;
    int nbDim;
  } cases[] = {
      {outOfOrder, {eof + "<SCREEN_LAYER>"}, 1},
      {"<MUSIC>\nfile: NULL\noffset: 0\n</MUSIC>\n<LAYER_DIMENSION>\ndesc: a 2 2\ndesc: b 2 2\n",
       {eof + "</LAYER_DIMENSION>"},
       2},
      // A line gives at most 511 characters; the rest of a longer one is the next line.
      {std::string(511, 'x') + dims, {}, 1},
      {std::string(510, 'x') + dims, {eof + "<MUSIC>"}, 0},
      // Lines 10001 to 10003 are blank, line 10004 holds <MUSIC>: four lines past the limit.
      {std::string(10003, '\n') + dims, Lines(4, "infinite loop|searchExpression"), 1},
  };
  for (const auto& c : cases) {
    m_reports.clear();
    ScriptEngine& engine = load(c.text);
    EXPECT_EQ(m_reports.lines(), c.reports);
    EXPECT_EQ(engine.layerDims().count(), c.nbDim);
    EXPECT_EQ(engine.getScreenLayerCount(), 0);
  }
  EXPECT_EQ(m_reports.reports()[0].level, ReportLevel::Plain);
}
