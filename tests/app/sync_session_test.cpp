// A show in authoring mode connected to a fake sync editor: its keyframe controllers (and the
// new names of its formulas) offered as tracks, keys that take effect at the next frame, the four
// interpolation kinds saved and loaded back, the editor's cursor and pause moving the show, the
// row reported while it plays, saving (edited files only, never half written), Escape, and bad
// input that drops the connection and writes nothing.

#include "app/sync_session.h"

#include <SDL.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>

#include "app/script_player.h"
#include "app/sound_manager.h"
#include "base/report.h"
#include "control/lcx_controller_manager.h"
#include "tests/app/app_test_util.h"
#include "tests/app/sync_fake_editor.h"
#include "tests/support/controller_files.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

// A keyframe controller through linear keys, as data/lcx/NAME.lcx in `folder`.
bool writeKeyFramer(const TempFolder& folder, const std::string& name,
                    const std::vector<std::pair<float, float>>& keys) {
  std::filesystem::create_directories(folder.path() / "data/lcx");
  return test_controllers::writeKeyframer(folder.file("data/lcx/" + name + ".lcx"), keys);
}

// The value of the .lcx file at `path` at `ms`, read by the ordinary loader.
std::optional<float> fileValue(const std::string& path, float ms) {
  LCXControllerManager manager;
  if (!manager.load(StringC(path)) || !manager.getController()) return std::nullopt;
  manager.getController()->setUpdate(1);
  return manager.getController()->getValue(ms);
}

class SyncSessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    // fade: 0 at 0 ms to 1 at 1000 ms; other: 5 throughout. The band's red is the formula
    // label "level" (no .lcx file: a new track), its green "fade".
    ASSERT_TRUE(writeKeyFramer(m_folder, "fade", {{0.0f, 0.0f}, {1000.0f, 1.0f}}));
    ASSERT_TRUE(writeKeyFramer(m_folder, "other", {{0.0f, 5.0f}, {1000.0f, 5.0f}}));
    ASSERT_TRUE(test_controllers::writeLecx(m_folder.file("col.lecx"), 1,
                                            {{"Red", "level"}, {"Green", "fade"}}));
    writeTextFile(
        m_folder.path() / "show.lscx",
        scriptText({{"LAYER_DIMENSION", {"desc: frame 512 256"}},
                    {"CONTROLLER", {"file: c col.lecx"}},
                    {"EFFECT", {"desc: col COLOR"}},
                    {"EFFECT_DESC", {"desc: tint col c ADD 0 0 0"}},
                    {"SCREEN_LAYER", {"desc: screen frame"}},
                    {"LAYER_MANAGER",
                     {"desc: screen 1 0 100000 c 0 0 0", "desc: screen 2 0 100000 e tint"}}}));
    m_fadeFile = readFile(m_folder.path() / "data/lcx/fade.lcx");
    m_otherFile = readFile(m_folder.path() / "data/lcx/other.lcx");

    PlayerOptions options;
    options.screenMode = ScreenMode::kWindowed;
    options.pTicks = &m_ticks;
    options.minFramePeriod = std::chrono::nanoseconds(0);
    options.dev = true;
    options.createMusic = [this]() -> std::unique_ptr<ScriptMusic> {
      return std::make_unique<SoundManager>(SoundOptions{false, &m_ticks});
    };
    SyncOptions sync;
    sync.address = {"127.0.0.1", m_editor.port()};
    options.sync = sync;
    m_pPlayer = std::make_unique<ScriptPlayer>(options);
    ASSERT_TRUE(m_pPlayer->init());
    m_pPlayer->chooseScript(m_folder.file("show.lscx"));
    ASSERT_NE(m_pPlayer->getEngine(), nullptr);
    // The show's own report of the name without a file.
    ASSERT_THAT(m_capture.texts(), ElementsAre("cant find LCX controller: level"));
    m_capture.clear();
    ASSERT_TRUE(m_editor.handshake(stepper()));
    // The tracks are asked for in the session's order.
    for (int i = 0; i < 3; ++i) {
      const std::optional<PlayerMessage> message = m_editor.receiveMessage(stepper());
      ASSERT_TRUE(message && message->kind == PlayerMessage::Kind::kGetTrack);
      m_asked.push_back(message->name);
    }
  }

  SyncSession& session() const { return *m_pPlayer->getSyncSession(); }
  // One frame without moving the clock.
  void frame() { ASSERT_TRUE(m_pPlayer->runFrames(1)); }
  FakeEditor::Step stepper() {
    return [this] { frame(); };
  }
  // The editor's index of a track.
  std::uint32_t track(const std::string& name) const {
    const auto it = std::find(m_asked.begin(), m_asked.end(), name);
    return static_cast<std::uint32_t>(it - m_asked.begin());
  }
  // Sends, then runs a few frames 1 ms apart in real time (the loopback interface delivers
  // within them); the show's clock does not move.
  void editorSends(const Bytes& bytes, int nbFrame = 3) {
    ASSERT_TRUE(m_editor.send(bytes));
    for (int i = 0; i < nbFrame; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      frame();
    }
  }
  float valueOf(const std::string& name, float ms) {
    LCXController* pController =
        m_pPlayer->getEngine()->getControllerManager().findLCXController(name);
    if (!pController) {
      for (int i = 0; i < session().getTrackCount(); ++i) {
        if (session().getTrackName(i) == name) pController = session().getController(i);
      }
    }
    pController->setUpdate(1);
    return pController->getValue(ms);
  }
  std::uint32_t at(int x, int y) const {
    return m_pPlayer->getDisplay().getPixels()[y * 512 + x] & 0xFFFFFFu;
  }
  bool partFilesLeft() const {
    for (const std::string& name : filesIn(m_folder.path() / "data/lcx")) {
      if (name.ends_with(".part")) return true;
    }
    return false;
  }

  ReportCapture m_capture;
  TempFolder m_folder;
  ManualTicks m_ticks{1000};
  FakeEditor m_editor;
  std::unique_ptr<ScriptPlayer> m_pPlayer;
  std::vector<std::string> m_asked;
  std::string m_fadeFile;
  std::string m_otherFile;
};

}  // namespace

