#!/usr/bin/env bash
# Checks the installable forms of a finished build (argument: the build folder):
#   1. `cmake --install` into a fresh prefix, and the hand-written example renders from there;
#   2. the Debian package CPack makes: apt can install it on this machine (a dry run: its
#      dependencies resolve), and the demo played from the package's own files gives the same
#      frame as the demo of the build folder.
set -euo pipefail
build=$(cd "${1:?usage: package_check.sh BUILD_FOLDER}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# PLAYER SCRIPT OUT: the demo's frame at 12 s (the rows that follow the system clock come later).
frame() {
  "$1" render "$2" --at 12000 --out "$3" >/dev/null
}

cmake --install "$build" --prefix "$work/prefix" >/dev/null
for file in bin/showplayer bin/showtool share/showplayer/demo/demo.lscx \
  share/showplayer/demo/music.ogg share/showplayer/examples/colors/colors.lscx \
  share/showplayer/examples/guide/scene.lscx share/doc/showplayer/guide.md; do
  [ -e "$work/prefix/$file" ] || { echo "not installed: $file"; exit 1; }
done
"$work/prefix/bin/showplayer" render "$work/prefix/share/showplayer/examples/colors/colors.lscx" \
  --at 4000 --out "$work/colors.png" >/dev/null
[ -s "$work/colors.png" ] || { echo "the installed example did not render"; exit 1; }

(cd "$build" && cpack -G DEB -B "$work/package" >/dev/null)
deb=$(ls "$work"/package/showplayer_*.deb)
dpkg-deb --field "$deb" Depends | grep -q libsdl2 || { echo "no SDL2 in Depends"; exit 1; }
if command -v apt-get >/dev/null; then
  apt-get install --simulate "$deb" 2>&1 | grep -q '^Inst showplayer' ||
    { echo "apt cannot install $deb:"; apt-get install --simulate "$deb" || true; exit 1; }
fi
dpkg-deb --extract "$deb" "$work/root"
frame "$work/root/usr/bin/showplayer" "$work/root/usr/share/showplayer/demo/demo.lscx" \
  "$work/packaged.png"
frame "$build/showplayer" "$build/examples/demo/demo.lscx" "$work/built.png"
cmp "$work/packaged.png" "$work/built.png"
echo "package $(basename "$deb"): installs, plays the demo as built"
