#pragma once
// Shared by the control tests: chunk bytes loaded into a controller manager with the reports
// captured, a keyframer to work on, an input device and a folder listing.

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "base/report.h"
#include "base/string_c.h"
#include "control/input_device.h"
#include "control/lcx_controller.h"
#include "control/lcx_controller_keyframer.h"
#include "tests/base/chunk_bytes.h"

namespace control_test {

using namespace chunk_bytes;
using Lines = std::vector<std::string>;
// Single-precision formulas evaluated in another order than by hand.
constexpr float kTolerance = 1e-5f;

// A manager loaded from `bytes` named "test.file"; the reports of the load are left in `capture`.
template <class Manager>
Manager loadBytes(const Bytes& bytes, ReportCapture& capture) {
  capture.clear();
  Manager manager;
  manager.load(bytes, StringC("test.file"));
  return manager;
}

// Beats 0 and 1000 and a linear track from (0, 0) to (500, 10).
inline void makeRampKeyFramer(LCXControllerKeyFramer& keyFramer) {
  const LCXPointList beats = {{0, 0}, {1000, 0}};
  const LCXPointList keys = {{0, 0}, {500, 10}};
  keyFramer.createBeatPosition(&beats);
  keyFramer.createInterpolationModelLinear(&keys);
}

// A device whose fields the test sets, as a poll would: x 7, y -3, z 2, buttons 1 0 1.
class FakeDevice final : public InputDevice {
 public:
  FakeDevice() {
    setButtonCount(3);
    m_button = {1, 0, 1};
    m_x = 7, m_y = -3, m_z = 2;
  }
  void poll() override {}
  void setX(int32_t x) { m_x = x; }
};

// The names in `folder`, sorted.
inline std::vector<std::string> folderEntries(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// The value at `time` in a new frame.
inline float valueAt(LCXController& controller, float time) {
  controller.setUpdate(1);
  return controller.getValue(time);
}

}  // namespace control_test
