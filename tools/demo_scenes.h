#pragma once
// The demo's 3D scenes, written as glTF 2.0 models from code and brought into the show by
// `showtool import`.

#include <string>

#include "tools/demo_tempo.h"

namespace DemoScenes {

// The city's camera flight lasts this many bars of the music.
inline constexpr int kCityBars = 8;
inline constexpr int kCityMs = kCityBars * DemoTempo::kMsPerBar;  // 15360

// The picture files the city's materials name (drawn by make_pictures).
inline constexpr const char* kFacadePicture = "facade.tga";
inline constexpr const char* kStreetPicture = "street.tga";
// The video of the city's screen (written by make_video).
inline constexpr const char* kScreenVideo = "plasma.avi";

// The city as a glTF file (one buffer, inline): four district dummies of nine towers each on a
// grid of streets, a ground plane with land around it, a video screen on a tower wall, a
// directional and a point light, and a camera that flies in from above, along the streets and up
// again over kCityMs (the first animation), turning back to the city at the end; where it turns
// east at the south end of the middle street it looks straight at the screen. The pictures and
// the video are named `pictureFolder` + "/" + file name (the file name alone when
// `pictureFolder` is empty).
std::string cityGltf(const std::string& pictureFolder);

}  // namespace DemoScenes
