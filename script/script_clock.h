#pragma once
// Where the script time comes from. With music it is the music's playing position; without
// music, the milliseconds since start() on a tick counter; an offline renderer sets the time of
// the frame it renders.

#include <cstdint>
#include <functional>
#include <memory>

#include "base/string_c.h"
#include "control/input_device.h"

// A millisecond tick counter (the system's by default; tests drive their own).
class TickSource {
 public:
  virtual ~TickSource() = default;
  virtual std::uint32_t getTicks() = 0;
};

// The steady clock of the machine, in milliseconds.
class SystemTickSource final : public TickSource {
 public:
  std::uint32_t getTicks() override;
};

// The music of a show as the engine sees it: the player's sound manager implements it.
class ScriptMusic {
 public:
  virtual ~ScriptMusic() = default;
  // Opens the file; a music that fails to load stays silent and its time is 0.
  virtual bool load(const StringC& file) = 0;
  virtual void setTime(std::int32_t ms) = 0;
  virtual void play() = 0;
  // Playing position in milliseconds.
  virtual std::int32_t getTime() = 0;
};

// What the engine is given by the program that runs it.
struct ScriptEngineServices {
  // Null: the system tick counter.
  TickSource* pTicks = nullptr;
  // Makes the music object when a script names music; without it the show runs on ticks.
  std::function<std::unique_ptr<ScriptMusic>()> createMusic;
  // Makes the live-input device the first time an input controller needs one; unset: input
  // controllers read -1.
  std::function<std::unique_ptr<InputDevice>()> createInputDevice = {};
};
