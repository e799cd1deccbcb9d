#include "app/script_player.h"

#include <cstdio>

// PLACEHOLDER until the player lands.
int runPlayer(const PlayRequest&) {
  std::fprintf(stderr, "showplayer: the player is not built yet\n");
  return CommandLine::kExitFailure;
}
