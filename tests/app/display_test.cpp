// The display: text with the built-in font, the frame memory, failures of SDL, and a frame of the
// real program reaching an X screen.

#include "app/display.h"

#include <SDL.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cstdlib>
#include <thread>

#include "base/report.h"
#include "tests/app/app_test_util.h"

using ::testing::ElementsAre;

namespace {

constexpr std::uint32_t kWhite = 0x00FFFFFFu;
constexpr std::uint32_t kGround = 0x00123456u;

// Runs SDL without a screen and without sound.
class DisplayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
  }

  // Opens a windowed 512 x 384 display and paints its memory kGround.
  void open() {
    ASSERT_TRUE(m_display.init("test", 512, 384, ScreenMode::kWindowed));
    std::uint32_t* pPixels = m_display.lock();
    ASSERT_NE(pPixels, Display::lockFailed());
    std::fill(pPixels, pPixels + 512 * 384, kGround);
  }
  std::uint32_t at(int x, int y) const { return m_display.getPixels()[y * 512 + x]; }

  // Checks the 8 x 8 cell at (x, y) against a picture: '#' white, '.' black.
  ::testing::AssertionResult cellIs(int x, int y, const std::vector<std::string>& picture) const {
    for (int row = 0; row < 8; ++row) {
      for (int column = 0; column < 8; ++column) {
        const char c = picture[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
        const std::uint32_t want = c == '#' ? kWhite : 0u;
        if (at(x + column, y + row) != want)
          return ::testing::AssertionFailure() << "pixel (" << x + column << ", " << y + row
                                               << ") is " << std::hex << at(x + column, y + row);
      }
    }
    return ::testing::AssertionSuccess();
  }

  ReportCapture m_capture;
  Display m_display;
};

const std::vector<std::string> kOne = {"..##....", ".###....", "..##....", "..##....",
                                       "..##....", "..##....", "######..", "........"};
const std::vector<std::string> kQuestion = {".####...", "##..##..", "....##..", "...##...",
                                            "..##....", "........", "..##....", "........"};

}  // namespace

// --- Text ---

TEST_F(DisplayTest, TextIsWhiteOnBlackCellsAtItsPlaceCutAtTheEdgesAndNothingElseChanges) {
  open();
  m_display.drawText("1\x7F\xC3", 10, 70);
  EXPECT_TRUE(cellIs(10, 70, kOne));
  // Characters without a glyph show a question mark.
  EXPECT_TRUE(cellIs(18, 70, kQuestion));
  EXPECT_TRUE(cellIs(26, 70, kQuestion));
  EXPECT_EQ(at(9, 70), kGround);
  EXPECT_EQ(at(34, 70), kGround);
  EXPECT_EQ(at(10, 69), kGround);
  EXPECT_EQ(at(33, 78), kGround);
  // Text running off the memory is cut at its edges.
  m_display.drawText("11", 506, 380);
  // The visible top-left of the first '1' (columns 506..511, rows 380..383).
  EXPECT_EQ(at(506, 380), 0u);
  EXPECT_EQ(at(508, 380), kWhite);
  EXPECT_EQ(at(507, 381), kWhite);
  EXPECT_EQ(at(505, 380), kGround);
  m_display.drawText("1111", INT_MIN, INT_MIN);
  m_display.drawText("1111", INT_MAX, 0);
  m_display.drawText("", 5, 5);
  EXPECT_EQ(at(5, 5), kGround);
  // Cells at -20, -12, -4 and 4: of the third only columns 0..3 show, black in its first row and
  // "##.." of "######.." in its seventh; the fourth is whole.
  m_display.drawText("1111", -20, 200);
  EXPECT_EQ(at(0, 200), 0u);
  EXPECT_EQ(at(0, 206), kWhite);
  EXPECT_EQ(at(1, 206), kWhite);
  EXPECT_EQ(at(2, 206), 0u);
  EXPECT_EQ(at(6, 200), kWhite);
  EXPECT_EQ(at(12, 200), kGround);
}

// --- Frame memory and window ---

