#pragma once
// The commands of showtool: dump a chunk file as JSON, build a chunk file from JSON, import a
// 3D model as a scene.

#include <ostream>
#include <string>
#include <vector>

// Runs showtool with its arguments (without the program name); writes results to `out` and
// messages to `err`. Returns the exit code: 0 done, 1 a file could not be read or written or a
// JSON does not match the model, 2 a usage error.
int runShowTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
