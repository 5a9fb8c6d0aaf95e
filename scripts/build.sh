#!/bin/sh
# Configures and builds the given presets (native, win32, win64, fuzz, release).
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
for preset in "$@"; do
    [ -f "build/$preset/build.ninja" ] || cmake --preset "$preset" >/dev/null
    cmake --build "build/$preset" -j "${JOBS:-2}"
done
