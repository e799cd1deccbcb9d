#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test twice: a release build, and a build
# with AddressSanitizer and UndefinedBehaviorSanitizer. Last, each file reader's fuzz target runs
# for a bounded time from its corpus.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh
jobs=$(nproc 2>/dev/null || echo 2)
fuzz_seconds=${SHOWPLAYER_FUZZ_SECONDS:-60}

for preset in release asan-ubsan; do
  echo "=== $preset ==="
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  ctest --preset "$preset" -j "$jobs"
done

echo "=== fuzz (${fuzz_seconds} s per target) ==="
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"
for target in build-fuzz/tests/fuzz/*_fuzz; do
  name=$(basename "$target" _fuzz)
  # The fuzzer adds what it finds to its corpus folder: work on a copy.
  work=$(mktemp -d)
  cp -r "tests/fuzz/corpus/$name/." "$work/"
  if ! "$target" -max_total_time="$fuzz_seconds" -timeout=10 "$work" >"$work.log" 2>&1; then
    tail -n 60 "$work.log"
    echo "fuzz target $name failed"
    exit 1
  fi
  echo "$name: $(grep -E '^Done [0-9]+ runs' "$work.log" || tail -n 1 "$work.log")"
  rm -rf "$work" "$work.log"
done