TEST_F(SyncSessionTest, TracksAreTheKeyframeControllersThenNewNamesAndAnEditTakesEffectNextFrame) {
  // The files' controllers in the show's order, then the formula's name without a file.
  ASSERT_EQ(session().getTrackCount(), 3);
  EXPECT_EQ(m_asked[2], "level");
  EXPECT_EQ((std::set<std::string>{m_asked[0], m_asked[1]}),
            (std::set<std::string>{"fade", "other"}));
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(session().getTrackName(i), m_asked[static_cast<std::size_t>(i)]);
  EXPECT_THAT(m_capture.texts(), ElementsAre(HasSubstr("connected to the sync editor at")));
  // Unedited, every controller plays its file's curve; the new one reads 0: no red.
  EXPECT_FLOAT_EQ(valueOf("fade", 250.0f), 0.25f);
  EXPECT_FLOAT_EQ(valueOf("other", 250.0f), 5.0f);
  frame();
  EXPECT_EQ(at(100, 200) >> 16, 0u);
  // level := 0.2 from row 0 (red 0.2 x 255 = 51); fade := 1 everywhere (green 255).
  ASSERT_TRUE(m_editor.send(EditorMessage::setKey(track("level"), 0, 0.2f, 0)));
  ASSERT_TRUE(m_editor.send(EditorMessage::setKey(track("fade"), 0, 1.0f, 0)));
  for (int i = 0; i < 200 && at(100, 200) != 0x33FF00u; ++i)
    frame();
  EXPECT_EQ(at(100, 200), 0x33FF00u);
  // The first key replaced fade's whole curve: 1 at 0 ms, not the file's 0.
  EXPECT_EQ(valueOf("fade", 0.0f), 1.0f);
  // A deleted key: fade has no key left and reads 0.
  editorSends(EditorMessage::deleteKey(track("fade"), 0));
  EXPECT_EQ(valueOf("fade", 0.0f), 0.0f);
  EXPECT_EQ(at(100, 200), 0x330000u);
}

