#include "app/input_device_sdl.h"

#include <cstddef>
#include <vector>

namespace {

// The devices' button bit of an SDL button (left 0, right 1, middle 2), 0 for the others.
uint32_t buttonBit(Uint8 button) {
  switch (button) {
    case SDL_BUTTON_LEFT:
      return 1u;
    case SDL_BUTTON_RIGHT:
      return 2u;
    case SDL_BUTTON_MIDDLE:
      return 4u;
    default:
      return 0u;
  }
}

// a + b wrapping at 2^32, as the device's 32-bit positions do (a signed overflow would be
// undefined).
int32_t wrappingAdd(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

int32_t wrappingSubtract(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}

// Button i := bit i of the mask (0 past the mask's bits).
void setButtons(uint32_t mask, std::vector<int32_t>& buttons) {
  for (std::size_t i = 0; i < buttons.size(); ++i)
    buttons[i] = i < 32 ? static_cast<int32_t>((mask >> i) & 1u) : 0;
}

}  // namespace

void MouseEventAccumulator::onEvent(const SDL_Event& event) {
  switch (event.type) {
    case SDL_MOUSEMOTION:
      m_reading.x = event.motion.x;
      m_reading.y = event.motion.y;
      m_reading.dx = wrappingAdd(m_reading.dx, event.motion.xrel);
      m_reading.dy = wrappingAdd(m_reading.dy, event.motion.yrel);
      break;
    case SDL_MOUSEWHEEL: {
      // A flipped wheel reports its notches negated; undone so "away from the user" stays +.
      const int32_t notches =
          event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -event.wheel.y : event.wheel.y;
      m_reading.wheel = wrappingAdd(m_reading.wheel, notches * kWheelNotch);
      break;
    }
    case SDL_MOUSEBUTTONDOWN:
      m_reading.buttons |= buttonBit(event.button.button);
      break;
    case SDL_MOUSEBUTTONUP:
      m_reading.buttons &= ~buttonBit(event.button.button);
      break;
    default:
      break;
  }
}

MouseReading MouseEventAccumulator::take() {
  const MouseReading reading = m_reading;
  m_reading.dx = 0;
  m_reading.dy = 0;
  m_reading.wheel = 0;
  return reading;
}

InputDeviceRelative::InputDeviceRelative(MouseEventAccumulator* pSource) : m_pSource(pSource) {
  setButtonCount(3);
  setAxisCount(3);
  if (m_pSource) m_pSource->take();
}

void InputDeviceRelative::poll() {
  apply(m_pSource ? m_pSource->take() : MouseReading{});
}

void InputDeviceRelative::apply(const MouseReading& reading) {
  setButtons(reading.buttons, m_button);
  if (getNbAxis() >= 2) {
    m_axis[0] = reading.dx;
    m_axis[1] = reading.dy;
    m_x = wrappingAdd(m_x, reading.dx);
    m_y = wrappingAdd(m_y, reading.dy);
  }
  if (getNbAxis() >= 3) {
    m_axis[2] = reading.wheel;
    m_z = wrappingAdd(m_z, reading.wheel);
  }
}

InputDeviceMouse::InputDeviceMouse(MouseEventAccumulator* pSource) : m_pSource(pSource) {
  setButtonCount(2);
  setAxisCount(2);
}

void InputDeviceMouse::poll() {
  // The position stays where it was when nothing reads the mouse.
  if (!m_pSource) {
    apply(MouseReading{m_x, m_y, 0, 0, 0, 0});
    return;
  }
  apply(m_pSource->take());
}

void InputDeviceMouse::apply(const MouseReading& reading) {
  if (getNbAxis() >= 2) {
    m_axis[0] = wrappingSubtract(reading.x, m_x);
    m_axis[1] = wrappingSubtract(reading.y, m_y);
  }
  m_x = reading.x;
  m_y = reading.y;
  m_z = 0;
  setButtons(reading.buttons, m_button);
}

std::unique_ptr<InputDevice> createInputDevice(SDL_Window* pWindow, MouseEventAccumulator& source,
                                               InputDeviceKind kind) {
  if (!pWindow) return nullptr;
  if (kind == InputDeviceKind::kMouse) return std::make_unique<InputDeviceMouse>(&source);
  return std::make_unique<InputDeviceRelative>(&source);
}
