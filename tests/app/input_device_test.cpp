// The player's live-input devices fed with the mouse events the shell's loop sees, without a
// window: the relative device's accumulated motion, wheel and buttons and an input controller
// reading them, the cursor device's deltas.

#include "app/input_device_sdl.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "control/lcx_controller_live.h"

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

using Triple = std::array<int32_t, 3>;
Triple positionOf(const InputDevice& device) {
  Triple p{};
  device.getPosition(p[0], p[1], p[2]);
  return p;
}
Triple axesOf(const InputDevice& device) {
  return {device.getAxis(0), device.getAxis(1), device.getAxis(2)};
}
Triple buttonsOf(const InputDevice& device) {
  return {device.getButton(0), device.getButton(1), device.getButton(2)};
}

TEST(InputDeviceRelative, MotionAndWheelAccumulateButtonsHoldUntilReleased) {
  struct Poll {
    std::vector<SDL_Event> events;
    Triple axes, position, buttons;
  };
  const Poll polls[] = {
      {{motion(9, 9, 5, -3), motion(9, 9, 2, 1), wheel(1), button(SDL_BUTTON_LEFT, true)},
       {7, -2, 120},
       {7, -2, 120},
       {1, 0, 0}},
      {{}, {0, 0, 0}, {7, -2, 120}, {1, 0, 0}},
      // Buttons are left, right, middle; a flipped wheel's notches count the other way.
      {{button(SDL_BUTTON_RIGHT, true), button(SDL_BUTTON_MIDDLE, true),
        button(SDL_BUTTON_LEFT, false), wheel(-2, true), motion(0, 0, -10, 0)},
       {-10, 0, 240},
       {-3, -2, 360},
       {0, 1, 1}},
  };
  MouseEventAccumulator source;
  // Motion from before the device is not the device's.
  source.onEvent(motion(50, 50, 50, 50));
  InputDeviceRelative device(&source);
  EXPECT_EQ((Triple{device.getNbButton(), device.getNbAxis(), device.getButton(3)}),
            (Triple{3, 3, 0}));
  int index = 0;
  for (const Poll& poll : polls) {
    for (const SDL_Event& event : poll.events)
      source.onEvent(event);
    device.poll();
    EXPECT_EQ(axesOf(device), poll.axes) << index;
    EXPECT_EQ(positionOf(device), poll.position) << index;
    EXPECT_EQ(buttonsOf(device), poll.buttons) << index++;
  }
  // A count of 0 or less keeps the arrays; another count makes them again, released.
  device.setButtonCount(0);
  device.setAxisCount(-1);
  EXPECT_EQ((std::array{device.getNbButton(), device.getNbAxis(), device.getButton(-1)}),
            (Triple{3, 3, 0}));
  device.setButtonCount(5);
  EXPECT_EQ((std::array{device.getNbButton(), device.getButton(1), device.getButton(4)}),
            (Triple{5, 0, 0}));
  device.apply({.buttons = 0x12});
  EXPECT_EQ((std::array{device.getButton(1), device.getButton(4), device.getButton(5)}),
            (Triple{1, 1, 0}));
}

TEST(InputDeviceRelative, AnInputControllerReadsItsChannels) {
  MouseEventAccumulator source;
  InputDeviceRelative device(&source);
  LCXControllerInput input;
  input.setInputDevice(&device);
  for (const SDL_Event& event : {motion(0, 0, 4, -6), wheel(-1), button(SDL_BUTTON_MIDDLE, true)})
    source.onEvent(event);
  device.poll();
  const float expected[] = {4, -6, -120, 0, 0, 1};  // x, y, z, buttons 0, 1, 2
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
  EXPECT_EQ((std::array{device.getNbButton(), device.getNbAxis()}), (std::array{2, 2}));
  source.onEvent(motion(100, 50, 3, 3));
  source.onEvent(wheel(4));
  source.onEvent(button(SDL_BUTTON_RIGHT, true));
  device.poll();
  EXPECT_EQ(axesOf(device), (Triple{100, 50, 0}));
  EXPECT_EQ(positionOf(device), (Triple{100, 50, 0}));
  EXPECT_EQ(buttonsOf(device), (Triple{0, 1, 0}));
  source.onEvent(motion(90, 60, -10, 10));
  source.onEvent(button(SDL_BUTTON_LEFT, true));
  device.poll();
  EXPECT_EQ(axesOf(device), (Triple{-10, 10, 0}));
  EXPECT_EQ(positionOf(device), (Triple{90, 60, 0}));
  EXPECT_EQ(buttonsOf(device), (Triple{1, 1, 0}));
  device.poll();
  EXPECT_EQ(axesOf(device), (Triple{0, 0, 0}));
}

}  // namespace
