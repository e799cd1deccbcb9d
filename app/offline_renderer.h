#pragma once
// Renders frames of a show without a window. The display memory of the player is a 512 x 384
// image kept from one frame to the next; each frame is drawn into its 512 x 256 band 64 rows
// down, exactly as the player draws into its locked screen.

#include <cstdint>
#include <memory>
#include <string>

#include "image/cimage32.h"
#include "script/script_clock.h"
#include "script/script_engine.h"

class SoundManager;

class OfflineRenderer {
 public:
  OfflineRenderer();
  ~OfflineRenderer();
  OfflineRenderer(const OfflineRenderer&) = delete;
  OfflineRenderer& operator=(const OfflineRenderer&) = delete;

  // Loads the script as the player does: from inside the script's folder, so the files it names
  // are found from there, then back to the current folder; then starts the show. False when the
  // file cannot be opened: the engine has reported it, and frames stay black.
  bool loadScript(const std::string& path);

  // The frame step at script time `time` (ms): the show renders into the band, then the band's
  // first row, last row and first column are cleared.
  void renderFrame(std::int32_t time);

  // The whole display, 512 x 384.
  const CImage32& getDisplay() const { return m_display; }
  // The loaded show; null before loadScript.
  const ScriptEngine* getEngine() const { return m_pEngine.get(); }

 private:
  // The time base of the show's music, which plays without a device: each frame moves it to
  // the frame's time, so what the show reads from the music (its level) is that of the frame.
  class FrameTicks final : public TickSource {
   public:
    std::uint32_t getTicks() override { return m_now; }
    std::uint32_t m_now = 0;
  };

  // Brings the music's position to `time`.
  void alignMusic(std::int32_t time);

  FrameTicks m_ticks;
  // The music of the loaded show, owned by its engine; null without music.
  SoundManager* m_pMusic = nullptr;
  CImage32Buffered m_display;
  // The band of the display the show draws into, re-aimed at every frame.
  CImage32External m_screen;
  // Declared last: destroyed first, while the image it draws into still exists.
  std::unique_ptr<ScriptEngine> m_pEngine;
};
