#pragma once
// What an input controller reads from a live device (the mouse): positions and button states,
// refreshed by one poll per frame. The platform layer implements it; the controllers never own it.

#include <cstdint>

class InputDevice {
 public:
  virtual ~InputDevice() = default;

  // Reads the device's state once; called by the owner at the start of each frame.
  virtual void poll() = 0;
  // 1 when button `index` is pressed, 0 when released or outside the device's buttons.
  virtual int32_t getButton(int32_t index) const = 0;
  // The accumulated positions (x, y and the wheel as z).
  virtual void getPosition(int32_t& x, int32_t& y, int32_t& z) const = 0;
};
