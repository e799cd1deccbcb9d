// Every script of the fuzzing corpus loads and renders: the well-formed ones build their layers,
// the broken ones are reported, and none of them crashes or reads outside a buffer.

#include <filesystem>

#include "tests/script/engine_fixture.h"

namespace fs = std::filesystem;

TEST_F(EngineTest, EveryCorpusScriptLoadsAndRenders) {
  const fs::path corpus = fs::path(SHOWPLAYER_SOURCE_DIR) / "tests/fuzz/corpus/script";
  int nbScript = 0;
  for (const fs::directory_entry& entry : fs::directory_iterator(corpus)) {
    const std::string name = entry.path().filename().string();
    m_reports.clear();
    ScriptEngine engine(ScriptEngineServices{&m_ticks, {}});
    engine.load(StringC(entry.path().string().c_str()));
    // The frame has the size of the last screen layer, whose operations draw into it.
    const int nbLayer = engine.getScreenLayerCount();
    const CImage32* pLast = nbLayer > 0 ? engine.getScreenLayer(nbLayer - 1)->getBuffer() : nullptr;
    CImage32Buffered frame(pLast ? pLast->getWidth() : 512, pLast ? pLast->getHeight() : 256);
    frame.fill(0x01020304);
    for (std::int32_t time : {0, 500, 1500, 7000}) {
      engine.setFrameTime(time);
      engine.render(&frame);
    }
    if (name.rfind("ok-", 0) == 0) {
      EXPECT_GT(engine.getLayerManagerCount(), 0) << name;
      EXPECT_NE(frame.getPixels()[frame.getWidth() * frame.getHeight() / 2], 0x01020304u) << name;
    } else {
      EXPECT_FALSE(m_reports.reports().empty()) << name;
    }
    ++nbScript;
  }
  EXPECT_GE(nbScript, 8);
}
