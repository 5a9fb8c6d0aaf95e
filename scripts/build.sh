#!/bin/sh
# Configures and builds the given presets (native, win32, win64, fuzz, release).
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
for preset in "$@"; do
    # A changed cross toolchain (compiler flags) needs a fresh configure.
    case $preset in
        win32) toolchain=cmake/mingw-i686.cmake ;;
        win64) toolchain=cmake/mingw-x86_64.cmake ;;
        *) toolchain= ;;
    esac
    if [ -n "$toolchain" ]; then
        want=$(sha256sum "$toolchain" | cut -d' ' -f1)
        if [ "$(cat "build/$preset/toolchain.sha256" 2>/dev/null)" != "$want" ]; then
            rm -rf "build/$preset/CMakeCache.txt" "build/$preset/CMakeFiles" "build/$preset/build.ninja"
            mkdir -p "build/$preset" && echo "$want" > "build/$preset/toolchain.sha256"
        fi
    fi
    [ -f "build/$preset/build.ninja" ] || cmake --preset "$preset" >/dev/null
    cmake --build "build/$preset" -j "${JOBS:-2}"
done
