#pragma once
// The frame step shared by the player and the offline renderer: how a script is loaded (from
// inside its own folder) and how one frame lands in the display memory (a 512 x 256 band 64 rows
// down a 512 x 384 display whose rows are 2048 bytes apart).

#include <cstdint>
#include <memory>

#include "base/string_c.h"
#include "image/cimage32.h"
#include "script/script_engine.h"

namespace FrameStep {

// Makes an engine for the script at `path` and starts it. The script is read from inside its
// folder, so the files it names are found from there; the current folder is then restored. A
// script that cannot be opened is reported by the engine, which is still made and started
// (an empty show). Never null.
std::unique_ptr<ScriptEngine> loadScript(const StringC& path, ScriptEngineServices services);

// Aims `screen` at the band of the display whose first pixel is pDisplay and draws the show into
// it (black without an engine).
void renderBand(std::uint32_t* pDisplay, CImage32External& screen, ScriptEngine* pEngine);

// Clears the band's first row, last row and first column.
void clearBandEdges(CImage32External& screen);

}  // namespace FrameStep
