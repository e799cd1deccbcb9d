#pragma once
// The engine's keeper of the .lcx controllers: the named animated numbers (keyframe curves,
// noise, live input, music level) that the formulas of .lecx controllers read. It loads every
// .lcx file of the show's controller folder, gives each controller the outside source it reads,
// binds the names used by each .lecx controller, marks every cached value stale once per frame
// and draws the live-input marker over the finished frame.

#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "base/string_c.h"
#include "control/crt_rand.h"
#include "control/input_device.h"
#include "control/lcx_controller_manager.h"

class CImage32;
class LCXControllerRecorded;
class LECXController;
class SoundLevelSource;

class ScriptControllerManager {
 public:
  // Makes the live-input device the first time an input controller needs one; unset or
  // returning null: input controllers read -1.
  using InputDeviceFactory = std::function<std::unique_ptr<InputDevice>()>;

  ScriptControllerManager() = default;
  ScriptControllerManager(const ScriptControllerManager&) = delete;
  ScriptControllerManager& operator=(const ScriptControllerManager&) = delete;
  ~ScriptControllerManager();

  void setInputDeviceFactory(InputDeviceFactory factory) {
    m_createInputDevice = std::move(factory);
  }
  // The music whose level sound controllers read; not owned, may be null.
  void setMusic(SoundLevelSource* pMusic) { m_pMusic = pMusic; }
  // The program's runtime generator, which noise controllers draw their tables from.
  void setRuntimeRand(CrtRand* pRuntimeRand) { m_pRuntimeRand = pRuntimeRand; }

  // Loads every .lcx file of `directory` (a path ending with a separator, either kind); each
  // controller is named after its file, without folder and extension. A missing folder or one
  // without such files leaves the manager empty.
  void load(const StringC& directory);
  // The first loaded controller named exactly `name` (case matters), or null.
  LCXController* findLCXController(std::string_view name) const;
  // Binds every controller name the formulas of pController use to the loaded controller of
  // that name; a name that none has is reported, except "time1" and "time2". Then finishes the
  // formulas. Nothing for null.
  void link(LECXController* pController);
  // Start of a frame: every controller computes its value afresh once; the input device is
  // read once.
  void prepareFrame();
  // End of a frame: a 3 x 3 grid of white 3 x 3 squares, 15 pixels apart, centred on the input
  // position (clipped by the image). Nothing without an input device or destination.
  void drawMarker(CImage32* pDst) const;

  // --- Takes (the authoring mode's recording) ---
  // Arms every input controller that names a recording file: recording on from `time` for the
  // span (end - start) of its settings, with new samples. Returns how many were armed.
  int startTake(int32_t time);
  // Each armed controller writes its recording file now and stops recording; the show goes on.
  // Returns how many files were written.
  int stopTake();
  bool isTakeRunning() const { return !m_take.empty(); }
  // Every live controller forgets its samples, so none writes a file when the show goes.
  void discardRecordings();

  // Number of .lcx files found (loaded or not).
  int getCount() const { return static_cast<int>(m_managers.size()); }
  LCXController* getController(int index) const;
  InputDevice* getInputDevice() const { return m_pInputDevice.get(); }

 private:
  // Fixes where the recording goes and, with recording on, allocates the samples.
  static void prepareRecording(LCXControllerRecorded& controller);

  InputDeviceFactory m_createInputDevice;
  SoundLevelSource* m_pMusic = nullptr;
  CrtRand* m_pRuntimeRand = nullptr;
  // Declared before the managers: their controllers, which read it, go first.
  std::unique_ptr<InputDevice> m_pInputDevice;
  std::vector<std::unique_ptr<LCXControllerManager>> m_managers;
  // The controllers a running take armed (owned by the managers).
  std::vector<LCXControllerRecorded*> m_take;
};
