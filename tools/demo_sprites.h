#pragma once
// The drop's last pattern as scenes: a 2D scene of sprites (`.s2d`) and a particle fountain with
// sprites (`.l3x`), both written as the JSON `showtool build` reads, their tracks keyed on the
// music's beats.

#include <cmath>

#include <nlohmann/json.hpp>

#include "tools/demo_tempo.h"

namespace DemoSprites {

// Scenes play at 30 frames a second from the start of their write: a beat is 14.4 frames.
inline constexpr float kFramesPerBeat = 30.0f * static_cast<float>(DemoTempo::kMsPerBeat) / 1000.0f;
inline constexpr int kBeats = DemoTempo::kMsPerPattern / DemoTempo::kMsPerBeat;  // 16
// The pattern's 230.4 frames, rounded up.
inline constexpr int kAnimLength = 231;

// The key frame of a beat, rounded to the nearest whole frame (keys take whole frames).
inline int beatFrame(float beat) {
  return static_cast<int>(std::lround(beat * kFramesPerBeat));
}

// The pictures both scenes name (drawn by make_pictures).
inline constexpr const char* kStarPicture = "star.tga";
inline constexpr const char* kDotPicture = "dot.tga";
inline constexpr const char* kHaloPicture = "halo.tga";
inline constexpr const char* kOrbPicture = "orb.tga";
inline constexpr const char* kOrbMask = "orb_mask.tga";
inline constexpr const char* kShadowPicture = "shadow.tga";

// The 2D scene, its camera at (0, 0, -256) looking at the origin over a 512 x 256 layer (one world
// unit a pixel, y up, until the field of view narrows in the last bar): two shaded orbs circling
// the middle once in the pattern, a dark shadow subtracted as it sweeps across, a halo added in
// the middle that swells on every beat (most on the bars), and six stars added on a hidden wheel
// that turns a quarter a bar and kicks outwards on every beat, each star spinning, their
// opacity flickering with the beat. The camera narrows from 90 to 62 degrees over the last
// bar, spreading them all out.
nlohmann::json pulseScene();

// The fountain scene, its camera at (0, 0, -256) looking along +z (90 degrees): three fountains of
// soft dots added along the bottom edge, the left one from the first bar, the right one from the
// second, the middle one from the third with a second, stronger emitter from the fourth, the
// middle one swelling on every beat; a star sprite far behind them that rushes at the camera,
// turning, in the last bar; another over the right fountain.
nlohmann::json fountainScene();

}  // namespace DemoSprites