TEST_F(DisplayTest, LockGivesTheFrameMemoryOnlyWhileOpen) {
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(m_display.lock()), ~std::uintptr_t{0});
  open();
  std::uint32_t* pPixels = m_display.lock();
  pPixels[64 * 512 + 3] = 0x00ABCDEFu;  // rows are 2048 bytes apart
  m_display.unlock();
  m_display.present();
  EXPECT_EQ(at(3, 64), 0x00ABCDEFu);
  m_display.release();
  EXPECT_EQ(m_display.lock(), Display::lockFailed());
  EXPECT_THAT(m_capture.lines(), ElementsAre());
}

TEST_F(DisplayTest, FullScreenTogglesBackAndForthToTheWindowAtItsPlace) {
  ASSERT_TRUE(m_display.init("test", 512, 384, ScreenMode::kFullScreen));
  SDL_Window* pWindow = m_display.getWindow();
  EXPECT_TRUE(SDL_GetWindowFlags(pWindow) & SDL_WINDOW_FULLSCREEN_DESKTOP);
  m_display.toggleFullScreen();
  EXPECT_FALSE(SDL_GetWindowFlags(pWindow) & SDL_WINDOW_FULLSCREEN);
  int x = 0, y = 0, w = 0, h = 0;
  SDL_GetWindowPosition(pWindow, &x, &y);
  SDL_GetWindowSize(pWindow, &w, &h);
  EXPECT_EQ(std::vector<int>({x, y, w, h}), std::vector<int>({100, 100, 512, 384}));
  m_display.toggleFullScreen();
  EXPECT_TRUE(SDL_GetWindowFlags(pWindow) & SDL_WINDOW_FULLSCREEN_DESKTOP);
  EXPECT_THAT(m_capture.lines(), ElementsAre());
}

// --- Failures ---

TEST_F(DisplayTest, FailuresAreReportedAndLeaveTheDisplayClosedButHarmless) {
  EXPECT_FALSE(m_display.init("test", 0, 384, ScreenMode::kWindowed));
  setenv("SDL_VIDEODRIVER", "no-such-driver", 1);
  EXPECT_FALSE(m_display.init("test", 512, 384, ScreenMode::kWindowed));
  EXPECT_THAT(m_capture.lines(), ElementsAre("directDrawError|Create BufferSurface",
                                             "directDrawError|DirectDrawCreateEx FAILED"));
  EXPECT_TRUE(m_display.hasFailed());
  EXPECT_EQ(m_display.lock(), Display::lockFailed());
  m_display.present();
  m_display.toggleFullScreen();
  m_display.restore();
  m_display.drawText("1", 0, 0);
  EXPECT_EQ(m_capture.lines().size(), 2u);
}

// --- The real program on an X screen ---

namespace {

// A screenshot in the X window dump format: a header of big-endian 32-bit fields, the window
// name, the colour map, then rows of packed pixels. Gives 0xRRGGBB per pixel.
struct XwdImage {
  int width = 0, height = 0, bytesPerPixel = 0;
  std::size_t bytesPerLine = 0;
  bool lsbFirst = true;
  std::uint32_t masks[3] = {};
  std::vector<std::uint8_t> pixels;

