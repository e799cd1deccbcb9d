// Authoring mode: the show is reloaded at the current time once its files have settled; a
// script that reports keeps the old show on; bursts and atomic saves give one reload. The
// watcher runs on the test's ticks, so nothing here sleeps.

#include <gmock/gmock.h>

#include <filesystem>

#include "app/file_watcher.h"
#include "tests/app/dev_player_fixture.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {
const std::string kRed = "255 0 0";
const std::string kBlue = "0 0 255";
const std::string kGreen = "0 255 0";
}  // namespace

TEST(FileWatcher, AChangeIsAnnouncedOnceAfterItSettled) {
  TempFolder folder;
  const std::filesystem::path script = folder.write("show.lscx", "one");
  folder.write("data/lcx/a.lcx", "1");
  FileWatcher watcher;
  watcher.watch(script, 0);
  folder.write("data/lcx/a.lcx", "22");
  EXPECT_FALSE(watcher.poll(49));   // not looked at before 50 ms
  EXPECT_FALSE(watcher.poll(50));   // seen
  EXPECT_FALSE(watcher.poll(149));  // not settled
  EXPECT_TRUE(watcher.poll(150));
  EXPECT_FALSE(watcher.poll(400));
  folder.write("show.lscx", "two");  // same size, maybe the same time: the bytes tell
  folder.write(".show.lscx.swp", "x");
  folder.write("show.lscx~", "x");
  EXPECT_FALSE(watcher.poll(450));
  EXPECT_TRUE(watcher.poll(550));
  folder.write(".show.lscx.swp", "xy");  // an editor's swap file and backups do not count
  EXPECT_FALSE(watcher.poll(600));
  EXPECT_FALSE(watcher.poll(800));
}

TEST_F(DevPlayerTest, ASavedChangeIsShownAtTheSameTimePausedOrPlayingWithItsMusic) {
  test_music::writeWav(m_folder.file("song.wav"), 30000, 8000);
  open(twoColourShow(kRed, kBlue, 10000, "song.wav"));
  play(2000);
  press(SDLK_SPACE);
  save(twoColourShow(kGreen, kBlue, 10000, "song.wav"));
  play(40);
  EXPECT_EQ(at(200, 200), kDevRed);
  play(160);
  EXPECT_EQ(dev().getReloadCount(), 1);
  EXPECT_EQ(at(200, 200), kDevGreen);
  EXPECT_EQ(time(), 2000);
  EXPECT_TRUE(m_pSound->isPaused());
  press(SDLK_SPACE);
  save(twoColourShow(kRed, kGreen, 2100, "song.wav"));
  play(200);
  EXPECT_EQ(dev().getReloadCount(), 2);
  EXPECT_EQ(m_pSound->getTime(), 2200);
  EXPECT_FALSE(m_pSound->isPaused());
  EXPECT_EQ(at(200, 200), kDevGreen);
  EXPECT_THAT(m_capture.lines(), IsEmpty());
}

TEST_F(DevPlayerTest, AHalfWrittenScriptKeepsTheOldShowAndItsReportsAreShown) {
  const std::string good = twoColourShow(kGreen, kBlue);
  open(twoColourShow(kRed, kBlue));
  const ScriptEngine* pOld = m_pPlayer->getEngine();
  save(good.substr(0, good.size() / 2));
  play(200);
  EXPECT_EQ(dev().getReloadCount(), 1);
  EXPECT_EQ(m_pPlayer->getEngine(), pOld);
  ASSERT_FALSE(m_capture.reports().empty());
  const Report& first = m_capture.reports().front();
  const std::vector<std::string> lines = dev().overlayLines(0.0f, 0.0);
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[3], (first.caption + " " + first.text).substr(0, DevMode::kMaxLineLength));
  // The rest of the save arrives: the new show plays on, the reports are gone.
  save(good);
  play(200);
  EXPECT_EQ(dev().getReloadCount(), 2);
  EXPECT_EQ(at(200, 200), kDevGreen);
  EXPECT_EQ(time(), 400);
  EXPECT_EQ(dev().overlayLines(0.0f, 0.0).size(), 3u);
}

TEST_F(DevPlayerTest, ABurstOfAHundredWritesOrAnAtomicSaveGiveOneReload) {
  open(twoColourShow(kRed, kBlue));
  const std::string green = twoColourShow(kGreen, kBlue);
  for (std::size_t i = 0; i < 100; ++i) {
    save(i % 2 ? green : green.substr(0, i * 7));  // every other one half written
    play(10);
  }
  EXPECT_EQ(dev().getReloadCount(), 0);
  play(200);
  EXPECT_EQ(dev().getReloadCount(), 1);
  EXPECT_EQ(at(200, 200), kDevGreen);
  EXPECT_EQ(time(), 1200);
  // Deleted and created again at once, as most editors save.
  const std::filesystem::path script = m_folder.path() / "show.lscx";
  std::filesystem::remove(script);
  play(30);
  save(twoColourShow(kBlue, kRed));
  play(200);
  EXPECT_EQ(dev().getReloadCount(), 2);
  EXPECT_EQ(at(200, 200), kDevBlue);
  // Gone long enough to be reloaded: the show goes on and says why.
  const ScriptEngine* pShown = m_pPlayer->getEngine();
  std::filesystem::remove(script);
  play(200);
  EXPECT_EQ(dev().getReloadCount(), 3);
  EXPECT_EQ(m_pPlayer->getEngine(), pShown);
  EXPECT_THAT(m_capture.texts(), ElementsAre("Can't open file : show.lscx"));
}
