#pragma once
// A player in authoring mode for the tests: SDL's dummy drivers, ticks the test moves, and the
// real sound manager without an audio device, running on those ticks.

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "app/dev_mode.h"
#include "app/script_player.h"
#include "app/sound_manager.h"
#include "base/report.h"
#include "tests/app/app_test_util.h"
#include "tests/support/music_files.h"

inline constexpr std::uint32_t kDevRed = 0xFF0000u;
inline constexpr std::uint32_t kDevGreen = 0x00FF00u;
inline constexpr std::uint32_t kDevBlue = 0x0000FFu;

// Fills the band with `before` ("R G B") until `switchMs`, with `after` from then on.
inline std::string twoColourShow(const std::string& before, const std::string& after,
                                 int switchMs = 10000, const std::string& music = "NULL") {
  const std::string at = std::to_string(switchMs);
  return scriptText({{"LAYER_DIMENSION", {"desc: frame 512 256"}},
                     {"SCREEN_LAYER", {"desc: screen frame"}},
                     {"LAYER_MANAGER",
                      {"desc: screen 1 0 " + at + " c " + before,
                       "desc: screen 1 " + at + " 300000 c " + after}}},
                    "file: " + music + "\noffset: 0\n");
}

class DevPlayerTest : public ::testing::Test {
 protected:
  class Ticks final : public TickSource {
   public:
    std::uint32_t getTicks() override { return now; }
    std::uint32_t now = 1000;
  };

  void SetUp() override {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    m_options.dev = true;
    m_options.screenMode = ScreenMode::kWindowed;
    m_options.pTicks = &m_ticks;
    m_options.minFramePeriod = std::chrono::nanoseconds(0);
    m_options.createMusic = [this]() -> std::unique_ptr<ScriptMusic> {
      auto pSound = std::make_unique<SoundManager>(SoundOptions{false, &m_ticks});
      m_pSound = pSound.get();
      return pSound;
    };
  }

  // Writes the script into the folder and plays it in a new player.
  void open(const std::string& text) {
    writeTextFile(m_folder.path() / "show.lscx", text);
    m_pPlayer.reset();
    m_pPlayer = std::make_unique<ScriptPlayer>(m_options);
    ASSERT_TRUE(m_pPlayer->init());
    m_pPlayer->chooseScript(m_folder.file("show.lscx"));
  }
  void save(const std::string& text) { writeTextFile(m_folder.path() / "show.lscx", text); }
  DevMode& dev() const { return *m_pPlayer->getDevMode(); }
  std::int32_t time() const { return m_pPlayer->getTime(); }
  // A key press as SDL delivers it.
  void press(SDL_Keycode key, Uint16 mod = KMOD_NONE, bool repeat = false) {
    SDL_Event event{};
    event.type = SDL_KEYDOWN;
    event.key.keysym.sym = key;
    event.key.keysym.mod = mod;
    event.key.repeat = repeat ? 1 : 0;
    m_pPlayer->handleEvent(event);
  }
  // A frame every 10 ms while the ticks move on by `ms`.
  void play(std::uint32_t ms) {
    for (std::uint32_t done = 0; done < ms; done += 10) {
      m_ticks.now += 10;
      ASSERT_TRUE(m_pPlayer->runFrames(1));
    }
  }
  std::uint32_t at(int x, int y) const {
    return m_pPlayer->getDisplay().getPixels()[y * 512 + x] & 0xFFFFFFu;
  }

  ReportCapture m_capture;
  TempFolder m_folder;
  Ticks m_ticks;
  PlayerOptions m_options;
  SoundManager* m_pSound = nullptr;  // the music of the last show made
  std::unique_ptr<ScriptPlayer> m_pPlayer;
};