  std::uint32_t at(int x, int y) const {
    const std::size_t size = static_cast<std::size_t>(bytesPerPixel);
    const std::size_t i =
        static_cast<std::size_t>(y) * bytesPerLine + static_cast<std::size_t>(x) * size;
    std::uint32_t word = 0;
    for (std::size_t k = 0; k < size; ++k)
      word |= std::uint32_t{pixels[i + k]} << (8 * (lsbFirst ? k : size - 1 - k));
    std::uint32_t rgb = 0;
    for (const std::uint32_t mask : masks)
      rgb = rgb << 8 | (mask ? (word & mask) >> __builtin_ctz(mask) : 0u);
    return rgb;
  }
};

std::optional<XwdImage> readXwd(const std::string& path) {
  const std::string bytes = readFile(path);
  const std::vector<std::uint8_t> data(bytes.begin(), bytes.end());
  if (data.size() < 100) return std::nullopt;
  auto field = [&](std::size_t index) {
    const std::uint8_t* p = &data[index * 4];
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
  };
  XwdImage image;
  image.width = static_cast<int>(field(4));
  image.height = static_cast<int>(field(5));
  image.lsbFirst = field(7) == 0;
  image.bytesPerPixel = static_cast<int>(field(11) / 8);
  image.bytesPerLine = field(12);
  image.masks[0] = field(14), image.masks[1] = field(15), image.masks[2] = field(16);
  // Packed pixels (format 2) of 3 or 4 bytes, as a screen of depth 24 gives.
  const std::size_t start = std::size_t{field(0)} + std::size_t{field(19)} * 12;
  const std::size_t size = image.bytesPerLine * static_cast<std::size_t>(image.height);
  if (field(2) != 2 || image.bytesPerPixel < 3 || image.bytesPerPixel > 4 || image.width <= 0 ||
      image.bytesPerLine < static_cast<std::size_t>(image.width * image.bytesPerPixel) ||
      data.size() < start + size)
    return std::nullopt;
  image.pixels.assign(data.begin() + static_cast<std::ptrdiff_t>(start),
                      data.begin() + static_cast<std::ptrdiff_t>(start + size));
  return image;
}

// Pixels of the 512 x 384 window at (100, 100) that differ from the frame: the band's rows
// 1..254 and columns 1..511 blue; its first row, last row and first column cleared; the 64 rows
// above and below black.
long countWrongPixels(const XwdImage& image) {
  if (image.width < 612 || image.height < 484) return 512 * 384;
  long wrong = 0;
  for (int y = 0; y < 384; ++y) {
    for (int x = 0; x < 512; ++x) {
      const bool inBand = y >= 65 && y <= 318 && x >= 1;
      if (image.at(100 + x, 100 + y) != (inBand ? 0x0000FFu : 0u)) ++wrong;
    }
  }
  return wrong;
}

}  // namespace

TEST(DisplayOnXScreen, TheWindowedPlayerShowsTheBandBetweenBlackBars) {
  if (std::system("command -v xvfb-run >/dev/null && command -v xwd >/dev/null") != 0)
    GTEST_SKIP() << "xvfb-run or xwd is not installed (tools/install-deps.sh installs them)";
  TempFolder folder;
  writeTextFile(folder.path() / "show.lscx",
                scriptText({{"LAYER_DIMENSION", {"desc: frame 512 256"}},
                            {"SCREEN_LAYER", {"desc: screen frame"}},
                            {"LAYER_MANAGER", {"desc: screen 1 0 300000 c 0 0 255"}}}));
  // On a fresh X server the player runs while the screen is dumped every 0.2 s (shot-N.xwd,
  // each complete once it has its name) until this test leaves a "stop" file or 10 s have
  // passed; then SIGTERM ends the player, whose exit status is kept. Leak checking is off in the
  // player alone: the X libraries SDL loads keep allocations to the end, some in modules
  // unloaded before the check can name them.
  const std::string dir = folder.str();
  const std::string command =
      "xvfb-run -a -s '-screen 0 1024x768x24 -nolisten tcp' sh -c '"
      "ASAN_OPTIONS=\"$ASAN_OPTIONS:detect_leaks=0\" SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy "
      "\"$0\" --windowed --no-audio \"$1/show.lscx\" & p=$!; "
      "for i in $(seq 50); do sleep 0.2; [ -e \"$1/stop\" ] && break; "
      "xwd -root -silent -out \"$1/tmp.xwd\" && mv \"$1/tmp.xwd\" \"$1/shot-$i.xwd\"; done; "
      "kill -TERM $p; wait $p; echo $? > \"$1/status\"' " SHOWPLAYER_BINARY_DIR "/showplayer '" +
      dir + "' >/dev/null 2>&1";
  int result = -1;
  std::thread server([&] { result = std::system(command.c_str()); });
  // The first dump that shows the whole frame; a slow build takes a few seconds to get there.
  long wrong = -1;
  for (int i = 1; i <= 50 && wrong != 0; ++i) {
    const std::string shot = dir + "/shot-" + std::to_string(i) + ".xwd";
    waitUntil(
        [&] { return std::filesystem::exists(shot) || std::filesystem::exists(dir + "/status"); },
        std::chrono::seconds(5));
    if (const std::optional<XwdImage> image = readXwd(shot)) wrong = countWrongPixels(*image);
  }
  writeTextFile(folder.path() / "stop", "");
  server.join();
  ASSERT_EQ(result, 0) << command;
  EXPECT_EQ(wrong, 0) << "wrong pixels in the last dump (-1: no dump could be read)";
  EXPECT_EQ(readFile(folder.path() / "status"), "0\n") << "SIGTERM is a clean end";
}
