#!/usr/bin/env bash
# Installs what is missing, builds, and plays the bundled demo (made by the build in
# build/examples/demo/). On a machine without a display the demo is exported, with its sound, to
# out/demo.mp4 instead. Arguments go to the player (for example --windowed, --start MS,
# --no-audio).
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release

show=build/examples/demo/demo.lscx
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec build/showplayer "$show" "$@"
fi
echo "No display: exporting the demo to out/demo.mp4"
mkdir -p out
# The video ends with the music.
build/showplayer render "$show" --out out/demo.mp4
echo "Video written to $(pwd)/out/demo.mp4"
