#pragma once
// The interactive player.

#include "app/command_line.h"

// Opens the window and plays; returns the exit status.
int runPlayer(const PlayRequest& request);
