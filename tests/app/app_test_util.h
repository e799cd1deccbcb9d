#pragma once
// The harness of the app tests: temporary folders, shows written from text, the built showplayer
// run (waited for, or left running to be signalled), and its frames read back and checked.

#include <gtest/gtest.h>
#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "script/script_clock.h"
#include "tests/support/script_text.h"
#include "tests/support/temp_dir.h"

// A fresh temporary folder, removed with everything in it at the end; file(name) is path() / name.
class TempFolder : public TempDir {
 public:
  std::string file(const std::string& name) const { return (path() / name).string(); }
};

// Writes `text` to `path` as it is (no line-end translation), creating the folders on the way.
void writeTextFile(const std::filesystem::path& path, const std::string& text);
// The whole file (empty when it cannot be read); the names in `folder`.
std::string readFile(const std::filesystem::path& path);
std::set<std::string> filesIn(const std::filesystem::path& folder);
// Polls `done` every 10 ms for at most `limit`; true once it held.
bool waitUntil(const std::function<bool()>& done,
               std::chrono::milliseconds limit = std::chrono::seconds(60));

inline const std::string kNoMusic = "file: NULL\noffset: 0\n";
// A show on the 512 x 256 frame layer "screen" running the LAYER_MANAGER `lines`.
std::string frameShow(const std::vector<std::string>& lines, const std::string& music = kNoMusic);
// The band red from 0 to 1000 ms, then blue until `blueEnd`.
std::string redThenBlue(int blueEnd = 2000, const std::string& music = kNoMusic);
// From 150 ms a 256 x 128 layer is written into the frame over a blue fill: a fatal size
// mismatch of the blit.
std::string fatalAt150Show();

// Ticks the test moves by hand.
class ManualTicks final : public TickSource {
 public:
  explicit ManualTicks(std::uint32_t start) : now(start) {}
  std::uint32_t getTicks() override { return now; }
  std::uint32_t now;
};

// What one run of the program left.
struct ProgramRun {
  int exitCode = -1;  // the status it exited with; -1 when a signal killed it
  int killedBy = 0;   // the signal that killed it
  std::string out;
  std::string err;
};

// The built showplayer started with `arguments` in `workingFolder`, stdin empty, its streams kept.
// Killed at the end of its scope unless waited for.
class ShowPlayerProcess {
 public:
  ShowPlayerProcess(const std::vector<std::string>& arguments,
                    const std::filesystem::path& workingFolder);
  ~ShowPlayerProcess();
  ShowPlayerProcess(const ShowPlayerProcess&) = delete;
  ShowPlayerProcess& operator=(const ShowPlayerProcess&) = delete;

  pid_t pid() const { return m_pid; }
  // Waits at most `limit`; a program still running then is killed and the test fails.
  ProgramRun wait(std::chrono::milliseconds limit = std::chrono::seconds(240));

 private:
  TempFolder m_streams;  // stdout and stderr go here, not into the working folder
  pid_t m_pid = -1;
};

inline ProgramRun runShowPlayer(const std::vector<std::string>& arguments,
                                const std::filesystem::path& workingFolder) {
  return ShowPlayerProcess(arguments, workingFolder).wait();
}
// `showplayer render SCRIPT --at T ... --out frames` in `workingFolder`: frames/frame-T.png.
inline ProgramRun renderFrames(const std::string& script, const std::vector<int>& times,
                               const std::filesystem::path& workingFolder) {
  std::vector<std::string> arguments{"render", script};
  for (int time : times)
    arguments.insert(arguments.end(), {"--at", std::to_string(time)});
  arguments.insert(arguments.end(), {"--out", "frames"});
  return runShowPlayer(arguments, workingFolder);
}

// A decoded PNG file or display: R, G, B bytes row after row; fileFormat is libpng's simplified
// format of the file as stored (PNG_FORMAT_RGB for 8-bit RGB).
struct RgbImage {
  int width = 0, height = 0;
  std::uint32_t fileFormat = 0;
  std::vector<std::uint8_t> bytes;

  std::uint32_t at(int x, int y) const;  // 0xRRGGBB
};

// Nothing when the file is missing or not a PNG.
std::optional<RgbImage> readPng(const std::string& path);
// The low three bytes of each of the `width` x `height` pixels, row after row.
RgbImage rgbOf(const std::uint32_t* pPixels, int width, int height);

// 0xRRGGBB of pixel (x, y) of the 512 x 256 layer shown in the band.
using Picture = std::function<std::uint32_t(int x, int y)>;
// Checks a 512 x 384 display: the band's inside (layer rows 1..254, columns 1..511, as its first
// row, last row and first column are cleared) shows `expected`; everything else is black.
// Reports the number of wrong pixels and the first one.
::testing::AssertionResult showsLayer(const RgbImage& image, const Picture& expected);
inline ::testing::AssertionResult isBandOf(const RgbImage& image, std::uint32_t color) {
  return showsLayer(image, [color](int, int) { return color; });
}
// Compares the PNG `rendered` with tests/app/golden/`name`; SHOWPLAYER_UPDATE_GOLDEN=1 rewrites
// the golden picture from it first (look at it before keeping it).
::testing::AssertionResult matchesGolden(const std::string& rendered, const std::string& name);

// A rendered frame whose 512 x 256 band holds a 3D layer; at(x, y) reads the band (the band starts
// at row 64 of the 512 x 384 frame).
struct SceneBand {
  RgbImage frame;
  std::uint32_t at(int x, int y) const { return frame.at(x, 64 + y); }
};
// Writes `sceneText` as data/scene.l3x in `folder` and a show that clears a 512 x 256 band to
// `clear` ("r g b") and draws the scene there, renders it with `showplayer render --at atMs`
// and compares the frame with the golden picture `golden`. Nothing (after a failed check) when
// the program fails or writes no picture.
std::optional<SceneBand> renderSceneBand(const TempFolder& folder, const std::string& sceneText,
                                         int atMs, const std::string& golden,
                                         const std::string& clear = "0 0 0");
