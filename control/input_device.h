#pragma once
// What an input controller reads from a live device (the mouse): button states, the motion of the
// last poll per axis and the accumulated positions, refreshed by one poll per frame. The platform
// layer derives the devices and fills these fields in poll; the controllers never own a device.

#include <cstddef>
#include <cstdint>
#include <vector>

class InputDevice {
 public:
  InputDevice() = default;
  virtual ~InputDevice() = default;
  InputDevice(const InputDevice&) = delete;
  InputDevice& operator=(const InputDevice&) = delete;

  // Reads the device's state once; called by the owner at the start of each frame.
  virtual void poll() = 0;

  // 1 when button `index` is pressed, 0 when released or outside the device's buttons.
  int32_t getButton(int32_t index) const {
    return index >= 0 && index < getNbButton() ? m_button[static_cast<std::size_t>(index)] : 0;
  }
  // The motion of the last poll along axis `index`; 0 outside the device's axes.
  int32_t getAxis(int32_t index) const {
    return index >= 0 && index < getNbAxis() ? m_axis[static_cast<std::size_t>(index)] : 0;
  }
  // The positions (x, y and the wheel as z).
  void getPosition(int32_t& x, int32_t& y, int32_t& z) const {
    x = m_x;
    y = m_y;
    z = m_z;
  }
  int32_t getNbButton() const { return static_cast<int32_t>(m_button.size()); }
  int32_t getNbAxis() const { return static_cast<int32_t>(m_axis.size()); }
  // Both make the arrays again, released / without motion; a count of 0 or less does nothing.
  void setButtonCount(int32_t count) {
    if (count > 0) m_button.assign(static_cast<std::size_t>(count), 0);
  }
  void setAxisCount(int32_t count) {
    if (count > 0) m_axis.assign(static_cast<std::size_t>(count), 0);
  }

 protected:
  std::vector<int32_t> m_button;
  std::vector<int32_t> m_axis;
  int32_t m_x = 0;
  int32_t m_y = 0;
  int32_t m_z = 0;
};