TEST_F(SyncSessionTest, TheFourKindsAreSavedAndLoadBackWithTheSameValues) {
  // Rows of 62.5 ms (120 beats a minute, 8 rows a beat):
  //   row 0 (0 ms) 0 linear, row 8 (500 ms) 1 smooth, row 16 (1000 ms) 3 ramp,
  //   row 24 (1500 ms) -1 step, row 32 (2000 ms) 2.
  Bytes keys;
  for (const Bytes& key :
       {EditorMessage::setKey(track("fade"), 0, 0.0f, 1),
        EditorMessage::setKey(track("fade"), 8, 1.0f, 2),
        EditorMessage::setKey(track("fade"), 16, 3.0f, 3),
        EditorMessage::setKey(track("fade"), 24, -1.0f, 0),
        EditorMessage::setKey(track("fade"), 32, 2.0f, 0), EditorMessage::saveTracks()})
    keys.insert(keys.end(), key.begin(), key.end());
  // A reader that opened the file before the save keeps reading the old file whole: the new
  // one is written beside it and renamed over it (a new inode), never rewritten in place.
  const std::string fadePath = m_folder.file("data/lcx/fade.lcx");
  struct stat before {};
  ASSERT_EQ(::stat(fadePath.c_str(), &before), 0);
  std::ifstream oldReader(fadePath, std::ios::binary);
  editorSends(keys);
  struct stat after {};
  ASSERT_EQ(::stat(fadePath.c_str(), &after), 0);
  EXPECT_NE(before.st_ino, after.st_ino);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(oldReader), {}), m_fadeFile);
  EXPECT_THAT(m_capture.texts().back(), HasSubstr("saved 1 edited track(s) to "));
  EXPECT_FALSE(partFilesLeft());
  // The untouched controller keeps its file byte for byte; the new track has no key: no file.
  EXPECT_EQ(readFile(m_folder.path() / "data/lcx/other.lcx"), m_otherFile);
  EXPECT_NE(readFile(m_folder.path() / "data/lcx/fade.lcx"), m_fadeFile);
  EXPECT_EQ(filesIn(m_folder.path() / "data/lcx"),
            (std::set<std::string>{"fade.lcx", "other.lcx"}));
  // By hand: linear t; smooth 1 + 2 (3t^2 - 2t^3); ramp 3 - 4 t^2; step -1; 2 after the last.
  struct Point {
    float ms;
    float value;
  };
  const Point points[] = {{-100.0f, 0.0f},  {125.0f, 0.25f},  {625.0f, 1.3125f}, {750.0f, 2.0f},
                          {1125.0f, 2.75f}, {1375.0f, 0.75f}, {1999.0f, -1.0f},  {9000.0f, 2.0f}};
  for (const Point& point : points) {
    const std::optional<float> loaded = fileValue(fadePath, point.ms);
    ASSERT_TRUE(loaded) << point.ms;
    // Float rounding of the curve's evaluation only.
    EXPECT_NEAR(*loaded, point.value, 1e-5f * std::max(1.0f, std::fabs(point.value))) << point.ms;
    EXPECT_NEAR(valueOf("fade", point.ms), point.value,
                1e-5f * std::max(1.0f, std::fabs(point.value)))
        << point.ms;
  }
}

TEST_F(SyncSessionTest, TheEditorsCursorSeeksItsPausePausesAndThePlayingShowReportsItsRow) {
  editorSends(EditorMessage::pause(1));
  EXPECT_TRUE(m_pPlayer->isPaused());
  editorSends(EditorMessage::setRow(16));
  EXPECT_EQ(m_pPlayer->getTime(), 1000);  // 16 x 62.5 ms
  editorSends(EditorMessage::setRow(3));
  EXPECT_EQ(m_pPlayer->getTime(), 188);  // 187.5 ms: the row's first whole millisecond
  // Paused: the clock moves, the show does not, nothing is reported.
  m_ticks.now += 500;
  frame();
  EXPECT_EQ(m_pPlayer->getTime(), 188);
  editorSends(EditorMessage::pause(0));
  EXPECT_FALSE(m_pPlayer->isPaused());
  // Playing: 188 + 100 ms is row 4 (250 ms), reported once.
  m_ticks.now += 100;
  frame();
  frame();
  // What the player sent since the tracks: the row it played at when connected, then row 4;
  // the editor's own seeks are not echoed, nothing came while paused.
  for (const std::uint32_t expected : {0u, 4u}) {
    const std::optional<PlayerMessage> row = m_editor.receiveMessage(stepper());
    ASSERT_TRUE(row);
    EXPECT_EQ(row->kind, PlayerMessage::Kind::kSetRow);
    EXPECT_EQ(row->row, expected);
  }
}

