#!/usr/bin/env bash
# Installs what is missing, builds, and plays the bundled show. On a machine without a display
# the show is exported to out/colors.mp4 instead. Arguments go to the player (for example
# --windowed, --start MS, --no-audio).
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release

show=examples/colors/colors.lscx
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec build/showplayer "$show" "$@"
fi
echo "No display: exporting the show to out/colors.mp4"
mkdir -p out
# The show lasts twenty seconds.
build/showplayer render "$show" --to 20000 --out out/colors.mp4
echo "Video written to $(pwd)/out/colors.mp4"
