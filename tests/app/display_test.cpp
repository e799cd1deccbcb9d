// The player's SDL devices without a window or sound: the display (text with the built-in font,
// failures of SDL), and the live-input devices fed with the mouse events the shell's loop sees
// (the relative device's accumulated motion, wheel and buttons and an input controller reading
// them, the cursor device's deltas).

#include "app/display.h"

#include <SDL.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <vector>

#include "app/input_device_sdl.h"
#include "base/report.h"
#include "control/lcx_controller_live.h"

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

namespace {

SDL_Event motion(Sint32 x, Sint32 y, Sint32 dx, Sint32 dy) {
  SDL_Event event{.type = SDL_MOUSEMOTION};
  event.motion.x = x, event.motion.y = y, event.motion.xrel = dx, event.motion.yrel = dy;
  return event;
}
SDL_Event wheel(Sint32 notches, bool flipped = false) {
  SDL_Event event{.type = SDL_MOUSEWHEEL};
  event.wheel.y = notches;
  event.wheel.direction = flipped ? SDL_MOUSEWHEEL_FLIPPED : SDL_MOUSEWHEEL_NORMAL;
  return event;
}
SDL_Event button(Uint8 which, bool down) {
  SDL_Event event{.type = down ? Uint32{SDL_MOUSEBUTTONDOWN} : Uint32{SDL_MOUSEBUTTONUP}};
  event.button.button = which;
  return event;
}

// Axes, position and buttons 0..2 after the events and a poll.
using Triple = std::array<int32_t, 3>;
std::array<Triple, 3> poll(MouseEventAccumulator& source, InputDevice& device,
                           const std::vector<SDL_Event>& events) {
  for (const SDL_Event& event : events)
    source.onEvent(event);
  device.poll();
  std::array<Triple, 3> out{};
  device.getPosition(out[1][0], out[1][1], out[1][2]);
  for (int i = 0; i < 3; ++i) {
    out[0][static_cast<std::size_t>(i)] = device.getAxis(i);
    out[2][static_cast<std::size_t>(i)] = device.getButton(i);
  }
  return out;
}

TEST(InputDeviceRelative, MotionAndWheelAccumulateButtonsHoldUntilReleased) {
  MouseEventAccumulator source;
  source.onEvent(motion(50, 50, 50, 50));  // from before the device: not the device's
  InputDeviceRelative device(&source);
  // Axes, position, buttons (left, right, middle); a flipped wheel's notches count the other way.
  EXPECT_EQ(
      poll(source, device,
           {motion(9, 9, 5, -3), motion(9, 9, 2, 1), wheel(1), button(SDL_BUTTON_LEFT, true)}),
      (std::array<Triple, 3>{{{7, -2, 120}, {7, -2, 120}, {1, 0, 0}}}));
  EXPECT_EQ(poll(source, device, {}),
            (std::array<Triple, 3>{{{0, 0, 0}, {7, -2, 120}, {1, 0, 0}}}));
  EXPECT_EQ(poll(source, device,
                 {button(SDL_BUTTON_RIGHT, true), button(SDL_BUTTON_MIDDLE, true),
                  button(SDL_BUTTON_LEFT, false), wheel(-2, true), motion(0, 0, -10, 0)}),
            (std::array<Triple, 3>{{{-10, 0, 240}, {-3, -2, 360}, {0, 1, 1}}}));
  // An input controller reads the position and the buttons as its channels 0..5.
  LCXControllerInput input;
  input.setInputDevice(&device);
  poll(source, device,
       {motion(0, 0, 4, -6), wheel(-1), button(SDL_BUTTON_LEFT, true),
        button(SDL_BUTTON_MIDDLE, false)});
  const float expected[] = {-3 + 4, -2 - 6, 360 - 120, 1, 1, 0};
  for (uint16_t channel = 0; channel < 6; ++channel) {
    input.setChannel(channel);
    input.setUpdate(1);
    EXPECT_EQ(input.getValue(0.0f), expected[channel]) << channel;
  }
}

TEST(InputDeviceMouse, TheAxesAreTheCursorsChangeSinceThePreviousPollNoWindowNoDevice) {
  MouseEventAccumulator source;
  EXPECT_EQ(createInputDevice(nullptr, source, InputDeviceKind::kRelative), nullptr);
  EXPECT_EQ(createInputDevice(nullptr, source, InputDeviceKind::kMouse), nullptr);
  InputDeviceMouse device(&source);
  EXPECT_EQ(poll(source, device, {motion(100, 50, 3, 3), wheel(4), button(SDL_BUTTON_RIGHT, true)}),
            (std::array<Triple, 3>{{{100, 50, 0}, {100, 50, 0}, {0, 1, 0}}}));
  EXPECT_EQ(poll(source, device, {motion(90, 60, -10, 10), button(SDL_BUTTON_LEFT, true)}),
            (std::array<Triple, 3>{{{-10, 10, 0}, {90, 60, 0}, {1, 1, 0}}}));
  EXPECT_EQ(poll(source, device, {})[0], (Triple{0, 0, 0}));
}

}  // namespace