TEST_F(SyncSessionTest, EscapeSavesTheEditedTracksAndANewTrackBecomesItsOwnFile) {
  editorSends(EditorMessage::setKey(track("level"), 0, 0.5f, 0));
  SDL_Event escape{.type = SDL_KEYDOWN};
  escape.key.keysym.sym = SDLK_ESCAPE;
  m_pPlayer->handleEvent(escape);
  EXPECT_TRUE(m_pPlayer->hasEnded());
  EXPECT_EQ(fileValue(m_folder.file("data/lcx/level.lcx"), 300.0f), 0.5f);
  EXPECT_EQ(readFile(m_folder.path() / "data/lcx/fade.lcx"), m_fadeFile);
  EXPECT_EQ(readFile(m_folder.path() / "data/lcx/other.lcx"), m_otherFile);
  EXPECT_FALSE(partFilesLeft());
}

// The decoder's refusals are checked on the client; this one is the session's own.
TEST_F(SyncSessionTest, BadInputDropsTheConnectionTheShowPlaysOnAndNothingIsWritten) {
  m_capture.clear();
  // The bad message, then a save that must not come through.
  Bytes bytes = EditorMessage::deleteKey(70000, 0);
  bytes.push_back(5);
  editorSends(bytes);
  EXPECT_FALSE(session().getClient().isConnected());
  EXPECT_THAT(m_capture.texts(),
              ElementsAre("sync editor connection dropped: the editor named track 70000, which "
                          "was never asked for (3 tracks); the show plays on with the edited "
                          "values, trying again every 3 s"));
  EXPECT_FALSE(session().hasUnsavedEdits());
  EXPECT_EQ(filesIn(m_folder.path() / "data/lcx"),
            (std::set<std::string>{"fade.lcx", "other.lcx"}));
  const std::int32_t before = m_pPlayer->getTime();
  m_ticks.now += 100;
  frame();
  EXPECT_EQ(m_pPlayer->getTime(), before + 100);
}

TEST_F(SyncSessionTest, EditsSurviveALostEditorAndAReloadOfTheShow) {
  // level saved: it has a file now, and the reload (which refuses a show that reports) loads it.
  editorSends(EditorMessage::setKey(track("level"), 0, 0.5f, 0));
  editorSends(EditorMessage::saveTracks());
  editorSends(EditorMessage::setKey(track("fade"), 0, 7.0f, 0));
  m_editor.closeConnection();
  for (int i = 0; i < 50 && session().getClient().isConnected(); ++i)
    frame();
  EXPECT_FALSE(session().getClient().isConnected());
  EXPECT_EQ(valueOf("fade", 100.0f), 7.0f);
  // A reload makes new controllers from the files: the edit shapes them again.
  ASSERT_TRUE(m_pPlayer->reloadScript());
  ASSERT_NE(m_pPlayer->getEngine()->getControllerManager().findLCXController("level"), nullptr);
  EXPECT_EQ(valueOf("level", 100.0f), 0.5f);
  EXPECT_EQ(valueOf("fade", 100.0f), 7.0f);
  EXPECT_EQ(valueOf("other", 100.0f), 5.0f);
  EXPECT_TRUE(session().hasUnsavedEdits());
}

TEST_F(SyncSessionTest, AnotherShowSavesTheOldEditsInItsOwnFolderAndStartsOver) {
  editorSends(EditorMessage::setKey(track("other"), 0, 9.0f, 0));
  TempFolder second;
  ASSERT_TRUE(writeKeyFramer(second, "spin", {{0.0f, 1.0f}}));
  writeTextFile(second.path() / "b.lscx", frameShow({"screen 1 0 100000 c 0 0 255"}));
  ASSERT_TRUE(m_pPlayer->loadScript(StringC(second.file("b.lscx"))));
  EXPECT_EQ(fileValue(m_folder.file("data/lcx/other.lcx"), 0.0f), 9.0f);
  EXPECT_EQ(filesIn(second.path() / "data/lcx"), (std::set<std::string>{"spin.lcx"}));
  EXPECT_FALSE(session().getClient().isConnected());
  EXPECT_THAT(m_capture.texts().back(), HasSubstr("dropped: another show was loaded"));
  ASSERT_EQ(session().getTrackCount(), 1);
  EXPECT_EQ(session().getTrackName(0), "spin");
  // Tried again after 3 s: the new show's one track is asked for.
  m_ticks.now += 3000;
  ASSERT_TRUE(m_editor.handshake(stepper()));
  const std::optional<PlayerMessage> message = m_editor.receiveMessage(stepper());
  ASSERT_TRUE(message);
  EXPECT_EQ(message->name, "spin");
}
