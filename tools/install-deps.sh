#!/usr/bin/env bash
# Installs the Debian packages the build needs, when they are missing. Run as root.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config dpkg-dev
  libgtest-dev libgmock-dev libbenchmark-dev libpixman-1-dev
  libpng-dev libbz2-dev libjpeg62-turbo-dev
  libsdl2-dev libopenmpt-dev libsndfile1-dev
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libswresample-dev
  nlohmann-json3-dev libassimp-dev
  xvfb xauth x11-apps
  clang-format clang libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
