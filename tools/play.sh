#!/usr/bin/env bash
# Installs what is missing, builds, and plays the bundled show. Until the player window exists,
# the show is rendered to pictures in out/colors/.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release

mkdir -p out/colors
times=()
for ms in 0 2500 5000 7500 10000 12500 15000 17500; do times+=(--at "$ms"); done
build/showplayer render examples/colors/colors.lscx "${times[@]}" --out out/colors
echo "Frames written to $(pwd)/out/colors/"
