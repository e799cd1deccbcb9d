// The display: text with the built-in font, the frame memory and failures of SDL.

#include "app/display.h"

#include <SDL.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>

#include "base/report.h"

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

TEST_F(DisplayTest, TextIsWhiteOnBlackCellsAtItsPlaceCutAtTheEdgesAndNothingElseChanges) {
  open();
  m_display.drawText("1\x7F\xC3", 10, 70);
  EXPECT_TRUE(cellIs(10, 70, kOne));
  // Characters without a glyph show a question mark.
  EXPECT_TRUE(cellIs(18, 70, kQuestion));
  EXPECT_TRUE(cellIs(26, 70, kQuestion));
  EXPECT_EQ(at(34, 70), kGround);
  EXPECT_EQ(at(10, 69), kGround);
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
