#pragma once
// The demo's music: synthesised drum and instrument samples and a piece in A minor built of
// sections (intro, build, drop, break, finale, outro) at the tempo of demo_tempo.h.

#include "tools/module_writer.h"

namespace DemoMusic {

// Sample numbers (1-based, as in the patterns).
enum SampleNumber : std::uint8_t { kKick = 1, kSnare, kHat, kBass, kLead, kPad };

ModuleWriter::Module compose();

}  // namespace DemoMusic
