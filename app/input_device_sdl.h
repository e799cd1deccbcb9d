#pragma once
// The live-input devices of the player: the mouse as the shell's SDL event loop sees it. The
// shell hands every event to a MouseEventAccumulator; a device's poll takes what was accumulated
// since the previous poll and does its arithmetic on that reading, so the arithmetic runs without
// a window (tests feed events or readings).
//   InputDeviceRelative: relative motion and wheel accumulated into x, y, z; 3 buttons, 3 axes.
//   InputDeviceMouse: the cursor position in the window; 2 buttons, 2 axes, z = 0.

#include <SDL_events.h>

#include <cstdint>
#include <memory>

#include "control/input_device.h"

struct SDL_Window;

// One poll's raw reading. Buttons in the devices' order: bit 0 left, bit 1 right, bit 2 middle.
struct MouseReading {
  int32_t x = 0;  // cursor position in the window's frame pixels
  int32_t y = 0;
  int32_t dx = 0;  // motion since the previous reading
  int32_t dy = 0;
  int32_t wheel = 0;
  uint32_t buttons = 0;
};

// Collects the mouse events of the shell's loop between two polls.
class MouseEventAccumulator {
 public:
  // One wheel notch moves z by this much, the step of the system wheel message, so shows made
  // for a mouse whose z counted that way keep their scale.
  static constexpr int32_t kWheelNotch = 120;

  // Motion, wheel and button events change the reading; others are ignored.
  void onEvent(const SDL_Event& event);
  // The reading since the last take; motion and wheel start again from 0, the position and the
  // buttons stay.
  MouseReading take();

 private:
  MouseReading m_reading;
};

class InputDeviceRelative final : public InputDevice {
 public:
  // Reads from `pSource` (not owned, outliving the device; null: never moves). What the source
  // holds from before the device is dropped.
  explicit InputDeviceRelative(MouseEventAccumulator* pSource);
  void poll() override;
  // The per-poll step: buttons from the reading; axes 0, 1 := dx, dy added to x, y; axis 2 :=
  // wheel added to z (with that many axes). Positions are not clamped; they wrap at 2^32.
  void apply(const MouseReading& reading);

 private:
  MouseEventAccumulator* m_pSource;
};

class InputDeviceMouse final : public InputDevice {
 public:
  explicit InputDeviceMouse(MouseEventAccumulator* pSource);
  void poll() override;
  // The per-poll step: axes 0, 1 := the change of the cursor position since the previous poll;
  // x, y := the position; z := 0; buttons 0, 1 := left, right.
  void apply(const MouseReading& reading);

 private:
  MouseEventAccumulator* m_pSource;
};

enum class InputDeviceKind {
  kRelative,  // what the show's engine asks for
  kMouse,
};

// The device of `kind` reading `source`; null without a window.
std::unique_ptr<InputDevice> createInputDevice(SDL_Window* pWindow, MouseEventAccumulator& source,
                                               InputDeviceKind kind);
